// The notes' duration pair in the notation tests.
//
// The plug-in's start installs the view's pair (CCantrel::DurFunc and
// DurFuncInverse, gated at CCantrel::s_nDurFuncGate) for every note read
// afterwards. Most notation tests give lengths that must notate exactly as
// given, so they start the plug-in through StartPlugin, which takes the pair
// off again; a test that wants the gate installs it for its own lifetime
// with a DurationGate.
//
// DurationGate(percent): the view's pair at that gate while it lives. Since
// nothing else leaves a pair installed, construction checks that none is (a
// leftover would change every notation test); destruction takes the pair
// off and puts the gate back. User-interface thread; one gate at a time.
#pragma once

#include "model/notes.h"
#include "model/time.h"
#include "notation/view/cantrel.h"
#include "notation/view/startup.h"

#include <gtest/gtest.h>

namespace notation_test {

// InitPlugins, with the duration pair it installs taken off again; its answer.
inline int StartPlugin() {
    const int answer = InitPlugins();
    ECNote::SetDurationFuncs(nullptr, nullptr, nullptr);
    return answer;
}

class DurationGate {
public:
    explicit DurationGate(int percent) : m_previous(CCantrel::s_nDurFuncGate) {
        const MCTime probe(1.5f);
        EXPECT_EQ(ECNote::ScaleDuration(&probe, 0), probe) << "a duration pair is already installed";
        EXPECT_EQ(ECNote::ScaleDuration(&probe, 1), probe) << "a duration pair is already installed";
        CCantrel::s_nDurFuncGate = percent;
        ECNote::SetDurationFuncs(CCantrel::DurFunc, CCantrel::DurFuncInverse, nullptr);
    }
    ~DurationGate() {
        ECNote::SetDurationFuncs(nullptr, nullptr, nullptr);
        CCantrel::s_nDurFuncGate = m_previous;
    }
    DurationGate(const DurationGate&) = delete;
    DurationGate& operator=(const DurationGate&) = delete;

private:
    int m_previous;
};

}  // namespace notation_test
