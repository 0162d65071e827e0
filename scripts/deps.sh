#!/usr/bin/env bash
# Installs the Debian packages Sonomot needs to build, run and test, and only
# those that are missing. Never reads standard input: the program started
# after it gets all of it.
set -euo pipefail

# build and run; dpkg-dev finds the libraries the .deb must depend on
packages=(g++ cmake make pkg-config libgtest-dev libbenchmark-dev
          libncurses-dev qt6-base-dev fonts-dejavu-core dpkg-dev)
# the window's Japanese glyphs (track names, messages): MS Gothic's twin
packages+=(fonts-ipafont-gothic)
# tests only: the independent MIDI reader, the terminal driver, the fuzzer's
# compiler and runtime, node for the independent VMD reader, the SVG renderer
# that checks the icon's PNG sizes against their SVG source, groff and mandoc
# that render and lint the manual pages, desktop-file-utils that checks the
# desktop entry, debhelper that builds the Debian packages and lintian that
# checks them, e2fsprogs whose mkfs.ext4 makes the small full disk an
# export in place meets; the Windows build and its tests: mingw-w64's g++
# with POSIX threads (std::thread) that cross-builds the .exe, the DLL,
# the unit tests and the check of the Shift-JIS table against Windows' own
# (scripts/check_cp932_wine.sh), googletest's source that those tests are
# built with (libgtest-dev brings it too), wine and wine64 that run them
# here, nsis that makes the installer; icoutils whose icotool packs the
# icon's PNG sizes into the .exe's icon, xdotool that types at the Windows
# window under Xvfb and imagemagick that takes its screenshot
if [ "${1:-}" = "--test" ]; then
  packages+=(midicsv tmux clang libclang-rt-14-dev xvfb xauth qt6-svg-dev
             groff-base mandoc desktop-file-utils debhelper lintian e2fsprogs
             g++-mingw-w64-x86-64-posix wine wine64 googletest nsis
             icoutils xdotool imagemagick)
  command -v node >/dev/null 2>&1 || packages+=(nodejs)
  command -v npm >/dev/null 2>&1 || packages+=(npm)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "sonomot: installing ${missing[*]}" >&2
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update </dev/null >&2
  $sudo apt-get install -y --no-install-recommends "${missing[@]}" </dev/null >&2
fi
