#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zorvena developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds the Windows program with Debian 13's MinGW-w64 against Qt 6.8 for Windows, and packs
# it as a portable ZIP, build-windows/Zorvena-2.0-windows-x64.zip (one folder Zorvena/ with
# Zorvena.exe at its top and the Qt and MinGW runtime DLLs and Qt's Polish catalogue it needs
# beside it), and as a per-user installer of the same folder,
# build-windows/Zorvena-2.0-windows-x64-setup.exe. build-windows/BUILDINFO records what shaped
# their bytes (the commit and its time, the versions of the Debian 13 packages that go into them,
# the Windows Qt), and build-windows/SHA256SUMS lists all three. The same commit gives the same
# bytes, wherever the clone is and whenever, whoever builds it: every time in them is the
# commit's. On an older Debian it does all of it in the Debian 13 root of scripts/debian13.sh and
# brings those four files back.
# Usage: scripts/windows.sh [--qt PREFIX] [--test] [--bench [benchmark options]]
#   --qt PREFIX  the Windows Qt to build with; without it, the one cached in
#                ~/.cache/zorvena/qt-6.8.2-windows, built there first when it is missing
#                (scripts/windows-qt.sh, about 25 minutes on 2 cores, once per machine)
#   --test       also builds the tests and runs them under Wine, headless, then starts the ZIP's
#                Zorvena.exe under Wine on a virtual X server and saves a note with it
#   --bench      runs the benchmark under Wine, headless, with the options that follow (see
#                scripts/bench.sh), e.g. --bench --sizes 0,365 --repeat 20; then times the start of
#                Zorvena.exe and of a bare Qt window under Wine, as scripts/startup-time.sh does
set -euo pipefail
cd "$(dirname "$0")/.."

qt=
test=false
bench=false
bench_args=()
arguments=("$@")
while [ $# -gt 0 ]; do
    case "$1" in
        --qt) qt=$(realpath "${2:?--qt needs a folder}"); shift 2 ;;
        --test) test=true; shift ;;
        --bench) bench=true; shift; bench_args=("$@"); break ;;
        *) echo "usage: $0 [--qt PREFIX] [--test] [--bench [benchmark options]]" >&2; exit 2 ;;
    esac
done

build=build-windows
version=$(sed -n 's/^project(Zorvena VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip_file=$build/Zorvena-$version-windows-x64.zip
setup_file=$build/Zorvena-$version-windows-x64-setup.exe

# The commit and its time, which stands for every time in the downloads; a copy of the tree without
# its history (as in the Debian 13 root) is told them.
if git rev-parse -q --verify HEAD >/dev/null 2>&1; then
    if [ -z "${ZORVENA_COMMIT:-}" ]; then
        ZORVENA_COMMIT=$(git rev-parse HEAD)
        [ -z "$(git status --porcelain)" ] || ZORVENA_COMMIT+=" with changes not committed"
    fi
    SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
fi
[ -n "${SOURCE_DATE_EPOCH:-}" ] \
    || { echo "windows.sh: not a git clone, so SOURCE_DATE_EPOCH must say the time" >&2; exit 1; }
export SOURCE_DATE_EPOCH ZORVENA_COMMIT
# Nothing of the builder's own settings goes into the files.
umask 022
export TZ=UTC LC_ALL=C.UTF-8

. /etc/os-release
if [ "${VERSION_ID:-13}" -lt 13 ]; then
    binds=()
    [ -z "$qt" ] || binds=(--bind "$qt")
    exec scripts/debian13.sh "${binds[@]}" --bring "$zip_file" --bring "$setup_file" \
        --bring "$build/BUILDINFO" --bring "$build/SHA256SUMS" scripts/windows.sh "${arguments[@]}"
fi

if $test; then
    scripts/setup.sh run windows screen stick
elif $bench; then
    scripts/setup.sh run windows screen
else
    scripts/setup.sh run windows
fi
if [ -z "$qt" ]; then
    qt=$(scripts/windows-qt-cache.sh)
    [ -d "$qt" ] || scripts/windows-qt.sh
fi
[ -f "$qt/lib/cmake/Qt6/Qt6Config.cmake" ] || { echo "no Windows Qt in $qt" >&2; exit 1; }
# The linker orders the program's imports by the paths of their import libraries, so where the Qt
# lies beside MinGW's own libraries in /usr would shape the bytes: the build sees a copy of it in
# one fixed folder, whichever folder it came from. One build at a time uses that folder.
staged=/var/tmp/zorvena-qt-for-windows
exec 7>"$staged.lock"
flock 7
if [ "$qt" != "$staged" ]; then
    rm -rf "$staged"
    cp -a "$qt" "$staged" # with the files' times: a build folder finds nothing to build again
    qt=$staged
fi

# The host tools (moc, rcc, uic) are Debian's, and so is Qt's Polish catalogue that goes with the
# program (the catalogues are the same files on every platform): both of the Windows Qt's version.
catalogue=/usr/share/qt6/translations/qtbase_pl.qm
qt_version=$(sed -n 's/^set(PACKAGE_VERSION "\(.*\)")$/\1/p' \
    "$qt/lib/cmake/Qt6/Qt6ConfigVersionImpl.cmake")
for package in qt6-base-dev-tools qt6-translations-l10n; do
    installed=$(dpkg-query -W -f='${Version}' "$package")
    if [ "${installed%%[-+]*}" != "$qt_version" ]; then
        echo "The Windows Qt is $qt_version, but $package here is $installed" >&2
        exit 1
    fi
done

# Notes that someone keeps beside a program built here stay: nothing below removes them, and the
# package, which is made anew, must not hold any.
package=$build/package
for notes in "$build/src/wydarzenia.json" "$package/Zorvena/wydarzenia.json"; do
    if [ -e "$notes" ] || [ -L "$notes" ]; then
        echo "windows.sh: $notes holds notes; move it out of $build first" >&2
        exit 1
    fi
done

# The commit's time goes into what is built (rcc writes it into the program's resources), and a
# build folder does not know to build anything again when only the time changes: what a build for
# another time made is removed, and only that.
if [ "$(cat "$build/source-date-epoch" 2>/dev/null)" != "$SOURCE_DATE_EPOCH" ]; then
    if [ -f "$build/build.ninja" ]; then
        ninja -C "$build" -t clean >/dev/null
    fi
    mkdir -p "$build"
    echo "$SOURCE_DATE_EPOCH" >"$build/source-date-epoch"
fi

# A build folder configured with a Qt from elsewhere, as before the copy, is configured afresh.
if [ -f "$build/CMakeCache.txt" ] \
    && ! grep -qxF "Qt6_DIR:PATH=$qt/lib/cmake/Qt6" "$build/CMakeCache.txt"; then
    rm -f "$build/CMakeCache.txt"
fi

testing=$($test && echo ON || echo OFF)
benchmark=$($bench && echo ON || echo OFF)
# Wine runs the tests: CTest puts scripts/wine-test.sh before every test command.
scripts/build.sh "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
    -DCMAKE_PREFIX_PATH="$qt" -DQT_HOST_PATH=/usr -DZORVENA_QT_CATALOGUE="$catalogue" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake -DBUILD_TESTING="$testing" \
    -DZORVENA_BENCHMARK="$benchmark" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$PWD/scripts/wine-test.sh" --no-warn-unused-cli

# The MinGW runtime DLLs lie with the compiler.
runtime_dirs=()
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    runtime_dirs+=("$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=$dll)")")
done
search_dirs=("$qt/bin" "${runtime_dirs[@]}")

# deploy FILE FOLDER: copies into FOLDER every DLL that FILE needs, and the DLLs they need in
# turn, that are not part of Windows itself.
deploy() {
    local name found dir
    for name in $(x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p'); do
        [ -e "$2/$name" ] && continue
        found=
        for dir in "${search_dirs[@]}"; do
            [ -f "$dir/$name" ] && found=$dir/$name && break
        done
        [ -n "$found" ] || continue # a DLL of Windows
        cp "$found" "$2/"
        x86_64-w64-mingw32-strip --strip-unneeded "$2/$name" # the MinGW runtime comes unstripped
        deploy "$found" "$2"
    done
}

rm -rf "$package"
cmake --install "$build" --prefix "$package/Zorvena" --strip >/dev/null
# The platform plugin that draws on Windows and the native widget style (Windows 11's, and on
# Windows 10 the one before it).
for plugin in platforms/qwindows.dll styles/qmodernwindowsstyle.dll; do
    mkdir -p "$package/Zorvena/$(dirname $plugin)"
    cp "$qt/plugins/$plugin" "$package/Zorvena/$plugin"
    x86_64-w64-mingw32-strip --strip-unneeded "$package/Zorvena/$plugin"
done
for file in "$package"/Zorvena/Zorvena.exe "$package"/Zorvena/*/*.dll; do
    deploy "$file" "$package/Zorvena"
done

# The licences of all that the downloads carry, in licenses/ beside Zorvena.exe, each taken from
# this machine's package of what it covers: Zorvena's own; Qt's LGPL and the GPL it builds on, with
# a notice of the Qt inside and where its source is, and Debian's statement of the licences of all
# of qt6-base's source (the libraries it bundles included) and of the Polish catalogue; and the
# copyright of the Debian package of each MinGW-w64 runtime DLL (the GCC Runtime Library Exception,
# winpthreads' notice).
licenses=$package/Zorvena/licenses
mkdir -p "$licenses"
cp LICENSE "$licenses/LICENSE.txt"
cp /usr/share/common-licenses/LGPL-3 "$licenses/Qt-LGPL-3.0.txt"
cp /usr/share/common-licenses/GPL-3 "$licenses/Qt-GPL-3.0.txt"
qt_debian=$(cat "$qt/debian-qt6-base-version")
cp /usr/share/doc/qt6-base-dev-tools/copyright "$licenses/qt6-base-copyright.txt"
cp /usr/share/doc/qt6-translations-l10n/copyright "$licenses/qt6-translations-l10n-copyright.txt"
catalogue_version=$(dpkg-query -W -f='${Version}' qt6-translations-l10n)
cat >"$licenses/Qt.txt" <<NOTICE
Zorvena $version for Windows carries Qt $qt_version for Windows: the libraries Qt6Core.dll,
Qt6Gui.dll and Qt6Widgets.dll and the plugins platforms/qwindows.dll and
styles/qmodernwindowsstyle.dll. Qt is licensed under the GNU Lesser General Public License,
version 3 (Qt-LGPL-3.0.txt), which builds on the GNU General Public License, version 3
(Qt-GPL-3.0.txt); qt6-base-copyright.txt lists the licences of all of its source, the libraries
that it bundles included. You may replace these libraries with others built from the same or a
changed source.

These libraries are built for Windows, unmodified but for Debian's own patches, from Debian 13's
source package qt6-base, version $qt_debian, with Debian 13's MinGW-w64 compiler. Qt's Polish
catalogue, translations/qtbase_pl.qm, is Debian 13's package qt6-translations-l10n, version
$catalogue_version, whose source package is qt6-translations
(qt6-translations-l10n-copyright.txt).

That source is in the Debian archive: on any Debian system, "apt-get source qt6-base=$qt_debian"
fetches it with Debian's patches, and "apt-get source qt6-translations" the catalogue's.
Zorvena's own source, with the script that builds these libraries (scripts/windows-qt.sh), is
offered under the same terms as Zorvena (LICENSE.txt).
NOTICE
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    owner=$(dpkg -S "$(realpath "$(x86_64-w64-mingw32-g++-posix -print-file-name=$dll)")" | cut -d: -f1)
    cp "/usr/share/doc/$owner/copyright" "$licenses/$owner-copyright.txt"
done
# The same modes and times, the commit's, for every file and folder: the ZIP keeps both, and the
# setup gives each installed file its time.
find "$package" -type d -exec chmod 755 {} +
find "$package" -type f -exec chmod 644 {} +
find "$package" -exec touch -d "@$SOURCE_DATE_EPOCH" {} +
rm -f "$zip_file"
(cd "$package" && find Zorvena | LC_ALL=C sort | zip -q -X -D "../$(basename "$zip_file")" -@)
echo "Wrote $zip_file ($(du -k "$zip_file" | cut -f1) KiB):"
unzip -Z1 "$zip_file" | sed 's/^/    /'

# The installer installs the same folder. It names every file it installs, and so removes no other.
file_list=$build/package-files.nsh
(
    cd "$package/Zorvena"
    find . -type f | sed 's|^\./||' | LC_ALL=C sort | while read -r file; do
        folder=$(dirname "$file")
        echo "!insertmacro Entry \"${folder#.}\" \"$(basename "$file")\""
    done
    find . -mindepth 1 -type d | sed 's|^\./||' | LC_ALL=C sort -r | sed 's/.*/!insertmacro Folder "&"/'
) >"$file_list"
# The setup keeps the time of each file it carries, its pictures' too: those of the commit.
pictures=$build/pictures
mkdir -p "$pictures"
cp packaging/windows/welcome.bmp packaging/windows/header.bmp "$pictures/"
touch -d "@$SOURCE_DATE_EPOCH" "$pictures"/*.bmp
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DPACKAGE="$PWD/$package/Zorvena" \
    -DFILES="$PWD/$file_list" -DICON="$PWD/src/icons/ikonka.ico" -DPICTURES="$PWD/$pictures" \
    -DOUTFILE="$PWD/$setup_file" packaging/windows/zorvena.nsi
# makensis keeps its prebuilt stub's time in the setup's PE header, and the uninstaller that the
# setup writes takes its header from the setup's: the commit's time goes there. The header lies in
# the first 512 bytes, which NSIS's own integrity check leaves out, and carries no checksum.
header=$(od -An -t u4 -j 60 -N 4 "$setup_file" | tr -d ' ')
checksum=$(od -An -t u4 -j $((header + 88)) -N 4 "$setup_file")
if [ $((header + 12)) -gt 512 ] || [ "$checksum" -ne 0 ]; then
    echo "windows.sh: the setup's PE header is not as NSIS 3 writes it" >&2
    exit 1
fi
stamp=$SOURCE_DATE_EPOCH
printf "$(printf '\\%03o' $((stamp & 255)) $((stamp >> 8 & 255)) $((stamp >> 16 & 255)) \
    $((stamp >> 24 & 255)))" \
    | dd of="$setup_file" bs=1 seek=$((header + 8)) conv=notrunc status=none
echo "Wrote $setup_file ($(du -k "$setup_file" | cut -f1) KiB)"

# What the bytes depend on besides the commit: two builds with the same BUILDINFO are the same.
{
    echo "Zorvena $version for Windows"
    echo "commit: ${ZORVENA_COMMIT:-unknown}"
    echo "time: $SOURCE_DATE_EPOCH ($(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S UTC'))"
    echo "Debian $VERSION_ID packages:"
    for name in g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
        gcc-mingw-w64-x86-64-posix-runtime binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev nsis \
        nsis-common zip cmake ninja-build qt6-base-dev-tools qt6-translations-l10n; do
        echo "    $name $(dpkg-query -W -f='${Version}' "$name")"
    done
    echo "Qt for Windows: qt6-base $(cat "$qt/debian-qt6-base-version" 2>/dev/null)," \
        "digest $(scripts/tree-digest.sh "$qt")"
    echo "DLLs in the ZIP, SHA-256:"
    (cd "$package/Zorvena" && find . -name '*.dll' | sed 's|^\./||' | LC_ALL=C sort \
        | xargs sha256sum | sed 's/^/    /')
    echo "Licences in the ZIP, SHA-256:"
    (cd "$package/Zorvena" && find licenses -type f | LC_ALL=C sort | xargs sha256sum \
        | sed 's/^/    /')
} >"$build/BUILDINFO"
(cd "$build" && sha256sum "$(basename "$zip_file")" "$(basename "$setup_file")" BUILDINFO \
    >SHA256SUMS)
echo "Wrote $build/BUILDINFO and $build/SHA256SUMS"

if $test || $bench; then
    # A Wine of its own, ended with the run. The tests find the Qt and MinGW DLLs through Wine's
    # PATH, and Qt its plugins beside its DLLs.
    export WINEPREFIX
    WINEPREFIX=$(mktemp -d)
    xvfb=
    trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"; kill $xvfb 2>/dev/null || true' \
        EXIT
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    wine_dirs=()
    for dir in "${search_dirs[@]}"; do
        wine_dirs+=("Z:${dir//\//\\}")
    done
    export WINEPATH
    WINEPATH=$(IFS=';'; echo "${wine_dirs[*]}")
    wineboot --init >/dev/null 2>&1
    # Wine does not hand variables named QT_* on to Windows programs; its registry does.
    wine reg add 'HKCU\Environment' /v QT_QPA_PLATFORM /t REG_SZ /d offscreen /f >/dev/null 2>&1
fi
if $test; then
    ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
    scripts/figures.sh "$build"
    tests/tst_windows.sh "$zip_file" "$setup_file"
fi
if $bench; then
    wine "$build/bench/bench.exe" "${bench_args[@]}"

    # The start as a user sees it, from exec until the window is mapped on a virtual X server, of
    # the ZIP's program with no note file and of a bare Qt window beside it, with the same DLLs, in
    # a Wine made with the server.
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    source scripts/xvfb.sh
    start_xvfb :95 1024x768x24
    wineboot --init >/dev/null 2>&1
    cc -O2 -Wall -Wextra -o "$build/maptimer" bench/maptimer.c -lX11
    unzip -q -o "$zip_file" -d "$WINEPREFIX/drive_c"
    cp "$build/bench/barewindow.exe" "$WINEPREFIX/drive_c/Zorvena/"
    # Twice each, in turns: Wine is still settling while the first runs.
    for program in barewindow Zorvena barewindow Zorvena; do
        echo "== $program.exe"
        "$build/maptimer" 10 "$(command -v wine)" "$WINEPREFIX/drive_c/Zorvena/$program.exe"
    done
fi
