# print_lib.sh - shared steps of the printing, options and about box tests
# (sourced; needs the test bed's environment from scripts/wine-test.sh).

source "$(dirname "${BASH_SOURCE[0]}")/../../lib/testlib.sh"
settings_key='HKCU\SOFTWARE\VARNOK\Klemva\2.0'

# A window of the program as a PNG in the screenshot folder.
shot() {
  local title=$1 name=$2
  drv capture "$title" "$KLV_TEST_TMP/$name.bmp" || return 1
  convert "$KLV_TEST_TMP/$name.bmp" "$KLV_SCREENSHOTS/${TEST_NAME}_$name.png"
}

# reg_set SUBKEY VALUE TYPE DATA under the 2.0 key ("" for the key itself).
reg_set() {
  local key=$settings_key${1:+\\$1}
  wine reg add "$key" /v "$2" /t "$3" /d "$4" /f >/dev/null 2>&1 || fail "cannot set $key\\$2"
}

reg_clear() {
  wine reg delete 'HKCU\SOFTWARE\VARNOK' /f >/dev/null 2>&1
  wine reg add "$settings_key\\Einstellungen" /f >/dev/null 2>&1 || fail "cannot create the settings key"
}

# expect_reg SUBKEY VALUE EXPECTED: a value of the 2.0 key's subkey, or
# "<absent>" when it does not exist.
expect_reg() {
  local got
  got=$(drv reg HKCU "SOFTWARE\\VARNOK\\Klemva\\2.0\\$1" "$2" 2>/dev/null | tr -d '\r') || got="<absent>"
  [ "$got" == "$3" ] || fail "$1\\$2 is \"$got\", expected \"$3\""
}

start_program() {
  wine "$KLV_WIN64_BIN/klemva99_it.exe" "$@" &
  app=$!
  trap 'kill $app 2>/dev/null' EXIT
  drv wait-window class:Klemva 30000 >/dev/null || fail "the program's frame did not appear"
}

stop_program() {
  drv close class:Klemva
  wait_pid_gone $app 10 || fail "the program did not end"
  wait $app
}
