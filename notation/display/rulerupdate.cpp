// MCRuler::UpdateRuler, the dispatch of a staff measure's elements to the
// ruler handlers by event type, and the note's handler.
#include "model/event.h"
#include "model/eventtypes.h"
#include "notation/display/notate.h"
#include "notation/layout/ruler.h"

int MCRuler::UpdateRuler(ECBase* element, int clear) {
    if (!element)
        return 1;
    switch (element->GetClassType()) {
    case ET_NOTE:
        return DoNote(element, clear);
    case ET_METER:
        return DoMeter(element, clear);
    case ET_CLEF:
        return DoClef(element, clear, 0);
    case ET_KEY:
        return DoKey(element, clear);
    case ET_MIRROR:
        return DoMirror(element, clear);
    // Chords, rests, tuplets and lyrics join with their displays.
    default:
        return 1;
    }
}

int MCRuler::DoNote(ECBase* element, int clear) {
    auto* note = dynamic_cast<DCctNotate*>(element->GetData(DK_NOTATION, 0));
    if (!note)
        return 0;
    const WORD key = note->GetBase(2);
    const WORD mark = GetDivMarkForTick(note->GetTickStart(1), key);
    if (clear)
        SetDivOccupied(mark, 0, 0, 0, note->GetTickDuration(1), key);
    else
        SetDivOccupied(mark, 1, note->GetTotalWidthLeft(), note->GetTotalWidthRight(), note->GetTickDuration(1), key);
    return 1;
}
