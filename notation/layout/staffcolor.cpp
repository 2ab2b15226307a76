#include "notation/layout/staffcolor.h"

#include "platform/core/profile.h"
#include "platform/ui/syscolor.h"

COLORREF MCStaffColor::Get() const {
    return m_color ? *m_color : GetSysColor(COLOR_BTNSHADOW);
}

void MCStaffColor::LoadFromProfile() {
    m_color = static_cast<COLORREF>(
        GetProfileInt("Views\\Music Score", "StaffColor", static_cast<int>(GetSysColor(COLOR_BTNSHADOW))));
}

MCStaffColor& StaffColor() {
    static MCStaffColor holder;
    return holder;
}
