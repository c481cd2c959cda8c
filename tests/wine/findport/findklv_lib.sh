# Helpers for the FindKLV Wine tests (sourced; the test bed's environment is set).
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../lib/testlib.sh"

HINT_SENTENCE='This file should reside in the Directory Klemva was installed to (Top level)'

watch() { wine "$KLV_WIN64_BIN/findklv_watch.exe" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }

FINDKLV_PID=

# Prints the progress bar's position once it is beyond FLOOR.
progress_beyond() {
  local position
  position=$(watch progress) || return 1
  [ "$position" -gt "$1" ] && echo "$position"
}

# A failed check must not leave FindKLV waiting on its question: the test
# would then hang until the test runner's time limit.
stop_leftover_findklv() {
  if [ -n "$FINDKLV_PID" ] && kill -0 "$FINDKLV_PID" 2>/dev/null; then
    kill "$FINDKLV_PID" 2>/dev/null
    wait_pid_gone "$FINDKLV_PID" 5
    kill -9 "$FINDKLV_PID" 2>/dev/null
    wait "$FINDKLV_PID" 2>/dev/null
  fi
}
trap stop_leftover_findklv EXIT

# Starts FindKLV.exe in the test's directory (its hint file lands there).
# Its output goes to a file, so that nothing it leaves behind holds the
# test's output open.
start_findklv() {
  [ -f "$KLV_WIN64_BIN/FindKLV.exe" ] || fail "FindKLV.exe is not built in $KLV_WIN64_BIN"
  watch reg-clear || fail "could not clear the settings"
  rm -f "$KLV_TEST_TMP/COM_Port_hint.txt"
  START_MS=$(now_ms)
  (cd "$KLV_TEST_TMP" && exec wine "$KLV_WIN64_BIN/FindKLV.exe" \
     >"$KLV_TEST_TMP/findklv.out" 2>&1 </dev/null) &
  FINDKLV_PID=$!
}

# Waits at most SECONDS for FindKLV to end; sets FINDKLV_RC.
finish_findklv() {
  local limit=$1
  if ! wait_pid_gone "$FINDKLV_PID" "$limit"; then
    kill "$FINDKLV_PID" 2>/dev/null
    fail "FindKLV.exe still running after ${limit} s"
  fi
  wait "$FINDKLV_PID"
  FINDKLV_RC=$?
  echo "FindKLV.exe exited with $FINDKLV_RC after $(( $(now_ms) - START_MS )) ms"
}

# The port index stored in the registry and in the hint file.
check_stored() {
  local index=$1 port hint="$KLV_TEST_TMP/COM_Port_hint.txt"
  port=$(watch reg-port) || fail "could not read the registry"
  [ "$port" = "$index" ] || fail "Port is '$port', expected $index"
  [ -f "$hint" ] || fail "no hint file COM_Port_hint.txt in the working directory"
  printf '%s%s' "$index" "$HINT_SENTENCE" | cmp -s - "$hint" ||
    fail "hint file holds '$(cat "$hint")', expected '$index$HINT_SENTENCE' without a line break"
  echo "stored: Port=$port, hint file '$(cat "$hint")'"
}

check_nothing_stored() {
  local port
  port=$(watch reg-port) || fail "could not read the registry"
  [ "$port" = "absent" ] || fail "Port was stored ($port) though nothing was found"
  [ ! -e "$KLV_TEST_TMP/COM_Port_hint.txt" ] || fail "a hint file was written though nothing was found"
}

# Identification reads (requests of byte 0) the simulator on PORT answered or saw.
identification_reads() {
  local log="$KLV_TEST_TMP/sim-$1.log"
  [ -f "$log" ] || fail "no simulator log for $1"
  grep -c 'rx 52 00' "$log"
}
