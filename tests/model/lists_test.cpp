// MCObList and MCEventList: order of insertion and removal, references held
// by event lists, the time order of sorted insertion and Sort, the searches,
// and the selection helpers (duplicates, ancestors, mirrors).
#include "model/eventtypes.h"
#include "model/lists.h"

#include "platform/core/archive.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// An event with a name and a type of its choosing, with a time or without
// one (GetTime null); counts the living.
class NamedEvent : public ECWithTimeChild {
public:
    static int s_alive;

    NamedEvent(std::string name, int type = ET_NOTE) : m_name(std::move(name)), m_type(type) { ++s_alive; }
    NamedEvent(std::string name, float time, int type = ET_NOTE) : NamedEvent(std::move(name), type) {
        MCTime t(time);
        SetTime(&t);
        m_timed = true;
    }
    ~NamedEvent() override { --s_alive; }

    int GetClassType() const override { return m_type; }
    MCTime* GetTime() override { return m_timed ? ECWithTimeChild::GetTime() : nullptr; }
    const std::string& Name() const { return m_name; }

    ECBase* m_shows = nullptr;   // for mirrors: the event shown

private:
    std::string m_name;
    int m_type;
    bool m_timed = false;
};
int NamedEvent::s_alive = 0;

// An event of another class.
class UntimedEvent : public ECWithChild {
public:
    explicit UntimedEvent(std::string name) : m_name(std::move(name)) {}
    const std::string& Name() const { return m_name; }

private:
    std::string m_name;
};

std::string NameOf(CObject* object) {
    if (auto* named = dynamic_cast<NamedEvent*>(object))
        return named->Name();
    if (auto* untimed = dynamic_cast<UntimedEvent*>(object))
        return untimed->Name();
    return object ? "?" : "null";
}

std::string Names(const MCObList& list) {
    std::string names;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        if (!names.empty())
            names += ' ';
        names += NameOf(list.GetNext(pos));
    }
    return names;
}

// Events the test keeps alive with a reference of its own.
class Events {
public:
    ~Events() {
        for (ECBase* event : m_held) {
            event->RemoveChildren(0);
            event->Unref(1);
        }
    }
    NamedEvent* Timed(const std::string& name, float time, int type = ET_NOTE) {
        return Hold(new NamedEvent(name, time, type));
    }
    NamedEvent* Untimed(const std::string& name, int type = ET_NOTE) { return Hold(new NamedEvent(name, type)); }

private:
    NamedEvent* Hold(NamedEvent* event) {
        event->Ref();
        m_held.push_back(event);
        return event;
    }
    std::vector<ECBase*> m_held;
};

// ---- MCObList -----------------------------------------------------------------

TEST(MCObList, InsertsAndRemovesAtEveryPlace) {
    Events ev;
    NamedEvent *a = ev.Untimed("A"), *b = ev.Untimed("B"), *c = ev.Untimed("C"), *d = ev.Untimed("D");
    MCObList list;
    list.AddTail(b);
    list.AddHead(a);
    POSITION posB = list.Find(b);
    list.InsertAfter(posB, d);
    list.InsertBefore(list.Find(d), c);
    EXPECT_EQ(Names(list), "A B C D");
    EXPECT_EQ(list.GetCount(), 4);

    list.InsertBefore(nullptr, d);   // null position: the head
    list.InsertAfter(nullptr, a);    // and the tail
    EXPECT_EQ(Names(list), "D A B C D A");
    EXPECT_EQ(list.Find(a, list.Find(a)), list.GetTailPosition());
    EXPECT_EQ(list.FindIndex(2), posB);
    EXPECT_EQ(list.FindIndex(6), nullptr);

    EXPECT_EQ(list.RemoveHead(), d);
    EXPECT_EQ(list.RemoveTail(), a);
    EXPECT_EQ(list.RemoveAt(posB), b);
    EXPECT_EQ(Names(list), "A C D");
    list.SetAt(list.GetHeadPosition(), c);
    EXPECT_EQ(Names(list), "C C D");
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.GetHeadPosition(), nullptr);
    EXPECT_EQ(list.GetTailPosition(), nullptr);
}

TEST(MCObList, ListFormsKeepTheOtherListsOrder) {
    Events ev;
    NamedEvent *a = ev.Untimed("A"), *b = ev.Untimed("B"), *x = ev.Untimed("X"), *y = ev.Untimed("Y");
    MCObList other;
    other.AddTail(x);
    other.AddTail(y);

    MCObList list;
    list.AddTail(a);
    list.AddTail(b);
    list.AddHead(&other);
    EXPECT_EQ(Names(list), "X Y A B");
    list.AddTail(&other);
    EXPECT_EQ(Names(list), "X Y A B X Y");
    list.RemoveAll();

    list.AddTail(a);
    list.AddTail(b);
    list.InsertAfter(list.GetHeadPosition(), &other);
    EXPECT_EQ(Names(list), "A X Y B");
    list.InsertBefore(list.GetTailPosition(), &other);
    EXPECT_EQ(Names(list), "A X Y X Y B");

    // A list added to itself doubles once, not forever.
    MCObList self;
    self.AddTail(a);
    self.AddTail(b);
    self.AddTail(&self);
    EXPECT_EQ(Names(self), "A B A B");
    self.AddHead(&self);
    EXPECT_EQ(self.GetCount(), 8);
}

TEST(MCObList, WalksWithAClassFilter) {
    Events ev;
    NamedEvent* timed = ev.Untimed("T");
    auto* untimed = new UntimedEvent("U");
    untimed->Ref();
    MCObList list;
    list.AddTail(untimed);
    list.AddTail(timed);
    list.AddTail(static_cast<CObject*>(nullptr));
    list.AddTail(untimed);

    std::vector<std::string> forward;
    POSITION pos = list.GetHeadPosition();
    while (CObject* object = list.GetNext(pos, RUNTIME_CLASS(ECWithChild)))
        forward.push_back(NameOf(object));
    // Both classes derive from ECWithChild; the null entry is passed over.
    EXPECT_EQ(forward, (std::vector<std::string>{"U", "T", "U"}));

    std::vector<std::string> backward;
    pos = list.GetTailPosition();
    while (CObject* object = list.GetPrev(pos, RUNTIME_CLASS(ECWithTimeChild)))
        backward.push_back(NameOf(object));
    EXPECT_EQ(backward, (std::vector<std::string>{"T"}));
    EXPECT_EQ(pos, nullptr);
    untimed->Unref(1);
}

TEST(MCObList, ArchivesCountThenObjectsByReference) {
    ECBase* event = new ECBase;
    MCObList list;
    list.AddTail(event);
    list.AddTail(static_cast<CObject*>(nullptr));
    list.AddTail(event);

    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        list.Serialize(ar);
        ar.Close();
    }
    const std::vector<uint8_t> bytes = file.Detach();
    const std::vector<uint8_t> expected = {
        0x03, 0x00,                                        // count
        0xFF, 0xFF, 0x02, 0x00, 0x06, 0x00, 'E', 'C', 'B', 'a', 's', 'e',   // new class, schema 2
        0x00,                                              // the event: its flag byte
        0x00, 0x00,                                        // null
        0x02, 0x00,                                        // the event again (index 2)
    };
    EXPECT_EQ(bytes, expected);

    CMemFile in(bytes);
    CArchive ar(&in, CArchive::load);
    MCObList loaded;
    loaded.Serialize(ar);
    ASSERT_EQ(loaded.GetCount(), 3);
    EXPECT_EQ(loaded.GetHead(), loaded.GetTail());
    EXPECT_EQ(loaded.GetAt(loaded.FindIndex(1)), nullptr);
    static_cast<ECBase*>(loaded.GetHead())->Unref(1);   // an object list holds no references
    event->Unref(1);
}

// ---- MCEventList: references ------------------------------------------------------

TEST(MCEventList, HoldsAReferenceOnEachEvent) {
    const int before = NamedEvent::s_alive;
    auto* e = new NamedEvent("E");
    {
        MCEventList first, second;
        first.AddEvent(e, UNSORTED);
        second.AddEvent(e, UNSORTED);
        EXPECT_EQ(e->GetRefCount(), 2);
        EXPECT_EQ(first.RemoveEvent(e), 1);   // one of two lists: it lives
        EXPECT_EQ(NamedEvent::s_alive, before + 1);
        EXPECT_EQ(first.RemoveEvent(e), 0);
        EXPECT_EQ(e->GetRefCount(), 1);
        second.RemoveEvent(e);                // the only list: it goes
        EXPECT_EQ(NamedEvent::s_alive, before);
    }
    {
        MCEventList list;
        list.AddEvent(new NamedEvent("F"), UNSORTED);
        list.AddEvent(new NamedEvent("G"), UNSORTED);
        EXPECT_EQ(NamedEvent::s_alive, before + 2);
    }   // the destructor drops them
    EXPECT_EQ(NamedEvent::s_alive, before);
}

TEST(MCEventList, SetAtTakesTheNewReferenceAndDropsTheOld) {
    const int before = NamedEvent::s_alive;
    auto* a = new NamedEvent("A");
    auto* b = new NamedEvent("B");
    MCEventList list;
    list.AddEvent(a, UNSORTED);
    list.SetAt(list.GetHeadPosition(), b);
    EXPECT_EQ(NamedEvent::s_alive, before + 1);   // A went with its only reference
    EXPECT_EQ(b->GetRefCount(), 1);
    list.SetAt(list.GetHeadPosition(), b);        // the same event again: still alive
    EXPECT_EQ(b->GetRefCount(), 1);
    EXPECT_EQ(list.GetHead(), b);
    EXPECT_EQ(list.AddEvent(nullptr, SORTED), nullptr);
    EXPECT_EQ(list.GetCount(), 1);
}

// ---- MCEventList: time order ------------------------------------------------------

TEST(MCEventList, SortedInsertionGoesAfterEqualTimes) {
    Events ev;
    MCEventList list;
    for (auto [name, time] : {std::pair{"t1", 1.0f}, {"t2a", 2.0f}, {"t2b", 2.0f}, {"t3", 3.0f}})
        list.AddEvent(ev.Timed(name, time), UNSORTED);

    list.AddEvent(ev.Timed("new2", 2.0f), SORTED);
    EXPECT_EQ(Names(list), "t1 t2a t2b new2 t3");
    list.AddEvent(ev.Untimed("none"), SORTED);
    EXPECT_EQ(Names(list), "none t1 t2a t2b new2 t3");
    list.AddEvent(ev.Timed("early", 0.5f), SORTED);   // after the untimed head, before t1
    list.AddEvent(ev.Timed("late", 9.0f), SORTED);
    list.AddEvent(ev.Timed("nullTime", -1.0f), SORTED);   // the null time sorts below zero
    EXPECT_EQ(Names(list), "none nullTime early t1 t2a t2b new2 t3 late");
    list.AddEvent(ev.Timed("tail", 0.0f), UNSORTED);
    EXPECT_EQ(list.GetTail(), list.GetAt(list.GetTailPosition()));
    EXPECT_EQ(NameOf(list.GetTail()), "tail");
}

TEST(MCEventList, AddEventsKeepsOrderOrSorts) {
    Events ev;
    MCEventList source;
    source.AddEvent(ev.Timed("c", 3.0f), UNSORTED);
    source.AddEvent(ev.Timed("a", 1.0f), UNSORTED);
    MCEventList list;
    list.AddEvent(ev.Timed("b", 2.0f), UNSORTED);
    list.AddEvents(&source, UNSORTED);
    EXPECT_EQ(Names(list), "b c a");
    MCEventList sorted;
    sorted.AddEvent(ev.Timed("b", 2.0f), SORTED);
    sorted.AddEvents(&source, SORTED);
    EXPECT_EQ(Names(sorted), "a b c");

    list.RemoveEvents(&source);
    EXPECT_EQ(Names(list), "b");
}

TEST(MCEventList, SortIsTheSelectionSort) {
    Events ev;
    const struct {
        std::vector<std::pair<const char*, float>> in;   // a negative time: no time
        const char* expected;
    } cases[] = {
        {{{"c", 3}, {"x", -2}, {"a", 1}, {"b", 2}, {"y", -2}}, "x y a b c"},
        // Not stable: equal times come out as the exchanges leave them.
        {{{"B2", 2}, {"A1", 1}, {"C2", 2}, {"D1", 1}}, "A1 D1 C2 B2"},
        {{{"a", 1}, {"b", 1}, {"c", 2}}, "a b c"},
        // Distinct times have one order (sorted the fast way).
        {{{"d", 4}, {"b", 2}, {"e", 5}, {"a", 1}, {"c", 3}}, "a b c d e"},
        {{}, ""},
    };
    for (const auto& c : cases) {
        MCEventList list;
        for (auto [name, time] : c.in)
            list.AddEvent(time < -1 ? ev.Untimed(name) : ev.Timed(name, time), UNSORTED);
        list.Sort();
        EXPECT_EQ(Names(list), c.expected);
    }
}

// A long list answers Find from its index; whatever it went through (events
// added anywhere, repeated, replaced, removed, sorted, the list emptied and
// filled again) the answer is the first node holding the event, as the walk
// of the linked list finds it.
TEST(MCEventList, FindAnswersAsTheWalkWhateverTheListWentThrough) {
    Events ev;
    std::vector<NamedEvent*> events;
    for (int i = 0; i < 60; ++i)
        events.push_back(ev.Timed("e" + std::to_string(i), static_cast<float>(i % 7)));
    std::mt19937 random(1789);
    auto any = [&](size_t n) { return static_cast<size_t>(random() % n); };
    auto positionAt = [](MCEventList& list, size_t i) { return list.FindIndex(static_cast<int>(i)); };

    MCEventList list;
    const MCObList& walked = list;   // the linked list's own search
    int indexed = 0;
    for (int step = 0; step < 6000; ++step) {
        NamedEvent* event = events[any(events.size())];
        const size_t count = static_cast<size_t>(list.GetCount());
        switch (any(count < 150 ? 6 : 9)) {
        case 0: list.AddTail(event); break;
        case 1: list.AddHead(event); break;
        case 2: list.AddEvent(event, SORTED); break;
        case 3:
        case 4:
            if (count)
                list.InsertAfter(positionAt(list, any(count)), event);
            break;
        case 5:
            if (count)
                list.SetAt(positionAt(list, any(count)), event);
            break;
        case 6:
        case 7:
            if (count)
                list.RemoveAt(positionAt(list, any(count)));
            break;
        default:
            if (any(10) == 0)
                list.Sort();
            else
                list.RemoveEvent(event);
            break;
        }
        if (step % 2000 == 1999)
            list.RemoveAll();
        for (int probe = 0; probe < 3; ++probe) {
            NamedEvent* sought = events[any(events.size())];
            ASSERT_EQ(list.Find(sought), walked.Find(sought)) << "step " << step << " " << sought->Name();
        }
        indexed += list.GetCount() >= 64;
    }
    EXPECT_GT(indexed, 3000);   // the index answered much of the run
    // After a given node, the walk answers.
    list.RemoveAll();
    for (int i = 0; i < 100; ++i)
        list.AddTail(events[static_cast<size_t>(i % 3)]);
    POSITION first = list.Find(events[1]);
    EXPECT_EQ(first, list.FindIndex(1));
    EXPECT_EQ(list.Find(events[1], first), list.FindIndex(4));
}

TEST(MCEventList, FindsByTimeAndType) {
    Events ev;
    MCEventList list;
    NamedEvent* none = ev.Untimed("none", ET_REST);
    NamedEvent* n1 = ev.Timed("n1", 1, ET_NOTE);
    NamedEvent* r2 = ev.Timed("r2", 2, ET_REST);
    NamedEvent* n3 = ev.Timed("n3", 3, ET_NOTE);
    for (NamedEvent* e : {none, n1, r2, n3})
        list.AddEvent(e, UNSORTED);
    auto at = [&](POSITION pos) { return pos ? NameOf(list.GetAt(pos)) : std::string("null"); };

    EXPECT_EQ(at(list.FindTime(MCTime(1.0f))), "r2");            // strictly after
    EXPECT_EQ(at(list.FindTime(MCTime(0.0f))), "n1");            // the untimed one is passed over
    EXPECT_EQ(at(list.FindTime(MCTime(3.0f))), "null");
    EXPECT_EQ(at(list.FindTime(MCTime(0.0f), list.Find(n1))), "r2");
    EXPECT_EQ(at(list.FindTimeReverse(MCTime(2.5f))), "r2");     // not after
    EXPECT_EQ(at(list.FindTimeReverse(MCTime(2.0f))), "r2");
    EXPECT_EQ(at(list.FindTimeReverse(MCTime(2.0f), list.Find(r2))), "n1");
    EXPECT_EQ(at(list.FindTimeReverse(MCTime(0.5f))), "null");

    EXPECT_EQ(at(list.FindEvent(ET_NOTE)), "n1");
    EXPECT_EQ(at(list.FindEvent(ET_NOTE, list.Find(n1))), "n3");
    EXPECT_EQ(at(list.FindEventReverse(ET_REST)), "r2");
    EXPECT_EQ(at(list.FindEventReverse(ET_REST, list.Find(r2))), "none");
    EXPECT_EQ(at(list.FindEvent(ET_CLEF)), "null");
}

TEST(MCEventList, GetEventTypeNamesTheCommonType) {
    Events ev;
    MCEventList list;
    EXPECT_EQ(list.GetEventType(), -1);
    list.AddEvent(ev.Timed("n1", 1, ET_NOTE), UNSORTED);
    list.AddEvent(ev.Timed("n2", 2, ET_NOTE), UNSORTED);
    EXPECT_EQ(list.GetEventType(), ET_NOTE);
    list.AddEvent(ev.Timed("r", 3, ET_REST), UNSORTED);
    EXPECT_EQ(list.GetEventType(), -2);
}

// ---- MCEventList: selections ------------------------------------------------------

TEST(MCEventList, RemoveDuplicatesKeepsTheLastOccurrence) {
    Events ev;
    NamedEvent *a = ev.Untimed("A"), *b = ev.Untimed("B"), *c = ev.Untimed("C");
    MCEventList list;
    for (NamedEvent* e : {a, b, a})
        list.AddEvent(e, UNSORTED);
    list.RemoveDuplicates();
    EXPECT_EQ(Names(list), "B A");
    EXPECT_EQ(a->GetRefCount(), 2);   // the test's and the list's

    MCEventList longer;
    for (NamedEvent* e : {c, a, c, b, a, c})
        longer.AddEvent(e, UNSORTED);
    longer.RemoveDuplicates();
    EXPECT_EQ(Names(longer), "B A C");
}

TEST(MCEventList, CollapseToAncestorsKeepsTheTopmost) {
    // P -> C -> G, and G also under Q; X stands alone.
    Events ev;
    NamedEvent *p = ev.Untimed("P"), *c = ev.Untimed("C"), *g = ev.Untimed("G");
    NamedEvent *q = ev.Untimed("Q"), *x = ev.Untimed("X");
    p->AddChild(c, UNSORTED);
    c->AddChild(g, UNSORTED);
    q->AddChild(g, UNSORTED);

    const struct {
        std::vector<NamedEvent*> in;
        const char* expected;
    } cases[] = {
        {{g, x, c}, "X C"},
        {{g, p}, "P"},          // through two levels
        {{g, q, c}, "Q C"},     // either parent suffices
        {{c, q}, "C Q"},        // neither is above the other
        {{g, g}, "G G"},        // an event is not its own ancestor
    };
    for (const auto& cs : cases) {
        MCEventList list;
        for (NamedEvent* e : cs.in)
            list.AddEvent(e, UNSORTED);
        list.CollapseToAncestors();
        EXPECT_EQ(Names(list), cs.expected);
    }
}

ECBase* ShownBy(ECBase* mirror) {
    return static_cast<NamedEvent*>(mirror)->m_shows;
}

TEST(MCEventList, ReplaceMirrorsPutsTheShownEventInPlace) {
    Events ev;
    NamedEvent *a = ev.Untimed("A"), *b = ev.Untimed("B"), *s = ev.Untimed("S");
    NamedEvent* m1 = ev.Untimed("M1", ET_MIRROR);
    NamedEvent* m2 = ev.Untimed("M2", ET_MIRROR);
    NamedEvent* blank = ev.Untimed("M0", ET_MIRROR);
    m1->m_shows = s;
    m2->m_shows = a;

    const auto previous = MCEventList::SetMirrorResolver(&ShownBy);
    MCEventList list;
    for (NamedEvent* e : {a, m1, b, blank, m2})
        list.AddEvent(e, UNSORTED);
    list.ReplaceMirrors(0);
    EXPECT_EQ(Names(list), "A S B A");   // the last mirror's event goes to the tail

    MCEventList again;
    for (NamedEvent* e : {a, m1, b, m2})
        again.AddEvent(e, UNSORTED);
    again.ReplaceMirrors(1);
    EXPECT_EQ(Names(again), "S B A");
    MCEventList::SetMirrorResolver(previous);
}

}  // namespace
