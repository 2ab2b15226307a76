// ECConductorStaff and ECConductorMeasure: staves inserted and removed with
// their renumbering, the grid's searches and numbers, measures inserted and
// removed, events moved between measures, the after-load pass and damaged
// arrays.
#include "model/conductorstaff.h"

#include "model/conductorcache.h"
#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/meter.h"
#include "model/midievents.h"
#include "model/tempo.h"
#include "tests/model/piece_support.h"
#include "tests/platform/file_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

using piece::Place;
using piece::TrackOf;

namespace {

class ECConductorStaffTest : public piece::PieceTest {
protected:
    // An event with a time and a word, under `parent`.
    ECWithTime* AddEvent(ECBase* parent, float time, int track) {
        auto* event = new ECWithTime;
        Place(event, time, 0, track);
        parent->AddChild(event, SORTED);
        return event;
    }
    // The in-use groups of the primary table as (first, last) pairs.
    std::vector<std::pair<int, int>> PrimaryGroups() {
        std::vector<std::pair<int, int>> groups;
        for (const auto& entry : ConductorStaff()->GetGroup()->GetPrimaryGroup())
            if (entry.IsInUse())
                groups.emplace_back(entry.GetFirst(), entry.GetLast());
        return groups;
    }
    void ApplySynchronous(CCBase* command) {
        command->SetSynchronous(1);
        command->Apply(m_performance);
    }
};

TEST_F(ECConductorStaffTest, InsertingAStaffRenumbersTheLaterStavesAndTheirEvents) {
    MakeStaves(3);
    MakeMeasures(2);
    ECStaff* one = Staff(1);
    ECStaff* two = Staff(2);
    ECStaff* three = Staff(3);
    ECWithTime* noteOne = AddEvent(m_conductor->GetMeasure(1, 1), 1.0f, 1);
    ECWithTime* noteTwo = AddEvent(m_conductor->GetMeasure(2, 2), 5.0f, 2);
    ECWithTime* noteThree = AddEvent(m_conductor->GetMeasure(3, 1), 2.0f, 3);
    ECWithTime* staffLevel = AddEvent(three, 3.0f, 3);

    auto* inserted = new ECStaff(1);
    ApplySynchronous(new CCAddTrack(inserted, 2));

    EXPECT_EQ(m_conductor->GetMaxTrackNumber(TRACK_STAFF), 4);
    const struct { int number; ECStaff* staff; } staves[] = {{1, one}, {2, inserted}, {3, two}, {4, three}};
    for (const auto& c : staves) {
        EXPECT_EQ(Staff(c.number), c.staff) << c.number;
        EXPECT_EQ(TrackOf(c.staff), c.number);
        EXPECT_EQ(ConductorStaff()->GetStaffNumber(c.staff), c.number);
        // Every column holds the staff's own measure, numbered with it.
        for (int measure = 1; measure <= 2; ++measure) {
            ECMeasure* m = m_conductor->GetMeasure(c.number, measure);
            ASSERT_NE(m, nullptr) << c.number << " " << measure;
            EXPECT_EQ(m->GetParents()->GetHead(), c.staff);
            EXPECT_EQ(TrackOf(m), c.number);
            EXPECT_EQ(*m->GetTime(), MCTime(4.0f * static_cast<float>(measure - 1)));
        }
    }
    EXPECT_EQ(TrackOf(noteOne), 1);
    EXPECT_EQ(TrackOf(noteTwo), 3);
    EXPECT_EQ(TrackOf(noteThree), 4);
    EXPECT_EQ(TrackOf(staffLevel), 4);
    EXPECT_EQ(TrackOf(ConductorStaff()), 0);
    // The new staff is a child of the conductor; its staff type 1 gives it a
    // group of kind 1 at its place.
    EXPECT_EQ(inserted->GetParents()->GetHead(), m_conductor);
    EXPECT_EQ(PrimaryGroups(), (std::vector<std::pair<int, int>>{{1, 1}, {2, 2}, {3, 3}, {4, 4}}));

    // Positions 0 and past the end append.
    for (int position : {0, 99}) {
        auto* appended = new ECStaff;
        ApplySynchronous(new CCAddTrack(appended, position));
        const int count = m_conductor->GetMaxTrackNumber(TRACK_STAFF);
        EXPECT_EQ(Staff(count), appended) << position;
        EXPECT_EQ(TrackOf(appended), count);
    }
    EXPECT_EQ(TrackOf(three), 4);
}

TEST_F(ECConductorStaffTest, RemovingAStaffRenumbersTheLaterStavesAndDropsItsColumnEntries) {
    MakeStaves(3);
    MakeMeasures(2);
    ECStaff* two = Staff(2);
    ECStaff* three = Staff(3);
    two->Ref();   // held past its removal
    ECMeasure* threesSecond = m_conductor->GetMeasure(3, 2);
    ECWithTime* note = AddEvent(threesSecond, 4.5f, 3);
    ConductorStaff()->GroupStaves(1, 3, 0);

    ApplySynchronous(new CCRemoveTrack(two));

    EXPECT_EQ(m_conductor->GetMaxTrackNumber(TRACK_STAFF), 2);
    EXPECT_EQ(Staff(2), three);
    EXPECT_EQ(TrackOf(three), 2);
    EXPECT_EQ(TrackOf(note), 2);
    EXPECT_EQ(m_conductor->GetMeasure(2, 2), threesSecond);
    EXPECT_EQ(m_conductor->GetMeasure(3, 2), nullptr);
    EXPECT_EQ(m_conductor->GetTrackNumber(TRACK_STAFF, two), -1);
    EXPECT_EQ(m_conductor->GetChildren()->Find(two), nullptr);
    EXPECT_EQ(TrackOf(two), 1);   // renumbered with the rest
    EXPECT_EQ(PrimaryGroups(), (std::vector<std::pair<int, int>>{{1, 2}}));

    // The conductor staff is never removed through the staves.
    ConductorStaff()->RemoveStaff(ConductorStaff());
    ConductorStaff()->RemoveStaff(nullptr);
    EXPECT_EQ(m_conductor->GetMaxTrackNumber(TRACK_STAFF), 2);
    two->Unref(1);
}

TEST_F(ECConductorStaffTest, MeasureNumbersAtAndBeforeATime) {
    MakeStaves(1);
    MakeMeasures(6);   // 4/4: measure n starts at 4(n - 1), the end is 24
    const struct { float t; int at, before; } cases[] = {
        {-1.0f, 0, 0}, {0.0f, 1, 0}, {0.5f, 1, 1}, {16.0f, 5, 4}, {17.0f, 5, 5},
        {3.99f, 1, 1}, {20.0f, 6, 5}, {24.0f, 6, 6}, {100.0f, 6, 6},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(m_conductor->GetMeasureNumberAtTime(MCTime(c.t)), c.at) << c.t;
        EXPECT_EQ(m_conductor->GetMeasureNumberBeforeTime(MCTime(c.t)), c.before) << c.t;
    }
    // The search cursor walks both ways: lookups in any order agree.
    for (float t : {22.0f, 1.0f, 13.0f, 12.0f, 11.9f, 0.0f, 23.9f, 4.0f}) {
        ECMeasure* measure = m_conductor->GetMeasure(1, MCTime(t), 0, 1);
        ASSERT_NE(measure, nullptr) << t;
        EXPECT_EQ(measure, m_conductor->GetMeasure(1, static_cast<int>(std::floor(t / 4.0f)) + 1)) << t;
    }

    // At the end time nothing is made without `create`; bad numbers give null.
    EXPECT_EQ(m_conductor->GetMeasure(1, MCTime(24.0f), 0, 1), nullptr);
    EXPECT_EQ(m_conductor->GetMaxMeasureNumber(), 6);
    const struct { int track, number; } bad[] = {{-1, 1}, {2, 1}, {1, 0}, {1, 7}, {TRACK_ALL, 1}};
    for (const auto& c : bad)
        EXPECT_EQ(m_conductor->GetMeasure(c.track, c.number), nullptr) << c.track << " " << c.number;
    EXPECT_EQ(m_conductor->GetMeasure(1, MCTime(-0.5f), 1, 1), nullptr);
    MCTime play(5.0f);
    play.SetMode(TM_PLAY);
    EXPECT_EQ(m_conductor->GetMeasure(1, play, 0, 1), nullptr);
}

TEST_F(ECConductorStaffTest, MeasureListsByNumberAndTime) {
    MakeStaves(2);
    MakeMeasures(4);
    const auto listed = [&](int track, int first, int last) {
        MCEventList list;
        const int any = m_conductor->GetMeasures(track, first, last, list);
        std::vector<ECBase*> measures;
        for (POSITION pos = list.GetHeadPosition(); pos;)
            measures.push_back(list.GetNext(pos));
        EXPECT_EQ(any, measures.empty() ? 0 : 1);
        return measures;
    };
    const auto m = [&](int track, int number) -> ECBase* { return m_conductor->GetMeasure(track, number); };

    EXPECT_EQ(listed(1, 2, 3), (std::vector<ECBase*>{m(1, 2), m(1, 3)}));
    EXPECT_EQ(listed(0, 0, 1), (std::vector<ECBase*>{m(0, 1)}));
    // Every track, the conductor's first.
    EXPECT_EQ(listed(TRACK_ALL, 3, 4), (std::vector<ECBase*>{m(0, 3), m(0, 4), m(1, 3), m(1, 4), m(2, 3), m(2, 4)}));
    // A last number past the measures stops at the last one.
    EXPECT_EQ(listed(2, 3, 50), (std::vector<ECBase*>{m(2, 3), m(2, 4)}));
    EXPECT_TRUE(listed(2, 9, 12).empty());
    EXPECT_TRUE(listed(5, 1, 2).empty());

    // By time: from the measure at `from` to the one before `to`.
    MCEventList list;
    EXPECT_EQ(m_conductor->GetMeasures(1, MCTime(4.5f), MCTime(12.0f), list), 1);
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetHead(), m(1, 2));
    EXPECT_EQ(list.GetTail(), m(1, 3));
    EXPECT_EQ(m_conductor->GetMeasures(1, MCTime(16.0f), MCTime(20.0f), list), 0);
    EXPECT_TRUE(list.IsEmpty());
}

TEST_F(ECConductorStaffTest, ARealTimeIsConvertedInTheCallersVariable) {
    piece::ProbeStaff* staff = UseProbeStaff();
    MakeStaves(1);
    MakeMeasures(4);
    auto* tempo = new ECTempo;
    tempo->SetTempo(120.0f, 1.0f);   // two quarters a second
    Place(tempo, 0.0f, 14, 0);
    ASSERT_EQ(staff->AddChild(tempo, SORTED), 1);

    MCTime time(3.0f);
    time.SetMode(TM_REAL);
    ECConductorMeasure* column = staff->GetConductorMeasureAtTime(time, 0, 1);
    EXPECT_EQ(time.GetMode(), TM_NORMAL);
    EXPECT_EQ(time, MCTime(6.0f));
    ASSERT_NE(column, nullptr);
    EXPECT_EQ(column, m_conductor->GetMeasure(0, 2));

    MCTime real(5.0f);
    real.SetMode(TM_REAL);
    EXPECT_EQ(m_conductor->GetMeasure(1, real, 0, 1), m_conductor->GetMeasure(1, 3));
    EXPECT_EQ(m_conductor->GetMeasureNumberAtTime(real), 3);
}

TEST_F(ECConductorStaffTest, InsertingAndRemovingMeasuresKeepsTheGridAndTheEndTime) {
    piece::ProbeStaff* staff = UseProbeStaff();
    MakeStaves(2);
    MakeMeasures(4);
    auto* waltz = new ECMeter(3, 4, 0);
    waltz->Ref();

    // Out of range: appended at the end time, each of the meter's length.
    ASSERT_EQ(staff->InsertMeasures(-1, 2, MCTime(16.0f), waltz), 1);
    ASSERT_EQ(staff->InsertMeasures(99, 1, MCTime(22.0f), nullptr), 1);   // 4 quarters without a meter
    EXPECT_EQ(m_conductor->GetMaxMeasureNumber(), 7);
    EXPECT_EQ(m_conductor->GetMaxMeasureEndTime(), MCTime(26.0f));
    const float starts[] = {0, 4, 8, 12, 16, 19, 22};
    for (int number = 1; number <= 7; ++number) {
        ECConductorMeasure* column = static_cast<ECConductorMeasure*>(m_conductor->GetMeasure(0, number));
        ASSERT_NE(column, nullptr) << number;
        EXPECT_EQ(*column->GetTime(), MCTime(starts[number - 1])) << number;
        EXPECT_EQ(column->GetHighestTrackIndex(), 2);
        for (int track = 1; track <= 2; ++track)
            EXPECT_EQ(*column->GetMeasureOnTrack(track)->GetTime(), *column->GetTime());
    }
    waltz->Unref(1);

    // An index out of range removes the last `count` measures (the meter in
    // force there, the default 4/4, gives each length).
    ECMeasure* sixth = m_conductor->GetMeasure(1, 6);
    ECMeasure* last = m_conductor->GetMeasure(0, 7);
    ASSERT_EQ(staff->RemoveMeasures(-1, 2), 1);
    EXPECT_EQ(m_conductor->GetMaxMeasureNumber(), 5);
    EXPECT_EQ(m_conductor->GetMaxMeasureEndTime(), MCTime(18.0f));
    EXPECT_EQ(*m_conductor->GetMeasure(0, 5)->GetTime(), MCTime(16.0f));
    // They stay in the tree; the caller takes them out.
    EXPECT_EQ(sixth->GetParents()->GetHead(), Staff(1));
    EXPECT_EQ(last->GetParents()->GetHead(), staff);

    // A run past the last measure stops there.
    ASSERT_EQ(staff->RemoveMeasures(3, 10), 1);
    EXPECT_EQ(m_conductor->GetMaxMeasureNumber(), 3);
    EXPECT_EQ(m_conductor->GetMaxMeasureEndTime(), MCTime(10.0f));
    EXPECT_EQ(m_conductor->GetMeasureNumberAtTime(MCTime(9.0f)), 3);
    ASSERT_EQ(staff->RemoveMeasures(0, -5), 1);   // a negative count removes nothing
    EXPECT_EQ(m_conductor->GetMaxMeasureNumber(), 3);
}

TEST_F(ECConductorStaffTest, MakingMeasuresUpToATimeAlwaysEnds) {
    MakeStaves(1);
    for (float bad : {std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()})
        EXPECT_EQ(m_conductor->GetMeasure(1, MCTime(bad), 1, 1), nullptr) << bad;
    EXPECT_EQ(m_conductor->GetMaxMeasureNumber(), 0);

    // A count of 0 makes one measure at a time; a count of 3 three.
    EXPECT_NE(m_conductor->GetMeasure(1, MCTime(1.0f), 1, 0), nullptr);
    EXPECT_EQ(m_conductor->GetMaxMeasureNumber(), 1);
    EXPECT_NE(m_conductor->GetMeasure(1, MCTime(4.0f), 1, 3), nullptr);
    EXPECT_EQ(m_conductor->GetMaxMeasureNumber(), 4);

    // Where a measure's length no longer moves the end time at float
    // precision, making gives up instead of repeating for ever.
    ConductorStaff()->GetMaxMeasureEndTime() = MCTime(1.0e9f);
    EXPECT_EQ(m_conductor->GetMeasure(1, MCTime(1.0e9f + 1000.0f), 1, 1), nullptr);
    EXPECT_EQ(m_conductor->GetMaxMeasureNumber(), 5);
}

// Measures made up to a time go in among the marks already standing past the
// last measure (a file's conductor track comes before the measures that
// reach it): every list stays in time order, each new measure after the
// marks of its own time, as adding the measures one by one puts them.
TEST_F(ECConductorStaffTest, MeasuresMadeUpToATimeGoInAmongTheMarksPastTheEnd) {
    MakeStaves(2);
    MakeMeasures(1);
    for (float time : {6.0f, 8.0f, 8.0f, 13.5f, 16.0f, 30.0f})
        AddEvent(ConductorStaff(), time, 0);
    for (float time : {4.0f, 9.0f, 12.0f, 25.0f})
        AddEvent(Staff(2), time, 2);

    const auto children = [](ECBase* parent) {
        std::vector<ECBase*> list;
        for (POSITION pos = parent->GetChildren()->GetHeadPosition(); pos;)
            list.push_back(parent->GetChildren()->GetNext(pos));
        return list;
    };
    const struct { float time; int count; } runs[] = {{14.0f, 1}, {27.0f, 3}};
    for (const auto& run : runs) {
        ECBase* tracks[] = {ConductorStaff(), Staff(1), Staff(2)};
        std::vector<std::vector<ECBase*>> expected;
        for (ECBase* track : tracks)
            expected.push_back(children(track));
        const int before = m_conductor->GetMaxMeasureNumber();
        ASSERT_NE(m_conductor->GetMeasure(1, MCTime(run.time), 1, run.count), nullptr);
        ASSERT_GT(m_conductor->GetMaxMeasureNumber(), before);
        for (int track = 0; track < 3; ++track) {
            // What was there, then the new measures in the order made, each
            // after everything of a time not later than its own.
            std::vector<ECBase*>& list = expected[static_cast<size_t>(track)];
            for (int number = before + 1; number <= m_conductor->GetMaxMeasureNumber(); ++number)
                list.push_back(m_conductor->GetMeasure(track, number));
            std::stable_sort(list.begin(), list.end(), [](ECBase* a, ECBase* b) {
                return a->GetTime()->GetSeconds() < b->GetTime()->GetSeconds();
            });
            EXPECT_EQ(children(tracks[track]), list) << run.time << " track " << track;
        }
    }
    EXPECT_EQ(m_conductor->GetMaxMeasureEndTime(), MCTime(28.0f));
}

TEST_F(ECConductorStaffTest, AdjustingMovesChildrenIntoTheMeasureThatHoldsTheirTime) {
    piece::ProbeStaff* staff = UseProbeStaff();
    MakeStaves(1);
    MakeMeasures(3);
    ECMeasure* first = m_conductor->GetMeasure(1, 1);
    ECMeasure* second = m_conductor->GetMeasure(1, 2);
    ECMeasure* third = m_conductor->GetMeasure(1, 3);
    ECWithTime* stays = AddEvent(first, 1.0f, 1);
    ECWithTime* late = AddEvent(first, 5.0f, 1);
    ECWithTime* later = AddEvent(first, 9.0f, 1);
    ECWithTime* early = AddEvent(third, 2.0f, 1);
    auto* clef = new ECClef(2);
    Place(clef, 6.0f, 0, 1);
    first->AddChild(clef, SORTED);
    ASSERT_EQ(Staff(1)->GetClefAtTime(MCTime(7.0f), 0), clef);

    const auto moveTo = [](ECBase* event, ECBase* measure) {
        ECBase* from = event->GetParents()->GetHead();
        measure->AddChild(event, SORTED);
        from->RemoveChild(event, 0);
    };
    for (int backwards : {1, 0}) {
        staff->AdjustMeasureChildren(MCTime(0.0f), MCTime(12.0f), backwards);
        const struct { ECBase* event; ECBase* measure; } cases[] = {
            {stays, first}, {late, second}, {clef, second}, {later, third}, {early, first},
        };
        for (const auto& c : cases) {
            EXPECT_EQ(c.event->GetParents()->GetCount(), 1) << backwards;
            EXPECT_EQ(c.event->GetParents()->GetHead(), c.measure) << c.event->GetTime()->GetSeconds();
        }
        // The moved clef is still the one in force.
        EXPECT_EQ(Staff(1)->GetClefAtTime(MCTime(7.0f), 0), clef) << backwards;
        // Misplaced again for the other direction.
        for (ECBase* event : {static_cast<ECBase*>(late), static_cast<ECBase*>(later), static_cast<ECBase*>(clef)})
            moveTo(event, first);
        moveTo(early, third);
    }
}

TEST_F(ECConductorStaffTest, ClearingARangeKeepsMeasuresAndTheMarksOfTimeZero) {
    piece::ProbeStaff* staff = UseProbeStaff();
    MakeStaves(1);
    MakeMeasures(2);
    ECStaff* one = Staff(1);
    auto* program = new ECProgramChange;
    Place(program, 0.0f, 0, 1);
    one->AddChild(program, SORTED);
    auto* control = new ECControlChange;
    Place(control, 0.0f, 0, 1);
    one->AddChild(control, SORTED);
    ECWithTime* inside = AddEvent(one, 3.0f, 1);
    ECWithTime* after = AddEvent(one, 6.0f, 1);
    auto* timeless = new ECWithChild;
    one->AddChild(timeless, UNSORTED);
    for (ECBase* event : {static_cast<ECBase*>(program), static_cast<ECBase*>(control),
                          static_cast<ECBase*>(inside), static_cast<ECBase*>(after), static_cast<ECBase*>(timeless)})
        event->Ref();
    ECMeter* meter = m_conductor->GetMeterAtTime(MCTime(0.0f));

    staff->RemoveEvents(MCTime(0.0f), MCTime(6.0f));

    const struct { ECBase* event; bool kept; } cases[] = {
        {program, true}, {control, false}, {inside, false}, {after, true}, {timeless, true}, {meter, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(!c.event->GetParents()->IsEmpty(), c.kept) << c.event->GetClassType();
    EXPECT_EQ(m_conductor->GetMaxMeasureNumber(), 2);
    EXPECT_NE(m_conductor->GetMeasure(1, 1)->GetParents()->Find(one), nullptr);
    for (ECBase* event : {static_cast<ECBase*>(program), static_cast<ECBase*>(control),
                          static_cast<ECBase*>(inside), static_cast<ECBase*>(after), static_cast<ECBase*>(timeless)})
        event->Unref(1);
}

TEST_F(ECConductorStaffTest, ColumnsSortAndSetTheirTimesTogether) {
    MakeStaves(2);
    MakeMeasures(1);
    auto* column = static_cast<ECConductorMeasure*>(m_conductor->GetMeasure(0, 1));
    ECMeasure* one = column->GetMeasureOnTrack(1);
    ECMeasure* two = column->GetMeasureOnTrack(2);
    EXPECT_EQ(column->GetMeasures().size(), 18u);   // 16 entries, two inserted in front of the tail
    EXPECT_EQ(column->GetMeasures()[0], column);
    EXPECT_EQ(column->GetMeasureOnTrack(3), nullptr);
    EXPECT_EQ(column->GetMeasureOnTrack(-1), nullptr);

    const MCTime later(2.0f);
    column->SetMeasureTime(&later);
    for (ECMeasure* m : {static_cast<ECMeasure*>(column), one, two})
        EXPECT_EQ(*m->GetTime(), later);

    one->SetVoiceTrack(14, 2);
    two->SetVoiceTrack(14, 1);
    ConductorStaff()->SortStaves();
    EXPECT_EQ(column->GetMeasureOnTrack(1), two);
    EXPECT_EQ(column->GetMeasureOnTrack(2), one);
    EXPECT_EQ(column->GetMeasureOnTrack(0), column);
}

TEST_F(ECConductorStaffTest, RemovingTheChildrenEmptiesCacheAndGrid) {
    MakeStaves(1);
    MakeMeasures(3);
    ConductorStaff()->RemoveChildren(1);
    EXPECT_EQ(m_conductor->GetMaxMeasureNumber(), 0);
    EXPECT_EQ(m_conductor->GetMaxMeasureEndTime(), MCTime::TimeZero());
    EXPECT_EQ(m_conductor->GetCache()->GetMeterAtTime(MCTime(1.0f)), nullptr);
    EXPECT_EQ(m_conductor->GetMeasure(1, 1), nullptr);
    // The grid grows again from the start.
    EXPECT_NE(m_conductor->GetMeasure(1, MCTime(1.0f), 1, 1), nullptr);
    EXPECT_EQ(m_conductor->GetMaxMeasureNumber(), 1);
}

// ---- the after-load pass -------------------------------------------------------------

// A small piece: three staves (one of staff type 1, grouped), four measures,
// a meter change, a tempo, clefs and keys, events in measures and on staves,
// a wave track.
class ECConductorStaffArchiveTest : public ECConductorStaffTest {
protected:
    void SetUp() override {
        ECConductorStaffTest::SetUp();
        MakeStaves(2);
        ApplySynchronous(new CCAddTrack(new ECStaff(1), 3));
        MakeMeasures(4);
        ConductorStaff()->GroupStaves(1, 2, 0);
        auto* meter = new ECMeter(3, 4, 0);
        Place(meter, 8.0f, 14, 0);
        ConductorStaff()->AddChild(meter, SORTED);
        auto* tempo = new ECTempo;
        Place(tempo, 0.0f, 14, 0);
        ConductorStaff()->AddChild(tempo, SORTED);
        for (int track = 1; track <= 3; ++track) {
            auto* clef = new ECClef(static_cast<unsigned char>(track));
            Place(clef, 0.0f, 0, track);
            m_conductor->GetMeasure(track, 1)->AddChild(clef, SORTED);
            auto* key = new ECKey(static_cast<short>(track - 2), 0);
            Place(key, 4.0f, 0, track);
            m_conductor->GetMeasure(track, 2)->AddChild(key, SORTED);
            AddEvent(m_conductor->GetMeasure(track, 3), 8.5f, track);
            AddEvent(Staff(track), 1.0f, track);
        }
        m_conductor->GetTrack(TRACK_WAVE, 1, 1);
    }

    // Where the after-load pass begins: the tree alone is a prefix of the
    // document.
    size_t PassOffset() {
        CMemFile file;
        CArchive ar(&file, CArchive::store);
        ar.MapObject(m_performance);
        m_performance->Serialize(ar);
        ar.Close();
        return file.Detach().size();
    }
};

TEST_F(ECConductorStaffArchiveTest, SaveLoadSaveGivesTheSameBytes) {
    const std::vector<uint8_t> saved = piece::SaveDocument(m_performance);
    ECPerformance* loaded = piece::LoadDocument(saved);
    EXPECT_EQ(piece::SaveDocument(loaded), saved);

    auto* conductor = loaded->GetConductor();
    ASSERT_NE(conductor, nullptr);
    auto* staff = static_cast<ECConductorStaff*>(conductor->GetTrack(TRACK_CONDUCTOR, 0, 0));
    EXPECT_EQ(conductor->GetMaxTrackNumber(TRACK_STAFF), 3);
    EXPECT_EQ(conductor->GetMaxMeasureNumber(), 4);
    EXPECT_EQ(conductor->GetMaxMeasureEndTime(), m_conductor->GetMaxMeasureEndTime());
    EXPECT_EQ(staff->GetGroup()->GetPrimaryGroup(), ConductorStaff()->GetGroup()->GetPrimaryGroup());
    EXPECT_EQ(staff->GetGroup()->GetSecondaryGroup(), ConductorStaff()->GetGroup()->GetSecondaryGroup());
    for (int track = 1; track <= 3; ++track) {
        auto* loadedStaff = static_cast<ECStaff*>(conductor->GetTrack(TRACK_STAFF, track, 0));
        ASSERT_NE(loadedStaff, nullptr);
        EXPECT_EQ(TrackOf(loadedStaff), track);
        EXPECT_EQ(loadedStaff->GetStaffType(), Staff(track)->GetStaffType());
        for (int number = 1; number <= 4; ++number) {
            ECMeasure* measure = conductor->GetMeasure(track, number);
            ASSERT_NE(measure, nullptr);
            EXPECT_EQ(measure->GetParents()->GetHead(), loadedStaff);
            EXPECT_EQ(*measure->GetTime(), *m_conductor->GetMeasure(track, number)->GetTime());
        }
        // The caches came back with the tree.
        ECClef* clef = loadedStaff->GetClefAtTime(MCTime(2.0f), 0);
        ASSERT_NE(clef, nullptr);
        EXPECT_EQ(clef->GetClefType(), track);
        ASSERT_NE(loadedStaff->GetKeyAtTime(MCTime(5.0f), 0), nullptr);
    }
    EXPECT_EQ(conductor->GetMeterAtTime(MCTime(9.0f))->GetNumerator(), 3);
    EXPECT_EQ(conductor->GetMeasureNumberAtTime(MCTime(12.5f)), 4);
    piece::FreeDocument(loaded);
}

TEST_F(ECConductorStaffArchiveTest, ThePassWritesTheArraysThenTheGroupThenEachColumn) {
    const std::vector<uint8_t> saved = piece::SaveDocument(m_performance);
    size_t at = PassOffset();
    const auto word = [&](size_t offset) { return static_cast<unsigned>(saved[offset] | saved[offset + 1] << 8); };

    // The staves: 16 entries plus the three inserted, the tail null.
    ASSERT_EQ(word(at), 19u);
    for (size_t i = 4; i < 19; ++i)
        EXPECT_EQ(word(at + 2 + 2 * i), 0u) << i;
    at += 2 + 2 * 19;
    // The four conductor measures, none null.
    ASSERT_EQ(word(at), 4u);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_NE(word(at + 2 + 2 * i), 0u) << i;
    at += 2 + 2 * 4;
    // The group, as the group writes itself.
    CMemFile groupFile;
    {
        CArchive ar(&groupFile, CArchive::store);
        ConductorStaff()->GetGroup()->Serialize(ar);
        ar.Close();
    }
    const std::vector<uint8_t> group = groupFile.Detach();
    ASSERT_LE(at + group.size(), saved.size());
    EXPECT_EQ(std::vector<uint8_t>(saved.begin() + static_cast<ptrdiff_t>(at),
                                   saved.begin() + static_cast<ptrdiff_t>(at + group.size())),
              group);
    at += group.size();
    // Then each column's track measures: itself and one measure per staff.
    ASSERT_EQ(word(at), 19u);
    EXPECT_NE(word(at + 2 + 2 * 3), 0u);
    EXPECT_EQ(word(at + 2 + 2 * 4), 0u);
}

TEST_F(ECConductorStaffArchiveTest, DamagedArraysAreRefused) {
    const std::vector<uint8_t> saved = piece::SaveDocument(m_performance);
    const size_t staves = PassOffset();
    const size_t entry = staves + 2;   // staves[0]
    const size_t measures = staves + 2 + 2 * 19;
    const auto patch = [&](std::vector<std::pair<size_t, unsigned>> words) {
        std::vector<uint8_t> bytes = saved;
        for (const auto& [offset, value] : words) {
            bytes[offset] = static_cast<uint8_t>(value);
            bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
        }
        return bytes;
    };
    const auto at = [&](size_t offset) { return static_cast<unsigned>(saved[offset] | saved[offset + 1] << 8); };
    const std::vector<uint8_t> damaged[] = {
        patch({{staves, 3}}),                                   // fewer staves than the index names
        patch({{entry, at(entry + 2)}, {entry + 2, at(entry)}}),   // the conductor staff not first
        patch({{entry + 2 * 5, at(entry + 2)}}),                // a staff in the null tail
        patch({{entry + 2, at(measures + 2)}}),                 // a conductor measure for a staff
        patch({{measures, 3}}),                                 // fewer measures than the index names
    };
    for (size_t i = 0; i < std::size(damaged); ++i)
        EXPECT_THROW(piece::LoadDocument(damaged[i]), CArchiveException) << i;

    // Every shortened document is refused too.
    for (size_t cut = staves; cut < saved.size(); ++cut) {
        const std::vector<uint8_t> part(saved.begin(), saved.begin() + static_cast<ptrdiff_t>(cut));
        EXPECT_THROW(piece::LoadDocument(part), CArchiveException) << cut;
    }
}

// A count of staves in a file that claims far more bytes than it holds: a
// pointer per entry reserved up front would take 32 gigabytes.
TEST_F(ECConductorStaffArchiveTest, AHugeArrayCountIsRefusedWithoutReservingIt) {
    std::vector<uint8_t> bytes = piece::SaveDocument(m_performance);
    bytes.resize(PassOffset());
    bytes.insert(bytes.end(), 6, 0xFF);   // WORD 0xFFFF, DWORD 0xFFFFFFFF
    file_test::CShrunkFile file(bytes, uint64_t{1} << 40);
    EXPECT_THROW(piece::LoadDocument(file), CArchiveException);
}

TEST_F(ECConductorStaffArchiveTest, AnArrayEntryNothingHoldsIsFreedAndRefused) {
    // A staff written into the pass as an object of its own, not a back
    // reference into the tree.
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    ar.MapObject(m_performance);
    m_performance->Serialize(ar);
    ar.WriteCount(4);
    ar.WriteObject(ConductorStaff());
    auto* stray = new ECStaff;
    stray->Ref();
    ar.WriteObject(stray);
    ar.WriteObject(Staff(2));
    ar.WriteObject(Staff(3));
    ar.Close();
    stray->Unref(1);
    EXPECT_THROW(piece::LoadDocument(file.Detach()), CArchiveException);
}

}  // namespace
