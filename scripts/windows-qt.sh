#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zorvena developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Qt that the Windows program is made with into the folder scripts/windows-qt-cache.sh
# names: Qt 6.8 for x86_64-w64-mingw32 (Core, Gui, Widgets, Test and their plugins), from Debian
# 13's own qt6-base source package with Debian's patches (and so its security fixes) applied, with
# Debian 13's MinGW-w64. Its host tools (moc, rcc, uic) are Debian 13's packaged Qt in /usr, so the
# source is of the very version installed there. On an older Debian it builds in the Debian 13
# root of scripts/debian13.sh, which sees the same folder. About 25 minutes on 2 cores.
# The result is the same to the byte wherever and whenever it is built, given the same Debian 13
# packages: it prints its digest (scripts/tree-digest.sh) at the end.
# Usage: scripts/windows-qt.sh   (scripts/windows.sh runs it when that folder is missing)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(scripts/windows-qt-cache.sh)
[ ! -e "$out" ] || { echo "windows-qt.sh: $out already exists" >&2; exit 1; }
. /etc/os-release
if [ "${VERSION_ID:-13}" -lt 13 ]; then
    exec scripts/debian13.sh scripts/windows-qt.sh
fi
scripts/setup.sh windows-qt
version=$(dpkg-query -W -f='${Version}' qt6-base-dev)

# Qt writes the folders it is built in into its CMake, pkg-config and qmake files, and the
# toolchain file's path too, so it is built in one fixed folder, whoever builds it from whichever
# clone; one build at a time.
work=/var/tmp/zorvena-windows-qt
exec 9>"$work.lock"
flock -n 9 || { echo "windows-qt.sh: another build uses $work" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
cp cmake/mingw-w64.cmake "$work/mingw-w64.cmake"
umask 022
export LC_ALL=C.UTF-8 TZ=UTC

# The source package comes from the Debian archives the machine's own packages come from, through a
# private apt configuration that leaves the machine's sources alone.
mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/apt/sources.list.d"
for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ ! -f "$list" ] || grep -E '^deb +[a-z]+://[^ ]+/debian(-security)?/? ' "$list" \
        | sed 's/^deb /deb-src /'
done >"$work/apt/sources.list"
for list in /etc/apt/sources.list.d/*.sources; do
    [ -f "$list" ] || continue
    # The stanzas of Debian's archives, for source packages.
    awk -v RS= -v ORS='\n\n' '/URIs: +[a-z]+:\/\/[^ ]+\/debian(-security)?\/?(\n| |$)/ {
        sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$list" \
        >"$work/apt/sources.list.d/${list##*/}"
done
apt_opts=(-o "Dir::Etc::SourceList=$work/apt/sources.list"
    -o "Dir::Etc::SourceParts=$work/apt/sources.list.d" -o "Dir::State::Lists=$work/apt/lists"
    -o "Dir::Cache=$work/apt/cache" -o Debug::NoLocking=1)
apt-get "${apt_opts[@]}" update -qq
(cd "$work" && apt-get "${apt_opts[@]}" source -qq "qt6-base=$version" >/dev/null 2>&1)
src=$(echo "$work"/qt6-base-*/)
# Every time the build writes (the linker's in each DLL, the SBOM's) is the source's own, as Debian
# does it: the date of its changelog's last entry.
SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$src/debian/changelog" -STimestamp)
export SOURCE_DATE_EPOCH

# Only what the program and its tests use. Tablet events off: Debian's source leaves out
# src/3rdparty/wintab, which they need on Windows. Direct2D stays on: without it the Windows
# platform plugin does not link. The third-party libraries are Qt's bundled ones.
cmake -G Ninja -S "$src" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$work/mingw-w64.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$work/install" -DBUILD_SHARED_LIBS=ON \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF -DINPUT_opengl=no \
    -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF \
    -DFEATURE_tabletevent=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
    -DFEATURE_system_jpeg=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF \
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_libb2=OFF >"$work/configure.log" 2>&1 \
    || { tail -n 40 "$work/configure.log" >&2; exit 1; }
ninja -C "$work/build" >"$work/build.log" || { tail -n 40 "$work/build.log" >&2; exit 1; }
cmake --install "$work/build" >/dev/null
x86_64-w64-mingw32-strip --strip-unneeded "$work"/install/bin/*.dll "$work"/install/plugins/*/*.dll
echo "$version" >"$work/install/debian-qt6-base-version"

# Moved into place whole, so that a build cut short is never taken for a finished one.
mkdir -p "$(dirname "$out")"
rm -rf "$out.partial"
cp -a "$work/install" "$out.partial"
mv "$out.partial" "$out"
echo "Qt $version for Windows is in $out, digest $(scripts/tree-digest.sh "$out")"
