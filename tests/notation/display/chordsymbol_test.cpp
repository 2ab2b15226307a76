// notation/display/chordsymbol.cpp and the chart face it draws with: names
// spelled from the chord word with their signs drawn as music glyphs, the
// chart chosen by root and type, the frame of each form, placing over the
// staff, the names of the chord types, and the face itself (a chart at every
// character, each chart of its table sounding its root and only its chord's
// tones).
#include "notation/display/chordsymbol.h"

#include "model/markings.h"
#include "model/meter.h"
#include "notation/display/conductor.h"
#include "notation/display/conductormeasure.h"
#include "notation/layout/textfonts.h"
#include "platform/core/codepage.h"
#include "platform/core/resources.h"
#include "platform/gdi/symbolface.h"
#include "tests/notation/display/marks_support.h"
#include "tests/notation/display/measure_support.h"

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace marks_test;
using measure_test::RegistryCell;

constexpr uint32_t NAME = DCctChordSymbol::SHOW_NAME;
constexpr uint32_t CHART = DCctChordSymbol::SHOW_CHART;

uint32_t Word(int root, int bass, int type, uint32_t shown) {
    return static_cast<uint32_t>(root) | static_cast<uint32_t>(bass) << 8 | static_cast<uint32_t>(type) << 16 | shown;
}

std::string CharText(UINT code) {
    const char byte = static_cast<char>(code);
    return Cp1252ToUtf8(std::string_view(&byte, 1));
}

class ChordSymbolTest : public ::testing::Test {
protected:
    ChordSymbolTest() {
        ECMeter meter{4, 4, 255};
        for (int number = 1; number <= 2; ++number) {
            ColumnDisplay(number)->GetRuler().CreateDivMarks(&meter, 64);
            score.Display(number)->SetPosition(3000 * number, -4000);
        }
        CondStaffDisplay()->GetRuler().Init(score.conductor);
        CondStaffDisplay()->GetRuler().SetSpaceAbove(0, 480);
    }

    DCctConductorStaff* CondStaffDisplay() {
        return dynamic_cast<DCctConductorStaff*>(score.conductor->GetTrack(1, 0, 0)->GetData(DK_NOTATION, 1));
    }
    DCctConductorMeasure* ColumnDisplay(int number) {
        return dynamic_cast<DCctConductorMeasure*>(score.Column(number)->GetData(DK_NOTATION, 1));
    }
    // A chord symbol of `word` in measure `number` of staff 1, `ticks` in.
    DCctChordSymbol* Add(uint32_t word, int number = 1, int ticks = 0, int track = 1) {
        auto* event = new ECChordSymbol;
        event->SetChordType(word);
        MCTime time = *score.Measure(number)->GetTime();
        time.AddTicks(ticks, 256);
        event->SetTime(&time);
        event->SetVoiceTrack(0, track);
        EXPECT_EQ(score.Measure(number)->AddChild(event, 1), 1);
        auto* display = dynamic_cast<DCctChordSymbol*>(event->GetData(DK_NOTATION, 1));
        EXPECT_NE(display, nullptr);
        return display;
    }
    DCctChordSymbol* Sized(uint32_t word) {
        DCctChordSymbol* symbol = Add(word);
        symbol->SetSize(nullptr);
        return symbol;
    }

    measure_test::Score score{0, 2};
    RegistryCell symbolCell{ET_CHORDSYMBOL, RUNTIME_CLASS(DCctChordSymbol)};
    RegistryCell measureCell{ET_MEASURE, RUNTIME_CLASS(DCctMeasure)};
    RegistryCell columnCell{ET_CONDUCTORMEASURE, RUNTIME_CLASS(DCctConductorMeasure)};
    RegistryCell condStaffCell{ET_CONDUCTORSTAFF, RUNTIME_CLASS(DCctConductorStaff)};
    MusicFontScope font{NOTEHEAD};
};

TEST(ChordTypeNames, TheNineteenNamesInOrder) {
    const char* names[] = {
        "Major", "Minor", "7", "Diminished", "Minor 6th", "Minor 7th", "6", "9", "Major 7th", "Add 9",
        "Major 7 Add 9", "6 9", "Minor 9", "Minor 6 9", "Minor 7 Flat 5", "Sus", "7 Sus", "Aug", "Undefined",
    };
    for (int type = 0; type < 19; ++type) {
        EXPECT_EQ(DCctChordSymbol::GetTypeName(type), names[type]) << type;
        // The chord picker reads them by their string ids.
        EXPECT_EQ(LoadString(14120u + static_cast<unsigned>(type)), names[type]) << type;
    }
    EXPECT_EQ(DCctChordSymbol::GetTypeName(19), "");
    EXPECT_EQ(DCctChordSymbol::GetTypeName(-1), "");
}

// Root letter and accidental, quality, extension, bass letter and accidental,
// with nothing between them.
TEST_F(ChordSymbolTest, NamesSpelledFromTheWord) {
    const struct {
        int root, bass, type;
        const char* name;
    } cases[] = {
        {11, 0, 12, "F#min7(add 9)"},
        {4, 19, 0, "DB"},
        {1, 9, 9, "Cadd(add 9)Fb"},
        {1, 0, 9, "Cadd(add 9)"},
        {21, 0, 14, "Cbminb5"},
        {15, 20, 17, "Ab+7B#"},
        {3, 0, 3, "Dbo7"},
        {18, 0, 16, "Bb7sus4"},
        {13, 0, 18, "G"},          // "Undefined": no quality
        {13, 0, 200, "G"},
        {0, 0, 1, "min"},          // no root
        {22, 99, 0, ""},           // codes past the table
    };
    for (const auto& c : cases) {
        DCctChordSymbol* symbol = Sized(Word(c.root, c.bass, c.type, NAME));
        EXPECT_EQ(symbol->GetName(), c.name) << c.root << " " << c.bass << " " << c.type;
    }
}

// One chart per pitch class of the root and chord type: enharmonic roots
// share theirs; codes outside the tables give the first.
TEST_F(ChordSymbolTest, ChartByRootAndType) {
    const struct {
        int root, type;
        UINT chart;
    } cases[] = {
        {1, 17, 39},  {1, 0, 33},   {20, 0, 33},  {0, 5, 38},   {99, 0, 33},  {2, 0, 51},
        {3, 1, 53},   {4, 2, 70},   {5, 0, 87},   {6, 0, 87},   {7, 0, 105},  {9, 0, 105},
        {8, 0, 123},  {10, 0, 123}, {11, 12, 154}, {12, 0, 141}, {13, 16, 176}, {14, 0, 177},
        {15, 0, 177}, {16, 0, 195}, {17, 0, 213}, {18, 0, 213}, {19, 7, 239}, {21, 0, 231},
        {19, 16, 248}, {1, 18, 33},  {1, 255, 33},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Add(Word(c.root, 0, c.type, CHART))->GetFontFromType(), c.chart) << c.root << " " << c.type;
}

// The frame: the name's extent, the chart's width by three noteheads, the
// wider of the two with their heights added; nothing shown, nothing framed.
TEST_F(ChordSymbolTest, FrameOfEachForm) {
    TenthCanvas canvas(40, 40, 0, 0);
    MCChartFont& chart = MCChartFont::GetChartFont();
    chart.SelectFont(&canvas.dc);
    const int chartWidth = canvas.dc.GetTextExtent(CharText(39)).cx;
    chart.DeselectFont(&canvas.dc);
    ASSERT_GT(chartWidth, 0);

    DCctChordSymbol* chartOnly = Sized(Word(1, 0, 17, CHART));
    EXPECT_NEAR(chartOnly->GetWidth(), chartWidth, 1);
    EXPECT_EQ(chartOnly->GetHeight(), 3 * NOTEHEAD);
    EXPECT_EQ(chartOnly->GetMetrics().GetTop(), 3 * NOTEHEAD);

    DCctChordSymbol* nameOnly = Sized(Word(1, 0, 0, NAME));
    ASSERT_GT(nameOnly->GetWidth(), 0);
    const int nameHeight = nameOnly->GetHeight();
    ASSERT_GT(nameHeight, 0);
    EXPECT_LT(nameOnly->GetWidth(), chartWidth);

    DCctChordSymbol* both = Sized(Word(1, 0, 0, NAME | CHART));
    EXPECT_NEAR(both->GetWidth(), chartWidth, 1);
    EXPECT_EQ(both->GetHeight(), nameHeight + 3 * NOTEHEAD);
    EXPECT_EQ(both->GetMetrics().GetTop(), nameHeight + 3 * NOTEHEAD);

    DCctChordSymbol* longName = Sized(Word(11, 20, 12, NAME | CHART));
    EXPECT_GT(longName->GetWidth(), chartWidth);

    DCctChordSymbol* neither = Sized(Word(11, 0, 12, 0));
    EXPECT_EQ(neither->GetWidth(), 0);
    EXPECT_EQ(neither->GetHeight(), 0);
    TenthCanvas blank(200, 200, 100, 100);
    EXPECT_EQ(neither->Draw(&blank.dc, CPoint(0, 0), nullptr), 1);
    EXPECT_TRUE(blank.Ink().Empty());
}

// "F#": the letter in the text font, then the sharp as music glyph 73 with
// its drawing point on the name's top line, rising above the letters.
TEST_F(ChordSymbolTest, SharpDrawnAsMusicGlyph) {
    DCctChordSymbol* symbol = Add(Word(11, 0, 12, NAME));
    symbol->SetPosition(0, 0);
    TenthCanvas canvas(300, 200, 50, 150);
    ASSERT_EQ(symbol->Draw(&canvas.dc, CPoint(0, 0), nullptr), 1);
    const int top = symbol->GetHeight();    // the name's cell hangs from the frame's top
    MCTextFont& text = MCTextFont::GetTextFont();
    text.SelectFont(&canvas.dc);
    const int letter = canvas.dc.GetTextExtent(std::string("F")).cx;
    text.DeselectFont(&canvas.dc);

    const InkBox sharp = GlyphBox(canvas, 73, CPoint(letter, top));
    const InkBox ink = FindInk(canvas.Image(), 0, canvas.Row(top), sharp.left, sharp.right + 1);
    ExpectBoxNear(ink, InkBox{sharp.left, sharp.right, sharp.top, canvas.Row(top) - 1}, 2, "sharp above the line");
    // No letter reaches above the name's top line: only the sharp does.
    const InkBox above = FindInk(canvas.Image(), 0, canvas.Row(top) - 1);
    EXPECT_GE(above.left, sharp.left - 1);
    EXPECT_LE(above.right, sharp.right + 1);

    // Drawn as "F" alone, nothing rises above the line.
    DCctChordSymbol* plain = Add(Word(10, 0, 12, NAME));
    plain->SetPosition(0, 0);
    TenthCanvas other(300, 200, 50, 150);
    plain->Draw(&other.dc, CPoint(0, 0), nullptr);
    EXPECT_TRUE(FindInk(other.Image(), 0, other.Row(top) - 1).Empty());
}

// Each sign of a name after its letter is the music font's glyph, its
// drawing point on the name's top line: the ink of its columns is the glyph's
// box, not a text letter's.
TEST_F(ChordSymbolTest, NameSignsAreMusicGlyphs) {
    const struct {
        uint32_t word;
        const char* name;
        UINT glyph;
    } cases[] = {
        {Word(3, 0, 0, NAME), "Db", 105},
        {Word(11, 0, 0, NAME), "F#", 73},
        {Word(10, 0, 3, NAME), "Fo7", 111},
        {Word(10, 0, 17, NAME), "F+7", 246},
    };
    MCTextFont& text = MCTextFont::GetTextFont();
    MCMusicFont& music = MCMusicFont::GetMusicFont();
    for (const auto& c : cases) {
        DCctChordSymbol* symbol = Sized(c.word);
        ASSERT_EQ(symbol->GetName(), c.name);
        symbol->SetPosition(0, 0);
        TenthCanvas canvas(300, 200, 50, 150);
        ASSERT_EQ(symbol->Draw(&canvas.dc, CPoint(0, 0), nullptr), 1);
        const int top = symbol->GetHeight();
        text.SelectFont(&canvas.dc);
        const int letter = canvas.dc.GetTextExtent(std::string(c.name, 1)).cx;
        text.DeselectFont(&canvas.dc);
        music.SelectFont(&canvas.dc, FONT_NORMAL);
        const int advance = canvas.dc.GetTextExtent(CharText(c.glyph)).cx;
        music.DeselectFont(&canvas.dc);

        const InkBox box = GlyphBox(canvas, c.glyph, CPoint(letter, top));
        // The columns the glyph alone covers: past the letter, before what follows.
        const int from = std::max(box.left, canvas.Column(letter) + 1);
        const int to = std::min(box.right, canvas.Column(letter + advance) - 1);
        ASSERT_LT(from, to) << c.name;
        const InkBox ink = FindInk(canvas.Image(), 0, canvas.Image().height(), from, to + 1);
        ASSERT_FALSE(ink.Empty()) << c.name;
        EXPECT_NEAR(ink.top, box.top, 2) << c.name;
        EXPECT_NEAR(ink.bottom, box.bottom, 2) << c.name;
    }
}

// The chart alone: ink inside its frame; with a short name, the chart centred
// over the name's width and the name under it.
TEST_F(ChordSymbolTest, ChartDrawnInsideItsFrame) {
    DCctChordSymbol* symbol = Add(Word(1, 0, 17, CHART));
    symbol->SetPosition(0, 0);
    TenthCanvas canvas(300, 300, 50, 200);
    ASSERT_EQ(symbol->Draw(&canvas.dc, CPoint(0, 0), nullptr), 1);
    const InkBox ink = canvas.Ink();
    ASSERT_FALSE(ink.Empty());
    symbol->SetSize(nullptr);
    EXPECT_GE(ink.left, canvas.Column(0) - 1);
    EXPECT_LE(ink.right, canvas.Column(symbol->GetWidth()) + 1);
    EXPECT_GE(ink.bottom, canvas.Row(3 * NOTEHEAD));
    EXPECT_LE(ink.bottom, canvas.Row(0) + 1);
    EXPECT_GE(ink.top, canvas.Row(3 * NOTEHEAD) - 1);
}

// Placed at its time in its measure, centred, at the space above its staff.
TEST_F(ChordSymbolTest, PlacedOverItsStaffAtItsTime) {
    DCctChordSymbol* symbol = Add(Word(1, 0, 0, NAME), 2, 512);
    ASSERT_EQ(symbol->Position(nullptr, nullptr, nullptr, nullptr), 1);
    const int x = ColumnDisplay(2)->GetRuler().GetXPositionForTick(512, 0x4000);
    EXPECT_EQ(symbol->GetPosition(), CPoint(x - symbol->GetWidth() / 2, 480));

    // On a staff the conductor does not have: not placed.
    DCctChordSymbol* lost = Add(Word(1, 0, 0, NAME), 1, 0, 5);
    lost->SetPosition(7, 8);
    EXPECT_EQ(lost->Position(nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(lost->GetPosition(), CPoint(7, 8));
}

// Drawing recolours the fonts for the symbol alone; the sample puts the chart
// font's size back.
TEST_F(ChordSymbolTest, FontsPutBack) {
    MCChartFont& chart = MCChartFont::GetChartFont();
    LOGFONT before;
    chart.SaveLogFont(&before);
    const COLORREF music = MCMusicFont::GetMusicFont().GetFontColor();
    const COLORREF text = MCTextFont::GetTextFont().GetFontColor();
    DCctChordSymbol* symbol = Add(Word(15, 0, 17, NAME | CHART));
    symbol->SetSelected(1);
    TenthCanvas canvas(300, 300, 50, 200);
    CRect rect(0, 2000, 2000, 0);
    EXPECT_EQ(symbol->DrawInRect(&canvas.dc, &rect), 1);
    EXPECT_FALSE(canvas.Ink().Empty());
    EXPECT_EQ(symbol->FrameDirty(), 1) << "the score measures it again";
    symbol->Draw(&canvas.dc, CPoint(0, 0), nullptr);
    LOGFONT after;
    chart.SaveLogFont(&after);
    EXPECT_EQ(after.lfHeight, before.lfHeight);
    EXPECT_EQ(MCMusicFont::GetMusicFont().GetFontColor(), music);
    EXPECT_EQ(MCTextFont::GetTextFont().GetFontColor(), text);
}

// ---- the chart face ---------------------------------------------------------------

TEST(ChartFace, InkAtEveryChart) {
    const CSymbolFace* face = FindSymbolFace("Fretmark");
    ASSERT_NE(face, nullptr) << "the chart face was not built beside the program";
    EXPECT_EQ(face->GetFirstChar(), 33);
    EXPECT_EQ(face->GetLastChar(), 248);
    MCChartFont& chart = MCChartFont::GetChartFont();
    for (UINT code = 33; code <= 248; ++code) {
        TenthCanvas canvas(60, 100, 5, 20);
        chart.SelectFont(&canvas.dc);
        DrawMusicGlyph(&canvas.dc, 0, 0, code);
        chart.DeselectFont(&canvas.dc);
        EXPECT_FALSE(canvas.Ink().Empty()) << code;
    }
}

// Each chart of the table sounds its root and only tones of its chord (the
// augmented chord may add its seventh), the root lowest, and stands where the
// display looks for the root and type.
TEST(ChartFace, EveryChartSoundsItsChord) {
    std::ifstream file(STAFFWRIGHT_CHART_FINGERINGS);
    ASSERT_TRUE(file) << STAFFWRIGHT_CHART_FINGERINGS;
    struct Chart {
        std::string root, type;
        std::vector<int> frets;     // -1 muted
    };
    std::vector<Chart> charts;
    for (std::string line; std::getline(file, line);) {
        std::istringstream fields(line);
        Chart chart;
        if (!(fields >> chart.root) || chart.root[0] == '#')
            continue;
        fields >> chart.type;
        for (std::string fret; fields >> fret;)
            chart.frets.push_back(fret == "x" ? -1 : std::stoi(fret));
        ASSERT_EQ(chart.frets.size(), 6u) << line;
        charts.push_back(chart);
    }
    ASSERT_EQ(charts.size(), 216u);

    const std::map<std::string, int> roots = {{"C", 0}, {"C#", 1}, {"D", 2}, {"Eb", 3}, {"E", 4}, {"F", 5},
                                              {"F#", 6}, {"G", 7}, {"Ab", 8}, {"A", 9}, {"Bb", 10}, {"B", 11}};
    // By chord type code: the table's name and the tones over the root.
    const struct {
        const char* name;
        std::set<int> tones;
    } types[] = {
        {"maj", {0, 4, 7}},          {"min", {0, 3, 7}},          {"7", {0, 4, 7, 10}},
        {"dim7", {0, 3, 6, 9}},      {"min6", {0, 3, 7, 9}},      {"min7", {0, 3, 7, 10}},
        {"6", {0, 4, 7, 9}},         {"9", {0, 2, 4, 7, 10}},     {"maj7", {0, 4, 7, 11}},
        {"add9", {0, 2, 4, 7}},      {"maj7add9", {0, 2, 4, 7, 11}}, {"6/9", {0, 2, 4, 7, 9}},
        {"min9", {0, 2, 3, 7, 10}},  {"min6/9", {0, 2, 3, 7, 9}}, {"min7b5", {0, 3, 6, 10}},
        {"sus4", {0, 5, 7}},         {"7sus4", {0, 5, 7, 10}},    {"aug", {0, 4, 8, 10}},
    };
    const int open[6] = {4, 9, 2, 7, 11, 4};   // E A D G B E
    // One root code a pitch class, C to B.
    const int rootCodes[12] = {1, 2, 4, 6, 7, 10, 11, 13, 15, 16, 18, 19};

    measure_test::Score score{0, 1};
    RegistryCell symbolCell{ET_CHORDSYMBOL, RUNTIME_CLASS(DCctChordSymbol)};
    for (int pitchClass = 0; pitchClass < 12; ++pitchClass) {
        for (int type = 0; type < 18; ++type) {
            auto* event = new ECChordSymbol;
            event->SetChordType(Word(rootCodes[pitchClass], 0, type, CHART));
            score.Measure(1)->AddChild(event, 1);
            auto* symbol = dynamic_cast<DCctChordSymbol*>(event->GetData(DK_NOTATION, 1));
            ASSERT_NE(symbol, nullptr);
            const size_t index = symbol->GetFontFromType() - 33;
            ASSERT_LT(index, charts.size());
            const Chart& chart = charts[index];
            const std::string what = chart.root + " " + chart.type;
            ASSERT_EQ(roots.count(chart.root), 1u) << what;
            EXPECT_EQ(roots.at(chart.root), pitchClass) << what;
            EXPECT_EQ(chart.type, types[type].name) << what;

            std::set<int> sounding;
            int lowest = -1;
            for (int string = 0; string < 6; ++string) {
                if (chart.frets[string] < 0)
                    continue;
                const int tone = (open[string] + chart.frets[string] - pitchClass + 12) % 12;
                if (lowest < 0)
                    lowest = tone;
                sounding.insert(tone);
                EXPECT_EQ(types[type].tones.count(tone), 1u) << what << ": string " << string;
            }
            EXPECT_EQ(sounding.count(0), 1u) << what << ": no root";
            EXPECT_EQ(lowest, 0) << what << ": the root is not lowest";
        }
    }
}

}  // namespace
