// The performer walks (see performeractions.h for the contract).
#include "sequencer/performeractions.h"

#include "model/event.h"
#include "sequencer/performer.h"
#include "sequencer/performers.h"
#include "sequencer/sequence.h"

#include <algorithm>

// ---- ACGetMidiFilters -------------------------------------------------------

int ACGetMidiFilters::BeginAction()
{
    m_filters.RemoveAll(0);
    return ACBase::BeginAction();
}

int ACGetMidiFilters::DoAction(ECBase* event)
{
    DCsqBase* performer = DCsqBase::GetPerformer(event, 0);
    MCMidiFilterList* filters = performer ? performer->GetFilters() : nullptr;
    if (!filters || filters->IsEmpty())
        return AC_CONTINUE;
    // Brought up to date from their markings before they run; with no
    // sequence nothing is handed to a staff.
    if (auto* filterPerformer = DYNAMIC_DOWNCAST(DCsqFilter, performer))
        filterPerformer->TriggerFilters(nullptr);
    // Before those gathered so far: the filters of later-visited events run
    // first.
    m_filters.AddHead(*filters);
    return AC_CONTINUE;
}

// ---- ACChannelContent -------------------------------------------------------

int ACChannelContent::DoAction(ECBase* event)
{
    DCsqBase* performer = DCsqBase::GetPerformer(event, 0);
    if (!performer)
        return AC_CONTINUE;
    const FCMidi* word = nullptr;
    switch (performer->GetClassType()) {
    case DT_BANKLSB:
    case DT_BANKMSB:
    case DT_MIDI:
    case DT_NOTE:
    case DT_PROGRAM:
        word = &static_cast<DCsqMidi*>(performer)->GetMidiData();
        break;
    case DT_DYNAMIC: {
        auto* dynamic = static_cast<DCsqDynamic*>(performer);
        if (dynamic->UsesVolume())
            word = &dynamic->GetMidiData();
        break;
    }
    default:
        break;
    }
    // An empty word names no channel.
    if (word && word->IsChannelMsg())
        m_nChannelContent = static_cast<unsigned short>(m_nChannelContent | (1u << word->GetStatusLSB()));
    return AC_CONTINUE;
}

// ---- ACFindNonPrologueEvent -------------------------------------------------

int ACFindNonPrologueEvent::BeginAction()
{
    m_pEvent = nullptr;
    return ACFindFirstEvent::BeginAction();
}

int ACFindNonPrologueEvent::DoAction(ECBase* event)
{
    DCsqBase* performer = DCsqBase::GetPerformer(event, 0);
    if (!performer)
        return AC_CONTINUE;
    const int type = performer->GetClassType();
    // Only the first event of each prologue kind is set-up: its entry goes.
    const auto prologue = std::find(m_prologueTypes.begin(), m_prologueTypes.end(), type);
    if (prologue != m_prologueTypes.end()) {
        m_prologueTypes.erase(prologue);
        return AC_CONTINUE;
    }
    if (std::find(m_nonPrologueTypes.begin(), m_nonPrologueTypes.end(), type) == m_nonPrologueTypes.end())
        return AC_CONTINUE;
    m_pEvent = event;
    return AC_STOP;
}

// ---- ACRemoveData -------------------------------------------------------------

int ACRemoveData::DoAction(ECBase* event)
{
    Unthread(m_pSequence, DCsqBase::GetPerformer(event, 0));
    return AC_CONTINUE;
}

void ACRemoveData::Unthread(CSequence* sequence, DCsqBase* performer)
{
    if (!performer)
        return;
    DCsqBase* prev = performer->GetPrev();
    DCsqBase* next = performer->GetNext();
    performer->Unlink();
    if (!sequence)
        return;
    if (sequence->GetHead() == performer)
        sequence->SetHead(next);
    if (sequence->GetTail() == performer)
        sequence->SetTail(prev);
    // A cursor on the performer stays near where it was: on the one before,
    // or the one after when it was the first.
    DCsqBase* neighbour = prev ? prev : next;
    if (sequence->GetPlayPosition() == performer)
        sequence->SetPlayPosition(neighbour);
    if (sequence->GetRecordPosition() == performer)
        sequence->SetRecordPosition(neighbour);
}
