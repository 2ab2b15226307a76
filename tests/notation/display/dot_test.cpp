// notation/display/dot.cpp: a note's dots placed by its head, its voice and
// its flag, each further dot half a space on and the frame with it, and the
// dots of chords and rests.
#include "tests/notation/display/chord_support.h"
#include "tests/notation/display/marks_support.h"

#include <string>

namespace {

using namespace marks_test;
using measure_test::RegistryCell;

constexpr int UP = chord_test::UP;

// A treble staff of five measures, each its own case.
class DotTest : public ::testing::Test {
protected:
    DotTest() {
        for (int number = 1; number <= MEASURES; ++number) {
            score.Display(number)->SetPosition(0, 0);
            score.AddClef(number, 0, 0);
        }
    }

    // A lone note of `key` in `voice` of measure `number`: a quarter, or an
    // eighth with its flag; its stem `stem`.
    ECNote* AddLoneNote(int number, int key, int voice, int stem = UP, bool flag = false) {
        auto* note = new ECNote;
        note->SetVoiceTrack(static_cast<unsigned char>(voice), 1);
        note->SetTime(score.Measure(number)->GetTime());
        score.Measure(number)->AddChild(note, 1);
        auto* display = dynamic_cast<DCctNote*>(note->GetData(DK_NOTATION, 1));
        MCPitch pitch = note_test::Pitch(key);
        display->SetPitch(pitch);
        display->SetValue(flag ? 128 : 256, 0);
        display->SetStemDirection(stem, 1);
        display->SetFlag(flag ? 1 : 0);
        display->SetSize(nullptr);
        return note;
    }
    static DCctDot* DotOn(ECBase* parent, unsigned char count) {
        auto* dot = new ECDot(count);
        parent->AddChild(dot, 1);
        return dynamic_cast<DCctDot*>(dot->GetData(DK_NOTATION, 1));
    }
    static int W() { return MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_CURRENT); }

    static constexpr int MEASURES = 5;
    measure_test::Score score{0, MEASURES};
    RegistryCell measureCell{ET_MEASURE, RUNTIME_CLASS(DCctMeasure)};
    RegistryCell noteCell{ET_NOTE, RUNTIME_CLASS(DCctNote)};
    RegistryCell chordCell{ET_CHORD, RUNTIME_CLASS(DCctChord)};
    RegistryCell restCell{ET_REST, RUNTIME_CLASS(DCctNotate)};
    RegistryCell dotCell{ET_DOT, RUNTIME_CLASS(DCctDot)};
    MusicFontScope font{NOTEHEAD};
    note_test::ClefLinksScope clefLinks;
};

// A head in a space keeps its dot there; a head on a line sends it half a
// space up, or down for the lower (odd) voice where two voices share the
// staff; a flag on an up stem pushes it past the flag.
TEST_F(DotTest, NoteDotsByHeadVoiceAndFlag) {
    const int h = NOTEHEAD;
    const struct {
        const char* what;
        int key;
        int voice;
        bool otherVoice;   // a note of voice 0 shares the measure
        bool flag;
        int y;
    } cases[] = {
        {"line, single voice", 64, 0, false, false, h / 2},
        {"line, lower of two voices", 64, 1, true, false, -h / 2},
        {"line, upper of two voices", 64, 0, true, false, h / 2},
        {"space, lower of two voices", 65, 1, true, false, 0},
        {"line, flag on an up stem", 71, 0, false, true, h / 2},
    };
    static_assert(std::size(cases) <= MEASURES);
    int number = 0;
    for (const auto& c : cases) {
        ++number;
        ECNote* note = AddLoneNote(number, c.key, c.voice, UP, c.flag);
        if (c.otherVoice)
            AddLoneNote(number, 72, c.voice == 0 ? 1 : 0);
        score.Display(number)->GetNumberOfVoices();   // the voice table, as notation leaves it
        DCctDot* dot = DotOn(note, 1);
        ASSERT_EQ(dot->Position(nullptr, nullptr, nullptr, nullptr), 1) << c.what;
        auto* head = dynamic_cast<DCctNote*>(NotationDisplayOf(note));
        const int x = c.flag ? head->GetWidth() + h / 4 : h + W();
        EXPECT_EQ(dot->GetPosition(), CPoint(x, c.y)) << c.what;
    }
}

TEST_F(DotTest, DotsOfAChordOrRestStandHalfASpaceUpPastTheirWidth) {
    const int h = NOTEHEAD;
    auto* rest = new ECRest;
    rest->SetVoiceTrack(0, 1);
    rest->SetTime(score.Measure(1)->GetTime());
    score.Measure(1)->AddChild(rest, 1);
    auto* restDisplay = dynamic_cast<DCctBase*>(rest->GetData(DK_NOTATION, 1));
    ASSERT_NE(restDisplay, nullptr);
    restDisplay->SetSize(nullptr);
    DCctDot* dot = DotOn(rest, 1);
    ASSERT_EQ(dot->Position(nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(dot->GetPosition(), CPoint(h + restDisplay->GetWidth(), h / 2));
}

TEST_F(DotTest, ANoteWithoutClefOrMeasureDisplayIsNotPlaced) {
    measure_test::Score bare(0, 1);   // no clef, no measure display
    auto* note = new ECNote;
    note->SetVoiceTrack(0, 1);
    note->SetTime(bare.Measure(1)->GetTime());
    bare.Measure(1)->AddChild(note, 1);
    ASSERT_NE(note->GetData(DK_NOTATION, 1), nullptr);
    DCctDot* dot = DotOn(note, 1);
    dot->SetPosition(5, 6);
    EXPECT_EQ(dot->Position(nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(dot->GetPosition(), CPoint(5, 6));
}

// Two dots: two glyphs half a space apart, the frame a space wider than
// one glyph's box (half a space for a single dot).
TEST_F(DotTest, DoubleDotDrawsTwoGlyphsHalfASpaceApart) {
    const int h = NOTEHEAD;
    ECNote* note = AddLoneNote(1, 65, 0);
    DCctDot* single = DotOn(note, 1);
    DCctDot* pair = DotOn(note, 2);
    for (DCctDot* dot : {single, pair}) {
        ASSERT_EQ(dot->Position(nullptr, nullptr, nullptr, nullptr), 1);
        dot->SetSize(nullptr);
    }
    const int glyphWidth = static_cast<int>(MCMusicFont::GetMusicFont().GetMusicMetrics(107, FONT_NORMAL).GetWidth());
    CRect one;
    CRect two;
    single->GetFrame(&one, 0);
    pair->GetFrame(&two, 0);
    EXPECT_EQ(one.Width(), glyphWidth + h / 2);
    EXPECT_EQ(two.Width(), glyphWidth + h);

    // The ink: the first glyph's box at the dot's place to the second's h/2 on.
    const CPoint at = pair->GetPosition();
    TenthCanvas canvas(200, 100, 20, 50);
    ASSERT_EQ(pair->Draw(&canvas.dc, CPoint(0, 0), nullptr), 1);
    InkBox expected = GlyphBox(canvas, 107, at);
    expected.right = GlyphBox(canvas, 107, CPoint(at.x + h / 2, at.y)).right;
    ExpectBoxNear(canvas.Ink(), expected, 1, "two dots");
    // Two glyphs, not one wide one: the ink is one dot's drawn where the
    // pair stands and again h/2 on.
    single->SetPosition(at);
    TenthCanvas twice(200, 100, 20, 50);
    ASSERT_EQ(single->Draw(&twice.dc, CPoint(0, 0), nullptr), 1);
    ASSERT_EQ(single->Draw(&twice.dc, CPoint(h / 2, 0), nullptr), 1);
    EXPECT_EQ(canvas.Image(), twice.Image());
    TenthCanvas one_dot(200, 100, 20, 50);
    ASSERT_EQ(single->Draw(&one_dot.dc, CPoint(0, 0), nullptr), 1);
    ExpectBoxNear(one_dot.Ink(), GlyphBox(one_dot, 107, at), 1, "one dot");
}

}  // namespace
