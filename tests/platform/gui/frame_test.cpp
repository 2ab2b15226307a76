// The application's frames, views and document templates together: a main
// MDI frame, child frames made by a template for its documents, the route a
// command takes through them, the menus they show, and closing.
#include "platform/ui/app.h"
#include "platform/ui/cmdui.h"
#include "platform/ui/dialogbar.h"
#include "platform/ui/docmanager.h"
#include "platform/ui/doctemplate.h"
#include "platform/ui/document.h"
#include "platform/ui/frame.h"
#include "platform/ui/keys.h"
#include "platform/ui/mdi.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/menu.h"
#include "platform/core/profile.h"
#include "platform/ui/statusbar.h"
#include "platform/ui/uiresources.h"
#include "platform/ui/winthread.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr UINT IDR_FRAMES_MAIN = 6150;
constexpr UINT IDR_FRAMES_DOC = 6151;
constexpr UINT ID_ROUTED = 40101;    // handled at every level of the route
constexpr UINT ID_NOBODY = 40102;    // handled nowhere
constexpr UINT ID_CHECKED = 40103;   // the document checks it
constexpr UINT ID_MAIN_KEY = 40104;  // the main frame's command for Ctrl+K
constexpr UINT ID_CHILD_KEY = 40105; // the documents' command for Ctrl+K

const MenuTemplate kMainMenu = {{
    {MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}, {MF_STRING, ID_APP_EXIT, "E&xit"}}},
}};
MENU_RESOURCE(IDR_FRAMES_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{
    {MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}, {MF_STRING, ID_FILE_CLOSE, "&Close"}}},
    {MF_POPUP, 0, "&Test", {
        {MF_STRING, ID_ROUTED, "&Routed"},
        {MF_STRING, ID_NOBODY, "&Nobody"},
        {MF_STRING, ID_CHECKED, "&Checked"},
    }},
    {MF_POPUP, 0, "&Window", {{MF_STRING, ID_WINDOW_CASCADE, "&Cascade"}}},
}};
MENU_RESOURCE(IDR_FRAMES_DOC, kDocMenu);
const AcceleratorTable kMainKeys = {{{FVIRTKEY | FCONTROL, 'K', ID_MAIN_KEY}}};
ACCELERATOR_RESOURCE(IDR_FRAMES_MAIN, kMainKeys);
const AcceleratorTable kDocKeys = {{{FVIRTKEY | FCONTROL, 'K', ID_CHILD_KEY}}};
ACCELERATOR_RESOURCE(IDR_FRAMES_DOC, kDocKeys);
// No document name after the window title: untitled documents are "Untitled<n>".
STRING_TABLE({IDR_FRAMES_MAIN, "Frames"}, {IDR_FRAMES_DOC, "Sheet"});

// What the levels of the route did, and which of them decline ID_ROUTED.
std::vector<std::string> g_log;
std::set<std::string> g_declining;

BOOL Answer(const char* level) {
    if (g_declining.count(level))
        return FALSE;   // as if the level had no handler: the route goes on
    g_log.push_back(level);
    return TRUE;
}

class CTestDoc : public CDocument {
    DECLARE_DYNCREATE(CTestDoc)
public:
    ~CTestDoc() override { g_log.push_back("document deleted"); }
    BOOL OnRouted(UINT) { return Answer("document"); }
    void OnUpdateChecked(CCmdUI* pCmdUI) { pCmdUI->SetCheck(1); }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CTestDoc, CDocument)
BEGIN_MESSAGE_MAP(CTestDoc, CDocument)
    ON_COMMAND_EX(ID_ROUTED, &CTestDoc::OnRouted)
    ON_UPDATE_COMMAND_UI(ID_CHECKED, &CTestDoc::OnUpdateChecked)
END_MESSAGE_MAP()

class CTestView : public CView {
    DECLARE_DYNCREATE(CTestView)
public:
    int initialUpdates = 0;
    void OnInitialUpdate() override { ++initialUpdates; }
    BOOL OnRouted(UINT) { return Answer("view"); }
    void OnChildKey() { g_log.push_back("child key"); }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CTestView, CView)
BEGIN_MESSAGE_MAP(CTestView, CView)
    ON_COMMAND_EX(ID_ROUTED, &CTestView::OnRouted)
    ON_COMMAND(ID_CHILD_KEY, &CTestView::OnChildKey)
END_MESSAGE_MAP()

class CTestChild : public CMDIChildWnd {
    DECLARE_DYNCREATE(CTestChild)
public:
    BOOL OnRouted(UINT) { return Answer("child frame"); }
    void OnMDIActivate(BOOL bActivate, CWnd* pActivateWnd, CWnd* pDeactivateWnd) override {
        std::string title;
        GetWindowText(title);
        g_log.push_back(title + (bActivate ? " activated" : " deactivated"));
        EXPECT_EQ(bActivate, pActivateWnd == this);
        EXPECT_NE(pActivateWnd, pDeactivateWnd);
        CMDIChildWnd::OnMDIActivate(bActivate, pActivateWnd, pDeactivateWnd);
    }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CTestChild, CMDIChildWnd)
BEGIN_MESSAGE_MAP(CTestChild, CMDIChildWnd)
    ON_COMMAND_EX(ID_ROUTED, &CTestChild::OnRouted)
END_MESSAGE_MAP()

class CTestTemplate : public CMultiDocTemplate {
public:
    CTestTemplate()
        : CMultiDocTemplate(IDR_FRAMES_DOC, RUNTIME_CLASS(CTestDoc), RUNTIME_CLASS(CTestChild),
                            RUNTIME_CLASS(CTestView)) {}
    BOOL OnRouted(UINT) { return Answer("template"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestTemplate, CMultiDocTemplate)
    ON_COMMAND_EX(ID_ROUTED, &CTestTemplate::OnRouted)
END_MESSAGE_MAP()

class CTestMain : public CMDIFrameWnd {
public:
    BOOL OnRouted(UINT) { return Answer("main frame"); }
    void OnMainKey() { g_log.push_back("main key"); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CTestMain, CMDIFrameWnd)
    ON_COMMAND_EX(ID_ROUTED, &CTestMain::OnRouted)
    ON_COMMAND(ID_MAIN_KEY, &CTestMain::OnMainKey)
END_MESSAGE_MAP()

class CTestApp : public CWinApp {
public:
    BOOL OnRouted(UINT) { return Answer("application"); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CTestApp, CWinApp)
    ON_COMMAND_EX(ID_ROUTED, &CTestApp::OnRouted)
END_MESSAGE_MAP()

// An application with its main frame and one template of documents.
class Frames : public testing::Test {
protected:
    void SetUp() override {
        g_log.clear();
        g_declining.clear();
        main = new CTestMain;
        ASSERT_TRUE(main->LoadFrame(IDR_FRAMES_MAIN));
        mainHandle = main->m_hWnd;
        app.m_pMainWnd = main;
        docTemplate = new CTestTemplate;
        app.AddDocTemplate(docTemplate);
    }
    void TearDown() override {
        app.CloseAllDocuments(TRUE);
        if (CWnd::FromHandle(hMain()) == main)
            main->DestroyWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    HWND hMain() const { return mainHandle; }

    // A new untitled document shown in its own child frame.
    CTestDoc* NewDocument(BOOL visible = TRUE) {
        return static_cast<CTestDoc*>(docTemplate->OpenDocumentFile(nullptr, visible));
    }
    static CTestChild* FrameOf(CDocument* document) {
        return static_cast<CTestChild*>(document->GetViews().front()->GetParentFrame());
    }
    static std::string TitleOf(CWnd* wnd) {
        std::string title;
        wnd->GetWindowText(title);
        return title;
    }
    // The drop-down `title` of the main frame's menu bar, opened.
    QMenu* OpenMenu(const QString& title) {
        auto* window = static_cast<QMainWindow*>(main->GetWidget());
        for (QAction* action : window->menuBar()->actions())
            if (action->text() == title && action->menu()) {
                action->menu()->popup(QPoint(0, 0));
                return action->menu();
            }
        return nullptr;
    }
    static QAction* ActionFor(QMenu* menu, UINT id) {
        for (QAction* action : menu->actions())
            if (action->data().toUInt() == id && !action->isSeparator())
                return action;
        return nullptr;
    }

    CTestApp app;
    CTestMain* main = nullptr;            // deletes itself with its window
    CTestTemplate* docTemplate = nullptr; // the application's
    HWND mainHandle = nullptr;            // the main frame's, to tell whether it is gone
};

TEST_F(Frames, ACommandTakesTheRouteFromTheViewToTheApplication) {
    CTestDoc* document = NewDocument();
    ASSERT_NE(document, nullptr);
    ASSERT_EQ(main->MDIGetActive(), FrameOf(document));
    const char* const route[] = {"view", "document", "template", "child frame", "main frame", "application"};
    // Each row declines one more level from the front.
    for (std::size_t declined = 0; declined <= std::size(route); ++declined) {
        g_declining.clear();
        g_log.clear();
        for (std::size_t level = 0; level < declined; ++level)
            g_declining.insert(route[level]);
        main->SendMessage(WM_COMMAND, MAKEWPARAM(ID_ROUTED, 0), 0);
        const std::vector<std::string> expected =
            declined < std::size(route) ? std::vector<std::string>{route[declined]} : std::vector<std::string>{};
        EXPECT_EQ(g_log, expected) << declined << " levels declining";
    }
}

TEST_F(Frames, AnOpenedMenuOfTheActiveChildShowsWhatTheRouteAnswers) {
    ASSERT_NE(NewDocument(), nullptr);
    QMenu* menu = OpenMenu("&Test");   // the document's menu replaced the main frame's
    ASSERT_NE(menu, nullptr);
    ASSERT_NE(ActionFor(menu, ID_NOBODY), nullptr);
    EXPECT_TRUE(ActionFor(menu, ID_ROUTED)->isEnabled());
    EXPECT_FALSE(ActionFor(menu, ID_NOBODY)->isEnabled());   // nobody handles it
    EXPECT_TRUE(ActionFor(menu, ID_CHECKED)->isChecked());   // the document's update handler
    EXPECT_TRUE(ActionFor(menu, ID_CHECKED)->isEnabled());
    menu->close();
}

TEST_F(Frames, UntitledDocumentsAreNumberedAndTheirFramesSayIt) {
    app.OnCmdMsg(ID_FILE_NEW, CN_COMMAND, nullptr, nullptr);
    app.OnCmdMsg(ID_FILE_NEW, CN_COMMAND, nullptr, nullptr);
    std::vector<std::string> titles, frameTitles;
    for (POSITION position = docTemplate->GetFirstDocPosition(); position;) {
        CDocument* document = docTemplate->GetNextDoc(position);
        titles.push_back(document->GetTitle());
        frameTitles.push_back(TitleOf(FrameOf(document)));
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"Untitled1", "Untitled2"}));
    EXPECT_EQ(frameTitles, titles);
    EXPECT_EQ(TitleOf(main), "Untitled2 - Frames");   // the active document, then the program
}

TEST_F(Frames, SaveAsRetitlesEveryFrameOfTheDocument) {
    CTestDoc* document = NewDocument();
    CTestChild* first = FrameOf(document);
    CFrameWnd* second = docTemplate->CreateNewFrame(document, first);
    docTemplate->InitialUpdateFrame(second, document, TRUE);
    ASSERT_EQ(TitleOf(first), "Untitled1:1");

    // The user names the file in the save dialog.
    QTemporaryDir folder;
    const std::string path = folder.filePath("Song.sht").toStdString();
    CDocument::SavePathHook previous = CDocument::SetSavePathHook([&](CDocument*, std::string& chosen, int) {
        chosen = path;
        return 1;
    });
    main->SendMessage(WM_COMMAND, MAKEWPARAM(ID_FILE_SAVE_AS, 0), 0);
    CDocument::SetSavePathHook(std::move(previous));

    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(path)));
    EXPECT_EQ(document->GetTitle(), "Song.sht");
    EXPECT_EQ(TitleOf(first), "Song.sht:1");
    EXPECT_EQ(TitleOf(second), "Song.sht:2");
    EXPECT_EQ(TitleOf(main), "Song.sht - Frames");   // the active document, then the program
}

TEST_F(Frames, AFrameMadeInvisibleStaysHiddenUntilItsInitialUpdateShowsIt) {
    CTestDoc* document = NewDocument(FALSE);
    ASSERT_NE(document, nullptr);
    CTestChild* frame = FrameOf(document);
    auto* view = static_cast<CTestView*>(frame->GetActiveView());
    ASSERT_NE(view, nullptr);
    EXPECT_FALSE(frame->IsWindowVisible());
    EXPECT_EQ(view->initialUpdates, 0);
    EXPECT_EQ(main->MDIGetActive(), nullptr);

    frame->InitialUpdateFrame(document, TRUE);
    EXPECT_TRUE(frame->IsWindowVisible());
    EXPECT_EQ(view->initialUpdates, 1);
    EXPECT_EQ(main->MDIGetActive(), frame);
}

TEST_F(Frames, ActivatingAChildTellsTheLoserThenTheWinner) {
    CTestChild* first = FrameOf(NewDocument());
    CTestChild* second = FrameOf(NewDocument());
    ASSERT_EQ(main->MDIGetActive(), second);
    g_log.clear();
    main->MDIActivate(first);
    EXPECT_EQ(g_log, (std::vector<std::string>{"Untitled2 deactivated", "Untitled1 activated"}));
    EXPECT_EQ(main->MDIGetActive(), first);

    g_log.clear();
    main->MDIActivate(first);   // no change, no message
    EXPECT_TRUE(g_log.empty());
    main->MDINext();
    EXPECT_EQ(main->MDIGetActive(), second);
    EXPECT_EQ(main->GetActiveDocument(), second->GetActiveDocument());
}

TEST_F(Frames, TheWindowMenuListsTheChildrenAndActivatesTheOneChosen) {
    CTestChild* first = FrameOf(NewDocument());
    NewDocument();
    QMenu* menu = OpenMenu("&Window");
    ASSERT_NE(menu, nullptr);
    QAction* one = ActionFor(menu, AFX_IDM_FIRST_MDICHILD);
    QAction* two = ActionFor(menu, AFX_IDM_FIRST_MDICHILD + 1);
    ASSERT_TRUE(one && two);
    EXPECT_EQ(one->text(), "&1 Untitled1");
    EXPECT_FALSE(one->isChecked());
    EXPECT_TRUE(two->isChecked());   // the active child
    EXPECT_TRUE(one->isEnabled());
    menu->close();
    // Opened again, the list is made afresh, not appended.
    menu = OpenMenu("&Window");
    EXPECT_EQ(menu->actions().size(), 4);   // Cascade, a separator and the two children
    menu->close();

    main->SendMessage(WM_COMMAND, MAKEWPARAM(AFX_IDM_FIRST_MDICHILD, 0), 0);
    EXPECT_EQ(main->MDIGetActive(), first);
}

TEST_F(Frames, ClosingADocumentDestroysEachOfItsFramesAndTheMainMenuReturns) {
    CTestDoc* document = NewDocument();
    CTestChild* first = FrameOf(document);
    CFrameWnd* second = docTemplate->CreateNewFrame(document, first);
    ASSERT_NE(second, nullptr);
    docTemplate->InitialUpdateFrame(second, document, TRUE);
    EXPECT_EQ(TitleOf(first), "Untitled1:1");
    EXPECT_EQ(TitleOf(second), "Untitled1:2");
    const HWND hFirst = first->m_hWnd, hSecond = second->m_hWnd;
    EXPECT_NE(OpenMenu("&Test"), nullptr);

    g_log.clear();
    document->OnCmdMsg(ID_FILE_CLOSE, CN_COMMAND, nullptr, nullptr);
    EXPECT_EQ(CWnd::FromHandle(hFirst), nullptr);
    EXPECT_EQ(CWnd::FromHandle(hSecond), nullptr);
    EXPECT_EQ(std::count(g_log.begin(), g_log.end(), "document deleted"), 1);
    EXPECT_EQ(docTemplate->GetFirstDocPosition(), nullptr);
    EXPECT_EQ(main->MDIGetActive(), nullptr);
    EXPECT_EQ(OpenMenu("&Test"), nullptr);   // the main frame's own menu again
    EXPECT_NE(OpenMenu("&File"), nullptr);
}

TEST_F(Frames, ClosingOneOfTwoFramesKeepsTheDocumentAndTheLastClosesIt) {
    CTestDoc* document = NewDocument();
    CTestChild* first = FrameOf(document);
    CFrameWnd* second = docTemplate->CreateNewFrame(document, first);
    docTemplate->InitialUpdateFrame(second, document, TRUE);
    const HWND hFirst = first->m_hWnd;

    g_log.clear();
    second->SendMessage(WM_CLOSE);
    EXPECT_EQ(std::count(g_log.begin(), g_log.end(), "document deleted"), 0);
    EXPECT_EQ(document->GetViews().size(), 1u);
    EXPECT_EQ(main->MDIGetActive(), first);

    ::SendMessage(hFirst, WM_CLOSE, 0, 0);
    EXPECT_EQ(CWnd::FromHandle(hFirst), nullptr);
    EXPECT_EQ(std::count(g_log.begin(), g_log.end(), "document deleted"), 1);
}

TEST_F(Frames, AKeyOfBothTablesGoesToTheActiveChildsCommand) {
    CTestChild* child = FrameOf(NewDocument());
    g_log.clear();
    QTest::keyClick(child->GetActiveView()->GetWidget(), Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(g_log, (std::vector<std::string>{"child key"}));

    // Without a child the main frame's own table answers.
    g_log.clear();
    app.CloseAllDocuments(FALSE);
    g_log.clear();
    QTest::keyClick(main->GetWidget(), Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(g_log, (std::vector<std::string>{"main key"}));
}

TEST_F(Frames, ClosingTheMainWindowAsksEveryModifiedDocument) {
    CPromptScript prompts;
    NewDocument()->SetModifiedFlag(1);
    NewDocument()->SetModifiedFlag(1);   // the active one
    prompts.Answer({IDNO, IDCANCEL});
    main->SendMessage(WM_CLOSE);
    EXPECT_EQ(prompts.GetCount(), 2u);
    EXPECT_EQ(prompts.GetLast().text, "Save changes to Untitled2?");
    ASSERT_EQ(CWnd::FromHandle(hMain()), main);   // cancelled: nothing closed
    EXPECT_EQ(main->GetMDIChildren().size(), 2u);

    prompts.Clear();
    prompts.Answer({IDNO, IDNO});
    main->SendMessage(WM_CLOSE);
    EXPECT_EQ(prompts.GetCount(), 2u);
    EXPECT_EQ(CWnd::FromHandle(hMain()), nullptr);
    EXPECT_EQ(std::count(g_log.begin(), g_log.end(), "document deleted"), 2);
}

// The main frame's bars: docked, floated and put back through the frame's own
// operations, and its messages shown in the status bar's message pane.
constexpr UINT IDD_FRAMES_BAR = 6160;
const DialogTemplate kFramesBar = {"Bar", {{6161, DialogControlKind::Push, "Go", {2, 2, 30, 14}}}, {60, 18}};
DIALOG_RESOURCE(IDD_FRAMES_BAR, kFramesBar);

TEST_F(Frames, TheFramesBarsDockThroughItAndItsMessagesShowInTheStatusBar) {
    CStatusBar status;
    ASSERT_TRUE(status.Create(main));
    const UINT indicators[] = {ID_SEPARATOR};
    ASSERT_TRUE(status.SetIndicators(indicators, 1));
    QCoreApplication::processEvents();
    EXPECT_EQ(status.GetPaneText(0), "Ready");   // the frame's first message
    EXPECT_EQ(main->GetMessageBar(), &status);
    main->SetMessageText("Opening");
    EXPECT_EQ(status.GetPaneText(0), "Opening");

    main->EnableDocking(CBRS_ALIGN_ANY);
    CDialogBar bar;
    ASSERT_TRUE(bar.Create(main, IDD_FRAMES_BAR, WS_VISIBLE | CBRS_TOP, 6162));
    bar.EnableDocking(CBRS_ALIGN_ANY);
    main->DockControlBar(&bar, AFX_IDW_DOCKBAR_BOTTOM);
    auto* window = static_cast<QMainWindow*>(main->GetWidget());
    auto* host = window->findChild<QToolBar*>(QStringLiteral("Bar6162"));
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(window->toolBarArea(host), Qt::BottomToolBarArea);
    EXPECT_EQ(main->GetControlBar(6162), &bar);
    main->SaveBarState("Frames\\Bars");

    main->FloatControlBar(&bar, CPoint(300, 200));
    EXPECT_TRUE(bar.IsFloating());
    EXPECT_TRUE(main->LoadBarState("Frames\\Bars"));
    EXPECT_FALSE(bar.IsFloating());
    EXPECT_EQ(window->toolBarArea(host), Qt::BottomToolBarArea);
}

}  // namespace

namespace {

// A child frame's bar docked at its top stands below the child's caption, and
// the view begins below the bar: neither covers the other or the caption.
TEST_F(Frames, AChildFramesBarDocksBelowItsCaptionAboveTheView) {
    main->GetWidget()->resize(800, 600);
    main->ShowWindow(SW_SHOW);
    CTestDoc* document = NewDocument();
    CTestChild* child = FrameOf(document);
    CView* view = document->GetViews().front();
    child->EnableDocking(CBRS_ALIGN_TOP);
    CDialogBar bar;
    ASSERT_TRUE(bar.Create(child, IDD_FRAMES_BAR, WS_VISIBLE | CBRS_TOP, 6163));
    bar.EnableDocking(CBRS_ALIGN_TOP);
    child->DockControlBar(&bar);
    child->MoveWindow(0, 0, 500, 400);
    QCoreApplication::processEvents();
    EXPECT_EQ(child->GetControlBar(6163), &bar);
    EXPECT_EQ(bar.GetParentFrame(), child);

    auto* sub = static_cast<QMdiSubWindow*>(child->GetWidget());
    const QRect contents = sub->contentsRect();
    const QRect barRect(bar.GetWidget()->mapTo(sub, QPoint(0, 0)), bar.GetWidget()->size());
    const QRect viewRect(view->GetWidget()->mapTo(sub, QPoint(0, 0)), view->GetWidget()->size());
    EXPECT_GT(contents.top(), 0) << "the caption stands above the contents";
    EXPECT_GE(barRect.top(), contents.top()) << "the bar stays off the caption";
    EXPECT_GE(viewRect.top(), barRect.bottom()) << "the view begins below the bar";
    EXPECT_GT(viewRect.height(), 0);
    EXPECT_TRUE(contents.contains(viewRect)) << "the view fills the rest of the child";
}

}  // namespace
