// CCmdUI: the question "how should this command look now?" put to whoever
// handles the command, for a menu item or a control.
//
// The asker fills m_nID (and the menu and position, or the control) and calls
// DoUpdate on a command target; the routing (cmdtarget.h) finds the
// ON_UPDATE_COMMAND_UI handler, which calls Enable, SetCheck, SetRadio or
// SetText. When nobody has an update handler and the asker wants it, the
// command is enabled exactly when some target has a handler for the command itself.
//
// RunMenuCmdUI is what a frame does when one of its drop-down menus opens
// (WM_INITMENUPOPUP): every item is asked in turn; an item that opens a
// submenu is asked by its submenu's first command and never disabled for want
// of a handler; command ids from 0xF000 (the system commands) are never
// disabled either. Handlers may add or remove items of the menu meanwhile.
//
// User-interface thread only.
#pragma once

#include "platform/ui/messages.h"

#include <string>

class CCmdTarget;
class CMenu;
class CWnd;

class CCmdUI {
public:
    CCmdUI() = default;
    virtual ~CCmdUI() = default;

    virtual void Enable(BOOL bOn = TRUE);
    // 0 unchecked, 1 checked, 2 indeterminate (a control's third state).
    virtual void SetCheck(int nCheck = 1);
    // Checked as one of a group (a dot, for a menu item).
    virtual void SetRadio(BOOL bOn = TRUE);
    virtual void SetText(const char* lpszText);
    // Lets the routing go on to the next target after this handler.
    void ContinueRouting() { m_bContinueRouting = TRUE; }

    // Asks `pTarget`; TRUE when an update handler answered.
    BOOL DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler);

    UINT m_nID = 0;
    UINT m_nIndex = 0;             // the menu item's position
    CMenu* m_pMenu = nullptr;      // borrowed: the menu holding the item, or null
    CMenu* m_pSubMenu = nullptr;   // borrowed: the submenu the item opens, or null
    CWnd* m_pOther = nullptr;      // borrowed: the control, for anything but a menu
    UINT m_nIndexMax = 0;          // the menu's item count when asked

    BOOL m_bEnableChanged = FALSE;
    BOOL m_bContinueRouting = FALSE;
};

// Updates every item of `popup` through `target` (see above); with
// `autoMenuEnable` a command nobody handles is disabled.
void RunMenuCmdUI(CMenu* popup, CCmdTarget* target, BOOL autoMenuEnable = TRUE);
