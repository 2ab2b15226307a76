// CWinApp: the application, one per process.
//
// The program makes one CWinApp (AfxGetApp answers it while it lives) and
// calls InitInstance, then Run, which runs the QApplication's event loop:
// each time the queue runs dry OnIdle is called with a count that starts at
// 0 after each message and goes up while OnIdle asks for more (the base
// updates the windows that follow their commands, RunIdleUpdates, at count 0).
// Run ends when the main window goes (or on AfxPostQuitMessage) and answers
// ExitInstance.
//
// m_pMainWnd is the thread's main window (winthread.h): assigning it sets
// SetMainWnd, reading it answers AfxGetMainWnd, so the two never differ.
//
// The application is the last target of the main frame's routing: its table
// takes File New and File Open to the document manager (docmanager.h), which
// keeps the document templates (AddDocTemplate), and App Exit closes the main
// window. An exception escaping a window's handler comes to
// ProcessWndProcException while the application lives.
//
// Help and opening files with other programs go through handlers that tests
// (and the GUI) replace; the defaults only trace.
//
// User-interface thread only.
#pragma once

#include "platform/ui/cmdtarget.h"
#include "platform/ui/commands.h"
#include "platform/ui/msgmap.h"
#include "platform/ui/winthread.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

class CCmdUI;
class CDocManager;
class CDocTemplate;
class CDocument;
class CRecentFileList;
class CWnd;

class CWinApp : public CCmdTarget {
    DECLARE_DYNAMIC(CWinApp)
public:
    // The process's application; `appName` (may be null) names it in messages.
    explicit CWinApp(const char* lpszAppName = nullptr);
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The thread's main window, kept as winthread.h keeps it (see above).
    class CMainWndRef {
    public:
        CMainWndRef& operator=(CWnd* pWnd) {
            SetMainWnd(pWnd);
            return *this;
        }
        operator CWnd*() const { return AfxGetMainWnd(); }
        CWnd* operator->() const { return AfxGetMainWnd(); }
    };
    CMainWndRef m_pMainWnd;

    std::string m_pszAppName;
    int m_nCmdShow = -1;   // how the main window is first shown (-1: normally)

    virtual BOOL InitInstance() { return TRUE; }
    // Answers the process's exit code (the one Run ended with).
    virtual int ExitInstance();
    // Runs the event loop (see above); answers ExitInstance.
    virtual int Run();
    // One round of idle work; TRUE to be called again with `lCount` + 1
    // before waiting. The base runs the idle updates at count 0.
    virtual BOOL OnIdle(long lCount);

    // ---- documents -------------------------------------------------------------------

    // Hands the template to the document manager (made when first needed), which owns it.
    void AddDocTemplate(CDocTemplate* pTemplate);
    // Opens the file, or activates the document already open from it.
    virtual CDocument* OpenDocumentFile(const char* lpszFileName);
    // Asks every document to save its changes; FALSE when one was cancelled.
    virtual BOOL SaveAllModified();
    // Closes every document.
    void CloseAllDocuments(BOOL bEndSession);
    CDocManager* GetDocManager() const { return m_pDocManager.get(); }

    // ---- the recent-file list (recentfiles.h) ------------------------------------------

    // Reads the list of the last `nMaxMRU` files (at most 16; 0: no list)
    // from the profile section "Recent File List".
    void LoadStdProfileSettings(UINT nMaxMRU = 4);
    // Writes the list back; ExitInstance does.
    void SaveStdProfileSettings();
    // Puts the file at the top of the list (nothing without one).
    virtual void AddToRecentFileList(const char* lpszPathName);
    // ID_FILE_MRU_FILE1 + n: opens entry n; a file that no longer opens leaves the list.
    afx_msg BOOL OnOpenRecentFile(UINT nID);
    // The File menu's entries at the placeholder ID_FILE_MRU_FILE1.
    afx_msg void OnUpdateRecentFileMenu(CCmdUI* pCmdUI);
    std::unique_ptr<CRecentFileList> m_pRecentFileList;   // owned; null without LoadStdProfileSettings

    // ---- failures, help and other programs ---------------------------------------------

    // An exception escaping a window's handler: reported (a user exception
    // only ends the message); answers -1 for WM_CREATE (the window is
    // refused) and 0 for anything else.
    virtual LRESULT ProcessWndProcException(std::exception_ptr e, const MSG& msg);

    // Asks the help handler for help on `dwData` (`nCmd`: HELP_CONTEXT ...).
    virtual void WinHelp(DWORD_PTR dwData, UINT nCmd = HELP_CONTEXT);
    using WinHelpHandler = std::function<void(DWORD_PTR dwData, UINT nCmd)>;
    // Installs the help handler (empty: the default, a trace); answers the previous.
    static WinHelpHandler SetWinHelpHandler(WinHelpHandler handler);

    // ID_HELP_FINDER and ID_DEFAULT_HELP: WinHelp(0, HELP_FINDER); ID_HELP_INDEX: WinHelp(0, HELP_INDEX).
    afx_msg void OnHelpFinder();
    afx_msg void OnHelpIndex();

    enum : UINT { HELP_CONTEXT = 0x0001, HELP_QUIT = 0x0002, HELP_INDEX = 0x0003, HELP_FINDER = 0x000B };

protected:
    afx_msg void OnFileNew();
    afx_msg void OnFileOpen();
    // Closes the main window (WM_CLOSE), which ends Run.
    afx_msg void OnAppExit();
    // Print Setup: chooses the program's printer and paper (print.h; viewprint.cpp).
    afx_msg void OnFilePrintSetup();
    DECLARE_MESSAGE_MAP()

    std::unique_ptr<CDocManager> m_pDocManager;   // owned; made by AddDocTemplate

private:
    friend void AfxPostQuitMessage(int nExitCode);
    bool m_bRunning = false;
    int m_nExitCode = 0;
};

// The application; null when none lives.
CWinApp* AfxGetApp();
// Ends the running event loop of the application with `nExitCode`.
void AfxPostQuitMessage(int nExitCode);

// Opens `lpszFile` with the program the desktop gives it (`lpszOperation`
// "open", "print" ...), through the handler; answers more than 32 on success,
// else an error code (SE_ERR_NOASSOC from the default handler, which opens
// nothing and traces).
using HINSTANCE_SHELL = std::intptr_t;
HINSTANCE_SHELL ShellExecute(HWND hWnd, const char* lpszOperation, const char* lpszFile, const char* lpszParameters,
                             const char* lpszDirectory, int nShowCmd);
using ShellExecuteHandler = std::function<HINSTANCE_SHELL(HWND hWnd, const std::string& operation,
                                                          const std::string& file, const std::string& parameters,
                                                          const std::string& directory, int showCmd)>;
// Installs the handler (empty: the default); answers the previous one.
ShellExecuteHandler SetShellExecuteHandler(ShellExecuteHandler handler);
// The handler a program installs to open things as the desktop does: a file
// (or a URL) goes to the desktop's default application for it. Only "open"
// is served; answers 33 when the desktop took it, SE_ERR_NOASSOC otherwise.
ShellExecuteHandler DesktopShellExecuteHandler();
inline constexpr HINSTANCE_SHELL SE_ERR_NOASSOC = 31;
