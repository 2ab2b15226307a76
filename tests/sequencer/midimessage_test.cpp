// MIDI messages: the text of every kind of word (channel and system messages,
// controller names, system exclusive, a word without a status byte), the
// line with its time, track and voice; the message's copy and assignment;
// the vector's slots and its ownership of what it holds.
#include "sequencer/midimessage.h"

#include "model/conductorcache.h"
#include "model/lists.h"
#include "model/meter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

FCMidi Word(unsigned status, unsigned data1, unsigned data2) {
    return FCMidi(status | (data1 << 8) | (data2 << 16));
}

// ---- message text ------------------------------------------------------------------

TEST(MidiParse, EveryKindOfWordHasItsText) {
    const struct {
        unsigned status, data1, data2;
        const char* text;
    } cases[] = {
        // Channel messages; the channel shows from 1.
        {0x80, 0x3C, 0x40, "80 3C 40 -- Note OFF             ch  1 key  60 rel  64"},
        {0x9F, 0x3C, 0x64, "9F 3C 64 -- Note ON              ch 16 key  60 vel 100"},
        {0x93, 0x3C, 0x00, "93 3C 00 -- Note OFF             ch  4 key  60"},   // velocity 0: no rel
        {0xA1, 0x3C, 0x7F, "A1 3C 7F -- Poly Pressure        ch  2 key  60 prs 127"},
        {0xB0, 0x07, 0x64, "B0 07 64 -- Volume           MSB ch  1 typ   7 val 100"},
        {0xBA, 0x65, 0x00, "BA 65 00 -- PRN MSB              ch 11 typ 101 val   0"},
        {0xC9, 0x00, 0x00, "C9 00 00 -- Program Change       ch 10 prg   0"},
        {0xD2, 0x55, 0x00, "D2 55 00 -- Channel Pressure     ch  3 prs  85"},
        {0xE0, 0x00, 0x40, "E0 00 40 -- Pitch Bend           ch  1 bnd  8192 (   +0)"},
        {0xE0, 0x00, 0x00, "E0 00 00 -- Pitch Bend           ch  1 bnd     0 (-8192)"},
        {0xEF, 0x7F, 0x7F, "EF 7F 7F -- Pitch Bend           ch 16 bnd 16383 (+8191)"},
        // System common and real-time messages.
        {0xF1, 0x35, 0x00, "F1 35 00 -- Time Code Qrtr. Frm. type 3 val 5"},
        {0xF2, 0x10, 0x20, "F2 10 20 -- Song Position Ptr.   lsb  16 msb  32"},
        {0xF3, 0x05, 0x00, "F3 05 00 -- Song Select          sng   5"},
        {0xF4, 0x00, 0x00, "F4 00 00 -- Undefined Sys/Common"},
        {0xF5, 0x00, 0x00, "F5 00 00 -- Undefined Sys/Common"},
        {0xF6, 0x00, 0x00, "F6 00 00 -- Tune Request         "},
        {0xF7, 0x00, 0x00, "F7 00 00 -- ERROR: End of Sys/Ex "},
        {0xF8, 0x00, 0x00, "F8 00 00 -- Timing Clock"},
        {0xF9, 0x00, 0x00, "F9 00 00 -- Undefined Sys/Realtime"},
        {0xFA, 0x00, 0x00, "FA 00 00 -- Start"},
        {0xFB, 0x00, 0x00, "FB 00 00 -- Continue"},
        {0xFC, 0x00, 0x00, "FC 00 00 -- Stop"},
        {0xFD, 0x00, 0x00, "FD 00 00 -- Undefine Sys/Realtime"},
        {0xFE, 0x00, 0x00, "FE 00 00 -- Active Sensing"},
        {0xFF, 0x00, 0x00, "FF 00 00 -- System Reset"},
        // No status byte (running-status data): the text before stays.
        {0x45, 0x01, 0x02, "FF 00 00 -- System Reset"},
        {0x00, 0x00, 0x00, "FF 00 00 -- System Reset"},
    };
    MCMidiParse parse;
    for (const auto& c : cases)
        EXPECT_EQ(parse.ParseMidi(Word(c.status, c.data1, c.data2)), c.text) << std::hex << c.status;

    // A fresh parser given no status byte has nothing to show.
    EXPECT_EQ(MCMidiParse().ParseMidi(Word(0x3C, 0x40, 0)), "");
}

TEST(MidiParse, ControllerNamesAreTwentyCharactersByNumber) {
    const char* const undefinedMsb = "Undefined Ctrl.  MSB";
    const char* const undefined = "Undefined Ctrl.     ";
    const struct {
        unsigned first, last;
        const char* name;   // of the first; a range of numbered names counts on
    } names[] = {
        {0, 0, "Bank Select      MSB"},   {1, 1, "Modulation Wheel MSB"}, {2, 2, "Breath Ctrl.     MSB"},
        {3, 3, undefinedMsb},             {4, 4, "Foot Controller  MSB"}, {5, 5, "Portamento Time  MSB"},
        {6, 6, "Data Entry       MSB"},   {7, 7, "Volume           MSB"}, {8, 8, "Balance          MSB"},
        {9, 9, undefinedMsb},             {10, 10, "Pan              MSB"}, {11, 11, "Expression Ctrl. MSB"},
        {12, 12, "Effect 1         MSB"}, {13, 13, "Effect 2         MSB"}, {14, 15, undefinedMsb},
        {16, 16, "Gen. Purpose 1   MSB"}, {17, 17, "Gen. Purpose 2   MSB"}, {18, 18, "Gen. Purpose 3   MSB"},
        {19, 19, "Gen. Purpose 4   MSB"}, {20, 31, undefinedMsb},
        {64, 64, "Damper Pedal        "}, {65, 65, "Portamento Switch   "}, {66, 66, "Sostenuto           "},
        {67, 67, "Soft Pedal          "}, {68, 68, "Legato Footswitch   "}, {69, 69, "Hold 2              "},
        {70, 70, "Sound Variation     "}, {71, 71, "Sound Timbre        "}, {72, 72, "Sound Release Time  "},
        {73, 73, "Sound Attack Time   "}, {74, 74, "Sound Brightness    "}, {75, 75, "Sound Ctrl. 6       "},
        {76, 76, "Sound Ctrl. 7       "}, {77, 77, "Sound Ctrl. 8       "}, {78, 78, "Sound Ctrl. 9       "},
        {79, 79, "Sound Ctrl. 10      "}, {80, 80, "General Purpose 5   "}, {81, 81, "General Purpose 6   "},
        {82, 82, "General Purpose 7   "}, {83, 83, "General Purpose 8   "}, {84, 84, "Portamento Control  "},
        {85, 90, undefined},              {91, 91, "Effect 1 Depth      "}, {92, 92, "Effect 2 Depth      "},
        {93, 93, "Effect 3 Depth      "}, {94, 94, "Effect 4 Depth      "}, {95, 95, "Effect 5 Depth      "},
        {96, 96, "Data Increment      "}, {97, 97, "Data Decrement      "}, {98, 98, "NRPN LSB            "},
        {99, 99, "NRPN MSB            "}, {100, 100, "RPN LSB             "}, {101, 101, "PRN MSB             "},
        {102, 119, undefined},            {120, 120, "All Sound Off       "}, {121, 121, "Reset Controllers   "},
        {122, 122, "Local Control       "}, {123, 123, "All Notes Off       "}, {124, 124, "Omni Mode Off       "},
        {125, 125, "Omni Mode On        "}, {126, 126, "Poly Mode Off       "}, {127, 127, "Poly Mode On        "},
    };
    std::vector<std::string> expected(128);
    for (const auto& n : names)
        for (unsigned number = n.first; number <= n.last; ++number)
            expected[number] = n.name;
    // 32-63 repeat 0-31 as the fine (LSB) half.
    for (unsigned number = 0; number < 32; ++number)
        expected[number + 32] = expected[number].substr(0, 17) + "LSB";

    MCMidiParse parse;
    for (unsigned number = 0; number < 128; ++number) {
        ASSERT_EQ(expected[number].size(), 20u) << number;   // the table above is whole
        EXPECT_EQ(MCMidiParse::GetControllerName(number), expected[number]) << number;
        char text[80];
        std::snprintf(text, sizeof text, "B5 %02X 01 -- %s ch  6 typ %3u val   1", number,
                      expected[number].c_str(), number);
        EXPECT_EQ(parse.ParseMidi(Word(0xB5, number, 1)), text) << number;
    }

    // A number with the top bit, made from raw bytes, has no name.
    EXPECT_EQ(MCMidiParse::GetControllerName(128), nullptr);
    EXPECT_EQ(parse.ParseMidi(Word(0xB0, 0x80, 0x01)), "B0 80 01 -- (null) ch  1 typ 128 val   1");
}

TEST(MidiParse, SystemExclusiveShowsItsKindAndUpToTwentyBytes) {
    const auto Built = [](void (FCMidiSysEx::*build)(int), int argument) {
        FCMidiSysEx sysEx;
        (sysEx.*build)(argument);
        return sysEx;
    };
    const auto Bytes = [](std::vector<unsigned char> bytes) {
        return FCMidiSysEx(bytes.data(), static_cast<unsigned>(bytes.size()));
    };
    std::vector<unsigned char> twenty(20, 0x01), twentyOne(21, 0x02);
    twenty.front() = twentyOne.front() = 0xF0;
    twenty.back() = twentyOne.back() = 0xF7;
    const auto Repeat = [](const char* text, int times) {
        std::string repeated;
        while (times-- > 0)
            repeated += text;
        return repeated;
    };
    const std::string ones = "F0 " + Repeat("01 ", 18) + "F7 ";
    const std::string twos = "F0 " + Repeat("02 ", 19);

    const struct {
        const char* name;
        FCMidiSysEx sysEx;
        std::string text;
    } cases[] = {
        {"GM on", Built(&FCMidiSysEx::SetGMSystemOn, 0x10), "Sys/Ex      General MIDI ON:     F0 7E 10 09 01 F7 "},
        {"GM off", Built(&FCMidiSysEx::SetGMSystemOff, 0x7F), "Sys/Ex      General MIDI OFF:    F0 7E 7F 09 02 F7 "},
        {"GS on", Built(&FCMidiSysEx::SetGSSystemOn, 0x10),
         "Sys/Ex      Roland GS ON    :    F0 41 10 42 12 40 00 7F 00 41 F7 "},
        {"XG on", Built(&FCMidiSysEx::SetXGSystemOn, 0x10),
         "Sys/Ex      Yamaha XG ON:        F0 43 10 4C 00 00 7E 00 F7 "},
        {"volume", Built(&FCMidiSysEx::SetMasterVolume, 0), "Sys/Ex      Master Volume:       F0 7F 7F 04 01 00 00 F7 "},
        {"balance", Built(&FCMidiSysEx::SetMasterBalance, 0),
         "Sys/Ex      Master Balance:      F0 7F 7F 04 02 00 00 F7 "},
        {"other", Bytes({0xF0, 0x43, 0x12, 0x00, 0xF7}), "Sys/Ex      Message:             F0 43 12 00 F7 "},
        {"20 bytes", Bytes(twenty), "Sys/Ex      Message:             " + ones},
        {"21 bytes", Bytes(twentyOne), "Sys/Ex      Message:             " + twos + "...(1 more bytes)"},
        {"empty", FCMidiSysEx(), "Sys/Ex      Message:             "},
    };
    MCMidiParse parse;
    for (const auto& c : cases)
        EXPECT_EQ(parse.ParseMidi(c.sysEx), c.text) << c.name;   // through the FCMidi reference

    // A plain word with status F0 has no buffer to show.
    EXPECT_EQ(parse.ParseMidi(Word(0xF0, 0x7E, 0x7F)), "Sys/Ex      Message:             ");
}

// ---- the line ------------------------------------------------------------------------

TEST(MidiParse, TheLineWithoutSequenceShowsTheFloatTime) {
    MCMidiParse parse;
    EXPECT_EQ(parse.ParseMidi(MCTime(1.5f), MCVoiceTrack(3, 12), 7, Word(0x90, 0x3C, 0x64)),
              "1.500000 trk 12(3) -- 7: 90 3C 64 -- Note ON              ch  1 key  60 vel 100");

    // A converted word (a device and channel) shows the empty track and voice.
    MCVoiceTrack converted;
    converted.SetDevice(2);
    EXPECT_EQ(parse.ParseMidi(MCTime(0.0f), converted, 0, Word(0xFC, 0, 0)),
              "0.000000 trk 2047(15) -- 0: FC 00 00 -- Stop");
}

// A sequence as the lookup knows it: only its address matters here.
struct FakeSequence {
    MCConductorCache* cache;
};

MCConductorCache* CacheOf(CSequence* sequence) {
    return reinterpret_cast<FakeSequence*>(sequence)->cache;
}

class MidiParseWithSequence : public ::testing::Test {
protected:
    void SetUp() override {
        m_previous = MCMidiParse::SetConductorCacheLookup(&CacheOf);
        auto* meter = new ECMeter(4, 4, 255);
        MCTime zero(0.0f);
        meter->SetTime(&zero);
        m_events.AddEvent(meter, UNSORTED);   // the list holds the meter
        m_cache.CacheEvent(meter);
    }
    void TearDown() override { MCMidiParse::SetConductorCacheLookup(m_previous); }

    CSequence* Sequence() { return reinterpret_cast<CSequence*>(&m_sequence); }

    MCEventList m_events;
    MCConductorCache m_cache;
    FakeSequence m_sequence{&m_cache};
    MCMidiParse::ConductorCacheLookup m_previous = nullptr;
};

TEST_F(MidiParseWithSequence, TheLineShowsBarPulseAndTickThroughTheConductor) {
    MCMidiParse parse(Sequence());
    // In 4/4 quarter 9.5 is bar 2, pulse 1, half a pulse (counted from 0).
    EXPECT_EQ(parse.ParseMidi(MCTime(9.5f), MCVoiceTrack(0, 3), 41, Word(0xC0, 0x05, 0)),
              "  2: 1:" + std::to_string(MCTime::GlobalPPQ / 2) +
                  " -- trk  3(0) -- 41: C0 05 00 -- Program Change       ch  1 prg   5");

    // A copy keeps the sequence and both texts.
    MCMidiParse copy(parse);
    EXPECT_EQ(copy.GetSequence(), Sequence());
    EXPECT_EQ(copy.ParseMidi(Word(0x12, 0, 0)), "C0 05 00 -- Program Change       ch  1 prg   5");

    // A sequence whose conductor is unknown shows the float form.
    m_sequence.cache = nullptr;
    EXPECT_EQ(parse.ParseMidi(MCTime(0.25f), MCVoiceTrack(0, 3), 1, Word(0xF8, 0, 0)),
              "0.250000 trk  3(0) -- 1: F8 00 00 -- Timing Clock");
}

// ---- the message ---------------------------------------------------------------------

TEST(MidiMessage, DefaultsAreTheEmptyMessageOnNoTrack) {
    const MidiMessage message;
    EXPECT_EQ(message.m_voiceTrack.GetVoice(), 15);
    EXPECT_EQ(message.m_voiceTrack.GetTrack(), 2047);
    EXPECT_TRUE(message.m_time == MCTime());
    EXPECT_TRUE(message.m_duration == MCTime());
    EXPECT_EQ(message.m_sysEx.GetSysExBufLength(), 0u);
    EXPECT_EQ(message.m_noteOn.GetValue().dwData, 0u);
    EXPECT_EQ(message.m_noteOff.GetValue().dwData, 0u);
}

TEST(MidiMessage, CopyTakesEverythingAssignmentKeepsTheWordsFlags) {
    MidiMessage source;
    source.m_time = MCTime(2.0f);
    source.m_voiceTrack = MCVoiceTrack(1, 5);
    source.m_sysEx.SetGMSystemOn(0x7F);
    source.m_noteOn = Word(0x90, 60, 100);
    source.m_noteOff = Word(0x80, 60, 0);
    source.m_duration = MCTime(0.5f);
    source.m_noteOn.SetDirty(0);
    source.m_noteOn.SetOverride(1);

    const auto SameContent = [&](const MidiMessage& m) {
        EXPECT_TRUE(m.m_time == source.m_time);
        EXPECT_EQ(m.m_voiceTrack, source.m_voiceTrack);
        EXPECT_TRUE(m.m_sysEx.IsGMSystemOnMsg());
        EXPECT_NE(m.m_sysEx.GetSysExBuf(), source.m_sysEx.GetSysExBuf());   // a buffer of its own
        EXPECT_EQ(m.m_noteOn.GetValue().dwData, source.m_noteOn.GetValue().dwData);
        EXPECT_EQ(m.m_noteOff.GetValue().dwData, source.m_noteOff.GetValue().dwData);
        EXPECT_TRUE(m.m_duration == source.m_duration);
    };

    const MidiMessage copy(source);
    SameContent(copy);
    EXPECT_EQ(copy.m_noteOn.IsDirty(), 0);
    EXPECT_EQ(copy.m_noteOn.IsOverride(), 1);

    MidiMessage assigned;
    assigned = source;
    SameContent(assigned);
    EXPECT_EQ(assigned.m_noteOn.IsDirty(), 1);   // its own flags
    EXPECT_EQ(assigned.m_noteOn.IsOverride(), 0);
}

// ---- the vector ----------------------------------------------------------------------

std::unique_ptr<MidiMessage> Message(unsigned status) {
    auto message = std::make_unique<MidiMessage>();
    message->m_noteOn = Word(status, 0, 0);
    return message;
}

// The status bytes of the slots in order, 0 for an empty one.
std::vector<unsigned> Statuses(const MCMidiMsgVector& vector) {
    std::vector<unsigned> statuses;
    for (int i = 0; i < vector.GetSize(); ++i) {
        const MidiMessage* message = vector.GetAt(static_cast<unsigned>(i));
        statuses.push_back(message != nullptr ? message->m_noteOn.GetStatusByte() : 0);
    }
    return statuses;
}

TEST(MidiMsgVector, SlotsGrowWithEmptyOnesAndCloseWhenRemoved) {
    MCMidiMsgVector vector;
    EXPECT_EQ(vector.GetAt(0), nullptr);

    vector.SetAt(2, Message(0x92));                    // beyond the count: the slots between stay empty
    vector.SetAt(9, nullptr);                          // a null beyond the count changes nothing
    vector.Add(nullptr);                               // nor does adding null
    vector.Add(Message(0x93));
    vector.InsertAt(1, Message(0x91));                 // later slots move up
    vector.InsertAt(6, Message(0x96));                 // beyond: count becomes index + 1
    EXPECT_EQ(Statuses(vector), (std::vector<unsigned>{0, 0x91, 0, 0x92, 0x93, 0, 0x96}));
    EXPECT_EQ(vector.GetAt(7), nullptr);

    vector.RemoveAt(0);                                // an empty slot goes too
    vector.RemoveAt(-1);
    vector.RemoveAt(6);                                // at the count: nothing
    EXPECT_EQ(Statuses(vector), (std::vector<unsigned>{0x91, 0, 0x92, 0x93, 0, 0x96}));

    vector.FreeAbove(2);
    EXPECT_EQ(Statuses(vector), (std::vector<unsigned>{0x91, 0, 0x92}));
    vector.FreeAbove(0);                               // one remains
    EXPECT_EQ(Statuses(vector), (std::vector<unsigned>{0x91}));
    vector.FreeAbove(5);
    EXPECT_EQ(vector.GetSize(), 1);
}

TEST(MidiMsgVector, DeletesEveryMessageItRemovesOrReplacesAndTheRestAtItsEnd) {
    const int before = MidiMessage::GetAliveCount();
    const auto Held = [&] { return MidiMessage::GetAliveCount() - before; };
    {
        MCMidiMsgVector vector;
        for (unsigned status : {0x90u, 0x91u, 0x92u, 0x93u})
            vector.Add(Message(status));
        EXPECT_EQ(Held(), 4);

        vector.SetAt(1, Message(0xB1));                // the old one is deleted
        EXPECT_EQ(Held(), 4);
        vector.SetAt(0, nullptr);                      // deleted, the slot empty
        EXPECT_EQ(Held(), 3);
        vector.RemoveAt(3);
        EXPECT_EQ(Held(), 2);
        vector.FreeAbove(0);
        EXPECT_EQ(Held(), 0);                          // slot 0 was empty
        EXPECT_EQ(vector.GetSize(), 1);

        // An index the count cannot hold is refused, and the message deleted.
        EXPECT_THROW(vector.SetAt(0xFFFFFFFFu, Message(0x90)), std::out_of_range);
        EXPECT_EQ(Held(), 0);

        vector.RemoveAll();
        EXPECT_EQ(vector.GetSize(), 0);
        vector.RemoveAll();                            // on an empty vector: nothing
        vector.FreeAbove(0);
        EXPECT_EQ(vector.GetSize(), 0);

        vector.Add(Message(0x90));
        vector.InsertAt(0, Message(0x91));
        EXPECT_EQ(Held(), 2);
    }
    EXPECT_EQ(Held(), 0);
}

}  // namespace
