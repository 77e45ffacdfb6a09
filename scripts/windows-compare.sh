#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zorvena developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Compares two sets of Windows downloads byte for byte: the ZIP, the setup, BUILDINFO and SHA256SUMS
# that scripts/windows.sh writes, in two folders (a folder of downloads and build-windows/ of a
# rebuild, say). Names each file that differs, the ZIP's entries that differ in content, time or
# mode, and how the two BUILDINFOs differ. Exits with 0 when all four are the same.
# Usage: scripts/windows-compare.sh FOLDER FOLDER
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 FOLDER FOLDER" >&2; exit 2; }
folders=("$(realpath "$1")" "$(realpath "$2")")
"$(dirname "$0")"/setup.sh compare
# The downloads are those that the second folder's SHA256SUMS lists, a rebuild's when it is one.
[ -f "${folders[1]}/SHA256SUMS" ] || { echo "${folders[1]} has no SHA256SUMS" >&2; exit 2; }
mapfile -t files < <(sed 's/^[0-9a-f]* [ *]//' "${folders[1]}/SHA256SUMS")
files+=(SHA256SUMS)
zip=$(printf '%s\n' "${files[@]}" | grep '\.zip$' || true)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# entries ZIP FOLDER: unpacks ZIP into FOLDER and prints each entry's name, mode, time and SHA-256.
entries() {
    mkdir -p "$2"
    unzip -q "$1" -d "$2"
    zipinfo -T -s "$1" | awk '$1 ~ /^[-d]/' | while read -r mode _ _ _ _ _ time name; do
        hash=folder
        [ -d "$2/$name" ] || hash=$(sha256sum <"$2/$name" | cut -d' ' -f1)
        echo "$name $mode $time $hash"
    done | LC_ALL=C sort
}

same=0
for file in "${files[@]}"; do
    a=${folders[0]}/$file
    b=${folders[1]}/$file
    if [ ! -f "$a" ] || [ ! -f "$b" ]; then
        echo "$file: missing in $([ -f "$a" ] && echo "${folders[1]}" || echo "${folders[0]}")"
        same=1
    elif ! cmp -s "$a" "$b"; then
        echo "$file differs"
        same=1
        if [ "$file" = "$zip" ]; then
            entries "$a" "$work/a" >"$work/a.list"
            entries "$b" "$work/b" >"$work/b.list"
            { diff "$work/a.list" "$work/b.list" || true; } \
                | sed -n 's/^[<>] \([^ ]*\) .*/    \1 differs inside the ZIP/p' | LC_ALL=C sort -u
            cmp -s <(zipinfo -1 "$a") <(zipinfo -1 "$b") \
                || echo "    the order of the entries differs"
        elif [ "$file" = BUILDINFO ]; then
            { diff -u "$a" "$b" || true; } | tail -n +3 | sed 's/^/    /'
        fi
    fi
done
[ $same -ne 0 ] || echo "The same, byte for byte: ${files[*]}"
exit $same
