#include "platform/ui/recttracker.h"

int CRectTracker::HitTest(CPoint) const { return hitNothing; }
BOOL CRectTracker::SetCursor(CWnd*, UINT) const { return FALSE; }
BOOL CRectTracker::Track(CWnd*, CPoint, BOOL, CWnd*) { return FALSE; }
void CRectTracker::AdjustRect(int, LPRECT) {}
void CRectTracker::Draw(CDC*) const {}
UINT CRectTracker::GetHandleMask() const { return 0x0F; }
void CRectTracker::GetTrueRect(LPRECT lpTrueRect) const { *lpTrueRect = m_rect; }
void CRectTracker::GetHandleRect(int, CRect* pHandleRect) const { pHandleRect->SetRectEmpty(); }
int CRectTracker::GetHandleSize() const { return m_nHandleSize; }
CBrush* CRectTracker::GetHatchBrush() { return nullptr; }
int CRectTracker::HandleOfRect(int nDrawnHandle) const { return nDrawnHandle; }
BOOL CRectTracker::TrackHandle(int, CWnd*, CPoint, CWnd*) { return FALSE; }
