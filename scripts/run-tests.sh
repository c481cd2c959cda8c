#!/usr/bin/env bash
# Runs every test tier from the host tree and prints one summary.
#   unit     native, in-process; in parallel
#   process  native tests that start klvtool and klvsim as programs, some in
#            real time over ptys; in parallel
#   wine     Wine and end-to-end tests, one at a time (they share one Wine
#            prefix and one X display)
#   fuzz     the short fuzzing sessions, one at a time, at a lower priority
#            beside the Wine tier: each is a fixed 10 s, and the Wine tests
#            mostly wait on windows and wires, so the two overlap for free
#   win32    the i686 build under the private 32-bit Wine; skipped where the
#            machine refuses it
# With --build-beside CMD (make test), CMD builds the Windows trees from the
# repository root, at a lower priority beside the native tiers; its output is
# shown once it ends, and the Wine tiers wait for it.
set -uo pipefail
build_cmd=
if [ "${1:-}" = --build-beside ]; then
  build_cmd=$2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root/build/host"
rc=0
build_pid=
if [ -n "$build_cmd" ]; then
  (cd "$root" && nice -n 10 bash -c "$build_cmd") > windows-build.log 2>&1 &
  build_pid=$!
fi
run_tier() {  # LOG CTEST-ARGS...
  local log=$1
  shift
  ctest --output-on-failure "$@" --output-junit "${log%.log}.xml" > "$log" 2>&1 || rc=1
}
run_tier unit.log --timeout 600 -j2 --schedule-random -L unit
run_tier process.log --timeout 600 -j2 -L process
windows_built=yes
rm -f wine.log fuzz.log win32.log
if [ -n "$build_pid" ]; then
  wait "$build_pid" || windows_built=no
  cat windows-build.log
fi
if [ $windows_built = yes ]; then
  nice -n 10 ctest --output-on-failure --timeout 600 -j1 -L fuzz --output-junit fuzz.xml \
    > fuzz.log 2>&1 &
  fuzz_pid=$!
  run_tier wine.log --timeout 600 -j1 -LE 'unit|process|win32|fuzz'
  wait $fuzz_pid || rc=1
  run_tier win32.log --timeout 900 -j1 -L win32
else
  rc=1
fi
# The win32 tier's wineserver lingers after its last test; end it with the run.
win32_tree=$(sed -n 's/^KLV_WIN32_DIR:PATH=//p' CMakeCache.txt)
if [ -x "$win32_tree/wine32-bin/wineserver" ]; then
  WINEPREFIX="$win32_tree/wineprefix" "$win32_tree/wine32-bin/wineserver" -k 2>/dev/null
fi
# Passed unit tests are many and say nothing; everything else is shown.
grep -E -v '^\s+[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed' unit.log || true
cat process.log
if [ $windows_built = yes ]; then
  cat wine.log fuzz.log win32.log
else
  echo "run-tests: the Windows builds failed (build/host/windows-build.log); the Wine, fuzz and win32 tiers did not run"
fi
# One summary over all runs, in CTest's own closing form.
total=0; failed=0; skipped=0
for log in unit.log process.log wine.log fuzz.log win32.log; do
  [ -f "$log" ] || continue
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
