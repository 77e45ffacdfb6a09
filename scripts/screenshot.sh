#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zorvena developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the program under a virtual X server and saves a picture of its screen.
# Usage: scripts/screenshot.sh [output.png]   (default: docs/screenshot.png)
# It builds into a folder of its own, so the note file it shows is not the user's.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/screenshot.png}")
scripts/setup.sh run screen
scripts/build.sh build-shot -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF

source scripts/xvfb.sh
xvfb=
program=
trap 'kill $program $xvfb 2>/dev/null || true' EXIT
start_xvfb :97 820x660x24

build-shot/src/Zorvena &
program=$!
window=$(xdotool search --sync --onlyvisible --name '^Zorvena 2.0$' | head -n 1)
xdotool windowmove "$window" 24 24
sleep 1.5 # past the first clock tick
mkdir -p "$(dirname "$out")"
import -window root "$out"
echo "saved $out"
