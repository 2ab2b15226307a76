// The MIDI recorder's input path: the device callback on the
// input thread, the queue, and the hand-over to the score manager on the
// user-interface thread (see midirecorder.h for the contract).
#include "sequencer/midirecorder.h"

#include "model/appstates.h"
#include "model/eventtypes.h"
#include "model/midifields.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/states.h"
#include "platform/core/sync.h"
#include "platform/core/window.h"
#include "platform/devices/portavel.h"
#include "platform/devices/records.h"
#include "sequencer/levels.h"
#include "sequencer/midimessage.h"
#include "sequencer/scoremgr.h"
#include "sequencer/sequence.h"

#include <algorithm>
#include <mutex>

namespace {

// The performance's lock of the sequence, when it has one; else no lock.
std::unique_lock<CCriticalSection> LockTree(CSequence* sequence)
{
    ECPerformance* performance = sequence ? sequence->GetPerformance() : nullptr;
    return performance ? std::unique_lock(performance->GetLock()) : std::unique_lock<CCriticalSection>();
}

}   // namespace

void CMidiRecorder::Attach(CSequence* sequence)
{
    StopInput();
    {
        // Lit notes belong to the tree they were made in.
        const auto tree = LockTree(m_pSequence);
        PutOutLit(nullptr, 0);
    }
    m_pSequence = sequence;
    m_pPortavel = sequence ? sequence->GetPortavel() : nullptr;
    SetDeviceCount(m_pPortavel ? m_pPortavel->GetDeviceCount(PV_MIDI, PV_INPUT) : 1);
    {
        std::lock_guard queue(m_queueLock);
        m_queue.clear();
    }
}

void CMidiRecorder::Detach()
{
    StopInput();
    StopBatches();
    {
        const auto tree = LockTree(m_pSequence);
        PutOutLit(nullptr, 0);
    }
    m_uState = RS_STOPPED;
    m_pSequence = nullptr;
    m_pPortavel = nullptr;
    std::lock_guard queue(m_queueLock);
    m_queue.clear();
}

void CMidiRecorder::StartBatches()
{
    if (m_pBatchWindow)
        return;
    m_pBatchWindow = std::make_unique<CMsgWindow>("MIDI recorder", [this](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_TIMER)
            FlushPending();
        return 0;
    });
    m_pBatchWindow->SetTimer(1, BATCH_MS);
}

void CMidiRecorder::StopBatches()
{
    m_pBatchWindow.reset();
}

void CMidiRecorder::StopInput()
{
    if (m_nTag && m_pPortavel)
        m_pPortavel->StopMidiRecording(m_nTag);
    m_nTag = 0;
}

LCMidiPrefs& CMidiRecorder::GetPrefsFilter()
{
    static LCMidiPrefs s_PrefsFilter;
    return s_PrefsFilter;
}

void CMidiRecorder::Record()
{
    if (m_uState == RS_RECORDING || !m_pPortavel)
        return;
    if (m_uState == RS_STEP_RECORDING) {
        // A step chord still lit would wait for a chord's end that real
        // time never queues.
        FlushPending();
        PutOutLitNow();
    }
    m_uState = RS_RECORDING;
    m_lastTime = MCTime(0.0f);
    m_bAnnounced = 0;
    StartBatches();
    // Switching from step recording keeps the input that runs (its tag).
    if (!m_nTag)
        m_nTag = m_pPortavel->StartMidiRecording(&CMidiRecorder::RecordProc, this);
}

void CMidiRecorder::Pause()
{
    if (m_uState == RS_STOPPED || m_uState == RS_PAUSED)
        return;
    StopInput();
    StopBatches();
    FlushPending();
    if (CMidiScoreMgr* scores = m_pSequence ? m_pSequence->GetMidiScoreMgr() : nullptr)
        scores->ClearMatchTable();
    // The note-offs of keys still down will not be recorded.
    PutOutLitNow();
    m_uState = RS_PAUSED;
}

void CMidiRecorder::StepRecord()
{
    if (m_uState == RS_STEP_RECORDING || !m_pPortavel)
        return;
    if (m_uState == RS_RECORDING) {
        // Notes of keys still down would wait for note-offs that step
        // recording never hands over.
        FlushPending();
        PutOutLitNow();
    }
    // Switching from another mode: the input that runs keeps running (its
    // tag stays ours), so Stop still ends it.
    m_uState = RS_STEP_RECORDING;
    m_chord.Reset();
    m_bAnnounced = 0;
    StartBatches();
    if (!m_nTag)
        m_nTag = m_pPortavel->StartMidiRecording(&CMidiRecorder::RecordProc, this);
}

void CMidiRecorder::Stop()
{
    if (m_uState == RS_STOPPED)
        return;
    // Returns once no callback runs; a callback never waits on this thread
    // (it only queues), so this cannot deadlock against it.
    StopInput();
    StopBatches();
    FlushPending();
    PutOutLitNow();
    if (m_pSequence) {
        if (CMidiScoreMgr* scores = m_pSequence->GetMidiScoreMgr()) {
            scores->CapMeasures(m_lastTime);
            scores->ClearMatchTable();
        }
        if (!m_pSequence->GetConductor() || !m_pSequence->GetPerformance())
            return;
        // Every staff track stops recording.
        SetBaseTrack(0);
    }
    m_uState = RS_STOPPED;
}

void CMidiRecorder::RecordProc(void* user, int /*tag*/, CPVEventData* event)
{
    if (!user || !event || event->type != PV_EVENT_SHORT)
        return;   // system exclusive and wave data are not recorded here
    static_cast<CMidiRecorder*>(user)->RecordMidiChannelMessage(static_cast<unsigned>(event->device),
                                                                static_cast<unsigned long>(event->data),
                                                                event->time);
}

void CMidiRecorder::StepRecordRest()
{
    RecordMidiChannelMessage(0, 0, 0);
}

void CMidiRecorder::RecordMidiChannelMessage(unsigned device, unsigned long message, unsigned long ms)
{
    const unsigned state = m_uState;
    if ((state != RS_RECORDING && state != RS_STEP_RECORDING) || !m_pSequence)
        return;
    MCTime time(static_cast<float>(ms) / 1000.0f);
    if (state == RS_RECORDING) {
        time = MCTime(time.GetSeconds() + m_pSequence->GetRecordTimeOffset().GetSeconds());
        time.SetMode(TM_PLAY);
        ECPerformance* performance = m_pSequence->GetPerformance();
        if (!performance)
            return;
        {
            std::lock_guard tree(performance->GetLock());
            time = m_pSequence->NormalizeTime(time);
        }
        if (time.GetSeconds() < 0.0f)
            return;   // before the record start
    }

    // The message rides the vector through the filters.
    m_messages.RemoveAll();
    auto owned = std::make_unique<MidiMessage>();
    owned->m_noteOn = FCMidi(static_cast<uint32_t>(message & 0xFFFFFF));
    m_messages.Add(std::move(owned));
    if (GetPrefsFilter().IsEnabled()) {
        GetPrefsFilter().Process(m_messages);
        if (m_messages.GetSize() == 0 || !m_messages.GetAt(0))
            return;
    }
    MidiMessage& recorded = *m_messages.GetAt(0);
    const FCMidi word = recorded.m_noteOn;

    // Stamped as the player stamps what it plays: the device's clock is the
    // process clock from the play start time on.
    const DWORD stamp = m_pPortavel ? m_pPortavel->GetPlayStartTime() + static_cast<DWORD>(ms) : 0;
    MCTime duration = MCTime::TimeNull();
    if (state == RS_STEP_RECORDING) {
        const StepMove move = m_chord.OnMessage(word);
        if (move == StepMove::RELEASE) {
            if (m_chord.GetHeldKeys() == 0) {
                Pending up;
                up.kind = PENDING_CHORD_UP;
                up.stamp = stamp;
                Enqueue(up);
            }
            return;
        }
        const MCTime value = m_pSequence->GetStepRecordValue();
        if (move == StepMove::ADVANCE) {
            m_stepTime = m_pSequence->GetStepRecordTime();
            MCTime next = m_stepTime;
            next += value;
            next.SetMode(TM_NORMAL);
            if (ECPerformance* performance = m_pSequence->GetPerformance())
                (new SCTime(STATE_TIME_POSITION, next))->Apply(performance);   // posted
            if (!word.HasData())
                return;   // a rest
        }
        time = m_stepTime;
        duration = ECNote::ScaleDuration(&value, 0);
    }

    const MCVoiceTrack vt = GetVoiceTrack(device, word.GetStatusLSB(), GetKey(word));
    if (state == RS_RECORDING) {
        recorded.m_time = time;
        recorded.m_voiceTrack = vt;
        if (m_quantize.IsEnabled()) {
            m_quantize.Process(m_messages);
            if (m_messages.GetSize() > 0 && m_messages.GetAt(0))
                time = m_messages.GetAt(0)->m_time;
        }
    }

    Pending pending;
    pending.time = time;
    pending.vt = vt;
    pending.word = word;
    pending.device = device;
    pending.duration = duration;
    pending.stamp = stamp;
    m_lastTime = time;
    Enqueue(pending);
    if (CMeterLevelMgr* levels = m_pSequence->GetMeterLevelMgr()) {
        // A note's or pressure's value is its velocity; other messages show 0.
        const unsigned char kind = word.GetStatusMSB();
        const unsigned value = kind == 0x80 || kind == 0x90 || kind == 0xA0 ? word.GetDataByte2() : 0;
        levels->SetMeterLevel(vt.IsConverted() ? MAX_TRACK : static_cast<unsigned>(vt.GetValue() >> 4), value, 0);
    }
}

void CMidiRecorder::Enqueue(const Pending& pending)
{
    std::lock_guard queue(m_queueLock);
    m_queue.push_back(pending);
}

int CMidiRecorder::GetPendingCount() const
{
    std::lock_guard queue(m_queueLock);
    return static_cast<int>(std::count_if(m_queue.begin(), m_queue.end(), [](const Pending& pending) {
        return pending.kind == PENDING_MESSAGE;
    }));
}

int CMidiRecorder::FlushPending()
{
    std::vector<Pending> batch;
    {
        std::lock_guard queue(m_queueLock);
        batch.swap(m_queue);
    }
    CMidiScoreMgr* scores = m_pSequence ? m_pSequence->GetMidiScoreMgr() : nullptr;
    if (batch.empty() || !scores)
        return 0;
    CHighlightMgr* highlights = m_pSequence->GetHighlightMgr();
    int handed = 0;
    for (const Pending& pending : batch) {
        ECBase* event = nullptr;
        if (pending.kind == PENDING_MESSAGE) {
            // Called without the performance's lock: the score manager takes
            // it for each look at the tree.
            event = scores->AddMidiEvent(pending.time, pending.vt, pending.word, pending.device,
                                         pending.duration);
            ++handed;
        }
        if (highlights) {
            const auto tree = LockTree(m_pSequence);
            Highlight(*highlights, pending, event);
        }
    }
    if (!handed)
        return 0;
    if (!m_bAnnounced) {
        m_bAnnounced = 1;
        if (ECPerformance* performance = m_pSequence->GetPerformance())
            (new SCFile(STATE_FILE_MODIFIED))->Apply(performance);
    }
    return handed;
}

void CMidiRecorder::Highlight(CHighlightMgr& highlights, const Pending& pending, ECBase* event)
{
    if (pending.kind == PENDING_CHORD_UP) {
        PutOutLit(&highlights, pending.stamp);
        return;
    }
    if (!event || event->GetClassType() != ET_NOTE)
        return;
    if (pending.word.IsNoteOn()) {
        m_lit.AddEvent(event, UNSORTED);
        highlights.SetHighlightOn(event, pending.stamp);
    } else if (pending.word.IsNoteOff() && m_lit.Find(event)) {
        // The note its note-off closed; the manager's reference is taken
        // before the list's goes.
        highlights.SetHighlightOff(event, pending.stamp);
        m_lit.RemoveEvent(event);
    }
}

void CMidiRecorder::PutOutLit(CHighlightMgr* highlights, DWORD stamp)
{
    if (highlights)
        for (POSITION pos = m_lit.GetHeadPosition(); pos;)
            highlights->SetHighlightOff(m_lit.GetNext(pos), stamp);
    m_lit.RemoveAll();
}

void CMidiRecorder::PutOutLitNow()
{
    if (m_lit.IsEmpty())
        return;
    const auto tree = LockTree(m_pSequence);
    PutOutLit(m_pSequence ? m_pSequence->GetHighlightMgr() : nullptr, timeGetTime());
}
