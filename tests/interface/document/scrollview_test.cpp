// The scroll view base: limits of ScrollBy and End, a one-line scroll that
// moves the bitmap and redraws only the uncovered strip, autoscrolling on the
// manual clock, the rubber band inverted and restored, and the quick-scroll
// and drag-select settings.
#include "interface/document/scrollview.h"

#include "platform/core/clock.h"
#include "platform/ui/keys.h"
#include "platform/ui/paint.h"

#include "tests/platform/messaging_support.h"

#include <QApplication>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// Content that tells where it lies: row y of the view (view units) has its own colour.
COLORREF RowColour(int y) {
    return RGB(0, (y * 7) & 0xFF, (y * 13) & 0xFF);
}

// A view at one pixel a unit, flipped or not, that fills each row of the part
// it is asked to draw with that row's colour and notes that part.
class CTestView : public MCScrollView {
public:
    explicit CTestView(bool flipped) : m_bFlipped(flipped) {}

    std::vector<CRect> draws;   // m_drawRect of each OnDraw (view units)

    void OnPrepareDC(CDC* pDC, CPrintInfo* pInfo = nullptr) override {
        pDC->SetMapMode(MM_ANISOTROPIC);
        pDC->SetWindowExt(1, 1);
        pDC->SetViewportExt(1, m_bFlipped ? -1 : 1);
        MCScrollView::OnPrepareDC(pDC, pInfo);
    }
    void OnDraw(CDC* pDC) override {
        draws.push_back(m_drawRect);
        CRect area = m_drawRect;
        area.NormalizeRect();
        for (int y = area.top; y < area.bottom; ++y) {
            CRect row(area.left, y, area.right, y + 1);
            VPtoLP(&row);
            pDC->FillSolidRect(&row, RowColour(y));
        }
    }

private:
    bool m_bFlipped;
};

class ScrollView : public ::testing::Test {
protected:
    // A view of 1000 x 600 units.
    void Make(bool flipped) {
        view = std::make_unique<CTestView>(flipped);
        ASSERT_TRUE(view->Create(nullptr, "view", WS_VISIBLE, CRect(0, 0, 240, 180), nullptr, 0));
        view->SetViewSize(1000, 600);
        area = view->GetViewArea();
        ASSERT_GT(area.Width(), 100);
        ASSERT_GT(area.Height(), 100);
        view->draws.clear();
    }
    const QImage& Surface() { return *platform_detail::WindowSurface(*view); }
    // Whether the view area shows the rows of the view from its scroll
    // position on (in a flipped view, the row below device row r is the unit
    // row [top - r - 1, top - r)).
    bool ShowsRowsFromScrollPosition() {
        const int top = view->GetScrollPosition().y;
        const bool flipped = view->IsFlipped();
        for (int row = 0; row < area.Height(); ++row) {
            const COLORREF c = RowColour(flipped ? top - row - 1 : top + row);
            const QRgb want = qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
            for (int x : {area.left, area.right - 1})
                if (Surface().pixel(x, area.top + row) != want)
                    return false;
        }
        return true;
    }
    void Key(UINT key) { view->SendMessage(WM_KEYDOWN, key, 1); }
    void Mouse(UINT message, int x, int y, UINT keys = MK_LBUTTON) {
        view->SendMessage(message, keys, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
    }

    std::unique_ptr<CTestView> view;
    CRect area;
};

TEST_F(ScrollView, ScrollByReturnsOnlyWhatFits) {
    Make(false);
    const int maxX = 1000 - area.Width(), maxY = 600 - area.Height();
    const struct {
        CSize delta, allowed;
    } cases[] = {
        {{-5, -5}, {0, 0}},
        {{30, 40}, {30, 40}},
        {{99999, 99999}, {maxX, maxY}},
        {{99999, -3}, {maxX, 0}},
    };
    for (const auto& c : cases) {
        view->ScrollTo(CPoint(0, 0));
        EXPECT_EQ(view->ScrollBy(c.delta, TRUE), c.allowed) << c.delta.cx << "," << c.delta.cy;
        EXPECT_EQ(view->GetScrollPosition(), CPoint(c.allowed.cx, c.allowed.cy));
    }
    // A view smaller than its area never scrolls, and its bars are disabled.
    view->SetViewSize(50, 50);
    EXPECT_EQ(view->ScrollBy(CSize(10, 10), TRUE), CSize(0, 0));
    EXPECT_FALSE(view->GetDlgItem(MCScrollView::IDC_HSCROLLBAR)->IsWindowEnabled());
    EXPECT_FALSE(view->GetDlgItem(MCScrollView::IDC_VSCROLLBAR)->IsWindowEnabled());
}

TEST_F(ScrollView, HomeAndEndHoldAtTheLimits) {
    for (bool flipped : {false, true}) {
        Make(flipped);
        const int maxX = 1000 - area.Width(), farY = flipped ? -(600 - area.Height()) : 600 - area.Height();
        Key(VK_END);
        // The bottom as the screen shows it: a flipped view's far negative end.
        EXPECT_EQ(view->GetScrollPosition(), CPoint(maxX, farY)) << flipped;
        EXPECT_TRUE(ShowsRowsFromScrollPosition()) << flipped;
        view->ScrollBy(CSize(-maxX, 0), TRUE);
        EXPECT_EQ(view->GetScrollPosition(), CPoint(0, farY)) << flipped;
        Key(VK_HOME);
        EXPECT_EQ(view->GetScrollPosition(), CPoint(0, 0)) << flipped;
        EXPECT_TRUE(ShowsRowsFromScrollPosition()) << flipped;
    }
}

TEST_F(ScrollView, ALineScrollDrawsOnlyTheUncoveredStrip) {
    for (bool flipped : {false, true}) {
        Make(flipped);
        const int sign = flipped ? -1 : 1;
        const int w = area.Width(), h = area.Height();
        const struct {
            UINT key;
            CPoint position;
            CRect strip;   // view units, as the view area's corners convert
        } cases[] = {
            {VK_RIGHT, {5, 0}, {w, 0, w + 5, sign * h}},
            {VK_LEFT, {0, 0}, {0, 0, 5, sign * h}},
            // Line down shows the strip below, in a flipped view too.
            {VK_DOWN, {0, sign * 5}, CRect(0, sign * h, w, sign * (h + 5))},
        };
        if (flipped)
            view->ScrollBy(CSize(0, -100), TRUE);
        const CPoint start = view->GetScrollPosition();
        for (const auto& c : cases) {
            view->draws.clear();
            Key(c.key);
            const CPoint expected(c.position.x, start.y + c.position.y);
            EXPECT_EQ(view->GetScrollPosition(), expected) << flipped << " key " << c.key;
            CRect strip = c.strip;
            strip.OffsetRect(0, start.y);
            EXPECT_EQ(view->draws, std::vector<CRect>{strip}) << flipped << " key " << c.key;
            EXPECT_TRUE(ShowsRowsFromScrollPosition()) << flipped << " key " << c.key;
        }
    }
}

TEST_F(ScrollView, SystemKeysScrollAsKeysDo) {
    Make(false);
    const struct {
        UINT key;
        CPoint position;
    } cases[] = {
        {VK_RIGHT, {5, 0}}, {VK_DOWN, {5, 5}}, {VK_NEXT, {5, 55}}, {'A', {5, 55}}, {VK_HOME, {0, 0}},
    };
    for (const auto& c : cases) {
        view->SendMessage(WM_SYSKEYDOWN, c.key, 1 | KF_ALTDOWN_BIT);
        EXPECT_EQ(view->GetScrollPosition(), c.position) << c.key;
    }
}

// What a person does to scroll, each as the toolkit delivers it (keys and the
// wheel to the view, a click to the bar's trough), and where the view's top
// then lies, measured down the screen: a flipped view scrolls the same way
// with its positions negative.
TEST_F(ScrollView, KeysTheWheelAndTheTroughScrollDownTheScreen) {
    for (bool flipped : {false, true}) {
        Make(flipped);
        const int down = flipped ? -1 : 1, bottom = 600 - area.Height(), right = 1000 - area.Width();
        QWidget* widget = view->GetWidget();
        const auto key = [&](Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
            return [=] { QTest::keyClick(widget, k, mods); };
        };
        const auto wheel = [&](int delta, Qt::KeyboardModifiers mods = Qt::NoModifier) {
            return [=] {
                const QPointF at(60, 60);
                QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, mods,
                                  Qt::NoScrollPhase, false);
                QApplication::sendEvent(widget, &event);
            };
        };
        QWidget* bar = view->GetDlgItem(MCScrollView::IDC_VSCROLLBAR)->GetWidget();
        const auto trough = [&](double where) {   // a fraction of the bar's length
            return [=] { QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, int(bar->height() * where))); };
        };
        const struct {
            const char* what;
            std::function<void()> act;
            CPoint position;   // x, and y down the screen
        } cases[] = {
            {"Page Down", key(Qt::Key_PageDown), {0, 50}},
            {"wheel one notch towards the user", wheel(-120), {0, 65}},   // three lines of 5
            {"wheel two notches away", wheel(240), {0, 35}},
            {"half a notch towards", wheel(-60), {0, 35}},
            {"and the other half", wheel(-60), {0, 50}},
            {"Shift+wheel", wheel(-120, Qt::ShiftModifier), {15, 50}},
            {"Page Up", key(Qt::Key_PageUp), {15, 0}},
            {"Ctrl+End", key(Qt::Key_End, Qt::ControlModifier), {right, bottom}},
            {"Ctrl+Home", key(Qt::Key_Home, Qt::ControlModifier), {0, 0}},
            {"a click in the trough below the thumb", trough(0.75), {0, 50}},
            {"Down", key(Qt::Key_Down), {0, 55}},
            {"End", key(Qt::Key_End), {right, bottom}},
            {"a click in the trough above the thumb", trough(0.3), {right, bottom - 50}},
        };
        for (const auto& c : cases) {
            c.act();
            EXPECT_EQ(view->GetScrollPosition(), CPoint(c.position.x, down * c.position.y))
                << (flipped ? "flipped: " : "") << c.what;
        }
        EXPECT_TRUE(ShowsRowsFromScrollPosition()) << flipped;
    }
}

TEST_F(ScrollView, ConversionsBetweenTheFourSpaces) {
    Make(false);
    view->ScrollBy(CSize(30, 40), TRUE);
    CDC dc;   // two device pixels a unit, y up, origins away from zero
    dc.CreateCompatibleDC(nullptr);
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(1, 1);
    dc.SetViewportExt(2, -2);
    dc.SetWindowOrg(10, 20);
    dc.SetViewportOrg(5, 7);

    CPoint point(13, 18);
    view->LPtoDP(&dc, &point);
    EXPECT_EQ(point, CPoint(11, 11));
    view->DPtoLP(&dc, &point);
    EXPECT_EQ(point, CPoint(13, 18));
    // A size is a distance: the origins do not enter.
    CSize size(3, 4);
    view->LPtoDP(&dc, static_cast<SIZE*>(&size));
    EXPECT_EQ(size, CSize(6, -8));
    view->DPtoVP(&dc, static_cast<SIZE*>(&size));
    EXPECT_EQ(size, CSize(3, 4));
    // VP = LP + the scroll position; DPtoVP and VPtoDP go through LP.
    CRect rect(0, 0, 10, 10);
    view->LPtoVP(&rect);
    EXPECT_EQ(rect, CRect(30, 40, 40, 50));
    view->VPtoDP(&dc, &rect);
    EXPECT_EQ(rect, CRect(-15, 47, 5, 27));   // corners converted, not normalised
    view->DPtoVP(&dc, &rect);
    EXPECT_EQ(rect, CRect(30, 40, 40, 50));
    // HIMETRIC by the viewport extent: 2540 to the inch.
    CPoint hm(2540, 1270);
    view->HMtoDP(&dc, &hm);
    EXPECT_EQ(hm, CPoint(2, -1));
    view->DPtoHM(&dc, &hm);
    EXPECT_EQ(hm, CPoint(2540, 1270));
    // A far target converts without overflow.
    CPoint far(0x7FFFFFFF, 0x7FFFFFFF);
    view->VPtoDP(&dc, &far);
    EXPECT_EQ(far.x, 0x7FFFFFFF);
    EXPECT_LT(far.y, -2000000000);   // far down, not wrapped round
}

TEST_F(ScrollView, ADragHeldAtAnEdgeScrollsAtEachTickUntilTheLimit) {
    Make(false);
    CManualClock clock;
    const int maxY = 600 - area.Height();
    Mouse(WM_LBUTTONDOWN, 50, 50);
    ASSERT_TRUE(view->GetFlags() & MCScrollView::SV_MOUSE_DRAG);
    const int step = 15;   // 5 pixels from the bottom: 15 beyond the inner edge
    Mouse(WM_MOUSEMOVE, 50, area.bottom - 5);
    EXPECT_EQ(view->GetScrollPosition().y, step);
    std::vector<int> positions;
    for (int tick = 0; tick < 60 && view->GetScrollPosition().y < maxY; ++tick) {
        clock.Advance(10);
        messaging_test::PumpPending();
        positions.push_back(view->GetScrollPosition().y);
    }
    ASSERT_FALSE(positions.empty());
    for (size_t i = 0; i + 1 < positions.size(); ++i)
        EXPECT_EQ(positions[i], step * static_cast<int>(i + 2));
    EXPECT_EQ(positions.back(), maxY);
    // At the limit the timer stops: more time scrolls nothing.
    clock.Advance(100);
    messaging_test::PumpPending();
    EXPECT_EQ(view->GetScrollPosition().y, maxY);
    EXPECT_TRUE(ShowsRowsFromScrollPosition());
    Mouse(WM_LBUTTONUP, 50, area.bottom - 5, 0);
    EXPECT_EQ(CWnd::GetCapture(), nullptr);
}

TEST_F(ScrollView, ABandDrawnAndClearedLeavesTheSurfaceAsItWas) {
    Make(false);
    const QImage before = Surface().copy();
    Mouse(WM_LBUTTONDOWN, 30, 30);
    Mouse(WM_MOUSEMOVE, 100, 80);
    EXPECT_EQ(view->GetDragRect(), CRect(30, 30, 100, 80));
    EXPECT_NE(Surface(), before);
    // The band is a frame: its corner pixel is inverted, its inside is not.
    EXPECT_EQ(Surface().pixel(60, 55), before.pixel(60, 55));
    Mouse(WM_MOUSEMOVE, 120, 90);
    EXPECT_EQ(view->GetDragRect(), CRect(30, 30, 120, 90));
    Mouse(WM_LBUTTONUP, 120, 90, 0);   // drag-select mode 0: the band goes
    EXPECT_TRUE(view->GetDragRect().IsRectEmpty());
    EXPECT_EQ(Surface(), before);

    // Another mode keeps the band; Escape ends a drag as a release would.
    view->SetDragSelectMode(1);
    Mouse(WM_LBUTTONDOWN, 30, 30);
    Mouse(WM_MOUSEMOVE, 90, 70);
    Key(VK_ESCAPE);
    EXPECT_FALSE(view->GetFlags() & MCScrollView::SV_MOUSE_DRAG);
    EXPECT_EQ(CWnd::GetCapture(), nullptr);
    EXPECT_EQ(view->GetDragRect(), CRect(30, 30, 90, 70));
    EXPECT_NE(Surface(), before);
}

TEST_F(ScrollView, QuickScrollArmsOnlyWhenEnabledAndTheDragSelectCursorShowsDuringADrag) {
    Make(false);
    for (BOOL enabled : {TRUE, FALSE}) {
        view->EnableQuickScroll(enabled);
        QTest::mouseMove(view->GetWidget(), QPoint(60, 60));   // WM_SETCURSOR: the pointer is inside
        ASSERT_TRUE(view->GetFlags() & MCScrollView::SV_POINTER_INSIDE);
        Key(VK_SHIFT);
        EXPECT_EQ((view->GetFlags() & MCScrollView::SV_QUICKSCROLL_ARMED) != 0, enabled != FALSE) << enabled;
        view->SendMessage(WM_KEYUP, VK_SHIFT, 1);
        EXPECT_FALSE(view->GetFlags() & MCScrollView::SV_QUICKSCROLL_ARMED);
    }
    view->SetDragSelectCursor(LoadStandardCursor(IDC_CROSS));
    Mouse(WM_LBUTTONDOWN, 40, 40);
    EXPECT_EQ(GetCursor(), LoadStandardCursor(IDC_CROSS));
    Mouse(WM_LBUTTONUP, 40, 40, 0);
    EXPECT_EQ(GetCursor(), LoadStandardCursor(IDC_ARROW));
}

TEST_F(ScrollView, AQuickScrollGrabMovesTheContentWithThePointer) {
    Make(false);
    view->ScrollBy(CSize(100, 100), TRUE);
    QTest::mouseMove(view->GetWidget(), QPoint(60, 60));
    Key(VK_SHIFT);
    ASSERT_TRUE(view->GetFlags() & MCScrollView::SV_QUICKSCROLL_ARMED);
    Mouse(WM_LBUTTONDOWN, 60, 60);
    Mouse(WM_MOUSEMOVE, 80, 50);
    EXPECT_EQ(view->GetScrollPosition(), CPoint(80, 110));
    Mouse(WM_LBUTTONUP, 80, 50, 0);
    EXPECT_EQ(CWnd::GetCapture(), nullptr);
    EXPECT_TRUE(ShowsRowsFromScrollPosition());
}

}  // namespace
