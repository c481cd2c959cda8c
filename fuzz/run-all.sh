#!/usr/bin/env bash
# The long fuzzing run of `make fuzz`: every target one after the other, in
# one process at a low priority (the machine is shared), then a summary.
#   run-all.sh BUILD-DIR   (KLV_FUZZ_SECONDS per target, KLV_FUZZ_RUNS inputs)
set -uo pipefail
build=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
summary=()
failed=0
for target in graph-records klv-documents scenario klvtool-args bmp-logo; do
  fuzzer=$build/bin/${target//-/_}_fuzzer
  [ -x "$fuzzer" ] || continue
  nice -n 10 bash "$here/run-fuzzer.sh" "$target" "$fuzzer" "$build/bin/klv_fuzz_seeds" \
    "$here/corpus/$target" "$build/fuzzwork/$target" | tee "$build/fuzzwork-$target.log" || failed=1
  summary+=("$(grep '^fuzz ' "$build/fuzzwork-$target.log" | tail -1)")
done
echo
printf '%s\n' "${summary[@]}"
exit $failed
