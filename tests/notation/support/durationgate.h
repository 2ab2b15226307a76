// A gate on note durations for the notation tests, installed on ECNote's
// duration functions while it lives: a notated duration plays its last
// quarter (or its last partial quarter) shortened to `percent`, and a played
// duration reads back through the inverse. So with 66 a quarter played for
// two thirds of its length reads as a quarter, and one held full length
// reads as about a quarter and a half.
//
// Both directions work in whole ticks at MCTime::GlobalPPQ, truncating, in
// 16 bits, as the notation view's pair will.
// FIXME: install the view's own pair (and its gate) once the view has one;
// this copy of its arithmetic then goes.
//
// Nothing else in the tests leaves a pair installed, so construction checks
// that none is (a leftover would change every notation test) and destruction
// takes the gate off again. User-interface thread; one gate at a time.
#pragma once

#include "model/notes.h"
#include "model/time.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace notation_test {

class DurationGate {
public:
    explicit DurationGate(int percent) : m_percent(percent) {
        const MCTime probe(1.5f);
        EXPECT_EQ(ECNote::ScaleDuration(&probe, 0), probe) << "a duration pair is already installed";
        EXPECT_EQ(ECNote::ScaleDuration(&probe, 1), probe) << "a duration pair is already installed";
        ECNote::SetDurationFuncs(Played, Read, this);
    }
    ~DurationGate() { ECNote::SetDurationFuncs(nullptr, nullptr, nullptr); }
    DurationGate(const DurationGate&) = delete;
    DurationGate& operator=(const DurationGate&) = delete;

    // Notated to performed: the last quarter, or the part of one, shortened.
    static MCTime Played(const MCTime* notated, void* data) {
        const int ppq = MCTime::GlobalPPQ;
        if (ppq == 0)
            return MCTime::TimeZero();
        const int gate = static_cast<DurationGate*>(data)->m_percent;
        const uint16_t n = static_cast<uint16_t>(notated->GetTicks(ppq));
        const int partial = n % ppq;
        const int whole = n / ppq * ppq;
        const uint16_t played =
            static_cast<uint16_t>(partial != 0 ? whole + partial * gate / 100 : n - ppq + ppq * gate / 100);
        return FromTicks(played, ppq);
    }

    // Performed to notated: the last quarter, or the part of one, lengthened.
    static MCTime Read(const MCTime* performed, void* data) {
        const int ppq = MCTime::GlobalPPQ;
        const int gate = static_cast<DurationGate*>(data)->m_percent;
        if (ppq == 0 || gate == 0)
            return MCTime::TimeZero();
        const uint16_t n = static_cast<uint16_t>(performed->GetTicks(ppq));
        const int partial = n % ppq;
        const int whole = n / ppq * ppq;
        const uint16_t read =
            static_cast<uint16_t>(partial != 0 ? whole + partial * 100 / gate : n + ppq * 100 / gate - ppq);
        return FromTicks(read, ppq);
    }

private:
    static MCTime FromTicks(uint16_t ticks, int ppq) {
        MCTime time;
        time.SetTicks(ticks, ppq);
        return time;
    }

    int m_percent;
};

}  // namespace notation_test
