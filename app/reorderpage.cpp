#include "app/reorderpage.h"

#include "interface/document/opusdoc.h"
#include "model/conductor.h"
#include "model/editstates.h"
#include "model/event.h"
#include "model/performance.h"
#include "model/voicetrackactions.h"
#include "platform/ui/button.h"

#include <algorithm>
#include <string>
#include <utility>

namespace {

using Kind = DialogControlKind;
constexpr int IDC_STATIC = -1;
// The edit kind that tells the views the staves were reordered.
constexpr int kEditStaffOrder = 107;
// Voice 15 leaves each event's voice as it is.
constexpr int kKeepVoice = 15;
// The arrows' background: pure blue shows the button face.
constexpr COLORREF kArrowKey = 0xFF0000;
constexpr int kArrowMode = MCStateButton::MODE_COMMAND_ON_PRESS | MCStateButton::MODE_EDGED;

const DialogTemplate kReorderTemplate = {"", {
    {IDC_STATIC, Kind::Static, "Select desired order of staves", {7, 7, 150, 8}},
    {IDC_REORDER_LIST, Kind::ListBox, "", {7, 18, 150, 105}, LBS_NOTIFY},
    {IDC_REORDER_RESET, Kind::Push, "&Reset", {162, 18, 42, 14}},
    {IDC_REORDER_UP, Kind::Push, "MOVEUP", {175, 42, 16, 14}, BS_OWNERDRAW},
    {IDC_REORDER_DOWN, Kind::Push, "MOVEDOWN", {175, 60, 16, 14}, BS_OWNERDRAW},
}, {210, 130}, {}, WS_CHILD};
DIALOG_RESOURCE(IDD_REORDERSTAVES, kReorderTemplate);

}  // namespace

IMPLEMENT_DYNAMIC(CReorderStavesPage, CStaffPage)

BEGIN_MESSAGE_MAP(CReorderStavesPage, CStaffPage)
    ON_BN_CLICKED(IDC_REORDER_RESET, &CReorderStavesPage::OnReset)
    ON_BN_CLICKED(IDC_REORDER_UP, &CReorderStavesPage::OnMoveUp)
    ON_BN_CLICKED(IDC_REORDER_DOWN, &CReorderStavesPage::OnMoveDown)
END_MESSAGE_MAP()

CReorderStavesPage::CReorderStavesPage(MCOpusDoc* doc) : CStaffPage(IDD_REORDERSTAVES, doc) {}

void CReorderStavesPage::DoDataExchange(CDataExchange* pDX) {
    CStaffPage::DoDataExchange(pDX);
    if (m_list.GetSafeHwnd())
        return;
    ReleaseDlgItem(IDC_REORDER_LIST, m_list);
    m_list.SubclassDlgItem(IDC_REORDER_LIST, this);
    m_list.SetDocument(m_pDoc, 1);
    for (auto [id, button] : {std::pair{IDC_REORDER_UP, &m_moveUp}, std::pair{IDC_REORDER_DOWN, &m_moveDown}}) {
        ReleaseDlgItem(id, *button);
        button->AutoLoad(id, this);
        button->SetTransparentColor(kArrowKey);
        button->SetButtonMode(kArrowMode);
    }
}

void CReorderStavesPage::OnReset() {
    m_list.RefreshTracks();
    m_list.SetCurSel(0);
}

void CReorderStavesPage::OnMoveUp() {
    MoveSelection(-1);
}

void CReorderStavesPage::OnMoveDown() {
    MoveSelection(1);
}

void CReorderStavesPage::MoveSelection(int delta) {
    const int selected = m_list.GetCurSel();
    if (selected < 0)
        return;
    const int target = std::clamp(selected + delta, 0, std::max(0, m_list.GetCount() - 1));
    if (target == selected)
        return;
    std::string text;
    m_list.GetText(selected, text);
    const DWORD_PTR data = m_list.GetItemData(selected);
    // Up: the entry goes in above the target and the old one has moved down
    // by one; down: it goes in below the target and the old one stays put.
    const int insertAt = delta < 0 ? target : target + 1;
    const int oldAt = delta < 0 ? selected + 1 : selected;
    m_list.InsertString(insertAt, text.c_str());
    m_list.SetItemData(insertAt, data);
    m_list.DeleteString(static_cast<UINT>(oldAt));
    m_list.SetCurSel(target);
}

CStaffPage::ApplyResult CReorderStavesPage::Apply() {
    ECConductor* conductor = GetConductor();
    if (!conductor)
        return ApplyResult::Nothing;
    if (!UpdateData(TRUE))
        return ApplyResult::Refused;
    ECPerformance* performance = m_pDoc->GetBaseEvent();
    performance->Lock();
    for (int row = 0; row < m_list.GetCount(); ++row) {
        ACSetVoiceTrack number(row + 1, kKeepVoice);
        number.Apply(static_cast<ECBase*>(m_list.GetItemDataPtr(row)));
    }
    conductor->SortStaves(1);
    performance->Unlock();
    auto* edit = new SCEventEdit(STATE_EVENTS_EDITED);
    edit->AddItem(conductor, kEditStaffOrder);
    edit->Apply(performance);
    return ApplyResult::Done;
}
