#!/usr/bin/env bash
# Runs graphlib_comlink_test.exe with the raw pty peer serving COM1 and a
# locked line on COM2.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/snapshots.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../../lib/testlib.sh"
hostbin=$(dirname "$KLVSIM")
peer="$hostbin/graphlib_ptypeer"
[ -x "$peer" ] || fail "$peer is not built"
link="$KLV_PORTS_DIR/com1"
locked="$KLV_PORTS_DIR/com2"
"$peer" --link "$link" --rate 20000 &
peer_pid=$!
# COM2: a line that cannot be opened, like a port held by another program.
"$peer" --link "$locked" --locked &
locked_pid=$!
trap 'kill $peer_pid $locked_pid 2>/dev/null; wait $peer_pid $locked_pid 2>/dev/null' EXIT
both_served() { [ -L "$link" ] && [ -L "$locked" ]; }
wait_until 5 both_served
[ -L "$link" ] || fail "the peer did not serve COM1"
[ -L "$locked" ] || fail "the locked peer did not serve COM2"
wine "$KLV_WIN64_BIN/graphlib_comlink_test.exe" "$(snapshot_dir_for_windows)"
rc=$?
convert_snapshots
exit $rc
