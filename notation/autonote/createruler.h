// ANCreateRuler: rebuilds the division marks of the ruler of every staff
// measure under one conductor measure, for its meter at the pass's
// resolution. Nothing in the engine's run calls it; it is offered for a
// caller that needs every ruler of a column rebuilt at once.
//
// User-interface thread.
#pragma once

#include "notation/autonote/passbase.h"

class ECConductorMeasure;
class ECConductorStaff;

class ANCreateRuler : public ANBase {
public:
    // Makes the conductor measure's display object, then for staff 1 to the
    // conductor staff's staff count the measure display of the column's entry
    // and its ruler's marks. Entries beyond the column's array are never read;
    // empty entries and entries that are not measures are passed over.
    void DoMeasure(ECConductorStaff* conductorStaff, ECConductorMeasure* conductorMeasure, ECMeter* meter);
};
