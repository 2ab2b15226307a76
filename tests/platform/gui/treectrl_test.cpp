// The tree control: items that can always open, the TVN_ITEMEXPANDING veto,
// Expand from code telling nobody, the selection's notices and its refusal,
// one TVN_DELETEITEM per item deleted, on delete and at the window's end, and
// the images drawn beside the items.
#include "platform/ui/imagelist.h"
#include "platform/ui/treectrl.h"

#include "tests/platform/gui/control_support.h"

#include <QTest>
#include <QTreeWidget>

#include <vector>

namespace {

using control_test::CNotedParent;

constexpr UINT IDC_TREE = 1040;

// What the parent was told, with the tree's own data.
struct Told {
    UINT code = 0;
    UINT action = 0;
    HTREEITEM item = nullptr;     // itemNew, or itemOld for a deletion
    DWORD_PTR data = 0;
    bool operator==(const Told&) const = default;
};

class Tree : public ::testing::Test {
protected:
    Tree() {
        EXPECT_TRUE(tree.Create(WS_VISIBLE | TVS_HASBUTTONS | TVS_LINESATROOT, CRect(0, 0, 300, 200), &parent,
                                IDC_TREE));
        parent.answer = [this](NMHDR* header) -> LRESULT {
            const auto* change = reinterpret_cast<NMTREEVIEW*>(header);
            const TVITEM& item = header->code == TVN_DELETEITEM ? change->itemOld : change->itemNew;
            told.push_back({header->code, change->action, item.hItem, static_cast<DWORD_PTR>(item.lParam)});
            if (header->code == TVN_ITEMEXPANDING && onExpanding)
                return onExpanding(*change);
            if (header->code == TVN_SELCHANGING && onSelChanging)
                return onSelChanging(*change);
            return 0;
        };
    }
    void Key(Qt::Key key) { QTest::keyClick(tree.GetWidget(), key); }

    CNotedParent parent;
    std::vector<Told> told;   // before the tree: its end is told here
    std::function<LRESULT(const NMTREEVIEW&)> onExpanding;
    std::function<LRESULT(const NMTREEVIEW&)> onSelChanging;
    CTreeCtrl tree;
};

TEST_F(Tree, AnItemWithoutChildrenOpensAndTheParentMayVetoOrFillIt) {
    const HTREEITEM a = tree.InsertItem("A");
    tree.SelectItem(a);
    told.clear();
    const struct {
        Qt::Key key;
        bool veto;
        UINT action;
        bool expanded;
    } cases[] = {
        {Qt::Key_Plus, true, TVE_EXPAND, false},
        {Qt::Key_Plus, false, TVE_EXPAND, true},
        {Qt::Key_Minus, true, TVE_COLLAPSE, true},
        {Qt::Key_Minus, false, TVE_COLLAPSE, false},
    };
    for (const auto& c : cases) {
        told.clear();
        UINT stateWhenAsked = 0;
        onExpanding = [&](const NMTREEVIEW& change) -> LRESULT {
            stateWhenAsked = tree.GetItemState(change.itemNew.hItem, TVIS_EXPANDED);
            return c.veto ? 1 : 0;
        };
        Key(c.key);
        EXPECT_EQ(tree.GetItemState(a, TVIS_EXPANDED) != 0, c.expanded) << c.key << " veto " << c.veto;
        // Asked before the change: the item still in its old state.
        EXPECT_EQ(stateWhenAsked != 0, c.action == TVE_COLLAPSE);
        std::vector<Told> expected = {{TVN_ITEMEXPANDING, c.action, a, 0}};
        if (!c.veto)
            expected.push_back({TVN_ITEMEXPANDED, c.action, a, 0});
        EXPECT_EQ(told, expected) << c.key << " veto " << c.veto;
    }

    // Children filled in while it opens are there once it is open.
    onExpanding = [&](const NMTREEVIEW& change) -> LRESULT {
        tree.InsertItem("A1", change.itemNew.hItem);
        return 0;
    };
    Key(Qt::Key_Plus);
    ASSERT_TRUE(tree.ItemHasChildren(a));
    EXPECT_EQ(tree.GetItemText(tree.GetChildItem(a)), "A1");
    EXPECT_TRUE(qobject_cast<QTreeWidget*>(tree.GetWidget())->topLevelItem(0)->isExpanded());
}

TEST_F(Tree, ExpandFromCodeTellsNobody) {
    const HTREEITEM a = tree.InsertItem("A");
    tree.InsertItem("A1", a);
    told.clear();
    const struct { UINT code; bool expanded; } cases[] = {
        {TVE_EXPAND, true}, {TVE_EXPAND, true}, {TVE_TOGGLE, false}, {TVE_TOGGLE, true}, {TVE_COLLAPSE, false},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(tree.Expand(a, c.code));
        EXPECT_EQ(tree.GetItemState(a, TVIS_EXPANDED) != 0, c.expanded) << c.code;
    }
    EXPECT_TRUE(told.empty());
}

TEST_F(Tree, TheSelectionTellsTheOldItemTheNewAndHow) {
    const HTREEITEM a = tree.InsertItem("A");
    const HTREEITEM b = tree.InsertItem("B");
    const HTREEITEM first = tree.InsertItem("First", TVI_ROOT, TVI_FIRST);
    EXPECT_EQ(tree.GetRootItem(), first);
    EXPECT_EQ(tree.GetNextSiblingItem(first), a);
    told.clear();
    tree.SelectItem(a);
    tree.SetFocus();
    Key(Qt::Key_Down);
    EXPECT_EQ(tree.GetSelectedItem(), b);
    EXPECT_EQ(told, (std::vector<Told>{{TVN_SELCHANGING, TVC_UNKNOWN, a, 0},
                                       {TVN_SELCHANGED, TVC_UNKNOWN, a, 0},
                                       {TVN_SELCHANGING, TVC_BYKEYBOARD, b, 0},
                                       {TVN_SELCHANGED, TVC_BYKEYBOARD, b, 0}}));
    told.clear();
    tree.SelectItem(b);   // already selected: nothing to tell
    EXPECT_TRUE(told.empty());
}

TEST_F(Tree, EachItemDeletedIsToldWithItsData) {
    const HTREEITEM a = tree.InsertItem("A");
    const HTREEITEM a1 = tree.InsertItem("A1", a);
    const HTREEITEM a2 = tree.InsertItem("A2", a);
    const HTREEITEM b = tree.InsertItem("B");
    const HTREEITEM b1 = tree.InsertItem("B1", b);
    for (const auto& [item, data] : {std::pair{a, 1}, {a1, 11}, {a2, 12}, {b, 2}, {b1, 21}})
        tree.SetItemData(item, static_cast<DWORD_PTR>(data));
    EXPECT_EQ(tree.GetItemData(a2), 12u);
    EXPECT_EQ(tree.GetCount(), 5u);
    tree.SelectItem(a2);
    told.clear();

    // The selection leaves the branch first, told while its item still exists.
    EXPECT_TRUE(tree.DeleteItem(a));
    EXPECT_EQ(told, (std::vector<Told>{{TVN_SELCHANGING, TVC_UNKNOWN, nullptr, 0},
                                       {TVN_SELCHANGED, TVC_UNKNOWN, nullptr, 0}, {TVN_DELETEITEM, 0, a1, 11},
                                       {TVN_DELETEITEM, 0, a2, 12}, {TVN_DELETEITEM, 0, a, 1}}));
    EXPECT_EQ(tree.GetSelectedItem(), nullptr);
    EXPECT_EQ(tree.GetCount(), 2u);
    told.clear();
    // The window's end deletes what is left, telling each.
    tree.DestroyWindow();
    EXPECT_EQ(told, (std::vector<Told>{{TVN_DELETEITEM, 0, b1, 21}, {TVN_DELETEITEM, 0, b, 2}}));
}

// A handler answering TRUE to TVN_SELCHANGING keeps the old item selected,
// whether the change came from code, the keyboard or the mouse.
TEST_F(Tree, ARefusedSelectionChangeKeepsTheOldItem) {
    const HTREEITEM a = tree.InsertItem("A");
    const HTREEITEM b = tree.InsertItem("B");
    tree.SelectItem(a);
    tree.SetFocus();
    auto* widget = qobject_cast<QTreeWidget*>(tree.GetWidget());
    const QRect rowB = widget->visualItemRect(reinterpret_cast<QTreeWidgetItem*>(b));
    const struct {
        const char* how;
        std::function<void()> act;
        UINT action;
    } cases[] = {
        {"code", [&] { EXPECT_FALSE(tree.SelectItem(b)); }, TVC_UNKNOWN},
        {"key", [&] { Key(Qt::Key_Down); }, TVC_BYKEYBOARD},
        {"click", [&] { QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, rowB.center()); }, TVC_BYMOUSE},
    };
    for (const auto& c : cases) {
        told.clear();
        HTREEITEM askedOld = nullptr;
        onSelChanging = [&](const NMTREEVIEW& change) -> LRESULT {
            askedOld = change.itemOld.hItem;
            return TRUE;
        };
        c.act();
        QCoreApplication::processEvents();
        EXPECT_EQ(tree.GetSelectedItem(), a) << c.how;
        EXPECT_TRUE(tree.GetItemState(a, TVIS_SELECTED)) << c.how;
        EXPECT_FALSE(tree.GetItemState(b, TVIS_SELECTED)) << c.how;
        EXPECT_EQ(askedOld, a) << c.how;
        EXPECT_EQ(told, (std::vector<Told>{{TVN_SELCHANGING, c.action, b, 0}})) << c.how;
    }
    onSelChanging = nullptr;
    EXPECT_TRUE(tree.SelectItem(b));
    EXPECT_EQ(tree.GetSelectedItem(), b);
    // Deleting the selected item moves the selection whatever the answer.
    onSelChanging = [](const NMTREEVIEW&) -> LRESULT { return TRUE; };
    told.clear();
    EXPECT_TRUE(tree.DeleteItem(b));
    EXPECT_EQ(tree.GetSelectedItem(), nullptr);
    EXPECT_EQ(told, (std::vector<Told>{{TVN_SELCHANGING, TVC_UNKNOWN, nullptr, 0},
                                       {TVN_SELCHANGED, TVC_UNKNOWN, nullptr, 0},
                                       {TVN_DELETEITEM, 0, b, 0}}));
}

// The state image stands before the item's image, which is its selected
// image while it is selected.
TEST_F(Tree, ItemsShowTheirStateImageAndTheirImageOfTheSelection) {
    CImageList states;
    CImageList images;
    ASSERT_TRUE(states.Create(8, 8, ILC_COLOR32, 2, 0));
    ASSERT_TRUE(images.Create(8, 8, ILC_COLOR32, 2, 0));
    QImage strip(16, 8, QImage::Format_ARGB32);
    strip.fill(Qt::red);
    for (int y = 0; y < 8; ++y)
        for (int x = 8; x < 16; ++x)
            strip.setPixelColor(x, y, Qt::blue);
    states.Add(strip);   // 1 red, 2 blue
    images.Add(strip);   // 0 red, 1 blue
    EXPECT_EQ(tree.SetImageList(&states, TVSIL_STATE), nullptr);
    EXPECT_EQ(tree.SetImageList(&images, TVSIL_NORMAL), nullptr);
    EXPECT_EQ(tree.GetImageList(TVSIL_STATE), &states);
    const HTREEITEM a = tree.InsertItem("A", 0, 1);
    const HTREEITEM b = tree.InsertItem("B", 0, 1);
    EXPECT_TRUE(tree.SetItemState(a, INDEXTOSTATEIMAGEMASK(2), TVIS_STATEIMAGEMASK));
    EXPECT_EQ(tree.GetItemState(a, TVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(2));
    int image = -1;
    int selectedImage = -1;
    EXPECT_TRUE(tree.GetItemImage(b, image, selectedImage));
    EXPECT_EQ(image, 0);
    EXPECT_EQ(selectedImage, 1);
    // The colour at the middle of the state image's place and of the image's.
    const auto colours = [](HTREEITEM item) {
        const QImage icon = reinterpret_cast<QTreeWidgetItem*>(item)->icon(0).pixmap(16, 8).toImage();
        return std::pair{icon.pixelColor(4, 4), icon.pixelColor(12, 4)};
    };
    tree.SelectItem(a);
    EXPECT_EQ(colours(a), (std::pair{QColor(Qt::blue), QColor(Qt::blue)}));
    EXPECT_EQ(colours(b).second, QColor(Qt::red));
    EXPECT_EQ(colours(b).first.alpha(), 0);   // no state image
    tree.SelectItem(b);
    EXPECT_EQ(colours(a).second, QColor(Qt::red));
    EXPECT_EQ(colours(b).second, QColor(Qt::blue));
    tree.SetImageList(nullptr, TVSIL_STATE);   // the lists go before the tree
    tree.SetImageList(nullptr, TVSIL_NORMAL);
}

}  // namespace
