#!/usr/bin/env python3
"""Writes samples/SEGMENTS.TXT: a plate as another CAD program hands it over.

Every curve of it is a chain of short line segments, as drawings that come
through DXF or from a PDF conversion hold them: flattened with uneven steps,
the vertices rounded to 0.001, the segments shuffled and some of them turned
round. The outline is a rectangle with rounded corners; there are holes, a
slot, an elliptic window, a hexagon nut and a triangle that must stay as
they are. `q527-cli --restore` gives the curves back. Run it from anywhere;
it writes next to itself. The same file comes out every time.
"""
import math
import pathlib
import random

rng = random.Random(527)


def flatten(cx, cy, r, start, sweep, steps, flat=1.0, tilt=0.0):
    """A piece of an ellipse as vertices, each step 0.6 to 1.4 of the even one."""
    weights = [rng.uniform(0.6, 1.4) for _ in range(steps)]
    total = sum(weights)
    t, points = start, []
    for k in range(steps + 1):
        u, v = r * math.cos(t), r * flat * math.sin(t)
        points.append((cx + u * math.cos(tilt) - v * math.sin(tilt),
                       cy + u * math.sin(tilt) + v * math.cos(tilt)))
        if k < steps:
            t += sweep * weights[k] / total
    if abs(abs(sweep) - 2 * math.pi) < 1e-12:
        points[-1] = points[0]
    return points


def segments(points):
    rounded = [(round(x, 3), round(y, 3)) for x, y in points]
    return [(a, b) for a, b in zip(rounded, rounded[1:]) if a != b]


def rounded_rectangle(x0, y0, x1, y1, r):
    corners = [(x1 - r, y1 - r, 0), (x0 + r, y1 - r, 1), (x0 + r, y0 + r, 2), (x1 - r, y0 + r, 3)]
    points = []
    for cx, cy, q in corners:
        points += flatten(cx, cy, r, q * math.pi / 2, math.pi / 2, 10)
    return points + [points[0]]


def slot(cx, cy, length, r):
    right = flatten(cx + length / 2, cy, r, -math.pi / 2, math.pi, 14)
    left = flatten(cx - length / 2, cy, r, math.pi / 2, math.pi, 14)
    return right + left + [right[0]]


def regular(cx, cy, r, n):
    return [(cx + r * math.cos(2 * math.pi * k / n), cy + r * math.sin(2 * math.pi * k / n))
            for k in range(n)] + [(cx + r, cy)]


def main():
    figures = [
        segments(rounded_rectangle(0, 0, 200, 120, 15)),
        segments(slot(100, 95, 60, 8)),
        segments(flatten(100, 50, 30, 0, 2 * math.pi, 40, flat=0.5, tilt=0.2)),
        segments(flatten(160, 30, 12, 0, 2 * math.pi, 36)),
        segments(regular(40, 35, 8, 6)),
        segments([(20, 80), (45, 80), (30, 100), (20, 80)]),
        # Two holes and an arc of a keyhole beside the nut.
        segments(flatten(40, 35, 4, 0, 2 * math.pi, 24)),
        segments(flatten(160, 90, 6, 0, 2 * math.pi, 30)),
        segments(flatten(160, 90, 14, math.radians(200), math.radians(140), 20)),
    ]
    lines = [seg for figure in figures for seg in figure]
    rng.shuffle(lines)
    text = ['hk 0', 'lg0', 'ly0', 'lc2', 'lt1', 'lw0']
    for a, b in lines:
        if rng.random() < 0.5:
            a, b = b, a
        text.append('%.3f %.3f %.3f %.3f' % (a[0], a[1], b[0], b[1]))
    path = pathlib.Path(__file__).with_name('SEGMENTS.TXT')
    path.write_bytes(('\r\n'.join(text) + '\r\n').encode('ascii'))


if __name__ == '__main__':
    main()
