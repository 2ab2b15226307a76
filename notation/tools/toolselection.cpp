// The tools' selection states and band search (see toolselection.h).
#include "notation/tools/toolselection.h"

#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/event.h"
#include "model/lists.h"
#include "model/performance.h"
#include "notation/view/cantrel.h"
#include "notation/view/drawaction.h"
#include "notation/view/findactions.h"
#include "platform/ui/paint.h"

#include <mutex>

void ApplySelection(ECPerformance* performance, unsigned code, const MCEventList* events, int dynamic) {
    if (!performance)
        return;
    auto* selection = events ? new SCSelection(code, events) : new SCSelection(code);
    selection->SetDynamic(dynamic);
    selection->Apply(performance);
}

void FindInBand(CCantrel& view, const std::vector<int>& types, MCEventList& found, MCEventList* among) {
    ECPerformance* performance = view.GetBaseEvent();
    if (!performance)
        return;
    std::lock_guard lock(performance->GetLock());
    ACFindInRect find;
    find.AddEvtTypes(types);
    find.SetRect(view.GetDragRect());
    if (among)
        find.Apply(*among, 0);
    else
        find.Apply(performance);
    found.AddTail(&find.GetEvents());
}

void CToolHighlight::Switch(CCantrel& view, ECBase* target, CDC* dc) {
    if (drawing || target == element)
        return;
    LetGo(view, dc);
    view.HighlightEvent(target, dc, ACHighlight::SELECT_ON);
    // Painting now may call back into the tool's drawing.
    drawing = 1;
    if (view.GetSafeHwnd())
        view.UpdateWindow();
    drawing = 0;
    Hold(target);
}

void CToolHighlight::LetGo(CCantrel& view, CDC* dc) {
    ECBase* shown = element;
    if (!shown)
        return;
    shown->Ref();   // ours until drawn
    Hold(nullptr);
    auto* document = DYNAMIC_DOWNCAST(MCOpusDoc, view.GetDocument());
    // An element the user selected stays drawn selected; one an edit took
    // out of the piece is no longer drawn at all.
    const bool selected = document && document->GetSelection(0).GetEvents(0).Find(shown);
    if (!selected && !shown->GetParents()->IsEmpty())
        view.HighlightEvent(shown, dc, ACHighlight::SELECT_OFF);
    shown->Unref(1);
}

void CToolHighlight::LetGoOnView(CCantrel& view) {
    if (!element)
        return;
    if (!view.GetSafeHwnd()) {
        LetGo(view, nullptr);
        return;
    }
    CClientDC dc(&view);
    view.OnPrepareDC(&dc);
    LetGo(view, &dc);
}

void CToolHighlight::Hold(ECBase* target) {
    if (target)
        target->Ref();
    ECBase* old = element;
    element = target;
    if (old)
        old->Unref(1);
}
