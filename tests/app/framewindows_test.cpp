// The frame's client and windows: the wallpaper tiled from the client's
// origin, and Window Close All ending when a close is refused.
#include "app/mainframe.h"

#include "interface/controls/bitmap.h"
#include "platform/gdi/dc.h"
#include "platform/ui/msgmap.h"
#include "tests/app/frame_support.h"

#include <QImage>

#include <gtest/gtest.h>

// A child frame whose close the user refuses (Cancel at the save question).
class FrameTestStubbornChild : public CMDIChildWnd {
public:
    int closes = 0;

protected:
    afx_msg void OnClose() { ++closes; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(FrameTestStubbornChild, CMDIChildWnd)
    ON_WM_CLOSE()
END_MESSAGE_MAP()

namespace {

using frame_test::MainFrameTest;
using namespace dib_test;

TEST_F(MainFrameTest, WallpaperTilesFromTheClientOrigin) {
    // An 8 x 8 tile: red on its left half, green on its right.
    const TestBitmap tile(kWallpaperBase, MakeDib(Bands(8, 8, {INDEX_RED, INDEX_GREEN})));
    WriteProfileString("Settings\\Background", "Module", "NoWallpaperHere");   // the program's own resources
    CClientWnd& client = frame->GetClientWnd();

    const struct { int image; bool drawn; } choices[] = {{-1, false}, {0, true}};
    for (const auto& choice : choices) {
        WriteProfileInt("Settings\\Background", "Image", choice.image);
        client.LoadWallpaper();
        EXPECT_EQ(client.GetWallpaper() != nullptr, choice.drawn) << choice.image;

        // A partial repaint: only the clip box is drawn, aligned to the origin.
        QImage surface(40, 40, QImage::Format_RGB32);
        surface.fill(Qt::white);
        CDC dc;
        ASSERT_TRUE(dc.AttachImage(&surface, DCKind::Display));
        dc.IntersectClipRect(13, 6, 30, 20);
        EXPECT_EQ(client.DrawWallpaper(&dc) != FALSE, choice.drawn);
        dc.DeleteDC();
        if (!choice.drawn) {
            EXPECT_EQ(surface.pixel(13, 6), QColor(Qt::white).rgb());
            continue;
        }
        const struct { int x, y; QRgb colour; } pixels[] = {
            {13, 6, qRgb(0, 255, 0)},   // 13 % 8 = 5: the tile's right half
            {17, 10, qRgb(255, 0, 0)},  // 17 % 8 = 1: its left half
            {29, 19, qRgb(0, 255, 0)},
            {12, 6, QColor(Qt::white).rgb()},   // outside the clip box
            {20, 20, QColor(Qt::white).rgb()},
        };
        for (const auto& p : pixels)
            EXPECT_EQ(surface.pixel(p.x, p.y), p.colour) << p.x << "," << p.y;
    }
}

TEST_F(MainFrameTest, CloseAllStopsWhenACloseIsRefused) {
    auto* plain = new CMDIChildWnd;
    ASSERT_TRUE(plain->Create(nullptr, "plain", WS_CHILD | WS_OVERLAPPEDWINDOW | WS_VISIBLE, rectDefault, frame));
    auto* stubborn = new FrameTestStubbornChild;
    ASSERT_TRUE(stubborn->Create(nullptr, "stubborn", WS_CHILD | WS_OVERLAPPEDWINDOW | WS_VISIBLE, rectDefault, frame));
    frame->MDIActivate(stubborn);
    ASSERT_EQ(frame->MDIGetActive(), stubborn);

    frame->SendMessage(WM_COMMAND, 39151, 0);
    EXPECT_EQ(stubborn->closes, 1);
    EXPECT_EQ(frame->MDIGetActive(), stubborn);
    EXPECT_EQ(frame->GetMDIChildren().size(), 2u);

    // With the plain one active, it closes; the refusing one then stops the loop.
    frame->MDIActivate(plain);
    frame->SendMessage(WM_COMMAND, 39151, 0);
    EXPECT_EQ(stubborn->closes, 2);
    EXPECT_EQ(frame->GetMDIChildren().size(), 1u);
    stubborn->DestroyWindow();
}

}  // namespace
