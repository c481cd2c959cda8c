#!/usr/bin/env bash
# The archive benchmark: makes an archive of documents (default 10000) from a
# few simulated series copied with varied dates and descriptions, then times
# `klvtool archive` over it twice - the first run reads every document, the
# second takes the unchanged ones from its index - and prints both rates and
# the peak memory of each run.
#   bash bench/archive_bench.sh [COUNT]
set -euo pipefail
count=${1:-10000}
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$root/build/host/bin
work=$root/build/bench/archive
for program in klvtool klv_archive_make; do
  [ -x "$bin/$program" ] || { echo "archive_bench: $bin/$program missing; run 'make host' first" >&2; exit 1; }
done
command -v /usr/bin/time > /dev/null || { echo "archive_bench: /usr/bin/time missing (package time)" >&2; exit 1; }
rm -rf "$work" && mkdir -p "$work/seeds"

# Seeds: the built-in series and closings of both sensors, one saturating.
scenario() { # NAME VARIANT PEAK1 PEAK2 PEAK3
  {
    echo "variant $2"; echo "serial 47$1"; echo "offset 40"
    for peak in "$3" "$4" "$5"; do
      printf 'await start-wait\nwait 1.0\npress 0.2\nawait threshold-wait\nwait 0.6\nclosing peak=%s clamp=40N\n' "$peak"
    done
    printf 'await start-wait\nwait 1.0\npress 0.2\nawait stop\n'
  } > "$work/seeds/$1.scn"
}
scenario 10 300 180N 210N 240N
scenario 11 300 250N 260N 280N
scenario 12 500 310N 345N 280N
scenario 13 500 420N 460N 390N
scenario 14 300 400N 410N 420N # beyond the 300 N sensor's range: saturated
seeds=()
for scn in "$work"/seeds/*.scn; do
  "$bin/klvtool" measure --sim "$scn" --date 2026-12-07 --out "${scn%.scn}.klv" > /dev/null
  seeds+=("${scn%.scn}.klv")
done
"$bin/klvtool" measure --sim series --date 2026-12-07 --out "$work/seeds/series.klv" > /dev/null
seeds+=("$work/seeds/series.klv")
"$bin/klv_archive_make" "$work/docs" "$count" "${seeds[@]}"
echo "archive: $count documents, $(du -sm "$work/docs" | cut -f1) MB in $work/docs"
cat "$work"/docs/*/*/*.klv > /dev/null # warm cache

# run LABEL: one timed run; sets LABEL_rate (by the clock) and LABEL_memory (KB)
run() {
  /usr/bin/time -v "$bin/klvtool" archive "$work/docs" --index "$work/archive.index" \
    --csv "$work/archive.csv" --json "$work/archive.json" --html "$work/archive.html" \
    2> "$work/$1.log"
  local line seconds cpu memory
  line=$(grep '^klvtool archive:' "$work/$1.log" | tail -n 1)
  seconds=$(sed -n 's/.* in \([0-9.]*\) s$/\1/p' <<< "$line")
  cpu=$(awk -F': ' '/User time|System time/ { t += $2 } END { print t }' "$work/$1.log")
  memory=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/$1.log")
  awk -v label="$1" -v n="$count" -v s="$seconds" -v c="$cpu" -v kb="$memory" -v line="$line" 'BEGIN {
    printf "%-11s %s\n%-11s %.0f documents/s by the clock, %.0f/s by CPU time (%.2f s), peak memory %.1f MB\n",
      label, line, "", n / s, n / c, c, kb / 1024 }'
  printf -v "${1//-/_}_rate" '%d' "$(awk -v n="$count" -v s="$seconds" 'BEGIN { printf "%d", n / s }')"
  printf -v "${1//-/_}_memory" '%d' "$memory"
}
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) (other work on the machine lowers the rates by the clock)"
rm -f "$work/archive.index"
run first-run
run second-run
verdict() { [ "$1" -ge "$2" ] && echo met || echo "NOT met"; }
echo "targets: first run >= 2000/s $(verdict "$first_run_rate" 2000)," \
  "second run >= 20000/s $(verdict "$second_run_rate" 20000)," \
  "memory < 100 MB $(verdict $((102400 - first_run_memory)) 1)"
