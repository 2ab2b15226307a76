// The image manager: keys by id and by name in one map, the key colours
// recoloured to the system's button colours through the palette, nothing
// cached for what cannot be made, and the off-screen buffer that only grows.
#include "interface/controls/imagemgr.h"

#include "interface/controls/palette.h"
#include "platform/ui/syscolor.h"
#include "tests/interface/controls/dib_support.h"
#include "tests/platform/gui/dc_support.h"

#include <gtest/gtest.h>

namespace {

using namespace dib_test;

constexpr COLORREF kNone = 0xFFFFFFFF;

class ImageManager : public ::testing::Test {
protected:
    ImageManager() {
        palette.CreateHalftonePalette(nullptr);
        manager->SetPalette(&palette);
    }
    ~ImageManager() override {
        manager->RemoveImages();
        manager->SetPalette(nullptr);
    }
    // The palette's colour nearest `color`, as the screen shows it.
    QRgb Nearest(COLORREF color) {
        PALETTEENTRY entry;
        palette.GetPaletteEntries(palette.GetNearestPaletteIndex(color), 1, &entry);
        return qRgb(entry.peRed, entry.peGreen, entry.peBlue) & 0xFFFFFF;
    }
    // The image drawn at its own size; the colour at the middle of each band.
    std::vector<QRgb> BandColors(MCBitmap* image, int bands) {
        const CSize size = image->GetDimensions();
        MemoryCanvas canvas(size.cx, size.cy);
        CRect rect(0, 0, size.cx, size.cy);
        image->Draw(&canvas.dc, rect, rect);
        std::vector<QRgb> colors;
        for (int band = 0; band < bands; ++band)
            colors.push_back(canvas.Pixel(size.cx * (2 * band + 1) / (2 * bands), size.cy / 2));
        return colors;
    }

    MCImageMgr* manager = MCImageMgr::GetImageMgr();
    MCPalette palette;
    TestBitmap keys{"TestKeys", MakeDib(Bands(12, 4, {INDEX_BLUE, INDEX_GREEN, INDEX_RED, INDEX_BLACK}))};
};

TEST_F(ImageManager, KeyColoursShowThePaletteColoursNearestTheButtonColours) {
    MCBitmap* image = manager->AddImage("TestKeys", kBlue, kGreen, kRed);
    ASSERT_NE(image, nullptr);
    ASSERT_NE(image->GetSection(), nullptr);
    EXPECT_EQ(BandColors(image, 4), (std::vector<QRgb>{Nearest(GetSysColor(COLOR_BTNFACE)),
                                                       Nearest(GetSysColor(COLOR_BTNHIGHLIGHT)),
                                                       Nearest(GetSysColor(COLOR_BTNSHADOW)), Nearest(kBlack)}));
    // The same name again: the same image; the colours given are ignored.
    EXPECT_EQ(manager->AddImage("TestKeys", kNone, kNone, kNone), image);
    EXPECT_EQ(manager->GetImage("TestKeys"), image);

    // 0xFFFFFFFF keeps a key colour as drawn.
    const TestBitmap other("TestKeys2", keys.Bytes());
    MCBitmap* kept = manager->AddImage("TestKeys2", kBlue, kNone, kNone);
    ASSERT_NE(kept, nullptr);
    const std::vector<QRgb> colors = BandColors(kept, 4);
    EXPECT_EQ(colors[1], Nearest(kGreen));
    EXPECT_EQ(colors[2], Nearest(kRed));
}

TEST_F(ImageManager, NamesAndIdsShareOneMapOfKeys) {
    const struct { const char* name; std::uint32_t key; } cases[] = {
        {"A", 0x6041}, {"AB", 0x68A3}, {"", 0x6000},
        {"\xE9", 0x6000 - 23},   // a character above 127 counts as negative
    };
    for (const auto& c : cases)
        EXPECT_EQ(MCImageMgr::NameKey(c.name), c.key) << c.name;

    const TestBitmap a("A", keys.Bytes());
    MCBitmap* byName = manager->AddImage("A", kNone, kNone, kNone);
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(manager->AddImage(0x6041, kBlue, kNone, kNone), byName);
    EXPECT_EQ(manager->GetImage(0x6041u), byName);

    // By id: the resource of the id's low 16 bits, cached under the whole id.
    const TestBitmap numbered(0x1234, keys.Bytes());
    MCBitmap* byId = manager->AddImage(0x51234u, kNone, kNone, kNone);
    ASSERT_NE(byId, nullptr);
    EXPECT_EQ(manager->GetImage(0x51234u), byId);
    EXPECT_EQ(manager->GetImage(0x1234u), nullptr);
}

TEST_F(ImageManager, WhatCannotBeMadeGivesNullAndCachesNothing) {
    EXPECT_EQ(manager->AddImage("NoSuchImage", kBlue, kGreen, kRed), nullptr);
    EXPECT_EQ(manager->GetImage("NoSuchImage"), nullptr);
    std::vector<BYTE> cut = keys.Bytes();
    cut.resize(cut.size() - 4);
    const TestBitmap broken("TestCut", cut);
    EXPECT_EQ(manager->AddImage("TestCut", kBlue, kGreen, kRed), nullptr);
    EXPECT_EQ(manager->GetImage("TestCut"), nullptr);

    manager->SetPalette(nullptr);
    EXPECT_EQ(manager->AddImage("TestKeys", kBlue, kGreen, kRed), nullptr);
    EXPECT_EQ(manager->GetImage("TestKeys"), nullptr);
    manager->SetPalette(&palette);
    EXPECT_NE(manager->AddImage("TestKeys", kBlue, kGreen, kRed), nullptr);
    manager->RemoveImages();
    EXPECT_EQ(manager->GetImage("TestKeys"), nullptr);
}

TEST_F(ImageManager, TheOffScreenBufferGrowsToTheLargerOfEachDimension) {
    CDC screen;
    const struct { CSize asked, expected; bool same; } cases[] = {
        {{20, 5}, {20, 5}, false},
        {{10, 10}, {20, 10}, false},
        {{15, 8}, {20, 10}, true},   // smaller: the same buffer
    };
    CBitmap* previous = nullptr;
    for (const auto& c : cases) {
        CBitmap* buffer = manager->GetImageBuffer(c.asked, &screen);
        ASSERT_NE(buffer, nullptr);
        BITMAP info;
        ASSERT_TRUE(buffer->GetBitmap(&info));
        EXPECT_EQ(CSize(info.bmWidth, info.bmHeight), c.expected) << c.asked.cx << "x" << c.asked.cy;
        if (c.same)
            EXPECT_EQ(buffer, previous);
        previous = buffer;
    }
}

}  // namespace
