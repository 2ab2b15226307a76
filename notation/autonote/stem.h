// ANStem: the stem pass, run on a staff measure after the rests are made and
// before the beams.
//
// It gives every note, chord, rest and grace note of the measure (tuplet
// members and the grace notes under notes and under a chord's notes
// included) its stem direction and length, its ledger lines and its tie
// direction, shows its stem, and marks a flag on a value shorter than a
// quarter. Beamed groups get their common direction later, from the beam.
//
// The rule: on a staff half with a single voice a stem goes by pitch (down
// above the clef's middle line, up on it or below) with the long length;
// where the half holds several voices it goes by voice (odd voices down,
// even up) with the short length. A lone voice's grace notes stem up. On a
// grand staff voices 4-7 read the lower staff's clef and voice count.
//
// Nothing set here is the user's: a direction or length the user fixed
// stays. A measure is done only while its display object is stem-dirty; the
// flag is cleared after. An element without a notation display ends the
// walk of its parent's children (a tuplet member: of the whole parent).
//
// User-interface thread, inside the engine's run. Only display objects
// change, so no lock is taken.
#pragma once

#include "notation/autonote/passbase.h"

#include <cstdint>

class DCctMeasure;
class DCctNotate;
class ECBase;
class ECClef;
class ECMeasure;
class ECStaff;

class ANStem : public ANBase {
public:
    // Stem length codes (half-spaces) handed to the measure.
    static constexpr uint8_t STEM_LENGTH_SINGLE = 7;   // a lone voice
    static constexpr uint8_t STEM_LENGTH_SHARED = 6;   // several voices, and grace notes

    // The pass over one staff measure. A missing measure, or one without a
    // stem-dirty display object, is left alone.
    void DoMeasure(ECStaff* staff, ECMeasure* measure);

    // Stems the children of `parent` (the measure, or a note whose children
    // are grace notes). `voices` is the measure's voice count, for callers
    // that know it; the rule reads the measure's single-voice test instead.
    void CalculateStems(int voices, ECStaff* staff, DCctMeasure* measure, ECBase* parent);

private:
    // One element's direction and length; false when it has no display.
    bool StemElement(ECBase* element, ECStaff* staff, DCctMeasure* measure);
    // Grace notes under a note, or under each note of a chord.
    void StemGraceChildren(ECBase* element, ECStaff* staff, DCctMeasure* measure);
};
