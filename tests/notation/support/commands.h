// The command side of the notation fixture: running commands as one batch,
// and how the notation view shows a batch's commands to its engine before the
// batch runs: each command, in batch order, by its command id.
//
//   0 add, 2 add note modifier   Add          7 remove          Remove
//   1 add measure                AddMeasure   8 remove measure  RemoveMeasure
//   3 add meter                  AddMeter     9 remove meter    RemoveMeter
//   4 add track                  AddStaff    10 remove track    RemoveStaff
//   any other id                 nothing
//
// Kept apart from the fixture because the command classes' header and the
// engine's header both declare the command ids (FIXME: one declaration
// should go; until then no file can include both).
#pragma once

#include <functional>
#include <vector>

class CCBase;
class ECPerformance;
class CCAdd;
class CCAddMeasure;
class CCAddMeter;
class CCAddTrack;
class CCRemove;
class CCRemoveMeasure;
class CCRemoveMeter;
class CCRemoveTrack;

namespace notation_test {

// What each command id is handed to; an empty route is passed over.
struct PrepareRoutes {
    std::function<void(CCAdd*)> add;
    std::function<void(CCAddMeasure*)> addMeasure;
    std::function<void(CCAddMeter*)> addMeter;
    std::function<void(CCAddTrack*)> addStaff;
    std::function<void(CCRemove*)> remove;
    std::function<void(CCRemoveMeasure*)> removeMeasure;
    std::function<void(CCRemoveMeter*)> removeMeter;
    std::function<void(CCRemoveTrack*)> removeStaff;
};

// `batch` is the command manager's list of CCBase*. A command whose class
// does not match its id is passed over.
void RoutePrepare(void* batch, const PrepareRoutes& routes);

// Applies the commands (the manager deletes them) to the performance as one
// batch, which has run when this returns: one command is sent; several are
// posted while a command rate gathers them and then run together.
void RunBatch(ECPerformance* performance, const std::vector<CCBase*>& commands);

}  // namespace notation_test
