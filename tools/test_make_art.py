#!/usr/bin/env python3
"""Checks the committed art: it is what make_art.py draws, the custom sets
load as Ball1.bmp ... Ball6.bmp, and their six tiles stay apart without colour.

Tiles are compared by CIE lightness L* (0 black .. 100 white) as seen in
greyscale and through the dichromat simulations of Machado, Oliveira and
Fernandes (2009) at severity 1.0, applied to linear sRGB. Margins:
- every two tile bodies differ by at least 10 L* in each of the four views,
  so lightness alone tells them apart, whatever hue survives;
- every symbol differs from its body by at least 40 L* in each view;
- every two symbols differ in at least 8 % of the tile's pixels.
Run with --report to print the measured values.
"""
import itertools
import os
import struct
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_art  # noqa: E402

VIEWS = {
    "greyscale": ((1, 0, 0), (0, 1, 0), (0, 0, 1)),
    "protanopia": ((0.152286, 1.052583, -0.204868), (0.114503, 0.786281, 0.099216),
                   (-0.003882, -0.048116, 1.051998)),
    "deuteranopia": ((0.367322, 0.860646, -0.227968), (0.280085, 0.672501, 0.047413),
                     (-0.011820, 0.042940, 0.968881)),
    "tritanopia": ((1.255528, -0.076749, -0.178779), (-0.078411, 0.930809, 0.147602),
                   (0.004733, 0.691367, 0.303900)),
}
BODY_MARGIN = 10.0
INK_MARGIN = 40.0
SHAPE_MARGIN = 0.08


def read_bmp(path):
    """An uncompressed 24-bit bottom-up bitmap as rows of (r, g, b)."""
    with open(path, "rb") as f:
        data = f.read()
    magic, _, _, _, offset = struct.unpack_from("<2sIHHI", data)
    _, width, height, planes, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
    assert (magic, planes, bits, compression) == (b"BM", 1, 24, 0), path
    assert height > 0, path
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height):
        at = offset + (height - 1 - y) * stride
        rows.append([(data[at + 3 * x + 2], data[at + 3 * x + 1], data[at + 3 * x]) for x in range(width)])
    return rows


def lightness(rgb, view):
    def linear(c):
        c /= 255.0
        return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4

    lin = [linear(c) for c in rgb]
    seen = [min(1.0, max(0.0, sum(m * c for m, c in zip(row, lin)))) for row in VIEWS[view]]
    y = 0.2126 * seen[0] + 0.7152 * seen[1] + 0.0722 * seen[2]
    f = y ** (1 / 3) if y > 216 / 24389 else (24389 / 27 * y + 16) / 116
    return 116 * f - 16


def analyse(rows):
    """(body colour, symbol colour, set of symbol pixels) read from the picture:
    the body is the commonest colour, the symbol the commonest other colour
    inside the rounded corners."""
    size = len(rows)
    inner = range(size // 8, size - size // 8)
    counts = {}
    for y in range(size):
        for x in range(size):
            counts[rows[y][x]] = counts.get(rows[y][x], 0) + 1
    body = max(counts, key=counts.get)
    inner_counts = {}
    for y in inner:
        for x in inner:
            if rows[y][x] != body:
                inner_counts[rows[y][x]] = inner_counts.get(rows[y][x], 0) + 1
    ink = max(inner_counts, key=inner_counts.get)

    def dist(a, b):
        return sum((p - q) ** 2 for p, q in zip(a, b))

    mask = {(x, y) for y in inner for x in inner if dist(rows[y][x], ink) < dist(rows[y][x], body)}
    return body, ink, mask


def measure(name, size):
    """For one set, per view: the closest two bodies and the weakest symbol, in
    L*; and the smallest share of the pixels in which two symbols differ."""
    folder = os.path.join(make_art.ROOT, "sprites", name)
    tiles = [analyse(read_bmp(os.path.join(folder, "Ball%d.bmp" % i))) for i in range(1, 7)]
    views = {}
    for view in VIEWS:
        bodies = [lightness(body, view) for body, _, _ in tiles]
        views[view] = (min(abs(a - b) for a, b in itertools.combinations(bodies, 2)),
                       min(abs(lightness(body, view) - lightness(ink, view)) for body, ink, _ in tiles))
    shapes = min(len(a[2] ^ b[2]) for a, b in itertools.combinations(tiles, 2)) / (size * size)
    return views, shapes


class TileSetTest(unittest.TestCase):
    def test_generator_reproduces_the_committed_files(self):
        with tempfile.TemporaryDirectory() as out:
            make_art.main(out)
            for folder, _, files in os.walk(out):
                for name in files:
                    fresh = os.path.join(folder, name)
                    committed = os.path.join(make_art.ROOT, os.path.relpath(fresh, out))
                    with open(fresh, "rb") as a, open(committed, "rb") as b:
                        self.assertEqual(a.read(), b.read(), committed)

    def test_each_set_is_six_square_tiles_whose_width_sets_the_board(self):
        for name, size in make_art.TILE_SETS:
            folder = os.path.join(make_art.ROOT, "sprites", name)
            self.assertTrue(10 < size <= 64)
            self.assertEqual(sorted(os.listdir(folder)), ["Ball%d.bmp" % i for i in range(1, 7)])
            for i in range(1, 7):
                rows = read_bmp(os.path.join(folder, "Ball%d.bmp" % i))
                self.assertEqual((len(rows), len(rows[0])), (size, size), (name, i))

    def test_every_two_tiles_differ_without_colour(self):
        for name, size in make_art.TILE_SETS:
            views, shapes = measure(name, size)
            for view, (bodies, symbols) in views.items():
                self.assertGreaterEqual(bodies, BODY_MARGIN, (name, view))
                self.assertGreaterEqual(symbols, INK_MARGIN, (name, view))
            self.assertGreaterEqual(shapes, SHAPE_MARGIN, name)


if __name__ == "__main__":
    if "--report" in sys.argv:
        for name, size in make_art.TILE_SETS:
            views, shapes = measure(name, size)
            for view, (bodies, symbols) in views.items():
                print("%-8s %-13s closest two tiles %.1f L*, weakest symbol %.1f L*" % (name, view, bodies, symbols))
            print("%-8s two symbols differ in at least %.1f %% of the pixels" % (name, 100 * shapes))
    else:
        unittest.main()
