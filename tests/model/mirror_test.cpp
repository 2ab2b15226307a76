// Mirrors: registration with the clef, key, meter or tempo they show, the
// mirror lists (order, removal from a time, the shown event's end), the links
// across saving and loading, ReplaceMirrors, and the commands' walks that take
// mirrors away with what they show.
#include "model/mirror.h"

#include "model/command.h"
#include "model/editactions.h"
#include "model/markings.h"
#include "model/meter.h"
#include "model/notes.h"
#include "model/tempo.h"
#include "tests/model/document_support.h"
#include "tests/model/marking_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using document::FreeTree;
using document::LoadDocument;
using document::SaveDocument;
using eventio::Held;
using marktest::Holds;
using marktest::Place;

ECMirror* MirrorAt(float time, ECBase* shown) {
    auto* mirror = new ECMirror;
    Place(mirror, time, 0, 1);
    mirror->SetMirrorEvent(shown, 1);
    return mirror;
}

std::vector<ECBase*> Events(MCEventList* list) {
    std::vector<ECBase*> events;
    for (POSITION pos = list->GetHeadPosition(); pos;)
        events.push_back(list->GetNext(pos));
    return events;
}

TEST(ECMirror, CreatedByNumberAndCopiedWithoutRegistering) {
    Held hold;
    auto* mirror = hold(DYNAMIC_DOWNCAST(ECMirror, ECBase::CreateEvent(ET_MIRROR)));
    ASSERT_NE(mirror, nullptr);
    EXPECT_EQ(mirror->GetClassType(), ET_MIRROR);
    EXPECT_EQ(mirror->GetMirrorEvent(), nullptr);

    auto* key = hold(new ECKey(1, 0));
    auto* first = hold(new ECMirror(key));   // stores only
    EXPECT_EQ(first->GetMirrorEvent(), key);
    EXPECT_TRUE(key->GetMirrors()->IsEmpty());
    Place(first, 2.0f, 0, 3);
    auto* copy = hold(new ECMirror(*first));
    EXPECT_EQ(copy->GetMirrorEvent(), key);
    EXPECT_EQ(*copy->GetTime(), MCTime(2.0f));
    EXPECT_TRUE(key->GetMirrors()->IsEmpty());
}

TEST(ECMirror, RegistersWithTheEventsThatKeepMirrors) {
    Held hold;
    ECBase* shown[] = {
        hold(new ECClef(1)),
        hold(new ECKey(2, 0)),
        hold(new ECMeter(3, 4, 0)),
        hold(new ECTempo),
    };
    for (ECBase* event : shown) {
        // Listed in time order, whatever the order of registering.
        ECMirror* late = hold(MirrorAt(8.0f, event));
        ECMirror* early = hold(MirrorAt(4.0f, event));
        MCEventList* list = GetMirrorList(event);
        ASSERT_NE(list, nullptr) << event->GetClassType();
        EXPECT_EQ(Events(list), (std::vector<ECBase*>{early, late})) << event->GetClassType();
        EXPECT_EQ(late->GetMirrorEvent(), event);

        // Without registering the pointer is only stored.
        ECMirror* quiet = hold(new ECMirror);
        quiet->SetMirrorEvent(event, 0);
        EXPECT_EQ(list->GetCount(), 2);
    }

    // Any other event is only stored.
    auto* note = hold(new ECNote);
    ECMirror* ofNote = hold(MirrorAt(1.0f, note));
    EXPECT_EQ(ofNote->GetMirrorEvent(), note);
    EXPECT_EQ(GetMirrorList(note), nullptr);
}

TEST(ECMirror, KeysAndClefsRemoveMirrorsFromATime) {
    for (bool isKey : {true, false}) {
        Held hold;
        ECBase* shown = isKey ? static_cast<ECBase*>(hold(new ECKey(1, 0))) : hold(new ECClef(2));
        std::vector<ECMirror*> mirrors;
        for (float t : {0.0f, 4.0f, 8.0f, 12.0f})
            mirrors.push_back(hold(MirrorAt(t, shown)));
        auto removeFrom = [&](const MCTime& from) {
            if (isKey)
                static_cast<ECKey*>(shown)->RemoveMirrors(from);
            else
                static_cast<ECClef*>(shown)->RemoveMirrors(from);
        };
        removeFrom(MCTime(6.0f));
        EXPECT_EQ(Events(GetMirrorList(shown)), (std::vector<ECBase*>{mirrors[0], mirrors[1]}));
        removeFrom(MCTime(4.0f));
        EXPECT_EQ(Events(GetMirrorList(shown)), (std::vector<ECBase*>{mirrors[0]}));
        removeFrom(MCTime::TimeNull());
        EXPECT_TRUE(GetMirrorList(shown)->IsEmpty());
        // The mirrors themselves still point at the event.
        EXPECT_EQ(mirrors[3]->GetMirrorEvent(), shown);
    }
}

// Mirrors taken out of the tree leave the lists of what they show, each list
// keeping the rest in its order; a mirror showing nothing or not listed is
// passed over, and every mirror lives until the caller's list lets it go.
TEST(ECMirror, UnlistedMirrorsLeaveTheListsOfWhatTheyShow) {
    Held hold;
    auto* clef = hold(new ECClef(1));
    auto* key = hold(new ECKey(2, 0));
    std::vector<ECMirror*> ofClef;
    for (float t : {0.0f, 4.0f, 8.0f, 12.0f})
        ofClef.push_back(hold(MirrorAt(t, clef)));
    ECMirror* ofKey = hold(MirrorAt(4.0f, key));
    ECMirror* showingNothing = hold(new ECMirror);
    ECMirror* unlisted = hold(new ECMirror(key));   // points at the key, never registered

    MCEventList gone;
    for (ECBase* mirror : {static_cast<ECBase*>(ofClef[3]), static_cast<ECBase*>(ofClef[1]),
                           static_cast<ECBase*>(ofKey), static_cast<ECBase*>(showingNothing),
                           static_cast<ECBase*>(unlisted)})
        gone.AddTail(mirror);
    UnlistMirrors(gone);
    EXPECT_EQ(Events(clef->GetMirrors()), (std::vector<ECBase*>{ofClef[0], ofClef[2]}));
    EXPECT_TRUE(key->GetMirrors()->IsEmpty());
    // Held by the test and by `gone` alone now.
    EXPECT_EQ(ofClef[3]->GetRefCount(), 2);
    EXPECT_EQ(ofClef[0]->GetRefCount(), 2);   // the test and the clef's list
    EXPECT_EQ(ofClef[3]->GetMirrorEvent(), clef);
}

TEST(ECMirror, AKeyOrClefThatGoesLeavesItsMirrorsShowingNothing) {
    Held hold;
    auto* measure = hold(new marktest::Container(ET_MEASURE));
    auto* key = new ECKey(-2, 1);
    auto* clef = new ECClef(3);
    measure->AddChild(key, SORTED);
    measure->AddChild(clef, SORTED);
    ECMirror* ofKey = hold(MirrorAt(4.0f, key));
    ECMirror* ofClef = hold(MirrorAt(4.0f, clef));

    measure->RemoveChildren(0);   // frees both
    EXPECT_EQ(ofKey->GetMirrorEvent(), nullptr);
    EXPECT_EQ(ofClef->GetMirrorEvent(), nullptr);
    EXPECT_EQ(ofKey->GetRefCount(), 1);   // only the test's
}

// ---- saving and loading ---------------------------------------------------------------

// A document's tree: a conductor-staff stand-in with a meter and a tempo, a
// staff stand-in with a measure holding a clef and a key, and a later measure
// holding a mirror of each of the four. The caller holds the performance.
struct MirrorTree {
    ECPerformance* performance = nullptr;
    ECBase* clef = nullptr;
    ECBase* key = nullptr;
    ECBase* meter = nullptr;
    ECBase* tempo = nullptr;
    std::vector<ECMirror*> mirrors;
};

MirrorTree BuildMirrorTree() {
    MirrorTree tree;
    tree.performance = new ECPerformance;
    tree.performance->Ref();
    auto* conductorStaff = new ECWithTimeChild;
    auto* staff = new ECWithTimeChild;
    tree.performance->AddChild(conductorStaff, UNSORTED);
    tree.performance->AddChild(staff, UNSORTED);
    tree.meter = new ECMeter(3, 4, 0);
    tree.tempo = new ECTempo;
    Place(tree.meter, 0.0f, 14, 0);
    Place(tree.tempo, 0.0f, 14, 0);
    conductorStaff->AddChild(tree.meter, SORTED);
    conductorStaff->AddChild(tree.tempo, SORTED);
    auto* first = new ECWithTimeChild;
    auto* second = new ECWithTimeChild;
    Place(first, 0.0f, 14, 1);
    Place(second, 3.0f, 14, 1);
    staff->AddChild(first, SORTED);
    staff->AddChild(second, SORTED);
    tree.clef = new ECClef(1);
    tree.key = new ECKey(3, 0);
    Place(tree.clef, 0.0f, 0, 1);
    Place(tree.key, 0.0f, 0, 1);
    first->AddChild(tree.clef, SORTED);
    first->AddChild(tree.key, SORTED);
    for (ECBase* shown : {tree.clef, tree.key, tree.meter, tree.tempo}) {
        ECMirror* mirror = MirrorAt(3.0f, shown);
        second->AddChild(mirror, SORTED);
        tree.mirrors.push_back(mirror);
    }
    return tree;
}

// The children of the child at `index` of the event.
ECBase* ChildAt(ECBase* event, int index) {
    MCEventList* children = event->GetChildren();
    return children->GetAt(children->FindIndex(index));
}

TEST(ECMirror, LinksSurviveSavingAndLoading) {
    MirrorTree tree = BuildMirrorTree();
    const std::vector<uint8_t> bytes = SaveDocument(tree.performance);

    ECPerformance* loaded = LoadDocument(bytes);
    ECBase* conductorStaff = ChildAt(loaded, 0);
    ECBase* first = ChildAt(ChildAt(loaded, 1), 0);
    ECBase* second = ChildAt(ChildAt(loaded, 1), 1);
    ECBase* shown[] = {ChildAt(first, 0), ChildAt(first, 1), ChildAt(conductorStaff, 0), ChildAt(conductorStaff, 1)};
    const int types[] = {ET_CLEF, ET_KEY, ET_METER, ET_TEMPO};
    ASSERT_EQ(second->GetChildren()->GetCount(), 4);
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(shown[i]->GetClassType(), types[i]);
        auto* mirror = DYNAMIC_DOWNCAST(ECMirror, ChildAt(second, i));
        ASSERT_NE(mirror, nullptr);
        EXPECT_EQ(mirror->GetMirrorEvent(), shown[i]) << i;
        // The shown event's list, never stored, is rebuilt.
        EXPECT_EQ(Events(GetMirrorList(shown[i])), std::vector<ECBase*>{mirror}) << i;
    }
    EXPECT_EQ(SaveDocument(loaded), bytes);
    FreeTree(loaded);
    FreeTree(tree.performance);
}

TEST(ECMirror, AnEventOutsideTheTreeIsSavedAsNone) {
    MirrorTree tree = BuildMirrorTree();
    Held hold;
    auto* loose = hold(new ECKey(5, 0));   // in no list of the tree
    tree.mirrors[1]->SetMirrorEvent(loose, 1);
    ECPerformance* loaded = LoadDocument(SaveDocument(tree.performance));
    auto* mirror = DYNAMIC_DOWNCAST(ECMirror, ChildAt(ChildAt(ChildAt(loaded, 1), 1), 1));
    ASSERT_NE(mirror, nullptr);
    EXPECT_EQ(mirror->GetMirrorEvent(), nullptr);
    FreeTree(loaded);
    FreeTree(tree.performance);
}

TEST(ECMirror, DamagedLinksAreRefusedOrLeftEmpty) {
    // A mirror showing an event under a parent outside the tree: the event is
    // written in the post-load pass as a new object, which loading refuses.
    {
        MirrorTree tree = BuildMirrorTree();
        Held hold;
        auto* elsewhere = hold(new ECWithTimeChild);
        auto* stray = new ECKey(5, 0);
        elsewhere->AddChild(stray, SORTED);
        tree.mirrors[1]->SetMirrorEvent(stray, 1);
        const std::vector<uint8_t> bytes = SaveDocument(tree.performance);
        try {
            FreeTree(LoadDocument(bytes));
            ADD_FAILURE() << "a mirror of an event outside the tree was loaded";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, CArchiveException::badIndex);
        }
        FreeTree(tree.performance);
    }
    // A mirror showing an event that keeps no mirror list is not linked.
    {
        MirrorTree tree = BuildMirrorTree();
        tree.mirrors[0]->SetMirrorEvent(tree.performance->GetChildren()->GetHead(), 0);
        ECPerformance* loaded = LoadDocument(SaveDocument(tree.performance));
        auto* mirror = DYNAMIC_DOWNCAST(ECMirror, ChildAt(ChildAt(ChildAt(loaded, 1), 1), 0));
        EXPECT_EQ(mirror->GetMirrorEvent(), nullptr);
        FreeTree(loaded);
        FreeTree(tree.performance);
    }
    // Every shorter document is refused.
    MirrorTree tree = BuildMirrorTree();
    const std::vector<uint8_t> bytes = SaveDocument(tree.performance);
    FreeTree(tree.performance);
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(cut));
        EXPECT_THROW(FreeTree(LoadDocument(part)), CArchiveException) << cut;
    }
}

// ---- lists and commands -----------------------------------------------------------------

TEST(ECMirror, ReplaceMirrorsPutsTheShownEventsInTheirPlace) {
    Held hold;
    auto* note = hold(new ECNote);
    auto* key = hold(new ECKey(1, 0));
    auto* meter = hold(new ECMeter);
    MCEventList list(10);
    list.AddTail(note);
    list.AddTail(hold(MirrorAt(1.0f, key)));
    list.AddTail(hold(MirrorAt(1.0f, meter)));
    list.AddTail(hold(new ECMirror));   // shows nothing: just leaves
    list.AddTail(key);

    MCEventList again(10);
    again.AddEvents(&list, UNSORTED);
    list.ReplaceMirrors(0);
    EXPECT_EQ(Events(&list), (std::vector<ECBase*>{note, key, meter, key}));
    again.ReplaceMirrors(1);
    EXPECT_EQ(Events(&again), (std::vector<ECBase*>{note, meter, key}));
}

// Opens the command base's mirror walks.
class MirrorWalks : public CCBase {
public:
    using CCBase::FindMirrors;
    using CCBase::RemoveFromParents;
};

TEST(ECMirror, CommandsTakeMirrorsAwayWithWhatTheyShow) {
    Held hold;
    auto* measure = hold(new marktest::Container(ET_MEASURE));
    auto* later = hold(new marktest::Container(ET_MEASURE));
    auto* clef = new ECClef(2);
    auto* tempo = hold(new ECTempo);
    measure->AddChild(clef, SORTED);
    ECMirror* ofClef = hold(MirrorAt(4.0f, clef));
    ECMirror* ofTempo = hold(MirrorAt(4.0f, tempo));
    later->AddChild(ofClef, SORTED);
    later->AddChild(ofTempo, SORTED);

    MirrorWalks walks;
    MCEventList shown(10);
    shown.AddTail(clef);
    shown.AddTail(tempo);
    MCEventList found(10);
    walks.FindMirrors(&shown, &found);
    EXPECT_EQ(Events(&found), (std::vector<ECBase*>{ofClef, ofTempo}));

    // Removing the clef takes its mirror out of the later measure; a tempo's
    // mirrors are not followed.
    walks.RemoveFromParents(&shown);
    EXPECT_TRUE(clef->GetParents()->IsEmpty());
    EXPECT_TRUE(ofClef->GetParents()->IsEmpty());
    EXPECT_TRUE(Holds(later->GetChildren(), ofTempo));
}

}  // namespace
