#!/usr/bin/env bash
# Renders the popup that F1 on a word in no list offers (option "suggest on
# miss") in the host stand-in under Xvfb, and saves it as a PNG (default
# docs/popup.png). Needs a built tree (cmake --build --preset win32).
# Usage: tools/popup-picture.sh [OUTPUT.png]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/preset.sh"
build=$root/$build
out=$(realpath -m "${1:-$root/docs/popup.png}")
prefix=$build/wineprefix-x11
"$root/tools/make-x11-prefix.sh" "$prefix"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/Addins" "$work/Help" "$(dirname "$out")"
cp "$build/Tembril.dll" "$root"/samples/*.kwl "$work/Addins/"
cp "$root"/samples/*.ini "$work/"
export WINEPREFIX=$prefix WINEDEBUG=-all LC_ALL=zh_CN.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
xvfb-run -a -s "-screen 0 1024x640x24" bash -c '
    set -eu
    "$TEMBRIL_WINE" "$1" -app "$("$TEMBRIL_WINE" winepath.exe -w "$2")" -options 17 -assembler Masm32 \
        -do "show; text    mov ecx, 3\n    pushf\n    jzz done; at pushf 2; popup hold; f1" \
        >"$2/out.txt" 2>&1 &
    host=$!
    for _ in $(seq 1 300); do grep -q "^popup:" "$2/out.txt" 2>/dev/null && break; sleep 0.1; done
    grep -q "^popup:" "$2/out.txt" || { echo "the popup did not show" >&2; cat "$2/out.txt" >&2; kill $host; exit 1; }
    sleep 0.5
    # The top left of the host window: the menu bar, the editor and the popup.
    at=$(sed -n "s/^show: [0-9]*x[0-9]*\([0-9+-]*\).*/\1/p" "$2/out.txt" | tr -d "\r")
    import -window root -crop "400x280$at" +repage "$3"
    kill $host || true
    wineserver -k || true
' picture "$build/testhost/testhost.exe" "$work" "$out"
echo "saved $out"
