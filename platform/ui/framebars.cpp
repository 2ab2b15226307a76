// A frame's control-bar operations: the frame is the window the docking
// operations of controlbar.h work on.
#include "platform/ui/frame.h"

#include "platform/ui/controlbar.h"

void CFrameWnd::EnableDocking(DWORD dwDockStyle) {
    ::EnableDocking(this, dwDockStyle);
}

void CFrameWnd::DockControlBar(CControlBar* pBar, UINT nDockBarID, const RECT* lpRect) {
    ::DockControlBar(this, pBar, nDockBarID, lpRect);
}

void CFrameWnd::FloatControlBar(CControlBar* pBar, CPoint point) {
    ::FloatControlBar(this, pBar, point, CBRS_ALIGN_TOP);
}

void CFrameWnd::FloatControlBar(CControlBar* pBar, CPoint point, DWORD dwStyle) {
    ::FloatControlBar(this, pBar, point, dwStyle);
}

void CFrameWnd::ShowControlBar(CControlBar* pBar, BOOL bShow, BOOL bDelay) {
    ::ShowControlBar(this, pBar, bShow, bDelay);
}

CControlBar* CFrameWnd::GetControlBar(UINT nID) {
    return ::GetControlBar(this, nID);
}

void CFrameWnd::RecalcLayout(BOOL) {
    ::RecalcLayout(this);
}

void CFrameWnd::SaveBarState(const char* lpszProfileName) {
    ::SaveBarState(this, lpszProfileName);
}

BOOL CFrameWnd::LoadBarState(const char* lpszProfileName) {
    return ::LoadBarState(this, lpszProfileName);
}
