#!/usr/bin/env bash
# One fuzzing session of one target.
#   run-fuzzer.sh TARGET FUZZER SEEDS-TOOL KEPT-INPUTS WORKDIR
# Runs KLV_FUZZ_SECONDS seconds (default 10) or until KLV_FUZZ_RUNS inputs
# (default: no limit), each input within KLV_FUZZ_TIMEOUT seconds (default
# 10), from the target's seeds and kept inputs, and ends with one line:
# "fuzz TARGET: N inputs in S s, R inputs/s, C crashes". An input that breaks
# a reader is left in WORKDIR as crash-* (or leak-*, timeout-*, oom-*); copy
# it into fuzz/corpus/TARGET/ so that the replay unit test keeps checking it.
set -euo pipefail
target=$1
fuzzer=$(realpath "$2") seeds=$(realpath "$3") kept=$(realpath -m "$4") work=$(realpath -m "$5")
dict=$(dirname "$(realpath "$0")")/dict/$target.dict
seconds=${KLV_FUZZ_SECONDS:-10}
runs=${KLV_FUZZ_RUNS:--1}
# libFuzzer's time-out per input is wall-clock time: a long run at the lowest
# priority on a busy machine may wait longer than that for the processor, so
# such a run sets a larger one (KLV_FUZZ_TIMEOUT seconds).
timeout=${KLV_FUZZ_TIMEOUT:-10}
# Records: room for a stream of a few small records; documents: room for a
# whole new measurement (four graphs of 3750 samples, 53372 bytes); wire:
# room for the recording of a whole series over a bad line.
# A whole series is about 50 kB through the receive loop, a hundred times the
# cost of a short input: the wire target picks its inputs weighted by speed,
# so that the short ones get most of the time while whole series stay in.
pace_option=()
case $target in
meas-wire) max_len=60000 pace_option=(-entropic_scale_per_exec_time=1) ;;
graph-records) max_len=24000 ;;
klv-documents) max_len=70000 ;;
scenario | bmp-logo | limit-file) max_len=4096 ;;
probe-reply) max_len=2048 ;;
*) max_len=512 ;;
esac
rm -rf "$work"
mkdir -p "$work/corpus"
"$seeds" "$target" "$work/corpus"
if [ -d "$kept" ]; then
  find "$kept" -type f ! -name '*.md' -exec cp {} "$work/corpus/" \;
fi
dict_option=()
[ -f "$dict" ] && dict_option=(-dict="$dict")
cd "$work"
started=$(date +%s.%N)
set +e
"$fuzzer" -max_total_time="$seconds" -runs="$runs" -timeout="$timeout" -rss_limit_mb=1024 -max_len=$max_len \
  "${dict_option[@]}" "${pace_option[@]}" -artifact_prefix="$work/" -print_final_stats=1 "$work/corpus" > "$work/log" 2>&1
status=$?
set -e
elapsed=$(awk -v from="$started" -v to="$(date +%s.%N)" 'BEGIN { printf "%.1f", to - from }')
tail -n 12 "$work/log"
inputs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -1)
# The rate over the fuzzer's own wall-clock time (libFuzzer's figure is in
# whole seconds, so short sessions would show 0).
rate=$(awk -v n="${inputs:-0}" -v s="$elapsed" 'BEGIN { printf "%.0f", (s > 0 ? n / s : 0) }')
crashes=$(find "$work" -maxdepth 1 \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
echo "fuzz $target: ${inputs:-0} inputs in ${elapsed} s, ${rate:-0} inputs/s, $crashes crashes"
if [ "$crashes" -gt 0 ]; then
  echo "fuzz $target: inputs that broke a reader are in $work; copy them into fuzz/corpus/$target/" >&2
  exit 1
fi
exit "$status"
