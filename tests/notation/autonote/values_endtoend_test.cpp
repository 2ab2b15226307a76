// Time correction, voices and note values end to end: MIDI files read and
// notated as the view notates them when it is given the performance, then
// read back as notated values, ties and onsets.
//   - Three bars played exactly (the golden "values-in-three-bars") and
//     played loosely (onsets early or late, notes released early) notate
//     alike.
//   - Under a 66 % gate on note durations, notes played two thirds long or
//     held full length read back as the values meant, also before a rest.
//   - Seeded random melodies in 2/4, 3/4, 4/4 and 6/8, played exactly and
//     loosely, come back with every onset and every tied length as written;
//     with the tuplet search on, melodies with triplet groups played
//     exactly come back too.
#include "model/conductor.h"
#include "model/groupmarks.h"
#include "model/eventtypes.h"
#include "model/measure.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "model/staff.h"
#include "notation/autonote/notatelinks.h"
#include "notation/display/notate.h"
#include "notation/tools/tie.h"
#include "tests/notation/autonote/values_support.h"
#include "tests/notation/support/durationgate.h"
#include "tests/notation/support/golden.h"
#include "tests/notation/support/melody.h"
#include "tests/notation/support/notatedvalues.h"
#include "tests/notation/support/notationpreference.h"
#include "tests/notation/support/notation_fixture.h"
#include "tests/notation/support/voicecheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <ostream>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using notation_test::Meter;
using notation_test::PlayedNote;
using notation_test::ValuesOf;

constexpr int TICKS = 256;     // the dump's and the notation's ticks a quarter
constexpr int LOOSE = 10;      // the most a loose onset is off, in file ticks
constexpr int RELEASED = 10;   // how much earlier a loose note is released
constexpr int MELODY_STAFF = 1;

// The dump without the notes' onsets, which keep the played time.
std::string WithoutOnsets(const std::string& dump) {
    static const std::regex kAt(R"(at=-?\d+ )");
    return std::regex_replace(dump, kAt, "");
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The table's notes, each onset after the first moved by its offset and
// each note released `RELEASED` ticks early.
std::vector<PlayedNote> Loosely(std::vector<PlayedNote> notes, const std::vector<int>& offsets) {
    for (size_t i = 0; i < notes.size(); ++i) {
        if (i > 0 && i - 1 < offsets.size())
            notes[i].start += offsets[i - 1];
        notes[i].length -= RELEASED;
    }
    return notes;
}

// ---- three bars played loosely ---------------------------------------------

constexpr const char* kThreeBars = "values-in-three-bars";
constexpr const char* kThreeBarsValues = "q e e h | q. e h~ | q h.";

struct LooseCase {
    const char* name;
    std::vector<int> offsets;   // for the onsets after the first, in file ticks
};
void PrintTo(const LooseCase& c, std::ostream* os) {
    *os << c.name;
}

const LooseCase kLooseCases[] = {
    // G4 10 ticks early lands in bar 1 and is moved into bar 2.
    {"mixed", {LOOSE, -LOOSE, 7, -LOOSE, LOOSE, -9, LOOSE}},
    {"all early", std::vector<int>(7, -LOOSE)},
    {"all late", std::vector<int>(7, LOOSE)},
};

class LooselyPlayedTest : public notation_test::NotationFixture, public ::testing::WithParamInterface<LooseCase> {};

TEST_P(LooselyPlayedTest, NotatesAsPlayedExactly) {
    const std::vector<PlayedNote> played = Loosely(values_test::ThreeBarsPlayed(), GetParam().offsets);
    ASSERT_EQ(LoadMidi(values_test::ThreeBarsFile(played)), 1);
    const std::string dump = Dump();
    EXPECT_EQ(ValuesOf(dump, MELODY_STAFF), kThreeBarsValues) << dump;
    const std::string exact = ReadText(notation_golden::DataPath(std::string(kThreeBars) + ".txt"));
    ASSERT_FALSE(exact.empty()) << "no golden " << kThreeBars;
    EXPECT_EQ(WithoutOnsets(dump), WithoutOnsets(exact));
}

INSTANTIATE_TEST_SUITE_P(ThreeBars, LooselyPlayedTest, ::testing::ValuesIn(kLooseCases), [](const auto& info) {
    std::string name = info.param.name;
    for (char& ch : name)
        if (ch == ' ')
            ch = '_';
    return name;
});

// ---- a gate on note durations ----------------------------------------------

constexpr int GATE_PERCENT = 66;

struct GateCase {
    const char* name;
    std::vector<int> beats;   // a quarter on each of these beats of 4/4, from 0
    int held;                 // how long each is held, in file ticks
    const char* values;
};
void PrintTo(const GateCase& c, std::ostream* os) {
    *os << c.name;
}

const GateCase kGateCases[] = {
    // 317 ticks read back as 317 * 100 / 66 = 480: a quarter.
    {"quarters held two thirds long", {0, 1, 2, 3}, 317, "q q q q"},
    // Held longer than the gate, a note reads back to the end of its
    // quarter and no further, with or without a note after it.
    {"quarters held full length", {0, 1, 2, 3, 4, 5, 6, 7}, values_test::Q, "q q q q | q q q q"},
    {"quarters held full length before a silent beat", {0, 1, 2, 4, 5, 6, 7}, values_test::Q,
     "q q q | q q q q"},
    {"quarters held nearly full length before a silent beat", {0, 1, 2}, values_test::Q - 10, "q q q"},
};

class GatedDurationTest : public notation_test::NotationFixture, public ::testing::WithParamInterface<GateCase> {};

TEST_P(GatedDurationTest, PlayedLengthsReadBackThroughTheGate) {
    const GateCase& c = GetParam();
    notation_test::DurationGate gate(GATE_PERCENT);
    std::vector<PlayedNote> played;
    for (const int beat : c.beats)
        played.push_back({60 + beat, beat * values_test::Q, c.held});
    ASSERT_EQ(LoadMidi(values_test::ThreeBarsFile(played)), 1);
    const std::string dump = Dump();
    EXPECT_EQ(ValuesOf(dump, MELODY_STAFF), c.values) << dump;
}

INSTANTIATE_TEST_SUITE_P(Gate66, GatedDurationTest, ::testing::ValuesIn(kGateCases), [](const auto& info) {
    std::string name = info.param.name;
    for (char& ch : name)
        if (ch == ' ')
            ch = '_';
    return name;
});

// The gate's arithmetic itself, at 480 a quarter and 66 %.
TEST(DurationGate, ShortensTheLastQuarterAndReadsBackByTruncation) {
    ASSERT_EQ(MCTime::GlobalPPQ, values_test::DIVISION);
    notation_test::DurationGate gate(GATE_PERCENT);
    const struct {
        int ticks;
        int inverse;
        int expected;
    } cases[] = {
        {960, 0, 796},   // a half: the last whole quarter shortened
        {720, 0, 638},   // a dotted quarter: only the partial quarter
        {796, 1, 958},   // read back, truncated: not quite a half
        {317, 1, 480},   // two thirds of a quarter reads as one
        {480, 1, 480},   // a quarter held full length: a quarter
    };
    for (const auto& c : cases) {
        MCTime duration;
        duration.SetTicks(c.ticks, values_test::DIVISION);
        EXPECT_EQ(ECNote::ScaleDuration(&duration, c.inverse).GetTicks(values_test::DIVISION), c.expected)
            << c.ticks << (c.inverse ? " read back" : " played");
    }
}

// ---- generated round trips -------------------------------------------------

// Round trips count in thirds of a notation tick (768 a quarter), where a
// triplet eighth is a whole number too.
constexpr int THIRDS = 3;

// A note as notated: onset from the piece's start and its whole tied length,
// in thirds of notation ticks.
struct Sounded {
    int onset = 0;
    int length = 0;
    bool operator==(const Sounded& other) const { return onset == other.onset && length == other.length; }
};
void PrintTo(const Sounded& s, std::ostream* os) {
    *os << "(" << s.onset << ", " << s.length << ")";
}

// The notated length of a note: its value and dots (the type of its first
// dot child is the number of dots).
int NotatedTicks(ECNote* note, DCctNotate* display) {
    int ticks = DCctNotate::ValueToTicks(display->GetValueCode());
    MCEventList* children = note->GetChildren();
    const POSITION pos = children ? children->FindEvent(ET_DOT) : nullptr;
    const int dots = pos ? static_cast<ECDot*>(children->GetAt(pos))->GetDotType() : 0;
    int add = ticks;
    for (int i = 0; i < dots; ++i) {
        add /= 2;
        ticks += add;
    }
    return ticks;
}

// A staff's notes as notated, in order: the notated start (the measure's
// start and the note's tick start there) and length, and the ties each
// note belongs to.
struct NotatedNote {
    ECNote* note = nullptr;
    int start = 0;
    int length = 0;
};

ECTuplet* TupletOf(ECBase* note) {
    MCEventList* parents = note->GetParents();
    for (POSITION pos = parents ? parents->GetHeadPosition() : nullptr; pos;) {
        ECBase* parent = parents->GetNext(pos);
        if (parent->GetClassType() == ET_TUPLET)
            return static_cast<ECTuplet*>(parent);
    }
    return nullptr;
}

// A note of a tuplet counts in its tuplet's own division: its own ticks
// times normal / irregular are the measure's.
std::vector<NotatedNote> NotesOfStaff(ECConductor* conductor, int staffNumber) {
    constexpr int NORMAL_SCALE = 0;
    constexpr int OWN_SCALE = 1;
    std::vector<NotatedNote> notes;
    ECBase* staff = conductor ? conductor->GetTrack(TRACK_STAFF, staffNumber, 0) : nullptr;
    MCEventList* measures = staff ? staff->GetChildren() : nullptr;
    for (POSITION pos = measures ? measures->GetHeadPosition() : nullptr; pos;) {
        ECBase* measure = measures->GetNext(pos);
        if (measure->GetClassType() != ET_MEASURE)
            continue;
        const int measureStart = measure->GetTime()->GetTicks(TICKS) * THIRDS;
        for (ECNote* note : notation_check::NotesIn(measure)) {
            auto* display = dynamic_cast<DCctNotate*>(GetNotateData(note));
            if (!display) {
                ADD_FAILURE() << "a note at " << note->GetTime()->GetTicks(TICKS) << " was not notated";
                continue;
            }
            const int length = NotatedTicks(note, display) * THIRDS;
            if (const ECTuplet* tuplet = TupletOf(note)) {
                const int normal = tuplet->GetNormal(), irregular = tuplet->GetIrregular();
                const int start = NotateTickStart(display, OWN_SCALE) * THIRDS;
                notes.push_back({note, measureStart + start * normal / irregular, length * normal / irregular});
            } else {
                notes.push_back({note, measureStart + NotateTickStart(display, NORMAL_SCALE) * THIRDS, length});
            }
        }
    }
    return notes;
}

std::vector<ECBase*> TiesOf(ECNote* note) {
    std::vector<ECBase*> ties;
    MCEventList* parents = note->GetParents();
    for (POSITION pos = parents ? parents->GetHeadPosition() : nullptr; pos;) {
        ECBase* parent = parents->GetNext(pos);
        if (parent->GetClassType() == ET_TIE)
            ties.push_back(parent);
    }
    return ties;
}

// The notes joined by ties, whatever shape the ties take: each group's
// first onset and the sum of its lengths.
std::vector<Sounded> TiedGroups(const std::vector<NotatedNote>& notes) {
    std::vector<Sounded> groups;
    std::map<ECBase*, size_t> groupOfTie;
    for (const NotatedNote& n : notes) {
        size_t group = groups.size();
        for (ECBase* tie : TiesOf(n.note))
            if (auto found = groupOfTie.find(tie); found != groupOfTie.end())
                group = std::min(group, found->second);
        if (group == groups.size())
            groups.push_back({n.start, 0});
        groups[group].length += n.length;
        for (ECBase* tie : TiesOf(n.note))
            groupOfTie.emplace(tie, group);
    }
    return groups;
}

// The notes read as the page reads them: a note with a tie onward joins the
// next note of the staff.
std::vector<Sounded> ReadInOrder(const std::vector<NotatedNote>& notes) {
    std::vector<Sounded> sounded;
    CTie ties;
    bool tiedOn = false;
    for (const NotatedNote& n : notes) {
        if (tiedOn && !sounded.empty())
            sounded.back().length += n.length;
        else
            sounded.push_back({n.start, n.length});
        tiedOn = ties.FindTieParent(n.note, TIE_FORWARD) != nullptr;
    }
    return sounded;
}

// "at 1216 (2 ties)" for each note that belongs to more than two ties or
// starts two: a tie chain is a line.
std::string BranchingTies(const std::vector<NotatedNote>& notes) {
    std::string text;
    for (const NotatedNote& n : notes) {
        int starts = 0;
        const std::vector<ECBase*> ties = TiesOf(n.note);
        for (ECBase* tie : ties) {
            MCEventList* members = tie->GetChildren();
            if (members && !members->IsEmpty() && members->GetHead() == n.note)
                ++starts;
        }
        if (starts > 1 || ties.size() > 2)
            text += " at " + std::to_string(n.start) + " (" + std::to_string(starts) + " ties start there)";
    }
    return text;
}

// The lengths a melody is made of, in notation ticks: sixteenth, eighth,
// quarter, dotted quarter, double-dotted quarter, half, dotted half.
constexpr int kLengths[] = {64, 128, 256, 384, 448, 512, 768};
constexpr int TRIPLET_EIGHTH = TICKS * THIRDS / 3;   // a third of a quarter
constexpr int TRIPLET_CHANCE = 3;   // one beat in about this many, where triplets may come
constexpr int BARS = 8;
constexpr int LOWEST_KEY = 60, HIGHEST_KEY = 76;

// Thirds of notation ticks in ticks of the file (480 a quarter).
int ToFileTicks(int thirds) {
    return thirds * values_test::DIVISION / (TICKS * THIRDS);
}

struct RoundTrip {
    const char* name;
    Meter meter;
    unsigned seed;
    bool loose;
    bool triplets;   // whole groups of three triplet eighths on quarter beats
};
void PrintTo(const RoundTrip& c, std::ostream* os) {
    *os << c.name << (c.loose ? " loosely" : " exactly") << (c.triplets ? " with triplets" : "");
}

// A seeded melody filling `BARS` bars of the meter without rests: random
// lengths from the table (a note may run over a bar line), now and then a
// triplet group on a quarter beat, the last note cut to end with the last
// bar; random keys. In thirds of notation ticks.
std::vector<Sounded> Melody(const RoundTrip& c, std::vector<int>* keys) {
    std::mt19937 random(c.seed);
    const int barThirds = 4 * TICKS * THIRDS * c.meter.numerator >> c.meter.power;
    const int total = BARS * barThirds;
    const int quarter = TICKS * THIRDS;
    std::uniform_int_distribution<size_t> length(0, std::size(kLengths) - 1);
    std::uniform_int_distribution<int> key(LOWEST_KEY, HIGHEST_KEY);
    std::uniform_int_distribution<int> chance(1, TRIPLET_CHANCE);
    std::vector<Sounded> notes;
    for (int at = 0; at < total;) {
        if (c.triplets && at % quarter == 0 && total - at >= quarter && chance(random) == 1) {
            for (int i = 0; i < 3; ++i) {
                notes.push_back({at, TRIPLET_EIGHTH});
                keys->push_back(key(random));
                at += TRIPLET_EIGHTH;
            }
            continue;
        }
        const int thirds = std::min(kLengths[length(random)] * THIRDS, total - at);
        notes.push_back({at, thirds});
        keys->push_back(key(random));
        at += thirds;
    }
    return notes;
}

class RoundTripCheck : public notation_test::NotationFixture {
protected:
    // Plays the case's melody (loosely: each onset after the first up to
    // `LOOSE` file ticks off, each note released `RELEASED` early), notates
    // it and reads it back.
    void Check(const RoundTrip& c) {
        std::vector<int> keys;
        const std::vector<Sounded> written = Melody(c, &keys);
        if (c.triplets) {
            ASSERT_TRUE(std::any_of(written.begin(), written.end(),
                                    [](const Sounded& n) { return n.length == TRIPLET_EIGHTH; }))
                << "the seed gives no triplets";
        }
        std::mt19937 random(c.seed + 1);
        std::uniform_int_distribution<int> offset(-LOOSE, LOOSE);
        std::vector<PlayedNote> played;
        for (size_t i = 0; i < written.size(); ++i) {
            PlayedNote note{keys[i], ToFileTicks(written[i].onset), ToFileTicks(written[i].length)};
            if (c.loose) {
                if (i > 0)
                    note.start += offset(random);
                note.length -= RELEASED;
            }
            played.push_back(note);
        }
        ASSERT_EQ(LoadMidi(notation_test::MelodyFile(played, values_test::DIVISION, c.meter)), 1);
        const std::vector<NotatedNote> notes = NotesOfStaff(Conductor(), MELODY_STAFF);
        EXPECT_EQ(TiedGroups(notes), written) << Dump();
        // A tie chain is a line: no note starts two ties.
        EXPECT_EQ(BranchingTies(notes), "") << Dump();
        EXPECT_EQ(ReadInOrder(notes), written) << Dump();
    }
};

std::string RoundTripName(const RoundTrip& c) {
    std::string name = c.name;
    name = name.substr(0, name.find('/')) + "_" + name.substr(name.find('/') + 1);
    return "in_" + name + (c.loose ? "_loosely" : "_exactly");
}

// Preferences at their defaults: no tuplet search, so no triplets.
class RoundTripTest : public RoundTripCheck, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(RoundTripTest, EveryOnsetAndTiedLengthComesBack) {
    Check(GetParam());
}

const RoundTrip kRoundTrips[] = {
    {"2/4", {2, 2}, 24, false, false}, {"2/4", {2, 2}, 24, true, false}, {"3/4", {3, 2}, 34, false, false},
    {"3/4", {3, 2}, 34, true, false},  {"4/4", {4, 2}, 44, false, false}, {"4/4", {4, 2}, 44, true, false},
    {"6/8", {6, 3}, 68, false, false}, {"6/8", {6, 3}, 68, true, false},
};

INSTANTIATE_TEST_SUITE_P(Meters, RoundTripTest, ::testing::ValuesIn(kRoundTrips),
                         [](const auto& info) { return RoundTripName(info.param); });

// "Tuplets" 1 in the test run's profile while a case lives, set before the
// engine reads its preferences (when the view is made).
class TupletSearchPreference : private notation_test::NotationPreference {
protected:
    TupletSearchPreference() : NotationPreference("Tuplets", 1) {}
};

// The search on: triplet groups come back as triplets, played exactly.
class TripletRoundTripTest : private TupletSearchPreference,
                             public RoundTripCheck,
                             public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(TripletRoundTripTest, EveryOnsetAndTiedLengthComesBack) {
    Check(GetParam());
}

const RoundTrip kTripletRoundTrips[] = {
    {"2/4", {2, 2}, 25, false, true},
    {"3/4", {3, 2}, 33, false, true},
    {"4/4", {4, 2}, 43, false, true},
};

INSTANTIATE_TEST_SUITE_P(Meters, TripletRoundTripTest, ::testing::ValuesIn(kTripletRoundTrips),
                         [](const auto& info) { return RoundTripName(info.param); });

}  // namespace
