#include "app/gotodlg.h"

#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/performance.h"
#include "model/preferences.h"
#include "model/textmarks.h"
#include "interface/controls/ddx.h"
#include "platform/core/resources.h"
#include "platform/ui/ddx.h"
#include "platform/ui/edit.h"

#include <QWidget>

#include <algorithm>

namespace {

constexpr int IDC_STATIC = -1;
using Kind = DialogControlKind;

// The lower part, from the list's label down, is what folding hides: the
// folded dialog ends 10 pixels below the Advanced button.
const DialogTemplate kGotoTemplate = {"Go To", {
    {IDC_STATIC, Kind::Static, "Enter &time:", {7, 9, 42, 8}},
    {IDC_GOTO_TIME, Kind::Edit, "", {50, 7, 70, 13}},
    {IDC_GOTO_BEGINNING, Kind::Push, "&Beginning", {7, 26, 55, 14}},
    {IDC_GOTO_END, Kind::Push, "&End", {66, 26, 55, 14}},
    {IDC_STATIC, Kind::Static, "Select &marker to jump to:", {7, 64, 110, 8}},
    {IDC_GOTO_EVENTS, Kind::ListBox, "", {7, 74, 114, 78}, LBS_NOTIFY},
    {IDC_STATIC, Kind::Group, "Show Events", {128, 64, 80, 70}},
    {IDC_GOTO_MARKERS, Kind::Check, "Mar&kers", {135, 77, 68, 10}},
    {IDC_GOTO_REHEARSAL, Kind::Check, "Rehearsal &Letters", {135, 91, 68, 10}},
    {IDC_GOTO_TEXT, Kind::Check, "Te&xt", {135, 105, 68, 10}},
    {IDC_GOTO_CUE, Kind::Check, "C&ue Points", {135, 119, 68, 10}},
    {IDOK, Kind::Push, "OK", {148, 7, 60, 14}, BS_DEFPUSHBUTTON},
    {IDCANCEL, Kind::Push, "Cancel", {148, 24, 60, 14}},
    {IDC_GOTO_ADVANCED, Kind::Push, "&Advanced <<", {148, 41, 60, 14}},
}, {215, 159}};
DIALOG_RESOURCE(IDD_GOTO, kGotoTemplate);

STRING_TABLE({IDS_GOTO_ADVANCED_MORE, "&Advanced >>"},
             {IDS_GOTO_ADVANCED_LESS, "&Advanced <<"},
             {IDS_GOTO_PAST_END, "The location you specified is past the end of this file.  Relocating to the end."});

const char kSection[] = "Settings\\Goto";

// The controls folding reaches.
constexpr int kAdvancedControls[] = {IDC_GOTO_EVENTS, IDC_GOTO_MARKERS, IDC_GOTO_REHEARSAL, IDC_GOTO_TEXT,
                                     IDC_GOTO_CUE};

// Gives a top-level window the outer size of `rect`, keeping its place;
// `frame` is what its frame added to the client size when the rectangle was
// taken (a window not yet shown may have no frame yet, and gains one later).
void SizeWindowTo(CWnd& wnd, const CRect& rect, const CSize& frame) {
    QWidget* widget = wnd.GetWidget();
    if (!widget)
        return;
    // Dialogs are made at a fixed size; the size is fixed anew.
    widget->setFixedSize(std::max(rect.Width() - frame.cx, 0), std::max(rect.Height() - frame.cy, 0));
}

}  // namespace

IMPLEMENT_DYNAMIC(CGotoDlg, CDialog)

BEGIN_MESSAGE_MAP(CGotoDlg, CDialog)
    ON_BN_CLICKED(IDC_GOTO_BEGINNING, &CGotoDlg::OnBeginning)
    ON_BN_CLICKED(IDC_GOTO_END, &CGotoDlg::OnEnd)
    ON_BN_CLICKED(IDC_GOTO_ADVANCED, &CGotoDlg::OnAdvanced)
    ON_BN_CLICKED(IDC_GOTO_MARKERS, &CGotoDlg::OnFilter)
    ON_BN_CLICKED(IDC_GOTO_REHEARSAL, &CGotoDlg::OnFilter)
    ON_BN_CLICKED(IDC_GOTO_TEXT, &CGotoDlg::OnFilter)
    ON_BN_CLICKED(IDC_GOTO_CUE, &CGotoDlg::OnFilter)
    ON_LBN_SELCHANGE(IDC_GOTO_EVENTS, &CGotoDlg::OnSelChangeEvents)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CGotoDlg::CGotoDlg(CWnd* frame, const MCTime& current)
    : CDialog(IDD_GOTO, frame),
      m_bShowMarkers(LoadIntPreference(kSection, "ShowMarkers", 1)),
      m_bShowRehearsal(LoadIntPreference(kSection, "ShowRehearsal", 1)),
      m_bShowText(LoadIntPreference(kSection, "ShowText", 0)),
      m_bShowCue(LoadIntPreference(kSection, "ShowCue", 1)),
      m_time(current) {}

int CGotoDlg::Run(MCOpusDoc* doc) {
    m_pDoc = doc;
    const int result = static_cast<int>(DoModal());
    if (result == IDOK && doc && doc->GetBaseEvent())
        (new SCTime(STATE_TIME_LOCATE, m_time))->Apply(doc->GetBaseEvent());
    return result;
}

MCTime CGotoDlg::GetEndTime() const {
    ECPerformance* performance = m_pDoc ? m_pDoc->GetBaseEvent() : nullptr;
    ECConductor* conductor = performance ? performance->GetConductor() : nullptr;
    return conductor ? conductor->GetMaxMeasureEndTime() : MCTime::TimeZero();
}

BOOL CGotoDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_timeEdit.SubclassTimeEdit(IDC_GOTO_TIME, this, TIMEFMT_BAR_BEAT_TICK,
                                MCSpinEdit::SPIN_ALIGN_RIGHT | MCSpinEdit::SPIN_OWN_FONT);
    TakeOverDlgItem(IDC_GOTO_EVENTS, m_eventList);
    FillEventList();

    GetWindowRect(&m_rectFull);
    CRect client;
    GetClientRect(&client);
    m_sizeFrame = CSize(m_rectFull.Width() - client.Width(), m_rectFull.Height() - client.Height());
    m_rectFolded = m_rectFull;
    if (CWnd* advanced = GetDlgItem(IDC_GOTO_ADVANCED)) {
        CRect button;
        advanced->GetWindowRect(&button);
        m_rectFolded.bottom = button.bottom + 10;
    }
    SetAdvanced(LoadIntPreference(kSection, "Advanced", 0));
    UpdateData(FALSE);

    m_timeEdit.SetSel(0, 3);
    m_timeEdit.SendMessage(EM_SCROLLCARET);
    m_timeEdit.SetFocus();
    return FALSE;   // the time field has the focus
}

void CGotoDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Check(pDX, IDC_GOTO_MARKERS, m_bShowMarkers);
    DDX_Check(pDX, IDC_GOTO_REHEARSAL, m_bShowRehearsal);
    DDX_Check(pDX, IDC_GOTO_TEXT, m_bShowText);
    DDX_Check(pDX, IDC_GOTO_CUE, m_bShowCue);
    // The first exchange comes before the field is a time edit.
    if (!m_timeEdit.GetSafeHwnd())
        return;
    DDX_TimeEdit(pDX, IDC_GOTO_TIME, m_time);
    if (pDX->m_bSaveAndValidate) {
        const MCTime end = GetEndTime();
        if (m_time > end) {
            ShowPrompt(IDS_GOTO_PAST_END, MB_OK | MB_ICONINFORMATION);
            m_time = end;
            m_timeEdit.SetTimeValue(m_time, 1);
        }
    }
}

void CGotoDlg::SetAdvanced(int advanced) {
    if ((advanced != 0) == (m_bAdvanced != 0))
        return;
    m_bAdvanced = advanced;
    for (int id : kAdvancedControls)
        if (CWnd* control = GetDlgItem(id))
            control->EnableWindow(advanced ? TRUE : FALSE);
    SizeWindowTo(*this, advanced ? m_rectFull : m_rectFolded, m_sizeFrame);
    SetDlgItemText(IDC_GOTO_ADVANCED, LoadString(advanced ? IDS_GOTO_ADVANCED_LESS : IDS_GOTO_ADVANCED_MORE).c_str());
}

void CGotoDlg::FillEventList() {
    if (!m_eventList.GetSafeHwnd())
        return;
    m_eventList.ResetContent();
    ECPerformance* performance = m_pDoc ? m_pDoc->GetBaseEvent() : nullptr;
    if (!performance)
        return;
    ACFindEvents find(1);
    find.AddEvtType(ET_TEXT);
    find.Apply(performance);
    MCEventList& events = find.GetEvents();
    events.Sort();
    for (POSITION pos = events.GetHeadPosition(); pos;) {
        auto* text = dynamic_cast<ECText*>(events.GetNext(pos));
        if (!text)
            continue;
        int shown = 0;
        switch (text->GetTextType()) {
        case TEXT_PLAIN:
            shown = m_bShowText;
            break;
        case TEXT_MARKER:
            shown = m_bShowMarkers;
            break;
        case TEXT_CUE_POINT:
            shown = m_bShowCue;
            break;
        case TEXT_REHEARSAL_LETTER:
        case TEXT_REHEARSAL_NUMBER:
            shown = m_bShowRehearsal;
            break;
        default:
            break;   // titles, credits and the like are no places to go to
        }
        if (!shown || text->GetText().empty())
            continue;
        // The tree keeps the event while the modal dialog runs.
        const int item = m_eventList.AddString(text->GetText().c_str());
        m_eventList.SetItemDataPtr(item, text);
    }
    m_eventList.SetCurSel(0);
}

void CGotoDlg::OnBeginning() {
    m_timeEdit.SetTimeValue(MCTime::TimeZero(), 1);
}

void CGotoDlg::OnEnd() {
    m_timeEdit.SetTimeValue(GetEndTime(), 1);
}

void CGotoDlg::OnAdvanced() {
    SetAdvanced(m_bAdvanced ? 0 : 1);
}

void CGotoDlg::OnFilter() {
    UpdateData(TRUE);
    FillEventList();
}

void CGotoDlg::OnSelChangeEvents() {
    const int item = m_eventList.GetCurSel();
    if (item < 0)
        return;
    if (auto* text = static_cast<ECText*>(m_eventList.GetItemDataPtr(item)))
        m_timeEdit.SetTimeValue(*text->GetTime(), 1);
}

void CGotoDlg::OnDestroy() {
    SaveIntPreference(kSection, "ShowMarkers", m_bShowMarkers);
    SaveIntPreference(kSection, "ShowRehearsal", m_bShowRehearsal);
    SaveIntPreference(kSection, "ShowText", m_bShowText);
    SaveIntPreference(kSection, "ShowCue", m_bShowCue);
    SaveIntPreference(kSection, "Advanced", m_bAdvanced);
    CDialog::OnDestroy();
}
