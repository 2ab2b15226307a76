// The engine's preparation and renotation of inserted and removed measures,
// run through the command manager as the notation view runs them.
#include "notation/autonote/autonote.h"

#include "model/conductor.h"
#include "model/markings.h"
#include "model/notes.h"
#include "notation/autonote/buildrulers.h"
#include "tests/notation/autonote/batch_support.h"

#include <gtest/gtest.h>

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

}  // namespace
