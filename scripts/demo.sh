#!/usr/bin/env bash
# The main job: a whole measurement series made with the real program,
# klemva99_it.exe under Wine, against the device simulator.
#
#   scripts/demo.sh [SCENARIO]     SCENARIO: a klvsim scenario file, default "series"
#
# The simulator serves the port that the program's settings name (Port,
# COM1 when absent) on a pseudo-terminal; new measurements are saved
# automatically into build/demo/. With a display (DISPLAY set) you make the
# measurement yourself: File > Nuovo, describe the door, "&Avviamento..."; the
# simulated inspector presses the start button and closes the door three
# times, then confirms. Without a display (or with KLV_DEMO_HEADLESS=1) the
# same flow is played on a virtual display by the test driver, with
# screenshots of every stage. Either way the saved document is read back with
# klvtool and set beside klvtool's own run of the scenario.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win64="$root/build/win64"
host="$root/build/host"
work="$root/build/demo"
scenario=${1:-series}
[ "$scenario" = series ] || scenario=$(cd "$(dirname "$scenario")" && pwd)/$(basename "$scenario")
for f in "$win64/bin/klemva99_it.exe" "$win64/bin/klvdriver.exe" "$host/bin/klvsim" "$host/bin/klvtool"; do
  [ -f "$f" ] || { echo "demo: $f is not built (run: make build)" >&2; exit 1; }
done
mkdir -p "$work"
rm -f "$work"/*.klv "$work"/*.png "$work"/*.txt "$work"/*.json

bash "$root/scripts/wine-prefix.sh" "$win64"
export WINEPREFIX="$win64/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" XENVIRONMENT="$root/scripts/testbed.Xresources"
drv() { wine "$win64/bin/klvdriver.exe" "$@"; }
# Our own wineserver, its output kept out of this script's (it would also
# keep the terminal waiting through its linger time).
wineserver -p3 >>"$win64/wineserver.log" 2>&1 || true
winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }

pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
}
trap cleanup EXIT

headless=${KLV_DEMO_HEADLESS:-}
[ -n "${DISPLAY:-}" ] || headless=1
if [ -n "$headless" ]; then
  command -v Xvfb >/dev/null || { echo "demo: Xvfb is missing (run: make deps)" >&2; exit 1; }
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" </dev/null >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 1 100); do [ -s "$fdfile" ] && break; sleep 0.1; done
  num=$(tr -dc 0-9 < "$fdfile"); rm -f "$fdfile"
  [ -n "$num" ] || { echo "demo: Xvfb gave no display number within 10 s" >&2; exit 1; }
  export DISPLAY=":$num"
fi

# New measurements are saved automatically; the folder is kept short (the
# setting holds 79 characters) and the files are copied into build/demo/.
settings='SOFTWARE\VARNOK\Klemva\2.0\Einstellungen'
saves="$WINEPREFIX/drive_c/klvdemo"
rm -rf "$saves"; mkdir -p "$saves"
drv set-reg HKCU 'SOFTWARE\VARNOK\Klemva' directory sz 'C:\klvdemo'
drv set-reg HKCU "$settings" AutoSave dword 1
port=$(drv reg HKCU "$settings" Port 2>/dev/null | tr -dc 0-9 || true)
[ -n "$port" ] && [ "$port" -lt 32 ] || port=0
link="$win64/ports/com$((port + 1))"
"$host/bin/klvsim" --link "$link" --scenario "$scenario" --log "$work/wire.log" --linger 5 &
pids+=($!)
for _ in $(seq 1 100); do [ -L "$link" ] && break; sleep 0.05; done
[ -L "$link" ] || { echo "demo: the simulator did not start" >&2; exit 1; }
echo "Device simulator on COM$((port + 1)) (wire log: $work/wire.log)"

wine "$win64/bin/klemva99_it.exe" &
app=$!
pids+=($app)
drv wait-window Klemva 30000 >/dev/null

if [ -z "$headless" ]; then
  echo "klemva99_it runs on $DISPLAY: File > Nuovo, describe the door, press \"Avviamento...\"."
  echo "The simulated inspector starts each closing; close the program when you are done."
  wait $app || true
else
  echo "No display: the driver plays the measurement on $DISPLAY"
  shots=$(winpath "$work")
  steps="$work/steps.txt"
  iconv -f UTF-8 -t CP1252 > "$steps" <<STEPS
command Klemva 1001
wait-window "Nuova misuratione" 10000
set-text "Nuova misuratione" 103 "Ispettore Demo"
set-text "Nuova misuratione" 109 "Fiat Panda"
set-text "Nuova misuratione" 108 "anteriore sinistra"
set-text "Nuova misuratione" 107 "maniglia"
set-text "Nuova misuratione" 102 "chiusura normale"
set-text "Nuova misuratione" 104 "Misurazione di dimostrazione\\ncon il simulatore"
snap "Nuova misuratione" $shots\\1-description.bmp
click "Nuova misuratione" 1
wait-text Misurazione 900 "Aspetti l'avviamento di misurazione 1" 30000
snap Misurazione $shots\\2-waiting.bmp
wait-text Misurazione 900 "Inizzi la misurazione 1" 30000
snap Misurazione $shots\\3-settling.bmp
wait-text Misurazione 900 "Misurazione 1 è in corso" 30000
wait-text Misurazione 101 " N" 3000
snap Misurazione $shots\\4-measuring.bmp
wait-text Misurazione 900 "Aspetti l'avviamento di misurazione 2" 30000
snap Misurazione $shots\\5-measurement1.bmp
wait-text Misurazione 900 "Aspetti la confermazione" 90000
snap Misurazione $shots\\6-confirmation.bmp
wait-gone Misurazione 30000
wait-window ".klv" 10000
snap Klemva $shots\\7-document.bmp
tab Klemva 4
snap Klemva $shots\\8-mean.bmp
STEPS
  drv script "$(winpath "$steps")" > "$work/steps.log" 2>&1 || {
    echo "demo: the measurement did not complete (see $work/steps.log)" >&2; exit 1; }
  # The document is complete once klvtool reads it.
  document_readable() {
    local f
    for f in "$saves"/*.klv; do
      [ -f "$f" ] && "$host/bin/klvtool" info "$f" >/dev/null 2>&1 && return 0
    done
    return 1
  }
  for _ in $(seq 1 100); do document_readable && break; sleep 0.1; done
  document_readable || echo "demo: no complete saved document within 10 s" >&2
  drv close Klemva || true
  drv answer Klemva No "Modifiche" 3000 >/dev/null 2>&1 || true
  wait $app || true
  for bmp in "$work"/*.bmp; do convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"; done
fi

saved=$(ls "$saves"/*.klv 2>/dev/null | head -1 || true)
if [ -z "$saved" ]; then
  echo "No measurement was saved."
  exit 0
fi
cp "$saves"/*.klv "$work/"
doc="$work/$(basename "$saved")"
"$host/bin/klvtool" info "$doc" > "$work/document.json"
"$host/bin/klvtool" export "$doc" > "$work/curves.csv"
"$host/bin/klvtool" report "$doc" -o "$work/report.html"
"$host/bin/klvtool" archive "$work" --html "$work/archive.html" --csv "$work/archive.csv" \
  --no-index 2>/dev/null
"$host/bin/klvtool" measure --sim "$scenario" --date "$(date -u +%F)" \
  --json "$work/klvtool-series.json" --out "$work/klvtool-series.klv" >/dev/null
echo
echo "--- the saved document's results (klvtool info) ---"
jq -r '.Title, (.Descr1, .Descr2, .Descr3, .Descr4 | gsub("\r"; "") + "\n")' "$work/document.json"
echo "--- the same scenario run by klvtool measure (mean) ---"
jq -r '.results[3] | gsub("\r"; "")' "$work/klvtool-series.json" 2>/dev/null || true
echo
# The simulator sends the same samples however quickly the program answers:
# every result text and every curve must be klvtool's.
same=0
python3 "$root/tests/e2e/meas/compare_docs.py" "$host/bin/klvtool" "$doc" "$work/klvtool-series.klv" || same=1
echo
echo "Saved document: $doc"
echo "Its reading:    $work/document.json, curves $work/curves.csv"
echo "Its report:     $work/report.html (open in a browser; prints on one A4 page)"
echo "The archive:    $work/archive.html, $work/archive.csv (klvtool archive $work)"
ls "$work"/*.png >/dev/null 2>&1 && echo "Screenshots:    $work/*.png"
echo "Wire log:       $work/wire.log"
exit $same
