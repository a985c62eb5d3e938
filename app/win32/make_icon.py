#!/usr/bin/env python3
"""Draws the program icon, a plain clock face, and writes it as an .ico file
with 16, 32 and 48 pixel images (32-bit with alpha). Standard library only, so
the build needs nothing but Python.

Usage: make_icon.py <output.ico>
"""
import math
import struct
import sys

SIZES = (16, 32, 48)
SUPERSAMPLE = 4

RIM = (0x2A, 0x4D, 0x8C)
FACE = (0xFF, 0xFF, 0xFF)
MARK = (0x40, 0x40, 0x40)
HAND = (0x20, 0x20, 0x20)
CENTRE = (0xC8, 0x30, 0x30)


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def colour_at(x, y):
    """Colour and coverage of one sample, in a unit square centred at 0,0."""
    r = math.hypot(x, y)
    if r > 0.48:
        return None
    if r > 0.40:
        return RIM
    if r < 0.05:
        return CENTRE
    # The hands read ten past ten, the usual pose of a clock face.
    hands = ((-60.0, 0.22, 0.045), (60.0, 0.33, 0.03))
    for degrees, length, half_width in hands:
        a = math.radians(degrees)
        if segment_distance(x, y, 0, 0, length * math.sin(a), -length * math.cos(a)) < half_width:
            return HAND
    for hour in range(12):
        a = math.radians(hour * 30)
        inner = 0.30 if hour % 3 == 0 else 0.34
        ax, ay = inner * math.sin(a), -inner * math.cos(a)
        bx, by = 0.38 * math.sin(a), -0.38 * math.cos(a)
        if segment_distance(x, y, ax, ay, bx, by) < 0.025:
            return MARK
    return FACE


def render(size):
    """Rows top to bottom of (b, g, r, a) pixels."""
    rows = []
    n = SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            total = [0, 0, 0]
            covered = 0
            for sy in range(n):
                for sx in range(n):
                    x = (px + (sx + 0.5) / n) / size - 0.5
                    y = (py + (sy + 0.5) / n) / size - 0.5
                    c = colour_at(x, y)
                    if c is not None:
                        covered += 1
                        for i in range(3):
                            total[i] += c[i]
            if covered == 0:
                row.append((0, 0, 0, 0))
            else:
                r, g, b = (t // covered for t in total)
                row.append((b, g, r, covered * 255 // (n * n)))
        rows.append(row)
    return rows


def bitmap(size):
    """One icon image: a BITMAPINFOHEADER, bottom-up BGRA pixels, AND mask."""
    rows = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes(c for p in row for c in p) for row in reversed(rows))
    mask_row = ((size + 31) // 32) * 4
    # Alpha carries the shape; the mask stays clear.
    mask = bytes(mask_row * size)
    return header + pixels + mask


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    images = [bitmap(s) for s in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    out += b"".join(images)
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
