// Docking: a bar docks on the edge asked for, in order along it, floats at a
// point, and a floating-only bar stays floating; the saved layout puts every
// bar's place, order and visibility back, and an unreadable one changes nothing.
#include "platform/ui/controlbar.h"

#include "platform/core/profile.h"
#include "platform/ui/dialogbar.h"
#include "platform/ui/statusbar.h"

#include "tests/platform/gui/frame_support.h"

#include <QDockWidget>
#include <QToolBar>

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>

namespace {

using bar_test::CTestFrame;

constexpr UINT IDD_SMALL_BAR = 23501;
const DialogTemplate kSmallBar = {"Small", {{23502, DialogControlKind::Push, "Go", {2, 2, 30, 14}}}, {60, 18}};
DIALOG_RESOURCE(IDD_SMALL_BAR, kSmallBar);

constexpr UINT kFirstBarId = 23510;

// A frame with three dialog bars (ids kFirstBarId + 0, 1, 2) docked at the
// top in order, docking enabled everywhere, and a status bar.
struct ThreeBars {
    ThreeBars() {
        EnableDocking(&frame, CBRS_ALIGN_ANY);
        for (UINT i = 0; i < 3; ++i) {
            bars[i] = std::make_unique<CDialogBar>();
            EXPECT_TRUE(bars[i]->Create(&frame, IDD_SMALL_BAR, WS_VISIBLE | CBRS_TOP, kFirstBarId + i));
            bars[i]->EnableDocking(CBRS_ALIGN_ANY);
        }
        EXPECT_TRUE(status.Create(&frame));
        frame.LayOut();
    }

    QToolBar* DockHost(int i) const {
        return frame.Main()->findChild<QToolBar*>(QStringLiteral("Bar%1").arg(kFirstBarId + i));
    }
    Qt::ToolBarArea Area(int i) const {
        return bars[i]->IsFloating() ? Qt::NoToolBarArea : frame.Main()->toolBarArea(DockHost(i));
    }
    // The top-left corner of the bar's floating window.
    QPoint FloatingAt(int i) const { return bars[i]->GetWidget()->window()->pos(); }
    // The left edge of the bar's tool bar in the laid-out frame.
    int Left(int i) const {
        frame.LayOut();
        return DockHost(i)->geometry().left();
    }
    std::string Layout() const {
        SaveBarState(const_cast<CTestFrame*>(&frame), "Bars\\Now");
        return GetProfileString("Bars\\Now", "Layout", "");
    }

    CTestFrame frame;
    std::array<std::unique_ptr<CDialogBar>, 3> bars;
    CStatusBar status;
};

TEST(Docking, ABarDocksOnTheEdgeAskedAndFloatsAtThePoint) {
    ThreeBars fixture;
    CWnd* frame = &fixture.frame;
    CDialogBar& bar = *fixture.bars[0];
    EXPECT_EQ(fixture.Area(0), Qt::TopToolBarArea);
    EXPECT_EQ(bar.GetDockingFrame(), frame);

    const struct {
        UINT dockBarId;
        Qt::ToolBarArea area;
        DWORD align;
    } cases[] = {
        {AFX_IDW_DOCKBAR_BOTTOM, Qt::BottomToolBarArea, CBRS_ALIGN_BOTTOM},
        {AFX_IDW_DOCKBAR_LEFT, Qt::LeftToolBarArea, CBRS_ALIGN_LEFT},
        {AFX_IDW_DOCKBAR_RIGHT, Qt::RightToolBarArea, CBRS_ALIGN_RIGHT},
        {AFX_IDW_DOCKBAR_TOP, Qt::TopToolBarArea, CBRS_ALIGN_TOP},
    };
    for (const auto& c : cases) {
        FloatControlBar(frame, &bar, CPoint(10, 10));
        DockControlBar(frame, &bar, c.dockBarId, nullptr);
        EXPECT_FALSE(bar.IsFloating()) << c.dockBarId;
        CRect none;
        EXPECT_FALSE(bar.GetFloatingWindowRect(&none)) << c.dockBarId;
        EXPECT_EQ(fixture.Area(0), c.area) << c.dockBarId;
        EXPECT_EQ(bar.GetBarStyle() & CBRS_ALIGN_ANY, c.align) << c.dockBarId;
        EXPECT_TRUE(bar.IsVisible()) << c.dockBarId;
    }

    FloatControlBar(frame, &bar, CPoint(300, 200));
    ASSERT_TRUE(bar.IsFloating());
    EXPECT_EQ(bar.GetBarStyle() & (CBRS_FLOATING | CBRS_ALIGN_ANY), CBRS_FLOATING | CBRS_ALIGN_TOP);
    auto* window = qobject_cast<QDockWidget*>(bar.GetWidget()->window());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isFloating());
    EXPECT_EQ(fixture.FloatingAt(0), QPoint(300, 200));
    CRect floating;
    ASSERT_TRUE(bar.GetFloatingWindowRect(&floating));
    EXPECT_EQ(floating.TopLeft(), CPoint(300, 200));
    EXPECT_TRUE(bar.IsVisible());
    EXPECT_EQ(window->windowTitle(), QString("Small"));
}

TEST(Docking, BarsKeepTheirOrderAlongAnEdgeAndAFloatingOnlyBarStaysFloating) {
    ThreeBars fixture;
    CWnd* frame = &fixture.frame;
    EXPECT_LT(fixture.Left(0), fixture.Left(1));
    EXPECT_LT(fixture.Left(1), fixture.Left(2));
    // Docked again without a place: last along the edge.
    DockControlBar(frame, fixture.bars[0].get(), AFX_IDW_DOCKBAR_TOP, nullptr);
    EXPECT_LT(fixture.Left(2), fixture.Left(0));
    // With a rectangle: before the first bar beyond its left edge.
    CRect third;
    fixture.bars[2]->GetWindowRect(&third);
    const CRect before(third.left - 1, third.top, third.left + 10, third.bottom);
    DockControlBar(frame, fixture.bars[0].get(), AFX_IDW_DOCKBAR_TOP, &before);
    EXPECT_LT(fixture.Left(0), fixture.Left(2));
    EXPECT_LT(fixture.Left(1), fixture.Left(0));

    // Docking on no side: it floats and stays floating.
    CDialogBar& tool = *fixture.bars[1];
    tool.EnableDocking(0);
    FloatControlBar(frame, &tool, CPoint(120, 90));
    for (UINT dockBarId : {0u, AFX_IDW_DOCKBAR_TOP, AFX_IDW_DOCKBAR_BOTTOM}) {
        DockControlBar(frame, &tool, dockBarId, nullptr);
        EXPECT_TRUE(tool.IsFloating()) << dockBarId;
        EXPECT_EQ(fixture.FloatingAt(1), QPoint(120, 90)) << dockBarId;
    }
    // Nor on an edge the frame does not enable.
    EnableDocking(frame, CBRS_ALIGN_TOP);
    DockControlBar(frame, fixture.bars[2].get(), AFX_IDW_DOCKBAR_LEFT, nullptr);
    EXPECT_EQ(fixture.Area(2), Qt::TopToolBarArea);
}

TEST(BarState, SaveAndLoadRoundTripPlaceOrderAndVisibility) {
    ThreeBars fixture;
    CWnd* frame = &fixture.frame;
    // Saved: bar 1 then bar 0 along the bottom, bar 0 hidden; bar 2 floating at (400, 300).
    DockControlBar(frame, fixture.bars[1].get(), AFX_IDW_DOCKBAR_BOTTOM, nullptr);
    DockControlBar(frame, fixture.bars[0].get(), AFX_IDW_DOCKBAR_BOTTOM, nullptr);
    ShowControlBar(frame, fixture.bars[0].get(), FALSE, FALSE);
    FloatControlBar(frame, fixture.bars[2].get(), CPoint(400, 300));
    ShowControlBar(frame, &fixture.status, FALSE, FALSE);
    const std::string saved = fixture.Layout();
    SaveBarState(frame, "Bars\\Test");

    // Moved about since: everything elsewhere.
    DockControlBar(frame, fixture.bars[2].get(), AFX_IDW_DOCKBAR_LEFT, nullptr);
    FloatControlBar(frame, fixture.bars[1].get(), CPoint(20, 20));
    DockControlBar(frame, fixture.bars[0].get(), AFX_IDW_DOCKBAR_TOP, nullptr);
    ShowControlBar(frame, fixture.bars[0].get(), TRUE, FALSE);
    ShowControlBar(frame, &fixture.status, TRUE, FALSE);
    ASSERT_NE(fixture.Layout(), saved);

    ASSERT_TRUE(LoadBarState(frame, "Bars\\Test"));
    EXPECT_EQ(fixture.Area(0), Qt::BottomToolBarArea);
    EXPECT_EQ(fixture.Area(1), Qt::BottomToolBarArea);
    EXPECT_FALSE(fixture.bars[0]->IsVisible());
    EXPECT_TRUE(fixture.bars[1]->IsVisible());
    ASSERT_TRUE(fixture.bars[2]->IsFloating());
    EXPECT_EQ(fixture.FloatingAt(2), QPoint(400, 300));
    EXPECT_TRUE(fixture.bars[2]->IsVisible());
    EXPECT_FALSE(fixture.status.IsVisible());
    EXPECT_EQ(fixture.Layout(), saved);
    // The order along the edge, seen once both are shown.
    ShowControlBar(frame, fixture.bars[0].get(), TRUE, FALSE);
    EXPECT_LT(fixture.Left(1), fixture.Left(0));
}

TEST(BarState, AMissingOrUnreadableLayoutChangesNothing) {
    ThreeBars fixture;
    CWnd* frame = &fixture.frame;
    FloatControlBar(frame, fixture.bars[1].get(), CPoint(200, 150));
    ShowControlBar(frame, fixture.bars[2].get(), FALSE, FALSE);
    const std::string before = fixture.Layout();
    EXPECT_FALSE(LoadBarState(frame, "Bars\\Never Saved"));
    EXPECT_EQ(fixture.Layout(), before);

    const std::string first = std::to_string(kFirstBarId);
    const char* unreadable[] = {
        "",
        "garbage",
        "2|23510,B,1",                // another version
        "1|23510,B",                  // a field short
        "1|23510,X,1",                // no such place
        "1|23510,B,2",                // visibility neither 0 nor 1
        "1|x23510,B,1",               // not an id
        "1|0,B,1",                    // no bar has id 0
        "1|23510,F,1,10",             // a floating point without its y
        "1|23510,B,1,10,20",          // a point for a docked bar
        "1|23510,B,1;23511,T,1;junk", // good entries, then a bad one: nothing moves
        "1|23510,B,1;",               // an empty entry
        "1|23511,F,1,2147483647,20",  // floating where no desktop reaches
        "1|23511,F,1,10,-99999999",
    };
    for (const char* value : unreadable) {
        WriteProfileString("Bars\\Bad", "Layout", value);
        EXPECT_FALSE(LoadBarState(frame, "Bars\\Bad")) << value;
        EXPECT_EQ(fixture.Layout(), before) << value;
    }
    EXPECT_EQ(fixture.FloatingAt(1), QPoint(200, 150));
}

}  // namespace
