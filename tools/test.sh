#!/usr/bin/env bash
# Sets up the machine if needed, builds Tembril and its tests, and runs the
# whole suite under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32
ctest --preset win32 "$@"
