// The time-range action's place in the walk, its window, and the dirty list.
#include "notation/autonote/timerange.h"

#include "model/modifiers.h"
#include "tests/notation/autonote/autonote_support.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using autonote_test::AutonoteTest;

// Records, for each element met, the place the walk noted.
class PlaceProbe : public ACTimeRange {
public:
    struct Place {
        ECConductor* conductor;
        ECBase* staff;
        ECBase* measure;
        ECBase* element;
    };
    int DoAction(ECBase* event) override {
        places[event] = {GetConductor(), GetStaff(), GetMeasure(), GetElement()};
        return AC_CONTINUE;
    }
    std::map<ECBase*, Place> places;
};

class TimeRangeTest : public AutonoteTest {
protected:
    void SetUp() override {
        AutonoteTest::SetUp();
        MakeStaves(1);
        MakeMeasures(2);
    }
};

TEST_F(TimeRangeTest, TheWalkNotesConductorStaffMeasureAndElement) {
    ECMeasure* bar = Bar(1, 4.0f);
    ECNote* note = PutNote(bar, 5.0f);
    PlaceProbe probe;
    probe.Apply(m_conductor);
    ASSERT_EQ(probe.places.count(note), 1u);
    const PlaceProbe::Place atNote = probe.places[note];
    EXPECT_EQ(atNote.conductor, m_conductor);
    EXPECT_EQ(atNote.staff, Staff(1));
    EXPECT_EQ(atNote.measure, bar);
    EXPECT_EQ(atNote.element, note);
    const PlaceProbe::Place atStaff = probe.places[Staff(1)];
    EXPECT_EQ(atStaff.measure, nullptr);
    EXPECT_EQ(atStaff.element, nullptr);
    const PlaceProbe::Place atBar = probe.places[bar];
    EXPECT_EQ(atBar.staff, Staff(1));
    EXPECT_EQ(atBar.element, nullptr);

    // Started at a measure, the walk keeps the conductor it was given.
    PlaceProbe fromBar;
    fromBar.SetConductor(m_conductor);
    fromBar.Apply(bar);
    EXPECT_EQ(fromBar.places[note].conductor, m_conductor);
    EXPECT_EQ(fromBar.places[note].staff, nullptr);
}

// The window [1, 2] over notes of the first bar; which display objects the
// dirty list reaches. A mark has no time: its note's time decides.
TEST_F(TimeRangeTest, DirtyListActsInsideTheWindowOnly) {
    ECMeasure* bar = Bar(1, 0.0f);
    const struct {
        float quarters;
        bool marked;
    } cases[] = {{0.5f, false}, {1.0f, true}, {1.5f, true}, {2.0f, true}, {2.5f, false}, {3.0f, false}};
    std::vector<ECNote*> notes;
    std::vector<ECAccidental*> marks;
    for (const auto& c : cases) {
        ECNote* note = PutNote(bar, c.quarters);
        auto* mark = new ECAccidental;
        note->AddChild(mark, SORTED);
        notes.push_back(note);
        marks.push_back(mark);
        Display(note, 1)->SetStemDirty(0);
        Display(mark, 1)->SetStemDirty(0);
    }
    ACSetDirty dirty(1);
    dirty.AddDirtyKind(DCctBase::DIRTY_STEM);
    dirty.SetTimeRange(MCTime(1.0f), MCTime(2.0f));
    dirty.Apply(bar);
    for (size_t i = 0; i < notes.size(); ++i) {
        EXPECT_EQ(Display(notes[i])->StemDirty(), cases[i].marked ? 1 : 0) << cases[i].quarters;
        EXPECT_EQ(Display(marks[i])->StemDirty(), cases[i].marked ? 1 : 0) << cases[i].quarters;
    }
}

TEST_F(TimeRangeTest, DirtyListSetsItsKindsAndPassesOverElementsWithoutDisplay) {
    ECMeasure* bar = Bar(1, 0.0f);
    ECNote* shown = PutNote(bar, 0.0f);
    ECNote* bare = PutNote(bar, 1.0f);
    DCctBase* display = Display(shown, 1);
    display->SetStateWord(0);
    // Repeats, out-of-range kinds, and more kinds than the room asked for.
    ACSetDirty dirty(1);
    for (uint8_t kind : {9, 8, 9, 12, 255, 0, 11})
        dirty.AddDirtyKind(kind);
    EXPECT_EQ(dirty.GetDirtyKindCount(), 7);
    dirty.Apply(bar);
    const struct {
        int kind;
        int set;
    } cases[] = {{0, 1}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0}, {8, 1}, {9, 1}, {10, 0}, {11, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(display->IsDirtyKind(c.kind), c.set) << c.kind;
    EXPECT_EQ(bare->GetData(DK_NOTATION, 0), nullptr);   // none made
}

}  // namespace
