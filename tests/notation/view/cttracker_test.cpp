// The object tracker of the score: the limit a resize stays in (the inner
// area of the page under it, within the window), a handle dragged past the
// page's edge or the window's, and its inverted drawing.
#include "notation/view/cttracker.h"

#include "notation/layout/pagelayout.h"
#include "platform/ui/uiresources.h"
#include "tests/notation/tools/toolview_support.h"
#include "tests/platform/gui/dc_support.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT IDR_TRACKER_MAIN = 29921;
constexpr UINT IDR_TRACKER_DOC = 29922;
const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_TRACKER_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_TRACKER_DOC, kDocMenu);

// Quarter notes for 120 measures: more than a page.
std::vector<uint8_t> LongPiece() {
    smf_support::Track conductor;
    conductor.Tempo(0, 500000).TimeSignature(0, 4, 2).End();
    smf_support::Track staff;
    for (int quarter = 0; quarter < 4 * 120; ++quarter)
        staff.NoteOn(0, 0, 60 + quarter % 12, 90).NoteOff(tool_test::kDivision, 0, 60 + quarter % 12);
    staff.End();
    smf_support::File file(1, tool_test::kDivision);
    file.Add(conductor);
    file.Add(staff);
    return file.GetBytes();
}

class CTTrackerTest : public tool_test::ToolView {
protected:
    CTTrackerTest() : ToolView(IDR_TRACKER_MAIN, IDR_TRACKER_DOC) {}

    // The inner area (three quarters of an inch inside the cell) of page
    // `page`, in device pixels.
    CRect PageInner(int page) {
        const MCPageLayout& layout = view->GetPagenate().GetPageLayout();
        CRect cell = layout.GetPageRect();
        cell.OffsetRect(0, (page - 1) * cell.Height());
        CClientDC dc(view);
        view->OnPrepareDC(&dc);
        view->VPtoDP(&dc, &cell);
        cell.NormalizeRect();
        CSize inset(1080, 1080);   // three quarters of an inch at the view's scale
        view->VPtoDP(&dc, &inset);
        cell.DeflateRect(std::abs(inset.cx), std::abs(inset.cy));
        return cell;
    }
    CRect Client() {
        CRect client;
        view->GetClientRect(&client);
        return client;
    }
    // A resize from `press` to `release` under the capture, as the view runs it.
    CRect Drag(CCTRectTracker& tracker, CPoint press, CPoint release) {
        const LPARAM at = MAKELPARAM(static_cast<WORD>(release.x), static_cast<WORD>(release.y));
        view->PostMessage(WM_MOUSEMOVE, MK_LBUTTON, at);
        view->PostMessage(WM_LBUTTONUP, 0, at);
        tracker.Track(view, press);
        return tracker.m_rect;
    }
};

}  // namespace

TEST_F(CTTrackerTest, TheLimitIsThePagesInnerAreaWithinTheWindow) {
    ASSERT_TRUE(OpenPiece());
    const CRect inner = PageInner(1);
    CRect object(inner.left + 40, inner.top + 40, inner.left + 140, inner.top + 100);
    CCTRectTracker tracker;
    tracker.m_nStyle = CRectTracker::resizeInside;
    CRect given(object.right, object.bottom, object.left, object.top);   // the wrong way round
    tracker.SetupResize(view, given);
    EXPECT_EQ(given, object);   // normalised
    EXPECT_EQ(tracker.m_rect, object);
    EXPECT_EQ(tracker.GetLimitRect(), inner & Client());
}

TEST_F(CTTrackerTest, AHandleDraggedPastThePageOrTheWindowStopsAtTheLimit) {
    ASSERT_TRUE(OpenPiece());
    const CRect inner = PageInner(1);
    const CRect limit = inner & Client();
    ASSERT_FALSE(limit.IsRectEmpty());
    // The page's inner area begins inside the window and runs on below it.
    ASSERT_GT(inner.left, Client().left);
    ASSERT_GT(inner.top, Client().top);
    ASSERT_GT(inner.bottom, Client().bottom);
    const CRect object(inner.left + 40, inner.top + 40, inner.left + 140, inner.top + 100);
    const struct {
        const char* what;
        CPoint press;   // on a handle, from the object's corner
        CPoint release;
        CRect expected;
    } cases[] = {
        {"past the page's left edge", {object.left + 1, object.top + 1}, {inner.left - 30, inner.top - 20},
         {limit.left, limit.top, object.right, object.bottom}},
        {"past the window's bottom", {object.right - 2, object.bottom - 2}, {object.right + 20, Client().bottom + 50},
         {object.left, object.top, object.right + 22, limit.bottom}},
        {"within the limit", {object.right - 2, object.bottom - 2}, {object.right + 20, object.bottom + 30},
         {object.left, object.top, object.right + 22, object.bottom + 32}},
    };
    for (const auto& c : cases) {
        CCTRectTracker tracker;
        tracker.m_nStyle = CRectTracker::resizeInside;
        CRect rect = object;
        tracker.SetupResize(view, rect);
        EXPECT_EQ(Drag(tracker, c.press, c.release), c.expected) << c.what;
    }
    // Without a view there is no limit to keep to.
    CCTRectTracker loose;
    loose.m_nStyle = CRectTracker::resizeInside;
    CRect rect = object;
    loose.SetupResize(nullptr, rect);
    EXPECT_EQ(Drag(loose, {object.left + 1, object.top + 1}, {inner.left - 30, inner.top - 20}),
              CRect(inner.left - 31, inner.top - 21, object.right, object.bottom));
}

TEST_F(CTTrackerTest, TheLimitIsThatOfThePageUnderTheTracker) {
    ASSERT_TRUE(OpenPiece(STATE_MODE_SELECT, LongPiece()));
    ASSERT_GE(view->GetPagenate().GetPages().GetPageCount(), 2);
    // Page 2's top in the window.
    const CRect cell = view->GetPagenate().GetPageLayout().GetPageRect();
    view->ScrollTo(CPoint(0, cell.Height() + 2 * 1440 * (cell.Height() < 0 ? 1 : -1)));
    const CRect inner = PageInner(2);
    ASSERT_GT(inner.top, Client().top);
    ASSERT_LT(inner.top + 100, Client().bottom);

    CRect object(inner.left + 40, inner.top + 20, inner.left + 140, inner.top + 80);
    CCTRectTracker tracker;
    tracker.m_nStyle = CRectTracker::resizeInside;
    tracker.SetupResize(view, object);
    EXPECT_EQ(tracker.GetLimitRect(), inner & Client());
    EXPECT_EQ(Drag(tracker, {object.left + 1, object.top + 1}, {object.left - 10, inner.top - 50}).top, inner.top);
}

TEST(CTTrackerDraw, TheTrackerIsDrawnByInvertingThePixels) {
    const CRect rect(20, 20, 120, 80);
    const struct {
        UINT style;
        bool line, handles, hatched;
    } cases[] = {
        {CRectTracker::solidLine, true, false, false},
        {CRectTracker::dottedLine, true, false, false},   // the same line
        {CRectTracker::solidLine | CRectTracker::resizeInside, true, true, false},
        {CRectTracker::dottedLine | CRectTracker::resizeInside | CRectTracker::hatchInside, true, true, true},
        {CRectTracker::hatchInside, false, false, true},
    };
    for (const auto& c : cases) {
        MemoryCanvas canvas(160, 110);
        canvas.dc.FillSolidRect(0, 0, 160, 50, RGB(0, 0, 0));   // black above, white below
        const QImage before = canvas.Copy();
        canvas.dc.SetMapMode(MM_TWIPS);   // drawn in pixels whatever the mapping
        CCTRectTracker tracker;
        tracker.m_rect = CRect(rect.right, rect.bottom, rect.left, rect.top);   // normalised to draw
        tracker.m_nStyle = c.style;
        tracker.OurDraw(&canvas.dc);

        // The line: the rectangle's own edge, white over black and black over white.
        EXPECT_EQ(canvas.Pixel(20, 30) == 0xFFFFFFu, c.line) << c.style;
        EXPECT_EQ(canvas.Pixel(20, 70) == 0u, c.line) << c.style;
        EXPECT_EQ(canvas.Pixel(19, 70), 0xFFFFFFu) << c.style;   // nothing outside
        // Handles: six pixels, two in from the edge (the corner at 22, 22).
        EXPECT_EQ(canvas.Pixel(23, 23) == 0xFFFFFFu, c.handles) << c.style;
        EXPECT_EQ(canvas.Pixel(25, 76) == 0u, c.handles) << c.style;   // bottom left, over white
        EXPECT_EQ(canvas.Pixel(21, 77), 0xFFFFFFu) << c.style;       // between the line and the handle
        // The hatching darkens one pixel in four of a row over white.
        int dark = 0;
        for (int x = 40; x < 100; ++x)
            dark += canvas.Pixel(x, 60) == 0;
        EXPECT_EQ(dark, c.hatched ? 15 : 0) << c.style;

        // Drawn again, the line and the handles are gone.
        if (!c.hatched) {
            tracker.OurDraw(&canvas.dc);
            EXPECT_TRUE(canvas.Image() == before) << c.style;
        }
    }
}
