// The library's data exchange: track bars and combo boxes in both directions,
// the one-byte forms, and the draw-item pointer.
#include "interface/controls/ddx.h"

#include "platform/ui/lists.h"
#include "platform/ui/ownerdraw.h"
#include "platform/ui/scrollctrl.h"
#include "tests/interface/controls/parent_support.h"

#include <gtest/gtest.h>

namespace {

constexpr int IDC_DDX_SLIDER = 1070;
constexpr int IDC_DDX_COMBO = 1071;
constexpr int IDC_DDX_MISSING = 1079;

class DataExchange : public testing::Test {
protected:
    DataExchange() {
        EXPECT_TRUE(slider.Create(WS_VISIBLE, CRect(10, 10, 150, 40), &parent, IDC_DDX_SLIDER));
        slider.SetRange(0, 300);
        EXPECT_TRUE(combo.Create(WS_VISIBLE | CBS_DROPDOWNLIST, CRect(10, 50, 150, 150), &parent, IDC_DDX_COMBO));
        for (const char* entry : {"Off", "Low", "High"})
            combo.AddString(entry);
    }
    template <class Exchange>
    void Run(BOOL save, Exchange exchange) {
        CDataExchange dx(&parent, save);
        exchange(&dx);
    }

    button_test::CButtonParent parent;
    CSliderCtrl slider;
    CComboBox combo;
};

TEST_F(DataExchange, SliderPositionsBothWaysAndInOneByte) {
    int position = 120;
    Run(FALSE, [&](CDataExchange* dx) { DDX_SliderCtrl(dx, IDC_DDX_SLIDER, position); });
    EXPECT_EQ(slider.GetPos(), 120);
    slider.SetPos(260);
    Run(TRUE, [&](CDataExchange* dx) { DDX_SliderCtrl(dx, IDC_DDX_SLIDER, position); });
    EXPECT_EQ(position, 260);

    BYTE level = 0;
    Run(TRUE, [&](CDataExchange* dx) { DDX_SliderCtrl(dx, IDC_DDX_SLIDER, level); });
    EXPECT_EQ(level, 260 & 0xFF);
    level = 200;
    Run(FALSE, [&](CDataExchange* dx) { DDX_SliderCtrl(dx, IDC_DDX_SLIDER, level); });
    EXPECT_EQ(slider.GetPos(), 200);
}

TEST_F(DataExchange, ComboIndexWithoutASelectionIs255InOneByte) {
    BYTE index = 2;
    Run(FALSE, [&](CDataExchange* dx) { DDX_CBIndex(dx, IDC_DDX_COMBO, index); });
    EXPECT_EQ(combo.GetCurSel(), 2);

    combo.SetCurSel(-1);
    Run(TRUE, [&](CDataExchange* dx) { DDX_CBIndex(dx, IDC_DDX_COMBO, index); });
    EXPECT_EQ(index, 255);
    // And back: 255 is no entry of a short list, so nothing is selected.
    combo.SetCurSel(1);
    Run(FALSE, [&](CDataExchange* dx) { DDX_CBIndex(dx, IDC_DDX_COMBO, index); });
    EXPECT_EQ(combo.GetCurSel(), -1);

    int wide = 0;
    combo.SetCurSel(1);
    Run(TRUE, [&](CDataExchange* dx) { DDX_CBIndex(dx, IDC_DDX_COMBO, wide); });
    EXPECT_EQ(wide, 1);
    combo.SetCurSel(-1);
    Run(TRUE, [&](CDataExchange* dx) { DDX_CBIndex(dx, IDC_DDX_COMBO, wide); });
    EXPECT_EQ(wide, -1);
}

TEST_F(DataExchange, AMissingControlLeavesTheMemberAlone) {
    int position = 7;
    BYTE index = 3;
    Run(TRUE, [&](CDataExchange* dx) {
        DDX_SliderCtrl(dx, IDC_DDX_MISSING, position);
        DDX_CBIndex(dx, IDC_DDX_MISSING, index);
    });
    EXPECT_EQ(position, 7);
    EXPECT_EQ(index, 3);
}

CBitmap* NoPicture(CObject*, DRAWITEMSTRUCT*) {
    return nullptr;
}

TEST(DrawItemFunc, IsNullUntilSetAndKeepsWhatWasSet) {
    EXPECT_EQ(GetDrawItemFunc(), nullptr);
    SetDrawItemFunc(&NoPicture);
    EXPECT_EQ(GetDrawItemFunc(), &NoPicture);
    SetDrawItemFunc(nullptr);
    EXPECT_EQ(GetDrawItemFunc(), nullptr);
}

}  // namespace
