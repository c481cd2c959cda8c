#!/usr/bin/env bash
# Documents as a user handles them: a measurement saved by klvtool opened
# from the command line (a path with blanks) and shown exactly, saved as a
# copy that reads back the same (500 N scaling, no extra graphs), remarks
# saved, a second window on the same file, the save-changes question with
# Cancel / No / Yes-then-cancel, a file that is no document, a read-only
# document, saves that fail and keep the old file, exit with two modified
# documents, a quoted command line. Also: the pages of a window and of two
# windows switched, Save with nothing to save, the window of an empty record,
# a save-as that cannot write, remarks at their limit.
set -uo pipefail
. "$(dirname "$0")/lib.sh"
T=$KLV_TEST_TMP
cd "$T"
mkdir -p "my docs" gone
"$KLVTOOL" measure --sim series --date 2026-12-07 --out "$T/series.klv" >/dev/null ||
  { note_failure "klvtool measure"; finish; }
cp series.klv "my docs/series 1.klv"
cp series.klv gone/doc.klv
cp series.klv ro.klv && chmod 444 ro.klv
{ printf 'KLV1'; tail -c +5 series.klv; } > old.klv
head -c 20000 series.klv > cut.klv
# Everything a document holds, except the x-axis title that a graph window
# fills in when it is first painted.
info() { "$KLVTOOL" info "$1" | grep -v '"szAxisLabel"'; "$KLVTOOL" export "$1"; }
edit_of() { "$KLVTOOL" info "$1" | sed -n 's/^  "Edit": "\(.*\)",$/\1/p'; }
children() { drv mdi-children "$FRAME" | wc -l; }
# Opens PATH through File > Open.
open_file() {
  drv command "$FRAME" 1002 >/dev/null
  drv wait-window dialog:Open 10000 >/dev/null || { note_failure "no open dialog"; return; }
  drv file-dialog dialog:Open "$1" >/dev/null
  drv wait-gone dialog:Open 10000 || note_failure "open dialog still there"
}
save_as() {
  drv command "$FRAME" 1004 >/dev/null
  drv wait-window "dialog:Save As" 10000 >/dev/null || { note_failure "no save-as dialog"; return; }
  drv file-dialog "dialog:Save As" "$1" >/dev/null
  drv wait-gone "dialog:Save As" 10000 || note_failure "save-as dialog still there"
}
# Polls until the active document is the one titled $1.
wait_active() { wait_until 5 document_active "$1" || note_failure "document $1 not active"; }
document_active() { [ "$(drv mdi-children "$FRAME" | head -1)" == "$1" ]; }
# Polls until the active document shows page $1 (tab and parts, as doc-page).
expect_page() {
  if wait_until 5 page_shown "$1"; then echo "ok: page $1"
  else note_failure "page \"$1\" not shown: $(drv doc-page "$FRAME")"; fi
}
page_shown() { [ "$(drv doc-page "$FRAME")" == "$1" ]; }
# Pixel columns holding blue in graph $1 of the active document: the curve's,
# and one for the dotted cursor line.
curve_pixels() { drv part-colour "$FRAME" "Graph$1" 0000FF; }
# The Open dialog opened and cancelled: once it has been shown, every
# command posted before it has run.
open_and_cancel() {
  drv command "$FRAME" 1002 >/dev/null
  drv wait-window dialog:Open 10000 >/dev/null || { note_failure "no open dialog"; return; }
  drv click dialog:Open 2 >/dev/null
  drv wait-gone dialog:Open 10000 || note_failure "open dialog not cancelled"
}

# -- A path with blanks on the command line is opened whole -----------------
blank=$(winpath "$T/my docs/series 1.klv")
start_app ${blank}   # unquoted: the program gets the tail with its blanks
expect_eq "document from the command line" "$blank" "$(drv mdi-children "$FRAME")"
wait_button 1006 enabled
expect_eq "Save button, document unchanged" grey "$(drv toolbar-state "$FRAME" 1003)"
expect_page "0 Descr"
shot shell_doc_description
shot_file_menu shell_menu_document
expect_eq "File menu, unchanged document" \
  "enabled enabled grey enabled enabled enabled enabled enabled enabled enabled" \
  "$(menu_items shell_menu_document)"
# Straight from the description to "Misurazione 2": graph 2 and its values.
drv click-tab "$FRAME" 2 >/dev/null
expect_page "2 Graph2 Descr2"
curve=$(curve_pixels 2)
[ "${curve:-0}" -gt 100 ] && echo "ok: curve of graph 2 drawn" || note_failure "graph 2 shows no curve ($curve blue columns)"
drv tab "$FRAME" 0 >/dev/null
# Each value text keeps its six lines as the document window's normal font
# ("Helv", height 10) draws them in the panel's width: no figure, the energy
# last, wrapped onto a line of its own.
for tab in 1 2 3 4; do
  drv tab "$FRAME" $tab >/dev/null
  shot shell_doc_page$tab
  fit=$(drv text-fit "$FRAME" Helv 10)
  if [ $? -eq 0 ] && grep -q '^fits 6/6 ' <<<"$fit"; then
    echo "ok: value text of page $tab on six lines"
  else
    note_failure "value text of page $tab not on its six lines: $fit"
  fi
done
drv tab "$FRAME" 0 >/dev/null

# -- Saved as a copy, it reads back as klvtool wrote it ---------------------
save_as "$(winpath "$T/copy.klv")"
wait_file copy.klv || note_failure "copy.klv not written within 10 s of the save-as dialog closing"
if [ "$(info series.klv)" == "$(info copy.klv)" ]; then echo "ok: copy reads back as the original"
else note_failure "copy differs: $(diff <(info series.klv) <(info copy.klv) | head -20)"; fi
expect_eq "window renamed to the copy" "$(winpath "$T/copy.klv")" "$(drv mdi-children "$FRAME")"

# -- Save with nothing changed writes nothing ----------------------------------
written=$(stat -c '%y %s' copy.klv)
cp copy.klv copy.before
drv command "$FRAME" 1003 >/dev/null
open_and_cancel
expect_eq "unchanged document not written (time, size)" "$written" "$(stat -c '%y %s' copy.klv)"
cmp -s copy.before copy.klv && echo "ok: same bytes" || note_failure "Save rewrote the unchanged document"

# -- Remarks typed and saved -------------------------------------------------
drv type "$FRAME" "Porta destra" >/dev/null
wait_button 1003 enabled
drv command "$FRAME" 1003 >/dev/null
wait_button 1003 grey
expect_eq "remarks saved" "Porta destra" "$(edit_of copy.klv)"

# -- A second window on the same file, saved on its own ----------------------
drv tab "$FRAME" 4 >/dev/null
expect_page "4 Graph4 Descr4"
open_file "$(winpath "$T/copy.klv")"
wait_active "$(winpath "$T/copy.klv")"
expect_eq "two windows" 2 "$(children)"
# Each window keeps its own page when the other one is switched or shown.
expect_page "0 Descr"
drv click-tab "$FRAME" 2 >/dev/null
expect_page "2 Graph2 Descr2"
drv mdi-next "$FRAME" >/dev/null
expect_page "4 Graph4 Descr4"
drv tab "$FRAME" 1 >/dev/null
expect_page "1 Graph1 Descr1"
drv mdi-next "$FRAME" >/dev/null
expect_page "2 Graph2 Descr2"
drv tab "$FRAME" 0 >/dev/null   # the remarks in view again for typing
drv type "$FRAME" ", nuova" >/dev/null
wait_button 1003 enabled
drv command "$FRAME" 1003 >/dev/null
wait_button 1003 grey
expect_eq "second window saved" "Porta destra, nuova" "$(edit_of copy.klv)"

# -- The save-changes question: Cancel keeps, No closes ----------------------
drv type "$FRAME" "!" >/dev/null
drv command "$FRAME" 1005 >/dev/null
expect_eq "question" "Modifiche attuale memorizzare in $(winpath "$T/copy.klv") ?" "$(box_text)"
shot_box shell_box_save_changes
answer 2
expect_eq "Cancel keeps the document" 2 "$(children)"
drv command "$FRAME" 1005 >/dev/null
box_text >/dev/null
answer 7
expect_eq "No closes it unsaved" "1 Porta destra, nuova" "$(children) $(edit_of copy.klv)"
drv command "$FRAME" 1005 >/dev/null   # the other window is unchanged: closes at once
no_documents() { [ "$(children)" -eq 0 ]; }
wait_until 5 no_documents
expect_eq "no document left" 0 "$(children)"
wait_button 1003 grey
wait_button 1006 grey

# -- Not a document: the window stays, unnamed; Yes then cancelling keeps it -
open_file "$(winpath "$T/old.klv")"
expect_eq "KLV1 refused" "Niente Klemva file" "$(box_text)"
shot_box shell_box_not_klemva
answer 1
# The window of the empty record: zero values, graphs without samples.
zeros=$'Forza effettiva:\t\t0.0 N\nForza di serraggio:\t*0.0 N\nForza di punta:\t\t0.0 N\nK-fattore:\t\t0.00\nDurata d\' impulsi:\t0.00 s\nEnergìa:\t\t\t0.00 J'
for k in 1 2 3 4; do
  expect_eq "value text $k of the empty record" "$zeros" \
    "$(drv part-text "$FRAME" "Descr$k" | iconv -f CP1252 -t UTF-8 | tr -d '\r')"
done
drv click-tab "$FRAME" 1 >/dev/null
expect_page "1 Graph1 Descr1"
curve=$(curve_pixels 1)
[ "${curve:-9}" -le 1 ] && echo "ok: no curve in graph 1 of the empty record" ||
  note_failure "graph 1 of the empty record shows a curve ($curve blue columns)"
shot shell_doc_empty_record
drv click-tab "$FRAME" 0 >/dev/null
open_file "$(winpath "$T/cut.klv")"   # graph records cut short
expect_eq "damaged document refused" "Niente Klemva file" "$(box_text)"
answer 1
# Save on a document without a file name asks for one.
drv command "$FRAME" 1003 >/dev/null
drv wait-window "dialog:Save As" 10000 >/dev/null || note_failure "Save on an unnamed document: no save-as dialog"
drv click "dialog:Save As" 2 >/dev/null
drv wait-gone "dialog:Save As" 10000 || note_failure "save-as dialog not cancelled"
expect_eq "both unnamed windows kept" 2 "$(children)"
drv command "$FRAME" 1005 >/dev/null   # unnamed and modified: the question
box_text >/dev/null
answer 7
drv command "$FRAME" 1005 >/dev/null
box_text >/dev/null
answer 6
drv wait-window "dialog:Save As" 10000 >/dev/null || note_failure "Yes on an unnamed document: no save-as dialog"
drv click "dialog:Save As" 2 >/dev/null
drv wait-gone "dialog:Save As" 10000 || note_failure "save-as dialog not cancelled"
expect_eq "cancelled save-as keeps the document" 1 "$(children)"

# -- A read-only document opens; saving over it fails and keeps it ----------
open_file "$(winpath "$T/ro.klv")"
wait_active "$(winpath "$T/ro.klv")"
drv type "$FRAME" "x" >/dev/null
wait_button 1003 enabled
drv command "$FRAME" 1003 >/dev/null
expect_eq "failed save" "Non ha potuto scrivere $(winpath "$T/ro.klv")." "$(box_text)"
shot_box shell_box_cannot_write
answer 1
cmp -s series.klv ro.klv && echo "ok: read-only file unchanged" || note_failure "read-only file changed"
expect_eq "no partial file left" "" "$(ls "$T" | grep -i '\.tmp$')"
wait_button 1003 enabled   # still modified after the failed save

# -- A folder that vanished: the save fails with a message -------------------
open_file "$(winpath "$T/gone/doc.klv")"
wait_active "$(winpath "$T/gone/doc.klv")"
rm -rf gone
drv type "$FRAME" "y" >/dev/null
wait_button 1003 enabled
drv command "$FRAME" 1003 >/dev/null
expect_eq "save into a vanished folder" "Non ha potuto scrivere $(winpath "$T/gone/doc.klv")." "$(box_text)"
answer 1

# -- Save as into a folder that does not exist: the window keeps its title,
# and the next Open starts in that folder -----------------------------------
save_as "$(winpath "$T/nowhere/doc.klv")"
expect_eq "save as that cannot write" "Non ha potuto scrivere $(winpath "$T/nowhere/doc.klv")." "$(box_text)"
answer 1
expect_eq "old title kept" "$(winpath "$T/gone/doc.klv")" "$(drv mdi-children "$FRAME" | head -1)"
# The folder of the last Open is back, with another document of that name.
mkdir nowhere gone && cp series.klv nowhere/other.klv && cp series.klv gone/other.klv
open_file other.klv   # a bare name, taken in the folder the dialog starts in
wait_active "$(winpath "$T/nowhere/other.klv")"

# -- Remarks typed past their limit: the window holds 256, the file 255 -------
cp series.klv long.klv
open_file "$(winpath "$T/long.klv")"
wait_active "$(winpath "$T/long.klv")"
typed=$(for n in $(seq 0 29); do printf '%s' 0123456789; done)   # 300 characters
drv type "$FRAME" "$typed" >/dev/null
remarks=$(drv children "$FRAME" | sed -n 's/^[0-9]* Edit "\(.*\)"$/\1/p' | head -1)
expect_eq "the window takes 256 characters" "${typed:0:256}" "$remarks"
wait_button 1003 enabled
drv command "$FRAME" 1003 >/dev/null
wait_button 1003 grey
expect_eq "the file keeps 255" "${typed:0:255}" "$(edit_of long.klv)"

# -- Exit with modified documents: Cancel on the second keeps it and the frame
drv command "$FRAME" 1008 >/dev/null
box_text >/dev/null
answer 7
box_text >/dev/null
answer 2
expect_eq "first closed, second kept" 2 "$(children)"
drv wait-window "$FRAME" 2000 >/dev/null || note_failure "frame gone after Cancel"
drv close "$FRAME" >/dev/null
for n in 2 1; do box_text >/dev/null; answer 7; done
expect_app_ends

# -- A quoted command line is taken with its quotes: it names no file --------
# (one argument with blanks: Wine quotes it in the command line it builds)
wine "$KLV_WIN64_BIN/klemva99_it.exe" "$blank" &
app=$!
text=$(box_text)   # shown while the frame is being built
case "$text" in
"Non ha potuto aperire \"$blank\"."*) echo "ok: unopenable path reported" ;;
*) note_failure "unopenable path: got [$text]" ;;
esac
shot_box shell_box_cannot_open
answer 1
drv wait-window "$FRAME" 20000 >/dev/null || note_failure "no frame after the message"
expect_eq "no empty window" 0 "$(children)"
drv command "$FRAME" 1008 >/dev/null
expect_app_ends

# -- With the logo setting the description page shows the bitmap -------------
convert -size 240x80 gradient:navy-orange -depth 8 BMP3:logo.bmp
wine reg add "HKCU\\$SETTINGS" /v BMP /t REG_SZ /d "$(winpath "$T/logo.bmp")" /f >/dev/null 2>&1
wine reg add "HKCU\\$SETTINGS" /v Logo /t REG_DWORD /d 1 /f >/dev/null 2>&1
start_app "$(winpath "$T/series.klv")"
drv children "$FRAME" | grep -q '^666 Static' && echo "ok: logo control" || note_failure "no logo control"
shot shell_doc_logo
drv close "$FRAME" >/dev/null
expect_app_ends
wine reg delete "HKCU\\$SETTINGS" /v Logo /f >/dev/null 2>&1
finish
