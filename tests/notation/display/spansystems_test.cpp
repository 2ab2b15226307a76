// Slurs and ties across system ends, on measures laid out as pagination lays
// them: a piece per system, cut at the systems' edges, drawn in each
// system's band, clipped at a later system's prolog; and after a reflow into
// one system, one piece that a clipped drawing no longer cuts.
#include "platform/gdi/gdiobj.h"
#include "tests/notation/display/span_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

using namespace span_test;
using notation_test::PlayedNote;

constexpr int G4 = 67;
constexpr int A4 = 69;

// Five bars of halves below the middle line (stems up); a G4 held over the
// bar lines 2|3 and 4|5, which the engine writes as two tied halves each.
const std::vector<PlayedNote> kFiveBars = {
    {G4, 0, HALF},           {A4, HALF, HALF},
    {G4, BAR, HALF},         {G4, BAR + HALF, 2 * HALF},
    {A4, 2 * BAR + HALF, HALF},
    {G4, 3 * BAR, HALF},     {G4, 3 * BAR + HALF, 2 * HALF},
    {A4, 4 * BAR + HALF, HALF},
};

class SpanSystemsTest : public SpanScoreTest, public ::testing::WithParamInterface<std::vector<int>> {
protected:
    void SetUp() override {
        Load(kFiveBars);
        h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
    }

    // The band of rows a system's spans draw in: from two spaces above its
    // staff to well below it.
    InkBox InkInSystem(const QImage& image, int system, int left = 0, int right = -1) {
        const int top = layout->Top(system);
        return FindInk(image, Row(top + 2 * h), Row(top - 14 * h), left, right);
    }
};

TEST_P(SpanSystemsTest, ATieAcrossASystemEndHasAPieceInEach) {
    LayOut(GetParam());
    const std::vector<PlacedNote> notes = Notes();
    const std::vector<ECTie*> ties = Ties();
    ASSERT_EQ(ties.size(), 2u) << "one tie over each held bar line";
    const int d = 3 * h / 4;
    int crossing = 0;
    for (ECTie* event : ties) {
        DCctTie* tie = TieDisplay(event);
        ASSERT_NE(tie, nullptr);
        ASSERT_EQ(tie->Position(Conductor(), Staff(), nullptr, nullptr), 1);
        EXPECT_EQ(tie->PositionDirty(), 0);
        auto* firstNote = static_cast<ECNote*>(event->GetChildren()->GetHead());
        auto* lastNote = static_cast<ECNote*>(event->GetChildren()->GetTail());
        PlacedNote first{}, last{};
        for (const PlacedNote& note : notes) {
            if (note.event == firstNote)
                first = note;
            if (note.event == lastNote)
                last = note;
        }
        ASSERT_NE(first.display, nullptr);
        ASSERT_NE(last.display, nullptr);
        const int side = tie->GetTieDirection() == DCctCurve::CURVE_BELOW ? -1 : 1;
        const int firstSystem = layout->SystemOf(first.measure);
        const int lastSystem = layout->SystemOf(last.measure);
        if (firstSystem == lastSystem) {
            EXPECT_EQ(tie->GetSplitCount(), 1) << "measure " << first.measure;
            EXPECT_EQ(tie->GetSplit(), 0);
            continue;
        }
        ++crossing;
        ASSERT_EQ(tie->GetSplitCount(), 2) << "measure " << first.measure;
        EXPECT_EQ(tie->GetSplit(), 1);
        EXPECT_EQ(Right(tie, 0).x, layout->RightEdge(firstSystem));
        EXPECT_EQ(Left(tie, 1).x, layout->LeftEdge(lastSystem));
        // Both pieces 3h/4 off the heads, at both of their ends.
        EXPECT_EQ(Left(tie, 0).y, PagePoint(first).y + side * d);
        EXPECT_EQ(Right(tie, 0).y, PagePoint(first).y + side * d);
        EXPECT_EQ(Left(tie, 1).y, PagePoint(last).y + side * d);
        EXPECT_EQ(Right(tie, 1).y, PagePoint(last).y + side * d);
        EXPECT_GT(Left(tie, 0).x, PagePoint(first).x);
        EXPECT_GE(Right(tie, 1).x, PagePoint(last).x - h);
    }
    EXPECT_EQ(crossing, GetParam().size() == 3 ? 2 : 1);
}

TEST_P(SpanSystemsTest, ASlurOverEverySystemHasAPieceInEachInSystemOrder) {
    LayOut(GetParam());
    const std::vector<PlacedNote> notes = Notes();
    DCctSlur* slur = AddSlur(notes);
    ASSERT_NE(slur, nullptr);
    ASSERT_EQ(slur->Position(Conductor(), Staff(), nullptr, nullptr), 1);
    const int systems = layout->SystemCount();
    ASSERT_EQ(slur->GetSplitCount(), systems);
    EXPECT_EQ(slur->GetSplit(), 1);
    for (int k = 0; k < systems; ++k) {
        // Each piece at its system's staff, from its left edge (after the
        // first) to its right edge (before the last).
        EXPECT_LT(std::abs(Left(slur, k).y - layout->StaffTop(k, 1)), 8 * h) << k;
        if (k > 0) {
            EXPECT_EQ(Left(slur, k).x, layout->LeftEdge(k)) << k;
        }
        if (k < systems - 1) {
            EXPECT_EQ(Right(slur, k).x, layout->RightEdge(k)) << k;
        }
    }
    // Stems up: below the notes, from w/2 right of the first head.
    EXPECT_EQ(slur->GetSlurDirection(), DCctCurve::CURVE_BELOW);
    const int w = MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_CURRENT);
    EXPECT_EQ(Left(slur, 0).x, PagePoint(notes.front()).x + w / 2);

    const QImage whole = Draw(slur);
    EXPECT_EQ(drawn, DCctCurve::DRAW_SPAN);
    for (int k = 0; k < systems; ++k)
        EXPECT_FALSE(InkInSystem(whole, k).Empty()) << "system " << k;

    // Clipped: the first piece ends at its own right end, the later ones
    // start at the clip x after their system's prolog.
    const int clipX = slur->GetClipX();
    const InkBox uncut = InkInSystem(whole, systems - 1);
    ASSERT_LT(uncut.left, Col(clipX) - 1) << "the piece starts left of the prolog";
    CRect clip(0, 0, 14000, -12000);
    const QImage cut = Draw(slur, &clip);
    for (int k = 1; k < systems; ++k) {
        const InkBox ink = InkInSystem(cut, k);
        ASSERT_FALSE(ink.Empty()) << k;
        EXPECT_GE(ink.left, Col(clipX) - 1) << "system " << k;
    }
    const InkBox first = InkInSystem(cut, 0);
    ASSERT_FALSE(first.Empty());
    EXPECT_LE(first.right, Col(Right(slur, 0).x) + 1);

    // The pieces' regions are the slur's own: the canvas's clip region, or
    // none, is back afterwards.
    for (const bool ownRegion : {false, true}) {
        SpanCanvas canvas(1400, 1200);
        CRgn own;
        own.CreateRectRgn(0, 0, 1000, 1200);   // device pixels
        if (ownRegion)
            canvas.dc.SelectClipRgn(&own);
        slur->Draw(&canvas.dc, CPoint(0, 0), &clip);
        CRgn after;
        EXPECT_EQ(canvas.dc.GetClipRgn(&after), ownRegion ? 1 : 0);
        if (ownRegion) {
            EXPECT_TRUE(after.EqualRgn(&own));
        }
    }
}

// A slur over the first and the last note alone: no piece in a system that
// holds neither.
TEST_P(SpanSystemsTest, ASlurGetsAPieceOnlyInSystemsHoldingItsNotes) {
    LayOut(GetParam());
    const std::vector<PlacedNote> notes = Notes();
    DCctSlur* slur = AddSlur({notes.front(), notes.back()});
    ASSERT_EQ(slur->Position(Conductor(), Staff(), nullptr, nullptr), 1);
    const int firstSystem = layout->SystemOf(notes.front().measure);
    const int lastSystem = layout->SystemOf(notes.back().measure);
    ASSERT_EQ(firstSystem, 0);
    ASSERT_EQ(lastSystem, layout->SystemCount() - 1);
    ASSERT_EQ(slur->GetSplitCount(), 2);
    EXPECT_EQ(slur->GetSplit(), 1);
    EXPECT_EQ(Right(slur, 0).x, layout->RightEdge(firstSystem));
    EXPECT_EQ(Left(slur, 1).x, layout->LeftEdge(lastSystem));
    EXPECT_LT(std::abs(Left(slur, 1).y - layout->StaffTop(lastSystem, 1)), 8 * h) << "in the last system";
}

// Reflowed into one system, the slur is one piece: the split flag follows
// the pieces, and a clipped drawing reaches the right end the user moved.
TEST_P(SpanSystemsTest, RelaidOutAsOneSystemTheSlurIsOnePieceThatIsNotCut) {
    LayOut(GetParam());
    DCctSlur* slur = AddSlur(Notes());
    ASSERT_EQ(slur->Position(Conductor(), Staff(), nullptr, nullptr), 1);
    ASSERT_EQ(slur->GetSplit(), 1);

    LayOut({5});
    slur->SetPositionDirty(1);
    ASSERT_EQ(slur->Position(Conductor(), Staff(), nullptr, nullptr), 1);
    EXPECT_EQ(slur->GetSplitCount(), 1);
    EXPECT_EQ(slur->GetSplit(), 0);

    constexpr int MOVED_RIGHT = 3 * TENTHS;   // three spaces
    slur->SetOffsetRight(CPoint(MOVED_RIGHT, 0));
    CRect clip(0, 0, 14000, -12000);
    const QImage image = Draw(slur, &clip);
    const InkBox ink = InkInSystem(image, 0);
    ASSERT_FALSE(ink.Empty());
    EXPECT_NEAR(ink.right, Col(Right(slur, 0).x + 3 * h), 2);
}

// A slur from a grace note is placed against the grace note's main note and
// is never split, though its notes lie in two systems; from the main note
// itself the same slur has a piece in each.
TEST_P(SpanSystemsTest, ASlurFromAGraceNoteIsOnePieceOverTwoSystems) {
    LayOut(GetParam());
    const std::vector<PlacedNote> notes = Notes();
    const PlacedNote* main = nullptr;
    const PlacedNote* next = nullptr;
    for (const PlacedNote& note : notes) {
        if (note.measure == 2)
            main = &note;   // the last of measure 2, the end of system 1
        if (note.measure == 3 && !next)
            next = &note;
    }
    ASSERT_NE(main, nullptr);
    ASSERT_NE(next, nullptr);
    ASSERT_NE(layout->SystemOf(main->measure), layout->SystemOf(next->measure));

    auto* grace = new ECGraceNote;
    MCTime before = *main->event->GetTime();
    before -= MCTime(0.05f);
    grace->SetTime(&before);
    grace->SetVoiceTrack(0, 1);
    ASSERT_EQ(main->event->AddChild(grace, SORTED), 1);
    ASSERT_NE(grace->GetData(DK_NOTATION, 1), nullptr);

    auto* fromMain = new ECSlur;
    auto* fromGrace = new ECSlur;
    for (ECSlur* slur : {fromMain, fromGrace}) {
        slur->SetTime(main->event->GetTime());
        slur->SetVoiceTrack(0, 1);
        ASSERT_EQ(Staff()->AddChild(slur, SORTED), 1);
        slur->AddChild(slur == fromGrace ? static_cast<ECBase*>(grace) : main->event, SORTED);
        slur->AddChild(next->event, SORTED);
    }
    auto* mainSlur = dynamic_cast<DCctSlur*>(fromMain->GetData(DK_NOTATION, 1));
    auto* graceSlur = dynamic_cast<DCctSlur*>(fromGrace->GetData(DK_NOTATION, 1));
    ASSERT_EQ(mainSlur->Position(Conductor(), Staff(), nullptr, nullptr), 1);
    EXPECT_EQ(mainSlur->GetSplitCount(), 2);
    ASSERT_EQ(graceSlur->Position(Conductor(), Staff(), nullptr, nullptr), 1);
    EXPECT_EQ(graceSlur->GetSplitCount(), 1);
    EXPECT_EQ(graceSlur->GetSplit(), 0);
    EXPECT_EQ(graceSlur->GetSlurDirection(), DCctCurve::CURVE_BELOW) << "a grace note takes it below";
}

INSTANTIATE_TEST_SUITE_P(Layouts, SpanSystemsTest,
                         ::testing::Values(std::vector<int>{2, 2, 1}, std::vector<int>{2, 3}));

}  // namespace
