#!/usr/bin/env bash
# Runs graphlib_comlink_test.exe with the raw pty peer serving COM1 and a
# locked line on COM2.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/snapshots.sh"
hostbin=$(dirname "$KLVSIM")
peer="$hostbin/graphlib_ptypeer"
[ -x "$peer" ] || { echo "FAIL: $peer is not built" >&2; exit 1; }
link="$KLV_PORTS_DIR/com1"
locked="$KLV_PORTS_DIR/com2"
"$peer" --link "$link" --rate 20000 &
peer_pid=$!
# COM2: a line that cannot be opened, like a port held by another program.
"$peer" --link "$locked" --locked &
locked_pid=$!
trap 'kill $peer_pid $locked_pid 2>/dev/null; wait $peer_pid $locked_pid 2>/dev/null' EXIT
for _ in $(seq 1 100); do [ -L "$link" ] && [ -L "$locked" ] && break; sleep 0.05; done
[ -L "$link" ] || { echo "FAIL: the peer did not serve COM1" >&2; exit 1; }
[ -L "$locked" ] || { echo "FAIL: the locked peer did not serve COM2" >&2; exit 1; }
wine "$KLV_WIN64_BIN/graphlib_comlink_test.exe" "$(snapshot_dir_for_windows)"
rc=$?
convert_snapshots
exit $rc
