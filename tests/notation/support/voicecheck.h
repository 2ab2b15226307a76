// What every notation run must leave true, checked by the notation fixture
// after each run: within one staff measure no two notes of one voice
// overlap, and once the rest pass has run on a measure each voice there
// fills it exactly; every note of a notated measure has a value and a
// pitch, and is played or tied into; every tie joins two notes of one
// pitch, the later starting where the earlier ends. A note sounding into a later note of its voice, or two notes of
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

// Success when every note of every staff measure the rest pass has run on
// (the last pass that fills a measure; while recording it does not run)
// was notated: placed and valued (neither time- nor value-dirty, a value
// other than none), spelled (a pitch), and either played (it has
// performance data) or the continuation of a tie. Otherwise a failure
// naming staff, bar and the note (start in ticks from the measure's start)
// with what it lacks.
::testing::AssertionResult NotesAreNotated(ECConductor* conductor);

// Success when every tie of every staff joins two distinct notes of one
// pitch, the later starting exactly where the earlier ends, both placed as
// notated (measure time plus notated start and length in the plain
// division). Otherwise a failure naming staff and bar of the earlier note,
// its notated place and length and the gap to the later one.
::testing::AssertionResult TiesJoinNeighbours(ECConductor* conductor);

}  // namespace notation_check
