// ECConductor: the conductor staff made on first need, measures made up to a
// time, tracks by kind, the wave-track array, default meters and tempos, the
// cache kept in order as meters and tempos come, go and move, and loading.
#include "model/conductor.h"

#include "model/conductorcache.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/meter.h"
#include "model/staff.h"
#include "model/tempo.h"
#include "tests/model/piece_support.h"

#include <gtest/gtest.h>

using piece::Place;
using piece::TrackOf;

namespace {

class ECConductorTest : public piece::PieceTest {
protected:
    ECMeter* AddMeter(float time, unsigned char numerator) {
        auto* meter = new ECMeter(numerator, 4, 0);
        Place(meter, time, 14, 0);
        return ConductorStaff()->AddChild(meter, SORTED) ? meter : nullptr;
    }
    ECTempo* AddTempo(float time, float quartersPerMinute) {
        auto* tempo = new ECTempo;
        tempo->SetTempo(quartersPerMinute, 1.0f);
        Place(tempo, time, 14, 0);
        return ConductorStaff()->AddChild(tempo, SORTED) ? tempo : nullptr;
    }
};

TEST_F(ECConductorTest, AFreshConductorMakesItsStaffAsTrackZero) {
    EXPECT_EQ(m_conductor->GetMaxMeasureNumber(), 0);
    ECConductorStaff* staff = ConductorStaff();
    ASSERT_NE(staff, nullptr);
    EXPECT_EQ(staff->GetClassType(), ET_CONDUCTORSTAFF);
    EXPECT_EQ(staff->GetVoiceTrack()->GetValue(), MCVoiceTrack(14, 0).GetValue());
    EXPECT_EQ(*staff->GetTime(), MCTime::TimeZero());
    EXPECT_EQ(m_conductor->GetChildren()->GetCount(), 1);
    EXPECT_EQ(m_conductor->GetChildren()->GetHead(), staff);
    EXPECT_EQ(m_conductor->GetMaxMeasureEndTime(), MCTime::TimeZero());

    // Staff number 0 is the conductor staff's own entry; asking again makes
    // no second one.
    const struct { int kind, number; ECTrack* track; int max; } cases[] = {
        {TRACK_CONDUCTOR, 7, staff, 1}, {TRACK_STAFF, 0, staff, 0}, {TRACK_STAFF, 1, nullptr, 0},
        {TRACK_WAVE, 1, nullptr, 0},    {3, 0, nullptr, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(m_conductor->GetTrack(c.kind, c.number, 0), c.track) << c.kind << " " << c.number;
        EXPECT_EQ(m_conductor->GetMaxTrackNumber(c.kind), c.max) << c.kind;
    }
    EXPECT_EQ(m_conductor->GetTrackNumber(TRACK_CONDUCTOR, staff), 0);
    EXPECT_EQ(m_conductor->GetTrackNumber(TRACK_STAFF, staff), 0);
    EXPECT_EQ(m_conductor->GetTrackNumber(3, staff), 0);
    EXPECT_EQ(m_conductor->GetChildren()->GetCount(), 1);
}

TEST_F(ECConductorTest, MeasureOnAnEmptyPieceMakesStaffMeterAndMeasures) {
    ECMeasure* measure = m_conductor->GetMeasure(1, MCTime(10.5f), 1, 1);

    ECStaff* staff = Staff(1);
    ASSERT_NE(staff, nullptr);
    EXPECT_EQ(TrackOf(staff), 1);
    EXPECT_EQ(m_conductor->GetMaxTrackNumber(TRACK_STAFF), 1);

    ECMeter* meter = m_conductor->GetCache()->GetMeterAtTime(MCTime(0.0f));
    ASSERT_NE(meter, nullptr);
    EXPECT_EQ(*meter->GetTime(), MCTime::TimeZero());
    EXPECT_EQ(meter->GetNumerator(), 4);
    EXPECT_EQ(meter->GetDenominator(), 4);
    EXPECT_EQ(meter->GetParents()->GetHead(), ConductorStaff());

    EXPECT_EQ(m_conductor->GetMaxMeasureNumber(), 3);
    EXPECT_EQ(m_conductor->GetMaxMeasureEndTime(), MCTime(12.0f));
    ASSERT_NE(measure, nullptr);
    EXPECT_EQ(measure, m_conductor->GetMeasure(1, 3));
    EXPECT_EQ(*measure->GetTime(), MCTime(8.0f));
    EXPECT_EQ(TrackOf(measure), 1);
    EXPECT_EQ(measure->GetParents()->GetHead(), staff);
    // The staff holds its three measures, in time order.
    ASSERT_EQ(staff->GetChildren()->GetCount(), 3);
    EXPECT_EQ(staff->GetChildren()->GetTail(), measure);
}

TEST_F(ECConductorTest, DefaultMeterAndTempoAreMadeOnceAtZero) {
    ECMeter* meter = m_conductor->GetMeterAtTime(MCTime(5.0f));
    ASSERT_NE(meter, nullptr);
    EXPECT_EQ(m_conductor->GetMeterBeforeTime(MCTime(9.0f)), meter);
    EXPECT_EQ(m_conductor->GetMeterAtTime(MCTime(0.0f)), meter);
    EXPECT_EQ(meter->GetVoiceTrack()->GetValue(), MCVoiceTrack(14, 0).GetValue());

    ECTempo* tempo = m_conductor->GetTempoBeforeTime(MCTime(2.0f));
    ASSERT_NE(tempo, nullptr);
    EXPECT_EQ(*tempo->GetTime(), MCTime::TimeZero());
    EXPECT_EQ(m_conductor->GetTempoAtTime(MCTime(100.0f)), tempo);
    EXPECT_EQ(ConductorStaff()->GetChildren()->GetCount(), 2);

    // Nothing holds before time zero, and nothing is made for it.
    EXPECT_EQ(m_conductor->GetMeterAtTime(MCTime(-1.0f)), nullptr);
    EXPECT_EQ(ConductorStaff()->GetChildren()->GetCount(), 2);
}

TEST_F(ECConductorTest, ConductorStaffCachesMetersAndTemposAndRefusesASecondAtOneTime) {
    ECMeter* common = AddMeter(0.0f, 4);
    ECMeter* waltz = AddMeter(8.0f, 3);
    ECTempo* slow = AddTempo(0.0f, 60.0f);
    ECTempo* fast = AddTempo(4.0f, 120.0f);
    ASSERT_TRUE(common && waltz && slow && fast);
    EXPECT_EQ(m_conductor->GetMeterAtTime(MCTime(9.0f)), waltz);
    EXPECT_EQ(m_conductor->GetTempoAtTime(MCTime(5.0f)), fast);
    // 4 quarters at one per second, then 2 at two per second.
    EXPECT_EQ(m_conductor->TranslateTime(MCTime(6.0f)), MCTime(5.0f));
    EXPECT_EQ(m_conductor->NormalizeTime(m_conductor->TranslateTime(MCTime(6.0f))), MCTime(6.0f));

    // A second meter at 8 is refused and taken out of the tree again.
    auto* second = new ECMeter(5, 4, 0);
    second->Ref();
    Place(second, 8.0f, 14, 0);
    EXPECT_EQ(ConductorStaff()->AddChild(second, SORTED), 0);
    EXPECT_TRUE(second->GetParents()->IsEmpty());
    EXPECT_EQ(m_conductor->GetMeterAtTime(MCTime(9.0f)), waltz);
    second->Unref(1);

    // Removing a meter takes it out of the cache.
    ConductorStaff()->RemoveChild(waltz, 0);
    EXPECT_EQ(m_conductor->GetMeterAtTime(MCTime(9.0f)), common);

    // Only meters and tempos of their own classes reach the cache.
    auto* note = new ECWithTime;
    note->Ref();
    EXPECT_EQ(m_conductor->CacheEvent(note), 0);
    EXPECT_EQ(m_conductor->RecacheEvent(note), 0);
    EXPECT_EQ(m_conductor->CacheEvent(nullptr), 0);
    note->Unref(1);

    // Emptying the conductor staff empties the cache.
    ConductorStaff()->RemoveChildren(1);
    EXPECT_EQ(m_conductor->GetCache()->GetMeterAtTime(MCTime(1.0f)), nullptr);
    EXPECT_EQ(m_conductor->GetCache()->GetTempoAtTime(MCTime(1.0f)), nullptr);
}

TEST_F(ECConductorTest, MovingAMeterOrTempoKeepsTheCacheInOrder) {
    ECMeter* first = AddMeter(0.0f, 4);
    ECMeter* second = AddMeter(8.0f, 3);
    ECMeter* third = AddMeter(16.0f, 5);
    ECTempo* tempo = AddTempo(12.0f, 90.0f);
    ASSERT_TRUE(first && second && third && tempo);

    const MCTime four(4.0f);
    third->SetTime(&four);   // now before the meter at 8
    const struct { float t; ECMeter* meter; } cases[] = {
        {0.0f, first}, {3.9f, first}, {4.0f, third}, {7.0f, third}, {8.0f, second}, {20.0f, second},
    };
    for (const auto& c : cases)
        EXPECT_EQ(m_conductor->GetMeterAtTime(MCTime(c.t)), c.meter) << c.t;
    MCTime start;
    MCTime end;
    m_conductor->GetMeterScope(third, start, end);
    EXPECT_EQ(start, four);
    EXPECT_EQ(end, MCTime(8.0f));

    const MCTime two(2.0f);
    tempo->SetTime(&two);
    EXPECT_EQ(m_conductor->GetTempoAtTime(MCTime(3.0f)), tempo);
    m_conductor->GetTempoScope(tempo, start, end);
    EXPECT_EQ(start, two);
    EXPECT_EQ(end, MCTime::TimeMax());

    // Outside a conductor only the time changes.
    auto* loose = new ECMeter(2, 4, 0);
    loose->Ref();
    loose->SetTime(&two);
    EXPECT_EQ(*loose->GetTime(), two);
    EXPECT_EQ(m_conductor->GetMeterAtTime(MCTime(2.0f)), first);
    loose->Unref(1);
}

TEST_F(ECConductorTest, WaveTracksHaveTheirOwnNumbering) {
    MakeStaves(1);
    auto* wave = static_cast<ECWaveTrack*>(m_conductor->GetTrack(TRACK_WAVE, 1, 1));
    ASSERT_NE(wave, nullptr);
    EXPECT_EQ(wave->GetClassType(), ET_WAVETRACK);
    EXPECT_EQ(TrackOf(wave), 1);
    EXPECT_EQ(wave->GetParents()->GetHead(), m_conductor);
    EXPECT_EQ(m_conductor->GetMaxTrackNumber(TRACK_WAVE), 1);
    EXPECT_EQ(m_conductor->GetMaxTrackNumber(TRACK_STAFF), 1);   // the staves are apart
    EXPECT_EQ(m_conductor->GetTrackNumber(TRACK_WAVE, wave), 1);

    // The add-track command with a position: number position + 1; the one
    // behind it keeps its number.
    auto* front = new ECWaveTrack;
    auto* command = new CCAddTrack(front, 0);
    command->SetSynchronous(1);
    command->Apply(m_performance);
    EXPECT_EQ(m_conductor->GetTrack(TRACK_WAVE, 1, 0), front);
    EXPECT_EQ(m_conductor->GetTrack(TRACK_WAVE, 2, 0), wave);
    EXPECT_EQ(TrackOf(front), 1);
    EXPECT_EQ(TrackOf(wave), 1);

    // Removing a track takes a wave track out of the array only.
    auto* remove = new CCRemoveTrack(front);
    remove->SetSynchronous(1);
    remove->Apply(m_performance);
    EXPECT_EQ(m_conductor->GetTrackNumber(TRACK_WAVE, front), -1);
    EXPECT_EQ(m_conductor->GetTrack(TRACK_WAVE, 1, 0), wave);
    EXPECT_EQ(m_conductor->GetTrack(TRACK_WAVE, 2, 0), nullptr);
}

TEST_F(ECConductorTest, SortingPutsTheStavesInNumberOrder) {
    MakeStaves(3);
    ECStaff* one = Staff(1);
    ECStaff* two = Staff(2);
    ECStaff* three = Staff(3);
    // Numbers out of step with the array: the conductor staff sorts it, the
    // conductor its children.
    one->SetVoiceTrack(14, 3);
    three->SetVoiceTrack(14, 1);
    m_conductor->SortStaves(1);
    EXPECT_EQ(Staff(1), three);
    EXPECT_EQ(Staff(2), two);
    EXPECT_EQ(Staff(3), one);
    std::vector<ECBase*> staves;
    for (POSITION pos = m_conductor->GetChildren()->GetHeadPosition(); pos;) {
        ECBase* child = m_conductor->GetChildren()->GetNext(pos);
        if (child->GetClassType() == ET_STAFF)
            staves.push_back(child);
        EXPECT_EQ(child->GetParents()->GetHead(), m_conductor);
    }
    EXPECT_EQ(staves, (std::vector<ECBase*>{three, two, one}));
    EXPECT_EQ(one->GetRefCount(), 1);   // the children list alone
}

TEST_F(ECConductorTest, LoadingRebuildsTheCacheAndTheWaveTrackArray) {
    MakeMeasures(2);
    AddMeter(4.0f, 3);
    AddTempo(2.0f, 120.0f);
    m_conductor->GetTrack(TRACK_WAVE, 1, 1);
    m_conductor->GetTrack(TRACK_WAVE, 2, 1);
    const std::vector<uint8_t> saved = piece::SaveDocument(m_performance);

    ECPerformance* loaded = piece::LoadDocument(saved);
    auto* conductor = loaded->GetConductor();
    ASSERT_NE(conductor, nullptr);
    EXPECT_EQ(conductor->GetMeterAtTime(MCTime(5.0f))->GetNumerator(), 3);
    EXPECT_EQ(conductor->GetTempoAtTime(MCTime(3.0f))->GetTempo(1.0f), 120.0f);
    EXPECT_EQ(conductor->TranslateTime(MCTime(4.0f)), MCTime(3.0f));
    ECTrack* second = conductor->GetTrack(TRACK_WAVE, 2, 0);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(TrackOf(second), 2);
    EXPECT_EQ(conductor->GetMaxTrackNumber(TRACK_WAVE), 2);
    EXPECT_EQ(piece::SaveDocument(loaded), saved);
    piece::FreeDocument(loaded);
}

}  // namespace
