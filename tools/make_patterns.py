#!/usr/bin/env python3
"""Writes the bundled greyscale pattern files into patterns/.

Each pattern is drawn here as an 8-bit greyscale image (pure Python) and handed to
ImageMagick's `convert` as a PGM, which softens it where asked and writes an 8-bit
greyscale PNG or a one-component JPEG. Run from anywhere:

    python3 tools/make_patterns.py [output-folder]
"""
import math
import os
import random
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def pgm(width, height, sample):
    """A binary PGM of sample(x, y) -> 0..255."""
    rows = bytearray()
    for y in range(height):
        rows.extend(max(0, min(255, int(sample(x, y)))) for x in range(width))
    return b"P5\n%d %d\n255\n" % (width, height) + bytes(rows)


def rows_pgm(width, height, row):
    """A PGM whose row y is the byte string row(y) (fast for patterns built per row)."""
    return b"P5\n%d %d\n255\n" % (width, height) + b"".join(row(y) for y in range(height))


def window_panes(n=1024):
    # A four-by-three window: bright panes, dark mullions and frame.
    frame, bar = n // 16, n // 40
    def inside(v, parts):
        cell = (n - 2 * frame) / parts
        t = (v - frame) % cell
        return frame <= v < n - frame and bar / 2 <= t < cell - bar / 2
    cols = bytes(255 if inside(x, 3) else 0 for x in range(n))
    dark = bytes(n)
    return rows_pgm(n, n, lambda y: cols if inside(y, 4) else dark)


def venetian_blinds(n=1024):
    slat = n // 24
    light = bytes(255 for _ in range(n))
    return rows_pgm(n, n, lambda y: light if (y % slat) < slat * 0.6 else bytes(n))


def stripes(n=2048):
    period = n // 32
    row = bytes(255 if (x % period) < period // 2 else 0 for x in range(n))
    return rows_pgm(n, n, lambda y: row)


def diagonal_stripes(n=1024):
    period = n / 20
    return pgm(n, n, lambda x, y: 255 if ((x + y) % period) < period / 2 else 0)


def lattice(n=1024):
    cell, bar = n / 12, n / 60
    def on_bar(u, v):
        a = (u + v) % cell
        b = (u - v) % cell
        return a < bar or b < bar
    return pgm(n, n, lambda x, y: 0 if on_bar(x, y) else 255)


def spot(n=512):
    c, r = (n - 1) / 2, n * 0.35
    return pgm(n, n, lambda x, y: 255 if math.hypot(x - c, y - c) < r else 0)


def soft_spot(n=512):
    c, r = (n - 1) / 2, n * 0.48
    return pgm(n, n, lambda x, y: 255 * max(0.0, 1.0 - math.hypot(x - c, y - c) / r) ** 1.5)


def stained_glass(n=768):
    # Voronoi cells of varied brightness with dark leading between them.
    rng = random.Random(11)
    seeds = [(rng.uniform(0, n), rng.uniform(0, n), rng.randint(90, 255)) for _ in range(40)]
    def sample(x, y):
        d = sorted(((x - sx) ** 2 + (y - sy) ** 2, v) for sx, sy, v in seeds)[:2]
        return 0 if math.sqrt(d[1][0]) - math.sqrt(d[0][0]) < 6 else d[0][1]
    return pgm(n, n, sample)


def foliage(n=512):
    # Overlapping leaf-shaped blobs: light through a canopy.
    rng = random.Random(5)
    image = bytearray(255 for _ in range(n * n))
    for _ in range(260):
        cx, cy = rng.uniform(0, n), rng.uniform(0, n)
        length, width = rng.uniform(20, 60), rng.uniform(8, 20)
        angle = rng.uniform(0, math.pi)
        ca, sa = math.cos(angle), math.sin(angle)
        r = int(length) + 1
        for y in range(max(0, int(cy) - r), min(n, int(cy) + r)):
            for x in range(max(0, int(cx) - r), min(n, int(cx) + r)):
                u = ((x - cx) * ca + (y - cy) * sa) / length
                v = (-(x - cx) * sa + (y - cy) * ca) / width
                if u * u + v * v < 1.0:
                    image[y * n + x] = 0
    return b"P5\n%d %d\n255\n" % (n, n) + bytes(image)


def rays(n=1024):
    c = (n - 1) / 2
    return pgm(n, n, lambda x, y: 255 if math.sin(18 * math.atan2(y - c, x - c)) > 0.2 else 0)


def ripples(n=768):
    c = (n - 1) / 2
    return pgm(n, n, lambda x, y: 127.5 + 127.5 * math.cos(math.hypot(x - c, y - c) / 9.0))


def dots(n=768):
    cell = n / 16
    def sample(x, y):
        dx, dy = x % cell - cell / 2, y % cell - cell / 2
        return 255 if math.hypot(dx, dy) < cell * 0.3 else 0
    return pgm(n, n, sample)


# name, drawing, output format, blur sigma applied by convert (0: none)
PATTERNS = [
    ("window_panes", window_panes, "png", 2),
    ("venetian_blinds", venetian_blinds, "png", 3),
    ("stripes", stripes, "png", 0),
    ("diagonal_stripes", diagonal_stripes, "jpg", 1),
    ("lattice", lattice, "png", 1.5),
    ("spot", spot, "png", 1),
    ("soft_spot", soft_spot, "jpg", 0),
    ("stained_glass", stained_glass, "png", 1),
    ("foliage", foliage, "jpg", 2),
    ("rays", rays, "png", 1),
    ("ripples", ripples, "jpg", 0),
    ("dots", dots, "png", 1),
]


def write(folder, name, data, kind, blur):
    target = os.path.join(folder, "%s.%s" % (name, kind))
    options = ["-blur", "0x%g" % blur] if blur else []
    if kind == "png":
        options += ["-define", "png:color-type=0", "-define", "png:bit-depth=8", "-strip"]
    else:
        options += ["-colorspace", "Gray", "-type", "Grayscale", "-quality", "85", "-strip"]
    subprocess.run(["convert", "pgm:-"] + options + [target], input=data, check=True)
    print("%-24s %8d bytes" % (os.path.basename(target), os.path.getsize(target)))


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "patterns")
    os.makedirs(folder, exist_ok=True)
    for name, draw, kind, blur in PATTERNS:
        write(folder, name, draw(), kind, blur)


if __name__ == "__main__":
    main()
