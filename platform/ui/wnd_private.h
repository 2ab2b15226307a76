// What wnd.cpp and wnd_events.cpp share: the handling of one message, and the
// record of messages made from Qt events, through which Default() hands the
// event back to the widget. User-interface thread only.
#pragma once

#include "platform/ui/wnd.h"

#include <QtCore/qnamespace.h>

#include <cstddef>
#include <string_view>

class QPaintEvent;
class QPoint;

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

// Marks a widget inside a control's own widget (a view's viewport, a combo
// box's line edit) as a part of the control: its mouse and key events become
// the control's messages, the mouse in the control's client coordinates, and
// what the control's handlers hand to the default handling goes to the part.
void MarkAsPart(QWidget* part);

// The MK_ flags of the buttons and of Shift and Control.
UINT MouseKeys(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

// Copies UTF-8 text into a buffer of `size` bytes, cut before a character that
// does not fit whole, and terminated; answers the bytes copied (without the
// terminator). Nothing is copied into a buffer of no size.
std::size_t CopyText(std::string_view text, char* buffer, std::size_t size);

// Painting (paint.cpp): the Qt paint of a widget (true when consumed), and
// the default handling of WM_PAINT and WM_ERASEBKGND.
bool PaintEvent(QWidget* widget, QPaintEvent* event);
LRESULT DefaultPaintProc(CWnd& wnd, UINT message, WPARAM wParam, LPARAM lParam);
// Cursors (cursor.cpp): WM_SETCURSOR to the window under a moving pointer,
// and its default handling.
void SendSetCursor(CWnd& wnd);
// Where the pointer was last seen (screen), for GetCursorPos.
void NoteCursorPos(QPoint global);
LRESULT DefaultSetCursorProc(CWnd& wnd, WPARAM wParam, LPARAM lParam);

}  // namespace platform_detail
