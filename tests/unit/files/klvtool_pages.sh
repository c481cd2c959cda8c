#!/usr/bin/env bash
# klvtool's HTML pages in a real browser (Debian's Chromium, headless): the
# report of a document and the archive page of a folder, checked from the
# rendered DOM against klvtool info, printed to PDF and photographed; and the
# archive command's bad inputs.
#   klvtool_pages.sh KLVTOOL WORKDIR SCREENSHOTDIR
set -uo pipefail
klvtool=$1 work=$2 shots=$3
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work" && mkdir -p "$work/docs/sub" "$shots" && cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
command -v chromium > /dev/null || { echo "FAIL: chromium missing (scripts/setup-deps.sh installs it)" >&2; exit 1; }
command -v pdfinfo > /dev/null || { echo "FAIL: pdfinfo missing (package poppler-utils)" >&2; exit 1; }

browser() {
  timeout 120 chromium --headless --no-sandbox --disable-gpu --user-data-dir="$work/profile" \
    --allow-file-access-from-files --virtual-time-budget=20000 "$@" 2> "$work/chromium.log"
}
# probe PAGE.html OUT.json: what the rendered page holds (pages_probe.html)
probe() {
  browser --dump-dom "file://$here/pages_probe.html#file://$work/$1" > "$work/dom.html"
  python3 - "$work/dom.html" > "$2" << 'PY' || fail "probe of $1: no result ($(tail -n 2 "$work/chromium.log"))"
import html, re, sys
m = re.search(r'<pre id="result">(.*?)</pre>', open(sys.argv[1], encoding='utf-8').read(), re.S)
text = html.unescape(m.group(1)) if m else ''
assert text.startswith('{'), text[:200]
print(text)
PY
}

# Two series of one door on two dates, one beyond the 300 N sensor's range.
saturating=$work/saturating.scn
{ echo "variant 300"; echo "offset 40"
  for peak in 400N 410N 420N; do
    printf 'await start-wait\nwait 1.0\npress 0.2\nawait threshold-wait\nwait 0.6\nclosing peak=%s clamp=40N\n' "$peak"
  done
  printf 'await start-wait\nwait 1.0\npress 0.2\nawait stop\n'; } > "$saturating"
describe=(--vehicle "Fiat Panda" --door "anteriore sinistra" --position serratura --examiner "Rossi")
"$klvtool" measure --sim series --date 2026-12-07 "${describe[@]}" --remarks "prova <b>&</b>" \
  --out docs/a.klv > /dev/null 2>&1 || fail "measure a.klv"
"$klvtool" measure --sim "$saturating" --date 2027-03-01 "${describe[@]}" --out docs/sub/b.klv \
  > /dev/null 2>&1 || fail "measure b.klv"
printf 'PK\003\004' > docs/foreign.klv
printf '[Prova]\nFonte=prova interna\nMedia.ForzaDiPunta=320\nMedia.ForzaEffettiva=150,0\n' > limits.ini

"$klvtool" info docs/a.klv > info.json || fail "info: exit $?"
"$klvtool" report docs/a.klv --limits limits.ini --set prova -o report.html || fail "report: exit $?"
"$klvtool" report docs/sub/b.klv -o saturated.html || fail "report b: exit $?"
grep -qiE '<script|src=|href=|url\((https?|file)' report.html && fail "the report refers to something outside itself"
"$klvtool" archive docs --html archive.html --json archive.json --csv archive.csv --no-index \
  --limits limits.ini --set Prova \
  2> archive.log || fail "archive: exit $?"

probe report.html report.json
probe saturated.html saturated.json
probe archive.html archive-page.json
python3 - info.json report.json saturated.json archive-page.json archive.json << 'PY' || fail "rendered pages differ from klvtool info (above)"
import json, sys
info, report, saturated, page, listing = (json.load(open(p)) for p in sys.argv[1:])
problems = []
def check(ok, what):
    if not ok: problems.append(what)
check(report.get('graphs') == 4, f"report: {report.get('graphs')} graphs, expected 4 ({report.get('error')})")
curves = report.get('curves', [])
check(len(curves) == 4, f"report: {len(curves)} curves, expected 4")
for k, c in enumerate(curves):
    # every sample is drawn, reduced per pixel column: at least a point for
    # each column, far fewer than the samples
    check(c['samples'] == 3750, f"curve {k + 1}: {c['samples']} samples")
    check(c['plotWidth'] <= c['points'] < c['samples'] / 2,
          f"curve {k + 1}: {c['points']} points for a plot {c['plotWidth']} pixels wide")
for k, text in enumerate(report.get('valueTexts', [])):
    stored = info[f'Descr{k + 1}'].replace('\r\n', '\n').replace('\t', ' ')
    check(text == stored, f"value text {k + 1}: {text!r} is not the stored {stored!r}")
check(report.get('saturationWarnings') == 0, "report of an unsaturated series warns")
check(saturated.get('saturationWarnings', 0) >= 1, "report of a saturated series has no warning")
check('Misurazione del 07.12.2026' in (report.get('heading') or ''), "report heading lacks the title")
check((report.get('verdict') or '').startswith('Verdetto: CONFORME'), f"report verdict: {report.get('verdict')!r}")
check(saturated.get('verdict') is None, "a report without a set shows a verdict")

check(page.get('rows') == 2, f"archive: {page.get('rows')} rows, expected 2 ({page.get('error')})")
check(page.get('problems') == 1, f"archive: {page.get('problems')} files listed apart, expected 1")
heads, table = page['headings'], page['table']
row = table[0].index('a.klv')
mean = info['figures']['mean']
for heading, key in [('Forza effettiva [N]', 'effective'), ('Forza di serraggio [N]', 'clamping'),
                     ('Forza di punta [N]', 'peak'), ('K-fattore', 'kFactor'),
                     ('Durata d\' impulsi [s]', 'pulseDuration'), ('Energìa [J]', 'energy')]:
    shown = float(table[heads.index(heading)][row])
    check(shown == mean[key], f"archive {heading}: {shown} is not info's {mean[key]}")
peaks = [float(v) for v in page['afterClick']]
check(peaks == sorted(peaks), f"a click on the peak heading does not sort up: {peaks}")
peaks = [float(v) for v in page['afterSecondClick']]
check(peaks == sorted(peaks, reverse=True), f"a second click does not sort down: {peaks}")
check(page.get('filterShown') and page.get('rowsShownAfterFilter') == 1, "the filter does not narrow the rows")
check(page.get('trendCharts') == 1, f"{page.get('trendCharts')} trend charts, expected 1")
check(page.get('limitLines') == 2, f"{page.get('limitLines')} limit lines in the trend, expected 2")
verdicts = table[heads.index('Verdetto')]
check(verdicts[row] == 'CONFORME' and verdicts[1 - row] == 'NON CONFORME', f"archive verdicts {verdicts}")
check([d['path'] for d in listing['documents']] == ['a.klv', 'sub/b.klv'], "archive JSON rows")
check(listing['problems'][0]['kind'] == 'foreign', "archive JSON: foreign file not named")
check(listing['documents'][0]['peak'] == mean['peak'], "archive JSON peak differs from info's")
for p in problems: print('  ' + p)
sys.exit(1 if problems else 0)
PY

# one A4 page when printed
browser --no-pdf-header-footer --print-to-pdf="$work/report.pdf" "file://$work/report.html" > /dev/null
pages=$(pdfinfo report.pdf 2> /dev/null | sed -n 's/^Pages: *//p')
size=$(pdfinfo report.pdf 2> /dev/null | sed -n 's/^Page size: *//p')
[ "$pages" = 1 ] || fail "report prints on ${pages:-no} pages, expected 1"
grep -qF '(A4)' <<< "$size" || fail "report page size '$size' is not A4"

browser --screenshot="$shots/klvtool_report.png" --window-size=760,1100 "file://$work/saturated.html" > /dev/null
browser --screenshot="$shots/klvtool_archive.png" --window-size=1400,900 "file://$work/archive.html" > /dev/null

# bad input: status and message, the other outputs still right
expect() { # STATUS PATTERN ARGS...
  local status=$1 pattern=$2; shift 2
  "$klvtool" archive "$@" > out.txt 2> err.txt
  local rc=$?
  [ $rc -eq "$status" ] || fail "archive $*: exit $rc, expected $status"
  grep -q -- "$pattern" err.txt || fail "archive $*: message '$(tail -n 1 err.txt)' lacks '$pattern'"
}
expect 1 "cannot open the folder missing" missing --csv x.csv --no-index
expect 1 "cannot write nowhere/x.csv" docs --csv nowhere/x.csv --no-index
expect 1 "it is a folder" docs --html docs --no-index
expect 2 "expected DIR" --csv x.csv
expect 2 "unknown option '--fast'" docs --fast
expect 2 "--limits and --set go together" docs --limits limits.ini
expect 1 "has no limit set 'altro'" docs --limits limits.ini --set altro --no-index
expect 1 "missing.ini" docs --limits missing.ini --set Prova --no-index
ln -s .. docs/sub/up
expect 0 "sub/up: listed apart (link loop)" docs --json loop.json --index "$work/idx"
python3 -c 'import json; d = json.load(open("loop.json")); assert len(d["documents"]) == 2' \
  || fail "rows not right beside a link loop"
expect 0 "0 read, 3 from the index" docs --json loop.json --index "$work/idx"
touch -d '2020-01-01' docs/a.klv
expect 0 "1 read, 2 from the index" docs --json loop.json --index "$work/idx"

[ $failures -eq 0 ] && echo "klvtool pages: all checks held"
exit $((failures > 0))
