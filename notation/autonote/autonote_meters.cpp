// The engine's preparation and renotation of added and removed meters.
//
// A meter change re-bars its scope: before it, the derived notation of the
// scope (ties, rests, chords, tuplets, beams) is cleared and its measures are
// marked for every pass; after it, the measures of the scope get their
// display data and rulers for the new grid, and a clef change that re-barring
// left at the very start of a measure goes back to the end of the measure
// before, where clef changes are written (before the bar line).
#include "notation/autonote/autonote.h"

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/metercommands.h"
#include "model/performance.h"
#include "model/staff.h"
#include "notation/autonote/buildrulers.h"
#include "notation/autonote/clearing.h"
#include "notation/autonote/displaydata.h"
#include "notation/autonote/timerange.h"
#include "notation/display/base.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/measure.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

// Every pass runs again on a re-barred measure.
void MarkForEveryPass(ACSetDirty& dirty) {
    for (uint8_t kind : {DCctBase::DIRTY_TIME, DCctBase::DIRTY_BEAM, DCctBase::DIRTY_MULTIVOICE,
                         DCctBase::DIRTY_STEM, DCctBase::DIRTY_VALUE, DCctBase::DIRTY_SPELLING,
                         DCctBase::DIRTY_CHORD, DCctBase::DIRTY_REST})
        dirty.AddDirtyKind(kind);
}

bool IsMusicalTime(const MCTime& time) {
    return time != MCTime::TimeNull() && time >= MCTime::TimeZero();
}

// Enters (remove 0) or withdraws (1) one element into or from its measure's ruler.
void UpdateRulerOf(ECConductor* conductor, ECBase* element, int remove) {
    ACBuildRulers rulers;
    rulers.SetRemove(remove);
    rulers.SetDepth(0);
    rulers.SetConductor(conductor);
    rulers.Apply(element);
}

// A clef at the very start of a measure other than the first moves to the
// end of the staff's measure before, under the performance's lock. Added
// there first, so that it never stands without a parent; its old measure
// then uncaches it, so the staff's cache takes it again.
void MoveOpeningClefs(ECPerformance* performance, ECConductor* conductor, ECStaff* staff, ECMeasure* measure) {
    const MCTime* start = measure->GetTime();
    MCEventList* children = measure->GetChildren();
    if (!start || *start == MCTime::TimeZero() || !children)
        return;
    std::vector<ECBase*> clefs;
    for (POSITION pos = children->GetHeadPosition(); pos;) {
        ECBase* child = children->GetNext(pos);
        if (child->GetClassType() == ET_CLEF && child->GetTime() && *child->GetTime() == *start)
            clefs.push_back(child);
    }
    if (clefs.empty())
        return;
    const int track = conductor->GetTrackNumber(TRACK_STAFF, staff);
    ECMeasure* previous = conductor->GetMeasure(track, conductor->GetMeasureNumberAtTime(*start) - 1);
    if (!previous || previous == measure)
        return;
    for (ECBase* clef : clefs) {
        UpdateRulerOf(conductor, clef, 1);
        {
            std::lock_guard tree(performance->GetLock());
            previous->AddChild(clef, SORTED);
            measure->RemoveChild(clef, 0);
            if (IsCachedMark(clef))
                staff->RecacheEvent(clef, GetCacheHand(clef));
        }
        UpdateRulerOf(conductor, clef, 0);
    }
}

// A staff measure whose grid is still that of another meter takes `meter`'s
// and enters its elements again (a new grid starts without them).
void RegridStaffMeasure(ECConductor* conductor, ECMeasure* measure, ECMeter* meter) {
    auto* display = dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0));
    if (!display || display->GetRuler().GetNumberOfRulerGroups() == 0 || display->GetRuler().IsMeterSame(meter))
        return;
    display->GetRuler().ChangeMeter(meter, 1);
    ACBuildRulers rulers;
    rulers.SetConductor(conductor);
    rulers.Apply(measure);
}

// The time of the first measure the meter command inserted; false when it
// inserted none (or the measure is gone).
template <class MeterCommand>
bool FirstInsertedMeasureTime(ECConductor* conductor, MeterCommand& command, MCTime& time) {
    if (command.GetMeasureInsertCount() <= 0)
        return false;
    ECMeasure* first = conductor->GetMeasure(TRACK_CONDUCTOR, command.GetMeasureInsertLocation());
    if (!first || !first->GetTime())
        return false;
    time = *first->GetTime();
    return true;
}

// From `time` on, the end of the run of measures some staff measure of
// which is marked for the rest pass (marked for renotation); `time` when
// the measure there is not.
MCTime MarkedMeasuresFrom(ECConductor* conductor, const MCTime& time) {
    MCTime end = time;
    for (;;) {
        auto* column = dynamic_cast<ECConductorMeasure*>(conductor->GetMeasure(TRACK_CONDUCTOR, end, 0, 1));
        if (!column || !column->GetTime() || *column->GetTime() != end)
            return end;
        bool marked = false;
        const std::vector<ECMeasure*>& staffMeasures = column->GetMeasures();
        for (size_t slot = 1; slot < staffMeasures.size() && staffMeasures[slot] && !marked; ++slot) {
            auto* display = dynamic_cast<DCctBase*>(staffMeasures[slot]->GetData(DK_NOTATION, 0));
            marked = display && display->RestDirty();
        }
        if (!marked)
            return end;
        MCTime start;
        CAutoNote::GetRangeForMeasures(conductor, column, start, end);
        if (end <= start)
            return end;
    }
}

}  // namespace

int CAutoNote::AddMeter(CCAddMeter* command) {
    ECConductor* conductor = GetConductor();
    ECMeter* meter = command ? command->GetMeter(0) : nullptr;
    if (!conductor || !meter)
        return 0;
    MCTime time = command->GetMeterTime(0);
    if (!IsMusicalTime(time))
        return 0;
    MCTime scopeStart;
    MCTime scopeEnd;
    conductor->GetMeterScope(conductor->GetMeterAtTime(time), scopeStart, scopeEnd);
    ACUpdateDisplayData display;
    display.Apply(meter);
    return _PrepareMeter(command, conductor, time, scopeEnd);
}

int CAutoNote::RemoveMeter(CCRemoveMeter* command) {
    ECConductor* conductor = GetConductor();
    ECMeter* meter = command ? command->GetMeter(0) : nullptr;
    if (!conductor || !meter)
        return 0;
    MCTime start;
    MCTime end;
    conductor->GetMeterScope(meter, start, end);
    if (!IsMusicalTime(start))
        return 0;
    // The bars stay as they are when the meter before rules the same way.
    ECMeter* before = conductor->GetMeterBeforeTime(start);
    if (before && *before == *meter)
        return 0;
    return _PrepareMeter(command, conductor, start, end);
}

int CAutoNote::_PrepareMeter(CCBase* command, ECConductor* conductor, MCTime& start, MCTime& end) {
    if (!conductor)
        return 0;
    ACSetDirty dirty(8);
    MarkForEveryPass(dirty);
    MCTime measureStart = start;
    MCTime measureEnd = end;
    const int staves = conductor->GetMaxTrackNumber(TRACK_STAFF);
    for (int track = 1; track <= staves; ++track) {
        // Every measure of the scope and of the chains reaching into it is
        // marked for every pass: their notes are all tied again, so no chain
        // into them may stay, and they are cleared whole (a rest left
        // standing would be rested again).
        MCEventList measures;
        ClearTieChainsAcross(command, conductor, track, start, end, measures);
        for (int type : {ET_REST, ET_CHORD, ET_TUPLET, ET_BEAM})
            ClearEvents(command, measures, type, VOICE_ALL);
        dirty.Apply(measures, 1);
        dirty.Reset();
        // What the scope's notes sound into after it (the next meter's
        // measures), and a note before it sounding in, are notated with it.
        WidenToPlayedLengths(command, conductor, track, measures, start, end);
        MCEventList reached;
        conductor->GetMeasures(track, start, end, reached);
        if (!reached.IsEmpty()) {
            MCTime spanStart;
            MCTime spanEnd;
            GetRangeForMeasures(conductor, reached, spanStart, spanEnd);
            measureStart = std::min(measureStart, spanStart);
            measureEnd = std::max(measureEnd, spanEnd);
        }
    }
    // A clef change at the first bar of the scope may go back to the end of
    // the measure before it: that measure is notated again too.
    const int number = conductor->GetMeasureNumberAtTime(measureStart);
    if (number > 1) {
        ECMeasure* before = conductor->GetMeasure(TRACK_CONDUCTOR, number - 1);
        if (before && before->GetTime())
            measureStart = *before->GetTime();
    }
    m_notateInfo.SetNotateRange(NOTATE_INSERT_MEASURE);
    m_notateInfo.SetPagenateRange(PAGENATE_FROM);
    m_notateInfo.SetTimeStart(start);
    m_notateInfo.SetTimeEnd(end);
    m_notateInfo.SetMeasureStart(measureStart);
    m_notateInfo.SetMeasureEnd(measureEnd);
    return 0;
}

int CAutoNote::ProcessAddMeter(CCAddMeter* command) {
    ECConductor* conductor = GetConductor();
    ECMeter* meter = command ? command->GetMeter(0) : nullptr;
    if (!conductor || !meter)
        return Process(nullptr);
    MCTime start;
    MCTime end;
    conductor->GetMeterScope(meter, start, end);
    MCTime firstMeasureTime;
    const bool inserted = FirstInsertedMeasureTime(conductor, *command, firstMeasureTime);
    return _ProcessMeter(command, conductor, meter, start, end, inserted ? &firstMeasureTime : nullptr, nullptr);
}

int CAutoNote::ProcessRemoveMeter(CCRemoveMeter* command) {
    ECConductor* conductor = GetConductor();
    ECMeter* meter = command ? command->GetMeter(1) : nullptr;
    if (!conductor || !meter)
        return Process(nullptr);
    MCTime start;
    MCTime end;
    conductor->GetMeterScope(meter, start, end);
    start = command->GetMeterTime(0);
    MCTime firstMeasureTime;
    const bool inserted = FirstInsertedMeasureTime(conductor, *command, firstMeasureTime);
    return _ProcessMeter(command, conductor, meter, start, end, inserted ? &firstMeasureTime : nullptr, nullptr);
}

int CAutoNote::_ProcessMeter(CCBase*, ECConductor* conductor, ECMeter* meter, MCTime& start, MCTime& end,
                             MCTime* firstMeasureTime, MCTime*) {
    // The voice pass keeps the voices it finds and splits nothing.
    m_multivoice.SetVoice(ANMultivoice::VOICE_KEEP);
    m_multivoice.SetSplit(ANMultivoice::NO_SPLIT);
    ECPerformance* performance = GetBaseEvent();
    if (!conductor || !meter || !performance || !IsMusicalTime(start))
        return Process(nullptr);
    m_notateInfo.SetTimeStart(start);
    m_notateInfo.SetMeasureStart(start);
    m_notateInfo.SetTimeEnd(end);
    m_notateInfo.SetMeasureEnd(end);
    // The measures after the scope that the preparation marked (what the
    // scope's notes sound into, a chain reaching out of it) moved with the
    // re-barring: the walk goes on over them.
    const MCTime marked = MarkedMeasuresFrom(conductor, end);
    m_notateInfo.SetTimeEnd(marked);
    m_notateInfo.SetMeasureEnd(marked);

    // Re-barring re-timed the measures from the meter on and appended any
    // it needed behind them: all of them now stand on the new grid, so the
    // span starts at the meter even where measures were inserted.
    const MCTime from = firstMeasureTime ? std::min(start, *firstMeasureTime) : start;
    MCEventList columns;
    conductor->GetMeasures(TRACK_CONDUCTOR, from, end, columns);
    ACUpdateDisplayData display;
    display.SetConductor(conductor);
    display.SetResolution(m_resolution);
    for (POSITION pos = columns.GetHeadPosition(); pos;) {
        auto* column = dynamic_cast<ECConductorMeasure*>(columns.GetNext(pos));
        if (!column)
            continue;
        display.Apply(column);
        display.Reset();
        const std::vector<ECMeasure*>& staffMeasures = column->GetMeasures();
        for (size_t slot = 1; slot < staffMeasures.size() && staffMeasures[slot]; ++slot) {
            display.Apply(staffMeasures[slot]);
            display.Reset();
        }
    }

    const int staves = conductor->GetMaxTrackNumber(TRACK_STAFF);
    for (int track = 0; track <= staves; ++track) {
        MCEventList measures;
        conductor->GetMeasures(track, from, end, measures);
        if (track == TRACK_CONDUCTOR) {
            for (POSITION pos = measures.GetHeadPosition(); pos;) {
                ECBase* column = measures.GetNext(pos);
                // A grid already on this meter keeps its spacing: rebuilding
                // it would undo the layout with nothing to lay out again
                // (a meter removed behind an equal one prepares nothing).
                auto* display = dynamic_cast<DCctConductorMeasure*>(column->GetData(DK_NOTATION, 0));
                MCRuler* ruler = display ? &display->GetRuler() : nullptr;
                if (ruler && ruler->GetNumberOfRulerGroups() > 0 && !ruler->IsMeterSame(meter))
                    ruler->ChangeMeter(meter, 1);
            }
            continue;
        }
        auto* staff = static_cast<ECStaff*>(conductor->GetTrack(TRACK_STAFF, track, 0));
        if (!staff)
            continue;
        for (POSITION pos = measures.GetHeadPosition(); pos;) {
            auto* measure = static_cast<ECMeasure*>(measures.GetNext(pos));
            MoveOpeningClefs(performance, conductor, staff, measure);
            RegridStaffMeasure(conductor, measure, meter);
        }
    }
    SetDirtyRect();
    return Process(nullptr);
}
