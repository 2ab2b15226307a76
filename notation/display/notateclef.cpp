// The clef links answered by the clef display: for the notes (line pitches
// and the distance from the middle line of a DCctClef) and for the staff
// measure (the same of a clef event, and the pitch of a staff position under
// a key). Set when the plug-in's objects load.
#include "notation/display/notateclef.h"

#include "model/event.h"
#include "model/markings.h"
#include "notation/display/clef.h"
#include "notation/display/key.h"
#include "notation/display/measurelinks.h"

namespace {

DCctClef* ClefDisplayOf(ECClef* clef) {
    return clef ? dynamic_cast<DCctClef*>(clef->GetData(DK_NOTATION, 0)) : nullptr;
}

// A line pitch of a clef event's display; -1 without one.
template <BYTE (DCctClef::*Line)()>
int EventLine(ECClef* clef) {
    DCctClef* display = ClefDisplayOf(clef);
    return display ? (display->*Line)() : -1;
}

template <BYTE (DCctClef::*Line)()>
int DisplayLine(DCctClef* clef) {
    return (clef->*Line)();
}

const bool s_linked = [] {
    NotateClefLinks& notes = GetNotateClefLinks();
    notes.topLinePitch = DisplayLine<&DCctClef::GetTopLineMidiPitch>;
    notes.middleLinePitch = DisplayLine<&DCctClef::GetMiddleLineMidiPitch>;
    notes.bottomLinePitch = DisplayLine<&DCctClef::GetBottomLineMidiPitch>;
    notes.distanceFromMiddleLine = [](DCctClef* clef, MCPitch& pitch) { return clef->GetDistanceFromMiddleLine(pitch); };
    notes.clefDisplay = ClefDisplayOf;

    MeasureLinks& measures = GetMeasureLinks();
    measures.topLinePitch = EventLine<&DCctClef::GetTopLineMidiPitch>;
    measures.middleLinePitch = EventLine<&DCctClef::GetMiddleLineMidiPitch>;
    measures.bottomLinePitch = EventLine<&DCctClef::GetBottomLineMidiPitch>;
    measures.staffLineToMidiPitch = [](ECClef* clef, short position, ECKey* key) {
        DCctClef* display = ClefDisplayOf(clef);
        auto* keyDisplay = key ? dynamic_cast<DCctKey*>(key->GetData(DK_NOTATION, 0)) : nullptr;
        return display ? static_cast<int>(display->StaffLineToMidiPitch(position, keyDisplay)) : -1;
    };
    return true;
}();

}  // namespace
