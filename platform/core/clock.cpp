#include "platform/core/clock.h"

#include "platform/core/timer.h"
#include "platform/core/waitslot.h"

#include <chrono>

namespace {

// The clock in force. One lock guards which clock that is and the time of every manual
// clock, so a reader never sees a manual clock half destroyed.
std::mutex g_clockMutex;
CManualClock* g_manual = nullptr;         // the manual clock in force, or null: the real clock
std::uint64_t g_generation = 0;           // counts changes of the clock in force

std::uint64_t RealNow() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

namespace platform_detail {

ClockReading ReadClock() {
    std::lock_guard lock(g_clockMutex);
    ClockReading reading;
    reading.generation = g_generation;
    reading.manual = g_manual != nullptr;
    reading.now = g_manual ? g_manual->Now() : RealNow();
    return reading;
}

}  // namespace platform_detail

std::uint64_t GetClockMs() {
    return platform_detail::ReadClock().now;
}

DWORD timeGetTime() {
    return static_cast<DWORD>(GetClockMs());
}

CManualClock::CManualClock(std::uint64_t startMs) : m_now(startMs) {
    CTimerService::Get().SwitchClock([this] {
        std::lock_guard lock(g_clockMutex);
        m_previous = g_manual;
        g_manual = this;
        ++g_generation;
    });
    platform_detail::WakeTimedWaiters();
}

CManualClock::~CManualClock() {
    CTimerService::Get().SwitchClock([this] {
        std::lock_guard lock(g_clockMutex);
        // Clocks nest; one destroyed out of order still hands back what it replaced.
        if (g_manual == this)
            g_manual = m_previous;
        ++g_generation;
    });
    platform_detail::WakeTimedWaiters();
}

std::uint64_t CManualClock::Now() const {
    return m_now.load();
}

bool CManualClock::IsInForce() const {
    std::lock_guard lock(g_clockMutex);
    return g_manual == this;
}

void CManualClock::Advance(std::uint64_t ms) {
    std::lock_guard moving(m_moving);
    const std::uint64_t target = Now() + ms;
    if (IsInForce()) {
        CTimerService& timers = CTimerService::Get();
        // Step from one due time to the next, so that each callback sees its own due time
        // on the clock and timers set by a callback join the move when they fall due in it.
        while (auto due = timers.NextDue()) {
            if (*due > target)
                break;
            if (*due > Now())
                m_now.store(*due);
            timers.FireDue(Now());
        }
    }
    if (target > Now())
        m_now.store(target);
    platform_detail::WakeTimedWaiters();
}

void CManualClock::Set(std::uint64_t ms) {
    std::lock_guard moving(m_moving);
    if (ms >= Now()) {
        Advance(ms - Now());
        return;
    }
    m_now.store(ms);
    platform_detail::WakeTimedWaiters();
}

std::size_t CManualClock::GetTimedWaiterCount() {
    return platform_detail::CountTimedWaiters();
}
