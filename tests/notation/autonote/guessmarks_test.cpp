// Clef and key guessing: the clef from the highest played key, grand and
// drum staves by kind, clefs notated before left alone; a key for each hand.
#include "notation/autonote/guessmarks.h"

#include "model/markings.h"
#include "model/staff.h"
#include "notation/autonote/displaydata.h"
#include "notation/display/clef.h"
#include "notation/display/key.h"
#include "tests/notation/autonote/played_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using played_test::PlayedTest;
using played_test::UNPLAYED;

constexpr unsigned char NORMAL_STAFF = 0;
constexpr unsigned char GRAND_STAFF = 1;
constexpr unsigned char UPPER = 0;
constexpr unsigned char LOWER = 1;

class GuessMarksTest : public PlayedTest {
protected:
    void SetUp() override {
        PlayedTest::SetUp();
        MakeStaves(1);
        MakeMeasures(2);
        m_clefs.Attach(m_performance);
        m_keys.Attach(m_performance);
    }
    ECClef* ClefOf(int bar, unsigned char hand) { return Staff(1)->GetClefAtTime(*Bar(1, bar)->GetTime(), hand); }
    ECKey* KeyOf(int bar, unsigned char hand) { return Staff(1)->GetKeyAtTime(*Bar(1, bar)->GetTime(), hand); }
    // The mark stands in the bar, with a display object, the voice of its
    // staff half and the bar's track.
    void ExpectPlaced(ECBase* mark, int bar, int voice) {
        ASSERT_NE(mark, nullptr);
        EXPECT_TRUE(IsChildOf(mark, Bar(1, bar)));
        EXPECT_NE(mark->GetData(DK_NOTATION, 0), nullptr);
        EXPECT_EQ(mark->GetVoiceTrack()->GetVoice(), voice);
        EXPECT_EQ(mark->GetVoiceTrack()->GetTrack(), 1);
        EXPECT_EQ(*mark->GetTime(), *Bar(1, bar)->GetTime());
    }

    ANGuessClef m_clefs;
    ANGuessKey m_keys;
};

TEST_F(GuessMarksTest, TheHighestPlayedKeyChoosesTheClef) {
    const struct {
        const char* name;
        std::vector<int> keys;
        unsigned char clef;
    } cases[] = {
        {"61 treble", {61, 40}, ANGuessClef::CLEF_TREBLE},
        {"60 bass", {60, 45}, ANGuessClef::CLEF_BASS},
        {"44 bass", {44}, ANGuessClef::CLEF_BASS},
        {"43 an octave below bass", {43, 30}, ANGuessClef::CLEF_LOW_BASS},
        {"high notes treble", {96, 84}, ANGuessClef::CLEF_TREBLE},
        {"no performance data treble", {UNPLAYED, UNPLAYED}, ANGuessClef::CLEF_TREBLE},
        {"no notes treble", {}, ANGuessClef::CLEF_TREBLE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int start = 0;
        for (int key : c.keys) {
            PutNote(Bar(1, 2), key, start, 256);   // the staff's notes, not only the first bar's
            start += 256;
        }
        m_clefs.GuessClef(Staff(1));
        ECClef* clef = ClefOf(1, UPPER);
        ExpectPlaced(clef, 1, 0);
        EXPECT_EQ(clef->GetClefType(), c.clef);
        EXPECT_EQ(clef->GetHand(), UPPER);
        Bar(1, 1)->RemoveChildren(1);
        Bar(1, 2)->RemoveChildren(1);
    }
}

TEST_F(GuessMarksTest, AClefNotatedBeforeNeverChanges) {
    PutNote(Bar(1, 1), 40, 0, 256);
    ECClef* alto = new ECClef(DCctClef::CLEF_ALTO);
    alto->SetTime(Bar(1, 1)->GetTime());
    alto->SetVoiceTrack(2, 1);
    alto->GetData(DK_NOTATION, 1);
    Bar(1, 1)->AddChild(alto, SORTED);
    m_clefs.GuessClef(Staff(1));
    EXPECT_EQ(ClefOf(1, UPPER), alto);
    EXPECT_EQ(alto->GetClefType(), DCctClef::CLEF_ALTO);
    EXPECT_EQ(alto->GetVoiceTrack()->GetVoice(), 2);

    // One read without notation data is guessed.
    alto->RemoveData();
    m_clefs.GuessClef(Staff(1));
    EXPECT_EQ(ClefOf(1, UPPER), alto);
    EXPECT_EQ(alto->GetClefType(), ANGuessClef::CLEF_LOW_BASS);
    EXPECT_EQ(Bar(1, 1)->GetChildren()->GetCount(), 2) << "no second clef";
}

TEST_F(GuessMarksTest, AGrandStaffGetsTrebleOverBassWhateverItsNotes) {
    Staff(1)->SetStaffType(GRAND_STAFF);
    PutNote(Bar(1, 1), 30, 0, 256);
    m_clefs.GuessClef(Staff(1));
    ECClef* upper = ClefOf(1, UPPER);
    ECClef* lower = ClefOf(1, LOWER);
    ExpectPlaced(upper, 1, 0);
    ExpectPlaced(lower, 1, 4);
    ASSERT_NE(upper, lower);
    EXPECT_EQ(upper->GetClefType(), ANGuessClef::CLEF_TREBLE);
    EXPECT_EQ(upper->GetHand(), UPPER);
    EXPECT_EQ(lower->GetClefType(), ANGuessClef::CLEF_BASS);
    EXPECT_EQ(lower->GetHand(), LOWER);
}

TEST_F(GuessMarksTest, AStaffPlayedOnTheDrumChannelGetsTheDrumClef) {
    PutNote(Bar(1, 1), 36, 0, 256, 0, played_test::DRUM_CHANNEL);
    // As a file load does: the display data first, which makes it a drum staff.
    ACUpdateDisplayData update;
    update.SetDepth(0);
    update.Apply(Staff(1));
    m_clefs.GuessClef(Staff(1));
    ECClef* clef = ClefOf(1, UPPER);
    ExpectPlaced(clef, 1, 0);
    EXPECT_EQ(clef->GetClefType(), ANGuessClef::CLEF_DRUM);
}

TEST_F(GuessMarksTest, AMeasureIsJudgedByItsOwnNotes) {
    PutNote(Bar(1, 1), 80, 0, 256);
    PutNote(Bar(1, 2), 40, 0, 256);
    m_clefs.GuessClef(Bar(1, 2));
    ECClef* clef = ClefOf(2, UPPER);
    ExpectPlaced(clef, 2, 0);
    EXPECT_EQ(clef->GetClefType(), ANGuessClef::CLEF_LOW_BASS);
    EXPECT_EQ(ClefOf(1, UPPER), nullptr);

    m_keys.GuessKey(Bar(1, 2));
    ExpectPlaced(KeyOf(2, UPPER), 2, 0);
}

TEST_F(GuessMarksTest, AStaffWithoutAKeyGetsCMajorInItsFirstMeasure) {
    m_keys.GuessKey(Staff(1));
    ECKey* key = KeyOf(1, UPPER);
    ExpectPlaced(key, 1, 0);
    EXPECT_EQ(key->GetAccidentals(), 0);
    EXPECT_EQ(key->GetMode(), 0);
    DCctKey cMajor;
    cMajor.SetKey(0, 0);
    EXPECT_EQ(dynamic_cast<DCctKey*>(key->GetData(DK_NOTATION, 0))->GetKeyCode(), cMajor.GetKeyCode());

    // A second guess finds it.
    m_keys.GuessKey(Staff(1));
    EXPECT_EQ(Bar(1, 1)->GetChildren()->GetCount(), 1);
}

TEST_F(GuessMarksTest, AStoredKeyStaysAndItsDisplayFollowsIt) {
    auto* stored = new ECKey(-3, 1);
    stored->SetTime(Bar(1, 1)->GetTime());
    Bar(1, 1)->AddChild(stored, SORTED);
    m_keys.GuessKey(Staff(1));
    EXPECT_EQ(KeyOf(1, UPPER), stored);
    EXPECT_EQ(stored->GetAccidentals(), -3);
    EXPECT_EQ(stored->GetMode(), 1);
    ExpectPlaced(stored, 1, 0);
    DCctKey expected;
    expected.SetKey(-3, 1);
    EXPECT_EQ(dynamic_cast<DCctKey*>(stored->GetData(DK_NOTATION, 0))->GetKeyCode(), expected.GetKeyCode());
    EXPECT_EQ(Bar(1, 1)->GetChildren()->GetCount(), 1);
}

TEST_F(GuessMarksTest, EachHandOfAGrandStaffGetsAKey) {
    Staff(1)->SetStaffType(GRAND_STAFF);
    auto* stored = new ECKey(2, 0);
    stored->SetTime(Bar(1, 1)->GetTime());
    Bar(1, 1)->AddChild(stored, SORTED);
    m_keys.GuessKey(Staff(1));
    EXPECT_EQ(KeyOf(1, UPPER), stored);
    ECKey* lower = KeyOf(1, LOWER);
    ASSERT_NE(lower, nullptr);
    ASSERT_NE(lower, stored);
    ExpectPlaced(lower, 1, 4);
    EXPECT_EQ(lower->GetHand(), LOWER);
    EXPECT_EQ(lower->GetAccidentals(), 0);
}

TEST_F(GuessMarksTest, MissingPartsArePassedOver) {
    m_clefs.GuessClef(static_cast<ECStaff*>(nullptr));
    m_clefs.GuessClef(static_cast<ECMeasure*>(nullptr));
    m_keys.GuessKey(static_cast<ECStaff*>(nullptr));
    m_keys.GuessKey(static_cast<ECMeasure*>(nullptr));
    // Without a performance the pass knows no conductor to find the staff by.
    ANGuessClef detached;
    detached.GuessClef(Bar(1, 1));
    EXPECT_TRUE(Bar(1, 1)->GetChildren()->IsEmpty());
    // A staff without measures.
    auto* bare = new ECStaff;
    bare->Ref();
    m_clefs.GuessClef(bare);
    m_keys.GuessKey(bare);
    bare->Unref(1);
}

}  // namespace
