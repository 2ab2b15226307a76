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
#include <tuple>
#include <vector>

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

// A percussion staff's clefs become percussion clefs; back on an ordinary
// staff they become treble clefs again.
TEST_F(EditStaffPrepareTest, APercussionStaffTakesThePercussionClef) {
    constexpr unsigned char CLEF_PERCUSSION = 8;
    MakePiece(1, 2);
    auto* opening = new ECClef(CLEF_BASS);
    piece::Place(opening, 0.0f, 0, 1);
    PutOn(1, opening, 0.0f);
    Attach();
    const struct {
        unsigned char staffType, clef;
    } steps[] = {{3, CLEF_PERCUSSION}, {0, CLEF_TREBLE}};
    for (const auto& step : steps) {
        auto edit = NewEdit();
        ChangeStaffType(*edit, step.staffType);
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
