// DCctConductorMeasure: fields, archive form, frames, the ruler, the vertical
// layout, time and cursor, and hiding the staff measures. Drawing is in
// measurenumbers.cpp, the mirrors in conductormirrors.cpp.
#include "notation/display/conductormeasure.h"

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/meter.h"
#include "notation/display/conductor.h"
#include "notation/layout/digits.h"
#include "notation/layout/staffruler.h"
#include "platform/core/archive.h"

#include <algorithm>

IMPLEMENT_SERIAL(DCctConductorMeasure, DCctBase, VERSIONABLE_SCHEMA | 2)

DCctConductorMeasure::ExternalLinks& DCctConductorMeasure::Links() {
    static ExternalLinks links;
    return links;
}

DCctConductorMeasure::DCctConductorMeasure() : m_nDisplayOffset(m_ruler.GetHeight()) {}

DCctConductorMeasure::DCctConductorMeasure(const DCctConductorMeasure& other)
    : DCctBase(other), m_nDisplayOffset(m_ruler.GetHeight()) {}

DCctConductorMeasure::~DCctConductorMeasure() = default;

void DCctConductorMeasure::Serialize(CArchive& ar) {
    DCctBase::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<LONG>(m_nDisplayOffset);
    } else {
        LONG offset = 0;
        ar >> offset;
        m_nDisplayOffset = offset;
    }
    m_ruler.Serialize(ar);
}

void DCctConductorMeasure::SetSize(CDC*) {
    m_metrics.SetWidth(static_cast<WORD>(m_ruler.GetWidth()));
    m_metrics.SetHeight(static_cast<WORD>(m_ruler.GetHeight()));
    m_nDisplayOffset = m_ruler.GetHeight();
    SetFrameDirty(0);
}

int DCctConductorMeasure::GetWidth() {
    return m_ruler.GetWidth();
}

void DCctConductorMeasure::GetFrame(CRect* rect, int selector) {
    StripFrame(rect, GetPosition());
    if (selector == 1 && (m_metrics.GetWidth() != 0 || m_metrics.GetHeight() != 0))
        rect->bottom -= GetSystemHeight();
}

void DCctConductorMeasure::GetVirtualFrame(CRect* rect, int) {
    StripFrame(rect, GetVirtualPosition());
}

void DCctConductorMeasure::StripFrame(CRect* rect, CPoint p) {
    if (m_metrics.GetWidth() == 0 && m_metrics.GetHeight() == 0) {
        rect->SetRectEmpty();
        return;
    }
    rect->left = p.x;
    rect->right = p.x + m_metrics.GetWidth();
    rect->top = p.y + m_nDisplayOffset - m_metrics.GetTop();
    rect->bottom = rect->top - m_metrics.GetHeight();
}

void DCctConductorMeasure::GetTotalFrame(CRect* rect, CPoint point, int* maxY) {
    CRect own;
    GetFrame(&own, 0);
    own.NormalizeRect();
    own.OffsetRect(point);
    if (!own.IsRectEmpty() && maxY)
        *maxY = std::max({*maxY, own.top, own.bottom});
    const CPoint p = GetPosition();
    CRect system(p.x, p.y, p.x + m_metrics.GetWidth(), p.y - GetSystemHeight());
    system.NormalizeRect();
    rect->UnionRect(own, system);
}

// ---- ruler ----

void DCctConductorMeasure::CreateDivMarks(ECMeter* meter, WORD resolution) {
    m_ruler.CreateDivMarks(meter, resolution);
}

void DCctConductorMeasure::SetRulerBorrowed(int on, MCTime& duration, int divisions) {
    if (on == 1) {
        ECConductor* conductor = GetConductor();
        ECBase* owner = GetOwner();
        MCTime* time = owner ? owner->GetTime() : nullptr;
        ECMeter* meter = conductor && time ? conductor->GetMeterAtTime(*time) : nullptr;
        if (!meter)
            return;
        const int span = HighestPowerOfTwo(duration.GetTicks(256), 0);
        const WORD pulse = m_ruler.GetGroupPulse(0);
        const WORD borrowed = m_ruler.GetBorrowedPulse(meter, divisions);
        // A division the pulse already holds needs no marks of its own (a
        // count of 0 from a damaged tuplet divides nothing).
        if (divisions <= 0 || (IsPowerOfTwo(pulse) && pulse % divisions == 0))
            return;
        m_ruler.AddBorrowedDivMarks(meter, divisions, static_cast<WORD>(span));
        m_wDisplayPulse = borrowed;
        m_ruler.SetDisplayBorrowed(1, borrowed);
        return;
    }
    m_wDisplayPulse = NO_BORROWED_PULSE;
    m_ruler.SetDisplayBorrowed(0, NO_BORROWED_PULSE);
}

void DCctConductorMeasure::MediateRulers(MCStaffRuler& staffRuler, BYTE) {
    if (!m_bMediate)
        return;
    for (int i = 0; i < staffRuler.GetStaffCount(); ++i) {
        if (!staffRuler.IsStaffShown(i))
            continue;
        ECMeasure* measure = StaffMeasure(i);
        if (!measure)
            break;
        MCRuler* ruler = MeasureRuler(measure);
        if (!ruler)
            continue;
        if (m_ruler.GetNumberOfRulerGroups() > 0)
            m_ruler.MediateRulers(*ruler);
        else
            m_ruler = *ruler;
    }
    m_bMediate = 0;
}

void DCctConductorMeasure::CalculateMinimumWidth(MCStaffRuler& staffRuler, BYTE squeeze) {
    for (int i = 0; i < staffRuler.GetStaffCount(); ++i) {
        if (!staffRuler.IsStaffShown(i))
            continue;
        ECMeasure* measure = StaffMeasure(i);
        if (!measure)
            break;
        if (MCRuler* ruler = MeasureRuler(measure))
            m_ruler.CalculateMinimumWidth(*ruler, squeeze);
    }
}

void DCctConductorMeasure::UpdateWidth() {
    auto setEnd = Links().setMeasureEnd;
    if (!setEnd)
        return;
    for (int i = 0; ECMeasure* measure = StaffMeasure(i); ++i)
        if (DCctBase* display = MeasureDisplay(measure))
            setEnd(display, GetWidth());
}

void DCctConductorMeasure::SetWidth(int width, int force) {
    m_ruler.SetWidth(static_cast<short>(width), force);
    m_metrics.SetWidth(static_cast<WORD>(m_ruler.GetWidth()));
}

int DCctConductorMeasure::GetCompress() {
    return m_ruler.GetWidth() - m_ruler.GetMinimumWidth();
}

short DCctConductorMeasure::GetBarlineX() {
    return static_cast<short>(m_ruler.GetBarlineX());
}

short DCctConductorMeasure::GetRulerHeight() {
    return static_cast<short>(m_ruler.GetHeight());
}

void DCctConductorMeasure::SetRulersDirty(int dirty) {
    for (int i = 0; ECMeasure* measure = StaffMeasure(i); ++i)
        if (MCRuler* ruler = MeasureRuler(measure))
            ruler->SetDirty(dirty);
}

int DCctConductorMeasure::GetRulersDirty() {
    for (int i = 0; ECMeasure* measure = StaffMeasure(i); ++i) {
        MCRuler* ruler = MeasureRuler(measure);
        if (ruler && ruler->IsDirty())
            return 1;
    }
    return 0;
}

void DCctConductorMeasure::SetDisplayOffset(int offset) {
    const int highest = GetRulerHeight();
    const int lowest = -GetSystemHeight();
    if (offset > highest)
        offset = highest;
    else if (offset < lowest)
        offset = lowest;
    m_nDisplayOffset = offset;
}

// ---- the column ----

ECConductorMeasure* DCctConductorMeasure::GetColumn() {
    ECBase* owner = GetOwner();
    return owner && owner->GetClassType() == ET_CONDUCTORMEASURE ? static_cast<ECConductorMeasure*>(owner) : nullptr;
}

ECMeasure* DCctConductorMeasure::StaffMeasure(int i) {
    ECConductorMeasure* column = GetColumn();
    return column && i >= 0 ? column->GetMeasureOnTrack(i + 1) : nullptr;
}

DCctBase* DCctConductorMeasure::MeasureDisplay(ECMeasure* measure) {
    return measure ? dynamic_cast<DCctBase*>(measure->GetData(DK_NOTATION, 1)) : nullptr;
}

MCRuler* DCctConductorMeasure::MeasureRuler(ECMeasure* measure) {
    DCctBase* display = MeasureDisplay(measure);
    auto ruler = Links().measureRuler;
    return display && ruler ? ruler(display) : nullptr;
}

DCctConductorStaff* DCctConductorMeasure::GetConductorStaffDisplay() {
    ECBase* owner = GetOwner();
    MCEventList* parents = owner ? owner->GetParents() : nullptr;
    const POSITION pos = parents ? parents->FindEvent(ET_CONDUCTORSTAFF) : nullptr;
    ECBase* staff = pos ? parents->GetAt(pos) : nullptr;
    return staff ? dynamic_cast<DCctConductorStaff*>(staff->GetData(DK_NOTATION, 1)) : nullptr;
}

int DCctConductorMeasure::TrackIndexOf(ECMeasure* measure) {
    if (!measure)
        return 0;
    for (int i = 0; ECMeasure* entry = StaffMeasure(i); ++i)
        if (entry == measure)
            return i + 1;
    return 0;
}

ECMeasure* DCctConductorMeasure::FindMeasureParent(ECBase* event) {
    MCEventList* parents = event ? event->GetParents() : nullptr;
    const POSITION pos = parents ? parents->FindEvent(ET_MEASURE) : nullptr;
    return pos ? static_cast<ECMeasure*>(parents->GetAt(pos)) : nullptr;
}

int DCctConductorMeasure::IsCollapsedMember() const {
    return m_ruler.IsCollapsed() && !m_ruler.IsCollapsedHead();
}

// ---- vertical layout ----

namespace {

// The number of staves of the conductor staff a display belongs to; the
// staff ruler's count for a display without its event.
int StaffCount(DCctConductorStaff* display) {
    ECBase* owner = display->GetOwner();
    if (!owner || owner->GetClassType() != ET_CONDUCTORSTAFF)
        return display->GetRuler().GetStaffCount();
    return static_cast<ECConductorStaff*>(owner)->GetMaxStaffNumber();
}

}  // namespace

int DCctConductorMeasure::StaffOffset(int staff) {
    DCctConductorStaff* display = GetConductorStaffDisplay();
    if (!display)
        return 0;
    MCStaffRuler& ruler = display->GetRuler();
    int i = staff;
    if (staff == -1) {
        i = std::min(ruler.GetLastShownStaff() + 1, StaffCount(display));
    } else if (staff == 0) {
        i = 1;
    }
    return ruler.IsSingleStaff() ? ruler.GetStaffY(ruler.GetLastShownStaff()) : ruler.GetStaffY(i - 1);
}

int DCctConductorMeasure::GetYPositionForMeasure(ECMeasure* measure) {
    const int i = TrackIndexOf(measure);
    if (i == 0 || !GetConductorStaffDisplay())
        return 0;
    return GetYPositionForMeasure(i);
}

int DCctConductorMeasure::GetYPositionForMeasure(int staff) {
    if (!GetConductorStaffDisplay())
        return 0;
    return GetPosition().y + StaffOffset(staff);
}

int DCctConductorMeasure::GetYOffsetForMeasure(int staff) {
    return StaffOffset(staff);
}

int DCctConductorMeasure::GetYOffsetForLyric(int staff) {
    DCctConductorStaff* display = GetConductorStaffDisplay();
    return display ? display->GetRuler().GetLyricY(staff) : 0;
}

int DCctConductorMeasure::GetYOffsetForLyric(ECMeasure* measure) {
    const int i = TrackIndexOf(measure);
    return i == 0 ? 0 : GetYOffsetForLyric(i - 1);
}

int DCctConductorMeasure::GetLyricPosition(int line, int staff) {
    DCctConductorStaff* display = GetConductorStaffDisplay();
    if (!display)
        return 0;
    MCStaffRuler& ruler = display->GetRuler();
    return GetYPositionForMeasure(staff) + ruler.GetLyricY(staff - 1) - line * ruler.GetLyricSpacing();
}

ECMeasure* DCctConductorMeasure::GetMeasureForTrack(int track) {
    ECConductorMeasure* column = GetColumn();
    if (!column)
        return nullptr;
    if (track == 0) {
        track = 1;
    } else if (track == -1) {
        DCctConductorStaff* display = GetConductorStaffDisplay();
        if (!display)
            return nullptr;
        MCStaffRuler& ruler = display->GetRuler();
        int last = 0;
        for (int i = 0; i < ruler.GetStaffCount(); ++i)
            if (ruler.IsStaffShown(i))
                last = i;
        track = std::min(last, StaffCount(display) - 1) + 1;
    }
    return column->GetMeasureOnTrack(track);
}

void DCctConductorMeasure::LastStaffHeights(int& height, int& below) {
    height = 0;
    below = 0;
    DCctBase* display = MeasureDisplay(GetMeasureForTrack(-1));
    if (!display)
        return;
    height = display->GetHeight();
    if (auto leger = Links().legerHeightBelow)
        below = leger(display);
}

int DCctConductorMeasure::GetSystemHeight() {
    int height = 0;
    int below = 0;
    LastStaffHeights(height, below);
    return height + below - GetYOffsetForMeasure(-1);
}

int DCctConductorMeasure::GetTopToBottomStaffHeight() {
    int height = 0;
    int below = 0;
    LastStaffHeights(height, below);
    return GetYPositionForMeasure(0) + height - GetYPositionForMeasure(-1);
}

int DCctConductorMeasure::GetHeightOfStaves(int a, int b) {
    DCctBase* display = MeasureDisplay(GetMeasureForTrack(b));
    const int height = display ? display->GetHeight() : 0;
    return GetYPositionForMeasure(a) + height - GetYPositionForMeasure(b);
}

// ---- time and cursor ----

MCTime DCctConductorMeasure::GetTimeForXPosition(int x, int y) {
    ECBase* owner = GetOwner();
    MCTime* start = owner ? owner->GetTime() : nullptr;
    MCTime time = start ? *start : MCTime();
    time += m_ruler.GetTime(x - GetX(), y, m_wDisplayPulse);
    return time;
}

int DCctConductorMeasure::GetXForTime(const MCTime& time) {
    ECBase* owner = GetOwner();
    const MCTime* start = owner ? owner->GetTime() : nullptr;
    if (!start)
        return 0;
    const auto ticks = static_cast<short>(MCTime(time).GetTicks(TICKS_PER_QUARTER) - MCTime(*start).GetTicks(TICKS_PER_QUARTER));
    return m_ruler.GetXPositionForTick(ticks, MCRuler::ACTIVE_GROUP);
}

void DCctConductorMeasure::CalcCursorPosition(CPoint point, CPoint* top, CPoint* bottom, int snap, WORD pulse) {
    if (pulse == NO_BORROWED_PULSE)
        pulse = m_wDisplayPulse;
    int x = point.x;
    if (snap == 1) {
        const int mark = m_ruler.GetClosestDivMark(point.x - GetX(), pulse);
        const int tick = m_ruler.GetTickForDivMark(mark, pulse);
        x = GetX() + m_ruler.GetXPositionForTick(static_cast<short>(tick), pulse);
    }
    if (top)
        *top = CPoint(x, GetY() + GetHeight());
    if (bottom)
        *bottom = CPoint(x, GetY() - GetSystemHeight());
}

void DCctConductorMeasure::CalcCursorPosition(WORD tick, CPoint* top, CPoint* bottom, int, WORD pulse) {
    if (pulse == NO_BORROWED_PULSE)
        pulse = m_wDisplayPulse;
    const int x = GetX() + static_cast<short>(m_ruler.GetXPositionForTick(static_cast<short>(tick), pulse));
    if (top)
        *top = CPoint(x, GetY());
    if (bottom)
        *bottom = CPoint(x, GetY() - GetSystemHeight());
}

CPoint DCctConductorMeasure::GetEndPosition() {
    const CPoint p = GetPosition();
    return CPoint(p.x + m_ruler.GetWidth(), p.y);
}

// ---- hiding ----

void DCctConductorMeasure::HideMeasures(BYTE mode) {
    auto setCollapsed = Links().setCollapsedMeasure;
    for (int i = 0; ECMeasure* measure = StaffMeasure(i); ++i) {
        DCctBase* display = MeasureDisplay(measure);
        if (!display)
            continue;
        display->SetHidden(mode == 1);
        if (setCollapsed && mode == 0) {
            setCollapsed(display, 0);
        } else if (setCollapsed && mode == 2) {
            MCRuler* ruler = MeasureRuler(measure);
            setCollapsed(display, ruler ? ruler->GetCollapseCount() : 0);
        }
        MCEventList* children = measure->GetChildren();
        if (!children)
            continue;
        for (POSITION pos = children->FindEvent(ET_REST); pos; pos = children->FindEvent(ET_REST, pos)) {
            auto* rest = dynamic_cast<DCctBase*>(children->GetAt(pos)->GetData(DK_NOTATION, 1));
            if (rest)
                rest->SetHidden(mode != 0);
        }
    }
}
