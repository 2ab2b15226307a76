// The clearing operations: derived notation discarded through the command.
#include "notation/autonote/clearing.h"

#include <algorithm>
#include <vector>

#include "model/command.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/groupmarks.h"
#include "model/lists.h"
#include "model/notes.h"
#include "model/time.h"
#include "notation/autonote/buildrulers.h"
#include "notation/autonote/findties.h"
#include "notation/autonote/timerange.h"
#include "notation/display/base.h"
#include "notation/display/note.h"
#include "notation/tools/tie.h"

namespace {

constexpr int kTicksPerQuarter = 256;

// Withdraws the element alone from its measure's ruler and discards it.
void ClearOne(CCBase* command, ACBuildRulers& rulers, ECBase* element) {
    rulers.Apply(element);
    rulers.Reset();
    command->Discard(element);
}

// The ruler action that withdraws exactly the element it is given.
void SetUpWithdrawal(ACBuildRulers& rulers) {
    rulers.SetRemove(1);
    rulers.SetDepth(0);
}

// A cleared chord gave its notes their places beside each other; on their
// own they go back to the plain place, and their accidentals, which the
// user may have moved to clear the chord's other heads, to theirs.
void ReleaseChordNotes(ECBase* chord) {
    MCEventList* children = chord->GetChildren();
    if (!children)
        return;
    for (POSITION pos = children->GetHeadPosition(); pos != nullptr;) {
        ECBase* note = children->GetNext(pos);
        if (note->GetClassType() != ET_NOTE)
            continue;
        if (auto* display = dynamic_cast<DCctNote*>(note->GetData(DK_NOTATION, 0)))
            display->SetNoteheadPosition(0);
        MCEventList* marks = note->GetChildren();
        if (!marks)
            continue;
        for (POSITION at = marks->GetHeadPosition(); at != nullptr;) {
            ECBase* mark = marks->GetNext(at);
            if (mark->GetClassType() != ET_ACCIDENTAL)
                continue;
            if (DCctBase* display = NotationDisplayOf(mark))
                display->SetOffset(0, 0);
        }
    }
}

}  // namespace

bool PassesVoiceFilter(ECBase* element, unsigned voice) {
    if (voice == VOICE_ALL)
        return true;
    MCVoiceTrack* word = element->GetVoiceTrack();
    if (!word) {
        MCEventList* parents = element->GetParents();
        ECBase* parent = parents && !parents->IsEmpty() ? parents->GetHead() : nullptr;
        word = parent ? parent->GetVoiceTrack() : nullptr;
    }
    return word && static_cast<unsigned>(word->GetVoice()) == voice;
}

int ClearEventsInRange(CCBase* command, MCEventList& measures, MCTime& start, MCTime& end, int type,
                       unsigned voice, int thresholdTicks) {
    if (measures.IsEmpty() || !command)
        return 0;

    // A note a hair before its measure's first beat still belongs to it.
    MCTime from = start;
    ECBase* first = measures.GetHead();
    if (first->GetClassType() == ET_MEASURE && first->GetTime() && *first->GetTime() == start) {
        MCTime threshold;
        threshold.SetTicks(thresholdTicks, kTicksPerQuarter);
        from = start - threshold;
    }

    std::vector<ECBase*> cleared;
    const bool underNotes = type == ET_DOT || type == ET_ACCENT || type == ET_ACCIDENTAL;
    ACFindTime inRange(from, end, 3);
    inRange.AddEvtType(underNotes ? ET_NOTE : type);
    inRange.Apply(measures, 0);
    MCEventList& found = inRange.GetEvents();
    for (POSITION pos = found.GetHeadPosition(); pos != nullptr;) {
        ECBase* element = found.GetNext(pos);
        if (!underNotes) {
            cleared.push_back(element);
            continue;
        }
        ACFindEvents marks;
        marks.AddEvtType(type);
        marks.Apply(element);
        for (POSITION at = marks.GetEvents().GetHeadPosition(); at != nullptr;)
            cleared.push_back(marks.GetEvents().GetNext(at));
    }

    ACBuildRulers rulers;
    SetUpWithdrawal(rulers);
    for (ECBase* element : cleared) {
        if (!PassesVoiceFilter(element, voice))
            continue;
        ClearOne(command, rulers, element);
        if (type == ET_CHORD)
            ReleaseChordNotes(element);
    }
    return 1;
}

int ClearTiesInRange(CCBase* command, MCEventList& measures, MCTime& start, MCTime& end, unsigned voice) {
    if (!command)
        return 0;
    ACSetDirty dirty(2);
    dirty.AddDirtyKind(DCctBase::DIRTY_VALUE);
    dirty.AddDirtyKind(DCctBase::DIRTY_TIME);
    ACBuildRulers rulers;
    SetUpWithdrawal(rulers);

    ACFindTiesInRange collector(start, end);
    collector.Apply(measures, 0);
    MCEventList& found = collector.GetEvents();
    if (found.IsEmpty())
        return 0;

    CTie ties;
    std::vector<ECBase*> done;   // an element may be gathered twice
    for (POSITION pos = found.GetHeadPosition(); pos != nullptr;) {
        ECBase* element = found.GetNext(pos);
        if (std::find(done.begin(), done.end(), element) != done.end())
            continue;
        done.push_back(element);
        const bool isNote = element->GetClassType() == ET_NOTE;
        if (isNote) {
            // Handled earlier in this batch: the value pass renotates it anyway.
            DCctBase* display = NotationDisplayOf(element);
            if (display && display->ValueDirty())
                continue;
        }
        if (!PassesVoiceFilter(element, voice))
            continue;
        ECNote* head = isNote ? ties.GetHeadOfTie(static_cast<ECNote*>(element))
                              : ties.GetHeadOfTie(static_cast<ECTie*>(element));
        ClearOne(command, rulers, element);
        if (head) {
            dirty.Apply(head);
            dirty.Reset();
        }
    }

    MCTime chainStart;
    MCTime chainEnd;
    collector.GetTieRange(chainStart, chainEnd);
    if (chainStart < start)
        start = chainStart;
    if (chainEnd > end)
        end = chainEnd;
    return 1;
}

int ClearSlursInRange(CCBase*, MCEventList&, MCTime&, MCTime&, unsigned) {
    return 0;
}
