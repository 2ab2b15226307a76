// MCStaffCache: the clefs and keys in force on one staff, per hand.
//
// Owned by its staff, which feeds it as clefs and keys enter and leave its
// measures, empties it when it loses its children and rebuilds it whole after
// loading and after measure commands (BuildCache). Four slots:
//   0  the clef of hand 0        1  the clef of every other hand
//   2  the key of hand 0         3  the key of every other hand
// A hand of 0 maps to the first slot of its pair, every other hand to the
// second: the hands past the first share one slot.
// Times are musical (quarter notes): the staff cache compares times in their
// own units, so callers convert real or bar/pulse/tick times first.
//
// A second clef (or key) for the same slot at exactly the time of one already
// cached is refused; the owner keeps the event in the tree but the cache keeps
// the first.
//
// Threads: as MCCache (the performance's lock guards it with the tree).
#pragma once

#include "model/cache.h"

class ECBase;
class ECClef;
class ECKey;
class MCEventList;

class MCStaffCache : public MCCache {
public:
    // The slot pairs' codes for GetCacheListPosition(kind, hand).
    static constexpr int KIND_CLEF = 5;
    static constexpr int KIND_KEY = 6;

    MCStaffCache();   // size 4

    // True for a clef (ET_CLEF) or a key (ET_KEY); false for null. Only
    // ECClef and ECKey objects are cached: an event of another class that
    // answers one of these types is refused.
    static int IsCacheEvent(ECBase* event);

    // The clef or key in force at (or just before) t for the hand; null when
    // none (or for a time below 0).
    ECClef* GetClefAtTime(const MCTime& t, unsigned char hand);
    ECClef* GetClefBeforeTime(const MCTime& t, unsigned char hand);
    ECKey* GetKeyAtTime(const MCTime& t, unsigned char hand);
    ECKey* GetKeyBeforeTime(const MCTime& t, unsigned char hand);
    // The span over which the clef or key is in force for the hand (see
    // MCCache::GetObjectScope); both stay null for an event without a time.
    void GetClefScope(ECClef* clef, MCTime& start, MCTime& end, unsigned char hand);
    void GetKeyScope(ECKey* key, MCTime& start, MCTime& end, unsigned char hand);

    // 1 when the event is held in any slot.
    int EventIsCached(ECBase* event) const;
    // Caches the clef or key at its time in the hand's slot. 0 for an event
    // without a time or of another kind, and when a clef (key) of that slot
    // already starts at exactly that time.
    int CacheEvent(ECBase* event, unsigned char hand);
    // Takes the clef or key out at its time; 0 as MCCache::UncacheObject, or
    // for an event without a time or of another kind.
    int UncacheEvent(ECBase* event, unsigned char hand);
    // Empties the cache, then caches every clef and key of the list in list
    // order, each with its own hand (ECClef::GetHand, ECKey::GetHand); other
    // events are passed over.
    void BuildCache(const MCEventList* events);
    // Moves the cursor onto the point in force at t.
    void ResetCurrentPosition(const MCTime& t);

protected:
    // KIND_CLEF gives slot 0 or 1, KIND_KEY 2 or 3 (the second of the pair for
    // a hand other than 0), any other kind -1.
    static int GetCacheListPosition(int kind, unsigned char hand);
    // The slot of an ECClef or ECKey; -1 for any other event (and for null).
    static int GetCacheListPosition(ECBase* event, unsigned char hand);

private:
    void GetScope(ECBase* event, int kind, MCTime& start, MCTime& end, unsigned char hand);
    // The time of a clef or key and its slot for `hand`; null (nothing to
    // cache) for an event without a time or a slot.
    static const MCTime* GetCachePlace(ECBase* event, unsigned char hand, int& slot);
};
