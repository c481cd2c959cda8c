#!/usr/bin/env bash
# Runs graphlib_graphview_test.exe, then checks the page its print job sent
# to the printer "PDF": the title, the axis title and the unit label are on
# it, and the picture of the page (kept as a screenshot) is not blank.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/snapshots.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../../lib/testlib.sh"

bash "$here/../../../scripts/pdf-printer.sh" >/dev/null || fail "no PDF printer"
rm -f "$HOME"/PDF/graphlib_print*.pdf

wine "$KLV_WIN64_BIN/graphlib_graphview_test.exe" "$(snapshot_dir_for_windows)" "$KLV_TEST_WTMP"
rc=$?
convert_snapshots

printed_pdf() {
  local f
  f=$(ls "$HOME"/PDF/graphlib_print*.pdf 2>/dev/null | head -1)
  [ -n "$f" ] && [ -s "$f" ] && echo "$f"
}
pdf=$(wait_until 60 printed_pdf) || fail "the print job did not arrive in $HOME/PDF within 60 s"
# cups-pdf writes the file while the job runs: wait until its size holds.
size=-1
size_holds() {
  local now
  now=$(stat -c %s "$pdf")
  [ "$now" = "$size" ] && return 0
  size=$now
  sleep 0.1 # reads 0.2 s apart: cups-pdf pauses between its writes
  return 1
}
wait_until 20 size_holds

text=$(pdftotext -layout "$pdf" - 2>/dev/null)
for want in "Messung Drucker" "Time [sec]" "[N]" "300" "150"; do
  grep -qF -- "$want" <<<"$text" || note_failure "printed page lacks \"$want\""
done
pdftoppm -r 50 -png -singlefile "$pdf" "$KLV_SCREENSHOTS/graphlib_print_pdf"
dark=$(convert "$KLV_SCREENSHOTS/graphlib_print_pdf.png" -colorspace gray -threshold 50% \
  -negate -format '%[fx:mean*w*h]' info: 2>/dev/null)
echo "printed page: $pdf, dark pixels at 50 dpi: $dark"
awk -v d="${dark:-0}" 'BEGIN { exit !(d > 300) }' || note_failure "the printed page is nearly blank"
[ "$rc" -eq 0 ] || fail "graphlib_graphview_test.exe exited with $rc"
finish
