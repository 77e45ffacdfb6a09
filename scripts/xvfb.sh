# SPDX-FileCopyrightText: 2026 The Zorvena developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the scripts that run the program on a virtual X server.
# start_xvfb DISPLAY SIZE: starts the server, sets xvfb to its process and DISPLAY to it, and
# waits until it answers.
start_xvfb() {
    Xvfb "$1" -screen 0 "$2" -nolisten tcp &
    xvfb=$!
    export DISPLAY=$1
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return; sleep 0.1; done
    echo "the virtual X server $1 did not start" >&2
    return 1
}
