#!/usr/bin/env bash
# First start on an empty registry: settings key, port from the hint file,
# file association with its byte lengths; the frame with no document (grey
# buttons); a set port never overwritten; hint files without a number.
set -uo pipefail
. "$(dirname "$0")/lib.sh"
cd "$KLV_TEST_TMP"
for key in 'HKCU\Software\VARNOK' 'HKCR\.klv' 'HKCR\Klemva.Document.1'; do
  wine reg delete "$key" /f >/dev/null 2>&1
done

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
