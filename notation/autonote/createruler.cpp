#include "notation/autonote/createruler.h"

#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/plugin.h"
#include "notation/display/measure.h"

void ANCreateRuler::DoMeasure(ECConductorStaff* conductorStaff, ECConductorMeasure* conductorMeasure,
                              ECMeter* meter) {
    if (!conductorStaff || !conductorMeasure)
        return;
    conductorMeasure->GetData(DK_NOTATION, 1);
    const std::vector<ECMeasure*>& column = conductorMeasure->GetMeasures();
    const int staves = conductorStaff->GetMaxStaffNumber();
    // The staff count bounds the loop; the column's array may be shorter.
    for (int i = 1; i <= staves && i < static_cast<int>(column.size()); ++i) {
        ECMeasure* measure = column[static_cast<size_t>(i)];
        if (!measure || measure->GetClassType() != ET_MEASURE)
            continue;
        if (auto* display = dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 1)))
            display->GetRuler().CreateDivMarks(meter, m_resolution);
    }
}
