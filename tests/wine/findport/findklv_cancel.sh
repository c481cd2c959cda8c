#!/usr/bin/env bash
# Cancel during the timed phase: one more full scan, then the failure question.
# COM2 holds a device that is never accepted (0xFF in byte 21), so every scan
# probes it three times with 11 reads each and takes a measurable time.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/findklv_lib.sh"

start_findklv
watch layout >/dev/null || fail "no progress window"
# Cancel once the first scan is complete, i.e. within the timed phase.
first_scan_done() { [ "$(identification_reads COM2)" -ge 33 ]; }
wait_until 15 first_scan_done || fail "COM2 saw no complete scan (33 identification reads) within 15 s"
watch cancel || fail "could not press Cancel"
cancelled=$(( $(now_ms) - START_MS ))
watch wait-gone 15000 || fail "the progress window did not close after Cancel"
watch failure-box 15000 || fail "no failure question after Cancel"
shown=$(( $(now_ms) - START_MS ))
echo "Cancel at $cancelled ms, question at $shown ms"
[ "$shown" -lt 20000 ] || fail "Cancel did not end the timed phase"
# The simulator saw complete scans only: 3 passes x 11 reads each, at least
# the first scan and the final one.
reads=$(identification_reads COM2)
echo "COM2: $reads identification reads"
[ $((reads % 33)) = 0 ] || fail "$reads reads are not whole scans of 33"
[ "$reads" -ge 66 ] || fail "only $reads reads: the scan after Cancel is missing"
watch answer no || fail "could not answer No"
finish_findklv 10
[ "$FINDKLV_RC" = 1 ] || fail "exit code $FINDKLV_RC, expected 1"
check_nothing_stored
echo "PASS"
