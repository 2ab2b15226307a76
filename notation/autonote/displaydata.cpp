// ACUpdateDisplayData: display objects made and refreshed.
#include "notation/autonote/displaydata.h"

#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/meter.h"
#include "model/staff.h"
#include "notation/display/key.h"
#include "notation/display/measure.h"
#include "notation/display/meter.h"
#include "sequencer/performers.h"

namespace {

// MIDI channel 10 (status low nibble 9) is the General MIDI drum channel.
constexpr unsigned char kDrumChannelNibble = 9;
constexpr unsigned char kDrumStaff = 3;

DCBase* MakeDisplay(ECBase* event) {
    return event->GetData(DK_NOTATION, 1);
}

void UpdateMeasure(ECBase* measure, ECConductor* conductor, int resolution) {
    auto* display = dynamic_cast<DCctMeasure*>(MakeDisplay(measure));
    if (!display || !conductor || !measure->GetTime())
        return;
    ECMeter* meter = conductor->GetMeterAtTime(*measure->GetTime());
    if (meter)
        display->GetRuler().CreateDivMarks(meter, static_cast<WORD>(resolution));
}

void UpdateMeter(ECMeter* meter) {
    auto* display = dynamic_cast<DCctMeter*>(MakeDisplay(meter));
    if (!display)
        return;
    display->SetMeter(*meter);
}

// A staff whose first note is played on the drum channel is notated as drums.
void UpdateStaff(ECStaff* staff) {
    MakeDisplay(staff);
    ECBase* note = staff->GetDescendant(ET_NOTE, -1);
    auto* performer = note ? dynamic_cast<DCsqNote*>(note->GetData(DK_SEQUENCER, 0)) : nullptr;
    if (performer && performer->GetMidiData().GetStatusLSB() == kDrumChannelNibble)
        staff->SetStaffType(kDrumStaff);
}

}  // namespace

int ACUpdateDisplayData::DoAction(ECBase* event) {
    const int answer = WindowTest(event->GetTime());
    if (answer >= 0)
        return answer;

    switch (event->GetClassType()) {
    case ET_KEY:
        if (auto* display = dynamic_cast<DCctKey*>(MakeDisplay(event))) {
            const auto* key = static_cast<ECKey*>(event);
            display->SetKey(key->GetAccidentals(), key->GetMode());
        }
        break;
    case ET_MEASURE:
        UpdateMeasure(event, m_conductor, m_resolution);
        break;
    case ET_METER:
        UpdateMeter(static_cast<ECMeter*>(event));
        break;
    case ET_STAFF:
        UpdateStaff(static_cast<ECStaff*>(event));
        break;
    case ET_TEMPO: {
        // A tempo other than the opening one shows only when asked for.
        const MCTime* time = event->GetTime();
        if (m_createAll || (time && time->GetTicks(MCTime::GlobalPPQ) == 0))
            MakeDisplay(event);
        break;
    }
    case ET_CONDUCTORMEASURE:
    case ET_CONDUCTORSTAFF:
    case ET_FRAME:
    case ET_LYRIC:
    case ET_NOTE:
    case ET_TEXT:
    case ET_GRACENOTE:
    // A tie or slur without one is never placed nor drawn (a document
    // saved while the notation's ties were made without theirs).
    case ET_TIE:
    case ET_SLUR:
        MakeDisplay(event);
        break;
    default:
        if (m_createAll)
            MakeDisplay(event);
        break;
    }
    return AC_CONTINUE;
}
