// The engine's preparation of added and removed elements and staves, and a
// batch renotated bucket by bucket, run through the command manager as the
// notation view runs them.
#include "notation/autonote/autonote.h"

#include "model/conductor.h"
#include "model/markings.h"
#include "model/notes.h"
#include "model/staff.h"
#include "notation/autonote/buildrulers.h"
#include "tests/notation/autonote/batch_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using autonote_test::BatchTest;

constexpr int kMarksOf44 = 16;   // 4/4 at the default resolution of a sixteenth

// An added note gets its display object and goes to the update list before
// the batch runs.
TEST_F(BatchTest, AnAddedElementHasDisplayDataAndIsListedForUpdate) {
    MakePiece(1, 2);
    Attach();
    auto* note = new ECNote;
    piece::Place(note, 4.0f, 0, 1);
    const MCTime length(1.0f);
    note->SetDuration(&length);
    bool shownBeforeItRan = false;
    afterPrepare = [&] {
        MCEventList* parents = note->GetParents();
        shownBeforeItRan = Display(note) != nullptr && (!parents || parents->IsEmpty());
    };
    Run(new CCAdd(note, Measure(1, 2)));
    EXPECT_TRUE(shownBeforeItRan);
    MCEventList& listed = engine().GetDirtyRect().GetEvents();
    EXPECT_NE(listed.Find(note), nullptr);
}

// A removed clef gives up its room in the measure's opening before it goes.
TEST_F(BatchTest, ARemovedClefLeavesItsMeasuresRuler) {
    MakePiece(1, 2);
    auto* clef = PutOn(1, new ECClef(0), 0.0f);
    Attach();
    MCRuler* ruler = RulerOf(Measure(1, 1));
    ASSERT_NE(ruler, nullptr);
    ACBuildRulers enter;
    enter.Apply(Measure(1, 1));
    ASSERT_TRUE(ruler->IsClefInProlog());
    bool inPrologWhilePrepared = true;
    afterPrepare = [&] { inPrologWhilePrepared = ruler->IsClefInProlog() != 0; };
    Run(new CCRemove(clef));
    EXPECT_FALSE(inPrologWhilePrepared);
    EXPECT_FALSE(Measure(1, 1)->GetChildren()->Find(clef));
}

// An add, then two insert-measure commands (one measure before measure 2,
// two before measure 4): the edits are renotated once, then each insert in
// batch order, each run widening the end by the measures it inserted.
TEST_F(BatchTest, EditsRenotateOnceThenEachInsertInBatchOrder) {
    MakePiece(2, 4);
    Attach();
    auto* note = new ECNote;
    piece::Place(note, 0.0f, 0, 1);
    RunBatch({new CCAdd(note, Measure(1, 1)), new CCAddMeasure(1, 1), new CCAddMeasure(2, 3)});
    EXPECT_EQ(ProgressCodes(false), (std::vector<unsigned>{STATE_PROGRESS_BEGIN, STATE_PROGRESS_END,
                                                           STATE_PROGRESS_BEGIN, STATE_PROGRESS_END,
                                                           STATE_PROGRESS_BEGIN, STATE_PROGRESS_END}));
    std::vector<float> endsAtBegin;
    for (const auto& seen : progress)
        if (seen.code == STATE_PROGRESS_BEGIN)
            endsAtBegin.push_back(seen.timeEnd.GetTicks(256) / 256.0f);
    // Prepared up to the end of old measure 4 (16); then + 1 measure; then + 2.
    EXPECT_EQ(endsAtBegin, (std::vector<float>{16.0f, 20.0f, 28.0f}));
    EXPECT_EQ(answers, (std::vector<int>{1}));
    EXPECT_EQ(m_conductor->GetMaxMeasureNumber(), 7);
}

// Removing a staff leaves nothing to notate: no progress, and the handler
// still tells the command manager the batch went well.
TEST_F(BatchTest, ARemoveTrackBatchSendsNothingAndAnswersOne) {
    MakePiece(2, 2);
    Attach();
    Run(new CCRemoveTrack(Staff(2)));
    EXPECT_TRUE(progress.empty());
    EXPECT_EQ(answers, (std::vector<int>{1}));
    EXPECT_EQ(prepared.notateRange, NOTATE_NONE);
    EXPECT_EQ(prepared.pagenateRange, PAGENATE_REPAGENATE_ALL);
    EXPECT_EQ(m_conductor->GetMaxTrackNumber(TRACK_STAFF), 1);
}

// A new staff is prepared as a staff to add and, after the batch, has the
// display objects and rulers of all its measures.
TEST_F(BatchTest, AnAddedStaffIsShownAndNotated) {
    MakePiece(1, 3);
    Attach();
    auto* add = new CCAddTrack;
    add->AddMidiTrack(0, 1);
    Run(add);
    EXPECT_EQ(prepared.notateRange, NOTATE_ADD_STAFF);
    EXPECT_EQ(prepared.pagenateRange, PAGENATE_REPAGENATE_ALL);
    ASSERT_EQ(m_conductor->GetMaxTrackNumber(TRACK_STAFF), 2);
    EXPECT_NE(Display(Staff(2)), nullptr);
    for (int number = 1; number <= 3; ++number)
        EXPECT_EQ(Marks(Measure(2, number)), kMarksOf44) << number;
}

}  // namespace
