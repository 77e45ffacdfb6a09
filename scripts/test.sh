#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zorvena developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds with warnings as errors, runs every test and a short benchmark;
# then builds the tests again with AddressSanitizer and UndefinedBehaviorSanitizer and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test

jobs=$(nproc)
scripts/build.sh build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
    -DZORVENA_BENCHMARK=ON
ctest --test-dir build-test --output-on-failure -j "$jobs"
scripts/figures.sh build-test
# The benchmark only measures; one short run proves that it still runs.
QT_QPA_PLATFORM=offscreen build-test/bench/bench --sizes 0,365 --repeat 2

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
scripts/build.sh build-sanitize -DCMAKE_BUILD_TYPE=Debug -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
    -DZORVENA_SANITIZE=ON
ctest --test-dir build-sanitize --output-on-failure -j "$jobs"
scripts/figures.sh build-sanitize
