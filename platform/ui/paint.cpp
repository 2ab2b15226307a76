// Windows that paint (see paint.h): the retained surface, the update region,
// the paint protocol and what Qt shows.
#include "platform/ui/paint.h"

#include "platform/ui/wnd_private.h"

#include <QAbstractScrollArea>
#include <QMdiArea>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

namespace {

// A window's surface and update region. A child object of the widget, so it
// goes with it.
class CWindowSurface : public QObject {
public:
    explicit CWindowSurface(QWidget* widget) : QObject(widget) { setObjectName(kName); }

    static constexpr const char* kName = "staffwright_surface";

    QImage image;
    QRegion invalid;             // client coordinates
    bool erase = false;          // the next BeginPaint erases first
    bool paintDefaulted = false;   // WM_PAINT reached the default handling
    bool drawnOn = false;          // a client DC or a handled WM_PAINT drew on it
    bool eraseDefaulted = false;   // WM_ERASEBKGND reached the default handling
};

CWindowSurface* FindSurface(const QWidget* widget) {
    return widget ? widget->findChild<CWindowSurface*>(CWindowSurface::kName, Qt::FindDirectChildrenOnly) : nullptr;
}

QColor BackgroundOf(const QWidget* widget) {
    return widget->palette().color(widget->backgroundRole());
}

// The widget's surface at its client size: made on first use, with the whole
// client invalid; on a resize what was drawn is kept and the new area invalid.
CWindowSurface& Surface(QWidget* widget) {
    CWindowSurface* surface = FindSurface(widget);
    if (!surface)
        surface = new CWindowSurface(widget);
    const QSize size(std::max(widget->width(), 1), std::max(widget->height(), 1));
    if (surface->image.size() != size) {
        QImage grown(size, QImage::Format_RGB32);
        grown.fill(BackgroundOf(widget));
        QRegion fresh(QRect(QPoint(0, 0), size));
        if (!surface->image.isNull()) {
            QPainter copy(&grown);
            copy.drawImage(0, 0, surface->image);
            fresh -= QRect(QPoint(0, 0), surface->image.size());
        }
        surface->image = std::move(grown);
        surface->invalid &= QRect(QPoint(0, 0), size);
        if (!fresh.isEmpty()) {
            surface->invalid += fresh;
            surface->erase = true;
        }
    }
    return *surface;
}

QRect ToQRect(const RECT& rect) {
    return QRect(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1)).normalized();
}

RECT ToRECT(const QRect& rect) {
    if (rect.isEmpty())
        return RECT{0, 0, 0, 0};
    return RECT{rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1};
}

// A plain window (CWnd's own widget) rather than a Qt control.
bool IsPlain(const QWidget* widget) {
    return widget->metaObject() == &QWidget::staticMetaObject;
}

// Sends WM_ERASEBKGND with `dc`; answers whether a handler erased (the default
// handling erases too, but only a plain window's surface shows it).
bool SendErase(CWnd& wnd, CDC& dc) {
    Surface(wnd.GetWidget()).eraseDefaulted = false;
    const LRESULT erased = wnd.SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(&dc));
    return erased != 0;
}

void Show(QWidget* widget, const QRegion& region) {
    if (widget && !region.isEmpty())
        widget->update(region);
}

// A subclassed scrolled area (the MDI client) is asked to erase before its
// viewport paints; what a handler erases becomes its background.
bool EraseScrolledArea(QWidget* viewport) {
    auto* area = qobject_cast<QMdiArea*>(viewport->parentWidget());
    CWnd* wnd = area ? CWnd::FromWidget(area) : nullptr;
    if (!wnd || area->viewport() != viewport)
        return false;
    QImage background(viewport->size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    background.fill(BackgroundOf(viewport));
    CDC dc;
    dc.AttachImage(&background, DCKind::Display);
    Surface(area).eraseDefaulted = false;
    const LRESULT erased = wnd->SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(&dc));
    dc.DeleteDC();
    const CWindowSurface* surface = FindSurface(area);
    if (erased == 0 || !surface || surface->eraseDefaulted)
        return false;
    // Only a change of picture: setting the background repaints the area.
    const QBrush brush(background);
    if (area->background().textureImage() != background)
        area->setBackground(brush);
    return false;   // the area paints, over the background it now has
}

}  // namespace

namespace platform_detail {

bool AttachWindowSurface(CWnd& wnd, CDC& dc) {
    QWidget* widget = wnd.GetWidget();
    if (!widget)
        return false;
    return dc.AttachImage(&Surface(widget).image, DCKind::Display) != 0;
}

const QImage* WindowSurface(const CWnd& wnd) {
    const CWindowSurface* surface = FindSurface(wnd.GetWidget());
    return surface ? &surface->image : nullptr;
}

// The Qt paint of a widget: WM_PAINT while its update region is not empty,
// then the surface, unless the widget paints itself. True when consumed.
bool PaintEvent(QWidget* widget, QPaintEvent* event) {
    CWnd* wnd = CWnd::FromWidget(widget);
    if (!wnd)
        return EraseScrolledArea(widget);
    const HWND hWnd = wnd->m_hWnd;
    const bool plain = IsPlain(widget);
    // A control nobody has drawn on paints itself, unless it handles WM_PAINT:
    // then its first paint asks for its picture (a dialog's first showing too).
    if (!plain && !FindSurface(widget) && !wnd->FindMessageEntry(WM_PAINT, 0, 0))
        return false;
    CWindowSurface& surface = Surface(widget);
    surface.paintDefaulted = false;
    const bool painting = !surface.invalid.isEmpty();
    if (painting) {
        CallWndProc(*wnd, WM_PAINT, 0, 0);
        if (!CWnd::FromHandle(hWnd))
            return true;   // the window went while painting
    }
    CWindowSurface* still = FindSurface(widget);
    if (!still)
        return false;
    if (painting && !still->paintDefaulted)
        still->drawnOn = true;   // the window's own WM_PAINT
    // A control nobody draws on paints itself at every paint: an invalidation
    // alone (a picture button's change of state) made it a surface that holds
    // nothing, which would show the control blank from its next paint on.
    if (!plain && (still->paintDefaulted || !still->drawnOn))
        return false;
    QPainter painter(widget);
    painter.setClipRegion(event->region());
    painter.drawImage(0, 0, still->image);
    return true;
}

LRESULT DefaultPaintProc(CWnd& wnd, UINT message, WPARAM wParam, LPARAM) {
    QWidget* widget = wnd.GetWidget();
    if (!widget)
        return 0;
    switch (message) {
    case WM_PAINT: {
        Surface(widget).paintDefaulted = true;
        PAINTSTRUCT ps;
        wnd.BeginPaint(&ps);
        wnd.EndPaint(&ps);
        return 0;
    }
    case WM_ERASEBKGND: {
        Surface(widget).eraseDefaulted = true;
        auto* dc = reinterpret_cast<CDC*>(wParam);
        if (!dc)
            return 0;
        RECT box;
        dc->GetClipBox(&box);
        CBrush brush;
        const QColor colour = BackgroundOf(widget);
        brush.CreateSolidBrush(RGB(colour.red(), colour.green(), colour.blue()));
        dc->FillRect(&box, &brush);
        return 1;
    }
    default:
        return 0;
    }
}

}  // namespace platform_detail

// ---- the update region ------------------------------------------------------------------

void CWnd::InvalidateRect(const RECT* rect, BOOL bErase) {
    if (!m_pWidget)
        return;
    CWindowSurface& surface = Surface(m_pWidget);
    const QRect client(QPoint(0, 0), m_pWidget->size());
    const QRect area = rect ? ToQRect(*rect) & client : client;
    if (area.isEmpty())
        return;
    surface.invalid += area;
    surface.erase = surface.erase || bErase;
    m_pWidget->update(area);
}

void CWnd::InvalidateRgn(CRgn* region, BOOL bErase) {
    if (!region) {
        InvalidateRect(nullptr, bErase);
        return;
    }
    if (!m_pWidget)
        return;
    CWindowSurface& surface = Surface(m_pWidget);
    const QRegion area = region->GetRegion() & QRect(QPoint(0, 0), m_pWidget->size());
    if (area.isEmpty())
        return;
    surface.invalid += area;
    surface.erase = surface.erase || bErase;
    m_pWidget->update(area);
}

void CWnd::Invalidate(BOOL bErase) {
    InvalidateRect(nullptr, bErase);
}

void CWnd::ValidateRect(const RECT* rect) {
    CWindowSurface* surface = FindSurface(m_pWidget);
    if (!surface)
        return;
    if (rect)
        surface->invalid -= ToQRect(*rect);
    else
        surface->invalid = QRegion();
    if (surface->invalid.isEmpty())
        surface->erase = false;
}

void CWnd::ValidateRgn(CRgn* region) {
    CWindowSurface* surface = FindSurface(m_pWidget);
    if (!surface)
        return;
    if (region)
        surface->invalid -= region->GetRegion();
    else
        surface->invalid = QRegion();
    if (surface->invalid.isEmpty())
        surface->erase = false;
}

BOOL CWnd::GetUpdateRect(RECT* rect, BOOL bErase) {
    CWindowSurface* surface = FindSurface(m_pWidget);
    const QRect box = surface ? surface->invalid.boundingRect() : QRect();
    if (rect)
        *rect = ToRECT(box);
    if (box.isEmpty())
        return FALSE;
    if (bErase && surface->erase) {
        CClientDC dc(this);
        CRgn clip;
        clip.CreateFromRegion(surface->invalid);
        dc.SelectClipRgn(&clip);
        surface->erase = !SendErase(*this, dc);
    }
    return TRUE;
}

void CWnd::UpdateWindow() {
    if (!m_pWidget || !m_pWidget->isVisible())
        return;
    const CWindowSurface* surface = FindSurface(m_pWidget);
    if (!surface && !IsPlain(m_pWidget))
        return;
    if (Surface(m_pWidget).invalid.isEmpty())
        return;
    const HWND hWnd = m_hWnd;
    platform_detail::CallWndProc(*this, WM_PAINT, 0, 0);
    if (CWnd::FromHandle(hWnd) == this && m_pWidget)
        m_pWidget->update();
}

// ---- the paint protocol -------------------------------------------------------------------

CDC* CWnd::BeginPaint(PAINTSTRUCT* ps) {
    if (!ps || !m_pWidget)
        return nullptr;
    CWindowSurface& surface = Surface(m_pWidget);
    const QRegion region = surface.invalid;
    const bool erase = surface.erase;
    surface.invalid = QRegion();
    surface.erase = false;

    auto dc = std::make_unique<CDC>();
    platform_detail::AttachWindowSurface(*this, *dc);
    CRgn clip;
    clip.CreateFromRegion(region);
    dc->SelectClipRgn(&clip);
    *ps = PAINTSTRUCT{};
    ps->rcPaint = ToRECT(region.boundingRect());
    ps->fErase = erase && !region.isEmpty() ? !SendErase(*this, *dc) : FALSE;
    ps->hdc = dc.release();   // EndPaint deletes it
    Surface(m_pWidget).invalid -= region;   // what the erase may have invalidated stays
    return ps->hdc;
}

void CWnd::EndPaint(const PAINTSTRUCT* ps) {
    if (!ps || !ps->hdc)
        return;
    std::unique_ptr<CDC> dc(ps->hdc);
    dc->DeleteDC();
    Show(m_pWidget, QRegion(ToQRect(ps->rcPaint)));
}

void CWnd::OnPaint() {
    Default();
}

BOOL CWnd::OnEraseBkgnd(CDC*) {
    return static_cast<BOOL>(Default());
}

// ---- DCs on a window ------------------------------------------------------------------------

CClientDC::CClientDC(CWnd* pWnd) {
    if (pWnd && platform_detail::AttachWindowSurface(*pWnd, *this)) {
        m_hWnd = pWnd->m_hWnd;
        m_surfaceKey = Surface(pWnd->GetWidget()).image.cacheKey();
    }
}

CClientDC::~CClientDC() {
    DeleteDC();
    CWnd* wnd = CWnd::FromHandle(m_hWnd);
    if (!wnd || !wnd->GetWidget())
        return;
    // Only a DC that drew makes the window show its surface from now on: one
    // made to measure (the screen's resolution, a text's extent) leaves a
    // control painting itself.
    CWindowSurface* surface = FindSurface(wnd->GetWidget());
    if (!surface || surface->image.cacheKey() == m_surfaceKey)
        return;
    surface->drawnOn = true;
    wnd->GetWidget()->update();
}

CPaintDC::CPaintDC(CWnd* pWnd) {
    if (!pWnd || !pWnd->GetWidget())
        return;
    m_hWnd = pWnd->m_hWnd;
    Surface(pWnd->GetWidget()).drawnOn = true;
    CDC* begun = pWnd->BeginPaint(&m_ps);
    // This DC draws in place of the one BeginPaint made: the same surface and clip.
    platform_detail::AttachWindowSurface(*pWnd, *this);
    CRgn clip;
    clip.CreateFromRegion(QRegion(ToQRect(m_ps.rcPaint)));
    if (begun) {
        begun->GetClipRgn(&clip);
        begun->DeleteDC();
        delete begun;
    }
    SelectClipRgn(&clip);
    m_ps.hdc = this;
}

CPaintDC::~CPaintDC() {
    DeleteDC();
    if (CWnd* wnd = CWnd::FromHandle(m_hWnd); wnd && wnd->GetWidget())
        Show(wnd->GetWidget(), QRegion(ToQRect(m_ps.rcPaint)));
}
