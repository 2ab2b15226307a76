// Raster operations, block transfers, monochrome conversions, ScrollDC and
// device-independent bitmaps.
#include "platform/gdi/dc.h"
#include "platform/gdi/dib.h"

#include "dc_support.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A canvas with something on it, so an inversion has colours to invert.
void Scribble(MemoryCanvas& canvas) {
    canvas.dc.FillSolidRect(0, 0, 20, 40, RGB(30, 140, 200));
    canvas.dc.FillSolidRect(20, 10, 30, 15, RGB(250, 10, 90));
    CBrush green(RGB(0, 160, 0));
    canvas.dc.SelectObject(&green);
    canvas.dc.Ellipse(5, 5, 45, 35);   // antialiased edges: many shades
    canvas.dc.SelectStockObject(WHITE_BRUSH);
}

bool SameBytes(const QImage& a, const QImage& b) {
    return a.size() == b.size() && a.format() == b.format() &&
           std::memcmp(a.constBits(), b.constBits(), static_cast<size_t>(a.sizeInBytes())) == 0;
}

TEST(Inversion, EachInversionDrawnTwiceRestoresEveryByte) {
    const struct {
        const char* name;
        void (*draw)(CDC&);
    } cases[] = {
        {"R2_XORPEN figures", [](CDC& dc) {
             dc.SetROP2(R2_XORPEN);
             CPen pen(PS_SOLID, 3, RGB(200, 100, 50));
             CBrush brush(RGB(17, 99, 180));
             CPen* oldPen = dc.SelectObject(&pen);
             CBrush* oldBrush = dc.SelectObject(&brush);
             dc.Rectangle(3, 4, 40, 30);
             dc.Ellipse(10, 2, 48, 38);
             dc.MoveTo(0, 0);
             dc.LineTo(47, 33);
             dc.SelectObject(oldPen);
             dc.SelectObject(oldBrush);
             dc.SetROP2(R2_COPYPEN);
         }},
        {"R2_NOTXORPEN polygon", [](CDC& dc) {
             dc.SetROP2(R2_NOTXORPEN);
             CPen pen(PS_SOLID, 1, RGB(90, 200, 10));
             CPen* old = dc.SelectObject(&pen);
             const POINT star[5] = {{25, 2}, {40, 38}, {2, 14}, {48, 14}, {10, 38}};
             dc.Polygon(star, 5);
             dc.SelectObject(old);
             dc.SetROP2(R2_COPYPEN);
         }},
        {"R2_NOT line", [](CDC& dc) {
             dc.SetROP2(R2_NOT);
             dc.MoveTo(1, 39);
             dc.LineTo(49, 2);
             dc.SetROP2(R2_COPYPEN);
         }},
        {"halftone PATINVERT frame", [](CDC& dc) {
             // A focus frame as the buttons draw it: a one-pixel frame region
             // clipping a halftone pattern inversion of its box.
             CRgn outer;
             CRgn inner;
             CRgn frame;
             outer.CreateRectRgn(4, 6, 44, 30);
             inner.CreateRectRgn(5, 7, 43, 29);
             frame.CreateRectRgn(0, 0, 0, 0);
             frame.CombineRgn(&outer, &inner, RGN_XOR);
             const int saved = dc.SaveDC();
             dc.SelectClipRgn(&frame);
             CBrush* old = dc.SelectObject(CDC::GetHalftoneBrush());
             dc.PatBlt(4, 6, 40, 24, PATINVERT);
             dc.SelectObject(old);
             dc.RestoreDC(saved);
         }},
        {"DSTINVERT", [](CDC& dc) { dc.PatBlt(2, 3, 41, 30, DSTINVERT); }},
        {"SRCINVERT", [](CDC& dc) {
             MemoryCanvas source(50, 40);
             Scribble(source);
             dc.BitBlt(0, 0, 50, 40, &source.dc, 3, 1, SRCINVERT);
         }},
        {"InvertRect and DrawFocusRect", [](CDC& dc) {
             const RECT rect{6, 6, 30, 22};
             dc.InvertRect(&rect);
             dc.DrawFocusRect(&rect);
         }},
    };
    for (const auto& c : cases) {
        MemoryCanvas canvas(50, 40);
        Scribble(canvas);
        const QImage before = canvas.Copy();
        c.draw(canvas.dc);
        EXPECT_FALSE(SameBytes(canvas.Image(), before)) << c.name << " drew nothing";
        c.draw(canvas.dc);
        EXPECT_TRUE(SameBytes(canvas.Image(), before)) << c.name;
    }
}

TEST(Inversion, TheHalftoneFrameInvertsAlternatePixelsOfTheFrameOnly) {
    MemoryCanvas canvas(20, 20);
    CRgn frame;
    frame.CreateRectRgn(2, 2, 12, 12);
    CRgn inner;
    inner.CreateRectRgn(3, 3, 11, 11);
    frame.CombineRgn(&frame, &inner, RGN_DIFF);
    canvas.dc.SelectClipRgn(&frame);
    canvas.dc.SelectObject(CDC::GetHalftoneBrush());
    canvas.dc.PatBlt(2, 2, 10, 10, PATINVERT);
    EXPECT_NE(canvas.Pixel(2, 2), canvas.Pixel(3, 2));   // alternate pixels along the frame
    EXPECT_EQ(canvas.Pixel(5, 5), 0xFFFFFFu);            // the inside untouched
    EXPECT_EQ(canvas.Pixel(12, 12), 0xFFFFFFu);          // and the outside
}

TEST(Inversion, ADragRectangleMovesByTheDifferenceOfItsFrames) {
    MemoryCanvas canvas(40, 40);
    // The inked pixels, each outside the band of `frame` counting 1000.
    auto inked = [&canvas](const CRect& frame) {
        int ink = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x)
                if (canvas.Pixel(x, y) != 0xFFFFFFu)
                    ink += frame.PtInRect({x, y}) && !CRect(frame.left + 2, frame.top + 2, frame.right - 2,
                                                            frame.bottom - 2).PtInRect({x, y}) ? 1 : 1000;
        return ink;
    };
    const CRect first(4, 4, 20, 16), second(10, 8, 30, 30);
    auto halfBand = [](const CRect& frame) { return (frame.Width() * frame.Height() - (frame.Width() - 4) * (frame.Height() - 4)) / 2; };
    canvas.dc.SetMapMode(MM_TWIPS);   // device units whatever the mapping
    canvas.dc.DrawDragRect(&first, CSize(2, 2), nullptr, CSize(2, 2));
    EXPECT_EQ(inked(first), halfBand(first));   // every other pixel of the band
    canvas.dc.DrawDragRect(&second, CSize(2, 2), &first, CSize(2, 2));
    EXPECT_EQ(inked(second), halfBand(second));   // only the second frame
    canvas.dc.DrawDragRect(nullptr, CSize(2, 2), &second, CSize(2, 2));
    EXPECT_EQ(inked(second), 0);
}

TEST(Antialiasing, ShapesAreSmoothedAndCopiesAreNot) {
    MemoryCanvas canvas(40, 40);
    canvas.dc.SelectStockObject(BLACK_BRUSH);
    canvas.dc.Ellipse(2, 2, 38, 38);
    int shades = 0;
    for (int x = 0; x < 40; ++x)
        for (int y = 0; y < 40; ++y) {
            const QRgb p = canvas.Pixel(x, y);
            shades += p != 0 && p != 0xFFFFFF;
        }
    EXPECT_GT(shades, 20);
}

TEST(Monochrome, ConversionsFollowTheBackgroundAndTextColours) {
    // colour -> mono: the source's background colour gives 1 (white), all else 0.
    // mono -> colour: 1 becomes the destination's background colour, 0 its text colour.
    const struct {
        bool toMono;
        COLORREF pixel;        // the source pixel
        COLORREF background;   // the source's (to mono) or destination's (to colour) background
        COLORREF text;         // the destination's text colour (to colour)
        COLORREF expected;
    } cases[] = {
        {true, RGB(255, 0, 0), RGB(255, 0, 0), 0, RGB(255, 255, 255)},
        {true, RGB(255, 0, 0), RGB(255, 255, 255), 0, RGB(0, 0, 0)},
        {true, RGB(255, 255, 255), RGB(255, 255, 255), 0, RGB(255, 255, 255)},
        {true, RGB(254, 255, 255), RGB(255, 255, 255), 0, RGB(0, 0, 0)},
        {true, RGB(0, 0, 0), RGB(0, 0, 0), 0, RGB(255, 255, 255)},
        {false, RGB(255, 255, 255), RGB(10, 20, 30), RGB(200, 100, 0), RGB(10, 20, 30)},
        {false, RGB(0, 0, 0), RGB(10, 20, 30), RGB(200, 100, 0), RGB(200, 100, 0)},
        {false, RGB(255, 255, 255), RGB(255, 255, 255), RGB(0, 0, 0), RGB(255, 255, 255)},
    };
    for (const auto& c : cases) {
        CDC screen;
        CDC colorDC;
        CDC monoDC;
        colorDC.CreateCompatibleDC(&screen);
        monoDC.CreateCompatibleDC(&screen);
        CBitmap color;
        CBitmap mono;
        color.CreateCompatibleBitmap(&screen, 4, 4);
        mono.CreateBitmap(4, 4, 1, 1, nullptr);
        colorDC.SelectObject(&color);
        monoDC.SelectObject(&mono);
        if (c.toMono) {
            colorDC.FillSolidRect(0, 0, 4, 4, c.pixel);
            colorDC.SetBkColor(c.background);
            monoDC.BitBlt(0, 0, 4, 4, &colorDC, 0, 0, SRCCOPY);
            EXPECT_EQ(monoDC.GetPixel(1, 1), c.expected) << std::hex << c.pixel << " on " << c.background;
        } else {
            monoDC.FillSolidRect(0, 0, 4, 4, c.pixel);
            colorDC.SetBkColor(c.background);
            colorDC.SetTextColor(c.text);
            colorDC.BitBlt(0, 0, 4, 4, &monoDC, 0, 0, SRCCOPY);
            EXPECT_EQ(colorDC.GetPixel(1, 1), c.expected) << std::hex << c.pixel;
        }
    }
}

TEST(Transfer, RasterOperationsAsATable) {
    const COLORREF d = RGB(0xF0, 0x0F, 0x55);
    const COLORREF s = RGB(0xCC, 0x33, 0xAA);
    const COLORREF p = RGB(0x3C, 0xC3, 0x99);
    const struct { DWORD rop; COLORREF expected; } cases[] = {
        {SRCCOPY, s},
        {SRCAND, RGB(0xC0, 0x03, 0x00)},
        {SRCPAINT, RGB(0xFC, 0x3F, 0xFF)},
        {SRCINVERT, RGB(0x3C, 0x3C, 0xFF)},
        {DSTINVERT, RGB(0x0F, 0xF0, 0xAA)},
        {PATCOPY, p},
        {PATINVERT, RGB(0xCC, 0xCC, 0xCC)},
        {BLACKNESS, RGB(0, 0, 0)},
        {WHITENESS, RGB(255, 255, 255)},
        {NOTSRCCOPY, RGB(0x33, 0xCC, 0x55)},
        {MERGECOPY, RGB(0x0C, 0x03, 0x88)},
    };
    for (const auto& c : cases) {
        MemoryCanvas dest(6, 6);
        MemoryCanvas source(6, 6);
        dest.dc.FillSolidRect(0, 0, 6, 6, d);
        source.dc.FillSolidRect(0, 0, 6, 6, s);
        CBrush brush(p);
        dest.dc.SelectObject(&brush);
        dest.dc.BitBlt(1, 1, 4, 4, &source.dc, 0, 0, c.rop);
        EXPECT_EQ(dest.dc.GetPixel(2, 2), c.expected) << std::hex << c.rop;
        EXPECT_EQ(dest.dc.GetPixel(0, 0), d) << "outside " << std::hex << c.rop;
        EXPECT_EQ(dest.dc.GetPixel(5, 5), d) << "outside " << std::hex << c.rop;
    }
}

TEST(Transfer, StretchingTakesTheNearestPixelSoMasksStayExact) {
    // A 2 x 2 checker stretched to 6 x 6 and shrunk from 8 x 8 to 4 x 4.
    MemoryCanvas source(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            source.dc.SetPixel(x, y, ((x / 1) + (y / 1)) % 2 ? RGB(0, 0, 0) : RGB(255, 255, 255));
    MemoryCanvas big(6, 6);
    big.dc.StretchBlt(0, 0, 6, 6, &source.dc, 0, 0, 2, 2, SRCCOPY);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(big.Pixel(x, y), ((x / 3 + y / 3) % 2) ? 0u : 0xFFFFFFu) << x << "," << y;
    MemoryCanvas small(4, 4);
    small.dc.StretchBlt(0, 0, 4, 4, &source.dc, 0, 0, 8, 8, SRCCOPY);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const QRgb p = small.Pixel(x, y);
            EXPECT_TRUE(p == 0u || p == 0xFFFFFFu) << x << "," << y;   // no blends
        }
    // A negative width mirrors.
    MemoryCanvas mirrored(8, 1);
    source.dc.FillSolidRect(0, 0, 1, 1, RGB(255, 0, 0));
    mirrored.dc.StretchBlt(7, 0, -8, 1, &source.dc, 0, 0, 8, 1, SRCCOPY);
    EXPECT_EQ(mirrored.Pixel(7, 0), 0xFF0000u);
}

TEST(Transfer, AMaskDrawnWithAndThenOrLeavesTheBackgroundAroundTheImage) {
    // The transparent-image idiom: a monochrome mask (white where transparent),
    // ANDed, then the image (black where transparent) ORed.
    MemoryCanvas dest(10, 1);
    dest.dc.FillSolidRect(0, 0, 10, 1, RGB(40, 80, 120));
    CDC maskDC;
    maskDC.CreateCompatibleDC(nullptr);
    CBitmap mask;
    mask.CreateBitmap(10, 1, 1, 1, nullptr);
    maskDC.SelectObject(&mask);
    maskDC.FillSolidRect(0, 0, 10, 1, RGB(255, 255, 255));
    maskDC.FillSolidRect(3, 0, 4, 1, RGB(0, 0, 0));
    MemoryCanvas image(10, 1);
    image.dc.FillSolidRect(0, 0, 10, 1, RGB(0, 0, 0));
    image.dc.FillSolidRect(3, 0, 4, 1, RGB(250, 0, 0));
    dest.dc.SetBkColor(RGB(255, 255, 255));
    dest.dc.SetTextColor(RGB(0, 0, 0));
    dest.dc.BitBlt(0, 0, 10, 1, &maskDC, 0, 0, SRCAND);
    dest.dc.BitBlt(0, 0, 10, 1, &image.dc, 0, 0, SRCPAINT);
    EXPECT_EQ(dest.Pixel(1, 0), 0x285078u);
    EXPECT_EQ(dest.Pixel(4, 0), 0xFA0000u);
    EXPECT_EQ(dest.Pixel(8, 0), 0x285078u);
}

TEST(ScrollDC, MovesThePixelsAndReportsTheUncoveredStrip) {
    const struct { int dx, dy; RECT uncovered; } cases[] = {
        {0, -4, {0, 16, 30, 20}},
        {0, 5, {0, 0, 30, 5}},
        {-7, 0, {23, 0, 30, 20}},
        {3, 2, {0, 0, 30, 20}},   // both ways: an L, its box the whole area
    };
    for (const auto& c : cases) {
        MemoryCanvas canvas(30, 20);
        canvas.dc.SetPixel(10, 10, RGB(255, 0, 0));
        const RECT all{0, 0, 30, 20};
        RECT uncovered;
        CRgn region;
        ASSERT_TRUE(canvas.dc.ScrollDC(c.dx, c.dy, &all, &all, &region, &uncovered));
        EXPECT_TRUE(CRect(uncovered) == CRect(c.uncovered)) << c.dx << "," << c.dy;
        EXPECT_EQ(canvas.Pixel(10 + c.dx, 10 + c.dy), 0xFF0000u) << c.dx << "," << c.dy;
        EXPECT_TRUE(region.PtInRegion(c.uncovered.left, c.uncovered.top)) << c.dx << "," << c.dy;
        EXPECT_FALSE(region.PtInRegion(15, 10)) << c.dx << "," << c.dy;
    }
}

TEST(Transfer, ACopyWithinOneBitmapReadsOnlyWhatLiesOnIt) {
    // Sources hanging off every side of the bitmap: what lies off it is left alone.
    for (const CPoint from : {CPoint(-10, -7), CPoint(12, 9), CPoint(-25, 15), CPoint(40, -30)}) {
        MemoryCanvas canvas(30, 20);
        canvas.dc.SetPixel(15, 10, RGB(255, 0, 0));
        EXPECT_TRUE(canvas.dc.BitBlt(0, 0, 30, 20, &canvas.dc, from.x, from.y, SRCCOPY));
        const int x = 15 - from.x;
        const int y = 10 - from.y;
        if (x >= 0 && x < 30 && y >= 0 && y < 20) {
            EXPECT_EQ(canvas.Pixel(x, y), 0xFF0000u) << from.x << "," << from.y;
        }
    }
}

// An 8-bit DIB of `width` x 2 rows, bottom-up: the bottom row index 1, the top row index 2.
struct EightBitDib {
    std::vector<unsigned char> info = std::vector<unsigned char>(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    std::vector<unsigned char> bits;
    BITMAPINFO* Info() { return reinterpret_cast<BITMAPINFO*>(info.data()); }
    explicit EightBitDib(int width) {
        BITMAPINFOHEADER& header = Info()->bmiHeader;
        header = BITMAPINFOHEADER{};
        header.biWidth = width;
        header.biHeight = 2;
        header.biBitCount = 8;
        header.biClrUsed = 3;
        RGBQUAD* colors = Info()->bmiColors;
        colors[0] = {0, 0, 0, 0};
        colors[1] = {0, 0, 255, 0};   // red (blue, green, red order)
        colors[2] = {255, 0, 0, 0};   // blue
        const int stride = (width + 3) / 4 * 4;   // rows padded to 4 bytes
        bits.assign(static_cast<size_t>(stride) * 2, 0);
        std::memset(bits.data(), 1, static_cast<size_t>(width));            // first row stored: the bottom
        std::memset(bits.data() + stride, 2, static_cast<size_t>(width));   // then the top
    }
};

TEST(Dib, ABottomUpEightBitDibDrawsUpright) {
    EightBitDib dib(5);   // 5 wide: each row padded with 3 bytes
    MemoryCanvas canvas(5, 2);
    EXPECT_EQ(canvas.dc.StretchDIBits(0, 0, 5, 2, 0, 0, 5, 2, dib.bits.data(), dib.Info(), DIB_RGB_COLORS, SRCCOPY), 2);
    EXPECT_EQ(canvas.Pixel(4, 0), 0x0000FFu);   // the top row is blue
    EXPECT_EQ(canvas.Pixel(4, 1), 0xFF0000u);   // the bottom row red
    // A negative height is top-down.
    dib.Info()->bmiHeader.biHeight = -2;
    canvas.dc.StretchDIBits(0, 0, 5, 2, 0, 0, 5, 2, dib.bits.data(), dib.Info(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(canvas.Pixel(0, 0), 0xFF0000u);
    // The same rows through SetDIBitsToDevice.
    dib.Info()->bmiHeader.biHeight = 2;
    MemoryCanvas other(5, 2);
    EXPECT_EQ(other.dc.SetDIBitsToDevice(0, 0, 5, 2, 0, 0, 0, 2, dib.bits.data(), dib.Info(), DIB_RGB_COLORS), 2);
    EXPECT_EQ(other.Pixel(0, 0), 0x0000FFu);
    EXPECT_EQ(other.Pixel(0, 1), 0xFF0000u);
}

TEST(Dib, EveryDepthDecodesItsPaddedRows) {
    // 3 x 2, bottom-up: the top row red ... blue, the bottom row blue ... red.
    for (int depth : {1, 4, 8, 24, 32}) {
        const int stride = (3 * depth + 31) / 32 * 4;
        std::vector<unsigned char> info(sizeof(BITMAPINFOHEADER) + 16 * sizeof(RGBQUAD));
        auto* header = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
        *header = BITMAPINFOHEADER{};
        header->biWidth = 3;
        header->biHeight = 2;
        header->biBitCount = static_cast<WORD>(depth);
        auto* table = reinterpret_cast<RGBQUAD*>(info.data() + sizeof(BITMAPINFOHEADER));
        const unsigned red = depth <= 8 ? 1 : 0xFF0000;
        const unsigned blue = depth == 1 ? 0 : depth <= 8 ? 2 : 0x0000FF;
        if (depth <= 8) {
            header->biClrUsed = depth == 1 ? 2 : 3;
            table[blue] = {255, 0, 0, 0};
            table[red] = {0, 0, 255, 0};
        }
        std::vector<unsigned char> bits(static_cast<size_t>(stride) * 2, 0);
        auto put = [&](int row, int x, unsigned value) {
            unsigned char* r = bits.data() + row * stride;
            switch (depth) {
            case 1: r[x / 8] |= static_cast<unsigned char>((value & 1) << (7 - x % 8)); break;
            case 4: r[x / 2] |= static_cast<unsigned char>((value & 0xF) << (x % 2 ? 0 : 4)); break;
            case 8: r[x] = static_cast<unsigned char>(value); break;
            default: {
                unsigned char* p = r + x * (depth / 8);
                p[0] = static_cast<unsigned char>(value);
                p[1] = static_cast<unsigned char>(value >> 8);
                p[2] = static_cast<unsigned char>(value >> 16);
            }
            }
        };
        put(0, 0, blue);   // stored first: the bottom row
        put(0, 2, red);
        put(1, 0, red);
        put(1, 2, blue);
        MemoryCanvas canvas(3, 2);
        ASSERT_EQ(canvas.dc.StretchDIBits(0, 0, 3, 2, 0, 0, 3, 2, bits.data(), reinterpret_cast<BITMAPINFO*>(info.data()),
                                          DIB_RGB_COLORS, SRCCOPY), 2) << depth;
        EXPECT_EQ(canvas.Pixel(0, 0), 0xFF0000u) << depth;
        EXPECT_EQ(canvas.Pixel(2, 0), 0x0000FFu) << depth;
        EXPECT_EQ(canvas.Pixel(0, 1), 0x0000FFu) << depth;
        EXPECT_EQ(canvas.Pixel(2, 1), 0xFF0000u) << depth;
    }
}

TEST(Dib, ASectionShowsItsBitsAndAColourTableChange) {
    EightBitDib dib(4);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, dib.Info(), DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(section, nullptr);
    ASSERT_NE(bits, nullptr);
    std::memcpy(bits, dib.bits.data(), dib.bits.size());
    CDC sectionDC;
    sectionDC.CreateCompatibleDC(nullptr);
    CBitmap* old = sectionDC.SelectObject(section);
    MemoryCanvas canvas(4, 2);
    canvas.dc.BitBlt(0, 0, 4, 2, &sectionDC, 0, 0, SRCCOPY);
    EXPECT_EQ(canvas.Pixel(0, 0), 0x0000FFu);
    EXPECT_EQ(canvas.Pixel(0, 1), 0xFF0000u);
    const RGBQUAD green{0, 255, 0, 0};
    EXPECT_EQ(SetDIBColorTable(&sectionDC, 2, 1, &green), 1u);
    canvas.dc.BitBlt(0, 0, 4, 2, &sectionDC, 0, 0, SRCCOPY);
    EXPECT_EQ(canvas.Pixel(0, 0), 0x00FF00u);
    // Drawing into the section reaches its bits, as the nearest table entry.
    sectionDC.FillSolidRect(0, 1, 4, 1, RGB(0, 250, 0));
    GdiFlush();
    EXPECT_EQ(static_cast<unsigned char*>(bits)[0], 2);
    sectionDC.SelectObject(old);
    EXPECT_TRUE(DeleteObject(section));
}

TEST(Dib, MalformedHeadersAreRefused) {
    EightBitDib dib(4);
    const struct { const char* name; void (*spoil)(BITMAPINFOHEADER&); } cases[] = {
        {"depth", [](BITMAPINFOHEADER& h) { h.biBitCount = 7; }},
        {"width", [](BITMAPINFOHEADER& h) { h.biWidth = 0; }},
        {"height", [](BITMAPINFOHEADER& h) { h.biHeight = 0; }},
        {"compression", [](BITMAPINFOHEADER& h) { h.biCompression = BI_RLE8; }},
        {"header size", [](BITMAPINFOHEADER& h) { h.biSize = 12; }},
    };
    for (const auto& c : cases) {
        EightBitDib spoilt(4);
        c.spoil(spoilt.Info()->bmiHeader);
        MemoryCanvas canvas(4, 2);
        EXPECT_EQ(canvas.dc.StretchDIBits(0, 0, 4, 2, 0, 0, 4, 2, spoilt.bits.data(), spoilt.Info(), DIB_RGB_COLORS, SRCCOPY), 0)
            << c.name;
        EXPECT_EQ(CreateDIBSection(nullptr, spoilt.Info(), DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr) << c.name;
    }
}

TEST(Dib, ABitmapResourceIsAnImageFileOrThePackedForm) {
    // The packed form: header, the three table entries it uses, the rows.
    EightBitDib dib(5);
    const size_t table = 3 * sizeof(RGBQUAD);
    std::vector<unsigned char> packed(dib.info.begin(), dib.info.begin() + sizeof(BITMAPINFOHEADER) + table);
    packed.insert(packed.end(), dib.bits.begin(), dib.bits.end());
    QImage image;
    ASSERT_TRUE(DecodeBitmapResource(packed.data(), packed.size(), &image));
    EXPECT_EQ(image.size(), QSize(5, 2));
    EXPECT_EQ(image.pixel(4, 0) & 0xFFFFFF, 0x0000FFu);   // the top row blue, upright
    EXPECT_EQ(image.pixel(0, 1) & 0xFFFFFF, 0xFF0000u);
    // A block cut short anywhere, in the header, the table or the rows, is refused unread.
    for (size_t cut : {size_t{20}, sizeof(BITMAPINFOHEADER) + 4, packed.size() - 1}) {
        QImage untouched = image;
        EXPECT_FALSE(DecodeBitmapResource(packed.data(), cut, &untouched)) << cut;
        EXPECT_EQ(untouched, image) << cut;
    }
    // An image file is read as it stands.
    QByteArray file;
    QBuffer buffer(&file);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    QImage fromFile;
    ASSERT_TRUE(DecodeBitmapResource(file.constData(), static_cast<size_t>(file.size()), &fromFile));
    EXPECT_EQ(fromFile.pixel(4, 0) & 0xFFFFFF, 0x0000FFu);
    const char junk[] = "no picture at all, not even a header of one";
    EXPECT_FALSE(DecodeBitmapResource(junk, sizeof junk, &fromFile));
}

TEST(Palette, NearestIndexAndNoPaletteDevices) {
    std::vector<unsigned char> room(sizeof(LOGPALETTE) + 3 * sizeof(PALETTEENTRY));
    auto* logPalette = reinterpret_cast<LOGPALETTE*>(room.data());
    logPalette->palNumEntries = 3;
    logPalette->palPalEntry[0] = {0, 0, 0, 0};
    logPalette->palPalEntry[1] = {250, 0, 0, 0};
    logPalette->palPalEntry[2] = {0, 0, 250, 0};
    CPalette palette;
    ASSERT_TRUE(palette.CreatePalette(logPalette));
    EXPECT_EQ(palette.GetNearestPaletteIndex(RGB(200, 30, 30)), 1u);
    EXPECT_EQ(palette.GetNearestPaletteIndex(RGB(10, 10, 200)), 2u);
    EXPECT_EQ(palette.GetNearestPaletteIndex(RGB(20, 20, 20)), 0u);
    MemoryCanvas canvas(2, 2);
    canvas.dc.SelectPalette(&palette, 0);
    EXPECT_EQ(canvas.dc.RealizePalette(), 0u);
    EXPECT_EQ(canvas.dc.GetDeviceCaps(RASTERCAPS) & RC_PALETTE, 0);
    EXPECT_EQ(canvas.dc.GetDeviceCaps(TECHNOLOGY), DT_RASDISPLAY);
    EXPECT_FALSE(canvas.dc.IsPrinting());
    EXPECT_EQ(canvas.dc.m_hAttribDC, nullptr);
}

TEST(DeviceCaps, APrinterHasItsResolutionPaperAndAttributeDC) {
    QImage page(850, 1100, QImage::Format_RGB32);   // a Letter page at 100 dpi
    CDC printer;
    ASSERT_TRUE(printer.AttachDevice(&page, DCKind::Printer, 100, 100, {850, 1100}, {25, 25}));
    EXPECT_TRUE(printer.IsPrinting());
    EXPECT_EQ(printer.m_hAttribDC, &printer);
    const struct { int index, expected; } cases[] = {
        {LOGPIXELSX, 100}, {LOGPIXELSY, 100}, {HORZRES, 850}, {VERTRES, 1100}, {TECHNOLOGY, DT_RASPRINTER},
        {PHYSICALWIDTH, 850}, {PHYSICALHEIGHT, 1100}, {PHYSICALOFFSETX, 25}, {HORZSIZE, 216},
    };
    for (const auto& c : cases)
        EXPECT_EQ(printer.GetDeviceCaps(c.index), c.expected) << c.index;
    // Twips follow the printer's resolution.
    printer.SetMapMode(MM_TWIPS);
    POINT inch{1440, -1440};
    printer.LPtoDP(&inch);
    EXPECT_EQ(inch.x, 100);
    EXPECT_EQ(inch.y, 100);
}

}  // namespace
