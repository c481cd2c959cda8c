# Shared helpers of the shell's end-to-end tests (sourced).
# The frame is found by its class "Klemva"; the program's message boxes by
# their exact caption ("dialog:Klemva"), the file dialogs by theirs.
drv() { wine "$KLV_WIN64_BIN/klvdriver.exe" "$@" | tr -d '\r'; }
FRAME=class:Klemva
BOX=dialog:Klemva
SETTINGS='SOFTWARE\VARNOK\Klemva\2.0\Einstellungen'
failures=0
app=

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_eq() { # what expected actual
  if [ "$2" == "$3" ]; then echo "ok: $1"; else fail "$1: expected [$2], got [$3]"; fi
}
# Windows path of a Unix path.
winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }

# Starts the program (arguments: its command-line tail) in the current
# directory and waits for its frame.
start_app() {
  wine "$KLV_WIN64_BIN/klemva99_it.exe" "$@" &
  app=$!
  drv wait-window "$FRAME" 20000 >/dev/null || { fail "no frame window"; exit 1; }
}

# Waits until the program has ended and checks its exit code.
expect_app_ends() {
  for _ in $(seq 1 100); do
    kill -0 "$app" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$app" 2>/dev/null; then
    fail "the program did not end"
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
  box=$(drv wait-window "$BOX" 10000) || { fail "no message box to answer with $1"; return; }
  drv click "$BOX" "$1" >/dev/null
  for _ in $(seq 1 100); do
    current=$(drv wait-window "$BOX" 0 2>/dev/null)
    [ "$current" != "$box" ] && return 0
    sleep 0.1
  done
  fail "message box not answered with $1"
}

# Polls until toolbar button $1 is in state $2 (the program updates the
# buttons whenever its message queue runs empty).
wait_button() {
  for _ in $(seq 1 50); do
    [ "$(drv toolbar-state "$FRAME" "$1")" == "$2" ] && { echo "ok: button $1 $2"; return 0; }
    sleep 0.1
  done
  fail "button $1 not $2"
}

# Polls until the file $1 exists: a save runs after its dialog has gone, and
# the finished file appears whole under its name.
wait_file() {
  for _ in $(seq 1 100); do
    [ -f "$1" ] && return 0
    sleep 0.1
  done
  return 1
}

shot() { bash "$KLV_SCRIPTS/screenshot.sh" "$1" >/dev/null; }
# The message box alone, from its own X window (over the program's other
# windows the root window's picture of it stays black under Xvfb).
shot_box() {
  local rect id
  rect=$(drv rect "$BOX") || { fail "no message box to picture"; return; }
  id=$(xwininfo -root -tree -display "$DISPLAY" | grep -F "\"Klemva\": (\"klemva99_it.exe\"" |
    grep -F " $rect " | awk '{print $1}' | head -1)
  [ -n "$id" ] || { fail "no X window for the message box at $rect"; return; }
  xwd -id "$id" -silent -display "$DISPLAY" | convert xwd:- "$KLV_SCREENSHOTS/$1.png"
}

# The File menu opened as with Alt+F, pictured from its own X window, then
# closed again. The menu is told by the frame's thread's popup menus, not by
# any untitled window of the program.
shot_file_menu() {
  local rect id
  drv menu "$FRAME" f >/dev/null
  for _ in $(seq 1 50); do
    rect=$(drv popup-menus "$FRAME" | head -1)
    [ -n "$rect" ] && break
    sleep 0.1
  done
  [ -n "$rect" ] || { fail "the File menu did not open"; return; }
  for _ in $(seq 1 50); do
    id=$(xwininfo -root -tree -display "$DISPLAY" | grep -F '(has no name): ("klemva99_it.exe"' |
      grep -F " $rect " | awk '{print $1}' | head -1)
    [ -n "$id" ] && break
    sleep 0.1
  done
  if [ -n "$id" ]; then
    xwd -id "$id" -silent -display "$DISPLAY" | convert xwd:- "$KLV_SCREENSHOTS/$1.png"
  else
    fail "no X window for the File menu at $rect"
  fi
  # Escape until the menu has gone (keys posted before the menu's own loop
  # runs are not its keys).
  for _ in $(seq 1 20); do
    drv menu "$FRAME" close >/dev/null
    rect=$(drv popup-menus "$FRAME")
    [ -z "$rect" ] && return 0
    sleep 0.2
  done
  fail "the File menu did not close: menus still shown at $rect"
}

finish() {
  [ -n "$app" ] && kill "$app" 2>/dev/null
  if [ "$failures" -eq 0 ]; then echo PASS; exit 0; fi
  echo "$failures check(s) failed"
  exit 1
}
