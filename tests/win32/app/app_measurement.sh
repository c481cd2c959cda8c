#!/usr/bin/env bash
# The 32-bit program's whole measurement (COM1 plays series_exact.scn, the
# scenario of the 64-bit end-to-end series): File > Nuovo, the description
# typed and picked, three closings from the simulator and the confirmation,
# the document saved automatically. The saved figures and curves must agree
# with klvtool's record of the same scenario, as the 64-bit program's do.
set -uo pipefail
TEST_NAME=win32_meas_series
here=$(cd "$(dirname "$0")" && pwd)
meas="$here/../../e2e/meas"
source "$meas/meas_lib.sh"

folder="$WINEPREFIX/drive_c/klvtest/series32"
rm -rf "$folder"; mkdir -p "$folder"
today=$(date -u +%d%m%Y)
file="$folder/$(date -u +%y%m%d)03.klv"
key='SOFTWARE\VARNOK\Klemva\2.0'

reset_settings 0 1 'C:\klvtest\series32'
steps lists <<STEPS
set-reg HKCU $key\\Einstellungen LastDate sz $today
set-reg HKCU $key\\Einstellungen Number dword 3
set-reg HKCU $key\\Türe 0 sz "anteriore sinistra"
set-reg HKCU $key\\Türe 1 sz "posteriore destra"
set-reg HKCU $key\\Messpunkt 0 sz maniglia
STEPS
start_program

steps description <<STEPS
command Klemva 1001
wait-window "Nuova misuratione" 10000
items "Nuova misuratione" 108 "anteriore sinistra|posteriore destra"
set-text "Nuova misuratione" 103 "Bianchi"
set-text "Nuova misuratione" 109 "Lancia Ypsilon"
pick "Nuova misuratione" 108 "posteriore destra"
pick "Nuova misuratione" 107 maniglia
set-text "Nuova misuratione" 104 "Porta nuova, i686"
snap "Nuova misuratione" @SHOTS@\\${TEST_NAME}_description.bmp
click "Nuova misuratione" 1
STEPS

steps measurement <<STEPS
wait-text Misurazione 900 "Aspetti l'avviamento di misurazione 1" 20000
priority Misurazione REALTIME
wait-text Misurazione 500 "=       S\tSensore:\tKLV1-AC5  SN4711\r\n       M"
wait-state Misurazione 102 disabled
wait-text Misurazione 900 "Misurazione 1 è in corso" 20000
wait-text Misurazione 101 " N" 2000
snap Misurazione @SHOTS@\\${TEST_NAME}_measuring.bmp
wait-text Misurazione 900 "Aspetti l'avviamento di misurazione 2" 15000
wait-state Misurazione 102 enabled
wait-text Misurazione 900 "Aspetti l'avviamento di misurazione 3" 30000
wait-text Misurazione 900 "Aspetti la confermazione di misurazione..." 30000
snap Misurazione @SHOTS@\\${TEST_NAME}_confirmation.bmp
wait-gone Misurazione 15000
wait-gone "Nuova misuratione" 5000
priority Klemva NORMAL
wait-window "$(date -u +%y%m%d)03.klv" 10000
STEPS
wait_document_file "$file" >/dev/null || fail "no automatically saved file $file"
steps settings_after <<STEPS
expect-reg HKCU $key\\Einstellungen Number 4
expect-reg HKCU $key\\Türe Last "posteriore destra"
STEPS
drv snap Klemva "$SHOTS_W\\${TEST_NAME}_document.bmp" || fail "no document screenshot"

# The figures the 32-bit program shows are those it saved.
shown=$(drv children Klemva | tr -d '\r' | sed -n 's/^Forza di punta:\t*\([0-9.]*\).*/\1/p' | head -3 | tr '\n' ' ')
saved=$("$KLVTOOL" info "$file" | jq -r '[.Descr1, .Descr2, .Descr3][]' |
  sed -n 's/^Forza di punta:\t*\([0-9.]*\).*/\1/p' | tr '\n' ' ')
echo "peaks shown: $shown saved: $saved"
[ -n "$shown" ] && [ "$shown" = "$saved" ] || fail "document window shows peaks '$shown', the file holds '$saved'"

"$KLVTOOL" measure --sim "$meas/series_exact.scn" --date "$(date -u +%F)" \
  --out "$KLV_TEST_TMP/reference.klv" >/dev/null || fail "klvtool measure failed"
python3 "$meas/compare_docs.py" "$KLVTOOL" "$file" "$KLV_TEST_TMP/reference.klv" \
  || fail "the 32-bit program's document differs from klvtool's record"
description=$("$KLVTOOL" info "$file" | jq -c '[.Pruefer, .Fahrzeug, .Tuer, .Position, .Edit]')
expected='["Bianchi","Lancia Ypsilon","posteriore destra","maniglia","Porta nuova, i686"]'
[ "$description" = "$expected" ] || fail "description $description, expected $expected"
stop_program
convert_shots
echo PASS
