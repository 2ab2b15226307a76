// The conductor-level display objects as the barline and meter read them.
#include "notation/display/conductorlinks.h"

#include "model/conductorstaff.h"
#include "model/event.h"
#include "notation/display/conductor.h"
#include "notation/display/conductormeasure.h"

bool GetConductorMeasureLayout(ECConductorMeasure* measure, ConductorMeasureLayout& layout) {
    auto* display = measure ? dynamic_cast<DCctConductorMeasure*>(measure->GetData(DK_NOTATION, 0)) : nullptr;
    if (!display)
        return false;
    layout.barlineX = display->GetBarlineX();
    layout.staffHeight = display->GetTopToBottomStaffHeight();
    layout.firstStaffOffset = display->GetYOffsetForMeasure(1);
    layout.meterX = display->GetRuler().GetPrologX(MCRuler::PROLOG_METER);
    return true;
}

const MCStaffRuler* GetStaffRulerOf(ECConductorStaff* staff) {
    auto* display = staff ? dynamic_cast<DCctConductorStaff*>(staff->GetData(DK_NOTATION, 0)) : nullptr;
    return display ? &display->GetRuler() : nullptr;
}
