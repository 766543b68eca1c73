#!/usr/bin/env python3
"""Draws the progress window's animation: a small printer feeding a sheet.

Ten frames of 80 x 65 pixels at three frames a second, 8-bit run-length
coded (BI_RLE8), in a plain AVI file that the animation control plays from
the resources. Pure Python; run it after changing the drawing and commit
what it writes (resources/printing.avi).
"""
import struct
from pathlib import Path

OUT = Path(__file__).resolve().parent.parent / "printing.avi"
W, H, FRAMES, FPS = 80, 65, 10, 3

# Palette indices; the rest of the 256 entries are black.
PALETTE = [
    (240, 240, 240),  # 0 window background
    (64, 64, 72),     # 1 outline
    (150, 155, 165),  # 2 printer body
    (200, 204, 212),  # 3 printer top
    (255, 255, 255),  # 4 paper
    (40, 90, 200),    # 5 text lines on the paper
    (60, 200, 80),    # 6 power light on
    (20, 90, 30),     # 7 power light off
    (90, 94, 104),    # 8 paper slot
]


def frame(n):
    px = [[0] * W for _ in range(H)]

    def box(x0, y0, x1, y1, c, border=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                edge = border is not None and (x in (x0, x1) or y in (y0, y1))
                px[y][x] = border if edge else c

    # Sheet waiting at the back, entering as the frames go on.
    box(22, 2, 57, 22, 4, 1)
    # Printer: top, body, slot, light.
    box(10, 18, 69, 26, 3, 1)
    box(6, 26, 73, 46, 2, 1)
    box(16, 40, 63, 43, 8)
    box(64, 30, 67, 33, 6 if n % 2 == 0 else 7)
    # Printed sheet coming out of the slot, longer in every frame.
    length = 2 + n * 2
    top = 43
    box(20, top, 59, min(H - 1, top + length), 4, 1)
    for i, y in enumerate(range(top + 3, min(H - 2, top + length), 3)):
        box(24, y, 55 - (i % 3) * 6, y, 5)
    return px


def rle8(px):
    """Encoded runs only, bottom row first, as BI_RLE8 wants."""
    out = bytearray()
    for y in range(H - 1, -1, -1):
        row = px[y]
        x = 0
        while x < W:
            c = row[x]
            run = 1
            while x + run < W and row[x + run] == c and run < 255:
                run += 1
            out += bytes((run, c))
            x += run
        out += b"\x00\x00"  # end of line
    out[-2:] = b"\x00\x01"  # end of bitmap replaces the last end of line
    return bytes(out)


def chunk(fourcc, data):
    pad = b"\x00" if len(data) % 2 else b""
    return fourcc + struct.pack("<I", len(data)) + data + pad


def lst(kind, data):
    return chunk(b"LIST", kind + data)


def main():
    frames = [rle8(frame(n)) for n in range(FRAMES)]
    biggest = max(len(f) for f in frames)
    avih = struct.pack("<14I", 1000000 // FPS, biggest * FPS, 0, 0x10, FRAMES, 0, 1, biggest, W, H, 0, 0, 0, 0)
    strh = b"vids" + b"RLE " + struct.pack("<IHHIIIIIIIIhhhh", 0, 0, 0, 0, 1, FPS, 0, FRAMES, biggest, 0xFFFFFFFF, 0,
                                         0, 0, W, H)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    palette += b"\x00\x00\x00\x00" * (256 - len(PALETTE))
    strf = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 8, 1, biggest, 0, 0, 256, 0) + palette
    hdrl = lst(b"hdrl", chunk(b"avih", avih) + lst(b"strl", chunk(b"strh", strh) + chunk(b"strf", strf)))
    movi_body = b""
    index = b""
    for f in frames:
        offset = 4 + len(movi_body)  # from the "movi" type, as idx1 counts
        movi_body += chunk(b"00dc", f)
        index += b"00dc" + struct.pack("<III", 0x10, offset, len(f))
    movi = lst(b"movi", movi_body)
    riff = chunk(b"RIFF", b"AVI " + hdrl + movi + chunk(b"idx1", index))
    OUT.write_bytes(riff)
    print(f"{OUT}: {len(riff)} bytes")


if __name__ == "__main__":
    main()
