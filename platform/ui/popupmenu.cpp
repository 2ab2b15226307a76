// CMenu::TrackPopupMenu: a menu shown where the user asked for it, its choice
// sent to its owner (menu.h).
#include "platform/ui/dialog_script.h"
#include "platform/ui/menu.h"
#include "platform/ui/menu_qt.h"
#include "platform/ui/wnd.h"

namespace {

// Whether the user could choose the command in `menu` as it stands: an
// enabled text item, here or in a submenu.
bool IsChoosable(const CMenu& menu, UINT nID) {
    const UINT state = menu.GetMenuState(nID, MF_BYCOMMAND);
    return state != CMenu::NO_ITEM && (state & (MF_GRAYED | MF_DISABLED | MF_SEPARATOR | MF_POPUP)) == 0;
}

}  // namespace

int CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, const RECT*) {
    if (!pWnd || !pWnd->GetSafeHwnd())
        return 0;
    const HWND hOwner = pWnd->GetSafeHwnd();
    UINT chosen = 0;
    if (CDialogScript* script = CDialogScript::GetActive()) {
        // No menu shows under a script: the owner still prepares it, as for a user.
        ::SendMessage(hOwner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(this), MAKELPARAM(0, FALSE));
        chosen = script->TakeMenuChoice();
        if (chosen != 0 && !IsChoosable(*this, chosen))
            chosen = 0;
    } else {
        chosen = ExecQtMenu(this, pWnd, x, y);
    }
    if (nFlags & TPM_RETURNCMD)
        return static_cast<int>(chosen);
    // Posted, as the choice of a menu bar's item is: it arrives after the menu has gone.
    if (chosen != 0 && !(nFlags & TPM_NONOTIFY))
        ::PostMessage(hOwner, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(chosen), 0), 0);
    return TRUE;
}
