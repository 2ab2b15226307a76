// Buttons as the dialogs draw them: a group box's caption stands in the top
// line of its frame.
#include "platform/ui/button.h"

#include "tests/platform/gui/control_support.h"

#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

constexpr UINT IDC_GROUP = 1060;

bool IsInk(const QImage& image, int x, int y, QColor background) {
    const QColor pixel = image.pixelColor(x, y);
    return std::abs(pixel.red() - background.red()) + std::abs(pixel.green() - background.green()) +
               std::abs(pixel.blue() - background.blue()) > 60;
}

}  // namespace

TEST(GroupBox, TheCaptionStandsInTheTopLineOfTheFrame) {
    control_test::CNotedParent parent;
    CButton group;
    ASSERT_TRUE(group.Create("Info", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, CRect(10, 10, 210, 110), &parent, IDC_GROUP));
    QWidget* widget = group.GetWidget();
    const QImage image = widget->grab().toImage();
    const QColor background = widget->palette().color(QPalette::Window);
    const int width = image.width(), height = image.height();

    // The frame's top line: the first row inked along most of the right half,
    // where no caption reaches.
    int line = -1;
    for (int y = 0; y < height && line < 0; ++y) {
        int inked = 0;
        for (int x = width / 2; x < width - 4; ++x)
            inked += IsInk(image, x, y, background);
        if (inked > (width / 2 - 4) * 3 / 4)
            line = y;
    }
    ASSERT_GT(line, 0) << "the frame has a top line below the widget's top";

    // The caption's ink, in the left part of the box.
    int captionTop = height, captionBottom = -1;
    for (int y = 0; y < height / 2; ++y)
        for (int x = 4; x < width / 3; ++x)
            if (y != line && IsInk(image, x, y, background)) {
                captionTop = std::min(captionTop, y);
                captionBottom = std::max(captionBottom, y);
            }
    ASSERT_GE(captionBottom, 0) << "the caption is drawn";
    EXPECT_LT(captionTop, line);
    EXPECT_GT(captionBottom, line);

    // The line breaks for the caption, and the frame's sides run down to its bottom.
    int brokenAt = 0;
    for (int x = 4; x < width / 3; ++x)
        brokenAt += !IsInk(image, x, line, background);
    EXPECT_GT(brokenAt, 0);
    EXPECT_TRUE(IsInk(image, 0, (line + height) / 2, background));
    EXPECT_TRUE(IsInk(image, width - 2, (line + height) / 2, background));
    EXPECT_TRUE(IsInk(image, width / 2, height - 2, background));
}
