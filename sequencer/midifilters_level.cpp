// The staff's level filters, LCMidiVelocity and LCMidiVolume (see
// midifilters.h for the contract).
#include "sequencer/midifilters.h"

#include "model/markings.h"
#include "platform/core/archive.h"
#include "sequencer/midimessage.h"
#include "sequencer/performers.h"
#include "sequencer/staffperformer.h"

#include <algorithm>

IMPLEMENT_SERIAL(LCMidiVelocity, LCMidiFilter, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(LCMidiVolume, LCMidiFilter, VERSIONABLE_SCHEMA | 2)

// ---- LCMidiVelocity -------------------------------------------------------

namespace {

// One dynamic step (the MIDI values of the dynamic types lie 14 apart).
constexpr float kDynamicStep = 14.0f;
// The range a velocity spans above the floor at the staff level 127.
constexpr float kRangeAtFullLevel = 21.0f;
// The scale of the staff level: a track gain of 1.0 gives 64, so that a
// dynamic's floor (its multiplier x L) is the MIDI value it sounds at.
constexpr float kLevelPerGain = 64.0f;
// The dynamic a hairpin starts from when nothing was prepared before it.
constexpr unsigned char kDefaultDynamic = 5;

// Hairpins and texts that make the level fall.
bool Decreases(unsigned char type)
{
    return type == 10 || type == 12 || type == 13 || type == 15;
}

}   // namespace

void LCMidiVelocity::Serialize(CArchive& ar)
{
    LCMidiFilter::Serialize(ar);
    if (ar.IsStoring())
        ar.WriteObject(m_pStaff);
    else
        m_pStaff = static_cast<DCsqStaff*>(ar.ReadObject(RUNTIME_CLASS(DCsqStaff)));
}

float LCMidiVelocity::StaffLevelForGain(float gain)
{
    return static_cast<float>(CutToInt(kLevelPerGain * gain, 0, 0x7FFFFFFF));
}

float LCMidiVelocity::GetStaffLevel() const
{
    return m_pStaff ? StaffLevelForGain(m_pStaff->GetTrackGain()) : kLevelPerGain;
}

void LCMidiVelocity::SetStartTime(const MCTime* time)
{
    if (time)
        m_rampStart = *time;
    else
        m_rampStart.reset();
}

void LCMidiVelocity::SetDuration(const MCTime* duration)
{
    if (duration)
        m_rampDuration = *duration;
    else
        m_rampDuration.reset();
}

void LCMidiVelocity::SetInitialVelocity(unsigned char velocity)
{
    m_nInitialVelocity = velocity & 0x7F;
    if (!DynamicChanges())
        m_nFinalVelocity = m_nInitialVelocity;
}

void LCMidiVelocity::SetFinalVelocity(unsigned char velocity)
{
    m_nFinalVelocity = velocity & 0x7F;
    if (!DynamicChanges())
        m_nInitialVelocity = m_nFinalVelocity;
}

int LCMidiVelocity::DynamicChanges() const
{
    return ECDynamic::HasDuration(m_nDynamicType);
}

float LCMidiVelocity::InitialFloor(float level) const
{
    float floor;
    if (DynamicChanges() && m_nDynamicType != 10)
        // A hairpin starts where the level stands.
        floor = m_fCurrentFloor >= 0.0f ? m_fCurrentFloor
                                        : DCsqDynamic::GetMultiplierForType(kDefaultDynamic) * level;
    else
        floor = DCsqDynamic::GetMultiplierForType(m_nDynamicType) * level;
    return std::clamp(floor, 1.0f, 127.0f);
}

float LCMidiVelocity::InitialRange(float floor, float level)
{
    float range = level / 127.0f * kRangeAtFullLevel;
    if (floor + range > 127.0f)
        range = 127.0f - floor;
    return range < 0.0f ? 0.0f : range;
}

float LCMidiVelocity::FloorChange(float floor, float level) const
{
    const float change = level / 127.0f * (m_nDynamicChange * kDynamicStep);
    if (Decreases(m_nDynamicType))
        return floor - change < 1.0f ? -(floor - 1.0f) : -change;
    return floor + change > 127.0f ? 127.0f - floor : change;
}

void LCMidiVelocity::Prepare()
{
    const float level = GetStaffLevel();
    float floor;
    float range;
    if (m_bExact) {
        floor = m_nInitialVelocity;
        range = 0.0f;
        m_fStartFloor = floor;
        m_fEndFloor = m_nFinalVelocity;
        m_fFloorChange = m_fEndFloor - m_fStartFloor;
        m_fStartRange = m_fEndRange = m_fRangeChange = 0.0f;
    } else {
        floor = InitialFloor(level);
        range = InitialRange(floor, level);
        m_fStartFloor = floor;
        m_fStartRange = range;
        m_fFloorChange = FloorChange(floor, level);
        m_fEndFloor = m_fStartFloor + m_fFloorChange;
        m_fRangeChange = InitialRange(m_fEndFloor, level) - m_fStartRange;
        m_fEndRange = m_fStartRange + m_fRangeChange;
    }
    m_bRampRunning = DynamicChanges();
    m_fCurrentFloor = floor;
    m_fCurrentRange = range;
    m_bPrepared = 1;
}

void LCMidiVelocity::UpdateRamp(const MCTime& t)
{
    if (!m_bRampRunning || !m_rampStart || !m_rampDuration)
        return;
    const float duration = m_rampDuration->GetSeconds();
    if (duration == 0.0f)
        return;
    const float x = (t - *m_rampStart).GetSeconds() / duration;
    if (x >= 1.0f) {
        m_fCurrentFloor = m_fEndFloor;
        m_fCurrentRange = m_fEndRange;
        m_bRampRunning = 0;
        return;
    }
    // A note sounding with the hairpin's start (a chord begun just before it)
    // takes the start level rather than one extrapolated backwards.
    const float along = std::max(x, 0.0f);
    m_fCurrentFloor = m_fStartFloor + along * m_fFloorChange;
    m_fCurrentRange = m_fStartRange + along * m_fRangeChange;
}

int LCMidiVelocity::ScaleVelocity(int velocity) const
{
    if (m_bExact)
        return CutToInt(m_fCurrentFloor, 0, 127);
    return CutToInt(static_cast<float>(velocity) / 127.0f * m_fCurrentRange + m_fCurrentFloor, 1, 127);
}

void LCMidiVelocity::Process(MCMidiMsgVector& messages)
{
    if (!m_bPrepared)
        Prepare();
    for (int i = 0; i < messages.GetSize(); ++i) {
        MidiMessage* message = messages.GetAt(static_cast<unsigned>(i));
        if (!message || !message->m_noteOn.IsNoteOn())
            continue;
        if (m_bRampRunning)
            UpdateRamp(message->m_time);
        message->m_noteOn.SetDataByte2(static_cast<unsigned char>(ScaleVelocity(message->m_noteOn.GetDataByte2())));
    }
}

// ---- LCMidiVolume ---------------------------------------------------------

void LCMidiVolume::Serialize(CArchive& ar)
{
    LCMidiFilter::Serialize(ar);
    if (ar.IsStoring())
        ar.WriteObject(m_pStaff);
    else
        m_pStaff = static_cast<DCsqStaff*>(ar.ReadObject(RUNTIME_CLASS(DCsqStaff)));
}

void LCMidiVolume::Process(MCMidiMsgVector& messages)
{
    // Without a staff there is no factor to apply: the volume passes as written.
    if (!m_pStaff)
        return;
    bool changed = false;
    for (int i = 0; i < messages.GetSize(); ++i) {
        MidiMessage* message = messages.GetAt(static_cast<unsigned>(i));
        if (!message || !message->m_noteOn.IsVolumeMsg())
            continue;
        const unsigned char value = message->m_noteOn.GetDataByte2();
        m_pStaff->SetLastDocumentVolume(value);
        // The written dynamic now sets the level; the mixer's gain still scales it.
        m_pStaff->SetScoreFactor(1.0f);
        const int performed = CutToInt(value * m_pStaff->GetVolumeFactor(), 0, 127);
        m_pStaff->SetLastPerformedVolume(static_cast<unsigned char>(performed));
        message->m_noteOn.SetDataByte2(static_cast<unsigned char>(performed));
        changed = true;
    }
    if (changed)
        SetEnabled(0);
}

