#include "notation/tools/tie.h"

#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/notes.h"
#include "notation/autonote/notatelinks.h"

#include <unordered_set>

namespace {

constexpr int TICKS_PER_QUARTER = 256;

// The notes a walk has met; a note met again ends the walk.
class Visited {
public:
    // True the first time a note is given.
    bool First(ECNote* note) { return m_notes.insert(note).second; }

private:
    std::unordered_set<ECNote*> m_notes;
};

ECNote* AsNote(ECBase* event) {
    return event && event->GetClassType() == ET_NOTE ? static_cast<ECNote*>(event) : nullptr;
}

bool SameTime(ECBase* a, ECBase* b) {
    return *a->GetTime() == *b->GetTime();
}

// The ties of the measure's staff timed within the measure, both ends
// included, into `find`; false when there is nothing to look in.
bool FindMeasureTies(ECMeasure* measure, ECMeter* meter, ACFindTime& find, MCTime& end) {
    if (!measure || !meter || !measure->GetTime())
        return false;
    ECBase* staff = measure->GetAncestor(ET_STAFF, -1);
    if (!staff)
        return false;
    const MCTime& start = *measure->GetTime();
    end = start;
    end.AddTicks(meter->GetTicksPerMeasure(static_cast<unsigned short>(MCTime::GlobalPPQ)), MCTime::GlobalPPQ);
    find.SetTimeRange(start, end, 0);
    find.AddEvtType(ET_TIE);
    // Ties are the staff's own children.
    find.SetDepth(1);
    find.Apply(staff);
    return true;
}

}  // namespace

CTie::CTie() = default;

CTie::~CTie() {
    RemoveAll();
}

ECBase* CTie::FindOther(ECBase* event, MCEventList& candidates, int direction) {
    if (!event || !event->GetTime() || candidates.IsEmpty())
        return nullptr;
    ECBase* first = candidates.GetHead();
    ECBase* last = candidates.GetTail();
    if (!first->GetTime() || !last->GetTime())
        return nullptr;
    if (first == last) {
        const bool same = SameTime(first, event);
        return (direction == TIE_FORWARD) == same ? first : nullptr;
    }
    const bool inOrder = *first->GetTime() <= *last->GetTime();
    if (direction == TIE_FORWARD)
        return inOrder ? last : first;
    return inOrder ? first : last;
}

ECTie* CTie::FindTieParent(ECNote* note, int direction) {
    if (!note)
        return nullptr;
    ACFindEvents find;
    find.SetReverse(1);
    find.SetDepth(1);
    find.ClipNone();
    find.AddEvtType(ET_TIE);
    find.Apply(note);
    return static_cast<ECTie*>(FindOther(note, find.GetEvents(), direction));
}

ECNote* CTie::FindNoteChild(ECTie* tie, int direction) {
    if (!tie || !tie->GetChildren())
        return nullptr;
    return AsNote(FindOther(tie, *tie->GetChildren(), direction));
}

ECNote* CTie::GetNext(ECNote* note, int direction) {
    return FindNoteChild(FindTieParent(note, direction), direction);
}

CTie& CTie::GetTiePartners(ECNote* note) {
    ECNote* current = GetHeadOfTie(note);
    if (!current)
        return *this;
    Visited visited;
    visited.First(current);
    // A note met again (a tie leading back into its chain) ends the walk.
    while (ECNote* next = GetNext(current, TIE_FORWARD)) {
        if (!visited.First(next))
            break;
        AddTail(next);
        current = next;
    }
    RemoveDuplicates();
    return *this;
}

ECNote* CTie::GetHeadOfTie(ECNote* note) {
    if (!note)
        return nullptr;
    ECTie* tie = FindTieParent(note, TIE_BACKWARD);
    if (!tie)
        return note;
    Visited visited;
    visited.First(note);
    ECNote* current = note;
    while (*current->GetTime() > *tie->GetTime()) {
        ECNote* start = FindNoteChild(tie, TIE_BACKWARD);
        if (!start || !SameTime(start, tie) || !visited.First(start))
            return current;
        tie = FindTieParent(start, TIE_BACKWARD);
        if (!tie)
            return start;
        current = start;
    }
    return current;
}

ECNote* CTie::GetHeadOfTie(ECTie* tie) {
    ECNote* note = FindNoteChild(tie, TIE_BACKWARD);
    if (!note || !SameTime(note, tie))
        return nullptr;
    Visited visited;
    visited.First(note);
    for (;;) {
        ECTie* before = FindTieParent(note, TIE_BACKWARD);
        if (!before || !(*note->GetTime() > *before->GetTime()))
            return note;
        ECNote* start = FindNoteChild(before, TIE_BACKWARD);
        if (!start || !visited.First(start))
            return note;
        note = start;
        if (!SameTime(note, before))
            return note;
    }
}

ECNote* CTie::GetTailOfTie(ECNote* note) {
    return TailOf(note, nullptr);
}

ECNote* CTie::GetTailBefore(ECNote* note, const MCTime& time) {
    return TailOf(note, &time);
}

ECNote* CTie::TailOf(ECNote* note, const MCTime* before) {
    if (!note)
        return nullptr;
    Visited visited;
    visited.First(note);
    for (;;) {
        ECNote* end = FindNoteChild(FindTieParent(note, TIE_FORWARD), TIE_FORWARD);
        // A tie whose only note is its start note leads back to that note.
        if (!end || !visited.First(end))
            return note;
        if (before && !(*end->GetTime() < *before))
            return note;
        note = end;
    }
}

void CTie::GetTieRange(ECNote* note, MCTime& start, MCTime& end) {
    ECNote* head = GetHeadOfTie(note);
    ECNote* tail = GetTailOfTie(note);
    if (!head || !tail)
        return;
    start = *head->GetTime();
    end = *tail->GetTime();
    const int ticks = NotateTickDuration(GetNotateData(tail), 1);
    if (ticks > 0)
        end.AddTicks(ticks, TICKS_PER_QUARTER);
}

CTie& CTie::GetTies(ECMeasure* measure, ECMeter* meter) {
    ACFindTime find(MCTime(), MCTime(), 0);
    MCTime end;
    if (!FindMeasureTies(measure, meter, find, end))
        return *this;
    MCEventList& ties = find.GetEvents();
    for (POSITION pos = ties.GetHeadPosition(); pos;)
        if (ECNote* head = GetHeadOfTie(static_cast<ECTie*>(ties.GetNext(pos))))
            AddTail(head);
    RemoveDuplicates();
    return *this;
}

CTie& CTie::GetTiesOverBarline(ECMeasure* measure, ECMeter* meter) {
    ACFindTime find(MCTime(), MCTime(), 0);
    MCTime end;
    if (!FindMeasureTies(measure, meter, find, end))
        return *this;
    MCEventList& ties = find.GetEvents();
    for (POSITION pos = ties.GetHeadPosition(); pos;) {
        ECBase* tie = ties.GetNext(pos);
        MCEventList* notes = tie->GetChildren();
        if (!notes || notes->IsEmpty())
            continue;
        const MCTime* first = notes->GetHead()->GetTime();
        const MCTime* last = notes->GetTail()->GetTime();
        if (first && last && *first < end && *last >= end)
            AddTail(tie);
    }
    RemoveDuplicates();
    return *this;
}
