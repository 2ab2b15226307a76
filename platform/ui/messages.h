// The vocabulary of window messages: the plain types the window layer passes
// (BOOL, WORD, the word-packing macros), the message numbers and their
// parameters, the mouse-key flags, the notification header NMHDR and the
// record of a message being handled (MSG).
//
// Every window here, hidden (platform/core/window.h) or shown (wnd.h), takes
// its messages by these numbers, so code written against the classic numbers
// reads and behaves as it always did. Plain declarations; any thread.
#pragma once

#include "platform/core/window.h"
#include "platform/ui/geometry.h"

#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using SHORT = std::int16_t;
using INT_PTR = std::intptr_t;
using DWORD_PTR = std::uintptr_t;

// Macros, not constants: other C libraries define them too (with these values).
#ifndef FALSE
#define FALSE 0
#endif
#ifndef TRUE
#define TRUE 1
#endif

constexpr WORD LOWORD(std::uintptr_t value) { return static_cast<WORD>(value & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t value) { return static_cast<WORD>((value >> 16) & 0xFFFF); }
constexpr DWORD MAKELONG(WORD low, WORD high) { return static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16); }
constexpr WPARAM MAKEWPARAM(WORD low, WORD high) { return MAKELONG(low, high); }
constexpr LPARAM MAKELPARAM(WORD low, WORD high) { return static_cast<LPARAM>(MAKELONG(low, high)); }
// The signed coordinates packed into a mouse message's lParam.
constexpr int GET_X_LPARAM(LPARAM l) { return static_cast<SHORT>(LOWORD(static_cast<std::uintptr_t>(l))); }
constexpr int GET_Y_LPARAM(LPARAM l) { return static_cast<SHORT>(HIWORD(static_cast<std::uintptr_t>(l))); }

// Message numbers (WM_NULL, WM_QUIT, WM_TIMER and WM_USER are the core's).
enum : UINT {
    WM_CREATE = 0x0001,           // lParam: unused here; answer -1 to refuse the window
    WM_DESTROY = 0x0002,
    WM_MOVE = 0x0003,             // lParam: client origin (x, y) in the parent
    WM_SIZE = 0x0005,             // wParam: SIZE_*; lParam: client (width, height)
    WM_SETFOCUS = 0x0007,         // wParam: the window that lost the focus (HWND), or 0
    WM_KILLFOCUS = 0x0008,        // wParam: the window that gets the focus (HWND), or 0
    WM_ENABLE = 0x000A,           // wParam: enabled
    WM_SETTEXT = 0x000C,          // lParam: const char* (UTF-8)
    WM_GETTEXT = 0x000D,          // wParam: the buffer's size; lParam: char* (UTF-8); answers the bytes copied
    WM_GETTEXTLENGTH = 0x000E,    // answers the text's length in bytes (UTF-8)
    WM_CLOSE = 0x0010,
    WM_SYSCOLORCHANGE = 0x0015,   // the system colours changed (GetSysColor)
    WM_SHOWWINDOW = 0x0018,       // wParam: shown
    WM_ACTIVATEAPP = 0x001C,      // wParam: the application becomes active
    WM_CANCELMODE = 0x001F,
    WM_DRAWITEM = 0x002B,
    WM_NOTIFY = 0x004E,           // wParam: control id; lParam: NMHDR*
    WM_CONTEXTMENU = 0x007B,      // wParam: the window (HWND); lParam: screen (x, y), (-1, -1) from the keyboard
    WM_NCDESTROY = 0x0082,
    WM_KEYDOWN = 0x0100,          // wParam: virtual key (keys.h); lParam: key data (below)
    WM_KEYUP = 0x0101,
    WM_CHAR = 0x0102,             // wParam: the character (UTF-16 unit)
    WM_SYSKEYDOWN = 0x0104,       // with Alt held (or F10)
    WM_SYSKEYUP = 0x0105,
    WM_SYSCHAR = 0x0106,
    WM_COMMAND = 0x0111,          // wParam: (id, notification code); lParam: control HWND or 0
    WM_SYSCOMMAND = 0x0112,
    WM_HSCROLL = 0x0114,
    WM_VSCROLL = 0x0115,
    WM_INITMENU = 0x0116,         // wParam: the menu (CMenu*) about to become active
    WM_INITMENUPOPUP = 0x0117,    // wParam: the drop-down (CMenu*); lParam: (position, system menu)
    WM_MENUSELECT = 0x011F,
    WM_MOUSEMOVE = 0x0200,        // wParam: MK_*; lParam: client (x, y)
    WM_LBUTTONDOWN = 0x0201,
    WM_LBUTTONUP = 0x0202,
    WM_LBUTTONDBLCLK = 0x0203,
    WM_RBUTTONDOWN = 0x0204,
    WM_RBUTTONUP = 0x0205,
    WM_RBUTTONDBLCLK = 0x0206,
    WM_MBUTTONDOWN = 0x0207,
    WM_MBUTTONUP = 0x0208,
    WM_MBUTTONDBLCLK = 0x0209,
    WM_MOUSEWHEEL = 0x020A,       // wParam: (MK_*, delta in 120ths); lParam: screen (x, y)
    WM_PARENTNOTIFY = 0x0210,     // wParam: (the child's message, its id); lParam: the point, parent's or child's client
    WM_CAPTURECHANGED = 0x0215,   // to the window losing the capture; lParam: the new holder or 0
    WM_APP = 0x8000,
};

// What a reflected message is numbered: a control handles the notification it
// sent its parent as WM_REFLECT_BASE + the message (ON_NOTIFY_REFLECT ...).
inline constexpr UINT WM_REFLECT_BASE = 0xBC00;

// The key data of a key message: bits 0-15 the repeat count, 16-23 the scan
// code, 24 an extended key, 29 Alt held, 30 the key was already down (an
// auto-repeat), 31 the key is being released.
enum : LPARAM {
    KF_EXTENDED_BIT = 1 << 24,
    KF_ALTDOWN_BIT = 1 << 29,
    KF_REPEAT_BIT = 1 << 30,
    KF_UP_BIT = static_cast<LPARAM>(1u << 31),
};

// The keys and buttons held during a mouse message.
enum : UINT {
    MK_LBUTTON = 0x0001,
    MK_RBUTTON = 0x0002,
    MK_SHIFT = 0x0004,
    MK_CONTROL = 0x0008,
    MK_MBUTTON = 0x0010,
};

// The wheel: one notch is WHEEL_DELTA; GetWheelScrollLines answers the lines
// the desktop scrolls for a notch, or WHEEL_PAGESCROLL for a page a notch.
inline constexpr int WHEEL_DELTA = 120;
inline constexpr UINT WHEEL_PAGESCROLL = 0xFFFFFFFF;
UINT GetWheelScrollLines();

// WM_SIZE kinds.
enum : UINT {
    SIZE_RESTORED = 0,
    SIZE_MINIMIZED = 1,
    SIZE_MAXIMIZED = 2,
};

// Button notifications (in WM_COMMAND's high word) and messages.
enum : UINT {
    BN_CLICKED = 0,
    BN_DOUBLECLICKED = 5,
    BM_GETCHECK = 0x00F0,
    BM_SETCHECK = 0x00F1,
    BM_GETSTATE = 0x00F2,
    BM_SETSTATE = 0x00F3,
    BST_UNCHECKED = 0,
    BST_CHECKED = 1,
    BST_INDETERMINATE = 2,
    BST_PUSHED = 4,
};

// ---- the common controls' shared codes (edit.h, spin.h, scrollctrl.h ...) ----

// Edit control messages the window layer itself sends (a dialog selects the
// text of an edit it focuses); the rest are in edit.h.
enum : UINT {
    EM_GETSEL = 0x00B0,   // wParam, lParam: DWORD* start and end, or 0; answers MAKELONG(start, end)
    EM_SETSEL = 0x00B1,   // wParam: start (-1: no selection); lParam: end (-1: the text's end)
};

// Scroll codes: the low word of WM_HSCROLL and WM_VSCROLL (the high word is
// the position for SB_THUMBPOSITION and SB_THUMBTRACK; lParam the scroll bar
// control, or 0 for a window's own bar), and which bar a function means.
enum : UINT {
    SB_LINEUP = 0,
    SB_LINELEFT = 0,
    SB_LINEDOWN = 1,
    SB_LINERIGHT = 1,
    SB_PAGEUP = 2,
    SB_PAGELEFT = 2,
    SB_PAGEDOWN = 3,
    SB_PAGERIGHT = 3,
    SB_THUMBPOSITION = 4,
    SB_THUMBTRACK = 5,
    SB_TOP = 6,
    SB_LEFT = 6,
    SB_BOTTOM = 7,
    SB_RIGHT = 7,
    SB_ENDSCROLL = 8,
};
enum : int {
    SB_HORZ = 0,
    SB_VERT = 1,
    SB_CTL = 2,
    SB_BOTH = 3,
};

// ---- end of the common controls' shared codes ----

// The header every WM_NOTIFY carries: who sent it and what happened.
struct NMHDR {
    HWND hwndFrom = nullptr;
    UINT_PTR idFrom = 0;
    UINT code = 0;
};

// A message as the window layer hands it around.
struct MSG {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    DWORD time = 0;   // the process clock when it arrived
    POINT pt;         // the cursor in screen pixels, where known
};

// ---- dialogs (dialog.h, dlgctrl.h) ----------------------------------------------------
enum : UINT {
    WM_NEXTDLGCTL = 0x0028,   // wParam: 0 next, 1 previous; or with lParam TRUE, the control (HWND)
    WM_INITDIALOG = 0x0110,   // answer TRUE to give the first control the focus
};

// ---- painting and cursors (paint.h, cursor.h) -------------------------------------------
enum : UINT {
    WM_PAINT = 0x000F,        // the window's update region wants drawing (BeginPaint)
    WM_ERASEBKGND = 0x0014,   // wParam: the DC (CDC*); answer non-zero when the background was erased
    WM_SETCURSOR = 0x0020,    // wParam: the window under the pointer (HWND); lParam: (hit test, mouse message)
};
// Hit-test codes (WM_SETCURSOR's low word of lParam).
enum : int {
    HTNOWHERE = 0,
    HTCLIENT = 1,
};

// ---- idle updates (winthread.h) -------------------------------------------------------
enum : UINT {
    WM_IDLEUPDATECMDUI = 0x0363,   // wParam: disable the commands nobody handles
};

// ---- help requests ---------------------------------------------------------------------
enum : UINT {
    WM_COMMANDHELP = 0x0365,   // F1: answer non-zero when the request was taken
    WM_HELPHITTEST = 0x0366,   // lParam: the point clicked; answer the help context (0: none)
};
