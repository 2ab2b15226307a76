// Locks and events: reset behaviour, waits on several events, timed waits on the real
// and on the manual clock, and the re-entrant lock.
#include "platform/core/sync.h"

#include "platform/core/clock.h"
#include "tests/platform/messaging_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using messaging_test::SpinUntil;

TEST(SyncEvent, ResetBehaviourTable) {
    // Each case: how the event is made, then the results of three looks (Wait(0)) in a
    // row, with Set before the first look when `set`.
    const struct {
        const char* name;
        EventReset reset;
        EventInitial initial;
        bool set;
        DWORD looks[3];
    } cases[] = {
        {"manual, set", MANUAL_RESET, NOT_SIGNALLED, true, {WAIT_OBJECT_0, WAIT_OBJECT_0, WAIT_OBJECT_0}},
        {"manual, starts signalled", MANUAL_RESET, SIGNALLED, false, {WAIT_OBJECT_0, WAIT_OBJECT_0, WAIT_OBJECT_0}},
        {"manual, never set", MANUAL_RESET, NOT_SIGNALLED, false, {WAIT_TIMEOUT, WAIT_TIMEOUT, WAIT_TIMEOUT}},
        {"auto, set", AUTO_RESET, NOT_SIGNALLED, true, {WAIT_OBJECT_0, WAIT_TIMEOUT, WAIT_TIMEOUT}},
        {"auto, starts signalled", AUTO_RESET, SIGNALLED, false, {WAIT_OBJECT_0, WAIT_TIMEOUT, WAIT_TIMEOUT}},
    };
    for (const auto& c : cases) {
        CEvent event(c.reset, c.initial);
        if (c.set)
            event.Set();
        for (DWORD expected : c.looks)
            EXPECT_EQ(event.Wait(0), expected) << c.name;
    }
}

TEST(SyncEvent, ResetClearsAndIsSignalledConsumesNothing) {
    CEvent manual(MANUAL_RESET, SIGNALLED);
    manual.Reset();
    EXPECT_EQ(manual.Wait(0), WAIT_TIMEOUT);

    CEvent automatic(AUTO_RESET);
    automatic.Set();
    EXPECT_TRUE(automatic.IsSignalled());
    EXPECT_TRUE(automatic.IsSignalled());
    EXPECT_EQ(automatic.Wait(0), WAIT_OBJECT_0);
    EXPECT_FALSE(automatic.IsSignalled());
}

TEST(SyncEvent, TimedWaitOnTheRealClockTimesOut) {
    CEvent never(MANUAL_RESET);
    EXPECT_EQ(never.Wait(20), WAIT_TIMEOUT);
}

TEST(SyncEvent, SetFromAnotherThreadEndsAnInfiniteWait) {
    CEvent go(AUTO_RESET);
    CEvent done(MANUAL_RESET);
    std::thread worker([&] {
        go.Wait(INFINITE);
        done.Set();
    });
    go.Set();
    EXPECT_EQ(done.Wait(INFINITE), WAIT_OBJECT_0);
    worker.join();
}

TEST(SyncEvent, AutoResetLetsOneWaiterThroughPerSet) {
    CEvent gate(AUTO_RESET);
    std::atomic<int> through{0};
    std::thread a([&] { gate.Wait(INFINITE); ++through; });
    std::thread b([&] { gate.Wait(INFINITE); ++through; });

    gate.Set();
    ASSERT_TRUE(SpinUntil([&] { return through == 1; }));
    // The one Set was used up by the waiter that went through.
    EXPECT_FALSE(gate.IsSignalled());
    gate.Set();
    a.join();
    b.join();
    EXPECT_EQ(through, 2);
}

TEST(SyncEvent, WaitForEventsAnswersTheLowestSignalledAndConsumesOnlyIt) {
    CEvent first(AUTO_RESET), second(AUTO_RESET), third(AUTO_RESET);
    CEvent* events[] = {&first, &second, &third};

    EXPECT_EQ(WaitForEvents(events, 3, 0), WAIT_TIMEOUT);
    third.Set();
    second.Set();
    EXPECT_EQ(WaitForEvents(events, 3, 0), WAIT_OBJECT_0 + 1);
    EXPECT_TRUE(third.IsSignalled());
    EXPECT_EQ(WaitForEvents(events, 3, 0), WAIT_OBJECT_0 + 2);
    EXPECT_EQ(WaitForEvents(events, 3, 0), WAIT_TIMEOUT);

    std::thread setter([&] { first.Set(); });
    EXPECT_EQ(WaitForEvents(events, 3, INFINITE), WAIT_OBJECT_0);
    setter.join();

    EXPECT_EQ(WaitForEvents(events, 0, 0), WAIT_FAILED);
    CEvent* none[] = {nullptr};
    EXPECT_EQ(WaitForEvents(none, 1, 0), WAIT_FAILED);
}

TEST(SyncEvent, TimedWaitOnTheManualClockEndsWhenTheClockPassesTheDeadline) {
    CManualClock clock(1000);
    CEvent never(MANUAL_RESET);
    std::atomic<DWORD> result{0xDEAD};
    std::thread waiter([&] { result = never.Wait(100); });

    ASSERT_TRUE(SpinUntil([] { return CManualClock::GetTimedWaiterCount() == 1; }));
    clock.Advance(99);
    // One millisecond short of the deadline the wait cannot have ended.
    EXPECT_EQ(result, 0xDEADu);
    clock.Advance(1);
    waiter.join();
    EXPECT_EQ(result, WAIT_TIMEOUT);
    EXPECT_EQ(CManualClock::GetTimedWaiterCount(), 0u);
}

TEST(SyncEvent, ManualClockLeavingKeepsTheRemainingTimeOfAWait) {
    CEvent never(MANUAL_RESET);
    std::atomic<DWORD> result{0xDEAD};
    std::thread waiter;
    {
        CManualClock outer(0);
        waiter = std::thread([&] { result = never.Wait(50); });
        ASSERT_TRUE(SpinUntil([] { return CManualClock::GetTimedWaiterCount() == 1; }));
        outer.Advance(30);
        {
            // Another clock comes into force far ahead: 20 ms are still to wait on it.
            CManualClock inner(5000);
            inner.Advance(19);
            EXPECT_EQ(result, 0xDEADu);
            inner.Advance(1);
            ASSERT_TRUE(SpinUntil([&] { return result != 0xDEADu; }));
        }
    }
    waiter.join();
    EXPECT_EQ(result, WAIT_TIMEOUT);
}

TEST(SyncCriticalSection, IsReentrantAndExcludesOtherThreadsUntilFullyReleased) {
    CCriticalSection section;
    auto otherThreadGetsIt = [&] {
        bool got = false;
        std::thread other([&] {
            got = section.TryLock();
            if (got)
                section.Unlock();
        });
        other.join();
        return got;
    };

    section.Lock();
    section.Lock();   // the holder takes it again
    EXPECT_FALSE(otherThreadGetsIt());
    section.Unlock();
    EXPECT_FALSE(otherThreadGetsIt());   // still held once
    section.Unlock();
    EXPECT_TRUE(otherThreadGetsIt());
    {
        std::lock_guard guard(section);
        EXPECT_FALSE(otherThreadGetsIt());
    }
    EXPECT_TRUE(otherThreadGetsIt());
}
