#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zorvena developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows ZIP and installer as a user meets them, each in a fresh Wine that has nothing but
# what it brings, with the program on a virtual X server:
# - the ZIP unzipped into C:\users\Zażółć\Mój dziennik: Zorvena.exe shows its main window, and a
#   note typed and saved with "Zapisz" lands in wydarzenia.json beside it, the only file written;
# - the installer, silently (/S): a folder that is a file is refused and nothing is made; it
#   installs into %LOCALAPPDATA%\Programs\Zorvena with its shortcut and its "Apps & features"
#   entry, and the installed program saves a note beside itself; while it runs, the installer and
#   the uninstaller change nothing and fail; an update keeps the notes and the user's own files;
#   /D= installs into a folder with Polish letters; uninstalling leaves only the user's files;
# - every time in them is the commit's, as the BUILDINFO beside the ZIP gives it: in the PE header
#   of each program and library, the setup and the uninstaller it writes, of each ZIP entry, and of
#   each file the setup installs.
# Usage: tests/tst_windows.sh ZIP SETUP [SCREENSHOTS]   (scripts/windows.sh --test runs it)
# With a folder SCREENSHOTS, the saved note's window goes to windows.png in it, the installer's
# first page to setup.png, the licence's to setup-licence.png and the folder's to setup-folder.png.
# The licences beside the program are checked in the ZIP and as installed.
set -euo pipefail
zip=$(realpath "$1")
setup=$(realpath "$2")
shots=${3:+$(realpath "$3")}
cd "$(dirname "$0")/.."
source scripts/xvfb.sh

work=$(mktemp -d)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEPATH QT_QPA_PLATFORM QT_PLUGIN_PATH
xvfb=
end_wines() {
    for prefix in "$work"/wine-*; do
        [ ! -d "$prefix" ] || WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    done
}
trap 'end_wines; kill $xvfb 2>/dev/null || true; umount "$work/read-only" 2>/dev/null || true
    rm -rf "$work"' EXIT
start_xvfb :96 1024x768x24

passed=0
failed=0
check() { # check DESCRIPTION COMMAND...
    if "${@:2}"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $1" >&2
    fi
}
exits() { # exits CODE COMMAND...: whether COMMAND ends with that exit code
    local code=0
    "${@:2}" || code=$?
    [ "$code" -eq "$1" ]
}

new_wine() { # new_wine NAME: a fresh Wine of its own
    export WINEPREFIX=$work/wine-$1
    wineboot --init >/dev/null 2>&1
}
unix_path() { winepath -u "$1" 2>/dev/null; }
# Runs a Windows command line as it stands: /D= and _?= come last and unquoted, spaces and all,
# and wine would quote an argument with a space.
command_line() { wine cmd /c "$1"; }
windows_variable() { command_line "echo %$1%" | tr -d '\r'; }
# window_named TITLE: the window of that title, once it shows (within a minute).
window_named() {
    timeout 60 xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1 || true
}
# A folder's files and their checksums, to tell whether anything in it changed.
contents() { (cd "$1" && find . -type f -exec md5sum {} + | LC_ALL=C sort); }
names() { (cd "$1" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' '); }

# save_note EXE TEXT: starts the program EXE (a Windows path), types TEXT into the editor and
# presses "Zapisz"; the program keeps running, as $program, its window $window. Fails when no
# window shows.
save_note() {
    local folder
    folder=$(unix_path "${1%\\*}")
    started=$(date +%Y/%m/%d)
    wine "$1" >/dev/null 2>&1 &
    program=$!
    window=$(window_named 'Zorvena 2.0')
    [ -n "$window" ] || return 1
    sleep 3 # past the first clock tick, and drawn
    eval "$(xdotool getwindowgeometry --shell "$window")"
    # The editor fills the right half; "Zapisz" sits at its foot, above the status bar.
    xdotool mousemove $((X + WIDTH * 3 / 4)) $((Y + HEIGHT / 2)) click 1
    xdotool type --delay 20 "$2"
    xdotool mousemove $((X + WIDTH * 3 / 4)) $((Y + HEIGHT - 60)) click 1
    for _ in $(seq 100); do [ -f "$folder/wydarzenia.json" ] && break; sleep 0.1; done
}
# holds_note FOLDER TEXT: whether FOLDER's note file is exactly TEXT under the day the program
# started on (which may be yesterday by now).
holds_note() {
    grep -qxE "\\{\"($started|$(date +%Y/%m/%d))\":\"$2\"\\}" "$1/wydarzenia.json"
}
close_program() {
    kill "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
}

# Every time in the downloads is the commit's, as BUILDINFO gives it.
commit_time=$(sed -n 's/^time: \([0-9]*\) .*/\1/p' "$(dirname "$zip")/BUILDINFO")
# The Qt inside, as BUILDINFO names Debian's source of it: "qt6-base 6.8.2+dfsg-9+deb13u2".
qt_debian=$(sed -n 's/^Qt for Windows: qt6-base \([^,]*\),.*/\1/p' "$(dirname "$zip")/BUILDINFO")

# licensed FOLDER: the licences lie in FOLDER/licenses, the Qt notice naming the Qt inside.
licensed() {
    local file
    for file in LICENSE.txt Qt.txt Qt-LGPL-3.0.txt Qt-GPL-3.0.txt qt6-base-copyright.txt \
        gcc-mingw-w64-x86-64-posix-runtime-copyright.txt mingw-w64-x86-64-dev-copyright.txt; do
        [ -s "$1/licenses/$file" ] || { echo "no $file"; return 1; }
    done
    cmp -s LICENSE "$1/licenses/LICENSE.txt" \
        && grep -qF "carries Qt ${qt_debian%%+*} for Windows" "$1/licenses/Qt.txt" \
        && grep -qF "qt6-base, version $qt_debian" "$1/licenses/Qt.txt" \
        && grep -q "GCC Runtime Library Exception" \
            "$1/licenses/gcc-mingw-w64-x86-64-posix-runtime-copyright.txt" \
        && grep -q "winpthreads" "$1/licenses/mingw-w64-x86-64-dev-copyright.txt"
}
pe_time() {
    local header
    header=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
    od -An -t u4 -j $((header + 8)) -N 4 "$1" | tr -d ' '
}
# commit_timed FILE...: whether each program's PE header holds the commit's time; a folder stands
# for its programs and libraries.
commit_timed() {
    local file
    while IFS= read -r -d '' file; do
        [ "$(pe_time "$file")" = "$commit_time" ] \
            || { echo "$file: $(pe_time "$file")" >&2; return 1; }
    done < <(find "$@" -type f \( -name '*.exe' -o -name '*.dll' \) -print0)
}
# at_commit_time SECONDS: whether a time is the commit's, to the 2 s that ZIP entries keep, and that
# the setup keeps of the files it installs.
at_commit_time() {
    [ $(($1 - commit_time)) -ge -1 ] && [ $(($1 - commit_time)) -le 1 ]
}
# modified_at_commit FOLDER NAME...: whether those files in FOLDER (not folders, which the setup
# makes) were last modified then.
modified_at_commit() {
    local folder=$1 name
    shift
    for name; do
        [ -d "$folder/$name" ] || at_commit_time "$(stat -c %Y "$folder/$name")" \
            || { echo "$name: $(stat -c %Y "$folder/$name")" >&2; return 1; }
    done
}
# Each ZIP entry's time, in the UTC that the build packs in.
zip_entries_commit_timed() {
    local time
    for time in $(TZ=UTC zipinfo -T -s "$zip" | awk '$1 ~ /^-/ { print $7 }'); do
        at_commit_time "$(TZ=UTC date -d "${time:0:8} ${time:9:2}:${time:11:2}:${time:13:2}" +%s)" \
            || return 1
    done
}
check "BUILDINFO gives the commit's time" test -n "$commit_time"
check "every ZIP entry has the commit's time" zip_entries_commit_timed

# The ZIP.
new_wine zip
folder="$WINEPREFIX/drive_c/users/Zażółć/Mój dziennik"
mkdir -p "$folder"
unzip -q "$zip" -d "$folder"
files=$(names "$folder/Zorvena")
check "the ZIP's program shows its window" \
    save_note 'C:\users\Zażółć\Mój dziennik\Zorvena\Zorvena.exe' 'Notatka z Wine'
[ -z "$shots" ] || import -window "$window" "$shots/windows.png"
check "the note lands beside Zorvena.exe" holds_note "$folder/Zorvena" 'Notatka z Wine'
check "nothing else is written there" test "$(names "$folder/Zorvena")" = "${files}wydarzenia.json "
check "Qt's Polish catalogue lies beside it" test -s "$folder/Zorvena/translations/qtbase_pl.qm"
check "the licences lie beside it, naming the Qt inside" licensed "$folder/Zorvena"
check "each program and library in it has the commit's time" commit_timed "$folder/Zorvena"
close_program
end_wines

# The installer.
new_wine setup
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zorvena'
reg_value() {
    wine reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_[A-Z]* *//p"
}
programs_menu="$(unix_path "$(windows_variable APPDATA)")/Microsoft/Windows/Start Menu/Programs"
installed="$(windows_variable LOCALAPPDATA)\\Programs\\Zorvena"
folder=$(unix_path "$installed")
if [ -n "$shots" ]; then
    wine "$setup" >/dev/null 2>&1 &
    window=$(window_named 'Instalator Zorvena 2.0')
    sleep 1
    import -window "$window" "$shots/setup.png"
    xdotool key --window "$window" Return
    sleep 1
    import -window "$window" "$shots/setup-licence.png"
    xdotool key --window "$window" Return
    sleep 1
    import -window "$window" "$shots/setup-folder.png"
    kill $! 2>/dev/null || true
    end_wines
fi

# icons EXE: how many images the program's icon has in EXE.
icons() { wrestool -l -t 3 "$1" | wc -l; }
check "the setup has the commit's time" commit_timed "$setup"
check "the setup asks for no elevation" \
    grep -q 'level="asInvoker"' <(wrestool -x --raw -t 24 "$setup")
check "the setup has the program's icon" \
    test "$(icons "$setup")" = "$(icotool -l src/icons/ikonka.ico | wc -l)"

echo 'nie folder' >"$WINEPREFIX/drive_c/plik"
check "a folder that is a file is refused" exits 2 wine "$setup" /S '/D=C:\plik'
check "and nothing is made" \
    test "$(cat "$WINEPREFIX/drive_c/plik")" = 'nie folder' -a ! -e "$folder" \
    -a ! -e "$programs_menu/Zorvena.lnk" -a -z "$(reg_value DisplayName)"

# Root writes wherever file modes forbid it; a read-only bind mount, where one can be made, does
# not.
mkdir "$work/read-only"
if mount --bind "$work/read-only" "$work/read-only" 2>/dev/null \
    && mount -o remount,ro,bind "$work/read-only" 2>/dev/null; then
    check "a read-only folder is refused" \
        exits 2 wine "$setup" /S "/D=$(winepath -w "$work/read-only" 2>/dev/null)\\Zorvena"
    check "and nothing is made" test ! -e "$folder" -a -z "$(reg_value DisplayName)"
    umount "$work/read-only"
else
    echo "tst_windows: no read-only folder can be made here, so that refusal is not tried"
fi

check "a silent install succeeds" wine "$setup" /S
check "it installs the ZIP's files and the uninstaller" \
    test "$(names "$folder")" = "${files}uninstall.exe "
check "the licences among them" licensed "$folder"
check "the uninstaller has the program's icon" \
    test "$(icons "$folder/uninstall.exe")" = "$(icons "$setup")"
check "and the commit's time" commit_timed "$folder/uninstall.exe"
# shellcheck disable=SC2086 # the ZIP's names have no spaces
check "the installed files were last changed at the commit's time" \
    modified_at_commit "$folder" $files
check "the Start menu has Zorvena, which starts the installed program" \
    grep -qaF "$installed\\Zorvena.exe" "$programs_menu/Zorvena.lnk"
for entry in "DisplayName=Zorvena 2.0" "DisplayVersion=2.0" "DisplayIcon=$installed\\Zorvena.exe" \
    "InstallLocation=$installed" "UninstallString=\"$installed\\uninstall.exe\"" \
    "QuietUninstallString=\"$installed\\uninstall.exe\" /S" NoModify=0x1 NoRepair=0x1; do
    check "Apps & features: $entry" test "$(reg_value "${entry%%=*}")" = "${entry#*=}"
done
check "Apps & features: EstimatedSize" test $(($(reg_value EstimatedSize))) -gt 10000

check "the installed program shows its window" save_note "$installed\\Zorvena.exe" 'Zainstalowana'
check "its note lands beside it" holds_note "$folder" 'Zainstalowana'
before=$(contents "$folder")
check "the installer fails while the program runs" exits 2 wine "$setup" /S
# uninstall FOLDER: as the uninstaller does, a copy elsewhere removes FOLDER's one, and is waited
# for (the uninstaller itself starts its copy and returns at once).
uninstall() {
    cp "$(unix_path "$1")/uninstall.exe" "$work/uninstall.exe"
    command_line "$(winepath -w "$work/uninstall.exe" 2>/dev/null) /S _?=$1"
}
check "the uninstaller fails while the program runs" exits 2 uninstall "$installed"
check "and neither changes a file" test "$(contents "$folder")" = "$before"
close_program

echo 'moje' >"$folder/moje notatki.txt"
notes=$(md5sum <"$folder/wydarzenia.json")
check "an update succeeds" wine "$setup" /S
check "it keeps the notes byte for byte" test "$(md5sum <"$folder/wydarzenia.json")" = "$notes"
check "and the user's own file" test -f "$folder/moje notatki.txt"

polish='C:\users\Zażółć\Moje programy\Zorvena'
check "/D= installs into a folder with Polish letters" \
    command_line "$(winepath -w "$setup" 2>/dev/null) /S /D=$polish"
check "the files are there" test "$(names "$(unix_path "$polish")")" = "${files}uninstall.exe "
check "uninstalling it succeeds" uninstall "$polish"
check "and removes its folder, which holds nothing else" test ! -e "$(unix_path "$polish")"

check "uninstalling the first succeeds" uninstall "$installed"
check "it leaves only the notes and the user's file" \
    test "$(names "$folder")" = "moje notatki.txt wydarzenia.json "
check "the notes are untouched" test "$(md5sum <"$folder/wydarzenia.json")" = "$notes"
check "the shortcut and the entry are gone" \
    test ! -e "$programs_menu/Zorvena.lnk" -a -z "$(reg_value DisplayName)"

echo "tst_windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
