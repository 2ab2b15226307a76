#include "platform/ui/controlbar.h"

#include "platform/ui/controlbar_private.h"
#include "platform/ui/statusprompt.h"
#include "platform/ui/winthread.h"

#include <QDockWidget>
#include <QLayout>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

IMPLEMENT_DYNAMIC(CControlBar, CWnd)

namespace platform_detail {

namespace {

constexpr BarEdge kEdges[] = {
    {AFX_IDW_DOCKBAR_TOP, CBRS_ALIGN_TOP, Qt::TopToolBarArea, 'T'},
    {AFX_IDW_DOCKBAR_BOTTOM, CBRS_ALIGN_BOTTOM, Qt::BottomToolBarArea, 'B'},
    {AFX_IDW_DOCKBAR_LEFT, CBRS_ALIGN_LEFT, Qt::LeftToolBarArea, 'L'},
    {AFX_IDW_DOCKBAR_RIGHT, CBRS_ALIGN_RIGHT, Qt::RightToolBarArea, 'R'},
};

constexpr const char* kDockSiteName = "staffwright-dock-site";

}  // namespace

namespace {

template <typename Matches>
const BarEdge* FindEdge(Matches matches) {
    for (const BarEdge& edge : kEdges)
        if (matches(edge))
            return &edge;
    return nullptr;
}

}  // namespace

const BarEdge* EdgeById(UINT nDockBarID) {
    return FindEdge([nDockBarID](const BarEdge& edge) { return edge.id == nDockBarID; });
}

const BarEdge* EdgeByAlign(DWORD dwAlign) {
    return FindEdge([dwAlign](const BarEdge& edge) { return (dwAlign & edge.align) != 0; });
}

const BarEdge* EdgeByArea(Qt::ToolBarArea area) {
    return FindEdge([area](const BarEdge& edge) { return edge.area == area; });
}

const BarEdge* EdgeByName(char name) {
    return FindEdge([name](const BarEdge& edge) { return edge.name == name; });
}

QMainWindow* MainWindowOf(const CWnd* frame) {
    QWidget* widget = frame ? frame->GetWidget() : nullptr;
    // A child frame's bars dock in the frame inside its caption.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(widget))
        return qobject_cast<QMainWindow*>(sub->widget());
    return qobject_cast<QMainWindow*>(widget);
}

DockSite::DockSite(QMainWindow* frame) : QObject(frame) {
    setObjectName(QString::fromLatin1(kDockSiteName));
}

DockSite* DockSite::Find(QMainWindow* frame) {
    if (!frame)
        return nullptr;
    for (QObject* child : frame->children())
        if (child->objectName() == QLatin1String(kDockSiteName))
            return static_cast<DockSite*>(child);
    return nullptr;
}

DockSite& DockSite::Of(QMainWindow* frame) {
    if (DockSite* site = Find(frame))
        return *site;
    return *new DockSite(frame);   // owned by the main window
}

std::vector<CControlBar*> DockSite::Bars() {
    std::erase_if(bars, [](HWND hWnd) { return CWnd::FromHandle(hWnd) == nullptr; });
    std::vector<CControlBar*> live;
    for (HWND hWnd : bars)
        live.push_back(static_cast<CControlBar*>(CWnd::FromHandle(hWnd)));
    return live;
}

}  // namespace platform_detail

using namespace platform_detail;

// The docking operations, with the bar's hosts at hand.
struct BarDocking {
    // The edge the bar is docked on; null when floating or in no tool-bar area.
    static const BarEdge* DockedEdge(QMainWindow* frame, const CControlBar& bar) {
        if (!bar.m_pDockHost || !bar.GetWidget() || bar.GetWidget()->parentWidget() != bar.m_pDockHolder)
            return nullptr;
        return EdgeByArea(frame->toolBarArea(bar.m_pDockHost));
    }

    // The edges the user may drag the bar to: those the frame and the bar enable.
    static DWORD MovableEdges(QMainWindow* frame, const CControlBar& bar) {
        return DockSite::Of(frame).dockStyle & bar.m_dwDockStyle & CBRS_ALIGN_ANY;
    }

    static void UpdateMovable(QMainWindow* frame, CControlBar& bar) {
        const DWORD edges = MovableEdges(frame, bar);
        if (bar.m_pFloatHost)
            SetFloatingCaption(bar.m_pFloatHost, bar, edges != 0);
        if (!bar.m_pDockHost)
            return;
        Qt::ToolBarAreas areas;
        for (const BarEdge* edge : {EdgeById(AFX_IDW_DOCKBAR_TOP), EdgeById(AFX_IDW_DOCKBAR_BOTTOM),
                                    EdgeById(AFX_IDW_DOCKBAR_LEFT), EdgeById(AFX_IDW_DOCKBAR_RIGHT)})
            if (edges & edge->align)
                areas |= edge->area;
        bar.m_pDockHost->setMovable(edges != 0);
        bar.m_pDockHost->setAllowedAreas(edges ? areas : Qt::AllToolBarAreas);
    }

    // Takes the bar's widget out of where it is (hiding an emptied host) and
    // answers whether the bar was shown there.
    static bool Lift(QMainWindow* frame, CControlBar& bar) {
        const bool shown = bar.IsVisible();
        if (bar.m_pDockHost && frame->toolBarArea(bar.m_pDockHost) != Qt::NoToolBarArea)
            frame->removeToolBar(bar.m_pDockHost);   // hides it
        if (bar.m_pFloatHost)
            bar.m_pFloatHost->hide();
        return shown;
    }

    static void Dock(QMainWindow* frame, CControlBar& bar, const BarEdge& edge, const RECT* lpRect) {
        QWidget* widget = bar.GetWidget();
        if (!widget)
            return;
        const bool shown = Lift(frame, bar);
        if (!bar.m_pDockHost) {
            auto* toolBar = new QToolBar(frame);   // owned by the main window
            toolBar->setObjectName(QStringLiteral("Bar%1").arg(bar.GetDlgCtrlID()));
            toolBar->setFloatable(false);
            TrackDockedDrags(toolBar, bar);   // the toolkit's own moving of tool bars stays off
            auto* holder = new QWidget;
            auto* layout = new QVBoxLayout(holder);
            layout->setContentsMargins(0, 0, 0, 0);
            toolBar->addWidget(holder);   // the tool bar owns it
            bar.m_pDockHost = toolBar;
            bar.m_pDockHolder = holder;
        }
        bar.m_pDockHost->setWindowTitle(widget->windowTitle());
        if (widget->parentWidget() != bar.m_pDockHolder)
            bar.m_pDockHolder->layout()->addWidget(widget);
        widget->show();

        // The place along the edge: after the bars there, or before the first
        // beyond the rectangle's origin.
        DockSite& site = DockSite::Of(frame);
        std::erase(site.docked, bar.GetSafeHwnd());
        auto at = site.docked.end();
        if (lpRect) {
            const bool horizontal = edge.align & CBRS_ORIENT_HORZ;
            for (auto it = site.docked.begin(); it != site.docked.end(); ++it) {
                auto* other = static_cast<CControlBar*>(CWnd::FromHandle(*it));
                if (!other || DockedEdge(frame, *other) != &edge)
                    continue;
                CRect rect;
                other->GetWindowRect(&rect);
                if ((horizontal ? rect.left : rect.top) > (horizontal ? lpRect->left : lpRect->top)) {
                    at = it;
                    break;
                }
            }
        } else {
            // After the last bar of this edge.
            for (auto it = site.docked.begin(); it != site.docked.end(); ++it) {
                auto* other = static_cast<CControlBar*>(CWnd::FromHandle(*it));
                if (other && DockedEdge(frame, *other) == &edge)
                    at = std::next(it);
            }
        }
        QToolBar* before = nullptr;
        for (auto it = at; it != site.docked.end() && !before; ++it) {
            auto* other = static_cast<CControlBar*>(CWnd::FromHandle(*it));
            if (other && DockedEdge(frame, *other) == &edge)
                before = other->m_pDockHost;
        }
        site.docked.insert(at, bar.GetSafeHwnd());
        if (before)
            frame->insertToolBar(before, bar.m_pDockHost);
        else
            frame->addToolBar(edge.area, bar.m_pDockHost);
        bar.m_dwStyle = (bar.m_dwStyle & ~(CBRS_ALIGN_ANY | CBRS_FLOATING)) | edge.align;
        bar.m_nLastSide = edge.id;
        UpdateMovable(frame, bar);
        ApplySize(bar, edge.align & CBRS_ORIENT_HORZ ? LM_HORZ | LM_HORZDOCK : LM_VERTDOCK);
        // Before the tool bar shows: showing it lays the frame out, which
        // widens it to the line's length.
        if (shown)
            WrapLine(frame, bar, edge);
        bar.m_pDockHost->setVisible(shown);
    }

    // The length the docked bar asks of its line, its tool bar's handle and
    // margins included: the size it answers now, not the one it was given
    // (a bar sized to the view asks for more as the view grows).
    static int DockedLength(CControlBar& bar, bool horizontal) {
        const QSize hint = bar.m_pDockHost->sizeHint();
        const QSize given = bar.GetWidget()->size();
        const CSize asked = bar.CalcDynamicLayout(-1, horizontal ? LM_HORZ | LM_HORZDOCK : LM_VERTDOCK);
        constexpr int kStretched = 32767;
        if (horizontal)
            return hint.width() - given.width() + (asked.cx > 0 && asked.cx < kStretched ? asked.cx : given.width());
        return hint.height() - given.height() + (asked.cy > 0 && asked.cy < kStretched ? asked.cy : given.height());
    }

    // A bar shown that makes its line longer than the frame starts a line of
    // its own, so the frame keeps its size (a bar sized to the view, as the
    // mixer is, would otherwise widen it without end). Only while the frame
    // shows: one being made has no size yet. The edge's bars stand in the
    // tool-bar area in the site's order, a line starting at each break.
    static void WrapLine(QMainWindow* frame, CControlBar& bar, const BarEdge& edge) {
        QToolBar* host = bar.m_pDockHost;
        if (!frame->isVisible() || !host || frame->toolBarBreak(host))
            return;
        const bool horizontal = edge.align & CBRS_ORIENT_HORZ;
        const int spacing = frame->layout() ? frame->layout()->spacing() : 0;
        int needed = 0;
        bool first = true;   // the first bar shown on its line
        bool onLine = false;
        for (HWND hWnd : DockSite::Of(frame).docked) {
            auto* other = static_cast<CControlBar*>(CWnd::FromHandle(hWnd));
            if (!other || DockedEdge(frame, *other) != &edge)
                continue;
            QToolBar* otherHost = other->m_pDockHost;
            if (frame->toolBarBreak(otherHost)) {
                if (onLine)
                    break;   // the bar's line ended
                needed = 0;
                first = true;
            }
            onLine = onLine || other == &bar;
            if (other != &bar && otherHost->isHidden())
                continue;
            needed += DockedLength(*other, horizontal) + spacing;
            if (!onLine)
                first = false;
        }
        if (!first && needed > (horizontal ? frame->width() : frame->height()))
            frame->insertToolBarBreak(host);
    }

    static void Float(QMainWindow* frame, CControlBar& bar, CPoint point, DWORD dwStyle) {
        QWidget* widget = bar.GetWidget();
        if (!widget)
            return;
        const bool shown = Lift(frame, bar);
        std::erase(DockSite::Of(frame).docked, bar.GetSafeHwnd());
        if (!bar.m_pFloatHost) {
            auto* dock = new QDockWidget(frame);   // owned by the main window
            dock->setObjectName(QStringLiteral("FloatingBar%1").arg(bar.GetDlgCtrlID()));
            // A bar docks on the frame's edges (by commands or by a drag of its
            // caption), never in Qt's dock areas.
            dock->setAllowedAreas(Qt::NoDockWidgetArea);
            frame->addDockWidget(Qt::TopDockWidgetArea, dock);
            QObject::connect(dock, &QDockWidget::topLevelChanged, dock, [dock](bool floating) {
                if (!floating)
                    QMetaObject::invokeMethod(dock, [dock] { dock->setFloating(true); }, Qt::QueuedConnection);
            });
            bar.m_pFloatHost = dock;
        }
        QDockWidget* dock = bar.m_pFloatHost;
        dock->setWindowTitle(widget->windowTitle());
        if (dock->widget() != widget)
            dock->setWidget(widget);
        widget->show();
        dock->setFloating(true);
        SetFloatingCaption(dock, bar, MovableEdges(frame, bar) != 0);
        bar.m_dwStyle = (bar.m_dwStyle & ~CBRS_ALIGN_ANY) | CBRS_FLOATING |
                        ((dwStyle & CBRS_ORIENT_VERT) && !(dwStyle & CBRS_ORIENT_HORZ) ? CBRS_ALIGN_LEFT : CBRS_ALIGN_TOP);
        ApplySize(bar, bar.m_dwStyle & CBRS_ALIGN_TOP ? LM_HORZ : 0);
        dock->adjustSize();
        dock->move(point.x, point.y);
        dock->setVisible(shown);
    }

    static void ApplySize(CControlBar& bar, DWORD dwMode) {
        const CSize size = bar.CalcDynamicLayout(-1, dwMode);
        constexpr int kStretched = 32767;
        if (size.cx > 0 && size.cy > 0 && size.cx < kStretched && size.cy < kStretched)
            bar.GetWidget()->setFixedSize(size.cx, size.cy);
    }

    static QWidget* Host(const CControlBar& bar) {
        QWidget* widget = bar.GetWidget();
        if (!widget)
            return nullptr;
        if (bar.m_pFloatHost && widget->parentWidget() == bar.m_pFloatHost)
            return bar.m_pFloatHost;
        if (bar.m_pDockHost && widget->parentWidget() == bar.m_pDockHolder)
            return bar.m_pDockHost;
        return nullptr;
    }
};

// ---- CControlBar ------------------------------------------------------------------------

CControlBar::CControlBar() = default;

CControlBar::~CControlBar() {
    // Here, while the hosts are still this class's to remove.
    CControlBar::DestroyWindow();
}

void CControlBar::SetBarStyle(DWORD dwStyle) {
    m_dwStyle = dwStyle & CBRS_ALL;
}

void CControlBar::EnableDocking(DWORD dwDockStyle) {
    m_dwDockStyle = dwDockStyle & (CBRS_ALIGN_ANY | CBRS_FLOAT_MULTI);
    if (QMainWindow* frame = MainWindowOf(GetDockingFrame()))
        BarDocking::UpdateMovable(frame, *this);
}

BOOL CControlBar::IsFloating() const {
    return m_pFloatHost && GetWidget() && GetWidget()->parentWidget() == m_pFloatHost;
}

BOOL CControlBar::IsVisible() const {
    const QWidget* widget = GetWidget();
    if (!widget || widget->isHidden())
        return FALSE;
    const QWidget* host = BarDocking::Host(*this);
    return !host || !host->isHidden();
}

CWnd* CControlBar::GetDockingFrame() const {
    return FromHandle(m_hWndDockSite);
}

BOOL CControlBar::GetFloatingWindowRect(RECT* lpRect) const {
    if (!IsFloating() || !lpRect)
        return FALSE;
    const QRect frame = m_pFloatHost->frameGeometry();
    *lpRect = CRect(frame.left(), frame.top(), frame.right() + 1, frame.bottom() + 1);
    return TRUE;
}

CSize CControlBar::CalcFixedLayout(BOOL bStretch, BOOL bHorz) {
    constexpr int kStretched = 32767;
    if (!bStretch)
        return CSize(0, 0);
    return bHorz ? CSize(kStretched, 0) : CSize(0, kStretched);
}

CSize CControlBar::CalcDynamicLayout(int, DWORD dwMode) {
    return CalcFixedLayout((dwMode & LM_STRETCH) != 0, (dwMode & LM_HORZ) != 0);
}

LRESULT CControlBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM: {
        // A control's news is the bar's owner's (the frame's), unless the bar takes it.
        LRESULT result = 0;
        if (OnWndMsg(message, wParam, lParam, &result))
            return result;
        CWnd* owner = GetOwner();
        return owner ? owner->SendMessage(message, wParam, lParam) : 0;
    }
    case WM_SETTEXT: {
        // The text is the bar's title where a host shows one.
        const LRESULT result = CWnd::WindowProc(message, wParam, lParam);
        const QString title = QString::fromUtf8(lParam ? reinterpret_cast<const char*>(lParam) : "");
        if (m_pDockHost)
            m_pDockHost->setWindowTitle(title);
        if (m_pFloatHost)
            m_pFloatHost->setWindowTitle(title);
        return result;
    }
    default:
        return CWnd::WindowProc(message, wParam, lParam);
    }
}

BOOL CControlBar::DestroyWindow() {
    QPointer<QToolBar> dockHost = m_pDockHost;
    QPointer<QDockWidget> floatHost = m_pFloatHost;
    const BOOL destroyed = CWnd::DestroyWindow();
    // Later, as the widget goes: it may be the one whose event is being handled.
    if (dockHost)
        dockHost->deleteLater();
    if (floatHost)
        floatHost->deleteLater();
    return destroyed;
}

BOOL CControlBar::CreateBar(CWnd* pParentWnd, DWORD dwStyle, UINT nID, const RECT& rect) {
    m_dwStyle = dwStyle & CBRS_ALL;
    if (!CWnd::Create(nullptr, nullptr, (dwStyle & ~CBRS_ALL) | WS_CHILD, rect, pParentWnd, nID))
        return FALSE;
    AddIdleUpdateWindow(this);
    platform_detail::WatchBarPrompts(*this);   // fly-by prompts and tips (statusprompt.h)
    if (QMainWindow* frame = MainWindowOf(pParentWnd)) {
        m_hWndDockSite = pParentWnd->GetSafeHwnd();
        DockSite::Of(frame).bars.push_back(m_hWnd);
        PlaceInFrame(frame);
    }
    return TRUE;
}

void CControlBar::PlaceInFrame(QMainWindow* frame) {
    if (const BarEdge* edge = EdgeByAlign(m_dwStyle & CBRS_ALIGN_ANY))
        BarDocking::Dock(frame, *this, *edge, nullptr);
}

// ---- the frame's operations ---------------------------------------------------------------

void EnableDocking(CWnd* frame, DWORD dwDockStyle) {
    QMainWindow* mainWindow = MainWindowOf(frame);
    if (!mainWindow)
        return;
    DockSite& site = DockSite::Of(mainWindow);
    site.dockStyle = dwDockStyle & (CBRS_ALIGN_ANY | CBRS_FLOAT_MULTI);
    for (CControlBar* bar : site.Bars())
        BarDocking::UpdateMovable(mainWindow, *bar);
}

void DockControlBar(CWnd* frame, CControlBar* pBar, UINT nDockBarID, const RECT* lpRect) {
    QMainWindow* mainWindow = MainWindowOf(frame);
    if (!mainWindow || !pBar || !pBar->GetSafeHwnd())
        return;
    const DWORD edges = BarDocking::MovableEdges(mainWindow, *pBar);
    const BarEdge* edge = nDockBarID ? EdgeById(nDockBarID) : EdgeByAlign(edges);
    if (!edge || !(edges & edge->align))
        return;   // a floating-only bar, or an edge not enabled
    BarDocking::Dock(mainWindow, *pBar, *edge, lpRect);
}

void FloatControlBar(CWnd* frame, CControlBar* pBar, CPoint point, DWORD dwStyle) {
    QMainWindow* mainWindow = MainWindowOf(frame);
    if (mainWindow && pBar && pBar->GetSafeHwnd())
        BarDocking::Float(mainWindow, *pBar, point, dwStyle);
}

void ShowControlBar(CWnd* frame, CControlBar* pBar, BOOL bShow, BOOL) {
    if (!MainWindowOf(frame) || !pBar || !pBar->GetWidget())
        return;
    pBar->GetWidget()->setVisible(bShow != FALSE);
    if (QWidget* host = BarDocking::Host(*pBar))
        host->setVisible(bShow != FALSE);
}

void RecalcLayout(CWnd* frame) {
    QMainWindow* mainWindow = MainWindowOf(frame);
    if (!mainWindow)
        return;
    for (CControlBar* bar : DockSite::Of(mainWindow).Bars()) {
        if (bar->IsFloating())
            BarDocking::ApplySize(*bar, bar->m_dwStyle & CBRS_ALIGN_TOP ? LM_HORZ : 0);
        else if (const BarEdge* edge = BarDocking::DockedEdge(mainWindow, *bar))
            BarDocking::ApplySize(*bar, edge->align & CBRS_ORIENT_HORZ ? LM_HORZ | LM_HORZDOCK : LM_VERTDOCK);
    }
    // Lines the new sizes made too long wrap (a layout put back before the frame showed).
    for (CControlBar* bar : DockSite::Of(mainWindow).Bars())
        if (const BarEdge* edge = BarDocking::DockedEdge(mainWindow, *bar); edge && bar->IsVisible())
            BarDocking::WrapLine(mainWindow, *bar, *edge);
}

CControlBar* GetControlBar(CWnd* frame, UINT nID) {
    QMainWindow* mainWindow = MainWindowOf(frame);
    if (!mainWindow)
        return nullptr;
    for (CControlBar* bar : DockSite::Of(mainWindow).Bars())
        if (static_cast<UINT>(bar->GetDlgCtrlID()) == nID)
            return bar;
    return nullptr;
}

namespace platform_detail {

const BarEdge* DockedEdgeOf(QMainWindow* frame, const CControlBar& bar) {
    return BarDocking::DockedEdge(frame, bar);
}

void RedockBar(QMainWindow* frame, CControlBar& bar, const BarEdge& edge) {
    BarDocking::Dock(frame, bar, edge, nullptr);
}

QWidget* BarHost(const CControlBar& bar) {
    return BarDocking::Host(bar);
}

DWORD MovableEdgesOf(QMainWindow* frame, const CControlBar& bar) {
    return BarDocking::MovableEdges(frame, bar);
}

}  // namespace platform_detail
