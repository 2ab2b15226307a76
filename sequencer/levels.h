// What the player knows ahead of time, kept until it comes true: the level
// meters' velocities and the events that start and stop sounding.
//
// The player hands device events to the device library before they sound. As
// it does, it tells these two managers of the sequence what will happen and
// when, as a stamp in milliseconds of the process clock (timeGetTime): the
// device's play start time plus the event's device time. Readers on the
// user-interface thread take what has fallen due by the clock now.
//
// CHighlightMgr keeps the events that start sounding (on queue) and stop
// sounding (off queue), for a view that highlights played notes; it stores
// nothing until highlighting is enabled. Each queued record and each list
// handed to the reader holds a reference on its event, so an event removed
// from the tree while it waits is still there when it is read (and goes
// when it is let go). References change under the performance's lock: the
// poll that queues holds it, and the reader takes it before the manager's
// own lock.
//
// CMeterLevelMgr keeps (track, velocity, stamp) records for the mixer's
// meters, which read the loudest velocity per staff track that fell due since
// the previous read, scaled by the track's gain.
//
// Threads: the Set* calls come from the device library's thread under the
// player's lock and the performance's; everything else runs on the
// user-interface thread. Every access to a queue holds the manager's own
// lock, always taken last: a manager takes no other lock while it holds its
// own (the highlight manager takes the performance's before, the level
// manager reads the track gains after releasing its own), so the order
// player lock, performance lock, manager lock is never crossed.
#pragma once

#include "model/lists.h"
#include "platform/core/clock.h"
#include "platform/core/object.h"
#include "platform/core/sync.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

class CPortavel;
class CSequence;
class ECBase;

// Whether a stamp of the 32-bit clock has come by `now` (it is not after
// it). Compares the difference, so the clock's wrap after 49.7 days is no
// cliff.
inline bool IsStampDue(DWORD stamp, DWORD now) {
    return static_cast<std::int32_t>(stamp - now) <= 0;
}

class CHighlightMgr : public CObject {
    DECLARE_DYNAMIC(CHighlightMgr)
public:
    CHighlightMgr();   // not attached, not enabled
    CHighlightMgr(const CHighlightMgr&) = delete;
    CHighlightMgr& operator=(const CHighlightMgr&) = delete;
    ~CHighlightMgr() override;   // resets and detaches

    // Stores the sequence and the process's device library.
    void Attach(CSequence* sequence);
    // Lets every record go (see ResetHighlighting), forgets sequence and
    // library, and turns highlighting off.
    void Detach();

    // Under the lock: stores the flag and resets.
    void EnableHighlighting(int enable);
    int IsHighlightingEnabled() const;

    // Device thread, under the performance's lock. Nothing unless enabled;
    // else a record (element, referenced, and stamp) joins the newest end of
    // the on or the off queue.
    void SetHighlightOn(ECBase* element, DWORD stamp);
    void SetHighlightOff(ECBase* element, DWORD stamp);

    // The elements whose records have fallen due by timeGetTime now, oldest
    // first, taken off the on queue; the list is emptied first. It stops at
    // the first record stamped in the future. The list is the manager's and
    // holds a reference on each element until the next call.
    MCEventList& GetHighlightOnList();
    // The same over the off queue; with `all` non-zero every record is taken
    // whatever its stamp.
    MCEventList& GetHighlightOffList(int all);
    // Frees every record of both queues and empties both lists.
    void ResetHighlighting();

private:
    struct Record {
        ECBase* m_pElement;   // referenced by the record
        DWORD m_stamp;
    };
    using Queue = std::deque<Record>;   // oldest at the front

    // Moves the due records of a queue (all of them with `all`) into a list.
    // The caller holds the performance's lock and the manager's.
    void TakeDue(Queue& queue, MCEventList& list, bool all);
    // The performance's lock, when attached to one; else no lock.
    std::unique_lock<CCriticalSection> LockTree() const;

    CSequence* m_pSequence = nullptr;   // borrowed, null until Attach
    CPortavel* m_pPortavel = nullptr;   // borrowed, null until Attach
    Queue m_onQueue;
    Queue m_offQueue;
    MCEventList m_onList{10};
    MCEventList m_offList{10};
    int m_bEnabled = 0;
    mutable CCriticalSection m_lock;   // guards the queues, the lists and the flag
};

class CMeterLevelMgr : public CObject {
    DECLARE_DYNAMIC(CMeterLevelMgr)
public:
    // Records due this much after the clock now count at a read: the meters
    // are read every 50 ms, and a velocity a little early reads better than
    // one a whole period late.
    static constexpr DWORD READ_AHEAD_MS = 10;

    CMeterLevelMgr();   // not attached, no tracks
    CMeterLevelMgr(const CMeterLevelMgr&) = delete;
    CMeterLevelMgr& operator=(const CMeterLevelMgr&) = delete;
    ~CMeterLevelMgr() override;   // frees the records and detaches

    // Stores the sequence and the process's device library.
    void Attach(CSequence* sequence);
    void Detach();

    // The track count becomes the highest staff track number of the
    // sequence's conductor + 1 (0 without one); the maxima and levels follow
    // it, new entries 0.
    void UpdateTrackCount();
    // The same with a count given (what UpdateTrackCount computes).
    void SetTrackCount(int count);
    int GetTrackCount() const;

    // Device thread. A record joins the newest end; with stamp 0 the oldest
    // end, so that the next read takes it whatever the clock says.
    void SetMeterLevel(unsigned track, unsigned velocity, DWORD stamp);
    // Frees every record (playback stopped or paused).
    void ResetLevels();
    // The records waiting.
    int GetPendingCount() const;

    // Every maximum returns to 0; the records due by the clock now +
    // READ_AHEAD_MS (and those stamped 0) are taken oldest first, each
    // raising its track's maximum (a track at or beyond the count is
    // dropped); then level i = maximum i / 128 x the gain of staff track i's
    // performer (0 when the track has none). The division is a float one,
    // so a velocity below 128 shows. The array is the manager's; read it on
    // the user-interface thread before the next call.
    const std::vector<float>& GetCurrentLevels();

private:
    struct Record {
        unsigned m_track;
        unsigned m_velocity;
        DWORD m_stamp;
    };

    // The gain of the staff track performer of a track, 0 when none.
    float GetTrackGain(int track) const;

    CSequence* m_pSequence = nullptr;   // borrowed, null until Attach
    CPortavel* m_pPortavel = nullptr;   // borrowed, null until Attach
    std::vector<DWORD> m_maxima;        // one per track
    std::vector<float> m_levels;        // one per track; what GetCurrentLevels answers
    std::deque<Record> m_queue;         // oldest at the front
    int m_nTrackCount = 0;
    mutable CCriticalSection m_lock;    // guards the queue, the maxima and the count
};
