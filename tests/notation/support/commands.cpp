// Running a batch, and the Prepare-phase routing of its commands by command id.
#include "tests/notation/support/commands.h"

#include "model/basiccommands.h"
#include "model/command.h"
#include "model/commandmgr.h"
#include "model/measurecommands.h"
#include "model/metercommands.h"
#include "model/performance.h"
#include "tests/platform/messaging_support.h"

#include <gtest/gtest.h>

namespace notation_test {
namespace {

// Long enough that nothing posted is run by the timer before the flush.
constexpr unsigned GATHERING_RATE_MS = 60000;

template <class Command>
void Hand(CCBase* command, const std::function<void(Command*)>& route) {
    auto* typed = dynamic_cast<Command*>(command);
    if (typed && route)
        route(typed);
}

}  // namespace

void RoutePrepare(void* batch, const PrepareRoutes& routes) {
    auto* commands = static_cast<MCCommandList*>(batch);
    for (POSITION pos = commands ? commands->GetHeadPosition() : nullptr; pos;) {
        CCBase* command = commands->GetNext(pos);
        switch (command->GetCommandId()) {
        case CMD_ADD:
        case CMD_ADDNOTEMODIFIER:
            Hand(command, routes.add);
            break;
        case CMD_ADDMEASURE:
            Hand(command, routes.addMeasure);
            break;
        case CMD_ADDMETER:
            Hand(command, routes.addMeter);
            break;
        case CMD_ADDTRACK:
            Hand(command, routes.addStaff);
            break;
        case CMD_REMOVE:
            Hand(command, routes.remove);
            break;
        case CMD_REMOVEMEASURE:
            Hand(command, routes.removeMeasure);
            break;
        case CMD_REMOVEMETER:
            Hand(command, routes.removeMeter);
            break;
        case CMD_REMOVETRACK:
            Hand(command, routes.removeStaff);
            break;
        default:
            break;
        }
    }
}

void RunBatch(ECPerformance* performance, const std::vector<CCBase*>& commands) {
    if (commands.size() == 1) {
        commands.front()->SetSynchronous(1);
        EXPECT_EQ(commands.front()->Apply(performance), 1);
        messaging_test::PumpPending();
        return;
    }
    performance->SetCommandRate(GATHERING_RATE_MS);
    for (CCBase* command : commands)
        EXPECT_EQ(MCCommandMgr::ApplyCommand(command, performance), 1);
    messaging_test::PumpPending();   // each command now waits in the rate's queue
    performance->SetCommandRate(0);  // the queue runs as one batch
    messaging_test::PumpPending();
}

}  // namespace notation_test
