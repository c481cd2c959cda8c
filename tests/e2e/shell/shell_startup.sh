#!/usr/bin/env bash
# First start on an empty registry without a hint file: the settings key
# made and left without any value; the frame minimised and restored around
# its MDI client; New cancelled some hundred times without growth. First
# start with a hint file: port from it, file association with its byte
# lengths; the frame with no document (grey buttons and File items); a set
# port never overwritten; hint files without a number.
set -uo pipefail
. "$(dirname "$0")/lib.sh"
cd "$KLV_TEST_TMP"
clear_registry() {
  for key in 'HKCU\Software\VARNOK' 'HKCR\.klv' 'HKCR\Klemva.Document.1'; do
    wine reg delete "$key" /f >/dev/null 2>&1
  done
}
clear_registry

# -- No hint file: the key exists and holds no value at all ------------------
rm -f COM_Port_Hint.txt
start_app
if values=$(wine reg query "HKCU\\$SETTINGS" 2>/dev/null); then
  expect_eq "no value in the settings key" "" "$(grep -a REG_ <<<"$values" | tr -d '\r')"
else
  note_failure "no settings key after the first start"
fi

# Minimised, the frame leaves its MDI client where it was; restored, the
# client fills the width between the toolbar's bottom and the status bar's top.
layout_before=$(drv layout "$FRAME")
client_between_bars() {
  read -r _ toolbar _ left top right bottom _ status _ width <<<"$(drv layout "$FRAME")"
  [ "$left $top $right $bottom" == "0 $toolbar $width $status" ] && [ "$width" -gt 0 ]
}
client_between_bars || note_failure "MDI client not between the bars at start: $layout_before"
drv syscommand "$FRAME" minimize >/dev/null
frame_minimised() { [ "$(drv layout "$FRAME" | cut -d' ' -f11)" == 0 ]; } # no client area left
wait_until 5 frame_minimised || note_failure "the frame was not minimised: $(drv layout "$FRAME")"
client_after_minimise=$(drv layout "$FRAME" | cut -d' ' -f4-7)
expect_eq "MDI client untouched by minimising" "$(cut -d' ' -f4-7 <<<"$layout_before")" \
  "$client_after_minimise"
drv syscommand "$FRAME" restore >/dev/null
wait_until 5 client_between_bars ||
  note_failure "MDI client not laid out between the bars after restoring: $(drv layout "$FRAME")"

# New, then Annulla, again and again: handles, windows and memory stay put
# (a lost record of a cancelled measurement would be some 32 KB each time).
new_cancelled() { # times
  for _ in $(seq "$1"); do
    printf '%s\n' 'command class:Klemva 1001' 'wait-window "Nuova misuratione" 10000' \
      'click "Nuova misuratione" 2' 'wait-gone "Nuova misuratione" 10000'
  done > new_cancel.steps
  drv script "$(winpath "$KLV_TEST_TMP/new_cancel.steps")" >/dev/null ||
    note_failure "New and Annulla did not run $1 times"
}
new_cancelled 20   # the first dialogs load what stays loaded
read -r _ handles0 _ memory0 _ windows0 <<<"$(drv usage "$FRAME")"
new_cancelled 200
read -r _ handles1 _ memory1 _ windows1 <<<"$(drv usage "$FRAME")"
echo "after 20 and 220 cancelled: handles $handles0 $handles1, KB $memory0 $memory1, windows $windows0 $windows1"
expect_eq "windows after 200 cancelled" "$windows0" "$windows1"
[ "$((handles1 - handles0))" -le 10 ] || note_failure "handles grew from $handles0 to $handles1"
[ "$((memory1 - memory0))" -le 2048 ] || note_failure "memory grew from $memory0 KB to $memory1 KB"
expect_eq "no document window from a cancelled New" "" "$(drv mdi-children "$FRAME")"
drv close "$FRAME" >/dev/null
expect_app_ends
clear_registry

printf '3 is COM4\r\n' > COM_Port_Hint.txt
start_app
expect_eq "Port from the hint file" 3 "$(drv reg HKCU "$SETTINGS" Port)"
expect_eq "no AutoSave written" "" "$(drv reg HKCU "$SETTINGS" AutoSave 2>/dev/null)"
expect_eq ".klv with its NUL" "1 18 Klemva.Document.1" "$(drv regsize HKCR .klv '')"
folder=$(winpath "$KLV_WIN64_BIN")
icon="$folder\\KLEMVA.EXE,1"
expect_eq "icon without NUL (program folder)" "1 ${#icon} $icon" \
  "$(drv regsize HKCR 'Klemva.Document.1\DefaultIcon' '')"
command="$folder\\KLEMVA.EXE %1"
expect_eq "open command without NUL" "1 ${#command} $command" \
  "$(drv regsize HKCR 'Klemva.Document.1\shell\open\command' '')"
for id in 1001 1002; do expect_eq "button $id" enabled "$(drv toolbar-state "$FRAME" $id)"; done
for id in 1003 1006; do expect_eq "button $id, no document" grey "$(drv toolbar-state "$FRAME" $id)"; done
expect_eq "status bar" "Sistema di misuratione forza di chiusura" "$(drv text "$FRAME" 501)"
shot shell_frame_empty
shot_file_menu shell_menu_no_document
# As the menu shows them: Memorizzare, Memorizzare da..., Chiudere and
# Stampare... grey.
expect_eq "File menu, no document" "enabled enabled grey grey grey enabled enabled grey enabled enabled" \
  "$(menu_items shell_menu_no_document)"
drv command "$FRAME" 1008 >/dev/null
expect_app_ends

# A port already set stays; the folder of the 2.0 key names the program.
printf '0x1' > COM_Port_Hint.txt
wine reg add 'HKCU\Software\VARNOK\Klemva\2.0' /v directory /t REG_SZ /d 'C:\Klemva' /f >/dev/null 2>&1
start_app
expect_eq "Port kept" 3 "$(drv reg HKCU "$SETTINGS" Port)"
expect_eq "icon in the installed folder" '1 22 C:\Klemva\KLEMVA.EXE,1' \
  "$(drv regsize HKCR 'Klemva.Document.1\DefaultIcon' '')"
drv close "$FRAME" >/dev/null
expect_app_ends

# A hint without a number sets nothing; "0x1" is port 1 (COM2).
wine reg delete "HKCU\\$SETTINGS" /v Port /f >/dev/null 2>&1
printf 'COM2\r\n' > COM_Port_Hint.txt
start_app
expect_eq "no Port from a hint without a number" "" "$(drv reg HKCU "$SETTINGS" Port 2>/dev/null)"
drv close "$FRAME" >/dev/null
expect_app_ends
printf '0x1' > COM_Port_Hint.txt
start_app
expect_eq "Port from 0x1" 1 "$(drv reg HKCU "$SETTINGS" Port)"
drv close "$FRAME" >/dev/null
expect_app_ends
finish
