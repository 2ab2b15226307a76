// The layout walks on a small score whose display objects record what is
// asked of them: sizing, collision and frame marks, and positioning with
// its context, its deferred kinds, its window and its mirrors; then the
// real display classes of a laid-out melody placed again.
#include "notation/view/layoutactions.h"

#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/mirror.h"
#include "model/notes.h"
#include "model/textmarks.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/display/measure_support.h"
#include "tests/notation/view/laidout_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// One call of Position as the display object saw it.
struct PositionCall {
    ECBase* owner;
    ECConductor* conductor;
    ECStaff* staff;
    ECMeasure* measure;
    ECBase* element;
};

std::vector<PositionCall> g_positioned;
std::vector<std::pair<ECBase*, CDC*>> g_sized;

// A display object that records Position and SetSize, placing with the
// answer a test sets.
class RecordingDisplay : public DCctBase {
    DECLARE_DYNCREATE(RecordingDisplay)
public:
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* element) override {
        g_positioned.push_back({GetOwner(), conductor, staff, measure, element});
        return answer;
    }
    void SetSize(CDC* dc) override {
        g_sized.push_back({GetOwner(), dc});
        SetFrameDirty(0);
    }

    int answer = 1;
};

IMPLEMENT_DYNCREATE(RecordingDisplay, DCctBase)

constexpr float QUARTERS_PER_MEASURE = 4.0f;

// Two 4/4 measures of staff 1: a note on beat 1 and 3 of each, a slur in
// measure 1 over its notes, a lyric under the first note, a clef in measure
// 1 shown again by a mirror in measure 2; every one with a recording display.
class LayoutActionsTest : public ::testing::Test {
protected:
    LayoutActionsTest() {
        for (int type : {ET_NOTE, ET_MEASURE, ET_STAFF, ET_SLUR, ET_LYRIC, ET_CLEF})
            m_cells.push_back(std::make_unique<measure_test::RegistryCell>(type, RUNTIME_CLASS(RecordingDisplay)));
        g_positioned.clear();
        g_sized.clear();
        clef = score.AddClef(1, 0, 0);
        for (int m = 1; m <= 2; ++m) {
            for (float beat : {0.0f, 2.0f}) {
                auto* note = new ECNote;
                const MCTime at(QUARTERS_PER_MEASURE * static_cast<float>(m - 1) + beat);
                note->SetTime(&at);
                score.Measure(m)->AddChild(note, SORTED);
                notes.push_back(note);
            }
        }
        slur = new ECSlur;
        slur->SetTime(notes[0]->GetTime());
        score.Measure(1)->AddChild(slur, SORTED);
        lyric = new ECLyric("la");
        notes[0]->AddChild(lyric, UNSORTED);
        mirror = new ECMirror(clef);
        mirror->SetTime(score.Measure(2)->GetTime());
        score.Measure(2)->AddChild(mirror, SORTED);
        for (ECBase* event : AllDisplayed())
            Display(event);   // made now, every dirty kind set
    }
    ~LayoutActionsTest() override {
        g_positioned.clear();
        g_sized.clear();
    }

    std::vector<ECBase*> AllDisplayed() {
        std::vector<ECBase*> all(notes.begin(), notes.end());
        for (ECBase* e : std::vector<ECBase*>{score.staff, score.Measure(1), score.Measure(2), slur, lyric, clef})
            all.push_back(e);
        return all;
    }
    static RecordingDisplay* Display(ECBase* event) {
        return dynamic_cast<RecordingDisplay*>(event->GetData(DK_NOTATION, 1));
    }
    static int IndexOf(ECBase* owner) {
        for (size_t i = 0; i < g_positioned.size(); ++i)
            if (g_positioned[i].owner == owner)
                return static_cast<int>(i);
        return -1;
    }
    static int CallsFor(ECBase* owner) {
        int n = 0;
        for (const PositionCall& call : g_positioned)
            n += call.owner == owner;
        return n;
    }
    MCTime MeasureStart(int m) { return *score.Measure(m)->GetTime(); }
    MCTime MeasureEnd(int m) { return MCTime(QUARTERS_PER_MEASURE * static_cast<float>(m) - 0.5f); }

    std::vector<std::unique_ptr<measure_test::RegistryCell>> m_cells;
    measure_test::Score score{0, 2};
    std::vector<ECNote*> notes;
    ECSlur* slur = nullptr;
    ECLyric* lyric = nullptr;
    ECClef* clef = nullptr;
    ECMirror* mirror = nullptr;
};

TEST_F(LayoutActionsTest, PositionPlacesRelativesFirstWithTheirStaffAndMeasure) {
    ACPosition position;
    position.Apply(score.conductor);

    // Deferred kinds wait for PositionDeferred; everything else is placed.
    EXPECT_EQ(IndexOf(slur), -1);
    EXPECT_EQ(IndexOf(lyric), -1);
    EXPECT_EQ(position.GetDeferred().GetCount(), 2);
    for (ECNote* note : notes) {
        const int i = IndexOf(note);
        ASSERT_GE(i, 0);
        const PositionCall& call = g_positioned[static_cast<size_t>(i)];
        EXPECT_EQ(call.conductor, score.conductor);
        EXPECT_EQ(call.staff, score.staff);
        EXPECT_EQ(call.measure, note->GetParents()->GetHead());
        EXPECT_FALSE(Display(note)->PositionDirty());
    }
    // Children before their measure, measures before their staff.
    EXPECT_LT(IndexOf(notes[1]), IndexOf(score.Measure(1)));
    EXPECT_LT(IndexOf(score.Measure(2)), IndexOf(score.staff));
    EXPECT_EQ(CallsFor(clef), 1);   // met directly in measure 1, clean when its mirror is met

    const size_t before = g_positioned.size();
    EXPECT_EQ(position.PositionDeferred(), 1);
    ASSERT_EQ(g_positioned.size(), before + 2);
    // In the order met, against the conductor alone.
    EXPECT_EQ(g_positioned[before].owner, lyric);
    EXPECT_EQ(g_positioned[before + 1].owner, slur);
    for (size_t i = before; i < g_positioned.size(); ++i) {
        EXPECT_EQ(g_positioned[i].conductor, score.conductor);
        EXPECT_EQ(g_positioned[i].staff, nullptr);
        EXPECT_EQ(g_positioned[i].measure, nullptr);
        EXPECT_EQ(g_positioned[i].element, nullptr);
    }
    EXPECT_TRUE(position.GetDeferred().IsEmpty());
    EXPECT_FALSE(Display(slur)->PositionDirty());
}

TEST_F(LayoutActionsTest, PositionLeavesHiddenCleanAndFailedElementsAsTheyAre) {
    Display(notes[0])->SetHidden(1);
    Display(notes[1])->answer = 0;
    Display(notes[2])->SetPositionDirty(0);
    ACPosition position;
    position.Apply(score.conductor);

    EXPECT_EQ(CallsFor(notes[0]), 0);
    EXPECT_TRUE(Display(notes[0])->PositionDirty());
    EXPECT_EQ(CallsFor(notes[1]), 1);
    EXPECT_TRUE(Display(notes[1])->PositionDirty());
    EXPECT_EQ(CallsFor(notes[2]), 0);
    EXPECT_EQ(CallsFor(notes[3]), 1);
}

TEST_F(LayoutActionsTest, PositionThroughAMirrorUsesTheMirrorsMeasureAndKeepsTheMark) {
    ACPosition position;
    position.Apply(score.Measure(2));
    ASSERT_EQ(CallsFor(clef), 1);
    EXPECT_EQ(g_positioned[static_cast<size_t>(IndexOf(clef))].measure, score.Measure(2));
    EXPECT_TRUE(Display(clef)->PositionDirty());

    // A mirror whose element is gone is passed over.
    g_positioned.clear();
    mirror->SetMirrorEvent(nullptr, 0);
    ACPosition again;
    again.Apply(score.Measure(2));
    EXPECT_EQ(CallsFor(clef), 0);
    EXPECT_EQ(CallsFor(notes[2]), 0);   // clean since the first walk
}

TEST_F(LayoutActionsTest, PositionKeepsToItsTimeWindow) {
    const struct {
        int first, last;                 // measures of the window
        std::vector<int> placedNotes;    // indexes into notes
    } cases[] = {
        {2, 2, {2, 3}},
        {1, 1, {0, 1}},
    };
    for (const auto& c : cases) {
        for (ECBase* event : AllDisplayed())
            Display(event)->SetPositionDirty(1);
        g_positioned.clear();
        ACPosition position;
        position.SetTimeRange(MeasureStart(c.first), MeasureEnd(c.last));
        position.Apply(score.conductor);
        for (int i = 0; i < 4; ++i) {
            const bool expected = std::find(c.placedNotes.begin(), c.placedNotes.end(), i) != c.placedNotes.end();
            EXPECT_EQ(CallsFor(notes[static_cast<size_t>(i)]), expected ? 1 : 0) << c.first << " note " << i;
        }
    }
}

TEST_F(LayoutActionsTest, PositionOnAListTakesNoStaffOrMeasure) {
    MCEventList list;
    list.AddEvent(score.Measure(2), UNSORTED);
    list.AddEvent(slur, UNSORTED);
    ACPosition position;
    position.SetConductor(score.conductor);
    position.Apply(list, 0);
    ASSERT_GE(IndexOf(notes[2]), 0);
    const PositionCall& call = g_positioned[static_cast<size_t>(IndexOf(notes[2]))];
    EXPECT_EQ(call.conductor, score.conductor);
    EXPECT_EQ(call.staff, nullptr);
    EXPECT_EQ(call.measure, nullptr);
    EXPECT_EQ(call.element, notes[2]);
    EXPECT_EQ(IndexOf(slur), -1);   // a list member of a deferred kind waits too
    position.PositionDeferred();
    EXPECT_EQ(CallsFor(slur), 1);
}

TEST_F(LayoutActionsTest, SetSizeSizesFrameDirtyElementsInTheWindowWithTheDC) {
    DisplayCanvas canvas(4, 4, 0, 0);
    Display(notes[3])->SetFrameDirty(0);
    ACSetSize size;
    size.SetDC(&canvas.dc);
    size.SetTimeRange(MeasureStart(2), MeasureEnd(2));
    size.Apply(score.conductor);

    std::vector<ECBase*> sized;
    for (const auto& [owner, dc] : g_sized) {
        EXPECT_EQ(dc, &canvas.dc);
        sized.push_back(owner);
    }
    EXPECT_NE(std::find(sized.begin(), sized.end(), notes[2]), sized.end());
    for (ECBase* skipped : {static_cast<ECBase*>(notes[0]), static_cast<ECBase*>(notes[1]),
                            static_cast<ECBase*>(notes[3])})
        EXPECT_EQ(std::find(sized.begin(), sized.end(), skipped), sized.end());
}

TEST_F(LayoutActionsTest, ClearCollisionClearsTheShownElementsMark) {
    ACClearCollision clear;
    clear.Apply(score.Measure(2));
    EXPECT_FALSE(Display(clef)->CollisionDirty());     // through the mirror
    EXPECT_FALSE(Display(notes[2])->CollisionDirty());
    EXPECT_TRUE(Display(notes[0])->CollisionDirty());  // not walked

    Display(clef)->SetCollisionDirty(1);
    mirror->SetMirrorEvent(nullptr, 0);
    ACClearCollision again;
    again.Apply(score.Measure(2));
    EXPECT_TRUE(Display(clef)->CollisionDirty());
}

TEST_F(LayoutActionsTest, SetFrameDirtyMarksEveryDisplayObject) {
    for (ECBase* event : AllDisplayed()) {
        Display(event)->SetFrameDirty(0);
        Display(event)->SetAssembleDirty(0);
    }
    ACSetFrameDirty mark;
    mark.Apply(score.conductor);
    for (ECBase* event : AllDisplayed()) {
        EXPECT_TRUE(Display(event)->FrameDirty()) << event->GetClassType();
        EXPECT_TRUE(Display(event)->AssembleDirty()) << event->GetClassType();
    }
}

}  // namespace

namespace {

// The real display classes placed again by the walk, from the conductor and
// from a list of elements as the update list hands them over.
class PositionMelodyTest : public view_test::LaidOutMelody {
protected:
    // Every note's place, then every note moved away and marked for placing.
    std::vector<std::pair<DCctBase*, CPoint>> Unplace() {
        std::vector<std::pair<DCctBase*, CPoint>> places;
        for (int m = 1; m <= view_test::MEASURES; ++m)
            for (ECNote* note : NotesOf(m)) {
                DCctBase* display = NotationDisplayOf(note);
                places.push_back({display, display->GetPosition()});
                display->SetPosition(0, 0);
                display->SetPositionDirty(1);
            }
        return places;
    }
};

TEST_F(PositionMelodyTest, NotesTakeTheirPlacesAgain) {
    for (bool fromList : {false, true}) {
        const auto places = Unplace();
        ACPosition position;
        MCEventList notes;
        if (fromList) {
            for (int m = 1; m <= view_test::MEASURES; ++m)
                for (ECNote* note : NotesOf(m))
                    notes.AddEvent(note, UNSORTED);
            position.SetConductor(Conductor());
            position.Apply(notes, 1);
        } else {
            position.Apply(Conductor());
        }
        position.PositionDeferred();
        for (const auto& [display, place] : places) {
            EXPECT_EQ(display->GetPosition(), place) << (fromList ? "list" : "conductor");
            EXPECT_FALSE(display->PositionDirty());
        }
    }
}

}  // namespace
