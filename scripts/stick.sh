#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zorvena developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Mounts a new 1 GiB exFAT volume at FOLDER, as a USB stick has (no hard links, no files without a
# name, no file modes): an image beside the folder, on a loop device, through FUSE. The tests then
# run in a folder on it; they find the file "exfat-volume" at its top. Where a volume cannot be made
# (not root, no /dev/fuse, no free loop device) it says why and exits 0: those tests skip.
# Unmounting detaches the loop device and removes the image, and never fails either.
# Usage: scripts/stick.sh mount FOLDER | scripts/stick.sh unmount FOLDER
set -uo pipefail
action=${1:-}
folder=${2:?usage: $0 mount|unmount FOLDER}
image=$folder.img

unmount() {
    if mountpoint -q "$folder"; then
        fusermount -u "$folder" 2>/dev/null || umount "$folder" || umount -l "$folder"
    fi
    local device
    for device in $(losetup -j "$image" -O NAME -n 2>/dev/null); do
        losetup -d "$device"
    done
    rm -f "$image"
}

skip() {
    echo "No exFAT volume, so the tests on one skip: $*"
    unmount
    exit 0
}

case "$action" in
    unmount) unmount; exit 0 ;;
    mount) ;;
    *) echo "usage: $0 mount|unmount FOLDER" >&2; exit 2 ;;
esac

unmount # what an earlier run that was cut short left
[ "$(id -u)" -eq 0 ] || skip "loop devices and mounts need root"
[ -c /dev/fuse ] || skip "no /dev/fuse"
command -v mkfs.exfat >/dev/null && command -v mount.exfat-fuse >/dev/null \
    || skip "exfatprogs and exfat-fuse are not installed"
mkdir -p "$folder"
truncate -s 1G "$image" && mkfs.exfat "$image" >/dev/null || skip "mkfs.exfat failed"
device=$(losetup -f --show "$image") || skip "no free loop device"
mount.exfat-fuse -o uid=0,gid=0 "$device" "$folder" >/dev/null 2>&1 || skip "mount.exfat-fuse failed"
touch "$folder/exfat-volume" || skip "the volume cannot be written"
echo "exFAT volume on $device mounted at $folder"
