// The engine's states: their codes, their fields and defaults, copies and the
// living count of master states, delivery to a performance's handlers, and
// the transport state's command rate.
#include "sequencer/enginestates.h"

#include "model/commandmgr.h"
#include "tests/model/states_test.h"
#include "tests/platform/messaging_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using messaging_test::PumpUntil;
using statetest::HeldPerformance;

namespace {

TEST(EngineStates, CodesAreTheSystemsNumbers) {
    const struct {
        unsigned constant, code;
    } codes[] = {
        {STATE_MASTER_VOLUME, 0},      {STATE_MASTER_SPEED, 1},        {STATE_MASTER_TEMPO, 2},
        {STATE_PERFORM_STOP, 3300},    {STATE_PERFORM_PAUSE, 3301},    {STATE_PERFORM_PLAY, 3302},
        {STATE_PERFORM_STEP, 3303},    {STATE_PERFORM_RECORD, 3304},   {STATE_PERFORM_NEXT, 3305},
        {STATE_PERFORM_PREVIOUS, 3306}, {STATE_PERFORM_FORWARD, 3307}, {STATE_PERFORM_REWIND, 3308},
        {STATE_TRACK_MUTE, 3400},      {STATE_TRACK_SOLO, 3401},       {STATE_TRACK_RECORD, 3402},
        {STATE_TRACK_ACTIVE, 3403},    {STATE_TRACK_RECORDING, 3404},  {STATE_TRACK_VOLUME, 3405},
        {STATE_TRACK_PAN, 3406},       {STATE_TRACK_FREQUENCY, 3407},  {STATE_WAVE_RECORDED, 3600},
    };
    for (const auto& c : codes)
        EXPECT_EQ(c.constant, c.code);
    EXPECT_EQ(TT_STAFF, 1);
    EXPECT_EQ(TT_WAVE, 2);
}

TEST(EngineStates, FieldsStartAtTheirDefaultsAndHoldWhatIsSet) {
    SCMaster master(STATE_MASTER_VOLUME);
    EXPECT_EQ(master.GetSpeed(), 0.0f);
    master.SetVolume(57);
    EXPECT_EQ(master.GetBPM(), 57.0f);   // one value, read three ways
    const struct {
        float value;
        int volume;
    } truncations[] = {{1.75f, 1}, {99.99f, 99}, {-2.7f, -2}};
    for (const auto& t : truncations) {
        master.SetSpeed(t.value);
        EXPECT_EQ(master.GetVolume(), t.volume) << t.value;
    }
    master.SetBPM(132.5f);
    EXPECT_EQ(master.GetSpeed(), 132.5f);

    SCMusic music;
    EXPECT_EQ(music.GetCode(), 0u);
    EXPECT_TRUE(music.GetTime() == MCTime(0.0f));
    EXPECT_EQ(music.GetTempo(), 1.0f);
    EXPECT_EQ(music.GetTransposition(), 1.0f);
    music.SetTime(MCTime(3.0f));
    music.SetTempo(0.5f);
    music.SetTransposition(2.0f);
    EXPECT_TRUE(music.GetTime() == MCTime(3.0f));
    EXPECT_EQ(music.GetTempo(), 0.5f);
    EXPECT_EQ(music.GetTransposition(), 2.0f);

    EXPECT_TRUE(SCPerform(STATE_PERFORM_PLAY).GetTime() == MCTime(0.0f));
    const SCPerform locate(STATE_PERFORM_PLAY, MCTime(8.0f));
    EXPECT_EQ(locate.GetCode(), unsigned{STATE_PERFORM_PLAY});
    EXPECT_TRUE(locate.GetTime() == MCTime(8.0f));

    SCTrack track(STATE_TRACK_ACTIVE);
    EXPECT_EQ(track.GetTrack(), 0);
    EXPECT_EQ(track.GetTrackType(), TT_STAFF);
    EXPECT_EQ(track.GetValue(), 0);
    track.SetTrack(4);
    track.SetTrackType(TT_WAVE);
    track.SetValue(-5000);
    for (int number : {3, 1, 3})
        track.AddOnTrack(number);   // kept as given, repeats included
    track.AddOffTrack(2);
    EXPECT_EQ(track.GetTrack(), 4);
    EXPECT_EQ(track.GetTrackType(), TT_WAVE);
    EXPECT_EQ(track.GetValue(), -5000);
    EXPECT_EQ(track.GetOnList(), (std::vector<int>{3, 1, 3}));
    EXPECT_EQ(track.GetOffList(), (std::vector<int>{2}));

    SCWaveInfo info(STATE_WAVE_RECORDED);
    EXPECT_EQ(info.GetFilename(), "");
    EXPECT_TRUE(info.GetTime() == MCTime(0.0f));
    EXPECT_EQ(info.GetTrack(), nullptr);
    auto* performer = reinterpret_cast<DCsqWaveTrack*>(&info);   // only its address is kept
    info.SetFilename("take 1 – Größe.wav");
    info.SetTime(MCTime(12.25f));
    info.SetTrack(performer);
    EXPECT_EQ(info.GetFilename(), "take 1 – Größe.wav");
    EXPECT_TRUE(info.GetTime() == MCTime(12.25f));
    EXPECT_EQ(info.GetTrack(), performer);
}

// Both copies of a source whose base fields are all off their defaults carry
// the flags, code and target; `check` looks at the own fields.
template <class State, class Check>
void ExpectCopiesCarry(State& source, ECPerformance* target, Check check) {
    source.SetAutoDelete(0);
    source.SetAsynchronous(0);
    source.SetTarget(target);
    const State constructed(source);
    State assigned;
    assigned = source;
    for (const State* copy : {&constructed, static_cast<const State*>(&assigned)}) {
        EXPECT_EQ(copy->GetCode(), source.GetCode());
        EXPECT_EQ(copy->IsAutoDelete(), 0);
        EXPECT_EQ(copy->IsAsynchronous(), 0);
        EXPECT_EQ(copy->GetTarget(), target);
        check(*copy);
    }
}

TEST(EngineStates, CopiesCarryTheBaseAndTheOwnFields) {
    HeldPerformance performance;

    SCMaster master(STATE_MASTER_SPEED);
    master.SetSpeed(1.5f);
    ExpectCopiesCarry(master, performance.get(), [](const SCMaster& copy) { EXPECT_EQ(copy.GetSpeed(), 1.5f); });

    SCMusic music(7);
    music.SetTime(MCTime(4.0f));
    music.SetTempo(0.75f);
    music.SetTransposition(1.5f);
    ExpectCopiesCarry(music, performance.get(), [](const SCMusic& copy) {
        EXPECT_TRUE(copy.GetTime() == MCTime(4.0f));
        EXPECT_EQ(copy.GetTempo(), 0.75f);
        EXPECT_EQ(copy.GetTransposition(), 1.5f);
    });

    SCPerform perform(STATE_PERFORM_NEXT, MCTime(6.0f));
    ExpectCopiesCarry(perform, performance.get(),
                      [](const SCPerform& copy) { EXPECT_TRUE(copy.GetTime() == MCTime(6.0f)); });

    SCWaveInfo info(STATE_WAVE_RECORDED);
    info.SetFilename("take.wav");
    info.SetTime(MCTime(2.0f));
    ExpectCopiesCarry(info, performance.get(), [](const SCWaveInfo& copy) {
        EXPECT_EQ(copy.GetFilename(), "take.wav");
        EXPECT_TRUE(copy.GetTime() == MCTime(2.0f));
    });
}

TEST(EngineStates, EveryMasterStateAliveIsCountedCopiesIncluded) {
    const int before = SCMaster::s_iMessageCount;
    {
        SCMaster made;
        SCMaster coded(STATE_MASTER_TEMPO);
        SCMaster copied(coded);
        auto held = std::make_unique<SCMaster>(copied);
        EXPECT_EQ(SCMaster::s_iMessageCount, before + 4);
        made = coded;   // assignment makes none
        EXPECT_EQ(SCMaster::s_iMessageCount, before + 4);
    }
    EXPECT_EQ(SCMaster::s_iMessageCount, before);
}

// ---- delivery ------------------------------------------------------------------------

// What a handler saw of each state, as words.
struct Seen {
    std::vector<std::string> entries;
};

int RecordState(ECBase*, int, void* state, void* user) {
    auto& seen = static_cast<Seen*>(user)->entries;
    auto* base = static_cast<SCBase*>(state);
    std::string entry = std::to_string(base->GetCode());
    if (auto* master = dynamic_cast<SCMaster*>(base))
        entry += " volume " + std::to_string(master->GetVolume());
    else if (auto* track = dynamic_cast<SCTrack*>(base))
        entry += " track " + std::to_string(track->GetTrack()) + " on " +
                 std::to_string(track->GetOnList().size()) + " off " + std::to_string(track->GetOffList().size());
    else if (auto* info = dynamic_cast<SCWaveInfo*>(base))
        entry += " " + info->GetFilename();
    else if (auto* perform = dynamic_cast<SCPerform*>(base))
        entry += " at " + std::to_string(perform->GetTime().GetMSec());
    seen.push_back(entry);
    return 1;
}

TEST(EngineStates, AppliedStatesReachThePerformancesHandlersAndAreDeleted) {
    HeldPerformance performance;
    Seen seen;
    performance->AddStateHandler(&RecordState, &seen);
    const int masters = SCMaster::s_iMessageCount;

    auto* master = new SCMaster(STATE_MASTER_VOLUME);
    master->SetVolume(80);
    auto* track = new SCTrack(STATE_TRACK_ACTIVE);
    track->SetTrack(2);
    track->AddOnTrack(1);
    track->AddOnTrack(2);
    track->AddOffTrack(3);
    auto* info = new SCWaveInfo(STATE_WAVE_RECORDED);
    info->SetFilename("take.wav");
    auto* perform = new SCPerform(STATE_PERFORM_PAUSE, MCTime(1.5f));
    for (SCBase* state : std::initializer_list<SCBase*>{master, track, info, perform, new SCMusic(5)}) {
        EXPECT_EQ(state->IsAsynchronous(), 1);   // posted unless the sender says otherwise
        state->Apply(performance.get());
    }
    ASSERT_TRUE(PumpUntil([&] { return seen.entries.size() == 5; }));
    EXPECT_EQ(seen.entries, (std::vector<std::string>{"0 volume 80", "3403 track 2 on 2 off 1",
                                                       "3600 take.wav", "3301 at 1500", "5"}));
    EXPECT_EQ(SCMaster::s_iMessageCount, masters);   // deleted after delivery

    performance->RemoveStateHandlers();
}

TEST(EngineStates, StopAndRecordSetTheCommandRateOtherTransportCodesLeaveIt) {
    HeldPerformance performance;
    Seen seen;
    performance->AddStateHandler(&RecordState, &seen);
    const auto Rate = [&] { return performance->GetCommandMgr()->GetCommandRate(); };
    const auto Deliver = [&](unsigned code) {
        auto* state = new SCPerform(code);
        state->SetAsynchronous(0);
        state->Apply(performance.get());
    };

    const struct {
        unsigned code;
        unsigned rate;
    } steps[] = {
        {STATE_PERFORM_RECORD, 100},  {STATE_PERFORM_PAUSE, 100},    {STATE_PERFORM_PLAY, 100},
        {STATE_PERFORM_STEP, 100},    {STATE_PERFORM_NEXT, 100},     {STATE_PERFORM_PREVIOUS, 100},
        {STATE_PERFORM_FORWARD, 100}, {STATE_PERFORM_REWIND, 100},   {STATE_PERFORM_STOP, 0},
        {STATE_PERFORM_PLAY, 0},      {STATE_PERFORM_RECORD, 100},   {STATE_PERFORM_RECORD, 100},
        {STATE_PERFORM_STOP, 0},      {STATE_PERFORM_STOP, 0},
    };
    ASSERT_EQ(Rate(), 0u);
    for (const auto& step : steps) {
        Deliver(step.code);
        EXPECT_EQ(Rate(), step.rate) << step.code;
        EXPECT_EQ(seen.entries.back(), std::to_string(step.code) + " at 0");   // the handlers see it too
    }

    // Without a target the action has nothing to set.
    SCPerform record(STATE_PERFORM_RECORD);
    record.DoState();
    EXPECT_EQ(Rate(), 0u);

    performance->RemoveStateHandlers();
}

}  // namespace
