// A CMenu shown through Qt's menus.
//
// CreateQtMenu makes a QMenu standing for a drop-down CMenu owned by a window.
// Each time it opens, the owner is sent WM_INITMENU with `root` first (for a
// drop-down of a menu bar; none when `root` is null), then WM_INITMENUPOPUP
// with the drop-down and its position in its parent menu, so that the
// owner's handlers (RunMenuCmdUI, cmdui.h) and the system's own edits change
// the CMenu; then the QMenu is rebuilt from the CMenu as it now stands:
// texts ("&" marks the access key; after a tab, the shortcut shown), grayed
// or disabled items disabled, checks, separators, and submenus, which do the
// same when they open. Choosing an item posts WM_COMMAND with its id (and no
// control) to the owner. Each item's QAction holds its command id as data.
// Hovering an item sends the owner WM_MENUSELECT with the item (a command's
// id, or a submenu's position with MF_POPUP) and the CMenu; the outermost
// menu closing sends it with MENUSELECT_CLOSED and no menu (statusprompt.h).
//
// The CMenu and the owner must outlive the QMenu (the QMenu belongs to
// `parent`, as any Qt child). User-interface thread only.
#pragma once

#include "platform/ui/messages.h"

class CMenu;
class CWnd;
class QMenu;
class QWidget;

QMenu* CreateQtMenu(CMenu* menu, CWnd* owner, QWidget* parent, UINT position = 0, CMenu* root = nullptr);

// Shows `menu` as a popup of `owner` at (x, y) on the screen, opening as
// above, and waits for the user: the command id chosen, 0 for none. The
// choice is answered, not posted.
UINT ExecQtMenu(CMenu* menu, CWnd* owner, int x, int y);
