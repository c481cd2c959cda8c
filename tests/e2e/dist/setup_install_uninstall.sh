#!/usr/bin/env bash
# Builds the 64-bit setup program (this machine cannot run the 32-bit one) and
# runs it in a fresh Wine prefix of its own:
#   1. silent install into a folder with a blank: files, registry values,
#      shortcuts, the entry in the program list;
#   2. the installed program starts and writes the association to the install
#      folder; a silent install while it runs ends with exit code 3 and
#      changes nothing; opening a .klv through it shows the document;
#   3. a second install over the first, page by page with a screenshot of each,
#      started while the program runs: the setup asks to close it and goes on
#      when retried; the folders chosen before are proposed, the settings
#      stay; a third one moves the program to another folder;
#   4. uninstall through its pages (their texts read), again asked to close
#      the running program; then a reinstall and a silent uninstall: program,
#      shortcuts, association and entry gone; measurements folder and
#      settings kept.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../lib/testlib.sh"
check() { # check DESCRIPTION ACTUAL EXPECTED
    if [ "$2" != "$3" ]; then
        note_failure "$1: got \"$2\", expected \"$3\""
    fi
}

dist="$KLV_TEST_TMP/dist"
bash "$KLV_SCRIPTS/dist.sh" --arch 64 --win64-bin "$KLV_WIN64_BIN" --out "$dist" ||
    fail "scripts/dist.sh did not build the setup program"

export WINEPREFIX="$KLV_TEST_TMP/prefix"
trap 'wineserver -k 2>/dev/null' EXIT
wine wineboot -i >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1000 /f >/dev/null 2>&1
wineserver -w

reg_value() { # reg_value KEY NAME (empty NAME: the default value)
    local sel=(/v "$2")
    [ -n "$2" ] || sel=(/ve)
    wine reg query "$1" "${sel[@]}" 2>/dev/null | tr -d '\r' | awk -F '    ' '/ REG_/ {print $4}'
}
key_exists() { wine reg query "$1" >/dev/null 2>&1 && echo yes || echo no; }
title="Installazione di Klemva"
control_shows() { [[ "$(drv text "$title" "$1" 2>/dev/null)" == *"$2"* ]]; }
wait_text() { # wait_text ID TEXT: until the control's text contains TEXT
    wait_until 10 control_shows "$1" "$2" && return 0
    note_failure "control $1 of the setup shows \"$(drv text "$title" "$1" 2>/dev/null)\", not \"$2\""
    return 1
}
# The question about the running program (a message box captioned as the
# setup's window without its trailing blank): its text checked, then the
# program closed like a user and the question answered with Retry.
close_program_and_retry() { # close_program_and_retry CAPTION TEXT SHOT
    local box="dialog:$1"
    drv wait-window "$box" 20000 >/dev/null || { note_failure "no question about the running program"; return; }
    # The box's own pixels: over other windows the screen's picture of it
    # stays black under Xvfb.
    drv capture "$box" "$KLV_TEST_TMP/$3.bmp" >/dev/null &&
        convert "$KLV_TEST_TMP/$3.bmp" "$KLV_SCREENSHOTS/dist_$3.png"
    [[ "$(drv text "$box" 65535 | iconv -f CP1252 -t UTF-8)" == *"$2"* ]] ||
        note_failure "the question says \"$(drv text "$box" 65535)\", not \"$2\""
    drv close class:Klemva >/dev/null
    drv wait-gone class:Klemva 10000 >/dev/null || fail "the program did not end when closed"
    drv click "$box" 4 >/dev/null
    drv wait-gone "$box" 10000 >/dev/null || note_failure "the question stayed after Retry"
}
running_install="Klemva è in esecuzione e i suoi file non possono essere sostituiti."
running_uninstall="Klemva è in esecuzione e i suoi file non possono essere rimossi."
shot() { bash "$KLV_SCRIPTS/screenshot.sh" "dist_$1" >/dev/null; }

drive_c="$WINEPREFIX/drive_c"
prog_win='C:\Klemva Prova'
prog_dir="$drive_c/Klemva Prova"
# The longest measurements folder the program reads: 79 characters.
meas_name="Misure Klemva $(printf 'm%.0s' $(seq 1 62))"
meas_win="C:\\$meas_name"
meas_dir="$drive_c/$meas_name"
klemva='HKCU\Software\VARNOK\Klemva'
classes='HKCU\Software\Classes'
uninstall='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Klemva'

# 1. Silent install, from a command file as an administrator would type it
# (/D= must stay unquoted, which wine's own argument quoting would break).
silent_install() { # silent_install MEASUREMENTS_FOLDER PROGRAM_FOLDER
    printf '@Klemva-2.4-setup.exe /S /MISURE="%s" /D=%s\r\n' "$1" "$2" >"$dist/install.cmd"
    (cd "$dist" && wine cmd /c install.cmd)
}
# Folders longer than the program accepts are refused with exit code 2.
while IFS='|' read -r meas prog; do
    silent_install "$meas" "$prog"
    check "exit code of a silent install into $meas, $prog" $? 2
done <<TABLE
${meas_win}x|$prog_win
$meas_win|C:\\$(printf 'p%.0s' $(seq 1 246))
TABLE
check "program folder value after refused installs" "$(reg_value "$klemva\\2.0" directory)" ""
silent_install "$meas_win" "$prog_win" || fail "silent install ended with an error"
for f in KLEMVA.EXE varnok.dll FindKLV.exe Disinstalla.exe; do
    check "installed file $f" "$([ -f "$prog_dir/$f" ] && echo present)" present
done
check "measurements folder" "$([ -d "$meas_dir" ] && echo present)" present
check "example limit file" "$(cmp -s "$meas_dir/Limiti.ini" <(sed 's/$/\r/' "$KLV_SCRIPTS/../dist/Limiti.ini") && echo installed)" installed
menu=$(echo "$drive_c"/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Klemva)
for l in "Klemva" "Ricerca porta (FindKLV)" "Disinstalla Klemva"; do
    check "start menu entry $l" "$([ -f "$menu/$l.lnk" ] && echo present)" present
done
while IFS='|' read -r key name expected; do
    check "$key $name" "$(reg_value "$key" "$name")" "$expected"
done <<TABLE
$klemva\\2.0|directory|$prog_win
$klemva|directory|$meas_win
$classes\\.klv||Klemva.Document.1
$classes\\Klemva.Document.1\\DefaultIcon||$prog_win\\KLEMVA.EXE,1
$classes\\Klemva.Document.1\\shell\\open\\command||$prog_win\\KLEMVA.EXE %1
$uninstall|DisplayName|Klemva 2.4
$uninstall|DisplayVersion|2.4
$uninstall|Publisher|VARNOK GmbH
$uninstall|UninstallString|"$prog_win\\Disinstalla.exe"
$uninstall|QuietUninstallString|"$prog_win\\Disinstalla.exe" /S
TABLE
size_kb=$(($(reg_value "$uninstall" EstimatedSize)))
[ "$size_kb" -ge $(($(du -k -c "$prog_dir"/* | tail -1 | cut -f1) - 64)) ] ||
    check "EstimatedSize in KB" "$size_kb" "about $(du -sk "$prog_dir" | cut -f1)"
# DefaultIcon names the program file's icon index 1: the second icon group.
icons=$(x86_64-w64-mingw32-objdump -p "$prog_dir/KLEMVA.EXE" |
    awk '/^[0-9a-f]+   Entry: ID: 0x00000e,/ {g = 1; next}
         g && /^[0-9a-f]+   Entry:/ {exit}
         g && /^[0-9a-f]+     Entry: ID:/ {sub(",", "", $4); printf "%s ", $4}')
check "icon groups of KLEMVA.EXE" "$icons" "0x000065 0x000066 "

# 2. The installed program writes the association to its own folder. Under
# Wine HKEY_CLASSES_ROOT is the machine's classes, so the association exists
# only once the program has written it; on Windows the writes land in the
# user's classes that the setup made.
check "association before the first start" "$(key_exists 'HKCR\Klemva.Document.1')" no
wine "$prog_dir/KLEMVA.EXE" &
app=$!
drv wait-window class:Klemva 20000 >/dev/null || fail "the installed program shows no window"
shot 0_installed_program
while IFS='|' read -r key expected; do
    check "$key after the first start" "$(reg_value "$key" "")" "$expected"
done <<TABLE
HKCR\.klv|Klemva.Document.1
HKCR\Klemva.Document.1\DefaultIcon|$prog_win\KLEMVA.EXE,1
HKCR\Klemva.Document.1\shell\open\command|$prog_win\KLEMVA.EXE %1
TABLE
# A silent install while the program runs would leave the old files in place:
# it ends with exit code 3 and writes nothing (the mark added to the program
# file stays, the uninstaller keeps its time).
printf 'mark' >>"$prog_dir/KLEMVA.EXE"
uninstaller_time=$(date -r "$prog_dir/Disinstalla.exe" +%s%N)
silent_install "$meas_win" "$prog_win"
check "exit code of a silent install while the program runs" $? 3
check "program file after it" "$(tail -c 4 "$prog_dir/KLEMVA.EXE")" mark
check "uninstaller after it" "$(date -r "$prog_dir/Disinstalla.exe" +%s%N)" "$uninstaller_time"
drv close class:Klemva >/dev/null
wait $app
# A series saved into the measurements folder, opened as a user would.
doc_name="Serie di prova"
"$KLVTOOL" measure --sim series --date 2026-12-07 --out "$meas_dir/$doc_name.klv" >/dev/null ||
    fail "klvtool could not make a document"
wine start "$meas_win\\$doc_name.klv"
drv wait-window class:Klemva 20000 >/dev/null || fail "opening $doc_name.klv started no program"
document_window_shown() { [[ "$(drv mdi-children class:Klemva 2>/dev/null)" == *"$doc_name"* ]]; }
check "document window of $doc_name.klv" "$(wait_until 10 document_window_shown && echo shown)" shown
shot 0_document_opened
drv close class:Klemva >/dev/null
drv wait-gone class:Klemva 10000 >/dev/null || fail "the program did not end when closed"

# 3. User data, then a second install through the pages.
wine reg add "$klemva\\2.0\\Einstellungen" /v Port /t REG_DWORD /d 3 /f >/dev/null 2>&1
echo data >"$meas_dir/misura.klv"
own_limits=$'[Mio insieme]\r\nMedia.ForzaDiPunta=123'
printf '%s' "$own_limits" >"$meas_dir/Limiti.ini"
wine "$prog_dir/KLEMVA.EXE" &
app=$!
drv wait-window class:Klemva 20000 >/dev/null || fail "the installed program shows no window"
wine "$dist/Klemva-2.4-setup.exe" &
setup=$!
drv wait-window "Lingua / Language" 20000 >/dev/null || fail "no language choice at the start of the setup"
shot 1_language
drv click "Lingua / Language" 1 >/dev/null
drv wait-window "$title" 10000 >/dev/null || fail "no setup window after the language choice"
wait_text 1201 "Installazione di Klemva 2.4" && shot 2_welcome
drv click "$title" 1 >/dev/null
wait_text 1037 "Selezione componenti" && shot 3_components
drv click "$title" 1 >/dev/null
wait_text 1037 "Selezione cartella installazione" && shot 4_program_folder
folder=$(drv text "$title" 1019 | tr -d '\r')
check "proposed program folder" "${folder%\\}" "$prog_win"
drv click "$title" 1 >/dev/null
wait_text 1037 "Cartella delle misurazioni" && shot 5_measurements_folder
check "proposed measurements folder" "$(drv text "$title" 1019 | tr -d '\r')" "$meas_win"
drv click "$title" 1 >/dev/null
close_program_and_retry "Installazione di Klemva 2.4" "$running_install" 6_program_running
wait $app
wait_text 1201 "completata" && shot 7_finish
check "program file after the second install" \
    "$(cmp -s "$prog_dir/KLEMVA.EXE" "$dist/stage/Klemva/KLEMVA.EXE" && echo replaced)" replaced
drv click "$title" 1 >/dev/null
drv wait-gone "$title" 10000 >/dev/null || fail "the setup did not close on Chiudi"
wait $setup
# "Esegui Klemva 2.4", checked by default, starts the installed program.
drv wait-window class:Klemva 20000 >/dev/null || fail "the finish page did not start the program"
drv close class:Klemva >/dev/null
drv wait-gone class:Klemva 10000 >/dev/null || fail "the program did not end when closed"
check "program folder after the second install" "$(reg_value "$klemva\\2.0" directory)" "$prog_win"
check "Port after the second install" "$(reg_value "$klemva\\2.0\\Einstellungen" Port)" 0x3
check "measurements folder after the second install" "$(reg_value "$klemva" directory)" "$meas_win"
check "the inspector's limit file after the second install" "$(cat "$meas_dir/Limiti.ini")" "$own_limits"

# A silent install into another folder moves the program: the old copy goes,
# and the program's next start points the association at the new folder.
silent_install "$meas_win" 'C:\Klemva Altrove' || fail "silent install into a new folder failed"
check "old program folder after the move" "$([ -e "$prog_dir" ] && echo present || echo gone)" gone
prog_win='C:\Klemva Altrove'
prog_dir="$drive_c/Klemva Altrove"
check "moved program" "$([ -f "$prog_dir/KLEMVA.EXE" ] && echo present)" present
check "program folder value after the move" "$(reg_value "$klemva\\2.0" directory)" "$prog_win"
wine "$prog_dir/KLEMVA.EXE" &
app=$!
drv wait-window class:Klemva 20000 >/dev/null || fail "the moved program shows no window"
check "open command after the move" \
    "$(reg_value 'HKCR\Klemva.Document.1\shell\open\command' "")" "$prog_win\\KLEMVA.EXE %1"
drv close class:Klemva >/dev/null
wait $app

# 4. Uninstall through the pages while the program runs. The uninstaller runs
# from a copy, so its window is waited for.
wine "$prog_dir/KLEMVA.EXE" &
app=$!
drv wait-window class:Klemva 20000 >/dev/null || fail "the moved program shows no window"
wine "$prog_dir/Disinstalla.exe" &
title="Disinstallazione di Klemva"
drv wait-window "$title" 20000 >/dev/null || fail "no uninstaller window"
wait_text 1037 "Disinstallazione" && shot 8_uninstall_confirm
while IFS='|' read -r id expected; do
    check "control $id of the uninstaller's first page" \
        "$(drv text "$title" "$id" | iconv -f CP1252 -t UTF-8)" "$expected"
done <<TABLE
1038|Disinstalla il programma Klemva 2.4.
1029|Rimozione da:
1000|$prog_win\\
1006|Le misurazioni nella cartella $meas_win e le impostazioni di Klemva (porta, opzioni, elenchi) non vengono cancellate: sono dati dell'utente.
1|&Disinstalla
TABLE
drv click "$title" 1 >/dev/null
close_program_and_retry "Disinstallazione di Klemva 2.4" "$running_uninstall" 9_uninstall_program_running
wait $app
wait_text 1201 "Disinstallazione di Klemva 2.4 completata." && shot 10_uninstall_finish
check "the uninstaller's last page" "$(drv text "$title" 1202 | tr -d '\r' | iconv -f CP1252 -t UTF-8)" \
    "Klemva è stato rimosso dal computer.

Le misurazioni nella cartella $meas_win e le impostazioni di Klemva (porta, opzioni, elenchi) non vengono cancellate: sono dati dell'utente."
check "the last page's button" "$(drv text "$title" 1)" "&Chiudi"
drv click "$title" 1 >/dev/null
drv wait-gone "$title" 10000 >/dev/null || fail "the uninstaller did not close on Chiudi"
check "program folder after the uninstall through the pages" \
    "$([ -e "$prog_dir" ] && echo present || echo gone)" gone
check "program entry after the uninstall through the pages" "$(key_exists "$uninstall")" no

# Installed again, then uninstalled silently.
silent_install "$meas_win" "$prog_win" || fail "silent install after the uninstall failed"
wine "$prog_dir/Disinstalla.exe" /S
uninstalled() { [ ! -e "$prog_dir" ] && [ "$(key_exists "$uninstall")" = no ]; }
wait_until 60 uninstalled
wineserver -w
check "program folder after uninstall" "$([ -e "$prog_dir" ] && echo present || echo gone)" gone
check "start menu folder after uninstall" "$([ -e "$menu" ] && echo present || echo gone)" gone
for key in "$uninstall" "$classes\\.klv" "$classes\\Klemva.Document.1" \
    'HKCR\.klv' 'HKCR\Klemva.Document.1'; do
    check "key $key after uninstall" "$(key_exists "$key")" no
done
check "program folder value after uninstall" "$(reg_value "$klemva\\2.0" directory)" ""
check "Port after uninstall" "$(reg_value "$klemva\\2.0\\Einstellungen" Port)" 0x3
check "measurements folder value after uninstall" "$(reg_value "$klemva" directory)" "$meas_win"
check "measurement file after uninstall" "$(cat "$meas_dir/misura.klv" 2>/dev/null)" data
check "limit file after uninstall" "$(cat "$meas_dir/Limiti.ini" 2>/dev/null)" "$own_limits"
check "document after uninstall" "$([ -f "$meas_dir/$doc_name.klv" ] && echo present)" present

finish
