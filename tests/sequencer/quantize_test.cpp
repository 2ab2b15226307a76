// The quantize filter: its grids and weight tables, the choice between the
// straight and the triplet grid, strength, the kinds of message each mode
// moves, the wrap onto the next beat, and the memory that keeps a figure on
// one grid inside a beat.
#include "sequencer/quantize.h"

#include "model/midifields.h"
#include "model/time.h"
#include "tests/sequencer/midifilters_test.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace filtertest;

float QuantizedStart(LCMidiQuantize& filter, float time, int voice = 0, int track = 1)
{
    MCTime t = time;
    filter.Quantize(t, MCVoiceTrack(voice, track), Word(0x90, 60, 100));
    return t.GetSeconds();
}

TEST(LCMidiQuantize, GridPointsOfFourAndThreeDivisions)
{
    const struct {
        int division;
        std::vector<int> targets, limits;
    } cases[] = {
        {4, {0, 250, 500, 750, 1000}, {125, 375, 625, 875, 1125}},
        {3, {0, 333, 667, 1000}, {167, 500, 833, 1167}},
        {0, {0, 1000}, {500, 1500}},   // below 1 counts as one step
    };
    for (const auto& c : cases) {
        const std::vector<CQPoint> points = LCMidiQuantize::BuildQList(c.division);
        ASSERT_EQ(points.size(), c.targets.size()) << c.division;
        for (size_t i = 0; i < points.size(); ++i) {
            EXPECT_EQ(points[i].m_nTarget, c.targets[i]) << c.division << " point " << i;
            EXPECT_EQ(points[i].m_nLimit, c.limits[i]) << c.division << " point " << i;
        }
    }
}

TEST(LCMidiQuantize, WeightsAreFullOnAGridPointAndEmptyHalfWay)
{
    LCMidiQuantize filter;   // 4 and 3
    const struct {
        int part, primary, secondary;
    } cases[] = {
        {0, 255, 255},
        {125, 0, 64},      // half-way between two sixteenths
        {167, 85, 0},      // half-way between two triplet points
        {250, 255, 127},
        {333, 85, 255},
        {500, 255, 0},     // a sixteenth point half-way between triplets
        {999, 252, 255},   // the triplet grid's last span is one part short
        {-1, 0, 0},
        {1000, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(filter.GetPrimaryWeight(c.part), c.primary) << c.part;
        EXPECT_EQ(filter.GetSecondaryWeight(c.part), c.secondary) << c.part;
    }
    // Fewer than two points: nothing is close to anything.
    const auto empty = LCMidiQuantize::BuildQArray({});
    EXPECT_EQ(empty[0], 0);
    EXPECT_EQ(empty[999], 0);
}

TEST(LCMidiQuantize, FullStrengthTakesTheCloserGrid)
{
    LCMidiQuantize filter;
    filter.SetQuantizationPercent(100);
    const struct {
        float time, expected;
    } cases[] = {
        {0.26f, 0.25f},     // a sixteenth
        {0.34f, 0.333f},    // a triplet: the secondary weight is the higher
        {2.26f, 2.25f},     // any beat
        {1.70f, 1.667f},
        {1.80f, 1.75f},
        {3.04f, 3.0f},
        {0.9996f, 1.0f},    // part 1000 is part 0 of the next beat
    };
    for (const auto& c : cases)
        EXPECT_NEAR(QuantizedStart(filter, c.time), c.expected, 1e-5f) << c.time;
}

TEST(LCMidiQuantize, StrengthMovesPartOfTheWay)
{
    const struct {
        int percent;
        float time, expected;
        int stored;
    } cases[] = {
        {50, 0.040f, 0.020f, 50},
        {50, 0.260f, 0.255f, 50},
        {0, 0.260f, 0.260f, 0},
        {-10, 0.260f, 0.260f, 0},     // held to 0..100
        {150, 0.260f, 0.250f, 100},
    };
    for (const auto& c : cases) {
        LCMidiQuantize filter;
        filter.SetQuantizationPercent(c.percent);
        EXPECT_EQ(filter.GetQuantizationPercent(), c.stored) << c.percent;
        EXPECT_NEAR(QuantizedStart(filter, c.time), c.expected, 1e-5f) << c.percent << " " << c.time;
    }
}

TEST(LCMidiQuantize, ModeChoosesWhichEndsAndMessagesMove)
{
    const struct {
        unsigned mode;
        float start, duration, controller, sysEx;
    } cases[] = {
        // a note at 1.26 lasting 0.5 (end 1.76); a controller and a
        // system-exclusive message at 2.26
        {1, 1.25f, 0.5f, 2.26f, 2.26f},     // the start moves, the duration stays
        {3, 1.25f, 0.5f, 2.26f, 2.26f},     // end 1.25 + 0.5 = 1.75 stays on its point
        {4, 1.26f, 0.5f, 2.25f, 2.25f},     // only the other messages
        {0, 1.26f, 0.5f, 2.26f, 2.26f},
    };
    for (const auto& c : cases) {
        LCMidiQuantize filter;
        filter.SetQuantizationPercent(100);
        filter.SetQuantizationMode(c.mode);
        MCMidiMsgVector messages;
        messages.Add(Note(1.26f, 60, 100, 0x40, 0.5f));
        messages.Add(Message(2.26f, 0xB0, 7, 100));
        auto sysEx = std::make_unique<MidiMessage>();
        sysEx->m_time = 2.26f;
        const unsigned char bytes[] = {0xF0, 0x7E, 0x7F, 0xF7};
        sysEx->m_sysEx = FCMidiSysEx(bytes, sizeof bytes);
        messages.Add(std::move(sysEx));
        filter.Process(messages);
        EXPECT_NEAR(At(messages, 0).m_time.GetSeconds(), c.start, 1e-5f) << c.mode;
        EXPECT_NEAR(At(messages, 0).m_duration.GetSeconds(), c.duration, 1e-5f) << c.mode;
        EXPECT_NEAR(At(messages, 1).m_time.GetSeconds(), c.controller, 1e-5f) << c.mode;
        EXPECT_NEAR(At(messages, 2).m_time.GetSeconds(), c.sysEx, 1e-5f) << c.mode;
    }
}

TEST(LCMidiQuantize, BothEndsOfANoteFindTheirOwnPoints)
{
    LCMidiQuantize filter;
    filter.SetQuantizationPercent(100);
    MCMidiMsgVector messages;
    messages.Add(Note(0.02f, 60, 100, 0x40, 0.46f));   // ends at 0.48 after the move
    filter.Process(messages);
    EXPECT_NEAR(At(messages, 0).m_time.GetSeconds(), 0.0f, 1e-5f);
    EXPECT_NEAR(At(messages, 0).m_duration.GetSeconds(), 0.5f, 1e-5f);
}

TEST(LCMidiQuantize, MemoryKeepsAFigureOnOneGridInsideABeat)
{
    // Part 280 leans to the sixteenth grid; after a triplet note at 0.34 in
    // the same beat, voice and track, it follows the triplet instead.
    LCMidiQuantize filter;
    filter.SetQuantizationPercent(100);
    EXPECT_NEAR(QuantizedStart(filter, 0.28f), 0.25f, 1e-5f);   // no memory yet

    filter.SetTrackCount(2, 1);
    EXPECT_NEAR(QuantizedStart(filter, 0.34f, 0, 1), 0.333f, 1e-5f);
    EXPECT_NEAR(QuantizedStart(filter, 0.28f, 0, 1), 0.333f, 1e-5f);   // same figure
    EXPECT_NEAR(QuantizedStart(filter, 0.28f, 0, 2), 0.25f, 1e-5f);    // another track
    EXPECT_NEAR(QuantizedStart(filter, 0.28f, 1, 1), 0.25f, 1e-5f);    // another voice
    EXPECT_NEAR(QuantizedStart(filter, 1.28f, 0, 1), 1.25f, 1e-5f);    // the next beat
    // Voices 8 to 15 have no memory; a track outside the range shares entry 0.
    EXPECT_NEAR(QuantizedStart(filter, 0.34f, 9, 1), 0.333f, 1e-5f);
    EXPECT_NEAR(QuantizedStart(filter, 0.28f, 9, 1), 0.25f, 1e-5f);
    EXPECT_NEAR(QuantizedStart(filter, 3.34f, 2, 40), 3.333f, 1e-5f);
    EXPECT_NEAR(QuantizedStart(filter, 3.28f, 2, 1), 3.333f, 1e-5f);

    // A note on the beat itself (a point of both grids) sets nothing.
    filter.SetTrackCount(1, 1);
    EXPECT_NEAR(QuantizedStart(filter, 5.01f), 5.0f, 1e-5f);
    EXPECT_NEAR(QuantizedStart(filter, 5.28f), 5.25f, 1e-5f);
}

TEST(LCMidiQuantize, DivisionsRebuildTheirGridAndOddTimesStayPut)
{
    LCMidiQuantize filter;
    filter.SetQuantizationPercent(100);
    filter.SetPrimaryDivision(2);
    filter.SetSecondaryDivision(-5);
    EXPECT_EQ(filter.GetPrimaryDivision(), 2);
    EXPECT_EQ(filter.GetSecondaryDivision(), 0);
    EXPECT_EQ(filter.GetPrimaryPoints().size(), 3u);
    EXPECT_EQ(filter.GetSecondaryPoints().size(), 2u);
    EXPECT_NEAR(QuantizedStart(filter, 0.4f), 0.5f, 1e-5f);

    // Negative, huge and bar/pulse/tick times are left alone.
    EXPECT_FLOAT_EQ(QuantizedStart(filter, -0.4f), -0.4f);
    EXPECT_FLOAT_EQ(QuantizedStart(filter, 1e12f), 1e12f);
    MCTime bpt(2, 1, 10, 480);
    filter.Quantize(bpt, MCVoiceTrack(0, 1), Word(0x90, 60, 100));
    EXPECT_EQ(bpt.GetMode(), 4);
    EXPECT_EQ(bpt.GetBarPulseTick().tick, 10);
}

}   // namespace
