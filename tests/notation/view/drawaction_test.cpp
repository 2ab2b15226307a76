// Drawing walks: where ACDraw draws each element (the accumulated offset and
// its restoration), what it skips, what ACHighlight changes, draws and
// invalidates in a view, and the view's drawing sequence on a laid-out
// melody.
#include "notation/view/drawaction.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/notes.h"
#include "notation/view/findactions.h"
#include "platform/ui/paint.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/display/marks_support.h"
#include "tests/notation/display/measure_support.h"
#include "tests/notation/view/flatview_support.h"
#include "tests/notation/view/laidout_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

struct DrawCall {
    ECBase* owner;
    CDC* dc;
    CPoint point;
};

std::vector<DrawCall> g_drawn;

// A display object with a 100 x 50 box at its position that records where
// it is drawn and answers the flags a test sets.
class RecordingDisplay : public DCctBase {
    DECLARE_DYNCREATE(RecordingDisplay)
public:
    RecordingDisplay() {
        MCMusicFont::MusicFontMetrics box;
        box.SetWidth(100);
        box.SetHeight(50);
        box.SetTop(50);
        SetMetrics(box);
    }
    int Draw(CDC* dc, CPoint point, CRect*) override {
        g_drawn.push_back({GetOwner(), dc, point});
        return answer;
    }

    int answer = DRAW_DONE;
};

IMPLEMENT_DYNCREATE(RecordingDisplay, DCctBase)

// Staff 1 at (0, -1000), its measure 2 at (3000, 0) relative to it, and in
// that measure a note at (200, 300) and a rest at (600, 0).
class DrawWalkTest : public ::testing::Test {
protected:
    DrawWalkTest() {
        for (int type : {ET_NOTE, ET_REST, ET_MEASURE, ET_STAFF})
            m_cells.push_back(std::make_unique<measure_test::RegistryCell>(type, RUNTIME_CLASS(RecordingDisplay)));
        g_drawn.clear();
        measure = score.Measure(2);
        note = new ECNote;
        note->SetTime(measure->GetTime());
        note->SetVoiceTrack(0, 1);
        measure->AddChild(note, SORTED);
        rest = new ECRest;
        MCTime later = *measure->GetTime();
        later += MCTime(2.0f);
        rest->SetTime(&later);
        measure->AddChild(rest, SORTED);
        Display(score.staff)->SetPosition(0, -1000);
        Display(measure)->SetPosition(3000, 0);
        Display(note)->SetPosition(200, 300);
        Display(rest)->SetPosition(600, 0);
    }
    ~DrawWalkTest() override { g_drawn.clear(); }

    static RecordingDisplay* Display(ECBase* event) {
        return dynamic_cast<RecordingDisplay*>(event->GetData(DK_NOTATION, 1));
    }
    static const DrawCall* CallFor(ECBase* owner) {
        for (const DrawCall& call : g_drawn)
            if (call.owner == owner)
                return &call;
        return nullptr;
    }

    std::vector<std::unique_ptr<measure_test::RegistryCell>> m_cells;
    measure_test::Score score{0, 2};
    ECMeasure* measure = nullptr;
    ECNote* note = nullptr;
    ECRest* rest = nullptr;
};

TEST_F(DrawWalkTest, EachElementIsDrawnAtItsParentsOriginFromTheGivenOrigin) {
    DisplayCanvas canvas(8, 8, 0, 0);
    ACDraw draw;
    draw.SetDC(&canvas.dc);
    draw.SetOrigin(10, 20);
    draw.Apply(score.staff);

    const struct {
        ECBase* owner;
        CPoint at;
    } cases[] = {
        {score.staff, {10, 20}},
        {measure, {10, 20 - 1000}},
        {note, {10 + 3000, 20 - 1000}},
        {rest, {10 + 3000, 20 - 1000}},   // the note's own position is not its sibling's
    };
    for (const auto& c : cases) {
        const DrawCall* call = CallFor(c.owner);
        ASSERT_NE(call, nullptr) << c.owner->GetClassType();
        EXPECT_EQ(call->point, c.at) << c.owner->GetClassType();
        EXPECT_EQ(call->dc, &canvas.dc);
    }
    EXPECT_EQ(draw.GetOffset(), CPoint(10, 20));   // restored after the walk
}

TEST_F(DrawWalkTest, HiddenAndFarElementsKeepTheirChildrenUndrawn) {
    const struct {
        const char* what;
        int hidden;
        int answer;         // the measure's
        bool childrenDrawn;
    } cases[] = {
        {"drawn", 0, DCctBase::DRAW_DONE, true},
        {"hidden", 1, DCctBase::DRAW_DONE, false},
        {"outside, beyond x", 0, 2 | 0x10, false},
        {"outside, below", 0, 2 | 4, false},
        {"outside, to one side only", 0, 2, true},
        {"hidden answer", 0, DCctBase::DRAW_HIDDEN, false},
    };
    for (const auto& c : cases) {
        g_drawn.clear();
        Display(measure)->SetHidden(c.hidden);
        Display(measure)->answer = c.answer;
        ACDraw draw;
        draw.Apply(score.staff);
        EXPECT_EQ(CallFor(measure) != nullptr, c.hidden == 0) << c.what;
        EXPECT_EQ(CallFor(note) != nullptr, c.childrenDrawn) << c.what;
    }
}

TEST_F(DrawWalkTest, AListIsDrawnMemberByMemberFromTheOrigin) {
    MCEventList visible;
    visible.AddEvent(measure, UNSORTED);
    visible.AddEvent(note, UNSORTED);
    ACDraw draw;
    draw.SetOrigin(0, -1000);   // the staff's origin
    draw.Apply(visible, 1);
    // Once through the measure, once as a member of its own.
    std::vector<CPoint> notePoints;
    for (const DrawCall& call : g_drawn)
        if (call.owner == note)
            notePoints.push_back(call.point);
    ASSERT_EQ(notePoints.size(), 2u);
    EXPECT_EQ(notePoints[0], CPoint(3000, -1000));
    EXPECT_EQ(notePoints[1], CPoint(0, -1000));
}

class HighlightTest : public DrawWalkTest {
protected:
    HighlightTest() {
        view = std::make_unique<view_test::FlatView>();
        EXPECT_TRUE(view->Create(nullptr, "view", WS_VISIBLE, CRect(0, 0, 400, 300), nullptr, 0));
        view->SetViewSize(4000, 2000);
        // The note's box well inside the view area: its parent's origin at
        // (20, -100), the box 100 x 50 from (120, -150).
        Display(score.staff)->SetPosition(0, -100);
        Display(measure)->SetPosition(20, 0);
        Display(note)->SetPosition(100, -50);
        view->UpdateWindow();
        view->ValidateRect(nullptr);
    }

    // The element's device box as the view converts it.
    CRect DeviceBox(ECBase* event) {
        DCctBase* display = Display(event);
        CRect frame;
        display->GetVirtualFrame(&frame, 0);
        CClientDC dc(view.get());
        view->OnPrepareDC(&dc);
        view->LPtoVP(&frame);
        view->VPtoDP(&dc, &frame);
        frame.NormalizeRect();
        return frame;
    }
    int Apply(int kind, ECBase* event) {
        ACHighlight highlight(kind);
        highlight.SetConductor(score.conductor);
        highlight.SetView(view.get());
        highlight.SetBitmap(view->GetOffscreenBitmap());
        highlight.SetDepth(0);
        return highlight.Apply(event);
    }

    std::unique_ptr<view_test::FlatView> view;
};

TEST_F(HighlightTest, SetsTheStateAndRepaintsOnlyTheElement) {
    ASSERT_NE(view->GetOffscreenBitmap(), nullptr);
    const struct {
        int kind;
        int highlighted, selected;
    } cases[] = {
        {ACHighlight::SELECT_ON, 0, 1},
        {ACHighlight::HIGHLIGHT_ON, 1, 1},
        {ACHighlight::SELECT_OFF, 1, 0},
        {ACHighlight::HIGHLIGHT_OFF, 0, 0},
    };
    for (const auto& c : cases) {
        g_drawn.clear();
        view->ValidateRect(nullptr);
        Apply(c.kind, note);
        EXPECT_EQ(Display(note)->IsHighlighted(), c.highlighted) << c.kind;
        EXPECT_EQ(Display(note)->IsSelected(), c.selected) << c.kind;
        ASSERT_EQ(g_drawn.size(), 1u) << c.kind;   // depth 0: the note alone
        EXPECT_EQ(g_drawn[0].point, CPoint(20, -100));
        CRect update;
        ASSERT_TRUE(view->GetUpdateRect(&update)) << c.kind;
        EXPECT_EQ(update, DeviceBox(note)) << c.kind;
    }
}

TEST_F(HighlightTest, AHiddenStaffOrElementChangesStateOnly) {
    for (ECBase* hidden : {static_cast<ECBase*>(score.staff), static_cast<ECBase*>(note)}) {
        Display(score.staff)->SetHidden(hidden == score.staff);
        Display(note)->SetHidden(hidden == note);
        Display(note)->SetSelected(0);
        g_drawn.clear();
        view->ValidateRect(nullptr);
        Apply(ACHighlight::SELECT_ON, note);
        EXPECT_EQ(Display(note)->IsSelected(), 1);
        EXPECT_TRUE(g_drawn.empty());
        CRect update;
        EXPECT_FALSE(view->GetUpdateRect(&update));
    }
}

TEST_F(HighlightTest, WithoutBitmapOrViewNothingIsDrawn) {
    // No bitmap: the area is still invalidated for the next paint.
    ACHighlight noBitmap(ACHighlight::SELECT_ON);
    noBitmap.SetView(view.get());
    noBitmap.SetDepth(0);
    noBitmap.Apply(note);
    EXPECT_TRUE(g_drawn.empty());
    CRect update;
    ASSERT_TRUE(view->GetUpdateRect(&update));
    EXPECT_EQ(update, DeviceBox(note));

    // No view: the state alone; an element out of the score likewise.
    auto* loose = new ECNote;
    loose->Ref();
    Display(loose);
    for (ECBase* event : {static_cast<ECBase*>(rest), static_cast<ECBase*>(loose)}) {
        ACHighlight noView(ACHighlight::HIGHLIGHT_ON);
        noView.SetDepth(0);
        EXPECT_GE(noView.Apply(event), 0);
        EXPECT_EQ(Display(event)->IsHighlighted(), 1);
    }
    EXPECT_TRUE(g_drawn.empty());
    loose->Unref(1);
}

// The view's drawing sequence on a laid-out melody: the elements visible in
// an area drawn, then the staves over them.
class DrawnMelodyTest : public view_test::LaidOutMelody {};

TEST_F(DrawnMelodyTest, TheVisibleMeasuresDrawTheirSystemAlone) {
    constexpr int STAFF_LINES = 5;
    const int top1 = layout->Top(0);
    CRect area(0, top1 + 600, 8000, top1 - 1200);   // system 1 and the space about it
    ACFindVisible visible;
    visible.SetRect(&area);
    visible.Apply(Performance());

    marks_test::TenthCanvas canvas(800, 700, 0, 0);
    ACDraw draw;
    draw.SetDC(&canvas.dc);
    draw.SetOrigin(0, 0);
    draw.Apply(visible.GetEvents(), 1);
    ACFindEvents staves;
    staves.AddEvtType(ET_STAFF);
    staves.SetDepth(1);
    staves.Apply(Conductor());
    ACDraw over;
    over.SetDC(&canvas.dc);
    over.SetDepth(0);
    over.Apply(staves.GetEvents(), 1);

    // Each staff line runs across the system (within a pixel of its row).
    const QImage& image = canvas.Image();
    const int left = canvas.Column(layout->LeftEdge(0)) + 1, right = canvas.Column(layout->RightEdge(0)) - 1;
    for (int line = 0; line < STAFF_LINES; ++line) {
        const int row = canvas.Row(layout->StaffTop(0, 1) - line * view_test::NOTEHEAD);
        int best = 0;
        for (int r = row - 1; r <= row + 1; ++r) {
            int inked = 0;
            for (int x = left; x < right; ++x)
                inked += (image.pixel(x, r) & 0xFFFFFF) != 0xFFFFFF;
            best = std::max(best, inked);
        }
        EXPECT_GE(best, (right - left) * 9 / 10) << "line " << line;
    }
    // System 2 lies outside the area: nothing of it is drawn.
    const int top2 = canvas.Row(layout->Top(1) + 600), bottom2 = canvas.Row(layout->Top(1) - 1200);
    EXPECT_TRUE(FindInk(image, top2, bottom2).Empty());
    EXPECT_FALSE(FindInk(image, canvas.Row(top1 + 600), canvas.Row(top1 - 1200)).Empty());
}

}  // namespace
