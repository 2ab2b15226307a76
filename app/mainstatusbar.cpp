// The main frame's status bar: the texts of the status, transport and mode
// panes, and the progress control of a running task.
#include "app/mainstatusbar.h"

#include "app/mainbars.h"
#include "model/appstates.h"
#include "model/event.h"
#include "platform/core/format.h"
#include "platform/core/resources.h"
#include "platform/devices/portavel.h"
#include "platform/ui/frame.h"
#include "platform/ui/scrollctrl.h"
#include "sequencer/enginestates.h"

#include <QFontMetrics>
#include <QWidget>

#include <algorithm>

namespace {

enum : int { PANE_MESSAGE = 0, PANE_STATUS = 1, PANE_TRANSPORT = 2, PANE_MODE = 3 };

constexpr UINT kIndicators[4] = {ID_SEPARATOR, ID_SEPARATOR, ID_SEPARATOR, ID_SEPARATOR};
constexpr int kPaneWidths[4] = {0, 150, 100, 150};

// The progress control starts this far after the task's text and is this wide.
constexpr int kProgressGap = 10;
constexpr int kProgressWidth = 200;

STRING_TABLE({500, "Select Mode"}, {501, "Insert %s"}, {502, "Erase Mode"}, {510, "Playing"},
             {511, "Playing (Paused)"}, {512, "Recording"},
             {513, "No output device is open: playing makes no sound."});

// Whether any MIDI or wave output of the device library is open now.
bool AnyOutputOpen(CPortavel& devices) {
    for (int kind : {PV_MIDI, PV_WAVE})
        for (int index = 0; index < devices.GetDeviceCount(kind, PV_OUTPUT); ++index)
            if (devices.IsDeviceOpen(kind, PV_OUTPUT, index))
                return true;
    return false;
}

}  // namespace

IMPLEMENT_DYNAMIC(CMainStatusBar, CStatusBar)

CMainStatusBar::CMainStatusBar() = default;
CMainStatusBar::~CMainStatusBar() = default;

BOOL CMainStatusBar::CreateBar(CFrameWnd* frame) {
    if (!Create(frame, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, ID_MAIN_STATUSBAR))
        return FALSE;
    if (!SetIndicators(kIndicators, 4))
        return FALSE;
    // Pane 0 keeps the stretch SetIndicators gives the message pane.
    for (int pane = PANE_STATUS; pane <= PANE_MODE; ++pane)
        SetPaneInfo(pane, ID_SEPARATOR, 0, kPaneWidths[pane]);
    for (int pane = PANE_MESSAGE; pane <= PANE_MODE; ++pane)
        SetPaneText(pane, "");
    m_pProgress = std::make_unique<CProgressCtrl>();
    if (!m_pProgress->Create(WS_CHILD, CRect(0, 0, 0, 0), this, IDC_STATUS_PROGRESS)) {
        m_pProgress.reset();
        return FALSE;
    }
    m_pProgress->ShowWindow(SW_HIDE);   // until a task starts, whatever the bar shows
    return TRUE;
}

void CMainStatusBar::OnUpdate(long code, CObject* state) {
    auto* status = dynamic_cast<SCStatus*>(state);
    switch (code) {
    case STATE_FILE_NEW:
    case STATE_FILE_OPENED:
    case STATE_SELECTION_ACTIVATE: {
        CObject* last = nullptr;
        const long lastCode = GetActiveTransportState(last);
        OnUpdate(lastCode, last);
        break;
    }
    case STATE_MODE_SELECT:
        SetModeText(500u);
        break;
    case STATE_MODE_ERASE:
        SetModeText(502u);
        break;
    case STATE_MODE_INSERT:
        SetModeText(Format(LoadString(501).c_str(), ECBase::GetEventString(SCMode::s_eventType).c_str()));
        break;
    case STATE_STATUS_TEXT:
        if (status)
            SetStatusText(status->GetMessage());
        break;
    case STATE_PROGRESS_BEGIN:
        if (status) {
            int low = 0, high = 100;
            status->GetProgressRange(low, high);
            BeginProgress(low, high, status->GetProgressStep(), status->GetMessage());
        }
        break;
    case STATE_PROGRESS_STEP:
        // The senders of 1802 put the current position in the step.
        if (status)
            SetProgressPos(status->GetProgressStep());
        break;
    case STATE_PROGRESS_TEXT:
        StepProgress();
        break;
    case STATE_PROGRESS_END:
        EndProgress();
        break;
    case STATE_PERFORM_STOP:
        SetTransportText(std::string());
        break;
    case STATE_PERFORM_PAUSE:
        SetTransportText(511u);
        break;
    case STATE_PERFORM_PLAY:
        SetTransportText(510u);
        TellWhenSilent();
        break;
    case STATE_PERFORM_RECORD:
        SetTransportText(512u);
        break;
    default:
        break;
    }
}

namespace {

void ShowPaneText(CMainStatusBar& bar, int pane, const std::string& text) {
    bar.SetPaneText(pane, text.c_str(), TRUE);
    bar.UpdateWindow();
}

}  // namespace

void CMainStatusBar::TellWhenSilent() {
    CPortavel* devices = CPortavel::GetPortavel();
    if (devices && AnyOutputOpen(*devices)) {
        m_bToldSilent = false;
        return;
    }
    if (m_bToldSilent)
        return;
    m_bToldSilent = true;
    ShowPaneText(*this, PANE_MESSAGE, LoadString(513));
}

void CMainStatusBar::SetStatusText(const std::string& text) { ShowPaneText(*this, PANE_STATUS, text); }
void CMainStatusBar::SetStatusText(UINT id) { SetStatusText(LoadString(id)); }
void CMainStatusBar::SetTransportText(const std::string& text) { ShowPaneText(*this, PANE_TRANSPORT, text); }
void CMainStatusBar::SetTransportText(UINT id) { SetTransportText(LoadString(id)); }
void CMainStatusBar::SetModeText(const std::string& text) { ShowPaneText(*this, PANE_MODE, text); }
void CMainStatusBar::SetModeText(UINT id) { SetModeText(LoadString(id)); }

void CMainStatusBar::BeginProgress(int low, int high, int step, const std::string& text) {
    if (!m_pProgress)
        return;
    CRect pane;
    GetItemRect(PANE_MESSAGE, &pane);
    const int textWidth = GetWidget() ? QFontMetrics(GetWidget()->font()).horizontalAdvance(QString::fromStdString(text)) : 0;
    const int left = pane.left + textWidth + kProgressGap;
    const int right = std::min(left + kProgressWidth, static_cast<int>(pane.right));
    m_pProgress->MoveWindow(left, pane.top, std::max(0, right - left), pane.Height());
    ShowPaneText(*this, PANE_MESSAGE, text);
    m_pProgress->SetStep(step);
    m_pProgress->SetRange32(low, high);
    m_pProgress->SetPos(low);
    m_pProgress->ShowWindow(SW_SHOWNOACTIVATE);
}

void CMainStatusBar::SetProgressPos(int position) {
    if (m_pProgress)
        m_pProgress->SetPos(position);
}

void CMainStatusBar::StepProgress() {
    if (m_pProgress)
        m_pProgress->StepIt();
}

void CMainStatusBar::EndProgress() {
    if (m_pProgress)
        m_pProgress->ShowWindow(SW_HIDE);
    ShowPaneText(*this, PANE_MESSAGE, std::string());
}
