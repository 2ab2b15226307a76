#include "app/addstaffdlg.h"

#include "interface/document/opusdoc.h"
#include "interface/document/pagebases.h"
#include "model/basiccommands.h"
#include "model/conductor.h"
#include "platform/ui/ddx.h"
#include "platform/ui/edit.h"
#include "platform/ui/lists.h"
#include "platform/ui/tooltip.h"
#include "sequencer/sequence.h"

#include <iterator>

namespace {

using Kind = DialogControlKind;
constexpr int IDC_STATIC = -1;

const DialogTemplate kAddStaffTemplate = {"Add Staff", {
    {IDC_STATIC, Kind::Static, "A&dd", {7, 9, 18, 8}},
    {IDC_ADDSTAFF_COUNT, Kind::Edit, "", {28, 7, 30, 12}, ES_NUMBER | ES_AUTOHSCROLL},
    {IDC_STATIC, Kind::Static, "Staves", {62, 9, 30, 8}},
    {IDC_STATIC, Kind::Static, "Of &Type", {7, 27, 30, 8}},
    {IDC_ADDSTAFF_TYPE, Kind::Combo, "", {40, 25, 100, 60}, CBS_DROPDOWNLIST},
    {IDC_ADDSTAFF_BEFORE, Kind::Radio, "&Before Staff", {7, 46, 62, 10}, WS_GROUP},
    {IDC_ADDSTAFF_AFTER, Kind::Radio, "&After Staff", {7, 58, 62, 10}},
    {IDC_ADDSTAFF_LAST, Kind::Radio, "After &Last Staff", {7, 70, 70, 10}},
    {IDC_ADDSTAFF_STAFF, Kind::Combo, "", {76, 45, 100, 80}, CBS_DROPDOWNLIST | WS_GROUP},
    {IDOK, Kind::Push, "OK", {183, 7, 50, 14}, BS_DEFPUSHBUTTON | WS_GROUP},
    {IDCANCEL, Kind::Push, "Cancel", {183, 24, 50, 14}},
}, {240, 88}};
DIALOG_RESOURCE(IDD_ADDSTAFF, kAddStaffTemplate);

// The rows of the type list: text and the type byte each new staff gets.
const struct {
    const char* text;
    unsigned char type;
} kStaffTypes[] = {
    {"Normal Staff", 0},
    {"Grand Staff (Piano)", 1},
    {"Drum Staff", 3},
    {"Vocal Staff", 6},
};

}  // namespace

IMPLEMENT_DYNAMIC(CAddStaffDlg, CDialog)

BEGIN_MESSAGE_MAP(CAddStaffDlg, CDialog)
    ON_BN_CLICKED(IDC_ADDSTAFF_BEFORE, &CAddStaffDlg::OnLocation)
    ON_BN_CLICKED(IDC_ADDSTAFF_AFTER, &CAddStaffDlg::OnLocation)
    ON_BN_CLICKED(IDC_ADDSTAFF_LAST, &CAddStaffDlg::OnLocation)
    ON_NOTIFY_EX(TTN_NEEDTEXT, 0, &CAddStaffDlg::OnToolTipNotify)
END_MESSAGE_MAP()

CAddStaffDlg::CAddStaffDlg(CWnd* parent) : CDialog(IDD_ADDSTAFF, parent) {}

unsigned char CAddStaffDlg::GetStaffType(int row) {
    return row >= 0 && row < static_cast<int>(std::size(kStaffTypes)) ? kStaffTypes[row].type : 0;
}

int CAddStaffDlg::GetInsertPosition() const {
    const int number = m_nStaffIndex + 1;
    switch (m_nLocation) {
    case LOCATION_BEFORE:
        return number;
    case LOCATION_AFTER:
        return number + 1;
    default:
        return -1;
    }
}

int CAddStaffDlg::Run(MCOpusDoc* doc) {
    if (!doc || !doc->GetBaseEvent())
        return IDCANCEL;
    m_pDoc = doc;
    if (DoModal() != IDOK)
        return IDCANCEL;
    auto* add = new CCAddTrack;
    add->AddMidiTrack(GetStaffType(m_nStaffType), m_nCount);
    add->SetInsertPosition(GetInsertPosition());
    add->Apply(doc->GetBaseEvent());
    doc->SetModifiedFlag(TRUE);
    return IDOK;
}

BOOL CAddStaffDlg::OnInitDialog() {
    // The lists are filled before the base loads the members into them.
    if (auto* types = DYNAMIC_DOWNCAST(CComboBox, GetDlgItem(IDC_ADDSTAFF_TYPE))) {
        types->ResetContent();
        for (const auto& row : kStaffTypes)
            types->AddString(row.text);
    }
    TakeOverDlgItem(IDC_ADDSTAFF_STAFF, m_trackBox);
    ECConductor* conductor = m_pDoc ? m_pDoc->GetSequence()->GetConductor() : nullptr;
    const bool hasStaves = conductor && conductor->GetMaxTrackNumber(TRACK_STAFF) != 0;
    if (hasStaves) {
        m_trackBox.SetDocument(m_pDoc, 1);
    } else {
        m_nLocation = LOCATION_LAST;
        for (int id : {IDC_ADDSTAFF_BEFORE, IDC_ADDSTAFF_AFTER, IDC_ADDSTAFF_LAST})
            GetDlgItem(id)->EnableWindow(FALSE);
    }
    CDialog::OnInitDialog();
    // The staff list serves Before and After only.
    m_trackBox.EnableWindow(hasStaves && m_nLocation != LOCATION_LAST);
    EnableToolTips(TRUE);
    return TRUE;
}

void CAddStaffDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_ADDSTAFF_COUNT, m_nCount);
    DDV_MinMaxInt(pDX, m_nCount, 1, 1000);
    DDX_CBIndex(pDX, IDC_ADDSTAFF_TYPE, m_nStaffType);
    DDX_Radio(pDX, IDC_ADDSTAFF_BEFORE, m_nLocation);
    DDX_CBIndex(pDX, IDC_ADDSTAFF_STAFF, m_nStaffIndex);
}

void CAddStaffDlg::OnLocation() {
    m_trackBox.EnableWindow(!IsDlgButtonChecked(IDC_ADDSTAFF_LAST));
}

BOOL CAddStaffDlg::OnToolTipNotify(UINT, NMHDR* pNMHDR, LRESULT* pResult) {
    return PageControlTip(pNMHDR, pResult, false);
}
