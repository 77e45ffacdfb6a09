#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zorvena developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the README's first command as a new user meets it: in a Debian root that holds a minimal
# system and nothing else, scripts/run.sh installs what it needs itself, builds and installs the
# program and starts it on a virtual X server; the check passes once the program's window maps,
# and fails, with the end of what the command printed, when it stops before that. The minimal
# system is made once per machine with debootstrap, in /var/tmp/zorvena-minimal-RELEASE, and never
# changed: each check works in a copy of it, which goes at the end whatever happens, so nothing
# that an earlier check, the tests or the person at this machine installed can help the command.
# Usage: scripts/fresh-run.sh [RELEASE]...   (default: trixie bookworm, Debian 13 and 12)
# It runs as root (through sudo otherwise); the X server and its tools are this machine's.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(id -u)" -ne 0 ]; then
    exec sudo "$0" "$@"
fi
[ $# -gt 0 ] || set -- trixie bookworm
source scripts/roots.sh
source scripts/xvfb.sh
scripts/setup.sh screen

# How long the packages' download, the build and the start may take together.
limit=1800
work=
remove_work() {
    [ -n "$work" ] || return 0
    end_root "$work"
    rm -rf --one-file-system "$work"
}
check() {
    local release=$1 base=/var/tmp/zorvena-minimal-$1 started=$SECONDS
    local log=/var/tmp/zorvena-fresh-run-$1.log command
    make_minimal_root "$release" "$base"
    work=$base.check
    remove_work # what a check that was cut short left
    cp -a "$base" "$work"
    mount_system "$work"
    # The X server's socket, where programs inside look for it.
    mkdir -p "$work/tmp/.X11-unix"
    mount --bind /tmp/.X11-unix "$work/tmp/.X11-unix"
    copy_tree "$work/root/zorvena"

    echo "== scripts/run.sh in a minimal Debian $release"
    chroot "$work" /usr/bin/env -i HOME=/root LANG=C.UTF-8 DISPLAY="$DISPLAY" \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        bash -c 'cd /root/zorvena && scripts/run.sh /root/Zorvena' >"$log" 2>&1 &
    command=$!
    disown # it is killed at the end, which is no news
    local window=
    while [ -z "$window" ] && kill -0 $command 2>/dev/null && [ $((SECONDS - started)) -lt $limit ]; do
        sleep 1
        window=$(xdotool search --onlyvisible --name '^Zorvena 2.0$' 2>/dev/null | head -n 1 || true)
    done
    remove_work
    if [ -z "$window" ]; then
        tail -n 30 "$log" | sed 's/^/    /' >&2
        echo "In a minimal Debian $release, scripts/run.sh did not show the program's window" \
            "(after $((SECONDS - started)) s; all it printed is in $log)." >&2
        return 1
    fi
    rm -f "$log"
    echo "In a minimal Debian $release, scripts/run.sh installed what it needs, built the program" \
        "and showed its window in $((SECONDS - started)) s."
}

xvfb=
trap 'remove_work; kill $xvfb 2>/dev/null || true' EXIT
trap 'exit 1' INT TERM HUP # the clean-up above, also for a run that is stopped
start_xvfb :93 1024x768x24
for release in "$@"; do
    exec 8>"/var/tmp/zorvena-minimal-$release.lock"
    flock 8
    check "$release"
done
