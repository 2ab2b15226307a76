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

#include <algorithm>
#include <tuple>
#include <vector>

namespace {

using autonote_test::BatchTest;

constexpr int EDITITEM_STAFF_TYPE = 106;
constexpr unsigned char CLEF_TREBLE = 0;
constexpr unsigned char CLEF_BASS = 3;
constexpr int LOWER_HAND = 1;

// A piece shown by the view; a staff's type changed in place and the edit
// sent as the view's staff dialog sends it. A receiver after the view
// records what the edit carries when it is delivered.
class EditStaffPrepareTest : public BatchTest {
protected:
    void AttachWithReceiver() {
        Attach();
        m_performance->AddStateHandler(&Receive, this);
        m_receiving = true;
    }
    void TearDown() override {
        if (m_receiving)
            m_performance->RemoveStateHandler(&Receive, this);
        BatchTest::TearDown();
    }
    // Staff 1 of the type, sent as an edit; delivered when this returns,
    // its delete list emptied out of the tree and the staff renotated.
    void SendStaffType(unsigned char type) {
        Staff(1)->SetStaffType(type);
        auto* edit = new SCEventEdit(STATE_EVENTS_EDITED);
        edit->AddItem(Staff(1), EDITITEM_STAFF_TYPE);
        edit->SetAsynchronous(0);   // the renotation follows at once
        edit->Apply(m_performance);
    }
    bool Deleted(ECBase* element) const {
        return std::find(deleted.begin(), deleted.end(), element) != deleted.end();
    }

    std::vector<ECBase*> deleted;   // the last edit's delete list
    int notateRange = -1;           // the notate info when it was delivered
    int pagenateRange = -1;

private:
    bool m_receiving = false;

    static int Receive(ECBase*, int, void* data, void* user) {
        auto& self = *static_cast<EditStaffPrepareTest*>(user);
        auto* edit = dynamic_cast<SCEventEdit*>(static_cast<SCBase*>(data));
        if (!edit || edit->GetCode() != STATE_EVENTS_EDITED)
            return 1;
        self.deleted.clear();
        MCEventList& list = edit->GetDeleteList();
        for (POSITION pos = list.GetHeadPosition(); pos;)
            self.deleted.push_back(list.GetNext(pos));
        self.notateRange = self.info().GetNotateRange();
        self.pagenateRange = self.info().GetPagenateRange();
        return 1;
    }

public:
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
    AttachWithReceiver();

    SendStaffType(1);
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
    EXPECT_EQ(notateRange, NOTATE_STAFF);
    EXPECT_EQ(pagenateRange, PAGENATE_REPAGENATE_ALL);

    // The brace pagination put before the staff.
    auto* brace = new ECBrac;
    brace->SetGroupID(static_cast<unsigned char>(group), 0);
    Measure(0, 1)->AddChild(brace, UNSORTED);
    std::vector<ECBase*> lowerHand = {LowerHand<ECClef>(0.0f), LowerHand<ECClef>(4.0f), copy, brace};
    for (ECBase* element : lowerHand)
        element->Ref();   // held past the delivery, to be recognised
    SendStaffType(0);
    for (ECBase* element : lowerHand) {
        EXPECT_TRUE(Deleted(element)) << element->GetClassType();
        EXPECT_EQ(element->GetParents() ? element->GetParents()->GetCount() : 0, 0) << element->GetClassType();
        element->Unref(1);
    }
    EXPECT_EQ(LoneGroup(), -1);
    EXPECT_TRUE(Holds(Measure(1, 1), opening));
}

// A percussion staff's clefs become percussion clefs; back on an ordinary
// staff they become treble clefs again.
TEST_F(EditStaffPrepareTest, APercussionStaffTakesThePercussionClef) {
    constexpr unsigned char CLEF_PERCUSSION = 8;
    MakePiece(1, 2);
    auto* opening = new ECClef(CLEF_BASS);
    piece::Place(opening, 0.0f, 0, 1);
    PutOn(1, opening, 0.0f);
    AttachWithReceiver();
    const struct {
        unsigned char staffType, clef;
    } steps[] = {{3, CLEF_PERCUSSION}, {0, CLEF_TREBLE}};
    for (const auto& step : steps) {
        SendStaffType(step.staffType);
        EXPECT_EQ(opening->GetClefType(), step.clef) << int(step.staffType);
        EXPECT_EQ(LowerHand<ECClef>(0.0f), nullptr) << int(step.staffType);
    }
}

}  // namespace

namespace {

// The in-use groups of a table, as (first, last, kind).
std::vector<std::tuple<int, int, int>> InUse(const MCGroup::GroupTable& table) {
    std::vector<std::tuple<int, int, int>> groups;
    for (const MCGroup::tag_group& entry : table)
        if (entry.IsInUse())
            groups.emplace_back(entry.GetFirst(), entry.GetLast(), entry.GetKind());
    return groups;
}

// Staves 1-4 in a group of kind 0, holding an inner group 1-2 (kind 0) and
// an inner group 3 (kind 3). A brace of an inner group takes only that
// group; the outer group's brace takes the outer group and the inner groups
// inside it, and its staves are grouped alone again.
TEST_F(EditStaffPrepareTest, ARemovedBraceTakesItsGroup) {
    using Groups = std::vector<std::tuple<int, int, int>>;
    const struct {
        const char* what;
        int secondary;     // the brace's primary word
        int first, last;   // the group it stands for
        Groups primary, inner;
    } cases[] = {
        {"an inner group", 1, 3, 3, {{1, 4, 0}}, {{1, 2, 0}}},
        {"the outer group", 0, 1, 4, {{1, 1, 2}, {2, 2, 2}, {3, 3, 2}, {4, 4, 2}}, {}},
    };
    MakePiece(4, 1);
    Attach();
    for (const auto& c : cases) {
        MCGroup* group = ConductorStaff()->GetGroup();
        group->RemoveAll();
        for (int staff = 1; staff <= 4; ++staff)
            group->InsertTrack(staff, MCGroup::KIND_PLAIN);
        ConductorStaff()->GroupStaves(1, 2, 0);
        ConductorStaff()->GroupStaves(3, 3, 3);
        ConductorStaff()->GroupStaves(1, 4, 0);
        const MCGroup::GroupTable& table = c.secondary ? group->GetSecondaryGroup() : group->GetPrimaryGroup();
        int index = -1;
        for (size_t at = 0; at < table.size(); ++at)
            if (table[at].IsInUse() && table[at].GetFirst() == c.first && table[at].GetLast() == c.last)
                index = static_cast<int>(at);
        ASSERT_GE(index, 0) << c.what;
        auto* brace = new ECBrac;
        brace->SetGroupID(static_cast<unsigned char>(index), c.secondary);
        Measure(0, 1)->AddChild(brace, UNSORTED);
        Run(new CCRemove(brace));
        Groups inner;
        for (const auto& entry : InUse(group->GetSecondaryGroup()))
            if (std::get<2>(entry) != MCGroup::KIND_PLAIN)
                inner.push_back(entry);
        EXPECT_EQ(InUse(group->GetPrimaryGroup()), c.primary) << c.what;
        EXPECT_EQ(inner, c.inner) << c.what;
        EXPECT_EQ(prepared.pagenateRange, PAGENATE_REPAGENATE_ALL) << c.what;
        EXPECT_EQ(prepared.notateRange, NOTATE_NONE) << c.what;
    }
}

}  // namespace
