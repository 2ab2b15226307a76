// MIDI filters: transposition (clamped keys, its span, leaving its list),
// accents, voice maps to other devices and channels, the preference filter's
// blocking and thinning; the filter list's keeping (one list deletes a
// filter, whichever holder goes first) and its walks; the archives of each
// filter. The staff's level filters are in midifilters_level_test.cpp.
#include "sequencer/midifilters.h"

#include "model/markings.h"
#include "model/modifiers.h"
#include "model/event.h"
#include "model/preferences.h"
#include "platform/devices/capture.h"
#include "platform/devices/portavel.h"
#include "sequencer/staffperformer.h"
#include "tests/sequencer/midifilters_test.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace filtertest;

// ---- transposition ------------------------------------------------------------

TEST(LCMidiTranspose, MovesKeysOfNotesAndPolyPressureHeldToTheMidiRange)
{
    const struct {
        int semitones;
        unsigned status, key, expected;
    } cases[] = {
        {24, 0x90, 110, 127},   // clamped at the top
        {12, 0x90, 60, 72},
        {-12, 0x90, 5, 0},      // clamped at the bottom
        {-12, 0x80, 64, 52},    // a lone note-off
        {2, 0xA3, 60, 62},      // poly pressure follows the key
        {12, 0xB0, 7, 7},       // a controller number is no key
        {12, 0xE0, 0, 0},
    };
    for (const auto& c : cases) {
        LCMidiTranspose filter;
        filter.SetTransposition(c.semitones);
        MCMidiMsgVector messages;
        messages.Add(Message(1.0f, c.status, c.key, 100));
        filter.Process(messages);
        EXPECT_EQ(At(messages, 0).m_noteOn.GetDataByte1(), c.expected) << c.semitones << " on " << c.key;
    }

    // A note's note-off word moves with it.
    LCMidiTranspose filter;
    filter.SetTransposition(24);
    MCMidiMsgVector messages;
    messages.Add(Note(0.0f, 110, 90));
    filter.Process(messages);
    EXPECT_EQ(At(messages, 0).m_noteOn.GetDataByte1(), 127);
    EXPECT_EQ(At(messages, 0).m_noteOff.GetDataByte1(), 127);
    EXPECT_EQ(At(messages, 0).m_noteOff.GetStatusByte(), 0x80);
}

TEST(LCMidiTranspose, TakesItsSettingsFromATranspositionMark)
{
    const struct {
        unsigned char type;
        int expected;
    } cases[] = {{0, 12}, {1, -12}, {2, 24}, {3, 0}, {200, 0}};
    for (const auto& c : cases) {
        auto* mark = new ECTranspose(c.type, MCTime(8.0f));
        mark->Ref();
        const MCTime at(4.0f);
        mark->SetTime(&at);
        LCMidiTranspose filter;
        filter.UpdateParametersFrom(mark);
        EXPECT_EQ(filter.GetTransposition(), c.expected) << int(c.type);
        EXPECT_EQ(filter.GetBeginTime(), MCTime(4.0f));
        EXPECT_EQ(filter.GetEndTime(), MCTime(12.0f));
        mark->Unref(1);
    }
    // A staff's own transposition spans all time.
    EXPECT_EQ(LCMidiTranspose().GetEndTime(), MCTime::TimeMax());
}

TEST(LCMidiTranspose, OutsideItsSpanLeavesItsListAfterTheWalkAndChangesNothing)
{
    const struct {
        float first;
        bool stays;
    } cases[] = {{3.9f, false}, {4.0f, true}, {12.0f, true}, {12.1f, false}};
    for (const auto& c : cases) {
        MCMidiFilterList staff(MCMidiFilterList::FILTERS_BORROWED);
        LCMidiTranspose filter;
        filter.SetTransposition(12);
        filter.SetBeginTime(4.0f);
        filter.SetEndTime(12.0f);
        LCMidiTranspose after;   // a filter behind it in the same list
        after.SetTransposition(1);
        staff.Add(&filter);
        staff.Add(&after);

        MCMidiMsgVector messages;
        messages.Add(Message(c.first, 0x90, 60, 100));
        messages.Add(Message(8.0f, 0x90, 62, 100));   // only the first message decides
        {
            MCMidiFilterList::CWalk walk(staff);
            for (int i = 0; i < walk.GetSize(); ++i)
                if (LCMidiFilter* running = walk.GetAt(i))
                    running->Process(messages);
            // Inside the walk the entry is emptied, the list not shortened.
            EXPECT_EQ(walk.GetSize(), 2);
            EXPECT_EQ(walk.GetAt(0) != nullptr, c.stays) << c.first;
        }
        EXPECT_EQ(staff.Contains(&filter), c.stays) << c.first;
        EXPECT_EQ(staff.GetCount(), c.stays ? 2 : 1);
        EXPECT_EQ(filter.GetOwnerList(), c.stays ? &staff : nullptr);
        // The filter behind it ran either way.
        EXPECT_EQ(At(messages, 0).m_noteOn.GetDataByte1(), c.stays ? 73 : 61) << c.first;
    }
}

// ---- accents ------------------------------------------------------------------

TEST(LCMidiAccent, ScalesVelocityAndDurationByAccentType)
{
    const struct {
        unsigned char type;
        float duration;
        unsigned velocity;   // of a note played at 60
    } cases[] = {
        {0, 0.3f, 60},  {1, 1.0f, 108}, {2, 1.0f, 78},  {3, 1.8f, 60}, {4, 0.6f, 66},
        {5, 0.3f, 72},  {6, 0.3f, 108}, {7, 1.5f, 72},  {8, 1.8f, 108}, {9, 0.6f, 96},
        {10, 0.6f, 72}, {11, 1.3f, 48}, {12, 1.0f, 60}, {255, 1.0f, 60},
    };
    for (const auto& c : cases) {
        auto* accent = new ECAccent(c.type);
        accent->Ref();
        LCMidiAccent filter;
        filter.UpdateParametersFrom(accent);
        accent->Unref(1);

        MCMidiMsgVector messages;
        messages.Add(Note(0.0f, 60, 60, 0x40, 2.0f));
        filter.Process(messages);
        EXPECT_EQ(At(messages, 0).m_noteOn.GetDataByte2(), c.velocity) << int(c.type);
        EXPECT_FLOAT_EQ(At(messages, 0).m_duration.GetSeconds(), 2.0f * c.duration) << int(c.type);
        // Without the notes-off flag the release stays as written.
        EXPECT_EQ(At(messages, 0).m_noteOff.GetDataByte2(), 0x40) << int(c.type);
    }
}

TEST(LCMidiAccent, ScalesReleaseVelocitiesOnlyWithTheNotesOffFlag)
{
    auto* accent = new ECAccent(11);
    accent->Ref();
    LCMidiAccent filter;
    filter.UpdateParametersFrom(accent);
    accent->Unref(1);
    EXPECT_FLOAT_EQ(filter.GetVelocityOffChange(), 2.0f);

    for (int flag : {0, 1}) {
        filter.ProcessNotesOff(flag);
        MCMidiMsgVector messages;
        messages.Add(Note(0.0f, 60, 100, 40));
        messages.Add(Message(1.0f, 0x93, 62, 0));   // a note-off written as note-on, velocity 0
        messages.Add(Message(1.0f, 0x80, 64, 100));
        filter.Process(messages);
        EXPECT_EQ(At(messages, 0).m_noteOn.GetDataByte2(), 80) << flag;   // 20 % softer
        EXPECT_FLOAT_EQ(At(messages, 0).m_duration.GetSeconds(), 1.3f);
        if (flag) {
            EXPECT_EQ(At(messages, 0).m_noteOff.GetDataByte2(), 80);   // doubled
            EXPECT_EQ(At(messages, 1).m_noteOn.GetStatusByte(), 0x83);   // a real note-off now
            EXPECT_EQ(At(messages, 1).m_noteOn.GetDataByte2(), 127);     // 0 counts as 64, doubled, held
            EXPECT_EQ(At(messages, 2).m_noteOn.GetDataByte2(), 127);
        } else {
            EXPECT_EQ(At(messages, 0).m_noteOff.GetDataByte2(), 40);
            EXPECT_EQ(At(messages, 1).m_noteOn.GetStatusByte(), 0x93);
            EXPECT_EQ(At(messages, 1).m_noteOn.GetDataByte2(), 0);
            EXPECT_EQ(At(messages, 2).m_noteOn.GetDataByte2(), 100);
        }
    }
}

TEST(LCMidiAccent, HoldsVelocitiesAndDurationsInRange)
{
    LCMidiAccent filter;   // never set from an accent: every change -1
    MCMidiMsgVector messages;
    messages.Add(Note(0.0f, 60, 100));
    filter.Process(messages);
    EXPECT_EQ(At(messages, 0).m_noteOn.GetDataByte2(), 1);
    EXPECT_FLOAT_EQ(At(messages, 0).m_duration.GetSeconds(), 0.05f);

    filter.SetVelocityOnChange(1.8f);
    filter.SetDurationChange(1.0f);
    messages.RemoveAll();
    messages.Add(Note(0.0f, 60, 100));
    messages.Add(Message(0.0f, 0xB0, 7, 100));   // not a note: untouched
    filter.Process(messages);
    EXPECT_EQ(At(messages, 0).m_noteOn.GetDataByte2(), 127);
    EXPECT_FLOAT_EQ(At(messages, 0).m_duration.GetSeconds(), 1.0f);
    EXPECT_EQ(At(messages, 1).m_noteOn.GetDataByte2(), 100);
}

// ---- voice maps -----------------------------------------------------------------

class LCMidiVoiceMapTest : public ::testing::Test {
protected:
    void SetUp() override { m_previous = LCMidiVoiceMap::GetDefaultDevice(); }
    void TearDown() override { LCMidiVoiceMap::SetDefaultDevice(m_previous); }

    unsigned m_previous = 0;
};

TEST_F(LCMidiVoiceMapTest, SendsEachVoiceToItsDeviceAndChannel)
{
    LCMidiVoiceMap::SetDefaultDevice(3);
    LCMidiVoiceMap map;
    EXPECT_EQ(map.GetVoiceDevice(5), 3);   // made with the default device
    EXPECT_EQ(map.GetVoiceChannel(5), 0);
    EXPECT_EQ(map.AllVoiceMapsEqual(), 1);
    map.SetVoiceDevChan(0, 1, 9);
    map.SetVoiceDevChan(1, 2, 4);
    map.SetVoiceDevChan(2, LCMidiVoiceMap::DEFAULT_DEVICE, LCMidiVoiceMap::DEFAULT_CHANNEL);
    map.SetVoiceDevChan(3, 0, LCMidiVoiceMap::KEEP_CHANNEL);
    map.SetVoiceDevChan(8, 7, 7);   // no such voice: nothing
    EXPECT_EQ(map.AllVoiceMapsEqual(), 0);
    EXPECT_EQ(map.GetVoiceDevice(8), 1);   // voices above 7 read voice 0's entry

    const struct {
        int voice;
        unsigned status;
        int device;
        unsigned statusOut;
    } cases[] = {
        {0, 0x92, 1, 0x99},
        {1, 0xB0, 2, 0xB4},
        {2, 0xC5, 3, 0xC0},   // default device, channel 0
        {3, 0x95, 0, 0x95},   // channel kept, device still set
        {9, 0xE0, 1, 0xE9},   // voice 9 follows voice 0
        {4, 0xF8, 3, 0xF8},   // a system message has no channel
    };
    for (const auto& c : cases) {
        MCMidiMsgVector messages;
        messages.Add(Message(0.0f, c.status, 60, 100, c.voice, 5));
        map.Process(messages);
        const MidiMessage& out = At(messages, 0);
        EXPECT_TRUE(out.m_voiceTrack.IsConverted()) << c.voice;
        EXPECT_EQ(out.m_voiceTrack.GetDevice(), c.device) << c.voice;
        EXPECT_EQ(out.m_noteOn.GetStatusByte(), c.statusOut) << c.voice;
    }

    // Both words of a note change channel; a word that names a device already
    // is left alone.
    MCMidiMsgVector messages;
    messages.Add(Note(0.0f, 60, 100));
    auto routed = Message(0.0f, 0x91, 60, 100);
    routed->m_voiceTrack.SetDevice(6);
    messages.Add(std::move(routed));
    map.Process(messages);
    EXPECT_EQ(At(messages, 0).m_noteOn.GetStatusByte(), 0x99);
    EXPECT_EQ(At(messages, 0).m_noteOff.GetStatusByte(), 0x89);
    EXPECT_EQ(At(messages, 1).m_voiceTrack.GetDevice(), 6);
    EXPECT_EQ(At(messages, 1).m_noteOn.GetStatusByte(), 0x91);
}

TEST_F(LCMidiVoiceMapTest, ArchivesItsEntriesAndMovesDevicesThatAreNotHere)
{
    LCMidiVoiceMap map;
    for (int voice = 0; voice < 8; ++voice)
        map.SetVoiceDevChan(voice, voice - 1, voice == 7 ? -2 : voice + 8);
    map.SetPriority(3);

    Bytes expected = ClassTag("LCMidiVoiceMap") + Bytes{0x01, 0x03};
    for (int voice = 0; voice < 8; ++voice)
        expected = expected + Long(voice - 1) + Long(voice == 7 ? -2 : voice + 8);
    const Bytes bytes = Save(&map);
    EXPECT_EQ(bytes, expected);

    // Two MIDI outputs here: devices 2 and above play on the default device.
    LCMidiVoiceMap::SetDefaultDevice(1);
    {
        CPortavel devices(std::make_unique<CCaptureBackend>(CCaptureBackend::Layout{0, 2, 0, 0}));
        const auto loaded = Load<LCMidiVoiceMap>(bytes);
        ASSERT_NE(loaded, nullptr);
        const int devicesAfter[8] = {-1, 0, 1, 1, 1, 1, 1, 1};
        for (int voice = 0; voice < 8; ++voice) {
            EXPECT_EQ(loaded->GetVoiceDevice(voice), devicesAfter[voice]) << voice;
            EXPECT_EQ(loaded->GetVoiceChannel(voice), voice == 7 ? -2 : voice + 8) << voice;
        }
        EXPECT_EQ(loaded->GetPriority(), 3);
    }
    ExpectEveryCutThrows<LCMidiVoiceMap>(bytes, "voice map");
}

// ---- preference filter ---------------------------------------------------------

TEST(LCMidiPrefs, BlocksEachMessageTypeByItsFlag)
{
    const struct {
        unsigned status, data1;
        int type;
    } cases[] = {
        {0x90, 60, LCMidiPrefs::MT_NOTES},        {0x80, 60, LCMidiPrefs::MT_NOTES},
        {0xC0, 5, LCMidiPrefs::MT_PROGRAM},       {0xE0, 0, LCMidiPrefs::MT_PITCHBEND},
        {0xB0, 7, LCMidiPrefs::MT_CONTROLLERS},   {0xB0, 119, LCMidiPrefs::MT_CONTROLLERS},
        {0xD0, 50, LCMidiPrefs::MT_AFTERTOUCH},   {0xA0, 60, LCMidiPrefs::MT_POLYPRESSURE},
        {0xB0, 120, LCMidiPrefs::MT_CHANNELMODE}, {0xB0, 123, LCMidiPrefs::MT_CHANNELMODE},
        {0xF2, 0, LCMidiPrefs::MT_SYSCOMMON},     {0xF8, 0, LCMidiPrefs::MT_SYSREALTIME},
    };
    for (const auto& c : cases) {
        for (int blocked = 0; blocked < LCMidiPrefs::MT_COUNT; ++blocked) {
            LCMidiPrefs filter;
            filter.BlockMessageType(blocked, 1);
            MCMidiMsgVector messages;
            messages.Add(Message(0.0f, c.status, c.data1, 64));
            filter.Process(messages);
            EXPECT_EQ(messages.GetSize(), blocked == c.type ? 0 : 1)
                << std::hex << c.status << " " << std::dec << c.data1 << " with type " << blocked << " blocked";
        }
    }

    // System exclusive travels in its buffer, without a word.
    LCMidiPrefs filter;
    filter.BlockMessageType(LCMidiPrefs::MT_SYSEX, 1);
    MCMidiMsgVector messages;
    auto sysEx = std::make_unique<MidiMessage>();
    sysEx->m_sysEx.SetGMSystemOn(0x7F);
    messages.Add(std::move(sysEx));
    messages.Add(Message(0.0f, 0x90, 60, 64));
    filter.Process(messages);
    ASSERT_EQ(messages.GetSize(), 1);
    EXPECT_EQ(At(messages, 0).m_noteOn.GetStatusByte(), 0x90);

    // Indexes outside the ten types are ignored and read 0.
    filter.BlockMessageType(10, 1);
    filter.ThinMessageType(-1, 1);
    EXPECT_EQ(filter.MessageTypeBlocked(10), 0);
    EXPECT_EQ(filter.MessageTypeThinned(-1), 0);
    EXPECT_EQ(LCMidiPrefs::GetMessageTypeName(10), "");
    EXPECT_EQ(LCMidiPrefs::GetMessageTypeName(LCMidiPrefs::MT_POLYPRESSURE), "Poly Pressure");
}

TEST(LCMidiPrefs, ThinningKeepsTheFirstThenDropsEverySecondAcrossTypes)
{
    LCMidiPrefs filter;
    for (int type : {LCMidiPrefs::MT_PITCHBEND, LCMidiPrefs::MT_CONTROLLERS, LCMidiPrefs::MT_AFTERTOUCH,
                     LCMidiPrefs::MT_POLYPRESSURE})
        filter.ThinMessageType(type, 1);

    // Thinnable messages interleaved with ones that always stay.
    MCMidiMsgVector messages;
    messages.Add(Message(0.0f, 0xE0, 0, 70));    // 1: kept
    messages.Add(Message(0.0f, 0xB0, 1, 30));    // 2: dropped
    messages.Add(Message(0.0f, 0x90, 60, 64));   // a note: not thinnable
    messages.Add(Message(0.0f, 0xD0, 40, 0));    // 3: kept
    messages.Add(Message(0.0f, 0xA0, 60, 20));   // 4: dropped
    messages.Add(Message(0.0f, 0xE0, 0, 64));    // the centre: never thinned
    messages.Add(Message(0.0f, 0xB0, 10, 30));   // 5: kept
    messages.Add(Message(0.0f, 0xB0, 11, 31));   // 6: dropped
    filter.Process(messages);
    const unsigned kept[][2] = {{0xE0, 0}, {0x90, 60}, {0xD0, 40}, {0xE0, 0}, {0xB0, 10}};
    ASSERT_EQ(messages.GetSize(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(At(messages, i).m_noteOn.GetStatusByte(), kept[i][0]) << i;
        EXPECT_EQ(At(messages, i).m_noteOn.GetDataByte1(), kept[i][1]) << i;
    }
    EXPECT_EQ(filter.GetThinCounter(), 7);   // six messages took it
}

TEST(LCMidiPrefs, NeverThinsSwitchesResetsOrTypesLeftAlone)
{
    LCMidiPrefs filter;
    for (int type : {LCMidiPrefs::MT_PITCHBEND, LCMidiPrefs::MT_CONTROLLERS, LCMidiPrefs::MT_AFTERTOUCH,
                     LCMidiPrefs::MT_POLYPRESSURE})
        filter.ThinMessageType(type, 1);
    MCMidiMsgVector messages;
    for (unsigned controller : {0u, 6u, 32u, 38u, 64u, 65u, 66u, 67u, 68u, 69u, 84u, 96u, 97u, 98u, 99u, 100u,
                                101u, 120u, 121u, 123u})
        messages.Add(Message(0.0f, 0xB0, controller, 50));
    for (unsigned value : {0u, 127u})
        messages.Add(Message(0.0f, 0xB0, 7, value));
    messages.Add(Message(0.0f, 0xD0, 0, 0));    // no pressure
    messages.Add(Message(0.0f, 0xA0, 60, 0));
    messages.Add(Message(0.0f, 0xE0, 0, 64));   // the centre
    const int count = messages.GetSize();
    filter.Process(messages);
    EXPECT_EQ(messages.GetSize(), count);
    EXPECT_EQ(filter.GetThinCounter(), 1);

    // A type whose thin flag is clear neither thins nor moves the counter.
    LCMidiPrefs pitchOnly;
    pitchOnly.ThinMessageType(LCMidiPrefs::MT_PITCHBEND, 1);
    MCMidiMsgVector more;
    for (int i = 0; i < 4; ++i)
        more.Add(Message(0.0f, 0xB0, 1, 10 + i));
    pitchOnly.Process(more);
    EXPECT_EQ(more.GetSize(), 4);
    EXPECT_EQ(pitchOnly.GetThinCounter(), 1);
}

TEST(LCMidiPrefs, OneFilterServesSeveralThreadsWithoutLosingACount)
{
    // Two documents' chains thin through the one playback filter while the
    // user-interface thread changes other flags: the shared counter still
    // keeps exactly every other thinnable message.
    LCMidiPrefs filter;
    filter.ThinMessageType(LCMidiPrefs::MT_PITCHBEND, 1);
    constexpr int kPerThread = 2000;
    std::atomic<int> kept{0};
    const auto play = [&] {
        for (int i = 0; i < kPerThread; ++i) {
            MCMidiMsgVector messages;
            messages.Add(Message(0.0f, 0xE0, 0, 70));
            filter.Process(messages);
            kept += messages.GetSize();
        }
    };
    std::thread first(play);
    std::thread second(play);
    for (int i = 0; i < kPerThread; ++i)
        filter.BlockMessageType(LCMidiPrefs::MT_SYSEX, i & 1);
    first.join();
    second.join();
    EXPECT_EQ(kept.load(), kPerThread);
    EXPECT_EQ(filter.GetThinCounter(), 2 * kPerThread + 1);
}

TEST(LCMidiPrefs, ReadsItsFlagsFromThePreferences)
{
    SaveIntPreference("Filter Test\\Filter", "Program Change", 0);
    SaveIntPreference("Filter Test\\Filter", "SysRealtime", 0);
    SaveIntPreference("Filter Test\\Filter", "Notes", 1);
    SaveIntPreference("Filter Test", "Thin Controllers", 1);
    SaveIntPreference("Filter Test", "Thin Aftertouch", 1);
    LCMidiPrefs filter;
    filter.BlockMessageType(LCMidiPrefs::MT_NOTES, 1);
    filter.LoadBlockPreferences("Filter Test\\Filter");
    filter.LoadThinPreferences("Filter Test");
    for (int type = 0; type < LCMidiPrefs::MT_COUNT; ++type)
        EXPECT_EQ(filter.MessageTypeBlocked(type) != 0,
                  type == LCMidiPrefs::MT_PROGRAM || type == LCMidiPrefs::MT_SYSREALTIME)
            << type;
    // Poly pressure thins with the controllers.
    for (int type = 0; type < LCMidiPrefs::MT_COUNT; ++type)
        EXPECT_EQ(filter.MessageTypeThinned(type) != 0,
                  type == LCMidiPrefs::MT_CONTROLLERS || type == LCMidiPrefs::MT_POLYPRESSURE ||
                      type == LCMidiPrefs::MT_AFTERTOUCH)
            << type;
}

// ---- the filter list --------------------------------------------------------------

// Counts living filters, so tests see which list deleted what.
class CountedFilter : public LCMidiFilter {
public:
    CountedFilter() { ++s_alive; }
    ~CountedFilter() override { --s_alive; }
    static int s_alive;
};
int CountedFilter::s_alive = 0;

TEST(MCMidiFilterList, OneListKeepsAFilterWhicheverHolderGoesFirst)
{
    for (bool keeperFirst : {true, false}) {
        auto keeper = std::make_unique<MCMidiFilterList>(MCMidiFilterList::FILTERS_OWNED);   // a mark's list
        auto staff = std::make_unique<MCMidiFilterList>(MCMidiFilterList::FILTERS_OWNED);    // a staff's list
        auto* shared = new CountedFilter;
        auto* own = new CountedFilter;
        keeper->Add(shared);
        staff->Add(own);
        EXPECT_EQ(staff->Add(shared), 1);
        EXPECT_EQ(staff->Add(shared), 0);   // once per list
        EXPECT_EQ(shared->GetKeeper(), keeper.get());
        EXPECT_EQ(shared->GetOwnerList(), staff.get());   // it plays in the staff's list
        EXPECT_EQ(CountedFilter::s_alive, 2);

        if (keeperFirst) {
            keeper.reset();   // deletes the filter, which leaves the staff's list
            EXPECT_EQ(CountedFilter::s_alive, 1);
            EXPECT_EQ(staff->GetCount(), 1);
            staff.reset();
        } else {
            staff.reset();    // only lets the shared filter go
            EXPECT_EQ(CountedFilter::s_alive, 1);
            EXPECT_EQ(shared->GetOwnerList(), nullptr);
            EXPECT_EQ(keeper->GetCount(), 1);
            keeper.reset();
        }
        EXPECT_EQ(CountedFilter::s_alive, 0) << keeperFirst;
    }

    // A borrowing list never deletes; removing with destroy from a list that
    // does not keep the filter only takes it out; a deleted filter leaves
    // every list.
    MCMidiFilterList global(MCMidiFilterList::FILTERS_BORROWED);
    MCMidiFilterList owning(MCMidiFilterList::FILTERS_OWNED);
    auto* filter = new CountedFilter;
    owning.Add(filter);
    global.Add(filter);
    EXPECT_EQ(global.Remove(filter, 1), 1);
    EXPECT_EQ(CountedFilter::s_alive, 1);
    global.Add(filter);
    delete filter;
    EXPECT_EQ(global.GetCount(), 0);
    EXPECT_EQ(owning.GetCount(), 0);
}

TEST(MCMidiFilterList, AddHeadPutsAnotherListsFiltersFirstInTheirOrder)
{
    MCMidiFilterList gathered;
    LCMidiFilter a, b, c, d;
    gathered.Add(&c, MCMidiFilterList::KEEP_OWNER_LIST);
    MCMidiFilterList first;
    first.Add(&a);
    first.Add(&b);
    first.Add(&c);   // already gathered: stays where it is
    gathered.AddHead(first);
    EXPECT_EQ(gathered.GetFilters(), (std::vector<LCMidiFilter*>{&a, &b, &c}));
    EXPECT_EQ(a.GetOwnerList(), &first);   // owner lists are not touched

    // During a walk newcomers go behind, so no entry runs twice.
    MCMidiFilterList later;
    later.Add(&d);
    {
        MCMidiFilterList::CWalk walk(gathered);
        gathered.AddHead(later);
        EXPECT_EQ(walk.GetAt(3), &d);
    }
    EXPECT_EQ(gathered.GetFilters(), (std::vector<LCMidiFilter*>{&a, &b, &c, &d}));
}

// ---- archives ----------------------------------------------------------------------

// A filter of the archive tests that counts the living and reads a field of
// its own after the base's, so a file can end inside it.
class CountedSerialFilter : public LCMidiFilter {
    DECLARE_SERIAL(CountedSerialFilter)
public:
    CountedSerialFilter() { ++s_alive; }
    ~CountedSerialFilter() override { --s_alive; }
    void Serialize(CArchive& ar) override
    {
        LCMidiFilter::Serialize(ar);
        if (ar.IsStoring())
            ar << m_value;
        else
            ar >> m_value;
    }
    LONG m_value = 0x11223344;
    static int s_alive;
};
IMPLEMENT_SERIAL(CountedSerialFilter, LCMidiFilter, VERSIONABLE_SCHEMA | 2)
int CountedSerialFilter::s_alive = 0;

TEST(MidiFilterArchives, AFilterAStaffLetsGoOnLoadingIsFreedUnlessAMarkKeepsIt)
{
    // A staff whose saved list holds a filter of its own kind it does not
    // keep: a transposition mark's, which the mark (read later) keeps, or, in
    // a damaged file, nobody's.
    for (bool markKeepsIt : {true, false}) {
        const int before = CountedSerialFilter::s_alive;
        Bytes bytes;
        {
            DCsqStaff staff;
            MCMidiFilterList mark(MCMidiFilterList::FILTERS_OWNED);
            auto* extra = new CountedSerialFilter;
            mark.Add(extra);   // the mark keeps it; the staff plays it
            staff.AddFilter(extra);
            CMemFile file;
            CArchive ar(&file, CArchive::store);
            ar.WriteObject(&staff);
            if (markKeepsIt)
                mark.Serialize(ar);
            ar.Close();
            bytes = file.Detach();
        }
        ASSERT_EQ(CountedSerialFilter::s_alive, before);

        MCMidiFilterList mark(MCMidiFilterList::FILTERS_OWNED);
        std::unique_ptr<CObject> staff;
        {
            ECLoadGuard guard;
            CMemFile file(bytes);
            CArchive ar(&file, CArchive::load);
            staff.reset(ar.ReadObject(RUNTIME_CLASS(DCsqStaff)));
            if (markKeepsIt)
                mark.Serialize(ar);
            guard.Commit();
        }
        EXPECT_EQ(CountedSerialFilter::s_alive, before + (markKeepsIt ? 1 : 0)) << markKeepsIt;
        EXPECT_EQ(mark.GetCount(), markKeepsIt ? 1 : 0);
    }
}

TEST(MidiFilterArchives, AListCutShortFreesTheFilterItWasReading)
{
    MCMidiFilterList written(MCMidiFilterList::FILTERS_OWNED);
    written.Add(new CountedSerialFilter);
    written.Add(new CountedSerialFilter);
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        written.Serialize(ar);
        ar.Close();
    }
    const Bytes bytes = file.Detach();
    const int before = CountedSerialFilter::s_alive;
    for (size_t cut = 1; cut < bytes.size(); ++cut) {
        {
            MCMidiFilterList read(MCMidiFilterList::FILTERS_OWNED);
            CMemFile part(Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut)));
            CArchive ar(&part, CArchive::load);
            EXPECT_THROW(read.Serialize(ar), CArchiveException) << cut;
        }
        EXPECT_EQ(CountedSerialFilter::s_alive, before) << "left behind after a cut at " << cut;
    }
}

TEST(MidiFilterArchives, GoldenBytesOfTheBaseAndTheAccent)
{
    LCMidiFilter base;
    base.SetEnabled(0);
    base.SetPriority(7);
    EXPECT_EQ(Save(&base), (ClassTag("LCMidiFilter") + Bytes{0x00, 0x07}));

    LCMidiAccent accent;
    accent.ProcessNotesOff(1);
    accent.SetDurationChange(1.3f);
    accent.SetVelocityOnChange(0.8f);
    accent.SetVelocityOffChange(2.0f);
    const Bytes bytes = Save(&accent);
    EXPECT_EQ(bytes, (ClassTag("LCMidiAccent") + Bytes{0x01, 0x00, 0x01} + Float(1.3f) + Float(0.8f) + Float(2.0f)));

    const auto loaded = Load<LCMidiAccent>(bytes);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->ProcessesNotesOff(), 1);
    EXPECT_FLOAT_EQ(loaded->GetDurationChange(), 1.3f);
    EXPECT_FLOAT_EQ(loaded->GetVelocityOnChange(), 0.8f);
    EXPECT_FLOAT_EQ(loaded->GetVelocityOffChange(), 2.0f);
    ExpectEveryCutThrows<LCMidiAccent>(bytes, "accent");

    // A version-0 file written with the class's schema 1 holds only the base's
    // two bytes; with schema 2 it holds the fields.
    const Bytes old = ClassTag("LCMidiAccent", 1) + Bytes{0x01, 0x00};
    const auto fromOld = Load<LCMidiAccent>(old, 0);
    ASSERT_NE(fromOld, nullptr);
    EXPECT_FLOAT_EQ(fromOld->GetDurationChange(), -1.0f);
    const auto fromSchema2 = Load<LCMidiAccent>(bytes, 0);
    ASSERT_NE(fromSchema2, nullptr);
    EXPECT_FLOAT_EQ(fromSchema2->GetDurationChange(), 1.3f);
}

TEST(MidiFilterArchives, EveryFilterRoundTrips)
{
    LCMidiTranspose transpose;
    transpose.SetEnabled(0);
    LCMidiPrefs prefs;
    prefs.SetPriority(9);
    LCMidiVelocity velocity;
    velocity.SetPriority(4);
    LCMidiVolume volume;
    volume.SetEnabled(0);
    const struct {
        const LCMidiFilter* filter;
        const char* name;
    } cases[] = {
        {&transpose, "LCMidiTranspose"},
        {&prefs, "LCMidiPrefs"},
        {&velocity, "LCMidiVelocity"},
        {&volume, "LCMidiVolume"},
    };
    for (const auto& c : cases) {
        const Bytes bytes = Save(c.filter);
        Bytes expected = ClassTag(c.name) + Bytes{static_cast<uint8_t>(c.filter->IsEnabled()),
                                                  static_cast<uint8_t>(c.filter->GetPriority())};
        // The level filters name their staff; none here.
        if (c.filter == &velocity || c.filter == &volume)
            expected = expected + Bytes{0x00, 0x00};
        EXPECT_EQ(bytes, expected) << c.name;
        const auto loaded = Load<LCMidiFilter>(bytes);
        ASSERT_NE(loaded, nullptr) << c.name;
        EXPECT_STREQ(loaded->GetRuntimeClass()->m_lpszClassName, c.name);
        EXPECT_EQ(loaded->IsEnabled(), c.filter->IsEnabled()) << c.name;
        EXPECT_EQ(loaded->GetPriority(), c.filter->GetPriority()) << c.name;
        ExpectEveryCutThrows<LCMidiFilter>(bytes, c.name);
    }
}

}   // namespace
