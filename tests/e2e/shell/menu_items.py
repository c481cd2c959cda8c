#!/usr/bin/env python3
"""The items of a popup menu as a user reads them in its picture: one word
per item from the top, "enabled" (black text, or the highlighted item) or
"grey" (grey text only). Separators are passed over; an item's rows may
be broken by one or two blank rows (the underlined mnemonic).

  menu_items.py MENU.png"""
import subprocess
import sys


def pixels(png):
    size = subprocess.run(["identify", "-format", "%w %h", png], capture_output=True,
                          text=True, check=True).stdout.split()
    width, height = int(size[0]), int(size[1])
    data = subprocess.run(["convert", png, "-depth", "8", "rgb:-"], capture_output=True,
                          check=True).stdout
    return width, height, data


def kind(r, g, b):
    if max(r, g, b) < 60:
        return "black"
    if b > 150 and b - r > 100:
        return "highlight"
    if 100 <= min(r, g, b) and max(r, g, b) <= 170 and max(r, g, b) - min(r, g, b) < 20:
        return "grey"
    return None


def main():
    width, height, data = pixels(sys.argv[1])
    inner = range(4, width - 4)
    rows = []
    for y in range(3, height - 3):
        counts = {"black": 0, "grey": 0, "highlight": 0}
        for x in inner:
            i = 3 * (y * width + x)
            k = kind(data[i], data[i + 1], data[i + 2])
            if k:
                counts[k] += 1
        separator = counts["grey"] > 0.6 * len(inner)
        rows.append(None if separator or not any(counts.values()) else counts)
    items, band, blank = [], None, 0
    for counts in rows + [None] * 3:
        if counts is None:
            blank += 1
            if band and blank > 2:
                items.append("enabled" if band["black"] or band["highlight"] else "grey")
                band = None
            continue
        blank = 0
        band = band or {"black": 0, "grey": 0, "highlight": 0}
        for k, n in counts.items():
            band[k] += n
    print(" ".join(items))


if __name__ == "__main__":
    main()
