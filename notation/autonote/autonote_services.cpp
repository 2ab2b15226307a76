// The engine's range and update-list services: measure and note spans, the
// rectangles and dirty kinds put on display objects, the resolution a measure
// ruler needs, and the display data of new measures.
#include "notation/autonote/autonote.h"

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/notes.h"
#include "model/viewdata.h"
#include "notation/autonote/clearing.h"
#include "notation/autonote/displaydata.h"
#include "notation/autonote/timerange.h"
#include "notation/display/base.h"
#include "notation/display/notate.h"
#include "notation/display/tuplet.h"
#include "notation/layout/ruler.h"

namespace {

// The end of measure `number`: the start of the next one, or the piece's end.
MCTime EndOfMeasureNumber(ECConductor* conductor, int number, const MCTime& pieceEnd) {
    ECMeasure* next = conductor->GetMeasure(0, number + 1);
    return next && next->GetTime() ? *next->GetTime() : pieceEnd;
}

}  // namespace

void CAutoNote::GetNoteRange(ECNote* note, MCTime& start, MCTime& end) {
    start = *note->GetTime();
    end = start;
    end += ECNote::ScaleDuration(note->GetDuration(), 1);
}

void CAutoNote::GetRangeForMeasures(ECConductor* conductor, ECBase* measure, MCTime& start, MCTime& end) {
    const MCTime pieceEnd = conductor->GetMaxMeasureEndTime();
    start = measure->GetTime() ? *measure->GetTime() : MCTime();
    if (start >= pieceEnd) {
        end = pieceEnd;
        return;
    }
    end = EndOfMeasureNumber(conductor, conductor->GetMeasureNumberAtTime(start), pieceEnd);
}

void CAutoNote::GetRangeForMeasures(ECConductor* conductor, MCEventList& measures, MCTime& start,
                                    MCTime& end) {
    ECBase* first = measures.GetHead();
    ECBase* last = measures.GetTail();
    start = first && first->GetTime() ? *first->GetTime() : MCTime();
    const MCTime lastTime = last && last->GetTime() ? *last->GetTime() : start;
    end = EndOfMeasureNumber(conductor, conductor->GetMeasureNumberAtTime(lastTime),
                             conductor->GetMaxMeasureEndTime());
}

void CAutoNote::AddRectsToDirtyList(ECBase* event, int mode) {
    DCctBase* display = NotationDisplayOf(event);
    if (!display)
        return;
    CRect rect;
    if (mode == 1)
        display->GetVirtualFrame(&rect, 0);
    else
        display->GetFrame(&rect, 0);
    m_dirtyRect.AddRect(rect);
}

void CAutoNote::AddRectsToDirtyList(MCEventList& events, int mode) {
    for (POSITION pos = events.GetHeadPosition(); pos;)
        AddRectsToDirtyList(events.GetNext(pos), mode);
}

namespace {

// Voices, spelling, beams, stems, chords and rests: what a change of the
// notes of a measure makes stale, without a window and at any depth.
void MarkForNotation(ACSetDirty& action) {
    for (uint8_t kind : {DCctBase::DIRTY_MULTIVOICE, DCctBase::DIRTY_SPELLING, DCctBase::DIRTY_BEAM,
                         DCctBase::DIRTY_STEM, DCctBase::DIRTY_CHORD, DCctBase::DIRTY_REST})
        action.AddDirtyKind(kind);
}

}  // namespace

void CAutoNote::DirtyMeasuresForNotation(ECBase* event) {
    ACSetDirty action(6);
    MarkForNotation(action);
    action.Apply(event);
}

void CAutoNote::DirtyMeasuresForNotation(MCEventList& events) {
    ACSetDirty action(6);
    MarkForNotation(action);
    action.Apply(events, 1);
}

void CAutoNote::UnhideAccidentalsInRange(MCEventList& events, const MCTime& from, const MCTime& to,
                                         unsigned voice) {
    ACFindTime notes(from, to, 0);
    notes.AddEvtType(ET_NOTE);
    notes.Apply(events, 1);
    MCEventList& found = notes.GetEvents();
    for (POSITION pos = found.GetHeadPosition(); pos;) {
        ECBase* note = found.GetNext(pos);
        if (voice != VOICE_ALL && !PassesVoiceFilter(note, voice))
            continue;
        MCEventList* children = note->GetChildren();
        for (POSITION child = children ? children->GetHeadPosition() : nullptr; child;) {
            ECBase* mark = children->GetNext(child);
            if (mark->GetClassType() != ET_ACCIDENTAL)
                continue;
            if (DCctBase* display = NotationDisplayOf(mark))
                display->SetHidden(0);
        }
    }
}

void CAutoNote::DirtyNotesInRange(MCEventList& events, const MCTime& from, const MCTime& to) {
    ACSetDirty action(2);
    action.SetTimeRange(from, to);
    action.AddDirtyKind(DCctBase::DIRTY_VALUE);
    action.AddDirtyKind(DCctBase::DIRTY_TIME);
    action.Apply(events, 1);
}

void CAutoNote::UpdateResolution(ECBase* measure, ECMeter* meter, MCRuler& ruler) {
    MCEventList* children = measure->GetChildren();
    if (!children)
        return;
    bool holdsNotes = false;
    for (POSITION pos = children->GetHeadPosition(); pos && !holdsNotes;) {
        const int type = children->GetNext(pos)->GetClassType();
        holdsNotes = type == ET_NOTE || type == ET_CHORD;
    }
    if (holdsNotes) {
        for (POSITION pos = children->GetHeadPosition(); pos;) {
            ECBase* element = children->GetNext(pos);
            const int type = element->GetClassType();
            if (type != ET_NOTE && type != ET_CHORD && type != ET_REST)
                continue;
            auto* notate = dynamic_cast<DCctNotate*>(NotationDisplayOf(element));
            if (!notate)
                continue;
            const WORD duration = notate->GetTickDuration(1);
            if (duration != 0 && duration < m_resolution)
                ruler.SetResolution(duration, 0x4000);
        }
    }
    // Each tuplet's notes stand on the marks of its borrowed division.
    for (POSITION pos = children->GetHeadPosition(); pos;) {
        ECBase* element = children->GetNext(pos);
        if (element->GetClassType() != ET_TUPLET)
            continue;
        auto* tuplet = dynamic_cast<DCctTuplet*>(NotationDisplayOf(element));
        if (!tuplet)
            continue;
        ruler.AddBorrowedDivMarks(meter, tuplet->GetBase(DCctTuplet::BASE_BORROWED),
                                  tuplet->GetBase(DCctTuplet::BASE_PLAIN), m_resolution);
    }
}

void CAutoNote::CreateDataForNewMeasureBlock(ECConductor* conductor, ECConductorMeasure* measure) {
    if (!measure)
        return;
    ACUpdateDisplayData action;
    action.SetConductor(conductor);
    action.SetResolution(m_resolution);
    action.SetCreateAll(1);
    action.Apply(measure);
    const std::vector<ECMeasure*>& staffMeasures = measure->GetMeasures();
    for (size_t slot = 1; slot < staffMeasures.size() && staffMeasures[slot]; ++slot) {
        action.Reset();
        action.Apply(staffMeasures[slot]);
        m_dirtyRect.AddEvent(staffMeasures[slot]);
    }
}

void CAutoNote::CreateDataForNewMeasureBlock(ECConductor* conductor, const MCTime& from, const MCTime& to) {
    MCEventList measures;
    conductor->GetMeasures(0, from, to, measures);
    for (POSITION pos = measures.GetHeadPosition(); pos;)
        CreateDataForNewMeasureBlock(conductor, dynamic_cast<ECConductorMeasure*>(measures.GetNext(pos)));
}

void CAutoNote::AddEventWindow(int track, const MCTime& start, const MCTime& end, const MCTime& ms,
                               const MCTime& me, uint8_t pagenate) {
    m_notateInfo.SetNotateRange(NOTATE_EVENTS);
    m_notateInfo.AddTrack(track, start, end, ms, me);
    m_notateInfo.SetPagenateRange(pagenate);
}
