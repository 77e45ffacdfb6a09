#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zorvena developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Removes the program installed by scripts/install.sh, its menu entry and its icons. The note
# file stays where it is.
# Usage: scripts/uninstall.sh [FOLDER]   (default: ~/Zorvena)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/install-common.sh
take_folder_argument "$@"

if [ -f "$folder/Zorvena" ]; then
    rm -f "$folder/Zorvena" "$folder/LICENSE"
    echo "Removed $folder/Zorvena."
else
    echo "There is no program in $folder."
fi

# The menu entry and the icons go only with the install the entry starts.
if [ -f "$desktop_entry" ]; then
    if grep -qxF "Exec=$(desktop_exec "$folder/Zorvena")" "$desktop_entry"; then
        rm -f "$desktop_entry"
        for size in "${icon_sizes[@]}"; do
            rm -f "$data_home/icons/hicolor/${size}x${size}/apps/zorvena.png"
        done
        refresh_desktop_caches
        echo "Removed the menu entry and the icons."
    else
        echo "The menu entry starts another install of Zorvena, so it stays: $desktop_entry"
    fi
fi

if [ -e "$notes" ] || [ -L "$notes" ]; then
    echo "Your notes stay in $notes."
else
    rmdir "$folder" 2>/dev/null || true
fi
