// The tools' selection states and band search (see toolselection.h).
#include "notation/tools/toolselection.h"

#include "model/appstates.h"
#include "model/lists.h"
#include "model/performance.h"
#include "notation/view/cantrel.h"
#include "notation/view/findactions.h"

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
