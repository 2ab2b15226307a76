// The ALSA sequencer backend: MIDI bytes to sequencer events and back for every
// kind of message, input decoding (exclusive in pieces, 14-bit controllers,
// parameters), and the backend on a machine without a sequencer (no devices, no
// failure, nothing printed) or, where there is one, its client.
#include "platform/devices/alsa.h"

#include "platform/devices/portavel.h"
#include "tests/platform/devices/device_support.h"

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Everything a decoder delivers, message by message.
std::vector<Bytes> Decode(CSeqEventDecoder& decoder, const snd_seq_event_t& event) {
    std::vector<Bytes> messages;
    decoder.Decode(event, [&](const std::uint8_t* bytes, std::size_t length) {
        messages.emplace_back(bytes, bytes + length);
    });
    return messages;
}

snd_seq_event_t SysExPiece(const Bytes& bytes) {
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    snd_seq_ev_set_sysex(&event, static_cast<unsigned>(bytes.size()), const_cast<std::uint8_t*>(bytes.data()));
    return event;
}

snd_seq_event_t Encoded(const Bytes& bytes) {
    snd_seq_event_t event;
    EXPECT_TRUE(MidiToSeqEvent(bytes.data(), bytes.size(), event));
    return event;
}

// A sink that keeps nothing; the backend must not call it here anyway.
using device_test::NullSink;

bool HaveSequencer() {
    return std::filesystem::exists("/dev/snd/seq");
}

}  // namespace

TEST(AlsaEvents, EveryMessageKindSurvivesTheRoundTrip) {
    const Bytes messages[] = {
        {0x80, 60, 64}, {0x9F, 127, 1}, {0x90, 0, 0}, {0xA3, 61, 99}, {0xB0, 7, 100}, {0xB9, 121, 0},
        {0xC5, 42}, {0xD2, 77},
        {0xE0, 0x00, 0x40},    // centre
        {0xE1, 0x00, 0x00},    // lowest
        {0xE2, 0x7F, 0x7F},    // highest
        {0xE3, 0x01, 0x20},
        {0xF1, 0x35}, {0xF2, 0x10, 0x7F}, {0xF3, 5}, {0xF6},
        {0xF8}, {0xFA}, {0xFB}, {0xFC}, {0xFE}, {0xFF},
        {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7},
    };
    for (const auto& message : messages) {
        const auto event = Encoded(message);
        CSeqEventDecoder decoder;
        const auto back = Decode(decoder, event);
        ASSERT_EQ(back.size(), 1u) << int(message[0]);
        EXPECT_EQ(back[0], message) << int(message[0]);
    }
}

TEST(AlsaEvents, WhatTheSequencerSeesOfAMessage) {
    snd_seq_event_t event;
    const std::uint8_t bend[] = {0xE4, 0x00, 0x00};
    ASSERT_TRUE(MidiToSeqEvent(bend, 3, event));
    EXPECT_EQ(event.type, SND_SEQ_EVENT_PITCHBEND);
    EXPECT_EQ(event.data.control.channel, 4);
    EXPECT_EQ(event.data.control.value, -8192);   // the sequencer's bend is signed
    const std::uint8_t note[] = {0x93, 60, 100, 0x55};   // bytes past the message are not read
    ASSERT_TRUE(MidiToSeqEvent(note, 4, event));
    EXPECT_EQ(event.type, SND_SEQ_EVENT_NOTEON);
    EXPECT_EQ(event.data.note.channel, 3);
    EXPECT_EQ(event.data.note.note, 60);
    EXPECT_EQ(event.data.note.velocity, 100);
    const std::uint8_t sysex[] = {0xF0, 0x43, 0x10, 0xF7};
    ASSERT_TRUE(MidiToSeqEvent(sysex, 4, event));
    EXPECT_EQ(event.type, SND_SEQ_EVENT_SYSEX);
    EXPECT_EQ(event.flags & SND_SEQ_EVENT_LENGTH_MASK, SND_SEQ_EVENT_LENGTH_VARIABLE);
    EXPECT_EQ(event.data.ext.len, 4u);
    EXPECT_EQ(event.data.ext.ptr, static_cast<const void*>(sysex));
}

TEST(AlsaEvents, BytesThatAreNoWholeMessageAreRefused) {
    const Bytes refused[] = {
        {},                      // nothing
        {0x40, 0x40},            // no status
        {0x90, 60},              // cut short
        {0xC0},
        {0xB0, 0x80, 0},         // a status where data belongs
        {0xF2, 0x10},
        {0xF4}, {0xF5}, {0xF9}, {0xFD},   // undefined system bytes
        {0xF7},
        {0xF0, 0x43, 0x10},      // an exclusive without its end
        {0xF0},
    };
    for (const auto& bytes : refused) {
        snd_seq_event_t event;
        EXPECT_FALSE(MidiToSeqEvent(bytes.data(), bytes.size(), event)) << (bytes.empty() ? -1 : int(bytes[0]));
    }
    snd_seq_event_t event;
    EXPECT_FALSE(MidiToSeqEvent(nullptr, 3, event));
}

TEST(AlsaEvents, SystemExclusiveInPieces) {
    CSeqEventDecoder decoder;
    const Bytes first = {0xF0, 0x41, 0x10}, middle = {0x42, 0x12}, last = {0x40, 0x00, 0x7F, 0xF7};
    EXPECT_TRUE(Decode(decoder, SysExPiece(first)).empty());
    // A clock between the pieces passes through and leaves the exclusive whole.
    const auto clock = Decode(decoder, Encoded({0xF8}));
    ASSERT_EQ(clock.size(), 1u);
    EXPECT_EQ(clock[0], Bytes{0xF8});
    EXPECT_TRUE(Decode(decoder, SysExPiece(middle)).empty());
    const auto whole = Decode(decoder, SysExPiece(last));
    ASSERT_EQ(whole.size(), 1u);
    EXPECT_EQ(whole[0], (Bytes{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0xF7}));

    // A channel message ends an unfinished exclusive, which is never delivered; so does
    // a new exclusive. A piece whose start was missed is ignored.
    EXPECT_TRUE(Decode(decoder, SysExPiece(first)).empty());
    EXPECT_EQ(Decode(decoder, Encoded({0x90, 60, 1})).size(), 1u);
    EXPECT_TRUE(Decode(decoder, SysExPiece(last)).empty());
    EXPECT_TRUE(Decode(decoder, SysExPiece(first)).empty());
    const auto next = Decode(decoder, SysExPiece({0xF0, 0x7E, 0xF7}));
    ASSERT_EQ(next.size(), 1u);
    EXPECT_EQ(next[0], (Bytes{0xF0, 0x7E, 0xF7}));
    // Two whole messages in one piece.
    EXPECT_EQ(Decode(decoder, SysExPiece({0xF0, 1, 0xF7, 0xF0, 2, 0xF7})).size(), 2u);
}

TEST(AlsaEvents, AnOverlongExclusiveIsDroppedAndTheNextOneComes) {
    CSeqEventDecoder decoder;
    Bytes piece(64 * 1024, 0x11);
    piece[0] = 0xF0;
    EXPECT_TRUE(Decode(decoder, SysExPiece(piece)).empty());
    piece[0] = 0x11;
    for (std::size_t sent = piece.size(); sent <= CSeqEventDecoder::MAX_SYSEX; sent += piece.size())
        EXPECT_TRUE(Decode(decoder, SysExPiece(piece)).empty());
    EXPECT_TRUE(Decode(decoder, SysExPiece({0x11, 0xF7})).empty());
    const auto next = Decode(decoder, SysExPiece({0xF0, 0x01, 0xF7}));
    ASSERT_EQ(next.size(), 1u);
    EXPECT_EQ(next[0].size(), 3u);
}

TEST(AlsaEvents, WideControllersAndParametersBecomeControllerMessages) {
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    const struct { int type, param, value; std::vector<Bytes> expected; } cases[] = {
        {SND_SEQ_EVENT_CONTROL14, 7, 0x3FFF, {{0xB2, 7, 0x7F}, {0xB2, 39, 0x7F}}},
        {SND_SEQ_EVENT_CONTROL14, 1, 0x0081, {{0xB2, 1, 0x01}, {0xB2, 33, 0x01}}},
        {SND_SEQ_EVENT_CONTROL14, 64, 0x7F, {{0xB2, 64, 0x7F}}},
        {SND_SEQ_EVENT_REGPARAM, 0x0000, 0x0100, {{0xB2, 101, 0}, {0xB2, 100, 0}, {0xB2, 6, 2}, {0xB2, 38, 0}}},
        {SND_SEQ_EVENT_NONREGPARAM, 0x0105, 0x0003, {{0xB2, 99, 2}, {0xB2, 98, 5}, {0xB2, 6, 0}, {0xB2, 38, 3}}},
    };
    for (const auto& c : cases) {
        event.type = static_cast<snd_seq_event_type_t>(c.type);
        event.data.control.channel = 2;
        event.data.control.param = static_cast<unsigned>(c.param);
        event.data.control.value = c.value;
        CSeqEventDecoder decoder;
        EXPECT_EQ(Decode(decoder, event), c.expected) << c.type << " " << c.param;
    }
    // Events that carry no MIDI deliver nothing.
    event.type = SND_SEQ_EVENT_PORT_SUBSCRIBED;
    CSeqEventDecoder decoder;
    EXPECT_TRUE(Decode(decoder, event).empty());
}

TEST(AlsaBackend, WithoutASequencerThereAreNoDevicesAndNoFailure) {
    if (HaveSequencer())
        GTEST_SKIP() << "this machine has a sequencer";
    CPVDeviceClock clock(0);
    NullSink sink;
    CAlsaBackend backend;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(backend.Attach(clock, sink));
    // ALSA's own complaints go to the trace, not to the user's terminal.
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(backend.GetClientId(), -1);
    for (int direction : {PV_INPUT, PV_OUTPUT}) {
        EXPECT_TRUE(backend.Enumerate(PV_MIDI, direction).empty());
        EXPECT_FALSE(backend.Open(PV_MIDI, direction, 0, nullptr));
        EXPECT_FALSE(backend.Start(PV_MIDI, direction, 0));
        backend.Close(PV_MIDI, direction, 0);
    }
    const std::uint8_t note[] = {0x90, 60, 100};
    CPVMidiOut message;
    message.bytes = note;
    message.length = 3;
    backend.SendMidi(0, message);
    EXPECT_EQ(sink.calls, 0);

    // The library made with it starts and lists no MIDI devices.
    CPortavel portavel(std::make_unique<CAlsaBackend>());
    EXPECT_EQ(portavel.Initialize(1), 1);
    for (int direction : {PV_INPUT, PV_OUTPUT})
        EXPECT_EQ(portavel.GetDeviceCount(PV_MIDI, direction), 0);
    portavel.EnableDevice(PV_MIDI, PV_OUTPUT, PV_ALL_DEVICES, 1);
    portavel.OpenDevices();
    portavel.StartDevices();
    EXPECT_EQ(portavel.SendMidiMsg(0, 0x643C90, 0), 0);
    portavel.OnPanicButton();
    portavel.CloseDevices();
}

TEST(AlsaBackend, MakesItsClientWhereThereIsASequencer) {
    if (!HaveSequencer())
        GTEST_SKIP() << "no ALSA sequencer (/dev/snd/seq) on this machine";
    CPVDeviceClock clock(GetClockMs());
    NullSink sink;
    CAlsaBackend backend;
    ASSERT_TRUE(backend.Attach(clock, sink));
    ASSERT_GE(backend.GetClientId(), 0);
    // Other programs see the client under our name.
    snd_seq_t* other = nullptr;
    ASSERT_GE(snd_seq_open(&other, "default", SND_SEQ_OPEN_DUPLEX, 0), 0);
    snd_seq_client_info_t* info;
    snd_seq_client_info_alloca(&info);
    ASSERT_GE(snd_seq_get_any_client_info(other, backend.GetClientId(), info), 0);
    EXPECT_STREQ(snd_seq_client_info_get_name(info), "Staffwright");
    // Every output lists with a name and opens, plays and closes.
    const auto outputs = backend.Enumerate(PV_MIDI, PV_OUTPUT);
    for (int index = 0; index < static_cast<int>(outputs.size()); ++index) {
        EXPECT_FALSE(outputs[index].name.empty());
        if (!backend.Open(PV_MIDI, PV_OUTPUT, index, nullptr))
            continue;
        const std::uint8_t off[] = {0xB0, 123, 0};
        CPVMidiOut message;
        message.bytes = off;
        message.length = 3;
        backend.SendMidi(index, message);
        backend.Close(PV_MIDI, PV_OUTPUT, index);
    }
    snd_seq_close(other);
}
