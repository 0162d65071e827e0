#!/usr/bin/env bash
# scripts/package.sh [OUT_DIR]: builds the Debian source package and the
# binary packages sonomot-console and sonomot (dpkg-buildpackage -us -uc)
# and leaves them in OUT_DIR (default build/deb). The source package is
# 3.0 (quilt): an upstream tarball, sonomot_VERSION.orig.tar.xz, made here
# from this tree without debian/, and debian/ beside it. dpkg-buildpackage
# writes its packages beside the source tree and its work files inside it,
# so it runs in OUT_DIR/sonomot-VERSION, unpacked from that tarball: the
# source tree and its parent are left as they are. Needs the packages of
# debian/control's Build-Depends and debhelper (scripts/deps.sh --test).
set -euo pipefail
cd "$(dirname "$0")/.."
out="$(realpath -m "${1:-build/deb}")"
version="$(dpkg-parsechangelog -S Version)"
upstream="${version%-*}"
tree="sonomot-$upstream"
rm -rf "$out"
mkdir -p "$out/$tree"

# The upstream tree: the source without debian/, git's folder, build
# folders (any folder holding a CMakeCache.txt) and the folder the output
# goes into.
shopt -s dotglob nullglob
for entry in *; do
  [ "$entry" = .git ] && continue
  [ "$entry" = debian ] && continue
  [ -e "$entry/CMakeCache.txt" ] && continue
  [ "$(realpath -m "$entry")" = "$out" ] && continue
  case "$out/" in "$(realpath -m "$entry")/"*) continue ;; esac
  cp -a "$entry" "$out/$tree/"
done
# The same tree makes the same tarball: names sorted, owner and times
# fixed (the time of the changelog's latest entry).
tar --sort=name --owner=0 --group=0 --numeric-owner \
  --mtime="@$(dpkg-parsechangelog -S Timestamp)" \
  -C "$out" -cJf "$out/sonomot_$upstream.orig.tar.xz" "$tree"
cp -a debian "$out/$tree/"

# No debug-symbol packages: only the two packages are wanted. Without
# nocheck the tests are built and run too, which doubles the build.
export DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:-nocheck noddebs parallel=$(nproc)}"
case " $DEB_BUILD_OPTIONS " in
  *" nocheck "*) export DEB_BUILD_PROFILES="${DEB_BUILD_PROFILES:-nocheck}" ;;
esac
if command -v ccache >/dev/null 2>&1; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
cd "$out/$tree"
dpkg-buildpackage -us -uc
ls "$out"/*.deb
