# testlib.sh - the one set of helpers of the shell tests (sourced by the
# end-to-end and Wine scripts; the test bed's environment comes from
# scripts/wine-test.sh).
#
#   drv ACTION ARGS...      the test driver klvdriver.exe; its output without
#                           carriage returns, its exit status
#   fail MESSAGE            "FAIL: MESSAGE", a screenshot of the display named
#                           after the test when there is one, and the script
#                           ends with status 1
#   note_failure MESSAGE    "FAIL: MESSAGE", counted; the script goes on and
#                           finish ends it with status 1
#   finish                  "PASS" and status 0, or the count of failures and 1
#   wait_until SECONDS COMMAND...
#                           runs COMMAND every 0.1 s until it succeeds (its
#                           output is passed on) or SECONDS have passed
#                           (status 1); the caller says what did not happen
#   wait_pid_gone PID SECONDS
#                           until the process has ended (status 1 if not)
#   winpath PATH            the Windows path (Z:...) of a Unix path

failures=0

drv() {
  # Line by line, so that a driver running in the background (watch) is
  # read as it writes.
  wine "$KLV_WIN64_BIN/klvdriver.exe" "$@" | sed -u 's/\r//g'
  return "${PIPESTATUS[0]}"
}

note_failure() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

fail() {
  note_failure "$@"
  if [ -n "${DISPLAY:-}" ] && [ -n "${KLV_SCRIPTS:-}" ]; then
    bash "$KLV_SCRIPTS/screenshot.sh" "${TEST_NAME:-$(basename "$0" .sh)}_failure" >/dev/null 2>&1
  fi
  exit 1
}

finish() {
  if [ "$failures" -eq 0 ]; then
    echo PASS
    exit 0
  fi
  echo "$failures check(s) failed"
  exit 1
}

now_ms() { date +%s%3N; }

wait_until() {
  local limit=$1
  shift
  local deadline=$(($(now_ms) + limit * 1000))
  until "$@"; do
    [ "$(now_ms)" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

pid_gone() { ! kill -0 "$1" 2>/dev/null; }
wait_pid_gone() { wait_until "$2" pid_gone "$1"; }

winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }
