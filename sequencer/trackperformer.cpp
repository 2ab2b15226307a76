// DCsqTrack and DCsqWaveTrack: the track performers' states, prologue and
// wave values.
#include "sequencer/trackperformer.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/performance.h"
#include "model/staff.h"
#include "model/textmarks.h"
#include "platform/core/archive.h"
#include "platform/devices/portavel.h"
#include "sequencer/midifilters.h"
#include "sequencer/performeractions.h"
#include "sequencer/player.h"
#include "sequencer/sequence.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

IMPLEMENT_SERIAL(DCsqTrack, DCsqFilter, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(DCsqWaveTrack, DCsqTrack, VERSIONABLE_SCHEMA | 2)

namespace {
constexpr int NO_TRACK = 2047;

// `value` held to [low, high]; one that is not a number (a damaged file's
// gain or pan may be one) is `otherwise`: std::clamp would hand it back as
// it came, and it has no integer to convert to.
float Bounded(float value, float low, float high, float otherwise) {
    return std::isnan(value) ? otherwise : std::clamp(value, low, high);
}

// A wave parameter in the device's integer units, cut in floating point
// first: a master level far above full would overflow the conversion.
int32_t WaveUnits(float value) {
    return LCMidiFilter::CutToInt(value, INT32_MIN, INT32_MAX);
}
}

// ---- DCsqTrack --------------------------------------------------------------------

DCsqTrack::DCsqTrack() : m_prologueTypes{DT_TEXT, DT_DYNAMIC} {
    SetFlagBit(MUTED_BIT, 0);
    SetFlagBit(SOLOED_BIT, 0);
    SetFlagBit(ACTIVE_BIT, 1);
    SetFlagBit(TRACK_BIT4, 0);
}

DCsqTrack::~DCsqTrack() = default;   // the prologue list lets its events go

void DCsqTrack::Serialize(CArchive& ar) {
    DCsqFilter::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_fGain << m_fPan << static_cast<LONG>(m_nDevice);
        return;
    }
    ar >> m_fGain >> m_fPan;
    if (GetFileVersion() >= 2) {
        LONG device = 0;
        ar >> device;
        m_nDevice = device;
    }
}

int DCsqTrack::GetClassType() const {
    return DT_TRACK;
}

int DCsqTrack::GetTrackType() const {
    return -1;
}

int DCsqTrack::GetTrackNumber() {
    ECBase* owner = GetOwner();
    const MCVoiceTrack* word = owner ? owner->GetVoiceTrack() : nullptr;
    return word ? word->GetTrack() : NO_TRACK;
}

// ---- states ----

void DCsqTrack::SetTrackGain(float gain) {
    m_fGain = gain;
}

void DCsqTrack::SetTrackPan(float pan) {
    m_fPan = pan;
}

void DCsqTrack::SetDevice(int device) {
    m_nDevice = device;
}

void DCsqTrack::SetActive(int active) {
    SetFlagBit(ACTIVE_BIT, active);
}

void DCsqTrack::UpdateMuteState(int track, int state, CSequence* sequence) {
    const int muted = state ? 1 : 0;
    if (IsMuted() == muted)
        return;
    SetFlagBit(MUTED_BIT, muted);
    if (muted)
        UpdateSoloState(track, 0, sequence);
    UpdateActiveStates(sequence);
    auto* announce = new SCTrack(STATE_TRACK_MUTE);
    announce->SetTrack(track);
    announce->SetTrackType(GetTrackType());
    announce->SetValue(muted);
    SendTrackState(announce, sequence);
}

void DCsqTrack::UpdateSoloState(int track, int state, CSequence* sequence) {
    const int soloed = state ? 1 : 0;
    if (IsSoloed() == soloed)
        return;
    SetFlagBit(SOLOED_BIT, soloed);
    if (soloed)
        UpdateMuteState(track, 0, sequence);
    UpdateActiveStates(sequence);
    auto* announce = new SCTrack(STATE_TRACK_SOLO);
    announce->SetTrack(track);
    announce->SetTrackType(GetTrackType());
    announce->SetValue(soloed);
    SendTrackState(announce, sequence);
}

void DCsqTrack::InitTrack(CSequence* sequence) {
    m_pSequence = sequence;
    GetTrackName();
}

ECBase* DCsqTrack::MakePrologueEvent(int /*type*/) {
    return nullptr;
}

void DCsqTrack::CreateTrackFilters() {}

// ---- the sequence's tracks ----

ECConductor* DCsqTrack::GetConductor(CSequence* sequence) {
    return sequence ? sequence->GetConductor() : nullptr;
}

DCsqTrack* DCsqTrack::GetTrackData(ECBase* event, int type, CSequence* sequence) {
    const MCVoiceTrack* word = event ? event->GetVoiceTrack() : nullptr;
    return GetTrackData(static_cast<unsigned>(word ? word->GetTrack() : NO_TRACK), type, sequence);
}

DCsqTrack* DCsqTrack::GetTrackData(unsigned track, int type, CSequence* sequence) {
    ECConductor* conductor = GetConductor(sequence);
    if (!conductor || track >= NO_TRACK || (type != TT_STAFF && type != TT_WAVE))
        return nullptr;
    ECTrack* trackEvent = conductor->GetTrack(type, static_cast<int>(track), 0);
    return DYNAMIC_DOWNCAST(DCsqTrack, DCsqBase::GetPerformer(trackEvent, 1));
}

int DCsqTrack::GetFirstEmptyTrack(int type, CSequence* sequence) {
    ECConductor* conductor = GetConductor(sequence);
    if (!conductor)
        return -1;
    const int highest = conductor->GetMaxTrackNumber(type);
    for (int track = 1; track <= highest; ++track) {
        DCsqTrack* performer = GetTrackData(static_cast<unsigned>(track), type, sequence);
        if (performer && performer->IsEmpty())
            return track;
    }
    return -1;
}

namespace {

// Whether any track of the two kinds answers the test.
template <class Test>
int AnyTrack(CSequence* sequence, ECConductor* conductor, Test test) {
    if (!conductor)
        return 0;
    for (int kind : {TT_STAFF, TT_WAVE}) {
        const int highest = conductor->GetMaxTrackNumber(kind);
        for (int track = 1; track <= highest; ++track) {
            DCsqTrack* performer = DCsqTrack::GetTrackData(static_cast<unsigned>(track), kind, sequence);
            if (performer && test(*performer))
                return 1;
        }
    }
    return 0;
}

}   // namespace

int DCsqTrack::AnyTracksSoloed(CSequence* sequence) {
    return AnyTrack(sequence, GetConductor(sequence), [](DCsqTrack& t) { return t.IsSoloed() != 0; });
}

int DCsqTrack::AnyTracksMuted(CSequence* sequence) {
    return AnyTrack(sequence, GetConductor(sequence), [](DCsqTrack& t) { return t.IsMuted() != 0; });
}

void DCsqTrack::UpdateActiveStates(CSequence* sequence) {
    ECConductor* conductor = GetConductor(sequence);
    if (!conductor)
        return;
    // With a soloist only the soloists play; otherwise everyone not muted.
    const int anySoloed = AnyTracksSoloed(sequence);
    for (int kind : {TT_STAFF, TT_WAVE}) {
        auto* announce = new SCTrack(STATE_TRACK_ACTIVE);
        announce->SetTrackType(kind);
        const int highest = conductor->GetMaxTrackNumber(kind);
        for (int track = 1; track <= highest; ++track) {
            DCsqTrack* performer = GetTrackData(static_cast<unsigned>(track), kind, sequence);
            if (!performer)
                continue;
            const bool active = anySoloed ? performer->IsSoloed() != 0 : performer->IsMuted() == 0;
            performer->SetActive(active ? 1 : 0);
            if (active)
                announce->AddOnTrack(track);
            else
                announce->AddOffTrack(track);
        }
        SendTrackState(announce, sequence);
    }
}

void DCsqTrack::SendTrackState(SCTrack* state, CSequence* sequence) {
    ECPerformance* performance = sequence ? sequence->GetPerformance() : nullptr;
    if (!performance) {
        delete state;   // nobody to tell
        return;
    }
    // Sent, not posted: the mixer shows the change before the caller goes on.
    state->SetAsynchronous(0);
    state->Apply(performance);
}

// ---- the name ----

ECBase* DCsqTrack::GetTrackNameEvent() {
    if (!m_pTrackName)
        m_pTrackName = GetPrologueEvent(ET_TEXT);
    return m_pTrackName;
}

const std::string& DCsqTrack::GetTrackName() {
    auto* text = DYNAMIC_DOWNCAST(ECText, GetTrackNameEvent());
    if (!text) {
        m_name.clear();
        return m_name;
    }
    m_name = text->GetText();
    if (m_name.empty()) {
        const int track = GetTrackNumber();
        if (track == 0) {
            m_name = "Untitled";
        } else {
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "Track %d", track);
            m_name = buffer;
        }
    }
    return m_name;
}

void DCsqTrack::SetTrackName(const std::string& name) {
    if (auto* text = DYNAMIC_DOWNCAST(ECText, GetTrackNameEvent()))
        text->SetText(name);
}

// ---- the prologue ----

void DCsqTrack::DefinePrologueType(int type) {
    m_prologueTypes.push_back(type);
}

void DCsqTrack::DefineNonPrologueType(int type, int add) {
    if (add) {
        m_nonPrologueTypes.push_back(type);
        return;
    }
    auto found = std::ranges::find(m_nonPrologueTypes, type);
    if (found != m_nonPrologueTypes.end())
        m_nonPrologueTypes.erase(found);
}

int DCsqTrack::IsPrologueEvent(ECBase* event) const {
    if (!event)
        return 0;
    for (POSITION pos = m_prologue.GetHeadPosition(); pos;) {
        if (m_prologue.GetNext(pos) == event)
            return 1;
    }
    return 0;
}

void DCsqTrack::AddPrologueEvent(ECBase* event) {
    if (event && !IsPrologueEvent(event))
        m_prologue.AddEvent(event, UNSORTED);
}

void DCsqTrack::RemovePrologueEvent(ECBase* event) {
    if (!event)
        return;
    if (m_pTrackName == event)
        m_pTrackName = nullptr;
    if (m_pPrologue2 == event)
        m_pPrologue2 = nullptr;
    // The list's reference goes last: it may be the event's last one.
    m_prologue.RemoveEvent(event);
}

ECBase* DCsqTrack::GetPrologueEvent(int type) {
    ECBase* event = FindFirstPrologueEvent(type);
    if (!event)
        event = MakePrologueEvent(type);
    AddPrologueEvent(event);
    return event;
}

ECBase* DCsqTrack::FindFirstPrologueEvent(int type) {
    ECBase* owner = GetOwner();
    if (!owner)
        return nullptr;
    ECBase* found = owner->GetDescendant(type, -1);
    if (!found)
        return nullptr;
    // Set-up events stand before the music: one found after the first note
    // or controller is music, not the track's prologue.
    ECBase* music = FindFirstNonPrologueEvent();
    const MCTime* foundTime = found->GetTime();
    const MCTime* musicTime = music ? music->GetTime() : nullptr;
    if (foundTime && musicTime && *musicTime < *foundTime)
        return nullptr;
    return found;
}

ECBase* DCsqTrack::FindFirstNonPrologueEvent() {
    ECBase* owner = GetOwner();
    if (!owner)
        return nullptr;
    ACFindNonPrologueEvent finder;
    finder.SetDepth(2);
    for (int type : m_prologueTypes)
        finder.AddPrologueType(type);
    for (int type : m_nonPrologueTypes)
        finder.AddNonPrologueType(type);
    finder.Apply(owner);
    return finder.GetEvent();
}

int DCsqTrack::IsEmpty() {
    return FindFirstNonPrologueEvent() == nullptr;
}

// ---- DCsqWaveTrack ----------------------------------------------------------------------

DCsqWaveTrack::DCsqWaveTrack() {
    DefineNonPrologueType(DT_WAVE, 1);
}

void DCsqWaveTrack::Serialize(CArchive& ar) {
    DCsqTrack::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_fFrequency << static_cast<LONG>(m_params.pan) << static_cast<LONG>(m_params.volume)
           << static_cast<LONG>(m_params.frequency);
        return;
    }
    if (GetFileVersion() >= 2) {
        LONG pan = 0;
        LONG volume = 0;
        LONG frequency = 0;
        ar >> m_fFrequency >> pan >> volume >> frequency;
        m_params = PV_DSParams{pan, volume, frequency};
    }
}

int DCsqWaveTrack::GetClassType() const {
    return DT_WAVETRACK;
}

int DCsqWaveTrack::GetTrackType() const {
    return TT_WAVE;
}

void DCsqWaveTrack::SetTrackGain(float gain) {
    if (!m_pSequence)
        return;
    m_fGain = Bounded(gain, 0.0f, 1.0f, 0.0f);
    // Hundredths of a decibel: full gain is 0, silence -10000.
    m_params.volume = IsActive() ? WaveUnits((m_fGain * m_pSequence->GetMasterLevel() - 1.0f) * 5000.0f) : -10000;
    SendWaveParams();
}

void DCsqWaveTrack::SetTrackPan(float pan) {
    if (!m_pSequence)
        return;
    m_fPan = Bounded(pan, -1.0f, 1.0f, 0.0f);
    m_params.pan = WaveUnits(m_fPan * 10000.0f);
    SendWaveParams();
}

void DCsqWaveTrack::SetTrackFrequency(float frequency) {
    if (!m_pSequence)
        return;
    m_fFrequency = Bounded(frequency, -1.0f, 1.0f, 0.0f);
    m_params.frequency = WaveUnits(m_fFrequency * 10000.0f);
    SendWaveParams();
}

void DCsqWaveTrack::SetActive(int active) {
    if (!m_pSequence)
        return;
    DCsqTrack::SetActive(active);
    SetTrackGain(m_fGain);
}

void DCsqWaveTrack::InitTrack(CSequence* sequence) {
    m_pSequence = sequence;
}

void DCsqWaveTrack::SendWaveParams() {
    CPortavel* portavel = CPortavel::GetPortavel();
    if (!portavel || !m_pSequence)
        return;
    PV_WaveParams params;
    params.fileName = nullptr;   // the whole track
    params.track = GetTrackNumber();
    params.trackParams = m_params;
    CSeqPlay* player = m_pSequence->GetPlaySequencer();
    params.tag = player ? player->GetTag() : 0;
    portavel->SetWaveParams(&params);
}
