#include "notation/layout/staffruler.h"

#include "model/conductor.h"
#include "notation/layout/pagelayout.h"

#include <algorithm>

MCStaffRuler::MCStaffRuler() {
    InitTextLevels();
}

MCStaffRuler::~MCStaffRuler() = default;

// ---- staves ----------------------------------------------------------------------------------

void MCStaffRuler::Init(ECConductor* conductor) {
    Init(conductor ? conductor->GetMaxTrackNumber(TRACK_STAFF) : 0);
}

void MCStaffRuler::Init(int staffCount) {
    const size_t count = static_cast<size_t>(std::max(staffCount, 0));
    m_staves.resize(count);
    m_shown.assign(count, 1);
}

void MCStaffRuler::Update(ECConductor* conductor) {
    Update(conductor ? conductor->GetMaxTrackNumber(TRACK_STAFF) : 0);
}

void MCStaffRuler::Update(int staffCount) {
    const size_t count = static_cast<size_t>(std::max(staffCount, 0));
    m_staves.resize(count);
    // While one staff is displayed alone a new staff stays out of sight.
    m_shown.resize(count, m_singleStaff ? 0 : 1);
}

void MCStaffRuler::SetDisplay(int n) {
    if (n == 0) {
        std::fill(m_shown.begin(), m_shown.end(), BYTE{1});
        m_singleStaff = 0;
    } else if (n > 0) {
        for (size_t i = 0; i < m_shown.size(); ++i)
            m_shown[i] = static_cast<int>(i) + 1 == n;
        m_singleStaff = 1;
    }
}

void MCStaffRuler::SetStaffShown(int i, BYTE shown) {
    if (i >= 0 && i < GetStaffCount())
        m_shown[i] = shown;
}

int MCStaffRuler::IsStaffShown(int i) const {
    return i >= 0 && i < GetStaffCount() && m_shown[i] != 0;
}

int MCStaffRuler::GetShownStaffCount() const {
    return static_cast<int>(std::count_if(m_shown.begin(), m_shown.end(), [](BYTE b) { return b != 0; }));
}

int MCStaffRuler::GetLastShownStaff() const {
    for (int i = GetStaffCount() - 1; i > 0; --i)
        if (m_shown[i])
            return i;
    return 0;
}

void MCStaffRuler::Set(int i, int StaffSpacing::*field, int v) {
    if (i >= 0 && i < static_cast<int>(m_staves.size()))
        m_staves[i].*field = v;
}

int MCStaffRuler::Get(int i, int StaffSpacing::*field) const {
    return i >= 0 && i < static_cast<int>(m_staves.size()) ? m_staves[i].*field : 0;
}

// ---- systems -----------------------------------------------------------------------------------

MCStaffRuler::SystemInfo& MCStaffRuler::GetSystem(int n) {
    n = std::max(n, 0);
    if (n >= m_systemsUsed) {
        // Systems are asked for in order; the array keeps the records of an
        // earlier layout for reuse and grows five at a time.
        while (static_cast<int>(m_systems.size()) <= n)
            m_systems.resize(m_systems.size() + 5);
        m_systemsUsed = n + 1;
    }
    return m_systems[n];
}

int MCStaffRuler::FindSystem(int y) const {
    for (int i = 0; i < m_systemsUsed; ++i)
        if (m_systems[i].y <= y)
            return i;
    return 0;
}

// ---- text levels ---------------------------------------------------------------------------------

void MCStaffRuler::InitTextLevels() {
    const MCPageLayout& layout = MCPageLayout::GetPageLayout();
    const int top = layout.GetPaperRect().top;
    m_textLevels[0] = layout.GetPrintableRect().top;
    for (int n = 1; n <= 3; ++n)
        m_textLevels[n] = top - (top + DEFAULT_HEIGHT) / 4;
    for (int n = 4; n < TEXT_LEVELS; ++n)
        m_textLevels[n] = -DEFAULT_HEIGHT;
}

void MCStaffRuler::AdjustTextLevels(BYTE n, int height) {
    // The levels stand in three groups, 0-3, 4-6 and 6-7; moving one moves the
    // rest of its group with it.
    int last = 0;
    if (n <= 2)
        last = 3;
    else if (n == 4 || n == 5)
        last = 6;
    else if (n == 6)
        last = 7;
    else
        return;
    const int down = height - (m_textLevels[n] - m_textLevels[n + 1]);
    for (int k = n + 1; k <= last; ++k)
        m_textLevels[k] -= down;
}
