#!/usr/bin/env bash
# Runs signal_exports_test.exe and keeps the spectrum window's snapshot as PNG.
set -uo pipefail
bmp="$KLV_SCREENSHOTS/signal_spectrum.bmp"
mkdir -p "$KLV_SCREENSHOTS"
rm -f "$bmp"
wine "$KLV_WIN64_BIN/signal_exports_test.exe" "Z:$bmp"
rc=$?
if [ -f "$bmp" ] && command -v convert >/dev/null; then
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
fi
exit $rc
