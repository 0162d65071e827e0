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
# - and on Windows alone: a read-only target, NUL, a file with two names;
#   a file held open by another program and the names of devices refused;
#   paths longer than MAX_PATH; C:name.vmd in drive C's own folder; and
#   Japanese names typed at a console.
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

source scripts/wine_prefix.sh
use_wine_prefix "$windows_dir/wine" check-windows
# The Windows program keeps its settings in the prefix: start with none.
rm -rf "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/sonomot

work=$(mktemp -d "${TMPDIR:-/tmp}/sonomot-windows.XXXXXX")
trap '[ -n "${KEEP:-}" ] || rm -rf "$work" ${elsewhere:+"$elsewhere"}' EXIT
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

# Windows' own refusals, each told by its reason with the target left as
# it was and nothing made beside it: a file another program holds open
# without sharing its writing; the names Windows keeps for devices, as
# outputs (all but NUL, above) and as an input (NUL too).
refusals=$work/windows/refusals
mkdir "$refusals"
x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -Wall -Wextra -static \
  -o "$work/hold_file_windows.exe" "$source_dir/tests/hold_file_windows.cc"
echo kept > "$refusals/held.vmd"
mkfifo "$work/release"
(cd "$refusals" && exec wine "$work/hold_file_windows.exe" held.vmd r < "$work/release" > "$work/held.txt") &
holder=$!
exec 3>"$work/release"
for _ in $(seq 100); do grep -q held "$work/held.txt" && break; sleep 0.1; done
for target in held.vmd CON con.vmd 'aux .vmd' COM1 LPT9 PRN CONOUT$; do
  status=0
  (cd "$refusals" && wine "$windows_bin/sonomot-console.exe" -o "$target" ../examples/demo.mid) \
    >/dev/null 2>>"$work/windows/refusals.txt" || status=$?
  echo "exit $status" >> "$work/windows/refusals.txt"
done
exec 3>&-
wait "$holder" || true
status=0
(cd "$refusals" && wine "$windows_bin/sonomot-console.exe" -o nul_input.vmd nul.mid) \
  >/dev/null 2>>"$work/windows/refusals.txt" || status=$?
echo "exit $status" >> "$work/windows/refusals.txt"
expected="sonomot-console: ../examples/demo.mid: can't write held.vmd (in use by another program)
exit 1
sonomot-console: ../examples/demo.mid: can't write CON (reserved for the device CON)
exit 1
sonomot-console: ../examples/demo.mid: can't write con.vmd (reserved for the device CON)
exit 1
sonomot-console: ../examples/demo.mid: can't write aux .vmd (reserved for the device AUX)
exit 1
sonomot-console: ../examples/demo.mid: can't write COM1 (reserved for the device COM1)
exit 1
sonomot-console: ../examples/demo.mid: can't write LPT9 (reserved for the device LPT9)
exit 1
sonomot-console: ../examples/demo.mid: can't write PRN (reserved for the device PRN)
exit 1
sonomot-console: ../examples/demo.mid: can't write CONOUT$ (reserved for the device CONOUT$)
exit 1
sonomot-console: nul.mid: Cannot Open File. (reserved for the device NUL)
exit 1"
if [ "$(tr -d '\r' < "$work/windows/refusals.txt")" != "$expected" ] ||
   [ "$(cat "$refusals/held.vmd")" != kept ] || [ "$(ls -A "$refusals")" != held.vmd ]; then
  echo "check-windows: a held file or a device's name was not refused as it should be:" >&2
  diff <(echo "$expected") <(tr -d '\r' < "$work/windows/refusals.txt") >&2 || true
  ls -la "$refusals" >&2
  faults=$((faults + 1))
fi
compared=$((compared + 1))

# Paths longer than MAX_PATH, relative and absolute, with "." and ".." in
# them: read, written, and written again (the second time replaced).
long_rel=$(printf 'folder%02d/' $(seq 1 30))
long=$work/windows/long/$long_rel
mkdir -p "$long"
cp "$source_dir/examples/demo.mid" "$long/"
: > "$work/windows/long.txt"
for target in "${long_rel}demo.vmd" "Z:$long/demo.vmd" "${long_rel}../folder30/./dots.vmd"; do
  [ "$target" != "Z:$long/demo.vmd" ] ||
    { stat -c %i "$long/demo.vmd" 2>/dev/null || echo none; } > "$work/windows/long_inode.txt"
  status=0
  (cd "$work/windows/long" && wine "$windows_bin/sonomot-console.exe" -o "$target" "${long_rel}demo.mid") \
    >/dev/null 2>>"$work/windows/long.txt" || status=$?
  echo "exit $status" >> "$work/windows/long.txt"
done
if [ "$(cat "$work/windows/long.txt")" != $'exit 0\nexit 0\nexit 0' ] ||
   ! cmp -s "$long/demo.vmd" "$work/linux/out/demo.vmd" || ! cmp -s "$long/dots.vmd" "$long/demo.vmd" ||
   [ "$(stat -c %i "$long/demo.vmd")" = "$(cat "$work/windows/long_inode.txt")" ] ||
   [ "$(ls -A "$long" | tr '\n' ' ')" != "demo.mid demo.vmd dots.vmd " ]; then
  echo "check-windows: a path longer than MAX_PATH was not read and written as it should be:" >&2
  { cat "$work/windows/long.txt"; ls -lai "$long"; } >&2
  faults=$((faults + 1))
fi
compared=$((compared + 1))

# A key map with a Japanese name is kept by its whole path, as typed.
for i in $(seq 0 127); do echo "$i key$i"; done > "$work/windows/鍵.txt"
printf 'Conf\nkeys map 鍵.txt\nshow\nexit\n' > "$work/windows/keymap.txt"
(cd "$work/windows" && wine "$windows_bin/sonomot-console.exe" < keymap.txt > keymap.out 2>&1) || true
if ! grep -aq '^keys *map .*\\鍵\.txt' "$work/windows/keymap.out"; then
  echo "check-windows: the key map 鍵.txt is not shown by its name:" >&2
  grep -a '^keys' "$work/windows/keymap.out" >&2 || true
  faults=$((faults + 1))
fi
compared=$((compared + 1))

# A path on a drive without a folder (C:name.vmd) is in that drive's
# current folder, C:\ here, not in the working folder, which is on another
# file system (/dev/shm, on drive Z:): its new file is made beside it, so
# it is written there and then replaced there, not copied in place.
drive_c=$WINEPREFIX/drive_c
if [ -d /dev/shm ] && [ "$(stat -c %d /dev/shm)" != "$(stat -c %d "$drive_c")" ]; then
  elsewhere=$(mktemp -d /dev/shm/sonomot-drive.XXXXXX)
  cp "$source_dir/examples/demo.mid" "$elsewhere/"
  rm -f "$drive_c/sonomot-drive.vmd"
  : > "$work/windows/drive.txt"
  for time in first again; do
    [ "$time" = first ] ||
      { stat -c %i "$drive_c/sonomot-drive.vmd" 2>/dev/null || echo none; } > "$work/windows/drive_inode.txt"
    status=0
    (cd "$elsewhere" && wine "$windows_bin/sonomot-console.exe" -o C:sonomot-drive.vmd demo.mid) \
      >/dev/null 2>>"$work/windows/drive.txt" || status=$?
    echo "$time: exit $status" >> "$work/windows/drive.txt"
  done
  if [ "$(cat "$work/windows/drive.txt")" != $'first: exit 0\nagain: exit 0' ] ||
     ! cmp -s "$drive_c/sonomot-drive.vmd" "$work/linux/out/demo.vmd" ||
     [ "$(stat -c %i "$drive_c/sonomot-drive.vmd")" = "$(cat "$work/windows/drive_inode.txt")" ] ||
     [ "$(ls -A "$elsewhere")" != demo.mid ] || ls -A "$drive_c" | grep -q '^\.sonomot-'; then
    echo "check-windows: C:sonomot-drive.vmd was not written in drive C's folder:" >&2
    { cat "$work/windows/drive.txt"; ls -lai "$drive_c" "$elsewhere"; } >&2
    faults=$((faults + 1))
  fi
  rm -rf "$elsewhere" "$drive_c/sonomot-drive.vmd"
  compared=$((compared + 1))
else
  echo "check-windows: no /dev/shm apart from drive C: C:name.vmd not checked" >&2
fi

# A console typed at (wine makes one of a terminal): Japanese names typed
# reach the program as UTF-8, as a script's bytes do on Linux, and the
# console shows them as they were typed. Each line is typed once the
# prompt before it shows.
typed_lines=('Open ピアノ.mid' 'conv pr' 'track 1' 'export 曲.vmd' 'exit')
for side in linux windows; do
  mkdir "$work/$side/typed"
  cp "$source_dir/examples/demo.mid" "$work/$side/typed/ピアノ.mid"
done
(cd "$work/linux/typed" && printf '%s\n' "${typed_lines[@]}" | "$linux_bin/sonomot-console" >/dev/null 2>&1) || true
mkfifo "$work/keys"
(cd "$work/windows/typed" &&
   exec timeout 60 script -qfc "wine '$windows_bin/sonomot-console.exe'" /dev/null < "$work/keys" \
     > "$work/screen.txt" 2>&1) &
typist=$!
exec 4>"$work/keys"
shown=0
for line in "${typed_lines[@]}"; do
  for _ in $(seq 200); do
    prompts=$(sed 's/\x1b\[[?0-9;]*[A-Za-z]//g' "$work/screen.txt" 2>/dev/null |
              grep -acE '(root|midi|track)>' || true)
    [ "$prompts" -gt "$shown" ] && break
    sleep 0.1
  done
  shown=$((shown + 1))
  printf '%s\r' "$line" >&4
done
wait "$typist" || true
exec 4>&-
if [ ! -e "$work/linux/typed/曲.vmd" ] || ! cmp -s "$work/linux/typed/曲.vmd" "$work/windows/typed/曲.vmd" ||
   ! sed 's/\x1b\[[?0-9;]*[A-Za-z]//g' "$work/screen.txt" | grep -aq '^File Open "ピアノ.mid"\.'; then
  echo "check-windows: lines typed at a console did not reach the program as typed:" >&2
  { ls -la "$work/windows/typed"; sed 's/\x1b\[[?0-9;]*[A-Za-z]//g' "$work/screen.txt" | tail -20; } >&2
  faults=$((faults + 1))
fi
compared=$((compared + 1))
if [ "$faults" -gt 0 ]; then
  echo "check-windows: $faults of $compared files differ" >&2
  exit 1
fi
echo "check-windows: $compared files the same on Linux and Windows ($(ls "$work/linux/out" | wc -l) converted, $(sed -n 's/^conversion: //p' "$work/linux/status.txt"))"
