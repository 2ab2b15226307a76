// The frame tool in a score window: the inverted outline that follows the
// pointer, leaves no trace when it moves or hides, and the frame placed at
// its corner under the performance.
#include "notation/tools/framecursor.h"

#include "model/frame.h"
#include "model/performance.h"
#include "notation/display/base.h"
#include "platform/ui/uiresources.h"
#include "tests/notation/tools/toolview_support.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr UINT IDR_FRAME_MAIN = 29911;
constexpr UINT IDR_FRAME_DOC = 29912;
const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_FRAME_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_FRAME_DOC, kDocMenu);

class FrameToolTest : public tool_test::ToolView {
protected:
    FrameToolTest() : ToolView(IDR_FRAME_MAIN, IDR_FRAME_DOC) {}

    // The outline the tool should show for a pointer at `device`: 200 x 100
    // view units held 10 units right of its left edge and 10 below its top.
    CRect Expected(CPoint device) {
        CClientDC dc(view);
        view->OnPrepareDC(&dc);
        CPoint at = device;
        view->DPtoVP(&dc, &at);
        CRect outline(CPoint(at.x - 10, at.y + 10 * Up()), CSize(200, -100 * Up()));
        view->VPtoDP(&dc, &outline);
        outline.NormalizeRect();
        return outline;
    }
    // +1 when view units grow upward on the screen.
    int Up() { return ToDevice(CPoint(0, 100)).y < ToDevice(CPoint(0, 0)).y ? 1 : -1; }

    std::unique_ptr<CFrameCursor> Tool() {
        auto tool = std::make_unique<CFrameCursor>(view);
        tool->SetFrameSize(CSize(200, -100 * Up()));
        tool->SetFrameOffset(CSize(10, -10 * Up()));
        return tool;
    }

    // The pixels of `rect`'s one-pixel border that differ between the two images.
    static int BorderChanges(const QImage& a, const QImage& b, const CRect& rect) {
        int changed = 0;
        for (int x = rect.left; x < rect.right; ++x)
            for (int y = rect.top; y < rect.bottom; ++y) {
                const bool border = x == rect.left || x == rect.right - 1 || y == rect.top || y == rect.bottom - 1;
                if (border && QRect(0, 0, a.width(), a.height()).contains(x, y))
                    changed += a.pixel(x, y) != b.pixel(x, y);
            }
        return changed;
    }
    static int Changes(const QImage& a, const QImage& b, const CRect& rect) {
        int changed = 0;
        for (int x = std::max(0, static_cast<int>(rect.left)); x < std::min(a.width(), static_cast<int>(rect.right)); ++x)
            for (int y = std::max(0, static_cast<int>(rect.top)); y < std::min(a.height(), static_cast<int>(rect.bottom)); ++y)
                changed += a.pixel(x, y) != b.pixel(x, y);
        return changed;
    }
};

TEST_F(FrameToolTest, TheOutlineFollowsThePointerAndLeavesNoTrace) {
    ASSERT_TRUE(OpenPiece());
    const QImage before = Surface().copy();
    auto tool = Tool();

    CPoint first(60, 60);
    tool->Update(first, 1);
    const CRect one = Expected(CPoint(60, 60));
    const CRect corner = Expected(CPoint(60, 60));
    EXPECT_EQ(corner.TopLeft(), ToDevice(CPoint(tool->GetPosition().x - 10, tool->GetPosition().y + 10 * Up())));
    const QImage shown = Surface().copy();
    const int border = 2 * (one.Width() + one.Height()) - 4;
    EXPECT_GT(BorderChanges(before, shown, one), border / 4) << "the border inverted";
    CRect inside = one;
    inside.DeflateRect(1, 1);
    EXPECT_EQ(Changes(before, shown, inside), 0) << "the inside untouched";
    EXPECT_EQ(Changes(before, shown, CRect(0, 0, 10000, 10000)) , Changes(before, shown, one))
        << "nothing outside the outline";

    // Moved: the old border is as before, the new one inverted.
    CPoint second(90, 75);
    tool->Update(second, 1);
    const CRect two = Expected(CPoint(90, 75));
    const QImage moved = Surface().copy();
    EXPECT_GT(BorderChanges(before, moved, two), border / 4);
    int oldBorderLeft = 0;
    for (int x = one.left; x < one.right; ++x) {
        const int y = one.top;
        if (!(y >= two.top && y < two.bottom && x >= two.left && x < two.right))
            oldBorderLeft += before.pixel(x, y) != moved.pixel(x, y);
    }
    EXPECT_EQ(oldBorderLeft, 0) << "the first outline's top edge gone";

    // Hidden: the view's image as it was.
    tool->Hide();
    EXPECT_EQ(Changes(before, Surface(), CRect(0, 0, 10000, 10000)), 0);
}

TEST_F(FrameToolTest, AFrameGoesUnderThePerformanceAtTheOutlinesCorner) {
    ASSERT_TRUE(OpenPiece());
    auto tool = Tool();
    CPoint pointer(80, 70);
    tool->Update(pointer, 0);
    EXPECT_EQ(tool->GetParent(), performance);
    EXPECT_EQ(tool->CanInsert(ET_FRAME), 1);
    EXPECT_EQ(tool->CanInsert(ET_NOTE), 0);

    auto* frame = new ECFrame(1);
    frame->Ref();
    const MCTime time(3.0f);
    frame->SetTime(&time);
    ASSERT_EQ(tool->Insert(frame, nullptr), 1);
    Settle();
    EXPECT_TRUE(performance->GetChildren()->Find(frame));
    auto* display = dynamic_cast<DCctBase*>(frame->GetData(DK_NOTATION, 0));
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->GetPosition(),
              CPoint(tool->GetPosition().x - 10, tool->GetPosition().y + 10 * Up()));
    EXPECT_EQ(*frame->GetTime(), time) << "the time it came with";
    EXPECT_TRUE(document->IsModified());
    frame->Unref(1);
}

// A click takes the outline away and starts the view's band, inserting nothing.
TEST_F(FrameToolTest, AClickInsertsNothing) {
    ASSERT_TRUE(OpenPiece());
    auto tool = Tool();
    CPoint pointer(80, 70);
    tool->Update(pointer, 1);
    const int children = performance->GetChildren()->GetCount();
    tool->OnMouseDragBegin(MK_LBUTTON, pointer);
    EXPECT_EQ(tool->GetFrameSize(), CSize(0, 0));
    EXPECT_EQ(performance->GetChildren()->GetCount(), children);
    EXPECT_FALSE(document->IsModified());
    tool->OnMouseDragEnd(0, pointer);
}

}  // namespace
