#!/usr/bin/env python3
"""Checks a printed inspection report (one PDF page) the way a reader would:
the header box with the title and the description at the top left, the logo
top right, four graphs one below the other each with its curve and its value
text in the last quarter of the width, and the maker's footer line at the
bottom, centred.

  check_page.py FILE.pdf TOKEN [--landscape] [--verdict LINES] [--empty-remarks]

TOKEN is a word of the document's remarks that must stand in the header
(with --empty-remarks, a word of another description line: the remarks are
empty, and their line under "Annotazione:" stays free).
With --verdict, the page carries a verdict block of LINES lines of the text
font under the mean band: the bands give up that height and one free line,
and the block ("Valori limite: ..." first, "Giudizio: ..." among its lines)
stands between the mean band and the footer, from the margin.
Prints what it found; exit code 1 with the failed checks."""
import re
import subprocess
import sys
import tempfile

failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)


def words(pdf):
    out = subprocess.run(["pdftotext", "-bbox", pdf, "-"], capture_output=True, text=True,
                         check=True).stdout
    page = re.search(r'<page width="([\d.]+)" height="([\d.]+)"', out)
    found = [(float(a), float(b), float(c), float(d), w) for a, b, c, d, w in re.findall(
        r'<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>', out)]
    width, height = float(page.group(1)), float(page.group(2))
    # A landscape job may come as a portrait sheet turned by the viewer; the
    # words are then placed on the turned page.
    info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True, check=True).stdout
    rotation = re.search(r"Page rot:\s+(\d+)", info)
    if rotation and int(rotation.group(1)) % 180 == 90:
        width, height = height, width
    return width, height, found


def raster(pdf, dpi):
    """The page as grey levels: (width, height, bytes)."""
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run(["pdftoppm", "-r", str(dpi), "-gray", "-singlefile", pdf, tmp + "/p"],
                       check=True)
        data = open(tmp + "/p.pgm", "rb").read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[pos + 1:pos + 1 + width * height]


def longest_dark_run(pixels, width, x, top, bottom, ink=128):
    best = run = 0
    for y in range(top, bottom):
        run = run + 1 if pixels[y * width + x] < ink else 0
        best = max(best, run)
    return best


def main():
    pdf, token = sys.argv[1], sys.argv[2]
    landscape = "--landscape" in sys.argv
    W, H, found = words(pdf)
    print(f"page {W:.0f} x {H:.0f} pt, {len(found)} words")
    check((W > H) == landscape, "landscape page" if landscape else "portrait page")

    def where(text):
        return [w for w in found if w[4] == text]

    verdict_lines = int(sys.argv[sys.argv.index("--verdict") + 1]) if "--verdict" in sys.argv else 0
    # Proportions of the layout: margin a tenth of the width, header a fifth
    # of the usable height (the page less about two footer lines); a verdict
    # block takes its lines and a free one (8-point lines of about 9.2 pt)
    # from the bands.
    margin, header = W / 10, H * 0.98 / 5
    graphs_bottom = H * 0.98 - (verdict_lines + 1 * (verdict_lines > 0)) * 9.2
    bands = [(header + k * (graphs_bottom - header) / 4, header + (k + 1) * (graphs_bottom - header) / 4)
             for k in range(4)]

    footer = where("Stoccarda")
    check(len(footer) == 1 and footer[0][1] > H * 0.96, "footer banner on the last line")
    line = [w for w in found if footer and abs(w[1] - footer[0][1]) < 1]
    if line:
        centre = (min(w[0] for w in line) + max(w[2] for w in line)) / 2
        check(abs(centre - W / 2) < W * 0.03, f"footer centred (centre {centre:.0f} of {W:.0f})")
        check(min(w[0] for w in line) > 0 and max(w[2] for w in line) < W, "footer fits the page")

    title = where("Misurazione")
    check(any(margin <= w[0] < W / 2 and w[3] < header for w in title),
          "title in the header box, right of the margin")
    labels = ["Esaminatore:", "Veicolo:", "Porta:", "Posizione:", "Annotazione:"]
    if not landscape:
        labels.append("File:")  # on a landscape sheet the header clips the last line
    for label in labels:
        check(any(margin <= w[0] < W / 2 and w[3] < header for w in where(label)),
              f"'{label}' in the header box")
    check(any(w[3] < header for w in where(token)), f"'{token}' in the header box")
    if not landscape:
        # "Annotazione:", the remarks' line (empty or not), an empty line, "File:".
        first, second = where("Esaminatore:"), where("Veicolo:")
        remark, path = where("Annotazione:"), where("File:")
        if first and second and remark and path:
            step = second[0][1] - first[0][1]
            gap = path[0][1] - remark[0][1]
            check(abs(gap - 3 * step) < step / 3,
                  f"'File:' three lines under 'Annotazione:' ({gap:.1f} pt, line {step:.1f} pt)")
            if "--empty-remarks" in sys.argv:
                between = [w[4] for w in found if remark[0][1] + 1 < w[1] < path[0][1] - 1
                           and w[0] < W / 2]
                check(not between, f"nothing printed as remarks ({between})")

    values = sorted(where("effettiva:"), key=lambda w: w[1])
    check(len(values) == 4, f"four value texts ({len(values)})")
    for k, w in enumerate(values[:4]):
        check(w[0] >= W * 0.74 and bands[k][0] <= w[1] < bands[k][1],
              f"value text {k + 1} in the last quarter of band {k + 1} (x {w[0]:.0f}, y {w[1]:.0f})")
    graph_titles = sorted([w for w in found if w[4] in ("(misurazione", "corso")],
                          key=lambda w: w[1])
    check(len(graph_titles) == 4, f"four graph titles ({len(graph_titles)})")
    for k, w in enumerate(graph_titles[:4]):
        check(margin <= w[0] < W * 0.75 and bands[k][0] <= w[1] < bands[k][1],
              f"graph {k + 1} title in band {k + 1}")

    if verdict_lines:
        footer_top = footer[0][1] if footer else H
        block = [w for w in found if bands[3][1] <= w[1] < footer_top - 1]
        heading = where("limite:")
        check(any(bands[3][1] <= w[1] < footer_top and margin - 2 <= w[0] < W / 4 for w in heading),
              "verdict block heading 'Valori limite:' under the mean band, at the margin")
        check(any(bands[3][1] <= w[1] < footer_top for w in where("Giudizio:")),
              "overall verdict 'Giudizio:' in the verdict block")
        rows = sorted({round(w[1]) for w in block})
        check(len(rows) == verdict_lines, f"{verdict_lines} lines in the verdict block ({len(rows)})")
        check(all(w[2] <= W for w in block), "verdict block fits the page")

    dpi = 100
    width, height, pixels = raster(pdf, dpi)
    scale = width / W

    def px(v):
        return int(v * scale)

    # The header box's bottom edge: a dark row across the left half.
    row = [px(header) + d for d in range(-3, 4)]
    span = range(px(margin) + 2, px(margin + (W - margin) / 2) - 2)
    edge = max(sum(pixels[y * width + x] < 128 for x in span) / len(span) for y in row)
    check(edge > 0.9, f"header box bottom edge ({edge:.0%} of its width)")

    logo_area = [pixels[y * width + x] for y in range(0, px(header))
                 for x in range(px(margin + (W - margin) * 0.55), width)]
    inked = sum(p < 200 for p in logo_area) / len(logo_area)
    check(inked > 0.05, f"logo in the header's right part ({inked:.0%} inked)")

    # A curve rises steeply at the closing: a long vertical stroke inside the
    # plot, longer than any dash of the grid. Columns of the plot frame are
    # left out (they are the longest runs of all). The curve is a hairline:
    # rendered, a steep stretch of it is grey rather than black, so any ink
    # counts here.
    for k, (top, bottom) in enumerate(bands):
        runs = [(longest_dark_run(pixels, width, x, px(top), px(bottom), ink=200), x)
                for x in range(px(margin), px(W * 0.75))]
        frame = max(r for r, _ in runs)
        frame_columns = [x for r, x in runs if r >= frame * 0.9]
        inner = [r for r, x in runs if all(abs(x - f) > 2 for f in frame_columns)]
        stroke = max(inner) if inner else 0
        check(stroke >= 15, f"curve {k + 1} drawn in band {k + 1} (stroke {stroke} px)")

    if failures:
        print(f"{len(failures)} check(s) failed")
        sys.exit(1)


if __name__ == "__main__":
    main()
