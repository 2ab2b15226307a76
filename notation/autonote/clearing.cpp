// The clearing operations: derived notation discarded through the command.
#include "notation/autonote/clearing.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "model/command.h"
#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/groupmarks.h"
#include "model/lists.h"
#include "model/notes.h"
#include "model/time.h"
#include "notation/autonote/autonote.h"
#include "notation/autonote/buildrulers.h"
#include "notation/autonote/findties.h"
#include "notation/autonote/notatelinks.h"
#include "notation/autonote/timerange.h"
#include "notation/display/base.h"
#include "notation/display/beam.h"
#include "notation/display/note.h"
#include "notation/tools/tie.h"

namespace {

constexpr int kTicksPerQuarter = 256;

// Withdraws the element alone from its measure's ruler and discards it.
void ClearOne(CCBase* command, ACBuildRulers& rulers, ECBase* element) {
    rulers.Apply(element);
    rulers.Reset();
    command->Discard(element);
}

// The ruler action that withdraws exactly the element it is given.
void SetUpWithdrawal(ACBuildRulers& rulers) {
    rulers.SetRemove(1);
    rulers.SetDepth(0);
}

// A cleared chord gave its notes their places beside each other; on their
// own they go back to the plain place, and their accidentals, which the
// user may have moved to clear the chord's other heads, to theirs.
void ReleaseChordNotes(ECBase* chord) {
    MCEventList* children = chord->GetChildren();
    if (!children)
        return;
    for (POSITION pos = children->GetHeadPosition(); pos != nullptr;) {
        ECBase* note = children->GetNext(pos);
        if (note->GetClassType() != ET_NOTE)
            continue;
        if (auto* display = dynamic_cast<DCctNote*>(note->GetData(DK_NOTATION, 0)))
            display->SetNoteheadPosition(0);
        MCEventList* marks = note->GetChildren();
        if (!marks)
            continue;
        for (POSITION at = marks->GetHeadPosition(); at != nullptr;) {
            ECBase* mark = marks->GetNext(at);
            if (mark->GetClassType() != ET_ACCIDENTAL)
                continue;
            if (DCctBase* display = NotationDisplayOf(mark))
                display->SetOffset(0, 0);
        }
    }
}

}  // namespace

bool PassesVoiceFilter(ECBase* element, unsigned voice) {
    if (voice == VOICE_ALL)
        return true;
    MCVoiceTrack* word = element->GetVoiceTrack();
    if (!word) {
        MCEventList* parents = element->GetParents();
        ECBase* parent = parents && !parents->IsEmpty() ? parents->GetHead() : nullptr;
        word = parent ? parent->GetVoiceTrack() : nullptr;
    }
    return word && static_cast<unsigned>(word->GetVoice()) == voice;
}

namespace {

// Withdraws and discards each found element that passes the voice filter;
// a chord also lets its notes go.
void ClearFound(CCBase* command, MCEventList& found, int type, unsigned voice) {
    std::vector<ECBase*> cleared;
    for (POSITION pos = found.GetHeadPosition(); pos != nullptr;)
        cleared.push_back(found.GetNext(pos));
    ACBuildRulers rulers;
    SetUpWithdrawal(rulers);
    for (ECBase* element : cleared) {
        if (!PassesVoiceFilter(element, voice))
            continue;
        ClearOne(command, rulers, element);
        if (type == ET_CHORD)
            ReleaseChordNotes(element);
    }
}

}  // namespace

int ClearEvents(CCBase* command, MCEventList& events, int type, unsigned voice) {
    if (!command)
        return 1;
    ACFindEvents find;
    find.AddEvtType(type);
    find.Apply(events, 1);
    ClearFound(command, find.GetEvents(), type, voice);
    return 1;
}

int ClearEvents(CCBase* command, ECBase* element, int type, unsigned voice) {
    if (!command || !element)
        return 1;
    ACFindEvents find;
    find.AddEvtType(type);
    find.Apply(element);
    ClearFound(command, find.GetEvents(), type, voice);
    return 1;
}

int ClearEventsInRange(CCBase* command, ECBase* element, MCTime& start, MCTime& end, int type, unsigned voice) {
    if (!element)
        return 0;
    MCEventList one;
    one.AddTail(element);
    return ClearEventsInRange(command, one, start, end, type, voice, 0);
}

int ClearEventsInRange(CCBase* command, MCEventList& measures, MCTime& start, MCTime& end, int type,
                       unsigned voice, int thresholdTicks) {
    if (measures.IsEmpty() || !command)
        return 0;

    // A note a hair before its measure's first beat still belongs to it.
    MCTime from = start;
    ECBase* first = measures.GetHead();
    if (first->GetClassType() == ET_MEASURE && first->GetTime() && *first->GetTime() == start) {
        MCTime threshold;
        threshold.SetTicks(thresholdTicks, kTicksPerQuarter);
        from = start - threshold;
    }

    const bool underNotes = type == ET_DOT || type == ET_ACCENT || type == ET_ACCIDENTAL;
    ACFindTime inRange(from, end, 3);
    inRange.AddEvtType(underNotes ? ET_NOTE : type);
    inRange.Apply(measures, 0);
    if (!underNotes) {
        ClearFound(command, inRange.GetEvents(), type, voice);
        return 1;
    }
    // Dots, accents and accidentals have no time of their own: their notes
    // say where they are.
    ACFindEvents marks;
    marks.AddEvtType(type);
    marks.Apply(inRange.GetEvents(), 1);
    ClearFound(command, marks.GetEvents(), type, voice);
    return 1;
}

namespace {

// The element's first parent of the type, or null.
ECBase* ParentOfType(ECBase* element, int type) {
    MCEventList* parents = element->GetParents();
    for (POSITION pos = parents ? parents->GetHeadPosition() : nullptr; pos != nullptr;) {
        ECBase* parent = parents->GetNext(pos);
        if (parent->GetClassType() == type)
            return parent;
    }
    return nullptr;
}

// The chord the note stands in, or null.
ECBase* ChordOf(ECBase* note) {
    return ParentOfType(note, ET_CHORD);
}

// What ClearTiesInRange does with the chains the collector gathered.
int ClearGatheredTies(CCBase* command, ACFindTiesInRange& collector, MCTime& start, MCTime& end,
                      unsigned voice) {
    MCEventList& found = collector.GetEvents();
    if (found.IsEmpty())
        return 0;
    ACSetDirty dirty(2);
    dirty.AddDirtyKind(DCctBase::DIRTY_VALUE);
    dirty.AddDirtyKind(DCctBase::DIRTY_TIME);
    ACBuildRulers rulers;
    SetUpWithdrawal(rulers);

    CTie ties;
    // An element may be gathered twice; a staff's whole run of tie chains
    // may be gathered at once (a meter change re-barring the piece).
    std::unordered_set<ECBase*> done;
    std::vector<ECBase*> gathered;
    for (POSITION pos = found.GetHeadPosition(); pos != nullptr;)
        gathered.push_back(found.GetNext(pos));
    for (ECBase* element : gathered) {
        if (!done.insert(element).second)
            continue;
        // A continuation goes with the tie into it even when it is marked
        // for the value pass already (a measure marked whole for every pass
        // marks it too): left without its tie it would stand as a note
        // nobody plays.
        const bool isNote = element->GetClassType() == ET_NOTE;
        if (!PassesVoiceFilter(element, voice))
            continue;
        ECNote* head = isNote ? ties.GetHeadOfTie(static_cast<ECNote*>(element))
                              : ties.GetHeadOfTie(static_cast<ECTie*>(element));
        ClearOne(command, rulers, element);
        // The beam a continuation (or its chord) stood in would keep the
        // notes beside it under a beam of one: it goes, and the beam pass
        // groups them afresh.
        if (isNote) {
            ECBase* chord = ChordOf(element);
            ECBase* beam = ParentOfType(chord ? chord : element, ET_BEAM);
            if (beam && done.insert(beam).second)
                ClearOne(command, rulers, beam);
        }
        if (head) {
            // A head standing in a chord is placed and valued with its
            // chord: the chord is marked, and everything under it.
            ECBase* chord = ChordOf(head);
            dirty.Apply(chord ? chord : head);
            dirty.Reset();
            // Valued again from its played length, it may be tied on past
            // where its chain ended (that was cut at a note the edit moves
            // away): the range reaches where it stops sounding.
            MCTime playedStart;
            MCTime playedEnd;
            CAutoNote::GetNoteRange(head, playedStart, playedEnd);
            if (playedEnd > end)
                end = playedEnd;
        }
    }

    MCTime chainStart;
    MCTime chainEnd;
    collector.GetTieRange(chainStart, chainEnd);
    if (chainStart < start)
        start = chainStart;
    if (chainEnd > end)
        end = chainEnd;
    return 1;
}

ECNote* AsNote(ECBase* event) {
    return dynamic_cast<ECNote*>(event);
}

// [s, e) against (a, b), a null bound leaving its side open. A null start
// (before every time) is open already; a null end is made the latest time.
bool Overlaps(const MCTime& s, const MCTime& e, const MCTime& a, const MCTime& bound) {
    const MCTime& b = bound == MCTime::TimeNull() ? MCTime::TimeMax() : bound;
    const bool before = a <= s && b <= s;
    const bool after = a >= e && b >= e;
    return !before && !after;
}

// The span of a rest or beam standing in `measure`, 256 ticks a quarter;
// false when it has no notated data.
bool SpanOf(ECBase* measure, ECBase* element, MCTime& s, MCTime& e) {
    int first = -1;
    int last = -1;
    if (element->GetClassType() == ET_BEAM) {
        auto* beam = dynamic_cast<DCctBeam*>(NotationDisplayOf(element));
        if (!beam)
            return false;
        WORD from = 0;
        WORD to = 0;
        beam->GetTickRange(&from, &to);
        first = from;
        last = to;
    } else {
        DCBase* display = GetNotateData(element);
        first = NotateTickStart(display, 1);
        const int length = NotateTickDuration(display, 1);
        if (first < 0 || length < 0)
            return false;
        last = first + length;
    }
    s = *measure->GetTime();
    e = s;
    s.AddTicks(first, kTicksPerQuarter);
    e.AddTicks(last, kTicksPerQuarter);
    return true;
}

// Discards the rests or beams (`type`) standing directly in the measures that
// overlap the range as passed in, and widens it over each.
int ClearSpansInRange(CCBase* command, MCEventList& measures, MCTime& start, MCTime& end, int type,
                      unsigned voice) {
    if (!command)
        return 0;
    const MCTime from = start;
    const MCTime to = end;
    std::vector<std::pair<ECBase*, std::pair<MCTime, MCTime>>> overlapping;
    for (POSITION pos = measures.GetHeadPosition(); pos != nullptr;) {
        ECBase* measure = measures.GetNext(pos);
        MCEventList* children = measure->GetClassType() == ET_MEASURE ? measure->GetChildren() : nullptr;
        if (!children || !measure->GetTime())
            continue;
        for (POSITION at = children->GetHeadPosition(); at != nullptr;) {
            ECBase* element = children->GetNext(at);
            MCTime s;
            MCTime e;
            if (element->GetClassType() != type || !PassesVoiceFilter(element, voice) ||
                !SpanOf(measure, element, s, e) || !Overlaps(s, e, from, to))
                continue;
            overlapping.push_back({element, {s, e}});
        }
    }

    ACBuildRulers rulers;
    SetUpWithdrawal(rulers);
    for (auto& [element, span] : overlapping) {
        if (type == ET_BEAM) {
            // The notes under the beam are grouped afresh.
            ACSetDirty dirty(1);
            dirty.AddDirtyKind(DCctBase::DIRTY_VALUE);
            dirty.ClipNone();
            dirty.Apply(element);
        }
        ClearOne(command, rulers, element);
        if (start == MCTime::TimeNull() || start > span.first)
            start = span.first;
        if (end == MCTime::TimeNull() || end < span.second)
            end = span.second;
    }
    return overlapping.empty() ? 0 : 1;
}

}  // namespace

int ClearTiesInRange(CCBase* command, MCEventList& measures, MCTime& start, MCTime& end, unsigned voice) {
    if (!command)
        return 0;
    ACFindTiesInRange collector(start, end);
    collector.Apply(measures, 0);
    return ClearGatheredTies(command, collector, start, end, voice);
}

int ClearTiesInRange(CCBase* command, ECBase* element, MCTime& start, MCTime& end, unsigned voice) {
    if (!command || !element)
        return 0;
    ACFindTiesInRange collector(start, end);
    collector.Apply(element);
    return ClearGatheredTies(command, collector, start, end, voice);
}

void ClearTieChainsAcross(CCBase* command, ECConductor* conductor, int track, MCTime& lo, MCTime& hi,
                          MCEventList& measures) {
    for (int count = -1;;) {
        conductor->GetMeasures(track, lo, hi, measures);
        if (measures.IsEmpty() || measures.GetCount() == count)
            return;   // no chain reaches past the measures any more
        count = measures.GetCount();
        // The measures whole: every note in them is tied again.
        MCTime spanStart;
        MCTime spanEnd;
        CAutoNote::GetRangeForMeasures(conductor, measures, spanStart, spanEnd);
        spanEnd.AddTicks(-1, MCTime::GlobalPPQ);
        MCTime tieStart = spanStart;
        MCTime tieEnd = spanEnd;
        if (ClearTiesInRange(command, measures, tieStart, tieEnd, VOICE_ALL) != 1)
            return;
        // Only what the chains reach beyond the measures widens the window.
        if (tieStart < spanStart)
            lo = std::min(lo, tieStart);
        if (tieEnd > spanEnd)
            hi = std::max(hi, tieEnd);
    }
}

int ClearTies(CCBase* command, ECBase* note, MCTime& start, MCTime& end, unsigned voice) {
    if (!note)
        return 0;
    ECBase* chord = ChordOf(note);
    if (!chord)
        return _ClearTies(command, note, start, end, voice);
    // A chord handled earlier in this batch is renotated whole anyway.
    DCctBase* display = NotationDisplayOf(chord);
    if (display && display->ValueDirty())
        return 0;
    std::vector<ECBase*> notes;
    MCEventList* children = chord->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos != nullptr;) {
        ECBase* child = children->GetNext(pos);
        if (AsNote(child))
            notes.push_back(child);
    }
    int result = 0;
    for (ECBase* member : notes)
        result = _ClearTies(command, member, start, end, voice);
    return result;
}

int _ClearTies(CCBase* command, ECBase* event, MCTime& start, MCTime& end, unsigned voice) {
    ECNote* note = AsNote(event);
    if (!command || !note || !PassesVoiceFilter(note, voice))
        return 0;
    CTie ties;
    if (!ties.FindTieParent(note, TIE_FORWARD) && !ties.FindTieParent(note, TIE_BACKWARD))
        return 0;
    MCTime chainStart = start;
    MCTime chainEnd = end;
    ties.GetTieRange(note, chainStart, chainEnd);
    if (chainStart < start)
        start = chainStart;
    if (chainEnd > end)
        end = chainEnd;

    ACBuildRulers rulers;
    SetUpWithdrawal(rulers);
    ECNote* current = ties.GetHeadOfTie(note);
    std::vector<ECNote*> visited{current};
    // A damaged chain that leads back to a note already met ends there.
    while (ECTie* tie = ties.FindTieParent(current, TIE_FORWARD)) {
        ECNote* next = ties.FindNoteChild(tie, TIE_FORWARD);
        ClearOne(command, rulers, tie);
        if (!next || std::find(visited.begin(), visited.end(), next) != visited.end())
            break;
        visited.push_back(next);
        ClearOne(command, rulers, next);
        current = next;
    }
    return 1;
}

int ClearRestsInRange(CCBase* command, MCEventList& measures, MCTime& start, MCTime& end, unsigned voice) {
    return ClearSpansInRange(command, measures, start, end, ET_REST, voice);
}

int ClearRestsInRange(CCBase* command, ECBase* measure, MCTime& start, MCTime& end, unsigned voice) {
    if (!measure)
        return 0;
    MCEventList one;
    one.AddTail(measure);
    return ClearSpansInRange(command, one, start, end, ET_REST, voice);
}

int ClearBeamsInRange(CCBase* command, MCEventList& measures, MCTime& start, MCTime& end, unsigned voice) {
    return ClearSpansInRange(command, measures, start, end, ET_BEAM, voice);
}

int ClearBeamsInRange(CCBase* command, ECBase* measure, MCTime& start, MCTime& end, unsigned voice) {
    if (!measure)
        return 0;
    MCEventList one;
    one.AddTail(measure);
    return ClearSpansInRange(command, one, start, end, ET_BEAM, voice);
}

int ClearSlursInRange(CCBase*, MCEventList&, MCTime&, MCTime&, unsigned) {
    return 0;
}

int ClearSlursInRange(CCBase*, ECBase*, MCTime&, MCTime&, unsigned) {
    return 0;
}

int DirtyEventsInRange(CCBase*, MCEventList&, MCTime&, MCTime&, int, unsigned) {
    return 1;
}

int DirtyStemsInRange(MCEventList&, MCTime&, MCTime&, unsigned) {
    return 1;
}

int CAutoNote::DirtySpellingInRange(MCEventList& measures, MCTime& start, MCTime& end, unsigned voice) {
    UnhideAccidentalsInRange(measures, start, end, voice);
    return 1;
}
