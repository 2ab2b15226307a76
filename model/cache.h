// MCCache: a time-ordered table of snapshots, the base of the caches that
// answer "which meter, tempo, clef or key is in force at this time" without a
// walk of the event tree.
//
// The cache holds
//   the size     the number of slots of every snapshot (0 until SetSize);
//   the points   CachePoints in ascending time order, each owned by the cache;
//                once there is any, the first starts at time 0. Point s of a
//                snapshot is the object in force in slot s from its time on,
//                until a later point says otherwise;
//   the cursor   the point where the last search ended. Every search starts
//                there, so lookups at ascending or nearby times stay cheap.
// The objects in the slots are borrowed: the cache never references, copies
// or frees them. Whoever puts an object in uncaches it before it goes.
//
// Searching. A search stands on the last point whose SearchCondition holds
// for the time (the base condition: the time is at or after the point's time).
// It gallops out from the cursor and then halves the bracket, which finds the
// same point as a walk from the cursor for every condition that holds on a
// leading run of points and fails after it. Derived caches keep that so: the
// conductor cache's real and bar/pulse/tick starts ascend with the points.
//
// A point may carry derived data ("aux", owned by the cache): the base never
// makes any; a derived cache that does releases it in DeleteAuxPointer.
//
// Not persisted: owners rebuild their caches from the tree after loading.
// Threads: no lock of its own. Searches move the cursor (and derived caches
// fill their derived data), so even lookups change the cache: a caller off the
// user-interface thread holds the performance's lock, as for the tree.
#pragma once

#include "model/time.h"

#include <memory>
#include <vector>

// One snapshot: the objects in force from m_time on, one per slot.
struct CachePoint {
    MCTime m_time;
    std::vector<void*> m_objects;   // borrowed; null where nothing is in force
    void* m_aux = nullptr;          // owned by the cache (see DeleteAuxPointer)
};

class MCCache {
public:
    MCCache() = default;
    explicit MCCache(int size);
    // Deletes every point. A derived cache with derived data calls DeleteCache
    // in its own destructor: here its DeleteAuxPointer is no longer reachable.
    virtual ~MCCache();
    MCCache(const MCCache&) = delete;
    MCCache& operator=(const MCCache&) = delete;

    int GetSize() const { return m_nSize; }
    // Values of 0 and below are ignored; otherwise every point's slots are
    // resized to n (new slots null) and the size becomes n.
    void SetSize(int n);

    // Puts the object into the slot from time t on: a point at t is made (a
    // copy of the point in force there) unless one starts exactly at t, and
    // the later points that held what the slot held before take the object,
    // up to the next change of the slot. 1; 0 for a time below 0 or in
    // bar/pulse/tick form, a slot outside 0..size-1 or a null object.
    int CacheObject(void* object, const MCTime& t, int slot);
    // Takes the object out of the slot of the point that starts exactly at t:
    // the slot takes the earlier point's value (null on the first point), as
    // do the later points that held the object. A point left equal to its
    // predecessor is removed (the first point never is). 1; 0 when the time
    // is below 0, the slot bad, the cache empty, no point starts at t or its
    // slot holds something else.
    int UncacheObject(void* object, const MCTime& t, int slot);
    // 1 when the object is in the slot of any point (slot -1: in any slot);
    // 0 for a slot outside -1..size-1 or an empty cache. Moves nothing.
    int ObjectIsCached(void* object, int slot) const;

    // The object in force at t (made the time-0 point on an empty cache);
    // null for a time below 0 or a bad slot.
    void* GetObjectForTime(const MCTime& t, int slot);
    // The object in force just before t: as GetObjectForTime, but a point that
    // starts exactly at t gives way to the one before it.
    void* GetObjectBeforeTime(const MCTime& t, int slot);
    // Where the object, in force at t in the slot, is in force: start is the
    // first point of the unbroken run of points holding it up to the one in
    // force at t, end the time of the next point holding something else there
    // (MCTime::TimeMax when the run reaches the last point). Both stay
    // MCTime::TimeNull for a time below 0, a bad slot, or when the point in
    // force at t holds something else.
    void GetObjectScope(void* object, const MCTime& t, int slot, MCTime& start, MCTime& end);

    // Frees every point (last first, with its derived data); clears the cursor.
    void DeleteCache();
    // Frees every point after the one in force at t (nothing for a time below
    // 0 or an empty cache).
    void DeleteCacheAfter(const MCTime& t);

    // Read-only views of the points, for owners that list them and for tests.
    int GetPointCount() const { return static_cast<int>(m_points.size()); }
    // Null for a position outside 0..count-1.
    const CachePoint* GetPoint(int position) const;

protected:
    // Whether a search may stand on the point at this position: here, whether
    // t is at or after the point's time.
    virtual int SearchCondition(const MCTime& t, CachePoint* point, int position);
    // Releases a point's derived data. The base expects a block from
    // std::malloc and frees it.
    virtual void DeleteAuxPointer(void* aux);

    // A new point at t, its slots copied from `from` (null: all null); null
    // while the size is below 1. Not yet in the list.
    std::unique_ptr<CachePoint> GetNewCachePoint(const MCTime& t, const CachePoint* from) const;
    // The point in force at t, on the cursor: on an empty cache a point at
    // time 0 is made first; a time at or below 0 gives the first point. Null
    // only when no point can be made (size below 1).
    CachePoint* GetCachePointForTime(const MCTime& t);
    // The point in force at t when it starts before t; when it starts exactly
    // at t, the one before it (the same point when it is the first). The
    // cursor stays on the point in force at t.
    CachePoint* GetCachePointBeforeTime(const MCTime& t);
    // Hands the cursor point's value of the slot on to the points after the
    // cursor that still hold `old` there, up to the first that holds
    // something else.
    void UpdateListPointers(void* old, int slot);

    // The cursor's position (-1 on an empty cache) and the point at a
    // position (null outside 0..count-1).
    int GetCurrentPosition() const { return m_nCurrent; }
    CachePoint* GetPointAt(int position);

private:
    bool SlotInRange(int slot) const { return slot >= 0 && slot < m_nSize; }
    bool Holds(const MCTime& t, int position);
    // The last position whose condition holds, searched out from the cursor.
    int Locate(const MCTime& t);
    // Takes the point out of the list and frees it with its derived data.
    void FreePoint(int position);

    int m_nSize = 0;
    std::vector<std::unique_ptr<CachePoint>> m_points;   // owned, ascending time
    int m_nCurrent = -1;                                  // the cursor; -1 when empty
};
