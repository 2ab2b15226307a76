#include "notation/view/marginview.h"

#include "platform/gdi/gdiobj.h"
#include "platform/ui/cursor.h"
#include "platform/ui/metrics.h"
#include "platform/ui/paint.h"
#include "platform/ui/syscolor.h"

#include <algorithm>

IMPLEMENT_DYNCREATE(CMarginView, CWnd)

BEGIN_MESSAGE_MAP(CMarginView, CWnd)
    ON_WM_PAINT()
    ON_WM_SIZE()
    ON_WM_MOUSEMOVE()
    ON_WM_SETCURSOR()
    ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

CMarginView::CMarginView() = default;

CMarginView::~CMarginView() = default;

BOOL CMarginView::PtInSizingEdge(CPoint point) const {
    return m_sizingEdge.PtInRect(point);
}

void CMarginView::OnDraw(CDC* pDC, CRect rect) {
    pDC->FillSolidRect(&rect, GetSysColor(COLOR_BTNFACE));
    // A raised edge on the right side only: the outer line in the dark
    // shadow, the inner one in the shadow, as a raised frame's lower-right.
    pDC->FillSolidRect(rect.right - 1, rect.top, 1, rect.Height(), GetSysColor(COLOR_3DDKSHADOW));
    pDC->FillSolidRect(rect.right - 2, rect.top, 1, rect.Height(), GetSysColor(COLOR_BTNSHADOW));
}

void CMarginView::OnPaint() {
    if (!GetUpdateRect(nullptr))
        return;
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    CDC memory;
    memory.CreateCompatibleDC(&dc);
    if (!m_pBitmap) {
        m_pBitmap = std::make_unique<CBitmap>();
        m_pBitmap->CreateCompatibleBitmap(&dc, std::max(client.Width(), 1), std::max(client.Height(), 1));
    }
    CBitmap* previous = memory.SelectObject(m_pBitmap.get());
    if (m_flags & MV_REDRAW) {
        const int saved = memory.SaveDC();
        OnDraw(&memory, client);
        memory.RestoreDC(saved);
        m_flags &= ~MV_REDRAW;
    }
    const CRect update(dc.m_ps.rcPaint);
    dc.BitBlt(update.left, update.top, update.Width(), update.Height(), &memory, update.left, update.top, SRCCOPY);
    if (previous)
        memory.SelectObject(previous);
}

void CMarginView::OnSize(UINT nType, int cx, int cy) {
    if (cx == 0 || cy == 0)
        return;
    CWnd::OnSize(nType, cx, cy);
    m_sizingEdge.SetRect(cx - GetSystemMetrics(SM_CXEDGE), 0, cx, cy);
    m_sizingEdge.InflateRect(kEdgeSlack, kEdgeSlack);
    // Drawn again at the new size by the next paint.
    m_pBitmap.reset();
    m_flags |= MV_REDRAW;
}

void CMarginView::OnMouseMove(UINT, CPoint point) {
    if (GetCapture() != this)
        SetCapture();
    const bool overEdge = PtInSizingEdge(point) != FALSE;
    if (overEdge != ((m_flags & MV_OVER_EDGE) != 0)) {
        m_flags = overEdge ? (m_flags | MV_OVER_EDGE) : (m_flags & ~MV_OVER_EDGE);
        SetCursor(LoadStandardCursor(overEdge ? IDC_SIZEWE : IDC_ARROW));
    }
    CRect client;
    GetClientRect(&client);
    if (!client.PtInRect(point) && !overEdge) {
        ReleaseCapture();
        m_flags &= ~MV_OVER_EDGE;
    }
}

BOOL CMarginView::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
    // Over the edge the sizing arrow set by the mouse move stays.
    if (m_flags & MV_OVER_EDGE)
        return TRUE;
    return CWnd::OnSetCursor(pWnd, nHitTest, message);
}

void CMarginView::OnLButtonDown(UINT nFlags, CPoint point) {
    if (CWnd* parent = GetParent())
        parent->SendMessage(WM_PARENTNOTIFY, MAKEWPARAM(WM_LBUTTONDOWN, GetDlgCtrlID()), MAKELPARAM(point.x, point.y));
    CWnd::OnLButtonDown(nFlags, point);
}
