// The tree actions that change events in place: sorting children lists,
// shifting times, and the pass that completes a tree after it was loaded or
// saved.
//
// ACSortChildren sorts the children lists of the containers of the wanted
// types. ACDeltaTime shifts the times of the events in a time range by a
// delta, keeping the marks that belong at the very start where they are;
// ACFindDeltaTime finds the first event such a shift would change.
// ACPostSerialize calls PostSerialize on every event and on its view data.
//
// UI thread, or the holder of the performance's lock; the caller of a walk
// over a performance's tree holds that lock.
#pragma once

#include "model/actions.h"
#include "model/time.h"

class CArchive;

// Sorts by time the children list of every visited event of a wanted type.
class ACSortChildren : public ACWithTypes {
public:
    ACSortChildren() : ACSortChildren(1) {}
    explicit ACSortChildren(int slots) : ACWithTypes(slots) {}

    int DoAction(ECBase* event) override;
};

// Moves each visited event whose time lies in [start, end) by the delta; a
// result before zero is zero. Staves, wave tracks, tracks and the conductor
// staff have their children sorted when they are visited.
class ACDeltaTime : public ACBase {
public:
    ACDeltaTime();
    explicit ACDeltaTime(const MCTime& delta);
    ACDeltaTime(const MCTime& delta, const MCTime& start);
    ACDeltaTime(const MCTime& delta, const MCTime& start, const MCTime& end);

    int DoAction(ECBase* event) override;
    // Whether DoAction gives the event a new time: it has a time in the
    // range and is not a mark or track that stays at time zero.
    bool Moves(ECBase* event) const;

    void SetDeltaTime(const MCTime& delta) { m_delta = delta; }
    void SetStartTime(const MCTime& start) { m_start = start; }
    void SetEndTime(const MCTime& end) { m_end = end; }
    // Measures (of staves and of the conductor) that start before `time`
    // are known to hold nothing at or after the start: the walk neither
    // moves them nor enters them. A measure's events stand before the
    // measure after the next begins, so a caller passes the start of the
    // last measure that begins before the range's start; a shift late in
    // the piece then reads the measures it moves and the tracks' own lists
    // only. Time zero (the default) passes over no measure.
    void SetSettledBefore(const MCTime& time) { m_settledBefore = time; }
    // Whether the event is such a measure.
    bool IsSettled(ECBase* event) const;
    // Carried for the action's users; the action itself does not read it.
    int GetConductor() const { return m_conductor; }
    void SetConductor(int conductor) { m_conductor = conductor; }

private:
    int m_conductor = 1;
    MCTime m_delta;   // zero
    MCTime m_start;   // the lowest float: every time is at or after it
    MCTime m_end;     // TimeMax
    MCTime m_settledBefore = MCTime::TimeZero();
};

// Finds the first visited event that an ACDeltaTime over [start, end) would
// change, and ends the walk there: one it would move, or a staff, wave track,
// track or conductor staff whose children are out of order (an ACDeltaTime
// sorts them; one standing at time zero counts too, as the tracks are sorted
// again after a shift). Nothing found: such a shift would leave the walked
// tree as it is.
class ACFindDeltaTime : public ACBase {
public:
    ACFindDeltaTime(const MCTime& start, const MCTime& end);

    int DoAction(ECBase* event) override;

    // As ACDeltaTime::SetSettledBefore: such measures are passed over.
    void SetSettledBefore(const MCTime& time) { m_shift.SetSettledBefore(time); }

    // Null until the walk met such an event.
    ECBase* GetFound() const { return m_found; }

private:
    ACDeltaTime m_shift;         // the range, what moves and what is settled
    ECBase* m_found = nullptr;   // borrowed
};

// Completes the events after a document's tree was read or written: calls
// PostSerialize on every event and then on each of its view-data objects.
// Beams, slurs and ties are left out (and not entered): their members are
// reached through their measures.
class ACPostSerialize : public ACBase {
public:
    explicit ACPostSerialize(CArchive& archive) : m_archive(&archive) {}

    int DoAction(ECBase* event) override;

private:
    CArchive* m_archive;   // borrowed, never null
};
