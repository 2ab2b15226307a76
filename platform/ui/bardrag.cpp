// The user's drags of a control bar: a docked bar by its tool bar's handle, a
// floating one by the caption of its window. Where the pointer is let go
// decides: on an edge the bar may dock on (EdgeAtPoint), the bar docks there,
// placed along the edge where it was dropped; elsewhere a docked bar floats
// with its window where the drag left it, and a floating one stays where it
// was moved to. A press that does not move the pointer the drag distance
// changes nothing, nor does a drag that Escape ended.
//
// The drop goes through the frame's docking operations (controlbar.h), so a
// dragged bar is in the same state as one docked or floated by a command, and
// its place is in the saved layout.
#include "platform/ui/controlbar_private.h"

#include <QApplication>
#include <QDockWidget>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <functional>
#include <memory>

namespace platform_detail {

namespace {

// How far a docking zone reaches beyond the strip of its edge, both ways: an
// empty edge still takes a drop near it, and so does the menu bar or the
// status bar beside it.
constexpr int kDockReach = 20;

// A press on a bar's handle, and whether it became a drag. Escape, while the
// button is down, ends the press as if it had never been (`onCancel` puts back
// what the drag showed).
class DragTrack : public QObject {
public:
    // `grab`: the point pressed, from the top-left corner of the window dragged.
    void Begin(QPoint global, QPoint grab, std::function<void()> onCancel) {
        m_start = global;
        m_grab = grab;
        m_pressed = true;
        m_dragging = false;
        m_onCancel = std::move(onCancel);
        qApp->installEventFilter(this);   // Escape goes to whichever window has the keys
    }
    // Whether the press is a drag by now.
    bool Move(QPoint global) {
        if (m_pressed && !m_dragging && (global - m_start).manhattanLength() >= QApplication::startDragDistance())
            m_dragging = true;
        return m_dragging;
    }
    // Ends the press; whether it was a drag.
    bool End() {
        const bool dragged = m_dragging;
        Reset();
        return dragged;
    }
    bool Pressed() const { return m_pressed; }
    QPoint Grab() const { return m_grab; }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (!m_pressed || event->type() != QEvent::KeyPress ||
            static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape)
            return false;
        const std::function<void()> onCancel = std::move(m_onCancel);
        Reset();
        if (onCancel)
            onCancel();
        return true;
    }

private:
    void Reset() {
        m_pressed = m_dragging = false;
        m_onCancel = nullptr;
        qApp->removeEventFilter(this);
    }

    QPoint m_start;
    QPoint m_grab;
    bool m_pressed = false;
    bool m_dragging = false;
    std::function<void()> m_onCancel;
};

CControlBar* BarOf(HWND hWnd) {
    return static_cast<CControlBar*>(CWnd::FromHandle(hWnd));
}

// Drops the bar with the pointer at `global`, the bar's window's corner
// `grab` away from it (see the file's head).
void DropBar(HWND hBar, QPoint global, QPoint grab) {
    CControlBar* bar = BarOf(hBar);
    CWnd* frame = bar ? bar->GetDockingFrame() : nullptr;
    QMainWindow* mainWindow = MainWindowOf(frame);
    if (!mainWindow || !bar->GetWidget())
        return;
    const QPoint corner = global - grab;
    const QSize size = bar->GetWidget()->size();
    const BarEdge* edge = EdgeAtPoint(mainWindow, global);
    if (edge && (MovableEdgesOf(mainWindow, *bar) & edge->align)) {
        const CRect rect(corner.x(), corner.y(), corner.x() + size.width(), corner.y() + size.height());
        DockControlBar(frame, bar, edge->id, &rect);
    } else if (!bar->IsFloating()) {
        FloatControlBar(frame, bar, CPoint(corner.x(), corner.y()), CBRS_ALIGN_TOP);
    }
}

// Drags a docked bar by the part of its tool bar outside the bar (the handle
// the tool bar draws while movable), showing a rectangle where the bar goes.
// The toolkit's own moving of tool bars never sees these presses.
class DockedDragFilter : public QObject {
public:
    DockedDragFilter(QToolBar* host, HWND hBar) : QObject(host), m_host(host), m_hBar(hBar) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_host)
            return false;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton || !OnHandle(mouse->position().toPoint()))
                return false;
            if (event->type() == QEvent::MouseButtonPress)
                m_track.Begin(mouse->globalPosition().toPoint(), mouse->position().toPoint(), [this] {
                    if (m_band)
                        m_band->hide();
                });
            return true;
        }
        case QEvent::MouseMove: {
            if (!m_track.Pressed())
                return false;
            const QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
            if (m_track.Move(global))
                ShowFeedback(global);
            return true;
        }
        case QEvent::MouseButtonRelease: {
            if (!m_track.Pressed() || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
                return false;
            if (m_band)
                m_band->hide();
            const QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
            if (m_track.End())
                DropBar(m_hBar, global, m_track.Grab());
            return true;
        }
        default:
            return false;
        }
    }

private:
    // The handle: the tool bar's own part, outside the widget holding the bar.
    bool OnHandle(QPoint point) const {
        if (!m_host->isMovable())
            return false;
        const QWidget* holder = m_host->widgetForAction(m_host->actions().value(0));
        return !holder || !holder->geometry().contains(point);
    }

    void ShowFeedback(QPoint global) {
        if (!m_band)
            m_band = std::make_unique<QRubberBand>(QRubberBand::Rectangle);
        CControlBar* bar = BarOf(m_hBar);
        const QSize size = bar && bar->GetWidget() ? bar->GetWidget()->size() : m_host->size();
        m_band->setGeometry(QRect(global - m_track.Grab(), size));
        m_band->show();
    }

    QToolBar* m_host;                // the watched tool bar, this filter's parent
    HWND m_hBar;                     // the bar, by handle: it may go first
    DragTrack m_track;
    std::unique_ptr<QRubberBand> m_band;   // owned: a top-level window of its own, made on the first drag
};

// The caption of a floating bar's window: its title and a button that hides
// the bar. Dragged, it moves the window with the pointer.
class FloatingCaption : public QWidget {
public:
    FloatingCaption(QDockWidget* host, HWND hBar) : QWidget(host), m_host(host), m_hBar(hBar) {
        setObjectName(QStringLiteral("FloatingCaption"));
        m_close = new QToolButton(this);
        m_close->setAutoRaise(true);
        m_close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
        m_close->setFocusPolicy(Qt::NoFocus);
        connect(m_close, &QToolButton::clicked, this, [this] {
            if (CControlBar* bar = BarOf(m_hBar))
                ShowControlBar(bar->GetDockingFrame(), bar, FALSE, FALSE);
        });
    }

    QSize sizeHint() const override {
        const int height = std::max(fontMetrics().height() + 4, 16);
        return QSize(fontMetrics().horizontalAdvance(m_host->windowTitle()) + height + 12, height);
    }
    QSize minimumSizeHint() const override { return QSize(sizeHint().height() * 2, sizeHint().height()); }

protected:
    void resizeEvent(QResizeEvent*) override {
        const int side = height();
        m_close->setGeometry(width() - side, 0, side, side);
    }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Highlight));
        painter.setPen(palette().color(QPalette::HighlightedText));
        const QRect text = rect().adjusted(4, 0, -height() - 2, 0);
        painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                         fontMetrics().elidedText(m_host->windowTitle(), Qt::ElideRight, text.width()));
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) {
            const QPoint from = m_host->pos();
            m_track.Begin(event->globalPosition().toPoint(), event->globalPosition().toPoint() - from,
                          [this, from] { m_host->move(from); });
        }
        event->accept();
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        const QPoint global = event->globalPosition().toPoint();
        if (m_track.Move(global))
            m_host->move(global - m_track.Grab());
        event->accept();
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        event->accept();
        if (event->button() != Qt::LeftButton || !m_track.Pressed())
            return;
        if (m_track.End())
            DropBar(m_hBar, event->globalPosition().toPoint(), m_track.Grab());
    }

    // The toolkit would dock the window in its own areas.
    void mouseDoubleClickEvent(QMouseEvent* event) override { event->accept(); }

private:
    QDockWidget* m_host;   // the floating window, this caption's parent
    HWND m_hBar;           // the bar, by handle: it may go first
    QToolButton* m_close;  // a child
    DragTrack m_track;
};

}  // namespace

const BarEdge* EdgeAtPoint(QMainWindow* frame, QPoint global) {
    if (!frame || !frame->isVisible())
        return nullptr;
    const QPoint point = frame->mapFromGlobal(global);
    // The view, and around it the docked bars: the inner rectangle.
    const QWidget* view = frame->centralWidget();
    const QRect client = view && !view->isHidden() ? view->geometry() : frame->rect();
    QRect inner = client;
    for (QToolBar* toolBar : frame->findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly))
        if (toolBar->isVisible() && frame->toolBarArea(toolBar) != Qt::NoToolBarArea)
            inner |= toolBar->geometry();

    const struct {
        UINT id;
        bool inZone;
        int distance;   // from the inner rectangle's side
    } zones[] = {
        {AFX_IDW_DOCKBAR_TOP,
         point.x() >= inner.left() - kDockReach && point.x() <= inner.right() + kDockReach &&
             point.y() >= inner.top() - kDockReach && point.y() < client.top() + kDockReach,
         std::abs(point.y() - inner.top())},
        {AFX_IDW_DOCKBAR_BOTTOM,
         point.x() >= inner.left() - kDockReach && point.x() <= inner.right() + kDockReach &&
             point.y() <= inner.bottom() + kDockReach && point.y() > client.bottom() - kDockReach,
         std::abs(point.y() - inner.bottom())},
        {AFX_IDW_DOCKBAR_LEFT,
         point.y() >= inner.top() - kDockReach && point.y() <= inner.bottom() + kDockReach &&
             point.x() >= inner.left() - kDockReach && point.x() < client.left() + kDockReach,
         std::abs(point.x() - inner.left())},
        {AFX_IDW_DOCKBAR_RIGHT,
         point.y() >= inner.top() - kDockReach && point.y() <= inner.bottom() + kDockReach &&
             point.x() <= inner.right() + kDockReach && point.x() > client.right() - kDockReach,
         std::abs(point.x() - inner.right())},
    };
    const BarEdge* nearest = nullptr;
    int best = INT_MAX;
    for (const auto& zone : zones) {
        if (zone.inZone && zone.distance < best) {
            nearest = EdgeById(zone.id);
            best = zone.distance;
        }
    }
    return nearest;
}

void TrackDockedDrags(QToolBar* host, CControlBar& bar) {
    host->setMovable(false);   // until the frame and the bar enable an edge (UpdateMovable)
    host->installEventFilter(new DockedDragFilter(host, bar.GetSafeHwnd()));   // owned by the tool bar
}

void SetFloatingCaption(QDockWidget* host, CControlBar& bar, bool dockable) {
    QWidget* caption = host->titleBarWidget();
    if ((caption != nullptr) == dockable)
        return;
    // A new caption changes the window's kind, which hides it.
    const bool shown = host->isVisible();
    host->setTitleBarWidget(dockable ? new FloatingCaption(host, bar.GetSafeHwnd()) : nullptr);
    if (caption)
        caption->deleteLater();
    if (host->isFloating())
        host->setFloating(true);
    host->setVisible(shown);
}

}  // namespace platform_detail
