#!/usr/bin/env bash
# Checks the export tables of the 64- and the 32-bit varnok.dll: every exported
# name belongs to the library's interface, none is decorated, and every call
# of the interface is there.
#   check_exports.sh WIN64_VARNOK_DLL WIN32_VARNOK_DLL
set -uo pipefail

# The whole interface of the library.
allowed=(
  _InitCom _EnableCOMThread _DisableCOMThread _SendCommand _ShiftCounter _CloseCom
  _Bit2ValByIndex
  _GetDataPtr _GetGraphDataPtr _AddGraph _AddValue _AddValues _SetGraphBuffEnd _SetGraphStyle
  _AddInfoString _DisplayNotes _SetCursorMode _GetCursorMode GraphWndProc
  _SaveGraph _LoadGraph
  _ASCIIExport _PrintGraph
  _Smooth _Tiefpass
  _GetNyquistFreq _GetSpektralBuffSize _FFT
)
# Every call of the interface is exported.
required=("${allowed[@]}")

source "$(dirname "${BASH_SOURCE[0]}")/../../lib/testlib.sh"

objdump_for() {
  for t in "$@"; do
    command -v "$t" >/dev/null && { echo "$t"; return; }
  done
}

exports_of() {  # objdump dll -> one exported name per line
  "$1" -p "$2" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p'
}

check_dll() {  # label objdump dll
  local label=$1 od=$2 dll=$3
  if [ ! -f "$dll" ]; then
    note_failure "$label: $dll is missing (build the $label tree, or set KLV_WIN64_DIR/KLV_WIN32_DIR)"
    return
  fi
  [ -n "$od" ] || { note_failure "$label: no MinGW objdump found"; return; }
  mapfile -t names < <(exports_of "$od" "$dll")
  [ ${#names[@]} -gt 0 ] || { note_failure "$label: $dll exports nothing"; return; }
  for n in "${names[@]}"; do
    local ok=0
    for a in "${allowed[@]}"; do [ "$n" = "$a" ] && ok=1; done
    [ $ok = 1 ] || note_failure "$label: unexpected or misnamed export '$n'"
  done
  for r in "${required[@]}"; do
    local found=0
    for n in "${names[@]}"; do [ "$n" = "$r" ] && found=1; done
    [ $found = 1 ] || note_failure "$label: '$r' is not exported"
  done
  echo "$label: ${#names[@]} exports checked: ${names[*]}"
}

check_dll win64 "$(objdump_for x86_64-w64-mingw32-objdump objdump)" "$1"
check_dll win32 "$(objdump_for i686-w64-mingw32-objdump x86_64-w64-mingw32-objdump objdump)" "$2"
finish
