#!/usr/bin/env python3
"""Draws the bundled 32x32 RGBA sample (a cut gem with a soft shadow) and writes it as PNG.

Standard library only, and deterministic: the same bytes on every run, so the committed file can
be checked against this script. Usage: make_sample.py [OUTPUT] (default: sprite.png beside it).
"""
import os
import struct
import sys
import zlib

SIZE = 32
CX = 15.5  # the gem is symmetric about the middle of the 32 columns

CLEAR = (0, 0, 0, 0)
OUTLINE = (40, 20, 80, 255)
DARK = (90, 40, 160, 255)
MID = (140, 80, 220, 255)
LIGHT = (190, 150, 250, 255)
TABLE = (225, 205, 255, 255)
SPARKLE = (255, 255, 255, 255)
SHADOW = (0, 0, 0, 96)  # half-transparent, so samplers meet partial alpha too

CROWN_TOP, GIRDLE, TIP = 6, 12, 24


def half_width(y):
    """Half the gem's width on row y, or None outside it."""
    if CROWN_TOP <= y < GIRDLE:
        return 6 + (y - CROWN_TOP)
    if y == GIRDLE:
        return 12
    if GIRDLE < y <= TIP:
        return 12 - (y - GIRDLE)
    return None


def inside(x, y):
    h = half_width(y)
    return h is not None and abs(x + 0.5 - CX) <= h


def facet(x, y):
    """Flat colour of the facet that pixel (x, y) of the gem lies on."""
    h = half_width(y)
    u = (x + 0.5 - CX) / h  # -1 at the left edge, +1 at the right
    if y < GIRDLE:
        if abs(u) < 0.45 and y < CROWN_TOP + 3:
            return TABLE
        return LIGHT if u < 0 else MID
    if y == GIRDLE:
        return LIGHT
    if u < -0.5:
        return MID
    if u < 0:
        return LIGHT
    if u < 0.5:
        return MID
    return DARK


def draw():
    px = [[CLEAR] * SIZE for _ in range(SIZE)]
    # Shadow first: an ellipse under the tip that the gem's outline later covers where they meet.
    for y in range(25, 29):
        for x in range(SIZE):
            if ((x + 0.5 - CX) / 9.0) ** 2 + ((y + 0.5 - 27.0) / 2.0) ** 2 <= 1.0:
                px[y][x] = SHADOW
    for y in range(SIZE):
        for x in range(SIZE):
            if not inside(x, y):
                continue
            edge = any(not (0 <= x + dx < SIZE and 0 <= y + dy < SIZE and inside(x + dx, y + dy))
                       for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            px[y][x] = OUTLINE if edge else facet(x, y)
    for x, y in ((11, 8), (12, 8), (11, 9), (20, 15)):
        px[y][x] = SPARKLE
    return px


def png(px):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in px)
    ihdr = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)  # 8-bit RGBA, no interlace
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "sprite.png")
    with open(out, "wb") as f:
        f.write(png(draw()))


if __name__ == "__main__":
    main()
