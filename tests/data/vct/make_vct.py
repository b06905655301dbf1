#!/usr/bin/env python3
"""Writes the VCT test files of this folder. Run it from anywhere:

    python3 tests/data/vct/make_vct.py

Good files are written exactly as the program writes VCT files; the damaged
ones are cut, padded or filled with noise on purpose.
"""

import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))

# 10 units per mm: a 100 x 100 square becomes 10 x 10 mm.
SQUARE = [(0, 0), (100, 0), (100, 100), (0, 100), (0, 0)]
# Clockwise in Y-up coordinates, against the outer square's sense: a hole.
HOLE = [(25, 25), (25, 75), (75, 75), (75, 25), (25, 25)]


def header(points, contours, xmin, xmax, ymin, ymax, rx, ry):
    return "%d,%d,%d,%d,%d,%d,%7.3f,%7.3f;\n" % (points, contours, xmin, xmax, ymin, ymax, rx, ry)


def body(contours):
    out = []
    for c in contours:
        out.append("%d;\n" % len(c))
        out.extend("%d,%d;\n" % p for p in c)
    return "".join(out)


def vct(contours, rx=10.0, ry=10.0):
    pts = [p for c in contours for p in c]
    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    return header(len(pts), len(contours), min(xs), max(xs), min(ys), max(ys), rx, ry) + body(
        contours
    )


def write(name, data):
    mode = "wb" if isinstance(data, bytes) else "w"
    with open(os.path.join(HERE, name), mode) as f:
        f.write(data)


def main():
    closed = vct([SQUARE])
    write("square_closed.vct", closed)
    write("square_open.vct", vct([SQUARE[:4]]))
    write("ring.vct", vct([SQUARE, HOLE]))
    # Extents of no width: no scale can be formed.
    write("flat.vct", header(2, 1, 5, 5, 0, 10, 10.0, 10.0) + body([[(5, 0), (5, 10)]]))
    # The header promises one contour of five points; three follow.
    write("more_than_header.vct", header(5, 1, 0, 100, 0, 100, 10.0, 10.0)
          + body([SQUARE, HOLE, SQUARE]))

    # Damaged files.
    write("damaged_truncated.vct", closed[: closed.rindex(";")])
    write(
        "damaged_huge_counts.vct",
        "2147483647,2147483647,0,100,0,100, 10.000, 10.000;\n"
        "2147483647;\n0,0;\n100,0;\n100,100;\n"
        "99999999999999999999;\n1,1;\n",
    )
    write(
        "damaged_overlong.vct",
        header(5, 1, 0, 100, 0, 100, 10.0, 10.0) + "7" * 100000 + ";\n" + body([SQUARE]),
    )
    rng = random.Random(5)
    write("damaged_garbage.vct", bytes(rng.randrange(256) for _ in range(4096)))
    write("damaged_no_newline.vct", closed.replace("\n", ""))
    write("damaged_empty.vct", "")
    # A point far outside the extents the header states.
    write(
        "damaged_outside_extents.vct",
        header(3, 1, 0, 100, 0, 100, 10.0, 10.0) + body([[(0, 0), (2147483647, -50), (0, 100)]]),
    )


if __name__ == "__main__":
    main()
