// MCConductorCache: the meters and tempos of a piece in time order, and the
// conversions between musical time, real time and bar/pulse/tick time.
//
// Owned by the conductor (one per document), fed as meters and tempos enter
// and leave the conductor staff, rebuilt whole after loading. Slot 0 holds the
// meters, slot 1 the tempos; slot 2 stays empty (no event kind maps to it).
// The slots hold only what CacheEvent put there.
//
// Each point also carries, computed on first use and kept until a change
// before it, the real time and the bar/pulse/tick time at which it begins
// (an AuxTime). A real or bar/pulse/tick time therefore finds its point by
// those starts directly, and every conversion is a search from the cursor
// plus a few multiplications: they run on every playback poll and layout.
//
// The conversions:
//   musical -> real   the real start of the point in force, plus the quarter
//                     notes since its time at the speed of its tempo (one
//                     quarter per second without a tempo);
//   real -> musical   the inverse, at the tempo's rate;
//   musical -> bar/pulse/tick   counted from the point where the meter in
//                     force begins, so tempo changes inside a meter's span do
//                     not split the count. Bars and pulses count from 0; the
//                     tick is the fraction of a quarter note past the last
//                     whole quarter of the bar (not the time since the pulse
//                     began), carried into the pulse at ppq ticks;
//   bar/pulse/tick -> musical   the point's time plus whole measures plus the
//                     quarters of the position in its bar. For pulses shorter
//                     than a quarter the tick is read as BarPulseTick writes
//                     it (past the last whole quarter); a tick that comes
//                     before that quarter's place in the pulse is read from
//                     the pulse's start. For a pulse of a quarter the two
//                     readings agree. A pulse longer than a quarter does not
//                     record which of its quarters a position lies in: such
//                     positions come back as the pulse's start plus the tick.
// The start of every point is counted the same way as BarPulseTick counts,
// from the point where the meter in force before it begins, so that a point
// inside a meter's span carries the position BarPulseTick gives for its time.
//
// Threads: as MCCache. The player's poll converts times on the device thread
// under the performance's lock.
#pragma once

#include "model/cache.h"

class ECBase;
class ECMeter;
class ECTempo;
class MCEventList;

class MCConductorCache : public MCCache {
public:
    static constexpr int SLOT_METER = 0;
    static constexpr int SLOT_TEMPO = 1;

    MCConductorCache();   // size 3
    ~MCConductorCache() override;

    // True for a meter (ET_METER) or a tempo (ET_TEMPO); false for null.
    static int IsCacheEvent(ECBase* event);

    // The meter or tempo in force at (or just before) t, which may be in any
    // mode that NormalizeTime converts; null when none. (The conductor makes
    // the default meter and tempo when these answer null.)
    ECMeter* GetMeterAtTime(const MCTime& t);
    ECMeter* GetMeterBeforeTime(const MCTime& t);
    ECTempo* GetTempoAtTime(const MCTime& t);
    ECTempo* GetTempoBeforeTime(const MCTime& t);
    // The span over which the event is in force (see MCCache::GetObjectScope).
    void GetMeterScope(ECMeter* meter, MCTime& start, MCTime& end);
    void GetTempoScope(ECTempo* tempo, MCTime& start, MCTime& end);

    // Musical or bar/pulse/tick time to real time (mode TM_REAL); any other
    // mode comes back unchanged.
    MCTime TranslateTime(const MCTime& t);
    // Real or bar/pulse/tick time to musical time (mode TM_NORMAL); a musical
    // time is copied, any other mode comes back unchanged. A bar/pulse/tick
    // time (or point start) with a PPQ below 1 is read at the global PPQ.
    MCTime NormalizeTime(const MCTime& t);
    // Musical or real time to bar/pulse/tick at the given resolution (below 1:
    // the global PPQ); a bar/pulse/tick time is re-expressed at it; any other
    // mode comes back unchanged. Without a meter in force: (0, 0, 0, global
    // PPQ). Callers pass the global PPQ: point starts are counted at it.
    MCTime BarPulseTick(const MCTime& t, int ppq);

    // 1 when the meter or tempo is in its slot.
    int EventIsCached(ECBase* event) const;
    // Caches a meter or tempo at its (musical) time. 0 for another event, an
    // event without a musical time, and when a meter (tempo) already starts
    // at exactly that time. A relative tempo takes the value of the tempo in
    // force before it. The derived times from that point on are dropped.
    int CacheEvent(ECBase* event);
    // Takes a meter or tempo out at its time (0 as MCCache::UncacheObject);
    // the derived times from there on are dropped.
    int UncacheEvent(ECBase* event);
    // Empties the cache, then CacheEvent for every event of the list in order
    // (events of other kinds are refused).
    void BuildCacheFromList(const MCEventList* events);
    // Moves the cursor onto the point in force at t (any convertible mode).
    void ResetCurrentPosition(const MCTime& t);

protected:
    // Real times stand on a point from its real start on, bar/pulse/tick
    // times from its bar/pulse/tick start, every other mode from its time.
    int SearchCondition(const MCTime& t, CachePoint* point, int position) override;
    // Deletes the AuxTime.
    void DeleteAuxPointer(void* aux) override;

    // The conversions from the point at a position (which must exist).
    MCTime TranslateTimeFromCache(const MCTime& t, int position);
    MCTime NormalizeTimeFromCache(const MCTime& t, int position);
    MCTime BarPulseTickFromCache(const MCTime& t, int position, int ppq);

    // Drops the derived times from the cursor point to the last point.
    void InvalidateAuxTimes();
    // 0 for a meter, 1 for a tempo, -1 for anything else (and null).
    static int GetCacheListPosition(ECBase* event);
    // The derived times of the point at a position (which must exist),
    // computed for it and every point before it that lacks them.
    const MCTime& GetCacheTransTime(int position);
    const MCTime& GetCacheBPTTime(int position);
    AuxTime* GetAuxTime(int position);

private:
    ECMeter* MeterAt(int position);
    ECTempo* TempoAt(int position);
    // Computes the derived times of the point at a position, those of the
    // point before it being known; meterStart is where the meter in force
    // before it begins.
    void ComputeAuxTime(int position, int meterStart);
};
