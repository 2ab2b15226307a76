#include "platform/core/sync.h"

#include "platform/core/waitslot.h"
#include "platform/core/window.h"

#include <algorithm>
#include <utility>
#include <unordered_set>

namespace platform_detail {

void CWaitSlot::Wake() {
    {
        std::lock_guard lock(m_mutex);
        ++m_epoch;
    }
    m_wakeUp.notify_all();
}

std::uint64_t CWaitSlot::Epoch() {
    std::lock_guard lock(m_mutex);
    return m_epoch;
}

void CWaitSlot::Sleep(std::uint64_t seen, std::optional<std::chrono::steady_clock::time_point> until) {
    std::unique_lock lock(m_mutex);
    auto woken = [&] { return m_epoch != seen; };
    if (until)
        m_wakeUp.wait_until(lock, *until, woken);
    else
        m_wakeUp.wait(lock, woken);
}

std::shared_ptr<CWaitSlot> CurrentWaitSlot() {
    thread_local std::shared_ptr<CWaitSlot> slot = std::make_shared<CWaitSlot>();
    return slot;
}

namespace {

std::mutex g_timedMutex;
std::unordered_multiset<CWaitSlot*> g_timedWaiters;   // borrowed: slots of threads in a timed wait

}  // namespace

void AddTimedWaiter(CWaitSlot* slot) {
    std::lock_guard lock(g_timedMutex);
    g_timedWaiters.insert(slot);
}

void RemoveTimedWaiter(CWaitSlot* slot) {
    std::lock_guard lock(g_timedMutex);
    auto found = g_timedWaiters.find(slot);
    if (found != g_timedWaiters.end())
        g_timedWaiters.erase(found);
}

void WakeTimedWaiters() {
    std::lock_guard lock(g_timedMutex);
    for (CWaitSlot* slot : g_timedWaiters)
        slot->Wake();
}

std::size_t CountTimedWaiters() {
    std::lock_guard lock(g_timedMutex);
    return g_timedWaiters.size();
}

}  // namespace platform_detail

using platform_detail::CWaitSlot;

CEvent::CEvent(EventReset reset, EventInitial initial)
    : m_manual(reset == MANUAL_RESET), m_signalled(initial == SIGNALLED) {}

CEvent::~CEvent() = default;

void CEvent::Set() {
    std::lock_guard lock(m_mutex);
    m_signalled = true;
    // Woken under the event's lock: a waiter takes its slot off this list under the same
    // lock before its thread can end, so every slot here is alive.
    for (CWaitSlot* slot : m_waiters)
        slot->Wake();
}

void CEvent::Reset() {
    std::lock_guard lock(m_mutex);
    m_signalled = false;
}

bool CEvent::IsSignalled() const {
    std::lock_guard lock(m_mutex);
    return m_signalled;
}

DWORD CEvent::Wait(DWORD ms) {
    CEvent* self = this;
    return WaitForEvents(&self, 1, ms);
}

bool CEvent::TryConsume() {
    std::lock_guard lock(m_mutex);
    if (!m_signalled)
        return false;
    if (!m_manual)
        m_signalled = false;
    return true;
}

void CEvent::AddWaiter(CWaitSlot* slot) {
    std::lock_guard lock(m_mutex);
    m_waiters.push_back(slot);
}

void CEvent::RemoveWaiter(CWaitSlot* slot) {
    std::lock_guard lock(m_mutex);
    auto found = std::find(m_waiters.begin(), m_waiters.end(), slot);
    if (found != m_waiters.end())
        m_waiters.erase(found);
}

namespace {

// Runs its function when the scope ends, whichever way it ends.
template <class F>
class CScopeExit {
public:
    explicit CScopeExit(F f) : m_f(std::move(f)) {}
    ~CScopeExit() { m_f(); }
    CScopeExit(const CScopeExit&) = delete;
    CScopeExit& operator=(const CScopeExit&) = delete;

private:
    F m_f;
};

}  // namespace

DWORD WaitForEvents(CEvent* const* events, std::size_t count, DWORD ms) {
    if (!events || count == 0)
        return WAIT_FAILED;
    for (std::size_t i = 0; i < count; ++i) {
        if (!events[i])
            return WAIT_FAILED;
    }

    // The deadline is fixed before the wait shows up among the timed waiters, so a test
    // that moves a manual clock once it sees the waiter moves it past a known deadline.
    const bool timed = ms != INFINITE;
    const std::int64_t deadline = platform_detail::ReadClock().now + ms;
    std::shared_ptr<CWaitSlot> slot = platform_detail::CurrentWaitSlot();
    // The slot stays on the events' lists (and the timed waiters' list) for the whole wait.
    for (std::size_t i = 0; i < count; ++i)
        events[i]->AddWaiter(slot.get());
    if (timed)
        platform_detail::AddTimedWaiter(slot.get());
    CScopeExit unregister([&] {
        if (timed)
            platform_detail::RemoveTimedWaiter(slot.get());
        for (std::size_t i = 0; i < count; ++i)
            events[i]->RemoveWaiter(slot.get());
    });

    for (;;) {
        // The epoch is read before looking, so a wake-up that comes after the look makes
        // the sleep below return at once.
        const std::uint64_t seen = slot->Epoch();
        DeliverSentMessages();
        for (std::size_t i = 0; i < count; ++i) {
            if (events[i]->TryConsume())
                return WAIT_OBJECT_0 + static_cast<DWORD>(i);
        }
        if (!timed) {
            slot->Sleep(seen, std::nullopt);
            continue;
        }
        const platform_detail::ClockReading clock = platform_detail::ReadClock();
        if (clock.now >= deadline)
            return WAIT_TIMEOUT;
        if (clock.manual) {
            slot->Sleep(seen, std::nullopt);   // the manual clock wakes us when it moves
        } else {
            auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadline - clock.now);
            slot->Sleep(seen, until);
        }
    }
}
