#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the program's icon at every size the desktop asks for, each for its own pixel grid.

A navy rounded square with two beamed yellow eighth notes. At 32 x 32 the icon is the program's
own pixel drawing, and at 16 x 16 a pixel drawing made for that size; every other size is rendered
from the outline below with the square's edges and the stems put on whole pixels (so they stay
sharp), the rest anti-aliased. Writes, under the source tree:

  resources/icons/hicolor/NxN/apps/ID.png   16, 22, 24, 32, 48, 64, 128 and 256 pixels
  resources/icons/hicolor/scalable/apps/ID.svg
  resources/MAINICON.ico                    32 (first: the one the program draws), 16 and 48,
                                            the sizes the window offers the desktop

Run it again after changing the drawing and commit what it writes:

  python3 tools/draw_icons.py
"""

import math
import os
import struct
import sys
import zlib

APP_ID = "br.com.lumarest.Tessivo"
SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
WINDOW_SIZES = (32, 16, 48)  # the first is the one the program itself draws
NAVY = (0x00, 0x00, 0x80)
YELLOW = (0xFF, 0xFF, 0x00)
GRID = 32.0  # the outline's units: the 32-pixel drawing's pixels

# Pixel drawings: '#' navy, 'o' yellow, '.' transparent.
PIXELS_32 = """
................................
................................
....########################....
...##########################...
..############################..
..############################..
..####################oooo####..
..###############ooooooooo####..
..###########ooooooooooooo####..
..###########ooooooooo##oo####..
..###########oooo#######oo####..
..###########oo#########oo####..
..###########oo#########oo####..
..###########oo#########oo####..
..###########oo#########oo####..
..###########oo#########oo####..
..###########oo#########oo####..
..###########oo#########oo####..
..###########oo#########oo####..
..###########oo####ooooooo####..
..###########oo###oooooooo####..
..######ooooooo###ooooooo#####..
..#####oooooooo###ooooooo#####..
..#####ooooooo#####ooooo######..
..#####ooooooo################..
..######ooooo#################..
..############################..
..############################..
...##########################...
....########################....
................................
................................
"""

PIXELS_16 = """
................
..############..
.##############.
.##########oo##.
.#######ooooo##.
.#####ooooo#o##.
.#####o#####o##.
.#####o#####o##.
.#####o#####o##.
.#####o###ooo##.
.##oooo##oooo##.
.##oooo###oo###.
.###oo#########.
.##############.
..############..
................
"""

# The outline, in 32-pixel units.
BACKGROUND = (2.0, 2.0, 30.0, 30.0, 2.5)  # left, top, right, bottom, corner radius
STEMS = ((13.0, 8.5, 15.0, 22.5), (24.0, 6.0, 26.0, 20.5))  # left, top, right, bottom
BEAM = ((13.0, 8.0), (26.0, 5.3), (26.0, 8.1), (13.0, 10.8))
HEADS = ((10.6, 23.1), (21.6, 21.1))  # centres
HEAD_RADII = (3.9, 2.3)
HEAD_TILT = math.radians(-22.0)


def parse(drawing):
    rows = [r for r in drawing.strip().splitlines()]
    colours = {"#": NAVY + (255,), "o": YELLOW + (255,), ".": (0, 0, 0, 0)}
    return [[colours[c] for c in row] for row in rows]


def in_rounded_rect(x, y, rect):
    left, top, right, bottom, radius = rect
    if x < left or x > right or y < top or y > bottom:
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def in_convex(x, y, points):
    sign = 0
    for i, (ax, ay) in enumerate(points):
        bx, by = points[(i + 1) % len(points)]
        cross = (bx - ax) * (y - ay) - (by - ay) * (x - ax)
        if cross != 0:
            if sign == 0:
                sign = 1 if cross > 0 else -1
            elif (cross > 0) != (sign > 0):
                return False
    return True


def in_head(x, y, centre, radii):
    dx, dy = x - centre[0], y - centre[1]
    c, s = math.cos(HEAD_TILT), math.sin(HEAD_TILT)
    u, v = dx * c + dy * s, -dx * s + dy * c
    return (u / radii[0]) ** 2 + (v / radii[1]) ** 2 <= 1.0


def render(size):
    """The outline at `size` pixels: stems on whole pixels, the rest covered by sub-samples."""
    scale = size / GRID
    samples = 8 if size <= 64 else 4
    stem_width = max(1, round(2.0 * scale))
    stems = []
    for left, top, _right, bottom in STEMS:
        x0 = round(left * scale)
        stems.append((x0, top * scale, x0 + stem_width, bottom * scale))
    # The beam and heads follow the snapped stems, so the notes stay joined.
    shift = [(stems[i][0] - STEMS[i][0] * scale) for i in range(2)]
    beam = [(px * scale + shift[0 if px < 20 else 1], py * scale) for px, py in BEAM]
    heads = [(cx * scale + shift[i], cy * scale) for i, (cx, cy) in enumerate(HEADS)]
    radii = (HEAD_RADII[0] * scale, max(HEAD_RADII[1] * scale, 1.0))
    # The square's edges on whole pixels too: a half-covered outer row looks blurred, not smaller.
    margin = max(1, round(BACKGROUND[0] * scale))
    background = (margin, margin, size - margin, size - margin, BACKGROUND[4] * scale)
    image = []
    for py in range(size):
        row = []
        for px in range(size):
            navy = yellow = 0
            for sy in range(samples):
                for sx in range(samples):
                    x = px + (sx + 0.5) / samples
                    y = py + (sy + 0.5) / samples
                    if not in_rounded_rect(x, y, background):
                        continue
                    note = (
                        any(s[0] <= x < s[2] and s[1] <= y < s[3] for s in stems)
                        or in_convex(x, y, beam)
                        or any(in_head(x, y, h, radii) for h in heads)
                    )
                    if note:
                        yellow += 1
                    else:
                        navy += 1
            covered = navy + yellow
            if covered == 0:
                row.append((0, 0, 0, 0))
                continue
            colour = tuple(round((NAVY[i] * navy + YELLOW[i] * yellow) / covered) for i in range(3))
            row.append(colour + (round(255 * covered / (samples * samples)),))
        image.append(row)
    return image


def draw(size):
    if size == 32:
        return parse(PIXELS_32)
    if size == 16:
        return parse(PIXELS_16)
    return render(size)


def png(image):
    height, width = len(image), len(image[0])
    raw = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in image)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def ico(images):
    """An icon file of 32-bit images (bottom-up colours, then the 1-bit mask of transparent pixels)."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for image in images:
        side = len(image)
        colours = b"".join(struct.pack("<BBBB", p[2], p[1], p[0], p[3]) for row in reversed(image) for p in row)
        mask_stride = ((side + 31) // 32) * 4
        mask = bytearray()
        for row in reversed(image):
            bits = bytearray(mask_stride)
            for x, p in enumerate(row):
                if p[3] == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        header = struct.pack("<IiiHHIIiiII", 40, side, 2 * side, 1, 32, 0, len(colours) + len(mask), 0, 0, 0, 0)
        blob = header + colours + bytes(mask)
        entries.append(struct.pack("<BBBBHHII", side % 256, side % 256, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(blobs)


def svg():
    left, top, right, bottom, radius = BACKGROUND
    parts = [
        '<?xml version="1.0" encoding="UTF-8"?>',
        '<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">',
        f'  <rect x="{left}" y="{top}" width="{right - left}" height="{bottom - top}" rx="{radius}" fill="#000080"/>',
        '  <g fill="#ffff00">',
    ]
    for x0, y0, x1, y1 in STEMS:
        parts.append(f'    <rect x="{x0}" y="{y0}" width="{x1 - x0}" height="{y1 - y0}"/>')
    parts.append('    <polygon points="' + " ".join(f"{x},{y}" for x, y in BEAM) + '"/>')
    for cx, cy in HEADS:
        parts.append(
            f'    <ellipse cx="{cx}" cy="{cy}" rx="{HEAD_RADII[0]}" ry="{HEAD_RADII[1]}" '
            f'transform="rotate({math.degrees(HEAD_TILT):.0f} {cx} {cy})"/>'
        )
    parts += ["  </g>", "</svg>", ""]
    return "\n".join(parts)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")
    drawn = {size: draw(size) for size in SIZES}
    for size, image in drawn.items():
        write(os.path.join(root, "icons", "hicolor", f"{size}x{size}", "apps", APP_ID + ".png"), png(image))
    write(os.path.join(root, "icons", "hicolor", "scalable", "apps", APP_ID + ".svg"), svg().encode())
    write(os.path.join(root, "MAINICON.ico"), ico([drawn[s] for s in WINDOW_SIZES]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
