#!/usr/bin/env bash
# Installs what is missing, builds the program, installs it into a folder of its own with a menu
# entry (scripts/install.sh) and starts it from there.
# Usage: scripts/run.sh [FOLDER]   (default: ~/Zorvena)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/install-common.sh
[ $# -le 1 ] || { echo "usage: scripts/run.sh [FOLDER]" >&2; exit 2; }
folder=$(install_folder "${1:-}")
scripts/install.sh "$folder"
exec "$folder/Zorvena"
