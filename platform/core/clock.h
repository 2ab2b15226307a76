// The process's millisecond clock, and the manual clock that tests put in its place.
//
// timeGetTime reads the clock in force: normally a steady clock counting milliseconds
// since the machine started, which never jumps with the wall clock and, in its 32-bit
// form, wraps after 49.7 days as callers of such a clock expect; while a CManualClock
// lives, that clock's time instead. The one-shot and periodic timers (timer.h), the
// window timers (window.h) and the timeouts of our waits (sync.h) all run on this same
// clock, so a test that moves a manual clock fires exactly the timers that fall due and
// ends exactly the timed waits whose deadline it passes.
//
// Any thread may read the clock. A manual clock is made, moved and destroyed by the
// test; moving it runs the due timers' callbacks on the moving thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

using DWORD = std::uint32_t;

// Milliseconds of the clock in force, in 32 bits (wrapping).
DWORD timeGetTime();

// The same clock in 64 bits, never wrapping; for deadlines and differences.
std::uint64_t GetClockMs();

// A clock that moves only when told to. Constructing it puts it in force for the whole
// process; destroying it puts back the clock that was in force before (manual clocks
// nest and must be destroyed in the reverse order of construction). Timers that are
// pending when the clock changes keep the time they still had to wait.
//
// Moving the clock forward fires the due timers in the order of their due times (timers
// due at the same time in the order they were set), synchronously on the calling thread,
// with the clock standing at each timer's due time while its callback runs; timers that
// a callback sets are fired in the same move when they fall due within it.
class CManualClock {
public:
    explicit CManualClock(std::uint64_t startMs = 0);
    CManualClock(const CManualClock&) = delete;
    CManualClock& operator=(const CManualClock&) = delete;
    ~CManualClock();

    std::uint64_t Now() const;

    // Moves the clock forward by `ms`, firing the timers that fall due on the way, and
    // wakes timed waits so that those past their deadline end.
    void Advance(std::uint64_t ms);

    // Sets the clock. Forward, this is Advance; backward, the time is set and nothing fires.
    void Set(std::uint64_t ms);

    // The number of threads now sleeping in a wait with a timeout (sync.h, thread.h).
    // A test that must move the clock only once another thread waits can watch this.
    static std::size_t GetTimedWaiterCount();

private:
    // Puts `clock` (null: the real clock) in force, continuing the timeline of timers and
    // timed waits where it stands, so that they keep the time they still had to wait.
    static void PutInForce(CManualClock* clock);
    bool IsInForce() const;

    std::atomic<std::uint64_t> m_now;      // read by any thread, moved by the test
    CManualClock* m_previous = nullptr;    // the manual clock in force before this one, if any
    std::recursive_mutex m_moving;         // one move at a time; a callback may move it again
};
