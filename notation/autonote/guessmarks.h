// ANGuessClef, ANGuessKey: a clef and a key signature for a staff measure
// whose music does not bring them (a file read without notation data, a
// staff just added).
//
// The clef is chosen from the highest MIDI key among the notes (61 and up
// treble, 44 to 60 bass, lower the bass clef an octave down; no played notes
// treble); a grand staff gets treble over bass and a drum staff the drum
// clef whatever its notes. A clef that already has a display object was
// notated before and is never changed. The key is not guessed: each hand of
// the staff is given one, C major where there is none, and the key's display
// object is brought into line with it.
//
// A created or adjusted clef or key carries voice 0 (upper or only staff) or
// 4 (lower staff of a grand staff) and the measure's track. Each entry works
// on one staff (judging from all its notes, for its first measure) or one
// measure. User-interface thread, inside the engine's run; additions take
// the performance's lock.
#pragma once

#include "notation/autonote/passbase.h"

class ECMeasure;
class ECStaff;

class ANGuessClef : public ANBase {
public:
    // The clef type codes this pass chooses from.
    static constexpr unsigned char CLEF_TREBLE = 0;
    static constexpr unsigned char CLEF_BASS = 3;
    static constexpr unsigned char CLEF_LOW_BASS = 5;   // an octave below the bass clef
    static constexpr unsigned char CLEF_DRUM = 8;

    void GuessClef(ECStaff* staff);
    // The staff is the conductor's staff of the measure's track.
    void GuessClef(ECMeasure* measure);

    // The clef that centres the notes' played keys best.
    static unsigned char GuessClefType(const MCEventList& notes);

private:
    void _GuessClef(ECStaff* staff, ECMeasure* measure, const MCEventList& notes);
    void AddNormalClef(ECStaff* staff, ECMeasure* measure, const MCEventList& notes);
    void AddGrandClef(ECStaff* staff, ECMeasure* measure);
    void AddDrumClef(ECStaff* staff, ECMeasure* measure);
    // The hand's clef at the measure's start: made with `type` when missing,
    // set to it when it has no display object, left alone otherwise.
    void EnsureClef(ECStaff* staff, ECMeasure* measure, unsigned char hand, unsigned char type);
};

class ANGuessKey : public ANBase {
public:
    void GuessKey(ECStaff* staff);
    void GuessKey(ECMeasure* measure);

private:
    void _GuessKey(ECStaff* staff, ECMeasure* measure);
    void AddNormalKey(ECStaff* staff, ECMeasure* measure);
    void AddGrandKey(ECStaff* staff, ECMeasure* measure);
    void AddDrumKey(ECStaff* staff, ECMeasure* measure);
    void EnsureKey(ECStaff* staff, ECMeasure* measure, unsigned char hand);
};
