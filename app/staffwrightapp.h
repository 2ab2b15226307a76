// CStaffwrightApp: the program's application object.
//
// InitInstance brings the program up in a fixed order (staffwrightapp.cpp):
// the profile, the one device object, the main frame from resource 144, the
// libraries and plug-ins (InitLibraries), ending with the one document
// template, then the command line, and only then the main frame's first
// activation, so a file named on the command line is open and active before
// the frame makes its tool windows. A print command (shellprint.cpp) prints
// and ends the program: InitInstance answers 0 and ExitInstance the print's
// status, 0 when pages were printed, 1 otherwise.
//
// At the end ExitInstance waits for the threads that release closed
// documents (at most 5000 ms) and the destructor deletes the device object.
//
// User-interface thread only.
#pragma once

#include "app/commandline.h"
#include "platform/ui/app.h"

#include <memory>
#include <string>
#include <vector>

class CPortavel;
class CPluginView;

class CStaffwrightApp : public CWinApp {
public:
    CStaffwrightApp();
    // Deletes the device object.
    ~CStaffwrightApp() override;

    // See the file comment. Non-zero to run the message loop.
    BOOL InitInstance() override;
    // Waits for the release threads, then the base's exit; after a print
    // command, answers the print's status.
    int ExitInstance() override;
    // An exception escaped a window's handler: reported (see the source) and
    // the program goes on.
    LRESULT ProcessWndProcException(std::exception_ptr e, const MSG& msg) override;
    // Template files (extension "mmt", as written) never enter the list.
    void AddToRecentFileList(const char* lpszPathName) override;
    // Help: the help file beside the program through the shell's opener, or,
    // for a command's context without one, the command's prompt (apphelp.cpp).
    void WinHelp(DWORD_PTR dwData, UINT nCmd = HELP_CONTEXT) override;

    // The document manager, the engine, the tool-window libraries, the
    // preference pages, the Information view's record, the plug-ins and the
    // one document template, in that order.
    virtual void InitLibraries();

    // The arguments after the program's name, as the bytes the shell gave
    // (RunStaffwright passes its argv). Never set, the process's own are
    // taken as Qt decoded them, where a name that is not UTF-8 is lost.
    void SetCommandLine(std::vector<std::string> arguments);
    const CCommandLineInfo& GetCommandLineInfo() const { return m_cmdInfo; }

    CPortavel* GetPortavel() const { return m_pPortavel; }
    // The program's own view record, the Information view.
    static CPluginView& GetInfoViewRecord();

    // The name of the help file looked for beside the program.
    static const char* const kHelpFileName;

    // The application's own texts and commands.
    enum : UINT {
        IDS_OLE_INIT_FAILED = 100,
        IDS_EXCEPTION = 150,
        IDP_COMMAND_FAILURE = 61705,   // the standard "command failed" prompt
        ID_CONTEXT_MENU_KEY = 32910,
        ID_ABOUT = 57664,
    };

protected:
    // Shift+F10: the focus window's context menu, at the centre of its window.
    afx_msg void OnContextMenuKey();
    // About (57664): the splash window until a click.
    afx_msg void OnAppAbout();
    DECLARE_MESSAGE_MAP()

private:
    // Acts on the command line; FALSE to end the program.
    BOOL ProcessShellCommand();

    CPortavel* m_pPortavel = nullptr;   // owned; made by InitInstance
    std::vector<std::string> m_arguments;
    bool m_bArgumentsSet = false;
    CCommandLineInfo m_cmdInfo;
    int m_nPrintStatus = -1;            // the print command's status; -1 when none ran
};

// The program: a Qt application (offscreen for a print command run with no
// display), the application object, start-up and the message loop. Answers
// the process's exit status.
int RunStaffwright(int argc, char** argv);
