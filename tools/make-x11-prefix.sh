#!/usr/bin/env bash
# Makes a Wine prefix that draws on a display (the X11 driver; the tests'
# prefix draws nothing), with the Chinese texts readable: "宋体" (SimSun) is not
# on a Debian machine, so it is mapped to an installed CJK face, one without
# embedded bitmaps (Wine draws those of Zen Hei with strokes missing).
# Usage: tools/make-x11-prefix.sh PREFIX
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=$1
reg=$prefix.reg
mkdir -p "$(dirname "$prefix")"
{
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    printf '"宋体"="WenQuanYi Micro Hei"\r\n"SimSun"="WenQuanYi Micro Hei"\r\n"NSimSun"="WenQuanYi Micro Hei"\r\n\r\n'
    # Grey smoothing: without it the hinted strokes of small CJK glyphs drop out.
    printf '[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"FontSmoothing"="2"\r\n'
    printf '"FontSmoothingType"=dword:00000001\r\n"FontSmoothingGamma"=dword:00000578\r\n'
} | iconv -f UTF-8 -t UTF-16 >"$reg"
"$root/tools/make-wine-prefix.sh" "$prefix" "$reg"
