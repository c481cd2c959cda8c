#!/usr/bin/env bash
# A bounded fuzzing session of the document and graph record readers.
#   run-fuzzer.sh FUZZER SEEDS-TOOL KEPT-CORPUS WORKDIR
# Runs KLV_FUZZ_SECONDS seconds (default 20) from the seeds and the kept
# inputs. An input that breaks a reader is left in WORKDIR as crash-* (or
# leak-*, timeout-*, oom-*); copy it into fuzz/corpus/ so that the replay unit
# test keeps checking it.
set -euo pipefail
fuzzer=$(realpath "$1") seeds=$(realpath "$2") kept=$(realpath "$3") work=$(realpath -m "$4")
seconds=${KLV_FUZZ_SECONDS:-20}
rm -rf "$work"
mkdir -p "$work/corpus"
"$seeds" "$work/corpus"
find "$kept" -type f ! -name '*.md' -exec cp {} "$work/corpus/" \;
cd "$work"
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -max_len=70000 \
  -artifact_prefix="$work/" -print_final_stats=1 "$work/corpus" 2>&1 | tail -n 25
status=${PIPESTATUS[0]}
if ls "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-* >/dev/null 2>&1; then
  echo "fuzz: inputs that broke a reader are in $work; copy them into fuzz/corpus/" >&2
  exit 1
fi
exit "$status"
