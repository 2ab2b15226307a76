// CPortavel: polled performances and the queue of events waiting for their time, run
// by the library's thread (one pass at each deadline and whenever woken).
//
// Windows. One horizon H serves every performance: the next window is [H, H + 10 ms),
// asked for once the clock reaches H - lead, so that events reach the devices before
// their time and a caller that times something of its own from GetPlayStartTime (the
// metronome) still finds it ahead. The lead is 10 ms plus the largest schedule-ahead
// of the backends. Windows follow one another without gap or overlap; a late pass
// catches up window by window.
#include "platform/devices/portavel.h"

#include "platform/core/window.h"
#include "platform/devices/portavel_private.h"

#include <algorithm>
#include <exception>

namespace {

// A 32-bit device time read near a 64-bit reference: device times in events wrap
// after 49.7 days, the library's own do not.
std::uint64_t Widen(DWORD time, std::uint64_t reference) {
    const auto delta = static_cast<std::int32_t>(time - static_cast<DWORD>(reference));
    const auto widened = static_cast<std::int64_t>(reference) + delta;
    return widened > 0 ? static_cast<std::uint64_t>(widened) : 0;
}

}  // namespace

std::size_t UnpackShortMsg(DWORD message, std::uint8_t (&bytes)[3]) {
    const auto status = static_cast<std::uint8_t>(message & 0xFF);
    const std::size_t length = ShortMsgLength(status);
    bytes[0] = status;
    bytes[1] = static_cast<std::uint8_t>((message >> 8) & 0x7F);
    bytes[2] = static_cast<std::uint8_t>((message >> 16) & 0x7F);
    return length;
}

int CPortavel::NewTagLocked() {
    // Tags are never 0; performances and recordings share one sequence.
    if (++m_lastTag <= 0)
        m_lastTag = 1;
    return m_lastTag;
}

std::uint64_t CPortavel::GetLeadLocked() const {
    return kPollLeadMs + std::max(m_ahead[PV_MIDI], m_ahead[PV_WAVE]);
}

int CPortavel::StartPolledPerformance(PV_PerformProc callback, void* user) {
    if (!callback)
        return 0;
    int tag = 0;
    std::uint64_t firstPoll = 0;
    {
        std::lock_guard lock(m_lock);
        const std::uint64_t lead = GetLeadLocked();
        // While others run, the newcomer joins at the horizon; alone, it starts a lead
        // ahead of now (never before a window already asked for).
        if (m_performances.empty())
            m_horizon = std::max(m_horizon, m_clock.Now() + lead);
        auto performance = std::make_shared<Performance>();
        performance->tag = tag = NewTagLocked();
        performance->callback = callback;
        performance->user = user;
        m_performances.push_back(std::move(performance));
        firstPoll = m_horizon > lead ? m_horizon - lead : 0;
    }
    m_pacer->WakeAt(firstPoll);
    return tag;
}

DWORD CPortavel::GetPlayStartTime() const {
    return static_cast<DWORD>(m_clock.GetStartClockMs());
}

DWORD CPortavel::GetBufferTime() {
    std::lock_guard lock(m_lock);
    if (!m_performances.empty())
        return static_cast<DWORD>(m_horizon);
    // Where a performance started now would begin.
    return static_cast<DWORD>(std::max(m_horizon, m_clock.Now() + GetLeadLocked()));
}

std::optional<std::uint64_t> CPortavel::RunPass() {
    DeliverInput();
    PollDueWindows(m_clock.Now());
    // Read again: the callbacks took their time on the real clock.
    const std::uint64_t now = m_clock.Now();
    PerformDue(now);

    std::lock_guard lock(m_lock);
    std::optional<std::uint64_t> next;
    if (!m_queue.empty())
        next = m_queue.begin()->first;
    if (!m_performances.empty()) {
        const std::uint64_t lead = GetLeadLocked();
        const std::uint64_t poll = m_horizon > lead ? m_horizon - lead : 0;
        next = next ? std::min(*next, poll) : poll;
    }
    return next;
}

void CPortavel::PollDueWindows(std::uint64_t now) {
    for (;;) {
        std::vector<std::shared_ptr<Performance>> round;
        std::uint64_t from = 0;
        std::uint64_t to = 0;
        {
            std::lock_guard lock(m_lock);
            if (m_performances.empty() || m_horizon > now + GetLeadLocked())
                return;
            from = m_horizon;
            to = from + kWindowMs;
            // Moved before the callbacks run: a performance they start joins at `to`.
            m_horizon = to;
            round = m_performances;
        }
        for (const auto& performance : round) {
            {
                std::lock_guard lock(m_lock);
                // Stopped meanwhile (by an earlier callback, or by its user): not called.
                if (std::find(m_performances.begin(), m_performances.end(), performance) == m_performances.end())
                    continue;
                m_runningTag = performance->tag;
            }
            CPVEventList* answer = nullptr;
            try {
                answer = performance->callback(performance->user, performance->tag, static_cast<DWORD>(from),
                                               static_cast<DWORD>(to));
            } catch (...) {
                // A callback that throws has ended its performance.
                ReportHandlerError(std::current_exception());
            }
            // The answer is the user's list: taken before its user may go.
            std::vector<std::unique_ptr<CPVEventData>> events;
            if (answer)
                events = answer->TakeAll();
            {
                std::lock_guard lock(m_lock);
                m_runningTag = 0;
                m_callbackDone.Set();
            }
            if (!answer) {
                EndPerformance(performance->tag);
                continue;
            }
            std::lock_guard lock(m_lock);
            for (auto& event : events) {
                const std::uint64_t time = Widen(event->time, from);
                ScheduleLocked(std::move(event), time, performance->tag, PV_ORIGIN_PERFORMED);
            }
        }
    }
}

void CPortavel::ScheduleLocked(std::unique_ptr<CPVEventData> event, std::uint64_t time, int tag, PV_Origin origin) {
    if (!event)
        return;
    // A backend that schedules gets its events early, by as much as it asked for.
    const int kind = event->type == PV_EVENT_WAVEPLAY ? PV_WAVE : PV_MIDI;
    const auto& ahead = m_outputAhead[kind];
    const std::uint64_t early =
        event->device >= 0 && static_cast<std::size_t>(event->device) < ahead.size() ? ahead[event->device] : 0;
    const std::uint64_t release = time > early ? time - early : 0;
    auto pending = std::make_unique<Pending>();
    pending->event = std::move(event);
    pending->time = time;
    pending->tag = tag;
    pending->origin = origin;
    // Equal keys go after those already there: equal times leave in the order given.
    m_queue.emplace(release, std::move(pending));
}

int CPortavel::StopPolledPerformance(int tag) {
    if (tag == 0)
        return 0;
    const int ran = EndPerformance(tag);
    WaitForCallback(tag);
    return ran;
}

int CPortavel::EndPerformance(int tag) {
    int ran = 0;
    {
        std::lock_guard lock(m_lock);
        const auto before = m_performances.size();
        m_performances.erase(std::remove_if(m_performances.begin(), m_performances.end(),
                                            [tag](const auto& performance) { return performance->tag == tag; }),
                             m_performances.end());
        ran = m_performances.size() != before ? 1 : 0;
        // Its MIDI still leaves (the last note-offs); its waves end with it.
        for (auto entry = m_queue.begin(); entry != m_queue.end();) {
            if (entry->second->tag == tag && entry->second->event->type == PV_EVENT_WAVEPLAY)
                entry = m_queue.erase(entry);
            else
                ++entry;
        }
    }
    std::lock_guard devices(m_deviceLock);
    for (const auto& backend : m_backends)
        backend->StopWaves(tag);
    return ran;
}

void CPortavel::PerformDue(std::uint64_t now) {
    for (;;) {
        std::unique_ptr<Pending> pending;
        {
            std::lock_guard lock(m_lock);
            if (m_queue.empty() || m_queue.begin()->first > now)
                return;
            pending = std::move(m_queue.begin()->second);
            m_queue.erase(m_queue.begin());
        }
        Perform(*pending);
    }
}

void CPortavel::Perform(const Pending& pending) {
    const CPVEventData& event = *pending.event;
    std::lock_guard devices(m_deviceLock);
    CPVMidiOut out;
    out.time = pending.time;
    out.origin = pending.origin;
    out.tag = pending.tag;
    switch (event.type) {
    case PV_EVENT_SHORT: {
        std::uint8_t bytes[3];
        out.length = UnpackShortMsg(static_cast<DWORD>(event.data), bytes);
        CPVDevice* output = FindOpenMidiOutLocked(event.device);
        if (output && out.length) {
            out.bytes = bytes;
            SendLocked(*output, out);
        }
        break;
    }
    case PV_EVENT_SYSEX: {
        CPVDevice* output = FindOpenMidiOutLocked(event.device);
        if (output && event.data && event.extra && event.extra <= kMaxSysExLength) {
            out.bytes = reinterpret_cast<const std::uint8_t*>(event.data);
            out.length = static_cast<std::size_t>(event.extra);
            SendLocked(*output, out);
        }
        break;
    }
    case PV_EVENT_WAVEPLAY: {
        // Nothing opens wave outputs ahead of playback; the first wave opens its output.
        CPVDevice* output = m_table.Find(PV_WAVE, PV_OUTPUT, event.device);
        const auto* params = reinterpret_cast<const PV_WaveParams*>(event.data);
        if (output && params && params->fileName && OpenLocked(*output))
            output->GetBackend().PlayWave(output->GetLocalIndex(), pending.time, *params);
        break;
    }
    default:   // recorded wave data and unknown types are no output
        break;
    }
}

int CPortavel::SetWaveParams(const PV_WaveParams* params) {
    if (!params)
        return 0;
    std::lock_guard devices(m_deviceLock);
    std::vector<CPVBackend*> done;
    for (const auto& output : m_table.GetDevices(PV_WAVE, PV_OUTPUT)) {
        CPVBackend* backend = &output->GetBackend();
        if (std::find(done.begin(), done.end(), backend) != done.end())
            continue;
        done.push_back(backend);
        backend->SetWaveParams(*params);
    }
    return 1;
}
