#!/usr/bin/env python3
"""Draws Keyloom's icon and writes it as src/res/keyloom.ico.

The icon is a key cap seen from slightly above: a dark blue body, a light
top face carrying a "K", and an amber thread running along the front wall.
Each size (16, 32, 48 pixels) is rendered from the same shapes with
supersampling; the small size gets thicker strokes so the letter survives.

Standard library only. The images are 32-bit BGRA DIBs with an AND mask,
the form every version of Windows reads. The .ico is committed, so the
build never runs this script; run it again after changing the drawing:

    python3 scripts/make-icon.py [output.ico]
"""

import math
import os
import struct
import sys

SIZES = (16, 32, 48)
SUBSAMPLES = 6

BODY = (0x24, 0x33, 0x5E)        # dark blue sides of the cap
BODY_EDGE = (0x16, 0x20, 0x3D)   # outline of the body
FACE_TOP = (0xF4, 0xF6, 0xFB)    # top face, lighter at the back
FACE_BOTTOM = (0xC6, 0xD0, 0xE4)
LETTER = (0x1C, 0x2A, 0x52)
THREAD = (0xF2, 0xA5, 0x1F)      # amber thread on the front wall
THREAD_SHADE = (0xB8, 0x72, 0x0C)


def rounded_rect(x, y, left, top, right, bottom, radius):
    """True when (x, y) lies inside the rounded rectangle."""
    if x < left or x > right or y < top or y > bottom:
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def near_segment(x, y, x0, y0, x1, y1, half_width):
    """True when (x, y) is within half_width of the segment (x0,y0)-(x1,y1)."""
    dx, dy = x1 - x0, y1 - y0
    t = ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)
    t = min(max(t, 0.0), 1.0)
    px, py = x0 + t * dx, y0 + t * dy
    return (x - px) ** 2 + (y - py) ** 2 <= half_width * half_width


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def sample(x, y, size):
    """Colour of the icon at (x, y) in unit coordinates, or None."""
    # At 16 pixels the strokes are two whole pixels wide and the stem sits on
    # a pixel boundary, so the letter stays crisp instead of smearing.
    small = size <= 16
    stroke = (2.0 / size if small else 0.095) / 2
    edge = max(0.03, 1.0 / size)

    body = (0.04, 0.08, 0.96, 0.96, 0.17)
    face = ((3 / size, 2 / size, 13 / size, 12 / size, 1.5 / size) if small
            else (0.17, 0.11, 0.83, 0.72, 0.11))
    if not rounded_rect(x, y, *body):
        return None
    inner = rounded_rect(x, y, body[0] + edge, body[1] + edge,
                         body[2] - edge, body[3] - edge, body[4] - edge)
    if not inner:
        return BODY_EDGE

    if rounded_rect(x, y, *face):
        # The letter K, set slightly left of centre like a legend on a cap.
        stem_x = 6.0 / size if small else 0.35
        if (near_segment(x, y, stem_x, 0.24, stem_x, 0.60, stroke)
                or near_segment(x, y, stem_x + 0.02, 0.45, 0.64, 0.24, stroke)
                or near_segment(x, y, 0.44, 0.39, 0.65, 0.60, stroke)):
            return LETTER
        t = (y - face[1]) / (face[3] - face[1])
        return mix(FACE_TOP, FACE_BOTTOM, t)

    # Front wall: a thread woven along it, over and under three warp posts.
    thread_y = 13.5 / size if small else 0.84
    # Too small to show the weave at 16 pixels: a straight thread there.
    wave = 0.0 if small else 0.025 * math.sin((x - 0.1) * math.pi * 6)
    half = 0.5 / size if small else max(0.035, 1.0 / size)
    if 0.10 < x < 0.90 and abs(y - (thread_y + wave)) <= half:
        return THREAD if wave <= 0 else THREAD_SHADE
    return BODY


def render(size):
    """Rows of (r, g, b, a) tuples, top row first."""
    rows = []
    n = SUBSAMPLES
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0.0
            for sy in range(n):
                for sx in range(n):
                    c = sample((px + (sx + 0.5) / n) / size,
                               (py + (sy + 0.5) / n) / size, size)
                    if c is not None:
                        r += c[0]
                        g += c[1]
                        b += c[2]
                        a += 1
            if a == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((round(r / a), round(g / a), round(b / a),
                            round(255 * a / (n * n))))
        rows.append(row)
    return rows


def dib(size, rows):
    """BITMAPINFOHEADER, bottom-up BGRA pixels, then the 1-bit AND mask."""
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0,
                         0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return header + bytes(pixels) + bytes(mask)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        here, '..', 'src', 'res', 'keyloom.ico')
    images = [dib(size, render(size)) for size in SIZES]
    data = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        data += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32,
                            len(image), offset)
        offset += len(image)
    for image in images:
        data += image
    with open(out, 'wb') as f:
        f.write(data)


if __name__ == '__main__':
    main()
