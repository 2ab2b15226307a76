// The main frame: creation with its bars, the first activation, the workspace
// saved at the end, the devices across activations and Space as play/stop.
#include "app/mainframe.h"
#include "app/splash.h"
#include "app/staffwrightapp.h"

#include "app/documents.h"

#include "interface/controls/imagemgr.h"
#include "interface/controls/palette.h"
#include "interface/document/opusdoc.h"
#include "interface/document/pluginrecords.h"
#include "model/appstates.h"
#include "model/preferences.h"
#include "model/states.h"
#include "platform/core/profile.h"
#include "platform/devices/portavel.h"
#include "interface/glyphbox/glyphbox.h"
#include "interface/inspector/inspector.h"
#include "platform/ui/app.h"
#include "platform/ui/keys.h"
#include "platform/ui/metrics.h"
#include "sequencer/midirecorder.h"
#include "sequencer/sequence.h"

#include <QWidget>

namespace {

constexpr const char* kMainSection = "Main";
constexpr const char* kBarStateSection = "Main\\Toolbars\\State";

// The docking styles the frame uses.
constexpr DWORD kDockAnySide = 0xF000;
constexpr DWORD kDockTopOrBottom = 0xA000;

// Sequence state bits: a document is quiet only with both set.
constexpr unsigned kSeqStopped = 0x1;
constexpr unsigned kSeqIdle = 0x1000;
constexpr unsigned kSeqPlaying = 0x10 | 0x20;
constexpr unsigned kSeqRecording = 0x10000;
constexpr unsigned kSeqStepRecording = 0x20000;

// Device kinds and directions of CPortavel::EnableDevice.
enum : int { DEVICE_MIDI = 0, DEVICE_WAVE = 1, DEVICE_INPUT = 0, DEVICE_OUTPUT = 1 };
constexpr int kAllDevices = 0x7FFFFFFF;

// Key data bit 30: the key was down before (an auto-repeat).
constexpr LPARAM kKeyWasDown = 0x40000000;

// Shows the frame at `placement`: its normal rectangle, then its show command.
void ApplyPlacement(CWnd& frame, const WINDOWPLACEMENT& placement) {
    if (QWidget* widget = frame.GetWidget()) {
        const DesktopRect& r = placement.rcNormalPosition;
        widget->setGeometry(r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
}

}  // namespace

IMPLEMENT_DYNCREATE(CMainFrame, CMDIFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CMDIFrameWnd)
    ON_WM_CREATE()
    ON_WM_CLOSE()
    ON_WM_DESTROY()
    ON_WM_SIZE()
    ON_WM_ACTIVATEAPP()
    ON_WM_SYSCOLORCHANGE()
    ON_WM_INITMENU()
    ON_MESSAGE(WM_MCSTATEMGR, &CMainFrame::OnStateWithoutPerformance)
    ON_COMMAND_RANGE(33210, 33212, &CMainFrame::OnModeCommand)
    ON_UPDATE_COMMAND_UI_RANGE(33210, 33212, &CMainFrame::OnUpdateModeCommand)
    ON_COMMAND_RANGE(ID_MODE_SELECT_BUTTON, ID_MODE_ERASE_BUTTON, &CMainFrame::OnModeCommand)
    ON_UPDATE_COMMAND_UI_RANGE(ID_MODE_SELECT_BUTTON, ID_MODE_ERASE_BUTTON, &CMainFrame::OnUpdateNeedsDocument)
    ON_COMMAND_RANGE(33280, 33282, &CMainFrame::OnToolWindowCommand)
    ON_UPDATE_COMMAND_UI_RANGE(33280, 33282, &CMainFrame::OnUpdateToolWindowCommand)
    ON_COMMAND_RANGE(ID_TOOL_PALETTE_BUTTON, ID_TOOL_INSPECTOR_BUTTON, &CMainFrame::OnToolButtonCommand)
    ON_UPDATE_COMMAND_UI_RANGE(ID_TOOL_PALETTE_BUTTON, ID_TOOL_INSPECTOR_BUTTON,
                               &CMainFrame::OnUpdateToolButtonCommand)
    ON_COMMAND_RANGE(33216, 33219, &CMainFrame::OnToolbarCommand)
    ON_UPDATE_COMMAND_UI_RANGE(33216, 33219, &CMainFrame::OnUpdateToolbarCommand)
    ON_COMMAND_RANGE(12272, 12287, &CMainFrame::OnPluginView)
    ON_UPDATE_COMMAND_UI_RANGE(12272, 12287, &CMainFrame::OnUpdateNeedsDocument)
    ON_COMMAND_RANGE(11744, 11775, &CMainFrame::OnPluginPrefs)
    ON_COMMAND_RANGE(ID_TRANSPORT_STEP, ID_TRANSPORT_FORWARD, &CMainFrame::OnTransportCommand)
    ON_UPDATE_COMMAND_UI_RANGE(ID_TRANSPORT_STEP, ID_TRANSPORT_FORWARD, &CMainFrame::OnUpdateTransportCommand)
    ON_COMMAND(39111, &CMainFrame::OnProperties)
    ON_COMMAND(33200, &CMainFrame::OnMidiReset)
    ON_COMMAND(39150, &CMainFrame::OnWindowClose)
    ON_COMMAND(39151, &CMainFrame::OnWindowCloseAll)
    ON_UPDATE_COMMAND_UI_RANGE(39150, 39151, &CMainFrame::OnUpdateNeedsChild)
    ON_COMMAND_RANGE(33300, 33304, &CMainFrame::OnWebLink)
    ON_COMMAND(33310, &CMainFrame::OnTipOfDay)
    ON_COMMAND(39130, &CMainFrame::OnAddPage)
    ON_COMMAND(39131, &CMainFrame::OnRemovePage)
    ON_COMMAND(39132, &CMainFrame::OnAddStaff)
    ON_COMMAND(39133, &CMainFrame::OnRemoveStaff)
    ON_COMMAND(39134, &CMainFrame::OnChangeStaff)
    ON_COMMAND(39135, &CMainFrame::OnAddMeasures)
    ON_COMMAND(39136, &CMainFrame::OnRemoveMeasures)
    ON_COMMAND(39140, &CMainFrame::OnGoto)
    ON_COMMAND(33201, &CMainFrame::OnSysEx)
END_MESSAGE_MAP()

CMainFrame::CMainFrame() = default;

CMainFrame::~CMainFrame() {
    // A splash window still up (a start-up one, or About's) borrows the shared
    // palette for its picture: it goes first.
    if (CSplashWnd* splash = CSplashWnd::GetSplash())
        splash->DestroyWindow();
    if (MCPalette* palette = MCPalette::GetSharedPalette()) {
        // The image manager borrows it: it must not keep a palette that is gone.
        if (MCImageMgr::GetImageMgr()->GetPalette() == palette)
            MCImageMgr::GetImageMgr()->SetPalette(nullptr);
        MCPalette::SetSharedPalette(nullptr);
        delete palette;
    }
    DeleteTimeBar();
}

BOOL CMainFrame::Create(const char* lpszClassName, const char* lpszWindowName, DWORD dwStyle, const RECT& rect,
                        CWnd* pParentWnd, UINT nIDMenu, CCreateContext* pContext) {
    if (!CMDIFrameWnd::Create(lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, nIDMenu, pContext))
        return FALSE;
    for (CControlBar* bar : {static_cast<CControlBar*>(&m_wndFileBar), static_cast<CControlBar*>(&m_wndMusicEditBar),
                             static_cast<CControlBar*>(&m_wndTransportBar),
                             GetTimeBarWnd()})
        if (bar && bar->GetWidget())
            bar->EnableToolTips(TRUE);
    return TRUE;
}

int CMainFrame::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    if (CMDIFrameWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    if (!m_wndClient.SubclassClient(this))
        return -1;
    BuildSharedPalette();
    MCStateMgr::SetGlobalHandler(&CMainFrame::StateHandler, this);
    ShowSplashStatus(203);

    if (!m_wndFileBar.CreateBar(this) || !m_wndMusicEditBar.CreateBar(this) || !m_wndTransportBar.CreateBar(this) ||
        !CreateTimeBar())
        return -1;
    if (!m_wndStatusBar.CreateBar(this))
        return -1;

    EnableDocking(kDockAnySide);
    CControlBar* previous = nullptr;
    for (CControlBar* bar : {static_cast<CControlBar*>(&m_wndFileBar), static_cast<CControlBar*>(&m_wndMusicEditBar),
                             static_cast<CControlBar*>(&m_wndTransportBar),
                             GetTimeBarWnd()}) {
        if (!bar)
            continue;
        bar->EnableDocking(kDockTopOrBottom);
        DockBarBeside(bar, previous, AFX_IDW_DOCKBAR_RIGHT);
        previous = bar;
    }
    ShowSplashStatus(204);
    return 0;
}

void CMainFrame::DockBarBeside(CControlBar* bar, CControlBar* neighbour, UINT side) {
    RecalcLayout();
    CRect rect;
    if (neighbour)
        neighbour->GetWindowRect(&rect);
    const CSize size = bar->CalcFixedLayout(FALSE, TRUE);
    const int width = rect.Width(), height = rect.Height();
    rect = CRect(rect.TopLeft(), size);
    switch (side) {
    case AFX_IDW_DOCKBAR_TOP: rect.OffsetRect(0, -1); break;
    case AFX_IDW_DOCKBAR_LEFT: rect.OffsetRect(-1, 0); break;
    case AFX_IDW_DOCKBAR_RIGHT: rect.OffsetRect(width / 2, 0); break;
    case AFX_IDW_DOCKBAR_BOTTOM: rect.OffsetRect(0, height / 2); break;
    default: return;
    }
    UINT dockBar = 0;
    const DWORD style = neighbour ? neighbour->GetBarStyle() : 0;
    if (style & CBRS_ALIGN_TOP)
        dockBar = AFX_IDW_DOCKBAR_TOP;
    else if (style & CBRS_ALIGN_BOTTOM)
        dockBar = AFX_IDW_DOCKBAR_BOTTOM;
    else if (style & CBRS_ALIGN_LEFT)
        dockBar = AFX_IDW_DOCKBAR_LEFT;
    else if (style & CBRS_ALIGN_RIGHT)
        dockBar = AFX_IDW_DOCKBAR_RIGHT;
    DockControlBar(bar, dockBar, &rect);
}

void CMainFrame::ActivateFrame(int nCmdShow) {
    // A print from the command line shows no window (a frame the document
    // opens would otherwise bring this one up), and nobody is there to
    // answer the tip of the day.
    if (IsPrintingFromCommandLine())
        return;
    if (m_bActivated) {
        CMDIFrameWnd::ActivateFrame(nCmdShow);
        return;
    }
    WINDOWPLACEMENT placement;
    int showCommand = SW_SHOWNORMAL;
    const int stored = LoadWindowPrefs(kMainSection, placement, showCommand);
    const uint32_t show = placement.showCmd;
    if (!stored || show == SW_HIDE || show == SW_SHOWMINIMIZED || show == SW_MINIMIZE || show == SW_SHOWMINNOACTIVE ||
        show == SW_SHOWDEFAULT) {
        DesktopRect& r = placement.rcNormalPosition;
        r.left += 30;
        r.top += 30;
        r.right -= 30;
        r.bottom -= 30;
        placement.showCmd = SW_SHOWMAXIMIZED;
    }
    ApplyPlacement(*this, placement);
    nCmdShow = static_cast<int>(placement.showCmd);

    const int mode = GetProfileInt(kMainSection, "Mode", 0);
    if (mode >= 0 && mode <= 2)
        SendMessage(WM_COMMAND, ID_MODE_SELECT_BUTTON + static_cast<UINT>(mode), 0);

    CWnd* client = CWnd::FromHandle(m_hWndMDIClient);
    CreateMixerWnd();
    m_pPropertiesWnd = new CPropertiesWnd(this, client);
    m_pMusicWnd = new CMusicWnd(this, client);

    LoadBarState(kBarStateSection);
    CMDIFrameWnd::ActivateFrame(nCmdShow);
    CloseSplashLater();
    if (GetProfileInt("Settings\\Tips", "ShowStartUp", 1))
        ShowTipOfDay();
    m_bActivated = true;
}

void CMainFrame::OnClose() {
    SaveBarState(kBarStateSection);
    CMDIFrameWnd::OnClose();
}

void CMainFrame::OnDestroy() {
    SaveWindowPrefs(kMainSection, this);
    int mode = 0;
    switch (m_wndMusicEditBar.GetMode()) {
    case STATE_MODE_INSERT: mode = 1; break;
    case STATE_MODE_ERASE: mode = 2; break;
    default: mode = 0; break;
    }
    WriteProfileInt(kMainSection, "Mode", mode);
    // Nothing is routed to children that are going away.
    MCStateMgr::SetGlobalHandler(nullptr, nullptr);
    CMDIFrameWnd::OnDestroy();
}

void CMainFrame::OnSize(UINT nType, int cx, int cy) {
    CMDIFrameWnd::OnSize(nType, cx, cy);
    if (nType == 0)   // SIZE_RESTORED
        RecalcLayout(FALSE);
}

bool CMainFrame::AnyDocumentBusy() {
    bool busy = false;
    ForEachOpenDocument([&busy](CDocument* document) {
        if (auto* doc = dynamic_cast<MCOpusDoc*>(document)) {
            const unsigned state = doc->GetSequence()->GetState();
            if ((state & kSeqStopped) == 0 || (state & kSeqIdle) == 0)
                busy = true;
        }
    });
    return busy;
}

bool CMainFrame::IsPrintingFromCommandLine() {
    auto* app = dynamic_cast<CStaffwrightApp*>(AfxGetApp());
    return app && app->GetCommandLineInfo().IsPrint();
}

void CMainFrame::OnActivateApp(BOOL bActive, DWORD dwThreadID) {
    CMDIFrameWnd::OnActivateApp(bActive, dwThreadID);
    // A print from the command line plays nothing: no sound device is opened.
    if (AnyDocumentBusy() || IsPrintingFromCommandLine())
        return;
    CPortavel* devices = CPortavel::GetPortavel();
    if (!devices)
        return;
    if (!bActive) {
        devices->CloseDevices();
        return;
    }
    devices->Initialize(1);
    devices->EnableDevice(DEVICE_WAVE, DEVICE_INPUT, kAllDevices, 0);
    devices->EnableDevice(DEVICE_WAVE, DEVICE_OUTPUT, kAllDevices, 0);
    devices->EnableDevice(DEVICE_MIDI, DEVICE_INPUT, kAllDevices, 1);
    devices->EnableDevice(DEVICE_MIDI, DEVICE_OUTPUT, kAllDevices, 1);
    devices->OpenDevices();
    devices->StartDevices();
}

BOOL CMainFrame::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_SPACE && !(pMsg->lParam & kKeyWasDown)) {
        MCOpusDoc* doc = MCOpusDoc::GetActiveDoc();
        ECPerformance* performance = doc ? doc->GetBaseEvent() : nullptr;
        CSequence* sequence = doc ? doc->GetSequence() : nullptr;
        if (performance && sequence) {
            const unsigned state = sequence->GetState();
            if (state & kSeqStepRecording) {
                if (CMidiRecorder* recorder = sequence->GetMidiRecorder())
                    recorder->StepRecordRest();
                return TRUE;
            }
            if (!(state & (kSeqRecording | kSeqStepRecording)) && (GetKeyState(VK_SCROLL) & 1)) {
                auto* perform = new SCPerform((state & kSeqPlaying) ? STATE_PERFORM_STOP : STATE_PERFORM_PLAY);
                perform->Apply(performance);
                return TRUE;
            }
        }
    }
    return CMDIFrameWnd::PreTranslateMessage(pMsg);
}

void CMainFrame::OnInitMenu(CMenu* pMenu) {
    CMDIFrameWnd::OnInitMenu(pMenu);
    if (!m_pPrefsMenu)
        m_pPrefsMenu = CPluginPrefs::UpdateMenu();
}

void CMainFrame::OnSysColorChange() {
    CMDIFrameWnd::OnSysColorChange();
    MCPalette* old = MCPalette::GetSharedPalette();
    MCPalette::SetSharedPalette(nullptr);
    RealizePalette(TRUE);   // rebuilds it, and chooses the button library again
    if (MCImageMgr::GetImageMgr()->GetPalette() == old)
        MCImageMgr::GetImageMgr()->SetPalette(MCPalette::GetSharedPalette());
    delete old;
}
