// ECTrack, ECStaff and ECWaveTrack: construction and copies, archive bytes
// (a staff of file version 0 reads the same bytes), the staff's clef and key
// cache: rebuilt on loading, kept as clefs and keys move, emptied with the
// children, and never left pointing into a measure the staff let go.
#include "model/staff.h"

#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/staffcache.h"
#include "tests/model/eventio_support.h"
#include "tests/model/marking_support.h"

#include <gtest/gtest.h>

using eventio::operator+;
using marktest::Place;

namespace {

// A staff holding one measure at `time`.
struct StaffWithMeasure {
    ECStaff* staff;
    ECMeasure* measure;
};
StaffWithMeasure MakeStaff(eventio::Held& held, float time = 0.0f) {
    auto* staff = held(new ECStaff);
    auto* measure = new ECMeasure;
    Place(measure, time, 14, 1);
    staff->AddChild(measure, SORTED);
    return {staff, measure};
}

using marktest::MakeMark;

TEST(ECStaff, ConstructionAndCopies) {
    eventio::Held held;
    const struct { ECTrack* track; int type; } cases[] = {
        {held(new ECTrack), ET_TRACK},
        {held(new ECStaff), ET_STAFF},
        {held(new ECWaveTrack), ET_WAVETRACK},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.track->GetClassType(), c.type);
        EXPECT_EQ(*c.track->GetTime(), MCTime::TimeZero()) << c.type;
        EXPECT_EQ(c.track->GetVoiceTrack()->GetValue(), MCVoiceTrack(14, 2047).GetValue()) << c.type;
    }
    std::vector<int> parents;
    held(new ECTrack)->GetParentTypes(parents);
    EXPECT_TRUE(parents.empty());
    for (ECBase* track : {static_cast<ECBase*>(held(new ECStaff)), static_cast<ECBase*>(held(new ECWaveTrack))}) {
        parents.clear();
        track->GetParentTypes(parents);
        EXPECT_EQ(parents, std::vector<int>{ET_CONDUCTOR});
    }

    // A copy keeps the time, word and staff type, with a cache of its own.
    auto [staff, measure] = MakeStaff(held);
    staff->SetStaffType(3);
    Place(staff, 2.0f, 14, 5);
    measure->AddChild(MakeMark<ECClef>(0.0f, 0), SORTED);
    auto* copy = held(new ECStaff(*staff));
    EXPECT_EQ(copy->GetStaffType(), 3);
    EXPECT_EQ(*copy->GetTime(), MCTime(2.0f));
    EXPECT_EQ(copy->GetVoiceTrack()->GetValue(), staff->GetVoiceTrack()->GetValue());
    EXPECT_NE(copy->GetCache(), staff->GetCache());
    EXPECT_EQ(copy->GetClefAtTime(MCTime(1.0f), 0), nullptr);
    EXPECT_NE(staff->GetClefAtTime(MCTime(1.0f), 0), nullptr);
    EXPECT_EQ(held(new ECStaff(7))->GetStaffType(), 7);

    auto* wave = held(new ECWaveTrack);
    EXPECT_EQ(wave->GetConductor(), nullptr);
    EXPECT_EQ(wave->GetPerformance(), nullptr);
}

TEST(ECStaff, TheStructureClassesAreMadeByNumber) {
    eventio::Held held;
    for (int type : {ET_TRACK, ET_STAFF, ET_WAVETRACK, ET_MEASURE, ET_CONDUCTOR, ET_CONDUCTORSTAFF,
                     ET_CONDUCTORMEASURE}) {
        ECBase* event = held(ECBase::CreateEvent(type));
        ASSERT_NE(event, nullptr) << type;
        EXPECT_EQ(event->GetClassType(), type);
        EXPECT_TRUE(event->GetRuntimeClass()->IsVersionable());
        EXPECT_EQ(event->GetRuntimeClass()->GetSchema(), 2u);
    }
}

TEST(ECStaff, ArchiveBytes) {
    eventio::Held held;
    const std::vector<uint8_t> timedPart = marktest::TimedPart(0.0f, MCVoiceTrack(14, 3).GetValue());
    auto* track = held(new ECTrack);
    track->SetVoiceTrack(14, 3);
    auto* staff = held(new ECStaff(2));
    staff->SetVoiceTrack(14, 3);
    auto* wave = held(new ECWaveTrack);
    wave->SetVoiceTrack(14, 3);
    const struct { ECBase* event; const char* name; std::vector<uint8_t> own; } cases[] = {
        {track, "ECTrack", {}},
        {staff, "ECStaff", {0x02}},                  // the staff type
        {wave, "ECWaveTrack", {0x00, 0x00, 0x00, 0x00}},   // no conductor, no performance
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t> bytes = eventio::NewClassTag(c.name) + timedPart + c.own;
        EXPECT_EQ(eventio::Save(c.event), bytes) << c.name;
        ECBase* loaded = held(eventio::Load(bytes));
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(eventio::Save(loaded), bytes) << c.name;
        eventio::ExpectEveryCutThrows(bytes, c.name);
    }

    // Before version 1 the time was a bare float: otherwise the same bytes.
    const std::vector<uint8_t> version0 = eventio::NewClassTag("ECStaff") + std::vector<uint8_t>{0x04} +
                                          marktest::FloatBytes(6.0f) + std::vector<uint8_t>{0x3E, 0x00, 0x02};
    auto* old = static_cast<ECStaff*>(held(eventio::Load(version0, 0)));
    EXPECT_EQ(*old->GetTime(), MCTime(6.0f));
    EXPECT_EQ(old->GetVoiceTrack()->GetValue(), MCVoiceTrack(14, 3).GetValue());
    EXPECT_EQ(old->GetStaffType(), 2);

    // A wave track's references must be a conductor and a performance.
    const std::vector<uint8_t> wrong = eventio::NewClassTag("ECWaveTrack") + timedPart +
                                       eventio::NewClassTag("ECTrack") + timedPart + std::vector<uint8_t>{0x00, 0x00};
    EXPECT_THROW(eventio::Load(wrong), CArchiveException);
}

TEST(ECStaff, LoadingRebuildsTheCacheFromTheMeasures) {
    eventio::Held held;
    auto [staff, measure] = MakeStaff(held);
    auto* clef = MakeMark<ECClef>(0.0f, 0);
    auto* lower = MakeMark<ECClef>(0.0f, 1);
    auto* key = MakeMark<ECKey>(2.0f, 0);
    for (ECBase* mark : {static_cast<ECBase*>(clef), static_cast<ECBase*>(lower), static_cast<ECBase*>(key)})
        measure->AddChild(mark, SORTED);

    auto* loaded = static_cast<ECStaff*>(held(eventio::Load(eventio::Save(staff))));
    ECClef* upperClef = loaded->GetClefAtTime(MCTime(1.0f), 0);
    ECClef* lowerClef = loaded->GetClefAtTime(MCTime(1.0f), 1);
    ECKey* loadedKey = loaded->GetKeyAtTime(MCTime(3.0f), 0);
    ASSERT_TRUE(upperClef && lowerClef && loadedKey);
    EXPECT_EQ(upperClef->GetHand(), 0);
    EXPECT_EQ(lowerClef->GetHand(), 1);
    EXPECT_EQ(loadedKey->GetParents()->GetHead()->GetParents()->GetHead(), loaded);
    EXPECT_EQ(loaded->GetKeyBeforeTime(MCTime(2.0f), 0), nullptr);
}

TEST(ECStaff, CacheGuardsAndRecaching) {
    eventio::Held held;
    auto [staff, measure] = MakeStaff(held);
    auto* clef = MakeMark<ECClef>(4.0f, 0);
    measure->AddChild(clef, SORTED);
    auto* other = held(new ECWithTime);

    EXPECT_EQ(staff->CacheEvent(other, 0), 0);
    EXPECT_EQ(staff->UncacheEvent(other, 0), 0);
    EXPECT_EQ(staff->RecacheEvent(other, 0), 0);
    EXPECT_EQ(staff->CacheEvent(nullptr, 0), 0);
    EXPECT_EQ(staff->CacheEvent(clef, 0), 0);   // already in force from 4

    MCTime start;
    MCTime end;
    staff->GetClefScope(clef, start, end, 0);
    EXPECT_EQ(start, MCTime(4.0f));
    EXPECT_EQ(end, MCTime::TimeMax());
    staff->GetClefScope(clef, start, end, 1);   // not the other hands' clef
    EXPECT_EQ(start, MCTime::TimeNull());

    // A hand changed under the cache: recaching moves the clef to its slot.
    clef->SetHand(2);
    EXPECT_EQ(staff->RecacheEvent(clef, 2), 1);
    EXPECT_EQ(staff->GetClefAtTime(MCTime(5.0f), 1), clef);
    EXPECT_EQ(staff->GetClefAtTime(MCTime(5.0f), 0), nullptr);

    // A time change keeps the cache in order by itself.
    const MCTime one(1.0f);
    clef->SetTime(&one);
    EXPECT_EQ(staff->GetClefAtTime(MCTime(2.0f), 3), clef);
    auto* key = MakeMark<ECKey>(3.0f, 0);
    measure->AddChild(key, SORTED);
    const MCTime six(6.0f);
    key->SetTime(&six);
    EXPECT_EQ(staff->GetKeyAtTime(MCTime(4.0f), 0), nullptr);
    EXPECT_EQ(staff->GetKeyAtTime(MCTime(6.0f), 0), key);
    staff->GetKeyScope(key, start, end, 0);
    EXPECT_EQ(start, six);
}

TEST(ECStaff, TheCacheFollowsTheStaffsMeasures) {
    eventio::Held held;
    auto [staff, measure] = MakeStaff(held);
    auto* clef = MakeMark<ECClef>(0.0f, 0);
    measure->AddChild(clef, SORTED);
    held(clef);

    // Letting a measure go takes its clefs out of the cache.
    staff->RemoveChild(measure, 0);
    EXPECT_EQ(staff->GetClefAtTime(MCTime(1.0f), 0), nullptr);

    // Removing every child empties the cache.
    auto [second, secondMeasure] = MakeStaff(held);
    secondMeasure->AddChild(MakeMark<ECKey>(0.0f, 0), SORTED);
    ASSERT_NE(second->GetKeyAtTime(MCTime(0.0f), 0), nullptr);
    EXPECT_EQ(second->RemoveChildren(1), 1);
    EXPECT_EQ(second->GetCache()->GetPointCount(), 0);
    EXPECT_EQ(second->GetKeyAtTime(MCTime(0.0f), 0), nullptr);
}

}  // namespace
