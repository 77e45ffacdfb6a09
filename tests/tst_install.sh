#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zorvena developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs, updates and uninstalls the program from the given build tree with a home folder and an
# install folder of its own, and checks that the user's notes come through every step unchanged.
# Usage: tst_install.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source_dir=$1
work=$(mktemp -d)
cleanup() {
    [ -n "${program:-}" ] && kill "$program" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# The scripts look for an earlier version's notes in the build tree's src/, where a user may keep
# real ones: the test installs from a tree of its own, links to the given one's files but for
# that note file, so that the notes it puts there and removes are its own.
build=$work/build
mkdir -p "$build/src"
for file in "$(realpath "$2")"/* "$(realpath "$2")"/src/*; do
    case "$file" in
        */src | */src/wydarzenia.json) ;;
        */src/*) ln -s "$file" "$build/src/" ;;
        *) ln -s "$file" "$build/" ;;
    esac
done
old_notes=$build/src/wydarzenia.json

export HOME=$work/home
unset XDG_DATA_HOME
export ZORVENA_BUILD=$build
mkdir -p "$HOME"
data=$HOME/.local/share
entry=$data/applications/zorvena.desktop
# A space, a Polish letter and the characters a desktop entry reserves.
folder="$work/Mój \$dziennik & \"notatki\" \`100%\`"

passed=0
failed=0
check() { # check NAME COMMAND...: runs the command and counts the outcome
    local name=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $name"
    fi
}
not() { ! "$@"; }
run_install() { "$source_dir/scripts/install.sh" "$@" >"$work/out" 2>&1; }
run_uninstall() { "$source_dir/scripts/uninstall.sh" "$@" >"$work/out" 2>&1; }
said() { grep -qF -- "$1" "$work/out" || { cat "$work/out"; false; }; }
same_files() { cmp -s "$1" "$2"; }

# Starts the installed program headless and waits for it to log that it read its note file.
starts_and_reads_notes() {
    QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work "$folder/Zorvena" >"$work/log" 2>&1 &
    program=$!
    local found=1
    for _ in $(seq 600); do
        # The log quotes the folder and escapes the quotes in it.
        if sed 's/\\\(["\\]\)/\1/g' "$work/log" | grep -qxF "\"$folder\"" \
            && grep -qx "No Error" "$work/log"; then
            found=0
            break
        fi
        sleep 0.1
    done
    kill "$program" 2>/dev/null
    wait "$program" 2>/dev/null
    program=
    return $found
}

# The Exec value, unquoted as the desktop reads it, is the installed executable.
exec_is_installed() {
    local exec
    exec=$(sed -n 's/^Exec=//p' "$entry")
    exec=${exec//%%/%}
    exec=${exec//\\\\/\\}
    exec=${exec#\"}
    exec=${exec%\"}
    exec=$(printf '%s' "$exec" | sed -e 's/\\\(["`$\\]\)/\1/g')
    [ "$exec" = "$folder/Zorvena" ] || { echo "Exec gives: $exec"; false; }
}

icons_are_pngs() {
    local size file
    for size in 16 24 32 48 64 128 256; do
        file=$data/icons/hicolor/${size}x${size}/apps/zorvena.png
        [ "$(head -c 8 "$file" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || return 1
        # The header chunk's width and height, big-endian.
        [ "$(od -An -tu1 -j16 -N8 "$file" | tr -s ' ' | sed 's/^ //')" = \
            "0 0 $((size / 256)) $((size % 256)) 0 0 $((size / 256)) $((size % 256))" ] || return 1
    done
}

only_program_and_notes() {
    [ "$(cd "$folder" && ls -A | LC_ALL=C sort | tr '\n' ' ')" = "LICENSE Zorvena wydarzenia.json " ]
}

# Failures end the script before anything changes.
touch "$work/a-file"
check "a file as the folder is refused" not run_install "$work/a-file"
check "it says why" said "is not a folder"
check "a folder under a file is refused" not run_install "$work/a-file/sub"
check "a backslash in the name is refused" not run_install "$work/a\\b"
check "nothing was installed" test -z "$(ls -A "$HOME")"
check "no folder was made" test ! -e "$work/a\\b"

# First install: the notes an earlier version kept in the build tree move in.
printf '%s' '{"2024/05/14":"stara notatka"}' >"$old_notes"
check "install" run_install "$folder"
check "the executable is at the top of the folder" test -x "$folder/Zorvena"
check "the licence lies beside it" same_files "$source_dir/LICENSE" "$folder/LICENSE"
check "old notes are copied" same_files "$old_notes" "$folder/wydarzenia.json"
check "the script says where the notes are" said "Copied your notes from $old_notes"
check "nothing else is installed in the folder" only_program_and_notes
check "the program finds the note file beside it" starts_and_reads_notes
check "the desktop entry validates" desktop-file-validate "$entry"
check "Exec starts the installed executable" exec_is_installed
check "the entry names the icon and window class" grep -qx "Icon=zorvena" "$entry"
check "the entry names the window class" grep -qx "StartupWMClass=Zorvena" "$entry"
check "seven PNG icons of their sizes" icons_are_pngs

# Updating, also while the program runs, never touches the notes, nor takes older ones over them.
printf '%s' '{"2024/05/14":"nowsza"}' >"$folder/wydarzenia.json"
cp -p "$folder/wydarzenia.json" "$work/before"
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work "$folder/Zorvena" >/dev/null 2>&1 &
program=$!
check "install again" run_install "$folder"
kill "$program" 2>/dev/null
wait "$program" 2>/dev/null
program=
check "the notes are byte-identical" same_files "$work/before" "$folder/wydarzenia.json"
check "older notes are not copied over them" said "were not copied"
check "the updated program runs" starts_and_reads_notes

# Uninstalling removes the program, the entry and the icons, and keeps the notes.
check "uninstall" run_uninstall "$folder"
check "the program is gone" test ! -e "$folder/Zorvena"
check "its licence too" test ! -e "$folder/LICENSE"
check "the entry is gone" test ! -e "$entry"
check "the icons are gone" test -z "$(find "$data/icons" -name zorvena.png)"
check "the notes stay" same_files "$work/before" "$folder/wydarzenia.json"
check "the script says so" said "Your notes stay in $folder/wydarzenia.json"

# The default folder is ~/Zorvena, and a plain path goes into Exec as it is.
rm -f "$old_notes"
check "install into ~/Zorvena" run_install
check "a plain Exec" grep -qx "Exec=$HOME/Zorvena/Zorvena" "$entry"
check "the entry validates" desktop-file-validate "$entry"
check "uninstall ~/Zorvena" run_uninstall
check "an empty folder goes too" test ! -e "$HOME/Zorvena"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
