// The slider with the library's own fader, found through "Interface.DLL":
// where a press puts the value, unclamped SetValue, the thumb's place, the
// notifications, and a track too short for its thumb.
#include "interface/controls/slider.h"

#include "tests/interface/controls/control_support.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr UINT kId = 602;

class TestSlider : public MCSlider {
public:
    CPoint Thumb() const { return m_ptThumb; }
    CPoint PointFor(double value, int withoutOffset) const { return Value2XY(value, withoutOffset); }
    double ValueAt(CPoint point) const { return XY2Value(point); }
    void SetTrack(const CRect& track) { m_rectTrack = track; }
    void SetOrientation(int orientation) { m_nOrientation = orientation; }
};

class SliderWindow : public ::testing::Test {
protected:
    control_test::SharedPaletteScope palette;
    control_test::CCommandParent parent;
    TestSlider slider;
    void SetUp() override { slider.Create(WS_CHILD | WS_VISIBLE, CRect(10, 10, 40, 80), &parent, kId); }
    // The first paint takes the library's fader and sizes the window to its track.
    void Show() { slider.GetWidget()->grab(); }
};

TEST_F(SliderWindow, ValuesAreIgnoredUntilThePicturesAreFound) {
    slider.SetValue(0.2);
    EXPECT_DOUBLE_EQ(slider.GetValue(), 0.5);
    Show();
    EXPECT_EQ(slider.GetWidget()->size(), QSize(24, 63));
    EXPECT_EQ(slider.Thumb(), CPoint(4, 24));   // laid out at 0.5
    slider.SetValue(0.2);
    EXPECT_DOUBLE_EQ(slider.GetValue(), 0.2);
}

TEST_F(SliderWindow, APressMovesTheOffsetPointOfTheThumbToThePointer) {
    Show();
    // The offset point (7, 7) of a 15-high thumb reaches from 7 to 55.
    const struct {
        const char* name;
        int y;
        double value;
    } cases[] = {
        {"above the track", 1, 0},
        {"at the offset below the top", 7, 0},
        {"half-way", 31, 0.5},
        {"at the lowest reach", 55, 1},
        {"below the track", 62, 1},
    };
    for (const auto& c : cases) {
        parent.commands.clear();
        control_test::Press(slider, QPoint(12, c.y));
        control_test::Release(slider, QPoint(12, c.y));
        EXPECT_DOUBLE_EQ(slider.GetValue(), c.value) << c.name;
        // A press without a move still ends with done.
        EXPECT_EQ(parent.Codes(), (std::vector<WORD>{MCSN_CHANGING, MCSN_DONE})) << c.name;
    }
    EXPECT_EQ(parent.commands[0].id, kId);
    EXPECT_EQ(parent.commands[0].window, reinterpret_cast<LPARAM>(slider.m_hWnd));
}

TEST_F(SliderWindow, ADragReportsEveryMoveAndStopsAtTheRelease) {
    Show();
    control_test::Press(slider, QPoint(12, 7));
    control_test::Drag(slider, QPoint(12, 31));
    control_test::Drag(slider, QPoint(12, 300));   // far below: clamped
    EXPECT_DOUBLE_EQ(slider.GetValue(), 1);
    control_test::Release(slider, QPoint(12, 300));
    control_test::Drag(slider, QPoint(12, 7));
    EXPECT_DOUBLE_EQ(slider.GetValue(), 1);
    EXPECT_EQ(parent.Codes(), (std::vector<WORD>{MCSN_CHANGING, MCSN_CHANGING, MCSN_CHANGING, MCSN_DONE}));
}

TEST_F(SliderWindow, SetValueNeverClampsSoTheThumbCanLeaveTheTrack) {
    Show();
    const struct {
        double value;
        CPoint thumb;
    } cases[] = {{0, {4, 0}}, {1, {4, 48}}, {0.5, {4, 24}}, {1.5, {4, 72}}, {-0.5, {4, -23}}};
    for (const auto& c : cases) {
        slider.SetValue(c.value);
        EXPECT_DOUBLE_EQ(slider.GetValue(), c.value);
        EXPECT_EQ(slider.Thumb(), c.thumb) << c.value;
    }
    slider.SetValue(1.5);   // below the window: the track shows with no thumb on it
    const QImage face = slider.GetWidget()->grab().toImage();
    slider.SetValue(1);
    const QImage atBottom = slider.GetWidget()->grab().toImage();
    EXPECT_NE(face.pixel(8, 55), atBottom.pixel(8, 55));   // the thumb's grip line, only when it is there
    EXPECT_EQ(face.pixel(8, 31), atBottom.pixel(8, 31));
    // The point the pointer holds is the offset further in.
    EXPECT_EQ(slider.PointFor(0, 0), CPoint(11, 7));
}

TEST_F(SliderWindow, AHorizontalSliderRunsFromLeftToRight) {
    Show();
    slider.SetOrientation(MCSlider::HORIZONTAL);
    slider.SetTrack(CRect(0, 4, 63, 20));   // the vertical thumb, 16 wide, reaches 7 .. 54
    EXPECT_DOUBLE_EQ(slider.ValueAt(CPoint(7, 0)), 0);
    EXPECT_DOUBLE_EQ(slider.ValueAt(CPoint(54, 0)), 1);
    EXPECT_EQ(slider.PointFor(1, 1), CPoint(47, 4));
    slider.SetOrientation(5);   // neither
    EXPECT_DOUBLE_EQ(slider.ValueAt(CPoint(30, 30)), 0);
}

TEST_F(SliderWindow, ATrackWithNoLengthLeftForTheThumbGivesZero) {
    Show();
    // A track exactly as long as the thumb, and one shorter.
    for (const CRect& track : {CRect(4, 0, 20, 15), CRect(4, 0, 20, 10)}) {
        slider.SetTrack(track);
        for (int y : {-5, 7, 8, 40}) {
            const double value = slider.ValueAt(CPoint(12, y));
            EXPECT_EQ(value, 0) << track.bottom << " " << y;
        }
    }
}

}  // namespace
