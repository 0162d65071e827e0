#!/usr/bin/env bash
# scripts/check-windows-window.sh [linux build] [windows build]: starts
# sonomot.exe under wine on a virtual X server (Xvfb), types a session at
# its window with xdotool as a user would (the demo of examples/, then
# Japanese typed at conf>), and compares what its console then holds with
# what the Linux window's console holds after the same typing (its text,
# read through WM_GETTEXT, not its pixels), and the motion both exported,
# byte for byte. Then a drag of the mouse over lines and Japanese, copied
# with Ctrl+C and read back from Windows' clipboard, and a double click on
# a word; the scroll bar and the wheel, Ctrl+V (pastes nothing)
# and a right click (pastes the clipboard's first line), and "exit", which
# must end it with exit status 0. Also checks the caption, prints the
# window's size, the start-up time of both windows,
# and keeps screenshots of the screen after the session and with the
# text marked (window.png, window-marked.png in the Windows build folder).
# Exit status 0 when all agree, 1 otherwise. KEEP=1 keeps the work folder.
#
# Wine runs in a prefix of its own under the Windows build folder, set to
# draw its windows on a virtual desktop of its own (so that they have a
# title bar with the caption, the icon and the close box without a window
# manager), with a persistent wineserver.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
linux_bin=$(realpath "${1:-build}")/bin
windows_dir=$(realpath "${2:-build-windows}")
windows_bin=$windows_dir/bin
for tool in xvfb-run xdotool import wine; do
  command -v "$tool" >/dev/null || { echo "check-windows-window: $tool is missing (scripts/deps.sh --test)" >&2; exit 1; }
done
# Not yet on an X server of our own: run again on one.
if [ -z "${SONOMOT_CHECK_DISPLAY:-}" ]; then
  export SONOMOT_CHECK_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi
cmake --build "$windows_dir" --target sonomot probe_window MIDIData >/dev/null
for program in "$linux_bin/window_console_text" "$linux_bin/libMIDIData.so" "$windows_bin/sonomot.exe" \
               "$windows_bin/probe_window.exe" "$windows_bin/MIDIData.dll"; do
  [ -e "$program" ] || { echo "check-windows-window: $program is missing" >&2; exit 1; }
done

source scripts/wine_prefix.sh
use_wine_prefix "$windows_dir/wine-window" check-windows-window
if [ "$wine_prefix_made" = 1 ]; then
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x640 /f >/dev/null 2>&1
  # The desktop is read when wine starts: without this the first run
  # draws its windows bare on the X server's root.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  start_wineserver
fi
rm -rf "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/sonomot

work=$(mktemp -d "${TMPDIR:-/tmp}/sonomot-window.XXXXXX")
windows_pid=
cleanup() {
  [ -n "$windows_pid" ] && kill "$windows_pid" 2>/dev/null
  wineserver -k 2>/dev/null || true
  [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$work/config
# The demo less its "exit", then Japanese typed at conf>.
{ sed '$d' "$source_dir/examples/demo.txt"; printf 'Conf\nmodel ピアノ\nshow\nRoot\n'; } > "$work/session.txt"
for side in linux windows; do
  mkdir -p "$work/$side"
  cp -r "$source_dir/examples" "$work/$side/"
done

faults=0
fault() { echo "check-windows-window: $*" >&2; faults=$((faults + 1)); }
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

# Linux: the window program's dialog on Qt, offscreen.
start=$(now)
(cd "$work/linux" && "$linux_bin/window_console_text" < /dev/null > banner.txt 2>/dev/null)
linux_start=$(elapsed "$start" "$(now)")
(cd "$work/linux" && "$linux_bin/window_console_text" < "$work/session.txt" > console.txt 2>/dev/null)

# Windows: the real window, typed at.
read_window() { wine "$windows_bin/probe_window.exe" "$@" 2>/dev/null; }
# Without MIDIData.dll beside it: its message box alone, no window, and
# exit status 1 once it is answered.
mkdir "$work/alone" && cp "$windows_bin/sonomot.exe" "$work/alone/"
(cd "$work/alone"; status=0; wine ./sonomot.exe > /dev/null 2>&1 || status=$?; echo $status > status) &
box=$(timeout 30 xdotool search --sync --name '^Error$' | head -1 || true)
if [ -z "$box" ] || xdotool search --name '^Sonomot$' >/dev/null; then
  fault "without MIDIData.dll: no message box, or a window all the same"
fi
if [ -n "$box" ]; then
  sleep 0.5
  xdotool windowfocus --sync "$box" 2>/dev/null || true
  xdotool key Return
fi
for _ in $(seq 100); do [ -e "$work/alone/status" ] && break; sleep 0.1; done
[ "$(cat "$work/alone/status" 2>/dev/null)" = 1 ] || fault "without MIDIData.dll the exit status is not 1"
start=$(now)
(cd "$work/windows"; status=0; wine "$windows_bin/sonomot.exe" > out.txt 2> err.txt || status=$?; echo $status > status) &
windows_pid=$!
for _ in $(seq 200); do
  grep -q 'root>' <(read_window text) && break
  sleep 0.05
done
windows_start=$(elapsed "$start" "$(now)")
window=$(xdotool search --sync --name '^Sonomot$' | head -1)
caption=$(read_window caption)
size=$(read_window size)

settle() {  # waits until the console's text stops changing
  local before="" after
  for _ in $(seq 100); do
    after=$(read_window text | md5sum)
    [ "$after" = "$before" ] && return
    before=$after
    sleep 0.2
  done
}
while IFS= read -r line; do
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  # xdotool types a character no key has by mapping a spare key to it for
  # a moment; wine needs time to read each new mapping.
  delay=15
  LC_ALL=C grep -q '[^ -~]' <<< "$line" && delay=200
  xdotool type --delay "$delay" -- "$line"
  xdotool key Return
  settle
done < "$work/session.txt"
read_window text > "$work/windows/console.txt"
import -window root "$windows_dir/window.png"

# Dragging over the console marks text, whole characters over lines, and
# moves no caret; Ctrl+C copies it as CF_UNICODETEXT. From within the
# Japanese model name that show printed to within the last "conf>Root".
# Points and indices count UTF-16 units, which are the characters here.
point() {  # the middle of the left edge of the cell of character $1
  local x y
  read -r x y <<< "$(read_window point "$1")" || return 1
  echo "$x $((y + 5))"
}
console_text=$(cat "$work/windows/console.txt")
read -r from to < <(LC_ALL=C.UTF-8; before=${console_text%ピアノ*}; last=${console_text%conf>Root*}
                    echo $((${#before} + 1)) $((${#last} + 7)))
(LC_ALL=C.UTF-8; printf '%s' "${console_text:from:to-from}") > "$work/marked.txt"
if from_point=$(point "$from") && to_point=$(point "$to"); then
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  # shellcheck disable=SC2086  # x and y as two words
  xdotool mousemove $from_point mousedown 1 mousemove $to_point sleep 0.2 mouseup 1
  sleep 0.3
  import -window root "$windows_dir/window-marked.png"
  read_window clipboard "" || true
  xdotool key ctrl+c
  sleep 0.3
  read_window copied > "$work/copied.txt" || true
  cmp -s "$work/marked.txt" "$work/copied.txt" ||
    fault "dragging from character $from to $to copied '$(cat "$work/copied.txt")', not '$(cat "$work/marked.txt")'"
  # A double click on the name marks it alone.
  # shellcheck disable=SC2086
  xdotool mousemove $from_point click --repeat 2 --delay 80 1
  xdotool key ctrl+c
  sleep 0.3
  [ "$(read_window copied)" = ピアノ ] || fault "a double click on ピアノ copied '$(read_window copied)'"
else
  fault "the console tells no point for characters $from and $to (EM_POSFROMCHAR)"
fi
# The scroll bar has followed the caret to the last line; the wheel
# scrolls up.
read -r first lines <<< "$(read_window scroll)"
visible=$(( $(read_window size | sed 's/.*console [0-9]*x//') / 12 ))
[ "$first" -gt 0 ] && [ "$first" -ge $((lines - visible - 1)) ] ||
  fault "the console shows line $first of $lines first, not the last page"
xdotool mousemove --window "$window" 100 60 click 4 click 4
sleep 0.5
read -r wheeled _ <<< "$(read_window scroll)"
[ "$wheeled" -lt "$first" ] || fault "the mouse wheel did not scroll up (line $wheeled, was $first)"
# Ctrl+V pastes nothing; a right click pastes the clipboard's first line at
# the caret; Enter carries it out.
read_window clipboard $'tolk\r\nsecond line' || fault "the clipboard can't be set"
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key ctrl+v
xdotool mousemove --window "$window" 100 60 click 3
sleep 0.3
xdotool key Return
settle
read_window text > "$work/windows/pasted.txt"
grep -q $'^root>tolk\r$' "$work/windows/pasted.txt" && grep -q '^ tolk ver' "$work/windows/pasted.txt" ||
  fault "a right click did not paste the clipboard's first line alone: $(tail -6 "$work/windows/pasted.txt" | tr '\r\n' '  ')"
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool type -- exit
xdotool key Return
for _ in $(seq 100); do [ -e "$work/windows/status" ] && break; sleep 0.1; done
windows_status=$(cat "$work/windows/status" 2>/dev/null || echo "none (still running)")
windows_pid=
if ! cmp -s "$work/linux/console.txt" "$work/windows/console.txt"; then
  fault "the console's text differs between Linux and Windows:"
  diff <(tr -d '\r' < "$work/linux/console.txt") <(tr -d '\r' < "$work/windows/console.txt") >&2 || true
fi
grep -q 'ピアノ' "$work/windows/console.txt" || fault "the Japanese typed is not in the console"
cmp -s "$work/linux/demo.vmd" "$work/windows/demo.vmd" || fault "demo.vmd differs between Linux and Windows"

# A file given on the command line (a .mid opened with the program, or
# dropped on the .exe) opens at start-up, whatever its name; Escape ends.
cp "$source_dir/examples/demo.mid" "$work/windows/ピアノ 1.mid"
start=$(now)
(cd "$work/windows"; status=0; wine "$windows_bin/sonomot.exe" "ピアノ 1.mid" > /dev/null 2>&1 || status=$?; echo $status > status2) &
for _ in $(seq 200); do
  grep -q 'midi>' <(read_window text) && break
  sleep 0.05
done
windows_open=$(elapsed "$start" "$(now)")
start=$(now)
(cd "$work/linux" && echo | "$linux_bin/window_console_text" "$source_dir/examples/demo.mid" > /dev/null 2>&1)
linux_open=$(elapsed "$start" "$(now)")
grep -q 'File Open "ピアノ 1.mid"' <(read_window text) || fault "sonomot.exe \"ピアノ 1.mid\" did not open it: $(read_window text | tr '\r\n' '  ')"
xdotool windowfocus --sync "$(xdotool search --sync --name '^Sonomot$' | head -1)" 2>/dev/null || true
xdotool key Escape
for _ in $(seq 100); do [ -e "$work/windows/status2" ] && break; sleep 0.1; done
[ "$(cat "$work/windows/status2" 2>/dev/null)" = 0 ] || fault "Escape did not end sonomot.exe with exit status 0"
# The command line is answered or refused before any window, as on Linux.
status=0; wine "$windows_bin/sonomot.exe" --version > "$work/version.txt" 2>&1 || status=$?
[ "$status" = 0 ] && grep -q '^sonomot (Sonomot) 0' "$work/version.txt" || fault "--version: exit status $status, $(head -1 "$work/version.txt")"
status=0; wine "$windows_bin/sonomot.exe" -x > /dev/null 2>&1 || status=$?
[ "$status" = 64 ] || fault "an unknown option ended sonomot.exe with exit status $status, not 64"
[ "$caption" = Sonomot ] || fault "the caption is '$caption', not 'Sonomot'"
[ "$windows_status" = 0 ] || fault "\"exit\" ended sonomot.exe with exit status $windows_status, not 0"

echo "check-windows-window: $size; start-up until the banner shows: Windows (wine, its desktop starting too) ${windows_start}s, Linux (offscreen Qt, start and close) ${linux_start}s; again, opening a file given: Windows ${windows_open}s, Linux ${linux_open}s; screenshot $windows_dir/window.png"
if [ "$faults" -gt 0 ]; then
  echo "check-windows-window: $faults faults" >&2
  exit 1
fi
echo "check-windows-window: the console holds the same $(wc -l < "$work/linux/console.txt") lines on Linux and Windows after $(wc -l < "$work/session.txt") typed lines; the same demo.vmd; scrolling, paste and exit status 0 as on Linux"
