// The measure ruler's handlers for clefs and keys: what each takes of the
// prologue when it enters the ruler and gives back when it leaves.
#include "notation/display/clef.h"
#include "notation/display/key.h"
#include "notation/display/measurelinks.h"
#include "notation/layout/ruler.h"

#include "model/event.h"
#include "model/measure.h"
#include "model/plugin.h"

int MCRuler::DoClef(ECBase* element, int clear, int forced) {
    auto* display = element ? dynamic_cast<DCctClef*>(element->GetData(DK_NOTATION, 0)) : nullptr;
    if (!display)
        return 0;
    const MCTime* time = element->GetTime();
    if (forced || (time && *time == MCTime::TimeZero())) {
        // The clef that opens the piece (or a system, through a mirror).
        if (clear)
            RemoveProlog(PROLOG_CLEF);
        else
            SetPrologWidth(PROLOG_CLEF, display->GetWidth());
        return 1;
    }
    // A clef change inside the measure; leaving takes nothing back.
    ECMeasure* measure = MeasureParent(element);
    if (!clear && time && measure && measure->GetTime()) {
        const int ticks = time->GetTicks(256) - measure->GetTime()->GetTicks(256);
        SetMidClef(static_cast<short>(ticks), static_cast<short>(display->GetWidth()));
    }
    return 1;
}

int MCRuler::DoKey(ECBase* element, int clear) {
    auto* display = element ? dynamic_cast<DCctKey*>(element->GetData(DK_NOTATION, 0)) : nullptr;
    if (!display)
        return 0;
    if (clear)
        RemoveProlog(PROLOG_KEY);
    else if (display->GetAccidentalCount() != 0)
        SetPrologWidth(PROLOG_KEY, display->GetXOfLastAccidental());
    return 1;
}
