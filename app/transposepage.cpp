#include "app/transposepage.h"

#include "app/transposeaction.h"
#include "interface/document/opusdoc.h"
#include "model/conductor.h"
#include "model/editstates.h"
#include "model/eventtypes.h"
#include "model/measure.h"
#include "model/performance.h"
#include "model/staff.h"
#include "platform/ui/ddx.h"
#include "platform/ui/edit.h"
#include "platform/ui/lists.h"

#include <string>
#include <utility>

namespace {

using Kind = DialogControlKind;
constexpr int IDC_STATIC = -1;
// The edit kind that asks the notation to renotate a transposed staff.
constexpr int kEditStaffTranspose = 108;

const DialogTemplate kTransposeTemplate = {"", {
    {IDC_STATIC, Kind::Static, "&Transpose this staff:", {7, 7, 120, 8}},
    {IDC_TRANSPOSE_STAFF, Kind::Combo, "", {7, 17, 120, 80}, CBS_DROPDOWNLIST | WS_GROUP},
    {IDC_TRANSPOSE_UP, Kind::Radio, "&Up", {7, 37, 32, 10}, WS_GROUP},
    {IDC_TRANSPOSE_DOWN, Kind::Radio, "&Down", {7, 49, 32, 10}},
    {IDC_TRANSPOSE_AMOUNT, Kind::Edit, "", {43, 41, 28, 12}, ES_AUTOHSCROLL | WS_GROUP},
    {IDC_TRANSPOSE_HALFSTEPS, Kind::Radio, "&Half Step(s)", {77, 37, 62, 10}, WS_GROUP},
    {IDC_TRANSPOSE_OCTAVES, Kind::Radio, "&Octave(s)", {77, 49, 62, 10}},
    {IDC_STATIC, Kind::Group, "Measure Range", {7, 64, 146, 48}, WS_GROUP},
    {IDC_STATIC, Kind::Static, "&Start", {13, 78, 22, 8}},
    {IDC_TRANSPOSE_START, Kind::Edit, "", {37, 76, 30, 12}, ES_NUMBER | ES_AUTOHSCROLL},
    {IDC_STATIC, Kind::Static, "&End", {77, 78, 18, 8}},
    {IDC_TRANSPOSE_END, Kind::Edit, "", {97, 76, 30, 12}, ES_NUMBER | ES_AUTOHSCROLL},
    {IDC_STATIC, Kind::Static, "Du&ration", {13, 95, 30, 8}},
    {IDC_TRANSPOSE_DURATION, Kind::Edit, "", {45, 93, 30, 12}, ES_READONLY | ES_AUTOHSCROLL},
    {IDC_TRANSPOSE_ENTIRE, Kind::Push, "Entire &Piece", {158, 76, 48, 14}},
}, {210, 130}, {}, WS_CHILD};
DIALOG_RESOURCE(IDD_TRANSPOSESTAFF, kTransposeTemplate);

}  // namespace

IMPLEMENT_DYNAMIC(CTransposeStaffPage, CStaffPage)

BEGIN_MESSAGE_MAP(CTransposeStaffPage, CStaffPage)
    ON_BN_CLICKED(IDC_TRANSPOSE_ENTIRE, &CTransposeStaffPage::OnEntirePiece)
END_MESSAGE_MAP()

CTransposeStaffPage::CTransposeStaffPage(MCOpusDoc* doc) : CStaffPage(IDD_TRANSPOSESTAFF, doc) {}

int CTransposeStaffPage::GetSemitones() const {
    const int semitones = m_nUnits == UNITS_OCTAVES ? m_nAmount * 12 : m_nAmount;
    return m_nDirection == DIRECTION_DOWN ? -semitones : semitones;
}

void CTransposeStaffPage::DoDataExchange(CDataExchange* pDX) {
    CStaffPage::DoDataExchange(pDX);
    if (!m_trackBox.GetSafeHwnd()) {
        ReleaseDlgItem(IDC_TRANSPOSE_STAFF, m_trackBox);
        m_trackBox.SubclassDlgItem(IDC_TRANSPOSE_STAFF, this);
        m_trackBox.SetDocument(m_pDoc, 1);
        m_trackBox.SetCurSel(0);
    }
    ECConductor* conductor = GetConductor();
    const int lastMeasure = conductor ? conductor->GetMaxMeasureNumber() : 0;
    if (!pDX->m_bSaveAndValidate) {
        m_nStartMeasure = 1;
        m_nEndMeasure = lastMeasure;
        m_nDuration = m_nEndMeasure - m_nStartMeasure;
    }
    DDX_Radio(pDX, IDC_TRANSPOSE_HALFSTEPS, m_nUnits);
    DDX_Radio(pDX, IDC_TRANSPOSE_UP, m_nDirection);
    DDX_Text(pDX, IDC_TRANSPOSE_AMOUNT, m_nAmount);
    DDV_MinMaxInt(pDX, m_nAmount, 0, 127);
    DDX_Text(pDX, IDC_TRANSPOSE_START, m_nStartMeasure);
    // A start outside the piece has no measure to take a time from.
    DDV_MinMaxInt(pDX, m_nStartMeasure, 1, lastMeasure);
    DDX_Text(pDX, IDC_TRANSPOSE_END, m_nEndMeasure);
    if (!pDX->m_bSaveAndValidate)
        DDX_Text(pDX, IDC_TRANSPOSE_DURATION, m_nDuration);
    if (pDX->m_bSaveAndValidate) {
        const int entry = m_trackBox.GetCurSel();
        m_pStaff = entry >= 0 ? static_cast<ECStaff*>(m_trackBox.GetItemDataPtr(entry)) : nullptr;
    }
}

void CTransposeStaffPage::OnEntirePiece() {
    ECConductor* conductor = GetConductor();
    m_nStartMeasure = 1;
    m_nEndMeasure = conductor ? conductor->GetMaxMeasureNumber() : 0;
    m_nDuration = m_nEndMeasure - m_nStartMeasure;
    for (auto [id, value] : {std::pair{IDC_TRANSPOSE_START, m_nStartMeasure}, std::pair{IDC_TRANSPOSE_END, m_nEndMeasure},
                             std::pair{IDC_TRANSPOSE_DURATION, m_nDuration}})
        if (CWnd* field = GetDlgItem(static_cast<int>(id)))
            field->SetWindowText(std::to_string(value).c_str());
}

CStaffPage::ApplyResult CTransposeStaffPage::Apply() {
    ECConductor* conductor = GetConductor();
    if (!conductor)
        return ApplyResult::Nothing;
    if (!UpdateData(TRUE))
        return ApplyResult::Refused;
    if (!m_pStaff)
        return ApplyResult::Nothing;
    ECMeasure* startMeasure = conductor->GetMeasure(0, m_nStartMeasure);
    if (!startMeasure)
        return ApplyResult::Nothing;
    const MCTime start = *startMeasure->GetTime();
    ECMeasure* endMeasure = conductor->GetMeasure(0, m_nEndMeasure + 1);
    const MCTime end = endMeasure ? *endMeasure->GetTime() : conductor->GetMaxMeasureEndTime();

    auto* performance = static_cast<ECPerformance*>(m_pStaff->GetAncestor(ET_PERFORMANCE, -1));
    if (!performance)
        return ApplyResult::Nothing;
    ACTranspose transpose(GetSemitones());
    transpose.SetRange(start, end);
    performance->Lock();
    transpose.Apply(m_pStaff);
    performance->Unlock();
    auto* edit = new SCEventEdit(STATE_EVENTS_EDITED);
    edit->AddItem(m_pStaff, kEditStaffTranspose);
    edit->Apply(performance);
    return ApplyResult::Done;
}
