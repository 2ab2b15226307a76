// The command base: flags and phase, the base phases (the conductor, the
// discard list), and the walks over the mirrors of clefs, keys, meters and
// tempos.
#include "model/command.h"

#include "model/eventtypes.h"
#include "model/meter.h"
#include "model/mirror.h"
#include "model/performance.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

// An event that answers whatever type it is given, and tells when it goes.
class ECStandIn : public ECWithTime {
public:
    explicit ECStandIn(int type, bool* gone = nullptr) : m_type(type), m_gone(gone) {}
    ~ECStandIn() override {
        if (m_gone)
            *m_gone = true;
    }
    int GetClassType() const override { return m_type; }

private:
    int m_type;
    bool* m_gone;
};

class ECStandInParent : public ECWithTimeChild {
public:
    int GetClassType() const override { return m_type; }
    int m_type = ET_MEASURE;
};

// Opens the protected walks.
class CCWalks : public CCBase {
public:
    using CCBase::FindMirrors;
    using CCBase::RemoveFromParents;
};

// Mirror lists for the walks, by the event that keeps them.
std::map<ECBase*, MCEventList*> g_mirrorLists;
MCEventList* TestMirrorList(ECBase* event) {
    auto found = g_mirrorLists.find(event);
    return found == g_mirrorLists.end() ? nullptr : found->second;
}

TEST(CCBase, FlagsAndPhaseShareOneWord) {
    CCBase command;
    EXPECT_EQ(command.GetCommandId(), CMD_BASE);
    EXPECT_EQ(command.GetAutoDelete(), 1);
    EXPECT_EQ(command.GetStateNotify(), 1);
    EXPECT_EQ(command.IsSynchronous(), 0);
    EXPECT_EQ(command.GetCommandPhase(), 0);
    EXPECT_EQ(command.GetTarget(), nullptr);
    EXPECT_EQ(command.GetConductorEvent(), nullptr);

    // Each setter keeps bit 0 of its argument.
    const struct { int arg, stored; } cases[] = {{0, 0}, {1, 1}, {2, 0}, {3, 1}, {-1, 1}, {0x100, 0}};
    for (const auto& c : cases) {
        command.SetAutoDelete(c.arg);
        command.SetStateNotify(c.arg);
        command.SetSynchronous(c.arg);
        EXPECT_EQ(command.GetAutoDelete(), c.stored) << c.arg;
        EXPECT_EQ(command.GetStateNotify(), c.stored) << c.arg;
        EXPECT_EQ(command.IsSynchronous(), c.stored) << c.arg;
    }

    // The phase lives above the flags and leaves them alone.
    command.SetAutoDelete(1);
    command.SetStateNotify(1);
    command.SetSynchronous(0);
    for (int phase : {int(CMD_PHASE_PROCESS), int(CMD_PHASE_FINISH), 0xFFFF, int(CMD_PHASE_PREPARE)}) {
        command.SetCommandPhase(phase);
        EXPECT_EQ(command.GetCommandPhase(), phase);
        EXPECT_EQ(command.GetAutoDelete(), 1);
        EXPECT_EQ(command.GetStateNotify(), 1);
        EXPECT_EQ(command.IsSynchronous(), 0);
    }
}

TEST(CCBase, PrepareNeedsTheTargetsConductor) {
    CCBase command;
    EXPECT_EQ(command.Prepare(), 0);   // no target

    auto* performance = new ECPerformance;
    performance->Ref();
    command.SetTarget(performance);
    EXPECT_EQ(command.Prepare(), 0);

    auto* conductor = new ECStandInParent;
    conductor->m_type = ET_CONDUCTOR;
    performance->AddChild(conductor, SORTED);
    EXPECT_EQ(command.Prepare(), 1);
    EXPECT_EQ(command.GetConductorEvent(), conductor);
    EXPECT_EQ(command.GetConductor<ECStandInParent>(), conductor);

    performance->RemoveChildren(1);
    performance->Unref(1);
}

// The list keeps the order of first discarding (undo and release run in it),
// whatever repeats come between.
TEST(CCBase, DiscardListHoldsEachEventOnceInTheOrderFirstDiscardedAndNeverAMeter) {
    auto* rest = new ECStandIn(ET_REST);
    auto* beam = new ECStandIn(ET_BEAM);
    auto* tie = new ECStandIn(ET_TIE);
    auto* meter = new ECStandIn(ET_METER);
    for (ECBase* event : {rest, beam, tie, meter})
        event->Ref();
    {
        CCBase command;
        for (ECBase* event : {static_cast<ECBase*>(beam), static_cast<ECBase*>(rest), static_cast<ECBase*>(beam),
                              static_cast<ECBase*>(meter), static_cast<ECBase*>(nullptr), static_cast<ECBase*>(tie),
                              static_cast<ECBase*>(rest), static_cast<ECBase*>(tie)})
            command.Discard(event);
        const MCEventList* discarded = command.GetDiscardList();
        std::vector<ECBase*> order;
        for (POSITION pos = discarded->GetHeadPosition(); pos;)
            order.push_back(discarded->GetNext(pos));
        EXPECT_EQ(order, (std::vector<ECBase*>{beam, rest, tie}));
        EXPECT_EQ(rest->GetRefCount(), 2);
        EXPECT_EQ(meter->GetRefCount(), 1);
    }
    EXPECT_EQ(rest->GetRefCount(), 1);   // released with the command
    for (ECBase* event : {rest, beam, tie, meter})
        event->Unref(1);
}

// Process detaches what was discarded from every parent; the events live on
// until the command lets go of them.
TEST(CCBase, ProcessDetachesTheDiscardedEventsFromAllTheirParents) {
    auto* first = new ECStandInParent;
    auto* second = new ECStandInParent;
    first->Ref();
    second->Ref();
    bool gone = false;
    auto* note = new ECStandIn(ET_NOTE, &gone);
    first->AddChild(note, SORTED);
    second->AddChild(note, SORTED);
    auto* kept = new ECStandIn(ET_NOTE);
    first->AddChild(kept, SORTED);

    auto* command = new CCBase;
    command->Discard(note);
    EXPECT_EQ(command->Process(), 1);
    EXPECT_TRUE(note->GetParents()->IsEmpty());
    EXPECT_EQ(first->GetChildren()->GetCount(), 1);
    EXPECT_TRUE(second->GetChildren()->IsEmpty());
    EXPECT_FALSE(gone);
    delete command;
    EXPECT_TRUE(gone);

    first->RemoveChildren(1);
    first->Unref(1);
    second->Unref(1);
}

// A clef's, key's or meter's mirrors leave with it; a tempo's stay (the
// tempo's own removal sees to them). FindMirrors collects the mirrors of all
// four kinds.
TEST(CCBase, WalksFollowTheMirrorsOfTheKindsThatKeepThem) {
    const struct { int type; bool followedOnRemoval, found; } cases[] = {
        {ET_CLEF, true, true},  {ET_KEY, true, true},  {ET_METER, true, true},
        {ET_TEMPO, false, true}, {ET_NOTE, false, false},
    };
    const CCBase::MirrorListFinder previous = CCBase::SetMirrorListFinder(&TestMirrorList);
    for (const auto& c : cases) {
        auto* staff = new ECStandInParent;
        staff->Ref();
        auto* shown = new ECStandIn(c.type);
        auto* mirror = new ECStandIn(ET_MIRROR);
        staff->AddChild(shown, SORTED);
        staff->AddChild(mirror, SORTED);
        MCEventList mirrors;
        mirrors.AddTail(mirror);
        g_mirrorLists[shown] = &mirrors;

        CCWalks walks;
        MCEventList events;
        events.AddTail(shown);
        MCEventList found;
        walks.FindMirrors(&events, &found);
        EXPECT_EQ(found.GetCount(), c.found ? 1 : 0) << c.type;

        walks.RemoveFromParents(&events);
        EXPECT_TRUE(shown->GetParents()->IsEmpty()) << c.type;
        EXPECT_EQ(mirror->GetParents()->IsEmpty(), c.followedOnRemoval) << c.type;

        g_mirrorLists.clear();
        staff->RemoveChildren(1);
        staff->Unref(1);
    }
    CCBase::SetMirrorListFinder(previous);
}

// The mirror class's own finder is in place: a meter's mirrors leave with it.
TEST(CCBase, RemovingAMeterTakesItsMirrorsAlong) {
    auto* conductorStaff = new ECStandInParent;
    auto* measure = new ECStandInParent;
    conductorStaff->Ref();
    measure->Ref();
    auto* meter = new ECMeter;
    conductorStaff->AddChild(meter, SORTED);
    auto* mirror = new ECMirror;
    measure->AddChild(mirror, SORTED);
    mirror->SetMirrorEvent(meter, 1);
    ASSERT_EQ(meter->GetMirrors()->GetCount(), 1);

    CCWalks walks;
    MCEventList events;
    events.AddTail(meter);
    MCEventList found;
    walks.FindMirrors(&events, &found);
    EXPECT_EQ(found.GetCount(), 1);
    walks.RemoveFromParents(&events);
    EXPECT_TRUE(meter->GetParents()->IsEmpty());
    EXPECT_TRUE(measure->GetChildren()->IsEmpty());

    conductorStaff->Unref(1);
    measure->Unref(1);
}

}  // namespace
