// The voice check of the notation fixture (voicecheck.h).
#include "tests/notation/support/voicecheck.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/notes.h"
#include "model/staff.h"
#include "notation/autonote/notatelinks.h"
#include "notation/display/base.h"
#include "notation/display/note.h"
#include "notation/display/rest.h"
#include "notation/tools/tie.h"
#include "sequencer/performer.h"

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <vector>

namespace notation_check {
namespace {

constexpr int NORMAL_SCALE = 0;   // the measure's plain division

struct Sounding {
    int start = 0;    // notated, ticks from the measure's start
    int length = 0;   // notated, plain division
};

void CollectNotes(ECBase* group, std::vector<ECNote*>& notes, std::set<ECBase*>& seen) {
    MCEventList* children = group->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        const int type = child->GetClassType();
        if (type == ET_NOTE && seen.insert(child).second)
            notes.push_back(static_cast<ECNote*>(child));
        else if ((type == ET_TUPLET || type == ET_CHORD) && seen.insert(child).second)
            CollectNotes(child, notes, seen);
    }
}

// The notes of one measure by voice.
std::map<int, std::vector<Sounding>> NotesByVoice(ECMeasure* measure) {
    std::map<int, std::vector<Sounding>> voices;
    for (ECNote* child : NotesIn(measure)) {
        DCBase* display = GetNotateData(child);
        const int start = NotateTickStart(display, NORMAL_SCALE);
        const int length = NotateTickDuration(display, NORMAL_SCALE);
        if (start < 0 || length <= 0)
            continue;
        MCVoiceTrack* word = child->GetVoiceTrack();
        const int voice = word ? word->GetVoice() : 0;
        voices[voice].push_back({start, length});
    }
    return voices;
}

// The staff measures of every staff, with the staff's and the bar's number.
template <class Visit>
void ForEachStaffMeasure(ECConductor* conductor, Visit visit) {
    const int staves = conductor->GetMaxTrackNumber(TRACK_STAFF);
    for (int number = 1; number <= staves; ++number) {
        ECBase* staff = conductor->GetTrack(TRACK_STAFF, number, 0);
        MCEventList* children = staff ? staff->GetChildren() : nullptr;
        for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
            ECBase* child = children->GetNext(pos);
            if (child->GetClassType() == ET_MEASURE && child->GetTime())
                visit(number, conductor->GetMeasureNumberAtTime(*child->GetTime()), child);
        }
    }
}

// Ticks (256 a quarter) from the start of the measure holding the element.
int TicksInMeasure(ECBase* element, ECBase* measure) {
    MCTime at = *element->GetTime();
    at -= *measure->GetTime();
    return at.GetTicks(256);
}

// What a note of a notated measure lacks, or empty.
std::string Lacking(ECNote* note) {
    auto* display = dynamic_cast<DCctNote*>(note->GetData(DK_NOTATION, 0));
    if (!display)
        return "no notation";
    std::string lacks;
    const auto add = [&lacks](const char* what) { lacks += lacks.empty() ? what : std::string(", ") + what; };
    if (display->TimeDirty())
        add("not placed");
    if (display->ValueDirty() || display->GetValueCode() >= DCctNotate::VALUE_NONE)
        add("no value");
    if (display->GetSpelling().IsDirty() || display->GetSpelling().GetMidiPitch() == 0)
        add("no pitch");
    CTie ties;
    if (!DCsqBase::GetPerformer(note, 0) && !ties.FindTieParent(note, TIE_BACKWARD))
        add("neither played nor tied into");
    return lacks;
}

bool Overlap(const Sounding& earlier, const Sounding& later) {
    if (earlier.start == later.start)
        return earlier.length != later.length;
    return later.start < earlier.start + earlier.length;
}

void Describe(std::ostream& out, const Sounding& note) {
    out << "(at " << note.start << ", length " << note.length << ")";
}

}  // namespace

std::vector<ECNote*> NotesIn(ECBase* measure) {
    std::vector<ECNote*> notes;
    std::set<ECBase*> seen;
    if (measure)
        CollectNotes(measure, notes, seen);
    return notes;
}

::testing::AssertionResult NoOverlapsInVoices(ECConductor* conductor) {
    if (!conductor)
        return ::testing::AssertionSuccess();
    std::ostringstream faults;
    const int staves = conductor->GetMaxTrackNumber(TRACK_STAFF);
    for (int number = 1; number <= staves; ++number) {
        ECBase* staff = conductor->GetTrack(TRACK_STAFF, number, 0);
        MCEventList* children = staff ? staff->GetChildren() : nullptr;
        for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
            ECBase* child = children->GetNext(pos);
            if (child->GetClassType() != ET_MEASURE)
                continue;
            const int bar = conductor->GetMeasureNumberAtTime(*child->GetTime());
            for (auto& [voice, notes] : NotesByVoice(static_cast<ECMeasure*>(child))) {
                std::stable_sort(notes.begin(), notes.end(),
                                 [](const Sounding& a, const Sounding& b) { return a.start < b.start; });
                for (size_t i = 0; i < notes.size(); ++i)
                    for (size_t j = i + 1; j < notes.size() && notes[j].start < notes[i].start + notes[i].length; ++j)
                        if (Overlap(notes[i], notes[j])) {
                            faults << "\n  staff " << number << " bar " << bar << " voice " << voice << ": ";
                            Describe(faults, notes[i]);
                            faults << " overlaps ";
                            Describe(faults, notes[j]);
                        }
            }
        }
    }
    const std::string text = faults.str();
    if (text.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "notes of one voice overlap:" << text;
}

::testing::AssertionResult VoicesFillTheirMeasures(ECConductor* conductor) {
    if (!conductor)
        return ::testing::AssertionSuccess();
    std::ostringstream faults;
    const int staves = conductor->GetMaxTrackNumber(TRACK_STAFF);
    for (int number = 1; number <= staves; ++number) {
        ECBase* staff = conductor->GetTrack(TRACK_STAFF, number, 0);
        MCEventList* measures = staff ? staff->GetChildren() : nullptr;
        for (POSITION pos = measures ? measures->GetHeadPosition() : nullptr; pos;) {
            ECBase* measure = measures->GetNext(pos);
            auto* display = measure->GetClassType() == ET_MEASURE
                                ? dynamic_cast<DCctBase*>(measure->GetData(DK_NOTATION, 0))
                                : nullptr;
            ECMeter* meter = display ? conductor->GetMeterAtTime(*measure->GetTime()) : nullptr;
            if (!meter || display->RestDirty())
                continue;   // not filled yet
            std::map<int, int> sums;
            std::map<int, std::vector<Sounding>> spans;
            std::vector<std::pair<int, Sounding>> shared;   // consolidated rests by voice
            MCEventList* children = measure->GetChildren();
            for (POSITION at = children ? children->GetHeadPosition() : nullptr; at;) {
                ECBase* child = children->GetNext(at);
                const int type = child->GetClassType();
                if (type != ET_NOTE && type != ET_REST && type != ET_CHORD && type != ET_TUPLET)
                    continue;
                DCBase* data = GetNotateData(child);
                const int length = NotateTickDuration(data, NORMAL_SCALE);
                if (length < 0)
                    continue;
                MCVoiceTrack* word = child->GetVoiceTrack();
                const int voice = word ? word->GetVoice() : 0;
                const Sounding span{NotateTickStart(data, NORMAL_SCALE), length};
                sums[voice] += length;
                spans[voice].push_back(span);
                auto* rest = dynamic_cast<DCctRest*>(data);
                if (rest && rest->GetConsolidated())
                    shared.emplace_back(voice, span);
            }
            // A rest shown once for several voices stands for each of them
            // where that voice has nothing of its own.
            for (auto& [voice, sum] : sums)
                for (const auto& [owner, rest] : shared) {
                    const auto& own = spans[voice];
                    const bool covered = std::any_of(own.begin(), own.end(), [&rest](const Sounding& s) {
                        return s.start < rest.start + rest.length && rest.start < s.start + s.length;
                    });
                    if (owner != voice && !covered)
                        sum += rest.length;
                }
            const int full = meter->GetTicksPerMeasure(256);
            for (const auto& [voice, sum] : sums)
                if (sum != full)
                    faults << "\n  staff " << number << " bar " << conductor->GetMeasureNumberAtTime(*measure->GetTime())
                           << " voice " << voice << ": " << sum << " of " << full;
        }
    }
    const std::string text = faults.str();
    if (text.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "voices that do not fill their measure:" << text;
}

::testing::AssertionResult NotesAreNotated(ECConductor* conductor) {
    if (!conductor)
        return ::testing::AssertionSuccess();
    std::ostringstream faults;
    ForEachStaffMeasure(conductor, [&](int staff, int bar, ECBase* measure) {
        auto* display = dynamic_cast<DCctBase*>(measure->GetData(DK_NOTATION, 0));
        if (!display || display->RestDirty())
            return;   // not notated yet (or while recording, not valued)
        for (ECNote* note : NotesIn(measure)) {
            const std::string lacks = Lacking(note);
            if (!lacks.empty())
                faults << "\n  staff " << staff << " bar " << bar << ": note at " << TicksInMeasure(note, measure)
                       << ": " << lacks;
        }
    });
    const std::string text = faults.str();
    if (text.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "notes left unnotated:" << text;
}

::testing::AssertionResult TiesJoinNeighbours(ECConductor* conductor) {
    if (!conductor)
        return ::testing::AssertionSuccess();
    std::ostringstream faults;
    const int staves = conductor->GetMaxTrackNumber(TRACK_STAFF);
    for (int number = 1; number <= staves; ++number) {
        ECBase* staff = conductor->GetTrack(TRACK_STAFF, number, 0);
        if (!staff)
            continue;
        // Under the staff, or under a tuplet both notes stand in.
        ACFindEvents find;
        find.AddEvtType(ET_TIE);
        find.Apply(staff);
        MCEventList& found = find.GetEvents();
        for (POSITION pos = found.GetHeadPosition(); pos;) {
            auto* tie = static_cast<ECTie*>(found.GetNext(pos));
            CTie ties;
            ECNote* earlier = ties.FindNoteChild(tie, TIE_BACKWARD);
            ECNote* later = ties.FindNoteChild(tie, TIE_FORWARD);
            ECBase* measure = earlier ? earlier->GetAncestor(ET_MEASURE, -1) : nullptr;
            const int bar = measure ? conductor->GetMeasureNumberAtTime(*measure->GetTime()) : 0;
            if (!earlier || !later || earlier == later || !measure) {
                faults << "\n  staff " << number << " bar " << bar << ": a tie without two notes";
                continue;
            }
            auto* first = dynamic_cast<DCctNote*>(earlier->GetData(DK_NOTATION, 0));
            auto* second = dynamic_cast<DCctNote*>(later->GetData(DK_NOTATION, 0));
            if (!first || !second)
                continue;   // not notated: NotesAreNotated names it
            // Where the notation puts them: a note's own time is where it
            // was played, its notated start where time correction put it.
            ECBase* laterMeasure = later->GetAncestor(ET_MEASURE, -1);
            if (!laterMeasure)
                continue;
            MCTime end = *measure->GetTime();
            end.AddTicks(NotateTickStart(first, NORMAL_SCALE) + NotateTickDuration(first, NORMAL_SCALE), 256);
            MCTime gap = *laterMeasure->GetTime();
            gap.AddTicks(NotateTickStart(second, NORMAL_SCALE), 256);
            gap -= end;
            const bool samePitch = first->GetSpelling().GetMidiPitch() == second->GetSpelling().GetMidiPitch();
            if (gap.GetTicks(256) != 0 || !samePitch)
                faults << "\n  staff " << number << " bar " << bar << ": tie from the note at "
                       << NotateTickStart(first, NORMAL_SCALE) << " (length " << NotateTickDuration(first, NORMAL_SCALE)
                       << ", key " << int(first->GetSpelling().GetMidiPitch()) << ") to one "
                       << gap.GetTicks(256) << " ticks after its end (key "
                       << int(second->GetSpelling().GetMidiPitch()) << ")";
        }
    }
    const std::string text = faults.str();
    if (text.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "ties that do not join neighbours:" << text;
}

}  // namespace notation_check
