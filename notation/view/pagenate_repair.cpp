// Repair after edits: a changed measure is refitted in place, then its
// system, and only when that fails is everything from its system on laid
// out again.
#include "notation/view/pagenate.h"

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/meter.h"
#include "model/mirror.h"
#include "model/performance.h"
#include "notation/autonote/notateinfo.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/measure.h"
#include "notation/layout/pagelayout.h"
#include "notation/layout/ruler.h"
#include "notation/layout/staffruler.h"

#include <mutex>

namespace {

// The squeeze levels a measure refitted in place may use.
constexpr BYTE REPAIR_LEVELS = 3;
constexpr BYTE SHOW_MEASURES = 0;

}  // namespace

void CPagenate::RepagenateAll() {
    POSITION first = GetConductorStaffChildren() ? GetStartPosition() : nullptr;
    if (!first)
        return;
    PrepareForRepagenate(first);
    m_firstTemplate.clear();
    m_nextTemplate.clear();
    if (MCStaffRuler* ruler = GetStaffRuler())
        m_bSingleStaff = ruler->IsSingleStaff();
    Pagenate();
}

void CPagenate::RepagenateNew(const MCTime& time) {
    ECConductor* conductor = GetConductor();
    if (!conductor || !GetConductorStaffChildren())
        return;
    if (time == MCTime(0.0f) || time == MCTime::TimeNull()) {
        RepagenateAll();
    } else {
        ECMeasure* measure = conductor->GetMeasure(TRACK_CONDUCTOR, conductor->GetMeasureNumberBeforeTime(time));
        if (measure && measure->GetClassType() == ET_CONDUCTORMEASURE)
            RepagenateFrom(conductor, static_cast<ECConductorMeasure*>(measure));
    }
    NumberMeasures();
}

void CPagenate::RepagenateMeasures(MCEventList& list) {
    ECConductor* conductor = GetConductor();
    if (!conductor || !GetConductorStaffChildren())
        return;
    if (MCStaffRuler* ruler = GetStaffRuler())
        m_bSingleStaff = ruler->IsSingleStaff();
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        ECBase* element = list.GetNext(pos);
        if (element->GetClassType() != ET_CONDUCTORMEASURE)
            continue;
        auto* measure = static_cast<ECConductorMeasure*>(element);
        if (UpdateMeasureFixed(measure) || UpdateSystemFixed(conductor, measure))
            continue;
        RepagenateFrom(conductor, measure);
        break;
    }
}

int CPagenate::UpdateMeasureFixed(ECConductorMeasure* measure) {
    if (IsRecording())
        return 1;
    DCctConductorMeasure* display = ColumnDisplay(measure);
    MCStaffRuler* staffRuler = GetStaffRuler();
    if (!display || !staffRuler)
        return 0;
    MCRulerRuler& ruler = display->GetRuler();
    const int width = display->GetWidth();
    const int oldMinimum = ruler.GetMinimumWidth();
    auto reset = [&]() {
        ruler.ResetProlog();
        ruler.ResetRuler();
        ruler.DeletePostlog();
    };
    reset();
    display->CalculateMinimumWidth(*staffRuler, REPAIR_LEVELS);
    const int newMinimum = ruler.GetMinimumWidth();
    reset();
    display->SetMediateRulers(1);
    display->MediateRulers(*staffRuler, REPAIR_LEVELS);
    if (newMinimum < oldMinimum)
        return 0;
    if (width >= newMinimum) {
        const int result = SetWidth(display, ruler, *staffRuler, width, REPAIR_LEVELS, 0);
        if (result)
            AddMeasureToList(measure);
        return result;
    }
    display->SetWidth(newMinimum, 0);
    return 0;
}

int CPagenate::UpdateSystemFixed(ECConductor* /*conductor*/, ECConductorMeasure* measure) {
    MCEventList system(10);
    POSITION first = nullptr;
    POSITION last = nullptr;
    GetSystem(m_pConductorStaff, measure, system, first, last);
    DCctConductorMeasure* head = ColumnDisplay(system.GetHead());
    if (!head)
        return 0;
    const int available = PrintableRect(1).right - head->GetPosition().x;
    const int width = MediateSystem(system, 1);
    int minimum = 0;
    for (POSITION pos = system.GetHeadPosition(); pos;) {
        DCctConductorMeasure* display = ColumnDisplay(system.GetNext(pos));
        if (display && !display->IsCollapsedMember())
            minimum += display->GetRuler().GetMinimumWidth();
    }
    if (available < minimum) {
        if (system.GetCount() == 1) {
            CompressSystem(system, width - available, width - available, 1);
            return 1;
        }
        return 0;
    }
    if (width < available) {
        ExpandSystem(system, available - width);
        PositionBarlines(system);
        return 1;
    }
    const int result = CompressSystem(system, width - available, GetSystemCompressAmount(system), 0);
    PositionBarlines(system);
    return result;
}

void CPagenate::GetSystem(ECConductorStaff* /*staff*/, ECConductorMeasure* measure, MCEventList& list,
                          POSITION& first, POSITION& last) {
    list.RemoveAll();
    first = last = nullptr;
    DCctConductorMeasure* display = ColumnDisplay(measure);
    POSITION at = m_pMeasures && measure ? m_pMeasures->Find(measure) : nullptr;
    if (!display || !at)
        return;
    const int y = display->GetPosition().y;
    auto sameSystem = [&](POSITION pos) {
        DCctConductorMeasure* other = ColumnDisplay(MeasureAt(pos));
        return other && other->GetPosition().y == y;
    };
    first = at;
    for (POSITION pos = at; (GetPrevPosition(pos), pos) && sameSystem(pos);)
        first = pos;
    last = at;
    for (POSITION pos = at; (GetNextPosition(pos), pos) && sameSystem(pos);)
        last = pos;
    for (POSITION pos = first;; GetNextPosition(pos)) {
        list.AddTail(MeasureAt(pos));
        if (pos == last)
            break;
    }
}

void CPagenate::GetSystemStartPosition(ECConductorMeasure* measure, POSITION& position) {
    MCEventList system(10);
    POSITION last = nullptr;
    GetSystem(m_pConductorStaff, measure, system, position, last);
}

void CPagenate::RepagenateFrom(ECConductor* conductor, ECConductorMeasure* measure) {
    if (!measure && conductor) {
        ECMeasure* atZero = conductor->GetMeasure(TRACK_CONDUCTOR, 1);
        measure = atZero && atZero->GetClassType() == ET_CONDUCTORMEASURE ? static_cast<ECConductorMeasure*>(atZero)
                                                                          : nullptr;
    }
    POSITION start = nullptr;
    GetSystemStartPosition(measure, start);
    DCctConductorMeasure* display = ColumnDisplay(MeasureAt(start));
    if (!display)
        return;
    PrepareForRepagenate(start);
    const CPoint at = display->GetPosition();
    m_nCurrentPage = static_cast<uint16_t>(GetPageAtPoint(at));
    if (MCStaffRuler* ruler = GetStaffRuler())
        m_nSystemIndex = static_cast<uint16_t>(ruler->FindSystem(at.y));
    m_posNextSystem = start;
    m_nCurrentX = at.x;
    m_nCurrentY = at.y;
    PagenateSystems();
    if (m_pNotateInfo) {
        m_pNotateInfo->SetPagenateStart(*measure->GetTime());
        m_pNotateInfo->SetPagenateEnd(MCTime::TimeMax());
    }
    m_pages.SetPageCount(m_nCurrentPage);
}

void CPagenate::PrepareForRepagenate(POSITION position) {
    ECPerformance* performance = GetBaseEvent();
    if (!performance)
        return;
    MCEventList mirrors;   // taken out of the tree, and so out of their lists once all are found
    for (POSITION pos = position; pos; GetNextPosition(pos)) {
        ECConductorMeasure* column = MeasureAt(pos);
        DCctConductorMeasure* display = column ? dynamic_cast<DCctConductorMeasure*>(column->GetData(DK_NOTATION, 0))
                                               : nullptr;
        if (!display)
            continue;
        {
            std::lock_guard lock(performance->GetLock());
            ACFindEvents find(2);
            find.AddEvtType(ET_BARLINE);
            find.AddEvtType(ET_BRAC);
            find.Apply(column);
            for (POSITION f = find.GetEvents().GetHeadPosition(); f;) {
                ECBase* item = find.GetEvents().GetNext(f);
                column->RemoveChild(item, 1);
            }
            for (int track = 1;; ++track) {
                ECMeasure* measure = column->GetMeasureOnTrack(track);
                if (!measure)
                    break;
                auto* measureDisplay = dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0));
                MCEventList* children = measure->GetChildren();
                if (!children)
                    continue;
                for (POSITION c = children->GetHeadPosition(); c;) {
                    ECBase* child = children->GetNext(c);
                    if (child->GetClassType() != ET_MIRROR)
                        continue;
                    if (measureDisplay)
                        measureDisplay->GetRuler().UpdateRuler(child, 1);
                    mirrors.AddTail(child);
                    measure->RemoveChild(child, 1);
                }
            }
        }
        // A new layout starts unsqueezed, so laying out again gives the same.
        display->GetRuler().SetSqueezeLevel(0);
        display->GetRuler().ResetRuler();
        display->GetRuler().DeletePostlog();
        display->GetRuler().SetCollapse(0);
        display->HideMeasures(SHOW_MEASURES);
    }
    std::lock_guard lock(performance->GetLock());
    UnlistMirrors(mirrors);
}

void CPagenate::AddMeasureToList(ECConductorMeasure* measure) {
    ECConductor* conductor = GetConductor();
    if (!m_pNotateInfo || !measure || !conductor)
        return;
    const MCTime start = *measure->GetTime();
    MCTime end = start;
    if (ECMeter* meter = conductor->GetMeterAtTime(start))
        end += MCTime(meter->GetMeasureLength());
    // Every measure refitted stays inside the range: the range only widens.
    m_pNotateInfo->SetPagenateStart(start);
    m_pNotateInfo->SetPagenateEnd(end);
}

void CPagenate::NumberMeasures() {
    int index = 1;
    for (POSITION pos = GetStartPosition(); pos; GetNextPosition(pos))
        if (DCctConductorMeasure* display = ColumnDisplay(MeasureAt(pos)))
            display->SetMeasureIndex(index++);
}
