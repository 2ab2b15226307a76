// The line value: its ends from each constructor, its extent and emptiness.
#include "interface/controls/line.h"

#include <gtest/gtest.h>

namespace {

TEST(MCLineTest, EachConstructorGivesItsEnds) {
    const struct { const char* name; MCLine line; CPoint top, bottom; } cases[] = {
        {"empty", MCLine(), {0, 0}, {0, 0}},
        {"two points", MCLine(CPoint(3, 4), CPoint(-1, 9)), {3, 4}, {-1, 9}},
        {"start and size", MCLine(CPoint(10, 20), CSize(5, -3)), {10, 20}, {15, 17}},
        {"four ints", MCLine(1, 2, 3, 4), {1, 2}, {3, 4}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.line.Top(), c.top) << c.name;
        EXPECT_EQ(c.line.Bottom(), c.bottom) << c.name;
    }
}

TEST(MCLineTest, ExtentIsTheAbsoluteDifferenceOfTheEnds) {
    const MCLine line(CPoint(10, 20), CSize(5, -3));
    EXPECT_EQ(line.Width(), 5);
    EXPECT_EQ(line.Height(), 3);
    EXPECT_EQ(MCLine(7, 0, -2, 0).Width(), 9);
}

TEST(MCLineTest, EmptinessEqualityAndReset) {
    MCLine line(1, 2, 3, 4);
    EXPECT_FALSE(line.IsEmpty());
    EXPECT_TRUE(MCLine(5, 5, 5, 5).IsEmpty());

    MCLine copy(line);
    EXPECT_TRUE(copy == line);
    copy.Bottom().x = 0;
    EXPECT_TRUE(copy != line);

    line.Reset();
    EXPECT_TRUE(line == MCLine());
    EXPECT_TRUE(line.IsEmpty());
}

}  // namespace
