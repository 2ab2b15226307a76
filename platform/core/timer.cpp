#include "platform/core/timer.h"

#include "platform/core/sync.h"
#include "platform/core/waitslot.h"
#include "platform/core/window.h"

#include <chrono>
#include <cstdlib>
#include <exception>
#include <system_error>

// One timer. Running timers stay in the id map until their callback returns, so that
// Cancel can find them and wait.
struct CTimerService::Timer {
    UINT id = 0;
    Callback callback;
    TimerMode mode = ONE_SHOT;
    DWORD interval = 0;               // the delay; for a periodic timer also the period
    QueueKey key{};                   // where it stands in the queue while pending
    bool pending = false;
    bool cancelled = false;
    bool running = false;
    std::thread::id runningOn;        // the thread running its callback, while running
    CEvent idle{MANUAL_RESET, SIGNALLED};   // signalled while its callback is not running
};

CTimerService& CTimerService::Get() {
    // Never destroyed: windows and timers may be cancelled from the destructors of other
    // statics, in any order. The timer thread is stopped when the process exits.
    static CTimerService* service = new CTimerService;
    return *service;
}

UINT CTimerService::Schedule(DWORD delayMs, Callback callback, TimerMode mode) {
    if (!callback)
        return 0;
    std::unique_lock lock(m_mutex);
    const platform_detail::ClockReading clock = platform_detail::ReadClock();
    if (!clock.manual && !StartThreadLocked())
        return 0;

    auto timer = std::make_shared<Timer>();
    do {
        timer->id = ++m_lastId;
    } while (timer->id == 0 || m_timers.count(timer->id));
    timer->callback = std::move(callback);
    timer->mode = mode;
    // A periodic timer of 0 ms would fire for ever within one move of a manual clock.
    timer->interval = mode == PERIODIC && delayMs == 0 ? 1 : delayMs;
    timer->key = {clock.now + timer->interval, ++m_order};
    timer->pending = true;

    const bool first = m_queue.empty() || timer->key < m_queue.begin()->first;
    m_timers.emplace(timer->id, timer);
    m_queue.emplace(timer->key, timer->id);
    if (first)
        m_changed.notify_all();
    return timer->id;
}

bool CTimerService::Cancel(UINT id) {
    std::shared_ptr<Timer> timer;
    {
        std::lock_guard lock(m_mutex);
        auto found = m_timers.find(id);
        if (found == m_timers.end())
            return false;
        timer = found->second;
        timer->cancelled = true;
        if (timer->pending) {
            m_queue.erase(timer->key);
            timer->pending = false;
        }
        if (!timer->running)
            m_timers.erase(found);
        else if (timer->runningOn == std::this_thread::get_id())
            return true;   // cancelled from inside its own callback: it cannot be waited for
    }
    // The callback is running on another thread; FireFirst signals `idle` when it returns.
    timer->idle.Wait(INFINITE);
    return true;
}

bool CTimerService::IsPending(UINT id) const {
    std::lock_guard lock(m_mutex);
    auto found = m_timers.find(id);
    return found != m_timers.end() && found->second->pending;
}

std::optional<std::int64_t> CTimerService::NextDue() const {
    std::lock_guard lock(m_mutex);
    if (m_queue.empty())
        return std::nullopt;
    return m_queue.begin()->first.first;
}

void CTimerService::FireDue(std::int64_t now) {
    std::unique_lock lock(m_mutex);
    while (!m_queue.empty() && m_queue.begin()->first.first <= now)
        FireFirst(lock);
}

void CTimerService::FireFirst(std::unique_lock<std::mutex>& lock) {
    auto first = m_queue.begin();
    std::shared_ptr<Timer> timer = m_timers.at(first->second);
    m_queue.erase(first);
    timer->pending = false;
    timer->running = true;
    timer->runningOn = std::this_thread::get_id();
    timer->idle.Reset();
    const std::int64_t due = timer->key.first;

    lock.unlock();
    try {
        timer->callback(timer->id);
    } catch (...) {
        ReportHandlerError(std::current_exception());
    }
    lock.lock();

    timer->running = false;
    timer->runningOn = {};
    if (timer->mode == PERIODIC && !timer->cancelled) {
        // The next tick counts from this one's due time, not from when it ran, so a late
        // tick does not shift the ones after it; ticks missed entirely are not made up.
        const std::int64_t now = platform_detail::ReadClock().now;
        std::int64_t next = due + timer->interval;
        if (next <= now)
            next = now + timer->interval;
        timer->key = {next, ++m_order};
        timer->pending = true;
        m_queue.emplace(timer->key, timer->id);
    } else {
        m_timers.erase(timer->id);
    }
    timer->idle.Set();
}

void CTimerService::ClockChanged() {
    std::lock_guard lock(m_mutex);
    // Back on the real clock, the pending timers need the thread again.
    if (!platform_detail::ReadClock().manual && !m_queue.empty())
        StartThreadLocked();
    m_changed.notify_all();
}

bool CTimerService::StartThreadLocked() {
    if (m_thread.joinable())
        return true;
    if (m_stopping)
        return false;
    try {
        m_thread = std::thread([this] { ThreadMain(); });
    } catch (const std::system_error&) {
        return false;
    }
    static const bool registered = std::atexit([] { Get().StopThread(); }) == 0;
    (void)registered;
    return true;
}

void CTimerService::ThreadMain() {
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        const platform_detail::ClockReading clock = platform_detail::ReadClock();
        if (clock.manual || m_queue.empty()) {
            m_changed.wait(lock);   // a manual clock fires its timers itself
            continue;
        }
        const std::int64_t due = m_queue.begin()->first.first;
        if (due > clock.now) {
            m_changed.wait_for(lock, std::chrono::milliseconds(due - clock.now));
            continue;
        }
        FireFirst(lock);
    }
}

void CTimerService::StopThread() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_changed.notify_all();
    }
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

MMRESULT timeSetEvent(UINT delay, UINT /*resolution*/, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags) {
    if (!callback)
        return 0;
    const auto mode = (flags & TIME_PERIODIC) ? CTimerService::PERIODIC : CTimerService::ONE_SHOT;
    return CTimerService::Get().Schedule(
        delay, [callback, user](UINT id) { callback(id, 0, user, 0, 0); }, mode);
}

MMRESULT timeKillEvent(UINT id) {
    return CTimerService::Get().Cancel(id) ? TIMERR_NOERROR : MMSYSERR_INVALPARAM;
}
