# meas_lib.sh - shared steps of the measurement flow tests (sourced).
# Needs the test bed's environment (scripts/wine-test.sh).

source "$(dirname "${BASH_SOURCE[0]}")/../../lib/testlib.sh"

SHOTS_W=$(winpath "$KLV_SCREENSHOTS")
steps_no=0

# steps NAME <<'EOF' ... : runs driver commands (UTF-8 text, converted to the
# program's code page) in one driver start; @SHOTS@ is the screenshot folder.
steps() {
  local name=$1 file
  steps_no=$((steps_no + 1))
  file="$KLV_TEST_TMP/$(printf '%02d' $steps_no)-$name.steps"
  sed "s|@SHOTS@|${SHOTS_W//\\/\\\\}|g" | iconv -f UTF-8 -t CP1252 > "$file"
  echo "--- $name"
  drv script "$(winpath "$file")" || fail "step group '$name' failed"
}

# The program's settings from scratch: port index, AutoSave, save folder.
reset_settings() {
  local port=$1 autosave=$2 folder=$3
  steps settings <<STEPS
clear-key HKCU SOFTWARE\\VARNOK
set-reg HKCU SOFTWARE\\VARNOK\\Klemva directory sz "$folder"
set-reg HKCU SOFTWARE\\VARNOK\\Klemva\\2.0\\Einstellungen Port dword $port
set-reg HKCU SOFTWARE\\VARNOK\\Klemva\\2.0\\Einstellungen AutoSave dword $autosave
STEPS
}

start_program() {
  wine "$KLV_WIN64_BIN/klemva99_it.exe" &
  app=$!
  trap 'kill $app 2>/dev/null' EXIT
  drv wait-window Klemva 30000 >/dev/null || fail "the program's frame did not appear"
}

# Closes the frame like a user, not saving what is unsaved.
stop_program() {
  drv close Klemva
  drv answer Klemva No "Modifiche" 3000 >/dev/null 2>&1
  wait_pid_gone $app 10 || fail "the program did not end"
  wait $app
}

# The screenshots of a flow as PNG files next to the other tests' shots.
convert_shots() {
  for bmp in "$KLV_SCREENSHOTS"/${TEST_NAME}_*.bmp; do
    [ -f "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
  done
}

# Waits up to 10 s for a file of 53372 bytes (a new measurement's document)
# matching the glob pattern; prints its path.
document_file() {
  for f in $1; do
    [ -f "$f" ] && [ "$(stat -c %s "$f")" -eq 53372 ] && { echo "$f"; return 0; }
  done
  return 1
}
wait_document_file() { wait_until 10 document_file "$1"; }

# Fails unless the saved document $1 agrees with klvtool's record of the
# scenario $2 (today's date); $3 names the series in the message.
agrees_with_klvtool() {
  local file=$1 scenario=$2 what=$3
  "$KLVTOOL" measure --sim "$scenario" --date "$(date -u +%F)" \
    --out "$KLV_TEST_TMP/reference.klv" >/dev/null || fail "klvtool measure failed"
  python3 "$here/compare_docs.py" "$KLVTOOL" "$file" "$KLV_TEST_TMP/reference.klv" \
    || fail "$what differs from klvtool's record"
}
