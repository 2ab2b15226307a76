// The conductor-level display objects as the barline, meter and repeat bars
// read them.
#include "notation/display/conductorlinks.h"

#include "model/conductorstaff.h"
#include "model/event.h"
#include "model/group.h"
#include "model/time.h"
#include "notation/display/conductor.h"
#include "notation/display/conductormeasure.h"
#include "notation/layout/staffruler.h"

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

std::vector<StaffSpan> GetGroupSpans(ECConductorStaff* staff, const MCStaffRuler& staffRuler, const MCTime& time) {
    std::vector<StaffSpan> spans;
    const int lastShown = staffRuler.GetLastShownStaff();
    for (const MCGroup::tag_group& group : staff->GetGroup()->GetPrimaryGroup()) {
        if (!group.IsInUse())
            continue;   // a free slot
        const int first = group.GetFirst();
        const int last = group.GetLast();
        if (lastShown + 1 < first)
            break;
        DCctBase* bottom = NotationDisplayOf(staff->GetMeasure(last, time, 0, 1));
        if (!bottom)
            continue;
        const int top = staffRuler.GetStaffY(first - 1);
        spans.push_back({top, top - staffRuler.GetStaffY(last - 1) + bottom->GetHeight()});
    }
    return spans;
}
