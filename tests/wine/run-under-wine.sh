#!/usr/bin/env bash
# Runs one Windows test program under Wine, in a prefix of the build's own.
#   run-under-wine.sh BUILD_DIR PROGRAM [ARGS...]
# COM1..COM4 of the prefix lead to pseudo-terminals: COM1<->COM2 and
# COM3<->COM4 are the two ends of two null-modem cables made by ptylink for
# the length of the run. A fresh prefix maps COM1 to the machine's console, so
# the mapping is written before any program of the prefix opens a port.
set -euo pipefail
build_dir=$(cd "$1" && pwd)
shift
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX="$build_dir/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
wine=/usr/lib/wine/wine64
ports="$build_dir/wine-ports"
mkdir -p "$ports"

# ptylink is a native helper: build it here, the cross build cannot.
ptylink="$build_dir/ptylink"
if [ ! -x "$ptylink" ] || [ "$here/ptylink.cpp" -nt "$ptylink" ]; then
  g++ -O2 -std=c++20 -pthread -o "$ptylink" "$here/ptylink.cpp" -lutil
fi

prepare_prefix() {
  [ -f "$WINEPREFIX/.torva-ports" ] && return 0
  "$wine" wineboot --init >/dev/null 2>&1 9>&- || true
  {
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n'
    for n in 1 2 3 4; do printf '"COM%s"="%s/com%s"\n' "$n" "$ports" "$n"; done
  } >"$build_dir/wine-ports.reg"
  "$wine" regedit "$build_dir/wine-ports.reg" >/dev/null 2>&1 9>&-
  /usr/lib/wine/wineserver -w 9>&-
  touch "$WINEPREFIX/.torva-ports"
}

exec 9>"$build_dir/wineprefix.lock"
flock 9
prepare_prefix
exec 9>&-

# The wineserver and Wine's background services outlive the test program:
# they are started here, detached from the test's output, so that their
# diagnostics (the wineserver dumps its state when a line hangs up) stay out
# of the test log and CTest is not left waiting on a pipe they hold.
/usr/lib/wine/wineserver -p 10 </dev/null >/dev/null 2>&1 || true
"$wine" wineboot </dev/null >/dev/null 2>&1 || true

link_pids=()
cleanup() {
  for pid in "${link_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT
for pair in "1 2" "3 4"; do
  set -- $pair "$@"
  a=$1 b=$2
  shift 2
  rm -f "$ports/com$a" "$ports/com$b"
  "$ptylink" "$ports/com$a" "$ports/com$b" >/dev/null &
  link_pids+=($!)
done
for n in 1 2 3 4; do
  for _ in $(seq 100); do [ -L "$ports/com$n" ] && break; sleep 0.05; done
done
export TORVA_WINE_PORTS=1
"$wine" "$@"
