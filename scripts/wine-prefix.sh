#!/usr/bin/env bash
# Makes (once) the Wine prefix of a win64 build tree, pins its serial ports and
# gives it the program's dialog font.
#   scripts/wine-prefix.sh WIN64_TREE
# COM1..COM32 point at fixed link paths WIN64_TREE/ports/comN. A test serves a
# port by putting a pty symlink at that path; a dangling path is an absent
# port. Naming all 32 keeps the machine's own /dev/ttyS* beyond COM32, so no
# program under test ever opens a real serial device.
# Fonts: Wine takes its own fonts only from the prefix's C:\windows\Fonts and
# from the system's fontconfig folders, and Debian's Wine leaves that folder
# empty (fonts-wine keeps them in /usr/share/wine/fonts). Every face the
# program names, "MS Sans Serif" 8 of its dialogs and "Helv" (Wine maps it to
# MS Sans Serif) of its document windows, then falls back to the system's
# default sans, Liberation Sans: 12 pixels high where Windows' font is 13, and
# wider, so texts wrap that fit on Windows. Wine's bitmap MS Sans Serif
# (sserife.fon) has the figures of Windows' own: 13 pixels high, ascent 11,
# average width 5, widest glyph 11, in sizes 8 to 24 points.
set -euo pipefail
tree=$(cd "$1" && pwd)
export WINEPREFIX="$tree/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$tree/ports"
exec 9>"$tree/.wineprefix.lock"
flock 9
if [ -f "$WINEPREFIX/.klv-ready-3" ]; then
  exit 0
fi
command -v wine >/dev/null || { echo "wine-prefix: 'wine' not found; run scripts/setup-deps.sh" >&2; exit 1; }
dialogfont=/usr/share/wine/fonts/sserife.fon
[ -f "$dialogfont" ] || { echo "wine-prefix: $dialogfont not found (package fonts-wine); run scripts/setup-deps.sh" >&2; exit 1; }
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wine-prefix: creating $WINEPREFIX (first use)" >&2
  wine wineboot -i >/dev/null 2>&1 || true
fi
# A bitmap font is the same file for 32-bit and 64-bit Wine; Wine registers
# the fonts it finds in that folder itself (a registry entry without the file
# in the folder does nothing).
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
cp "$dialogfont" "$WINEPREFIX/drive_c/windows/Fonts/sserife.fon"
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
touch "$WINEPREFIX/.klv-ready-3"
