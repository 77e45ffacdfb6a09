#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh run
scripts/build.sh build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
exec build/src/Zorvena "$@"
