#include "notation/tools/framecursor.h"

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/midifields.h"
#include "model/performance.h"
#include "notation/display/base.h"
#include "notation/view/cantrel.h"
#include "notation/view/selectionoffset.h"
#include "platform/ui/paint.h"

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

    // The old outline and the new one inverted together, once, so that what
    // both cover stays as it is; only the view area is drawn on.
    const int saved = dc->SaveDC();
    dc->SetMapMode(MM_TEXT);
    dc->SetWindowOrg(0, 0);
    dc->SetViewportOrg(0, 0);
    dc->IntersectClipRect(&m_pView->GetViewArea());
    const CSize unit(1, 1);
    dc->DrawDragRect(&now, unit, moved ? &before : nullptr, unit);
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
