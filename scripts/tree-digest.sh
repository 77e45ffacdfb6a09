#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zorvena developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Prints one SHA-256 for a folder's files: of the sorted list of their paths and SHA-256s, so it
# changes when any file's bytes or name do, and not with times, owners or modes.
# Usage: scripts/tree-digest.sh FOLDER
set -euo pipefail
cd "${1:?usage: $0 FOLDER}"
find . -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum | sha256sum | cut -d' ' -f1
