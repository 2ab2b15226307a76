// Owner-drawn buttons: each paint asks the button's DrawItem (through its
// parent) with the item's state, and what it draws is the button's face.
#include "tests/platform/gui/control_support.h"

#include "platform/gdi/dc.h"
#include "platform/ui/button.h"
#include "platform/ui/ownerdraw.h"

#include <QImage>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

namespace {

// Fills its rectangle black and notes each draw's state.
class CPaintedButton : public CButton {
public:
    std::vector<UINT> states;
    std::vector<CRect> rects;

    void DrawItem(LPDRAWITEMSTRUCT item) override {
        states.push_back(item->itemState);
        rects.push_back(item->rcItem);
        item->hDC->FillSolidRect(&item->rcItem, RGB(0, 0, 0));
    }
};

// A parent that notes the WM_DRAWITEM its map gets.
class CDrawParent : public control_test::CNotedParent {
public:
    int drawsSeen = 0;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override {
        const BOOL handled = CNotedParent::OnWndMsg(message, wParam, lParam, pResult);
        if (message == WM_DRAWITEM && !handled)
            ++drawsSeen;
        return handled;
    }
};

constexpr UINT kId = 401;

TEST(OwnerDraw, ButtonDrawsItsFaceWithItsItemState) {
    CDrawParent parent;
    CPaintedButton button;
    ASSERT_TRUE(button.Create("", WS_VISIBLE | BS_OWNERDRAW, CRect(10, 10, 50, 30), &parent, kId));

    const struct {
        const char* name;
        BOOL pushed;
        BOOL enabled;
        UINT expected;   // with ODS_FOCUS masked off
    } cases[] = {
        {"up", FALSE, TRUE, 0},
        {"pushed", TRUE, TRUE, ODS_SELECTED},
        {"disabled", FALSE, FALSE, ODS_DISABLED},
    };
    for (const auto& c : cases) {
        button.SetState(c.pushed);
        button.EnableWindow(c.enabled);
        button.states.clear();
        const QImage face = button.GetWidget()->grab().toImage();
        ASSERT_EQ(button.states.size(), 1u) << c.name;
        EXPECT_EQ(button.states[0] & ~ODS_FOCUS, c.expected) << c.name;
        EXPECT_EQ(button.rects[0], CRect(0, 0, 40, 20)) << c.name;
        // Drawn on the button's own surface, in its client coordinates.
        EXPECT_EQ(face.pixel(0, 0) & 0xFFFFFF, 0u) << c.name;
        EXPECT_EQ(face.pixel(39, 19) & 0xFFFFFF, 0u) << c.name;
        EXPECT_EQ((button.GetState() & BST_PUSHED) != 0, c.pushed != FALSE) << c.name;
    }
    // The button took every draw: none reached the parent's own map.
    EXPECT_EQ(parent.drawsSeen, 0);
}

TEST(OwnerDraw, APressedButtonIsDrawnSelectedAndClicksItsParent) {
    control_test::CNotedParent parent;
    CPaintedButton button;
    ASSERT_TRUE(button.Create("", WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, 40, 20), &parent, kId));
    QTest::mousePress(button.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    button.states.clear();
    button.GetWidget()->grab();
    ASSERT_FALSE(button.states.empty());
    EXPECT_TRUE(button.states.back() & ODS_SELECTED);
    QTest::mouseRelease(button.GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(parent.Count(WM_COMMAND, BN_CLICKED), 1u);
}

}  // namespace
