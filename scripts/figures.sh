#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zorvena developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Prints what the crash and two-copies tests counted in a build's last CTest run (kills, saves,
# files left), and the runs they skipped, such as those on an exFAT volume where none was mounted.
# Usage: scripts/figures.sh BUILD_FOLDER
log=${1:?usage: $0 BUILD_FOLDER}/Testing/Temporary/LastTest.log
grep -ahE "QINFO .*(kills survived|saves reported)|SKIP .*(crashSafety|changesAtOnce)" "$log" \
    | sed -E 's/^[0-9]+: //; s/^(QINFO|SKIP) +: //' || true
