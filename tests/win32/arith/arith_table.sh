#!/usr/bin/env bash
# Checks the figures of the build under test against the shared table.
#   arith_table.sh [--write FILE]   (--write: save the computed table instead)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
wine "$KLV_WIN64_BIN/arith_table_test.exe" "Z:$here/arith_expected.txt" "Z:$here/series.klv" "$@"
