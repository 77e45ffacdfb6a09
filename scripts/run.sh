#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zorvena developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds the program, installs it into a folder of its own with a menu
# entry (scripts/install.sh) and starts it from there.
# Usage: scripts/run.sh [FOLDER]   (default: ~/Zorvena)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/install-common.sh
take_folder_argument "$@"
scripts/install.sh "$folder"
exec "$folder/Zorvena"
