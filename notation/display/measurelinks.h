// What the staff measure's display asks of display classes that live in
// files of their own: the conductor measure's (its ruler and the y it gives a
// staff measure), the clef's (its line pitches and the pitch of a staff
// position under a key) and the mirror's (what it shows and where).
//
// Each entry is set once, at start-up, by the file of the class that answers
// it, so that the measure's file depends on none of them. An entry not set,
// or one that answers "missing" (a null ruler, -1 for a pitch, 0 for a
// placement), ends the step that asked, as a missing display object does:
// nothing is drawn or placed, the output stays as it was.
//
// The clef and key arrive as events; the entry finds their display objects.
// UI thread only.
#pragma once

#include <cstdint>

class DCBase;
class ECBase;
class ECClef;
class ECConductor;
class ECKey;
class ECMeasure;
class MCRuler;
class MCRulerRuler;

struct MeasureLinks {
    // The conductor measure's ruler, or null when `display` is not the display
    // object of a conductor measure.
    MCRulerRuler* (*conductorRuler)(DCBase* display) = nullptr;
    // 1 with `y` the y that the conductor measure's display gives `measure`
    // within its system; 0 when `display` is not a conductor measure's.
    int (*measureY)(DCBase* display, ECMeasure* measure, int& y) = nullptr;

    // The clef's top-, middle- and bottom-line MIDI pitches; -1 when the clef
    // has no display object.
    int (*topLinePitch)(ECClef* clef) = nullptr;
    int (*middleLinePitch)(ECClef* clef) = nullptr;
    int (*bottomLinePitch)(ECClef* clef) = nullptr;
    // The MIDI pitch at a staff position (half-spaces from the top line,
    // upward) under the clef and key (`key` may be null: no accidentals);
    // -1 when the clef has no display object.
    int (*staffLineToMidiPitch)(ECClef* clef, short position, ECKey* key) = nullptr;

    // Gives the mirror's display object the display object of the event it
    // shows and its location and prologue bits.
    void (*setMirrorData)(DCBase* mirror, DCBase* shown, int location, int prolog) = nullptr;
};

// The one set of entries.
MeasureLinks& GetMeasureLinks();

// ---- the measure look-ups the clef and key displays use (measurelinks.cpp) ----
//
// What the clef and key displays read of the measure displays around them:
// the conductor measure at a staff measure's time with its ruler, and the
// left-hand offset of a staff measure (where a grand staff's lower staff
// lies below the upper one).
//
// Every look-up answers null or 0 when an event or display object is
// missing (a half-built or damaged score); callers then do nothing.
// The measure displays are their own classes; until they are part of the
// build, no ruler is found and the left-hand offset reads 0.
// UI thread only, like the display objects.

// The first parent of `event` that is a measure (ET_MEASURE), or null.
ECMeasure* MeasureParent(ECBase* event);
// The measure a Position call works in: `measure`, else `parent` when it is
// a measure, else the first measure parent of `event`.
ECMeasure* PositioningMeasure(ECMeasure* measure, ECBase* parent, ECBase* event);
// The ruler of the display object of the conductor measure at `measure`'s
// time (the conductor given, else the measure's own), or null.
MCRuler* ConductorRulerAt(ECConductor* conductor, ECMeasure* measure);
// The left-hand offset of the display object of `measure`; 0 without one.
int MeasureLeftHandOffset(ECBase* measure);
