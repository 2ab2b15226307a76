#include "sequencer/midimessage.h"

#include "model/conductorcache.h"
#include "platform/core/format.h"

#include <algorithm>
#include <stdexcept>

// ---- MidiMessage ----------------------------------------------------------------

std::atomic<int> MidiMessage::s_nAlive{0};

MidiMessage::MidiMessage() {
    s_nAlive.fetch_add(1, std::memory_order_relaxed);
}

MidiMessage::MidiMessage(const MidiMessage& other)
    : m_time(other.m_time),
      m_voiceTrack(other.m_voiceTrack),
      m_sysEx(other.m_sysEx),
      m_noteOn(other.m_noteOn),
      m_noteOff(other.m_noteOff),
      m_duration(other.m_duration) {
    s_nAlive.fetch_add(1, std::memory_order_relaxed);
}

MidiMessage& MidiMessage::operator=(const MidiMessage& other) {
    if (this == &other)
        return *this;
    m_time = other.m_time;
    m_voiceTrack = other.m_voiceTrack;
    m_sysEx = other.m_sysEx;
    // The words keep their own flag bits: only the bytes travel.
    m_noteOn.SetValue(other.m_noteOn.GetValue());
    m_noteOff.SetValue(other.m_noteOff.GetValue());
    m_duration = other.m_duration;
    return *this;
}

MidiMessage::~MidiMessage() {
    s_nAlive.fetch_sub(1, std::memory_order_relaxed);
}

// ---- MCMidiMsgVector -------------------------------------------------------------

MCMidiMsgVector::MCMidiMsgVector() {
    m_messages.reserve(100);
}

MCMidiMsgVector::~MCMidiMsgVector() {
    RemoveAll();
}

MidiMessage* MCMidiMsgVector::GetAt(unsigned index) const {
    return index < m_messages.size() ? m_messages[index].get() : nullptr;
}

void MCMidiMsgVector::GrowTo(unsigned index) {
    if (index > MAX_INDEX)
        throw std::out_of_range("MCMidiMsgVector: index beyond the count's range");
    if (index >= m_messages.size())
        m_messages.resize(size_t{index} + 1);
}

void MCMidiMsgVector::SetAt(unsigned index, std::unique_ptr<MidiMessage> message) {
    if (index < m_messages.size()) {
        m_messages[index] = std::move(message);   // the old message is deleted here
        return;
    }
    if (!message)
        return;
    GrowTo(index);
    m_messages[index] = std::move(message);
}

void MCMidiMsgVector::InsertAt(unsigned index, std::unique_ptr<MidiMessage> message) {
    if (index < m_messages.size()) {
        m_messages.insert(m_messages.begin() + index, std::move(message));
        return;
    }
    GrowTo(index);
    m_messages[index] = std::move(message);
}

void MCMidiMsgVector::Add(std::unique_ptr<MidiMessage> message) {
    if (!message)
        return;
    GrowTo(static_cast<unsigned>(m_messages.size()));
    m_messages.back() = std::move(message);
}

void MCMidiMsgVector::RemoveAt(int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_messages.size())
        return;
    m_messages.erase(m_messages.begin() + index);
}

void MCMidiMsgVector::FreeAbove(unsigned index) {
    // Compared wide: an empty vector (count - 1 = -1) keeps nothing to free.
    while (static_cast<long long>(m_messages.size()) - 1 > static_cast<long long>(index))
        m_messages.pop_back();
}

void MCMidiMsgVector::RemoveAll() {
    while (!m_messages.empty())
        m_messages.pop_back();
}

// ---- MCMidiParse: names ----------------------------------------------------------

namespace {

// Controllers 0-31; 32-63 are the same with "LSB" for "MSB".
const char* const kCoarseNames[32] = {
    "Bank Select      MSB", "Modulation Wheel MSB", "Breath Ctrl.     MSB", "Undefined Ctrl.  MSB",
    "Foot Controller  MSB", "Portamento Time  MSB", "Data Entry       MSB", "Volume           MSB",
    "Balance          MSB", "Undefined Ctrl.  MSB", "Pan              MSB", "Expression Ctrl. MSB",
    "Effect 1         MSB", "Effect 2         MSB", "Undefined Ctrl.  MSB", "Undefined Ctrl.  MSB",
    "Gen. Purpose 1   MSB", "Gen. Purpose 2   MSB", "Gen. Purpose 3   MSB", "Gen. Purpose 4   MSB",
    "Undefined Ctrl.  MSB", "Undefined Ctrl.  MSB", "Undefined Ctrl.  MSB", "Undefined Ctrl.  MSB",
    "Undefined Ctrl.  MSB", "Undefined Ctrl.  MSB", "Undefined Ctrl.  MSB", "Undefined Ctrl.  MSB",
    "Undefined Ctrl.  MSB", "Undefined Ctrl.  MSB", "Undefined Ctrl.  MSB", "Undefined Ctrl.  MSB",
};

const char* const kFineNames[32] = {
    "Bank Select      LSB", "Modulation Wheel LSB", "Breath Ctrl.     LSB", "Undefined Ctrl.  LSB",
    "Foot Controller  LSB", "Portamento Time  LSB", "Data Entry       LSB", "Volume           LSB",
    "Balance          LSB", "Undefined Ctrl.  LSB", "Pan              LSB", "Expression Ctrl. LSB",
    "Effect 1         LSB", "Effect 2         LSB", "Undefined Ctrl.  LSB", "Undefined Ctrl.  LSB",
    "Gen. Purpose 1   LSB", "Gen. Purpose 2   LSB", "Gen. Purpose 3   LSB", "Gen. Purpose 4   LSB",
    "Undefined Ctrl.  LSB", "Undefined Ctrl.  LSB", "Undefined Ctrl.  LSB", "Undefined Ctrl.  LSB",
    "Undefined Ctrl.  LSB", "Undefined Ctrl.  LSB", "Undefined Ctrl.  LSB", "Undefined Ctrl.  LSB",
    "Undefined Ctrl.  LSB", "Undefined Ctrl.  LSB", "Undefined Ctrl.  LSB", "Undefined Ctrl.  LSB",
};

// Controllers 64-127: switches, sound controllers, data steps, parameter
// numbers and the channel-mode messages.
const char* const kSwitchNames[64] = {
    "Damper Pedal        ", "Portamento Switch   ", "Sostenuto           ", "Soft Pedal          ",
    "Legato Footswitch   ", "Hold 2              ", "Sound Variation     ", "Sound Timbre        ",
    "Sound Release Time  ", "Sound Attack Time   ", "Sound Brightness    ", "Sound Ctrl. 6       ",
    "Sound Ctrl. 7       ", "Sound Ctrl. 8       ", "Sound Ctrl. 9       ", "Sound Ctrl. 10      ",
    "General Purpose 5   ", "General Purpose 6   ", "General Purpose 7   ", "General Purpose 8   ",
    "Portamento Control  ", "Undefined Ctrl.     ", "Undefined Ctrl.     ", "Undefined Ctrl.     ",
    "Undefined Ctrl.     ", "Undefined Ctrl.     ", "Undefined Ctrl.     ", "Effect 1 Depth      ",
    "Effect 2 Depth      ", "Effect 3 Depth      ", "Effect 4 Depth      ", "Effect 5 Depth      ",
    "Data Increment      ", "Data Decrement      ", "NRPN LSB            ", "NRPN MSB            ",
    "RPN LSB             ", "PRN MSB             ", "Undefined Ctrl.     ", "Undefined Ctrl.     ",
    "Undefined Ctrl.     ", "Undefined Ctrl.     ", "Undefined Ctrl.     ", "Undefined Ctrl.     ",
    "Undefined Ctrl.     ", "Undefined Ctrl.     ", "Undefined Ctrl.     ", "Undefined Ctrl.     ",
    "Undefined Ctrl.     ", "Undefined Ctrl.     ", "Undefined Ctrl.     ", "Undefined Ctrl.     ",
    "Undefined Ctrl.     ", "Undefined Ctrl.     ", "Undefined Ctrl.     ", "Undefined Ctrl.     ",
    "All Sound Off       ", "Reset Controllers   ", "Local Control       ", "All Notes Off       ",
    "Omni Mode Off       ", "Omni Mode On        ", "Poly Mode Off       ", "Poly Mode On        ",
};

// What a controller without a name shows: what the C library prints for a
// missing string. Only a word made from raw bytes can carry such a number.
constexpr const char* kNoName = "(null)";

// The bytes shown of a system-exclusive buffer; the rest is counted.
constexpr unsigned kSysExShown = 20;

std::atomic<MCMidiParse::ConductorCacheLookup> s_cacheLookup{nullptr};

}  // namespace

const char* MCMidiParse::GetControllerName(unsigned controller) {
    if (controller < 32)
        return kCoarseNames[controller];
    if (controller < 64)
        return kFineNames[controller - 32];
    if (controller < 128)
        return kSwitchNames[controller - 64];
    return nullptr;
}

MCMidiParse::ConductorCacheLookup MCMidiParse::SetConductorCacheLookup(ConductorCacheLookup lookup) {
    return s_cacheLookup.exchange(lookup);
}

// ---- MCMidiParse: text -----------------------------------------------------------

MCMidiParse::MCMidiParse() {
    m_line.reserve(256);
}

MCMidiParse::MCMidiParse(CSequence* sequence) : m_pSequence(sequence) {
    m_line.reserve(256);
}

MCMidiParse::MCMidiParse(const MCMidiParse& other)
    : m_message(other.m_message), m_line(other.m_line), m_pSequence(other.m_pSequence) {
    m_line.reserve(256);
}

MCMidiParse& MCMidiParse::operator=(const MCMidiParse& other) {
    m_message = other.m_message;
    m_line = other.m_line;
    m_pSequence = other.m_pSequence;
    return *this;
}

const std::string& MCMidiParse::ParseMidi(const FCMidi& midi) {
    const unsigned char status = midi.GetStatusByte();
    if (status >= 0xF0)
        ParseSystemMessage(midi);
    else if (status >= 0x80)
        ParseChannelMessage(midi);
    // Below 0x80 there is no status byte: the previous text stays.
    return m_message;
}

void MCMidiParse::ParseChannelMessage(const FCMidi& midi) {
    const unsigned status = midi.GetStatusByte();
    const unsigned data1 = midi.GetDataByte1();
    const unsigned data2 = midi.GetDataByte2();
    const int channel = static_cast<int>(status & 0x0F) + 1;
    const int d1 = static_cast<int>(data1);
    const int d2 = static_cast<int>(data2);

    switch (status & 0xF0) {
    case 0x80:
        m_message = Format("%02X %02X %02X -- Note OFF             ch %2d key %3d rel %3d", status, data1,
                           data2, channel, d1, d2);
        break;
    case 0x90:
        if (data2 != 0)
            m_message = Format("%02X %02X %02X -- Note ON              ch %2d key %3d vel %3d", status, data1,
                               data2, channel, d1, d2);
        else
            m_message = Format("%02X %02X %02X -- Note OFF             ch %2d key %3d", status, data1, data2,
                               channel, d1);
        break;
    case 0xA0:
        m_message = Format("%02X %02X %02X -- Poly Pressure        ch %2d key %3d prs %3d", status, data1,
                           data2, channel, d1, d2);
        break;
    case 0xB0: {
        const char* name = GetControllerName(data1);
        m_message = Format("%02X %02X %02X -- %s ch %2d typ %3d val %3d", status, data1, data2,
                           name != nullptr ? name : kNoName, channel, d1, d2);
        break;
    }
    case 0xC0:
        m_message = Format("%02X %02X %02X -- Program Change       ch %2d prg %3d", status, data1, data2,
                           channel, d1);
        break;
    case 0xD0:
        m_message = Format("%02X %02X %02X -- Channel Pressure     ch %2d prs %3d", status, data1, data2,
                           channel, d1);
        break;
    case 0xE0: {
        const int bend = d2 * 128 + d1;
        m_message = Format("%02X %02X %02X -- Pitch Bend           ch %2d bnd %5d (%+5d)", status, data1,
                           data2, channel, bend, bend - 8192);
        break;
    }
    }
}

void MCMidiParse::ParseSystemMessage(const FCMidi& midi) {
    const unsigned status = midi.GetStatusByte();
    const unsigned data1 = midi.GetDataByte1();
    const unsigned data2 = midi.GetDataByte2();
    const int d1 = static_cast<int>(data1);
    const int d2 = static_cast<int>(data2);

    // The messages that show nothing but their name.
    const char* name = nullptr;
    switch (status) {
    case 0xF0:
        ParseSysEx(midi);
        return;
    case 0xF1:
        m_message = Format("%02X %02X %02X -- Time Code Qrtr. Frm. type %d val %d", status, data1, data2,
                           (d1 >> 4) & 7, d1 & 15);
        return;
    case 0xF2:
        m_message = Format("%02X %02X %02X -- Song Position Ptr.   lsb %3d msb %3d", status, data1, data2, d1,
                           d2);
        return;
    case 0xF3:
        m_message = Format("%02X %02X %02X -- Song Select          sng %3d", status, data1, data2, d1);
        return;
    case 0xF4:
    case 0xF5: name = "Undefined Sys/Common"; break;
    case 0xF6: name = "Tune Request         "; break;
    case 0xF7: name = "ERROR: End of Sys/Ex "; break;
    case 0xF8: name = "Timing Clock"; break;
    case 0xF9: name = "Undefined Sys/Realtime"; break;
    case 0xFA: name = "Start"; break;
    case 0xFB: name = "Continue"; break;
    case 0xFC: name = "Stop"; break;
    case 0xFD: name = "Undefine Sys/Realtime"; break;
    case 0xFE: name = "Active Sensing"; break;
    default: name = "System Reset"; break;   // 0xFF
    }
    m_message = Format("%02X %02X %02X -- %s", status, data1, data2, name);
}

void MCMidiParse::ParseSysEx(const FCMidi& midi) {
    // A plain word with status F0 carries no buffer: it shows as a message
    // without bytes.
    static const FCMidiSysEx kEmpty;
    const auto* found = dynamic_cast<const FCMidiSysEx*>(&midi);
    const FCMidiSysEx& sysEx = found != nullptr ? *found : kEmpty;

    if (sysEx.IsGMSystemOnMsg())
        m_message = "Sys/Ex      General MIDI ON:     ";
    else if (sysEx.IsGMSystemOffMsg())
        m_message = "Sys/Ex      General MIDI OFF:    ";
    else if (sysEx.IsGSSystemOnMsg())
        m_message = "Sys/Ex      Roland GS ON    :    ";
    else if (sysEx.IsXGSystemOnMsg())
        m_message = "Sys/Ex      Yamaha XG ON:        ";
    else if (sysEx.IsMasterVolumeMsg())
        m_message = "Sys/Ex      Master Volume:       ";
    else if (sysEx.IsMasterBalanceMsg())
        m_message = "Sys/Ex      Master Balance:      ";
    else
        m_message = "Sys/Ex      Message:             ";

    const unsigned length = sysEx.GetSysExBufLength();
    const unsigned char* bytes = sysEx.GetSysExBuf();
    const unsigned shown = bytes != nullptr ? std::min(length, kSysExShown) : 0;
    for (unsigned i = 0; i < shown; ++i)
        m_message += Format("%02X ", unsigned{bytes[i]});
    if (length > kSysExShown)
        m_message += Format("...(%d more bytes)", static_cast<int>(length - kSysExShown));
}

const std::string& MCMidiParse::ParseMidi(const MCTime& time, const MCVoiceTrack& voiceTrack, unsigned number,
                                          const FCMidi& midi) {
    ParseMidi(midi);
    // GetTrack and GetVoice answer 2047 and 15 for a converted word.
    const int track = voiceTrack.GetTrack();
    const int voice = voiceTrack.GetVoice();
    const int shownNumber = static_cast<int>(number);

    const ConductorCacheLookup lookup = s_cacheLookup.load();
    MCConductorCache* cache = (m_pSequence != nullptr && lookup != nullptr) ? lookup(m_pSequence) : nullptr;
    if (cache != nullptr) {
        const MCTime bpt = cache->BarPulseTick(time, MCTime::GlobalPPQ);
        const BPTTime& at = bpt.GetBarPulseTick();
        m_line.assign(Format("%3d:%2d:%3d -- trk %2d(%d) -- %d: %s", at.bar, at.pulse, at.tick, track,
                             voice, shownNumber, m_message.c_str()));
    } else {
        m_line.assign(Format("%f trk %2d(%d) -- %d: %s", static_cast<double>(time.GetSeconds()), track,
                             voice, shownNumber, m_message.c_str()));
    }
    return m_line;
}
