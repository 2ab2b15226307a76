// DCctStaff: the staff's display object and the clef and key look-ups.
#include "notation/display/staff.h"

#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/staff.h"
#include "notation/layout/staffcolor.h"
#include "model/appstates.h"
#include "platform/core/archive.h"
#include "platform/gdi/dc.h"
#include "platform/ui/syscolor.h"

IMPLEMENT_SERIAL(DCctStaff, DCctBase, VERSIONABLE_SCHEMA | 2)

MCStaffColor& DCctStaff::s_staffColor = StaffColor();

namespace {
// The hand a caller's `lower` stands for: only a grand staff has a lower one.
unsigned char Hand(ECStaff* staff, BYTE lower) {
    return staff->GetStaffType() == 1 ? lower : 0;
}
}  // namespace

DCctStaff::~DCctStaff() = default;

void DCctStaff::Serialize(CArchive& ar) {
    DCctBase::Serialize(ar);
    if (ar.IsLoading())
        SetHidden(0);   // a staff hidden when saved is shown again when opened
}

int DCctStaff::Draw(CDC*, CPoint, CRect*) {
    return IsHidden() ? DRAW_HIDDEN : DRAW_NOTHING;
}

int DCctStaff::IsIn(CRect* rect, CPoint offset, int detail, int selector) {
    ECBase* owner = GetOwner();
    MCEventList* children = owner ? owner->GetChildren() : nullptr;
    if (!children)
        return 0;
    const POSITION pos = children->FindEvent(ET_MEASURE);
    ECBase* measure = pos ? children->GetAt(pos) : nullptr;
    auto* display = measure ? dynamic_cast<DCctBase*>(measure->GetData(DK_NOTATION, 0)) : nullptr;
    return display ? display->IsIn(rect, offset, detail, selector) : 0;
}

ECClef* DCctStaff::GetClefAtTime(ECStaff* staff, MCTime& time, BYTE lower) {
    return staff ? staff->GetClefAtTime(time, Hand(staff, lower)) : nullptr;
}

ECClef* DCctStaff::GetClefBeforeTime(ECStaff* staff, MCTime& time, BYTE lower) {
    return staff ? staff->GetClefBeforeTime(time, Hand(staff, lower)) : nullptr;
}

ECKey* DCctStaff::GetKeyAtTime(ECStaff* staff, MCTime& time, BYTE lower) {
    return staff ? staff->GetKeyAtTime(time, Hand(staff, lower)) : nullptr;
}

ECKey* DCctStaff::GetKeyBeforeTime(ECStaff* staff, MCTime& time, BYTE lower) {
    return staff ? staff->GetKeyBeforeTime(time, Hand(staff, lower)) : nullptr;
}

COLORREF DCctStaff::GetStaffElementColor(CDC* dc, const DCctBase& element) {
    if (dc && dc->IsPrinting())
        return GetSysColor(COLOR_WINDOWTEXT);
    if (element.IsGhosted())
        return GetSysColor(COLOR_GRAYTEXT);
    if (element.IsSelected())
        return SCSelection::s_color;
    return s_staffColor.Get();
}
