#!/usr/bin/env bash
# Runs graphlib_graphapi_test.exe and keeps its window snapshots as PNG.
#   graphapi_test.sh [leak]   ("leak": only the create/destroy cycles)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/snapshots.sh"
wine "$KLV_WIN64_BIN/graphlib_graphapi_test.exe" "$(snapshot_dir_for_windows)" "$@"
rc=$?
convert_snapshots
exit $rc
