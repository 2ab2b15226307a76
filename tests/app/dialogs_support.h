// What the tests of the program's document dialogs share: an active document
// whose piece has a given number of measures, the commands and states its
// performance sees, and the controls Tab reaches in a dialog.
#pragma once

#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/basiccommands.h"
#include "model/commandmgr.h"
#include "model/conductor.h"
#include "model/measurecommands.h"
#include "model/performance.h"
#include "platform/ui/dialog.h"
#include "platform/ui/prompt_script.h"
#include "tests/interface/controls/piece_support.h"
#include "tests/platform/messaging_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <vector>

namespace dialogs_test {

// A command the performance ran: its id and, for the measure commands, the
// count and index it was given.
struct SeenCommand {
    int id = 0;
    int count = 0;
    int index = 0;
    bool operator==(const SeenCommand&) const = default;
};

inline void PrintTo(const SeenCommand& command, std::ostream* out) {
    *out << "{id " << command.id << ", count " << command.count << ", index " << command.index << "}";
}

// A state the performance delivered: its code and, for a time state, the time.
struct SeenState {
    unsigned code = 0;
    MCTime time;
};

// An active document (time_test::ActivePiece: 4/4, then 3/4 from bar 5), a
// prompt script, and logs of the commands and states applied to its
// performance.
class DocumentDialogTest : public ::testing::Test, public time_test::ActivePiece {
protected:
    void SetUp() override {
        ASSERT_NE(Performance(), nullptr);
        Performance()->AddCommandHandler(&LogCommands, &commands);
        Performance()->AddStateHandler(&LogStates, &states);
    }
    void TearDown() override {
        Performance()->RemoveCommandHandler(&LogCommands, &commands);
        Performance()->RemoveStateHandler(&LogStates, &states);
    }

    ECPerformance* Performance() const { return doc->GetBaseEvent(); }
    int Measures() const { return conductor->GetMaxMeasureNumber(); }

    // Grows the piece to `count` measures, unlogged and unmodified.
    void SetMeasures(int count) {
        if (const int have = Measures(); have < count) {
            auto* add = new CCAddMeasure(count - have, -1);
            add->SetSynchronous(1);
            add->Apply(Performance());
        }
        ASSERT_EQ(Measures(), count);
        commands.clear();
        states.clear();
        doc->SetModifiedFlag(FALSE);
    }

    // The commands applied by now, once the posted ones ran.
    std::vector<SeenCommand> RanCommands(size_t expected) {
        EXPECT_TRUE(messaging_test::PumpUntil([&] { return commands.size() >= expected; }));
        messaging_test::PumpPending();
        return commands;
    }

    // The states applied by now, once the posted ones were delivered.
    std::vector<SeenState> DeliveredStates(size_t expected) {
        EXPECT_TRUE(messaging_test::PumpUntil([&] { return states.size() >= expected; }));
        messaging_test::PumpPending();
        return states;
    }

    std::vector<SeenCommand> commands;
    std::vector<SeenState> states;
    CPromptScript prompts;

private:
    static int LogCommands(ECBase*, int phase, void* batch, void* user) {
        if (phase != CMD_PHASE_PREPARE)
            return 1;
        auto* log = static_cast<std::vector<SeenCommand>*>(user);
        auto* list = static_cast<MCCommandList*>(batch);
        for (POSITION pos = list->GetHeadPosition(); pos;) {
            auto* command = static_cast<CCBase*>(list->GetNext(pos));
            SeenCommand seen{command->GetCommandId()};
            if (auto* add = dynamic_cast<CCAddMeasure*>(command))
                seen = {seen.id, add->GetInsertCount(), add->GetInsertIndex()};
            else if (auto* remove = dynamic_cast<CCRemoveMeasure*>(command))
                seen = {seen.id, remove->GetRemoveCount(), remove->GetRemoveIndex()};
            log->push_back(seen);
        }
        return 1;
    }
    static int LogStates(ECBase*, int, void* state, void* user) {
        auto* base = static_cast<SCBase*>(state);
        auto* time = dynamic_cast<SCTime*>(base);
        static_cast<std::vector<SeenState>*>(user)->push_back({base->GetCode(), time ? time->GetTime() : MCTime()});
        return 1;
    }
};

// The ids of the controls Tab reaches from the focus, in order, once round.
inline std::vector<int> TabStops(CDialog& dialog) {
    std::vector<int> ids;
    for (int step = 0; step < 40; ++step) {
        dialog.NextDlgCtrl();
        CWnd* focus = CWnd::GetFocus();
        const int id = focus ? focus->GetDlgCtrlID() : 0;
        if (!ids.empty() && id == ids.front())
            break;
        ids.push_back(id);
    }
    return ids;
}

inline bool Reaches(const std::vector<int>& stops, int id) {
    return std::find(stops.begin(), stops.end(), id) != stops.end();
}

}  // namespace dialogs_test
