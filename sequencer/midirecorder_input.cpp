// The MIDI recorder's step-recording input path: the device callback on the
// input thread, the queue, and the hand-over to the score manager on the
// user-interface thread (see midirecorder.h for the contract).
#include "sequencer/midirecorder.h"

#include "model/appstates.h"
#include "model/midifields.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/states.h"
#include "platform/devices/portavel.h"
#include "platform/devices/records.h"
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
    m_uState = RS_STOPPED;
    m_pSequence = nullptr;
    m_pPortavel = nullptr;
    std::lock_guard queue(m_queueLock);
    m_queue.clear();
}

void CMidiRecorder::StopInput()
{
    if (m_nTag && m_pPortavel)
        m_pPortavel->StopMidiRecording(m_nTag);
    m_nTag = 0;
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
    FlushPending();
    if (m_pSequence) {
        if (CMidiScoreMgr* scores = m_pSequence->GetMidiScoreMgr()) {
            scores->CapMeasures(m_lastTime);
            scores->ClearMatchTable();
        }
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

void CMidiRecorder::RecordMidiChannelMessage(unsigned device, unsigned long message, unsigned long /*ms*/)
{
    // FIXME: real-time recording places by the play clock; only step
    // recording is built.
    if (m_uState != RS_STEP_RECORDING || !m_pSequence)
        return;
    const FCMidi word(static_cast<uint32_t>(message & 0xFFFFFF));
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
    Pending pending;
    pending.time = m_stepTime;
    pending.vt = GetVoiceTrack(device, word.GetStatusLSB(), GetKey(word));
    pending.word = message & 0xFFFFFF;
    pending.device = device;
    pending.duration = ECNote::ScaleDuration(&value, 0);
    m_lastTime = pending.time;
    std::lock_guard queue(m_queueLock);
    m_queue.push_back(pending);
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
        scores->AddMidiEvent(pending.time, pending.vt, FCMidi(static_cast<uint32_t>(pending.word)), pending.device,
                             pending.duration);
    if (!m_bAnnounced) {
        m_bAnnounced = 1;
        if (ECPerformance* performance = m_pSequence->GetPerformance())
            (new SCFile(STATE_FILE_MODIFIED))->Apply(performance);
    }
    return static_cast<int>(batch.size());
}
