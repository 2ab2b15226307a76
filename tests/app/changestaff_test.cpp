// Change Staff: the list of pages and the placeholder they take; pages made
// when first shown and only the shown one applied; the Reorder Staves page's
// moves, arrow buttons and new order; the Group Staves page's group.
#include "app/addstaffdlg.h"
#include "app/changestaffdlg.h"
#include "app/grouppage.h"
#include "app/removestaffdlg.h"
#include "app/reorderpage.h"
#include "app/transposepage.h"
#include "interface/controls/checklist.h"
#include "model/conductorstaff.h"
#include "model/group.h"
#include "platform/ui/lists.h"
#include "tests/app/staffdialog_support.h"

#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace staff_test;

class ChangeStaff : public StaffPiece {
protected:
    ChangeStaff() { MakeStaves(3); }

    // Runs Change Staff with one scripted action.
    int Run(const std::function<void(CChangeStaffDlg&)>& action) {
        dialogs.Queue(IDD_CHANGESTAFF, [&](CWnd& dialog) { action(*DYNAMIC_DOWNCAST(CChangeStaffDlg, &dialog)); });
        CChangeStaffDlg dlg;
        const int result = dlg.Run(doc.get());
        Pump();
        return result;
    }
    static std::vector<ECBase*> Entries(CListBox& list) {
        std::vector<ECBase*> entries;
        for (int i = 0; i < list.GetCount(); ++i)
            entries.push_back(static_cast<ECBase*>(list.GetItemDataPtr(i)));
        return entries;
    }
    static void Press(CWnd& page, int id) {
        page.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                         reinterpret_cast<LPARAM>(page.GetDlgItem(id)->GetSafeHwnd()));
    }
    ECConductorStaff* ConductorStaff() {
        return static_cast<ECConductorStaff*>(conductor->GetTrack(TRACK_CONDUCTOR, 0, 1));
    }
};

TEST(StaffTemplates, DialogsAndPagesUseTheirFontAndThePagesAreBareChildren) {
    const struct {
        UINT id;
        const char* caption;
        bool page;
    } templates[] = {
        {IDD_ADDSTAFF, "Add Staff", false},      {IDD_REMOVESTAFF, "Remove Staff", false},
        {IDD_CHANGESTAFF, "Change Staff", false}, {IDD_REORDERSTAVES, "", true},
        {IDD_GROUPSTAVES, "", true},             {IDD_TRANSPOSESTAFF, "", true},
    };
    for (const auto& t : templates) {
        const DialogTemplate* found = FindDialogTemplate(t.id);
        ASSERT_NE(found, nullptr) << t.id;
        EXPECT_EQ(found->caption, t.caption);
        EXPECT_EQ(found->font.face, "MS Sans Serif") << t.id;
        EXPECT_EQ(found->font.pointSize, 8) << t.id;
        if (t.page) {
            EXPECT_EQ(found->style, WS_CHILD) << t.id;
            EXPECT_EQ(found->size.cx, 210) << t.id;
            EXPECT_EQ(found->size.cy, 130) << t.id;
        }
    }
}

TEST_F(ChangeStaff, ThePagesTakeThePlaceholderAndAreMadeWhenFirstShown) {
    EXPECT_EQ(Run([](CChangeStaffDlg& dlg) {
                  auto* list = DYNAMIC_DOWNCAST(CListBox, dlg.GetDlgItem(IDC_CHANGESTAFF_LIST));
                  ASSERT_NE(list, nullptr);
                  ASSERT_EQ(list->GetCount(), 3);
                  const char* texts[] = {"Reorder Staves", "Group Staves", "Transpose Staff"};
                  for (int i = 0; i < 3; ++i) {
                      std::string text;
                      list->GetText(i, text);
                      EXPECT_EQ(text, texts[i]);
                      EXPECT_EQ(list->GetItemData(i), static_cast<DWORD_PTR>(i));
                  }
                  EXPECT_EQ(list->GetCurSel(), 0);
                  CWnd* place = dlg.GetDlgItem(IDC_CHANGESTAFF_PLACE);
                  EXPECT_FALSE(place->IsWindowVisible());

                  CStaffPage* reorder = dlg.GetPage(CChangeStaffDlg::PAGE_REORDER);
                  ASSERT_NE(reorder, nullptr);
                  EXPECT_TRUE(reorder->IsWindowVisible());
                  EXPECT_EQ(dlg.GetPage(CChangeStaffDlg::PAGE_GROUP), nullptr);
                  EXPECT_EQ(dlg.GetPage(CChangeStaffDlg::PAGE_TRANSPOSE), nullptr);
                  CRect placeRect, pageRect;
                  place->GetWindowRect(&placeRect);
                  reorder->GetWindowRect(&pageRect);
                  EXPECT_EQ(pageRect, placeRect);
                  EXPECT_EQ(reorder->SendMessage(WM_STAFFPAGE_MOUSEACTIVATE), STAFFPAGE_NOACTIVATE);

                  CDialogScript::Choose(dlg, IDC_CHANGESTAFF_LIST, 2);
                  CStaffPage* transpose = dlg.GetPage(CChangeStaffDlg::PAGE_TRANSPOSE);
                  ASSERT_NE(transpose, nullptr);
                  EXPECT_TRUE(transpose->IsWindowVisible());
                  EXPECT_FALSE(reorder->IsWindowVisible());
                  EXPECT_EQ(dlg.GetShownPage(), CChangeStaffDlg::PAGE_TRANSPOSE);

                  dlg.ShowPage(CChangeStaffDlg::PAGE_REORDER);   // kept, shown again
                  EXPECT_EQ(dlg.GetPage(CChangeStaffDlg::PAGE_REORDER), reorder);
                  EXPECT_EQ(list->GetCurSel(), 0);
                  CDialogScript::Click(dlg, IDCANCEL);
              }),
              IDCANCEL);
    EXPECT_TRUE(edits.edits.empty());
}

TEST_F(ChangeStaff, TheArrowsCarryTheirPicturesAndMovesStopAtTheEnds) {
    const std::vector<ECStaff*> staves = Staves();
    Run([&](CChangeStaffDlg& dlg) {
        auto* page = DYNAMIC_DOWNCAST(CReorderStavesPage, dlg.GetPage(CChangeStaffDlg::PAGE_REORDER));
        ASSERT_NE(page, nullptr);
        for (int id : {IDC_REORDER_UP, IDC_REORDER_DOWN}) {
            auto* arrow = DYNAMIC_DOWNCAST(MCButton, page->GetDlgItem(id));
            ASSERT_NE(arrow, nullptr) << id;
            EXPECT_EQ(arrow->GetBitmapCount(), 2) << id;
            EXPECT_EQ(arrow->GetTransparentColor(), 0xFF0000u) << id;
            EXPECT_EQ(arrow->GetButtonMode(), 12) << id;
        }
        MCTrackList& list = page->GetList();
        const std::vector<ECBase*> order(staves.begin(), staves.end());
        ASSERT_EQ(Entries(list), order);
        list.SetCurSel(0);
        Press(*page, IDC_REORDER_UP);
        EXPECT_EQ(Entries(list), order);
        list.SetCurSel(2);
        Press(*page, IDC_REORDER_DOWN);
        EXPECT_EQ(Entries(list), order);
        EXPECT_EQ(list.GetCurSel(), 2);
        list.SetCurSel(-1);
        Press(*page, IDC_REORDER_DOWN);
        EXPECT_EQ(Entries(list), order);

        list.SetCurSel(0);
        Press(*page, IDC_REORDER_DOWN);
        EXPECT_EQ(Entries(list), (std::vector<ECBase*>{staves[1], staves[0], staves[2]}));
        EXPECT_EQ(list.GetCurSel(), 1);
        Press(*page, IDC_REORDER_RESET);
        EXPECT_EQ(Entries(list), order);
        EXPECT_EQ(list.GetCurSel(), 0);
        CDialogScript::Click(dlg, IDCANCEL);
    });
    EXPECT_TRUE(edits.edits.empty());
}

TEST_F(ChangeStaff, ReorderedStavesTakeTheirRowsAsTracks) {
    const std::vector<ECStaff*> staves = Staves();
    doc->SetModifiedFlag(FALSE);
    EXPECT_EQ(Run([&](CChangeStaffDlg& dlg) {
                  auto* page = DYNAMIC_DOWNCAST(CReorderStavesPage, dlg.GetPage(CChangeStaffDlg::PAGE_REORDER));
                  page->GetList().SetCurSel(2);
                  Press(*page, IDC_REORDER_UP);
                  Press(*page, IDC_REORDER_UP);
                  EXPECT_EQ(Entries(page->GetList()), (std::vector<ECBase*>{staves[2], staves[0], staves[1]}));
                  CDialogScript::Click(dlg, IDOK);
              }),
              IDOK);
    EXPECT_EQ(staves[2]->GetVoiceTrack()->GetTrack(), 1);
    EXPECT_EQ(staves[0]->GetVoiceTrack()->GetTrack(), 2);
    EXPECT_EQ(staves[1]->GetVoiceTrack()->GetTrack(), 3);
    EXPECT_EQ(Staves(), (std::vector<ECStaff*>{staves[2], staves[0], staves[1]}));
    ASSERT_EQ(edits.edits.size(), 1u);
    ASSERT_EQ(edits.edits[0].size(), 1u);
    EXPECT_EQ(edits.edits[0][0].event, conductor);
    EXPECT_EQ(edits.edits[0][0].kind, 107);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_TRUE(commands.seen.empty());
}

TEST_F(ChangeStaff, GroupingStavesOneAndThreeWithABraceSpansTheThree) {
    doc->SetModifiedFlag(FALSE);
    Run([](CChangeStaffDlg& dlg) {
        CDialogScript::Choose(dlg, IDC_CHANGESTAFF_LIST, CChangeStaffDlg::PAGE_GROUP);
        auto* page = DYNAMIC_DOWNCAST(CGroupStavesPage, dlg.GetPage(CChangeStaffDlg::PAGE_GROUP));
        ASSERT_NE(page, nullptr);
        page->GetList().SetCheck(0, 1);
        page->GetList().SetCheck(2, 1);
        CDialogScript::Click(*page, IDC_GROUP_BRACE);
        CDialogScript::Click(dlg, IDC_CHANGESTAFF_APPLY);
        CDialogScript::Click(dlg, IDCANCEL);   // what Apply did stays
    });
    const MCGroup::GroupTable& groups = ConductorStaff()->GetGroup()->GetPrimaryGroup();
    std::vector<std::tuple<int, int, int>> inUse;
    for (const auto& group : groups)
        if (group.IsInUse())
            inUse.emplace_back(group.GetFirst(), group.GetLast(), group.GetKind());
    EXPECT_EQ(inUse, (std::vector<std::tuple<int, int, int>>{{1, 3, 1}}));
    ASSERT_EQ(edits.edits.size(), 1u);
    ASSERT_EQ(edits.edits[0].size(), 1u);
    EXPECT_EQ(edits.edits[0][0].event, ConductorStaff());
    EXPECT_EQ(edits.edits[0][0].kind, -1);
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(ChangeStaff, OnlyTheShownPageIsAppliedAndNothingCheckedGroupsNothing) {
    // The group page visited and filled, then left for the reorder page:
    // OK applies the reorder page alone.
    Run([](CChangeStaffDlg& dlg) {
        CDialogScript::Choose(dlg, IDC_CHANGESTAFF_LIST, CChangeStaffDlg::PAGE_GROUP);
        auto* page = DYNAMIC_DOWNCAST(CGroupStavesPage, dlg.GetPage(CChangeStaffDlg::PAGE_GROUP));
        CDialogScript::Click(*page, IDC_GROUP_ALL);
        CDialogScript::Choose(dlg, IDC_CHANGESTAFF_LIST, CChangeStaffDlg::PAGE_REORDER);
        CDialogScript::Click(dlg, IDOK);
    });
    ASSERT_EQ(edits.edits.size(), 1u);
    EXPECT_EQ(edits.edits[0][0].kind, 107);

    edits.edits.clear();
    doc->SetModifiedFlag(FALSE);
    const MCGroup::GroupTable before = ConductorStaff()->GetGroup()->GetPrimaryGroup();
    EXPECT_EQ(Run([](CChangeStaffDlg& dlg) {
                  CDialogScript::Choose(dlg, IDC_CHANGESTAFF_LIST, CChangeStaffDlg::PAGE_GROUP);
                  auto* page = DYNAMIC_DOWNCAST(CGroupStavesPage, dlg.GetPage(CChangeStaffDlg::PAGE_GROUP));
                  CDialogScript::Click(*page, IDC_GROUP_ALL);
                  CDialogScript::Click(*page, IDC_GROUP_NONE);
                  CDialogScript::Click(dlg, IDOK);
              }),
              IDOK);
    EXPECT_TRUE(edits.edits.empty());
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(ConductorStaff()->GetGroup()->GetPrimaryGroup(), before);
}

}  // namespace
