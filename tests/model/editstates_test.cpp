// States of events changed in place: a 1200 edit is seen by every receiver
// with the old structure, then its moves are carried out and a 1201 follows;
// delete lists take a clef's, key's or meter's mirrors along and detach
// everything once the receivers have seen it; edit items keep their
// references balanced.
#include "model/editstates.h"

#include "model/performance.h"
#include "tests/model/actions_test.h"
#include "tests/model/states_test.h"
#include "tests/platform/messaging_support.h"

#include <gtest/gtest.h>

#include <map>

using actiontest::NamesOf;
using actiontest::TestTree;
using messaging_test::PumpPending;
using messaging_test::PumpUntil;
using statetest::HeldPerformance;
using statetest::Log;

namespace {

// Which event each test mirror shows.
std::map<ECBase*, ECBase*> s_shows;
ECBase* ShownBy(ECBase* mirror) {
    auto found = s_shows.find(mirror);
    return found != s_shows.end() ? found->second : nullptr;
}

// The document of these tests: a performance over a staff of two measures.
//   P (performance)
//     S (staff, 0)
//       M1 (measure, 0):  N (note, 1) [A]
//       M2 (measure, 4)
class EditStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_previousResolver = MCEventList::SetMirrorResolver(&ShownBy);
        tree.Add("S", ET_STAFF, nullptr, 0.0f);
        performance->AddChild(tree["S"], SORTED);
        tree.Add("M1", ET_MEASURE, "S", 0.0f);
        tree.Add("M2", ET_MEASURE, "S", 4.0f);
        tree.Add("N", ET_NOTE, "M1", 1.0f);
        tree.Add("A", ET_ACCIDENTAL, "N", 1.0f);
    }
    void TearDown() override {
        performance->RemoveChildren(0);   // the staff references its performance
        MCEventList::SetMirrorResolver(m_previousResolver);
        s_shows.clear();
    }

    // "parent@time" of an event: its parents' names and its time.
    static std::string Where(ECBase* event) {
        return NamesOf(*event->GetParents()) + "@" + std::to_string(event->GetTime()->GetSeconds());
    }

    HeldPerformance performance;
    TestTree tree;
    Log log;

private:
    MCEventList::MirrorResolver m_previousResolver = nullptr;
};

// Logs the code and where the watched event stands when a state arrives.
struct Watch {
    ECBase* event;
    Log* log;
};
int WatchHandler(ECBase*, int, void* state, void* user) {
    auto* watch = static_cast<Watch*>(user);
    const auto* edit = static_cast<SCBase*>(state);
    watch->log->entries.push_back(std::to_string(edit->GetCode()) + ":" +
                                  NamesOf(*watch->event->GetParents()) + "@" +
                                  std::to_string(static_cast<int>(watch->event->GetTime()->GetSeconds())));
    return 1;
}

TEST_F(EditStateTest, AMoveIsSeenBeforeItIsCarriedOutAndTheEditDoneFollows) {
    ECBase* note = tree["N"];
    Watch watch{note, &log};
    performance->AddStateHandler(&WatchHandler, &watch);

    // How the 1201 is delivered: as it comes (posted), or chosen by
    // SetAsynchronous on the 1200, which is sent whatever is chosen.
    const struct {
        int followUp;   // -1: SetAsynchronous not called
        bool doneAtOnce;
    } cases[] = {{-1, false}, {1, false}, {0, true}};
    float to = 3.0f;
    for (const auto& c : cases) {
        log.entries.clear();
        const std::string from = NamesOf(*note->GetParents());
        const std::string dest = from == "M1" ? "M2" : "M1";
        const int was = static_cast<int>(note->GetTime()->GetSeconds());

        auto* edit = new SCEventEdit(STATE_EVENTS_EDITED);
        EXPECT_EQ(edit->IsAsynchronous(), 0);
        SCEventEditItem* item = edit->AddItem(note, tree[dest], MCTime(to));
        EXPECT_EQ(item->GetEditCode(), EDIT_MOVE);
        EXPECT_EQ(item->GetOldTime().GetSeconds(), static_cast<float>(was));
        if (c.followUp >= 0)
            edit->SetAsynchronous(c.followUp);
        edit->Apply(performance.get());

        const std::string seen = "1200:" + from + "@" + std::to_string(was);
        const std::string done = "1201:" + dest + "@" + std::to_string(static_cast<int>(to));
        EXPECT_EQ(log.Joined(), c.doneAtOnce ? seen + " " + done : seen) << c.followUp;
        // Moved as soon as the 1200 was delivered, with its own children.
        EXPECT_EQ(NamesOf(*note->GetParents()), dest);
        EXPECT_EQ(NamesOf(*note->GetChildren()), "A");
        EXPECT_EQ(tree[from]->GetChildren()->Find(note), nullptr);
        ASSERT_TRUE(PumpUntil([&] { return log.entries.size() == 2; })) << c.followUp;
        EXPECT_EQ(log.entries[1], done);
        to += 1.0f;
    }
}

TEST_F(EditStateTest, OnlyMovesChangeTheTreeAndAMoveToTheSameParentOnlyRetimes) {
    tree.Add("N2", ET_NOTE, "M1", 2.0f);
    tree.Add("N3", ET_NOTE, "M1", 3.0f);
    {
        SCEventEdit edit(STATE_EVENTS_EDITED);
        edit.SetAutoDelete(0);
        edit.AddItem(tree["N"], 102);                       // some other change
        edit.AddItem(tree["N2"], nullptr, MCTime(2.5f));     // no new parent
        edit.AddItem(tree["N3"], tree["M1"], MCTime(3.5f));  // already there
        edit.Apply(performance.get());
    }   // the sender deletes it: then the moves
    EXPECT_EQ(NamesOf(*tree["M1"]->GetChildren()), "N N2 N3");
    EXPECT_EQ(tree["N"]->GetTime()->GetSeconds(), 1.0f);
    EXPECT_EQ(tree["N2"]->GetTime()->GetSeconds(), 2.5f);
    EXPECT_EQ(tree["N3"]->GetTime()->GetSeconds(), 3.5f);
    PumpPending();   // the 1201 that followed
}

// A move that stays in its parent still changes its place among the
// parent's children, which are read in time order.
TEST_F(EditStateTest, AMoveWithinItsParentTakesItsPlaceByTime) {
    tree.Add("N2", ET_NOTE, "M1", 2.0f);
    tree.Add("N3", ET_NOTE, "M1", 3.0f);
    {
        SCEventEdit edit(STATE_EVENTS_EDITED);
        edit.SetAutoDelete(0);
        edit.AddItem(tree["N"], tree["M1"], MCTime(3.5f));   // its parent already
        edit.AddItem(tree["N3"], nullptr, MCTime(0.5f));     // no new parent
        edit.Apply(performance.get());
    }
    EXPECT_EQ(NamesOf(*tree["M1"]->GetChildren()), "N3 N2 N");
    EXPECT_EQ(NamesOf(*tree["N"]->GetChildren()), "A");
    PumpPending();   // the 1201 that followed
}

TEST_F(EditStateTest, AStateOtherThan1200IsPostedAndMovesNothing) {
    auto* edit = new SCEventEdit(STATE_EDIT_DONE);
    EXPECT_EQ(edit->IsAsynchronous(), 1);
    edit->AddItem(tree["N"], tree["M2"], MCTime(5.0f));
    Watch watch{tree["N"], &log};
    performance->AddStateHandler(&WatchHandler, &watch);
    edit->Apply(performance.get());
    ASSERT_TRUE(PumpUntil([&] { return log.entries.size() == 1; }));
    EXPECT_EQ(log.Joined(), "1201:M1@1");
    EXPECT_EQ(Where(tree["N"]), "M1@" + std::to_string(1.0f));
}

// Whether every watched event still has a parent when the state arrives.
struct Attached {
    std::vector<ECBase*> events;
    bool allAttached = false;
};
int AttachedHandler(ECBase*, int, void*, void* user) {
    auto* attached = static_cast<Attached*>(user);
    attached->allAttached = true;
    for (ECBase* event : attached->events)
        attached->allAttached = attached->allAttached && !event->GetParents()->IsEmpty();
    return 1;
}

TEST_F(EditStateTest, AKeyOnTheDeleteListTakesItsMirrorsAndAllLeaveAfterDelivery) {
    tree.Add("K", ET_KEY, "M1", 0.0f);
    tree.Add("K2", ET_KEY, "M2", 4.0f);
    tree.Add("X1", ET_MIRROR, "M1", 0.0f);
    tree.Add("X2", ET_MIRROR, "M2", 4.0f);
    tree.Add("X3", ET_MIRROR, "M2", 4.0f);
    s_shows = {{tree["X1"], tree["K"]}, {tree["X2"], tree["K"]}, {tree["X3"], tree["K2"]}};

    auto* state = new SCEventEdit(STATE_EVENTS_EDITED);
    state->AddToDeleteList(tree["K"]);
    state->AddToDeleteList(tree["K"]);    // once only
    state->AddToDeleteList(tree["X1"]);   // already taken along
    state->AddToDeleteList(tree["N"]);    // a note brings nothing else
    EXPECT_EQ(NamesOf(state->GetDeleteList()), "K X1 X2 N");
    state->RemoveFromDeleteList(tree["X2"]);

    Attached attached{{tree["K"], tree["X1"], tree["N"]}};
    performance->AddStateHandler(&AttachedHandler, &attached);
    state->Apply(performance.get());
    EXPECT_TRUE(attached.allAttached);   // the receivers saw them in the tree
    for (const char* gone : {"K", "X1", "N"})
        EXPECT_TRUE(tree[gone]->GetParents()->IsEmpty()) << gone;
    EXPECT_TRUE(tree["A"]->GetParents()->IsEmpty());   // the note's own, with it
    for (const char* stays : {"K2", "X2", "X3", "M1"})
        EXPECT_FALSE(tree[stays]->GetParents()->IsEmpty()) << stays;
    PumpPending();   // the 1201 that followed
}

TEST_F(EditStateTest, EditItemsKeepTheirReferencesBalanced) {
    ECBase* note = tree["N"];
    ECBase* parent = tree["M2"];
    const int noteRefs = note->GetRefCount();
    const int parentRefs = parent->GetRefCount();
    {
        SCEventEditItem move(note, parent, MCTime(2.0f));
        EXPECT_EQ(note->GetRefCount(), noteRefs + 1);
        EXPECT_EQ(parent->GetRefCount(), parentRefs + 1);
        SCEventEditItem copy(move);
        EXPECT_EQ(note->GetRefCount(), noteRefs + 2);
        EXPECT_EQ(copy.GetNewTime().GetSeconds(), 2.0f);
        EXPECT_EQ(copy.GetOldTime().GetSeconds(), 1.0f);

        SCEventEditItem other(parent, 0);
        other = move;
        EXPECT_EQ(other.GetEvent(), note);
        EXPECT_EQ(note->GetRefCount(), noteRefs + 3);
        copy.SetEvent(note);   // the same again
        copy.SetNewParent(nullptr);
        EXPECT_EQ(note->GetRefCount(), noteRefs + 3);
        EXPECT_EQ(parent->GetRefCount(), parentRefs + 2);
    }
    EXPECT_EQ(note->GetRefCount(), noteRefs);
    EXPECT_EQ(parent->GetRefCount(), parentRefs);

    // An item of an untimed event has no old time.
    ECBase* untimed = tree.AddUntimed("U");
    SCEventEditItem item(untimed, parent, MCTime(1.0f));
    EXPECT_TRUE(item.GetOldTime() == MCTime::TimeNull());
}

}  // namespace
