#include "platform/ui/recttracker.h"

#include "platform/gdi/dc.h"
#include "platform/gdi/gdiobj.h"
#include "platform/ui/captureloop.h"
#include "platform/ui/cursor.h"
#include "platform/ui/keys.h"
#include "platform/ui/paint.h"

#include <algorithm>
#include <cstdlib>

namespace {

// The room a side handle needs apart from the corner handles beside it.
constexpr int kSideHandleGap = 2;

// Which edges of the rectangle a handle moves.
struct HandleEdges {
    bool left, top, right, bottom;
};

HandleEdges EdgesOf(int nHandle) {
    switch (nHandle) {
    case CRectTracker::hitTopLeft: return {true, true, false, false};
    case CRectTracker::hitTopRight: return {false, true, true, false};
    case CRectTracker::hitBottomRight: return {false, false, true, true};
    case CRectTracker::hitBottomLeft: return {true, false, false, true};
    case CRectTracker::hitTop: return {false, true, false, false};
    case CRectTracker::hitRight: return {false, false, true, false};
    case CRectTracker::hitBottom: return {false, false, false, true};
    case CRectTracker::hitLeft: return {true, false, false, false};
    default: return {false, false, false, false};
    }
}

// The handle that mirrors `nHandle` left to right, or top to bottom.
int MirrorX(int nHandle) {
    switch (nHandle) {
    case CRectTracker::hitTopLeft: return CRectTracker::hitTopRight;
    case CRectTracker::hitTopRight: return CRectTracker::hitTopLeft;
    case CRectTracker::hitBottomRight: return CRectTracker::hitBottomLeft;
    case CRectTracker::hitBottomLeft: return CRectTracker::hitBottomRight;
    case CRectTracker::hitRight: return CRectTracker::hitLeft;
    case CRectTracker::hitLeft: return CRectTracker::hitRight;
    default: return nHandle;
    }
}

int MirrorY(int nHandle) {
    switch (nHandle) {
    case CRectTracker::hitTopLeft: return CRectTracker::hitBottomLeft;
    case CRectTracker::hitTopRight: return CRectTracker::hitBottomRight;
    case CRectTracker::hitBottomRight: return CRectTracker::hitTopRight;
    case CRectTracker::hitBottomLeft: return CRectTracker::hitTopLeft;
    case CRectTracker::hitTop: return CRectTracker::hitBottom;
    case CRectTracker::hitBottom: return CRectTracker::hitTop;
    default: return nHandle;
    }
}

// The size cursor of a handle.
unsigned CursorOf(int nHandle) {
    switch (nHandle) {
    case CRectTracker::hitTopLeft:
    case CRectTracker::hitBottomRight: return IDC_SIZENWSE;
    case CRectTracker::hitTopRight:
    case CRectTracker::hitBottomLeft: return IDC_SIZENESW;
    case CRectTracker::hitTop:
    case CRectTracker::hitBottom: return IDC_SIZENS;
    case CRectTracker::hitLeft:
    case CRectTracker::hitRight: return IDC_SIZEWE;
    default: return IDC_SIZEALL;
    }
}

// Keeps the moving edge `moved` at least `minimum` from `fixed`: beyond it
// when `after` (a right or bottom edge), before it otherwise; with `invert`,
// on whichever side it now lies.
void KeepApart(LONG& moved, LONG fixed, int minimum, bool after, bool invert) {
    if (invert && moved != fixed)
        after = moved > fixed;
    if (after)
        moved = std::max(moved, fixed + minimum);
    else
        moved = std::min(moved, fixed - minimum);
}

}  // namespace

// ---- geometry -------------------------------------------------------------------------

int CRectTracker::GetHandleSize() const {
    int size = m_nHandleSize;
    if (!(m_nStyle & resizeOutside)) {
        // Two handles must fit across the rectangle.
        const int room = std::min(std::abs(m_rect.Width()), std::abs(m_rect.Height()));
        size = std::min(size, room / 2);
    }
    return size;
}

UINT CRectTracker::GetHandleMask() const {
    UINT mask = 0x0F;   // the corners
    const int size = GetHandleSize();
    const int room = 3 * size + 2 * kSideHandleGap;
    if (std::abs(m_rect.Width()) >= room)
        mask |= (1u << hitTop) | (1u << hitBottom);
    if (std::abs(m_rect.Height()) >= room)
        mask |= (1u << hitRight) | (1u << hitLeft);
    return mask;
}

void CRectTracker::GetHandleRect(int nHandle, CRect* pHandleRect) const {
    CRect rect = m_rect;
    rect.NormalizeRect();
    const int size = GetHandleSize();
    const bool outside = (m_nStyle & resizeOutside) != 0;
    if (outside && (m_nStyle & (solidLine | dottedLine)))
        rect.InflateRect(1, 1);   // outside the line, which lies outside the rectangle
    // Where a handle of each column and row begins.
    const int leftX = outside ? rect.left - size : rect.left;
    const int rightX = outside ? rect.right : rect.right - size;
    const int middleX = rect.left + (rect.Width() - size) / 2;
    const int topY = outside ? rect.top - size : rect.top;
    const int bottomY = outside ? rect.bottom : rect.bottom - size;
    const int middleY = rect.top + (rect.Height() - size) / 2;
    int x = middleX, y = middleY;
    switch (nHandle) {
    case hitTopLeft: x = leftX; y = topY; break;
    case hitTopRight: x = rightX; y = topY; break;
    case hitBottomRight: x = rightX; y = bottomY; break;
    case hitBottomLeft: x = leftX; y = bottomY; break;
    case hitTop: y = topY; break;
    case hitRight: x = rightX; break;
    case hitBottom: y = bottomY; break;
    case hitLeft: x = leftX; break;
    default: break;
    }
    *pHandleRect = CRect(x, y, x + size, y + size);
}

void CRectTracker::GetTrueRect(LPRECT lpTrueRect) const {
    CRect rect = m_rect;
    rect.NormalizeRect();
    int grow = 0;
    if (m_nStyle & (solidLine | dottedLine))
        grow += 1;
    if (m_nStyle & (resizeOutside | hatchedBorder))
        grow += GetHandleSize();
    rect.InflateRect(grow, grow);
    *lpTrueRect = rect;
}

int CRectTracker::HandleOfRect(int nDrawnHandle) const {
    int handle = nDrawnHandle;
    if (m_rect.left > m_rect.right)
        handle = MirrorX(handle);
    if (m_rect.top > m_rect.bottom)
        handle = MirrorY(handle);
    return handle;
}

int CRectTracker::HitTest(CPoint point) const {
    CRect trueRect;
    GetTrueRect(&trueRect);
    if (!trueRect.PtInRect(point))
        return hitNothing;
    if (m_nStyle & (resizeInside | resizeOutside)) {
        const UINT mask = GetHandleMask();
        for (int handle = hitTopLeft; handle <= hitLeft; ++handle) {
            CRect box;
            GetHandleRect(handle, &box);
            if ((mask & (1u << handle)) && box.PtInRect(point))
                return HandleOfRect(handle);
        }
    }
    // A hatched border is the place to grab the whole rectangle by.
    if (m_nStyle & hatchedBorder)
        return hitMiddle;
    CRect inside = m_rect;
    inside.NormalizeRect();
    if (m_nStyle & (solidLine | dottedLine))
        inside.InflateRect(1, 1);
    return inside.PtInRect(point) ? hitMiddle : hitNothing;
}

BOOL CRectTracker::SetCursor(CWnd* pWnd, UINT nHitTest) const {
    if (nHitTest != HTCLIENT || !pWnd || !pWnd->GetSafeHwnd())
        return FALSE;
    CPoint point;
    ::GetCursorPos(&point);
    pWnd->ScreenToClient(&point);
    const int handle = HitTest(point);
    if (handle == hitNothing)
        return FALSE;
    ::SetCursor(LoadStandardCursor(CursorOf(handle)));
    return TRUE;
}

void CRectTracker::AdjustRect(int nHandle, LPRECT lpRect) {
    const HandleEdges edges = EdgesOf(nHandle);
    const bool invert = m_bAllowInvert != FALSE;
    if (edges.left)
        KeepApart(lpRect->left, lpRect->right, m_sizeMin.cx, false, invert);
    if (edges.right)
        KeepApart(lpRect->right, lpRect->left, m_sizeMin.cx, true, invert);
    if (edges.top)
        KeepApart(lpRect->top, lpRect->bottom, m_sizeMin.cy, false, invert);
    if (edges.bottom)
        KeepApart(lpRect->bottom, lpRect->top, m_sizeMin.cy, true, invert);
}

// ---- tracking -------------------------------------------------------------------------

BOOL CRectTracker::Track(CWnd* pWnd, CPoint point, BOOL bAllowInvert, CWnd* pWndClipTo) {
    if (!pWnd || !pWnd->GetSafeHwnd())
        return FALSE;
    const int handle = HitTest(point);
    if (handle == hitNothing)
        return FALSE;
    m_bAllowInvert = bAllowInvert;
    return TrackHandle(handle, pWnd, point, pWndClipTo);
}

BOOL CRectTracker::TrackHandle(int nHandle, CWnd* pWnd, CPoint point, CWnd* pWndClipTo) {
    const CRect before = m_rect;
    const HandleEdges edges = EdgesOf(nHandle);
    const bool whole = nHandle == hitMiddle;
    // How far the press lies from the edges it moves: the edges keep that
    // distance from the pointer.
    const CSize grab(point.x - ((edges.right && !edges.left) ? m_rect.right : m_rect.left),
                      point.y - ((edges.bottom && !edges.top) ? m_rect.bottom : m_rect.top));
    const CSize extent = m_rect.Size();

    // The outline shown while tracking, in the client coordinates of the
    // window it is drawn in.
    CWnd* shownIn = pWndClipTo && pWndClipTo->GetSafeHwnd() ? pWndClipTo : pWnd;
    const HWND hShownIn = shownIn->GetSafeHwnd();
    const HWND hWnd = pWnd->GetSafeHwnd();
    CRect shown;
    bool showing = false;
    auto drawOutline = [&](const CRect* now) {
        CWnd* surface = CWnd::FromHandle(hShownIn);
        CWnd* tracked = CWnd::FromHandle(hWnd);
        if (!surface || !tracked)
            return;
        CRect rect;
        if (now) {
            rect = *now;
            rect.NormalizeRect();
            if (surface != tracked) {
                CPoint corners[2] = {rect.TopLeft(), rect.BottomRight()};
                for (CPoint& corner : corners) {
                    tracked->ClientToScreen(&corner);
                    surface->ScreenToClient(&corner);
                }
                rect = CRect(corners[0], corners[1]);
            }
            // The outline goes round the rectangle's line.
            rect.InflateRect(1, 1);
        }
        if (!now && !showing)
            return;
        CClientDC dc(surface);
        const CSize thickness(1, 1);
        dc.DrawDragRect(now ? &rect : nullptr, thickness, showing ? &shown : nullptr, thickness);
        showing = now != nullptr;
        shown = rect;
    };

    bool released = false;
    auto follow = [&](const MSG& msg) {
        switch (msg.message) {
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP: {
            const CPoint at(GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam));
            CRect rect = m_rect;
            if (whole) {
                rect = CRect(at - grab, extent);
            } else {
                if (edges.left)
                    rect.left = at.x - grab.cx;
                if (edges.right)
                    rect.right = at.x - grab.cx;
                if (edges.top)
                    rect.top = at.y - grab.cy;
                if (edges.bottom)
                    rect.bottom = at.y - grab.cy;
            }
            AdjustRect(nHandle, &rect);
            m_rect = rect;
            if (!showing || m_rect != shown)
                drawOutline(&m_rect);
            // A move without the button is a release that never reached us.
            released = msg.message == WM_LBUTTONUP || !(msg.wParam & MK_LBUTTON);
            return !released;
        }
        case WM_RBUTTONDOWN:
            return false;
        case WM_KEYDOWN:
            return msg.wParam != VK_ESCAPE;
        default:
            return true;   // the other buttons and keys do nothing while tracking
        }
    };
    CCaptureLoop::Run(*pWnd, follow);
    drawOutline(nullptr);
    if (!released)
        m_rect = before;   // cancelled: Escape, the right button, the capture lost
    if (!m_bAllowInvert)
        m_rect.NormalizeRect();
    return m_rect != before ? TRUE : FALSE;
}

// ---- drawing --------------------------------------------------------------------------

CBrush* CRectTracker::GetHatchBrush() {
    static CBrush* const brush = [] {
        // One-pixel diagonals four pixels apart: rows 0x11, 0x22, 0x44, 0x88, twice.
        static const WORD rows[4] = {0x1111, 0x2222, 0x4444, 0x8888};
        BYTE bits[16];
        for (int i = 0; i < 8; ++i) {
            bits[2 * i] = static_cast<BYTE>(rows[i % 4] & 0xFF);
            bits[2 * i + 1] = static_cast<BYTE>(rows[i % 4] >> 8);
        }
        CBitmap pattern;
        pattern.CreateBitmap(8, 8, 1, 1, bits);
        auto* hatch = new CBrush;   // never freed: shared by every tracker for the process
        hatch->CreatePatternBrush(&pattern);
        return hatch;
    }();
    return brush;
}

void CRectTracker::SelectHatch(CDC* pDC) {
    pDC->SelectStockObject(NULL_PEN);
    pDC->SelectObject(GetHatchBrush());
    pDC->SetBkMode(TRANSPARENT);
    // A pattern's set pixels take the background colour: white, which the
    // mix turns to black; its clear ones take the text colour, black, which
    // leaves the pixel alone.
    pDC->SetTextColor(RGB(0, 0, 0));
    pDC->SetBkColor(RGB(255, 255, 255));
    pDC->SetROP2(R2_MASKNOTPEN);
}

void CRectTracker::Draw(CDC* pDC) const {
    if (!pDC)
        return;
    const int saved = pDC->SaveDC();
    pDC->SetMapMode(MM_TEXT);
    pDC->SetWindowOrg(0, 0);
    pDC->SetViewportOrg(0, 0);
    CRect rect = m_rect;
    rect.NormalizeRect();

    if (m_nStyle & (solidLine | dottedLine)) {
        CPen dotted(PS_DOT, 1, RGB(0, 0, 0));
        if (m_nStyle & dottedLine)
            pDC->SelectObject(&dotted);
        else
            pDC->SelectStockObject(BLACK_PEN);
        pDC->SelectStockObject(NULL_BRUSH);
        pDC->SetROP2(R2_COPYPEN);
        CRect line = rect;
        line.InflateRect(1, 1);   // the line lies just outside the rectangle
        pDC->Rectangle(&line);
    }
    if (m_nStyle & (hatchInside | hatchedBorder)) {
        SelectHatch(pDC);
        if (m_nStyle & hatchInside)
            pDC->Rectangle(rect.left + 1, rect.top + 1, rect.right, rect.bottom);
        if (m_nStyle & hatchedBorder) {
            CRect outer;
            GetTrueRect(&outer);
            CRect inner = rect;
            if (m_nStyle & (solidLine | dottedLine))
                inner.InflateRect(1, 1);
            pDC->Rectangle(outer.left, outer.top, outer.right, inner.top);
            pDC->Rectangle(outer.left, inner.bottom, outer.right, outer.bottom);
            pDC->Rectangle(outer.left, inner.top, inner.left, inner.bottom);
            pDC->Rectangle(inner.right, inner.top, outer.right, inner.bottom);
        }
    }
    if (m_nStyle & (resizeInside | resizeOutside)) {
        const UINT mask = GetHandleMask();
        for (int handle = hitTopLeft; handle <= hitLeft; ++handle) {
            if (!(mask & (1u << handle)))
                continue;
            CRect box;
            GetHandleRect(handle, &box);
            pDC->FillSolidRect(&box, RGB(0, 0, 0));
        }
    }
    pDC->RestoreDC(saved);
}
