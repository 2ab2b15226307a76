// The engine's preparation of added and removed ties, and the consolidation
// of a tie chain into one value.
//
// A tied note sounds once: the head of a chain carries the performed length
// of the whole chain and the later notes have no performer. Lengths are
// summed from the notes' ticks in the plain division of the measure, so that
// notes inside a tuplet count for what they last (two tied triplet eighths
// play two thirds of a quarter); a value written on a note stays in the
// note's own division.
#include "notation/autonote/autonote.h"

#include "interface/document/opusdoc.h"
#include "model/command.h"
#include "model/conductor.h"
#include "model/editstates.h"
#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/states.h"
#include "notation/display/notate.h"
#include "notation/display/tuplet.h"
#include "notation/tools/tie.h"
#include "notation/view/cantrel.h"
#include "sequencer/performeractions.h"
#include "sequencer/performer.h"
#include "sequencer/performers.h"
#include "sequencer/scoremgr.h"
#include "sequencer/sequence.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

constexpr int kTicksPerQuarter = 256;
constexpr int NORMAL_SCALE = DCctTuplet::TICKS_NORMAL;
constexpr int OWN_SCALE = DCctTuplet::TICKS_OWN;
// ECNote::ScaleDuration's direction from a notated length to a performed one.
constexpr int NOTATED_TO_PERFORMED = 0;

DCctNotate* NotateOf(ECBase* element) {
    return element ? dynamic_cast<DCctNotate*>(element->GetData(DK_NOTATION, 0)) : nullptr;
}

int TickStart(ECBase* note) {
    DCctNotate* display = NotateOf(note);
    return display ? display->GetTickStart(NORMAL_SCALE) : 0;
}

int TickDuration(ECBase* note, int scale = NORMAL_SCALE) {
    DCctNotate* display = NotateOf(note);
    return display ? display->GetTickDuration(scale) : 0;
}

// A note's place in ticks from its measure's start, and the measure.
ECBase* MeasureOf(ECBase* note) {
    return note->GetAncestor(ET_MEASURE, -1);
}

int MeasureTicks(ECBase* measure) {
    const MCTime* time = measure ? measure->GetTime() : nullptr;
    return time ? time->GetTicks(kTicksPerQuarter) : 0;
}

// The performed length of `ticks` notated ticks at 256 a quarter.
void SetPerformedTicks(ECNote* note, int ticks) {
    MCTime notated;
    notated.SetTicks(ticks, kTicksPerQuarter);
    const MCTime performed = ECNote::ScaleDuration(&notated, NOTATED_TO_PERFORMED);
    note->SetDuration(&performed);
}

// The sequence of the document the view shows, or null.
CSequence* SequenceOf(CCantrel* view) {
    auto* document = view ? dynamic_cast<MCOpusDoc*>(view->GetDocument()) : nullptr;
    return document ? document->GetSequence() : nullptr;
}

std::unique_lock<CCriticalSection> LockTree(ECPerformance* performance) {
    return performance ? std::unique_lock<CCriticalSection>(performance->GetLock())
                       : std::unique_lock<CCriticalSection>();
}

// Whether a length is one written value: plain, dotted or double-dotted.
bool IsOneValue(int ticks) {
    if (ticks <= 0)
        return false;
    int p = 1;
    while (p * 2 <= ticks)
        p *= 2;
    return ticks == p || ticks == p + p / 2 || ticks == p + p / 2 + p / 4;
}

}  // namespace

int CAutoNote::AddTie(CCBase*, ECBase* element, ECBase*) {
    auto* tie = dynamic_cast<ECTie*>(element);
    if (!tie)
        return 0;
    CTie chain;
    ECNote* head = chain.GetHeadOfTie(tie);
    ECNote* other = chain.FindNoteChild(tie, TIE_FORWARD);
    if (!head || !other || head == other)
        return 0;

    // The head sounds from its start to the end of the tie's later note.
    ECBase* headMeasure = MeasureOf(head);
    ECBase* otherMeasure = MeasureOf(other);
    int ticks = 0;
    if (headMeasure == otherMeasure)
        ticks = TickStart(other) + TickDuration(other) - TickStart(head);
    else
        ticks = TickDuration(other) + (MeasureTicks(otherMeasure) + TickStart(other)) -
                (MeasureTicks(headMeasure) + TickStart(head));
    if (ticks > 0)
        SetPerformedTicks(head, ticks);
    const MCTime silent = MCTime::TimeZero();
    other->SetDuration(&silent);

    ECPerformance* performance = GetBaseEvent();
    auto lock = LockTree(performance);
    if (DCsqBase* performer = DCsqBase::GetPerformer(other, 0)) {
        ACRemoveData::Unthread(SequenceOf(GetView()), performer);
        other->DeleteData(DK_SEQUENCER);
    }
    if (performance) {
        auto* edit = new SCEventEdit(STATE_EVENTS_EDITED);
        edit->AddItem(other, EDITITEM_SEQUENCER_DATA);
        MCStateMgr::ApplyState(edit, performance);
    }
    return 0;
}

int CAutoNote::RemoveTie(CCBase*, ECBase* element, ECBase*) {
    MCEventList* notes = element ? element->GetChildren() : nullptr;
    if (!notes || notes->IsEmpty())
        return 0;
    auto* first = dynamic_cast<ECNote*>(notes->GetHead());
    auto* second = dynamic_cast<ECNote*>(notes->GetTail());
    if (!first || !second || first == second)
        return 0;
    CTie chain;

    // The chain up to the tie: its head plays from its start to the end of
    // the tie's earlier note.
    ECNote* head = chain.GetHeadOfTie(first);
    int ticks = 0;
    std::vector<ECNote*> seen;
    for (ECNote* note = head; note; note = chain.GetNext(note, TIE_FORWARD)) {
        if (std::find(seen.begin(), seen.end(), note) != seen.end())
            break;   // a damaged chain that loops
        seen.push_back(note);
        ticks += TickDuration(note);
        if (note == first)
            break;
    }
    SetPerformedTicks(head, ticks);

    // The chain from the tie on: its later note now heads it.
    ECNote* tail = chain.GetTailOfTie(second);
    ticks = 0;
    seen.clear();
    for (ECNote* note = tail; note; note = chain.GetNext(note, TIE_BACKWARD)) {
        if (std::find(seen.begin(), seen.end(), note) != seen.end())
            break;
        seen.push_back(note);
        ticks += TickDuration(note);
        if (note == second)
            break;
    }
    SetPerformedTicks(second, ticks);

    // The later note sounds again, as its head did.
    auto* headPerformer = dynamic_cast<DCsqMidi*>(DCsqBase::GetPerformer(head, 0));
    CSequence* sequence = SequenceOf(GetView());
    CMidiScoreMgr* scores = sequence ? sequence->GetMidiScoreMgr() : nullptr;
    // A note that already sounds keeps its performer: threading it into the
    // sequence a second time would corrupt the sequence's list.
    if (!headPerformer || !scores || DCsqBase::GetPerformer(second, 0))
        return 0;
    auto lock = LockTree(GetBaseEvent());
    scores->AddEventData(second, headPerformer->GetMidiData());
    return 0;
}

int CAutoNote::PrepareEditConsolidateTies(SCEventEdit* edit, SCEventEditItem*, ECBase* element) {
    auto* item = dynamic_cast<ECNote*>(element);
    ECConductor* conductor = GetConductor();
    if (!item || !conductor || item->GetClassType() != ET_NOTE)
        return 0;
    // Any note of the chain stands for the chain, whose head holds its length.
    CTie chain;
    ECNote* head = chain.GetHeadOfTie(item);
    if (!head)
        return 0;

    // A chain over a bar line stays as it is.
    MCTime start, end;
    GetNoteRange(head, start, end);
    MCEventList measures;
    conductor->GetMeasures(0, start, end, measures);
    if (measures.GetCount() >= 2)
        return 0;
    DCctNotate* headDisplay = NotateOf(head);
    if (!headDisplay || headDisplay->TimeDirty())
        return 0;

    int value = TickDuration(head, OWN_SCALE);
    int performed = TickDuration(head);
    CTie partners;
    partners.GetTiePartners(head);
    // (CTie's own GetNext walks a chain: the list is read as a list.)
    MCEventList& later = partners;
    for (POSITION pos = later.GetHeadPosition(); pos;) {
        ECBase* partner = later.GetNext(pos);
        value += TickDuration(partner, OWN_SCALE);
        performed += TickDuration(partner);
    }
    if (!IsOneValue(value))
        return 0;

    std::vector<ECNote*> consolidated;
    ECBase* chord = head->GetAncestor(ET_CHORD, 1);
    if (chord) {
        MCEventList* members = chord->GetChildren();
        for (POSITION pos = members ? members->GetHeadPosition() : nullptr; pos;) {
            auto* note = dynamic_cast<ECNote*>(members->GetNext(pos));
            if (note && note->GetClassType() == ET_NOTE && chain.GetNext(note, TIE_FORWARD))
                consolidated.push_back(note);
        }
    } else {
        consolidated.push_back(head);
    }
    for (ECNote* note : consolidated) {
        SetPerformedTicks(note, performed);
        PrepareForEditNote(edit, note, nullptr);
        m_noteValue.SetValue(note, static_cast<uint16_t>(value));
    }
    if (chord) {
        // The chord takes the value its notes were given; it is placed again.
        if (DCctBase* display = NotationDisplayOf(chord)) {
            display->SetValueDirty(0);
            display->SetTimeDirty(1);
        }
        MCEventList* members = chord->GetChildren();
        for (POSITION pos = members ? members->GetHeadPosition() : nullptr; pos;) {
            ECBase* note = members->GetNext(pos);
            if (note->GetClassType() != ET_NOTE)
                continue;
            if (DCctBase* display = NotationDisplayOf(note)) {
                display->SetValueDirty(0);
                display->SetTimeDirty(1);
            }
        }
    }
    return 0;
}
