#!/usr/bin/env bash
# scripts/package-windows.sh [BUILD_DIR [OUT_DIR]]: makes the two things a
# Windows user downloads from the cross build in BUILD_DIR (default
# build-windows, made by scripts/build-windows.sh when it has no programs
# yet), into OUT_DIR (default BUILD_DIR/package):
#   sonomot-VERSION-win64.zip   the portable folder: the programs, the MIDI
#                               library, README.txt and LICENSE.txt
#   sonomot-VERSION-setup.exe   the installer (NSIS, packaging/windows)
# The texts get CR LF line ends, as Notepad shows them. The same tree makes
# the same zip: names sorted, times those of the last commit.
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(realpath -m "${1:-build-windows}")"
out="$(realpath -m "${2:-$build/package}")"
bin="$build/bin"
[ -f "$bin/sonomot-console.exe" ] || scripts/build-windows.sh "$build"

version="$(sed -n 's/^project(Sonomot VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
[ -n "$version" ] || { echo "package-windows: no version in CMakeLists.txt" >&2; exit 1; }
name="sonomot-$version"
stamp="$(git log -1 --format=%ct 2>/dev/null || date +%s)"

rm -rf "$out"
stage="$out/$name"
mkdir -p "$stage"
programs=(sonomot-console.exe MIDIData.dll)
[ -f "$bin/sonomot.exe" ] && programs+=(sonomot.exe)
# The build keeps its debugging information; a user's copy goes without.
for program in "${programs[@]}"; do
  x86_64-w64-mingw32-strip --strip-debug -o "$stage/$program" "$bin/$program"
done
sed 's/$/\r/' README.md >"$stage/README.txt"
sed 's/$/\r/' LICENSE >"$stage/LICENSE.txt"
find "$stage" -exec touch -h -d "@$stamp" {} +

(cd "$out" && find "$name" -type f | LC_ALL=C sort >files.txt &&
 cmake -E tar cf "$name-win64.zip" --format=zip --mtime="$(date -u -d "@$stamp" "+%Y-%m-%d %H:%M:%S UTC")" --files-from=files.txt &&
 rm files.txt)

window=()
[ -f "$bin/sonomot.exe" ] && window=(-DWINDOW)
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DBINDIR="$stage" -DDOCDIR="$stage" \
  -DOUTFILE="$out/$name-setup.exe" "${window[@]}" packaging/windows/sonomot.nsi >&2

ls -l "$out/$name-win64.zip" "$out/$name-setup.exe"
