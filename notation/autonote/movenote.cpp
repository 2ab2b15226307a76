#include "notation/autonote/movenote.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/performance.h"
#include "model/staff.h"

#include <mutex>

MCTime ANMoveNote::LateReach() const {
    // The time correction reads a start in whole ticks and rounds it to the
    // grid, each time an exact half upwards: a start up to half a step and
    // half a tick before the bar line rounds onto it, and there it would be
    // set a whole step back, into this measure.
    constexpr int HALF_TICKS_PER_QUARTER = 2 * TICKS_PER_QUARTER;
    MCTime halfStep;
    halfStep.SetTicks(m_resolution / 2 * 2 + 1, HALF_TICKS_PER_QUARTER);
    return m_hiddenThreshold < halfStep ? halfStep : m_hiddenThreshold;
}

void ANMoveNote::DoMeasure(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECMeter* meter) {
    if (!conductor || !staff || !measure || !meter)
        return;
    MCTime end = *measure->GetTime();
    end += MCTime(meter->GetMeasureLength());
    // A bar/pulse/tick time gives a difference of 0: every note is then late.
    const MCTime from = end - LateReach();

    ACFindTime find(from, MCTime::TimeMax(), 3);
    find.AddEvtType(ET_NOTE);
    find.SetDepth(1);
    find.Apply(measure);
    MCEventList& late = find.GetEvents();   // holds each note while it moves
    if (late.IsEmpty())
        return;

    const int track = conductor->GetTrackNumber(TRACK_STAFF, staff);
    if (track < 0)
        return;
    ECMeasure* next = conductor->GetMeasure(track, end, 0, 1);
    if (!next || next == measure)
        return;

    // Outside a command batch nobody else holds the lock for these link changes.
    ECPerformance* performance = GetBaseEvent();
    std::unique_lock<CCriticalSection> lock;
    if (performance)
        lock = std::unique_lock<CCriticalSection>(performance->GetLock());
    for (POSITION pos = late.GetHeadPosition(); pos;) {
        ECBase* note = late.GetNext(pos);
        next->AddChild(note, SORTED);
        measure->RemoveChild(note, 0);
    }
}
