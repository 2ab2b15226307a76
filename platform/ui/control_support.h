// What the common controls share: telling the parent of a change, the search
// of a list of strings, and the item data kept beside each entry. Internal to
// the window layer. User-interface thread only.
#pragma once

#include "platform/ui/wnd.h"

#include <QString>

#include <functional>

namespace platform_detail {

// The role under which an entry of a list keeps its item data (DWORD_PTR).
inline constexpr int kItemDataRole = 0x0100 + 1;   // Qt::UserRole + 1

// Sends the control's parent WM_COMMAND (the control's id, `code`) with the
// control's handle; 0 when the control has no parent.
LRESULT NotifyParentCommand(const CWnd& control, UINT code);

// Fills the header (the control's handle and id, `code`) and sends the
// control's parent WM_NOTIFY; answers the parent's result, 0 without one.
LRESULT NotifyParent(const CWnd& control, NMHDR& header, UINT code);

// Sends the control's parent `message` (WM_HSCROLL, WM_VSCROLL) with the code
// and position, and the control's handle.
void NotifyParentScroll(const CWnd& control, UINT message, UINT code, int position);

// The index of the first of `count` entries whose text begins with `text`
// (or equals it, with `exact`), without regard to case, searching from the
// entry after `startAfter` to the end and on from the first entry up to
// `startAfter` (-1: all from the first); -1 when none.
int FindListString(const std::function<QString(int)>& textAt, int count, int startAfter, const char* text, bool exact);

QString FromUtf8(const char* text);

}  // namespace platform_detail
