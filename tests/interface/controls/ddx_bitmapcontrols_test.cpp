// The dial's and slider's exchange: values both ways, and a control of
// another kind leaving the member alone.
#include "interface/controls/ddx.h"
#include "interface/controls/dial.h"
#include "interface/controls/slider.h"

#include "tests/interface/controls/control_support.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT kDialId = 611;
constexpr UINT kSliderId = 612;

class BitmapControlExchange : public ::testing::Test {
protected:
    control_test::SharedPaletteScope palette;
    control_test::CCommandParent parent;
    MCDial dial;
    MCSlider slider;
    void SetUp() override {
        dial.Create(WS_CHILD | WS_VISIBLE, CRect(10, 10, 60, 60), &parent, kDialId);
        slider.Create(WS_CHILD | WS_VISIBLE, CRect(70, 10, 100, 80), &parent, kSliderId);
        slider.GetWidget()->grab();   // the first paint finds the fader; values count from then on
    }
    template <class Exchange>
    void Run(BOOL save, Exchange exchange) {
        CDataExchange dx(&parent, save);
        exchange(&dx);
    }
};

TEST_F(BitmapControlExchange, ValuesGoBothWays) {
    double pan = 0.25;
    double level = 0.75;
    Run(FALSE, [&](CDataExchange* dx) {
        DDX_Dial(dx, kDialId, pan);
        DDX_Slider(dx, kSliderId, level);
    });
    EXPECT_DOUBLE_EQ(dial.GetValue(), 0.25);
    EXPECT_DOUBLE_EQ(slider.GetValue(), 0.75);

    dial.SetValue(0.5);
    slider.SetValue(0.125);
    Run(TRUE, [&](CDataExchange* dx) {
        DDX_Dial(dx, kDialId, pan);
        DDX_Slider(dx, kSliderId, level);
    });
    EXPECT_DOUBLE_EQ(pan, 0.5);
    EXPECT_DOUBLE_EQ(level, 0.125);
}

TEST_F(BitmapControlExchange, AControlOfAnotherKindLeavesTheMemberAlone) {
    double value = 0.3;
    dial.SetValue(0.5);
    Run(TRUE, [&](CDataExchange* dx) { DDX_Dial(dx, kSliderId, value); });
    EXPECT_DOUBLE_EQ(value, 0.3);
    Run(FALSE, [&](CDataExchange* dx) { DDX_Slider(dx, kDialId, value); });
    EXPECT_DOUBLE_EQ(dial.GetValue(), 0.5);
}

}  // namespace
