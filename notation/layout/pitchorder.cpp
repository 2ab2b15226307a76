// MCPitchUtils' orderings: notes and chords sorted by written pitch or drawn
// height, and the extreme note, chord or grace note of a list. An element is
// compared through its notation display object (its spelling, its y and
// stem; a chord through the note at its stem's free end). A grace note's y
// is relative to its main note, so its height counts with that note's y.
#include "notation/layout/pitchutils.h"

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "notation/display/chord.h"
#include "notation/display/note.h"

namespace {

bool IsNoteOrChord(ECBase* event) {
    const int type = event ? event->GetClassType() : -1;
    return type == ET_NOTE || type == ET_CHORD;
}

// The display object a note, chord or grace note is ordered by; null for
// anything else.
DCctNotate* NoteDisplay(ECBase* event) {
    if (!IsNoteOrChord(event) && !(event && event->GetClassType() == ET_GRACENOTE))
        return nullptr;
    return dynamic_cast<DCctNotate*>(event->GetData(DK_NOTATION, 0));
}

// The height an element is ordered by: its stem end when the stem points the
// asked way (`stemDirection`), else its head. A chord's head is the note at
// that end: its top note seen from above, its bottom note from below. A grace
// note adds its main note's y.
int HeightKey(ECBase* event, DCctNotate* element, int stemDirection) {
    int base = 0;
    if (event->GetClassType() == ET_GRACENOTE) {
        DCctBase* main = NotationDisplayOf(event->GetAncestor(ET_NOTE, -1));
        base = main ? main->GetY() : 0;
    }
    if (element->GetStemDirection() == stemDirection)
        return base + element->GetStemPosition().y;
    if (auto* chord = dynamic_cast<DCctChord*>(element)) {
        DCctNote* head = stemDirection == 0 ? chord->GetTopNote() : chord->GetBottomNote();
        return head ? head->GetY() : 0;
    }
    return base + element->GetY();
}

// The pitch an element counts by when the highest (direction 0) or lowest
// (1) is sought: a chord's top or bottom note.
MCPitch& ExtremePitch(DCctNotate* element, int direction) {
    if (auto* chord = dynamic_cast<DCctChord*>(element)) {
        DCctNote* note = direction ? chord->GetBottomNote() : chord->GetTopNote();
        if (note)
            return note->GetSpelling();
    }
    return element->GetSpelling();
}

}  // namespace

void MCPitchUtils::Sort(MCEventList& source, MCEventList& sorted, uint8_t byY, int order) const {
    sorted.RemoveAll();
    for (POSITION pos = source.GetHeadPosition(); pos;) {
        ECBase* event = source.GetNext(pos);
        if (!IsNoteOrChord(event) || !NoteDisplay(event))
            continue;
        if (byY)
            InsertByYPosition(sorted, event, order);
        else
            InsertByPitch(sorted, event, order);
    }
}

int MCPitchUtils::InsertByPitch(MCEventList& list, ECBase* event, int order) const {
    DCctNotate* note = NoteDisplay(event);
    if (!note)
        return 1;
    const MCPitch& pitch = note->GetSpelling();
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        const POSITION at = pos;
        DCctNotate* other = NoteDisplay(list.GetNext(pos));
        if (!other)
            continue;
        const MCPitch& there = other->GetSpelling();
        if (order == 1 ? there < pitch : there > pitch) {
            list.InsertBefore(at, event);
            return 1;
        }
    }
    list.AddTail(event);
    return 1;
}

int MCPitchUtils::InsertByYPosition(MCEventList& list, ECBase* event, int order) const {
    DCctNotate* note = NoteDisplay(event);
    if (!note)
        return 1;
    const int key = HeightKey(event, note, 0);
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        const POSITION at = pos;
        ECBase* element = list.GetNext(pos);
        DCctNotate* other = NoteDisplay(element);
        if (!other)
            continue;
        const int there = HeightKey(element, other, 0);
        if (order == 0 ? there > key : there < key) {
            list.InsertBefore(at, event);
            return 1;
        }
    }
    list.AddTail(event);
    return 1;
}

ECBase* MCPitchUtils::GetExtreme(MCEventList& list, uint8_t byY, int direction) const {
    ECBase* kept = nullptr;
    DCctNotate* keptNote = nullptr;
    int keptKey = 0;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        ECBase* event = list.GetNext(pos);
        DCctNotate* note = NoteDisplay(event);
        if (!note)
            continue;
        bool take = false;
        if (byY) {
            const int key = HeightKey(event, note, direction ? 1 : 0);
            take = !kept || (direction ? key < keptKey : key > keptKey);
            if (take)
                keptKey = key;
        } else {
            // A pitch not spelled yet is no measure: the next one replaces it.
            const MCPitch& pitch = ExtremePitch(note, direction);
            const MCPitch& keptPitch = kept ? ExtremePitch(keptNote, direction) : pitch;
            take = !kept || keptPitch.IsDirty() || (direction ? pitch < keptPitch : pitch > keptPitch);
        }
        if (take) {
            kept = event;
            keptNote = note;
        }
    }
    return kept;
}
