// MCScrollView (see scrollview.h).
#include "interface/document/scrollview.h"

#include "platform/ui/keys.h"
#include "platform/ui/metrics.h"
#include "platform/ui/paint.h"
#include "platform/ui/syscolor.h"

#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

int Clamp(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

// value * numerator / denominator, to nearest with halves away from zero, as
// MulDiv rounds, in 64 bits and held within int; -1 for a zero denominator.
int Scale(std::int64_t value, std::int64_t numerator, std::int64_t denominator) {
    if (denominator == 0)
        return -1;
    const std::int64_t product = value * numerator;
    std::int64_t quotient = product / denominator;
    const std::int64_t remainder = product % denominator;
    if (2 * std::llabs(remainder) >= std::llabs(denominator))
        quotient += ((product < 0) != (denominator < 0)) ? -1 : 1;
    return Clamp(quotient);
}

CRect Normalized(CRect rect) {
    rect.NormalizeRect();
    return rect;
}

// The rectangle's frame one pixel wide (device units); empty for an empty rectangle.
QRegion Frame(const CRect& rect) {
    if (rect.IsRectEmpty())
        return QRegion();
    const QRect outer(rect.left, rect.top, rect.Width(), rect.Height());
    return QRegion(outer) - QRegion(outer.adjusted(1, 1, -1, -1));
}

}  // namespace

// A client DC prepared by OnPrepareDC, for conversions outside a paint. It
// must end before the view paints: the surface takes one painter at a time.
struct MCScrollView::PreparedDC {
    CClientDC dc;
    explicit PreparedDC(MCScrollView& view) : dc(&view) { view.OnPrepareDC(&dc); }
};

IMPLEMENT_DYNCREATE(MCScrollView, CView)

BEGIN_MESSAGE_MAP(MCScrollView, CView)
    ON_WM_SIZE()
    ON_WM_ERASEBKGND()
    ON_WM_PAINT()
    ON_MESSAGE(WM_HSCROLL, &MCScrollView::OnHScrollMessage)
    ON_MESSAGE(WM_VSCROLL, &MCScrollView::OnVScrollMessage)
    ON_WM_KEYDOWN()
    ON_WM_KEYUP()
    ON_WM_SYSKEYDOWN()
    ON_WM_SYSKEYUP()
    ON_WM_MOUSEWHEEL()
    ON_WM_SETCURSOR()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_TIMER()
END_MESSAGE_MAP()

MCScrollView::MCScrollView() {
    m_hArrowCursor = LoadStandardCursor(IDC_ARROW);
    m_hQuickScrollCursor[0] = m_hQuickScrollCursor[1] = LoadStandardCursor(IDC_SIZEALL);
    m_hDragSelectCursor = LoadStandardCursor(IDC_ARROW);
}

MCScrollView::~MCScrollView() = default;

BOOL MCScrollView::Create(const char* lpszClassName, const char* lpszWindowName, DWORD dwStyle, const RECT& rect,
                          CWnd* pParentWnd, UINT nID, void* pContext) {
    if (!CView::Create(lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, nID, pContext))
        return FALSE;
    const CRect none(0, 0, 0, 0);
    m_hBar.Create(WS_CHILD | WS_VISIBLE | SBS_HORZ, none, this, IDC_HSCROLLBAR);
    m_hBar.SetScrollRange(0, 0x7FFF, FALSE);
    m_vBar.Create(WS_CHILD | WS_VISIBLE | SBS_VERT, none, this, IDC_VSCROLLBAR);
    m_vBar.SetScrollRange(0, 0x7FFF, FALSE);
    m_sizeBox.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, none, this, IDC_SIZEBOX);
    const CSize size = GetViewSize();
    SetViewSize(size.cx, size.cy);
    m_hBar.ShowWindow(SW_SHOW);
    m_vBar.ShowWindow(SW_SHOW);
    m_sizeBox.ShowWindow(SW_SHOW);
    m_flags |= SV_CREATED;
    return TRUE;
}

// ---- settings --------------------------------------------------------------------------------

CSize MCScrollView::GetViewSize() const {
    return CSize(m_viewRect.right - m_viewRect.left, m_viewRect.bottom - m_viewRect.top);
}

void MCScrollView::SetViewSize(int cx, int cy) {
    m_viewRect.SetRect(0, 0, std::abs(cx), std::abs(cy));
    if (IsFlipped())
        m_viewRect.bottom = -m_viewRect.bottom;
    TileViews(TRUE);
}

void MCScrollView::EnableQuickScroll(BOOL bEnable) {
    m_flags = bEnable ? (m_flags | SV_QUICKSCROLL_ENABLED) : (m_flags & ~SV_QUICKSCROLL_ENABLED);
}

void MCScrollView::SetQuickScrollCursors(HCURSOR hArmed, HCURSOR hGrabbing) {
    m_hQuickScrollCursor[0] = hArmed;
    m_hQuickScrollCursor[1] = hGrabbing;
}

void MCScrollView::EnableDragSelect(BOOL bEnable) {
    m_flags = bEnable ? (m_flags | SV_DRAGSELECT_ENABLED) : (m_flags & ~SV_DRAGSELECT_ENABLED);
}

void MCScrollView::SetNeedsDraw(BOOL bNeedsDraw) {
    m_flags = bNeedsDraw ? (m_flags | SV_NEEDS_DRAW) : (m_flags & ~SV_NEEDS_DRAW);
}

// ---- conversions -----------------------------------------------------------------------------

void MCScrollView::LPtoDP(CDC* pDC, POINT* points, int count) const {
    const CPoint wo = pDC->GetWindowOrg(), vo = pDC->GetViewportOrg();
    const CSize we = pDC->GetWindowExt(), ve = pDC->GetViewportExt();
    for (int i = 0; i < count; ++i) {
        points[i].x = Clamp(std::int64_t{Scale(std::int64_t{points[i].x} - wo.x, ve.cx, we.cx)} + vo.x);
        points[i].y = Clamp(std::int64_t{Scale(std::int64_t{points[i].y} - wo.y, ve.cy, we.cy)} + vo.y);
    }
}

void MCScrollView::DPtoLP(CDC* pDC, POINT* points, int count) const {
    const CPoint wo = pDC->GetWindowOrg(), vo = pDC->GetViewportOrg();
    const CSize we = pDC->GetWindowExt(), ve = pDC->GetViewportExt();
    for (int i = 0; i < count; ++i) {
        points[i].x = Clamp(std::int64_t{Scale(std::int64_t{points[i].x} - vo.x, we.cx, ve.cx)} + wo.x);
        points[i].y = Clamp(std::int64_t{Scale(std::int64_t{points[i].y} - vo.y, we.cy, ve.cy)} + wo.y);
    }
}

void MCScrollView::LPtoDP(CDC* pDC, RECT* rect) const {
    LPtoDP(pDC, reinterpret_cast<POINT*>(rect), 2);
}

void MCScrollView::DPtoLP(CDC* pDC, RECT* rect) const {
    DPtoLP(pDC, reinterpret_cast<POINT*>(rect), 2);
}

// A size is a distance: the extents alone scale it, so that it comes out the
// same wherever the origins lie.
void MCScrollView::LPtoDP(CDC* pDC, SIZE* size) const {
    const CSize we = pDC->GetWindowExt(), ve = pDC->GetViewportExt();
    size->cx = Scale(size->cx, ve.cx, we.cx);
    size->cy = Scale(size->cy, ve.cy, we.cy);
}

void MCScrollView::DPtoLP(CDC* pDC, SIZE* size) const {
    const CSize we = pDC->GetWindowExt(), ve = pDC->GetViewportExt();
    size->cx = Scale(size->cx, we.cx, ve.cx);
    size->cy = Scale(size->cy, we.cy, ve.cy);
}

void MCScrollView::LPtoVP(POINT* points, int count) const {
    for (int i = 0; i < count; ++i) {
        points[i].x = Clamp(std::int64_t{points[i].x} + m_scrollPos.x);
        points[i].y = Clamp(std::int64_t{points[i].y} + m_scrollPos.y);
    }
}

void MCScrollView::VPtoLP(POINT* points, int count) const {
    for (int i = 0; i < count; ++i) {
        points[i].x = Clamp(std::int64_t{points[i].x} - m_scrollPos.x);
        points[i].y = Clamp(std::int64_t{points[i].y} - m_scrollPos.y);
    }
}

void MCScrollView::LPtoVP(RECT* rect) const {
    LPtoVP(reinterpret_cast<POINT*>(rect), 2);
}

void MCScrollView::VPtoLP(RECT* rect) const {
    VPtoLP(reinterpret_cast<POINT*>(rect), 2);
}

void MCScrollView::DPtoVP(CDC* pDC, SIZE* size) const {
    DPtoLP(pDC, size);
}

void MCScrollView::DPtoVP(CDC* pDC, RECT* rect) const {
    DPtoLP(pDC, rect);
    LPtoVP(rect);
}

void MCScrollView::DPtoVP(CDC* pDC, POINT* points, int count) const {
    DPtoLP(pDC, points, count);
    LPtoVP(points, count);
}

void MCScrollView::VPtoDP(CDC* pDC, SIZE* size) const {
    LPtoDP(pDC, size);
}

void MCScrollView::VPtoDP(CDC* pDC, RECT* rect) const {
    VPtoLP(rect);
    LPtoDP(pDC, rect);
}

void MCScrollView::VPtoDP(CDC* pDC, POINT* points, int count) const {
    VPtoLP(points, count);
    LPtoDP(pDC, points, count);
}

void MCScrollView::HMtoDP(CDC* pDC, POINT* point) const {
    const CSize ve = pDC->GetViewportExt();
    point->x = Scale(point->x, ve.cx, 2540);
    point->y = Scale(point->y, ve.cy, 2540);
}

void MCScrollView::HMtoDP(CDC* pDC, SIZE* size) const {
    POINT point{size->cx, size->cy};
    HMtoDP(pDC, &point);
    *size = SIZE{point.x, point.y};
}

void MCScrollView::HMtoDP(CDC* pDC, RECT* rect) const {
    HMtoDP(pDC, reinterpret_cast<POINT*>(rect));
    HMtoDP(pDC, reinterpret_cast<POINT*>(rect) + 1);
}

void MCScrollView::DPtoHM(CDC* pDC, POINT* point) const {
    const CSize ve = pDC->GetViewportExt();
    point->x = Scale(point->x, 2540, ve.cx);
    point->y = Scale(point->y, 2540, ve.cy);
}

void MCScrollView::DPtoHM(CDC* pDC, SIZE* size) const {
    POINT point{size->cx, size->cy};
    DPtoHM(pDC, &point);
    *size = SIZE{point.x, point.y};
}

void MCScrollView::DPtoHM(CDC* pDC, RECT* rect) const {
    DPtoHM(pDC, reinterpret_cast<POINT*>(rect));
    DPtoHM(pDC, reinterpret_cast<POINT*>(rect) + 1);
}

// ---- layout and scroll bars ------------------------------------------------------------------

BOOL MCScrollView::IsFlipped(CDC* pDC) {
    if (pDC)
        return pDC->GetViewportExt().cy < 0;
    PreparedDC prepared(*this);
    return prepared.dc.GetViewportExt().cy < 0;
}

void MCScrollView::CalcRects(RECT* rect) {
    const int barWidth = GetSystemMetrics(SM_CXVSCROLL);
    const int barHeight = GetSystemMetrics(SM_CYHSCROLL);
    const CRect client(*rect);
    m_hBarRect.SetRect(client.left, client.bottom - barHeight, client.right - barWidth, client.bottom);
    m_sizeBoxRect.SetRect(client.right - barWidth, client.bottom - barHeight, client.right, client.bottom);
    m_vBarRect.SetRect(client.right - barWidth, client.top, client.right, client.bottom - barHeight);
    *rect = RECT{client.left, client.top, m_vBarRect.left, m_hBarRect.top};
}

void MCScrollView::TileViews(BOOL bRedraw) {
    if (!(m_flags & SV_CREATED) || !GetSafeHwnd())
        return;
    CRect client;
    GetClientRect(&client);
    CalcRects(&client);
    m_viewArea = client;
    SetRedraw(FALSE);
    m_pBitmap.reset();
    m_hBar.MoveWindow(m_hBarRect, FALSE);
    m_vBar.MoveWindow(m_vBarRect, FALSE);
    m_sizeBox.MoveWindow(m_sizeBoxRect, FALSE);
    UpdateScrollBars();
    CPoint position(0, 0);
    GetScrollBarPos(&position, SCROLL_BOTH);
    m_scrollPos = position;
    m_flags |= SV_NEEDS_DRAW;
    SetRedraw(TRUE);
    if (bRedraw) {
        InvalidateRect(nullptr, TRUE);
        UpdateWindow();
    }
}

void MCScrollView::UpdateScrollBars() {
    CRect visible = m_viewArea;
    {
        PreparedDC prepared(*this);
        DPtoVP(&prepared.dc, &visible);
    }
    if (m_viewRect.Width() == 0 || m_viewRect.Height() == 0)
        return;
    const auto apply = [](CScrollBar& bar, double visibleExtent, double viewExtent, double position) {
        const double ratio = visibleExtent / viewExtent;
        SCROLLINFO info;
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        info.nMin = 0;
        info.nMax = 32767;
        info.nPage = static_cast<UINT>(std::clamp(static_cast<int>(ratio * 32767 + 0.5), 0, 32768));
        info.nPos = static_cast<int>(position / viewExtent * 32767 + 0.5);
        bar.SetScrollInfo(&info, TRUE);
        // A bar not needed stays visible, disabled.
        bar.EnableWindow(ratio < 1);
    };
    apply(m_hBar, visible.Width(), m_viewRect.Width(), m_scrollPos.x);
    apply(m_vBar, visible.Height(), m_viewRect.Height(), m_scrollPos.y);
}

void MCScrollView::GetScrollBarPos(POINT* point, int which) {
    const auto read = [](const CScrollBar& bar, int extent, LONG* axis) {
        int low = 0, high = 0;
        bar.GetScrollRange(&low, &high);
        if (high != low)
            *axis = static_cast<LONG>(extent * static_cast<double>(bar.GetScrollPos() - low) / (high - low) + 0.5);
    };
    if (which != SCROLL_VERT)
        read(m_hBar, m_viewRect.Width(), &point->x);
    if (which != SCROLL_HORZ)
        read(m_vBar, m_viewRect.Height(), &point->y);
}

void MCScrollView::SetScrollBarPos(POINT point, int which) {
    const auto write = [](CScrollBar& bar, int extent, int position) {
        if (extent == 0)
            return;
        int low = 0, high = 0;
        bar.GetScrollRange(&low, &high);
        bar.SetScrollPos(low + static_cast<int>((high - low) * static_cast<double>(position) / extent + 0.5), FALSE);
    };
    if (which != SCROLL_VERT)
        write(m_hBar, m_viewRect.Width(), point.x);
    if (which != SCROLL_HORZ)
        write(m_vBar, m_viewRect.Height(), point.y);
}

// ---- scrolling -------------------------------------------------------------------------------

CSize MCScrollView::ScrollBy(CSize delta, BOOL bRedraw) {
    CRect visible = m_viewArea;
    BOOL flipped = FALSE;
    {
        PreparedDC prepared(*this);
        DPtoVP(&prepared.dc, &visible);
        flipped = IsFlipped(&prepared.dc);
    }
    const std::int64_t visibleWidth = std::abs(visible.Width());
    const std::int64_t visibleHeight = std::abs(visible.Height());
    const std::int64_t x = std::clamp<std::int64_t>(std::int64_t{m_scrollPos.x} + delta.cx, 0,
                                                    std::max<std::int64_t>(0, m_viewRect.Width() - visibleWidth));
    std::int64_t y = std::int64_t{m_scrollPos.y} + delta.cy;
    if (flipped)
        y = std::clamp<std::int64_t>(y, std::min<std::int64_t>(0, m_viewRect.bottom + visibleHeight), 0);
    else
        y = std::clamp<std::int64_t>(y, 0, std::max<std::int64_t>(0, m_viewRect.Height() - visibleHeight));
    const CSize allowed(static_cast<int>(x - m_scrollPos.x), static_cast<int>(y - m_scrollPos.y));
    if ((allowed.cx != 0 || allowed.cy != 0) && bRedraw) {
        m_pendingScroll = allowed;
        InvalidateRect(&m_viewArea, FALSE);
        UpdateWindow();
    }
    return allowed;
}

CPoint MCScrollView::ScrollTo(CPoint target) {
    {
        PreparedDC prepared(*this);
        VPtoDP(&prepared.dc, &target);
        DPtoVP(&prepared.dc, &target);
    }
    const CPoint current = m_scrollPos;
    const CSize delta(Clamp(std::int64_t{target.x} - current.x), Clamp(std::int64_t{target.y} - current.y));
    const CSize allowed = ScrollBy(delta, TRUE);
    return CPoint(current.x + allowed.cx, current.y + allowed.cy);
}

BOOL MCScrollView::OnScrollBy(CSize sizeScroll, BOOL bDoScroll) {
    if (!m_hBar.IsWindowEnabled())
        sizeScroll.cx = 0;
    if (!m_vBar.IsWindowEnabled())
        sizeScroll.cy = 0;
    {
        PreparedDC prepared(*this);
        VPtoDP(&prepared.dc, static_cast<SIZE*>(&sizeScroll));
        DPtoVP(&prepared.dc, static_cast<SIZE*>(&sizeScroll));
    }
    const CSize allowed = ScrollBy(sizeScroll, bDoScroll);
    if (bDoScroll) {
        UpdateScrollBars();
        return TRUE;
    }
    return allowed.cx != 0 || allowed.cy != 0;
}

void MCScrollView::PerformScroll(CDC* pDC) {
    const auto redrawAll = [this] { m_dirtyRect = m_viewArea; };
    if (!m_pBitmap || (m_pendingScroll.cx != 0 && m_pendingScroll.cy != 0)) {
        redrawAll();
    } else {
        CSize size = m_viewArea.Size();
        DPtoVP(pDC, static_cast<SIZE*>(&size));
        CRect before(m_scrollPos, size);
        CRect after(CPoint(m_scrollPos.x + m_pendingScroll.cx, m_scrollPos.y + m_pendingScroll.cy), size);
        VPtoDP(pDC, &before);
        VPtoDP(pDC, &after);
        before.NormalizeRect();
        after.NormalizeRect();
        CRect kept;
        if (!kept.IntersectRect(before, after)) {
            redrawAll();
        } else {
            // The pixels still in view move by the opposite of the view's
            // move; only the strip they uncover is drawn again.
            const CPoint shift(after.left - before.left, after.top - before.top);
            CRect scrolled = kept;
            scrolled.OffsetRect(-m_viewArea.left, -m_viewArea.top);
            const CRect whole(0, 0, m_viewArea.Width(), m_viewArea.Height());
            CDC memory;
            memory.CreateCompatibleDC(pDC);
            memory.SelectObject(m_pBitmap.get());
            CRect uncovered;
            memory.ScrollDC(-shift.x, -shift.y, &scrolled, &whole, nullptr, &uncovered);
            memory.DeleteDC();
            if (uncovered.IsRectEmpty() || uncovered.EqualRect(scrolled)) {
                redrawAll();
            } else {
                uncovered.OffsetRect(m_viewArea.left, m_viewArea.top);
                m_dirtyRect.UnionRect(m_dirtyRect, uncovered);
            }
        }
    }
    m_scrollPos.Offset(m_pendingScroll.cx, m_pendingScroll.cy);
    m_pendingScroll = CSize(0, 0);
    m_flags |= SV_NEEDS_DRAW;
}

// ---- painting --------------------------------------------------------------------------------

void MCScrollView::OnPrepareDC(CDC* pDC, CPrintInfo*) {
    pDC->SetViewportOrg(m_viewArea.left, m_viewArea.top);
    if (!pDC->IsPrinting()) {
        CRgn area;
        area.CreateRectRgnIndirect(&m_viewArea);
        pDC->SelectClipRgn(&area, RGN_AND);
    }
}

void MCScrollView::OnDraw(CDC* pDC) {
    CRect area;
    if (!area.IntersectRect(Normalized(m_drawRect), Normalized(m_viewRect)))
        return;
    VPtoLP(&area);
    pDC->FillSolidRect(&area, GetSysColor(COLOR_WINDOW));
}

BOOL MCScrollView::OnEraseBkgnd(CDC*) {
    return TRUE;   // the paint covers the view area, the bars the rest
}

void MCScrollView::OnPaint() {
    if (!GetUpdateRect(nullptr))
        return;
    CPaintDC dc(this);
    CRect paint = m_viewArea;
    OnPrepareDC(&dc);
    if (m_pendingScroll.cx != 0 || m_pendingScroll.cy != 0)
        PerformScroll(&dc);
    if (!m_dirtyRect.IsRectEmpty()) {
        paint.IntersectRect(m_dirtyRect, m_viewArea);
        m_dirtyRect.SetRectEmpty();
    }
    m_drawRect = paint;
    DPtoVP(&dc, &m_drawRect);

    if (!m_pBitmap) {
        m_pBitmap = std::make_unique<CBitmap>();
        m_pBitmap->CreateCompatibleBitmap(&dc, std::max(m_viewArea.Width(), 1), std::max(m_viewArea.Height(), 1));
    }
    CDC memory;
    memory.CreateCompatibleDC(&dc);
    memory.SetMapMode(dc.GetMapMode());
    memory.SetWindowExt(dc.GetWindowExt());
    memory.SetViewportExt(dc.GetViewportExt());
    memory.SetBkMode(dc.GetBkMode());
    memory.SelectObject(m_pBitmap.get());
    if (m_flags & SV_NEEDS_DRAW) {
        CRect fill = m_drawRect;
        VPtoLP(&fill);
        // What OnDraw draws lands inside the part being redrawn only.
        memory.SaveDC();
        memory.IntersectClipRect(&fill);
        memory.FillSolidRect(&fill, GetSysColor(COLOR_BACKGROUND));
        OnDraw(&memory);
        memory.RestoreDC(-1);
        m_flags &= ~SV_NEEDS_DRAW;
    }
    // The copy in device pixels: the two DCs differ only by the view area's origin.
    memory.SetMapMode(MM_TEXT);
    const int saved = dc.SaveDC();
    dc.SetMapMode(MM_TEXT);
    dc.SetWindowOrg(0, 0);
    dc.SetViewportOrg(0, 0);
    dc.BitBlt(m_viewArea.left, m_viewArea.top, m_viewArea.Width(), m_viewArea.Height(), &memory, 0, 0, SRCCOPY);
    dc.RestoreDC(saved);
    memory.DeleteDC();
    OnPostPaint(&dc);
    m_drawRect.SetRectEmpty();
}

void MCScrollView::OnPostPaint(CDC* pDC) {
    if (!m_dragRect.IsRectEmpty())
        DrawDragRect(pDC, FALSE);
}

// ---- the rubber band -------------------------------------------------------------------------

void MCScrollView::DrawDragRect(CDC* pDC, BOOL bErasePrevious) {
    const auto frameOf = [&](CRect band) {
        if (band.IsRectEmpty())
            return QRegion();
        VPtoDP(pDC, &band);
        band.NormalizeRect();
        return Frame(band);
    };
    QRegion region = frameOf(m_dragRect);
    if (bErasePrevious)
        region ^= frameOf(m_prevDragRect);   // one inversion erases the old and draws the new
    region &= QRect(m_viewArea.left, m_viewArea.top, m_viewArea.Width(), m_viewArea.Height());
    if (region.isEmpty())
        return;
    const int saved = pDC->SaveDC();
    pDC->SetMapMode(MM_TEXT);
    pDC->SetWindowOrg(0, 0);
    pDC->SetViewportOrg(0, 0);
    CRgn clip;
    clip.CreateFromRegion(region);
    pDC->SelectClipRgn(&clip);
    CRect box;
    pDC->GetClipBox(&box);
    CBrush* previous = pDC->SelectObject(CDC::GetHalftoneBrush());
    pDC->PatBlt(box.left, box.top, box.Width(), box.Height(), PATINVERT);
    pDC->SelectObject(previous);
    pDC->RestoreDC(saved);
}

int MCScrollView::UpdateDragRect(CPoint point, BOOL bDraw) {
    m_prevDragRect = m_dragRect;
    m_lastDragPoint = point;
    CPoint end = point;
    CRect inner = m_viewArea;
    inner.DeflateRect(kAutoScrollMargin, kAutoScrollMargin);
    CSize request(0, 0);
    {
        PreparedDC prepared(*this);
        DPtoVP(&prepared.dc, &end);
        CRect band(m_dragAnchor, end);
        band.NormalizeRect();
        if (!m_dragRect.IntersectRect(band, Normalized(m_viewRect)))
            m_dragRect = CRect(band.TopLeft(), band.TopLeft());
        if (point.x < inner.left)
            request.cx = point.x - inner.left;
        else if (point.x > inner.right)
            request.cx = point.x - inner.right;
        if (point.y < inner.top)
            request.cy = point.y - inner.top;
        else if (point.y > inner.bottom)
            request.cy = point.y - inner.bottom;
        DPtoLP(&prepared.dc, static_cast<SIZE*>(&request));
    }
    if (request.cx != 0 || request.cy != 0) {
        const CSize moved = ScrollBy(request, TRUE);
        if (moved.cx != 0 || moved.cy != 0) {
            UpdateScrollBars();
            if (m_flags & SV_MOUSE_DRAG)
                m_nAutoScrollTimer = SetTimer(TIMER_AUTOSCROLL, 0);
            return 0;
        }
    }
    if (bDraw) {
        PreparedDC prepared(*this);
        DrawDragRect(&prepared.dc, TRUE);
    }
    return 1;
}

void MCScrollView::ClearDragRect() {
    m_prevDragRect = m_dragRect;
    m_dragRect.SetRectEmpty();
    PreparedDC prepared(*this);
    DrawDragRect(&prepared.dc, TRUE);
}

void MCScrollView::OnMouseDragBegin(UINT, CPoint point) {
    SetCapture();
    m_flags |= SV_MOUSE_DRAG;
    {
        PreparedDC prepared(*this);
        DPtoVP(&prepared.dc, &point);
        m_dragAnchor = point;
        m_prevDragRect = m_dragRect;
        m_dragRect = CRect(m_dragAnchor, m_dragAnchor);
        DrawDragRect(&prepared.dc, !m_prevDragRect.IsRectEmpty());
    }
    UpdateCursor();
}

void MCScrollView::OnMouseDragContinue(UINT, CPoint point) {
    UpdateDragRect(point, TRUE);
}

void MCScrollView::OnMouseDragEnd(UINT, CPoint) {
    if (m_nAutoScrollTimer != 0)
        KillTimer(m_nAutoScrollTimer);
    m_nAutoScrollTimer = 0;
    if (GetCapture() == this)
        ReleaseCapture();
    m_flags &= ~SV_MOUSE_DRAG;
    if (m_nDragSelectMode == 0)
        ClearDragRect();
    UpdateCursor();
}

// ---- keys ------------------------------------------------------------------------------------

// Line and page steps move the content the way the user sees it: "down"
// shows what lies lower on the screen, which in a flipped view (y up) is
// towards more negative y, so there the vertical steps change sign. The
// bottom is the view rectangle's far edge, negative in a flipped view.
void MCScrollView::OnScroll(int axis, UINT nSBCode) {
    CPoint position = m_scrollPos;
    const bool horizontal = axis == SB_HORZ;
    LONG& value = horizontal ? position.x : position.y;
    const int sign = !horizontal && IsFlipped() ? -1 : 1;
    const int line = sign * (horizontal ? m_lineScroll.cx : m_lineScroll.cy);
    const int page = sign * (horizontal ? m_pageScroll.cx : m_pageScroll.cy);
    switch (nSBCode) {
    case SB_LINEUP: value -= line; break;
    case SB_LINEDOWN: value += line; break;
    case SB_PAGEUP: value -= page; break;
    case SB_PAGEDOWN: value += page; break;
    case SB_TOP: value = 0; break;
    case SB_BOTTOM: value = horizontal ? m_viewRect.Width() : m_viewRect.Height(); break;
    default: return;
    }
    ScrollTo(position);
    UpdateScrollBars();
}

LRESULT MCScrollView::OnHScrollMessage(WPARAM wParam, LPARAM) {
    const UINT code = LOWORD(wParam);
    if (code == SB_THUMBPOSITION || code == SB_THUMBTRACK) {
        m_hBar.SetScrollPos(HIWORD(wParam), FALSE);
        CPoint position = m_scrollPos;
        GetScrollBarPos(&position, SCROLL_HORZ);
        ScrollTo(position);
        UpdateScrollBars();
    } else {
        OnScroll(SB_HORZ, code);
    }
    return 0;
}

LRESULT MCScrollView::OnVScrollMessage(WPARAM wParam, LPARAM) {
    const UINT code = LOWORD(wParam);
    if (code == SB_THUMBPOSITION || code == SB_THUMBTRACK) {
        m_vBar.SetScrollPos(HIWORD(wParam), FALSE);
        CPoint position = m_scrollPos;
        GetScrollBarPos(&position, SCROLL_VERT);
        ScrollTo(position);
        UpdateScrollBars();
    } else {
        OnScroll(SB_VERT, code);
    }
    return 0;
}

void MCScrollView::OnKeyDown(UINT nChar, UINT, UINT) {
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    switch (nChar) {
    case VK_ESCAPE:
        m_flags &= ~(SV_QUICKSCROLL_GRAB | SV_QUICKSCROLL_ARMED);
        UpdateCursor();
        if (GetCapture() == this)
            ReleaseCapture();
        if (m_flags & SV_MOUSE_DRAG)
            OnMouseDragEnd(0, CPoint(0, 0));
        return;
    case VK_PRIOR: OnScroll(SB_VERT, SB_PAGEUP); break;
    case VK_NEXT: OnScroll(SB_VERT, SB_PAGEDOWN); break;
    case VK_HOME:
        ScrollTo(CPoint(0, 0));
        UpdateScrollBars();
        break;
    case VK_END:
        // Held at the far limits: the right, and the bottom as the screen shows it.
        ScrollTo(CPoint(0x7FFFFFFF, IsFlipped() ? -0x7FFFFFFF : 0x7FFFFFFF));
        UpdateScrollBars();
        break;
    case VK_LEFT: OnScroll(SB_HORZ, shift ? SB_PAGELEFT : SB_LINELEFT); break;
    case VK_RIGHT: OnScroll(SB_HORZ, shift ? SB_PAGERIGHT : SB_LINERIGHT); break;
    case VK_UP: OnScroll(SB_VERT, shift ? SB_PAGEUP : SB_LINEUP); break;
    case VK_DOWN: OnScroll(SB_VERT, shift ? SB_PAGEDOWN : SB_LINEDOWN); break;
    default: break;
    }
    if (nChar == m_nQuickScrollKey && (m_flags & SV_QUICKSCROLL_ENABLED) && !(m_flags & SV_QUICKSCROLL_ARMED) &&
        !(m_flags & SV_MOUSE_DRAG) && (m_flags & SV_POINTER_INSIDE)) {
        m_flags |= SV_QUICKSCROLL_ARMED;
        UpdateCursor();
    }
    Default();
}

void MCScrollView::OnKeyUp(UINT nChar, UINT, UINT) {
    if (nChar == m_nQuickScrollKey && (m_flags & SV_QUICKSCROLL_ARMED)) {
        m_flags &= ~(SV_QUICKSCROLL_GRAB | SV_QUICKSCROLL_ARMED);
        UpdateCursor();
        if (GetCapture() == this)
            ReleaseCapture();
    }
    Default();
}

void MCScrollView::OnSysKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
    switch (nChar) {
    case VK_ESCAPE: case VK_PRIOR: case VK_NEXT: case VK_END: case VK_HOME:
    case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN:
        OnKeyDown(nChar, nRepCnt, nFlags);
        return;
    default:
        if (nChar == m_nQuickScrollKey)
            OnKeyDown(nChar, nRepCnt, nFlags);
        else
            Default();
    }
}

void MCScrollView::OnSysKeyUp(UINT, UINT, UINT) {
    Default();
}

// ---- the mouse -------------------------------------------------------------------------------

// A wheel notch (120) scrolls the system's number of lines (a page when that
// number is WHEEL_PAGESCROLL), down for a turn towards the user; with Shift
// held, across. Finer wheels add up until they make a notch.
BOOL MCScrollView::OnMouseWheel(UINT nFlags, short zDelta, CPoint) {
    m_wheelRest += zDelta;
    const int notches = m_wheelRest / WHEEL_DELTA;
    m_wheelRest -= notches * WHEEL_DELTA;
    if (notches == 0)
        return TRUE;
    const int axis = (nFlags & MK_SHIFT) ? SB_HORZ : SB_VERT;
    const UINT lines = GetWheelScrollLines();
    const bool byPage = lines == WHEEL_PAGESCROLL;
    const UINT towards = notches < 0 ? (byPage ? SB_PAGEDOWN : SB_LINEDOWN) : (byPage ? SB_PAGEUP : SB_LINEUP);
    const int steps = std::abs(notches) * (byPage ? 1 : static_cast<int>(lines));
    for (int i = 0; i < steps; ++i)
        OnScroll(axis, towards);
    return TRUE;
}

void MCScrollView::UpdateCursor() {
    const bool inside = (m_flags & SV_POINTER_INSIDE) != 0;
    const bool armed = (m_flags & SV_QUICKSCROLL_ARMED) != 0;
    HCURSOR cursor = m_hArrowCursor;
    if (armed && inside && (m_flags & SV_QUICKSCROLL_GRAB))
        cursor = m_hQuickScrollCursor[1];
    else if (armed && inside)
        cursor = m_hQuickScrollCursor[0];
    else if ((m_flags & SV_MOUSE_DRAG) && m_hDragSelectCursor)
        cursor = m_hDragSelectCursor;
    ::SetCursor(cursor);
    if (GetWidget() && cursor)
        GetWidget()->setCursor(*cursor);
}

BOOL MCScrollView::OnSetCursor(CWnd* pWnd, UINT, UINT) {
    POINT point;
    GetCursorPos(&point);
    ScreenToClient(&point);
    if (pWnd == this && m_viewArea.PtInRect(point))
        m_flags |= SV_POINTER_INSIDE;
    else
        m_flags &= ~SV_POINTER_INSIDE;
    UpdateCursor();
    return TRUE;
}

void MCScrollView::OnLButtonDown(UINT nFlags, CPoint point) {
    SetFocus();
    const bool inside = m_viewArea.PtInRect(point) != FALSE;
    if (inside && (m_flags & SV_QUICKSCROLL_ARMED)) {
        SetCapture();
        m_grabPoint = point;
        m_flags |= SV_QUICKSCROLL_GRAB;
        UpdateCursor();
    } else if (inside && (m_flags & SV_DRAGSELECT_ENABLED)) {
        OnMouseDragBegin(nFlags, point);
    } else {
        Default();
    }
}

void MCScrollView::OnMouseMove(UINT nFlags, CPoint point) {
    if (m_flags & SV_QUICKSCROLL_GRAB) {
        // The content follows the pointer. Qt folds queued moves into the
        // latest, so the view does not lag behind.
        CPoint before = m_grabPoint, now = point;
        {
            PreparedDC prepared(*this);
            DPtoVP(&prepared.dc, &before);
            DPtoVP(&prepared.dc, &now);
        }
        m_grabPoint = point;
        const CSize moved = ScrollBy(CSize(before.x - now.x, before.y - now.y), TRUE);
        if (moved.cx != 0 || moved.cy != 0)
            UpdateScrollBars();
    } else if (m_flags & SV_MOUSE_DRAG) {
        OnMouseDragContinue(nFlags, point);
    } else {
        Default();
    }
}

void MCScrollView::OnLButtonUp(UINT nFlags, CPoint point) {
    const bool busy = (m_flags & (SV_QUICKSCROLL_GRAB | SV_MOUSE_DRAG)) != 0;
    if (m_flags & SV_QUICKSCROLL_GRAB) {
        m_flags &= ~SV_QUICKSCROLL_GRAB;
        UpdateCursor();
        if (GetCapture() == this)
            ReleaseCapture();
    }
    if (m_flags & SV_MOUSE_DRAG)
        OnMouseDragEnd(nFlags, point);
    if (!busy)
        Default();
}

void MCScrollView::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent != TIMER_AUTOSCROLL) {
        Default();
        return;
    }
    KillTimer(nIDEvent);
    m_nAutoScrollTimer = 0;
    UpdateDragRect(m_lastDragPoint, TRUE);
}

void MCScrollView::OnSize(UINT nType, int cx, int cy) {
    CView::OnSize(nType, cx, cy);
    if (cx != 0 && cy != 0)
        TileViews(TRUE);
}
