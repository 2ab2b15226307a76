// The conductor staff (track 0) and the measure grid all staves share.
//
// ECConductorStaff (type ET_CONDUCTORSTAFF) is the conductor's own staff: it
// holds the meters, tempos, flow-control marks and system messages of the
// piece and the conductor measures, and keeps
//   the staves        index 0 the conductor staff itself, index n staff n;
//                     the highest staff index is the number of staves;
//   the measure grid  the conductor measures in time order, index i is
//                     measure number i + 1; the highest measure index (-1
//                     with none) and the end time of the last measure;
//   the cursor        the index where the last search by time ended (not
//                     archived); searches step from it;
//   the group         the brackets and braces over the staves (MCGroup).
// ECConductorMeasure (type ET_CONDUCTORMEASURE) is one column of the grid:
// the conductor's own measure (holding barlines and braces) and, at index n of
// its track measures, the ECMeasure of staff n at the same time.
//
// Invariants: conductor measure i starts at the time of index i and every
// staff's measure in its column has that time; staff n's track number is n;
// the end time is the start of the first measure plus the lengths inserted
// less the lengths removed.
//
// The arrays hold no references: the staves are children of the conductor,
// the conductor measures children of this staff and each staff's measures
// children of their staff. They keep the class library's array sizes: the
// staves and each column's track measures start as 16 entries (index 0 set
// to the owner, the rest null) and entries are inserted in front of that
// tail; the archive writes every entry, the null tail included. The
// conductor measures start empty.
//
// Archive forms:
//   ECConductorStaff    the ECStaff part, the conductor and the performance by
//                       reference, the highest staff index and the highest
//                       measure index (32 bits each), the end time. Its
//                       after-load pass (run when saving too, right after the
//                       tree) writes the staves array, the conductor-measures
//                       array (count, then each by reference) and the group.
//   ECConductorMeasure  the ECWithTimeChild part, the highest track index (32
//                       bits); its after-load pass the track-measures array.
// Loading checks that every array agrees with its highest index, that each
// entry is of its class and already in the tree, and throws
// CArchiveException otherwise.
//
// Every lookup answers null or 0 for a bad number, an index out of range, a
// time below 0 or a time mode it cannot convert.
//
// UI thread, under the performance's lock like the rest of the tree.
#pragma once

#include "model/group.h"
#include "model/measure.h"
#include "model/staff.h"

#include <vector>

class CArchive;
class ECConductor;
class ECConductorStaff;
class ECMeter;
class ECPerformance;
class MCEventList;

// Reads an event that must already stand in the tree (an entry of an array
// of the after-load pass): null, or an event of the class. An event read here
// for the first time is one nothing holds: it is freed and
// CArchiveException(badIndex) thrown; another class throws badClass.
ECBase* ReadTreeLink(CArchive& ar, const CRuntimeClass* expected);

// One column of the measure grid.
class ECConductorMeasure : public ECMeasure {
    DECLARE_SERIAL(ECConductorMeasure)
public:
    // Time 0, voice 14, track 0; the column holds only this measure.
    ECConductorMeasure();
    explicit ECConductorMeasure(const MCTime& time);
    // Time and word; the column of the copy holds only the copy.
    ECConductorMeasure(const ECConductorMeasure& other);
    ~ECConductorMeasure() override;

    // The ECWithTimeChild part, then the highest track index.
    void Serialize(CArchive& ar) override;
    int GetClassType() const override;
    // The track-measures array.
    void PostSerialize(CArchive& ar) override;

    // The column: index 0 this measure, index n the measure of staff n (null
    // entries where a staff has none, and in the tail).
    const std::vector<ECMeasure*>& GetMeasures() const { return m_trackMeasures; }
    int GetHighestTrackIndex() const { return m_nHighestTrack; }
    // Null for a track below 0 or above the highest track index.
    ECMeasure* GetMeasureOnTrack(int track) const;
    // Sets the time of every measure of the column, this one included.
    void SetMeasureTime(const MCTime* time);

protected:
    friend class ECConductorStaff;

    // Inserts the measure at index `track` (a track past the array's end
    // pads it with null entries) and raises the highest track index, which
    // it returns; -1 for a track below 0.
    int AddMeasureOnTrack(ECMeasure* measure, int track);
    // Takes the entry out and lowers the highest track index; null (and
    // nothing changes) for a track out of range.
    ECMeasure* RemoveMeasureOnTrack(int track);
    // Empties the column, this measure included; highest track index -1.
    void RemoveMeasures();
    // Orders indexes 1 to the highest by the track number of each measure
    // (a converted word counts as track 2047, an empty entry last).
    void SortMeasures();

private:
    void InitColumn();

    std::vector<ECMeasure*> m_trackMeasures;   // borrowed: the staves hold the measures
    int m_nHighestTrack = 0;
};

// The conductor's staff.
class ECConductorStaff : public ECStaff {
    DECLARE_SERIAL(ECConductorStaff)
public:
    // No conductor, no performance (loading fills them).
    ECConductorStaff();
    // Voice 14, track 0, time 0.
    ECConductorStaff(ECConductor* conductor, ECPerformance* performance);
    // The staff part, the conductor, the performance and the group; no
    // staves, no measures, end time 0.
    ECConductorStaff(const ECConductorStaff& other);
    ~ECConductorStaff() override;

    void Serialize(CArchive& ar) override;
    int GetClassType() const override;
    // The staves array, the conductor-measures array, the group.
    void PostSerialize(CArchive& ar) override;

    // Meters and tempos enter the conductor's cache as they are added; one
    // the cache refuses (a meter or tempo already starts at that time) is
    // detached again (and freed when nothing else holds it) and 0 returned.
    int AddChild(ECBase* child, int sorted) override;
    // A meter or tempo leaves the conductor's cache first.
    int RemoveChild(ECBase* child, int deep) override;
    // Empties the conductor's cache, then the staff removal; the grid, whose
    // columns were children, is empty afterwards.
    int RemoveChildren(int deep) override;

    // ---- staves ----
    // 0 to the highest staff index, or -1.
    int GetStaffNumber(ECStaff* staff) const;
    // Staff 0 is this staff. A number not in use gives null unless `create`
    // is set: then a new staff is added at that number (appended when the
    // number is past the end) through a synchronous add-track command.
    ECStaff* GetStaff(int number, int create);
    // Puts the staff in at `position` (below 1 or past the end: appended):
    // every later staff and the track of every event below it move one up;
    // every column gets an empty measure for the staff; the group makes room.
    // Returns the position.
    int InsertStaff(ECStaff* staff, int position);
    // Takes the staff out of the array, the conductor's children, every column
    // and the group; every later staff and its events move one down. The
    // staff keeps its own measures.
    void RemoveStaff(ECTrack* track);
    // Orders the staves (and each column) by their track numbers.
    void SortStaves();
    // Forwards to MCGroup::GroupTracks and MCGroup::RemovePrimaryGroup.
    void GroupStaves(int first, int last, int kind);
    void RemoveGroup(int index);
    MCGroup* GetGroup() { return &m_group; }
    // The highest staff index: the number of staves.
    int GetMaxStaffNumber() const { return m_nHighestStaff; }

    // ---- measures ----
    // The number of measures, and the end of the last one.
    int GetMaxMeasureNumber() const { return m_nHighestMeasure + 1; }
    MCTime& GetMaxMeasureEndTime() { return m_endTime; }
    // The number of the measure at a time (a real or bar/pulse/tick time is
    // converted first): 0 below 0, the number of measures at or after the
    // end time.
    int GetMeasureNumberAtTime(const MCTime& time);
    // As GetMeasureNumberAtTime, but a time at the very start of a measure
    // gives the measure before it; 0 at or below 0.
    int GetMeasureNumberBeforeTime(const MCTime& time);
    // The measure of a track (0: the conductor measure) at a time; with
    // `create` set, the staff and the measures up to the time are made
    // (`count` measures at a time). A real time is converted first.
    ECMeasure* GetMeasure(int track, MCTime time, int create, int count);
    // The measure of a track by number (from 1).
    ECMeasure* GetMeasure(int track, int number);
    // Empties the list, then appends the measures first to last of the track
    // (numbers from 1, cut to the measures there are); track 2046 appends
    // every track's run, the conductor's first. 1 when anything was listed.
    int GetMeasures(int track, int first, int last, MCEventList& list);
    // The measures from the one at `from` to the one before `to`.
    int GetMeasures(int track, const MCTime& from, const MCTime& to, MCEventList& list);

    // Rebuilds the clef and key cache of every staff.
    void RebuildCaches();

protected:
    friend class ECConductor;
    friend class CCAddMeasure;
    friend class CCRemoveMeasure;
    friend class CCAddMeter;
    friend class CCRemoveMeter;
    friend class CCMeterEdit;   // the re-barring both meter commands share

    // The column at a time (converted in place when it is not musical: the
    // caller's variable changes); null below 0 or at or after the end time,
    // unless `create` is set: then measures of the meter in force are
    // appended, `count` (at least 1) at a time, until one holds the time.
    ECConductorMeasure* GetConductorMeasureAtTime(MCTime& time, int create, int count);
    // Makes `count` columns from `start` at `index` (out of range: appended),
    // each of the meter's length (4 quarters without a meter) with an empty
    // measure for every staff. Later columns keep their times: the measure
    // commands move them. 1.
    int InsertMeasures(int index, int count, MCTime start, ECMeter* meter);
    // Takes `count` columns out of the grid from `index` (out of range: the
    // last `count`; a count past the end stops at the last column). The
    // columns and their measures stay in the tree: the caller removes them.
    // 1.
    int RemoveMeasures(int index, int count);
    // Removes from the tree every direct child of every track whose time lies
    // in [from, to), except measures, timeless events and the bank selects,
    // meters, program changes and texts at time 0.
    void RemoveEvents(const MCTime& from, const MCTime& to);
    // After measure times changed: every timed child of the measures between
    // `from` and `to` moves into the measure of its track that holds its
    // time, walking backwards when asked.
    void AdjustMeasureChildren(const MCTime& from, const MCTime& to, int backwards);

    ECConductorMeasure* GetConductorMeasure(int index) const;
    int GetHighestMeasureIndex() const { return m_nHighestMeasure; }

private:
    // InsertMeasures for a run of insertions in time order: `places` holds,
    // per track (0 the conductor's), the place of the measure the run put in
    // last (null: none yet), and each new measure is put in after it.
    int InsertMeasuresInRun(int index, int count, MCTime start, ECMeter* meter, std::vector<POSITION>& places);
    void InitStaves();
    // The conductor this staff hangs under and its performance (null for a
    // staff outside a conductor); the archived pointers below are not used
    // for work, so a staff taken out of its conductor touches no cache.
    ECConductor* GetConductor();
    ECPerformance* GetPerformance();
    // The tracks (staves and this staff) two levels under the performance.
    void FindTracks(MCEventList& tracks);

    ECConductor* m_pConductor = nullptr;       // borrowed, archived; set by the conductor
    ECPerformance* m_pPerformance = nullptr;   // borrowed, archived
    int m_nHighestStaff = 0;
    std::vector<ECStaff*> m_staves;            // borrowed: the conductor's children
    int m_nCurrentMeasure = 0;                 // the search cursor
    int m_nHighestMeasure = -1;
    MCTime m_endTime;                          // 0
    std::vector<ECConductorMeasure*> m_measures;   // borrowed: this staff's children
    MCGroup m_group;
};
