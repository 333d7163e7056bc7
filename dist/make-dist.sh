#!/usr/bin/env bash
# Makes the user's package in dist/Tembril/: the DLL as built, the list
# author's tool kwltool.exe, the sample keyword lists, the install note with Windows line ends. Built files are
# never committed; this script remakes them.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Tembril kwltool
out=dist/Tembril
rm -rf "$out"
mkdir -p "$out"
cp build/win32/Tembril.dll build/win32/kwltool/kwltool.exe samples/*.kwl "$out/"
# Code page 936 like the add-in's own texts, for the users' Notepad.
iconv -f UTF-8 -t GBK dist/INSTALL.txt | sed 's/$/\r/' >"$out/INSTALL.txt"
echo "Package in $out:"
ls -l "$out" | tail -n +2 | sed 's/^/  /'
