#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zorvena developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 or 13 packages that are missing for the given purposes: "run" (build and
# start the program; every purpose includes it), "test" (build and run the tests and the short
# benchmark run), "bench" (build the benchmark), "screen" (run it under a virtual X server),
# "windows" (cross-build the Windows program, pack it and test it under Wine), "windows-qt" (build
# the Windows Qt from Debian's source), "stick" (an exFAT volume for the tests, scripts/stick.sh),
# "root" (a Debian 13 root, scripts/debian13.sh), "compare" (two sets of Windows downloads,
# scripts/windows-compare.sh).
set -euo pipefail

packages=(build-essential cmake ninja-build qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
    fonts-dejavu-core)
for purpose in "$@"; do
    case "$purpose" in
        run) ;;
        # Qt's private GUI headers: the tests' and the benchmark's stand-in for a screen reader.
        test) packages+=(qt6-base-private-dev binutils-mingw-w64-x86-64 desktop-file-utils
            exfatprogs exfat-fuse) ;;
        bench) packages+=(qt6-base-private-dev) ;;
        stick) packages+=(exfatprogs exfat-fuse) ;;
        compare) packages+=(unzip) ;;
        root) packages+=(debootstrap) ;;
        screen) packages+=(xvfb xauth x11-utils imagemagick xdotool libx11-dev) ;;
        windows) packages+=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 icoutils
            zip unzip nsis) ;;
        windows-qt) packages+=(dpkg-dev g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
            binutils-mingw-w64-x86-64) ;;
        *) echo "setup.sh: unknown purpose '$purpose'" >&2; exit 2 ;;
    esac
done

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
