// CCTDropTarget: the notation view's drop target. Entering, moving over,
// leaving and dropping are the view's (CCantrel::OnDragEnter ...); this
// class only scrolls the view while something is dragged near its edges,
// the farther beyond the inner area (the client area less 20 pixels on
// every side) the faster.
//
// Scrolling runs through the base's members: the direction code (low byte
// horizontal, 0 left, 1 right, 0xff none; high byte vertical, 0 up, 1 down,
// 0xff none; 0xffff not scrolling), the time of the last step and the delay
// before the next. A new direction waits 100 ms before its first step, then
// steps on every call; back in the inner area the drag is entered again.
// Times are the millisecond clock's (the manual clock in tests).
// UI thread only.
#pragma once

#include "platform/ui/dragdrop.h"

class CCTDropTarget : public COleDropTarget {
public:
    // Pixels beyond the inner area where a cursor scrolls the view.
    static constexpr int kScrollInset = 20;
    // The wait before the first step of a new direction, milliseconds.
    static constexpr UINT kFirstStepDelay = 100;
    // Not scrolling.
    static constexpr int kNoDirection = 0xffff;

    // A view (other windows: none) scrolled a step when the point lies
    // outside the inner area and the view can go that way; the effect the
    // keys ask for, with DROPEFFECT_SCROLL, while it scrolls. The view's own
    // OnDragScroll is asked first: any other answer than DROPEFFECT_SCROLL
    // is passed on as it is.
    DROPEFFECT OnDragScroll(CWnd* pWnd, DWORD dwKeyState, CPoint point) override;

    // The scroll amount, device pixels, for a cursor `distance` pixels beyond
    // the inner area: the distance itself up to 10, then growing with the
    // cube of the excess, at most 1010 (from 20 pixels on); signed as the
    // distance.
    static int DragScrollStep(int distance);
};
