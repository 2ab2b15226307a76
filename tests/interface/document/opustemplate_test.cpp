// The program's document template and its child frames: documents open
// hidden until a view is asked for, frame activation keeps the active
// document, closing hides a frame while another shows the document, template
// files open untitled on the default play device, frames are titled by their
// view records, and the first activation builds the View and Preferences menus.
#include "interface/document/opusdoc.h"
#include "interface/document/opustemplate.h"
#include "interface/document/opuswnd.h"
#include "interface/document/pluginrecords.h"
#include "model/eventtypes.h"
#include "model/preferences.h"
#include "platform/core/resources.h"
#include "platform/ui/app.h"
#include "platform/ui/menu.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/uiresources.h"
#include "platform/ui/winthread.h"
#include "sequencer/midifilters.h"
#include "sequencer/staffperformer.h"
#include "tests/interface/document/doc_support.h"
#include "tests/platform/file_support.h"
#include "tests/support/smf_support.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// View classes, outside the unnamed namespace: the class registry knows them by name.
// A view that counts the notifications its document passes on, by code.
class OpusTestInfoView : public CView {
    DECLARE_DYNCREATE(OpusTestInfoView)
public:
    void OnUpdate(CView*, long hint, CObject*) override { hints.push_back(hint); }
    long Count(long hint) const { return std::count(hints.begin(), hints.end(), hint); }
    std::vector<long> hints;
};
IMPLEMENT_DYNCREATE(OpusTestInfoView, CView)

class OpusTestScoreView : public CView {
    DECLARE_DYNCREATE(OpusTestScoreView)
};
IMPLEMENT_DYNCREATE(OpusTestScoreView, CView)

// A view nobody registers.
class OpusTestLoneView : public CView {
    DECLARE_DYNCREATE(OpusTestLoneView)
};
IMPLEMENT_DYNCREATE(OpusTestLoneView, CView)

class OpusTestPrefsPage : public CPropertyPage {
    DECLARE_DYNCREATE(OpusTestPrefsPage)
public:
    OpusTestPrefsPage() : CPropertyPage(0) {}
};
IMPLEMENT_DYNCREATE(OpusTestPrefsPage, CPropertyPage)

namespace {

constexpr UINT IDR_OPUS_MAIN = 29851;
constexpr UINT IDR_OPUS_DOC = 29852;
constexpr UINT IDS_OPUS_INFO = 29853;
constexpr UINT IDS_OPUS_SCORE = 29854;
constexpr UINT ID_OPUS_TOOLBAR = 40201;
constexpr UINT ID_OPUS_PLACEHOLDER = 40202;
constexpr UINT kInfoId = VIEW_ID_OFFSET + 1;
constexpr UINT kScoreId = VIEW_ID_OFFSET + 2;

const MenuTemplate kMainMenu = {{
    {MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}},
}};
MENU_RESOURCE(IDR_OPUS_MAIN, kMainMenu);
// The View menu ends with a placeholder for the views, and so does its
// Preferences submenu for the categories.
const MenuTemplate kDocMenu = {{
    {MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}},
    {MF_POPUP, 0, "&View", {
        {MF_STRING, ID_OPUS_TOOLBAR, "&Toolbar"},
        {MF_POPUP, 0, "&Preferences", {{MF_STRING, ID_OPUS_PLACEHOLDER, "Categories"}}},
        {MF_SEPARATOR, 0, ""},
        {MF_STRING, ID_OPUS_PLACEHOLDER, "Views"},
    }},
}};
MENU_RESOURCE(IDR_OPUS_DOC, kDocMenu);
STRING_TABLE({IDR_OPUS_MAIN, "Opus"}, {IDR_OPUS_DOC, "Piece"}, {IDS_OPUS_INFO, "&Information"},
             {IDS_OPUS_SCORE, "Music Score"});

// The items of a menu: text and command id.
std::vector<std::pair<std::string, UINT>> Items(const CMenu* menu) {
    std::vector<std::pair<std::string, UINT>> items;
    for (int position = 0; menu && position < menu->GetMenuItemCount(); ++position)
        items.emplace_back(menu->GetMenuString(position), menu->GetMenuItemID(position));
    return items;
}

std::string TitleOf(CWnd* wnd) {
    std::string title;
    wnd->GetWindowText(title);
    return title;
}

// An application with its main MDI frame, an MCOpusTemplate of test views,
// and the records of two views (orders 0 and 10) and of preference pages;
// the registries and the built menus are put back afterwards.
class OpusTemplate : public ::testing::Test, public doc_support::DocumentParts {
protected:
    void SetUp() override {
        for (std::size_t i = 0; i < std::size(m_lists); ++i) {
            m_saved[i].AddTail(m_lists[i]);
            m_lists[i]->RemoveAll();
        }
        CPluginView::AddPlugin(&scoreRecord);
        CPluginView::AddPlugin(&infoRecord);
        MCOpusWnd::s_hViewMenu = MCOpusWnd::s_hPrefsMenu = nullptr;

        main = new CMDIFrameWnd;
        ASSERT_TRUE(main->LoadFrame(IDR_OPUS_MAIN));
        mainHandle = main->m_hWnd;
        app.m_pMainWnd = main;
        docTemplate = new MCOpusTemplate(IDR_OPUS_DOC, RUNTIME_CLASS(MCOpusWnd), RUNTIME_CLASS(OpusTestInfoView));
        app.AddDocTemplate(docTemplate);
    }
    void TearDown() override {
        doc_support::CloseProgram(app, main, mainHandle);
        MCOpusWnd::s_hViewMenu = MCOpusWnd::s_hPrefsMenu = nullptr;
        for (std::size_t i = 0; i < std::size(m_lists); ++i) {
            m_lists[i]->RemoveAll();
            m_lists[i]->AddTail(&m_saved[i]);
        }
    }

    MCOpusDoc* NewDocument() { return static_cast<MCOpusDoc*>(docTemplate->OpenDocumentFile(nullptr, TRUE)); }
    static MCOpusWnd* FrameOf(CView* view) { return static_cast<MCOpusWnd*>(view->GetParentFrame()); }
    static OpusTestInfoView* InfoViewOf(MCOpusDoc* doc) {
        for (CView* view : doc->GetViews())
            if (auto* info = DYNAMIC_DOWNCAST(OpusTestInfoView, view))
                return info;
        return nullptr;
    }

    CPluginView infoRecord{RUNTIME_CLASS(OpusTestInfoView), RUNTIME_CLASS(MCOpusWnd), nullptr, 1, IDS_OPUS_INFO, 0};
    CPluginView scoreRecord{RUNTIME_CLASS(OpusTestScoreView), RUNTIME_CLASS(MCOpusWnd), nullptr, 2, IDS_OPUS_SCORE,
                            10};
    CPromptScript prompts;   // installed while it lives
    CWinApp app;
    CMDIFrameWnd* main = nullptr;            // deletes itself with its window
    HWND mainHandle = nullptr;
    MCOpusTemplate* docTemplate = nullptr;   // the application's
    MCPtrList* m_lists[2] = {&CPluginView::GetPlugins(), &CPluginPrefs::GetPlugins()};
    MCPtrList m_saved[2];
};

TEST_F(OpusTemplate, AnOpenedDocumentStaysHiddenUntilGetViewFrameShowsIt) {
    MCOpusDoc* doc = NewDocument();   // asked to be visible, made hidden all the same
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->GetTitle(), "Untitled1");
    MCOpusWnd* frame = FrameOf(InfoViewOf(doc));
    EXPECT_FALSE(frame->IsWindowVisible());
    EXPECT_EQ(frame->GetViewID(), kInfoId);
    EXPECT_EQ(frame->GetDocument(), doc);
    EXPECT_EQ(main->MDIGetActive(), nullptr);

    EXPECT_EQ(doc->GetViewFrame(kInfoId, 0), frame);   // found, not shown
    EXPECT_FALSE(frame->IsWindowVisible());
    EXPECT_EQ(doc->GetViewFrame(kInfoId, 1), frame);
    EXPECT_TRUE(frame->IsWindowVisible());
    EXPECT_EQ(main->MDIGetActive(), frame);
    EXPECT_EQ(MCOpusDoc::GetActiveDoc(), doc);
    EXPECT_EQ(TitleOf(frame), "Untitled1 - Information");

    // Another registered view gets a frame of its own; an unknown id none.
    CFrameWnd* score = doc->GetViewFrame(kScoreId, 1);
    ASSERT_NE(score, nullptr);
    EXPECT_NE(score, frame);
    EXPECT_TRUE(score->IsWindowVisible());
    EXPECT_EQ(TitleOf(score), "Untitled1 - Music Score");
    EXPECT_EQ(doc->GetViewFrame(VIEW_ID_OFFSET + 9, 1), nullptr);
    EXPECT_EQ(doc->GetViews().size(), 2u);
}

TEST_F(OpusTemplate, AFrameWhoseViewHasNoRecordKeepsTheLibrarysTitle) {
    MCOpusDoc* doc = NewDocument();
    MCOpusWnd* frame = FrameOf(InfoViewOf(doc));
    infoRecord.SetViewID(VIEW_ID_OFFSET + 7);   // the frame's id names no record any more
    frame->OnUpdateFrameTitle(TRUE);
    EXPECT_EQ(TitleOf(frame), "Untitled1");
    infoRecord.SetViewID(kInfoId);

    // A view class nobody registered gets no frame: the document is not made.
    MCOpusTemplate lone(IDR_OPUS_DOC, RUNTIME_CLASS(MCOpusWnd), RUNTIME_CLASS(OpusTestLoneView));
    EXPECT_EQ(lone.OpenDocumentFile(nullptr, TRUE), nullptr);
    EXPECT_EQ(prompts.GetLast().text, CDocTemplate::kFailedToCreateDoc);
    EXPECT_EQ(lone.GetFirstDocPosition(), nullptr);
}

TEST_F(OpusTemplate, ActivatingFramesOfTwoDocumentsSwitchesTheActiveDocumentOnce) {
    MCOpusDoc* first = NewDocument();
    MCOpusDoc* second = NewDocument();
    CFrameWnd* firstFrame = first->GetViewFrame(kInfoId, 1);
    CFrameWnd* secondFrame = second->GetViewFrame(kInfoId, 1);
    ASSERT_TRUE(firstFrame && secondFrame);
    ASSERT_EQ(MCOpusDoc::GetActiveDoc(), second);
    OpusTestInfoView* firstView = InfoViewOf(first);
    OpusTestInfoView* secondView = InfoViewOf(second);
    firstView->hints.clear();
    secondView->hints.clear();

    // Each row activates a frame; the counts of 1704 are the totals so far.
    CFrameWnd* firstScore = nullptr;
    const struct {
        const char* step;
        std::function<void()> act;
        MCOpusDoc* active;
        long firstCount, secondCount;
    } steps[] = {
        {"the first document's frame", [&] { main->MDIActivate(firstFrame); }, first, 1, 0},
        {"the same frame again", [&] { main->MDIActivate(firstFrame); }, first, 1, 0},
        {"another frame of the active document", [&] { firstScore = first->GetViewFrame(kScoreId, 1); }, first, 1, 0},
        {"back to the second document", [&] { main->MDIActivate(secondFrame); }, second, 1, 1},
        {"the first document's other frame", [&] { main->MDIActivate(firstScore); }, first, 2, 1},
    };
    for (const auto& s : steps) {
        s.act();
        EXPECT_EQ(MCOpusDoc::GetActiveDoc(), s.active) << s.step;
        EXPECT_EQ(firstView->Count(STATE_SELECTION_ACTIVATE), s.firstCount) << s.step;
        EXPECT_EQ(secondView->Count(STATE_SELECTION_ACTIVATE), s.secondCount) << s.step;
    }
}

TEST_F(OpusTemplate, ClosingOneOfTwoVisibleFramesHidesItAndTheLastClosesTheDocument) {
    MCOpusDoc* doc = NewDocument();
    MCOpusDoc* other = NewDocument();
    other->GetViewFrame(kInfoId, 1);
    CFrameWnd* info = doc->GetViewFrame(kInfoId, 1);
    CFrameWnd* score = doc->GetViewFrame(kScoreId, 1);
    ASSERT_EQ(main->MDIGetActive(), score);
    const HWND hInfo = info->m_hWnd, hScore = score->m_hWnd;

    score->SendMessage(WM_CLOSE);
    EXPECT_EQ(CWnd::FromHandle(hScore), score);   // kept, hidden
    EXPECT_FALSE(score->IsWindowVisible());
    EXPECT_EQ(main->MDIGetActive(), info);        // the next child
    EXPECT_EQ(docTemplate->FindDocument(doc) != nullptr, true);
    EXPECT_EQ(doc->GetViewFrame(kScoreId, 0), score);   // found again

    // The last visible frame sends File Close: the document asks to be saved.
    doc->SetModifiedFlag(1);
    prompts.Answer(IDCANCEL);
    info->SendMessage(WM_CLOSE);
    EXPECT_EQ(prompts.GetLast().text, "Save changes to Untitled1?");
    EXPECT_TRUE(info->IsWindowVisible());
    prompts.Answer(IDNO);
    ::SendMessage(hInfo, WM_CLOSE, 0, 0);
    EXPECT_EQ(CWnd::FromHandle(hInfo), nullptr);
    EXPECT_EQ(CWnd::FromHandle(hScore), nullptr);
    EXPECT_EQ(docTemplate->FindDocument(doc), nullptr);
    EXPECT_NE(docTemplate->FindDocument(other), nullptr);
}

TEST_F(OpusTemplate, ATemplateFileOpensUntitledNativeOnTheDefaultPlayDevice) {
    // A piece with one staff, saved natively with its voices on devices.
    file_test::TempFolder folder;
    smf_support::Track conductor, melody;
    conductor.Tempo(0, 500000).End(96 * 4);
    melody.NoteOn(0, 2, 60, 90).NoteOff(96, 2, 60).End();
    const std::string mid = folder.File("piece.mid");
    const smf_support::Bytes bytes = smf_support::File(1, 96).Add(conductor).Add(melody).GetBytes();
    file_test::WriteText(mid, std::string(bytes.begin(), bytes.end()));
    ASSERT_TRUE(doc->OnOpenDocument(mid.c_str()));
    const std::vector<ECBase*> staves = doc_support::FindEvents(doc->GetBaseEvent(), ET_STAFF);
    ASSERT_FALSE(staves.empty());
    const struct { int voice, device, channel, expectedDevice; } voices[] = {
        {0, 2, 3, 4}, {1, LCMidiVoiceMap::DEFAULT_DEVICE, 5, LCMidiVoiceMap::DEFAULT_DEVICE},
        {6, 0, 12, 4}, {7, 1, 9, 4},
    };
    auto voiceMapOf = [](ECBase* staff) {
        auto* performer = dynamic_cast<DCsqStaff*>(DCsqBase::GetPerformer(staff, 0));
        return performer ? performer->GetVoiceMapFilter() : nullptr;
    };
    ASSERT_NE(voiceMapOf(staves.back()), nullptr);
    for (const auto& v : voices)
        voiceMapOf(staves.back())->SetVoiceDevChan(v.voice, v.device, v.channel);
    doc->GetHeader()->SetFormat(DF_NATIVE);
    const std::string mmt = folder.File("piece.mmt");
    ASSERT_TRUE(doc->OnSaveDocument(mmt.c_str()));
    const std::size_t staffCount = staves.size();
    doc->OnCloseDocument();   // the file is free for the template
    SaveIntPreference("Sequencer\\Midi\\Play", "Default Device", 4);

    auto* opened = static_cast<MCOpusDoc*>(docTemplate->OpenDocumentTemplate(mmt.c_str(), FALSE));
    ASSERT_NE(opened, nullptr) << prompts.GetLast().text;
    EXPECT_EQ(opened->GetTitle(), "Untitled1");
    EXPECT_EQ(opened->GetPathName(), "");
    EXPECT_EQ(opened->GetHeader()->GetFormat(), DF_NATIVE);
    EXPECT_TRUE(opened->IsEmbedded());
    EXPECT_EQ(docTemplate->m_nUntitledCount, 1u);
    EXPECT_FALSE(FrameOf(InfoViewOf(opened))->IsWindowVisible());
    // Its frame is named after the new document, not the template's file.
    EXPECT_EQ(TitleOf(FrameOf(InfoViewOf(opened))), "Untitled1 - Information");
    const std::vector<ECBase*> openedStaves = doc_support::FindEvents(opened->GetBaseEvent(), ET_STAFF);
    ASSERT_EQ(openedStaves.size(), staffCount);
    LCMidiVoiceMap* voiceMap = voiceMapOf(openedStaves.back());
    ASSERT_NE(voiceMap, nullptr);
    for (const auto& v : voices) {
        EXPECT_EQ(voiceMap->GetVoiceDevice(v.voice), v.expectedDevice) << v.voice;
        EXPECT_EQ(voiceMap->GetVoiceChannel(v.voice), v.channel) << v.voice;
    }

    // A file that fails to open leaves neither a frame nor a document.
    const std::string broken = folder.File("broken.mmt");
    file_test::WriteText(broken, "not a piece");
    const std::size_t children = main->GetMDIChildren().size();
    EXPECT_EQ(docTemplate->OpenDocumentTemplate(broken.c_str(), TRUE), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main->GetMDIChildren().size(), children);
    POSITION pos = docTemplate->GetFirstDocPosition();
    EXPECT_EQ(docTemplate->GetNextDoc(pos), opened);
    EXPECT_EQ(pos, nullptr);
}

TEST_F(OpusTemplate, TheFirstActivationEndsTheViewMenuWithTheViewsAndListsEachCategoryOnce) {
    CPluginPrefs general(RUNTIME_CLASS(OpusTestPrefsPage), PREFS_GENERAL, 0);
    CPluginPrefs workspace(RUNTIME_CLASS(OpusTestPrefsPage), PREFS_GENERAL, 10);
    CPluginPrefs devices(RUNTIME_CLASS(OpusTestPrefsPage), PREFS_DEVICES, 20);
    for (CPluginPrefs* record : {&devices, &workspace, &general})
        CPluginPrefs::AddPlugin(record);

    // Without the document's menu there is no "&View" to fill; without a main
    // window nothing at all.
    EXPECT_EQ(CPluginView::UpdateMenu(), nullptr);
    EXPECT_EQ(CPluginPrefs::UpdateMenu(), nullptr);
    app.m_pMainWnd = nullptr;
    EXPECT_EQ(CPluginView::UpdateMenu(), nullptr);
    EXPECT_EQ(CPluginPrefs::UpdateMenu(), nullptr);
    app.m_pMainWnd = main;

    MCOpusDoc* doc = NewDocument();
    doc->GetViewFrame(kInfoId, 1);
    CMenu* viewMenu = main->GetMenu()->GetSubMenu(1);
    ASSERT_NE(viewMenu, nullptr);
    const std::vector<std::pair<std::string, UINT>> expectedView = {
        {"&Toolbar", ID_OPUS_TOOLBAR}, {"&Preferences", CMenu::NO_ITEM}, {"", 0},
        {"&1  &Information", kInfoId}, {"&2  Music Score", kScoreId},
    };
    const std::vector<std::pair<std::string, UINT>> expectedPrefs = {
        {"General...", 11744}, {"Devices...", 11746},
    };
    EXPECT_EQ(MCOpusWnd::s_hViewMenu, viewMenu);
    EXPECT_EQ(Items(viewMenu), expectedView);
    EXPECT_EQ(MCOpusWnd::s_hPrefsMenu, viewMenu->GetSubMenu(1));
    EXPECT_EQ(Items(viewMenu->GetSubMenu(1)), expectedPrefs);

    // Later activations leave both menus as they are.
    doc->GetViewFrame(kScoreId, 1);
    main->MDIActivate(FrameOf(InfoViewOf(doc)));
    EXPECT_EQ(Items(viewMenu), expectedView);
    EXPECT_EQ(Items(viewMenu->GetSubMenu(1)), expectedPrefs);
}

TEST_F(OpusTemplate, TheDefaultPlacementIsTheStoredOneElseAMaximizedSizeAtTheOrigin) {
    MCOpusWnd* frame = FrameOf(InfoViewOf(NewDocument()));
    int showCmd = -1;
    WINDOWPLACEMENT placement = frame->GetDefaultPlacement("Views\\Nothing Stored", showCmd);
    EXPECT_EQ(showCmd, static_cast<int>(SW_SHOWNORMAL));
    EXPECT_EQ(placement.rcNormalPosition.left, 0);
    EXPECT_EQ(placement.rcNormalPosition.top, 0);
    EXPECT_EQ(placement.rcNormalPosition.Width(), GetSystemMetrics(SM_CXMAXIMIZED));
    EXPECT_EQ(placement.rcNormalPosition.Height(), GetSystemMetrics(SM_CYMAXIMIZED));

    WINDOWPLACEMENT stored;
    stored.showCmd = SW_SHOWMAXIMIZED;
    stored.rcNormalPosition = DesktopRect{10, 20, 310, 220};
    ASSERT_TRUE(SaveWindowPrefs("Views\\Stored", stored));
    placement = frame->GetDefaultPlacement("Views\\Stored", showCmd);
    EXPECT_EQ(showCmd, static_cast<int>(SW_SHOWMAXIMIZED));
    EXPECT_EQ(placement.rcNormalPosition.left, 10);
    EXPECT_EQ(placement.rcNormalPosition.bottom, 220);
}

}  // namespace
