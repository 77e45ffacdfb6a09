# SPDX-FileCopyrightText: 2026 The Zorvena developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by install.sh, uninstall.sh and run.sh: where the program and its desktop files go.

# install_folder [FOLDER]: the absolute install folder, ~/Zorvena unless one is named.
install_folder() {
    local folder=${1:-$HOME/Zorvena}
    # CMake reads a backslash as a path separator, and a desktop entry cannot hold a line break.
    case "$folder" in
        *\\* | *$'\n'* | *$'\t'* | *$'\r'*)
            echo "The folder's name must not hold a backslash, a line break or a tab: $folder" >&2
            return 1
            ;;
    esac
    realpath -m -- "$folder"
}

# take_folder_argument "$@": a script's one optional argument, the install folder; sets folder and
# notes, the note file in it.
take_folder_argument() {
    [ $# -le 1 ] || { echo "usage: $0 [FOLDER]" >&2; exit 2; }
    folder=$(install_folder "${1:-}")
    notes=$folder/wydarzenia.json
}

# Where the desktop looks for the current user's menu entries and icons.
data_home=${XDG_DATA_HOME:-$HOME/.local/share}
desktop_entry=$data_home/applications/zorvena.desktop
icon_sizes=(16 24 32 48 64 128 256)

# desktop_exec PATH: the path as a desktop entry's Exec value. A path with characters the entry
# reserves goes in double quotes with \ " ` $ escaped; the key file's own escaping then doubles
# every backslash, and a % is written %%.
desktop_exec() {
    local path=$1
    if [[ $path =~ ^[A-Za-z0-9/._+-]+$ ]]; then
        printf '%s' "$path"
        return
    fi
    local quoted=${path//\\/\\\\}
    quoted=${quoted//\"/\\\"}
    quoted=${quoted//\`/\\\`}
    quoted=${quoted//\$/\\\$}
    quoted="\"$quoted\""
    quoted=${quoted//\\/\\\\}
    printf '%s' "${quoted//%/%%}"
}

# Lets the desktop see a changed menu entry or icon at once; the tools are not always there.
refresh_desktop_caches() {
    if command -v update-desktop-database >/dev/null; then
        update-desktop-database -q "$data_home/applications" 2>/dev/null || true
    fi
    if command -v gtk-update-icon-cache >/dev/null && [ -d "$data_home/icons/hicolor" ]; then
        gtk-update-icon-cache -q -t -f "$data_home/icons/hicolor" 2>/dev/null || true
    fi
}
