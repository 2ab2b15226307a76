// The conductor-level display objects as the barline and meter read them.
#include "notation/display/conductorlinks.h"

#include "model/conductorstaff.h"
#include "model/event.h"

// The conductor and conductor-measure display classes are built alongside;
// until they are part of the plug-in the lookups answer "missing".
#if __has_include("notation/display/conductor.h") && __has_include("notation/display/conductormeasure.h")
#include "notation/display/conductor.h"
#include "notation/display/conductormeasure.h"
#define HAVE_CONDUCTOR_DISPLAYS 1
#endif

bool GetConductorMeasureLayout(ECConductorMeasure* measure, ConductorMeasureLayout& layout) {
#ifdef HAVE_CONDUCTOR_DISPLAYS
    auto* display = measure ? dynamic_cast<DCctConductorMeasure*>(measure->GetData(DK_NOTATION, 0)) : nullptr;
    if (!display)
        return false;
    layout.barlineX = display->GetBarlineX();
    layout.staffHeight = display->GetTopToBottomStaffHeight();
    layout.firstStaffOffset = display->GetYOffsetForMeasure(1);
    layout.meterX = display->GetRuler().GetPrologX(MCRuler::PROLOG_METER);
    return true;
#else
    (void)measure;
    (void)layout;
    return false;
#endif
}

const MCStaffRuler* GetStaffRulerOf(ECConductorStaff* staff) {
#ifdef HAVE_CONDUCTOR_DISPLAYS
    auto* display = staff ? dynamic_cast<DCctConductorStaff*>(staff->GetData(DK_NOTATION, 0)) : nullptr;
    return display ? &display->GetRuler() : nullptr;
#else
    (void)staff;
    return nullptr;
#endif
}
