// The engine's preparation of added and removed slurs and lyrics.
#include "notation/autonote/autonote.h"

#include "model/command.h"
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/lists.h"
#include "model/measure.h"
#include "model/performance.h"
#include "notation/autonote/buildrulers.h"

#include <mutex>

namespace {

// How far a lyric's layout reaches: the quarter note from its time.
const MCTime kLyricReach(1.0f);

// The types a removed lyric's neighbours are found by: what is laid out
// beside it in its measure.
constexpr int kLyricNeighbourTypes[] = {ET_NOTE, ET_CHORD, ET_REST, ET_TUPLET};

int TrackOf(ECBase* element) {
    MCVoiceTrack* word = element->GetVoiceTrack();
    return word ? word->GetTrack() : 0;
}

}  // namespace

int CAutoNote::AddSlur(CCBase* command, ECBase* element, ECBase*) {
    if (!command || !element)
        return 0;
    ACFindEvents chords;
    chords.AddEvtType(ET_CHORD);
    chords.ClipNone();   // the walk starts inside the slur
    chords.Apply(element);
    MCEventList& found = chords.GetEvents();
    if (found.IsEmpty())
        return 0;
    ECConductor* conductor = GetConductor();
    ECPerformance* performance = GetBaseEvent();
    ACBuildRulers rulers;
    rulers.SetRemove(1);
    rulers.SetDepth(0);
    rulers.SetConductor(conductor);
    for (POSITION pos = found.GetHeadPosition(); pos;) {
        ECBase* chord = found.GetNext(pos);
        // The slur keeps the chord's notes as its own members: a slur left
        // without notes would take itself out of the tree with the chord.
        if (MCEventList* notes = chord->GetChildren()) {
            std::unique_lock<CCriticalSection> lock;
            if (performance)
                lock = std::unique_lock<CCriticalSection>(performance->GetLock());
            for (POSITION at = notes->GetHeadPosition(); at;) {
                ECBase* note = notes->GetNext(at);
                if (note->GetClassType() == ET_NOTE && !note->GetParents()->Find(element))
                    element->AddChild(note, SORTED);
            }
        }
        rulers.Apply(chord);
        rulers.Reset();
        command->Discard(chord);
        // The chord pass makes the chord again where it was.
        ECBase* measure = chord->GetAncestor(ET_MEASURE, -1);
        if (!measure || !conductor)
            continue;
        DirtyMeasuresForNotation(measure);
        MCTime start, end;
        GetRangeForMeasures(conductor, measure, start, end);
        AddEventWindow(TrackOf(measure), start, end, start, end, PAGENATE_MEASURES);
    }
    return 0;
}

int CAutoNote::RemoveSlur(CCBase*, ECBase*, ECBase*) {
    // A slur is drawn over its notes and shapes none of their notation.
    return 0;
}

int CAutoNote::AddLyric(CCBase*, ECBase* element, ECBase*) {
    if (!element || !element->GetTime())
        return 0;
    const MCTime from = *element->GetTime();
    MCTime to = from;
    to += kLyricReach;
    AddEventWindow(TrackOf(element), from, to, from, to, PAGENATE_MEASURES);
    return 0;
}

int CAutoNote::RemoveLyric(CCBase*, ECBase* element, ECBase*) {
    if (!element || !element->GetTime())
        return 0;
    const MCTime from = *element->GetTime();
    MCTime to = from;
    to += kLyricReach;
    const int track = TrackOf(element);
    ECBase* measure = element->GetAncestor(ET_MEASURE, -1);
    if (!measure) {
        ECConductor* conductor = GetConductor();
        measure = conductor ? conductor->GetMeasure(track, from, 0, 1) : nullptr;
    }
    // The notes beside the lyric close up once it is gone.
    MCEventList* children = measure ? measure->GetChildren() : nullptr;
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        const MCTime* time = child->GetTime();
        if (!time || *time < from || *time > to)
            continue;
        for (int type : kLyricNeighbourTypes)
            if (child->GetClassType() == type)
                m_dirtyRect.AddEvent(child);
    }
    AddEventWindow(track, from, to, from, to, PAGENATE_MEASURES);
    return 0;
}
