#include "sequencer/ramps.h"

#include "model/event.h"
#include "model/midifields.h"
#include "platform/devices/records.h"
#include "sequencer/midifilters.h"
#include "sequencer/midimessage.h"
#include "sequencer/performers.h"
#include "sequencer/sequence.h"
#include "sequencer/staffperformer.h"

#include <algorithm>
#include <cmath>
#include <mutex>

IMPLEMENT_DYNAMIC(CSeqTempo, CSeqPlay)
IMPLEMENT_DYNAMIC(CSeqVolume, CSeqPlay)

namespace {

// Where a ramp stands at musical time T: before its begin, on its way (with
// the fraction covered), or at its end.
struct RampPosition {
    enum Where { BEFORE, RUNNING, ENDED } where;
    double fraction;
};

RampPosition LocateRamp(const MCTime& t, const MCTime& begin, const MCTime& duration) {
    const double f = (static_cast<double>(t.GetSeconds()) - begin.GetSeconds()) / duration.GetSeconds();
    if (f < 0.0)
        return {RampPosition::BEFORE, f};
    if (f >= 1.0)
        return {RampPosition::ENDED, 1.0};
    return {RampPosition::RUNNING, f};
}

// A duration that gives no ramp: 0, negative or not a number.
bool IsEmptyDuration(const MCTime& duration) {
    return !(duration.GetSeconds() > 0.0f);
}

// A ramp's straight line: from the start factor at its begin, by the slope
// (target - start) over its duration, to the target.
struct RampLine {
    MCTime begin;
    MCTime duration;
    double start;
    double slope;
    double target;
};

// What a poll makes of a ramp: answer null (stopped, paused, or done), keep
// the value (not begun yet), or set the factor the line gives at the poll's
// time; `ended` says the ramp reached its end and has stopped.
struct RampStep {
    enum Action { ANSWER_NULL, KEEP, SET } action;
    double factor;
    bool ended;
};

// The poll both ramps share, run under the ramp's lock: a stopped ramp
// reports itself done again (through `done`, only with a sequence), a
// stopping or pausing one takes its next state through `changeState`, and a
// ramp without length ends at once, reported done, so that it never counts as
// a player still playing. A ramp that reaches its end stops before its last
// factor is set.
template <class ChangeState, class Done>
RampStep PollRamp(unsigned state, ChangeState changeState, CSequence* sequence, const MCTime& to,
                  const RampLine& line, Done done) {
    switch (state) {
    case PLAYER_STOPPED:
        if (sequence)
            done();
        return {RampStep::ANSWER_NULL, 0.0, false};
    case PLAYER_STOPPING:
        changeState(PLAYER_STOPPED);
        return {RampStep::ANSWER_NULL, 0.0, false};
    case PLAYER_PAUSING:
        changeState(PLAYER_PAUSED);
        return {RampStep::ANSWER_NULL, 0.0, false};
    case PLAYER_PAUSED:
        return {RampStep::ANSWER_NULL, 0.0, false};
    default:
        break;
    }
    if (!sequence)
        return {RampStep::ANSWER_NULL, 0.0, false};
    if (IsEmptyDuration(line.duration)) {
        changeState(PLAYER_STOPPED);
        done();
        return {RampStep::ANSWER_NULL, 0.0, false};
    }
    const RampPosition position = LocateRamp(sequence->NormalizeTime(to), line.begin, line.duration);
    if (position.where == RampPosition::BEFORE)
        return {RampStep::KEEP, 0.0, false};
    if (position.where == RampPosition::ENDED) {
        changeState(PLAYER_STOPPED);
        return {RampStep::SET, line.target, true};
    }
    return {RampStep::SET, position.fraction * line.slope + line.start, false};
}

}   // namespace

// ---- CSeqTempo --------------------------------------------------------------------

CSeqTempo::CSeqTempo() = default;

CSeqTempo::~CSeqTempo() {
    Detach();
}

void CSeqTempo::SetTargetTempoFactor(double factor) {
    m_dTargetFactor = factor;
}

void CSeqTempo::SetBeginTime(const MCTime& time) {
    m_beginTime = time;
}

void CSeqTempo::SetDuration(const MCTime& duration) {
    m_duration = duration;
}

void CSeqTempo::SetAutoReset(int autoReset) {
    m_bAutoReset = autoReset;
}

void CSeqTempo::Attach(CSequence* sequence) {
    m_pSequence = sequence;
}

void CSeqTempo::PrepareToPlay() {
    m_endTime = m_beginTime;
    m_endTime += m_duration;
    m_dStartFactor = m_pSequence ? m_pSequence->GetTempoFactor() : 1.0;
    m_dSlope = m_dTargetFactor - m_dStartFactor;
}

CPVEventList* CSeqTempo::GetOutputEvents(const MCTime& /*from*/, const MCTime& to) {
    std::lock_guard lock(m_lock);
    const RampStep step = PollRamp(
        GetState(), [this](unsigned state) { ChangeState(state); }, m_pSequence, to,
        {m_beginTime, m_duration, m_dStartFactor, m_dSlope, m_dTargetFactor},
        [this] { m_pSequence->TempoChangeIsDone(m_endTime); });
    if (step.action == RampStep::ANSWER_NULL)
        return nullptr;
    if (step.action == RampStep::SET)
        m_pSequence->SetTempoFactor(step.ended && m_bAutoReset ? 1.0 : step.factor);
    return &m_output;
}

// ---- CSeqVolume -------------------------------------------------------------------

CSeqVolume::CSeqVolume() = default;

CSeqVolume::CSeqVolume(DCsqStaff* staff) : m_pStaff(staff) {}

CSeqVolume::~CSeqVolume() {
    Detach();
}

void CSeqVolume::AttachClient(DCsqDynamic* dynamic) {
    m_pClient = dynamic;
    m_pClientMessage.reset();
    if (!dynamic)
        return;
    if (DCsqMidi* performer = dynamic->GetVolumeObject(FCMidi::MidiNull())) {
        m_pClientMessage = std::make_unique<MidiMessage>();
        performer->TransferDataTo(m_pClientMessage.get());
    }
    const double score = m_pStaff ? m_pStaff->GetScoreFactor() : 1.0;
    m_dTargetFactor = score + score * dynamic->GetPercentChange() / 100.0;
    if (ECBase* event = dynamic->GetOwner()) {
        if (const MCTime* time = event->GetTime())
            m_beginTime = *time;
        if (const MCTime* duration = event->GetDuration())
            m_duration = *duration;
    }
}

void CSeqVolume::Attach(CSequence* sequence) {
    m_pSequence = sequence;
}

void CSeqVolume::Orphan() {
    m_bOrphaned = true;
    m_pStaff = nullptr;
    m_pClient = nullptr;
}

void CSeqVolume::PrepareToPlay() {
    m_endTime = m_beginTime;
    m_endTime += m_duration;
    m_dStartFactor = m_pStaff ? m_pStaff->GetScoreFactor() : 1.0;
    m_dSlope = m_dTargetFactor - m_dStartFactor;
}

CPVEventList* CSeqVolume::GetOutputEvents(const MCTime& from, const MCTime& to) {
    std::lock_guard lock(m_lock);
    if (m_bOrphaned) {
        ChangeState(PLAYER_STOPPED);
        return nullptr;
    }
    const RampStep step = PollRamp(
        GetState(), [this](unsigned state) { ChangeState(state); }, m_pSequence, to,
        {m_beginTime, m_duration, m_dStartFactor, m_dSlope, m_dTargetFactor},
        [this] { m_pSequence->SequenceIsDone(this); });
    if (step.action == RampStep::ANSWER_NULL)
        return nullptr;
    if (step.action == RampStep::SET && m_pStaff) {
        m_pStaff->SetScoreFactor(static_cast<float>(step.factor));
        const int volume = ComputeVolume();
        m_pStaff->SetLastPerformedVolume(volume);
        // The value holds for this window: it leaves at the window's start,
        // on the device clock the window is given in.
        OutputVolume(volume, from.GetMSec());
    }
    return &m_output;
}

int CSeqVolume::ComputeVolume() const {
    const double volume = std::trunc(static_cast<double>(m_pStaff->GetLastDocumentVolume()) *
                                     static_cast<double>(m_pStaff->GetVolumeFactor()));
    if (!(volume > 0.0))
        return 0;   // negative, or not a number
    return static_cast<int>(std::min(volume, 127.0));
}

void CSeqVolume::OutputVolume(int volume, int ms) {
    m_messages.RemoveAll();
    auto message = m_pClientMessage ? std::make_unique<MidiMessage>(*m_pClientMessage) : std::make_unique<MidiMessage>();
    message->m_noteOn.SetDataByte2(static_cast<unsigned char>(volume));
    m_messages.Add(std::move(message));
    if (LCMidiVoiceMap* voiceMap = m_pStaff->GetVoiceMapFilter())
        voiceMap->Process(m_messages);
    for (int index = 0; index < m_messages.GetSize(); ++index) {
        const MidiMessage* performed = m_messages.GetAt(static_cast<unsigned>(index));
        if (!performed || !performed->m_noteOn.HasData())
            continue;
        const MCVoiceTrack& voiceTrack = performed->m_voiceTrack;
        const int device = voiceTrack.IsConverted() ? voiceTrack.GetDevice() : 255;
        m_output.AddTail(CPVEventData::MakeShort(static_cast<DWORD>(std::max(ms, 0)), device,
                                                 performed->m_noteOn.GetValue().dwData));
    }
}
