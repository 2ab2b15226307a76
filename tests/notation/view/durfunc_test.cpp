// The view's duration functions: a notated length plays its last quarter
// (or last part of one) shortened to the gate, a played one reads back
// through the inverse, truncating, and never longer than the quarter it ends
// in; a zero length is zero both ways; lengths past 16 bits do not wrap.
#include "notation/view/cantrel.h"

#include "model/time.h"

#include <gtest/gtest.h>

namespace {

constexpr int kPPQ = 480;

class DurationFunctions : public ::testing::Test {
protected:
    void SetUp() override {
        m_ppq = MCTime::GlobalPPQ;
        m_gate = CCantrel::s_nDurFuncGate;
        MCTime::SetGlobalPPQ(kPPQ);
    }
    void TearDown() override {
        MCTime::SetGlobalPPQ(m_ppq);
        CCantrel::s_nDurFuncGate = m_gate;
    }

    static int Through(int ticks, bool inverse) {
        MCTime duration;
        duration.SetTicks(ticks, kPPQ);
        const MCTime result =
            inverse ? CCantrel::DurFuncInverse(&duration, nullptr) : CCantrel::DurFunc(&duration, nullptr);
        return result.GetTicks(kPPQ);
    }

private:
    int m_ppq = 0;
    int m_gate = 0;
};

TEST_F(DurationFunctions, TheGateIs66WhenThePlugInLoads) {
    EXPECT_EQ(CCantrel::s_nDurFuncGate, 66);
}

TEST_F(DurationFunctions, ShortenTheLastQuarterAndReadBackByTruncation) {
    CCantrel::s_nDurFuncGate = 66;
    const struct {
        int ticks;
        bool inverse;
        int expected;
    } cases[] = {
        {960, false, 796},        // a half: its last whole quarter shortened
        {720, false, 638},        // a dotted quarter: only the partial quarter
        {480, false, 316},        // a quarter
        {796, true, 958},         // read back, truncated: not quite a half
        {316, true, 478},         // a quarter played 66 % long
        {317, true, 480},
        {0, false, 0},            // nothing plays as nothing, not a negative length
        {0, true, 0},             // and reads back as nothing, not a partial quarter
        {1, true, 1},             // the least length still reads back
        {96000, false, 95836},    // 200 quarters: past 16 bits, no wrap
        {95836, true, 95998},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Through(c.ticks, c.inverse), c.expected) << c.ticks << (c.inverse ? " read back" : " played");
}

// A note held past the gate was held for the rest of its quarter, not
// longer: a full-length quarter is a quarter, whatever follows it.
TEST_F(DurationFunctions, ALengthHeldPastTheGateReadsBackToTheEndOfItsQuarter) {
    CCantrel::s_nDurFuncGate = 66;
    const struct {
        int ticks;
        int expected;
    } cases[] = {
        {480, 480},     // a quarter held full length
        {960, 960},     // a half held full length
        {479, 480},     // released a tick early
        {400, 480},     // held longer than the gate, shorter than the quarter
        {1000, 1020},   // within the gate the last part still reads back longer
        {1400, 1440},   // past it, to the end of its quarter
    };
    for (const auto& c : cases)
        EXPECT_EQ(Through(c.ticks, true), c.expected) << c.ticks;
}

TEST_F(DurationFunctions, AGateOfNothingReadsEveryLengthAsNothing) {
    CCantrel::s_nDurFuncGate = 0;
    for (const int ticks : {1, 240, 480, 796, 70000})
        EXPECT_EQ(Through(ticks, true), 0) << ticks;
    EXPECT_EQ(Through(960, false), 480);   // played: the last quarter takes no time
}

}  // namespace
