// MCRuler: measure spacing. Elements mark the marks they start on (duration,
// extents); the spacing pass then moves the marks apart so that each element
// gets room in proportion to its duration, pushes marks whose elements would
// collide, and lines the tuplet groups up with the main group.
//
// Every step is notehead width plus a room of 3/2 notehead height, the room
// shrunk by the squeeze level, times a percentage that falls as durations
// grow: short notes are spaced wider per tick than long ones, so a bar of
// sixteenths is wider than a bar holding one whole note but not sixteen
// times wider.
#include "notation/layout/ruler.h"

#include "notation/layout/digits.h"

#include <algorithm>

// ---- duration codes and percentages -----------------------------------------------------

MCRuler::BYTE MCRuler::ConvertDuration(WORD ticks) {
    if (ticks == 0)
        return 0;
    // Below a thirty-second and from four whole notes on there is no code of
    // its own: such marks space as a quarter.
    if (ticks < 8 || ticks >= 4096)
        return 10;
    const int p = HighestPowerOfTwo(ticks, 0);
    if (p == 8)
        return 1;
    // A double whole shares the whole note's codes.
    if (p == 2048)
        return ticks == p ? 14 : 15;
    int code = 2;
    for (int length = 16; length < p; length *= 2)
        code += 2;
    // Odd codes are the lengths between two powers of two: dotted values.
    return static_cast<BYTE>(ticks == p ? code : code + 1);
}

MCRuler::WORD MCRuler::ConvertToDuration(BYTE code) {
    if (code == 0)
        return 0;
    if (code == 1)
        return 8;
    const int plain = 16 << ((code & ~1) / 2 - 1);
    return static_cast<WORD>(code & 1 ? plain * 3 / 2 : plain);
}

MCRuler::WORD MCRuler::PercentageForDuration(WORD ticks) {
    static const struct { WORD below; WORD percent; } kSteps[] = {
        {8, 100}, {24, 60}, {32, 65}, {48, 75}, {64, 85}, {96, 100}, {128, 85},
        {192, 75}, {256, 65}, {384, 60}, {512, 55}, {768, 50}, {1024, 45},
    };
    for (const auto& step : kSteps)
        if (ticks < step.below)
            return step.percent;
    return 40;
}

int MCRuler::SqueezePercent(BYTE level) {
    static const int kPercent[] = {100, 75, 50, 25, 10};
    return level < 5 ? kPercent[level] : 100;
}

int MCRuler::SpacingStep(int percent) const {
    const int room = 3 * GetNoteheadHeight() / 2 * SqueezePercent(m_squeezeLevel) / 100;
    return percent * (GetNoteheadWidth() + room) / 100;
}

// ---- marking ---------------------------------------------------------------------------------

void MCRuler::SetDivOccupied(WORD mark, int occupied, short left, short right, WORD duration, WORD pulse) {
    RulerGroup* group = FindPulseGroup(pulse);
    if (!group || mark >= group->marks.size())
        return;
    RulerDiv& div = group->marks[mark];
    div.SetOccupied(occupied != 0);
    if (occupied == 1) {
        // Two voices on one mark: the wider of each extent wins.
        if (left > div.GetLeftExtent())
            div.SetLeftExtent(left);
        if (right > div.GetRightExtent())
            div.SetRightExtent(right);
    } else {
        div.SetLeftExtent(0);
        div.SetRightExtent(0);
    }
    // The mark keeps the shortest duration that starts on it.
    const int code = ConvertDuration(duration);
    if (div.GetDurationCode() == 0 || (code != 0 && code < div.GetDurationCode()))
        div.SetDurationCode(code);
    SetDirty(1);
}

// ---- the spacing pass --------------------------------------------------------------------------

void MCRuler::CleanUpRuler() {
    if (m_groups.empty())
        return;
    for (size_t g = 0; g < m_groups.size(); ++g) {
        RulerGroup& group = m_groups[g];
        std::vector<RulerDiv>& marks = group.marks;
        const int count = static_cast<int>(marks.size());
        if (count == 0)
            continue;
        // An element on mark 0 that outlasts a later occupied mark: the mark
        // before that one takes the time left of the long element.
        const int first = ConvertToDuration(static_cast<BYTE>(marks[0].GetDurationCode()));
        for (int j = 1; j < count; ++j)
            if (marks[j].IsOccupied() && marks[j].tick < first)
                marks[j - 1].SetDurationCode(ConvertDuration(static_cast<WORD>(first - marks[j].tick)));

        const WORD index = static_cast<WORD>(g);
        for (int j = 0; j < count;) {
            const RulerDiv& mark = marks[j];
            const int d = ConvertToDuration(static_cast<BYTE>(mark.GetDurationCode()));
            // An occupied mark without a duration (a lyric alone) has no
            // section of its own; spaced as an empty mark, its neighbour
            // would otherwise keep the x of an earlier pass.
            if (d != 0 && (mark.IsOccupied() || j == 0)) {
                // The marks inside an element's duration are spaced by it alone.
                const WORD end = static_cast<WORD>(mark.tick + d);
                ScaleDivSection(static_cast<WORD>(mark.tick), end, PercentageForDuration(static_cast<WORD>(d)),
                                static_cast<WORD>(d), index);
                const int next = DivMarkForTick(group, end);
                j = next > j ? next : j + 1;
            } else {
                ScaleDivSection(static_cast<WORD>(mark.tick), static_cast<WORD>(TickForDivMark(group, j + 1)), 40,
                                1024, index);
                ++j;
            }
        }
        ResolveCollisions(index);
    }
    MergeRulers();
    FitMarksToMaxWidth();
    m_width = m_prolog[PROLOG_END].x + m_groups[0].width;
    bool occupied = false;
    for (const RulerGroup& group : m_groups)
        for (const RulerDiv& mark : group.marks)
            occupied = occupied || mark.IsOccupied();
    SetEmpty(!occupied);
    SetDirty(0);
}

int MCRuler::ScaleDivSection(WORD startTick, WORD endTick, WORD percent, WORD, WORD groupIndex) {
    if (groupIndex >= m_groups.size())
        return 0;
    RulerGroup& group = m_groups[groupIndex];
    std::vector<RulerDiv>& marks = group.marks;
    const int count = static_cast<int>(marks.size());
    if (count == 0)
        return 0;
    int step = SpacingStep(percent);
    // A tuplet group counts in its own ticks: its step is in real time.
    if (group.pulse != group.basePulse && group.pulse != 0)
        step = step * group.basePulse / group.pulse;
    const int g = DivMarkForTick(group, startTick);
    const int h = DivMarkForTick(group, endTick);
    const int last = count - 1;
    if (g > last)
        return 0;
    if (g == last) {
        group.width = marks[last].x + step;
        return step;
    }
    int added = 0;
    for (int i = g; i + 1 <= h && i + 1 < count; ++i) {
        marks[i + 1].x = marks[i].x + step;
        added += step;
        if (i + 1 == last) {
            group.width = marks[last].x + step;
            added += step;
        }
    }
    return added;
}

int MCRuler::ResolveCollisions(WORD groupIndex) {
    if (groupIndex >= m_groups.size())
        return 0;
    const WORD pulse = m_groups[groupIndex].pulse;
    int end = 0;
    int pushed = 0;
    const int count = static_cast<int>(m_groups[groupIndex].marks.size());
    for (int i = 0; i < count; ++i) {
        // AdjustDiv may move this group's marks: read them afresh each time.
        const RulerDiv& mark = m_groups[groupIndex].marks[i];
        if (!mark.IsOccupied())
            continue;
        const int left = mark.x - mark.GetLeftExtent();
        if (end > left) {
            AdjustDiv(static_cast<WORD>(i), end - left, pulse);
            pushed += end - left;
        }
        const RulerDiv& moved = m_groups[groupIndex].marks[i];
        end = moved.x + moved.GetRightExtent();
    }
    const int width = m_groups[groupIndex].width;
    if (end > width) {
        AdjustDiv(static_cast<WORD>(count), end - width, pulse);
        pushed += end - width;
    }
    return pushed;
}

void MCRuler::AdjustDiv(WORD mark, int delta, WORD pulse) {
    RulerGroup* group = FindPulseGroup(pulse);
    if (!group || delta == 0)
        return;
    const int g = static_cast<int>(group->marks.size());
    if (mark == g) {
        for (RulerGroup& each : m_groups)
            each.width += delta;
        return;
    }
    DeltaDivArray(*group, mark, delta);
    if (g == 0)
        return;
    // The other groups move from the mark at the same time onward, so the
    // marks that sound together stay together.
    for (RulerGroup& other : m_groups) {
        if (&other == group)
            continue;
        const int h = static_cast<int>(other.marks.size());
        DeltaDivArray(other, h - (g - mark) * h / g, delta);
    }
}

void MCRuler::AdjustNextDiv(WORD mark, int delta, WORD pulse) {
    RulerGroup* group = FindPulseGroup(pulse);
    if (!group)
        return;
    if (mark + 1 < static_cast<int>(group->marks.size()))
        AdjustDiv(static_cast<WORD>(mark + 1), delta, pulse);
    else
        group->width += delta;
}

void MCRuler::MergeRulers() {
    if (m_groups.size() < 2)
        return;
    for (size_t i = 1; i < m_groups.size(); ++i) {
        RulerGroup& main = m_groups[0];
        RulerGroup& tuplet = m_groups[i];
        const int a = static_cast<int>(main.marks.size());
        const int b = static_cast<int>(tuplet.marks.size());
        const int c = GreatestCommonDivisor(static_cast<WORD>(a), static_cast<WORD>(b));
        if (a == 0 || b == 0 || c == 0)
            continue;
        // Main mark d k and tuplet mark e k fall on the same time.
        const int d = a / c;
        const int e = b / c;
        if (tuplet.marks[0].x < main.marks[0].x)
            DeltaDivArray(tuplet, 0, main.marks[0].x - tuplet.marks[0].x);
        else if (main.marks[0].x < tuplet.marks[0].x)
            DeltaDivArray(main, 0, tuplet.marks[0].x - main.marks[0].x);
        // Between two common points the group needing more room spaces the
        // other; gaps compare unsigned, so a gap running backwards counts as
        // the widest.
        auto x = [](const RulerGroup& group, int k) {
            return k == static_cast<int>(group.marks.size()) ? group.width : group.marks[k].x;
        };
        // The last interval runs from the last common point to the widths.
        for (int k = 1; d * k <= a; ++k) {
            const int mainFrom = d * (k - 1), mainTo = d * k;
            const int tupletFrom = e * (k - 1), tupletTo = e * k;
            const auto mainGap = static_cast<unsigned>(x(main, mainTo) - x(main, mainFrom));
            const auto tupletGap = static_cast<unsigned>(x(tuplet, tupletTo) - x(tuplet, tupletFrom));
            if (mainGap < tupletGap)
                ScaleDivToRuler(tuplet, tupletFrom, tupletTo, e, main, mainFrom, mainTo, d);
            else
                ScaleDivToRuler(main, mainFrom, mainTo, d, tuplet, tupletFrom, tupletTo, e);
        }
        main.width = std::max(main.width, tuplet.width);
    }
}

// ---- the tightest width ----------------------------------------------------------------------

void MCRuler::CalculateMinimumWidth(BYTE squeeze) {
    const BYTE kept = m_squeezeLevel;
    m_squeezeLevel = squeeze;
    CleanUpRuler();
    m_minimumWidth = m_width;
    m_squeezeLevel = kept;
    SetDirty(1);
    CleanUpRuler();
}

// ---- single-mark operations (nothing calls these yet) ---------------------------------------

int MCRuler::IsDivOccupied(WORD mark, int anyGroup, WORD pulse) {
    RulerGroup* group = FindPulseGroup(pulse);
    if (!group || mark >= group->marks.size())
        return 0;
    if (!anyGroup)
        return group->marks[mark].IsOccupied();
    if (mark == 0 || group->marks[mark - 1].IsOccupied())
        return 1;
    // Another group whose marks run ahead of this one's: occupied when the
    // mark before the first place it does is.
    for (const RulerGroup& other : m_groups) {
        if (&other == group)
            continue;
        const size_t both = std::min(group->marks.size(), other.marks.size());
        for (size_t j = 0; j < both; ++j) {
            if (group->marks[j].x < other.marks[j].x) {
                if (j > 0 && other.marks[j - 1].IsOccupied())
                    return 1;
                break;
            }
        }
    }
    return 0;
}

void MCRuler::EnforceAccidentalWidth(WORD mark, WORD pulse) {
    RulerGroup* group = FindPulseGroup(pulse);
    if (!group || mark == 0 || mark >= group->marks.size())
        return;
    // Room for a notehead and an accidental (a flat's width) after the mark before.
    const int gap = group->marks[mark].x - group->marks[mark - 1].x - GetNoteheadWidth() -
                    GetRulerNoteheadMetrics().accidentalWidth;
    if (gap < 0 && IsDivOccupied(mark, 1, pulse))
        AdjustDiv(mark, -gap, pulse);
}

void MCRuler::CleanUpDiv(WORD mark, WORD pulse) {
    RulerGroup* group = FindPulseGroup(pulse);
    if (!group || mark >= group->marks.size() || m_groups.empty())
        return;
    // The mark's left extent clears the previous mark's right extent (mark 0:
    // the prologue's end, where its x counts from).
    const RulerDiv& div = group->marks[mark];
    const int clear = mark > 0 ? group->marks[mark - 1].x + group->marks[mark - 1].GetRightExtent() : 0;
    const int push = clear - (div.x - div.GetLeftExtent());
    if (push > 0)
        AdjustDiv(mark, push, pulse);

    // Group 0's marks in the time between spread over the new gap.
    RulerGroup& main = m_groups[0];
    auto real = [](const RulerGroup& g, int tick) { return g.pulse ? tick * g.basePulse / g.pulse : tick; };
    auto spread = [&](int fromTick, int fromX, int toTick, int toX) {
        for (RulerDiv& m : main.marks) {
            const int t = real(main, m.tick);
            if (t > fromTick && t < toTick)
                m.x = fromX + Scale(t - fromTick, toTick - fromTick, toX - fromX);
        }
    };
    const RulerDiv& now = group->marks[mark];
    if (mark > 0 && &main != group) {
        const RulerDiv& before = group->marks[mark - 1];
        spread(real(*group, before.tick), before.x, real(*group, now.tick), now.x);
    }
    // The last mark's element reaching past the measure's end widens it.
    const int reach = m_prolog[PROLOG_END].x + now.x + now.GetRightExtent();
    if (mark + 1 == static_cast<int>(group->marks.size()) && reach > m_width) {
        const int grow = reach - m_width;
        m_width = reach;
        m_minimumWidth += grow;
        spread(real(*group, now.tick), now.x, real(*group, EndTick(*group)), GetMarksEnd());
    }
}
