// The rectangle tracker: its handles and what a point hits, the size cursors,
// a resize or move followed under the capture (posted messages and the
// pointer's own), what ends one early, and what it draws.
#include "platform/ui/recttracker.h"

#include "platform/gdi/dc.h"
#include "platform/ui/cursor.h"
#include "platform/ui/keys.h"
#include "platform/ui/msgmap.h"
#include "platform/ui/paint.h"
#include "tests/platform/gui/dc_support.h"
#include "tests/platform/messaging_support.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

constexpr UINT WM_TESTRUN = WM_USER + 31;

// A window noting the mouse and key messages that reach it, and running the
// step a test posts it (WM_TESTRUN) while a track is under way.
class CTrackedWnd : public CWnd {
public:
    std::vector<std::string> notes;
    std::function<void()> step;

    afx_msg void OnMouseMove(UINT, CPoint point) { Note("move", point); }
    afx_msg void OnLButtonUp(UINT, CPoint point) { Note("up", point); }
    afx_msg void OnKeyDown(UINT nChar, UINT, UINT) { notes.push_back("key " + std::to_string(nChar)); }
    afx_msg LRESULT OnTestRun(WPARAM, LPARAM) {
        if (step)
            step();
        return 0;
    }
    DECLARE_MESSAGE_MAP()

private:
    void Note(const char* what, CPoint point) {
        notes.push_back(std::string(what) + " " + std::to_string(point.x) + "," + std::to_string(point.y));
    }
};

BEGIN_MESSAGE_MAP(CTrackedWnd, CWnd)
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONUP()
    ON_WM_KEYDOWN()
    ON_MESSAGE(WM_TESTRUN, &CTrackedWnd::OnTestRun)
END_MESSAGE_MAP()

void PostMouse(CWnd& wnd, UINT message, UINT flags, int x, int y) {
    wnd.PostMessage(message, flags, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
}

// A window of 200 x 150, and what its surface showed before a track.
struct TrackFixture {
    CTrackedWnd wnd;
    QImage before;
    TrackFixture() {
        wnd.Create(nullptr, "tracked", WS_VISIBLE, CRect(0, 0, 200, 150), nullptr, 0);
        messaging_test::PumpPending();   // shown and painted
        if (const QImage* surface = platform_detail::WindowSurface(wnd))
            before = surface->copy();
    }
    // The pixels of the window that differ from what it showed before.
    int ChangedPixels() {
        const QImage* surface = platform_detail::WindowSurface(wnd);
        if (!surface || surface->size() != before.size())
            return -1;
        int changed = 0;
        for (int y = 0; y < surface->height(); ++y)
            for (int x = 0; x < surface->width(); ++x)
                changed += surface->pixel(x, y) != before.pixel(x, y);
        return changed;
    }
};

CRectTracker Tracker(CRect rect, UINT style, int handleSize = 6) {
    CRectTracker tracker(&rect, style);
    tracker.m_nHandleSize = handleSize;
    return tracker;
}

}  // namespace

TEST(RectTracker, HitTestNamesTheHandleTheMiddleOrNothing) {
    const UINT inside = CRectTracker::resizeInside | CRectTracker::solidLine;
    const UINT outside = CRectTracker::resizeOutside | CRectTracker::solidLine;
    const struct {
        CRect rect;
        UINT style;
        CPoint point;
        int expected;
    } cases[] = {
        // Handles inside (20, 20, 120, 80): six pixels at the corners and sides.
        {{20, 20, 120, 80}, inside, {21, 21}, CRectTracker::hitTopLeft},
        {{20, 20, 120, 80}, inside, {119, 20}, CRectTracker::hitTopRight},
        {{20, 20, 120, 80}, inside, {114, 74}, CRectTracker::hitBottomRight},
        {{20, 20, 120, 80}, inside, {25, 79}, CRectTracker::hitBottomLeft},
        {{20, 20, 120, 80}, inside, {70, 22}, CRectTracker::hitTop},
        {{20, 20, 120, 80}, inside, {117, 50}, CRectTracker::hitRight},
        {{20, 20, 120, 80}, inside, {70, 77}, CRectTracker::hitBottom},
        {{20, 20, 120, 80}, inside, {22, 50}, CRectTracker::hitLeft},
        {{20, 20, 120, 80}, inside, {70, 50}, CRectTracker::hitMiddle},
        {{20, 20, 120, 80}, inside, {26, 26}, CRectTracker::hitMiddle},   // just past the corner handle
        {{20, 20, 120, 80}, inside, {19, 50}, CRectTracker::hitMiddle},   // on the line, outside the rectangle
        {{20, 20, 120, 80}, inside, {18, 50}, CRectTracker::hitNothing},
        {{20, 20, 120, 80}, inside, {120, 81}, CRectTracker::hitNothing},
        // Outside: the handles lie beyond the line.
        {{20, 20, 120, 80}, outside, {14, 14}, CRectTracker::hitTopLeft},
        {{20, 20, 120, 80}, outside, {70, 13}, CRectTracker::hitTop},
        {{20, 20, 120, 80}, outside, {121, 81}, CRectTracker::hitBottomRight},
        {{20, 20, 120, 80}, outside, {21, 21}, CRectTracker::hitMiddle},
        // No handles without a resize style.
        {{20, 20, 120, 80}, CRectTracker::solidLine, {21, 21}, CRectTracker::hitMiddle},
        // A hatched border is grabbed as the middle.
        {{20, 20, 120, 80}, CRectTracker::hatchedBorder, {16, 50}, CRectTracker::hitMiddle},
        // The wrong way round: the handle drawn at the top left moves the right edge.
        {{120, 20, 20, 80}, inside, {21, 21}, CRectTracker::hitTopRight},
        {{120, 80, 20, 20}, inside, {21, 21}, CRectTracker::hitBottomRight},
        {{120, 20, 20, 80}, inside, {117, 50}, CRectTracker::hitLeft},
    };
    for (const auto& c : cases) {
        const CRectTracker tracker = Tracker(c.rect, c.style);
        EXPECT_EQ(tracker.HitTest(c.point), c.expected)
            << c.rect.left << "," << c.rect.top << "," << c.rect.right << "," << c.rect.bottom << " style "
            << c.style << " at " << c.point.x << "," << c.point.y;
    }
}

TEST(RectTracker, SmallRectanglesKeepTheirCornerHandlesApart) {
    const struct {
        CRect rect;
        UINT mask;
    } cases[] = {
        {{0, 0, 100, 60}, 0xFF},
        {{0, 0, 21, 60}, 0xAF},    // too narrow for the top and bottom middles
        {{0, 0, 100, 21}, 0x5F},   // too low for the side middles
        {{0, 0, 10, 10}, 0x0F},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Tracker(c.rect, CRectTracker::resizeInside).GetHandleMask(), c.mask) << c.rect.Width();

    // Inside a 10 x 10 rectangle the handles shrink so two fit across it.
    CRectTracker tiny = Tracker({0, 0, 10, 10}, CRectTracker::resizeInside);
    EXPECT_EQ(tiny.HitTest({4, 4}), CRectTracker::hitTopLeft);
    EXPECT_EQ(tiny.HitTest({5, 5}), CRectTracker::hitBottomRight);
    CRect whole;
    Tracker({20, 20, 120, 80}, CRectTracker::resizeOutside | CRectTracker::solidLine).GetTrueRect(&whole);
    EXPECT_EQ(whole, CRect(13, 13, 127, 87));
}

TEST(RectTracker, SetCursorShowsTheSizeCursorOfTheHandleUnderThePointer) {
    TrackFixture f;
    const CRectTracker tracker = Tracker({20, 20, 120, 80}, CRectTracker::resizeInside);
    const struct {
        QPoint pointer;
        unsigned cursor;
    } cases[] = {
        {{21, 21}, IDC_SIZENWSE},
        {{118, 21}, IDC_SIZENESW},
        {{70, 21}, IDC_SIZENS},
        {{21, 50}, IDC_SIZEWE},
        {{70, 50}, IDC_SIZEALL},
    };
    for (const auto& c : cases) {
        QTest::mouseMove(f.wnd.GetWidget(), c.pointer);
        messaging_test::PumpPending();
        EXPECT_TRUE(tracker.SetCursor(&f.wnd, HTCLIENT)) << c.pointer.x() << "," << c.pointer.y();
        EXPECT_EQ(GetCursor(), LoadStandardCursor(c.cursor)) << c.pointer.x() << "," << c.pointer.y();
    }
    QTest::mouseMove(f.wnd.GetWidget(), QPoint(150, 120));
    messaging_test::PumpPending();
    EXPECT_FALSE(tracker.SetCursor(&f.wnd, HTCLIENT));
    QTest::mouseMove(f.wnd.GetWidget(), QPoint(70, 50));
    messaging_test::PumpPending();
    EXPECT_FALSE(tracker.SetCursor(&f.wnd, 0));   // not over the client area
}

TEST(RectTracker, TrackFollowsThePostedMovesAndLeavesNoTrace) {
    const struct {
        const char* what;
        CPoint press;
        CPoint release;
        CRect expected;
    } cases[] = {
        // The edge keeps its distance from the press: pressed 2 inside the corner.
        {"bottom right", {118, 78}, {160, 110}, {20, 20, 162, 112}},
        {"top", {70, 22}, {90, 2}, {20, 0, 120, 80}},
        {"left", {22, 50}, {50, 90}, {48, 20, 120, 80}},
        {"middle", {70, 50}, {80, 65}, {30, 35, 130, 95}},
    };
    for (const auto& c : cases) {
        TrackFixture f;
        CRectTracker tracker = Tracker({20, 20, 120, 80}, CRectTracker::resizeInside | CRectTracker::solidLine);
        int shownWhileTracking = 0;
        f.wnd.step = [&] { shownWhileTracking = f.ChangedPixels(); };
        PostMouse(f.wnd, WM_MOUSEMOVE, MK_LBUTTON, c.press.x + 3, c.press.y + 3);
        f.wnd.PostMessage(WM_TESTRUN);
        PostMouse(f.wnd, WM_LBUTTONUP, 0, c.release.x, c.release.y);
        EXPECT_TRUE(tracker.Track(&f.wnd, c.press)) << c.what;
        EXPECT_GT(shownWhileTracking, 100) << c.what;   // the outline round the rectangle
        EXPECT_EQ(tracker.m_rect, c.expected) << c.what;
        // The moves were the tracker's own; the outline it showed is gone.
        EXPECT_TRUE(f.wnd.notes.empty()) << c.what;
        EXPECT_EQ(CWnd::GetCapture(), nullptr) << c.what;
        EXPECT_EQ(f.ChangedPixels(), 0) << c.what;
    }
}

TEST(RectTracker, TrackEndsUnchangedOnEscapeTheRightButtonOrALostCapture) {
    CTrackedWnd other;
    ASSERT_TRUE(other.Create(nullptr, "other", WS_VISIBLE, CRect(0, 0, 50, 50), nullptr, 0));
    const struct {
        const char* what;
        std::function<void(CWnd&)> end;
    } cases[] = {
        {"escape", [](CWnd& wnd) { wnd.PostMessage(WM_KEYDOWN, VK_ESCAPE, 1); }},
        {"right button", [](CWnd& wnd) { PostMouse(wnd, WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, 60, 60); }},
        {"capture taken", [&other](CWnd&) { other.PostMessage(WM_TESTRUN); }},
    };
    other.step = [&other] { other.SetCapture(); };
    for (const auto& c : cases) {
        TrackFixture f;
        CRectTracker tracker = Tracker({20, 20, 120, 80}, CRectTracker::resizeInside);
        PostMouse(f.wnd, WM_MOUSEMOVE, MK_LBUTTON, 160, 110);
        c.end(f.wnd);
        PostMouse(f.wnd, WM_LBUTTONUP, 0, 170, 120);   // after the end: the window's own
        EXPECT_FALSE(tracker.Track(&f.wnd, {118, 78})) << c.what;
        EXPECT_EQ(tracker.m_rect, CRect(20, 20, 120, 80)) << c.what;
        EXPECT_EQ(f.ChangedPixels(), 0) << c.what;
        messaging_test::PumpPending();
        EXPECT_EQ(f.wnd.notes, std::vector<std::string>{"up 170,120"}) << c.what;
        ReleaseCapture();
    }
}

TEST(RectTracker, TrackReadsThePointerAndTheKeysOfTheToolkit) {
    // A release by the pointer itself ends the resize where it happened.
    {
        TrackFixture f;
        CRectTracker tracker = Tracker({20, 20, 120, 80}, CRectTracker::resizeInside);
        f.wnd.step = [&f] {
            QTest::mousePress(f.wnd.GetWidget(), Qt::LeftButton, {}, QPoint(119, 79));
            QTest::mouseMove(f.wnd.GetWidget(), QPoint(140, 90));
            QTest::mouseRelease(f.wnd.GetWidget(), Qt::LeftButton, {}, QPoint(150, 100));
        };
        f.wnd.PostMessage(WM_TESTRUN);
        EXPECT_TRUE(tracker.Track(&f.wnd, {120 - 1, 80 - 1}));
        EXPECT_EQ(tracker.m_rect, CRect(20, 20, 151, 101));
        EXPECT_TRUE(f.wnd.notes.empty());
    }
    // Escape typed goes to the tracker before any window translates it.
    {
        TrackFixture f;
        f.wnd.GetWidget()->setFocus();
        CRectTracker tracker = Tracker({20, 20, 120, 80}, CRectTracker::resizeInside);
        PostMouse(f.wnd, WM_MOUSEMOVE, MK_LBUTTON, 160, 110);
        f.wnd.step = [&f] { QTest::keyClick(f.wnd.GetWidget(), Qt::Key_Escape); };
        f.wnd.PostMessage(WM_TESTRUN);
        EXPECT_FALSE(tracker.Track(&f.wnd, {118, 78}));
        EXPECT_EQ(tracker.m_rect, CRect(20, 20, 120, 80));
        EXPECT_TRUE(f.wnd.notes.empty());
    }
}

TEST(RectTracker, AMoveWithoutTheButtonEndsTheTrackThere) {
    TrackFixture f;
    CRectTracker tracker = Tracker({20, 20, 120, 80}, CRectTracker::resizeInside);
    PostMouse(f.wnd, WM_MOUSEMOVE, 0, 140, 90);
    EXPECT_TRUE(tracker.Track(&f.wnd, {119, 79}));
    EXPECT_EQ(tracker.m_rect, CRect(20, 20, 141, 91));
    EXPECT_EQ(CWnd::GetCapture(), nullptr);
}

TEST(RectTracker, APressOnNothingTracksNothing) {
    TrackFixture f;
    CRectTracker tracker = Tracker({20, 20, 120, 80}, CRectTracker::resizeInside);
    PostMouse(f.wnd, WM_LBUTTONUP, 0, 170, 120);
    EXPECT_FALSE(tracker.Track(&f.wnd, {150, 120}));
    messaging_test::PumpPending();
    EXPECT_EQ(f.wnd.notes, std::vector<std::string>{"up 170,120"});
}

TEST(RectTracker, AResizeStopsAtTheMinimumSizeUnlessItMayInvert) {
    const struct {
        BOOL allowInvert;
        CPoint release;
        CRect expected;
    } cases[] = {
        {FALSE, {59, 50}, {20, 20, 60, 80}},
        {FALSE, {24, 50}, {20, 20, 32, 80}},    // 12 wide at least
        {FALSE, {-1, 50}, {20, 20, 32, 80}},    // never past the left edge
        {TRUE, {24, 50}, {20, 20, 32, 80}},
        {TRUE, {-1, 50}, {20, 20, 0, 80}},      // inverted, 20 wide
        {TRUE, {14, 50}, {20, 20, 8, 80}},      // inverted, at least 12 wide
    };
    for (const auto& c : cases) {
        TrackFixture f;
        CRectTracker tracker = Tracker({20, 20, 120, 80}, CRectTracker::resizeInside);
        tracker.m_sizeMin = CSize(12, 12);
        PostMouse(f.wnd, WM_LBUTTONUP, 0, c.release.x, c.release.y);
        tracker.Track(&f.wnd, {119, 50}, c.allowInvert);   // the right side's handle, 1 inside the edge
        EXPECT_EQ(tracker.m_rect, c.expected) << c.allowInvert << " to " << c.release.x;
    }
}

TEST(RectTracker, AdjustRectOfADerivedTrackerShapesEveryMove) {
    // Keeps the rectangle on a grid of 10.
    class CGridTracker : public CRectTracker {
    public:
        using CRectTracker::CRectTracker;
        int calls = 0;
        void AdjustRect(int nHandle, LPRECT lpRect) override {
            ++calls;
            CRectTracker::AdjustRect(nHandle, lpRect);
            lpRect->right = (lpRect->right + 5) / 10 * 10;
            lpRect->bottom = (lpRect->bottom + 5) / 10 * 10;
        }
    };
    TrackFixture f;
    CRect start(20, 20, 120, 80);
    CGridTracker tracker(&start, CRectTracker::resizeInside);
    PostMouse(f.wnd, WM_MOUSEMOVE, MK_LBUTTON, 130, 85);
    PostMouse(f.wnd, WM_MOUSEMOVE, MK_LBUTTON, 143, 96);
    PostMouse(f.wnd, WM_LBUTTONUP, 0, 156, 103);
    EXPECT_TRUE(tracker.Track(&f.wnd, {119, 79}));
    EXPECT_EQ(tracker.calls, 3);
    EXPECT_EQ(tracker.m_rect, CRect(20, 20, 160, 100));
}

TEST(RectTracker, DrawShowsTheLineHatchingAndHandlesOfItsStyle) {
    const CRect rect(20, 20, 120, 80);
    const struct {
        UINT style;
        bool line, dotted, handles, hatched;
    } cases[] = {
        {CRectTracker::solidLine, true, false, false, false},
        {CRectTracker::dottedLine, true, true, false, false},
        {CRectTracker::solidLine | CRectTracker::resizeInside, true, false, true, false},
        {CRectTracker::resizeOutside, false, false, true, false},
        {CRectTracker::hatchInside, false, false, false, true},
    };
    for (const auto& c : cases) {
        MemoryCanvas canvas(160, 110);
        // Drawing ignores the DC's own mapping.
        canvas.dc.SetMapMode(MM_TWIPS);
        Tracker(rect, c.style).Draw(&canvas.dc);
        // The line's column, left of the rectangle, above the side handle.
        int lineInk = 0;
        for (int y = 30; y < 45; ++y)
            lineInk += canvas.Pixel(19, y) == 0;
        EXPECT_EQ(lineInk > 0, c.line) << c.style;
        if (c.line)
            EXPECT_EQ(lineInk < 15, c.dotted) << c.style;
        const QRgb insideCorner = canvas.Pixel(22, 22);
        const QRgb outsideCorner = canvas.Pixel(16, 16);
        EXPECT_EQ(insideCorner == 0, c.handles && (c.style & CRectTracker::resizeInside)) << c.style;
        EXPECT_EQ(outsideCorner == 0, c.handles && (c.style & CRectTracker::resizeOutside)) << c.style;
        int dark = 0;
        for (int x = 40; x < 100; ++x)
            dark += canvas.Pixel(x, 50) == 0;
        EXPECT_EQ(dark, c.hatched ? 15 : 0) << c.style;   // one pixel in four along a row
        EXPECT_EQ(canvas.Pixel(70, 95), 0xFFFFFFu) << c.style;   // nothing beyond
    }
}
