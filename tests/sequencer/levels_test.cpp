// The highlight and level queues, filled as the player would and read
// against the manual clock: what falls due when, the 32-bit clock's wrap,
// stamp 0, tracks outside the count, and levels scaled by each staff's gain.
#include "sequencer/levels.h"

#include "model/conductor.h"
#include "model/event.h"
#include "model/performance.h"
#include "platform/core/clock.h"
#include "sequencer/enginestates.h"
#include "sequencer/performers.h"
#include "sequencer/sequence.h"
#include "sequencer/trackperformer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<ECBase*> Elements(const MCEventList& list) {
    std::vector<ECBase*> out;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        out.push_back(list.GetNext(pos));
    return out;
}

// Three events the test holds a reference on.
class HighlightTest : public ::testing::Test {
protected:
    HighlightTest() {
        for (ECBase*& event : events) {
            event = new ECBase;
            event->Ref();
        }
    }
    ~HighlightTest() override {
        manager.ResetHighlighting();   // the lists let their references go
        for (ECBase* event : events)
            event->Unref(1);
    }

    CManualClock clock{5000};
    CHighlightMgr manager;
    ECBase* events[3] = {};
};

TEST_F(HighlightTest, NothingIsKeptUntilHighlightingIsEnabled) {
    EXPECT_FALSE(manager.IsHighlightingEnabled());
    manager.SetHighlightOn(events[0], 4000);
    manager.SetHighlightOff(events[0], 4000);
    EXPECT_EQ(manager.GetHighlightOnList().GetCount(), 0);
    EXPECT_EQ(manager.GetHighlightOffList(1).GetCount(), 0);
}

TEST_F(HighlightTest, RecordsComeOutOldestFirstOnceTheClockReachesThem) {
    manager.EnableHighlighting(1);
    manager.SetHighlightOn(events[0], 5010);
    manager.SetHighlightOn(events[1], 5020);
    manager.SetHighlightOn(events[2], 5030);
    EXPECT_TRUE(Elements(manager.GetHighlightOnList()).empty());
    clock.Advance(20);   // 5020: stamps not after now are due
    EXPECT_EQ(Elements(manager.GetHighlightOnList()), (std::vector<ECBase*>{events[0], events[1]}));
    EXPECT_EQ(events[0]->GetRefCount(), 2);   // the list holds it until the next read
    clock.Advance(9);
    EXPECT_TRUE(Elements(manager.GetHighlightOnList()).empty());
    EXPECT_EQ(events[0]->GetRefCount(), 1);
    clock.Advance(1);
    EXPECT_EQ(Elements(manager.GetHighlightOnList()), (std::vector<ECBase*>{events[2]}));
}

// The player queues in time order; a record due later blocks the ones behind it.
TEST_F(HighlightTest, OffListTakesEverythingWhenAskedForAll) {
    manager.EnableHighlighting(1);
    manager.SetHighlightOff(events[0], 5000);
    manager.SetHighlightOff(events[1], 9000);
    manager.SetHighlightOff(events[2], 5001);
    EXPECT_EQ(Elements(manager.GetHighlightOffList(0)), (std::vector<ECBase*>{events[0]}));
    clock.Advance(1);
    EXPECT_TRUE(Elements(manager.GetHighlightOffList(0)).empty());
    EXPECT_EQ(Elements(manager.GetHighlightOffList(1)), (std::vector<ECBase*>{events[1], events[2]}));
    EXPECT_TRUE(Elements(manager.GetHighlightOffList(1)).empty());
}

TEST_F(HighlightTest, TheClocksWrapIsNoCliff) {
    CManualClock nearWrap{0xFFFFFFF0ull};
    manager.EnableHighlighting(1);
    manager.SetHighlightOn(events[0], 0xFFFFFFFAu);
    manager.SetHighlightOn(events[1], 0x00000010u);   // after the wrap
    EXPECT_TRUE(Elements(manager.GetHighlightOnList()).empty());
    nearWrap.Advance(10);
    EXPECT_EQ(Elements(manager.GetHighlightOnList()), (std::vector<ECBase*>{events[0]}));
    nearWrap.Advance(21);   // timeGetTime is 0x0000000F now
    EXPECT_TRUE(Elements(manager.GetHighlightOnList()).empty());
    nearWrap.Advance(1);
    EXPECT_EQ(Elements(manager.GetHighlightOnList()), (std::vector<ECBase*>{events[1]}));
}

TEST_F(HighlightTest, ResettingAndEnablingDropRecords) {
    manager.EnableHighlighting(1);
    manager.SetHighlightOn(events[0], 5000);
    manager.SetHighlightOff(events[2], 9000);
    EXPECT_EQ(events[0]->GetRefCount(), 2);   // the record's and the test's
    manager.EnableHighlighting(1);             // enabling resets
    EXPECT_EQ(events[0]->GetRefCount(), 1);
    EXPECT_EQ(events[2]->GetRefCount(), 1);
    EXPECT_TRUE(Elements(manager.GetHighlightOnList()).empty());
    EXPECT_TRUE(Elements(manager.GetHighlightOffList(1)).empty());

    manager.SetHighlightOn(events[0], 5000);
    EXPECT_EQ(Elements(manager.GetHighlightOnList()), (std::vector<ECBase*>{events[0]}));
    manager.ResetHighlighting();   // the list lets go too
    EXPECT_EQ(events[0]->GetRefCount(), 1);

    manager.SetHighlightOn(events[1], 5000);
    manager.Detach();   // lets go and turns highlighting off
    EXPECT_EQ(events[1]->GetRefCount(), 1);
    EXPECT_FALSE(manager.IsHighlightingEnabled());
}

// An event the tree lets go while its record waits is read safely and goes
// once the reader lets go of it.
TEST_F(HighlightTest, AWaitingRecordKeepsItsEventAlive) {
    struct Counted : ECBase {
        explicit Counted(int& deleted) : deleted(deleted) {}
        ~Counted() override { ++deleted; }
        int& deleted;
    };
    int deleted = 0;
    auto* note = new Counted(deleted);
    note->Ref();
    manager.EnableHighlighting(1);
    manager.SetHighlightOff(note, 5010);
    note->Unref(1);   // removed from the piece while it sounds
    EXPECT_EQ(deleted, 0);
    clock.Advance(10);
    EXPECT_EQ(Elements(manager.GetHighlightOffList(0)), (std::vector<ECBase*>{note}));
    EXPECT_EQ(deleted, 0);
    manager.GetHighlightOffList(0);
    EXPECT_EQ(deleted, 1);
}

// A piece with staves 1 to 3 and a sequence attached to it; the level
// manager reads each staff performer's gain.
class LevelTest : public ::testing::Test {
protected:
    LevelTest() {
        RegisterPerformers();
        performance = new ECPerformance;
        performance->Ref();
        conductor = new ECConductor;
        performance->AddChild(conductor, SORTED);
        for (int staff = 1; staff <= 3; ++staff)
            conductor->GetTrack(TRACK_STAFF, staff, 1);
        sequence = std::make_unique<CSequence>();
        sequence->Attach(performance);
        Staff(1)->SetTrackGain(1.0f);
        Staff(2)->SetTrackGain(0.5f);
        levels.Attach(sequence.get());
        levels.UpdateTrackCount();
    }
    ~LevelTest() override {
        levels.Detach();
        sequence->Detach();
        sequence.reset();
        performance->RemoveChildren(1);
        performance->Unref(1);
    }

    DCsqTrack* Staff(unsigned track) { return DCsqTrack::GetTrackData(track, TT_STAFF, sequence.get()); }

    CManualClock clock{5000};
    ECPerformance* performance = nullptr;
    ECConductor* conductor = nullptr;
    std::unique_ptr<CSequence> sequence;
    CMeterLevelMgr levels;
};

TEST_F(LevelTest, EachTrackShowsItsLoudestDueVelocityScaledByItsGain) {
    ASSERT_NE(Staff(1), nullptr);
    EXPECT_EQ(levels.GetTrackCount(), 4);   // staves 1-3 and the conductor staff's 0

    levels.SetMeterLevel(1, 64, 5000);
    levels.SetMeterLevel(1, 100, 5005);
    levels.SetMeterLevel(2, 64, 5010);   // due: read 10 ms ahead of the clock
    levels.SetMeterLevel(1, 127, 5011);  // not yet
    levels.SetMeterLevel(2, 127, 5011);
    const std::vector<float> first = levels.GetCurrentLevels();
    ASSERT_EQ(first.size(), 4u);
    EXPECT_FLOAT_EQ(first[1], 100.0f / 128.0f);
    EXPECT_FLOAT_EQ(first[2], 64.0f / 128.0f * 0.5f);   // a velocity below 128 is not 0
    EXPECT_EQ(first[3], 0.0f);
    EXPECT_EQ(levels.GetPendingCount(), 2);

    // Nothing new due: every level falls back to 0.
    EXPECT_EQ(levels.GetCurrentLevels(), std::vector<float>(4, 0.0f));
    clock.Advance(1);
    const std::vector<float> third = levels.GetCurrentLevels();
    EXPECT_FLOAT_EQ(third[1], 127.0f / 128.0f);
    EXPECT_FLOAT_EQ(third[2], 127.0f / 128.0f * 0.5f);
}

TEST_F(LevelTest, StampZeroIsReadNextAndUnknownTracksAreDropped) {
    levels.SetMeterLevel(2, 90, 9000);   // far ahead
    levels.SetMeterLevel(3, 80, 0);      // put first, read at once
    levels.SetMeterLevel(4, 127, 0);     // beyond the count: dropped without effect
    levels.SetMeterLevel(4000000000u, 127, 0);
    const std::vector<float> read = levels.GetCurrentLevels();
    ASSERT_EQ(read.size(), 4u);
    EXPECT_EQ(read[2], 0.0f);
    EXPECT_FLOAT_EQ(read[3], 80.0f / 128.0f);   // the default gain is 1
    EXPECT_EQ(levels.GetPendingCount(), 1);

    levels.ResetLevels();   // playback stopped: what waits is dropped
    EXPECT_EQ(levels.GetPendingCount(), 0);
    clock.Advance(5000);
    EXPECT_EQ(levels.GetCurrentLevels()[2], 0.0f);
}

TEST_F(LevelTest, TheTrackCountFollowsTheStaves) {
    conductor->GetTrack(TRACK_STAFF, 4, 1);
    conductor->GetTrack(TRACK_STAFF, 5, 1);
    levels.UpdateTrackCount();
    EXPECT_EQ(levels.GetTrackCount(), 6);
    levels.SetMeterLevel(5, 100, 0);
    EXPECT_EQ(levels.GetCurrentLevels().size(), 6u);

    CMeterLevelMgr detached;   // no sequence: no tracks, no gains
    detached.UpdateTrackCount();
    EXPECT_EQ(detached.GetTrackCount(), 0);
    detached.SetTrackCount(2);
    detached.SetMeterLevel(1, 100, 0);
    EXPECT_EQ(detached.GetCurrentLevels(), std::vector<float>(2, 0.0f));
}

}   // namespace
