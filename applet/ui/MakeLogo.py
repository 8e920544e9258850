#!/usr/bin/env python3
"""Draws the applet's 311 x 97 logo (a disc and the product letters) as a 24-bit BMP."""
import math
import struct
import sys

WIDTH, HEIGHT = 311, 97

# 5 x 7 glyphs, one string per row, '#' = set.
GLYPHS = {
    "Q": [".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "N": ["#...#", "##..#", "#.#.#", "#.#.#", "#..##", "#...#", "#...#"],
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "U": ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "D": ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    "I": [".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "C": [".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."],
    " ": ["....."] * 7,
}


def disc_colour(x, y):
    cx, cy = 52.0, 48.0
    r = math.hypot(x - cx, y - cy)
    if r > 42 or r < 7:
        return None
    if r < 16:
        return (150, 150, 160) if r > 14 else (90, 90, 100)
    angle = math.atan2(y - cy, x - cx)
    sheen = 0.5 + 0.5 * math.cos(2 * angle)
    base = 120 + int(100 * sheen)
    return (min(255, base + 35), min(255, base + 20), int(60 * (1 - sheen)))


def text_pixels(text, left, top, scale, colour_of):
    pixels = {}
    for n, ch in enumerate(text):
        for row, bits in enumerate(GLYPHS[ch]):
            for col, bit in enumerate(bits):
                if bit != "#":
                    continue
                for dy in range(scale):
                    for dx in range(scale):
                        x = left + n * 6 * scale + col * scale + dx
                        y = top + row * scale + dy
                        pixels[(x, y)] = colour_of(y)
    return pixels


def main(path):
    letters = text_pixels("QLN", 118, 10, 7, lambda y: (255, max(120, 239 - 2 * (y - 10)), 0))
    words = text_pixels("AUDIO CD", 120, 70, 2, lambda y: (255, 255, 255))
    row_size = (WIDTH * 3 + 3) & ~3
    data = bytearray()
    for y in range(HEIGHT - 1, -1, -1):
        row = bytearray()
        for x in range(WIDTH):
            colour = letters.get((x, y)) or words.get((x, y)) or disc_colour(x, y) or (0, 0, 0)
            row += bytes((colour[2], colour[1], colour[0]))
        data += row + b"\0" * (row_size - len(row))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + data)


if __name__ == "__main__":
    main(sys.argv[1])
