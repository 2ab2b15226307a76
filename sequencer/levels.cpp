#include "sequencer/levels.h"

#include "model/conductor.h"
#include "model/event.h"
#include "model/performance.h"
#include "platform/devices/portavel.h"
#include "sequencer/enginestates.h"
#include "sequencer/sequence.h"
#include "sequencer/trackperformer.h"

#include <algorithm>
#include <mutex>

IMPLEMENT_DYNAMIC(CHighlightMgr, CObject)
IMPLEMENT_DYNAMIC(CMeterLevelMgr, CObject)

// ---- CHighlightMgr -------------------------------------------------------------------

CHighlightMgr::CHighlightMgr() = default;

CHighlightMgr::~CHighlightMgr() {
    ResetHighlighting();
    Detach();
}

void CHighlightMgr::Attach(CSequence* sequence) {
    m_pSequence = sequence;
    m_pPortavel = CPortavel::GetPortavel();
}

void CHighlightMgr::Detach() {
    ResetHighlighting();
    std::lock_guard lock(m_lock);
    m_pSequence = nullptr;
    m_pPortavel = nullptr;
    m_bEnabled = 0;
}

void CHighlightMgr::EnableHighlighting(int enable) {
    {
        std::lock_guard lock(m_lock);
        m_bEnabled = enable;
    }
    ResetHighlighting();
}

int CHighlightMgr::IsHighlightingEnabled() const {
    std::lock_guard lock(m_lock);
    return m_bEnabled;
}

void CHighlightMgr::SetHighlightOn(ECBase* element, DWORD stamp) {
    std::lock_guard lock(m_lock);
    if (m_bEnabled && element) {
        element->Ref();
        m_onQueue.push_back({element, stamp});
    }
}

void CHighlightMgr::SetHighlightOff(ECBase* element, DWORD stamp) {
    std::lock_guard lock(m_lock);
    if (m_bEnabled && element) {
        element->Ref();
        m_offQueue.push_back({element, stamp});
    }
}

std::unique_lock<CCriticalSection> CHighlightMgr::LockTree() const {
    ECPerformance* performance = m_pSequence ? m_pSequence->GetPerformance() : nullptr;
    return performance ? std::unique_lock(performance->GetLock()) : std::unique_lock<CCriticalSection>();
}

MCEventList& CHighlightMgr::GetHighlightOnList() {
    const auto tree = LockTree();
    std::lock_guard lock(m_lock);
    TakeDue(m_onQueue, m_onList, false);
    return m_onList;
}

MCEventList& CHighlightMgr::GetHighlightOffList(int all) {
    const auto tree = LockTree();
    std::lock_guard lock(m_lock);
    TakeDue(m_offQueue, m_offList, all != 0);
    return m_offList;
}

void CHighlightMgr::TakeDue(Queue& queue, MCEventList& list, bool all) {
    list.RemoveAll();
    const DWORD now = timeGetTime();
    while (!queue.empty() && (all || IsStampDue(queue.front().m_stamp, now))) {
        // The list's reference is taken before the record's goes.
        ECBase* element = queue.front().m_pElement;
        list.AddEvent(element, UNSORTED);
        element->Unref(1);
        queue.pop_front();
    }
}

void CHighlightMgr::ResetHighlighting() {
    const auto tree = LockTree();
    std::lock_guard lock(m_lock);
    for (Queue* queue : {&m_onQueue, &m_offQueue}) {
        for (const Record& record : *queue)
            record.m_pElement->Unref(1);
        queue->clear();
    }
    m_onList.RemoveAll();
    m_offList.RemoveAll();
}

// ---- CMeterLevelMgr -------------------------------------------------------------------

CMeterLevelMgr::CMeterLevelMgr() = default;

CMeterLevelMgr::~CMeterLevelMgr() {
    ResetLevels();
    Detach();
}

void CMeterLevelMgr::Attach(CSequence* sequence) {
    m_pSequence = sequence;
    m_pPortavel = CPortavel::GetPortavel();
}

void CMeterLevelMgr::Detach() {
    m_pSequence = nullptr;
    m_pPortavel = nullptr;
}

void CMeterLevelMgr::UpdateTrackCount() {
    // The conductor is read before the lock is taken: the manager takes no
    // other lock while it holds its own.
    ECConductor* conductor = m_pSequence ? m_pSequence->GetConductor() : nullptr;
    SetTrackCount(conductor ? conductor->GetMaxTrackNumber(TRACK_STAFF) + 1 : 0);
}

void CMeterLevelMgr::SetTrackCount(int count) {
    count = std::max(count, 0);
    std::lock_guard lock(m_lock);
    if (count == m_nTrackCount)
        return;
    m_nTrackCount = count;
    m_maxima.resize(static_cast<std::size_t>(count), 0);
    m_levels.resize(static_cast<std::size_t>(count), 0.0f);
}

int CMeterLevelMgr::GetTrackCount() const {
    std::lock_guard lock(m_lock);
    return m_nTrackCount;
}

void CMeterLevelMgr::SetMeterLevel(unsigned track, unsigned velocity, DWORD stamp) {
    std::lock_guard lock(m_lock);
    if (stamp == 0)
        m_queue.push_front({track, velocity, stamp});
    else
        m_queue.push_back({track, velocity, stamp});
}

void CMeterLevelMgr::ResetLevels() {
    std::lock_guard lock(m_lock);
    m_queue.clear();
}

int CMeterLevelMgr::GetPendingCount() const {
    std::lock_guard lock(m_lock);
    return static_cast<int>(m_queue.size());
}

const std::vector<float>& CMeterLevelMgr::GetCurrentLevels() {
    std::vector<DWORD> maxima;
    {
        std::lock_guard lock(m_lock);
        const DWORD limit = timeGetTime() + READ_AHEAD_MS;
        std::fill(m_maxima.begin(), m_maxima.end(), 0);
        while (!m_queue.empty()) {
            const Record& record = m_queue.front();
            // A record stamped 0 was put first to be taken now, whatever the
            // clock says (the clock may stand past half its range).
            if (record.m_stamp != 0 && !IsStampDue(record.m_stamp, limit))
                break;
            if (record.m_track < m_maxima.size() && record.m_velocity > m_maxima[record.m_track])
                m_maxima[record.m_track] = record.m_velocity;
            m_queue.pop_front();
        }
        maxima = m_maxima;
    }
    // The gains live in the track performers, in the tree: read them with
    // the manager's lock released. Velocities run to 127: the quotient must
    // be a float's, or every level below full would read 0.
    m_levels.resize(maxima.size(), 0.0f);
    for (std::size_t track = 0; track < maxima.size(); ++track)
        m_levels[track] = static_cast<float>(maxima[track]) / 128.0f * GetTrackGain(static_cast<int>(track));
    return m_levels;
}

float CMeterLevelMgr::GetTrackGain(int track) const {
    if (!m_pSequence)
        return 0.0f;
    DCsqTrack* performer = DCsqTrack::GetTrackData(static_cast<unsigned>(track), TT_STAFF, m_pSequence);
    return performer ? performer->GetTrackGain() : 0.0f;
}
