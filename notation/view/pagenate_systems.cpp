// Systems: which measures form the next system (runs of empty measures
// folded into multi-measure rests when one staff alone is shown), the items
// a system start repeats and its end announces, and the fit of the system to
// the width of the printable area.
#include "notation/view/pagenate.h"

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/meter.h"
#include "model/markings.h"
#include "model/mirror.h"
#include "model/performance.h"
#include "model/states.h"
#include "model/appstates.h"
#include "notation/autonote/buildrulers.h"
#include "notation/autonote/notateinfo.h"
#include "notation/display/base.h"
#include "notation/display/clef.h"
#include "notation/display/conductor.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/measure.h"
#include "notation/layout/pagelayout.h"
#include "notation/layout/ruler.h"
#include "notation/layout/staffruler.h"
#include "notation/view/cantrel.h"
#include "notation/view/layoutactions.h"
#include "platform/gdi/dc.h"

#include <cstdlib>
#include <mutex>

namespace {

// Squeeze levels: a new system is mediated with all of them available.
constexpr BYTE ALL_LEVELS = 4;
// Postlogue slots of a courtesy key and meter.
constexpr int POSTLOG_KEY = 0;
constexpr int POSTLOG_METER = 1;
// DCctConductorMeasure::HideMeasures modes and AddMirror's prolog flag.
constexpr BYTE SHOW_MEASURES = 0;
constexpr BYTE HIDE_MEASURES = 1;
constexpr BYTE SHOW_AS_REST = 2;
constexpr int IN_PROLOG = 1;
constexpr int IN_POSTLOG = 0;
// The ruler flag that marks the head of a multi-measure rest.
constexpr int COLLAPSED_HEAD = 2;

// The staff measures of a conductor measure, tracks 1, 2, ... until one is missing.
template <class F>
void ForEachStaffMeasure(ECConductorMeasure* column, F&& f) {
    for (int track = 1;; ++track) {
        ECMeasure* measure = column->GetMeasureOnTrack(track);
        if (!measure)
            break;
        f(track, measure);
    }
}

MCRuler* StaffMeasureRuler(ECMeasure* measure) {
    auto* display = dynamic_cast<DCctMeasure*>(measure ? measure->GetData(DK_NOTATION, 1) : nullptr);
    return display ? &display->GetRuler() : nullptr;
}

// An element's display when it already has one.
DCctBase* ExistingDisplay(ECBase* event) {
    return event ? dynamic_cast<DCctBase*>(event->GetData(DK_NOTATION, 0)) : nullptr;
}

}  // namespace

// ---- walking the conductor staff ----

int CPagenate::GetConductorStaffChildren() {
    ECConductor* conductor = GetConductor();
    m_pConductorStaff =
        conductor ? dynamic_cast<ECConductorStaff*>(conductor->GetTrack(TRACK_CONDUCTOR, 0, 0)) : nullptr;
    m_pMeasures = m_pConductorStaff ? m_pConductorStaff->GetChildren() : nullptr;
    return m_pConductorStaff != nullptr;
}

ECPerformance* CPagenate::GetBaseEvent() const {
    return m_pView ? m_pView->GetBaseEvent() : nullptr;
}

ECConductor* CPagenate::GetConductor() const {
    ECPerformance* performance = GetBaseEvent();
    return performance ? performance->GetConductor() : nullptr;
}

ECConductorMeasure* CPagenate::MeasureAt(POSITION position) const {
    if (!position || !m_pMeasures)
        return nullptr;
    ECBase* child = m_pMeasures->GetAt(position);
    return child && child->GetClassType() == ET_CONDUCTORMEASURE ? static_cast<ECConductorMeasure*>(child) : nullptr;
}

POSITION CPagenate::GetStartPosition() const {
    if (!m_pMeasures)
        return nullptr;
    POSITION pos = m_pMeasures->GetHeadPosition();
    while (pos && !MeasureAt(pos))
        m_pMeasures->GetNext(pos);
    return pos;
}

void CPagenate::GetNextPosition(POSITION& position) const {
    if (!position || !m_pMeasures)
        return;
    m_pMeasures->GetNext(position);
    while (position && !MeasureAt(position))
        m_pMeasures->GetNext(position);
}

void CPagenate::GetPrevPosition(POSITION& position) const {
    if (!position || !m_pMeasures)
        return;
    m_pMeasures->GetPrev(position);
    while (position && !MeasureAt(position))
        m_pMeasures->GetPrev(position);
}

DCctConductorMeasure* CPagenate::ColumnDisplay(ECBase* measure) {
    return measure ? dynamic_cast<DCctConductorMeasure*>(measure->GetData(DK_NOTATION, 1)) : nullptr;
}

MCStaffRuler* CPagenate::GetStaffRuler() {
    if (!m_pConductorStaff)
        GetConductorStaffChildren();
    auto* display =
        m_pConductorStaff ? dynamic_cast<DCctConductorStaff*>(m_pConductorStaff->GetData(DK_NOTATION, 1)) : nullptr;
    return display ? &display->GetRuler() : nullptr;
}

void CPagenate::InitStaffRuler() {
    if (MCStaffRuler* ruler = GetStaffRuler()) {
        ruler->Init(GetConductor());
        ruler->GetSystem(m_nSystemIndex).y = m_nCurrentY;
    }
}

void CPagenate::UpdateStaffRuler() {
    if (MCStaffRuler* ruler = GetStaffRuler()) {
        ruler->Update(GetConductor());
        ruler->GetSystem(m_nSystemIndex).y = m_nCurrentY;
    }
}

// ---- the system loop ----

void CPagenate::PagenateSystems() {
    m_pages.SetPageTimeCount(m_nCurrentPage);
    while (GetNextSystem()) {
        int head = 1;
        for (POSITION pos = m_system.GetHeadPosition(); pos; head = 0)
            if (DCctConductorMeasure* display = ColumnDisplay(m_system.GetNext(pos)))
                display->SetHeadOfSystem(head);
        AddInitialMeterForSystem();
        AddMeterForSystem();
        AddPrologForSystem();
        AddPostlogForSystem();
        SetYPositionForSystem();
        MediateSystem(m_system, 1);
        POSITION next = m_posCurrentMeasure;
        GetNextPosition(next);
        if (!CompressOrExpandSystem(next))
            RemovePostlogFromMeasure(next);
        SetNextSystemStart(next);
        GroupSystem();
        IncrementYPosition();
        if (!IsRecording())
            SendProgress(STATE_PROGRESS_TEXT, 0, 0);
    }
}

int CPagenate::GetNextSystem() {
    m_system.RemoveAll();
    MCStaffRuler* staffRuler = GetStaffRuler();
    if (!staffRuler || !m_pMeasures)
        return 0;
    int n = m_nMeasuresPerSystem;
    POSITION pos = m_posNextSystem;
    const bool collapse = m_bCollapseMeasures && m_bSingleStaff;
    MCEventList run(10);
    bool inRun = false;

    // Ends the system before the measure at `here`, which opens the next one.
    auto endBefore = [&](POSITION here) {
        m_posCurrentMeasure = here;
        GetPrevPosition(m_posCurrentMeasure);
    };

    while (pos) {
        POSITION here = pos;
        ECBase* child = m_pMeasures->GetNext(pos);
        DCctConductorMeasure* display = MeasureAt(here) ? ColumnDisplay(child) : nullptr;
        if (!display)
            continue;
        display->SetMediateRulers(1);
        display->MediateRulers(*staffRuler, ALL_LEVELS);
        MCRulerRuler& ruler = display->GetRuler();

        if (!collapse) {
            m_posCurrentMeasure = here;
            m_system.AddTail(child);
            if (--n == 0)
                break;
            continue;
        }

        const bool empty = ruler.IsEmpty();
        const bool change = ruler.IsKeyInProlog() || ruler.IsMeterInProlog();
        if (empty && !change) {
            if (!inRun && n == 0) {
                // The system is full: an empty measure cannot open a run in it.
                endBefore(here);
                return m_system.GetCount();
            }
            m_posCurrentMeasure = here;
            ruler.SetCollapse(1);
            display->HideMeasures(HIDE_MEASURES);
            if (!inRun) {
                --n;
                inRun = true;
                ruler.SetCollapsedHead(COLLAPSED_HEAD);
                display->HideMeasures(SHOW_AS_REST);
            }
            run.AddTail(child);
            continue;
        }
        if (empty) {
            // A key or meter change opens a run of its own.
            if (inRun) {
                inRun = false;
                if (!ConsolidateMeasures(m_system, run, n))
                    return m_system.GetCount();
            }
            if (n == 0) {
                endBefore(here);
                return m_system.GetCount();
            }
            m_posCurrentMeasure = here;
            ruler.SetCollapse(1);
            display->HideMeasures(HIDE_MEASURES);
            --n;
            inRun = true;
            ruler.SetCollapsedHead(COLLAPSED_HEAD);
            display->HideMeasures(SHOW_AS_REST);
            run.AddTail(child);
            continue;
        }
        // A measure with content.
        if (n == 0) {
            if (inRun && run.GetCount() > 0) {
                if (ConsolidateMeasures(m_system, run, n))
                    endBefore(here);
            } else {
                endBefore(here);
            }
            return m_system.GetCount();
        }
        m_posCurrentMeasure = here;
        m_system.AddTail(child);
        --n;
        if (inRun) {
            inRun = false;
            if (!ConsolidateMeasures(m_system, run, n))
                return m_system.GetCount();
        }
        if (n == 0)
            break;
    }
    if (run.GetCount() > 0)
        ConsolidateMeasures(m_system, run, n);
    return m_system.GetCount();
}

int CPagenate::ConsolidateMeasures(MCEventList& system, MCEventList& run, int& remaining) {
    const int length = run.GetCount();
    if (length == 0)
        return 1;
    if (length < m_nCollapseThreshold) {
        // Too short for a multi-measure rest: ordinary measures again.
        for (POSITION pos = run.GetHeadPosition(); pos;) {
            ECBase* member = run.GetNext(pos);
            if (DCctConductorMeasure* display = ColumnDisplay(member)) {
                display->GetRuler().SetCollapse(0);
                display->HideMeasures(SHOW_MEASURES);
            }
            system.AddTail(member);
        }
        run.RemoveAll();
        system.Sort();
        const int slots = GetLineCount(system);
        if (slots > m_nMeasuresPerSystem) {
            // The measures past the system's slots open the next system.
            int count = 0;
            for (POSITION pos = system.GetHeadPosition(); pos;) {
                POSITION here = pos;
                ECBase* member = system.GetNext(pos);
                DCctConductorMeasure* display = ColumnDisplay(member);
                if (!display || display->IsCollapsedMember())
                    continue;
                if (++count <= m_nMeasuresPerSystem)
                    continue;
                POSITION cut = m_pMeasures->Find(member);
                m_posNextSystem = cut;
                m_posCurrentMeasure = cut;
                GetPrevPosition(m_posCurrentMeasure);
                while (here) {
                    POSITION drop = here;
                    system.GetNext(here);
                    system.RemoveAt(drop);
                }
                break;
            }
            return 0;
        }
        if (slots == m_nMeasuresPerSystem) {
            m_posCurrentMeasure = m_pMeasures->Find(system.GetTail());
            m_posNextSystem = m_posCurrentMeasure;
            GetNextPosition(m_posNextSystem);
            return 0;
        }
        remaining += 1 - length;
        return 1;
    }
    ECBase* head = run.GetHead();
    system.AddTail(&run);
    system.Sort();
    if (DCctConductorMeasure* display = ColumnDisplay(head)) {
        display->GetRuler().SetCollapseCount(static_cast<WORD>(length));
        // The staff measures draw the rest with the count their rulers hold.
        ForEachStaffMeasure(static_cast<ECConductorMeasure*>(head), [&](int, ECMeasure* measure) {
            if (MCRuler* ruler = StaffMeasureRuler(measure))
                ruler->SetCollapseCount(static_cast<WORD>(length));
        });
        display->HideMeasures(SHOW_AS_REST);
    }
    run.RemoveAll();
    return 1;
}

template <class Value>
int CPagenate::SumOverLineSlots(MCEventList& list, Value value) {
    int sum = 0;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        DCctConductorMeasure* display = ColumnDisplay(list.GetNext(pos));
        if (display && !display->IsCollapsedMember())
            sum += value(*display);
    }
    return sum;
}

ECBase* CPagenate::LastLineSlot(MCEventList& list) {
    ECBase* last = nullptr;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        ECBase* member = list.GetNext(pos);
        DCctConductorMeasure* display = ColumnDisplay(member);
        if (display && !display->IsCollapsedMember())
            last = member;
    }
    return last;
}

int CPagenate::GetLineCount(MCEventList& list) {
    if (!(m_bCollapseMeasures && m_bSingleStaff))
        return list.GetCount();
    return SumOverLineSlots(list, [](DCctConductorMeasure&) { return 1; });
}

int CPagenate::GetSystemWidth(MCEventList& list) {
    return SumOverLineSlots(list, [](DCctConductorMeasure& display) { return display.GetWidth(); });
}

int CPagenate::GetSystemCompressAmount(MCEventList& list) {
    return SumOverLineSlots(list, [](DCctConductorMeasure& display) { return display.GetCompress(); });
}

int CPagenate::MediateSystem(MCEventList& list, int recalc) {
    MCStaffRuler* staffRuler = GetStaffRuler();
    if (!staffRuler)
        return 0;
    int width = 0;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        DCctConductorMeasure* display = ColumnDisplay(list.GetNext(pos));
        if (!display || display->IsCollapsedMember())
            continue;
        MCRulerRuler& ruler = display->GetRuler();
        if (recalc) {
            ruler.ResetProlog();
            ruler.ResetRuler();
            ruler.DeletePostlog();
            display->CalculateMinimumWidth(*staffRuler, ALL_LEVELS);
            ruler.ResetProlog();
            ruler.ResetRuler();
            ruler.DeletePostlog();
        }
        display->SetMediateRulers(1);
        display->MediateRulers(*staffRuler, ALL_LEVELS);
        width += display->GetWidth();
    }
    return width;
}

// ---- items at a system's start and end ----

void CPagenate::AddMeterToProlog(ECConductorMeasure* column, ECMeter* meter) {
    ForEachStaffMeasure(column, [&](int, ECMeasure* measure) {
        if (MCRuler* ruler = StaffMeasureRuler(measure))
            ruler->UpdateRuler(meter, 0);
    });
    if (DCctConductorMeasure* display = ColumnDisplay(column))
        display->AddMirror(meter, IN_PROLOG);
}

void CPagenate::AddInitialMeterForSystem() {
    ECConductor* conductor = GetConductor();
    auto* first = static_cast<ECConductorMeasure*>(m_system.GetHead());
    if (!conductor || !first || *first->GetTime() != MCTime(0.0f))
        return;
    ECMeter* meter = conductor->GetMeterAtTime(MCTime(0.0f));
    if (!meter || !ExistingDisplay(meter))
        return;
    AddMeterToProlog(first, meter);
}

void CPagenate::AddMeterForSystem() {
    ECConductor* conductor = GetConductor();
    if (!conductor)
        return;
    for (POSITION pos = m_system.GetHeadPosition(); pos;) {
        auto* column = static_cast<ECConductorMeasure*>(m_system.GetNext(pos));
        const MCTime time = *column->GetTime();
        if (time == MCTime(0.0f))
            continue;
        ECMeter* meter = conductor->GetMeterAtTime(time);
        if (!meter || *meter->GetTime() != time)
            continue;
        if (!ExistingDisplay(meter))
            return;
        AddMeterToProlog(column, meter);
    }
}

void CPagenate::AddPrologForSystem() {
    auto* first = static_cast<ECConductorMeasure*>(m_system.GetHead());
    DCctConductorMeasure* display = ColumnDisplay(first);
    ECPerformance* performance = GetBaseEvent();
    if (!display || !performance)
        return;
    std::unique_ptr<CDC> dc = MakePreparedDC();
    ForEachStaffMeasure(first, [&](int, ECMeasure* measure) {
        ACFindFirstEvent find;
        find.AddEvtType(ET_CLEF);
        find.Apply(measure);
        ECBase* clef = find.GetEvent();
        if (!clef || !clef->GetTime() || *clef->GetTime() != *measure->GetTime())
            return;
        auto* clefDisplay = dynamic_cast<DCctClef*>(ExistingDisplay(clef));
        if (!clefDisplay)
            return;
        // A clef opening the system is drawn full size.
        clefDisplay->SetFullSize(1);
        clefDisplay->SetFrameDirty(1);
        std::lock_guard lock(performance->GetLock());
        ACSetSize size;
        size.SetDC(dc.get());
        size.Apply(clef);
        ACBuildRulers rulers;
        rulers.Apply(clef);
    });
    display->AddClefToMeasures();
    display->AddKeyToMeasures();
}

void CPagenate::AddPostlogForSystem() {
    POSITION nextPos = m_posCurrentMeasure;
    GetNextPosition(nextPos);
    ECConductorMeasure* next = MeasureAt(nextPos);
    auto* last = static_cast<ECConductorMeasure*>(m_system.GetTail());
    if (!next || !last)
        return;
    ForEachStaffMeasure(next, [&](int track, ECMeasure* measure) {
        ECMeasure* lastMeasure = last->GetMeasureOnTrack(track);
        auto* lastDisplay = dynamic_cast<DCctMeasure*>(lastMeasure ? lastMeasure->GetData(DK_NOTATION, 1) : nullptr);
        if (!lastDisplay)
            return;
        ACFindEvents find;
        find.AddEvtType(ET_KEY);
        find.Apply(measure);
        MCEventList& keys = find.GetEvents();
        for (POSITION pos = keys.GetHeadPosition(); pos;) {
            auto* key = static_cast<ECKey*>(keys.GetNext(pos));
            lastDisplay->AddMirror(key, key->GetHand() == 0 ? 1 : 0, IN_POSTLOG);
            if (DCctBase* keyDisplay = ExistingDisplay(key))
                lastDisplay->GetRuler().SetPostlog(POSTLOG_KEY, keyDisplay->GetWidth());
        }
    });
    ECConductor* conductor = GetConductor();
    ECMeter* meter = conductor ? conductor->GetMeterAtTime(*next->GetTime()) : nullptr;
    DCctBase* meterDisplay = meter && *meter->GetTime() == *next->GetTime() ? ExistingDisplay(meter) : nullptr;
    if (!meterDisplay)
        return;
    ForEachStaffMeasure(last, [&](int, ECMeasure* measure) {
        if (MCRuler* ruler = StaffMeasureRuler(measure))
            ruler->SetPostlog(POSTLOG_METER, meterDisplay->GetWidth());
    });
    if (DCctConductorMeasure* display = ColumnDisplay(last))
        display->AddMirror(meter, IN_POSTLOG);
}

void CPagenate::RemovePostlogFromMeasure(POSITION position) {
    ECConductorMeasure* column = MeasureAt(position);
    DCctConductorMeasure* display = ColumnDisplay(column);
    ECPerformance* performance = GetBaseEvent();
    if (!display || !performance)
        return;
    display->GetRuler().DeletePostlog();
    display->GetRuler().ResetRuler();
    ForEachStaffMeasure(column, [&](int, ECMeasure* measure) {
        MCRuler* ruler = StaffMeasureRuler(measure);
        if (!ruler)
            return;
        std::lock_guard lock(performance->GetLock());
        // The courtesy mirrors go first, out of the ruler too, so that the
        // rebuilt ruler does not take them back into its postlogue.
        MCEventList mirrors;
        if (MCEventList* children = measure->GetChildren()) {
            for (POSITION pos = children->GetHeadPosition(); pos;) {
                ECBase* child = children->GetNext(pos);
                if (child->GetClassType() != ET_MIRROR)
                    continue;
                ECBase* shown = static_cast<ECMirror*>(child)->GetMirrorEvent();
                const int type = shown ? shown->GetClassType() : -1;
                if (type != ET_KEY && type != ET_METER)
                    continue;
                ruler->UpdateRuler(child, 1);
                mirrors.AddTail(child);
                measure->RemoveChild(child, 1);
            }
        }
        UnlistMirrors(mirrors);
        ruler->DeletePostlog();
        ruler->ResetRuler();
        ACBuildRulers rulers;
        rulers.Apply(measure);
    });
}

void CPagenate::SetYPositionForSystem() {
    for (POSITION pos = m_system.GetHeadPosition(); pos;)
        if (DCctConductorMeasure* display = ColumnDisplay(m_system.GetNext(pos)))
            display->SetPosition(m_nCurrentX, m_nCurrentY);
}

// ---- fitting a system to the width ----

int CPagenate::CompressOrExpandSystem(POSITION& next) {
    const int total = GetSystemCompressAmount(m_system);
    const int end = m_nCurrentX + GetSystemWidth(m_system);
    const int right = PrintableRect(m_nCurrentPage).right;
    int result = 1;
    if (end > right) {
        const int overflow = end - right;
        if (overflow < total) {
            result = CompressSystem(m_system, overflow, total, 0);
        } else if (GetLineCount(m_system) == 1) {
            result = CompressSystem(m_system, overflow, total, 1);
        } else {
            // Even squeezed the measures do not fit: the last one opens the next system.
            ECBase* last = m_system.GetTail();
            if (DCctConductorMeasure* display = ColumnDisplay(last)) {
                display->GetRuler().ResetProlog();
                display->GetRuler().ResetRuler();
            }
            m_system.RemoveTail();
            next = m_posCurrentMeasure;
            GetPrevPosition(m_posCurrentMeasure);
            AddPostlogForSystem();
            MediateSystem(m_system, 1);
            if (!CompressOrExpandSystem(next))
                RemovePostlogFromMeasure(next);
            return 0;
        }
    } else {
        ExpandSystem(m_system, right - end);
    }
    if (result == 1) {
        next = m_posCurrentMeasure;
        GetNextPosition(next);
    }
    return result;
}

int CPagenate::SetWidth(DCctConductorMeasure* measure, MCRulerRuler& ruler, MCStaffRuler& staffRuler, int width,
                        int levels, int force) {
    // The ruler tells whether it took the width; the display then follows it.
    auto tryWidth = [&](int forced) {
        const int result = ruler.SetWidth(static_cast<short>(width), forced);
        measure->SetWidth(width, forced);
        return result;
    };
    int result = tryWidth(0);
    for (int level = 1; !result && level <= levels; ++level) {
        ruler.SetSqueezeLevel(static_cast<BYTE>(level));
        ruler.ResetRuler();
        measure->SetMediateRulers(1);
        measure->MediateRulers(staffRuler, static_cast<BYTE>(levels));
        result = tryWidth(0);
    }
    if (!result && force)
        return tryWidth(1);
    return result;
}

int CPagenate::CompressSystem(MCEventList& list, int amount, int total, int force) {
    const int slots = GetLineCount(list);
    MCStaffRuler* staffRuler = GetStaffRuler();
    if (amount == 0 || slots == 0 || !staffRuler || list.IsEmpty())
        return 1;
    if (total == 0)
        total = std::abs(amount) / slots;
    // The last line slot gives up what is left, so the system ends exactly.
    ECBase* lastSlot = LastLineSlot(list);
    DCctConductorMeasure* first = ColumnDisplay(list.GetHead());
    CPoint point = first ? first->GetPosition() : CPoint(m_nCurrentX, m_nCurrentY);
    int left = amount;
    int previousWidth = 0;
    int result = 1;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        ECBase* member = list.GetNext(pos);
        DCctConductorMeasure* display = ColumnDisplay(member);
        if (!display)
            continue;
        display->SetPosition(point);
        if (display->IsCollapsedMember()) {
            SetWidth(display, display->GetRuler(), *staffRuler, previousWidth, ALL_LEVELS, force);
        } else {
            const int share =
                member == lastSlot ? left : (total ? display->GetCompress() * amount / total : 0);
            left -= share;
            const int width = display->GetWidth() - share;
            if (!SetWidth(display, display->GetRuler(), *staffRuler, width, ALL_LEVELS, force)) {
                display->SetWidth(width, 1);
                result = 0;
            }
            display->UpdateWidth();
            point = display->GetEndPosition();
            previousWidth = display->GetWidth();
        }
        AddMeasureToList(static_cast<ECConductorMeasure*>(member));
    }
    return result;
}

void CPagenate::ExpandSystem(MCEventList& list, int amount) {
    const int slots = GetLineCount(list);
    if (slots == 0 || list.IsEmpty())
        return;
    const int share = amount / slots;
    ECBase* lastSlot = LastLineSlot(list);
    DCctConductorMeasure* first = ColumnDisplay(list.GetHead());
    CPoint point = first ? first->GetPosition() : CPoint(m_nCurrentX, m_nCurrentY);
    int left = amount;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        ECBase* member = list.GetNext(pos);
        DCctConductorMeasure* display = ColumnDisplay(member);
        if (!display || display->IsCollapsedMember())
            continue;
        const int add = member == lastSlot ? left : share;
        left -= add;
        display->SetPosition(point);
        display->SetWidth(display->GetWidth() + add, 0);
        display->UpdateWidth();
        point = display->GetEndPosition();
        AddMeasureToList(static_cast<ECConductorMeasure*>(member));
    }
}
