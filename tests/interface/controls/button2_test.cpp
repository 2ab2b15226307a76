// The toolbar picture button over the image manager: loading by name, the
// press rules shared with MCButton, key-coloured art, the reflected draw.
// Also the icons of event types.
#include "interface/controls/button2.h"

#include "interface/controls/eventicon.h"
#include "interface/controls/imagemgr.h"
#include "interface/controls/palette.h"
#include "platform/ui/syscolor.h"
#include "tests/interface/controls/dib_support.h"
#include "tests/interface/controls/parent_support.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using namespace dib_test;

constexpr UINT kId = 601;
constexpr COLORREF kNone = 0xFFFFFFFF;

class PictureButton2 : public ::testing::Test {
protected:
    PictureButton2() {
        palette.CreateHalftonePalette(nullptr);
        MCImageMgr::GetImageMgr()->SetPalette(&palette);
    }
    ~PictureButton2() override {
        MCImageMgr::GetImageMgr()->RemoveImages();
        MCImageMgr::GetImageMgr()->SetPalette(nullptr);
    }
    // A button loading the images of `prefix`.
    void Make(const char* prefix, COLORREF face = kNone) {
        ASSERT_TRUE(button.Create("", WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, 20, 20), &parent, kId));
        button.LoadBitmaps(prefix, face, kNone, kNone);
    }
    QImage Face() { return Face(button); }
    static QImage Face(MCButton2& b) { return b.GetWidget()->grab().toImage(); }
    // A move with the left button held.
    static void Move(MCButton2& b, QPoint point) {
        QMouseEvent move(QEvent::MouseMove, point, b.GetWidget()->mapToGlobal(point), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(b.GetWidget(), &move);
    }

    MCPalette palette;
    // Three states of 16 x 12, told apart by their colour.
    TestBitmap state0{"TestBtn0", MakeDib(Bands(16, 12, {INDEX_BLACK}))};
    TestBitmap state1{"TestBtn1", MakeDib(Bands(16, 12, {INDEX_BLUE}))};
    TestBitmap state2{"TestBtn2", MakeDib(Bands(16, 12, {INDEX_GREEN}))};
    button_test::CButtonParent parent;
    MCButton2 button;
};

TEST_F(PictureButton2, LoadsItsImagesByNameUpToTheFirstMissingOne) {
    Make("TestBtn");
    ASSERT_EQ(button.GetBitmapCount(), 3);
    EXPECT_EQ(button.GetImage(1), MCImageMgr::GetImageMgr()->GetImage("TestBtn1"));
    EXPECT_EQ(button.GetWidget()->size(), QSize(16, 12));   // the first image's size

    // An image the manager cannot make ends the series too.
    std::vector<BYTE> cut = state1.Bytes();
    cut.resize(100);
    const TestBitmap gap0("TestGap0", state0.Bytes()), gap1("TestGap1", cut), gap2("TestGap2", state2.Bytes());
    button.LoadBitmaps("TestGap", kNone, kNone, kNone);
    EXPECT_EQ(button.GetBitmapCount(), 1);

    // AutoLoad: the control's text names the series; an empty text loads nothing.
    const struct { const char* text; int result, count; } cases[] = {{"TestBtn", 1, 3}, {"", 0, 0}};
    UINT id = kId + 1;
    for (const auto& c : cases) {
        CButton control;
        ASSERT_TRUE(control.Create(c.text, WS_VISIBLE | BS_OWNERDRAW, CRect(40, 0, 60, 20), &parent, id));
        control.UnsubclassWindow();   // a control as a dialog's template makes it: no object yet
        MCButton2 loaded;
        EXPECT_EQ(loaded.AutoLoad(id, &parent, kNone, kNone, kNone), c.result) << c.text;
        EXPECT_EQ(loaded.GetBitmapCount(), c.count) << c.text;
        loaded.UnsubclassWindow();
        ++id;
    }
}

TEST_F(PictureButton2, PressesFollowTheStylesAndCompleteOnlyOverTheButton) {
    const struct {
        const char* name;
        MCButton2::Style style;
        int mode;
        QPoint release;
        std::vector<int> states;   // after each of three clicks
        size_t commands;           // after all three
    } cases[] = {
        {"toggle released over it", MCButton2::STYLE_TOGGLE, 0, {5, 5}, {1, 0, 1}, 3},
        {"toggle released outside", MCButton2::STYLE_TOGGLE, 0, {60, 60}, {0, 0, 0}, 0},
        {"multi-state", MCButton2::STYLE_MULTI, 0, {5, 5}, {1, 2, 0}, 3},
        {"inert", MCButton2::STYLE_INERT, 0, {5, 5}, {0, 0, 0}, 0},
        {"push, command on press", MCButton2::STYLE_PUSH, MCButton2::MODE_COMMAND_ON_PRESS, {5, 5}, {0, 0, 0}, 3},
    };
    UINT id = kId + 10;
    for (const auto& c : cases) {
        MCButton2 pressed;   // each case its own button, as a bar has them
        ASSERT_TRUE(pressed.Create("", WS_VISIBLE | BS_OWNERDRAW, CRect(0, 30, 20, 50), &parent, id++));
        pressed.LoadBitmaps("TestBtn", kNone, kNone, kNone);
        pressed.SetButtonStyle(c.style);
        pressed.SetButtonMode(c.mode);
        parent.commands.clear();
        for (size_t click = 0; click < 3; ++click) {
            const size_t before = parent.commands.size();
            QTest::mousePress(pressed.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
            if (c.mode & MCButton2::MODE_COMMAND_ON_PRESS) {
                EXPECT_EQ(parent.commands.size(), before + 1) << c.name << ": on press";
            }
            Face(pressed);
            if (c.release != QPoint(5, 5)) {
                Move(pressed, c.release);
                Face(pressed);
            }
            QTest::mouseRelease(pressed.GetWidget(), Qt::LeftButton, Qt::NoModifier, c.release);
            if (c.mode & MCButton2::MODE_COMMAND_ON_PRESS) {
                EXPECT_EQ(parent.commands.size(), before + 1) << c.name << ": nothing on release";
            }
            EXPECT_EQ(pressed.GetButtonState(), c.states[click]) << c.name << " " << click;
        }
        EXPECT_EQ(parent.commands.size(), c.commands) << c.name;
    }
}

TEST_F(PictureButton2, TheSpaceBarClicksAllButTheInertButton) {
    const struct { MCButton2::Style style; int state; } cases[] = {
        {MCButton2::STYLE_INERT, 0}, {MCButton2::STYLE_MULTI, 1}};
    UINT id = kId + 20;
    for (const auto& c : cases) {
        MCButton2 keyed;
        ASSERT_TRUE(keyed.Create("", WS_VISIBLE | BS_OWNERDRAW, CRect(0, 30, 20, 50), &parent, id++));
        keyed.LoadBitmaps("TestBtn", kNone, kNone, kNone);
        keyed.SetButtonStyle(c.style);
        parent.commands.clear();
        keyed.SetFocus();
        QTest::keyPress(keyed.GetWidget(), Qt::Key_Space);
        Face(keyed);
        QTest::keyRelease(keyed.GetWidget(), Qt::Key_Space);
        EXPECT_EQ(keyed.GetButtonState(), c.state) << c.style;
        EXPECT_EQ(parent.commands.size(), static_cast<size_t>(c.state)) << c.style;
    }
}

TEST_F(PictureButton2, AMagentaBackgroundKeyedAsTheFaceShowsTheButtonFace) {
    const TestBitmap art("TestMagenta0", MakeDib(Bands(20, 20, {INDEX_MAGENTA, INDEX_BLACK})));
    Make("TestMagenta", kMagenta);
    PALETTEENTRY face;
    palette.GetPaletteEntries(palette.GetNearestPaletteIndex(GetSysColor(COLOR_BTNFACE)), 1, &face);
    const QImage drawn = Face();
    EXPECT_EQ(drawn.pixel(4, 10) & 0xFFFFFF, qRgb(face.peRed, face.peGreen, face.peBlue) & 0xFFFFFF);
    EXPECT_EQ(drawn.pixel(15, 10) & 0xFFFFFF, 0u);   // the artwork's black stays
}

TEST_F(PictureButton2, HoverHoldsTheCaptureOnlyWhileThePointerIsOver) {
    Make("TestBtn");
    button.SetButtonMode(MCButton2::MODE_HOVER);
    const struct { QPoint at; bool hover; } moves[] = {{{5, 5}, true}, {{8, 8}, true}, {{8, 30}, false}};
    for (const auto& m : moves) {
        QMouseEvent move(QEvent::MouseMove, m.at, button.GetWidget()->mapToGlobal(m.at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(button.GetWidget(), &move);
        EXPECT_EQ(button.IsHovering(), m.hover) << m.at.y();
        EXPECT_EQ(CWnd::GetCapture() == &button, m.hover) << m.at.y();
    }
}

TEST_F(PictureButton2, EveryRepaintDrawsTheImageOfTheState) {
    // A bar's button is painted again and again (its state, its enabling, an
    // uncovered bar): each paint shows the image of the state, never a blank face.
    Make("TestBtn");
    button.SetButtonStyle(MCButton2::STYLE_TOGGLE);
    button.SetDisabledState(2);
    const struct {
        const char* step;
        void (*act)(MCButton2&);
        COLORREF ink;   // the image's colour at the centre
    } steps[] = {
        {"first paint", [](MCButton2&) {}, kBlack},
        {"painted again", [](MCButton2&) {}, kBlack},
        {"toggled on", [](MCButton2& b) { b.SetButtonState(1); }, kBlue},
        {"toggled on, painted again", [](MCButton2&) {}, kBlue},
        {"toggled off", [](MCButton2& b) { b.SetButtonState(0); }, kBlack},
        {"disabled", [](MCButton2& b) { b.EnableWindow(FALSE); }, kGreen},
        {"enabled", [](MCButton2& b) { b.EnableWindow(TRUE); }, kBlack},
        {"painted once more", [](MCButton2&) {}, kBlack},
    };
    for (const auto& s : steps) {
        s.act(button);
        const QImage face = Face();
        ASSERT_EQ(face.size(), QSize(16, 12)) << s.step;
        EXPECT_EQ(face.pixel(8, 6) & 0xFFFFFF, qRgb(GetRValue(s.ink), GetGValue(s.ink), GetBValue(s.ink)) & 0xFFFFFF)
            << s.step;
    }
}

TEST_F(PictureButton2, TheReflectedDrawItemIsAnsweredOne) {
    Make("TestBtn");
    button.SetButtonState(1);
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CBitmap surface;
    CDC screen;
    surface.CreateCompatibleBitmap(&screen, 16, 12);
    dc.SelectObject(&surface);
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.CtlID = kId;
    item.hDC = &dc;
    item.rcItem = CRect(0, 0, 16, 12);
    LRESULT result = 0;
    EXPECT_EQ(button.OnChildNotify(WM_DRAWITEM, kId, reinterpret_cast<LPARAM>(&item), &result), 1);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(button.GetDrawnIndex(), 1);
    EXPECT_EQ(dc.GetImage()->pixel(8, 6) & 0xFFFFFF, 0x0000FFu);   // state 1 is blue
    dc.DeleteDC();
}

TEST(EventIcon, EachTypeHasItsIconAndEveryOtherTheDefault) {
    const struct { int type; unsigned icon; } cases[] = {
        {0, 11780}, {3, 11782}, {4, 11782}, {15, 11789}, {25, 11789}, {29, 11791}, {42, 11799},
        {43, 11783}, {2, 11783}, {-1, 11783}, {1000, 11783},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MCGetEventIconId(c.type), c.icon) << c.type;
    EXPECT_FALSE(MCGetEventIcon(29, 0).isNull());   // the library's own icon, 11791
}

}  // namespace
