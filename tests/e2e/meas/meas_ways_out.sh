#!/usr/bin/env bash
# Every other way out of the two dialogs, one program start:
#   COM4 stream.scn  test mode (the value field on the dialog's own colour);
#                    the end question answered "Yes"
#   COM2 stops.scn   a device that falls silent: cancel still ends promptly
#   COM3 silent.scn  no answer to the identification: message 30049
#   COM5 notklv.scn  a device that is no KLV: three whole identification
#                    attempts, then message 30049, and the stream never started
#   COM10 (no link)  a port that does not exist: message 30048
#   COM1 faults.scn  garbage and lost bytes: the series completes, saved, and
#                    agrees with klvtool's record of the same scenario; the
#                    settings vanished meanwhile (port: COM1), and the typed
#                    description still reaches the document
# After each the user is back in the description dialog at normal priority.
set -uo pipefail
TEST_NAME=e2e_meas_ways_out
here=$(cd "$(dirname "$0")" && pwd)
source "$here/meas_lib.sh"

folder="$WINEPREFIX/drive_c/klvtest/faults"
rm -rf "$folder"; mkdir -p "$folder"
settings='SOFTWARE\VARNOK\Klemva\2.0\Einstellungen'
reset_settings 3 1 'C:\klvtest\faults'
start_program

steps test_mode <<STEPS
command Klemva 1001
wait-window "Nuova misuratione" 10000
set-text "Nuova misuratione" 109 "Alfa Romeo Giulia"
click "Nuova misuratione" 101
wait-window "Modo del test" 20000
wait-text "Modo del test" 2 "=&Fine"
wait-state "Modo del test" 102 hidden
wait-text "Modo del test" 900 "=In corso nel modo di test (niente stampa offset) ..."
wait-text "Modo del test" 101 " N" 5000
pixel "Modo del test" 466 250 3 250
priority "Modo del test" REALTIME
snap "Modo del test" @SHOTS@\\${TEST_NAME}_test_mode.bmp
click "Modo del test" 2
wait-gone "Modo del test" 5000
priority Klemva NORMAL
wait-text "Nuova misuratione" 109 "=Alfa Romeo Giulia"
click "Nuova misuratione" 1
wait-text Misurazione 900 "Aspetti l'avviamento di misurazione 1" 20000
click Misurazione 2
answer Klemva Yes "Vuole interrompere"
wait-gone Misurazione 5000
priority Klemva NORMAL
wait-window "Nuova misuratione" 1000
STEPS

steps device_stops <<STEPS
set-reg HKCU $settings Port dword 1
click "Nuova misuratione" 1
wait-text Misurazione 900 "Aspetti l'avviamento di misurazione 1" 20000
wait-text Misurazione 101 "=" 3000
click Misurazione 2
answer Klemva Yes "Vuole interrompere"
wait-gone Misurazione 3000
priority Klemva NORMAL
STEPS

# A start that fails with the program's message: the box pictured and
# answered, the user back in the description dialog at normal priority.
failed_start() { # failed_start NAME PORT_INDEX TEXT
  steps "$1" <<STEPS
set-reg HKCU $settings Port dword $2
click "Nuova misuratione" 1
wait-window dialog:Klemva 20000
snap dialog:Klemva @SHOTS@\\${TEST_NAME}_$1.bmp
answer Klemva OK "$3" 1000
wait-gone Misurazione 5000
priority Klemva NORMAL
wait-window "Nuova misuratione" 1000
STEPS
}
sensor_not_found="Il sensore non è potuto essere trovato.\r\nPer piacere controllate la conessione al port seriale del Vs. PC."
failed_start no_answer 2 "$sensor_not_found"
failed_start no_port 9 "L'apparecchio \\\"COM10\\\" non è potuto essere aperto."
failed_start not_klv 4 "$sensor_not_found"
# Each attempt reads the whole identification from byte 0; the stream is
# started only for a device that identified.
attempts=$(grep -c 'rx 52 00:' "$KLV_TEST_TMP/sim-COM5.log")
[ "$attempts" -eq 3 ] || fail "$attempts identification attempts on the device that is no KLV, expected 3"
grep -q 'rx 52 1d:' "$KLV_TEST_TMP/sim-COM5.log" || fail "the attempts did not read the identification to its last byte"
! grep -q 'rx e0' "$KLV_TEST_TMP/sim-COM5.log" || fail "the stream was started on a device that is no KLV"
[ "$(drv children Klemva | grep -c ' MdiChild ')" -eq 0 ] || fail "a document window appeared"

steps faults <<STEPS
clear-key HKCU SOFTWARE\\VARNOK\\Klemva\\2.0
click "Nuova misuratione" 1
wait-text Misurazione 900 "Aspetti la confermazione" 90000
wait-gone Misurazione 15000
priority Klemva NORMAL
wait-window ".klv" 10000
STEPS
file=$(wait_document_file "$folder/*.klv") || fail "the series on the faulty line was not saved"
"$KLVTOOL" measure --sim "$here/faults.scn" --date "$(date -u +%F)" \
  --out "$KLV_TEST_TMP/reference.klv" >/dev/null || fail "klvtool measure failed"
python3 "$here/compare_docs.py" "$KLVTOOL" "$file" "$KLV_TEST_TMP/reference.klv" \
  || fail "the series on the faulty line differs from klvtool's record"
vehicle=$("$KLVTOOL" info "$file" | jq -r .Fahrzeug)
[ "$vehicle" = "Alfa Romeo Giulia" ] || fail "vehicle \"$vehicle\" in the document"
stop_program
convert_shots
echo PASS
