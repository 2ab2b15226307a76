// The program's main window: an MDI frame with the File, Music Edit, Transport
// and time bars, the status bar, the MDI client with its wallpaper and the three
// tool windows (symbol palette, inspector, mixer).
//
// The frame builds the shared palette and chooses the button-face library at
// creation, installs itself as the global state handler and routes every state
// to its children by a fixed table (mainframe_routing.cpp). It closes the
// devices when the program loses the activation and opens them again when it
// comes back, unless a document plays. Space plays and stops under Scroll Lock.
//
// Ownership: the bars and the client window are members; the tool windows are
// made at the first activation and belong to their windows (each deletes itself
// when destroyed), so the frame only borrows them. The time bar and the mixer are
// made by their own files behind CreateTimeBar/CreateMixerWnd.
// User-interface thread only.
#pragma once

#include "app/clientwnd.h"
#include "app/mainbars.h"
#include "app/mainstatusbar.h"
#include "platform/ui/mdi.h"

#include <string>

class CMenu;
class CMusicWnd;
class CPropertiesWnd;
class CTimeBar;
class ECBase;
class MCToolWnd;
class SCBase;

// The routing table's rows.
enum : int {
    ROUTE_NONE = 0,
    ROUTE_FILE = 1,
    ROUTE_MODE = 2,
    ROUTE_PERFORM = 3,
    ROUTE_SELECTION = 4,
    ROUTE_TIME = 5,
    ROUTE_PREFS = 6,
    ROUTE_STATUS = 7,
    ROUTE_MASTER = 8,
    ROUTE_TRACK = 9,
    ROUTE_COMMAND = 10,
    ROUTE_EDIT = 11,
};

// The children a row reaches, in the table's column order.
enum RouteChild : int {
    ROUTE_TO_MUSICEDIT = 0,
    ROUTE_TO_TRANSPORT,
    ROUTE_TO_TIMEBAR,
    ROUTE_TO_STATUSBAR,
    ROUTE_TO_PALETTE,
    ROUTE_TO_MIXER,
    ROUTE_TO_INSPECTOR,
    ROUTE_CHILDREN
};

// The row a state code selects; ROUTE_NONE for a code that is not routed.
int RouteRowForCode(long code);
// Whether `row` reaches `child`.
bool RouteReaches(int row, RouteChild child);

// Whether transport command `id` (773-781) is enabled for a document whose
// sequence state is `sequenceState`.
bool TransportCommandEnabled(UINT id, unsigned sequenceState);

// The main frame's resource id (menu 144, its accelerators and title).
inline constexpr UINT IDR_MAINFRAME = 144;

class CMainFrame : public CMDIFrameWnd {
    DECLARE_DYNCREATE(CMainFrame)
public:
    CMainFrame();
    ~CMainFrame() override;

    // Turns tool tips on for the four bars after the base creation.
    BOOL Create(const char* lpszClassName, const char* lpszWindowName,
                DWORD dwStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, const RECT& rect = rectDefault,
                CWnd* pParentWnd = nullptr, UINT nIDMenu = 0, CCreateContext* pContext = nullptr) override;
    // The first call restores the placement and mode, makes the tool windows and
    // shows the tip of the day; later calls only show.
    void ActivateFrame(int nCmdShow = -1) override;
    // Space under Scroll Lock plays and stops; in step recording it enters a rest.
    BOOL PreTranslateMessage(MSG* pMsg) override;

    // Routing (mainframe_routing.cpp). The global state handler the frame
    // installs; routes when `flag` is 0.
    static int StateHandler(ECBase* performance, int flag, void* state, void* frame);
    // Tells the children of `code`'s row; nothing while routing is held or once
    // the window is gone.
    void DispatchStateMessage(long code, SCBase* state);
    // WM_MCSTATEMGR: applies the state to every document's performance, then
    // routes it once.
    afx_msg LRESULT OnStateWithoutPerformance(WPARAM wParam, LPARAM lParam);

    // The children, for the routing and for the dialogs that read them.
    CClientWnd& GetClientWnd() { return m_wndClient; }
    CFileBar& GetFileBar() { return m_wndFileBar; }
    CMusicEditBar& GetMusicEditBar() { return m_wndMusicEditBar; }
    CTransportBar& GetTransportBar() { return m_wndTransportBar; }
    CMainStatusBar& GetStatusBar() { return m_wndStatusBar; }
    // Null while the time bar is not built.
    CTimeBar* GetTimeBar() const { return m_pTimeBar; }
    // Null before the first activation.
    CMusicWnd* GetMusicWnd() const { return m_pMusicWnd; }
    CPropertiesWnd* GetPropertiesWnd() const { return m_pPropertiesWnd; }
    MCToolWnd* GetMixerWnd() const { return m_pMixerWnd; }
    bool IsFirstActivationDone() const { return m_bActivated; }

    // Shows the tip of the day and stores what the dialog leaves (33310).
    void ShowTipOfDay();

    // The shared palette and the button library (mainframe_palette.cpp):
    // made at creation and again after a system colour change.
    void BuildSharedPalette();
    // Realizes the shared palette; whether entries changed.
    BOOL RealizePalette(BOOL bForeground);

    // Docks `bar` beside `neighbour` (none: where the frame chooses) on `side`
    // (59419 top, 59420 left, 59421 right, 59422 bottom).
    void DockBarBeside(CControlBar* bar, CControlBar* neighbour, UINT side);

protected:
    // Tells one child of a routed state (the tool windows only once they exist).
    virtual void NotifyChild(RouteChild child, long code, SCBase* state);

    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnClose();
    afx_msg void OnDestroy();
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnActivateApp(BOOL bActive, DWORD dwThreadID);
    afx_msg void OnSysColorChange();
    afx_msg void OnInitMenu(CMenu* pMenu);

    // Modes (33210-33212, 901-903).
    afx_msg void OnModeCommand(UINT nID);
    afx_msg void OnUpdateModeCommand(CCmdUI* pCmdUI);
    // Tool windows (33280-33282 menu, 912-914 buttons, 39111 Properties).
    afx_msg void OnToolWindowCommand(UINT nID);
    afx_msg void OnUpdateToolWindowCommand(CCmdUI* pCmdUI);
    afx_msg void OnToolButtonCommand(UINT nID);
    afx_msg void OnUpdateToolButtonCommand(CCmdUI* pCmdUI);
    afx_msg void OnProperties();
    // Toolbars (33216-33219).
    afx_msg void OnToolbarCommand(UINT nID);
    afx_msg void OnUpdateToolbarCommand(CCmdUI* pCmdUI);
    // Plug-in views (12272-12287) and preference categories (11744-11775).
    afx_msg void OnPluginView(UINT nID);
    afx_msg void OnUpdateNeedsDocument(CCmdUI* pCmdUI);
    afx_msg void OnPluginPrefs(UINT nID);
    // Transport (773-781, mainframe_transport.cpp).
    afx_msg void OnTransportCommand(UINT nID);
    afx_msg void OnUpdateTransportCommand(CCmdUI* pCmdUI);
    afx_msg void OnMidiReset();
    // Windows (39150, 39151).
    afx_msg void OnWindowClose();
    afx_msg void OnWindowCloseAll();
    afx_msg void OnUpdateNeedsChild(CCmdUI* pCmdUI);
    // Web links (33300, 33302-33304) and the tip of the day (33310).
    afx_msg void OnWebLink(UINT nID);
    afx_msg void OnTipOfDay();
    // The program's dialogs (mainframe_dialogs.cpp): pages (39130, 39131),
    // staves (39132-39134), measures (39135, 39136), Go To (39140) and System
    // Exclusive (33201).
    afx_msg void OnAddPage();
    afx_msg void OnRemovePage();
    afx_msg void OnAddStaff();
    afx_msg void OnRemoveStaff();
    afx_msg void OnChangeStaff();
    afx_msg void OnAddMeasures();
    afx_msg void OnRemoveMeasures();
    afx_msg void OnGoto();
    afx_msg void OnSysEx();
    DECLARE_MESSAGE_MAP()

private:
    // Seams for the parts other files make (mainframe_services.cpp): the time
    // bar (FALSE when it cannot be made), the mixer window, the splash window,
    // the tip-of-the-day dialog and the preference sheet.
    BOOL CreateTimeBar();
    void RouteToTimeBar(long code, SCBase* state);
    void DeleteTimeBar();
    // The time bar as a control bar; null while there is none.
    CControlBar* GetTimeBarWnd() const;
    void CreateMixerWnd();
    void RouteToMixer(long code, SCBase* state);
    // Makes the splash window when there is none and shows string `statusId`
    // (with the version text); CloseSplashLater has it close after 2000 ms.
    void ShowSplashStatus(UINT statusId);
    void CloseSplashLater();
    // Runs the tips dialog on `file` starting at `tipNumber`; updates the show
    // flag and the tip number with the dialog's.
    void RunTipDialog(const std::string& file, int& tipNumber, int& showAtStart);
    // The preference sheet for `category`, modal.
    void RunPrefsSheet(int category);

    // Shows `tool` if hidden and gives it the focus, else hides it.
    void ToggleToolWindow(CControlBar* tool);
    CControlBar* ToolWindowFor(int index) const;
    // The active document (of the active child), or null.
    class MCOpusDoc* ActiveOpusDoc();
    // Whether any open document's sequence is not stopped.
    bool AnyDocumentBusy();
    // The program was started to print a file and end (no window, no device).
    static bool IsPrintingFromCommandLine();

    CClientWnd m_wndClient;
    CFileBar m_wndFileBar;
    CMusicEditBar m_wndMusicEditBar;
    CTransportBar m_wndTransportBar;
    CTimeBar* m_pTimeBar = nullptr;       // owned, null until made (DeleteTimeBar)
    CMainStatusBar m_wndStatusBar;
    bool m_bActivated = false;            // the first ActivateFrame has run
    bool m_bHoldRouting = false;          // set while a state is applied to every document
    CMenu* m_pPrefsMenu = nullptr;        // the Preferences submenu, once built (the menu's)
    CMusicWnd* m_pMusicWnd = nullptr;     // borrowed: the window deletes itself
    CPropertiesWnd* m_pPropertiesWnd = nullptr;
    MCToolWnd* m_pMixerWnd = nullptr;
};
