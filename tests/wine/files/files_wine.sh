#!/usr/bin/env bash
# Graph records and .klv files between Linux (portable codec) and varnok.dll
# under Wine: each side reads what the other wrote, byte for byte.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../lib/testlib.sh"
check="$(dirname "$KLVTOOL")/files_native_check"
cd "$KLV_TEST_TMP"

"$check" write-record native_record.bin
"$check" write-klv native_doc.klv
# A new measurement as klvtool saves it: the program must open it like its own.
"$KLVTOOL" measure --sim series --date 2026-12-07 --examiner "Prüfer Müller" \
  --out measured.klv > measure.log
[ "$(stat -c %s measured.klv)" -eq 53372 ]

wine "$KLV_WIN64_BIN/files_wine_test.exe" "$KLV_TEST_WTMP"

for f in wine_empty.bin wine_1200.bin wine_round2.bin wine_mismatch.bin wine_resaved.bin wine_doc.klv \
         wine_measured_resaved.klv; do
  "$check" roundtrip "$f"
done
# wine_two.bin has junk before and between its records; readers skip it and
# writers never produce it, so the records are compared without it.
"$check" records wine_two.bin 2
"$check" compare-docs native_doc.klv wine_resaved_doc.klv
"$check" compare-docs measured.klv wine_measured_resaved.klv

# klvtool reads what the program wrote
"$KLVTOOL" info wine_doc.klv > wine_doc.json
grep -q '"Pruefer": "Prüfer Müller"' wine_doc.json
grep -q '"graphs": \[' wine_doc.json
"$KLVTOOL" export wine_doc.klv > wine_doc.csv
[ "$(wc -l < wine_doc.csv)" -eq 3751 ]
"$KLVTOOL" info wine_measured_resaved.klv > wine_measured.json
grep -q '"Pruefer": "Prüfer Müller"' wine_measured.json
# What a loaded record looks like: the saved zoom, grid, notes and curve.
rm -f shown close
wine "$KLV_WIN64_BIN/files_wine_test.exe" "$KLV_TEST_WTMP" --show native_record.bin &
shower=$!
shown_or_ended() { [ -s shown ] || pid_gone $shower; }
wait_until 20 shown_or_ended || true
[ -s shown ] || { touch close; wait $shower; fail "the loaded record was not shown within 20 s"; }
# The screenshot once the screen has the window's pixels (Wine's drawing
# reaches the X screen a moment after the window has painted).
read -r -a points <<< "$(tr -d '\r' < shown | awk '{printf "%s,%s ", $1, $2}')"
expected=$(tr -d '\r' < shown | awk '{printf "%s ", $3}')
format=""
for p in "${points[@]}"; do format+="%[hex:p{$p}] "; done
screen_shows_record() {
  shot=$(bash "$KLV_SCRIPTS/screenshot.sh" files_loaded_record)
  seen=$(convert "$shot" -format "$format" info: | sed -E 's/([0-9A-F]{6})[0-9A-F]* /\1 /g')
  [ "$seen" = "$expected" ]
}
wait_until 30 screen_shows_record || true
touch close
wait $shower
[ "$seen" = "$expected" ] ||
  fail "the screen shows $seen at $format where the window drew $expected"
echo "files round trip: all checks held"
