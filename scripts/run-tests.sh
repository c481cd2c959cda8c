#!/usr/bin/env bash
# Runs every test tier from the host tree and prints one summary.
#   unit     native, in-process; in parallel
#   process  native tests that start klvtool and klvsim as programs, some in
#            real time over ptys; in parallel
#   the rest Wine, end-to-end and fuzz tests, one at a time (they share one
#            Wine prefix and one X display)
set -uo pipefail
cd "$(dirname "$0")/../build/host"
rc=0
run_tier() {  # LOG CTEST-ARGS...
  local log=$1
  shift
  ctest --output-on-failure --timeout 600 "$@" --output-junit "${log%.log}.xml" > "$log" 2>&1 || rc=1
}
run_tier unit.log -j2 --schedule-random -L unit
run_tier process.log -j2 -L process
run_tier wine.log -j1 -LE 'unit|process'
# Passed unit tests are many and say nothing; everything else is shown.
grep -E -v '^\s+[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed' unit.log || true
cat process.log wine.log
# One summary over all runs, in CTest's own closing form.
total=0; failed=0
for log in unit.log process.log wine.log; do
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
  if [ -n "$line" ]; then
    f=$(echo "$line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/')
    t=$(echo "$line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/')
    total=$((total + t)); failed=$((failed + f))
  fi
done
passed=$((total - failed))
echo
echo "Summary: $passed passed, $failed failed"
if [ $rc -ne 0 ] || [ $total -eq 0 ]; then
  exit 1
fi
exit 0
