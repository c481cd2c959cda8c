#!/usr/bin/env python3
"""Draws emblem.bmp, the maker's emblem of the about box (bitmap resource 1):
28 x 26 pixels, 24 bits, a navy plate with a white "V" and a red force bar
under it, on the dialog's face colour (silver).

Run: python3 make_emblem.py [output-directory]
"""
import os
import struct
import sys

WIDTH, HEIGHT = 28, 26
SILVER = (192, 192, 192)
NAVY = (0, 0, 128)
WHITE = (255, 255, 255)
RED = (255, 0, 0)


def colour_at(x, y):
    """Colour of pixel (x, y), y counted from the top."""
    if not (1 <= x < WIDTH - 1 and 1 <= y < HEIGHT - 1):
        return SILVER
    if 19 <= y <= 21 and 5 <= x < WIDTH - 5:
        return RED
    # The two strokes of the V meet at the bottom centre (x = 13.5, y = 16).
    if 4 <= y <= 16:
        half_gap = (16 - y) * 8.5 / 12
        left, right = 13.5 - half_gap, 13.5 + half_gap
        if abs(x + 0.5 - left) <= 1.6 or abs(x + 0.5 - right) <= 1.6:
            return WHITE
    return NAVY


def bitmap_bytes():
    row_size = (WIDTH * 3 + 3) // 4 * 4
    rows = []
    for y in reversed(range(HEIGHT)):  # bottom-up
        row = bytearray()
        for x in range(WIDTH):
            r, g, b = colour_at(x, y)
            row += bytes((b, g, r))
        row += bytes(row_size - len(row))
        rows.append(bytes(row))
    pixels = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(out, "emblem.bmp"), "wb") as f:
        f.write(bitmap_bytes())


if __name__ == "__main__":
    main()
