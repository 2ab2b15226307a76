// Property sheets: pages made when first shown, OK and Cancel reaching only the
// pages made, a page that refuses to be left, and Apply with SetModified.
#include "platform/ui/ddx.h"
#include "platform/ui/dialog_script.h"
#include "platform/ui/propsheet.h"
#include "platform/ui/prompt_script.h"

#include <QTabWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using enum DialogControlKind;

constexpr UINT IDD_PAGE_FIRST = 3101;   // three pages: 3101, 3102, 3103
constexpr int IDC_VALUE = 1000;

const DialogTemplate kPageTemplates[] = {
    {"Notes", {{IDC_VALUE, Edit, "", {8, 8, 40, 12}}}, {160, 80}},
    {"Rests", {{IDC_VALUE, Edit, "", {8, 8, 40, 12}}}, {160, 100}},
    {"Chords", {{IDC_VALUE, Edit, "", {8, 8, 40, 12}}}, {200, 80}},
};
DIALOG_RESOURCE(IDD_PAGE_FIRST, kPageTemplates[0]);
DIALOG_RESOURCE(IDD_PAGE_FIRST + 1, kPageTemplates[1]);
DIALOG_RESOURCE(IDD_PAGE_FIRST + 2, kPageTemplates[2]);

// A page noting what the sheet asks of it, with a value from 1 to 9.
class CNotingPage : public CPropertyPage {
public:
    CNotingPage(int index, std::vector<std::string>& notes)
        : CPropertyPage(IDD_PAGE_FIRST + static_cast<UINT>(index)), m_name(std::to_string(index)), m_notes(notes) {}

    int m_nValue = 1;

    BOOL OnInitDialog() override {
        m_notes.push_back("init " + m_name);
        return CPropertyPage::OnInitDialog();
    }
    void OnOK() override { m_notes.push_back("ok " + m_name); }
    void OnCancel() override { m_notes.push_back("cancel " + m_name); }

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Text(pDX, IDC_VALUE, m_nValue);
        DDV_MinMaxInt(pDX, m_nValue, 1, 9);
    }

private:
    std::string m_name;
    std::vector<std::string>& m_notes;
};

struct ThreePages {
    std::vector<std::string> notes;
    CNotingPage pages[3] = {{0, notes}, {1, notes}, {2, notes}};
    CPropertySheet sheet{"Properties"};

    ThreePages() {
        for (CNotingPage& page : pages)
            sheet.AddPage(&page);
    }
};

}  // namespace

TEST(PropertySheet, OkReachesOnlyThePagesVisited) {
    ThreePages three;
    CDialogScript script;
    script.Queue(RUNTIME_CLASS(CPropertySheet), [&](CWnd&) {
        EXPECT_EQ(three.notes, std::vector<std::string>{"init 0"});   // the others not made yet
        EXPECT_EQ(three.pages[2].GetSafeHwnd(), nullptr);
        ASSERT_TRUE(three.sheet.SetActivePage(1));
        EXPECT_EQ(three.sheet.GetActivePage(), &three.pages[1]);
        CDialogScript::SetText(three.pages[1], IDC_VALUE, "7");
        CDialogScript::Click(three.sheet, IDOK);
    });
    EXPECT_EQ(three.sheet.DoModal(), IDOK);
    EXPECT_EQ(three.notes, (std::vector<std::string>{"init 0", "init 1", "ok 0", "ok 1"}));
    EXPECT_EQ(three.pages[1].m_nValue, 7);
    EXPECT_EQ(three.pages[0].GetSafeHwnd(), nullptr);   // the pages went with the sheet
}

TEST(PropertySheet, CancelReachesThePagesMadeAndUnscriptedEndsWithCancel) {
    ThreePages three;
    three.sheet.SetActivePage(2);   // before the sheet shows: its first page
    CDialogScript script;
    EXPECT_EQ(three.sheet.DoModal(), IDCANCEL);
    EXPECT_EQ(three.notes, (std::vector<std::string>{"init 2", "cancel 2"}));
}

TEST(PropertySheet, APageThatRefusesToBeLeftStaysShown) {
    CPromptScript prompts;
    ThreePages three;
    CDialogScript script;
    script.Queue(RUNTIME_CLASS(CPropertySheet), [&](CWnd&) {
        CDialogScript::SetText(three.pages[0], IDC_VALUE, "0");
        EXPECT_FALSE(three.sheet.SetActivePage(2));
        EXPECT_EQ(three.sheet.GetActiveIndex(), 0);
        EXPECT_EQ(prompts.GetLast().text, "Please enter an integer between 1 and 9.");
        EXPECT_EQ(three.pages[2].GetSafeHwnd(), nullptr);
        CDialogScript::Click(three.sheet, IDOK);   // refused again: the sheet stays
        EXPECT_TRUE(three.sheet.IsWindowVisible());
        CDialogScript::SetText(three.pages[0], IDC_VALUE, "4");
        CDialogScript::Click(three.sheet, IDOK);
    });
    EXPECT_EQ(three.sheet.DoModal(), IDOK);
    EXPECT_EQ(prompts.GetCount(), 2u);
    EXPECT_EQ(three.pages[0].m_nValue, 4);
}

TEST(PropertySheet, ApplyIsEnabledByAChangeAndAppliesThePagesMade) {
    ThreePages three;
    CDialogScript script;
    script.Queue(RUNTIME_CLASS(CPropertySheet), [&](CWnd&) {
        CWnd* apply = three.sheet.GetDlgItem(ID_APPLY_NOW);
        ASSERT_NE(apply, nullptr);
        EXPECT_FALSE(apply->IsWindowEnabled());
        three.pages[0].SetModified();
        EXPECT_TRUE(apply->IsWindowEnabled());
        CDialogScript::Click(three.sheet, ID_APPLY_NOW);
        EXPECT_EQ(three.notes, (std::vector<std::string>{"init 0", "ok 0"}));
        EXPECT_FALSE(apply->IsWindowEnabled());
        EXPECT_TRUE(three.sheet.IsWindowVisible());
    });
    EXPECT_EQ(three.sheet.DoModal(), IDCANCEL);
    EXPECT_EQ(three.notes, (std::vector<std::string>{"init 0", "ok 0", "cancel 0"}));
}

TEST(PropertySheet, TabsAreTitledByThePagesTemplates) {
    ThreePages three;
    CDialogScript script;
    script.Queue(RUNTIME_CLASS(CPropertySheet), [&](CWnd& sheet) {
        auto* tabs = sheet.GetWidget()->findChild<QTabWidget*>();
        ASSERT_NE(tabs, nullptr);
        ASSERT_EQ(tabs->count(), 3);
        EXPECT_EQ(tabs->tabText(0).toStdString(), "Notes");
        EXPECT_EQ(tabs->tabText(2).toStdString(), "Chords");
        EXPECT_EQ(three.sheet.GetWidget()->windowTitle().toStdString(), "Properties");
        tabs->setCurrentIndex(2);   // a click on the tab
        EXPECT_EQ(three.sheet.GetActivePage(), &three.pages[2]);
        EXPECT_EQ(three.pages[2].GetParent(), &three.sheet);
    });
    three.sheet.DoModal();
}
