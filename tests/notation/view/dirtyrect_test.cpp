// The update list: rectangles and elements collected, elements that left the
// score dropped, and the flush handing widened areas to the view.
#include "notation/view/dirtyrect.h"

#include "model/eventtypes.h"
#include "model/notes.h"
#include "notation/display/base.h"
#include "platform/ui/paint.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/display/measure_support.h"
#include "tests/notation/view/flatview_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The view as the flush sees it: what it was asked to invalidate.
class RecordingView : public DirtyRect::Target {
public:
    void InvalidateAll() override { ++all; }
    void InvalidateLogical(CDC*, const CRect& rect) override { rects.push_back(rect); }

    int all = 0;
    std::vector<CRect> rects;
};

bool Same(const CRect& a, const CRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// A note with a placed 10 x 10 display box.
ECNote* PlacedNote(MCEventList& score, int x, int y) {
    auto* note = new ECNote;
    score.AddEvent(note, UNSORTED);
    auto* display = dynamic_cast<DCctBase*>(note->GetData(DK_NOTATION, 1));
    MCMusicFont::MusicFontMetrics box;
    box.SetWidth(10);
    box.SetHeight(10);
    box.SetTop(10);
    display->SetMetrics(box);
    display->SetPosition(x, y);
    return note;
}

TEST(DirtyRectTest, FlushWidensEachAreaByThreeNoteheads) {
    MusicFontScope font(24);
    measure_test::RegistryCell notes(ET_NOTE, RUNTIME_CLASS(DCctBase));
    MCEventList score;
    ECNote* placed = PlacedNote(score, 100, 200);
    auto* bare = new ECRest;   // no display object: skipped
    score.AddEvent(bare, UNSORTED);

    DirtyRect update;
    update.AddRect(CRect(0, 50, 40, 10));   // y up: the top is the larger y
    update.AddEvent(placed);
    update.AddEvent(bare);
    update.AddEvent(nullptr);

    const int m = 3 * MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_CURRENT);
    ASSERT_GT(m, 0);
    CRect frame;
    dynamic_cast<DCctBase*>(placed->GetData(DK_NOTATION, 0))->GetVirtualFrame(&frame, 0);
    ASSERT_FALSE(frame.IsRectNull());

    RecordingView view;
    update.Invalidate(&view, nullptr);
    EXPECT_EQ(view.all, 0);
    ASSERT_EQ(view.rects.size(), 2u);
    EXPECT_TRUE(Same(view.rects[0], CRect(-m, 50 + m, 40 + m, 10 - m)));
    EXPECT_TRUE(Same(view.rects[1], CRect(frame.left - m, frame.top + m, frame.right + m, frame.bottom - m)));
    EXPECT_EQ(update.GetRectCount(), 0);
    EXPECT_TRUE(update.GetEvents().IsEmpty());
}

TEST(DirtyRectTest, RedrawAllInvalidatesOnceAndDiscardsTheRest) {
    measure_test::RegistryCell notes(ET_NOTE, RUNTIME_CLASS(DCctBase));
    MCEventList score;
    DirtyRect update;
    update.AddRect(CRect(0, 10, 10, 0));
    update.AddEvent(PlacedNote(score, 0, 0));
    update.SetRedrawAll(1);

    RecordingView view;
    update.Invalidate(&view, nullptr);
    EXPECT_EQ(view.all, 1);
    EXPECT_TRUE(view.rects.empty());
    EXPECT_EQ(update.GetRedrawAll(), 0);
    EXPECT_EQ(update.GetRectCount(), 0);
    EXPECT_TRUE(update.GetEvents().IsEmpty());

    // The next flush has nothing left.
    update.Invalidate(&view, nullptr);
    EXPECT_EQ(view.all, 1);
    EXPECT_TRUE(view.rects.empty());
}

TEST(DirtyRectTest, GetEventsDropsElementsThatLeftTheScore) {
    MCEventList score;
    auto* kept = new ECNote;
    auto* removed = new ECNote;
    score.AddEvent(kept, UNSORTED);
    score.AddEvent(removed, UNSORTED);

    DirtyRect update;
    MCEventList both;
    both.AddEvent(kept, UNSORTED);
    both.AddEvent(removed, UNSORTED);
    update.AddEvents(&both);
    update.AddEvents(nullptr);
    both.RemoveAll();
    score.RemoveEvent(removed);   // only the update list holds it now

    MCEventList& events = update.GetEvents();
    ASSERT_EQ(events.GetCount(), 1);
    EXPECT_EQ(events.GetHead(), kept);
}

TEST(DirtyRectTest, RectanglesGrowByTenAndClearEmptiesAll) {
    DirtyRect update;
    MCEventList score;
    auto* note = new ECNote;
    score.AddEvent(note, UNSORTED);
    for (int i = 0; i < 25; ++i)
        update.AddRect(CRect(i, i + 1, i + 1, i));
    update.AddEvent(note);
    ASSERT_EQ(update.GetRectCount(), 25);
    EXPECT_EQ(update.GetRect(24).left, 24);

    update.Clear();
    EXPECT_EQ(update.GetRectCount(), 0);
    EXPECT_TRUE(update.GetEvents().IsEmpty());
    EXPECT_EQ(note->GetRefCount(), 1);   // the list let go of it

    // A flush without a view only empties.
    update.AddRect(CRect(0, 1, 1, 0));
    update.SetRedrawAll(1);
    update.Invalidate(nullptr, nullptr);
    EXPECT_EQ(update.GetRectCount(), 0);
    EXPECT_EQ(update.GetRedrawAll(), 0);
}

}  // namespace

namespace {

TEST(DirtyRectTest, AScrollViewTargetInvalidatesTheDeviceArea) {
    MusicFontScope font(24);
    view_test::FlatView view;
    ASSERT_TRUE(view.Create(nullptr, "view", WS_VISIBLE, CRect(0, 0, 400, 300), nullptr, 0));
    view.SetViewSize(2000, 2000);
    view.UpdateWindow();
    view.ValidateRect(nullptr);
    DirtyRect::ScrollViewTarget target(view);

    const int m = 3 * MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_CURRENT);
    const CRect logical(100, -150, 140, -190);   // well inside the view area
    CRect expected(logical.left - m, logical.top + m, logical.right + m, logical.bottom - m);
    {
        CClientDC dc(&view);
        view.OnPrepareDC(&dc);
        view.VPtoDP(&dc, &expected);
        expected.NormalizeRect();
    }
    ASSERT_FALSE(expected.IsRectEmpty());
    DirtyRect update;
    update.AddRect(logical);
    update.Invalidate(&target, nullptr);
    CRect invalid;
    ASSERT_TRUE(view.GetUpdateRect(&invalid));
    EXPECT_EQ(invalid, expected);

    view.ValidateRect(nullptr);
    update.AddRect(logical);
    update.SetRedrawAll(1);
    update.Invalidate(&target, nullptr);
    CRect client;
    view.GetClientRect(&client);
    ASSERT_TRUE(view.GetUpdateRect(&invalid));
    EXPECT_EQ(invalid, client);
}

}  // namespace
