#!/usr/bin/env bash
# Runs one test of the win32 tier: the i686 build under the private 32-bit
# Wine (called by CTest).
#   win32-test.sh --win32 TREE --host TREE --shots DIR --name NAME
#                 [--sim COMn=SCENARIO]... -- COMMAND ARGS...
# The same test bed as scripts/wine-test.sh (whose Windows programs and test
# scripts run unchanged), with `wine`, `wineserver` and `winepath` being the
# private 32-bit ones, the win32 tree's own prefix and ports, and
# KLV_WIN64_BIN naming the win32 bin/. Exit 77 (skipped) when the machine has
# no private 32-bit Wine.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
args=("$@")
win32= shots=
while [ $# -gt 0 ]; do
    case "$1" in
    --win32) win32=$2; shift 2 ;;
    --shots) shots=$2; shift 2 ;;
    --) break ;;
    *) shift ;;
    esac
done
mode=$(bash "$here/win32-sysroot.sh" --check) || exit 77
[ -d "$win32/bin" ] || { echo "FAIL: no win32 build at $win32 (build it first: make build)" >&2; exit 1; }
win32=$(cd "$win32" && pwd)
root=${KLV_WIN32_ROOT:-/opt/klv-win32}
export KLV_WIN32_MODE=$mode WINEARCH=win32
echo "win32-test: 32-bit Wine runs $mode"

# The private Wine's commands, first on PATH for the test bed's scripts.
bindir="$win32/wine32-bin"
mkdir -p "$bindir"
ln -sf "$root/sysroot/usr/lib/wine/wine" "$bindir/wine"
ln -sf "$root/sysroot/usr/lib/wine/wineserver" "$bindir/wineserver"
printf '#!/bin/sh\nexec wine winepath.exe "$@"\n' >"$bindir/winepath"
chmod +x "$bindir/winepath"
export PATH="$bindir:$PATH"

# Debian's Wine finds the zlib1.dll its user32 needs in the MinGW tree; the
# private one needs it in the prefix before the first program starts.
sys32="$win32/wineprefix/drive_c/windows/system32"
if [ ! -f "$sys32/zlib1.dll" ]; then
    mkdir -p "$sys32"
    cp "$root/sysroot/usr/lib/i386-linux-gnu/wine/i386-windows/zlib1.dll" "$sys32/"
fi

# Rewrite the tree and screenshot options for the common runner.
out=()
for ((i = 0; i < ${#args[@]}; i++)); do
    case "${args[i]}" in
    --win32) out+=(--win64); ;;
    --shots) out+=(--shots "${args[i + 1]}/win32"); i=$((i + 1)) ;;
    *) out+=("${args[i]}") ;;
    esac
done
exec bash "$here/wine-test.sh" "${out[@]}"
