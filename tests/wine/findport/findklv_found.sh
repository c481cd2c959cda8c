#!/usr/bin/env bash
# FindKLV finds the device and stores its port.
#   findklv_found.sh INDEX [COMn=READS ...]
# INDEX: the port index expected in Port and the hint file; COMn=READS: the
# number of identification reads the simulator on COMn must have seen.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/findklv_lib.sh"
index=$1; shift

start_findklv
finish_findklv 30
[ "$FINDKLV_RC" = 0 ] || fail "exit code $FINDKLV_RC, expected 0"
check_stored "$index"
for expect in "$@"; do
  port=${expect%%=*} reads=${expect#*=}
  got=$(identification_reads "$port")
  [ "$got" = "$reads" ] || fail "$port saw $got identification reads, expected $reads"
  echo "$port: $got identification reads"
done
echo "PASS"
