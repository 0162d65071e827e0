#!/usr/bin/env bash
# scripts/test-windows.sh [linux build] [windows build]: the Windows stage
# of ./test. Cross-builds the program, the MIDI library and the unit tests
# for Windows in one configuration of the Windows build folder, runs the
# unit tests under wine (tests/windows.cmake: one run per test program),
# compares the .exe with the Linux build byte for byte
# (scripts/check-windows.sh), the window typed at under Xvfb against the
# Linux window (scripts/check-windows-window.sh), the Shift-JIS table with
# Windows' own (scripts/check_cp932_wine.sh), and makes the zip and the installer and
# installs, uses and removes it (scripts/package-windows.sh,
# scripts/check-windows-install.sh). The Linux build must be made first.
# Exit status 0 when all passed, 1 otherwise.
#
# Wine runs in prefixes of their own under the Windows build folder, made
# once, each with a persistent wineserver (each program would otherwise
# pay for starting one), stopped at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
linux_dir=${1:-build}
windows_dir=${2:-build-windows}
scripts/build-windows.sh "$windows_dir" -DSONOMOT_TESTS=ON -DSONOMOT_WERROR=ON </dev/null >/dev/null

source scripts/wine_prefix.sh
use_wine_prefix "$(realpath "$windows_dir")/wine" test-windows
stop_wine() {
  for prefix in "$WINEPREFIX" "$WINEPREFIX-window" "$WINEPREFIX-install"; do
    [ -d "$prefix" ] && WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  done
}
trap stop_wine EXIT
# Wine's services, started now with no output to keep: started by the
# first test, they would hold its output open and ctest would wait.
wineboot </dev/null >/dev/null 2>&1
# What earlier runs left in the prefix's temporary folder (a test's folder
# is named after its process, whose number wine gives again).
rm -rf "$WINEPREFIX"/drive_c/users/*/Temp/*

status=0
ctest --test-dir "$windows_dir" --output-on-failure -j "$(nproc)" </dev/null || status=1
scripts/check-windows.sh "$linux_dir" "$windows_dir" </dev/null >/dev/null || status=1
scripts/check-windows-window.sh "$linux_dir" "$windows_dir" </dev/null >/dev/null || status=1
scripts/check_cp932_wine.sh "$windows_dir/cp932" </dev/null || status=1
scripts/package-windows.sh "$windows_dir" </dev/null >/dev/null || status=1
scripts/check-windows-install.sh "$linux_dir" "$windows_dir" </dev/null || status=1
exit "$status"
