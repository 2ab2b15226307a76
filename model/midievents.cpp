// MIDI events and wave clips, and the fixed names of the MIDI controllers.
#include "model/midievents.h"

#include "model/eventtypes.h"
#include "platform/core/archive.h"
#include "platform/core/format.h"

#include <algorithm>
#include <array>

IMPLEMENT_SERIAL(ECControlChange, ECWithTime, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECBankLSB, ECControlChange, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECBankMSB, ECControlChange, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECChannelMode, ECWithTime, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECChannelPressure, ECWithTime, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECPitchBend, ECWithTime, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECPolyPressure, ECWithTime, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECProgramChange, ECWithTime, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECPan, ECWithTime, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECSystemMessage, ECWithTime, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECWave, ECWithTimeChild, VERSIONABLE_SCHEMA | 2)

namespace {

// The controllers that have a name. These are fixed texts, not entries of the
// string table: lists and dialogs show them as they stand in every language.
struct ControllerName {
    unsigned char number;
    const char* name;
};
constexpr std::array<ControllerName, 34> kControllerNames = {{
    {0, "Bank Change (MSB)"},
    {1, "Mod Wheel (MSB)"},
    {2, "Breath Controller (MSB)"},
    {4, "Foot Controller (MSB)"},
    {5, "Portamento Time (MSB)"},
    {6, "Data Entry (MSB)"},
    {7, "Main Volume (MSB)"},
    {8, "Balance (MSB)"},
    {10, "Panpot (MSB)"},
    {11, "Expression (MSB)"},
    {32, "Bank Change (LSB)"},
    {33, "Modulation (LSB)"},
    {34, "Breath Controller (LSB)"},
    {36, "Foot Controller (LSB)"},
    {37, "Portamento Time (LSB)"},
    {38, "Data Entry (LSB)"},
    {39, "Main Volume (LSB)"},
    {40, "Balance (LSB)"},
    {42, "Panpot (LSB)"},
    {43, "Expression (LSB)"},
    {64, "Damper Pedal"},
    {65, "Portamento"},
    {66, "Sostenuto"},
    {67, "Soft Pedal"},
    {71, "Sound Variation"},
    {72, "Release Time"},
    {73, "Attack Time"},
    {74, "Brightness"},
    {84, "Portamento Control"},
    {91, "FX Send 1 (Reverb)"},
    {92, "FX Send 2 (Tremolo)"},
    {93, "FX Send 3 (Chorus)"},
    {94, "FX Send 4 (Variation)"},
    {95, "FX Send 5 (Phaser)"},
}};

// The name of a controller; empty when it has none.
const char* ControllerNameOf(unsigned char controller) {
    const auto found = std::find_if(kControllerNames.begin(), kControllerNames.end(),
                                    [controller](const ControllerName& c) { return c.number == controller; });
    return found == kControllerNames.end() ? "" : found->name;
}

}  // namespace

// ---- controller changes and the other message events -------------------------------

int ECControlChange::GetClassType() const {
    return ET_CONTROLCHANGE;
}

std::string ECControlChange::GetControllerString(unsigned char controller, int form) {
    switch (form) {
    case CS_NUMBER:
        return Format("%d", controller);
    case CS_NUMBER_AND_NAME:
        return Format("%03d)  %s", controller, ControllerNameOf(controller));
    default:
        return ControllerNameOf(controller);
    }
}

int ECBankLSB::GetClassType() const {
    return ET_BANKLSB;
}

int ECBankMSB::GetClassType() const {
    return ET_BANKMSB;
}

int ECChannelMode::GetClassType() const {
    return ET_CHANNELMODE;
}

int ECChannelPressure::GetClassType() const {
    return ET_CHANNELPRESSURE;
}

int ECPitchBend::GetClassType() const {
    return ET_PITCHBEND;
}

int ECPolyPressure::GetClassType() const {
    return ET_POLYPRESSURE;
}

int ECProgramChange::GetClassType() const {
    return ET_PROGRAMCHANGE;
}

int ECPan::GetClassType() const {
    return ET_PAN;
}

// ---- system messages ---------------------------------------------------------------

int ECSystemMessage::GetClassType() const {
    return ET_SYSTEMMESSAGE;
}

void ECSystemMessage::Serialize(CArchive& ar) {
    ECWithTime::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<BYTE>(m_msgType);
    } else {
        BYTE type = 0;
        ar >> type;
        SetMsgType(type);
    }
}

// ---- wave clips ---------------------------------------------------------------------

ECWave::ECWave() {
    m_time = MCTime::TimeZero();
}

ECWave::ECWave(const std::string& file) : m_fileName(file) {
    m_time = MCTime::TimeZero();
}

ECWave::ECWave(const MCTime& time, const std::string& file) : m_fileName(file) {
    m_time = time;
}

// The duration is left at a new clip's: whoever copies a clip measures it again.
ECWave::ECWave(const ECWave& other) : ECWithTimeChild(other), m_fileName(other.m_fileName) {}

int ECWave::GetClassType() const {
    return ET_WAVE;
}

void ECWave::SetDuration(const MCTime* duration) {
    if (duration)
        m_duration = *duration;
}

void ECWave::Serialize(CArchive& ar) {
    ECWithTimeChild::Serialize(ar);
    if (ar.IsStoring())
        ar << m_fileName;
    else
        ar >> m_fileName;
    SerializeEventTime(ar, m_duration);
}
