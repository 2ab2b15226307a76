// The routing table: which children each state code reaches.
#include "app/mainframe.h"

#include <gtest/gtest.h>

namespace {

TEST(MainFrameRouting, EachCodeSelectsItsRow) {
    const struct { long code; int row; } cases[] = {
        {0, ROUTE_MASTER}, {2, ROUTE_MASTER}, {3, ROUTE_NONE},
        {500, ROUTE_COMMAND}, {501, ROUTE_COMMAND}, {502, ROUTE_NONE},
        {1200, ROUTE_EDIT}, {1201, ROUTE_EDIT},
        {1300, ROUTE_FILE}, {1306, ROUTE_FILE}, {1307, ROUTE_NONE},
        {1500, ROUTE_MODE}, {1501, ROUTE_MODE}, {1502, ROUTE_NONE}, {1503, ROUTE_MODE}, {1504, ROUTE_MODE},
        {1600, ROUTE_PREFS},
        {1700, ROUTE_SELECTION}, {1704, ROUTE_SELECTION},
        {1800, ROUTE_STATUS}, {1805, ROUTE_STATUS},
        {1900, ROUTE_TIME}, {1902, ROUTE_TIME},
        {3300, ROUTE_PERFORM}, {3308, ROUTE_PERFORM},
        {3400, ROUTE_TRACK}, {3401, ROUTE_TRACK}, {3402, ROUTE_NONE}, {3403, ROUTE_TRACK}, {3407, ROUTE_TRACK},
        {3600, ROUTE_NONE}, {-1, ROUTE_NONE},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RouteRowForCode(c.code), c.row) << "code " << c.code;
}

TEST(MainFrameRouting, RowsReachTheirChildren) {
    // Music Edit, Transport, time bar, status bar, palette, mixer, inspector.
    const struct { int row; const char* children; } cases[] = {
        {ROUTE_NONE, "0000000"},    {ROUTE_FILE, "1111111"},   {ROUTE_MODE, "1001100"},
        {ROUTE_PERFORM, "0111010"}, {ROUTE_SELECTION, "0111111"}, {ROUTE_TIME, "0010000"},
        {ROUTE_PREFS, "1111111"},   {ROUTE_STATUS, "0001000"}, {ROUTE_MASTER, "0000010"},
        {ROUTE_TRACK, "0000010"},   {ROUTE_COMMAND, "0000010"}, {ROUTE_EDIT, "0000011"},
    };
    for (const auto& c : cases)
        for (int child = 0; child < ROUTE_CHILDREN; ++child)
            EXPECT_EQ(RouteReaches(c.row, static_cast<RouteChild>(child)), c.children[child] == '1')
                << "row " << c.row << " child " << child;
}

}  // namespace
