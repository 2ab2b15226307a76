// Cursors: handles of the system's cursors and of resource cursors, the cursor
// a window sets in WM_SETCURSOR, and the wait cursor.
//
// On each mouse move without a capture, the window under the pointer gets
// WM_SETCURSOR (HTCLIENT, WM_MOUSEMOVE); a window that answers TRUE has set
// the cursor with SetCursor, which applies to that window's widget. The
// default handling asks the parent, and else leaves the widget's own cursor.
// A handle lives as long as the process (resource cursors are kept once
// loaded). User-interface thread only.
#pragma once

#include "platform/ui/wnd.h"

class QCursor;
using HCURSOR = const QCursor*;

// The system's cursors (LoadStandardCursor).
enum : unsigned {
    IDC_ARROW = 32512,
    IDC_IBEAM = 32513,
    IDC_WAIT = 32514,
    IDC_CROSS = 32515,
    IDC_UPARROW = 32516,
    IDC_SIZENWSE = 32642,
    IDC_SIZENESW = 32643,
    IDC_SIZEWE = 32644,
    IDC_SIZENS = 32645,
    IDC_SIZEALL = 32646,
    IDC_NO = 32648,
    IDC_HAND = 32649,
    IDC_APPSTARTING = 32650,
    IDC_HELP = 32651,
};

// The system cursor `idc` (IDC_*); the arrow for an unknown one.
HCURSOR LoadStandardCursor(unsigned idc);
// The resource cursor `id` (uiresources.h); the arrow when there is none.
HCURSOR LoadResourceCursor(unsigned id);

// Shows `cursor` for the window being asked (WM_SETCURSOR), else the window
// under the pointer; null hides nothing and shows the arrow. Answers the
// previous one.
HCURSOR SetCursor(HCURSOR cursor);
// The cursor last set (the arrow before any).
HCURSOR GetCursor();

// Where the pointer was last seen, in screen coordinates. TRUE.
BOOL GetCursorPos(POINT* point);

// The wait cursor over the whole program while it lives.
class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    // Shows it again (after a dialog may have changed the cursor).
    void Restore();

private:
    bool m_bShown = false;
};
