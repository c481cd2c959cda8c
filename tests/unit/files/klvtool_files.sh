#!/usr/bin/env bash
# klvtool on real .klv files: a measurement saved with --out, read back with
# info and export, and damaged files refused with a message and exit 1.
#   klvtool_files.sh KLVTOOL WORKDIR
set -uo pipefail
klvtool=$1 work=$2
source "$(dirname "${BASH_SOURCE[0]}")/../../lib/testlib.sh"
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1

# expect_refused NAME FILE PATTERN: non-zero exit 1 and a message matching PATTERN
expect_refused() {
  local command=$1 file=$2 pattern=$3
  "$klvtool" "$command" "$file" > out.txt 2> err.txt
  local rc=$?
  [ $rc -eq 1 ] || note_failure "$command $file: exit $rc, expected 1"
  grep -q -- "$pattern" err.txt || note_failure "$command $file: message '$(cat err.txt)' lacks '$pattern'"
  [ ! -s out.txt ] || note_failure "$command $file: wrote output for a bad file"
}

"$klvtool" measure --sim series --date 2026-12-07 --examiner "Prüfer Müller" --vehicle "Fiat Panda" \
  --door "anteriore sinistra" --position "serratura" --meas-type "chiusura" \
  --remarks "$(printf 'r%.0s' $(seq 1 300))" --out new.klv > measure.log 2>&1 \
  || note_failure "measure --out: exit $? ($(tail -n 3 measure.log))"
[ "$(stat -c %s new.klv 2>/dev/null)" = 53372 ] || note_failure "new measurement is not 53372 bytes"
[ "$(head -c 4 new.klv)" = KLV2 ] || note_failure "no KLV2 magic"
[ ! -e new.klv.tmp ] || note_failure "temporary file left behind"

"$klvtool" info new.klv > info.json || note_failure "info: exit $?"
for expected in '"Pruefer": "Prüfer Müller"' '"Fahrzeug": "Fiat Panda"' '"Tuer": "anteriore sinistra"' \
                '"Position": "serratura"' '"MessTyp": "chiusura"' '"Title": "Misurazione del 07.12.2026"' \
                '"title": "Forza di chiusura (misurazione 3)"' '"title": "Valore medio del corso di forza"' \
                '"szName": "Valore medio della forza"' '"nBuffEnd": 3750' '"nStyle": 8' '"dTimeMin": -1' \
                '"SensorTyp": "KLV1-' '"SerNo": "SN' '"Descr4": "Forza effettiva:'; do
  grep -qF -- "$expected" info.json || note_failure "info lacks $expected"
done
# remarks are cut to the slot: 255 characters
grep -qE "\"Edit\": \"r{255}\"" info.json || note_failure "remarks not cut to 255 characters"
if command -v python3 > /dev/null; then
  python3 -c 'import json,sys; d=json.load(open("info.json")); assert len(d["graphWindows"]) == 4' \
    || note_failure "info is not valid JSON with four graph windows"
fi

"$klvtool" export new.klv > curves.csv || note_failure "export: exit $?"
[ "$(wc -l < curves.csv)" -eq 3751 ] || note_failure "export: $(wc -l < curves.csv) lines, expected 3751"
head -n 1 curves.csv | grep -qF '"time [s]","Graph1.1 Forza di chiusura [N]"' || note_failure "export heading"
sed -n 2p curves.csv | grep -q '^-1.0000,' || note_failure "export time does not start at -1 s"
tail -n 1 curves.csv | grep -q '^4.9984,' || note_failure "export time does not end at 4.9984 s"

# damaged and foreign files
printf 'KLV1' > old.klv && cat new.klv | tail -c +5 >> old.klv
expect_refused info old.klv 'does not begin with "KLV2"'
head -c 30000 new.klv > cut-in-record.klv
expect_refused info cut-in-record.klv 'Graph3'
head -c 53000 new.klv > cut-in-text.klv
expect_refused export cut-in-text.klv 'text block cut short'
cp new.klv many-graphs.klv && printf '\x01\x04\x00\x00' | dd of=many-graphs.klv bs=1 seek=$((4 + 4 + 80 + 148)) conv=notrunc status=none
expect_refused info many-graphs.klv 'more than 1024 graphs'
cp new.klv negative.klv && printf '\xff\xff\xff\xff' | dd of=negative.klv bs=1 seek=$((4 + 5368)) conv=notrunc status=none
expect_refused info negative.klv 'negative capacity'
: > empty.klv
expect_refused export empty.klv 'KLV2'
expect_refused info missing.klv 'cannot open missing.klv'

"$klvtool" info > /dev/null 2>&1; [ $? -eq 2 ] || note_failure "info without a file: expected exit 2"
"$klvtool" export a.klv b.klv > /dev/null 2>&1; [ $? -eq 2 ] || note_failure "export with two files: expected exit 2"
"$klvtool" info --help | grep -q 'usage: klvtool info FILE.klv' || note_failure "info --help"
"$klvtool" measure --help | grep -q -- '--out FILE.klv' || note_failure "measure --help lacks --out"

# a file with bytes after the text block is read, with a note
cp new.klv trailing.klv && printf 'xyz' >> trailing.klv
"$klvtool" info trailing.klv > /dev/null 2> err.txt || note_failure "trailing bytes refused"
grep -q '3 bytes after the text block' err.txt || note_failure "trailing bytes not noted"

finish
