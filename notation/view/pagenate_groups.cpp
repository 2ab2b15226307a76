// A system's barlines and the braces and brackets of its staff groups.
#include "notation/view/pagenate.h"

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/group.h"
#include "model/markings.h"
#include "model/performance.h"
#include "model/staff.h"
#include "notation/display/brace.h"
#include "notation/display/conductormeasure.h"
#include "notation/layout/ruler.h"
#include "notation/layout/staffruler.h"
#include "notation/view/layoutactions.h"
#include "platform/gdi/dc.h"

#include <mutex>

namespace {

// Barline styles and placements.
constexpr BYTE BARLINE_PLAIN = 0;
constexpr BYTE BARLINE_KEY_CHANGE = 1;
constexpr BYTE BARLINE_FINAL = 3;
constexpr BYTE BARLINE_SYSTEM_START = 4;
constexpr BYTE AT_MEASURE_START = 0;
constexpr BYTE AT_BARLINE = 1;
// Group styles: 0 a brace, 1 a bracket, 2 nothing drawn.
constexpr BYTE GROUP_BRACE = 0;
constexpr BYTE GROUP_BRACKET = 1;
constexpr BYTE GROUP_PLAIN = 2;
// A staff of kind 1 (a keyboard staff) is bracketed even when shown alone.
constexpr unsigned char KEYBOARD_STAFF = 1;
// Group words: bit 18 in use, bits 16-17 style, 0-7 first staff, 8-15 last.
constexpr uint32_t GROUP_IN_USE = 0x40000;

}  // namespace

void CPagenate::GroupSystem() {
    auto* first = static_cast<ECConductorMeasure*>(m_system.GetHead());
    MCStaffRuler* staffRuler = GetStaffRuler();
    ECPerformance* performance = GetBaseEvent();
    if (!first || !staffRuler || !performance || !m_pConductorStaff)
        return;

    // Adds a barline to a conductor measure and places it.
    auto addBarline = [&](ECConductorMeasure* column, BYTE style, BYTE placement) {
        auto* barline = new ECBarline;
        barline->SetBarlineType(style);
        barline->SetBarlinePos(placement);
        barline->SetTime(column->GetTime());
        {
            std::lock_guard lock(performance->GetLock());
            if (!column->AddChild(barline, 1))
                return;
        }
        if (auto* display = dynamic_cast<DCctBase*>(barline->GetData(DK_NOTATION, 1))) {
            display->Position(nullptr, m_pConductorStaff, column, nullptr);
            display->SetPositionDirty(0);
        }
    };

    if (staffRuler->GetShownStaffCount() > 1) {
        addBarline(first, BARLINE_SYSTEM_START, AT_MEASURE_START);
        const MCGroup* group = m_pConductorStaff->GetGroup();
        const MCGroup::GroupTable* tables[] = {&group->GetPrimaryGroup(), &group->GetSecondaryGroup()};
        for (int secondary = 0; secondary < 2; ++secondary) {
            const auto& table = *tables[secondary];
            for (size_t i = 0; i < table.size(); ++i) {
                const uint32_t word = table[i].GetWord();
                if (!(word & GROUP_IN_USE))
                    continue;
                AddGroup(first, secondary, static_cast<BYTE>(table[i].GetKind()), table[i].GetFirst(),
                         table[i].GetLast(), static_cast<int>(i));
            }
        }
    } else {
        const int s = staffRuler->GetLastShownStaff() + 1;
        ECStaff* staff = m_pConductorStaff->GetStaff(s, 0);
        if (staff && staff->GetStaffType() == KEYBOARD_STAFF)
            AddGroup(first, 0, GROUP_BRACKET, s, s, s);
    }

    ECConductor* conductor = GetConductor();
    for (POSITION pos = m_system.GetHeadPosition(); pos;) {
        auto* column = static_cast<ECConductorMeasure*>(m_system.GetNext(pos));
        DCctConductorMeasure* display = ColumnDisplay(column);
        if (!display)
            continue;
        MCRulerRuler& ruler = display->GetRuler();
        BYTE style = BARLINE_PLAIN;
        if (ruler.IsKeyInPostlog())
            style = BARLINE_KEY_CHANGE;
        if (ruler.IsKeyInProlog() && column != first && *column->GetTime() != MCTime(0.0f) && conductor) {
            // The key change is announced by the barline before it.
            ECMeasure* before =
                conductor->GetMeasure(TRACK_CONDUCTOR, conductor->GetMeasureNumberBeforeTime(*column->GetTime()));
            if (before) {
                ACFindEvents find;
                find.AddEvtType(ET_BARLINE);
                find.Apply(before);
                for (POSITION b = find.GetEvents().GetHeadPosition(); b;) {
                    auto* barline = static_cast<ECBarline*>(find.GetEvents().GetNext(b));
                    if (barline->GetBarlinePos() == AT_BARLINE)
                        barline->SetBarlineType(BARLINE_KEY_CHANGE);
                }
            }
        }
        if (!pos && !m_posNextSystem)
            style = BARLINE_FINAL;
        addBarline(column, style, AT_BARLINE);
    }
}

void CPagenate::AddGroup(ECConductorMeasure* first, int secondary, BYTE style, int firstStaff, int lastStaff,
                         int index) {
    ECPerformance* performance = GetBaseEvent();
    DCctConductorMeasure* column = ColumnDisplay(first);
    if (style == GROUP_PLAIN || !performance || !column)
        return;
    auto* brac = new ECBrac;
    brac->SetGroupID(static_cast<unsigned char>(index), secondary);
    {
        std::lock_guard lock(performance->GetLock());
        if (!first->AddChild(brac, 1))
            return;
    }
    auto* display = dynamic_cast<DCctBrac*>(brac->GetData(DK_NOTATION, 1));
    if (!display)
        return;
    const int height = column->GetHeightOfStaves(firstStaff, lastStaff);
    display->SetHeight(height);
    brac->SetBracType(style == GROUP_BRACE ? 1 : 0);
    {
        std::unique_ptr<CDC> dc = MakePreparedDC();
        std::lock_guard lock(performance->GetLock());
        ACSetSize size;
        size.SetDC(dc.get());
        size.Apply(brac);
    }
    const int w = display->GetWidth();
    const int top = column->GetYOffsetForMeasure(firstStaff);
    int x = style == GROUP_BRACE ? -w / 2 : -w;
    const int y = style == GROUP_BRACE ? top : top - height / 2;
    if (secondary)
        x *= 2;
    display->SetPosition(x, y);
    display->SetPositionDirty(0);
}

void CPagenate::PositionBarlines(MCEventList& list) {
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        ECBase* column = list.GetNext(pos);
        DCctConductorMeasure* display = ColumnDisplay(column);
        if (!display)
            continue;
        ACFindEvents find;
        find.AddEvtType(ET_BARLINE);
        find.Apply(column);
        for (POSITION b = find.GetEvents().GetHeadPosition(); b;) {
            auto* barline = static_cast<ECBarline*>(find.GetEvents().GetNext(b));
            if (auto* barlineDisplay = dynamic_cast<DCctBase*>(barline->GetData(DK_NOTATION, 0)))
                barlineDisplay->SetX(barline->GetBarlinePos() == AT_BARLINE ? display->GetBarlineX() : 0);
        }
    }
}
