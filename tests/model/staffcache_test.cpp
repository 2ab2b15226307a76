// MCStaffCache: the four slots (clef and key, hand 0 and every other hand),
// refusal of a second clef or key of a slot at the same time, uncaching,
// scopes, and rebuilding from a list, with ECClef and ECKey events.
#include "model/staffcache.h"

#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/markings.h"

#include <gtest/gtest.h>

namespace {

// A clef or key at a time, for a hand.
template <class Mark>
Mark* MakeMark(float at, unsigned char hand) {
    auto* mark = new Mark;
    const MCTime time(at);
    mark->SetTime(&time);
    mark->SetHand(hand);
    return mark;
}

// Answers ET_CLEF without being a clef, and has no time at all.
class TimelessClef : public ECBase {
public:
    int GetClassType() const override { return ET_CLEF; }
};

class SlotProbe : public MCStaffCache {
public:
    using MCStaffCache::GetCacheListPosition;
};

class StaffCacheTest : public ::testing::Test {
protected:
    ECClef* Clef(float at, unsigned char hand = 0) { return Keep(MakeMark<ECClef>(at, hand)); }
    ECKey* Key(float at, unsigned char hand = 0) { return Keep(MakeMark<ECKey>(at, hand)); }
    template <class Event>
    Event* Keep(Event* event) {
        m_events.AddEvent(event, UNSORTED);
        return event;
    }

    MCEventList m_events;   // references every event; the cache borrows them
    MCStaffCache m_cache;
};

} // namespace

TEST_F(StaffCacheTest, SlotsPairClefAndKeyWithHandZeroAndTheRest) {
    const struct { int kind; unsigned char hand; int slot; } cases[] = {
        {MCStaffCache::KIND_CLEF, 0, 0}, {MCStaffCache::KIND_CLEF, 1, 1}, {MCStaffCache::KIND_CLEF, 255, 1},
        {MCStaffCache::KIND_KEY, 0, 2},  {MCStaffCache::KIND_KEY, 2, 3},  {4, 0, -1}, {7, 1, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SlotProbe::GetCacheListPosition(c.kind, c.hand), c.slot) << c.kind << " " << int(c.hand);

    EXPECT_EQ(SlotProbe::GetCacheListPosition(Clef(0.0f), 3), 1);
    EXPECT_EQ(SlotProbe::GetCacheListPosition(Key(0.0f), 0), 2);
    EXPECT_EQ(SlotProbe::GetCacheListPosition(Keep(new ECWithTime), 0), -1);
    EXPECT_EQ(SlotProbe::GetCacheListPosition(nullptr, 0), -1);
    EXPECT_EQ(m_cache.GetSize(), 4);

    EXPECT_EQ(MCStaffCache::IsCacheEvent(Clef(0.0f)), 1);
    EXPECT_EQ(MCStaffCache::IsCacheEvent(Key(0.0f)), 1);
    EXPECT_EQ(MCStaffCache::IsCacheEvent(Keep(new ECWithTime)), 0);
    EXPECT_EQ(MCStaffCache::IsCacheEvent(nullptr), 0);
}

TEST_F(StaffCacheTest, HandsPastTheFirstShareOneSlot) {
    ECClef* treble = Clef(0.0f, 0);
    ECClef* bass = Clef(0.0f, 1);
    ASSERT_EQ(m_cache.CacheEvent(treble, 0), 1);
    ASSERT_EQ(m_cache.CacheEvent(bass, 1), 1);
    // Hand 2 at the same time lands on hand 1's slot: refused.
    EXPECT_EQ(m_cache.CacheEvent(Clef(0.0f, 2), 2), 0);
    EXPECT_EQ(m_cache.GetClefAtTime(3.0f, 2), bass);
    // The same clef again, or another for hand 0 at that time: refused.
    EXPECT_EQ(m_cache.CacheEvent(treble, 0), 0);
    EXPECT_EQ(m_cache.CacheEvent(Clef(0.0f, 0), 0), 0);

    ECKey* flat = Key(2.0f, 0);
    ECClef* alto = Clef(2.0f, 0);
    ASSERT_EQ(m_cache.CacheEvent(flat, 0), 1);
    ASSERT_EQ(m_cache.CacheEvent(alto, 0), 1);
    EXPECT_EQ(m_cache.GetPointCount(), 2);

    const struct { float t; unsigned char hand; ECBase* clef; ECBase* clefBefore; ECBase* key; } cases[] = {
        {1.0f, 0, treble, treble, nullptr}, {2.0f, 0, alto, treble, flat},   {5.0f, 0, alto, alto, flat},
        {2.0f, 1, bass, bass, nullptr},     {5.0f, 9, bass, bass, nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(m_cache.GetClefAtTime(c.t, c.hand), c.clef) << c.t;
        EXPECT_EQ(m_cache.GetClefBeforeTime(c.t, c.hand), c.clefBefore) << c.t;
        EXPECT_EQ(m_cache.GetKeyAtTime(c.t, c.hand), c.key) << c.t;
    }
    EXPECT_EQ(m_cache.GetKeyBeforeTime(2.0f, 0), nullptr);
    EXPECT_EQ(m_cache.GetKeyAtTime(-1.0f, 0), nullptr);

    MCTime start;
    MCTime end;
    m_cache.GetClefScope(treble, start, end, 0);
    EXPECT_EQ(start, MCTime(0.0f));
    EXPECT_EQ(end, MCTime(2.0f));
    m_cache.GetClefScope(bass, start, end, 1);
    EXPECT_EQ(start, MCTime(0.0f));
    EXPECT_EQ(end, MCTime::TimeMax());
    m_cache.GetKeyScope(flat, start, end, 1);   // not in the other hands' slot
    EXPECT_EQ(start, MCTime::TimeNull());
    m_cache.GetClefScope(Keep(new ECClef), start, end, 0);   // no time: the null time
    EXPECT_EQ(end, MCTime::TimeNull());
}

TEST_F(StaffCacheTest, UncachingRestoresTheEarlierClef) {
    ECClef* treble = Clef(0.0f);
    ECClef* bass = Clef(4.0f);
    ECKey* key = Key(8.0f);
    ASSERT_EQ(m_cache.CacheEvent(treble, 0), 1);
    ASSERT_EQ(m_cache.CacheEvent(bass, 0), 1);
    ASSERT_EQ(m_cache.CacheEvent(key, 0), 1);
    EXPECT_EQ(m_cache.EventIsCached(bass), 1);
    EXPECT_EQ(m_cache.EventIsCached(key), 1);

    // Wrong hand, wrong kind, no time: refused and nothing changes.
    EXPECT_EQ(m_cache.UncacheEvent(bass, 1), 0);
    EXPECT_EQ(m_cache.UncacheEvent(Keep(new ECWithTime), 0), 0);
    EXPECT_EQ(m_cache.UncacheEvent(Keep(new TimelessClef), 0), 0);
    EXPECT_EQ(m_cache.CacheEvent(Keep(new TimelessClef), 0), 0);
    EXPECT_EQ(m_cache.CacheEvent(nullptr, 0), 0);

    ASSERT_EQ(m_cache.UncacheEvent(bass, 0), 1);
    EXPECT_EQ(m_cache.EventIsCached(bass), 0);
    EXPECT_EQ(m_cache.GetPointCount(), 2);   // the point at 4 went
    EXPECT_EQ(m_cache.GetClefAtTime(9.0f, 0), treble);
    EXPECT_EQ(m_cache.UncacheEvent(bass, 0), 0);
}

TEST_F(StaffCacheTest, BuildCacheTakesEachEventsOwnHand) {
    ASSERT_EQ(m_cache.CacheEvent(Clef(6.0f), 0), 1);   // dropped by the rebuild

    MCEventList list;
    ECClef* upper = Clef(0.0f, 0);
    ECClef* lower = Clef(0.0f, 1);
    ECClef* lowerAgain = Clef(0.0f, 3);   // same slot, same time: refused
    ECKey* key = Key(4.0f, 1);
    for (ECBase* event : {static_cast<ECBase*>(upper), static_cast<ECBase*>(Keep(new ECWithTime)),
                          static_cast<ECBase*>(lower), static_cast<ECBase*>(lowerAgain), static_cast<ECBase*>(key)})
        list.AddEvent(event, UNSORTED);

    m_cache.BuildCache(&list);
    EXPECT_EQ(m_cache.GetPointCount(), 2);
    EXPECT_EQ(m_cache.GetClefAtTime(7.0f, 0), upper);
    EXPECT_EQ(m_cache.GetClefAtTime(7.0f, 1), lower);
    EXPECT_EQ(m_cache.EventIsCached(lowerAgain), 0);
    EXPECT_EQ(m_cache.GetKeyAtTime(7.0f, 1), key);
    EXPECT_EQ(m_cache.GetKeyAtTime(7.0f, 0), nullptr);

    m_cache.ResetCurrentPosition(5.0f);
    EXPECT_EQ(m_cache.GetKeyBeforeTime(4.0f, 1), nullptr);
    m_cache.BuildCache(nullptr);
    EXPECT_EQ(m_cache.GetPointCount(), 0);
}
