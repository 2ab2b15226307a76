#include "mixer/mixerwnd.h"

#include "interface/document/opusdoc.h"
#include "model/preferences.h"
#include "model/states.h"
#include "platform/core/resources.h"
#include "platform/ui/controlbar.h"
#include "platform/ui/dlgtemplate.h"
#include "platform/ui/frame.h"
#include "platform/ui/metrics.h"
#include "sequencer/sequence.h"

namespace {

// The placeholders keep the strips' places until the strips exist.
const DialogTemplate kMixerTemplate = {"Mixer", {
    {IDC_MIXER_STRIP, DialogControlKind::Static, "", {4, 4, 44, 72}},
    {IDC_MIXER_MASTER, DialogControlKind::Static, "", {296, 4, 60, 72}},
}, {360, 80}};
DIALOG_RESOURCE(IDD_MIXER, kMixerTemplate);

STRING_TABLE({IDD_MIXER, "Mixer"});

const char* const kMixerSection = "Components\\Mixer";
// The bar styles of the docked mixer: on the bottom edge with its borders,
// tips, fly-by prompts, sizable when floating.
constexpr DWORD kMixerBarStyle = 0xA874;

// The rectangle of `child` in `parent`'s client coordinates.
CRect ChildRect(const CWnd& parent, const CWnd& child) {
    CRect rect;
    child.GetWindowRect(&rect);
    POINT corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
    parent.ScreenToClient(&corners[0]);
    parent.ScreenToClient(&corners[1]);
    return CRect(corners[0].x, corners[0].y, corners[1].x, corners[1].y);
}

}  // namespace

BEGIN_MESSAGE_MAP(CMixerWnd, MCToolWnd)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CMixerWnd::CMixerWnd(CWnd* frame, CWnd* mdiClient) : MCToolWnd(frame), m_pMDIClient(mdiClient) {
    InitToolLayout(frame, IDD_MIXER);
}

CMixerWnd::~CMixerWnd() = default;

int CMixerWnd::InitToolLayout(CWnd* pParent, UINT nID) {
    if (!MCToolWnd::InitToolLayout(pParent, nID))
        return 0;
    SetBarStyle(kMixerBarStyle);
    EnableDocking(CBRS_ALIGN_BOTTOM);
    if (CWnd* master = GetDlgItem(IDC_MIXER_MASTER)) {
        m_rectMaster = ChildRect(*this, *master);
        master->ShowWindow(SW_HIDE);
    }
    if (CWnd* strip = GetDlgItem(IDC_MIXER_STRIP)) {
        CRect client;
        strip->GetClientRect(&client);
        m_sizeStrip = CSize(client.Width(), client.Height());
        strip->ShowWindow(SW_HIDE);
    }
    // Two thirds of the MDI client wide; one strip with its scroll bar high.
    m_nBarWidth = static_cast<int>(0.667 * SizeToMdi().cx);
    m_nBarHeight = GetSystemMetrics(SM_CYHSCROLL) + m_sizeStrip.cy + 2 * GetSystemMetrics(SM_CYEDGE) + 10;
    m_nDefaultWidth = m_nBarWidth;
    m_nDefaultHeight = m_nBarHeight;
    m_sizeDefault = CSize(m_nBarWidth, m_nBarHeight);
    LoadPrefs(kMixerSection);
    OnUpdate(STATE_SELECTION_ACTIVATE, nullptr);
    m_bReady = true;
    return 1;
}

void CMixerWnd::LoadPrefs(const char* section) {
    // A width no desktop could show (a damaged profile) keeps the default.
    m_nBarWidth = LoadIntPreference(section, "FloatWidth", m_nDefaultWidth, 1, GetDesktopReach().x);
    if (CFrameWnd* frame = GetParentFrame())
        DockControlBar(frame, this, AFX_IDW_DOCKBAR_BOTTOM);
}

void CMixerWnd::SavePrefs(const char* section) {
    SaveIntPreference(section, "FloatWidth", m_nBarWidth);
}

void CMixerWnd::OnDestroy() {
    SavePrefs(kMixerSection);
    MCToolWnd::OnDestroy();
}

CSize CMixerWnd::SizeToMdi() {
    if (m_pMDIClient && m_pMDIClient->GetSafeHwnd()) {
        CRect client;
        m_pMDIClient->GetClientRect(&client);
        return CSize(client.Width(), m_nBarHeight);
    }
    return CSize(m_nBarWidth, m_nBarHeight);
}

CSize CMixerWnd::CalcFixedLayout(BOOL, BOOL) {
    if (!IsFloating()) {
        const CSize size = SizeToMdi();
        m_nBarWidth = size.cx;
        m_nBarHeight = size.cy;
    }
    return CSize(m_nBarWidth, m_nBarHeight);
}

CSize CMixerWnd::CalcDynamicLayout(int nLength, DWORD dwMode) {
    if (dwMode & (LM_HORZDOCK | LM_VERTDOCK)) {
        m_sizeDocked = SizeToMdi();
        return m_sizeDocked;
    }
    if (dwMode & LM_MRUWIDTH)
        return CSize(m_nBarWidth, m_nBarHeight);
    if (!(dwMode & LM_LENGTHY))
        m_nBarWidth = nLength;
    return CSize(m_nBarWidth, m_nBarHeight);
}

void CMixerWnd::OnUpdate(long code, CObject*) {
    switch (code) {
    case STATE_FILE_NEW:
    case STATE_FILE_OPENED:
    case STATE_SELECTION_ACTIVATE:
        UpdateDocument(MCOpusDoc::GetActiveDoc());
        break;
    case STATE_FILE_CLOSED:
        UpdateDocument(nullptr);
        break;
    default:
        // Master, track, command, edit, transport and selection states are
        // the strips' (they come with the strips).
        break;
    }
}

void CMixerWnd::UpdateDocument(MCOpusDoc* doc) {
    m_pDocument = doc;
    m_pSequence = doc ? doc->GetSequence() : nullptr;
    m_pConductor = m_pSequence ? m_pSequence->GetConductor() : nullptr;
}
