// Inserting and deleting whole measures across the piece.
//
//   CCAddMeasure     (CMD_ADDMEASURE)     empty measures before a measure, or
//                                         at the end
//   CCRemoveMeasure  (CMD_REMOVEMEASURE)  a run of measures with everything
//                                         in them
// A measure is inserted or deleted on the conductor staff and on every staff
// at once, and every later event of the performance moves by the length
// inserted or deleted. Measures are numbered from 1; the insert and remove
// indexes are 0-based places in the conductor staff's measure grid (index i
// is measure i + 1).
//
// Inserting: the new measures take the meter in force before the insert
// point, so a meter change standing at the start of the measure they go
// before stays with that measure. Inserted at the very start, the clefs and
// keys at time zero stay at the start of the piece, in the new first measure.
// A clef at the very end of the measure before the insert point (a change
// written before the bar line) moves with the music that follows it: it ends
// up at the end of the last new measure. An index out of range appends.
//
// Deleting: the events of the run go with it (with the mirrors of the clefs,
// keys, meters and tempos that go); a run starting at time zero keeps the
// piece's initial clef, key, meter and tempo unless one of the same kind (for
// clefs and keys, of the same hand on the same staff) stands exactly at the
// end of the run, which then takes over at time zero. A clef change at the
// very end of the last deleted measure survives at the end of the measure
// before the gap. When a meter change lies inside the run, a copy of the
// meter in force at the end of the run is first set there by a nested meter
// command, so the music after the run keeps its bar lines while the run
// goes; once the run is gone, a nested meter removal takes the copy away
// again, and the music after the gap is re-barred into the meter in force
// before it. A remove index below 0 deletes the last measures, one past the
// last measure deletes the last one; a count running past the last measure
// is cut to the measures there are, and a count below 1 deletes nothing.
//
// Handlers read the insert index and count, and the removed region
// (GetRemoveRegion) and the remove list, in Prepare and again after Process.
// The commands raise no state of their own; the nested meter commands are
// synchronous, run inside the outer phase and are not announced.
//
// Ownership: the conductor staff is borrowed (the tree holds it); the insert
// meter is referenced from Prepare on, the meter copy of the remove command
// from its making, both until the command is deleted; the lists hold a
// reference on each event.
//
// Threads: filled on any thread; run on the user-interface thread under the
// performance's lock, like every command (model/commandmgr.h).
#pragma once

#include "model/basiccommands.h"
#include "model/time.h"

class ECConductorStaff;
class ECMeter;

// Inserts empty measures.
class CCAddMeasure : public CCAdd {
public:
    // One measure, appended.
    CCAddMeasure();
    CCAddMeasure(int insertCount, int insertIndex);
    ~CCAddMeasure() override;

    int GetInsertCount() const { return m_nInsertCount; }
    void SetInsertCount(int count) { m_nInsertCount = count; }
    // The index before which the measures go; out of range (the default -1
    // among them) appends them. Prepare moves an out-of-range index to the
    // number of measures.
    int GetInsertIndex() const { return m_nInsertIndex; }
    void SetInsertIndex(int index) { m_nInsertIndex = index; }

    int GetCommandId() const override;
    // The base Prepare, the conductor staff, the insert index checked, the
    // insert time and meter, and the clefs and keys that must stay where
    // they are. 0 without a conductor or without a meter.
    int Prepare() override;
    // The base Process (the discard list), then DoAdd. 1 unless the base
    // refused.
    int Process() override;

    // Records nothing: the command takes no items. Null.
    CCAddItem* Add(ECBase* child, ECBase* parent, const FCMidi& midi) override;

protected:
    // An index below 0 or past the last measure becomes the number of
    // measures (append).
    void VerifyInsertLocation();
    // The insert time (the start of the measure at the index, or the end of
    // the last measure) and the meter in force before it. 0 without a meter.
    int CheckMeter();
    // Lists the clefs and keys at time zero when the measures go first, and
    // the clefs at the end of the measure before the insert point.
    void PrepareAdd();
    // Shifts the music, makes the measures and attaches the listed clefs and
    // keys again.
    void DoAdd();

private:
    void InitCCAddMeasure();

    int m_nInsertCount = 1;
    int m_nInsertIndex = -1;
    MCTime m_insertTime;
    ECMeter* m_pMeter = nullptr;                     // referenced from Prepare on
    ECConductorStaff* m_pConductorStaff = nullptr;   // borrowed: the tree holds it
    MCEventList m_timeZeroEvents{10};                // a reference on each
    MCEventList m_endClefs{10};                      // a reference on each
};

// Deletes a run of measures with their events.
class CCRemoveMeasure : public CCRemove {
public:
    // One measure, the last.
    CCRemoveMeasure();
    CCRemoveMeasure(int removeCount, int removeIndex);
    // Releases the meter copy and the kept events.
    ~CCRemoveMeasure() override;

    // Prepare cuts the count to the measures there are.
    int GetRemoveCount() const { return m_nRemoveCount; }
    void SetRemoveCount(int count) { m_nRemoveCount = count; }
    // The index of the first measure deleted; below 0 the last measures.
    int GetRemoveIndex() const { return m_nRemoveIndex; }
    void SetRemoveIndex(int index) { m_nRemoveIndex = index; }
    // The start and end of the deleted run (from Prepare on; null times
    // before, and when nothing is deleted).
    void GetRemoveRegion(MCTime& start, MCTime& end) const;

    int GetCommandId() const override;
    // The base Prepare, the conductor staff, the region checked, the meter
    // copy behind the run, and the remove and kept lists. 0 without a
    // conductor.
    int Prepare() override;
    // The base command's Process (the discard list), then DoRemove. 1 unless
    // the base refused.
    int Process() override;
    // The base Finish, then CheckMeterRemove. 1.
    int Finish() override;

    // Does nothing: the command takes no events from its creator.
    void Remove(ECBase* event) override;

protected:
    // Moves an index out of range (see the top of this file) and cuts the
    // count to the measures from the index on.
    void VerifyRemoveRegion();
    // When a meter change lies inside the run, a copy of the meter in force
    // at its end is set there (a nested CCAddMeter).
    void CheckMeterAdd();
    // The region and the lists: what goes, and the clefs and keys kept.
    void PrepareRemove();
    // 1 when an event of the run standing at time zero is to go, 0 when it
    // stays (see the top of this file). A measure at time zero goes; its
    // clefs and keys that stay are listed as kept.
    int CheckTimeZeroEvent(ECBase* event);
    // Takes the measures and events out, closes the gap and attaches the kept
    // clefs and keys again.
    void DoRemove();
    // Takes the meter copy away again (a nested CCRemoveMeter).
    void CheckMeterRemove();

private:
    void InitCCRemoveMeasure();

    int m_nRemoveCount = 1;
    int m_nRemoveIndex = -1;
    int m_nLastIndex = -1;
    MCTime m_regionStart;
    MCTime m_regionEnd;
    ECConductorStaff* m_pConductorStaff = nullptr;   // borrowed: the tree holds it
    ECMeter* m_pMeterCopy = nullptr;                 // referenced
    MCEventList m_keptEvents{10};                    // a reference on each
    bool m_bEmpty = true;                            // nothing to delete
};
