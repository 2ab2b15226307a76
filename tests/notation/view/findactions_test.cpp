// The view's searches on a notated, laid-out melody: the measures visible in
// an area, the notes under a point or in a rectangle (tied chains whole),
// and the notation of one voice.
#include "notation/view/findactions.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/measure.h"
#include "model/notes.h"
#include "model/performance.h"
#include "notation/display/base.h"
#include "notation/display/note.h"
#include "notation/view/layoutactions.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/display/measure_support.h"
#include "tests/notation/support/measurelayout.h"
#include "tests/notation/support/melody.h"
#include "tests/notation/support/notation_fixture.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

constexpr int DIVISION = 256;
constexpr int QUARTER = DIVISION;
constexpr int MEASURES = 4;
constexpr int NOTEHEAD = 120;   // a staff space, logical units

std::vector<ECBase*> Members(MCEventList& list) {
    std::vector<ECBase*> out;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        out.push_back(list.GetNext(pos));
    return out;
}

// Four bars of quarters on one staff, the last note of bar 2 held into bar 3
// (a tied pair), laid out two bars a system and sized.
class LaidOutMelodyTest : public notation_test::NotationFixture {
protected:
    void SetUp() override {
        std::vector<notation_test::PlayedNote> notes;
        for (int beat = 0; beat < 4 * MEASURES; ++beat) {
            if (beat == 8)
                continue;   // held over from beat 7
            notes.push_back({60 + beat % 7, beat * QUARTER, beat == 7 ? 2 * QUARTER : QUARTER});
        }
        ASSERT_EQ(LoadMidi(notation_test::MelodyFile(notes, DIVISION, {4, 2})), 1);
        ASSERT_GE(Conductor()->GetMaxMeasureNumber(), MEASURES);
        layout = std::make_unique<notation_test::MeasureLayout>(Conductor());
        notation_test::SystemLayout systems;
        systems.measuresPerSystem = {2, 2};
        ASSERT_EQ(layout->Apply(systems), MEASURES);
        layout->PrepareNotes();
        ACSetSize size;   // what pagination sizes before it searches
        size.Apply(Conductor());
    }

    // The notes of a staff-1 measure, in order.
    std::vector<ECNote*> NotesOf(int measure) {
        ACFindEvents find;
        find.AddEvtType(ET_NOTE);
        find.Apply(Conductor()->GetMeasure(1, measure));
        std::vector<ECNote*> out;
        for (ECBase* e : Members(find.GetEvents()))
            out.push_back(static_cast<ECNote*>(e));
        return out;
    }
    static CRect FrameOf(ECBase* event) {
        CRect frame;
        NotationDisplayOf(event)->GetVirtualFrame(&frame, 0);
        frame.NormalizeRect();
        return frame;
    }
    // The middle of a note's head in view coordinates: notes are hit by
    // their heads.
    static CPoint HeadOf(ECBase* event) {
        auto* note = dynamic_cast<DCctNote*>(NotationDisplayOf(event));
        CRect head;
        note->GetNoteheadFrame(&head);
        const CSize parent = note->GetVirtualPosition() - note->GetPosition();
        return CPoint((head.left + head.right) / 2 + parent.cx, (head.top + head.bottom) / 2 + parent.cy);
    }
    std::vector<ECBase*> NotesAt(CPoint point, int expandTies = 1) {
        ACFindInRect find;
        find.AddEvtType(ET_NOTE);
        find.SetPoint(point.x, point.y);
        find.SetTieExpansion(expandTies);
        find.Apply(Conductor());
        return Members(find.GetEvents());
    }

    MusicFontScope font{NOTEHEAD};
    std::unique_ptr<notation_test::MeasureLayout> layout;
};

TEST_F(LaidOutMelodyTest, VisibleMeasuresAreThoseMeetingTheArea) {
    const int systemHeight = 800;   // a rectangle this deep from a system's top meets its staff
    const int top1 = layout->Top(0), top2 = layout->Top(1);
    const int split = layout->LeftEdge(0) + 2400;   // between a system's two measures
    const struct {
        const char* what;
        CRect area;
        std::set<int> measures;
    } cases[] = {
        {"system 1", CRect(0, top1 + 100, 20000, top1 - systemHeight), {1, 2}},
        {"system 2", CRect(0, top2 + 100, 20000, top2 - systemHeight), {3, 4}},
        {"left column", CRect(0, top1 + 100, split - 100, top2 - systemHeight), {1, 3}},
        {"both systems", CRect(0, top1 + 100, 20000, top2 - systemHeight), {1, 2, 3, 4}},
        {"above the page", CRect(0, 5000, 20000, 4000), {}},
    };
    for (const auto& c : cases) {
        ACFindVisible find;
        CRect area = c.area;
        find.SetRect(&area);
        find.Apply(Performance());
        std::set<int> found;
        for (ECBase* e : Members(find.GetEvents()))
            if (e->GetClassType() == ET_MEASURE)
                found.insert(Conductor()->GetMeasureNumberAtTime(*e->GetTime()));
        EXPECT_EQ(found, c.measures) << c.what;
    }

    // A hidden staff shows none of its measures.
    NotationDisplayOf(Conductor()->GetTrack(TRACK_STAFF, 1, 0))->SetHidden(1);
    ACFindVisible hidden;
    CRect all(0, top1 + 100, 20000, top2 - systemHeight);
    hidden.SetRect(&all);
    hidden.Apply(Performance());
    for (ECBase* e : Members(hidden.GetEvents()))
        EXPECT_NE(e->GetClassType(), ET_MEASURE);
}

TEST_F(LaidOutMelodyTest, APointHitsTheNoteUnderIt) {
    const std::vector<ECNote*> first = NotesOf(1);
    ASSERT_EQ(first.size(), 4u);
    EXPECT_EQ(NotesAt(HeadOf(first[1])), std::vector<ECBase*>{first[1]});
    EXPECT_TRUE(NotesAt(CPoint(HeadOf(first[1]).x, layout->Top(0) + 3000)).empty());

    // A set rectangle wins over the point; a hidden note is never hit.
    ACFindInRect inRect;
    inRect.AddEvtType(ET_NOTE);
    inRect.SetPoint(-50000, -50000);
    inRect.SetRect(FrameOf(first[2]));
    inRect.Apply(Conductor());
    EXPECT_EQ(Members(inRect.GetEvents()), std::vector<ECBase*>{first[2]});
    NotationDisplayOf(first[2])->SetHidden(1);
    EXPECT_TRUE(NotesAt(HeadOf(first[2])).empty());
}

TEST_F(LaidOutMelodyTest, ATiedNoteIsFoundWithItsChain) {
    const std::vector<ECNote*> bar2 = NotesOf(2), bar3 = NotesOf(3);
    ASSERT_FALSE(bar2.empty());
    ASSERT_FALSE(bar3.empty());
    ECNote* head = bar2.back();
    ECNote* tail = bar3.front();
    const std::vector<ECBase*> chain{head, tail};
    EXPECT_EQ(NotesAt(HeadOf(tail)), chain);
    EXPECT_EQ(NotesAt(HeadOf(head)), chain);
    EXPECT_EQ(NotesAt(HeadOf(tail), 0), std::vector<ECBase*>{tail});
}

TEST_F(LaidOutMelodyTest, ARectangleFindsUpToItsLimit) {
    CRect bar1 = FrameOf(NotesOf(1).front());
    bar1.UnionRect(bar1, FrameOf(NotesOf(1).back()));
    ACFindInRect all;
    all.AddEvtType(ET_NOTE);
    all.SetRect(bar1);
    all.Apply(Conductor());
    EXPECT_EQ(all.GetEvents().GetCount(), 4);
    ACFindInRect one;
    one.AddEvtType(ET_NOTE);
    one.SetRect(bar1);
    one.SetMaxEventCount(1);
    one.Apply(Conductor());
    EXPECT_EQ(Members(one.GetEvents()), std::vector<ECBase*>{NotesOf(1).front()});
}

// A measure holding notes of voices 0 and 1, a rest of voice 1, and a note
// whose word names a device rather than a voice (voice 15).
TEST(FindVoiceEventsTest, CollectsOneVoiceOrEveryOther) {
    measure_test::RegistryCell notes(ET_NOTE, RUNTIME_CLASS(DCctBase));
    measure_test::RegistryCell rests(ET_REST, RUNTIME_CLASS(DCctBase));
    measure_test::Score score(0, 1);
    ECMeasure* measure = score.Measure(1);
    auto add = [&](ECBase* event, int voice) {
        event->SetTime(measure->GetTime());
        event->SetVoiceTrack(voice, 1);
        measure->AddChild(event, SORTED);
        return event;
    };
    ECBase* voice0 = add(new ECNote, 0);
    ECBase* voice1 = add(new ECNote, 1);
    ECBase* rest1 = add(new ECRest, 1);
    ECBase* device = add(new ECNote, 0);
    device->GetVoiceTrack()->SetDevice(3);

    const struct {
        int voice, exclude;
        std::set<ECBase*> found;
    } cases[] = {
        {ACFindVoiceEvents::ALL_VOICES, 0, {voice0, voice1, rest1, device}},
        {ACFindVoiceEvents::ALL_VOICES, 1, {}},
        {1, 0, {voice1, rest1}},
        {1, 1, {voice0, device}},
        {0, 0, {voice0}},
        {15, 0, {device}},
    };
    for (const auto& c : cases) {
        ACFindVoiceEvents find;
        find.SetVoice(c.voice);
        find.SetExclude(c.exclude);
        find.Apply(score.conductor);
        const std::vector<ECBase*> found = Members(find.GetEvents());
        EXPECT_EQ(std::set<ECBase*>(found.begin(), found.end()), c.found) << c.voice << "/" << c.exclude;
        EXPECT_EQ(found.size(), c.found.size());
    }
}

}  // namespace
