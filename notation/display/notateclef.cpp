// The notes' clef links answered by the clef display (line pitches and the
// distance from the middle line). Set when the plug-in's objects load; the
// staff measure's own links are set in measurelookup.cpp.
#include "notation/display/notateclef.h"

#include "model/event.h"
#include "model/markings.h"
#include "notation/display/clef.h"

namespace {

DCctClef* ClefDisplayOf(ECClef* clef) {
    return clef ? dynamic_cast<DCctClef*>(clef->GetData(DK_NOTATION, 0)) : nullptr;
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
    notes.inSpace = [](DCctClef* clef, MCPitch& pitch) { return clef->InSpace(pitch); };
    notes.clefDisplay = ClefDisplayOf;

    return true;
}();

}  // namespace
