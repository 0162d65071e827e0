# Sourced by the Windows checks. use_wine_prefix PREFIX WHO: wine runs in
# PREFIX (a folder under the Windows build folder), quietly, with no Mono
# or Gecko to install; the prefix is made the first time (WHO, the
# script's name, says so on standard error), and a persistent wineserver
# is started, as every program would otherwise pay for starting one.
# wine_prefix_made is 1 when the prefix was made now, for a caller that
# sets up more once.
use_wine_prefix() {
  export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wine_prefix_made=0
  if [ ! -e "$WINEPREFIX/system.reg" ]; then
    echo "$2: making the wine prefix $WINEPREFIX (once)" >&2
    wineboot -i </dev/null >/dev/null 2>&1
    wine_prefix_made=1
  fi
  start_wineserver
}

# Starts the prefix's persistent wineserver, if none runs already.
start_wineserver() {
  wineserver -p </dev/null >/dev/null 2>&1 || true
}
