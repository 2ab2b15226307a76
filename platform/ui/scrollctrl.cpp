#include "platform/ui/scrollctrl.h"

#include "platform/ui/control_support.h"
#include "platform/ui/keys.h"

#include <QProgressBar>
#include <QScrollBar>
#include <QSlider>

#include <algorithm>

IMPLEMENT_DYNAMIC(CSliderCtrl, CWnd)
IMPLEMENT_DYNAMIC(CScrollBar, CWnd)
IMPLEMENT_DYNAMIC(CProgressCtrl, CWnd)

namespace {

QSlider* SliderOf(const CWnd& wnd) {
    return qobject_cast<QSlider*>(wnd.GetWidget());
}

QScrollBar* BarOf(const CWnd& wnd) {
    return qobject_cast<QScrollBar*>(wnd.GetWidget());
}

// The code of a move of the toolkit's slider; the scroll bars' codes are the
// same numbers as the sliders'.
UINT CodeOfAction(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: return TB_LINEUP;
    case QAbstractSlider::SliderSingleStepAdd: return TB_LINEDOWN;
    case QAbstractSlider::SliderPageStepSub: return TB_PAGEUP;
    case QAbstractSlider::SliderPageStepAdd: return TB_PAGEDOWN;
    case QAbstractSlider::SliderToMinimum: return TB_TOP;
    case QAbstractSlider::SliderToMaximum: return TB_BOTTOM;
    default: return TB_THUMBTRACK;
    }
}

bool IsButtonOrKeyUp(UINT message) {
    return message == WM_LBUTTONUP || message == WM_KEYUP;
}

}  // namespace

// ---- the slider -----------------------------------------------------------------------

class CSliderSync {
public:
    // The toolkit has moved its position already: the value follows, then the
    // parent is told.
    static void Acted(CSliderCtrl& slider, QSlider& widget, int action) {
        if (action == QAbstractSlider::SliderNoAction)
            return;
        widget.setValue(widget.sliderPosition());
        slider.m_bMoved = true;
        slider.Notify(CodeOfAction(action));
    }
    // The end of a drag: the position, then the end of the track.
    static void Released(CSliderCtrl& slider) {
        if (!slider.m_bMoved)
            return;
        slider.m_bMoved = false;
        const HWND self = slider.GetSafeHwnd();
        slider.Notify(TB_THUMBPOSITION);
        if (CWnd::FromHandle(self) == &slider)
            slider.Notify(TB_ENDTRACK);
    }
};

BOOL CSliderCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create("msctls_trackbar32", nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

QWidget* CSliderCtrl::CreateWidget(QWidget* parent, DWORD dwStyle) {
    m_dwStyle = dwStyle;
    const bool vertical = (dwStyle & TBS_VERT) != 0;
    auto* slider = new QSlider(vertical ? Qt::Vertical : Qt::Horizontal, parent);
    // The minimum at the top, as the codes name the ends (TB_TOP is the minimum).
    slider->setInvertedAppearance(vertical);
    slider->setInvertedControls(vertical);
    slider->setRange(0, 100);
    slider->setSingleStep(1);
    slider->setPageStep(20);
    slider->setTracking(true);
    if ((dwStyle & TBS_AUTOTICKS) && !(dwStyle & TBS_NOTICKS)) {
        const bool both = (dwStyle & TBS_BOTH) != 0;
        const bool before = (dwStyle & TBS_TOP) != 0;
        slider->setTickPosition(both ? QSlider::TicksBothSides : before ? QSlider::TicksAbove : QSlider::TicksBelow);
        slider->setTickInterval(1);
    }
    QObject::connect(slider, &QAbstractSlider::actionTriggered, slider, [slider](int action) {
        if (auto* self = dynamic_cast<CSliderCtrl*>(CWnd::FromWidget(slider)))
            CSliderSync::Acted(*self, *slider, action);
    });
    QObject::connect(slider, &QAbstractSlider::sliderReleased, slider, [slider] {
        if (auto* self = dynamic_cast<CSliderCtrl*>(CWnd::FromWidget(slider)))
            CSliderSync::Released(*self);
    });
    return slider;
}

void CSliderCtrl::Notify(UINT code) {
    platform_detail::NotifyParentScroll(*this, (m_dwStyle & TBS_VERT) ? WM_VSCROLL : WM_HSCROLL, code, GetPos());
}

void CSliderCtrl::SetRange(int nMin, int nMax, BOOL) {
    if (QSlider* slider = SliderOf(*this)) {
        const QSignalBlocker quiet(slider);
        slider->setRange(nMin, std::max(nMin, nMax));
    }
}

void CSliderCtrl::SetRangeMin(int nMin, BOOL bRedraw) {
    SetRange(nMin, std::max(nMin, GetRangeMax()), bRedraw);
}

void CSliderCtrl::SetRangeMax(int nMax, BOOL bRedraw) {
    SetRange(std::min(GetRangeMin(), nMax), nMax, bRedraw);
}

void CSliderCtrl::GetRange(int& nMin, int& nMax) const {
    nMin = GetRangeMin();
    nMax = GetRangeMax();
}

int CSliderCtrl::GetRangeMin() const {
    QSlider* slider = SliderOf(*this);
    return slider ? slider->minimum() : 0;
}

int CSliderCtrl::GetRangeMax() const {
    QSlider* slider = SliderOf(*this);
    return slider ? slider->maximum() : 0;
}

void CSliderCtrl::SetPos(int nPos) {
    if (QSlider* slider = SliderOf(*this)) {
        const QSignalBlocker quiet(slider);
        slider->setValue(nPos);
    }
}

int CSliderCtrl::GetPos() const {
    QSlider* slider = SliderOf(*this);
    return slider ? slider->value() : 0;
}

int CSliderCtrl::SetPageSize(int nSize) {
    QSlider* slider = SliderOf(*this);
    if (!slider)
        return 0;
    const int previous = slider->pageStep();
    slider->setPageStep(nSize);
    return previous;
}

int CSliderCtrl::GetPageSize() const {
    QSlider* slider = SliderOf(*this);
    return slider ? slider->pageStep() : 0;
}

int CSliderCtrl::SetLineSize(int nSize) {
    QSlider* slider = SliderOf(*this);
    if (!slider)
        return 0;
    const int previous = slider->singleStep();
    slider->setSingleStep(nSize);
    return previous;
}

int CSliderCtrl::GetLineSize() const {
    QSlider* slider = SliderOf(*this);
    return slider ? slider->singleStep() : 0;
}

void CSliderCtrl::SetTicFreq(int nFreq) {
    m_nTicFreq = std::max(nFreq, 1);
    if (QSlider* slider = SliderOf(*this))
        slider->setTickInterval(m_nTicFreq);
}

UINT CSliderCtrl::GetNumTics() const {
    if (!(m_dwStyle & TBS_AUTOTICKS) || (m_dwStyle & TBS_NOTICKS))
        return 0;
    const int span = GetRangeMax() - GetRangeMin();
    // A tick at the minimum, one every m_nTicFreq after it, and one at the maximum.
    return static_cast<UINT>((span + m_nTicFreq - 1) / m_nTicFreq + 1);
}

LRESULT CSliderCtrl::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    QSlider* slider = SliderOf(*this);
    if (slider && message == WM_KEYDOWN) {
        // The keys move by the codes' own rules, whichever way the slider lies.
        const int line = slider->singleStep();
        const int page = slider->pageStep();
        UINT code = 0;
        int next = slider->value();
        switch (wParam) {
        case VK_LEFT: case VK_UP: code = TB_LINEUP; next -= line; break;
        case VK_RIGHT: case VK_DOWN: code = TB_LINEDOWN; next += line; break;
        case VK_PRIOR: code = TB_PAGEUP; next -= page; break;
        case VK_NEXT: code = TB_PAGEDOWN; next += page; break;
        case VK_HOME: code = TB_TOP; next = slider->minimum(); break;
        case VK_END: code = TB_BOTTOM; next = slider->maximum(); break;
        default: return CWnd::DefWindowProc(message, wParam, lParam);
        }
        SetPos(next);
        m_bMoved = true;
        Notify(code);
        return 0;
    }
    if (message == WM_KEYDOWN && !slider)
        return 0;
    // A drag ends when the widget lets go of the thumb (CSliderSync::Released),
    // after this returns; a click beside the thumb or a key ends here.
    const bool dragging = slider && slider->isSliderDown();
    if (IsButtonOrKeyUp(message) && m_bMoved && !dragging) {
        m_bMoved = false;
        Notify(TB_ENDTRACK);
    }
    return CWnd::DefWindowProc(message, wParam, lParam);
}

// ---- the scroll bar -------------------------------------------------------------------

class CScrollSync {
public:
    // The toolkit has moved its thumb: the thumb goes back, the parent decides.
    static void Acted(CScrollBar& bar, QScrollBar& widget, int action) {
        if (action == QAbstractSlider::SliderNoAction)
            return;
        if (action == QAbstractSlider::SliderMove)
            return;   // a drag is told by Tracked
        bar.m_bMoved = true;
        widget.setSliderPosition(bar.m_info.nPos);
        bar.Notify(CodeOfAction(action), bar.m_info.nPos);
    }
    // The thumb dragged to `position`; the value stays.
    static void Tracked(CScrollBar& bar, int position) {
        if (!bar.m_bTracking)
            return;
        bar.m_bMoved = true;
        bar.m_info.nTrackPos = position;
        bar.Notify(SB_THUMBTRACK, position);
    }
    static void Pressed(CScrollBar& bar) {
        bar.m_bTracking = true;
        bar.m_info.nTrackPos = bar.m_info.nPos;
    }
    // The end of a drag: the position, then the end of the scroll.
    static void Released(CScrollBar& bar) {
        bar.m_bTracking = false;
        bar.m_bMoved = false;
        const HWND self = bar.GetSafeHwnd();
        bar.Notify(SB_THUMBPOSITION, bar.m_info.nTrackPos);
        if (CWnd::FromHandle(self) != &bar)
            return;
        bar.Notify(SB_ENDSCROLL, 0);
        if (CWnd::FromHandle(self) == &bar)
            bar.Apply();   // where the parent put it, or back where it was
    }
};

BOOL CScrollBar::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create("SCROLLBAR", nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

QWidget* CScrollBar::CreateWidget(QWidget* parent, DWORD dwStyle) {
    m_dwStyle = dwStyle;
    auto* bar = new QScrollBar((dwStyle & SBS_VERT) ? Qt::Vertical : Qt::Horizontal, parent);
    // The value never follows the thumb by itself: SetScrollPos moves it.
    bar->setTracking(false);
    QObject::connect(bar, &QAbstractSlider::actionTriggered, bar, [bar](int action) {
        if (auto* self = dynamic_cast<CScrollBar*>(CWnd::FromWidget(bar)))
            CScrollSync::Acted(*self, *bar, action);
    });
    QObject::connect(bar, &QAbstractSlider::sliderMoved, bar, [bar](int position) {
        if (auto* self = dynamic_cast<CScrollBar*>(CWnd::FromWidget(bar)))
            CScrollSync::Tracked(*self, position);
    });
    QObject::connect(bar, &QAbstractSlider::sliderPressed, bar, [bar] {
        if (auto* self = dynamic_cast<CScrollBar*>(CWnd::FromWidget(bar)))
            CScrollSync::Pressed(*self);
    });
    QObject::connect(bar, &QAbstractSlider::sliderReleased, bar, [bar] {
        if (auto* self = dynamic_cast<CScrollBar*>(CWnd::FromWidget(bar)))
            CScrollSync::Released(*self);
    });
    // An empty range at first (nothing to scroll): disabled until one is set.
    bar->setRange(0, 0);
    bar->setEnabled(false);
    return bar;
}

void CScrollBar::Notify(UINT code, int position) {
    platform_detail::NotifyParentScroll(*this, (m_dwStyle & SBS_VERT) ? WM_VSCROLL : WM_HSCROLL, code, position);
}

int CScrollBar::GetScrollLimit() const {
    // The page is the part of the range the thumb covers.
    const int page = std::max(static_cast<int>(m_info.nPage), 1);
    return std::max(m_info.nMin, m_info.nMax - page + 1);
}

void CScrollBar::Apply() {
    QScrollBar* bar = BarOf(*this);
    if (!bar)
        return;
    const QSignalBlocker quiet(bar);
    bar->setRange(m_info.nMin, GetScrollLimit());
    bar->setPageStep(std::max(static_cast<int>(m_info.nPage), 1));
    bar->setValue(m_info.nPos);
    bar->setSliderPosition(m_info.nPos);
    // Nothing to scroll disables the bar; it stays where it is, visible.
    const bool scrollable = m_info.nMax > m_info.nMin && static_cast<int>(m_info.nPage) <= m_info.nMax - m_info.nMin;
    bar->setEnabled(scrollable && !m_bDisabled);
}

int CScrollBar::SetScrollPos(int nPos, BOOL) {
    const int previous = m_info.nPos;
    m_info.nPos = std::clamp(nPos, m_info.nMin, GetScrollLimit());
    Apply();
    return previous;
}

int CScrollBar::GetScrollPos() const {
    return m_info.nPos;
}

void CScrollBar::SetScrollRange(int nMinPos, int nMaxPos, BOOL bRedraw) {
    SCROLLINFO info;
    info.fMask = SIF_RANGE;
    info.nMin = nMinPos;
    info.nMax = nMaxPos;
    SetScrollInfo(&info, bRedraw);
}

void CScrollBar::GetScrollRange(int* lpMinPos, int* lpMaxPos) const {
    if (lpMinPos)
        *lpMinPos = m_info.nMin;
    if (lpMaxPos)
        *lpMaxPos = m_info.nMax;
}

BOOL CScrollBar::SetScrollInfo(LPSCROLLINFO lpScrollInfo, BOOL) {
    if (!lpScrollInfo)
        return FALSE;
    const SCROLLINFO& in = *lpScrollInfo;
    if (in.fMask & SIF_RANGE) {
        m_info.nMin = in.nMin;
        m_info.nMax = std::max(in.nMin, in.nMax);
    }
    if (in.fMask & SIF_PAGE) {
        const UINT span = static_cast<UINT>(m_info.nMax - m_info.nMin) + 1;
        m_info.nPage = std::min(in.nPage, span);
    }
    if (in.fMask & SIF_POS)
        m_info.nPos = in.nPos;
    m_info.nPos = std::clamp(m_info.nPos, m_info.nMin, GetScrollLimit());
    Apply();
    return TRUE;
}

BOOL CScrollBar::GetScrollInfo(LPSCROLLINFO lpScrollInfo, UINT nMask) const {
    if (!lpScrollInfo)
        return FALSE;
    SCROLLINFO& out = *lpScrollInfo;
    out.fMask = nMask;
    if (nMask & SIF_RANGE) {
        out.nMin = m_info.nMin;
        out.nMax = m_info.nMax;
    }
    if (nMask & SIF_PAGE)
        out.nPage = m_info.nPage;
    if (nMask & SIF_POS)
        out.nPos = m_info.nPos;
    if (nMask & SIF_TRACKPOS)
        out.nTrackPos = m_bTracking ? m_info.nTrackPos : m_info.nPos;
    return TRUE;
}

BOOL CScrollBar::EnableScrollBar(UINT nArrowFlags) {
    // One arrow alone cannot be disabled here: either disables the bar.
    m_bDisabled = nArrowFlags != ESB_ENABLE_BOTH;
    Apply();
    return TRUE;
}

void CScrollBar::ShowScrollBar(BOOL bShow) {
    if (QWidget* widget = GetWidget())
        widget->setVisible(bShow != FALSE);
}

LRESULT CScrollBar::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // A drag ends when the widget lets go of the thumb (CScrollSync::Released),
    // after this returns; a click on an arrow or beside the thumb ends here.
    if (message == WM_LBUTTONUP && m_bMoved && !m_bTracking) {
        m_bMoved = false;
        Notify(SB_ENDSCROLL, 0);
    }
    return CWnd::DefWindowProc(message, wParam, lParam);
}

// ---- the progress bar -----------------------------------------------------------------

BOOL CProgressCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create("msctls_progress32", nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

QWidget* CProgressCtrl::CreateWidget(QWidget* parent, DWORD dwStyle) {
    auto* bar = new QProgressBar(parent);
    bar->setOrientation((dwStyle & PBS_VERTICAL) ? Qt::Vertical : Qt::Horizontal);
    bar->setTextVisible(false);
    bar->setRange(m_nLower, m_nUpper);
    bar->setValue(m_nPos);
    return bar;
}

void CProgressCtrl::Show() {
    if (auto* bar = qobject_cast<QProgressBar*>(GetWidget())) {
        bar->setRange(std::min(m_nLower, m_nUpper), std::max(m_nLower, m_nUpper));
        bar->setValue(m_nPos);
    }
}

void CProgressCtrl::SetRange(short nLower, short nUpper) {
    SetRange32(nLower, nUpper);
}

void CProgressCtrl::SetRange32(int nLower, int nUpper) {
    m_nLower = nLower;
    m_nUpper = nUpper;
    m_nPos = std::clamp(m_nPos, std::min(m_nLower, m_nUpper), std::max(m_nLower, m_nUpper));
    Show();
}

void CProgressCtrl::GetRange(int& nLower, int& nUpper) const {
    nLower = m_nLower;
    nUpper = m_nUpper;
}

int CProgressCtrl::SetPos(int nPos) {
    const int previous = m_nPos;
    m_nPos = std::clamp(nPos, std::min(m_nLower, m_nUpper), std::max(m_nLower, m_nUpper));
    Show();
    return previous;
}

int CProgressCtrl::GetPos() const {
    return m_nPos;
}

int CProgressCtrl::OffsetPos(int nPos) {
    return SetPos(m_nPos + nPos);
}

int CProgressCtrl::SetStep(int nStep) {
    const int previous = m_nStep;
    m_nStep = nStep;
    return previous;
}

int CProgressCtrl::StepIt() {
    const int previous = m_nPos;
    const int low = std::min(m_nLower, m_nUpper);
    const int high = std::max(m_nLower, m_nUpper);
    const long long span = static_cast<long long>(high) - low;
    long long next = static_cast<long long>(m_nPos) + m_nStep;
    // Past an end it starts again from the other, by what it went over.
    if (span <= 0)
        next = low;
    else if (next > high)
        next = low + (next - high) % span;
    else if (next < low)
        next = high - (low - next) % span;
    m_nPos = static_cast<int>(next);
    Show();
    return previous;
}
