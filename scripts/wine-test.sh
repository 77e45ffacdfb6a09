#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zorvena developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one test executable under Wine, for CTest. What a Windows program writes to a standard
# output that is not a terminal gets lost under Wine, so the test writes its log to a file, which is
# printed once it ends.
# Usage: scripts/wine-test.sh TEST.exe [test arguments]
set -u
log=$(mktemp)
trap 'rm -f "$log"' EXIT
wine "$@" -o "Z:$log,txt"
status=$?
cat "$log"
exit $status
