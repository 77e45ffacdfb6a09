#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zorvena developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the program into a folder of its own and adds it with its icon to the desktop's
# application menu (for the current user; nothing outside the home folder changes). Running it
# again updates the program; the note file in the folder is never touched. Notes that earlier
# versions kept in build/src/ are copied into the folder when it has none yet.
# Usage: scripts/install.sh [FOLDER]   (default: ~/Zorvena)
# It builds into build/ first; with ZORVENA_BUILD=DIR it installs from that build instead, as is.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/install-common.sh
take_folder_argument "$@"

fail() {
    echo "scripts/install.sh: $*; nothing was changed." >&2
    exit 1
}

# usable_folder DIR: whether DIR is a folder this user can write into, or can be created as one.
usable_folder() {
    local dir=$1
    if [ -e "$dir" ] || [ -L "$dir" ]; then
        [ -d "$dir" ] || fail "$dir is not a folder"
        { [ -w "$dir" ] && [ -x "$dir" ]; } || fail "cannot write into $dir"
        return
    fi
    local parent=$dir
    while [ ! -e "$parent" ] && [ ! -L "$parent" ]; do
        parent=$(dirname "$parent")
    done
    [ -d "$parent" ] || fail "cannot create $dir: $parent is not a folder"
    { [ -w "$parent" ] && [ -x "$parent" ]; } || fail "cannot create $dir: cannot write into $parent"
}

# Everything that could stop the install half way is checked before anything changes.
usable_folder "$folder"
usable_folder "$data_home"

if [ -n "${ZORVENA_BUILD:-}" ]; then
    build=$(realpath "$ZORVENA_BUILD")
else
    scripts/setup.sh run
    scripts/build.sh build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
    build=$(realpath build)
fi

mkdir -p "$folder"
cmake --install "$build" --prefix "$folder" >/dev/null
# The terms the program comes under, beside it; renamed into place, so never half there.
cp LICENSE "$folder/.LICENSE.new"
mv "$folder/.LICENSE.new" "$folder/LICENSE"

# The notes an earlier version kept beside the executable it built.
old=$build/src/wydarzenia.json
if [ -f "$old" ] && [ "$(realpath "$old")" != "$(realpath -m "$notes")" ]; then
    if [ -e "$notes" ] || [ -L "$notes" ]; then
        if ! cmp -s "$old" "$notes"; then
            echo "Notes found in $old were not copied: $notes already holds notes."
        fi
    else
        # A copy beside the target that is renamed into place never leaves half a file there.
        copy=$(mktemp "$folder/.wydarzenia.json.XXXXXX")
        trap 'rm -f "$copy"' EXIT
        cp -p "$old" "$copy"
        mv -n "$copy" "$notes"
        echo "Copied your notes from $old to $notes; the old file stays where it was."
    fi
fi

cmake --install "$build" --component desktop --prefix "$data_home" >/dev/null
mkdir -p "$data_home/applications"
template=$(<src/zorvena.desktop.in)
exec_value=$(desktop_exec "$folder/Zorvena")
printf '%s\n' "${template//@EXEC@/"$exec_value"}" >"$desktop_entry.new"
mv "$desktop_entry.new" "$desktop_entry"
refresh_desktop_caches

echo "Zorvena is installed in $folder and listed in the application menu."
echo "Your notes are kept in $notes: copy that file to back them up."
