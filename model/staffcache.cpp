// MCStaffCache: clefs and keys per hand (see staffcache.h for the contract).
#include "model/staffcache.h"

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/markings.h"

namespace {

// The slot's object as an event: the staff cache only ever puts events there,
// and of the slots' own classes (see GetCacheListPosition).
ECBase* AsEvent(void* object) {
    return static_cast<ECBase*>(object);
}
ECClef* AsClef(void* object) {
    return static_cast<ECClef*>(AsEvent(object));
}
ECKey* AsKey(void* object) {
    return static_cast<ECKey*>(AsEvent(object));
}

// Whether an event already in force starts at exactly t, so that another one
// of its slot there is refused. An event in force without a time cannot be
// told apart from one at t: refused too.
bool StartsAt(ECBase* held, const MCTime& t) {
    if (!held)
        return false;
    const MCTime* heldTime = held->GetTime();
    return !heldTime || *heldTime == t;
}

} // namespace

MCStaffCache::MCStaffCache() : MCCache(4) {
}

int MCStaffCache::IsCacheEvent(ECBase* event) {
    if (!event)
        return 0;
    const int type = event->GetClassType();
    return type == ET_CLEF || type == ET_KEY ? 1 : 0;
}

int MCStaffCache::GetCacheListPosition(int kind, unsigned char hand) {
    const int second = hand != 0 ? 1 : 0;
    if (kind == KIND_CLEF)
        return 0 + second;
    if (kind == KIND_KEY)
        return 2 + second;
    return -1;
}

int MCStaffCache::GetCacheListPosition(ECBase* event, unsigned char hand) {
    if (!event)
        return -1;
    // The lookups hand the slots out as clefs and keys: an event of another
    // class answering one of their types never enters.
    switch (event->GetClassType()) {
    case ET_CLEF:
        return DYNAMIC_DOWNCAST(ECClef, event) ? GetCacheListPosition(KIND_CLEF, hand) : -1;
    case ET_KEY:
        return DYNAMIC_DOWNCAST(ECKey, event) ? GetCacheListPosition(KIND_KEY, hand) : -1;
    default:
        return -1;
    }
}

ECClef* MCStaffCache::GetClefAtTime(const MCTime& t, unsigned char hand) {
    return AsClef(GetObjectForTime(t, GetCacheListPosition(KIND_CLEF, hand)));
}

ECClef* MCStaffCache::GetClefBeforeTime(const MCTime& t, unsigned char hand) {
    return AsClef(GetObjectBeforeTime(t, GetCacheListPosition(KIND_CLEF, hand)));
}

ECKey* MCStaffCache::GetKeyAtTime(const MCTime& t, unsigned char hand) {
    return AsKey(GetObjectForTime(t, GetCacheListPosition(KIND_KEY, hand)));
}

ECKey* MCStaffCache::GetKeyBeforeTime(const MCTime& t, unsigned char hand) {
    return AsKey(GetObjectBeforeTime(t, GetCacheListPosition(KIND_KEY, hand)));
}

void MCStaffCache::GetScope(ECBase* event, int kind, MCTime& start, MCTime& end, unsigned char hand) {
    start = MCTime::TimeNull();
    end = MCTime::TimeNull();
    const MCTime* time = event ? event->GetTime() : nullptr;
    if (time)
        GetObjectScope(event, *time, GetCacheListPosition(kind, hand), start, end);
}

void MCStaffCache::GetClefScope(ECClef* clef, MCTime& start, MCTime& end, unsigned char hand) {
    GetScope(clef, KIND_CLEF, start, end, hand);
}

void MCStaffCache::GetKeyScope(ECKey* key, MCTime& start, MCTime& end, unsigned char hand) {
    GetScope(key, KIND_KEY, start, end, hand);
}

int MCStaffCache::EventIsCached(ECBase* event) const {
    return event ? ObjectIsCached(event, -1) : 0;
}

const MCTime* MCStaffCache::GetCachePlace(ECBase* event, unsigned char hand, int& slot) {
    const MCTime* time = event ? event->GetTime() : nullptr;
    if (!time)
        return nullptr;
    slot = GetCacheListPosition(event, hand);
    return slot < 0 ? nullptr : time;
}

int MCStaffCache::CacheEvent(ECBase* event, unsigned char hand) {
    int slot = -1;
    const MCTime* time = GetCachePlace(event, hand, slot);
    if (!time)
        return 0;
    if (StartsAt(AsEvent(GetObjectForTime(*time, slot)), *time))
        return 0;
    return CacheObject(event, *time, slot);
}

int MCStaffCache::UncacheEvent(ECBase* event, unsigned char hand) {
    int slot = -1;
    const MCTime* time = GetCachePlace(event, hand, slot);
    if (!time)
        return 0;
    return UncacheObject(event, *time, slot);
}

void MCStaffCache::BuildCache(const MCEventList* events) {
    DeleteCache();
    if (!events)
        return;
    for (POSITION pos = events->GetHeadPosition(); pos;) {
        ECBase* event = events->GetNext(pos);
        if (auto* clef = DYNAMIC_DOWNCAST(ECClef, event))
            CacheEvent(clef, clef->GetHand());
        else if (auto* key = DYNAMIC_DOWNCAST(ECKey, event))
            CacheEvent(key, key->GetHand());
    }
}

void MCStaffCache::ResetCurrentPosition(const MCTime& t) {
    GetCachePointForTime(t);
}
