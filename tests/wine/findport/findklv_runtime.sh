#!/usr/bin/env bash
# A run-time error shows the report with the error and its line, then the
# process ends with exit code 0.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/findklv_lib.sh"

run_fault() {
  local kind=$1 description=$2 out="$KLV_TEST_TMP/fault-$1.txt"
  wine "$KLV_WIN64_BIN/findklv_fault.exe" "$kind" > "$out" &
  local pid=$!
  wait_until 10 test -s "$out"
  local line
  line=$(tr -d '\r\n' < "$out")
  [ -n "$line" ] || fail "$kind: the fault program did not start"
  watch runtime-box 10000 "$description" "$line" || fail "$kind: the report is wrong or missing"
  wait_pid_gone "$pid" 10
  wait "$pid"
  local rc=$?
  [ "$rc" = 0 ] || fail "$kind: exit code $rc after the report, expected 0"
  echo "$kind: report names line $line, exit code 0"
}

run_fault thrown "Can't open the window"
run_fault memory "Invalid memory access"
echo "PASS"
