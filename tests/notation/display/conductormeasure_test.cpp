// The conductor measure display: archive tail, staff and lyric y, heights,
// the display offset's limits, mediation, hiding and the cursor.
#include "notation/display/conductormeasure.h"

#include "model/meter.h"
#include "model/notes.h"
#include "tests/notation/display/conductor_support.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/layout/ruler_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

std::vector<uint8_t> Store(DCctBase& element) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    element.Serialize(ar);
    ar.Close();
    return file.Detach();
}

std::vector<uint8_t> Tail(const std::vector<uint8_t>& bytes, size_t headSize) {
    return std::vector<uint8_t>(bytes.begin() + static_cast<long>(headSize), bytes.end());
}

TEST(ConductorMeasureBytesTest, TailIsTheDisplayOffsetAlone) {
    NoteheadScope notehead;
    DCctBase head;
    const size_t headSize = Store(head).size();
    DCctConductorMeasure measure;
    // A new one starts at the ruler height (notehead 120 x 2.25); the ruler
    // itself stores nothing.
    std::vector<uint8_t> bytes = Store(measure);
    EXPECT_EQ(Tail(bytes, headSize), (std::vector<uint8_t>{0x0E, 0x01, 0x00, 0x00}));
    measure.SetDisplayOffset(100);
    EXPECT_EQ(Tail(Store(measure), headSize), (std::vector<uint8_t>{0x64, 0x00, 0x00, 0x00}));
    // A loaded offset is the file's, below the ruler strip too.
    const std::vector<uint8_t> below = {0xD4, 0xFE, 0xFF, 0xFF};
    std::copy(below.begin(), below.end(), bytes.begin() + static_cast<long>(headSize));
    CMemFile in(bytes);
    CArchive ar(&in, CArchive::load);
    DCctConductorMeasure loaded;
    loaded.Serialize(ar);
    EXPECT_EQ(loaded.GetDisplayOffset(), -300);
    EXPECT_EQ(Tail(Store(loaded), headSize), below);
}

TEST(ConductorMeasureBytesTest, NewAndCopiedStartTheSame) {
    NoteheadScope notehead;
    DCctConductorMeasure measure;
    EXPECT_EQ(measure.GetDisplayOffset(), 270);   // notehead 120 x 2.25
    EXPECT_EQ(measure.NeedsMediateRulers(), 1);
    EXPECT_EQ(measure.GetDisplayPulse(), 0x4000);
    EXPECT_EQ(measure.IsHeadOfSystem(), 0);
    measure.SetHeadOfSystem(1);
    measure.SetMediateRulers(0);
    measure.SetDisplayOffset(10);
    DCctConductorMeasure copy(measure);
    EXPECT_EQ(copy.GetDisplayOffset(), 270);
    EXPECT_EQ(copy.NeedsMediateRulers(), 1);
    EXPECT_EQ(copy.IsHeadOfSystem(), 0);
}

using ConductorMeasureTest = ConductorPieceTest;

TEST_F(ConductorMeasureTest, StaffYByStaffArgument) {
    NoteheadScope notehead;
    MakePiece(3, 2);
    DCctConductorMeasure* measure = Display(1);
    measure->SetPosition(100, 10000);
    const struct {
        int staff;
        int y;
    } cases[] = {{1, 10000}, {2, 8000}, {3, 6000}, {0, 10000}, {-1, 6000}};
    for (const auto& c : cases) {
        EXPECT_EQ(measure->GetYPositionForMeasure(c.staff), c.y) << c.staff;
        EXPECT_EQ(measure->GetYOffsetForMeasure(c.staff), c.y - 10000) << c.staff;
    }
    EXPECT_EQ(measure->GetYPositionForMeasure(Measure(2, 1)), 8000);
    // A measure of another column, or none, is not among the owner's.
    EXPECT_EQ(measure->GetYPositionForMeasure(Measure(2, 2)), 0);
    EXPECT_EQ(measure->GetYPositionForMeasure(static_cast<ECMeasure*>(nullptr)), 0);
    // The last shown staff: staff 3 hidden makes -1 mean staff 2.
    StaffDisplay()->GetRuler().SetStaffShown(2, 0);
    EXPECT_EQ(measure->GetYPositionForMeasure(-1), 8000);
    EXPECT_EQ(measure->GetMeasureForTrack(-1), Measure(2, 1));
    EXPECT_EQ(measure->GetMeasureForTrack(0), Measure(1, 1));
}

TEST_F(ConductorMeasureTest, SingleStaffModeGivesEveryMeasureTheShownStaffsY) {
    MakePiece(3, 1);
    DCctConductorMeasure* measure = Display(1);
    measure->SetPosition(0, 10000);
    StaffDisplay()->GetRuler().SetDisplay(2);
    ASSERT_EQ(StaffDisplay()->GetRuler().IsSingleStaff(), 1);
    for (int staff = 1; staff <= 3; ++staff)
        EXPECT_EQ(measure->GetYPositionForMeasure(Measure(staff, 1)), 8000) << staff;
    EXPECT_EQ(measure->GetYPositionForMeasure(-1), 8000);
}

TEST_F(ConductorMeasureTest, WithoutConductorStaffDisplayTheQueriesAnswer0) {
    MakePiece(2, 1);
    DCctConductorMeasure unowned;
    unowned.SetPosition(0, 10000);
    EXPECT_EQ(unowned.GetYPositionForMeasure(1), 0);
    EXPECT_EQ(unowned.GetYPositionForMeasure(Measure(1, 1)), 0);
    EXPECT_EQ(unowned.GetYOffsetForLyric(0), 0);
    EXPECT_EQ(unowned.GetMeasureForTrack(1), nullptr);
    unowned.MediateRulers(StaffDisplay()->GetRuler(), 0);   // no column: nothing, no crash
    unowned.HideMeasures(1);
    unowned.AddClefToMeasures();
}

TEST_F(ConductorMeasureTest, LyricOffsets) {
    MakePiece(2, 2);
    MCStaffRuler& ruler = StaffDisplay()->GetRuler();
    ruler.SetLyricY(0, -700);
    ruler.SetLyricY(1, -2700);
    DCctConductorMeasure* measure = Display(1);
    measure->SetPosition(0, 10000);
    EXPECT_EQ(measure->GetYOffsetForLyric(1), -2700);
    EXPECT_EQ(measure->GetYOffsetForLyric(Measure(2, 1)), -2700);
    EXPECT_EQ(measure->GetYOffsetForLyric(Measure(1, 1)), -700);
    // Not one of the owner's staff measures: 0.
    EXPECT_EQ(measure->GetYOffsetForLyric(Measure(1, 2)), 0);
    EXPECT_EQ(measure->GetLyricPosition(0, 2), 8000 - 2700);
}

TEST_F(ConductorMeasureTest, HeightsAndTheDisplayOffsetsLimits) {
    NoteheadScope notehead;
    MakePiece(2, 1);
    DCctConductorMeasure* measure = Display(1);
    measure->SetPosition(0, 10000);
    MeasureDisplay(2, 1)->legerBelow = 300;
    // Last staff at -2000, 480 high, 300 of ledger room below it.
    EXPECT_EQ(measure->GetSystemHeight(), 2780);
    EXPECT_EQ(measure->GetTopToBottomStaffHeight(), 2480);
    EXPECT_EQ(measure->GetHeightOfStaves(1, 2), 2480);
    const struct {
        int set, stored;
    } cases[] = {{1000, 270}, {270, 270}, {-2780, -2780}, {-100000, -2780}, {-5, -5}};
    for (const auto& c : cases) {
        measure->SetDisplayOffset(c.set);
        EXPECT_EQ(measure->GetDisplayOffset(), c.stored) << c.set;
    }
}

TEST_F(ConductorMeasureTest, FramesRiseByTheDisplayOffset) {
    NoteheadScope notehead;
    MakePiece(1, 1);
    DCctConductorMeasure* measure = Display(1);
    measure->GetRuler().SetWidth(1000, 1);
    measure->SetPosition(100, 5000);
    DisplayCanvas canvas(8, 8, 0, 0);
    measure->SetSize(&canvas.dc);
    CRect frame;
    measure->GetFrame(&frame, 0);
    EXPECT_EQ(frame, CRect(100, 5270, 1100, 5000));
    measure->GetFrame(&frame, 1);
    EXPECT_EQ(frame, CRect(100, 5270, 1100, 5000 - 480));
    int maxY = 0;
    measure->GetTotalFrame(&frame, CPoint(0, 0), &maxY);
    EXPECT_EQ(maxY, 5270);
    EXPECT_EQ(frame, CRect(100, 4520, 1100, 5270));
}

// Two staff rulers of 4/4 whose key slots differ: the first is copied, the
// second mediated in, each slot then the wider.
TEST_F(ConductorMeasureTest, MediationCopiesTheFirstShownStaffThenMediates) {
    NoteheadScope notehead;
    MakePiece(3, 1);
    ECMeter meter(4, 4, 0);
    for (int staff = 1; staff <= 3; ++staff)
        MeasureDisplay(staff, 1)->ruler.CreateDivMarks(&meter, 64);
    MeasureDisplay(1, 1)->ruler.SetPrologWidth(MCRuler::PROLOG_KEY, 300);
    MeasureDisplay(2, 1)->ruler.SetPrologWidth(MCRuler::PROLOG_KEY, 500);
    MeasureDisplay(3, 1)->ruler.SetPrologWidth(MCRuler::PROLOG_KEY, 900);   // hidden below
    StaffDisplay()->GetRuler().SetStaffShown(2, 0);
    DCctConductorMeasure* measure = Display(1);
    ASSERT_EQ(measure->GetRuler().GetNumberOfRulerGroups(), 0);
    measure->MediateRulers(StaffDisplay()->GetRuler(), 0);
    EXPECT_EQ(measure->NeedsMediateRulers(), 0);
    MCRuler& second = MeasureDisplay(2, 1)->ruler;
    EXPECT_EQ(measure->GetRuler().GetNumberOfRulerGroups(), 1);
    EXPECT_EQ(measure->GetRuler().GetPrologX(MCRuler::PROLOG_END), second.GetPrologX(MCRuler::PROLOG_END));
    // Only while due.
    MeasureDisplay(2, 1)->ruler.SetPrologWidth(MCRuler::PROLOG_KEY, 800);
    measure->MediateRulers(StaffDisplay()->GetRuler(), 0);
    EXPECT_NE(measure->GetRuler().GetPrologX(MCRuler::PROLOG_END), second.GetPrologX(MCRuler::PROLOG_END));
}

TEST_F(ConductorMeasureTest, HidingModes) {
    MakePiece(2, 1);
    auto* rest = new ECRest;
    ASSERT_TRUE(Measure(1, 1)->AddChild(rest, SORTED));
    auto* restDisplay = dynamic_cast<DCctBase*>(rest->GetData(DK_NOTATION, 1));
    ASSERT_NE(restDisplay, nullptr);
    MeasureDisplay(1, 1)->ruler.SetCollapseCount(7);
    DCctConductorMeasure* measure = Display(1);
    const struct {
        BYTE mode;
        int hidden;
        int collapsed;   // -1: not told
        int restHidden;
    } cases[] = {{1, 1, -1, 1}, {2, 0, 7, 1}, {0, 0, 0, 0}};
    for (const auto& c : cases) {
        MeasureDisplay(1, 1)->collapsed = -1;
        measure->HideMeasures(c.mode);
        EXPECT_EQ(MeasureDisplay(1, 1)->IsHidden(), c.hidden) << int(c.mode);
        EXPECT_EQ(MeasureDisplay(2, 1)->IsHidden(), c.hidden) << int(c.mode);
        EXPECT_EQ(MeasureDisplay(1, 1)->collapsed, c.collapsed) << int(c.mode);
        EXPECT_EQ(restDisplay->IsHidden(), c.restHidden) << int(c.mode);
    }
}

TEST_F(ConductorMeasureTest, WidthsAndRulersReachEveryStaffMeasure) {
    NoteheadScope notehead;
    MakePiece(2, 1);
    DCctConductorMeasure* measure = Display(1);
    measure->GetRuler().SetWidth(1500, 1);
    measure->UpdateWidth();
    EXPECT_EQ(MeasureDisplay(1, 1)->measureEnd, 1500);
    EXPECT_EQ(MeasureDisplay(2, 1)->measureEnd, 1500);
    measure->SetRulersDirty(0);
    EXPECT_EQ(measure->GetRulersDirty(), 0);
    MeasureDisplay(2, 1)->ruler.SetDirty(1);
    EXPECT_EQ(measure->GetRulersDirty(), 1);
}

TEST_F(ConductorMeasureTest, DrawingACollapsedMemberAnswers128) {
    NoteheadScope notehead;
    MakePiece(1, 1);
    DisplayCanvas canvas(64, 64, 0, 64);
    DCctConductorMeasure* measure = Display(1);
    const struct {
        int collapse;
        int result;
    } cases[] = {{1, 128}, {3, 1}, {0, 1}};
    for (const auto& c : cases) {
        measure->GetRuler().SetCollapse(c.collapse);
        EXPECT_EQ(measure->Draw(&canvas.dc, CPoint(0, 0), nullptr), c.result) << c.collapse;
    }
}


TEST_F(ConductorMeasureTest, CursorAndTimeFollowTheRuler) {
    NoteheadScope notehead;
    MakePiece(1, 2);
    DCctConductorMeasure* measure = Display(2);
    ECMeter meter(4, 4, 0);
    measure->CreateDivMarks(&meter, 64);
    measure->SetPosition(1000, 5000);
    DisplayCanvas canvas(8, 8, 0, 0);
    measure->SetSize(&canvas.dc);
    const auto& marks = measure->GetRuler().GetRulerGroup()[0].marks;
    ASSERT_GE(marks.size(), 8u);
    const int beat = 1000 + kPrologEnd + marks[4].x;   // the second quarter, after the prologue

    CPoint top;
    CPoint bottom;
    measure->CalcCursorPosition(static_cast<WORD>(256), &top, &bottom, 0, 0x4000);
    EXPECT_EQ(top, CPoint(beat, 5000));
    EXPECT_EQ(bottom, CPoint(beat, 5000 - 480));
    // Near the mark: kept as it is, or snapped onto it.
    measure->CalcCursorPosition(CPoint(beat + 3, 0), &top, &bottom, 0, 0x4000);
    EXPECT_EQ(top, CPoint(beat + 3, 5000 + 270));
    measure->CalcCursorPosition(CPoint(beat + 3, 0), &top, &bottom, 1, 0x4000);
    EXPECT_EQ(top, CPoint(beat, 5000 + 270));
    EXPECT_EQ(bottom, CPoint(beat, 5000 - 480));
    // Measure 2 starts at quarter 4: the second quarter is quarter 5.
    EXPECT_EQ(measure->GetTimeForXPosition(beat, 1).GetTicks(256), 5 * 256);
    EXPECT_EQ(measure->GetEndPosition(), CPoint(1000 + measure->GetRuler().GetWidth(), 5000));
}

TEST_F(ConductorMeasureTest, BorrowedDivisionsShowTheirPulse) {
    NoteheadScope notehead;
    MakePiece(1, 1);
    DCctConductorMeasure* measure = Display(1);
    ECMeter meter(4, 4, 0);
    measure->CreateDivMarks(&meter, 64);
    MCTime half(2.0f);
    const struct {
        int on, divisions;
        WORD pulse;
        int groups;
    } cases[] = {
        {1, 2, 0x4000, 1},   // the quarter divides in two already
        {1, 0, 0x4000, 1},   // a damaged count adds nothing
        {1, 3, 384, 2},      // triplet quarters: three in the time of two
        {0, 3, 0x4000, 2},   // given up: the marks stay, the display pulse goes
    };
    for (const auto& c : cases) {
        measure->SetRulerBorrowed(c.on, half, c.divisions);
        EXPECT_EQ(measure->GetDisplayPulse(), c.pulse) << c.on << "/" << c.divisions;
        EXPECT_EQ(measure->GetRuler().GetNumberOfRulerGroups(), c.groups) << c.on << "/" << c.divisions;
    }
}

}  // namespace
