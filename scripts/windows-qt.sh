#!/usr/bin/env bash
# Builds the Qt that the Windows program is made with: Qt 6.4.2 for x86_64-w64-mingw32 (Core, Gui,
# Widgets, Test and their plugins), the version the Linux program is tested with, from Debian 12's
# own qt6-base source package with Debian's patches (and so its security fixes) applied. Its host
# tools (moc, rcc, uic) are Debian's packaged Qt 6.4.2 in /usr. About 50 minutes on 2 cores.
# Usage: scripts/windows-qt.sh OUT   (OUT must not exist yet; scripts/windows.sh picks it)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "$1")
[ ! -e "$out" ] || { echo "windows-qt.sh: $out already exists" >&2; exit 1; }
version=6.4.2+dfsg-10
scripts/setup.sh windows-qt
toolchain=$PWD/cmake/mingw-w64.cmake
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The source package comes from the archive the machine's own packages come from, through a
# private apt configuration that leaves the machine's sources alone.
archive=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources \
    2>/dev/null | grep -oE '^(URIs:|deb) +[a-z]+://[^ ]+/debian/?( |$)' | head -n 1 | awk '{print $2}' || true)
[ -n "$archive" ] || { echo "windows-qt.sh: no Debian archive in the apt sources" >&2; exit 1; }
. /etc/os-release
mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial"
echo "deb-src $archive $VERSION_CODENAME main" >"$work/apt/sources.list"
apt_opts=(-o "Dir::Etc::SourceList=$work/apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
    -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache" -o Debug::NoLocking=1)
apt-get "${apt_opts[@]}" update -qq
(cd "$work" && apt-get "${apt_opts[@]}" source -qq "qt6-base=$version")
src=$(echo "$work"/qt6-base-*/)

# Only what the program and its tests use. Tablet events off: Debian's source leaves out
# src/3rdparty/wintab, which they need on Windows. Direct2D stays on: without it the Windows
# platform plugin does not link. The third-party libraries are Qt's bundled ones.
cmake -G Ninja -S "$src" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$work/install" -DBUILD_SHARED_LIBS=ON \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF -DINPUT_opengl=no \
    -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF \
    -DFEATURE_tabletevent=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
    -DFEATURE_system_jpeg=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF \
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_libb2=OFF >"$work/configure.log" \
    || { tail -n 40 "$work/configure.log" >&2; exit 1; }
ninja -C "$work/build" >"$work/build.log" || { tail -n 40 "$work/build.log" >&2; exit 1; }
cmake --install "$work/build" >/dev/null
x86_64-w64-mingw32-strip --strip-unneeded "$work"/install/bin/*.dll "$work"/install/plugins/*/*.dll

# Moved into place whole, so that a build cut short is never taken for a finished one.
mkdir -p "$(dirname "$out")"
mv "$work/install" "$out"
echo "Qt $version for Windows is in $out"
