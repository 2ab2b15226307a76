// Stand-ins for the view's embedded-object calls until the objects and
// their frames' drawing join the view.
#include "notation/view/cantrel.h"

int CCantrel::InsertEventFromData(COleDataIn* /*reader*/, DWORD /*flags*/) {
    // FIXME: no embedded objects yet: nothing can be made from the data.
    return 0;
}

int CCantrel::TrackFrameHandle(CPoint& /*point*/) {
    // FIXME: no frame handles yet: a press always drags.
    return 0;
}

void CCantrel::OfferFrameObject(ECFrame* /*frame*/, COleDataSource* /*source*/) {
    // FIXME: no embedded objects yet: a copied frame offers only the score's formats.
}
