#!/usr/bin/env bash
# Runs one test against the win64 build under Wine (called by CTest).
#   wine-test.sh --win64 TREE --host TREE --shots DIR --name NAME
#                [--sim COMn=SCENARIO]... -- COMMAND ARGS...
# COMMAND is a Windows program of the win64 bin/ (run with wine) or a *.sh
# script (run with bash, with the test bed in its environment). In ARGS,
# @BIN@ is the win64 bin/ directory, @TMP@ a fresh per-test directory,
# @WTMP@ the same as a Windows path, @SCREENSHOTS@ the screenshot directory,
# @PORTS@ the directory of the COMn link paths.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
win64= host= shots= name=test sims=()
while [ $# -gt 0 ]; do
  case "$1" in
    --win64) win64=$2; shift 2 ;;
    --host) host=$2; shift 2 ;;
    --shots) shots=$2; shift 2 ;;
    --name) name=$2; shift 2 ;;
    --sim) sims+=("$2"); shift 2 ;;
    --) shift; break ;;
    *) echo "wine-test: unknown option $1" >&2; exit 2 ;;
  esac
done
[ $# -ge 1 ] || { echo "wine-test: no command" >&2; exit 2; }
fail() { echo "FAIL: $*" >&2; exit 1; }

command -v wine >/dev/null || fail "this test needs Wine, but 'wine' is not installed (run scripts/setup-deps.sh)"
[ -d "$win64/bin" ] || fail "no win64 build at $win64 (build it first: make build)"
win64=$(cd "$win64" && pwd)
bash "$here/wine-prefix.sh" "$win64" || fail "could not make the Wine prefix"

export WINEPREFIX="$win64/wineprefix" WINEDEBUG=${WINEDEBUG:--all} XENVIRONMENT="$here/testbed.Xresources"
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ -f "$host/xdisplay" ]; then
  export DISPLAY=$(cat "$host/xdisplay")
fi
[ -n "${DISPLAY:-}" ] || fail "no X display (run through ctest, whose fixture starts Xvfb)"

export KLV_WIN64_BIN="$win64/bin" KLV_PORTS_DIR="$win64/ports" KLV_SCREENSHOTS="$shots"
export KLVSIM="$host/bin/klvsim" KLVTOOL="$host/bin/klvtool" KLV_SCRIPTS="$here"
export KLV_TEST_TMP="$host/testtmp/$name"
rm -rf "$KLV_TEST_TMP"; mkdir -p "$KLV_TEST_TMP" "$shots" "$KLV_PORTS_DIR"
wtmp="Z:$(echo "$KLV_TEST_TMP" | tr / '\\')"
export KLV_TEST_WTMP="$wtmp"

# Ports left over by an earlier, interrupted test would be found by the next.
find "$KLV_PORTS_DIR" -maxdepth 1 -name 'com*' -type l -delete

pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  find "$KLV_PORTS_DIR" -maxdepth 1 -name 'com*' -type l -delete
}
trap cleanup EXIT

for s in "${sims[@]}"; do
  port=${s%%=*}; scenario=${s#*=}
  link="$KLV_PORTS_DIR/$(echo "$port" | tr 'A-Z' 'a-z')"
  [ -x "$KLVSIM" ] || fail "klvsim not built at $KLVSIM"
  "$KLVSIM" --link "$link" --scenario "$scenario" --log "$KLV_TEST_TMP/sim-$port.log" &
  pids+=($!)
  for _ in $(seq 1 100); do [ -L "$link" ] && break; sleep 0.05; done
  [ -L "$link" ] || fail "klvsim did not serve $port"
done

cmd=$1; shift
args=()
for a in "$@"; do
  a=${a//@BIN@/$KLV_WIN64_BIN}
  a=${a//@WTMP@/$wtmp}
  a=${a//@TMP@/$KLV_TEST_TMP}
  a=${a//@SCREENSHOTS@/$shots}
  a=${a//@PORTS@/$KLV_PORTS_DIR}
  args+=("$a")
done

# Start the wineserver ourselves so that it does not inherit the test's output:
# it would keep CTest waiting through its linger time and write its object
# dump (on a pty hang-up) into the test log. It lingers a minute, so the next
# test finds Wine's services and desktop running instead of booting them again
# (about 2 s a start); the display fixture's stop ends it with the run.
if wineserver -p60 >>"$win64/wineserver.log" 2>&1; then
  # A new server: boot Wine's services and desktop with their output in the
  # log too. Started by the test's program, they would hold CTest's pipe
  # through the linger.
  wine cmd /c exit >>"$win64/wineserver.log" 2>&1 </dev/null
fi

cd "$KLV_TEST_TMP"
if [[ "$cmd" == *.sh ]]; then
  bash "$cmd" "${args[@]}"
else
  [ -f "$KLV_WIN64_BIN/$cmd" ] || fail "$cmd is not built in $KLV_WIN64_BIN"
  wine "$KLV_WIN64_BIN/$cmd" "${args[@]}"
fi
rc=$?
echo "wine-test: $name exited with $rc"
exit $rc
