// The voice check of the notation fixture (voicecheck.h).
#include "tests/notation/support/voicecheck.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/notes.h"
#include "model/staff.h"
#include "notation/autonote/notatelinks.h"
#include "notation/display/base.h"
#include "notation/display/rest.h"

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

}  // namespace notation_check
