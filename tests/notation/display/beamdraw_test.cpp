// Beams placed over notes on a treble staff and drawn into an image through
// a memory DC, y up: where the bands lie against the stem ends, how thick
// they are and which way, the gap between levels, stubs, slant, and the
// measured box.
#include "notation/display/beam.h"

#include "tests/notation/display/beam_support.h"
#include "tests/notation/display/structure_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace beam_test;

constexpr int TOP_ROW = 120;   // the device row of the staff's top line (logical y 0)

int Row(int y) {
    return TOP_ROW - y;
}

struct Drawn {
    QImage image;
    int answer = 0;
};

Drawn Draw(DCctBeam* beam) {
    DisplayCanvas canvas(220, 240, 0, TOP_ROW);
    Drawn drawn;
    drawn.answer = beam->Draw(&canvas.dc, CPoint(0, 0), nullptr);
    drawn.image = canvas.Copy();
    return drawn;
}

CPoint MainStart(DCctBeam* beam) {
    return beam->GetLevels().front().columns.front().point;
}
CPoint MainEnd(DCctBeam* beam) {
    return beam->GetLevels().front().columns.back().point;
}

TEST(BeamDrawTest, LevelEighthsOneBandHalfASpaceThickBelowTheStemEnds) {
    BeamStaff staff;
    staff.AddNotes({67, 67, 67, 67});
    ASSERT_EQ(staff.Place(), 1);
    const CPoint start = MainStart(staff.beam);
    const CPoint end = MainEnd(staff.beam);
    ASSERT_EQ(start.y, end.y);
    const Drawn drawn = Draw(staff.beam);
    EXPECT_EQ(drawn.answer, 128);
    const InkBox ink = FindInk(drawn.image, 0, drawn.image.height());
    ASSERT_FALSE(ink.Empty());
    EXPECT_EQ(ink.left, start.x);
    EXPECT_EQ(ink.right, end.x - 1);
    // Stems up: the band hangs from the stem ends toward the noteheads.
    EXPECT_EQ(ink.top, Row(start.y));
    EXPECT_EQ(ink.bottom, Row(start.y - staff.h / 2) - 1);
}

TEST(BeamDrawTest, StemsDownBandRisesFromTheStemEnds) {
    BeamStaff staff;
    staff.AddNotes({74, 74, 74}, EIGHTH, DOWN);
    ASSERT_EQ(staff.Place(), 1);
    ASSERT_EQ(staff.beam->GetDirection(), DOWN);
    const CPoint start = MainStart(staff.beam);
    const InkBox ink = FindInk(Draw(staff.beam).image, 0, 240);
    ASSERT_FALSE(ink.Empty());
    EXPECT_EQ(ink.top, Row(start.y + staff.h / 2));
    EXPECT_EQ(ink.bottom, Row(start.y) - 1);
}

TEST(BeamDrawTest, SixteenthsTwoBandsWithAGapBetween) {
    BeamStaff staff;
    staff.AddNotes({67, 67, 67, 67}, SIXTEENTH);
    ASSERT_EQ(staff.Place(), 1);
    const CPoint start = MainStart(staff.beam);
    const CPoint end = MainEnd(staff.beam);
    const QImage image = Draw(staff.beam).image;
    const int apart = staff.h * 3 / 4;
    const int thick = staff.h / 2;
    const InkBox main = FindInk(image, Row(start.y), Row(start.y - thick));
    const InkBox gap = FindInk(image, Row(start.y - thick), Row(start.y - apart));
    const InkBox second = FindInk(image, Row(start.y - apart), Row(start.y - apart - thick));
    EXPECT_FALSE(main.Empty());
    EXPECT_TRUE(gap.Empty()) << "rows " << gap.top << "-" << gap.bottom;
    ASSERT_FALSE(second.Empty());
    EXPECT_EQ(second.left, start.x);
    EXPECT_EQ(second.right, end.x - 1);
    EXPECT_TRUE(FindInk(image, Row(start.y - apart - thick), 240).Empty()) << "nothing further in";
}

TEST(BeamDrawTest, DottedEighthAndSixteenthStubEndsAtTheSixteenth) {
    BeamStaff staff;
    staff.AddNote(67, EIGHTH);
    staff.AddNote(67, SIXTEENTH);
    ASSERT_EQ(staff.Place(), 1);
    const CPoint start = MainStart(staff.beam);
    const CPoint end = MainEnd(staff.beam);
    ASSERT_GT(end.x - start.x, 2 * staff.w);
    const QImage image = Draw(staff.beam).image;
    const int apart = staff.h * 3 / 4;
    const InkBox stub = FindInk(image, Row(start.y - apart), Row(start.y - apart - staff.h / 2));
    ASSERT_FALSE(stub.Empty());
    EXPECT_EQ(stub.left, end.x - staff.w);
    EXPECT_EQ(stub.right, end.x - 1);
}

TEST(BeamDrawTest, RisingGroupRisesToTheRight) {
    BeamStaff staff;
    staff.AddNotes({60, 64, 67, 72});
    ASSERT_EQ(staff.Place(), 1);
    const CPoint start = MainStart(staff.beam);
    const CPoint end = MainEnd(staff.beam);
    ASSERT_GT(end.y, start.y);
    const QImage image = Draw(staff.beam).image;
    const InkBox left = FindInk(image, 0, 240, start.x, start.x + 1);
    const InkBox right = FindInk(image, 0, 240, end.x - 1, end.x);
    ASSERT_FALSE(left.Empty());
    ASSERT_FALSE(right.Empty());
    EXPECT_NEAR(left.top, Row(start.y), 1);
    EXPECT_NEAR(right.top, Row(end.y), 1);
}

TEST(BeamDrawTest, SelectedBeamInTheSelectionColour) {
    BeamStaff staff;
    staff.AddNotes({67, 67, 67});
    ASSERT_EQ(staff.Place(), 1);
    staff.beam->SetSelected(1);
    const CPoint start = MainStart(staff.beam);
    const QImage image = Draw(staff.beam).image;
    const QRgb inside = image.pixel(start.x + 10, Row(start.y - staff.h / 4)) & 0xFFFFFF;
    EXPECT_EQ(inside, QColor(GetRValue(SCSelection::s_color), GetGValue(SCSelection::s_color),
                             GetBValue(SCSelection::s_color)).rgb() & 0xFFFFFF);
}

TEST(BeamDrawTest, UnplacedBeamDrawsNothing) {
    BeamStaff staff;
    staff.AddNotes({67, 67});
    const Drawn drawn = Draw(staff.beam);
    EXPECT_EQ(drawn.answer, 128);
    EXPECT_TRUE(FindInk(drawn.image, 0, 240).Empty());
}

// The stems and the beam drawn together at a notehead of 48 units (a stem
// 6 units wide): the beam runs from the first stem's outer edge to the
// last's, and every stem reaches the beam's far edge, so the ink is one piece
// across the beam's band at both ends, in both directions: no hairline
// between the beam and its first or last stem.
TEST(BeamDrawTest, StemsMeetTheBeamAtItsEndsAndFarEdge) {
    constexpr int kHead = 48;
    for (int direction : {UP, DOWN}) {
        SCOPED_TRACE(direction == UP ? "stems up" : "stems down");
        BeamStaff staff(kHead);
        const std::vector<DCctNote*> notes = staff.AddNotes(direction == UP ? std::vector<int>{64, 64, 64}
                                                                            : std::vector<int>{77, 77, 77},
                                                            EIGHTH, direction);
        ASSERT_EQ(staff.Place(), 1);
        ASSERT_EQ(staff.beam->GetDirection(), direction);
        constexpr int kTop = 520;   // device row of logical y 0
        DisplayCanvas canvas(700, 1000, 0, kTop);
        for (DCctNote* note : notes)
            ASSERT_EQ(note->Draw(&canvas.dc, CPoint(0, 0), nullptr), 1);
        staff.beam->Draw(&canvas.dc, CPoint(0, 0), nullptr);
        const QImage image = canvas.Copy();
        auto inked = [&](int x, int y) { return (image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF; };

        // The beam's band: from its outer edge (the stem ends) half a space
        // toward the heads; its middle row.
        const CPoint start = MainStart(staff.beam);
        const int outer = kTop - start.y;
        const int middle = kTop - (start.y + (direction == UP ? -kHead / 4 : kHead / 4));
        for (DCctNote* note : {notes.front(), notes.back()}) {
            CRect stem;
            note->GetStemFrame(&stem);
            // The stem's ink half way along it.
            const int row = kTop - (stem.top + stem.bottom) / 2;
            const InkBox ink = FindInk(image, row, row + 1, stem.left - kHead, stem.right + kHead);
            ASSERT_FALSE(ink.Empty());
            EXPECT_NEAR(ink.left, stem.left, 1);
            EXPECT_NEAR(ink.right, stem.right - 1, 1);
            // The stem's ink reaches the beam's far edge.
            for (int x = ink.left; x <= ink.right; ++x)
                EXPECT_TRUE(inked(x, outer + (direction == UP ? 1 : -2))) << x;
        }
        // Across the band's middle, from the first stem's left to the last
        // stem's right, there is no white pixel.
        CRect first, last;
        notes.front()->GetStemFrame(&first);
        notes.back()->GetStemFrame(&last);
        for (int x = first.left; x < last.right; ++x)
            EXPECT_TRUE(inked(x, middle)) << x;
    }
}

TEST(BeamSizeTest, BoxCoversEveryLevelWithItsThickness) {
    for (int direction : {UP, DOWN}) {
        BeamStaff staff;
        staff.AddNotes({67, 67, 67}, SIXTEENTH, direction);
        ASSERT_EQ(staff.Place(), 1);
        const CPoint start = MainStart(staff.beam);
        const CPoint end = MainEnd(staff.beam);
        const int height = staff.h * 3 / 4 + staff.h / 2;
        EXPECT_EQ(staff.beam->GetMetrics().GetHeight(), static_cast<unsigned>(height)) << direction;
        EXPECT_EQ(staff.beam->GetMetrics().GetWidth(), static_cast<unsigned>(end.x - start.x)) << direction;
        EXPECT_EQ(staff.beam->GetMetrics().GetTop(), direction == DOWN ? height : 0) << direction;
    }
}

}  // namespace
