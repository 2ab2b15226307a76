// The engine's preparation for grace notes added to and removed from the
// note they lead into: the main note's measures renotated, the grace note
// kept as the user spelled it, and the slur that joins grace notes to their
// main note.
#include "notation/autonote/autonote.h"

#include "model/command.h"
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/notes.h"
#include "model/performance.h"
#include "notation/autonote/buildrulers.h"
#include "notation/autonote/clearing.h"
#include "notation/display/accidental.h"
#include "notation/display/gracenote.h"

#include <mutex>

namespace {

// The argument that keeps the voice pass from guessing voices, and the split
// pitch that splits no staff.
constexpr unsigned kNoVoiceGuessing = 16;
constexpr uint8_t kNoSplit = 255;

int TrackOfMeasure(ECBase* measure) {
    const MCVoiceTrack* word = measure ? measure->GetVoiceTrack() : nullptr;
    return word ? word->GetTrack() : -1;
}

unsigned VoiceOf(ECBase* element) {
    const MCVoiceTrack* word = element->GetVoiceTrack();
    return word ? static_cast<unsigned>(word->GetVoice()) : 0;
}

// The slur among the element's parents, or null.
ECBase* SlurOf(ECBase* element) {
    MCEventList* parents = element->GetParents();
    for (POSITION pos = parents ? parents->GetHeadPosition() : nullptr; pos;) {
        ECBase* parent = parents->GetNext(pos);
        if (parent->GetClassType() == ET_SLUR)
            return parent;
    }
    return nullptr;
}

// The slur that already joins one of the note's grace notes to it (the first
// grace note's, else any other's), or null.
ECBase* GraceSlurOf(ECBase* note) {
    MCEventList* children = note->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        if (child->GetClassType() != ET_GRACENOTE)
            continue;
        if (ECBase* slur = SlurOf(child))
            return slur;
    }
    return nullptr;
}

std::unique_lock<CCriticalSection> LockTree(ECPerformance* performance) {
    return performance ? std::unique_lock<CCriticalSection>(performance->GetLock())
                       : std::unique_lock<CCriticalSection>();
}

}  // namespace

int CAutoNote::AddGraceNote(CCBase*, ECBase* grace, ECBase* note) {
    ECConductor* conductor = GetConductor();
    ECBase* measure = note ? note->GetAncestor(ET_MEASURE, -1) : nullptr;
    if (!grace || !conductor || !measure || !grace->GetTime())
        return 0;
    m_multivoice.SetVoice(kNoVoiceGuessing);
    m_multivoice.SetSplit(kNoSplit);
    MCTime measureStart;
    MCTime measureEnd;
    GetRangeForMeasures(conductor, measure, measureStart, measureEnd);

    // The grace note is written as entered: the spelling pass leaves it and
    // its accidental alone, and the accidental is drawn at the grace size.
    MCEventList* marks = grace->GetChildren();
    for (POSITION pos = marks ? marks->GetHeadPosition() : nullptr; pos;) {
        ECBase* mark = marks->GetNext(pos);
        if (mark->GetClassType() != ET_ACCIDENTAL)
            continue;
        if (auto* accidental = dynamic_cast<DCctAccidental*>(NotationDisplayOf(mark))) {
            accidental->SetUserSpelled(1);
            accidental->SetGrace(1);
        }
        break;
    }
    auto* display = dynamic_cast<DCctNote*>(NotationDisplayOf(grace));
    if (display)
        display->SetUserSpelled(1);

    AddRectsToDirtyList(measure, 0);
    DirtyMeasuresForNotation(measure);
    AddEventWindow(TrackOfMeasure(measure), measureStart, measureEnd, measureStart, measureEnd, PAGENATE_MEASURES);
    m_dirtyRect.AddEvent(note);

    // A grace note the user took out of the slur is left without one.
    auto* graceDisplay = dynamic_cast<DCctGraceNote*>(display);
    if (graceDisplay && !graceDisplay->GetSlur())
        return 0;
    if (ECBase* slur = GraceSlurOf(note)) {
        {
            auto lock = LockTree(GetBaseEvent());
            slur->AddChild(grace, SORTED);
        }
        m_dirtyRect.AddEvent(slur);
        return 0;
    }
    if (ECBase* staff = measure->GetAncestor(ET_STAFF, -1))
        MakeGraceSlur(note, staff, grace->GetTime(), grace);
    return 0;
}

ECSlur* CAutoNote::MakeGraceSlur(ECBase* note, ECBase* staff, const MCTime* time, ECBase* joining) {
    MCEventList graces;   // held while they join
    if (joining) {
        graces.AddEvent(joining, UNSORTED);
    } else if (MCEventList* children = note->GetChildren()) {
        for (POSITION pos = children->GetHeadPosition(); pos;) {
            ECBase* child = children->GetNext(pos);
            if (child->GetClassType() == ET_GRACENOTE)
                graces.AddEvent(child, UNSORTED);
        }
    }
    auto* slur = new ECSlur;
    slur->GetData(DK_NOTATION, 1);
    slur->SetTime(time);
    slur->SetVoiceTrack(note->GetVoiceTrack());
    {
        auto lock = LockTree(GetBaseEvent());
        slur->AddChild(note, SORTED);
        staff->AddChild(slur, SORTED);
        for (POSITION pos = graces.GetHeadPosition(); pos;)
            slur->AddChild(graces.GetNext(pos), SORTED);
    }
    m_dirtyRect.AddEvent(slur);
    return slur;
}

int CAutoNote::RemoveGraceNote(CCBase* command, ECBase* grace, ECBase* note) {
    ECConductor* conductor = GetConductor();
    if (!grace || !conductor || !grace->GetTime())
        return 0;
    if (!note)
        note = grace->GetAncestor(ET_NOTE, -1);
    auto* mainNote = dynamic_cast<ECNote*>(note);
    ECBase* measure = mainNote ? mainNote->GetAncestor(ET_MEASURE, -1) : nullptr;
    const int track = TrackOfMeasure(measure);
    if (!mainNote || track < 0)
        return 0;
    m_multivoice.SetVoice(kNoVoiceGuessing);
    m_multivoice.SetSplit(kNoSplit);
    const unsigned voice = VoiceOf(grace);

    MCTime start;
    MCTime end;
    GetNoteRange(mainNote, start, end);
    start = *grace->GetTime();
    MCEventList measures;
    conductor->GetMeasures(track, start, end, measures);
    if (measures.IsEmpty())
        measures.AddTail(measure);
    MCTime measureStart;
    MCTime measureEnd;
    GetRangeForMeasures(conductor, measures, measureStart, measureEnd);

    if (command) {
        ClearEventsInRange(command, measures, start, end, ET_CHORD, voice);
        ClearBeamsInRange(command, measures, start, end, voice);
        DirtyEventsInRange(command, measures, end, measureEnd, ET_CHORD, voice);
        DirtyEventsInRange(command, measures, end, measureEnd, ET_BEAM, voice);
        DirtyStemsInRange(measures, start, measureEnd, voice);
        DirtySpellingInRange(measures, start, measureEnd, voice);
        // The slur made for the grace notes goes with the last of them,
        // rather than stay behind over the main note alone.
        ECBase* slur = SlurOf(grace);
        MCEventList* members = slur ? slur->GetChildren() : nullptr;
        bool othersLeft = false;
        for (POSITION pos = members ? members->GetHeadPosition() : nullptr; pos;) {
            ECBase* member = members->GetNext(pos);
            othersLeft = othersLeft || (member != grace && member != note);
        }
        if (slur && !othersLeft)
            command->Discard(slur);
    }
    AddRectsToDirtyList(measures, 0);
    DirtyMeasuresForNotation(measures);

    ACBuildRulers rulers;
    rulers.SetRemove(1);
    rulers.SetConductor(conductor);
    rulers.Apply(mainNote);
    m_dirtyRect.AddEvent(mainNote);

    AddEventWindow(track, measureStart, measureEnd, measureStart, measureEnd, PAGENATE_MEASURES);
    return 0;
}
