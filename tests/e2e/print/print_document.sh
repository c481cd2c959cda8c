#!/usr/bin/env bash
# A real print job of a document through the PDF printer: the page read back
# from the PDF (header box, logo, four curves in their bands, value texts in
# the last quarter, footer); a document with empty remarks keeps their line;
# cancelling in the abort dialog; the printer
# setup (landscape) remembered for the next two prints.
set -uo pipefail
TEST_NAME=print_document
here=$(cd "$(dirname "$0")" && pwd)
source "$here/print_lib.sh"

bash "$KLV_SCRIPTS/pdf-printer.sh" >/dev/null || fail "the PDF printer could not be set up"
pdfdir=$HOME/PDF
token="Collaudo$$x$RANDOM"
doc=$KLV_TEST_TMP/report.klv
"$KLVTOOL" measure --sim series --date 2026-12-07 --examiner "Mario Rossi" \
  --vehicle "Alfa 156" --door "anteriore sinistra" --position maniglia \
  --meas-type "chiusura lenta" --remarks "Porta nuova $token" --out "$doc" >/dev/null \
  || fail "klvtool could not make the document"
# A banner logo, wider than high, as a 24-bit Windows bitmap.
convert -size 600x150 xc:navy -fill white -draw "rectangle 40,40 560,110" \
  -type TrueColor "BMP3:$KLV_TEST_TMP/logo.bmp" || fail "no logo bitmap"
reg_clear
reg_set Einstellungen Logo REG_DWORD 1
reg_set Einstellungen BMP REG_SZ "$(winpath "$KLV_TEST_TMP/logo.bmp")"

seen=$KLV_TEST_TMP/seen.txt
: > "$seen"
touch "$KLV_TEST_TMP/start-stamp"
# The next PDF of this test's document (its remarks carry the token);
# another job of the same name on the shared printer is passed over.
next_pdf() { wait_until 60 new_pdf_of_document "${1:-$token}"; }
new_pdf_of_document() {
  local token=$1
  for f in "$pdfdir"/KLV-Dokument*.pdf; do
    [ -f "$f" ] && [ "$f" -nt "$KLV_TEST_TMP/start-stamp" ] || continue
    grep -qxF "$f" "$seen" && continue
    if pdftotext "$f" - 2>/dev/null | grep -q "$token"; then
      echo "$f" >> "$seen"
      echo "$f"
      return 0
    fi
  done
  return 1
}

print_with_ok() {
  drv command class:Klemva 1006
  drv wait-window "Print" 10000 >/dev/null || fail "no print dialog"
  [ "${1:-}" == shot ] && shot Print dialog
  drv click Print 1 || fail "cannot confirm the print dialog"
  drv wait-gone Print 10000 || fail "the print dialog stayed open"
}

start_program "$(winpath "$doc")"

echo "--- a page through the PDF printer"
print_with_ok shot
page=$(next_pdf) || fail "no PDF of the document appeared in $pdfdir"
cp "$page" "$KLV_TEST_TMP/portrait.pdf"
python3 "$here/check_page.py" "$KLV_TEST_TMP/portrait.pdf" "$token" || fail "the printed page is wrong"
pdftoppm -r 60 -png -singlefile "$KLV_TEST_TMP/portrait.pdf" "$KLV_SCREENSHOTS/${TEST_NAME}_page"

echo "--- empty remarks"
blank_token="Vuoto$$x$RANDOM"
"$KLVTOOL" measure --sim series --date 2026-12-07 --examiner "$blank_token" \
  --out "$KLV_TEST_TMP/blank.klv" >/dev/null || fail "klvtool could not make the document"
drv command class:Klemva 1002
drv wait-window dialog:Open 10000 >/dev/null || fail "no open dialog"
drv file-dialog dialog:Open "$(winpath "$KLV_TEST_TMP/blank.klv")"
drv wait-gone dialog:Open 10000 || fail "the open dialog stayed open"
active_is() { [ "$(drv mdi-children class:Klemva | head -1)" == "$(winpath "$1")" ]; }
wait_until 10 active_is "$KLV_TEST_TMP/blank.klv" || fail "the document without remarks did not open"
print_with_ok
page=$(next_pdf "$blank_token") || fail "no PDF of the document without remarks"
cp "$page" "$KLV_TEST_TMP/blank.pdf"
python3 "$here/check_page.py" "$KLV_TEST_TMP/blank.pdf" "$blank_token" --empty-remarks ||
  fail "the page without remarks is wrong"
drv command class:Klemva 1005   # closed: the first document is printed again
wait_until 10 active_is "$doc" || fail "the first document is not active again"

echo "--- cancelled in the abort dialog"
# Return confirms the print dialog; Escape, typed ahead, reaches the abort
# dialog (it holds the focus) the first time the job serves the queue. A
# close watcher, started first, sees the abort dialog, which lives as long as
# the page is drawn, and takes its picture.
drv watch Stampare 30000 "$(winpath "$KLV_TEST_TMP/abort.bmp")" > "$KLV_TEST_TMP/watch.txt" &
watcher=$!
wait_until 30 grep -q watching "$KLV_TEST_TMP/watch.txt" || fail "the abort dialog watcher did not start"
drv command class:Klemva 1006
drv wait-window "Print" 10000 >/dev/null || fail "no print dialog"
drv keys Print RETURN ESCAPE || fail "cannot type into the print dialog"
wait $watcher || fail "the abort dialog did not appear"
convert "$KLV_TEST_TMP/abort.bmp" "$KLV_SCREENSHOTS/${TEST_NAME}_abort.png" 2>/dev/null
drv wait-gone Stampare 20000 || fail "the abort dialog stayed open"
drv wait-gone Print 5000 || fail "the print dialog stayed open"

echo "--- printer setup remembered"
drv command class:Klemva 1007
drv wait-window "Print Setup" 10000 >/dev/null || fail "no printer setup dialog"
drv press "Print Setup" "Landscape" || fail "no landscape choice"
landscape_checked() { [ "$(drv checked "Print Setup" Landscape | tr -d '\r')" == 1 ]; }
wait_until 10 landscape_checked || fail "landscape not chosen within 10 s"
shot "Print Setup" setup
drv click "Print Setup" 1
drv wait-gone "Print Setup" 10000 || fail "the printer setup dialog stayed open"
for n in 1 2; do
  print_with_ok
  page=$(next_pdf) || fail "no PDF of landscape print $n"
  cp "$page" "$KLV_TEST_TMP/landscape$n.pdf"
  python3 "$here/check_page.py" "$KLV_TEST_TMP/landscape$n.pdf" "$token" --landscape \
    || fail "landscape print $n is wrong"
done
# Jobs reach the printer in order: a PDF of the cancelled job would have
# come before the landscape ones.
[ "$(wc -l < "$seen")" -eq 4 ] || fail "$(wc -l < "$seen") PDFs for 4 prints (one cancelled)"

stop_program
echo "PASS"
