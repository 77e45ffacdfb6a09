# SPDX-FileCopyrightText: 2026 The Zorvena developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the scripts that run the project in a Debian root of its own on this machine
# (debian13.sh, fresh-run.sh): making a minimal root, and ending everything that runs or is mounted
# in one. They run as root.

# The machine's archive, and its security archive where it has one.
apt_sources=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
    /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
archive_of() { # archive_of PATH: the first archive of the sources whose address ends in PATH
    grep -oE "^(URIs:|deb) +[a-z]+://[^ ]+/$1/?( |\$)" <<<"$apt_sources" | head -n 1 \
        | awk '{print $2}'
}

# make_minimal_root RELEASE DIR: a minimal Debian system (debootstrap's minbase) of RELEASE in DIR,
# whose apt takes its packages from the machine's archive; made beside DIR and moved into place
# whole, so that DIR is either complete or missing. A DIR already made is kept as it is.
make_minimal_root() {
    local release=$1 dir=$2 archive security
    [ -e "$dir/.zorvena-root" ] && return
    archive=$(archive_of debian)
    security=$(archive_of debian-security)
    [ -n "$archive" ] || { echo "no Debian archive in the apt sources" >&2; return 1; }
    scripts/setup.sh root
    echo "Making a Debian $release root in $dir from $archive"
    rm -rf --one-file-system "$dir.new"
    debootstrap --variant=minbase "$release" "$dir.new" "$archive" >"$dir.log" 2>&1 \
        || { tail -n 20 "$dir.log" >&2; return 1; }
    {
        echo "deb $archive $release main"
        echo "deb $archive $release-updates main"
        [ -z "$security" ] || echo "deb $security $release-security main"
    } >"$dir.new/etc/apt/sources.list"
    touch "$dir.new/.zorvena-root"
    rm -rf --one-file-system "$dir"
    mv "$dir.new" "$dir"
}

# mount_system DIR: what programs in the root DIR expect of a running system, and the name server.
mount_system() {
    local dir=$1
    cp -L /etc/resolv.conf "$dir/etc/resolv.conf"
    mount -t proc proc "$dir/proc"
    mount -t sysfs sys "$dir/sys"
    mount --rbind /dev "$dir/dev"
    mount --make-rslave "$dir/dev"
}

# end_root DIR: ends every process whose root is DIR, unmounts everything below DIR (the tests' own
# volumes included, deepest first) and detaches the loop devices of images inside it. A mount that
# another one hides is reached only once that one has gone, hence the passes.
end_root() {
    local dir=$1 process mount device pass
    for process in /proc/[0-9]*; do
        if [ "$(readlink "$process/root" 2>/dev/null)" = "$dir" ]; then
            kill -9 "${process#/proc/}" 2>/dev/null || true
        fi
    done
    for pass in 1 2 3 4 5; do
        [ -n "$(mounts_below "$dir")" ] || break
        for mount in $(mounts_below "$dir" | sort -r); do
            umount "$mount" 2>/dev/null || umount -l "$mount" 2>/dev/null || true
        done
    done
    for device in $(losetup -n -O NAME,BACK-FILE 2>/dev/null | awk -v dir="$dir" \
        'index($2, dir "/") == 1 { print $1 }'); do
        losetup -d "$device" 2>/dev/null || true
    done
}
mounts_below() { awk -v dir="$1" 'index($2, dir "/") == 1 { print $2 }' /proc/mounts; }

# copy_tree DIR: the working tree as it is (its tracked and new files; a tracked file deleted and
# not yet committed stays out) into DIR.
copy_tree() {
    mkdir -p "$1"
    git ls-files -z --cached --others --exclude-standard | while IFS= read -r -d '' file; do
        if [ -e "$file" ] || [ -L "$file" ]; then
            printf '%s\0' "$file"
        fi
    done | tar --null -T - -c | tar -x -C "$1"
}
