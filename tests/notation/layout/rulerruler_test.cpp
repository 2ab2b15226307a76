#include "notation/layout/rulerruler.h"

#include "model/time.h"
#include "notation/layout/staffcolor.h"
#include "platform/core/profile.h"
#include "platform/ui/syscolor.h"
#include "tests/notation/layout/ruler_support.h"
#include "tests/platform/gui/dc_support.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

// Gaps as the spacing pass leaves them at squeeze 0 (w + 3h / 2 = 336): an
// occupied mark's duration spaces the marks it spans, an empty mark 40 %.
constexpr int kSixteenth = 336;   // 100 %
constexpr int kQuarter = 201;     // 60 % of each of four marks
constexpr int kEmptyMark = 134;   // 40 %

// A 4/4 staff measure at 64 whose first beat holds either one quarter or four
// sixteenths, the rest empty, spaced as the spacing pass spaces it.
MCRuler StaffMeasure(bool sixteenths) {
    ECMeter meter(4, 4, 255);
    MCRuler ruler;
    ruler.CreateDivMarks(&meter, 64);
    auto& group = ruler.GetRulerGroup()[0];
    int x = 0;
    for (int k = 0; k < 16; ++k) {
        auto& mark = group.marks[k];
        mark.ClearMarking();
        mark.x = static_cast<short>(x);
        if (k < 4 && (sixteenths || k == 0)) {
            mark.SetOccupied(true);
            mark.SetDurationCode(sixteenths ? 2 : 10);
            mark.SetRightExtent(sixteenths ? 40 : 20);
        }
        x += k < 4 ? (sixteenths ? kSixteenth : kQuarter) : kEmptyMark;
    }
    group.width = static_cast<short>(x);
    return ruler;
}

std::vector<int> Gaps(const MCRuler& ruler, int group = 0) {
    const auto& marks = ruler.GetRulerGroup()[group].marks;
    std::vector<int> gaps;
    for (size_t k = 1; k < marks.size(); ++k)
        gaps.push_back(marks[k].x - marks[k - 1].x);
    gaps.push_back(ruler.GetRulerGroup()[group].width - marks.back().x);
    return gaps;
}

// The conductor as its measure builds it: the first staff assigned, the next mediated.
// (The second by reference: a copy would start without its postlogue.)
MCRulerRuler Mediated(const MCRuler& first, MCRuler&& second) {
    MCRulerRuler conductor;
    conductor = first;
    conductor.MediateRulers(second);
    return conductor;
}

}  // namespace

TEST(ConductorRuler, MediatingKeepsTheWiderGaps) {
    NoteheadScope notehead;
    MCRulerRuler conductor = Mediated(StaffMeasure(false), StaffMeasure(true));
    std::vector<int> expected(16, kEmptyMark);
    for (int k = 0; k < 4; ++k)
        expected[k] = kSixteenth;
    EXPECT_EQ(Gaps(conductor), expected);
    EXPECT_EQ(conductor.GetDisplayedGroup(), 1);

    const auto& marks = conductor.GetRulerGroup()[0].marks;
    // The quarter's mark keeps the shorter code and the wider extent; the
    // marks only the sixteenths occupy take theirs.
    EXPECT_EQ(marks[0].GetDurationCode(), 2);
    EXPECT_EQ(marks[0].GetRightExtent(), 40);
    EXPECT_TRUE(marks[1].IsOccupied());
    EXPECT_EQ(marks[1].GetDurationCode(), 2);
    EXPECT_FALSE(marks[4].IsOccupied());
    EXPECT_FALSE(conductor.IsEmpty());
    EXPECT_TRUE(conductor.IsDirty());
    const int width = kPrologEnd + 4 * kSixteenth + 12 * kEmptyMark;
    EXPECT_EQ(conductor.GetWidth(), width);
    EXPECT_EQ(conductor.GetMediatedWidth(), width);

    // The same the other way round.
    EXPECT_EQ(Gaps(Mediated(StaffMeasure(true), StaffMeasure(false))), expected);
}

TEST(ConductorRuler, MediatingPrologueAndPostlogue) {
    NoteheadScope notehead;
    // Two staves: one in a key of 200 units, one in C; both with clef and meter.
    MCRuler withKey = StaffMeasure(false);
    withKey.SetPrologWidth(MCRuler::PROLOG_CLEF, 0);
    withKey.SetPrologWidth(MCRuler::PROLOG_KEY, 200);
    withKey.SetPrologWidth(MCRuler::PROLOG_METER, 100);
    withKey.SetPostlog(MCRuler::POSTLOG_KEY, 300);   // a courtesy key at the line's end
    MCRuler inC = StaffMeasure(false);
    inC.SetPrologWidth(MCRuler::PROLOG_CLEF, 0);
    inC.SetPrologWidth(MCRuler::PROLOG_METER, 100);
    MCRulerRuler conductor = Mediated(inC, std::move(withKey));
    // Each slot is the larger of the two.
    const int expected[] = {78, 498, 998, 1518};
    for (int slot = 0; slot < 4; ++slot)
        EXPECT_EQ(conductor.GetPrologX(slot), expected[slot]) << slot;
    ASSERT_NE(conductor.GetPostlog(), nullptr);
    EXPECT_EQ(conductor.GetPostlogX(1, 0), 78 + 300 + 78);
    EXPECT_EQ(conductor.GetWidth(),
              conductor.GetPrologX(3) + conductor.GetRulerGroup()[0].width + conductor.GetPostlogX(2, 0));
}

TEST(ConductorRuler, TupletGroups) {
    NoteheadScope notehead;
    MCRuler plain = StaffMeasure(false);
    MCRuler triplets = StaffMeasure(false);
    ECMeter meter(4, 4, 255);
    triplets.AddBorrowedDivMarks(&meter, 3, 64);
    ASSERT_EQ(triplets.GetNumberOfRulerGroups(), 2);

    // A staff with a triplet group brings it to the conductor.
    MCRulerRuler conductor = Mediated(plain, std::move(triplets));
    ASSERT_EQ(conductor.GetNumberOfRulerGroups(), 2);
    EXPECT_EQ(conductor.GetGroupPulse(1), 384);

    // A staff without it leaves it to follow group 0: widen the first beat and
    // the triplet marks move with it, in time proportion.
    MCRuler wide = StaffMeasure(true);
    conductor.MediateRulers(wide);
    const auto& main = conductor.GetRulerGroup()[0].marks;
    const auto& borrowed = conductor.GetRulerGroup()[1].marks;
    ASSERT_EQ(borrowed.size(), 24u);
    EXPECT_EQ(borrowed[3].x, main[2].x);            // real tick 128 on both
    EXPECT_EQ(borrowed[6].x, main[4].x);            // the second beat
    EXPECT_EQ(borrowed[1].x, main[0].x + 2 * kSixteenth / 3);
}

TEST(ConductorRuler, SetWidth) {
    NoteheadScope notehead;
    MCRulerRuler conductor = Mediated(StaffMeasure(false), StaffMeasure(true));
    const int mediated = conductor.GetMediatedWidth();
    const struct { int width, force, answer, resulting; } steps[] = {
        {mediated - 1, 0, 0, mediated},           // refused
        {mediated - 100, 1, 1, mediated - 100},   // forced
        {mediated - 100, 0, 1, mediated - 100},   // same width, clean: nothing to do
    };
    for (const auto& s : steps) {
        EXPECT_EQ(conductor.SetWidth(static_cast<short>(s.width), s.force), s.answer) << s.width;
        EXPECT_EQ(conductor.GetWidth(), s.resulting) << s.width;
    }
    EXPECT_FALSE(conductor.IsDirty());

    // Stretching to twice the marks' span doubles every mark and the tail.
    MCRulerRuler stretched = Mediated(StaffMeasure(false), StaffMeasure(true));
    const std::vector<int> before = Gaps(stretched);
    const int span = stretched.GetWidth() - kPrologEnd;
    ASSERT_EQ(stretched.SetWidth(static_cast<short>(kPrologEnd + 2 * span), 0), 1);
    EXPECT_EQ(stretched.GetWidth(), kPrologEnd + 2 * span);
    const std::vector<int> after = Gaps(stretched);
    for (size_t k = 0; k < before.size(); ++k)
        EXPECT_EQ(after[k], 2 * before[k]) << k;
}

// Two staves of a 32/4 bar, sixteenths in opposite halves: each fits a 16-bit
// width alone, the widest gaps of both do not. The mediation scales the bar
// down to fit; the system's width then squeezes it, every mark in order
// inside the measure: the last note keeps the room it had before the barline
// (its head and beam end stay inside the bar) and the others close up evenly.
TEST(ConductorRuler, AWideBarFitsAndSqueezesToTheSystem) {
    NoteheadScope notehead;
    LongBar first, second;
    first.Notes(64, 0, LongBar::TICKS / 2).Notes(1024, LongBar::TICKS / 2);
    second.Notes(1024, 0, LongBar::TICKS / 2).Notes(64, LongBar::TICKS / 2);
    first.ruler.CleanUpRuler();
    ASSERT_EQ(first.ruler.GetRulerGroup()[0].width, 64 * kSixteenth + 64 * kEmptyMark) << "fits alone, unscaled";
    MCRulerRuler conductor = Mediated(first.ruler, std::move(second.ruler));
    EXPECT_LE(conductor.GetWidth(), MCRuler::MAX_WIDTH);
    EXPECT_EQ(conductor.GetMediatedWidth(), conductor.GetWidth());
    const int span = conductor.GetRulerGroup()[0].width;
    EXPECT_NEAR(span, MCRuler::MAX_WIDTH - kPrologEnd, 1);
    for (int gap : Gaps(conductor))
        ASSERT_NEAR(gap, span / double(LongBar::MARKS), 1.0);

    // A letter page's printable width: below the mediated width, so only forced.
    constexpr int kSystem = 10800;
    EXPECT_EQ(conductor.SetWidth(kSystem, 0), 0);
    const int tail = Gaps(conductor).back();
    ASSERT_EQ(conductor.SetWidth(kSystem, 1), 1);
    EXPECT_EQ(conductor.GetWidth(), kSystem);
    const auto& marks = conductor.GetRulerGroup()[0].marks;
    EXPECT_EQ(marks[0].x, 0);
    const std::vector<int> gaps = Gaps(conductor);
    EXPECT_NEAR(gaps.back(), tail, 1) << "the last note's room before the barline";
    for (size_t k = 0; k + 1 < gaps.size(); ++k)
        ASSERT_NEAR(gaps[k], (kSystem - kPrologEnd - tail) / double(LongBar::MARKS - 1), 1.0) << k;
    EXPECT_LT(kPrologEnd + marks.back().x, conductor.GetBarlineX());
}

TEST(ConductorRuler, TimeAtAnX) {
    NoteheadScope notehead;
    MCRulerRuler conductor = Mediated(StaffMeasure(false), StaffMeasure(true));
    const int ppq = MCTime::GlobalPPQ;
    const int x1 = kPrologEnd + kSixteenth;               // mark 1, tick 64
    const int x4 = kPrologEnd + 4 * kSixteenth;           // mark 4, tick 256
    const int x5 = x4 + kEmptyMark;                       // mark 5, tick 320
    const int last = kPrologEnd + 4 * kSixteenth + 11 * kEmptyMark;   // mark 15, tick 960
    const struct { int x, snap; double quarters; } cases[] = {
        {x1 + 100, 1, 0.25},                              // nearer mark 1
        {x1 + 200, 1, 0.5},                               // nearer mark 2
        {x4 + kEmptyMark / 2, 0, 1.125},                  // halfway between marks 4 and 5
        {x1 + kSixteenth / 4, 0, 0.25 + 0.0625},          // a quarter of the way from mark 1
        {last + kEmptyMark / 2, 0, 3.875},                // between the last mark and the end
        {kPrologEnd, 0, 0.0},                             // at the marks' start
    };
    for (const auto& c : cases) {
        const MCTime time = conductor.GetTime(c.x, c.snap, 256);
        EXPECT_EQ(time.GetTicks(ppq), static_cast<int>(c.quarters * ppq)) << c.x << " snap " << c.snap;
    }
    // Interpolation between neighbours is monotonic where spacing is uneven.
    int previous = -1;
    for (int x = x4 - 50; x <= x5 + 50; x += 5) {
        const int ticks = conductor.GetTime(x, 0, 256).GetTicks(ppq);
        EXPECT_GE(ticks, previous) << x;
        previous = ticks;
    }
    EXPECT_EQ(conductor.GetTime(x1, 1, 0).GetTicks(ppq), 0);
}

TEST(ConductorRuler, DrawsTheDisplayedGroupInTheStaffColour) {
    NoteheadScope notehead;
    StaffColor().Set(0x0094695A);   // steel blue
    MCRulerRuler conductor = Mediated(StaffMeasure(false), StaffMeasure(false));
    ASSERT_EQ(conductor.GetNumberOfRulerGroups(), 1);
    ASSERT_EQ(conductor.GetDisplayedGroup(), 1);   // names no group: group 0 is drawn
    EXPECT_EQ(conductor.GetHeight(), 270);

    MemoryCanvas canvas(conductor.GetWidth() + 40, 400);
    const CPoint at(10, 350);
    conductor.Draw(&canvas.dc, at, nullptr);
    StaffColor().Reset();

    // Just above the bottom line every stroke crosses: two sides, 16 ticks.
    const int row = at.y - 10;
    int strokes = 0;
    bool inInk = false;
    for (int x = 0; x < canvas.Image().width(); ++x) {
        const bool ink = canvas.Pixel(x, row) != 0xFFFFFF;
        strokes += ink && !inInk;
        inInk = ink;
    }
    EXPECT_EQ(strokes, 2 + 16);
    const int firstTick = at.x + conductor.GetPrologX(MCRuler::PROLOG_END);
    EXPECT_EQ(canvas.Pixel(firstTick, row), 0x5A6994u);   // RGB 5A 69 94
    // Lengths by level: a stress 1.68 noteheads, a pulse one, the rest 0.37.
    const struct { int mark, length; } ticks[] = {{0, 201}, {4, 120}, {1, 44}, {8, 201}};
    for (const auto& t : ticks) {
        const int x = firstTick + conductor.GetRulerGroup()[0].marks[t.mark].x;
        EXPECT_NE(canvas.Pixel(x, at.y - t.length + 2), 0xFFFFFFu) << t.mark;
        EXPECT_EQ(canvas.Pixel(x, at.y - t.length - 2), 0xFFFFFFu) << t.mark;
    }
}

TEST(StaffColour, DefaultAndProfile) {
    StaffColor().Reset();
    EXPECT_EQ(StaffColor().Get(), GetSysColor(COLOR_BTNSHADOW));
    StaffColor().LoadFromProfile();   // nothing stored: the system colour
    EXPECT_EQ(StaffColor().Get(), GetSysColor(COLOR_BTNSHADOW));
    ASSERT_TRUE(WriteProfileInt("Views\\Music Score", "StaffColor", 0x0094695A));
    StaffColor().LoadFromProfile();
    EXPECT_EQ(StaffColor().Get(), 0x0094695Au);
    StaffColor().Reset();
}
