// Pedal and octave marks on a notated melody, laid out into systems as
// pagination lays them out: where their pieces lie, what ink they draw in
// each system band (signs, bracket hooks, the dotted line and its hook),
// the split flag following each positioning, and their samples.
#include "notation/display/pedal.h"

#include "model/markings.h"
#include "notation/display/conductor.h"
#include "notation/display/conductormeasure.h"
#include "notation/layout/staffruler.h"
#include "tests/notation/display/span_support.h"

#include <gtest/gtest.h>

#include <type_traits>
#include <vector>

namespace {

using namespace span_test;
using notation_test::PlayedNote;

constexpr int G4 = 67;
constexpr int D5 = 74;
constexpr float QUARTERS_PER_BAR = 4.0f;
constexpr int SLACK = 2;   // pixels: antialiasing and the device grid

// Quarter notes on G4 through `bars` measures.
std::vector<PlayedNote> Quarters(int bars, int key = G4) {
    std::vector<PlayedNote> notes;
    for (int i = 0; i < 4 * bars; ++i)
        notes.push_back({key, i * QUARTER, QUARTER});
    return notes;
}

// Where a music glyph's box lies, in pixels, when drawn with its baseline
// point at `at` (the classes draw at at.y plus the ascent).
InkBox GlyphBoxAt(UINT glyph, CPoint at) {
    const MCMusicFont::MusicFontMetrics m = MCMusicFont::GetMusicFont().GetMusicMetrics(glyph, FONT_NORMAL);
    InkBox box;
    box.left = Col(at.x + m.GetLeft());
    box.right = Col(at.x + m.GetLeft() + static_cast<int>(m.GetWidth()));
    box.top = Row(at.y + m.GetTop());
    box.bottom = Row(at.y + m.GetTop() - static_cast<int>(m.GetHeight()));
    return box;
}

// The ink inside `box` widened by the slack.
InkBox InkAround(const QImage& image, const InkBox& box) {
    return FindInk(image, box.top - SLACK, box.bottom + SLACK + 1, box.left - SLACK, box.right + SLACK + 1);
}

void ExpectGlyphAt(const QImage& image, UINT glyph, CPoint at, const char* what) {
    const InkBox expected = GlyphBoxAt(glyph, at);
    const InkBox ink = InkAround(image, expected);
    ASSERT_FALSE(ink.Empty()) << what << ": no ink";
    EXPECT_NEAR(ink.left, expected.left, SLACK) << what;
    EXPECT_NEAR(ink.right, expected.right, SLACK) << what;
    EXPECT_NEAR(ink.top, expected.top, SLACK) << what;
    EXPECT_NEAR(ink.bottom, expected.bottom, SLACK) << what;
}

// The ink of one column band around x (in logical units), between two ys.
InkBox ColumnInk(const QImage& image, int x, int yHigh, int yLow) {
    return FindInk(image, Row(yHigh) - 2 * SLACK, Row(yLow) + 2 * SLACK + 1, Col(x) - 1, Col(x) + 2);
}

class PedalDisplayTest : public SpanScoreTest {
protected:
    void Prepare(int bars, std::vector<int> systems, int key = G4) {
        Load(Quarters(bars, key));
        LayOut(std::move(systems));
        h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
    }
    void Prepare(const std::vector<PlayedNote>& played, std::vector<int> systems) {
        Load(played);
        LayOut(std::move(systems));
        h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
    }

    template <typename Event>
    auto* AddMark(Event* event, float start) {
        const MCTime time(start);
        event->SetTime(&time);
        event->SetVoiceTrack(0, 1);
        EXPECT_EQ(Staff()->AddChild(event, SORTED), 1);
        using Display = std::conditional_t<std::is_same_v<Event, ECPedal>, DCctPedal, DCctTranspose>;
        return dynamic_cast<Display*>(event->GetData(DK_NOTATION, 1));
    }
    DCctPedal* AddPedal(int type, float start, float quarters) {
        return AddMark(new ECPedal(static_cast<unsigned char>(type), MCTime(quarters)), start);
    }
    DCctTranspose* AddTranspose(int type, float start, float quarters) {
        return AddMark(new ECTranspose(static_cast<unsigned char>(type), MCTime(quarters)), start);
    }
    int Position(DCctSplit* mark) {
        mark->SetPositionDirty(1);
        return mark->Position(Conductor(), Staff(), nullptr, nullptr);
    }

    MCStaffRuler& StaffRuler() {
        auto* display = dynamic_cast<DCctConductorStaff*>(
            NotationDisplayOf(Conductor()->GetTrack(TRACK_CONDUCTOR, 0, 0)));
        EXPECT_NE(display, nullptr);
        return display->GetRuler();
    }
    // The pedal's level under staff 1 of a system.
    int PedalLevel(int system) { return layout->StaffTop(system, 1) + StaffRuler().GetSpaceBelow(0); }
    // The x of a time in quarters, from the first measure's start, in the
    // system that holds it (the conductor measure's ruler).
    int XAt(float quarters) {
        const int number = static_cast<int>(quarters / QUARTERS_PER_BAR) + 1;
        const short ticks = static_cast<short>((quarters - (number - 1) * QUARTERS_PER_BAR) * QUARTER);
        DCctConductorMeasure* column = layout->Column(number);
        return column->GetX() + column->GetRuler().GetXPositionForTick(ticks, MCRuler::ACTIVE_GROUP);
    }
};

// ---- pedal ------------------------------------------------------------------------------------

// Types 0 and 1 inside one system: the sign at the start, the release sign
// (42, or 222 for type 1) at the end, nothing between them.
TEST_F(PedalDisplayTest, SignsAtTheStartAndTheReleaseAtTheEnd) {
    Prepare(2, {2});
    const struct {
        int type;
        UINT release;
    } cases[] = {{0, DCctPedal::GLYPH_RELEASE}, {1, DCctPedal::GLYPH_RELEASE_CODA}};
    for (const auto& c : cases) {
        DCctPedal* pedal = AddPedal(c.type, 1.0f, 5.0f);
        ASSERT_EQ(Position(pedal), 1) << c.type;
        ASSERT_EQ(pedal->GetSplitCount(), 1) << c.type;
        EXPECT_EQ(pedal->GetSplit(), 0) << c.type;
        const CPoint left = Left(pedal, 0);
        const CPoint right = Right(pedal, 0);
        EXPECT_EQ(left, CPoint(XAt(1.0f), PedalLevel(0))) << c.type;
        EXPECT_EQ(right, CPoint(XAt(6.0f), PedalLevel(0))) << c.type;
        ASSERT_LT(left.y, layout->StaffTop(0, 1) - 4 * h) << "under the staff's bottom line";

        const QImage image = Draw(pedal);
        EXPECT_EQ(drawn, DCctBase::DRAW_DONE);
        ExpectGlyphAt(image, DCctPedal::GLYPH_PEDAL, left, "Ped.");
        ExpectGlyphAt(image, c.release, right, "release");
        const InkBox sign = GlyphBoxAt(DCctPedal::GLYPH_PEDAL, left);
        const InkBox release = GlyphBoxAt(c.release, right);
        EXPECT_TRUE(FindInk(image, 0, image.height(), sign.right + SLACK + 1, release.left - SLACK).Empty())
            << "no line between the signs";
        EXPECT_TRUE(FindInk(image, 0, image.height(), 0, sign.left - SLACK).Empty());
        Staff()->RemoveChild(pedal->GetOwner(), 1);
    }
}

// Types without a glyph draw nothing; their frame is never measured, so no
// hit lands on them.
TEST_F(PedalDisplayTest, TypesAboveTwoDrawNothingAndCannotBeHit) {
    Prepare(1, {1});
    for (int type : {3, 9, 255}) {
        DCctPedal* pedal = AddPedal(type, 0.0f, 2.0f);
        ASSERT_EQ(Position(pedal), 1) << type;
        pedal->SetPositionDirty(0);
        EXPECT_EQ(pedal->GetFontFromType(), 0u) << type;
        EXPECT_EQ(pedal->FrameDirty(), 1) << type;
        CRect everywhere(-100000, 100000, 100000, -100000);
        EXPECT_EQ(pedal->IsIn(&everywhere, CPoint(0, 0), 0, 0), DCctBase::HIT_UNPLACED) << type;
        const QImage image = Draw(pedal);
        EXPECT_EQ(drawn, DCctBase::DRAW_NOTHING) << type;
        EXPECT_EQ(InkPixels(image), 0) << type;
        Staff()->RemoveChild(pedal->GetOwner(), 1);
    }
}

// Staff n stands on the area below staff n - 1 of the conductor staff's
// ruler; a staff past the ruler's records has no adjustment.
TEST_F(PedalDisplayTest, TheLevelIsTheAreaBelowTheStaffBefore) {
    Prepare(1, {1});
    DCctPedal* pedal = AddPedal(0, 0.0f, 2.0f);
    StaffRuler().SetSpaceBelow(0, -777);
    EXPECT_EQ(pedal->GetPedalYAdjust(Conductor(), Staff(), nullptr), -777);
    auto* second = static_cast<ECStaff*>(Conductor()->GetTrack(TRACK_STAFF, 2, 1));
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(Conductor()->GetTrackNumber(TRACK_STAFF, second), 2);
    EXPECT_EQ(pedal->GetPedalYAdjust(Conductor(), second, nullptr), 0) << "record 1 was never laid out";
    EXPECT_EQ(pedal->GetPedalYAdjust(Conductor(), nullptr, nullptr), 0) << "no staff: record -2";
}

// A bracket across a system end: a hook and a line rising to k = h/8 below
// the hook's height on the first system; on the next a line from k above
// the level up to a closing hook. Middle systems run edge to edge.
TEST_F(PedalDisplayTest, ABracketOverThreeSystemsOpensWhereItGoesOn) {
    Prepare(3, {1, 1, 1});
    DCctPedal* pedal = AddPedal(DCctPedal::PEDAL_BRACKET, 1.0f, 9.0f);
    ASSERT_EQ(Position(pedal), 1);
    ASSERT_EQ(pedal->GetSplitCount(), 3);
    EXPECT_EQ(pedal->GetSplit(), 1);
    EXPECT_EQ(Left(pedal, 0), CPoint(XAt(1.0f), PedalLevel(0)));
    EXPECT_EQ(Right(pedal, 0), CPoint(layout->RightEdge(0), PedalLevel(0)));
    EXPECT_EQ(Left(pedal, 1), CPoint(layout->LeftEdge(1), PedalLevel(1)));
    EXPECT_EQ(Right(pedal, 1), CPoint(layout->RightEdge(1), PedalLevel(1)));
    EXPECT_EQ(Left(pedal, 2), CPoint(layout->LeftEdge(2), PedalLevel(2)));
    EXPECT_EQ(Right(pedal, 2), CPoint(XAt(10.0f), PedalLevel(2)));

    const QImage image = Draw(pedal);
    const int k = h / 8;
    const struct {
        int piece;
        bool leftHook, rightHook;
    } cases[] = {{0, true, false}, {1, false, false}, {2, false, true}};
    for (const auto& c : cases) {
        const CPoint l = Left(pedal, c.piece);
        const CPoint r = Right(pedal, c.piece);
        const InkBox atLeft = ColumnInk(image, l.x, l.y + h, l.y);
        const InkBox atRight = ColumnInk(image, r.x, r.y + h, r.y);
        ASSERT_FALSE(atLeft.Empty() || atRight.Empty()) << c.piece;
        if (c.leftHook) {
            EXPECT_NEAR(atLeft.top, Row(l.y + h), SLACK) << c.piece;
            EXPECT_NEAR(atLeft.bottom, Row(l.y), SLACK) << c.piece;
        } else {
            EXPECT_NEAR(atLeft.top, Row(l.y + k), SLACK) << c.piece << ": no hook, the line starts k up";
            EXPECT_NEAR(atLeft.bottom, Row(l.y + k), SLACK) << c.piece;
        }
        if (c.rightHook) {
            EXPECT_NEAR(atRight.top, Row(r.y + h), SLACK) << c.piece;
            EXPECT_NEAR(atRight.bottom, Row(r.y), SLACK) << c.piece;
        } else {
            EXPECT_NEAR(atRight.top, Row(r.y + h - k), SLACK) << c.piece << ": no hook, the line ends k short";
            EXPECT_LT(atRight.bottom, Row(r.y) - SLACK) << c.piece << ": nothing down to the level";
        }
    }
}

// The split flag follows the last positioning: a bracket laid out again
// into one system is closed at both ends.
TEST_F(PedalDisplayTest, ABracketRelaidIntoOneSystemHasBothHooks) {
    Prepare(2, {1, 1});
    DCctPedal* pedal = AddPedal(DCctPedal::PEDAL_BRACKET, 1.0f, 6.0f);
    ASSERT_EQ(Position(pedal), 1);
    ASSERT_EQ(pedal->GetSplitCount(), 2);
    ASSERT_EQ(pedal->GetSplit(), 1);

    LayOut({2});
    ASSERT_EQ(Position(pedal), 1);
    ASSERT_EQ(pedal->GetSplitCount(), 1);
    EXPECT_EQ(pedal->GetSplit(), 0);
    const CPoint l = Left(pedal, 0);
    const CPoint r = Right(pedal, 0);
    const QImage image = Draw(pedal);
    const InkBox atLeft = ColumnInk(image, l.x, l.y + h, l.y);
    const InkBox atRight = ColumnInk(image, r.x, r.y + h, r.y);
    ASSERT_FALSE(atLeft.Empty() || atRight.Empty());
    EXPECT_NEAR(atLeft.top, Row(l.y + h), SLACK);
    EXPECT_NEAR(atLeft.bottom, Row(l.y), SLACK);
    EXPECT_NEAR(atRight.top, Row(r.y + h), SLACK);
    EXPECT_NEAR(atRight.bottom, Row(r.y), SLACK);

    // Its frame: the piece's width, from the level up by h.
    CRect frame;
    pedal->GetFrame(&frame, 0);
    EXPECT_EQ(frame, CRect(l.x, l.y + h, r.x, l.y));
}

// A mark that ends on the barline closing its system ends at that system's
// right edge, not at the next system's first note (the measure after the
// last system is laid out nowhere).
TEST_F(PedalDisplayTest, AnEndOnASystemsClosingBarlineStaysInItsSystem) {
    Prepare(2, {1, 1});
    const struct {
        float start, quarters;
        int system;
    } cases[] = {{1.0f, 3.0f, 0}, {5.0f, 3.0f, 1}};
    for (const auto& c : cases) {
        DCctPedal* pedal = AddPedal(DCctPedal::PEDAL_BRACKET, c.start, c.quarters);
        ASSERT_EQ(Position(pedal), 1) << c.start;
        ASSERT_EQ(pedal->GetSplitCount(), 1) << c.start;
        EXPECT_EQ(pedal->GetSplit(), 0) << c.start;
        EXPECT_EQ(Left(pedal, 0), CPoint(XAt(c.start), PedalLevel(c.system))) << c.start;
        EXPECT_EQ(Right(pedal, 0), CPoint(layout->RightEdge(c.system), PedalLevel(c.system))) << c.start;
        Staff()->RemoveChild(pedal->GetOwner(), 1);
    }
}

// ---- transposition ----------------------------------------------------------------------------

// No duration: the sign alone, and a frame as wide as the sign so that the
// mark can be selected.
TEST_F(PedalDisplayTest, ATranspositionWithoutDurationDrawsItsSignOnly) {
    Prepare(1, {1});
    DCctTranspose* mark = AddTranspose(DCctTranspose::TRANSPOSE_OCTAVE_DOWN, 1.0f, 0.0f);
    ASSERT_EQ(Position(mark), 1);
    mark->SetPositionDirty(0);
    ASSERT_EQ(mark->GetSplitCount(), 1);
    const QImage image = Draw(mark);
    EXPECT_EQ(drawn, DCctBase::DRAW_DONE);
    const CPoint at = Left(mark, 0);
    ExpectGlyphAt(image, DCctTranspose::GLYPH_OCTAVE_DOWN, at, "215");
    const InkBox all = FindInk(image, 0, image.height());
    const InkBox sign = GlyphBoxAt(DCctTranspose::GLYPH_OCTAVE_DOWN, at);
    EXPECT_LE(all.right, sign.right + SLACK) << "no line after the sign";

    const int width = static_cast<int>(
        MCMusicFont::GetMusicFont().GetMusicMetrics(DCctTranspose::GLYPH_OCTAVE_DOWN, FONT_NORMAL).GetWidth());
    CRect frame;
    mark->GetFrame(&frame, 0);
    EXPECT_EQ(frame.left, at.x);
    EXPECT_EQ(frame.right, at.x + width);
    CRect onSign(at.x + width / 2, at.y - h, at.x + width / 2 + 1, at.y + h);
    EXPECT_EQ(mark->IsIn(&onSign, CPoint(0, 0), 0, 0), DCctSplit::HIT_SPAN_INSIDE);
}

// Type 0 over two measures: the sign, a dotted line 2h above the pieces
// from after the sign's advance, a hook 2h down at the end. It stands on the
// highest note: G4 with its stem up, at its stem end.
TEST_F(PedalDisplayTest, AnOctaveAboveDrawsItsSignALineAfterItAndAHookDown) {
    Prepare(3, {3});
    std::vector<PlacedNote> notes = Notes();
    ASSERT_FALSE(notes.empty());
    ASSERT_EQ(notes[0].display->GetStemDirection(), 0);
    const int highest = notes[0].display->GetStemPosition().y;
    DCctTranspose* mark = AddTranspose(DCctTranspose::TRANSPOSE_OCTAVE_UP, 0.0f, 8.0f);
    ASSERT_EQ(Position(mark), 1);
    ASSERT_EQ(mark->GetSplitCount(), 1);
    const CPoint l = Left(mark, 0);
    const CPoint r = Right(mark, 0);
    EXPECT_EQ(l, CPoint(XAt(0.0f), layout->StaffTop(0, 1) + highest));
    EXPECT_EQ(r, CPoint(XAt(8.0f), l.y));

    const QImage image = Draw(mark);
    ExpectGlyphAt(image, DCctTranspose::GLYPH_OCTAVE_UP, l, "195");
    const InkBox sign = GlyphBoxAt(DCctTranspose::GLYPH_OCTAVE_UP, l);
    // The line's row, right of the sign: dotted, so some ink, not all.
    const int lineRow = Row(l.y + 2 * h);
    const InkBox line = FindInk(image, lineRow - 1, lineRow + 2, sign.right + SLACK + 1, Col(r.x) - 2);
    ASSERT_FALSE(line.Empty()) << "the line";
    EXPECT_LE(line.left, sign.right + SLACK + 4) << "the line starts after the sign";
    const InkBox hook = ColumnInk(image, r.x, r.y + 2 * h, r.y);
    ASSERT_FALSE(hook.Empty());
    EXPECT_NEAR(hook.top, lineRow, SLACK);
    EXPECT_NEAR(hook.bottom, Row(r.y), SLACK) << "the hook turns down by 2h";
    EXPECT_TRUE(FindInk(image, Row(r.y) + SLACK + 1, image.height(), Col(r.x) - 3, Col(r.x) + 3).Empty());
}

// Type 1 goes under the lowest of its notes, a stem pointing down counting
// with its end; across three systems every piece stands on the same level
// against its own staff, and the hook at the end turns up; laid out again
// into one system it is split no more.
TEST_F(PedalDisplayTest, AnOctaveBelowKeepsItsLevelInEverySystem) {
    std::vector<PlayedNote> played = Quarters(3);
    played[5].key = D5;   // measure 2, beat 2: stem down
    Prepare(played, {1, 1, 1});
    std::vector<PlacedNote> notes = Notes();
    ASSERT_GE(notes.size(), 6u);
    ASSERT_EQ(notes[5].display->GetSpelling().GetMidiPitch(), D5);
    ASSERT_EQ(notes[5].display->GetStemDirection(), 1);
    const int lowest = notes[5].display->GetStemPosition().y;
    ASSERT_LT(lowest, notes[0].display->GetY()) << "the stem end lies under the G4 heads";

    DCctTranspose* mark = AddTranspose(DCctTranspose::TRANSPOSE_OCTAVE_DOWN, 2.0f, 8.0f);
    ASSERT_EQ(Position(mark), 1);
    ASSERT_EQ(mark->GetSplitCount(), 3);
    EXPECT_EQ(mark->GetSplit(), 1);
    const int height = layout->StaffMeasure(1, 1)->GetHeight();
    for (int piece = 0; piece < 3; ++piece) {
        const int level = layout->StaffTop(piece, 1) - height + lowest;
        EXPECT_EQ(Left(mark, piece).y, level) << piece;
        EXPECT_EQ(Right(mark, piece).y, level) << piece;
    }
    EXPECT_EQ(Left(mark, 0).x, XAt(2.0f));
    EXPECT_EQ(Right(mark, 2).x, XAt(10.0f));

    const QImage image = Draw(mark, nullptr, 1400, 1000);
    const CPoint r = Right(mark, 2);
    const InkBox hook = ColumnInk(image, r.x, r.y + 4 * h, r.y + 2 * h);
    ASSERT_FALSE(hook.Empty());
    EXPECT_NEAR(hook.top, Row(r.y + 4 * h), SLACK) << "the hook turns up by 2h";
    EXPECT_NEAR(hook.bottom, Row(r.y + 2 * h), SLACK);
    // Each system band has its own stretch of line.
    for (int piece = 1; piece < 3; ++piece) {
        const CPoint l = Left(mark, piece);
        const int row = Row(l.y + 2 * h);
        EXPECT_FALSE(FindInk(image, row - 1, row + 2, Col(l.x), Col(l.x) + 40).Empty()) << piece;
    }

    // Laid out again into one system: one piece, no longer split.
    LayOut({3});
    ASSERT_EQ(Position(mark), 1);
    EXPECT_EQ(mark->GetSplitCount(), 1);
    EXPECT_EQ(mark->GetSplit(), 0);
}

// ---- samples --------------------------------------------------------------------------------------

// Samples draw across their rectangle (the transposition's sign centred in
// it) and leave the music font's height and note metrics as they were.
TEST_F(PedalDisplayTest, SamplesDrawAcrossTheirRectangleAndPutTheFontBack) {
    Prepare(1, {1});
    std::vector<DCctSplit*> marks = {
        AddPedal(DCctPedal::PEDAL_RELEASE_STAR, 0.0f, 2.0f),
        AddPedal(DCctPedal::PEDAL_BRACKET, 0.0f, 2.0f),
        AddTranspose(DCctTranspose::TRANSPOSE_OCTAVE_UP, 0.0f, 0.0f),
    };
    MCMusicFont& music = MCMusicFont::GetMusicFont();
    for (size_t i = 0; i < marks.size(); ++i) {
        LOGFONT before;
        MCMusicFont::NoteMetrics metricsBefore;
        music.SaveLogFont(&before, &metricsBefore);
        SpanCanvas canvas(200, 200);
        CRect rect(200, -200, 1800, -1000);   // columns 20-180, rows 20-100
        EXPECT_EQ(marks[i]->DrawInRect(&canvas.dc, &rect), 1) << i;
        const InkBox ink = FindInk(canvas.Image(), 0, canvas.Image().height());
        ASSERT_FALSE(ink.Empty()) << i;
        // At five thirds of the rectangle's height the glyphs may rise out
        // of it; across, they stay inside.
        EXPECT_GE(ink.left, Col(rect.left) - 1) << i;
        EXPECT_LE(ink.right, Col(rect.right) + 1) << i;
        if (i == 2) {
            EXPECT_NEAR(ink.CenterX2(), Col(rect.left) + Col(rect.right), 2 * SLACK) << "the sign centred";
        }
        LOGFONT after;
        MCMusicFont::NoteMetrics metricsAfter;
        music.SaveLogFont(&after, &metricsAfter);
        EXPECT_EQ(after.lfHeight, before.lfHeight) << i;
        EXPECT_EQ(metricsAfter, metricsBefore) << i;
    }
}

}  // namespace
