// Internal to platform/core: the pieces that events, the clock, timers and hidden
// windows share so that one wait can end for any of its reasons.
//
// Every thread that waits in one of our waits (sync.h) sleeps on its own wait slot.
// Whatever may end or interrupt the wait wakes that slot: an event being set, a
// message sent to one of the thread's windows, a manual clock moving past a deadline.
// The sleeper then looks at everything again, so a wake-up is never lost and a
// spurious one costs only a second look.
//
// Not part of the platform's public API: include it only from platform/core sources.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

namespace platform_detail {

// One per thread, shared by everyone who may have to wake that thread.
class CWaitSlot {
public:
    // Counts a reason to look again and wakes the sleeper, if any.
    void Wake();

    // The count of wake-ups so far; read it before looking, then sleep with it.
    std::uint64_t Epoch();

    // Sleeps until a wake-up after `seen`, or until the real-time limit passes.
    void Sleep(std::uint64_t seen, std::optional<std::chrono::steady_clock::time_point> until);

private:
    std::mutex m_mutex;
    std::condition_variable m_wakeUp;
    std::uint64_t m_epoch = 0;
};

// The calling thread's slot (created on first use; lives as long as anyone holds it).
std::shared_ptr<CWaitSlot> CurrentWaitSlot();

// The clock as timers and timed waits see it: one timeline that runs on whichever clock
// is in force and does not jump when another clock comes into force (a manual clock
// starting at 5000 continues the timeline where the real clock left it). Deadlines on
// this timeline therefore keep their remaining time across a change of clocks.
struct ClockReading {
    std::int64_t now = 0;   // milliseconds on the timeline
    bool manual = false;    // a manual clock is in force: time moves only when a test moves it
};
ClockReading ReadClock();

// Timed waits register their slot while they sleep, so that a manual clock that moves
// can wake them to look at their deadline again (and tests can see that a thread waits).
void AddTimedWaiter(CWaitSlot* slot);
void RemoveTimedWaiter(CWaitSlot* slot);
void WakeTimedWaiters();
std::size_t CountTimedWaiters();

// Ends the calling thread's part in messaging before the thread ends (thread.cpp calls it
// at the end of every thread function): its windows can no longer be posted or sent to,
// threads still blocked sending to it are released, its event-loop object is deleted.
void EndThreadMessages();

}  // namespace platform_detail
