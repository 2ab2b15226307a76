// Add Staff and Remove Staff: one command each after OK, built from the
// dialog's choices; the location controls of a piece without staves; the
// count's range; every staff checked keeps the first one.
#include "app/addstaffdlg.h"
#include "app/removestaffdlg.h"
#include "interface/controls/checklist.h"
#include "tests/app/staffdialog_support.h"

namespace {

using namespace staff_test;

using StaffDialogs = StaffPiece;

int RunAddStaff(MCOpusDoc* doc) {
    CAddStaffDlg dlg;
    const int result = dlg.Run(doc);
    Pump();
    return result;
}

TEST_F(StaffDialogs, ThreeGrandStavesBeforeStaffTwoAreOneCommand) {
    MakeStaves(3);
    doc->SetModifiedFlag(FALSE);
    dialogs.Queue(IDD_ADDSTAFF, [](CWnd& dialog) {
        EXPECT_EQ(CDialogScript::GetText(dialog, IDC_ADDSTAFF_COUNT), "1");
        EXPECT_FALSE(dialog.GetDlgItem(IDC_ADDSTAFF_STAFF)->IsWindowEnabled()) << "After Last Staff at first";
        CDialogScript::SetText(dialog, IDC_ADDSTAFF_COUNT, "3");
        CDialogScript::Choose(dialog, IDC_ADDSTAFF_TYPE, 1);
        EXPECT_EQ(CDialogScript::GetText(dialog, IDC_ADDSTAFF_TYPE), "Grand Staff (Piano)");
        CDialogScript::Click(dialog, IDC_ADDSTAFF_BEFORE);
        CDialogScript::Choose(dialog, IDC_ADDSTAFF_STAFF, 1);
        CDialogScript::Click(dialog, IDOK);
    });
    ASSERT_EQ(RunAddStaff(doc.get()), IDOK);
    ASSERT_EQ(commands.seen.size(), 1u);
    EXPECT_EQ(commands.seen[0].id, CMD_ADDTRACK);
    EXPECT_EQ(commands.seen[0].position, 2);
    EXPECT_EQ(commands.seen[0].staffTypes, (std::vector<int>{1, 1, 1}));
    EXPECT_TRUE(doc->IsModified());
    const std::vector<ECStaff*> staves = Staves();
    ASSERT_EQ(staves.size(), 6u);
    EXPECT_EQ(staves[0]->GetStaffType(), 0);
    EXPECT_EQ(staves[1]->GetStaffType(), 1);
    EXPECT_EQ(staves[3]->GetStaffType(), 1);
    EXPECT_EQ(staves[4]->GetStaffType(), 0);
}

TEST_F(StaffDialogs, TheLocationGivesTheInsertPosition) {
    MakeStaves(3);
    const struct {
        int radio, staff, position;
    } cases[] = {
        {IDC_ADDSTAFF_BEFORE, 0, 1}, {IDC_ADDSTAFF_AFTER, 0, 2}, {IDC_ADDSTAFF_AFTER, 2, 4}, {IDC_ADDSTAFF_LAST, 1, -1},
    };
    for (const auto& c : cases) {
        commands.seen.clear();
        dialogs.Queue(IDD_ADDSTAFF, [&](CWnd& dialog) {
            CDialogScript::Click(dialog, IDC_ADDSTAFF_AFTER);   // the staff list comes alive
            CDialogScript::Choose(dialog, IDC_ADDSTAFF_STAFF, c.staff);
            CDialogScript::Click(dialog, c.radio);
            EXPECT_EQ(dialog.GetDlgItem(IDC_ADDSTAFF_STAFF)->IsWindowEnabled() != FALSE, c.radio != IDC_ADDSTAFF_LAST);
            CDialogScript::Click(dialog, IDOK);
        });
        ASSERT_EQ(RunAddStaff(doc.get()), IDOK);
        ASSERT_EQ(commands.seen.size(), 1u);
        EXPECT_EQ(commands.seen[0].position, c.position) << c.radio << " " << c.staff;
        EXPECT_EQ(commands.seen[0].staffTypes, std::vector<int>{0});
    }
}

TEST_F(StaffDialogs, APieceWithoutStavesAppendsWithTheLocationDisabled) {
    dialogs.Queue(IDD_ADDSTAFF, [](CWnd& dialog) {
        for (int id : {IDC_ADDSTAFF_BEFORE, IDC_ADDSTAFF_AFTER, IDC_ADDSTAFF_LAST, IDC_ADDSTAFF_STAFF})
            EXPECT_FALSE(dialog.GetDlgItem(id)->IsWindowEnabled()) << id;
        CDialogScript::SetText(dialog, IDC_ADDSTAFF_COUNT, "2");
        CDialogScript::Click(dialog, IDOK);
    });
    ASSERT_EQ(RunAddStaff(doc.get()), IDOK);
    ASSERT_EQ(commands.seen.size(), 1u);
    EXPECT_EQ(commands.seen[0].position, -1);
    EXPECT_EQ(commands.seen[0].staffTypes, (std::vector<int>{0, 0}));
    EXPECT_EQ(Staves().size(), 2u);
}

TEST_F(StaffDialogs, ACountOutsideOneTo1000IsRefusedAndCancelChangesNothing) {
    MakeStaves(1);
    doc->SetModifiedFlag(FALSE);
    for (const char* count : {"0", "1001"}) {
        prompts.Clear();
        bool stayed = false;
        dialogs.Queue(IDD_ADDSTAFF, [&](CWnd& dialog) {
            CDialogScript::SetText(dialog, IDC_ADDSTAFF_COUNT, count);
            CDialogScript::Click(dialog, IDOK);
        });
        dialogs.Queue(IDD_ADDSTAFF, [&](CWnd& dialog) {
            stayed = dialog.IsWindowVisible() != FALSE;
            CDialogScript::Click(dialog, IDCANCEL);
        });
        EXPECT_EQ(RunAddStaff(doc.get()), IDCANCEL);
        EXPECT_TRUE(stayed) << count;
        ASSERT_EQ(prompts.GetCount(), 1u) << count;
        EXPECT_EQ(prompts.GetLast().text, "Please enter an integer between 1 and 1000.");
    }
    EXPECT_TRUE(commands.seen.empty());
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(Staves().size(), 1u);
}

TEST_F(StaffDialogs, NoDocumentShowsNothing) {
    CAddStaffDlg add;
    CRemoveStaffDlg remove;
    EXPECT_EQ(add.Run(nullptr), IDCANCEL);
    EXPECT_EQ(remove.Run(nullptr), IDCANCEL);
    EXPECT_TRUE(dialogs.GetShown().empty());
}

int RunRemoveStaff(MCOpusDoc* doc, const CDialogScript::Action& action, CDialogScript& dialogs) {
    dialogs.Queue(IDD_REMOVESTAFF, action);
    CRemoveStaffDlg dlg;
    const int result = dlg.Run(doc);
    Pump();
    return result;
}

TEST_F(StaffDialogs, RemovingEveryStaffKeepsTheFirstChecked) {
    MakeStaves(3);
    const std::vector<ECStaff*> staves = Staves();
    doc->SetModifiedFlag(FALSE);
    ASSERT_EQ(RunRemoveStaff(doc.get(),
                             [](CWnd& dialog) {
                                 CDialogScript::Click(dialog, IDC_REMOVESTAFF_ALL);
                                 CDialogScript::Click(dialog, IDOK);
                             },
                             dialogs),
              IDOK);
    ASSERT_EQ(commands.seen.size(), 1u);
    EXPECT_EQ(commands.seen[0].id, CMD_REMOVETRACK);
    EXPECT_EQ(commands.seen[0].removed, (std::vector<ECBase*>{staves[1], staves[2]}));
    EXPECT_EQ(Staves(), std::vector<ECStaff*>{staves[0]});
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(StaffDialogs, RemoveTakesTheCheckedStavesAndAnEmptyChoiceStillApplies) {
    MakeStaves(3);
    const std::vector<ECStaff*> staves = Staves();
    RunRemoveStaff(doc.get(),
                   [](CWnd& dialog) {
                       auto* list = DYNAMIC_DOWNCAST(MCCheckList, dialog.GetDlgItem(IDC_REMOVESTAFF_LIST));
                       ASSERT_NE(list, nullptr);
                       ASSERT_EQ(list->GetItemCount(), 3);
                       CDialogScript::Click(dialog, IDC_REMOVESTAFF_ALL);
                       list->SetCheck(0, 0);
                       list->SetCheck(2, 0);
                       CDialogScript::Click(dialog, IDOK);
                   },
                   dialogs);
    ASSERT_EQ(commands.seen.size(), 1u);
    EXPECT_EQ(commands.seen[0].removed, std::vector<ECBase*>{staves[1]});

    commands.seen.clear();
    RunRemoveStaff(doc.get(),
                   [](CWnd& dialog) {
                       CDialogScript::Click(dialog, IDC_REMOVESTAFF_ALL);
                       CDialogScript::Click(dialog, IDC_REMOVESTAFF_NONE);
                       CDialogScript::Click(dialog, IDOK);
                   },
                   dialogs);
    ASSERT_EQ(commands.seen.size(), 1u);
    EXPECT_EQ(commands.seen[0].id, CMD_REMOVETRACK);
    EXPECT_TRUE(commands.seen[0].removed.empty());
    EXPECT_EQ(Staves().size(), 2u);

    commands.seen.clear();
    EXPECT_EQ(RunRemoveStaff(doc.get(), [](CWnd& dialog) { CDialogScript::Click(dialog, IDCANCEL); }, dialogs),
              IDCANCEL);
    EXPECT_TRUE(commands.seen.empty());
}

}  // namespace
