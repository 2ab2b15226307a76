// Dragging bars with the mouse: a docked bar dragged by its handle onto an
// edge docks there (upright on the left and right) and the view gives way; a
// floating bar dragged by its caption onto an edge docks; an edge the bar or
// the frame does not enable takes no bar; the saved layout keeps the edge;
// Escape ends a drag with nothing moved; a bar too long for its line starts
// a new one, and the saved layout keeps the lines.
#include "platform/ui/controlbar.h"

#include "platform/core/profile.h"

#include "tests/platform/gui/frame_support.h"

#include <QDockWidget>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

#include <string>

namespace {

using bar_test::CTestFrame;

constexpr UINT kBarId = 23610;

// A bar that lies along a horizontal edge and stands upright on a vertical one.
class CShapedBar : public CControlBar {
public:
    static constexpr CSize kAlong{90, 24};
    static constexpr CSize kUpright{24, 90};

    explicit CShapedBar(int length = kAlong.cx) : m_length(length) {}
    BOOL Create(CWnd* frame, DWORD style, UINT id) {
        if (!CreateBar(frame, style, id, CRect(0, 0, m_length, kAlong.cy)))
            return FALSE;
        SetWindowText("Shaped");
        return TRUE;
    }
    CSize CalcDynamicLayout(int, DWORD dwMode) override {
        return dwMode & LM_VERTDOCK ? CSize(kUpright.cx, m_length) : CSize(m_length, kAlong.cy);
    }

private:
    int m_length;
};

// A frame with one bar docked at the top, docking enabled everywhere.
struct OneBar {
    OneBar() {
        EnableDocking(&frame, CBRS_ALIGN_ANY);
        EXPECT_TRUE(bar.Create(&frame, WS_VISIBLE | CBRS_TOP, kBarId));
        bar.EnableDocking(CBRS_ALIGN_ANY);
        frame.LayOut();
    }

    QToolBar* DockHost() const {
        return frame.Main()->findChild<QToolBar*>(QStringLiteral("Bar%1").arg(kBarId));
    }
    QDockWidget* FloatHost() const { return qobject_cast<QDockWidget*>(bar.GetWidget()->window()); }
    Qt::ToolBarArea Area() const {
        return bar.IsFloating() ? Qt::NoToolBarArea : frame.Main()->toolBarArea(DockHost());
    }
    // The view's rectangle on the screen, the frame laid out.
    QRect View() const {
        frame.LayOut();
        const QWidget* view = frame.Main()->centralWidget();
        return QRect(view->mapToGlobal(QPoint(0, 0)), view->size());
    }
    // A point of the tool bar's handle, beside the bar.
    QPoint Handle() const {
        const QToolBar* host = DockHost();
        const QRect holder = bar.GetWidget()->parentWidget()->geometry();
        return host->orientation() == Qt::Horizontal ? QPoint(holder.left() / 2, holder.center().y())
                                                     : QPoint(holder.center().x(), holder.top() / 2);
    }
    // A point just inside the view on the side of the edge.
    QPoint OnEdge(UINT dockBarId) const {
        const QRect view = View();
        switch (dockBarId) {
        case AFX_IDW_DOCKBAR_TOP: return QPoint(view.center().x(), view.top() + 4);
        case AFX_IDW_DOCKBAR_BOTTOM: return QPoint(view.center().x(), view.bottom() - 4);
        case AFX_IDW_DOCKBAR_LEFT: return QPoint(view.left() + 4, view.center().y());
        default: return QPoint(view.right() - 4, view.center().y());
        }
    }
    std::string Layout() const {
        SaveBarState(const_cast<CTestFrame*>(&frame), "Bars\\Dragged");
        return GetProfileString("Bars\\Dragged", "Layout", "");
    }

    CTestFrame frame;
    CShapedBar bar;
};

// Presses the left button on `from` at `local`, moves to `to` (screen
// coordinates) by way of a point halfway, and lets go there.
void Drag(QWidget* from, QPoint local, QPoint to) {
    const QPoint start = from->mapToGlobal(local);
    QTest::mousePress(from, Qt::LeftButton, {}, local);
    QTest::mouseMove(from, from->mapFromGlobal((start + to) / 2));
    QTest::mouseMove(from, from->mapFromGlobal(to));
    QTest::mouseRelease(from, Qt::LeftButton, {}, from->mapFromGlobal(to));
}

TEST(BarDrag, ADockedBarDraggedOntoAnEdgeDocksThereAndTheViewGivesWay) {
    const struct {
        UINT from, to;
        Qt::ToolBarArea area;
        DWORD align;
        char saved;
    } cases[] = {
        {AFX_IDW_DOCKBAR_TOP, AFX_IDW_DOCKBAR_LEFT, Qt::LeftToolBarArea, CBRS_ALIGN_LEFT, 'L'},
        {AFX_IDW_DOCKBAR_TOP, AFX_IDW_DOCKBAR_RIGHT, Qt::RightToolBarArea, CBRS_ALIGN_RIGHT, 'R'},
        {AFX_IDW_DOCKBAR_TOP, AFX_IDW_DOCKBAR_BOTTOM, Qt::BottomToolBarArea, CBRS_ALIGN_BOTTOM, 'B'},
        {AFX_IDW_DOCKBAR_BOTTOM, AFX_IDW_DOCKBAR_TOP, Qt::TopToolBarArea, CBRS_ALIGN_TOP, 'T'},
    };
    for (const auto& c : cases) {
        OneBar fixture;
        CWnd* frame = &fixture.frame;
        DockControlBar(frame, &fixture.bar, c.from, nullptr);
        const QRect before = fixture.View();
        // A click on the handle is no drag.
        QTest::mouseClick(fixture.DockHost(), Qt::LeftButton, {}, fixture.Handle());
        EXPECT_EQ(fixture.View(), before) << c.to;

        Drag(fixture.DockHost(), fixture.Handle(), fixture.OnEdge(c.to));
        EXPECT_FALSE(fixture.bar.IsFloating()) << c.to;
        EXPECT_EQ(fixture.Area(), c.area) << c.to;
        EXPECT_EQ(fixture.bar.GetBarStyle() & (CBRS_ALIGN_ANY | CBRS_FLOATING), c.align) << c.to;
        const bool upright = c.align & CBRS_ORIENT_VERT;
        EXPECT_EQ(fixture.DockHost()->orientation(), upright ? Qt::Vertical : Qt::Horizontal) << c.to;
        const CSize size = upright ? CShapedBar::kUpright : CShapedBar::kAlong;
        EXPECT_EQ(fixture.bar.GetWidget()->size(), QSize(size.cx, size.cy)) << c.to;

        // The view lost the bar's thickness on the new side and got the old one back.
        const QRect after = fixture.View();
        const int thick = CShapedBar::kAlong.cy;
        switch (c.to) {
        case AFX_IDW_DOCKBAR_LEFT: EXPECT_GE(after.left(), before.left() + thick); break;
        case AFX_IDW_DOCKBAR_RIGHT: EXPECT_LE(after.right(), before.right() - thick); break;
        case AFX_IDW_DOCKBAR_BOTTOM: EXPECT_LE(after.bottom(), before.bottom() - thick); break;
        default: EXPECT_GE(after.top(), before.top() + thick); break;
        }
        if (c.from == AFX_IDW_DOCKBAR_TOP)
            EXPECT_LE(after.top(), before.top() - thick) << c.to;
        else
            EXPECT_GE(after.bottom(), before.bottom() + thick) << c.to;

        // The saved layout keeps the edge and puts the bar back on it.
        const std::string layout = fixture.Layout();
        EXPECT_EQ(layout, "1|" + std::to_string(kBarId) + ',' + c.saved + ",1") << c.to;
        DockControlBar(frame, &fixture.bar, c.from, nullptr);
        ASSERT_TRUE(LoadBarState(frame, "Bars\\Dragged"));
        EXPECT_EQ(fixture.Area(), c.area) << c.to;
    }
}

TEST(BarDrag, AFloatingBarDraggedByItsCaptionMovesAndDocksOnAnEdge) {
    OneBar fixture;
    CWnd* frame = &fixture.frame;
    FloatControlBar(frame, &fixture.bar, CPoint(300, 200));
    QDockWidget* window = fixture.FloatHost();
    ASSERT_NE(window, nullptr);
    QWidget* caption = window->titleBarWidget();
    ASSERT_NE(caption, nullptr) << "a bar that may dock floats with a caption of ours";
    const QPoint grip(8, caption->height() / 2);

    // Let go over the view: the window moved with the pointer, still floating.
    const QRect view = fixture.View();
    Drag(caption, grip, view.center());
    ASSERT_TRUE(fixture.bar.IsFloating());
    EXPECT_EQ(window->pos(), view.center() - caption->mapTo(window, grip));

    Drag(caption, grip, fixture.OnEdge(AFX_IDW_DOCKBAR_LEFT));
    EXPECT_FALSE(fixture.bar.IsFloating());
    EXPECT_EQ(fixture.Area(), Qt::LeftToolBarArea);
    EXPECT_GE(fixture.View().left(), view.left() + CShapedBar::kUpright.cx);
    EXPECT_TRUE(fixture.bar.IsVisible());

    // A floating-only bar keeps the window system's caption.
    fixture.bar.EnableDocking(0);
    FloatControlBar(frame, &fixture.bar, CPoint(300, 200));
    EXPECT_EQ(fixture.FloatHost()->titleBarWidget(), nullptr);
}

TEST(BarDrag, AnEdgeTheBarOrFrameDoesNotEnableTakesNoBar) {
    const struct {
        DWORD frameEdges, barEdges;
    } cases[] = {
        {CBRS_ALIGN_ANY, CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM},
        {CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM, CBRS_ALIGN_ANY},
    };
    for (const auto& c : cases) {
        OneBar fixture;
        CWnd* frame = &fixture.frame;
        EnableDocking(frame, c.frameEdges);
        fixture.bar.EnableDocking(c.barEdges);
        // Dropped on the left edge, the docked bar floats where it was let go.
        const QPoint handle = fixture.Handle();
        const QPoint left = fixture.OnEdge(AFX_IDW_DOCKBAR_LEFT);
        Drag(fixture.DockHost(), handle, left);
        ASSERT_TRUE(fixture.bar.IsFloating()) << c.barEdges;
        EXPECT_EQ(fixture.FloatHost()->pos(), left - handle) << c.barEdges;
        // Dragged there again by its caption, it stays floating.
        QWidget* caption = fixture.FloatHost()->titleBarWidget();
        ASSERT_NE(caption, nullptr);
        Drag(caption, QPoint(8, 4), fixture.OnEdge(AFX_IDW_DOCKBAR_RIGHT) + QPoint(0, 40));
        Drag(caption, QPoint(8, 4), fixture.OnEdge(AFX_IDW_DOCKBAR_LEFT));
        EXPECT_TRUE(fixture.bar.IsFloating()) << c.barEdges;
        // An edge it may dock on still takes it.
        Drag(caption, QPoint(8, 4), fixture.OnEdge(AFX_IDW_DOCKBAR_BOTTOM));
        EXPECT_EQ(fixture.Area(), Qt::BottomToolBarArea) << c.barEdges;
    }
}

TEST(BarDrag, EscapeEndsADragWithNothingMoved) {
    OneBar fixture;
    // Docked: Escape over the left edge, then let go there.
    const QPoint handle = fixture.Handle();
    const QPoint left = fixture.OnEdge(AFX_IDW_DOCKBAR_LEFT);
    QToolBar* host = fixture.DockHost();
    QTest::mousePress(host, Qt::LeftButton, {}, handle);
    QTest::mouseMove(host, host->mapFromGlobal(left));
    QTest::keyClick(host, Qt::Key_Escape);
    QTest::mouseRelease(host, Qt::LeftButton, {}, host->mapFromGlobal(left));
    EXPECT_EQ(fixture.Area(), Qt::TopToolBarArea);

    // Floating: the window goes back to where it was.
    FloatControlBar(&fixture.frame, &fixture.bar, CPoint(300, 200));
    QWidget* caption = fixture.FloatHost()->titleBarWidget();
    ASSERT_NE(caption, nullptr);
    QTest::mousePress(caption, Qt::LeftButton, {}, QPoint(8, 4));
    QTest::mouseMove(caption, caption->mapFromGlobal(left));
    EXPECT_NE(fixture.FloatHost()->pos(), QPoint(300, 200)) << "the window follows the pointer";
    QTest::keyClick(caption, Qt::Key_Escape);
    QTest::mouseRelease(caption, Qt::LeftButton, {}, caption->mapFromGlobal(left));
    EXPECT_TRUE(fixture.bar.IsFloating());
    EXPECT_EQ(fixture.FloatHost()->pos(), QPoint(300, 200));
}

TEST(BarDrag, ABarTooLongForItsLineStartsANewOneAndTheLayoutKeepsIt) {
    const struct {
        UINT edge, other;
        const char* saved;   // the short bar's place, then the wide one's
        bool inwardIsDown;   // the new line stands below the first
    } cases[] = {
        {AFX_IDW_DOCKBAR_TOP, AFX_IDW_DOCKBAR_BOTTOM, "T,1;%,t,1", true},
        {AFX_IDW_DOCKBAR_BOTTOM, AFX_IDW_DOCKBAR_TOP, "B,1;%,b,1", false},
    };
    for (const auto& c : cases) {
        OneBar fixture;   // an 800-pixel frame, the short bar at the top
        CWnd* frame = &fixture.frame;
        QMainWindow* main = fixture.frame.Main();
        CShapedBar wide(760);
        ASSERT_TRUE(wide.Create(frame, WS_VISIBLE | CBRS_TOP, kBarId + 1));
        wide.EnableDocking(CBRS_ALIGN_ANY);
        DockControlBar(frame, &fixture.bar, c.edge, nullptr);
        DockControlBar(frame, &wide, c.edge, nullptr);
        auto* wideHost = main->findChild<QToolBar*>(QStringLiteral("Bar%1").arg(kBarId + 1));
        const auto wideLineIsInward = [&] {
            fixture.frame.LayOut();
            const int wideY = wideHost->y(), shortY = fixture.DockHost()->y();
            return c.inwardIsDown ? wideY > shortY : wideY < shortY;
        };
        EXPECT_TRUE(main->toolBarBreak(wideHost)) << c.edge;
        EXPECT_TRUE(wideLineIsInward()) << c.edge;
        EXPECT_EQ(main->width(), 800) << c.edge;

        std::string saved = "1|" + std::to_string(kBarId) + ',' + c.saved;
        saved.replace(saved.find('%'), 1, std::to_string(kBarId + 1));
        EXPECT_EQ(fixture.Layout(), saved) << c.edge;
        SaveBarState(frame, "Bars\\Lines");
        // Both on the other edge, on one line; put back, on two lines again.
        main->resize(1200, 600);
        DockControlBar(frame, &fixture.bar, c.other, nullptr);
        DockControlBar(frame, &wide, c.other, nullptr);
        EXPECT_FALSE(main->toolBarBreak(wideHost)) << c.edge;
        ASSERT_TRUE(LoadBarState(frame, "Bars\\Lines"));
        EXPECT_EQ(fixture.Layout(), saved) << c.edge;
        EXPECT_TRUE(wideLineIsInward()) << c.edge;
    }
}

}  // namespace
