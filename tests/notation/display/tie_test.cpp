// Ties over notes the engine notated, in one system: the side from the
// notes' own tie directions or the clef, the side of two beamed notes, the
// user's side kept, the ends beside a chord's displaced notehead, and how
// high the curve rises.
#include "tests/notation/display/span_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace span_test;
using notation_test::PlayedNote;

constexpr int G4 = 67;
constexpr int A4 = 69;
constexpr int B4 = 71;   // the treble staff's middle line
constexpr int D5 = 74;
constexpr int EIGHTH = QUARTER / 2;

class TieDisplayTest : public SpanScoreTest {
protected:
    void Prepare(const std::vector<PlayedNote>& played, std::vector<int> systems) {
        Load(played);
        h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
        w = MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_CURRENT);
        s = MCMusicFont::GetMusicFont().GetStemWidth(FONT_CURRENT);
        LayOut(std::move(systems));
        notes = Notes();
    }
    int Position(DCctTie* tie) {
        tie->SetPositionDirty(1);
        return tie->Position(Conductor(), Staff(), nullptr, nullptr);
    }
    static bool Beamed(const PlacedNote& note) { return note.event->GetParents()->FindEvent(ET_BEAM) != nullptr; }

    std::vector<PlacedNote> notes;
    int w = 0;
    int s = 0;
};

// Held notes over bar lines 1|2, 3|4 and 5|6 on G4, B4 and D5: the engine's
// three ties, whose notes' own tie directions the cases set.
TEST_F(TieDisplayTest, SideFromTheNotesTieDirectionsElseFromTheClef) {
    Prepare({{G4, HALF, 2 * HALF}, {B4, 2 * BAR + HALF, 2 * HALF}, {D5, 4 * BAR + HALF, 2 * HALF}}, {6});
    const std::vector<ECTie*> ties = Ties();
    ASSERT_EQ(ties.size(), 3u);
    const struct {
        size_t tie;
        int firstDirection, lastDirection;
        int side;
        const char* why;
    } cases[] = {
        {0, 1, 1, DCctCurve::CURVE_BELOW, "both notes say below"},
        {0, 0, 0, DCctCurve::CURVE_ABOVE, "both notes say above"},
        {0, 0, 1, DCctCurve::CURVE_BELOW, "G4, two steps under the middle line"},
        {1, 1, 0, DCctCurve::CURVE_ABOVE, "B4, on the middle line"},
        {2, 0, 1, DCctCurve::CURVE_BELOW, "D5, two steps over it: the distance is unordered"},
    };
    for (const auto& c : cases) {
        DCctTie* tie = TieDisplay(ties[c.tie]);
        auto* first = dynamic_cast<DCctNote*>(ties[c.tie]->GetChildren()->GetHead()->GetData(DK_NOTATION, 0));
        auto* last = dynamic_cast<DCctNote*>(ties[c.tie]->GetChildren()->GetTail()->GetData(DK_NOTATION, 0));
        first->SetTieDirection(c.firstDirection);
        last->SetTieDirection(c.lastDirection);
        tie->SetTieDirection(1 - c.side, 0);
        ASSERT_EQ(Position(tie), 1) << c.why;
        EXPECT_EQ(tie->GetTieDirection(), c.side) << c.why;
    }
}

// Two beamed stem-up eighths: the tie takes the heads' side, 3h/4 under them,
// even when the notes' own directions say above.
TEST_F(TieDisplayTest, TwoBeamedStemUpNotesAreTiedBelow) {
    Prepare({{G4, 0, EIGHTH}, {G4, EIGHTH, EIGHTH}, {A4, QUARTER, QUARTER}, {A4, HALF, HALF}}, {1});
    ASSERT_GE(notes.size(), 2u);
    ASSERT_TRUE(Beamed(notes[0]) && Beamed(notes[1]));
    ASSERT_EQ(notes[0].display->GetStemDirection(), 0);
    notes[0].display->SetTieDirection(0);
    notes[1].display->SetTieDirection(0);
    DCctTie* tie = AddTie(notes[0], notes[1]);
    ASSERT_EQ(Position(tie), 1);
    EXPECT_EQ(tie->GetTieDirection(), DCctCurve::CURVE_BELOW);
    EXPECT_EQ(Left(tie, 0).y, PagePoint(notes[0]).y - 3 * h / 4);
    EXPECT_EQ(Right(tie, 0).y, PagePoint(notes[1]).y - 3 * h / 4);
}

TEST_F(TieDisplayTest, ASideChosenWithOverrideStaysOverBeamedStemDownNotes) {
    Prepare({{D5, 0, EIGHTH}, {D5, EIGHTH, EIGHTH}, {A4, QUARTER, QUARTER}, {A4, HALF, HALF}}, {1});
    ASSERT_TRUE(Beamed(notes[0]) && Beamed(notes[1]));
    ASSERT_EQ(notes[0].display->GetStemDirection(), 1);
    DCctTie* tie = AddTie(notes[0], notes[1]);
    ASSERT_EQ(Position(tie), 1);
    EXPECT_EQ(tie->GetTieDirection(), DCctCurve::CURVE_ABOVE) << "away from the stems";
    tie->SetTieDirection(DCctCurve::CURVE_BELOW, 1);
    ASSERT_EQ(Position(tie), 1);
    EXPECT_EQ(tie->GetTieDirection(), DCctCurve::CURVE_BELOW);
    EXPECT_EQ(Left(tie, 0).y, PagePoint(notes[0]).y - 3 * h / 4);
}

// A second's upper note stands right of an up stem (notehead position 2):
// a tie above starts w/2 right of that note, not w.
TEST_F(TieDisplayTest, AboveFromAChordNoteRightOfItsStemStartsHalfAWidthRight) {
    Prepare({{G4, 0, QUARTER}, {A4, 0, QUARTER}, {A4, QUARTER, QUARTER}, {A4, HALF, HALF}}, {1});
    ASSERT_GE(notes.size(), 3u);
    const PlacedNote* upper = nullptr;
    for (const PlacedNote& note : notes)
        if (note.display->GetSpelling().GetMidiPitch() == A4 && *note.event->GetTime() == *notes[0].event->GetTime())
            upper = &note;
    ASSERT_NE(upper, nullptr);
    ASSERT_EQ(upper->display->GetNoteheadPosition(), 2) << "the second's upper note right of the stem";
    ASSERT_EQ(upper->display->GetStemDirection(), 0);
    const PlacedNote& next = notes[2];
    DCctTie* tie = AddTie(*upper, next);
    tie->SetTieDirection(DCctCurve::CURVE_ABOVE, 1);
    ASSERT_EQ(Position(tie), 1);
    EXPECT_EQ(Left(tie, 0).x, PagePoint(*upper).x + w / 2);
    EXPECT_EQ(Left(tie, 0).y, PagePoint(*upper).y + 3 * h / 4);
    EXPECT_EQ(Right(tie, 0).x, PagePoint(next).x + w / 2) << "a lone note with its stem up";
}

// Below, the left end mirrors a tie above: a stem-up note's own chord
// decides whether the end clears the stem (w) or the note stands at the
// chord's bottom, where w/2 suffices.
TEST_F(TieDisplayTest, BelowFromAStemUpChordTheBottomNoteStartsHalfAWidthRight) {
    Prepare({{G4, 0, QUARTER}, {B4, 0, QUARTER}, {G4, QUARTER, QUARTER}, {B4, QUARTER, QUARTER}, {A4, HALF, HALF}},
            {1});
    ASSERT_GE(notes.size(), 4u);
    const struct {
        int key;
        int shift;   // in halves of w
        const char* why;
    } cases[] = {
        {G4, 1, "the chord's bottom note"},
        {B4, 2, "a note above it, its head beside the stem"},
    };
    for (const auto& c : cases) {
        std::vector<PlacedNote> pair;
        for (const PlacedNote& note : notes)
            if (note.display->GetSpelling().GetMidiPitch() == c.key && pair.size() < 2)
                pair.push_back(note);
        ASSERT_EQ(pair.size(), 2u) << c.why;
        ASSERT_EQ(pair[0].display->GetStemDirection(), 0) << c.why;
        ASSERT_EQ(pair[0].display->GetNoteheadPosition(), 0) << c.why;
        DCctTie* tie = AddTie(pair[0], pair[1]);
        tie->SetTieDirection(DCctCurve::CURVE_BELOW, 1);
        ASSERT_EQ(Position(tie), 1) << c.why;
        EXPECT_EQ(Left(tie, 0).x, PagePoint(pair[0]).x + c.shift * w / 2) << c.why;
        EXPECT_EQ(Left(tie, 0).y, PagePoint(pair[0]).y - 3 * h / 4) << c.why;
    }
}

TEST_F(TieDisplayTest, TheCurveRisesAtMostANoteheadPlusItsThickness) {
    Prepare({{G4, HALF, 2 * HALF}}, {2});
    const std::vector<ECTie*> ties = Ties();
    ASSERT_EQ(ties.size(), 1u);
    DCctTie* tie = TieDisplay(ties[0]);
    tie->SetTieDirection(DCctCurve::CURVE_ABOVE, 1);
    ASSERT_EQ(Position(tie), 1);
    ASSERT_EQ(Left(tie, 0).y, Right(tie, 0).y);
    const QImage image = Draw(tie);
    EXPECT_EQ(drawn, DCctCurve::DRAW_SPAN);
    const InkBox ink = FindInk(image, 0, image.height());
    ASSERT_FALSE(ink.Empty());
    EXPECT_GE(ink.top, Row(Left(tie, 0).y + h + 2 * s) - 1);
    EXPECT_LE(ink.top, Row(Left(tie, 0).y + h / 4)) << "it does rise";
}

// Missing data is not read: a tie whose measure has no display object yet
// builds nothing and waits, position-dirty, to be placed again.
TEST_F(TieDisplayTest, AMeasureWithoutItsDisplayLeavesTheTieUnplaced) {
    Prepare({{G4, HALF, 2 * HALF}}, {2});
    DCctTie* tie = TieDisplay(Ties().at(0));
    Conductor()->GetMeasure(1, 2)->RemoveData();
    EXPECT_EQ(Position(tie), 0);
    EXPECT_EQ(tie->PositionDirty(), 1);
    EXPECT_EQ(tie->GetSplitCount(), 0);
}

}  // namespace
