#!/usr/bin/env bash
# The main job: a whole measurement series against the built-in device
# simulator (three door closings and the confirmation), shown as it happens.
# The simulator serves a pseudo-terminal exactly as the device serves its
# serial line; the headless runner performs the measurement over it and
# prints the status texts, the result texts and the finished record.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$root/build/host/bin"
work="$root/build/demo"
mkdir -p "$work"
link="$work/KLV-COM1"
rm -f "$link"
"$bin/klvsim" --link "$link" --scenario "${1:-series}" --log "$work/wire.log" &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null' EXIT
for _ in $(seq 1 100); do [ -L "$link" ] && break; sleep 0.05; done
echo "Device simulator on $link (wire log: $work/wire.log)"
if [ -x "$bin/klvtool" ]; then
  "$bin/klvtool" measure --port "$link" --json "$work/series.json" --curves "$work/curves.csv" \
    --out "$work/series.klv"
  echo "Record: $work/series.json   Curves: $work/curves.csv   Document: $work/series.klv"
  echo "Show it in the program: make run DOC=$work/series.klv"
else
  echo "klvtool is not built; showing the wire for 10 s"
  sleep 10
fi
echo "--- wire log (first lines) ---"
head -40 "$work/wire.log"
