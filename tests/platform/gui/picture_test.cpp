// Pictures: image and bitmap bytes decoded (or refused) and drawn scaled into
// a rectangle of a DC.
#include "platform/gdi/picture.h"

#include "platform/gdi/dc.h"

#include <gtest/gtest.h>

#include <QBuffer>

namespace {

std::vector<uint8_t> Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return {bytes.begin(), bytes.end()};
}

}  // namespace

TEST(Picture, DecodesWhatReadersTakeAndRefusesTheRest) {
    QImage red(6, 4, QImage::Format_RGB32);
    red.fill(Qt::red);
    const std::vector<uint8_t> png = Encoded(red, "PNG");
    const std::vector<uint8_t> bmp = Encoded(red, "BMP");
    const std::vector<uint8_t> junk = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};
    std::vector<uint8_t> cut(png.begin(), png.begin() + 20);
    const struct {
        const char* what;
        const std::vector<uint8_t>& bytes;
        bool image, bitmap;
    } cases[] = {
        {"png", png, true, true},    {"bmp file", bmp, true, true},
        {"junk", junk, false, false}, {"a cut png", cut, false, false},
        // A packed bitmap: the file less its 14-byte header.
        {"packed bitmap", std::vector<uint8_t>(bmp.begin() + 14, bmp.end()), false, true},
    };
    for (const auto& c : cases) {
        CPicture picture;
        EXPECT_EQ(picture.LoadImage(c.bytes), c.image) << c.what;
        EXPECT_EQ(picture.IsEmpty(), !c.image) << c.what;
        if (c.image) {
            EXPECT_EQ(picture.GetSize(), CSize(6, 4)) << c.what;
        }
        EXPECT_EQ(picture.LoadBitmap(c.bytes), c.bitmap) << c.what;
    }
}

TEST(Picture, DrawsScaledIntoTheRectangleOnly) {
    QImage source(2, 2, QImage::Format_RGB32);
    source.fill(Qt::blue);
    CPicture picture;
    ASSERT_TRUE(picture.LoadImage(Encoded(source, "PNG")));
    QImage target(40, 40, QImage::Format_RGB32);
    target.fill(Qt::white);
    CDC dc;
    dc.AttachImage(&target);
    const CRect bounds(10, 10, 30, 20);
    EXPECT_TRUE(picture.Draw(&dc, bounds));
    CPicture empty;
    EXPECT_FALSE(empty.Draw(&dc, bounds));
    dc.DeleteDC();
    EXPECT_EQ(target.pixel(11, 11) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(target.pixel(28, 18) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(target.pixel(31, 15) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(target.pixel(15, 21) & 0xFFFFFF, 0xFFFFFFu);
}
