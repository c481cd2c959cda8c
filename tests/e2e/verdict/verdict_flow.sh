#!/usr/bin/env bash
# A limit set chosen in "Valori limite...", a series measured (COM1 plays
# verdict.scn) and judged: each closing in the measurement dialog as soon as
# it is evaluated, every page of the document window, and the verdict block
# of the printed page. Then "(nessuno)": the document shows no verdict but
# the saturated closing, and a faulty limit file is reported by file, line
# and problem.
set -uo pipefail
TEST_NAME=e2e_verdict
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../meas/meas_lib.sh"

folder="$WINEPREFIX/drive_c/klvtest/verdict"
rm -rf "$folder"; mkdir -p "$folder"
key='SOFTWARE\VARNOK\Klemva\2.0'
file="$folder/$(date -u +%y%m%d)00.klv"
# Peaks of the scenario: 250, 345 and 600 N (the last beyond the sensor).
printf '%s\r\n' '; limit sets of the verdict test' '[Porte di prova]' \
  'Fonte=Norma di prova, edizione 1' 'Chiusura.ForzaDiPunta=300' 'Media.ForzaEffettiva=150' \
  '[Altro insieme]' 'Media.ForzaDiPunta=1000' > "$folder/Limiti.ini"

reset_settings 0 1 'C:\klvtest\verdict'
# A logo, as the printed page's check expects one in the header.
convert -size 600x150 xc:navy -fill white -draw "rectangle 40,40 560,110" \
  -type TrueColor "BMP3:$KLV_TEST_TMP/logo.bmp" || fail "no logo bitmap"
steps logo <<STEPS
set-reg HKCU $key\\Einstellungen Logo dword 1
set-reg HKCU $key\\Einstellungen BMP sz "$(winpath "$KLV_TEST_TMP/logo.bmp")"
STEPS
start_program

steps choose_set <<STEPS
command Klemva 11843
wait-window "Valori limite" 10000
wait-text "Valori limite" 101 "File: C:\\klvtest\\verdict\\Limiti.ini"
items "Valori limite" 102 "(nessuno)|Porte di prova|Altro insieme"
wait-text "Valori limite" 102 "=(nessuno)"
pick "Valori limite" 102 "Porte di prova"
snap "Valori limite" @SHOTS@\\${TEST_NAME}_limits.bmp
click "Valori limite" 1
wait-gone "Valori limite" 5000
expect-reg HKCU $key\\Einstellungen Limiti "Porte di prova"
STEPS

steps measurement <<STEPS
command Klemva 1001
wait-window "Nuova misuratione" 10000
set-text "Nuova misuratione" 103 Verdi
click "Nuova misuratione" 1
wait-text Misurazione 900 "Aspetti l'avviamento di misurazione 1" 20000
wait-text Misurazione 103 "=Chiusura 1: CONFORME" 30000
snap Misurazione @SHOTS@\\${TEST_NAME}_dialog1.bmp
wait-text Misurazione 103 "=Chiusura 1: CONFORME\r\nChiusura 2: NON CONFORME\r\nChiusura 3: NON CONFORME, sensore saturato" 60000
snap Misurazione @SHOTS@\\${TEST_NAME}_dialog3.bmp
wait-gone Misurazione 30000
wait-window "$(date -u +%y%m%d)00.klv" 10000
STEPS
wait_document_file "$file" >/dev/null || fail "no automatically saved file $file"

# The pages' verdicts: the verdict controls of the document window (a text
# of several lines is listed over several lines).
verdicts=$(drv children Klemva | tr -d '\r')
expect_verdict() {
  grep -qF -- "$1" <<<"$verdicts" || fail "no verdict \"$1\" in the document window: $verdicts"
}
expect_verdict 'KlvVerdict "CONFORME"'
expect_verdict 'KlvVerdict "NON CONFORME"'
expect_verdict 'KlvVerdict "NON CONFORME
sensore saturato"'
expect_verdict 'Valori limite: Porte di prova'
expect_verdict 'Fonte: Norma di prova, edizione 1'
expect_verdict 'Chiusura.ForzaDiPunta: '
expect_verdict '(max 300 N) non conforme'
expect_verdict 'Media.ForzaEffettiva: '
[ "$(grep -c ' KlvVerdict ' <<<"$verdicts")" -eq 4 ] || fail "not one verdict per page: $verdicts"
for page in 1 2 3 4; do
  drv tab Klemva "$page" >/dev/null || fail "cannot show page $page"
  drv snap Klemva "$SHOTS_W\\${TEST_NAME}_page$page.bmp" || fail "no screenshot of page $page"
done

# The printed page: the verdict block under the mean band.
bash "$KLV_SCRIPTS/pdf-printer.sh" >/dev/null || fail "the PDF printer could not be set up"
touch "$KLV_TEST_TMP/start-stamp"
drv command Klemva 1006
drv wait-window "Print" 10000 >/dev/null || fail "no print dialog"
drv click Print 1 || fail "cannot confirm the print dialog"
drv wait-gone Print 10000 || fail "the print dialog stayed open"
# The new PDF of this document (its remarks carry "Verdi").
printed_page() {
  local f
  for f in "$HOME"/PDF/KLV-Dokument*.pdf; do
    [ -f "$f" ] && [ "$f" -nt "$KLV_TEST_TMP/start-stamp" ] &&
      pdftotext "$f" - 2>/dev/null | grep -q "Verdi" && pdf=$f && return 0
  done
  return 1
}
pdf=
wait_until 60 printed_page || fail "no PDF of the document within 60 s"
cp "$pdf" "$KLV_TEST_TMP/page.pdf"
pdftoppm -r 60 -png -singlefile "$KLV_TEST_TMP/page.pdf" "$KLV_SCREENSHOTS/${TEST_NAME}_print"
# Heading, two rules, the overall verdict and the saturation: five lines.
python3 "$here/../print/check_page.py" "$KLV_TEST_TMP/page.pdf" Verdi --verdict 5 ||
  fail "the printed page or its verdict block is wrong"
pdftotext "$KLV_TEST_TMP/page.pdf" - | grep -q "Giudizio: NON CONFORME" || fail "the printed verdict is not NON CONFORME"

# No set: the saturated closing is still said, nothing else.
steps no_set <<STEPS
command Klemva 11843
wait-window "Valori limite" 10000
wait-text "Valori limite" 102 "=Porte di prova"
wait-text "Valori limite" 103 "=Fonte: Norma di prova, edizione 1\r\nChiusura.ForzaDiPunta: max 300 N\r\nMedia.ForzaEffettiva: max 150 N"
snap "Valori limite" @SHOTS@\\${TEST_NAME}_limits_chosen.bmp
pick "Valori limite" 102 "(nessuno)"
click "Valori limite" 1
wait-gone "Valori limite" 5000
expect-reg HKCU $key\\Einstellungen Limiti ""
STEPS
verdicts=$(drv children Klemva | tr -d '\r')
[ "$(grep -c ' KlvVerdict ' <<<"$verdicts")" -eq 2 ] &&
  [ "$(grep -c 'KlvVerdict "sensore saturato"' <<<"$verdicts")" -eq 2 ] ||
  fail "without a set only the saturated closing and the mean should say so: $verdicts"
drv tab Klemva 3 >/dev/null
drv snap Klemva "$SHOTS_W\\${TEST_NAME}_no_set.bmp" || fail "no screenshot without a set"

# A faulty file: the message names the file, the line and the problem.
printf '[Porte di prova]\r\nChiusura.ForzaDiPunta=300 N\r\n' > "$folder/Limiti.ini"
steps faulty_file <<STEPS
command Klemva 11843
answer Klemva OK "Limiti.ini, riga 2: numero non valido" 10000
wait-window "Valori limite" 10000
items "Valori limite" 102 "(nessuno)"
click "Valori limite" 2
wait-gone "Valori limite" 5000
STEPS

stop_program
convert_shots
echo PASS
