// Locks and events: the re-entrant critical section that guards shared data, and
// the manual- or auto-reset event one thread sets and another waits for.
//
// Waiting keeps the program alive. A thread that waits here (for events, for a
// thread's end in thread.h, or for its own SendMessage in window.h) keeps delivering
// the messages other threads are *sending* to its hidden windows. A worker blocked in
// SendMessage to the user-interface thread therefore never deadlocks against that
// thread waiting for the worker. Posted messages are not delivered during a wait.
//
// Timeouts run on the process clock (clock.h): real milliseconds normally; while a
// CManualClock is in force, its time, so a wait with a timeout ends when a test moves
// that clock past the deadline (and never on its own).
//
// Any thread may use these objects. An event must outlive every wait on it.
#pragma once

#include "platform/core/clock.h"

#include <cstddef>
#include <mutex>
#include <vector>

namespace platform_detail {
class CWaitSlot;
}

// Wait without a time limit.
constexpr DWORD INFINITE = 0xFFFFFFFF;

// Results of a wait: the event with this index (WAIT_OBJECT_0 + index) is signalled,
// the time ran out, or the wait was given nothing to wait for.
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 0x102;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

// A re-entrant lock: the thread that holds it may take it again, and must release it
// as often. Use it through RAII: `std::lock_guard lock(m_lock);` (it is a standard
// Lockable), or Lock/Unlock where a guard cannot span the region.
class CCriticalSection {
public:
    CCriticalSection() = default;
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    void Lock() { m_mutex.lock(); }
    void Unlock() { m_mutex.unlock(); }
    bool TryLock() { return m_mutex.try_lock(); }

    // The standard names, so that std::lock_guard and std::unique_lock work.
    void lock() { m_mutex.lock(); }
    void unlock() { m_mutex.unlock(); }
    bool try_lock() { return m_mutex.try_lock(); }

private:
    std::recursive_mutex m_mutex;
};

// How an event behaves once a wait has seen it signalled.
enum EventReset {
    AUTO_RESET,     // the one wait that sees it signalled resets it
    MANUAL_RESET,   // it stays signalled, for every waiter, until Reset
};

// The state an event starts in.
enum EventInitial {
    NOT_SIGNALLED,
    SIGNALLED,
};

// An event: signalled or not. Set signals it; a wait returns once it is signalled.
// An auto-reset event lets exactly one wait through per Set (a Set with nobody
// waiting keeps it signalled for the next wait); a manual-reset event lets every
// wait through until it is Reset.
class CEvent {
public:
    explicit CEvent(EventReset reset = AUTO_RESET, EventInitial initial = NOT_SIGNALLED);
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;
    ~CEvent();

    void Set();
    void Reset();

    // Waits until the event is signalled (WAIT_OBJECT_0) or `ms` milliseconds of the
    // process clock have passed (WAIT_TIMEOUT). 0 only looks; INFINITE never times out.
    DWORD Wait(DWORD ms = INFINITE);

    // Whether the event is signalled now; consumes nothing, even for an auto-reset event.
    bool IsSignalled() const;

    bool IsManualReset() const { return m_manual; }

private:
    friend DWORD WaitForEvents(CEvent* const* events, std::size_t count, DWORD ms);

    bool TryConsume();
    void AddWaiter(platform_detail::CWaitSlot* slot);
    void RemoveWaiter(platform_detail::CWaitSlot* slot);

    mutable std::mutex m_mutex;
    const bool m_manual;
    bool m_signalled;
    std::vector<platform_detail::CWaitSlot*> m_waiters;   // borrowed: slots of threads now waiting
};

// Waits until any of the events is signalled and answers WAIT_OBJECT_0 + its index (the
// lowest index when several are), or WAIT_TIMEOUT after `ms` milliseconds, or WAIT_FAILED
// when given no events. Only the event that ends the wait is consumed.
DWORD WaitForEvents(CEvent* const* events, std::size_t count, DWORD ms = INFINITE);
