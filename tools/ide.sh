#!/usr/bin/env bash
# The host stand-in as a small IDE: the real Tembril.dll in testhost.exe with
# the sample lists and settings, on the display, the Chinese texts readable
# (the font mapping of tools/make-x11-prefix.sh, as for the dialog's picture).
# F1 in the editor asks for help; the log under the editor shows what each
# opener received: WinHelp's file and key, the command line of a started
# program or of H2Viewer.exe, the URL given to the browser. Sets the machine
# up and builds first, as tools/demo.sh does. Arguments go to testhost.exe
# (testhost/main.cpp lists them); -assembler Masm32 is the default.
#
#   bash tools/ide.sh                      # with a display
#   xvfb-run -a -s "-screen 0 1024x768x24" bash tools/ide.sh --shot docs/host.png
#
# --shot FILE: opens the dialog after two presses, saves a picture of the
# screen to FILE and ends (for a machine without a display, under Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
shot=
if [ "${1:-}" = "--shot" ]; then
    shot=$(realpath -m "$2")
    shift 2
    set -- -then "at jz 1; f1; select-text MessageBoxA; f1; at msg 1; f1; menu" "$@"
fi
[ -n "${DISPLAY:-}" ] || { echo "no display: run it under xvfb-run (see the usage above)" >&2; exit 1; }
bash tools/setup.sh
. "$root/tools/preset.sh"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target Tembril testhost H2Viewer lookup

build=$root/$build
ide=$build/ide
rm -rf "$ide"
mkdir -p "$ide/Addins" "$ide/Help" "$ide/Bin"
cp "$build/Tembril.dll" "$build/testhost/H2Viewer.exe" "$build/testhost/lookup.exe" samples/*.kwl "$ide/Addins/"
cp "$build/testhost/testhost.exe" samples/Varnok.ini samples/Masm32.ini samples/sample.asm "$ide/"
# The browser is the recorder too, so that a URL shows up in the log.
cp "$build/testhost/lookup.exe" "$ide/Bin/browser.exe"

prefix=$build/wineprefix-x11
"$root/tools/make-x11-prefix.sh" "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine() { LC_ALL=zh_CN.UTF-8 command "$TEMBRIL_WINE" "$@"; }  # code page 936 for the add-in's texts
app=$(wine winepath.exe -w "$ide")
for scheme in http https; do
    wine reg add "HKCR\\$scheme\\shell\\open\\command" /ve /d "\"$app\\Bin\\browser.exe\" \"%1\"" /f >/dev/null
done

has_assembler=no
for a in "$@"; do [ "$a" = -assembler ] && has_assembler=yes; done
[ $has_assembler = yes ] || set -- -assembler Masm32 "$@"

if [ -z "$shot" ]; then
    wine "$ide/testhost.exe" -app "$app" "$@"
    exit
fi
wine "$ide/testhost.exe" -app "$app" "$@" &
host=$!
# The dialog's caption, once it is up; a fixed wait where xwininfo is missing.
for _ in $(seq 1 120); do
    if command -v xwininfo >/dev/null; then
        xwininfo -root -tree 2>/dev/null | grep -q '配置帮助文件' && break
    elif [ "$_" -ge 20 ]; then
        break
    fi
    sleep 0.5
done
sleep 2
mkdir -p "$(dirname "$shot")"
# The host's window alone where xwininfo can find it, else the whole screen.
crop=$(xwininfo -name 'Varnok (Tembril 测试宿主)' 2>/dev/null |
    awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} /Width:/{w=$NF} /Height:/{h=$NF}
         END { if (w) printf "%dx%d+%d+%d", w, h, x, y }') || true
import -window root ${crop:+-crop "$crop" +repage} "$shot"
kill $host 2>/dev/null || true
wineserver -k || true
echo "saved $shot"
