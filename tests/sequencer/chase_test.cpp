// The controller chase: what a relocation replays (a table of outputs and
// what is kept of them), its windows, progress states and spacing, the
// sound-off queue and the controller reset sent to the capture backend.
#include "sequencer/chase.h"

#include "model/appstates.h"
#include "model/conductor.h"
#include "model/performance.h"
#include "platform/core/clock.h"
#include "platform/devices/capture.h"
#include "platform/devices/portavel.h"
#include "sequencer/player.h"
#include "sequencer/seqevent.h"
#include "sequencer/sequence.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

DWORD Msg(int status, int data1 = 0, int data2 = 0) {
    return PackShortMsg(static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(data1),
                        static_cast<std::uint8_t>(data2));
}
DWORD CC(int channel, int controller, int value) { return Msg(0xB0 | channel, controller, value); }
DWORD Program(int channel, int program) { return Msg(0xC0 | channel, program); }

// One message the scripted player sends: at a musical time, to an output.
struct Sent {
    float time;
    int device;
    DWORD word;     // a short message, or 0 with `sysex`
    Bytes sysex;
};

// A player whose output is a script: each window answers the messages whose
// time lies in it, until a window starts at `end`, which answers null.
class ScriptedPlayer : public CSeqPlay {
public:
    CPVEventList* GetOutputEvents(const MCTime& from, const MCTime& to) override {
        windows.emplace_back(from.GetSeconds(), to.GetSeconds());
        EXPECT_EQ(from.GetMode(), TM_NORMAL);
        EXPECT_EQ(to.GetMode(), TM_NORMAL);
        if (from.GetSeconds() >= end)
            return nullptr;
        for (const Sent& sent : script) {
            if (sent.time < from.GetSeconds() || sent.time >= to.GetSeconds())
                continue;
            if (sent.sysex.empty())
                m_output.AddTail(CPVEventData::MakeShort(0, sent.device, sent.word));
            else
                m_output.AddTail(CPVEventData::MakeSysEx(0, sent.device, sent.sysex.data(), sent.sysex.size()));
        }
        return &m_output;
    }

    std::vector<Sent> script;
    float end = std::numeric_limits<float>::infinity();
    std::vector<std::pair<float, float>> windows;
};

// A queued chase record as the test reads it.
struct Queued {
    float time;
    int device;
    DWORD word;   // short messages
    Bytes sysex;
};

std::vector<Queued> ReadQueue(const CSeqEventQueue& queue) {
    std::vector<Queued> out;
    for (const auto& record : queue.GetRecords()) {
        const CPVEventData* data = record->GetData();
        Queued queued{record->GetTime().GetSeconds(), data->device, 0, {}};
        if (data->type == PV_EVENT_SHORT)
            queued.word = static_cast<DWORD>(data->data);
        else
            queued.sysex.assign(data->GetSysExBytes(), data->GetSysExBytes() + data->GetSysExLength());
        out.push_back(std::move(queued));
    }
    return out;
}

// The (device, word) pairs of a queue of short messages.
std::vector<std::pair<int, DWORD>> Words(const CSeqEventQueue& queue) {
    std::vector<std::pair<int, DWORD>> out;
    for (const Queued& queued : ReadQueue(queue))
        out.emplace_back(queued.device, queued.word);
    return out;
}

class ChaseTest : public ::testing::Test {
protected:
    ChaseTest() {
        auto backend = std::make_unique<CCaptureBackend>();   // two MIDI outputs
        capture = backend.get();
        portavel = std::make_unique<CPortavel>(std::move(backend));
        portavel->Initialize(1);
        portavel->EnableDevice(PV_MIDI, PV_OUTPUT, PV_ALL_DEVICES, 1);
        portavel->OpenDevices();
        portavel->StartDevices();
        capture->Clear();
        manager.Attach(nullptr);
    }

    // A short message the player sent, as TrackOutput sees it.
    void Output(int device, DWORD word) {
        const auto event = CPVEventData::MakeShort(0, device, word);
        manager.TrackOutput(event.get());
    }

    // The captured bytes sent to one output, in order.
    std::vector<Bytes> CapturedOn(int device) const {
        std::vector<Bytes> out;
        for (const auto& record : capture->GetMidi())
            if (record.device == device)
                out.push_back(record.bytes);
        return out;
    }

    CManualClock clock{5000};             // made first, gone last
    CCaptureBackend* capture = nullptr;   // owned by the library
    std::unique_ptr<CPortavel> portavel;
    CMidiStateMgr manager;                // gone before the library
};

TEST_F(ChaseTest, TablesAreSizedByTheMidiOutputs) {
    EXPECT_TRUE(manager.IsAttached());
    EXPECT_EQ(manager.GetDeviceCount(), 2);
    manager.Detach();
    EXPECT_FALSE(manager.IsAttached());
    EXPECT_EQ(manager.GetDeviceCount(), 0);
    // Not attached: everything is a harmless no-op.
    Output(0, CC(0, 7, 100));
    manager.ResetControllers();
    EXPECT_TRUE(capture->GetMidi().empty());
}

// What a relocation keeps of the player's output, in the order it replays it.
TEST_F(ChaseTest, RelocationKeepsTheLastValuesAndEachParameterSettingOnce) {
    auto rpn = [](int parameter, int value) {
        return std::vector<DWORD>{CC(0, 101, 0), CC(0, 100, parameter), CC(0, 6, value), CC(0, 101, 127),
                                  CC(0, 100, 127)};
    };
    auto join = [](std::initializer_list<std::vector<DWORD>> parts) {
        std::vector<DWORD> all;
        for (const auto& part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    };
    const std::vector<DWORD> nrpn = {CC(0, 99, 1), CC(0, 98, 8), CC(0, 6, 64), CC(0, 38, 3), CC(0, 99, 127),
                                     CC(0, 98, 127)};
    const struct {
        const char* name;
        std::vector<DWORD> sent;   // to output 0
        std::vector<DWORD> kept;
    } cases[] = {
        {"the second program change wins", {Program(0, 5), Program(0, 9)}, {Program(0, 9)}},
        {"the last volume of each channel",
         {CC(1, 7, 90), CC(1, 7, 70), CC(2, 7, 80)},
         {CC(1, 7, 70), CC(2, 7, 80)}},
        {"the order is the order sent", {CC(0, 7, 90), Program(0, 3), CC(0, 7, 70)}, {Program(0, 3), CC(0, 7, 70)}},
        {"notes and polyphonic pressure are not chased; pressure and bend are",
         {Msg(0x90, 60, 100), Msg(0xA0, 60, 30), Msg(0x80, 60, 0), Msg(0xD0, 40), Msg(0xE0, 0, 80)},
         {Msg(0xD0, 40), Msg(0xE0, 0, 80)}},
        {"a closed RPN setting replays its five messages", rpn(0, 2), rpn(0, 2)},
        {"the same setting twice replays once", join({rpn(0, 2), rpn(0, 2)}), rpn(0, 2)},
        {"a newer setting of one parameter replaces the older, others stay",
         join({rpn(0, 2), rpn(1, 64), rpn(0, 3)}), join({rpn(1, 64), rpn(0, 3)})},
        {"a setting still open at the location is chased whole",
         {CC(0, 101, 0), CC(0, 100, 0), CC(0, 6, 12), CC(0, 38, 0)},
         {CC(0, 101, 0), CC(0, 100, 0), CC(0, 6, 12), CC(0, 38, 0)}},
        {"an NRPN setting with a data LSB replays its six messages", nrpn, nrpn},
        {"data entry with no open parameter, and a second one, are dropped",
         {CC(0, 6, 5), CC(0, 101, 0), CC(0, 100, 1), CC(0, 6, 7), CC(0, 6, 9), CC(0, 101, 127), CC(0, 100, 127)},
         {CC(0, 101, 0), CC(0, 100, 1), CC(0, 6, 7), CC(0, 101, 127), CC(0, 100, 127)}},
        {"a record of the null number alone counts once",
         {CC(0, 101, 127), CC(0, 100, 127), CC(0, 101, 127), CC(0, 100, 127)},
         {CC(0, 101, 127), CC(0, 100, 127)}},
        {"an RPN number while an NRPN is open is dropped",
         {CC(0, 99, 1), CC(0, 101, 0), CC(0, 100, 0), CC(0, 98, 8)},
         {CC(0, 99, 1), CC(0, 98, 8)}},
        {"channel-mode and system messages all stay, in order",
         {CC(0, 121, 0), Msg(0xF6), CC(0, 121, 0)},
         {CC(0, 121, 0), Msg(0xF6), CC(0, 121, 0)}},
        {"a data byte is no message", {0x40, CC(0, 1, 20)}, {CC(0, 1, 20)}},
    };
    for (const auto& c : cases) {
        ScriptedPlayer player;
        float time = 0.0f;
        for (DWORD word : c.sent)
            player.script.push_back({time += 0.25f, 0, word, {}});
        manager.PrepareRelocationQueue(MCTime(20.0f), &player);
        std::vector<std::pair<int, DWORD>> expected;
        for (DWORD word : c.kept)
            expected.emplace_back(0, word);
        EXPECT_EQ(Words(manager.GetQueue()), expected) << c.name;
    }
}

TEST_F(ChaseTest, OutputsAreChasedApartAndUnknownOutputsAreDropped) {
    ScriptedPlayer player;
    player.script = {{1.0f, 1, CC(0, 7, 60), {}},
                     {2.0f, 0, CC(0, 7, 50), {}},
                     {3.0f, 7, CC(0, 7, 40), {}},
                     {4.0f, -1, Program(0, 1), {}}};
    manager.PrepareRelocationQueue(MCTime(8.0f), &player);
    EXPECT_EQ(Words(manager.GetQueue()), (std::vector<std::pair<int, DWORD>>{{1, CC(0, 7, 60)}, {0, CC(0, 7, 50)}}));
}

TEST_F(ChaseTest, ChaseIsSpacedSoDevicesCanFollowAndHandedOverInOrder) {
    const Bytes gmOn = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    ScriptedPlayer player;
    player.script = {{0.5f, 0, Program(0, 5), {}},
                     {1.0f, 0, CC(0, 7, 100), {}},
                     {6.0f, 1, CC(3, 10, 20), {}},
                     {11.0f, 0, 0, gmOn},
                     {11.5f, 0, CC(0, 1, 9), {}}};
    manager.PrepareRelocationQueue(MCTime(12.0f), &player);

    const auto queued = ReadQueue(manager.GetQueue());
    ASSERT_EQ(queued.size(), 5u);
    const struct {
        float time;
        int device;
        DWORD word;
    } expected[] = {
        {0.0f, 0, Program(0, 5)},   // + 20 ms after a program change
        {0.02f, 0, CC(0, 7, 100)},  // + 3 ms after a controller
        {0.023f, 1, CC(3, 10, 20)},
        {0.026f, 0, 0},             // the system exclusive: + 250 ms after it
        {0.276f, 0, CC(0, 1, 9)},
    };
    for (std::size_t i = 0; i < queued.size(); ++i) {
        EXPECT_NEAR(queued[i].time, expected[i].time, 1e-6) << i;
        EXPECT_EQ(queued[i].device, expected[i].device) << i;
        EXPECT_EQ(queued[i].word, expected[i].word) << i;
    }
    EXPECT_EQ(queued[3].sysex, gmOn);

    CSeqEventQueue playerQueue;
    manager.AppendEventsToQueue(playerQueue);
    EXPECT_TRUE(manager.GetQueue().IsEmpty());
    const auto handed = ReadQueue(playerQueue);
    ASSERT_EQ(handed.size(), 5u);
    for (std::size_t i = 0; i < handed.size(); ++i)
        EXPECT_EQ(handed[i].word, queued[i].word) << i;
}

TEST_F(ChaseTest, NoLocationNoChase) {
    for (float target : {0.0f, -3.0f}) {
        ScriptedPlayer player;
        player.script = {{0.0f, 0, Program(0, 5), {}}};
        manager.PrepareRelocationQueue(MCTime(target), &player);
        EXPECT_TRUE(player.windows.empty()) << target;
        EXPECT_TRUE(manager.GetQueue().IsEmpty()) << target;
    }
}

// The walk ends when the player answers null: a location past the end of
// the piece (the maximum time) costs no more than the piece.
TEST_F(ChaseTest, WalkEndsWhenThePlayerHasNothingMore) {
    ScriptedPlayer player;
    player.end = 10.0f;
    player.script = {{7.0f, 0, Program(0, 2), {}}};
    manager.PrepareRelocationQueue(MCTime::TimeMax(), &player);
    EXPECT_EQ(player.windows, (std::vector<std::pair<float, float>>{{0, 5}, {5, 10}, {10, 15}}));
    EXPECT_EQ(Words(manager.GetQueue()), (std::vector<std::pair<int, DWORD>>{{0, Program(0, 2)}}));
}

// With a sequence, each window's end is reported to the performance, sent
// before the window is walked.
TEST_F(ChaseTest, RelocationToQuarter12WalksThreeWindowsWithProgressStates) {
    auto* performance = new ECPerformance;
    performance->Ref();
    performance->AddChild(new ECConductor, SORTED);
    {
        CSequence sequence;
        sequence.Attach(performance);
        struct Progress {
            std::vector<float> times;
            ScriptedPlayer* player;
            std::vector<std::size_t> windowsSeen;   // windows walked when each state came
        } progress;
        ScriptedPlayer player;
        progress.player = &player;
        performance->AddStateHandler(
            [](ECBase*, int, void* state, void* user) {
                auto* seen = static_cast<Progress*>(user);
                auto* base = static_cast<SCBase*>(state);
                if (base->GetCode() == STATE_TIME_RELOCATED) {
                    seen->times.push_back(static_cast<SCTime*>(base)->GetTime().GetSeconds());
                    seen->windowsSeen.push_back(seen->player->windows.size());
                }
                return 0;
            },
            &progress);

        CMidiStateMgr chase;
        chase.Attach(&sequence);
        chase.PrepareRelocationQueue(MCTime(12.0f), &player);
        EXPECT_EQ(player.windows, (std::vector<std::pair<float, float>>{{0, 5}, {5, 10}, {10, 12}}));
        EXPECT_EQ(progress.times, (std::vector<float>{5, 10, 12}));
        EXPECT_EQ(progress.windowsSeen, (std::vector<std::size_t>{0, 1, 2}));
        chase.Detach();
        sequence.Detach();
    }
    performance->RemoveChildren(1);
    performance->Unref(1);
}

TEST_F(ChaseTest, SoundOffReleasesTheDamperAndSilencesChannelsThatPlayed) {
    Output(0, CC(2, 64, 127));        // damper held on channel 3
    Output(0, Msg(0x90, 60, 100));    // notes on channels 1 and 3
    Output(0, Msg(0x82, 64, 0));
    Output(0, CC(5, 64, 100));        // held, then released on channel 6
    Output(0, CC(5, 64, 10));
    Output(1, Msg(0x9F, 30, 1));      // channel 16 of the second output
    Output(9, Msg(0x90, 60, 100));    // an output beyond the tables
    manager.PrepareSoundOffQueue();
    const auto queued = ReadQueue(manager.GetQueue());
    EXPECT_EQ(Words(manager.GetQueue()), (std::vector<std::pair<int, DWORD>>{
                                             {0, CC(0, 123, 0)},
                                             {0, CC(2, 64, 0)},
                                             {0, CC(2, 123, 0)},
                                             {1, CC(15, 123, 0)},
                                         }));
    for (const Queued& record : queued)
        EXPECT_EQ(record.time, 0.0f);
}

TEST_F(ChaseTest, NotesSoundingAreMarkedPerOutputChannelAndKey) {
    const FCMidi c4(Msg(0x93, 60, 90));
    const FCMidi c4Off(Msg(0x83, 60, 0));
    manager.MarkNoteOn(1, c4);
    EXPECT_TRUE(manager.HaveNoteOn(1, c4Off));   // the off word finds its note
    EXPECT_FALSE(manager.HaveNoteOn(0, c4));
    EXPECT_FALSE(manager.HaveNoteOn(1, FCMidi(Msg(0x92, 60, 90))));
    EXPECT_FALSE(manager.HaveNoteOn(1, FCMidi(Msg(0x93, 61, 90))));
    manager.MarkNoteOn(5, c4);   // no such output: nothing, no harm
    EXPECT_FALSE(manager.HaveNoteOn(5, c4));
    manager.ClearNoteOn(1, c4Off);
    EXPECT_FALSE(manager.HaveNoteOn(1, c4));
    manager.MarkNoteOn(1, c4);
    manager.CleanAll();
    EXPECT_FALSE(manager.HaveNoteOn(1, c4));
}

TEST_F(ChaseTest, ResetUndoesWhatWasTouchedThenSetsEveryChannel) {
    Output(0, CC(0, 11, 30));         // expression -> 64
    Output(0, CC(0, 7, 90));          // volume -> 127, then 100 with every channel
    Output(0, CC(0, 0, 1));           // bank select: left alone
    Output(0, CC(0, 10, 0));          // pan -> 64
    Output(0, CC(0, 1, 50));          // modulation -> 0
    Output(0, Msg(0xE1, 0, 80));      // pitch bend on channel 2 -> centre
    Output(0, Msg(0xD1, 40));         // channel pressure on channel 2 -> 0
    Output(0, Msg(0xA0, 62, 30));     // polyphonic pressure on key 62 -> 0
    Output(0, Program(0, 7));         // nothing to undo
    manager.ResetControllers();

    std::vector<Bytes> expected = {
        {0xD1, 0},
        {0xE1, 0, 64},
        {0xA0, 62, 0},
        {0xB0, 1, 0},
        {0xB0, 7, 127},
        {0xB0, 10, 64},
        {0xB0, 11, 64},
    };
    std::vector<Bytes> everyChannel;
    for (std::uint8_t channel = 0; channel < 16; ++channel) {
        everyChannel.push_back({static_cast<std::uint8_t>(0xB0 | channel), 7, 100});
        everyChannel.push_back({static_cast<std::uint8_t>(0xB0 | channel), 121, 0});
    }
    expected.insert(expected.end(), everyChannel.begin(), everyChannel.end());
    EXPECT_EQ(CapturedOn(0), expected);
    EXPECT_EQ(CapturedOn(1), everyChannel);

    // The reset forgot what was touched.
    capture->Clear();
    manager.ResetControllers();
    EXPECT_EQ(CapturedOn(0), everyChannel);
}

TEST(ControllerResetTable, EachControllerHasItsAction) {
    const struct {
        int controller, action;
    } cases[] = {
        {0, CMidiStateMgr::RESET_NONE},   {1, CMidiStateMgr::RESET_ZERO},    {6, CMidiStateMgr::RESET_NONE},
        {7, CMidiStateMgr::RESET_FULL},   {8, CMidiStateMgr::RESET_CENTRE},  {10, CMidiStateMgr::RESET_CENTRE},
        {11, CMidiStateMgr::RESET_CENTRE}, {31, CMidiStateMgr::RESET_ZERO},  {32, CMidiStateMgr::RESET_NONE},
        {63, CMidiStateMgr::RESET_NONE},  {64, CMidiStateMgr::RESET_ZERO},   {83, CMidiStateMgr::RESET_ZERO},
        {84, CMidiStateMgr::RESET_NONE},  {85, CMidiStateMgr::RESET_ZERO},   {95, CMidiStateMgr::RESET_ZERO},
        {96, CMidiStateMgr::RESET_NONE},  {101, CMidiStateMgr::RESET_NONE},  {102, CMidiStateMgr::RESET_ZERO},
        {119, CMidiStateMgr::RESET_ZERO}, {120, CMidiStateMgr::RESET_NONE},  {127, CMidiStateMgr::RESET_NONE},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CMidiStateMgr::s_nControllerResetAction[c.controller], c.action) << c.controller;
}

}   // namespace
