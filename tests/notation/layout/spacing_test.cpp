#include "notation/layout/ruler.h"

#include "notation/layout/pagelayout.h"
#include "notation/layout/rulerruler.h"
#include "tests/notation/layout/ruler_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using WORD = MCRuler::WORD;

// Notehead 156 by 120: a full step is 156 + 3 x 120 / 2 = 336 at squeeze 0.
constexpr int kFullStep = 336;
constexpr int kEmptyStep = 134;   // 40 %, a whole note's share

// A 4/4 ruler at resolution 64: 16 marks, a sixteenth apart.
struct FourFour {
    NoteheadScope notehead;
    ECMeter meter{4, 4, 255};
    MCRuler ruler;
    explicit FourFour(NoteheadMetricsSource source = ScreenNotehead) : notehead(source) {
        ruler.CreateDivMarks(&meter, 64);
    }
    std::vector<MCRuler::RulerDiv>& Marks(int group = 0) { return ruler.GetRulerGroup()[group].marks; }
    // Notes of one length filling the measure.
    void Fill(int ticks) {
        for (int tick = 0; tick < 1024; tick += ticks)
            ruler.SetDivOccupied(static_cast<WORD>(tick / 64), 1, 0, 0, static_cast<WORD>(ticks), 256);
    }
    // Triplet eighths (128 ticks of the 384 group) on the first beat.
    void TripletsOnFirstBeat() {
        ruler.AddBorrowedDivMarks(&meter, 3, 64);
        for (WORD mark : {0, 2, 4})
            ruler.SetDivOccupied(mark, 1, 0, 0, 128, 384);
    }
};

std::vector<int> Gaps(MCRuler& ruler, int group = 0) {
    const auto& g = ruler.GetRulerGroup()[group];
    std::vector<int> gaps;
    for (size_t k = 1; k < g.marks.size(); ++k)
        gaps.push_back(g.marks[k].x - g.marks[k - 1].x);
    gaps.push_back(g.width - g.marks.back().x);
    return gaps;
}

}  // namespace

TEST(MeasureSpacing, DurationCodes) {
    const struct { int ticks, code; } codes[] = {
        {0, 0},     {1, 10},    {7, 10},    {8, 1},     {15, 1},    {16, 2},    {17, 3},    {31, 3},
        {32, 4},    {63, 5},    {64, 6},    {96, 7},    {128, 8},   {255, 9},   {256, 10},  {384, 11},
        {512, 12},  {1023, 13}, {1024, 14}, {1025, 15}, {2048, 14}, {2049, 15}, {4095, 15}, {4096, 10},
        {65535, 10},
    };
    for (const auto& c : codes)
        EXPECT_EQ(MCRuler::ConvertDuration(static_cast<WORD>(c.ticks)), c.code) << c.ticks;
    const int decoded[] = {0, 8, 16, 24, 32, 48, 64, 96, 128, 192, 256, 384, 512, 768, 1024, 1536};
    for (int code = 0; code < 16; ++code)
        EXPECT_EQ(MCRuler::ConvertToDuration(static_cast<MCRuler::BYTE>(code)), decoded[code]) << code;
}

TEST(MeasureSpacing, PercentagesAndSqueezeLevels) {
    const struct { int ticks, percent; } percents[] = {
        {0, 100},  {7, 100},  {8, 60},   {23, 60},  {24, 65},  {31, 65},   {32, 75},   {47, 75},  {48, 85},
        {63, 85},  {64, 100}, {95, 100}, {96, 85},  {128, 75}, {192, 65},  {256, 60},  {383, 60}, {384, 55},
        {512, 50}, {767, 50}, {768, 45}, {1023, 45}, {1024, 40}, {65535, 40},
    };
    for (const auto& p : percents)
        EXPECT_EQ(MCRuler::PercentageForDuration(static_cast<WORD>(p.ticks)), p.percent) << p.ticks;

    // Sixteenths filling a measure step 156 + the room the level leaves of 180.
    const struct { int level, step; } levels[] = {
        {0, 336}, {1, 291}, {2, 246}, {3, 201}, {4, 174}, {5, 336}, {255, 336},
    };
    for (const auto& l : levels) {
        FourFour f;
        f.Fill(64);
        f.ruler.SetSqueezeLevel(static_cast<MCRuler::BYTE>(l.level));
        f.ruler.CleanUpRuler();
        EXPECT_EQ(Gaps(f.ruler), std::vector<int>(16, l.step)) << "level " << l.level;
    }
}

TEST(MeasureSpacing, EachDurationSpacesTheMarksItSpans) {
    const struct { int ticks, gap; } cases[] = {
        {64, 336},    // a sixteenth: one mark at 100 %
        {128, 252},   // eighths: two marks of 75 %
        {256, 201},   // quarters: four of 60 %
        {512, 168},   // halves: eight of 50 %
        {1024, 134},  // a whole: sixteen of 40 %
    };
    for (const auto& c : cases) {
        FourFour f;
        f.Fill(c.ticks);
        f.ruler.CleanUpRuler();
        EXPECT_EQ(Gaps(f.ruler), std::vector<int>(16, c.gap)) << c.ticks;
        EXPECT_EQ(f.Marks()[0].x, 0) << c.ticks;
        EXPECT_EQ(f.ruler.GetWidth(), kPrologEnd + 16 * c.gap) << c.ticks;
        EXPECT_FALSE(f.ruler.IsEmpty()) << c.ticks;
        EXPECT_FALSE(f.ruler.IsDirty()) << c.ticks;
    }
}

TEST(MeasureSpacing, EmptyMeasureAndWholeRest) {
    FourFour empty;
    empty.ruler.CleanUpRuler();
    EXPECT_EQ(Gaps(empty.ruler), std::vector<int>(16, kEmptyStep));
    EXPECT_EQ(empty.ruler.GetWidth(), kPrologEnd + 16 * kEmptyStep);
    EXPECT_TRUE(empty.ruler.IsEmpty());
    EXPECT_FALSE(empty.ruler.IsDirty());

    // A whole rest leaves its mark free but records its length; the measure
    // spaces as a whole note and counts as empty.
    FourFour rest;
    rest.ruler.SetDivOccupied(0, 0, 0, 200, 1024, 256);
    EXPECT_FALSE(rest.Marks()[0].IsOccupied());
    EXPECT_EQ(rest.Marks()[0].GetDurationCode(), 14);
    EXPECT_EQ(rest.Marks()[0].GetRightExtent(), 0);
    EXPECT_TRUE(rest.ruler.IsDirty());
    rest.ruler.CleanUpRuler();
    EXPECT_EQ(Gaps(rest.ruler), std::vector<int>(16, kEmptyStep));
    EXPECT_TRUE(rest.ruler.IsEmpty());
}

TEST(MeasureSpacing, VoicesSharingAMark) {
    // Entered in either order: the shorter code and each wider extent win.
    for (bool quarterFirst : {true, false}) {
        FourFour f;
        const struct { short left, right; WORD ticks; } quarter{30, 90, 256}, sixteenth{60, 50, 64};
        for (const auto& v : quarterFirst ? std::vector{quarter, sixteenth} : std::vector{sixteenth, quarter})
            f.ruler.SetDivOccupied(0, 1, v.left, v.right, v.ticks, 256);
        const auto& mark = f.Marks()[0];
        EXPECT_TRUE(mark.IsOccupied());
        EXPECT_EQ(mark.GetDurationCode(), 6) << quarterFirst;
        EXPECT_EQ(mark.GetLeftExtent(), 60) << quarterFirst;
        EXPECT_EQ(mark.GetRightExtent(), 90) << quarterFirst;
        // A lyric (no duration) leaves the code alone.
        f.ruler.SetDivOccupied(0, 1, 0, 0, 0, 256);
        EXPECT_EQ(f.Marks()[0].GetDurationCode(), 6);
    }
    // Withdrawing clears the extents; a missing group or mark changes nothing.
    FourFour f;
    f.ruler.SetDivOccupied(3, 1, 70, 80, 64, 256);
    f.ruler.SetDivOccupied(3, 0, 70, 80, 64, 256);
    EXPECT_FALSE(f.Marks()[3].IsOccupied());
    EXPECT_EQ(f.Marks()[3].GetLeftExtent(), 0);
    EXPECT_EQ(f.Marks()[3].GetRightExtent(), 0);
    f.ruler.SetDirty(0);
    f.ruler.SetDivOccupied(3, 1, 70, 80, 64, 999);
    f.ruler.SetDivOccupied(16, 1, 70, 80, 64, 256);
    EXPECT_FALSE(f.ruler.IsDirty());
}

TEST(MeasureSpacing, WideExtentsPush) {
    // Quarters on the beats; the first note's lyric reaches 600 right, the
    // second's accidentals 300 left: the second beat moves until they meet.
    FourFour f;
    f.Fill(256);
    f.ruler.SetDivOccupied(0, 1, 0, 600, 256, 256);
    f.ruler.SetDivOccupied(4, 1, 300, 0, 256, 256);
    f.ruler.CleanUpRuler();
    const auto& marks = f.Marks();
    EXPECT_EQ(marks[3].x, 3 * 201);                // inside the first beat nothing moves
    EXPECT_EQ(marks[4].x - marks[4].GetLeftExtent(), marks[0].x + 600);
    EXPECT_EQ(marks[4].x, 4 * 201 + 96);
    EXPECT_EQ(marks[15].x, 15 * 201 + 96);         // the rest move with it
    EXPECT_EQ(f.ruler.GetWidth(), kPrologEnd + 16 * 201 + 96);

    // The last note reaching past the measure's end widens it.
    FourFour last;
    last.Fill(256);
    last.ruler.SetDivOccupied(12, 1, 0, 1000, 256, 256);
    last.ruler.CleanUpRuler();
    EXPECT_EQ(last.ruler.GetRulerGroup()[0].width, 12 * 201 + 1000);
    EXPECT_EQ(last.ruler.GetWidth(), kPrologEnd + 12 * 201 + 1000);
}

TEST(MeasureSpacing, ElementWithoutDurationSpacesAsAnEmptyMark) {
    // A lyric alone on mark 4 after sixteenths once filled the measure: its
    // next mark must not keep the x of the earlier pass.
    FourFour f;
    f.Fill(64);
    f.ruler.CleanUpRuler();
    f.ruler.ResetRuler();
    f.ruler.SetDivOccupied(4, 1, 50, 50, 0, 256);
    f.ruler.CleanUpRuler();
    EXPECT_EQ(Gaps(f.ruler), std::vector<int>(16, kEmptyStep));
    EXPECT_FALSE(f.ruler.IsEmpty());
}

TEST(MeasureSpacing, DurationRepairOnTheFirstMark) {
    // A half note on mark 0 and a sixteenth on mark 2 of another voice: mark
    // 1 takes the half's time left after mark 2 (384 ticks), mark 0 still
    // spaces its eight marks as a half, the second half of the bar is empty.
    FourFour f;
    f.ruler.SetDivOccupied(0, 1, 0, 0, 512, 256);
    f.ruler.SetDivOccupied(2, 1, 0, 0, 64, 256);
    f.ruler.CleanUpRuler();
    EXPECT_EQ(f.Marks()[1].GetDurationCode(), 11);
    EXPECT_EQ(f.Marks()[0].GetDurationCode(), 12);
    std::vector<int> expected(16, kEmptyStep);
    std::fill(expected.begin(), expected.begin() + 8, 168);
    EXPECT_EQ(Gaps(f.ruler), expected);
}

TEST(MeasureSpacing, TripletsMergeWithTheMainGroup) {
    // Triplet eighths need 3 x 168 per half beat (75 % of a step, scaled by
    // 256 / 384), where the empty main group has 2 x 134: the main group's
    // first beat widens to them and the common marks line up.
    FourFour f;
    f.TripletsOnFirstBeat();
    f.ruler.CleanUpRuler();
    const auto& main = f.Marks(0);
    const auto& triplets = f.Marks(1);
    for (int k = 1; k <= 4; ++k)
        EXPECT_EQ(main[k].x, 252 * k) << k;
    EXPECT_EQ(triplets[3].x, main[2].x);
    EXPECT_EQ(triplets[6].x, main[4].x);
    EXPECT_EQ(main[5].x - main[4].x, kEmptyStep);   // after the triplets the main group's own room
    EXPECT_EQ(triplets[9].x, main[6].x);
    const int width = 4 * 252 + 12 * kEmptyStep;
    EXPECT_EQ(f.ruler.GetRulerGroup()[0].width, width);
    EXPECT_EQ(f.ruler.GetWidth(), kPrologEnd + width);

    // And the other way: sixteenths on the second beat widen an empty triplet group.
    FourFour g;
    g.ruler.AddBorrowedDivMarks(&g.meter, 3, 64);
    for (WORD mark = 4; mark < 8; ++mark)
        g.ruler.SetDivOccupied(mark, 1, 0, 0, 64, 256);
    g.ruler.CleanUpRuler();
    const auto& widened = g.Marks(1);
    EXPECT_EQ(widened[6].x, g.Marks(0)[4].x);
    EXPECT_EQ(widened[7].x - widened[6].x, 2 * kFullStep / 3);
    EXPECT_EQ(widened[12].x, g.Marks(0)[8].x);
}

TEST(MeasureSpacing, MergeComparesGapsAsUnsigned) {
    // A main gap that runs backwards is a huge unsigned gap: the triplets are
    // re-placed from the main group, never the other way.
    FourFour f;
    f.ruler.AddBorrowedDivMarks(&f.meter, 3, 64);
    auto& main = f.Marks(0);
    auto& triplets = f.Marks(1);
    for (size_t k = 0; k < main.size(); ++k)
        main[k].x = static_cast<short>(100 * k);
    main[2].x = -10;
    for (size_t k = 0; k < triplets.size(); ++k)
        triplets[k].x = static_cast<short>(100 * k);
    f.ruler.MergeRulers();
    EXPECT_EQ(main[2].x, -10);
    EXPECT_EQ(triplets[3].x, -10);
}

TEST(MeasureSpacing, AdjustDivMovesEveryGroupFromTheSameTime) {
    FourFour f;
    f.ruler.AddBorrowedDivMarks(&f.meter, 3, 64);
    const std::vector<MCRuler::RulerGroup> before = f.ruler.GetRulerGroup();
    auto moved = [&](int group, int mark) {
        return f.Marks(group)[mark].x - before[group].marks[mark].x;
    };
    // Main mark 4 is the second beat, triplet mark 6 too.
    f.ruler.AdjustDiv(4, 50, 256);
    EXPECT_EQ(moved(0, 3), 0);
    EXPECT_EQ(moved(0, 4), 50);
    EXPECT_EQ(moved(0, 15), 50);
    EXPECT_EQ(moved(1, 5), 0);
    EXPECT_EQ(moved(1, 6), 50);
    EXPECT_EQ(f.ruler.GetRulerGroup()[1].width - before[1].width, 50);

    // At the mark count only the widths move, all of them; after the last
    // mark AdjustNextDiv widens its own group alone.
    f.ruler.AdjustDiv(16, 30, 256);
    EXPECT_EQ(moved(0, 15), 50);
    EXPECT_EQ(f.ruler.GetRulerGroup()[0].width - before[0].width, 80);
    EXPECT_EQ(f.ruler.GetRulerGroup()[1].width - before[1].width, 80);
    f.ruler.AdjustNextDiv(15, 20, 256);
    EXPECT_EQ(f.ruler.GetRulerGroup()[0].width - before[0].width, 100);
    EXPECT_EQ(f.ruler.GetRulerGroup()[1].width - before[1].width, 80);
    // Not the last: the next mark moves.
    f.ruler.AdjustNextDiv(0, 10, MCRuler::ACTIVE_GROUP);
    EXPECT_EQ(moved(0, 0), 0);
    EXPECT_EQ(moved(0, 1), 10);
}

TEST(MeasureSpacing, MinimumWidthAtATighterSqueeze) {
    FourFour f;
    f.Fill(64);
    f.ruler.CalculateMinimumWidth(4);
    EXPECT_EQ(f.ruler.GetMinimumWidth(), kPrologEnd + 16 * 174);
    EXPECT_EQ(f.ruler.GetWidth(), kPrologEnd + 16 * kFullStep);
    EXPECT_EQ(f.ruler.GetSqueezeLevel(), 0);
    EXPECT_FALSE(f.ruler.IsDirty());
}

TEST(MeasureSpacing, SingleMarkOperations) {
    // A flat 80 wide: a note after an occupied mark needs 156 + 80 from it.
    FourFour f([] { return NoteheadMetrics{156, 120, 80}; });
    f.ruler.SetDivOccupied(0, 1, 0, 0, 64, 256);
    f.ruler.SetDivOccupied(1, 1, 0, 0, 64, 256);
    const struct { int mark, anyGroup, occupied; } queries[] = {
        {0, 0, 1}, {2, 0, 0}, {2, 1, 1}, {3, 1, 0}, {0, 1, 1}, {16, 0, 0},
    };
    for (const auto& q : queries)
        EXPECT_EQ(f.ruler.IsDivOccupied(static_cast<WORD>(q.mark), q.anyGroup, 256), q.occupied)
            << q.mark << " any " << q.anyGroup;

    f.ruler.EnforceAccidentalWidth(1, 256);   // 39 apart: pushed to 236
    EXPECT_EQ(f.Marks()[1].x, 236);
    EXPECT_EQ(f.Marks()[2].x, 236 + kUnit);
    f.ruler.EnforceAccidentalWidth(3, 256);   // mark 2 is free: nothing
    EXPECT_EQ(f.Marks()[3].x - f.Marks()[2].x, kUnit);

    // CleanUpDiv: mark 2's 100 left of it clears mark 1's 200 right.
    f.ruler.SetDivOccupied(1, 1, 0, 200, 64, 256);
    f.ruler.SetDivOccupied(2, 1, 100, 0, 64, 256);
    f.ruler.CleanUpDiv(2, 256);
    EXPECT_EQ(f.Marks()[2].x - 100, f.Marks()[1].x + 200);
    // The last mark reaching past the end widens the measure and its minimum.
    const int width = f.ruler.GetWidth();
    const int minimum = f.ruler.GetMinimumWidth();
    f.ruler.SetDivOccupied(15, 1, 0, 2000, 64, 256);
    f.ruler.CleanUpDiv(15, 256);
    const int reach = kPrologEnd + f.Marks()[15].x + 2000;
    EXPECT_EQ(f.ruler.GetWidth(), reach);
    EXPECT_EQ(f.ruler.GetMinimumWidth(), minimum + reach - width);
}

TEST(MeasureSpacing, MediatedStavesKeepTheWiderGaps) {
    // One staff holds a quarter on the first beat, the other four sixteenths;
    // both are only marked, the spacing pass does the rest.
    FourFour quarter, sixteenths;
    quarter.ruler.SetDivOccupied(0, 1, 0, 0, 256, 256);
    for (WORD mark = 0; mark < 4; ++mark)
        sixteenths.ruler.SetDivOccupied(mark, 1, 0, 0, 64, 256);
    quarter.ruler.CleanUpRuler();
    MCRulerRuler conductor;
    conductor = quarter.ruler;
    conductor.MediateRulers(sixteenths.ruler);
    std::vector<int> expected(16, kEmptyStep);
    std::fill(expected.begin(), expected.begin() + 4, kFullStep);
    EXPECT_EQ(Gaps(conductor), expected);
    EXPECT_EQ(conductor.GetWidth(), kPrologEnd + 4 * kFullStep + 12 * kEmptyStep);
}

static NoteheadMetrics DoubleNotehead() { return {312, 240}; }

// A bar of many short notes in a long meter can be wider than a 16-bit width
// holds: the spacing pass scales its marks down to fit, its even gaps staying
// even; a bar that fits keeps its natural spacing.
TEST(MeasureSpacing, ABarWiderThanAWidthHoldsIsScaledDownToFit) {
    const struct {
        const char* what;
        NoteheadMetricsSource notehead;
        int ticks;     // each note's length
        int natural;   // the gap of each mark the notes space
    } cases[] = {
        {"64 eighths", ScreenNotehead, 128, 252},   // 32256 and the prologue: just fits
        {"128 sixteenths", ScreenNotehead, 64, kFullStep},
        {"64 eighths at twice the size", DoubleNotehead, 128, 2 * 252},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        NoteheadScope notehead(c.notehead);
        LongBar bar;
        bar.Notes(c.ticks).ruler.CleanUpRuler();
        const MCRuler& ruler = bar.ruler;
        const int start = ruler.GetPrologX(MCRuler::PROLOG_END);
        const int span = std::min(LongBar::MARKS * c.natural, MCRuler::MAX_WIDTH - start);
        EXPECT_EQ(ruler.GetWidth(), start + ruler.GetRulerGroup()[0].width);
        EXPECT_LE(ruler.GetWidth(), MCRuler::MAX_WIDTH);
        EXPECT_NEAR(ruler.GetRulerGroup()[0].width, span, 1);
        const std::vector<int> gaps = Gaps(bar.ruler);
        ASSERT_EQ(gaps.size(), static_cast<size_t>(LongBar::MARKS));
        for (size_t k = 0; k < gaps.size(); ++k)
            ASSERT_NEAR(gaps[k], span / double(LongBar::MARKS), 1.0) << "gap " << k;
    }
}

TEST(MeasureRuler, MarginRect) {
    MCPageLayout& layout = MCPageLayout::GetPageLayout();
    const CRect printable = layout.GetPrintableRect();
    EXPECT_EQ(MCRuler().GetMarginRect(), printable);
    layout.SetSideBySide(1);
    const CRect beside = MCRuler().GetMarginRect();
    layout.SetSideBySide(0);
    EXPECT_EQ(beside, printable + CPoint(layout.GetPageRect().Width(), 0));
}
