#!/usr/bin/env bash
# Documents as a user handles them: a measurement saved by klvtool opened
# from the command line (a path with blanks) and shown exactly, saved as a
# copy that reads back the same (500 N scaling, no extra graphs), remarks
# saved, a second window on the same file, the save-changes question with
# Cancel / No / Yes-then-cancel, a file that is no document, a read-only
# document, saves that fail and keep the old file, exit with two modified
# documents, a quoted command line.
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

# -- A path with blanks on the command line is opened whole -----------------
blank=$(winpath "$T/my docs/series 1.klv")
start_app ${blank}   # unquoted: the program gets the tail with its blanks
expect_eq "document from the command line" "$blank" "$(drv mdi-children "$FRAME")"
wait_button 1006 enabled
expect_eq "Save button, document unchanged" grey "$(drv toolbar-state "$FRAME" 1003)"
shot shell_doc_description
shot_file_menu shell_menu_document
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

# -- Remarks typed and saved -------------------------------------------------
drv type "$FRAME" "Porta destra" >/dev/null
wait_button 1003 enabled
drv command "$FRAME" 1003 >/dev/null
wait_button 1003 grey
expect_eq "remarks saved" "Porta destra" "$(edit_of copy.klv)"

# -- A second window on the same file, saved on its own ----------------------
open_file "$(winpath "$T/copy.klv")"
wait_active "$(winpath "$T/copy.klv")"
expect_eq "two windows" 2 "$(children)"
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
open_file "$(winpath "$T/cut.klv")"   # graph records cut short
expect_eq "damaged document refused" "Niente Klemva file" "$(box_text)"
answer 1
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
