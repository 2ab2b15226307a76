// What the barline, the meter and the repeat bars read of the conductor-level
// display objects: the conductor measure's barline x, staff heights and meter
// slot, the conductor staff's staff ruler, and the stretches a line through
// the system takes. Each answers "missing" (false, null) when
// the event or its display object is missing, as in a half-built score.
// UI thread only.
#pragma once

#include <vector>

class ECConductorMeasure;
class ECConductorStaff;
class MCStaffRuler;
class MCTime;

struct ConductorMeasureLayout {
    int barlineX = 0;           // the ruler's closing barline x
    int staffHeight = 0;        // first staff's top line to the last shown staff's bottom
    int firstStaffOffset = 0;   // staff 1's y offset in the system
    int meterX = 0;             // the x of the prologue's meter slot
};

// False when the measure or its display object is missing.
bool GetConductorMeasureLayout(ECConductorMeasure* measure, ConductorMeasureLayout& layout);
// The staff ruler of the conductor staff's display object; null when missing.
const MCStaffRuler* GetStaffRulerOf(ECConductorStaff* staff);

// One stretch of a line through the system: from `top`, a staff's top line
// relative to the system's staff ruler, down by `length`.
struct StaffSpan {
    int top = 0;
    int length = 0;
};

// The stretches of a line through the system at `time`: one for each group
// in use of the conductor staff's primary grouping, in table order, from its
// first staff's top line to its last staff's bottom line (every staff keeps
// at least its own plain group, so every staff is met; a free slot gives
// nothing). The walk stops at the first group that starts below the last
// shown staff; a group whose last staff has no measure display at the time
// is passed over.
std::vector<StaffSpan> GetGroupSpans(ECConductorStaff* staff, const MCStaffRuler& staffRuler, const MCTime& time);
