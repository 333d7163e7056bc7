#!/usr/bin/env bash
# Renders the configuration dialog under Xvfb, with real CJK fonts, and saves
# it as a PNG (default docs/dialog.png). Needs a built tree (cmake --build --preset win32).
# Usage: tools/dialog-picture.sh [OUTPUT.png]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/preset.sh"
build=$root/$build
out=$(realpath -m "${1:-$root/docs/dialog.png}")
program=$build/tests/dialog/dialog_picture.exe
[ -f "$program" ] || { echo "build first: $program is missing" >&2; exit 1; }

# A prefix of its own that draws, with the CJK font mapping.
prefix=$build/wineprefix-x11
"$root/tools/make-x11-prefix.sh" "$prefix"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$(dirname "$out")"
export WINEPREFIX=$prefix WINEDEBUG=-all LC_ALL=zh_CN.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
xvfb-run -a -s "-screen 0 1024x600x24" bash -c '
    set -eu
    "$TEMBRIL_WINE" "$1" "$("$TEMBRIL_WINE" winepath.exe -w "$2/ready")" "$("$TEMBRIL_WINE" winepath.exe -w "$2/done")" &
    shown=$!
    for _ in $(seq 1 300); do [ -s "$2/ready" ] && break; sleep 0.1; done
    [ -s "$2/ready" ] || { echo "the dialog did not show" >&2; kill $shown; exit 1; }
    import -window root -crop "$(tr -d "\r\n" <"$2/ready")" +repage "$3"
    touch "$2/done"
    wait $shown
    wineserver -k || true
' picture "$program" "$work" "$out"
echo "saved $out"
