// What wnd.cpp and wnd_events.cpp share: the handling of one message, and the
// record of messages made from Qt events, through which Default() hands the
// event back to the widget. User-interface thread only.
#pragma once

#include "platform/ui/wnd.h"

namespace platform_detail {

// Runs the window's WindowProc as the current message, handing an exception
// that escapes to the window-procedure exception hook.
LRESULT CallWndProc(CWnd& wnd, UINT message, WPARAM wParam, LPARAM lParam);

// Sends a message made from a Qt event; answers whether it reached
// DefWindowProc, so that the widget should get the event.
bool DeliverEventMessage(CWnd& wnd, UINT message, WPARAM wParam, LPARAM lParam);

// Whether the message now being handled by `wnd` was made from a Qt event; if
// so it is marked as handed to the default handling.
bool TakeEventDefault(const CWnd& wnd, UINT message);

// Installs the application's event filter (once).
void EnsureWindowEvents();

// The top-level windows, for the broadcasts of application news.
void SendToTopLevelWindows(UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace platform_detail
