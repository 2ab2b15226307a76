// The conductor and conductor staff displays: nothing drawn, the ruler-hidden
// flag, the measure under a point or at a time, and their records.
#include "notation/display/conductor.h"

#include "notation/display/records.h"
#include "tests/notation/display/conductor_support.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/support/durationgate.h"

#include <gtest/gtest.h>

namespace {

TEST(ConductorDisplayTest, DrawsNothingAndAnswers64) {
    DisplayCanvas canvas(8, 8, 0, 0);
    DCctConductor conductor;
    DCctConductorStaff staff;
    EXPECT_EQ(conductor.Draw(&canvas.dc, CPoint(0, 0), nullptr), 64);
    EXPECT_EQ(staff.Draw(&canvas.dc, CPoint(0, 0), nullptr), 64);
}

TEST(ConductorDisplayTest, RulerHiddenIsBit20) {
    DCctConductorStaff staff;
    EXPECT_EQ(staff.IsRulerHidden(), 0);
    staff.HideRuler(5);
    EXPECT_EQ(staff.IsRulerHidden(), 1);
    EXPECT_NE(staff.GetStateWord() & (1u << 20), 0u);
    staff.HideRuler(0);
    EXPECT_EQ(staff.IsRulerHidden(), 0);
}

TEST(ConductorDisplayTest, RecordsGiveTheConductorClasses) {
    EXPECT_EQ(notation_test::StartPlugin(), 87);
    EXPECT_EQ(CPluginData::GetDataClass(DK_NOTATION, ET_CONDUCTOR), RUNTIME_CLASS(DCctConductor));
    EXPECT_EQ(CPluginData::GetDataClass(DK_NOTATION, ET_CONDUCTORMEASURE), RUNTIME_CLASS(DCctConductorMeasure));
    EXPECT_EQ(CPluginData::GetDataClass(DK_NOTATION, ET_CONDUCTORSTAFF), RUNTIME_CLASS(DCctConductorStaff));
    for (const CRuntimeClass* cls :
         {RUNTIME_CLASS(DCctConductor), RUNTIME_CLASS(DCctConductorMeasure), RUNTIME_CLASS(DCctConductorStaff)}) {
        EXPECT_EQ(cls->m_pBaseClass, RUNTIME_CLASS(DCctBase)) << cls->m_lpszClassName;
        EXPECT_EQ(cls->GetSchema(), 2u) << cls->m_lpszClassName;
    }
}

using ConductorStaffTest = ConductorPieceTest;

TEST_F(ConductorStaffTest, FindsTheMeasureUnderAPoint) {
    MakePiece(1, 3);
    // Measures side by side, 1000 wide, the system 480 high below y 5000.
    for (int number = 1; number <= 3; ++number) {
        DCctConductorMeasure* measure = Display(number);
        measure->GetRuler().SetWidth(1000, 1);
        measure->SetPosition(1000 * (number - 1), 5000);
    }
    const int systemHeight = Display(1)->GetSystemHeight();
    ASSERT_EQ(systemHeight, 480);
    const struct {
        CPoint point;
        int number;   // 0: none
    } cases[] = {
        {{0, 5000}, 1},
        {{1000, 5000}, 1},                   // the right edge is the earlier measure's
        {{1001, 5000}, 2},
        {{1500, 5000 - systemHeight}, 2},    // the bottom of the system, included
        {{1500, 5000 - systemHeight - 1}, 0},
        {{1500, 5001}, 0},
        {{2500, 4800}, 3},
        {{3001, 4800}, 0},
    };
    for (const auto& c : cases) {
        ECConductorMeasure* found = StaffDisplay()->FindRulerMeasureAtPoint(c.point);
        EXPECT_EQ(found, c.number ? Column(c.number) : nullptr) << c.point.x << "," << c.point.y;
    }
    // A collapsed member of a multi-measure rest is passed over; the head is not.
    Display(2)->GetRuler().SetCollapse(1);
    EXPECT_EQ(StaffDisplay()->FindRulerMeasureAtPoint(CPoint(1500, 5000)), nullptr);
    Display(2)->GetRuler().SetCollapse(3);
    EXPECT_EQ(StaffDisplay()->FindRulerMeasureAtPoint(CPoint(1500, 5000)), Column(2));
}

TEST_F(ConductorStaffTest, MeasureWithoutDisplayEndsTheSearch) {
    MakePiece(1, 2);
    Display(2)->GetRuler().SetWidth(1000, 1);
    Display(2)->SetPosition(1000, 5000);
    // The first measure never got a display object.
    EXPECT_EQ(Column(1)->GetData(DK_NOTATION, 0), nullptr);
    EXPECT_EQ(StaffDisplay()->FindRulerMeasureAtPoint(CPoint(1500, 5000)), nullptr);
}

TEST_F(ConductorStaffTest, FindsTheMeasureAtATime) {
    MakePiece(1, 3);
    MCTime time(5.0f);
    EXPECT_EQ(StaffDisplay()->FindRulerMeasureAtTime(&time), Column(2));
    EXPECT_EQ(StaffDisplay()->FindRulerMeasureAtTime(nullptr), nullptr);
    DCctConductorStaff unowned;
    EXPECT_EQ(unowned.FindRulerMeasureAtTime(&time), nullptr);
}

}  // namespace

namespace {

TEST_F(ConductorStaffTest, DocumentBringsTheDisplaysBack) {
    MakePiece(1, 2);
    StaffDisplay()->HideRuler(1);
    ASSERT_NE(m_conductor->GetData(DK_NOTATION, 1), nullptr);
    Display(2)->SetDisplayOffset(-200);
    Display(2)->SetSelected(1);
    ECPerformance* loaded = piece::LoadDocument(piece::SaveDocument(m_performance));
    auto* conductor = static_cast<ECConductor*>(loaded->GetDescendant(ET_CONDUCTOR, -1));
    ASSERT_NE(conductor, nullptr);
    EXPECT_NE(dynamic_cast<DCctConductor*>(conductor->GetData(DK_NOTATION, 0)), nullptr);
    auto* staff = conductor->GetTrack(TRACK_CONDUCTOR, 0, 0);
    auto* staffDisplay = dynamic_cast<DCctConductorStaff*>(staff->GetData(DK_NOTATION, 0));
    ASSERT_NE(staffDisplay, nullptr);
    EXPECT_EQ(staffDisplay->IsRulerHidden(), 1);
    ECMeasure* column = conductor->GetMeasure(0, 2);
    auto* measure = dynamic_cast<DCctConductorMeasure*>(column->GetData(DK_NOTATION, 0));
    ASSERT_NE(measure, nullptr);
    EXPECT_EQ(measure->GetDisplayOffset(), -200);
    EXPECT_EQ(measure->IsSelected(), 0);
    EXPECT_EQ(measure->FrameDirty(), 1);
    piece::FreeDocument(loaded);
}

}  // namespace
