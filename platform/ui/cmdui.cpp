#include "platform/ui/cmdui.h"

#include "platform/ui/cmdtarget.h"
#include "platform/ui/menu.h"
#include "platform/ui/wnd.h"

#include <algorithm>

namespace {

// The first system command; such commands are the window manager's, never disabled.
constexpr UINT kFirstSystemCommand = 0xF000;

}  // namespace

void CCmdUI::Enable(BOOL bOn) {
    if (m_pMenu) {
        if (m_pSubMenu)
            return;   // an item opening a submenu keeps its state
        m_pMenu->EnableMenuItem(m_nIndex, MF_BYPOSITION | (bOn ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
    } else if (m_pOther) {
        m_pOther->EnableWindow(bOn);
    }
    m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int nCheck) {
    if (m_pMenu) {
        if (m_pSubMenu)
            return;
        m_pMenu->CheckMenuItem(m_nIndex, MF_BYPOSITION | (nCheck ? MF_CHECKED : MF_UNCHECKED));
    } else if (m_pOther) {
        // Only a button knows the message; any other control ignores it.
        m_pOther->SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck));
    }
}

void CCmdUI::SetRadio(BOOL bOn) {
    SetCheck(bOn ? 1 : 0);
    if (m_pMenu && !m_pSubMenu) {
        std::string text;
        m_pMenu->GetMenuString(m_nIndex, text, MF_BYPOSITION);
        const UINT state = m_pMenu->GetMenuState(m_nIndex, MF_BYPOSITION);
        m_pMenu->ModifyMenu(m_nIndex, MF_BYPOSITION | (state & ~static_cast<UINT>(MF_POPUP)) | MFT_RADIOCHECK,
                            m_nID, text);
    }
}

void CCmdUI::SetText(const char* lpszText) {
    const char* text = lpszText ? lpszText : "";
    if (m_pMenu) {
        if (m_pSubMenu)
            return;
        const UINT state = m_pMenu->GetMenuState(m_nIndex, MF_BYPOSITION);
        m_pMenu->ModifyMenu(m_nIndex, MF_BYPOSITION | MF_STRING | (state & ~static_cast<UINT>(MF_POPUP)), m_nID,
                            text);
    } else if (m_pOther) {
        m_pOther->SetWindowText(text);
    }
}

BOOL CCmdUI::DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler) {
    if (m_nID == 0 || !pTarget)
        return TRUE;   // a separator, or nobody to ask
    m_bEnableChanged = FALSE;
    const BOOL handled = pTarget->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this, nullptr);
    if (!handled && bDisableIfNoHndler && !m_bEnableChanged) {
        // No update handler: enabled exactly when someone handles the command
        // (again, when a handler came since a control was disabled).
        AFX_CMDHANDLERINFO info;
        Enable(pTarget->OnCmdMsg(m_nID, CN_COMMAND, this, &info));
    }
    return handled;
}

void RunMenuCmdUI(CMenu* popup, CCmdTarget* target, BOOL autoMenuEnable) {
    if (!popup || !target)
        return;
    CCmdUI state;
    state.m_pMenu = popup;
    state.m_nIndexMax = static_cast<UINT>(popup->GetMenuItemCount());
    for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; ++state.m_nIndex) {
        state.m_nID = popup->GetMenuItemID(static_cast<int>(state.m_nIndex));
        if (state.m_nID == 0)
            continue;   // a separator
        if (state.m_nID == CMenu::NO_ITEM) {
            // A submenu: asked by its first command, never disabled for want of a handler.
            state.m_pSubMenu = popup->GetSubMenu(static_cast<int>(state.m_nIndex));
            if (!state.m_pSubMenu)
                continue;
            state.m_nID = state.m_pSubMenu->GetMenuItemID(0);
            if (state.m_nID == 0 || state.m_nID == CMenu::NO_ITEM)
                continue;
            state.DoUpdate(target, FALSE);
        } else {
            state.m_pSubMenu = nullptr;
            state.DoUpdate(target, autoMenuEnable && state.m_nID < kFirstSystemCommand);
        }
        // A handler that removed items: go on after the item just asked.
        const UINT count = static_cast<UINT>(popup->GetMenuItemCount());
        if (count < state.m_nIndexMax) {
            state.m_nIndex -= std::min(state.m_nIndex, state.m_nIndexMax - count);
            while (state.m_nIndex < count &&
                   popup->GetMenuItemID(static_cast<int>(state.m_nIndex)) == state.m_nID)
                ++state.m_nIndex;
        }
        state.m_nIndexMax = count;
    }
}
