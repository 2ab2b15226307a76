// The main frame's commands: modes, tool windows, bars, plug-in views and
// preferences, transport, windows, web links and the tip of the day.
#include "app/mainframe.h"

#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/preferences.h"
#include "platform/core/filesys.h"
#include "platform/core/profile.h"
#include "platform/devices/portavel.h"
#include "interface/glyphbox/glyphbox.h"
#include "interface/inspector/inspector.h"
#include "platform/ui/app.h"
#include "platform/ui/cmdui.h"
#include "platform/ui/prompt.h"
#include "sequencer/sequence.h"

#include <climits>
#include <string>

namespace {

constexpr UINT ID_MODE_SELECT = 33210;
constexpr UINT ID_TOOL_PALETTE = 33280;
constexpr UINT ID_TOOLBAR_FILE = 33216;
constexpr UINT ID_PREFS_PLUGIN_FIRST = 11744;

constexpr unsigned kModeCodes[3] = {STATE_MODE_SELECT, STATE_MODE_INSERT, STATE_MODE_ERASE};

// What a transport command applies, and when it is enabled: the state bits
// that must be clear (mask) or of which one must be set (needAny).
struct TransportRow {
    unsigned code;
    unsigned mask;
    bool needAny;
};
constexpr TransportRow kTransport[9] = {
    {STATE_PERFORM_STEP, 0x070100DE, false},     // 773
    {STATE_PERFORM_RECORD, 0x070000E0, false},   // 774
    {STATE_PERFORM_PAUSE, 0x0001C0DC, true},     // 775
    {STATE_PERFORM_STOP, 0, false},              // 776: always
    {STATE_PERFORM_PLAY, 0x0703E000, false},     // 777
    {STATE_PERFORM_PREVIOUS, 0x0103E0FA, false}, // 778
    {STATE_PERFORM_NEXT, 0x0103E0FA, false},     // 779
    {STATE_PERFORM_REWIND, 0xD0, true},          // 780
    {STATE_PERFORM_FORWARD, 0xD0, true},         // 781
};

// The "URL" keys of the web-link commands 33300, 33302, 33303, 33304.
const char* WebLinkKey(UINT id) {
    switch (id) {
    case 33300: return "Home";
    case 33302: return "News";
    case 33303: return "Support";
    case 33304: return "Free";
    default: return nullptr;
    }
}

}  // namespace

bool TransportCommandEnabled(UINT id, unsigned state) {
    if (id < ID_TRANSPORT_STEP || id > ID_TRANSPORT_FORWARD)
        return false;
    const TransportRow& row = kTransport[id - ID_TRANSPORT_STEP];
    if (row.mask == 0)
        return true;
    return row.needAny ? (state & row.mask) != 0 : (state & row.mask) == 0;
}

MCOpusDoc* CMainFrame::ActiveOpusDoc() { return MCOpusDoc::GetActiveDoc(); }

// ---- modes ----------------------------------------------------------------------------

void CMainFrame::OnModeCommand(UINT nID) {
    if (!ActiveOpusDoc())
        return;
    const UINT index = nID >= ID_MODE_SELECT ? nID - ID_MODE_SELECT : nID - ID_MODE_SELECT_BUTTON;
    auto* mode = new SCMode(kModeCodes[index]);
    mode->SetAsynchronous(0);
    mode->Apply(nullptr);
}

void CMainFrame::OnUpdateModeCommand(CCmdUI* pCmdUI) {
    pCmdUI->Enable(ActiveOpusDoc() != nullptr);
    pCmdUI->SetCheck(SCMode::s_nMode == static_cast<int>(kModeCodes[pCmdUI->m_nID - ID_MODE_SELECT]));
}

void CMainFrame::OnUpdateNeedsDocument(CCmdUI* pCmdUI) { pCmdUI->Enable(ActiveOpusDoc() != nullptr); }

// ---- tool windows and bars ------------------------------------------------------------

CControlBar* CMainFrame::ToolWindowFor(int index) const {
    switch (index) {
    case 0: return m_pMusicWnd;
    case 1: return m_pMixerWnd;
    case 2: return m_pPropertiesWnd;
    default: return nullptr;
    }
}

void CMainFrame::ToggleToolWindow(CControlBar* tool) {
    if (!tool || !tool->GetWidget())
        return;
    if (tool->IsWindowVisible()) {
        ShowControlBar(tool, FALSE, FALSE);
    } else {
        ShowControlBar(tool, TRUE, FALSE);
        tool->SetFocus();
    }
}

void CMainFrame::OnToolWindowCommand(UINT nID) { ToggleToolWindow(ToolWindowFor(static_cast<int>(nID - ID_TOOL_PALETTE))); }

void CMainFrame::OnUpdateToolWindowCommand(CCmdUI* pCmdUI) {
    CControlBar* tool = ToolWindowFor(static_cast<int>(pCmdUI->m_nID - ID_TOOL_PALETTE));
    pCmdUI->SetCheck(tool && tool->GetWidget() && tool->IsWindowVisible());
}

void CMainFrame::OnToolButtonCommand(UINT nID) {
    const int index = static_cast<int>(nID - ID_TOOL_PALETTE_BUTTON);
    CControlBar* tool = ToolWindowFor(index);
    if (!tool || !tool->GetWidget())
        return;
    // The button has latched its new state already: 0 asks to hide.
    if (m_wndMusicEditBar.GetToolButtonState(index) == 0)
        ShowControlBar(tool, FALSE, FALSE);
    else
        ToggleToolWindow(tool);
}

void CMainFrame::OnUpdateToolButtonCommand(CCmdUI* pCmdUI) {
    const int index = static_cast<int>(pCmdUI->m_nID - ID_TOOL_PALETTE_BUTTON);
    CControlBar* tool = ToolWindowFor(index);
    m_wndMusicEditBar.SetToolButtonState(index, tool && tool->GetWidget() && tool->IsWindowVisible() ? 1 : 0);
}

void CMainFrame::OnProperties() {
    if (!m_pPropertiesWnd || !m_pPropertiesWnd->GetWidget())
        return;
    if (!m_pPropertiesWnd->IsWindowVisible())
        ShowControlBar(m_pPropertiesWnd, TRUE, FALSE);
    m_pPropertiesWnd->SetFocus();
}

void CMainFrame::OnToolbarCommand(UINT nID) {
    CControlBar* bars[4] = {&m_wndFileBar, &m_wndMusicEditBar, &m_wndTransportBar, GetTimeBarWnd()};
    CControlBar* bar = bars[nID - ID_TOOLBAR_FILE];
    if (bar && bar->GetWidget())
        ShowControlBar(bar, !bar->IsWindowVisible(), FALSE);
}

void CMainFrame::OnUpdateToolbarCommand(CCmdUI* pCmdUI) {
    CControlBar* bars[4] = {&m_wndFileBar, &m_wndMusicEditBar, &m_wndTransportBar, GetTimeBarWnd()};
    CControlBar* bar = bars[pCmdUI->m_nID - ID_TOOLBAR_FILE];
    pCmdUI->SetCheck(bar && bar->GetWidget() && bar->IsWindowVisible());
}

// ---- plug-in views and preferences ----------------------------------------------------

// A plug-in view's command id is the view's own id (VIEW_ID_OFFSET + its
// resource id), the key its registration record is found by.
void CMainFrame::OnPluginView(UINT nID) {
    if (MCOpusDoc* doc = ActiveOpusDoc())
        doc->GetViewFrame(nID, 1);
}

void CMainFrame::OnPluginPrefs(UINT nID) { RunPrefsSheet(static_cast<int>(nID - ID_PREFS_PLUGIN_FIRST)); }

// ---- transport ------------------------------------------------------------------------

void CMainFrame::OnTransportCommand(UINT nID) {
    MCOpusDoc* doc = ActiveOpusDoc();
    if (!doc || !doc->GetBaseEvent())
        return;
    auto* perform = new SCPerform(kTransport[nID - ID_TRANSPORT_STEP].code);
    perform->Apply(doc->GetBaseEvent());
}

void CMainFrame::OnUpdateTransportCommand(CCmdUI* pCmdUI) {
    MCOpusDoc* doc = ActiveOpusDoc();
    pCmdUI->Enable(doc && TransportCommandEnabled(pCmdUI->m_nID, doc->GetSequence()->GetState()));
}

void CMainFrame::OnMidiReset() {
    if (CPortavel* devices = CPortavel::GetPortavel())
        devices->OnPanicButton();
}

// ---- windows --------------------------------------------------------------------------

void CMainFrame::OnWindowClose() {
    if (CMDIChildWnd* child = MDIGetActive())
        child->SendMessage(WM_CLOSE);
}

void CMainFrame::OnWindowCloseAll() {
    // A close the user cancels leaves the same child active: stop there, or the
    // loop would ask again for ever.
    CMDIChildWnd* child = MDIGetActive();
    while (child) {
        child->SendMessage(WM_CLOSE);
        CMDIChildWnd* next = MDIGetActive();
        if (next == child)
            break;
        child = next;
    }
}

void CMainFrame::OnUpdateNeedsChild(CCmdUI* pCmdUI) { pCmdUI->Enable(MDIGetActive() != nullptr); }

// ---- web links and the tip of the day -------------------------------------------------

void CMainFrame::OnWebLink(UINT nID) {
    const char* key = WebLinkKey(nID);
    if (!key)
        return;
    const std::string file = GetProgramFolder() + "/addr.sys";
    std::string address = GetPrivateProfileString("URL", key, "", file);
    if (address.size() > 512)
        address.resize(512);
    if (address.empty()) {
        ShowPrompt(151u, MB_ICONEXCLAMATION);
        return;
    }
    ShellExecute(m_hWnd, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CMainFrame::OnTipOfDay() { ShowTipOfDay(); }

void CMainFrame::ShowTipOfDay() {
    int show = GetProfileInt("Settings\\Tips", "ShowStartUp", 1);
    // The dialog wraps a number past its last tip round to the first; a
    // damaged profile's number at the int's limit must not overflow the step.
    int tip = LoadIntPreference("Settings\\Tips", "TipNumber", 1, 0, INT_MAX - 1) + 1;
    RunTipDialog(GetProgramFolder() + "/Music.tip", tip, show);
    WriteProfileInt("Settings\\Tips", "ShowStartUp", show);
    WriteProfileInt("Settings\\Tips", "TipNumber", tip);
}
