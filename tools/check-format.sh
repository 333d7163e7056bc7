#!/usr/bin/env bash
# Fails, naming each file, when a C++ file of the tree is not as .clang-format has it.
# The import samples are inputs written as list authors' sources are, not our code.
set -euo pipefail
cd "$(dirname "$0")/.."
format=$(command -v clang-format-14 || command -v clang-format)
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files '*.cpp' '*.h' ':!tests/kwltool/import/*')
else
    mapfile -t files < <(find . \( -path ./build -o -path ./tests/kwltool/import \) -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
fi
bad=0
for f in "${files[@]}"; do
    [ -f "$f" ] || continue
    if ! "$format" --dry-run -Werror "$f" >/dev/null 2>&1; then
        echo "not formatted: $f (clang-format -i $f)"
        bad=1
    fi
done
exit $bad
