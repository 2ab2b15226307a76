// CMarginView: the strip at the left of the notation view's track view.
//
// It paints through an off-screen bitmap of its client size, drawn once
// after each size change and only copied from afterwards; shows the
// west-east sizing cursor over a strip at its right edge (the system edge
// width, widened by 5 pixels each side, so it reaches past the border); and
// tells its parent of every left button press (WM_PARENTNOTIFY, the point in
// its own client coordinates), so the parent can drag the margin's width.
//
// Ownership: the bitmap is the view's. User-interface thread only.
#pragma once

#include "platform/gdi/dc.h"
#include "platform/ui/msgmap.h"
#include "platform/ui/wnd.h"

#include <cstdint>
#include <memory>

class CMarginView : public CWnd {
    DECLARE_DYNCREATE(CMarginView)
public:
    // The bits of the flags.
    enum : std::uint8_t {
        MV_REDRAW = 1 << 0,      // the picture must be drawn again
        MV_OVER_EDGE = 1 << 1,   // the pointer is over the sizing edge
    };
    // How far the sizing edge reaches beyond the system edge on each side.
    static constexpr int kEdgeSlack = 5;

    CMarginView();
    ~CMarginView() override;

    virtual BOOL PtInSizingEdge(CPoint point) const;
    // The button face with a raised edge on its right side. A derived
    // margin may draw something else.
    virtual void OnDraw(CDC* pDC, CRect rect);

    std::uint8_t GetFlags() const { return m_flags; }
    const CRect& GetSizingEdge() const { return m_sizingEdge; }
    CBitmap* GetBitmap() const { return m_pBitmap.get(); }

protected:
    afx_msg void OnPaint();
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    DECLARE_MESSAGE_MAP()

private:
    std::uint8_t m_flags = MV_REDRAW;
    CRect m_sizingEdge;                   // client coordinates
    std::unique_ptr<CBitmap> m_pBitmap;   // owned; null until the first paint after a resize
};
