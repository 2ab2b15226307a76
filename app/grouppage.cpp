#include "app/grouppage.h"

#include "interface/document/opusdoc.h"
#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/editstates.h"
#include "model/event.h"
#include "model/performance.h"
#include "model/staff.h"
#include "platform/ui/ddx.h"
#include "platform/ui/listctrl.h"

#include <algorithm>
#include <climits>

namespace {

using Kind = DialogControlKind;
constexpr int IDC_STATIC = -1;
// The edit kind of a changed event.
constexpr int kEditEvent = -1;

const DialogTemplate kGroupTemplate = {"", {
    {IDC_STATIC, Kind::Static, "Group the following staves", {7, 7, 140, 8}},
    {IDC_GROUP_LIST, Kind::ListView, "", {7, 18, 140, 105},
     LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS},
    {IDC_GROUP_NONE, Kind::Push, "Select None", {153, 18, 50, 14}},
    {IDC_GROUP_ALL, Kind::Push, "Select All", {153, 36, 50, 14}},
    {IDC_STATIC, Kind::Group, "Style", {153, 58, 50, 40}},
    {IDC_GROUP_BRACKET, Kind::Radio, "Bracket", {159, 70, 40, 10}, WS_GROUP},
    {IDC_GROUP_BRACE, Kind::Radio, "Brace", {159, 83, 40, 10}},
}, {210, 130}, {}, WS_CHILD};
DIALOG_RESOURCE(IDD_GROUPSTAVES, kGroupTemplate);

}  // namespace

IMPLEMENT_DYNAMIC(CGroupStavesPage, CStaffPage)

BEGIN_MESSAGE_MAP(CGroupStavesPage, CStaffPage)
    ON_BN_CLICKED(IDC_GROUP_NONE, &CGroupStavesPage::OnSelectNone)
    ON_BN_CLICKED(IDC_GROUP_ALL, &CGroupStavesPage::OnSelectAll)
END_MESSAGE_MAP()

CGroupStavesPage::CGroupStavesPage(MCOpusDoc* doc) : CStaffPage(IDD_GROUPSTAVES, doc) {}

void CGroupStavesPage::DoDataExchange(CDataExchange* pDX) {
    CStaffPage::DoDataExchange(pDX);
    if (!m_list.GetSafeHwnd()) {
        ReleaseDlgItem(IDC_GROUP_LIST, m_list);
        m_list.SubclassCheckList(IDC_GROUP_LIST, this, 1);
        m_list.SetDocument(m_pDoc, 1);
    }
    DDX_Radio(pDX, IDC_GROUP_BRACKET, m_nStyle);
    if (pDX->m_bSaveAndValidate)
        m_list.GetSelectedTracks(m_staves);
}

void CGroupStavesPage::OnSelectNone() {
    for (int item = 0; item < m_list.GetItemCount(); ++item)
        m_list.SetCheck(item, 0);
}

void CGroupStavesPage::OnSelectAll() {
    for (int item = 0; item < m_list.GetItemCount(); ++item)
        m_list.SetCheck(item, 1);
}

CStaffPage::ApplyResult CGroupStavesPage::Apply() {
    ECConductor* conductor = GetConductor();
    if (!conductor)
        return ApplyResult::Nothing;
    if (!UpdateData(TRUE))
        return ApplyResult::Refused;
    int first = INT_MAX;
    int last = INT_MIN;
    for (POSITION pos = m_staves.GetHeadPosition(); pos;) {
        const int number = conductor->GetTrackNumber(TRACK_STAFF, static_cast<ECTrack*>(m_staves.GetNext(pos)));
        if (number < 0)
            continue;
        first = std::min(first, number);
        last = std::max(last, number);
    }
    // Nothing checked groups nothing: an empty range is no group.
    if (first > last)
        return ApplyResult::Nothing;
    auto* conductorStaff = static_cast<ECConductorStaff*>(conductor->GetTrack(TRACK_CONDUCTOR, 0, 1));
    if (!conductorStaff)
        return ApplyResult::Nothing;
    ECPerformance* performance = m_pDoc->GetBaseEvent();
    performance->Lock();
    conductorStaff->GroupStaves(first, last, m_nStyle);
    performance->Unlock();
    auto* edit = new SCEventEdit(STATE_EVENTS_EDITED);
    edit->AddItem(conductorStaff, kEditEvent);
    edit->Apply(performance);
    return ApplyResult::Done;
}
