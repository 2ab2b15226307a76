// The picture button: when a press completes, how a state's bitmap becomes
// the face (shrunk, centred, keyed), and the frames drawn twice.
#include "interface/controls/button.h"

#include "platform/ui/syscolor.h"
#include "tests/interface/controls/dib_support.h"
#include "tests/interface/controls/parent_support.h"
#include "tests/platform/gui/dc_support.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

constexpr UINT kId = 501;

// A bitmap of `size` filled with `color`, with a `key`-coloured left half
// when `key` is given.
CBitmap* Picture(int width, int height, QColor color, std::optional<QColor> key = {}) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    if (key)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width / 2; ++x)
                image.setPixelColor(x, y, *key);
    auto* bitmap = new CBitmap;
    bitmap->CreateFromImage(image);
    return bitmap;
}

// The bounding box of the pixels of `color` on the button's face.
CRect BoxOf(const QImage& face, QRgb color) {
    CRect box(face.width(), face.height(), 0, 0);
    for (int y = 0; y < face.height(); ++y)
        for (int x = 0; x < face.width(); ++x)
            if ((face.pixel(x, y) & 0xFFFFFF) == (color & 0xFFFFFF)) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    return box;
}

QRgb FaceColor() {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    return qRgb(GetRValue(face), GetGValue(face), GetBValue(face));
}

class PictureButton : public ::testing::Test {
protected:
    void Make(int size) {
        ASSERT_TRUE(button.Create("", WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, size, size), &parent, kId));
        button.SetButtonMode(0);   // no hover frame over the faces
    }
    QImage Face() { return button.GetWidget()->grab().toImage(); }
    // A move, with the button held as a drag reports it or without.
    void Move(QPoint point, Qt::MouseButtons held = Qt::LeftButton) {
        QMouseEvent move(QEvent::MouseMove, point, button.GetWidget()->mapToGlobal(point), Qt::NoButton, held,
                         Qt::NoModifier);
        QApplication::sendEvent(button.GetWidget(), &move);
    }

    button_test::CButtonParent parent;
    MCButton button;
};

TEST_F(PictureButton, AToggleCompletesOnlyWhenReleasedOverItself) {
    Make(20);
    button.AddBitmap(Picture(20, 20, Qt::black), -1);
    button.AddBitmap(Picture(20, 20, Qt::blue), -1);
    button.SetButtonStyle(MCButton::STYLE_TOGGLE);

    const struct {
        const char* name;
        QPoint release;
        int expected;
    } cases[] = {
        {"released over it", {5, 5}, 1},
        {"released outside", {60, 60}, 1},   // keeps the state it had
        {"released over it again", {5, 5}, 0},
    };
    for (const auto& c : cases) {
        QTest::mousePress(button.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        Face();
        EXPECT_EQ(button.GetDrawnIndex(), 1 - button.GetButtonState()) << c.name << ": drawn pressed";
        Move(c.release);
        Face();
        QTest::mouseRelease(button.GetWidget(), Qt::LeftButton, Qt::NoModifier, c.release);
        EXPECT_EQ(button.GetButtonState(), c.expected) << c.name;
    }
}

TEST_F(PictureButton, StylesStepTheirStatesAndCommandOnPressClicksAtOnce) {
    Make(20);
    for (QColor color : {QColor(Qt::black), QColor(Qt::blue), QColor(Qt::green)})
        button.AddBitmap(Picture(20, 20, color), -1);
    const struct {
        const char* name;
        MCButton::Style style;
        int mode;
        std::vector<int> states;        // after each of three clicks
        std::vector<UINT> commands;     // after all three
    } cases[] = {
        {"multi-state", MCButton::STYLE_MULTI, 0, {1, 2, 0}, {kId, kId, kId}},
        {"inert", MCButton::STYLE_INERT, 0, {0, 0, 0}, {}},
        {"push, command on press", MCButton::STYLE_PUSH, MCButton::MODE_COMMAND_ON_PRESS, {0, 0, 0}, {kId, kId, kId}},
    };
    for (const auto& c : cases) {
        button.SetButtonState(0);
        button.SetButtonStyle(c.style);
        button.SetButtonMode(c.mode);
        parent.commands.clear();
        for (int click = 0; click < 3; ++click) {
            QTest::mousePress(button.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
            if (c.mode & MCButton::MODE_COMMAND_ON_PRESS) {
                EXPECT_EQ(parent.commands.size(), static_cast<size_t>(click + 1)) << c.name << ": on press";
            }
            Face();
            QTest::mouseRelease(button.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
            EXPECT_EQ(button.GetButtonState(), c.states[static_cast<size_t>(click)]) << c.name << " " << click;
        }
        EXPECT_EQ(parent.commands, c.commands) << c.name;
    }
}

TEST_F(PictureButton, HoverHoldsTheCaptureWhileThePointerIsOver) {
    Make(20);
    button.AddBitmap(Picture(20, 20, Qt::black), -1);
    button.SetButtonMode(MCButton::MODE_HOVER);
    Move({5, 5}, Qt::NoButton);
    EXPECT_EQ(CWnd::GetCapture(), &button);
    EXPECT_TRUE(button.IsHovering());
    EXPECT_NE(Face().pixel(0, 10) & 0xFFFFFF, 0u);   // the raised frame's left edge
    Move({8, 30}, Qt::NoButton);
    EXPECT_EQ(CWnd::GetCapture(), nullptr);
    EXPECT_FALSE(button.IsHovering());   // told by WM_CAPTURECHANGED
    EXPECT_EQ(Face().pixel(0, 10) & 0xFFFFFF, 0u);
}

TEST_F(PictureButton, APictureLargerThanTheButtonIsShrunkASmallerOneCentred) {
    const struct {
        const char* name;
        int picture;
        CRect expected;
    } cases[] = {
        {"larger", 40, CRect(0, 0, 20, 20)},
        {"smaller", 10, CRect(5, 5, 15, 15)},
        {"odd margin", 7, CRect(6, 6, 13, 13)},
    };
    Make(20);
    for (const auto& c : cases) {
        button.DeleteBitmaps(1);
        button.AddBitmap(Picture(c.picture, c.picture, Qt::black), -1);
        EXPECT_EQ(BoxOf(Face(), qRgb(0, 0, 0)), c.expected) << c.name;
    }
}

TEST_F(PictureButton, TheTransparentColourShowsTheFaceAndTheSourceIsKept) {
    Make(20);
    button.AddBitmap(Picture(10, 10, Qt::black, QColor(Qt::red)), -1);
    button.SetTransparentColor(RGB(255, 0, 0));
    const QImage face = Face();
    EXPECT_EQ(BoxOf(face, qRgb(0, 0, 0)), CRect(10, 5, 15, 15));
    EXPECT_EQ(face.pixel(7, 7) & 0xFFFFFF, FaceColor() & 0xFFFFFF);
    // The source gets its keyed pixels back once the image is made.
    EXPECT_EQ(button.GetBitmap(0)->GetImage()->pixel(1, 1) & 0xFFFFFF, 0xFF0000u);

    // No transparent colour (0xFFFFFFFF, as made): the picture is opaque.
    MCButton opaque;
    ASSERT_TRUE(opaque.Create("", WS_VISIBLE | BS_OWNERDRAW, CRect(30, 0, 50, 20), &parent, kId + 1));
    opaque.SetButtonMode(0);
    opaque.AddBitmap(Picture(10, 10, Qt::black, QColor(Qt::red)), -1);
    EXPECT_EQ(BoxOf(opaque.GetWidget()->grab().toImage(), qRgb(255, 0, 0)), CRect(5, 5, 10, 15));
}

TEST_F(PictureButton, AnIndexWithoutASourceDrawsNothing) {
    Make(20);
    button.AddBitmap(Picture(20, 20, Qt::black), -1);
    button.AddBitmap(nullptr, -1);   // an empty slot
    button.SetDisabledState(5);      // past the slots
    for (int disabledOrState : {0, 1}) {
        button.EnableWindow(disabledOrState == 0 ? FALSE : TRUE);
        button.SetButtonState(disabledOrState);
        EXPECT_EQ(BoxOf(Face(), qRgb(0, 0, 0)).IsRectEmpty(), true) << disabledOrState;
    }
}

TEST(ButtonFrames, AFocusFrameDrawnTwiceIsGone) {
    MemoryCanvas canvas(40, 30);
    canvas.dc.FillSolidRect(5, 5, 20, 10, RGB(30, 90, 200));
    const QImage before = canvas.Copy();
    MCDrawFocusRect(&canvas.dc, CRect(2, 3, 30, 25));
    const QImage once = canvas.Copy();
    EXPECT_NE(once, before);
    EXPECT_EQ(once.pixel(15, 14), before.pixel(15, 14));   // inside the frame: untouched
    MCDrawFocusRect(&canvas.dc, CRect(2, 3, 30, 25));
    EXPECT_EQ(canvas.Copy(), before);
}

// Bitmaps named by a prefix load as the program's resources hold them: packed
// (an image file less its file header), up to the first missing state.
TEST_F(PictureButton, NamedBitmapsLoadFromPackedResources) {
    using namespace dib_test;
    const TestBitmap up0("TestArrow0", MakeDib(Bands(8, 6, {INDEX_RED})));
    const TestBitmap up1("TestArrow1", MakeDib(Bands(8, 6, {INDEX_BLUE})));
    Make(20);
    button.LoadBitmaps("TestArrow");
    ASSERT_EQ(button.GetBitmapCount(), 2);
    BITMAP info;
    ASSERT_TRUE(button.GetBitmapInfo(1, info));
    EXPECT_EQ(info.bmWidth, 8);
    EXPECT_EQ(info.bmHeight, 6);
}

}  // namespace
