// CRectTracker: a rectangle the user moves and resizes with the mouse, with
// its border and its eight resize handles.
//
// m_rect is in the client coordinates (pixels) of the window it is shown in.
// The handles are squares of m_nHandleSize pixels at the corners and the
// middles of the sides, inside the rectangle (resizeInside) or outside it
// (resizeOutside); inside a rectangle too small for two of them they shrink
// to half its smaller side. The side handles are left out (GetHandleMask) of
// a side too short to keep them apart from the corners.
//
// A handle is named by the edges of m_rect it moves: hitLeft moves m_rect.left,
// wherever that edge lies. HitTest answers by that rule, so for a rectangle
// given the wrong way round (left beyond right) the handle drawn on the left
// is hitRight.
//
// Track follows the mouse under the capture until the left button goes up:
// each move puts the edges of the handle pressed (both edges of a side, the
// whole rectangle for hitMiddle) where the pointer is, keeping the distance
// between the press and the edge, and AdjustRect may correct the result. The
// messages of the window are read while it runs (its other messages are
// handled as usual): a move without MK_LBUTTON counts as the release; Escape,
// the right button or the capture going to another window ends it and puts
// the rectangle back. While it runs, the rectangle's outline is shown
// inverted over the window (or over pWndClipTo) and taken away at the end.
// Tests post WM_MOUSEMOVE and WM_LBUTTONUP to the window before calling it.
//
// Plain data; copyable. User-interface thread only.
#pragma once

#include "platform/ui/geometry.h"
#include "platform/ui/wnd.h"

class CBrush;
class CDC;

using LPRECT = RECT*;
using LPCRECT = const RECT*;

class CRectTracker {
public:
    // The bits of m_nStyle.
    enum StyleFlags : UINT {
        solidLine = 1,
        dottedLine = 2,
        hatchedBorder = 4,
        resizeInside = 8,
        resizeOutside = 16,
        hatchInside = 32,
    };
    // What HitTest answers, and the handles of Track and AdjustRect.
    enum TrackerHit : int {
        hitNothing = -1,
        hitTopLeft = 0,
        hitTopRight = 1,
        hitBottomRight = 2,
        hitBottomLeft = 3,
        hitTop = 4,
        hitRight = 5,
        hitBottom = 6,
        hitLeft = 7,
        hitMiddle = 8,
    };
    // The handle size unless the owner sets another.
    static constexpr int kDefaultHandleSize = 4;

    CRectTracker() = default;
    CRectTracker(LPCRECT rect, UINT nStyle) : m_rect(*rect), m_nStyle(nStyle) {}
    virtual ~CRectTracker() = default;
    CRectTracker(const CRectTracker&) = default;
    CRectTracker& operator=(const CRectTracker&) = default;

    CRect m_rect;                    // client coordinates; may stand the wrong way round
    CSize m_sizeMin{2 * kDefaultHandleSize, 2 * kDefaultHandleSize};   // a resize stops here
    UINT m_nStyle = 0;               // StyleFlags
    int m_nHandleSize = kDefaultHandleSize;

    // The handle (or hitMiddle inside the rectangle, its border included
    // when it has a line) at `point`; hitNothing elsewhere.
    int HitTest(CPoint point) const;
    // For WM_SETCURSOR: with nHitTest HTCLIENT and the pointer over the
    // tracker in `pWnd`, shows the size cursor of the handle there (the
    // four-way one in the middle) and answers TRUE; else FALSE.
    BOOL SetCursor(CWnd* pWnd, UINT nHitTest) const;
    // Runs the resize or move that a press at `point` (client coordinates of
    // `pWnd`) starts; see above. `bAllowInvert` lets a dragged edge pass the
    // opposite one; without it the rectangle ends the right way round. FALSE
    // at once when the point hits nothing. Answers TRUE when the rectangle
    // has changed.
    BOOL Track(CWnd* pWnd, CPoint point, BOOL bAllowInvert = FALSE, CWnd* pWndClipTo = nullptr);
    // Called on each move of Track with the rectangle the pointer gives. The
    // base keeps the moved edges at least m_sizeMin from the opposite ones
    // (in either direction when inverting is allowed).
    virtual void AdjustRect(int nHandle, LPRECT lpRect);
    // Draws the tracker by its style in MM_TEXT: the line in black (dotted
    // for dottedLine) one pixel outside the rectangle, the hatching, the
    // handles in black.
    void Draw(CDC* pDC) const;
    // Bit n set for each handle n (hitTopLeft ... hitLeft) that is shown.
    UINT GetHandleMask() const;
    // The rectangle with everything Draw may touch (line, handles, border).
    void GetTrueRect(LPRECT lpTrueRect) const;

protected:
    // The handle's square, by the normalised rectangle, in client coordinates.
    void GetHandleRect(int nHandle, CRect* pHandleRect) const;
    // The handle size for the rectangle (see above).
    int GetHandleSize() const;
    // The brush of the hatching: an 8 x 8 pattern of one-pixel diagonals.
    static CBrush* GetHatchBrush();
    // Readies the DC (its state saved by the caller) to hatch: no pen, the
    // hatch brush, its set pixels darkening what lies under them and the
    // others leaving it as it is.
    static void SelectHatch(CDC* pDC);

    BOOL m_bAllowInvert = FALSE;     // as given to the running Track

private:
    // The handle pressed in m_rect's terms (see above) from the one drawn there.
    int HandleOfRect(int nDrawnHandle) const;
    // Track's move of one handle; TRUE when the rectangle changed.
    BOOL TrackHandle(int nHandle, CWnd* pWnd, CPoint point, CWnd* pWndClipTo);
};
