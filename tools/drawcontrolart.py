#!/usr/bin/env python3
"""Draws the shared controls' artwork into interface/controls/art/.

Run by hand when the art is redrawn; the build only embeds the .bmp files it
writes. Every picture is an 8-bit bitmap with a full 256-entry colour table,
rows bottom-up and padded to 4 bytes.

Knob, fader track and thumb use three key colours that the image manager
replaces with the user's button colours: pure blue is the button face, pure
green the highlight, pure red the shadow. Everything else is drawn in greys
and black, which no key matches. The check boxes keep pure red as their
transparent background (the list's image mask). The event icons are plain
pictures on white; the program tree's icons are drawn on pure red, their mask.

    python3 tools/drawcontrolart.py [output folder]
"""

import math
import os
import struct
import sys

# ---- the colour table --------------------------------------------------------

BLACK, FACE, HIGHLIGHT, SHADOW, WHITE, DARK, MID, LIGHT = range(8)
INK_BLUE, INK_RED, INK_GREEN, INK_BROWN = range(8, 12)

TABLE = [
    (0, 0, 0),          # black
    (0, 0, 255),        # face key (pure blue)
    (0, 255, 0),        # highlight key (pure green)
    (255, 0, 0),        # shadow key (pure red); the check boxes' mask
    (255, 255, 255),    # white
    (64, 64, 64),       # dark grey
    (128, 128, 128),    # mid grey
    (200, 200, 200),    # light grey
    (32, 64, 160),      # ink colours of the icons
    (176, 32, 32),
    (24, 120, 48),
    (128, 80, 24),
]
# The rest of the table is a grey ramp, so the file always carries 256 entries;
# none of it is a key colour.
while len(TABLE) < 256:
    level = (len(TABLE) - 12) * 255 // 243
    TABLE.append((level, level, level))


class Picture:
    def __init__(self, width, height, fill):
        self.width, self.height = width, height
        self.pixels = [[fill] * width for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, left, top, right, bottom, colour):
        for y in range(top, bottom):
            for x in range(left, right):
                self.set(x, y, colour)

    def hline(self, left, right, y, colour):
        self.rect(left, y, right, y + 1, colour)

    def vline(self, x, top, bottom, colour):
        self.rect(x, top, x + 1, bottom, colour)

    def line(self, x0, y0, x1, y1, colour):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            self.set(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps), colour)

    def polyline(self, points, colour):
        for (x0, y0), (x1, y1) in zip(points, points[1:]):
            self.line(x0, y0, x1, y1, colour)

    def bevel(self, left, top, right, bottom, fill, lit, dark):
        """A filled box, its top and left edges `lit`, its bottom and right edges `dark`."""
        self.rect(left, top, right, bottom, fill)
        self.hline(left, right, top, lit)
        self.vline(left, top, bottom, lit)
        self.hline(left, right, bottom - 1, dark)
        self.vline(right - 1, top, bottom, dark)

    def raised(self, left, top, right, bottom):
        """A raised face: highlight top and left, shadow and black bottom and right."""
        self.bevel(left, top, right, bottom, FACE, HIGHLIGHT, BLACK)
        self.hline(left + 1, right - 1, bottom - 2, SHADOW)
        self.vline(right - 2, top + 1, bottom - 1, SHADOW)

    def sunken(self, left, top, right, bottom, inside):
        """A groove: shadow top and left, highlight bottom and right."""
        self.bevel(left, top, right, bottom, inside, SHADOW, HIGHLIGHT)

    def transposed(self):
        out = Picture(self.height, self.width, 0)
        for y in range(self.height):
            for x in range(self.width):
                out.pixels[x][y] = self.pixels[y][x]
        return out

    def bmp(self, colours=None):
        """The bitmap file, with `colours` (256 RGB triples) as its table; TABLE by default."""
        stride = (self.width + 3) // 4 * 4
        rows = b"".join(bytes(self.pixels[y]) + bytes(stride - self.width) for y in reversed(range(self.height)))
        table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in (colours or TABLE))
        offset = 14 + 40 + len(table)
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 8, 0, len(rows), 2835, 2835, 256, 0)
        return struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset) + info + table + rows


# ---- dial and fader ----------------------------------------------------------

def knob():
    """43 x 42; the knob's circle fills (3, 3, 37, 37), lit from the top left."""
    pic = Picture(43, 42, FACE)
    cx, cy, r = 20, 20, 17
    for y in range(pic.height):
        for x in range(pic.width):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            if d <= r - 1.5:
                pic.set(x, y, FACE)
            elif d <= r:
                # The rim: light where it faces up and left, dark opposite.
                lit = (cx - x) + (cy - y)
                pic.set(x, y, HIGHLIGHT if lit > 3 else SHADOW if lit < -3 else MID)
            elif d <= r + 1 and (x - cx) + (y - cy) > 0:
                pic.set(x, y, BLACK)
    # Scale marks at the two ends of the sweep, outside the rim.
    for degrees in (30, 330):
        t = math.radians(270 - degrees)
        for k in (r + 2, r + 3):
            pic.set(round(cx + k * math.cos(t)), round(cy - k * math.sin(t)), DARK)
    return pic


def fader_track():
    """24 x 63, vertical: a slot down the middle of the thumb's path (4, 0, 20, 63)."""
    pic = Picture(24, 63, FACE)
    pic.sunken(10, 5, 14, 58, BLACK)
    for y in range(7, 57, 8):   # scale ticks either side
        pic.hline(3, 7, y, DARK)
        pic.hline(17, 21, y, DARK)
    return pic


def fader_thumb():
    """16 x 15, vertical: a raised cap with a grip line through its middle (offset (7, 7))."""
    pic = Picture(16, 15, FACE)
    pic.raised(0, 0, 16, 15)
    pic.hline(2, 14, 7, BLACK)
    pic.hline(2, 14, 6, SHADOW)
    pic.hline(2, 14, 8, HIGHLIGHT)
    return pic


def horizontal(pic):
    """The horizontal piece of a vertical one: turned over the diagonal, lighting kept."""
    return pic.transposed()


# ---- check boxes -------------------------------------------------------------

def check_boxes():
    """32 x 16: an empty box, then a ticked one; pure red is transparent."""
    pic = Picture(32, 16, SHADOW)
    for cell in (0, 1):
        left = cell * 16 + 1
        pic.rect(left, 1, left + 13, 14, MID)
        pic.rect(left + 1, 2, left + 12, 13, DARK)
        pic.rect(left + 2, 3, left + 11, 12, WHITE)
        pic.hline(left, left + 13, 14, WHITE)
        pic.vline(left + 13, 1, 15, WHITE)
        if cell:
            for dx, dy in ((0, 0), (0, 1), (0, 2)):
                pic.line(left + 3 + dx, 6 + dy, left + 5 + dx, 8 + dy, BLACK)
                pic.line(left + 5 + dx, 8 + dy, left + 9 + dx, 4 + dy, BLACK)
    return pic


# ---- event icons -------------------------------------------------------------

# A 3 x 5 pixel alphabet, just the characters the icons show: one row of
# every character per line, in the order of FONT_CHARACTERS.
FONT_CHARACTERS = "BCPSTXf?4"
FONT_ROWS = [
    "110 011 110 011 111 101 011 110 101",
    "101 100 101 100 010 101 010 001 101",
    "110 100 110 010 010 010 111 010 111",
    "101 100 100 001 010 101 010 000 001",
    "110 011 100 110 010 101 110 010 001",
]
GLYPHS = {ch: [row.split()[i] for row in FONT_ROWS] for i, ch in enumerate(FONT_CHARACTERS)}


def letters(pic, text, top, colour):
    left = (pic.width - (4 * len(text) - 1)) // 2
    for i, ch in enumerate(text):
        for dy, row in enumerate(GLYPHS[ch]):
            for dx, bit in enumerate(row):
                if bit == "1":
                    pic.set(left + 4 * i + dx, top + dy, colour)


def staff(pic, colour=MID):
    for y in (3, 5, 7, 9, 11):
        pic.hline(1, 15, y, colour)


def note_head(pic, x, y, colour):
    pic.rect(x, y - 1, x + 4, y + 1, colour)
    pic.hline(x + 1, x + 3, y + 1, colour)


def tile(pic, left, top, right, bottom):
    """A small raised tile in greys: icons are shown as drawn, so they use no key colour."""
    pic.bevel(left, top, right, bottom, LIGHT, WHITE, DARK)


def icon(draw):
    pic = Picture(16, 16, WHITE)
    draw(pic)
    return pic


def draw_accent(p):
    p.polyline([(3, 4), (12, 8), (3, 12)], INK_BLUE)


def draw_accidental(p):   # a sharp
    p.vline(6, 2, 14, BLACK)
    p.vline(10, 2, 14, BLACK)
    p.line(3, 7, 13, 5, BLACK)
    p.line(3, 11, 13, 9, BLACK)


def draw_bank(p):
    tile(p, 1, 1, 15, 15)
    letters(p, "B", 5, BLACK)


def draw_default(p):
    p.rect(1, 1, 15, 15, LIGHT)
    letters(p, "?", 5, DARK)


def draw_clef(p):
    staff(p)
    p.vline(8, 1, 15, INK_BLUE)
    p.polyline([(8, 2), (11, 5), (5, 10), (8, 12), (11, 9)], INK_BLUE)


def draw_conductor_staff(p):
    staff(p, DARK)
    letters(p, "T", 5, INK_RED)


def draw_controller(p):
    letters(p, "CC", 2, INK_GREEN)
    p.hline(2, 14, 10, MID)
    p.rect(9, 9, 12, 13, INK_GREEN)


def draw_dynamic(p):
    letters(p, "f", 5, INK_RED)
    p.line(2, 12, 14, 14, INK_RED)


def draw_key(p):
    staff(p)
    p.vline(4, 3, 12, BLACK)
    p.vline(6, 2, 11, BLACK)
    p.line(3, 6, 7, 5, BLACK)
    p.vline(10, 4, 13, BLACK)
    p.vline(12, 3, 12, BLACK)
    p.line(9, 9, 13, 8, BLACK)


def draw_measure(p):
    staff(p)
    p.vline(7, 3, 12, BLACK)
    p.vline(8, 3, 12, BLACK)


def draw_meter(p):   # four-four on a staff
    staff(p)
    letters(p, "4", 2, BLACK)
    letters(p, "4", 8, BLACK)


def draw_note(p):
    note_head(p, 4, 12, BLACK)
    p.vline(7, 2, 12, BLACK)
    p.line(8, 2, 11, 6, BLACK)


def draw_performance(p):
    for y in (2, 7, 12):
        tile(p, 2, y, 14, y + 3)


def draw_pitch_bend(p):
    letters(p, "P", 1, INK_BLUE)
    for x in range(2, 15):
        p.set(x, 11 - round(3 * math.sin((x - 2) / 12 * 2 * math.pi)), INK_BLUE)


def draw_program(p):
    letters(p, "PC", 2, INK_BROWN)
    p.rect(3, 10, 13, 14, INK_BROWN)
    for x in (5, 8, 11):
        p.vline(x, 10, 13, WHITE)


def draw_rest(p):   # a quarter rest's zigzag
    p.polyline([(6, 2), (9, 5), (6, 8), (9, 11), (7, 14)], BLACK)


def draw_staff(p):
    staff(p, BLACK)


def draw_system_message(p):
    p.rect(1, 3, 15, 13, LIGHT)
    letters(p, "SX", 6, INK_RED)


def draw_tempo(p):   # a metronome
    p.polyline([(4, 14), (7, 2), (8, 2), (11, 14), (4, 14)], INK_BROWN)
    p.line(8, 11, 12, 4, BLACK)


def draw_text(p):
    letters(p, "T", 1, BLACK)
    for y in (8, 10, 12):
        p.hline(2, 14 if y < 12 else 10, y, MID)


# ---- program tree icons ------------------------------------------------------

# The program tree's icons keep pure red as their background, which the tree's
# image list shows as its window colour.

def tree_icon(draw):
    pic = Picture(16, 16, SHADOW)
    draw(pic)
    return pic


def draw_group(p):   # a folder of voices
    p.rect(1, 3, 7, 5, INK_BROWN)
    p.rect(1, 5, 15, 14, INK_BROWN)
    p.rect(2, 6, 14, 13, LIGHT)
    p.hline(2, 14, 6, WHITE)


def draw_voice(p, lit=False):   # three keys of a keyboard
    p.rect(1, 2, 15, 15, BLACK)
    p.rect(2, 3, 14, 14, INK_BLUE if lit else WHITE)
    for x in (5, 9):
        p.vline(x, 3, 14, BLACK)
    for x in (4, 8, 12):
        p.rect(x, 3, x + 2, 9, BLACK)


TREE_ICONS = {
    11641: draw_group,
    11642: draw_voice,
    11643: lambda p: draw_voice(p, lit=True),   # the voice selected
}


# The icons by resource id: the event kinds they stand for.
ICONS = {
    11780: draw_accent,
    11781: draw_accidental,
    11782: draw_bank,           # bank select, either byte
    11783: draw_default,        # every kind without an icon of its own
    11784: draw_clef,
    11785: draw_conductor_staff,
    11786: draw_controller,
    11787: draw_dynamic,
    11788: draw_key,
    11789: draw_measure,        # measures of a staff and of the conductor
    11790: draw_meter,
    11791: draw_note,
    11792: draw_performance,
    11793: draw_pitch_bend,
    11794: draw_program,
    11795: draw_rest,
    11796: draw_staff,
    11797: draw_system_message,
    11798: draw_tempo,
    11799: draw_text,
}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "interface", "controls", "art")
    os.makedirs(folder, exist_ok=True)
    track, thumb = fader_track(), fader_thumb()
    pictures = {
        "knob11680": knob(),
        "htrack11690": horizontal(track),
        "hthumb11691": horizontal(thumb),
        "vtrack11692": track,
        "vthumb11693": thumb,
        "checkbox11590": check_boxes(),
    }
    for number, draw in ICONS.items():
        pictures["event%d" % number] = icon(draw)
    for number, draw in TREE_ICONS.items():
        pictures["tree%d" % number] = tree_icon(draw)
    for name, pic in pictures.items():
        with open(os.path.join(folder, name + ".bmp"), "wb") as out:
            out.write(pic.bmp())


if __name__ == "__main__":
    main()
