// The ranged controls: the slider's TB_ codes (a vertical one with its minimum
// at the top), the scroll bar that moves only when told (its page ending the
// range, disabled but visible), and the progress bar starting over.
#include "platform/ui/scrollctrl.h"

#include "tests/platform/gui/control_support.h"

#include <QAbstractSlider>
#include <QTest>

#include <string>

namespace {

using control_test::CNotedParent;
using control_test::Note;

constexpr UINT IDC_SLIDER = 1030;
constexpr UINT IDC_BAR = 1031;
constexpr UINT IDC_PROGRESS = 1032;

// A slider over 0..100 with a page of 10, at 50.
void PlaceAtHalf(CSliderCtrl& slider, CNotedParent& parent, DWORD dwStyle) {
    ASSERT_TRUE(slider.Create(WS_VISIBLE | dwStyle, CRect(10, 10, 40, 210), &parent, IDC_SLIDER));
    slider.SetRange(0, 100);
    slider.SetPageSize(10);
    slider.SetPos(50);
}

TEST(Slider, EachKeyMovesFirstThenTellsItsCodeAndTheEndOfTheTrack) {
    const struct {
        Qt::Key key;
        UINT code;
        int expected;
    } cases[] = {
        {Qt::Key_Left, TB_LINEUP, 49},    {Qt::Key_Up, TB_LINEUP, 49},       {Qt::Key_Right, TB_LINEDOWN, 51},
        {Qt::Key_Down, TB_LINEDOWN, 51},  {Qt::Key_PageUp, TB_PAGEUP, 40},   {Qt::Key_PageDown, TB_PAGEDOWN, 60},
        {Qt::Key_Home, TB_TOP, 0},        {Qt::Key_End, TB_BOTTOM, 100},
    };
    for (const DWORD orientation : {TBS_HORZ, TBS_VERT}) {
        const UINT message = orientation == TBS_VERT ? WM_VSCROLL : WM_HSCROLL;
        for (const auto& c : cases) {
            CNotedParent parent;
            CSliderCtrl slider;
            PlaceAtHalf(slider, parent, orientation);
            QTest::keyClick(slider.GetWidget(), c.key);
            EXPECT_EQ(slider.GetPos(), c.expected) << orientation << " key " << c.key;
            EXPECT_EQ(parent.notes, (std::vector<Note>{{message, 0, c.code, c.expected},
                                                       {message, 0, TB_ENDTRACK, c.expected}}))
                << orientation << " key " << c.key;
        }
    }
}

TEST(Slider, AVerticalSliderHasItsMinimumAtTheTop) {
    CNotedParent parent;
    CSliderCtrl slider;
    PlaceAtHalf(slider, parent, TBS_VERT);
    // A click above the thumb pages toward the minimum.
    QTest::mouseClick(slider.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(15, 8));
    EXPECT_EQ(slider.GetPos(), 40);
    EXPECT_EQ(parent.notes, (std::vector<Note>{{WM_VSCROLL, 0, TB_PAGEUP, 40}, {WM_VSCROLL, 0, TB_ENDTRACK, 40}}));
}

TEST(Slider, ADraggedThumbTracksThenTellsItsPositionAndTheEnd) {
    CNotedParent parent;
    CSliderCtrl slider;
    ASSERT_TRUE(slider.Create(WS_VISIBLE, CRect(0, 0, 210, 30), &parent, IDC_SLIDER));
    slider.SetRange(0, 100);
    QWidget* widget = slider.GetWidget();
    const QPoint thumb(5, 15);   // the thumb at the minimum, at the left
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, thumb);
    QTest::mouseMove(widget, thumb + QPoint(100, 0));
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, thumb + QPoint(100, 0));
    const int pos = slider.GetPos();
    EXPECT_GT(pos, 0);
    ASSERT_GE(parent.notes.size(), 3u);
    EXPECT_EQ(parent.notes.front(), (Note{WM_HSCROLL, 0, TB_THUMBTRACK, pos}));
    EXPECT_EQ(parent.notes[parent.notes.size() - 2], (Note{WM_HSCROLL, 0, TB_THUMBPOSITION, pos}));
    EXPECT_EQ(parent.notes.back(), (Note{WM_HSCROLL, 0, TB_ENDTRACK, pos}));
}

TEST(Slider, TheRangeHoldsThePositionAndCodeTellsNobody) {
    CNotedParent parent;
    CSliderCtrl slider;
    ASSERT_TRUE(slider.Create(WS_VISIBLE | TBS_AUTOTICKS, CRect(10, 10, 210, 40), &parent, IDC_SLIDER));
    slider.SetRange(0, 100);
    slider.SetPos(70);
    slider.SetRange(10, 50);
    EXPECT_EQ(slider.GetPos(), 50);
    slider.SetPos(-5);
    EXPECT_EQ(slider.GetPos(), 10);
    slider.SetRangeMax(5);   // below the minimum: both ends meet
    EXPECT_EQ(slider.GetRangeMin(), 5);
    EXPECT_EQ(slider.GetRangeMax(), 5);
    EXPECT_EQ(slider.SetPageSize(7), 20);
    EXPECT_EQ(slider.GetPageSize(), 7);

    slider.SetRange(0, 100);
    const struct { int freq; UINT tics; } tics[] = {{10, 11}, {30, 5}, {1, 101}, {0, 101}};
    for (const auto& t : tics) {
        slider.SetTicFreq(t.freq);
        EXPECT_EQ(slider.GetNumTics(), t.tics) << t.freq;
    }
    EXPECT_TRUE(parent.notes.empty());
}

class ScrollBar : public ::testing::Test {
protected:
    ScrollBar() {
        EXPECT_TRUE(bar.Create(WS_VISIBLE | SBS_HORZ, CRect(0, 0, 200, 16), &parent, IDC_BAR));
        bar.SetScrollRange(0, 100);
        SCROLLINFO info;
        info.fMask = SIF_PAGE;
        info.nPage = 10;
        bar.SetScrollInfo(&info);
    }
    void Click(int x) { QTest::mouseClick(bar.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(x, 8)); }

    CNotedParent parent;
    CScrollBar bar;
};

TEST_F(ScrollBar, ThePageEndsTheRange) {
    EXPECT_EQ(bar.GetScrollLimit(), 91);
    const struct { int asked, kept; } cases[] = {{50, 50}, {95, 91}, {-3, 0}, {91, 91}};
    for (const auto& c : cases) {
        bar.SetScrollPos(c.asked);
        EXPECT_EQ(bar.GetScrollPos(), c.kept) << c.asked;
    }
    // A larger page pulls the position in.
    SCROLLINFO info;
    info.fMask = SIF_PAGE;
    info.nPage = 50;
    bar.SetScrollInfo(&info);
    EXPECT_EQ(bar.GetScrollPos(), 51);
    SCROLLINFO read;
    bar.GetScrollInfo(&read);
    EXPECT_EQ(read.nMin, 0);
    EXPECT_EQ(read.nMax, 100);
    EXPECT_EQ(read.nPage, 50u);
}

TEST_F(ScrollBar, TheUsersMovesAreToldButMoveNothingUntilTheParentSetsThePosition) {
    bar.SetScrollPos(0);
    const struct { int x; UINT code; } cases[] = {
        {195, SB_LINERIGHT},
        {150, SB_PAGERIGHT},
    };
    for (const auto& c : cases) {
        parent.notes.clear();
        Click(c.x);
        EXPECT_EQ(bar.GetScrollPos(), 0) << c.x;
        EXPECT_EQ(parent.notes, (std::vector<Note>{{WM_HSCROLL, 0, c.code, 0}, {WM_HSCROLL, 0, SB_ENDSCROLL, 0}}))
            << c.x;
    }
    // The parent moving it answers the left arrow.
    bar.SetScrollPos(40);
    parent.notes.clear();
    Click(4);
    EXPECT_EQ(parent.Count(WM_HSCROLL, SB_LINELEFT), 1u);
    EXPECT_EQ(bar.GetScrollPos(), 40);
    bar.SetScrollPos(39);
    EXPECT_EQ(qobject_cast<QAbstractSlider*>(bar.GetWidget())->value(), 39);
}

TEST_F(ScrollBar, ADraggedThumbTracksThenGoesWhereTheParentPutsIt) {
    bar.SetScrollPos(0);
    QWidget* widget = bar.GetWidget();
    const QPoint thumb(24, 8);   // the thumb just after the left arrow
    for (const bool parentFollows : {false, true}) {
        bar.SetScrollPos(0);
        parent.notes.clear();
        QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, thumb);
        QTest::mouseMove(widget, thumb + QPoint(60, 0));
        const std::vector<Note> tracked = parent.Of(WM_HSCROLL);
        ASSERT_FALSE(tracked.empty());
        const int trackPos = tracked.back().position;
        EXPECT_EQ(tracked.back().code, SB_THUMBTRACK);
        EXPECT_GT(trackPos, 0);
        if (parentFollows)
            parent.onScroll = [this](UINT code, int pos) {
                if (code == SB_THUMBPOSITION)
                    bar.SetScrollPos(pos);
            };
        QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, thumb + QPoint(60, 0));
        parent.onScroll = nullptr;
        const std::vector<Note> all = parent.Of(WM_HSCROLL);
        ASSERT_GE(all.size(), 2u);
        EXPECT_EQ(all[all.size() - 2], (Note{WM_HSCROLL, 0, SB_THUMBPOSITION, trackPos}));
        EXPECT_EQ(all.back(), (Note{WM_HSCROLL, 0, SB_ENDSCROLL, 0}));
        EXPECT_EQ(bar.GetScrollPos(), parentFollows ? trackPos : 0);
        EXPECT_EQ(qobject_cast<QAbstractSlider*>(widget)->sliderPosition(), parentFollows ? trackPos : 0);
    }
}

TEST_F(ScrollBar, ADisabledBarStaysVisible) {
    bar.EnableScrollBar(ESB_DISABLE_BOTH);
    EXPECT_TRUE(bar.IsWindowVisible());
    EXPECT_FALSE(bar.IsWindowEnabled());
    bar.EnableScrollBar(ESB_ENABLE_BOTH);
    EXPECT_TRUE(bar.IsWindowEnabled());
    // Nothing to scroll: disabled, still there.
    bar.SetScrollRange(0, 5);
    EXPECT_TRUE(bar.IsWindowVisible());
    EXPECT_FALSE(bar.IsWindowEnabled());
    bar.ShowScrollBar(FALSE);
    EXPECT_FALSE(bar.IsWindowVisible());
}

TEST(Progress, StepItPastTheEndStartsOverByWhatItWentOver) {
    CNotedParent parent;
    CProgressCtrl progress;
    ASSERT_TRUE(progress.Create(WS_VISIBLE, CRect(0, 0, 200, 16), &parent, IDC_PROGRESS));
    const struct {
        int lower, upper, step, start, expected;
    } cases[] = {
        {0, 100, 10, 50, 60}, {0, 100, 10, 90, 100}, {0, 100, 10, 95, 5},  {0, 100, 30, 80, 10},
        {20, 40, 5, 38, 23},  {0, 100, -10, 5, 95},  {7, 7, 3, 7, 7},
    };
    for (const auto& c : cases) {
        progress.SetRange32(c.lower, c.upper);
        progress.SetStep(c.step);
        progress.SetPos(c.start);
        EXPECT_EQ(progress.StepIt(), c.start);
        EXPECT_EQ(progress.GetPos(), c.expected) << c.lower << ".." << c.upper << " by " << c.step << " from " << c.start;
    }
    progress.SetRange(0, 10);
    EXPECT_EQ(progress.SetPos(50), 7);
    EXPECT_EQ(progress.GetPos(), 10);
    EXPECT_EQ(progress.OffsetPos(-4), 10);
    EXPECT_EQ(progress.GetPos(), 6);
}

}  // namespace
