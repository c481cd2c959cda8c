#!/usr/bin/env bash
# Repeating and interrupting a series (COM1 plays repeat.scn): a document
# opened and closed after the start counts in the untitled numbering, a
# cancelled description dialog does not; the end question
# answered "No" lets the series go on; the repeat button from the
# wait for measurement 3 repeats measurement 2, from the wait for the
# confirmation it repeats measurement 3; the repetitions replace the first
# closings in the document.
set -uo pipefail
TEST_NAME=e2e_meas_repeat
here=$(cd "$(dirname "$0")" && pwd)
source "$here/meas_lib.sh"

reset_settings 0 0 'C:\klvtest'
"$KLVTOOL" measure --sim series --date 2026-12-07 --out "$KLV_TEST_TMP/opened.klv" >/dev/null ||
  fail "klvtool could not make a document"
start_program
# One document opened and closed, then a cancelled description dialog: the
# series' document is the second untitled one (the opened document took
# number 1 with it).
steps series <<STEPS
command Klemva 1002
wait-window dialog:Open 10000
file-dialog dialog:Open $(winpath "$KLV_TEST_TMP/opened.klv")
wait-gone dialog:Open 10000
wait-window opened.klv 10000
command Klemva 1005
wait-gone opened.klv 10000
command Klemva 1001
wait-window "Nuova misuratione" 10000
click "Nuova misuratione" 2
wait-gone "Nuova misuratione" 5000
command Klemva 1001
wait-window "Nuova misuratione" 10000
click "Nuova misuratione" 1
wait-text Misurazione 900 "misurazione 1" 20000
click Misurazione 2
wait-window dialog:Klemva 5000
snap dialog:Klemva @SHOTS@\\${TEST_NAME}_end_question.bmp
answer Klemva No "Vuole interrompere da vero la misurazione in corso ?"
wait-text Misurazione 900 "Aspetti l'avviamento di misurazione 3" 40000
wait-state Misurazione 102 enabled
snap Misurazione @SHOTS@\\${TEST_NAME}_before_repeat.bmp
click Misurazione 102
answer Klemva Yes "E'sicuro che vuole ripetere l'ultima misurazione ?"
wait-text Misurazione 900 "Aspetti l'avviamento di misurazione 2" 3000
wait-text Misurazione 900 "Misurazione 2 è in corso" 15000
wait-text Misurazione 900 "Aspetti la confermazione di misurazione..." 40000
click Misurazione 102
answer Klemva Yes "ripetere"
wait-text Misurazione 900 "Aspetti l'avviamento di misurazione 3" 3000
wait-text Misurazione 900 "Misurazione 3 è in corso" 15000
wait-text Misurazione 900 "Aspetti la confermazione" 15000
wait-gone Misurazione 15000
wait-gone "Nuova misuratione" 5000
priority Klemva NORMAL
wait-window "Innominato2" 5000
STEPS
drv snap Klemva "$SHOTS_W\\${TEST_NAME}_document.bmp" || fail "no document screenshot"

# Peaks of measurements 1 to 3 as the document shows them: 300 N, then the
# repeated 330 N and 290 N (not the replaced 150 N and 120 N).
peaks=$(drv children Klemva | tr -d '\r' | sed -n 's/^Forza di punta:\t*\([0-9]*\)\..*/\1/p' | head -3 | tr '\n' ' ')
echo "peaks: $peaks"
read -r p1 p2 p3 <<<"$peaks"
near() { [ -n "$1" ] && [ $(( $1 > $2 ? $1 - $2 : $2 - $1 )) -le 6 ]; }
near "$p1" 300 && near "$p2" 330 && near "$p3" 290 || fail "peaks $peaks, expected about 300 330 290"
stop_program
convert_shots
echo PASS
