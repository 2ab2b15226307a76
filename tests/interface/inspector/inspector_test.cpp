// The inspector window: which pages it shows for the active document's
// selection and in what order, how it refills and empties with the states it
// is told of, and its Apply and Cancel on the page shown.
// Before any Qt header: the model's headers name parameters "slots".
#include "tests/interface/document/doc_support.h"
#include "tests/interface/document/page_support.h"

#include "interface/inspector/inspector.h"

#include "interface/document/pagebases.h"
#include "interface/document/pluginrecords.h"
#include "model/editstates.h"
#include "model/eventtypes.h"
#include "model/notes.h"
#include "model/performance.h"
#include "platform/core/resources.h"
#include "platform/ui/dialog_script.h"
#include "platform/ui/frame.h"
#include "platform/ui/winthread.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT IDD_INSPECTED = 21850;
constexpr int IDC_INSPECTED_VALUE = 21851;
constexpr UINT IDS_NOTE_PAGE = 21852;
constexpr UINT IDS_SHARED_PAGE = 21853;

const DialogTemplate kInspectedTemplate = {"Page", {
    {IDC_INSPECTED_VALUE, DialogControlKind::Edit, "", {40, 8, 40, 12}},
}, {160, 60}};
DIALOG_RESOURCE(IDD_INSPECTED, kInspectedTemplate);
STRING_TABLE({IDS_NOTE_PAGE, "&Note"}, {IDS_SHARED_PAGE, "Shared"});

// A page showing its events' count as UpdatePage reads it.
class CCountPage : public page_support::CRecordingPage {
public:
    CCountPage() : CRecordingPage(IDD_INSPECTED, IDC_INSPECTED_VALUE) {}

    int m_nUpdates = 0;

    void UpdatePage() override {
        ++m_nUpdates;
        m_nValue = GetEventList() ? GetEventList()->GetCount() : -1;
    }
};

class CNoteTestPage : public CCountPage {
    DECLARE_DYNCREATE(CNoteTestPage)
};
IMPLEMENT_DYNCREATE(CNoteTestPage, MCInspectorPage)

class CSharedTestPage : public CCountPage {
    DECLARE_DYNCREATE(CSharedTestPage)
};
IMPLEMENT_DYNCREATE(CSharedTestPage, MCInspectorPage)

// A frame with an inspector; a piece of three notes and a rest, the document
// active; a page for notes (order 10) and a page for notes and rests (100),
// registered rest first so that order, not registration, decides. Every 1200
// applied to the piece is logged by the events it lists.
class Inspector : public ::testing::Test, public doc_support::DocumentParts, public page_support::EditLog {
protected:
    void SetUp() override {
        NewPiece();
        for (float time : {0.0f, 1.0f, 2.0f})
            notes.push_back(AddEvent(new ECNote, time));
        rest = AddEvent(new ECRest, 3.0f);
        doc->GetBaseEvent()->AddStateHandler(&EditLog::OnState, static_cast<EditLog*>(this));
        MCOpusDoc::SetActiveDoc(doc.get());
        CPluginInspector::AddPlugin(&sharedForRests);
        CPluginInspector::AddPlugin(&sharedForNotes);
        CPluginInspector::AddPlugin(&notePage);

        frame = new CFrameWnd;   // goes with its window
        ASSERT_TRUE(frame->Create(nullptr, "Main", WS_OVERLAPPEDWINDOW, CRect(100, 100, 900, 700)));
        inspector = new CPropertiesWnd(frame, nullptr);   // goes with its window
        ASSERT_NE(inspector->GetSafeHwnd(), nullptr);
        ShowControlBar(frame, inspector, TRUE, FALSE);
    }
    void TearDown() override {
        frame->DestroyWindow();   // the inspector, and its pages' windows, with it
        doc->GetBaseEvent()->RemoveStateHandler(&EditLog::OnState, static_cast<EditLog*>(this));
    }

    ECBase* AddEvent(ECBase* event, float time) {
        MCTime at(time);
        event->SetTime(&at);
        doc->GetBaseEvent()->AddChild(event, 1);
        return event;
    }
    void Select(const std::vector<ECBase*>& events) {
        SCSelection& selection = doc->GetSelection(0);
        selection.ClearSelection();
        for (ECBase* event : events)
            selection.AddToSelection(event);
        inspector->OnUpdate(STATE_SELECTION_REPLACE, &selection);
    }
    std::vector<std::string> Tabs() const {
        std::vector<std::string> titles;
        for (int i = 0; i < inspector->GetPageCount(); ++i)
            titles.push_back(inspector->GetPageTitle(i));
        return titles;
    }
    CCountPage* NotePage() { return static_cast<CCountPage*>(notePage.GetInspectorPage()); }
    CCountPage* SharedPage() { return static_cast<CCountPage*>(sharedForNotes.GetInspectorPage()); }

    std::vector<ECBase*> notes;
    ECBase* rest = nullptr;
    CPluginInspector notePage{ET_NOTE, RUNTIME_CLASS(CNoteTestPage), nullptr, IDS_NOTE_PAGE, 10};
    CPluginInspector sharedForNotes{ET_NOTE, RUNTIME_CLASS(CSharedTestPage), nullptr, IDS_SHARED_PAGE, 100};
    CPluginInspector sharedForRests{ET_REST, RUNTIME_CLASS(CSharedTestPage), nullptr, IDS_SHARED_PAGE, 100};
    CFrameWnd* frame = nullptr;
    CPropertiesWnd* inspector = nullptr;
};

}  // namespace

TEST_F(Inspector, ShowsThePagesOfEveryTypeSelectedInTheFirstTypesOrder) {
    EXPECT_EQ(InitInspector(), 1);
    std::string caption;
    inspector->GetWindowText(caption);
    EXPECT_EQ(caption, "Inspector");
    EXPECT_EQ(inspector->GetPageCount(), 0);   // nothing until told

    const struct {
        const char* name;
        std::vector<ECBase*> selected;
        std::vector<std::string> tabs;
    } cases[] = {
        {"notes", {notes[0], notes[1]}, {"Note", "Shared"}},
        {"notes and a rest", {notes[2], rest}, {"Shared"}},
        {"a rest", {rest}, {"Shared"}},
        {"all notes", notes, {"Note", "Shared"}},
        {"nothing", {}, {}},
    };
    for (const auto& c : cases) {
        Select(c.selected);
        EXPECT_EQ(Tabs(), c.tabs) << c.name;
        for (int i = 0; i < inspector->GetPageCount(); ++i) {
            auto* page = static_cast<CCountPage*>(inspector->GetPage(i));
            ASSERT_NE(page->GetSafeHwnd(), nullptr) << c.name;
            EXPECT_EQ(page->GetDocument(), doc.get()) << c.name;
            ASSERT_EQ(page->GetEventList(), &inspector->GetEventList()) << c.name;
            // Filled and loaded from the events.
            EXPECT_EQ(CDialogScript::GetText(*page, IDC_INSPECTED_VALUE), std::to_string(c.selected.size())) << c.name;
        }
    }
    // A notes' page shown for a mixed selection is the first type's own.
    Select({notes[0], rest});
    EXPECT_EQ(inspector->GetPage(0), SharedPage());
}

TEST_F(Inspector, RefillsOnEditsAndSelectionsAndEmptiesWhenTheFileCloses) {
    Select(notes);
    ASSERT_EQ(inspector->GetPageCount(), 2);
    const struct {
        long code;
        int pages;
    } cases[] = {
        {STATE_EVENTS_EDITED, 2}, {STATE_EDIT_DONE, 2}, {STATE_SELECTION_CLEAR, 2}, {STATE_SELECTION_ADD, 2},
        {STATE_SELECTION_REMOVE, 2}, {STATE_SELECTION_ACTIVATE, 2}, {STATE_FILE_CLOSED, 0},
    };
    for (const auto& c : cases) {
        Select(notes);
        const int updates = NotePage()->m_nUpdates;
        doc->GetSelection(0).RemoveFromSelection(notes[2]);   // changed since the last fill
        inspector->OnUpdate(c.code, nullptr);
        EXPECT_EQ(inspector->GetPageCount(), c.pages) << c.code;
        if (c.pages == 0) {
            EXPECT_EQ(NotePage()->GetSafeHwnd(), nullptr) << c.code;
            EXPECT_EQ(NotePage()->GetEventList(), nullptr) << c.code;
            EXPECT_TRUE(inspector->GetEventList().IsEmpty()) << c.code;
            continue;
        }
        EXPECT_EQ(NotePage()->m_nUpdates, updates + 1) << c.code;
        EXPECT_EQ(CDialogScript::GetText(*NotePage(), IDC_INSPECTED_VALUE), "2") << c.code;
    }

    // A state that is none of these changes nothing.
    Select(notes);
    inspector->OnUpdate(STATE_SELECTION_ACTIVATE + 1, nullptr);
    EXPECT_EQ(inspector->GetPageCount(), 2);
    // Without an active document: empty.
    MCOpusDoc::SetActiveDoc(nullptr);
    inspector->OnUpdate(STATE_SELECTION_REPLACE, nullptr);
    EXPECT_EQ(inspector->GetPageCount(), 0);
}

TEST_F(Inspector, ApplyWritesTheShownPagesEventsAsOneEditAndCancelRevertsIt) {
    Select(notes);
    CCountPage* page = NotePage();
    ASSERT_EQ(inspector->GetActivePage(), page);
    CWnd* apply = inspector->GetDlgItem(ID_APPLY_NOW);
    RunIdleUpdates();
    EXPECT_FALSE(apply->IsWindowEnabled());   // nothing changed yet

    CDialogScript::SetText(*page, IDC_INSPECTED_VALUE, "7");
    page->SetModifiedFlag(true);
    RunIdleUpdates();
    EXPECT_TRUE(apply->IsWindowEnabled());
    CDialogScript::Click(*inspector, ID_APPLY_NOW);
    EXPECT_EQ(page->m_nValue, 7);
    EXPECT_EQ(page->m_updated, notes);
    EXPECT_EQ(edits, std::vector<std::vector<ECBase*>>{notes});
    EXPECT_TRUE(SharedPage()->m_updated.empty());   // not the page shown
    RunIdleUpdates();
    EXPECT_FALSE(apply->IsWindowEnabled());

    // Cancel: the page reverts to its events and stays.
    CDialogScript::SetText(*page, IDC_INSPECTED_VALUE, "9");
    page->SetModifiedFlag(true);
    CDialogScript::Click(*inspector, IDCANCEL);
    EXPECT_EQ(CDialogScript::GetText(*page, IDC_INSPECTED_VALUE), "3");
    EXPECT_FALSE(page->IsModified());
    EXPECT_EQ(inspector->GetPageCount(), 2);
    EXPECT_EQ(edits.size(), 1u);
}
