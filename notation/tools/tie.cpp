// CTie: the tie-chain walks.
#include "notation/tools/tie.h"

#include <vector>

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/lists.h"
#include "model/notes.h"
#include "model/time.h"

namespace {

// The first and last members of a tie; null when it has none.
ECBase* End(ECTie* tie, int later) {
    MCEventList* members = tie ? tie->GetChildren() : nullptr;
    if (!members || members->IsEmpty())
        return nullptr;
    return later ? members->GetTail() : members->GetHead();
}

// Follows the chain from `note` in one direction (0 onward, 1 back) to its
// last note, never past a note seen before.
ECNote* Walk(CTie& ties, ECNote* note, int direction) {
    std::vector<ECNote*> seen{note};
    for (;;) {
        ECNote* next = ties.FindNoteChild(ties.FindTieParent(note, direction), direction);
        if (!next)
            return note;
        for (ECNote* old : seen)
            if (old == next)
                return note;
        seen.push_back(next);
        note = next;
    }
}

}  // namespace

ECTie* CTie::FindTieParent(ECBase* note, int direction) {
    MCEventList* parents = note ? note->GetParents() : nullptr;
    if (!parents)
        return nullptr;
    for (POSITION pos = parents->GetHeadPosition(); pos != nullptr;) {
        ECBase* parent = parents->GetNext(pos);
        if (parent->GetClassType() != ET_TIE)
            continue;
        auto* tie = static_cast<ECTie*>(parent);
        ECBase* first = End(tie, 0);
        ECBase* last = End(tie, 1);
        if (first == last)
            continue;   // a tie of one note joins nothing
        if ((direction == 0 && first == note) || (direction != 0 && last == note))
            return tie;
    }
    return nullptr;
}

ECNote* CTie::FindNoteChild(ECTie* tie, int direction) {
    ECBase* end = End(tie, direction == 0 ? 1 : 0);
    return end && end->GetClassType() == ET_NOTE ? static_cast<ECNote*>(end) : nullptr;
}

ECNote* CTie::FindOther(ECTie* tie, ECBase* note) {
    if (End(tie, 0) == note)
        return FindNoteChild(tie, 0);
    if (End(tie, 1) == note)
        return FindNoteChild(tie, 1);
    return nullptr;
}

ECNote* CTie::GetHeadOfTie(ECNote* note) {
    return note ? Walk(*this, note, 1) : nullptr;
}

ECNote* CTie::GetHeadOfTie(ECTie* tie) {
    return GetHeadOfTie(FindNoteChild(tie, 1));
}

ECNote* CTie::GetTailOfTie(ECNote* note) {
    return note ? Walk(*this, note, 0) : nullptr;
}

void CTie::GetTieRange(ECNote* note, MCTime& start, MCTime& end) {
    ECNote* head = GetHeadOfTie(note);
    ECNote* tail = GetTailOfTie(note);
    if (!head || !tail || !head->GetTime() || !tail->GetTime())
        return;
    start = *head->GetTime();
    end = *tail->GetTime();
    if (const MCTime* duration = tail->GetDuration())
        end += *duration;
}
