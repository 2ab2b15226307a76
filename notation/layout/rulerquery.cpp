// MCRuler: prologue and postlogue arithmetic, the queries display elements ask
// (x of a time, mark of a time or of an x), and the two mark-moving
// operations the conductor ruler shares with the spacing pass.
#include "notation/layout/ruler.h"

#include "notation/layout/pagelayout.h"

#include <algorithm>
#include <cstdlib>

// ---- prologue ------------------------------------------------------------------------------

void MCRuler::MoveSlotsAfter(PrologDiv* slots, int count, int slot, int delta) {
    for (int s = slot + 1; s < count; ++s)
        slots[s].x = static_cast<short>(slots[s].x + delta);
}

void MCRuler::SetPrologX(int slot, int x) {
    if (slot < 0 || slot > PROLOG_END)
        return;
    const int delta = x - m_prolog[slot].x;
    m_prolog[slot].x = static_cast<short>(x);
    MoveSlotsAfter(m_prolog, 4, slot, delta);
    m_width += delta;
}

void MCRuler::SetPrologWidth(int kind, int width) {
    const int h = GetNoteheadHeight();
    const int endBefore = m_prolog[PROLOG_END].x;
    // Each item starts where the one before it ends. The later slots move
    // with the one set, so an item entered out of order (a meter before its
    // key, or a measure with clef and meter but no key) never lands on top
    // of the one in front of it.
    switch (kind) {
    case PROLOG_CLEF:
        SetPrologX(PROLOG_KEY, m_prolog[PROLOG_CLEF].x + h * 7 / 2);   // the clef's own width is not used
        break;
    case PROLOG_KEY:
        SetPrologX(PROLOG_METER, m_prolog[PROLOG_KEY].x + width + h * 5 / 2);
        break;
    case PROLOG_METER:
        SetPrologX(PROLOG_END, m_prolog[PROLOG_METER].x + width + h * 7 / 2);
        break;
    default:
        return;
    }
    // SetPrologX moved the width; the minimum width follows the marks' start.
    m_minimumWidth += m_prolog[PROLOG_END].x - endBefore;
}

void MCRuler::RemoveProlog(int slot) {
    if (slot < 0 || slot >= PROLOG_END)
        return;
    const int delta = m_prolog[slot + 1].x - m_prolog[slot].x;
    MoveSlotsAfter(m_prolog, 4, slot, -delta);
    m_width -= delta;
    m_minimumWidth -= delta;
}

// ---- postlogue -------------------------------------------------------------------------------

void MCRuler::AddPostlog() {
    m_postlog = std::make_unique<std::vector<PrologDiv>>(3);
    ResetSlots(m_postlog->data(), 3);
    const int half = GetNoteheadWidth() / 2;
    m_width += half;
    m_minimumWidth += half;
}

void MCRuler::SetPostlog(int kind, int width) {
    if (width == 0 || (kind != POSTLOG_KEY && kind != POSTLOG_METER))
        return;
    if (!m_postlog)
        AddPostlog();
    const int half = GetNoteheadWidth() / 2;
    SetPostlogX(kind + 1, (*m_postlog)[kind].x + width + half);
}

void MCRuler::SetPostlogX(int slot, int x) {
    if (!m_postlog || slot < 0 || slot > POSTLOG_END)
        return;
    PrologDiv* slots = m_postlog->data();
    const int delta = x - slots[slot].x;
    slots[slot].x = static_cast<short>(x);
    MoveSlotsAfter(slots, 3, slot, delta);
    m_width += delta;
    m_minimumWidth += delta;
}

void MCRuler::RemovePostlog(int kind) {
    if (!m_postlog || (kind != POSTLOG_KEY && kind != POSTLOG_METER))
        return;
    PrologDiv* slots = m_postlog->data();
    const int delta = slots[kind + 1].x - slots[kind].x;
    MoveSlotsAfter(slots, 3, kind, -delta);
    m_width -= delta;
    m_minimumWidth -= delta;
    if (!IsKeyInPostlog() && !IsMeterInPostlog()) {
        m_postlog.reset();
        const int half = GetNoteheadWidth() / 2;
        m_width -= half;
        m_minimumWidth -= half;
    }
}

int MCRuler::GetPostlogX(int slot, int fromBarline) const {
    if (!m_postlog || slot < 0 || slot > POSTLOG_END)
        return 0;
    const int x = (*m_postlog)[slot].x;
    return fromBarline ? x + m_width - (*m_postlog)[POSTLOG_END].x : x;
}

int MCRuler::IsKeyInPostlog() const {
    return m_postlog && (*m_postlog)[1].x != (*m_postlog)[0].x;
}

int MCRuler::IsMeterInPostlog() const {
    return m_postlog && (*m_postlog)[2].x != (*m_postlog)[1].x;
}

int MCRuler::GetPostlogWidth() const {
    return m_postlog ? (*m_postlog)[POSTLOG_END].x : 0;
}

int MCRuler::GetBarlineX() const {
    return m_width - GetPostlogWidth();
}

int MCRuler::GetMidClefX(short tick, short width) {
    RulerGroup* group = FindPulseGroup(ACTIVE_GROUP);
    if (!group)
        return 0;
    if (tick == EndTick(*group))
        return GetBarlineX() - width;
    // Inside the measure the clef stands in the room before the music of
    // its time, as before the barline, not over it; never in the prologue.
    return std::max<int>(m_prolog[PROLOG_END].x, GetXPositionForTick(tick, ACTIVE_GROUP) - width);
}

// ---- queries -------------------------------------------------------------------------------------

int MCRuler::GetXPositionForTick(short tick, WORD pulse) {
    RulerGroup* group = FindPulseGroup(pulse);
    if (!group || group->marks.empty())
        return 0;
    const int start = m_prolog[PROLOG_END].x;
    const std::vector<RulerDiv>& marks = group->marks;
    if (tick == EndTick(*group))
        return m_width;
    for (size_t i = 0; i < marks.size(); ++i) {
        if (marks[i].tick == tick)
            return marks[i].x + start;
        if (marks[i].tick > tick) {
            if (i == 0)
                return marks[0].x + start;
            // Between two marks the x lies between them in proportion to time:
            // once spacing is uneven, a proportion from the measure start
            // would put a later time left of an earlier mark.
            const RulerDiv& a = marks[i - 1];
            const RulerDiv& b = marks[i];
            return a.x + Scale(tick - a.tick, b.tick - a.tick, b.x - a.x) + start;
        }
    }
    const RulerDiv& last = marks.back();
    return last.x + Scale(tick - last.tick, EndTick(*group) - last.tick, GetMarksEnd() - last.x) + start;
}

int MCRuler::GetXPositionForDiv(int index, WORD pulse) {
    RulerGroup* group = FindPulseGroup(pulse);
    if (!group || index < 0 || index >= static_cast<int>(group->marks.size()))
        return 0;
    return group->marks[index].x + m_prolog[PROLOG_END].x;
}

int MCRuler::GetPrevX(int index, WORD pulse) {
    RulerGroup* group = FindPulseGroup(pulse);
    if (!group || index < 0 || index > static_cast<int>(group->marks.size()))
        return 0;
    if (index == 0)
        return m_prolog[PROLOG_METER].x;
    return group->marks[index - 1].x + m_prolog[PROLOG_END].x;
}

int MCRuler::GetNextX(int index, WORD pulse) {
    RulerGroup* group = FindPulseGroup(pulse);
    if (!group || index < 0)
        return 0;
    if (index + 1 < static_cast<int>(group->marks.size()))
        return group->marks[index + 1].x + m_prolog[PROLOG_END].x;
    return m_width;
}

int MCRuler::TickForDivMark(const RulerGroup& group, int index) {
    const int count = static_cast<int>(group.marks.size());
    if (index < 0)
        return 0;
    if (index < count)
        return group.marks[index].tick;
    return index == count ? EndTick(group) : 0;
}

int MCRuler::GetTickForDivMark(int index, WORD pulse) {
    const RulerGroup* group = FindPulseGroup(pulse);
    return group ? TickForDivMark(*group, index) : 0;
}

int MCRuler::DivMarkForTick(const RulerGroup& group, int tick) {
    const std::vector<RulerDiv>& marks = group.marks;
    for (size_t i = 0; i < marks.size(); ++i) {
        if (marks[i].tick == tick)
            return static_cast<int>(i);
        if (marks[i].tick > tick)
            return i > 0 ? static_cast<int>(i) - 1 : 0;
    }
    return static_cast<int>(marks.size());
}

MCRuler::WORD MCRuler::GetDivMarkForTick(WORD tick, WORD pulse) {
    const RulerGroup* group = FindPulseGroup(pulse);
    return group ? static_cast<WORD>(DivMarkForTick(*group, tick)) : 0;
}

void MCRuler::GetDivMarkForTick(WORD tick, WORD& index, WORD& pulse) {
    index = 0;
    pulse = m_groups.empty() ? 0 : m_groups[0].pulse;
    int best = 0x4000;
    for (const RulerGroup& group : m_groups) {
        if (group.pulse == 0)
            continue;
        for (size_t i = 0; i < group.marks.size(); ++i) {
            const int real = group.marks[i].tick * group.basePulse / group.pulse;
            const int distance = std::abs(real - tick);
            // Strictly nearer: on a tie the earlier group and mark keep it.
            if (distance < best) {
                best = distance;
                index = static_cast<WORD>(i);
                pulse = group.pulse;
            }
            if (real > tick)
                break;
        }
    }
}

int MCRuler::GetClosestDivMark(int x, WORD pulse) {
    int nearest = 0, before = 0, after = 0;
    GetClosestDivMarks(x, nearest, before, after, pulse);
    return nearest;
}

void MCRuler::GetClosestDivMarks(int x, int& nearest, int& before, int& after, WORD pulse) {
    nearest = before = after = 0;
    RulerGroup* group = FindPulseGroup(pulse);
    if (!group || group->marks.empty())
        return;
    const int rx = x - m_prolog[PROLOG_END].x;
    if (rx <= 0)
        return;
    const std::vector<RulerDiv>& marks = group->marks;
    const int last = static_cast<int>(marks.size()) - 1;
    if (rx >= marks[last].x) {
        if (rx <= m_width)
            nearest = before = after = last;
        return;
    }
    if (rx < marks[0].x)
        return;
    for (int i = 0; i < last; ++i) {
        if (rx < marks[i + 1].x) {
            const int middle = (marks[i + 1].x - marks[i].x) / 2 + marks[i].x;
            before = i;
            after = i + 1;
            nearest = rx <= middle ? i : i + 1;
            return;
        }
    }
}

MCRuler::WORD MCRuler::GetGroupPulse(int n) const {
    return n >= 0 && n < static_cast<int>(m_groups.size()) ? m_groups[n].pulse : 0;
}

MCRuler::RulerGroup* MCRuler::GetPulseGroup(int n) {
    return n >= 0 && n < static_cast<int>(m_groups.size()) ? &m_groups[n] : nullptr;
}

CRect MCRuler::GetMarginRect() const {
    const MCPageLayout& layout = MCPageLayout::GetPageLayout();
    CRect rect = layout.GetPrintableRect();
    if (layout.IsSideBySide())
        rect.OffsetRect(layout.GetPageRect().Width(), 0);
    return rect;
}

int MCRuler::IsLastDiv(int index, WORD pulse) {
    RulerGroup* group = FindPulseGroup(pulse);
    return group && index + 1 == static_cast<int>(group->marks.size());
}

// ---- moving marks -----------------------------------------------------------------------------

void MCRuler::DeltaDivArray(RulerGroup& group, int from, int delta) {
    for (size_t i = from < 0 ? 0 : from; i < group.marks.size(); ++i)
        group.marks[i].x += delta;
    group.width += delta;
}

void MCRuler::FitMarksToMaxWidth() {
    const int room = MAX_WIDTH - m_prolog[PROLOG_END].x - GetPostlogWidth();
    int reach = 0;
    for (const RulerGroup& group : m_groups) {
        reach = std::max(reach, group.width);
        for (const RulerDiv& mark : group.marks)
            reach = std::max(reach, mark.x);
    }
    if (reach <= room || room <= 0)
        return;
    for (RulerGroup& group : m_groups) {
        for (RulerDiv& mark : group.marks)
            mark.x = Scale(mark.x, reach, room);
        group.width = Scale(group.width, reach, room);
    }
}

void MCRuler::ScaleDivToRuler(RulerGroup& src, int a, int n, int p, RulerGroup& dst, int c, int m, int q) {
    if (p == 0 || q == 0)
        return;
    const int srcCount = static_cast<int>(src.marks.size());
    const int dstCount = static_cast<int>(dst.marks.size());
    if (a < 0 || a >= srcCount || c < 0 || c >= dstCount || n > srcCount || m > dstCount)
        return;
    const int f = LeastCommonMultiple(static_cast<WORD>(p), static_cast<WORD>(q));
    const int u = f / q;   // one destination step, in common units
    const int v = f / p;   // one source step
    auto srcEnd = [&] { return n == srcCount ? src.width : src.marks[n].x; };
    auto dstEnd = [&] { return m == dstCount ? dst.width : dst.marks[m].x; };
    dst.marks[c].x = src.marks[a].x;
    int d = c + 1;
    int left = src.marks[a].x;
    for (int i = a + 1; i < n; ++i) {
        for (; d < m && u * d < v * i; ++d)
            dst.marks[d].x = left + Scale(u * d % v, v, src.marks[i].x - left);
        left = src.marks[i].x;
    }
    for (; d < m && u * d < v * n; ++d)
        dst.marks[d].x = left + Scale(u * d % v, v, srcEnd() - left);
    const int shortfall = srcEnd() - dstEnd();
    if (shortfall > 0)
        DeltaDivArray(dst, m, shortfall);
}
