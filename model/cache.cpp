// MCCache: points, cursor search, propagation, removal of redundant points
// (see cache.h for the contract).
#include "model/cache.h"

#include <cstdlib>

MCCache::MCCache(int size) {
    SetSize(size);
}

MCCache::~MCCache() {
    DeleteCache();
}

void MCCache::SetSize(int n) {
    if (n <= 0)
        return;
    for (auto& point : m_points)
        point->m_objects.resize(static_cast<size_t>(n), nullptr);
    m_nSize = n;
}

const CachePoint* MCCache::GetPoint(int position) const {
    if (position < 0 || position >= GetPointCount())
        return nullptr;
    return m_points[static_cast<size_t>(position)].get();
}

CachePoint* MCCache::GetPointAt(int position) {
    if (position < 0 || position >= GetPointCount())
        return nullptr;
    return m_points[static_cast<size_t>(position)].get();
}

// ---------------------------------------------------------------------------
// Searching

int MCCache::SearchCondition(const MCTime& t, CachePoint* point, int /*position*/) {
    return t >= point->m_time ? 1 : 0;
}

bool MCCache::Holds(const MCTime& t, int position) {
    return SearchCondition(t, m_points[static_cast<size_t>(position)].get(), position) != 0;
}

int MCCache::Locate(const MCTime& t) {
    const int count = GetPointCount();
    const int cursor = m_nCurrent >= 0 && m_nCurrent < count ? m_nCurrent : 0;

    // lo is a position where the condition holds (or -1, before the head),
    // hi one where it fails (or count, past the tail); the answer lies in
    // [lo, hi). Gallop away from the cursor to bracket it: a playback poll or
    // a layout pass asks at times close to the last one.
    int lo;
    int hi;
    if (Holds(t, cursor)) {
        lo = cursor;
        hi = count;
        for (int step = 1; lo + step < count; step *= 2) {
            if (!Holds(t, lo + step)) {
                hi = lo + step;
                break;
            }
            lo += step;
        }
    } else {
        hi = cursor;
        lo = -1;
        for (int step = 1; hi - step >= 0; step *= 2) {
            if (Holds(t, hi - step)) {
                lo = hi - step;
                break;
            }
            hi -= step;
        }
    }
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        if (Holds(t, mid))
            lo = mid;
        else
            hi = mid;
    }
    // When no point holds, a backward walk ends on the head.
    return lo < 0 ? 0 : lo;
}

std::unique_ptr<CachePoint> MCCache::GetNewCachePoint(const MCTime& t, const CachePoint* from) const {
    if (m_nSize < 1)
        return nullptr;
    auto point = std::make_unique<CachePoint>();
    point->m_time = t;
    if (from)
        point->m_objects = from->m_objects;
    point->m_objects.resize(static_cast<size_t>(m_nSize), nullptr);
    return point;
}

CachePoint* MCCache::GetCachePointForTime(const MCTime& t) {
    if (m_points.empty()) {
        auto head = GetNewCachePoint(MCTime::TimeZero(), nullptr);
        if (!head)
            return nullptr;
        m_points.push_back(std::move(head));
        m_nCurrent = 0;
        return m_points.front().get();
    }
    m_nCurrent = t <= MCTime::TimeZero() ? 0 : Locate(t);
    return m_points[static_cast<size_t>(m_nCurrent)].get();
}

CachePoint* MCCache::GetCachePointBeforeTime(const MCTime& t) {
    CachePoint* point = GetCachePointForTime(t);
    if (!point || m_nCurrent == 0 || !(point->m_time == t))
        return point;
    return m_points[static_cast<size_t>(m_nCurrent - 1)].get();
}

// ---------------------------------------------------------------------------
// Lookups

void* MCCache::GetObjectForTime(const MCTime& t, int slot) {
    if (t < MCTime::TimeZero() || !SlotInRange(slot))
        return nullptr;
    CachePoint* point = GetCachePointForTime(t);
    return point ? point->m_objects[static_cast<size_t>(slot)] : nullptr;
}

void* MCCache::GetObjectBeforeTime(const MCTime& t, int slot) {
    if (t < MCTime::TimeZero() || !SlotInRange(slot))
        return nullptr;
    CachePoint* point = GetCachePointBeforeTime(t);
    return point ? point->m_objects[static_cast<size_t>(slot)] : nullptr;
}

int MCCache::ObjectIsCached(void* object, int slot) const {
    if (slot < -1 || slot >= m_nSize || m_points.empty())
        return 0;
    for (const auto& point : m_points) {
        if (slot >= 0) {
            if (point->m_objects[static_cast<size_t>(slot)] == object)
                return 1;
            continue;
        }
        for (void* held : point->m_objects) {
            if (held == object)
                return 1;
        }
    }
    return 0;
}

void MCCache::GetObjectScope(void* object, const MCTime& t, int slot, MCTime& start, MCTime& end) {
    start = MCTime::TimeNull();
    end = MCTime::TimeNull();
    if (t < MCTime::TimeZero() || !SlotInRange(slot))
        return;
    const CachePoint* point = GetCachePointForTime(t);
    const auto s = static_cast<size_t>(slot);
    if (!point || point->m_objects[s] != object)
        return;

    int first = m_nCurrent;
    while (first > 0 && m_points[static_cast<size_t>(first - 1)]->m_objects[s] == object)
        --first;
    start = m_points[static_cast<size_t>(first)]->m_time;

    end = MCTime::TimeMax();
    for (int i = m_nCurrent + 1; i < GetPointCount(); ++i) {
        const CachePoint& later = *m_points[static_cast<size_t>(i)];
        if (later.m_objects[s] != object) {
            end = later.m_time;
            break;
        }
    }
}

// ---------------------------------------------------------------------------
// Adding and removing

void MCCache::UpdateListPointers(void* old, int slot) {
    const auto s = static_cast<size_t>(slot);
    void* const now = m_points[static_cast<size_t>(m_nCurrent)]->m_objects[s];
    for (auto i = static_cast<size_t>(m_nCurrent) + 1; i < m_points.size(); ++i) {
        void*& held = m_points[i]->m_objects[s];
        if (held != old)
            break;   // a later change of the slot: from there on it stands
        held = now;
    }
}

int MCCache::CacheObject(void* object, const MCTime& t, int slot) {
    // Points hold times that order as floats; a bar/pulse/tick time has no
    // place among them.
    if (!object || t < MCTime::TimeZero() || t.GetMode() == TM_BPT || !SlotInRange(slot))
        return 0;
    CachePoint* point = GetCachePointForTime(t);
    if (!point)
        return 0;
    const auto s = static_cast<size_t>(slot);
    void* const old = point->m_objects[s];

    if (point->m_time == t) {
        if (old == object)
            return 1;
    } else {
        auto fresh = GetNewCachePoint(t, point);
        if (!fresh)
            return 0;
        point = fresh.get();
        m_points.insert(m_points.begin() + m_nCurrent + 1, std::move(fresh));
        ++m_nCurrent;
    }
    point->m_objects[s] = object;
    UpdateListPointers(old, slot);
    return 1;
}

int MCCache::UncacheObject(void* object, const MCTime& t, int slot) {
    if (t < MCTime::TimeZero() || t.GetMode() == TM_BPT || !SlotInRange(slot) || m_points.empty())
        return 0;
    CachePoint* point = GetCachePointForTime(t);
    const auto s = static_cast<size_t>(slot);
    if (!point || !(point->m_time == t) || point->m_objects[s] != object)
        return 0;

    if (m_nCurrent == 0) {
        point->m_objects[s] = nullptr;
    } else {
        CachePoint& before = *m_points[static_cast<size_t>(m_nCurrent - 1)];
        bool redundant = true;
        for (int other = 0; other < m_nSize && redundant; ++other)
            redundant = other == slot || before.m_objects[static_cast<size_t>(other)] ==
                                             point->m_objects[static_cast<size_t>(other)];
        if (redundant) {
            FreePoint(m_nCurrent);
            --m_nCurrent;
        } else {
            point->m_objects[s] = before.m_objects[s];
        }
    }
    UpdateListPointers(object, slot);
    return 1;
}

void MCCache::FreePoint(int position) {
    const auto at = m_points.begin() + position;
    if ((*at)->m_aux)
        DeleteAuxPointer((*at)->m_aux);
    m_points.erase(at);
}

void MCCache::DeleteAuxPointer(void* aux) {
    std::free(aux);
}

void MCCache::DeleteCache() {
    while (!m_points.empty())
        FreePoint(GetPointCount() - 1);
    m_nCurrent = -1;
}

void MCCache::DeleteCacheAfter(const MCTime& t) {
    if (m_points.empty() || t < MCTime::TimeZero())
        return;
    GetCachePointForTime(t);
    while (GetPointCount() - 1 > m_nCurrent)
        FreePoint(GetPointCount() - 1);
}
