#include "interface/controls/statebutton.h"

#include "platform/ui/keys.h"

IMPLEMENT_DYNAMIC(MCStateButton, CButton)

BEGIN_MESSAGE_MAP(MCStateButton, CButton)
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_KEYDOWN()
    ON_WM_KEYUP()
    ON_WM_ENABLE()
END_MESSAGE_MAP()

int MCStateButton::GetButtonState() {
    return m_nState;
}

int MCStateButton::SetButtonState(int state) {
    if (state < 0 || state >= GetBitmapCount())
        state = 0;
    const int previous = m_nState;
    m_nState = state;
    if (state != previous && GetSafeHwnd())
        Invalidate(FALSE);
    return previous;
}

int MCStateButton::GetDisabledState() {
    return m_nDisabledIndex;
}

int MCStateButton::SetDisabledState(int index) {
    const int previous = m_nDisabledIndex;
    m_nDisabledIndex = index;
    return previous;
}

int MCStateButton::GetButtonMode() {
    return m_nMode;
}

int MCStateButton::SetButtonMode(int mode) {
    const int previous = m_nMode;
    m_nMode = mode;
    return previous;
}

MCStateButton::Style MCStateButton::GetButtonStyle() {
    return m_nStyle;
}

MCStateButton::Style MCStateButton::SetButtonStyle(Style style) {
    const Style previous = m_nStyle;
    m_nStyle = style;
    return previous;
}

int MCStateButton::GetButtonStateNext(int state) {
    if (state == -1)
        state = m_nState;
    switch (m_nStyle) {
    case STYLE_MULTI:
        return state + 1 >= GetBitmapCount() ? 0 : state + 1;
    case STYLE_PUSH:
    case STYLE_TOGGLE:
    case STYLE_INERT:
        return state == 0 ? 1 : 0;
    default:
        return 0;
    }
}

int MCStateButton::ChooseImageIndex(const DRAWITEMSTRUCT& item) {
    int index = m_nState;
    if (item.itemState & ODS_DISABLED)
        index = m_nDisabledIndex;
    else if (item.itemState & ODS_SELECTED)
        index = m_nNextState;
    m_nDrawnIndex = index;
    return index;
}

// ---- mouse and keys -------------------------------------------------------------------

void MCStateButton::SendCommand() {
    if (CWnd* parent = GetParent())
        parent->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID()), BN_CLICKED),
                            reinterpret_cast<LPARAM>(m_hWnd));
}

void MCStateButton::OnLButtonDown(UINT nFlags, CPoint point) {
    if (m_nStyle == STYLE_INERT)
        return;
    if (GetFocus() != this)
        SetFocus();
    m_nNextState = GetButtonStateNext(-1);
    if (!(m_nMode & MODE_COMMAND_ON_PRESS)) {
        CButton::OnLButtonDown(nFlags, point);
        return;
    }
    if (m_nStyle == STYLE_PUSH)
        SetState(TRUE);
    SendCommand();
}

void MCStateButton::OnLButtonUp(UINT nFlags, CPoint point) {
    if (m_nStyle == STYLE_INERT)
        return;
    if (m_nMode & MODE_COMMAND_ON_PRESS) {
        if (m_nStyle == STYLE_PUSH)
            SetState(FALSE);
        return;
    }
    // The press completes only if the button was last drawn pressed.
    if (m_nStyle == STYLE_TOGGLE || m_nStyle == STYLE_MULTI)
        m_nState = m_nDrawnIndex;
    CButton::OnLButtonUp(nFlags, point);
}

void MCStateButton::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
    if (m_nStyle == STYLE_INERT)
        return;
    if (nChar == VK_SPACE) {
        m_nNextState = GetButtonStateNext(-1);
        if (m_nMode & MODE_COMMAND_ON_PRESS) {
            SendCommand();
            return;
        }
    }
    CButton::OnKeyDown(nChar, nRepCnt, nFlags);
}

void MCStateButton::OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags) {
    if (m_nStyle == STYLE_INERT)
        return;
    if (nChar == VK_SPACE) {
        if (m_nMode & MODE_COMMAND_ON_PRESS)
            return;
        if (m_nStyle == STYLE_TOGGLE || m_nStyle == STYLE_MULTI)
            m_nState = m_nDrawnIndex;
    }
    CButton::OnKeyUp(nChar, nRepCnt, nFlags);
}

void MCStateButton::OnEnable(BOOL bEnable) {
    CButton::OnEnable(bEnable);
    Invalidate(FALSE);
}
