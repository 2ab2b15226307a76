// Notes at and over bar lines, end to end: MIDI files built here from note
// tables, read and notated as the view notates them, read back as values
// and places.
//   - A note tied over a bar line, played as the view's duration functions
//     play its value (Duration 66, the default gate, and 100): the part
//     after the bar line, which sounds nothing itself, keeps its length.
//   - With the tuplet search on, a note on the last eighth of a 3/8 bar,
//     past the one stress the bar's triplets can fill, stays on its eighth.
//   - A downbeat played a little early is written on the bar line when its
//     start rounds onto it at the engine's resolution; played earlier, or
//     at a finer resolution, it stays before the bar line.
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/measure.h"
#include "model/notes.h"
#include "model/staff.h"
#include "notation/autonote/notatelinks.h"
#include "tests/notation/support/durationgate.h"
#include "tests/notation/support/melody.h"
#include "tests/notation/support/notatedvalues.h"
#include "tests/notation/support/notation_fixture.h"
#include "tests/notation/support/notationpreference.h"
#include "tests/notation/support/voicecheck.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>
#include <vector>

namespace {

using notation_test::Meter;
using notation_test::PlayedNote;
using notation_test::ValuesOf;

constexpr int MELODY_STAFF = 1;
constexpr int KEY = 60;

// A case's name as a test name: letters and digits, the rest "_".
std::string TestName(std::string name) {
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return name;
}

// ---- a tie over the bar line under the gate ------------------------------------

constexpr int DIVISION = 480;
constexpr int Q = DIVISION;

struct TieCase {
    const char* name;
    int gate;                      // the view's Duration, percent
    int start;                     // file ticks, in 4/4
    int notated;                   // the length meant, file ticks
    const char* values;
};
void PrintTo(const TieCase& c, std::ostream* os) {
    *os << c.name << " at Duration " << c.gate;
}

const TieCase kTieCases[] = {
    {"half over the bar into a half", 66, 2 * Q, 4 * Q, "h~ | h"},
    {"half over the bar into a half", 100, 2 * Q, 4 * Q, "h~ | h"},
    {"three beats from beat 3", 66, 2 * Q, 3 * Q, "h~ | q"},
    {"three beats from beat 3", 100, 2 * Q, 3 * Q, "h~ | q"},
    // The part after the first bar line is split again at the second.
    {"over a whole bar", 66, 2 * Q, 8 * Q, "h~ | w~ | h"},
    {"over a whole bar", 100, 2 * Q, 8 * Q, "h~ | w~ | h"},
    {"dotted half from beat 2 over the bar", 66, Q, 5 * Q, "h.~ | h"},
};

class TieOverBarlineTest : public notation_test::NotationFixture, public ::testing::WithParamInterface<TieCase> {};

TEST_P(TieOverBarlineTest, ThePartAfterTheBarlineKeepsItsLength) {
    const TieCase& c = GetParam();
    notation_test::DurationGate gate(c.gate);
    // Held as long as the view plays the value it means.
    MCTime notated;
    notated.SetTicks(c.notated, DIVISION);
    const int held = ECNote::ScaleDuration(&notated, 0).GetTicks(DIVISION);
    if (c.gate < 100) {
        ASSERT_LT(held, c.notated) << "the gate shortens nothing";
    }
    ASSERT_EQ(LoadMidi(notation_test::MelodyFile({{KEY, c.start, held}}, DIVISION, {4, 2})), 1);
    const std::string dump = Dump();
    EXPECT_EQ(ValuesOf(dump, MELODY_STAFF), c.values) << dump;
}

INSTANTIATE_TEST_SUITE_P(Gates, TieOverBarlineTest, ::testing::ValuesIn(kTieCases), [](const auto& info) {
    return TestName(std::string(info.param.name) + " at " + std::to_string(info.param.gate));
});

// ---- the last eighth of 3/8 with the tuplet search on ---------------------------------

struct ThreeEightCase {
    const char* name;
    std::vector<PlayedNote> notes;   // file ticks at 480 a quarter
    const char* values;
    bool triplet;                    // whether the bar holds a triplet
};
void PrintTo(const ThreeEightCase& c, std::ostream* os) {
    *os << c.name;
}

constexpr int E = Q / 2;       // an eighth
constexpr int T = 2 * E / 3;   // a triplet eighth

const ThreeEightCase kThreeEightCases[] = {
    {"dotted quarter on the third eighth", {{KEY, 2 * E, 3 * E}}, "e~ | q", false},
    {"two eighths then a dotted quarter",
     {{KEY, 0, E}, {KEY + 2, E, E}, {KEY + 4, 2 * E, 3 * E}},
     "e e e~ | q",
     false},
    {"three eighths", {{KEY, 0, E}, {KEY + 2, E, E}, {KEY + 4, 2 * E, E}}, "e e e", false},
    // Triplet eighths fill the stress before it: they stay a triplet.
    {"a triplet before the third eighth",
     {{KEY, 0, T}, {KEY + 2, T, T}, {KEY + 4, 2 * T, T}, {KEY + 5, 2 * E, E}},
     "e e e e",
     true},
};

class LastEighthTest : private notation_test::NotationPreference,
                       public notation_test::NotationFixture,
                       public ::testing::WithParamInterface<ThreeEightCase> {
protected:
    LastEighthTest() : NotationPreference("Tuplets", 1) {}
};

TEST_P(LastEighthTest, StaysInItsBar) {
    const ThreeEightCase& c = GetParam();
    ASSERT_EQ(LoadMidi(notation_test::MelodyFile(c.notes, DIVISION, {3, 3})), 1);
    const std::string dump = Dump();
    EXPECT_EQ(ValuesOf(dump, MELODY_STAFF), c.values) << dump;
    EXPECT_EQ(dump.find("tuplet(3:2") != std::string::npos, c.triplet) << dump;
}

INSTANTIATE_TEST_SUITE_P(Tuplets, LastEighthTest, ::testing::ValuesIn(kThreeEightCases),
                         [](const auto& info) { return TestName(info.param.name); });

// ---- a downbeat played early ---------------------------------------------------

constexpr int TICKS = 256;            // the file's division: notation ticks
constexpr int BAR = 4 * TICKS;        // 4/4
constexpr int DEFAULT_RESOLUTION = 64;

struct EarlyCase {
    const char* name;
    int resolution;   // the engine's "Resolution", ticks at 256 a quarter
    int early;        // ticks before bar 2's downbeat
    int bar;          // where it is written: the bar ...
    int tick;         // ... and the tick from its start
};
void PrintTo(const EarlyCase& c, std::ostream* os) {
    *os << c.name << " at resolution " << c.resolution;
}

const EarlyCase kEarlyCases[] = {
    {"on the bar line", DEFAULT_RESOLUTION, 0, 2, 0},
    {"a sixty-fourth early", DEFAULT_RESOLUTION, 16, 2, 0},
    {"17 ticks early", DEFAULT_RESOLUTION, 17, 2, 0},
    {"a thirty-second early", DEFAULT_RESOLUTION, 32, 2, 0},
    // Half a grid step and more: it rounds to the step before the bar line.
    {"33 ticks early", DEFAULT_RESOLUTION, 33, 1, BAR - 64},
    {"a sixteenth and a half early", DEFAULT_RESOLUTION, 96, 1, BAR - 64},
    // At a thirty-second grid half a step is 16 ticks: the hidden threshold.
    {"a sixty-fourth early, thirty-second grid", 32, 16, 2, 0},
    {"17 ticks early, thirty-second grid", 32, 17, 1, BAR - 32},
    // At a sixty-fourth grid the hidden threshold still reaches 16 ticks.
    {"a sixty-fourth early, sixty-fourth grid", 16, 16, 2, 0},
    {"17 ticks early, sixty-fourth grid", 16, 17, 1, BAR - 16},
};

class EarlyDownbeatTest : public ::testing::WithParamInterface<EarlyCase>,
                          private notation_test::NotationPreference,
                          public notation_test::NotationFixture {
protected:
    EarlyDownbeatTest() : NotationPreference("Resolution", GetParam().resolution) {}

    // Where the note struck at `tick` is written: the conductor's number
    // of its measure and its tick start there; {0, -1} when no notated
    // note was struck then.
    std::pair<int, int> PlaceOf(int tick) {
        ECConductor* conductor = Conductor();
        ECBase* staff = conductor ? conductor->GetTrack(TRACK_STAFF, MELODY_STAFF, 0) : nullptr;
        MCEventList* measures = staff ? staff->GetChildren() : nullptr;
        for (POSITION pos = measures ? measures->GetHeadPosition() : nullptr; pos;) {
            ECBase* measure = measures->GetNext(pos);
            if (measure->GetClassType() != ET_MEASURE)
                continue;
            for (ECNote* note : notation_check::NotesIn(measure)) {
                if (note->GetTime()->GetTicks(TICKS) != tick)
                    continue;
                constexpr int NORMAL_SCALE = 0;
                return {conductor->GetMeasureNumberAtTime(*measure->GetTime()),
                        NotateTickStart(GetNotateData(note), NORMAL_SCALE)};
            }
        }
        return {0, -1};
    }
};

TEST_P(EarlyDownbeatTest, IsWrittenWhereItsStartRounds) {
    const EarlyCase& c = GetParam();
    // A half on bar 1's downbeat; the quarter meant for bar 2's downbeat
    // struck early and held a quarter long.
    const int struck = BAR - c.early;
    const std::vector<PlayedNote> notes = {{KEY, 0, 2 * TICKS}, {KEY + 4, struck, TICKS}};
    ASSERT_EQ(LoadMidi(notation_test::MelodyFile(notes, TICKS, {4, 2})), 1);
    EXPECT_EQ(PlaceOf(struck), std::make_pair(c.bar, c.tick)) << Dump();
    if (c.bar == 2) {
        EXPECT_EQ(ValuesOf(Dump(), MELODY_STAFF), "h | q") << Dump();
    }
}

INSTANTIATE_TEST_SUITE_P(Resolutions, EarlyDownbeatTest, ::testing::ValuesIn(kEarlyCases),
                         [](const auto& info) { return TestName(info.param.name); });

}  // namespace
