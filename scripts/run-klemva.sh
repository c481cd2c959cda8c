#!/usr/bin/env bash
# Starts the measurement program (the win64 build) under Wine, optionally on
# a document:  scripts/run-klemva.sh [FILE.klv]
# Uses the build tree's Wine prefix and the current X display; without one,
# run it as  xvfb-run -a scripts/run-klemva.sh FILE.klv  (and look with
# scripts/screenshot.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win64="$root/build/win64"
[ -f "$win64/bin/klemva99_it.exe" ] || { echo "run-klemva: no win64 build (run: make win64)" >&2; exit 1; }
[ -n "${DISPLAY:-}" ] || { echo "run-klemva: no X display; try: xvfb-run -a $0 $*" >&2; exit 1; }
bash "$root/scripts/wine-prefix.sh" "$win64"
export WINEPREFIX="$win64/wineprefix" WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=" XENVIRONMENT="$root/scripts/testbed.Xresources"
args=()
if [ $# -ge 1 ] && [ -n "$1" ]; then
  [ -f "$1" ] || { echo "run-klemva: no file $1" >&2; exit 1; }
  args=("$(winepath -w "$(realpath "$1")")")
fi
exec wine "$win64/bin/klemva99_it.exe" "${args[@]}"
