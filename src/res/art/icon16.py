#!/usr/bin/env python3
"""Writes zef-16.svg: the console's icon drawn pixel by pixel for 16 x 16,
where the scaled drawing of zef.svg would blur.  A rounded blue tile, a wing
section in white and two streamlines in light blue."""
import sys

N = 16
ART = [
    "................",
    "................",
    "................",
    ".....cccccc.....",
    "..ccc......cc...",
    ".............cc.",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "..cccccccccccc..",
    "................",
    "................",
]
# The wing section is left to the renderer's smoothing: a white outline on the
# pixel grid, rounded nose on the left, sharp trailing edge low on the right.
WING = ("M1.8,9.4 C1.9,7.7 3.6,6.8 5.9,6.8 C8.9,6.8 11.8,8.6 14.6,10.7 "
        "C11.6,10.8 8.6,11.1 6.2,11.3 C3.8,11.5 1.8,11.2 1.8,9.4 Z")
COLOURS = {'c': '#7fdcff', 'w': '#ffffff', 'h': '#f1f5f9', 'g': '#aebdcd'}
TOP, BOTTOM = (0x0f, 0x35, 0x63), (0x1f, 0x6d, 0xb8)
RADIUS = 3.4


def coverage(x, y):
    """Share of pixel (x, y) inside the rounded square 0..16 (4 x 4 samples)."""
    inside = 0
    for sy in range(4):
        for sx in range(4):
            px, py = x + (sx + 0.5) / 4, y + (sy + 0.5) / 4
            cx = min(max(px, RADIUS), N - RADIUS)
            cy = min(max(py, RADIUS), N - RADIUS)
            if (px - cx) ** 2 + (py - cy) ** 2 <= RADIUS ** 2:
                inside += 1
    return inside / 16


def main():
    out = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{N}" height="{N}" '
           f'viewBox="0 0 {N} {N}">',
           '<!-- Icon of the Zefron console at 16 x 16, drawn pixel by pixel by icon16.py. -->']
    for y in range(N):
        t = y / (N - 1)
        bg = "#%02x%02x%02x" % tuple(round(a + (b - a) * t) for a, b in zip(TOP, BOTTOM))
        for x in range(N):
            cov = coverage(x, y)
            if cov == 0:
                continue
            ch = ART[y][x]
            colour = COLOURS.get(ch, bg)
            op = "" if cov == 1 else f' fill-opacity="{cov:.3f}"'
            out.append(f'<rect x="{x}" y="{y}" width="1" height="1" fill="{colour}"{op}/>')
    out.append('<defs><linearGradient id="wing" x1="0" y1="0" x2="0" y2="1">'
               '<stop offset="0" stop-color="#ffffff"/><stop offset="0.6" stop-color="#eef3f8"/>'
               '<stop offset="1" stop-color="#b9c7d6"/></linearGradient></defs>')
    out.append(f'<path d="{WING}" fill="url(#wing)"/>')
    out.append('</svg>')
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    assert len(ART) == N and all(len(r) == N for r in ART)
    main()
