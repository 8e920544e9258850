#!/usr/bin/env python3
"""Draws the version checker's artwork: a disc with an upward arrow.

Writes update.ico (32x32 and 16x16, 32-bit with alpha) and picture.bmp (48x48, 24-bit on the
dialog's grey). Run it from this folder after changing the drawing; the outputs are committed.
"""
import math
import struct

DIALOG_GREY = (192, 192, 192)


def pixel(size, x, y):
    """Colour (r, g, b, alpha 0..255) of the motif at pixel (x, y) of a size x size image."""
    c = (size - 1) / 2.0
    dx, dy = (x - c) / size, (y - c) / size
    r = math.hypot(dx, dy)
    # Arrow: a shaft and a head, pointing up, right of the centre.
    ax, ay = dx - 0.16, dy
    in_head = -0.42 <= ay <= -0.12 and abs(ax) <= (ay + 0.42) * 0.75
    in_shaft = -0.13 <= ay <= 0.30 and abs(ax) <= 0.07
    if in_head or in_shaft:
        return (40, 160, 60, 255)
    if r <= 0.47:
        if r <= 0.07:
            return (0, 0, 0, 0)
        if r <= 0.13:
            return (200, 200, 210, 255)
        shade = int(150 + 90 * (0.5 - dy) * (0.5 + dx))
        shade = max(90, min(250, shade))
        return (shade // 2, shade * 3 // 4, shade, 255)
    return (0, 0, 0, 0)


def rows(size, flatten):
    """Bottom-up rows of BGR(A) bytes."""
    out = []
    for y in range(size - 1, -1, -1):
        row = bytearray()
        for x in range(size):
            r, g, b, a = pixel(size, x, y)
            if flatten:
                if a == 0:
                    r, g, b = DIALOG_GREY
                row += bytes((b, g, r))
            else:
                row += bytes((b, g, r, a))
        while flatten and len(row) % 4:
            row.append(0)
        out.append(bytes(row))
    return out


def icon_image(size):
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b''.join(rows(size, False))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        bits = bytearray(mask_stride)
        for x in range(size):
            if pixel(size, x, y)[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colour + bytes(mask)


def write_icon(name, sizes):
    images = [icon_image(s) for s in sizes]
    data = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, image in zip(sizes, images):
        data += struct.pack('<BBBBHHII', s, s, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(name, 'wb') as f:
        f.write(data + b''.join(images))


def write_bitmap(name, size):
    pixels = b''.join(rows(size, True))
    info = struct.pack('<IiiHHIIiiII', 40, size, size, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(name, 'wb') as f:
        f.write(header + info + pixels)


if __name__ == '__main__':
    write_icon('update.ico', [32, 16])
    write_bitmap('picture.bmp', 48)
