// The dial: values and angles, where a press points the knob, the detent,
// the notifications, and the indicator drawn over the library's own knob.
#include "interface/controls/dial.h"

#include "tests/interface/controls/control_support.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr UINT kId = 601;

// The knob's geometry without a picture: the library's knob circle.
class TestDial : public MCDial {
public:
    TestDial() { m_rectKnob = s_rectDefaultKnob; }
    void SetMode(int mode) { m_nMode = mode; }
    int AngleAt(CPoint point) { return XY2Angle2(point); }
    CPoint Tip(int angle) const { return Angle2XY(angle); }
    // A point far out along `degrees` of the knob's own measure (30 at the
    // lower left, 180 up, clockwise), half a degree inside it so that the
    // truncation lands on `degrees` itself.
    CPoint Towards(double degrees) const {
        const double t = ((270 - degrees) + 0.5) / 57.29577951;
        const CPoint centre = GetCentre();
        return CPoint(centre.x + static_cast<int>(std::lround(1000 * std::cos(t))),
                      centre.y - static_cast<int>(std::lround(1000 * std::sin(t))));
    }
};

TEST(DialValue, ValuesMapOntoThe300DegreeSweep) {
    const struct {
        int mode;
        double value;
        int angle;
        double readBack;
    } cases[] = {
        {MCDial::MODE_CENTRED, 0, 180, 0},     // straight up
        {MCDial::MODE_CENTRED, -1, 30, -1},
        {MCDial::MODE_CENTRED, 1, 330, 1},
        {MCDial::MODE_CENTRED, 2, 330, 1},     // clamped
        {MCDial::MODE_UNIT, 0.5, 180, 0.5},
        {MCDial::MODE_UNIT, -3, 30, 0},
        {MCDial::MODE_UNIT, 0.999, 329, 299.0 / 300},   // truncated, never rounded up
        {7, 0.5, 30, 0},                        // an unknown mode reads and writes 0
    };
    for (const auto& c : cases) {
        TestDial dial;
        dial.SetMode(c.mode);
        dial.SetValue(c.value);
        EXPECT_EQ(dial.GetAngle(), c.angle) << c.mode << " " << c.value;
        EXPECT_DOUBLE_EQ(dial.GetValue(), c.readBack) << c.mode << " " << c.value;
    }
}

TEST(DialGeometry, APressPointsTheKnobAndTheGapSnapsToTheNearerEnd) {
    TestDial dial;
    const CPoint centre(20, 20);
    // The degrees-per-radian factor the knob uses is a hair small, so an exact
    // right angle (straight up, straight left) truncates to one degree less
    // of turn, one more of angle: the knob has always measured so.
    const struct {
        const char* name;
        CPoint point;
        int angle;
    } cases[] = {
        {"up", {20, 5}, 181},
        {"left", {5, 20}, 91},
        {"right", {35, 20}, 270},
        {"below, left of the centre", {19, 35}, 30},
        {"below, right of the centre", {21, 35}, 330},
        {"far below, left", {15, 40}, 30},
        {"far below, right", {25, 40}, 330},
        {"down and right, inside the sweep", {40, 40}, 314},
    };
    for (const auto& c : cases)
        EXPECT_EQ(dial.AngleAt(c.point), c.angle) << c.name;
    // The centre itself points nowhere: the knob stays where it was.
    dial.SetValue(0.25);
    const int before = dial.GetAngle();
    EXPECT_EQ(dial.AngleAt(CPoint(centre)), before);
}

TEST(DialGeometry, TheDetentCatchesOnlyAnglesLessThanItsRangeAway) {
    TestDial dial;
    dial.SetStickyAngle(180, 5);
    const struct {
        int pointed;
        int angle;
    } cases[] = {{174, 174}, {175, 175}, {176, 180}, {179, 180}, {180, 180}, {181, 180}, {184, 180}, {185, 185}, {186, 186}};
    for (const auto& c : cases)
        EXPECT_EQ(dial.AngleAt(dial.Towards(c.pointed)), c.angle) << c.pointed;
    dial.SetStickyAngle(-1, 5);   // off
    EXPECT_EQ(dial.AngleAt(dial.Towards(178)), 178);
}

TEST(DialGeometry, TheIndicatorTipLiesOnTheInnerCircle) {
    // The knob circle is 34 across: an indicator of 34 / 2 - 3 = 14, each
    // coordinate truncated towards zero (14 cos 240.000001 degrees is -6.99...).
    TestDial dial;
    const struct {
        int angle;
        CPoint tip;
    } cases[] = {{180, {0, -14}}, {90, {-14, 0}}, {270, {14, 0}}, {30, {-6, 12}}, {330, {6, 12}}};
    for (const auto& c : cases)
        EXPECT_EQ(dial.Tip(c.angle), c.tip) << c.angle;
}

class DialWindow : public ::testing::Test {
protected:
    control_test::SharedPaletteScope palette;
    control_test::CCommandParent parent;
    TestDial dial;
    void SetUp() override { dial.Create(WS_CHILD | WS_VISIBLE, CRect(10, 10, 60, 60), &parent, kId); }
};

TEST_F(DialWindow, APressWithoutAMoveSendsChangingThenDone) {
    control_test::Press(dial, QPoint(20, 5));
    control_test::Release(dial, QPoint(20, 5));
    EXPECT_EQ(parent.Codes(), (std::vector<WORD>{MCDN_CHANGING, MCDN_DONE}));
    ASSERT_FALSE(parent.commands.empty());
    EXPECT_EQ(parent.commands[0].id, kId);
    EXPECT_EQ(parent.commands[0].window, reinterpret_cast<LPARAM>(dial.m_hWnd));
    EXPECT_EQ(dial.GetAngle(), 181);
}

TEST_F(DialWindow, EveryMoveOfADragTurnsTheKnobAndIsReported) {
    control_test::Press(dial, QPoint(5, 20));
    control_test::Drag(dial, QPoint(20, 5));
    control_test::Drag(dial, QPoint(35, 20));
    EXPECT_EQ(dial.GetAngle(), 270);
    control_test::Release(dial, QPoint(35, 20));
    control_test::Drag(dial, QPoint(5, 20));   // no longer tracking
    EXPECT_EQ(dial.GetAngle(), 270);
    EXPECT_EQ(parent.Codes(), (std::vector<WORD>{MCDN_CHANGING, MCDN_CHANGING, MCDN_CHANGING, MCDN_DONE}));
}

TEST_F(DialWindow, TheFirstPaintTakesTheLibrarysKnobAndDrawsTheIndicator) {
    dial.SetIndicator(2, RGB(255, 0, 255));
    dial.SetValue(0.5);   // straight up
    dial.GetWidget()->grab();   // the first paint finds the knob and sizes the window to it
    const QImage face = dial.GetWidget()->grab().toImage();
    EXPECT_EQ(face.size(), QSize(43, 42));   // sized to the knob
    // The indicator's ink lies on the line from the centre upwards, nowhere below it.
    int above = 0, below = 0;
    for (int y = 0; y < face.height(); ++y)
        for (int x = 0; x < face.width(); ++x)
            if ((face.pixel(x, y) & 0xFFFFFF) == 0xFF00FFu)
                (y < 20 && std::abs(x - 20) <= 2 ? above : below) += 1;
    EXPECT_GE(above, 12);
    EXPECT_EQ(below, 0);
    // The artwork's pure blue shows as the button face, not as blue.
    EXPECT_NE(face.pixel(42, 0) & 0xFFFFFF, 0x0000FFu);
}

}  // namespace
