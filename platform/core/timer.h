// The timer service: one-shot and periodic callbacks after a delay in milliseconds of
// the process clock (clock.h), as the metronome sets one for each beat and hidden
// windows use for their window timers.
//
// On the real clock the callbacks run on the service's own timer thread (started with
// the first timer), one at a time, as close to their due time as the system allows
// (well under the 10 ms resolution callers ask for). While a CManualClock is in force
// the timer thread fires nothing: the test moves the clock, and the due callbacks run
// synchronously on the moving thread, in the order of their due times (equal times in
// the order the timers were set).
//
// Callbacks must be short and must not block on the thread that may cancel them; they
// usually post a message. An exception escaping a callback is reported through the
// handler error reporter (window.h) and the service goes on.
//
// Any thread may set and cancel timers.
#pragma once

#include "platform/core/clock.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

using UINT = unsigned int;
using DWORD_PTR = std::uintptr_t;

class CTimerService {
public:
    enum TimerMode {
        ONE_SHOT,   // fires once, then is gone
        PERIODIC,   // fires every `delay` ms until cancelled
    };

    // Called with the timer's id.
    using Callback = std::function<void(UINT id)>;

    // The one service of the process.
    static CTimerService& Get();

    // Sets a timer that fires `delayMs` from now (a periodic timer: every `delayMs`, at
    // least 1). Returns its id, never 0; 0 when the timer cannot be set (no callback, no
    // timer thread, or the process is ending).
    UINT Schedule(DWORD delayMs, Callback callback, TimerMode mode = ONE_SHOT);

    // Cancels a timer: it will not fire again, and when this returns its callback is not
    // running — unless Cancel is called from inside that very callback, which it then
    // does not wait for. Returns false for an id that is not (or no longer) known.
    // While it waits for a running callback, the caller keeps delivering sent messages.
    bool Cancel(UINT id);

    // Whether the timer is still to fire (a periodic one: until cancelled).
    bool IsPending(UINT id) const;

    CTimerService(const CTimerService&) = delete;
    CTimerService& operator=(const CTimerService&) = delete;

private:
    friend class CManualClock;
    struct Timer;
    // Due time on the clock's timeline (waitslot.h), then the order of setting.
    using QueueKey = std::pair<std::int64_t, std::uint64_t>;

    CTimerService() = default;
    ~CTimerService() = delete;   // lives until the process ends (see timer.cpp)

    // For the manual clock: the earliest due time, and firing what is due at `now` (both
    // on the timeline); and the news that another clock came into force.
    std::optional<std::int64_t> NextDue() const;
    void FireDue(std::int64_t now);
    void ClockChanged();

    bool StartThreadLocked();
    void ThreadMain();
    void StopThread();
    // Runs the earliest timer, which is due; the lock is released around the callback.
    void FireFirst(std::unique_lock<std::mutex>& lock);

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;   // wakes the timer thread: new first timer, clock change, stop
    std::map<UINT, std::shared_ptr<Timer>> m_timers;   // pending and running timers by id
    std::map<QueueKey, UINT> m_queue;                  // pending timers in firing order
    UINT m_lastId = 0;
    std::uint64_t m_order = 0;
    std::thread m_thread;
    bool m_stopping = false;
};

// The multimedia-timer form, for callers written against it.
enum : UINT {
    TIME_ONESHOT = 0x0000,
    TIME_PERIODIC = 0x0001,
    TIME_CALLBACK_FUNCTION = 0x0000,
};
enum : UINT {
    TIMERR_NOERROR = 0,
    MMSYSERR_INVALPARAM = 11,
};
using MMRESULT = UINT;
using LPTIMECALLBACK = void (*)(UINT timerId, UINT msg, DWORD_PTR user, DWORD_PTR dw1, DWORD_PTR dw2);

// Sets a timer calling `callback(id, 0, user, 0, 0)` after `delay` ms (periodic with
// TIME_PERIODIC in `flags`). `resolution` is accepted and not needed. Returns the id, or 0.
MMRESULT timeSetEvent(UINT delay, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags);

// Cancels it as CTimerService::Cancel does. TIMERR_NOERROR, or MMSYSERR_INVALPARAM for an
// unknown id.
MMRESULT timeKillEvent(UINT id);
