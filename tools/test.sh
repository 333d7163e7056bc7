#!/usr/bin/env bash
# Sets up the machine if needed, builds Tembril and its tests, and runs the
# whole suite under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
. tools/preset.sh
if [ "$preset" != win32 ]; then
    cmake --preset win32 >/dev/null
    cmake --build --preset win32 --target Tembril
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" "$@"
