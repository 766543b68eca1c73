#!/usr/bin/env python3
"""Draws Quirefeed's icon and tool-bar pictures.

Pure Python on purpose (no imaging package needed): the pictures are simple
shapes on a pixel grid, written as a Windows .ico and 32-bit .bmp strips.
Run it after changing a drawing and commit what it writes.
"""
import struct
import sys
from pathlib import Path

OUT = Path(__file__).resolve().parent.parent


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[(0, 0, 0, 0)] * w for _ in range(h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c if len(c) == 4 else c + (255,)

    def rect(self, x0, y0, x1, y1, fill, border=None):
        """Inclusive box in a unit square scaled to the canvas."""
        s = self.w / 32.0
        X0, Y0 = int(round(x0 * s)), int(round(y0 * s))
        X1, Y1 = max(X0, int(round(x1 * s)) - 1), max(Y0, int(round(y1 * s)) - 1)
        for y in range(Y0, Y1 + 1):
            for x in range(X0, X1 + 1):
                edge = border and (x in (X0, X1) or y in (Y0, Y1))
                self.put(x, y, border if edge else fill)

    def disc(self, cx, cy, r, fill, border=None):
        s = self.w / 32.0
        for y in range(self.h):
            for x in range(self.w):
                d = ((x + 0.5) / s - cx) ** 2 + ((y + 0.5) / s - cy) ** 2
                if d <= r * r:
                    inner = r - 1.2 / s
                    self.put(x, y, border if border and d > inner * inner else fill)

    def line(self, x0, y0, x1, y1, color, width=2.0):
        s = self.w / 32.0
        n = int(max(abs(x1 - x0), abs(y1 - y0)) * s * 2) + 1
        for i in range(n + 1):
            t = i / n
            cx, cy = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t
            half = width / 2.0
            self.rect(cx - half, cy - half, cx + half, cy + half, color)


GREY = (90, 96, 110)
DARK = (40, 44, 52)
LIGHT = (200, 205, 215)
PAPER = (255, 255, 255)
INK = (40, 90, 190)
GREEN = (30, 160, 60)
RED = (200, 40, 40)
GOLD = (230, 170, 30)


def printer(c, paper_out=True):
    if paper_out:
        c.rect(9, 3, 23, 14, PAPER, DARK)
        for y in (6, 8, 10):
            c.rect(11, y, 21, y + 1, INK)
    c.rect(3, 13, 29, 25, GREY, DARK)
    c.rect(5, 15, 27, 17, LIGHT)
    c.rect(8, 22, 24, 30, PAPER, DARK)
    c.rect(23, 19, 26, 21, GREEN)


def sheet(c):
    c.rect(5, 2, 22, 29, PAPER, DARK)
    for y in (7, 10, 13, 16, 19):
        c.rect(8, y, 19, y + 1, INK)


def app_icon(size):
    c = Canvas(size, size)
    printer(c)
    c.line(24, 4, 29, 9, GREEN, 2.2)
    c.line(29, 9, 24, 14, GREEN, 2.2)
    return c


def tool_add():
    c = Canvas(32, 32)
    sheet(c)
    c.rect(19, 17, 31, 21, GREEN)
    c.rect(23, 13, 27, 25, GREEN)
    return c


def tool_remove():
    c = Canvas(32, 32)
    sheet(c)
    c.line(19, 16, 29, 26, RED, 3)
    c.line(29, 16, 19, 26, RED, 3)
    return c


def tool_setting():
    c = Canvas(32, 32)
    printer(c, paper_out=False)
    c.disc(24, 8, 6, GOLD, DARK)
    c.disc(24, 8, 2.2, GREY)
    return c


def tool_print():
    c = Canvas(32, 32)
    printer(c)
    return c


def tool_about():
    c = Canvas(32, 32)
    c.disc(16, 16, 13, INK, DARK)
    c.rect(14, 7, 18, 11, PAPER)
    c.rect(14, 13, 18, 25, PAPER)
    return c


def dib32(c):
    """BITMAPINFOHEADER + bottom-up BGRA rows."""
    rows = b"".join(
        bytes(v for (r, g, b, a) in c.px[y] for v in (b, g, r, a)) for y in range(c.h - 1, -1, -1)
    )
    return rows


def write_ico(path, canvases):
    images = []
    for c in canvases:
        xor = dib32(c)
        mask_stride = ((c.w + 31) // 32) * 4
        mask = bytearray(mask_stride * c.h)
        for y in range(c.h):
            for x in range(c.w):
                if c.px[c.h - 1 - y][x][3] == 0:
                    mask[y * mask_stride + x // 8] |= 0x80 >> (x % 8)
        header = struct.pack("<IiiHHIIiiII", 40, c.w, c.h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        images.append((c, header + xor + bytes(mask)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, data in images:
        out += struct.pack("<BBBBHHII", c.w % 256, c.h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(d for _, d in images)
    path.write_bytes(out)


def write_strip(path, canvases):
    w = sum(c.w for c in canvases)
    h = canvases[0].h
    strip = Canvas(w, h)
    x0 = 0
    for c in canvases:
        for y in range(h):
            strip.px[y][x0 : x0 + c.w] = c.px[y]
        x0 += c.w
    pixels = dib32(strip)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 32, 0, len(pixels), 2835, 2835, 0, 0)
    filehdr = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    path.write_bytes(filehdr + info + pixels)


def main():
    write_ico(OUT / "quirefeed.ico", [app_icon(s) for s in (16, 32, 48)])
    write_strip(OUT / "toolbar.bmp", [tool_add(), tool_remove(), tool_setting(), tool_print(), tool_about()])
    return 0


if __name__ == "__main__":
    sys.exit(main())
