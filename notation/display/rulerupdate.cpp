// MCRuler::UpdateRuler, the dispatch of a staff measure's elements to the
// ruler handlers by event type, and the note's, the rest's, the chord's and
// the tuplet's handlers.
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "notation/display/notate.h"
#include "notation/display/tuplet.h"
#include "notation/layout/ruler.h"

namespace {
constexpr WORD kWholeRestTicks = 1024;

// The room an element takes left of its mark. What stands left of a notehead
// (an accidental, a grace note) keeps a quarter of a staff space from the
// element before it: spaced edge to edge, a sharp would touch the previous
// notehead.
short LeftExtentOf(DCctNotate* notate) {
    const int left = notate->GetTotalWidthLeft();
    return static_cast<short>(left > 0 ? left + MCRuler::GetNoteheadHeight() / 4 : 0);
}

}  // namespace

int MCRuler::UpdateRuler(ECBase* element, int clear) {
    if (!element)
        return 1;
    switch (element->GetClassType()) {
    case ET_NOTE:
        return DoNote(element, clear);
    case ET_CHORD:
        return DoChord(element, clear);
    case ET_METER:
        return DoMeter(element, clear);
    case ET_CLEF:
        return DoClef(element, clear, 0);
    case ET_KEY:
        return DoKey(element, clear);
    case ET_MIRROR:
        return DoMirror(element, clear);
    case ET_TUPLET:
        return DoTuplet(element, clear);
    case ET_REST:
        return DoRest(element, clear);
    case ET_LYRIC:
        return DoLyric(element, clear);
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
        SetDivOccupied(mark, 1, LeftExtentOf(note), note->GetTotalWidthRight(), note->GetTickDuration(1), key);
    return 1;
}

int MCRuler::DoRest(ECBase* element, int clear) {
    auto* rest = dynamic_cast<DCctNotate*>(element->GetData(DK_NOTATION, 0));
    if (!rest)
        return 0;
    const WORD key = rest->GetBase(2);
    const WORD mark = GetDivMarkForTick(rest->GetTickStart(1), key);
    if (clear) {
        SetDivOccupied(mark, 0, 0, 0, rest->GetTickDuration(1), key);
        return 1;
    }
    if (rest->GetValue() < kWholeRestTicks) {
        SetDivOccupied(mark, 1, 0, rest->GetTotalWidthRight(), rest->GetTickDuration(1), key);
        return 1;
    }
    // A whole rest or longer stands for the measure, not for a note at its
    // mark: the mark stays free to be spaced as an empty one. What another
    // voice entered there stays: a whole-measure rest of voice 2 must not
    // free the mark of voice 1's first note.
    RulerGroup* group = FindPulseGroup(key);
    const int taken = group && mark < group->marks.size() && group->marks[mark].IsOccupied();
    if (taken)
        SetDivOccupied(mark, 1, 0, 0, rest->GetTickDuration(1), key);
    else
        SetDivOccupied(mark, 0, 0, 0, rest->GetTickDuration(1), key);
    return 1;
}

int MCRuler::DoChord(ECBase* element, int clear) {
    auto* chord = dynamic_cast<DCctNotate*>(element->GetData(DK_NOTATION, 0));
    if (!chord)
        return 0;
    // A chord spans its notes' extents and lasts its written value.
    const WORD key = chord->GetBase(2);
    const WORD mark = GetDivMarkForTick(chord->GetTickStart(1), key);
    if (clear)
        SetDivOccupied(mark, 0, 0, 0, chord->GetValue(), key);
    else
        SetDivOccupied(mark, 1, LeftExtentOf(chord), chord->GetTotalWidthRight(), chord->GetValue(), key);
    return 1;
}

int MCRuler::DoTuplet(ECBase* element, int clear) {
    auto* tuplet = dynamic_cast<DCctTuplet*>(element->GetData(DK_NOTATION, 0));
    if (!tuplet)
        return 0;
    MCEventList* children = element->GetChildren();
    if (!children)
        return 1;
    const WORD key = tuplet->GetBase(DCctTuplet::BASE_BORROWED);
    for (POSITION pos = children->GetHeadPosition(); pos;) {
        ECBase* child = children->GetNext(pos);
        const int type = child->GetClassType();
        if (type != ET_NOTE && type != ET_REST && type != ET_CHORD)
            continue;
        auto* notate = dynamic_cast<DCctNotate*>(child->GetData(DK_NOTATION, 0));
        if (!notate)
            continue;
        // The children count in the tuplet's own division, as the group's
        // marks do.
        const WORD duration = notate->GetTickDuration(DCctTuplet::TICKS_OWN);
        const WORD mark = GetDivMarkForTick(notate->GetTickStart(DCctTuplet::TICKS_OWN), key);
        if (clear)
            SetDivOccupied(mark, 0, 0, 0, duration, key);
        else
            SetDivOccupied(mark, 1, LeftExtentOf(notate), notate->GetTotalWidthRight(), duration, key);
    }
    return 1;
}
