#include "platform/devices/portavel_pacer.h"

#include "platform/core/timer.h"
#include "platform/core/window.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <set>

namespace {

// How long a deadline's timer waits for its pass on the real clock. Passes are short;
// this only keeps the shared timer thread from waiting on a pass that is not.
constexpr DWORD kTimerWaitMs = 5;

}  // namespace

struct CPVPacer::Shared {
    Pass pass;
    const CPVDeviceClock* clock = nullptr;       // borrowed, as the pacer's
    std::mutex mutex;                            // guards the words below
    CEvent wake{AUTO_RESET};                     // something asked for a pass
    CEvent passDone{MANUAL_RESET};               // a pass ended (reset by whoever waits)
    std::uint64_t requested = 0;                 // passes asked for so far
    std::uint64_t completed = 0;                 // the highest request a finished pass began after
    bool stopping = false;
    std::multiset<std::uint64_t> pending;        // due times of the timers not yet fired
};

CPVPacer::CPVPacer(const CPVDeviceClock& clock, Pass pass)
    : m_shared(std::make_shared<Shared>()) {
    m_shared->pass = std::move(pass);
    m_shared->clock = &clock;
}

CPVPacer::~CPVPacer() {
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->stopping = true;
        m_shared->passDone.Set();   // releases every waiter
    }
    m_shared->wake.Set();
    m_thread.Wait();
}

bool CPVPacer::Start() {
    auto shared = m_shared;
    return m_thread.Start([shared] {
        ThreadMain(shared);
        return DWORD(0);
    });
}

bool CPVPacer::IsPacerThread() const {
    return m_thread.IsRunning() && std::this_thread::get_id() == m_thread.GetThreadId();
}

void CPVPacer::ThreadMain(std::shared_ptr<Shared> shared) {
    for (;;) {
        shared->wake.Wait();
        std::uint64_t target = 0;
        {
            std::lock_guard lock(shared->mutex);
            if (shared->stopping)
                return;
            target = shared->requested;
        }
        std::optional<std::uint64_t> next;
        try {
            next = shared->pass();
        } catch (...) {
            ReportHandlerError(std::current_exception());
        }
        // The next deadline's timer exists before the pass counts as done: a manual
        // clock that waits for this pass then finds it and fires it in the same move.
        if (next)
            ScheduleDeadline(shared, *next);
        {
            std::lock_guard lock(shared->mutex);
            shared->completed = std::max(shared->completed, target);
            shared->passDone.Set();
        }
    }
}

void CPVPacer::Wake() {
    {
        std::lock_guard lock(m_shared->mutex);
        ++m_shared->requested;
    }
    m_shared->wake.Set();
}

void CPVPacer::WakeAt(std::uint64_t deviceMs) {
    ScheduleDeadline(m_shared, deviceMs);
}

void CPVPacer::ScheduleDeadline(const std::shared_ptr<Shared>& shared, std::uint64_t due) {
    const std::uint64_t now = shared->clock->Now();
    {
        std::lock_guard lock(shared->mutex);
        if (shared->stopping)
            return;
        // An earlier timer's pass will look again and ask for this deadline itself.
        if (!shared->pending.empty() && *shared->pending.begin() <= due)
            return;
        // Entered before the timer exists, so that a timer firing at once finds it.
        shared->pending.insert(due);
    }
    const DWORD delay = due > now ? static_cast<DWORD>(std::min<std::uint64_t>(due - now, 0x7FFFFFFF)) : 0;
    const UINT id = CTimerService::Get().Schedule(delay, [shared, due](UINT) { OnTimer(shared, due); });
    if (!id) {
        std::lock_guard lock(shared->mutex);
        auto found = shared->pending.find(due);
        if (found != shared->pending.end())
            shared->pending.erase(found);
    }
}

void CPVPacer::WaitForPass() {
    RequestAndWait(m_shared, INFINITE);
}

void CPVPacer::OnTimer(const std::shared_ptr<Shared>& shared, std::uint64_t due) {
    {
        std::lock_guard lock(shared->mutex);
        auto found = shared->pending.find(due);
        if (found != shared->pending.end())
            shared->pending.erase(found);
        if (shared->stopping)
            return;
    }
    RequestAndWait(shared, kTimerWaitMs);
}

void CPVPacer::RequestAndWait(const std::shared_ptr<Shared>& shared, DWORD ms) {
    std::uint64_t request = 0;
    {
        std::lock_guard lock(shared->mutex);
        if (shared->stopping)
            return;
        request = ++shared->requested;
    }
    shared->wake.Set();
    for (;;) {
        {
            std::lock_guard lock(shared->mutex);
            if (shared->completed >= request || shared->stopping)
                return;
            shared->passDone.Reset();
        }
        // Under a manual clock a timed wait ends only when the clock moves, and the
        // thread that moves it is this one: the wait lasts until the pass is done.
        if (shared->passDone.Wait(ms) == WAIT_TIMEOUT)
            return;
    }
}
