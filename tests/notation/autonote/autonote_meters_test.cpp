// The engine's preparation and renotation of added and removed meters, run
// through the command manager as the notation view runs them.
#include "notation/autonote/autonote.h"

#include "model/conductor.h"
#include "model/markings.h"
#include "model/meter.h"
#include "model/notes.h"
#include "tests/notation/autonote/batch_support.h"

#include <gtest/gtest.h>

namespace {

using autonote_test::BatchTest;

constexpr int kMarksOf34 = 12;   // 3/4 at the default resolution of a sixteenth
constexpr int kMarksOf44 = 16;
constexpr int kClefRoom = 420;

// A meter of the test at a time, on the conductor staff's track, not yet in
// the tree.
ECMeter* NewMeter(int numerator, int denominator, float quarters) {
    auto* meter = new ECMeter(static_cast<unsigned char>(numerator), static_cast<unsigned char>(denominator), 255);
    piece::Place(meter, quarters, 14, 0);
    return meter;
}

float Quarters(const MCTime& time) {
    return static_cast<float>(time.GetTicks(256)) / 256.0f;
}

// A meter standing at measure 3 is taken off again. When it rules as the one
// before it does, the bars stay and nothing is prepared, cleared or marked;
// otherwise the scope is cleared and marked, from the measure before it.
TEST_F(BatchTest, RemovingAMeterEqualToTheOneBeforeChangesNothing) {
    const struct {
        int numerator;
        bool changes;
    } cases[] = {{4, false}, {3, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.numerator);
        MakePiece(1, 4);
        ECMeter* meter = NewMeter(c.numerator, 4, 8.0f);
        auto* add = new CCAddMeter(meter);
        add->SetSynchronous(1);
        ASSERT_EQ(add->Apply(m_performance), 1);
        ECRest* rest = PutOn(1, new ECRest, 8.0f);
        Attach();
        CleanMeasures();
        // Column 3's grid, laid out with room for a clef, as pagination left it.
        MCRuler& grid = dynamic_cast<DCctConductorMeasure*>(Display(Measure(TRACK_CONDUCTOR, 3)))->GetRuler();
        grid.CreateDivMarks(meter, CAutoNote::DEFAULT_RESOLUTION);
        grid.SetPrologWidth(MCRuler::PROLOG_CLEF, kClefRoom);
        const int laidOut = grid.GetPrologX(MCRuler::PROLOG_END);
        int marked = -1;
        afterPrepare = [&] { marked = NotationKindsSet(Measure(1, 3)); };
        Run(new CCRemoveMeter(meter));
        EXPECT_EQ(prepared.notateRange, c.changes ? NOTATE_INSERT_MEASURE : NOTATE_NONE);
        EXPECT_EQ(marked, c.changes ? 8 : 0);
        EXPECT_EQ(Holds(Bar(1, 8.0f), rest), !c.changes);
        // Back under 4/4 either way; only a changed grid is built again.
        EXPECT_EQ(Marks(Measure(TRACK_CONDUCTOR, 3)), kMarksOf44);
        EXPECT_EQ(grid.GetPrologX(MCRuler::PROLOG_END) == laidOut, !c.changes);
        if (c.changes) {
            EXPECT_EQ(Quarters(prepared.timeStart), 8.0f);
            EXPECT_EQ(Quarters(prepared.measureStart), 4.0f);   // the measure before
        }
        TearDown();
        SetUp();
    }
}

// 4/4 becomes 3/4 from the start: the four measures are re-timed at 0, 3, 6
// and 9 and two are appended at 12 and 15. A clef left exactly at a bar line
// goes back to the end of the measure before, behind its music, in a re-timed
// measure as in an appended one; the opening clef stays. Every column that
// had a grid, and every staff measure, carries the 3/4 grid.
TEST_F(BatchTest, AfterAMeterChangeClefsAtBarLinesCloseTheMeasureBefore) {
    MakePiece(1, 4);
    ECClef* opening = PutOn(1, new ECClef(0), 0.0f);
    ECNote* note = PutNote(Bar(1, 4.5f), 4.5f, 0.5f);
    note->SetVoiceTrack(0, 1);
    ECClef* atBar3 = PutOn(1, new ECClef(3), 6.0f);
    ECClef* atBar5 = PutOn(1, new ECClef(0), 12.0f);
    Attach();
    // The columns' grids, as pagination builds them.
    for (int number = 1; number <= 4; ++number) {
        auto* column = dynamic_cast<DCctConductorMeasure*>(Display(Measure(TRACK_CONDUCTOR, number)));
        ASSERT_NE(column, nullptr);
        column->CreateDivMarks(m_conductor->GetMeterAtTime(MCTime::TimeZero()), CAutoNote::DEFAULT_RESOLUTION);
    }
    Run(new CCAddMeter(NewMeter(3, 4, 0.0f)));
    ASSERT_EQ(m_conductor->GetMaxMeasureNumber(), 6);
    EXPECT_TRUE(Holds(Measure(1, 1), opening));
    EXPECT_EQ(Measure(1, 2)->GetChildren()->GetTail(), atBar3);
    EXPECT_TRUE(Holds(Measure(1, 2), note));
    EXPECT_EQ(Measure(1, 4)->GetChildren()->GetTail(), atBar5);
    EXPECT_FALSE(Holds(Measure(1, 3), atBar3));
    EXPECT_FALSE(Holds(Measure(1, 5), atBar5));
    // The staff still finds each clef in force from its time.
    auto* staff = static_cast<ECStaff*>(Staff(1));
    EXPECT_EQ(staff->GetClefAtTime(MCTime(7.0f), 0), atBar3);
    EXPECT_EQ(staff->GetClefAtTime(MCTime(13.0f), 0), atBar5);
    for (int number = 1; number <= 6; ++number) {
        // An appended column is shown; its grid waits for pagination.
        EXPECT_EQ(Marks(Measure(TRACK_CONDUCTOR, number)), number <= 4 ? kMarksOf34 : 0) << number;
        EXPECT_EQ(Marks(Measure(1, number)), kMarksOf34) << number;
    }
}

}  // namespace
