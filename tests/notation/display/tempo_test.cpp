// notation/display/tempo.cpp: the metronome mark's codes, a tempo's text and
// mark over the system, the plain tempo's mark alone, and the pauses above or
// below the system.
#include "notation/display/tempo.h"

#include "model/tempo.h"
#include "notation/layout/textfonts.h"
#include "tests/notation/display/system_support.h"

#include <string>
#include <vector>

namespace {

using namespace system_test;

// The music-font codes of a string, for readable failures.
std::vector<int> Codes(const std::string& s) {
    std::vector<int> codes;
    for (char c : s)
        codes.push_back(static_cast<unsigned char>(c));
    return codes;
}

// A loose tempo and its display, for the mark's codes.
struct LooseTempo {
    ECTempo tempo;
    DCctTempo display;
    LooseTempo(float bpm, float beat) {
        tempo.SetTempo(bpm, beat);
        display.SetOwner(&tempo);
    }
    ~LooseTempo() { display.SetOwner(nullptr); }
};

constexpr int OPEN = '(';
constexpr int CLOSE = ')';
constexpr int EQUALS = 200;
constexpr int DOT = 107;
constexpr int NINE = 187;
constexpr int SIX = 164;

// Each beat of the table gives its note (and dot), the equals sign and the
// tempo in that beat; bit 20 brackets it.
TEST(TempoMarkTest, EveryBeatOfTheTable) {
    const struct {
        float beat;
        std::vector<int> note;
    } cases[] = {
        {0.25f, {120}},       {0.375f, {120, DOT}}, {0.5f, {101}}, {0.75f, {101, DOT}}, {1.0f, {113}},
        {1.5f, {113, DOT}},   {2.0f, {104}},        {3.0f, {104, DOT}}, {4.0f, {119}},   {6.0f, {119, DOT}},
    };
    for (const auto& c : cases) {
        LooseTempo t(96.0f, c.beat);
        std::vector<int> expected = c.note;
        expected.insert(expected.end(), {EQUALS, NINE, SIX});
        EXPECT_EQ(Codes(t.display.GetBeatEquals()), expected) << c.beat;
        t.display.SetExpressionWithBeatEquals(1, 0);
        expected.insert(expected.begin(), OPEN);
        expected.push_back(CLOSE);
        EXPECT_EQ(Codes(t.display.GetBeatEquals()), expected) << c.beat << " bracketed";
    }
}

// Truncated tempi, tempi without digits, beats without a note.
TEST(TempoMarkTest, DigitsAndBeatsOutsideTheTable) {
    const struct {
        float bpm, beat;
        int bracketed;
        std::vector<int> codes;
    } cases[] = {
        {250.7f, 1.0f, 0, {113, EQUALS, 170, 176, 188}},            // 250
        {120.0f, 1.0f, 1, {OPEN, 113, EQUALS, 193, 170, 188, CLOSE}},
        {1000.0f, 1.0f, 0, {113, EQUALS}},                          // no digits: the mark ends at "="
        {1500.0f, 1.0f, 1, {OPEN, 113, EQUALS, CLOSE}},
        {96.0f, 1.25f, 0, {}},                                      // no note for the beat: no mark
        {96.0f, 1.25f, 1, {}},
        // The beat is compared with the table's values exactly: a hair off
        // a quarter or a dotted quarter is no beat of the table.
        {96.0f, 0.9999f, 0, {}},
        {96.0f, 1.0001f, 0, {}},
        {96.0f, 1.4999f, 1, {}},
    };
    for (const auto& c : cases) {
        LooseTempo t(c.bpm, c.beat);
        t.display.SetExpressionWithBeatEquals(c.bracketed, 0);
        EXPECT_EQ(Codes(t.display.GetBeatEquals()), c.codes) << c.bpm << " at " << c.beat;
    }
}

TEST(TempoMarkTest, GlyphsAndBits) {
    const struct {
        unsigned char type;
        int location;
        UINT glyph;
        int isPause;
    } cases[] = {
        {24, 0, 85, 1}, {24, 1, 117, 1}, {29, 0, 34, 1}, {29, 1, 34, 1}, {1, 0, 101, 0}, {14, 1, 101, 0},
    };
    for (const auto& c : cases) {
        ECTempo tempo(c.type, MCTime(0.0f));
        DCctTempo display;
        display.SetOwner(&tempo);
        display.SetLocation(c.location, 0);
        EXPECT_EQ(display.GetFontFromType(), c.glyph) << int(c.type);
        EXPECT_EQ(DCctTempo::IsPause(c.type), c.isPause != 0) << int(c.type);
        // A pause has no text even where its type has a name.
        EXPECT_EQ(display.IsExpression(c.type), c.type == 14 ? 1 : 0) << int(c.type);
        display.SetOwner(nullptr);
    }
    DCctTempo fresh;
    EXPECT_EQ(fresh.GetExpressionWithBeatEquals(), 0);
    EXPECT_EQ(fresh.GetLocation(), 0);
    fresh.SetExpressionWithBeatEquals(1, 0);
    fresh.SetLocation(1, 0);
    DCctTempo copy(fresh);
    EXPECT_EQ(copy.GetStateWord() & (3u << 20), 3u << 20);
}

// ---- over the system ----------------------------------------------------------------------------

class TempoTest : public SystemTest {
protected:
    void SetUp() override {
        SystemTest::SetUp();
        Lay(2, 3);
        m_at = MeasureTime(2);
        m_at.AddTicks(kTicks, 256);
    }
    // A tempo of `type` at the test's time under the conductor staff.
    DCctTempo* AddTempo(unsigned char type, float bpm, float beat, const std::string& text) {
        auto* tempo = new ECTempo(type, MCTime(0.0f));
        tempo->SetTempo(bpm, beat);
        tempo->SetText(text);
        tempo->SetTime(&m_at);
        EXPECT_EQ(ConductorStaff()->AddChild(tempo, 1), 1);
        auto* display = dynamic_cast<DCctTempo*>(tempo->GetData(DK_NOTATION, 1));
        EXPECT_NE(display, nullptr);
        return display;
    }
    // The x of the test's time.
    int TimeX() { return ColumnX(2) + ColumnDisplay(2)->GetRuler().GetXPositionForTick(kTicks, 0x4000); }
    InkBox Draw(DCctTempo* tempo) {
        m_canvas = SystemCanvas(3, 2);
        EXPECT_EQ(tempo->Draw(&m_canvas->dc, CPoint(0, 0), nullptr), 1);
        return m_canvas->Ink();
    }

    static constexpr int kTicks = 512;
    MCTime m_at;
    std::unique_ptr<TenthCanvas> m_canvas;
};

// "Allegro" with its mark: the text from the tempo's time over the first
// staff, then the bracketed mark beside it at three quarters of the music
// font, its note standing on the text's foot. The fonts come back as they were.
TEST_F(TempoTest, TextThenBracketedMark) {
    DCctTempo* tempo = AddTempo(14, 120.0f, 1.0f, "");
    tempo->SetExpressionWithBeatEquals(1, 0);
    EXPECT_EQ(tempo->GetExpression(), "Allegro");   // the type's name
    EXPECT_EQ(Codes(tempo->GetBeatEquals()), (std::vector<int>{OPEN, 113, EQUALS, 193, 170, 188, CLOSE}));
    ASSERT_EQ(tempo->Position(nullptr, nullptr, nullptr, ConductorStaff()), 1);
    const int textHeight = static_cast<int>(tempo->GetMetrics().GetHeight());
    ASSERT_GT(textHeight, 0);
    EXPECT_EQ(tempo->GetPosition(), CPoint(TimeX(), StaffTop(1) + SPACE_ABOVE + textHeight));

    // The text's own width, in the expression font.
    DisplayCanvas measure(8, 8, 0, 0);
    MCExpressionFont& expression = MCExpressionFont::GetExpressionFont();
    expression.SelectFont(&measure.dc);
    const int textWidth = measure.dc.GetTextExtent("Allegro").cx;
    expression.DeselectFont(&measure.dc);
    EXPECT_GT(tempo->GetWidth(), textWidth);

    MCMusicFont& music = MCMusicFont::GetMusicFont();
    LOGFONT before;
    MCMusicFont::NoteMetrics metricsBefore;
    music.SaveLogFont(&before, &metricsBefore);
    const COLORREF marker = RGB(1, 2, 3);
    music.SetFontColor(marker);
    expression.SetFontColor(marker);

    const InkBox all = Draw(tempo);
    ASSERT_FALSE(all.Empty());
    const int left = TimeX() / SCALE;
    EXPECT_NEAR(all.left, left, 2);
    const int textRight = (TimeX() + textWidth) / SCALE;
    const int footRow = -(tempo->GetY() - textHeight) / SCALE;
    const InkBox text = FindInk(m_canvas->Image(), 0, m_canvas->Image().height(), 0, textRight + 1);
    const InkBox mark = FindInk(m_canvas->Image(), 0, m_canvas->Image().height(), textRight + 2);
    ASSERT_FALSE(text.Empty());
    ASSERT_FALSE(mark.Empty()) << "no mark after the text";
    EXPECT_LE(mark.right, (TimeX() + tempo->GetWidth()) / SCALE + 1);
    // Drawn smaller than it is measured: three quarters of the music font.
    const int markWidth = (tempo->GetWidth() - textWidth) / SCALE;
    EXPECT_LT(mark.right - mark.left, markWidth * 85 / 100);
    EXPECT_GT(mark.right - mark.left, markWidth * 60 / 100);
    // Level with the text: the mark's foot near the text's.
    EXPECT_NEAR(mark.bottom, footRow, NOTEHEAD / SCALE);
    EXPECT_LT(mark.top, footRow);

    LOGFONT after;
    MCMusicFont::NoteMetrics metricsAfter;
    music.SaveLogFont(&after, &metricsAfter);
    EXPECT_EQ(after.lfHeight, before.lfHeight);
    EXPECT_EQ(metricsAfter, metricsBefore);
    EXPECT_EQ(music.GetFontColor(), marker);
    EXPECT_EQ(expression.GetFontColor(), marker);
}

// The plain tempo a MIDI file brings shows its mark without bit 20, alone
// and unbracketed; another type without text and bit shows nothing.
TEST_F(TempoTest, PlainTempoShowsItsMarkAlone) {
    EXPECT_EQ(ECTempo().GetTempoType(), 1) << "the type a tempo read from a MIDI file has";
    DCctTempo* plain = AddTempo(1, 120.0f, 1.0f, "");
    EXPECT_EQ(plain->GetExpressionWithBeatEquals(), 0);
    EXPECT_EQ(Codes(plain->GetBeatEquals()), (std::vector<int>{113, EQUALS, 193, 170, 188}));
    ASSERT_EQ(plain->Position(nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(plain->GetPosition(), CPoint(TimeX(), StaffTop(1) + SPACE_ABOVE));
    const InkBox ink = Draw(plain);
    ASSERT_FALSE(ink.Empty());
    EXPECT_NEAR(ink.left, TimeX() / SCALE, 2);
    EXPECT_LE(ink.right, (TimeX() + plain->GetWidth()) / SCALE + 1);
    // Over the first staff.
    EXPECT_LT(ink.bottom, -StaffTop(1) / SCALE);

    static_cast<ECTempo*>(plain->GetOwner())->SetTempoType(0, MCTime(0.0f));
    plain->SetFrameDirty(1);
    EXPECT_TRUE(Draw(plain).Empty());
}

// A fermata centred on its time, over the system or, located below, in the
// last staff's area below it; a caesura over it.
TEST_F(TempoTest, PausesAboveOrBelowTheSystem) {
    const int bottomLineRow = -(StaffTop(2) - 4 * NOTEHEAD) / SCALE;
    const int topLineRow = -StaffTop(1) / SCALE;
    // The last staff's own area below, unlike the first's.
    constexpr int kDeeper = 300;
    StaffDisplay()->GetRuler().SetSpaceBelow(1, SPACE_BELOW - kDeeper);
    const struct {
        unsigned char type;
        int location;
        bool below;
    } cases[] = {{24, 1, true}, {24, 0, false}, {29, 0, false}};
    for (const auto& c : cases) {
        DCctTempo* pause = AddTempo(c.type, 120.0f, 1.0f, "");
        pause->SetLocation(c.location, 0);
        pause->SetFrameDirty(1);
        ASSERT_EQ(pause->Position(nullptr, nullptr, nullptr, nullptr), 1);
        const int width = static_cast<int>(
            MCMusicFont::GetMusicFont().GetMusicMetrics(pause->GetFontFromType(), FONT_NORMAL).GetWidth());
        ASSERT_GT(width, 0);
        EXPECT_EQ(pause->GetX(), TimeX() - width / 2) << int(c.type);
        const int y = c.below ? StaffTop(2) + SPACE_BELOW - kDeeper : StaffTop(1) + SPACE_ABOVE;
        EXPECT_EQ(pause->GetY(), y) << int(c.type);
        const COLORREF marker = RGB(1, 2, 3);
        MCMusicFont::GetMusicFont().SetFontColor(marker);
        const InkBox ink = Draw(pause);
        EXPECT_EQ(MCMusicFont::GetMusicFont().GetFontColor(), marker) << int(c.type);
        ASSERT_FALSE(ink.Empty()) << int(c.type);
        EXPECT_NEAR(ink.CenterX2(), 2 * TimeX() / SCALE, 3) << int(c.type);
        if (c.below)
            EXPECT_GT(ink.top, bottomLineRow) << int(c.type);
        else
            EXPECT_LT(ink.bottom, topLineRow) << int(c.type);
        ConductorStaff()->RemoveChild(pause->GetOwner(), 1);
    }
}

// Without its conductor staff's display, or off the measures, a tempo is
// not placed.
TEST_F(TempoTest, NotPlacedWithoutItsMeasure) {
    DCctTempo* tempo = AddTempo(14, 120.0f, 1.0f, "");
    tempo->SetPosition(7, 8);
    MCTime late = MeasureTime(3);
    late.AddTicks(4096, 256);
    tempo->GetOwner()->SetTime(&late);
    EXPECT_EQ(tempo->Position(nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(tempo->GetPosition(), CPoint(7, 8));
    ECTempo loose;
    DCctTempo display;
    display.SetOwner(&loose);
    EXPECT_EQ(display.Position(nullptr, nullptr, nullptr, nullptr), 0);
    display.SetOwner(nullptr);
}

}  // namespace
