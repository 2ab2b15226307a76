// Text through a DC: the selected font realized for the mapping, drawn upright
// in logical units, measured as the face measures, with the DC's alignment,
// colours, background and DrawText's formats; checked on 96-dpi memory DCs by
// where the ink lies.
#include "dc_support.h"

#include "platform/core/object.h"
#include "platform/gdi/font.h"
#include "platform/gdi/symbolface.h"
#include "platform/gdi/textbreak.h"

#include <QFont>
#include <QRawFont>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

struct ScopedFont {
    CFont font;
    ScopedFont(const char* face, int height, int width = 0) {
        font.CreateFont(height, width, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, face);
    }
};

// The box of pixels darker than `threshold` (inclusive corners), null without ink.
QRect InkBox(const QImage& image, QRect within = {}, int threshold = 200) {
    if (within.isNull())
        within = image.rect();
    int x0 = INT_MAX, y0 = INT_MAX, x1 = -1, y1 = -1;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            if (qGray(image.pixel(x, y)) < threshold) {
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x);
                y1 = std::max(y1, y);
            }
    return x1 < 0 ? QRect() : QRect(QPoint(x0, y0), QPoint(x1, y1));
}

double LiberationAdvances(const char* text, double pixelSize) {
    QFont font("Liberation Sans");
    font.setHintingPreference(QFont::PreferNoHinting);
    QRawFont raw = QRawFont::fromFont(font);
    raw.setPixelSize(pixelSize);
    double sum = 0;
    const auto glyphs = raw.glyphIndexesForString(QString::fromUtf8(text));
    for (const QPointF& advance : raw.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics))
        sum += advance.x();
    return sum;
}

}  // namespace

TEST(DCText, TwipsTextStandsUprightOnItsBaseline) {
    MemoryCanvas canvas(400, 200);
    canvas.dc.SetMapMode(MM_TWIPS);
    ScopedFont font("Arial", -360);     // a quarter inch: 24 pixels
    canvas.dc.SelectObject(&font.font);
    canvas.dc.SetTextAlign(TA_LEFT | TA_BASELINE);
    canvas.dc.SetBkMode(TRANSPARENT);
    canvas.dc.TextOut(1440, -1440, "Ag");

    const int aWidth = canvas.dc.GetTextExtent("A").cx * 96 / 1440;
    const QRect a = InkBox(canvas.Image(), QRect(96, 0, aWidth - 1, 200));
    const QRect g = InkBox(canvas.Image(), QRect(96 + aWidth, 0, 400 - 96 - aWidth, 200));
    ASSERT_FALSE(a.isNull());
    ASSERT_FALSE(g.isNull());
    EXPECT_LE(a.bottom(), 95);              // the "A" sits on row 96, above it
    EXPECT_GE(a.top(), 96 - 24);
    EXPECT_GT(g.bottom(), 96);              // the descender hangs below
    EXPECT_LT(g.top(), 96);
}

TEST(DCText, ExtentEqualsTheFaceAdvances) {
    MemoryCanvas canvas(10, 10);
    canvas.dc.SetMapMode(MM_TWIPS);
    ScopedFont font("Arial", -180);
    canvas.dc.SelectObject(&font.font);
    const CSize extent = canvas.dc.GetTextExtent("Staffwright");
    // An em of 180 logical units: the face's advances at 180 units to the em.
    EXPECT_NEAR(extent.cx, LiberationAdvances("Staffwright", 180), 1.0);
    TEXTMETRIC metrics;
    ASSERT_TRUE(canvas.dc.GetTextMetrics(&metrics));
    EXPECT_EQ(extent.cy, metrics.tmHeight);
    EXPECT_EQ(metrics.tmHeight - metrics.tmInternalLeading, 180);

    // Character widths and the extra spacing.
    int widths[2] = {};
    ASSERT_TRUE(canvas.dc.GetCharWidth('S', 'T', widths));
    EXPECT_NEAR(widths[0], LiberationAdvances("S", 180), 1.0);
    canvas.dc.SetTextCharacterExtra(10);
    EXPECT_EQ(canvas.dc.GetTextExtent("Staffwright").cx, extent.cx + 110);
}

TEST(DCText, AFontIsRealizedAgainWhenTheMappingChanges) {
    MemoryCanvas canvas(10, 10);
    ScopedFont font("Arial", -20);
    canvas.dc.SelectObject(&font.font);
    const CSize text = canvas.dc.GetTextExtent("Staffwright");       // MM_TEXT: pixels
    canvas.dc.SetMapMode(MM_ANISOTROPIC);
    canvas.dc.SetWindowExt(200, 200);
    canvas.dc.SetViewportExt(100, 100);                                // half a pixel a unit
    const CSize half = canvas.dc.GetTextExtent("Staffwright");
    // The same logical em (20 units) measures the same in logical units, within rounding.
    EXPECT_NEAR(half.cx, text.cx, 1);
    canvas.dc.SetViewportExt(400, 400);
    EXPECT_NEAR(canvas.dc.GetTextExtent("Staffwright").cx, text.cx, 1);
}

TEST(DCText, HalfTheAverageWidthHalvesExtentsAndInk) {
    MemoryCanvas canvas(600, 100);
    ScopedFont wide("Arial", -40);
    canvas.dc.SelectObject(&wide.font);
    TEXTMETRIC metrics;
    canvas.dc.GetTextMetrics(&metrics);
    const int wideExtent = canvas.dc.GetTextExtent("Staffwright").cx;
    canvas.dc.SetBkMode(TRANSPARENT);
    canvas.dc.TextOut(10, 10, "Staffwright");
    const QRect wideInk = InkBox(canvas.Image());

    MemoryCanvas narrowCanvas(600, 100);
    ScopedFont narrow("Arial", -40, metrics.tmAveCharWidth / 2);
    narrowCanvas.dc.SelectObject(&narrow.font);
    narrowCanvas.dc.SetBkMode(TRANSPARENT);
    const int narrowExtent = narrowCanvas.dc.GetTextExtent("Staffwright").cx;
    narrowCanvas.dc.TextOut(10, 10, "Staffwright");
    const QRect narrowInk = InkBox(narrowCanvas.Image());

    const double ratio = (metrics.tmAveCharWidth / 2) / static_cast<double>(metrics.tmAveCharWidth);
    EXPECT_NEAR(narrowExtent, wideExtent * ratio, 2);
    EXPECT_NEAR(narrowInk.width(), wideInk.width() * ratio, 3);
    EXPECT_EQ(narrowInk.height(), wideInk.height());
}

TEST(DCText, AlignmentColoursAndTheCurrentPosition) {
    MemoryCanvas canvas(300, 60);
    ScopedFont font("Arial", -20);
    canvas.dc.SelectObject(&font.font);
    const int width = canvas.dc.GetTextExtent("Mm").cx;

    // Right-aligned text ends at its reference point; the text colour inks it.
    canvas.dc.SetBkMode(TRANSPARENT);
    canvas.dc.SetTextColor(RGB(255, 0, 0));
    canvas.dc.SetTextAlign(TA_RIGHT | TA_TOP);
    canvas.dc.TextOut(200, 10, "Mm");
    const QRect ink = InkBox(canvas.Image());
    EXPECT_LE(ink.right(), 200);
    EXPECT_GE(ink.left(), 200 - width - 1);
    bool red = false;
    for (int y = ink.top(); y <= ink.bottom(); ++y)
        for (int x = ink.left(); x <= ink.right(); ++x)
            red = red || canvas.Pixel(x, y) == 0xFF0000u;
    EXPECT_TRUE(red);

    // TA_UPDATECP draws at the current position and moves it by the extent.
    canvas.dc.SetTextAlign(TA_LEFT | TA_TOP | TA_UPDATECP);
    canvas.dc.MoveTo(5, 30);
    canvas.dc.TextOut(999, 999, "Mm");
    canvas.dc.TextOut(999, 999, "Mm");
    EXPECT_NEAR(canvas.dc.GetCurrentPosition().x, 5 + 2 * width, 1);
    EXPECT_EQ(canvas.dc.GetCurrentPosition().y, 30);
}

TEST(DCText, BackgroundAndClipping) {
    // OPAQUE fills the text's cell with the background colour; TRANSPARENT leaves it.
    for (const int mode : {OPAQUE, TRANSPARENT}) {
        SCOPED_TRACE(mode);
        MemoryCanvas canvas(200, 60);
        ScopedFont font("Arial", -20);
        canvas.dc.SelectObject(&font.font);
        canvas.dc.SetBkMode(mode);
        canvas.dc.SetBkColor(RGB(0, 0, 255));
        canvas.dc.TextOut(10, 10, "i");
        const CSize cell = canvas.dc.GetTextExtent("i");
        const QRgb corner = canvas.Image().pixel(10, 10 + cell.cy - 1);
        EXPECT_EQ(corner & 0xFFFFFF, mode == OPAQUE ? 0x0000FFu : 0xFFFFFFu);
        EXPECT_EQ(canvas.Pixel(10 + cell.cx + 1, 12), 0xFFFFFFu);
    }

    // ETO_OPAQUE fills the rectangle; ETO_CLIPPED keeps the text inside it.
    MemoryCanvas canvas(200, 60);
    ScopedFont font("Arial", -30);
    canvas.dc.SelectObject(&font.font);
    canvas.dc.SetBkMode(TRANSPARENT);
    canvas.dc.SetBkColor(RGB(0, 255, 0));
    const RECT box{10, 10, 40, 50};
    canvas.dc.ExtTextOut(10, 10, ETO_OPAQUE | ETO_CLIPPED, &box, "WWWWWW");
    EXPECT_EQ(canvas.Pixel(10, 49), 0x00FF00u);
    EXPECT_EQ(InkBox(canvas.Image()), QRect(10, 10, 30, 40));
}

TEST(DCText, DrawTextFormats) {
    MemoryCanvas canvas(300, 100);
    ScopedFont font("Arial", -20);
    canvas.dc.SelectObject(&font.font);
    canvas.dc.SetBkMode(TRANSPARENT);
    const CSize extent = canvas.dc.GetTextExtent("Staff");

    RECT calc{10, 10, 10, 10};
    EXPECT_EQ(canvas.dc.DrawText("Staff", &calc, DT_CALCRECT | DT_SINGLELINE), extent.cy);
    EXPECT_EQ(calc.right, 10 + extent.cx);
    EXPECT_EQ(calc.bottom, 10 + extent.cy);
    RECT prefixed{0, 0, 0, 0};
    canvas.dc.DrawText("&Staff", &prefixed, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(prefixed.right, extent.cx);

    struct Case {
        UINT format;
        int expectedLeft;      // ink's left edge, within 3 pixels
    };
    const RECT rect{0, 0, 300, 100};
    for (const Case& c : {Case{DT_LEFT, 0}, Case{DT_CENTER, (300 - extent.cx) / 2}, Case{DT_RIGHT, 300 - extent.cx}}) {
        SCOPED_TRACE(c.format);
        MemoryCanvas page(300, 100);
        page.dc.SelectObject(&font.font);
        page.dc.SetBkMode(TRANSPARENT);
        RECT r = rect;
        page.dc.DrawText("Staff", &r, c.format | DT_VCENTER | DT_SINGLELINE);
        const QRect ink = InkBox(page.Image());
        EXPECT_NEAR(ink.left(), c.expectedLeft, 3);
        EXPECT_NEAR(ink.center().y(), 50, 6);       // centred vertically
    }

    // In y-up mapping the computed rectangle grows downwards on the page.
    MemoryCanvas twips(10, 10);
    twips.dc.SetMapMode(MM_TWIPS);
    twips.dc.SelectObject(&font.font);
    RECT up{0, 0, 0, 0};
    twips.dc.DrawText("Staff", &up, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_LT(up.bottom, 0);
    EXPECT_GT(up.right, 0);
}

TEST(DCText, DrawTextBreaksLinesBetweenWords) {
    MemoryCanvas canvas(10, 10);
    ScopedFont font("Arial", -20);
    canvas.dc.SelectObject(&font.font);
    const auto width = [&](const char* text) { return static_cast<int>(canvas.dc.GetTextExtent(text).cx); };

    struct Case {
        const char* text;
        int width;                          // logical units
        UINT format;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"alpha beta gamma", width("alpha beta"), DT_WORDBREAK, {"alpha beta", "gamma"}},
        {"alpha beta gamma", width("alpha beta") - 1, DT_WORDBREAK, {"alpha", "beta", "gamma"}},
        {"alpha beta gamma", 1000, DT_WORDBREAK, {"alpha beta gamma"}},
        // The spaces at a break belong to neither line; leading spaces stay.
        {"alpha   beta", width("alpha"), DT_WORDBREAK, {"alpha", "beta"}},
        {"  alpha beta", width("  alpha"), DT_WORDBREAK, {"  alpha", "beta"}},
        // Line breaks still break, each paragraph wrapped by itself.
        {"alpha beta\ngamma", 1000, DT_WORDBREAK, {"alpha beta", "gamma"}},
        {"alpha beta\r\n\r\ngamma", width("alpha"), DT_WORDBREAK, {"alpha", "beta", "", "gamma"}},
        {"alpha\rbeta", 1000, 0, {"alpha", "beta"}},
        // A word wider than the rectangle stands alone and overflows it ...
        {"a extraordinary b", width("a b"), DT_WORDBREAK, {"a", "extraordinary", "b"}},
        // ... an edit control breaks it between characters ...
        {"abcdefg hi", width("abc"), DT_WORDBREAK | DT_EDITCONTROL, {"abc", "def", "g hi"}},
        // ... and a word ellipsis cuts it.
        {"extraordinary b", width("extra..."), DT_WORDBREAK | DT_WORD_ELLIPSIS, {"extra...", "b"}},
        // Without DT_WORDBREAK a line is as long as its paragraph; a single line takes everything.
        {"alpha beta gamma", width("alpha"), 0, {"alpha beta gamma"}},
        {"alpha beta\ngamma", width("alpha"), DT_WORDBREAK | DT_SINGLELINE, {"alpha beta gamma"}},
        // Mnemonic prefixes go before the words are measured.
        {"&Open the &&file", width("Open the &file"), DT_WORDBREAK, {"Open the &file"}},
        {"", 100, DT_WORDBREAK, {""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BreakTextLines(canvas.dc, c.text, c.width, c.format), c.lines) << c.text << " in " << c.width;
}

TEST(DCText, DrawTextWrapsAndComputesTheWrappedRectangle) {
    ScopedFont font("Arial", -20);
    MemoryCanvas canvas(300, 200);
    canvas.dc.SelectObject(&font.font);
    canvas.dc.SetBkMode(TRANSPARENT);
    TEXTMETRIC metrics;
    canvas.dc.GetTextMetrics(&metrics);
    const int line = metrics.tmHeight;
    const CSize first = canvas.dc.GetTextExtent("alpha beta");
    const char* text = "alpha beta gamma";

    // DT_CALCRECT keeps the width asked for as the limit, narrows to the widest
    // line, extends the bottom over every line, and draws nothing.
    RECT calc{10, 20, 10 + first.cx + 2, 20};
    EXPECT_EQ(canvas.dc.DrawText(text, &calc, DT_WORDBREAK | DT_CALCRECT), 2 * line);
    EXPECT_EQ(calc.right, 10 + first.cx);
    EXPECT_EQ(calc.bottom, 20 + 2 * line);
    EXPECT_TRUE(InkBox(canvas.Image()).isNull());

    // A word wider than the rectangle widens it.
    RECT narrow{0, 0, 5, 0};
    EXPECT_EQ(canvas.dc.DrawText("tiny extraordinary", &narrow, DT_WORDBREAK | DT_CALCRECT), 2 * line);
    EXPECT_EQ(narrow.right, canvas.dc.GetTextExtent("extraordinary").cx);

    // Drawn into that rectangle, the ink stays inside it on as many lines as computed.
    canvas.dc.DrawText(text, &calc, DT_WORDBREAK);
    const QRect ink = InkBox(canvas.Image());
    ASSERT_FALSE(ink.isNull());
    EXPECT_GE(ink.left(), 10);
    EXPECT_LE(ink.right(), calc.right);
    EXPECT_GE(ink.top(), 20);
    EXPECT_LE(ink.bottom(), calc.bottom);
    EXPECT_GT(ink.height(), line);   // more than one line's band

    // In y-up mapping the wrapped rectangle grows downwards on the page.
    MemoryCanvas twips(10, 10);
    twips.dc.SetMapMode(MM_TWIPS);
    twips.dc.SelectObject(&font.font);
    twips.dc.GetTextMetrics(&metrics);
    const int wide = twips.dc.GetTextExtent("alpha beta").cx;
    RECT up{0, 0, wide, 0};
    EXPECT_EQ(twips.dc.DrawText(text, &up, DT_WORDBREAK | DT_CALCRECT), 2 * metrics.tmHeight);
    EXPECT_EQ(up.bottom, -2 * metrics.tmHeight);
}

TEST(DCText, StockFontsAndTheCurrentFont) {
    CDC dc;
    EXPECT_EQ(dc.GetCurrentFont(), GetStockFont(SYSTEM_FONT));
    dc.SelectStockObject(DEFAULT_GUI_FONT);
    ASSERT_EQ(dc.GetCurrentFont(), GetStockFont(DEFAULT_GUI_FONT));
    char face[LF_FACESIZE];
    EXPECT_EQ(dc.GetTextFace(LF_FACESIZE, face), 13);
    EXPECT_STREQ(face, "MS Sans Serif");
    TEXTMETRIC metrics;
    ASSERT_TRUE(dc.GetTextMetrics(&metrics));
    EXPECT_EQ(metrics.tmHeight - metrics.tmInternalLeading, 11);   // 8 points at 96 per inch

    // A selected font deleted while selected keeps drawing as it was described.
    auto font = std::make_unique<ScopedFont>("Courier New", -30);
    dc.SelectObject(&font->font);
    font.reset();
    ASSERT_TRUE(dc.GetTextMetrics(&metrics));
    EXPECT_EQ(metrics.tmHeight - metrics.tmInternalLeading, 30);
}

TEST(DCText, ASymbolTableDrawsAndMeasuresThroughTheDC) {
    static const bool registered = [] {
        RegisterSymbolFace(std::make_unique<CSymbolFace>(
            "DC Test Music", std::vector<std::string>{"emmentaler-20.otf"},
            std::vector<SymbolCode>{{'A', {{0, "noteheads.s2"}}}, {'B', {{0, "clefs.G"}}}}));
        return true;
    }();
    (void)registered;
    ASSERT_NE(FindSymbolFace("DC Test Music"), nullptr);

    MemoryCanvas canvas(200, 200);
    ScopedFont font("DC Test Music", -80);
    canvas.dc.SelectObject(&font.font);
    canvas.dc.SetBkMode(TRANSPARENT);
    TEXTMETRIC metrics;
    canvas.dc.GetTextMetrics(&metrics);
    EXPECT_EQ(metrics.tmFirstChar, 'A');
    EXPECT_EQ(metrics.tmLastChar, 'B');

    canvas.dc.SetTextAlign(TA_BASELINE);
    canvas.dc.TextOut(50, 150, "B");
    const QRect ink = InkBox(canvas.Image(), {}, 128);
    ASSERT_FALSE(ink.isNull());
    // The clef's ink is the outline's box, placed at the baseline point.
    const MAT2 identity = {DoubleToFixed(1), DoubleToFixed(0), DoubleToFixed(0), DoubleToFixed(1)};
    GLYPHMETRICS glyph;
    ASSERT_NE(canvas.dc.GetGlyphOutline('B', GGO_METRICS, &glyph, 0, nullptr, &identity), GDI_ERROR);
    EXPECT_NEAR(ink.left(), 50 + glyph.gmptGlyphOrigin.x, 2);
    EXPECT_NEAR(ink.top(), 150 - glyph.gmptGlyphOrigin.y, 2);
    EXPECT_NEAR(ink.width(), static_cast<int>(glyph.gmBlackBoxX), 2);
    EXPECT_NEAR(ink.height(), static_cast<int>(glyph.gmBlackBoxY), 2);
    EXPECT_EQ(canvas.dc.GetTextExtent("B").cx, glyph.gmCellIncX);
    // A code the table lacks draws nothing and measures 0.
    EXPECT_EQ(canvas.dc.GetTextExtent("Z").cx, 0);
}

namespace {

// Notes what a DC tells its observer, in order.
class NotingObserver : public CDrawingObserver {
public:
    void OnDrawObject(const CObject* object) override { heard.push_back(object ? "object" : "none"); }
    void OnTextBegin(std::string_view text, const LOGFONT& font) override {
        heard.push_back("begin " + std::string(text) + " " + font.lfFaceName);
        inkAtBegin = InkBox(*image).isNull() ? 0 : 1;
    }
    void OnTextEnd() override { heard.push_back("end"); }

    std::vector<std::string> heard;
    const QImage* image = nullptr;
    int inkAtBegin = -1;
};

class Tag : public CObject {};

}  // namespace

// The observer hears the object named and each text run around its
// drawing (TextOut and each line of DrawText); the drawing is the same
// with it as without, and a DC without one is told nothing.
TEST(DCText, AnObserverHearsTheObjectAndEachTextAroundItsDrawing) {
    MemoryCanvas plain(200, 60);
    MemoryCanvas observed(200, 60);
    NotingObserver observer;
    observer.image = &observed.Image();
    observed.dc.SetDrawingObserver(&observer);
    Tag tag;
    for (MemoryCanvas* canvas : {&plain, &observed}) {
        ScopedFont font("Arial", -20);
        canvas->dc.SelectObject(&font.font);
        canvas->dc.SetDrawingObject(&tag);
        canvas->dc.TextOut(4, 4, "Ab");
        RECT box{4, 30, 200, 60};
        canvas->dc.DrawText("Cd", &box, DT_LEFT);
        canvas->dc.SetDrawingObject(nullptr);
    }
    EXPECT_EQ(observer.heard,
              (std::vector<std::string>{"object", "begin Ab Arial", "end", "begin Cd Arial", "end", "none"}));
    EXPECT_EQ(observer.inkAtBegin, 1) << "the second run begins after the first was drawn";
    EXPECT_EQ(plain.Image(), observed.Image());
    EXPECT_EQ(plain.dc.GetDrawingObserver(), nullptr);
}
