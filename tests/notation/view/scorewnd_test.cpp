// The score window opened as the program opens a file: through the
// program's document manager, whose one template shows the Information view
// (a stand-in here), with the score's view record from the plug-in's start.
// With "Views\Music Score" "Visible" 1 the score window opens beside it on
// the file, laid out, in page view at 100 % with every voice; with 0 it
// stays closed.
#include "notation/view/scorewnd.h"

#include "app/docmanager.h"
#include "interface/document/opusdoc.h"
#include "interface/document/opustemplate.h"
#include "interface/document/opuswnd.h"
#include "interface/document/pluginrecords.h"
#include "model/conductor.h"
#include "model/performance.h"
#include "model/preferences.h"
#include "notation/layout/pagelayout.h"
#include "notation/view/cantrel.h"
#include "notation/view/viewids.h"
#include "platform/core/profile.h"
#include "platform/core/resources.h"
#include "platform/ui/app.h"
#include "platform/ui/commands.h"
#include "platform/ui/mdi.h"
#include "platform/ui/menu.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/uiresources.h"
#include "tests/interface/document/doc_support.h"
#include "tests/notation/support/durationgate.h"
#include "tests/notation/view/songfile_support.h"
#include "tests/platform/messaging_support.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <optional>
#include <string>

// The view of the program's template, standing for the Information view.
class OpenedFirstView : public CView {
    DECLARE_DYNCREATE(OpenedFirstView)
};
IMPLEMENT_DYNCREATE(OpenedFirstView, CView)

namespace {

constexpr UINT IDR_OPENED_MAIN = 29881;
constexpr UINT IDR_OPENED_DOC = 29882;
constexpr UINT IDS_OPENED_FIRST_VIEW = 29883;
constexpr unsigned kFirstViewIndex = 1;

const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_OPEN, "&Open..."}}}}};
MENU_RESOURCE(IDR_OPENED_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_OPENED_DOC, kDocMenu);
STRING_TABLE({IDR_OPENED_MAIN, "Program"}, {IDR_OPENED_DOC, "Opened"}, {IDS_OPENED_FIRST_VIEW, "First View"});

const char* const kScoreSection = "Views\\Music Score";

// The program's application object: its document manager is the program's.
class ProgramApp : public CWinApp {
public:
    ProgramApp() { m_pDocManager = std::make_unique<MCDocManager>(); }
};

// The program as it stands before a file opens: its main frame shown, its
// template (the first view's), the plug-in's records; the view records and
// the score's settings are put back afterwards.
class OpenedScoreTest : public ::testing::Test, public doc_support::DocumentParts {
protected:
    void SetUp() override {
        SaveIntPreference(CScoreWnd::GetSettingsSection(), "Width", 0);   // no placement stored
        m_savedViews.AddTail(&CPluginView::GetPlugins());
        CPluginView::GetPlugins().RemoveAll();
        MCOpusWnd::s_hViewMenu = MCOpusWnd::s_hPrefsMenu = nullptr;
        // The first view's record, then the plug-in's, as the program starts.
        CPluginView::AddPlugin(&firstRecord);
        notation_test::StartPlugin();
        // Notes played 66 % long read back as quarters.
        gate.emplace(CCantrel::kDefaultDurationGate);
        main = new CMDIFrameWnd;
        ASSERT_TRUE(main->LoadFrame(IDR_OPENED_MAIN));
        mainHandle = main->m_hWnd;
        main->MoveWindow(0, 0, 1000, 800);
        main->ShowWindow(SW_SHOW);
        app.m_pMainWnd = main;
        app.AddDocTemplate(new MCOpusTemplate(IDR_OPENED_DOC, RUNTIME_CLASS(MCOpusWnd), RUNTIME_CLASS(OpenedFirstView)));
    }
    void TearDown() override {
        doc_support::CloseProgram(app, main, mainHandle);
        MCOpusWnd::s_hViewMenu = MCOpusWnd::s_hPrefsMenu = nullptr;
        CPluginView::GetPlugins().RemoveAll();
        CPluginView::GetPlugins().AddTail(&m_savedViews);
        CProfile::Application().DeleteKey(kScoreSection, "Visible");
        gate.reset();
    }

    // The score view among the document's views; null when none.
    static CCantrel* ScoreViewOf(CDocument* document) {
        for (CView* view : document->GetViews())
            if (auto* score = DYNAMIC_DOWNCAST(CCantrel, view))
                return score;
        return nullptr;
    }

    QTemporaryDir dir;
    CPromptScript prompts;   // installed while it lives
    ProgramApp app;
    CMDIFrameWnd* main = nullptr;   // deletes itself with its window
    HWND mainHandle = nullptr;
    MCPtrList m_savedViews;
    CPluginView firstRecord{RUNTIME_CLASS(OpenedFirstView), RUNTIME_CLASS(MCOpusWnd), nullptr, kFirstViewIndex,
                            IDS_OPENED_FIRST_VIEW, 0};
    std::optional<notation_test::DurationGate> gate;
};

TEST_F(OpenedScoreTest, VisibleOpensTheScoreWindowInPageViewAtFullSizeWithEveryVoice) {
    const std::string path = dir.filePath("song.mid").toStdString();
    const smf_support::Bytes song = view_test::MakeSong(path);
    if (song.empty())
        GTEST_SKIP() << "python3-mido is needed (tools/setup)";
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(song.data()), static_cast<std::streamsize>(song.size()));
    }

    for (const int visible : {1, 0}) {
        SCOPED_TRACE(visible);
        SaveIntPreference(kScoreSection, "Visible", visible);
        auto* document = dynamic_cast<MCOpusDoc*>(app.OpenDocumentFile(path.c_str()));
        ASSERT_NE(document, nullptr) << (prompts.GetCount() ? prompts.GetLast().text : std::string());
        messaging_test::PumpPending();
        CCantrel* view = ScoreViewOf(document);
        if (!visible) {
            EXPECT_EQ(view, nullptr) << "no score window";
            app.CloseAllDocuments(TRUE);
            continue;
        }
        ASSERT_NE(view, nullptr);
        auto* frame = DYNAMIC_DOWNCAST(CScoreWnd, view->GetParentFrame());
        ASSERT_NE(frame, nullptr);
        EXPECT_TRUE(frame->IsWindowVisible());
        EXPECT_EQ(main->MDIGetActive(), frame);

        // Page view at 100 %, every voice, and the bar shows as much.
        EXPECT_EQ(view->GetViewMode(), CCantrel::VIEWMODE_PAGE);
        EXPECT_EQ(view->GetZoom(), view->GetScreenResolution());
        EXPECT_EQ(view->GetVoice(), CCantrel::VOICE_ALL);
        CScoreBar& bar = frame->GetScoreBar();
        auto comboText = [&bar](UINT id) {
            auto* combo = static_cast<CComboBox*>(bar.GetDlgItem(static_cast<int>(id)));
            std::string text;
            if (combo && combo->GetCurSel() >= 0)
                combo->GetLBText(combo->GetCurSel(), text);
            return text;
        };
        EXPECT_EQ(comboText(IDC_ZOOM), "100%");
        EXPECT_EQ(comboText(IDC_VOICE), "All");
        EXPECT_TRUE(view->GetPageUpButton().IsWindowVisible());
        EXPECT_FALSE(view->GetMarginView().IsWindowVisible());

        // The file is the one shown, notated and laid out on pages.
        ASSERT_EQ(view->GetBaseEvent(), document->GetBaseEvent());
        EXPECT_EQ(document->GetBaseEvent()->GetConductor()->GetMaxMeasureNumber(), view_test::kSongBars);
        const int pages = view->GetPagenate().GetPages().GetPageCount();
        EXPECT_GT(pages, 1);
        EXPECT_EQ(view->GetViewSize().cy, MCPageLayout::GetPageLayout().GetPageRect().Height() * pages);
        app.CloseAllDocuments(TRUE);
    }
}

}  // namespace
