// The look-ups from clefs and keys into the measure displays.
#include "notation/display/measurelookup.h"

#include "model/markings.h"
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/measure.h"
#include "model/plugin.h"
#include "model/viewdata.h"
#include "notation/display/clef.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/key.h"
#include "notation/display/measure.h"
#include "notation/display/measurelinks.h"
#include "notation/layout/ruler.h"


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
    if (auto* display = dynamic_cast<DCctConductorMeasure*>(data))
        return &display->GetRuler();
    return nullptr;
}

int MeasureLeftHandOffset(ECBase* measure) {
    DCBase* data = measure ? measure->GetData(DK_NOTATION, 0) : nullptr;
    if (auto* display = dynamic_cast<DCctMeasure*>(data))
        return display->GetLeftHandOffset();
    return 0;
}

// The staff measure's questions to the clef, key and conductor measure
// displays (measurelinks.h), and the conductor measure's to the staff
// measure's, answered here where they meet.
namespace {

DCctClef* ClefDisplay(ECClef* clef) {
    return clef ? dynamic_cast<DCctClef*>(clef->GetData(DK_NOTATION, 0)) : nullptr;
}

int ClefPitch(ECClef* clef, BYTE (DCctClef::*line)()) {
    DCctClef* display = ClefDisplay(clef);
    return display ? (display->*line)() : -1;
}

const bool s_displayLinks = [] {
    MeasureLinks& links = GetMeasureLinks();
    links.topLinePitch = [](ECClef* clef) { return ClefPitch(clef, &DCctClef::GetTopLineMidiPitch); };
    links.middleLinePitch = [](ECClef* clef) { return ClefPitch(clef, &DCctClef::GetMiddleLineMidiPitch); };
    links.bottomLinePitch = [](ECClef* clef) { return ClefPitch(clef, &DCctClef::GetBottomLineMidiPitch); };
    links.staffLineToMidiPitch = [](ECClef* clef, short position, ECKey* key) {
        DCctClef* display = ClefDisplay(clef);
        if (!display)
            return -1;
        auto* keyDisplay = key ? dynamic_cast<DCctKey*>(key->GetData(DK_NOTATION, 0)) : nullptr;
        return static_cast<int>(display->StaffLineToMidiPitch(position, keyDisplay));
    };
    links.conductorRuler = [](DCBase* display) -> MCRulerRuler* {
        auto* column = dynamic_cast<DCctConductorMeasure*>(display);
        return column ? &column->GetRuler() : nullptr;
    };
    links.measureY = [](DCBase* display, ECMeasure* measure, int& y) {
        auto* column = dynamic_cast<DCctConductorMeasure*>(display);
        if (!column)
            return 0;
        y = column->GetYPositionForMeasure(measure);
        return 1;
    };

    DCctConductorMeasure::ExternalLinks& column = DCctConductorMeasure::Links();
    column.measureRuler = [](DCctBase* display) -> MCRuler* {
        auto* measure = dynamic_cast<DCctMeasure*>(display);
        return measure ? &measure->GetRuler() : nullptr;
    };
    column.setMeasureEnd = [](DCctBase* display, int width) {
        if (auto* measure = dynamic_cast<DCctMeasure*>(display))
            measure->SetMeasureEnd(width);
    };
    column.setCollapsedMeasure = [](DCctBase* display, int count) {
        if (auto* measure = dynamic_cast<DCctMeasure*>(display))
            measure->SetCollapsedMeasure(count);
    };
    column.legerHeightBelow = [](DCctBase* display) {
        auto* measure = dynamic_cast<DCctMeasure*>(display);
        return measure ? measure->GetLegerHeightBelow() : 0;
    };
    return true;
}();

}  // namespace
