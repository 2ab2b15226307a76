// ACTranspose: the tree action that transposes the performed pitches of a
// staff by a number of semitones inside a time range.
//
// It changes the performance data only (each event's performer): a note's
// key (both of its words), a poly pressure's note number and the value of a
// portamento control (controller 84, whose value is a note number), each
// clamped to 0..127. The notation's own pitch and spelling are not touched;
// the caller announces the change (state 1200) so that the staff is
// renotated. Events outside the range, and events without a time, are passed
// through so the walk reaches their children.
//
// A range end that is not the null time excludes events at that time and
// later; a start that is not the null time excludes events before it.
// UI thread, or the holder of the performance's lock.
#pragma once

#include "model/actions.h"
#include "model/time.h"

class ACTranspose : public ACBase {
public:
    // Both ends open (the null time).
    explicit ACTranspose(int amount);

    // The new ends; the null time leaves that end open.
    void SetRange(const MCTime& start, const MCTime& end);

    // AC_SKIP for a note, poly pressure or control change inside the range
    // (changed or not), AC_CONTINUE for everything else.
    int DoAction(ECBase* event) override;

    int GetAmount() const { return m_nAmount; }
    const MCTime& GetStartTime() const { return m_startTime; }
    const MCTime& GetEndTime() const { return m_endTime; }

private:
    MCTime m_startTime = MCTime::TimeNull();
    MCTime m_endTime = MCTime::TimeNull();
    int m_nAmount;   // signed semitones
};
