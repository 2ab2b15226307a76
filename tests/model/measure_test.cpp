// ECMeasure: its word and archive form, and the upkeep of the staff's clef
// and key cache as clefs and keys enter and leave the measure.
#include "model/measure.h"

#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/staff.h"
#include "tests/model/eventio_support.h"
#include "tests/model/marking_support.h"

#include <gtest/gtest.h>

using eventio::operator+;
using marktest::Place;

namespace {

using marktest::MakeMark;

class ECMeasureTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_staff = m_held(new ECStaff);
        m_measure = new ECMeasure;
        Place(m_measure, 0.0f, 14, 1);
        m_staff->AddChild(m_measure, SORTED);
    }

    eventio::Held m_held;
    ECStaff* m_staff = nullptr;       // held
    ECMeasure* m_measure = nullptr;   // the staff's child
};

TEST_F(ECMeasureTest, WordCopyAndArchiveForm) {
    auto* fresh = m_held(new ECMeasure);
    EXPECT_EQ(fresh->GetClassType(), ET_MEASURE);
    EXPECT_EQ(fresh->GetVoiceTrack()->GetValue(), MCVoiceTrack(14, 2047).GetValue());
    std::vector<int> parents;
    fresh->GetParentTypes(parents);
    EXPECT_EQ(parents, std::vector<int>{ET_STAFF});

    m_measure->AddChild(MakeMark<ECClef>(0.0f, 0), SORTED);
    auto* copy = m_held(new ECMeasure(*m_measure));
    EXPECT_EQ(*copy->GetTime(), MCTime::TimeZero());
    EXPECT_EQ(copy->GetVoiceTrack()->GetValue(), MCVoiceTrack(14, 1).GetValue());
    EXPECT_TRUE(copy->GetChildren()->IsEmpty());

    // The ECWithTimeChild part alone.
    Place(fresh, 8.0f, 14, 2);
    const std::vector<uint8_t> bytes =
        eventio::NewClassTag("ECMeasure") + marktest::TimedPart(8.0f, MCVoiceTrack(14, 2).GetValue());
    EXPECT_EQ(eventio::Save(fresh), bytes);
    eventio::ExpectEveryCutThrows(bytes, "ECMeasure");
}

TEST_F(ECMeasureTest, ClefsAndKeysEnterTheStaffCacheWithTheirHand) {
    auto* treble = MakeMark<ECClef>(0.0f, 0);
    auto* bass = MakeMark<ECClef>(0.0f, 1);
    auto* key = MakeMark<ECKey>(2.0f, 2);
    for (ECBase* mark : {static_cast<ECBase*>(treble), static_cast<ECBase*>(bass), static_cast<ECBase*>(key)})
        EXPECT_EQ(m_measure->AddChild(mark, SORTED), 1);
    EXPECT_EQ(m_staff->GetClefAtTime(MCTime(1.0f), 0), treble);
    EXPECT_EQ(m_staff->GetClefAtTime(MCTime(1.0f), 1), bass);
    EXPECT_EQ(m_staff->GetKeyAtTime(MCTime(3.0f), 1), key);   // hands past 0 share a slot
    EXPECT_EQ(m_staff->GetKeyAtTime(MCTime(3.0f), 0), nullptr);

    // A second clef of hand 2 at the same time joins the measure; the cache
    // keeps the first.
    auto* tenor = MakeMark<ECClef>(0.0f, 2);
    EXPECT_EQ(m_measure->AddChild(tenor, SORTED), 1);
    EXPECT_EQ(tenor->GetParents()->GetHead(), m_measure);
    EXPECT_EQ(m_staff->GetClefAtTime(MCTime(1.0f), 2), bass);

    // Removing one takes it out; the one before it is in force again.
    auto* alto = MakeMark<ECClef>(4.0f, 0);
    m_measure->AddChild(alto, SORTED);
    EXPECT_EQ(m_staff->GetClefAtTime(MCTime(5.0f), 0), alto);
    EXPECT_EQ(m_measure->RemoveChild(alto, 0), 1);
    EXPECT_EQ(m_staff->GetClefAtTime(MCTime(5.0f), 0), treble);

    // Removing all children uncaches every clef and key.
    EXPECT_EQ(m_measure->RemoveChildren(1), 1);
    EXPECT_TRUE(m_measure->GetChildren()->IsEmpty());
    EXPECT_EQ(m_staff->GetClefAtTime(MCTime(1.0f), 0), nullptr);
    EXPECT_EQ(m_staff->GetClefAtTime(MCTime(1.0f), 1), nullptr);
    EXPECT_EQ(m_staff->GetKeyAtTime(MCTime(3.0f), 2), nullptr);
}

TEST_F(ECMeasureTest, AMeasureOutsideAStaffCachesNowhere) {
    auto* loose = m_held(new ECMeasure);
    Place(loose, 4.0f, 14, 1);
    auto* clef = MakeMark<ECClef>(4.0f, 0);
    EXPECT_EQ(loose->AddChild(clef, SORTED), 1);
    EXPECT_EQ(m_staff->GetClefAtTime(MCTime(5.0f), 0), nullptr);

    // Put under the staff later, its clef counts once the cache is rebuilt.
    m_staff->AddChild(loose, SORTED);
    EXPECT_EQ(m_staff->GetClefAtTime(MCTime(5.0f), 0), nullptr);
    m_staff->RebuildCache();
    EXPECT_EQ(m_staff->GetClefAtTime(MCTime(5.0f), 0), clef);

    // Under a container that only answers ET_STAFF nothing is cached, and
    // moving a clef there in time touches no cache.
    auto* container = m_held(new marktest::Container(ET_STAFF));
    auto* measure = new ECMeasure;
    container->AddChild(measure, SORTED);
    auto* key = MakeMark<ECKey>(0.0f, 0);
    EXPECT_EQ(measure->AddChild(key, SORTED), 1);
    const MCTime two(2.0f);
    key->SetTime(&two);
    EXPECT_EQ(*key->GetTime(), two);
    EXPECT_EQ(measure->RemoveChild(key, 0), 1);
}

}  // namespace
