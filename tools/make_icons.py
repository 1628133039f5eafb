#!/usr/bin/env python3
"""Draws the program's icons and toolbar images into resources/.

Pure standard library: a tiny RGBA canvas and a PNG writer. Run from the
repository root (or pass the output folder):  python3 tools/make_icons.py

  ombrastele-{16,24,32,48}.png  program icon: a sheet of paper with a small
                                 picture made of visible pixels on it
  about-icon.png                 32 x 32, 16 colours, same motif
  toolbar-open.png               16 x 16, 16 colours, an open folder
  toolbar-print.png              16 x 16, 16 colours, a printer
The toolbar images stand on light grey (192, 192, 192), which the program
draws transparent; the icons have a transparent background of their own.
"""
import os
import struct
import sys
import zlib

# The 16 classic colours.
BLACK = (0, 0, 0, 255)
MAROON = (128, 0, 0, 255)
GREEN = (0, 128, 0, 255)
OLIVE = (128, 128, 0, 255)
NAVY = (0, 0, 128, 255)
TEAL = (0, 128, 128, 255)
GREY = (128, 128, 128, 255)
SILVER = (192, 192, 192, 255)
RED = (255, 0, 0, 255)
LIME = (0, 255, 0, 255)
YELLOW = (255, 255, 0, 255)
BLUE = (0, 0, 255, 255)
AQUA = (0, 255, 255, 255)
WHITE = (255, 255, 255, 255)
CLEAR = (0, 0, 0, 0)


class Canvas:
    def __init__(self, size, background):
        self.size = size
        self.px = [[background] * size for _ in range(size)]

    def set(self, x, y, c):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.px[y][x] = c

    def fill(self, x0, y0, x1, y1, c):
        """Fills the rectangle with corners (x0, y0) and (x1, y1), inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def box(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.set(x, y0, c)
            self.set(x, y1, c)
        for y in range(y0, y1 + 1):
            self.set(x0, y, c)
            self.set(x1, y, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.set(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def polygon(self, points, c):
        """Fills the pixels whose centres lie inside the polygon."""
        for y in range(self.size):
            for x in range(self.size):
                if inside(points, x + 0.5, y + 0.5):
                    self.set(x, y, c)

    def outline(self, points, c):
        for i, (x0, y0) in enumerate(points):
            x1, y1 = points[(i + 1) % len(points)]
            self.line(x0, y0, x1, y1, c)

    def png(self):
        raw = b"".join(b"\0" + b"".join(struct.pack("4B", *p) for p in row) for row in self.px)

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.size, self.size, 8, 6, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
                chunk(b"IEND", b""))


def inside(points, x, y):
    result = False
    j = len(points) - 1
    for i in range(len(points)):
        xi, yi = points[i]
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            result = not result
        j = i
    return result


# The little picture on the sheet, one letter per cell: sky, sun, hill, field.
PICTURE = {
    3: ["BBY",
        "BGB",
        "GGG"],
    4: ["BBBY",
        "BBGB",
        "BGGG",
        "GGLG"],
    5: ["BBBBY",
        "BBBBB",
        "BBGBB",
        "BGGGB",
        "GGLGG"],
}
CELL_COLOURS = {"B": AQUA, "Y": YELLOW, "G": GREEN, "L": LIME}


def sheet_icon(size, shadow):
    """A sheet of paper with a dog-eared corner and a picture of big pixels,
    separated by a one-pixel grid."""
    c = Canvas(size, CLEAR)
    # Per size: sheet rectangle, corner fold, picture cells and cell size.
    layout = {
        16: dict(x0=2, y0=0, x1=13, y1=15, fold=3, cells=3, cell=2),
        24: dict(x0=3, y0=1, x1=20, y1=22, fold=5, cells=4, cell=2),
        32: dict(x0=4, y0=1, x1=27, y1=30, fold=6, cells=4, cell=3),
        48: dict(x0=6, y0=2, x1=41, y1=45, fold=9, cells=5, cell=4),
    }[size]
    x0, y0, x1, y1, fold = layout["x0"], layout["y0"], layout["x1"], layout["y1"], layout["fold"]
    if shadow:
        # A soft shadow to the lower right: the 32-bit images only.
        for d, alpha in ((2, 60), (1, 110)):
            c.fill(x0 + d, y0 + d, x1 + d, y1 + d, (0, 0, 0, alpha))
    sheet = [(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)]
    c.polygon([(x + 0.5 if x == x1 else x, y + 0.5 if y == y1 else y) for x, y in sheet], WHITE)
    # Clear the shadow that the polygon did not cover in the folded corner.
    for y in range(y0, y0 + fold + 1):
        for x in range(x1 - fold + (y - y0) + 1, x1 + 1):
            c.set(x, y, CLEAR)
    c.outline(sheet, BLACK)
    # The folded-down corner.
    c.polygon([(x1 - fold, y0), (x1 - fold + 0.5, y0 + fold + 0.5), (x1 + 0.5, y0 + fold + 0.5)], SILVER)
    c.line(x1 - fold, y0, x1 - fold, y0 + fold, GREY)
    c.line(x1 - fold, y0 + fold, x1, y0 + fold, GREY)
    c.line(x1 - fold, y0, x1, y0 + fold, BLACK)

    # The picture: cells with a grey one-pixel grid around and between them.
    n, cell = layout["cells"], layout["cell"]
    span = n * cell + (n + 1)
    gx = x0 + (x1 - x0 + 1 - span) // 2
    gy = y0 + fold + 2 + max(0, (y1 - y0 - fold - 3 - span) // 2)
    c.fill(gx, gy, gx + span - 1, gy + span - 1, GREY)
    for r, row in enumerate(PICTURE[n]):
        for k, letter in enumerate(row):
            cx = gx + 1 + k * (cell + 1)
            cy = gy + 1 + r * (cell + 1)
            c.fill(cx, cy, cx + cell - 1, cy + cell - 1, CELL_COLOURS[letter])
    return c


def folder_open():
    c = Canvas(16, SILVER)
    # The back of the folder with its tab.
    c.fill(1, 3, 12, 12, OLIVE)
    c.fill(2, 2, 5, 2, OLIVE)
    c.box(1, 3, 12, 12, BLACK)
    c.line(2, 2, 5, 2, BLACK)
    c.set(1, 3, BLACK)
    c.set(6, 3, BLACK)
    c.line(2, 4, 11, 4, YELLOW)
    c.line(2, 4, 2, 11, YELLOW)
    # The front flap, opened towards the viewer.
    flap = [(4, 7), (15, 7), (12, 13), (1, 13)]
    c.polygon([(4.5, 7.5), (15, 7.5), (12, 13), (1, 13)], YELLOW)
    c.outline(flap, BLACK)
    c.line(5, 8, 13, 8, WHITE)
    return c


def printer():
    c = Canvas(16, SILVER)
    # Sheet waiting in the feeder.
    c.fill(4, 1, 11, 6, WHITE)
    c.box(4, 1, 11, 6, BLACK)
    c.line(6, 3, 9, 3, GREY)
    # Body.
    c.fill(1, 6, 14, 12, GREY)
    c.box(1, 6, 14, 12, BLACK)
    c.line(2, 7, 13, 7, WHITE)
    c.line(2, 7, 2, 11, WHITE)
    c.set(12, 9, LIME)
    c.line(3, 10, 10, 10, BLACK)
    # Printed sheet coming out at the front, with a few lines of dots.
    c.fill(4, 11, 11, 15, WHITE)
    c.box(4, 11, 11, 15, BLACK)
    for x in range(6, 10, 2):
        c.set(x, 13, NAVY)
    c.set(9, 13, RED)
    return c


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources")
    images = {f"ombrastele-{s}.png": sheet_icon(s, shadow=True) for s in (16, 24, 32, 48)}
    images["about-icon.png"] = sheet_icon(32, shadow=False)
    images["toolbar-open.png"] = folder_open()
    images["toolbar-print.png"] = printer()
    for name, canvas in images.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(canvas.png())


if __name__ == "__main__":
    main()
