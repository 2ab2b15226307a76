// MCPitchUtils' orderings: notes sorted by written pitch or drawn height, and
// the extreme one of a list. A note is compared through its notation display
// object (its spelling, its y and stem); chords and grace notes join here
// with their displays.
#include "notation/layout/pitchutils.h"

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "notation/display/notate.h"

namespace {

// The note's display object; null for anything else.
DCctNotate* NoteDisplay(ECBase* event) {
    if (!event || event->GetClassType() != ET_NOTE)
        return nullptr;
    return dynamic_cast<DCctNotate*>(event->GetData(DK_NOTATION, 0));
}

// The height a note is ordered by: its stem end when the stem points the
// asked way (`stemDirection`), else its head.
int HeightKey(DCctNotate* note, int stemDirection) {
    return note->GetStemDirection() == stemDirection ? note->GetStemPosition().y : note->GetY();
}

}  // namespace

void MCPitchUtils::Sort(MCEventList& source, MCEventList& sorted, uint8_t byY, int order) const {
    sorted.RemoveAll();
    for (POSITION pos = source.GetHeadPosition(); pos;) {
        ECBase* event = source.GetNext(pos);
        if (!NoteDisplay(event))
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
    const int key = HeightKey(note, 0);
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        const POSITION at = pos;
        DCctNotate* other = NoteDisplay(list.GetNext(pos));
        if (!other)
            continue;
        const int there = HeightKey(other, 0);
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
            const int key = HeightKey(note, direction ? 1 : 0);
            take = !kept || (direction ? key < keptKey : key > keptKey);
            if (take)
                keptKey = key;
        } else {
            // A pitch not spelled yet is no measure: the next one replaces it.
            const MCPitch& pitch = note->GetSpelling();
            take = !kept || keptNote->GetSpelling().IsDirty() ||
                   (direction ? pitch < keptNote->GetSpelling() : pitch > keptNote->GetSpelling());
        }
        if (take) {
            kept = event;
            keptNote = note;
        }
    }
    return kept;
}
