// The score window and its bar: the bar's template and texts, its values
// exchanged with its controls, the window's placement and the messages it
// passes to its view.
#include "notation/view/scorewnd.h"

#include "interface/document/opusdoc.h"
#include "model/preferences.h"
#include "notation/view/cantrel.h"
#include "notation/view/viewids.h"
#include "platform/core/resources.h"
#include "platform/ui/button.h"
#include "platform/ui/cmdui.h"
#include "platform/ui/ddx.h"
#include "platform/ui/dlgtemplate.h"
#include "platform/ui/lists.h"
#include "platform/ui/mdi.h"

namespace {

using Kind = DialogControlKind;

// The picture buttons' transparent colour, and what they show while disabled.
constexpr COLORREF kButtonTransparent = 0xFF0000;
constexpr int kButtonDisabledIndex = 2;
constexpr int kZoomButtonMode = MCStateButton::MODE_HOVER | MCStateButton::MODE_COMMAND_ON_PRESS;
constexpr int kRulerButtonMode = MCStateButton::MODE_EDGED;
constexpr int kRulerShown = 1;

const char* const kZoomItems[] = {"50%", "75%", "100%", "150%", "300%"};
const char* const kVoiceItems[] = {"All", "1", "2", "3", "4", "5", "6", "7", "8"};
// The tracks combo's first item stands for every track.
constexpr DWORD_PTR kAllTracksData = static_cast<DWORD_PTR>(-1);

const DialogTemplate kScoreBar = {"Music Score", {
    {-1, Kind::Static, "&Zoom", {5, 5, 19, 8}},
    {IDC_ZOOM, Kind::Combo, "", {26, 3, 42, 100}, CBS_DROPDOWNLIST},
    {ID_VIEW_ZOOMOUT, Kind::Push, "ZOOMOUT", {71, 3, 13, 13}, BS_OWNERDRAW},
    {ID_VIEW_ZOOMIN, Kind::Push, "ZOOMIN", {86, 3, 13, 13}, BS_OWNERDRAW},
    {ID_VIEW_RULER, Kind::Push, "RULER", {112, 3, 37, 12}, BS_OWNERDRAW},
    {-1, Kind::Static, "&Voice", {160, 5, 22, 8}},
    {IDC_VOICE, Kind::Combo, "", {182, 3, 33, 100}, CBS_DROPDOWNLIST},
    {-1, Kind::Static, "&Tracks", {226, 5, 22, 8}},
    {IDC_TRACKS, Kind::Combo, "All", {251, 3, 119, 126}, CBS_DROPDOWNLIST},
}, {375, 19}, {}, WS_CHILD};
DIALOG_RESOURCE(IDD_SCOREBAR, kScoreBar);

STRING_TABLE({IDS_MUSIC_SCORE, "Music Score"},
             {IDS_ALL_TRACKS, "All Tracks"},
             {IDC_ZOOM, "Set zoom factor for view\nZoom Factor"},
             {ID_VIEW_RULER, "Show or hide the Ruler\nShow/Hide Ruler"},
             {IDC_VOICE, "Choose voice for editing music\nChoose Voice"},
             {IDC_TRACKS, "Choose layout of tracks in current view\nChoose Track Layout"});

// Binds a picture button of the bar to its control: the button takes the
// place of the object the bar made for it and subclasses it again.
void BindButton(CDialogBar& bar, UINT id, MCButton& button, MCStateButton::Style style, int mode) {
    if (bar.TakeOverDlgItem(static_cast<int>(id), button))
        button.UnsubclassWindow();
    button.AutoLoad(id, &bar);
    button.SetTransparentColor(kButtonTransparent);
    button.SetButtonStyle(style);
    button.SetButtonMode(mode);
    button.SetDisabledState(kButtonDisabledIndex);
}

void FillCombo(CWnd& bar, UINT id, const char* const* items, size_t count) {
    auto* combo = static_cast<CComboBox*>(bar.GetDlgItem(static_cast<int>(id)));
    if (!combo || combo->GetCount() > 0)
        return;
    for (size_t i = 0; i < count; ++i)
        combo->InsertString(-1, items[i]);
}

}  // namespace

// ---- CScoreBar ------------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CScoreBar, MCDialogBar)

BEGIN_MESSAGE_MAP(CScoreBar, MCDialogBar)
    ON_UPDATE_COMMAND_UI_RANGE(ID_VIEW_ZOOMIN, ID_VIEW_ZOOMOUT, &CScoreBar::OnUpdateZoom)
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONDBLCLK()
END_MESSAGE_MAP()

CScoreBar::CScoreBar() = default;

CScoreBar::~CScoreBar() {
    // The controls' windows go before the bar's, while their parent stands.
    m_trackBox.DestroyWindow();
    for (MCButton& button : m_buttons)
        button.DestroyWindow();
}

int CScoreBar::Create(CWnd* parent) {
    return MCDialogBar::Create(parent, IDD_SCOREBAR);
}

void CScoreBar::InitBar() {
    FillCombo(*this, IDC_ZOOM, kZoomItems, std::size(kZoomItems));
    FillCombo(*this, IDC_VOICE, kVoiceItems, std::size(kVoiceItems));
    BindButton(*this, ID_VIEW_ZOOMOUT, GetZoomOutButton(), MCStateButton::STYLE_PUSH, kZoomButtonMode);
    BindButton(*this, ID_VIEW_ZOOMIN, GetZoomInButton(), MCStateButton::STYLE_PUSH, kZoomButtonMode);
    BindButton(*this, ID_VIEW_RULER, GetRulerButton(), MCStateButton::STYLE_TOGGLE, kRulerButtonMode);
    GetRulerButton().SetButtonState(kRulerShown);
    if (TakeOverDlgItem(static_cast<int>(IDC_TRACKS), m_trackBox))
        m_trackBox.UnsubclassWindow();
    m_trackBox.SubclassDlgItem(IDC_TRACKS, this);
    m_trackBox.SetCurSel(0);
    UpdateData(FALSE);
}

BOOL CScoreBar::UpdateData(BOOL bSaveAndValidate) {
    return RunDataExchange(this, bSaveAndValidate, [this](CDataExchange* pDX) { DoDataExchange(pDX); });
}

void CScoreBar::DoDataExchange(CDataExchange* pDX) {
    // One repaint after the exchange, not one per control.
    SetRedraw(FALSE);
    DDX_CBIndex(pDX, IDC_ZOOM, m_nZoom);
    DDX_CBIndex(pDX, IDC_VOICE, m_nVoice);
    if (pDX->m_bSaveAndValidate) {
        m_nTrackLayout = m_trackBox.GetCurSel();
    } else if (m_trackBox.GetSafeHwnd()) {
        m_trackBox.SetDocument(m_pDocument, 1);
        m_trackBox.InsertString(0, LoadString(IDS_ALL_TRACKS).c_str());
        m_trackBox.SetItemData(0, kAllTracksData);
        m_trackBox.SetCurSel(m_nTrackLayout);
    }
    SetRedraw(TRUE);
    Invalidate();
}

void CScoreBar::OnUpdateZoom(CCmdUI* pCmdUI) {
    const auto* combo = static_cast<const CComboBox*>(GetDlgItem(static_cast<int>(IDC_ZOOM)));
    const int selection = combo ? combo->GetCurSel() : CB_ERR;
    if (pCmdUI->m_nID == ID_VIEW_ZOOMIN)
        pCmdUI->Enable(selection != CB_ERR && selection < combo->GetCount() - 1);
    else
        pCmdUI->Enable(selection != CB_ERR && selection > 0);
}

// A click on the bar itself is no drag: the bar stays docked.
void CScoreBar::OnLButtonDown(UINT, CPoint) {}

void CScoreBar::OnLButtonDblClk(UINT, CPoint) {}

// ---- CScoreWnd ------------------------------------------------------------------------------

IMPLEMENT_DYNCREATE(CScoreWnd, MCOpusWnd)

BEGIN_MESSAGE_MAP(CScoreWnd, MCOpusWnd)
    ON_WM_CREATE()
    ON_WM_DESTROY()
    ON_MESSAGE(WM_TRACKLAYOUT, &CScoreWnd::OnTrackLayout)
END_MESSAGE_MAP()

CScoreWnd::CScoreWnd() = default;

CScoreWnd::~CScoreWnd() = default;

std::string CScoreWnd::GetSettingsSection() {
    return "Views\\" + LoadString(IDS_MUSIC_SCORE);
}

WINDOWPLACEMENT CScoreWnd::GetDefaultPlacement(const char* name, int& showCmd) {
    WINDOWPLACEMENT placement;
    if (LoadWindowPrefs(name ? name : "", placement, showCmd))
        return placement;
    // None stored: the window takes its share of the children tiled
    // horizontally, and keeps it. A window about to be shown for the first
    // time takes part in the tiling.
    if (!IsWindowVisible())
        ShowWindow(SW_SHOWNOACTIVATE);
    if (CMDIFrameWnd* frame = GetMDIFrame())
        frame->MDITile(MDITILE_HORIZONTAL);
    GetWindowPlacement(&placement);
    return placement;
}

void CScoreWnd::LoadPrefs(const char* section, int showCmd) {
    WINDOWPLACEMENT placement = GetDefaultPlacement(section, showCmd);
    SetWindowPlacement(&placement);
}

void CScoreWnd::SavePrefs(const char* section) {
    SaveWindowPrefs(section ? section : "", this);
}

void CScoreWnd::ActivateFrame(int nCmdShow) {
    if (!m_bPlacementRestored) {
        LoadPrefs(GetSettingsSection().c_str(), nCmdShow);
        m_bPlacementRestored = 1;
    }
    MCOpusWnd::ActivateFrame(nCmdShow);
}

int CScoreWnd::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    if (MCOpusWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    EnableDocking(CBRS_ALIGN_TOP);
    if (!m_wndScoreBar.Create(this))
        return -1;
    m_wndScoreBar.SetBarStyle(m_wndScoreBar.GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY);
    m_wndScoreBar.EnableDocking(CBRS_ALIGN_TOP);
    DockControlBar(&m_wndScoreBar);
    // The view was made with the client and made itself the active view.
    if (auto* view = DYNAMIC_DOWNCAST(CCantrel, GetActiveView()))
        view->SetWizardBar(&m_wndScoreBar);
    return 0;
}

void CScoreWnd::OnDestroy() {
    SavePrefs(GetSettingsSection().c_str());
    CMDIChildWnd::OnDestroy();
}

LRESULT CScoreWnd::OnTrackLayout(WPARAM, LPARAM) {
    if (auto* view = DYNAMIC_DOWNCAST(CCantrel, GetActiveView()))
        view->OnLayout();
    return 0;
}
