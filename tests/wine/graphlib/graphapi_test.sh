#!/usr/bin/env bash
# Runs graphlib_graphapi_test.exe and keeps its window snapshots as PNG.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/snapshots.sh"
wine "$KLV_WIN64_BIN/graphlib_graphapi_test.exe" "$(snapshot_dir_for_windows)"
rc=$?
convert_snapshots
exit $rc
