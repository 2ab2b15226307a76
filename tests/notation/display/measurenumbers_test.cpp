// Measure numbers drawn by the conductor measure: which measures, where, in
// what size; the font put back afterwards.
#include "notation/display/conductormeasure.h"

#include "model/meter.h"
#include "notation/layout/textfonts.h"
#include "tests/notation/display/conductor_support.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/layout/ruler_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The settings for a test's lifetime.
class NumberSettings {
public:
    NumberSettings(int place, int option)
        : m_place(DCctConductorStaff::s_nMeasureNum), m_option(DCctConductorStaff::s_nMeasureNumOpt) {
        DCctConductorStaff::s_nMeasureNum = place;
        DCctConductorStaff::s_nMeasureNumOpt = option;
    }
    ~NumberSettings() {
        DCctConductorStaff::s_nMeasureNum = m_place;
        DCctConductorStaff::s_nMeasureNumOpt = m_option;
    }

private:
    int m_place;
    int m_option;
};

constexpr int kSize = 1000;   // canvas; logical y = kSize - row
constexpr int kX = 300;       // the measure's drawing point
constexpr int kY = 700;       // its y, the first staff's top line

class MeasureNumberTest : public ConductorPieceTest {
protected:
    void SetUp() override {
        ConductorPieceTest::SetUp();
        MakePiece(1, 1);
        StaffDisplay()->HideRuler(1);   // the number's ink alone
        measure = Display(1);
        measure->SetPosition(kX, kY);
    }
    // The ink of the measure drawn with this index and head flag, as logical
    // y (top, bottom) and x (left, right); all -1 when nothing was drawn.
    struct Ink {
        int top = -1, bottom = -1, left = -1, right = -1;
        bool Any() const { return top >= 0; }
    };
    Ink Draw(int index, int head) {
        DisplayCanvas canvas(kSize, kSize, 0, kSize);
        measure->SetMeasureIndex(index);
        measure->SetHeadOfSystem(head);
        EXPECT_EQ(measure->Draw(&canvas.dc, CPoint(0, 0), nullptr), 1);
        const std::vector<int> rows = InkRows(canvas.Image());
        const std::vector<int> columns = InkColumns(canvas.Image());
        Ink ink;
        if (!rows.empty()) {
            ink.top = kSize - rows.front();
            ink.bottom = kSize - rows.back();
            ink.left = columns.front();
            ink.right = columns.back();
        }
        return ink;
    }

    MusicFontScope font{120};
    NoteheadScope notehead;
    DCctConductorMeasure* measure = nullptr;
};

TEST_F(MeasureNumberTest, WhichMeasuresShowANumber) {
    const struct {
        int place, option, index, head;
        bool shown;
    } cases[] = {
        {1, 4, 4, 0, true},  {1, 4, 8, 0, true},  {1, 4, 12, 0, true}, {1, 4, 5, 0, false},
        {1, 0, 7, 1, true},  {1, 0, 8, 0, false}, {1, 1, 5, 0, true},  {0, 1, 5, 1, false},
    };
    for (const auto& c : cases) {
        NumberSettings settings(c.place, c.option);
        EXPECT_EQ(Draw(c.index, c.head).Any(), c.shown)
            << "place " << c.place << " option " << c.option << " index " << c.index;
    }
}

TEST_F(MeasureNumberTest, AboveTheFirstStaffOrBelowTheLast) {
    // A character height of 120 / 15 = 8 points at 1440 an inch: 160 units.
    {
        NumberSettings settings(1, 1);
        const Ink ink = Draw(4, 0);
        ASSERT_TRUE(ink.Any());
        EXPECT_GT(ink.bottom, kY);
        EXPECT_LE(ink.top, kY + 160);
        EXPECT_GE(ink.top - ink.bottom, 80);   // digits of a 160-unit character, not a tiny font
    }
    {
        NumberSettings settings(2, 1);
        const Ink ink = Draw(4, 0);
        ASSERT_TRUE(ink.Any());
        EXPECT_LE(ink.top, kY - 480);   // below the staff's 480 units
        EXPECT_GE(ink.bottom, kY - 480 - 160);
    }
}

TEST_F(MeasureNumberTest, CentredOnTheStartOrEndingAtTheSecondMark) {
    NumberSettings settings(1, 1);
    Ink ink = Draw(88, 0);
    ASSERT_TRUE(ink.Any());
    EXPECT_NEAR((ink.left + ink.right) / 2, kX, 6);
    ECMeter meter(4, 4, 0);
    measure->CreateDivMarks(&meter, 64);
    const auto& marks = measure->GetRuler().GetRulerGroup()[0].marks;
    ASSERT_GE(marks.size(), 2u);
    ASSERT_NE(marks[0].x, marks[1].x);
    ink = Draw(88, 0);
    ASSERT_TRUE(ink.Any());
    EXPECT_LE(ink.right, kX + marks[1].x + 1);
    EXPECT_GE(ink.right, kX + marks[1].x - 15);
}

TEST_F(MeasureNumberTest, ExpressionFontIsPutBack) {
    NumberSettings settings(1, 1);
    MCExpressionFont& expression = MCExpressionFont::GetExpressionFont();
    const LONG height = expression.GetLogFont().lfHeight;
    ASSERT_TRUE(Draw(3, 0).Any());
    EXPECT_EQ(expression.GetLogFont().lfHeight, height);
}

TEST_F(MeasureNumberTest, RulerStripDrawnUnlessTheConductorStaffHidesIt) {
    NumberSettings settings(0, 1);   // no number: the ruler's ink alone
    ECMeter meter(4, 4, 0);
    measure->CreateDivMarks(&meter, 64);
    measure->GetRuler().SetWidth(800, 1);
    EXPECT_FALSE(Draw(1, 1).Any());
    StaffDisplay()->HideRuler(0);
    const Ink ink = Draw(1, 1);
    ASSERT_TRUE(ink.Any());
    // The strip hangs from the display offset (the ruler height) above the staff.
    EXPECT_LE(ink.top, kY + 270 + 1);
    EXPECT_GE(ink.bottom, kY - 1);
    EXPECT_GE(ink.left, kX - 1);
    EXPECT_LE(ink.right, kX + 800 + 1);
}

TEST(MeasureNumberSettingsTest, StartAtOne) {
    // Until the view loads the preferences.
    EXPECT_EQ(DCctConductorStaff::s_nMeasureNum, 1);
    EXPECT_EQ(DCctConductorStaff::s_nMeasureNumOpt, 1);
}

}  // namespace
