#!/usr/bin/env bash
# scripts/test-windows.sh [linux build] [windows build]: the Windows stage
# of ./test. Cross-builds the program and its unit tests for Windows,
# runs the tests under wine, then compares the Windows program with the
# Linux build byte for byte (scripts/check-windows.sh). The Linux build
# must be made first. Exit status 0 when all passed, 1 otherwise.
#
# Wine runs in a prefix of its own under the Windows build folder, made
# once, with a persistent wineserver started first (each program would
# otherwise pay for starting one) and stopped at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
linux_dir=${1:-build}
windows_dir=${2:-build-windows}
scripts/build-windows.sh "$windows_dir" -DSONOMOT_TESTS=ON -DSONOMOT_WERROR=ON </dev/null >/dev/null

export WINEPREFIX=$(realpath "$windows_dir")/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -e "$WINEPREFIX/system.reg" ]; then
  echo "test-windows: making the wine prefix $WINEPREFIX (once)" >&2
  wineboot -i >/dev/null 2>&1
fi
wineserver -p 2>/dev/null || true  # fails only when one runs already
# Wine's services, started now with no output to keep: started by the
# first test, they would hold its output open and ctest would wait.
wineboot </dev/null >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null || true' EXIT
# What earlier runs left in the prefix's temporary folder (a test's folder
# is named after its process, whose number wine gives again).
rm -rf "$WINEPREFIX"/drive_c/users/*/Temp/*

status=0
ctest --test-dir "$windows_dir" --output-on-failure -j "$(nproc)" </dev/null || status=1
scripts/check-windows.sh "$linux_dir" "$windows_dir" </dev/null || status=1
exit "$status"
