#!/usr/bin/env python3
"""Writes the example artwork imported by `make run`: a plot (star.plt), a
one-bit bitmap (badge.bmp) and an outline file (gear.vct). Run it from
anywhere:

    python3 examples/make_examples.py
"""

import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def star_plt():
    # Pen 1: a five-pointed star; pen 2: a circle round it. 40 units per mm.
    out = ["IN;", "SP1;"]
    pts = []
    for i in range(11):
        r = 800 if i % 2 == 0 else 320
        a = math.pi / 2 + i * math.pi / 5
        pts.append((round(1000 + r * math.cos(a)), round(1000 + r * math.sin(a))))
    out.append("PU%d,%d;" % pts[0])
    out.extend("PD%d,%d;" % p for p in pts[1:])
    out.append("SP2;")
    circle = [(round(1000 + 950 * math.cos(t * math.pi / 36)), round(1000 + 950 * math.sin(t * math.pi / 36)))
              for t in range(73)]
    out.append("PU%d,%d;" % circle[0])
    out.extend("PD%d,%d;" % p for p in circle[1:])
    out.append("PU;SP0;")
    return "\n".join(out) + "\n"


def badge_bmp(w=160, h=96):
    # 1 bit per pixel, bottom-up rows; bit 0 = black (palette entry 0).
    stride = (w + 31) // 32 * 4
    rows = []
    for y in range(h):
        row = bytearray(stride)
        for x in range(w):
            cx, cy = x - w / 2, y - h / 2
            ring = 34 <= math.hypot(cx, cy) <= 44
            bars = abs(cy) < 10 and (x // 8) % 2 == 0 and abs(cx) < 28
            frame = x < 3 or y < 3 or x >= w - 3 or y >= h - 3
            white = not (ring or bars or frame)
            if white:
                row[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(row))
    pixels = b"".join(rows)
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    offset = 14 + 40 + len(palette)
    header = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 1, 0, len(pixels), 2835, 2835, 2, 0)
    return header + info + palette + pixels


def gear_vct():
    # An outer toothed contour and a round hole, 10 units per mm.
    outer = []
    teeth = 12
    for i in range(teeth * 4 + 1):
        a = 2 * math.pi * i / (teeth * 4)
        r = 200 if (i // 2) % 2 == 0 else 160
        outer.append((round(220 + r * math.cos(a)), round(220 + r * math.sin(a))))
    hole = [(round(220 + 60 * math.cos(-2 * math.pi * i / 24)), round(220 + 60 * math.sin(-2 * math.pi * i / 24)))
            for i in range(25)]
    contours = [outer, hole]
    pts = [p for c in contours for p in c]
    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    text = "%d,%d,%d,%d,%d,%d,%7.3f,%7.3f;\n" % (len(pts), len(contours), min(xs), max(xs), min(ys), max(ys), 10.0, 10.0)
    for c in contours:
        text += "%d;\n" % len(c) + "".join("%d,%d;\n" % p for p in c)
    return text


def main():
    with open(os.path.join(HERE, "star.plt"), "w") as f:
        f.write(star_plt())
    with open(os.path.join(HERE, "badge.bmp"), "wb") as f:
        f.write(badge_bmp())
    with open(os.path.join(HERE, "gear.vct"), "w") as f:
        f.write(gear_vct())


if __name__ == "__main__":
    main()
