// The performer family: silent performers, flow control, tempo, wave, the
// MIDI performers and their archives, and the registration table.
// The filter performers (accent, transposition, dynamic) are in
// sequencer/performers_filters.cpp.
#include "sequencer/performers.h"

#include "model/eventtypes.h"
#include "model/plugin.h"
#include "model/recordpool.h"
#include "model/tempo.h"
#include "platform/core/archive.h"
#include "sequencer/midimessage.h"
#include "sequencer/sequence.h"
#include "sequencer/staffperformer.h"

#include <cmath>
#include <memory>

IMPLEMENT_SERIAL(DCsqKey, DCsqBase, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(DCsqMeter, DCsqBase, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(DCsqText, DCsqBase, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(DCsqLyric, DCsqText, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(DCsqFlowControl, DCsqBase, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(DCsqTempo, DCsqBase, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(DCsqWave, DCsqBase, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(DCsqMidi, DCsqBase, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(DCsqBankMSB, DCsqMidi, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(DCsqBankLSB, DCsqMidi, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(DCsqProgram, DCsqMidi, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(DCsqNote, DCsqMidi, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(DCsqSysMsg, DCsqMidi, VERSIONABLE_SCHEMA | 2)

// ---- silent performers ------------------------------------------------------

int DCsqKey::GetClassType() const {
    return DT_KEY;
}

int DCsqMeter::GetClassType() const {
    return DT_METER;
}

int DCsqText::GetClassType() const {
    return DT_TEXT;
}

int DCsqText::TypeToMidiValue(int type) {
    switch (type) {
    case 1: return 2;
    case 3:
    case 8: return 3;
    case 4: return 4;
    case 5: return 6;
    case 6: return 7;
    default: return 1;
    }
}

int DCsqText::MidiValueToType(int value, int flag) {
    switch (value) {
    case 2: return 1;
    case 3: return flag ? 8 : 3;
    case 4: return 4;
    case 6: return 5;
    case 7: return 6;
    default: return 0;
    }
}

int DCsqLyric::GetClassType() const {
    return DT_LYRIC;
}

// ---- flow control ---------------------------------------------------------------

DCsqFlowControl::DCsqFlowControl() {
    SetFlagBit(1, 0);
}

int DCsqFlowControl::GetClassType() const {
    return DT_FLOWCONTROL;
}

DCsqBase* DCsqFlowControl::GetNextTarget() {
    ++m_nPass;
    return GetPassTarget(m_nPass);
}

void DCsqFlowControl::SetPassTarget(int pass, DCsqBase* target) {
    if (pass <= 0)
        return;
    const auto index = static_cast<size_t>(pass);
    if (m_targets.size() <= index)
        m_targets.resize(index + 1, nullptr);
    m_targets[index] = target;
}

DCsqBase* DCsqFlowControl::GetPassTarget(int pass) const {
    if (pass <= 0 || static_cast<size_t>(pass) >= m_targets.size())
        return nullptr;
    return m_targets[static_cast<size_t>(pass)];
}

void DCsqFlowControl::Reset() {
    m_nPass = 0;
    m_nCounter = 0;
}

// ---- tempo --------------------------------------------------------------------------

void DCsqTempo::Serialize(CArchive& ar) {
    DCsqBase::Serialize(ar);
    if (ar.IsStoring())
        ar << m_fPercentChange;
    else
        ar >> m_fPercentChange;
}

int DCsqTempo::GetClassType() const {
    return DT_TEMPO;
}

void DCsqTempo::ValidatePercentChange() {
    auto* tempo = DYNAMIC_DOWNCAST(ECTempo, GetOwner());
    const int type = tempo ? tempo->GetTempoType() : -1;
    if (type == ECTempo::TEMPO_ACCEL)
        m_fPercentChange = std::fabs(m_fPercentChange);        // an accelerando only speeds up
    else if (type > ECTempo::TEMPO_ACCEL && type <= ECTempo::TEMPO_LP)
        m_fPercentChange = -std::fabs(m_fPercentChange);       // the others only slow down
    else
        m_fPercentChange = 0.0f;
}

float DCsqTempo::GetPercentChange() {
    if (GetOwner())
        ValidatePercentChange();
    return m_fPercentChange;
}

void DCsqTempo::SetPercentChange(float percent) {
    m_fPercentChange = percent;
    if (GetOwner())
        ValidatePercentChange();
}

void DCsqTempo::UpdateTempo(CSequence* sequence) {
    auto* tempo = DYNAMIC_DOWNCAST(ECTempo, GetOwner());
    if (!tempo)
        return;
    ValidatePercentChange();
    if (sequence)
        sequence->ChangeTempo(m_fPercentChange, tempo);
}

// ---- wave -----------------------------------------------------------------------------

void DCsqWave::Serialize(CArchive& ar) {
    DCsqBase::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<LONG>(m_params.pan) << static_cast<LONG>(m_params.volume)
           << static_cast<LONG>(m_params.frequency);
        return;
    }
    // Files before version 2 kept no wave values.
    if (GetFileVersion() > 1) {
        LONG pan = 0;
        LONG volume = 0;
        LONG frequency = 0;
        ar >> pan >> volume >> frequency;
        m_params = PV_DSParams{pan, volume, frequency};
    }
}

int DCsqWave::GetClassType() const {
    return DT_WAVE;
}

// ---- MIDI performers ----------------------------------------------------------------------

DCsqMidi::DCsqMidi(const DCsqMidi& other) : DCsqBase(other), m_midi(other.m_midi) {}

DCsqMidi::~DCsqMidi() {
    if (m_pHolder)
        m_pHolder->m_pVolume.release();   // the dynamic no longer holds us
}

int DCsqMidi::GetClassType() const {
    return DT_MIDI;
}

void DCsqMidi::SerializeWord(CArchive& ar, FCMidi& word) {
    if (ar.IsStoring()) {
        const DWORD flags = static_cast<DWORD>(word.IsDirty() | (word.IsOverride() << 1));
        ar << static_cast<DWORD>(flags | (word.GetValue().dwData << 8));
        return;
    }
    DWORD packed = 0;
    ar >> packed;
    word.SetValue(static_cast<uint32_t>(packed >> 8));
    word.SetDirty(static_cast<int>(packed & 1));
    word.SetOverride(static_cast<int>((packed >> 1) & 1));
}

void DCsqMidi::Serialize(CArchive& ar) {
    DCsqBase::Serialize(ar);
    SerializeWord(ar, m_midi);
}

void DCsqMidi::TransferOwnerTo(MidiMessage* message) {
    ECBase* owner = GetOwner();
    if (!owner)
        return;
    if (const MCTime* time = owner->GetTime())
        message->m_time = *time;
    if (const MCVoiceTrack* word = owner->GetVoiceTrack())
        message->m_voiceTrack = *word;
}

void DCsqMidi::TransferDataTo(MidiMessage* message) {
    if (!message)
        return;
    TransferOwnerTo(message);
    message->m_noteOn.SetValue(m_midi.GetValue());
}

int DCsqBankMSB::GetClassType() const {
    return DT_BANKMSB;
}

int DCsqBankLSB::GetClassType() const {
    return DT_BANKLSB;
}

int DCsqProgram::GetClassType() const {
    return DT_PROGRAM;
}

IMPLEMENT_POOLED_RECORDS(DCsqNote)

int DCsqNote::GetClassType() const {
    return DT_NOTE;
}

void DCsqNote::Serialize(CArchive& ar) {
    DCsqMidi::Serialize(ar);
    SerializeWord(ar, m_noteOff);
}

void DCsqNote::ChangeMidiPitch(int key) {
    const auto data = static_cast<unsigned char>(key);
    m_midi.SetDataByte1(data);
    m_noteOff.SetDataByte1(data);
}

void DCsqNote::TransferDataTo(MidiMessage* message) {
    if (!message)
        return;
    TransferOwnerTo(message);
    message->m_noteOn.SetValue(m_midi.GetValue());
    message->m_noteOff.SetValue(m_noteOff.GetValue());
    if (ECBase* owner = GetOwner()) {
        if (const MCTime* duration = owner->GetDuration())
            message->m_duration = *duration;
    }
}

int DCsqSysMsg::GetClassType() const {
    return DT_SYSMSG;
}

void DCsqSysMsg::Serialize(CArchive& ar) {
    DCsqMidi::Serialize(ar);
    if (ar.IsStoring()) {
        const unsigned length = m_sysEx.GetSysExBufLength();
        const DWORD flags = static_cast<DWORD>(m_sysEx.IsDirty() | (m_sysEx.IsOverride() << 1));
        ar << static_cast<DWORD>(flags | (length << 4));
        if (length)
            ar.Write(m_sysEx.GetSysExBuf(), length);
        return;
    }
    DWORD packed = 0;
    ar >> packed;
    const unsigned length = packed >> 4;
    // A length beyond what the file holds is refused before anything is
    // allocated for it.
    ar.CheckRemaining(length);
    if (length) {
        auto buffer = std::make_unique<unsigned char[]>(length);
        ar.ReadExact(buffer.get(), length);
        m_sysEx.SetSysExBuf(buffer.release(), length, 0);   // the field takes the buffer
    } else {
        m_sysEx.SetSysExBuf(nullptr, 0, 0);
    }
    m_sysEx.SetDirty(static_cast<int>(packed & 1));
    m_sysEx.SetOverride(static_cast<int>((packed >> 1) & 1));
}

void DCsqSysMsg::TransferDataTo(MidiMessage* message) {
    if (!message)
        return;
    TransferOwnerTo(message);
    if (m_midi.HasData())
        message->m_noteOn.SetValue(m_midi.GetValue());
    else
        message->m_sysEx = m_sysEx;
}

// ---- registration ----------------------------------------------------------------------------

namespace {

// The performer records, one per event type that has a performer, in the
// order the registry receives them.
const CPluginData s_performerRecords[] = {
    {RUNTIME_CLASS(DCsqAccent), DK_SEQUENCER, ET_ACCENT},
    {RUNTIME_CLASS(DCsqBankLSB), DK_SEQUENCER, ET_BANKLSB},
    {RUNTIME_CLASS(DCsqBankMSB), DK_SEQUENCER, ET_BANKMSB},
    {RUNTIME_CLASS(DCsqMidi), DK_SEQUENCER, ET_CHANNELMODE},
    {RUNTIME_CLASS(DCsqMidi), DK_SEQUENCER, ET_CHANNELPRESSURE},
    {RUNTIME_CLASS(DCsqConductorStaff), DK_SEQUENCER, ET_CONDUCTORSTAFF},
    {RUNTIME_CLASS(DCsqMidi), DK_SEQUENCER, ET_CONTROLCHANGE},
    {RUNTIME_CLASS(DCsqDynamic), DK_SEQUENCER, ET_DYNAMIC},
    {RUNTIME_CLASS(DCsqFlowControl), DK_SEQUENCER, ET_FLOWCONTROL},
    {RUNTIME_CLASS(DCsqNote), DK_SEQUENCER, ET_GRACENOTE},
    {RUNTIME_CLASS(DCsqKey), DK_SEQUENCER, ET_KEY},
    {RUNTIME_CLASS(DCsqLyric), DK_SEQUENCER, ET_LYRIC},
    {RUNTIME_CLASS(DCsqMeter), DK_SEQUENCER, ET_METER},
    {RUNTIME_CLASS(DCsqNote), DK_SEQUENCER, ET_NOTE},
    {RUNTIME_CLASS(DCsqMidi), DK_SEQUENCER, ET_PEDAL},
    {RUNTIME_CLASS(DCsqMidi), DK_SEQUENCER, ET_PITCHBEND},
    {RUNTIME_CLASS(DCsqMidi), DK_SEQUENCER, ET_POLYPRESSURE},
    {RUNTIME_CLASS(DCsqProgram), DK_SEQUENCER, ET_PROGRAMCHANGE},
    {RUNTIME_CLASS(DCsqStaff), DK_SEQUENCER, ET_STAFF},
    {RUNTIME_CLASS(DCsqSysMsg), DK_SEQUENCER, ET_SYSTEMMESSAGE},
    {RUNTIME_CLASS(DCsqTempo), DK_SEQUENCER, ET_TEMPO},
    {RUNTIME_CLASS(DCsqText), DK_SEQUENCER, ET_TEXT},
    {RUNTIME_CLASS(DCsqTranspose), DK_SEQUENCER, ET_TRANSPOSE},
    {RUNTIME_CLASS(DCsqWave), DK_SEQUENCER, ET_WAVE},
    {RUNTIME_CLASS(DCsqWaveTrack), DK_SEQUENCER, ET_WAVETRACK},
};

}   // namespace

int RegisterPerformers() {
    for (const CPluginData& record : s_performerRecords)
        CPluginData::AddPlugin(&record);
    return static_cast<int>(std::size(s_performerRecords));
}

void UnregisterPerformers() {
    for (const CPluginData& record : s_performerRecords)
        CPluginData::RemovePlugin(&record);
}
