#!/usr/bin/env bash
# klvtool's verdict: measure and info with --limits FILE --set NAME on a
# series that passes, one that fails, and one that cannot be judged (a
# closing at the end of the sensor's range, a closing without effective
# force); exit status 3 when not a pass; bad limit files refused with the
# file, the line and the problem.
#   klvtool_verdict.sh KLVTOOL WORKDIR
set -uo pipefail
klvtool=$1 work=$2
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

cat > Limiti.ini <<'INI'
; sets for the test, checked against the built-in series' means
; (effective 88.6 N, clamping 48.3 N, peak 308.2 N)
[Passa]
Fonte=Prova; passa
Media.ForzaEffettiva=150
Chiusura.ForzaDiPunta=400,0
[Fallisce]
Media.ForzaDiPunta=400
Media.ForzaDiSerraggio=25
[Chiusure]
Chiusura.ForzaDiPunta=1000
Chiusura.ForzaEffettiva=1000
INI
# A series with a closing beyond the 500 N sensor's range and one that
# never reaches 50 N.
{
  printf 'variant 500\nserial 4711\noffset 40\n'
  for closing in 'peak=600N clamp=45N' 'peak=40N clamp=5N' 'peak=280N clamp=38N'; do
    printf 'await start-wait\nwait 1.0\npress 0.2\nawait threshold-wait\nwait 0.6\nclosing %s\n' "$closing"
  done
  printf 'await start-wait\nwait 1.0\npress 0.2\nawait stop\n'
} > doubtful.scn

"$klvtool" measure --sim series --date 2026-12-07 --out series.klv > /dev/null 2>&1 || fail "measure series: exit $?"
"$klvtool" measure --sim doubtful.scn --date 2026-12-07 --out doubtful.klv > /dev/null 2>&1 ||
  fail "measure doubtful.scn: exit $?"

# check JSON-FILE PYTHON-EXPRESSION: the expression over d, the parsed JSON, holds
check() {
  python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); sys.exit(0 if eval(sys.argv[2]) else 1)' "$1" "$2" ||
    fail "$3: $2 does not hold for $(tr -d '\n' < "$1" | grep -o '"saturated".*' | head -c 600)"
}

# Without a set: no verdict, and saturated for every reading.
"$klvtool" info series.klv > plain.json || fail "info without a set: exit $?"
check plain.json '"verdict" not in d and d["saturated"] is False' "info without a set"
"$klvtool" info doubtful.klv > plain.json || fail "info of a saturated series without a set: exit $?"
check plain.json '"verdict" not in d and d["saturated"] is True' "saturated series without a set"

# document | set | exit | what the JSON says
while IFS='|' read -r doc set rc expr; do
  "$klvtool" info "$doc" --limits Limiti.ini --set "$set" > out.json 2> err.txt
  got=$?
  [ $got -eq "$rc" ] || fail "info $doc [$set]: exit $got, expected $rc ($(cat err.txt))"
  check out.json "$expr" "info $doc [$set]"
done <<'TABLE'
series.klv|Passa|0|d["verdict"]["pass"] is True and d["verdict"]["set"] == "Passa" and d["verdict"]["source"] == "Prova; passa" and [r["pass"] for r in d["verdict"]["rules"]] == [True, True]
series.klv|fallisce|3|d["verdict"]["pass"] is False and [(r["scope"], r["figure"], r["limit"], r["pass"]) for r in d["verdict"]["rules"]] == [("Media", "ForzaDiPunta", 400, True), ("Media", "ForzaDiSerraggio", 25, False)] and abs(d["verdict"]["rules"][1]["values"][0] - d["figures"]["mean"]["clamping"]) < 1e-9
series.klv|Chiusure|0|len(d["verdict"]["rules"][0]["values"]) == 3 and d["verdict"]["pass"] is True
doubtful.klv|Chiusure|3|d["saturated"] is True and d["verdict"]["pass"] is None and d["verdict"]["rules"][1]["values"][1] is None and [r["pass"] for r in d["verdict"]["rules"]] == [None, None]
doubtful.klv|Fallisce|3|d["verdict"]["pass"] is False
TABLE

# measure judges the series it made, in its JSON and on the console.
"$klvtool" measure --sim series --date 2026-12-07 --limits Limiti.ini --set Fallisce --json out.json > console.txt 2>&1
got=$?
[ $got -eq 3 ] || fail "measure with a failed set: exit $got, expected 3"
check out.json 'd["verdict"]["pass"] is False and d["saturated"] is False and "results" in d' "measure --json"
grep -q '^Fallisce: NON CONFORME$' console.txt || fail "measure console lacks the verdict: $(tail -n 3 console.txt)"
grep -q '^  Media.ForzaDiSerraggio <= 25 N: 48.3 N  non conforme$' console.txt || fail "measure console lacks the failed rule"
"$klvtool" measure --sim series --date 2026-12-07 --set=Passa --limits=Limiti.ini > /dev/null 2>&1 ||
  fail "measure with a passed set: exit $?"

# Bad limit files and options: nothing measured or read, a message saying why.
printf '[A]\nMedia.ForzaDiPunta=400\n\nMedia.Forza=3\n' > bad.ini
while IFS='|' read -r args rc pattern; do
  eval "set -- $args"
  "$klvtool" "$@" > out.txt 2> err.txt
  got=$?
  [ $got -eq "$rc" ] || fail "klvtool $args: exit $got, expected $rc"
  grep -qF -- "$pattern" err.txt || fail "klvtool $args: message '$(cat err.txt)' lacks '$pattern'"
  [ ! -s out.txt ] || fail "klvtool $args: wrote output"
done <<'TABLE'
info series.klv --limits bad.ini --set A|1|File dei valori limite bad.ini, riga 4: figura sconosciuta "Forza"
measure --sim series --limits bad.ini --set A|1|riga 4
info series.klv --limits missing.ini --set A|1|Non ha potuto leggere il file dei valori limite missing.ini
info series.klv --limits Limiti.ini --set Nessuno|1|no set [Nessuno]; the file has: [Passa] [Fallisce] [Chiusure]
info series.klv --limits Limiti.ini|2|--limits and --set go together
measure --sim series --set Passa|2|--limits and --set go together
info series.klv --limits Limiti.ini --set|2|--set needs a value
TABLE

"$klvtool" info --help | grep -q -- '--limits FILE' || fail "info --help lacks --limits"
"$klvtool" measure --help | grep -q '^3 series complete but not a pass' || fail "measure --help lacks exit status 3"

[ $failures -eq 0 ] && echo "klvtool verdict: all checks held"
exit $((failures > 0))
