; SPDX-FileCopyrightText: 2026 The Zorvena developers
; SPDX-License-Identifier: GPL-3.0-or-later
; The Windows installer: per user, no administrator, in Polish. It installs the folder that the
; portable ZIP is packed from, keeps the notes (wydarzenia.json beside Zorvena.exe) through every
; update and uninstall, and refuses a folder the program could not save notes in.
; scripts/windows.sh runs it:
;   makensis -DVERSION=2.0 -DPACKAGE=<folder> -DFILES=<list> -DICON=<icon> -DPICTURES=<folder>
;            -DOUTFILE=<setup.exe> zorvena.nsi
; where the list holds one line per file of the folder, "!insertmacro Entry <subfolder> <name>",
; and one per subfolder, "!insertmacro Folder <subfolder>", and PICTURES holds welcome.bmp and
; header.bmp of this folder.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
; A file that cannot be written ends the installation; it is never skipped in silence.
AllowSkipFiles off
ManifestSupportedOS all
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

Var NotesKept ; the uninstaller's last words: where the notes stayed

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zorvena"

Name "Zorvena ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Zorvena"
; An update goes where the program already is.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Zorvena ${VERSION}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=0 "ProductName" "Zorvena"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "Instalator programu Zorvena ${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Zorvena"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
; The program's own pictures, drawn from its icon by tools/icongen: beside the first and last pages
; of the installer and the uninstaller, and at the right of the other pages' header.
!define MUI_WELCOMEFINISHPAGE_BITMAP "${PICTURES}/welcome.bmp"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${PICTURES}/welcome.bmp"
!define MUI_HEADERIMAGE
!define MUI_HEADERIMAGE_RIGHT
!define MUI_HEADERIMAGE_BITMAP "${PICTURES}/header.bmp"

!define MUI_WELCOMEPAGE_TEXT "Kreator zainstaluje program Zorvena ${VERSION} dla Ciebie, \
    w Twoim folderze użytkownika; uprawnienia administratora nie są potrzebne.$\r$\n$\r$\n\
    Notatki są zapisywane w pliku wydarzenia.json w folderze programu. Aktualizacja \
    i odinstalowanie programu ich nie usuwają.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME
; Zorvena's licence, before anything is installed. The GPL asks for no consent to run the program,
; so the page goes on with "Dalej", not "Zgadzam się".
!define MUI_LICENSEPAGE_TEXT_BOTTOM "Zorvena jest wolnym oprogramowaniem na licencji GNU GPL \
    w wersji 3 lub późniejszej: możesz ją uruchamiać, kopiować, zmieniać i rozpowszechniać na jej \
    warunkach. Licencje bibliotek dołączonych do programu są w jego folderze licenses."
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!insertmacro MUI_PAGE_LICENSE "${PACKAGE}/licenses/LICENSE.txt"
!define MUI_DIRECTORYPAGE_TEXT_TOP "Zorvena zapisuje notatki w folderze programu, więc wybierz \
    folder, w którym możesz zapisywać pliki. Folder w Program Files wymaga uprawnień \
    administratora i się nie nadaje. Jeśli program jest już zainstalowany, wybierz jego folder, \
    aby go zaktualizować."
; NSIS would only grey out the button for a file; the leave function says why.
!define MUI_DIRECTORYPAGE_VERIFYONLEAVE
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "Program Zorvena ${VERSION} został zainstalowany na tym komputerze.\
    $\r$\n$\r$\nCtrl+F w oknie programu wyszukuje dni, których notatki zawierają wpisane słowa.\
    $\r$\n$\r$\nKliknij Zakończ, aby zamknąć kreatora."
!define MUI_FINISHPAGE_RUN "$INSTDIR\Zorvena.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Uruchom program Zorvena"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "$NotesKept"
!insertmacro MUI_UNPAGE_FINISH

!insertmacro MUI_LANGUAGE "Polish"

LangString FolderIsFile ${LANG_POLISH} "$R1 jest plikiem, a nie folderem.$\r$\n$\r$\n\
    Wybierz inny folder."
LangString FolderNotWritable ${LANG_POLISH} \
    "Nie możesz zapisywać plików w folderze $R1.$\r$\n$\r$\n\
    Zorvena zapisuje notatki w folderze programu, więc nie mogłaby ich tam zapisać. Wybierz folder \
    w swoim folderze użytkownika, na przykład ten, który proponuje instalator."
LangString ProgramRunning ${LANG_POLISH} "Zorvena jest uruchomiona z folderu $INSTDIR.$\r$\n$\r$\n\
    Zamknij program i spróbuj ponownie."

; Sets $R0 to why no program can be installed in $INSTDIR (the program saves notes beside itself,
; so the folder must be writable), or to "" when it can. Creates nothing that stays.
Function CheckFolder
    StrCpy $R0 ""
    ; The nearest folder that exists on the way to $INSTDIR; a file there, or on the way, is
    ; refused.
    StrCpy $R1 $INSTDIR
    ${DoUntil} ${FileExists} "$R1\*.*"
        ${If} ${FileExists} $R1
            StrCpy $R0 $(FolderIsFile)
            Return
        ${EndIf}
        ${GetParent} $R1 $R1
        ${If} $R1 == ""
            StrCpy $R1 $INSTDIR
            StrCpy $R0 $(FolderNotWritable)
            Return
        ${EndIf}
    ${Loop}
    ; Writable is what a new file there says, for folder permissions and read-only media alike.
    ; The file is made to go when its handle closes (GENERIC_WRITE, CREATE_NEW,
    ; FILE_FLAG_DELETE_ON_CLOSE); GetTempFileName is no judge, as Wine's reports success on a
    ; read-only medium.
    System::Call 'kernel32::GetCurrentProcessId() i .R2'
    System::Call 'kernel32::CreateFileW(w "$R1\zorvena-setup-$R2.tmp", \
        i 0x40000000, i 0, p 0, i 1, i 0x04000080, p 0) p .R3'
    ${If} $R3 = -1
        StrCpy $R0 $(FolderNotWritable)
        Return
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p R3)'
FunctionEnd

; Whether Zorvena.exe runs from $INSTDIR: Windows does not let a running program's file be opened
; for writing. Asks the user to close it and try again; sets $R0 to 1 when the user gives up (at
; once with /S), to 0 once it does not run.
!macro WaitUntilClosed un
    Function ${un}WaitUntilClosed
        ${Do}
            StrCpy $R0 0
            ${IfNot} ${FileExists} "$INSTDIR\Zorvena.exe"
                Return
            ${EndIf}
            ClearErrors
            FileOpen $R2 "$INSTDIR\Zorvena.exe" a
            ${IfNot} ${Errors}
                FileClose $R2
                Return
            ${EndIf}
            StrCpy $R0 1
            MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION $(ProgramRunning) /SD IDCANCEL IDRETRY +2
            Return
        ${Loop}
    FunctionEnd
!macroend
!insertmacro WaitUntilClosed ""

Function .onInit
    ; NSIS drops a /D= folder that is a file without a word and goes on with the default one, so
    ; the folder is read again from the process's own command line (it is always the last option).
    System::Call 'kernel32::GetCommandLineW() t .R0'
    StrLen $R1 $R0
    ${For} $R2 0 $R1
        StrCpy $R3 $R0 4 $R2
        ${If} $R3 S== " /D="
            IntOp $R2 $R2 + 4
            StrCpy $INSTDIR $R0 "" $R2
            ${Break}
        ${EndIf}
    ${Next}
FunctionEnd

Function DirectoryLeave
    Call CheckFolder
    ${If} $R0 != ""
        MessageBox MB_OK|MB_ICONSTOP $R0
        Abort
    ${EndIf}
    Call WaitUntilClosed
    ${If} $R0 = 1
        Abort
    ${EndIf}
FunctionEnd

; One line of the file list: a file of the package folder, in a subfolder or at its top.
!macro Entry folder name
    !if "${folder}" == ""
        SetOutPath $INSTDIR
        File "${PACKAGE}/${name}"
    !else
        SetOutPath "$INSTDIR\${folder}"
        File "${PACKAGE}/${folder}/${name}"
    !endif
!macroend
!macro Folder folder
!macroend

Section
    ; Checked before the first file: with /S the pages are not shown, and a program may have been
    ; started since the folder page.
    Call CheckFolder
    ${If} $R0 != ""
        MessageBox MB_OK|MB_ICONSTOP $R0 /SD IDOK
        SetErrorLevel 2
        Abort
    ${EndIf}
    Call WaitUntilClosed
    ${If} $R0 = 1
        SetErrorLevel 2
        Abort
    ${EndIf}

    !include "${FILES}"
    SetOutPath $INSTDIR
    WriteUninstaller "$INSTDIR\uninstall.exe"

    SetShellVarContext current
    CreateShortcut "$SMPROGRAMS\Zorvena.lnk" "$INSTDIR\Zorvena.exe"

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Zorvena ${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Zorvena.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    SectionGetSize 0 $R0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $R0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The uninstaller removes the files it knows by name, and a folder only once it is empty: the
; program's folder holds the notes, and perhaps more of the user's own.
!macroundef Entry
!macro Entry folder name
    !if "${folder}" == ""
        Delete "$INSTDIR\${name}"
    !else
        Delete "$INSTDIR\${folder}\${name}"
    !endif
!macroend
!macroundef Folder
!macro Folder folder
    RMDir "$INSTDIR\${folder}"
!macroend
!insertmacro WaitUntilClosed un.

Function un.onInit
    Call un.WaitUntilClosed
    ${If} $R0 = 1
        SetErrorLevel 2
        Quit
    ${EndIf}
FunctionEnd

Section Uninstall
    !include "${FILES}"
    Delete "$INSTDIR\uninstall.exe"
    SetOutPath $TEMP ; a folder in use as the current one cannot go
    RMDir $INSTDIR

    SetShellVarContext current
    Delete "$SMPROGRAMS\Zorvena.lnk"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"

    ${If} ${FileExists} "$INSTDIR\wydarzenia.json"
        StrCpy $NotesKept "Program Zorvena został usunięty z komputera.$\r$\n$\r$\nTwoje notatki \
            zostały tam, gdzie były, w pliku:$\r$\n$INSTDIR\wydarzenia.json$\r$\n$\r$\nZachowaj go \
            albo skopiuj do folderu nowej instalacji."
    ${Else}
        StrCpy $NotesKept "Program Zorvena został usunięty z komputera."
    ${EndIf}
SectionEnd
