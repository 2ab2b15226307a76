// CWnd: a window of the user interface, over a Qt widget.
//
// A CWnd holds a widget (made by Create, or a widget made elsewhere taken over
// with SubclassWidget or SubclassDlgItem) and a handle from the window table
// of platform/core/window.h, so SendMessage and PostMessage reach it exactly as
// they reach hidden windows, from any thread. Every message, sent, posted or
// made from a Qt event, goes through WindowProc: OnWndMsg finds the handler in
// the message map (msgmap.h), and what nobody handles goes to DefWindowProc.
//
// Qt events become the classic messages while the widget has its CWnd: mouse
// buttons, moves and the wheel, keys (WM_KEYDOWN then one WM_CHAR per
// character typed; with Alt held, or for F10, the WM_SYS forms; key codes and
// state in keys.h), close, and the news of focus, size, move, show and enable.
// An input or close message that reaches DefWindowProc (a handler calling
// Default(), or no handler at all) hands the event on to the widget, which
// then acts as it always does; otherwise the event is consumed and goes to no
// parent. A key event a Qt control leaves unhandled does not become a message
// of the window above it either. The news messages report what has happened:
// the widget gets those events whatever the handlers do.
//
// Mouse capture is the platform's own, so it works without a window system:
// while a window holds it (SetCapture), every mouse event of the application
// is delivered to that window, in its client coordinates. Taking the capture
// from another window, and ReleaseCapture, send WM_CAPTURECHANGED to the one
// that loses it. While a capture loop runs (captureloop.h), its window's
// mouse messages and the thread's key messages go to the loop instead.
//
// Window timers run on the process timer service (a manual clock in tests);
// an elapse under 10 ms counts as 10, so a timer restarted from its own
// handler cannot spin.
//
// A control notifies its parent with WM_COMMAND or WM_NOTIFY; the parent first
// offers the notification back to the control (OnChildNotify, the reflection
// entries of its message map), which may consume it, and else routes it
// through OnCmdMsg to its own map.
//
// The application's state becomes WM_ACTIVATEAPP and a palette change
// WM_SYSCOLORCHANGE, both sent to every top-level CWnd. An exception escaping
// a handler goes to the window-procedure exception hook; the default reports
// it through the handler error reporter (window.h) and answers -1 for
// WM_CREATE (refusing the window) and 0 for anything else.
//
// Ownership: DestroyWindow (or the destructor) destroys the widget, hidden at
// once and deleted when control returns to the event loop (it may be the
// widget whose event is being handled). A widget destroyed by Qt (its parent went)
// ends its CWnd's window: WM_DESTROY and WM_NCDESTROY are sent and the CWnd is
// left without a window. A CWnd never deletes itself unless a derived class's
// PostNcDestroy does.
//
// User-interface thread only, except SendMessage and PostMessage by handle.
#pragma once

#include "platform/ui/cmdtarget.h"
#include "platform/ui/geometry.h"
#include "platform/ui/messages.h"
#include "platform/ui/msgmap.h"
#include "platform/ui/placement.h"

#include <exception>
#include <functional>
#include <memory>
#include <string>

class CDC;
class CFrameWnd;
class CMenu;
class CRgn;
struct PAINTSTRUCT;
class QWidget;
struct AcceleratorTable;
struct TOOLINFO;
using HACCEL = const AcceleratorTable*;   // as uiresources.h declares it

// Window styles the window layer reads.
inline constexpr DWORD WS_TABSTOP = 0x00010000;
inline constexpr DWORD WS_GROUP = 0x00020000;
inline constexpr DWORD WS_BORDER = 0x00800000;
inline constexpr DWORD WS_DISABLED = 0x08000000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_CHILD = 0x40000000;
inline constexpr DWORD WS_POPUP = 0x80000000;
// Extended styles (CREATESTRUCT::dwExStyle, GetExStyle).
inline constexpr DWORD WS_EX_CONTEXTHELP = 0x00000400;   // the caption offers help on a clicked window

// What WM_CREATE carries (lParam).
struct CREATESTRUCT {
    void* lpCreateParams = nullptr;
    HWND hwndParent = nullptr;
    UINT_PTR hMenu = 0;   // a child window's id
    int cy = 0, cx = 0, y = 0, x = 0;
    DWORD style = 0;
    const char* lpszName = nullptr;
    const char* lpszClass = nullptr;
    DWORD dwExStyle = 0;
};
using LPCREATESTRUCT = CREATESTRUCT*;

// The handler of exceptions escaping a window's handlers; answers the result
// of the message that failed.
using WndProcExceptionHook = std::function<LRESULT(std::exception_ptr error, const MSG& msg)>;
// Installs a hook (empty restores the default, see above); returns the previous one.
WndProcExceptionHook SetWndProcExceptionHook(WndProcExceptionHook hook);

class CWnd : public CCmdTarget, public CPlacedWindow {
    DECLARE_DYNAMIC(CWnd)
public:
    CWnd();
    // Destroys the window when it still exists.
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;   // null while there is no window
    HWND GetSafeHwnd() const { return m_hWnd; }
    QWidget* GetWidget() const { return m_pWidget; }

    // The CWnd with this handle, or of this widget; null when none.
    static CWnd* FromHandle(HWND hWnd);
    static CWnd* FromHandlePermanent(HWND hWnd) { return FromHandle(hWnd); }
    static CWnd* FromWidget(const QWidget* widget);

    // ---- creation and destruction --------------------------------------------------------

    // Makes the widget (CreateWidget), a child of the parent's widget with
    // WS_CHILD, placed at `rect` (in the parent's client coordinates), with the
    // text and the id as its object name; sends WM_CREATE, whose handler may
    // refuse the window by answering -1. Shown with WS_VISIBLE, disabled with
    // WS_DISABLED. FALSE when refused or when this CWnd has a window already.
    virtual BOOL Create(const char* lpszClassName, const char* lpszWindowName, DWORD dwStyle, const RECT& rect,
                        CWnd* pParentWnd, UINT nID, void* pContext = nullptr);
    // Takes over a widget made elsewhere (it must have no CWnd): its events
    // reach this object's handlers first. DestroyWindow destroys it like any
    // window; UnsubclassWindow gives it back.
    BOOL SubclassWidget(QWidget* widget);
    // Takes over the parent's child widget whose object name is `nID`.
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    // Lets go of the widget without destroying it; answers it.
    QWidget* UnsubclassWindow();
    // Sends WM_DESTROY (then to each child CWnd), destroys the widget, sends
    // WM_NCDESTROY and calls PostNcDestroy. FALSE when there is no window.
    virtual BOOL DestroyWindow();
    // Create asks it before the window is made, with the place, styles and
    // names given; it may change the styles. FALSE refuses the window.
    virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
    // The extended style the window was made with (WS_EX_ bits).
    DWORD GetExStyle() const { return m_dwExStyle; }

    // ---- messages ------------------------------------------------------------------------

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    // The message being handled on this thread (the innermost).
    static const MSG* GetCurrentMessage();
    // Hands the message being handled to DefWindowProc.
    LRESULT Default();

    // ---- state and geometry --------------------------------------------------------------

    BOOL ShowWindow(int nCmdShow);
    BOOL IsWindowVisible() const;
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowEnabled() const;
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void MoveWindow(const RECT& rect, BOOL bRepaint = TRUE);
    void GetClientRect(RECT* rect) const;
    // In screen coordinates, frame included.
    void GetWindowRect(RECT* rect) const;
    void ClientToScreen(POINT* point) const;
    void ScreenToClient(POINT* point) const;
    void SetWindowText(const char* text);
    void GetWindowText(std::string& text) const;
    int GetDlgCtrlID() const;
    int SetDlgCtrlID(int nID);
    // The child CWnd with that id (its widget's object name); null when none.
    CWnd* GetDlgItem(int nID) const;
    // The nearest CWnd above this one's widget; null for a top-level window.
    CWnd* GetParent() const;
    // The owner set with SetOwner, else the parent.
    CWnd* GetOwner() const;
    void SetOwner(CWnd* pOwner) { m_hWndOwner = pOwner ? pOwner->m_hWnd : nullptr; }
    void Invalidate(BOOL bErase = TRUE);
    void UpdateWindow();
    int GetWindowPlacement(WINDOWPLACEMENT* placement) const override;
    // Moves the window to the record's normal rectangle (its frame; a child
    // in its parent's client coordinates) and shows it by the record's show
    // command (SW_HIDE leaves it as it is). 0 without a window.
    int SetWindowPlacement(const WINDOWPLACEMENT* placement);

    // Focus: the CWnd of the focus widget (or the nearest above it).
    CWnd* SetFocus();
    static CWnd* GetFocus();

    // Capture (see above). SetCapture answers the previous holder.
    CWnd* SetCapture();
    static CWnd* GetCapture();

    // Starts (or restarts) the timer; WM_TIMER with `nIDEvent` every
    // max(nElapse, 10) ms. Answers `nIDEvent`, 0 on failure (id 0, no window).
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse);
    BOOL KillTimer(UINT_PTR nIDEvent);

    // ---- redrawing and tool tips (control_support.cpp, tooltip.h) --------------------------------

    // FALSE stops the window drawing itself until TRUE (then it is drawn again).
    void SetRedraw(BOOL bRedraw = TRUE);
    // Tool tips for the points of this window (tooltip.h): OnToolHitTest names
    // the tool under a point, and a tool without text asks its window's owner
    // with TTN_NEEDTEXT. FALSE turns them off. Answers whether they were on.
    BOOL EnableToolTips(BOOL bEnable = TRUE);
    // The tool at `point` (client coordinates), filling `pTI` when given; -1
    // when none. The base names the visible child window there by its id.
    virtual INT_PTR OnToolHitTest(CPoint point, TOOLINFO* pTI) const;

    // ---- painting and cursors (paint.h, paint.cpp; cursor.h) -----------------------------------
    // A window draws on its retained surface (paint.h); these keep its update
    // region (client coordinates). A null rectangle means the client area;
    // `bErase` has the next BeginPaint send WM_ERASEBKGND first.
    void InvalidateRect(const RECT* rect, BOOL bErase = TRUE);
    void InvalidateRgn(CRgn* region, BOOL bErase = TRUE);
    void ValidateRect(const RECT* rect);
    void ValidateRgn(CRgn* region);
    // The update region's bounding box; FALSE when it is empty. `bErase`
    // erases the background now when an erase is pending.
    BOOL GetUpdateRect(RECT* rect, BOOL bErase = FALSE);
    // A DC on the surface clipped to the update region, which becomes valid;
    // `ps` gets its box (rcPaint) and whether the background still needs
    // erasing. EndPaint shows what was drawn.
    CDC* BeginPaint(PAINTSTRUCT* ps);
    void EndPaint(const PAINTSTRUCT* ps);
    // The base paints nothing: it validates the update region (erasing it).
    afx_msg void OnPaint();
    // The base fills the erased area with the window's background colour.
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    // The base asks the parent first, and else leaves the cursor as it is (FALSE).
    afx_msg BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);

    // ---- dropped files (dropfiles.cpp) --------------------------------------------------

    // TRUE: files dropped on the window come as WM_DROPFILES (dropfiles.h).
    void DragAcceptFiles(BOOL bAccept = TRUE);

    // ---- frames (frame.cpp) --------------------------------------------------------------

    // The nearest frame above this window (not this one); null when none.
    CFrameWnd* GetParentFrame() const;
    // The outermost frame holding this window (this one when it is that frame).
    CFrameWnd* GetTopLevelFrame() const;
    // Sends the message to every window below this one (`bDeep`: at every
    // depth, else the direct children only), in the order of the widget tree.
    void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0, BOOL bDeep = TRUE);

    // ---- keys before the widget (accel.cpp) ----------------------------------------------

    // A key message (WM_KEYDOWN ... WM_SYSCHAR) about to reach the focus
    // window is offered first to it and then to each window above it, up to
    // its top-level window; TRUE takes it, and neither the focus window nor
    // its widget sees it. The base translates the window's accelerators
    // (GetDefaultAccelerator) and else answers FALSE.
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // Offers `pMsg` to the window it is addressed to and those above it, up to
    // `hWndStop` or the top-level window; TRUE when one took it.
    static BOOL WalkPreTranslateTree(HWND hWndStop, MSG* pMsg);
    // The accelerator table this window translates; null when none.
    virtual HACCEL GetDefaultAccelerator();
    // Takes the accelerator table `id` (uiresources.h) as this window's own.
    // FALSE when there is none.
    BOOL LoadAccelTable(unsigned id);
    HACCEL m_hAccelTable = nullptr;   // borrowed from the resources; may be null

    // ---- idle updates (winthread.h) ------------------------------------------------------

    // Asks how each child control bound to a command should look: the base
    // runs a CCmdUI for each child window with an id (UpdateDialogControls).
    // A window registered with AddIdleUpdateWindow is asked on idle while it is
    // visible, with its owner as the target.
    virtual void OnUpdateCmdUI(CCmdTarget* pTarget, BOOL bDisableIfNoHndler);
    void UpdateDialogControls(CCmdTarget* pTarget, BOOL bDisableIfNoHndler);

    // ---- the handling of messages --------------------------------------------------------

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // TRUE with the result when a handler took the message.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // The default handling: a message made from a Qt event hands the event to
    // the widget; WM_SETTEXT sets the text, WM_CLOSE destroys the window.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // WM_COMMAND: a control's notification is offered back to it, then routed.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // WM_NOTIFY, likewise.
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // A notification this window sent its parent, offered back to it; TRUE consumes it.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // WM_DRAWITEM and WM_MEASUREITEM offered to the control they are about
    // (ownerdraw.h); TRUE when it took the message.
    BOOL OfferOwnerDraw(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // Looks for the reflection entries (ON_CONTROL_REFLECT, ON_NOTIFY_REFLECT).
    BOOL ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // Offers the message being handled to the child window `hWndChild`.
    static BOOL ReflectLastMsg(HWND hWndChild, LRESULT* pResult = nullptr);
    BOOL SendChildNotifyLastMsg(LRESULT* pResult = nullptr);
    // After WM_NCDESTROY; a class whose objects delete themselves deletes here.
    virtual void PostNcDestroy();

    // The handlers the message map entries of msgmap.h call. Each default
    // hands the message to DefWindowProc.
    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnDestroy();
    afx_msg void OnNcDestroy();
    afx_msg void OnClose();
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnMove(int x, int y);
    afx_msg void OnShowWindow(BOOL bShow, UINT nStatus);
    afx_msg void OnEnable(BOOL bEnable);
    afx_msg void OnSetFocus(CWnd* pOldWnd);
    afx_msg void OnKillFocus(CWnd* pNewWnd);
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnActivateApp(BOOL bActive, DWORD dwThreadID);
    afx_msg void OnSysColorChange();
    afx_msg void OnCancelMode();
    afx_msg void OnCaptureChanged(CWnd* pWnd);
    afx_msg void OnInitMenu(CMenu* pMenu);
    afx_msg void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu);
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnSysKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnSysKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnSysChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnLButtonDblClk(UINT nFlags, CPoint point);
    afx_msg void OnRButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnRButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnRButtonDblClk(UINT nFlags, CPoint point);
    afx_msg void OnMButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnMButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnMButtonDblClk(UINT nFlags, CPoint point);
    afx_msg BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt);
    // WM_CONTEXTMENU: `pWnd` the window clicked (or with the focus), `pos` on
    // the screen, (-1, -1) when asked from the keyboard.
    afx_msg void OnContextMenu(CWnd* pWnd, CPoint pos);

protected:
    // Makes the widget Create places; the base makes a plain window.
    virtual QWidget* CreateWidget(QWidget* parent, DWORD dwStyle);

private:
    friend class CWndEvents;   // wnd_events.cpp: turns Qt events into messages
    class Handle;              // the hidden window behind m_hWnd

    void Attach(QWidget* widget);
    // The end of the window: messages, then the handle goes.
    void EndWindow(bool destroyWidget);

    QWidget* m_pWidget = nullptr;        // destroyed with the window (see above)
    std::unique_ptr<Handle> m_handle;    // owned; exists exactly while m_hWnd is set
    HWND m_hWndOwner = nullptr;
    bool m_bToolTips = false;   // EnableToolTips
    DWORD m_dwExStyle = 0;      // PreCreateWindow's WS_EX_ bits
};

// Ends the capture, sending WM_CAPTURECHANGED to its holder. FALSE when no
// window held it.
BOOL ReleaseCapture();
