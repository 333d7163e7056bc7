#!/usr/bin/env bash
# Sets up the machine if needed, builds Tembril and shows what was built.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32
dll=build/win32/Tembril.dll
echo
echo "Built $dll ($(stat -c %s "$dll") bytes)"
i686-w64-mingw32-objdump -p "$dll" | grep -E "DLL Name|^\s+\[ *[0-9]+\]" | sed 's/^/  /'
