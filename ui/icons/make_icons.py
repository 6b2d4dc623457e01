#!/usr/bin/env python3
"""Writes the program's five state icons (32 x 32, 16 colours) next to this
script. They share one picture, a barcode label above a framed lamp box, and
differ only in the box's fill. The build does not run this: the .ico files are
kept in the repository; run it again after changing the picture."""

import os
import struct

# The standard 16-colour palette, as (R, G, B).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, GREY, LIGHT_GREY, RED, GREEN, YELLOW, WHITE = 0, 8, 7, 9, 10, 11, 15

ICONS = {  # resource name -> fill of the lamp box
    "mainicon": LIGHT_GREY,
    "off": LIGHT_GREY,
    "gruen": GREEN,
    "gelb": YELLOW,
    "rot": RED,
}

SIZE = 32
BARS = "1101001100101110100110110010111"  # 1 = black bar, one pixel each


def picture(fill):
    """Rows top to bottom of palette indices; None is transparent."""
    px = [[None] * SIZE for _ in range(SIZE)]

    def rect(top, left, bottom, right, colour):
        for y in range(top, bottom + 1):
            for x in range(left, right + 1):
                px[y][x] = colour

    # Barcode label with a grey edge.
    rect(1, 0, 14, 31, GREY)
    rect(2, 1, 13, 30, WHITE)
    for i, bar in enumerate(BARS[:28]):
        if bar == "1":
            rect(3, 2 + i, 12, 2 + i, BLACK)
    # The lamp box: black frame, the state's fill, a grey shadow.
    rect(18, 6, 30, 26, GREY)
    rect(17, 5, 29, 25, BLACK)
    rect(18, 6, 28, 24, fill)
    return px


def ico(px):
    xor = b""
    mask = b""
    for row in reversed(px):  # bitmaps are stored bottom-up
        nibbles = [0 if c is None else c for c in row]
        xor += bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, SIZE, 2))
        bits = 0
        for x, c in enumerate(row):
            if c is None:
                bits |= 1 << (SIZE - 1 - x)
        mask += struct.pack(">I", bits)  # 32 pixels: already a 4-byte row
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, len(xor) + len(mask),
                         0, 0, 16, 0)
    image = header + palette + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, fill in ICONS.items():
        with open(os.path.join(here, name + ".ico"), "wb") as f:
            f.write(ico(picture(fill)))


if __name__ == "__main__":
    main()
