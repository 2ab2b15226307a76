// Slur and tie outlines, thick lines and the geometry helpers; drawing is
// checked by where the ink lies on a memory DC at one unit per pixel.
#include "notation/layout/curves.h"

#include "tests/platform/gui/dc_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<CPoint> Points(std::initializer_list<std::pair<int, int>> list) {
    std::vector<CPoint> points;
    for (const auto& [x, y] : list)
        points.emplace_back(x, y);
    return points;
}

void ExpectOutline(const std::vector<CPoint>& got, const std::vector<CPoint>& want, const char* what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].x, want[i].x) << what << " point " << i;
        EXPECT_EQ(got[i].y, want[i].y) << what << " point " << i;
    }
}

bool Inked(const QImage& image, int x, int y) {
    return (image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
}
// Fully dark (antialiased edges aside).
bool Dark(const QImage& image, int x, int y) {
    return qGray(image.pixel(x, y)) < 64;
}
std::vector<int> InkedColumnsOnRow(const QImage& image, int y) {
    std::vector<int> columns;
    for (int x = 0; x < image.width(); ++x)
        if (Inked(image, x, y))
            columns.push_back(x);
    return columns;
}
std::vector<int> InkedRowsInColumn(const QImage& image, int x) {
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y)
        if (Inked(image, x, y))
            rows.push_back(y);
    return rows;
}

TEST(CurvesTest, GeometryHelpers) {
    const struct {
        int x1, y1, x2, y2, length;
        double slope;
    } lines[] = {
        {0, 0, 3, 4, 5, 4.0 / 3.0},
        {0, 0, 0, -7, 7, 0.0},       // vertical: slope 0
        {10, 5, -20, 5, 30, 0.0},
        {0, 0, 1, 1, 1, 1.0},        // 1.414 truncated
        {0, 0, 2, -6, 6, -3.0},      // 6.32 truncated
    };
    for (const auto& c : lines) {
        EXPECT_EQ(GetLineLength(c.x1, c.y1, c.x2, c.y2), c.length) << c.x2 << "," << c.y2;
        EXPECT_DOUBLE_EQ(GetSlope(c.x1, c.y1, c.x2, c.y2), c.slope) << c.x2 << "," << c.y2;
    }
    EXPECT_EQ(GetYOnLine(0, 10, 3, 0.5), 11);     // 1.5 truncated
    EXPECT_EQ(GetYOnLine(0, 10, 3, -0.5), 9);     // -1.5 truncated toward zero

    const POINT source[] = {{101, 0}, {0, 101}, {83, 83}};
    POINT turned[3];
    RotatePoints(4.0 / 3.0, source, turned, 3);   // cos 0.6, sin 0.8
    const POINT want[] = {{60, 80}, {-80, 60}, {-16, 116}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(turned[i].x, want[i].x) << i;
        EXPECT_EQ(turned[i].y, want[i].y) << i;
    }
}

TEST(CurvesTest, OutlinesOfTiesAndSlurs) {
    const struct {
        const char* what;
        int x2, direction, thickness, longForm, curvature;
        std::vector<CPoint> inner, outer;
    } cases[] = {
        {"tie", 600, 0, 20, 0, 16384,
         Points({{0, 0}, {100, 100}, {500, 100}, {600, 0}}),
         Points({{0, 0}, {100, 120}, {500, 120}, {600, 0}})},
        {"limited tie", 600, 0, 20, 0, 60,
         Points({{0, 0}, {100, 60}, {500, 60}, {600, 0}}),
         Points({{0, 0}, {100, 80}, {500, 80}, {600, 0}})},
        {"tie below", 600, 1, 20, 0, 16384,
         Points({{0, 0}, {100, -100}, {500, -100}, {600, 0}}),
         Points({{0, 0}, {100, -120}, {500, -120}, {600, 0}})},
        {"16-bit limit", 600, 0, 20, 0, 65536 + 40,   // read as 40
         Points({{0, 0}, {100, 40}, {500, 40}, {600, 0}}),
         Points({{0, 0}, {100, 60}, {500, 60}, {600, 0}})},
        {"long slur", 1800, 0, 10, 1, 16384,
         Points({{0, 0}, {60, 100}, {300, 100}, {540, 100}, {780, 100}, {1020, 100}, {1260, 100},
                 {1500, 100}, {1740, 100}, {1800, 0}}),
         Points({{0, 0}, {60, 110}, {300, 110}, {540, 110}, {780, 110}, {1020, 110}, {1260, 110},
                 {1500, 110}, {1740, 110}, {1800, 0}})},
    };
    for (const auto& c : cases) {
        DrawCurve curve;
        curve.SetCurvature(c.curvature);
        curve.Calculate(0, 0, c.x2, 0, c.direction, c.thickness, c.longForm);
        ExpectOutline(curve.GetInner(), c.inner, c.what);
        ExpectOutline(curve.GetOuter(), c.outer, c.what);
    }
}

TEST(CurvesTest, ASlopedCurveIsTurnedAndEndsExactlyAtItsEndPoint) {
    DrawCurve curve;
    // Length 500 along the slope 4/3: inset and height 83 before turning.
    curve.Calculate(1000, 2000, 1300, 2400, 0, 12, 0);
    const auto& inner = curve.GetInner();
    ASSERT_EQ(inner.size(), 4u);
    EXPECT_EQ(inner[0], CPoint(1000, 2000));
    EXPECT_EQ(inner[1], CPoint(1000 - 16, 2000 + 116));
    EXPECT_EQ(inner[2], CPoint(1000 + (417 * 6 - 83 * 8) / 10, 2000 + static_cast<int>(417 * 0.8 + 83 * 0.6)));
    EXPECT_EQ(inner[3], CPoint(1300, 2400));
    EXPECT_EQ(curve.GetOuter()[3], CPoint(1300, 2400));
    EXPECT_EQ(curve.GetOuter()[0], CPoint(1000, 2000));
}

TEST(CurvesTest, ATieIsDrawnAsAFilledCrescentAndDottedAsOneCurve) {
    // MM_TEXT: y grows downward, so direction 0 bows toward the bottom.
    MemoryCanvas solid(260, 200);
    DrawCurve tie;
    tie.Calculate(20, 100, 240, 100, 0, 12, 0);   // heights 36 and 48
    tie.Draw(&solid.dc, 0, 0, RGB(0, 0, 0));
    const QImage& image = solid.Image();
    // At the middle: ink between the curves (y about 127 to 136), none
    // between the chord and the inner curve, none beyond the outer curve.
    EXPECT_TRUE(Dark(image, 130, 131));
    EXPECT_FALSE(Inked(image, 130, 115));
    EXPECT_FALSE(Inked(image, 130, 105));
    EXPECT_FALSE(Inked(image, 130, 142));
    // The ends meet at the given points.
    EXPECT_TRUE(Inked(image, 21, 100));
    EXPECT_TRUE(Inked(image, 239, 100));
    // The outlines stay moved: a second drawing lies dx further on.
    tie.Draw(&solid.dc, 0, 40, RGB(0, 0, 0));
    EXPECT_TRUE(Dark(image, 130, 171));

    MemoryCanvas dotted(260, 200);
    DrawCurve dots;
    dots.SetDotted(1);
    dots.Calculate(20, 100, 240, 100, 0, 12, 0);
    dots.Draw(&dotted.dc, 0, 0, RGB(0, 0, 0));
    // One thin curve with gaps along it.
    const std::vector<int> rows = InkedRowsInColumn(dotted.Image(), 130);
    EXPECT_LE(rows.size(), 3u);
    int inkedColumns = 0;
    for (int x = 30; x < 230; ++x)
        inkedColumns += !InkedRowsInColumn(dotted.Image(), x).empty();
    EXPECT_GT(inkedColumns, 40);
    EXPECT_LT(inkedColumns, 180);
}

TEST(CurvesTest, StraightThickLinesCoverTheirWidth) {
    const struct {
        const char* what;
        CPoint from, to;
        int width, alignment;
        bool vertical;
        int first, last;   // ink columns (vertical) or rows (horizontal)
    } cases[] = {
        {"vertical centred", {1000, 20}, {1000, 80}, 30, DrawLine::CENTERED, true, 985, 1015},
        {"vertical positive", {1000, 20}, {1000, 80}, 30, DrawLine::POSITIVE_SIDE, true, 1000, 1030},
        {"vertical negative", {1000, 20}, {1000, 80}, 30, DrawLine::NEGATIVE_SIDE, true, 970, 1000},
        {"horizontal centred", {100, 50}, {300, 50}, 10, DrawLine::CENTERED, false, 45, 55},
        {"horizontal positive", {100, 50}, {300, 50}, 10, DrawLine::POSITIVE_SIDE, false, 40, 50},
        {"horizontal negative", {100, 50}, {300, 50}, 10, DrawLine::NEGATIVE_SIDE, false, 50, 60},
    };
    for (const auto& c : cases) {
        MemoryCanvas canvas(1100, 100);
        EXPECT_EQ(DrawLine().Draw(&canvas.dc, c.from, c.to, c.width, RGB(0, 0, 0), c.alignment), 1) << c.what;
        const std::vector<int> ink = c.vertical ? InkedColumnsOnRow(canvas.Image(), 50)
                                                : InkedRowsInColumn(canvas.Image(), 200);
        EXPECT_EQ(ink, Span(c.first, c.last)) << c.what;
    }
}

TEST(CurvesTest, ThinOrSlopedLinesAreStrokedAndAZeroWindowDrawsNothing) {
    // Ten units a pixel: 15 units are 1.5 pixels, drawn with a pen.
    MemoryCanvas thin(200, 100);
    thin.dc.SetMapMode(MM_ANISOTROPIC);
    thin.dc.SetWindowExt(10, 10);
    thin.dc.SetViewportExt(1, 1);
    EXPECT_EQ(DrawLine().Draw(&thin.dc, CPoint(1000, 100), CPoint(1000, 900), 15, RGB(0, 0, 0), 0), 1);
    const std::vector<int> columns = InkedColumnsOnRow(thin.Image(), 50);
    ASSERT_FALSE(columns.empty());
    EXPECT_GE(columns.front(), 98);
    EXPECT_LE(columns.back(), 102);

    MemoryCanvas sloped(200, 200);
    EXPECT_EQ(DrawLine().Draw(&sloped.dc, CPoint(20, 20), CPoint(180, 180), 8, RGB(0, 0, 0), 0), 1);
    EXPECT_TRUE(Dark(sloped.Image(), 100, 100));
    EXPECT_TRUE(Inked(sloped.Image(), 102, 98));
    EXPECT_FALSE(Inked(sloped.Image(), 110, 90));

    MemoryCanvas none(100, 100);
    none.dc.SetMapMode(MM_ANISOTROPIC);
    none.dc.SetWindowExt(0, 0);
    if (none.dc.GetWindowExt().cx == 0) {
        EXPECT_EQ(DrawLine().Draw(&none.dc, CPoint(50, 10), CPoint(50, 90), 10, RGB(0, 0, 0), 0), 0);
        EXPECT_TRUE(InkedColumnsOnRow(none.Image(), 50).empty());
    }
}

TEST(CurvesTest, ThickPolylinesHaveFlatEndsAndRoundJoins) {
    MemoryCanvas canvas(300, 300);
    const POINT corner[] = {{100, 50}, {200, 50}, {200, 150}};
    EXPECT_EQ(DrawLine().Draw(&canvas.dc, corner, 3, 20, 0, RGB(0, 0, 0)), 1);
    const QImage& image = canvas.Image();
    EXPECT_TRUE(Dark(image, 150, 50));
    EXPECT_TRUE(Dark(image, 200, 100));
    EXPECT_FALSE(Inked(image, 95, 50));     // flat start: no cap past the point
    EXPECT_FALSE(Inked(image, 200, 155));   // flat end
    EXPECT_TRUE(Dark(image, 205, 45));      // the join is filled outside the corner...
    EXPECT_FALSE(Inked(image, 209, 41));    // ...and rounded, not mitred

    MemoryCanvas hairline(300, 300);
    EXPECT_EQ(DrawLine().Draw(&hairline.dc, corner, 3, 1, 0, RGB(0, 0, 0)), 1);
    EXPECT_LE(InkedRowsInColumn(hairline.Image(), 150).size(), 2u);
    EXPECT_EQ(DrawLine().Draw(&hairline.dc, corner, 1, 20, 0, RGB(0, 0, 0)), 0);
}

}  // namespace
