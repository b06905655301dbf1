#!/usr/bin/env python3
"""Writes the plot files the PLT tests read, with the stroke lines each pen must get.

  make_plt.py                 writes multi_pen.plt and multi_pen.expected here
  make_plt.py --big PATH MB   writes a plot of about MB megabytes to PATH (for timing)

The plot is generated from strokes per pen; the expected stroke lines come
from the same strokes, not from reading the plot back.
"""
import os
import random
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def multi_pen():
    # (pen number, [(x, y), ...]) runs in plot order; pen 1 comes back later.
    runs = [
        (1, [(0, 0), (4000, 0), (4000, 3000), (0, 3000), (0, 0)]),
        (2, [(500, 500), (1500, 2500)]),
        (4, [(-200, 1000), (800, -100), (1800, 1000)]),
        (1, [(2000, 1500), (2600, 1500)]),
        (2, [(3000, 200), (3500, 2800), (3900, 200)]),
    ]
    out = ["IN;", "LT;", "VS10;"]
    expected = {}
    current = None
    for i, (pen, points) in enumerate(runs):
        if pen != current:
            # Lower case on one selection, upper case elsewhere.
            out.append(("sp%d;" if i == 2 else "SP%d;") % pen)
            current = pen
        x0, y0 = points[0]
        out.append("PU%d,%d;" % (x0, y0))
        lines = expected.setdefault(pen - 1, [])
        lines.append("0 %d %d;" % (x0, y0))
        for j, (x, y) in enumerate(points[1:]):
            # Only a command's first pair counts, so every point gets its own
            # command: PD for the first, PA (pen down) for the rest.
            out.append(("PD%d,%d;" if j == 0 else "PA%d,%d;") % (x, y))
            lines.append("1 %d %d;" % (x, y))
        out.append("PU;")
    out.append("SP0;")
    xs = [x for _, pts in runs for x, _ in pts]
    ys = [y for _, pts in runs for _, y in pts]
    # CR LF between commands, as plotter drivers write them.
    plot = "\r\n".join(out) + "\r\n"
    # First the extents, then each stroke line after its pen index 0..7.
    exp = ["%d %d %d %d" % (min(xs), min(ys), max(xs), max(ys))]
    for pen in sorted(expected):
        exp.extend("%d %s" % (pen, line) for line in expected[pen])
    with open(os.path.join(HERE, "multi_pen.plt"), "w", newline="") as f:
        f.write(plot)
    with open(os.path.join(HERE, "multi_pen.expected"), "w", newline="\n") as f:
        f.write("\n".join(exp) + "\n")


def big(path, megabytes):
    rnd = random.Random(5)
    limit = megabytes * 1024 * 1024
    size = 0
    with open(path, "w", newline="") as f:
        f.write("IN;SP1;")
        pen = 1
        while size < limit:
            parts = []
            if rnd.random() < 0.01:
                pen = rnd.randint(1, 8)
                parts.append("SP%d;" % pen)
            parts.append("PU%d,%d;" % (rnd.randint(0, 40000), rnd.randint(0, 40000)))
            for _ in range(50):
                parts.append("PD%d,%d;" % (rnd.randint(0, 40000), rnd.randint(0, 40000)))
            chunk = "\n".join(parts) + "\n"
            f.write(chunk)
            size += len(chunk)


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "--big":
        big(sys.argv[2], int(sys.argv[3]))
    elif len(sys.argv) == 1:
        multi_pen()
    else:
        sys.exit(__doc__)
