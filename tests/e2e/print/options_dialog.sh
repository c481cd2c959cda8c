#!/usr/bin/env bash
# The options dialog, round trips through the registry for each rule of the
# dialog: port entry = Port, list switches and OK store, Annulla does not,
# lines cut and numbered as typed, nothing for two characters or fewer, the
# unchanged bitmap caption stored; an unknown port and an over-long list.
set -uo pipefail
TEST_NAME=options_dialog
here=$(cd "$(dirname "$0")" && pwd)
source "$here/print_lib.sh"
dlg=Impostazioni
settings=Einstellungen
vehicles=Fahrzeug

open_options() {
  drv command class:Klemva 11842
  drv wait-window $dlg 10000 >/dev/null || fail "the options dialog did not open"
  # Its controls answer once the dialog has been set up.
  wait_until 5 options_answer || fail "the options dialog's controls did not answer"
}
options_answer() { drv text $dlg 105 >/dev/null 2>&1; }
close_with() { # 1 = OK, 2 = Annulla
  drv click $dlg "$1"
  drv wait-gone $dlg 10000 || fail "the options dialog did not close"
}
# A real click on a list's radio button; the click is handled, list switch
# included, by the time the button reads as ticked.
switch_list() {
  drv press $dlg "$1"
  wait_until 10 radio_ticked "$1" || fail "radio button $1 did not take the click"
}
radio_ticked() { [ "$(drv checked $dlg "$1")" == 1 ]; }
list_text() { drv text $dlg 111 | tr -d '\r'; }
expect_list() {
  local got
  got=$(list_text)
  [ "$got" == "$1" ] || fail "the list shows \"$got\", expected \"$1\""
}

reg_clear
reg_set $settings Port REG_DWORD 2
reg_set $vehicles 0 REG_SZ "Fiat Tipo"
reg_set $vehicles 1 REG_SZ "Lancia Ypsilon"
reg_set $vehicles 2 REG_SZ "Alfa 156"
reg_set "Prüfer" 0 REG_SZ Rossi
start_program

echo "--- opening: Port 2 shows COM3, the examiners' list, no bitmap chosen"
open_options
[ "$(drv cursel $dlg 101 | tr -d '\r')" == 2 ] || fail "Port 2 does not show COM3"
[ "$(drv text $dlg 101 | tr -d '\r')" == COM3 ] || fail "the port box does not read COM3"
[ "$(drv checked $dlg 106 | tr -d '\r')" == 1 ] || fail "Esaminatore is not selected"
expect_list "Rossi"
[ "$(drv text $dlg 105 | tr -d '\r')" == "Selezionare bitmap" ] || fail "bitmap caption changed"

echo "--- the tenth port, a vehicle list with its last entry deleted, OK"
drv select $dlg 101 9
switch_list 107
expect_list $'Fiat Tipo\nLancia Ypsilon\nAlfa 156'
drv set-text $dlg 111 'Fiat Tipo\nLancia Ypsilon\n'
shot $dlg list
close_with 1
expect_reg $settings Port 9
expect_reg $settings BMP "Selezionare bitmap"
[ "$(drv regsize HKCU 'SOFTWARE\VARNOK\Klemva\2.0\Einstellungen' BMP | awk '{print $2}')" == 256 ] \
  || fail "BMP is not stored as 256 bytes"
expect_reg $settings Logo 0
expect_reg $settings AutoSave 0
expect_reg $vehicles 2 "Alfa 156"
[ "$(drv regsize HKCU 'SOFTWARE\VARNOK\Klemva\2.0\Fahrzeug' 0 | awk '{print $2}')" == 80 ] \
  || fail "a list entry is not stored as 80 bytes"

echo "--- the deleted entry is still there; Annulla after an edit stores nothing"
open_options
[ "$(drv cursel $dlg 101 | tr -d '\r')" == 9 ] || fail "COM10 not selected after storing 9"
switch_list 107
expect_list $'Fiat Tipo\nLancia Ypsilon\nAlfa 156'
drv set-text $dlg 111 'Panda\n'
close_with 2
expect_reg $vehicles 0 "Fiat Tipo"

echo "--- Annulla after a list switch keeps the switched-from list"
open_options
switch_list 107
drv set-text $dlg 111 'Primo\n\nSecondo'
switch_list 108
close_with 2
expect_reg $vehicles 0 "Primo"
expect_reg $vehicles 1 "Lancia Ypsilon"
expect_reg $vehicles 2 "Secondo"

echo "--- two characters store nothing; long lines are cut at 79"
long=$(printf 'x%.0s' $(seq 1 85))
open_options
switch_list 108
drv set-text $dlg 111 AB
switch_list 110
drv set-text $dlg 111 "$long"
close_with 1
expect_reg "Türe" 0 "<absent>"
expect_reg Messpunkt 0 "${long:0:79}"

echo "--- a Port beyond COM32 shows no port and stays"
reg_set $settings Port REG_DWORD 40
open_options
[ "$(drv cursel $dlg 101 | tr -d '\r')" == -1 ] || fail "Port 40 shows a port"
close_with 1
expect_reg $settings Port 40

echo "--- a list grown past one edit's length shows and keeps every entry"
entry=$(printf 'y%.0s' $(seq 1 79))
for i in $(seq 0 19); do reg_set Methode "$i" REG_SZ "$entry"; done
open_options
switch_list 112
[ "$(list_text | grep -c "^$entry\$")" -eq 20 ] || fail "not all twenty entries shown"
close_with 1
for i in 12 19; do expect_reg Methode $i "$entry"; done

echo "--- the bitmap chooser puts the chosen path on the button"
convert -size 60x20 xc:navy "BMP3:$KLV_TEST_TMP/logo.bmp"
open_options
# The chooser opens on a click of the caption button; a click that finds
# the dialog still busy with its last message is tried again.
for _ in 1 2 3; do
  drv click $dlg 105 && drv wait-window Open 5000 >/dev/null && break
done
drv wait-window Open 1000 >/dev/null || fail "no file dialog"
drv set-text Open 1148 "$(winpath "$KLV_TEST_TMP/logo.bmp")"
drv press Open "Open"
drv wait-gone Open 10000 || fail "the file dialog stayed open"
[ "$(drv text $dlg 105 | tr -d '\r')" == "$(winpath "$KLV_TEST_TMP/logo.bmp")" ] \
  || fail "the button does not show the chosen path"
drv press $dlg 113
close_with 1
expect_reg $settings BMP "$(winpath "$KLV_TEST_TMP/logo.bmp")"
expect_reg $settings Logo 1

stop_program
echo "PASS"
