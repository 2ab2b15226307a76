// What every notation run must leave true, checked by the notation fixture
// after each run: within one staff measure no two notes of one voice
// overlap, and once the rest pass has run on a measure each voice there
// fills it exactly. A note sounding into a later note of its voice, or two notes of
// one voice struck together with different lengths (the chord they should
// form would be ragged), is a fault of the passes, whatever the input.
//
// A note is weighed by its notated start and length (what time correction
// made of the played ones) in the measure's plain division, 256 ticks a
// quarter from the measure's start, so tuplet members and plain notes
// compare on one scale. A note without a notation display
// object, or with no notated length yet, takes no part: nothing has been
// notated there.
//
// Reads the tree and changes nothing. User-interface thread, with nothing
// editing the tree meanwhile.
#pragma once

#include <gtest/gtest.h>

#include <vector>

class ECBase;
class ECConductor;
class ECNote;

namespace notation_check {

// The notes of a measure (or any group) in child order, the members of its
// tuplets and chords where the group stands, each note once.
std::vector<ECNote*> NotesIn(ECBase* measure);

// Success when no voice of any staff measure holds two overlapping notes;
// otherwise a failure naming each staff, bar and voice with the two notes
// (start and length in ticks from the measure's start).
::testing::AssertionResult NoOverlapsInVoices(ECConductor* conductor);

// Success when, in every staff measure the rest pass has run on, the notes,
// rests, chords and tuplets of each voice standing in the measure add up to
// the measure's length (in the plain division, a tuplet by its own span);
// otherwise a failure naming each staff, bar and voice with its sum and the
// measure's length.
::testing::AssertionResult VoicesFillTheirMeasures(ECConductor* conductor);

}  // namespace notation_check
