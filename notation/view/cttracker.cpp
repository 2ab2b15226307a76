#include "notation/view/cttracker.h"

#include "notation/layout/pagelayout.h"
#include "notation/view/cantrel.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/gdiobj.h"
#include "platform/ui/paint.h"

#include <algorithm>

CCTRectTracker::CCTRectTracker() {
    m_nHandleSize = kHandleSize;
}

void CCTRectTracker::SetupResize(CCantrel* view, CRect& rect) {
    rect.NormalizeRect();
    m_pView = view;
    m_rect = rect;
    m_setupRect = rect;
    if (m_pView)
        SetRects();
}

void CCTRectTracker::SetRects() {
    if (!m_pView || !m_pView->GetSafeHwnd())
        return;
    CClientDC dc(m_pView);
    m_pView->OnPrepareDC(&dc);
    CRect tracked = m_rect;
    tracked.NormalizeRect();
    CPoint corner(tracked.left, tracked.bottom);
    m_pView->DPtoVP(&dc, &corner);

    // The page under the corner; a printer reaches no nearer its edge than
    // a quarter inch inside the paper, three quarters inside the page cell.
    CPagenate& pagenate = m_pView->GetPagenate();
    const MCPageLayout& layout = pagenate.GetPageLayout();
    const int page = pagenate.GetPageAtPoint(corner);
    CRect inner = layout.GetPageRect(page, layout.GetQuarterInchRect());
    m_pView->VPtoDP(&dc, &inner);
    inner.NormalizeRect();
    m_pageRect = inner;

    m_pView->GetClientRect(&m_clientRect);
    m_clientRect.NormalizeRect();
    m_limitRect.IntersectRect(m_pageRect, m_clientRect);
}

void CCTRectTracker::AdjustRect(int nHandle, LPRECT lpRect) {
    CRectTracker::AdjustRect(nHandle, lpRect);
    if (m_limitRect.IsRectEmpty())
        return;   // nothing set up: nothing to keep it in
    // Each edge kept within the limit: a rectangle reaching past it is cut
    // back to the part inside.
    auto clamp = [](LONG& edge, LONG low, LONG high) { edge = std::clamp(edge, low, high); };
    clamp(lpRect->left, m_limitRect.left, m_limitRect.right);
    clamp(lpRect->right, m_limitRect.left, m_limitRect.right);
    clamp(lpRect->top, m_limitRect.top, m_limitRect.bottom);
    clamp(lpRect->bottom, m_limitRect.top, m_limitRect.bottom);
}

void CCTRectTracker::OurDraw(CDC* pDC) {
    if (!pDC)
        return;
    const int saved = pDC->SaveDC();
    pDC->SetMapMode(MM_TEXT);
    pDC->SetWindowOrg(0, 0);
    pDC->SetViewportOrg(0, 0);
    CRect rect = m_rect;
    rect.NormalizeRect();
    CPen* previousPen = pDC->GetCurrentPen();
    CBrush* previousBrush = pDC->GetCurrentBrush();

    // Both line styles draw the same inverted line.
    if (m_nStyle & (solidLine | dottedLine)) {
        pDC->SelectStockObject(BLACK_PEN);
        pDC->SelectStockObject(NULL_BRUSH);
        pDC->SetROP2(R2_NOT);
        pDC->Rectangle(&rect);
    }
    if (m_nStyle & hatchInside) {
        SelectHatch(pDC);
        pDC->Rectangle(rect.left + 1, rect.top + 1, rect.right, rect.bottom);
    }
    if (m_nStyle & (resizeInside | resizeOutside)) {
        pDC->SelectStockObject(BLACK_PEN);
        pDC->SelectStockObject(BLACK_BRUSH);
        pDC->SetROP2(R2_NOT);
        // The handles stand two pixels in from the line.
        const CRect kept = m_rect;
        m_rect = rect;
        m_rect.DeflateRect(2, 2);
        const UINT mask = GetHandleMask();
        for (int handle = hitTopLeft; handle <= hitLeft; ++handle) {
            if (!(mask & (1u << handle)))
                continue;
            CRect box;
            GetHandleRect(handle, &box);
            pDC->Rectangle(&box);
        }
        m_rect = kept;
    }
    if (previousPen)
        pDC->SelectObject(previousPen);
    if (previousBrush)
        pDC->SelectObject(previousBrush);
    pDC->RestoreDC(saved);
}
