// The view's searches on a notated, laid-out melody: the measures visible in
// an area, the notes under a point or in a rectangle (tied chains whole),
// and the notation of one voice.
#include "notation/view/findactions.h"

#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/modifiers.h"
#include "model/performance.h"
#include "tests/notation/display/measure_support.h"
#include "tests/notation/view/laidout_support.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

using namespace view_test;

// The searches on the laid-out melody.
class LaidOutMelodyTest : public LaidOutMelody {
protected:
    std::vector<ECBase*> NotesAt(CPoint point, int expandTies = 1) {
        ACFindInRect find;
        find.AddEvtType(ET_NOTE);
        find.SetPoint(point.x, point.y);
        find.SetTieExpansion(expandTies);
        find.Apply(Conductor());
        return Members(find.GetEvents());
    }
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

    // Reused with a point of its own, the action follows the new point.
    ACFindInRect reused;
    reused.AddEvtType(ET_NOTE);
    for (int i : {0, 3}) {
        reused.Reset();
        reused.SetPoint(HeadOf(first[static_cast<size_t>(i)]).x, HeadOf(first[static_cast<size_t>(i)]).y);
        reused.Apply(Conductor());
        EXPECT_EQ(Members(reused.GetEvents()), std::vector<ECBase*>{first[static_cast<size_t>(i)]}) << i;
    }

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

// A measure holding notes of voices 0 and 1, a rest and a beam of voice 1, a
// tie of voice 0, a note whose word names a device rather than a voice
// (voice 15), and under the voice-1 note a dot and an accidental, which
// carry no voice of their own.
TEST(FindVoiceEventsTest, CollectsOneVoiceOrEveryOther) {
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
    ECBase* beam1 = add(new ECBeam, 1);
    ECBase* tie0 = add(new ECTie, 0);
    ECBase* device = add(new ECNote, 0);
    device->GetVoiceTrack()->SetDevice(3);
    ECBase* dot = new ECDot;
    ECBase* accidental = new ECAccidental;
    voice1->AddChild(dot, UNSORTED);
    voice1->AddChild(accidental, UNSORTED);

    const struct {
        int voice, exclude;
        std::set<ECBase*> found;
    } cases[] = {
        {ACFindVoiceEvents::ALL_VOICES, 0, {voice0, voice1, rest1, beam1, tie0, device, dot, accidental}},
        {ACFindVoiceEvents::ALL_VOICES, 1, {}},
        {1, 0, {voice1, rest1, beam1, dot, accidental}},
        {1, 1, {voice0, tie0, device, dot, accidental}},
        {15, 0, {device, dot, accidental}},
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
