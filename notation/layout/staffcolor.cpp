#include "notation/layout/staffcolor.h"

#include "model/preferences.h"
#include "platform/ui/syscolor.h"

COLORREF MCStaffColor::Get() const {
    return m_color ? *m_color : GetSysColor(COLOR_BTNSHADOW);
}

void MCStaffColor::LoadFromProfile() {
    m_color = LoadColorPreference("Views\\Music Score", "StaffColor", GetSysColor(COLOR_BTNSHADOW));
}

MCStaffColor& StaffColor() {
    static MCStaffColor holder;
    return holder;
}
