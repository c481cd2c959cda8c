#!/usr/bin/env bash
# No device on any port: the progress window runs the whole timed phase, then
# the failure question; Yes searches again, No ends with exit code 1.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/findklv_lib.sh"

start_findklv
watch layout || fail "the progress window is not as it should be"
first=$(wait_until 10 progress_beyond 0) || fail "the progress bar stayed at 0 for 10 s"
bash "$KLV_SCRIPTS/screenshot.sh" findport_progress >/dev/null || fail "no screenshot"
second=$(wait_until 5 progress_beyond "$first") || fail "the progress bar did not move beyond $first within 5 s"
echo "progress $first, then $second"
[ "$second" -le 20000 ] || fail "progress $second beyond the range"

watch failure-box 40000 || fail "the failure question is wrong or missing"
shown=$(( $(now_ms) - START_MS ))
echo "failure question after $shown ms"
[ "$shown" -ge 20000 ] || fail "the question came after $shown ms, before the 20 s timed phase ended"
bash "$KLV_SCRIPTS/screenshot.sh" findport_failure_box >/dev/null || fail "no screenshot"

# Yes: one more scan, no progress window, the same question again.
watch answer yes || fail "could not answer Yes"
watch failure-box 10000 || fail "no second question after Yes"
watch answer no || fail "could not answer No"
finish_findklv 10
[ "$FINDKLV_RC" = 1 ] || fail "exit code $FINDKLV_RC after No, expected 1"
check_nothing_stored
echo "PASS"
