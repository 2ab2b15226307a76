// The tie collector: the chains around a window.
#include "notation/autonote/findties.h"

#include "tests/notation/autonote/autonote_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using autonote_test::TieNotes;

std::vector<ECBase*> Listed(MCEventList& list) {
    std::vector<ECBase*> events;
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;)
        events.push_back(list.GetNext(pos));
    return events;
}

using FindTiesTest = autonote_test::TiedNotesTest;

TEST_F(FindTiesTest, WindowsCollectTheChainsContinuationsNeverItsHead) {
    const struct {
        const char* name;
        float from, to;
        std::vector<ECBase*> found;
        float chainFrom, chainTo;
    } cases[] = {
        {"middle", 0.5f, 1.5f, {middle, firstTie, secondTie, last}, 0.0f, 2.5f},
        {"last", 2.0f, 2.0f, {last, secondTie, middle, firstTie}, 0.0f, 2.5f},
        {"first", 0.0f, 0.0f, {firstTie, middle, secondTie, last}, 0.0f, 2.5f},
        // Nothing listed and its span not counted: an untied note is no
        // chain (counted, it drew the note's neighbours into the clearing).
        {"untied", 3.0f, 3.1f, {}, 3.0f, 3.1f},
        {"empty", 3.5f, 3.75f, {}, 3.5f, 3.75f},
    };
    for (const auto& c : cases) {
        ACFindTiesInRange collector{MCTime(c.from), MCTime(c.to)};
        collector.Apply(Bar(1, 0.0f));
        EXPECT_EQ(Listed(collector.GetEvents()), c.found) << c.name;
        MCTime from, to;
        collector.GetTieRange(from, to);
        EXPECT_EQ(from, MCTime(c.chainFrom)) << c.name;
        EXPECT_EQ(to, MCTime(c.chainTo)) << c.name;
    }
}

// A damaged file whose two notes at one time are tied both ways: the walks
// along the loop end.
TEST_F(FindTiesTest, TiesInALoopEnd) {
    ECMeasure* bar = Bar(1, 0.0f);
    ECNote* a = PutNote(bar, 3.5f, 0.25f);
    ECNote* b = PutNote(bar, 3.5f, 0.25f);
    ECTie* there = TieNotes(bar, a, b);
    ECTie* back = TieNotes(bar, b, a);   // equal times: b first, then a
    ACFindTiesInRange collector{MCTime(3.5f), MCTime(3.5f)};
    collector.Apply(bar);
    const std::vector<ECBase*> found = Listed(collector.GetEvents());
    EXPECT_FALSE(found.empty());
    EXPECT_NE(std::find(found.begin(), found.end(), there), found.end());
    EXPECT_NE(std::find(found.begin(), found.end(), back), found.end());
}

}  // namespace
