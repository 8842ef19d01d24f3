#!/usr/bin/env python3
"""Draws the four grey tile bitmaps and the program icon into ui/resources/,
and the two sets of custom tiles (Ball1.bmp ... Ball6.bmp) into sprites/.

Standard library only; the output is committed, so this runs only when the
art changes. Tile bitmaps are 8-bit with a palette of 256 greys (index =
grey level). Pure white (255) marks background that must show through the
tint; tile bodies never use it. The custom tiles are 24-bit and used as they
are: each colour also has its own symbol and its own lightness, so the six
stay apart in greyscale and for colour-blind players.
"""
import math
import os
import struct
import sys
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")


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


def write_icon_png(path, size):
    """The icon as an RGBA PNG, for desktops that do not read .ico files."""
    colour, clear = icon_image(size)
    raw = b""
    for y in range(size):
        raw += b"\0" + b"".join(
            bytes(VGA[colour[y][x]]) + (b"\0" if clear[y][x] else b"\xff") for x in range(size))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def write_rgb_bmp(path, pixels):
    """pixels: rows top to bottom of (r, g, b); written as a 24-bit bitmap."""
    height = len(pixels)
    width = len(pixels[0])
    stride = (width * 3 + 3) & ~3
    rows = b"".join(
        b"".join(bytes((b, g, r)) for r, g, b in row) + b"\0" * (stride - width * 3)
        for row in reversed(pixels))
    offset = 14 + 40
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + rows)


def polygon_test(points):
    """Even-odd inside test for a closed polygon in unit coordinates."""
    def inside(x, y):
        hit = False
        for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
            if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
                hit = not hit
        return hit
    return inside


def star_points(outer, inner):
    return [(0.5 + (outer if i % 2 == 0 else inner) * math.sin(i * math.pi / 5),
             0.52 - (outer if i % 2 == 0 else inner) * math.cos(i * math.pi / 5)) for i in range(10)]


# Symbols in unit coordinates (0..1 across the tile, y downwards).
SYMBOLS = {
    "ring": lambda x, y: 0.17 ** 2 <= (x - 0.5) ** 2 + (y - 0.5) ** 2 <= 0.31 ** 2,
    "triangle": polygon_test([(0.5, 0.17), (0.84, 0.78), (0.16, 0.78)]),
    "square": lambda x, y: abs(x - 0.5) <= 0.2 and abs(y - 0.5) <= 0.2,
    "diamond": lambda x, y: abs(x - 0.5) + abs(y - 0.5) <= 0.36,
    "cross": lambda x, y: min(abs(x - 0.5), abs(y - 0.5)) <= 0.085 and max(abs(x - 0.5), abs(y - 0.5)) <= 0.37,
    "star": polygon_test(star_points(0.4, 0.16)),
}

# Tile colours 1 to 6 in the hues of the built-in tints, each at its own
# lightness (CIE L* about 24, 38, 66, 78, 97 and 52): the order stays the same
# for every kind of colour blindness, and the symbol is black or white,
# whichever stands out more.
SYMBOL_TILES = [
    ("ring", (120, 0, 0), (255, 255, 255)),
    ("triangle", (95, 208, 225), (0, 0, 0)),
    ("square", (60, 184, 66), (0, 0, 0)),
    ("diamond", (255, 252, 170), (0, 0, 0)),
    ("cross", (150, 30, 160), (255, 255, 255)),
    ("star", (124, 124, 124), (0, 0, 0)),
]
SAMPLES = 4  # per pixel and axis, for smooth edges


def mix(a, b, t):
    return tuple(int(round(p + (q - p) * t)) for p, q in zip(a, b))


def symbol_tile(size, symbol, body, ink):
    """A square with rounded corners in the body colour, lit at the top left,
    carrying its symbol; outside the corners stays pure white."""
    corner = size / 8.0
    inside_symbol = SYMBOLS[symbol]
    light = mix(body, (255, 255, 255), 0.35)
    shade = mix(body, (0, 0, 0), 0.35)
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            tile = mark = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = px + (sx + 0.5) / SAMPLES
                    y = py + (sy + 0.5) / SAMPLES
                    cx = min(max(x, corner), size - corner)
                    cy = min(max(y, corner), size - corner)
                    if (x - cx) ** 2 + (y - cy) ** 2 <= corner * corner:
                        tile += 1
                        mark += inside_symbol(x / size, y / size)
            n = SAMPLES * SAMPLES
            edge = body
            if px == 0 or py == 0:
                edge = light
            elif px == size - 1 or py == size - 1:
                edge = shade
            colour = mix(edge, ink, mark / n)
            row.append(mix((255, 255, 255), colour, tile / n))
        rows.append(row)
    return rows


def write_tile_set(folder, size):
    os.makedirs(folder, exist_ok=True)
    for i, (symbol, body, ink) in enumerate(SYMBOL_TILES):
        write_rgb_bmp(os.path.join(folder, "Ball%d.bmp" % (i + 1)), symbol_tile(size, symbol, body, ink))


# The two custom sets: the default tile size, and one for high-resolution screens.
TILE_SETS = [("symbols", 32), ("large", 48)]


def main(root=ROOT):
    out = os.path.join(root, "ui", "resources")
    os.makedirs(out, exist_ok=True)
    write_grey_bmp(os.path.join(out, "rectangle.bmp"), raised_tile(32))
    write_grey_bmp(os.path.join(out, "small_rectangle.bmp"), raised_tile(24))
    write_grey_bmp(os.path.join(out, "ellipse.bmp"), shaded_ball(28, 135, 241, (-0.55, -0.55)))
    write_grey_bmp(os.path.join(out, "small_ellipse.bmp"), shaded_ball(18, 45, 235, (-0.45, -0.45)))
    write_icon(os.path.join(out, "marblequake.ico"), [48, 32, 16])
    write_icon_png(os.path.join(out, "marblequake.png"), 48)
    for name, size in TILE_SETS:
        write_tile_set(os.path.join(root, "sprites", name), size)


if __name__ == "__main__":
    # An optional folder to write into instead of the source tree (the test uses it).
    main(*sys.argv[1:2])
