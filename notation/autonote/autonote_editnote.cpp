// The engine's preparation of a note edited in place: moved to another time,
// given another voice, or taken out and merged in again where it stands.
#include "notation/autonote/autonote.h"

#include "model/command.h"
#include "model/editactions.h"
#include "model/editstates.h"
#include "model/eventtypes.h"
#include "model/measure.h"
#include "model/notes.h"
#include "model/performance.h"
#include "notation/autonote/clearing.h"
#include "notation/tools/tie.h"

#include <mutex>
#include <utility>
#include <vector>

namespace {

// Elements moved for a while and put back exactly where they were (a shift
// back by the opposite delta would not restore a time the shift clamped at
// zero, nor one an element was moved by twice).
class TemporaryShift {
public:
    // Each element of the list by `delta`, itself only (not its children).
    void Shift(MCEventList& elements, const MCTime& delta) {
        for (POSITION pos = elements.GetHeadPosition(); pos;) {
            ECBase* element = elements.GetNext(pos);
            const MCTime* time = element->GetTime();
            if (!time || Holds(element))
                continue;
            m_saved.emplace_back(element, *time);
            m_held.AddEvent(element, UNSORTED);
        }
        ACDeltaTime shift(delta);
        shift.SetDepth(0);
        for (const auto& [element, time] : m_saved)
            shift.Apply(element);
    }
    void Restore() {
        for (auto& [element, time] : m_saved)
            element->SetTime(&time);
        m_saved.clear();
    }

private:
    bool Holds(ECBase* element) const {
        for (const auto& saved : m_saved)
            if (saved.first == element)
                return true;
        return false;
    }

    std::vector<std::pair<ECBase*, MCTime>> m_saved;
    MCEventList m_held;   // a reference on each element while it is away
};

}  // namespace

void CAutoNote::PrepareEditTime(SCEventEdit* edit, SCEventEditItem* item, ECBase* element) {
    switch (element->GetClassType()) {
    case ET_DYNAMIC:
    case ET_TEMPO:
        MarkFrame(element);
        return;
    case ET_NOTE:
        break;
    default:
        return;
    }
    auto* note = static_cast<ECNote*>(element);
    const MCTime* now = note->GetTime();
    if (!now)
        return;
    const MCTime remembered = *now;
    // An item made without times moves nothing.
    const MCTime previous = item->GetOldTime() == MCTime::TimeNull() ? remembered : item->GetOldTime();
    if (item->GetNewTime() == MCTime::TimeNull())
        return;
    const MCTime next = item->GetNewTime();
    // The measure it joins: the item's new parent when that is one.
    ECBase* target = item->GetNewParent();
    if (!target || target->GetClassType() != ET_MEASURE)
        target = EnclosingMeasure(note);
    CCBase scratch;
    {
        ECPerformance* performance = GetBaseEvent();
        std::unique_lock<CCriticalSection> lock;
        if (performance)
            lock = std::unique_lock<CCriticalSection>(performance->GetLock());
        // Taken out where it was ...
        note->SetTime(&previous);
        RemoveNote(&scratch, note, nullptr);
        // ... and merged in where it goes, with what moves with it: the
        // beam, chord and tie it hangs under and the rest of its tie chain.
        MCTime delta = next;
        delta -= previous;
        MCEventList moving;
        if (MCEventList* parents = note->GetParents()) {
            for (POSITION pos = parents->GetHeadPosition(); pos;) {
                ECBase* parent = parents->GetNext(pos);
                const int type = parent->GetClassType();
                if (type == ET_TIE || type == ET_BEAM || type == ET_CHORD)
                    moving.AddEvent(parent, UNSORTED);
            }
        }
        CTie ties;
        MCEventList& partners = ties.GetTiePartners(note);
        for (POSITION pos = partners.GetHeadPosition(); pos;) {
            ECBase* partner = partners.GetNext(pos);
            if (partner != note)   // the note itself takes the new time below
                moving.AddEvent(partner, UNSORTED);
        }
        TemporaryShift shift;
        shift.Shift(moving, delta);
        note->SetTime(&next);
        MergeNote(&scratch, note, target);
        // The move itself is the edit's, once it has been delivered.
        note->SetTime(&remembered);
        shift.Restore();
    }
    GiveDiscardsToDeleteList(scratch, edit);
}

void CAutoNote::PrepareEditVoiceTrack(SCEventEdit* edit, SCEventEditItem*, ECBase* element) {
    if (element->GetClassType() != ET_NOTE)
        return;
    auto* note = static_cast<ECNote*>(element);
    MCVoiceTrack* word = note->GetVoiceTrack();
    const int voice = word->GetVoice();
    // While the note is prepared under voice 14 every clearing takes all
    // voices: the notation of the voice it leaves goes as well as that of
    // the voice it joins.
    word->SetVoice(VOICE_ALL);
    PrepareForEditNote(edit, note, EnclosingMeasure(note));
    word->SetVoice(voice);
    if (MCEventList* children = note->GetChildren()) {
        for (POSITION pos = children->GetHeadPosition(); pos;) {
            ECBase* child = children->GetNext(pos);
            if (child->GetClassType() == ET_GRACENOTE)
                child->GetVoiceTrack()->SetVoice(voice);
        }
    }
    m_multivoice.SetVoice(ANMultivoice::VOICE_KEEP);
}

void CAutoNote::PrepareForEditNote(SCEventBase* event, ECNote* note, ECMeasure* measure) {
    if (!note)
        return;
    CCBase scratch;
    RemoveNote(&scratch, note, nullptr);
    MergeNote(&scratch, note, measure);
    GiveDiscardsToDeleteList(scratch, event);
}
