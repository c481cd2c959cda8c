#!/usr/bin/env bash
# The about box: its head lines read from the program's own version
# resource (no string name left showing), and it stays on the screen when
# opened over a frame pushed against the screen's right and bottom edges.
set -uo pipefail
TEST_NAME=about_box
here=$(cd "$(dirname "$0")" && pwd)
source "$here/print_lib.sh"
box="ber Klemva" # "Über Klemva"

expect_text() {
  local got
  got=$(drv text "$box" "$1" | tr -d '\r')
  [ "$got" == "$2" ] || fail "control $1 reads \"$got\", expected \"$2\""
}

start_program

echo "--- the version strings"
drv command class:Klemva 1401
drv wait-window "$box" 10000 >/dev/null || fail "the about box did not open"
[ "$(drv text "$box" | iconv -f CP1252 -t UTF-8 | tr -d '\r')" == "Über Klemva" ] || fail "caption"
expect_text 104 "Klemva"
expect_text 101 "Sistema di misurazione forza di chiusura"
expect_text 102 "Version 2.4"
copyright=$(drv text "$box" 103 | iconv -f CP1252 -t UTF-8 | tr -d '\r')
[[ "$copyright" == "Copyright © VARNOK GmbH "* ]] || fail "legal notice \"$copyright\""
[ "$(drv text "$box" 100 | wc -l)" -eq 3 ] || fail "the maker's name and address are not three lines"
shot "$box" box
drv keys "$box" ESCAPE
drv wait-gone "$box" 10000 || fail "Escape did not close the about box"

echo "--- opened near the screen's edge"
read -r _ _ _ _ screen_w screen_h < <(drv placement class:Klemva | tr -d "\r")
drv move class:Klemva $((screen_w - 150)) $((screen_h - 100)) || fail "cannot move the frame"
drv command class:Klemva 1401
drv wait-window "$box" 10000 >/dev/null || fail "the about box did not open again"
read -r left top right bottom _ _ < <(drv placement "$box" | tr -d "\r")
echo "about box at $left,$top-$right,$bottom on a ${screen_w}x$screen_h screen"
[ "$right" -eq "$screen_w" ] || fail "the box does not end at the right screen edge ($right)"
[ "$bottom" -eq "$screen_h" ] || fail "the box does not end at the bottom screen edge ($bottom)"
drv click "$box" 1
drv wait-gone "$box" 10000 || fail "OK did not close the about box"

stop_program
echo "PASS"
