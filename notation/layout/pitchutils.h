// MCPitchUtils: intervals between written notes (MCPitch) and between bare
// MIDI keys. Stateless; callers make one on the stack.
//
// An interval is a quality and a size in staff steps from the first note to
// the second (0 unison, 1 second, 7 octave; negative downward). Sizes whose
// steps modulo 7 are 0, 3 or 4 are of the perfect class, the others of the
// major-minor class.
#pragma once

#include "notation/layout/pitch.h"

#include <cstdint>

class ECBase;
class MCEventList;

class MCPitchUtils {
public:
    enum : uint8_t {
        PERFECT = 0,
        MAJOR = 1,
        MINOR = 2,
        AUGMENTED = 3,
        DIMINISHED = 4,
        DOUBLY_AUGMENTED = 5,
        DOUBLY_DIMINISHED = 6,
        TRIPLY_AUGMENTED = 7,
        TRIPLY_DIMINISHED = 8,
    };
    struct INTERVAL {
        uint8_t quality = PERFECT;
        int32_t size = 0;
    };

    virtual ~MCPitchUtils();

    // Between keys, in semitones.
    int OrderedInterval(const uint8_t& first, const uint8_t& second) const;   // second - first
    int UnorderedInterval(const uint8_t& first, const uint8_t& second) const;
    int OrderedPCInterval(const uint8_t& first, const uint8_t& second) const;   // 0..11
    // The smaller of the two ordered pitch-class intervals.
    int UnorderedPCInterval(const uint8_t& first, const uint8_t& second) const;

    // Between written notes.
    INTERVAL OrderedInterval(const MCPitch& first, const MCPitch& second) const;
    INTERVAL UnorderedInterval(const MCPitch& first, const MCPitch& second) const;   // size >= 0
    INTERVAL OrderedPCInterval(const MCPitch& first, const MCPitch& second) const;   // size 0..6
    // Of the two directions' pitch-class intervals, the smaller (the second
    // direction when both are as small).
    INTERVAL UnorderedPCInterval(const MCPitch& first, const MCPitch& second) const;
    int OrderedDiatonic(const MCPitch& first, const MCPitch& second) const;   // in staff steps
    int UnorderedDiatonic(const MCPitch& first, const MCPitch& second) const;

    // The note at an interval from `pitch`: on the staff degree the size
    // reaches, with the accidental the quality asks for; spelled anew (no
    // preference) when that would need more than a double sharp or flat.
    MCPitch GetPitchFromInterval(const MCPitch& pitch, const INTERVAL& interval) const;

    void NormalizeForm(MCEventList&, MCEventList&) const {}

    // ---- orderings of notes, through their notation display objects ----
    // (pitchorder.cpp; events without a display object, and events that are
    // no note, chord or grace note, are passed over. A grace note's height
    // counts with its main note's y, to which its own is relative.)

    // Empties `sorted`, then inserts the notes and chords of `source` in
    // source order (a chord by the note at its stem's free end):
    // by pitch (byY 0) or by drawn height; order 1 highest (pitch) or
    // greatest y first, 0 the other way. Equal keys keep list order.
    void Sort(MCEventList& source, MCEventList& sorted, uint8_t byY, int order) const;
    // The note, chord or grace note drawn highest (direction 0) or lowest
    // (1), by pitch (byY 0; a chord by its top or bottom note) or by the y of
    // its head or, on the stem's side, of its stem end; null for a list
    // without any.
    ECBase* GetExtreme(MCEventList& list, uint8_t byY, int direction) const;

protected:
    // The quality of a deviation in semitones from the natural size.
    static uint8_t PerfectQuality(int deviation);
    static uint8_t MajMinQuality(int deviation);
    // Semitones the wanted interval lies above the found one (of the same
    // size), read downward for a downward interval.
    static int QualityDifference(const INTERVAL& wanted, const INTERVAL& found);
    // Insert before the first element lower (order 1) or higher (order 0)
    // than the event; else at the tail. 1.
    int InsertByPitch(MCEventList& list, ECBase* event, int order) const;
    // The same by drawn height: before the first element whose key is greater
    // (order 0) or smaller (order non-zero). 1.
    int InsertByYPosition(MCEventList& list, ECBase* event, int order) const;
};
