#!/usr/bin/env python3
"""Draws treeimage.bmp, the image strip of the graph list: 14 pictures of
19 x 16 pixels side by side (266 x 16), 16 colours. The background is fuchsia,
which the graph window uses as the transparent colour. The bottom row stays
background: the list shows 15 rows of each picture.

Run: python3 make_treeimage.py [output.bmp]
"""
import struct
import sys

W, H, N = 19, 16, 14
# The standard 16-colour palette (r, g, b).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, NAVY, SILVER, GREY = 0, 1, 2, 4, 7, 8
RED, YELLOW, BLUE, BACK, WHITE = 9, 11, 12, 13, 15
# Slot colours of the curves: blue, green, red, grey.
SLOT = [BLUE, GREEN, RED, GREY]

strip = [[BACK] * (W * N) for _ in range(H)]


def put(img, x, y, c):
    if 0 <= x < W and 0 <= y < H - 1:
        strip[y][img * W + x] = c


def rect(img, x0, y0, x1, y1, c):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            put(img, x, y, c)


def dot(img, cx, cy, c):
    for y in range(cy - 2, cy + 3):
        for x in range(cx - 2, cx + 3):
            if (x - cx) ** 2 + (y - cy) ** 2 <= 5:
                put(img, x, y, c)


def pen_with_line(img, c):
    # the drawn line: a zig-zag along the bottom in the slot colour
    pts = [(1, 12), (4, 9), (7, 12), (10, 9), (12, 11)]
    for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
        steps = max(abs(x1 - x0), abs(y1 - y0))
        for s in range(steps + 1):
            put(img, x0 + (x1 - x0) * s // steps, y0 + (y1 - y0) * s // steps, c)
    # the pen: a slanted body from the line's end up to the right
    for k in range(7):
        x, y = 13 + k // 2 + (k % 2), 10 - k
        put(img, x, y, c)
        put(img, x + 1, y, BLACK if k > 1 else c)
        put(img, x - 1, y, BLACK if k > 1 else c)
    put(img, 12, 11, BLACK)


for s in range(4):
    pen_with_line(s, SLOT[s])
dot(4, 9, 7, BLUE)
dot(5, 9, 7, MAROON)
# 6: yellow triangle pointing down, black outline
for row in range(7):
    y = 4 + row
    half = 6 - row
    for x in range(9 - half, 9 + half + 1):
        edge = x in (9 - half, 9 + half) or row == 0
        put(6, x, y, BLACK if edge else YELLOW)
# 7: a small grid
for y in range(2, 14):
    for x in range(3, 16):
        if (x - 3) % 4 == 0 or (y - 2) % 4 == 2 or y in (2, 13):
            put(7, x, y, NAVY if (x - 3) % 4 == 0 and (y - 2) % 4 == 2 else GREY)
rect(7, 3, 2, 15, 2, BLACK)
rect(7, 3, 13, 15, 13, BLACK)
# 8: blue arrow pointing right
rect(8, 3, 6, 10, 8, BLUE)
for k in range(6):
    rect(8, 10 + k, 2 + k, 10 + k, 12 - k, BLUE)
# 9-12: small squares in the slot colours, black frame
for s in range(4):
    rect(9 + s, 5, 3, 13, 11, BLACK)
    rect(9 + s, 6, 4, 12, 10, SLOT[s])
# 13: a double arrow between two bars
rect(13, 2, 2, 2, 12, BLACK)
rect(13, 16, 2, 16, 12, BLACK)
rect(13, 4, 7, 14, 7, BLUE)
for k in range(1, 4):
    rect(13, 3 + k, 7 - k, 3 + k, 7 + k, BLUE)
    rect(13, 15 - k, 7 - k, 15 - k, 7 + k, BLUE)


def write_bmp(path):
    width = W * N
    row_bytes = ((width + 1) // 2 + 3) // 4 * 4
    pixels = bytearray()
    for y in range(H - 1, -1, -1):  # bottom-up
        row = strip[y]
        data = bytearray()
        for x in range(0, width, 2):
            hi = row[x]
            lo = row[x + 1] if x + 1 < width else 0
            data.append((hi << 4) | lo)
        data += b"\0" * (row_bytes - len(data))
        pixels += data
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, H, 1, 4, 0, len(pixels), 2835, 2835, 16, 16)
    with open(path, "wb") as f:
        f.write(header + info + palette + pixels)


if __name__ == "__main__":
    write_bmp(sys.argv[1] if len(sys.argv) > 1 else "treeimage.bmp")
