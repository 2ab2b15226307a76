#include "interface/controls/spinedit.h"

#include "interface/controls/dlgitem.h"
#include "platform/gdi/dc.h"
#include "platform/ui/keys.h"
#include "platform/ui/paint.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QWidget>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <iterator>
#include <string>

IMPLEMENT_DYNAMIC(MCSpin, CSpinButtonCtrl)
IMPLEMENT_DYNAMIC(MCSpinEdit, CEdit)

namespace {

// How long an arrow has been held (seconds) -> how far each step goes.
constexpr UDACCEL kAcceleration[] = {{0, 1}, {2, 2}, {3, 10}};

constexpr UINT kBackspace = 0x08;
constexpr UINT kTab = 0x09;

// The decimal integer the text begins with (after blanks, with its sign), 0
// when there is none; a run of digits too long for an int gives the int's
// end on its side.
int LeadingInteger(const std::string& text) {
    std::size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        negative = text[at++] == '-';
    long long value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = value * 10 + (text[at] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            break;   // saturated; the rest cannot bring it back
    }
    if (negative)
        value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// Puts the typed character into the field at once. A key reaches the field's
// widget only after its messages have been handled, and the text OnChange
// reads must already hold the character.
void TypeInto(CEdit& edit, UINT nChar) {
    int start = 0;
    int end = 0;
    edit.GetSel(start, end);
    if (nChar == kBackspace) {
        if (start == end) {
            if (start == 0)
                return;
            edit.SetSel(start - 1, end);
        }
        edit.ReplaceSel("");
        return;
    }
    const QByteArray text = QString(QChar(static_cast<char16_t>(nChar))).toUtf8();
    edit.ReplaceSel(text.constData(), TRUE);
}

}  // namespace

// ---- MCSpin ---------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(MCSpin, CSpinButtonCtrl)
    ON_NOTIFY_REFLECT(UDN_DELTAPOS, &MCSpin::OnDeltaPos)
END_MESSAGE_MAP()

void MCSpin::OnDeltaPos(NMHDR* header, LRESULT* result) {
    CWnd* buddy = GetBuddy();
    if (!buddy) {
        *result = 0;   // the control steps as it always does
        return;
    }
    *result = 1;   // the step is ours
    const auto* change = reinterpret_cast<const NMUPDOWN*>(header);
    int lower = 0;
    int upper = 0;
    GetRange(lower, upper);
    const int low = std::min(lower, upper);
    const int high = std::max(lower, upper);
    int next = change->iPos + change->iDelta;
    if (next < low || next > high) {
        if (!IsWrapAround())
            return;
        next = next < low ? high : low;
    }
    SetPos(next);
    buddy->SendMessage(WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), MCSPN_DELTAPOS), reinterpret_cast<LPARAM>(m_hWnd));
}

// ---- MCSpinEdit: making ---------------------------------------------------------------

BEGIN_MESSAGE_MAP(MCSpinEdit, CEdit)
    ON_WM_CHAR()
    ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

MCSpinEdit::~MCSpinEdit() {
    // The field goes before its font.
    if (m_hWnd)
        DestroyWindow();
}

int MCSpinEdit::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id, int flags) {
    if (!CEdit::Create(style, rect, parent, id))
        return 0;
    InitWindow(flags);
    return 1;
}

int MCSpinEdit::SubclassSpinEdit(UINT id, CWnd* parent, int flags) {
    if (!MCTakeOverDlgItem(*this, id, parent))
        return 0;
    InitWindow(flags);
    return 1;
}

void MCSpinEdit::InitWindow(int flags) {
    // 1. The arrows: a sibling with the field's id, the field its buddy.
    if (m_spin.m_hWnd)
        m_spin.DestroyWindow();   // an earlier call's
    const DWORD spinStyle = WS_CHILD | UDS_WRAP | UDS_ARROWKEYS | ((flags & SPIN_ALIGN_RIGHT) ? UDS_ALIGNRIGHT : 0);
    if (m_spin.Create(spinStyle, CRect(), GetParent(), static_cast<UINT>(GetDlgCtrlID()))) {
        m_spin.SetBuddy(this);
        m_spin.SetAccel(static_cast<int>(std::size(kAcceleration)), kAcceleration);
        m_spin.SetWrapAround((flags & SPIN_WRAP) ? 1 : 0);
        m_spin.EnableWindow(m_bIndeterminate ? FALSE : TRUE);
        if (flags & SPIN_ALIGN_RIGHT)
            m_spin.ShowWindow(SW_SHOW);
    }

    // The first click must find the field without the focus (OnLButtonDown):
    // the field takes it there, not the toolkit before the click arrives.
    GetWidget()->setFocusPolicy(Qt::TabFocus);

    // 2.-4. The font and where the text lies, from the field's size (the
    // arrows have taken their width already).
    std::unique_ptr<CFont> previous = std::move(m_pFont);
    CRect window;
    GetWindowRect(&window);
    if (!(flags & SPIN_OWN_FONT)) {
        SetFont(GetStockFont(DEFAULT_GUI_FONT));
        window.DeflateRect(3, 3);
        const CRect format(2, 2, window.Width() + 2, window.Height() + 2);
        SetRect(&format);
    } else {
        window.DeflateRect(2, 2);
        const CRect format(3, 3, window.Width() + 3, window.Height() + 3);
        SetRect(&format);
        CClientDC dc(this);
        const int pixelsPerInch = dc.GetDeviceCaps(LOGPIXELSY);
        // Four fifths of the text's height, in tenths of a point.
        const int tenths = 8 * MulDiv(format.Height(), 72, pixelsPerInch);
        LOGFONT description;
        description.lfHeight = -MulDiv(tenths, pixelsPerInch, 720);
        description.lfWeight = FW_NORMAL;
        SetFaceName(description, "Arial");
        m_pFont = std::make_unique<CFont>();
        m_pFont->CreateFontIndirect(&description);
        SetFont(m_pFont.get());
    }
}

// ---- MCSpinEdit: the value ------------------------------------------------------------

int MCSpinEdit::GetIndeterminate() {
    return m_bIndeterminate;
}

void MCSpinEdit::SetIndeterminate(int indeterminate) {
    m_bIndeterminate = indeterminate ? 1 : 0;
    if (!m_hWnd)
        return;
    if (m_spin.m_hWnd)
        m_spin.EnableWindow(m_bIndeterminate ? FALSE : TRUE);
    if (m_bIndeterminate)
        SetWindowText("");
}

int MCSpinEdit::GetValue() {
    int value = LOWORD(static_cast<DWORD>(m_spin.GetPos()));
    int lower = 0;
    int upper = 0;
    GetRange(lower, upper);
    // The position is a 16-bit word: above the range it was a negative number.
    if (value > std::max(lower, upper))
        value -= 0x10000;
    return value;
}

void MCSpinEdit::SetValue(int value) {
    if (m_bIndeterminate)
        return;
    m_spin.SetPos(value);
    OnSpin(value);
}

void MCSpinEdit::GetRange(int& lower, int& upper) {
    const DWORD range = m_spin.GetRange();
    lower = static_cast<short>(HIWORD(range));
    upper = static_cast<short>(LOWORD(range));
}

void MCSpinEdit::SetRange(int lower, int upper) {
    m_spin.SetRange(static_cast<short>(lower), static_cast<short>(upper));
}

void MCSpinEdit::OnSpin(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    SetSel(0, -1);
    ReplaceSel(text);
    SetSel(0, -1);
    SendMessage(EM_SCROLLCARET);
}

void MCSpinEdit::OnChange() {
    std::string text;
    GetWindowText(text);
    int lower = 0;
    int upper = 0;
    GetRange(lower, upper);
    // Out of the range the 16-bit reading would give another number altogether
    // (200 in 0..127 would read -65336): the nearer end counts.
    const int value = std::clamp(LeadingInteger(text), std::min(lower, upper), std::max(lower, upper));
    m_spin.SetPos(value);
    if (CWnd* parent = GetParent())
        parent->SendMessage(WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), MCSEN_CHANGE), reinterpret_cast<LPARAM>(m_hWnd));
}

// ---- MCSpinEdit: input ----------------------------------------------------------------

BOOL MCSpinEdit::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == MCSPN_DELTAPOS) {
        OnSpin(GetValue());
        OnChange();
        return TRUE;
    }
    return CEdit::OnCommand(wParam, lParam);
}

void MCSpinEdit::OnChar(UINT nChar, UINT /*nRepCnt*/, UINT /*nFlags*/) {
    bool change = false;
    if (nChar == kTab) {
        Default();
        return;
    }
    if (nChar == kBackspace || nChar == '.' || (nChar <= 0xFFFF && QChar(static_cast<char16_t>(nChar)).isNumber())) {
        change = true;
    } else if (nChar == '-') {
        int lower = 0;
        int upper = 0;
        GetRange(lower, upper);
        change = lower < 0;
    }
    if (!change)
        return;   // dropped
    TypeNow(nChar);
    OnChange();
    if (m_bIndeterminate) {
        HideCaret();
        SetIndeterminate(0);
    }
}

void MCSpinEdit::TypeNow(UINT nChar) {
    TypeInto(*this, nChar);
}

void MCSpinEdit::OnLButtonDown(UINT nFlags, CPoint point) {
    if (GetFocus() != this) {
        SetFocus();
        SetSel(0, -1);
        SendMessage(EM_SCROLLCARET);
        HideCaret();
        return;
    }
    ShowCaret();
    CEdit::OnLButtonDown(nFlags, point);
}
