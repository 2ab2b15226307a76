// Keys before the widget: the walk of PreTranslateMessage up from the focus
// window, and the translation of accelerators.
#include "platform/ui/accel.h"

#include "platform/ui/captureloop.h"
#include "platform/ui/keys.h"
#include "platform/ui/wnd.h"

#include <QWidget>

BOOL TranslateAccelerator(HWND hWnd, HACCEL table, MSG* pMsg) {
    if (!table || !pMsg || (pMsg->message != WM_KEYDOWN && pMsg->message != WM_SYSKEYDOWN))
        return FALSE;
    BYTE modifiers = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        modifiers |= FSHIFT;
    if (GetKeyState(VK_CONTROL) < 0)
        modifiers |= FCONTROL;
    if (GetKeyState(VK_MENU) < 0)
        modifiers |= FALT;
    const WORD command = FindAccelerator(table, static_cast<UINT>(pMsg->wParam), modifiers);
    if (command == 0)
        return FALSE;
    // The high word 1 tells the handlers the command came from a key, not a menu.
    ::SendMessage(hWnd, WM_COMMAND, MAKEWPARAM(command, 1), 0);
    return TRUE;
}

BOOL CWnd::PreTranslateMessage(MSG* pMsg) {
    if (!m_hWnd)
        return FALSE;
    return TranslateAccelerator(m_hWnd, GetDefaultAccelerator(), pMsg);
}

HACCEL CWnd::GetDefaultAccelerator() {
    return m_hAccelTable;
}

BOOL CWnd::LoadAccelTable(unsigned id) {
    m_hAccelTable = LoadAccelerators(id);
    return m_hAccelTable != nullptr;
}

BOOL CWnd::WalkPreTranslateTree(HWND hWndStop, MSG* pMsg) {
    if (!pMsg)
        return FALSE;
    // A loop under the capture reads the keys before any window translates them.
    if (platform_detail::OfferToCaptureLoop(pMsg->hwnd, pMsg->message, pMsg->wParam, pMsg->lParam))
        return TRUE;
    CWnd* wnd = FromHandle(pMsg->hwnd);
    while (wnd) {
        // Handles, not pointers: a window's translation may destroy windows.
        const HWND hWnd = wnd->m_hWnd;
        if (wnd->PreTranslateMessage(pMsg))
            return TRUE;
        wnd = FromHandle(hWnd);
        if (!wnd || hWnd == hWndStop || !wnd->GetWidget() || wnd->GetWidget()->isWindow())
            break;
        // The nearest window above this one's widget (never a top-level window's owner).
        CWnd* above = nullptr;
        for (QWidget* widget = wnd->GetWidget()->parentWidget(); widget && !above; widget = widget->parentWidget())
            above = FromWidget(widget);
        wnd = above;
    }
    return FALSE;
}
