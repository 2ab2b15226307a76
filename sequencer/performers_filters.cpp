// The filter performers: DCsqFilter and the markings that own filters — the
// accent, the transposition and the dynamic with its volume performer.
#include "sequencer/performers.h"

#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/modifiers.h"
#include "platform/core/archive.h"
#include "sequencer/ramps.h"
#include "sequencer/sequence.h"
#include "sequencer/staffperformer.h"

#include <algorithm>
#include <cmath>

IMPLEMENT_SERIAL(DCsqFilter, DCsqBase, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(DCsqAccent, DCsqFilter, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(DCsqTranspose, DCsqFilter, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(DCsqDynamic, DCsqFilter, VERSIONABLE_SCHEMA | 2)

// ---- DCsqFilter --------------------------------------------------------------------

DCsqFilter::~DCsqFilter() = default;   // the owning list deletes what it keeps

void DCsqFilter::Serialize(CArchive& ar) {
    DCsqBase::Serialize(ar);
    if (ar.IsLoading())
        m_filters.RemoveAll(1);
    m_filters.Serialize(ar);
}

int DCsqFilter::GetClassType() const {
    return DT_FILTER;
}

void DCsqFilter::AddFilter(LCMidiFilter* filter) {
    if (filter)
        m_filters.Add(filter, MCMidiFilterList::SET_OWNER_LIST);
}

void DCsqFilter::RemoveFilter(LCMidiFilter* filter, int destroy) {
    if (filter)
        m_filters.Remove(filter, destroy);
}

void DCsqFilter::RemoveFilters(int destroy) {
    m_filters.RemoveAll(destroy);
}

void DCsqFilter::TriggerFilters(CSequence* /*sequence*/) {}

// ---- DCsqAccent ----------------------------------------------------------------------

void DCsqAccent::Serialize(CArchive& ar) {
    if (ar.IsLoading())
        m_pAccent = nullptr;   // the list's filters go first
    DCsqFilter::Serialize(ar);
    if (ar.IsStoring())
        return;
    const std::vector<LCMidiFilter*> filters = m_filters.GetFilters();
    m_pAccent = filters.empty() ? nullptr : DYNAMIC_DOWNCAST(LCMidiAccent, filters.front());
    if (!m_pAccent) {
        // No accent filter came with the file: one is made from the owner.
        m_pAccent = new LCMidiAccent;
        AddFilter(m_pAccent);
        m_pAccent->SetEnabled(1);
        if (GetOwner())
            m_pAccent->UpdateParametersFrom(GetOwner());
    }
}

int DCsqAccent::GetClassType() const {
    return DT_ACCENT;
}

void DCsqAccent::SetOwner(ECBase* owner) {
    DCsqFilter::SetOwner(owner);
    if (!m_pAccent) {
        m_pAccent = new LCMidiAccent;
        AddFilter(m_pAccent);
    }
    m_pAccent->SetEnabled(1);
    if (owner)
        m_pAccent->UpdateParametersFrom(owner);
}

// ---- DCsqTranspose ---------------------------------------------------------------------

void DCsqTranspose::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        DCsqFilter::Serialize(ar);
        ar.WriteObject(GetTransposeFilter());
        return;
    }
    // The schema of this object, taken before the filter list is read (each
    // object read sets the archive's schema anew).
    const unsigned schema = ar.GetObjectSchema();
    m_pTranspose = nullptr;
    DCsqFilter::Serialize(ar);
    const int version = GetFileVersion();
    if (version >= 1 || (version == 0 && schema >= 2)) {
        LCMidiTranspose* filter = nullptr;
        ar >> filter;
        if (filter && !m_filters.Contains(filter))
            AddFilter(filter);   // a reference to a filter the list did not hold: kept here
        m_pTranspose = filter;
    }
}

int DCsqTranspose::GetClassType() const {
    return DT_TRANSPOSE;
}

LCMidiTranspose* DCsqTranspose::GetTransposeFilter() {
    // A filter that another list kept (a staff loaded before this mark) may
    // have gone with that list; only one still in our list is ours to use.
    if (m_pTranspose && !m_filters.Contains(m_pTranspose))
        m_pTranspose = nullptr;
    if (!m_pTranspose) {
        m_pTranspose = new LCMidiTranspose;
        AddFilter(m_pTranspose);
    }
    return m_pTranspose;
}

void DCsqTranspose::TriggerFilters(CSequence* sequence) {
    GetTransposeFilter();
    auto* staff = sequence ? DYNAMIC_DOWNCAST(DCsqStaff, DCsqTrack::GetTrackData(GetOwner(), TT_STAFF, sequence))
                           : nullptr;
    for (LCMidiFilter* filter : m_filters.GetFilters()) {
        filter->SetEnabled(1);
        filter->UpdateParametersFrom(GetOwner());
        // The staff's list borrows the filter: this mark's list keeps it.
        if (staff)
            staff->AddFilter(filter);
    }
}

// ---- DCsqDynamic ---------------------------------------------------------------------------

namespace {

// By dynamic type 0 to 10; 11 and above take the last entry.
constexpr int kDynamicValues[] = {1, 15, 29, 43, 57, 71, 85, 99, 113, 127, 85, 100};
constexpr float kDynamicFactors[] = {0.01f, 0.222f, 0.444f, 0.666f, 0.888f, 1.111f,
                                     1.333f, 1.555f, 1.777f, 2.0f, 1.333f, 1.0f};
constexpr int kLastDynamicEntry = 11;

int DynamicIndex(int type) {
    return std::clamp(type, 0, kLastDynamicEntry);
}

}   // namespace

DCsqDynamic::DCsqDynamic() {
    UseVolume(1);
}

DCsqDynamic::~DCsqDynamic() {
    TakeVolume(nullptr);
}

void DCsqDynamic::TakeVolume(DCsqMidi* volume) {
    if (m_pVolume) {
        m_pVolume->m_pHolder = nullptr;
        m_pVolume.reset();
    }
    if (volume) {
        m_pVolume.reset(volume);
        volume->m_pHolder = this;
    }
}

void DCsqDynamic::Serialize(CArchive& ar) {
    DCsqFilter::Serialize(ar);
    if (ar.IsStoring()) {
        ar.WriteObject(m_pVolume.get());
        ar << m_fPercentChange;
        return;
    }
    TakeVolume(nullptr);
    DCsqMidi* volume = nullptr;
    ar >> volume;
    if (volume) {
        // A performer that an event or another dynamic holds already would be
        // deleted twice: such a file is damaged.
        ECBase* owner = volume->GetOwner();
        const bool heldByEvent =
            owner && std::ranges::find(owner->GetData(), static_cast<DCBase*>(volume)) != owner->GetData().end();
        if (heldByEvent || volume->m_pHolder)
            throw CArchiveException(CArchiveException::badIndex);
    }
    float percent = 0.0f;
    ar >> percent;
    // Taken only now: should the read above fail, the load's clean-up frees
    // the volume performer alone.
    TakeVolume(volume);
    m_fPercentChange = percent;
}

int DCsqDynamic::GetClassType() const {
    return DT_DYNAMIC;
}

void DCsqDynamic::SetOwner(ECBase* owner) {
    DCsqFilter::SetOwner(owner);
    if (m_pVolume)
        m_pVolume->SetOwner(owner);
}

int DCsqDynamic::TypeToMidiValue(int type) {
    return kDynamicValues[DynamicIndex(type)];
}

int DCsqDynamic::MidiValueToType(int value) {
    if (value < 15)
        return 0;
    if (value >= 127)
        return 9;
    return (value - 15) / 14 + 1;   // 15-28 give 1, ..., 113-126 give 8
}

float DCsqDynamic::GetMultiplierForType(int type) {
    return kDynamicFactors[DynamicIndex(type)];
}

int DCsqDynamic::GetOwnerType() const {
    const auto* dynamic = DYNAMIC_DOWNCAST(ECDynamic, GetOwner());
    return dynamic ? dynamic->GetDynamicType() : -1;
}

void DCsqDynamic::ValidatePercentChange() {
    switch (GetOwnerType()) {
    case 11:
    case 14:   // crescendo kinds only grow
        m_fPercentChange = std::fabs(m_fPercentChange);
        break;
    case 12:
    case 13:
    case 15:   // diminuendo kinds only fall
        m_fPercentChange = -std::fabs(m_fPercentChange);
        break;
    default:   // a plain level changes nothing over time
        m_fPercentChange = 0.0f;
        break;
    }
}

float DCsqDynamic::GetPercentChange() {
    if (GetOwner())
        ValidatePercentChange();
    return m_fPercentChange;
}

void DCsqDynamic::SetPercentChange(float percent) {
    m_fPercentChange = percent;
    if (GetOwner())
        ValidatePercentChange();
}

void DCsqDynamic::CreateVolumeObject(const FCMidi& word) {
    TakeVolume(nullptr);
    auto volume = std::make_unique<DCsqMidi>();
    volume->SetOwner(GetOwner());
    if (word.HasData()) {
        volume->SetMidiData(word);
    } else if (ECBase* owner = GetOwner()) {
        auto* staff = DYNAMIC_DOWNCAST(DCsqStaff, DCsqBase::GetPerformer(owner->GetAncestor(ET_STAFF, -1), 1));
        if (staff) {
            // The staff's channel walk reads the volume words of the dynamics
            // that use volume; this one has none yet and stays out of it.
            const int usesVolume = UsesVolume();
            UseVolume(0);
            const int channel = staff->GetChannel();
            UseVolume(usesVolume);
            FCMidi controller;
            controller.SetStatusByte(static_cast<unsigned char>(0xB0 | (channel & 0x0F)));
            controller.SetDataByte1(7);
            controller.SetDataByte2(static_cast<unsigned char>(TypeToMidiValue(GetOwnerType())));
            volume->SetMidiData(controller);
        }
    }
    TakeVolume(volume.release());
}

DCsqMidi* DCsqDynamic::Perform(CSequence* sequence, bool ramps) {
    ECBase* event = GetOwner();
    auto* marking = DYNAMIC_DOWNCAST(ECDynamic, event);
    if (!marking || event->IsDisplayOnly() || !UsesVolume())
        return nullptr;
    if (ECDynamic::HasDuration(marking->GetDynamicType())) {
        if (ramps)
            UpdateVolume(sequence);
        return nullptr;
    }
    DCsqMidi* volume = GetVolumeObject(FCMidi::MidiNull());
    TriggerFilters(sequence);
    return volume;
}

DCsqMidi* DCsqDynamic::GetVolumeObject(const FCMidi& word) {
    if (!m_pVolume)
        CreateVolumeObject(word);
    return m_pVolume.get();
}

FCMidi& DCsqDynamic::GetMidiData() {
    return GetVolumeObject(FCMidi())->GetMidiData();
}

void DCsqDynamic::SetMidiData(const FCMidi& word) {
    if (!m_pVolume)
        CreateVolumeObject(word);
    m_pVolume->SetMidiData(word);
}

void DCsqDynamic::UpdateVolume(CSequence* sequence) {
    ValidatePercentChange();
    auto* staff = DYNAMIC_DOWNCAST(DCsqStaff, DCsqTrack::GetTrackData(GetOwner(), TT_STAFF, sequence));
    if (!staff || !sequence)
        return;
    CSeqVolume* ramp = staff->GetVolumeSequencer();
    if (!ramp)
        return;
    ramp->Attach(sequence);
    ramp->AttachClient(this);
    sequence->PlaySequence(ramp);
}

void DCsqDynamic::TriggerFilters(CSequence* sequence) {
    if (!sequence)
        return;
    auto* staff = DYNAMIC_DOWNCAST(DCsqStaff, DCsqTrack::GetTrackData(GetOwner(), TT_STAFF, sequence));
    if (!staff)
        return;
    LCMidiFilter* filter = UsesVolume() ? static_cast<LCMidiFilter*>(staff->GetVolumeFilter())
                                        : static_cast<LCMidiFilter*>(staff->GetVelocityFilter());
    if (!filter)
        return;
    filter->UpdateParametersFrom(GetOwner());
    filter->SetEnabled(1);
}
