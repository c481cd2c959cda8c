#!/usr/bin/env bash
# Builds and runs the graph drawing benchmark under Wine (a virtual X display
# is started when none is there).
#   bash bench/graph_draw_bench.sh [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win64="$root/build/win64"
[ -f "$win64/CMakeCache.txt" ] ||
  cmake -S "$root" -B "$win64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$win64" --target graph_draw_bench -j2 >/dev/null
bash "$root/scripts/wine-prefix.sh" "$win64"
export WINEPREFIX="$win64/wineprefix" WINEDEBUG=-all XENVIRONMENT="$root/scripts/testbed.Xresources"
run=(wine "$win64/bin/graph_draw_bench.exe" "${1:-50}")
if [ -z "${DISPLAY:-}" ]; then
  xvfb-run -a -s "-screen 0 1280x1024x24" "${run[@]}"
else
  "${run[@]}"
fi
