// MCObList and MCEventList: the doubly linked object list and the list of
// reference-counted events.
#include "model/lists.h"

#include "model/event.h"
#include "model/eventtypes.h"
#include "platform/core/archive.h"
#include "platform/core/trace.h"

#include <algorithm>
#include <cassert>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

IMPLEMENT_SERIAL(MCObList, CObject, VERSIONABLE_SCHEMA | 1)
IMPLEMENT_SERIAL(MCEventList, MCObList, VERSIONABLE_SCHEMA | 1)

// ---- MCObList ---------------------------------------------------------------

MCObList::MCObList(int /*blockSize*/) {}

void MCObList::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<uint64_t>(GetCount()));
        for (POSITION pos = GetHeadPosition(); pos;)
            ar.WriteObject(GetNext(pos));
    } else {
        const DWORD count = ar.ReadCount(2);   // each element takes its 2-byte tag at least
        for (DWORD i = 0; i < count; ++i)
            AddTail(ar.ReadObject(nullptr));
    }
}

CObject* MCObList::Step(POSITION& pos, const CRuntimeClass* filter, bool backwards) const {
    while (pos) {
        CObject* object = backwards ? GetPrev(pos) : GetNext(pos);
        if (!filter || (object && object->IsKindOf(filter)))
            return object;
    }
    return nullptr;
}

CObject* MCObList::GetNext(POSITION& pos, const CRuntimeClass* filter) const {
    return Step(pos, filter, false);
}

CObject* MCObList::GetPrev(POSITION& pos, const CRuntimeClass* filter) const {
    return Step(pos, filter, true);
}

// ---- MCEventList: references ------------------------------------------------

MCEventList::MirrorResolver MCEventList::s_mirrorResolver = nullptr;

// The index of a list's events: for each event, how many nodes hold it and,
// when that is known, the first of them (null: Find walks, and notes the
// node it found when the event is held once).
struct MCEventList::Index {
    struct Entry {
        CNode* node = nullptr;
        int count = 0;
    };
    std::unordered_map<const CObject*, Entry> entries;
};

namespace {

// A list shorter than this is searched by walking it: an index would cost
// more than it saves (most lists of the tree hold a few events).
constexpr int kIndexFrom = 64;

}  // namespace

MCEventList::MCEventList(int blockSize) : MCObList(blockSize) {}

MCEventList::~MCEventList() {
    m_pIndex.reset();   // every node goes: nothing to keep up
    // Here, not in the base destructor, so that FreeNode drops the references.
    RemoveAll();
}

MCObList::CNode* MCEventList::NewNode(CObject* event, CNode* prev, CNode* next) {
    assert(event && event->IsKindOf(RUNTIME_CLASS(ECBase)));
    CNode* node = MCObList::NewNode(event, prev, next);
    IndexNode(node);
    if (event)
        Event(event)->Ref();
    return node;
}

void MCEventList::FreeNode(CNode* node) {
    // The node goes first: dropping the reference may delete the event, and
    // what its destruction touches must see this list without it.
    ECBase* event = Event(node->data);
    UnindexNode(node);
    MCObList::FreeNode(node);
    if (event)
        event->Unref(1);
}

void MCEventList::SetAt(POSITION pos, CObject* event) {
    assert(!event || event->IsKindOf(RUNTIME_CLASS(ECBase)));
    CNode* node = Node(pos);
    ECBase* old = Event(node->data);
    if (event)
        Event(event)->Ref();
    UnindexNode(node);
    node->data = event;
    IndexNode(node);
    if (old)
        old->Unref(1);
}

// ---- MCEventList: the index -------------------------------------------------

void MCEventList::IndexNode(CNode* node) const {
    if (!m_pIndex)
        return;
    Index::Entry& entry = m_pIndex->entries[node->data];
    // A second node makes the first one unknown here; Find walks for it.
    entry.node = entry.count++ == 0 ? node : nullptr;
}

void MCEventList::UnindexNode(CNode* node) const {
    if (!m_pIndex)
        return;
    auto found = m_pIndex->entries.find(node->data);
    if (found == m_pIndex->entries.end())
        return;
    Index::Entry& entry = found->second;
    if (--entry.count == 0)
        m_pIndex->entries.erase(found);
    else if (entry.node == node)
        entry.node = nullptr;
}

POSITION MCEventList::Find(const CObject* event, POSITION after) const {
    if (after || GetCount() < kIndexFrom)
        return MCObList::Find(event, after);
    if (!m_pIndex) {
        m_pIndex = std::make_unique<Index>();
        for (POSITION pos = GetHeadPosition(); pos; pos = Node(pos)->pNext)
            IndexNode(Node(pos));
    }
    auto found = m_pIndex->entries.find(event);
    if (found == m_pIndex->entries.end())
        return nullptr;
    Index::Entry& entry = found->second;
    if (entry.node)
        return entry.node;
    POSITION first = MCObList::Find(event, nullptr);
    if (entry.count == 1)
        entry.node = Node(first);
    return first;
}

// ---- MCEventList: archive ---------------------------------------------------

void MCEventList::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        MCObList::Serialize(ar);
        return;
    }
    const DWORD count = ar.ReadCount(2);
    for (DWORD i = 0; i < count; ++i) {
        ECBase* event = ECBase::ReadEvent(ar, 0);
        if (event)
            AddTail(event);
    }
}

void MCEventList::SerializeFromParent(CArchive& ar, ECBase* parent) {
    if (ar.IsStoring()) {
        MCObList::Serialize(ar);
        return;
    }
    const DWORD count = ar.ReadCount(2);
    for (DWORD i = 0; i < count; ++i) {
        ECBase* child = ECBase::ReadEvent(ar, 1);
        if (!child)
            continue;
        AddTail(child);
        if (parent)
            child->GetParents()->AddTail(parent);
    }
}

// ---- MCEventList: adding and removing ---------------------------------------

POSITION MCEventList::AddEvent(ECBase* event, int sorted) {
    if (!event)
        return nullptr;
    if (!sorted)
        return AddTail(event);
    const MCTime* time = event->GetTime();
    if (!time)
        return AddHead(event);
    // From the tail: after the last event whose time is not after this one's,
    // so events of one time keep the order they came in. Events without a
    // time sort before all others and so never come after this one.
    for (POSITION pos = GetTailPosition(); pos;) {
        POSITION here = pos;
        const MCTime* other = GetPrev(pos)->GetTime();
        if (!other || *time >= *other)
            return InsertAfter(here, event);
    }
    return AddHead(event);
}

POSITION MCEventList::AddEventAfter(ECBase* event, POSITION after) {
    const MCTime* time = event ? event->GetTime() : nullptr;
    if (!after || !time)
        return AddEvent(event, SORTED);
    POSITION place = after;
    for (POSITION pos = after; GetNext(pos), pos; place = pos) {
        const MCTime* other = GetAt(pos)->GetTime();
        if (other && !(*time >= *other))
            break;   // the first event after this one
    }
    return InsertAfter(place, event);
}

void MCEventList::AddEvents(const MCEventList* events, int sorted) {
    if (!events)
        return;
    if (!sorted) {
        AddTail(events);
        return;
    }
    std::vector<ECBase*> copy;   // the other list may be this one
    copy.reserve(static_cast<size_t>(events->GetCount()));
    for (POSITION pos = events->GetHeadPosition(); pos;)
        copy.push_back(events->GetNext(pos));
    for (ECBase* event : copy)
        AddEvent(event, sorted);
}

int MCEventList::RemoveEvent(ECBase* event) {
    POSITION pos = Find(event);
    if (!pos)
        return 0;
    RemoveAt(pos);
    return 1;
}

void MCEventList::RemoveEvents(const MCEventList* events) {
    if (!events)
        return;
    if (events == this) {
        RemoveAll();
        return;
    }
    for (POSITION pos = events->GetHeadPosition(); pos;)
        RemoveEvent(events->GetNext(pos));
}

// ---- MCEventList: searching -------------------------------------------------

namespace {

enum Walk { FORWARDS, BACKWARDS };

// The first position, walking from the node after (FORWARDS) or before
// (BACKWARDS) `from`, or from the head (tail) when it is null, whose event
// `match` accepts. Null if none.
template <class Match>
POSITION FindFirst(const MCEventList& list, POSITION from, Walk walk, Match match) {
    auto step = [&list, walk](POSITION& pos) { return walk == FORWARDS ? list.GetNext(pos) : list.GetPrev(pos); };
    POSITION pos = from;
    if (pos)
        step(pos);
    else
        pos = walk == FORWARDS ? list.GetHeadPosition() : list.GetTailPosition();
    while (pos) {
        POSITION here = pos;
        if (match(step(pos)))
            return here;
    }
    return nullptr;
}

}  // namespace

POSITION MCEventList::FindTime(const MCTime& t, POSITION after) const {
    return FindFirst(*this, after, FORWARDS, [&t](ECBase* event) {
        const MCTime* time = event->GetTime();
        return time && t < *time;
    });
}

POSITION MCEventList::FindTimeReverse(const MCTime& t, POSITION before) const {
    return FindFirst(*this, before, BACKWARDS, [&t](ECBase* event) {
        const MCTime* time = event->GetTime();
        return time && t >= *time;
    });
}

POSITION MCEventList::FindEvent(int type, POSITION after) const {
    return FindFirst(*this, after, FORWARDS, [type](ECBase* event) { return event->GetClassType() == type; });
}

POSITION MCEventList::FindEventReverse(int type, POSITION before) const {
    return FindFirst(*this, before, BACKWARDS, [type](ECBase* event) { return event->GetClassType() == type; });
}

int MCEventList::GetEventType() const {
    POSITION pos = GetHeadPosition();
    if (!pos)
        return -1;
    const int type = GetNext(pos)->GetClassType();
    while (pos) {
        if (GetNext(pos)->GetClassType() != type)
            return -2;
    }
    return type;
}

// ---- MCEventList: ordering --------------------------------------------------

namespace {

// The order of Sort: events without time first, then by time; 0 when neither
// comes first.
int CompareTimes(ECBase* a, ECBase* b) {
    const MCTime* ta = a->GetTime();
    const MCTime* tb = b->GetTime();
    if (!ta && !tb)
        return 0;
    if (!tb)
        return 1;
    if (!ta)
        return -1;
    if (*ta > *tb)
        return 1;
    if (*ta < *tb)
        return -1;
    return 0;
}

// Whether CompareTimes is a total order over these events (no bar/pulse/tick
// time, no NaN), so that a list ordered pair by pair is ordered throughout.
bool IsTotallyOrdered(ECBase* event) {
    const MCTime* time = event->GetTime();
    return !time || (time->GetMode() != TM_BPT && time->GetSeconds() == time->GetSeconds());
}

}  // namespace

bool MCEventList::IsSorted() const {
    bool ordered = true;
    ECBase* previous = nullptr;
    for (POSITION pos = GetHeadPosition(); pos && ordered;) {
        ECBase* event = GetNext(pos);
        ordered = IsTotallyOrdered(event) && (!previous || CompareTimes(previous, event) <= 0);
        previous = event;
    }
    return ordered;
}

void MCEventList::Sort() {
    // Children lists are nearly always in order already; then the selection
    // sort would exchange nothing, and a single pass proves it.
    if (IsSorted())
        return;
    m_pIndex.reset();   // events change nodes below; the next Find indexes again

    // With distinct times there is one order, whatever sorts it: a fast sort
    // then does. Only equal times need the selection sort's own order.
    std::vector<ECBase*> events;
    events.reserve(static_cast<size_t>(GetCount()));
    bool total = true;
    for (POSITION pos = GetHeadPosition(); pos;) {
        ECBase* event = GetNext(pos);
        total = total && IsTotallyOrdered(event);
        events.push_back(event);
    }
    if (total) {
        std::sort(events.begin(), events.end(), [](ECBase* a, ECBase* b) { return CompareTimes(a, b) < 0; });
        bool distinct = true;
        for (size_t i = 1; i < events.size() && distinct; ++i)
            distinct = CompareTimes(events[i - 1], events[i]) != 0;
        if (distinct) {
            size_t i = 0;
            for (CNode* node = Node(GetHeadPosition()); node; node = node->pNext)
                node->data = events[i++];
            return;
        }
    }

    // The selection sort proper: the event at i is exchanged with each later
    // one that sorts before it. Not stable; the order of equal times that
    // results is the one the system has always produced.
    for (CNode* i = Node(GetHeadPosition()); i; i = i->pNext) {
        for (CNode* j = i->pNext; j; j = j->pNext) {
            if (CompareTimes(Event(i->data), Event(j->data)) > 0)
                std::swap(i->data, j->data);
        }
    }
}

MCEventList::MirrorResolver MCEventList::SetMirrorResolver(MirrorResolver resolver) {
    return std::exchange(s_mirrorResolver, resolver);
}

void MCEventList::ReplaceMirrors(int removeDuplicates) {
    // The mirror class installs the resolver when it is registered
    // (mirror.cpp); a list used without it leaves mirrors in place, traced.
    for (CNode* node = Node(GetHeadPosition()); node;) {
        CNode* next = node->pNext;
        ECBase* event = Event(node->data);
        if (event->GetClassType() == ET_MIRROR) {
            if (!s_mirrorResolver) {
                Trace("MCEventList::ReplaceMirrors: no mirror resolver installed\n");
            } else {
                // The shown event takes the mirror's place; the walk goes on
                // after it, so it is not examined again. A mirror that shows
                // nothing just leaves.
                if (ECBase* shown = s_mirrorResolver(event)) {
                    if (next)
                        InsertBefore(next, shown);
                    else
                        AddTail(shown);
                }
                RemoveAt(node);
            }
        }
        node = next;
    }
    if (removeDuplicates)
        RemoveDuplicates();
}

void MCEventList::RemoveDuplicates() {
    // Walking from the tail, an event met before has a later occurrence: the
    // earlier node goes, so the last occurrence stays.
    std::unordered_set<ECBase*> seen;
    for (CNode* node = Node(GetTailPosition()); node;) {
        CNode* previous = node->pPrev;
        if (!seen.insert(Event(node->data)).second)
            RemoveAt(node);
        node = previous;
    }
}

void MCEventList::CollapseToAncestors() {
    std::unordered_set<ECBase*> listed;
    for (POSITION pos = GetHeadPosition(); pos;)
        listed.insert(GetNext(pos));

    // Whether any ancestor, through any chain of parents, is listed.
    auto hasListedAncestor = [&listed](ECBase* event) {
        std::vector<ECBase*> pending{event};
        std::unordered_set<ECBase*> visited{event};
        while (!pending.empty()) {
            ECBase* current = pending.back();
            pending.pop_back();
            MCEventList* parents = current->GetParents();
            for (POSITION pos = parents->GetHeadPosition(); pos;) {
                ECBase* parent = parents->GetNext(pos);
                if (!visited.insert(parent).second)
                    continue;
                if (listed.count(parent))
                    return true;
                pending.push_back(parent);
            }
        }
        return false;
    };

    std::unordered_set<ECBase*> covered;
    for (ECBase* event : listed) {
        if (hasListedAncestor(event))
            covered.insert(event);
    }
    for (CNode* node = Node(GetHeadPosition()); node;) {
        CNode* next = node->pNext;
        if (covered.count(Event(node->data)))
            RemoveAt(node);
        node = next;
    }
}
