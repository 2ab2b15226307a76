// The check list: its column and boxes, a click on the box or the text, and
// the space bar on the first selected item.
#include "interface/controls/checklist.h"

#include "platform/ui/dialogbar.h"
#include "platform/ui/keys.h"
#include "platform/ui/metrics.h"

#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr UINT IDC_CHECKS = 1060;

// Notes the state changes the list reports.
class CListParent : public CWnd {
public:
    CListParent() { EXPECT_TRUE(Create(nullptr, "Parent", WS_VISIBLE, CRect(0, 0, 400, 300), nullptr, 0)); }
    std::vector<NMLISTVIEW> changes;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->code == LVN_ITEMCHANGED)
            changes.push_back(*reinterpret_cast<NMLISTVIEW*>(header));
        return CWnd::OnNotify(wParam, lParam, pResult);
    }
};

class CheckList : public testing::Test {
protected:
    CheckList() {
        EXPECT_EQ(list.Create(WS_VISIBLE | LVS_REPORT, CRect(10, 10, 310, 210), &parent, IDC_CHECKS, 1), 1);
        for (const char* name : {"Piano", "Violin", "Cello"})
            list.SetCheck(list.InsertItem(list.GetItemCount(), name), 0);
        parent.changes.clear();
    }
    QTreeView* View() { return dynamic_cast<QTreeView*>(list.GetWidget()); }
    // A point of the item `dx` pixels from its left, in the viewport.
    QPoint ItemPoint(int item, int dx) {
        const QRect row = View()->visualRect(View()->model()->index(item, 0));
        return QPoint(row.left() + dx, row.center().y());
    }
    UINT Where(QPoint inViewport) {
        const QPoint client = View()->viewport()->mapTo(View(), inViewport);
        UINT where = 0;
        list.HitTest(CPoint(client.x(), client.y()), &where);
        return where;
    }
    void Click(QPoint inViewport) { QTest::mouseClick(View()->viewport(), Qt::LeftButton, Qt::NoModifier, inViewport); }
    std::vector<int> Checks() {
        std::vector<int> checks;
        for (int item = 0; item < list.GetItemCount(); ++item)
            checks.push_back(list.GetCheck(item));
        return checks;
    }

    CListParent parent;
    MCCheckList list;
};

TEST_F(CheckList, HasOneColumnOfItemsAndTwoBoxImages) {
    CRect client;
    list.GetClientRect(&client);
    EXPECT_EQ(list.GetColumnWidth(0),
              client.Width() - GetSystemMetrics(SM_CXVSCROLL) - 2 * GetSystemMetrics(SM_CXBORDER));
    CImageList* boxes = list.GetImageList(LVSIL_STATE);
    ASSERT_NE(boxes, nullptr);
    EXPECT_EQ(boxes->GetImageCount(), 2);
    int cx = 0, cy = 0;
    boxes->GetIconSize(&cx, &cy);
    EXPECT_EQ(cx, 16);
    EXPECT_EQ(cy, 16);

    MCCheckList plain;
    ASSERT_EQ(plain.Create(WS_VISIBLE | LVS_REPORT, CRect(0, 220, 300, 290), &parent, IDC_CHECKS + 1, 0), 1);
    EXPECT_EQ(plain.GetImageList(LVSIL_STATE), nullptr);
}

TEST_F(CheckList, ChecksAreStateImagesOneAndTwo) {
    list.SetCheck(1, 5);
    EXPECT_EQ(list.GetItemState(1, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(2));
    EXPECT_EQ(list.GetCheck(1), 1);
    list.ToggleCheck(1);
    EXPECT_EQ(list.GetItemState(1, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(1));
    EXPECT_EQ(list.GetCheck(1), 0);
    ASSERT_EQ(parent.changes.size(), 2u);
    EXPECT_EQ(parent.changes[1].uOldState, INDEXTOSTATEIMAGEMASK(2));
    EXPECT_EQ(parent.changes[1].uNewState, INDEXTOSTATEIMAGEMASK(1));
}

TEST_F(CheckList, AClickOnTheBoxTogglesAndSelectsAClickOnTheTextOnlySelects) {
    const QPoint box = ItemPoint(1, 8);
    ASSERT_EQ(Where(box), LVHT_ONITEMSTATEICON);
    Click(box);
    EXPECT_EQ(Checks(), (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 1);

    const QPoint text = ItemPoint(2, 80);
    ASSERT_EQ(Where(text), LVHT_ONITEMLABEL);
    Click(text);
    EXPECT_EQ(Checks(), (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 2);
    EXPECT_EQ(list.GetSelectedCount(), 1u);
}

TEST_F(CheckList, SpaceTogglesTheFirstSelectedItemOnly) {
    View()->setFocus();
    QTest::keyClick(View(), Qt::Key_Space);   // nothing selected: the list's own
    EXPECT_EQ(Checks(), (std::vector<int>{0, 0, 0}));

    list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    QTest::keyClick(View(), Qt::Key_Space);
    EXPECT_EQ(Checks(), (std::vector<int>{1, 0, 0}));
    QTest::keyClick(View(), Qt::Key_Space);
    EXPECT_EQ(Checks(), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(list.GetSelectedCount(), 2u);   // the key went no further
}

constexpr UINT IDD_CHECK_BAR = 1061;
const DialogTemplate kCheckBar = {"", {{IDC_CHECKS, DialogControlKind::ListView, "", {4, 4, 100, 60}, LVS_REPORT}},
                                  {110, 70}};
DIALOG_RESOURCE(IDD_CHECK_BAR, kCheckBar);

TEST(CheckListTakeOver, TakesATemplatesListOverWithItsColumnAndBoxes) {
    CListParent parent;
    CDialogBar bar;
    ASSERT_TRUE(bar.Create(&parent, IDD_CHECK_BAR, WS_VISIBLE, IDD_CHECK_BAR));
    MCCheckList list;
    ASSERT_EQ(list.SubclassCheckList(IDC_CHECKS, &bar, 1), 1);
    EXPECT_EQ(bar.GetDlgItem(IDC_CHECKS), &list);
    ASSERT_NE(list.GetImageList(LVSIL_STATE), nullptr);
    list.InsertItem(0, "Flute");
    list.SetCheck(0, 1);
    EXPECT_EQ(list.GetCheck(0), 1);

    MCCheckList none;
    EXPECT_EQ(none.SubclassCheckList(IDC_CHECKS + 50, &bar, 1), 0);
}

}  // namespace
