// The common controls a dialog template makes: each kind becomes its class,
// made with the template's style.
#include "platform/ui/dialog.h"
#include "platform/ui/listctrl.h"
#include "platform/ui/lists.h"
#include "platform/ui/spin.h"

#include <QComboBox>

#include <gtest/gtest.h>

#include <string>

namespace {

using enum DialogControlKind;

constexpr int IDC_TYPES = 1100;
constexpr int IDC_NAMES = 1101;
constexpr int IDC_TRACKS = 1102;
constexpr int IDC_COUNT = 1103;
constexpr int IDC_COUNT_SPIN = 1104;

const DialogTemplate kControlsTemplate = {"Controls", {
    {IDC_TYPES, Combo, "", {8, 8, 80, 60}, CBS_DROPDOWNLIST | CBS_SORT},
    {IDC_NAMES, ListBox, "", {8, 24, 80, 40}, LBS_SORT},
    {IDC_TRACKS, ListView, "", {100, 8, 100, 60}, LVS_REPORT},
    {IDC_COUNT, Edit, "", {8, 70, 40, 12}},
    {IDC_COUNT_SPIN, Spin, "", {48, 70, 10, 12}, UDS_AUTOBUDDY | UDS_SETBUDDYINT | UDS_ALIGNRIGHT},
}, {210, 90}, {"MS Sans Serif", 8}};

TEST(DialogControls, EachKindIsItsClassWithTheTemplatesStyle) {
    CDialog dialog;
    ASSERT_TRUE(dialog.CreateIndirect(kControlsTemplate));
    const struct {
        int id;
        const CRuntimeClass* kind;
    } cases[] = {
        {IDC_TYPES, RUNTIME_CLASS(CComboBox)},
        {IDC_NAMES, RUNTIME_CLASS(CListBox)},
        {IDC_TRACKS, RUNTIME_CLASS(CListCtrl)},
        {IDC_COUNT_SPIN, RUNTIME_CLASS(CSpinButtonCtrl)},
    };
    for (const auto& c : cases) {
        CWnd* control = dialog.GetDlgItem(c.id);
        ASSERT_NE(control, nullptr) << c.id;
        EXPECT_TRUE(control->IsKindOf(c.kind)) << c.id;
    }

    // Sorted lists, from their styles.
    auto* types = static_cast<CComboBox*>(dialog.GetDlgItem(IDC_TYPES));
    auto* names = static_cast<CListBox*>(dialog.GetDlgItem(IDC_NAMES));
    for (const char* text : {"pear", "apple", "fig"}) {
        types->AddString(text);
        names->AddString(text);
    }
    std::string first;
    types->GetLBText(0, first);
    EXPECT_EQ(first, "apple");
    names->GetText(2, first);
    EXPECT_EQ(first, "pear");
    // A drop-down list takes no typing.
    EXPECT_FALSE(qobject_cast<QComboBox*>(types->GetWidget())->isEditable());

    // The report view takes columns.
    auto* tracks = static_cast<CListCtrl*>(dialog.GetDlgItem(IDC_TRACKS));
    EXPECT_EQ(tracks->InsertColumn(0, "Track", LVCFMT_LEFT, 60), 0);

    // The up-down took the edit before it as its buddy and shows its position there.
    auto* spin = static_cast<CSpinButtonCtrl*>(dialog.GetDlgItem(IDC_COUNT_SPIN));
    EXPECT_EQ(spin->GetBuddy(), dialog.GetDlgItem(IDC_COUNT));
    spin->SetRange(0, 20);
    spin->SetPos(7);
    std::string count;
    dialog.GetDlgItemText(IDC_COUNT, count);
    EXPECT_EQ(count, "7");
    dialog.DestroyWindow();
}

// A class that takes a list over as its own object (DDX_Control,
// TakeOverDlgItem) keeps the template's style: its lists still sort.
TEST(DialogControls, ListsTakenOverKeepTheTemplatesStyle) {
    CDialog dialog;
    ASSERT_TRUE(dialog.CreateIndirect(kControlsTemplate));
    CComboBox types;
    CListBox names;
    ASSERT_TRUE(dialog.TakeOverDlgItem(IDC_TYPES, types));
    ASSERT_TRUE(dialog.TakeOverDlgItem(IDC_NAMES, names));
    for (const char* text : {"pear", "Apple", "fig"}) {
        types.AddString(text);
        names.AddString(text);
    }
    std::string first, last;
    types.GetLBText(0, first);
    names.GetText(2, last);
    EXPECT_EQ(first, "Apple");
    EXPECT_EQ(last, "pear");
    dialog.DestroyWindow();
}

}  // namespace
