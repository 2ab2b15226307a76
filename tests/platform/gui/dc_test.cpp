// The device context's mapping, device grid, objects and figures: where the
// ink of each call lands on a 96-dpi memory DC.
#include "platform/gdi/dc.h"
#include "platform/gdi/dib.h"

#include "dc_support.h"

#include <gtest/gtest.h>

namespace {

TEST(MulDiv, RoundsHalvesAwayFromZeroAndAnswersMinusOneForZero) {
    const struct { int number, numerator, denominator, expected; } cases[] = {
        {1440, 96, 1440, 96}, {15, 1, 10, 2}, {14, 1, 10, 1}, {-15, 1, 10, -2}, {15, -1, 10, -2},
        {15, 1, -10, -2}, {5, 1, 2, 3}, {-5, 1, 2, -3}, {7, 3, 0, -1}, {0, 5, 0, -1},
        {0x7FFFFFFF, 2, 1, -1}, {0x7FFFFFFF, 2, 2, 0x7FFFFFFF},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MulDiv(c.number, c.numerator, c.denominator), c.expected)
            << c.number << " * " << c.numerator << " / " << c.denominator;
}

TEST(Mapping, TwipsPutAnInchAtNinetySixPixelsWithYUp) {
    MemoryCanvas canvas(300, 300);
    EXPECT_EQ(canvas.dc.GetDeviceCaps(LOGPIXELSX), 96);
    EXPECT_EQ(canvas.dc.GetDeviceCaps(LOGPIXELSY), 96);
    canvas.dc.SetMapMode(MM_TWIPS);
    POINT point{1440, -1440};
    canvas.dc.LPtoDP(&point);
    EXPECT_EQ(point.x, 96);
    EXPECT_EQ(point.y, 96);
    // Extents of the fixed modes cannot be changed.
    canvas.dc.SetWindowExt(1, 1);
    EXPECT_EQ(canvas.dc.GetWindowExt(), CSize(1440, 1440));
}

TEST(Mapping, DeviceToLogicalInvertsWithinRounding) {
    MemoryCanvas canvas(10, 10);
    CDC& dc = canvas.dc;
    const struct { int mode; CSize window, viewport; CPoint windowOrg, viewportOrg; } cases[] = {
        {MM_TWIPS, {}, {}, {0, 0}, {0, 0}},
        {MM_ANISOTROPIC, {1440, 1440}, {144, -144}, {0, 0}, {0, 0}},
        {MM_ANISOTROPIC, {1440, 1440}, {137, -91}, {300, -200}, {7, 11}},
        {MM_ISOTROPIC, {1000, 1000}, {300, -500}, {-50, 40}, {20, 30}},
        {MM_LOMETRIC, {}, {}, {12, 12}, {-3, 4}},
    };
    for (const auto& c : cases) {
        dc.SetMapMode(c.mode);
        if (c.window.cx) {
            dc.SetWindowExt(c.window);
            dc.SetViewportExt(c.viewport);
        }
        dc.SetWindowOrg(c.windowOrg);
        dc.SetViewportOrg(c.viewportOrg);
        // A logical unit's size in pixels bounds the error of the round trip.
        const CSize window = dc.GetWindowExt();
        const CSize viewport = dc.GetViewportExt();
        const int slackX = std::abs(window.cx) / std::abs(viewport.cx) + 1;
        const int slackY = std::abs(window.cy) / std::abs(viewport.cy) + 1;
        for (int v : {-2881, -1440, -7, 0, 1, 719, 1440, 100000}) {
            POINT point{v, -v};
            dc.LPtoDP(&point);
            dc.DPtoLP(&point);
            EXPECT_NEAR(point.x, v, slackX) << "mode " << c.mode << " at " << v;
            EXPECT_NEAR(point.y, -v, slackY) << "mode " << c.mode << " at " << v;
            // A device pixel comes back to itself exactly.
            POINT pixel{v / 100, v / 50};
            const POINT before = pixel;
            dc.DPtoLP(&pixel);
            dc.LPtoDP(&pixel);
            if (std::abs(viewport.cx) <= std::abs(window.cx) && std::abs(viewport.cy) <= std::abs(window.cy)) {
                EXPECT_EQ(pixel.x, before.x) << "mode " << c.mode;
                EXPECT_EQ(pixel.y, before.y) << "mode " << c.mode;
            }
        }
    }
}

TEST(Mapping, IsotropicKeepsUnitsSquare) {
    MemoryCanvas canvas(10, 10);
    canvas.dc.SetMapMode(MM_ISOTROPIC);
    canvas.dc.SetWindowExt(1000, 1000);
    canvas.dc.SetViewportExt(300, -500);
    EXPECT_EQ(canvas.dc.GetViewportExt(), CSize(300, -300));
}

TEST(Mapping, AZeroExtentNeverDividesByZero) {
    MemoryCanvas canvas(50, 50);
    CDC& dc = canvas.dc;
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(0, 0);          // refused: the mapping stays usable
    dc.SetViewportExt(0, 5);
    EXPECT_EQ(dc.GetWindowExt(), CSize(1, 1));
    dc.ScaleWindowExt(0, 1, 1, 0);  // a zero scale and a zero divisor
    POINT point{10, 10};
    dc.LPtoDP(&point);
    dc.DPtoLP(&point);
    SIZE size{3, 3};
    dc.LPtoDP(&size);
    dc.DPtoLP(&size);
    // Drawing through it does not crash either.
    dc.MoveTo(0, 0);
    dc.LineTo(40, 40);
    const RECT rect{0, 0, 10, 10};
    dc.FillSolidRect(&rect, RGB(0, 0, 0));
}

// The anisotropic page of the notation view: a tenth of an inch of twips per
// 14.4 pixels, y up.
void SetTenthScale(CDC& dc) {
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(1440, 1440);
    dc.SetViewportExt(144, -144);
}

TEST(DeviceGrid, FillRectCoversLeftToRightExclusive) {
    MemoryCanvas canvas(400, 400);
    SetTenthScale(canvas.dc);
    CBrush black(RGB(0, 0, 0));
    const RECT rect{1440, -1440, 2880, -2880};
    canvas.dc.FillRect(&rect, &black);
    EXPECT_EQ(InkRows(canvas.Image()), Span(144, 287));
    EXPECT_EQ(InkColumns(canvas.Image()), Span(144, 287));
    EXPECT_EQ(canvas.Pixel(144, 144), 0u);
    EXPECT_EQ(canvas.Pixel(287, 287), 0u);
}

TEST(DeviceGrid, AOnePixelPenInksItsRowAlone) {
    MemoryCanvas canvas(400, 400);
    SetTenthScale(canvas.dc);
    CPen pen(PS_SOLID, 0, RGB(0, 0, 0));
    canvas.dc.SelectObject(&pen);
    canvas.dc.MoveTo(100, -1440);
    canvas.dc.LineTo(3000, -1440);
    EXPECT_EQ(InkRows(canvas.Image()), std::vector<int>{144});
    // Fully inked, not smeared over two rows by antialiasing.
    EXPECT_EQ(canvas.Pixel(200, 144), 0u);
}

TEST(DeviceGrid, LineToLeavesOutItsEndPixel) {
    const struct { CPoint from, to; std::vector<int> columns, rows; } cases[] = {
        {{2, 5}, {8, 5}, Span(2, 7), {5}},
        {{8, 5}, {2, 5}, Span(3, 8), {5}},
        {{4, 1}, {4, 9}, {4}, Span(1, 8)},
        {{4, 9}, {4, 1}, {4}, Span(2, 9)},
    };
    for (const auto& c : cases) {
        MemoryCanvas canvas(12, 12);
        canvas.dc.MoveTo(c.from);
        canvas.dc.LineTo(c.to);
        EXPECT_EQ(InkColumns(canvas.Image()), c.columns) << c.from.x << "," << c.from.y;
        EXPECT_EQ(InkRows(canvas.Image()), c.rows) << c.from.x << "," << c.from.y;
        EXPECT_EQ(canvas.dc.GetCurrentPosition(), c.to);
    }
}

TEST(DeviceGrid, SnappingThroughTheDeviceLandsOnThePixelAskedFor) {
    // At every zoom, a device row taken back to logical units and drawn there
    // inks that row.
    for (int zoom : {50, 75, 100, 133, 150, 200, 400}) {
        for (int row : {3, 37, 101}) {
            MemoryCanvas canvas(120, 120);
            CDC& dc = canvas.dc;
            dc.SetMapMode(MM_ANISOTROPIC);
            dc.SetWindowExt(1440, 1440);
            dc.SetViewportExt(96 * zoom / 100, -96 * zoom / 100);
            POINT point{0, row};
            dc.DPtoLP(&point);
            dc.MoveTo(0, point.y);
            dc.LineTo(1440, point.y);
            EXPECT_EQ(InkRows(canvas.Image()), std::vector<int>{row}) << "zoom " << zoom << " row " << row;
        }
    }
}

TEST(Figures, RectangleFramesItsOutermostPixelsAndFillsInside) {
    MemoryCanvas canvas(20, 20);
    CBrush grey(RGB(128, 128, 128));
    canvas.dc.SelectObject(&grey);
    canvas.dc.Rectangle(2, 3, 12, 10);
    EXPECT_EQ(InkColumns(canvas.Image()), Span(2, 11));
    EXPECT_EQ(InkRows(canvas.Image()), Span(3, 9));
    EXPECT_EQ(canvas.Pixel(2, 5), 0u);            // the pen on the left column
    EXPECT_EQ(canvas.Pixel(11, 5), 0u);           // and on the right one
    EXPECT_EQ(canvas.Pixel(5, 9), 0u);            // and on the bottom row
    EXPECT_EQ(canvas.Pixel(5, 5), 0x808080u);     // the brush inside
}

TEST(Figures, ANullPenFillsOnePixelShortAsThePlatformDoes) {
    MemoryCanvas canvas(20, 20);
    canvas.dc.SelectStockObject(NULL_PEN);
    canvas.dc.SelectStockObject(BLACK_BRUSH);
    canvas.dc.Rectangle(2, 3, 12, 10);
    EXPECT_EQ(InkColumns(canvas.Image()), Span(2, 10));
    EXPECT_EQ(InkRows(canvas.Image()), Span(3, 8));
}

TEST(Figures, EachFigureInksItsBoundingBoxLessTheRightAndBottomEdges) {
    const POINT square[4] = {{2, 3}, {12, 3}, {12, 10}, {2, 10}};
    const struct {
        const char* name;
        bool pen;
        void (*draw)(CDC&, const POINT*);
        std::vector<int> columns, rows;
    } cases[] = {
        {"ellipse", true, [](CDC& dc, const POINT*) { dc.Ellipse(2, 3, 12, 10); }, Span(2, 11), Span(3, 9)},
        {"round rectangle", true, [](CDC& dc, const POINT*) { dc.RoundRect(2, 3, 12, 10, 4, 4); }, Span(2, 11), Span(3, 9)},
        {"pie", true, [](CDC& dc, const POINT*) { dc.Pie(2, 3, 12, 10, 12, 6, 2, 6); }, Span(2, 11), Span(3, 6)},
        {"polygon without a pen", false, [](CDC& dc, const POINT* p) { dc.Polygon(p, 4); }, Span(2, 11), Span(3, 9)},
        {"polygon", true, [](CDC& dc, const POINT* p) { dc.Polygon(p, 4); }, Span(2, 12), Span(3, 10)},
        {"arc, the upper right quarter", true, [](CDC& dc, const POINT*) { dc.Arc(0, 0, 21, 21, 20, 10, 10, 0); },
         Span(10, 20), Span(0, 10)},
    };
    for (const auto& c : cases) {
        MemoryCanvas canvas(24, 24);
        canvas.dc.SelectStockObject(BLACK_BRUSH);
        if (!c.pen)
            canvas.dc.SelectStockObject(NULL_PEN);
        c.draw(canvas.dc, square);
        EXPECT_EQ(InkColumns(canvas.Image()), c.columns) << c.name;
        EXPECT_EQ(InkRows(canvas.Image()), c.rows) << c.name;
    }
}

TEST(Objects, SelectionAnswersThePreviousObject) {
    MemoryCanvas canvas(10, 10);
    CDC& dc = canvas.dc;
    CPen red(PS_SOLID, 1, RGB(255, 0, 0));
    CPen* original = dc.SelectObject(&red);
    EXPECT_EQ(original, GetStockObject(BLACK_PEN));
    EXPECT_EQ(dc.SelectObject(original), &red);
    CBrush blue(RGB(0, 0, 255));
    CBrush* originalBrush = dc.SelectObject(&blue);
    EXPECT_EQ(originalBrush, GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(dc.GetCurrentBrush(), &blue);
    CBitmap other;
    other.CreateCompatibleBitmap(&dc, 4, 4);
    EXPECT_EQ(dc.SelectObject(&other), &canvas.bitmap);
    EXPECT_EQ(dc.GetCurrentBitmap(), &other);
    // An empty object is refused and changes nothing.
    CPen empty;
    EXPECT_EQ(dc.SelectObject(&empty), nullptr);
    EXPECT_EQ(dc.GetCurrentPen(), original);
}

TEST(Objects, APenDeletedWhileSelectedDrawsAsItWas) {
    MemoryCanvas canvas(10, 10);
    {
        CPen red(PS_SOLID, 1, RGB(255, 0, 0));
        canvas.dc.SelectObject(&red);
    }
    canvas.dc.MoveTo(0, 5);
    canvas.dc.LineTo(9, 5);
    EXPECT_EQ(canvas.Pixel(3, 5), 0xFF0000u);
}

TEST(MemoryDC, StartsOnAOnePixelMonochromeBitmap) {
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    ASSERT_NE(dc.GetCurrentBitmap(), nullptr);
    EXPECT_TRUE(dc.GetCurrentBitmap()->IsMonochrome());
    EXPECT_EQ(dc.GetCurrentBitmap()->GetSize(), CSize(1, 1));
    // So a bitmap "compatible" with it is monochrome too, as on the platform.
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&dc, 8, 8));
    BITMAP info;
    bitmap.GetBitmap(&info);
    EXPECT_EQ(info.bmBitsPixel, 1);
    EXPECT_EQ(info.bmWidth, 8);
    // Colours drawn on a monochrome bitmap become black or white.
    dc.SelectObject(&bitmap);
    dc.FillSolidRect(0, 0, 4, 8, RGB(200, 200, 200));
    dc.FillSolidRect(4, 0, 4, 8, RGB(90, 90, 90));
    EXPECT_EQ(dc.GetPixel(1, 1), RGB(255, 255, 255));
    EXPECT_EQ(dc.GetPixel(5, 1), RGB(0, 0, 0));
}

TEST(MemoryDC, TheBitmapKeepsWhatWasDrawnAfterTheDCIsGone) {
    CBitmap bitmap;
    {
        CDC screen;
        CDC dc;
        dc.CreateCompatibleDC(&screen);
        bitmap.CreateCompatibleBitmap(&screen, 6, 6);
        dc.SelectObject(&bitmap);
        dc.FillSolidRect(1, 1, 2, 2, RGB(0, 255, 0));
    }
    EXPECT_EQ(bitmap.GetImage()->pixel(1, 1) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(bitmap.GetImage()->pixel(3, 3) & 0xFFFFFF, 0u);
}

TEST(MemoryDC, ObjectsDestroyedWhileSelectedLeaveTheDCSafe) {
    // Declared before its bitmap, a DC outlives it: as with the platform's
    // handles, nothing may read the destroyed object.
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    {
        CBitmap bitmap;
        bitmap.CreateBitmap(8, 8, 1, 32, nullptr);
        dc.SelectObject(&bitmap);
        CPalette palette;
        palette.CreateHalftonePalette(&dc);
        dc.SelectPalette(&palette, 0);
    }
    dc.FillSolidRect(0, 0, 4, 4, PALETTEINDEX(215));   // white in the halftone palette
    EXPECT_EQ(dc.GetPixel(1, 1), RGB(255, 255, 255));
    CBitmap compatible;
    EXPECT_TRUE(compatible.CreateCompatibleBitmap(&dc, 2, 2));
    // A DIB section freed by its handle while selected.
    std::vector<unsigned char> room(sizeof(BITMAPINFO));
    auto* info = reinterpret_cast<BITMAPINFO*>(room.data());
    info->bmiHeader = BITMAPINFOHEADER{};
    info->bmiHeader.biWidth = 4;
    info->bmiHeader.biHeight = 4;
    info->bmiHeader.biBitCount = 32;
    HBITMAP section = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, nullptr, nullptr, 0);
    ASSERT_NE(section, nullptr);
    dc.SelectObject(section);
    DeleteObject(section);
    dc.FillSolidRect(0, 0, 2, 2, RGB(0, 0, 255));
    GdiFlush();
    const int saved = dc.SaveDC();
    dc.RestoreDC(saved);
}

}  // namespace
