#include "notation/layout/ruler.h"

#include "tests/notation/layout/ruler_support.h"

#include <gtest/gtest.h>

namespace {

// A 4/4 ruler at resolution 64 (16 marks).
struct FourFour {
    NoteheadScope notehead;
    ECMeter meter{4, 4, 255};
    MCRuler ruler;
    FourFour() { ruler.CreateDivMarks(&meter, 64); }
    std::vector<MCRuler::RulerDiv>& Marks(int group = 0) { return ruler.GetRulerGroup()[group].marks; }
};

// Levels of 4/4 (two stresses of two pulses) at four marks a pulse.
int FourFourLevel(int mark) {
    return mark % 8 == 0 ? 0 : mark % 4 == 0 ? 1 : 2;
}

}  // namespace

TEST(MeasureRuler, FourFourAt64) {
    FourFour f;
    const auto& marks = f.Marks();
    ASSERT_EQ(marks.size(), 16u);
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(marks[k].tick, 64 * k) << k;
        EXPECT_EQ(marks[k].x, kUnit * k) << k;
        EXPECT_EQ(marks[k].GetLevel(), FourFourLevel(k)) << k;
        EXPECT_FALSE(marks[k].IsOccupied());
    }
    const MCRuler::RulerGroup& main = f.ruler.GetRulerGroup()[0];
    EXPECT_EQ(main.pulse, 256);
    EXPECT_EQ(main.basePulse, 256);
    EXPECT_EQ(main.width, 16 * kUnit);
    EXPECT_EQ(f.ruler.GetPrologX(MCRuler::PROLOG_END), kPrologEnd);
    EXPECT_EQ(f.ruler.GetWidth(), kPrologEnd + 16 * kUnit);
    EXPECT_EQ(f.ruler.GetMinimumWidth(), kPrologEnd + 16 * kUnit);
    EXPECT_TRUE(f.ruler.IsEmpty());
    EXPECT_TRUE(f.ruler.IsDirty());
}

TEST(MeasureRuler, SecondRulerComesFromTheTemplate) {
    FourFour first;
    int index = -1;
    ECMeter meter(4, 4, 255);
    ASSERT_TRUE(first.ruler.TemplateExists(&meter, 64, index));
    const int stored = MCRuler::GetTemplateCount();
    MCRuler second;
    second.CreateDivMarks(&meter, 64);
    EXPECT_EQ(MCRuler::GetTemplateCount(), stored);
    EXPECT_EQ(second.GetDivisionUnit(), kUnit);
    EXPECT_EQ(second.GetWidth(), first.ruler.GetWidth());
    ASSERT_EQ(second.GetRulerGroup()[0].marks.size(), 16u);
    EXPECT_EQ(second.GetRulerGroup()[0].marks[15].x, 15 * kUnit);
    // The group's width, which the table does not hold, is what building gives.
    EXPECT_EQ(second.GetRulerGroup()[0].width, 16 * kUnit);
}

// Marks stored under one music font size are not handed to a ruler of
// another: under a font twice as wide the ruler steps by its own unit.
TEST(MeasureRuler, ATemplateServesOnlyItsFontSize) {
    FourFour first;
    ECMeter meter(4, 4, 255);
    NoteheadScope wide([] { return NoteheadMetrics{312, 240}; });
    MCRuler second;
    const short unit = second.GetDivisionUnit();
    ASSERT_NE(unit, kUnit);
    second.CreateDivMarks(&meter, 64);
    EXPECT_EQ(second.GetDivisionUnit(), unit);
    ASSERT_EQ(second.GetRulerGroup()[0].marks.size(), 16u);
    EXPECT_EQ(second.GetRulerGroup()[0].marks[15].x, 15 * unit);
    // And the next ruler of that size takes it from the table.
    int index = -1;
    EXPECT_TRUE(second.TemplateExists(&meter, 64, index));
}

TEST(MeasureRuler, TemplateTableStopsStoringAt255) {
    NoteheadScope notehead;
    // Fill the table with keys no other test uses (numerators 1-80 at four
    // resolutions over /2: far more than the table holds).
    for (int n = 1; n <= 80 && MCRuler::GetTemplateCount() < MCRuler::MAX_TEMPLATES; ++n) {
        for (int resolution : {256, 128, 64, 32}) {
            ECMeter meter(static_cast<unsigned char>(n), 2, 255);
            MCRuler ruler;
            ruler.CreateDivMarks(&meter, static_cast<MCRuler::WORD>(resolution));
        }
    }
    ASSERT_EQ(MCRuler::GetTemplateCount(), MCRuler::MAX_TEMPLATES);
    ECMeter meter(7, 8, 255);
    MCRuler full;
    full.CreateDivMarks(&meter, 32);
    EXPECT_EQ(MCRuler::GetTemplateCount(), MCRuler::MAX_TEMPLATES);
    ASSERT_EQ(full.GetRulerGroup()[0].marks.size(), 28u);   // still built
    EXPECT_EQ(full.GetRulerGroup()[0].marks[27].tick, 27 * 32);
    EXPECT_EQ(full.GetRulerGroup()[0].marks[27].x, 27 * kUnit);
}

TEST(MeasureRuler, PulseResolutionAndMeterChanges) {
    NoteheadScope notehead;
    const struct { int numerator, denominator, resolution, pulse, groupResolution, marks; } cases[] = {
        {4, 4, 64, 256, 64, 16},
        {4, 4, 48, 256, 16, 64},    // 48 does not divide 256: the GCD, 16
        {3, 4, 96, 256, 32, 24},
        {6, 8, 64, 384, 64, 12},    // compound: the pulse is the dotted quarter
        {5, 4, 64, 256, 64, 20},    // imperfect: the meter's pulse
    };
    for (const auto& c : cases) {
        ECMeter meter(static_cast<unsigned char>(c.numerator), static_cast<unsigned char>(c.denominator), 255);
        MCRuler ruler;
        ruler.CreateDivMarks(&meter, static_cast<MCRuler::WORD>(c.resolution));
        const auto& main = ruler.GetRulerGroup()[0];
        EXPECT_EQ(MCRuler::GetPulse(&meter), c.pulse) << c.numerator << "/" << c.denominator;
        EXPECT_EQ(main.resolution, c.groupResolution) << c.numerator << "/" << c.denominator;
        EXPECT_EQ(main.marks.size(), size_t(c.marks)) << c.numerator << "/" << c.denominator;
        EXPECT_EQ(ruler.IsMeterSame(&meter), 1);
    }

    FourFour f;
    ECMeter threeFour(3, 4, 255);
    EXPECT_EQ(f.ruler.IsMeterSame(&threeFour), 0);
    f.ruler.ChangeMeter(&threeFour, 0);
    EXPECT_EQ(f.Marks().size(), 12u);
    EXPECT_EQ(f.ruler.GetNumberOfRulerGroups(), 1);
    EXPECT_EQ(f.ruler.IsMeterSame(&threeFour), 1);
}

TEST(MeasureRuler, SetResolutionBothWays) {
    FourFour f;
    auto& marks = f.Marks();
    // Uneven spacing: the inserted marks fall between their own neighbours.
    for (int k = 0; k < 16; ++k)
        marks[k].x = static_cast<short>(k * 100 + (k > 1 ? 60 : 0));
    marks[3].SetOccupied(true);
    f.ruler.SetResolution(32, 256);
    ASSERT_EQ(marks.size(), 32u);
    EXPECT_EQ(f.ruler.GetResolution(256), 32);
    EXPECT_EQ(marks[2].x, 100);                 // old mark 1 kept
    EXPECT_EQ(marks[3].x, 100 + 160 / 2);       // between old marks 1 (100) and 2 (260)
    EXPECT_EQ(marks[3].tick, 96);
    EXPECT_EQ(marks[3].GetLevel(), 2);
    EXPECT_TRUE(marks[6].IsOccupied());         // old mark 3
    // After the last old mark: towards the measure's end.
    const int end = f.ruler.GetWidth() - kPrologEnd;
    EXPECT_EQ(marks[31].x, 1560 + (end - 1560) / 2);
    EXPECT_EQ(marks[31].tick, 31 * 32);

    f.ruler.SetResolution(64, 256);
    ASSERT_EQ(marks.size(), 16u);
    EXPECT_EQ(marks[2].x, 260);
    EXPECT_EQ(marks[2].tick, 128);
    EXPECT_TRUE(marks[3].IsOccupied());
    // Nothing for a missing group or a zero resolution.
    f.ruler.SetResolution(32, 999);
    f.ruler.SetResolution(0, 256);
    EXPECT_EQ(marks.size(), 16u);
    EXPECT_EQ(f.ruler.GetResolution(999), 64);
}

TEST(MeasureRuler, TripletGroupInTimeProportion) {
    FourFour f;
    f.ruler.AddBorrowedDivMarks(&f.meter, 3, 64);
    ASSERT_EQ(f.ruler.GetNumberOfRulerGroups(), 2);
    const auto& triplets = f.ruler.GetRulerGroup()[1];
    EXPECT_EQ(triplets.pulse, 384);
    EXPECT_EQ(triplets.basePulse, 256);
    EXPECT_EQ(triplets.resolution, 64);
    EXPECT_EQ(f.ruler.GetBorrowedMultiple(), 12);
    ASSERT_EQ(triplets.marks.size(), 24u);
    // Real tick of mark j is 64 j x 256 / 384; group 0 places 64 ticks at 39,
    // so mark j lies at 26 j.
    for (int j = 0; j < 24; ++j) {
        EXPECT_EQ(triplets.marks[j].tick, 64 * j) << j;
        EXPECT_EQ(triplets.marks[j].x, 26 * j) << j;
    }
    EXPECT_EQ(triplets.marks[6].GetLevel(), 0);   // each stress of six starts one
    EXPECT_EQ(triplets.marks[3].GetLevel(), 1);

    // The nearest mark over both groups: real tick 85 is triplet mark 2; a
    // tie (tick 0) stays with group 0.
    const struct { int tick, index, pulse; } nearest[] = {{85, 2, 384}, {0, 0, 256}, {64, 1, 256}, {970, 15, 256}, {1000, 23, 384}};
    for (const auto& c : nearest) {
        MCRuler::WORD index = 99, pulse = 99;
        f.ruler.GetDivMarkForTick(static_cast<MCRuler::WORD>(c.tick), index, pulse);
        EXPECT_EQ(index, c.index) << c.tick;
        EXPECT_EQ(pulse, c.pulse) << c.tick;
    }

    // Reset lays them out again from group 0.
    f.ruler.GetRulerGroup()[1].marks[5].x = 999;
    f.ruler.ResetRuler();
    EXPECT_EQ(f.ruler.GetRulerGroup()[1].marks.size(), 24u);
    EXPECT_EQ(f.ruler.GetRulerGroup()[1].marks[5].x, 26 * 5);

    // Adding the same rhythm again only changes its resolution.
    f.ruler.AddBorrowedDivMarks(&f.meter, 384, 256, 32);
    EXPECT_EQ(f.ruler.GetNumberOfRulerGroups(), 2);
    EXPECT_EQ(f.ruler.GetRulerGroup()[1].marks.size(), 48u);

    f.ruler.SetActiveRuler(384);
    EXPECT_EQ(f.ruler.GetActiveGroup(), 1);
    f.ruler.RemoveBorrowedDivMarks(256);   // group 0 is never removed
    EXPECT_EQ(f.ruler.GetNumberOfRulerGroups(), 2);
    f.ruler.RemoveBorrowedDivMarks(384);
    EXPECT_EQ(f.ruler.GetNumberOfRulerGroups(), 1);
    EXPECT_EQ(f.ruler.GetBorrowedMultiple(), 4);
    EXPECT_EQ(f.ruler.FindPulseGroup(MCRuler::ACTIVE_GROUP), &f.ruler.GetRulerGroup()[0]);
}

TEST(MeasureRuler, XOfATickBetweenNeighbours) {
    FourFour f;
    auto& marks = f.Marks();
    // Uneven spacing: a wide first beat, then the plain unit.
    marks[1].x = 100;
    marks[2].x = 130;
    for (int k = 3; k < 16; ++k)
        marks[k].x = static_cast<short>(130 + (k - 2) * kUnit);
    const int end = f.ruler.GetWidth() - kPrologEnd;
    const struct { int tick, x; } cases[] = {
        {0, kPrologEnd},
        {64, kPrologEnd + 100},
        {96, kPrologEnd + 115},        // halfway from 100 to 130, never left of mark 1
        {128, kPrologEnd + 130},
        {992, kPrologEnd + marks[15].x + (end - marks[15].x) / 2},
        {1024, f.ruler.GetWidth()},    // the end tick is the width
    };
    for (const auto& c : cases)
        EXPECT_EQ(f.ruler.GetXPositionForTick(static_cast<short>(c.tick), 256), c.x) << c.tick;
    EXPECT_EQ(f.ruler.GetXPositionForTick(64, 999), 0);   // no such group

    const struct { int tick, mark; } marksFor[] = {{0, 0}, {64, 1}, {100, 1}, {960, 15}, {1000, 16}};
    for (const auto& c : marksFor)
        EXPECT_EQ(f.ruler.GetDivMarkForTick(static_cast<MCRuler::WORD>(c.tick), 256), c.mark) << c.tick;
    EXPECT_EQ(f.ruler.GetTickForDivMark(16, 256), 1024);

    // By x: the midpoint belongs to the earlier mark; past the width nothing.
    const struct { int x, nearest, before, after; } near[] = {
        {kPrologEnd, 0, 0, 0},
        {kPrologEnd + 50, 0, 0, 1},
        {kPrologEnd + 51, 1, 0, 1},
        {kPrologEnd + 120, 2, 1, 2},
        {kPrologEnd + marks[15].x + 5, 15, 15, 15},
        {f.ruler.GetWidth() + 1000, 0, 0, 0},
    };
    for (const auto& c : near) {
        int nearest = -1, before = -1, after = -1;
        f.ruler.GetClosestDivMarks(c.x, nearest, before, after, 256);
        EXPECT_EQ(nearest, c.nearest) << c.x;
        EXPECT_EQ(before, c.before) << c.x;
        EXPECT_EQ(after, c.after) << c.x;
        EXPECT_EQ(f.ruler.GetClosestDivMark(c.x, 256), c.nearest) << c.x;
    }
}

// A clef inside the measure stands just before the music of its time (its
// width given with the room after it), at the end before the barline, and
// never reaches into the prologue.
TEST(MeasureRuler, AClefInsideTheMeasureStandsBeforeItsTime) {
    FourFour f;
    constexpr short kClefWidth = 20;
    const int at128 = f.ruler.GetXPositionForTick(128, 256);
    const struct { short tick; int x; } cases[] = {
        {128, at128 - kClefWidth},
        {1024, f.ruler.GetBarlineX() - kClefWidth},
        {1, kPrologEnd},   // no room before it: it starts where the music does
    };
    for (const auto& c : cases)
        EXPECT_EQ(f.ruler.GetMidClefX(c.tick, kClefWidth), c.x) << c.tick;
}

TEST(MeasureRuler, PrologueSlots) {
    FourFour f;
    const int marksWidth = f.ruler.GetWidth() - kPrologEnd;
    f.ruler.SetPrologWidth(MCRuler::PROLOG_CLEF, 999);   // the clef's own width is not used
    f.ruler.SetPrologWidth(MCRuler::PROLOG_KEY, 200);
    f.ruler.SetPrologWidth(MCRuler::PROLOG_METER, 100);
    EXPECT_EQ(f.ruler.GetPrologX(1), 78 + 120 * 7 / 2);
    EXPECT_EQ(f.ruler.GetPrologX(2), 498 + 200 + 120 * 5 / 2);
    EXPECT_EQ(f.ruler.GetPrologX(3), 998 + 100 + 120 * 7 / 2);
    EXPECT_EQ(f.ruler.GetWidth(), 1518 + marksWidth);
    EXPECT_EQ(f.ruler.GetMinimumWidth(), 1518 + marksWidth);
    EXPECT_TRUE(f.ruler.IsClefInProlog() && f.ruler.IsKeyInProlog() && f.ruler.IsMeterInProlog());

    // Removing the key moves the meter and the marks left by its width.
    f.ruler.RemoveProlog(MCRuler::PROLOG_KEY);
    EXPECT_FALSE(f.ruler.IsKeyInProlog());
    EXPECT_EQ(f.ruler.GetPrologX(2), 498);
    EXPECT_EQ(f.ruler.GetPrologX(3), 1018);
    EXPECT_EQ(f.ruler.GetXPositionForDiv(1, 256), 1018 + kUnit);
    EXPECT_EQ(f.ruler.GetWidth(), 1018 + marksWidth);

    f.ruler.ResetProlog();
    EXPECT_EQ(f.ruler.GetPrologX(3), kPrologEnd);
    EXPECT_EQ(f.ruler.GetWidth(), kPrologEnd + marksWidth);
}

TEST(MeasureRuler, PrologueItemEnteredWithoutTheOneBeforeIt) {
    // A clef and a meter but no key (C major): the meter starts after the
    // clef, not on it.
    FourFour f;
    f.ruler.SetPrologWidth(MCRuler::PROLOG_CLEF, 0);
    f.ruler.SetPrologWidth(MCRuler::PROLOG_METER, 100);
    EXPECT_FALSE(f.ruler.IsKeyInProlog());
    EXPECT_EQ(f.ruler.GetPrologX(2), 498);
    EXPECT_EQ(f.ruler.GetPrologX(3), 498 + 100 + 420);
}

TEST(MeasureRuler, PostlogueComesAndGoes) {
    FourFour f;
    const int width = f.ruler.GetWidth();
    EXPECT_EQ(f.ruler.GetBarlineX(), width);
    f.ruler.SetPostlog(MCRuler::POSTLOG_KEY, 0);   // no width: nothing
    EXPECT_EQ(f.ruler.GetPostlog(), nullptr);
    f.ruler.SetPostlog(MCRuler::POSTLOG_KEY, 300);
    f.ruler.SetPostlog(MCRuler::POSTLOG_METER, 100);
    ASSERT_NE(f.ruler.GetPostlog(), nullptr);
    EXPECT_EQ(f.ruler.GetPostlogX(1, 0), 78 + 300 + 78);
    EXPECT_EQ(f.ruler.GetPostlogX(2, 0), 456 + 100 + 78);
    EXPECT_EQ(f.ruler.GetWidth(), width + 634);
    EXPECT_EQ(f.ruler.GetBarlineX(), width);
    EXPECT_EQ(f.ruler.GetPostlogX(0, 1), width + 78);
    EXPECT_TRUE(f.ruler.IsKeyInPostlog() && f.ruler.IsMeterInPostlog());

    f.ruler.RemovePostlog(MCRuler::POSTLOG_KEY);
    EXPECT_FALSE(f.ruler.IsKeyInPostlog());
    EXPECT_EQ(f.ruler.GetWidth(), width + 78 + 178);
    const int before = f.ruler.GetWidth();
    f.ruler.RemovePostlog(MCRuler::POSTLOG_METER);
    // Losing key and meter gives back the rest: the meter's 178 and half a notehead.
    EXPECT_EQ(f.ruler.GetPostlog(), nullptr);
    EXPECT_EQ(before - f.ruler.GetWidth() - 178, 78);
    EXPECT_EQ(f.ruler.GetWidth(), width);
}

TEST(MeasureRuler, CopyAndAssignment) {
    FourFour f;
    f.ruler.AddPostlog();
    f.ruler.SetCollapse(2);
    f.ruler.SetCollapseCount(5);
    f.ruler.SetSqueezeLevel(3);
    f.ruler.SetEmpty(0);
    f.Marks()[4].word |= MCRuler::RulerDiv::kSpareBit;

    MCRuler copy(f.ruler);
    EXPECT_EQ(copy.GetRulerGroup()[0].marks.size(), 16u);
    EXPECT_EQ(copy.GetWidth(), f.ruler.GetWidth());
    EXPECT_EQ(copy.GetPostlog(), nullptr);
    EXPECT_FALSE(copy.IsCollapsed());
    EXPECT_EQ(copy.GetCollapseCount(), 0);
    EXPECT_EQ(copy.GetSqueezeLevel(), 0);
    EXPECT_TRUE(copy.IsEmpty());
    EXPECT_EQ(copy.GetRulerGroup()[0].marks[4].word & MCRuler::RulerDiv::kSpareBit, 0u);
    EXPECT_EQ(copy.GetRulerGroup()[0].marks[4].GetLevel(), 1);

    MCRuler target;
    target.SetCollapseCount(9);
    target.SetSqueezeLevel(1);
    target = f.ruler;
    EXPECT_EQ(target.GetRulerGroup()[0].marks.size(), 16u);
    EXPECT_EQ(target.GetCollapseCount(), 9);
    EXPECT_EQ(target.GetSqueezeLevel(), 1);
    EXPECT_EQ(target.GetPostlog(), nullptr);

    // Construction and ReInitRuler: a quarter and a half notehead.
    EXPECT_EQ(MCRuler().GetDivisionUnit(), 39);
    target.ReInitRuler();
    EXPECT_EQ(target.GetDivisionUnit(), 78);
    EXPECT_EQ(target.GetNumberOfRulerGroups(), 0);
    EXPECT_EQ(target.GetWidth(), 78 + 3 * 156);
    EXPECT_EQ(target.GetMinimumWidth(), 78 + 3 * 156);
}

TEST(MeasureRuler, Arithmetic) {
    const struct { int a, b, gcd, lcm; } cases[] = {
        {12, 18, 6, 36}, {256, 48, 16, 768}, {7, 0, 7, 0}, {0, 0, 0, 1}, {1, 1, 1, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MCRuler::GreatestCommonDivisor(c.a, c.b), c.gcd) << c.a << " " << c.b;
        EXPECT_EQ(MCRuler::LeastCommonMultiple(c.a, c.b), c.lcm) << c.a << " " << c.b;
    }
    EXPECT_EQ(MCRuler::Scale(3, 4, 10), 7);
    EXPECT_EQ(MCRuler::Scale(3, 0, 10), -1);
}
