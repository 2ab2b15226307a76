// Intervals between written notes and keys: sizes in staff steps, qualities
// up and down, and the note an interval reaches.
#include "notation/layout/pitchutils.h"

#include <gtest/gtest.h>

namespace {

using U = MCPitchUtils;

// A key spelled on a degree (0 C ... 6 B).
MCPitch On(int key, int degree) {
    MCPitch p;
    p.SetPitchByDegree(static_cast<uint8_t>(key), static_cast<uint8_t>(degree));
    return p;
}

TEST(PitchUtilsTest, IntervalsBetweenKeys) {
    MCPitchUtils u;
    const struct {
        int a, b, ordered, unordered, orderedPC, unorderedPC;
    } cases[] = {
        {60, 67, 7, 7, 7, 5},
        {67, 60, -7, 7, 5, 5},
        {60, 66, 6, 6, 6, 6},
        {60, 85, 25, 25, 1, 1},
        {62, 62, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const uint8_t a = static_cast<uint8_t>(c.a), b = static_cast<uint8_t>(c.b);
        EXPECT_EQ(u.OrderedInterval(a, b), c.ordered) << c.a << "-" << c.b;
        EXPECT_EQ(u.UnorderedInterval(a, b), c.unordered) << c.a << "-" << c.b;
        EXPECT_EQ(u.OrderedPCInterval(a, b), c.orderedPC) << c.a << "-" << c.b;
        EXPECT_EQ(u.UnorderedPCInterval(a, b), c.unorderedPC) << c.a << "-" << c.b;
    }
}

TEST(PitchUtilsTest, OrderedIntervalsUpAndDown) {
    MCPitchUtils u;
    const struct {
        int key1, degree1, key2, degree2;
        int size;
        uint8_t quality;
    } cases[] = {
        {60, 0, 76, 2, 9, U::MAJOR},                  // C to the E above the octave
        {60, 0, 61, 0, 0, U::AUGMENTED},              // C to C sharp
        {60, 0, 59, 0, 0, U::DIMINISHED},             // C to C flat
        {62, 1, 60, 0, -1, U::MAJOR},                 // D down to C
        {60, 0, 54, 3, -4, U::DIMINISHED},            // C down to F sharp
        {60, 0, 63, 2, 2, U::MINOR},
        {60, 0, 66, 3, 3, U::AUGMENTED},
        {60, 0, 67, 4, 4, U::PERFECT},
        {60, 0, 72, 0, 7, U::PERFECT},
        {60, 0, 71, 0, 7, U::DIMINISHED},             // C to C flat an octave up
        {60, 0, 62, 2, 2, U::DIMINISHED},             // C to E double flat
        {60, 0, 68, 4, 4, U::AUGMENTED},
        {60, 0, 57, 5, -2, U::MINOR},                 // C down to A
        {60, 0, 48, 0, -7, U::PERFECT},
        {61, 0, 60, 0, 0, U::DIMINISHED},             // C sharp to C
        {60, 0, 62, 0, 0, U::DOUBLY_AUGMENTED},       // C to C double sharp
    };
    for (const auto& c : cases) {
        const auto i = u.OrderedInterval(On(c.key1, c.degree1), On(c.key2, c.degree2));
        EXPECT_EQ(i.size, c.size) << c.key1 << " to " << c.key2;
        EXPECT_EQ(i.quality, c.quality) << c.key1 << " to " << c.key2;
    }
}

TEST(PitchUtilsTest, UnorderedAndPitchClassFormsAndDiatonicSteps) {
    MCPitchUtils u;
    const MCPitch c5 = On(60, 0), e6 = On(76, 2), fSharp4 = On(54, 3);
    EXPECT_EQ(u.UnorderedInterval(c5, fSharp4).size, 4);
    EXPECT_EQ(u.UnorderedInterval(c5, fSharp4).quality, U::DIMINISHED);
    EXPECT_EQ(u.OrderedPCInterval(c5, e6).size, 2);
    EXPECT_EQ(u.OrderedPCInterval(c5, fSharp4).size, 3);   // -4 brought into 0..6
    EXPECT_EQ(u.UnorderedPCInterval(c5, On(67, 4)).size, 3);   // C-G: the fourth down is smaller
    EXPECT_EQ(u.UnorderedPCInterval(c5, On(67, 4)).quality, U::PERFECT);
    EXPECT_EQ(u.OrderedDiatonic(c5, e6), 9);
    EXPECT_EQ(u.OrderedDiatonic(e6, c5), -9);
    EXPECT_EQ(u.UnorderedDiatonic(e6, c5), 9);
}

TEST(PitchUtilsTest, PitchFromInterval) {
    MCPitchUtils u;
    const struct {
        int key, degree;
        uint8_t quality;
        int size;
        int wantKey, wantDegree, wantAccidental, wantOctave;
    } cases[] = {
        {60, 0, U::MINOR, 2, 63, 2, -1, 5},              // minor third up: E flat
        {60, 0, U::MAJOR, 2, 64, 2, 0, 5},
        {60, 0, U::PERFECT, 4, 67, 4, 0, 5},
        {60, 0, U::AUGMENTED, 3, 66, 3, 1, 5},
        {60, 0, U::MAJOR, -1, 58, 6, -1, 4},             // a major second down: B flat
        {60, 0, U::DIMINISHED, -4, 54, 3, 1, 4},         // a diminished fifth down: F sharp
        {60, 0, U::PERFECT, 7, 72, 0, 0, 6},
        {61, 0, U::MAJOR, 2, 65, 2, 1, 5},               // C sharp: E sharp
        {58, 6, U::TRIPLY_DIMINISHED, 2, 58, 5, 1, 4},   // past a double flat: spelled anew, A sharp
    };
    for (const auto& c : cases) {
        MCPitchUtils::INTERVAL i;
        i.quality = c.quality;
        i.size = c.size;
        const MCPitch p = u.GetPitchFromInterval(On(c.key, c.degree), i);
        EXPECT_EQ(p.GetMidiPitch(), c.wantKey) << c.key << " by " << c.size;
        EXPECT_EQ(p.GetDegree(), c.wantDegree) << c.key << " by " << c.size;
        EXPECT_EQ(p.GetAccidental(), c.wantAccidental) << c.key << " by " << c.size;
        EXPECT_EQ(p.GetOctave(), c.wantOctave) << c.key << " by " << c.size;
        EXPECT_EQ(p.IsDirty(), 0);
        // The interval measured back is the one asked for, where it can be written.
        if (c.quality != U::TRIPLY_DIMINISHED) {
            const auto back = u.OrderedInterval(On(c.key, c.degree), p);
            EXPECT_EQ(back.size, c.size);
            EXPECT_EQ(back.quality, c.quality);
        }
    }
}

}  // namespace
