// MCCache: lookups on the point in force, adding with propagation, removing
// with the redundant point taken out, scopes, emptying; and a random sequence
// of changes checked point by point against a plain table of changes.
#include "model/cache.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <vector>

namespace {

// Distinct objects to put into slots; the cache only compares their addresses.
int g_objects[8];
void* const A = &g_objects[0];
void* const B = &g_objects[1];
void* const C = &g_objects[2];
void* const D = &g_objects[3];

// The points as (time, slots) for comparison.
struct PointView {
    float time;
    std::vector<void*> objects;
    bool operator==(const PointView&) const = default;
};

std::vector<PointView> Points(const MCCache& cache) {
    std::vector<PointView> points;
    for (int i = 0; i < cache.GetPointCount(); ++i)
        points.push_back({cache.GetPoint(i)->m_time.GetSeconds(), cache.GetPoint(i)->m_objects});
    return points;
}

// A cache whose points carry derived data, counting what is released; it
// also shows the cursor.
class AuxCache : public MCCache {
public:
    explicit AuxCache(int* released) : MCCache(2), m_released(released) {}
    ~AuxCache() override { DeleteCache(); }

    void GiveEveryPointAux() {
        for (int i = 0; i < GetPointCount(); ++i) {
            if (!GetPointAt(i)->m_aux)
                GetPointAt(i)->m_aux = new int(i);
        }
    }
    int Cursor() const { return GetCurrentPosition(); }
    const CachePoint* Before(const MCTime& t) { return GetCachePointBeforeTime(t); }

protected:
    void DeleteAuxPointer(void* aux) override {
        delete static_cast<int*>(aux);
        ++*m_released;
    }

private:
    int* m_released;
};

} // namespace

TEST(MCCache, LookupsStandOnThePointInForce) {
    MCCache cache(2);
    EXPECT_EQ(cache.GetPointCount(), 0);
    // The first lookup makes the time-0 point.
    EXPECT_EQ(cache.GetObjectForTime(5.0f, 0), nullptr);
    ASSERT_EQ(cache.GetPointCount(), 1);
    EXPECT_EQ(cache.GetPoint(0)->m_time, MCTime(0.0f));

    ASSERT_EQ(cache.CacheObject(A, 0.0f, 0), 1);
    ASSERT_EQ(cache.CacheObject(B, 4.0f, 0), 1);
    ASSERT_EQ(cache.CacheObject(C, 8.0f, 0), 1);

    const struct { float t; void* at; void* before; } cases[] = {
        {0.0f, A, A},   {3.9f, A, A}, {4.0f, B, A}, {6.0f, B, B},
        {8.0f, C, B},   {1e9f, C, C}, {-0.0f, A, A},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cache.GetObjectForTime(c.t, 0), c.at) << c.t;
        EXPECT_EQ(cache.GetObjectBeforeTime(c.t, 0), c.before) << c.t;
    }
    // Times below 0 and slots outside the size answer null.
    EXPECT_EQ(cache.GetObjectForTime(-0.5f, 0), nullptr);
    EXPECT_EQ(cache.GetObjectBeforeTime(-1.0f, 0), nullptr);
    EXPECT_EQ(cache.GetObjectForTime(5.0f, 2), nullptr);
    EXPECT_EQ(cache.GetObjectForTime(5.0f, -1), nullptr);

    // Without slots no point can be made.
    MCCache sizeless;
    EXPECT_EQ(sizeless.GetObjectForTime(1.0f, 0), nullptr);
    EXPECT_EQ(sizeless.CacheObject(A, 1.0f, 0), 0);
    EXPECT_EQ(sizeless.GetPointCount(), 0);
}

TEST(MCCache, AddingPropagatesUpToTheNextChange) {
    MCCache cache(2);
    ASSERT_EQ(cache.CacheObject(A, 0.0f, 0), 1);
    ASSERT_EQ(cache.CacheObject(C, 4.0f, 1), 1);
    ASSERT_EQ(cache.CacheObject(B, 8.0f, 0), 1);
    ASSERT_EQ(cache.CacheObject(D, 12.0f, 1), 1);
    EXPECT_EQ(Points(cache), (std::vector<PointView>{
                                 {0.0f, {A, nullptr}}, {4.0f, {A, C}}, {8.0f, {B, C}}, {12.0f, {B, D}}}));

    // A new point between copies the point in force; the new object reaches
    // the later points that held what it replaces, up to B's change.
    ASSERT_EQ(cache.CacheObject(D, 2.0f, 0), 1);
    EXPECT_EQ(Points(cache), (std::vector<PointView>{{0.0f, {A, nullptr}},
                                                     {2.0f, {D, nullptr}},
                                                     {4.0f, {D, C}},
                                                     {8.0f, {B, C}},
                                                     {12.0f, {B, D}}}));

    // A point already at the time is used; the object already there is a no-op.
    ASSERT_EQ(cache.CacheObject(A, 4.0f, 0), 1);
    EXPECT_EQ(cache.GetPointCount(), 5);
    EXPECT_EQ(cache.GetPoint(2)->m_objects[0], A);
    EXPECT_EQ(cache.CacheObject(A, 4.0f, 0), 1);
    EXPECT_EQ(cache.GetPointCount(), 5);

    // Refusals change nothing.
    const auto before = Points(cache);
    EXPECT_EQ(cache.CacheObject(A, -1.0f, 0), 0);
    EXPECT_EQ(cache.CacheObject(A, 3.0f, 2), 0);
    EXPECT_EQ(cache.CacheObject(A, 3.0f, -1), 0);
    EXPECT_EQ(cache.CacheObject(nullptr, 3.0f, 0), 0);
    EXPECT_EQ(cache.CacheObject(A, MCTime(1, 0, 0, 480), 0), 0);
    EXPECT_EQ(Points(cache), before);
}

TEST(MCCache, RemovingRestoresTheEarlierObjectAndDropsRedundantPoints) {
    MCCache cache(2);
    cache.CacheObject(A, 0.0f, 0);
    cache.CacheObject(C, 0.0f, 1);
    cache.CacheObject(B, 4.0f, 0);
    cache.CacheObject(D, 4.0f, 1);
    cache.CacheObject(A, 8.0f, 1);   // slot 1 changes again at 8

    // The point at 4 differs from the one before in slot 1 too: it stays,
    // with slot 0 back to A, handed on to 8.
    ASSERT_EQ(cache.UncacheObject(B, 4.0f, 0), 1);
    EXPECT_EQ(Points(cache),
              (std::vector<PointView>{{0.0f, {A, C}}, {4.0f, {A, D}}, {8.0f, {A, A}}}));
    // Now it equals its predecessor but for slot 1: it goes.
    ASSERT_EQ(cache.UncacheObject(D, 4.0f, 1), 1);
    EXPECT_EQ(Points(cache), (std::vector<PointView>{{0.0f, {A, C}}, {8.0f, {A, A}}}));

    // Refused: no point at that time, another object in the slot, bad slot,
    // time below 0.
    EXPECT_EQ(cache.UncacheObject(A, 7.0f, 1), 0);
    EXPECT_EQ(cache.UncacheObject(C, 8.0f, 1), 0);
    EXPECT_EQ(cache.UncacheObject(A, 8.0f, 2), 0);
    EXPECT_EQ(cache.UncacheObject(A, -1.0f, 0), 0);
    MCCache empty(2);
    EXPECT_EQ(empty.UncacheObject(A, 0.0f, 0), 0);
    EXPECT_EQ(empty.GetPointCount(), 0);

    // The first point is never removed: its slot empties, and so do the
    // later points that held the same object.
    ASSERT_EQ(cache.UncacheObject(A, 0.0f, 0), 1);
    EXPECT_EQ(Points(cache), (std::vector<PointView>{{0.0f, {nullptr, C}}, {8.0f, {nullptr, A}}}));
    ASSERT_EQ(cache.UncacheObject(C, 0.0f, 1), 1);
    ASSERT_EQ(cache.UncacheObject(A, 8.0f, 1), 1);
    EXPECT_EQ(Points(cache), (std::vector<PointView>{{0.0f, {nullptr, nullptr}}}));
}

TEST(MCCache, ScopeIsTheRunOfPointsHoldingTheObject) {
    MCCache cache(2);
    cache.CacheObject(A, 0.0f, 0);
    cache.CacheObject(B, 4.0f, 0);
    cache.CacheObject(C, 6.0f, 1);   // a point inside B's span
    cache.CacheObject(D, 8.0f, 0);

    const struct { void* object; float t; int slot; float start, end; } cases[] = {
        {A, 1.0f, 0, 0.0f, 4.0f},
        {B, 7.0f, 0, 4.0f, 8.0f},    // found on the point at 6, run back to 4
        {B, 4.0f, 0, 4.0f, 8.0f},
        {D, 9.0f, 0, 8.0f, MCTime::TimeMax().GetSeconds()},
        {C, 6.0f, 1, 6.0f, MCTime::TimeMax().GetSeconds()},
        {B, 9.0f, 0, -1.0f, -1.0f},  // not in force there
        {A, -1.0f, 0, -1.0f, -1.0f},
        {A, 1.0f, 3, -1.0f, -1.0f},
    };
    for (const auto& c : cases) {
        MCTime start(123.0f);
        MCTime end(456.0f);
        cache.GetObjectScope(c.object, c.t, c.slot, start, end);
        EXPECT_EQ(start.GetSeconds(), c.start) << c.t;
        EXPECT_EQ(end.GetSeconds(), c.end) << c.t;
    }

    EXPECT_EQ(cache.ObjectIsCached(C, 1), 1);
    EXPECT_EQ(cache.ObjectIsCached(C, 0), 0);
    EXPECT_EQ(cache.ObjectIsCached(C, -1), 1);
    EXPECT_EQ(cache.ObjectIsCached(C, 2), 0);
    EXPECT_EQ(cache.ObjectIsCached(C, -2), 0);
    EXPECT_EQ(MCCache(2).ObjectIsCached(nullptr, 0), 0);
}

TEST(MCCache, EmptyingReleasesDerivedDataAndResizingKeepsPoints) {
    int released = 0;
    {
        AuxCache cache(&released);
        for (int i = 0; i < 5; ++i)
            cache.CacheObject(&g_objects[i], static_cast<float>(2 * i), 0);
        cache.GiveEveryPointAux();

        cache.DeleteCacheAfter(5.0f);   // keeps 0, 2 and 4
        EXPECT_EQ(cache.GetPointCount(), 3);
        EXPECT_EQ(released, 2);
        cache.DeleteCacheAfter(-1.0f);  // nothing is in force below 0
        EXPECT_EQ(cache.GetPointCount(), 3);

        // The removed redundant point releases its data too.
        ASSERT_EQ(cache.UncacheObject(&g_objects[2], 4.0f, 0), 1);
        EXPECT_EQ(released, 3);
        EXPECT_EQ(cache.GetPointCount(), 2);

        cache.SetSize(4);
        cache.SetSize(0);   // ignored
        EXPECT_EQ(cache.GetSize(), 4);
        EXPECT_EQ(cache.GetPoint(1)->m_objects, (std::vector<void*>{&g_objects[1], nullptr, nullptr, nullptr}));
        EXPECT_EQ(cache.CacheObject(A, 1.0f, 3), 1);

        cache.DeleteCache();
        EXPECT_EQ(cache.GetPointCount(), 0);
        EXPECT_EQ(released, 5);
        EXPECT_EQ(cache.Cursor(), -1);

        cache.CacheObject(A, 0.0f, 0);
        cache.CacheObject(B, 3.0f, 0);
        cache.GiveEveryPointAux();
    }
    EXPECT_EQ(released, 7);   // the destructor releases the rest
}

TEST(MCCache, BeforeTimeLeavesTheCursorOnThePointInForce) {
    int released = 0;
    AuxCache cache(&released);
    cache.CacheObject(A, 0.0f, 0);
    cache.CacheObject(B, 4.0f, 0);
    cache.CacheObject(C, 8.0f, 0);

    EXPECT_EQ(cache.Before(8.0f)->m_time, MCTime(4.0f));
    EXPECT_EQ(cache.Cursor(), 2);
    EXPECT_EQ(cache.Before(6.0f)->m_time, MCTime(4.0f));
    EXPECT_EQ(cache.Cursor(), 1);
    EXPECT_EQ(cache.Before(0.0f)->m_time, MCTime(0.0f));
    EXPECT_EQ(cache.Cursor(), 0);
}

// Random changes at colliding times in three slots, checked after every step
// against a table of (slot, time) -> object: the points are exactly time 0
// and the times of changes, each holding what the table has in force. Lookups
// from wherever the cursor was left must agree with the table too.
TEST(MCCache, RandomChangesMatchATableOfChanges) {
    constexpr int SLOTS = 3;
    std::mt19937 random(20240611);
    std::vector<int> objects(400);
    std::map<float, void*> changes[SLOTS];

    auto inForce = [&](int slot, float t) -> void* {
        auto it = changes[slot].upper_bound(t);
        return it == changes[slot].begin() ? nullptr : std::prev(it)->second;
    };

    MCCache cache(SLOTS);
    size_t nextObject = 0;
    for (int step = 0; step < 400; ++step) {
        const int slot = static_cast<int>(random() % SLOTS);
        const float t = static_cast<float>(random() % 24) * 0.5f;
        if (random() % 3 != 0 || changes[slot].empty()) {
            void* object = &objects[nextObject++ % objects.size()];
            ASSERT_EQ(cache.CacheObject(object, t, slot), 1);
            changes[slot][t] = object;
        } else {
            auto it = changes[slot].begin();
            std::advance(it, random() % changes[slot].size());
            ASSERT_EQ(cache.UncacheObject(it->second, it->first, slot), 1);
            changes[slot].erase(it);
        }

        std::set<float> times{0.0f};
        for (const auto& slotChanges : changes)
            for (const auto& change : slotChanges)
                times.insert(change.first);
        std::vector<PointView> expected;
        for (float time : times) {
            PointView point{time, {}};
            for (int s = 0; s < SLOTS; ++s)
                point.objects.push_back(inForce(s, time));
            expected.push_back(point);
        }
        ASSERT_EQ(Points(cache), expected) << "step " << step;

        for (int probe = 0; probe < 4; ++probe) {
            const float q = static_cast<float>(random() % 260) * 0.05f;
            const int s = static_cast<int>(random() % SLOTS);
            ASSERT_EQ(cache.GetObjectForTime(q, s), inForce(s, q)) << q;
        }
    }
}
