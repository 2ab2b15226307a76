// FCMidi: the message in the flag word and every message-kind test;
// FCMidiSysEx: buffer ownership, the added F7, the standard messages.
#include "model/midifields.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

FCMidi Message(uint8_t status, uint8_t data1, uint8_t data2)
{
    return FCMidi(uint32_t{status} | (uint32_t{data1} << 8) | (uint32_t{data2} << 16));
}

std::vector<uint8_t> Bytes(const FCMidiSysEx& sysEx)
{
    const unsigned char* buf = sysEx.GetSysExBuf();
    return buf ? std::vector<uint8_t>(buf, buf + sysEx.GetSysExBufLength()) : std::vector<uint8_t>();
}

} // namespace

TEST(FCMidi, MessageBytesShareTheFlagWord)
{
    FCMidi midi;
    EXPECT_EQ(midi.GetStatusByte(), 0);
    EXPECT_EQ(midi.HasData(), 0);
    EXPECT_EQ(midi.IsDirty(), 1);

    MIDIWORD word;
    word.dwData = 0xEE403C91;           // the fourth byte is not stored
    midi = word;
    midi.SetOverride(1);
    EXPECT_EQ(midi.GetStatusByte(), 0x91);
    EXPECT_EQ(midi.GetDataByte1(), 0x3C);
    EXPECT_EQ(midi.GetDataByte2(), 0x40);
    EXPECT_EQ(midi.GetValue().dwData, 0x00403C91u);
    EXPECT_EQ(midi.IsDirty(), 1);
    EXPECT_EQ(midi.IsOverride(), 1);

    midi.SetDataByte1(200);             // data bytes keep 7 bits
    EXPECT_EQ(midi.GetDataByte1(), 72);
    midi.SetDataByte2(0xFF);
    EXPECT_EQ(midi.GetDataByte2(), 0x7F);
    midi.SetStatusMSB(0xB5);            // upper nibble only; the channel stays
    EXPECT_EQ(midi.GetStatusByte(), 0xB1);
    midi.SetStatusLSB(0x2F);
    EXPECT_EQ(midi.GetStatusByte(), 0xBF);
    EXPECT_EQ(midi.GetStatusLSB(), 0x0F);
    EXPECT_EQ(midi.GetStatusMSB(), 0xB0);
    EXPECT_EQ(midi.IsOverride(), 1);    // none of the setters touched the flags

    EXPECT_EQ(FCMidi::MidiNull().GetValue().dwData, 0u);
    EXPECT_EQ(FCMidi::MidiNull().HasData(), 0);
}

TEST(FCMidi, MessageKinds)
{
    enum : unsigned {
        NOTE = 1 << 0, ON = 1 << 1, OFF = 1 << 2, POLY = 1 << 3, CTRL = 1 << 4, PROG = 1 << 5,
        CHANPRESS = 1 << 6, BEND = 1 << 7, VOL = 1 << 8, CHAN = 1 << 9, MODE = 1 << 10,
        VOICE = 1 << 11, SYS = 1 << 12, COMMON = 1 << 13, REALTIME = 1 << 14,
    };
    const struct { uint8_t status, data1, data2; unsigned kinds; } cases[] = {
        {0x90, 0x3C, 0x40, NOTE | ON | CHAN | VOICE},
        {0x90, 0x3C, 0x00, NOTE | OFF | CHAN | VOICE},       // velocity 0 ends the note
        {0x80, 0x3C, 0x40, NOTE | OFF | CHAN | VOICE},
        {0xA3, 0x3C, 0x10, POLY | CHAN | VOICE},
        {0xB0, 0x07, 0x64, CTRL | VOL | CHAN | VOICE},
        {0xB0, 0x78, 0x00, CTRL | CHAN | MODE},              // 120 is channel mode
        {0xB0, 0x79, 0x00, CTRL | CHAN | VOICE},             // 121 is not
        {0xCF, 0x05, 0x00, PROG | CHAN | VOICE},
        {0xD2, 0x20, 0x00, CHANPRESS | CHAN | VOICE},
        {0xEF, 0x00, 0x40, BEND | CHAN | VOICE},
        {0xF0, 0x00, 0x00, 0},                               // F0 is no system message here
        {0xF1, 0x00, 0x00, SYS | COMMON},
        {0xF7, 0x00, 0x00, SYS | COMMON},
        {0xF8, 0x00, 0x00, SYS | REALTIME},
        {0xFF, 0x00, 0x00, SYS | REALTIME},
        {0x00, 0x00, 0x00, 0},
    };
    for (const auto& c : cases) {
        const FCMidi m = Message(c.status, c.data1, c.data2);
        const auto at = ::testing::Message() << std::hex << int(c.status) << " " << int(c.data1) << " "
                                             << int(c.data2);
        EXPECT_EQ(m.IsNote() != 0, (c.kinds & NOTE) != 0) << at;
        EXPECT_EQ(m.IsNoteOn() != 0, (c.kinds & ON) != 0) << at;
        EXPECT_EQ(m.IsNoteOff() != 0, (c.kinds & OFF) != 0) << at;
        EXPECT_EQ(m.IsPolyPressureMsg() != 0, (c.kinds & POLY) != 0) << at;
        EXPECT_EQ(m.IsControllerMsg() != 0, (c.kinds & CTRL) != 0) << at;
        EXPECT_EQ(m.IsProgramMsg() != 0, (c.kinds & PROG) != 0) << at;
        EXPECT_EQ(m.IsChanPressureMsg() != 0, (c.kinds & CHANPRESS) != 0) << at;
        EXPECT_EQ(m.IsPitchBendMsg() != 0, (c.kinds & BEND) != 0) << at;
        EXPECT_EQ(m.IsVolumeMsg() != 0, (c.kinds & VOL) != 0) << at;
        EXPECT_EQ(m.IsChannelMsg() != 0, (c.kinds & CHAN) != 0) << at;
        EXPECT_EQ(m.IsChannelModeMsg() != 0, (c.kinds & MODE) != 0) << at;
        EXPECT_EQ(m.IsChannelVoiceMsg() != 0, (c.kinds & VOICE) != 0) << at;
        EXPECT_EQ(m.IsSysMsg() != 0, (c.kinds & SYS) != 0) << at;
        EXPECT_EQ(m.IsSysCommonMsg() != 0, (c.kinds & COMMON) != 0) << at;
        EXPECT_EQ(m.IsSysRealtimeMsg() != 0, (c.kinds & REALTIME) != 0) << at;
        EXPECT_EQ(m.IsSysExMsg(), 0) << at;
    }
}

TEST(FCMidiSysEx, IsASystemExclusiveMessageOfItsLength)
{
    FCMidiSysEx sysEx;
    const FCMidi& asMidi = sysEx;       // the answers come through the base's slots
    EXPECT_EQ(asMidi.HasData(), 0);
    EXPECT_EQ(sysEx.GetSysExBuf(), nullptr);
    sysEx.SetGMSystemOn(0x7F);
    EXPECT_EQ(asMidi.GetStatusByte(), 0xF0);
    EXPECT_EQ(asMidi.GetStatusMSB(), 0xF0);
    EXPECT_EQ(asMidi.HasData(), 1);
    EXPECT_EQ(asMidi.IsSysExMsg(), 1);
    EXPECT_EQ(asMidi.IsSysMsg(), 0);
    EXPECT_EQ(asMidi.IsChannelMsg(), 0);
    EXPECT_EQ(asMidi.IsNoteOff(), 0);

    // The length sits above the four flag bits; the flags still work.
    sysEx.SetDirty(0);
    sysEx.SetOverride(1);
    EXPECT_EQ(sysEx.GetSysExBufLength(), 6u);
    EXPECT_EQ(sysEx.IsOverride(), 1);
    EXPECT_EQ(sysEx.IsDirty(), 0);
}

TEST(FCMidiSysEx, SetSysExBufEndsEveryMessageWithF7)
{
    unsigned char open[] = {0xF0, 0x01, 0x02};
    FCMidiSysEx sysEx;
    sysEx.SetSysExBuf(open, 3, 1);
    EXPECT_EQ(Bytes(sysEx), (std::vector<uint8_t>{0xF0, 0x01, 0x02, 0xF7}));
    EXPECT_NE(sysEx.GetSysExBuf(), open);

    unsigned char closed[] = {0xF0, 0x01, 0xF7};
    sysEx.SetSysExBuf(closed, 3, 1);
    EXPECT_EQ(Bytes(sysEx), (std::vector<uint8_t>{0xF0, 0x01, 0xF7}));

    // Null or empty leaves nothing behind, not even the old length.
    sysEx.SetSysExBuf(nullptr, 5, 1);
    EXPECT_EQ(sysEx.GetSysExBufLength(), 0u);
    EXPECT_EQ(sysEx.GetSysExBuf(), nullptr);
    sysEx.SetSysExBuf(closed, 3, 1);
    sysEx.SetSysExBuf(closed, 0, 1);
    EXPECT_EQ(sysEx.GetSysExBufLength(), 0u);
    EXPECT_EQ(sysEx.HasData(), 0);
}

TEST(FCMidiSysEx, HandedOverBuffersAreKeptOrCopiedAndFreed)
{
    // These run under the sanitizers and leak checkers as well: each buffer
    // handed over must be freed exactly once by the field.
    FCMidiSysEx sysEx;
    auto* closed = new unsigned char[3]{0xF0, 0x05, 0xF7};
    sysEx.SetSysExBuf(closed, 3, 0);
    EXPECT_EQ(sysEx.GetSysExBuf(), closed);    // kept as it is

    auto* open = new unsigned char[2]{0xF0, 0x05};
    sysEx.SetSysExBuf(open, 2, 0);             // copied with its F7, then freed
    EXPECT_EQ(Bytes(sysEx), (std::vector<uint8_t>{0xF0, 0x05, 0xF7}));

    // The field's own buffer handed back to it.
    const unsigned char* own = sysEx.GetSysExBuf();
    sysEx.SetSysExBuf(const_cast<unsigned char*>(own), sysEx.GetSysExBufLength(), 0);
    EXPECT_EQ(sysEx.GetSysExBuf(), own);
    sysEx.SetSysExBuf(const_cast<unsigned char*>(sysEx.GetSysExBuf()), 2, 1);
    EXPECT_EQ(Bytes(sysEx), (std::vector<uint8_t>{0xF0, 0x05, 0xF7}));

    sysEx.SetSysExBuf(new unsigned char[4]{1, 2, 3, 4}, 0, 0);   // refused: freed
    EXPECT_EQ(sysEx.GetSysExBuf(), nullptr);

    // Copies own their buffers.
    sysEx.SetGSSystemOn(0x10);
    FCMidiSysEx copy(sysEx);
    FCMidiSysEx assigned;
    assigned = sysEx;
    sysEx.SetGMSystemOff(0);
    EXPECT_NE(copy.GetSysExBuf(), sysEx.GetSysExBuf());
    EXPECT_EQ(copy.IsGSSystemOnMsg(), 1);
    EXPECT_EQ(Bytes(assigned), Bytes(copy));

    const unsigned char raw[] = {0xF0, 0x7E, 0x00, 0x09, 0x01};
    const FCMidiSysEx fromBytes(raw, 5);
    EXPECT_EQ(fromBytes.GetSysExBufLength(), 6u);
    EXPECT_EQ(fromBytes.IsGMSystemOnMsg(), 1);
}

TEST(FCMidiSysEx, StandardMessages)
{
    using Builder = void (FCMidiSysEx::*)(int);
    const struct {
        const char* name;
        Builder build;
        int argument;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"GM on", &FCMidiSysEx::SetGMSystemOn, 0x85, {0xF0, 0x7E, 0x05, 0x09, 0x01, 0xF7}},
        {"GM off", &FCMidiSysEx::SetGMSystemOff, 0x7F, {0xF0, 0x7E, 0x7F, 0x09, 0x02, 0xF7}},
        {"GS on", &FCMidiSysEx::SetGSSystemOn, 0x10,
         {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}},
        {"XG on", &FCMidiSysEx::SetXGSystemOn, 0x01, {0xF0, 0x43, 0x01, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}},
        {"volume", &FCMidiSysEx::SetMasterVolume, 0x3FFF, {0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x7F, 0x7F, 0xF7}},
        {"balance", &FCMidiSysEx::SetMasterBalance, 0x2001,
         {0xF0, 0x7F, 0x7F, 0x04, 0x02, 0x01, 0x40, 0xF7}},
    };
    for (const auto& c : cases) {
        FCMidiSysEx sysEx;
        (sysEx.*c.build)(c.argument);
        EXPECT_EQ(Bytes(sysEx), c.bytes) << c.name;
    }

    // The tests skip the device id (byte 2) only, need the whole template and
    // accept a longer buffer.
    const struct {
        std::vector<uint8_t> bytes;
        int gmOn, gmOff, gsOn, xgOn, volume, balance;
    } tests[] = {
        {{0xF0, 0x41, 0x11, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}, 0, 0, 1, 0, 0, 0},
        {{0xF0, 0x41, 0x11, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x42, 0xF7}, 0, 0, 0, 0, 0, 0},
        {{0xF0, 0x7E, 0x00, 0x09, 0x01, 0xF7, 0x00}, 1, 0, 0, 0, 0, 0},
        {{0xF0, 0x7E, 0x00, 0x09, 0x02, 0xF7}, 0, 1, 0, 0, 0, 0},
        {{0xF0, 0x43, 0x00, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}, 0, 0, 0, 1, 0, 0},
        {{0xF0, 0x7F, 0x00, 0x04, 0x01, 0x00, 0x00, 0xF7}, 0, 0, 0, 0, 1, 0},
        {{0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x7F, 0x7F, 0xF7}, 0, 0, 0, 0, 0, 0},   // only the value 0 matches
        {{0xF0, 0x7F, 0x7F, 0x04, 0x02, 0x00, 0x00, 0xF7}, 0, 0, 0, 0, 0, 1},
        {{0xF0, 0x7E, 0x7F, 0x09}, 0, 0, 0, 0, 0, 0},   // shorter than any template (F7 added: 5 bytes)
    };
    for (const auto& t : tests) {
        std::vector<uint8_t> bytes = t.bytes;
        const FCMidiSysEx sysEx(bytes.data(), static_cast<unsigned>(bytes.size()));
        const auto at = ::testing::Message() << "bytes " << ::testing::PrintToString(t.bytes);
        EXPECT_EQ(sysEx.IsGMSystemOnMsg(), t.gmOn) << at;
        EXPECT_EQ(sysEx.IsGMSystemOffMsg(), t.gmOff) << at;
        EXPECT_EQ(sysEx.IsGSSystemOnMsg(), t.gsOn) << at;
        EXPECT_EQ(sysEx.IsXGSystemOnMsg(), t.xgOn) << at;
        EXPECT_EQ(sysEx.IsMasterVolumeMsg(), t.volume) << at;
        EXPECT_EQ(sysEx.IsMasterBalanceMsg(), t.balance) << at;
    }
}
