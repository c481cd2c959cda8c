#!/usr/bin/env bash
# A window shown under Wine on the bed's X display, a screenshot of the
# display, and the checks that the PNG really shows the window: a picture of
# the expected size holding each of the window's four band colours over a
# large area (an empty or single-colour screen fails).
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../lib/testlib.sh"
name=${1:-bed_window}
min_band_pixels=20000   # a band is 160 x 330 client pixels; leave room for frames

rm -f "$KLV_TEST_TMP/shown" "$KLV_TEST_TMP/close"
wine "$KLV_WIN64_BIN/bed_window_test.exe" "$KLV_TEST_WTMP" &
pid=$!
close_window() {
  touch "$KLV_TEST_TMP/close"
  wait "$pid"
}
# Shown, or the test program has ended without showing it.
shown_or_ended() { [ -f "$KLV_TEST_TMP/shown" ] || pid_gone "$pid"; }
wait_until 20 shown_or_ended
[ -f "$KLV_TEST_TMP/shown" ] || { close_window; fail "the window was not shown and painted within 20 s"; }

# The window's four bands, each over a large area, on one screenshot; sets
# why when they are not all there.
bands_shown() {
  png=$(bash "$KLV_SCRIPTS/screenshot.sh" "$name") || { why="no screenshot"; return 1; }
  [ -s "$png" ] || { why="the screenshot $png is empty"; return 1; }
  size=$(identify -format '%wx%h' "$png") || { why="$png is not a picture"; return 1; }
  [ "$size" = "1280x1024" ] || { why="the screenshot is $size, not the whole 1280x1024 display"; return 1; }
  histogram=$(convert "$png" -format %c histogram:info:-) || { why="cannot read $png"; return 1; }
  report=""
  for colour in FF0000 00FF00 0000FF FFFF00; do
    pixels=$(echo "$histogram" | grep -i "#${colour}\b" | awk -F: '{s += $1} END {print s + 0}')
    report+="  #$colour: $pixels pixels"$'\n'
    [ "$pixels" -ge "$min_band_pixels" ] || { why="the window's band #$colour is missing from the screenshot"; return 1; }
  done
}
# Wine's drawing reaches the X screen a moment after the window has painted.
shown=no
wait_until 30 bands_shown && shown=yes
close_window
rc=$?
[ "$rc" -eq 0 ] || fail "bed_window_test.exe exited with $rc"
[ "$shown" = yes ] || fail "$why"
echo "screenshot $png: $size, $(identify -format '%k' "$png") colours"
printf '%s' "$report"
echo "PASS: the window shows in the screenshot"
