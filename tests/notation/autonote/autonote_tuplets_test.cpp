// Tuplets as the engine prepares them.
//   - An added tuplet's rests go (the rest pass makes them afresh); a tuplet
//     it starts inside is placed again.
//   - Over a bar line, both measures and everything in the tuplet are
//     valued and placed again, in a window over the tuplet's span (its
//     units times its normal count).
//   - A removed tuplet's notes are renotated in the measure and its rests
//     discarded, over the tuplet's span.
#include "model/command.h"
#include "model/groupmarks.h"
#include "notation/display/tuplet.h"
#include "tests/notation/autonote/batch_support.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using autonote_test::BatchTest;

constexpr int STAFF = 1;
constexpr unsigned char QUARTER_UNITS = 2;   // the tuplet unit code of a quarter

class TupletPrepareTest : public BatchTest {
protected:
    void SetUp() override {
        BatchTest::SetUp();
        m_tuplets = std::make_unique<autonote_test::DisplayClasses>(std::vector<int>{ET_TUPLET},
                                                                    RUNTIME_CLASS(DCctTuplet));
        MakePiece(1, 2);
        Attach();
        CleanMeasures();
    }
    void TearDown() override {
        BatchTest::TearDown();
        m_tuplets.reset();
    }
    // Three quarters in the time of two at a time (quarters), holding rests.
    ECTuplet* TupletOfRests(float at, int rests) {
        auto* tuplet = PutOn(STAFF, new ECTuplet(3, 2, QUARTER_UNITS), at);
        for (int i = 0; i < rests; ++i) {
            auto* rest = PutOn(STAFF, new ECRest, at + i * 2.0f / 3.0f);
            tuplet->AddChild(rest, SORTED);
        }
        return tuplet;
    }
    bool Discarded(ECBase* event) { return m_command.GetDiscardList()->Find(event) != nullptr; }
    static bool TimeAndValueDirty(ECBase* element) {
        DCctBase* display = Display(element);
        return display && display->TimeDirty() && display->ValueDirty();
    }

    CCBase m_command;
    std::unique_ptr<autonote_test::DisplayClasses> m_tuplets;
};

TEST_F(TupletPrepareTest, AnAddedTupletOverABarLineRenotatesBothMeasures) {
    ECTuplet* earlier = TupletOfRests(3.0f, 0);
    Display(earlier)->SetTimeDirty(0);
    ECTuplet* tuplet = TupletOfRests(3.5f, 2);
    ECBase* rest = tuplet->GetChildren()->GetHead();
    engine().AddTuplet(&m_command, tuplet, Measure(STAFF, 1));

    EXPECT_TRUE(Discarded(rest));
    EXPECT_TRUE(Display(earlier)->TimeDirty()) << "the tuplet it starts inside";
    EXPECT_TRUE(TimeAndValueDirty(tuplet));
    EXPECT_TRUE(TimeAndValueDirty(Measure(STAFF, 1)));
    EXPECT_TRUE(TimeAndValueDirty(Measure(STAFF, 2)));
    ASSERT_EQ(info().GetStaffWindowCount(), 1);
    const CNotateInfo::StaffInfo& window = info().GetStaffWindows()[0];
    EXPECT_EQ(window.timeStart, MCTime(3.5f));
    EXPECT_EQ(window.timeEnd, MCTime(5.5f));
}

TEST_F(TupletPrepareTest, AnAddedTupletInsideItsMeasureLeavesTheMeasuresAlone) {
    ECTuplet* tuplet = TupletOfRests(1.0f, 1);
    engine().AddTuplet(&m_command, tuplet, Measure(STAFF, 1));
    EXPECT_TRUE(TimeAndValueDirty(tuplet));
    EXPECT_FALSE(Display(Measure(STAFF, 1))->ValueDirty());
    EXPECT_EQ(info().GetStaffWindowCount(), 0);
}

TEST_F(TupletPrepareTest, ARemovedTupletsRestsGoAndItsNotesAreRenotated) {
    ECTuplet* tuplet = TupletOfRests(1.0f, 1);
    ECBase* rest = tuplet->GetChildren()->GetHead();
    auto* note = PutOn(STAFF, new ECNote(MCTime(1.0f + 2.0f / 3.0f), MCTime(2.0f / 3.0f)), 1.0f + 2.0f / 3.0f);
    tuplet->AddChild(note, SORTED);
    if (auto* display = dynamic_cast<DCctTuplet*>(Display(tuplet)))
        display->SetTickDuration(512);   // two quarters in the plain division
    engine().RemoveTuplet(&m_command, tuplet, nullptr);
    EXPECT_TRUE(Discarded(rest));
    EXPECT_FALSE(Discarded(note));
    EXPECT_TRUE(TimeAndValueDirty(note));
    EXPECT_TRUE(Display(Measure(STAFF, 1))->ChordDirty());
    EXPECT_EQ(info().GetNotateRange(), NOTATE_EVENTS);
    ASSERT_EQ(info().GetStaffWindowCount(), 1);
    EXPECT_EQ(info().GetStaffWindows()[0].timeStart, MCTime(1.0f));
    EXPECT_EQ(info().GetStaffWindows()[0].timeEnd, MCTime(3.0f)) << "the tuplet's span";
}

}  // namespace
