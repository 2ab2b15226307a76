// Drag-and-drop (see dragdrop.h).
#include "platform/ui/dragdrop.h"

#include "platform/ui/clipboard.h"
#include "platform/ui/document.h"

class COleDropTarget::Session {};

COleDropTarget::COleDropTarget() = default;
COleDropTarget::~COleDropTarget() { Revoke(); }
int COleDropTarget::Register(CWnd*) { return 0; }   // FIXME: being written
void COleDropTarget::Revoke() {}
CWnd* COleDropTarget::GetWindow() const { return nullptr; }
COleDropTarget* COleDropTarget::FromWindow(const CWnd*) { return nullptr; }

DROPEFFECT COleDropTarget::OnDragEnter(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point) {
    auto* view = dynamic_cast<CView*>(wnd);
    return view ? view->OnDragEnter(data, keyState, point) : DROPEFFECT_NONE;
}
DROPEFFECT COleDropTarget::OnDragOver(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point) {
    auto* view = dynamic_cast<CView*>(wnd);
    return view ? view->OnDragOver(data, keyState, point) : DROPEFFECT_NONE;
}
void COleDropTarget::OnDragLeave(CWnd* wnd) {
    if (auto* view = dynamic_cast<CView*>(wnd))
        view->OnDragLeave();
}
BOOL COleDropTarget::OnDrop(CWnd* wnd, COleDataObject* data, DROPEFFECT dropEffect, CPoint point) {
    auto* view = dynamic_cast<CView*>(wnd);
    return view ? view->OnDrop(data, dropEffect, point) : FALSE;
}
DROPEFFECT COleDropTarget::OnDragScroll(CWnd* wnd, DWORD keyState, CPoint point) {
    auto* view = dynamic_cast<CView*>(wnd);
    return view ? view->OnDragScroll(keyState, point) : DROPEFFECT_NONE;
}

DROPEFFECT CView::OnDragEnter(COleDataObject*, DWORD, CPoint) { return DROPEFFECT_NONE; }
DROPEFFECT CView::OnDragOver(COleDataObject*, DWORD, CPoint) { return DROPEFFECT_NONE; }
void CView::OnDragLeave() {}
BOOL CView::OnDrop(COleDataObject*, DROPEFFECT, CPoint) { return FALSE; }
DROPEFFECT CView::OnDragScroll(DWORD, CPoint) { return DROPEFFECT_SCROLL; }

int DragDetect(CWnd*, CPoint) { return 0; }
DROPEFFECT COleDataSource::DoDragDrop(DROPEFFECT) { return DROPEFFECT_NONE; }

namespace {
CDragScript* g_activeScript = nullptr;
}
CDragScript::CDragScript() : m_previous(g_activeScript) { g_activeScript = this; }
CDragScript::~CDragScript() { g_activeScript = m_previous; }
CDragScript* CDragScript::GetActive() { return g_activeScript; }
void CDragScript::Detect(bool drag) { m_detect = drag; }
void CDragScript::Move(CWnd* wnd, CPoint point, DWORD keyState) {
    m_steps.push_back({Kind::Move, wnd ? wnd->GetSafeHwnd() : nullptr, point, keyState});
}
void CDragScript::Drop() { m_steps.push_back({Kind::Drop}); }
void CDragScript::Leave() { m_steps.push_back({Kind::Leave}); }
DROPEFFECT CDragScript::DropFromOutside(const QMimeData&, CWnd*, CPoint, DWORD, DROPEFFECT) { return DROPEFFECT_NONE; }
int CDragScript::PlayDetect() { ++m_detects; return m_detect ? 1 : 0; }
DROPEFFECT CDragScript::PlayDrag(const QMimeData&, DROPEFFECT) { ++m_drags; return DROPEFFECT_NONE; }
