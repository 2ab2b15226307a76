// Lists of strings: the case-insensitive prefix search, sorted adding, item
// data, the selection set by code telling nothing and the user's choice told.
#include "platform/ui/lists.h"

#include "tests/platform/gui/control_support.h"

#include <QComboBox>
#include <QListWidget>
#include <QTest>

#include <string>

namespace {

using control_test::CNotedParent;
using control_test::Note;

constexpr UINT IDC_LIST = 1040;

const char* const kInstruments[] = {"Flute", "Oboe", "Clarinet", "flugelhorn", "Bassoon"};

TEST(ComboBox, SelectStringFindsACaseInsensitivePrefixAfterTheStart) {
    CNotedParent parent;
    CComboBox combo;
    ASSERT_TRUE(combo.Create(WS_VISIBLE | CBS_DROPDOWNLIST, CRect(10, 10, 150, 200), &parent, IDC_LIST));
    for (const char* name : kInstruments)
        combo.AddString(name);
    const struct {
        int startAfter;
        const char* text;
        int expected;
    } cases[] = {
        {-1, "fl", 0},   {0, "FL", 3},    {3, "fl", 0},   // wraps round past the end
        {-1, "oboe", 1}, {-1, "Tuba", CB_ERR}, {-1, "", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(combo.FindString(c.startAfter, c.text), c.expected) << c.startAfter << " " << c.text;

    EXPECT_EQ(combo.SelectString(-1, "CLAR"), 2);
    EXPECT_EQ(combo.GetCurSel(), 2);
    EXPECT_EQ(combo.SelectString(-1, "Tuba"), CB_ERR);
    EXPECT_EQ(combo.GetCurSel(), 2);   // kept
    EXPECT_EQ(combo.FindStringExact(-1, "FLUTE"), 0);
    EXPECT_EQ(combo.FindStringExact(-1, "Flu"), CB_ERR);
    EXPECT_TRUE(parent.notes.empty());   // selecting from code tells nothing
}

TEST(ComboBox, TheUsersChoiceSendsSelChangeThenSelEndOk) {
    CNotedParent parent;
    CComboBox combo;
    ASSERT_TRUE(combo.Create(WS_VISIBLE | CBS_DROPDOWNLIST, CRect(10, 10, 150, 200), &parent, IDC_LIST));
    for (const char* name : kInstruments)
        combo.AddString(name);
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);   // a new list has no selection
    combo.SetCurSel(1);
    EXPECT_TRUE(parent.notes.empty());
    QTest::keyClick(combo.GetWidget(), Qt::Key_Down);
    EXPECT_EQ(combo.GetCurSel(), 2);
    EXPECT_EQ(parent.notes, (std::vector<Note>{{WM_COMMAND, IDC_LIST, CBN_SELCHANGE}, {WM_COMMAND, IDC_LIST, CBN_SELENDOK}}));
}

TEST(ComboBox, SortedItemDataAndTheDroppedWidth) {
    CNotedParent parent;
    CComboBox combo;
    ASSERT_TRUE(combo.Create(WS_VISIBLE | CBS_DROPDOWNLIST | CBS_SORT, CRect(10, 10, 110, 200), &parent, IDC_LIST));
    for (const char* name : kInstruments)
        combo.SetItemData(combo.AddString(name), static_cast<DWORD_PTR>(std::string(name).size()));
    std::string text;
    std::vector<std::string> order;
    for (int n = 0; n < combo.GetCount(); ++n) {
        combo.GetLBText(n, text);
        order.push_back(text);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"Bassoon", "Clarinet", "flugelhorn", "Flute", "Oboe"}));
    EXPECT_EQ(combo.GetItemData(2), 10u);   // "flugelhorn" kept its data
    EXPECT_EQ(combo.DeleteString(0), 4);
    EXPECT_EQ(combo.GetItemData(1), 10u);
    EXPECT_LT(combo.GetWidget()->height(), 190);   // the box is one line; the rest was the list's
    combo.SetDroppedWidth(160);
    EXPECT_EQ(combo.GetDroppedWidth(), 160);
    combo.ShowDropDown();
    EXPECT_TRUE(combo.GetDroppedState());
    combo.ShowDropDown(FALSE);
    EXPECT_FALSE(combo.GetDroppedState());
    EXPECT_EQ(parent.Count(WM_COMMAND, CBN_DROPDOWN), 1u);
    EXPECT_EQ(parent.Count(WM_COMMAND, CBN_CLOSEUP), 1u);
}

TEST(ListBox, TheUsersSelectionIsToldOnlyWithLbsNotify) {
    for (const DWORD style : {DWORD{0}, DWORD{LBS_NOTIFY}}) {
        CNotedParent parent;
        CListBox list;
        ASSERT_TRUE(list.Create(WS_VISIBLE | style, CRect(10, 10, 150, 200), &parent, IDC_LIST));
        for (const char* name : kInstruments)
            list.AddString(name);
        EXPECT_EQ(list.SelectString(-1, "cla"), 2);
        EXPECT_TRUE(parent.notes.empty());
        auto* widget = qobject_cast<QListWidget*>(list.GetWidget());
        QTest::mouseClick(widget->viewport(), Qt::LeftButton, Qt::NoModifier,
                          widget->visualItemRect(widget->item(4)).center());
        EXPECT_EQ(list.GetCurSel(), 4);
        EXPECT_EQ(parent.Count(WM_COMMAND, LBN_SELCHANGE), style ? 1u : 0u) << style;
    }
}

TEST(ListBox, MultipleSelection) {
    CNotedParent parent;
    CListBox list;
    ASSERT_TRUE(list.Create(WS_VISIBLE | LBS_MULTIPLESEL, CRect(10, 10, 150, 200), &parent, IDC_LIST));
    for (const char* name : kInstruments)
        list.AddString(name);
    list.SetSel(1);
    list.SetSel(3);
    EXPECT_EQ(list.GetSelCount(), 2);
    int selected[5] = {};
    EXPECT_EQ(list.GetSelItems(5, selected), 2);
    EXPECT_EQ(selected[0], 1);
    EXPECT_EQ(selected[1], 3);
    list.SetSel(-1, FALSE);
    EXPECT_EQ(list.GetSelCount(), 0);
    EXPECT_EQ(list.SetCurSel(0), LB_ERR);   // not for a multiple-selection list
}

}  // namespace
