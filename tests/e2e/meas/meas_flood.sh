#!/usr/bin/env bash
# A flood on the line while the measurement dialog waits (flood.scn): random
# bytes at the line's full rate. For 30 s the dialog keeps answering and the
# program's memory stays flat; cancel, still under the flood, ends the dialog
# within a second; once the flood is over, a following series on the same
# port completes with klvtool's figures.
set -uo pipefail
TEST_NAME=e2e_meas_flood
here=$(cd "$(dirname "$0")" && pwd)
source "$here/meas_lib.sh"

folder="$WINEPREFIX/drive_c/klvtest/flood"
rm -rf "$folder"; mkdir -p "$folder"
simlog="$KLV_TEST_TMP/sim-COM1.log"
reset_settings 0 1 'C:\klvtest\flood'
start_program

# The program's resident memory in kB: the Wine process of this start.
resident_kb() {
  local pid
  for pid in $(pgrep -f 'klemva99_it\.exe'); do
    tr '\0' '\n' < "/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
    awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status"
  done | sort -n | tail -1
}

# Waits up to $2 seconds for a line matching $1 in the simulator's log.
sim_log_has() { grep -q "$1" "$simlog" 2>/dev/null; }
wait_sim_log() { wait_until "$2" sim_log_has "$1"; }

steps start <<STEPS
command Klemva 1001
wait-window "Nuova misuratione" 10000
set-text "Nuova misuratione" 109 "Prova di inondazione"
click "Nuova misuratione" 1
wait-window Misurazione 20000
STEPS
wait_sim_log 'state flood: random' 30 || fail "the flood did not begin"
steps flood_seen <<STEPS
snap Misurazione @SHOTS@\\${TEST_NAME}_flood.bmp
STEPS
before=$(resident_kb)
[ -n "$before" ] || fail "the program's process was not found"
# 30 s of flood; the dialog answers the driver all through it.
flood_start=$(date +%s)
while [ $(($(date +%s) - flood_start)) -lt 30 ]; do
  drv wait-text Misurazione 900 "" 1000 >/dev/null || fail "the dialog stopped answering during the flood"
  sleep 1
done
grep -q 'flood over' "$simlog" && fail "the flood ended before the test could cancel (machine too slow?)"
after=$(resident_kb)
echo "resident memory: $before kB at the flood's start, $after kB after 30 s of it"
[ "$after" -le $((before + 16384)) ] || fail "memory grew from $before kB to $after kB during the flood"

# Still flooding: cancel ends the dialog within a second.
steps cancel <<STEPS
click Misurazione 2
answer Klemva Yes "Vuole interrompere" 1000
wait-gone Misurazione 1000
priority Klemva NORMAL
wait-window "Nuova misuratione" 1000
STEPS
grep -q 'flood over' "$simlog" && fail "the flood ended before the dialog had closed"
wait_sim_log 'flood over' 40 || fail "the flood did not end"

steps series <<STEPS
click "Nuova misuratione" 1
wait-text Misurazione 900 "Aspetti la confermazione" 90000
wait-gone Misurazione 15000
priority Klemva NORMAL
wait-window ".klv" 10000
STEPS
file=$(wait_document_file "$folder/*.klv") || fail "the series after the flood was not saved"
agrees_with_klvtool "$file" "$here/after_flood.scn" "the series after the flood"
stop_program
convert_shots
echo PASS
