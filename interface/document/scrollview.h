// MCScrollView: the base of the notation view. A view with scroll bars of its
// own, painting through an off-screen bitmap that it scrolls in place, with
// four coordinate spaces, keyboard, scroll-bar and quick-scroll (hand grab)
// scrolling, and left-button drags turned into three drag operations with a
// rubber band and automatic scrolling at the edges.
//
// Coordinate spaces: DP, pixels of the client area; LP, logical units of a DC
// prepared by OnPrepareDC (the derived view sets the mapping mode, extents
// and window origin; the base puts the viewport origin at the view area's
// top-left corner); VP = LP + the scroll position, over the whole view; HM,
// HIMETRIC (2540 to the inch). A view is flipped when the prepared DC's
// viewport extent has a negative height: its view rectangle then runs from 0
// down to a negative bottom.
//
// Keys (Page Up/Down, the arrows, Home, End, with or without Ctrl), the
// bars' line and page steps (arrows and trough) and the wheel scroll as the
// screen shows the view: down shows what lies lower, in a flipped view too.
//
// A scroll (ScrollBy) pends until the next paint, which moves the bitmap's
// pixels and redraws only the strip they uncovered; a diagonal scroll redraws
// everything. The derived view supplies OnDraw (reading m_drawRect, the part
// to draw in view units), its own OnPrepareDC calling this one, the view size
// and the drag operations.
//
// Conversions use 64-bit arithmetic and hold results within int, so far
// targets (End scrolls to +-0x7FFFFFFF) convert without overflow. The size forms
// of LPtoDP and DPtoLP scale by the extents alone, without the origins.
// EnableQuickScroll(FALSE) keeps quick scrolling from arming, and the
// drag-select cursor shows while a drag select is in progress.
//
// Ownership: the off-screen bitmap and the three bars are the view's own.
// User-interface thread only.
#pragma once

#include "platform/gdi/dc.h"
#include "platform/ui/cursor.h"
#include "platform/ui/document.h"
#include "platform/ui/scrollctrl.h"

#include <cstdint>
#include <memory>

class CPrintInfo;

// The autoscroll timer of a drag near an edge.
inline constexpr UINT_PTR TIMER_AUTOSCROLL = 100;

class MCScrollView : public CView {
    DECLARE_DYNCREATE(MCScrollView)
public:
    // The bits of m_flags.
    enum : std::uint16_t {
        SV_CREATED = 1 << 0,
        SV_NEEDS_DRAW = 1 << 1,
        SV_POINTER_INSIDE = 1 << 2,
        SV_QUICKSCROLL_ENABLED = 1 << 3,
        SV_QUICKSCROLL_ARMED = 1 << 4,
        SV_QUICKSCROLL_GRAB = 1 << 5,
        SV_DRAGSELECT_ENABLED = 1 << 6,
        SV_MOUSE_DRAG = 1 << 7,
    };
    // The ids of the two bars and the size box.
    enum : UINT { IDC_HSCROLLBAR = 1, IDC_VSCROLLBAR = 2, IDC_SIZEBOX = 3 };
    // Which axes GetScrollBarPos and SetScrollBarPos mean.
    enum : int { SCROLL_BOTH = 0, SCROLL_HORZ = 1, SCROLL_VERT = 2 };
    // The margin, in pixels, inside which a drag scrolls the view.
    static constexpr int kAutoScrollMargin = 20;

    MCScrollView();
    ~MCScrollView() override;

    BOOL Create(const char* lpszClassName, const char* lpszWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID, void* pContext = nullptr) override;

    // ---- settings ---------------------------------------------------------------------
    virtual CSize GetViewSize() const;
    virtual void SetViewSize(int cx, int cy);
    virtual CSize GetLineScroll() const { return m_lineScroll; }
    virtual void SetLineScroll(CSize size) { m_lineScroll = size; }
    virtual CSize GetPageScroll() const { return m_pageScroll; }
    virtual void SetPageScroll(CSize size) { m_pageScroll = size; }
    virtual void EnableQuickScroll(BOOL bEnable);
    virtual void SetQuickScrollKey(UINT nKey) { m_nQuickScrollKey = nKey; }
    virtual void SetQuickScrollCursors(HCURSOR hArmed, HCURSOR hGrabbing);
    virtual void EnableDragSelect(BOOL bEnable);
    virtual void SetDragSelectMode(int nMode) { m_nDragSelectMode = nMode; }
    virtual void SetDragSelectCursor(HCURSOR hCursor) { m_hDragSelectCursor = hCursor; }
    virtual void SetNeedsDraw(BOOL bNeedsDraw);

    // ---- conversions (the DC first) -----------------------------------------------------
    virtual void LPtoDP(CDC* pDC, RECT* rect) const;
    virtual void LPtoDP(CDC* pDC, SIZE* size) const;
    virtual void LPtoDP(CDC* pDC, POINT* points, int count = 1) const;
    virtual void DPtoLP(CDC* pDC, RECT* rect) const;
    virtual void DPtoLP(CDC* pDC, SIZE* size) const;
    virtual void DPtoLP(CDC* pDC, POINT* points, int count = 1) const;
    virtual void LPtoVP(RECT* rect) const;
    virtual void LPtoVP(POINT* points, int count = 1) const;
    virtual void VPtoLP(RECT* rect) const;
    virtual void VPtoLP(POINT* points, int count = 1) const;
    virtual void DPtoVP(CDC* pDC, SIZE* size) const;
    virtual void DPtoVP(CDC* pDC, RECT* rect) const;
    virtual void DPtoVP(CDC* pDC, POINT* points, int count = 1) const;
    virtual void VPtoDP(CDC* pDC, SIZE* size) const;
    virtual void VPtoDP(CDC* pDC, RECT* rect) const;
    virtual void VPtoDP(CDC* pDC, POINT* points, int count = 1) const;
    virtual void HMtoDP(CDC* pDC, RECT* rect) const;
    virtual void HMtoDP(CDC* pDC, POINT* point) const;
    virtual void HMtoDP(CDC* pDC, SIZE* size) const;
    virtual void DPtoHM(CDC* pDC, RECT* rect) const;
    virtual void DPtoHM(CDC* pDC, POINT* point) const;
    virtual void DPtoHM(CDC* pDC, SIZE* size) const;

    // ---- scrolling and layout -----------------------------------------------------------
    virtual void UpdateScrollBars();
    virtual void GetScrollBarPos(POINT* point, int which);
    virtual void SetScrollBarPos(POINT point, int which);
    // Answers the new scroll position.
    virtual CPoint ScrollTo(CPoint target);
    // Answers the part of `delta` that fits within the view.
    virtual CSize ScrollBy(CSize delta, BOOL bRedraw);
    // With `pDC`, its viewport's height; without, a client DC prepared by OnPrepareDC.
    virtual BOOL IsFlipped(CDC* pDC = nullptr);
    // The client rectangle in, the view area out; places the bars.
    virtual void CalcRects(RECT* rect);
    virtual void TileViews(BOOL bRedraw);

    // ---- the rubber band and drags ------------------------------------------------------
    virtual void DrawDragRect(CDC* pDC, BOOL bErasePrevious);
    // 1: the band was updated without scrolling; 0: the view scrolled.
    virtual int UpdateDragRect(CPoint point, BOOL bDraw);
    virtual void ClearDragRect();
    virtual void OnMouseDragBegin(UINT nFlags, CPoint point);
    virtual void OnMouseDragContinue(UINT nFlags, CPoint point);
    virtual void OnMouseDragEnd(UINT nFlags, CPoint point);

    virtual void PerformScroll(CDC* pDC);
    virtual void OnPostPaint(CDC* pDC);
    virtual void UpdateCursor();

    // The view's drawing protocol.
    virtual BOOL OnScrollBy(CSize sizeScroll, BOOL bDoScroll = TRUE);
    virtual void OnPrepareDC(CDC* pDC, CPrintInfo* pInfo = nullptr);
    virtual void OnDraw(CDC* pDC);

    // For tests and derived views.
    CPoint GetScrollPosition() const { return m_scrollPos; }
    const CRect& GetViewArea() const { return m_viewArea; }
    const CRect& GetDragRect() const { return m_dragRect; }
    std::uint16_t GetFlags() const { return m_flags; }
    CBitmap* GetOffscreenBitmap() const { return m_pBitmap.get(); }

protected:
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg void OnPaint();
    afx_msg LRESULT OnHScrollMessage(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnVScrollMessage(WPARAM wParam, LPARAM lParam);
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt);
    afx_msg void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnSysKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnSysKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    DECLARE_MESSAGE_MAP()

    std::uint16_t m_flags = SV_NEEDS_DRAW | SV_QUICKSCROLL_ENABLED | SV_DRAGSELECT_ENABLED;
    CRect m_viewRect{0, 0, 100, 100};   // view units; bottom negative when flipped
    CRect m_viewArea;                   // device units: the client less the bars
    CRect m_drawRect;                   // during a paint: view units to draw
    CRect m_dirtyRect;                  // device units the next paint redraws
    CSize m_lineScroll{5, 5};
    CSize m_pageScroll{50, 50};
    int m_wheelRest = 0;   // wheel turn not yet a whole notch (120ths)
    CPoint m_scrollPos;                 // view units of the view area's top-left
    CSize m_pendingScroll;              // applied by the next paint
    HCURSOR m_hArrowCursor = nullptr;   // borrowed handles (cursor.h)
    UINT m_nQuickScrollKey = 16;        // Shift
    CPoint m_grabPoint;                 // device
    HCURSOR m_hQuickScrollCursor[2] = {nullptr, nullptr};   // armed, grabbing
    int m_nDragSelectMode = 0;
    CRect m_dragRect;                   // view units
    CRect m_prevDragRect;
    CPoint m_dragAnchor;                // view units
    CPoint m_lastDragPoint;             // device
    UINT_PTR m_nAutoScrollTimer = 0;
    HCURSOR m_hDragSelectCursor = nullptr;
    std::unique_ptr<CBitmap> m_pBitmap;   // owned: the off-screen bitmap
    CScrollBar m_hBar;
    CScrollBar m_vBar;
    CWnd m_sizeBox;
    CRect m_hBarRect, m_vBarRect, m_sizeBoxRect;

private:
    void OnScroll(int axis, UINT nSBCode);
    // A client DC prepared by OnPrepareDC.
    struct PreparedDC;
};
