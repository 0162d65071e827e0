#!/usr/bin/env bash
# scripts/fresh_root.sh [DEB_DIR]: installs the Debian packages in a fresh,
# minimal Debian 12 root (mmdebstrap --variant=apt bookworm) and runs them
# there:
# Each is installed as a user would, recommended packages included (the
# root's own apt setting leaves them out).
#   1. sonomot-console alone: counts what it pulls in, fails if that is a
#      graphics package (X, Wayland, GL, Qt, GTK, fonts, dbus, systemd),
#      and exports the demo with a scripted session;
#   2. sonomot: counts what it adds and starts the window (offscreen) to see
#      that it finds everything it loads.
# The packages come from DEB_DIR, or are built with scripts/package.sh into
# build/deb. Needs mmdebstrap (apt-get install mmdebstrap), root, and the
# network to Debian's archive (MIRROR, default deb.debian.org); it is not
# part of ./test. The root is temporary: nothing of it is kept.
set -euo pipefail

if [ "${SONOMOT_FRESH_ROOT_STAGE:-}" = inside ]; then
  # Run by mmdebstrap as its customize hook: $1 is the new root, mounted.
  root="$1"
  work="$SONOMOT_FRESH_ROOT_WORK"
  in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin \
                DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8 "$@"; }
  installed() {
    in_root dpkg-query -W -f '${db:Status-Abbrev} ${Package} ${Installed-Size}\n' |
      awk '$1 == "ii" { print $2, $3 }' | sort
  }
  # Prints the packages installed since $1 (a list from installed()), their
  # count and size, and keeps the list in $2.
  added() {
    installed | comm -13 "$1" - > "$2"
    echo "$(wc -l < "$2") packages, $(awk '{ s += $2 } END { printf "%.1f", s / 1024 }' "$2") MB installed:"
    awk '{ printf " %s", $1 } END { print "" }' "$2"
  }
  mkdir -p "$root/tmp/sonomot/examples"
  cp "$work"/debs/*.deb "$root/tmp/sonomot/"
  cp "$work"/examples/demo.mid "$root/tmp/sonomot/examples/"
  cp "$work"/examples/demo.txt "$root/tmp/sonomot/"
  installed > "$work/base.list"
  echo "== the minimal root: $(wc -l < "$work/base.list") packages" >&2

  echo "== apt-get install sonomot-console" >&2
  in_root apt-get install -y -o APT::Install-Recommends=true \
    "/tmp/sonomot/$(basename "$work"/debs/sonomot-console_*.deb)" \
    >"$work/apt-console.log" 2>&1 ||
    { cat "$work/apt-console.log" >&2; exit 1; }
  added "$work/base.list" "$work/console.list" >&2
  graphics='^(libx11|libxcb|libxkb|libxau|libxdmcp|libxext|libxrender|x11-|xkb-'
  graphics+='|libgl|libegl|libgles|libdrm|libwayland|mesa|libqt|qt6|libgtk|libgdk'
  graphics+='|libcairo|libpango|fontconfig|libfontconfig|libfreetype|fonts-'
  graphics+='|dbus|libdbus|systemd|libsystemd)'
  if cut -d' ' -f1 "$work/console.list" | grep -E "$graphics" >&2; then
    echo "sonomot-console pulls in the graphics packages above" >&2
    exit 1
  fi
  # The demo session, exactly as ./run would run it.
  in_root sh -c 'cd /tmp/sonomot && sonomot-console < demo.txt' \
    >"$work/session.txt" 2>&1 || true
  size=$(stat -c %s "$root/tmp/sonomot/demo.vmd" 2>/dev/null || echo 0)
  if [ "$size" -eq 0 ] || ! grep -q '^Complete\.' "$work/session.txt"; then
    cat "$work/session.txt" >&2
    echo "the scripted session exported nothing" >&2
    exit 1
  fi
  echo "== the demo session exported demo.vmd, $size bytes" >&2

  echo "== apt-get install sonomot (the window)" >&2
  installed > "$work/with-console.list"
  in_root apt-get install -y -o APT::Install-Recommends=true \
    "/tmp/sonomot/$(basename "$work"/debs/sonomot_*.deb)" \
    >"$work/apt-window.log" 2>&1 ||
    { cat "$work/apt-window.log" >&2; exit 1; }
  added "$work/with-console.list" "$work/window.list" >&2
  # The window keeps running until it is closed: still up after 5 seconds,
  # with nothing said, is a window that started.
  status=0
  in_root sh -c 'cd /tmp/sonomot && QT_QPA_PLATFORM=offscreen timeout 5 sonomot' \
    >"$work/window.txt" 2>&1 || status=$?
  if [ "$status" -ne 124 ]; then
    cat "$work/window.txt" >&2
    echo "the window program ended with $status instead of running" >&2
    exit 1
  fi
  echo "== the window started (offscreen) and ran until stopped" >&2
  exit 0
fi

cd "$(dirname "$0")/.."
if ! command -v mmdebstrap >/dev/null 2>&1; then
  echo "fresh_root.sh: mmdebstrap is not installed (apt-get install mmdebstrap)" >&2
  exit 1
fi
deb_dir="${1:-}"
if [ -z "$deb_dir" ]; then
  scripts/package.sh build/deb >&2
  deb_dir=build/deb
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/debs" "$work/examples"
cp "$deb_dir"/sonomot-console_*.deb "$deb_dir"/sonomot_*.deb "$work/debs/"
cp examples/demo.mid examples/demo.txt "$work/examples/"

export SONOMOT_FRESH_ROOT_STAGE=inside SONOMOT_FRESH_ROOT_WORK="$work"
export SONOMOT_FRESH_ROOT_SELF="$(realpath "$0")"
mmdebstrap --variant=apt --format=null \
  --customize-hook='"$SONOMOT_FRESH_ROOT_SELF" "$1"' \
  bookworm /dev/null "${MIRROR:-http://deb.debian.org/debian}"
echo "== a fresh Debian 12 root installs and runs both packages" >&2
