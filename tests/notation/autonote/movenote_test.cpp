// Note moving: notes starting at a measure's end, or so little before it
// that their start rounds onto it (or within the hidden threshold), move to
// the next measure of their staff, under the performance's lock; and the
// ruler creation over one conductor measure.
#include "notation/autonote/createruler.h"
#include "notation/autonote/movenote.h"

#include "model/conductorstaff.h"
#include "model/meter.h"
#include "model/notes.h"
#include "model/performance.h"
#include "tests/notation/display/measure_support.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using measure_test::Score;

// What a probing note saw each time it was linked under a parent: whether
// another thread could take the performance's lock, and how many parents
// it had then.
struct LinkSeen {
    ECBase* note;
    ECBase* parent;
    bool lockFree;
    int parentsBefore;
};
ECPerformance* g_probed = nullptr;
std::vector<LinkSeen> g_seen;

class ProbeNote : public ECNote {
public:
    using ECNote::ECNote;
    int AddParent(ECBase* parent) override {
        if (g_probed) {
            bool lockFree = false;
            std::thread other([&] {
                lockFree = g_probed->GetLock().try_lock();
                if (lockFree)
                    g_probed->GetLock().unlock();
            });
            other.join();
            g_seen.push_back({this, parent, lockFree, GetParents()->GetCount()});
        }
        return ECNote::AddParent(parent);
    }
};

// A note at `quarters` (a time inside measure `number`'s children).
template <class Note = ECNote>
ECNote* AddNote(Score& score, int number, float quarters) {
    auto* note = new Note(MCTime(quarters), MCTime(1.0f));
    note->SetVoiceTrack(0, 1);
    score.Measure(number)->AddChild(note, SORTED);
    return note;
}

bool IsChildOf(ECBase* event, ECBase* parent) {
    return event->GetParents()->Find(parent) != nullptr && parent->GetChildren()->Find(event) != nullptr;
}

ANMoveNote& MovePass(ANMoveNote& pass) {
    pass.Attach(ECPerformance::GetActivePerformance());
    return pass;
}

TEST(MoveNoteTest, LateNotesByDistanceFromTheBarline) {
    // A note moves when its start would round onto the bar line on the
    // grid (whole ticks, then grid steps, an exact half up each time), or
    // lies within the hidden threshold of 16 ticks before it.
    struct Case {
        const char* name;
        int resolution;   // ticks at 256 a quarter
        float start;      // in measure 1, which ends at 4.0
        bool moves;
    };
    const Case cases[] = {
        {"exactly at the end", 64, 4.0f, true},
        {"16/256 of a quarter before", 64, 4.0f - 16.f / 256.f, true},
        {"17/256 before: rounds onto the bar line", 64, 4.0f - 17.f / 256.f, true},
        {"half a grid step before", 64, 4.0f - 32.f / 256.f, true},
        {"half a step and half a tick before", 64, 4.0f - 32.5f / 256.f, true},
        {"33/256 before: rounds to the step before", 64, 4.0f - 33.f / 256.f, false},
        {"on the last beat", 64, 3.0f, false},
        {"half a thirty-second step before", 32, 4.0f - 16.5f / 256.f, true},
        {"17/256 before a thirty-second grid", 32, 4.0f - 17.f / 256.f, false},
        {"within the threshold on a fine grid", 16, 4.0f - 16.f / 256.f, true},
        {"17/256 before a fine grid", 16, 4.0f - 17.f / 256.f, false},
    };
    for (const Case& c : cases) {
        Score score(0, 2);
        ECNote* note = AddNote(score, 1, c.start);
        ECMeter meter(4, 4, 2);
        ANMoveNote pass;
        pass.SetResolution(static_cast<uint16_t>(c.resolution));
        MovePass(pass).DoMeasure(score.conductor, score.staff, score.Measure(1), &meter);
        EXPECT_EQ(IsChildOf(note, score.Measure(2)), c.moves) << c.name;
        EXPECT_EQ(IsChildOf(note, score.Measure(1)), !c.moves) << c.name;
        EXPECT_EQ(note->GetParents()->GetCount(), 1) << c.name;
    }
}

TEST(MoveNoteTest, OnlyNotesDirectlyInTheMeasureMove) {
    Score score(0, 2);
    ECMeasure* first = score.Measure(1);
    const MCTime late(3.99f);
    auto* rest = new ECRest;
    rest->SetTime(&late);
    first->AddChild(rest, SORTED);
    auto* chord = new ECChord;
    chord->SetTime(&late);
    first->AddChild(chord, SORTED);
    auto* inChord = new ECNote(late, MCTime(1.0f));
    chord->AddChild(inChord, SORTED);

    ECMeter meter(4, 4, 2);
    ANMoveNote pass;
    MovePass(pass).DoMeasure(score.conductor, score.staff, first, &meter);
    EXPECT_TRUE(IsChildOf(rest, first));
    EXPECT_TRUE(IsChildOf(chord, first));
    EXPECT_TRUE(IsChildOf(inChord, chord));
    EXPECT_TRUE(score.Measure(2)->GetChildren()->IsEmpty());
}

TEST(MoveNoteTest, NothingMovesOutOfTheLastMeasureOrWithoutItsParts) {
    Score score(0, 2);
    ECNote* last = AddNote(score, 2, 7.99f);
    ECNote* early = AddNote(score, 1, 3.99f);
    ECMeter meter(4, 4, 2);
    ANMoveNote pass;
    MovePass(pass).DoMeasure(score.conductor, score.staff, score.Measure(2), &meter);
    EXPECT_TRUE(IsChildOf(last, score.Measure(2)));

    // A missing conductor, staff, measure or meter is passed over.
    pass.DoMeasure(nullptr, score.staff, score.Measure(1), &meter);
    pass.DoMeasure(score.conductor, nullptr, score.Measure(1), &meter);
    pass.DoMeasure(score.conductor, score.staff, nullptr, &meter);
    pass.DoMeasure(score.conductor, score.staff, score.Measure(1), nullptr);
    EXPECT_TRUE(IsChildOf(early, score.Measure(1)));
}

TEST(MoveNoteTest, SeveralLateNotesMoveInOrderUnderTheLock) {
    Score score(0, 2);
    ECNote* a = AddNote<ProbeNote>(score, 1, 3.96f);
    ECNote* b = AddNote<ProbeNote>(score, 1, 3.98f);
    ECNote* c = AddNote<ProbeNote>(score, 1, 4.0f);
    g_probed = ECPerformance::GetActivePerformance();
    g_seen.clear();
    ECMeter meter(4, 4, 2);
    ANMoveNote pass;
    MovePass(pass).DoMeasure(score.conductor, score.staff, score.Measure(1), &meter);
    g_probed = nullptr;

    ASSERT_EQ(g_seen.size(), 3u);
    const ECBase* order[] = {a, b, c};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(g_seen[i].note, order[i]);
        EXPECT_EQ(g_seen[i].parent, score.Measure(2));
        EXPECT_FALSE(g_seen[i].lockFree) << "moved without the performance's lock";
        EXPECT_EQ(g_seen[i].parentsBefore, 1) << "left its measure before joining the next";
    }
    std::vector<ECBase*> moved;
    MCEventList* children = score.Measure(2)->GetChildren();
    for (POSITION pos = children->GetHeadPosition(); pos;)
        moved.push_back(children->GetNext(pos));
    EXPECT_EQ(moved, (std::vector<ECBase*>{a, b, c}));
    EXPECT_TRUE(score.Measure(1)->GetChildren()->IsEmpty());
}

// The engine's own threshold never reaches the pass: the base's 16 ticks hold.
TEST(MoveNoteTest, TheThresholdIsThePassesOwn) {
    Score score(0, 2);
    ECNote* note = AddNote(score, 1, 4.0f - 10.f / 256.f);   // beyond 6, within 16
    ECMeter meter(4, 4, 2);
    ANMoveNote pass;
    MovePass(pass).DoMeasure(score.conductor, score.staff, score.Measure(1), &meter);
    EXPECT_TRUE(IsChildOf(note, score.Measure(2)));
}

TEST(CreateRulerTest, RebuildsTheRulerOfEveryStaffMeasureInTheColumn) {
    Score score(0, 1);
    score.conductor->GetTrack(TRACK_STAFF, 2, 1);
    auto* conductorStaff = static_cast<ECConductorStaff*>(score.conductor->GetTrack(TRACK_CONDUCTOR, 0, 0));
    ASSERT_NE(conductorStaff, nullptr);
    ASSERT_EQ(conductorStaff->GetMaxStaffNumber(), 2);
    auto* column = static_cast<ECConductorMeasure*>(score.Column(1));
    measure_test::RegistryCell measures(ET_MEASURE, RUNTIME_CLASS(DCctMeasure));
    measure_test::RegistryCell columns(ET_CONDUCTORMEASURE, RUNTIME_CLASS(DCctBase));

    ECMeter meter(4, 4, 2);
    ANCreateRuler pass;
    pass.DoMeasure(conductorStaff, column, &meter);
    EXPECT_NE(column->GetData(DK_NOTATION, 0), nullptr);
    for (int staff = 1; staff <= 2; ++staff) {
        auto* display = dynamic_cast<DCctMeasure*>(score.conductor->GetMeasure(staff, 1)->GetData(DK_NOTATION, 0));
        ASSERT_NE(display, nullptr) << staff;
        ASSERT_EQ(display->GetRuler().GetNumberOfRulerGroups(), 1) << staff;
        EXPECT_EQ(display->GetRuler().GetRulerGroup()[0].marks.size(), 16u) << staff;   // sixteenths
    }

    // At the resolution set on the pass: eighths.
    Score other(0, 1);
    auto* otherStaff = static_cast<ECConductorStaff*>(other.conductor->GetTrack(TRACK_CONDUCTOR, 0, 0));
    pass.SetResolution(128);
    pass.DoMeasure(otherStaff, static_cast<ECConductorMeasure*>(other.Column(1)), &meter);
    auto* display = dynamic_cast<DCctMeasure*>(other.Measure(1)->GetData(DK_NOTATION, 0));
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->GetRuler().GetRulerGroup()[0].marks.size(), 8u);

    // Missing parts are passed over.
    pass.DoMeasure(nullptr, column, &meter);
    pass.DoMeasure(conductorStaff, nullptr, &meter);
}

}  // namespace
