// ANRest: the rest pass, run on a staff measure after spelling and before
// the stems.
//
// It fills every gap of every voice of the measure with rests, inside
// tuplets too, gives a voice of the measure's voice table that has nothing
// in it a whole-measure rest, takes away the rests of voices the table no
// longer holds, and, when the measure holds several voices, shows rests of
// different voices that stand at the same place with the same length once
// (the lowest voice's kept and marked consolidated, the others taken away;
// on a grand staff the upper staff's voices 0-3 and the lower's 4-7 are
// never merged with each other).
//
// Each voice is walked from the measure's start over its notes, chords and
// tuplets in child order; a gap before an element, at the end of a tuplet
// and at the end of the measure gets one rest, which the note value pass's
// division walk then cuts into proper values (in a tuplet, by the tuplet's
// borrowed meter). A whole-measure rest is never cut: its value is a whole
// whatever the meter, its length the measure's.
//
// Ticks count 256 per quarter note from the measure's start; inside a
// tuplet they are the tuplet's own (borrowed) ticks. With an update list,
// the rests a voice kept from before (the ones an edit did not clear) are
// used where they stand: each reaches to the next kept one or the gap's end,
// and new rests fill only what lies before the first; without one (a file
// being loaded) rests are only added.
//
// Elements without a notation display are passed over: the walk stays where
// it was. A measure is done only while its display object is rest-dirty;
// the flag is cleared after.
//
// User-interface thread, inside the engine's run. Every rest added to or
// taken from the tree is linked under the performance's lock.
#pragma once

#include "notation/autonote/notevalue.h"
#include "notation/autonote/passbase.h"

#include <cstdint>

class DCctNotate;
class DCctRest;
class ECBase;
class ECMeasure;
class ECMeter;
class ECStaff;
class ECTuplet;

class ANRest : public ANBase {
public:
    ANRest();
    ~ANRest();

    // The pass over one staff measure with its meter. A missing measure or
    // meter, or a measure without a rest-dirty display object, is left alone.
    void DoMeasure(ECStaff* staff, ECMeasure* measure, ECMeter* meter);

    // The walk of one voice: fills the gap before a note or chord (from
    // `position` to its start, in its parent's scale) and answers the
    // position after it. An element without a display leaves it unchanged.
    int DoRest(int position, ECBase* element, ECBase* parent, ECMeter* meter, int voice);
    // Walks a tuplet starting at `position` (normal ticks), closes its last
    // gap, and answers the position after it (normal ticks).
    int DoTupletRest(int position, ECTuplet* tuplet, ECMeter* meter, int voice);
    // The gap up to `end`: a rest, or a whole-measure rest when nothing of
    // the voice stands before it in the measure.
    void DoEndRest(int position, int end, ECBase* parent, ECMeter* meter, int voice, int base);
    // One rest of `voice` under `parent` from `start` to `end`. With `base`
    // 0 the ticks count 256 per quarter, else base x 256 / the meter's
    // counting unit; nothing when that unit is 0.
    void FillWithRest(int end, int start, ECBase* parent, ECMeter* meter, int voice, int base);
    // A whole-measure rest of `voice` under `parent`.
    void FillWithWholeRest(ECBase* parent, ECMeter* meter, int voice);
    // Shows rests of several voices standing together once.
    void ConsolidateRests(ECStaff* staff, ECMeasure* measure);

private:
    // The pending run of rests with one place and length.
    void AddToChordList(ECBase* rest, DCctRest* display, ECBase* parent);
    void ChordList(ECBase* parent);
    // How a gap's ticks become times: from the measure's time at
    // `perQuarter` ticks a quarter; a new rest's two bases.
    struct RestScale {
        MCTime measureTime;
        int perQuarter = 0;
        int base = 0;
        int unit = 0;
    };
    // One new rest from `start` to `end`, cut into proper values.
    void NewRest(int start, int end, ECBase* parent, ECMeter* meter, int voice, const RestScale& scale);
    // Adds a new rest under `parent` and the update list.
    void AddRest(ECBase* parent, ECBase* rest);
    // Cuts a rest into proper values (`parent` its measure or tuplet).
    void DivideRest(DCctNotate* display, ECMeter* meter, ECBase* parent, MCTime& measureTime);
    static ECBase* MeasureOf(ECBase* parent);

    ANNote m_division;            // the note value pass's division walk
    uint16_t m_runStart = 0;      // scaled start and duration of the run
    uint16_t m_runDuration = 0;
    MCEventList m_run;            // holds the run's rests
};
