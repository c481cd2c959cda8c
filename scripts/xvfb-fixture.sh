#!/usr/bin/env bash
# CTest fixture: start|stop HOST_TREE WIN64_TREE
# start: one Xvfb for the whole test run (display number written to
# HOST_TREE/xdisplay) and the Wine prefix made ready; stop: both ended.
set -uo pipefail
action=$1 host=$2 win64=$3
state="$host/xdisplay"

# Ends the Xvfb an earlier run recorded (only if that pid still is an Xvfb)
# and waits until it has gone, so that its display is free.
stop_recorded_xvfb() {
  [ -f "$state.pid" ] || return 0
  local pid
  pid=$(cat "$state.pid")
  rm -f "$state.pid"
  [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ] || return 0
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.05
  done
  echo "FAIL: Xvfb $pid did not end within 5 s of being stopped" >&2
  return 1
}

case "$action" in
start)
  command -v Xvfb >/dev/null || { echo "FAIL: Xvfb not found; run scripts/setup-deps.sh" >&2; exit 1; }
  stop_recorded_xvfb || exit 1
  fdfile=$(mktemp)
  setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" </dev/null >"$host/xvfb.log" 2>&1 &
  xvfb=$!
  echo $xvfb > "$state.pid"
  # Xvfb writes its display number once it accepts clients.
  for _ in $(seq 1 100); do
    [ -s "$fdfile" ] && break
    kill -0 $xvfb 2>/dev/null || break
    sleep 0.1
  done
  num=$(tr -dc 0-9 < "$fdfile"); rm -f "$fdfile"
  if [ -z "$num" ]; then
    kill -0 $xvfb 2>/dev/null && why="gave no display number within 10 s" || why="ended at start"
    echo "FAIL: Xvfb $why (see $host/xvfb.log)" >&2
    exit 1
  fi
  echo ":$num" > "$state"
  echo "display :$num"
  if [ -d "$win64" ]; then
    command -v wine >/dev/null || { echo "FAIL: wine not found; run scripts/setup-deps.sh" >&2; exit 1; }
    DISPLAY=":$num" bash "$(dirname "$0")/wine-prefix.sh" "$win64" || exit 1
  fi
  ;;
stop)
  if [ -d "$win64/wineprefix" ] && command -v wineserver >/dev/null; then
    WINEPREFIX="$win64/wineprefix" wineserver -k 2>/dev/null || true
  fi
  stop_recorded_xvfb
  stop_rc=$?
  rm -f "$state"
  exit $stop_rc
  ;;
*) echo "usage: $0 start|stop HOST_TREE WIN64_TREE" >&2; exit 2 ;;
esac
