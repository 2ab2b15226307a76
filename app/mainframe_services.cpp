// What the frame asks of the time bar: made, routed to, deleted, found. The
// mixer window, the splash window, the tips dialog and the preference sheet
// are asked in mainframe_tools.cpp.
#include "app/mainframe.h"
#include "app/timebar.h"
#include "model/states.h"

BOOL CMainFrame::CreateTimeBar() {
    m_pTimeBar = new CTimeBar;
    return m_pTimeBar->CreateBar(this) != 0;
}

void CMainFrame::RouteToTimeBar(long code, SCBase* state) {
    if (m_pTimeBar)
        m_pTimeBar->OnUpdate(code, state);
}

void CMainFrame::DeleteTimeBar() {
    delete m_pTimeBar;
    m_pTimeBar = nullptr;
}

CControlBar* CMainFrame::GetTimeBarWnd() const { return m_pTimeBar; }
