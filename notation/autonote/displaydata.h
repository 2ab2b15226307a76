// ACUpdateDisplayData: makes the notation display objects of the elements a
// walk meets and brings keys, meters and measure rulers up to date with
// their events.
//
// Made always: conductor measures, conductor staves, frames, lyrics, notes,
// texts, grace notes, ties, slurs, and keys, measures, meters and staves,
// which are also refreshed (a key's accidentals and mode; a measure's
// division marks for the meter in force, at the resolution; a meter's form
// by its kind; a staff whose first note plays on MIDI channel 10 becomes a
// drum staff, type 3). A tempo only at time 0, any other element only with
// create-all.
//
// The window is ACTimeRange's, by the element's own time: an element
// without one (a lyric) is always acted on. The conductor must be known
// (SetConductor, or met in the walk) before a measure: without one the
// measure gets its display object but no marks. Short-lived, UI thread,
// under the performance's lock.
#pragma once

#include "notation/autonote/timerange.h"

class ACUpdateDisplayData : public ACTimeRange {
public:
    ACUpdateDisplayData() = default;

    void SetResolution(int resolution) { m_resolution = resolution; }
    int GetResolution() const { return m_resolution; }
    void SetCreateAll(int createAll) { m_createAll = createAll; }

    // AC_CONTINUE, or the window's answer.
    int DoAction(ECBase* event) override;

private:
    int m_createAll = 0;
    int m_resolution = 64;   // ticks of the finest mark at 256 per quarter
};
