#include "interface/controls/feedbackbutton.h"

BEGIN_MESSAGE_MAP(MCFeedbackButton, MCButton)
    ON_WM_TIMER()
END_MESSAGE_MAP()

void MCFeedbackButton::OnLButtonDown(UINT nFlags, CPoint point) {
    m_bRepeating = 0;
    m_nTimerId = GetDlgCtrlID();
    SetTimer(static_cast<UINT_PTR>(m_nTimerId), kFirstDelay);
    m_bPressed = 1;
    // The pointer is where it pressed, whether or not a move told us so.
    m_ptLast = point;
    MCButton::OnLButtonDown(nFlags, point);
}

void MCFeedbackButton::OnLButtonUp(UINT nFlags, CPoint point) {
    KillTimer(static_cast<UINT_PTR>(m_nTimerId));
    m_bPressed = 0;
    MCButton::OnLButtonUp(nFlags, point);
}

void MCFeedbackButton::OnMouseMove(UINT nFlags, CPoint point) {
    m_ptLast = point;
    MCButton::OnMouseMove(nFlags, point);
}

void MCFeedbackButton::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent != static_cast<UINT_PTR>(m_nTimerId)) {
        MCButton::OnTimer(nIDEvent);
        return;
    }
    if (!m_bRepeating) {
        SetTimer(nIDEvent, kRepeatDelay);   // replaces the first delay's timer
        m_bRepeating = 1;
    }
    CRect client;
    GetClientRect(&client);
    const bool inside = m_ptLast.x >= client.left && m_ptLast.x <= client.right && m_ptLast.y >= client.top &&
                        m_ptLast.y <= client.bottom;
    if (CWnd* parent = GetParent(); inside && parent)
        parent->PostMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(m_nTimerId), BN_CLICKED),
                            reinterpret_cast<LPARAM>(m_hWnd));
}
