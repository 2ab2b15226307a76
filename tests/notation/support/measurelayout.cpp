// Measures laid out into systems with pagination's calls.
#include "tests/notation/support/measurelayout.h"

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/staff.h"
#include "notation/display/conductor.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/measure.h"
#include "notation/display/notate.h"
#include "notation/layout/musicfont.h"

#include <numeric>

namespace notation_test {

namespace {

constexpr int ALL_LEVELS = 4;    // the squeeze levels pagination mediates with
constexpr int FORCE = 1;
constexpr int STAFF_SPACES = 4;  // a five-line staff is four spaces high

}  // namespace

int MeasureLayout::Apply(const SystemLayout& layout) {
    m_layout = layout;
    m_systems.clear();
    if (!m_pConductor)
        return 0;
    auto* conductorStaff = m_pConductor->GetTrack(TRACK_CONDUCTOR, 0, 0);
    auto* staffDisplay =
        conductorStaff ? dynamic_cast<DCctConductorStaff*>(conductorStaff->GetData(DK_NOTATION, 1)) : nullptr;
    if (!staffDisplay)
        return 0;

    // The vertical ruler: every staff shown, each below the one before.
    const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
    MCStaffRuler& staffRuler = staffDisplay->GetRuler();
    staffRuler.Init(m_pConductor);
    for (int i = 0; i < staffRuler.GetStaffCount(); ++i) {
        staffRuler.SetStaffY(i, -layout.staffDistance * i);
        staffRuler.SetSpaceAbove(i, 2 * h);
        staffRuler.SetSpaceBelow(i, -(STAFF_SPACES * h + 2 * h));
    }

    int placed = 0;
    int number = 1;
    for (size_t s = 0; s < layout.measuresPerSystem.size(); ++s) {
        System system;
        system.top = s < layout.systemTops.size() ? layout.systemTops[s]
                     : s == 0                    ? layout.firstTop
                                                 : m_systems.back().top - layout.systemStep;
        system.first = number;
        system.left = layout.left;
        int x = layout.left;
        for (int k = 0; k < layout.measuresPerSystem[s]; ++k, ++number) {
            DCctConductorMeasure* column = Column(number);
            if (!column)
                continue;
            column->SetHeadOfSystem(k == 0);
            if (k == 0) {
                column->AddClefToMeasures();
                column->AddKeyToMeasures();
            }
            column->SetMediateRulers(1);
            column->MediateRulers(staffRuler, ALL_LEVELS);
            column->SetWidth(layout.measureWidth, FORCE);
            column->UpdateWidth();
            column->SetPosition(x, system.top);
            x += column->GetWidth();
            ++placed;
        }
        system.last = number - 1;
        system.right = x;
        m_systems.push_back(system);
    }

    // The staff measures take their places from their conductor measures.
    const int staves = m_pConductor->GetMaxTrackNumber(TRACK_STAFF);
    for (int n = 1; n < number; ++n)
        for (int staff = 1; staff <= staves; ++staff)
            if (DCctMeasure* measure = StaffMeasure(staff, n)) {
                auto* event = static_cast<ECMeasure*>(measure->GetOwner());
                auto* track = static_cast<ECStaff*>(m_pConductor->GetTrack(TRACK_STAFF, staff, 0));
                if (measure->Position(m_pConductor, track, event, nullptr))
                    measure->SetPositionDirty(0);
            }
    return placed;
}

namespace {

// The notes, chords and rests below `event`, each before what it holds.
void PrepareBelow(ECBase* event, ECConductor* conductor, ECStaff* staff, ECMeasure* measure) {
    MCEventList* children = event->GetChildren();
    if (!children)
        return;
    for (POSITION pos = children->GetHeadPosition(); pos;) {
        ECBase* child = children->GetNext(pos);
        if (auto* display = dynamic_cast<DCctNotate*>(child->GetData(DK_NOTATION, 0))) {
            display->SetSize(nullptr);
            display->Assemble();
            if (display->Position(conductor, staff, measure, nullptr))
                display->SetPositionDirty(0);
        }
        PrepareBelow(child, conductor, staff, measure);
    }
}

}  // namespace

void MeasureLayout::PrepareNotes() {
    const int staves = m_pConductor ? m_pConductor->GetMaxTrackNumber(TRACK_STAFF) : 0;
    for (const System& system : m_systems)
        for (int n = system.first; n <= system.last; ++n)
            for (int staff = 1; staff <= staves; ++staff)
                if (ECMeasure* measure = m_pConductor->GetMeasure(staff, n))
                    PrepareBelow(measure, m_pConductor,
                                 static_cast<ECStaff*>(m_pConductor->GetTrack(TRACK_STAFF, staff, 0)), measure);
}

int MeasureLayout::SystemOf(int number) const {
    for (size_t s = 0; s < m_systems.size(); ++s)
        if (number >= m_systems[s].first && number <= m_systems[s].last)
            return static_cast<int>(s);
    return -1;
}

int MeasureLayout::StaffTop(int system, int staff) const {
    return Top(system) - m_layout.staffDistance * (staff - 1);
}

DCctConductorMeasure* MeasureLayout::Column(int number) const {
    ECMeasure* column = m_pConductor ? m_pConductor->GetMeasure(TRACK_CONDUCTOR, number) : nullptr;
    return column ? dynamic_cast<DCctConductorMeasure*>(column->GetData(DK_NOTATION, 1)) : nullptr;
}

DCctMeasure* MeasureLayout::StaffMeasure(int staff, int number) const {
    ECMeasure* measure = m_pConductor ? m_pConductor->GetMeasure(staff, number) : nullptr;
    return measure ? dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 1)) : nullptr;
}

}  // namespace notation_test
