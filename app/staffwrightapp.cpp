// CStaffwrightApp: start-up, exit, failures of window handlers and the
// recent-file list (see staffwrightapp.h).
#include "app/staffwrightapp.h"

#include "app/about.h"
#include "app/docmanager.h"
#include "app/infoview.h"
#include "app/mainframe.h"
#include "app/shellprint.h"
#include "interface/controls/palette.h"
#include "interface/document/opusdoc.h"
#include "interface/document/opustemplate.h"
#include "interface/document/opuswnd.h"
#include "interface/document/pathhelpers.h"
#include "interface/document/pluginrecords.h"
#include "interface/document/savedialog.h"
#include "platform/core/exceptions.h"
#include "platform/core/resources.h"
#include "platform/devices/portavel.h"
#include "interface/glyphbox/glyphbox.h"
#include "interface/inspector/inspector.h"
#include "platform/ui/docmanager.h"
#include "platform/ui/frame.h"
#include "platform/ui/prompt.h"
#include "platform/ui/screen.h"
#include "preferences/prefswnd.h"
#include "sequencer/startup.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

// The resources of the document template (the document menu and the ".mmm"
// strings); the main frame's (IDR_MAINFRAME) are its own.
constexpr UINT IDR_OPUSTYPE = 131;
// The frame style that puts the document's title before the program's.
constexpr DWORD kMainFrameStyle = 0xCF8000;
constexpr UINT kRecentFiles = 7;

// The Information view's record: the program's own resources, view index 1
// (command 12273), title "Information", first in the View menu.
CPluginView s_infoViewRecord(RUNTIME_CLASS(CInfoView), RUNTIME_CLASS(MCOpusWnd), nullptr, 1, 12293, 0);

}  // namespace

BEGIN_MESSAGE_MAP(CStaffwrightApp, CWinApp)
    ON_COMMAND(CStaffwrightApp::ID_CONTEXT_MENU_KEY, &CStaffwrightApp::OnContextMenuKey)
    ON_COMMAND(CStaffwrightApp::ID_ABOUT, &CStaffwrightApp::OnAppAbout)
END_MESSAGE_MAP()

CStaffwrightApp::CStaffwrightApp() : CWinApp("Staffwright") {}

void CStaffwrightApp::OnAppAbout() { ShowAbout(MCPalette::GetSharedPalette()); }

CStaffwrightApp::~CStaffwrightApp() {
    delete m_pPortavel;
    m_pPortavel = nullptr;
}

CPluginView& CStaffwrightApp::GetInfoViewRecord() { return s_infoViewRecord; }

void CStaffwrightApp::SetCommandLine(std::vector<std::string> arguments) {
    m_arguments = std::move(arguments);
    m_bArgumentsSet = true;
}

BOOL CStaffwrightApp::InitInstance() {
    // 1-3. The profile lives under "Norvane"/"Staffwright" by construction
    // (profile.h); nothing of compound files or the clipboard can fail to
    // start here, so string 100 is never shown. Seven recent files.
    LoadStdProfileSettings(kRecentFiles);
    // What earlier layers leave for the program to install once: the real
    // screen's metrics and the save dialog as the documents' way to ask.
    InstallScreenMetrics();
    MCSaveDialog::InstallSavePathHook();
    // Opening a file or an address goes to the desktop's default application,
    // unless a handler is in place already (a test's).
    if (ShellExecuteHandler previous = SetShellExecuteHandler(DesktopShellExecuteHandler()))
        SetShellExecuteHandler(std::move(previous));

    // What the command line asks is known before the frame is made: a print
    // shows no window (no splash either) and opens no device.
    if (!m_bArgumentsSet) {
        const QStringList arguments = QCoreApplication::arguments();
        for (qsizetype i = 1; i < arguments.size(); ++i)
            m_arguments.push_back(arguments[i].toStdString());
    }
    m_cmdInfo.Parse(m_arguments);

    // 4. The one device object. It starts without sound hardware all the same;
    // the frame's first activation opens the devices. A print plays nothing:
    // its device object reaches for no device at all.
    m_pPortavel = m_cmdInfo.IsPrint() ? new CPortavel(std::vector<std::unique_ptr<CPVBackend>>()) : new CPortavel;

    // 5. The main frame; its creation makes its bars and becomes the global
    // state handler. A frame that fails is gone already.
    // The main window is known by its handle, so it is set once the window exists.
    CFrameWnd* frame = new CMainFrame;
    if (!frame->LoadFrame(IDR_MAINFRAME, kMainFrameStyle, nullptr, nullptr))
        return FALSE;
    m_pMainWnd = frame;

    // 6.
    InitLibraries();

    // 7. Dropped files open; shell open is the command line here (no DDE).
    frame->DragAcceptFiles(TRUE);

    // 8. Before the first activation, so a file named here is open and active
    // when the frame makes its tool windows.
    if (m_cmdInfo.IsProcessed() && !ProcessShellCommand()) {
        // The frame was never shown; it goes before the program ends.
        frame->DestroyWindow();
        return FALSE;
    }

    // 9. The frame's first activation: its stored placement, the mode, the
    // tool windows, the tip of the day.
    frame->ActivateFrame(m_nCmdShow);
    frame->UpdateWindow();
    return TRUE;
}

void CStaffwrightApp::InitLibraries() {
    // Made before any template, so the base never makes a default one.
    m_pDocManager = std::make_unique<MCDocManager>();
    InitSequencer();
    InitInspector();
    InitGlyphbox();
    InitPrefs();
    CPluginView::AddPlugin(&s_infoViewRecord);
    // A plug-in that fails to load ends the scan, not the start.
    CPlugin::Initialize();
    AddDocTemplate(new MCOpusTemplate(IDR_OPUSTYPE, RUNTIME_CLASS(MCOpusWnd), RUNTIME_CLASS(CInfoView)));
}

BOOL CStaffwrightApp::ProcessShellCommand() {
    if (m_cmdInfo.IsPrint()) {
        m_nPrintStatus = PrintFromShell(*this, m_cmdInfo);
        // A print ends the program whatever came of it.
        return FALSE;
    }
    return OpenDocumentFile(m_cmdInfo.m_strFileName.c_str()) != nullptr;
}

int CStaffwrightApp::ExitInstance() {
    MCOpusDoc::WaitThreadsFinished(1);
    const int code = CWinApp::ExitInstance();
    return m_nPrintStatus >= 0 ? m_nPrintStatus : code;
}

LRESULT CStaffwrightApp::ProcessWndProcException(std::exception_ptr e, const MSG& msg) {
    if (msg.message == WM_CREATE || msg.message == WM_PAINT)
        return CWinApp::ProcessWndProcException(e, msg);
    UINT prompt = IDS_EXCEPTION;
    LRESULT result = 0;
    if (msg.message == WM_COMMAND) {
        result = 1;
        // A menu item or a key failed; a control's own failure keeps 150.
        if (msg.lParam == 0)
            prompt = IDP_COMMAND_FAILURE;
    }
    std::string text;
    ::LoadString(prompt, text);
    try {
        std::rethrow_exception(e);
    } catch (const CMemoryException& memory) {
        memory.ReportError(MB_SYSTEMMODAL | MB_ICONEXCLAMATION, text);
    } catch (const CException& failure) {
        // A user exception reports nothing: the user was told already.
        failure.ReportError(MB_ICONSTOP, text);
    } catch (...) {
        // Not one of ours: it has no message for the user.
        ShowPrompt(text, MB_OK | MB_ICONSTOP);
    }
    return result;
}

void CStaffwrightApp::AddToRecentFileList(const char* lpszPathName) {
    if (MCGetExtension(lpszPathName ? lpszPathName : "") == "mmt")
        return;
    CWinApp::AddToRecentFileList(lpszPathName);
}

void CStaffwrightApp::OnContextMenuKey() {
    CWnd* focus = CWnd::GetFocus();
    if (!focus)
        return;
    CRect rect;
    focus->GetWindowRect(&rect);
    const CPoint centre = rect.CenterPoint();
    focus->SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(focus->GetSafeHwnd()),
                       MAKELONG(static_cast<WORD>(centre.x), static_cast<WORD>(centre.y)));
}
