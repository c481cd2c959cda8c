#!/usr/bin/env bash
# A window shown under Wine on the bed's X display, a screenshot of the
# display, and the checks that the PNG really shows the window: a picture of
# the expected size holding each of the window's four band colours over a
# large area (an empty or single-colour screen fails).
set -uo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }
name=${1:-bed_window}
min_band_pixels=20000   # a band is 160 x 330 client pixels; leave room for frames

rm -f "$KLV_TEST_TMP/shown" "$KLV_TEST_TMP/close"
wine "$KLV_WIN64_BIN/bed_window_test.exe" "$KLV_TEST_WTMP" &
pid=$!
finish() {
  touch "$KLV_TEST_TMP/close"
  wait "$pid"
}
for _ in $(seq 1 200); do
  [ -f "$KLV_TEST_TMP/shown" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
[ -f "$KLV_TEST_TMP/shown" ] || { finish; fail "the window was not shown and painted within 20 s"; }
sleep 0.5   # let the X server show what Wine has drawn

png=$(bash "$KLV_SCRIPTS/screenshot.sh" "$name") || { finish; fail "no screenshot"; }
finish
rc=$?
[ "$rc" -eq 0 ] || fail "bed_window_test.exe exited with $rc"

[ -s "$png" ] || fail "the screenshot $png is empty"
size=$(identify -format '%wx%h' "$png") || fail "$png is not a picture"
echo "screenshot $png: $size, $(identify -format '%k' "$png") colours"
[ "$size" = "1280x1024" ] || fail "the screenshot is $size, not the whole 1280x1024 display"
histogram=$(convert "$png" -format %c histogram:info:-) || fail "cannot read $png"
for colour in FF0000 00FF00 0000FF FFFF00; do
  pixels=$(echo "$histogram" | grep -i "#${colour}\b" | awk -F: '{s += $1} END {print s + 0}')
  echo "  #$colour: $pixels pixels"
  [ "$pixels" -ge "$min_band_pixels" ] || fail "the window's band #$colour is missing from the screenshot"
done
echo "PASS: the window shows in the screenshot"
