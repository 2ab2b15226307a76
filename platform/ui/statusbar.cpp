#include "platform/ui/statusbar.h"

#include "platform/core/resources.h"
#include "platform/ui/cmdui.h"
#include "platform/ui/metrics.h"
#include "platform/ui/wnd_private.h"

#include <QMainWindow>
#include <QPainter>
#include <QStatusBar>
#include <qdrawutil.h>

#include <algorithm>

IMPLEMENT_DYNAMIC(CStatusBar, CControlBar)

STRING_TABLE({AFX_IDS_IDLEMESSAGE, "Ready"});

namespace {

constexpr int kBorderX = 2;      // between the bar's edge and the first and last pane
constexpr int kBorderY = 2;      // above and below the panes
constexpr int kPaneGap = 2;      // between two panes
constexpr int kPaneBorder = 6;   // a pane's frame and the margins of its text, both sides
constexpr int kTextMargin = kPaneBorder / 2;

// Asks an indicator pane's command how the pane should look.
class CStatusCmdUI : public CCmdUI {
public:
    explicit CStatusCmdUI(CStatusBar& bar) : m_bar(bar) {}

    void Enable(BOOL bOn) override {
        m_bEnableChanged = TRUE;
        const int index = static_cast<int>(m_nIndex);
        const UINT style = m_bar.GetPaneStyle(index) & ~SBPS_DISABLED;
        m_bar.SetPaneStyle(index, bOn ? style : style | SBPS_DISABLED);
    }
    void SetCheck(int nCheck) override {
        const int index = static_cast<int>(m_nIndex);
        const UINT style = m_bar.GetPaneStyle(index) & ~SBPS_POPOUT;
        m_bar.SetPaneStyle(index, nCheck ? style | SBPS_POPOUT : style);
    }
    void SetRadio(BOOL bOn) override { SetCheck(bOn ? 1 : 0); }
    void SetText(const char* lpszText) override { m_bar.SetPaneText(static_cast<int>(m_nIndex), lpszText); }

private:
    CStatusBar& m_bar;
};

}  // namespace

// The bar's widget: the frame's status bar, drawing the panes itself (no
// widgets added to it, so the status bar's own layout places nothing).
class StatusBarWidget : public QStatusBar {
public:
    explicit StatusBarWidget(QWidget* parent) : QStatusBar(parent) {
        setSizeGripEnabled(false);
        setMinimumHeight(fontMetrics().height() + 2 * kBorderY + 2 * kTextMargin);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        if (const auto* bar = dynamic_cast<const CStatusBar*>(CWnd::FromWidget(this)))
            bar->DrawPanes(painter);
    }
};

CStatusBar::CStatusBar() = default;
CStatusBar::~CStatusBar() = default;

BOOL CStatusBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID) {
    return CreateBar(pParentWnd, dwStyle, nID, CRect());
}

QWidget* CStatusBar::CreateWidget(QWidget* parent, DWORD) {
    return new StatusBarWidget(parent);   // owned by the parent (or the window's end)
}

void CStatusBar::PlaceInFrame(QMainWindow* frame) {
    frame->setStatusBar(static_cast<QStatusBar*>(GetWidget()));
}

BOOL CStatusBar::SetIndicators(const UINT* lpIDArray, int nIDCount) {
    m_panes.assign(static_cast<std::size_t>(std::max(nIDCount, 0)), Pane{});
    const QFontMetrics metrics = GetWidget() ? GetWidget()->fontMetrics() : QFontMetrics(QFont());
    BOOL result = TRUE;
    for (int i = 0; i < GetCount(); ++i) {
        Pane& pane = m_panes[static_cast<std::size_t>(i)];
        pane.nID = lpIDArray ? lpIDArray[i] : ID_SEPARATOR;
        if (pane.nID != ID_SEPARATOR) {
            if (!LoadString(pane.nID, pane.text))
                result = FALSE;
            pane.cxText = metrics.horizontalAdvance(QString::fromStdString(pane.text));
        } else {
            // Sized for a message until told otherwise; the first is the message pane.
            pane.cxText = ::GetSystemMetrics(SM_CXSCREEN) / 4;
            if (i == 0)
                pane.nStyle |= SBPS_STRETCH | SBPS_NOBORDERS;
        }
    }
    if (GetWidget())
        GetWidget()->update();
    return result;
}

int CStatusBar::CommandToIndex(UINT nIDFind) const {
    for (int i = 0; i < GetCount(); ++i)
        if (m_panes[static_cast<std::size_t>(i)].nID == nIDFind)
            return i;
    return -1;
}

UINT CStatusBar::GetItemID(int nIndex) const {
    return IsPane(nIndex) ? m_panes[static_cast<std::size_t>(nIndex)].nID : ID_SEPARATOR;
}

std::vector<CRect> CStatusBar::LayoutPanes() const {
    CRect client;
    GetClientRect(&client);
    // What is left over goes to the stretching panes, shared out from the left.
    int extra = client.Width() - 2 * kBorderX + kPaneGap;
    int stretching = 0;
    for (const Pane& pane : m_panes) {
        extra -= pane.cxText + kPaneBorder + kPaneGap;
        if (pane.nStyle & SBPS_STRETCH)
            ++stretching;
    }
    std::vector<CRect> rects;
    int left = kBorderX;
    for (const Pane& pane : m_panes) {
        int width = pane.cxText + kPaneBorder;
        if ((pane.nStyle & SBPS_STRETCH) && extra > 0) {
            const int share = extra / stretching;
            width += share;
            extra -= share;
            --stretching;
        }
        rects.emplace_back(left, kBorderY, left + width, std::max(kBorderY, client.Height() - kBorderY));
        left += width + kPaneGap;
    }
    return rects;
}

void CStatusBar::GetItemRect(int nIndex, RECT* lpRect) const {
    if (!lpRect)
        return;
    *lpRect = IsPane(nIndex) ? LayoutPanes()[static_cast<std::size_t>(nIndex)] : CRect();
}

void CStatusBar::GetPaneText(int nIndex, std::string& text) const {
    text = GetPaneText(nIndex);
}

std::string CStatusBar::GetPaneText(int nIndex) const {
    return IsPane(nIndex) ? m_panes[static_cast<std::size_t>(nIndex)].text : std::string();
}

BOOL CStatusBar::SetPaneText(int nIndex, const char* lpszNewText, BOOL bUpdate) {
    if (!IsPane(nIndex))
        return FALSE;
    m_panes[static_cast<std::size_t>(nIndex)].text = lpszNewText ? lpszNewText : "";
    if (bUpdate && GetWidget())
        GetWidget()->update();
    return TRUE;
}

void CStatusBar::GetPaneInfo(int nIndex, UINT& nID, UINT& nStyle, int& cxWidth) const {
    if (!IsPane(nIndex)) {
        nID = ID_SEPARATOR;
        nStyle = SBPS_NORMAL;
        cxWidth = 0;
        return;
    }
    const Pane& pane = m_panes[static_cast<std::size_t>(nIndex)];
    nID = pane.nID;
    nStyle = pane.nStyle;
    cxWidth = pane.cxText;
}

void CStatusBar::SetPaneInfo(int nIndex, UINT nID, UINT nStyle, int cxWidth) {
    if (!IsPane(nIndex))
        return;
    Pane& pane = m_panes[static_cast<std::size_t>(nIndex)];
    pane.nID = nID;
    pane.nStyle = nStyle;
    pane.cxText = std::max(cxWidth, 0);
    if (GetWidget())
        GetWidget()->update();
}

UINT CStatusBar::GetPaneStyle(int nIndex) const {
    return IsPane(nIndex) ? m_panes[static_cast<std::size_t>(nIndex)].nStyle : SBPS_NORMAL;
}

void CStatusBar::SetPaneStyle(int nIndex, UINT nStyle) {
    if (!IsPane(nIndex) || m_panes[static_cast<std::size_t>(nIndex)].nStyle == nStyle)
        return;
    m_panes[static_cast<std::size_t>(nIndex)].nStyle = nStyle;
    if (GetWidget())
        GetWidget()->update();
}

CSize CStatusBar::CalcFixedLayout(BOOL bStretch, BOOL) {
    constexpr int kStretched = 32767;
    const int height = GetWidget() ? GetWidget()->minimumHeight() : 0;
    return CSize(bStretch ? kStretched : 0, height);
}

void CStatusBar::OnUpdateCmdUI(CCmdTarget* pTarget, BOOL) {
    CStatusCmdUI state(*this);
    state.m_nIndexMax = static_cast<UINT>(GetCount());
    for (int i = 0; i < GetCount(); ++i) {
        state.m_nIndex = static_cast<UINT>(i);
        state.m_nID = m_panes[static_cast<std::size_t>(i)].nID;
        if (state.m_nID != ID_SEPARATOR)
            state.DoUpdate(pTarget, FALSE);   // a pane is never disabled for want of a handler
    }
}

LRESULT CStatusBar::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETTEXT: {
        const int index = CommandToIndex(ID_SEPARATOR);
        if (index < 0)
            return FALSE;
        return SetPaneText(index, reinterpret_cast<const char*>(lParam));
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(GetPaneText(CommandToIndex(ID_SEPARATOR)).size());
    case WM_GETTEXT:
        return static_cast<LRESULT>(platform_detail::CopyText(GetPaneText(CommandToIndex(ID_SEPARATOR)),
                                                              reinterpret_cast<char*>(lParam),
                                                              static_cast<std::size_t>(wParam)));
    default:
        return CControlBar::DefWindowProc(message, wParam, lParam);
    }
}

void CStatusBar::DrawPanes(QPainter& painter) const {
    const QWidget* widget = GetWidget();
    const std::vector<CRect> rects = LayoutPanes();
    for (std::size_t i = 0; i < m_panes.size(); ++i) {
        const Pane& pane = m_panes[i];
        const QRect rect(rects[i].left, rects[i].top, rects[i].Width(), rects[i].Height());
        if (!(pane.nStyle & SBPS_NOBORDERS))
            qDrawShadePanel(&painter, rect, widget->palette(), !(pane.nStyle & SBPS_POPOUT), 1);
        if (pane.nStyle & (SBPS_DISABLED | SBPS_OWNERDRAW))
            continue;   // a disabled pane shows no text
        painter.setPen(widget->palette().color(QPalette::WindowText));
        painter.drawText(rect.adjusted(kTextMargin, 0, -kTextMargin, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::fromStdString(pane.text));
    }
}
