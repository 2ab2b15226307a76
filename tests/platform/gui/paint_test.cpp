// Windows that paint: the retained surface Qt shows, the update region and the
// paint protocol (erase, then OnPaint at once from UpdateWindow), a subclassed
// scrolled area's erase, and the cursor a window sets in WM_SETCURSOR.
#include "platform/ui/button.h"
#include "platform/ui/cursor.h"
#include "platform/ui/msgmap.h"
#include "platform/ui/paint.h"

#include "tests/platform/messaging_support.h"

#include <QApplication>
#include <QCursor>
#include <QMdiArea>
#include <QPixmap>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

QRgb Rgb(COLORREF color) {
    return qRgb(GetRValue(color), GetGValue(color), GetBValue(color));
}

// A window that paints its whole client red in OnPaint (the paint DC clips it
// to the update region) and notes what happens.
class CPaintingWnd : public CWnd {
public:
    std::vector<std::string> notes;
    std::vector<CRect> painted;   // rcPaint of each OnPaint

    afx_msg void OnPaint() {
        CPaintDC dc(this);
        painted.push_back(CRect(dc.m_ps.rcPaint));
        notes.push_back(dc.m_ps.fErase ? "paint unerased" : "paint");
        CRect client;
        GetClientRect(&client);
        dc.FillSolidRect(&client, kRed);
    }
    afx_msg BOOL OnEraseBkgnd(CDC* pDC) {
        notes.push_back("erase");
        RECT box;
        pDC->GetClipBox(&box);
        pDC->FillSolidRect(&box, kBlue);
        return TRUE;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPaintingWnd, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

// A window without paint handlers: only a client DC draws on it.
class CPlainWnd : public CWnd {};

QImage Shown(CWnd& wnd) {
    return wnd.GetWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(Painting, ClientDCInkShowsWithoutOnPaint) {
    CPlainWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr, "plain", WS_VISIBLE, CRect(0, 0, 120, 80), nullptr, 0));
    wnd.UpdateWindow();   // the first paint (the default one) is done
    {
        CClientDC dc(&wnd);
        dc.FillSolidRect(10, 20, 30, 15, kRed);
    }
    const QImage shown = Shown(wnd);
    EXPECT_EQ(shown.pixel(10, 20), Rgb(kRed));
    EXPECT_EQ(shown.pixel(39, 34), Rgb(kRed));
    EXPECT_NE(shown.pixel(40, 35), Rgb(kRed));
    EXPECT_NE(shown.pixel(9, 19), Rgb(kRed));
    // Nothing was left to paint: showing again keeps the ink.
    EXPECT_EQ(Shown(wnd).pixel(20, 25), Rgb(kRed));
}

TEST(Painting, UpdateWindowPaintsTheInvalidRectangleAtOnce) {
    CPaintingWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr, "painting", WS_VISIBLE, CRect(0, 0, 120, 80), nullptr, 0));
    wnd.UpdateWindow();
    ASSERT_EQ(wnd.painted, std::vector<CRect>{CRect(0, 0, 120, 80)});
    {
        CClientDC dc(&wnd);   // white again, so the next paint's reach shows
        dc.FillSolidRect(0, 0, 120, 80, RGB(255, 255, 255));
    }
    wnd.notes.clear();
    wnd.painted.clear();

    const CRect invalid(5, 6, 30, 40);
    wnd.InvalidateRect(&invalid, TRUE);
    CRect update;
    EXPECT_TRUE(wnd.GetUpdateRect(&update));
    EXPECT_EQ(update, CRect(5, 6, 30, 40));
    EXPECT_TRUE(wnd.painted.empty());   // not before UpdateWindow

    wnd.UpdateWindow();
    EXPECT_EQ(wnd.notes, (std::vector<std::string>{"erase", "paint"}));
    EXPECT_EQ(wnd.painted, std::vector<CRect>{CRect(5, 6, 30, 40)});
    EXPECT_FALSE(wnd.GetUpdateRect(&update));
    const QImage& surface = *platform_detail::WindowSurface(wnd);
    EXPECT_EQ(surface.pixel(5, 6), Rgb(kRed));
    EXPECT_EQ(surface.pixel(29, 39), Rgb(kRed));
    EXPECT_EQ(surface.pixel(30, 39), qRgb(255, 255, 255));   // the paint DC keeps to the region
    EXPECT_EQ(surface.pixel(29, 40), qRgb(255, 255, 255));

    wnd.UpdateWindow();   // nothing invalid: no paint
    EXPECT_EQ(wnd.painted.size(), 1u);
    EXPECT_EQ(Shown(wnd).pixel(10, 10), Rgb(kRed));
}

TEST(Painting, TheUpdateRegionGrowsAndShrinks) {
    CPaintingWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr, "painting", WS_VISIBLE, CRect(0, 0, 100, 100), nullptr, 0));
    wnd.UpdateWindow();
    const struct {
        const char* what;
        std::vector<CRect> invalidated;
        std::vector<CRect> validated;
        CRect box;
    } cases[] = {
        {"two rectangles", {CRect(10, 10, 20, 20), CRect(50, 60, 70, 80)}, {}, CRect(10, 10, 70, 80)},
        {"one validated", {CRect(10, 10, 20, 20), CRect(50, 60, 70, 80)}, {CRect(0, 0, 30, 30)}, CRect(50, 60, 70, 80)},
        {"held to the client", {CRect(90, 90, 300, 300)}, {}, CRect(90, 90, 100, 100)},
        {"all validated", {CRect(10, 10, 20, 20)}, {CRect(0, 0, 100, 100)}, CRect()},
        {"outside the client", {CRect(200, 200, 300, 300)}, {}, CRect()},
    };
    for (const auto& c : cases) {
        for (const CRect& r : c.invalidated)
            wnd.InvalidateRect(&r, FALSE);
        for (const CRect& r : c.validated)
            wnd.ValidateRect(&r);
        CRect box;
        EXPECT_EQ(wnd.GetUpdateRect(&box) != FALSE, !c.box.IsRectEmpty()) << c.what;
        EXPECT_EQ(box, c.box) << c.what;
        wnd.ValidateRect(nullptr);
    }
}

TEST(Painting, AResizeKeepsWhatWasDrawnAndPaintsOnlyTheNewArea) {
    CPaintingWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr, "painting", WS_VISIBLE, CRect(0, 0, 60, 40), nullptr, 0));
    wnd.UpdateWindow();
    {
        CClientDC dc(&wnd);
        dc.FillSolidRect(0, 0, 60, 40, kBlue);
    }
    wnd.painted.clear();
    wnd.MoveWindow(0, 0, 80, 40);
    wnd.UpdateWindow();
    EXPECT_EQ(wnd.painted, std::vector<CRect>{CRect(60, 0, 80, 40)});
    const QImage& surface = *platform_detail::WindowSurface(wnd);
    EXPECT_EQ(surface.pixel(59, 10), Rgb(kBlue));
    EXPECT_EQ(surface.pixel(60, 10), Rgb(kRed));
}

// A control that paints itself red in OnPaint, and leaves the erase to the default.
class CRedButton : public CButton {
public:
    afx_msg void OnPaint() {
        CPaintDC dc(this);
        CRect client;
        GetClientRect(&client);
        dc.FillSolidRect(&client, kRed);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRedButton, CButton)
    ON_WM_PAINT()
END_MESSAGE_MAP()

TEST(Painting, AControlShowsItsSurfaceOnlyWhenItHandlesThePaint) {
    CPlainWnd parent;
    ASSERT_TRUE(parent.Create(nullptr, "parent", WS_VISIBLE, CRect(0, 0, 200, 100), nullptr, 0));
    CRedButton painted;
    CButton plain;
    ASSERT_TRUE(painted.Create("Painted", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, CRect(10, 10, 90, 40), &parent, 1));
    ASSERT_TRUE(plain.Create("Plain", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, CRect(100, 10, 180, 40), &parent, 2));
    // A control that handles WM_PAINT shows its picture from its first paint,
    // without an invalidation (a dialog's first showing).
    EXPECT_EQ(Shown(painted).pixel(40, 15), Rgb(kRed));
    painted.Invalidate();
    plain.Invalidate();   // a surface, but nobody paints on it: the button draws itself
    // Each paint after the first too: what the update region asked for is
    // done, and the control that does not handle WM_PAINT still draws itself
    // (its label's dark ink), never the empty surface.
    auto darkPixels = [](const QImage& image) {
        int dark = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                dark += qGray(image.pixel(x, y)) < 128;
        return dark;
    };
    for (int paint = 0; paint < 3; ++paint) {
        EXPECT_EQ(Shown(painted).pixel(40, 15), Rgb(kRed)) << paint;
        const QImage own = Shown(plain);
        EXPECT_NE(own.pixel(40, 15), Rgb(kRed)) << paint;
        EXPECT_NE(own.pixel(40, 15), qRgb(255, 255, 255)) << "the button's own face, paint " << paint;
        EXPECT_GT(darkPixels(own), 5) << "the button's label, paint " << paint;
    }
}

// The MDI client: a scrolled area taken over by a window that erases it blue.
class CErasingClient : public CWnd {
public:
    afx_msg BOOL OnEraseBkgnd(CDC* pDC) {
        RECT box;
        pDC->GetClipBox(&box);
        pDC->FillSolidRect(&box, kBlue);
        return TRUE;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CErasingClient, CWnd)
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

TEST(Painting, AHandledEraseReplacesASubclassedAreasBackground) {
    auto* area = new QMdiArea;
    area->resize(100, 80);
    area->show();
    CErasingClient client;
    ASSERT_TRUE(client.SubclassWidget(area));
    const QImage shown = area->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.pixel(50, 40), Rgb(kBlue));
    client.DestroyWindow();
}

// A window that sets the cross over its client.
class CCrossWnd : public CWnd {
public:
    std::vector<std::string> notes;
    afx_msg BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
        notes.push_back(std::string(pWnd == this ? "self" : "other") + " " + std::to_string(nHitTest) + " " +
                        std::to_string(message));
        ::SetCursor(LoadStandardCursor(IDC_CROSS));
        return TRUE;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CCrossWnd, CWnd)
    ON_WM_SETCURSOR()
END_MESSAGE_MAP()

TEST(Cursors, AMouseMoveAsksTheWindowUnderThePointer) {
    CCrossWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr, "cross", WS_VISIBLE, CRect(0, 0, 100, 100), nullptr, 0));
    QTest::mouseMove(wnd.GetWidget(), QPoint(30, 40));
    messaging_test::PumpPending();
    ASSERT_FALSE(wnd.notes.empty());
    EXPECT_EQ(wnd.notes.front(), "self 1 512");   // HTCLIENT, WM_MOUSEMOVE
    EXPECT_EQ(wnd.GetWidget()->cursor().shape(), Qt::CrossCursor);
    EXPECT_EQ(GetCursor(), LoadStandardCursor(IDC_CROSS));
    POINT where;
    ASSERT_TRUE(GetCursorPos(&where));
    wnd.ScreenToClient(&where);
    EXPECT_EQ(CPoint(where), CPoint(30, 40));
}

TEST(Cursors, HandlesAndTheWaitCursor) {
    EXPECT_EQ(LoadStandardCursor(IDC_WAIT), LoadStandardCursor(IDC_WAIT));
    EXPECT_EQ(LoadStandardCursor(IDC_WAIT)->shape(), Qt::WaitCursor);
    EXPECT_EQ(LoadStandardCursor(0)->shape(), Qt::ArrowCursor);           // unknown: the arrow
    EXPECT_EQ(LoadResourceCursor(54321)->shape(), Qt::ArrowCursor);       // no such resource
    {
        CWaitCursor wait;
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
