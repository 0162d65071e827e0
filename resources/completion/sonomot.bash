# bash completion for sonomot-console and sonomot              -*- shell-script -*-
#
# Options are read from the program's own --help, so the list follows the
# program; what an option's value may be is known here: the words of the
# conf> settings (--layout bones|full, --pedal off, ...), a folder for -d,
# a file for -o. Other words complete to MIDI files (.mid, .midi) and
# folders. The same file serves both programs (sonomot's is a link to it).

# The options a program's --help lists, one a line.
_sonomot_options() {
  "$1" --help 2>/dev/null |
    grep -oE -- '(^|[ ,])--?[A-Za-z][A-Za-z0-9-]*' |
    sed -E 's/^[ ,]//' | sort -u
}

# Adds the files under $cur whose names end in one of the given extensions
# (any letter case), and folders to look into.
_sonomot_files() {
  local cur=$1 name lower
  shift
  local IFS=$'\n'
  compopt -o filenames 2>/dev/null
  COMPREPLY+=($(compgen -d -- "$cur"))
  for name in $(compgen -f -- "$cur"); do
    [[ -d $name ]] && continue
    lower=${name,,}
    for ext in "$@"; do
      [[ $lower == *.$ext ]] && COMPREPLY+=("$name") && break
    done
  done
}

_sonomot() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=""
  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
  # --name=value: bash splits at "=", so the option is two words back.
  if [[ $cur == = ]]; then
    prev=${COMP_WORDS[COMP_CWORD - 1]}
    cur=""
  elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then
    prev=${COMP_WORDS[COMP_CWORD - 2]}
  fi
  COMPREPLY=()
  case $prev in
    --layout) COMPREPLY=($(compgen -W 'bones full' -- "$cur")); return ;;
    --pedal) COMPREPLY=($(compgen -W 'off cc064' -- "$cur")); return ;;
    --angle | --pedalangle) COMPREPLY=($(compgen -W 'default' -- "$cur")); return ;;
    --velocity) COMPREPLY=($(compgen -W 'on off' -- "$cur")); return ;;
    --motion) COMPREPLY=($(compgen -W 'classic steps' -- "$cur")); return ;;
    --keys) COMPREPLY=($(compgen -W 'nt' -- "$cur")); return ;;
    --model) COMPREPLY=($(compgen -W 'pmdGRAND' -- "$cur")); return ;;
    --transpose | -t | --track) return ;;
    -o | --output) _sonomot_files "$cur" vmd; return ;;
    -d | --directory)
      local IFS=$'\n'
      compopt -o filenames 2>/dev/null
      COMPREPLY=($(compgen -d -- "$cur"))
      return ;;
    -platform) COMPREPLY=($(compgen -W 'xcb wayland offscreen' -- "$cur")); return ;;
    -display) return ;;
  esac
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$(_sonomot_options "${COMP_WORDS[0]}")" -- "$cur"))
    return
  fi
  _sonomot_files "$cur" mid midi
}
complete -F _sonomot sonomot-console sonomot

# ex: filetype=sh
