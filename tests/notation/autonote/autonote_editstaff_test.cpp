// Staff edits made in place: a staff made a split staff gets a lower-hand
// clef and key beside each of its own and is grouped with itself; made an
// ordinary staff again it loses them and its lone brace. A brace removed by
// command takes its group, and the inner groups inside it, with it.
#include "notation/autonote/autonote.h"

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/editstates.h"
#include "model/group.h"
#include "model/markings.h"
#include "model/staff.h"
#include "tests/notation/autonote/batch_support.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using autonote_test::BatchTest;

constexpr int EDITITEM_STAFF_TYPE = 106;
constexpr unsigned char CLEF_TREBLE = 0;
constexpr unsigned char CLEF_BASS = 3;
constexpr int LOWER_HAND = 1;

class EditStaffPrepareTest : public BatchTest {
protected:
    // An edit state as the view sends it; the delete list is cleared when
    // it is destroyed.
    std::unique_ptr<SCEventEdit> NewEdit() {
        auto edit = std::make_unique<SCEventEdit>(STATE_EVENTS_EDITED);
        edit->SetTarget(m_performance);
        edit->SetAsynchronous(0);
        return edit;
    }
    void ChangeStaffType(SCEventEdit& edit, unsigned char type) {
        Staff(1)->SetStaffType(type);
        SCEventEditItem* item = edit.AddItem(Staff(1), EDITITEM_STAFF_TYPE);
        engine().PrepareEditStaffType(&edit, item, Staff(1));
    }
    // The lower hand's clef or key of the measure at `quarters`; null when none.
    template <class Mark>
    Mark* LowerHand(float quarters) {
        MCEventList* children = Bar(1, quarters)->GetChildren();
        for (POSITION pos = children->GetHeadPosition(); pos;) {
            auto* mark = dynamic_cast<Mark*>(children->GetNext(pos));
            if (mark && mark->GetHand() == LOWER_HAND && *mark->GetTime() == MCTime(quarters))
                return mark;
        }
        return nullptr;
    }
    // The index of the primary group over staff 1 alone; -1 when none.
    int LoneGroup() {
        const MCGroup::GroupTable& primary = ConductorStaff()->GetGroup()->GetPrimaryGroup();
        for (size_t index = 0; index < primary.size(); ++index)
            if (primary[index].IsInUse() && primary[index].GetFirst() == 1 && primary[index].GetLast() == 1 &&
                primary[index].GetKind() == MCGroup::KIND_STAFF_TYPE_1)
                return static_cast<int>(index);
        return -1;
    }
};

TEST_F(EditStaffPrepareTest, ASplitStaffGainsAndLosesItsLowerHand) {
    MakePiece(1, 2);
    auto* opening = new ECClef(CLEF_TREBLE);
    piece::Place(opening, 0.0f, 0, 1);
    PutOn(1, opening, 0.0f);
    auto* change = new ECClef(CLEF_BASS);
    piece::Place(change, 4.0f, 0, 1);
    PutOn(1, change, 4.0f);
    auto* key = new ECKey(2, 0);
    piece::Place(key, 0.0f, 0, 1);
    PutOn(1, key, 0.0f);
    Attach();

    auto split = NewEdit();
    ChangeStaffType(*split, 1);
    for (float at : {0.0f, 4.0f}) {
        ECClef* partner = LowerHand<ECClef>(at);
        ASSERT_NE(partner, nullptr) << at;
        EXPECT_EQ(partner->GetClefType(), CLEF_BASS) << at;
        EXPECT_EQ(partner->GetVoiceTrack()->GetVoice(), 4) << at;
        EXPECT_NE(Display(partner), nullptr) << at;
    }
    ECKey* copy = LowerHand<ECKey>(0.0f);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetAccidentals(), 2);
    EXPECT_EQ(LowerHand<ECKey>(4.0f), nullptr);   // no key changes there
    const int group = LoneGroup();
    EXPECT_GE(group, 0);
    EXPECT_EQ(info().GetNotateRange(), NOTATE_STAFF);
    EXPECT_EQ(info().GetPagenateRange(), PAGENATE_REPAGENATE_ALL);
    split.reset();
    info().Reset();

    // The brace pagination put before the staff.
    auto* brace = new ECBrac;
    brace->SetGroupID(static_cast<unsigned char>(group), 0);
    Measure(0, 1)->AddChild(brace, UNSORTED);
    auto plain = NewEdit();
    ChangeStaffType(*plain, 0);
    MCEventList& doomed = plain->GetDeleteList();
    for (ECBase* mark : {static_cast<ECBase*>(LowerHand<ECClef>(0.0f)), static_cast<ECBase*>(LowerHand<ECClef>(4.0f)),
                         static_cast<ECBase*>(copy), static_cast<ECBase*>(brace)})
        EXPECT_NE(doomed.Find(mark), nullptr);
    EXPECT_EQ(LoneGroup(), -1);
    plain.reset();
    EXPECT_EQ(LowerHand<ECClef>(0.0f), nullptr);
    EXPECT_EQ(LowerHand<ECKey>(0.0f), nullptr);
    EXPECT_TRUE(Holds(Measure(1, 1), opening));
}

}  // namespace
