#!/usr/bin/python3
"""Draws the line lamps lamp_on.png and lamp_off.png (16 x 10 pixels).

An oval lamp: a rim, a body with a soft highlight towards the upper left, and a transparent
surround. Every pixel is sampled 8 x 8 times, so the rim's edges are anti-aliased. Only the
standard library is used (zlib and struct), and the output is byte-for-byte the same on every
run, so the committed pictures can be checked against this script.

Usage: /usr/bin/python3 make_lamps.py [output folder]   (default: the script's own folder)
"""

import os
import struct
import sys
import zlib

WIDTH, HEIGHT = 16, 10
SAMPLES = 8  # per pixel side

# The lamp's outline in pixel coordinates (pixel x covers x .. x + 1).
CENTRE_X, CENTRE_Y = 8.0, 5.0
OUTER_RX, OUTER_RY = 7.85, 4.9
RIM = 1.25
INNER_RX, INNER_RY = OUTER_RX - RIM, OUTER_RY - RIM

LAMPS = {
    # name: (rim colour, body colour, highlight colour)
    "lamp_on.png": ((0x0B, 0x5A, 0x12), (0x2E, 0xD6, 0x3A), (0xC8, 0xFF, 0xC8)),
    "lamp_off.png": ((0x80, 0x80, 0x80), (0xCF, 0xCF, 0xCF), (0xF6, 0xF6, 0xF6)),
}


def inside(x, y, rx, ry):
    dx, dy = (x - CENTRE_X) / rx, (y - CENTRE_Y) / ry
    return dx * dx + dy * dy <= 1.0


def mix(a, b, t):
    return tuple(pa + (pb - pa) * t for pa, pb in zip(a, b))


def body_colour(x, y, body, highlight):
    # The highlight sits up and to the left of the centre and fades out over the body.
    hx, hy = CENTRE_X - 2.2, CENTRE_Y - 1.6
    d = (((x - hx) / INNER_RX) ** 2 + ((y - hy) / INNER_RY) ** 2) ** 0.5
    return mix(highlight, body, min(1.0, d / 0.9))


def sample(x, y, rim, body, highlight):
    """Colour and coverage (0 or 1) at one point."""
    if inside(x, y, INNER_RX, INNER_RY):
        return body_colour(x, y, body, highlight), 1.0
    if inside(x, y, OUTER_RX, OUTER_RY):
        return rim, 1.0
    return (0.0, 0.0, 0.0), 0.0


def pixel(px, py, colours):
    red = green = blue = alpha = 0.0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            x = px + (sx + 0.5) / SAMPLES
            y = py + (sy + 0.5) / SAMPLES
            (r, g, b), a = sample(x, y, *colours)
            red, green, blue, alpha = red + r * a, green + g * a, blue + b * a, alpha + a
    if alpha == 0.0:
        return (0, 0, 0, 0)
    # The colour is averaged over the covered samples only (straight, not premultiplied, alpha).
    return (round(red / alpha), round(green / alpha), round(blue / alpha),
            round(255 * alpha / (SAMPLES * SAMPLES)))


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(rows):
    header = struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 6, 0, 0, 0)  # 8-bit RGBA
    raw = b"".join(b"\x00" + bytes(v for p in row for v in p) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, colours in LAMPS.items():
        rows = [[pixel(x, y, colours) for x in range(WIDTH)] for y in range(HEIGHT)]
        with open(os.path.join(folder, name), "wb") as out:
            out.write(png(rows))


if __name__ == "__main__":
    main()
