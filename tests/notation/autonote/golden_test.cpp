// Whole files notated as the view notates them when it is given the
// performance, compared with their golden dumps (tests/notation/support/DUMP.md).
// Each case's MIDI file is written from the note table here and must match
// the file stored beside its golden.
#include "tests/notation/autonote/values_support.h"
#include "tests/notation/support/golden.h"
#include "tests/notation/support/notation_fixture.h"
#include "tests/support/smf_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr int DIVISION = 256;
constexpr int BAR_TICKS = 4 * DIVISION;   // 4/4
constexpr int MELODY_CHANNEL = 0;         // channel 1
constexpr int DRUM_CHANNEL = 9;           // channel 10
constexpr int VELOCITY = 90;

// Type 1: the conductor chunk (tempo, 4/4); track 1 in two sharps on
// channel 1 with a D4 16/256 of a quarter before the end of bar 2 (the note
// moving pass takes it into bar 3) and an F#4 17/256 before the end of bar 3
// (past the hidden threshold, but its start rounds onto the bar line: it
// moves into bar 4 too); track 2 a bass drum on channel 10 at the start.
std::vector<uint8_t> NotesBeforeBarlines() {
    constexpr int lateTick = 2 * BAR_TICKS - 16;
    constexpr int earlyTick = 3 * BAR_TICKS - 17;
    constexpr int eighth = DIVISION / 2;
    smf_support::Track conductor, melody, drums;
    conductor.Tempo(0, 500000).TimeSignature(0, 4, 2).End();
    melody.KeySignature(0, 2, 0)
        .NoteOn(lateTick, MELODY_CHANNEL, 62, VELOCITY)
        .NoteOff(eighth, MELODY_CHANNEL, 62)
        .NoteOn(earlyTick - lateTick - eighth, MELODY_CHANNEL, 66, VELOCITY)
        .NoteOff(eighth, MELODY_CHANNEL, 66)
        .End();
    drums.NoteOn(0, DRUM_CHANNEL, 36, VELOCITY).NoteOff(DIVISION, DRUM_CHANNEL, 36).End();
    return smf_support::File(1, DIVISION).Add(conductor).Add(melody).Add(drums).GetBytes();
}

// values_support.h: three bars of 4/4 at 480 a quarter played exactly.
std::vector<uint8_t> ValuesInThreeBars() {
    return values_test::ThreeBarsFile(values_test::ThreeBarsPlayed());
}

struct Case {
    const char* name;
    std::vector<uint8_t> (*file)();
};
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

const Case kCases[] = {
    {"notes-before-barlines", NotesBeforeBarlines},
    {"values-in-three-bars", ValuesInThreeBars},
};

class GoldenTest : public notation_test::NotationFixture, public ::testing::WithParamInterface<Case> {};

TEST_P(GoldenTest, NotatedFileDumpsAsItsGolden) {
    const Case& c = GetParam();
    const ::testing::AssertionResult stored = notation_golden::MatchesStoredMidi(c.name, c.file());
    EXPECT_TRUE(stored);
    if (!stored && !notation_golden::UpdatingGoldens())
        return;   // a golden of another file says nothing
    ASSERT_EQ(LoadMidiFile(notation_golden::DataPath(std::string(c.name) + ".mid")), 1);
    EXPECT_TRUE(notation_golden::MatchesGolden(c.name, Dump()));
}

INSTANTIATE_TEST_SUITE_P(Files, GoldenTest, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string name = info.param.name;
    for (char& ch : name)
        if (ch == '-')
            ch = '_';
    return name;
});

}  // namespace
