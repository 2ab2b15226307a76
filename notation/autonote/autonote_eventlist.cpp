// The engine's preparation of pasted or dropped elements: what the passes
// derive (beams, ties, chords, dots, accidentals, tied continuations, tuplets
// of rests) is taken away so that the renotation makes it afresh for the
// place the material lands in.
#include "notation/autonote/autonote.h"

#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/notes.h"
#include "model/performance.h"
#include "notation/tools/tie.h"

#include <mutex>
#include <set>

namespace {

// The performance's lock when there is a performance; none otherwise (a
// list not yet in any tree).
std::unique_lock<CCriticalSection> LockTree(ECPerformance* performance) {
    return performance ? std::unique_lock<CCriticalSection>(performance->GetLock())
                       : std::unique_lock<CCriticalSection>();
}

bool HasNoLength(ECBase* note) {
    const MCTime* duration = note->GetDuration();
    return !duration || *duration == MCTime::TimeZero();
}

// Every child of one of the types leaves the element.
void RemoveChildrenOfType(ECBase* element, int type) {
    MCEventList* children = element->GetChildren();
    if (!children)
        return;
    MCEventList doomed;   // holds each child while it leaves
    for (POSITION pos = children->GetHeadPosition(); pos;) {
        ECBase* child = children->GetNext(pos);
        if (child->GetClassType() == type)
            doomed.AddEvent(child, UNSORTED);
    }
    for (POSITION pos = doomed.GetHeadPosition(); pos;)
        element->RemoveChild(doomed.GetNext(pos), 0);
}

// The tuplet keeps its notes that begin a sound of their own, without dots
// (the value pass gives them again); a tied continuation or a note without
// length leaves the tuplet and everything else it hangs under. Whether only
// rests are left.
bool StripTuplet(ECBase* tuplet, ECPerformance* performance) {
    ACFindEvents find;
    find.AddEvtTypes({ET_NOTE});
    find.Apply(tuplet);
    std::set<ECBase*> seen;   // a note under a chord and the tuplet is met twice
    MCEventList& notes = find.GetEvents();
    for (POSITION pos = notes.GetHeadPosition(); pos;) {
        auto* note = static_cast<ECNote*>(notes.GetNext(pos));
        if (!seen.insert(note).second)
            continue;
        CTie ties;
        const bool continuation = ties.FindTieParent(note, TIE_BACKWARD) != nullptr;
        auto lock = LockTree(performance);
        if (!continuation && !HasNoLength(note))
            RemoveChildrenOfType(note, ET_DOT);
        else
            note->RemoveFromParents();
    }
    MCEventList* children = tuplet->GetChildren();
    if (!children)
        return true;
    for (POSITION pos = children->GetHeadPosition(); pos;)
        if (children->GetNext(pos)->GetClassType() != ET_REST)
            return false;
    return true;
}

// The chord's notes leave it and are appended to the list; what else the
// chord holds (its dots, arpeggio, marks) goes with it. A note losing its
// last parent loses its children too, so each note's own children (grace
// notes, marks, lyrics) are held across the move and given back.
void ReleaseChordNotes(ECBase* chord, MCEventList& elements, ECPerformance* performance) {
    MCEventList* children = chord->GetChildren();
    if (!children)
        return;
    MCEventList notes;
    for (POSITION pos = children->GetHeadPosition(); pos;) {
        ECBase* child = children->GetNext(pos);
        if (child->GetClassType() == ET_NOTE)
            notes.AddEvent(child, UNSORTED);
    }
    auto lock = LockTree(performance);
    for (POSITION pos = notes.GetHeadPosition(); pos;) {
        ECBase* note = notes.GetNext(pos);
        MCEventList kept;
        if (MCEventList* own = note->GetChildren())
            kept.AddEvents(own, UNSORTED);
        chord->RemoveChild(note, 0);
        for (POSITION at = kept.GetHeadPosition(); at;) {
            ECBase* child = kept.GetNext(at);
            MCEventList* now = note->GetChildren();
            if (now && !now->Find(child))
                note->AddChild(child, SORTED);
        }
        elements.AddEvent(note, UNSORTED);
    }
}

}  // namespace

void CAutoNote::PrepareEventList(MCEventList& elements) {
    ECPerformance* performance = GetBaseEvent();
    // Elements appended on the way (a chord's notes) are met too.
    for (POSITION pos = elements.GetHeadPosition(); pos;) {
        const POSITION at = pos;
        ECBase* element = elements.GetNext(pos);
        bool drop = false;
        switch (element->GetClassType()) {
        case ET_BEAM:
        case ET_TIE:
            drop = true;
            break;
        case ET_CHORD:
            // Its notes stand on their own; the chord pass groups them again.
            ReleaseChordNotes(element, elements, performance);
            drop = true;
            break;
        case ET_NOTE:
            if (HasNoLength(element)) {
                drop = true;
            } else {
                auto lock = LockTree(performance);
                RemoveChildrenOfType(element, ET_DOT);
                RemoveChildrenOfType(element, ET_ACCIDENTAL);
            }
            break;
        case ET_TUPLET:
            drop = StripTuplet(element, performance);
            break;
        default:
            break;
        }
        if (drop) {
            // What leaves the list lets go of what it still holds: a beam's
            // or tie's notes (which may be pasted on their own and must not
            // keep a parent that is gone), and a chord's, a silent note's or
            // a tuplet's own marks and rests.
            {
                auto lock = LockTree(performance);
                const int type = element->GetClassType();
                element->RemoveChildren(type == ET_BEAM || type == ET_TIE ? 0 : 1);
            }
            // `pos` may be null when the element was the tail before the
            // walk appended to the list: continue after `at` instead.
            POSITION next = at;
            elements.GetNext(next);
            elements.RemoveAt(at);
            pos = next;
        }
    }
}
