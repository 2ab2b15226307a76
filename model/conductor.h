// ECConductor (type ET_CONDUCTOR): the event under a performance that gives
// the piece its structure in time, and the one the rest of the system asks
// every question of time: which measure, which meter, which tempo holds at a
// time, and how musical, real and bar/pulse/tick times convert.
//
// The conductor holds
//   the performance      looked up among its ancestors when needed;
//   the conductor staff  track 0 (model/conductorstaff.h): the meters, tempos
//                        and the measure grid; made on first need through a
//                        synchronous add-track command, and a child of the
//                        conductor (the tree owns it);
//   the cache            the MCConductorCache of meters and tempos (owned);
//   the wave tracks      index n - 1 is wave track n; children of the
//                        conductor, the array holds no references.
// Tracks are numbered by kind: kind 0 the conductor staff (always track 0),
// kind 1 the staves from 1, kind 2 the wave tracks from 1 in their own
// numbering. Every track, measure and conductor structure carries voice 14.
// Measures are numbered from 1.
//
// Each public query first makes the conductor staff when there is none. A
// meter or tempo asked for where the piece has none is made at time 0 (4/4,
// and the default tempo) and added to the conductor staff, without a command
// or a state.
//
// Archive form: the ECWithChild part, then the conductor staff by reference.
// Loading rebuilds the cache from the conductor staff's children and the
// wave-track array from the wave tracks' numbers.
//
// UI thread, under the performance's lock like the rest of the tree. The
// conversions run on the device thread too, under that lock.
#pragma once

#include "model/event.h"

#include <memory>
#include <vector>

class CArchive;
class ECConductorStaff;
class ECMeasure;
class ECMeter;
class ECPerformance;
class ECStaff;
class ECTempo;
class ECTrack;
class ECWaveTrack;
class MCConductorCache;

// The kinds of GetTrack, GetTrackNumber and GetMaxTrackNumber.
enum : int {
    TRACK_CONDUCTOR = 0,
    TRACK_STAFF = 1,
    TRACK_WAVE = 2,
};

// The track numbers of a measure query that mean every track and none.
enum : int {
    TRACK_ALL = 2046,
    TRACK_NONE = 2047,
};

class ECConductor : public ECWithChild {
    DECLARE_SERIAL(ECConductor)
public:
    // No conductor staff yet; an empty cache.
    ECConductor();
    // The ECWithChild part and a fresh cache; no conductor staff, no wave
    // tracks (they are tree links).
    ECConductor(const ECConductor& other);
    ~ECConductor() override;

    void Serialize(CArchive& ar) override;
    int GetClassType() const override;

    // ---- tracks ----
    // Kind 0 the conductor staff, 1 the staff of that number (0 is the
    // conductor staff's own entry), 2 the wave track; with `create` set a
    // missing staff or wave track is made. Null for any other kind.
    ECTrack* GetTrack(int kind, int number, int create);
    // Kind 0 gives 0, kind 1 the staff number (-1 when absent), kind 2 the
    // wave-track number (-1 when absent), other kinds 0.
    int GetTrackNumber(int kind, ECTrack* track);
    // Kind 0 gives 1, kind 1 the number of staves, kind 2 of wave tracks.
    int GetMaxTrackNumber(int kind);
    // With the flag set the conductor staff orders its staves first; then the
    // staves stand in the children list in number order and the list is
    // sorted by time.
    void SortStaves(int sortConductorStaff);

    // ---- measures (see ECConductorStaff) ----
    int GetMaxMeasureNumber();
    MCTime GetMaxMeasureEndTime();
    int GetMeasureNumberAtTime(const MCTime& time);
    int GetMeasureNumberBeforeTime(const MCTime& time);
    ECMeasure* GetMeasure(int track, MCTime time, int create, int count);
    ECMeasure* GetMeasure(int track, int number);
    int GetMeasures(int track, const MCTime& from, const MCTime& to, MCEventList& list);
    int GetMeasures(int track, int first, int last, MCEventList& list);

    // ---- meters and tempos ----
    // The event in force at (or before) the time; made at time 0 when the
    // piece has none.
    ECTempo* GetTempoAtTime(const MCTime& time);
    ECTempo* GetTempoBeforeTime(const MCTime& time);
    ECMeter* GetMeterAtTime(const MCTime& time);
    ECMeter* GetMeterBeforeTime(const MCTime& time);
    // The span over which the event is in force (the cache's answer).
    void GetTempoScope(ECTempo* tempo, MCTime& start, MCTime& end);
    void GetMeterScope(ECMeter* meter, MCTime& start, MCTime& end);

    // 0 for an event that is not a meter or tempo; else the cache's answer.
    int CacheEvent(ECBase* event);
    int UncacheEvent(ECBase* event);
    // Uncached when the cache holds it, then cached again.
    int RecacheEvent(ECBase* event);
    // Moves the cache's cursor onto the point in force at the time.
    void ResetCurrentPosition(const MCTime& time);

    // ---- conversions (MCConductorCache) ----
    MCTime NormalizeTime(const MCTime& time);
    MCTime TranslateTime(const MCTime& time);
    MCTime BarPulseTick(const MCTime& time, int ppq);
    MCConductorCache* GetCache() { return m_pCache.get(); }

protected:
    friend class CCAddTrack;
    friend class CCRemoveTrack;
    friend class ECConductorStaff;

    // From the add-track command: a conductor staff becomes a child (0); a
    // staff goes to ECConductorStaff::InsertStaff (its position); a wave track
    // is numbered position + 1 (below 0: appended), put into the array and
    // becomes a child (the position). -1 for anything else.
    int InsertTrack(ECTrack* track, int position);
    // From the remove-track command: a staff leaves through
    // ECConductorStaff::RemoveStaff; a wave track leaves the array only (it
    // stays a child). Anything else is ignored.
    void RemoveTrack(ECTrack* track);
    // Its index + 1, or -1.
    int GetWaveTrackNumber(ECTrack* track) const;
    // Numbers 1 to the count; else, with `create` set, a new wave track
    // appended through a synchronous add-track command.
    ECWaveTrack* GetWaveTrack(int number, int create);
    // Puts every wave track under the conductor at index (its track - 1).
    void BuildWaveTrackArray();
    // The performance above the conductor, or null.
    ECPerformance* GetPerformance();
    // The conductor staff, made when there is none (null when it cannot be:
    // without a performance no command runs).
    ECConductorStaff* MakeConductorStaff();

private:
    // Puts a track in at a position through a synchronous add-track command,
    // announced or not.
    void ApplyAddTrack(ECPerformance* performance, ECTrack* track, int position, int stateNotify);
    // The conductor staff while it is among the children, else null.
    ECConductorStaff* GetConductorStaff();
    // Puts a new meter or tempo at time 0 on the conductor staff (made when
    // needed) and answers it; null, and the event freed, when it could not be
    // added.
    ECBase* AddDefaultEvent(ECBase* event);

    ECConductorStaff* m_pConductorStaff = nullptr;   // borrowed: a child of this
    std::unique_ptr<MCConductorCache> m_pCache;      // owned
    std::vector<ECWaveTrack*> m_waveTracks;          // borrowed: children of this
};
