#include "platform/ui/button.h"

#include <QPushButton>

IMPLEMENT_DYNAMIC(CButton, CWnd)

BOOL CButton::Create(const char* lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create("BUTTON", lpszCaption, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

QWidget* CButton::CreateWidget(QWidget* parent, DWORD dwStyle) {
    auto* button = new QPushButton(parent);
    button->setDefault((dwStyle & 0x000F) == BS_DEFPUSHBUTTON);
    // The click goes to whichever window is the button's parent when it happens.
    QObject::connect(button, &QAbstractButton::clicked, button, [button] {
        CWnd* self = CWnd::FromWidget(button);
        CWnd* parentWnd = self ? self->GetParent() : nullptr;
        if (!parentWnd)
            return;
        parentWnd->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(self->GetDlgCtrlID()), BN_CLICKED),
                               reinterpret_cast<LPARAM>(self->m_hWnd));
    });
    return button;
}
