#!/usr/bin/env bash
# Runs every test tier from the host tree and prints one summary.
# Unit tests run in parallel; Wine and end-to-end tests one at a time (they
# share one Wine prefix and one X display).
set -uo pipefail
cd "$(dirname "$0")/../build/host"
ctest --output-on-failure -j2 --timeout 600 --schedule-random -L unit --output-junit unit.xml > unit.log 2>&1
unit_rc=$?
ctest --output-on-failure -j1 --timeout 600 -LE 'unit|win32' --output-junit wine.xml > wine.log 2>&1
wine_rc=$?
# The i686 build under the private 32-bit Wine; skipped where the machine refuses it.
ctest --output-on-failure -j1 --timeout 900 -L win32 --output-junit win32.xml > win32.log 2>&1
win32_rc=$?
cat unit.log | grep -E -v '^\s+[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed' || true
cat wine.log
cat win32.log
# One summary over both runs, in CTest's own closing form.
total=0; failed=0; skipped=0
for log in unit.log wine.log win32.log; do
  skipped=$((skipped + $(grep -c -E '^\s+[0-9]+ - .* \(Skipped\)$' "$log")))
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
  if [ -n "$line" ]; then
    f=$(echo "$line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/')
    t=$(echo "$line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/')
    total=$((total + t)); failed=$((failed + f))
  fi
done
passed=$((total - failed - skipped))
echo
if [ $skipped -gt 0 ]; then
  echo "Summary: $passed passed, $failed failed, $skipped skipped"
else
  echo "Summary: $passed passed, $failed failed"
fi
if [ $unit_rc -ne 0 ] || [ $wine_rc -ne 0 ] || [ $win32_rc -ne 0 ] || [ $total -eq 0 ]; then
  exit 1
fi
exit 0
