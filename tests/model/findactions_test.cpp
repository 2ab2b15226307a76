// The counting and finding actions, and the ancestor and descendant look-ups
// of events that run them.
#include "model/findactions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/model/actions_test.h"

namespace {

using actiontest::BuildStaff;
using actiontest::NameOf;
using actiontest::NamesOf;
using actiontest::TestTree;

TEST(FindActions, FindFirstAndTheLookUpsOfEvents) {
    TestTree tree;
    BuildStaff(tree);

    // Depth first in time order: the first note of the first measure.
    ACFindFirstEvent first;
    first.AddEvtType(ET_NOTE);
    EXPECT_EQ(first.Apply(tree["S"]), AC_STOP);
    EXPECT_EQ(first.GetEvent(), tree["N1"]);

    const struct {
        const char* from;
        bool ancestor;
        int type;
        int depth;
        const char* expected;   // null: none
    } cases[] = {
        {"S", false, ET_NOTE, -1, "N1"},
        {"S", false, ET_ACCIDENTAL, 2, nullptr},      // A lies three levels down
        {"S", false, ET_ACCIDENTAL, 3, "A"},
        {"Bm", false, ET_NOTE, -1, nullptr},          // a beam is not entered
        {"M2", false, ET_MEASURE, -1, "M2"},          // the start event counts
        {"A", true, ET_MEASURE, -1, "M1"},
        {"A", true, ET_MEASURE, 1, nullptr},
        {"A", true, ET_MEASURE, 2, "M1"},
        {"A", true, ET_MEASURE, 256, nullptr},        // depth & 255: only A itself
        {"N2", true, ET_BEAM, -1, "Bm"},              // upward, the beam is a parent like any
        {"N3", true, ET_BEAM, -1, nullptr},
    };
    for (const auto& c : cases) {
        ECBase* from = tree[c.from];
        ECBase* found =
            c.ancestor ? from->GetAncestor(c.type, c.depth) : from->GetDescendant(c.type, c.depth);
        EXPECT_EQ(found, c.expected ? tree[c.expected] : nullptr)
            << c.from << (c.ancestor ? " up to " : " down to ") << c.type << " depth " << c.depth;
    }
}

TEST(FindActions, FindEventsByTypeAndMaximum) {
    TestTree tree;
    BuildStaff(tree);

    const struct {
        std::vector<int> types;
        int maxCount;
        const char* found;
        int result;
    } cases[] = {
        {{ET_NOTE}, 0x7FFFFFFF, "N1 N2 N3", AC_CONTINUE},
        {{ET_NOTE}, 2, "N1 N2", AC_STOP},
        {{ET_NOTE, ET_REST}, 0x7FFFFFFF, "N1 N2 R N3", AC_CONTINUE},
        {{ET_ACCIDENTAL, ET_REST}, 1, "A", AC_STOP},
        {{}, 0x7FFFFFFF, "S M1 Bm N1 A N2 R M2 N3", AC_CONTINUE},   // every type
    };
    for (const auto& c : cases) {
        ACFindEvents find;
        find.AddEvtTypes(c.types);
        find.SetMaxEventCount(c.maxCount);
        EXPECT_EQ(find.Apply(tree["S"]), c.result) << c.found;
        EXPECT_EQ(NamesOf(find.GetEvents()), c.found);
        EXPECT_EQ(find.GetEventCount(), find.GetEvents().GetCount());
    }
}

TEST(FindActions, TypeSlots) {
    TestTree tree;
    BuildStaff(tree);

    // Three slots, one used: the others stay -1 and are not read.
    ACFindEvents three(3);
    three.AddEvtType(ET_REST);
    EXPECT_EQ(three.GetEventTypes(), (std::vector<int>{ET_REST, -1, -1}));

    // One slot grows by one for a second type; removing a type moves the
    // later slots down.
    ACFindEvents find;
    find.AddEvtType(ET_NOTE);
    find.AddEvtType(ET_REST);
    find.AddEvtType(ET_MEASURE);
    find.RemoveEvtType(ET_NOTE);
    find.RemoveEvtType(ET_KEY);   // absent: nothing changes
    EXPECT_EQ(find.GetEventTypes(), (std::vector<int>{ET_REST, ET_MEASURE}));
    find.Apply(tree["S"]);
    EXPECT_EQ(NamesOf(find.GetEvents()), "M1 R M2");

    // No type left: every type is wanted again.
    find.RemoveEvtTypes();
    EXPECT_EQ(find.GetEventTypes(), (std::vector<int>{-1, -1}));
    find.Reset();
    find.Apply(tree["M2"]);
    EXPECT_EQ(NamesOf(find.GetEvents()), "M2 N3");
}

TEST(FindActions, CountsAccumulateUntilReset) {
    TestTree tree;
    BuildStaff(tree);

    ACCount count;
    count.AddEvtType(ET_NOTE);
    EXPECT_EQ(count.Apply(tree["S"]), AC_CONTINUE);
    EXPECT_EQ(count.GetEventCount(), 3);   // the beam's notes once each
    count.Apply(tree["M2"]);
    EXPECT_EQ(count.GetEventCount(), 4);
    count.Reset();
    count.Apply(tree["M2"]);
    EXPECT_EQ(count.GetEventCount(), 1);

    ACFindEvents find;
    find.AddEvtType(ET_NOTE);
    find.Apply(tree["M2"]);
    find.Apply(tree["M2"]);
    EXPECT_EQ(NamesOf(find.GetEvents()), "N3 N3");
    find.Reset();
    find.Apply(tree["M2"]);
    EXPECT_EQ(NamesOf(find.GetEvents()), "N3");
}

// Records the events it meets, to show which siblings were skipped.
class RecordingFindTime : public ACFindTime {
public:
    using ACFindTime::ACFindTime;
    int DoAction(ECBase* event) override {
        visited += NameOf(event) + ' ';
        return ACFindTime::DoAction(event);
    }
    std::string visited;
};

TEST(FindActions, FindTimeByMode) {
    // Two measures without time under an untimed root; the first holds notes
    // at 1, 1.5, 2, 3 and 4 and a rest at 1.5, the second a note at 1.2.
    TestTree tree;
    tree.AddUntimed("P");
    tree.Add("C1", ET_MEASURE, "P");
    tree.Add("n1", ET_NOTE, "C1", 1.0f);
    tree.Add("n15", ET_NOTE, "C1", 1.5f);
    tree.Add("r15", ET_REST, "C1", 1.5f);
    tree.Add("n2", ET_NOTE, "C1", 2.0f);
    tree.Add("n3", ET_NOTE, "C1", 3.0f);
    tree.Add("n4", ET_NOTE, "C1", 4.0f);
    tree.Add("C2", ET_MEASURE, "P");
    tree.Add("m12", ET_NOTE, "C2", 1.2f);

    const struct {
        int mode;
        const char* found;
    } cases[] = {
        {0, "n1 n15 n2 m12"}, {1, "n15 m12"}, {2, "n15 n2 m12"}, {3, "n1 n15 m12"}, {9, ""},
    };
    for (const auto& c : cases) {
        RecordingFindTime find(MCTime(1.0f), MCTime(2.0f), c.mode);
        find.AddEvtType(ET_NOTE);
        find.SetMaxEventCount(1);   // not applied to a time search
        EXPECT_EQ(find.Apply(tree["P"]), AC_CONTINUE);
        EXPECT_EQ(NamesOf(find.GetEvents()), c.found) << "mode " << c.mode;
        EXPECT_EQ(find.GetEventCount(), 0);
        // The note at 3 ends its siblings (n4 is never met); the next measure
        // is still walked.
        EXPECT_EQ(find.visited, "P C1 n1 n15 r15 n2 n3 C2 m12 ");
    }

    ACFindTime find(MCTime(0.0f), MCTime(0.0f), 0);
    find.SetTimeRange(MCTime(4.0f), MCTime(4.0f), 0);
    find.AddEvtType(ET_NOTE);
    find.Apply(tree["C1"]);
    EXPECT_EQ(NamesOf(find.GetEvents()), "n4");
}

TEST(FindActions, FindTrackEvents) {
    // An untimed event reads the track of its nearest ancestor with a word.
    TestTree tree;
    tree.Add("S3", ET_STAFF);
    tree.Typed("S3")->SetVoiceTrack(14, 3);
    tree.Add("M", ET_MEASURE, "S3");
    tree.Typed("M")->SetVoiceTrack(14, 3);
    tree.Add("n3", ET_NOTE, "M", 0.0f);
    tree.Typed("n3")->SetVoiceTrack(0, 3);
    tree.Add("n5", ET_NOTE, "M", 1.0f);
    tree.Typed("n5")->SetVoiceTrack(0, 5);
    tree.Add("g", ET_GRACENOTE, "n5", 1.0f);   // under a note of another track
    tree.Typed("g")->SetVoiceTrack(0, 3);
    tree.AddUntimed("u", "M");
    tree.Add("S4", ET_STAFF);
    tree.Typed("S4")->SetVoiceTrack(14, 4);
    tree.Add("m", ET_NOTE, "S4", 0.0f);
    tree.Typed("m")->SetVoiceTrack(0, 3);

    MCEventList staves;
    staves.AddEvent(tree["S3"], UNSORTED);
    staves.AddEvent(tree["S4"], UNSORTED);
    ACFindTrackEvents find(3);
    EXPECT_EQ(find.Apply(staves, 0), AC_SKIP);   // the last staff's answer
    EXPECT_EQ(NamesOf(find.GetEvents()), "S3 M n3 u");

    // A converted word counts as track 2047, as does no word at all.
    tree.Typed("n3")->GetVoiceTrack()->SetDevice(2);
    tree.AddUntimed("root");
    ACFindTrackEvents none(2047);
    none.Apply(tree["n3"]);
    none.Apply(tree["root"]);
    EXPECT_EQ(NamesOf(none.GetEvents()), "n3 root");
    none.Reset();
    none.SetTrack(3);
    none.Apply(tree["n3"]);
    EXPECT_EQ(NamesOf(none.GetEvents()), "");
}

TEST(FindActions, FindObjects) {
    TestTree tree;
    BuildStaff(tree);

    ACFindObjects one(tree["N2"]);
    EXPECT_EQ(one.Apply(tree["S"]), AC_STOP);
    EXPECT_EQ(one.ObjectsFound(), 1);
    one.Reset();
    EXPECT_EQ(one.Apply(tree["M2"]), AC_CONTINUE);
    EXPECT_EQ(one.ObjectsFound(), 0);

    MCEventList wanted;
    wanted.AddEvent(tree["N3"], UNSORTED);
    wanted.AddEvent(tree["A"], UNSORTED);
    ACFindObjects some(wanted);
    some.AddObject(tree["R"]);
    EXPECT_EQ(NamesOf(some.GetObjects()), "N3 A R");
    some.RemoveObjects(wanted);
    EXPECT_EQ(NamesOf(some.GetObjects()), "R");
    some.AddObjects(wanted);
    some.RemoveObject(tree["R"]);
    some.RemoveObject(tree["A"]);
    EXPECT_EQ(some.Apply(tree["M1"]), AC_CONTINUE);
    EXPECT_EQ(some.ObjectsFound(), 0);
    some.Reset();
    EXPECT_EQ(some.Apply(tree["S"]), AC_STOP);
    EXPECT_EQ(some.ObjectsFound(), 1);
}

}  // namespace
