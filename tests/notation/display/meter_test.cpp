// The meter display: forms, archive tail, layout of the numbers (lists and
// damaged lists), drawing, colours, placing, and the measure ruler's meter
// handler.
#include "notation/display/meter.h"
#include "notation/display/conductormeasure.h"
#include "tests/model/piece_support.h"
#include "notation/display/records.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/meter.h"
#include "model/performance.h"
#include "notation/layout/ruler.h"
#include "platform/ui/syscolor.h"
#include "model/appstates.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/display/structure_support.h"
#include "tests/notation/layout/ruler_support.h"
#include "tests/notation/support/durationgate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int H = 20;   // notehead height of the drawing tests

// The separator and a few digits as the meter writes them.
const std::string PLUS(1, static_cast<char>(DCctMeter::GLYPH_SEPARATOR));

// The wider of two texts in the music font, as the meter measures them.
int Wider(const std::string& a, const std::string& b) {
    DisplayCanvas canvas(8, 8, 0, 0);
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    font.SelectFont(&canvas.dc, FONT_NORMAL);
    const int width = std::max(canvas.dc.GetTextExtent(a).cx, canvas.dc.GetTextExtent(b).cx);
    font.DeselectFont(&canvas.dc);
    return width;
}

TEST(DisplayMeterTest, FormsGiveGlyphsAndFractions) {
    const struct {
        DCctMeter::tag_timesignaturetype type;
        UINT glyph;
        int numerator, denominator;
    } cases[] = {
        {DCctMeter::TS_COMMON, 99, 4, 4},
        {DCctMeter::TS_CUT, 67, 2, 2},
    };
    for (const auto& c : cases) {
        DCctMeter meter;
        meter.SetStateWord(0);
        meter.SetMeter(c.type);
        EXPECT_EQ(meter.GetFontFromType(), c.glyph);
        EXPECT_EQ(meter.GetNumerator(), c.numerator);
        EXPECT_EQ(meter.GetDenominator(), c.denominator);
        EXPECT_EQ(meter.FrameDirty(), 1);
        EXPECT_EQ(meter.IsDirty(), 1);
    }
    DCctMeter meter;
    meter.SetMeter(DCctMeter::TS_COMMON);
    meter.SetMeter(6 + 256, 8);   // the low byte
    EXPECT_EQ(meter.GetMeterType(), DCctMeter::TS_NUMBERS);
    EXPECT_EQ(meter.GetFontFromType(), 0u);
    EXPECT_EQ(meter.GetNumerator(), 6);
    EXPECT_EQ(meter.GetDenominator(), 8);
    meter.SetMeter({3, 2}, {8});
    EXPECT_EQ(meter.GetMeterType(), DCctMeter::TS_LISTS);
    EXPECT_EQ(meter.GetNumerators(), (std::vector<unsigned char>{3, 2}));
}

TEST(DisplayMeterTest, GoldenTailAndLoad) {
    DCctMeter meter;
    meter.SetStateWord(0);
    meter.SetMeter(DCctMeter::TS_CUT);
    meter.SetMeter(std::vector<unsigned char>{3, 2}, std::vector<unsigned char>{8});   // lists are not stored
    meter.SetMeter(7, 16);
    meter.SetMeter(DCctMeter::TS_COMMON);
    const Bytes bytes = StoredBytes(&meter);
    ASSERT_EQ(bytes.size(), 26u + 6u);   // the head, then the tail
    const Bytes tail(bytes.end() - 6, bytes.end());
    EXPECT_EQ(tail, (Bytes{0x00, 0x00, 0x00, 0x00, 4, 4}));

    DCctMeter fraction;
    fraction.SetMeter(200, 32);
    const Bytes fractionBytes = StoredBytes(&fraction);
    EXPECT_EQ(Bytes(fractionBytes.end() - 6, fractionBytes.end()), (Bytes{0x02, 0x00, 0x00, 0x00, 200, 32}));

    DCctMeter loaded;
    LoadBytes(&loaded, fractionBytes);
    EXPECT_EQ(loaded.GetMeterType(), DCctMeter::TS_NUMBERS);
    EXPECT_EQ(loaded.GetNumerator(), 200);
    EXPECT_EQ(loaded.GetDenominator(), 32);
    EXPECT_EQ(loaded.FrameDirty(), 1);
}

TEST(DisplayMeterTest, CopyTakesTheFormOnly) {
    MusicFontScope font(H);
    DisplayCanvas canvas(8, 8, 0, 0);
    DCctMeter meter;
    meter.SetMeter(std::vector<unsigned char>{3, 2}, std::vector<unsigned char>{8, 4});
    meter.SetSelected(1);
    meter.SetSize(&canvas.dc);
    ASSERT_FALSE(meter.GetDisplayEntries().empty());
    DCctMeter copy(meter);
    EXPECT_EQ(copy.GetMeterType(), DCctMeter::TS_LISTS);
    EXPECT_TRUE(copy.GetNumerators().empty());
    EXPECT_TRUE(copy.GetDenominators().empty());
    EXPECT_TRUE(copy.GetDisplayEntries().empty());
    EXPECT_EQ(copy.IsSelected(), 0);
    EXPECT_EQ(copy.FrameDirty(), 1);
}

// Texts, numerator and denominator points of each entry, after sizing.
TEST(DisplayMeterTest, ListsLayOutAsOneFractionOrARowOfFractions) {
    MusicFontScope font(H);
    DisplayCanvas canvas(8, 8, 0, 0);
    MCMusicFont& music = MCMusicFont::GetMusicFont();
    const int plusWidth = static_cast<int>(music.GetMusicMetrics(DCctMeter::GLYPH_SEPARATOR, FONT_CURRENT).GetWidth());
    ASSERT_GT(plusWidth, 0);

    // 3 + 2 + 2 over 8: one entry.
    DCctMeter joined;
    joined.SetMeter(std::vector<unsigned char>{3, 2, 2}, std::vector<unsigned char>{8});
    joined.SetSize(&canvas.dc);
    ASSERT_EQ(joined.GetDisplayEntries().size(), 1u);
    const DCctMeter::tag_displayMeter& one = joined.GetDisplayEntries()[0];
    EXPECT_EQ(one.numeratorText, "3" + PLUS + "2" + PLUS + "2");
    EXPECT_EQ(one.denominatorText, "8");
    EXPECT_EQ(one.numeratorPoint, CPoint(0, -H));   // the wider
    EXPECT_GT(one.denominatorPoint.x, 0);
    EXPECT_EQ(one.denominatorPoint.y, -3 * H);
    EXPECT_EQ(joined.GetHeight(), 4 * H);
    EXPECT_EQ(joined.GetXOfLastNumerator(),
              joined.GetWidth() - static_cast<int>(music.GetMusicMetrics(DCctMeter::GLYPH_MEASURED_DIGIT, FONT_CURRENT).GetWidth()));

    // 3/8 + 2/4: fraction, separator on the middle line, fraction.
    DCctMeter row;
    row.SetMeter(std::vector<unsigned char>{3, 2}, std::vector<unsigned char>{8, 4});
    row.SetSize(&canvas.dc);
    const auto& entries = row.GetDisplayEntries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].numeratorText, "3");
    EXPECT_EQ(entries[0].denominatorText, "8");
    EXPECT_EQ(entries[1].separatorText, PLUS);
    EXPECT_TRUE(entries[1].numeratorText.empty());
    EXPECT_EQ(entries[1].numeratorPoint, CPoint(Wider("3", "8"), -2 * H));
    EXPECT_EQ(entries[2].numeratorText, "2");
    EXPECT_EQ(entries[2].denominatorText, "4");
    const int second = Wider("2", "4");
    EXPECT_EQ(std::min(entries[2].numeratorPoint.x, entries[2].denominatorPoint.x), Wider("3", "8") + plusWidth);
    EXPECT_EQ(row.GetWidth(), Wider("3", "8") + plusWidth + second);
    EXPECT_EQ(row.GetXOfLastNumerator(), entries[2].numeratorPoint.x);
}

TEST(DisplayMeterTest, DamagedListsNeverReadPastEitherArray) {
    MusicFontScope font(H);
    DisplayCanvas canvas(8, 8, 0, 0);
    const struct {
        std::vector<unsigned char> numerators, denominators;
        std::vector<std::string> texts;   // numerator/denominator per fraction, "+" for a separator
    } cases[] = {
        // three numerators over two denominators: the last fraction takes the last one
        {{3, 2, 2}, {8, 4}, {"3/8", "+", "2/4", "+", "2/4"}},
        // more denominators than numerators: the extra ones are not drawn
        {{5}, {8, 4, 2}, {"5/8"}},
        {{3, 2}, {8, 4, 16}, {"3/8", "+", "2/4"}},
        // no numerators: the fraction's own bytes
        {{}, {8, 4}, {"0/0"}},
    };
    for (const auto& c : cases) {
        DCctMeter meter;
        meter.SetMeter(c.numerators, c.denominators);
        meter.SetSize(&canvas.dc);
        std::vector<std::string> texts;
        for (const auto& entry : meter.GetDisplayEntries())
            texts.push_back(entry.separatorText.empty() ? entry.numeratorText + "/" + entry.denominatorText : "+");
        EXPECT_EQ(texts, c.texts) << c.numerators.size() << " over " << c.denominators.size();
        DisplayCanvas drawing(200, 200, 10, 20);
        EXPECT_EQ(meter.Draw(&drawing.dc, CPoint(0, 0), nullptr), 1);
    }
}

// 6/8, 12/8 and 3/16 drawn at the top line of a staff: the numerator's ink
// lies on the upper half, the denominator's on the lower half, and the
// narrower is centred over the wider.
TEST(DisplayMeterTest, NumbersStandOnTheHalvesOfTheStaffCentred) {
    MusicFontScope font(H);
    const int top = 20;                 // device row of the top line
    const int middle = top + 2 * H;     // of the middle line
    const int bottom = top + 4 * H;
    const struct {
        int numerator, denominator;
    } cases[] = {{6, 8}, {12, 8}, {3, 16}};
    for (const auto& c : cases) {
        DisplayCanvas canvas(160, 140, 0, top);
        DCctMeter meter;
        meter.SetMeter(c.numerator, c.denominator);
        meter.SetPosition(30, 0);
        ASSERT_EQ(meter.Draw(&canvas.dc, CPoint(10, 0), nullptr), 1);
        const QImage& image = canvas.Image();
        const InkBox upper = FindInk(image, 0, middle);
        const InkBox lower = FindInk(image, middle + 1, image.height());
        ASSERT_FALSE(upper.Empty()) << c.numerator;
        ASSERT_FALSE(lower.Empty()) << c.denominator;
        EXPECT_GE(upper.top, top - 1) << c.numerator;
        EXPECT_LE(lower.bottom, bottom + 1) << c.denominator;
        EXPECT_NEAR(upper.CenterX2(), lower.CenterX2(), 4) << c.numerator << "/" << c.denominator;
        EXPECT_GE(std::min(upper.left, lower.left), 40 - 2);
        EXPECT_EQ(meter.GetHeight(), 4 * H);
    }
}

// The symbols are drawn with their reference point on the middle line.
TEST(DisplayMeterTest, SymbolsCentreOnTheMiddleLine) {
    MusicFontScope font(H);
    const int top = 20;
    for (auto type : {DCctMeter::TS_COMMON, DCctMeter::TS_CUT}) {
        DisplayCanvas canvas(120, 140, 0, top);
        DCctMeter meter;
        meter.SetMeter(type);
        ASSERT_EQ(meter.Draw(&canvas.dc, CPoint(20, 0), nullptr), 1);
        const InkBox ink = FindInk(canvas.Image(), 0, canvas.Image().height());
        ASSERT_FALSE(ink.Empty()) << type;
        EXPECT_NEAR(ink.top + ink.bottom, 2 * (top + 2 * H), 4) << type;
        EXPECT_GT(meter.GetWidth(), 0);
    }
}

// A sample drawing (a palette button) draws at the origin whatever the
// rectangle, laid out afresh, and leaves the score's glyph caches alone.
TEST(DisplayMeterTest, DrawInRectDrawsAtTheOriginAndKeepsTheCaches) {
    MusicFontScope font(H);
    DisplayCanvas canvas(120, 140, 10, 20);
    DCctMeter meter;
    meter.SetMeter(3, 4);
    meter.SetSize(&canvas.dc);
    meter.SetPosition(40, 0);
    CRect far(5000, 5000, 6000, 4000);
    EXPECT_EQ(meter.DrawInRect(&canvas.dc, &far), 1);
    const InkBox ink = FindInk(canvas.Image(), 0, canvas.Image().height());
    ASSERT_FALSE(ink.Empty());
    EXPECT_GE(ink.left, 10 + 40 - 2);
    EXPECT_NEAR(ink.top, 20, 2);
    EXPECT_EQ(meter.FrameDirty(), 0);   // sized again by the drawing
    LOGFONT logFont;
    MCMusicFont::NoteMetrics metrics;
    MCMusicFont::GetMusicFont().SaveLogFont(&logFont, &metrics);
    EXPECT_EQ(metrics.extentDirty, 0);
}

TEST(DisplayMeterTest, ColoursOnScreenAndOnPaper) {
    MusicFontScope font(H);
    DCctMeter meter;
    meter.SetMeter(6, 8);
    meter.SetColor(RGB(0, 0, 200));
    ExpectScreenAndPaperColours(meter, RGB(0, 0, 200), RGB(0, 0, 200));

    {
        PdfPage pdf("meter");
        EXPECT_EQ(meter.Draw(&pdf.dc, CPoint(1000, -1000), nullptr), 1);
        EXPECT_EQ(MCMusicFont::GetMusicFont().GetFontColor(), RGB(0, 0, 200));
    }

    // What the selected, then the ghosted meter puts on screen.
    const auto inkOf = [&meter](COLORREF color) {
        DisplayCanvas canvas(120, 140, 0, 20);
        meter.Draw(&canvas.dc, CPoint(10, 0), nullptr);
        const QImage& image = canvas.Image();
        const QRgb want = qRgb(GetRValue(color), GetGValue(color), GetBValue(color)) & 0xFFFFFF;
        int pixels = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                pixels += (image.pixel(x, y) & 0xFFFFFF) == want;
        return pixels;
    };
    meter.SetGhosted(0);
    EXPECT_GT(inkOf(SCSelection::s_color), 20);
    meter.SetGhosted(1);
    EXPECT_GT(inkOf(GetSysColor(COLOR_GRAYTEXT)), 20);
}

TEST(DisplayMeterTest, NotPlacedWithoutAConductorMeasure) {
    ECConductor conductor;
    ECMeter event;
    DCctMeter meter;
    meter.SetOwner(&event);
    EXPECT_EQ(meter.Position(&conductor, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(meter.Position(nullptr, nullptr, nullptr, nullptr), 0);
}

// At the meter slot of the conductor measure's ruler, once the conductor
// measure display is part of the plug-in.
class MeterPlaceTest : public piece::PieceTest {};

TEST_F(MeterPlaceTest, AtTheMeterSlotOfItsMeasure) {
    MakeStaves(1);
    MakeMeasures(2);
    ScopedDisplayClass measureDisplays(ET_CONDUCTORMEASURE, RUNTIME_CLASS(DCctConductorMeasure));
    ECMeasure* second = m_conductor->GetMeasure(0, MCTime(4.0f), 0, 1);
    ASSERT_NE(second, nullptr);
    ECMeter event;
    event.SetTime(second->GetTime());
    DCctMeter meter;
    meter.SetOwner(&event);
    EXPECT_EQ(meter.Position(m_conductor, nullptr, nullptr, nullptr), 0);   // no display object yet

    auto* display = dynamic_cast<DCctConductorMeasure*>(second->GetData(DK_NOTATION, 1));
    ASSERT_NE(display, nullptr);
    display->GetRuler().SetPrologX(MCRuler::PROLOG_METER, 555);
    EXPECT_EQ(meter.Position(m_conductor, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(meter.GetPosition(), CPoint(555, 0));
    meter.SetOwner(nullptr);
}

TEST(DisplayMeterTest, RegisteredForMeterEvents) {
    notation_test::StartPlugin();
    const CRuntimeClass* cls = CPluginData::GetDataClass(DK_NOTATION, ET_METER);
    ASSERT_NE(cls, nullptr);
    EXPECT_STREQ(cls->m_lpszClassName, "DCctMeter");
}

// The ruler's meter handler on a measure ruler at notehead height 120.
TEST(DisplayMeterTest, RulerHandlerSetsAndWithdrawsTheMeterSlot) {
    notation_test::StartPlugin();
    NoteheadScope notehead;
    MusicFontScope font(120);
    DisplayCanvas canvas(8, 8, 0, 0);

    ECMeter event;
    auto* meter = dynamic_cast<DCctMeter*>(event.GetData(DK_NOTATION, 1));
    ASSERT_NE(meter, nullptr);
    meter->SetMeter(std::vector<unsigned char>{3, 2, 2}, std::vector<unsigned char>{8});
    meter->SetSize(&canvas.dc);
    const int last = meter->GetXOfLastNumerator();
    ASSERT_GT(last, 0);

    MCRuler ruler;
    const int slot2 = ruler.GetPrologX(MCRuler::PROLOG_METER);
    const int end = ruler.GetPrologX(MCRuler::PROLOG_END);
    EXPECT_EQ(ruler.DoMeter(&event, 0), 1);
    EXPECT_EQ(ruler.GetPrologX(MCRuler::PROLOG_END), slot2 + last + 120 * 7 / 2);
    EXPECT_EQ(ruler.IsMeterInProlog(), 1);
    EXPECT_EQ(ruler.DoMeter(&event, 1), 1);
    EXPECT_EQ(ruler.GetPrologX(MCRuler::PROLOG_END), end);

    // Without a display object: nothing changes.
    ECMeter bare;
    EXPECT_EQ(ruler.DoMeter(&bare, 0), 0);
    EXPECT_EQ(ruler.DoMeter(nullptr, 0), 0);
    EXPECT_EQ(ruler.GetPrologX(MCRuler::PROLOG_END), end);
}

}  // namespace
