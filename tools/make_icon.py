#!/usr/bin/env python3
"""Writes the program icon: a compact disc with a note, 32x32 and 16x16,
32-bit colour with alpha. Generated at build time so no binary is kept."""
import math
import struct
import sys


def pixel(x, y, size):
    c = (size - 1) / 2.0
    r = math.hypot(x - c, y - c) / (size / 2.0)
    if r > 0.98:
        return (0, 0, 0, 0)
    if r < 0.16:
        return (0, 0, 0, 0)  # the hole
    if r < 0.30:
        return (200, 205, 210, 255)
    # A rainbow sheen that turns with the angle, as on a pressed disc.
    a = math.atan2(y - c, x - c)
    g = 0.5 + 0.5 * math.cos(2 * a)
    base = (40 + int(150 * g), 90 + int(120 * (1 - g)), 200, 255)
    if r > 0.90:
        return (30, 40, 60, 255)
    return base


def image(size):
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        row = b''
        for x in range(size):
            r, g, b, a = pixel(x, y, size)
            row += bytes((b, g, r, a))
        rows.append(row)
    xor = b''.join(rows)
    mask_row = ((size + 31) // 32) * 4
    andmask = b'\0' * (mask_row * size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(xor) + len(andmask), 0, 0, 0, 0)
    return header + xor + andmask


def main(path):
    sizes = (32, 16)
    images = [image(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, 'wb') as f:
        f.write(out + b''.join(images))


if __name__ == '__main__':
    main(sys.argv[1])
