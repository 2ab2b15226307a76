// ACBuildRulers: measure rulers kept up with their elements.
#include "notation/autonote/buildrulers.h"

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/textmarks.h"
#include "notation/display/conductor.h"
#include "notation/display/measure.h"
#include "notation/display/text.h"
#include "notation/layout/staffruler.h"

namespace {

DCctMeasure* MeasureDisplay(ECBase* measure, int create) {
    return measure ? dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, create)) : nullptr;
}

// The conductor staff's text level a heading text of this kind sits on;
// -1 for the kinds that move none.
int TextLevelOfKind(int kind) {
    switch (kind) {
    case 7:
        return 0;   // dedication
    case 8:
        return 1;   // title
    case 9:
        return 2;   // subtitle
    case 10:
        return 6;   // composer
    default:
        return -1;
    }
}

}  // namespace

int ACBuildRulers::UpdateRuler(MCRuler& ruler, ECBase* element, int remove) {
    return ruler.UpdateRuler(element, remove);
}

ECConductor* ACBuildRulers::ConductorOf(ECBase* event) const {
    if (m_conductor)
        return m_conductor;
    return static_cast<ECConductor*>(event->GetAncestor(ET_CONDUCTOR, -1));
}

int ACBuildRulers::DoAction(ECBase* event) {
    switch (event->GetClassType()) {
    case ET_CHORD:
    case ET_CLEF:
    case ET_KEY:
    case ET_LYRIC:
    case ET_MIRROR:
    case ET_NOTE:
    case ET_REST:
    case ET_TUPLET: {
        DCctMeasure* display = MeasureDisplay(event->GetAncestor(ET_MEASURE, -1), 0);
        if (!display)
            return AC_SKIP;
        UpdateRuler(display->GetRuler(), event, m_remove);
        return AC_CONTINUE;
    }
    case ET_MEASURE: {
        DCctMeasure* display = MeasureDisplay(event, 1);
        if (!display)
            return AC_SKIP;
        if (MCEventList* children = event->GetChildren()) {
            for (POSITION pos = children->GetHeadPosition(); pos != nullptr;)
                UpdateRuler(display->GetRuler(), children->GetNext(pos), m_remove);
        }
        return AC_SKIP;   // each child was entered above, once
    }
    case ET_METER:
        UpdateMeterRulers(event);
        return AC_CONTINUE;
    case ET_TEXT:
        AdjustTextLevels(event);
        return AC_CONTINUE;
    default:
        return AC_CONTINUE;
    }
}

void ACBuildRulers::UpdateMeterRulers(ECBase* meter) {
    ECConductor* conductor = ConductorOf(meter);
    auto* staff = conductor ? static_cast<ECConductorStaff*>(conductor->GetTrack(TRACK_CONDUCTOR, 0, 0)) : nullptr;
    if (!meter->GetData(DK_NOTATION, 1) || !staff || !meter->GetTime())
        return;
    auto* column = dynamic_cast<ECConductorMeasure*>(staff->GetMeasure(0, *meter->GetTime(), 0, 1));
    if (!column)
        return;
    // Entry 0 is the conductor measure itself; the first empty entry ends them.
    for (int track = 1;; ++track) {
        ECMeasure* measure = column->GetMeasureOnTrack(track);
        if (!measure)
            break;
        if (DCctMeasure* display = MeasureDisplay(measure, 0))
            UpdateRuler(display->GetRuler(), meter, m_remove);
    }
}

void ACBuildRulers::AdjustTextLevels(ECBase* text) {
    const int level = TextLevelOfKind(static_cast<ECText*>(text)->GetTextType());
    if (level < 0)
        return;
    auto* display = dynamic_cast<DCctBase*>(text->GetData(DK_NOTATION, 0));
    ECConductor* conductor = ConductorOf(text);
    ECBase* staff = conductor ? conductor->GetTrack(TRACK_CONDUCTOR, 0, 0) : nullptr;
    auto* staffDisplay = staff ? dynamic_cast<DCctConductorStaff*>(staff->GetData(DK_NOTATION, 0)) : nullptr;
    if (!display || !staffDisplay)
        return;
    // The next level goes below every text of this one: texts sharing a
    // slot stack downwards.
    auto* slot = dynamic_cast<DCctText*>(display);
    staffDisplay->GetRuler().AdjustTextLevels(static_cast<BYTE>(level),
                                              slot ? slot->GetSlotHeight() : display->GetHeight());
}
