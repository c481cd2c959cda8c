#!/usr/bin/env python3
"""Draws the program's two icons, each at 16, 32 and 48 pixels in 32-bit
colour with transparency:

  klemva_program.ico   icon 101, the program: a car door with a red force peak
  klemva_document.ico  icon 102, a .klv document: a page with a force curve

The shell shows icon 102 for .klv files (the association names the program
file's second icon), so 102 is the document picture.

Run: python3 make_icons.py  (writes next to this script)
"""
import os
import struct

SIZES = (16, 32, 48)
SAMPLES = 4  # per pixel and axis: edges are averaged over 16 points

STEEL = (38, 84, 150)
GLASS = (170, 215, 240)
DARK = (20, 40, 70)
RED = (210, 30, 30)
WHITE = (255, 255, 255)
PAPER = (250, 250, 245)
EDGE = (110, 110, 110)
FOLD = (205, 205, 200)
TEXT = (120, 140, 180)


def inside_polygon(x, y, pts):
    hit = False
    j = len(pts) - 1
    for i, (xi, yi) in enumerate(pts):
        xj, yj = pts[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            hit = not hit
        j = i
    return hit


def near_polyline(x, y, pts, width):
    for (ax, ay), (bx, by) in zip(pts, pts[1:]):
        dx, dy = bx - ax, by - ay
        t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)
        t = max(0.0, min(1.0, t))
        px, py = ax + t * dx - x, ay + t * dy - y
        if px * px + py * py <= (width / 2) ** 2:
            return True
    return False


def polygon(pts, colour):
    return lambda x, y: colour if inside_polygon(x, y, pts) else None


def line(pts, width, colour):
    return lambda x, y: colour if near_polyline(x, y, pts, width) else None


def rect(x0, y0, x1, y1, colour):
    return polygon([(x0, y0), (x1, y0), (x1, y1), (x0, y1)], colour)


# Shapes in unit coordinates (0..1, y downwards), painted in order.
FORCE_PEAK = [(0.06, 0.84), (0.38, 0.84), (0.50, 0.50), (0.60, 0.93), (0.68, 0.80), (0.94, 0.82)]
PROGRAM = [
    polygon([(0.10, 0.32), (0.34, 0.06), (0.84, 0.06), (0.84, 0.92), (0.10, 0.92)], DARK),
    polygon([(0.14, 0.33), (0.36, 0.10), (0.80, 0.10), (0.80, 0.88), (0.14, 0.88)], STEEL),
    polygon([(0.22, 0.36), (0.39, 0.17), (0.72, 0.17), (0.72, 0.44), (0.22, 0.44)], GLASS),
    rect(0.58, 0.50, 0.72, 0.56, DARK),
    line(FORCE_PEAK, 0.20, WHITE),
    line(FORCE_PEAK, 0.09, RED),
]
PAGE_CURVE = [(0.28, 0.80), (0.44, 0.80), (0.52, 0.50), (0.60, 0.86), (0.66, 0.76), (0.74, 0.77)]
DOCUMENT = [
    polygon([(0.14, 0.02), (0.62, 0.02), (0.88, 0.28), (0.88, 0.98), (0.14, 0.98)], EDGE),
    polygon([(0.18, 0.06), (0.60, 0.06), (0.84, 0.30), (0.84, 0.94), (0.18, 0.94)], PAPER),
    polygon([(0.58, 0.06), (0.84, 0.32), (0.58, 0.32)], FOLD),
    rect(0.26, 0.16, 0.52, 0.21, TEXT),
    rect(0.26, 0.28, 0.52, 0.33, TEXT),
    rect(0.26, 0.40, 0.76, 0.45, TEXT),
    line(PAGE_CURVE, 0.09, RED),
]


def render(shapes, size):
    """Rows of (b, g, r, a), top row first."""
    rows = []
    step = 1.0 / (size * SAMPLES)
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0]
            covered = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px * SAMPLES + sx + 0.5) * step
                    y = (py * SAMPLES + sy + 0.5) * step
                    colour = None
                    for shape in shapes:
                        colour = shape(x, y) or colour
                    if colour:
                        covered += 1
                        for k in range(3):
                            acc[k] += colour[k]
            if covered:
                r, g, b = (acc[k] // covered for k in range(3))
                row.append((b, g, r, covered * 255 // (SAMPLES * SAMPLES)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def icon_image(rows):
    """One icon image: BITMAPINFOHEADER, BGRA rows bottom-up, AND mask."""
    size = len(rows)
    mask_stride = ((size + 31) // 32) * 4
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes(p) for row in reversed(rows) for p in row)
    mask = b""
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + colour + mask


def write_icon(path, shapes):
    images = [icon_image(render(shapes, size)) for size in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    write_icon(os.path.join(here, "klemva_program.ico"), PROGRAM)
    write_icon(os.path.join(here, "klemva_document.ico"), DOCUMENT)
