#include "app/addmeasuresdlg.h"

#include "interface/document/opusdoc.h"
#include "interface/document/pagebases.h"
#include "model/conductor.h"
#include "model/measurecommands.h"
#include "model/performance.h"
#include "platform/core/format.h"
#include "platform/core/resources.h"
#include "platform/ui/ddx.h"
#include "platform/ui/edit.h"
#include "platform/ui/tooltip.h"

namespace {

constexpr int IDC_STATIC = -1;
using Kind = DialogControlKind;

const DialogTemplate kAddMeasuresTemplate = {"Add Measures", {
    {IDC_STATIC, Kind::Group, "Info", {7, 7, 124, 78}},
    {IDC_STATIC, Kind::Static, "A&dd", {15, 21, 18, 8}},
    {IDC_ADDMEAS_COUNT, Kind::Edit, "", {35, 19, 32, 12}, ES_NUMBER | ES_AUTOHSCROLL},
    {IDC_STATIC, Kind::Static, "Measures:", {71, 21, 40, 8}},
    {IDC_ADDMEAS_BEFORE, Kind::Radio, "&Before Measure", {15, 38, 72, 10}, WS_GROUP | WS_TABSTOP},
    {IDC_ADDMEAS_AFTER, Kind::Radio, "&After Measure", {15, 52, 72, 10}},
    {IDC_ADDMEAS_AT_END, Kind::Radio, "At &End of Score", {15, 66, 72, 10}},
    {IDC_ADDMEAS_MEASURE, Kind::Edit, "", {91, 44, 32, 12}, ES_NUMBER | ES_AUTOHSCROLL | WS_GROUP},
    {IDOK, Kind::Push, "OK", {139, 7, 50, 14}, BS_DEFPUSHBUTTON | WS_GROUP},
    {IDCANCEL, Kind::Push, "Cancel", {139, 25, 50, 14}},
}, {196, 92}};
DIALOG_RESOURCE(IDD_ADD_MEASURES, kAddMeasuresTemplate);

STRING_TABLE({IDS_ADDMEAS_PAST_END, "There are only %d measures in this document.  Would you like to add the "
                                    "measures at the end of the document?"});

}  // namespace

IMPLEMENT_DYNAMIC(CAddMeasuresDlg, CDialog)

BEGIN_MESSAGE_MAP(CAddMeasuresDlg, CDialog)
    ON_BN_CLICKED(IDC_ADDMEAS_BEFORE, &CAddMeasuresDlg::OnPositionBefore)
    ON_BN_CLICKED(IDC_ADDMEAS_AFTER, &CAddMeasuresDlg::OnPositionAfter)
    ON_BN_CLICKED(IDC_ADDMEAS_AT_END, &CAddMeasuresDlg::OnPositionAtEnd)
    ON_NOTIFY_EX(TTN_NEEDTEXT, 0, &CAddMeasuresDlg::OnToolTipNotify)
END_MESSAGE_MAP()

CAddMeasuresDlg::CAddMeasuresDlg(CWnd* parent) : CDialog(IDD_ADD_MEASURES, parent) {}

int CAddMeasuresDlg::GetInsertIndex(int position, int measure, int last) {
    switch (position) {
    case POSITION_BEFORE:
        return measure - 1;
    case POSITION_AFTER:
        return measure;
    default:
        return last;
    }
}

int CAddMeasuresDlg::GetLastMeasure() const {
    ECPerformance* performance = m_pDoc ? m_pDoc->GetBaseEvent() : nullptr;
    ECConductor* conductor = performance ? performance->GetConductor() : nullptr;
    return conductor ? conductor->GetMaxMeasureNumber() : 0;
}

int CAddMeasuresDlg::Run(MCOpusDoc* doc) {
    m_pDoc = doc;
    const int result = static_cast<int>(DoModal());
    ECPerformance* performance = doc ? doc->GetBaseEvent() : nullptr;
    if (result != IDOK || !performance)
        return result;
    auto* command = new CCAddMeasure;
    command->SetInsertCount(m_nCount);
    command->SetInsertIndex(GetInsertIndex(m_nPosition, m_nMeasure, GetLastMeasure()));
    command->Apply(performance);
    doc->SetModifiedFlag();
    return result;
}

BOOL CAddMeasuresDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    EnableToolTips();
    // The measure number stays open at first, whatever the position.
    EnableMeasure(TRUE);
    return TRUE;
}

void CAddMeasuresDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_ADDMEAS_COUNT, m_nCount);
    DDV_MinMaxInt(pDX, m_nCount, 1, 1000);
    DDX_Radio(pDX, IDC_ADDMEAS_BEFORE, m_nPosition);
    DDX_Text(pDX, IDC_ADDMEAS_MEASURE, m_nMeasure);
}

void CAddMeasuresDlg::OnOK() {
    if (!UpdateData(TRUE))
        return;
    const int last = GetLastMeasure();
    if (m_nMeasure > last) {
        if (ShowPrompt(Format(IDS_ADDMEAS_PAST_END, last), MB_OKCANCEL) != IDOK)
            return;
        m_nMeasure = last;
    }
    EndDialog(IDOK);
}

void CAddMeasuresDlg::EnableMeasure(BOOL enable) {
    if (CWnd* measure = GetDlgItem(IDC_ADDMEAS_MEASURE))
        measure->EnableWindow(enable);
}

void CAddMeasuresDlg::OnPositionBefore() { EnableMeasure(TRUE); }
void CAddMeasuresDlg::OnPositionAfter() { EnableMeasure(TRUE); }
void CAddMeasuresDlg::OnPositionAtEnd() { EnableMeasure(FALSE); }

BOOL CAddMeasuresDlg::OnToolTipNotify(UINT, NMHDR* pNMHDR, LRESULT* pResult) {
    return PageControlTip(pNMHDR, pResult, false);
}
