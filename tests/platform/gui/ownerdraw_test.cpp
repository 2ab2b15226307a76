// Owner-drawn controls: each paint asks the control's DrawItem (through its
// parent) with the item's state, and what it draws is the control's face; an
// owner-drawn list asks its items' height with MeasureItem.
#include "tests/platform/gui/control_support.h"

#include "platform/gdi/dc.h"
#include "platform/ui/button.h"
#include "platform/ui/lists.h"
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

// The items an owner-drawn list or combo box was asked to draw.
struct DrawnItem {
    UINT id;
    UINT state;
    CRect rect;
    std::uintptr_t data;
};

template <class Control>
class CPaintedList : public Control {
public:
    std::vector<DrawnItem> drawn;
    int measured = 0;

    void DrawItem(LPDRAWITEMSTRUCT item) override {
        drawn.push_back({item->itemID, item->itemState, item->rcItem, item->itemData});
        item->hDC->FillSolidRect(&item->rcItem, item->itemID == 1 ? RGB(0, 0, 0) : RGB(0, 0, 255));
    }
    void MeasureItem(LPMEASUREITEMSTRUCT item) override {
        ++measured;
        item->itemHeight = 17;
    }
};

TEST(OwnerDraw, AListDrawsEachItemAtTheHeightItsOwnerMeasured) {
    control_test::CNotedParent parent;
    CPaintedList<CListBox> list;
    ASSERT_TRUE(list.Create(WS_VISIBLE | LBS_OWNERDRAWFIXED, CRect(0, 0, 120, 100), &parent, kId));
    for (const char* text : {"a", "b", "c"})
        list.AddString(text);
    list.SetItemData(1, 77);
    list.SetCurSel(1);
    const QImage face = list.GetWidget()->grab().toImage();
    ASSERT_EQ(list.drawn.size(), 3u);
    EXPECT_GE(list.measured, 1);
    for (UINT i = 0; i < 3; ++i) {
        EXPECT_EQ(list.drawn[i].id, i);
        EXPECT_EQ(list.drawn[i].rect.Height(), 17) << i;
        EXPECT_EQ((list.drawn[i].state & ODS_SELECTED) != 0, i == 1) << i;
    }
    EXPECT_EQ(list.drawn[1].rect.top, list.drawn[0].rect.bottom);
    EXPECT_EQ(list.drawn[1].data, 77u);
    // The second item's ink lies where its rectangle says, on the list's viewport.
    const QWidget* viewport = list.GetWidget()->findChild<QWidget*>("qt_scrollarea_viewport");
    const QPoint origin = viewport ? viewport->pos() : QPoint();
    const CRect& second = list.drawn[1].rect;
    EXPECT_EQ(face.pixel(origin.x() + second.left + 2, origin.y() + second.top + 2) & 0xFFFFFF, 0u);
}

TEST(OwnerDraw, AComboBoxFieldIsItsCurrentItemDrawnByTheOwner) {
    control_test::CNotedParent parent;
    CPaintedList<CComboBox> combo;
    ASSERT_TRUE(combo.Create(WS_VISIBLE | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED, CRect(0, 0, 120, 100), &parent, kId));
    for (const char* text : {"a", "b", "c"})
        combo.AddString(text);
    combo.SetCurSel(1);
    combo.GetWidget()->grab();
    ASSERT_FALSE(combo.drawn.empty());
    EXPECT_EQ(combo.drawn.back().id, 1u);
    EXPECT_TRUE(combo.drawn.back().state & ODS_COMBOBOXEDIT);
}

}  // namespace
