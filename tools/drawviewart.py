#!/usr/bin/env python3
"""Draws the notation view's button faces into notation/view/art/.

Run by hand when the art is redrawn; the build only embeds the .bmp files it
writes. Each face comes in three states: 0 up, 1 pressed (shifted one pixel
down and right), 2 disabled (in grey). The background is pure blue, the
colour the buttons take as transparent. The bitmaps are those of
tools/drawcontrolart.py (8-bit, its colour table).

    python3 tools/drawviewart.py [output folder]
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from drawcontrolart import BLACK, FACE, MID, WHITE, Picture  # noqa: E402


def magnifier(pic, dx, dy, ink, plus):
    """A lens with a handle, a minus (or plus) inside it."""
    cx, cy, r = 6 + dx, 6 + dy, 5
    for y in range(pic.height):
        for x in range(pic.width):
            d = (x - cx) ** 2 + (y - cy) ** 2
            if (r - 1) ** 2 <= d <= r ** 2 + 1:
                pic.set(x, y, ink)
    pic.hline(cx - 2, cx + 3, cy, ink)
    if plus:
        pic.vline(cx, cy - 2, cy + 3, ink)
    for i in range(4):
        pic.rect(cx + 4 + i, cy + 4 + i, cx + 6 + i, cy + 6 + i, ink)


def ruler(pic, dx, dy, ink):
    """A ruler lying across the face, ticks along its top edge."""
    left, right, top, bottom = 3 + dx, pic.width - 3 + dx, 4 + dy, pic.height - 4 + dy
    pic.rect(left, top, right, bottom, WHITE)
    pic.hline(left, right, top, ink)
    pic.hline(left, right, bottom - 1, ink)
    pic.vline(left, top, bottom, ink)
    pic.vline(right - 1, top, bottom, ink)
    for i, x in enumerate(range(left + 3, right - 2, 3)):
        pic.vline(x, top, top + (4 if i % 4 == 0 else 2), ink)


def arrows(pic, dx, dy, ink, up):
    """Two stacked triangles pointing up or down."""
    for base in (3, 8):
        for row in range(4):
            y = base + row if up else pic.height - 1 - base - row
            pic.hline(pic.width // 2 - row + dx, pic.width // 2 + row + 1 + dx, y + dy, ink)


FACES = {
    "ZOOMOUT": (16, 16, lambda p, dx, dy, ink: magnifier(p, dx, dy, ink, False)),
    "ZOOMIN": (16, 16, lambda p, dx, dy, ink: magnifier(p, dx, dy, ink, True)),
    "RULER": (48, 16, ruler),
    "PAGEUP": (16, 16, lambda p, dx, dy, ink: arrows(p, dx, dy, ink, True)),
    "PAGEDOWN": (16, 16, lambda p, dx, dy, ink: arrows(p, dx, dy, ink, False)),
}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "notation", "view", "art")
    os.makedirs(folder, exist_ok=True)
    for name, (width, height, draw) in FACES.items():
        for state, (dx, dy, ink) in enumerate([(0, 0, BLACK), (1, 1, BLACK), (0, 0, MID)]):
            pic = Picture(width, height, FACE)
            draw(pic, dx, dy, ink)
            with open(os.path.join(folder, "%s%d.bmp" % (name, state)), "wb") as out:
                out.write(pic.bmp())


if __name__ == "__main__":
    main()
