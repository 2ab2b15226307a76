// DCctConductor and DCctConductorStaff.
#include "notation/display/conductor.h"

#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "notation/display/conductormeasure.h"
#include "platform/core/archive.h"

IMPLEMENT_SERIAL(DCctConductor, DCctBase, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(DCctConductorStaff, DCctBase, VERSIONABLE_SCHEMA | 2)

// The view loads both from its preferences; until then numbers show above
// the first staff on every measure.
int DCctConductorStaff::s_nMeasureNum = 1;
int DCctConductorStaff::s_nMeasureNumOpt = 1;

DCctConductor::~DCctConductor() = default;

void DCctConductor::Serialize(CArchive& ar) {
    DCctBase::Serialize(ar);
}

int DCctConductor::Draw(CDC*, CPoint, CRect*) {
    return DRAW_NOTHING;
}

DCctConductorStaff::~DCctConductorStaff() = default;

void DCctConductorStaff::Serialize(CArchive& ar) {
    DCctBase::Serialize(ar);
}

int DCctConductorStaff::Draw(CDC*, CPoint, CRect*) {
    return DRAW_NOTHING;
}

ECConductorMeasure* DCctConductorStaff::FindRulerMeasureAtTime(MCTime* time) {
    ECBase* owner = GetOwner();
    if (!time || !owner || owner->GetClassType() != ET_CONDUCTORSTAFF)
        return nullptr;
    ECMeasure* measure = static_cast<ECConductorStaff*>(owner)->GetMeasure(0, *time, 0, 1);
    return measure && measure->GetClassType() == ET_CONDUCTORMEASURE ? static_cast<ECConductorMeasure*>(measure)
                                                                      : nullptr;
}

ECConductorMeasure* DCctConductorStaff::FindRulerMeasureAtPoint(CPoint point) {
    ECBase* owner = GetOwner();
    MCEventList* children = owner ? owner->GetChildren() : nullptr;
    if (!children)
        return nullptr;
    for (POSITION pos = children->GetHeadPosition(); pos;) {
        ECBase* child = children->GetNext(pos);
        if (child->GetClassType() != ET_CONDUCTORMEASURE)
            continue;
        auto* display = dynamic_cast<DCctConductorMeasure*>(child->GetData(DK_NOTATION, 0));
        if (!display)
            return nullptr;
        if (display->IsCollapsedMember())
            continue;
        const int x = display->GetX();
        const int y = display->GetY();
        if (x <= point.x && point.x <= x + display->GetWidth() && y - display->GetSystemHeight() <= point.y &&
            point.y <= y)
            return static_cast<ECConductorMeasure*>(child);
    }
    return nullptr;
}
