#!/usr/bin/env bash
# What the bash completion offers after a few command lines: options read
# from the program's --help, the values of the settings' options, MIDI files
# (any letter case) and folders for inputs, VMD files for -o, folders for -d.
#   completion_check.sh <completion file> <folder of the programs>
set -u
source "$1" || exit 1
PATH="$2:$PATH"
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder" || exit 1
touch song.mid SONG.MIDI notes.txt out.vmd 'my song.mid'
mkdir sub

failed=0
# expect "<offered words, sorted, each followed by |>" <words of the line...>
expect() {
  local want=$1 got
  shift
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMP_LINE="$*"
  COMPREPLY=()
  _sonomot 2>/dev/null
  got=$(printf '%s|' "${COMPREPLY[@]}" | tr '|' '\n' | LC_ALL=C sort | tr '\n' '|')
  got=${got#|}
  if [[ $got != "$want" ]]; then
    echo "after '$*' offered '$got', expected '$want'" >&2
    failed=1
  fi
}

expect "SONG.MIDI|my song.mid|song.mid|sub|" sonomot-console ""
expect "song.mid|sub|" sonomot-console s
expect "--help|" sonomot-console --he
expect "--version|" sonomot-console --vers
expect "--layout|" sonomot-console --lay
expect "--pedal|--pedalangle|" sonomot-console --ped
expect "bones|full|" sonomot-console --layout ""
expect "full|" sonomot-console --layout = f
expect "off|on|" sonomot-console --velocity ""
expect "--model|--motion|" sonomot-console --mo
expect "classic|steps|" sonomot-console --motion ""
expect "default|" sonomot-console --angle d
expect "out.vmd|sub|" sonomot-console -o ""
expect "sub|" sonomot-console -d ""
if [[ -x $2/sonomot ]]; then
  expect "--help|" sonomot --he
  expect "offscreen|" sonomot -platform o
  expect "SONG.MIDI|my song.mid|song.mid|sub|" sonomot ""
fi
exit $failed
