// The command manager: synchronous and posted commands, batches gathered by
// the command rate on the manual clock, the handler passes, the done and
// aborted states, cancelled batches, nested commands, and that no command and
// no reference on the performance is left behind by any of them.
//
// Every test reads one journal: the phases of the test commands ("P1" Prepare
// of command 1, "R1" Process, "F1" Finish, "A1" Abort, "~1" its deletion), the
// handler calls ("a0" handler a in phase 0) and the command states as the
// performance's state handler saw them ("500:1,2" a done-state carrying
// commands 1 and 2).
#include "model/commandmgr.h"

#include "model/eventtypes.h"
#include "model/performance.h"
#include "model/states.h"
#include "platform/core/clock.h"
#include "platform/core/trace.h"
#include "tests/platform/messaging_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using messaging_test::PumpPending;
using messaging_test::PumpUntil;

namespace {

class Journal {
public:
    void Add(const std::string& entry) {
        if (!m_text.empty())
            m_text += ' ';
        m_text += entry;
    }
    const std::string& Text() const { return m_text; }
    void Clear() { m_text.clear(); }

private:
    std::string m_text;
};

// The base Prepare needs a conductor in the tree.
class ECCommandTestConductor : public ECWithTimeChild {
public:
    int GetClassType() const override { return ET_CONDUCTOR; }
};

// A command that writes its phases to the journal, refuses the phase it is
// told to, and may run something inside a phase (a nested command).
class CCTestCommand : public CCBase {
public:
    static std::atomic<int> s_alive;   // commands may be deleted on another thread's behalf

    CCTestCommand(Journal& journal, std::string name, int refusedPhase = -1)
        : m_journal(journal), m_name(std::move(name)), m_refusedPhase(refusedPhase) {
        ++s_alive;
    }
    ~CCTestCommand() override {
        m_journal.Add("~" + m_name);
        --s_alive;
    }

    const std::string& GetName() const { return m_name; }
    // Runs inside the phase, after the journal entry.
    std::function<void()> m_during;
    int m_duringPhase = CMD_PHASE_PREPARE;

    // Off: Prepare passes without asking for a conductor.
    bool m_needsConductor = true;

    int Prepare() override {
        return Phase("P", CMD_PHASE_PREPARE) && (!m_needsConductor || CCBase::Prepare());
    }
    int Process() override { return Phase("R", CMD_PHASE_PROCESS) && CCBase::Process(); }
    int Finish() override { return Phase("F", CMD_PHASE_FINISH) && CCBase::Finish(); }
    void Abort() override { m_journal.Add("A" + m_name); }

private:
    int Phase(const char* letter, int phase) {
        m_journal.Add(letter + m_name);
        EXPECT_EQ(GetCommandPhase(), phase);
        if (m_during && m_duringPhase == phase)
            m_during();
        return phase != m_refusedPhase;
    }

    Journal& m_journal;
    std::string m_name;
    int m_refusedPhase;
};
std::atomic<int> CCTestCommand::s_alive{0};

// A command handler answering from a script, one answer per call of a phase;
// content (1) once the script is used up.
struct ScriptedHandler {
    explicit ScriptedHandler(Journal* journalTo = nullptr, std::string handlerName = {})
        : journal(journalTo), name(std::move(handlerName)) {}

    Journal* journal;
    std::string name;
    std::vector<int> prepareAnswers;
    std::vector<int> processAnswers;
    int calls[2] = {0, 0};
    int batchCount = -1;   // the size of the last batch seen
    bool quiet = false;    // no journal entries (handlers called many times)
    std::function<void()> during;

    static int Call(ECBase* performance, int phase, void* batch, void* user) {
        auto& self = *static_cast<ScriptedHandler*>(user);
        EXPECT_EQ(performance->GetClassType(), ET_PERFORMANCE);
        self.batchCount = static_cast<MCCommandList*>(batch)->GetCount();
        if (!self.quiet)
            self.journal->Add(self.name + std::to_string(phase));
        if (self.during)
            self.during();
        const auto& answers = phase == CMD_PHASE_PREPARE ? self.prepareAnswers : self.processAnswers;
        const int call = self.calls[phase]++;
        return call < static_cast<int>(answers.size()) ? answers[call] : 1;
    }
};

class CommandMgrTest : public ::testing::Test {
protected:
    void SetUp() override {
        CCTestCommand::s_alive = 0;
        m_performance = new ECPerformance;
        m_performance->Ref();
        m_performance->AddChild(new ECCommandTestConductor, SORTED);
        m_performance->AddStateHandler(&CommandMgrTest::OnState, this);
        m_references = m_performance->GetRefCount();   // the conductor's link counts too
    }

    void TearDown() override {
        PumpPending();   // aborted states are posted
        m_performance->SetCommandRate(0);
        EXPECT_EQ(CCTestCommand::s_alive, 0) << m_journal.Text();
        EXPECT_EQ(m_performance->GetRefCount(), m_references);
        m_performance->RemoveChildren(1);   // the conductor references its parent
        m_performance->Unref(1);
    }

    static int OnState(ECBase*, int, void* data, void* user) {
        auto* state = static_cast<SCBase*>(data);
        auto* commands = dynamic_cast<SCCommand*>(state);
        if (!commands)
            return 0;
        std::string entry = std::to_string(state->GetCode()) + ":";
        for (POSITION pos = commands->GetCommands().GetHeadPosition(); pos;) {
            auto* command = static_cast<CCTestCommand*>(commands->GetCommands().GetNext(pos));
            entry += (entry.back() == ':' ? "" : ",") + command->GetName();
        }
        static_cast<CommandMgrTest*>(user)->m_journal.Add(entry);
        return 0;
    }

    CCTestCommand* Make(const std::string& name, int refusedPhase = -1) {
        return new CCTestCommand(m_journal, name, refusedPhase);
    }
    ScriptedHandler& AddHandler(const std::string& name) {
        m_handlers.push_back(std::make_unique<ScriptedHandler>(&m_journal, name));
        ScriptedHandler& handler = *m_handlers.back();
        m_performance->AddCommandHandler(&ScriptedHandler::Call, &handler);
        return handler;
    }
    void Post(CCBase* command) { EXPECT_EQ(MCCommandMgr::ApplyCommand(command, m_performance), 1); }
    void Send(CCBase* command) {
        command->SetSynchronous(1);
        EXPECT_EQ(command->Apply(m_performance), 1);
    }
    MCCommandTimer* Timer() const { return m_performance->GetCommandMgr()->GetCommandTimer(); }

    Journal m_journal;
    ECPerformance* m_performance = nullptr;   // one reference is the fixture's
    int m_references = 0;                     // the performance's, between batches
    std::vector<std::unique_ptr<ScriptedHandler>> m_handlers;
};

TEST_F(CommandMgrTest, SynchronousCommandHasRunWhenApplyReturnsAlsoWhileARateIsSet) {
    AddHandler("a");
    CManualClock clock;
    m_performance->SetCommandRate(100);
    Post(Make("1"));
    PumpPending();   // queued in the timer
    EXPECT_EQ(Timer()->GetQueueCount(), 1);

    Send(Make("2"));   // overtakes the queued one
    EXPECT_EQ(m_journal.Text(), "P2 a0 R2 a1 F2 500:2 ~2");
    EXPECT_EQ(m_performance->GetRefCount(), m_references + 1);   // the queued command's
    m_journal.Clear();

    clock.Advance(100);
    ASSERT_TRUE(PumpUntil([] { return CCTestCommand::s_alive == 0; }));
    EXPECT_EQ(m_journal.Text(), "P1 a0 R1 a1 F1 500:1 ~1");
}

TEST_F(CommandMgrTest, PostedCommandRunsFromTheLoop) {
    ScriptedHandler& a = AddHandler("a");
    Post(Make("1"));
    EXPECT_EQ(m_journal.Text(), "");
    EXPECT_EQ(m_performance->GetRefCount(), m_references + 1);
    ASSERT_TRUE(PumpUntil([] { return CCTestCommand::s_alive == 0; }));
    EXPECT_EQ(m_journal.Text(), "P1 a0 R1 a1 F1 500:1 ~1");
    EXPECT_EQ(a.batchCount, 1);
}

TEST_F(CommandMgrTest, NullCommandOrPerformanceIsRefused) {
    EXPECT_EQ(MCCommandMgr::ApplyCommand(nullptr, m_performance), 0);
    CCTestCommand* command = Make("1");
    EXPECT_EQ(MCCommandMgr::ApplyCommand(command, nullptr), 0);
    EXPECT_EQ(command->GetTarget(), nullptr);
    PumpPending();
    EXPECT_EQ(m_journal.Text(), "");
    delete command;   // still the caller's
}

// Three commands posted within one rate: each Prepare before any Process, the
// handlers' passes once per batch, one done-state carrying all three.
TEST_F(CommandMgrTest, CommandsPostedWithinTheRateRunAsOneBatch) {
    ScriptedHandler& a = AddHandler("a");
    CManualClock clock;
    m_performance->SetCommandRate(100);
    EXPECT_EQ(m_performance->GetCommandMgr()->GetCommandRate(), 100u);
    const int references = m_performance->GetRefCount();

    Post(Make("1"));   // starts the delay
    PumpPending();
    clock.Advance(40);
    Post(Make("2"));
    PumpPending();
    clock.Advance(40);
    Post(Make("3"));
    PumpPending();
    clock.Advance(19);
    PumpPending();
    EXPECT_EQ(m_journal.Text(), "");
    EXPECT_EQ(Timer()->GetQueueCount(), 3);
    EXPECT_EQ(m_performance->GetRefCount(), references + 3);

    clock.Advance(1);
    ASSERT_TRUE(PumpUntil([] { return CCTestCommand::s_alive == 0; }));
    EXPECT_EQ(m_journal.Text(), "P1 P2 P3 a0 R1 R2 R3 a1 F1 F2 F3 500:1,2,3 ~1 ~2 ~3");
    EXPECT_EQ(a.batchCount, 3);
    EXPECT_EQ(m_performance->GetRefCount(), references);

    // The next command starts a delay of its own.
    m_journal.Clear();
    Post(Make("4"));
    PumpPending();
    clock.Advance(99);
    PumpPending();
    EXPECT_EQ(m_journal.Text(), "");
    clock.Advance(1);
    ASSERT_TRUE(PumpUntil([] { return CCTestCommand::s_alive == 0; }));
    EXPECT_EQ(m_journal.Text(), "P4 a0 R4 a1 F4 500:4 ~4");
}

TEST_F(CommandMgrTest, QueueingIsDecidedWhenTheMessageArrivesAndClearingTheRateRunsTheQueue) {
    CManualClock clock;
    Post(Make("1"));   // posted before the rate is set ...
    m_performance->SetCommandRate(100);
    PumpPending();     // ... and queued all the same
    Post(Make("2"));
    PumpPending();
    EXPECT_EQ(m_journal.Text(), "");
    ASSERT_NE(Timer(), nullptr);
    EXPECT_EQ(Timer()->GetQueueCount(), 2);

    m_performance->SetCommandRate(0);   // runs them at once, as one batch
    EXPECT_EQ(m_journal.Text(), "P1 P2 R1 R2 F1 F2 500:1,2 ~1 ~2");
    EXPECT_EQ(Timer(), nullptr);
    EXPECT_EQ(m_performance->GetCommandMgr()->GetCommandRate(), 0u);

    // Without a rate each posted command is a batch of its own.
    m_journal.Clear();
    Post(Make("3"));
    Post(Make("4"));
    ASSERT_TRUE(PumpUntil([] { return CCTestCommand::s_alive == 0; }));
    EXPECT_EQ(m_journal.Text(), "P3 R3 F3 500:3 ~3 P4 R4 F4 500:4 ~4");
}

TEST_F(CommandMgrTest, HandlerAskingAgainIsCalledUntilContentAndTheOthersWithIt) {
    ScriptedHandler& a = AddHandler("a");
    ScriptedHandler& b = AddHandler("b");
    a.prepareAnswers = {0, 0, 1};
    b.prepareAnswers = {1, 5, -2};   // anything but -1 and 0 is content
    Send(Make("1"));
    EXPECT_EQ(m_journal.Text(), "P1 a0 b0 a0 b0 a0 b0 R1 a1 b1 F1 500:1 ~1");
    EXPECT_EQ(a.calls[0], 3);
    EXPECT_EQ(b.calls[0], 3);
    EXPECT_EQ(a.calls[1], 1);
}

// A command refusing a phase is aborted and announced alone (posted); the
// batch stops there; its other commands are deleted, as is a done-state
// gathered before a refused Finish.
TEST_F(CommandMgrTest, CommandRefusingAPhaseIsAbortedAndNothingElseOfTheBatchLingers) {
    const struct {
        int refusedPhase;
        const char* atOnce;   // before the loop runs again
    } cases[] = {
        {CMD_PHASE_PREPARE, "P1 P2 A2 ~1 ~3"},
        {CMD_PHASE_PROCESS, "P1 P2 P3 a0 R1 R2 A2 ~1 ~3"},
        {CMD_PHASE_FINISH, "P1 P2 P3 a0 R1 R2 R3 a1 F1 F2 A2 ~1 ~3"},
    };
    AddHandler("a");
    CManualClock clock;
    for (const auto& c : cases) {
        m_journal.Clear();
        const int references = m_performance->GetRefCount();
        m_performance->SetCommandRate(100);
        Post(Make("1"));
        Post(Make("2", c.refusedPhase));
        Post(Make("3"));
        PumpPending();
        m_performance->SetCommandRate(0);
        EXPECT_EQ(m_journal.Text(), c.atOnce) << c.refusedPhase;
        ASSERT_TRUE(PumpUntil([] { return CCTestCommand::s_alive == 0; }));
        EXPECT_EQ(m_journal.Text(), std::string(c.atOnce) + " 501:2 ~2") << c.refusedPhase;
        EXPECT_EQ(m_performance->GetRefCount(), references) << c.refusedPhase;
    }
}

TEST_F(CommandMgrTest, PerformanceWithoutConductorAbortsEveryCommand) {
    auto* bare = new ECPerformance;
    bare->Ref();
    MCCommandMgr::ApplyCommand(Make("1"), bare);
    ASSERT_TRUE(PumpUntil([] { return CCTestCommand::s_alive == 0; }));
    // The aborted state goes to the bare performance's handlers: none here.
    EXPECT_EQ(m_journal.Text(), "P1 A1 ~1");
    EXPECT_EQ(bare->GetRefCount(), 1);
    bare->Unref(1);
}

// A document that closes lets go of its tree while a posted command may still
// be queued: the command arrives to a performance without a conductor and is
// refused, rather than linking its events under parts of the old tree that
// nothing holds any more (they would hold each other for good).
TEST_F(CommandMgrTest, ACommandArrivingAfterTheTreeWasLetGoIsRefused) {
    ASSERT_NE(m_performance->GetConductorEvent(), nullptr);   // cached
    Post(Make("1"));
    m_performance->RemoveChildren(1);
    --m_references;   // the conductor's link went with it
    ASSERT_TRUE(PumpUntil([] { return CCTestCommand::s_alive == 0; }));
    EXPECT_EQ(m_journal.Text(), "P1 A1 501:1 ~1");
}

// A handler's -1 (any phase) or 0 after Process cancels the batch without a
// state: its auto-delete commands are deleted, the others stay with their
// creator.
TEST_F(CommandMgrTest, BatchCancelledByAHandlerRaisesNoStateAndLeaksNothing) {
    const struct {
        std::vector<int> prepare, process;
        const char* journal;
    } cases[] = {
        {{-1}, {}, "P1 P2 a0 ~1"},                 // b is not called
        {{1}, {-1}, "P1 P2 a0 b0 R1 R2 a1 ~1"},    // nor here
        {{1}, {0}, "P1 P2 a0 b0 R1 R2 a1 b1 ~1"},  // the pass goes on
    };
    ScriptedHandler& a = AddHandler("a");
    AddHandler("b");
    CManualClock clock;
    for (const auto& c : cases) {
        m_journal.Clear();
        a.calls[0] = a.calls[1] = 0;
        a.prepareAnswers = c.prepare;
        a.processAnswers = c.process;
        const int references = m_performance->GetRefCount();
        CCTestCommand* kept = Make("2");
        kept->SetAutoDelete(0);
        m_performance->SetCommandRate(100);
        Post(Make("1"));
        Post(kept);
        PumpPending();
        m_performance->SetCommandRate(0);
        PumpPending();
        EXPECT_EQ(m_journal.Text(), c.journal);
        EXPECT_EQ(CCTestCommand::s_alive, 1);
        EXPECT_EQ(m_performance->GetRefCount(), references);
        delete kept;
    }
}

TEST_F(CommandMgrTest, HandlerPassesAfterPrepareAreBounded) {
    ScriptedHandler& a = AddHandler("a");
    a.quiet = true;
    a.prepareAnswers.assign(MCCommandMgr::MAX_PREPARE_PASSES + 10, 0);
    CTraceCapture traces;
    Send(Make("1"));
    EXPECT_EQ(a.calls[0], MCCommandMgr::MAX_PREPARE_PASSES);
    EXPECT_EQ(a.calls[1], 0);
    EXPECT_EQ(m_journal.Text(), "P1 ~1");   // cancelled as for -1: no state
    EXPECT_NE(traces.GetText().find("MCCommandMgr::Prepare"), std::string::npos);
}

// A command may apply a synchronous command inside its phase: that one runs
// to its end at once, seen by the handlers as a batch of its own, and is not
// announced when its state notification is off.
TEST_F(CommandMgrTest, NestedSynchronousCommandRunsAtOnceInsideThePhase) {
    AddHandler("a");
    CCTestCommand* outer = Make("1");
    outer->m_during = [this] {
        CCTestCommand* nested = Make("9");
        nested->SetStateNotify(0);
        Send(nested);
        m_journal.Add("back");
    };
    Post(outer);
    ASSERT_TRUE(PumpUntil([] { return CCTestCommand::s_alive == 0; }));
    EXPECT_EQ(m_journal.Text(), "P1 P9 a0 R9 a1 F9 ~9 back a0 R1 a1 F1 500:1 ~1");
}

TEST_F(CommandMgrTest, HandlersTakeTheirPlaceAndLeaveOneByOne) {
    MCCommandMgr* manager = m_performance->GetCommandMgr();
    ScriptedHandler& a = AddHandler("a");
    ScriptedHandler& b = AddHandler("b");
    ScriptedHandler first{&m_journal, "f"}, last{&m_journal, "l"}, other{&m_journal, "o"};
    manager->AddCommandHandler(&ScriptedHandler::Call, &first, 0);
    manager->AddCommandHandler(&ScriptedHandler::Call, &last, 99);
    manager->AddCommandHandler(&ScriptedHandler::Call, &other, -1);
    EXPECT_EQ(manager->GetHandlerCount(), 5);
    Send(Make("1"));
    EXPECT_EQ(m_journal.Text(), "P1 f0 a0 b0 l0 o0 R1 f1 a1 b1 l1 o1 F1 500:1 ~1");

    // The same function with other data is another record.
    EXPECT_EQ(m_performance->RemoveCommandHandler(&ScriptedHandler::Call, &first), 1);
    EXPECT_EQ(m_performance->RemoveCommandHandler(&ScriptedHandler::Call, &first), 0);
    // A handler may take out one that comes later in the same pass.
    a.during = [&] { m_performance->RemoveCommandHandler(&ScriptedHandler::Call, &last); };
    // ... and one whose pass has passed.
    b.during = [&] { m_performance->RemoveCommandHandler(&ScriptedHandler::Call, &a); };
    m_journal.Clear();
    Send(Make("2"));
    EXPECT_EQ(m_journal.Text(), "P2 a0 b0 o0 R2 b1 o1 F2 500:2 ~2");
    EXPECT_EQ(manager->GetHandlerCount(), 2);

    m_performance->RemoveCommandHandlers();
    EXPECT_EQ(manager->GetHandlerCount(), 0);
    m_journal.Clear();
    Send(Make("3"));
    EXPECT_EQ(m_journal.Text(), "P3 R3 F3 500:3 ~3");
}

TEST_F(CommandMgrTest, SynchronousCommandFromAnotherThreadRunsOnTheInterfaceThread) {
    const std::thread::id uiThread = std::this_thread::get_id();
    std::thread::id ranOn;
    CCTestCommand* command = Make("1");
    command->m_during = [&] { ranOn = std::this_thread::get_id(); };
    std::atomic<int> aliveOnReturn{-1};
    std::thread sender([&] {
        Send(command);
        aliveOnReturn = CCTestCommand::s_alive.load();
    });
    ASSERT_TRUE(PumpUntil([&] { return aliveOnReturn.load() != -1; }));
    sender.join();
    EXPECT_EQ(aliveOnReturn, 0);   // finished and deleted before Apply returned
    EXPECT_EQ(ranOn, uiThread);
    EXPECT_EQ(m_journal.Text(), "P1 R1 F1 500:1 ~1");
}

// Queued commands keep their performance alive; the batch that releases the
// last reference takes the performance, its manager and its timer with it.
TEST(CommandMgr, QueuedCommandsKeepTheirPerformanceAlive) {
    struct ECCountedPerformance : ECPerformance {
        explicit ECCountedPerformance(bool& gone) : m_gone(gone) {}
        ~ECCountedPerformance() override { m_gone = true; }
        bool& m_gone;
    };
    bool gone = false;
    Journal journal;
    CCTestCommand::s_alive = 0;
    CManualClock clock;
    auto* performance = new ECCountedPerformance(gone);
    performance->Ref();
    performance->SetCommandRate(100);
    for (const char* name : {"1", "2"}) {
        auto* command = new CCTestCommand(journal, name);
        command->m_needsConductor = false;   // a tree without one will do
        MCCommandMgr::ApplyCommand(command, performance);
    }
    PumpPending();
    performance->Unref(1);   // the document lets go
    EXPECT_FALSE(gone);

    clock.Advance(100);
    ASSERT_TRUE(PumpUntil([&] { return gone; }));
    EXPECT_EQ(journal.Text(), "P1 P2 R1 R2 F1 F2 ~1 ~2");
    EXPECT_EQ(CCTestCommand::s_alive, 0);
}

}  // namespace
