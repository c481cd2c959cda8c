#!/usr/bin/env bash
# A whole series through the program's windows (COM1 plays the built-in series):
# File > Nuovo, the description typed and picked, "&Avviamento...", three
# closings and the confirmation, the document saved automatically. The saved
# file must equal klvtool's record of the same scenario; the lists remember
# the chosen entries. Then a cancelled description dialog changes nothing.
set -uo pipefail
TEST_NAME=e2e_meas_series
here=$(cd "$(dirname "$0")" && pwd)
source "$here/meas_lib.sh"

folder="$WINEPREFIX/drive_c/klvtest/series"
rm -rf "$folder"; mkdir -p "$folder"
today=$(date -u +%d%m%Y)
file="$folder/$(date -u +%y%m%d)07.klv"
key='SOFTWARE\VARNOK\Klemva\2.0'
examiner45='Esaminatore con un nome di 45 caratteri esatti'
examiner45=${examiner45:0:45}
# Remarks of 300 characters: the record keeps the first 255.
remarks="Porta nuova\\nguarnizione sostituita $(printf 'x%.0s' $(seq 1 300))"
remarks=${remarks:0:301}
remarks255=$(printf 'Porta nuova\r\nguarnizione sostituita %s' "$(printf 'x%.0s' $(seq 1 300))")
remarks255=${remarks255:0:255}

reset_settings 0 1 'C:\klvtest\series'
steps lists <<STEPS
set-reg HKCU $key\\Einstellungen LastDate sz $today
set-reg HKCU $key\\Einstellungen Number dword 7
set-reg HKCU $key\\Prüfer 0 sz Rossi
set-reg HKCU $key\\Prüfer 1 sz Bianchi
set-reg HKCU $key\\Prüfer 5 sz Amato
set-reg HKCU $key\\Prüfer 20 sz Zanetti
set-reg HKCU $key\\Fahrzeug 0 sz "Fiat Tipo"
set-reg HKCU $key\\Türe 0 sz "anteriore sinistra"
set-reg HKCU $key\\Türe 1 sz "posteriore destra"
set-reg HKCU $key\\Türe Last sz "anteriore sinistra"
set-reg HKCU $key\\Messpunkt 0 sz maniglia
set-reg HKCU $key\\Methode 0 sz "chiusura lenta"
STEPS
start_program

steps description <<STEPS
command Klemva 1001
wait-window "Nuova misuratione" 10000
items "Nuova misuratione" 103 "Amato|Bianchi|Rossi"
items "Nuova misuratione" 108 "anteriore sinistra|posteriore destra"
wait-text "Nuova misuratione" 108 "=anteriore sinistra"
set-text "Nuova misuratione" 103 "$examiner45"
set-text "Nuova misuratione" 109 "Lancia Ypsilon"
pick "Nuova misuratione" 108 "posteriore destra"
pick "Nuova misuratione" 107 maniglia
pick "Nuova misuratione" 102 "chiusura lenta"
set-text "Nuova misuratione" 104 "$remarks"
snap "Nuova misuratione" @SHOTS@\\${TEST_NAME}_description.bmp
click "Nuova misuratione" 1
STEPS

steps measurement <<STEPS
wait-text Misurazione 900 "Aspetti l'avviamento di misurazione 1" 20000
priority Misurazione REALTIME
wait-text Misurazione 500 "=       S\tSensore:\tKLV1-AC5  SN4711\r\n       M"
wait-state Misurazione 102 disabled
snap Misurazione @SHOTS@\\${TEST_NAME}_waiting.bmp
wait-text Misurazione 900 "Inizzi la misurazione 1" 10000
snap Misurazione @SHOTS@\\${TEST_NAME}_settling.bmp
wait-text Misurazione 900 "Aspetti il superamento della soglia per la misuratione 1" 10000
snap Misurazione @SHOTS@\\${TEST_NAME}_threshold.bmp
wait-text Misurazione 900 "Misurazione 1 è in corso" 10000
wait-text Misurazione 101 " N" 2000
snap Misurazione @SHOTS@\\${TEST_NAME}_measuring.bmp
wait-text Misurazione 900 "Aspetti l'avviamento di misurazione 2" 15000
wait-state Misurazione 102 enabled
wait-text Misurazione 101 "=" 2000
wait-text Misurazione 900 "Aspetti l'avviamento di misurazione 3" 30000
snap Misurazione @SHOTS@\\${TEST_NAME}_waiting3.bmp
wait-text Misurazione 900 "Aspetti la confermazione di misurazione..." 30000
wait-state Misurazione 102 enabled
snap Misurazione @SHOTS@\\${TEST_NAME}_confirmation.bmp
wait-gone Misurazione 15000
wait-gone "Nuova misuratione" 5000
priority Klemva NORMAL
wait-window "$(date -u +%y%m%d)07.klv" 10000
STEPS
# The numbering is written between the title and the file: once the file is
# there, the settings are final.
wait_document_file "$file" >/dev/null || fail "no automatically saved file $file"
steps settings_after <<STEPS
expect-reg HKCU $key\\Einstellungen LastDate $today
expect-reg HKCU $key\\Einstellungen Number 8
expect-reg HKCU $key\\Prüfer Last "${examiner45:0:39}"
expect-reg HKCU $key\\Fahrzeug Last "Lancia Ypsilon"
expect-reg HKCU $key\\Türe Last "posteriore destra"
expect-reg HKCU $key\\Messpunkt Last maniglia
expect-reg HKCU $key\\Methode Last "chiusura lenta"
STEPS
drv snap Klemva "$SHOTS_W\\${TEST_NAME}_document.bmp" || fail "no document screenshot"

# The saved document agrees with klvtool's record of the same scenario.
"$KLVTOOL" measure --sim series --date "$(date -u +%F)" \
  --out "$KLV_TEST_TMP/reference.klv" >/dev/null || fail "klvtool measure failed"
python3 "$here/compare_docs.py" "$KLVTOOL" "$file" "$KLV_TEST_TMP/reference.klv" \
  || fail "the saved document differs from klvtool's record"
description=$("$KLVTOOL" info "$file" | jq -c '[.Pruefer, .Fahrzeug, .Tuer, .Position, .MessTyp, .Edit]')
expected=$(jq -cn --arg e "${examiner45:0:39}" --arg r "$remarks255" \
  '[$e, "Lancia Ypsilon", "posteriore destra", "maniglia", "chiusura lenta", $r]')
[ "$description" = "$expected" ] || fail "description $description, expected $expected"

# The next description dialog shows the remembered entries; a typed vehicle
# is no list entry. Cancelling it creates nothing and writes nothing.
steps cancel <<STEPS
command Klemva 1001
wait-window "Nuova misuratione" 10000
wait-text "Nuova misuratione" 109 "=Lancia Ypsilon"
items "Nuova misuratione" 109 "Fiat Tipo"
wait-text "Nuova misuratione" 103 "=${examiner45:0:39}"
set-reg HKCU $key\\Einstellungen Number dword 8
click "Nuova misuratione" 2
wait-gone "Nuova misuratione" 5000
expect-reg HKCU $key\\Einstellungen Number 8
expect-reg HKCU $key\\Fahrzeug Last "Lancia Ypsilon"
STEPS
[ "$(ls "$folder" | wc -l)" -eq 1 ] || fail "cancelling saved a file: $(ls "$folder")"
[ "$(drv children Klemva | grep -c ' MdiChild ')" -eq 1 ] || fail "cancelling made a document window"
stop_program
convert_shots
echo PASS
