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
// clef.h (DCctClef)
// conductor.h (DCctConductor, DCctConductorStaff)
// conductormeasure.h (DCctConductorMeasure)
// key.h (DCctKey)
#include "notation/display/measure.h"
// meter.h (DCctMeter)
// mirror.h (DCctMirror)
#include "notation/display/staff.h"

namespace {

const CPluginData s_displayRecords[] = {
    // ET_BARLINE 5: DCctBarline
    {RUNTIME_CLASS(DCctBase), DK_NOTATION, ET_BASE},
    // ET_CLEF 13: DCctClef
    // ET_CONDUCTOR 14: DCctConductor
    // ET_CONDUCTORMEASURE 15: DCctConductorMeasure
    // ET_CONDUCTORSTAFF 16: DCctConductorStaff
    // ET_KEY 23: DCctKey
    {RUNTIME_CLASS(DCctMeasure), DK_NOTATION, ET_MEASURE},
    // ET_METER 26: DCctMeter
    // ET_MIRROR 27: DCctMirror
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
