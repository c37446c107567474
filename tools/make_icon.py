#!/usr/bin/env python3
"""Draws the application icon, resources/kovradesk.ico: a dark blue rounded square with an
orange ring and a white lens, at 16, 32 and 48 pixels (32-bit images with alpha).

The drawing is computed, so the output is the same on every run. Usage:
    tools/make_icon.py [output path]
"""
import math
import os
import struct
import sys

SIZES = (16, 32, 48)
SAMPLES = 4  # per axis, for smooth edges

BACK = (0x1B, 0x2E, 0x4F)   # dark blue
RING = (0xF2, 0x8C, 0x1E)   # orange
LENS = (0xFF, 0xFF, 0xFF)


def shape_colour(x, y):
    """Colour and coverage (0 or 1) of a point of the unit square (0..1, 0..1)."""
    # Rounded square with a corner radius of a fifth of the side.
    r = 0.2
    cx = min(max(x, r), 1 - r)
    cy = min(max(y, r), 1 - r)
    if (x - cx) ** 2 + (y - cy) ** 2 > r * r:
        return None
    d = math.hypot(x - 0.5, y - 0.5)
    if d <= 0.14:
        return LENS
    if 0.25 <= d <= 0.37:
        return RING
    return BACK


def render(size):
    """Rows of BGRA pixels, top row first."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0]
            hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = shape_colour((px + (sx + 0.5) / SAMPLES) / size,
                                     (py + (sy + 0.5) / SAMPLES) / size)
                    if c is not None:
                        hits += 1
                        for i in range(3):
                            acc[i] += c[i]
            n = SAMPLES * SAMPLES
            if hits:
                r, g, b = (round(a / hits) for a in acc)
            else:
                r = g = b = 0
            row.append((b, g, r, round(255 * hits / n)))
        rows.append(row)
    return rows


def icon_image(size):
    """One icon image: header, 32-bit pixels bottom-up, an all-clear AND mask."""
    pixels = render(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b''.join(bytes(p) for row in reversed(pixels) for px in row for p in [px])
    mask_stride = ((size + 31) // 32) * 4
    mask = bytes(mask_stride * size)
    return header + xor + mask


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, '..', 'resources', 'kovradesk.ico')
    images = [icon_image(s) for s in SIZES]
    data = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, img in zip(SIZES, images):
        data += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    data += b''.join(images)
    with open(out, 'wb') as f:
        f.write(data)


if __name__ == '__main__':
    main()
