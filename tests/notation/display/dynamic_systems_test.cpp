// notation/display/dynamic.cpp over systems laid out as pagination lays them
// out: a piece per system, hairpins open where they continue, the split flag
// after a relayout into one system, ranges ending on a system's first barline
// or past the piece, and an expression's dotted line going on.
#include "notation/display/dynamic.h"

#include "model/markings.h"
#include "tests/notation/display/span_support.h"

#include <vector>

namespace {

using namespace span_test;
using notation_test::PlayedNote;

constexpr int C5 = 72;

// Five bars of whole notes.
const std::vector<PlayedNote> kFiveBars = {
    {C5, 0, BAR}, {C5, BAR, BAR}, {C5, 2 * BAR, BAR}, {C5, 3 * BAR, BAR}, {C5, 4 * BAR, BAR},
};

class HairpinSystemsTest : public SpanScoreTest {
protected:
    void SetUp() override { Load(kFiveBars); }

    // A marking of `type` on staff 1 from measure `number` plus `ticks`,
    // lasting `length` ticks.
    DCctDynamic* AddDynamic(unsigned char type, int number, int ticks, int length) {
        MCTime duration;
        duration.SetTicks(length, DIVISION);
        auto* dynamic = new ECDynamic(type, duration);
        MCTime at = *Conductor()->GetMeasure(0, number)->GetTime();
        at.AddTicks(ticks, DIVISION);
        dynamic->SetTime(&at);
        dynamic->SetVoiceTrack(0, 1);
        EXPECT_EQ(Staff()->AddChild(dynamic, SORTED), 1);
        return dynamic_cast<DCctDynamic*>(dynamic->GetData(DK_NOTATION, 1));
    }
    // The y of the area below staff 1 in a system: the default location.
    int BelowStaff(int system) { return layout->StaffTop(system, 1) - 6 * h; }
    // The height in pixels of the ink in the two columns from x, about y.
    static int InkHeightAt(const QImage& image, int x, int y, int reach) {
        const InkBox ink = FindInk(image, Row(y + reach), Row(y - reach), Col(x), Col(x) + 2);
        return ink.Empty() ? 0 : ink.bottom - ink.top + 1;
    }
};

// An opening hairpin over three systems: a piece in each, the middle one at
// its system's staff plus the adjustment, edge to edge; the second and third
// start open by H/8 on each side, the first at a point.
TEST_F(HairpinSystemsTest, OpeningHairpinOverThreeSystems) {
    LayOut({2, 2, 1});
    DCctDynamic* hairpin = AddDynamic(14, 1, QUARTER, 4 * BAR);   // to measure 5 beat 2
    ASSERT_NE(hairpin, nullptr);
    ASSERT_EQ(hairpin->Position(Conductor(), Staff(), nullptr, nullptr), 1);
    ASSERT_EQ(hairpin->GetSplitCount(), 3);
    EXPECT_EQ(hairpin->GetSplit(), 1);
    EXPECT_EQ(Right(hairpin, 0), CPoint(layout->RightEdge(0), BelowStaff(0)));
    EXPECT_EQ(Left(hairpin, 1), CPoint(layout->LeftEdge(1), BelowStaff(1)));
    EXPECT_EQ(Right(hairpin, 1), CPoint(layout->RightEdge(1), BelowStaff(1)));
    EXPECT_EQ(Left(hairpin, 2), CPoint(layout->LeftEdge(2), BelowStaff(2)));
    EXPECT_LT(Right(hairpin, 2).x, layout->RightEdge(2));

    const QImage image = Draw(hairpin);
    EXPECT_EQ(drawn, 1);
    const int H = 2 * h;
    const int s = MCMusicFont::GetMusicFont().GetStemWidth(FONT_CURRENT);
    EXPECT_LE(InkHeightAt(image, Left(hairpin, 0).x, BelowStaff(0), H), s / UNITS_PER_PIXEL + 3);
    for (int k : {1, 2})
        EXPECT_NEAR(InkHeightAt(image, Left(hairpin, k).x, BelowStaff(k), H), (H / 4 + s) / UNITS_PER_PIXEL, 2) << k;
    EXPECT_NEAR(InkHeightAt(image, Right(hairpin, 2).x - 20, BelowStaff(2), H), H / UNITS_PER_PIXEL, 3);
}

// A closing hairpin over two systems ends open on the first and closes to a
// point on the last; relaid out into one system it is one piece again, not
// split, and closes to a point at its end only.
TEST_F(HairpinSystemsTest, ClosingHairpinOverTwoSystemsThenOne) {
    LayOut({3, 2});
    DCctDynamic* hairpin = AddDynamic(15, 2, 0, 2 * BAR + HALF);   // to measure 4 beat 3
    ASSERT_NE(hairpin, nullptr);
    ASSERT_EQ(hairpin->Position(Conductor(), Staff(), nullptr, nullptr), 1);
    ASSERT_EQ(hairpin->GetSplitCount(), 2);
    EXPECT_EQ(hairpin->GetSplit(), 1);
    const int H = 2 * h;
    const int s = MCMusicFont::GetMusicFont().GetStemWidth(FONT_CURRENT);
    QImage image = Draw(hairpin);
    EXPECT_NEAR(InkHeightAt(image, Right(hairpin, 0).x - 20, BelowStaff(0), H), (H / 4 + s) / UNITS_PER_PIXEL, 2);
    EXPECT_LE(InkHeightAt(image, Right(hairpin, 1).x - 20, BelowStaff(1), H), s / UNITS_PER_PIXEL + 3);

    LayOut({5});
    ASSERT_EQ(hairpin->Position(Conductor(), Staff(), nullptr, nullptr), 1);
    ASSERT_EQ(hairpin->GetSplitCount(), 1);
    EXPECT_EQ(hairpin->GetSplit(), 0);
    image = Draw(hairpin, nullptr, 1400);
    EXPECT_LE(InkHeightAt(image, Right(hairpin, 0).x - 20, BelowStaff(0), H), s / UNITS_PER_PIXEL + 3);
    EXPECT_NEAR(InkHeightAt(image, Left(hairpin, 0).x, BelowStaff(0), H), H / UNITS_PER_PIXEL, 3);
}

// A range that ends on the barline that starts the next system stays in its
// own system, ending at its right edge; one past the piece ends at the last
// measure's end.
TEST_F(HairpinSystemsTest, EndOnASystemsFirstBarlineStaysInItsSystem) {
    // Every measure of the piece laid out: the second system holds the rest.
    const int measures = Conductor()->GetMaxMeasureNumber();
    ASSERT_GE(measures, 5);
    LayOut({2, measures - 2});
    const struct {
        int number, ticks, length;
        int system;
    } cases[] = {
        {1, QUARTER, 2 * BAR - QUARTER, 0},   // to the start of measure 3, the next system's first
        {4, 0, 8 * BAR, 1},                   // far past the piece's end
    };
    for (const auto& c : cases) {
        DCctDynamic* hairpin = AddDynamic(14, c.number, c.ticks, c.length);
        ASSERT_EQ(hairpin->Position(Conductor(), Staff(), nullptr, nullptr), 1) << c.number;
        ASSERT_EQ(hairpin->GetSplitCount(), 1) << c.number;
        EXPECT_EQ(hairpin->GetSplit(), 0);
        EXPECT_EQ(Right(hairpin, 0), CPoint(layout->RightEdge(c.system), BelowStaff(c.system))) << c.number;
        Staff()->RemoveChild(hairpin->GetOwner(), 1);
    }
}

// An expression over two systems: its text at the start, the dotted line to
// the first system's right edge, and on from the next system's left edge.
TEST_F(HairpinSystemsTest, ExpressionContinuesItsLineOnTheNextSystem) {
    LayOut({3, 2});
    DCctDynamic* dim = AddDynamic(13, 1, 0, 3 * BAR + HALF);
    ASSERT_NE(dim, nullptr);
    ASSERT_EQ(dim->Position(Conductor(), Staff(), nullptr, nullptr), 1);
    ASSERT_EQ(dim->GetSplitCount(), 2);
    const QImage image = Draw(dim);
    const int band = 4 * h;
    const InkBox first = FindInk(image, Row(BelowStaff(0) + band), Row(BelowStaff(0) - band));
    const InkBox second = FindInk(image, Row(BelowStaff(1) + band), Row(BelowStaff(1) - band));
    ASSERT_FALSE(first.Empty());
    ASSERT_FALSE(second.Empty());
    EXPECT_NEAR(first.right, Col(layout->RightEdge(0)), 4);   // a dot or a gap at the end
    EXPECT_NEAR(second.left, Col(layout->LeftEdge(1)), 1);
    EXPECT_NEAR(second.right, Col(Right(dim, 1).x), 4);
    // The second system's ink is a line, no text: a row or two high.
    EXPECT_LE(second.bottom - second.top, 1);
}

}  // namespace
