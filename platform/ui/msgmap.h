// The macros that write a class's message map (cmdtarget.h):
//
//   class CMyWnd : public CWnd {
//       ...
//       afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
//       afx_msg void OnFileOpen();
//       DECLARE_MESSAGE_MAP()
//   };
//
//   BEGIN_MESSAGE_MAP(CMyWnd, CWnd)
//       ON_WM_LBUTTONDOWN()
//       ON_COMMAND(ID_FILE_OPEN, &CMyWnd::OnFileOpen)
//   END_MESSAGE_MAP()
//
// A handler is named as a pointer to member ("&CMyWnd::OnFileOpen"; it may be
// a base class's, and a virtual one is called virtually); each entry becomes a small function that unpacks the message
// into the handler's parameters, so a handler with the wrong parameters fails
// to compile. The window messages' handlers take the parameters their names
// have always had (OnSize(nType, cx, cy), OnKeyDown(nChar, nRepCnt, nFlags) ...).
//
// Notification codes are kept as 16-bit words, as WM_COMMAND and the routing
// carry them (a negative WM_NOTIFY code such as -2 matches as 0xFFFE).
//
// Kinds of entries:
//   ON_COMMAND(id, f)                    void f()            a command or BN_CLICKED
//   ON_COMMAND_EX(id, f)                 BOOL f(UINT id)     FALSE: routing goes on
//   ON_COMMAND_RANGE(first, last, f)     void f(UINT id)
//   ON_UPDATE_COMMAND_UI(id, f)          void f(CCmdUI*)
//   ON_UPDATE_COMMAND_UI_RANGE(first, last, f)
//   ON_CONTROL(code, id, f), ON_BN_CLICKED(id, f) ...       void f()
//   ON_NOTIFY(code, id, f)               void f(NMHDR*, LRESULT*)
//   ON_NOTIFY_EX(code, id, f)            BOOL f(UINT id, NMHDR*, LRESULT*)
//   ON_NOTIFY_RANGE(code, first, last, f)  void f(UINT id, NMHDR*, LRESULT*)
//   ON_CONTROL_REFLECT(code, f)          void f()            in the control itself
//   ON_CONTROL_REFLECT_EX(code, f)       BOOL f()            FALSE: the parent gets it too
//   ON_NOTIFY_REFLECT(code, f)           void f(NMHDR*, LRESULT*)
//   ON_NOTIFY_REFLECT_EX(code, f)        BOOL f(NMHDR*, LRESULT*)
//   ON_MESSAGE(msg, f)                   LRESULT f(WPARAM, LPARAM)
//   ON_WM_xxx()                          the window message's handler by its name
#pragma once

#include "platform/ui/cmdtarget.h"

// Marks a message handler in a class declaration; nothing else.
#define afx_msg

#define DECLARE_MESSAGE_MAP()                                \
protected:                                                   \
    static const AFX_MSGMAP* GetThisMessageMap();            \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                   \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                            \
        using ThisClass [[maybe_unused]] = theClass;                             \
        using TheBaseClass = baseClass;                                          \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                        \
            {0, 0, 0, 0, AfxSig_end, nullptr}                                    \
        };                                                                       \
        static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
        return &messageMap;                                                      \
    }

// The function behind an entry: `self_` is the object, `call_` the message.
#define AFX_MSG_THUNK(...)                                                                   \
    [](CCmdTarget* target_, [[maybe_unused]] const AFX_MSGCALL& call_) -> LRESULT {          \
        ThisClass* self_ = static_cast<ThisClass*>(target_);                                 \
        __VA_ARGS__                                                                          \
    }

// The member an entry names ("&Class::Member"), called on self_.
#define AFX_CALL(memberFxn) (self_->*(memberFxn))

// ---- commands and notifications ---------------------------------------------------------

#define ON_COMMAND(id, memberFxn) \
    {WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(id), AfxSig_v, \
     AFX_MSG_THUNK(AFX_CALL(memberFxn)(); return TRUE;)},
#define ON_COMMAND_EX(id, memberFxn) \
    {WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(id), AfxSig_b, \
     AFX_MSG_THUNK(return AFX_CALL(memberFxn)(call_.nID);)},
#define ON_COMMAND_RANGE(id, idLast, memberFxn) \
    {WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(idLast), AfxSig_v, \
     AFX_MSG_THUNK(AFX_CALL(memberFxn)(call_.nID); return TRUE;)},
#define ON_UPDATE_COMMAND_UI(id, memberFxn) \
    ON_UPDATE_COMMAND_UI_RANGE(id, id, memberFxn)
#define ON_UPDATE_COMMAND_UI_RANGE(id, idLast, memberFxn) \
    {WM_COMMAND, static_cast<UINT>(CN_UPDATE_COMMAND_UI), static_cast<UINT>(id), static_cast<UINT>(idLast), \
     AfxSig_v, AFX_MSG_THUNK(AFX_CALL(memberFxn)(static_cast<CCmdUI*>(call_.pExtra)); return TRUE;)},

#define ON_CONTROL(wNotifyCode, id, memberFxn) \
    {WM_COMMAND, static_cast<WORD>(wNotifyCode), static_cast<UINT>(id), static_cast<UINT>(id), AfxSig_v, \
     AFX_MSG_THUNK(AFX_CALL(memberFxn)(); return TRUE;)},
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)

#define ON_NOTIFY(wNotifyCode, id, memberFxn) ON_NOTIFY_RANGE_AS_(wNotifyCode, id, id, memberFxn, AfxSig_v, \
    AFX_CALL(memberFxn)(n_->pNMHDR, n_->pResult); return TRUE;)
#define ON_NOTIFY_RANGE(wNotifyCode, id, idLast, memberFxn) ON_NOTIFY_RANGE_AS_(wNotifyCode, id, idLast, memberFxn, \
    AfxSig_v, AFX_CALL(memberFxn)(call_.nID, n_->pNMHDR, n_->pResult); return TRUE;)
#define ON_NOTIFY_EX(wNotifyCode, id, memberFxn) ON_NOTIFY_RANGE_AS_(wNotifyCode, id, id, memberFxn, AfxSig_b, \
    return AFX_CALL(memberFxn)(call_.nID, n_->pNMHDR, n_->pResult);)
#define ON_NOTIFY_RANGE_AS_(wNotifyCode, id, idLast, memberFxn, sig, ...) \
    {WM_NOTIFY, static_cast<WORD>(wNotifyCode), static_cast<UINT>(id), static_cast<UINT>(idLast), sig, \
     AFX_MSG_THUNK(auto* n_ = static_cast<AFX_NOTIFY*>(call_.pExtra); __VA_ARGS__)},

#define ON_CONTROL_REFLECT(wNotifyCode, memberFxn) \
    {WM_COMMAND + WM_REFLECT_BASE, static_cast<WORD>(wNotifyCode), 0, 0, AfxSig_v, \
     AFX_MSG_THUNK(AFX_CALL(memberFxn)(); return TRUE;)},
#define ON_CONTROL_REFLECT_EX(wNotifyCode, memberFxn) \
    {WM_COMMAND + WM_REFLECT_BASE, static_cast<WORD>(wNotifyCode), 0, 0, AfxSig_b, \
     AFX_MSG_THUNK(return AFX_CALL(memberFxn)();)},
#define ON_NOTIFY_REFLECT(wNotifyCode, memberFxn) \
    {WM_NOTIFY + WM_REFLECT_BASE, static_cast<WORD>(wNotifyCode), 0, 0, AfxSig_v, \
     AFX_MSG_THUNK(auto* n_ = static_cast<AFX_NOTIFY*>(call_.pExtra); \
                   AFX_CALL(memberFxn)(n_->pNMHDR, n_->pResult); return TRUE;)},
#define ON_NOTIFY_REFLECT_EX(wNotifyCode, memberFxn) \
    {WM_NOTIFY + WM_REFLECT_BASE, static_cast<WORD>(wNotifyCode), 0, 0, AfxSig_b, \
     AFX_MSG_THUNK(auto* n_ = static_cast<AFX_NOTIFY*>(call_.pExtra); \
                   return AFX_CALL(memberFxn)(n_->pNMHDR, n_->pResult);)},

// ---- window messages --------------------------------------------------------------------

#define ON_MESSAGE(message, memberFxn) \
    AFX_WM_ENTRY_(message, return AFX_CALL(memberFxn)(call_.wParam, call_.lParam);)

#define AFX_WM_ENTRY_(message, ...) \
    {static_cast<UINT>(message), 0, 0, 0, AfxSig_l, AFX_MSG_THUNK(__VA_ARGS__)},
#define AFX_WM_VOID_(message, ...) AFX_WM_ENTRY_(message, __VA_ARGS__; return 0;)

// The handler of a window message, by the name its message gives it.
#define AFX_ON_(name) self_->name

#define ON_WM_CREATE() AFX_WM_ENTRY_(WM_CREATE, \
    return AFX_ON_(OnCreate)(reinterpret_cast<CREATESTRUCT*>(call_.lParam));)
#define ON_WM_DESTROY() AFX_WM_VOID_(WM_DESTROY, AFX_ON_(OnDestroy)())
#define ON_WM_NCDESTROY() AFX_WM_VOID_(WM_NCDESTROY, AFX_ON_(OnNcDestroy)())
#define ON_WM_CLOSE() AFX_WM_VOID_(WM_CLOSE, AFX_ON_(OnClose)())
#define ON_WM_SIZE() AFX_WM_VOID_(WM_SIZE, AFX_ON_(OnSize)(static_cast<UINT>(call_.wParam), \
    LOWORD(static_cast<std::uintptr_t>(call_.lParam)), HIWORD(static_cast<std::uintptr_t>(call_.lParam))))
#define ON_WM_MOVE() AFX_WM_VOID_(WM_MOVE, AFX_ON_(OnMove)(GET_X_LPARAM(call_.lParam), GET_Y_LPARAM(call_.lParam)))
#define ON_WM_SHOWWINDOW() AFX_WM_VOID_(WM_SHOWWINDOW, AFX_ON_(OnShowWindow)(static_cast<BOOL>(call_.wParam), \
    static_cast<UINT>(call_.lParam)))
#define ON_WM_ENABLE() AFX_WM_VOID_(WM_ENABLE, AFX_ON_(OnEnable)(static_cast<BOOL>(call_.wParam)))
#define ON_WM_SETFOCUS() AFX_WM_VOID_(WM_SETFOCUS, \
    AFX_ON_(OnSetFocus)(CWnd::FromHandle(reinterpret_cast<HWND>(call_.wParam))))
#define ON_WM_KILLFOCUS() AFX_WM_VOID_(WM_KILLFOCUS, \
    AFX_ON_(OnKillFocus)(CWnd::FromHandle(reinterpret_cast<HWND>(call_.wParam))))
#define ON_WM_TIMER() AFX_WM_VOID_(WM_TIMER, AFX_ON_(OnTimer)(static_cast<UINT_PTR>(call_.wParam)))
#define ON_WM_ACTIVATEAPP() AFX_WM_VOID_(WM_ACTIVATEAPP, \
    AFX_ON_(OnActivateApp)(static_cast<BOOL>(call_.wParam), static_cast<DWORD>(call_.lParam)))
#define ON_WM_SYSCOLORCHANGE() AFX_WM_VOID_(WM_SYSCOLORCHANGE, AFX_ON_(OnSysColorChange)())
#define ON_WM_CANCELMODE() AFX_WM_VOID_(WM_CANCELMODE, AFX_ON_(OnCancelMode)())
#define ON_WM_CAPTURECHANGED() AFX_WM_VOID_(WM_CAPTURECHANGED, \
    AFX_ON_(OnCaptureChanged)(CWnd::FromHandle(reinterpret_cast<HWND>(call_.lParam))))
#define ON_WM_INITMENU() AFX_WM_VOID_(WM_INITMENU, AFX_ON_(OnInitMenu)(reinterpret_cast<CMenu*>(call_.wParam)))
#define ON_WM_INITMENUPOPUP() AFX_WM_VOID_(WM_INITMENUPOPUP, \
    AFX_ON_(OnInitMenuPopup)(reinterpret_cast<CMenu*>(call_.wParam), \
    LOWORD(static_cast<std::uintptr_t>(call_.lParam)), HIWORD(static_cast<std::uintptr_t>(call_.lParam))))

// Painting and cursors (paint.h, cursor.h).
#define ON_WM_PAINT() AFX_WM_VOID_(WM_PAINT, AFX_ON_(OnPaint)())
#define ON_WM_ERASEBKGND() AFX_WM_ENTRY_(WM_ERASEBKGND, \
    return AFX_ON_(OnEraseBkgnd)(reinterpret_cast<CDC*>(call_.wParam));)
#define ON_WM_SETCURSOR() AFX_WM_ENTRY_(WM_SETCURSOR, \
    return AFX_ON_(OnSetCursor)(CWnd::FromHandle(reinterpret_cast<HWND>(call_.wParam)), \
        LOWORD(static_cast<std::uintptr_t>(call_.lParam)), HIWORD(static_cast<std::uintptr_t>(call_.lParam)));)

#define AFX_KEY_ENTRY_(message, name) AFX_WM_VOID_(message, AFX_ON_(name)(static_cast<UINT>(call_.wParam), \
    LOWORD(static_cast<std::uintptr_t>(call_.lParam)), HIWORD(static_cast<std::uintptr_t>(call_.lParam))))
#define ON_WM_KEYDOWN() AFX_KEY_ENTRY_(WM_KEYDOWN, OnKeyDown)
#define ON_WM_KEYUP() AFX_KEY_ENTRY_(WM_KEYUP, OnKeyUp)
#define ON_WM_CHAR() AFX_KEY_ENTRY_(WM_CHAR, OnChar)
#define ON_WM_SYSKEYDOWN() AFX_KEY_ENTRY_(WM_SYSKEYDOWN, OnSysKeyDown)
#define ON_WM_SYSKEYUP() AFX_KEY_ENTRY_(WM_SYSKEYUP, OnSysKeyUp)
#define ON_WM_SYSCHAR() AFX_KEY_ENTRY_(WM_SYSCHAR, OnSysChar)

#define AFX_MOUSE_ENTRY_(message, name) AFX_WM_VOID_(message, AFX_ON_(name)(static_cast<UINT>(call_.wParam), \
    CPoint(GET_X_LPARAM(call_.lParam), GET_Y_LPARAM(call_.lParam))))
#define ON_WM_MOUSEMOVE() AFX_MOUSE_ENTRY_(WM_MOUSEMOVE, OnMouseMove)
#define ON_WM_LBUTTONDOWN() AFX_MOUSE_ENTRY_(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_MOUSE_ENTRY_(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() AFX_MOUSE_ENTRY_(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() AFX_MOUSE_ENTRY_(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_RBUTTONUP() AFX_MOUSE_ENTRY_(WM_RBUTTONUP, OnRButtonUp)
#define ON_WM_RBUTTONDBLCLK() AFX_MOUSE_ENTRY_(WM_RBUTTONDBLCLK, OnRButtonDblClk)
#define ON_WM_MBUTTONDOWN() AFX_MOUSE_ENTRY_(WM_MBUTTONDOWN, OnMButtonDown)
#define ON_WM_MBUTTONUP() AFX_MOUSE_ENTRY_(WM_MBUTTONUP, OnMButtonUp)
#define ON_WM_MBUTTONDBLCLK() AFX_MOUSE_ENTRY_(WM_MBUTTONDBLCLK, OnMButtonDblClk)
#define ON_WM_MOUSEWHEEL() AFX_WM_ENTRY_(WM_MOUSEWHEEL, \
    return AFX_ON_(OnMouseWheel)(LOWORD(call_.wParam), static_cast<short>(HIWORD(call_.wParam)), \
        CPoint(GET_X_LPARAM(call_.lParam), GET_Y_LPARAM(call_.lParam)));)
#define ON_WM_CONTEXTMENU() AFX_WM_VOID_(WM_CONTEXTMENU, \
    AFX_ON_(OnContextMenu)(CWnd::FromHandle(reinterpret_cast<HWND>(call_.wParam)), \
        CPoint(GET_X_LPARAM(call_.lParam), GET_Y_LPARAM(call_.lParam))))
