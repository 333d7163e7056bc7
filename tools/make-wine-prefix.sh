#!/bin/sh
# Makes a headless Wine prefix for the tests, once: no Mono or Gecko prompts,
# the null graphics driver (read when the desktop starts, so it goes in before
# anything runs), and the tests' registry settings.
# Usage: make-wine-prefix.sh PREFIX REGFILE
set -eu
prefix=$1
regfile=$2
wine=${TEMBRIL_WINE:-wine}
[ -f "$prefix/.tembril-ready" ] && exit 0
mkdir -p "$(dirname "$prefix")"
lock="$prefix.lock"
# Several tests may ask at once: the first makes it, the others wait.
while ! mkdir "$lock" 2>/dev/null; do
    [ -f "$prefix/.tembril-ready" ] && exit 0
    sleep 1
done
trap 'rmdir "$lock"' EXIT
[ -f "$prefix/.tembril-ready" ] && exit 0
rm -rf "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=zh_CN.UTF-8
unset DISPLAY
timeout -k 5 180 "$wine" wineboot.exe -i >/dev/null 2>&1
timeout -k 5 60 wineserver -w
timeout -k 5 60 "$wine" reg import "$regfile" >/dev/null 2>&1
timeout -k 5 60 wineserver -w
touch "$prefix/.tembril-ready"
