// The application object and a single-document frame: the main window it
// keeps, its loop and idle work, its handlers of failures, help and other
// programs, the document manager's opening, and a frame whose view is a form.
#include "platform/ui/app.h"
#include "platform/ui/ddx.h"
#include "platform/ui/dlgtemplate.h"
#include "platform/ui/docmanager.h"
#include "platform/ui/doctemplate.h"
#include "platform/ui/document.h"
#include "platform/ui/formview.h"
#include "platform/ui/frame.h"
#include "platform/ui/mdi.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/winthread.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr UINT IDR_APP_SINGLE = 6160;
constexpr UINT IDR_APP_DOC = 6161;
constexpr UINT IDD_APP_FORM = 6162;
constexpr int IDC_APP_NAME = 1001;

STRING_TABLE({IDR_APP_SINGLE, "Single\nPiece"}, {IDR_APP_DOC, "Sheet\nSheet\nSheet\nSheets\n.sht"});
const DialogTemplate kForm = {"", {{IDC_APP_NAME, DialogControlKind::Edit, "", {4, 4, 80, 12}}}, {120, 40}};
DIALOG_RESOURCE(IDD_APP_FORM, kForm);

class CPlainDoc : public CDocument {
    DECLARE_DYNCREATE(CPlainDoc)
};
IMPLEMENT_DYNCREATE(CPlainDoc, CDocument)

// A form showing a name.
class CNameForm : public CFormView {
    DECLARE_DYNCREATE(CNameForm)
public:
    CNameForm() : CFormView(IDD_APP_FORM) {}
    std::string m_name = "Anna";

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, IDC_APP_NAME, m_name); }
};
IMPLEMENT_DYNCREATE(CNameForm, CFormView)

class CPlainView : public CView {
    DECLARE_DYNCREATE(CPlainView)
};
IMPLEMENT_DYNCREATE(CPlainView, CView)

class CNotingApp : public CWinApp {
public:
    std::vector<long> idleCounts;
    std::vector<UINT> failedMessages;
    long exitAtIdle = -1;   // the idle count at which the program exits (App Exit)
    BOOL OnIdle(long lCount) override {
        idleCounts.push_back(lCount);
        const BOOL more = CWinApp::OnIdle(lCount);
        if (lCount == exitAtIdle)
            OnCmdMsg(ID_APP_EXIT, CN_COMMAND, nullptr, nullptr);
        return more;
    }
    LRESULT ProcessWndProcException(std::exception_ptr e, const MSG& msg) override {
        failedMessages.push_back(msg.message);
        return CWinApp::ProcessWndProcException(e, msg);
    }
};

// A window whose creation fails with an exception.
class CFailingWnd : public CWnd {
public:
    int OnCreate(LPCREATESTRUCT) { throw std::runtime_error("no resources"); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CFailingWnd, CWnd)
    ON_WM_CREATE()
END_MESSAGE_MAP()

// A main frame with a form view on a document, its initial update run.
CFrameWnd* MakeSingleFrame(CDocument& document) {
    CCreateContext context;
    context.m_pNewViewClass = RUNTIME_CLASS(CNameForm);
    context.m_pCurrentDoc = &document;
    auto* frame = new CFrameWnd;
    if (!frame->LoadFrame(IDR_APP_SINGLE, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context))
        return nullptr;
    frame->InitialUpdateFrame(&document, TRUE);
    return frame;
}

TEST(Application, TheMainWindowIsTheThreadsAndItsCloseEndsTheLoop) {
    CNotingApp app;
    EXPECT_EQ(AfxGetApp(), &app);
    CPlainDoc document;
    document.m_bAutoDelete = false;
    document.SetTitle("Song");
    CFrameWnd* frame = MakeSingleFrame(document);
    ASSERT_NE(frame, nullptr);
    app.m_pMainWnd = frame;
    EXPECT_EQ(AfxGetMainWnd(), frame);
    EXPECT_EQ(static_cast<CWnd*>(app.m_pMainWnd), frame);

    // Idle work runs while the loop waits (count 0, then 1); App Exit at
    // count 1 closes the main window, which ends the loop.
    app.exitAtIdle = 1;
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
    EXPECT_EQ(static_cast<CWnd*>(app.m_pMainWnd), nullptr);
    EXPECT_TRUE(document.GetViews().empty());   // the view went with its frame
    // Each message starts the count again at 0.
    ASSERT_GE(app.idleCounts.size(), 2u);
    EXPECT_EQ(app.idleCounts.front(), 0);
    EXPECT_EQ(app.idleCounts.back(), 1);
    for (std::size_t i = 1; i < app.idleCounts.size(); ++i)
        EXPECT_TRUE(app.idleCounts[i] == 0 || app.idleCounts[i] == app.idleCounts[i - 1] + 1) << i;
}

TEST(Application, AFormViewFrameShowsItsDocumentAndItsData) {
    CPlainDoc document;
    document.m_bAutoDelete = false;
    document.SetTitle("Song");
    CFrameWnd* frame = MakeSingleFrame(document);
    ASSERT_NE(frame, nullptr);
    auto* form = DYNAMIC_DOWNCAST(CNameForm, frame->GetActiveView());
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->GetDlgCtrlID(), static_cast<int>(AFX_IDW_PANE_FIRST));
    EXPECT_EQ(form->GetDocument(), &document);
    EXPECT_EQ(frame->GetActiveDocument(), &document);
    std::string title;
    frame->GetWindowText(title);
    EXPECT_EQ(title, "Song - Single");   // the document, then the frame's string up to "\n"

    // The initial update loaded the control; UpdateData(TRUE) reads it back.
    auto* edit = qobject_cast<QLineEdit*>(form->GetDlgItem(IDC_APP_NAME)->GetWidget());
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), "Anna");
    edit->setText("Bert");
    EXPECT_TRUE(form->UpdateData(TRUE));
    EXPECT_EQ(form->m_name, "Bert");

    // No message bar until a window with its id exists.
    EXPECT_EQ(frame->GetMessageBar(), nullptr);
    CWnd bar;
    ASSERT_TRUE(bar.Create(nullptr, "", WS_CHILD, CRect(0, 0, 10, 10), frame, AFX_IDW_STATUS_BAR));
    frame->SetMessageText("Ready");
    std::string text;
    bar.GetWindowText(text);
    EXPECT_EQ(text, "Ready");
    bar.DestroyWindow();
    frame->DestroyWindow();
    EXPECT_TRUE(document.GetViews().empty());
}

TEST(Application, ClosingTheFrameOfAModifiedDocumentAsksFirst) {
    CPromptScript prompts;
    CPlainDoc document;
    document.m_bAutoDelete = false;
    document.SetTitle("Song");
    CFrameWnd* frame = MakeSingleFrame(document);
    ASSERT_NE(frame, nullptr);
    const HWND hFrame = frame->m_hWnd;
    document.SetModifiedFlag(1);
    prompts.Answer(IDCANCEL);
    frame->SendMessage(WM_CLOSE);
    EXPECT_EQ(prompts.GetCount(), 1u);
    EXPECT_EQ(prompts.GetLast().text, "Save changes to Song?");
    ASSERT_EQ(CWnd::FromHandle(hFrame), frame);   // cancelled: the frame stays

    prompts.Answer(IDNO);
    frame->SendMessage(WM_CLOSE);
    EXPECT_EQ(CWnd::FromHandle(hFrame), nullptr);
    EXPECT_TRUE(document.GetViews().empty());
}

TEST(Application, AnExceptionInAHandlerGoesToTheApplication) {
    CNotingApp app;
    CFailingWnd wnd;
    EXPECT_FALSE(wnd.Create(nullptr, "", 0, CRect(0, 0, 10, 10), nullptr, 0));   // refused
    EXPECT_EQ(app.failedMessages, std::vector<UINT>{WM_CREATE});
}

TEST(Application, HelpAndOtherProgramsGoThroughTheHandlers) {
    CNotingApp app;
    std::vector<std::string> calls;
    auto oldHelp = CWinApp::SetWinHelpHandler(
        [&](DWORD_PTR data, UINT cmd) { calls.push_back("help " + std::to_string(data) + " " + std::to_string(cmd)); });
    auto oldShell = SetShellExecuteHandler([&](HWND, const std::string& operation, const std::string& file,
                                               const std::string&, const std::string&, int) -> HINSTANCE_SHELL {
        calls.push_back(operation + " " + file);
        return 42;
    });
    app.WinHelp(17, CWinApp::HELP_CONTEXT);
    EXPECT_EQ(ShellExecute(nullptr, "open", "https://example.org", nullptr, nullptr, SW_SHOW), 42);
    EXPECT_EQ(calls, (std::vector<std::string>{"help 17 1", "open https://example.org"}));
    CWinApp::SetWinHelpHandler(oldHelp);
    SetShellExecuteHandler(oldShell);
    // The defaults open nothing, and say so.
    EXPECT_EQ(ShellExecute(nullptr, "open", "a.txt", nullptr, nullptr, SW_SHOW), SE_ERR_NOASSOC);
}

TEST(DocManager, AFileAlreadyOpenIsNotOpenedTwice) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("one.sht").toStdString();
    std::ofstream(path) << "";
    CNotingApp app;
    auto* main = new CMDIFrameWnd;
    ASSERT_TRUE(main->LoadFrame(IDR_APP_SINGLE));
    app.m_pMainWnd = main;
    app.AddDocTemplate(new CMultiDocTemplate(IDR_APP_DOC, RUNTIME_CLASS(CPlainDoc), RUNTIME_CLASS(CMDIChildWnd),
                                             RUNTIME_CLASS(CPlainView)));
    // File Open asks for the name through the hook, then opens it.
    auto oldHook = CDocManager::SetPromptFileNameHook([&](std::string& name, BOOL open, CDocTemplate*) {
        name = path;
        return open;
    });
    app.OnCmdMsg(ID_FILE_OPEN, CN_COMMAND, nullptr, nullptr);
    CDocManager::SetPromptFileNameHook(oldHook);
    CDocument* first = main->GetActiveDocument();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetPathName(), path);
    EXPECT_EQ(first->GetTitle(), "one.sht");
    // The same file by another spelling of its path.
    const std::string again = dir.path().toStdString() + "/./one.sht";
    EXPECT_EQ(app.OpenDocumentFile(again.c_str()), first);
    EXPECT_EQ(app.GetDocManager()->GetOpenDocumentCount(), 1);
    // An untitled one takes the template's document name.
    app.OnCmdMsg(ID_FILE_NEW, CN_COMMAND, nullptr, nullptr);
    EXPECT_EQ(app.GetDocManager()->GetOpenDocumentCount(), 2);
    EXPECT_EQ(main->GetActiveDocument()->GetTitle(), "Sheet1");
    app.CloseAllDocuments(FALSE);
    EXPECT_EQ(app.GetDocManager()->GetOpenDocumentCount(), 0);
    main->DestroyWindow();
}

TEST(DocManager, AFrameThatCannotBeMadeLeavesNothingBehindAndSaysSo) {
    CPromptScript prompts;
    CNotingApp app;
    // No MDI frame to hold a child: the child is refused and gone (no leak).
    EXPECT_FALSE((new CMDIChildWnd)->LoadFrame(IDR_APP_DOC));
    auto* main = new CMDIFrameWnd;
    ASSERT_TRUE(main->LoadFrame(IDR_APP_SINGLE));
    app.m_pMainWnd = main;
    // The "view" is a document: no window can be made of it, so the frame is refused.
    auto* broken = new CMultiDocTemplate(IDR_APP_DOC, RUNTIME_CLASS(CPlainDoc), RUNTIME_CLASS(CMDIChildWnd),
                                         RUNTIME_CLASS(CPlainDoc));
    app.AddDocTemplate(broken);
    EXPECT_EQ(broken->OpenDocumentFile(nullptr), nullptr);
    EXPECT_EQ(prompts.GetLast().text, "Failed to create empty document.");
    EXPECT_EQ(broken->GetFirstDocPosition(), nullptr);   // the document went too
    EXPECT_TRUE(main->GetMDIChildren().empty());
    EXPECT_EQ(broken->m_nUntitledCount, 0u);
    main->DestroyWindow();
}

}  // namespace
