// The MIDI recorder's input path: the device callback on the
// input thread, the queue, and the hand-over to the score manager on the
// user-interface thread (see midirecorder.h for the contract).
#include "sequencer/midirecorder.h"

#include "model/appstates.h"
#include "model/midifields.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/states.h"
#include "platform/core/window.h"
#include "platform/devices/portavel.h"
#include "platform/devices/records.h"
#include "sequencer/levels.h"
#include "sequencer/midimessage.h"
#include "sequencer/scoremgr.h"
#include "sequencer/sequence.h"

void CMidiRecorder::Attach(CSequence* sequence)
{
    StopInput();
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
    m_uState = RS_PAUSED;
}

void CMidiRecorder::StepRecord()
{
    if (m_uState == RS_STEP_RECORDING || !m_pPortavel)
        return;
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

    MCTime duration = MCTime::TimeNull();
    if (state == RS_STEP_RECORDING) {
        const StepMove move = m_chord.OnMessage(word);
        if (move == StepMove::RELEASE)
            return;
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
    m_lastTime = time;
    {
        std::lock_guard queue(m_queueLock);
        m_queue.push_back(pending);
    }
    if (CMeterLevelMgr* levels = m_pSequence->GetMeterLevelMgr()) {
        // A note's or pressure's value is its velocity; other messages show 0.
        const unsigned char kind = word.GetStatusMSB();
        const unsigned value = kind == 0x80 || kind == 0x90 || kind == 0xA0 ? word.GetDataByte2() : 0;
        levels->SetMeterLevel(vt.IsConverted() ? MAX_TRACK : static_cast<unsigned>(vt.GetValue() >> 4), value, 0);
    }
}

int CMidiRecorder::GetPendingCount() const
{
    std::lock_guard queue(m_queueLock);
    return static_cast<int>(m_queue.size());
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
    for (const Pending& pending : batch)
        scores->AddMidiEvent(pending.time, pending.vt, pending.word, pending.device,
                             pending.duration);
    if (!m_bAnnounced) {
        m_bAnnounced = 1;
        if (ECPerformance* performance = m_pSequence->GetPerformance())
            (new SCFile(STATE_FILE_MODIFIED))->Apply(performance);
    }
    return static_cast<int>(batch.size());
}
