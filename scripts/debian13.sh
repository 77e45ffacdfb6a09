#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zorvena developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command of the project in Debian 13 (trixie), in a root of its own on this machine: the
# Debian 13 tests, and the Windows build, which needs Debian 13's MinGW-w64 and Qt 6.8's host tools.
# The root is made once per machine with debootstrap, from the Debian archive that the machine's own
# apt sources name, into /var/tmp/zorvena-debian13, and reused; what the command needs, it installs
# there itself (scripts/setup.sh). The command runs in a fresh copy of this working tree (its
# tracked and new files, as they are) at the same path inside the root, where ../shared and the
# machine's ~/.cache/zorvena are mounted as here; its earlier build folders there are kept.
# Usage: scripts/debian13.sh [--bind FOLDER]... [--bring FILE]... COMMAND [ARGUMENTS]
#   --bind FOLDER  also mounts FOLDER, read-only, at its own path inside the root
#   --bring FILE   copies FILE (a path in the tree) back here once the command succeeded
# e.g. scripts/debian13.sh scripts/test.sh. It runs as root (through sudo otherwise), and leaves
# nothing mounted and no loop device attached when it ends, whatever happens.
set -euo pipefail
cd "$(dirname "$0")/.."
# What a build takes from its commit, which the copy inside has no history to tell.
passed=()
for variable in SOURCE_DATE_EPOCH ZORVENA_COMMIT; do
    [ -z "${!variable:-}" ] || passed+=("$variable=${!variable}")
done
if [ "$(id -u)" -ne 0 ]; then
    exec sudo env ${passed[@]+"${passed[@]}"} "$0" "$@"
fi
tree=$PWD
binds=()
brings=()
while [ $# -gt 0 ]; do
    case "$1" in
        --bind) binds+=("$(realpath "${2:?--bind needs a folder}")"); shift 2 ;;
        --bring) brings+=("${2:?--bring needs a file}"); shift 2 ;;
        *) break ;;
    esac
done
if [ $# -eq 0 ]; then
    echo "usage: $0 [--bind FOLDER]... [--bring FILE]... COMMAND [ARGUMENTS]" >&2
    exit 2
fi
[ -d ../shared ] && binds+=("$(realpath ../shared)")
cache=${XDG_CACHE_HOME:-$HOME/.cache}/zorvena
mkdir -p "$cache"
root=/var/tmp/zorvena-debian13
# One run at a time: each one's clean-up ends whatever runs in the root and unmounts all below it.
exec 8>"$root.lock"
flock 8

source scripts/roots.sh
cleanup() { end_root "$root"; }
cleanup # what a run that was cut short left, before anything below the root is removed
trap cleanup EXIT
make_minimal_root trixie "$root"
mount_system "$root"
mkdir -p "$root$cache"
mount --bind "$cache" "$root$cache"
# A folder before the folders inside it, so that each is mounted where the command looks.
if [ ${#binds[@]} -gt 0 ]; then
    mapfile -t binds < <(printf '%s\n' "${binds[@]}" | LC_ALL=C sort -u)
fi
for folder in ${binds[@]+"${binds[@]}"}; do
    mkdir -p "$root$folder"
    mount --bind "$folder" "$root$folder"
    mount -o remount,ro,bind "$root$folder"
done

# A fresh copy of the tree; the build folders stay for a quicker build. Copies of trees that are
# gone here, such as a clone in a temporary folder, go from the root too.
trees=$root/.zorvena-trees
touch "$trees"
{
    echo "$tree"
    while read -r copied; do
        if [ -d "$copied" ]; then
            echo "$copied"
        elif [ "${copied#/*/}" != "$copied" ]; then
            rm -rf --one-file-system "$root$copied"
        fi
    done <"$trees"
} | LC_ALL=C sort -u >"$trees.new"
mv "$trees.new" "$trees"
inside=$root$tree
mkdir -p "$inside"
find "$inside" -mindepth 1 -maxdepth 1 ! -name 'build*' -exec rm -rf --one-file-system {} +
copy_tree "$inside"

quoted=$(printf '%q ' "$@")
chroot "$root" /usr/bin/env -i HOME="$HOME" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    TERM="${TERM:-dumb}" XDG_CACHE_HOME="${XDG_CACHE_HOME:-}" \
    ${passed[@]+"${passed[@]}"} \
    bash -c "cd $(printf '%q' "$tree") && $quoted"
for file in ${brings[@]+"${brings[@]}"}; do
    mkdir -p "$(dirname "$file")"
    cp -a "$inside/$file" "$file"
done
