#!/usr/bin/env python3
"""Draws the program's own artwork into app/art/.

Run by hand when the art is redrawn; the build only embeds the .bmp files it
writes (interface/controls/art/embed.cmake). Pictures are 8-bit bitmaps with
the colour table of tools/drawcontrolart.py.

- splash200: the picture of the splash and About window. The lower band is
  kept plain, since the version and status lines are drawn over it.
- icon<n>: the program's icons, 32 x 32 on white: 144 the program, 129 a
  document template, 131 a music document, 132 a MIDI file, 133 a song file,
  20521 the tip of the day's bulb.

Into app/art/buttons1 and app/art/buttons2, the faces of the bars' buttons
for light and for dark button colours: each named by the button's prefix and
its state, 0 up, 1 down, 2 disabled ("Play0", "Play1", "Play2"). Their
background is magenta, the key the bars show in the button-face colour; the
File bar's faces draw their edges in the highlight key (pure green) and the
shadow key (pure red), which the bar shows in the user's colours too.

Into app/art/wallpaper, the workspace backgrounds: tiles numbered 0x6000 + n.

Into app/art/named, bitmaps of the program found by name: the Reorder
Staves page's arrows "MOVEUP0"/"MOVEUP1" and "MOVEDOWN0"/"MOVEDOWN1" (state
0 up, 1 pressed, the arrow moved by one), 16 x 16 on pure blue, the
transparent colour those buttons name.

    python3 tools/drawappart.py [output folder]
"""

import os
import sys

from drawcontrolart import (BLACK, DARK, FACE, INK_BLUE, INK_BROWN, INK_GREEN, INK_RED, LIGHT, MID, TABLE, WHITE,
                            Picture)

# The grey ramp of the table starts at entry 12 (black) and ends at 255 (white).
def grey(level):
    return 12 + max(0, min(243, level * 243 // 255))


def note(pic, x, y, stem, colour):
    """A filled note head of 9 x 7 with its stem going up `stem` pixels."""
    for dy in range(-3, 4):
        half = 4 - abs(dy) // 2
        pic.hline(x - half, x + half + 1, y + dy, colour)
    if stem:
        pic.rect(x + 4, y - stem, x + 6, y, colour)


def splash():
    width, height = 420, 260
    pic = Picture(width, height, WHITE)
    # A sky from mid grey at the top to white where the text goes.
    for y in range(height - 70):
        pic.hline(0, width, y, grey(150 + 105 * y // (height - 70)))
    # The staff, with a bar line at each end.
    top, space = 60, 12
    for line in range(5):
        pic.rect(30, top + line * space, width - 30, top + line * space + 2, BLACK)
    pic.rect(30, top, 32, top + 4 * space + 2, BLACK)
    pic.rect(width - 32, top, width - 30, top + 4 * space + 2, BLACK)
    # A rising phrase of notes in the ink colours.
    colours = [INK_BLUE, INK_RED, INK_GREEN, INK_BROWN]
    for i in range(12):
        step = (i * 5) % 9
        y = top + 4 * space - step * space // 2 + 1
        note(pic, 70 + i * 26, y, 34, colours[i % len(colours)])
    # The band for the version and status lines, set off by a rule.
    pic.rect(0, height - 70, width, height - 68, DARK)
    pic.rect(0, 0, width, 2, DARK)
    return pic


def page(pic, fold_colour=MID):
    """A sheet of paper with a folded corner, the base of the document icons."""
    pic.rect(6, 2, 26, 30, WHITE)
    pic.polyline([(6, 2), (20, 2), (26, 8), (26, 30), (6, 30), (6, 2)], BLACK)
    pic.polyline([(20, 2), (20, 8), (26, 8)], fold_colour)


def small_staff(pic, top, colour=MID):
    for line in range(5):
        pic.hline(8, 25, top + 2 * line, colour)


def icon(draw):
    pic = Picture(32, 32, WHITE)
    draw(pic)
    return pic


def draw_program(p):
    p.rect(2, 6, 30, 26, LIGHT)
    for line in range(5):
        p.hline(3, 29, 9 + 3 * line, BLACK)
    note(p, 10, 18, 10, INK_BLUE)
    note(p, 20, 12, 10, INK_RED)


def draw_template(p):
    page(p)
    small_staff(p, 10, LIGHT)
    p.rect(10, 22, 22, 24, INK_GREEN)


def draw_document(p):
    page(p)
    small_staff(p, 12)
    note(p, 13, 18, 6, INK_BLUE)
    note(p, 20, 14, 6, INK_BLUE)


def draw_midi(p):
    page(p)
    # A five-pin socket.
    for y in range(12, 25):
        for x in range(9, 24):
            if (x - 16) ** 2 + (y - 18) ** 2 <= 36:
                p.set(x, y, DARK)
    for x, y in ((12, 18), (20, 18), (13, 15), (19, 15), (16, 14)):
        p.set(x, y, WHITE)


def draw_song(p):
    page(p)
    small_staff(p, 12)
    p.rect(10, 24, 23, 26, INK_BROWN)


def draw_bulb(p):
    for y in range(4, 20):
        for x in range(6, 26):
            if (x - 16) ** 2 + (y - 12) ** 2 <= 64:
                p.set(x, y, INK_BROWN if (x - 16) ** 2 + (y - 12) ** 2 > 49 else LIGHT)
    p.rect(12, 20, 21, 27, MID)
    for y in (21, 23, 25):
        p.hline(12, 21, y, DARK)


# ---- button faces -------------------------------------------------------------

# The faces' own table: the ink indices as in TABLE, with the key colours the
# bars replace.
MAGENTA_KEY, GREEN_KEY, RED_KEY = 1, 2, 3
FACE_TABLE = [(0, 0, 0), (255, 0, 255), (0, 255, 0), (255, 0, 0)] + TABLE[4:]

FACE_WIDTH, FACE_HEIGHT = 24, 22


def glyph_new(p, ink):
    p.polyline([(4, 1), (10, 1), (13, 4), (13, 15), (4, 15), (4, 1)], ink)
    p.polyline([(10, 1), (10, 4), (13, 4)], ink)


def glyph_open(p, ink):
    p.polyline([(1, 4), (5, 4), (6, 5), (12, 5), (12, 13), (1, 13), (1, 4)], ink)
    p.polyline([(3, 8), (15, 8), (12, 13)], ink)


def glyph_save(p, ink):
    p.polyline([(2, 2), (13, 2), (14, 3), (14, 14), (2, 14), (2, 2)], ink)
    p.rect(5, 2, 11, 6, ink)
    p.rect(5, 9, 12, 14, ink)


def glyph_print(p, ink):
    p.polyline([(4, 1), (11, 1), (11, 6)], ink)
    p.vline(4, 1, 6, ink)
    p.polyline([(1, 6), (14, 6), (14, 11), (1, 11), (1, 6)], ink)
    p.polyline([(4, 9), (11, 9), (11, 14), (4, 14), (4, 9)], ink)


def glyph_select(p, ink):
    for y in range(1, 12):
        p.hline(3, 3 + min(y, 8), y, ink)
    p.line(7, 10, 10, 15, ink)
    p.line(8, 10, 11, 15, ink)


def glyph_insert(p, ink):   # a pencil
    for i in range(10):
        p.rect(3 + i, 12 - i, 5 + i, 14 - i, ink)
    p.set(2, 14, ink)


def glyph_erase(p, ink):
    for i in range(7):
        p.hline(2 + i, 9 + i, 12 - i, ink)
        p.hline(2 + i, 9 + i, 13 - i, ink)
    p.hline(1, 15, 14, ink)


def glyph_palette(p, ink):
    for y in (3, 6, 9, 12):
        p.hline(1, 15, y, ink)
    note(p, 6, 10, 7, ink)


def glyph_mixer(p, ink):
    for x, knob in ((3, 9), (8, 4), (13, 11)):
        p.vline(x, 1, 15, ink)
        p.rect(x - 2, knob, x + 3, knob + 3, ink)


def glyph_properties(p, ink):
    for y in (3, 7, 11):
        p.rect(2, y, 4, y + 2, ink)
        p.hline(6, 14, y + 1, ink)


def glyph_step(p, ink):
    note(p, 5, 11, 8, ink)
    p.rect(11, 4, 13, 14, ink)


def glyph_record(p, ink, red=INK_RED):
    for y in range(3, 14):
        for x in range(2, 14):
            if (x - 7.5) ** 2 + (y - 8) ** 2 <= 25:
                p.set(x, y, red if ink != MID else ink)


def glyph_pause(p, ink):
    p.rect(4, 3, 7, 14, ink)
    p.rect(9, 3, 12, 14, ink)


def glyph_stop(p, ink):
    p.rect(3, 3, 13, 13, ink)


def triangle(p, left, right, ink):
    """A triangle pointing right (left < right) or left, 11 high."""
    step = 1 if right > left else -1
    for i, x in enumerate(range(left, right, step)):
        p.vline(x, 3 + i, 14 - i, ink)


def glyph_play(p, ink):
    triangle(p, 4, 10, ink)


def glyph_previous(p, ink):
    p.rect(3, 3, 5, 14, ink)
    triangle(p, 11, 5, ink)


def glyph_next(p, ink):
    triangle(p, 4, 10, ink)
    p.rect(11, 3, 13, 14, ink)


def glyph_rewind(p, ink):
    triangle(p, 8, 2, ink)
    triangle(p, 14, 8, ink)


def glyph_forward(p, ink):
    triangle(p, 2, 8, ink)
    triangle(p, 8, 14, ink)


# Prefix, glyph and whether the face's edges use the key colours (the File bar).
FACES = [
    ("New", glyph_new, True), ("Open", glyph_open, True), ("Save", glyph_save, True),
    ("Print", glyph_print, True),
    ("Select", glyph_select, False), ("Insert", glyph_insert, False), ("Erase", glyph_erase, False),
    ("Palette", glyph_palette, False), ("Mixer", glyph_mixer, False), ("Properties", glyph_properties, False),
    ("Step", glyph_step, False), ("Record", glyph_record, False), ("Pause", glyph_pause, False),
    ("Stop", glyph_stop, False), ("Play", glyph_play, False), ("Previous", glyph_previous, False),
    ("Next", glyph_next, False), ("Rewind", glyph_rewind, False), ("Forward", glyph_forward, False),
]


def face(glyph, keyed, state, dark):
    """One state of a face: 0 up (raised), 1 down (sunken, the glyph moved by
    one), 2 disabled (flat, the glyph in grey)."""
    pic = Picture(FACE_WIDTH, FACE_HEIGHT, MAGENTA_KEY)
    if keyed:
        lit, shade = GREEN_KEY, RED_KEY
    else:
        lit, shade = (LIGHT, BLACK) if dark else (WHITE, DARK)
    right, bottom = FACE_WIDTH - 1, FACE_HEIGHT - 1
    if state != 2:
        top_left, bottom_right = (lit, shade) if state == 0 else (shade, lit)
        pic.hline(0, right, 0, top_left)
        pic.vline(0, 0, bottom, top_left)
        pic.hline(0, right + 1, bottom, bottom_right)
        pic.vline(right, 0, bottom + 1, bottom_right)
    ink = MID if state == 2 else (WHITE if dark else BLACK)
    inner = Picture(16, 16, None)
    glyph(inner, ink)
    shift = 1 if state == 1 else 0
    for y in range(16):
        for x in range(16):
            if inner.pixels[y][x] is not None:
                pic.set(4 + x + shift, 3 + y + shift, inner.pixels[y][x])
    return pic


# ---- arrow buttons ------------------------------------------------------------

ARROW_SIZE = 16


def arrow(up, state):
    """A filled arrow on the face key: a triangle over (or under) a stem."""
    pic = Picture(ARROW_SIZE, ARROW_SIZE, FACE)
    shift = 1 if state == 1 else 0
    for i in range(6):
        y = 3 + i if up else 12 - i
        pic.hline(7 - i + shift, 9 + i + shift, y + shift, BLACK)
    stem = (9, 14) if up else (2, 7)
    pic.rect(6 + shift, stem[0] + shift, 10 + shift, stem[1] + shift, BLACK)
    return pic


# ---- wallpapers ----------------------------------------------------------------

def ramp_table(dark, light):
    """256 colours from `dark` to `light`."""
    return [tuple(d + (l - d) * i // 255 for d, l in zip(dark, light)) for i in range(256)]


def manuscript():
    """Cream paper with groups of five faint staff lines."""
    pic = Picture(96, 96, 255)
    for group in (10, 58):
        for line in range(5):
            pic.hline(0, 96, group + 5 * line, 200)
    return pic, ramp_table((120, 90, 50), (250, 244, 226))


def slate():
    """A dark blue-grey stone with a fixed speckle."""
    pic = Picture(96, 96, 120)
    seed = 12345
    for y in range(96):
        for x in range(96):
            seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
            pic.set(x, y, 110 + (seed >> 16) % 24)
    return pic, ramp_table((20, 26, 36), (140, 150, 170))


def linen():
    """A woven cloth: alternating threads across and down."""
    pic = Picture(96, 96, 0)
    for y in range(96):
        for x in range(96):
            over = ((x // 3) + (y // 3)) % 2
            pic.set(x, y, 200 + 30 * over + (x % 3 == 1) * 10)
    return pic, ramp_table((150, 130, 100), (245, 238, 220))


# Name and drawing of wallpaper 0x6000 + index; app/art/wallpaper/names.cpp
# gives the library the same names.
WALLPAPERS = [("Manuscript Paper", manuscript), ("Slate", slate), ("Linen", linen)]


ICONS = {144: draw_program, 129: draw_template, 131: draw_document, 132: draw_midi,
         133: draw_song, 20521: draw_bulb}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "app", "art")
    os.makedirs(folder, exist_ok=True)
    pictures = {"splash200": splash()}
    for number, draw in ICONS.items():
        pictures["icon%d" % number] = icon(draw)
    write(folder, {name: (pic, None) for name, pic in pictures.items()})
    for library, dark in (("buttons1", False), ("buttons2", True)):
        faces = {}
        for prefix, glyph, keyed in FACES:
            for state in range(3):
                faces["%s%d" % (prefix, state)] = (face(glyph, keyed, state, dark), FACE_TABLE)
        write(os.path.join(folder, library), faces)
    tiles = {}
    for n, (_, draw) in enumerate(WALLPAPERS):
        tiles["wallpaper%d" % (0x6000 + n)] = draw()
    write(os.path.join(folder, "wallpaper"), tiles)
    arrows = {}
    for name, up in (("MOVEUP", True), ("MOVEDOWN", False)):
        for state in range(2):
            arrows["%s%d" % (name, state)] = (arrow(up, state), None)
    write(os.path.join(folder, "named"), arrows)


def write(folder, pictures):
    """Writes each (picture, table) as <name>.bmp into `folder`."""
    os.makedirs(folder, exist_ok=True)
    for name, (pic, table) in pictures.items():
        with open(os.path.join(folder, name + ".bmp"), "wb") as out:
            out.write(pic.bmp(table))


if __name__ == "__main__":
    main()
