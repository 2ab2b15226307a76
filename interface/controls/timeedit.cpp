#include "interface/controls/timeedit.h"

#include "interface/document/opusdoc.h"
#include "model/conductor.h"
#include "model/meter.h"
#include "model/notes.h"
#include "platform/core/format.h"
#include "platform/ui/keys.h"
#include "platform/ui/uiresources.h"

#include <cctype>
#include <cmath>
#include <iterator>
#include <memory>

IMPLEMENT_DYNAMIC(MCTimeEdit, MCSpinEdit)

int MCTimeEdit::s_nFormat = TIMEFMT_BAR_BEAT_TICK;

namespace {

// The duration menu: one popup, a note value per item.
const MenuTemplate kDurationMenu = {{
    {MF_POPUP, 0, "Duration", {
        {MF_STRING, 11622, "Whole Note (&1)"},
        {MF_STRING, 11623, "Dotted Half Note"},
        {MF_STRING, 11624, "Half Note (&2)"},
        {MF_STRING, 11625, "Dotted Quarter Note"},
        {MF_STRING, 11626, "Quarter Note (&4)"},
        {MF_STRING, 11627, "Dotted Eighth Note"},
        {MF_STRING, 11628, "Eighth Note (&8)"},
        {MF_STRING, 11629, "Sixteenth Note (1&6)"},
        {MF_STRING, 11630, "32nd Note (&32)"},
        {MF_STRING, 11631, "64th Note"},
    }},
}};
MENU_RESOURCE(MCTimeEdit::IDR_DURATION_MENU, kDurationMenu);

const MenuTemplate kUnitsMenu = {{
    {MF_POPUP, 0, "Units", {
        {MF_STRING, MCTimeEdit::ID_UNITS_BBT, "&Beats:Bars:Ticks"},
        {MF_STRING, MCTimeEdit::ID_UNITS_FRACTION, "Beats:Bars.&Fraction"},
        {MF_STRING, MCTimeEdit::ID_UNITS_CLOCK, "&Hours:Minutes:Seconds"},
    }},
}};
MENU_RESOURCE(MCTimeEdit::IDR_UNITS_MENU, kUnitsMenu);

// The quarter notes of the duration menu's items, from 11622 on.
constexpr float kDurations[] = {4.0f, 3.0f, 2.0f, 1.5f, 1.0f, 0.75f, 0.5f, 0.25f, 0.125f, 0.0625f};

ECConductor* ActiveConductor() {
    MCOpusDoc* doc = MCOpusDoc::GetActiveDoc();
    return doc ? doc->GetSequence()->GetConductor() : nullptr;
}

// The number the digits of a group show; 0 when there are none (an empty form).
int GroupNumber(const std::string& text, MCTimeGroupSpan span) {
    int number = 0;
    for (int i = span.start; i < span.end && i < static_cast<int>(text.size()); ++i)
        if (std::isdigit(static_cast<unsigned char>(text[i])) && number < 100000)
            number = number * 10 + (text[i] - '0');
    return number;
}

// What a group counts, for its up-down range.
enum class Unit { Bar, Beat, Tick, Thousandths, WholeBeats, Clock };

Unit UnitOf(int format, int group) {
    switch (format) {
    case TIMEFMT_BEAT_FRACTION: return group == 0 ? Unit::Beat : Unit::Thousandths;
    case TIMEFMT_CLOCK: return Unit::Clock;
    case TIMEFMT_DURATION: return group == 0 ? Unit::WholeBeats : Unit::Tick;
    default:
        if (group == 0)
            return Unit::Bar;
        if (group == 1)
            return Unit::Beat;
        return format == TIMEFMT_BAR_BEAT_FRACTION ? Unit::Thousandths : Unit::Tick;
    }
}

}  // namespace

BEGIN_MESSAGE_MAP(MCTimeEdit, MCSpinEdit)
    ON_WM_CREATE()
    ON_WM_LBUTTONDOWN()
    ON_WM_KEYDOWN()
    ON_WM_CHAR()
    ON_WM_SETFOCUS()
    ON_WM_KILLFOCUS()
    ON_WM_CONTEXTMENU()
    ON_MESSAGE(EM_SETSEL, &MCTimeEdit::OnSetSel)
    ON_COMMAND_RANGE(MCTimeEdit::ID_DURATION_FIRST, MCTimeEdit::ID_DURATION_LAST, &MCTimeEdit::OnDurationCommand)
    ON_COMMAND_RANGE(MCTimeEdit::ID_UNITS_BBT, MCTimeEdit::ID_UNITS_CLOCK, &MCTimeEdit::OnUnitsCommand)
END_MESSAGE_MAP()

MCTimeEdit::MCTimeEdit() = default;
MCTimeEdit::~MCTimeEdit() = default;

int MCTimeEdit::SubclassTimeEdit(UINT id, CWnd* parent, int format, int flags) {
    if (!SubclassSpinEdit(id, parent, flags))
        return 0;
    SetTimeFormat(format);
    return 1;
}

void MCTimeEdit::SetTimeFormat(int format) {
    m_nTimeFormat = static_cast<BYTE>(format);
    if (m_hWnd)
        LimitText(GetTimeFormatInfo(ShownFormat()).limit);
}

void MCTimeEdit::SetTimeValue(const MCTime& time, int repaint) {
    m_time = time;
    if (!m_hWnd)
        return;
    UpdateFromTime();
    if (repaint)
        Invalidate(FALSE);
}

int MCTimeEdit::FormatTimeString(std::string& text, const MCTime& time, int format, int showDuration,
                                 int indeterminate) {
    return FormatTimeWith(text, time, ActiveConductor(), format, showDuration, indeterminate);
}

MCTime MCTimeEdit::GetTimeFromString(const char* text, ECConductor* conductor, int format, int showDuration) {
    return ReadTimeWith(text, conductor, format, showDuration);
}

// ---- text and value ---------------------------------------------------------------------

void MCTimeEdit::UpdateFromTime() {
    std::string text;
    FormatTimeString(text, m_time, m_nTimeFormat, m_bShowDuration, m_bIndeterminate);
    // A duration's text is longer than some formats allow typing.
    LimitText(GetTimeFormatInfo(ShownFormat()).limit);
    SetWindowText(text.c_str());
}

void MCTimeEdit::UpdateFromText() {
    ECConductor* conductor = ActiveConductor();
    if (!conductor)
        return;
    std::string text;
    GetWindowText(text);
    m_time = GetTimeFromString(text.c_str(), conductor, m_nTimeFormat, m_bShowDuration);
}

void MCTimeEdit::Refresh(int group) {
    UpdateFromText();
    UpdateFromTime();
    SetGroup(group, 1);
}

void MCTimeEdit::TellParent() {
    if (CWnd* parent = GetParent())
        parent->SendMessage(WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), MCTEN_CHANGE), reinterpret_cast<LPARAM>(m_hWnd));
}

// ---- groups -----------------------------------------------------------------------------

int MCTimeEdit::GetGroup(int position) const {
    const MCTimeFormatInfo& info = GetTimeFormatInfo(ShownFormat());
    for (int group = 0; group < 3; ++group)
        if (position <= info.spans[group].end)
            return group;
    return 0;
}

void MCTimeEdit::SetGroup(int group, int apply) {
    const MCTimeFormatInfo& info = GetTimeFormatInfo(ShownFormat());
    // A group the format lacks (the third of two) stands for the first.
    const int shown = group < info.groups ? group : 0;
    m_nGroup = static_cast<BYTE>(group);
    m_nSelStart = static_cast<BYTE>(info.spans[shown].start);
    m_nSelEnd = static_cast<BYTE>(info.spans[shown].end);
    if (!apply || !m_hWnd)
        return;
    SelectSpan();
    ApplyGroupRange(shown);
}

void MCTimeEdit::SelectSpan() {
    CEdit::DefWindowProc(EM_SETSEL, m_nSelStart, m_nSelEnd);
    SendMessage(EM_SCROLLCARET);
}

void MCTimeEdit::ApplyGroupRange(int group) {
    if (!m_spin.GetSafeHwnd())
        return;
    const int format = ShownFormat();
    int lower = 0;
    int upper = 0;
    switch (UnitOf(format, group)) {
    case Unit::Bar: lower = 1; upper = 999; break;
    case Unit::Beat: {
        ECConductor* conductor = ActiveConductor();
        ECMeter* meter = conductor ? conductor->GetMeterAtTime(m_time) : nullptr;
        if (!meter)
            return;   // no position to count beats in
        lower = 1;
        upper = meter->GetNumerator();
        break;
    }
    case Unit::Tick: upper = MCTime::GlobalPPQ; break;
    // Thousandths of a beat run to 999 whatever the PPQ: a range of the PPQ
    // would hold the arrows below 481 at 480 a quarter.
    case Unit::Thousandths: upper = 999; break;
    case Unit::WholeBeats: upper = 9999; break;
    case Unit::Clock: break;   // the range stays as it was
    }
    if (upper > lower)
        SetRange(lower, upper);
    // The position is the group as shown (written from the value).
    std::string text;
    GetWindowText(text);
    m_spin.SetPos(GroupNumber(text, GetTimeFormatInfo(format).spans[group]));
}

// ---- the base's hooks -------------------------------------------------------------------

void MCTimeEdit::OnSpin(int value) {
    SetRedraw(FALSE);
    SelectSpan();
    // As many digits as the span is long, zeros in front (the precision pads).
    const int digits = m_nSelEnd - m_nSelStart;
    ReplaceSel(Format("%.*d", digits, value).c_str());
    SelectSpan();
    SetRedraw(TRUE);
}

void MCTimeEdit::OnChange() {
    UpdateFromText();
    TellParent();
}

// ---- input ------------------------------------------------------------------------------

int MCTimeEdit::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    const int result = MCSpinEdit::OnCreate(lpCreateStruct);
    if (result != -1)
        UpdateFromTime();
    return result;
}

void MCTimeEdit::OnLButtonDown(UINT, CPoint point) {
    UpdateFromText();
    SetTimeValue(m_time, 1);
    SetFocus();
    m_nCharPos = static_cast<BYTE>(LOWORD(static_cast<DWORD>(CharFromPos(point))));
    SetGroup(GetGroup(m_nCharPos), 1);
}

void MCTimeEdit::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
    switch (nChar) {
    case VK_SPACE:
    case VK_RIGHT: Refresh(m_nGroup >= 2 ? 0 : m_nGroup + 1); break;
    case VK_LEFT: Refresh(m_nGroup == 0 ? 2 : m_nGroup - 1); break;
    default: MCSpinEdit::OnKeyDown(nChar, nRepCnt, nFlags); break;
    }
}

void MCTimeEdit::OnChar(UINT nChar, UINT, UINT) {
    if (nChar >= '0' && nChar <= '9') {
        // The digit replaces the selected group at once, so that OnChange
        // reads the text with it.
        const char digit[2] = {static_cast<char>(nChar), '\0'};
        ReplaceSel(digit);
        OnChange();
    }
    if (m_bIndeterminate) {
        HideCaret();
        SetIndeterminate(0);
        Refresh(0);
    }
}

LRESULT MCTimeEdit::OnSetSel(WPARAM wParam, LPARAM lParam) {
    const auto start = static_cast<int>(static_cast<LPARAM>(wParam));
    if (start == 0 && static_cast<int>(lParam) == -1)
        return 1;   // select-all, as a dialog asks on focus: the group stays
    SetGroup(GetGroup(start), 0);
    return CEdit::DefWindowProc(EM_SETSEL, wParam, lParam);
}

void MCTimeEdit::OnSetFocus(CWnd* pOldWnd) {
    MCSpinEdit::OnSetFocus(pOldWnd);
    if (!m_bIndeterminate)
        HideCaret();
    SetGroup(m_nGroup, 1);
}

void MCTimeEdit::OnKillFocus(CWnd* pNewWnd) {
    MCSpinEdit::OnKillFocus(pNewWnd);
    UpdateFromText();
    UpdateFromTime();
}

void MCTimeEdit::OnContextMenu(CWnd* pWnd, CPoint pos) {
    if (!m_bShowDuration) {
        MCSpinEdit::OnContextMenu(pWnd, pos);
        return;
    }
    std::unique_ptr<CMenu> menu = LoadMenu(IDR_DURATION_MENU);
    if (CMenu* popup = menu ? menu->GetSubMenu(0) : nullptr)
        popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, pos.x, pos.y, this);
}

void MCTimeEdit::OnDurationCommand(UINT id) {
    const UINT index = id - ID_DURATION_FIRST;
    if (index >= std::size(kDurations))
        return;
    const MCTime duration(kDurations[index]);
    m_time = ECNote::ScaleDuration(&duration, 0);
    SetIndeterminate(0);
    UpdateFromTime();
    OnChange();
}

void MCTimeEdit::OnUnitsCommand(UINT id) {
    SetTimeFormat(id == ID_UNITS_BBT ? TIMEFMT_BAR_BEAT_TICK
                  : id == ID_UNITS_FRACTION ? TIMEFMT_BAR_BEAT_FRACTION
                                            : TIMEFMT_CLOCK);
    UpdateFromTime();
}
