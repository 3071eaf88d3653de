#!/usr/bin/env python3
"""Draws res/pagemind.ico and res/warning.ico.

Only the standard library: the shapes are sampled on a fine grid, reduced to one colour per pixel
and written as classic ICO entries (a BITMAPINFOHEADER, a palette, the colour bits and the AND mask)
so the output is the same bytes on every run and every machine.

Usage: tools/make-icons.py [output folder, default res/ beside this script's folder]
"""

import math
import os
import struct
import sys

SUPERSAMPLE = 8  # sub-samples per pixel edge: smooth enough edges for a 32x32 picture

# --- shapes: each answers whether a point (in pixel units of the picture) lies inside -----------


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def polygon(points):
    def inside(x, y):
        # Even-odd ray casting: enough for the convex and simple shapes drawn here.
        result = False
        n = len(points)
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[(i + 1) % n]
            if (ay > y) != (by > y):
                cross = ax + (y - ay) * (bx - ax) / (by - ay)
                if x < cross:
                    result = not result
        return result

    return inside


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 < r * r


def arc(cx, cy, r_in, r_out, start_deg, end_deg):
    """A ring sector; angles in degrees, counter-clockwise on screen, 0 pointing right."""

    def inside(x, y):
        d2 = (x - cx) ** 2 + (y - cy) ** 2
        if not r_in * r_in <= d2 < r_out * r_out:
            return False
        angle = math.degrees(math.atan2(cy - y, x - cx)) % 360
        return (angle - start_deg) % 360 <= (end_deg - start_deg) % 360

    return inside


def difference(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


# --- rendering --------------------------------------------------------------------------------


def render(size, layers, mode):
    """Returns rows of (r, g, b) or None (transparent), top row first.

    layers: [(shape, colour)], later ones painted over earlier ones, in a 32x32 drawing space.
    mode "average" blends the covered sub-samples (for a 256-colour palette); mode "majority"
    keeps the most frequent colour, so a 16-colour picture gets no muddy in-between shades.
    """
    scale = 32.0 / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            samples = []
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    x = (px + (sx + 0.5) / SUPERSAMPLE) * scale
                    y = (py + (sy + 0.5) / SUPERSAMPLE) * scale
                    colour = None
                    for shape, c in layers:
                        if shape(x, y):
                            colour = c
                    samples.append(colour)
            covered = [c for c in samples if c is not None]
            if len(covered) * 2 < len(samples):
                row.append(None)
            elif mode == "average":
                row.append(tuple(round(sum(c[i] for c in covered) / len(covered)) for i in range(3)))
            else:
                counts = {}
                for c in covered:
                    counts[c] = counts.get(c, 0) + 1
                row.append(max(sorted(counts), key=lambda c: counts[c]))
        rows.append(row)
    return rows


def nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((palette[i][k] - colour[k]) ** 2 for k in range(3)))


def adaptive_palette(pictures, entries):
    """Black first (the colour under the AND mask), then the most frequent colours."""
    counts = {}
    for rows in pictures:
        for row in rows:
            for c in row:
                if c is not None:
                    counts[c] = counts.get(c, 0) + 1
    ordered = sorted(counts, key=lambda c: (-counts[c], c))
    palette = [(0, 0, 0)] + [c for c in ordered if c != (0, 0, 0)][: entries - 1]
    return palette + [(0, 0, 0)] * (entries - len(palette))


# The 16 colours of the standard Windows palette, black first.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def pack_rows(bits_per_pixel, rows_of_values):
    """Bottom-up rows, each padded to a 32-bit boundary, as DIBs store them."""
    out = bytearray()
    for values in reversed(rows_of_values):
        acc = 0
        nbits = 0
        row = bytearray()
        for v in values:
            acc = (acc << bits_per_pixel) | v
            nbits += bits_per_pixel
            if nbits == 8:
                row.append(acc)
                acc = 0
                nbits = 0
        if nbits:
            row.append(acc << (8 - nbits))
        while len(row) % 4:
            row.append(0)
        out += row
    return bytes(out)


def dib(rows, palette, bits_per_pixel):
    size = len(rows)
    indices = [[0 if c is None else nearest(palette, c) for c in row] for row in rows]
    mask = [[1 if c is None else 0 for c in row] for row in rows]
    xor_bits = pack_rows(bits_per_pixel, indices)
    and_bits = pack_rows(1, mask)
    # An icon's DIB height counts the colour bits and the mask together.
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits_per_pixel, 0,
                         len(xor_bits) + len(and_bits), 0, 0, 0, 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    return header + colours + xor_bits + and_bits


def write_ico(path, images):
    """images: [(size, bits_per_pixel, dib bytes)]"""
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, bpp, data in images:
        colour_count = 0 if bpp >= 8 else 1 << bpp
        out += struct.pack("<BBBBHHII", size, size, colour_count, 0, 1, bpp, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    with open(path, "wb") as f:
        f.write(out)


# --- the two pictures -------------------------------------------------------------------------

NAVY = (18, 52, 112)
BLUE = (28, 98, 206)
SKY = (186, 210, 244)
PAPER = (250, 252, 255)
INK = (112, 142, 196)
WHITE = (255, 255, 255)


def program_icon_layers():
    """A page with a folded corner, and a round blue badge with a white arrow turning back."""
    left, top, right, bottom, fold = 4.0, 1.5, 23.0, 29.0, 7.0
    line = 1.2
    page_outer = polygon([(left, top), (right - fold, top), (right, top + fold), (right, bottom),
                          (left, bottom)])
    page_inner = polygon([(left + line, top + line), (right - fold - 0.5, top + line),
                          (right - line, top + fold + 0.5), (right - line, bottom - line),
                          (left + line, bottom - line)])
    fold_outer = polygon([(right - fold, top), (right - fold, top + fold), (right, top + fold)])
    fold_inner = polygon([(right - fold + line, top + 2.6), (right - fold + line, top + fold - line),
                          (right - 2.6, top + fold - line)])
    layers = [
        (page_outer, NAVY),
        (page_inner, PAPER),
        (fold_outer, NAVY),
        (fold_inner, SKY),
    ]
    for y, length in ((9.0, 8), (13.0, 12), (17.0, 9), (21.0, 6)):
        layers.append((rect(left + 4, y, left + 4 + length, y + 1.7), INK))
    cx, cy = 21.8, 21.8
    tip_x = cx + 4.8
    layers += [
        (disc(cx, cy, 9.8), NAVY),
        (disc(cx, cy, 8.7), BLUE),
        # The ring leaves a gap at the upper right; the arrowhead at its end points into the gap.
        (arc(cx, cy, 3.5, 6.1, 80, 358), WHITE),
        (polygon([(tip_x + 3.6, cy + 0.2), (tip_x - 3.6, cy + 0.2), (tip_x, cy - 4.6)]), WHITE),
    ]
    return layers


YELLOW = (255, 255, 0)
BLACK = (0, 0, 0)


def warning_icon_layers():
    outline = polygon([(16, 1.0), (31.2, 29.5), (0.8, 29.5)])
    fill = polygon([(16, 4.6), (28.4, 27.7), (3.6, 27.7)])
    return [
        (outline, BLACK),
        (fill, YELLOW),
        (polygon([(14.3, 10.5), (17.7, 10.5), (16.9, 20.5), (15.1, 20.5)]), BLACK),
        (rect(14.6, 22.3, 17.4, 25.2), BLACK),
    ]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, os.pardir, "res")

    program = render(32, program_icon_layers(), "average")
    palette = adaptive_palette([program], 256)
    write_ico(os.path.join(out_dir, "pagemind.ico"), [(32, 8, dib(program, palette, 8))])

    images = []
    for size in (32, 16):
        rows = render(size, warning_icon_layers(), "majority")
        images.append((size, 4, dib(rows, VGA16, 4)))
    write_ico(os.path.join(out_dir, "warning.ico"), images)


if __name__ == "__main__":
    main()
