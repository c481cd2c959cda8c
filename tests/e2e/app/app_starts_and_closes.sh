#!/usr/bin/env bash
# Starts klemva99_it.exe, waits for its frame, takes a screenshot that must
# not be blank, closes the frame like a user and expects a clean exit.
set -uo pipefail
drv() { wine "$KLV_WIN64_BIN/klvdriver.exe" "$@"; }
wine "$KLV_WIN64_BIN/klemva99_it.exe" &
app=$!
trap 'kill $app 2>/dev/null' EXIT
drv wait-window Klemva 20000 || { echo "FAIL: no Klemva window"; exit 1; }
sleep 1
shot=$(bash "$KLV_SCRIPTS/screenshot.sh" app_frame) || exit 1
colours=$(convert "$shot" -format '%k' info:)
echo "screenshot $shot has $colours colours"
[ "$colours" -gt 1 ] || { echo "FAIL: blank screenshot"; exit 1; }
drv close Klemva || exit 1
for _ in $(seq 1 100); do
  kill -0 $app 2>/dev/null || break
  sleep 0.1
done
if kill -0 $app 2>/dev/null; then
  echo "FAIL: the program did not end after its frame was closed"
  exit 1
fi
wait $app
rc=$?
[ $rc -eq 0 ] || { echo "FAIL: exit code $rc"; exit 1; }
echo "PASS"
