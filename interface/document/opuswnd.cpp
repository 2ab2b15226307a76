#include "interface/document/opuswnd.h"

#include "interface/document/opusdoc.h"
#include "interface/document/pluginrecords.h"
#include "model/appstates.h"
#include "model/preferences.h"
#include "platform/ui/commands.h"
#include "platform/ui/document.h"
#include "platform/ui/metrics.h"

IMPLEMENT_DYNCREATE(MCOpusWnd, CMDIChildWnd)

BEGIN_MESSAGE_MAP(MCOpusWnd, CMDIChildWnd)
    ON_WM_CLOSE()
END_MESSAGE_MAP()

CMenu* MCOpusWnd::s_hViewMenu = nullptr;
CMenu* MCOpusWnd::s_hPrefsMenu = nullptr;

MCOpusWnd::MCOpusWnd() = default;

MCOpusWnd::~MCOpusWnd() = default;

WINDOWPLACEMENT MCOpusWnd::GetDefaultPlacement(const char* name, int& showCmd) {
    WINDOWPLACEMENT placement;
    if (!LoadWindowPrefs(name ? name : "", placement, showCmd)) {
        placement.rcNormalPosition =
            DesktopRect{0, 0, GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED)};
    }
    return placement;
}

void MCOpusWnd::LoadPrefs(const char*, int) {}

void MCOpusWnd::SavePrefs(const char*) {}

void MCOpusWnd::OnUpdateFrameTitle(BOOL bAddToTitle) {
    if (CMDIFrameWnd* frame = GetMDIFrame())
        frame->OnUpdateFrameTitle(bAddToTitle);
    const CPluginView* record = CPluginView::FindPlugin(m_nViewID);
    if (!record) {
        CMDIChildWnd::OnUpdateFrameTitle(bAddToTitle);
        return;
    }
    std::string viewTitle;
    record->LoadTitleString(viewTitle);
    if (m_pDocument) {
        const std::string text = m_pDocument->GetTitle() + " - " + viewTitle;
        SetWindowText(text.c_str());
    }
}

void MCOpusWnd::OnUpdateFrameMenu(BOOL bActivate, CWnd* pActivateWnd, CMenu* hMenuAlt) {
    CMDIChildWnd::OnUpdateFrameMenu(bActivate, pActivateWnd, hMenuAlt);
    if (!bActivate)
        return;
    // Each build deletes the menu's placeholder: building again would take
    // the last entry instead.
    if (!s_hViewMenu)
        s_hViewMenu = CPluginView::UpdateMenu();
    if (!s_hPrefsMenu)
        s_hPrefsMenu = CPluginPrefs::UpdateMenu();
}

void MCOpusWnd::OnMDIActivate(BOOL bActivate, CWnd* pActivateWnd, CWnd* pDeactivateWnd) {
    // A hidden frame is passed over when the user switches between the others.
    if (!IsWindowVisible() && pActivateWnd && pDeactivateWnd)
        return;
    CMDIChildWnd::OnMDIActivate(bActivate, pActivateWnd, pDeactivateWnd);
    MCOpusDoc* before = MCOpusDoc::GetActiveDoc();
    if (bActivate)
        MCOpusDoc::SetActiveDoc(m_pDocument);
    else if (!pActivateWnd)
        MCOpusDoc::SetActiveDoc(nullptr);
    if (MCOpusDoc::GetActiveDoc() == before || !m_pDocument)
        return;
    if (ECPerformance* performance = m_pDocument->GetBaseEvent()) {
        // Delivered at once, so the views and the inspector show this
        // document's selection before anything else happens.
        auto* activate = new SCSelection(STATE_SELECTION_ACTIVATE);
        activate->SetAsynchronous(0);
        activate->Apply(performance);
    }
}

void MCOpusWnd::OnClose() {
    if (!m_pDocument)
        return;
    for (CView* view : m_pDocument->GetViews()) {
        CFrameWnd* frame = view->GetParentFrame();
        if (frame && frame != this && frame->IsWindowVisible()) {
            // The document stays open in its other frame; this one waits,
            // hidden, to be shown again.
            if (CMDIFrameWnd* main = GetMDIFrame())
                ::SendMessage(main->m_hWndMDIClient, WM_MDINEXT, reinterpret_cast<WPARAM>(m_hWnd), 0);
            ShowWindow(SW_HIDE);
            return;
        }
    }
    SendMessage(WM_COMMAND, MAKEWPARAM(ID_FILE_CLOSE, 0), 0);
}
