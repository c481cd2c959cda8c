#!/usr/bin/env bash
# The print job's two failures, made to happen under Wine, and the program
# usable after each:
#   - the job cannot start: Wine spools every job into a file of its spool
#     folder, whose place a plain file takes for the moment; the error box
#     with the system's error number, no abort dialog, the frame enabled;
#   - the abort dialog cannot be created: the test driver's hook refuses the
#     window "Stampare" in the program's thread; "NULL Abort window handle",
#     the frame enabled, the started job withdrawn;
# then an ordinary print: its PDF is the only one (neither failed job reached
# the printer, and none was left open to hold the queue).
set -uo pipefail
TEST_NAME=print_failures
here=$(cd "$(dirname "$0")" && pwd)
source "$here/print_lib.sh"
BOX=dialog:Klemva

bash "$KLV_SCRIPTS/pdf-printer.sh" >/dev/null || fail "the PDF printer could not be set up"
pdfdir=$HOME/PDF
token="Guasto$$x$RANDOM"
doc=$KLV_TEST_TMP/failures.klv
"$KLVTOOL" measure --sim series --date 2026-12-07 --remarks "Stampa $token" --out "$doc" \
  >/dev/null || fail "klvtool could not make the document"
reg_clear
spool="$WINEPREFIX/drive_c/windows/system32/spool/PRINTERS"
mkdir -p "$spool"
# A file in the spool folder's place: no job file can be made (permissions
# would not stop a test run as root).
block_spool() { mv "$spool" "$spool.kept" && touch "$spool"; }
restore_spool() { [ -d "$spool.kept" ] && rm -f "$spool" && mv "$spool.kept" "$spool"; }
trap 'restore_spool; kill $app 2>/dev/null' EXIT
touch "$KLV_TEST_TMP/start-stamp"
start_program "$(winpath "$doc")"

open_print_dialog() {
  drv command class:Klemva 1006
  drv wait-window "Print" 10000 >/dev/null || fail "no print dialog"
}
confirm_print_dialog() {
  drv click Print 1 || fail "cannot confirm the print dialog"
  drv wait-gone Print 10000 || fail "the print dialog stayed open"
}
# The program's error box: its picture, its text (into $shown), closed with OK.
expect_error_box() { # expect_error_box NAME TEXT
  drv wait-window "$BOX" 10000 >/dev/null || fail "no message box for $1"
  drv capture "$BOX" "$KLV_TEST_TMP/$1.bmp" &&
    convert "$KLV_TEST_TMP/$1.bmp" "$KLV_SCREENSHOTS/${TEST_NAME}_$1.png"
  shown=$(drv answer Klemva OK "$2" 1000) ||
    fail "the box for $1 does not say \"$2\": $(drv children "$BOX")"
}
expect_usable() { # expect_usable WHEN
  drv wait-gone "$BOX" 5000 || fail "the message box stayed open $1"
  [ "$(drv enabled class:Klemva)" == enabled ] || fail "the frame is disabled $1"
  [ -z "$(drv wait-window Stampare 0 2>/dev/null)" ] || fail "an abort dialog is open $1"
}

echo "--- the job cannot start"
block_spool || fail "cannot put a file in the spool folder's place"
open_print_dialog
confirm_print_dialog
expect_error_box start_failed "Non ha potuto effettuare l'ordine de stampa."
restore_spool
[[ "$shown" =~ Errorcode\ ([1-9][0-9]*)L ]] || fail "no system error number in \"$shown\""
echo "error number ${BASH_REMATCH[1]}"
expect_usable "after the job could not start"

echo "--- the abort dialog cannot be created"
drv refuse-window class:Klemva Stampare 30000 >"$KLV_TEST_TMP/refuse.txt" &
refuser=$!
wait_until 30 grep -q refusing "$KLV_TEST_TMP/refuse.txt" || fail "the driver did not set its hook"
open_print_dialog
confirm_print_dialog
expect_error_box no_abort_dialog "NULL Abort window handle"
wait $refuser || fail "the abort dialog was not refused"
expect_usable "after the abort dialog could not be created"

echo "--- an ordinary print after both"
open_print_dialog
confirm_print_dialog
has_token() { pdftotext "$1" - 2>/dev/null | grep -q "$token"; }
pdfs_since_start() {
  find "$pdfdir" -maxdepth 1 -name 'KLV-Dokument*.pdf' -newer "$KLV_TEST_TMP/start-stamp"
}
printed() { for f in $(pdfs_since_start); do has_token "$f" && return 0; done; return 1; }
wait_until 60 printed || fail "the print after the failures reached no PDF"
# Jobs reach the printer in order: a PDF of a failed job would have come first.
count=$(pdfs_since_start | wc -l)
[ "$count" -eq 1 ] || fail "$count PDFs of the document for one good and two failed print jobs"
stop_program
echo PASS
