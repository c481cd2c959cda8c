#!/usr/bin/env bash
# The long fuzzing run of `make fuzz`: every target one after the other, in
# one process at a low priority (the machine is shared), then a summary with
# one line per target: inputs, seconds, inputs per second, crashes.
#   run-all.sh BUILD-DIR   (KLV_FUZZ_SECONDS per target, KLV_FUZZ_RUNS inputs)
# A target stops at whichever limit comes first and the next one starts. The
# slowest readers go first, so that they get their time while it is there.
# The fuzzers and scripts are copied first: a rebuild or an edit during a run
# of hours does not change what the run executes.
set -uo pipefail
build=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
snapshot=$build/fuzzwork-programs
rm -rf "$snapshot"
mkdir -p "$snapshot"
cp "$here/run-fuzzer.sh" "$build/bin/klv_fuzz_seeds" "$build"/bin/*_fuzzer "$snapshot/"
cp -r "$here/dict" "$snapshot/dict"
echo "fuzz run started $(date -u '+%F %T') UTC, ${KLV_FUZZ_SECONDS:-10} s or ${KLV_FUZZ_RUNS:-no limit of} inputs per target, load $(cut -d' ' -f1-3 /proc/loadavg)"
summary=()
failed=0
for target in klv-documents scenario graph-records meas-wire klvtool-args bmp-logo probe-reply limit-file; do
  fuzzer=$snapshot/${target//-/_}_fuzzer
  [ -x "$fuzzer" ] || continue
  echo "fuzz $target: started $(date -u '+%T') UTC, load $(cut -d' ' -f1-3 /proc/loadavg)"
  nice -n 10 bash "$snapshot/run-fuzzer.sh" "$target" "$fuzzer" "$snapshot/klv_fuzz_seeds" \
    "$here/corpus/$target" "$build/fuzzwork/$target" | tee "$build/fuzzwork-$target.log" || failed=1
  summary+=("$(grep '^fuzz ' "$build/fuzzwork-$target.log" | tail -1)")
done
echo
echo "fuzz run ended $(date -u '+%F %T') UTC"
printf '%s\n' "${summary[@]}"
exit $failed
