#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zorvena developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Proves that the Windows downloads in build-windows/ are what their commit gives, whoever builds
# it: builds them again from a clone of the commit in another folder, with another umask, time zone
# and language, and with the Windows Qt copied to a folder on the other side of /usr (where
# MinGW's own libraries lie) in the order of paths, and compares the two sets byte for byte
# (scripts/windows-compare.sh), which names what differs. Run it after scripts/windows.sh, with the
# same --qt.
# Usage: scripts/windows-rebuild.sh [--qt PREFIX]
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -n "$(git status --porcelain)" ]; then
    echo "windows-rebuild.sh: a clone has only the commit; commit the changes first" >&2
    exit 1
fi
[ $# -eq 0 ] || [ "$1" = --qt ] || { echo "usage: $0 [--qt PREFIX]" >&2; exit 2; }
qt=$(realpath "${2:-$(scripts/windows-qt-cache.sh)}")
other=$(mktemp -d)
elsewhere=
trap 'rm -rf "$other" ${elsewhere:+"$elsewhere"}' EXIT
if [ "$(printf '%s\n' "$qt" /usr | LC_ALL=C sort | head -n 1)" = "$qt" ]; then
    elsewhere=$(mktemp -d -p /var/tmp)
else
    elsewhere=$(mktemp -d -p "$HOME")
fi
cp -a "$qt" "$elsewhere/qt"
echo "The Windows Qt of the first build is in $qt; the second build takes a copy in $elsewhere/qt"
qt=(--qt "$elsewhere/qt")
git clone -q . "$other/elsewhere/zorvena"
(
    cd "$other/elsewhere/zorvena"
    umask 077
    TZ=Pacific/Kiritimati LANG=pl_PL.UTF-8 LC_ALL=pl_PL.UTF-8 scripts/windows.sh "${qt[@]}"
)
scripts/windows-compare.sh build-windows "$other/elsewhere/zorvena/build-windows"
