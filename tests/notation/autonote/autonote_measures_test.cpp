// The engine's preparation and renotation of inserted and removed measures,
// run through the command manager as the notation view runs them.
#include "notation/autonote/autonote.h"

#include "model/conductor.h"
#include "model/markings.h"
#include "model/measurecommands.h"
#include "model/notes.h"
#include "notation/autonote/buildrulers.h"
#include "tests/notation/autonote/batch_support.h"
#include "tests/notation/support/melody.h"
#include "tests/notation/support/notation_fixture.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace {

using autonote_test::BatchTest;

constexpr int kMarksOf44 = 16;   // 4/4 at the default resolution of a sixteenth

float Quarters(const MCTime& time) {
    return static_cast<float>(time.GetTicks(256)) / 256.0f;
}

// Appended measures touch nothing before them: the four bounds are the old
// end of the piece, and the new measures are shown and ruled once the batch
// is over.
TEST_F(BatchTest, AppendedMeasuresArePreparedAtTheOldEndAndShownAfterwards) {
    MakePiece(2, 4);
    Attach();
    Run(new CCAddMeasure(2, -1));
    EXPECT_EQ(prepared.notateRange, NOTATE_INSERT_MEASURE);
    EXPECT_EQ(prepared.pagenateRange, PAGENATE_FROM);
    for (const MCTime* bound : {&prepared.timeStart, &prepared.measureStart, &prepared.timeEnd, &prepared.measureEnd})
        EXPECT_EQ(Quarters(*bound), 16.0f);
    ASSERT_EQ(m_conductor->GetMaxMeasureNumber(), 6);
    for (int number : {5, 6}) {
        EXPECT_GE(Marks(Measure(TRACK_CONDUCTOR, number)), 0) << number;
        for (int track : {1, 2})
            EXPECT_EQ(Marks(Measure(track, number)), kMarksOf44) << track << "." << number;
    }
    EXPECT_EQ(ProgressCodes(false), (std::vector<unsigned>{STATE_PROGRESS_BEGIN, STATE_PROGRESS_END}));
}

// Inserted before measure 2: staff measure 2 loses its rests and is marked
// for every pass while the batch is prepared; measure 4 keeps its rest and
// stays clean.
TEST_F(BatchTest, InsertingClearsAndMarksOnlyTheMeasureAtThePlace) {
    MakePiece(1, 4);
    ECRest* atThePlace = PutOn(1, new ECRest, 4.0f);
    ECRest* later = PutOn(1, new ECRest, 12.0f);
    Attach();
    CleanMeasures();
    int markedAtThePlace = -1, markedLater = -1;
    afterPrepare = [&] {
        markedAtThePlace = NotationKindsSet(Measure(1, 2));
        markedLater = NotationKindsSet(Measure(1, 4));
    };
    Run(new CCAddMeasure(1, 1));
    EXPECT_EQ(markedAtThePlace, 8);
    EXPECT_EQ(markedLater, 0);
    EXPECT_FALSE(Holds(Measure(1, 3), atThePlace));   // measure 2 moved on by one
    EXPECT_TRUE(Holds(Measure(1, 5), later));
}

// Inserted before measure 1, the opening clef and key move to the new first
// measure: the old first measure's ruler gives up their room while the batch
// is prepared, and the new one makes room for them once it exists.
TEST_F(BatchTest, InsertingBeforeTheFirstMeasureMovesTheOpeningRoom) {
    MakePiece(2, 2);
    std::vector<ECBase*> marks;
    for (int track : {1, 2}) {
        marks.push_back(PutOn(track, new ECClef(0), 0.0f));
        marks.push_back(PutOn(track, new ECKey(2, 0), 0.0f));
    }
    Attach();
    ACBuildRulers enter;
    for (int track : {1, 2}) {
        enter.Apply(Measure(track, 1));
        enter.Reset();
        ASSERT_TRUE(RulerOf(Measure(track, 1))->IsClefInProlog()) << track;
        ASSERT_TRUE(RulerOf(Measure(track, 1))->IsKeyInProlog()) << track;
    }
    std::vector<MCRuler*> oldFirst = {RulerOf(Measure(1, 1)), RulerOf(Measure(2, 1))};
    int keptWhilePrepared = 0;
    afterPrepare = [&] {
        for (MCRuler* ruler : oldFirst)
            keptWhilePrepared += ruler->IsClefInProlog() + ruler->IsKeyInProlog();
    };
    Run(new CCAddMeasure(1, 0));
    EXPECT_EQ(keptWhilePrepared, 0);
    for (int track : {1, 2}) {
        ECMeasure* first = Measure(track, 1);
        EXPECT_NE(first->GetChildren()->FindEvent(ET_CLEF), nullptr) << track;
        EXPECT_TRUE(RulerOf(first)->IsClefInProlog()) << track;
        EXPECT_TRUE(RulerOf(first)->IsKeyInProlog()) << track;
        EXPECT_FALSE(RulerOf(Measure(track, 2))->IsClefInProlog()) << track;
    }
}

// The bounds of a removal, taken before the measures go: from the measure
// where the run starts (widened by a tie reaching into it) to the measure
// after it, or to the end of the piece when the run reaches the last measure.
TEST_F(BatchTest, RemovedMeasuresAreBoundedByTheirNeighbours) {
    const struct {
        const char* name;
        int index, count;
        bool tieIntoTheRun;
        float timeStart, measureStart, timeEnd, measureEnd;
    } cases[] = {
        {"middle", 1, 1, false, 4, 4, 12, 12},
        {"middle, tied in from measure 1", 1, 1, true, 3, 0, 12, 12},
        {"last", 3, 1, false, 12, 12, 16, 16},
    };
    MakePiece(1, 4);
    Attach();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ECNote* from = nullptr;
        if (c.tieIntoTheRun) {
            from = PutNote(Bar(1, 3.0f), 3.0f);
            ECNote* to = PutNote(Bar(1, 4.0f), 4.0f);
            autonote_test::TieNotes(Bar(1, 3.0f), from, to);
            Display(from, 1);
            Display(to, 1);
        }
        Run(new CCRemoveMeasure(c.count, c.index));
        EXPECT_EQ(prepared.notateRange, NOTATE_REMOVE_MEASURE);
        EXPECT_EQ(prepared.pagenateRange, PAGENATE_FROM);
        EXPECT_EQ(Quarters(prepared.timeStart), c.timeStart);
        EXPECT_EQ(Quarters(prepared.measureStart), c.measureStart);
        EXPECT_EQ(Quarters(prepared.timeEnd), c.timeEnd);
        EXPECT_EQ(Quarters(prepared.measureEnd), c.measureEnd);
        // The piece grows back to four measures for the next case.
        Run(new CCAddMeasure(4 - m_conductor->GetMaxMeasureNumber(), -1));
    }
}

// ---- measures around played lengths, on pieces read from MIDI --------------------
// The notation fixture runs its checks after every batch (full bars, notes
// notated, ties joining their neighbours); the dumps below show what the
// renotation made.

using notation_test::PlayedNote;

class PlayedMeasureTest : public notation_test::NotationFixture {
protected:
    void Play(const std::vector<PlayedNote>& notes) {
        ASSERT_EQ(LoadMidi(notation_test::MelodyFile(notes, TICKS, {4, 2})), 1);
    }
    // The bar's line of the dump, without pitches, stems, flags and beams.
    std::string Values(int bar) {
        static const std::regex kDrawn(R"( (pitch|stem|flag|beam)=\S+?(?=[ )]))");
        const std::string head = "staff 1 bar " + std::to_string(bar) + " voice 0: ";
        const std::string dump = Dump();
        const size_t at = dump.find(head);
        if (at == std::string::npos)
            return "(no bar " + std::to_string(bar) + ")";
        const std::string line = dump.substr(at + head.size(), dump.find('\n', at) - at - head.size());
        return std::regex_replace(line, kDrawn, "");
    }
    static constexpr int TICKS = 256;
};

// A quarter on every beat, each held 17% into the next: the voice pass cuts
// each at the next, the last one of the piece is tied into the bar its
// release reaches. A measure put in or taken out leaves a note sounding
// into a measure the renotation reaches too: its remainder there is
// notated (or cut away by the next note), never left without value.
TEST_F(PlayedMeasureTest, LegatoNotesAroundInsertedAndRemovedMeasures) {
    const struct {
        const char* edit;
        bool insert;
        int index;
        int bar;                // the bar whose line is checked
        const char* expected;   // its values
    } cases[] = {
        {"inserted before bar 3", true, 2, 2,
         "note(at=0 key=64 value=1/4 tie=-) note(at=256 key=60 value=1/4 tie=-) "
         "note(at=512 key=61 value=1/4 tie=-) note(at=768 key=62 value=1/4 tie=~)"},
        {"inserted before bar 3", true, 2, 3,
         "note(at=0 key=? value=1/16 tie=-) rest(at=64 value=1/8.) rest(at=256 value=1/4) rest(at=512 value=1/2)"},
        {"inserted before bar 3", true, 2, 5,
         "note(at=0 key=62 value=1/4 tie=-) note(at=256 key=63 value=1/4 tie=-) "
         "note(at=512 key=64 value=1/4 tie=-) note(at=768 key=60 value=1/4 tie=~)"},
        {"bar 1 removed", false, 0, 3,
         "note(at=0 key=62 value=1/4 tie=-) note(at=256 key=63 value=1/4 tie=-) "
         "note(at=512 key=64 value=1/4 tie=-) note(at=768 key=60 value=1/4 tie=~)"},
        {"bar 3 removed", false, 2, 2,
         "note(at=0 key=64 value=1/4 tie=-) note(at=256 key=60 value=1/4 tie=-) "
         "note(at=512 key=61 value=1/4 tie=-) note(at=768 key=62 value=1/4 tie=-)"},
        {"bar 3 removed", false, 2, 4,
         "note(at=0 key=? value=1/16 tie=-) rest(at=64 value=1/8.) rest(at=256 value=1/4) rest(at=512 value=1/2)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edit);
        std::vector<PlayedNote> legato;
        for (int beat = 0; beat < 16; ++beat)
            legato.push_back({60 + beat % 5, beat * TICKS, TICKS * 117 / 100});
        Play(legato);
        if (c.insert)
            RunBatch({new CCAddMeasure(1, c.index)});
        else
            RunBatch({new CCRemoveMeasure(1, c.index)});
        EXPECT_EQ(Values(c.bar), c.expected) << "bar " << c.bar;
    }
}

// A note tied into a bar that ends in rests: a measure inserted before the
// tie's bar widens the renotation into the rests' bar, which is rested once.
TEST_F(PlayedMeasureTest, ATieIntoABarOfRestsAndAnInsertedMeasure) {
    Play({{60, 0, TICKS}, {62, TICKS, TICKS}, {64, 2 * TICKS, TICKS}, {65, 3 * TICKS, 2 * TICKS}, {67, 8 * TICKS, 4 * TICKS}});
    ASSERT_EQ(Values(2), "note(at=0 key=? value=1/4 tie=-) rest(at=256 value=1/4) rest(at=512 value=1/2)");
    RunBatch({new CCAddMeasure(1, 0)});
    EXPECT_EQ(Values(1), "rest(at=0 value=1/1)");
    EXPECT_EQ(Values(2), "note(at=0 key=60 value=1/4 tie=-) note(at=256 key=62 value=1/4 tie=-) "
                         "note(at=512 key=64 value=1/4 tie=-) note(at=768 key=65 value=1/4 tie=~)");
    EXPECT_EQ(Values(3), "note(at=0 key=? value=1/4 tie=-) rest(at=256 value=1/4) rest(at=512 value=1/2)");
}

}  // namespace
