#!/usr/bin/env python3
"""Draws the program's images: toolbar.bmp (bitmap 700, nine button images of
18 x 17 pixels side by side, 16 colours, light grey background) and the two
icons klemva.ico (101, the program) and document.ico (102, a document), each
32 x 32 and 16 x 16 in 16 colours.

Run: python3 make_images.py  (writes next to this script)
"""
import os
import struct

PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, TEAL, SILVER, GREY = 0, 1, 2, 3, 4, 6, 7, 8
RED, YELLOW, BLUE, WHITE = 9, 11, 12, 15


class Canvas:
    def __init__(self, w, h, back):
        self.w, self.h = w, h
        self.px = [[back] * w for _ in range(h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.put(x, y0, c)
            self.put(x, y1, c)
        for y in range(y0, y1 + 1):
            self.put(x0, y, c)
            self.put(x1, y, c)

    def line(self, x0, y0, x1, y1, c):
        n = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(n + 1):
            self.put(round(x0 + (x1 - x0) * i / n), round(y0 + (y1 - y0) * i / n), c)


def page(cv, ox, oy):
    cv.rect(ox + 3, oy + 1, ox + 12, oy + 15, WHITE)
    cv.frame(ox + 3, oy + 1, ox + 12, oy + 15, BLACK)


def draw_toolbar():
    W, H, N = 18, 17, 9
    cv = Canvas(W * N, H, SILVER)
    # 0 new: a blank page with a force curve
    page(cv, 0, 0)
    cv.line(4, 12, 6, 5, RED)
    cv.line(6, 5, 8, 10, RED)
    cv.line(8, 10, 11, 9, RED)
    # 1 open: a yellow folder
    o = W
    cv.rect(o + 1, 5, o + 15, 14, YELLOW)
    cv.frame(o + 1, 5, o + 15, 14, OLIVE)
    cv.rect(o + 2, 3, o + 7, 5, OLIVE)
    # 2 save: a floppy disk
    o = 2 * W
    cv.rect(o + 2, 2, o + 15, 15, NAVY)
    cv.rect(o + 5, 3, o + 12, 8, WHITE)
    cv.rect(o + 6, 11, o + 11, 15, GREY)
    # 3 cut: scissors
    o = 3 * W
    cv.line(o + 5, 2, o + 11, 11, BLACK)
    cv.line(o + 12, 2, o + 6, 11, BLACK)
    cv.frame(o + 3, 11, o + 7, 15, NAVY)
    cv.frame(o + 10, 11, o + 14, 15, NAVY)
    # 4 copy: two pages
    o = 4 * W
    page(cv, o - 2, -1)
    page(cv, o + 3, 1)
    # 5 paste: a clipboard
    o = 5 * W
    cv.rect(o + 2, 3, o + 13, 15, OLIVE)
    cv.rect(o + 6, 1, o + 9, 4, GREY)
    cv.rect(o + 7, 7, o + 15, 15, WHITE)
    cv.frame(o + 7, 7, o + 15, 15, BLACK)
    # 6 print: a printer with a sheet
    o = 6 * W
    cv.rect(o + 5, 1, o + 12, 7, WHITE)
    cv.frame(o + 5, 1, o + 12, 7, BLACK)
    cv.rect(o + 1, 7, o + 16, 13, GREY)
    cv.frame(o + 1, 7, o + 16, 13, BLACK)
    cv.put(o + 14, 9, GREEN)
    # 7 help: a question mark
    o = 7 * W
    for x, y in [(7, 3), (8, 2), (9, 2), (10, 2), (11, 3), (11, 4), (11, 5), (10, 6), (9, 7),
                 (9, 8), (9, 9), (9, 12), (9, 13)]:
        cv.rect(o + x - 1, y, o + x, y, NAVY)
    # 8 the force sensor: a red arrow pressing on a bar
    o = 8 * W
    cv.rect(o + 2, 12, o + 15, 14, GREY)
    cv.line(o + 8, 2, o + 8, 10, RED)
    cv.line(o + 9, 2, o + 9, 10, RED)
    cv.line(o + 5, 7, o + 8, 10, RED)
    cv.line(o + 12, 7, o + 9, 10, RED)
    return cv


def bmp_bytes(cv):
    """A 4-bit bottom-up Windows bitmap of the canvas."""
    row = ((cv.w * 4 + 31) // 32) * 4
    pixels = bytearray()
    for y in range(cv.h - 1, -1, -1):
        line = bytearray(row)
        for x in range(cv.w):
            c = cv.px[y][x]
            line[x // 2] |= c << 4 if x % 2 == 0 else c
        pixels += line
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, cv.w, cv.h, 1, 4, 0, len(pixels), 2835, 2835, 16, 0)
    return info, pal, pixels


def write_bmp(path, cv):
    info, pal, pixels = bmp_bytes(cv)
    offset = 14 + len(info) + len(pal)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset))
        f.write(info + pal + pixels)


def icon_image(cv):
    """The icon form of a canvas: the bitmap with double height and an empty AND mask."""
    info, pal, pixels = bmp_bytes(cv)
    info = struct.pack("<IiiHHIIiiII", 40, cv.w, cv.h * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    mask_row = ((cv.w + 31) // 32) * 4
    return info + pal + pixels + bytes(mask_row * cv.h)


def write_ico(path, canvases):
    images = [icon_image(cv) for cv in canvases]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for cv, img in zip(canvases, images):
        out += struct.pack("<BBBBHHII", cv.w % 256, cv.h % 256, 16, 0, 1, 4, len(img), offset)
        offset += len(img)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


def program_icon(size):
    s = size / 32
    cv = Canvas(size, size, TEAL)
    cv.rect(int(2 * s), int(2 * s), int(29 * s), int(29 * s), WHITE)
    cv.frame(int(2 * s), int(2 * s), int(29 * s), int(29 * s), BLACK)
    pts = [(4, 26), (8, 26), (11, 8), (14, 16), (18, 14), (27, 15)]
    for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
        cv.line(int(x0 * s), int(y0 * s), int(x1 * s), int(y1 * s), RED)
    return cv


def document_icon(size):
    s = size / 32
    cv = Canvas(size, size, SILVER)
    cv.rect(int(6 * s), int(2 * s), int(25 * s), int(29 * s), WHITE)
    cv.frame(int(6 * s), int(2 * s), int(25 * s), int(29 * s), BLACK)
    for y in (7, 11, 15):
        cv.line(int(9 * s), int(y * s), int(22 * s), int(y * s), NAVY)
    cv.line(int(9 * s), int(25 * s), int(13 * s), int(18 * s), RED)
    cv.line(int(13 * s), int(18 * s), int(22 * s), int(22 * s), RED)
    return cv


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    write_bmp(os.path.join(here, "toolbar.bmp"), draw_toolbar())
    write_ico(os.path.join(here, "klemva.ico"), [program_icon(32), program_icon(16)])
    write_ico(os.path.join(here, "document.ico"), [document_icon(32), document_icon(16)])
