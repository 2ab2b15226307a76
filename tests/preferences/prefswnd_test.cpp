// The preference sheet: the pages of its category, its title, the page it
// remembers per category, and the state 1600 that OK and Apply send.
#include "preferences/prefswnd.h"

#include "interface/document/pluginrecords.h"
#include "model/appstates.h"
#include "model/preferences.h"
#include "model/states.h"
#include "platform/core/window.h"
#include "platform/ui/dialog_script.h"
#include "platform/ui/dlgtemplate.h"
#include "platform/ui/frame.h"

#include <QCoreApplication>
#include <QWidget>

#include <gtest/gtest.h>

constexpr UINT IDD_TEST_PREFS_PAGE = 29901;

// A page that a test marks changed, so Apply can be pressed.
class CTestPrefsPage : public CPropertyPage {
    DECLARE_DYNCREATE(CTestPrefsPage)
public:
    CTestPrefsPage() : CPropertyPage(IDD_TEST_PREFS_PAGE) {}
};
IMPLEMENT_DYNCREATE(CTestPrefsPage, CPropertyPage)

namespace {

const DialogTemplate kPageTemplate = {"Page", {
    {1001, DialogControlKind::Check, "&Something", {8, 8, 80, 10}},
}, {160, 80}};
DIALOG_RESOURCE(IDD_TEST_PREFS_PAGE, kPageTemplate);

// The main window, where a state applied with no performance arrives: keeps its code.
class CStateFrame : public CFrameWnd {
public:
    std::vector<unsigned> states;

protected:
    afx_msg LRESULT OnStateManager(WPARAM, LPARAM lParam) {
        states.push_back(reinterpret_cast<const SCBase*>(lParam)->GetCode());
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CStateFrame, CFrameWnd)
    ON_MESSAGE(WM_MCSTATEMGR, &CStateFrame::OnStateManager)
END_MESSAGE_MAP()

class PrefsSheet : public ::testing::Test {
protected:
    void SetUp() override {
        // Two general pages and one device page; records live for the process.
        static CPluginPrefs general(RUNTIME_CLASS(CTestPrefsPage), PREFS_GENERAL, 0);
        static CPluginPrefs workspace(RUNTIME_CLASS(CTestPrefsPage), PREFS_GENERAL, 10);
        static CPluginPrefs devices(RUNTIME_CLASS(CTestPrefsPage), PREFS_DEVICES, 20);
        static const bool added = [] {
            for (CPluginPrefs* record : {&devices, &general, &workspace})
                CPluginPrefs::AddPlugin(record);
            return true;
        }();
        (void)added;
        frame = new CStateFrame;   // goes with its window
        ASSERT_TRUE(frame->Create(nullptr, "Main", WS_OVERLAPPEDWINDOW, CRect(0, 0, 400, 300)));
        SetMainWindow(frame->m_hWnd);
    }
    void TearDown() override {
        SetMainWindow(nullptr);
        frame->DestroyWindow();
    }
    // The states delivered so far.
    const std::vector<unsigned>& Delivered() {
        QCoreApplication::processEvents();
        return frame->states;
    }

    CStateFrame* frame = nullptr;
};

TEST_F(PrefsSheet, ShowsItsCategorysPagesUnderItsTitle) {
    const struct { int category; int pages; const char* title; } cases[] = {
        {PREFS_GENERAL, 2, "General Preferences"},
        {PREFS_SEQUENCER, 0, "Sequencer Preferences"},
        {PREFS_DEVICES, 1, "Device Preferences"},
        {PREFS_MUSICSCORE, 0, "MusicScore Preferences"},
    };
    for (const auto& c : cases) {
        CPrefsWnd sheet(c.category);
        EXPECT_EQ(sheet.GetPageCount(), c.pages) << c.title;
        EXPECT_EQ(CPrefsWnd::GetCategoryTitle(c.category), c.title);
    }
    CDialogScript dialogs;
    std::string caption;
    dialogs.Queue(RUNTIME_CLASS(CPrefsWnd), [&](CWnd& sheet) { sheet.GetWindowText(caption); });
    CPrefsWnd(PREFS_GENERAL).DoModal();
    EXPECT_EQ(caption, "General Preferences");
}

TEST_F(PrefsSheet, EachCategoryRemembersItsPageEvenAfterCancel) {
    CDialogScript dialogs;
    dialogs.Queue(RUNTIME_CLASS(CPrefsWnd), [](CWnd& sheet) {
        static_cast<CPrefsWnd&>(sheet).SetActivePage(1);
    });   // then Cancel
    CPrefsWnd(PREFS_GENERAL).DoModal();
    EXPECT_EQ(LoadIntPreference("Settings", "General Preferences", -1), 1);
    EXPECT_EQ(LoadIntPreference("Settings", "Device Preferences", -1), -1);

    int opened = -1;
    dialogs.Queue(RUNTIME_CLASS(CPrefsWnd), [&](CWnd& sheet) {
        opened = static_cast<CPrefsWnd&>(sheet).GetActiveIndex();
    });
    CPrefsWnd(PREFS_GENERAL).DoModal();
    EXPECT_EQ(opened, 1);
    dialogs.Queue(RUNTIME_CLASS(CPrefsWnd), [&](CWnd& sheet) {
        opened = static_cast<CPrefsWnd&>(sheet).GetActiveIndex();
    });
    CPrefsWnd(PREFS_DEVICES).DoModal();
    EXPECT_EQ(opened, 0);
    EXPECT_EQ(LoadIntPreference("Settings", "Device Preferences", -1), 0);
}

TEST_F(PrefsSheet, OKAndApplyTellEveryWindowCancelNothing) {
    CDialogScript dialogs;
    // Cancel: nothing.
    CPrefsWnd(PREFS_GENERAL).DoModal();
    EXPECT_TRUE(Delivered().empty());

    // Apply: one state, the sheet stays; then Cancel adds none.
    bool openAfterApply = false;
    dialogs.Queue(RUNTIME_CLASS(CPrefsWnd), [&](CWnd& sheet) {
        auto& prefs = static_cast<CPrefsWnd&>(sheet);
        prefs.GetPage(0)->SetModified(TRUE);
        CDialogScript::Click(sheet, ID_APPLY_NOW);
        openAfterApply = prefs.GetWidget()->isVisible();
    });
    EXPECT_EQ(CPrefsWnd(PREFS_GENERAL).DoModal(), IDCANCEL);
    EXPECT_TRUE(openAfterApply);
    EXPECT_EQ(Delivered(), std::vector<unsigned>{STATE_PREFS_CHANGED});

    // OK: one more, and the sheet closes.
    dialogs.Queue(RUNTIME_CLASS(CPrefsWnd), [](CWnd& sheet) { CDialogScript::Click(sheet, IDOK); });
    EXPECT_EQ(CPrefsWnd(PREFS_GENERAL).DoModal(), IDOK);
    EXPECT_EQ(Delivered(), (std::vector<unsigned>{STATE_PREFS_CHANGED, STATE_PREFS_CHANGED}));
}

TEST_F(PrefsSheet, TheContextMenuChoosesAPage) {
    CDialogScript dialogs;
    int active = -1;
    dialogs.Queue(RUNTIME_CLASS(CPrefsWnd), [&](CWnd& sheet) {
        dialogs.QueueMenuChoice(ID_PREFS_PAGE_FIRST + 1);
        sheet.SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(sheet.GetSafeHwnd()), MAKELPARAM(10, 10));
        QCoreApplication::processEvents();   // the choice is posted
        active = static_cast<CPrefsWnd&>(sheet).GetActiveIndex();
    });
    CPrefsWnd(PREFS_GENERAL).DoModal();
    EXPECT_EQ(active, 1);
    EXPECT_EQ(dialogs.GetPendingMenuChoices(), 0u);
}

TEST(InitPrefs, SetsTheSelectionColourFromTheProfile) {
    const struct { int stored; uint32_t colour; } cases[] = {
        {-1, 65280},   // nothing stored: green
        {0x123456, 0x123456},
    };
    for (const auto& c : cases) {
        if (c.stored >= 0)
            SaveIntPreference("Settings\\Color", "Selection", c.stored);
        SCSelection::SetColor(0);
        EXPECT_EQ(InitPrefs(), 0);   // no page of this library is registered yet
        EXPECT_EQ(SCSelection::GetColor(), c.colour);
    }
}

}  // namespace
