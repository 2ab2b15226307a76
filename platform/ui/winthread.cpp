#include "platform/ui/winthread.h"

#include "platform/core/window.h"
#include "platform/ui/button.h"
#include "platform/ui/cmdui.h"
#include "platform/ui/dlgtemplate.h"
#include "platform/ui/wnd.h"

#include <QWidget>

#include <algorithm>
#include <vector>

namespace {

// The identifier a control without a command of its own carries.
constexpr int kNoCommandId = 0xFFFF;

thread_local HWND t_mainWnd = nullptr;
// By handle: a window destroyed meanwhile is passed over and forgotten.
thread_local std::vector<HWND> t_idleWindows;

}  // namespace

void SetMainWnd(CWnd* pWnd) {
    t_mainWnd = pWnd ? pWnd->GetSafeHwnd() : nullptr;
    SetMainWindow(t_mainWnd);
}

CWnd* AfxGetMainWnd() {
    return CWnd::FromHandle(t_mainWnd);
}

void AddIdleUpdateWindow(CWnd* pWnd) {
    if (!pWnd || !pWnd->GetSafeHwnd())
        return;
    if (std::find(t_idleWindows.begin(), t_idleWindows.end(), pWnd->GetSafeHwnd()) == t_idleWindows.end())
        t_idleWindows.push_back(pWnd->GetSafeHwnd());
}

void RemoveIdleUpdateWindow(CWnd* pWnd) {
    if (pWnd)
        std::erase(t_idleWindows, pWnd->GetSafeHwnd());
}

void RunIdleUpdates() {
    std::erase_if(t_idleWindows, [](HWND hWnd) { return CWnd::FromHandle(hWnd) == nullptr; });
    // A copy: an update handler may register or destroy windows.
    const std::vector<HWND> windows = t_idleWindows;
    for (HWND hWnd : windows) {
        CWnd* wnd = CWnd::FromHandle(hWnd);
        if (wnd && wnd->IsWindowVisible())
            wnd->SendMessage(WM_IDLEUPDATECMDUI, TRUE);
    }
}

void CWnd::OnUpdateCmdUI(CCmdTarget* pTarget, BOOL bDisableIfNoHndler) {
    UpdateDialogControls(pTarget, bDisableIfNoHndler);
}

void CWnd::UpdateDialogControls(CCmdTarget* pTarget, BOOL bDisableIfNoHndler) {
    if (!m_pWidget || !pTarget)
        return;
    // Handles first: an update handler may destroy controls.
    std::vector<HWND> controls;
    for (QWidget* child : m_pWidget->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (CWnd* wnd = FromWidget(child))
            controls.push_back(wnd->m_hWnd);
    CCmdUI state;
    for (HWND hControl : controls) {
        CWnd* control = FromHandle(hControl);
        const int id = control ? control->GetDlgCtrlID() : 0;
        if (id <= 0 || id == kNoCommandId)
            continue;   // a label or a control bound to no command
        state.m_pOther = control;
        state.m_nID = static_cast<UINT>(id);
        // Only a button stands for a command of its own: an edit, a list or a
        // group box bound to no handler keeps working (a bar's tempo edit).
        const bool isCommandButton = dynamic_cast<CButton*>(control) &&
                                     (GetWidgetStyle(control->GetWidget()) & BS_TYPEMASK) != BS_GROUPBOX;
        state.DoUpdate(pTarget, bDisableIfNoHndler && isCommandButton);
    }
}
