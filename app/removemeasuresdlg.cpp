#include "app/removemeasuresdlg.h"

#include "interface/document/opusdoc.h"
#include "model/conductor.h"
#include "model/measurecommands.h"
#include "model/performance.h"
#include "platform/core/format.h"
#include "platform/ui/ddx.h"
#include "platform/ui/edit.h"

#include <QWidget>

#include <algorithm>
#include <utility>

namespace {

constexpr int IDC_STATIC = -1;
using Kind = DialogControlKind;

// Start and End come last: they stand outside the tab order (OnInitDialog).
const DialogTemplate kRemoveMeasuresTemplate = {"Remove Measures", {
    {IDC_STATIC, Kind::Static, "&Remove", {7, 9, 28, 8}},
    {IDC_REMMEAS_COUNT, Kind::Edit, "", {36, 7, 28, 12}, ES_NUMBER | ES_AUTOHSCROLL},
    {IDC_STATIC, Kind::Static, "measures &from", {68, 9, 50, 8}},
    {IDC_REMMEAS_FROM, Kind::Edit, "", {119, 7, 28, 12}, ES_NUMBER | ES_AUTOHSCROLL},
    {IDC_STATIC, Kind::Static, "&to", {152, 9, 10, 8}},
    {IDC_REMMEAS_TO, Kind::Edit, "", {164, 7, 28, 12}, ES_NUMBER | ES_AUTOHSCROLL},
    {IDOK, Kind::Push, "OK", {89, 40, 50, 14}, BS_DEFPUSHBUTTON},
    {IDCANCEL, Kind::Push, "Cancel", {143, 40, 50, 14}},
    {IDC_REMMEAS_START, Kind::Push, "Start", {119, 21, 28, 10}},
    {IDC_REMMEAS_END, Kind::Push, "End", {164, 21, 28, 10}},
}, {200, 61}};
DIALOG_RESOURCE(IDD_REMOVE_MEASURES, kRemoveMeasuresTemplate);

// Takes a push button out of the tab order: a click still reaches it.
void LeaveTabOrder(CWnd* control) {
    QWidget* widget = control ? control->GetWidget() : nullptr;
    if (!widget)
        return;
    SetWidgetStyle(widget, GetWidgetStyle(widget) & ~WS_TABSTOP);
    widget->setFocusPolicy(Qt::ClickFocus);
}

}  // namespace

IMPLEMENT_DYNAMIC(CRemoveMeasuresDlg, CDialog)

BEGIN_MESSAGE_MAP(CRemoveMeasuresDlg, CDialog)
    ON_EN_KILLFOCUS(IDC_REMMEAS_COUNT, &CRemoveMeasuresDlg::OnKillFocusCount)
    ON_EN_KILLFOCUS(IDC_REMMEAS_FROM, &CRemoveMeasuresDlg::OnKillFocusFrom)
    ON_EN_KILLFOCUS(IDC_REMMEAS_TO, &CRemoveMeasuresDlg::OnKillFocusTo)
    ON_BN_CLICKED(IDC_REMMEAS_START, &CRemoveMeasuresDlg::OnStart)
    ON_BN_CLICKED(IDC_REMMEAS_END, &CRemoveMeasuresDlg::OnEnd)
END_MESSAGE_MAP()

CRemoveMeasuresDlg::CRemoveMeasuresDlg(CWnd* parent) : CDialog(IDD_REMOVE_MEASURES, parent) {}

void CRemoveMeasuresDlg::HoldRun(int& count, int& from, int last) {
    if (last < 1) {
        count = 0;
        return;
    }
    // From 0 would reach the command as index -1, "the last measures"; a
    // count past the piece would take every measure.
    from = std::clamp(from, 1, last);
    count = std::min(count, last - from + 1);
    if (count >= last) {
        count = last - 1;
        from = 2;
    }
}

int CRemoveMeasuresDlg::Run(MCOpusDoc* doc) {
    m_pDoc = doc;
    ECPerformance* performance = doc ? doc->GetBaseEvent() : nullptr;
    ECConductor* conductor = performance ? performance->GetConductor() : nullptr;
    m_nLastMeasure = conductor ? conductor->GetMaxMeasureNumber() : 0;
    const int result = static_cast<int>(DoModal());
    if (result != IDOK || !performance || m_nCount <= 0)
        return result;
    auto* command = new CCRemoveMeasure;
    command->SetRemoveCount(m_nCount);
    command->SetRemoveIndex(m_nFrom - 1);
    command->Apply(performance);
    doc->SetModifiedFlag();
    return result;
}

BOOL CRemoveMeasuresDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    LeaveTabOrder(GetDlgItem(IDC_REMMEAS_START));
    LeaveTabOrder(GetDlgItem(IDC_REMMEAS_END));
    return TRUE;
}

void CRemoveMeasuresDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_REMMEAS_COUNT, m_nCount);
    DDX_Text(pDX, IDC_REMMEAS_FROM, m_nFrom);
    DDX_Text(pDX, IDC_REMMEAS_TO, m_nTo);
}

void CRemoveMeasuresDlg::OnOK() {
    // Enter in a field ends the dialog without the field losing the focus:
    // link it as leaving it would have.
    if (CWnd* focus = CWnd::GetFocus(); focus && focus->GetParent() == this) {
        const int field = focus->GetDlgCtrlID();
        if (std::find(m_editOrder.begin(), m_editOrder.end(), field) != m_editOrder.end()) {
            RecordEdit(field);
            LinkFields();
        }
    }
    if (!UpdateData(TRUE))
        return;
    HoldRun(m_nCount, m_nFrom, m_nLastMeasure);
    EndDialog(IDOK);
}

void CRemoveMeasuresDlg::RecordEdit(int field) {
    if (m_editOrder[0] == field)
        return;
    if (m_editOrder[1] != field)
        m_editOrder[2] = m_editOrder[1];
    m_editOrder[1] = m_editOrder[0];
    m_editOrder[0] = field;
}

void CRemoveMeasuresDlg::LinkFields() {
    auto read = [this](int field) { return static_cast<int>(GetDlgItemInt(field, nullptr, TRUE)); };
    int count = read(IDC_REMMEAS_COUNT);
    int from = std::max(read(IDC_REMMEAS_FROM), 1);
    int to = std::max(read(IDC_REMMEAS_TO), from);
    if (to >= m_nLastMeasure)
        to = m_nLastMeasure;
    if (from > to)
        std::swap(from, to);
    switch (m_editOrder[2]) {
    case IDC_REMMEAS_COUNT:
        count = to - from + 1;
        break;
    case IDC_REMMEAS_FROM:
        from = to - count + 1;
        break;
    default:
        to = from + count - 1;
        break;
    }
    const std::pair<int, int> values[] = {{IDC_REMMEAS_COUNT, count}, {IDC_REMMEAS_FROM, from}, {IDC_REMMEAS_TO, to}};
    for (const auto& [field, value] : values) {
        auto* edit = DYNAMIC_DOWNCAST(CEdit, GetDlgItem(field));
        if (!edit)
            continue;
        int start = 0;
        int end = 0;
        edit->GetSel(start, end);
        edit->SetWindowText(Format("%d", value).c_str());
        if (start != end) {
            edit->SetSel(0, -1);
            edit->SendMessage(EM_SCROLLCARET);
        }
    }
}

void CRemoveMeasuresDlg::LinkAndFocus(int field) {
    RecordEdit(field);
    LinkFields();
    if (auto* edit = DYNAMIC_DOWNCAST(CEdit, GetDlgItem(field))) {
        edit->SetSel(0, -1);
        edit->SetFocus();
    }
}

void CRemoveMeasuresDlg::OnKillFocusCount() {
    RecordEdit(IDC_REMMEAS_COUNT);
    LinkFields();
}

void CRemoveMeasuresDlg::OnKillFocusFrom() {
    RecordEdit(IDC_REMMEAS_FROM);
    LinkFields();
}

void CRemoveMeasuresDlg::OnKillFocusTo() {
    RecordEdit(IDC_REMMEAS_TO);
    LinkFields();
}

void CRemoveMeasuresDlg::OnStart() {
    SetDlgItemInt(IDC_REMMEAS_FROM, 1);
    LinkAndFocus(IDC_REMMEAS_FROM);
}

void CRemoveMeasuresDlg::OnEnd() {
    SetDlgItemInt(IDC_REMMEAS_TO, static_cast<UINT>(m_nLastMeasure));
    LinkAndFocus(IDC_REMMEAS_TO);
}
