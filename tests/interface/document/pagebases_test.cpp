// The page bases in their sheets: an inspector page writing its controls into
// every event as one edit on Apply, reverting on Cancel and initialising once
// per window; preference pages saved on OK only when visited; and the tips
// both give their controls.
#include "interface/document/pagebases.h"

#include "interface/document/pluginrecords.h"
#include "model/editstates.h"
#include "model/notes.h"
#include "model/performance.h"
#include "platform/core/resources.h"
#include "platform/ui/ddx.h"
#include "platform/ui/dialog_script.h"
#include "platform/ui/tooltip.h"
#include "tests/interface/document/doc_support.h"
#include "tests/interface/document/page_support.h"

#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using enum DialogControlKind;

constexpr UINT IDD_TEST_PAGE = 21750;
constexpr int IDC_VALUE = 21711;   // its string has a prompt's second line
constexpr int IDC_LONG = 21712;    // its string has 100 characters

#define TEN "0123456789"
STRING_TABLE({IDC_VALUE, "Velocity\nHow hard the notes are struck"},
             {IDC_LONG, TEN TEN TEN TEN TEN TEN TEN TEN TEN TEN});
#undef TEN

const DialogTemplate kPageTemplate = {"Notes", {
    {IDC_VALUE, Edit, "", {40, 8, 40, 12}},
    {IDC_LONG, Edit, "", {40, 26, 40, 12}},
    {0, Static, "Label", {8, 44, 40, 10}},
}, {160, 80}};
DIALOG_RESOURCE(IDD_TEST_PAGE, kPageTemplate);

// An inspector page showing one value of its events (held by the test, as a
// page would read it from the events), noting what the base asks of it.
class CValuePage : public page_support::CRecordingPage {
public:
    CValuePage() : CRecordingPage(IDD_TEST_PAGE, IDC_VALUE) {}

    int m_nSource = 40;                      // what the events hold
    int m_nInits = 0;

    BOOL InitPage() override {
        ++m_nInits;
        m_nValue = m_nSource;
        return TRUE;
    }
    void UpdatePage() override { m_nValue = m_nSource; }
};

// A document with three notes and a list of them, recording each edit state
// (1200) applied to its performance by the events it lists.
class InspectorPageTest : public ::testing::Test, public doc_support::DocumentParts, public page_support::EditLog {
protected:
    void SetUp() override {
        NewPiece();
        for (float time : {0.0f, 1.0f, 2.0f}) {
            auto* note = new ECNote;
            MCTime at(time);
            note->SetTime(&at);
            doc->GetBaseEvent()->AddChild(note, 1);
            events.AddEvent(note, 0);
            notes.push_back(note);
        }
        doc->GetBaseEvent()->AddStateHandler(&EditLog::OnState, static_cast<EditLog*>(this));
        page.SetDocument(doc.get());
        page.SetEventList(&events);
        sheet.AddPage(&page);
    }
    void TearDown() override {
        doc->GetBaseEvent()->RemoveStateHandler(&EditLog::OnState, static_cast<EditLog*>(this));
    }

    MCEventList events;
    std::vector<ECBase*> notes;
    CValuePage page;
    CPropertySheet sheet{"Inspector"};
};

// The tip shown for a control of a window, as the pointer resting on it asks.
QString TipOver(CWnd& wnd, int nID) {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == "qtooltip_label")
            window->hide();
    QToolTip::hideText();
    CWnd* control = nID ? wnd.GetDlgItem(nID) : nullptr;
    QPoint point(2, 2);
    if (control)
        point = control->GetWidget()->geometry().center();
    else   // the label of id 0
        for (QWidget* child : wnd.GetWidget()->findChildren<QWidget*>())
            if (CWnd* childWnd = CWnd::FromWidget(child); childWnd && childWnd->GetDlgCtrlID() == 0)
                point = child->geometry().center();
    QHelpEvent event(QEvent::ToolTip, point, wnd.GetWidget()->mapToGlobal(point));
    QApplication::sendEvent(wnd.GetWidget(), &event);
    const QString text = QToolTip::isVisible() ? QToolTip::text() : QString();
    QToolTip::hideText();
    return text;
}

}  // namespace

TEST_F(InspectorPageTest, ApplyWritesEveryEventInListOrderAsOneEdit) {
    CDialogScript script;
    script.Queue(RUNTIME_CLASS(CPropertySheet), [&](CWnd&) {
        CDialogScript::SetText(page, IDC_VALUE, "64");
        page.SetModifiedFlag(true);
        EXPECT_TRUE(sheet.GetDlgItem(ID_APPLY_NOW)->IsWindowEnabled());
        CDialogScript::Click(sheet, ID_APPLY_NOW);

        EXPECT_EQ(page.m_nValue, 64);   // read back before the events were written
        EXPECT_EQ(page.m_updated, notes);
        ASSERT_EQ(page.m_edits.size(), 3u);
        EXPECT_EQ(page.m_edits[0], page.m_edits[2]);   // one edit for all
        EXPECT_EQ(edits, std::vector<std::vector<ECBase*>>{notes});
        EXPECT_FALSE(page.IsModified());
        EXPECT_FALSE(sheet.GetDlgItem(ID_APPLY_NOW)->IsWindowEnabled());
        CDialogScript::Click(sheet, IDOK);   // nothing modified since: nothing sent
    });
    EXPECT_EQ(sheet.DoModal(), IDOK);
    EXPECT_EQ(edits.size(), 1u);
    EXPECT_EQ(page.m_updated.size(), 3u);
}

TEST_F(InspectorPageTest, ApplyWithoutChangesEventsOrDocumentWritesNothing) {
    const struct {
        bool modified, list, document;
        const char* name;
    } cases[] = {
        {false, true, true, "not modified"},
        {true, false, true, "no event list"},
        {true, true, false, "no document"},
    };
    for (const auto& c : cases) {
        page.SetEventList(c.list ? &events : nullptr);
        page.SetDocument(c.document ? doc.get() : nullptr);
        CDialogScript script;
        script.Queue(RUNTIME_CLASS(CPropertySheet), [&](CWnd&) {
            if (c.modified)
                page.SetModifiedFlag(true);
            CDialogScript::Click(sheet, IDOK);
        });
        EXPECT_EQ(sheet.DoModal(), IDOK) << c.name;
        EXPECT_TRUE(page.m_updated.empty()) << c.name;
        EXPECT_TRUE(edits.empty()) << c.name;
        EXPECT_FALSE(page.IsModified()) << c.name;
    }
}

TEST_F(InspectorPageTest, CancelRevertsTheControlsAndKeepsTheSheetOpen) {
    CDialogScript script;
    script.Queue(RUNTIME_CLASS(CPropertySheet), [&](CWnd&) {
        EXPECT_EQ(CDialogScript::GetText(page, IDC_VALUE), "40");
        CDialogScript::SetText(page, IDC_VALUE, "99");
        page.SetModifiedFlag(true);
        page.m_nSource = 50;   // the events changed meanwhile
        CDialogScript::Click(sheet, IDCANCEL);

        EXPECT_TRUE(sheet.IsWindowVisible());
        EXPECT_EQ(CDialogScript::GetText(page, IDC_VALUE), "50");
        EXPECT_FALSE(page.IsModified());
        EXPECT_FALSE(sheet.GetDlgItem(ID_APPLY_NOW)->IsWindowEnabled());
        CDialogScript::Click(sheet, IDOK);
    });
    EXPECT_EQ(sheet.DoModal(), IDOK);
    EXPECT_TRUE(edits.empty());   // the reverted change was never written
}

TEST_F(InspectorPageTest, EachWindowInitialisesThePageOnce) {
    for (int opening = 1; opening <= 2; ++opening) {
        CDialogScript script;
        script.Queue(RUNTIME_CLASS(CPropertySheet), [&](CWnd&) {
            page.UpdateData(FALSE);
            page.UpdateData(TRUE);
            CDialogScript::Click(sheet, IDOK);
        });
        EXPECT_EQ(sheet.DoModal(), IDOK);
        EXPECT_EQ(page.m_nInits, opening);   // a new window after the last went
    }
}

TEST_F(InspectorPageTest, HelpRequestsAreTakenWithNothingShown) {
    CDialogScript script;
    script.Queue(RUNTIME_CLASS(CPropertySheet), [&](CWnd&) {
        EXPECT_EQ(page.SendMessage(WM_COMMANDHELP), 1);
        EXPECT_EQ(page.SendMessage(WM_HELPHITTEST, 0, MAKELONG(5, 5)), 0x20000);
    });
    sheet.DoModal();
}

namespace {

// A preference page noting when it saves.
class CSavingPage : public MCPrefsPage {
public:
    CSavingPage(int index, std::vector<int>& saved) : MCPrefsPage(IDD_TEST_PAGE), m_nIndex(index), m_saved(saved) {}
    void SavePrefs() override { m_saved.push_back(m_nIndex); }

private:
    int m_nIndex;
    std::vector<int>& m_saved;
};

}  // namespace

TEST(PrefsPage, OkSavesTheVisitedPagesAndCancelNone) {
    const struct {
        const char* name;
        int visit;        // the page shown after the first
        int button;
        std::vector<int> saved;
    } cases[] = {
        {"OK", 1, IDOK, {0, 1}},
        {"Cancel", 2, IDCANCEL, {}},
    };
    for (const auto& c : cases) {
        std::vector<int> saved;
        CSavingPage pages[3] = {{0, saved}, {1, saved}, {2, saved}};
        CPropertySheet sheet("Preferences");
        for (CSavingPage& page : pages)
            sheet.AddPage(&page);
        CDialogScript script;
        script.Queue(RUNTIME_CLASS(CPropertySheet), [&](CWnd&) {
            ASSERT_TRUE(sheet.SetActivePage(c.visit));
            CDialogScript::Click(sheet, c.button);
        });
        EXPECT_EQ(sheet.DoModal(), c.button) << c.name;
        EXPECT_EQ(saved, c.saved) << c.name;
    }
}

TEST(PageBases, ControlsAreTippedWithTheStringsOfTheirIds) {
    const std::string hundred = LoadString(IDC_LONG);
    ASSERT_EQ(hundred.size(), 100u);
    const struct {
        bool prefs;
        int nID;
        std::string tip;
    } cases[] = {
        {false, IDC_VALUE, "Velocity\nHow hard the notes are struck"},   // copied whole
        {false, IDC_LONG, hundred.substr(0, 79)},
        {false, 0, ""},
        {true, IDC_VALUE, "Velocity"},   // up to the line feed
        {true, IDC_LONG, hundred.substr(0, 79)},
        {true, 0, ""},
    };
    std::vector<int> saved;
    CSavingPage prefsPage(0, saved);
    CValuePage inspectorPage;
    for (CPropertyPage* page : {static_cast<CPropertyPage*>(&inspectorPage), static_cast<CPropertyPage*>(&prefsPage)}) {
        CPropertySheet sheet("Tips");
        sheet.AddPage(page);
        CDialogScript script;
        script.Queue(RUNTIME_CLASS(CPropertySheet), [&](CWnd&) {
            for (const auto& c : cases) {
                if (c.prefs != (page == &prefsPage))
                    continue;
                EXPECT_EQ(TipOver(*page, c.nID).toStdString(), c.tip) << c.prefs << " " << c.nID;
            }
        });
        sheet.DoModal();
    }
}

TEST(PageBases, RecordsMakeTheBasesByTheirClasses) {
    constexpr uint16_t kType = 4801;   // an event type no other test uses
    CPluginInspector inspector(kType, RUNTIME_CLASS(MCInspectorPage), nullptr, 0, 5);
    CPropertyPage* page = inspector.GetInspectorPage();
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(page->IsKindOf(RUNTIME_CLASS(MCInspectorPage)));
    auto* inspectorPage = static_cast<MCInspectorPage*>(page);
    EXPECT_FALSE(inspectorPage->IsModified());
    EXPECT_EQ(inspectorPage->GetDocument(), nullptr);
    EXPECT_EQ(inspectorPage->GetEventList(), nullptr);

    std::unique_ptr<CPropertyPage> prefsPage = CPluginPrefs(RUNTIME_CLASS(MCPrefsPage), PREFS_GENERAL, 0).GetPrefsPage();
    ASSERT_NE(prefsPage, nullptr);
    EXPECT_TRUE(prefsPage->IsKindOf(RUNTIME_CLASS(MCPrefsPage)));
}

namespace {

// The window a page sits in, taking the keys it is told to.
class CKeyHost : public CWnd {
public:
    bool takes = false;
    int offered = 0;
    BOOL PreTranslateMessage(MSG*) override {
        ++offered;
        return takes ? TRUE : FALSE;
    }
};

}  // namespace

TEST_F(InspectorPageTest, AFormFollowsItsPageAndOffersKeysToThePagesSheetFirst) {
    CKeyHost host;
    ASSERT_TRUE(host.Create(nullptr, "Host", WS_POPUP | WS_VISIBLE, CRect(0, 0, 400, 300), nullptr, 0));
    ASSERT_TRUE(page.Create(IDD_TEST_PAGE, &host));
    auto* formObject = new MCInspectorForm(IDD_TEST_PAGE, &page);   // a view: goes with its window
    MCInspectorForm& form = *formObject;
    ASSERT_TRUE(form.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), &host, 21760));

    EXPECT_TRUE(form.InitPage());
    EXPECT_EQ(form.GetDocument(), doc.get());
    EXPECT_EQ(form.GetEventList(), &events);
    MCEventList other;
    page.SetEventList(&other);
    form.UpdatePage();
    EXPECT_EQ(form.GetEventList(), &other);

    MSG key{};
    key.hwnd = form.GetSafeHwnd();
    key.message = WM_KEYDOWN;
    key.wParam = 'A';
    for (bool takes : {true, false}) {
        host.takes = takes;
        host.offered = 0;
        EXPECT_EQ(form.PreTranslateMessage(&key) != FALSE, takes);
        EXPECT_EQ(host.offered, 1);
    }
    EXPECT_EQ(form.SendMessage(WM_COMMANDHELP), 1);
    EXPECT_EQ(form.SendMessage(WM_HELPHITTEST), 0x20000);
    EXPECT_EQ(TipOver(form, IDC_LONG).size(), 79);

    MCInspectorForm alone(IDD_TEST_PAGE, nullptr);   // no page: nothing to copy
    EXPECT_TRUE(alone.InitPage());
    EXPECT_EQ(alone.GetDocument(), nullptr);
    EXPECT_EQ(alone.GetEventList(), nullptr);
    form.DestroyWindow();
    page.DestroyWindow();
}
