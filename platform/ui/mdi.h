// The multiple-document frames: CMDIFrameWnd, the main window over a
// QMainWindow whose client is a QMdiArea, and CMDIChildWnd, a document's
// frame inside it over a QMdiSubWindow.
//
// The client is a window of its own (m_hWndMDIClient) that takes the MDI
// messages: WM_MDIACTIVATE (the child to activate), WM_MDIGETACTIVE,
// WM_MDINEXT, WM_MDITILE, WM_MDICASCADE, WM_MDIDESTROY. A change of the
// active child, asked for or made by the user in the area, sends
// WM_MDIACTIVATE to the child that loses (first) and to the one that wins
// (OnMDIActivate(bActivate, pActivateWnd, pDeactivateWnd)); a child going
// away hands the activation to the last visible child, or to none.
//
// While a child is active its shared menu (its template's, or loaded with
// it) replaces the main window's on the menu bar (OnUpdateFrameMenu); with
// no active child the main window's own menu returns. A menu holding a
// "Window" command (AFX_IDM_WINDOW_FIRST ... LAST) lists the visible children
// as it opens ("&1 title" ..., the active one checked); choosing one
// activates it.
//
// Commands reaching the main window go to the active child first (its view,
// the document, the template, the child itself), then to the main window and
// the application. Keys: the main window translates the active child's
// accelerators before its own.
//
// Both kinds of frames delete themselves with their windows (frame.h).
// User-interface thread only.
#pragma once

#include "platform/ui/frame.h"

#include <memory>
#include <vector>

class CCmdUI;
class CMDIChildWnd;
class CMDIClientWnd;

class CMDIFrameWnd : public CFrameWnd {
    DECLARE_DYNAMIC(CMDIFrameWnd)
public:
    CMDIFrameWnd();
    ~CMDIFrameWnd() override;

    HWND m_hWndMDIClient = nullptr;   // the client window (the QMdiArea's)

    // The active child; null when none. `pbMaximized` tells whether it is maximized.
    CMDIChildWnd* MDIGetActive(BOOL* pbMaximized = nullptr) const;
    void MDIActivate(CWnd* pWndActivate);
    void MDINext();
    void MDIPrev();
    void MDITile(UINT nType = MDITILE_VERTICAL);
    void MDICascade();
    // The children, in the order they were made.
    std::vector<CMDIChildWnd*> GetMDIChildren() const;

    CFrameWnd* GetActiveFrame() override;
    // The active child first, then as any frame.
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
    // The active child's accelerators, then its own.
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    // Shows `hMenuAlt`, or (null) the active child's shared menu, else its own.
    virtual void OnUpdateFrameMenu(CMenu* hMenuAlt);
    // The drop-down of `menuBar` holding the "Window" commands; null when none.
    static CMenu* GetWindowMenuPopup(CMenu* menuBar);

protected:
    // Makes the client (and then the view of the context, if any).
    BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext) override;
    afx_msg void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu);
    afx_msg BOOL OnMDIWindowCmd(UINT nID);
    afx_msg void OnUpdateMDIWindowCmd(CCmdUI* pCmdUI);
    DECLARE_MESSAGE_MAP()

private:
    // Lists the visible children at the end of the window menu.
    void UpdateWindowList(CMenu* popup) const;
    std::vector<CMDIChildWnd*> VisibleChildren() const;

    std::unique_ptr<CMDIClientWnd> m_pClient;   // owned; its window goes with the frame's
};

class CMDIChildWnd : public CFrameWnd {
    DECLARE_DYNCREATE(CMDIChildWnd)
public:
    CMDIChildWnd();
    ~CMDIChildWnd() override;

    // Makes the child in `pParentWnd`'s client (null: the main window's).
    // Hidden unless `dwStyle` has WS_VISIBLE.
    virtual BOOL Create(const char* lpszClassName, const char* lpszWindowName,
                        DWORD dwStyle = WS_CHILD | WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                        const RECT& rect = rectDefault, CMDIFrameWnd* pParentWnd = nullptr,
                        CCreateContext* pContext = nullptr);
    // Takes its template's shared menu and keys (or, without a template,
    // loads those of `nIDResource`), then Create.
    BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_CHILD | WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                   CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr) override;

    CMDIFrameWnd* GetMDIFrame() const;
    void MDIActivate();
    void MDIDestroy();
    // Shows the child (when hidden) and activates it.
    void ActivateFrame(int nCmdShow = -1) override;
    // The main window translates this child's keys (CMDIFrameWnd::PreTranslateMessage).
    BOOL PreTranslateMessage(MSG* pMsg) override;
    // The document's title (":n" when it has several frames); the main window's title too.
    void OnUpdateFrameTitle(BOOL bAddToTitle) override;

    // WM_MDIACTIVATE: the view is told, and the menu bar follows.
    afx_msg virtual void OnMDIActivate(BOOL bActivate, CWnd* pActivateWnd, CWnd* pDeactivateWnd);
    // Shows the child's shared menu on the main window while it is active,
    // the main window's own when no child is.
    virtual void OnUpdateFrameMenu(BOOL bActivate, CWnd* pActivateWnd, CMenu* hMenuAlt);

    CMenu* m_hMenuShared = nullptr;   // borrowed: the template's or m_pMenuOwned

protected:
    QWidget* CreateWidget(QWidget* parent, DWORD dwStyle) override;
    // Hands the activation on when it was the active child.
    afx_msg void OnDestroy();
    afx_msg LRESULT OnMDIActivateMessage(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    std::unique_ptr<CMenu> m_pMenuOwned;   // owned: a menu loaded without a template
};
