// Beams, ties, slurs and tuplets: creation and archive forms, the tuplet's
// units and its older schema, leaving the tree when the last member goes,
// and a removed tuplet handing its members back to its measure.
#include "model/groupmarks.h"

#include "model/notes.h"
#include "tests/model/marking_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using eventio::Held;
using eventio::Load;
using eventio::NewClassTag;
using eventio::Save;
using marktest::Container;
using marktest::Holds;
using marktest::Place;
using marktest::TimedPart;
using marktest::operator+;

ECNote* NoteAt(float time) {
    return new ECNote(MCTime(time), MCTime(1.0f));
}

TEST(GroupMarks, CreatedByNumberWithTheirArchiveForms) {
    const struct {
        int type;
        const char* name;
        std::vector<uint8_t> own;
    } cases[] = {
        {ET_BEAM, "ECBeam", {}},
        {ET_TIE, "ECTie", {}},
        {ET_SLUR, "ECSlur", {}},
        {ET_TUPLET, "ECTuplet", {0x03, 0x02, 0x03}},
    };
    for (const auto& c : cases) {
        Held hold;
        ECBase* event = hold(ECBase::CreateEvent(c.type));
        ASSERT_NE(event, nullptr) << c.name;
        EXPECT_STREQ(event->GetRuntimeClass()->m_lpszClassName, c.name);
        EXPECT_EQ(event->GetClassType(), c.type);
        Place(event, 1.0f, 2, 1);
        const std::vector<uint8_t> bytes = Save(event);
        EXPECT_EQ(bytes, NewClassTag(c.name) + TimedPart(1.0f, 0x0012) + c.own) << c.name;
        ECBase* loaded = hold(Load(bytes));
        EXPECT_EQ(Save(loaded), bytes) << c.name;
        eventio::ExpectEveryCutThrows(bytes, c.name);
    }
}

TEST(GroupMarks, MembersSaveAndLoadWithTheirGroup) {
    Held hold;
    auto* beam = hold(new ECBeam);
    Place(beam, 0.0f, 0, 1);
    for (float t : {0.0f, 0.5f, 1.0f})
        beam->AddChild(NoteAt(t), SORTED);
    const std::vector<uint8_t> bytes = Save(beam);
    auto* loaded = hold(Load(bytes));
    ASSERT_EQ(loaded->GetChildren()->GetCount(), 3);
    ECBase* first = loaded->GetChildren()->GetHead();
    EXPECT_EQ(first->GetClassType(), ET_NOTE);
    EXPECT_TRUE(Holds(first->GetParents(), loaded));
    EXPECT_EQ(Save(loaded), bytes);
}

TEST(ECTuplet, CountsUnitsAndCopy) {
    ECTuplet tuplet(5, 4, 4);
    EXPECT_EQ(tuplet.GetIrregular(), 5);
    EXPECT_EQ(tuplet.GetNormal(), 4);
    EXPECT_EQ(tuplet.GetUnits(), 4);
    tuplet.SetTuplet(7, 6, 2);
    Place(&tuplet, 2.0f, 1, 1);
    ECTuplet copy(tuplet);
    EXPECT_EQ(copy.GetIrregular(), 7);
    EXPECT_EQ(copy.GetNormal(), 6);
    EXPECT_EQ(copy.GetUnits(), 2);
    EXPECT_EQ(*copy.GetTime(), MCTime(2.0f));

    const struct {
        int unit;
        float length;
    } cases[] = {
        {0, 4.0f},   {1, 2.0f},    {2, 1.0f},     {3, 0.5f}, {4, 0.25f},
        {5, 0.125f}, {6, 0.0625f}, {7, 0.03125f}, {8, 0.0f}, {-1, 0.0f}, {255, 0.0f},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ECTuplet::GetUnitsAsTime(c.unit), MCTime(c.length)) << c.unit;
}

TEST(ECTuplet, AnObjectOfSchema1HasNoUnitAndLoadsTheEighth) {
    Held hold;
    std::vector<uint8_t> bytes = NewClassTag("ECTuplet") + TimedPart(1.0f, 0x0012) + std::vector<uint8_t>{0x05, 0x04};
    bytes[2] = 0x01;   // the stored schema
    auto* tuplet = hold(DYNAMIC_DOWNCAST(ECTuplet, Load(bytes)));
    ASSERT_NE(tuplet, nullptr);
    EXPECT_EQ(tuplet->GetIrregular(), 5);
    EXPECT_EQ(tuplet->GetNormal(), 4);
    EXPECT_EQ(tuplet->GetUnits(), 3);

    // With members before its counts, the schema is still the tuplet's own.
    auto* members = hold(new ECTuplet(5, 4, 6));
    members->AddChild(NoteAt(0.0f), SORTED);
    auto* reloaded = hold(DYNAMIC_DOWNCAST(ECTuplet, Load(Save(members))));
    EXPECT_EQ(reloaded->GetUnits(), 6);
}

// ---- leaving the tree -----------------------------------------------------------------------

// A measure with a grouping event over two notes that the measure holds too.
struct Grouped {
    Container* measure;
    ECBase* group;
    ECNote* first;
    ECNote* second;
};
Grouped MakeGrouped(Held& hold, ECBase* group) {
    Grouped g{hold(new Container(ET_MEASURE)), group, NoteAt(0.0f), NoteAt(1.0f)};
    g.measure->AddChild(g.first, SORTED);
    g.measure->AddChild(g.second, SORTED);
    g.measure->AddChild(group, SORTED);
    group->AddChild(g.first, SORTED);
    group->AddChild(g.second, SORTED);
    return g;
}

TEST(GroupMarks, TheLastMemberLeavingTakesTheGroupOut) {
    for (int type : {ET_BEAM, ET_TIE, ET_TUPLET, ET_SLUR}) {
        Held hold;
        ECBase* group = hold(ECBase::CreateEvent(type));
        const Grouped g = MakeGrouped(hold, group);

        // A note leaving the measure altogether leaves the group too; the
        // group stays while it has a member.
        g.first->RemoveFromParents();
        EXPECT_TRUE(Holds(g.measure->GetChildren(), group)) << type;
        EXPECT_EQ(group->GetChildren()->GetCount(), 1) << type;

        // Removing what is not a member changes nothing.
        ECNote* stranger = hold(NoteAt(2.0f));
        EXPECT_EQ(group->RemoveChild(stranger, 0), 0) << type;
        EXPECT_TRUE(Holds(g.measure->GetChildren(), group)) << type;

        EXPECT_EQ(group->RemoveChild(g.second, 0), 1) << type;
        EXPECT_TRUE(group->GetParents()->IsEmpty()) << type;
        EXPECT_FALSE(Holds(g.measure->GetChildren(), group)) << type;
        // The second note still has its measure.
        EXPECT_TRUE(Holds(g.second->GetParents(), g.measure)) << type;
    }
}

TEST(GroupMarks, RemovingAllMembersTakesTheGroupOut) {
    for (int type : {ET_BEAM, ET_TIE, ET_TUPLET, ET_SLUR}) {
        Held hold;
        ECBase* group = hold(ECBase::CreateEvent(type));
        const Grouped g = MakeGrouped(hold, group);
        EXPECT_EQ(group->RemoveChildren(0), 1) << type;
        EXPECT_TRUE(group->GetParents()->IsEmpty()) << type;
        EXPECT_EQ(g.measure->GetChildren()->GetCount(), 2) << type;
        EXPECT_EQ(g.first->GetParents()->GetCount(), 1) << type;
    }
}

TEST(ECSlur, GoesWhenNoNoteIsLeft) {
    Held hold;
    auto* staff = hold(new Container(ET_STAFF));
    auto* slur = new ECSlur;
    staff->AddChild(slur, SORTED);
    ECNote* note = hold(NoteAt(0.0f));
    auto* chord = hold(new ECChord);
    auto* otherNote = hold(NoteAt(2.0f));
    slur->AddChild(note, SORTED);
    slur->AddChild(chord, SORTED);
    slur->AddChild(otherNote, SORTED);

    // A chord leaving while notes remain: the slur stays.
    EXPECT_EQ(slur->RemoveChild(chord, 0), 1);
    EXPECT_TRUE(Holds(staff->GetChildren(), slur));
    slur->AddChild(chord, SORTED);

    EXPECT_EQ(slur->RemoveChild(otherNote, 0), 1);
    EXPECT_TRUE(Holds(staff->GetChildren(), slur));

    // The last note leaving takes the chord with it, and the slur goes.
    slur->Ref();
    EXPECT_EQ(slur->RemoveChild(note, 0), 1);
    EXPECT_TRUE(slur->GetChildren()->IsEmpty());
    EXPECT_TRUE(slur->GetParents()->IsEmpty());
    EXPECT_FALSE(Holds(staff->GetChildren(), slur));
    EXPECT_TRUE(chord->GetParents()->IsEmpty());
    slur->Unref(1);
}

TEST(ECTuplet, ARemovedTupletHandsItsMembersBackToItsMeasure) {
    Held hold;
    auto* measure = hold(new Container(ET_MEASURE));
    auto* early = NoteAt(0.0f);
    auto* inside = NoteAt(1.0f);   // also held by the measure already
    auto* rest = new ECRest;
    Place(rest, 2.0f, 0, 1);
    auto* late = NoteAt(4.0f);
    measure->AddChild(early, SORTED);
    measure->AddChild(inside, SORTED);
    measure->AddChild(late, SORTED);
    auto* tuplet = new ECTuplet;
    Place(tuplet, 1.0f, 0, 1);
    measure->AddChild(tuplet, SORTED);
    tuplet->AddChild(inside, SORTED);
    tuplet->AddChild(rest, SORTED);
    auto* chord = new ECChord;
    Place(chord, 3.0f, 0, 1);
    tuplet->AddChild(chord, SORTED);
    hold(tuplet);

    tuplet->RemoveFromParents();

    EXPECT_TRUE(tuplet->GetParents()->IsEmpty());
    EXPECT_TRUE(tuplet->GetChildren()->IsEmpty());
    // The measure holds each former member once, in time order.
    std::vector<ECBase*> order;
    MCEventList* children = measure->GetChildren();
    for (POSITION pos = children->GetHeadPosition(); pos;)
        order.push_back(children->GetNext(pos));
    EXPECT_EQ(order, (std::vector<ECBase*>{early, inside, rest, chord, late}));
    for (ECBase* member : {static_cast<ECBase*>(inside), static_cast<ECBase*>(rest), static_cast<ECBase*>(chord)}) {
        EXPECT_EQ(member->GetParents()->GetCount(), 1);
        EXPECT_TRUE(Holds(member->GetParents(), measure));
    }
}

TEST(ECTuplet, WithoutAMeasureItsMembersGoWithIt) {
    Held hold;
    auto* staff = hold(new Container(ET_STAFF));   // not a measure
    auto* tuplet = new ECTuplet;
    staff->AddChild(tuplet, SORTED);
    ECNote* note = hold(NoteAt(0.0f));
    tuplet->AddChild(note, SORTED);
    tuplet->RemoveFromParents();
    EXPECT_TRUE(staff->GetChildren()->IsEmpty());
    EXPECT_TRUE(note->GetParents()->IsEmpty());
}

}  // namespace
