#!/usr/bin/env bash
# Makes (once) the Wine prefix of a win64 build tree and pins its serial ports.
#   scripts/wine-prefix.sh WIN64_TREE
# COM1..COM32 point at fixed link paths WIN64_TREE/ports/comN. A test serves a
# port by putting a pty symlink at that path; a dangling path is an absent
# port. Naming all 32 keeps the machine's own /dev/ttyS* beyond COM32, so no
# program under test ever opens a real serial device.
set -euo pipefail
tree=$(cd "$1" && pwd)
export WINEPREFIX="$tree/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$tree/ports"
exec 9>"$tree/.wineprefix.lock"
flock 9
if [ -f "$WINEPREFIX/.klv-ready-2" ]; then
  exit 0
fi
command -v wine >/dev/null || { echo "wine-prefix: 'wine' not found; run scripts/setup-deps.sh" >&2; exit 1; }
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wine-prefix: creating $WINEPREFIX (first use)" >&2
  wine wineboot -i >/dev/null 2>&1 || true
fi
regfile=$(mktemp --suffix=.reg)
{
  printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\r\n'
  for n in $(seq 1 32); do
    # Backslashes are doubled in .reg strings; the paths are Unix paths.
    printf '"COM%d"="%s"\r\n' "$n" "$tree/ports/com$n"
  done
  # No crash dialog waiting for a click; windows inside a virtual desktop,
  # so that they get Windows-like frames without a window manager.
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n'
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n'
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="1280x1000"\r\n\r\n'
} > "$regfile"
wine regedit /S "$(winepath -w "$regfile" 2>/dev/null || echo "$regfile")" >/dev/null 2>&1
rm -f "$regfile"
wineserver -w
touch "$WINEPREFIX/.klv-ready-2"
