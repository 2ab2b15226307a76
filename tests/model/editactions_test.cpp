// The actions that change events in place: sorting children, shifting
// times, and the pass after loading.
#include "model/editactions.h"

#include <gtest/gtest.h>

#include "model/findactions.h"
#include "model/plugin.h"
#include "model/viewdata.h"
#include "platform/core/archive.h"
#include "platform/core/file.h"
#include "tests/model/actions_test.h"

namespace {

using actiontest::BuildStaff;
using actiontest::NamesOf;
using actiontest::TestTree;

TEST(EditActions, SortChildrenOfTheWantedTypes) {
    TestTree tree;
    tree.Add("S", ET_STAFF);
    tree.Add("M", ET_MEASURE, "S");
    tree.Add("a3", ET_NOTE, "M", 3.0f, UNSORTED);
    tree.Add("a1", ET_NOTE, "M", 1.0f, UNSORTED);
    tree.AddUntimed("u", "M");
    tree.Add("a2", ET_NOTE, "M", 2.0f, UNSORTED);
    tree.Add("K", ET_KEY, "S");
    tree.Add("k2", ET_NOTE, "K", 2.0f, UNSORTED);
    tree.Add("k1", ET_NOTE, "K", 1.0f, UNSORTED);

    ACSortChildren measures;
    measures.AddEvtType(ET_MEASURE);
    EXPECT_EQ(measures.Apply(tree["S"]), AC_CONTINUE);
    EXPECT_EQ(NamesOf(*tree["M"]->GetChildren()), "u a1 a2 a3");   // untimed first
    EXPECT_EQ(NamesOf(*tree["K"]->GetChildren()), "k2 k1");

    ACSortChildren all;
    all.Apply(tree["S"]);
    EXPECT_EQ(NamesOf(*tree["K"]->GetChildren()), "k1 k2");
}

float TimeOf(const TestTree& tree, const char* name) {
    return tree[name]->GetTime()->GetSeconds();
}

TEST(EditActions, DeltaTimeKeepsStartMarksAndClampsAtZero) {
    TestTree tree;
    tree.Add("S", ET_STAFF, nullptr, 0.0f);
    tree.Add("M", ET_MEASURE, "S", 0.0f);
    tree.Add("K", ET_KEY, "M", 0.0f);
    tree.Add("C", ET_CLEF, "M", 1.0f);       // not at zero: moves like any event
    tree.Add("n0", ET_NOTE, "M", 0.0f);
    tree.Add("n1", ET_NOTE, "M", 1.0f);
    tree.AddUntimed("u", "M");

    ACDeltaTime later(MCTime(2.0f));
    EXPECT_EQ(later.Apply(tree["S"]), AC_CONTINUE);
    const struct {
        const char* name;
        float expected;
    } shifted[] = {{"S", 0.0f}, {"M", 2.0f}, {"K", 0.0f}, {"C", 3.0f}, {"n0", 2.0f}, {"n1", 3.0f}};
    for (const auto& c : shifted)
        EXPECT_EQ(TimeOf(tree, c.name), c.expected) << c.name;

    // Back by 4: nothing goes below zero.
    ACDeltaTime earlier(MCTime(-4.0f));
    earlier.Apply(tree["n1"]);
    EXPECT_EQ(TimeOf(tree, "n1"), 0.0f);
    EXPECT_EQ(tree["n1"]->GetTime()->GetMode(), TM_NORMAL);
}

TEST(EditActions, DeltaTimeRange) {
    TestTree tree;
    tree.AddUntimed("P");
    const struct {
        const char* name;
        float before, after;
    } cases[] = {
        {"t05", 0.5f, 0.5f}, {"t1", 1.0f, 2.0f}, {"t15", 1.5f, 2.5f}, {"t2", 2.0f, 2.0f},
    };
    for (const auto& c : cases)
        tree.Add(c.name, ET_NOTE, "P", c.before);

    ACDeltaTime action(MCTime(1.0f), MCTime(1.0f), MCTime(2.0f));
    action.Apply(tree["P"]);
    for (const auto& c : cases)
        EXPECT_EQ(TimeOf(tree, c.name), c.after) << c.name;

    // The setters replace what the constructor set.
    ACDeltaTime set;
    set.SetDeltaTime(MCTime(0.25f));
    set.SetStartTime(MCTime(2.0f));
    set.SetEndTime(MCTime(2.1f));
    set.Apply(tree["P"]);
    EXPECT_EQ(TimeOf(tree, "t1"), 2.25f);
    EXPECT_EQ(TimeOf(tree, "t2"), 2.25f);
    EXPECT_EQ(TimeOf(tree, "t15"), 2.5f);
    EXPECT_EQ(set.GetConductor(), 1);
}

TEST(EditActions, DeltaTimeSortsTracksAndWaveTracks) {
    // A track's children out of order are sorted when it is met, even
    // when nothing moves.
    TestTree tree;
    tree.Add("T", ET_TRACK, nullptr, 0.0f);
    tree.Add("x3", ET_NOTE, "T", 3.0f, UNSORTED);
    tree.Add("x1", ET_NOTE, "T", 1.0f, UNSORTED);
    tree.Add("W", ET_WAVETRACK, "T", 1.0f);
    tree.Add("w2", ET_WAVE, "W", 2.0f, UNSORTED);
    tree.Add("w0", ET_WAVE, "W", 0.5f, UNSORTED);
    tree.Add("M", ET_MEASURE, "T", 1.0f);
    tree.Add("m2", ET_NOTE, "M", 2.0f, UNSORTED);
    tree.Add("m1", ET_NOTE, "M", 1.0f, UNSORTED);

    ACDeltaTime action(MCTime(1.0f), MCTime(10.0f));
    action.Apply(tree["T"]);
    EXPECT_EQ(NamesOf(*tree["T"]->GetChildren()), "x1 W M x3");
    EXPECT_EQ(NamesOf(*tree["W"]->GetChildren()), "w0 w2");
    EXPECT_EQ(NamesOf(*tree["M"]->GetChildren()), "m2 m1");   // measures are left as they are
}

// The probe a shift runs first: the first event the shift would move, or a
// track whose children it would put in order; nothing for a shift from past
// the last event of a tree in order. It changes nothing itself.
TEST(EditActions, FindDeltaTimeFindsWhatAShiftWouldChange) {
    TestTree tree;
    tree.AddUntimed("P");
    tree.Add("S", ET_STAFF, "P", 0.0f);
    tree.Add("M", ET_MEASURE, "S", 0.0f);
    tree.Add("C", ET_CLEF, "M", 0.0f);   // a mark of the start: never moved
    tree.Add("n1", ET_NOTE, "M", 1.0f);
    tree.Add("n4", ET_NOTE, "M", 4.0f);
    tree.Add("T", ET_TRACK, "P", 0.0f);   // tracks begin with the piece
    tree.Add("x6", ET_NOTE, "T", 6.0f);
    tree.Add("M2", ET_MEASURE, "T", 1.0f);
    tree.Add("m3", ET_NOTE, "M2", 3.0f, UNSORTED);
    tree.Add("m2", ET_NOTE, "M2", 2.0f, UNSORTED);   // a measure's order is no shift's business

    const struct {
        float start;
        const char* found;
    } cases[] = {
        {0.0f, "M"}, {0.5f, "n1"}, {4.0f, "n4"}, {4.5f, "x6"}, {6.0f, "x6"}, {6.5f, nullptr},
    };
    for (const auto& c : cases) {
        ACFindDeltaTime find(MCTime(c.start), MCTime::TimeMax());
        find.Apply(tree["P"]);
        EXPECT_EQ(find.GetFound(), c.found ? tree[c.found] : nullptr) << c.start;
    }
    ACFindDeltaTime before(MCTime(0.5f), MCTime(1.0f));   // the end is outside
    before.Apply(tree["P"]);
    EXPECT_EQ(before.GetFound(), nullptr);

    // A track out of order is sorted by every shift, even one past the end.
    tree.Add("x5", ET_NOTE, "T", 5.0f, UNSORTED);
    ACFindDeltaTime past(MCTime(6.5f), MCTime::TimeMax());
    past.Apply(tree["P"]);
    EXPECT_EQ(past.GetFound(), tree["T"]);
    EXPECT_EQ(NamesOf(*tree["T"]->GetChildren()), "M2 x6 x5");
    EXPECT_EQ(TimeOf(tree, "n4"), 4.0f);
}

// A shift late in the piece passes over the measures before the last one
// that begins before its start: they are neither moved nor entered (what
// they hold stands before it, so nothing there would move; a note planted
// against that rule shows the walk did not go in). The measure that begins
// before the start is walked: a clef at its end, on the bar line, moves.
TEST(EditActions, DeltaTimePassesOverSettledMeasures) {
    TestTree tree;
    tree.AddUntimed("P");
    tree.Add("S", ET_STAFF, "P", 0.0f);
    tree.Add("M1", ET_MEASURE, "S", 0.0f);
    tree.Add("n1", ET_NOTE, "M1", 1.0f);
    tree.Add("planted", ET_NOTE, "M1", 9.0f);
    tree.Add("M2", ET_MEASURE, "S", 4.0f);
    tree.Add("n5", ET_NOTE, "M2", 5.0f);
    tree.Add("C", ET_CLEF, "M2", 8.0f);
    tree.Add("M3", ET_MEASURE, "S", 8.0f);
    tree.Add("n9", ET_NOTE, "M3", 9.0f);
    tree.Add("CS", ET_CONDUCTORSTAFF, "P", 0.0f);
    tree.Add("CM1", ET_CONDUCTORMEASURE, "CS", 0.0f);
    tree.Add("plantedToo", ET_NOTE, "CM1", 9.0f);
    tree.Add("CM3", ET_CONDUCTORMEASURE, "CS", 8.0f);

    ACFindDeltaTime probe(MCTime(8.5f), MCTime::TimeMax());
    probe.SetSettledBefore(MCTime(4.0f));
    probe.Apply(tree["P"]);
    EXPECT_EQ(probe.GetFound(), tree["n9"]);   // not the planted notes

    ACDeltaTime shift(MCTime(4.0f), MCTime(8.0f));
    shift.SetSettledBefore(MCTime(4.0f));
    shift.Apply(tree["P"]);
    const struct {
        const char* name;
        float expected;
    } cases[] = {
        {"M1", 0.0f}, {"n1", 1.0f}, {"planted", 9.0f}, {"M2", 4.0f}, {"n5", 5.0f}, {"C", 12.0f},
        {"M3", 12.0f}, {"n9", 13.0f}, {"CM1", 0.0f}, {"plantedToo", 9.0f}, {"CM3", 12.0f},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TimeOf(tree, c.name), c.expected) << c.name;
}

// View data that counts its PostSerialize calls.
class ActionsTestData : public DCBase {
    DECLARE_DYNCREATE(ActionsTestData)
public:
    void PostSerialize(CArchive&) override { ++calls; }
    int calls = 0;
};
IMPLEMENT_DYNCREATE(ActionsTestData, DCBase)

// A view kind no library registers.
constexpr int TEST_KIND = 4;

TEST(EditActions, PostSerializeLeavesOutBeamsSlursAndTies) {
    CPluginData noteData(RUNTIME_CLASS(ActionsTestData), TEST_KIND, ET_NOTE);
    CPluginData::AddPlugin(&noteData);

    TestTree tree;
    BuildStaff(tree);
    tree.Add("Sl", ET_SLUR, "S", 0.0f);
    tree.Link("N2", "Sl");
    tree.Add("Ti", ET_TIE, "S", 0.0f);
    tree.Link("N3", "Ti");
    auto* n1Data = static_cast<ActionsTestData*>(tree["N1"]->GetData(TEST_KIND, 1));
    ASSERT_NE(n1Data, nullptr);

    CMemFile file;
    CArchive archive(&file, CArchive::store);
    ACPostSerialize action(archive);
    EXPECT_EQ(action.Apply(tree["S"]), AC_CONTINUE);

    const struct {
        const char* name;
        int calls;
    } cases[] = {
        {"S", 1}, {"M1", 1}, {"Bm", 0}, {"N1", 1}, {"A", 1}, {"N2", 1},
        {"R", 1}, {"M2", 1}, {"N3", 1}, {"Sl", 0}, {"Ti", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tree.Typed(c.name)->PostSerializeCount(), c.calls) << c.name;
    EXPECT_EQ(n1Data->calls, 1);

    tree["N1"]->RemoveData();
    CPluginData::RemovePlugin(&noteData);
}

TEST(EditActions, FindDataCreatesNoViewData) {
    CPluginData noteData(RUNTIME_CLASS(ActionsTestData), TEST_KIND, ET_NOTE);
    CPluginData::AddPlugin(&noteData);

    TestTree tree;
    BuildStaff(tree);
    ASSERT_NE(tree["N2"]->GetData(TEST_KIND, 1), nullptr);

    ACFindData find(TEST_KIND);
    find.Apply(tree["S"]);
    EXPECT_EQ(NamesOf(find.GetEvents()), "N2");
    EXPECT_EQ(tree["N1"]->GetData(TEST_KIND, 0), nullptr);

    // Another kind, and a wanted type that the event with data lacks.
    find.Reset();
    find.SetViewCode(3);
    find.Apply(tree["S"]);
    EXPECT_EQ(find.GetEvents().GetCount(), 0);
    ACFindData rests(TEST_KIND);
    rests.AddEvtType(ET_REST);
    rests.Apply(tree["S"]);
    EXPECT_EQ(rests.GetEvents().GetCount(), 0);
    EXPECT_EQ(rests.GetViewCode(), TEST_KIND);

    tree["N2"]->RemoveData();
    CPluginData::RemovePlugin(&noteData);
}

}  // namespace
