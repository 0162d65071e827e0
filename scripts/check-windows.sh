#!/usr/bin/env bash
# scripts/check-windows.sh [linux build] [windows build]: runs the Windows
# build under wine beside the Linux build and compares what they write,
# byte for byte:
# - the sessions of examples/ (the demo in CR LF too), one of Japanese
#   names that exports over its earlier file, one that shows a track name
#   in Shift-JIS: their transcripts, exit statuses and every .vmd;
# - the one-line conversion of every MIDI file of examples/ and
#   fuzz/corpus/ and of a generated piece of 20,000 notes: the per-file
#   lines, the reasons of those that fail, and each .vmd;
# - the motion written to standard output, and a file with a Japanese name
#   (ピアノ.mid -> ピアノ.vmd);
# - and on Windows alone: a read-only target, NUL, a file with two names.
# Exit status 0 when all agree, 1 otherwise. KEEP=1 keeps the work folder.
#
# Wine runs in a prefix of its own under the Windows build folder, with a
# persistent wineserver (each program would otherwise pay for starting
# one); the settings of both programs are kept apart from the user's.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
linux_bin=$(realpath "${1:-build}")/bin
windows_dir=$(realpath "${2:-build-windows}")
windows_bin=$windows_dir/bin
for program in "$linux_bin/sonomot-console" "$linux_bin/bench_gen_midi" "$windows_bin/sonomot-console.exe" \
               "$windows_bin/MIDIData.dll"; do
  [ -e "$program" ] || { echo "check-windows: $program is missing" >&2; exit 1; }
done

export WINEPREFIX=$windows_dir/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -e "$WINEPREFIX/system.reg" ]; then
  echo "check-windows: making the wine prefix $WINEPREFIX (once)" >&2
  wineboot -i >/dev/null 2>&1
fi
wineserver -p 2>/dev/null || true  # fails only when one runs already
# The Windows program keeps its settings in the prefix: start with none.
rm -rf "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/sonomot

work=$(mktemp -d "${TMPDIR:-/tmp}/sonomot-windows.XXXXXX")
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
mkdir -p "$work/input"
cp "$source_dir"/examples/*.mid "$source_dir"/fuzz/corpus/* "$work/input/"
"$linux_bin/bench_gen_midi" 20000 "$work/input/notes20k.mid" >/dev/null
files=()
for f in "$work"/input/*; do files+=("$(basename "$f")"); done
# A track named in Shift-JIS, with bytes that decode to nothing between
# (a lead byte before a blank, an empty cell, bytes Windows keeps for its
# own use, a lead byte at the end), each shown alike.
printf 'MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xe0MTrk\x00\x00\x00\x24\x00\xff\x03\x14%b%b' \
       '\x83\x73\x83\x41\x83\x6d \xb1 \x81\x20 \x85\x40 \xa0 \xfd \x83' \
       '\x00\x90\x3c\x64\x60\x80\x3c\x00\x00\xff\x2f\x00' > "$work/input/shift_jis.mid"
printf 'Open shift_jis.mid\nshow\ntrack 0\ndump\nexit\n' > "$work/shift_jis.txt"
# The demo as a script written on Windows: CR LF, and a ^Z byte (the end
# of a file read in text mode) in a comment before the rest.
{ printf '# \x1a\r\n'; sed 's/$/\r/' "$source_dir/examples/demo.txt"; } > "$work/demo_crlf.txt"
# Japanese names: the model's, Shift-JIS in the file; a motion exported
# twice, the second time over the first.
cat > "$work/japanese.txt" <<'SESSION'
Conf
model ピアノ
pedal ペダル
show
Root
Create Midi
conv pr
track 1
dump
export ピアノ.vmd
info
export ピアノ.vmd
exit
SESSION
for side in linux windows; do
  mkdir -p "$work/$side/out"
  cp -r "$source_dir/examples" "$work/$side/"
  cp "$work"/input/* "$work"/*.txt "$work/$side/"
  cp "$source_dir/examples/demo.mid" "$work/$side/ピアノ.mid"
done
sessions=()
for f in "$source_dir"/examples/*.txt; do sessions+=("examples/$(basename "$f")"); done
sessions+=(demo_crlf.txt japanese.txt shift_jis.txt)
run() {  # run SIDE ARGS...: the program of that side, in its folder
  local side=$1; shift
  if [ "$side" = linux ]; then
    "$linux_bin/sonomot-console" "$@"
  else
    wine "$windows_bin/sonomot-console.exe" "$@"
  fi
}

for side in linux windows; do
  (
    cd "$work/$side"
    : > status.txt
    for session in "${sessions[@]}"; do
      status=0
      run "$side" < "$session" > "$(basename "$session" .txt).out" 2>/dev/null || status=$?
      echo "$session: exit $status" >> status.txt
    done
    mkdir session && mv ./*.vmd session/
    status=0
    run "$side" -d out "${files[@]}" > convert.out 2> convert.err || status=$?
    echo "conversion: exit $status" >> status.txt
    status=0
    run "$side" -o - examples/demo_hands.mid > stdout.vmd 2> stdout.err || status=$?
    echo "to standard output: exit $status" >> status.txt
    status=0
    run "$side" ピアノ.mid > piano.out 2> piano.err || status=$?
    echo "ピアノ.mid: exit $status" >> status.txt
  )
done

faults=0
# Windows joins -d's folder and a file's name with its own separator.
sed -i 's|^\([^ ]*\) -> out\\|\1 -> out/|' "$work/windows/convert.out"
compare() {  # compare FILE: the same bytes on both sides
  if ! cmp -s "$work/linux/$1" "$work/windows/$1"; then
    echo "check-windows: $1 differs between Linux and Windows" >&2
    diff <(od -c "$work/linux/$1" 2>&1 | head -20) <(od -c "$work/windows/$1" 2>&1 | head -20) >&2 || true
    faults=$((faults + 1))
  fi
}
compared=0
for f in status.txt $(cd "$work/linux" && ls ./*.out) convert.err stdout.vmd ピアノ.vmd; do
  compare "$f"
  compared=$((compared + 1))
done
for folder in session out; do
  windows_files=$(cd "$work/windows/$folder" && ls | sort)
  linux_files=$(cd "$work/linux/$folder" && ls | sort)
  if [ "$windows_files" != "$linux_files" ]; then
    echo "check-windows: other files in $folder/ on Windows:" >&2
    diff <(echo "$linux_files") <(echo "$windows_files") >&2 || true
    faults=$((faults + 1))
  fi
  for vmd in "$work/linux/$folder"/*.vmd; do
    compare "$folder/$(basename "$vmd")"
    compared=$((compared + 1))
  done
done
# What only Windows does with a target: a file is replaced by a new one
# (ReplaceFileW), not written over; a read-only file is refused and kept,
# with nothing left beside it; NUL takes the motion; a file with a second
# name is written in place, so both names keep the new motion.
targets=$work/windows/targets
mkdir "$targets"
echo old > "$targets/replaced.vmd"
replaced=$(stat -c %i "$targets/replaced.vmd")
echo kept > "$targets/readonly.vmd" && chmod 444 "$targets/readonly.vmd"
echo old > "$targets/linked.vmd" && ln "$targets/linked.vmd" "$targets/other.vmd"
for target in replaced.vmd readonly.vmd NUL linked.vmd; do
  status=0
  (cd "$targets" && wine "$windows_bin/sonomot-console.exe" -o "$target" ../examples/demo.mid) \
    >/dev/null 2>&1 || status=$?
  echo "$target: exit $status"
done > "$work/windows/targets.txt"
expected=$'replaced.vmd: exit 0\nreadonly.vmd: exit 1\nNUL: exit 0\nlinked.vmd: exit 0'
if [ "$(cat "$work/windows/targets.txt")" != "$expected" ] ||
   ! cmp -s "$targets/replaced.vmd" "$work/linux/out/demo.vmd" ||
   [ "$(stat -c %i "$targets/replaced.vmd")" = "$replaced" ] ||
   [ "$(cat "$targets/readonly.vmd")" != kept ] ||
   ! cmp -s "$targets/linked.vmd" "$work/linux/out/demo.vmd" ||
   [ "$(stat -c %i "$targets/linked.vmd")" != "$(stat -c %i "$targets/other.vmd")" ] ||
   [ "$(ls -A "$targets" | LC_ALL=C sort | tr '\n' ' ')" != "linked.vmd other.vmd readonly.vmd replaced.vmd " ]; then
  echo "check-windows: targets of Windows' own kinds were not written as they should be:" >&2
  { cat "$work/windows/targets.txt"; ls -lai "$targets"; } >&2
  faults=$((faults + 1))
fi
compared=$((compared + 4))
if [ "$faults" -gt 0 ]; then
  echo "check-windows: $faults of $compared files differ" >&2
  exit 1
fi
echo "check-windows: $compared files the same on Linux and Windows ($(ls "$work/linux/out" | wc -l) converted, $(sed -n 's/^conversion: //p' "$work/linux/status.txt"))"
