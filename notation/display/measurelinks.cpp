// The look-ups from clefs and keys into the measure displays.
#include "notation/display/measurelinks.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/measure.h"
#include "model/plugin.h"
#include "model/viewdata.h"
#include "notation/layout/ruler.h"

// The measure displays come with their own classes; this file is where the
// clef and key meet them, so that nothing else needs them to be built yet.
#if __has_include("notation/display/conductormeasure.h")
#include "notation/display/conductormeasure.h"
#define CLEFKEY_HAVE_CONDUCTOR_MEASURE 1
#endif
#if __has_include("notation/display/measure.h")
#include "notation/display/measure.h"
#define CLEFKEY_HAVE_MEASURE 1
#endif

ECMeasure* MeasureParent(ECBase* event) {
    MCEventList* parents = event ? event->GetParents() : nullptr;
    if (!parents)
        return nullptr;
    for (POSITION pos = parents->GetHeadPosition(); pos;) {
        ECBase* parent = parents->GetNext(pos);
        if (parent && parent->GetClassType() == ET_MEASURE)
            return dynamic_cast<ECMeasure*>(parent);
    }
    return nullptr;
}

ECMeasure* PositioningMeasure(ECMeasure* measure, ECBase* parent, ECBase* event) {
    if (measure)
        return measure;
    if (parent && parent->GetClassType() == ET_MEASURE)
        return dynamic_cast<ECMeasure*>(parent);
    return MeasureParent(event);
}

MCRuler* ConductorRulerAt(ECConductor* conductor, ECMeasure* measure) {
    if (!measure || !measure->GetTime())
        return nullptr;
    if (!conductor)
        conductor = static_cast<ECConductor*>(measure->GetAncestor(ET_CONDUCTOR, -1));
    if (!conductor)
        return nullptr;
    ECMeasure* column = conductor->GetMeasure(0, *measure->GetTime(), 0, 1);
    DCBase* data = column ? column->GetData(DK_NOTATION, 0) : nullptr;
#ifdef CLEFKEY_HAVE_CONDUCTOR_MEASURE
    if (auto* display = dynamic_cast<DCctConductorMeasure*>(data))
        return &display->GetRuler();
#else
    (void)data;
#endif
    return nullptr;
}

int MeasureLeftHandOffset(ECBase* measure) {
    DCBase* data = measure ? measure->GetData(DK_NOTATION, 0) : nullptr;
#ifdef CLEFKEY_HAVE_MEASURE
    if (auto* display = dynamic_cast<DCctMeasure*>(data))
        return display->GetLeftHandOffset();
#else
    (void)data;
#endif
    return 0;
}
