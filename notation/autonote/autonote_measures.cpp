// The engine's preparation and renotation of inserted and removed measures.
//
// Before measures go in or out, the derived notation around the place (ties
// reaching over it, rests, chords and beams of the measures those ties
// touch) is cleared and the measures are marked for every pass, so that
// renotation makes it afresh on the new grid. The time and measure bounds
// are taken before the command runs; renotation widens them by what the
// command inserted.
#include "notation/autonote/autonote.h"

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/measurecommands.h"
#include "model/staff.h"
#include "notation/autonote/buildrulers.h"
#include "notation/autonote/clearing.h"
#include "notation/autonote/timerange.h"
#include "notation/display/base.h"

#include <algorithm>

namespace {

// Every pass runs again on a measure next to inserted or removed ones.
void MarkForEveryPass(ACSetDirty& dirty) {
    for (uint8_t kind : {DCctBase::DIRTY_TIME, DCctBase::DIRTY_MULTIVOICE, DCctBase::DIRTY_VALUE,
                         DCctBase::DIRTY_SPELLING, DCctBase::DIRTY_STEM, DCctBase::DIRTY_BEAM,
                         DCctBase::DIRTY_CHORD, DCctBase::DIRTY_REST})
        dirty.AddDirtyKind(kind);
}

// The span of the conductor measure holding `time`; false when there is none.
bool MeasureSpanAt(ECConductor* conductor, const MCTime& time, MCTime& start, MCTime& end) {
    ECMeasure* measure = conductor->GetMeasure(TRACK_CONDUCTOR, time, 0, 1);
    if (!measure)
        return false;
    CAutoNote::GetRangeForMeasures(conductor, measure, start, end);
    return true;
}

// Clears the derived notation of staff `track` around the window [start,
// end): the tie chains reaching into its measures, then every rest, chord
// and beam of the measures over [lo, hi], which the chains widen (lo and hi
// carry over from staff to staff, so every staff is cleared over what an
// earlier one needed). Those measures are marked for every pass, so they
// are cleared whole: a rest left standing in one would be rested again, a
// chain left standing would be tied again beside the one its head makes.
// The window then widens to the measures the played lengths reach
// (WidenToPlayedLengths). The staff's measure at `start`, or null when it
// has none.
ECMeasure* ClearStaffWindow(CAutoNote& engine, CCBase* command, ECConductor* conductor, ACSetDirty& dirty,
                            int track, const MCTime& start, const MCTime& end, MCTime& lo, MCTime& hi) {
    ECMeasure* first = conductor->GetMeasure(track, start, 0, 1);
    if (!first)
        return nullptr;
    MCEventList measures;
    ClearTieChainsAcross(command, conductor, track, lo, hi, measures);
    for (int type : {ET_REST, ET_CHORD, ET_BEAM})
        ClearEvents(command, measures, type, VOICE_ALL);
    dirty.Apply(measures, 1);
    dirty.Reset();
    MCTime slurStart = start;
    MCTime slurEnd = end;
    ClearSlursInRange(command, measures, slurStart, slurEnd, VOICE_ALL);
    engine.WidenToPlayedLengths(command, conductor, track, measures, lo, hi);
    return first;
}

// The clefs and keys standing in a staff measure.
void CollectClefsAndKeys(ECBase* measure, MCEventList& into) {
    MCEventList* children = measure->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        const int type = child->GetClassType();
        if (type == ET_CLEF || type == ET_KEY)
            into.AddEvent(child, UNSORTED);
    }
}

// Enters (remove 0) or withdraws (1) the clefs and keys of each staff's
// measure numbered `number` into or from that measure's ruler.
void UpdateOpeningRulers(ECConductor* conductor, int number, int remove) {
    ACBuildRulers rulers;
    rulers.SetRemove(remove);
    rulers.SetDepth(0);
    rulers.SetConductor(conductor);
    const int staves = conductor->GetMaxTrackNumber(TRACK_STAFF);
    for (int track = 1; track <= staves; ++track) {
        ECMeasure* measure = conductor->GetMeasure(track, number);
        if (!measure)
            continue;
        MCEventList marks;
        CollectClefsAndKeys(measure, marks);
        rulers.Apply(marks, 1);
        rulers.Reset();
    }
}

// Moves the stored time and measure ends by `delta`, through the setters
// (which keep the later end); an end not stored yet stays unset.
void ShiftEnds(CNotateInfo& info, const MCTime& delta) {
    MCTime timeEnd = info.GetTimeEnd();
    if (timeEnd != MCTime::TimeNull()) {
        timeEnd += delta;
        info.SetTimeEnd(timeEnd);
    }
    MCTime measureEnd = info.GetMeasureEnd();
    if (measureEnd != MCTime::TimeNull()) {
        measureEnd += delta;
        info.SetMeasureEnd(measureEnd);
    }
}

}  // namespace

int CAutoNote::AddMeasure(CCAddMeasure* command) {
    ECConductor* conductor = GetConductor();
    if (!command || !conductor)
        return 0;
    const int first = command->GetInsertIndex() + 1;

    if (conductor->GetMaxMeasureNumber() < first) {
        // Appended: they are notated from the old end on once they exist,
        // and so is a last measure whose notes were played past the end.
        const MCTime end = conductor->GetMaxMeasureEndTime();
        const MCTime start = PrepareNotesPlayedPastTheEnd(command, conductor, end);
        m_notateInfo.SetTimeStart(start);
        m_notateInfo.SetMeasureStart(start);
        m_notateInfo.SetTimeEnd(end);
        m_notateInfo.SetMeasureEnd(end);
        m_notateInfo.SetNotateRange(NOTATE_INSERT_MEASURE);
        m_notateInfo.SetPagenateRange(PAGENATE_FROM);
        return 0;
    }
    if (m_notateInfo.IsAutoNotating())
        return 0;

    ACSetDirty dirty(8);
    MarkForEveryPass(dirty);
    ECMeasure* column = conductor->GetMeasure(TRACK_CONDUCTOR, first);
    if (!column)
        return 0;
    MCTime start;
    MCTime end;
    GetRangeForMeasures(conductor, column, start, end);
    MCTime lo = start;
    MCTime hi = end;
    const int staves = conductor->GetMaxTrackNumber(TRACK_STAFF);
    for (int track = 1; track <= staves; ++track) {
        if (ECMeasure* measure = ClearStaffWindow(*this, command, conductor, dirty, track, start, end, lo, hi))
            m_dirtyRect.AddEvent(measure);
    }
    // Inserted in front of everything, the opening clefs and keys move to
    // the new first measures: the old first measures' rulers give up their
    // room.
    if (first == 1)
        UpdateOpeningRulers(conductor, first, 1);

    MCEventList columns;
    MCTime measureStart = lo;
    MCTime measureEnd = hi;
    if (conductor->GetMeasures(TRACK_CONDUCTOR, lo, hi, columns))
        GetRangeForMeasures(conductor, columns, measureStart, measureEnd);
    m_notateInfo.SetTimeStart(lo);
    m_notateInfo.SetMeasureStart(measureStart);
    m_notateInfo.SetTimeEnd(hi);
    m_notateInfo.SetMeasureEnd(measureEnd);
    m_notateInfo.SetNotateRange(NOTATE_INSERT_MEASURE);
    m_notateInfo.SetPagenateRange(PAGENATE_FROM);
    return 0;
}

int CAutoNote::RemoveMeasure(CCRemoveMeasure* command) {
    ECConductor* conductor = GetConductor();
    if (!command || !conductor)
        return 0;
    MCTime regionStart;
    MCTime regionEnd;
    command->GetRemoveRegion(regionStart, regionEnd);
    if (regionStart == MCTime::TimeNull())
        return 0;   // nothing is deleted
    const int index = command->GetRemoveIndex();
    const int count = command->GetRemoveCount();
    ACSetDirty dirty(8);
    MarkForEveryPass(dirty);
    const int staves = conductor->GetMaxTrackNumber(TRACK_STAFF);

    // Before the gap: the measure where the run starts.
    MCTime lo;
    MCTime hi;
    if (!MeasureSpanAt(conductor, regionStart, lo, hi))
        return 0;
    MCTime wideLo = lo;
    MCTime wideHi = hi;
    for (int track = 1; track <= staves; ++track)
        ClearStaffWindow(*this, command, conductor, dirty, track, lo, hi, wideLo, wideHi);
    m_notateInfo.SetTimeStart(wideLo);
    if (ECMeasure* opening = conductor->GetMeasure(TRACK_CONDUCTOR, wideLo, 0, 1))
        m_notateInfo.SetMeasureStart(opening->GetTime() ? *opening->GetTime() : wideLo);

    if (index == -1 || conductor->GetMaxMeasureNumber() < index + count + 1) {
        // The run reaches the last measure: nothing follows the gap.
        const MCTime end = conductor->GetMaxMeasureEndTime();
        m_notateInfo.SetTimeEnd(end);
        m_notateInfo.SetMeasureEnd(end);
        m_notateInfo.SetNotateRange(NOTATE_REMOVE_MEASURE);
        m_notateInfo.SetPagenateRange(PAGENATE_FROM);
        return 0;
    }

    // After the gap: the measure that will follow it.
    if (!MeasureSpanAt(conductor, regionEnd, lo, hi))
        return 0;
    wideLo = lo;
    wideHi = hi;
    for (int track = 1; track <= staves; ++track)
        ClearStaffWindow(*this, command, conductor, dirty, track, lo, hi, wideLo, wideHi);
    MCTime spanStart;
    MCTime measureEnd = wideHi;
    if (!MeasureSpanAt(conductor, wideHi > hi ? wideHi : lo, spanStart, measureEnd))
        measureEnd = wideHi;
    m_notateInfo.SetTimeEnd(wideHi);
    m_notateInfo.SetMeasureEnd(measureEnd);
    m_notateInfo.SetNotateRange(NOTATE_REMOVE_MEASURE);
    m_notateInfo.SetPagenateRange(PAGENATE_FROM);

    // The clefs, keys and mirrors of the run leave their rulers.
    ACBuildRulers rulers;
    rulers.SetRemove(1);
    rulers.SetDepth(0);
    rulers.SetConductor(conductor);
    MCEventList* removed = command->GetRemoveList();
    for (POSITION pos = removed->GetHeadPosition(); pos;) {
        ECBase* element = removed->GetNext(pos);
        const int type = element->GetClassType();
        if (type != ET_KEY && type != ET_CLEF && type != ET_MIRROR)
            continue;
        rulers.Apply(element);
        rulers.Reset();
        if (type != ET_MIRROR)
            PrepareRemovedMark(command, conductor, element, measureEnd);
    }
    return 0;
}

void CAutoNote::PrepareRemovedMark(CCRemoveMeasure* command, ECConductor* conductor, ECBase* mark,
                                    const MCTime& measureEnd) {
    MCVoiceTrack* word = mark->GetVoiceTrack();
    auto* staff = word ? dynamic_cast<ECStaff*>(conductor->GetTrack(TRACK_STAFF, word->GetTrack(), 0)) : nullptr;
    if (!staff)
        return;
    // A removed key or clef whose place the one in force after the gap does
    // not take: the span it governed changes. So does the music after the
    // gap when the removed one was in force there (its span reached past
    // the gap): that music now reads the key or clef before the gap, and
    // is spelled and stemmed again.
    MCTime regionStart;
    MCTime regionEnd;
    command->GetRemoveRegion(regionStart, regionEnd);
    const auto changesSpan = [&](ECBase* inForce, ECBase* afterGap) {
        const bool differs = inForce && inForce != mark && inForce->GetTime() && *inForce->GetTime() < measureEnd;
        return differs || afterGap == mark;
    };
    if (auto* key = dynamic_cast<ECKey*>(mark)) {
        if (changesSpan(staff->GetKeyAtTime(measureEnd, key->GetHand()), staff->GetKeyAtTime(regionEnd, key->GetHand())))
            RemoveKey(command, key, nullptr);
    } else if (auto* clef = dynamic_cast<ECClef*>(mark)) {
        if (changesSpan(staff->GetClefAtTime(measureEnd, clef->GetHand()),
                        staff->GetClefAtTime(regionEnd, clef->GetHand())))
            RemoveClef(command, clef, nullptr);
    }
}

int CAutoNote::ProcessAddMeasure(CCAddMeasure* command) {
    ECConductor* conductor = GetConductor();
    if (!command || !conductor)
        return Process(nullptr);
    const int first = command->GetInsertIndex() + 1;
    const int count = command->GetInsertCount();
    const int last = conductor->GetMaxMeasureNumber();
    ECMeasure* opening = last >= first ? conductor->GetMeasure(TRACK_CONDUCTOR, first) : nullptr;
    if (opening && opening->GetTime()) {
        const MCTime blockStart = *opening->GetTime();
        MCTime blockEnd = conductor->GetMaxMeasureEndTime();
        if (last >= first + count) {
            MCTime closingStart;
            if (ECMeasure* closing = conductor->GetMeasure(TRACK_CONDUCTOR, first + count - 1))
                GetRangeForMeasures(conductor, closing, closingStart, blockEnd);
        }
        // What follows the new measures moved later by their length.
        const MCTime length = blockEnd - blockStart;
        ShiftEnds(m_notateInfo, length);
        CreateDataForNewMeasureBlock(conductor, blockStart, blockEnd);
        // The opening clefs and keys now stand in the new first measures:
        // their rulers make room for them.
        if (first == 1)
            UpdateOpeningRulers(conductor, first, 0);
    }
    return Process(nullptr);
}

int CAutoNote::ProcessRemoveMeasure(CCRemoveMeasure* command) {
    ECConductor* conductor = GetConductor();
    if (!command || !conductor)
        return Process(nullptr);
    MCTime regionStart;
    MCTime regionEnd;
    command->GetRemoveRegion(regionStart, regionEnd);
    if (regionStart != MCTime::TimeNull()) {
        if (command->GetRemoveIndex() == -1) {
            const MCTime end = conductor->GetMaxMeasureEndTime();
            m_notateInfo.SetTimeEnd(end);
            m_notateInfo.SetMeasureEnd(end);
        } else {
            // The bounds were taken before the gap closed. The end setters
            // keep a later end, so this only counts where none was stored;
            // a walk past the piece's end stops at its last measure.
            ShiftEnds(m_notateInfo, -(regionEnd - regionStart));
        }
    }
    return Process(nullptr);
}
