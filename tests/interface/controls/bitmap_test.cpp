// The device-independent bitmap and the palette made from it: the blank
// image, resources attached and copied (and malformed ones refused), the
// section taking over the pixels, recolouring through the table, drawing.
#include "interface/controls/bitmap.h"

#include "interface/controls/palette.h"
#include "platform/gdi/dib.h"
#include "tests/interface/controls/dib_support.h"
#include "tests/platform/gui/dc_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace dib_test;

QRgb Rgb(COLORREF color) {
    return qRgb(GetRValue(color), GetGValue(color), GetBValue(color));
}

TEST(MCBitmapTest, CreateMakesATenByTenGreyRampWithBlackPixels) {
    MCBitmap bitmap;
    ASSERT_EQ(bitmap.Create(), 1);
    EXPECT_EQ(bitmap.GetDimensions(), CSize(10, 10));
    EXPECT_EQ(bitmap.GetColorDepth(), 8);
    EXPECT_EQ(bitmap.GetColorsUsed(), 256);
    const RGBQUAD* table = bitmap.GetColorTable();
    for (int i : {0, 1, 128, 255})
        EXPECT_TRUE(table[i].rgbRed == i && table[i].rgbGreen == i && table[i].rgbBlue == i && table[i].rgbReserved == 0)
            << i;
    const unsigned long size = bitmap.CalcDataSize(CSize(10, 10), 8);
    EXPECT_EQ(size, 120u);   // rows of 12 bytes
    const BYTE* data = bitmap.GetData();
    EXPECT_TRUE(std::all_of(data, data + size, [](BYTE b) { return b == 0; }));

    // Other depths: the table by depth, the rows padded to 32 bits.
    const struct { int bits, entries; CSize size; unsigned long dataSize; BYTE secondEntry; } cases[] = {
        {1, 2, {9, 3}, 12, 128}, {4, 16, {3, 2}, 8, 16}, {24, 0, {3, 2}, 24, 0},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(bitmap.Create(c.size, c.bits), 1) << c.bits;
        EXPECT_EQ(bitmap.GetColorsUsed(), c.entries) << c.bits;
        EXPECT_EQ(bitmap.CalcDataSize(c.size, c.bits), c.dataSize) << c.bits;
        if (c.entries)
            EXPECT_EQ(bitmap.GetColorTable()[1].rgbRed, c.secondEntry) << c.bits;
    }
    EXPECT_EQ(bitmap.CalcScanWidth(13), 16);
    EXPECT_EQ(bitmap.Create(CSize(0, 5), 8), 0);
    EXPECT_EQ(bitmap.GetDimensions(), CSize(0, 0));   // left empty
}

TEST(MCBitmapTest, AResourceIsAttachedInPlaceAndCopiedByCreate) {
    const TestBitmap art("TestBands", MakeDib(Bands(6, 2, {INDEX_BLUE, INDEX_GREEN, INDEX_RED})));
    MCBitmap attached;
    ASSERT_EQ(attached.AttachResource("testbands", 1), 1);   // names match in any case
    EXPECT_EQ(attached.GetDimensions(), CSize(6, 2));
    EXPECT_EQ(attached.GetColorsUsed(), 256);
    ASSERT_NE(attached.GetPalette(), nullptr);
    EXPECT_EQ(static_cast<MCPalette*>(attached.GetPalette())->GetNumColors(), 256);
    EXPECT_EQ(attached.GetData(), art.Bytes().data() + 40 + 1024);   // points into the resource

    MCBitmap copy;
    ASSERT_EQ(copy.Create("TestBands"), 1);
    EXPECT_NE(copy.GetData(), attached.GetData());
    EXPECT_EQ(std::memcmp(copy.GetData(), attached.GetData(), 16), 0);
    EXPECT_EQ(copy.GetColorTable()[INDEX_RED].rgbRed, 255);
    EXPECT_EQ(copy.GetColorTable()[INDEX_RED].rgbBlue, 0);

    MCBitmap missing;
    EXPECT_EQ(missing.AttachResource("NoSuchBitmap", 0), 0);
    EXPECT_EQ(missing.Create("NoSuchBitmap"), 0);
    EXPECT_EQ(missing.GetDimensions(), CSize(0, 0));
}

TEST(MCBitmapTest, AMalformedResourceIsRefusedNeverReadPast) {
    const std::vector<BYTE> good = MakeDib(Bands(6, 2, {INDEX_BLUE}));
    const auto with = [&](auto change) {
        std::vector<BYTE> bytes = good;
        change(bytes);
        return bytes;
    };
    const auto setHeader = [](std::vector<BYTE>& bytes, size_t offset, DWORD value) {
        std::memcpy(bytes.data() + offset, &value, 4);
    };
    const struct { const char* name; std::vector<BYTE> bytes; } cases[] = {
        {"rows cut short", with([](auto& b) { b.resize(b.size() - 1); })},
        {"table cut short", with([](auto& b) { b.resize(40 + 100); })},
        {"header cut short", with([](auto& b) { b.resize(30); })},
        {"another header size", with([&](auto& b) { setHeader(b, 0, 12); })},
        {"huge height", with([&](auto& b) { setHeader(b, 8, 0x7FFFFFFF); })},
        {"depth 7", with([](auto& b) { b[14] = 7; })},
        {"colours used past 256", with([&](auto& b) { setHeader(b, 32, 100000); })},
        {"compressed", with([&](auto& b) { setHeader(b, 16, BI_RLE8); })},
    };
    for (const auto& c : cases) {
        const TestBitmap art("TestBroken", c.bytes);
        MCBitmap bitmap;
        EXPECT_EQ(bitmap.AttachResource("TestBroken", 0), 0) << c.name;
        EXPECT_EQ(bitmap.Create("TestBroken"), 0) << c.name;
    }
    const TestBitmap art("TestWhole", good);
    MCBitmap bitmap;
    EXPECT_EQ(bitmap.AttachResource("TestWhole", 0), 1);
}

TEST(MCBitmapTest, AnAttachedBitmapNeverWritesIntoItsResource) {
    const TestBitmap art("TestBands", MakeDib(Bands(6, 2, {INDEX_BLUE, INDEX_GREEN, INDEX_RED})));
    const std::vector<BYTE> before = art.Bytes();
    MCBitmap attached;
    ASSERT_EQ(attached.AttachResource("TestBands", 0), 1);
    CPalette palette;
    palette.CreateHalftonePalette(nullptr);
    EXPECT_EQ(attached.MapColorsToPalette(&palette), 0);
    EXPECT_EQ(attached.ReplacePixelValues(kBlue, kRed, &palette), 0);
    EXPECT_EQ(art.Bytes(), before);
}

TEST(MCBitmapTest, TheSectionTakesOverThePixelsAndTheTableRecoloursThem) {
    MCBitmap bitmap;
    ASSERT_EQ(bitmap.Create(), 1);
    bitmap.GetData()[0] = 200;   // bottom row, first pixel
    BYTE* rows = bitmap.GetData();
    CDC screen;
    HBITMAP section = bitmap.CreateSection(&screen);
    ASSERT_NE(section, nullptr);
    EXPECT_EQ(bitmap.CreateSection(&screen), section);   // made once
    EXPECT_NE(bitmap.GetData(), rows);
    EXPECT_EQ(bitmap.GetData()[0], 200);

    // ReplacePixelValues: equal colours change nothing; else the table entry
    // nearest `from` takes the palette colour nearest `to`, pixels untouched.
    CPalette palette;
    palette.CreateHalftonePalette(nullptr);
    EXPECT_EQ(bitmap.ReplacePixelValues(RGB(200, 200, 200), RGB(200, 200, 200), &palette), 1);
    EXPECT_EQ(bitmap.ReplacePixelValues(RGB(0, 0, 0), RGB(255, 0, 0), &palette), 1);
    const UINT black = palette.GetNearestPaletteIndex(RGB(0, 0, 0));
    EXPECT_EQ(bitmap.GetColorTable()[black].rgbRed, 255);
    EXPECT_EQ(bitmap.GetData()[1], 0);

    // Drawn, the section shows the new colour (it keeps its own table).
    MemoryCanvas canvas(10, 10);
    CRect dest(0, 0, 10, 10), src(0, 0, 10, 10);
    ASSERT_EQ(bitmap.Draw(&canvas.dc, dest, src), 1);
    if (black == 0)
        EXPECT_EQ(canvas.Pixel(5, 5), 0xFF0000u);
    EXPECT_EQ(canvas.Pixel(0, 9), Rgb(RGB(200, 200, 200)) & 0xFFFFFF);   // the changed pixel, bottom left
}

TEST(MCBitmapTest, DrawStretchesWithoutASectionAndCopiesWithOne) {
    MCBitmap ramp;
    ramp.Create();
    MCPalette shared(&ramp);   // the shared palette is selected (colours stay: true colour)
    MCPalette::SetSharedPalette(&shared);
    const struct { const char* name; bool section; CRect inked; } cases[] = {
        {"no section: stretched", false, CRect(0, 0, 20, 20)},
        {"section: copied unstretched", true, CRect(0, 0, 10, 10)},
    };
    for (const auto& c : cases) {
        MCBitmap bitmap;
        ASSERT_EQ(bitmap.Create(), 1);   // 10 x 10 black
        if (c.section)
            bitmap.CreateSection(nullptr);
        MemoryCanvas canvas(30, 30);
        CRect dest(0, 0, 20, 20), src(0, 0, 10, 10);
        EXPECT_EQ(bitmap.Draw(&canvas.dc, dest, src), 1) << c.name;
        const std::vector<int> rows = InkRows(canvas.Image());
        const std::vector<int> columns = InkColumns(canvas.Image());
        ASSERT_FALSE(rows.empty()) << c.name;
        EXPECT_EQ(CRect(columns.front(), rows.front(), columns.back() + 1, rows.back() + 1), c.inked) << c.name;
        EXPECT_EQ(canvas.dc.GetCurrentPalette(), &shared) << c.name;
    }
    MCPalette::SetSharedPalette(nullptr);
    MCBitmap empty;
    CRect rect(0, 0, 1, 1);
    MemoryCanvas canvas(2, 2);
    EXPECT_EQ(empty.Draw(&canvas.dc, rect, rect), 0);
}

TEST(MCPaletteTest, APaletteTakesTheBitmapsColoursAndNormalizesToNothingHere) {
    MCBitmap bitmap;
    ASSERT_EQ(bitmap.Create(CSize(2, 2), 4), 1);
    MCPalette palette(&bitmap);
    EXPECT_EQ(palette.GetNumColors(), 16);
    PALETTEENTRY entry;
    palette.GetPaletteEntries(15, 1, &entry);
    EXPECT_EQ(entry.peRed, 240);
    EXPECT_EQ(entry.peFlags, 0);

    MCBitmap empty;
    MCPalette none;
    EXPECT_EQ(none.Create(&empty), 0);
    EXPECT_EQ(none.GetNumColors(), 0);

    CDC screen;   // true colour: no system palette to match
    EXPECT_EQ(palette.Normalize(&screen), 0);
    EXPECT_EQ(palette.GetNumColors(), 16);
}

}  // namespace
