#include "platform/ui/spin.h"

#include "platform/core/clock.h"
#include "platform/ui/control_support.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QWidget>

#include <algorithm>

IMPLEMENT_DYNAMIC(CSpinButtonCtrl, CWnd)

namespace {

constexpr UINT_PTR kRepeatTimer = 0x5350;     // the held arrow's timer
constexpr UINT kRepeatDelay = 400;            // ms before the first repeat
constexpr UINT kRepeatInterval = 100;         // ms between repeats
constexpr int kDefaultWidth = 16;             // when placed beside a buddy with no width of its own

CSpinButtonCtrl* SpinOf(const QWidget* widget) {
    return dynamic_cast<CSpinButtonCtrl*>(CWnd::FromWidget(widget));
}

}  // namespace

// The two arrows: Up above (or right), Down below (or left).
class CUpDownWidget : public QWidget {
public:
    CUpDownWidget(QWidget* parent, bool horizontal) : QWidget(parent), m_horizontal(horizontal) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        for (int half = 0; half < 2; ++half) {
            QStyleOption option;
            option.initFrom(this);
            option.rect = HalfRect(half == 0 ? +1 : -1);
            if (m_pressed == (half == 0 ? +1 : -1))
                option.state |= QStyle::State_Sunken;
            style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &painter, this);
            const QStyle::PrimitiveElement arrow =
                m_horizontal ? (half == 0 ? QStyle::PE_IndicatorArrowRight : QStyle::PE_IndicatorArrowLeft)
                             : (half == 0 ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown);
            style()->drawPrimitive(arrow, &option, &painter, this);
        }
    }
    void mousePressEvent(QMouseEvent* event) override {
        CSpinButtonCtrl* spin = SpinOf(this);
        if (!spin || event->button() != Qt::LeftButton)
            return;
        m_pressed = HalfRect(+1).contains(event->position().toPoint()) ? +1 : -1;
        update();
        spin->BeginHold(m_pressed, true);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton || m_pressed == 0)
            return;
        m_pressed = 0;
        update();
        if (CSpinButtonCtrl* spin = SpinOf(this))
            spin->EndHold();
    }

private:
    QRect HalfRect(int direction) const {
        if (m_horizontal) {
            const int half = width() / 2;
            return direction > 0 ? QRect(half, 0, width() - half, height()) : QRect(0, 0, half, height());
        }
        const int half = height() / 2;
        return direction > 0 ? QRect(0, 0, width(), half) : QRect(0, half, width(), height() - half);
    }

    bool m_horizontal;
    int m_pressed = 0;   // the arrow held: +1 Up, -1 Down, 0 none
};

// The Up and Down keys in the buddy (UDS_ARROWKEYS): what the buddy's window
// leaves to its widget steps the control.
class CBuddyKeys : public QObject {
public:
    CBuddyKeys(QWidget* spinWidget, HWND spin) : QObject(spinWidget), m_spin(spin) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
            return QObject::eventFilter(watched, event);
        auto* spin = dynamic_cast<CSpinButtonCtrl*>(CWnd::FromHandle(m_spin));
        auto* key = static_cast<QKeyEvent*>(event);
        const int direction = key->key() == Qt::Key_Up ? +1 : key->key() == Qt::Key_Down ? -1 : 0;
        if (!spin || direction == 0)
            return false;
        if (event->type() == QEvent::KeyRelease) {
            if (!key->isAutoRepeat())
                spin->EndHold();
        } else if (key->isAutoRepeat() && spin->m_nHoldDirection == direction) {
            spin->RepeatHold();
        } else {
            spin->BeginHold(direction, false);
        }
        return true;
    }

private:
    HWND m_spin;
};

CSpinButtonCtrl::CSpinButtonCtrl() : m_accel{{0, 1}, {2, 5}, {5, 20}} {}

BOOL CSpinButtonCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    if (!CWnd::Create("msctls_updown32", nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID))
        return FALSE;
    if (m_dwStyle & UDS_AUTOBUDDY) {
        // The window made just before this one in the parent.
        const QObjectList& siblings = GetWidget()->parentWidget()->children();
        const auto self = siblings.indexOf(GetWidget());
        for (auto index = self - 1; index >= 0; --index)
            if (auto* widget = qobject_cast<QWidget*>(siblings[index]); widget && FromWidget(widget)) {
                SetBuddy(FromWidget(widget));
                break;
            }
    }
    return TRUE;
}

QWidget* CSpinButtonCtrl::CreateWidget(QWidget* parent, DWORD dwStyle) {
    m_dwStyle = dwStyle;
    return new CUpDownWidget(parent, (dwStyle & UDS_HORZ) != 0);
}

CWnd* CSpinButtonCtrl::SetBuddy(CWnd* pWndBuddy) {
    CWnd* previous = GetBuddy();
    if (previous && previous->GetWidget())
        for (QObject* child : GetWidget()->children())
            if (auto* keys = dynamic_cast<CBuddyKeys*>(child)) {
                previous->GetWidget()->removeEventFilter(keys);
                delete keys;
                break;
            }
    m_hWndBuddy = pWndBuddy ? pWndBuddy->GetSafeHwnd() : nullptr;
    if (pWndBuddy && pWndBuddy->GetWidget() && GetWidget()) {
        if (m_dwStyle & UDS_ARROWKEYS)
            pWndBuddy->GetWidget()->installEventFilter(new CBuddyKeys(GetWidget(), m_hWnd));
        AlignToBuddy();
        ShowInBuddy();
    }
    return previous;
}

CWnd* CSpinButtonCtrl::GetBuddy() const {
    return FromHandle(m_hWndBuddy);
}

void CSpinButtonCtrl::AlignToBuddy() {
    if (!(m_dwStyle & (UDS_ALIGNRIGHT | UDS_ALIGNLEFT)))
        return;
    QWidget* buddy = GetBuddy()->GetWidget();
    QWidget* self = GetWidget();
    const int width = self->width() > 0 ? self->width() : kDefaultWidth;
    QRect place = buddy->geometry();
    if (buddy->parentWidget() != self->parentWidget() && buddy->parentWidget() && self->parentWidget())
        place.moveTopLeft(self->parentWidget()->mapFrom(buddy->parentWidget(), place.topLeft()));
    QRect buddyPlace = buddy->geometry();
    buddyPlace.setWidth(std::max(buddyPlace.width() - width, 0));
    if (m_dwStyle & UDS_ALIGNRIGHT) {
        self->setGeometry(place.left() + buddyPlace.width(), place.top(), width, place.height());
    } else {
        self->setGeometry(place.left(), place.top(), width, place.height());
        buddyPlace.moveLeft(buddyPlace.left() + width);
    }
    buddy->setGeometry(buddyPlace);
}

void CSpinButtonCtrl::SetRange(short nLower, short nUpper) {
    SetRange32(nLower, nUpper);
}

void CSpinButtonCtrl::SetRange32(int nLower, int nUpper) {
    m_nLower = nLower;
    m_nUpper = nUpper;
}

DWORD CSpinButtonCtrl::GetRange() const {
    return MAKELONG(static_cast<WORD>(m_nUpper), static_cast<WORD>(m_nLower));
}

void CSpinButtonCtrl::GetRange(int& lower, int& upper) const {
    lower = m_nLower;
    upper = m_nUpper;
}

int CSpinButtonCtrl::SetPos(int nPos) {
    return SetPos32(static_cast<short>(static_cast<WORD>(nPos)));
}

int CSpinButtonCtrl::SetPos32(int nPos) {
    const int previous = m_nPos;
    m_nPos = std::clamp(nPos, std::min(m_nLower, m_nUpper), std::max(m_nLower, m_nUpper));
    ShowInBuddy();
    return previous;
}

int CSpinButtonCtrl::GetPos() const {
    BOOL error = FALSE;
    const int pos = GetPos32(&error);
    return static_cast<int>(MAKELONG(static_cast<WORD>(pos), error ? 1 : 0));
}

int CSpinButtonCtrl::GetPos32(BOOL* lpbError) const {
    bool error = false;
    if ((m_dwStyle & UDS_SETBUDDYINT) && GetBuddy()) {
        int value = 0;
        if (ReadBuddy(value))
            const_cast<CSpinButtonCtrl*>(this)->m_nPos = value;
        else
            error = true;
    }
    if (lpbError)
        *lpbError = error ? TRUE : FALSE;
    return m_nPos;
}

bool CSpinButtonCtrl::ReadBuddy(int& value) const {
    std::string text;
    GetBuddy()->GetWindowText(text);
    QString number = QString::fromStdString(text).trimmed();
    number.remove(QLatin1Char(','));   // the thousands separator the control writes
    if (m_nBase == 16 && number.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        number = number.mid(2);
    bool ok = false;
    const int read = number.toInt(&ok, m_nBase);
    if (!ok || read < std::min(m_nLower, m_nUpper) || read > std::max(m_nLower, m_nUpper))
        return false;
    value = read;
    return true;
}

void CSpinButtonCtrl::ShowInBuddy() {
    CWnd* buddy = GetBuddy();
    if (!buddy || !(m_dwStyle & UDS_SETBUDDYINT))
        return;
    QString text;
    if (m_nBase == 16) {
        text = QStringLiteral("0x%1").arg(static_cast<unsigned>(m_nPos), 4, 16, QLatin1Char('0')).toUpper();
        text[1] = QLatin1Char('x');
    } else {
        text = QString::number(m_nPos);
        if (!(m_dwStyle & UDS_NOTHOUSANDS))
            for (auto at = text.size() - 3; at > (m_nPos < 0 ? 1 : 0); at -= 3)
                text.insert(at, QLatin1Char(','));
    }
    buddy->SetWindowText(text.toUtf8().constData());
}

BOOL CSpinButtonCtrl::SetAccel(int nAccel, const UDACCEL* pAccel) {
    if (nAccel <= 0 || !pAccel)
        return FALSE;
    m_accel.assign(pAccel, pAccel + nAccel);
    return TRUE;
}

UINT CSpinButtonCtrl::GetAccel(int nAccel, UDACCEL* pAccel) const {
    if (pAccel)
        std::copy_n(m_accel.begin(), std::min<std::size_t>(static_cast<std::size_t>(std::max(nAccel, 0)), m_accel.size()),
                    pAccel);
    return static_cast<UINT>(m_accel.size());
}

int CSpinButtonCtrl::SetBase(int nBase) {
    if (nBase != 10 && nBase != 16)
        return 0;
    const int previous = m_nBase;
    m_nBase = nBase;
    ShowInBuddy();
    return previous;
}

// ---- stepping -------------------------------------------------------------------------

void CSpinButtonCtrl::BeginHold(int direction, bool byTimer) {
    m_nHoldDirection = direction;
    m_holdStart = GetClockMs();
    m_bHoldRepeating = false;
    const HWND self = m_hWnd;
    Step(direction, IncrementForHeld());
    if (byTimer && FromHandle(self) == this && m_nHoldDirection == direction)
        SetTimer(kRepeatTimer, kRepeatDelay);
}

void CSpinButtonCtrl::RepeatHold() {
    if (m_nHoldDirection != 0)
        Step(m_nHoldDirection, IncrementForHeld());
}

void CSpinButtonCtrl::EndHold() {
    if (m_nHoldDirection == 0)
        return;
    m_nHoldDirection = 0;
    KillTimer(kRepeatTimer);
    platform_detail::NotifyParentScroll(*this, (m_dwStyle & UDS_HORZ) ? WM_HSCROLL : WM_VSCROLL, SB_ENDSCROLL, m_nPos);
}

int CSpinButtonCtrl::IncrementForHeld() const {
    const std::uint64_t held = GetClockMs() - m_holdStart;
    int increment = 1;
    for (const UDACCEL& step : m_accel)
        if (static_cast<std::uint64_t>(step.nSec) * 1000 <= held)
            increment = static_cast<int>(step.nInc);
    return increment;
}

void CSpinButtonCtrl::Step(int direction, int increment) {
    GetPos32();   // with UDS_SETBUDDYINT the buddy's number counts
    const int pos = m_nPos;
    // Up moves toward the upper end, wherever it lies.
    const int delta = direction * increment * (m_nUpper >= m_nLower ? 1 : -1);
    NMUPDOWN change;
    change.iPos = pos;
    change.iDelta = delta;
    const HWND self = m_hWnd;
    if (platform_detail::NotifyParent(*this, change.hdr, UDN_DELTAPOS) != 0)
        return;   // suppressed by the parent or the control's own handler
    if (FromHandle(self) != this)
        return;
    const int low = std::min(m_nLower, m_nUpper);
    const int high = std::max(m_nLower, m_nUpper);
    int next = pos + change.iDelta;
    if (next > high)
        next = (m_dwStyle & UDS_WRAP) ? low : high;
    else if (next < low)
        next = (m_dwStyle & UDS_WRAP) ? high : low;
    if (next == m_nPos)
        return;
    m_nPos = next;
    ShowInBuddy();
    platform_detail::NotifyParentScroll(*this, (m_dwStyle & UDS_HORZ) ? WM_HSCROLL : WM_VSCROLL, SB_THUMBPOSITION,
                                        m_nPos);
}

LRESULT CSpinButtonCtrl::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == kRepeatTimer) {
        if (m_nHoldDirection == 0) {
            KillTimer(kRepeatTimer);
            return 0;
        }
        if (!m_bHoldRepeating) {
            m_bHoldRepeating = true;
            SetTimer(kRepeatTimer, kRepeatInterval);
        }
        RepeatHold();
        return 0;
    }
    if (message == WM_CAPTURECHANGED || message == WM_CANCELMODE)
        EndHold();
    return CWnd::DefWindowProc(message, wParam, lParam);
}
