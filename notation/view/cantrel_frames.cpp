// The notation view's frames of embedded objects: the resize handles of a
// single selected frame (the pointer's cursor over them, their drag), the
// selection as the items see it, opening the object, and what a copied
// frame offers other programs.
#include "notation/view/cantrel.h"

#include "interface/document/opusdoc.h"
#include "model/eventtypes.h"
#include "model/frame.h"
#include "notation/view/scoreitem.h"
#include "notation/view/cttracker.h"
#include "platform/ui/cursor.h"
#include "platform/ui/paint.h"

namespace {

// The single selected frame, or null.
ECFrame* SingleSelectedFrame(CCantrel& view) {
    if (!view.IsSingleSelect())
        return nullptr;
    auto* document = DYNAMIC_DOWNCAST(MCOpusDoc, view.GetDocument());
    return static_cast<ECFrame*>(document->GetSelection(0).GetEvents(1).GetHead());
}

// A tracker with resize handles inside over the frame's display rectangle
// (device coordinates of `dc`, prepared by the view); false without a display.
bool SetUpTracker(CCantrel& view, CDC& dc, ECFrame& frame, CCTRectTracker& tracker) {
    auto* display = dynamic_cast<DCctBase*>(frame.GetData(DK_NOTATION, 1));
    if (!display)
        return false;
    CRect rect;
    display->GetVirtualFrame(&rect, 0);
    view.VPtoDP(&dc, &rect);
    tracker.SetupResize(&view, rect);
    tracker.m_nStyle = CRectTracker::resizeInside;
    return true;
}

}  // namespace

int CCantrel::IsSelected(const CObject* item) {
    const auto* scoreItem = dynamic_cast<const CScoreCntrItem*>(item);
    ECFrame* frame = scoreItem ? scoreItem->GetECFrame() : nullptr;
    auto* display = frame ? dynamic_cast<DCctBase*>(frame->GetData(DK_NOTATION, 0)) : nullptr;
    return display && display->IsSelected();
}

int CCantrel::OpenSelectedFrame() {
    ECFrame* frame = SingleSelectedFrame(*this);
    if (!frame || !frame->GetClientItem())
        return 0;
    CWaitCursor wait;
    return CCantrelItem::DoOpen(frame->GetClientItem());
}

BOOL CCantrel::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
    ECFrame* frame = pWnd == this ? SingleSelectedFrame(*this) : nullptr;
    if (frame) {
        CClientDC dc(this);
        OnPrepareDC(&dc);
        CCTRectTracker tracker;
        if (SetUpTracker(*this, dc, *frame, tracker) && tracker.SetCursor(this, nHitTest))
            return TRUE;
    }
    return MCScrollView::OnSetCursor(pWnd, nHitTest, message);
}

int CCantrel::TrackFrameHandle(CPoint& point) {
    ECFrame* frame = SingleSelectedFrame(*this);
    CScoreCntrItem* item = frame ? frame->GetClientItem() : nullptr;
    if (!item)
        return 0;
    CCTRectTracker tracker;
    {
        CClientDC dc(this);
        OnPrepareDC(&dc);
        if (!SetUpTracker(*this, dc, *frame, tracker))
            return 0;
    }
    const int hit = tracker.HitTest(point);
    if (hit == CRectTracker::hitNothing || hit == CRectTracker::hitMiddle)
        return 0;
    if (tracker.Track(this, point)) {
        CClientDC dc(this);
        OnPrepareDC(&dc);
        CRect resized = tracker.m_rect;
        CCantrelItem::SetNewSizeD(item, &dc, resized);
        if (CDocument* document = GetDocument())
            document->SetModifiedFlag(TRUE);
    }
    return 1;
}

void CCantrel::OfferFrameObject(ECFrame* frame, COleDataSource* source) {
    CScoreCntrItem* item = frame ? frame->GetClientItem() : nullptr;
    // An object of another program's has no bytes of its own to offer.
    if (!item || !source || !item->GetForeignClassName().empty() || item->GetData().empty())
        return;
    source->CacheMimeData(item->GetMimeType(), item->GetData());
}
