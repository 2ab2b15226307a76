// What the notated-duration displays ask of the clef's display object: the
// MIDI pitches of its top, middle and bottom staff lines, the diatonic
// distance of a pitch from its middle line, and whether a pitch sits in a
// space.
//
// The clef display lives in a file of its own; each entry is set once, at
// start-up, by that file (or by a test), so that the notes depend on no clef
// file. An entry not set, or one answering -1, ends the step that asked:
// nothing changes, as with a missing clef. UI thread only.
#pragma once

class DCBase;
class DCctClef;
class ECClef;
class MCPitch;

struct NotateClefLinks {
    int (*topLinePitch)(DCctClef* clef) = nullptr;
    int (*middleLinePitch)(DCctClef* clef) = nullptr;
    int (*bottomLinePitch)(DCctClef* clef) = nullptr;
    // Steps between the middle line and the pitch, never negative.
    int (*distanceFromMiddleLine)(DCctClef* clef, MCPitch& pitch) = nullptr;
    // 1 when the pitch sits in a space of the staff, 0 on a line.
    int (*inSpace)(DCctClef* clef, MCPitch& pitch) = nullptr;
    // The clef display of a clef event, or null.
    DCctClef* (*clefDisplay)(ECClef* clef) = nullptr;
};

// The one set of entries.
NotateClefLinks& GetNotateClefLinks();

// The entry's answer, -1 when the entry is not set or the clef is null.
int ClefLinePitch(int (*entry)(DCctClef*), DCctClef* clef);
