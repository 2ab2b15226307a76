// What the barline and the meter read of the conductor-level display objects:
// the conductor measure's barline x, staff heights and meter slot, and the
// conductor staff's staff ruler. Each answers "missing" (false, null) when
// the event or its display object is missing, as in a half-built score.
// UI thread only.
#pragma once

class ECConductorMeasure;
class ECConductorStaff;
class MCStaffRuler;

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
