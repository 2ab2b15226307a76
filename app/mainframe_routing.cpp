// The main frame's routing of states to its children: a fixed table of which
// child hears which code, the hold flag that lets a state reach every document
// before the children hear it once, and the steps some codes take first.
#include "app/mainframe.h"

namespace {

// Columns: Music Edit, Transport, time bar, status bar, palette, mixer,
// inspector; the eighth flag is kept with the row and never read.
constexpr unsigned char kRoutes[12][8] = {
    {0, 0, 0, 0, 0, 0, 0, 0},   // ROUTE_NONE
    {1, 1, 1, 1, 1, 1, 1, 0},   // ROUTE_FILE 1300-1306
    {1, 0, 0, 1, 1, 0, 0, 0},   // ROUTE_MODE 1500, 1501, 1503, 1504
    {0, 1, 1, 1, 0, 1, 0, 0},   // ROUTE_PERFORM 3300-3308
    {0, 1, 1, 1, 1, 1, 1, 0},   // ROUTE_SELECTION 1700-1704
    {0, 0, 1, 0, 0, 0, 0, 0},   // ROUTE_TIME 1900-1902
    {1, 1, 1, 1, 1, 1, 1, 0},   // ROUTE_PREFS 1600
    {0, 0, 0, 1, 0, 0, 0, 0},   // ROUTE_STATUS 1800-1805
    {0, 0, 0, 0, 0, 1, 0, 0},   // ROUTE_MASTER 0-2
    {0, 0, 0, 0, 0, 1, 0, 0},   // ROUTE_TRACK 3400, 3401, 3403-3407
    {0, 0, 0, 0, 0, 1, 0, 0},   // ROUTE_COMMAND 500, 501
    {0, 0, 0, 0, 0, 1, 1, 0},   // ROUTE_EDIT 1200, 1201
};

}  // namespace

int RouteRowForCode(long code) {
    if (code >= 0 && code <= 2)
        return ROUTE_MASTER;
    if (code == 500 || code == 501)
        return ROUTE_COMMAND;
    if (code == 1200 || code == 1201)
        return ROUTE_EDIT;
    if (code >= 1300 && code <= 1306)
        return ROUTE_FILE;
    if (code == 1500 || code == 1501 || code == 1503 || code == 1504)
        return ROUTE_MODE;
    if (code == 1600)
        return ROUTE_PREFS;
    if (code >= 1700 && code <= 1704)
        return ROUTE_SELECTION;
    if (code >= 1800 && code <= 1805)
        return ROUTE_STATUS;
    if (code >= 1900 && code <= 1902)
        return ROUTE_TIME;
    if (code >= 3300 && code <= 3308)
        return ROUTE_PERFORM;
    if ((code >= 3400 && code <= 3407) && code != 3402)   // 3402, record arm, is nobody's
        return ROUTE_TRACK;
    return ROUTE_NONE;
}

bool RouteReaches(int row, RouteChild child) {
    if (row < 0 || row >= 12 || child < 0 || child >= ROUTE_CHILDREN)
        return false;
    return kRoutes[row][child] != 0;
}
