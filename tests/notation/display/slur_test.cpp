// Slurs over notes the engine notated, in one system: which side they take,
// where their ends go, the user's side kept, how high they arc over the notes
// between their ends, a dashed slur, and a slur that cannot be placed. (A
// slur from a grace note is in spansystems_test.cpp.)
#include "tests/notation/display/span_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace span_test;
using notation_test::PlayedNote;

constexpr int D4 = 62;
constexpr int G4 = 67;
constexpr int A4 = 69;
constexpr int D5 = 74;
constexpr int A5 = 81;

class SlurTest : public SpanScoreTest {
protected:
    // One bar of the notes given, laid out as one system; every note slurred.
    DCctSlur* SlurOver(const std::vector<PlayedNote>& played) {
        Load(played);
        h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
        w = MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_CURRENT);
        LayOut({1});
        notes = Notes();
        return AddSlur(notes);
    }
    int Position(DCctSlur* slur) { return slur->Position(Conductor(), Staff(), nullptr, nullptr); }

    std::vector<PlacedNote> notes;
    int w = 0;
};

TEST_F(SlurTest, TwoStemUpNotesAreSlurredBelowTheirHeads) {
    DCctSlur* slur = SlurOver({{G4, 0, HALF}, {A4, HALF, HALF}});
    ASSERT_EQ(notes.size(), 2u);
    ASSERT_EQ(notes[0].display->GetStemDirection(), 0) << "stems up below the middle line";
    ASSERT_EQ(Position(slur), 1);
    EXPECT_EQ(slur->PositionDirty(), 0);
    EXPECT_EQ(slur->GetSlurDirection(), DCctCurve::CURVE_BELOW);
    ASSERT_EQ(slur->GetSplitCount(), 1);
    EXPECT_EQ(Left(slur, 0), PagePoint(notes[0]) + CSize(w / 2, -h));
    EXPECT_EQ(Right(slur, 0), PagePoint(notes[1]) + CSize(w / 2, -h));
}

// The user's side stays while the notes change and whatever the automatic
// choice says; a later choice with override replaces it.
TEST_F(SlurTest, ASideChosenWithOverrideSurvivesRenotation) {
    DCctSlur* slur = SlurOver({{G4, 0, HALF}, {A4, HALF, HALF}});
    slur->SetSlurDirection(DCctCurve::CURVE_ABOVE, 1);
    ASSERT_EQ(Position(slur), 1);
    EXPECT_EQ(slur->GetSlurDirection(), DCctCurve::CURVE_ABOVE);
    slur->SetSlurDirection(DCctCurve::CURVE_BELOW, 0);   // what renotation asks
    EXPECT_EQ(slur->GetSlurDirection(), DCctCurve::CURVE_ABOVE);
    for (const PlacedNote& note : notes)
        note.display->SetStemDirection(1, 1);
    slur->SetPositionDirty(1);
    ASSERT_EQ(Position(slur), 1);
    EXPECT_EQ(slur->GetSlurDirection(), DCctCurve::CURVE_ABOVE);
    slur->SetSlurDirection(DCctCurve::CURVE_BELOW, 1);
    EXPECT_EQ(slur->GetSlurDirection(), DCctCurve::CURVE_BELOW);
}

TEST_F(SlurTest, OneNoteIsNotPlacedAndDrawsNothing) {
    Load({{G4, 0, HALF}, {A4, HALF, HALF}});
    LayOut({1});
    notes = Notes();
    DCctSlur* slur = AddSlur({notes[0]});
    EXPECT_EQ(Position(slur), 0);
    EXPECT_EQ(slur->PositionDirty(), 1);
    EXPECT_EQ(slur->GetSplitCount(), 0);
    EXPECT_EQ(InkPixels(Draw(slur)), 0);
}

// Missing data is not read: a slur whose end note has no display object yet
// builds nothing and waits, position-dirty, to be placed again.
TEST_F(SlurTest, AnEndNoteWithoutItsDisplayLeavesTheSlurUnplaced) {
    DCctSlur* slur = SlurOver({{G4, 0, HALF}, {A4, HALF, HALF}});
    notes[1].event->RemoveData();
    EXPECT_EQ(Position(slur), 0);
    EXPECT_EQ(slur->PositionDirty(), 1);
    EXPECT_EQ(slur->GetSplitCount(), 0);
}

// The ends are lifted (lowered) so that the curve clears the highest
// (lowest) note between them.
TEST_F(SlurTest, AboveTheCurveClearsAHigherNoteBetweenItsEnds) {
    DCctSlur* slur = SlurOver({{D5, 0, QUARTER}, {A5, QUARTER, QUARTER}, {D5, HALF, HALF}});
    ASSERT_EQ(notes.size(), 3u);
    ASSERT_EQ(Position(slur), 1);
    ASSERT_EQ(slur->GetSlurDirection(), DCctCurve::CURVE_ABOVE) << "stems down";
    const InkBox ink = FindInk(Draw(slur), 0, 1200);
    ASSERT_FALSE(ink.Empty());
    EXPECT_LT(ink.top, Row(Left(slur, 0).y));
    EXPECT_LT(ink.top, Row(Right(slur, 0).y));
    EXPECT_LT(ink.top, Row(PagePoint(notes[1]).y + h / 2)) << "over the A5's head";
    EXPECT_GT(Left(slur, 0).y, PagePoint(notes[1]).y) << "both ends lifted past it";
}

TEST_F(SlurTest, BelowTheCurveClearsALowerNoteBetweenItsEnds) {
    DCctSlur* slur = SlurOver({{G4, 0, QUARTER}, {D4, QUARTER, QUARTER}, {G4, HALF, HALF}});
    ASSERT_EQ(notes.size(), 3u);
    ASSERT_EQ(Position(slur), 1);
    ASSERT_EQ(slur->GetSlurDirection(), DCctCurve::CURVE_BELOW);
    const InkBox ink = FindInk(Draw(slur), 0, 1200);
    ASSERT_FALSE(ink.Empty());
    EXPECT_GT(ink.bottom, Row(Left(slur, 0).y));
    EXPECT_GT(ink.bottom, Row(Right(slur, 0).y));
    EXPECT_GT(ink.bottom, Row(PagePoint(notes[1]).y - h / 2)) << "under the D4's head";
    EXPECT_LT(Left(slur, 0).y, PagePoint(notes[1]).y) << "both ends lowered past it";
}

TEST_F(SlurTest, ADashedSlurIsOneDottedCurve) {
    DCctSlur* slur = SlurOver({{G4, 0, QUARTER}, {A4, QUARTER, QUARTER}, {G4, HALF, HALF}});
    ASSERT_EQ(Position(slur), 1);
    const int solid = InkPixels(Draw(slur));
    slur->SetSlurType(DCctCurve::CURVE_DASHED, 0);
    EXPECT_EQ(slur->GetSlurType(), DCctCurve::CURVE_DASHED);
    const int dashed = InkPixels(Draw(slur));
    EXPECT_GT(dashed, 0);
    EXPECT_LT(dashed, solid / 2);
}

}  // namespace
