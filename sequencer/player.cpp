// The player: its locks, its transport and the answer to each poll.
//
// Times. Performers and queue records carry musical time; the queue's key is
// a message's musical time to the thousandth of a quarter note. A record is
// due when its device time (CSequence::AbsoluteTime) lies before the poll
// window's end; it leaves stamped with that device time. Records that must
// leave at a given device time (the stop drain, the chase) carry play-clock
// times, which AbsoluteTime passes through unchanged.
#include "sequencer/player.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/markings.h"
#include "model/midievents.h"
#include "model/performance.h"
#include "model/staff.h"
#include "platform/devices/portavel.h"
#include "sequencer/chase.h"
#include "sequencer/filtermgr.h"
#include "sequencer/levels.h"
#include "sequencer/performers.h"
#include "sequencer/sequence.h"
#include "sequencer/trackperformer.h"

#include <algorithm>
#include <mutex>
#include <unordered_set>
#include <utility>
#include <vector>

IMPLEMENT_DYNCREATE(CSeqPlay, CObject)

namespace {

// The states in which the player takes no performers and, with an empty
// queue, has nothing more to give.
constexpr unsigned RESTING_STATES =
    PLAYER_STOPPED | PLAYER_STOPPING | PLAYER_PAUSED | PLAYER_PAUSING | PLAYER_RELOCATED;

// A notice raised on the sequence's own thread: the sequence is named when
// the notice is raised, under the player's lock.
struct PendingNotice {
    CSequence* sequence;
    CSeqPlay::Notice notice;
};

// Player locks this thread holds, and the notices waiting until it holds
// none (see player.h).
thread_local int t_playerLocks = 0;
thread_local std::vector<PendingNotice> t_notices;

MCTime PlayClock(DWORD ms) {
    MCTime time;
    time.SetMSec(static_cast<int>(ms));
    time.SetMode(TM_PLAY);
    return time;
}

}   // namespace

// Holds a player's lock and, when asked and attached to a performance, the
// performance's lock after it. The last player lock this thread gives back
// delivers the notices queued meanwhile.
class CPlayerGuard {
public:
    CPlayerGuard(CSeqPlay& player, bool withPerformance) : m_player(player) {
        m_player.m_lock.Lock();
        ++t_playerLocks;
        if (withPerformance && m_player.m_pSequence)
            m_pPerformance = m_player.m_pSequence->GetPerformance();
        if (m_pPerformance)
            m_pPerformance->Lock();
    }
    CPlayerGuard(const CPlayerGuard&) = delete;
    CPlayerGuard& operator=(const CPlayerGuard&) = delete;
    ~CPlayerGuard() {
        if (m_pPerformance)
            m_pPerformance->Unlock();
        m_player.m_lock.Unlock();
        if (--t_playerLocks > 0)
            return;
        // A notice may stop or start players, which queue notices of their own.
        while (!t_notices.empty()) {
            std::vector<PendingNotice> notices;
            notices.swap(t_notices);
            for (const PendingNotice& pending : notices)
                pending.sequence->DeliverNotice(pending.notice);
        }
    }

private:
    CSeqPlay& m_player;
    ECPerformance* m_pPerformance = nullptr;   // borrowed, locked while held
};

CSeqPlay::CSeqPlay() : m_pPortavel(CPortavel::GetPortavel()) {}

CSeqPlay::~CSeqPlay() {
    Detach();
    // Never polled again once gone; the library may already be gone itself.
    if (m_pPortavel && m_pPortavel == CPortavel::GetPortavel())
        m_pPortavel->StopPolledPerformance(m_tag.exchange(0));
}

CPVEventList* CSeqPlay::PerformProc(void* user, int tag, DWORD fromMs, DWORD toMs) {
    auto* player = static_cast<CSeqPlay*>(user);
    if (!player)
        return nullptr;
    CPlayerGuard guard(*player, true);
    // A performance the player has replaced ends here.
    if (tag != player->GetTag())
        return nullptr;
    return player->GetOutputEvents(PlayClock(fromMs), PlayClock(toMs));
}

void CSeqPlay::Attach(CSequence* sequence) {
    std::lock_guard lock(m_lock);
    m_pSequence = sequence;
    m_pFilterMgr = sequence ? sequence->GetPerfFilterMgr() : nullptr;
    m_pLevelMgr = sequence ? sequence->GetMeterLevelMgr() : nullptr;
    m_pHighlightMgr = sequence ? sequence->GetHighlightMgr() : nullptr;
    m_pStateMgr = sequence ? sequence->GetMidiStateMgr() : nullptr;
}

void CSeqPlay::Detach() {
    if (!m_pSequence)
        return;
    Stop();
    WaitForIdle(PLAYER_IDLE_WAIT_MS);
    // Rested or not (the wait may time out), no poll runs from here on: the
    // sequence and its managers may go once this returns.
    if (m_pPortavel)
        m_pPortavel->StopPolledPerformance(m_tag.exchange(0));
    m_pSequence->ForgetPlayer(this);
    CPlayerGuard guard(*this, false);
    CleanQueue(m_queue);
    CleanQueue(m_heldQueue);
    m_pSequence = nullptr;
    m_pFilterMgr = nullptr;
    m_pLevelMgr = nullptr;
    m_pHighlightMgr = nullptr;
    m_pStateMgr = nullptr;
}

void CSeqPlay::ChangeState(unsigned state) {
    m_state.store(state, std::memory_order_release);
    if (state == PLAYER_STOPPED || state == PLAYER_PAUSED)
        m_idle.Set();
    else
        m_idle.Reset();
}

void CSeqPlay::NotifySequence(Notice notice) {
    if (!m_pSequence)
        return;
    // On the sequence's own thread (a transport call) the notice waits for
    // the last player lock; from the polling thread it goes to the sequence's
    // queue now, while this player's lock keeps a Detach from passing.
    if (m_pSequence->IsOwnThread())
        t_notices.push_back({m_pSequence, notice});
    else
        m_pSequence->PostNotice(notice);
}

void CSeqPlay::StartPerformance() {
    const int tag = m_pPortavel ? m_pPortavel->StartPolledPerformance(&CSeqPlay::PerformProc, this) : 0;
    m_tag.store(tag, std::memory_order_release);
}

// ---- transport ---------------------------------------------------------------

void CSeqPlay::Play() {
    CPlayerGuard guard(*this, false);
    const unsigned state = GetState();
    if (state == PLAYER_PLAYING)
        return;
    if (state == PLAYER_FASTFORWARD) {
        ChangeState(PLAYER_PLAYING);
        return;
    }
    if (state == PLAYER_PAUSED)
        m_queue.PrependAll(m_heldQueue);
    else
        CleanQueue(m_heldQueue);   // kept back by a stop: never resumed
    StartPerformance();
    PrepareToPlay();
    ChangeState(PLAYER_PLAYING);
}

void CSeqPlay::Stop() {
    CPlayerGuard guard(*this, false);
    switch (GetState()) {
    case PLAYER_PAUSED:
        ChangeState(PLAYER_STOPPED);
        NotifySequence(NOTICE_STOPPED);
        break;
    case PLAYER_STOPPED:
    case PLAYER_STOPPING:
        break;
    case PLAYER_PAUSING:
        ChangeState(PLAYER_STOPPING);
        break;
    default:
        ChangeState(PLAYER_STOPPING);
        PrepareToStopSequence();
        break;
    }
}

void CSeqPlay::Pause() {
    CPlayerGuard guard(*this, false);
    const unsigned state = GetState();
    if (state & (PLAYER_STOPPED | PLAYER_STOPPING | PLAYER_PAUSED | PLAYER_PAUSING))
        return;
    ChangeState(PLAYER_PAUSING);
    PrepareToStopSequence();
}

void CSeqPlay::Forward() {
    CPlayerGuard guard(*this, false);
    if (GetState() != PLAYER_PLAYING)
        Play();
    ChangeState(PLAYER_FASTFORWARD);
}

int CSeqPlay::Relocate(const MCTime& time) {
    if (!m_pStateMgr)
        return 0;
    CPlayerGuard guard(*this, true);
    if (GetState() != PLAYER_STOPPED || !m_pSequence)
        return 0;
    CleanQueue(m_queue);
    CleanQueue(m_heldQueue);
    ForgetElements();
    ChangeState(PLAYER_RELOCATING);
    m_pStateMgr->PrepareRelocationQueue(time, this);
    CleanQueue(m_queue);
    CleanQueue(m_heldQueue);

    // The chase records carry their offsets from the chase's start in
    // seconds: they leave one after another from the next window on.
    CSeqEventQueue chase;
    m_pStateMgr->AppendEventsToQueue(chase);
    const DWORD start = m_pPortavel ? m_pPortavel->GetBufferTime() : 0;
    for (auto& record : chase.GetRecords()) {
        const double offsetMs = static_cast<double>(record->GetTime().GetSeconds()) * 1000.0;
        record->SetTime(PlayClock(start + static_cast<DWORD>(std::max(0.0, offsetMs) + 0.5)));
    }
    chase.MoveAllTo(m_queue);
    ChangeState(PLAYER_RELOCATED);
    StartPerformance();
    if (GetTag() == 0) {
        // No device library to play the chase: nothing will poll.
        CleanQueue(m_queue);
        ChangeState(PLAYER_STOPPED);
        return 0;
    }
    return 1;
}

// ---- the poll ----------------------------------------------------------------

CPVEventList* CSeqPlay::GetOutputEvents(const MCTime& /*from*/, const MCTime& to) {
    std::lock_guard lock(m_lock);
    const unsigned state = GetState();
    if (state == PLAYER_STOPPED || state == PLAYER_PAUSED || !m_pStateMgr || !m_pSequence)
        return nullptr;
    ForgetElements();

    const int answer = GetEventsBefore(to, 1);
    if (answer < 0) {
        switch (state) {
        case PLAYER_PAUSING:
            ChangeState(PLAYER_PAUSED);
            NotifySequence(NOTICE_PAUSED);
            break;
        case PLAYER_STOPPING:
        case PLAYER_RELOCATED:
            ChangeState(PLAYER_STOPPED);
            NotifySequence(NOTICE_STOPPED);
            break;
        case PLAYER_PLAYING:
        case PLAYER_FASTFORWARD:
        case PLAYER_FINISHING:
            ChangeState(PLAYER_STOPPED);
            NotifySequence(NOTICE_DONE);
            break;
        default:
            break;
        }
        return nullptr;
    }

    const bool chasing = (state & (PLAYER_RELOCATING | PLAYER_RELOCATED)) != 0;
    while (answer == 1 && GetEventsBefore(to, 0) == 1) {
        std::unique_ptr<CSeqEvent> record = m_queue.RemoveHead();
        const DWORD now = static_cast<DWORD>(m_currentTime.GetMSec());
        if (chasing) {
            // A chase only sends; it reports no levels and no highlights.
            if (std::unique_ptr<CPVEventData> data = record->TakeData()) {
                data->time = now;
                m_output.AddTail(std::move(data));
            }
            continue;
        }
        ECBase* element = record->GetElement();
        unsigned velocity = 0;
        if (std::unique_ptr<CPVEventData> data = record->TakeData()) {
            if (record->HasFlag(CSeqEvent::SE_LEVEL) && data->type == PV_EVENT_SHORT)
                velocity = static_cast<unsigned>(data->data >> 16) & 0x7F;
            m_pStateMgr->TrackOutput(data.get());
            data->time = now;
            m_output.AddTail(std::move(data));
        } else if (record->HasFlag(CSeqEvent::SE_LEVEL) && element) {
            // The filters dropped the note's messages: its level still shows.
            if (auto* midi = DYNAMIC_DOWNCAST(DCsqMidi, DCsqBase::GetPerformer(element, 0)))
                velocity = midi->GetMidiData().GetDataByte2();
        }
        if (!element)
            continue;   // its event left the piece meanwhile
        DWORD stamp = 0;
        if (record->HasFlag(CSeqEvent::SE_STAMP) && m_pPortavel)
            stamp = m_pPortavel->GetPlayStartTime() + now;
        if (m_pHighlightMgr) {
            if (record->HasFlag(CSeqEvent::SE_HIGHLIGHT_ON))
                m_pHighlightMgr->SetHighlightOn(element, stamp);
            else if (record->HasFlag(CSeqEvent::SE_HIGHLIGHT_OFF))
                m_pHighlightMgr->SetHighlightOff(element, stamp);
        }
        if (velocity != 0 && m_pLevelMgr) {
            const MCVoiceTrack* word = element->GetVoiceTrack();
            m_pLevelMgr->SetMeterLevel(static_cast<unsigned>(word ? word->GetTrack() : TRACK_NONE), velocity, stamp);
        }
    }
    return &m_output;
}

int CSeqPlay::GetEventsBefore(const MCTime& to, int fill) {
    const unsigned state = GetState();
    const bool resting = (state & RESTING_STATES) != 0;
    const MCTime until = m_pSequence->NormalizeTime(to);
    if (fill && !resting) {
        while (DCsqBase* performer = GetNextEvent(until)) {
            switch (performer->GetClassType()) {
            case DT_BANKLSB:
            case DT_BANKMSB:
            case DT_MIDI:
            case DT_NOTE:
            case DT_PROGRAM:
            case DT_SYSMSG:
                ProcessNextMidiEvent(static_cast<DCsqMidi*>(performer));
                break;
            case DT_WAVE:
                ProcessNextWaveEvent(static_cast<DCsqWave*>(performer));
                break;
            default:
                break;
            }
        }
        if (until > m_pSequence->GetTakenUntil())
            m_pSequence->SetTakenUntil(until);
    }

    if (CSeqEvent* head = m_queue.GetHead()) {
        if (state == PLAYER_RELOCATING) {
            // The controller tracker asks in musical windows; the records
            // are musical too, and nothing of the walk ever sounds, so they
            // are compared as they stand.
            m_currentTime = head->GetTime();
            return head->GetTime() < until ? 1 : 0;
        }
        m_currentTime = m_pSequence->AbsoluteTime(head->GetTime());
        return m_currentTime < to ? 1 : 0;
    }
    if (resting)
        return -1;
    if (m_pSequence->GetPlayPosition())
        return 0;
    return until >= m_pSequence->GetPieceEnd() ? -1 : 0;
}

DCsqBase* CSeqPlay::GetNextEvent(const MCTime& time) {
    CSequence* sequence = m_pSequence;
    const bool relocating = GetState() == PLAYER_RELOCATING;
    for (;;) {
        DCsqBase* performer = sequence->GetPlayPosition();
        if (!performer)
            return nullptr;
        ECBase* event = performer->GetOwner();
        const MCTime* eventTime = event ? event->GetTime() : nullptr;
        if (eventTime && *eventTime >= time)
            return nullptr;
        sequence->SetPlayPosition(performer->GetNext());
        if (!event)
            continue;
        switch (performer->GetClassType()) {
        case DT_BANKLSB:
        case DT_BANKMSB:
        case DT_MIDI:
        case DT_PROGRAM:
        case DT_SYSMSG:
            return performer;
        case DT_NOTE:
        case DT_WAVE:
            // A relocation chases controllers: nothing of it sounds.
            if (!relocating)
                return performer;
            break;
        case DT_DYNAMIC:
            if (DCsqMidi* volume = static_cast<DCsqDynamic*>(performer)->Perform(sequence, true))
                return volume;
            break;
        case DT_STAFF:
            static_cast<DCsqFilter*>(performer)->TriggerFilters(sequence);
            break;
        case DT_TEMPO:
            if (!event->IsDisplayOnly())
                static_cast<DCsqTempo*>(performer)->UpdateTempo(sequence);
            break;
        case DT_TRANSPOSE:
            if (!event->IsDisplayOnly())
                static_cast<DCsqFilter*>(performer)->TriggerFilters(sequence);
            break;
        default:
            break;
        }
    }
}

void CSeqPlay::ProcessNextMidiEvent(DCsqMidi* performer) {
    ECBase* element = performer->GetOwner();
    const bool isNote = element && element->GetClassType() == ET_NOTE;
    m_messages.RemoveAll();
    auto message = std::make_unique<MidiMessage>();
    performer->TransferDataTo(message.get());
    m_messages.Add(std::move(message));
    if (m_pFilterMgr)
        m_pFilterMgr->FilterData(element, m_messages);

    bool any = false;
    unsigned reports = isNote ? static_cast<unsigned>(SEQ_REPORT_HIGHLIGHT_ON) : 0u;
    for (int i = 0; i < m_messages.GetSize(); ++i) {
        const MidiMessage* m = m_messages.GetAt(static_cast<unsigned>(i));
        if (!m)
            continue;
        any = true;
        const int device = m->m_voiceTrack.IsConverted() ? (m->m_voiceTrack.GetValue() & 0xFF) : 255;
        const int ms = m->m_time.GetMSec();
        std::unique_ptr<CPVEventData> data;
        if (m->m_noteOn.HasData()) {
            data = CPVEventData::MakeShort(static_cast<DWORD>(ms), device, m->m_noteOn.GetValue().dwData);
            if (m->m_noteOn.IsNoteOn())
                reports |= SEQ_REPORT_LEVEL;
        } else if (m->m_sysEx.HasData()) {
            data = CPVEventData::MakeSysEx(static_cast<DWORD>(ms), device, m->m_sysEx.GetSysExBuf(),
                                           m->m_sysEx.GetSysExBufLength());
        }
        if (data) {
            MCTime key;
            key.SetMSec(ms);
            MergeSeqEvent(key, element, std::move(data), reports);
        }
        reports &= ~SEQ_REPORT_LEVEL;
        if (reports & SEQ_REPORT_HIGHLIGHT_ON)
            reports = SEQ_REPORT_HIGHLIGHT_OFF;
        if (m->m_noteOff.HasData()) {
            const int offMs = ms + m->m_duration.GetMSec();
            MCTime key;
            key.SetMSec(offMs);
            MergeSeqEvent(key, element,
                          CPVEventData::MakeShort(static_cast<DWORD>(offMs), device, m->m_noteOff.GetValue().dwData),
                          reports);
            reports &= ~SEQ_REPORT_HIGHLIGHT_OFF;
        }
    }
    if (!any && isNote) {
        // Silenced by its filters: the note still shows its level and light.
        MCTime start = *element->GetTime();
        MCTime end = start;
        if (const MCTime* duration = element->GetDuration())
            end += *duration;
        MergeSeqEvent(start, element, nullptr, SEQ_REPORT_LEVEL | SEQ_REPORT_HIGHLIGHT_ON);
        MergeSeqEvent(end, element, nullptr, SEQ_REPORT_HIGHLIGHT_OFF);
    }
    m_messages.RemoveAll();
}

void CSeqPlay::ProcessNextWaveEvent(DCsqWave* performer) {
    auto* wave = DYNAMIC_DOWNCAST(ECWave, performer->GetOwner());
    if (!wave)
        return;
    auto* track = DYNAMIC_DOWNCAST(DCsqWaveTrack, DCsqTrack::GetTrackData(wave, TT_WAVE, m_pSequence));
    if (!track)
        return;
    PV_WaveParams params;
    params.fileName = wave->GetFileName().c_str();   // copied by the event
    params.track = wave->GetVoiceTrack()->GetTrack();
    params.element = performer->GetDSParams();
    params.trackParams = track->GetDSParams();
    params.tag = GetTag();
    const int ms = wave->GetTime()->GetMSec();
    MCTime key;
    key.SetMSec(ms);
    MergeSeqEvent(key, wave,
                  CPVEventData::MakeWavePlay(static_cast<DWORD>(ms), m_pSequence->GetOutputWaveDevice(), params), 0);
}

void CSeqPlay::MergeSeqEvent(const MCTime& time, ECBase* element, std::unique_ptr<CPVEventData> data,
                             unsigned reports) {
    m_queue.Merge(time, element, std::move(data), reports);
}

void CSeqPlay::PrepareToPlay() {
    if (!m_pSequence || !m_pSequence->GetPerformance())
        return;
    // The player's lock is held: the performance's comes second.
    std::lock_guard tree(m_pSequence->GetPerformance()->GetLock());
    // Records kept back by a pause may name events removed meanwhile; and a
    // list left from before a stop must not outlive its events' addresses.
    ForgetElements();
    QueueWaveEvents();
}

void CSeqPlay::QueueWaveEvents() {
    ECConductor* conductor = m_pSequence ? m_pSequence->GetConductor() : nullptr;
    if (!conductor)
        return;
    const MCTime location = m_pSequence->GetLocation();
    const MCTime startReal = conductor->TranslateTime(location);
    const int tracks = conductor->GetMaxTrackNumber(TRACK_WAVE);
    for (int number = 1; number <= tracks; ++number) {
        ECBase* track = conductor->GetTrack(TRACK_WAVE, number, 0);
        if (!track)
            continue;
        // The waves that began before the location.
        ACFindTime find(MCTime(0.0f), location, 3);
        find.SetDepth(1);
        find.AddEvtType(ET_WAVE);
        find.Apply(track);
        MCEventList& found = find.GetEvents();
        for (POSITION pos = found.GetHeadPosition(); pos;) {
            ECBase* event = found.GetNext(pos);
            MCTime end = conductor->TranslateTime(*event->GetTime());
            if (const MCTime* duration = event->GetDuration())
                end += *duration;
            if (!(end > startReal))
                continue;   // over before the location
            if (auto* performer = DYNAMIC_DOWNCAST(DCsqWave, DCsqBase::GetPerformer(event, 0)))
                ProcessNextWaveEvent(performer);
        }
    }
}

void CSeqPlay::PrepareToStopSequence() {
    if (!m_pStateMgr)
        return;
    CleanQueue(m_heldQueue);
    m_queue.MoveAllTo(m_heldQueue);

    // Keep back what has not sounded; a note-off whose note-on already left
    // goes out now, so nothing is left hanging.
    auto& held = m_heldQueue.GetRecords();
    for (auto it = held.begin(); it != held.end();) {
        const CPVEventData* data = (*it)->GetData();
        if (data && data->type == PV_EVENT_SHORT) {
            const FCMidi word(static_cast<uint32_t>(data->data));
            if (word.IsNoteOn()) {
                m_pStateMgr->MarkNoteOn(data->device, word);
            } else if (word.IsNoteOff()) {
                if (m_pStateMgr->HaveNoteOn(data->device, word)) {
                    m_pStateMgr->ClearNoteOn(data->device, word);
                } else {
                    m_queue.AddTail(std::move(*it));
                    it = held.erase(it);
                    continue;
                }
            }
        }
        ++it;
    }
    // The marks only pair records of this walk: a held note-on whose
    // note-off is not held would otherwise stay marked and keep back a later
    // stop's note-off of the same key.
    for (const auto& record : held) {
        const CPVEventData* data = record->GetData();
        if (data && data->type == PV_EVENT_SHORT) {
            const FCMidi word(static_cast<uint32_t>(data->data));
            if (word.IsNoteOn() && m_pStateMgr->HaveNoteOn(data->device, word))
                m_pStateMgr->ClearNoteOn(data->device, word);
        }
    }

    m_pStateMgr->PrepareSoundOffQueue();
    m_pStateMgr->AppendEventsToQueue(m_queue);
    // Everything left falls due at the next window.
    const MCTime due = PlayClock(m_pPortavel ? m_pPortavel->GetBufferTime() : 0);
    for (auto& record : m_queue.GetRecords())
        record->SetTime(due);
}

void CSeqPlay::ForgetElements() {
    if (!m_pSequence)
        return;
    std::vector<ECBase*>& forgotten = m_pSequence->GetForgottenElements();
    if (forgotten.empty())
        return;
    const std::unordered_set<ECBase*> gone(forgotten.begin(), forgotten.end());
    forgotten.clear();

    // An element whose note-on (or silent highlight-on) still waits has not
    // sounded: all its records go. Of an element that sounds, only the
    // note-offs stay, so that it still ends; they no longer name it.
    std::unordered_set<ECBase*> unsounded;
    for (CSeqEventQueue* queue : {&m_queue, &m_heldQueue})
        for (const auto& record : queue->GetRecords())
            if (gone.count(record->GetElement()) && record->HasFlag(CSeqEvent::SE_HIGHLIGHT_ON))
                unsounded.insert(record->GetElement());
    for (CSeqEventQueue* queue : {&m_queue, &m_heldQueue}) {
        auto& records = queue->GetRecords();
        for (auto it = records.begin(); it != records.end();) {
            ECBase* element = (*it)->GetElement();
            if (!gone.count(element)) {
                ++it;
                continue;
            }
            const CPVEventData* data = (*it)->GetData();
            const bool noteOff = data && data->type == PV_EVENT_SHORT &&
                                 FCMidi(static_cast<uint32_t>(data->data)).IsNoteOff();
            if (unsounded.count(element) || !noteOff) {
                it = records.erase(it);
                continue;
            }
            (*it)->SetElement(nullptr);
            ++it;
        }
    }
}
