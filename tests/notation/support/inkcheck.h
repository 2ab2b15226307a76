// The collision check of printed pages: what each recorded mark is (a
// notehead, a stem, an accidental, a staff line ...), and every pair of
// marks on one page whose ink a reader would see on top of each other.
//
// Kinds come from the element that drew a mark (its class) and, for the
// elements that draw several symbols (a note: its head, stem, flag and
// ledger lines), from the music glyph drawn: its code's glyph names in the
// music face's own table.
//
// Rules (the pairs checked):
//   - a free symbol (accidental, dot, rest, text, number, lyric, tempo mark,
//     dynamic, articulation, clef, key signature, meter) overlapping any
//     other mark but the staff lines and bar lines it stands on;
//   - two noteheads of different notes overlapping beyond a second's
//     offset (side by side they may touch; the check wants both overlaps,
//     across and up, larger than a tenth of a staff space);
//   - a beam crossing a notehead or a rest.
// The marks of one text run are one symbol (a composition's glyphs and
// shapes), and so are those of one element, except a tempo mark's: its
// note, "=" and number are set side by side and must stand clear.
// Overlaps under kTouch pixels either way are contact, not ink on ink;
// where a mark keeps its outline (a glyph, a curve, a slanted beam), the
// outlines must meet, not just the boxes: a slur's box spans what it
// arches over.
// Every contact allowed between kinds is in one table (AllowedContacts).
//
// Plain data over the recorder's marks. Any thread.
#pragma once

#include "tests/notation/support/pagerecorder.h"

#include <map>
#include <string>
#include <vector>

namespace page_check {

enum class InkKind {
    Notehead,
    Stem,
    Flag,
    LedgerLine,
    Beam,
    Accidental,
    Dot,
    Rest,
    Articulation,
    StaffLine,
    BarLine,
    Clef,
    KeySignature,
    Meter,
    TieSlur,
    Tuplet,
    Text,
    Number,
    Lyric,
    TempoMark,
    Dynamic,
    Brace,
    Other,
    Any,   // in the table of allowed contacts only: every kind
};

const char* KindName(InkKind kind);

// Two kinds whose marks may touch, and why.
struct AllowedContact {
    InkKind a;
    InkKind b;
    const char* why;
};
const std::vector<AllowedContact>& AllowedContacts();
// Whether the table allows marks of these kinds to touch.
bool IsAllowedContact(InkKind a, InkKind b);

// Overlaps smaller than this (device pixels at kDotsPerInch, either way)
// are contact only.
inline constexpr double kTouch = 2.0;

struct Ink {
    InkMark mark;
    InkKind kind = InkKind::Other;
    std::string element;   // the drawing element's class name, "" outside the walk
};

// What a mark is.
InkKind Classify(const InkMark& mark);
std::vector<Ink> ClassifyAll(const std::vector<InkMark>& marks);

struct Collision {
    int page = 0;
    Ink first;
    Ink second;

    // "page 2: Accidental (DCctAccidental [x0,y0 x1,y1]) on Notehead (DCctNote [...])".
    std::string Describe() const;
    // The pair of kinds, in a fixed order: "Accidental / Notehead".
    std::string Pair() const;
};

// The collisions on the marks' pages: one for each pair of elements and
// kinds that meet (a figure's fill and outline, a note's ledger lines are
// one collision), and one for each pair of marks drawn outside the walk.
std::vector<Collision> FindCollisions(const std::vector<InkMark>& marks);

// The collisions counted by pair of kinds.
std::map<std::string, int> CountByPair(const std::vector<Collision>& collisions);

}  // namespace page_check
