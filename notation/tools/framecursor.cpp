#include "notation/tools/framecursor.h"

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/midifields.h"
#include "model/performance.h"
#include "notation/display/base.h"
#include "notation/view/cantrel.h"
#include "notation/view/selectionoffset.h"
#include "platform/gdi/gdiobj.h"
#include "platform/ui/paint.h"


namespace {

// The one-unit border of `rect` (device units, normalised) as a region.
void Border(const CRect& rect, CRgn& border) {
    CRgn outer;
    outer.CreateRectRgnIndirect(&rect);
    CRect inside = rect;
    if (!inside.IsRectEmpty())
        inside.DeflateRect(1, 1);
    CRgn inner;
    inner.CreateRectRgnIndirect(&inside);
    border.CreateRectRgn(0, 0, 0, 0);
    border.CombineRgn(&outer, &inner, RGN_XOR);
}

}  // namespace

CFrameCursor::CFrameCursor(CCantrel* view) : CMusicCursor(view, nullptr) {
    m_eventTypes = {ET_PERFORMANCE};
}

int CFrameCursor::CanInsert(int eventType) {
    return eventType == ET_FRAME && m_pParent ? 1 : 0;
}

void CFrameCursor::Show() {
    if (m_bVisible)
        return;
    DrawOnView();
    m_bVisible = 1;
}

void CFrameCursor::Hide() {
    if (!m_bVisible)
        return;
    if (m_pView->GetSafeHwnd() && !m_drawnRect.IsRectNull()) {
        // The outline's pixels (a pixel more on each side for rounding)
        // painted again at once.
        CClientDC dc(m_pView);
        m_pView->OnPrepareDC(&dc);
        CRect drawn = m_drawnRect;
        m_pView->VPtoDP(&dc, &drawn);
        drawn.NormalizeRect();
        drawn.InflateRect(1, 1);
        m_pView->InvalidateRect(&drawn, FALSE);
        m_pView->UpdateWindow();
    }
    m_bVisible = 0;
}

void CFrameCursor::Reset() {
    CMusicCursor::Reset();
    m_frameSize = CSize(0, 0);
    m_frameOffset = CSize(0, 0);
    m_drawnRect.SetRectEmpty();
}

void CFrameCursor::Draw(CDC* dc) {
    CRect now = m_frameRect;
    CRect before = m_drawnRect;
    m_pView->VPtoDP(dc, &now);
    m_pView->VPtoDP(dc, &before);
    now.NormalizeRect();
    before.NormalizeRect();
    const bool moved = now != before;
    m_drawnRect = m_frameRect;

    CRgn inverted;
    Border(now, inverted);
    if (moved) {
        CRgn old;
        Border(before, old);
        inverted.CombineRgn(&inverted, &old, RGN_XOR);
    }
    CRgn visible;
    visible.CreateRectRgnIndirect(&m_pView->GetViewArea());
    inverted.CombineRgn(&inverted, &visible, RGN_AND);

    const int saved = dc->SaveDC();
    dc->SetMapMode(MM_TEXT);
    dc->SetWindowOrg(0, 0);
    dc->SetViewportOrg(0, 0);
    dc->SelectClipRgn(&inverted);
    CBrush* previous = dc->SelectObject(CDC::GetHalftoneBrush());
    CRect box;
    dc->GetClipBox(&box);
    dc->PatBlt(box.left, box.top, box.Width(), box.Height(), PATINVERT);
    dc->SelectObject(previous);
    dc->RestoreDC(saved);
}

int CFrameCursor::Update(CPoint& point, CSelectionOffset& offset) {
    CSize shift = offset.m_display;
    if (m_pView->GetSafeHwnd()) {
        CClientDC dc(m_pView);
        m_pView->OnPrepareDC(&dc);
        m_pView->VPtoDP(&dc, &shift);
    }
    CPoint moved = point + shift;
    Update(moved, 0);
    return 1;
}

void CFrameCursor::Update(CPoint& point, int show) {
    CMusicCursor::Update(point, 0);   // the per-move caches cleared
    m_position = ToView(point);
    m_pParent = m_pPerformance;
    CRect outline(m_position, m_frameSize);
    outline.OffsetRect(-m_frameOffset.cx, -m_frameOffset.cy);
    m_frameRect = outline;
    if (m_frameRect != m_drawnRect)
        m_bChanged = 1;
    if (show && m_bChanged) {
        DrawOnView();
        m_bChanged = 0;
    }
}

int CFrameCursor::Insert(ECBase* element, CCAdd* command) {
    if (!element || !m_pParent)
        return 0;
    if (auto* display = dynamic_cast<DCctBase*>(element->GetData(DK_NOTATION, 1))) {
        display->SetPosition(m_position.x - m_frameOffset.cx, m_position.y - m_frameOffset.cy);
        if (m_pView->GetSafeHwnd()) {
            CClientDC dc(m_pView);
            m_pView->OnPrepareDC(&dc);
            display->SetSize(&dc);
        }
    }
    return AddUnder(element, m_pParent, FCMidi::MidiNull(), command);
}

void CFrameCursor::OnMouseDragBegin(UINT flags, CPoint& point) {
    Hide();
    Reset();
    Show();
    m_pView->MCScrollView::OnMouseDragBegin(flags, point);
}
