#!/usr/bin/env bash
# scripts/package.sh [OUT_DIR]: builds the Debian packages sonomot-console and
# sonomot (dpkg-buildpackage -us -uc -b) and leaves them in OUT_DIR (default
# build/deb). dpkg-buildpackage writes its packages beside the source tree
# and its work files inside it, so it runs in a copy, OUT_DIR/source: the
# source tree and its parent are left as they are. Needs the packages of
# debian/control's Build-Depends and debhelper (scripts/deps.sh --test).
set -euo pipefail
cd "$(dirname "$0")/.."
out="$(realpath -m "${1:-build/deb}")"
rm -rf "$out"
mkdir -p "$out/source"

# The source without git's folder, build folders (any folder holding a
# CMakeCache.txt) and the folder the output goes into.
shopt -s dotglob nullglob
for entry in *; do
  [ "$entry" = .git ] && continue
  [ -e "$entry/CMakeCache.txt" ] && continue
  [ "$(realpath -m "$entry")" = "$out" ] && continue
  case "$out/" in "$(realpath -m "$entry")/"*) continue ;; esac
  cp -a "$entry" "$out/source/"
done

# No debug-symbol packages: only the two packages are wanted.
export DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:-nocheck noddebs parallel=$(nproc)}"
if command -v ccache >/dev/null 2>&1; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
cd "$out/source"
dpkg-buildpackage -us -uc -b
ls "$out"/*.deb
