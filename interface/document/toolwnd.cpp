#include "interface/document/toolwnd.h"

#include "model/preferences.h"
#include "platform/core/resources.h"
#include "platform/ui/accel.h"
#include "platform/ui/frame.h"
#include "platform/ui/keys.h"
#include "platform/ui/metrics.h"
#include "platform/ui/uiresources.h"

#include <QIcon>
#include <QWidget>

IMPLEMENT_DYNCREATE(MCToolWnd, CDialogBar)

static_assert(MCToolWnd::CBRS_TOOLWND_STYLE ==
              (CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP | CBRS_BORDER_BOTTOM | CBRS_TOOLTIPS | CBRS_FLYBY |
               CBRS_FLOAT_MULTI));

MCToolWnd::MCToolWnd() = default;

MCToolWnd::MCToolWnd(CWnd* pOwner) : m_pOwnerWnd(pOwner) {}

int MCToolWnd::InitToolLayout(CWnd* pParent, UINT nID) {
    if (!Create(pParent, nID, CBRS_TOOLWND_STYLE, nID))
        return 0;
    SetWindowText(LoadString(nID).c_str());
    // Shown in the floating window's title, as a small icon is.
    GetWidget()->setWindowIcon(LoadIcon(nID));
    EnableDocking(0);
    return 1;
}

CPoint MCToolWnd::GetDefaultPosition(const char* section) {
    CPoint point(LoadIntPreference(section, "x", -1), LoadIntPreference(section, "y", -1));
    // A position beyond the desktop's reach (a damaged profile) is not stored.
    if (point.x != -1 && point.y != -1 && GetDesktopReach().Holds(point.x, point.y))
        return point;
    if (m_pOwnerWnd && m_pOwnerWnd->GetSafeHwnd()) {
        CRect owner;
        m_pOwnerWnd->GetWindowRect(&owner);
        CRect own;
        GetWindowRect(&own);
        point.x = owner.right - GetSystemMetrics(SM_CXFRAME) - own.Width() - GetSystemMetrics(SM_CXEDGE);
        point.y = owner.top + GetSystemMetrics(SM_CYEDGE);
    } else {
        point = CPoint(0, 0);
    }
    SaveIntPreference(section, "x", point.x);
    SaveIntPreference(section, "y", point.y);
    return point;
}

void MCToolWnd::LoadPrefs(const char* section) {
    CFrameWnd* frame = GetParentFrame();
    if (!frame)
        return;
    ShowWindow(SW_HIDE);
    FloatControlBar(frame, this, GetDefaultPosition(section), CBRS_ALIGN_TOP);
}

void MCToolWnd::SavePrefs(const char* section) {
    CRect floating;
    if (!GetFloatingWindowRect(&floating))
        return;   // not floating: no floating window to remember
    SaveIntPreference(section, "x", floating.left);
    SaveIntPreference(section, "y", floating.top);
}

BOOL MCToolWnd::PreCreateWindow(CREATESTRUCT& cs) {
    cs.dwExStyle |= WS_EX_CONTEXTHELP;
    return CDialogBar::PreCreateWindow(cs);
}

BOOL MCToolWnd::PreTranslateMessage(MSG* pMsg) {
    if (CFrameWnd* frame = GetParentFrame())
        if (TranslateAccelerator(frame->GetSafeHwnd(), frame->GetDefaultAccelerator(), pMsg))
            return TRUE;
    if (pMsg->message == WM_SYSKEYDOWN && pMsg->wParam != VK_MENU && m_pOwnerWnd && m_pOwnerWnd->GetSafeHwnd()) {
        // The owner's menu bar answers Alt with a letter; Alt alone stays here.
        const HWND hOwner = m_pOwnerWnd->GetSafeHwnd();
        pMsg->hwnd = hOwner;
        const BOOL result = m_pOwnerWnd->PreTranslateMessage(pMsg);
        if (CWnd* owner = CWnd::FromHandle(hOwner))
            owner->SetFocus();
        return result;
    }
    return CDialogBar::PreTranslateMessage(pMsg);
}

void MCToolWnd::PostNcDestroy() {
    delete this;
}
