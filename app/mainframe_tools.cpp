// The frame's calls into the mixer window, the splash window, the tip of the
// day and the preference sheet (the seams declared in mainframe.h).
#include "app/mainframe.h"

#include "app/splash.h"
#include "app/tips.h"
#include "interface/controls/palette.h"
#include "mixer/mixerwnd.h"
#include "model/states.h"
#include "preferences/prefswnd.h"

void CMainFrame::CreateMixerWnd() {
    m_pMixerWnd = new CMixerWnd(this, CWnd::FromHandle(m_hWndMDIClient));   // goes with its window
}

void CMainFrame::RouteToMixer(long code, SCBase* state) {
    if (auto* mixer = static_cast<CMixerWnd*>(m_pMixerWnd))
        mixer->OnUpdate(code, state);
}

void CMainFrame::ShowSplashStatus(UINT statusId) {
    if (IsPrintingFromCommandLine())
        return;   // a print shows no window
    CSplashWnd* splash = CSplashWnd::GetSplash();
    if (!splash) {
        splash = CSplashWnd::ShowSplash(nullptr, MCPalette::GetSharedPalette());
        if (!splash)
            return;   // no picture: no splash window
        splash->SetVersionText(IDS_SPLASH_VERSION);
    }
    splash->SetSplashMessage(statusId);
}

void CMainFrame::CloseSplashLater() {
    if (CSplashWnd* splash = CSplashWnd::GetSplash())
        splash->CloseAfter(2000);
}

void CMainFrame::RunTipDialog(const std::string& file, int& tipNumber, int& showAtStart) {
    SECTipOfDay tips(file, tipNumber, showAtStart, this);
    tips.DoModal();
    tipNumber = tips.GetTipNumber();
    showAtStart = tips.GetShowAtStartup();
}

void CMainFrame::RunPrefsSheet(int category) {
    CPrefsWnd sheet(category);
    sheet.DoModal();
}
