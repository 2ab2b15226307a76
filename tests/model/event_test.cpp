// Events: the type table, creation and names by number, reference counting,
// the links of parents and children and how detaching frees a subtree, the
// archive forms of the four bases, and a large tree saved, loaded and saved
// again, whole or damaged.
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/performance.h"
#include "model/textmarks.h"

#include "platform/core/archive.h"
#include "platform/core/resources.h"
#include "platform/core/trace.h"
#include "tests/model/eventio_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

// A serializable event that counts the living, to see what loading and
// detaching free. Outside any namespace: archives find it by its name.
class ECTestCounted : public ECWithTimeChild {
    DECLARE_SERIAL(ECTestCounted)
public:
    static int s_alive;
    ECTestCounted() { ++s_alive; }
    ~ECTestCounted() override { --s_alive; }
};
IMPLEMENT_SERIAL(ECTestCounted, ECWithTimeChild, VERSIONABLE_SCHEMA | 2)
int ECTestCounted::s_alive = 0;

namespace {

// An event answering a chosen type (a note, a measure ...) without its class.
class AsType : public ECWithTimeChild {
public:
    explicit AsType(int type) : m_type(type) {}
    int GetClassType() const override { return m_type; }

private:
    int m_type;
};

using eventio::Held;

std::vector<uint8_t> Store(CObject* object, bool byReference) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    if (byReference)
        ar.WriteObject(object);
    else
        object->Serialize(ar);
    ar.Close();
    return file.Detach();
}

// Reads a tree into a new performance as a document does: the performance is
// active, at the current version, while its tree is read. The caller holds
// the performance's one reference, loaded or not.
struct Loaded {
    ECPerformance* performance;
    bool failed = false;
    CArchiveException::Cause cause = CArchiveException::none;
};
Loaded LoadTree(const std::vector<uint8_t>& bytes) {
    Loaded result{new ECPerformance};
    result.performance->Ref();
    result.performance->SetVersion(ECPerformance::CURRENT_VERSION);
    ECPerformance* previous = ECPerformance::SetActivePerformance(result.performance);
    CMemFile file(bytes);
    CArchive ar(&file, CArchive::load);
    try {
        result.performance->Serialize(ar);
    } catch (const CArchiveException& e) {
        result.failed = true;
        result.cause = e.m_cause;
    }
    ECPerformance::SetActivePerformance(previous);
    return result;
}

// Frees a document's tree the way a closing document does.
void FreeTree(ECPerformance* performance) {
    performance->RemoveChildren(1);
    performance->Unref(1);
}

// Every event reachable from root, children before siblings' children.
std::vector<ECBase*> Reachable(ECBase* root) {
    std::vector<ECBase*> order{root};
    std::set<ECBase*> seen{root};
    for (size_t i = 0; i < order.size(); ++i) {
        if (MCEventList* children = order[i]->GetChildren()) {
            for (POSITION pos = children->GetHeadPosition(); pos;) {
                ECBase* child = children->GetNext(pos);
                if (seen.insert(child).second)
                    order.push_back(child);
            }
        }
    }
    return order;
}

// Checks that every event's count is the number of lists holding it (its
// parents' children lists and its children's parents lists) plus its outside
// holders; returns the number of events checked.
size_t ExpectCountsMatchLinks(ECBase* root, const std::map<ECBase*, int>& outside) {
    const std::vector<ECBase*> events = Reachable(root);
    std::map<ECBase*, int> expected;
    for (ECBase* event : events) {
        if (MCEventList* children = event->GetChildren()) {
            for (POSITION pos = children->GetHeadPosition(); pos;)
                ++expected[children->GetNext(pos)];
        }
        MCEventList* parents = event->GetParents();
        for (POSITION pos = parents->GetHeadPosition(); pos;)
            ++expected[parents->GetNext(pos)];
    }
    for (auto [event, count] : outside)
        expected[event] += count;
    for (ECBase* event : events)
        EXPECT_EQ(event->GetRefCount(), expected[event]) << event->GetRuntimeClass()->m_lpszClassName;
    return events.size();
}

// ---- the type table -----------------------------------------------------------

TEST(EventTypes, CreatesByNumberThroughTheClassRegistry) {
    const struct {
        int type;
        const char* className;   // null: no event
    } cases[] = {
        {ET_BANKLSB, nullptr}, {ET_BANKMSB, nullptr}, {ET_GROUP, nullptr}, {ET_COUNT, nullptr}, {-1, nullptr},
        {ET_BASE, "ECBase"}, {ET_WITHCHILD, "ECWithChild"}, {ET_WITHTIME, "ECWithTime"},
        {ET_WITHTIMECHILD, "ECWithTimeChild"},
    };
    for (const auto& c : cases) {
        ECBase* event = ECBase::CreateEvent(c.type);
        if (!c.className) {
            EXPECT_EQ(event, nullptr) << c.type;
            EXPECT_EQ(ECBase::GetEventRuntimeClass(c.type), nullptr) << c.type;
            continue;
        }
        ASSERT_NE(event, nullptr) << c.type;
        EXPECT_STREQ(event->GetRuntimeClass()->m_lpszClassName, c.className);
        EXPECT_EQ(event->GetClassType(), c.type);
        EXPECT_EQ(event->GetRefCount(), 0);
        event->Unref(1);
    }
    // The performance is found the same way, by its name.
    EXPECT_EQ(ECBase::GetEventRuntimeClass(ET_PERFORMANCE), RUNTIME_CLASS(ECPerformance));
}

TEST(EventTypes, DisplayNamesFromTheLibrarysStrings) {
    const struct {
        int type;
        const char* name;
    } cases[] = {
        {ET_ACCENT, "Accent"}, {ET_BARLINE, "Barline"}, {ET_BASE, "Event"}, {ET_BRAC, "Brace/Bracket"},
        {ET_CHANNELMODE, "Channel Mode"}, {ET_FLOWCONTROL, "Repeat"}, {ET_REPEAT, "Repeat"},
        {ET_KEY, "Key"}, {ET_PERFORMANCE, "Performance"}, {ET_TURN, "Turn"}, {ET_PAN, "Pan"},
        {ET_WAVE, "Wave file"}, {ET_GRACENOTE, "Grace note"},
        // No name: the bank selects, the group, the bases, the track, and
        // numbers outside the table.
        {ET_BANKLSB, ""}, {ET_BANKMSB, ""}, {ET_GROUP, ""}, {ET_WITHCHILD, ""}, {ET_WITHTIME, ""},
        {ET_WITHTIMECHILD, ""}, {ET_TRACK, ""}, {-1, ""}, {ET_COUNT, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ECBase::GetEventString(c.type), c.name) << c.type;

    // The strings no type shows, and the number that does not exist.
    std::string text;
    EXPECT_TRUE(LoadString(11797, text));
    EXPECT_EQ(text, "Group");
    EXPECT_TRUE(LoadString(11825, text));
    EXPECT_EQ(text, "Track");
    EXPECT_FALSE(LoadString(11783, text));
}

TEST(EventTypes, ParentTypesComeFromTheTable) {
    Held hold;
    std::vector<int> types{99};
    EXPECT_EQ(hold(new AsType(ET_NOTE))->GetParentTypes(types), 1);
    EXPECT_EQ(types, (std::vector<int>{99, ET_MEASURE, ET_CHORD, ET_BEAM, ET_TUPLET}));   // appended
    types.clear();
    EXPECT_EQ(hold(new ECWithTime)->GetParentTypes(types), 0);
    EXPECT_EQ(hold(new ECPerformance)->GetParentTypes(types), 0);
    EXPECT_EQ(hold(new AsType(ET_TEXT))->GetParentTypes(types), 0);   // ECText decides by itself
    EXPECT_TRUE(types.empty());

    // Read downwards, the table names each container's children.
    auto childrenOf = [](int parent) {
        std::set<int> children;
        for (int type = 0; type < ET_COUNT; ++type) {
            for (int p : GetEventParentTypes(type)) {
                if (p == parent)
                    children.insert(type);
            }
        }
        return children;
    };
    EXPECT_EQ(childrenOf(ET_PERFORMANCE), (std::set<int>{ET_CONDUCTOR, ET_FRAME}));
    EXPECT_EQ(childrenOf(ET_CONDUCTOR), (std::set<int>{ET_CONDUCTORSTAFF, ET_STAFF, ET_WAVETRACK}));
    EXPECT_EQ(childrenOf(ET_MEASURE),
              (std::set<int>{ET_BEAM, ET_TUPLET, ET_CHORD, ET_REST, ET_NOTE, ET_CHORDSYMBOL, ET_CLEF,
                             ET_KEY, ET_LYRIC, ET_MIRROR, ET_REPEAT, ET_PAN}));
    EXPECT_EQ(childrenOf(ET_STAFF),
              (std::set<int>{ET_MEASURE, ET_PAN, ET_CONTROLCHANGE, ET_BANKLSB, ET_BANKMSB, ET_CHANNELMODE,
                             ET_CHANNELPRESSURE, ET_PITCHBEND, ET_POLYPRESSURE, ET_PROGRAMCHANGE,
                             ET_DYNAMIC, ET_PEDAL, ET_SLUR, ET_TIE, ET_TRANSPOSE}));
    EXPECT_EQ(childrenOf(ET_NOTE),
              (std::set<int>{ET_GRACENOTE, ET_LYRIC, ET_ORNAMENT, ET_ACCIDENTAL, ET_DOT, ET_ACCENT,
                             ET_MORDENT, ET_TREMOLO, ET_TRILL, ET_TURN}));
}

// Asked whether a parent type is allowed, every class (and a text of every
// text type, which decides by itself) answers as its list of parent types.
TEST(EventTypes, MayHangUnderAgreesWithTheParentTypes) {
    Held hold;
    std::vector<ECBase*> events;
    for (int type = 0; type < ET_COUNT; ++type) {
        if (ECBase* event = ECBase::CreateEvent(type))
            events.push_back(hold(event));
    }
    for (int textType = 0; textType <= ECText::TEXT_TYPE_COUNT; ++textType)
        events.push_back(hold(new ECText(static_cast<unsigned char>(textType), "")));
    ASSERT_GT(events.size(), 40u);
    for (ECBase* event : events) {
        std::vector<int> parents;
        event->GetParentTypes(parents);
        for (int parent = -1; parent <= ET_COUNT; ++parent) {
            const bool listed = std::find(parents.begin(), parents.end(), parent) != parents.end();
            EXPECT_EQ(event->MayHangUnder(parent), listed)
                << event->GetRuntimeClass()->m_lpszClassName << " under " << parent;
        }
    }
}

// ---- reference counting and flags --------------------------------------------------

TEST(ECBase, UnrefDeletesOnlyWhenAskedAndAtZero) {
    const int before = ECTestCounted::s_alive;
    auto* event = new ECTestCounted;
    EXPECT_EQ(event->Unref(0), 0);   // never deletes
    EXPECT_EQ(ECTestCounted::s_alive, before + 1);
    EXPECT_EQ(event->Ref(), 1);
    EXPECT_EQ(event->Ref(), 2);
    EXPECT_EQ(event->Unref(1), 1);
    EXPECT_EQ(event->Unref(0), 0);
    EXPECT_EQ(ECTestCounted::s_alive, before + 1);
    EXPECT_EQ(event->Unref(1), 0);   // already at 0: deleted
    EXPECT_EQ(ECTestCounted::s_alive, before);
}

TEST(ECBase, CountSaturatesWithoutLosingReferences) {
#ifndef NDEBUG
    GTEST_SKIP() << "a debug build asserts on the 65536th reference";
#else
    CTraceCapture trace;
    const int before = ECTestCounted::s_alive;
    auto* event = new ECTestCounted;
    for (int i = 0; i < 70000; ++i)
        event->Ref();
    EXPECT_EQ(event->GetRefCount(), 65535);
    EXPECT_NE(trace.GetText().find("65535"), std::string::npos);
    for (int i = 0; i < 69999; ++i)
        event->Unref(1);
    EXPECT_EQ(event->GetRefCount(), 1);
    EXPECT_EQ(ECTestCounted::s_alive, before + 1);
    event->Unref(1);
    EXPECT_EQ(ECTestCounted::s_alive, before);
#endif
}

TEST(ECBase, FlagsAndDefaults) {
    Held hold;
    ECBase* plain = hold(new ECBase);
    ECWithTime* timed = hold(new ECWithTime);
    ECWithTimeChild* both = hold(new ECWithTimeChild);
    EXPECT_EQ(plain->GetFlags(), 0u);
    EXPECT_EQ(timed->GetFlags(), ECBase::EF_TIME);
    EXPECT_EQ(both->GetFlags(), ECBase::EF_TIME);
    EXPECT_EQ(plain->GetTime(), nullptr);
    EXPECT_EQ(plain->GetVoiceTrack(), nullptr);
    EXPECT_EQ(plain->GetChildren(), nullptr);
    EXPECT_EQ(*timed->GetTime(), MCTime::TimeNull());
    EXPECT_EQ(timed->GetVoiceTrack()->GetValue(), 0x7FFF);
    EXPECT_EQ(timed->GetDuration(), nullptr);

    // The setters store the lowest bit of their argument.
    const struct { int arg, expected; } bits[] = {{1, 1}, {2, 0}, {3, 1}, {0, 0}};
    for (const auto& b : bits) {
        plain->SetIgnored(b.arg);
        plain->SetDisplayOnly(b.arg);
        EXPECT_EQ(plain->IsIgnored(), b.expected) << b.arg;
        EXPECT_EQ(plain->IsDisplayOnly(), b.expected) << b.arg;
    }

    timed->SetVoiceTrack(17, 5);   // voice & 15, track << 4
    EXPECT_EQ(timed->GetVoiceTrack()->GetValue(), 1 + (5 << 4));
    MCTime t(2.5f);
    timed->SetTime(&t);
    timed->SetTime(nullptr);
    both->AddChild(timed, SORTED);
    ECWithTime* copy = hold(new ECWithTime(*timed));
    EXPECT_EQ(*copy->GetTime(), t);
    EXPECT_EQ(copy->GetVoiceTrack()->GetValue(), timed->GetVoiceTrack()->GetValue());
    EXPECT_TRUE(copy->GetParents()->IsEmpty());
    EXPECT_EQ(copy->GetRefCount(), 1);   // the test's only
    ECWithTimeChild* parentCopy = hold(new ECWithTimeChild(*both));
    EXPECT_TRUE(parentCopy->GetChildren()->IsEmpty());
    EXPECT_EQ(parentCopy->GetFlags(), ECBase::EF_TIME);
}

// ---- links -----------------------------------------------------------------------------

TEST(ECBase, ChildrenAreLinkedBothWaysAndKeptInTimeOrder) {
    Held hold;
    ECWithChild* parent = hold(new ECWithChild);
    ECWithTime* late = hold(new ECWithTime);
    ECWithTime* early = hold(new ECWithTime);
    MCTime t1(1.0f), t2(2.0f);
    late->SetTime(&t2);
    early->SetTime(&t1);

    EXPECT_EQ(parent->AddChild(late, SORTED), 1);
    EXPECT_EQ(parent->AddChild(early, SORTED), 1);
    EXPECT_EQ(parent->GetChildren()->GetHead(), early);
    EXPECT_EQ(parent->GetFlags() & ECBase::EF_CHILDREN, ECBase::EF_CHILDREN);
    EXPECT_EQ(early->GetParents()->GetHead(), parent);
    EXPECT_EQ(parent->GetRefCount(), 3);   // the test and both children's parents lists
    EXPECT_EQ(early->GetRefCount(), 2);

    // Refusals.
    EXPECT_EQ(parent->AddChild(parent, UNSORTED), 0);
    EXPECT_EQ(parent->AddChild(nullptr, UNSORTED), 0);
    EXPECT_EQ(late->AddChild(early, UNSORTED), 0);   // a class without children
    EXPECT_EQ(late->RemoveChild(early, 0), 0);
    EXPECT_EQ(late->RemoveChildren(1), 0);
    EXPECT_EQ(parent->RemoveChild(hold(new ECWithTime), 0), 0);
    EXPECT_EQ(early->RemoveParent(late), 0);

    EXPECT_EQ(parent->RemoveChild(early, 0), 1);
    EXPECT_EQ(parent->RemoveChildren(0), 1);
    EXPECT_EQ(parent->GetFlags() & ECBase::EF_CHILDREN, 0u);
    EXPECT_TRUE(late->GetParents()->IsEmpty());
    EXPECT_EQ(parent->GetRefCount(), 1);
}

// C under P (and under P2 when asked); C holds G1 and G2; G1 holds GG and
// hangs under O too. A child that loses its last parent detaches its own
// children in turn, so G2 and everything only C held go; G1 keeps GG unless
// the removal is deep.
struct Family {
    Held hold;
    ECWithChild* p = hold(new ECWithChild);
    ECWithChild* p2 = hold(new ECWithChild);
    ECWithChild* o = hold(new ECWithChild);
    ECWithChild* c = hold(new ECWithChild);
    ECWithChild* g1 = hold(new ECWithChild);
    ECWithChild* g2 = hold(new ECWithChild);
    ECWithChild* gg = hold(new ECWithChild);
    ECWithChild* g2child = hold(new ECWithChild);

    explicit Family(bool secondParent) {
        p->AddChild(c, UNSORTED);
        if (secondParent)
            p2->AddChild(c, UNSORTED);
        c->AddChild(g1, UNSORTED);
        c->AddChild(g2, UNSORTED);
        o->AddChild(g1, UNSORTED);
        g1->AddChild(gg, UNSORTED);
        g2->AddChild(g2child, UNSORTED);
    }
};

TEST(ECBase, LosingTheOnlyParentDetachesTheChildrenNotDeeply) {
    Family f(false);
    EXPECT_EQ(f.p->RemoveChild(f.c, 0), 1);
    EXPECT_TRUE(f.c->GetParents()->IsEmpty());
    EXPECT_TRUE(f.c->GetChildren()->IsEmpty());
    EXPECT_EQ(f.g1->GetParents()->GetHead(), f.o);
    EXPECT_EQ(f.g1->GetChildren()->GetCount(), 1);   // G1 loses C, but keeps GG
    EXPECT_EQ(f.gg->GetParents()->GetHead(), f.g1);
    EXPECT_TRUE(f.g2->GetChildren()->IsEmpty());     // G2 lost its last parent in turn
    EXPECT_TRUE(f.g2child->GetParents()->IsEmpty());
}

TEST(ECBase, LosingOneOfTwoParentsDetachesNothing) {
    Family f(true);
    EXPECT_EQ(f.p->RemoveChild(f.c, 0), 1);
    EXPECT_EQ(f.c->GetParents()->GetCount(), 1);
    EXPECT_EQ(f.c->GetParents()->GetHead(), f.p2);
    EXPECT_EQ(f.c->GetChildren()->GetCount(), 2);
}

TEST(ECBase, RemoveFromParentsLeavesNeitherParentsNorChildren) {
    Family f(true);
    EXPECT_EQ(f.c->RemoveFromParents(), 1);
    EXPECT_TRUE(f.c->GetParents()->IsEmpty());
    EXPECT_TRUE(f.c->GetChildren()->IsEmpty());
    EXPECT_TRUE(f.p->GetChildren()->IsEmpty());
    EXPECT_TRUE(f.p2->GetChildren()->IsEmpty());
    EXPECT_EQ(f.g1->GetChildren()->GetCount(), 1);
    EXPECT_TRUE(f.g2->GetChildren()->IsEmpty());
    EXPECT_EQ(f.c->GetRefCount(), 1);
}

TEST(ECBase, DeepRemovalKeepsASharedChildUnderItsOtherParent) {
    Family f(true);
    EXPECT_EQ(f.p->RemoveChild(f.c, 1), 1);
    EXPECT_EQ(f.c->GetParents()->GetHead(), f.p2);   // alive under P2
    EXPECT_TRUE(f.c->GetChildren()->IsEmpty());      // its own children detached ...
    EXPECT_TRUE(f.g1->GetChildren()->IsEmpty());     // ... deeply, though G1 is still under O
    EXPECT_EQ(f.g1->GetParents()->GetHead(), f.o);
    EXPECT_TRUE(f.gg->GetParents()->IsEmpty());
}

TEST(ECBase, DetachingFreesWhatNothingElseHolds) {
    const int before = ECTestCounted::s_alive;
    Held hold;
    ECWithChild* root = hold(new ECWithChild);
    auto* a = new ECTestCounted;
    auto* b = new ECTestCounted;
    auto* shared = new ECTestCounted;
    auto* kept = new ECTestCounted;
    root->AddChild(a, UNSORTED);
    root->AddChild(b, UNSORTED);
    a->AddChild(shared, UNSORTED);
    b->AddChild(shared, UNSORTED);
    shared->AddChild(hold(kept), UNSORTED);
    EXPECT_EQ(ECTestCounted::s_alive, before + 4);

    root->RemoveChildren(1);
    EXPECT_EQ(ECTestCounted::s_alive, before + 1);   // only the held one is left
    EXPECT_TRUE(kept->GetParents()->IsEmpty());
    EXPECT_EQ(kept->GetRefCount(), 1);

    // An event held only through its parents is freed when it leaves the last.
    auto* lone = new ECTestCounted;
    root->AddChild(lone, UNSORTED);
    lone->AddChild(new ECTestCounted, UNSORTED);
    lone->RemoveFromParents();
    EXPECT_EQ(ECTestCounted::s_alive, before + 1);
}

// ---- archive forms -------------------------------------------------------------------

TEST(ECBase, ArchiveFormsOfTheBases) {
    Held hold;
    ECWithTime* timed = hold(new ECWithTime);
    MCTime t(1.5f);
    timed->SetTime(&t);
    timed->SetVoiceTrack(2, 3);
    timed->SetIgnored(1);
    const std::vector<uint8_t> expectedTimed = {
        0xFF, 0xFF, 0x02, 0x00, 0x0A, 0x00, 'E', 'C', 'W', 'i', 't', 'h', 'T', 'i', 'm', 'e',
        0x0C,                          // flags: has time, ignored
        0x00, 0x00, 0x00, 0xC0, 0x3F,  // mode 0, 1.5
        0x32, 0x00,                    // voice 2, track 3
    };
    EXPECT_EQ(Store(timed, true), expectedTimed);

    // A parent: its flag byte, the children (count, each by reference), then
    // its own time and word; the child that appears twice is written once.
    ECWithTimeChild* parent = hold(new ECWithTimeChild);
    ECBase* child = hold(new ECBase);
    parent->AddChild(child, UNSORTED);
    parent->AddChild(child, UNSORTED);
    const std::vector<uint8_t> expectedParent = {
        0x06,                                            // has children, has time
        0x02, 0x00,                                      // two children
        0xFF, 0xFF, 0x02, 0x00, 0x06, 0x00, 'E', 'C', 'B', 'a', 's', 'e', 0x00,
        0x02, 0x00,                                      // the same child again
        0x00, 0x00, 0x00, 0x80, 0xBF,                    // the null time, -1.0
        0xFF, 0x7F,                                      // no voice, no track
    };
    EXPECT_EQ(Store(parent, false), expectedParent);
}

// ---- a large tree -----------------------------------------------------------------

// A performance over 10 staves of 100 measures of 9 notes (10,011 events).
// Every 37th note also hangs under the same measure of the next staff, and
// each staff's first measure shares a group (with 3 notes of its own) with
// the next staff's first measure. The caller holds the one reference.
ECPerformance* BuildLargeTree() {
    auto* performance = new ECPerformance;
    performance->Ref();
    std::vector<std::vector<ECWithTimeChild*>> measures(10);
    std::vector<std::pair<ECBase*, ECWithTimeChild*>> extraLinks;
    int noteNumber = 0;
    for (int s = 0; s < 10; ++s) {
        auto* staff = new ECWithTimeChild;
        staff->SetVoiceTrack(14, s + 1);
        MCTime zero(0.0f);
        staff->SetTime(&zero);
        performance->AddChild(staff, SORTED);
        for (int m = 0; m < 100; ++m) {
            auto* measure = new ECWithTimeChild;
            MCTime start(static_cast<float>(4 * m));
            measure->SetTime(&start);
            staff->AddChild(measure, SORTED);
            measures[s].push_back(measure);
            for (int n = 0; n < 9; ++n) {
                auto* note = new ECWithTime;
                MCTime at(static_cast<float>(4 * m) + 0.5f * static_cast<float>(n));
                if (n == 8)
                    at = MCTime(m + 1, 2, 240, 480);   // a bar/pulse/tick time now and then
                note->SetTime(&at);
                note->SetVoiceTrack(n % 4, s + 1);
                note->SetIgnored(n == 3);
                measure->AddChild(note, SORTED);
                if (++noteNumber % 37 == 0 && s < 9)
                    extraLinks.push_back({note, nullptr});
            }
        }
    }
    for (auto& [note, unused] : extraLinks) {
        (void)unused;
        ECBase* measure = note->GetParents()->GetHead();
        ECBase* staff = measure->GetParents()->GetHead();
        const int s = staff->GetVoiceTrack()->GetTrack() - 1;
        const auto m = std::find(measures[s].begin(), measures[s].end(), measure) - measures[s].begin();
        measures[s + 1][m]->AddChild(note, SORTED);
    }
    for (int s = 0; s < 9; ++s) {
        auto* group = new ECWithTimeChild;
        measures[s][0]->AddChild(group, SORTED);
        measures[s + 1][0]->AddChild(group, SORTED);
        for (int n = 0; n < 3; ++n)
            group->AddChild(new ECWithTime, UNSORTED);
    }
    return performance;
}

TEST(EventTree, SavesLoadsAndSavesTheSameBytes) {
    ECPerformance* original = BuildLargeTree();
    EXPECT_GE(ExpectCountsMatchLinks(original, {{original, 1}}), 10000u);

    const std::vector<uint8_t> first = Store(original, false);
    ECPerformance* loaded = LoadTree(first).performance;
    const std::vector<uint8_t> second = Store(loaded, false);
    EXPECT_EQ(first.size(), second.size());
    EXPECT_TRUE(first == second);

    // The counts on both sides are exactly the links (and the test's hold).
    const size_t events = ExpectCountsMatchLinks(loaded, {{loaded, 1}});
    EXPECT_EQ(events, Reachable(original).size());

    // Each event reached through two parents was read once: one object with
    // both parents, at the places the original has it.
    const std::vector<ECBase*> before = Reachable(original);
    const std::vector<ECBase*> after = Reachable(loaded);
    size_t shared = 0;
    for (size_t i = 0; i < before.size(); ++i) {
        ASSERT_EQ(after[i]->GetParents()->GetCount(), before[i]->GetParents()->GetCount()) << i;
        if (before[i]->GetParents()->GetCount() == 2) {
            ++shared;
            ECBase* first = after[i]->GetParents()->GetHead();
            ECBase* last = after[i]->GetParents()->GetTail();
            EXPECT_NE(first, last);
            EXPECT_TRUE(first->GetChildren()->Find(after[i]));
            EXPECT_TRUE(last->GetChildren()->Find(after[i]));
        }
    }
    EXPECT_GT(shared, 200u);
    FreeTree(original);
    FreeTree(loaded);
}

TEST(EventTree, DamagedDataThrowsAndLeavesNothingBehind) {
    // P -> A [B, C], D [C]: C shared; all counted.
    const int before = ECTestCounted::s_alive;
    auto* performance = new ECPerformance;
    performance->Ref();
    auto* a = new ECTestCounted;
    auto* b = new ECTestCounted;
    auto* c = new ECTestCounted;
    auto* d = new ECTestCounted;
    performance->AddChild(a, UNSORTED);
    performance->AddChild(d, UNSORTED);
    a->AddChild(b, UNSORTED);
    a->AddChild(c, UNSORTED);
    d->AddChild(c, UNSORTED);
    const std::vector<uint8_t> bytes = Store(performance, false);
    FreeTree(performance);
    ASSERT_EQ(ECTestCounted::s_alive, before);

    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        const Loaded loaded = LoadTree({bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(cut)});
        EXPECT_TRUE(loaded.failed) << cut;
        FreeTree(loaded.performance);
        EXPECT_EQ(ECTestCounted::s_alive, before) << "left behind after a cut at " << cut;
    }
}

// Read with no load guard to free it, an event whose reading fails is freed
// by the archive, children and all; the guard's own clean-up (above) is not
// doubled when there is one.
TEST(EventTree, AnEventWhoseReadingFailsWithNoGuardIsFreedAtOnce) {
    const int before = ECTestCounted::s_alive;
    auto* event = new ECTestCounted;
    event->AddChild(new ECTestCounted, UNSORTED);
    event->AddChild(new ECTestCounted, UNSORTED);
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar.WriteObject(event);
        ar.Close();
    }
    const std::vector<uint8_t> bytes = file.Detach();
    event->Ref();
    event->RemoveChildren(1);
    event->Unref(1);
    ASSERT_EQ(ECTestCounted::s_alive, before);

    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        CMemFile part(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(cut)));
        CArchive ar(&part, CArchive::load);
        EXPECT_THROW(ECBase::ReadEvent(ar, 0), CArchiveException) << cut;
        EXPECT_EQ(ECTestCounted::s_alive, before) << "left behind after a cut at " << cut;
    }
}

TEST(EventTree, AFileMakingAnEventItsOwnDescendantIsRefused) {
    const int before = ECTestCounted::s_alive;
    // Child references: to the event itself, and to its parent still being read.
    for (WORD back : {WORD{2}, WORD{3}}) {
        CMemFile file;
        {
            CArchive ar(&file, CArchive::store);
            const char name[] = "ECTestCounted";
            ar << BYTE{0x06} << WORD{1};                                   // the root: one child
            ar << WORD{0xFFFF} << WORD{2} << WORD{sizeof name - 1};        // class, index 1
            ar.Write(name, sizeof name - 1);
            ar << BYTE{0x06} << WORD{1};                                   // event 2: one child
            ar << WORD{0x8001};                                            // event 3, same class
            ar << BYTE{0x06} << WORD{1} << back;                           // its child: 2 or 3
            ar.Close();
        }
        const Loaded loaded = LoadTree(file.Detach());
        EXPECT_TRUE(loaded.failed) << "a cycle was loaded";
        EXPECT_EQ(loaded.cause, CArchiveException::badIndex);
        FreeTree(loaded.performance);
        EXPECT_EQ(ECTestCounted::s_alive, before);
    }
}

}  // namespace
