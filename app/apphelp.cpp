// Help for the program (CStaffwrightApp::WinHelp).
//
// Help is a file beside the program, opened with the desktop's program for it
// (ShellExecute). Until one ships, a command's context help (Shift+F1 and a
// click on a menu item or a bar button) shows the command's prompt: the text
// the status bar gives it, before its tool tip.
#include "app/staffwrightapp.h"

#include "platform/core/filesys.h"
#include "platform/core/resources.h"
#include "platform/ui/wnd.h"
#include "platform/ui/help.h"
#include "platform/ui/placement.h"
#include "platform/ui/prompt.h"

const char* const CStaffwrightApp::kHelpFileName = "Staffwright Help.html";

void CStaffwrightApp::WinHelp(DWORD_PTR dwData, UINT nCmd) {
    if (nCmd == HELP_QUIT)
        return;
    const std::string helpFile = GetProgramFolder() + "/" + kHelpFileName;
    if (FileExists(helpFile)) {
        CWnd* main = m_pMainWnd;
        ShellExecute(main ? main->GetSafeHwnd() : nullptr, "open", helpFile.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return;
    }
    // A command's context: its id after the command base.
    if (nCmd == HELP_CONTEXT && dwData >= HID_BASE_COMMAND && dwData < HID_BASE_RESOURCE) {
        std::string prompt;
        if (::LoadString(static_cast<unsigned>(dwData - HID_BASE_COMMAND), prompt)) {
            prompt = prompt.substr(0, prompt.find('\n'));
            if (!prompt.empty()) {
                ShowPrompt(prompt, MB_OK | MB_ICONINFORMATION);
                return;
            }
        }
    }
    CWinApp::WinHelp(dwData, nCmd);
}
