#include "notation/layout/rulerruler.h"

#include "model/time.h"
#include "notation/layout/staffcolor.h"
#include "platform/gdi/dc.h"

#include <algorithm>

MCRulerRuler::MCRulerRuler() {
    m_squeezeLevel = 0;
}

MCRulerRuler::MCRulerRuler(const MCRulerRuler& other) : MCRuler(other), m_displayedGroup(other.m_displayedGroup) {}

MCRulerRuler& MCRulerRuler::operator=(const MCRulerRuler& other) {
    MCRuler::operator=(other);
    m_displayedGroup = other.m_displayedGroup;
    return *this;
}

MCRulerRuler& MCRulerRuler::operator=(const MCRuler& other) {
    MCRuler::operator=(other);
    m_displayedGroup = 1;
    return *this;
}

MCRulerRuler::~MCRulerRuler() = default;

void MCRulerRuler::Serialize(CArchive&) {
    AddRulerInfo();
}

void MCRulerRuler::CalculateMinimumWidth(MCRuler& staffRuler, BYTE squeeze) {
    const BYTE kept = m_squeezeLevel;
    m_squeezeLevel = squeeze;
    staffRuler.SetDirty(1);
    MediateRulers(staffRuler);
    m_minimumWidth = m_width;
    staffRuler.SetDirty(1);
    m_squeezeLevel = kept;
}

// ---- mediation -------------------------------------------------------------------------

void MCRulerRuler::MediateRulers(MCRuler& staffRuler) {
    std::vector<RulerGroup>& staffGroups = staffRuler.GetRulerGroup();
    if (staffGroups.empty())
        return;
    // The staff is spaced at this measure's squeeze level, then left at 0.
    staffRuler.SetSqueezeLevel(m_squeezeLevel);
    staffRuler.CleanUpRuler();
    staffRuler.SetSqueezeLevel(0);
    if (IsEmpty())
        SetEmpty(staffRuler.IsEmpty());

    for (int slot = PROLOG_CLEF; slot <= PROLOG_END; ++slot)
        if (staffRuler.GetPrologX(slot) > m_prolog[slot].x)
            SetPrologX(slot, staffRuler.GetPrologX(slot));
    if (staffRuler.GetPostlog()) {
        if (!m_postlog)
            AddPostlog();
        for (int slot = POSTLOG_KEY; slot <= POSTLOG_END; ++slot)
            if (staffRuler.GetPostlogX(slot, 0) > (*m_postlog)[slot].x)
                SetPostlogX(slot, staffRuler.GetPostlogX(slot, 0));
    }

    for (const RulerGroup& group : staffGroups)
        if (!FindPulseGroup(group.pulse))
            m_groups.push_back(group);
    for (size_t g = 0; g < staffGroups.size(); ++g)
        MediateGroup(staffRuler, staffGroups[g].pulse);

    // Every gap the widest any staff needs may add up past what a width
    // holds, though each staff's alone fitted.
    FitMarksToMaxWidth();
    m_width = m_prolog[PROLOG_END].x + m_groups[0].width + GetPostlogWidth();
    m_mediatedWidth = m_width;

    // A tuplet group this staff lacks follows group 0's new spacing.
    for (size_t g = 1; g < m_groups.size(); ++g) {
        const WORD pulse = m_groups[g].pulse;
        const bool inStaff = std::any_of(staffGroups.begin(), staffGroups.end(),
                                         [pulse](const RulerGroup& s) { return s.pulse == pulse; });
        if (inStaff)
            continue;
        RulerGroup& main = m_groups[0];
        RulerGroup& group = m_groups[g];
        const WORD a = static_cast<WORD>(main.marks.size());
        const WORD b = static_cast<WORD>(group.marks.size());
        const WORD gcd = GreatestCommonDivisor(a, b);
        if (gcd == 0)
            continue;
        ScaleDivToRuler(main, 0, a, a / gcd, group, 0, b, b / gcd);
    }
    SetDirty(1);
}

void MCRulerRuler::MediateGroup(MCRuler& staffRuler, WORD pulse) {
    RulerGroup* staff = staffRuler.FindPulseGroup(pulse);
    RulerGroup* mine = FindPulseGroup(pulse);
    if (!staff || !mine)
        return;
    // The coarser of the two is refined to the other's resolution first.
    if (mine->marks.size() < staff->marks.size())
        SetResolution(staff->resolution, pulse);
    else if (staff->marks.size() < mine->marks.size())
        staffRuler.SetResolution(mine->resolution, pulse);

    const size_t count = std::min(mine->marks.size(), staff->marks.size());
    for (size_t j = 0; j < count; ++j) {
        RulerDiv& to = mine->marks[j];
        const RulerDiv& from = staff->marks[j];
        // Every gap becomes the larger of the two.
        const int need = j == 0 ? from.x - to.x
                                : (from.x - staff->marks[j - 1].x) - (to.x - mine->marks[j - 1].x);
        if (need > 0)
            DeltaDivArray(*mine, static_cast<int>(j), need);
        if (to.IsOccupied()) {
            to.SetRightExtent(std::max(to.GetRightExtent(), from.GetRightExtent()));
            to.SetLeftExtent(std::max(to.GetLeftExtent(), from.GetLeftExtent()));
            // The shortest duration on the mark decides its room.
            if (from.GetDurationCode() != 0 && from.GetDurationCode() < to.GetDurationCode())
                to.SetDurationCode(from.GetDurationCode());
        } else {
            to.SetOccupied(from.IsOccupied());
            to.SetRightExtent(from.GetRightExtent());
            to.SetLeftExtent(from.GetLeftExtent());
            to.SetDurationCode(from.GetDurationCode());
        }
    }
    if (count == 0)
        return;
    const int tail = staff->width - staff->marks[count - 1].x;
    if (tail > mine->width - mine->marks[count - 1].x)
        mine->width = mine->marks[count - 1].x + tail;
}

// ---- width ------------------------------------------------------------------------------

int MCRulerRuler::SetWidth(short width, int force) {
    if (width == m_width && !IsDirty())
        return 1;
    if (width < m_mediatedWidth && !force)
        return 0;
    const int postlog = GetPostlogWidth();
    const int start = m_groups.empty() || m_groups[0].marks.empty() ? 0 : m_groups[0].marks[0].x;
    const int d = start + m_prolog[PROLOG_END].x;
    const int e = m_width - d - postlog;
    const int f = width - d - postlog;
    if (e > 0) {
        for (RulerGroup& group : m_groups) {
            if (group.marks.empty())
                continue;
            const int s = group.marks[0].x;
            const int end = s + Scale(group.width - s, e, f);
            // Squeezed, the last element keeps its room before the group's
            // end (its notehead and flag or beam end): the marks before it
            // close up instead, so nothing of the bar stands past its barline.
            const int last = group.marks.back().x;
            const int tail = group.width - last;
            const bool keepTail = f < e && tail > 0 && last > s && end - tail > s;
            for (RulerDiv& mark : group.marks)
                mark.x = keepTail ? s + Scale(mark.x - s, last - s, end - tail - s) : s + Scale(mark.x - s, e, f);
            group.width = end;
        }
        m_width = d + Scale(e, e, f) + postlog;
    } else {
        // Nothing to stretch proportionally: the marks stay, the end moves.
        m_width = width;
    }
    SetDirty(0);
    return 1;
}

// ---- time at an x ---------------------------------------------------------------------------

MCTime MCRulerRuler::GetTime(int x, int snap, WORD pulse) {
    MCTime time;
    if (m_groups.empty())
        return time;
    if (pulse == ACTIVE_GROUP)
        pulse = m_activeGroup < m_groups.size() ? m_groups[m_activeGroup].basePulse : 0;
    if (pulse == 0)
        return time;
    const int base = m_groups[0].basePulse;
    if (snap) {
        const int mark = GetClosestDivMark(x, pulse);
        time.SetTicks(GetTickForDivMark(mark, pulse) * base / pulse, 256);
        return time;
    }
    int nearest = 0, before = 0, after = 0;
    GetClosestDivMarks(x, nearest, before, after, pulse);
    if (before == 0 && after == 0)
        return time;
    const int ppq = MCTime::GlobalPPQ;
    // A group tick as a tick at the global PPQ.
    auto toGlobal = [&](int tick) { return tick * base / pulse * ppq / 256; };
    // Between the marks around x; past the last, between it and the measure's end.
    const int fromTick = toGlobal(GetTickForDivMark(before, pulse));
    const int fromX = GetXPositionForDiv(before, pulse);
    int toTick = 0;
    int toX = 0;
    if (after != before) {
        toTick = toGlobal(GetTickForDivMark(after, pulse));
        toX = GetXPositionForDiv(after, pulse);
    } else {
        toTick = toGlobal(GetTickForDivMark(after + 1, pulse));
        toX = m_width;
    }
    const int span = toX - fromX;
    time.SetTicks(span > 0 ? fromTick + Scale(toTick - fromTick, span, x - fromX) : fromTick, ppq);
    return time;
}

void MCRulerRuler::SetDisplayBorrowed(int on, WORD pulse) {
    if (on) {
        m_displayedGroup = static_cast<WORD>(FindPulseGroupIndex(pulse));
        SetActiveRuler(pulse);
    } else {
        m_displayedGroup = 0;
        m_activeGroup = 0;
    }
}

// ---- drawing -----------------------------------------------------------------------------------

int MCRulerRuler::GetHeight() const {
    return static_cast<int>(GetNoteheadHeight() * 2.25);
}

void MCRulerRuler::Draw(CDC* dc, CPoint at, const CRect*) {
    if (m_groups.empty() || !dc)
        return;
    const int h = GetHeight();
    const int notehead = GetNoteheadHeight();
    CPen pen(PS_SOLID, 1, StaffColor().Get());
    CPen* previous = dc->SelectObject(&pen);
    dc->MoveTo(at.x, at.y);
    dc->LineTo(at.x, at.y - h);
    dc->LineTo(at.x, at.y);
    dc->LineTo(at.x + m_width, at.y);
    dc->LineTo(at.x + m_width, at.y - h);
    dc->LineTo(at.x, at.y - h);

    const bool borrowed = m_displayedGroup != 0 && m_displayedGroup < m_groups.size();
    const RulerGroup& group = m_groups[borrowed ? m_displayedGroup : 0];
    int length = static_cast<int>(notehead * 0.75);
    for (const RulerDiv& mark : group.marks) {
        switch (mark.GetLevel()) {
        case 0: length = static_cast<int>(notehead * 1.68); break;   // a stress
        case 1: length = notehead; break;                              // a later pulse
        case 2: length = static_cast<int>(notehead * 0.37); break;    // a subdivision
        default: break;                                                // as the tick before
        }
        const int x = at.x + m_prolog[PROLOG_END].x + mark.x;
        dc->MoveTo(x, at.y);
        dc->LineTo(x, at.y - length);
    }
    dc->SelectObject(previous);
}
