#!/usr/bin/env python3
"""Draws the four lamp images of the measurement dialog: REDON, REDOFF,
GREENON, GREENOFF, each 12 x 12 pixels, 16 colours. A lit lamp is a bright
disc with a white glint; a dark lamp is the same disc in the dark shade of its
colour. The corners are the dialog's face colour (silver).

Run: python3 make_lamps.py [output-directory]
"""
import os
import struct
import sys

SIZE = 12
# The standard 16-colour palette (r, g, b).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN_DARK, SILVER, GREY = 0, 1, 2, 7, 8
RED, GREEN, WHITE = 9, 10, 15

LAMPS = {
    # name: (body colour, glint colour or None)
    "redon.bmp": (RED, WHITE),
    "redoff.bmp": (MAROON, None),
    "greenon.bmp": (GREEN, WHITE),
    "greenoff.bmp": (GREEN_DARK, None),
}


def draw(body, glint):
    img = [[SILVER] * SIZE for _ in range(SIZE)]
    centre = (SIZE - 1) / 2.0
    for y in range(SIZE):
        for x in range(SIZE):
            d2 = (x - centre) ** 2 + (y - centre) ** 2
            if d2 <= 5.6 ** 2:
                img[y][x] = GREY        # rim
            if d2 <= 4.6 ** 2:
                img[y][x] = body
    if glint is not None:
        for x, y in ((3, 3), (4, 3), (3, 4)):
            img[y][x] = glint
    return img


def bmp_bytes(img):
    row_bytes = ((SIZE * 4 + 31) // 32) * 4
    rows = b""
    for y in range(SIZE - 1, -1, -1):       # bottom-up
        row = bytearray(row_bytes)
        for x in range(SIZE):
            if x % 2 == 0:
                row[x // 2] |= img[y][x] << 4
            else:
                row[x // 2] |= img[y][x]
        rows += bytes(row)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 4, 0, len(rows), 2835, 2835, 16, 0)
    return header + info + palette + rows


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, (body, glint) in LAMPS.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(bmp_bytes(draw(body, glint)))


if __name__ == "__main__":
    main()
