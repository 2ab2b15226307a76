#include "notation/view/droptarget.h"

#include "interface/document/scrollview.h"
#include "platform/core/clock.h"
#include "platform/ui/keys.h"
#include "platform/ui/paint.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Up to this many pixels the step is the distance; beyond, it grows with
// the cube of the excess, which counts up to this many pixels more.
constexpr int kLinearReach = 10;

constexpr int kLeftOrUp = 0;
constexpr int kRightOrDown = 1;
constexpr int kNone = 0xff;

}  // namespace

int CCTDropTarget::DragScrollStep(int distance) {
    const int magnitude = std::abs(distance);
    if (magnitude <= kLinearReach)
        return distance;
    const int excess = std::min(magnitude, 2 * kLinearReach) - kLinearReach;
    const int step = excess * excess * excess + kLinearReach;
    return distance < 0 ? -step : step;
}

DROPEFFECT CCTDropTarget::OnDragScroll(CWnd* pWnd, DWORD dwKeyState, CPoint point) {
    auto* view = dynamic_cast<MCScrollView*>(pWnd);
    if (!view)
        return DROPEFFECT_NONE;
    const DROPEFFECT own = view->OnDragScroll(dwKeyState, point);
    if (own != DROPEFFECT_SCROLL)
        return own;

    CRect inner;
    view->GetClientRect(&inner);
    inner.InflateRect(-kScrollInset, -kScrollInset);
    inner.NormalizeRect();
    int horizontal = kNone, vertical = kNone;
    CSize distance(0, 0);
    if (!inner.PtInRect(point)) {
        if (point.x < inner.left) {
            horizontal = kLeftOrUp;
            distance.cx = point.x - inner.left;
        } else if (point.x >= inner.right) {
            horizontal = kRightOrDown;
            distance.cx = point.x - inner.right;
        }
        if (point.y < inner.top) {
            vertical = kLeftOrUp;
            distance.cy = point.y - inner.top;
        } else if (point.y >= inner.bottom) {
            vertical = kRightOrDown;
            distance.cy = point.y - inner.bottom;
        }
    }
    int direction = (vertical << 8) | horizontal;
    CSize scroll(DragScrollStep(distance.cx), DragScrollStep(distance.cy));
    if (direction != kNoDirection) {
        CClientDC dc(view);
        view->OnPrepareDC(&dc);
        view->DPtoVP(&dc, &scroll);
        // At the end of the score the view cannot go on: as if inside.
        if (!view->OnScrollBy(scroll, FALSE))
            direction = kNoDirection;
    }

    if (direction == kNoDirection) {
        if (m_nTimerID != kNoDirection) {
            // Scrolling has just stopped: the drag is shown over the view again.
            if (m_lpDataObject)
                OnDragEnter(pWnd, m_lpDataObject, dwKeyState, point);
            m_nTimerID = kNoDirection;
        }
        return DROPEFFECT_NONE;
    }

    const DWORD now = timeGetTime();
    if (direction != m_nTimerID) {
        m_dwLastTick = now;
        m_nScrollDelay = kFirstStepDelay;
    }
    if (now - m_dwLastTick > m_nScrollDelay) {
        view->OnScrollBy(scroll, TRUE);
        m_dwLastTick = now;
        m_nScrollDelay = 0;
    }
    // The drag's feedback goes while the view moves under it.
    if (m_nTimerID == kNoDirection)
        OnDragLeave(pWnd);
    m_nTimerID = direction;

    DROPEFFECT effect = DROPEFFECT_SCROLL;
    if ((dwKeyState & MK_CONTROL) && (dwKeyState & MK_SHIFT))
        effect |= DROPEFFECT_LINK;
    else if (dwKeyState & MK_CONTROL)
        effect |= DROPEFFECT_COPY;
    else
        effect |= DROPEFFECT_MOVE;
    return effect;
}
