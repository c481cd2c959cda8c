# Shared helpers of the shell's end-to-end tests (sourced).
# The frame is found by its class "Klemva"; the program's message boxes by
# their exact caption ("dialog:Klemva"), the file dialogs by theirs.
source "$(dirname "${BASH_SOURCE[0]}")/../../lib/testlib.sh"
FRAME=class:Klemva
BOX=dialog:Klemva
SETTINGS='SOFTWARE\VARNOK\Klemva\2.0\Einstellungen'
app=
# A check that failed does not leave the program running.
trap '[ -n "$app" ] && kill "$app" 2>/dev/null' EXIT

expect_eq() { # what expected actual
  if [ "$2" == "$3" ]; then echo "ok: $1"; else note_failure "$1: expected [$2], got [$3]"; fi
}

# Starts the program (arguments: its command-line tail) in the current
# directory and waits for its frame.
start_app() {
  wine "$KLV_WIN64_BIN/klemva99_it.exe" "$@" &
  app=$!
  drv wait-window "$FRAME" 20000 >/dev/null || fail "no frame window"
}

# Waits until the program has ended and checks its exit code.
expect_app_ends() {
  if ! wait_pid_gone "$app" 10; then
    note_failure "the program did not end"
    kill "$app"
    return
  fi
  wait "$app"
  expect_eq "exit code" 0 $?
  app=
}

# Waits for a message box of the program and prints its text.
box_text() {
  drv wait-window "$BOX" 10000 >/dev/null || { echo "(no message box)"; return; }
  # The first line of the first static with text (the icon's is empty).
  drv children "$BOX" | sed -n '/ Static ""$/d; s/^[0-9]* Static "\(.*\)$/\1/p' | head -1 | sed 's/"$//'
}

# Answers the message box with button id (6 Yes, 7 No, 2 Cancel, 1 OK) and
# waits until that box has gone (the next question may follow at once).
answer() {
  local box current
  box=$(drv wait-window "$BOX" 10000) || { note_failure "no message box to answer with $1"; return; }
  drv click "$BOX" "$1" >/dev/null
  wait_until 10 box_other_than "$box" || note_failure "message box not answered with $1"
}
# True when the program's message box is not (or no longer) the window $1.
box_other_than() { [ "$(drv wait-window "$BOX" 0 2>/dev/null)" != "$1" ]; }

# Polls until toolbar button $1 is in state $2 (the program updates the
# buttons whenever its message queue runs empty).
wait_button() {
  if wait_until 5 button_in_state "$1" "$2"; then
    echo "ok: button $1 $2"
  else
    note_failure "button $1 not $2"
  fi
}
button_in_state() { [ "$(drv toolbar-state "$FRAME" "$1")" == "$2" ]; }

# Polls until the file $1 exists: a save runs after its dialog has gone, and
# the finished file appears whole under its name.
wait_file() { wait_until 10 test -f "$1"; }

shot() { bash "$KLV_SCRIPTS/screenshot.sh" "$1" >/dev/null; }
# The message box alone, from its own X window (over the program's other
# windows the root window's picture of it stays black under Xvfb).
shot_box() {
  local rect id
  rect=$(drv rect "$BOX") || { note_failure "no message box to picture"; return; }
  id=$(xwininfo -root -tree -display "$DISPLAY" | grep -F "\"Klemva\": (\"klemva99_it.exe\"" |
    grep -F " $rect " | awk '{print $1}' | head -1)
  [ -n "$id" ] || { note_failure "no X window for the message box at $rect"; return; }
  xwd -id "$id" -silent -display "$DISPLAY" | convert xwd:- "$KLV_SCREENSHOTS/$1.png"
}

# The File menu opened as with Alt+F, pictured from its own X window, then
# closed again. The menu is told by the frame's thread's popup menus, not by
# any untitled window of the program.
shot_file_menu() {
  local rect id
  drv menu "$FRAME" f >/dev/null
  rect=$(wait_until 5 first_popup_menu) || { note_failure "the File menu did not open"; return; }
  id=$(wait_until 5 menu_x_window "$rect")
  if [ -n "$id" ]; then
    xwd -id "$id" -silent -display "$DISPLAY" | convert xwd:- "$KLV_SCREENSHOTS/$1.png"
  else
    note_failure "no X window for the File menu at $rect"
  fi
  # Escape until the menu has gone (keys posted before the menu's own loop
  # runs are not its keys).
  wait_until 5 escape_closes_menu ||
    note_failure "the File menu did not close: menus still shown at $(drv popup-menus "$FRAME")"
}
# The items of the menu pictured as $1 (shot_file_menu): "enabled" or "grey"
# each, from the top.
menu_items() { python3 "$(dirname "${BASH_SOURCE[0]}")/menu_items.py" "$KLV_SCREENSHOTS/$1.png"; }
# One Escape to the frame's menu; true when no popup menu is shown after it.
escape_closes_menu() {
  drv menu "$FRAME" close >/dev/null
  [ -z "$(drv popup-menus "$FRAME")" ]
}
# The rectangle of the frame thread's first popup menu, when one is shown.
first_popup_menu() {
  local rect
  rect=$(drv popup-menus "$FRAME" | head -1)
  [ -n "$rect" ] && echo "$rect"
}
# The X window of the program's untitled popup at rectangle $1, when there is one.
menu_x_window() {
  local id
  id=$(xwininfo -root -tree -display "$DISPLAY" | grep -F '(has no name): ("klemva99_it.exe"' |
    grep -F " $1 " | awk '{print $1}' | head -1)
  [ -n "$id" ] && echo "$id"
}
