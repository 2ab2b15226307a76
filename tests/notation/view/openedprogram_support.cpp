// The program before a file opens (see openedprogram_support.h).
#include "tests/notation/view/openedprogram_support.h"

#include "app/docmanager.h"
#include "interface/document/opustemplate.h"
#include "interface/document/opuswnd.h"
#include "model/preferences.h"
#include "notation/view/cantrel.h"
#include "notation/view/scorewnd.h"
#include "platform/core/profile.h"
#include "platform/core/resources.h"
#include "platform/ui/mdi.h"
#include "tests/platform/messaging_support.h"

#include <memory>

// The view of the program's template, standing for the Information view.
class OpenedFirstView : public CView {
    DECLARE_DYNCREATE(OpenedFirstView)
};
IMPLEMENT_DYNCREATE(OpenedFirstView, CView)

namespace view_test {
namespace {

constexpr UINT IDS_OPENED_FIRST_VIEW = 29883;
constexpr unsigned kFirstViewIndex = 1;
STRING_TABLE({IDS_OPENED_FIRST_VIEW, "First View"});

const char* const kScoreSection = "Views\\Music Score";

}  // namespace

ProgramApp::ProgramApp() {
    m_pDocManager = std::make_unique<MCDocManager>();
}

OpenedProgram::OpenedProgram(UINT mainMenu, UINT documentMenu)
    : m_mainMenu(mainMenu),
      m_documentMenu(documentMenu),
      m_firstRecord(RUNTIME_CLASS(OpenedFirstView), RUNTIME_CLASS(MCOpusWnd), nullptr, kFirstViewIndex,
                    IDS_OPENED_FIRST_VIEW, 0) {}

OpenedProgram::~OpenedProgram() = default;

void OpenedProgram::SetUp() {
    SaveIntPreference(CScoreWnd::GetSettingsSection(), "Width", 0);   // no placement stored
    m_savedViews.AddTail(&CPluginView::GetPlugins());
    CPluginView::GetPlugins().RemoveAll();
    MCOpusWnd::s_hViewMenu = MCOpusWnd::s_hPrefsMenu = nullptr;
    // The first view's record, then the plug-in's, as the program starts.
    CPluginView::AddPlugin(&m_firstRecord);
    notation_test::StartPlugin();
    // The pair the plug-in's start installs: notes played 66 % long read
    // back as their values.
    m_gate.emplace(CCantrel::kDefaultDurationGate);
    main = new CMDIFrameWnd;
    ASSERT_TRUE(main->LoadFrame(m_mainMenu));
    mainHandle = main->m_hWnd;
    main->MoveWindow(0, 0, 1000, 800);
    main->ShowWindow(SW_SHOW);
    app.m_pMainWnd = main;
    app.AddDocTemplate(new MCOpusTemplate(m_documentMenu, RUNTIME_CLASS(MCOpusWnd), RUNTIME_CLASS(OpenedFirstView)));
}

void OpenedProgram::TearDown() {
    doc_support::CloseProgram(app, main, mainHandle);
    MCOpusWnd::s_hViewMenu = MCOpusWnd::s_hPrefsMenu = nullptr;
    CPluginView::GetPlugins().RemoveAll();
    CPluginView::GetPlugins().AddTail(&m_savedViews);
    CProfile::Application().DeleteKey(kScoreSection, "Visible");
    m_gate.reset();
}

MCOpusDoc* OpenedProgram::OpenFile(const std::string& path, int scoreVisible) {
    SaveIntPreference(kScoreSection, "Visible", scoreVisible);
    auto* document = dynamic_cast<MCOpusDoc*>(app.OpenDocumentFile(path.c_str()));
    messaging_test::PumpPending();
    return document;
}

CCantrel* OpenedProgram::ScoreViewOf(CDocument* document) {
    for (CView* view : document->GetViews())
        if (auto* score = DYNAMIC_DOWNCAST(CCantrel, view))
            return score;
    return nullptr;
}

}  // namespace view_test
