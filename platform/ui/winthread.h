// The user-interface thread's windows: its main window, and the windows
// whose controls follow their commands' state on idle.
//
// The main window is the thread's main window for the messaging too
// (SetMainWindow, platform/core/window.h): what is addressed to the thread
// rather than to a window, such as a state applied without a performance,
// reaches it as a message. It is held by handle, so a destroyed main window
// reads as none.
//
// Idle updates: a window that shows commands (a bar's buttons, a dialog bar's
// controls) registers with AddIdleUpdateWindow; RunIdleUpdates, called when
// the thread's queue runs dry (and by tests), sends WM_IDLEUPDATECMDUI to
// each registered window that is visible, whose handling calls
// CWnd::OnUpdateCmdUI with the window's owner as the target: a control bound
// to a command nobody handles is disabled, an update handler may check it.
// A destroyed window leaves the registry by itself.
//
// User-interface thread only.
#pragma once

#include "platform/ui/messages.h"

class CWnd;

// Sets the thread's main window (null clears it), also for the messaging.
void SetMainWnd(CWnd* pWnd);
// The thread's main window; null when none is set or it is gone.
CWnd* AfxGetMainWnd();

// Registers a window for idle updates (once however often it is added).
void AddIdleUpdateWindow(CWnd* pWnd);
void RemoveIdleUpdateWindow(CWnd* pWnd);
// Updates every registered visible window (see above), in the order registered.
void RunIdleUpdates();
