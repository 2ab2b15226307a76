// What the frame asks of the parts other files of the program make: the time
// bar, the mixer window, the splash window, the tips dialog and the preference
// sheet. Each is one call here, so a part arriving replaces its function body
// and nothing else of the frame.
//
// FIXME: until the time bar is merged, the frame runs without one.
#include "app/mainframe.h"

BOOL CMainFrame::CreateTimeBar() { return TRUE; }

void CMainFrame::RouteToTimeBar(long, SCBase*) {}

void CMainFrame::DeleteTimeBar() { m_pTimeBar = nullptr; }

CControlBar* CMainFrame::GetTimeBarWnd() const { return nullptr; }

// The mixer, the splash window, the tips dialog and the preference sheet:
// mainframe_tools.cpp.
