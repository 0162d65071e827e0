#!/usr/bin/env bash
# scripts/build-windows.sh [build folder] [cmake options...]: cross-builds
# sonomot-console.exe, sonomot.exe (the window, drawn with Win32 itself)
# and MIDIData.dll for 64-bit Windows with Debian's mingw-w64 (scripts/
# deps.sh --test installs it, and icoutils for the icon), into
# build-windows/ unless told otherwise, and prints where they are. No Qt
# and no full-screen terminal here: Qt and ncurses are Linux's.
# With -DSONOMOT_TESTS=ON it builds the unit tests too (GoogleTest from
# Debian's source); scripts/test-windows.sh runs them under wine.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build-windows}"
[ "$#" -gt 0 ] && shift
cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
      -DSONOMOT_WITH_QT=OFF -DSONOMOT_WITH_CURSES=OFF \
      -DSONOMOT_TESTS=OFF "$@" >/dev/null
targets=(--target sonomot-console sonomot MIDIData)
for option in "$@"; do
  [ "$option" = -DSONOMOT_TESTS=ON ] && targets=()  # everything, the tests too
done
cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
echo "sonomot-console.exe: $(realpath "$dir/bin/sonomot-console.exe")"
echo "sonomot.exe: $(realpath "$dir/bin/sonomot.exe")"
echo "MIDIData.dll: $(realpath "$dir/bin/MIDIData.dll")"
