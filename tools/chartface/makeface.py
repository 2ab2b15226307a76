#!/usr/bin/python3
"""Builds the chord-chart face ("Fretmark") from the fingering table beside it.

    makeface.py FINGERINGS OUTPUT.ttf

Each chart is a guitar chord diagram: six strings (the low E at the left), a
grid of four frets, a dot on every string held, a ring over an open string
and a cross over a muted one. A chart that reaches above the fourth fret
starts its grid at its lowest fret held and writes that fret's number to the
right of the grid's first space; a chart at the first position has a heavy
nut instead. The chart of root r (0 = C) and type t is character 33 + 18 r + t
and glyph "chart<code>", so the notation's glyph numbers and the face agree.

The table is checked before anything is written: every root and type once, in
order, six strings each. A wrong table stops the build with a message naming
its line.
"""
import math
import os
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen

ROOTS = ["C", "C#", "D", "Eb", "E", "F", "F#", "G", "Ab", "A", "Bb", "B"]
TYPES = ["maj", "7", "min", "dim7", "min6", "min7", "aug", "6", "9", "maj7", "add9",
         "maj7add9", "6/9", "min9", "min6/9", "min7b5", "sus4", "7sus4"]
FIRST_CODE = 33
STRINGS = 6

# The design, in units of a 1000-unit em, y up from the baseline. The chart
# stands well above the baseline: the notation writes it with its cell's top
# two noteheads over the symbol's position and frames it three noteheads high,
# so at the usual sizes (a chart em of three and a half noteheads) the ink
# keeps between a quarter and one em over the baseline.
EM = 1000
ASCENT, DESCENT = 800, 200
GRID_LEFT = 100             # the low E string
STRING_GAP = 90
GRID_BOTTOM = 250
FRET_GAP = 130
FRETS_SHOWN = 4
GRID_TOP = GRID_BOTTOM + FRETS_SHOWN * FRET_GAP
LINE = 24                   # strings and frets
NUT = 60                    # the nut over a chart at the first position
DOT_RADIUS = 40
MARK_RADIUS = 34            # open and muted marks over the grid
MARK_LINE = 16
MARK_Y = GRID_TOP + NUT + 30 + MARK_RADIUS
DIGIT_LEFT = GRID_LEFT + (STRINGS - 1) * STRING_GAP + 75
DIGIT_WIDTH, DIGIT_HEIGHT, DIGIT_LINE, DIGIT_GAP = 60, 110, 18, 20
ADVANCE = 800


class TableError(Exception):
    pass


def read_table(path):
    """The charts in face order: a list of six entries each (None muted, else the fret)."""
    charts = []
    with open(path, encoding="utf-8") as table:
        for number, line in enumerate(table, 1):
            text = line.split()
            if not text or text[0].startswith("#"):
                continue        # a comment line (a root's "#" is no comment)
            where = f"{path}:{number}"
            if len(text) != 2 + STRINGS:
                raise TableError(f"{where}: a root, a type and {STRINGS} strings expected")
            index = len(charts)
            if index >= len(ROOTS) * len(TYPES):
                raise TableError(f"{where}: more charts than roots and types")
            root, kind = ROOTS[index // len(TYPES)], TYPES[index % len(TYPES)]
            if text[0] != root or text[1] != kind:
                raise TableError(f"{where}: {root} {kind} expected here, found {text[0]} {text[1]}")
            strings = []
            for field in text[2:]:
                if field.lower() == "x":
                    strings.append(None)
                elif field.isdigit() and int(field) <= 24:
                    strings.append(int(field))
                else:
                    raise TableError(f"{where}: '{field}' is no fret")
            if all(fret is None for fret in strings):
                raise TableError(f"{where}: every string muted")
            charts.append(strings)
    if len(charts) != len(ROOTS) * len(TYPES):
        raise TableError(f"{path}: {len(charts)} charts, {len(ROOTS) * len(TYPES)} expected")
    return charts


# ---- outlines (TrueType fills clockwise contours; holes run the other way) ----

def rect(pen, left, bottom, right, top):
    pen.moveTo((left, bottom))
    pen.lineTo((left, top))
    pen.lineTo((right, top))
    pen.lineTo((right, bottom))
    pen.closePath()


def polygon(pen, points):
    pen.moveTo(points[0])
    for point in points[1:]:
        pen.lineTo(point)
    pen.closePath()


def circle_points(cx, cy, radius, clockwise=True, sides=24):
    points = []
    for i in range(sides):
        angle = 2 * math.pi * i / sides
        points.append((round(cx + radius * math.cos(angle)), round(cy + radius * math.sin(angle))))
    return points[::-1] if clockwise else points


def dot(pen, cx, cy, radius):
    polygon(pen, circle_points(cx, cy, radius))


def ring(pen, cx, cy, radius, thickness):
    polygon(pen, circle_points(cx, cy, radius))
    polygon(pen, circle_points(cx, cy, radius - thickness, clockwise=False))


def bar(pen, x0, y0, x1, y1, thickness):
    """A straight stroke from (x0, y0) to (x1, y1)."""
    length = math.hypot(x1 - x0, y1 - y0)
    nx, ny = -(y1 - y0) / length * thickness / 2, (x1 - x0) / length * thickness / 2
    corners = [(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)]
    polygon(pen, [(round(x), round(y)) for x, y in corners])


def cross(pen, cx, cy, radius, thickness):
    d = radius * 0.8
    bar(pen, cx - d, cy - d, cx + d, cy + d, thickness)
    bar(pen, cx - d, cy + d, cx + d, cy - d, thickness)


# The digits as seven segments: a top, b upper right, c lower right, d bottom,
# e lower left, f upper left, g middle.
SEGMENTS = {
    "0": "abcdef", "1": "bc", "2": "abged", "3": "abgcd", "4": "fgbc",
    "5": "afgcd", "6": "afgedc", "7": "abc", "8": "abcdefg", "9": "abcdfg",
}


def digit(pen, char, left, bottom):
    w, h, t = DIGIT_WIDTH, DIGIT_HEIGHT, DIGIT_LINE
    middle = bottom + h / 2
    spans = {
        "a": (left, bottom + h - t, left + w, bottom + h),
        "d": (left, bottom, left + w, bottom + t),
        "g": (left, middle - t / 2, left + w, middle + t / 2),
        "b": (left + w - t, middle, left + w, bottom + h),
        "c": (left + w - t, bottom, left + w, middle),
        "e": (left, bottom, left + t, middle),
        "f": (left, middle, left + t, bottom + h),
    }
    for segment in SEGMENTS[char]:
        x0, y0, x1, y1 = spans[segment]
        rect(pen, round(x0), round(y0), round(x1), round(y1))


def string_x(string):
    return GRID_LEFT + string * STRING_GAP


def draw_chart(pen, strings):
    held = [fret for fret in strings if fret]
    # A chart that fits the first four frets is drawn from the nut.
    first = 1 if not held or max(held) <= FRETS_SHOWN else min(held)
    right = string_x(STRINGS - 1)
    for string in range(STRINGS):
        x = string_x(string)
        rect(pen, x - LINE // 2, GRID_BOTTOM, x + LINE // 2, GRID_TOP)
    for fret in range(FRETS_SHOWN + 1):
        y = GRID_BOTTOM + fret * FRET_GAP
        rect(pen, GRID_LEFT - LINE // 2, y - LINE // 2, right + LINE // 2, y + LINE // 2)
    if first == 1:
        rect(pen, GRID_LEFT - LINE // 2, GRID_TOP, right + LINE // 2, GRID_TOP + NUT)
    else:
        number = str(first)
        top = GRID_TOP - FRET_GAP // 2 + DIGIT_HEIGHT // 2
        for i, char in enumerate(number):
            digit(pen, char, DIGIT_LEFT + i * (DIGIT_WIDTH + DIGIT_GAP), top - DIGIT_HEIGHT)
    for string, fret in enumerate(strings):
        x = string_x(string)
        if fret is None:
            cross(pen, x, MARK_Y, MARK_RADIUS, MARK_LINE)
        elif fret == 0:
            ring(pen, x, MARK_Y, MARK_RADIUS, MARK_LINE)
        else:
            row = fret - first           # 0: the grid's first space
            dot(pen, x, GRID_TOP - row * FRET_GAP - FRET_GAP // 2, DOT_RADIUS)


def build_face(charts, output):
    names = [".notdef"] + [f"chart{FIRST_CODE + i}" for i in range(len(charts))]
    glyphs = {}
    empty = TTGlyphPen(None)
    glyphs[".notdef"] = empty.glyph()
    for i, strings in enumerate(charts):
        pen = TTGlyphPen(None)
        draw_chart(pen, strings)
        glyphs[names[i + 1]] = pen.glyph()

    builder = FontBuilder(EM, isTTF=True)
    builder.setupGlyphOrder(names)
    builder.setupCharacterMap({FIRST_CODE + i: names[i + 1] for i in range(len(charts))})
    builder.setupGlyf(glyphs)
    metrics = {}
    for name in names:
        glyph = glyphs[name]
        glyph.recalcBounds(None)
        metrics[name] = (ADVANCE, getattr(glyph, "xMin", 0))
    builder.setupHorizontalMetrics(metrics)
    builder.setupHorizontalHeader(ascent=ASCENT, descent=-DESCENT)
    builder.setupNameTable({"familyName": "Fretmark", "styleName": "Regular"})
    builder.setupOS2(sTypoAscender=ASCENT, sTypoDescender=-DESCENT, sTypoLineGap=0,
                     usWinAscent=ASCENT, usWinDescent=DESCENT, achVendID="NONE")
    builder.setupPost(keepGlyphNames=True)
    # Written whole or not at all: a build stopped halfway leaves no face
    # that looks up to date.
    partial = output + ".partial"
    builder.save(partial)
    os.replace(partial, output)


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    try:
        charts = read_table(argv[1])
    except (OSError, TableError) as error:
        print(f"makeface: {error}", file=sys.stderr)
        return 1
    build_face(charts, argv[2])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
