// The state manager: delivery order (the state's action, the performance's
// handlers, the global handler), deletion, sent and posted states, states
// without a performance, states applied from other threads, handler removal,
// the command state's ownership of its commands, and what the end of the
// loop leaves queued.
#include "tests/model/states_test.h"

#include "model/command.h"
#include "platform/core/thread.h"
#include "platform/core/waitslot.h"
#include "platform/core/window.h"
#include "tests/platform/messaging_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

using messaging_test::PumpPending;
using messaging_test::PumpUntil;
using namespace statetest;

namespace {

// Every test leaves the process's global handler as it found it (none).
class StateMgrTest : public ::testing::Test {
protected:
    void TearDown() override { MCStateMgr::SetGlobalHandler(nullptr, nullptr); }

    HeldPerformance performance;
    Log log;
};

TEST_F(StateMgrTest, DeliversActionThenHandlersInOrderThenGlobalHandlerThenDeletes) {
    NamedHandler first{"first", &log}, second{"second", &log}, global{"global", &log};
    performance->AddStateHandler(&LogHandler, &first);
    performance->AddStateHandler(&LogHandler, &second);
    MCStateMgr::SetGlobalHandler(&LogHandler, &global);
    const int references = performance->GetRefCount();

    auto* state = new LoggedState(1234, log);
    state->Apply(performance.get());
    // Posted: nothing yet, and the performance is kept alive meanwhile.
    EXPECT_EQ(log.Joined(), "");
    EXPECT_EQ(state->GetTarget(), performance.get());
    EXPECT_EQ(performance->GetRefCount(), references + 1);

    ASSERT_TRUE(PumpUntil([&] { return log.entries.size() == 5; }));
    EXPECT_EQ(log.Joined(), "do first:1234 second:1234 global:1234 deleted");
    for (const NamedHandler* handler : {&first, &second, &global}) {
        EXPECT_EQ(handler->lastOwner, performance.get()) << handler->name;
        EXPECT_EQ(handler->lastFlag, 0) << handler->name;
    }
    EXPECT_EQ(performance->GetRefCount(), references);
}

TEST_F(StateMgrTest, SentStatesAreDeliveredBeforeApplyReturnsPostedOnesLater) {
    NamedHandler handler{"h", &log};
    performance->AddStateHandler(&LogHandler, &handler);
    for (int asynchronous : {0, 1}) {
        log.entries.clear();
        auto* state = new LoggedState(7, log);
        state->SetAsynchronous(asynchronous);
        state->Apply(performance.get());
        EXPECT_EQ(log.Joined(), asynchronous ? "" : "do h:7 deleted") << asynchronous;
        ASSERT_TRUE(PumpUntil([&] { return log.entries.size() == 3; })) << asynchronous;
    }
}

TEST_F(StateMgrTest, AStateWithAutoDeleteOffStaysTheSenders) {
    LoggedState state(8, log);
    state.SetAutoDelete(0);
    state.SetAsynchronous(0);
    state.Apply(performance.get());
    state.Apply(performance.get());   // and may be applied again
    EXPECT_EQ(log.Joined(), "do do");
}

TEST_F(StateMgrTest, ANullStateIsIgnored) {
    const int references = performance->GetRefCount();
    MCStateMgr::ApplyState(nullptr, performance.get());
    PumpPending();
    EXPECT_EQ(performance->GetRefCount(), references);
}

// The main window of the test: logs the states it receives, and can route
// them on to a performance as the main frame does.
class MainWindow : public CMsgWindow {
public:
    MainWindow(Log& log, ECPerformance* routeTo) : CMsgWindow("main"), m_log(log), m_routeTo(routeTo) {
        m_previous = GetMainWindow();
        SetMainWindow(GetSafeHwnd());
    }
    ~MainWindow() override { SetMainWindow(m_previous); }

protected:
    LRESULT WindowProc(UINT msg, WPARAM, LPARAM lParam) override {
        auto* state = reinterpret_cast<SCBase*>(lParam);
        m_log.entries.push_back("main:" + std::to_string(msg) + ":" + std::to_string(state->GetCode()));
        if (m_routeTo != nullptr) {
            // Keep the state for the one document, apply it there at once,
            // then hand it back to the manager to delete.
            state->SetAutoDelete(0);
            state->SetAsynchronous(0);
            state->Apply(m_routeTo);
            state->SetAutoDelete(1);
        }
        return 0;
    }

private:
    Log& m_log;
    ECPerformance* m_routeTo;
    HWND m_previous = nullptr;
};

TEST_F(StateMgrTest, AStateWithoutPerformanceGoesToTheMainWindowAndNoHandler) {
    NamedHandler handler{"h", &log}, global{"global", &log};
    performance->AddStateHandler(&LogHandler, &handler);
    MCStateMgr::SetGlobalHandler(&LogHandler, &global);
    {
        MainWindow main(log, nullptr);
        (new LoggedState(1600, log))->Apply(nullptr);
        ASSERT_TRUE(PumpUntil([&] { return log.entries.size() == 3; }));
        EXPECT_EQ(log.Joined(), "do main:12800:1600 deleted");
    }
    // No main window: only the state's own action.
    log.entries.clear();
    ASSERT_EQ(GetMainWindow(), nullptr);
    (new LoggedState(1600, log))->Apply(nullptr);
    ASSERT_TRUE(PumpUntil([&] { return log.entries.size() == 2; }));
    EXPECT_EQ(log.Joined(), "do deleted");
}

TEST_F(StateMgrTest, TheMainWindowMayRouteAStateToAPerformanceWhileItIsAlive) {
    NamedHandler handler{"h", &log};
    performance->AddStateHandler(&LogHandler, &handler);
    MainWindow main(log, performance.get());
    (new LoggedState(1501, log))->Apply(nullptr);
    ASSERT_TRUE(PumpUntil([&] { return log.entries.size() == 5; }));
    // The action runs for each delivery; the state is deleted once.
    EXPECT_EQ(log.Joined(), "do main:12800:1501 do h:1501 deleted");
}

TEST_F(StateMgrTest, OneHandlerIsRemovedByHandlerAndUserData) {
    NamedHandler a{"a", &log}, b{"b", &log};
    performance->AddStateHandler(&LogHandler, &a);
    performance->AddStateHandler(&LogHandler, &b);
    performance->AddStateHandler(&LogHandler, &a);

    EXPECT_EQ(performance->RemoveStateHandler(&LogHandler, &log), 0);   // no such user data
    EXPECT_EQ(performance->RemoveStateHandler(&LogHandler, &a), 1);     // the first of two
    EXPECT_EQ(performance->GetStateMgr()->GetHandlerCount(), 2);

    auto* state = new LoggedState(1, log);
    state->SetAsynchronous(0);
    state->Apply(performance.get());
    EXPECT_EQ(log.Joined(), "do b:1 a:1 deleted");

    performance->RemoveStateHandlers();
    EXPECT_EQ(performance->GetStateMgr()->GetHandlerCount(), 0);
}

// Removes another handler (its user data is the victim) during delivery.
struct Remover {
    ECPerformance* performance;
    NamedHandler* victim;
    Log* log;
};
int RemovingHandler(ECBase*, int, void*, void* user) {
    auto* remover = static_cast<Remover*>(user);
    remover->log->entries.push_back("remover");
    remover->performance->RemoveStateHandler(&LogHandler, remover->victim);
    remover->performance->RemoveStateHandler(&RemovingHandler, remover);   // itself, too
    return 1;
}

TEST_F(StateMgrTest, AHandlerMayRemoveItselfAndOthersDuringDelivery) {
    NamedHandler victim{"victim", &log}, last{"last", &log};
    Remover remover{performance.get(), &victim, &log};
    performance->AddStateHandler(&RemovingHandler, &remover);
    performance->AddStateHandler(&LogHandler, &victim);
    performance->AddStateHandler(&LogHandler, &last);

    for (const char* expected : {"remover last:2", "last:2"}) {
        log.entries.clear();
        auto* state = new SCBase(2);
        state->SetAsynchronous(0);
        state->Apply(performance.get());
        EXPECT_EQ(log.Joined(), expected);
    }
    EXPECT_EQ(performance->GetStateMgr()->GetHandlerCount(), 1);
}

// A sent state from a worker: the worker waits until the user-interface
// thread delivered it, while that thread waits for the worker to end.
TEST_F(StateMgrTest, AStateSentFromAWorkerBlocksItUntilDeliveredWhileTheUIThreadWaitsForIt) {
    NamedHandler handler{"h", &log};
    performance->AddStateHandler(&LogHandler, &handler);
    std::thread::id deliveredOn;
    struct Probe : SCBase {
        using SCBase::SCBase;
        std::thread::id* where;
        void DoState() override { *where = std::this_thread::get_id(); }
    };

    CThread worker;
    ECPerformance* target = performance.get();
    Log& out = log;
    ASSERT_TRUE(worker.Start([&out, &deliveredOn, target]() -> DWORD {
        auto* state = new Probe(1900);
        state->where = &deliveredOn;
        state->SetAsynchronous(0);
        state->Apply(target);
        out.entries.push_back("returned");
        return 0;
    }));
    ASSERT_TRUE(worker.Wait(INFINITE));
    EXPECT_EQ(log.Joined(), "h:1900 returned");
    EXPECT_EQ(deliveredOn, std::this_thread::get_id());
}

TEST_F(StateMgrTest, AStatePostedFromAWorkerIsDeliveredOnTheUIThread) {
    NamedHandler handler{"h", &log};
    performance->AddStateHandler(&LogHandler, &handler);
    CThread worker;
    ECPerformance* target = performance.get();
    ASSERT_TRUE(worker.Start([target]() -> DWORD {
        (new SCBase(3300))->Apply(target);
        return 0;
    }));
    ASSERT_TRUE(worker.Wait(INFINITE));
    ASSERT_TRUE(PumpUntil([&] { return log.entries.size() == 1; }));
    EXPECT_EQ(log.Joined(), "h:3300");
}

TEST(SCBase, CodeAndFlagsShareOneWord) {
    SCBase state(0xFFFFFF);
    EXPECT_EQ(state.GetCode(), 0xFFFFFFu);
    EXPECT_EQ(state.IsAutoDelete(), 1);
    EXPECT_EQ(state.IsAsynchronous(), 1);
    state.SetAutoDelete(2);   // bit 0 only
    state.SetAsynchronous(0);
    EXPECT_EQ(state.GetCode(), 0xFFFFFFu);
    state.SetCode(0x1000000 | 500);   // 24 bits kept
    EXPECT_EQ(state.GetCode(), 500u);
    EXPECT_EQ(state.IsAutoDelete(), 0);
    EXPECT_EQ(state.IsAsynchronous(), 0);
    EXPECT_EQ(SCBase().GetCode(), 0u);
}

// A command that notes its end.
class CountedCommand : public CCBase {
public:
    explicit CountedCommand(int& deleted) : m_deleted(deleted) {}
    ~CountedCommand() override { ++m_deleted; }

private:
    int& m_deleted;
};

TEST(SCCommand, DeletesOnlyTheAutoDeleteCommandsItCarries) {
    int deleted = 0;
    auto* kept = new CountedCommand(deleted);
    kept->SetAutoDelete(0);
    {
        SCCommand state(STATE_COMMANDS_DONE);
        state.AddCommand(new CountedCommand(deleted));
        state.AddCommand(kept);
        state.AddCommand(new CountedCommand(deleted));
        EXPECT_EQ(state.GetCommands().GetCount(), 3);
        EXPECT_EQ(state.GetCommands().GetAt(state.GetCommands().FindIndex(1)), kept);
    }
    EXPECT_EQ(deleted, 2);
    delete kept;
}

// The program ends with a state and a command still queued: the loop that
// would deliver them is gone, and each is dropped as if delivered to nobody,
// so neither it nor its reference on the performance is left behind. In a
// child process, as the user-interface thread's messaging ends for good.
TEST(StateMgrEnd, WhatIsStillQueuedWhenTheLoopEndsIsReleased) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            Log log;
            int commandsDeleted = 0;
            HeldPerformance performance;
            const int references = performance->GetRefCount();
            (new LoggedState(1234, log))->Apply(performance.get());
            (new CountedCommand(commandsDeleted))->Apply(performance.get());
            platform_detail::EndThreadMessages();
            const bool released =
                log.Joined() == "deleted" && commandsDeleted == 1 && performance->GetRefCount() == references;
            std::_Exit(released ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
