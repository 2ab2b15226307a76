// The notation view's services for its tools and for other views: the
// elements in sight, scrolling into view,
// highlighting, and the single-frame selection.
#include "notation/view/cantrel.h"

#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/eventtypes.h"
#include "model/performance.h"
#include "notation/display/base.h"
#include "notation/view/drawaction.h"
#include "notation/view/findactions.h"
#include "platform/ui/paint.h"

#include <mutex>

int CCantrel::GetVisibleEvents(MCEventList& list, CDC* dc) {
    if (!m_pBaseEvent)
        return 0;
    CRect client;
    GetClientRect(&client);
    if (dc) {
        dc->DPtoLP(&client);
    } else {
        CClientDC own(this);
        OnPrepareDC(&own);
        own.DPtoLP(&client);
    }
    client.NormalizeRect();
    const CPoint scroll = GetScrollPosition();
    ACFindVisible find;
    find.SetRect(&client);
    find.SetOffset(-scroll.x, -scroll.y);
    {
        std::lock_guard lock(m_pBaseEvent->GetLock());
        find.Apply(m_pBaseEvent);
    }
    list.RemoveAll();
    list.AddTail(&find.GetEvents());
    return static_cast<int>(list.GetCount());
}

void CCantrel::MakeEventVisible(ECBase* element) {
    if (!element)
        return;
    auto* display = dynamic_cast<DCctBase*>(element->GetData(DK_NOTATION, 1));
    if (!display)
        return;
    CRect rect;
    display->GetFrame(&rect, 0);
    ScrollRectToVisible(rect);
}

void CCantrel::ScrollRectToVisible(CRect rect) {
    // The corner scrolled to is taken before normalising: callers pass a
    // y-up rectangle whose bottom is its upper edge.
    const CPoint corner(rect.left, rect.bottom);
    rect.NormalizeRect();
    CRect visible;
    GetClientRect(&visible);
    {
        CClientDC dc(this);
        OnPrepareDC(&dc);
        DPtoVP(&dc, &visible);
    }
    visible.NormalizeRect();
    CRect united;
    united.UnionRect(visible, rect);
    if (united == visible)
        return;
    ScrollTo(corner);
    UpdateScrollBars();
}

void CCantrel::HighlightEvent(ECBase* element, CDC* dc, int kind) {
    if (!element)
        return;
    MCEventList one;
    one.AddTail(element);
    HighlightEvents(one, dc, kind);
}

void CCantrel::HighlightEvents(MCEventList& list, CDC* dc, int kind) {
    if (list.IsEmpty())
        return;
    ACHighlight highlight(kind);
    highlight.SetConductor(m_pBaseEvent ? m_pBaseEvent->GetConductor() : nullptr);
    highlight.SetView(GetSafeHwnd() ? this : nullptr);
    highlight.SetBitmap(GetOffscreenBitmap());
    CRect clip;
    if (dc) {
        GetClientRect(&clip);
        dc->DPtoLP(&clip);
        highlight.SetClipRect(&clip);
    }
    const CPoint scroll = GetScrollPosition();
    highlight.SetOrigin(-scroll.x, -scroll.y);
    highlight.Apply(list, 0);
}

int CCantrel::IsSingleSelect() {
    auto* document = DYNAMIC_DOWNCAST(MCOpusDoc, GetDocument());
    if (!document)
        return 0;
    MCEventList& selected = document->GetSelection(0).GetEvents(1);
    return selected.GetCount() == 1 && selected.GetHead()->GetClassType() == ET_FRAME;
}
