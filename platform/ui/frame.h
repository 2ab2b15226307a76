// CFrameWnd: a window that frames a document's view, over a QMainWindow.
//
// A frame is made from its resources by LoadFrame: the menu and the
// accelerator table of its id (uiresources.h), and its title from the string
// of that id up to the first "\n" (the rest names the document type, see
// CDocTemplate::GetDocString). Its client is made by OnCreateClient: with a
// creation context (CCreateContext) naming a view class, the view is made by
// its run-time class as the frame's central window, with the id
// AFX_IDW_PANE_FIRST, and joins the context's document.
//
// The menu shows as the QMainWindow's menu bar; each drop-down, as it opens,
// sends the frame WM_INITMENU and WM_INITMENUPOPUP, whose handling asks every
// item's command through the routing (CCmdUI): a command nobody handles is
// disabled (m_bAutoMenuEnable). A command reaching the frame (WM_COMMAND from
// a menu, an accelerator or a control) is routed: the active view (which asks
// its document, which asks its template), the frame itself, then, for the
// application's main window, the application (app.h).
//
// InitialUpdateFrame runs when the frame has its document: the first view
// becomes the active one and, only when the frame is to be visible, every
// window of the frame gets WM_INITIALUPDATE (a view's OnInitialUpdate) and
// the frame is shown; the title follows the document ("doc - app" with
// FWS_ADDTOTITLE). Closing the frame asks its document (CanCloseFrame); the
// last frame of a document closes the document instead.
//
// Ownership: a frame deletes itself when its window goes (PostNcDestroy), so
// frames are made with new; its views go with it. The tool-bar areas and the
// status bar of the QMainWindow are the control bars'. User-interface thread only.
#pragma once

#include "platform/ui/commands.h"
#include "platform/ui/dropfiles.h"
#include "platform/ui/wnd.h"

#include <memory>
#include <string>

class CControlBar;
class CDocTemplate;
class CDocument;
class CMenu;
class CView;

// What a frame needs to make its view (passed through WM_CREATE).
struct CCreateContext {
    const CRuntimeClass* m_pNewViewClass = nullptr;   // the view to make; null: none
    CDocument* m_pCurrentDoc = nullptr;               // the document it shows
    CDocTemplate* m_pNewDocTemplate = nullptr;        // the template making the frame
    CView* m_pLastView = nullptr;                     // a view of the document shown before
    CFrameWnd* m_pCurrentFrame = nullptr;             // the frame the new one is made from
};

inline constexpr DWORD WS_OVERLAPPEDWINDOW = 0x00CF0000;
inline constexpr DWORD FWS_ADDTOTITLE = 0x00008000;    // the title shows the active document's
inline constexpr DWORD FWS_PREFIXTITLE = 0x00004000;   // the document's title first

// The default place of a frame: let the window system choose.
inline constexpr RECT rectDefault = {0, 0, 0, 0};

class CFrameWnd : public CWnd {
    DECLARE_DYNCREATE(CFrameWnd)
public:
    CFrameWnd();
    ~CFrameWnd() override;

    // Makes the frame's window with the menu `nIDMenu` (0: none). A frame
    // with FWS_ADDTOTITLE puts the document's title before its own. On
    // failure the frame object is gone (made with new, as every frame).
    virtual BOOL Create(const char* lpszClassName, const char* lpszWindowName,
                        DWORD dwStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, const RECT& rect = rectDefault,
                        CWnd* pParentWnd = nullptr, UINT nIDMenu = 0, CCreateContext* pContext = nullptr);
    // Makes the frame from the resources of `nIDResource` (see above). Without
    // a context, every window of the frame then gets WM_INITIALUPDATE.
    virtual BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                           CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr);

    // Makes a view of the context's view class as a child with id `nID`;
    // null when the class is no creatable window or its window was refused.
    CWnd* CreateView(CCreateContext* pContext, UINT nID = AFX_IDW_PANE_FIRST);

    CView* GetActiveView() const { return m_pViewActive; }
    // Makes `pView` the active view; with `bNotify` the views are told (OnActivateView).
    void SetActiveView(CView* pView, BOOL bNotify = TRUE);
    // The document of the active frame's active view; null when none.
    virtual CDocument* GetActiveDocument();
    // The frame whose view is active: this one; an MDI frame's active child.
    virtual CFrameWnd* GetActiveFrame() { return this; }

    // See above. `pDoc` may be null.
    void InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible);
    // Shows the frame (-1: as it was, normal when hidden) and brings it to the front.
    virtual void ActivateFrame(int nCmdShow = -1);
    // Sets the window's title: with FWS_ADDTOTITLE and `bAddToTitle` it
    // names the active document.
    virtual void OnUpdateFrameTitle(BOOL bAddToTitle);
    // "doc - title" (or "title - doc" without FWS_PREFIXTITLE), numbered
    // ":n" when the document has several frames; the title alone for null.
    void UpdateFrameTitleForDocument(const char* lpszDocName);
    const std::string& GetTitle() const { return m_strTitle; }
    void SetTitle(const std::string& title) { m_strTitle = title; }
    DWORD GetFrameStyle() const { return m_dwFrameStyle; }

    // The menu the menu bar shows; null when none.
    virtual CMenu* GetMenu() const { return m_pMenuShown; }
    // Rebuilds the menu bar from the menu shown, after its items changed.
    void DrawMenuBar();

    // The window showing the frame's messages: the descendant with the id
    // AFX_IDW_STATUS_BAR; null when none.
    virtual CWnd* GetMessageBar();
    // Sets the message window's text (WM_SETTEXT).
    void SetMessageText(const char* lpszText);

    // ---- control bars (controlbar.h: what each operation does; this header
    // stays free of the toolkit's, whose keywords clash with plain names) ----
    void EnableDocking(DWORD dwDockStyle);
    void DockControlBar(CControlBar* pBar, UINT nDockBarID = 0, const RECT* lpRect = nullptr);
    void FloatControlBar(CControlBar* pBar, CPoint point);   // horizontal (CBRS_ALIGN_TOP)
    void FloatControlBar(CControlBar* pBar, CPoint point, DWORD dwStyle);
    void ShowControlBar(CControlBar* pBar, BOOL bShow, BOOL bDelay);
    CControlBar* GetControlBar(UINT nID);
    virtual void RecalcLayout(BOOL bNotify = TRUE);
    void SaveBarState(const char* lpszProfileName);
    BOOL LoadBarState(const char* lpszProfileName);

    // The active view, itself, then (main window) the application.
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

    // ---- prompts, help and dropped files (statusprompt.cpp, help.cpp, dropfiles.cpp) ----

    // The accelerators, then F1 as ID_HELP and Shift+F1 as ID_CONTEXT_HELP
    // (help.h); Escape leaves help mode.
    BOOL PreTranslateMessage(MSG* pMsg) override;
    // The message of `nID`'s prompt (statusprompt.h).
    virtual void GetMessageString(UINT nID, std::string& rMessage) const;
    // WM_MENUSELECT: shows the hovered item's message; "Ready" once the menu closed.
    afx_msg void OnMenuSelect(UINT nItemID, UINT nFlags, CMenu* pMenu);
    // WM_SETMESSAGESTRING (statusprompt.h); a frame without a message bar asks the frame above it.
    afx_msg LRESULT OnSetMessageString(WPARAM wParam, LPARAM lParam);
    // TTN_NEEDTEXT for a bar's control: the tip of the control's prompt.
    afx_msg BOOL OnToolTipText(UINT nID, NMHDR* pNMHDR, LRESULT* pResult);
    // WM_COMMANDHELP, ID_HELP and ID_CONTEXT_HELP (help.h).
    afx_msg LRESULT OnCommandHelp(WPARAM wParam, LPARAM lParam);
    afx_msg void OnHelp();
    afx_msg void OnContextHelp();
    // WM_DROPFILES: opens each file (dropfiles.h).
    afx_msg void OnDropFiles(HDROP hDropInfo);
    BOOL m_bHelpMode = FALSE;    // Shift+F1's help mode is on
    UINT m_nIDTracking = 0;      // the menu item hovered (0: none)
    UINT m_nIDLastMessage = 0;   // the string id the message pane shows (0: a text)

    BOOL m_bAutoMenuEnable = TRUE;   // commands nobody handles show disabled
    int m_nWindow = 0;               // the frame's number among its document's (0: the only one)
    UINT m_nIDHelp = 0;              // the resource id it was loaded from

protected:
    // Makes the view of the context (see above); FALSE refuses the frame.
    virtual BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext);
    QWidget* CreateWidget(QWidget* parent, DWORD dwStyle) override;
    // Shows `menu` (borrowed; null: none) on the menu bar.
    void ShowMenu(CMenu* menu);
    // The frame's own menu, loaded with it (null when none).
    CMenu* GetDefaultMenu() const { return m_pMenuDefault.get(); }
    // A frame goes with its window.
    void PostNcDestroy() override;

    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    // Asks the document (CanCloseFrame); the main window closes every
    // document; the last frame of a document closes the document.
    afx_msg void OnClose();
    afx_msg void OnNcDestroy();
    afx_msg void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu);
    // A system character nobody took (Alt with a letter) opens the drop-down
    // of the menu bar whose mnemonic it is; a frame without a menu bar hands
    // it to its top-level frame.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    DECLARE_MESSAGE_MAP()

    std::string m_strTitle;
    DWORD m_dwFrameStyle = 0;

private:
    std::unique_ptr<CMenu> m_pMenuDefault;   // owned
    CMenu* m_pMenuShown = nullptr;           // borrowed: the default menu or another's shared one
    CView* m_pViewActive = nullptr;          // borrowed; a view clears it when it goes
    bool* m_pDeletedFlag = nullptr;          // Create's: set when the object goes while it runs
};
