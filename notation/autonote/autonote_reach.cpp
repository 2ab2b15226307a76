// The engine's reach of played lengths: a note is notated as far as the
// next note of its voice or the bar line, but played to its own end. Where
// an edit changes what cut a note short, or the measures after it, what the
// note sounds into is renotated with it.
#include "notation/autonote/autonote.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/measure.h"
#include "model/notes.h"
#include "notation/autonote/clearing.h"
#include "notation/autonote/timerange.h"
#include "notation/display/base.h"

#include <algorithm>
#include <vector>

namespace {

// A note whose surroundings change is placed and valued again: its tie
// chain is unmade (the value pass ties it afresh), and a chord it stands in
// is made again from its notes, all of them marked for the value pass and
// their chains unmade too (a member kept tied would cut the others at its
// continuation). [from, to) grows to hold every note valued again, as played.
void RevalueNote(CCBase* command, ECNote* note, MCTime& from, MCTime& to) {
    ECBase* chord = note->GetAncestor(ET_CHORD, 1);
    std::vector<ECNote*> valued{note};
    MCEventList* members = chord ? chord->GetChildren() : nullptr;
    for (POSITION at = members ? members->GetHeadPosition() : nullptr; at;) {
        ECBase* member = members->GetNext(at);
        if (member != note && member->GetClassType() == ET_NOTE)
            valued.push_back(static_cast<ECNote*>(member));
    }
    for (ECNote* each : valued) {
        MCTime chainStart;
        MCTime chainEnd;
        CAutoNote::GetNoteRange(each, chainStart, chainEnd);
        from = std::min(from, chainStart);
        to = std::max(to, chainEnd);
        ClearTiesInRange(command, each, chainStart, chainEnd, VOICE_ALL);
    }
    ACSetDirty dirty(2);
    dirty.AddDirtyKind(DCctBase::DIRTY_VALUE);
    dirty.AddDirtyKind(DCctBase::DIRTY_TIME);
    dirty.Apply(chord ? chord : static_cast<ECBase*>(note));
    if (chord)
        ClearEvents(command, chord, ET_CHORD, VOICE_ALL);
}

// The notes under the elements of the list, chord and tuplet members
// included.
void NotesUnder(MCEventList& elements, MCEventList& notes) {
    ACFindEvents find;
    find.AddEvtType(ET_NOTE);
    find.Apply(elements, 1);
    MCEventList& found = find.GetEvents();
    for (POSITION pos = found.GetHeadPosition(); pos;)
        notes.AddEvent(found.GetNext(pos), UNSORTED);
}

// Whether the note, still in the tree (a continuation an earlier note's
// chain took away is not), is played past `time`; `start` is where it
// starts, as played.
bool SoundsPast(ECNote* note, const MCTime& time, MCTime& start) {
    MCEventList* parents = note->GetParents();
    if (!parents || parents->IsEmpty())
        return false;
    MCTime end;
    CAutoNote::GetNoteRange(note, start, end);
    return end > time;
}

}  // namespace

void CAutoNote::WidenToPlayedLengths(CCBase* command, ECConductor* conductor, int track, MCEventList& measures,
                                     MCTime& lo, MCTime& hi) {
    if (measures.IsEmpty())
        return;
    MCTime windowStart;
    MCTime windowEnd;
    GetRangeForMeasures(conductor, measures, windowStart, windowEnd);
    MCTime reachStart = windowStart;
    MCTime reachEnd = windowEnd;
    MCEventList inside;
    NotesUnder(measures, inside);
    for (POSITION pos = inside.GetHeadPosition(); pos;) {
        MCTime noteStart;
        MCTime noteEnd;
        GetNoteRange(static_cast<ECNote*>(inside.GetNext(pos)), noteStart, noteEnd);
        reachEnd = std::max(reachEnd, noteEnd);
    }
    const int firstNumber = conductor->GetMeasureNumberAtTime(windowStart);
    if (ECMeasure* before = firstNumber > 1 ? conductor->GetMeasure(track, firstNumber - 1) : nullptr) {
        MCEventList previous;
        previous.AddEvent(before, UNSORTED);
        MCEventList notes;
        NotesUnder(previous, notes);
        for (POSITION pos = notes.GetHeadPosition(); pos;) {
            auto* note = static_cast<ECNote*>(notes.GetNext(pos));
            MCTime noteStart;
            if (!SoundsPast(note, windowStart, noteStart))
                continue;
            RevalueNote(command, note, reachStart, reachEnd);
        }
        // A beam over the notes valued again is made again with them.
        if (reachStart < windowStart) {
            MCTime beamsFrom = reachStart;
            MCTime beamsTo = windowStart;
            ClearBeamsInRange(command, before, beamsFrom, beamsTo, VOICE_ALL);
            reachStart = std::min(reachStart, beamsFrom);
        }
    }
    MCEventList reached;
    if (reachStart < windowStart)
        conductor->GetMeasures(track, reachStart, windowStart, reached);
    if (windowEnd < reachEnd) {
        MCEventList after;
        conductor->GetMeasures(track, windowEnd, reachEnd, after);
        for (POSITION pos = after.GetHeadPosition(); pos;)
            reached.AddEvent(after.GetNext(pos), UNSORTED);
    }
    if (reached.IsEmpty())
        return;
    ClearEvents(command, reached, ET_REST, VOICE_ALL);
    DirtyMeasuresForNotation(reached);
    lo = std::min(lo, reachStart);
    hi = std::max(hi, reachEnd);
}
MCTime CAutoNote::PrepareNotesPlayedPastTheEnd(CCBase* command, ECConductor* conductor, const MCTime& end) {
    MCTime start = end;
    const int last = conductor->GetMaxMeasureNumber();
    const int staves = conductor->GetMaxTrackNumber(TRACK_STAFF);
    for (int track = 1; track <= staves; ++track) {
        ECMeasure* measure = conductor->GetMeasure(track, last);
        if (!measure || !measure->GetTime())
            continue;
        MCEventList measures;
        measures.AddEvent(measure, UNSORTED);
        MCEventList notes;
        NotesUnder(measures, notes);
        bool reaches = false;
        for (POSITION pos = notes.GetHeadPosition(); pos;) {
            auto* note = static_cast<ECNote*>(notes.GetNext(pos));
            MCTime noteStart;
            if (!SoundsPast(note, end, noteStart))
                continue;
            MCTime from = noteStart;
            MCTime to = end;
            RevalueNote(command, note, from, to);
            ClearBeamsInRange(command, measure, from, to, VOICE_ALL);
            reaches = true;
        }
        if (!reaches)
            continue;
        DirtyMeasuresForNotation(measures);
        start = std::min(start, *measure->GetTime());
    }
    return start;
}
