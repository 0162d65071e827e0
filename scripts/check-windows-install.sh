#!/usr/bin/env bash
# scripts/check-windows-install.sh [linux build] [windows build]: what a
# Windows user does with the installer, under wine: installs
# sonomot-VERSION-setup.exe silently (/S), checks that the Start menu and
# Open with start the window (sonomot.exe) when the build has it, converts
# the demo with the installed program and compares the motion with the
# Linux build's, then uninstalls silently and checks that the programs'
# folder, the Start-menu entry and the registry keys are gone, and that a
# .mid association that was there before is still there. Makes the
# packages first (scripts/package-windows.sh) when they aren't there.
# Exit status 0 when all holds, 1 otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
linux_bin=$(realpath "${1:-build}")/bin
windows_dir=$(realpath "${2:-build-windows}")
version="$(sed -n 's/^project(Sonomot VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
setup=$windows_dir/package/sonomot-$version-setup.exe
[ -f "$setup" ] || scripts/package-windows.sh "$windows_dir" >/dev/null

# A prefix of its own: an installation never meets the other checks.
source scripts/wine_prefix.sh
use_wine_prefix "$windows_dir/wine-install" check-windows-install

work=$(mktemp -d "${TMPDIR:-/tmp}/sonomot-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
faults=0
fail() { echo "check-windows-install: $*" >&2; faults=$((faults + 1)); }

programs="$WINEPREFIX/drive_c/Program Files/Sonomot"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Sonomot"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Sonomot'
# Another program's claim on .mid, which neither step may touch.
wine reg add 'HKLM\Software\Classes\.mid' /ve /d OtherPlayer.mid /f >/dev/null 2>&1

# A build with the window packs sonomot.exe: the Start menu and Open with
# start it, the file given as its argument.
opener=sonomot-console.exe
[ -f "$windows_dir/bin/sonomot.exe" ] && opener=sonomot.exe
wine "$setup" /S || fail "the installer failed ($?)"
for file in sonomot-console.exe "$opener" MIDIData.dll README.txt LICENSE.txt uninstall.exe; do
  [ -f "$programs/$file" ] || fail "$file was not installed"
done
[ -f "$menu/Sonomot.lnk" ] || fail "no Start-menu entry"
LC_ALL=C grep -aq "$opener" "$menu/Sonomot.lnk" || fail "the Start-menu entry does not start $opener"
wine reg query "$uninstall_key" /v DisplayVersion 2>/dev/null | grep -q "$version" ||
  fail "no uninstall entry for $version"
wine reg query 'HKLM\Software\Classes\.mid\OpenWithProgids' /v Sonomot.MidiFile >/dev/null 2>&1 ||
  fail "no Open with entry for .mid"
wine reg query 'HKLM\Software\Classes\.midi\OpenWithProgids' /v Sonomot.MidiFile >/dev/null 2>&1 ||
  fail "no Open with entry for .midi"
open_command=$(wine reg query 'HKLM\Software\Classes\Sonomot.MidiFile\shell\open\command' /ve 2>/dev/null | tr -d '\r')
[[ "$open_command" == *'Program Files\Sonomot\'"$opener"'" "%1"'* ]] ||
  fail "Open with does not run $opener with the file: $open_command"

# The installed program, from the user's folder, on the demo session.
# The session names its file as examples/demo.mid.
mkdir -p "$work/linux/examples" "$work/windows/examples"
cp "$source_dir"/examples/demo.mid "$work/linux/examples/"
cp "$source_dir"/examples/demo.mid "$work/windows/examples/"
(cd "$work/linux" && "$linux_bin/sonomot-console" < "$source_dir/examples/demo.txt" >/dev/null 2>&1) ||
  fail "the Linux build failed the demo"
(cd "$work/windows" && wine "$programs/sonomot-console.exe" < "$source_dir/examples/demo.txt" \
   >/dev/null 2>&1) || fail "the installed program failed the demo"
cmp -s "$work/windows/demo.vmd" "$work/linux/demo.vmd" ||
  fail "the installed program's demo.vmd differs from the Linux build's"

# The uninstaller copies itself away and returns at once; what it takes
# away goes while it runs.
wine "$programs/uninstall.exe" /S || fail "the uninstaller failed ($?)"
for _ in $(seq 1 60); do
  [ -e "$programs" ] || break
  sleep 1
done
[ -e "$programs/$opener" ] && fail "$opener is still there"
[ -e "$programs" ] && fail "the programs' folder is still there: $(ls "$programs")"
[ -e "$menu" ] && fail "the Start-menu folder is still there"
wine reg query "$uninstall_key" >/dev/null 2>&1 && fail "the uninstall entry is still there"
wine reg query 'HKLM\Software\Sonomot' >/dev/null 2>&1 && fail "HKLM\\Software\\Sonomot is still there"
wine reg query 'HKLM\Software\Classes\Sonomot.MidiFile' >/dev/null 2>&1 &&
  fail "the Open with program entry is still there"
wine reg query 'HKLM\Software\Classes\.mid' /ve 2>/dev/null | grep -q OtherPlayer.mid ||
  fail "the other program's claim on .mid was lost"

if [ "$faults" -ne 0 ]; then exit 1; fi
echo "check-windows-install: installed, converted the demo as Linux does, uninstalled leaving nothing" >&2
