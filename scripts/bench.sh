#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zorvena developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds an optimised copy of the program into build-bench and runs the benchmark on it.
# Usage: scripts/bench.sh [benchmark options]   e.g. --sizes 0,365 --repeat 20 --json bench.json
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh bench
scripts/build.sh build-bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DZORVENA_BENCHMARK=ON
QT_QPA_PLATFORM=offscreen build-bench/bench/bench "$@"
