// The device library's own thread and what wakes it.
//
// The pacer runs a pass function on its thread: whenever something asks (Wake: input
// arrived, a performance started) and whenever a deadline given with WakeAt falls due.
// A pass answers the device time of its next deadline, if it has one. Deadlines are
// one-shot timers of the platform's timer service, so they run on the process clock,
// manual clocks included.
//
// Under a manual clock the pacer is exact and synchronous: moving the clock fires each
// deadline's timer with the clock standing at that deadline, and the timer waits until
// the pass it asked for has run on the pacer's thread. A test that moves the clock
// therefore finds every pass that fell due done, each having seen its own time, and
// callbacks still run on the pacer's thread. On the real clock the timer thread waits
// at most a few milliseconds for a pass and then leaves it to run on.
//
// Any thread may call Wake and WakeAt; WaitForPass from any thread but the pacer's.
// Stale deadlines are never cancelled (a pass with nothing due is cheap), which keeps
// the pacer's thread from ever waiting for a timer that waits for it.
#pragma once

#include "platform/core/sync.h"
#include "platform/core/thread.h"
#include "platform/devices/backend.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

class CPVPacer {
public:
    // One pass: runs on the pacer's thread; answers the next deadline in device ms.
    using Pass = std::function<std::optional<std::uint64_t>()>;

    // The clock is borrowed and must outlive the pacer.
    CPVPacer(const CPVDeviceClock& clock, Pass pass);
    CPVPacer(const CPVPacer&) = delete;
    CPVPacer& operator=(const CPVPacer&) = delete;
    // Stops the thread after the pass it may be running; no pass runs afterwards.
    ~CPVPacer();

    // Starts the thread. False when it cannot start.
    bool Start();

    // A pass soon.
    void Wake();
    // A pass at device time `deviceMs` at the latest (at once when it has passed).
    void WakeAt(std::uint64_t deviceMs);
    // Wakes the thread and blocks until a pass that began after this call has ended
    // (at once when the pacer is stopped). Keeps delivering sent messages while it waits.
    void WaitForPass();

    // Whether the caller runs on the pacer's thread.
    bool IsPacerThread() const;

private:
    struct Shared;   // what the thread and the pending timers share; outlives the pacer

    static void ThreadMain(std::shared_ptr<Shared> shared);
    // Sets a timer for a pass at `due` unless one is already set for then or earlier.
    static void ScheduleDeadline(const std::shared_ptr<Shared>& shared, std::uint64_t due);
    static void OnTimer(const std::shared_ptr<Shared>& shared, std::uint64_t due);
    // Asks for a pass and waits for it, giving up after `ms` of the process clock.
    static void RequestAndWait(const std::shared_ptr<Shared>& shared, DWORD ms);

    std::shared_ptr<Shared> m_shared;   // shared with the thread and the timers
    CThread m_thread;
};
