#!/usr/bin/env bash
# scripts/check_cp932_wine.sh [folder] [--dump]: cross-builds
# tests/cp932_windows_check.cc with our Shift-JIS table for Windows
# (mingw-w64) and runs it under wine, which compares the table with
# Windows' own code page 932 conversion (exit 0: they agree). The program
# and a wine prefix go into the folder (default build-windows/cp932, in
# the Windows build folder that the source package leaves out), unless
# WINEPREFIX names one already.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build-windows/cp932}"
shift || true
mkdir -p "$dir"
exe="$dir/cp932_windows_check.exe"
x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -Wall -Wextra -static -I. \
  -o "$exe" tests/cp932_windows_check.cc midilib/cp932.cc
export WINEPREFIX
WINEPREFIX="${WINEPREFIX:-$(cd "$dir" && pwd)/wineprefix}"
export WINEDEBUG=-all
# The first run makes the prefix; what wine says about that goes to
# standard error, the comparison to standard output.
wine "$exe" "$@" | tr -d '\r'
