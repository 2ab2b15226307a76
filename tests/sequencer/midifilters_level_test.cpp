// The staff's level filters: the velocity curve at the staff level, its
// hairpins and exact velocities, the staff's gain; the volume filter; both
// archived with their staff.
#include "sequencer/midifilters.h"

#include "sequencer/performers.h"
#include "sequencer/staffperformer.h"
#include "tests/sequencer/midifilters_test.h"

#include <gtest/gtest.h>

#include <limits>

#include <tuple>

namespace {

using namespace filtertest;

// The velocity a note-on of velocity v leaves the filter with.
int Played(LCMidiVelocity& filter, unsigned velocity, float time = 0.0f)
{
    MCMidiMsgVector messages;
    messages.Add(Message(time, 0x90, 60, velocity));
    filter.Process(messages);
    return At(messages, 0).m_noteOn.GetDataByte2();
}

TEST(LCMidiVelocity, StaffLevelScalesTheDynamicsToTheirMidiValues)
{
    EXPECT_EQ(LCMidiVelocity::StaffLevelForGain(1.0f), 64.0f);
    EXPECT_EQ(LCMidiVelocity::StaffLevelForGain(0.5f), 32.0f);
    EXPECT_EQ(LCMidiVelocity::StaffLevelForGain(1.57f), 100.0f);   // 100.48, cut
    EXPECT_EQ(LCMidiVelocity().GetStaffLevel(), 64.0f);             // no staff

    // At the default level the quietest note of each dynamic sounds at the
    // dynamic's own MIDI value, and the loudest some ten steps above it
    // (within 127): velocities stay musical, from ppp to fff.
    const struct {
        unsigned char type;
        int softest, middle, loudest;
    } curve[] = {
        {0, 1, 6, 11},       {1, 14, 19, 24},    {2, 28, 33, 38},    {3, 42, 47, 53},
        {4, 56, 62, 67},     {5, 71, 76, 81},    {6, 85, 90, 95},    {7, 99, 104, 110},
        {8, 113, 119, 124},  {9, 127, 127, 127},
        {11, 71, 76, 81},    // a crescendo with nothing before it starts from mf
    };
    for (const auto& c : curve) {
        LCMidiVelocity filter;
        filter.SetDynamicType(c.type);
        EXPECT_EQ(Played(filter, 1), c.softest) << int(c.type);
        EXPECT_EQ(Played(filter, 64), c.middle) << int(c.type);
        EXPECT_EQ(Played(filter, 127), c.loudest) << int(c.type);
        if (c.type <= 9) {
            EXPECT_NEAR(c.softest, DCsqDynamic::TypeToMidiValue(c.type), 1) << int(c.type);
        }
    }
}

TEST(LCMidiVelocity, ExactVelocitiesIgnoreWhatWasPlayed)
{
    LCMidiVelocity filter;
    filter.SetVelocityExact(1);
    filter.SetInitialVelocity(0xC5);   // seven bits: 69; a plain dynamic sets the final too
    EXPECT_EQ(filter.GetInitialVelocity(), 69);
    EXPECT_EQ(filter.GetFinalVelocity(), 69);
    EXPECT_EQ(Played(filter, 1), 69);
    EXPECT_EQ(Played(filter, 127), 69);

    // Only note-ons change.
    MCMidiMsgVector messages;
    messages.Add(Message(0.0f, 0x80, 60, 10));
    messages.Add(Message(0.0f, 0xB0, 7, 10));
    filter.Process(messages);
    EXPECT_EQ(At(messages, 0).m_noteOn.GetDataByte2(), 10);
    EXPECT_EQ(At(messages, 1).m_noteOn.GetDataByte2(), 10);
}

TEST(LCMidiVelocity, HairpinsRampTheFloorOverTheirSpan)
{
    // Expected floors and ranges computed from the rule: one dynamic change
    // of 2 moves the floor by 64 / 127 x 28 over the span.
    const float step = 64.0f / 127.0f * 28.0f;
    const float mfFloor = 1.111f * 64.0f;
    const float range = 64.0f / 127.0f * 21.0f;
    const struct {
        unsigned char type;
        float sign;
    } hairpins[] = {{11, 1.0f}, {14, 1.0f}, {12, -1.0f}, {13, -1.0f}, {15, -1.0f}};
    for (const auto& h : hairpins) {
        LCMidiVelocity filter;
        EXPECT_EQ(Played(filter, 64), 76);   // mf prepared first: the level in force
        filter.SetDynamicType(h.type);
        const MCTime start(4.0f);
        const MCTime span(4.0f);
        filter.SetStartTime(&start);
        filter.SetDuration(&span);
        filter.SetPrepared(0);

        const struct {
            float time, along;
        } points[] = {{4.0f, 0.0f}, {5.0f, 0.25f}, {6.0f, 0.5f}, {7.5f, 0.875f}, {8.0f, 1.0f}, {9.0f, 1.0f}};
        for (const auto& p : points) {
            const float floor = mfFloor + h.sign * step * p.along;
            const int expected = static_cast<int>(64.0f / 127.0f * range + floor);
            EXPECT_EQ(Played(filter, 64, p.time), expected) << int(h.type) << " at " << p.time;
        }
        EXPECT_EQ(filter.IsRampRunning(), 0) << int(h.type);
        // The level reached holds for the next hairpin.
        EXPECT_NEAR(filter.GetCurrentFloor(), mfFloor + h.sign * step, 1e-3) << int(h.type);
    }

    // A ramp never passes the limits: a crescendo from fff stays at 127, a
    // diminuendo from ppp at 1.
    for (const auto& [from, type, expected] : {std::tuple{9, 11, 127}, std::tuple{0, 12, 1}}) {
        LCMidiVelocity filter;
        filter.SetDynamicType(static_cast<unsigned char>(from));
        Played(filter, 1);
        filter.SetDynamicType(static_cast<unsigned char>(type));
        filter.SetDynamicChange(9);
        const MCTime start(0.0f);
        const MCTime span(1.0f);
        filter.SetStartTime(&start);
        filter.SetDuration(&span);
        filter.SetPrepared(0);
        EXPECT_EQ(Played(filter, 1, 2.0f), expected) << from << " " << type;
    }
}

TEST(LCMidiVelocity, ExactHairpinsRampFromInitialToFinalVelocity)
{
    LCMidiVelocity filter;
    filter.SetDynamicType(11);
    filter.SetVelocityExact(1);
    filter.SetInitialVelocity(40);
    filter.SetFinalVelocity(80);
    const MCTime start(0.0f);
    const MCTime span(2.0f);
    filter.SetStartTime(&start);
    filter.SetDuration(&span);
    EXPECT_EQ(Played(filter, 100, 0.0f), 40);
    EXPECT_EQ(Played(filter, 100, 1.0f), 60);
    EXPECT_EQ(Played(filter, 100, 1.5f), 70);
    EXPECT_EQ(Played(filter, 100, 3.0f), 80);

    // Without a start or a duration there is no ramp to follow.
    LCMidiVelocity still;
    still.SetDynamicType(11);
    still.SetVelocityExact(1);
    still.SetInitialVelocity(40);
    still.SetFinalVelocity(80);
    still.SetDuration(&span);
    EXPECT_EQ(Played(still, 100, 1.0f), 40);
    EXPECT_EQ(Played(still, 100, 3.0f), 40);
}

TEST(LCMidiVelocity, TheStaffGainSetsTheLevel)
{
    DCsqStaff staff;   // no sequence: its volume factor is gain x score factor
    LCMidiVelocity* filter = staff.GetVelocityFilter();
    ASSERT_NE(filter, nullptr);
    EXPECT_EQ(filter->GetStaffData(), &staff);
    EXPECT_EQ(filter->GetStaffLevel(), 64.0f);
    staff.SetTrackGain(0.5f);
    EXPECT_EQ(filter->GetStaffLevel(), 32.0f);
    // mf at half gain: floor 1.111 x 32, range 32 / 127 x 21.
    EXPECT_EQ(Played(*filter, 1), 35);
    EXPECT_EQ(Played(*filter, 127), 40);
}

// A damaged file's gain, huge or not a number, sets the level within the
// volume's range (it was converted to an integer before it was cut).
TEST(DCsqStaff, AnyGainSetsALevelWithinTheVolumesRange)
{
    const struct {
        float gain;
        int performed;
    } cases[] = {{1.3e38f, 127}, {-1.3e38f, 0}, {std::numeric_limits<float>::quiet_NaN(), 0},
                 {std::numeric_limits<float>::infinity(), 127}, {0.5f, 50}};
    for (const auto& c : cases) {
        DCsqStaff staff;
        staff.SetLevelWithVolume(1);
        ASSERT_TRUE(staff.SetsLevelWithVolume());
        staff.SetTrackGain(c.gain);
        EXPECT_EQ(staff.GetLastPerformedVolume(), c.performed) << c.gain;
    }
}

// ---- volume ----------------------------------------------------------------------

TEST(LCMidiVolume, ScalesTheWrittenVolumeByTheStaffsFactorThenRestsUntilTriggered)
{
    const struct {
        float gain;
        unsigned written, performed;
    } cases[] = {{0.5f, 100, 50}, {1.0f, 100, 100}, {2.0f, 100, 127}, {0.25f, 3, 0}};
    for (const auto& c : cases) {
        DCsqStaff staff;
        staff.SetTrackGain(c.gain);
        staff.SetScoreFactor(0.5f);   // a ramp's factor: the written volume replaces it
        LCMidiVolume* filter = staff.GetVolumeFilter();
        ASSERT_NE(filter, nullptr);
        filter->SetEnabled(1);

        MCMidiMsgVector messages;
        messages.Add(Note(0.0f, 60, 100));
        messages.Add(Message(0.0f, 0xB3, 7, c.written));
        messages.Add(Message(0.0f, 0xB3, 10, 64));   // pan: not a volume
        filter->Process(messages);
        EXPECT_EQ(At(messages, 1).m_noteOn.GetDataByte2(), c.performed) << c.gain;
        EXPECT_EQ(At(messages, 0).m_noteOn.GetDataByte2(), 100);
        EXPECT_EQ(At(messages, 2).m_noteOn.GetDataByte2(), 64);
        EXPECT_EQ(staff.GetScoreFactor(), 1.0f);
        EXPECT_EQ(staff.GetLastDocumentVolume(), static_cast<int>(c.written));
        EXPECT_EQ(staff.GetLastPerformedVolume(), static_cast<int>(c.performed));
        EXPECT_EQ(filter->IsEnabled(), 0) << c.gain;
    }

    // Without a volume among the messages it stays on.
    DCsqStaff staff;
    staff.GetVolumeFilter()->SetEnabled(1);
    MCMidiMsgVector messages;
    messages.Add(Note(0.0f, 60, 100));
    staff.GetVolumeFilter()->Process(messages);
    EXPECT_EQ(staff.GetVolumeFilter()->IsEnabled(), 1);
}

TEST(MidiFilterArchives, TheLevelFiltersComeBackWithTheirStaff)
{
    DCsqStaff staff;
    const auto loaded = Load<DCsqStaff>(Save(&staff));
    ASSERT_NE(loaded, nullptr);
    ASSERT_NE(loaded->GetVelocityFilter(), nullptr);
    ASSERT_NE(loaded->GetVolumeFilter(), nullptr);
    EXPECT_EQ(loaded->GetVelocityFilter()->GetStaffData(), loaded.get());
    EXPECT_EQ(loaded->GetVolumeFilter()->GetStaffData(), loaded.get());
    EXPECT_EQ(loaded->GetVelocityFilter()->GetKeeper(), loaded->GetFilters());
}

}   // namespace
