#!/usr/bin/env python3
"""Draws the four grey tile bitmaps and the program icon into ui/resources/.

Standard library only; the output is committed, so this runs only when the
art changes. Tile bitmaps are 8-bit with a palette of 256 greys (index =
grey level). Pure white (255) marks background that must show through the
tint; tile bodies never use it.
"""
import math
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "ui", "resources")


def write_grey_bmp(path, pixels):
    """pixels: rows top to bottom of grey levels 0..255."""
    height = len(pixels)
    width = len(pixels[0])
    stride = (width + 3) & ~3
    palette = b"".join(bytes((g, g, g, 0)) for g in range(256))
    rows = b"".join(bytes(row) + b"\0" * (stride - width) for row in reversed(pixels))
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(rows), 2835, 2835, 256, 0)
    with open(path, "wb") as f:
        f.write(header + info + palette + rows)


def lerp(a, b, t):
    return int(round(a + (b - a) * t))


def raised_tile(size):
    """A raised square: lit top rows, dark left edge, shaded right and bottom."""
    px = [[0] * size for _ in range(size)]
    for y in range(size):
        t = y / (size - 1)
        body = lerp(178, 134, t)
        for x in range(size):
            px[y][x] = body
        px[y][size - 2] = body - 10
        px[y][size - 1] = body - 16
        px[y][0] = lerp(133, 74, t)
    for x in range(1, size):
        px[0][x] = lerp(150, 170, x / (size - 1))
        px[1][x] = lerp(158, 170, x / (size - 1))
    for i, level in enumerate((113, 108, 97)):
        for x in range(1, size):
            px[size - 3 + i][x] = level
    return px


def shaded_ball(size, lo, hi, light):
    """A disc lit from `light` (dx, dy); outside the disc stays pure white."""
    px = [[255] * size for _ in range(size)]
    r = size / 2.0
    lx, ly = light
    for y in range(size):
        for x in range(size):
            dx = (x + 0.5 - r) / r
            dy = (y + 0.5 - r) / r
            d2 = dx * dx + dy * dy
            if d2 > 1.0:
                continue
            dz = math.sqrt(1.0 - d2)
            # Lambert term against a light above the upper left, plus a glint.
            lz = math.sqrt(max(0.0, 1.0 - lx * lx - ly * ly))
            shade = max(0.0, dx * lx + dy * ly + dz * lz)
            glint = max(0.0, shade - 0.9) * 4.0
            level = lo + (hi - lo) * min(1.0, 0.75 * shade + glint)
            px[y][x] = max(lo, min(hi, int(round(level))))
    return px


# The standard 16-colour palette, as (r, g, b).
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
# (dark, bright) palette indices of each marble.
MARBLES = [(1, 9), (4, 12), (3, 11)]


def icon_image(size):
    """Three marbles in a triangle; returns (colour indices, transparent flags)."""
    colour = [[0] * size for _ in range(size)]
    clear = [[True] * size for _ in range(size)]
    s = size / 48.0
    centres = [(16 * s, 31 * s), (32 * s, 31 * s), (24 * s, 17 * s)]
    radius = 10.5 * s
    for (cx, cy), (dark, bright) in zip(centres, MARBLES):
        for y in range(size):
            for x in range(size):
                dx = (x + 0.5 - cx) / radius
                dy = (y + 0.5 - cy) / radius
                d2 = dx * dx + dy * dy
                if d2 > 1.0:
                    continue
                clear[y][x] = False
                if d2 > 0.8:
                    colour[y][x] = 0
                elif (dx + 0.35) ** 2 + (dy + 0.35) ** 2 < 0.06:
                    colour[y][x] = 15
                elif dx + dy > 0.3:
                    colour[y][x] = dark
                else:
                    colour[y][x] = bright
    return colour, clear


def icon_entry_data(size):
    colour, clear = icon_image(size)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                       (xor_stride + and_stride) * size, 0, 0, 16, 0)
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in VGA)
    xor = b""
    mask = b""
    for y in reversed(range(size)):
        row = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x in range(size):
            c = 0 if clear[y][x] else colour[y][x]
            row[x // 2] |= c << (4 if x % 2 == 0 else 0)
            if clear[y][x]:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += bytes(row)
        mask += bytes(bits)
    return info + palette + xor + mask


def write_icon(path, sizes):
    images = [icon_entry_data(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


def main():
    write_grey_bmp(os.path.join(OUT, "rectangle.bmp"), raised_tile(32))
    write_grey_bmp(os.path.join(OUT, "small_rectangle.bmp"), raised_tile(24))
    write_grey_bmp(os.path.join(OUT, "ellipse.bmp"), shaded_ball(28, 135, 241, (-0.55, -0.55)))
    write_grey_bmp(os.path.join(OUT, "small_ellipse.bmp"), shaded_ball(18, 45, 235, (-0.45, -0.45)))
    write_icon(os.path.join(OUT, "marblequake.ico"), [48, 32, 16])


if __name__ == "__main__":
    main()
