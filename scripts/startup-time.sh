#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zorvena developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Times the program's start as a user sees it: from exec until its window is mapped on a virtual
# X server, with no note file and with 3 650 notes beside the executable (median of 10 after a
# warm-up), and its resident memory once the window is up; then a bare Qt window's, for comparison.
# Usage: scripts/startup-time.sh [runs]   (default 10)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}
scripts/setup.sh bench screen
scripts/build.sh build-bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DZORVENA_BENCHMARK=ON
cc -O2 -Wall -Wextra -o build-bench/maptimer bench/maptimer.c -lX11

work=$(mktemp -d)
source scripts/xvfb.sh
xvfb=
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
start_xvfb :98 1024x768x24

# Each run gets its own folder: the note file lives beside the executable.
for notes in 0 3650; do
    mkdir "$work/$notes"
    cp build-bench/src/Zorvena "$work/$notes/"
    if [ "$notes" -gt 0 ]; then
        QT_QPA_PLATFORM=offscreen build-bench/bench/bench --write-notes "$notes" \
            "$work/$notes/wydarzenia.json"
    fi
    echo "== $notes notes"
    build-bench/maptimer "$runs" "$work/$notes/Zorvena"
done
echo "== a bare Qt window"
build-bench/maptimer "$runs" build-bench/bench/barewindow
