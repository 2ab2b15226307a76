// The controls' own pictures, as the library carries them: reached through
// the resource-module switch by the name the controls use, in the packed
// bitmap-resource form, with the key colours the image manager replaces.
#include "interface/document/resourcemodule.h"
#include "platform/core/resources.h"
#include "platform/gdi/dib.h"
#include "platform/ui/imagelist.h"
#include "platform/ui/uiresources.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace {

// The resource switch to the Interface library, undone at the end of a test.
class InterfaceArt : public ::testing::Test {
protected:
    void SetUp() override { switched = SetResourceModule("Interface.DLL") != nullptr; }
    void TearDown() override { ResetResourceModule(); }
    bool switched = false;
};

std::set<QRgb> ColoursOf(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y) & 0xFFFFFF);
    return colours;
}

TEST_F(InterfaceArt, TheSwitchReachesTheInterfaceLibrary) {
    ASSERT_TRUE(switched);
    // The module switched to is the library this code lives in, not a copy.
    EXPECT_EQ(GetResourceHandle(), GetModuleForAddress(reinterpret_cast<const void*>(&ResourceModulePath)));
}

TEST_F(InterfaceArt, ControlPicturesArePackedEightBitImagesWithTheKeyColours) {
    ASSERT_TRUE(switched);
    const struct {
        unsigned id;
        int width, height;
    } pictures[] = {
        {11680, 43, 42},   // knob
        {11690, 63, 24},   // horizontal track and thumb
        {11691, 15, 16},
        {11692, 24, 63},   // vertical track and thumb
        {11693, 16, 15},
    };
    for (const auto& p : pictures) {
        const ResourceBlock block = FindResource(GetResourceHandle(), RT_BITMAP, p.id);
        ASSERT_TRUE(block) << p.id;
        BITMAPINFOHEADER header;
        ASSERT_GE(block.size, sizeof header) << p.id;
        std::memcpy(&header, block.data, sizeof header);
        EXPECT_EQ(header.biSize, 40u) << p.id;   // no file header in front
        EXPECT_EQ(header.biWidth, p.width) << p.id;
        EXPECT_EQ(header.biHeight, p.height) << p.id;
        EXPECT_EQ(header.biBitCount, 8) << p.id;
        EXPECT_EQ(header.biClrUsed, 256u) << p.id;
        // Header, the full table and the padded rows, nothing missing.
        const size_t rows = static_cast<size_t>((p.width + 3) / 4 * 4 * p.height);
        EXPECT_EQ(block.size, 40 + 256 * 4 + rows) << p.id;
        EXPECT_EQ(header.biSizeImage, rows) << p.id;

        QImage image;
        ASSERT_TRUE(DecodeBitmapResource(block.data, block.size, &image)) << p.id;
        const std::set<QRgb> colours = ColoursOf(image);
        for (QRgb key : {0x0000FFu, 0x00FF00u, 0xFF0000u})   // face, highlight, shadow
            EXPECT_TRUE(colours.count(key)) << p.id << " lacks " << std::hex << key;
    }
}

TEST_F(InterfaceArt, TheHorizontalFaderIsTheVerticalTurnedOverItsDiagonal) {
    for (const auto& pair : {std::pair{11692u, 11690u}, std::pair{11693u, 11691u}}) {
        QImage vertical, horizontal;
        const ResourceBlock v = FindResource(RT_BITMAP, pair.first);
        const ResourceBlock h = FindResource(RT_BITMAP, pair.second);
        ASSERT_TRUE(DecodeBitmapResource(v.data, v.size, &vertical));
        ASSERT_TRUE(DecodeBitmapResource(h.data, h.size, &horizontal));
        ASSERT_EQ(horizontal.size(), vertical.size().transposed());
        for (int y = 0; y < vertical.height(); ++y)
            for (int x = 0; x < vertical.width(); ++x)
                ASSERT_EQ(vertical.pixel(x, y), horizontal.pixel(y, x)) << pair.first << " " << x << "," << y;
    }
}

TEST_F(InterfaceArt, CheckBoxesLoadAsTwoCellsOfAnImageListWithARedMask) {
    CImageList boxes;
    ASSERT_TRUE(boxes.Create(11590, 16, 0, RGB(255, 0, 0)));
    ASSERT_EQ(boxes.GetImageCount(), 2);
    const QImage unchecked = boxes.GetImage(0).toImage();
    const QImage checked = boxes.GetImage(1).toImage();
    EXPECT_EQ(qAlpha(unchecked.pixel(0, 0)), 0);   // the red background is masked out
    // The tick: ink in the checked box's white field, none in the unchecked one.
    int ticked = 0;
    for (int y = 4; y < 11; ++y)
        for (int x = 4; x < 11; ++x) {
            EXPECT_EQ(unchecked.pixel(x, y) & 0xFFFFFF, 0xFFFFFFu) << x << "," << y;
            ticked += (checked.pixel(x, y) & 0xFFFFFF) == 0;
        }
    EXPECT_GT(ticked, 10);
}

TEST_F(InterfaceArt, EveryEventKindHasASmallIconOfItsOwn) {
    std::set<QByteArray> seen;
    for (unsigned id = 11780; id <= 11799; ++id) {
        const QIcon icon = LoadIcon(id);
        ASSERT_FALSE(icon.isNull()) << id;
        const QImage image = icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(image.size(), QSize(16, 16)) << id;
        EXPECT_TRUE(seen.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes())).second)
            << id << " looks like another icon";
    }
}

}  // namespace
