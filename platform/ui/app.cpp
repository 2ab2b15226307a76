#include "platform/ui/app.h"

#include "platform/core/trace.h"
#include "platform/core/window.h"
#include "platform/ui/docmanager.h"
#include "platform/ui/document.h"
#include "platform/ui/help.h"
#include "platform/ui/recentfiles.h"
#include "platform/ui/wnd.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDesktopServices>
#include <QTimer>
#include <QUrl>

namespace {

CWinApp* g_app = nullptr;   // the one application; set while it lives

CWinApp::WinHelpHandler& HelpHandler() {
    static CWinApp::WinHelpHandler handler;
    return handler;
}

ShellExecuteHandler& ShellHandler() {
    static ShellExecuteHandler handler;
    return handler;
}

// The idle work of a running application: OnIdle with a rising count while
// it asks for more, started again (count 0) after each message that is no
// idle noise of its own.
class CIdleDriver : public QObject {
public:
    explicit CIdleDriver(CWinApp& app) : m_app(app) {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { RunOnce(); });
        qApp->installEventFilter(this);
        m_timer.start();
    }
    ~CIdleDriver() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &m_timer && IsMessage(event->type())) {
            m_count = 0;
            if (!m_timer.isActive())
                m_timer.start();
        }
        return false;
    }

private:
    static bool IsMessage(QEvent::Type type) {
        switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::Close:
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::FocusIn:
        case QEvent::WindowActivate:
            return true;
        default:
            return type >= QEvent::User;   // posted window messages
        }
    }
    void RunOnce() {
        if (!m_app.OnIdle(m_count++))
            m_timer.stop();   // nothing more to do until the next message
    }

    CWinApp& m_app;
    QTimer m_timer;
    long m_count = 0;
};

}  // namespace

IMPLEMENT_DYNAMIC(CWinApp, CCmdTarget)

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
    ON_COMMAND(ID_FILE_NEW, &CWinApp::OnFileNew)
    ON_COMMAND(ID_FILE_OPEN, &CWinApp::OnFileOpen)
    ON_COMMAND(ID_APP_EXIT, &CWinApp::OnAppExit)
    ON_COMMAND(ID_FILE_PRINT_SETUP, &CWinApp::OnFilePrintSetup)
    // The recent-file list and help (recentfiles.cpp, help.cpp).
    ON_COMMAND_EX_RANGE(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE16, &CWinApp::OnOpenRecentFile)
    ON_UPDATE_COMMAND_UI(ID_FILE_MRU_FILE1, &CWinApp::OnUpdateRecentFileMenu)
    ON_COMMAND(ID_HELP_FINDER, &CWinApp::OnHelpFinder)
    ON_COMMAND(ID_DEFAULT_HELP, &CWinApp::OnHelpFinder)
    ON_COMMAND(ID_HELP_INDEX, &CWinApp::OnHelpIndex)
END_MESSAGE_MAP()

CWinApp* AfxGetApp() { return g_app; }

CWinApp::CWinApp(const char* lpszAppName) {
    if (g_app)
        Trace("CWinApp: a second application; the first one stays AfxGetApp\n");
    else
        g_app = this;
    if (lpszAppName && *lpszAppName) {
        m_pszAppName = lpszAppName;
        SetAppName(m_pszAppName);
    } else {
        m_pszAppName = GetAppName();
    }
    if (g_app == this)
        SetWndProcExceptionHook([](std::exception_ptr e, const MSG& msg) -> LRESULT {
            return g_app ? g_app->ProcessWndProcException(e, msg) : 0;
        });
}

CWinApp::~CWinApp() {
    if (g_app != this)
        return;
    // The documents go before the templates that made them.
    if (m_pDocManager)
        m_pDocManager->CloseAllDocuments(TRUE);
    m_pDocManager.reset();
    SetWndProcExceptionHook({});
    g_app = nullptr;
}

int CWinApp::ExitInstance() {
    SaveStdProfileSettings();
    return m_nExitCode;
}

int CWinApp::Run() {
    m_bRunning = true;
    m_nExitCode = 0;
    int code = 0;
    {
        CIdleDriver idle(*this);
        code = QApplication::exec();
    }
    m_bRunning = false;
    m_nExitCode = code;
    return ExitInstance();
}

BOOL CWinApp::OnIdle(long lCount) {
    if (lCount <= 0)
        RunIdleUpdates();
    return lCount < 1;
}

void AfxPostQuitMessage(int nExitCode) {
    if (g_app && g_app->m_bRunning)
        QCoreApplication::exit(nExitCode);
}

void CWinApp::AddDocTemplate(CDocTemplate* pTemplate) {
    if (!m_pDocManager)
        m_pDocManager = std::make_unique<CDocManager>();
    m_pDocManager->AddDocTemplate(pTemplate);
}

CDocument* CWinApp::OpenDocumentFile(const char* lpszFileName) {
    return m_pDocManager ? m_pDocManager->OpenDocumentFile(lpszFileName) : nullptr;
}

BOOL CWinApp::SaveAllModified() {
    return m_pDocManager ? m_pDocManager->SaveAllModified() : TRUE;
}

void CWinApp::CloseAllDocuments(BOOL bEndSession) {
    if (m_pDocManager)
        m_pDocManager->CloseAllDocuments(bEndSession);
}

void CWinApp::OnFileNew() {
    if (m_pDocManager)
        m_pDocManager->OnFileNew();
}

void CWinApp::OnFileOpen() {
    if (m_pDocManager)
        m_pDocManager->OnFileOpen();
}

void CWinApp::OnAppExit() {
    if (CWnd* main = m_pMainWnd)
        main->SendMessage(WM_CLOSE);
}

LRESULT CWinApp::ProcessWndProcException(std::exception_ptr e, const MSG& msg) {
    ReportHandlerError(e);
    return msg.message == WM_CREATE ? -1 : 0;   // a window whose creation failed is refused
}

void CWinApp::WinHelp(DWORD_PTR dwData, UINT nCmd) {
    if (HelpHandler())
        HelpHandler()(dwData, nCmd);
    else
        Trace("WinHelp: %lu, command %u\n", static_cast<unsigned long>(dwData), nCmd);
}

CWinApp::WinHelpHandler CWinApp::SetWinHelpHandler(WinHelpHandler handler) {
    WinHelpHandler previous = std::move(HelpHandler());
    HelpHandler() = std::move(handler);
    return previous;
}

HINSTANCE_SHELL ShellExecute(HWND hWnd, const char* lpszOperation, const char* lpszFile, const char* lpszParameters,
                             const char* lpszDirectory, int nShowCmd) {
    auto text = [](const char* s) { return std::string(s ? s : ""); };
    if (ShellHandler())
        return ShellHandler()(hWnd, text(lpszOperation), text(lpszFile), text(lpszParameters), text(lpszDirectory),
                              nShowCmd);
    Trace("ShellExecute: %s \"%s\" (nothing opened)\n", text(lpszOperation).c_str(), text(lpszFile).c_str());
    return SE_ERR_NOASSOC;
}

ShellExecuteHandler SetShellExecuteHandler(ShellExecuteHandler handler) {
    ShellExecuteHandler previous = std::move(ShellHandler());
    ShellHandler() = std::move(handler);
    return previous;
}

ShellExecuteHandler DesktopShellExecuteHandler() {
    return [](HWND, const std::string& operation, const std::string& file, const std::string&, const std::string&,
              int) -> HINSTANCE_SHELL {
        if (!operation.empty() && operation != "open")
            return SE_ERR_NOASSOC;
        const QString name = QString::fromStdString(file);
        // A path is a local file; anything with a scheme a URL as it stands.
        const QUrl url = name.startsWith('/') ? QUrl::fromLocalFile(name) : QUrl(name);
        if (!url.isValid() || !QDesktopServices::openUrl(url))
            return SE_ERR_NOASSOC;
        return 33;
    };
}
