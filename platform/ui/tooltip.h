// Tool tips: the short texts a window shows for the points of its client area.
//
// A window that calls EnableToolTips is asked, when the pointer rests over it
// (or over a child widget without a tip of its own), which tool lies there:
// OnToolHitTest(point, info) answers the tool's id, or -1 for none, and fills
// the TOOLINFO: the window that owns the tool (hwnd), the tool's id (uId; a
// window's handle with TTF_IDISHWND) and its text. A text of
// LPSTR_TEXTCALLBACK is asked for: the owner gets WM_NOTIFY with TTN_NEEDTEXT
// and a TOOLTIPTEXT (idFrom the tool's id, uFlags the tool's flags), routed
// like any notification, whose handler puts the text in szText (80 bytes:
// at most 79 of text, cut by lstrcpyn at a character boundary) or points
// lpszText at a text of its own. A text that is a number below 0x10000 is the
// string of that id. An empty text shows no tip.
//
// CWnd's own OnToolHitTest names the visible child window under the point:
// its id, the child's handle as the tool (TTF_IDISHWND) and the text asked
// for. User-interface thread only.
#pragma once

#include "platform/ui/msgmap.h"
#include "platform/ui/wnd.h"

// Tool flags.
enum : UINT {
    TTF_IDISHWND = 0x0001,
    TTF_CENTERTIP = 0x0002,
    TTF_SUBCLASS = 0x0010,
    TTF_NOTBUTTON = 0x80000000,   // the class library's mark of a tool that is no button
};

inline constexpr UINT TTN_NEEDTEXT = static_cast<UINT>(-520);

// A text to be asked for with TTN_NEEDTEXT.
inline char* const LPSTR_TEXTCALLBACK = reinterpret_cast<char*>(static_cast<std::intptr_t>(-1));

struct TOOLINFO {
    UINT cbSize = sizeof(TOOLINFO);
    UINT uFlags = 0;
    HWND hwnd = nullptr;    // the window that owns the tool (told TTN_NEEDTEXT)
    UINT_PTR uId = 0;       // the tool's id, or its window with TTF_IDISHWND
    RECT rect;              // where the tool lies, in hwnd's client coordinates
    void* hinst = nullptr;
    char* lpszText = nullptr;   // the text, LPSTR_TEXTCALLBACK, or a string id
    LPARAM lParam = 0;
};

// What TTN_NEEDTEXT carries.
struct TOOLTIPTEXT {
    NMHDR hdr;
    char* lpszText = nullptr;   // a text of the handler's own, else szText counts
    char szText[80] = {};
    void* hinst = nullptr;
    UINT uFlags = 0;            // the tool's flags
    LPARAM lParam = 0;
};

// Copies at most nMax - 1 bytes of `source` and a terminator into `dest`, cut
// before a character that does not fit whole (UTF-8); answers `dest`.
char* lstrcpyn(char* dest, const char* source, int nMax);

// A handler of notifications from a range of ids that may let routing go on:
// BOOL f(UINT id, NMHDR*, LRESULT*), as the tip handlers of frames and bars are.
#ifndef ON_NOTIFY_EX_RANGE
#define ON_NOTIFY_EX_RANGE(wNotifyCode, id, idLast, memberFxn) ON_NOTIFY_RANGE_AS_(wNotifyCode, id, idLast, memberFxn, \
    AfxSig_b, return AFX_CALL(memberFxn)(call_.nID, n_->pNMHDR, n_->pResult);)
#endif
