// The tracks of a piece: what the conductor numbers as a track, the notation
// staff with its cache of clefs and keys, and the wave track.
//
//   ECTrack      53  ECWithTimeChild  the common base; no fields of its own.
//                                     Time 0, voice 14, track 2047 (none)
//                                     until the conductor numbers it.
//   ECStaff      39  ECTrack          a notation staff: holds its measures
//                                     and the MIDI and marking events of staff
//                                     level. Keeps the staff type (one byte;
//                                     type 1 is grouped as kind 1, every other
//                                     type as the plain kind) and owns an
//                                     MCStaffCache of the clefs and keys in
//                                     force on it, per hand.
//   ECWaveTrack  55  ECTrack          holds wave clips; points at its
//                                     conductor and performance (borrowed).
//
// The staff's cache follows its clefs and keys: ECMeasure::AddChild and
// RemoveChild (model/measure.h) feed it one event at a time, a clef or key
// whose time changes leaves and re-enters it (the upkeep this file installs
// for the marking classes), RemoveChildren empties it, loading and the
// measure commands rebuild it whole (RebuildCache). The cache borrows the
// events; it never holds a reference.
//
// Archive forms, after the ECWithTimeChild part (flags, view data, children,
// time, voice/track word):
//   ECTrack       nothing more;
//   ECStaff       the staff type (1 byte); loading then rebuilds the cache
//                 from the staff's clefs and keys;
//   ECWaveTrack   the conductor and the performance as object references.
//
// UI thread, under the performance's lock like the rest of the tree.
#pragma once

#include "model/event.h"

#include <memory>

class CArchive;
class ECClef;
class ECConductor;
class ECKey;
class ECPerformance;
class MCStaffCache;

// Everything the conductor numbers as a track.
class ECTrack : public ECWithTimeChild {
    DECLARE_SERIAL(ECTrack)
public:
    // Time 0, voice 14, track 2047.
    ECTrack();
    // Time and voice/track word; no children.
    ECTrack(const ECTrack& other);
    ~ECTrack() override;

    // The ECWithTimeChild part only.
    void Serialize(CArchive& ar) override;
    int GetClassType() const override;
};

// Writes or reads the back references of a track to its conductor and its
// performance. On loading they are ancestors still being read: only their
// classes are checked, and anything else is refused (badClass).
void SerializeTrackOwners(CArchive& ar, ECConductor*& conductor, ECPerformance*& performance);

// A notation staff. Owns its clef and key cache.
class ECStaff : public ECTrack {
    DECLARE_SERIAL(ECStaff)
public:
    // Staff type 0.
    ECStaff();
    explicit ECStaff(unsigned char staffType);
    // Time, word and staff type; a fresh, empty cache.
    ECStaff(const ECStaff& other);
    ~ECStaff() override;

    // The track part, then the staff type. Files of version 0 and 1 hold the
    // same bytes. Loading rebuilds the cache from the clefs and keys found
    // down to the staff's measures.
    void Serialize(CArchive& ar) override;
    int GetClassType() const override;

    // The clef or key in force at (or just before) a musical time for the
    // hand (hand 0, or the slot every other hand shares); null when none.
    ECClef* GetClefAtTime(const MCTime& time, unsigned char hand);
    ECClef* GetClefBeforeTime(const MCTime& time, unsigned char hand);
    ECKey* GetKeyAtTime(const MCTime& time, unsigned char hand);
    ECKey* GetKeyBeforeTime(const MCTime& time, unsigned char hand);
    // The span over which the clef or key is in force (the null time for
    // both ends when it is not in force for that hand).
    void GetClefScope(ECClef* clef, MCTime& start, MCTime& end, unsigned char hand);
    void GetKeyScope(ECKey* key, MCTime& start, MCTime& end, unsigned char hand);

    // 0 without a cache or for an event that is not a clef or key; else the
    // cache's answer (0 when a clef or key of that slot already starts at
    // exactly that time).
    int CacheEvent(ECBase* event, unsigned char hand);
    int UncacheEvent(ECBase* event, unsigned char hand);
    // After a clef's or key's hand changed: taken out of whichever slot of
    // its pair holds it, then cached with the given hand.
    int RecacheEvent(ECBase* event, unsigned char hand);
    // Empties the cache, then caches every clef and key found in the staff's
    // measures (two levels down), in walk order.
    void RebuildCache();

    // A measure that leaves the staff takes its clefs and keys out of the
    // cache first, so the cache never points into a measure it has lost.
    int RemoveChild(ECBase* child, int deep) override;
    // The children go (deeply when asked); the cache is emptied. 1; 0 when
    // the removal failed.
    int RemoveChildren(int deep) override;

    MCStaffCache* GetCache() { return m_pCache.get(); }
    unsigned char GetStaffType() const { return m_staffType; }
    void SetStaffType(unsigned char staffType) { m_staffType = staffType; }

private:
    unsigned char m_staffType = 0;
    std::unique_ptr<MCStaffCache> m_pCache;   // owned; borrows the clefs and keys
};

// A track of wave clips.
class ECWaveTrack : public ECTrack {
    DECLARE_SERIAL(ECWaveTrack)
public:
    ECWaveTrack() = default;
    ECWaveTrack(ECConductor* conductor, ECPerformance* performance);
    // Time, word, conductor and performance.
    ECWaveTrack(const ECWaveTrack& other);
    ~ECWaveTrack() override;

    // The track part, then the conductor and the performance by reference.
    void Serialize(CArchive& ar) override;
    int GetClassType() const override;

    ECConductor* GetConductor() const { return m_pConductor; }
    ECPerformance* GetPerformance() const { return m_pPerformance; }

private:
    ECConductor* m_pConductor = nullptr;       // borrowed: the tree holds it
    ECPerformance* m_pPerformance = nullptr;   // borrowed: the tree's root
};
