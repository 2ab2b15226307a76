// FCMidi and FCMidiSysEx (see midifields.h for the contract).
#include "model/midifields.h"

#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------------------
// FCMidi

FCMidi::~FCMidi() = default;

const FCMidi& FCMidi::MidiNull()
{
    static const FCMidi null;
    return null;
}

void FCMidi::PutByte(int shift, unsigned char value)
{
    m_flags = (m_flags & ~(0xFFu << shift)) | (uint32_t{value} << shift);
}

MIDIWORD FCMidi::GetValue() const
{
    MIDIWORD word;
    word.dwData = m_flags >> 8;   // the top byte comes in as 0
    return word;
}

void FCMidi::SetValue(MIDIWORD word)
{
    SetValue(word.dwData);
}

void FCMidi::SetValue(uint32_t value)
{
    m_flags = (m_flags & 0xFFu) | ((value & 0x00FFFFFFu) << 8);
}

void FCMidi::SetStatusByte(unsigned char status)
{
    PutByte(8, status);
}

void FCMidi::SetStatusMSB(unsigned char msb)
{
    PutByte(8, static_cast<unsigned char>((msb & 0xF0) | (StatusByte() & 0x0F)));
}

void FCMidi::SetStatusLSB(unsigned char lsb)
{
    PutByte(8, static_cast<unsigned char>((StatusByte() & 0xF0) | (lsb & 0x0F)));
}

void FCMidi::SetDataByte1(unsigned char data)
{
    PutByte(16, data & 0x7F);
}

void FCMidi::SetDataByte2(unsigned char data)
{
    PutByte(24, data & 0x7F);
}

unsigned char FCMidi::GetStatusByte() const { return StatusByte(); }
unsigned char FCMidi::GetStatusMSB() const { return StatusByte() & 0xF0; }
int FCMidi::HasData() const { return StatusByte() > 0; }

int FCMidi::IsNote() const
{
    const unsigned char msb = GetStatusMSB();
    return msb == 0x90 || msb == 0x80;
}

int FCMidi::IsNoteOn() const { return GetStatusMSB() == 0x90 && GetDataByte2() > 0; }

int FCMidi::IsNoteOff() const
{
    // A note-on with velocity 0 ends the note as well.
    const unsigned char msb = GetStatusMSB();
    return msb == 0x80 || (msb == 0x90 && GetDataByte2() == 0);
}

int FCMidi::IsPolyPressureMsg() const { return GetStatusMSB() == 0xA0; }
int FCMidi::IsControllerMsg() const { return GetStatusMSB() == 0xB0; }
int FCMidi::IsProgramMsg() const { return GetStatusMSB() == 0xC0; }
int FCMidi::IsChanPressureMsg() const { return GetStatusMSB() == 0xD0; }
int FCMidi::IsPitchBendMsg() const { return GetStatusMSB() == 0xE0; }
int FCMidi::IsVolumeMsg() const { return GetStatusMSB() == 0xB0 && GetDataByte1() == 7; }

int FCMidi::IsChannelMsg() const
{
    const unsigned char status = GetStatusByte();
    return status >= 0x80 && status <= 0xEF;
}

// Only controller 120 (all sound off) counts as channel mode here; the
// controllers 121 to 127 are treated as channel voice messages.
int FCMidi::IsChannelModeMsg() const { return GetStatusMSB() == 0xB0 && GetDataByte1() == 120; }
int FCMidi::IsChannelVoiceMsg() const { return IsChannelMsg() && !IsChannelModeMsg(); }

// F0 opens a system-exclusive message, which FCMidiSysEx holds; it is not
// counted among the system messages of a short field.
int FCMidi::IsSysMsg() const { return GetStatusByte() >= 0xF1; }

int FCMidi::IsSysCommonMsg() const
{
    const unsigned char status = GetStatusByte();
    return status >= 0xF1 && status <= 0xF7;
}

int FCMidi::IsSysRealtimeMsg() const { return GetStatusByte() >= 0xF8; }
int FCMidi::IsSysExMsg() const { return 0; }

// ---------------------------------------------------------------------------
// FCMidiSysEx

namespace {

constexpr unsigned char END_OF_SYSEX = 0xF7;

// The standard messages; byte 2 is the device id and is skipped by the tests.
constexpr unsigned char GM_SYSTEM_ON[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
constexpr unsigned char GM_SYSTEM_OFF[] = {0xF0, 0x7E, 0x7F, 0x09, 0x02, 0xF7};
constexpr unsigned char GS_SYSTEM_ON[] = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40,
                                          0x00, 0x7F, 0x00, 0x41, 0xF7};
constexpr unsigned char XG_SYSTEM_ON[] = {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};
constexpr unsigned char MASTER_VOLUME[] = {0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x00, 0x00, 0xF7};
constexpr unsigned char MASTER_BALANCE[] = {0xF0, 0x7F, 0x7F, 0x04, 0x02, 0x00, 0x00, 0xF7};

} // namespace

FCMidiSysEx::FCMidiSysEx() = default;

FCMidiSysEx::FCMidiSysEx(const FCMidiSysEx& other) : FCMidi(other)
{
    // The flag word (with the length) came with the base; the bytes follow.
    if (other.m_buffer) {
        m_buffer = std::make_unique<unsigned char[]>(other.GetSysExBufLength());
        std::memcpy(m_buffer.get(), other.m_buffer.get(), other.GetSysExBufLength());
    }
}

FCMidiSysEx::FCMidiSysEx(const unsigned char* buf, unsigned length)
{
    SetSysExBuf(const_cast<unsigned char*>(buf), length, 1);
}

FCMidiSysEx::~FCMidiSysEx() = default;

FCMidiSysEx& FCMidiSysEx::operator=(const FCMidiSysEx& other)
{
    if (this != &other) {
        FCMidiSysEx copy(other);
        m_flags = copy.m_flags;
        m_buffer = std::move(copy.m_buffer);
    }
    return *this;
}

void FCMidiSysEx::SetLength(unsigned length)
{
    m_flags = (m_flags & 0x0Fu) | (length << 4);
}

void FCMidiSysEx::Clear()
{
    m_buffer.reset();
    SetLength(0);
}

void FCMidiSysEx::CopyFrom(const unsigned char* buf, unsigned length, bool appendF7)
{
    const unsigned stored = appendF7 ? length + 1 : length;
    auto copy = std::make_unique<unsigned char[]>(stored);
    std::memcpy(copy.get(), buf, length);
    if (appendF7)
        copy[length] = END_OF_SYSEX;
    m_buffer = std::move(copy);
    SetLength(stored);
}

void FCMidiSysEx::SetSysExBuf(unsigned char* buf, unsigned length, int copy)
{
    // The buffer held until now is freed at the end, so that a caller may
    // pass the field's own buffer.
    std::unique_ptr<unsigned char[]> old = std::move(m_buffer);
    if (copy == 0 && buf != nullptr && buf == old.get())
        old.release();   // handed back to us: ownership passes to `adopted`
    std::unique_ptr<unsigned char[]> adopted(copy == 0 ? buf : nullptr);

    const bool refused = buf == nullptr || length == 0 || length > MAX_LENGTH;
    if (refused) {
        Clear();
        return;
    }
    const bool appendF7 = buf[length - 1] != END_OF_SYSEX;
    if (appendF7 && length == MAX_LENGTH) {
        Clear();
        return;
    }
    if (copy == 0 && !appendF7) {
        m_buffer = std::move(adopted);
        SetLength(length);
        return;
    }
    CopyFrom(buf, length, appendF7);
}

unsigned char FCMidiSysEx::GetStatusByte() const { return 0xF0; }
unsigned char FCMidiSysEx::GetStatusMSB() const { return 0xF0; }
int FCMidiSysEx::HasData() const { return GetSysExBufLength() > 0; }
int FCMidiSysEx::IsNote() const { return 0; }
int FCMidiSysEx::IsNoteOn() const { return 0; }
int FCMidiSysEx::IsNoteOff() const { return 0; }
int FCMidiSysEx::IsPolyPressureMsg() const { return 0; }
int FCMidiSysEx::IsControllerMsg() const { return 0; }
int FCMidiSysEx::IsProgramMsg() const { return 0; }
int FCMidiSysEx::IsChanPressureMsg() const { return 0; }
int FCMidiSysEx::IsPitchBendMsg() const { return 0; }
int FCMidiSysEx::IsVolumeMsg() const { return 0; }
int FCMidiSysEx::IsChannelMsg() const { return 0; }
int FCMidiSysEx::IsChannelModeMsg() const { return 0; }
int FCMidiSysEx::IsChannelVoiceMsg() const { return 0; }
int FCMidiSysEx::IsSysMsg() const { return 0; }
int FCMidiSysEx::IsSysCommonMsg() const { return 0; }
int FCMidiSysEx::IsSysRealtimeMsg() const { return 0; }
int FCMidiSysEx::IsSysExMsg() const { return 1; }

template <unsigned N>
int FCMidiSysEx::Matches(const unsigned char (&pattern)[N]) const
{
    if (!m_buffer || GetSysExBufLength() < N)
        return 0;
    for (unsigned i = 0; i < N; ++i) {
        if (i != 2 && m_buffer[i] != pattern[i])
            return 0;
    }
    return 1;
}

int FCMidiSysEx::IsGMSystemOnMsg() const { return Matches(GM_SYSTEM_ON); }
int FCMidiSysEx::IsGMSystemOffMsg() const { return Matches(GM_SYSTEM_OFF); }
int FCMidiSysEx::IsGSSystemOnMsg() const { return Matches(GS_SYSTEM_ON); }
int FCMidiSysEx::IsXGSystemOnMsg() const { return Matches(XG_SYSTEM_ON); }
int FCMidiSysEx::IsMasterVolumeMsg() const { return Matches(MASTER_VOLUME); }
int FCMidiSysEx::IsMasterBalanceMsg() const { return Matches(MASTER_BALANCE); }

template <unsigned N>
void FCMidiSysEx::Build(const unsigned char (&pattern)[N], int byte2, int byte5, int byte6)
{
    unsigned char message[N];
    std::copy(pattern, pattern + N, message);
    message[2] = static_cast<unsigned char>(byte2 & 0x7F);
    if (byte5 >= 0) {
        message[5] = static_cast<unsigned char>(byte5 & 0x7F);
        message[6] = static_cast<unsigned char>(byte6 & 0x7F);
    }
    SetSysExBuf(message, N, 1);
}

void FCMidiSysEx::SetGMSystemOn(int deviceId) { Build(GM_SYSTEM_ON, deviceId); }
void FCMidiSysEx::SetGMSystemOff(int deviceId) { Build(GM_SYSTEM_OFF, deviceId); }
void FCMidiSysEx::SetGSSystemOn(int deviceId) { Build(GS_SYSTEM_ON, deviceId); }
void FCMidiSysEx::SetXGSystemOn(int deviceId) { Build(XG_SYSTEM_ON, deviceId); }

// Byte 2 of the master messages is the device id too; the template's 7F
// (all devices) stays.
void FCMidiSysEx::SetMasterVolume(int value)
{
    Build(MASTER_VOLUME, MASTER_VOLUME[2], value, value >> 7);
}

void FCMidiSysEx::SetMasterBalance(int value)
{
    Build(MASTER_BALANCE, MASTER_BALANCE[2], value, value >> 7);
}
