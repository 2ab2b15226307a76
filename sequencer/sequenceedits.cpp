// The sequence's performer list and how it follows the piece: insertion in
// time and precedence order, removal, the command handler, the edit state and
// the archive.
//
// The list is the play order: performers by the time of their events, those
// of one time by descending precedence (a bank MSB before a bank LSB before a
// program change before a note), a newcomer after those already there of the
// same time and precedence. The record position is the insertion cursor, so
// performers added in time order (a file read, a recording) are placed in
// constant time. The play position is the next performer the main player
// takes.
//
// Everything here runs with the performance's lock held: the command handler
// inside the command manager's batch, the edit handling and the archive under
// their own hold of it.
#include "sequencer/sequence.h"

#include "model/basiccommands.h"
#include "model/metercommands.h"
#include "model/meter.h"
#include "model/conductor.h"
#include "model/conductorcache.h"
#include "model/conductorstaff.h"
#include "model/editstates.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/performance.h"
#include "model/plugin.h"
#include "model/staff.h"
#include "platform/core/archive.h"
#include "platform/core/exceptions.h"
#include "sequencer/levels.h"
#include "sequencer/player.h"
#include "sequencer/scoremgr.h"
#include "sequencer/trackperformer.h"
#include "sequencer/wavescoremgr.h"

#include <cmath>
#include <mutex>

namespace {

const MCTime* PerformerTime(const DCsqBase* performer) {
    ECBase* event = performer ? performer->GetOwner() : nullptr;
    return event ? event->GetTime() : nullptr;
}

// Whether performer q stands before a newcomer of time t and precedence p.
bool StandsBefore(DCsqBase* q, const MCTime& t, int p) {
    const MCTime* time = PerformerTime(q);
    if (!time)
        return true;
    return *time < t || (*time == t && CMidiScoreMgr::GetPrecedence(q) >= p);
}

bool IsLinked(const DCsqBase* performer, const DCsqBase* head) {
    return performer->GetPrev() || performer->GetNext() || performer == head;
}

// Hands every item of an add list whose event the tree took to `add`, which
// answers whether its event found its place; 1 when all did, else 0 (the
// rest are still handed on). An event the tree refused (a second tempo at one
// time, say) gets no performer: it is freed once the command lets it go, and
// a performer of it would stay behind in the list.
template <class Add>
int AddEachChild(MCAddItemList* items, Add add) {
    int result = 1;
    for (POSITION pos = items->GetHeadPosition(); pos;) {
        CCAddItem* item = items->GetNext(pos);
        ECBase* child = item ? item->GetChild() : nullptr;
        if (!child)
            continue;
        if (child->GetParents()->IsEmpty()) {
            result = 0;
            continue;
        }
        if (!add(item, child))
            result = 0;
    }
    return result;
}

}   // namespace

// ---- the list -------------------------------------------------------------------

void CSequence::InsertData(DCsqBase* performer) {
    if (!performer || IsLinked(performer, m_pHead))
        return;
    ECBase* event = performer->GetOwner();
    MCTime* time = event ? event->GetTime() : nullptr;
    if (!time)
        return;
    if (*time < MCTime(0.0f)) {
        const MCTime zero(0.0f);
        event->SetTime(&zero);
    }
    if (!m_pHead) {
        RecalibrateStartTime(*time);
        m_pHead = m_pTail = performer;
    } else {
        // A list read from a file has no cursor yet.
        if (!m_pRecordPosition)
            m_pRecordPosition = m_pHead;
        // The newcomer goes between `prev` and `next`; a missing neighbour
        // makes it the head or the tail.
        DCsqBase* prev = nullptr;
        DCsqBase* next = nullptr;
        switch (FindInsertPosition(performer)) {
        case 0:   // before the head
            next = m_pHead;
            break;
        case 1:   // before the record position
            next = m_pRecordPosition;
            prev = next->GetPrev();
            break;
        case 2:   // after the record position
            prev = m_pRecordPosition;
            next = prev->GetNext();
            break;
        default:   // after the tail
            prev = m_pTail;
            break;
        }
        performer->SetPrev(prev);
        performer->SetNext(next);
        if (prev)
            prev->SetNext(performer);
        else
            m_pHead = performer;
        if (next)
            next->SetPrev(performer);
        else
            m_pTail = performer;
    }
    m_pRecordPosition = performer;
    // A newcomer just before the play position that the player has not
    // reached yet is the next to play; one already passed stays silent.
    if (performer->GetNext() == m_pPlayPosition && *event->GetTime() >= m_takenUntil)
        m_pPlayPosition = performer;
}

int CSequence::FindInsertPosition(DCsqBase* performer) {
    const MCTime* found = PerformerTime(performer);
    const MCTime time = found ? *found : MCTime(0.0f);
    const int precedence = CMidiScoreMgr::GetPrecedence(performer);
    if (!m_pRecordPosition)
        m_pRecordPosition = m_pHead;
    if (!m_pRecordPosition)
        return 3;
    bool stepped = false;
    while (StandsBefore(m_pRecordPosition, time, precedence)) {
        DCsqBase* next = m_pRecordPosition->GetNext();
        if (!next)
            return 3;
        m_pRecordPosition = next;
        stepped = true;
    }
    if (stepped)
        return 1;
    while (!StandsBefore(m_pRecordPosition, time, precedence)) {
        DCsqBase* prev = m_pRecordPosition->GetPrev();
        if (!prev)
            return 0;
        m_pRecordPosition = prev;
    }
    return 2;
}

void CSequence::RemoveData(DCsqBase* performer) {
    if (!performer || !IsLinked(performer, m_pHead))
        return;
    DCsqBase* prev = performer->GetPrev();
    DCsqBase* next = performer->GetNext();
    performer->Unlink();
    if (m_pHead == performer)
        m_pHead = next;
    if (m_pTail == performer)
        m_pTail = prev;
    if (m_pRecordPosition == performer)
        m_pRecordPosition = prev ? prev : next;
    // The play position names the next performer to take: stepping back
    // would play the one before again.
    if (m_pPlayPosition == performer)
        m_pPlayPosition = next;
    // The player's queues may still name the event, which may go soon.
    if (ECBase* event = performer->GetOwner(); event && m_pPlayer->GetState() != PLAYER_STOPPED)
        m_forgotten.push_back(event);
}

void CSequence::CheckEventOrder(ECBase* event) {
    DCsqBase* performer = DCsqBase::GetPerformer(event, 0);
    if (!performer || !IsLinked(performer, m_pHead))
        return;
    RemoveData(performer);
    InsertData(performer);
}

// ---- the command handler ---------------------------------------------------------

int CSequence::_OnCommand(ECBase* /*performance*/, int phase, void* batch, void* user) {
    auto* sequence = static_cast<CSequence*>(user);
    auto* commands = static_cast<MCCommandList*>(batch);
    if (!sequence || !commands)
        return phase == CMD_PHASE_PREPARE || phase == CMD_PHASE_PROCESS ? 1 : -1;
    if (phase == CMD_PHASE_PREPARE) {
        // Gathered afresh on every pass of the batch, for all its removals:
        // the first ProcessRemove then unlinks them all.
        sequence->m_pendingRemovals.RemoveAll();
        for (POSITION pos = commands->GetHeadPosition(); pos;) {
            CCBase* command = commands->GetNext(pos);
            const int id = command->GetCommandId();
            if (id == CMD_REMOVE || id == CMD_REMOVEMEASURE || id == CMD_REMOVETRACK)
                if (auto* remove = dynamic_cast<CCRemove*>(command))
                    for (POSITION at = remove->GetRemoveList()->GetHeadPosition(); at;)
                        sequence->CollectPending(remove->GetRemoveList()->GetNext(at), false);
        }
        return 1;
    }
    if (phase != CMD_PHASE_PROCESS)
        return -1;
    // This batch's gathered removals, taken aside: a command of the batch may
    // run a batch of its own (an added staff's set-up events), whose Prepare
    // gathers afresh; they come back for the batch's first removal.
    MCEventList gathered;
    gathered.AddEvents(&sequence->m_pendingRemovals, UNSORTED);
    sequence->m_pendingRemovals.RemoveAll();
    auto restore = [&] {
        sequence->m_pendingRemovals.AddEvents(&gathered, UNSORTED);
        gathered.RemoveAll();
    };
    for (POSITION pos = commands->GetHeadPosition(); pos;) {
        CCBase* command = commands->GetNext(pos);
        const int id = command->GetCommandId();
        if (id == CMD_REMOVE || id == CMD_REMOVEMEASURE || id == CMD_REMOVETRACK)
            restore();
        switch (id) {
        case CMD_ADD:
        case CMD_ADDMEASURE:
        case CMD_ADDNOTEMODIFIER:
            if (auto* add = dynamic_cast<CCAdd*>(command))
                sequence->ProcessAdd(add);
            break;
        case CMD_ADDMETER:
            sequence->ProcessAddMeter(dynamic_cast<CCAddMeter*>(command));
            break;
        case CMD_ADDTRACK:
            if (auto* add = dynamic_cast<CCAddTrack*>(command))
                sequence->ProcessAddTrack(add);
            break;
        case CMD_REMOVE:
        case CMD_REMOVEMEASURE:
            sequence->ProcessRemove(dynamic_cast<CCRemove*>(command));
            break;
        case CMD_REMOVEMETER:
            sequence->ProcessRemoveMeter(dynamic_cast<CCRemoveMeter*>(command));
            break;
        case CMD_REMOVETRACK:
            sequence->ProcessRemoveTrack(dynamic_cast<CCRemoveTrack*>(command));
            break;
        default:
            break;
        }
    }
    sequence->ProcessDiscards(*commands);
    return 1;
}

void CSequence::ProcessDiscards(MCCommandList& commands) {
    // What a handler discarded with a command (the notation engine takes a
    // key out that the removal of its neighbour made a repetition of) left
    // the tree with it: a performer of one leaves the list too, which would
    // otherwise name an event no longer in the piece (and be written so).
    m_pendingRemovals.RemoveAll();
    for (POSITION pos = commands.GetHeadPosition(); pos;) {
        const MCEventList* discarded = commands.GetNext(pos)->GetDiscardList();
        for (POSITION at = discarded->GetHeadPosition(); at;) {
            ECBase* event = discarded->GetNext(at);
            MCEventList* parents = event->GetParents();
            if (DCsqBase::GetPerformer(event, 0) && (!parents || parents->IsEmpty()))
                m_pendingRemovals.AddEvent(event, UNSORTED);
        }
    }
    UnlinkPending(true);
}

void CSequence::CollectPending(ECBase* event, bool skipGroups) {
    if (!event)
        return;
    const int type = event->GetClassType();
    const bool group = type == ET_SLUR || type == ET_TIE || type == ET_TRANSPOSE || type == ET_TUPLET;
    if (group && skipGroups)
        return;
    // The event and everything under it that has a performer; the members
    // of a slur, tie, transposition or tuplet stay with their own parents.
    ACFindData find(DK_SEQUENCER);
    find.ClipNone();
    find.ClipEvtType(ET_SLUR);
    find.ClipEvtType(ET_TIE);
    find.ClipEvtType(ET_TRANSPOSE);
    find.ClipEvtType(ET_TUPLET);
    find.Apply(event);
    m_pendingRemovals.AddEvents(&find.GetEvents(), UNSORTED);
}

int CSequence::PrepareRemove(CCRemove* command) {
    m_pendingRemovals.RemoveAll();
    if (!command)
        return 1;
    MCEventList* removed = command->GetRemoveList();
    for (POSITION pos = removed->GetHeadPosition(); pos;)
        CollectPending(removed->GetNext(pos), false);
    return 1;
}

int CSequence::PrepareRemoveList(MCEventList& events) {
    m_pendingRemovals.RemoveAll();
    for (POSITION pos = events.GetHeadPosition(); pos;)
        CollectPending(events.GetNext(pos), true);
    return 1;
}

void CSequence::UnlinkPending(bool prologue) {
    for (POSITION pos = m_pendingRemovals.GetHeadPosition(); pos;) {
        ECBase* event = m_pendingRemovals.GetNext(pos);
        if (prologue) {
            const MCVoiceTrack* word = event->GetVoiceTrack();
            const int track = word ? word->GetTrack() : 0;
            if (track != 0 && track != TRACK_NONE) {
                const int kind = event->GetClassType() == ET_WAVE ? TT_WAVE : TT_STAFF;
                DCsqTrack* owner = DCsqTrack::GetTrackData(static_cast<unsigned>(track), kind, this);
                if (owner && owner->IsPrologueEvent(event))
                    owner->RemovePrologueEvent(event);
            }
        }
        RemoveData(DCsqBase::GetPerformer(event, 0));
    }
    m_pendingRemovals.RemoveAll();
}

int CSequence::ProcessRemove(CCRemove* /*command*/) {
    UnlinkPending(true);
    return 1;
}

int CSequence::ProcessRemoveTrack(CCRemoveTrack* /*command*/) {
    UnlinkPending(false);
    return 1;
}

int CSequence::ProcessAdd(CCAdd* command) {
    if (!command)
        return 0;
    return AddEachChild(command->GetAddList(), [this](CCAddItem* item, ECBase* child) {
        if (child->GetClassType() == ET_WAVE)
            return AddWaveData(child) != nullptr;
        m_pScoreMgr->AddEventData(child, item->GetMidiData());
        return true;
    });
}

int CSequence::ProcessAddTrack(CCAddTrack* command) {
    if (!command)
        return 0;
    return AddEachChild(command->GetAddList(), [this](CCAddItem*, ECBase* child) {
        switch (child->GetClassType()) {
        case ET_STAFF: {
            const bool added = m_pScoreMgr->AddEventData(child, FCMidi::MidiNull()) != nullptr;
            m_pLevelMgr->UpdateTrackCount();
            return added;
        }
        case ET_WAVETRACK:
            return AddWaveData(child) != nullptr;
        default:   // the conductor staff has no performer in the list
            return true;
        }
    });
}

DCsqBase* CSequence::AddWaveData(ECBase* event) {
    return m_pWaveScoreMgr->AddEventData(event);
}

int CSequence::ProcessAddMeter(CCAddMeter* command) {
    if (!command)
        return 0;
    // A meter that replaced another takes its place in the list too.
    if (ECMeter* replaced = command->GetMeter(2))
        RemoveData(DCsqBase::GetPerformer(replaced, 0));
    ECMeter* meter = command->GetMeter(0);
    if (!meter || !m_pScoreMgr->AddEventData(meter, FCMidi::MidiNull()))
        return 0;
    return 1;
}

int CSequence::ProcessRemoveMeter(CCRemoveMeter* command) {
    if (ECMeter* meter = command ? command->GetMeter(0) : nullptr)
        RemoveData(DCsqBase::GetPerformer(meter, 0));
    return 1;
}

// ---- the edit state ---------------------------------------------------------------

void CSequence::OnEventEdit(SCEventEdit* edit) {
    if (!edit)
        return;
    auto tree = LockTree();
    MCPtrList& items = edit->GetEditList();
    for (POSITION pos = items.GetHeadPosition(); pos;) {
        auto* item = static_cast<SCEventEditItem*>(items.GetNext(pos));
        ECBase* event = item ? item->GetEvent() : nullptr;
        if (!event)
            continue;
        const int type = event->GetClassType();
        if (type == ET_WAVE) {
            CheckEventOrder(event);
            MoveWaveToItsTrack(event);
        } else if (type == ET_WAVETRACK) {
            continue;
        } else if (item->GetEditCode() == -1 || item->GetEditCode() == 0) {
            if (MCConductorCache::IsCacheEvent(event) && m_pConductor) {
                ECBase* conductorStaff = m_pConductor->GetDescendant(ET_CONDUCTORSTAFF, 1);
                if (conductorStaff)
                    m_pConductor->GetCache()->BuildCacheFromList(conductorStaff->GetChildren());
            }
        } else if (item->GetEditCode() == EDIT_MOVE) {
            // Placed by the time it is about to have; it keeps its own
            // until the move is carried out.
            MCTime* time = event->GetTime();
            if (!time)
                continue;
            const MCTime own = *time;
            event->SetTime(&item->GetNewTime());
            CheckEventOrder(event);
            event->SetTime(&own);
        }
    }
    PrepareRemoveList(edit->GetDeleteList());
    ProcessRemove(nullptr);
}

void CSequence::MoveWaveToItsTrack(ECBase* wave) {
    const MCVoiceTrack* word = wave->GetVoiceTrack();
    ECBase* oldTrack = wave->GetAncestor(ET_WAVETRACK, 1);
    if (!word || !oldTrack || !m_pConductor)
        return;
    const int number = word->GetTrack();
    if (number == m_pConductor->GetTrackNumber(TRACK_WAVE, static_cast<ECTrack*>(oldTrack)))
        return;
    ECBase* newTrack = m_pConductor->GetTrack(TRACK_WAVE, number, 0);
    if (!newTrack || newTrack == oldTrack)
        return;
    newTrack->AddChild(wave, SORTED);   // the new link first: the old one may hold the last reference
    oldTrack->RemoveChild(wave, 0);
}

// ---- the archive ------------------------------------------------------------------

void CSequence::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        auto tree = LockTree();
        ar.WriteObject(m_pPerformance);
        ar.WriteObject(m_pConductor);
        ar.WriteObject(m_pHead);
        ar.WriteObject(m_pTail);
        ar << m_dPlaybackSpeed;
        return;
    }
    // The references are to the tree read before. A damaged file's may be
    // objects of their own, read here with everything they name: should
    // the read fail, the guard frees what nothing took.
    ECLoadGuard guard;
    auto* performance = static_cast<ECPerformance*>(ar.ReadObject(RUNTIME_CLASS(ECPerformance)));
    auto* conductor = static_cast<ECConductor*>(ar.ReadObject(RUNTIME_CLASS(ECConductor)));
    auto* head = static_cast<DCsqBase*>(ar.ReadObject(RUNTIME_CLASS(DCsqBase)));
    auto* tail = static_cast<DCsqBase*>(ar.ReadObject(RUNTIME_CLASS(DCsqBase)));
    double speed = 1.0;
    ar >> speed;
    // The list was linked by the after-load pass; a damaged one must not
    // send the player round in circles or off its end.
    if (!IsWellFormedList(head, tail))
        throw CArchiveException(CArchiveException::badIndex);
    guard.Commit();

    m_pPerformance = performance;
    m_pConductor = conductor ? conductor : (performance ? performance->GetConductor() : nullptr);
    m_pHead = head;
    m_pTail = tail;
    m_pRecordPosition = nullptr;
    m_pPlayPosition = nullptr;
    m_dPlaybackSpeed = std::isfinite(speed) ? (speed > 0.0 ? speed : 0.1) : 1.0;
    if (performance)
        RegisterCommandHandler(performance);
    Attach(nullptr);
}

bool CSequence::IsWellFormedList(DCsqBase* head, DCsqBase* tail) {
    if (!head || !tail)
        return !head && !tail;
    if (head->GetPrev() || tail->GetNext())
        return false;
    // Each link answered by its back link: then no walk from the head can
    // come round again (the node met twice would have two previous ones).
    DCsqBase* last = head;
    for (DCsqBase* performer = head; performer; performer = performer->GetNext()) {
        DCsqBase* next = performer->GetNext();
        if (next && next->GetPrev() != performer)
            return false;
        last = performer;
    }
    return last == tail;
}
