// The main frame's routing of states to its children: a fixed table of which
// child hears which code, the hold flag that lets a state reach every document
// before the children hear it once, and the steps some codes take first.
#include "app/mainframe.h"

#include "app/documents.h"
#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/states.h"
#include "interface/glyphbox/glyphbox.h"
#include "interface/inspector/inspector.h"

namespace {

// Columns: Music Edit, Transport, time bar, status bar, palette, mixer,
// inspector; the eighth flag is kept with the row and never read.
constexpr unsigned char kRoutes[12][8] = {
    {0, 0, 0, 0, 0, 0, 0, 0},   // ROUTE_NONE
    {1, 1, 1, 1, 1, 1, 1, 0},   // ROUTE_FILE 1300-1306
    {1, 0, 0, 1, 1, 0, 0, 0},   // ROUTE_MODE 1500, 1501, 1503, 1504
    {0, 1, 1, 1, 0, 1, 0, 0},   // ROUTE_PERFORM 3300-3308
    {0, 1, 1, 1, 1, 1, 1, 0},   // ROUTE_SELECTION 1700-1704
    {0, 0, 1, 0, 0, 0, 0, 0},   // ROUTE_TIME 1900-1902
    {1, 1, 1, 1, 1, 1, 1, 0},   // ROUTE_PREFS 1600
    {0, 0, 0, 1, 0, 0, 0, 0},   // ROUTE_STATUS 1800-1805
    {0, 0, 0, 0, 0, 1, 0, 0},   // ROUTE_MASTER 0-2
    {0, 0, 0, 0, 0, 1, 0, 0},   // ROUTE_TRACK 3400, 3401, 3403-3407
    {0, 0, 0, 0, 0, 1, 0, 0},   // ROUTE_COMMAND 500, 501
    {0, 0, 0, 0, 0, 1, 1, 0},   // ROUTE_EDIT 1200, 1201
};

}  // namespace

int RouteRowForCode(long code) {
    if (code >= 0 && code <= 2)
        return ROUTE_MASTER;
    if (code == 500 || code == 501)
        return ROUTE_COMMAND;
    if (code == 1200 || code == 1201)
        return ROUTE_EDIT;
    if (code >= 1300 && code <= 1306)
        return ROUTE_FILE;
    if (code == 1500 || code == 1501 || code == 1503 || code == 1504)
        return ROUTE_MODE;
    if (code == 1600)
        return ROUTE_PREFS;
    if (code >= 1700 && code <= 1704)
        return ROUTE_SELECTION;
    if (code >= 1800 && code <= 1805)
        return ROUTE_STATUS;
    if (code >= 1900 && code <= 1902)
        return ROUTE_TIME;
    if (code >= 3300 && code <= 3308)
        return ROUTE_PERFORM;
    if ((code >= 3400 && code <= 3407) && code != 3402)   // 3402, record arm, is nobody's
        return ROUTE_TRACK;
    return ROUTE_NONE;
}

bool RouteReaches(int row, RouteChild child) {
    if (row < 0 || row >= 12 || child < 0 || child >= ROUTE_CHILDREN)
        return false;
    return kRoutes[row][child] != 0;
}

int CMainFrame::StateHandler(ECBase*, int flag, void* state, void* frame) {
    if (flag == 0 && frame && state) {
        auto* base = static_cast<SCBase*>(state);
        static_cast<CMainFrame*>(frame)->DispatchStateMessage(static_cast<long>(base->GetCode()), base);
    }
    return 0;
}

void CMainFrame::DispatchStateMessage(long code, SCBase* state) {
    if (m_bHoldRouting || !GetWidget())
        return;
    const int row = RouteRowForCode(code);
    if (row == ROUTE_NONE)
        return;
    if (code == STATE_MODE_INSERT && m_pMusicWnd && m_pMusicWnd->GetWidget() && !m_pMusicWnd->IsWindowVisible()) {
        // Insert mode needs the palette to choose from; before the first
        // activation there is none, and nothing is shown.
        m_wndMusicEditBar.SetToolButtonState(0, 1);
        ToggleToolWindow(m_pMusicWnd);
    }
    if (code == STATE_PREFS_CHANGED)
        m_wndClient.LoadWallpaper();

    // The tool windows are skipped until the first activation makes them.
    const bool exists[ROUTE_CHILDREN] = {true, true, true, true, m_pMusicWnd != nullptr, m_pMixerWnd != nullptr,
                                         m_pPropertiesWnd != nullptr};
    for (int child = 0; child < ROUTE_CHILDREN; ++child)
        if (RouteReaches(row, static_cast<RouteChild>(child)) && exists[child])
            NotifyChild(static_cast<RouteChild>(child), code, state);
}

void CMainFrame::NotifyChild(RouteChild child, long code, SCBase* state) {
    switch (child) {
    case ROUTE_TO_MUSICEDIT: m_wndMusicEditBar.OnUpdate(code, state); break;
    case ROUTE_TO_TRANSPORT: m_wndTransportBar.OnUpdate(code, state); break;
    case ROUTE_TO_TIMEBAR: RouteToTimeBar(code, state); break;
    case ROUTE_TO_STATUSBAR: m_wndStatusBar.OnUpdate(code, state); break;
    case ROUTE_TO_PALETTE: m_pMusicWnd->OnUpdate(code, state); break;
    case ROUTE_TO_MIXER: RouteToMixer(code, state); break;
    case ROUTE_TO_INSPECTOR: m_pPropertiesWnd->OnUpdate(code, state); break;
    default: break;
    }
}

LRESULT CMainFrame::OnStateWithoutPerformance(WPARAM, LPARAM lParam) {
    auto* state = reinterpret_cast<SCBase*>(lParam);
    if (!state)
        return 0;
    state->SetAutoDelete(0);
    state->SetAsynchronous(0);
    m_bHoldRouting = true;
    ForEachOpenDocument([state](CDocument* document) {
        if (auto* doc = dynamic_cast<MCOpusDoc*>(document))
            if (ECPerformance* performance = doc->GetBaseEvent())
                state->Apply(performance);
    });
    m_bHoldRouting = false;
    // The manager that sent it deletes it once this returns.
    state->SetAutoDelete(1);
    state->SetTarget(nullptr);
    DispatchStateMessage(static_cast<long>(state->GetCode()), state);
    return 0;
}
