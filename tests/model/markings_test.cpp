// Keys, clefs, chord symbols, dynamics, pedals, transpositions, repeats,
// barlines and braces: creation by number with their defaults, their archive
// bytes, copies, names and the staff-cache upkeep of keys and clefs.
#include "model/markings.h"

#include "model/staffcache.h"
#include "tests/model/marking_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using eventio::Held;
using eventio::Load;
using eventio::NewClassTag;
using eventio::Save;
using marktest::Place;
using marktest::TimedPart;
using marktest::TimeBytes;
using marktest::operator+;

TEST(Markings, CreatedByNumberWithTheirDefaults) {
    Held hold;
    auto* key = hold(DYNAMIC_DOWNCAST(ECKey, ECBase::CreateEvent(ET_KEY)));
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->GetAccidentals(), 0);
    EXPECT_EQ(key->GetMode(), 0);
    EXPECT_EQ(key->GetHand(), 0);
    EXPECT_TRUE(key->GetMirrors()->IsEmpty());
    EXPECT_EQ(*key->GetTime(), MCTime::TimeNull());
    EXPECT_EQ(key->GetVoiceTrack()->GetValue(), 0x7FFF);

    auto* clef = hold(DYNAMIC_DOWNCAST(ECClef, ECBase::CreateEvent(ET_CLEF)));
    ASSERT_NE(clef, nullptr);
    EXPECT_EQ(clef->GetClefType(), 0);
    EXPECT_EQ(clef->GetHand(), 0);

    auto* chord = hold(DYNAMIC_DOWNCAST(ECChordSymbol, ECBase::CreateEvent(ET_CHORDSYMBOL)));
    ASSERT_NE(chord, nullptr);
    EXPECT_EQ(chord->GetChordType(), 0x03001201u);
    EXPECT_EQ(chord->GetChordRoot(), 1);
    EXPECT_EQ(chord->GetChordBass(), 18);
    EXPECT_EQ(chord->GetChordFlavor(), 0);
    EXPECT_EQ(chord->GetChordStyle(), 3);

    auto* dynamic = hold(DYNAMIC_DOWNCAST(ECDynamic, ECBase::CreateEvent(ET_DYNAMIC)));
    ASSERT_NE(dynamic, nullptr);
    EXPECT_EQ(dynamic->GetDynamicType(), 5);
    EXPECT_EQ(*dynamic->GetDuration(), MCTime(0.0f));
    EXPECT_EQ(dynamic->GetText(), "");

    for (int type : {ET_PEDAL, ET_TRANSPOSE}) {
        ECBase* span = hold(ECBase::CreateEvent(type));
        ASSERT_NE(span, nullptr) << type;
        EXPECT_EQ(*span->GetDuration(), MCTime(4.0f)) << type;
    }
    EXPECT_EQ(hold(DYNAMIC_DOWNCAST(ECPedal, ECBase::CreateEvent(ET_PEDAL)))->GetPedalType(), 0);
    EXPECT_EQ(hold(DYNAMIC_DOWNCAST(ECTranspose, ECBase::CreateEvent(ET_TRANSPOSE)))->GetTransposeType(), 0);
    EXPECT_EQ(hold(DYNAMIC_DOWNCAST(ECRepeat, ECBase::CreateEvent(ET_REPEAT)))->GetRepeatType(), 0);

    auto* barline = hold(DYNAMIC_DOWNCAST(ECBarline, ECBase::CreateEvent(ET_BARLINE)));
    ASSERT_NE(barline, nullptr);
    EXPECT_EQ(barline->GetBarlineType(), 0);
    EXPECT_EQ(barline->GetBarlinePos(), 0);
    EXPECT_EQ(barline->GetTime(), nullptr);

    auto* brac = hold(DYNAMIC_DOWNCAST(ECBrac, ECBase::CreateEvent(ET_BRAC)));
    ASSERT_NE(brac, nullptr);
    EXPECT_EQ(brac->GetBracType(), 0);
    EXPECT_EQ(brac->GetGroupID(), 0);
    EXPECT_EQ(brac->GetPrimary(), 0);

    // Every class answers its own number and the parents of its row.
    for (int type : {ET_KEY, ET_CLEF, ET_CHORDSYMBOL, ET_DYNAMIC, ET_PEDAL, ET_TRANSPOSE, ET_REPEAT, ET_BARLINE,
                     ET_BRAC}) {
        ECBase* event = hold(ECBase::CreateEvent(type));
        EXPECT_EQ(event->GetClassType(), type);
        std::vector<int> parents;
        EXPECT_EQ(event->GetParentTypes(parents), 1) << type;
        const auto row = GetEventParentTypes(type);
        EXPECT_EQ(parents, std::vector<int>(row.begin(), row.end())) << type;
    }
}

// Each class with non-default fields: its bytes after the base part as
// given, loaded back to the same bytes, and every shorter record refused.
TEST(Markings, ArchiveBytesRoundTripsAndCuts) {
    const struct {
        const char* name;
        std::function<ECBase*()> make;
        std::vector<uint8_t> base;   // the base part written for it
        std::vector<uint8_t> own;
    } cases[] = {
        {"ECKey",
         [] {
             auto* key = new ECKey(-3, 1);
             key->SetHand(2);
             return key;
         },
         TimedPart(2.0f, 0x0041), {0xFD, 0xFF, 0x01, 0x02}},
        {"ECClef",
         [] {
             auto* clef = new ECClef(4);
             clef->SetHand(1);
             return clef;
         },
         TimedPart(2.0f, 0x0041), {0x04, 0x01}},
        {"ECChordSymbol", [] { return new ECChordSymbol(5, 7, 9, 2); }, TimedPart(2.0f, 0x0041),
         {0x05, 0x07, 0x09, 0x02}},
        // A spanning dynamic keeps its duration, any other none; both their text.
        {"ECDynamic",
         [] {
             auto* dynamic = new ECDynamic(12, MCTime(3.0f));
             dynamic->SetText("cresc. molto");
             return dynamic;
         },
         TimedPart(2.0f, 0x0041),
         std::vector<uint8_t>{0x0C} + TimeBytes(3.0f) +
             std::vector<uint8_t>{12, 'c', 'r', 'e', 's', 'c', '.', ' ', 'm', 'o', 'l', 't', 'o'}},
        {"ECDynamic",
         [] {
             auto* dynamic = new ECDynamic(2, MCTime(3.0f));
             dynamic->SetText("sfz");
             return dynamic;
         },
         TimedPart(2.0f, 0x0041), {0x02, 0x03, 's', 'f', 'z'}},
        {"ECPedal", [] { return new ECPedal(1, MCTime(2.0f)); }, TimedPart(2.0f, 0x0041),
         std::vector<uint8_t>{0x01} + TimeBytes(2.0f)},
        {"ECTranspose", [] { return new ECTranspose(3, MCTime(8.0f)); }, TimedPart(2.0f, 0x0041),
         std::vector<uint8_t>{0x03} + TimeBytes(8.0f)},
        {"ECRepeat", [] { return new ECRepeat(2); }, TimedPart(2.0f, 0x0041), {0x02}},
        {"ECBarline",
         [] {
             auto* barline = new ECBarline;
             barline->SetBarlineType(3);
             barline->SetBarlinePos(1);
             return barline;
         },
         {0x00}, {0x03, 0x01}},
        // The group id and primary word are not archived.
        {"ECBrac",
         [] {
             auto* brac = new ECBrac(2);
             brac->SetGroupID(5, 7);
             return brac;
         },
         {0x00}, {0x02}},
    };
    for (const auto& c : cases) {
        Held hold;
        ECBase* event = hold(c.make());
        Place(event, 2.0f, 1, 4);   // nothing for the untimed classes
        const std::vector<uint8_t> bytes = Save(event);
        EXPECT_EQ(bytes, NewClassTag(c.name) + c.base + c.own) << c.name;

        ECBase* loaded = hold(Load(bytes));
        ASSERT_NE(loaded, nullptr) << c.name;
        EXPECT_STREQ(loaded->GetRuntimeClass()->m_lpszClassName, c.name);
        EXPECT_EQ(Save(loaded), bytes) << c.name;
        eventio::ExpectEveryCutThrows(bytes, c.name);
    }
}

TEST(Markings, LoadedFieldsAreTheSavedOnes) {
    Held hold;
    auto* key = hold(new ECKey(-6, 1));
    key->SetHand(3);
    auto* loadedKey = hold(DYNAMIC_DOWNCAST(ECKey, Load(Save(key))));
    ASSERT_NE(loadedKey, nullptr);
    EXPECT_TRUE(*loadedKey == *key);
    EXPECT_EQ(loadedKey->GetAccidentals(), -6);

    auto* dynamic = hold(new ECDynamic(14, MCTime(6.5f)));
    dynamic->SetText("dim. e rit.");
    auto* loadedDynamic = hold(DYNAMIC_DOWNCAST(ECDynamic, Load(Save(dynamic))));
    ASSERT_NE(loadedDynamic, nullptr);
    EXPECT_EQ(loadedDynamic->GetDynamicType(), 14);
    EXPECT_EQ(*loadedDynamic->GetDuration(), MCTime(6.5f));
    EXPECT_EQ(loadedDynamic->GetText(), "dim. e rit.");

    // A dynamic that does not span loads without a duration: its own is 0.
    auto* accent = hold(new ECDynamic(3, MCTime(6.5f)));
    auto* loadedAccent = hold(DYNAMIC_DOWNCAST(ECDynamic, Load(Save(accent))));
    EXPECT_EQ(*loadedAccent->GetDuration(), MCTime(0.0f));

    auto* brac = hold(new ECBrac(1));
    brac->SetGroupID(4, 9);
    auto* loadedBrac = hold(DYNAMIC_DOWNCAST(ECBrac, Load(Save(brac))));
    EXPECT_EQ(loadedBrac->GetBracType(), 1);
    EXPECT_EQ(loadedBrac->GetGroupID(), 0);
    EXPECT_EQ(loadedBrac->GetPrimary(), 0);
}

TEST(Markings, FilesOfVersion0HoldTimesWithoutTheirModeByte) {
    Held hold;
    const std::vector<uint8_t> bytes = NewClassTag("ECPedal") +
                                       std::vector<uint8_t>{0x04} + marktest::FloatBytes(8.0f) +
                                       std::vector<uint8_t>{0x23, 0x00, 0x02} + marktest::FloatBytes(2.5f);
    auto* pedal = hold(DYNAMIC_DOWNCAST(ECPedal, Load(bytes, 0)));
    ASSERT_NE(pedal, nullptr);
    EXPECT_EQ(*pedal->GetTime(), MCTime(8.0f));
    EXPECT_EQ(pedal->GetPedalType(), 2);
    EXPECT_EQ(*pedal->GetDuration(), MCTime(2.5f));
}

TEST(Markings, CopiesKeepWhatTheirClassCopies) {
    Held hold;
    auto* key = hold(new ECKey(2, 1));
    key->SetHand(1);
    Place(key, 4.0f, 2, 3);
    auto* keyCopy = hold(new ECKey(*key));
    EXPECT_TRUE(*keyCopy == *key);
    EXPECT_EQ(*keyCopy->GetTime(), MCTime(4.0f));
    EXPECT_EQ(*keyCopy->GetVoiceTrack(), *key->GetVoiceTrack());

    auto* clef = hold(new ECClef(3));
    Place(clef, 4.0f, 2, 3);
    auto* clefCopy = hold(new ECClef(*clef));
    EXPECT_TRUE(*clefCopy == *clef);
    EXPECT_EQ(*clefCopy->GetTime(), MCTime(4.0f));

    // A repeat sign is copied onto the null time and no voice or track.
    auto* repeat = hold(new ECRepeat(4));
    Place(repeat, 4.0f, 2, 3);
    auto* repeatCopy = hold(new ECRepeat(*repeat));
    EXPECT_EQ(repeatCopy->GetRepeatType(), 4);
    EXPECT_EQ(*repeatCopy->GetTime(), MCTime::TimeNull());
    EXPECT_EQ(repeatCopy->GetVoiceTrack()->GetValue(), 0x7FFF);

    // A dynamic's copy has no text of its own.
    auto* dynamic = hold(new ECDynamic(11, MCTime(2.0f)));
    dynamic->SetText("poco cresc.");
    Place(dynamic, 4.0f, 2, 3);
    auto* dynamicCopy = hold(new ECDynamic(*dynamic));
    EXPECT_EQ(dynamicCopy->GetDynamicType(), 11);
    EXPECT_EQ(*dynamicCopy->GetDuration(), MCTime(2.0f));
    EXPECT_EQ(*dynamicCopy->GetTime(), MCTime(4.0f));
    EXPECT_EQ(dynamicCopy->GetText(), "cresc.");

    auto* pedal = hold(new ECPedal(1, MCTime(3.0f)));
    Place(pedal, 4.0f, 2, 3);
    auto* pedalCopy = hold(new ECPedal(*pedal));
    EXPECT_EQ(pedalCopy->GetPedalType(), 1);
    EXPECT_EQ(*pedalCopy->GetDuration(), MCTime(3.0f));
    EXPECT_EQ(*pedalCopy->GetTime(), MCTime(4.0f));

    auto* brac = hold(new ECBrac(2));
    brac->SetGroupID(3, 6);
    auto* bracCopy = hold(new ECBrac(*brac));
    EXPECT_EQ(bracCopy->GetGroupID(), 3);
    EXPECT_EQ(bracCopy->GetPrimary(), 6);
}

TEST(Markings, ChordWordKeyAndClefEquality) {
    ECChordSymbol chord;
    chord.SetChordBass(4);
    chord.SetChordStyle(0xFF);
    EXPECT_EQ(chord.GetChordType(), 0xFF000401u);
    EXPECT_EQ(ECChordSymbol(1, 4, 0, 0xFF), chord);
    ECChordSymbol other(chord);
    other.SetChordFlavor(1);
    EXPECT_NE(other, chord);

    ECKey key(3, 0);
    ECKey sameSignature(3, 0);
    Place(&sameSignature, 8.0f, 1, 1);   // time and word are not compared
    EXPECT_TRUE(key == sameSignature);
    sameSignature.SetHand(1);
    EXPECT_TRUE(key != sameSignature);
    EXPECT_TRUE(ECKey(3, 1) != key);

    ECClef clef(2);
    EXPECT_TRUE(clef == ECClef(2));
    ECClef otherHand(2);
    otherHand.SetHand(1);
    EXPECT_TRUE(clef != otherHand);
}

TEST(Markings, DynamicNamesAndSpans) {
    const struct {
        unsigned char type;
        const char* name;
        int spans;
    } cases[] = {
        {0, "", 0},        {5, "", 0},          {9, "", 0},      {10, "", 1},   {11, "cresc.", 1},
        {12, "decresc.", 1}, {13, "dim.", 1}, {15, "", 1}, {16, "", 0}, {255, "", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ECDynamic::GetDynamicString(c.type), c.name) << int(c.type);
        EXPECT_EQ(ECDynamic::HasDuration(c.type), c.spans) << int(c.type);
        ECDynamic dynamic(c.type, MCTime(1.0f));
        EXPECT_EQ(dynamic.GetText(), c.name) << int(c.type);
        dynamic.SetText("sub. p");
        EXPECT_EQ(dynamic.GetText(), "sub. p") << int(c.type);
    }
}

// ---- keys and clefs in their staff's cache ---------------------------------------------

// A staff stand-in with a real cache, and the upkeep a staff class installs.
class CachingStaff : public marktest::Container {
public:
    CachingStaff() : Container(ET_STAFF) {}
    MCStaffCache cache;
};

struct UpkeepCall {
    ECBase* event;
    unsigned char hand;
    int cache;
    float time;   // the event's time at the call
};
std::vector<UpkeepCall> g_upkeepCalls;

int TestUpkeep(ECBase* staff, ECBase* event, unsigned char hand, int cache) {
    g_upkeepCalls.push_back({event, hand, cache, event->GetTime()->GetSeconds()});
    auto* caching = dynamic_cast<CachingStaff*>(staff);
    if (!caching)
        return 0;
    return cache ? caching->cache.CacheEvent(event, hand) : caching->cache.UncacheEvent(event, hand);
}

class StaffUpkeep : public ::testing::Test {
protected:
    void SetUp() override {
        g_upkeepCalls.clear();
        m_previous = SetStaffCacheUpkeep(&TestUpkeep);
    }
    void TearDown() override { SetStaffCacheUpkeep(m_previous); }

private:
    StaffCacheUpkeep m_previous = nullptr;
};

TEST_F(StaffUpkeep, MovingAClefOrKeyKeepsTheStaffsCacheInOrder) {
    Held hold;
    auto* staff = hold(new CachingStaff);
    auto* measure = new marktest::Container(ET_MEASURE);
    staff->AddChild(measure, SORTED);
    auto* clef = new ECClef(1);
    clef->SetHand(1);
    auto* key = new ECKey(2, 0);
    Place(clef, 4.0f, 0, 1);
    Place(key, 8.0f, 0, 1);
    measure->AddChild(clef, SORTED);
    measure->AddChild(key, SORTED);
    g_upkeepCalls.clear();   // placing them before they had a staff called nothing
    ASSERT_EQ(staff->cache.CacheEvent(clef, 1), 1);
    ASSERT_EQ(staff->cache.CacheEvent(key, 0), 1);

    const MCTime later(12.0f);
    clef->SetTime(&later);
    key->SetTime(&later);
    const struct {
        ECBase* event;
        unsigned char hand;
        int cache;
        float time;
    } expected[] = {
        {clef, 1, 0, 4.0f}, {clef, 1, 1, 12.0f}, {key, 0, 0, 8.0f}, {key, 0, 1, 12.0f},
    };
    ASSERT_EQ(g_upkeepCalls.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(g_upkeepCalls[i].event, expected[i].event) << i;
        EXPECT_EQ(g_upkeepCalls[i].hand, expected[i].hand) << i;
        EXPECT_EQ(g_upkeepCalls[i].cache, expected[i].cache) << i;
        EXPECT_EQ(g_upkeepCalls[i].time, expected[i].time) << i;
    }
    // The cache has them at their new time only.
    EXPECT_EQ(staff->cache.GetClefAtTime(MCTime(6.0f), 1), nullptr);
    EXPECT_EQ(staff->cache.GetClefAtTime(MCTime(12.0f), 1), clef);
    EXPECT_EQ(staff->cache.GetKeyAtTime(MCTime(10.0f), 0), nullptr);
    EXPECT_EQ(staff->cache.GetKeyAtTime(MCTime(13.0f), 0), key);
}

TEST_F(StaffUpkeep, WithoutAStaffOnlyTheTimeIsSet) {
    Held hold;
    auto* measure = hold(new marktest::Container(ET_MEASURE));
    auto* clef = new ECClef(0);
    measure->AddChild(clef, SORTED);
    const MCTime t(3.0f);
    clef->SetTime(&t);
    EXPECT_TRUE(g_upkeepCalls.empty());
    EXPECT_EQ(*clef->GetTime(), t);

    // With no upkeep installed a staff ancestor is not even looked for.
    auto* staff = hold(new CachingStaff);
    staff->AddChild(measure, SORTED);
    const StaffCacheUpkeep mine = SetStaffCacheUpkeep(nullptr);
    const MCTime u(5.0f);
    clef->SetTime(&u);
    SetStaffCacheUpkeep(mine);
    EXPECT_TRUE(g_upkeepCalls.empty());
    EXPECT_EQ(*clef->GetTime(), u);
}

}  // namespace
