// The engine's handlers of added and removed notes and note modifiers.
//
// A note changes the notation around it: the tie chains that reach into its
// span were made for the old music, a note of its voice that it overlaps
// must be cut again, and the rests, dots, chords and beams near it are
// remade. Each handler unmakes that derived notation through the command,
// marks what the passes must redo and gives the notate info a window over
// the measures touched, so that renotation after the command redoes exactly
// that span. They run in the command's Prepare phase, before the tree
// changes: an added note is not in its measure yet, a removed one still is.
#include "notation/autonote/autonote.h"

#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/viewdata.h"
#include "notation/autonote/clearing.h"
#include "notation/autonote/timerange.h"
#include "notation/display/accidental.h"
#include "notation/display/base.h"
#include "notation/display/gracenote.h"
#include "notation/display/note.h"
#include "notation/tools/tie.h"

#include <mutex>

namespace {

// What the voice pass is told for an edited note: the input of a merge, the
// voices kept as they are, no split of the staff.
constexpr uint8_t kMergeInput = 2;

unsigned VoiceOf(ECBase* element) {
    MCVoiceTrack* word = element->GetVoiceTrack();
    return word ? static_cast<unsigned>(word->GetVoice()) : 0;
}

int TrackOf(ECBase* element) {
    MCVoiceTrack* word = element->GetVoiceTrack();
    return word ? word->GetTrack() : 0;
}

// The staff measures of `track` over [start, end). A note without length at
// a measure's start lies before no measure's end: it takes the measure it
// stands in, so that every handler has a window to renotate.
void GatherMeasures(ECConductor* conductor, int track, const MCTime& start, const MCTime& end,
                    MCEventList& measures) {
    conductor->GetMeasures(track, start, end, measures);
    if (!measures.IsEmpty())
        return;
    if (ECMeasure* holding = conductor->GetMeasure(track, start, 0, 1))
        measures.AddEvent(holding, UNSORTED);
}

// Whether [s, e) overlaps [ns, ne): spans that only touch do not.
bool Overlaps(const MCTime& s, const MCTime& e, const MCTime& ns, const MCTime& ne) {
    const bool before = s <= ns && e <= ns;
    const bool after = s >= ne && e >= ne;
    return !before && !after;
}

void Widen(MCTime& start, MCTime& end, const MCTime& s, const MCTime& e) {
    if (s < start)
        start = s;
    if (e > end)
        end = e;
}

// The first grace note hung under the note, or null.
ECBase* FirstGraceNote(ECNote* note) {
    MCEventList* children = note->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        if (child->GetClassType() == ET_GRACENOTE)
            return child;
    }
    return nullptr;
}

// Value and time: what a note whose span changed needs from the passes.
void MarkValueAndTime(ACSetDirty& dirty) {
    dirty.AddDirtyKind(DCctBase::DIRTY_VALUE);
    dirty.AddDirtyKind(DCctBase::DIRTY_TIME);
}

}  // namespace

int CAutoNote::EditNotesThatIntersect(CCBase* command, ECNote* note, MCEventList& measures, MCTime& start, MCTime& end,
                                      unsigned voice) {
    if (!note)
        return 0;
    ACSetDirty dirty(2);
    MarkValueAndTime(dirty);
    MCTime noteStart;
    MCTime noteEnd;
    GetNoteRange(note, noteStart, noteEnd);

    // What `other` overlaps the note as: itself, or, for a tied
    // continuation (a note the value pass made, which plays nothing), the
    // head of its chain, which plays the whole chain: a note added inside a
    // long tied note cuts that note even where only its continuation
    // stands. Null when it does not overlap; else its span has joined
    // [start, end). A tie chain through it was notated for the old music:
    // cut short now, it would stay tied across the note into what followed
    // it. The chain is unmade (its head marked for the value pass, which
    // ties it afresh) and its span joins too. The clearing over the note's
    // own span finds only chains with a note inside that span, not one that
    // starts before the note and runs past it.
    CTie ties;
    const auto overlapping = [&](ECBase* other) -> ECNote* {
        auto* played = static_cast<ECNote*>(other);
        if (ECNote* head = ties.GetHeadOfTie(played))
            played = head;
        if (played == note)
            return nullptr;
        MCTime s;
        MCTime e;
        GetNoteRange(played, s, e);
        if (!Overlaps(s, e, noteStart, noteEnd))
            return nullptr;
        Widen(start, end, s, e);
        MCTime chainStart = s;
        MCTime chainEnd = e;
        if (ClearTiesInRange(command, played, chainStart, chainEnd, voice) == 1)
            Widen(start, end, chainStart, chainEnd);
        return played;
    };
    // A note is placed and valued with the chord it stands in: every note
    // of the chord is valued again, so every chain from them is unmade.
    const auto mark = [&](ECBase* element) {
        ECBase* chord = element->GetClassType() == ET_NOTE ? element->GetAncestor(ET_CHORD, 1) : nullptr;
        MCEventList* members = chord ? chord->GetChildren() : nullptr;
        for (POSITION at = members ? members->GetHeadPosition() : nullptr; at;) {
            ECBase* member = members->GetNext(at);
            if (member == element || member->GetClassType() != ET_NOTE)
                continue;
            MCTime chainStart;
            MCTime chainEnd;
            GetNoteRange(static_cast<ECNote*>(member), chainStart, chainEnd);
            // The member is valued again too: the passes reach it even
            // where it starts before the note that brought the chord in.
            Widen(start, end, chainStart, chainEnd);
            if (ClearTiesInRange(command, member, chainStart, chainEnd, voice) == 1)
                Widen(start, end, chainStart, chainEnd);
        }
        dirty.Apply(chord ? chord : element);
        dirty.Reset();
    };

    // A note of the measure before may sound into the span: the notation
    // cut it at the bar line or at a note the edit takes away, but it plays
    // on. It is looked at too.
    MCEventList searched;
    ECConductor* conductor = GetConductor();
    ECBase* first = measures.IsEmpty() ? nullptr : measures.GetHead();
    const int number = conductor && first && first->GetTime() ? conductor->GetMeasureNumberAtTime(*first->GetTime()) : 0;
    if (ECMeasure* before = number > 1 ? conductor->GetMeasure(TrackOf(note), number - 1) : nullptr)
        searched.AddEvent(before, UNSORTED);
    for (POSITION at = measures.GetHeadPosition(); at;)
        searched.AddEvent(measures.GetNext(at), UNSORTED);

    int found = 0;
    for (POSITION at = searched.GetHeadPosition(); at;) {
        MCEventList* children = searched.GetNext(at)->GetChildren();
        for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
            ECBase* child = children->GetNext(pos);
            const int type = child->GetClassType();
            if ((type != ET_NOTE && type != ET_CHORD) || !PassesVoiceFilter(child, voice))
                continue;
            if (type == ET_NOTE) {
                if (ECNote* played = overlapping(child)) {
                    mark(played);
                    found = 1;
                }
                continue;
            }
            MCEventList* notes = child->GetChildren();
            for (POSITION in = notes ? notes->GetHeadPosition() : nullptr; in;) {
                ECBase* member = notes->GetNext(in);
                if (member->GetClassType() != ET_NOTE)
                    continue;
                if (ECNote* played = overlapping(member)) {
                    mark(played);
                    found = 1;
                }
            }
        }
    }
    return found;
}

int CAutoNote::MergeNote(CCBase* command, ECBase* element, ECBase*) {
    auto* note = dynamic_cast<ECNote*>(element);
    ECConductor* conductor = GetConductor();
    if (!command || !note || !conductor)
        return 0;
    m_multivoice.SetInput(kMergeInput);
    m_multivoice.SetVoice(ANMultivoice::VOICE_KEEP);
    m_multivoice.SetSplit(ANMultivoice::NO_SPLIT);

    const unsigned voice = VoiceOf(note);
    const int track = TrackOf(note);
    MCTime start;
    MCTime end;
    GetNoteRange(note, start, end);
    // The notes starting inside the note's own span are valued again; the
    // spans the clearings widen to hold others, whose dots stay.
    MCTime ownStart = start;
    MCTime ownEnd = end;
    MCEventList measures;
    GatherMeasures(conductor, track, start, end, measures);
    // Each clearing may reach into measures the note does not: the list
    // follows the span it widened.
    bool widened = false;
    if (ClearTiesInRange(command, measures, start, end, voice) == 1) {
        GatherMeasures(conductor, track, start, end, measures);
        widened = true;
    }
    if (EditNotesThatIntersect(command, note, measures, start, end, voice) == 1) {
        GatherMeasures(conductor, track, start, end, measures);
        widened = true;
    }
    if (measures.IsEmpty())
        return 0;   // no measure of the staff holds the note
    MCTime measureStart;
    MCTime measureEnd;
    GetRangeForMeasures(conductor, measures, measureStart, measureEnd);

    DirtySpellingInRange(measures, start, measureEnd, voice);
    // A chord over the span is made again from its notes, which are placed
    // and valued afresh: kept, it would hold notes the new note cut apart
    // from the others, and stay marked for values nothing gives it.
    ClearEventsInRange(command, measures, start, end, ET_CHORD, voice);
    ClearEventsInRange(command, measures, ownStart, ownEnd, ET_DOT, voice);
    // A beam over notes valued again is made again: kept, it would hold a
    // note grown past what a beam takes (the beam pass reuses beams, never
    // takes one away).
    ClearBeamsInRange(command, measures, start, end, voice);
    ClearRestsInRange(command, measures, start, end, voice);
    // A chain unmade or a note cut leaves its measures' rests describing the
    // old music: a measure whose last note of the voice was a discarded
    // continuation would get a whole-measure rest beside them. The voice's
    // rests there are made afresh.
    if (widened)
        ClearEvents(command, measures, ET_REST, voice);

    // The pitch the user put in is the spelling the note keeps.
    if (auto* display = dynamic_cast<DCctNote*>(NotationDisplayOf(note)))
        display->SetUserSpelled(1);
    if (DCctBase* display = NotationDisplayOf(note)) {
        display->SetTimeDirty(1);
        display->SetValueDirty(1);
    }
    AddRectsToDirtyList(measures, 0);
    DirtyMeasuresForNotation(measures);
    AddEventWindow(track, start, end, measureStart, measureEnd, PAGENATE_MEASURES);

    // A note that arrives with grace notes wanting a slur to it (and none
    // yet) gets one, holding the note and every grace note of it.
    ECBase* grace = FirstGraceNote(note);
    auto* graceDisplay = grace ? dynamic_cast<DCctGraceNote*>(NotationDisplayOf(grace)) : nullptr;
    if (graceDisplay && graceDisplay->GetSlur() == 1 && !grace->GetAncestor(ET_SLUR, -1))
        if (ECTrack* staff = conductor->GetTrack(TRACK_STAFF, TrackOf(note), 0))
            MakeGraceSlur(note, staff, grace->GetTime(), nullptr);
    return 0;
}

int CAutoNote::RecordNote(CCBase* command, ECBase* element, ECBase*) {
    auto* note = dynamic_cast<ECNote*>(element);
    ECConductor* conductor = GetConductor();
    if (!command || !note || !conductor)
        return 0;
    m_multivoice.SetInput(kMergeInput);
    m_multivoice.SetVoice(ANMultivoice::VOICE_KEEP);
    m_multivoice.SetSplit(m_splitPitch);

    MCTime start;
    MCTime end;
    GetNoteRange(note, start, end);
    if (start == end)
        return 0;   // a note still held: its length comes with its release
    const int track = TrackOf(note);
    MCEventList measures;
    GatherMeasures(conductor, track, start, end, measures);
    if (measures.IsEmpty())
        return 0;
    MCTime measureStart;
    MCTime measureEnd;
    GetRangeForMeasures(conductor, measures, measureStart, measureEnd);

    // Recorded notes come in time order, many to a measure: the window of
    // the staff is cleared once, when the first of them arrives there.
    CNotateInfo::StaffInfo* entry = nullptr;
    for (CNotateInfo::StaffInfo& candidate : m_notateInfo.GetRecordTracks())
        if (candidate.track == track) {
            entry = &candidate;
            break;
        }
    const bool cleared = entry && entry->timeStart == measureStart;
    if (entry)
        entry->timeStart = measureStart;
    else
        m_notateInfo.AddRecordTrack(track, measureStart);

    if (!cleared) {
        MCTime from = measureStart;
        MCTime to = measureEnd;
        if (ClearTiesInRange(command, measures, from, to, VOICE_ALL) == 1 &&
            (from != measureStart || to != measureEnd)) {
            GatherMeasures(conductor, track, from, to, measures);
            if (!measures.IsEmpty())
                GetRangeForMeasures(conductor, measures, measureStart, measureEnd);
        }
        ACSetDirty dirty(3);
        dirty.SetTimeRange(from, to);
        MarkValueAndTime(dirty);
        dirty.AddDirtyKind(DCctBase::DIRTY_REST);
        dirty.Apply(measures, 1);
        ClearEventsInRange(command, measures, from, to, ET_CHORD, VOICE_ALL);
        ClearEventsInRange(command, measures, from, to, ET_DOT, VOICE_ALL);
        // While recording the passes make no tuplets or rests: the ones
        // notated before the recording would stand in the way.
        ClearEvents(command, measures, ET_TUPLET, VOICE_ALL);
        ClearEvents(command, measures, ET_REST, VOICE_ALL);
        AddRectsToDirtyList(measures, 0);
    }

    if (DCctBase* display = NotationDisplayOf(note)) {
        display->SetTimeDirty(1);
        display->SetValueDirty(1);
    }
    DirtyMeasuresForNotation(measures);
    AddEventWindow(track, start, end, measureStart, measureEnd, PAGENATE_MEASURES);
    return 0;
}

int CAutoNote::AddNote(CCBase* command, ECBase* element, ECBase*) {
    auto* note = dynamic_cast<ECNote*>(element);
    ECConductor* conductor = GetConductor();
    if (!command || !note || !conductor)
        return 0;
    m_multivoice.SetVoice(ANMultivoice::VOICE_KEEP);
    m_multivoice.SetSplit(ANMultivoice::NO_SPLIT);

    MCTime start;
    MCTime end;
    GetNoteRange(note, start, end);
    const int track = TrackOf(note);
    MCEventList measures;
    GatherMeasures(conductor, track, start, end, measures);
    if (measures.IsEmpty())
        return 0;
    MCTime measureStart;
    MCTime measureEnd;
    GetRangeForMeasures(conductor, measures, measureStart, measureEnd);

    // The tuplet fills its span with its own members and rests.
    ClearEvents(command, measures, ET_REST, VOICE_ALL);
    MCEventList* children = note->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        if (child->GetClassType() != ET_ACCIDENTAL)
            continue;
        if (auto* display = dynamic_cast<DCctAccidental*>(NotationDisplayOf(child)))
            display->SetUserSpelled(1);
        break;
    }
    AddRectsToDirtyList(measures, 0);
    DirtyMeasuresForNotation(measures);
    AddEventWindow(track, start, end, measureStart, measureEnd, PAGENATE_MEASURES);
    return 0;
}

int CAutoNote::RemoveNote(CCBase* command, ECBase* element, ECBase*) {
    auto* note = dynamic_cast<ECNote*>(element);
    ECConductor* conductor = GetConductor();
    if (!command || !note || !conductor)
        return 0;
    // Value- and time-dirty: an earlier element of the batch already made
    // this note's surroundings over.
    DCctBase* noteDisplay = NotationDisplayOf(note);
    if (noteDisplay && noteDisplay->ValueDirty() && noteDisplay->TimeDirty())
        return 0;
    m_multivoice.SetVoice(ANMultivoice::VOICE_KEEP);
    m_multivoice.SetSplit(ANMultivoice::NO_SPLIT);

    const unsigned voice = VoiceOf(note);
    const int track = TrackOf(note);
    MCTime start;
    MCTime end;
    GetNoteRange(note, start, end);
    // As in MergeNote: dots go only where notes are valued again.
    MCTime ownStart = start;
    MCTime ownEnd = end;
    MCEventList measures;
    GatherMeasures(conductor, track, start, end, measures);
    if (ClearTies(command, note, start, end, voice) == 1)
        GatherMeasures(conductor, track, start, end, measures);
    if (ClearTiesInRange(command, measures, start, end, voice) == 1)
        GatherMeasures(conductor, track, start, end, measures);
    if (EditNotesThatIntersect(command, note, measures, start, end, voice) == 1)
        GatherMeasures(conductor, track, start, end, measures);
    if (measures.IsEmpty())
        return 0;
    MCTime measureStart;
    MCTime measureEnd;
    GetRangeForMeasures(conductor, measures, measureStart, measureEnd);

    ClearEventsInRange(command, measures, start, end, ET_CHORD, voice);
    ClearEventsInRange(command, measures, ownStart, ownEnd, ET_DOT, voice);
    ClearBeamsInRange(command, measures, start, end, voice);
    // The voice's rests are made again around the gap the note leaves.
    ClearEvents(command, measures, ET_REST, voice);

    DirtySpellingInRange(measures, start, measureEnd, voice);
    AddRectsToDirtyList(measures, 0);
    DirtyMeasuresForNotation(measures);
    if (noteDisplay) {
        noteDisplay->SetValueDirty(1);
        noteDisplay->SetTimeDirty(1);
    }
    AddEventWindow(track, start, end, measureStart, measureEnd, PAGENATE_MEASURES);
    return 0;
}

int CAutoNote::IsMergeAdd(CCAdd* command) {
    if (!command)
        return 0;
    MCAddItemList* items = command->GetAddList();
    for (POSITION pos = items->GetHeadPosition(); pos;) {
        CCAddItem* item = items->GetNext(pos);
        ECBase* added = item->GetChild();
        ECBase* parent = item->GetParent();
        if (!added || !parent || added->GetClassType() != ET_NOTE)
            continue;
        MCEventList* children = parent->GetChildren();
        for (POSITION at = children ? children->GetHeadPosition() : nullptr; at;) {
            ECBase* child = children->GetNext(at);
            const int type = child->GetClassType();
            if (type != ET_NOTE && type != ET_CHORD && type != ET_TUPLET)
                continue;
            if (child != added)
                return 1;
            break;
        }
    }
    return 0;
}

int CAutoNote::AddNoteModifier(CCBase*, ECBase* element, ECBase* parent) {
    if (!element)
        return 0;
    if (parent && parent->GetClassType() == ET_GRACENOTE)
        if (DCctBase* display = NotationDisplayOf(element))
            display->SetGrace(1);
    // A modifier changes neither the notation nor the layout. It asks for no
    // renotation, but neither does it take back what another element of the
    // batch asked for: a note added with its accent is still notated.
    return 0;
}
