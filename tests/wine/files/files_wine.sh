#!/usr/bin/env bash
# Graph records and .klv files between Linux (portable codec) and varnok.dll
# under Wine: each side reads what the other wrote, byte for byte.
set -euo pipefail
check="$(dirname "$KLVTOOL")/files_native_check"
cd "$KLV_TEST_TMP"

"$check" write-record native_record.bin
"$check" write-klv native_doc.klv

wine "$KLV_WIN64_BIN/files_wine_test.exe" "$KLV_TEST_WTMP"

for f in wine_empty.bin wine_1200.bin wine_two.bin wine_round2.bin wine_mismatch.bin wine_resaved.bin wine_doc.klv; do
  "$check" roundtrip "$f"
done
"$check" compare-docs native_doc.klv wine_resaved_doc.klv

# klvtool reads what the program wrote
if [ -x "$KLVTOOL" ] && "$KLVTOOL" --help | grep -q '^  info'; then
  "$KLVTOOL" info wine_doc.klv > wine_doc.json
  grep -q '"Pruefer": "Prüfer Müller"' wine_doc.json
  "$KLVTOOL" export wine_doc.klv > wine_doc.csv
  [ "$(wc -l < wine_doc.csv)" -eq 3751 ]
fi
echo "files round trip: all checks held"
