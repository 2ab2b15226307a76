// The program's states: how each is delivered by default, the edit mode and
// its prototype event, the preference state's selection colour, selections
// (order, mirrors, types, equality) and the living counts of status and time
// states.
#include "model/appstates.h"

#include "model/editstates.h"
#include "model/performance.h"
#include "platform/core/profile.h"
#include "tests/model/actions_test.h"
#include "tests/model/states_test.h"
#include "tests/platform/messaging_support.h"

#include <gtest/gtest.h>

#include <map>
#include <thread>
#include <vector>

using actiontest::NamesOf;
using actiontest::TestTree;
using messaging_test::PumpUntil;

namespace {

TEST(AppStates, EachKindHasItsDeliveryDefault) {
    ECBase* none = nullptr;
    const struct {
        const char* name;
        std::unique_ptr<SCBase> state;
        int asynchronous;
    } cases[] = {
        {"file", std::make_unique<SCFile>(STATE_FILE_OPENED), 0},
        {"file ()", std::make_unique<SCFile>(), 0},
        {"selection", std::make_unique<SCSelection>(STATE_SELECTION_ADD, none), 0},
        {"edit 1200", std::make_unique<SCEventEdit>(STATE_EVENTS_EDITED), 0},
        {"edit 1201", std::make_unique<SCEventEdit>(STATE_EDIT_DONE), 1},
        {"command", std::make_unique<SCCommand>(STATE_COMMAND_ABORTED), 1},
        {"mode", std::make_unique<SCMode>(STATE_MODE_SELECT), 1},
        {"prefs", std::make_unique<SCPrefs>(), 1},
        {"status", std::make_unique<SCStatus>(STATE_STATUS_TEXT), 1},
        {"time", std::make_unique<SCTime>(STATE_TIME_POSITION, MCTime(2.0f)), 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.state->IsAsynchronous(), c.asynchronous) << c.name;
    EXPECT_EQ(SCPrefs().GetCode(), unsigned{STATE_PREFS_CHANGED});
    EXPECT_EQ(SCSelection().GetCode(), unsigned{STATE_SELECTION_CLEAR});
    EXPECT_TRUE(SCTime().GetTime() == MCTime::TimeNull());
}

// ---- modes ----------------------------------------------------------------------

class ModeTest : public ::testing::Test {
protected:
    void TearDown() override {
        SCMode::SetMode(STATE_MODE_SELECT);
        SCMode::SetEventFunc(nullptr, nullptr);
    }
};

ECBase* Prototype(void* data) {
    return static_cast<ECBase*>(data);
}

TEST_F(ModeTest, ConstructingAModeSetsItEvenWhenNeverApplied) {
    {
        SCMode insert(STATE_MODE_INSERT);
        EXPECT_EQ(SCMode::GetMode(), STATE_MODE_INSERT);
    }
    EXPECT_EQ(SCMode::GetMode(), STATE_MODE_INSERT);   // deleting changes nothing
    SCMode none;
    EXPECT_EQ(SCMode::GetMode(), 0);
}

TEST_F(ModeTest, ThePrototypeEventIsGivenOnlyInInsertModeWithAFunction) {
    TestTree tree;
    ECBase* clef = tree.Add("clef", ET_CLEF);
    const struct {
        int mode;
        bool installed;
        bool given;
    } cases[] = {
        {STATE_MODE_SELECT, true, false}, {STATE_MODE_INSERT, true, true},
        {STATE_MODE_ERASE, true, false},  {STATE_MODE_INSERT, false, false},
    };
    for (const auto& c : cases) {
        SCMode::SetEventFunc(c.installed ? &Prototype : nullptr, clef);
        SCMode mode(c.mode);
        EXPECT_EQ(SCMode::GetEvent(), c.given ? clef : nullptr) << c.mode << " " << c.installed;
    }
}

// ---- preferences ----------------------------------------------------------------

TEST(SCPrefs, ReloadsTheSelectionColourOnlyOnPreferencesChanged) {
    const uint32_t before = SCSelection::GetColor();
    const struct {
        const char* stored;   // nullptr: absent
        unsigned code;
        uint32_t expected;
    } cases[] = {
        {nullptr, STATE_PREFS_CHANGED, 65280},
        {"255", STATE_PREFS_CHANGED, 255},
        {"255", STATE_MODE_SELECT, 12345},   // another code: left alone
    };
    for (const auto& c : cases) {
        CProfile::Application().DeleteKey("Settings\\Color", "Selection");
        if (c.stored)
            WriteProfileString("Settings\\Color", "Selection", c.stored);
        SCSelection::SetColor(12345);
        SCPrefs(c.code).DoState();
        EXPECT_EQ(SCSelection::GetColor(), c.expected) << (c.stored ? c.stored : "(absent)");
    }

    // Applied without a performance, as the preference pages do.
    WriteProfileString("Settings\\Color", "Selection", "16711680");
    (new SCPrefs)->Apply(nullptr);
    EXPECT_TRUE(PumpUntil([] { return SCSelection::GetColor() == 16711680u; }));

    CProfile::Application().DeleteKey("Settings\\Color", "Selection");
    SCSelection::SetColor(before);
}

// ---- selections -----------------------------------------------------------------

std::map<ECBase*, ECBase*> s_shows;
ECBase* ShownBy(ECBase* mirror) {
    auto found = s_shows.find(mirror);
    return found != s_shows.end() ? found->second : nullptr;
}

class SelectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_previous = MCEventList::SetMirrorResolver(&ShownBy);
        tree.Add("N1", ET_NOTE, nullptr, 1.0f);
        tree.Add("N2", ET_NOTE, nullptr, 2.0f);
        tree.Add("N3", ET_NOTE, nullptr, 3.0f);
        tree.Add("C", ET_CLEF, nullptr, 0.0f);
        tree.Add("X", ET_MIRROR, nullptr, 4.0f);
        s_shows = {{tree["X"], tree["C"]}};
    }
    void TearDown() override {
        MCEventList::SetMirrorResolver(m_previous);
        s_shows.clear();
    }

    TestTree tree;

private:
    MCEventList::MirrorResolver m_previous = nullptr;
};

TEST_F(SelectionTest, HoldsEachEventOnceInTimeOrder) {
    SCSelection selection(STATE_SELECTION_REPLACE, tree["N3"]);
    for (const char* name : {"N1", "N3", "N2"})
        selection.AddToSelection(tree[name]);
    selection.AddToSelection(static_cast<ECBase*>(nullptr));
    EXPECT_EQ(NamesOf(selection.GetEvents(0)), "N1 N2 N3");
    const int refs = tree["N2"]->GetRefCount();
    selection.RemoveFromSelection(tree["N2"]);
    EXPECT_EQ(tree["N2"]->GetRefCount(), refs - 1);
    // A selection may be asked to remove its own events.
    selection.RemoveFromSelection(&selection.GetEvents(0));
    EXPECT_TRUE(selection.IsEmpty());
}

TEST_F(SelectionTest, TheEventTypeIsThatOfTheResolvedEvents) {
    SCSelection selection(STATE_SELECTION_ADD);
    EXPECT_EQ(selection.GetEventType(), -1);   // empty

    selection.AddToSelection(tree["X"]);   // a mirror of the clef
    EXPECT_EQ(selection.GetEventType(), ET_CLEF);
    EXPECT_EQ(NamesOf(selection.GetEvents(0)), "X");
    EXPECT_EQ(NamesOf(selection.GetEvents(1)), "C");

    selection.AddToSelection(tree["C"]);   // the clef itself: resolved once
    EXPECT_EQ(NamesOf(selection.GetEvents(1)), "C");
    selection.AddToSelection(tree["N1"]);
    EXPECT_EQ(selection.GetEventType(), -2);   // mixed

    selection.ClearSelection();
    EXPECT_EQ(selection.GetEventType(), -1);
    EXPECT_TRUE(selection.GetEvents(1).IsEmpty());
}

TEST_F(SelectionTest, EqualOnlyWithTheSameEventsInTheSameOrderAndNotWhenEmpty) {
    auto make = [&](std::vector<const char*> names) {
        auto selection = std::make_unique<SCSelection>(STATE_SELECTION_REPLACE);
        for (const char* name : names)
            selection->AddToSelection(tree[name]);
        return selection;
    };
    // Untimed events keep the order they were added in; timed ones are sorted.
    tree.AddUntimed("U1");
    tree.AddUntimed("U2");
    const struct {
        std::vector<const char*> a, b;
        bool equal;
    } cases[] = {
        {{"N1", "N2"}, {"N2", "N1"}, true},    // both sorted into time order
        {{"U1", "U2"}, {"U2", "U1"}, false},   // the same events in another order
        {{"N1"}, {"N1", "N2"}, false},
        {{}, {}, false},
        {{"N1"}, {"N2"}, false},
    };
    for (const auto& c : cases) {
        auto a = make(c.a), b = make(c.b);
        EXPECT_EQ(*a == *b, c.equal) << c.a.size() << "/" << c.b.size();
        EXPECT_EQ(*a != *b, !c.equal);
    }
}

TEST_F(SelectionTest, CopiesHoldTheSameEventsWithTheirOwnReferences) {
    SCSelection original(STATE_SELECTION_ADD, tree["N1"]);
    original.AddToSelection(tree["N2"]);
    const int refs = tree["N1"]->GetRefCount();

    SCSelection copy(original);
    EXPECT_TRUE(copy == original);
    EXPECT_EQ(copy.GetCode(), unsigned{STATE_SELECTION_ADD});
    SCSelection assigned(STATE_SELECTION_CLEAR, tree["N3"]);
    assigned = original;
    EXPECT_EQ(NamesOf(assigned.GetEvents(0)), "N1 N2");
    EXPECT_EQ(tree["N1"]->GetRefCount(), refs + 2);
    assigned = assigned;
    EXPECT_EQ(NamesOf(assigned.GetEvents(0)), "N1 N2");
}

// ---- status and time ------------------------------------------------------------

TEST(SCStatus, TakesItsTextFromTheStringTableAndKeepsItsRange) {
    SCStatus byId(STATE_PROGRESS_BEGIN, UINT{11788});   // a string of the data model
    EXPECT_EQ(byId.GetMessage(), "Clef");
    int low = -1, high = -1;
    byId.GetProgressRange(low, high);
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 100);
    EXPECT_EQ(byId.GetProgressStep(), 1);
    SCStatus text(STATE_STATUS_TEXT, "Ready");
    EXPECT_EQ(text.GetMessage(), "Ready");
}

TEST(StateCounts, CountTheLivingStatusAndTimeStatesOnEveryThread) {
    const int status = SCStatus::s_actionCount;
    const int time = SCTime::s_actionCount;
    {
        SCStatus a(STATE_STATUS_TEXT);
        SCStatus b(a);   // a copy is alive too
        SCTime t(STATE_TIME_POSITION, MCTime(1.0f));
        SCTime u;
        SCTime v(t);
        EXPECT_EQ(SCStatus::s_actionCount, status + 2);
        EXPECT_EQ(SCTime::s_actionCount, time + 3);
    }
    EXPECT_EQ(SCStatus::s_actionCount, status);
    EXPECT_EQ(SCTime::s_actionCount, time);

    // Made on workers, as the recorder's and metronome's threads make theirs.
    std::vector<std::thread> workers;
    for (int w = 0; w < 4; ++w)
        workers.emplace_back([] {
            for (int i = 0; i < 20000; ++i) {
                delete new SCStatus(STATE_PROGRESS_STEP);
                delete new SCTime(STATE_TIME_POSITION, MCTime(0.0f));
            }
        });
    for (auto& worker : workers)
        worker.join();
    EXPECT_EQ(SCStatus::s_actionCount, status);
    EXPECT_EQ(SCTime::s_actionCount, time);
}

// Time states delivered to a performance are counted until deleted.
TEST(StateCounts, ADeliveredStateIsNoLongerCounted) {
    statetest::HeldPerformance performance;
    const int time = SCTime::s_actionCount;
    (new SCTime(STATE_TIME_POSITION, MCTime(3.0f)))->Apply(performance.get());
    EXPECT_EQ(SCTime::s_actionCount, time + 1);
    EXPECT_TRUE(PumpUntil([&] { return SCTime::s_actionCount == time; }));
}

}  // namespace
