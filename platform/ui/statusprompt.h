// Prompts: the line a frame shows in its message pane about the command the
// user is pointing at, and the tip of a bar's button.
//
// A command's prompt is the string with the command's id: the text before
// "\n" is the message, the text after it the tool tip ("Open a file\nOpen").
// While an item of an open menu is hovered, the menu's owner gets
// WM_MENUSELECT with the item's id (menu_qt.h); when the menu closes, it gets
// WM_MENUSELECT with the flags 0xFFFF and no menu. A frame answers by
// showing the item's message in its message pane (status pane 0, through
// SetMessageText), and "Ready" (AFX_IDS_IDLEMESSAGE) after the menu closed.
//
// A control bar made with CBRS_FLYBY tells its owner of the control the
// pointer enters with WM_SETMESSAGESTRING (the control's id), and of the
// pointer leaving it with WM_SETMESSAGESTRING (AFX_IDS_IDLEMESSAGE). A bar made
// with CBRS_TOOLTIPS shows tips; a tip the bar does not answer itself
// reaches its owner as TTN_NEEDTEXT, which a frame answers with the text
// after "\n" of the control's prompt.
//
// User-interface thread only.
#pragma once

#include "platform/ui/messages.h"
#include "platform/ui/msgmap.h"

#include <string>

class CControlBar;
class CMenu;

enum : UINT {
    // wParam: the id of a string whose message (before "\n") is shown, or 0
    // with lParam the text itself (const char*); answers the id shown before.
    WM_SETMESSAGESTRING = 0x0362,
};

// WM_MENUSELECT: wParam (item id or position of a submenu, MF_ flags), lParam
// the menu (CMenu*). These flags with no menu mean the menu closed.
inline constexpr UINT MENUSELECT_CLOSED = 0xFFFF;

// The message of a prompt: the string of `nID` up to "\n" ("" when none).
std::string PromptMessage(UINT nID);
// The tip of a prompt: the string of `nID` after "\n" ("" when none).
std::string PromptTip(UINT nID);

// A handler of WM_MENUSELECT: void OnMenuSelect(UINT nItemID, UINT nFlags, CMenu* pMenu).
#ifndef ON_WM_MENUSELECT
#define ON_WM_MENUSELECT()                                                                   \
    AFX_WM_VOID_(WM_MENUSELECT, AFX_ON_(OnMenuSelect)(LOWORD(call_.wParam), HIWORD(call_.wParam), \
                                                      reinterpret_cast<CMenu*>(call_.lParam)))
#endif

namespace platform_detail {

// Called for each control bar made: watches the pointer over the bar's
// controls (CBRS_FLYBY, see above) and turns its tips on with CBRS_TOOLTIPS.
void WatchBarPrompts(CControlBar& bar);

}  // namespace platform_detail
