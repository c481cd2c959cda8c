#!/usr/bin/env bash
# Runs graphlib_graphview_test.exe, then checks the page its print job sent
# to the printer "PDF": the title, the axis title and the unit label are on
# it, and the picture of the page (kept as a screenshot) is not blank.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/snapshots.sh"

bash "$here/../../../scripts/pdf-printer.sh" >/dev/null || { echo "FAIL: no PDF printer"; exit 1; }
rm -f "$HOME"/PDF/graphlib_print*.pdf

wine "$KLV_WIN64_BIN/graphlib_graphview_test.exe" "$(snapshot_dir_for_windows)" "$KLV_TEST_WTMP"
rc=$?
convert_snapshots

pdf=
for _ in $(seq 600); do
  pdf=$(ls "$HOME"/PDF/graphlib_print*.pdf 2>/dev/null | head -1)
  [ -n "$pdf" ] && [ -s "$pdf" ] && break
  sleep 0.1
done
if [ -z "$pdf" ]; then
  echo "FAIL: the print job did not arrive in $HOME/PDF within 60 s"
  exit 1
fi
# cups-pdf writes the file while the job runs: wait until its size holds.
size=-1
for _ in $(seq 100); do
  now=$(stat -c %s "$pdf")
  [ "$now" = "$size" ] && break
  size=$now
  sleep 0.2
done

text=$(pdftotext -layout "$pdf" - 2>/dev/null)
for want in "Messung Drucker" "Time [sec]" "[N]" "300" "150"; do
  grep -qF -- "$want" <<<"$text" || { echo "FAIL: printed page lacks \"$want\""; rc=1; }
done
pdftoppm -r 50 -png -singlefile "$pdf" "$KLV_SCREENSHOTS/graphlib_print_pdf"
dark=$(convert "$KLV_SCREENSHOTS/graphlib_print_pdf.png" -colorspace gray -threshold 50% \
  -negate -format '%[fx:mean*w*h]' info: 2>/dev/null)
echo "printed page: $pdf, dark pixels at 50 dpi: $dark"
awk -v d="${dark:-0}" 'BEGIN { exit !(d > 300) }' || { echo "FAIL: the printed page is nearly blank"; rc=1; }
exit $rc
