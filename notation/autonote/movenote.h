// ANMoveNote: the first pass of every measure's run. A note that starts at,
// or a hair before, the end of the measure it was recorded or entered into
// is moved into the next measure of its staff, so that a note played just
// early before a barline is notated after it. A hair is whichever is more:
// the hidden threshold (16/256 of a quarter note), or the reach within
// which the time correction rounds a start onto the bar line: half the
// resolution (32/256 by default) and half a tick.
//
// Only notes that are direct children of the measure move; chords and rests
// stay. In the last measure of a staff nothing moves. The moves are made
// under the performance's lock, each note joining the next measure before it
// leaves this one, so it is never without a parent.
//
// User-interface thread, inside the engine's run.
#pragma once

#include "notation/autonote/passbase.h"

class ECMeasure;
class ECStaff;

class ANMoveNote : public ANBase {
public:
    // Missing arguments (or a staff the conductor does not number) leave
    // the measure as it is.
    void DoMeasure(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECMeter* meter);

    // How far before its measure's end a note may start and still move.
    MCTime LateReach() const;
};
