// The song file's tempo points: tenths of a beat per minute into microseconds,
// and the milliseconds a point lies after the start at the tempos before it.
#include "interface/document/tempomap.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(MCTempoMap, TurnsTenthsOfABeatIntoMicroseconds) {
    const struct {
        short tenths;
        int32_t tempo;
    } cases[] = {
        {1200, 500000}, {600, 1000000}, {1205, 497925}, {1, 600000000},
        {0, 500000},    // no tempo: the default stays
        {-1200, 500000},  // a damaged value: the default stays
    };
    for (const auto& c : cases) {
        MCTempoMap map;
        map.SetTempo(c.tenths);
        EXPECT_EQ(map.GetTempo(), c.tempo) << c.tenths;
    }
    MCTempoMap map;
    map.SetTempo(900);
    EXPECT_NEAR(map.GetBeatsPerMinute(), 90.0f, 0.0001f);
}

TEST(MCTempoMap, CountsTheBaseFromThePointBefore) {
    MCTempoMap first;
    first.SetTempo(1200);   // 500 ms a beat
    first.InitBase();
    MCTempoMap second;
    second.SetTickPosition(4 * 96);
    second.SetTempo(600);
    second.SetBase(first);
    EXPECT_EQ(second.GetBaseTime(), 2000);
    MCTempoMap third;
    third.SetTickPosition(4 * 96 + 48);   // half a beat at 1000 ms
    third.SetBase(second);
    EXPECT_EQ(third.GetBaseTime(), 2500);

    // Copies carry all three values.
    const MCTempoMap copy = third;
    EXPECT_EQ(copy.GetTickPosition(), third.GetTickPosition());
    EXPECT_EQ(copy.GetBaseTime(), 2500);
    EXPECT_EQ(copy.GetTempo(), third.GetTempo());

    // Far-apart points saturate instead of wrapping.
    MCTempoMap slow;
    slow.SetTempo(1);
    MCTempoMap far;
    far.SetTickPosition(INT32_MAX);
    far.SetBase(slow);
    EXPECT_EQ(far.GetBaseTime(), INT32_MAX);
}

TEST(MCTempoMap, MulDivKeepsTheProductIn64Bits) {
    const struct {
        int32_t a, b, c, result;
    } cases[] = {
        {1 << 20, 1 << 20, 1 << 10, 1 << 30},
        {96, 500000, 96000, 500},
        {-96, 500000, 96000, -500},
        {7, 3, 2, 10},
        {5, 5, 0, 0},
        {INT32_MAX, INT32_MAX, 1, INT32_MAX},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MCTempoMap::muldiv32(c.a, c.b, c.c), c.result) << c.a << " " << c.b << " " << c.c;
}

}  // namespace
