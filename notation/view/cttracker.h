// CCTRectTracker: the selection frame and resize handles of an embedded
// object in the notation view, and the limit that keeps a resize inside the
// part of the page the window shows.
//
// The limit rectangle (device coordinates) is the inner area of the page
// under the tracker's bottom-left corner (three quarters of an inch inside
// the page cell, where a printer still reaches) that also lies in the view's
// client area; SetRects computes it from the view, AdjustRect clips every
// tracked rectangle to it. OurDraw draws the tracker by inverting the view's
// pixels, so drawing it twice takes it away.
//
// Copyable member by member; the view is borrowed. User-interface thread only.
#pragma once

#include "platform/ui/recttracker.h"

class CCantrel;

class CCTRectTracker : public CRectTracker {
public:
    // The size of its resize handles, in pixels.
    static constexpr int kHandleSize = 6;

    CCTRectTracker();

    // Normalises `rect` (device coordinates), keeps the view and takes the
    // rectangle as the tracker's and as the one set up; with a view, the
    // limit rectangle is computed (SetRects).
    void SetupResize(CCantrel* view, CRect& rect);
    // Computes the limit rectangle from the view's pages and client area.
    // Nothing without a view or its window.
    void SetRects();
    // The base's adjustment (the minimum size), then the rectangle is
    // clipped to the limit rectangle.
    void AdjustRect(int nHandle, LPRECT lpRect) override;
    // Draws the tracker in MM_TEXT: the line inverted, the hatched inside
    // masked, the handles inverted, two pixels inside the rectangle.
    void OurDraw(CDC* pDC);

    CCantrel* GetView() const { return m_pView; }
    const CRect& GetLimitRect() const { return m_limitRect; }

private:
    CCantrel* m_pView = nullptr;   // borrowed; null until SetupResize
    CRect m_limitRect;             // device coordinates
    CRect m_pageRect;              // the page's inner area the limit came from (device)
    CRect m_clientRect;            // the view's client area it came from
    CRect m_setupRect;             // the rectangle given to SetupResize
};
