#!/usr/bin/env python3
"""Writes the bitmap files read by tests/imports/bmp_test.cpp.

Run it from anywhere (python3 make_bmps.py); the files land beside it.
"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# An "F" of 10 x 6 pixels, top row first; "#" is bit 1, "." bit 0.
PICTURE = [
    "##########",
    "#.........",
    "#######...",
    "#.........",
    "#.........",
    "#.........",
]
BLACK_WHITE = [(0, 0, 0), (255, 255, 255)]


def one_bit_row(text):
    """One row packed most significant bit first, padded to 32 bits."""
    data = bytearray((len(text) + 31) // 32 * 4)
    for i, ch in enumerate(text):
        if ch == "#":
            data[i // 8] |= 0x80 >> (i % 8)
    return bytes(data)


def info_header(width, height, bit_count, compression=0, image_size=0, colours=0):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bit_count, compression,
                       image_size, 2835, 2835, colours, 0)


def bitmap(info, palette, pixels, claimed_size=None):
    """File header, info header, palette (RGB triples as BGRX) and pixel rows."""
    colour_table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    offset = 14 + len(info) + len(colour_table)
    size = offset + len(pixels) if claimed_size is None else claimed_size
    return b"BM" + struct.pack("<IHHI", size, 0, 0, offset) + info + colour_table + pixels


def one_bit(picture, top_down):
    rows = [one_bit_row(r) for r in picture]
    stored = rows if top_down else rows[::-1]
    height = -len(picture) if top_down else len(picture)
    pixels = b"".join(stored)
    return bitmap(info_header(len(picture[0]), height, 1, 0, len(pixels), 2), BLACK_WHITE, pixels)


def four_bit():
    palette = [(i * 17, i * 17, i * 17) for i in range(16)]
    pixels = bytes([0x01, 0x23, 0, 0, 0x45, 0x67, 0, 0])  # 4 x 2, rows padded to 4 bytes
    return bitmap(info_header(4, 2, 4, 0, len(pixels), 16), palette, pixels)


def twenty_four_bit():
    row = bytes([0, 0, 255, 0, 255, 0]) + bytes(2)  # two pixels, padded
    return bitmap(info_header(2, 2, 24, 0, 2 * len(row)), [], row * 2)


def core_header():
    info = struct.pack("<IHHHH", 12, 8, 2, 1, 1)
    palette = bytes([0, 0, 0, 255, 255, 255])
    pixels = bytes([0xF0, 0, 0, 0, 0x0F, 0, 0, 0])
    offset = 14 + len(info) + len(palette)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + palette + pixels


def truncated():
    # The header claims the whole file, but the pixel rows were cut off.
    whole = one_bit(PICTURE, False)
    return whole[:14 + 40 + 8 + 4]


def compressed():
    pixels = bytes([2, 0xFF, 0, 1])
    return bitmap(info_header(10, 6, 1, 1, len(pixels), 2), BLACK_WHITE, pixels)


FILES = {
    "f_bottom_up.bmp": one_bit(PICTURE, False),
    "f_top_down.bmp": one_bit(PICTURE, True),
    "four_bit.bmp": four_bit(),
    "twenty_four_bit.bmp": twenty_four_bit(),
    "core_header.bmp": core_header(),
    "not_bitmap.bmp": b"This is a text file, not a picture.\n",
    "truncated.bmp": truncated(),
    "compressed.bmp": compressed(),
}

if __name__ == "__main__":
    for name, data in FILES.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)
