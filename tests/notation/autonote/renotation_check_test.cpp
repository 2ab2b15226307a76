// The renotation checker: seeded sequences of edits (adding, removing,
// moving and lengthening notes, inserting and removing measures, adding and
// removing meters, keys and clefs) on small generated pieces, each edit
// followed by the notation fixture's checks (no overlaps, full bars, every
// note notated, ties joining neighbours) and by a comparison of the
// renotated piece with the same piece saved, opened again and notated
// afresh. A failing seed prints the piece and the edits up to the failure.
//
// To follow one seed step by step, with the dumps:
//     STAFFWRIGHT_RENOTATION_SEED=17 ./bin/notation_tests --gtest_filter='RenotationCheck.*'
// and to run other seeds than the first 300:
//     STAFFWRIGHT_RENOTATION_SEEDS=301-3000 ./bin/notation_tests --gtest_filter='RenotationCheck.*'
#include "tests/notation/support/renotation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using renotation_check::Edit;
using renotation_check::Generator;
using renotation_check::StartingPiece;

constexpr int EDITS_PER_SEQUENCE = 8;

using renotation_check::EditKind;
using renotation_check::TICKS;
using notation_test::PlayedNote;

class RenotationCheck : public renotation_check::RenotationFixture {
protected:
    // Runs the seed's sequence until its first failure, which then names the
    // seed, the piece and the edits made. True when it passed.
    bool RunSequence(uint32_t seed, bool verbose = false);
    // The same for a piece and edits written out.
    bool RunScript(const std::string& name, const StartingPiece& piece, const std::vector<Edit>& edits);

private:
    // The checks after loading and after each edit `next` gives (false when
    // there are no more), then through a file once at the end.
    bool Run(std::string story, const StartingPiece& piece, const std::function<bool(Edit&)>& next, bool verbose);

    static int FailuresSoFar() {
        return ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
    }
};

std::string DescribePiece(const StartingPiece& piece) {
    std::ostringstream text;
    text << piece.manner << ", " << piece.bars << " bars of " << piece.meter.numerator << "/"
         << (1 << piece.meter.power) << "; played (key/start/length):";
    for (const auto& note : piece.played)
        text << " " << note.key << "/" << note.start << "/" << note.length;
    if (!piece.upper.empty()) {
        text << "; voice 1:";
        for (const auto& note : piece.upper)
            text << " " << note.key << "/" << note.start << "/" << note.length;
    }
    return text.str();
}

bool RenotationCheck::Run(std::string story, const StartingPiece& piece, const std::function<bool(Edit&)>& next,
                          bool verbose) {
    const int failuresBefore = FailuresSoFar();
    const auto failed = [&] { return FailuresSoFar() != failuresBefore; };
    if (!Start(piece)) {
        ADD_FAILURE() << story << "\n  the file was not read";
        return false;
    }
    if (verbose)
        std::cout << story << "\n" << Dump() << std::endl;
    EXPECT_TRUE(renotation_check::SameNotation(Dump(), FreshDump(Through::MEMORY))) << "as loaded";
    Edit edit;
    for (int step = 1; !failed() && next(edit); ++step) {
        const std::string done = std::to_string(step) + ". " + Apply(edit);
        story += "\n  " + done;
        if (verbose)
            std::cout << done << "\n" << Dump() << std::endl;
        if (!failed()) {
            EXPECT_TRUE(renotation_check::SameNotation(Dump(), FreshDump(Through::MEMORY)));
        }
    }
    if (!failed()) {
        EXPECT_TRUE(renotation_check::SameNotation(Dump(), FreshDump(Through::FILE))) << "through a file";
    }
    if (!failed())
        return true;
    ADD_FAILURE() << "the sequence that failed above:\n" << story;
    return false;
}

bool RenotationCheck::RunSequence(uint32_t seed, bool verbose) {
    Generator generator(seed);
    const StartingPiece piece = generator.Piece();
    int made = 0;
    const auto next = [&](Edit& edit) {
        if (made++ == EDITS_PER_SEQUENCE)
            return false;
        edit = generator.NextEdit(!piece.upper.empty());
        return true;
    };
    return Run("seed " + std::to_string(seed) + ": " + DescribePiece(piece), piece, next, verbose);
}

bool RenotationCheck::RunScript(const std::string& name, const StartingPiece& piece, const std::vector<Edit>& edits) {
    size_t made = 0;
    const auto next = [&](Edit& edit) {
        if (made == edits.size())
            return false;
        edit = edits[made++];
        return true;
    };
    return Run(name + ": " + DescribePiece(piece), piece, next, false);
}

Edit AddAt(int key, int start, int length) {
    Edit edit;
    edit.kind = EditKind::ADD_NOTE;
    edit.pick = 0;   // bar 1, the offset taken from its start
    edit.key = key;
    edit.offset = start;
    edit.length = length;
    return edit;
}

Edit RemoveAt(unsigned index) {
    Edit edit;
    edit.kind = EditKind::REMOVE_NOTE;
    edit.pick = index;   // among the staff's notes in bar order
    return edit;
}

Edit Measures(EditKind kind, unsigned index, int count = 1) {
    Edit edit;
    edit.kind = kind;
    edit.pick = index;   // inserted before, or removed from, bar index + 1
    edit.count = count;
    return edit;
}

Edit MeterAt(unsigned bar, int numerator, int denominator) {
    Edit edit;
    edit.kind = EditKind::ADD_METER;
    edit.pick = bar - 1;
    edit.numerator = numerator;
    edit.denominator = denominator;
    return edit;
}

StartingPiece Played(const char* manner, std::vector<PlayedNote> notes, notation_test::Meter meter = {4, 2}) {
    StartingPiece piece;
    piece.manner = manner;
    piece.meter = meter;
    piece.played = std::move(notes);
    return piece;
}

// Quarters on every beat of three bars, each held 17 % into the next.
StartingPiece LegatoQuarters() {
    std::vector<PlayedNote> notes;
    for (int beat = 0; beat < 12; ++beat)
        notes.push_back({60 + beat % 5, beat * TICKS, TICKS * 117 / 100});
    return Played("legato", notes);
}

// A bar of quarters whose last is tied into a bar that ends in rests.
StartingPiece TieIntoRests() {
    return Played("ties", {{60, 0, TICKS}, {62, TICKS, TICKS}, {64, 2 * TICKS, TICKS}, {65, 3 * TICKS, 2 * TICKS},
                           {67, 8 * TICKS, 4 * TICKS}});
}

// The sequences that first showed the checker's faults, each run through the
// same checks as the seeded ones: a legato note sounding into a measure the
// renotation of an inserted or removed measure did not reach (left without
// value); a measure inserted or removed beside a tie into a bar of rests
// (a rest made twice); notes added and removed in an empty bar (overfull).
TEST_F(RenotationCheck, SequencesThatFoundFaults) {
    // A staff whose first bar is empty: one note on the last beat of bar 2.
    const StartingPiece empty = Played("a bar of rests", {{60, 7 * TICKS, TICKS}});
    RunScript("legato, a measure inserted before bar 3", LegatoQuarters(), {Measures(EditKind::INSERT_MEASURES, 2)});
    RunScript("legato, bar 1 removed", LegatoQuarters(), {Measures(EditKind::REMOVE_MEASURES, 0)});
    RunScript("legato, bar 3 removed", LegatoQuarters(), {Measures(EditKind::REMOVE_MEASURES, 2)});
    RunScript("tie into rests, a measure inserted before bar 1", TieIntoRests(),
              {Measures(EditKind::INSERT_MEASURES, 0)});
    RunScript("tie into rests, a measure inserted before bar 2", TieIntoRests(),
              {Measures(EditKind::INSERT_MEASURES, 1)});
    RunScript("tie into rests, bar 1 removed", TieIntoRests(), {Measures(EditKind::REMOVE_MEASURES, 0)});
    RunScript("tie into rests, re-barred to 5/8, a measure inserted", TieIntoRests(),
              {MeterAt(1, 5, 8), Measures(EditKind::INSERT_MEASURES, 1)});
    RunScript("notes added and removed in an empty bar", empty,
              {AddAt(49, 256, 256), AddAt(80, 448, 256), AddAt(83, 128, 64), RemoveAt(1), RemoveAt(4),
               AddAt(61, 256, 85), AddAt(49, 64, 64)});
    // Seeds whose sequences found faults the cases above do not show.
    const struct {
        uint32_t seed;
        const char* found;
    } seeds[] = {
        {54, "a dot on a note the renotation did not value again"},
        {92, "the first note of a legato 3/2 piece removed, and the piece saved"},
        {183, "the piece saved and read back"},
        {185, "performers of events the engine discarded"},
        {1208, "a chord member starting before the note that made the chord be valued again"},
        {743, "a note added after a beamed note grew it past what a beam takes, and the beam stayed"},
        {2542, "a chord sounding into an inserted measure kept one member's tie"},
    };
    for (const auto& c : seeds) {
        SCOPED_TRACE(c.found);
        RunSequence(c.seed);
    }
}

TEST_F(RenotationCheck, SeededSequences) {
    if (const char* only = std::getenv("STAFFWRIGHT_RENOTATION_SEED")) {
        RunSequence(static_cast<uint32_t>(std::strtoul(only, nullptr, 10)), true);
        return;
    }
    uint32_t first = 1;
    uint32_t last = 300;
    if (const char* range = std::getenv("STAFFWRIGHT_RENOTATION_SEEDS")) {
        char* dash = nullptr;
        first = static_cast<uint32_t>(std::strtoul(range, &dash, 10));
        last = dash && *dash == '-' ? static_cast<uint32_t>(std::strtoul(dash + 1, nullptr, 10)) : first;
    }
    int failed = 0;
    for (uint32_t seed = first; seed <= last; ++seed)
        failed += !RunSequence(seed);
    EXPECT_EQ(failed, 0) << "of the sequences of seeds " << first << " to " << last;
}

}  // namespace
