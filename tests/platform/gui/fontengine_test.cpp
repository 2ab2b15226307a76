// The font engine: faces, sizes, measures, drawing and outlines, checked on
// 96-dpi images by where the ink lies.
#include "platform/gdi/fontengine.h"
#include "platform/gdi/symbolface.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

LOGFONT MakeLogFont(const char* face, int height, int width = 0) {
    LOGFONT logFont;
    logFont.lfHeight = height;
    logFont.lfWidth = width;
    logFont.lfWeight = FW_NORMAL;
    SetFaceName(logFont, face);
    return logFont;
}

QImage Page(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    const int dotsPerMeter = static_cast<int>(std::lround(96 / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    return image;
}

// The box of every pixel with ink (x0, y0 inclusive; x1, y1 exclusive), null
// when there is none; limited to the columns [from, to).
QRect InkBox(const QImage& image, int from = 0, int to = -1) {
    if (to < 0)
        to = image.width();
    int x0 = image.width(), y0 = image.height(), x1 = -1, y1 = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = from; x < to; ++x)
            if (qGray(image.pixel(x, y)) < 250) {
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x);
                y1 = std::max(y1, y);
            }
    return x1 < 0 ? QRect() : QRect(QPoint(x0, y0), QPoint(x1, y1));
}

double DesignAdvances(const QString& family, double pixelSize, const QString& text) {
    QFont font(family);
    font.setHintingPreference(QFont::PreferNoHinting);
    QRawFont raw = QRawFont::fromFont(font);
    raw.setPixelSize(pixelSize);
    const QList<quint32> glyphs = raw.glyphIndexesForString(text);
    double sum = 0;
    for (const QPointF& advance : raw.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics))
        sum += advance.x();
    return sum;
}

const MAT2 kIdentity = {DoubleToFixed(1), DoubleToFixed(0), DoubleToFixed(0), DoubleToFixed(1)};

// A native outline read back: per polygon, its record types and every point.
struct Outline {
    std::vector<DWORD> polygonTypes;
    std::vector<WORD> recordTypes;
    std::vector<QPointF> points;    // y up
    bool wellFormed = true;
};

Outline ReadOutline(const std::vector<uint8_t>& buffer) {
    Outline outline;
    auto point = [](const POINTFX& p) { return QPointF(FixedToDouble(p.x), FixedToDouble(p.y)); };
    size_t at = 0;
    while (at < buffer.size()) {
        TTPOLYGONHEADER header;
        if (at + sizeof header > buffer.size()) {
            outline.wellFormed = false;
            break;
        }
        std::memcpy(&header, buffer.data() + at, sizeof header);
        if (header.cb < sizeof header || at + header.cb > buffer.size()) {
            outline.wellFormed = false;
            break;
        }
        outline.polygonTypes.push_back(header.dwType);
        outline.points.push_back(point(header.pfxStart));
        size_t record = at + sizeof header;
        while (record < at + header.cb) {
            WORD type, count;
            std::memcpy(&type, buffer.data() + record, 2);
            std::memcpy(&count, buffer.data() + record + 2, 2);
            outline.recordTypes.push_back(type);
            for (WORD i = 0; i < count; ++i) {
                POINTFX p;
                std::memcpy(&p, buffer.data() + record + 4 + i * sizeof p, sizeof p);
                outline.points.push_back(point(p));
            }
            record += 4 + count * sizeof(POINTFX);
        }
        outline.wellFormed = outline.wellFormed && record == at + header.cb;
        at += header.cb;
    }
    return outline;
}

std::vector<uint8_t> NativeOutline(const CRealizedFont& font, unsigned ch, GLYPHMETRICS& metrics) {
    const DWORD size = font.GetGlyphOutline(ch, GGO_NATIVE, &metrics, 0, nullptr, &kIdentity);
    if (size == GDI_ERROR)
        return {};
    std::vector<uint8_t> buffer(size);
    EXPECT_EQ(font.GetGlyphOutline(ch, GGO_NATIVE, &metrics, size, buffer.data(), &kIdentity), size);
    return buffer;
}

// The two-code symbol face of these tests: "A" a black notehead, "B" a treble clef.
const CSymbolFace* TestMusicFace() {
    static const bool registered = [] {
        RegisterSymbolFace(std::make_unique<CSymbolFace>(
            "Test Music", std::vector<std::string>{"emmentaler-20.otf"},
            std::vector<SymbolCode>{{'A', {{0, "noteheads.s2"}}}, {'B', {{0, "clefs.G"}}}}));
        return true;
    }();
    (void)registered;
    return FindSymbolFace("Test Music");
}

}  // namespace

TEST(FontEngineTest, FaceNamesMapToTheMetricCompatibleFaces) {
    const struct { const char* face; const char* family; } cases[] = {
        {"Times New Roman", "Liberation Serif"}, {"Arial", "Liberation Sans"},
        {"MS Sans Serif", "Liberation Sans"},    {"Helv", "Liberation Sans"},
        {"Courier", "Liberation Mono"},          {"courier new", "Liberation Mono"},
        {"DejaVu Sans", "DejaVu Sans"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MapFaceName(c.face), c.family) << c.face;
        if (std::string(c.family).starts_with("Liberation")) {
            EXPECT_EQ(CRealizedFont::Create(MakeLogFont(c.face, -20), {})->GetFamily(), c.family) << c.face;
        }
    }
}

TEST(FontEngineTest, HeightsGiveTheEmTheCellOrTwelvePoints) {
    TEXTMETRIC character, cell, byDefault;
    CRealizedFont::Create(MakeLogFont("Arial", -180), {})->GetTextMetrics(character);
    EXPECT_EQ(character.tmHeight - character.tmInternalLeading, 180);
    EXPECT_EQ(character.tmHeight, character.tmAscent + character.tmDescent);
    EXPECT_GT(character.tmInternalLeading, 0);

    // A positive height is the cell: ascent and descent fill it.
    CRealizedFont::Create(MakeLogFont("Arial", character.tmHeight), {})->GetTextMetrics(cell);
    EXPECT_EQ(cell.tmHeight, character.tmHeight);
    EXPECT_EQ(cell.tmInternalLeading, character.tmInternalLeading);

    // Twelve points at 96 pixels per inch: a 16-pixel em.
    const auto defaultFont = CRealizedFont::Create(MakeLogFont("Arial", 0), {1, 1, 96});
    EXPECT_DOUBLE_EQ(defaultFont->GetEmHeight(), 16.0);
    defaultFont->GetTextMetrics(byDefault);
    EXPECT_EQ(byDefault.tmWeight, FW_NORMAL);
    EXPECT_EQ(byDefault.tmFirstChar, 0x1E);
    EXPECT_EQ(byDefault.tmLastChar, 0xFF);
}

TEST(FontEngineTest, DescriptionsFromOutsideRealizeWithinBounds) {
    // A stored record may hold any numbers: none may overflow or stall drawing.
    const struct { int32_t height, width; } cases[] = {
        {INT32_MIN, 0}, {INT32_MAX, INT32_MIN}, {-20, INT32_MAX}, {-20, 1}, {1, 0},
    };
    for (const auto& c : cases) {
        const auto font = CRealizedFont::Create(MakeLogFont("Arial", c.height, c.width), {});
        EXPECT_LE(font->GetEmHeight(), 16384) << c.height;
        EXPECT_GT(font->GetEmHeight(), 0) << c.height;
        EXPECT_LE(font->GetStretch(), 64) << c.width;
        QImage page = Page(40, 40);
        QPainter painter(&page);
        painter.setPen(Qt::black);
        EXPECT_GE(font->DrawText(painter, QPointF(5, 20), "Ag", TA_BASELINE), 0) << c.height;
        GLYPHMETRICS metrics;
        EXPECT_NE(font->GetGlyphOutline('A', GGO_NATIVE, &metrics, 0, nullptr, &kIdentity), GDI_ERROR);
    }
}

TEST(FontEngineTest, ExtentIsTheFacesDesignAdvances) {
    const auto font = CRealizedFont::Create(MakeLogFont("Arial", -180), {});
    const SIZE extent = font->GetTextExtent("Staffwright");
    EXPECT_NEAR(extent.cx, DesignAdvances("Liberation Sans", 180, "Staffwright"), 1.0);
    TEXTMETRIC tm;
    font->GetTextMetrics(tm);
    EXPECT_EQ(extent.cy, tm.tmHeight);

    // The per-character widths add up to the extent (no kerning).
    int widths[3] = {};
    ASSERT_TRUE(font->GetCharWidth('S', 'U', widths));
    EXPECT_NEAR(widths[0], DesignAdvances("Liberation Sans", 180, "S"), 0.5);
    EXPECT_NEAR(font->GetTextWidth("SS"), 2 * font->GetTextWidth("S"), 1e-9);
}

TEST(FontEngineTest, LogicalMeasuresMoveWithTheZoomOnlyByRounding) {
    const auto atOne = CRealizedFont::Create(MakeLogFont("Times New Roman", -240), {});
    const SIZE reference = atOne->GetTextExtent("Staffwright");
    TEXTMETRIC referenceMetrics;
    atOne->GetLogicalTextMetrics(referenceMetrics);
    // Twips on a 96-dpi screen (1/15), and zooms in and out of it.
    for (double scale : {1.0 / 15, 1.0 / 30, 2.0 / 15, 0.37, 3.0}) {
        const auto font = CRealizedFont::Create(MakeLogFont("Times New Roman", -240), {scale, scale, 96});
        EXPECT_NEAR(font->GetTextExtent("Staffwright").cx, reference.cx, 1) << scale;
        TEXTMETRIC tm;
        font->GetLogicalTextMetrics(tm);
        EXPECT_NEAR(tm.tmAscent, referenceMetrics.tmAscent, 1) << scale;
        EXPECT_NEAR(tm.tmAveCharWidth, referenceMetrics.tmAveCharWidth, 1) << scale;
    }
}

TEST(FontEngineTest, AgStandsOnItsBaseline) {
    // "Ag" in twips at 96 dpi (15 logical units a pixel), its baseline on row 96.
    const auto font = CRealizedFont::Create(MakeLogFont("Arial", -360), {1.0 / 15, 1.0 / 15, 96});
    for (unsigned align : {unsigned(TA_BASELINE), unsigned(TA_TOP), unsigned(TA_BOTTOM)}) {
        QImage page = Page(120, 160);
        QPainter painter(&page);
        painter.setPen(Qt::black);
        // The same baseline whatever the alignment's reference point.
        const double y = align == TA_TOP ? 96 - font->GetAscent()
                         : align == TA_BOTTOM ? 96 + font->GetDescent() : 96;
        const double width = font->DrawText(painter, QPointF(10, y), "Ag", align);
        painter.end();
        const int aEnd = 10 + static_cast<int>(font->GetTextWidth("A"));
        const QRect a = InkBox(page, 0, aEnd);
        const QRect g = InkBox(page, aEnd + 1, page.width());
        ASSERT_FALSE(a.isNull());
        ASSERT_FALSE(g.isNull());
        EXPECT_LE(a.bottom(), 95) << align;          // the A above row 96
        EXPECT_GE(a.bottom(), 94) << align;          // and standing on it
        EXPECT_GT(g.bottom(), 96) << align;          // the descender below
        EXPECT_NEAR(width, font->GetTextWidth("Ag"), 1e-9);
    }
}

TEST(FontEngineTest, AlignmentPlacesTheReferencePoint) {
    const auto font = CRealizedFont::Create(MakeLogFont("Arial", -40), {});
    const double width = font->GetTextWidth("Hello");
    const struct { unsigned align; double dx, dy; } cases[] = {
        {TA_LEFT | TA_TOP, 0, font->GetAscent()},
        {TA_RIGHT | TA_BASELINE, -width, 0},
        {TA_CENTER | TA_BOTTOM, -width / 2, -font->GetDescent()},
        {TA_CENTER | TA_BASELINE | TA_UPDATECP, -width / 2, 0},
    };
    for (const auto& c : cases) {
        const QPointF origin = font->GetBaselineOrigin(QPointF(100, 100), "Hello", c.align);
        EXPECT_NEAR(origin.x(), 100 + c.dx, 1e-9) << c.align;
        EXPECT_NEAR(origin.y(), 100 + c.dy, 1e-9) << c.align;
    }
}

TEST(FontEngineTest, HalfTheAverageWidthHalvesExtentsInkAndOutlines) {
    const auto natural = CRealizedFont::Create(MakeLogFont("Arial", -180), {});
    TEXTMETRIC tm;
    natural->GetTextMetrics(tm);
    const auto narrow = CRealizedFont::Create(MakeLogFont("Arial", -180, tm.tmAveCharWidth / 2), {});
    TEXTMETRIC narrowMetrics;
    narrow->GetTextMetrics(narrowMetrics);
    EXPECT_EQ(narrowMetrics.tmAveCharWidth, tm.tmAveCharWidth / 2);
    EXPECT_EQ(narrowMetrics.tmHeight, tm.tmHeight);

    const double ratio = (tm.tmAveCharWidth / 2) / (natural->GetStretch() * tm.tmAveCharWidth);
    const SIZE wide = natural->GetTextExtent("Staffwright");
    EXPECT_NEAR(narrow->GetTextExtent("Staffwright").cx, wide.cx * ratio, 1);

    QImage widePage = Page(1100, 260), narrowPage = Page(1100, 260);
    for (auto [font, page] : {std::pair{natural, &widePage}, std::pair{narrow, &narrowPage}}) {
        QPainter painter(page);
        painter.setPen(Qt::black);
        font->DrawText(painter, QPointF(10, 20), "Staffwright", TA_TOP);
    }
    const QRect wideInk = InkBox(widePage), narrowInk = InkBox(narrowPage);
    EXPECT_NEAR(narrowInk.width(), wideInk.width() * ratio, 2);
    EXPECT_EQ(narrowInk.height(), wideInk.height());

    GLYPHMETRICS wideGlyph, narrowGlyph;
    ASSERT_NE(natural->GetGlyphOutline('W', GGO_METRICS, &wideGlyph, 0, nullptr, &kIdentity), GDI_ERROR);
    ASSERT_NE(narrow->GetGlyphOutline('W', GGO_METRICS, &narrowGlyph, 0, nullptr, &kIdentity), GDI_ERROR);
    EXPECT_NEAR(narrowGlyph.gmBlackBoxX, wideGlyph.gmBlackBoxX * ratio, 2);
    EXPECT_NEAR(narrowGlyph.gmCellIncX, wideGlyph.gmCellIncX * ratio, 1);
    EXPECT_EQ(narrowGlyph.gmBlackBoxY, wideGlyph.gmBlackBoxY);
}

TEST(FontEngineTest, NativeOutlineOfOIsLinesAndQuadraticsInsideItsBlackBox) {
    const auto font = CRealizedFont::Create(MakeLogFont("Times New Roman", -200), {});
    GLYPHMETRICS metrics;
    const std::vector<uint8_t> buffer = NativeOutline(*font, 'O', metrics);
    ASSERT_FALSE(buffer.empty());
    const Outline outline = ReadOutline(buffer);
    ASSERT_TRUE(outline.wellFormed);
    EXPECT_EQ(outline.polygonTypes, (std::vector<DWORD>{TT_POLYGON_TYPE, TT_POLYGON_TYPE}));
    bool quadratic = false;
    for (WORD type : outline.recordTypes) {
        EXPECT_TRUE(type == TT_PRIM_LINE || type == TT_PRIM_QSPLINE) << type;
        quadratic = quadratic || type == TT_PRIM_QSPLINE;
    }
    EXPECT_TRUE(quadratic);
    const double left = metrics.gmptGlyphOrigin.x, top = metrics.gmptGlyphOrigin.y;
    for (const QPointF& p : outline.points) {
        EXPECT_GE(p.x(), left);
        EXPECT_LE(p.x(), left + metrics.gmBlackBoxX);
        EXPECT_LE(p.y(), top);
        EXPECT_GE(p.y(), top - static_cast<double>(metrics.gmBlackBoxY));
    }
    // The O stands on the baseline and fills most of the cap height.
    EXPECT_NEAR(top - static_cast<double>(metrics.gmBlackBoxY), 0, 4);
    EXPECT_GT(top, 0.6 * 200);
    EXPECT_NEAR(metrics.gmCellIncX, font->GetTextWidth("O"), 0.5);
}

TEST(FontEngineTest, GlyphOutlineAnswersSizesAndErrorsAsDocumented) {
    const auto font = CRealizedFont::Create(MakeLogFont("Times New Roman", -50), {});
    GLYPHMETRICS metrics;
    const DWORD size = font->GetGlyphOutline('O', GGO_NATIVE, &metrics, 0, nullptr, &kIdentity);
    ASSERT_NE(size, GDI_ERROR);
    std::vector<uint8_t> buffer(size);
    EXPECT_EQ(font->GetGlyphOutline('O', GGO_NATIVE, &metrics, size - 1, buffer.data(), &kIdentity), GDI_ERROR);
    EXPECT_EQ(font->GetGlyphOutline('O', GGO_NATIVE, &metrics, size, nullptr, &kIdentity), size);
    EXPECT_EQ(font->GetGlyphOutline('O', GGO_NATIVE, &metrics, size, buffer.data(), nullptr), GDI_ERROR);
    EXPECT_EQ(font->GetGlyphOutline('O', GGO_BEZIER, &metrics, 0, nullptr, &kIdentity), GDI_ERROR);
    EXPECT_EQ(font->GetGlyphOutline(0xE000, GGO_METRICS, &metrics, 0, nullptr, &kIdentity), GDI_ERROR);

    // A space has no outline and a one-pixel box; its advance stands.
    ASSERT_EQ(font->GetGlyphOutline(' ', GGO_NATIVE, &metrics, 0, nullptr, &kIdentity), 0u);
    EXPECT_EQ(metrics.gmBlackBoxX, 1u);
    EXPECT_EQ(metrics.gmBlackBoxY, 1u);
    EXPECT_NEAR(metrics.gmCellIncX, font->GetTextWidth(" "), 0.5);

    // A matrix turns the outline: a quarter turn makes the advance point up.
    const MAT2 quarter = {DoubleToFixed(0), DoubleToFixed(1), DoubleToFixed(-1), DoubleToFixed(0)};
    GLYPHMETRICS upright, turned;
    font->GetGlyphOutline('H', GGO_METRICS, &upright, 0, nullptr, &kIdentity);
    font->GetGlyphOutline('H', GGO_METRICS, &turned, 0, nullptr, &quarter);
    EXPECT_EQ(turned.gmCellIncX, 0);
    EXPECT_EQ(turned.gmCellIncY, upright.gmCellIncX);
    EXPECT_EQ(turned.gmBlackBoxX, upright.gmBlackBoxY);
}

TEST(FontEngineTest, CubicsBecomeQuadraticsWithinTheTolerance) {
    // An exactly elevated quadratic comes back as one quadratic; a genuine
    // cubic as several, each close to the curve.
    const struct { QPointF c1, c2; int minQuadratics, maxQuadratics; } cases[] = {
        {QPointF(20, -40), QPointF(40, -40), 1, 1},           // elevation of control (30, -60)
        {QPointF(0, -60), QPointF(60, 60), 2, 64},            // an S curve
    };
    for (const auto& c : cases) {
        const QPointF p0(0, 0), p3(60, 0);
        QPainterPath path(p0);
        path.cubicTo(c.c1, c.c2, p3);
        std::vector<uint8_t> buffer(WriteNativeOutline(path, nullptr, 0));
        ASSERT_EQ(WriteNativeOutline(path, buffer.data(), static_cast<DWORD>(buffer.size())), buffer.size());
        const Outline outline = ReadOutline(buffer);
        ASSERT_TRUE(outline.wellFormed);
        int quadratics = 0;
        for (WORD type : outline.recordTypes)
            quadratics += type == TT_PRIM_QSPLINE;
        EXPECT_GE(quadratics, c.minQuadratics);
        EXPECT_LE(quadratics, c.maxQuadratics);
        // Walk the quadratics against the cubic: every quadratic's midpoint lies
        // within the tolerance (plus fixed-point rounding) of the cubic.
        for (size_t i = 0; i + 2 < outline.points.size(); i += 2) {
            const QPointF a = outline.points[i], control = outline.points[i + 1], b = outline.points[i + 2];
            const QPointF mid = (a + 2 * control + b) / 4;
            double nearest = 1e9;
            for (int k = 0; k <= 20000; ++k) {
                const double t = k / 20000.0, u = 1 - t;
                const QPointF q = u * u * u * p0 + 3 * u * u * t * c.c1 + 3 * u * t * t * c.c2 + t * t * t * p3;
                nearest = std::min(nearest, std::hypot(q.x() - mid.x(), -q.y() - mid.y()));
            }
            EXPECT_LT(nearest, kQuadraticTolerance + 0.01);
        }
    }
}

TEST(FontEngineTest, MusicFaceIsEmmentalerByGlyphName) {
    const CSymbolFace* face = FindSymbolFace("Norvane2");
    ASSERT_NE(face, nullptr);
    const SymbolCode* notehead = face->Find(207);
    ASSERT_NE(notehead, nullptr);
    EXPECT_NE(notehead->glyphs.front().index, 0u);
    EXPECT_EQ(face->Find(1), nullptr);

    // At an em of 480 units the black notehead is 0.326 em wide; the code
    // reads the same as a character (UTF-8) or as a byte.
    const auto font = CRealizedFont::Create(MakeLogFont("Norvane2", -480), {});
    EXPECT_NEAR(font->GetTextExtent("\xC3\x8F").cx, 156, 1);
    EXPECT_NEAR(font->GetTextExtent("\xCF").cx, 156, 1);
    TEXTMETRIC tm;
    font->GetTextMetrics(tm);
    EXPECT_EQ(tm.tmAscent, 384);
    EXPECT_EQ(tm.tmDescent, 96);
    EXPECT_EQ(tm.tmInternalLeading, 0);
    EXPECT_EQ(tm.tmCharSet, SYMBOL_CHARSET);
    // A cell height of the same size is the same em.
    EXPECT_DOUBLE_EQ(CRealizedFont::Create(MakeLogFont("Norvane2", 480), {})->GetEmHeight(), 480.0);

    // The clef's outline (a CFF font's cubics) is lines and quadratics only.
    GLYPHMETRICS metrics;
    const Outline outline = ReadOutline(NativeOutline(*font, 38, metrics));
    ASSERT_TRUE(outline.wellFormed);
    ASSERT_FALSE(outline.recordTypes.empty());
    for (WORD type : outline.recordTypes)
        EXPECT_TRUE(type == TT_PRIM_LINE || type == TT_PRIM_QSPLINE) << type;
}

TEST(FontEngineTest, TwoCodeSymbolTableDrawsAndMeasuresItsGlyphs) {
    const CSymbolFace* face = TestMusicFace();
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->GetFirstChar(), 'A');
    EXPECT_EQ(face->GetLastChar(), 'B');
    const auto font = CRealizedFont::Create(MakeLogFont("Test Music", -80), {});
    TEXTMETRIC tm;
    font->GetTextMetrics(tm);
    EXPECT_EQ(tm.tmFirstChar, 'A');
    EXPECT_EQ(tm.tmLastChar, 'B');

    QFont family(face->GetFamily(0));
    QRawFont raw = QRawFont::fromFont(family);
    raw.setPixelSize(80);
    const struct { char code; const char* glyph; } cases[] = {{'A', "noteheads.s2"}, {'B', "clefs.G"}};
    for (const auto& c : cases) {
        const quint32 index = face->Find(c.code)->glyphs.front().index;
        ASSERT_NE(index, 0u) << c.glyph;
        // Measured: the glyph's own advance.
        QPointF advance;
        raw.advancesForGlyphIndexes(&index, &advance, 1, QRawFont::UseDesignMetrics);
        const std::string text(1, c.code);
        EXPECT_NEAR(font->GetTextWidth(text), advance.x(), 1.0 / 64) << c.glyph;

        // Drawn: the ink box is the outline's black box at the drawing point.
        GLYPHMETRICS metrics;
        ASSERT_EQ(font->GetGlyphOutline(c.code, GGO_METRICS, &metrics, 0, nullptr, &kIdentity), 1u);
        QImage page = Page(200, 300);
        QPainter painter(&page);
        painter.setPen(Qt::black);
        font->DrawText(painter, QPointF(50, 150), text, TA_BASELINE);
        painter.end();
        const QRect ink = InkBox(page);
        ASSERT_FALSE(ink.isNull()) << c.glyph;
        EXPECT_NEAR(ink.left(), 50 + metrics.gmptGlyphOrigin.x, 1) << c.glyph;
        EXPECT_NEAR(ink.right() + 1, 50 + metrics.gmptGlyphOrigin.x + static_cast<int>(metrics.gmBlackBoxX), 1) << c.glyph;
        EXPECT_NEAR(ink.top(), 150 - metrics.gmptGlyphOrigin.y, 1) << c.glyph;
        EXPECT_NEAR(ink.bottom() + 1, 150 - metrics.gmptGlyphOrigin.y + static_cast<int>(metrics.gmBlackBoxY), 1) << c.glyph;
    }

    // Measured again upright, the same box; turned a quarter, the box turns
    // (an upright measure kept for the next ask never answers a turned one).
    GLYPHMETRICS upright, again, turned;
    ASSERT_EQ(font->GetGlyphOutline('B', GGO_METRICS, &upright, 0, nullptr, &kIdentity), 1u);
    ASSERT_EQ(font->GetGlyphOutline('B', GGO_METRICS, &again, 0, nullptr, &kIdentity), 1u);
    EXPECT_EQ(std::memcmp(&upright, &again, sizeof upright), 0);
    const MAT2 quarter = {DoubleToFixed(0), DoubleToFixed(1), DoubleToFixed(-1), DoubleToFixed(0)};
    ASSERT_EQ(font->GetGlyphOutline('B', GGO_METRICS, &turned, 0, nullptr, &quarter), 1u);
    EXPECT_NEAR(turned.gmBlackBoxX, upright.gmBlackBoxY, 1);
    EXPECT_NEAR(turned.gmBlackBoxY, upright.gmBlackBoxX, 1);

    // A code outside the table draws nothing, measures 0 and has no outline.
    QImage page = Page(100, 100);
    QPainter painter(&page);
    EXPECT_EQ(font->DrawText(painter, QPointF(50, 50), "C", TA_BASELINE), 0.0);
    painter.end();
    EXPECT_TRUE(InkBox(page).isNull());
    GLYPHMETRICS metrics;
    EXPECT_EQ(font->GetGlyphOutline('C', GGO_METRICS, &metrics, 0, nullptr, &kIdentity), GDI_ERROR);
    EXPECT_EQ(font->GetTextExtent("C").cx, 0);
}

TEST(FontEngineTest, EscapementTurnsTheTextAboutItsReferencePoint) {
    LOGFONT logFont = MakeLogFont("Arial", -30);
    logFont.lfEscapement = 900;     // a quarter turn, counter-clockwise
    const auto font = CRealizedFont::Create(logFont, {});
    QImage page = Page(200, 300);
    QPainter painter(&page);
    painter.setPen(Qt::black);
    font->DrawText(painter, QPointF(100, 250), "HHHH", TA_BASELINE);
    painter.end();
    const QRect ink = InkBox(page);
    ASSERT_FALSE(ink.isNull());
    EXPECT_GT(ink.height(), 2 * ink.width());
    EXPECT_LE(ink.bottom(), 250);       // running up from the reference point
    EXPECT_LE(ink.right(), 100);        // the letters' tops to the left
    EXPECT_NEAR(ink.height(), font->GetTextWidth("HHHH"), 4);
}

// ---- The music face's table ("Norvane2")

namespace {

// The ink box of one code drawn at `origin` on a white page, at an em of `em`
// device pixels (lfWidth `width`).
QRect DrawnInk(const CRealizedFont& font, uint8_t code, QSize page, QPoint origin) {
    QImage image = Page(page.width(), page.height());
    QPainter painter(&image);
    painter.setPen(Qt::black);
    font.DrawText(painter, origin, std::string(1, static_cast<char>(code)), TA_BASELINE);
    painter.end();
    return InkBox(image);
}

}  // namespace

TEST(MusicFaceTest, EveryNameResolvesEveryCodeButTheBlankOnesHasInk) {
    const CSymbolFace* face = FindSymbolFace("Norvane2");
    ASSERT_NE(face, nullptr);
    const auto font = CRealizedFont::Create(MakeLogFont("Norvane2", -80), {});
    for (unsigned code = 0; code < 256; ++code) {
        const SymbolCode* entry = face->Find(static_cast<uint8_t>(code));
        const QRect ink = DrawnInk(*font, static_cast<uint8_t>(code), {320, 360}, {60, 180});
        const std::string text(1, static_cast<char>(code));
        if (!entry) {
            EXPECT_TRUE(ink.isNull()) << code;
            EXPECT_EQ(font->GetTextExtent(text).cx, 0) << code;
            continue;
        }
        for (const SymbolGlyph& glyph : entry->glyphs)
            EXPECT_TRUE(glyph.name.empty() || glyph.index != 0) << code << " " << glyph.name;
        EXPECT_EQ(ink.isNull(), code == 32 || code == 131) << code;
        if (!ink.isNull()) {
            EXPECT_GT(ink.left(), 0) << code;     // all of it on the page
            EXPECT_GT(ink.top(), 0) << code;
            EXPECT_LT(ink.right(), 319) << code;
            EXPECT_LT(ink.bottom(), 359) << code;
        }
    }
    EXPECT_EQ(face->GetFirstChar(), 32);
    EXPECT_EQ(face->GetLastChar(), 250);
}

TEST(MusicFaceTest, SymbolsStandWhereTheNotationPlacesThem) {
    // An em of 480 pixels: a staff space of 120.
    constexpr int kSpace = 120;
    const QPoint origin(100, 620);
    const auto font = CRealizedFont::Create(MakeLogFont("Norvane2", -480), {});

    const QRect notehead = DrawnInk(*font, 207, {400, 1000}, origin);
    EXPECT_NEAR(notehead.left(), origin.x(), 1);
    EXPECT_NEAR((notehead.top() + notehead.bottom() + 1) / 2.0, origin.y(), 1);

    const QRect clef = DrawnInk(*font, 38, {400, 1000}, origin);
    EXPECT_NEAR(clef.bottom() + 1 - origin.y(), 2.54 * kSpace, 2);
    EXPECT_NEAR(origin.y() - clef.top(), 4.78 * kSpace, 2);

    // The brace at height H and a width of two staff spaces fills an H-tall
    // box centred on the baseline, from the drawing point.
    const auto brace = CRealizedFont::Create(MakeLogFont("Norvane2", -480, 2 * kSpace), {});
    const QRect box = DrawnInk(*brace, 132, {400, 1000}, origin);
    EXPECT_NEAR(box.top(), origin.y() - 240, 1);
    EXPECT_NEAR(box.bottom() + 1, origin.y() + 240, 1);
    EXPECT_NEAR(box.left(), origin.x(), 1);
    EXPECT_NEAR(box.right() + 1, origin.x() + 2 * kSpace, 1);
    EXPECT_NEAR(brace->GetTextWidth("\x84"), 2 * kSpace, 1e-9);
    // Without a width, an eighth of the em.
    EXPECT_NEAR(font->GetTextWidth("\x84"), 60, 1e-9);
}

TEST(MusicFaceTest, CompositionsMeasureAsTheTableSays) {
    const CSymbolFace* face = FindSymbolFace("Norvane2");
    ASSERT_NE(face, nullptr);
    const auto font = CRealizedFont::Create(MakeLogFont("Norvane2", -480), {});
    auto inkOf = [&](unsigned code) {
        GLYPHMETRICS metrics;
        EXPECT_EQ(font->GetGlyphOutline(code, GGO_METRICS, &metrics, 0, nullptr, &kIdentity), 1u) << code;
        // Left, bottom, right, top in device units, y up.
        return QRectF(QPointF(metrics.gmptGlyphOrigin.x, metrics.gmptGlyphOrigin.y - static_cast<int>(metrics.gmBlackBoxY)),
                      QSizeF(metrics.gmBlackBoxX, metrics.gmBlackBoxY));
    };

    // Every code placed ink-left starts its ink at the drawing point.
    for (unsigned code = 0; code < 256; ++code) {
        if (const SymbolCode* entry = face->Find(static_cast<uint8_t>(code)); entry && entry->inkLeft) {
            EXPECT_NEAR(inkOf(code).left(), 0, 1) << code;
        }
    }

    // The stem and barline: 0.125 spaces (em / 32) wide, advance included.
    EXPECT_NEAR(font->GetTextWidth("\x5C"), 15, 1e-9);

    // The tempo mark's "=": 0.3 spaces clear of what stands each side of it
    // (the beat note's stem before, the digits after), 1.4 spaces advance.
    const QRectF equals = inkOf(200);
    EXPECT_NEAR(equals.left(), 0.3 * 120, 1);
    EXPECT_NEAR(font->GetTextWidth("\xC8"), 1.4 * 120, 1e-9);
    EXPECT_NEAR(font->GetTextWidth("\xC8") - equals.right(), 0.3 * 120, 1);

    // Small accidentals: half the full-size one, centred where it is.
    const struct { unsigned small, full; } smalls[] = {{73, 35}, {105, 98}, {233, 110}, {93, 220}, {211, 186}, {91, 97}};
    for (const auto& c : smalls) {
        const QRectF small = inkOf(c.small), full = inkOf(c.full);
        EXPECT_NEAR(small.height(), full.height() / 2, 1.5) << c.small;
        EXPECT_NEAR(small.center().y(), full.center().y(), 1) << c.small;
    }
    // Small digits stand on the baseline, 0.6 of the large ones, which are centred on it.
    const QRectF large = inkOf('8'), smallEight = inkOf(165);
    EXPECT_NEAR(large.center().y(), 0, 2);
    EXPECT_NEAR(smallEight.top(), 0, 1);
    EXPECT_NEAR(smallEight.height(), 0.6 * large.height(), 1.5);
    // The octave clefs carry the small eight 0.1 spaces clear of the clef's ink.
    const QRectF treble = inkOf(38), trebleDown = inkOf(86), trebleUp = inkOf(160);
    EXPECT_LT(trebleDown.top(), treble.top() - 0.1 * 120 - 0.5 * large.height() + 2);
    EXPECT_GT(trebleUp.bottom(), treble.bottom() + 0.1 * 120 + 0.5 * large.height() - 2);
}

TEST(MusicFaceTest, CompositionOutlinesListTheirItemsInOrder) {
    const auto font = CRealizedFont::Create(MakeLogFont("Norvane2", -480), {});
    const CSymbolFace* face = FindSymbolFace("Norvane2");
    ASSERT_NE(face, nullptr);
    auto polygons = [](const std::vector<uint8_t>& buffer) {
        std::vector<std::vector<uint8_t>> list;
        for (size_t at = 0; at + sizeof(TTPOLYGONHEADER) <= buffer.size();) {
            TTPOLYGONHEADER header;
            std::memcpy(&header, buffer.data() + at, sizeof header);
            list.emplace_back(buffer.begin() + at, buffer.begin() + at + header.cb);
            at += header.cb;
        }
        return list;
    };
    GLYPHMETRICS metrics;
    // 106: the flag's contours, then a level line as long as the stem is thick.
    const unsigned flagIndex = face->Find(106)->glyphs.front().index;
    std::vector<uint8_t> flagBuffer(font->GetGlyphOutline(flagIndex, GGO_NATIVE | GGO_GLYPH_INDEX, &metrics, 0, nullptr, &kIdentity));
    font->GetGlyphOutline(flagIndex, GGO_NATIVE | GGO_GLYPH_INDEX, &metrics, static_cast<DWORD>(flagBuffer.size()),
                          flagBuffer.data(), &kIdentity);
    const auto flag = polygons(flagBuffer);
    const auto flagged = polygons(NativeOutline(*font, 106, metrics));
    ASSERT_EQ(flagged.size(), flag.size() + 1);
    for (size_t i = 0; i < flag.size(); ++i)
        EXPECT_EQ(flagged[i], flag[i]) << i;
    const Outline stem = ReadOutline(flagged.back());
    ASSERT_TRUE(stem.wellFormed);
    double left = 1e9, right = -1e9;
    for (const QPointF& point : stem.points) {
        EXPECT_EQ(point.y(), 0);
        left = std::min(left, point.x());
        right = std::max(right, point.x());
    }
    EXPECT_NEAR(right - left, 15, 1e-3);

    // 101: the notehead's contours come first, as in 207.
    const auto head = polygons(NativeOutline(*font, 207, metrics));
    const auto note = polygons(NativeOutline(*font, 101, metrics));
    ASSERT_GT(note.size(), head.size());
    for (size_t i = 0; i < head.size(); ++i)
        EXPECT_EQ(note[i], head[i]) << i;
}
