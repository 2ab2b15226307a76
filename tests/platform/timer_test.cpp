// The timer service and the clock: one-shot and periodic timers on the manual clock,
// cancelling, a change of clocks, the multimedia-timer form, and the real timer thread.
#include "platform/core/timer.h"

#include "platform/core/clock.h"
#include "platform/core/sync.h"
#include "platform/core/window.h"
#include "tests/platform/messaging_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using messaging_test::CollectReportedErrors;
using messaging_test::SpinUntil;

namespace {

// Records which timers fired, and the clock each saw, in firing order.
struct FiringLog {
    std::mutex mutex;
    std::vector<std::string> fired;

    CTimerService::Callback Note(std::string name) {
        return [this, name](UINT) {
            std::lock_guard lock(mutex);
            fired.push_back(name + "@" + std::to_string(GetClockMs()));
        };
    }
    std::vector<std::string> Take() {
        std::lock_guard lock(mutex);
        return std::exchange(fired, {});
    }
};

using Fired = std::vector<std::string>;

}  // namespace

TEST(TimerManualClock, OneShotsFireWhenTheClockPassesTheirDueTimeInOrder) {
    CManualClock clock(1000);
    CTimerService& timers = CTimerService::Get();
    FiringLog log;
    timers.Schedule(30, log.Note("c"));
    timers.Schedule(10, log.Note("a"));
    timers.Schedule(20, log.Note("b1"));
    timers.Schedule(20, log.Note("b2"));   // same due time: in the order they were set

    clock.Advance(9);
    EXPECT_EQ(log.Take(), Fired{});
    clock.Advance(1);
    EXPECT_EQ(log.Take(), (Fired{"a@1010"}));
    // One long move fires the rest in order, each seeing its own due time on the clock.
    clock.Advance(500);
    EXPECT_EQ(log.Take(), (Fired{"b1@1020", "b2@1020", "c@1030"}));
    EXPECT_EQ(clock.Now(), 1510u);
    EXPECT_EQ(timeGetTime(), 1510u);
}

TEST(TimerManualClock, CancelledTimersNeverFire) {
    CManualClock clock;
    CTimerService& timers = CTimerService::Get();
    FiringLog log;
    const UINT kept = timers.Schedule(10, log.Note("kept"));
    const UINT cancelled = timers.Schedule(10, log.Note("cancelled"));

    EXPECT_TRUE(timers.IsPending(cancelled));
    EXPECT_TRUE(timers.Cancel(cancelled));
    EXPECT_FALSE(timers.IsPending(cancelled));
    EXPECT_FALSE(timers.Cancel(cancelled));   // no longer known
    clock.Advance(10);
    EXPECT_EQ(log.Take(), (Fired{"kept@10"}));
    EXPECT_FALSE(timers.Cancel(kept));        // a one-shot that fired is gone
    EXPECT_FALSE(timers.Cancel(0));
}

TEST(TimerManualClock, PeriodicTimerFiresEveryPeriodUntilCancelledFromItsCallback) {
    CManualClock clock;
    CTimerService& timers = CTimerService::Get();
    std::vector<std::uint64_t> ticks;
    UINT id = 0;
    id = timers.Schedule(
        10,
        [&](UINT self) {
            EXPECT_EQ(self, id);
            ticks.push_back(GetClockMs());
            if (ticks.size() == 4) {
                EXPECT_TRUE(CTimerService::Get().Cancel(self));   // returns without waiting for itself
            }
        },
        CTimerService::PERIODIC);

    clock.Advance(35);
    EXPECT_EQ(ticks, (std::vector<std::uint64_t>{10, 20, 30}));
    clock.Advance(100);
    EXPECT_EQ(ticks, (std::vector<std::uint64_t>{10, 20, 30, 40}));
    EXPECT_FALSE(timers.IsPending(id));
}

TEST(TimerManualClock, TimerSetByACallbackFiresInTheSameMoveWhenDueWithinIt) {
    CManualClock clock;
    FiringLog log;
    CTimerService::Get().Schedule(10, [&](UINT) {
        log.Note("first")(0);
        CTimerService::Get().Schedule(5, log.Note("second"));
        CTimerService::Get().Schedule(0, log.Note("at-once"));
    });
    clock.Advance(100);
    EXPECT_EQ(log.Take(), (Fired{"first@10", "at-once@10", "second@15"}));
}

TEST(TimerManualClock, PendingTimersKeepTheirRemainingDelayAcrossAChangeOfClocks) {
    CManualClock outer(0);
    FiringLog log;
    CTimerService::Get().Schedule(50, log.Note("t"));
    outer.Advance(20);
    {
        CManualClock inner(7000);
        inner.Advance(29);
        EXPECT_EQ(log.Take(), Fired{});
        inner.Advance(1);
        EXPECT_EQ(log.Take(), (Fired{"t@7030"}));
    }
    EXPECT_EQ(GetClockMs(), 20u);   // the outer clock is back in force, where it stood
}

TEST(TimerManualClock, MovingTheClockBackFiresNothing) {
    CManualClock clock(100);
    FiringLog log;
    CTimerService::Get().Schedule(10, log.Note("t"));
    clock.Set(50);
    EXPECT_EQ(log.Take(), Fired{});
    clock.Set(109);
    EXPECT_EQ(log.Take(), Fired{});
    clock.Set(110);
    EXPECT_EQ(log.Take(), (Fired{"t@110"}));
}

TEST(TimerClock, The32BitClockWraps) {
    CManualClock clock(0x1'0000'0005ULL);
    EXPECT_EQ(timeGetTime(), 5u);
    EXPECT_EQ(GetClockMs(), 0x1'0000'0005ULL);
}

namespace {

std::atomic<DWORD_PTR> g_lastUser{0};
std::atomic<int> g_multimediaCalls{0};

void RecordMultimediaCall(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    g_lastUser = user;
    ++g_multimediaCalls;
}

}  // namespace

TEST(TimerMultimediaForm, SetsOneShotAndPeriodicTimersAndKillsThem) {
    CManualClock clock;
    g_multimediaCalls = 0;
    const MMRESULT once = timeSetEvent(10, 10, RecordMultimediaCall, 0xBEEF, TIME_ONESHOT | TIME_CALLBACK_FUNCTION);
    ASSERT_NE(once, 0u);
    clock.Advance(10);
    EXPECT_EQ(g_lastUser, 0xBEEFu);
    EXPECT_EQ(timeKillEvent(once), MMSYSERR_INVALPARAM);   // fired and gone

    const MMRESULT periodic = timeSetEvent(10, 10, RecordMultimediaCall, 7, TIME_PERIODIC);
    clock.Advance(30);
    EXPECT_EQ(g_multimediaCalls, 4);
    EXPECT_EQ(timeKillEvent(periodic), TIMERR_NOERROR);
    clock.Advance(30);
    EXPECT_EQ(g_multimediaCalls, 4);
    EXPECT_EQ(timeSetEvent(10, 10, nullptr, 0, TIME_ONESHOT), 0u);
}

TEST(TimerErrors, AnExceptionInACallbackIsReportedAndTheServiceGoesOn) {
    CManualClock clock;
    std::vector<std::string> reported;
    CollectReportedErrors collect(reported);
    FiringLog log;
    CTimerService::Get().Schedule(10, [](UINT) { throw std::runtime_error("beat lost"); });
    CTimerService::Get().Schedule(20, log.Note("next"));
    clock.Advance(20);

    EXPECT_EQ(reported, std::vector<std::string>{"beat lost"});
    EXPECT_EQ(log.Take(), (Fired{"next@20"}));
    EXPECT_EQ(CTimerService::Get().Schedule(10, nullptr), 0u);
}

TEST(TimerRealClock, FiresOnTheTimerThread) {
    CEvent fired(MANUAL_RESET);
    std::thread::id firedOn;
    CTimerService::Get().Schedule(2, [&](UINT) {
        firedOn = std::this_thread::get_id();
        fired.Set();
    });
    ASSERT_EQ(fired.Wait(20000), WAIT_OBJECT_0);
    EXPECT_NE(firedOn, std::this_thread::get_id());
}

TEST(TimerRealClock, CancelReturnsOnlyAfterARunningCallbackFinished) {
    CEvent entered(MANUAL_RESET), release(MANUAL_RESET);
    std::atomic<bool> finished{false};
    const UINT id = CTimerService::Get().Schedule(1, [&](UINT) {
        entered.Set();
        release.Wait(INFINITE);
        finished = true;
    });
    ASSERT_EQ(entered.Wait(20000), WAIT_OBJECT_0);

    std::atomic<bool> cancelling{false};
    std::atomic<bool> finishedWhenCancelReturned{false};
    std::thread canceller([&] {
        cancelling = true;
        CTimerService::Get().Cancel(id);
        finishedWhenCancelReturned = finished.load();
    });
    // However the two threads meet, Cancel may not return while the callback still runs.
    ASSERT_TRUE(SpinUntil([&] { return cancelling.load(); }));
    release.Set();
    canceller.join();
    EXPECT_TRUE(finishedWhenCancelReturned);
}
