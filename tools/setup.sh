#!/usr/bin/env bash
# Installs what building and testing need on a Debian machine, as root.
# Does nothing when everything is already there. The 64-bit Wine and compiler
# serve machines whose kernel refuses 32-bit code: there the suite runs a
# 64-bit build of the same sources (tools/test.sh says so when it does).
set -euo pipefail

need=(cmake make clang clang-format libclang-rt-14-dev python3 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
      wine wine32:i386 wine64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 googletest xvfb xauth fonts-wqy-zenhei fonts-wqy-microhei x11-apps imagemagick)

missing=()
for p in "${need[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
