#include "app/removestaffdlg.h"

#include "interface/document/opusdoc.h"
#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/event.h"
#include "platform/ui/listctrl.h"
#include "sequencer/sequence.h"

namespace {

using Kind = DialogControlKind;
constexpr int IDC_STATIC = -1;

const DialogTemplate kRemoveStaffTemplate = {"Remove Staff", {
    {IDC_STATIC, Kind::Static, "&Remove the following staves:", {7, 7, 150, 8}},
    {IDC_REMOVESTAFF_LIST, Kind::ListView, "", {7, 18, 150, 100},
     LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS},
    {IDC_REMOVESTAFF_NONE, Kind::Push, "Select &None", {164, 62, 50, 14}},
    {IDC_REMOVESTAFF_ALL, Kind::Push, "Select &All", {164, 80, 50, 14}},
    {IDOK, Kind::Push, "OK", {164, 18, 50, 14}, BS_DEFPUSHBUTTON},
    {IDCANCEL, Kind::Push, "Cancel", {164, 36, 50, 14}},
}, {221, 125}};
DIALOG_RESOURCE(IDD_REMOVESTAFF, kRemoveStaffTemplate);

}  // namespace

IMPLEMENT_DYNAMIC(CRemoveStaffDlg, CDialog)

BEGIN_MESSAGE_MAP(CRemoveStaffDlg, CDialog)
    ON_BN_CLICKED(IDC_REMOVESTAFF_NONE, &CRemoveStaffDlg::OnSelectNone)
    ON_BN_CLICKED(IDC_REMOVESTAFF_ALL, &CRemoveStaffDlg::OnSelectAll)
END_MESSAGE_MAP()

CRemoveStaffDlg::CRemoveStaffDlg(CWnd* parent) : CDialog(IDD_REMOVESTAFF, parent) {}

int CRemoveStaffDlg::Run(MCOpusDoc* doc) {
    if (!doc || !doc->GetBaseEvent())
        return IDCANCEL;
    m_pDoc = doc;
    if (DoModal() != IDOK)
        return IDCANCEL;
    auto* remove = new CCRemoveTrack;
    for (POSITION pos = m_staves.GetHeadPosition(); pos;)
        remove->RemoveTrack(m_staves.GetNext(pos));
    remove->Apply(doc->GetBaseEvent());
    doc->SetModifiedFlag(TRUE);
    return IDOK;
}

BOOL CRemoveStaffDlg::OnInitDialog() {
    m_staves.RemoveAll();
    m_checkList.SubclassCheckList(IDC_REMOVESTAFF_LIST, this, 1);
    m_checkList.SetDocument(m_pDoc, 1);
    return CDialog::OnInitDialog();
}

void CRemoveStaffDlg::OnOK() {
    m_checkList.GetSelectedTracks(m_staves);
    ECConductor* conductor = m_pDoc ? m_pDoc->GetSequence()->GetConductor() : nullptr;
    const int staves = conductor ? conductor->GetMaxTrackNumber(TRACK_STAFF) : 0;
    // A piece keeps at least one staff: the first one checked.
    if (m_staves.GetCount() != 0 && m_staves.GetCount() == staves)
        m_staves.RemoveEvent(static_cast<ECBase*>(m_staves.GetHead()));
    CDialog::OnOK();
}

void CRemoveStaffDlg::OnSelectNone() {
    CheckAll(0);
}

void CRemoveStaffDlg::OnSelectAll() {
    CheckAll(1);
}

void CRemoveStaffDlg::CheckAll(int check) {
    for (int item = 0; item < m_checkList.GetItemCount(); ++item)
        m_checkList.SetCheck(item, check);
}
