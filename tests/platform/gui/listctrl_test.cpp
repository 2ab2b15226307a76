// The list control: state images under 0xF000, told by one LVN_ITEMCHANGED
// per change, a click on the state image, and HitTest telling the state image
// from the item's image and label; the small-icon view's rows.
#include "platform/ui/imagelist.h"
#include "platform/ui/listctrl.h"

#include "tests/platform/gui/control_support.h"

#include <QListView>
#include <QTest>
#include <QTreeView>

namespace {

using control_test::CNotedParent;

constexpr UINT IDC_TRACKS = 1050;

class ListControl : public ::testing::Test {
protected:
    ListControl() {
        EXPECT_TRUE(list.Create(WS_VISIBLE | LVS_REPORT, CRect(10, 10, 310, 210), &parent, IDC_TRACKS));
        list.InsertColumn(0, "Items", LVCFMT_LEFT, 200);
        for (const char* name : {"Piano", "Violin", "Cello"})
            list.InsertItem(list.GetItemCount(), name);
        parent.answer = [this](NMHDR* header) -> LRESULT {
            if (header->code == LVN_ITEMCHANGED)
                changes.push_back(*reinterpret_cast<NMLISTVIEW*>(header));
            return 0;
        };
    }
    QTreeView* View() { return dynamic_cast<QTreeView*>(list.GetWidget()); }
    // A point of the item's decoration `dx` pixels from its left, in the control's client coordinates.
    QPoint DecorationPoint(int item, int dx) {
        const QRect row = View()->visualRect(View()->model()->index(item, 0));
        return View()->viewport()->mapTo(View(), QPoint(row.left() + dx, row.center().y()));
    }

    CNotedParent parent;
    CListCtrl list;
    std::vector<NMLISTVIEW> changes;
};

TEST_F(ListControl, AClickOnTheStateImageTogglesItWithOneItemChanged) {
    list.SetExtendedStyle(LVS_EX_CHECKBOXES);
    EXPECT_EQ(list.GetItemState(1, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(1));   // a clear box
    changes.clear();
    UINT where = 0;
    const QPoint box = DecorationPoint(1, 8);
    ASSERT_EQ(list.HitTest(CPoint(box.x(), box.y()), &where), 1);
    ASSERT_EQ(where, LVHT_ONITEMSTATEICON);

    QTest::mouseClick(View()->viewport(), Qt::LeftButton, Qt::NoModifier, View()->viewport()->mapFrom(View(), box));
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].iItem, 1);
    EXPECT_EQ(changes[0].uChanged, LVIF_STATE);
    EXPECT_EQ(changes[0].uOldState, INDEXTOSTATEIMAGEMASK(1));
    EXPECT_EQ(changes[0].uNewState, INDEXTOSTATEIMAGEMASK(2));
    EXPECT_TRUE(list.GetCheck(1));
    EXPECT_EQ(list.GetSelectedCount(), 0u);   // the box alone
}

TEST_F(ListControl, EveryChangeOfStateIsToldOnceAndNoChangeNotAtAll) {
    list.SetItemData(2, 77);
    list.SetItemState(2, LVIS_SELECTED | INDEXTOSTATEIMAGEMASK(2), LVIS_SELECTED | LVIS_STATEIMAGEMASK);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].uNewState, LVIS_SELECTED | INDEXTOSTATEIMAGEMASK(2));
    EXPECT_EQ(changes[0].lParam, 77);
    EXPECT_TRUE(View()->selectionModel()->isRowSelected(2, QModelIndex()));
    list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);   // as it is
    EXPECT_EQ(changes.size(), 1u);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 2);

    // The user's selection, likewise: one for the item left, one for the item chosen.
    changes.clear();
    const QRect label = View()->visualRect(View()->model()->index(0, 0));
    QTest::mouseClick(View()->viewport(), Qt::LeftButton, Qt::NoModifier, label.center());
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].iItem, 2);
    EXPECT_EQ(changes[0].uNewState & LVIS_SELECTED, 0u);
    EXPECT_EQ(changes[1].iItem, 0);
    EXPECT_EQ(changes[1].uNewState, LVIS_SELECTED);
}

TEST_F(ListControl, HitTestTellsTheStateImageFromTheImageAndTheLabel) {
    CImageList states;
    CImageList icons;
    ASSERT_TRUE(states.Create(16, 16, ILC_COLOR32, 2, 0));
    ASSERT_TRUE(icons.Create(12, 16, ILC_COLOR32, 1, 0));
    QImage strip(32, 16, QImage::Format_ARGB32);
    strip.fill(Qt::red);
    EXPECT_EQ(states.Add(strip), 0);
    EXPECT_EQ(states.GetImageCount(), 2);
    EXPECT_EQ(icons.Add(strip.copy(0, 0, 12, 16)), 0);
    list.SetImageList(&states, LVSIL_STATE);
    list.SetImageList(&icons, LVSIL_SMALL);
    list.SetCheck(0);
    const struct {
        int dx;
        UINT expected;
    } cases[] = {{4, LVHT_ONITEMSTATEICON}, {15, LVHT_ONITEMSTATEICON}, {20, LVHT_ONITEMICON}, {120, LVHT_ONITEMLABEL}};
    for (const auto& c : cases) {
        const QPoint probe = DecorationPoint(0, c.dx);   // from the row's left edge
        UINT where = 0;
        EXPECT_EQ(list.HitTest(CPoint(probe.x(), probe.y()), &where), 0);
        EXPECT_EQ(where, c.expected) << c.dx;
    }
    UINT where = 0;
    EXPECT_EQ(list.HitTest(CPoint(100, 200), &where), -1);
    EXPECT_EQ(where, LVHT_NOWHERE);
}

TEST(ListControlSmallIcons, ItemsStandInARowAndHitTestAndClicksWorkAsInTheReport) {
    CNotedParent parent;
    CListCtrl list;
    ASSERT_TRUE(list.Create(WS_VISIBLE | LVS_SMALLICON, CRect(10, 10, 410, 210), &parent, IDC_TRACKS));
    list.InsertColumn(0, "Items", LVCFMT_LEFT, 120);
    list.SetExtendedStyle(LVS_EX_CHECKBOXES);
    for (const char* name : {"Piano", "Violin", "Cello"})
        list.InsertItem(list.GetItemCount(), name);
    std::vector<NMLISTVIEW> changes;
    parent.answer = [&](NMHDR* header) -> LRESULT {
        if (header->code == LVN_ITEMCHANGED)
            changes.push_back(*reinterpret_cast<NMLISTVIEW*>(header));
        return 0;
    };
    auto* view = qobject_cast<QListView*>(list.GetWidget());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(list.GetColumnWidth(0), 120);   // kept while no column shows

    // Side by side, left to right.
    std::vector<QRect> places;
    for (int item = 0; item < 3; ++item)
        places.push_back(view->visualRect(view->model()->index(item, 0)));
    EXPECT_EQ(places[1].top(), places[0].top());
    EXPECT_EQ(places[2].top(), places[0].top());
    EXPECT_GT(places[1].left(), places[0].right());
    EXPECT_GT(places[2].left(), places[1].right());

    const auto client = [&](QPoint inViewport) { return view->viewport()->mapTo(view, inViewport); };
    const struct {
        int dx;
        UINT expected;
    } cases[] = {{4, LVHT_ONITEMSTATEICON}, {places[2].width() - 3, LVHT_ONITEMLABEL}};
    for (const auto& c : cases) {
        const QPoint probe = client(QPoint(places[2].left() + c.dx, places[2].center().y()));
        UINT where = 0;
        EXPECT_EQ(list.HitTest(CPoint(probe.x(), probe.y()), &where), 2) << c.dx;
        EXPECT_EQ(where, c.expected) << c.dx;
    }

    // A click on the box checks it; one on the label selects the item.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(places[2].left() + 4, places[2].center().y()));
    EXPECT_TRUE(list.GetCheck(2));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(places[1].right() - 3, places[1].center().y()));
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].uNewState, INDEXTOSTATEIMAGEMASK(2));
    EXPECT_EQ(changes[1].iItem, 1);
    EXPECT_EQ(changes[1].uNewState & LVIS_SELECTED, UINT{LVIS_SELECTED});
    EXPECT_EQ(list.GetSelectedCount(), 1u);
}

// Each item is as wide as its own label: a long name beside a short one is
// shown whole, not cut to the other's width.
TEST(ListControlSmallIcons, EachLabelIsShownWhole) {
    CNotedParent parent;
    CListCtrl list;
    ASSERT_TRUE(list.Create(WS_VISIBLE | LVS_SMALLICON, CRect(10, 10, 410, 210), &parent, IDC_TRACKS));
    for (const char* name : {"Empty Track", "Piano"})
        list.InsertItem(list.GetItemCount(), name);
    list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    auto* view = qobject_cast<QListView*>(list.GetWidget());
    ASSERT_NE(view, nullptr);
    for (int item = 0; item < 2; ++item) {
        const QModelIndex index = view->model()->index(item, 0);
        const int text = view->fontMetrics().horizontalAdvance(index.data().toString());
        EXPECT_GE(view->visualRect(index).width(), text) << index.data().toString().toStdString();
    }
}

}  // namespace
