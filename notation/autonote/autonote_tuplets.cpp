// The engine's preparation of added and removed tuplets.
#include "notation/autonote/autonote.h"

#include "model/command.h"
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/lists.h"
#include "model/notes.h"
#include "notation/autonote/buildrulers.h"
#include "notation/autonote/clearing.h"
#include "notation/autonote/timerange.h"
#include "notation/display/base.h"
#include "notation/display/tuplet.h"

#include <vector>

namespace {

constexpr int kTicksPerQuarter = 256;

MCTime TicksAsTime(int ticks) {
    MCTime time;
    time.SetTicks(ticks, kTicksPerQuarter);
    return time;
}

int TrackOf(ECBase* element) {
    MCVoiceTrack* word = element->GetVoiceTrack();
    return word ? word->GetTrack() : 0;
}

// The notes of a tuplet: its own note members and the notes of its chords.
std::vector<ECBase*> TupletNotes(ECBase* tuplet) {
    std::vector<ECBase*> notes;
    MCEventList* members = tuplet->GetChildren();
    for (POSITION pos = members ? members->GetHeadPosition() : nullptr; pos;) {
        ECBase* member = members->GetNext(pos);
        if (member->GetClassType() == ET_NOTE) {
            notes.push_back(member);
            continue;
        }
        if (member->GetClassType() != ET_CHORD)
            continue;
        MCEventList* chordNotes = member->GetChildren();
        for (POSITION at = chordNotes ? chordNotes->GetHeadPosition() : nullptr; at;) {
            ECBase* note = chordNotes->GetNext(at);
            if (note->GetClassType() == ET_NOTE)
                notes.push_back(note);
        }
    }
    return notes;
}

// Whether a tuplet's span, its units at face value, holds `time`.
bool SpanHolds(ECTuplet* tuplet, const MCTime& time) {
    const MCTime* from = tuplet->GetTime();
    if (!from)
        return false;
    MCTime to = *from;
    to += static_cast<float>(tuplet->GetNormal()) * ECTuplet::GetUnitsAsTime(tuplet->GetUnits());
    return *from <= time && time < to;
}

}  // namespace

int CAutoNote::AddTuplet(CCBase* command, ECBase* element, ECBase* parent) {
    auto* tuplet = dynamic_cast<ECTuplet*>(element);
    if (!command || !tuplet || !tuplet->GetTime())
        return 0;
    // Copied first: preparing a note may change the tuplet's members.
    for (ECBase* note : TupletNotes(tuplet))
        AddNote(command, note, tuplet);

    const MCTime start = *tuplet->GetTime();
    MCTime end = start;
    end += TicksAsTime(DCctTuplet::GetUnitTickDuration(tuplet) * tuplet->GetNormal());

    // A tuplet the new one starts inside is placed again.
    ACSetDirty dirty(2);
    dirty.AddDirtyKind(DCctBase::DIRTY_TIME);
    dirty.SetDepth(1);
    MCEventList* siblings = parent ? parent->GetChildren() : nullptr;
    for (POSITION pos = siblings ? siblings->GetHeadPosition() : nullptr; pos;) {
        ECBase* sibling = siblings->GetNext(pos);
        if (sibling == tuplet || sibling->GetClassType() != ET_TUPLET)
            continue;
        if (!SpanHolds(static_cast<ECTuplet*>(sibling), start))
            continue;
        dirty.Apply(sibling);
        dirty.Reset();
    }
    dirty.AddDirtyKind(DCctBase::DIRTY_VALUE);
    dirty.Apply(tuplet);
    dirty.Reset();
    ClearEvents(command, tuplet, ET_REST, VOICE_ALL);

    // Over a bar line each measure holds a part of the tuplet: both are
    // placed and valued again.
    ECConductor* conductor = GetConductor();
    const int track = TrackOf(parent ? parent : tuplet);
    MCEventList measures;
    if (conductor)
        conductor->GetMeasures(track, start, end, measures);
    if (measures.GetCount() > 1) {
        m_notateInfo.AddTrack(track, start, end, start, end);
        ACSetDirty measuresOnly(2);
        measuresOnly.AddDirtyKind(DCctBase::DIRTY_VALUE);
        measuresOnly.AddDirtyKind(DCctBase::DIRTY_TIME);
        measuresOnly.SetDepth(0);
        measuresOnly.Apply(measures, 1);
        ACSetDirty members(2);
        members.AddDirtyKind(DCctBase::DIRTY_VALUE);
        members.AddDirtyKind(DCctBase::DIRTY_TIME);
        MCEventList* children = tuplet->GetChildren();
        if (children)
            members.Apply(*children, 1);
    }
    return 0;
}

int CAutoNote::RemoveTuplet(CCBase* command, ECBase* element, ECBase*) {
    auto* tuplet = dynamic_cast<ECTuplet*>(element);
    if (!command || !tuplet || !tuplet->GetTime())
        return 0;
    ACBuildRulers rulers;
    rulers.SetRemove(1);
    rulers.SetDepth(0);
    rulers.SetConductor(GetConductor());
    // The members go back to the measure: its notes are notated afresh
    // there and its rests are made again.
    std::vector<ECBase*> rests;
    MCEventList* members = tuplet->GetChildren();
    for (POSITION pos = members ? members->GetHeadPosition() : nullptr; pos;) {
        ECBase* member = members->GetNext(pos);
        if (member->GetClassType() == ET_REST)
            rests.push_back(member);
    }
    for (ECBase* note : TupletNotes(tuplet))
        RemoveNote(command, note, nullptr);
    for (ECBase* rest : rests) {
        rulers.Apply(rest);
        rulers.Reset();
        command->Discard(rest);
    }

    ECBase* measure = tuplet->GetAncestor(ET_MEASURE, -1);
    if (measure)
        DirtyMeasuresForNotation(measure);
    const MCTime start = *tuplet->GetTime();
    MCTime end = start;
    if (auto* display = dynamic_cast<DCctTuplet*>(NotationDisplayOf(tuplet)))
        end += TicksAsTime(display->GetTickDuration(DCctTuplet::TICKS_NORMAL));
    AddEventWindow(TrackOf(measure ? measure : tuplet), start, end, start, end, PAGENATE_MEASURES);
    return 0;
}
