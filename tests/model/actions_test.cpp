// The walk of the tree actions, written down as traces: each DoAction logs
// the event's name, BeginAction "Begin", EndAction "End"; a test action
// answers scripted codes per event.
#include "model/actions.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/model/actions_test.h"

namespace {

using actiontest::BuildStaff;
using actiontest::NameOf;
using actiontest::TestTree;

template <class Base>
class TraceAction : public Base {
public:
    std::map<const ECBase*, int> answers;
    int beginAnswer = 1;
    std::string log;

    int BeginAction() override {
        Append("Begin");
        Base::BeginAction();
        return beginAnswer;
    }
    int DoAction(ECBase* event) override {
        Append(NameOf(event));
        auto found = answers.find(event);
        return found == answers.end() ? AC_CONTINUE : found->second;
    }
    void EndAction() override { Append("End"); }

private:
    void Append(const std::string& word) {
        if (!log.empty())
            log += ' ';
        log += word;
    }
};

enum class Walk { Single, List };

struct WalkCase {
    const char* what;
    std::vector<const char*> start;                // one event, or the list's entries
    Walk walk = Walk::Single;
    int listFlag = 0;
    std::vector<std::pair<const char*, int>> answers = {};
    int depth = -1;                                // -1: the default
    bool clipNone = false;
    bool reverse = false;
    bool relativesFirst = false;
    int beginAnswer = 1;
    const char* trace = "";
    int result = 0;
};

// Runs one case on a fresh staff (see BuildStaff).
template <class Base>
void RunCase(const WalkCase& c) {
    TestTree tree;
    BuildStaff(tree);
    TraceAction<Base> action;
    for (const auto& [name, code] : c.answers)
        action.answers[tree[name]] = code;
    if (c.depth >= 0)
        action.SetDepth(static_cast<unsigned char>(c.depth));
    if (c.clipNone)
        action.ClipNone();
    action.SetReverse(c.reverse ? 1 : 0);
    action.beginAnswer = c.beginAnswer;

    int result;
    if (c.walk == Walk::Single) {
        result = action.Apply(tree[c.start.front()]);
    } else {
        MCEventList list;
        for (const char* name : c.start)
            list.AddEvent(tree[name], UNSORTED);
        result = action.Apply(list, c.listFlag);
    }
    EXPECT_EQ(action.log, c.trace) << c.what;
    EXPECT_EQ(result, c.result) << c.what;
}

TEST(TreeActionWalk, TracesOfEveryResultDepthClippingListAndDirection) {
    const WalkCase cases[] = {
        // Depth first, each event before its relatives and its EndAction after
        // them; the beam is visited but not entered, so each note is met once.
        {.what = "default walk", .start = {"S"},
         .trace = "Begin S M1 Bm N1 A End End N2 End R End End M2 N3 End End End"},
        {.what = "ClipNone enters the beam: its notes are met twice", .start = {"S"},
         .clipNone = true,
         .trace = "Begin S M1 Bm N1 A End End N2 End End N1 A End End N2 End R End End "
                  "M2 N3 End End End"},
        {.what = "a value outside -1..3 walks on, even into a clipped event", .start = {"M1"},
         .answers = {{"Bm", 5}},
         .trace = "Begin M1 Bm N1 A End End N2 End End N1 A End End N2 End R End End"},
        {.what = "a value outside -1..3 comes up as the result", .start = {"S"},
         .answers = {{"N3", 7}},
         .trace = "Begin S M1 Bm N1 A End End N2 End R End End M2 N3 End End End",
         .result = 7},
        {.what = "1 does not enter the event and skips its EndAction", .start = {"S"},
         .answers = {{"N1", AC_SKIP}},
         .trace = "Begin S M1 Bm N1 N2 End R End End M2 N3 End End End"},
        {.what = "2 stops the walk; the ancestors still end", .start = {"S"},
         .answers = {{"N1", AC_STOP}},
         .trace = "Begin S M1 Bm N1 End End", .result = AC_STOP},
        {.what = "-1 aborts the walk", .start = {"S"},
         .answers = {{"A", AC_ABORT}},
         .trace = "Begin S M1 Bm N1 A End End End", .result = AC_ABORT},
        {.what = "3 skips the later siblings only", .start = {"S"},
         .answers = {{"N2", AC_STOP_SIBLINGS}},
         .trace = "Begin S M1 Bm N1 A End End N2 End M2 N3 End End End"},
        {.what = "3 from the start event comes back as it is", .start = {"S"},
         .answers = {{"S", AC_STOP_SIBLINGS}}, .trace = "Begin S", .result = 3},
        {.what = "depth 0 with relatives: no EndAction", .start = {"S"}, .depth = 0,
         .trace = "Begin S", .result = AC_SKIP},
        {.what = "depth 0 without relatives: EndAction", .start = {"A"}, .depth = 0,
         .trace = "Begin A End"},
        {.what = "depth 1: the start event and its children", .start = {"S"}, .depth = 1,
         .trace = "Begin S M1 M2 End"},
        {.what = "reverse: up through every parent; the beam is not entered",
         .start = {"A"}, .reverse = true,
         .trace = "Begin A N1 M1 S End End Bm End End"},
        {.what = "reverse without clipping", .start = {"N2"}, .clipNone = true,
         .reverse = true, .trace = "Begin N2 M1 S End End Bm M1 S End End End End"},
        {.what = "BeginAction 0: nothing is visited, no EndAction", .start = {"S"},
         .beginAnswer = 0, .trace = "Begin", .result = AC_ABORT},
        {.what = "BeginAction 2: only bit 0 counts", .start = {"S"}, .beginAnswer = 2,
         .trace = "Begin", .result = AC_ABORT},
        {.what = "list: one EndAction at the end", .start = {"N1", "M2"}, .walk = Walk::List,
         .trace = "Begin N1 A M2 N3 End"},
        {.what = "list: 3 with flag 0 stops with 2", .start = {"N1", "N2", "R"},
         .walk = Walk::List, .answers = {{"N2", AC_STOP_SIBLINGS}},
         .trace = "Begin N1 A N2 End", .result = AC_STOP},
        {.what = "list: 3 with flag 1 goes on", .start = {"N1", "N2", "R"},
         .walk = Walk::List, .listFlag = 1, .answers = {{"N2", AC_STOP_SIBLINGS}},
         .trace = "Begin N1 A N2 R End"},
        {.what = "list: 3 with flag 1 from the last entry is the result",
         .start = {"N1", "N2"}, .walk = Walk::List, .listFlag = 1,
         .answers = {{"N2", AC_STOP_SIBLINGS}}, .trace = "Begin N1 A N2 End",
         .result = AC_STOP_SIBLINGS},
        {.what = "list: -1 stops", .start = {"N1", "N2"}, .walk = Walk::List,
         .answers = {{"N1", AC_ABORT}}, .trace = "Begin N1 End", .result = AC_ABORT},
        {.what = "list: BeginAction 0 still ends once", .start = {"N1", "N2"},
         .walk = Walk::List, .beginAnswer = 0, .trace = "Begin End", .result = AC_ABORT},
        {.what = "list: the depth limit counts from each entry", .start = {"M1", "M2"},
         .walk = Walk::List, .depth = 1, .trace = "Begin M1 Bm N1 N2 R M2 N3 End"},
        {.what = "empty list: EndAction without BeginAction", .start = {},
         .walk = Walk::List, .trace = "End"},
    };
    for (const auto& c : cases)
        RunCase<ACBase>(c);

    const WalkCase relativesFirst[] = {
        // Post-order; clipping does not keep the walk out of the beam.
        {.what = "relatives first", .start = {"S"},
         .trace = "Begin A End N1 End N2 End Bm End A End N1 End N2 End R End M1 End "
                  "N3 End M2 End S End"},
        {.what = "relatives first: 3 ends the siblings, the parent is still visited",
         .start = {"M1"}, .answers = {{"N1", AC_STOP_SIBLINGS}},
         .trace = "Begin A End N1 End Bm End A End N1 End M1 End"},
        {.what = "relatives first: 2 ends the walk", .start = {"S"},
         .answers = {{"A", AC_STOP}}, .trace = "Begin A End End End End End",
         .result = AC_STOP},
        {.what = "relatives first: a clipped event answers 1", .start = {"Bm"},
         .trace = "Begin A End N1 End N2 End Bm End", .result = AC_SKIP},
        {.what = "relatives first: depth 0 with relatives visits nothing", .start = {"S"},
         .depth = 0, .trace = "Begin", .result = AC_SKIP},
        {.what = "relatives first, reverse", .start = {"A"}, .reverse = true,
         .trace = "Begin S End M1 End S End M1 End Bm End N1 End A End"},
    };
    for (const auto& c : relativesFirst)
        RunCase<ACRelativesFirst>(c);
}

// An action whose DoAction removes the event it meets from its parent: the
// walk has already taken the next sibling.
class RemovingAction : public ACBase {
public:
    explicit RemovingAction(ECBase* parent) : m_parent(parent) {}
    int DoAction(ECBase* event) override {
        if (event != m_parent) {
            names += NameOf(event);
            m_parent->RemoveChild(event, 1);
        }
        return AC_CONTINUE;
    }
    std::string names;

private:
    ECBase* m_parent;
};

TEST(TreeActionWalk, ActionMayRemoveTheEventItMeets) {
    TestTree tree;
    tree.Add("M", ET_MEASURE);
    tree.Add("a", ET_NOTE, "M", 0.0f);
    tree.Add("b", ET_NOTE, "M", 1.0f);
    tree.Add("c", ET_NOTE, "M", 2.0f);
    RemovingAction action(tree["M"]);
    EXPECT_EQ(action.Apply(tree["M"]), AC_CONTINUE);
    EXPECT_EQ(action.names, "abc");
    EXPECT_TRUE(tree["M"]->GetChildren()->IsEmpty());
}

TEST(TreeActionWalk, BeginActionRunsOnceUntilReset) {
    TestTree tree;
    BuildStaff(tree);
    TraceAction<ACBase> action;
    action.SetDepth(0);
    action.Apply(tree["N2"]);
    action.Apply(tree["R"]);
    action.Reset();
    action.Apply(tree["A"]);
    EXPECT_EQ(action.log, "Begin N2 End R End Begin A End");
}

TEST(TreeActionWalk, ListModeStaysSet) {
    TestTree tree;
    BuildStaff(tree);
    TraceAction<ACBase> action;
    MCEventList list;
    list.AddEvent(tree["N2"], UNSORTED);
    action.Apply(list, 0);
    action.Apply(tree["R"]);   // no EndAction any more
    EXPECT_EQ(action.log, "Begin N2 End R");
}

TEST(TreeActionWalk, ClipTypes) {
    TestTree tree;
    BuildStaff(tree);

    // Clipping an extra type keeps the walk out of the measures too.
    TraceAction<ACBase> measures;
    measures.ClipEvtType(ET_MEASURE);
    EXPECT_EQ(measures.Apply(tree["S"]), AC_CONTINUE);
    EXPECT_EQ(measures.log, "Begin S M1 M2 End");

    // -1 turns clipping off; a type turns it on again with only that type.
    TraceAction<ACBase> notes;
    notes.ClipEvtType(-1);
    notes.ClipEvtType(ET_NOTE);
    notes.Apply(tree["M1"]);
    EXPECT_EQ(notes.log, "Begin M1 Bm N1 N2 End N1 N2 R End End");

    ACBase base;
    EXPECT_EQ(base.GetDepth(), 255);
    EXPECT_EQ(base.IsReverse(), 0);
    EXPECT_EQ(ACBase(1).IsReverse(), 1);
}

}  // namespace
