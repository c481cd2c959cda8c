#!/usr/bin/env bash
# Runs every test tier from the host tree and prints one summary.
#   unit     native, in-process; in parallel
#   process  native tests that start klvtool and klvsim as programs, some in
#            real time over ptys; in parallel
#   the rest Wine, end-to-end and fuzz tests, one at a time (they share one
#            Wine prefix and one X display)
#   win32    the i686 build under the private 32-bit Wine; skipped where the
#            machine refuses it
set -uo pipefail
cd "$(dirname "$0")/../build/host"
rc=0
run_tier() {  # LOG CTEST-ARGS...
  local log=$1
  shift
  ctest --output-on-failure "$@" --output-junit "${log%.log}.xml" > "$log" 2>&1 || rc=1
}
run_tier unit.log --timeout 600 -j2 --schedule-random -L unit
run_tier process.log --timeout 600 -j2 -L process
run_tier wine.log --timeout 600 -j1 -LE 'unit|process|win32'
run_tier win32.log --timeout 900 -j1 -L win32
# Passed unit tests are many and say nothing; everything else is shown.
grep -E -v '^\s+[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed' unit.log || true
cat process.log wine.log win32.log
# One summary over all runs, in CTest's own closing form.
total=0; failed=0; skipped=0
for log in unit.log process.log wine.log win32.log; do
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
if [ $rc -ne 0 ] || [ $total -eq 0 ]; then
  exit 1
fi
exit 0
