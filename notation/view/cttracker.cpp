#include "notation/view/cttracker.h"

CCTRectTracker::CCTRectTracker() { m_nHandleSize = kHandleSize; }
void CCTRectTracker::SetupResize(CCantrel* view, CRect& rect) {
    rect.NormalizeRect();
    m_pView = view;
    m_rect = rect;
    m_setupRect = rect;
}
void CCTRectTracker::SetRects() {}
void CCTRectTracker::AdjustRect(int nHandle, LPRECT lpRect) { CRectTracker::AdjustRect(nHandle, lpRect); }
void CCTRectTracker::OurDraw(CDC*) {}
