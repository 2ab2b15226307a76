// Clipping in device and logical units, saved states, paths, curves and
// geometric pens.
#include "platform/gdi/dc.h"
#include "platform/gdi/pathshape.h"

#include "dc_support.h"

#include <QPainterPath>

#include <gtest/gtest.h>

namespace {

void FillEverything(CDC& dc) {
    CBrush black(RGB(0, 0, 0));
    const RECT huge{-100000, -100000, 100000, 100000};
    dc.FillRect(&huge, &black);
}

TEST(Clipping, RegionsAreDeviceUnitsAndRectanglesLogical) {
    const struct {
        const char* name;
        void (*clip)(CDC&);
        std::vector<int> columns, rows;
    } cases[] = {
        {"region in pixels despite twips", [](CDC& dc) {
             CRgn region;
             region.CreateRectRgn(10, 20, 30, 25);
             dc.SelectClipRgn(&region);
         }, Span(10, 29), Span(20, 24)},
        {"intersect in twips", [](CDC& dc) { dc.IntersectClipRect(1440, -1440, 2880, -2880); },
         Span(96, 191), Span(96, 191)},
        {"exclude in twips", [](CDC& dc) {
             dc.IntersectClipRect(0, 0, 2880, -1440);
             dc.ExcludeClipRect(0, 0, 1440, -1440);
         }, Span(96, 191), Span(0, 95)},
        {"path", [](CDC& dc) {
             dc.BeginPath();
             dc.Rectangle(1440, -1440, 2160, -2160);
             dc.EndPath();
             dc.SelectClipPath(RGN_COPY);
         }, Span(96, 143), Span(96, 143)},
    };
    for (const auto& c : cases) {
        MemoryCanvas canvas(200, 200);
        canvas.dc.SetMapMode(MM_TWIPS);
        c.clip(canvas.dc);
        FillEverything(canvas.dc);
        EXPECT_EQ(InkColumns(canvas.Image()), c.columns) << c.name;
        EXPECT_EQ(InkRows(canvas.Image()), c.rows) << c.name;
    }
}

TEST(Clipping, ClipBoxAnswersLogicalUnits) {
    MemoryCanvas canvas(200, 200);
    canvas.dc.SetMapMode(MM_TWIPS);
    CRect box;
    EXPECT_EQ(canvas.dc.GetClipBox(&box), SIMPLEREGION);
    EXPECT_TRUE(box == CRect(0, 0, 3000, -3000));
    canvas.dc.IntersectClipRect(1440, -1440, 2880, -2880);
    canvas.dc.GetClipBox(&box);
    EXPECT_TRUE(box == CRect(1440, -1440, 2880, -2880));
    canvas.dc.ExcludeClipRect(0, 0, 5000, -5000);
    EXPECT_EQ(canvas.dc.GetClipBox(&box), NULLREGION);
    EXPECT_FALSE(canvas.dc.PtVisible(2000, -2000));
}

TEST(SavedState, RestoreBringsBackMappingObjectsAndClipping) {
    MemoryCanvas canvas(50, 50);
    CDC& dc = canvas.dc;
    CPen red(PS_SOLID, 1, RGB(255, 0, 0));
    CPen* original = dc.SelectObject(&red);
    const int level = dc.SaveDC();
    EXPECT_EQ(level, 1);
    dc.SetMapMode(MM_TWIPS);
    dc.SelectStockObject(BLACK_PEN);
    dc.IntersectClipRect(0, 0, 10, -10);
    dc.SetROP2(R2_XORPEN);
    dc.SaveDC();
    dc.SetBkColor(RGB(1, 2, 3));
    EXPECT_TRUE(dc.RestoreDC(level));   // both levels go
    EXPECT_EQ(dc.GetMapMode(), MM_TEXT);
    EXPECT_EQ(dc.GetCurrentPen(), &red);
    EXPECT_EQ(dc.GetROP2(), R2_COPYPEN);
    EXPECT_EQ(dc.GetBkColor(), RGB(255, 255, 255));
    EXPECT_FALSE(dc.RestoreDC(-1));     // nothing left to restore
    FillEverything(dc);
    EXPECT_EQ(InkColumns(canvas.Image()), Span(0, 49));   // no clipping left
    dc.SelectObject(original);
}

TEST(Paths, FilledStrokedAndCurves) {
    MemoryCanvas canvas(60, 60);
    CDC& dc = canvas.dc;
    dc.SelectStockObject(BLACK_BRUSH);
    dc.BeginPath();
    dc.MoveTo(10, 10);
    dc.LineTo(30, 10);
    dc.LineTo(30, 20);
    dc.LineTo(10, 20);
    dc.CloseFigure();
    dc.EndPath();
    EXPECT_TRUE(InkRows(canvas.Image()).empty());   // recorded, not drawn
    EXPECT_TRUE(dc.FillPath());
    EXPECT_EQ(InkColumns(canvas.Image()), Span(10, 29));
    EXPECT_EQ(InkRows(canvas.Image()), Span(10, 19));
    EXPECT_FALSE(dc.FillPath());                      // used up

    MemoryCanvas curve(60, 60);
    const POINT bezier[4] = {{5, 50}, {5, 5}, {55, 5}, {55, 50}};
    EXPECT_TRUE(curve.dc.PolyBezier(bezier, 4));
    const std::vector<int> rows = InkRows(curve.Image());
    ASSERT_FALSE(rows.empty());
    EXPECT_GE(rows.front(), 15);                      // the curve stays below its control points
    EXPECT_LE(rows.front(), 19);
    EXPECT_FALSE(curve.dc.PolyBezier(bezier, 3));     // not 1 + 3n points
}

// Two arches from one point to another in one path, stroked: each is a
// figure of its own, so nothing is drawn along the line from the first one's
// end back to the second one's start (the line under a tie's outline).
TEST(Paths, CurvesRecordedApartAreNotJoinedByALine) {
    MemoryCanvas canvas(60, 60);
    CDC& dc = canvas.dc;
    const POINT high[4] = {{5, 50}, {5, 5}, {55, 5}, {55, 50}};
    const POINT low[4] = {{5, 50}, {5, 30}, {55, 30}, {55, 50}};
    dc.BeginPath();
    ASSERT_TRUE(dc.PolyBezier(high, 4));
    ASSERT_TRUE(dc.PolyBezier(low, 4));
    dc.EndPath();
    ASSERT_TRUE(dc.StrokePath());
    const std::vector<int> columnAtMiddle = [&] {
        std::vector<int> rows;
        for (int y = 0; y < 60; ++y)
            if (canvas.Pixel(30, y) != 0xFFFFFF)
                rows.push_back(y);
        return rows;
    }();
    ASSERT_FALSE(columnAtMiddle.empty());
    EXPECT_LT(columnAtMiddle.back(), 45) << "a line joins the curves' ends";
}

// Filled and outlined in one colour by a one-pixel pen, a rectangle is solid
// from its left and top edges to a pixel past its right and lower ones (the
// outline's band), corners included.
TEST(Paths, ARectangleOutlinedInItsOwnColourIsSolidToItsOutline) {
    const struct {
        const char* name;
        int mapMode;
        RECT rect;      // logical
        RECT pixels;    // the solid box, last row and column included
    } cases[] = {
        {"pixels", MM_TEXT, {10, 10, 30, 20}, {10, 10, 30, 20}},
        {"one pixel wide", MM_TEXT, {5, 5, 6, 40}, {5, 5, 6, 40}},
        {"twips, y up", MM_TWIPS, {150, -150, 450, -600}, {10, 10, 30, 40}},
    };
    for (const auto& c : cases) {
        MemoryCanvas canvas(50, 50);
        CDC& dc = canvas.dc;
        dc.SetMapMode(c.mapMode);
        CPen pen(PS_SOLID, 1, RGB(0, 0, 0));
        CBrush brush(RGB(0, 0, 0));
        dc.SelectObject(&pen);
        dc.SelectObject(&brush);
        dc.BeginPath();
        dc.Rectangle(c.rect.left, c.rect.top, c.rect.right, c.rect.bottom);
        dc.EndPath();
        EXPECT_TRUE(dc.StrokeAndFillPath()) << c.name;
        EXPECT_EQ(InkColumns(canvas.Image()), Span(c.pixels.left, c.pixels.right)) << c.name;
        EXPECT_EQ(InkRows(canvas.Image()), Span(c.pixels.top, c.pixels.bottom)) << c.name;
        int grey = 0;
        for (int y = c.pixels.top; y <= c.pixels.bottom; ++y)
            for (int x = c.pixels.left; x <= c.pixels.right; ++x)
                grey += canvas.Pixel(x, y) != 0;
        EXPECT_EQ(grey, 0) << c.name;
    }
}

// Only one closed figure of four axis-parallel sides is a rectangle.
TEST(Paths, APathIsARectangleOnlyWhenItTracesOne) {
    auto polygon = [](std::initializer_list<QPointF> points) {
        QPainterPath path;
        path.moveTo(*points.begin());
        for (auto it = points.begin() + 1; it != points.end(); ++it)
            path.lineTo(*it);
        return path;
    };
    QPainterPath added;
    added.addRect(QRectF(1, 2, 30, 4));
    QPainterPath two = added;
    two.addRect(QRectF(40, 2, 5, 5));
    const struct {
        const char* name;
        QPainterPath path;
        QRectF rect;
    } cases[] = {
        {"added rectangle", added, QRectF(1, 2, 30, 4)},
        {"traced the other way", polygon({{10, 10}, {10, 20}, {0, 20}, {0, 10}, {10, 10}}), QRectF(0, 10, 10, 10)},
        {"left open", polygon({{0, 0}, {10, 0}, {10, 5}, {0, 5}, {0, 1}}), QRectF()},
        {"a slanted side", polygon({{0, 0}, {10, 0}, {12, 5}, {0, 5}, {0, 0}}), QRectF()},
        {"a triangle", polygon({{0, 0}, {10, 0}, {0, 5}, {0, 0}}), QRectF()},
        {"flat", polygon({{0, 0}, {10, 0}, {10, 0}, {0, 0}, {0, 0}}), QRectF()},
        {"two rectangles", two, QRectF()},
        {"empty", QPainterPath(), QRectF()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TracedRectangle(c.path), c.rect) << c.name;
}

TEST(Pens, GeometricPensHaveTheirEndCaps) {
    const struct { int cap; int first, last; } cases[] = {
        {PS_ENDCAP_FLAT, 10, 29},
        {PS_ENDCAP_SQUARE, 7, 32},
        {PS_ENDCAP_ROUND, 7, 32},
    };
    for (const auto& c : cases) {
        MemoryCanvas canvas(40, 40);
        LOGBRUSH brush{BS_SOLID, RGB(0, 0, 0), 0};
        CPen pen;
        ASSERT_TRUE(pen.CreatePen(PS_GEOMETRIC | PS_SOLID | c.cap, 6, &brush));
        canvas.dc.SelectObject(&pen);
        canvas.dc.MoveTo(10, 20);
        canvas.dc.LineTo(30, 20);
        const std::vector<int> columns = InkColumns(canvas.Image());
        ASSERT_FALSE(columns.empty());
        EXPECT_EQ(columns.front(), c.first) << c.cap;
        EXPECT_EQ(columns.back(), c.last) << c.cap;
        EXPECT_EQ(InkRows(canvas.Image()), Span(17, 22)) << c.cap;   // six rows, centred on the line
    }
}

TEST(Pens, WidthFollowsTheMappingButNeverFallsBelowAPixel) {
    const struct { int width; std::vector<int> rows; } cases[] = {
        {1, {96}},            // a twip: still one pixel
        {30, Span(95, 96)},   // 2 pixels
        {45, Span(95, 97)},   // 3 pixels
    };
    for (const auto& c : cases) {
        MemoryCanvas canvas(200, 200);
        canvas.dc.SetMapMode(MM_TWIPS);
        CPen pen(PS_SOLID, c.width, RGB(0, 0, 0));
        canvas.dc.SelectObject(&pen);
        canvas.dc.MoveTo(0, -1440);
        canvas.dc.LineTo(2000, -1440);
        EXPECT_EQ(InkRows(canvas.Image()), c.rows) << c.width;
    }
}

}  // namespace
