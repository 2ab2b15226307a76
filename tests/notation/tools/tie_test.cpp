// Tie chains: ends, heads, tails and the span of a chain.
#include "notation/tools/tie.h"

#include "tests/notation/autonote/autonote_support.h"

#include <gtest/gtest.h>

namespace {

using autonote_test::TieNotes;

class TieTest : public autonote_test::TiedNotesTest {
protected:
    CTie ties;
};

TEST_F(TieTest, EndsOfATie) {
    EXPECT_EQ(ties.FindTieParent(middle, 0), secondTie);
    EXPECT_EQ(ties.FindTieParent(middle, 1), firstTie);
    EXPECT_EQ(ties.FindTieParent(first, 1), nullptr);
    EXPECT_EQ(ties.FindTieParent(alone, 0), nullptr);
    EXPECT_EQ(ties.FindNoteChild(firstTie, 0), middle);
    EXPECT_EQ(ties.FindNoteChild(firstTie, 1), first);
    EXPECT_EQ(ties.FindOther(secondTie, last), middle);
    EXPECT_EQ(ties.FindOther(secondTie, first), nullptr);
}

TEST_F(TieTest, HeadTailAndSpanOfTheChain) {
    const struct {
        const char* name;
        ECNote* note;
        ECNote* head;
        ECNote* tail;
        float from, to;
    } cases[] = {
        {"first", first, first, last, 0.0f, 2.5f},
        {"middle", middle, first, last, 0.0f, 2.5f},
        {"last", last, first, last, 0.0f, 2.5f},
        {"alone", alone, alone, alone, 3.0f, 3.25f},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ties.GetHeadOfTie(c.note), c.head) << c.name;
        EXPECT_EQ(ties.GetTailOfTie(c.note), c.tail) << c.name;
        MCTime from, to;
        ties.GetTieRange(c.note, from, to);
        EXPECT_EQ(from, MCTime(c.from)) << c.name;
        EXPECT_EQ(to, MCTime(c.to)) << c.name;
    }
    EXPECT_EQ(ties.GetHeadOfTie(secondTie), first);
}

TEST_F(TieTest, AWalkAroundALoopEnds) {
    ECMeasure* bar = Bar(1, 0.0f);
    ECNote* a = PutNote(bar, 3.5f, 0.25f);
    ECNote* b = PutNote(bar, 3.5f, 0.25f);
    TieNotes(bar, a, b);
    TieNotes(bar, b, a);   // equal times: b first, then a
    EXPECT_NE(ties.GetHeadOfTie(a), nullptr);
    EXPECT_NE(ties.GetTailOfTie(b), nullptr);
}

}  // namespace
