// What the frame asks of the parts other files of the program make: the time
// bar, the mixer window, the splash window, the tips dialog and the preference
// sheet. Each is one call here, so a part arriving replaces its function body
// and nothing else of the frame.
//
// FIXME: until those parts are merged, the frame runs without a time bar, a
// mixer window or a splash window, the tip of the day shows nothing (the stored
// number still advances, as a dialog closed at once would leave it) and the
// preference commands do nothing.
#include "app/mainframe.h"

BOOL CMainFrame::CreateTimeBar() { return TRUE; }

void CMainFrame::RouteToTimeBar(long, SCBase*) {}

void CMainFrame::DeleteTimeBar() { m_pTimeBar = nullptr; }

CControlBar* CMainFrame::GetTimeBarWnd() const { return nullptr; }

void CMainFrame::CreateMixerWnd() {}

void CMainFrame::RouteToMixer(long, SCBase*) {}

void CMainFrame::ShowSplashStatus(UINT) {}

void CMainFrame::CloseSplashLater() {}

void CMainFrame::RunTipDialog(const std::string&, int&, int&) {}

void CMainFrame::RunPrefsSheet(int) {}
