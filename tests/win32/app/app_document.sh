#!/usr/bin/env bash
# The 32-bit program started on a document: the recorded series named on its
# command line opens in a document window showing the series' texts, figures and
# curves on each page; closing the frame ends the program cleanly.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../e2e/shell/lib.sh"
cd "$KLV_TEST_TMP"
cp "$here/../arith/series.klv" series.klv
doc=$(winpath "$KLV_TEST_TMP/series.klv")
start_app "$doc"
expect_eq "document from the command line" "$doc" "$(drv mdi-children "$FRAME")"
texts=$(drv children "$FRAME")
for text in "Misurazione del 07.12.2026" "SN4711" "KLV1-AC5" "*96.9 N" "309.8 N"; do
  grep -qF "$text" <<<"$texts" && echo "ok: shows $text" || note_failure "document does not show $text"
done
shot win32_doc_description
for tab in 1 2 3 4; do
  drv tab "$FRAME" $tab >/dev/null || note_failure "no page $tab"
  shot win32_doc_page$tab
done
drv close "$FRAME" >/dev/null || note_failure "frame not closed"
expect_app_ends
finish
