#!/usr/bin/env bash
# Starts klemva99_it.exe, waits for its frame and checks on a screenshot that
# the frame itself shows: the title bar in the active caption colours at its
# place, the client area in the workspace colour and, when the frame has a
# menu, the menu bar with its item texts. Then closes the frame like a user
# and expects a clean exit.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../lib/testlib.sh"
wine "$KLV_WIN64_BIN/klemva99_it.exe" &
app=$!
trap 'kill $app 2>/dev/null' EXIT
drv wait-window Klemva 20000 || fail "no Klemva window"

probe=$(wine "$KLV_WIN64_BIN/frame_probe.exe" Klemva | tr -d '\r') || fail "the frame could not be probed"
eval "$probe"
[ "$active" = 1 ] || fail "the frame is not the active window"

channel() { echo $((16#${1:$2:2})); }
# True when every channel of $1 lies between those of $2 and $3 (±4 for
# the caption's gradient steps).
between() {
  local i v a b
  for i in 0 2 4; do
    v=$(channel "$1" $i) a=$(channel "$2" $i) b=$(channel "$3" $i)
    [ "$a" -le "$b" ] || { local t=$a; a=$b; b=$t; }
    [ "$v" -ge $((a - 4)) ] && [ "$v" -le $((b + 4)) ] || return 1
  done
}

# The frame on one screenshot; sets why when it does not show as it should.
check_frame() {
  shot=$(bash "$KLV_SCRIPTS/screenshot.sh" app_frame) || { why="no screenshot"; return 1; }
  # In the title bar, right of the caption text and left of the buttons.
  local cx=$((caption_left + (caption_right - caption_left) * 6 / 10))
  local cy=$(((caption_top + caption_bottom) / 2))
  local wx=$(((client_left + client_right) / 2)) wy=$(((client_top + client_bottom) / 2))
  local px
  px=($(convert "$shot" -format "%[hex:p{$cx,$cy}] %[hex:p{$wx,$wy}]" info:)) || { why="cannot read $shot"; return 1; }
  local caption=${px[0]:0:6} workspace=${px[1]:0:6}
  between "$caption" "$colour_caption" "$colour_caption_gradient" ||
    { why="title bar pixel ($cx,$cy) is #$caption, not between #$colour_caption and #$colour_caption_gradient"; return 1; }
  [ "$workspace" = "$colour_workspace" ] ||
    { why="client area pixel ($wx,$wy) is #$workspace, not the workspace colour #$colour_workspace"; return 1; }
  if [ "$menubar" = 1 ]; then
    local mx=$((menubar_right - 4)) my=$(((menubar_top + menubar_bottom) / 2))
    local bar
    bar=$(convert "$shot" -format "%[hex:p{$mx,$my}]" info:)
    [ "${bar:0:6}" = "$colour_menubar" ] ||
      { why="menu bar pixel ($mx,$my) is #${bar:0:6}, not the menu colour #$colour_menubar"; return 1; }
    # The first items' texts, at the left end of the bar.
    local w=$(((menubar_right - menubar_left) / 4)) h=$((menubar_bottom - menubar_top))
    convert "$shot" -crop "${w}x${h}+${menubar_left}+${menubar_top}" -format %c histogram:info:- |
      grep -i "#$colour_menutext" >/dev/null ||
      { why="the menu bar shows no item text in #$colour_menutext"; return 1; }
  else
    echo "the frame has no menu bar: menu bar not checked"
  fi
}

# Wine's drawing reaches the X screen a moment after the window exists.
wait_until 15 check_frame || fail "after 15 s: $why (see $shot)"
echo "the frame shows in $shot"

drv close Klemva || exit 1
wait_pid_gone $app 10 || fail "the program did not end after its frame was closed"
wait $app
rc=$?
[ $rc -eq 0 ] || fail "exit code $rc"
finish
