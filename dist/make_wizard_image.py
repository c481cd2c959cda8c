#!/usr/bin/env python3
"""Draws wizard.bmp, the picture on the left of the setup's welcome and
finish pages: 164 x 314 pixels, 24-bit, a blue gradient with the program's
door-and-force-peak picture (the shapes of app/res/make_icons.py).

Run: python3 make_wizard_image.py  (writes next to this script)
"""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "app", "res"))
import make_icons  # noqa: E402

W, H = 164, 314
PICTURE = 120
TOP = 40
DEEP = (12, 30, 70)
LIGHT = (60, 110, 180)
DISC = (232, 240, 250)


def background(y):
    t = y / (H - 1)
    return tuple(round(DEEP[k] + (LIGHT[k] - DEEP[k]) * t) for k in range(3))


def main():
    rows = [[background(y) for _ in range(W)] for y in range(H)]
    # A light disc behind the picture, so that the blue door stands out.
    cx, cy, radius = W / 2, TOP + PICTURE / 2, PICTURE * 0.62
    for y in range(H):
        for x in range(W):
            if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= radius ** 2:
                rows[y][x] = DISC
    picture = make_icons.render(make_icons.PROGRAM, PICTURE)
    left = (W - PICTURE) // 2
    for py, prow in enumerate(picture):
        for px, (b, g, r, a) in enumerate(prow):
            back = rows[TOP + py][left + px]
            rows[TOP + py][left + px] = tuple(
                (c * a + k * (255 - a)) // 255 for c, k in zip((r, g, b), back))
    stride = (W * 3 + 3) & ~3
    pixels = b"".join(
        bytes(v for r, g, b in row for v in (b, g, r)) + bytes(stride - W * 3)
        for row in reversed(rows))
    header = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(os.path.join(HERE, "wizard.bmp"), "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(pixels), 0, 0, 54))
        f.write(header + pixels)


if __name__ == "__main__":
    main()
