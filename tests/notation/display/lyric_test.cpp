// notation/display/lyric.cpp: a syllable centred under its note on its
// staff's lyric line, framed when boxed, and the room the measure's ruler
// keeps for it (MCRuler::DoLyric).
#include "notation/display/conductor.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/lyric.h"

#include "model/meter.h"
#include "model/textmarks.h"
#include "tests/notation/display/marks_support.h"
#include "tests/notation/display/note_support.h"

#include <string>

namespace {

using namespace marks_test;
using measure_test::RegistryCell;

class LyricTest : public ::testing::Test {
protected:
    // A lyric under measure 1 at `ticks` from its start.
    DCctLyric* AddLyric(const std::string& text, int ticks) {
        auto* lyric = new ECLyric(text);
        MCTime at = *score.Measure(1)->GetTime();
        at.AddTicks(ticks, 256);
        lyric->SetTime(&at);
        EXPECT_EQ(score.Measure(1)->AddChild(lyric, 1), 1);
        return dynamic_cast<DCctLyric*>(lyric->GetData(DK_NOTATION, 1));
    }
    // A quarter or eighth note of `key` at `ticks` from the measure's start.
    DCctNote* AddNote(int key, int ticks, int length) {
        DCctNote* note = note_test::AddNote(score, 1, key, length);
        MCTime at = *score.Measure(1)->GetTime();
        at.AddTicks(ticks, 256);
        note->GetOwner()->SetTime(&at);
        note->SetTickStart(static_cast<WORD>(ticks));
        note->SetTickDuration(static_cast<WORD>(length));
        note->SetSize(nullptr);
        return note;
    }
    static int W() { return MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_CURRENT); }

    measure_test::Score score{0, 1};
    RegistryCell lyricCell{ET_LYRIC, RUNTIME_CLASS(DCctLyric)};
    RegistryCell noteCell{ET_NOTE, RUNTIME_CLASS(DCctNote)};
    RegistryCell measureCell{ET_MEASURE, RUNTIME_CLASS(DCctMeasure)};
    RegistryCell columnCell{ET_CONDUCTORMEASURE, RUNTIME_CLASS(DCctConductorMeasure)};
    RegistryCell condStaffCell{ET_CONDUCTORSTAFF, RUNTIME_CLASS(DCctConductorStaff)};
    MusicFontScope font{NOTEHEAD};
};

// Two eighths; a syllable under the first wider than the eighth's room
// moves the second note right; withdrawn, the room is given back.
TEST_F(LyricTest, AWideSyllablePushesTheNextNoteAndWithdrawnGivesTheRoomBack) {
    ECMeter meter{4, 4, 255};
    MCRuler ruler;
    ruler.CreateDivMarks(&meter, 64);
    DCctNote* first = AddNote(64, 0, 128);
    DCctNote* second = AddNote(67, 128, 128);
    const WORD secondMark = ruler.GetDivMarkForTick(128, ruler.GetGroupPulse(0));
    auto secondX = [&] { return ruler.GetCurrentX(secondMark, ruler.GetGroupPulse(0)); };
    for (DCctNote* note : {first, second})
        ASSERT_EQ(ruler.UpdateRuler(note->GetOwner(), 0), 1);
    ruler.CleanUpRuler();
    // Spacing moves marks after the first; room the first note needs on its
    // left moves the first as well, until the ruler is laid out again.
    auto firstX = [&] { return ruler.GetCurrentX(0, ruler.GetGroupPulse(0)); };
    const int plainGap = secondX() - firstX();
    const int plainWidth = ruler.GetWidth() - firstX();

    DCctLyric* lyric = AddLyric("Constantinople", 0);
    ASSERT_NE(lyric, nullptr);
    EXPECT_EQ(lyric->GetTickStart(1), 0);
    ASSERT_EQ(ruler.UpdateRuler(lyric->GetOwner(), 0), 1);
    ruler.CleanUpRuler();
    const int half = lyric->GetWidth() / 2 + W() / 2;
    ASSERT_GT(half, plainGap) << "the syllable is wider than the eighth";
    EXPECT_GE(secondX() - firstX(), half);
    EXPECT_GT(ruler.GetWidth() - firstX(), plainWidth);

    ASSERT_EQ(ruler.UpdateRuler(lyric->GetOwner(), 1), 1);
    ruler.CleanUpRuler();
    EXPECT_EQ(secondX() - firstX(), plainGap);
    EXPECT_EQ(ruler.GetWidth() - firstX(), plainWidth);
}

TEST_F(LyricTest, TheNearestMarkTakesTheSyllableAndOnlyWithADisplay) {
    ECMeter meter{4, 4, 255};
    MCRuler ruler;
    ruler.CreateDivMarks(&meter, 64);
    DCctLyric* lyric = AddLyric("la", 70);   // nearest to the eighth's mark (64)
    ASSERT_EQ(ruler.UpdateRuler(lyric->GetOwner(), 0), 1);
    const auto& marks = ruler.GetRulerGroup()[0].marks;
    const int half = lyric->GetWidth() / 2 + W() / 2;
    EXPECT_TRUE(marks[1].IsOccupied());
    EXPECT_EQ(marks[1].GetLeftExtent(), half);
    EXPECT_EQ(marks[1].GetRightExtent(), half);
    EXPECT_EQ(marks[1].GetDurationCode(), 0) << "a syllable lasts nothing";

    ECLyric bare("la");
    EXPECT_EQ(ruler.UpdateRuler(&bare, 0), 0) << "no display object";
}

// On the lyric line, centred under the note's head.
TEST_F(LyricTest, CentredUnderItsNoteOnTheLyricLine) {
    note_test::ClefLinksScope clefLinks;
    score.AddClef(1, 0, 0);
    auto* column = dynamic_cast<DCctConductorMeasure*>(score.Column(1)->GetData(DK_NOTATION, 1));
    ASSERT_NE(column, nullptr);
    ECMeter meter{4, 4, 255};
    column->GetRuler().CreateDivMarks(&meter, 64);
    auto* condStaff = dynamic_cast<DCctConductorStaff*>(score.conductor->GetTrack(1, 0, 0)->GetData(DK_NOTATION, 1));
    ASSERT_NE(condStaff, nullptr);
    condStaff->GetRuler().Init(score.conductor);
    condStaff->GetRuler().SetLyricY(0, -1500);
    score.Display(1)->SetPosition(0, 0);

    DCctNote* note = AddNote(67, 256, 256);
    ASSERT_EQ(note->Position(nullptr, nullptr, nullptr, nullptr), 1);
    DCctLyric* lyric = AddLyric("mum", 256);
    ASSERT_EQ(lyric->Position(nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(lyric->GetY(), -1500);

    const CPoint origin(200, 200);
    TenthCanvas noteCanvas(400, 300, 0, 20);
    ASSERT_EQ(note->Draw(&noteCanvas.dc, origin, nullptr), 1);
    TenthCanvas lyricCanvas(400, 300, 0, 20);
    ASSERT_EQ(lyric->Draw(&lyricCanvas.dc, origin, nullptr), 1);
    // The head: the note's widest ink rows (the stem is narrow).
    const InkBox noteInk = noteCanvas.Ink();
    const InkBox head = FindInk(noteCanvas.Image(), noteCanvas.Row(origin.y + note->GetY() + NOTEHEAD / 4),
                                noteCanvas.Row(origin.y + note->GetY() - NOTEHEAD / 4));
    const InkBox text = lyricCanvas.Ink();
    ASSERT_FALSE(noteInk.Empty());
    ASSERT_FALSE(head.Empty());
    ASSERT_FALSE(text.Empty());
    EXPECT_NEAR(text.CenterX2(), head.CenterX2(), 4) << "centred under the head";
    EXPECT_GT(text.top, noteInk.bottom) << "below the note";

    // A syllable an older document keeps under its note stands where one
    // under the measure does.
    auto* held = new ECLyric("mum");
    held->SetTime(note->GetOwner()->GetTime());
    ASSERT_EQ(note->GetOwner()->AddChild(held, 1), 1);
    auto* heldDisplay = dynamic_cast<DCctLyric*>(held->GetData(DK_NOTATION, 1));
    ASSERT_NE(heldDisplay, nullptr);
    EXPECT_EQ(heldDisplay->GetTickStart(1), 256);
    ASSERT_EQ(heldDisplay->Position(nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(heldDisplay->GetPosition(), lyric->GetPosition());
}

TEST_F(LyricTest, WithoutAMeasureOrItsConductorMeasureTheSyllableIsNotPlaced) {
    ECLyric loose("la");
    DCctLyric lyric;
    lyric.SetOwner(&loose);
    EXPECT_EQ(lyric.Position(nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(lyric.GetTickStart(1), 0);
    lyric.SetOwner(nullptr);

    RegistryCell noColumn{ET_CONDUCTORMEASURE, nullptr};
    measure_test::Score bare(0, 1);
    auto* event = new ECLyric("la");
    event->SetTime(bare.Measure(1)->GetTime());
    bare.Measure(1)->AddChild(event, 1);
    auto* display = dynamic_cast<DCctLyric*>(event->GetData(DK_NOTATION, 1));
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->Position(nullptr, nullptr, nullptr, nullptr), 0);
}

// A boxed syllable: its frame first, as wide as the text (square when
// narrower than high), the text inside it.
TEST_F(LyricTest, ABoxedSyllableIsFramed) {
    for (const char* text : {"Hallelujah", "i"}) {
        DCctLyric* lyric = AddLyric(text, 0);
        lyric->SetPosition(0, 0);
        TenthCanvas plain(600, 200, 50, 50);
        ASSERT_EQ(lyric->Draw(&plain.dc, CPoint(0, 0), nullptr), 1);
        lyric->SetBoxText(1);
        TenthCanvas boxed(600, 200, 50, 50);
        ASSERT_EQ(lyric->Draw(&boxed.dc, CPoint(0, 0), nullptr), 1);
        const InkBox inner = plain.Ink();
        const InkBox frame = boxed.Ink();
        const int width = lyric->GetWidth();
        const int height = lyric->GetHeight();
        const int side = std::max(width, height);
        const int left = -(side - width) / 2;
        ASSERT_FALSE(frame.Empty()) << text;
        EXPECT_NEAR(frame.left, boxed.Column(left), 1) << text;
        EXPECT_NEAR(frame.right, boxed.Column(left + side), 1) << text;
        EXPECT_NEAR(frame.bottom - frame.top, height / SCALE, 2) << text;
        EXPECT_LE(frame.left, inner.left) << text;
        EXPECT_GE(frame.right, inner.right) << text;
    }
}

}  // namespace
