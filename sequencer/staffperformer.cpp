// DCsqStaff and DCsqConductorStaff: a staff's filters, volume, instrument,
// channels and prologue events.
#include "sequencer/staffperformer.h"

#include "model/eventtypes.h"
#include "model/textmarks.h"
#include "platform/core/archive.h"
#include "platform/devices/portavel.h"
#include "sequencer/midimessage.h"
#include "sequencer/performeractions.h"
#include "sequencer/ramps.h"
#include "sequencer/scoremgr.h"
#include "sequencer/sequence.h"

#include <algorithm>
#include <bit>

IMPLEMENT_SERIAL(DCsqStaff, DCsqTrack, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(DCsqConductorStaff, DCsqStaff, VERSIONABLE_SCHEMA | 2)

namespace {

constexpr unsigned char CONTROLLER = 0xB0;
constexpr unsigned char PROGRAM_CHANGE = 0xC0;
constexpr unsigned char BANK_MSB_CONTROLLER = 0;
constexpr unsigned char VOLUME_CONTROLLER = 7;
constexpr unsigned char BANK_LSB_CONTROLLER = 32;
constexpr int MAX_VOLUME = 127;
// The device flag of SendMidiMsg: 1 marks a track gain, 0 any other message.
constexpr int SEND_PLAIN = 0;
constexpr int SEND_GAIN = 1;

FCMidi MakeWord(unsigned char status, unsigned char data1, unsigned char data2) {
    FCMidi word;
    word.SetStatusByte(status);
    word.SetDataByte1(data1);
    word.SetDataByte2(data2);
    return word;
}

}   // namespace

DCsqStaff::DCsqStaff() : m_pVolumeSeq(std::make_unique<CSeqVolume>(this)) {
    SetFlagBit(CHANNELS_MIXED_BIT, 0);
    SetFlagBit(CHANNELS_KNOWN_BIT, 0);
    SetFlagBit(LEVEL_WITH_VOLUME_BIT, 1);
    DefinePrologueType(DT_BANKMSB);
    DefinePrologueType(DT_BANKLSB);
    DefinePrologueType(DT_PROGRAM);
    DefineNonPrologueType(DT_MIDI, 1);
    DefineNonPrologueType(DT_NOTE, 1);
    // Called here, a derived class's override does not run: the conductor
    // staff gets the four filters too.
    CreateStaffFilters();
}

DCsqStaff::~DCsqStaff() {
    // A staff may go inside a command, under the performance's lock; stopping
    // a ramp that may be polled takes its lock, which comes first. The
    // sequence takes the ramp over and stops it once that lock is free.
    if (CSequence* sequence = m_pVolumeSeq ? m_pVolumeSeq->GetSequence() : nullptr) {
        m_pVolumeSeq->Orphan();
        sequence->RetirePlayer(std::move(m_pVolumeSeq));
    }
}

int DCsqStaff::GetClassType() const {
    return DT_STAFF;
}

int DCsqStaff::GetTrackType() const {
    return TT_STAFF;
}

// ---- filters ----

template <class Filter>
Filter* DCsqStaff::MakeStaffFilter() {
    auto* filter = new Filter;
    AddFilter(filter);
    return filter;
}

void DCsqStaff::CreateStaffFilters() {
    m_pVoiceMap = MakeStaffFilter<LCMidiVoiceMap>();
    m_pTranspose = MakeStaffFilter<LCMidiTranspose>();
    m_pTranspose->SetEnabled(0);
    m_pVelocity = MakeStaffFilter<LCMidiVelocity>();
    m_pVelocity->SetStaffData(this);
    m_pVelocity->SetEnabled(0);
    m_pVolume = MakeStaffFilter<LCMidiVolume>();
    m_pVolume->SetStaffData(this);
    m_pVolume->SetEnabled(0);
}

void DCsqStaff::SetTransposition(int semitones) {
    m_nTransposition = semitones;
    if (m_pTranspose) {
        m_pTranspose->SetTransposition(semitones);
        m_pTranspose->SetEnabled(semitones != 0);
    }
}

void DCsqStaff::TriggerFilters(CSequence* sequence) {
    // The filter chain's walk triggers without a sequence: the staff keeps its own.
    if (sequence)
        m_pSequence = sequence;
    SetTrackGain(m_fGain);
    SetTransposition(m_nTransposition);
}

// ---- archive ----

void DCsqStaff::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        DCsqTrack::Serialize(ar);
        ar << static_cast<LONG>(m_nTransposition) << static_cast<WORD>(m_nChannelContent)
           << static_cast<BYTE>(m_nChannel);
        ar.WriteObject(m_pVelocity);
        ar.WriteObject(m_pVolume);
        ar.WriteObject(m_pTranspose);
        ar.WriteObject(m_pVoiceMap);
        return;
    }
    // The filter list is about to be replaced by the file's.
    m_pVelocity = nullptr;
    m_pVolume = nullptr;
    m_pTranspose = nullptr;
    m_pVoiceMap = nullptr;
    const int version = GetFileVersion();
    if (version == 0)
        DCsqFilter::Serialize(ar);   // the first files kept no pan or device
    else
        DCsqTrack::Serialize(ar);
    LONG transposition = 0;
    WORD content = 0;
    BYTE channel = 0;
    ar >> transposition >> content >> channel;
    if (version == 0)
        ar >> m_fGain;
    LCMidiVelocity* velocity = nullptr;
    LCMidiVolume* volume = nullptr;
    LCMidiTranspose* transpose = nullptr;
    LCMidiVoiceMap* voiceMap = nullptr;
    ar >> velocity >> volume >> transpose >> voiceMap;

    m_nTransposition = transposition;
    m_nChannelContent = content;
    m_nChannel = static_cast<uint8_t>(channel & 0x0F);
    // Transposition marks add their filters to this list while they play, so
    // a saved list may hold them. They belong to their marks, which add them
    // again when they play: letting them go here keeps this list from
    // keeping a filter whose mark is later removed.
    for (LCMidiFilter* filter : m_filters.GetFilters()) {
        if (filter != velocity && filter != volume && filter != transpose && filter != voiceMap) {
            m_filters.Remove(filter, 0);
            // A damaged file may name a filter no mark keeps: it must not leak.
            LCMidiFilter::ReleaseWhenUnkept(filter);
        }
    }
    // Each staff filter is in the list and linked to this staff; one the
    // file lacks is made anew.
    auto adopt = [this](auto* filter, auto make) {
        if (!filter)
            return make();
        if (!m_filters.Contains(filter))
            AddFilter(filter);
        return filter;
    };
    m_pVelocity = adopt(velocity, [this] { return MakeStaffFilter<LCMidiVelocity>(); });
    m_pVolume = adopt(volume, [this] { return MakeStaffFilter<LCMidiVolume>(); });
    m_pTranspose = adopt(transpose, [this] { return MakeStaffFilter<LCMidiTranspose>(); });
    m_pVoiceMap = adopt(voiceMap, [this] { return MakeStaffFilter<LCMidiVoiceMap>(); });
    m_pVelocity->SetStaffData(this);
    m_pVolume->SetStaffData(this);
    SetTrackGain(m_fGain);
}

// ---- volume ----

void DCsqStaff::UpdateVolumeFactor() {
    const float master = m_pSequence ? m_pSequence->GetMasterLevel() : 1.0f;
    m_fVolumeFactor = m_fGain * m_fScoreFactor * master;
}

void DCsqStaff::SetScoreFactor(float factor) {
    m_fScoreFactor = factor;
    UpdateVolumeFactor();
}

void DCsqStaff::SetLevelWithVolume(int /*on*/) {}

void DCsqStaff::SetTrackGain(float gain) {
    m_fGain = gain;
    UpdateVolumeFactor();
    if (!SetsLevelWithVolume())
        return;
    // Cut in floating point: a damaged file's gain (1e38, not a number) has
    // no integer to convert to.
    const int volume = LCMidiFilter::CutToInt(m_nLastDocumentVolume * m_fVolumeFactor, 0, MAX_VOLUME);
    m_nLastPerformedVolume = static_cast<uint8_t>(volume);
    if (!m_pVoiceMap)
        return;
    // The level changes at once, also while nothing plays.
    const bool allEqual = m_pVoiceMap->AllVoiceMapsEqual() != 0;
    for (int voice = 0; voice < LCMidiVoiceMap::VOICE_COUNT; ++voice) {
        const int device = m_pVoiceMap->GetVoiceDevice(voice);
        const int channel = m_pVoiceMap->GetVoiceChannel(voice);
        if (device < 0 || channel < 0)
            continue;
        SendNow(device,
                MakeWord(static_cast<unsigned char>(CONTROLLER | (channel & 0x0F)), VOLUME_CONTROLLER,
                         static_cast<unsigned char>(volume)),
                SEND_GAIN);
        if (allEqual)
            break;
    }
}

void DCsqStaff::SendNow(int device, const FCMidi& word, int flag) {
    if (CPortavel* portavel = CPortavel::GetPortavel())
        portavel->SendMidiMsg(device, word.GetValue().dwData, flag);
}

// ---- the instrument ----

DCsqMidi* DCsqStaff::GetCachedMidi(ECBase*& slot, int type) {
    if (!slot)
        slot = GetPrologueEvent(type);
    return slot ? DYNAMIC_DOWNCAST(DCsqMidi, DCsqBase::GetPerformer(slot, 1)) : nullptr;
}

DCsqMidi* DCsqStaff::GetBankMSB() {
    return GetCachedMidi(m_pBankMSB, ET_BANKMSB);
}

DCsqMidi* DCsqStaff::GetBankLSB() {
    GetBankMSB();   // so the three are made in the order MSB, LSB, program
    return GetCachedMidi(m_pBankLSB, ET_BANKLSB);
}

DCsqMidi* DCsqStaff::GetProgram() {
    GetBankLSB();
    return GetCachedMidi(m_pProgram, ET_PROGRAMCHANGE);
}

FCMidi DCsqStaff::InstrumentWord(DCsqMidi* performer, unsigned char status, unsigned char data1) const {
    if (performer && performer->GetMidiData().HasData())
        return performer->GetMidiData();
    return MakeWord(static_cast<unsigned char>(status | m_nChannel), data1, 0);
}

void DCsqStaff::ResolveVoice0(int& device, int& channel) const {
    if (!m_pVoiceMap)
        return;
    if (device == VOICE0_DEVICE)
        device = m_pVoiceMap->GetVoiceDevice(0);
    if (channel == VOICE0_CHANNEL)
        channel = m_pVoiceMap->GetVoiceChannel(0);
}

void DCsqStaff::SetInstrument(int msb, int lsb, int program, int device, int channel) {
    if (DCsqMidi* performer = GetBankMSB()) {
        FCMidi word = InstrumentWord(performer, CONTROLLER, BANK_MSB_CONTROLLER);
        word.SetDataByte2(static_cast<unsigned char>(msb));
        performer->SetMidiData(word);
    }
    if (DCsqMidi* performer = GetBankLSB()) {
        FCMidi word = InstrumentWord(performer, CONTROLLER, BANK_LSB_CONTROLLER);
        word.SetDataByte2(static_cast<unsigned char>(lsb));
        performer->SetMidiData(word);
    }
    if (DCsqMidi* performer = GetProgram()) {
        FCMidi word = InstrumentWord(performer, PROGRAM_CHANGE, 0);
        word.SetDataByte1(static_cast<unsigned char>(program));
        performer->SetMidiData(word);
    }
    SendInstrument(msb, lsb, program, device, channel);
}

void DCsqStaff::SendInstrument(int msb, int lsb, int program, int device, int channel) {
    ResolveVoice0(device, channel);
    if (device < 0 || channel < 0)
        return;
    const auto channelBits = static_cast<unsigned char>(channel & 0x0F);
    FCMidi bankMSB = InstrumentWord(GetBankMSB(), CONTROLLER, BANK_MSB_CONTROLLER);
    bankMSB.SetStatusLSB(channelBits);
    bankMSB.SetDataByte2(static_cast<unsigned char>(msb));
    FCMidi bankLSB = InstrumentWord(GetBankLSB(), CONTROLLER, BANK_LSB_CONTROLLER);
    bankLSB.SetStatusLSB(channelBits);
    bankLSB.SetDataByte2(static_cast<unsigned char>(lsb));
    FCMidi change = InstrumentWord(GetProgram(), PROGRAM_CHANGE, 0);
    change.SetStatusLSB(channelBits);
    change.SetDataByte1(static_cast<unsigned char>(program));
    // A device takes the bank only with the program change that follows it.
    SendNow(device, bankMSB, SEND_PLAIN);
    SendNow(device, bankLSB, SEND_PLAIN);
    SendNow(device, change, SEND_PLAIN);
}

int DCsqStaff::GetInstrument(int& msb, int& lsb) {
    DCsqMidi* bankMSB = GetBankMSB();
    DCsqMidi* bankLSB = GetBankLSB();
    DCsqMidi* program = GetProgram();
    if (!bankMSB || !bankLSB || !program)
        return 0;
    msb = bankMSB->GetMidiData().GetDataByte2();
    lsb = bankLSB->GetMidiData().GetDataByte2();
    return program->GetMidiData().GetDataByte1();
}

void DCsqStaff::SendMidiMessage(const FCMidi& word, const MCVoiceTrack& voiceTrack) {
    MCMidiMsgVector messages;
    auto message = std::make_unique<MidiMessage>();
    message->m_noteOn.SetValue(word.GetValue());
    message->m_voiceTrack = voiceTrack;
    messages.Add(std::move(message));
    if (m_pVoiceMap)
        m_pVoiceMap->Process(messages);
    for (int i = 0; i < messages.GetSize(); ++i) {
        const MidiMessage* sent = messages.GetAt(static_cast<unsigned>(i));
        if (!sent || !sent->m_noteOn.HasData())
            continue;
        SendNow(sent->m_voiceTrack.GetDevice(), sent->m_noteOn, SEND_PLAIN);
    }
}

// ---- the track ----

void DCsqStaff::InitTrack(CSequence* sequence) {
    DCsqTrack::InitTrack(sequence);
    if (CheckChannelContent(1) == 1) {
        const int channel = AreChannelsMixed() ? static_cast<int>(LCMidiVoiceMap::KEEP_CHANNEL) : static_cast<int>(m_nChannel);
        const auto device = static_cast<int>(LCMidiVoiceMap::GetDefaultDevice());
        for (int voice = 0; voice < LCMidiVoiceMap::VOICE_COUNT; ++voice)
            m_pVoiceMap->SetVoiceDevChan(voice, device, channel);
    }
    int msb = 0;
    int lsb = 0;
    const int program = GetInstrument(msb, lsb);
    SendInstrument(msb, lsb, program, VOICE0_DEVICE, VOICE0_CHANNEL);
}

ECBase* DCsqStaff::MakePrologueEvent(int type) {
    CMidiScoreMgr* manager = m_pSequence ? m_pSequence->GetMidiScoreMgr() : nullptr;
    if (!manager || !GetOwner())
        return nullptr;
    const MCTime start(0.0f);
    const MCVoiceTrack word(0, GetTrackNumber());
    // Made as a file's events are: at once, with no state announced, and
    // never gathered, so the event stands in the tree when it is cached.
    const int loading = manager->GetFileLoading();
    const int gathering = manager->GetGatherAdds();
    manager->SetFileLoading(1);
    manager->SetGatherAdds(0);
    ECBase* event = nullptr;
    FCMidi message;
    switch (type) {
    case ET_BANKLSB:
        message = MakeWord(static_cast<unsigned char>(CONTROLLER | m_nChannel), BANK_LSB_CONTROLLER, 0);
        break;
    case ET_BANKMSB:
        message = MakeWord(static_cast<unsigned char>(CONTROLLER | m_nChannel), BANK_MSB_CONTROLLER, 0);
        break;
    case ET_DYNAMIC:
        message = MakeWord(static_cast<unsigned char>(CONTROLLER | m_nChannel), VOLUME_CONTROLLER, 0);
        break;
    case ET_PROGRAMCHANGE:
        message = MakeWord(static_cast<unsigned char>(PROGRAM_CHANGE | m_nChannel), 0, 0);
        break;
    default:
        break;
    }
    if (message.HasData()) {
        event = manager->AddMidiEvent(start, word, message, 0, MCTime::TimeNull());
    } else if (type == ET_TEXT) {
        // A track-name text (meta-event type 3); on track 0 it is the title.
        event = manager->AddTextEvent(start, word, nullptr, 0, 3);
    }
    manager->SetGatherAdds(gathering);
    manager->SetFileLoading(loading);
    return event;
}

void DCsqStaff::RemovePrologueEvent(ECBase* event) {
    if (!event)
        return;
    if (m_pBankMSB == event)
        m_pBankMSB = nullptr;
    if (m_pBankLSB == event)
        m_pBankLSB = nullptr;
    if (m_pProgram == event)
        m_pProgram = nullptr;
    DCsqTrack::RemovePrologueEvent(event);
}

// ---- channels ----

int DCsqStaff::CheckChannelContent(int onlyIfNeeded) {
    if (onlyIfNeeded && GetFlagBit(CHANNELS_KNOWN_BIT))
        return 0;
    ECBase* owner = GetOwner();
    if (!owner || m_bCheckingChannels)
        return 0;
    m_bCheckingChannels = true;
    ACChannelContent walk;
    walk.SetDepth(2);   // the staff, its measures, their events
    walk.Apply(owner);
    m_bCheckingChannels = false;
    const unsigned mask = walk.GetChannelContent();
    m_nChannelContent = static_cast<uint16_t>(mask);
    m_nChannel = static_cast<uint8_t>(mask ? std::countr_zero(mask) : 0);
    SetFlagBit(CHANNELS_MIXED_BIT, std::popcount(mask) > 1);
    SetFlagBit(CHANNELS_KNOWN_BIT, 1);
    return 1;
}

void DCsqStaff::SetChannelCheckNeeded() {
    SetFlagBit(CHANNELS_KNOWN_BIT, 0);
}

int DCsqStaff::AreChannelsMixed() {
    CheckChannelContent(1);
    return GetFlagBit(CHANNELS_MIXED_BIT);
}

unsigned DCsqStaff::GetChannelContent() {
    CheckChannelContent(1);
    return m_nChannelContent;
}

int DCsqStaff::GetChannel() {
    CheckChannelContent(1);
    return m_nChannel;
}

// ---- DCsqConductorStaff -------------------------------------------------------------------

int DCsqConductorStaff::GetClassType() const {
    return DT_CONDUCTORSTAFF;
}

int DCsqConductorStaff::GetTrackType() const {
    return TT_CONDUCTOR;
}

void DCsqConductorStaff::InitTrack(CSequence* sequence) {
    m_pSequence = sequence;
}

void DCsqConductorStaff::CreateStaffFilters() {}
