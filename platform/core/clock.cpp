#include "platform/core/clock.h"

#include "platform/core/timer.h"
#include "platform/core/waitslot.h"

#include <chrono>

namespace {

// The clock in force. One lock guards which clock that is, the timeline's offset and the
// readings of manual clocks, so a reader never sees a manual clock half destroyed.
std::mutex g_clockMutex;
CManualClock* g_manual = nullptr;   // the manual clock in force, or null: the real clock
std::int64_t g_offset = 0;          // timeline = the clock in force's own time + offset

std::uint64_t RealNow() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// The own time of the clock in force. With g_clockMutex held.
std::uint64_t OwnNowLocked() {
    return g_manual ? g_manual->Now() : RealNow();
}

}  // namespace

namespace platform_detail {

ClockReading ReadClock() {
    std::lock_guard lock(g_clockMutex);
    ClockReading reading;
    reading.manual = g_manual != nullptr;
    reading.now = static_cast<std::int64_t>(OwnNowLocked()) + g_offset;
    return reading;
}

}  // namespace platform_detail

std::uint64_t GetClockMs() {
    std::lock_guard lock(g_clockMutex);
    return OwnNowLocked();
}

DWORD timeGetTime() {
    return static_cast<DWORD>(GetClockMs());
}

CManualClock::CManualClock(std::uint64_t startMs) : m_now(startMs) {
    {
        std::lock_guard lock(g_clockMutex);
        m_previous = g_manual;
    }
    PutInForce(this);
}

CManualClock::~CManualClock() {
    // Clocks nest; one destroyed out of order still hands back what it replaced.
    bool inForce = false;
    {
        std::lock_guard lock(g_clockMutex);
        inForce = g_manual == this;
    }
    if (inForce)
        PutInForce(m_previous);
}

void CManualClock::PutInForce(CManualClock* clock) {
    {
        std::lock_guard lock(g_clockMutex);
        const std::int64_t timeline = static_cast<std::int64_t>(OwnNowLocked()) + g_offset;
        g_manual = clock;
        g_offset = timeline - static_cast<std::int64_t>(OwnNowLocked());
    }
    // The timer thread and timed waits look again: real or manual, and their deadlines.
    CTimerService::Get().ClockChanged();
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
        std::int64_t offset = 0;
        {
            std::lock_guard lock(g_clockMutex);
            offset = g_offset;
        }
        CTimerService& timers = CTimerService::Get();
        // Step from one due time to the next, so that each callback sees its own due time
        // on the clock and timers set by a callback join the move when they fall due in it.
        while (auto due = timers.NextDue()) {
            const std::int64_t ownDue = *due - offset;
            if (ownDue > static_cast<std::int64_t>(target))
                break;
            if (ownDue > static_cast<std::int64_t>(Now()))
                m_now.store(static_cast<std::uint64_t>(ownDue));
            timers.FireDue(static_cast<std::int64_t>(Now()) + offset);
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
