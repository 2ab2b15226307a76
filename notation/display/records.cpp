// The display-data records and InitPlugins.
//
// One row per display class, in event-type order. A class still to come has
// its place held by a comment naming its event type; whoever writes the class
// puts its row (and its header above) in that place and nowhere else.
#include "notation/display/records.h"

#include "model/eventtypes.h"
#include "model/plugin.h"
#include "notation/display/base.h"
// barline.h (DCctBarline)
#include "notation/display/clef.h"
// conductor.h (DCctConductor, DCctConductorStaff)
// conductormeasure.h (DCctConductorMeasure)
#include "notation/display/key.h"
// measure.h (DCctMeasure)
// meter.h (DCctMeter)
#include "notation/display/mirror.h"
#include "notation/display/staff.h"

namespace {

const CPluginData s_displayRecords[] = {
    // ET_BARLINE 5: DCctBarline
    {RUNTIME_CLASS(DCctBase), DK_NOTATION, ET_BASE},
    {RUNTIME_CLASS(DCctClef), DK_NOTATION, ET_CLEF},
    // ET_CONDUCTOR 14: DCctConductor
    // ET_CONDUCTORMEASURE 15: DCctConductorMeasure
    // ET_CONDUCTORSTAFF 16: DCctConductorStaff
    {RUNTIME_CLASS(DCctKey), DK_NOTATION, ET_KEY},
    // ET_MEASURE 25: DCctMeasure
    // ET_METER 26: DCctMeter
    {RUNTIME_CLASS(DCctMirror), DK_NOTATION, ET_MIRROR},
    {RUNTIME_CLASS(DCctStaff), DK_NOTATION, ET_STAFF},
};

}  // namespace

std::span<const CPluginData> DisplayDataRecords() {
    return s_displayRecords;
}

extern "C" int InitPlugins() {
    // The notation view's record comes first, once the view is part of the
    // plug-in.
    for (const CPluginData& record : s_displayRecords)
        CPluginData::AddPlugin(&record);
    // Then the inspector and preference pages, the music buttons' drawing and
    // the note duration functions, as each of them arrives.
    return 87;
}
