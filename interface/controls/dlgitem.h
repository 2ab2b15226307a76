// Taking over a dialog's control as an object of this library's class.
//
// A dialog or a dialog bar made the control's window as a plain object of its
// kind; the control class takes that window over through the dialog, so the
// dialog's own object lets go of it. Any other parent's child of the id is
// subclassed directly. User-interface thread only.
#pragma once

#include "platform/ui/wnd.h"

// TRUE when `control` now holds child `id` of `parent`.
BOOL MCTakeOverDlgItem(CWnd& control, UINT id, CWnd* parent);
