// The object lists of the data model: MCObList, a doubly linked list of
// objects, and MCEventList, the list of reference-counted events that every
// holder of events uses (children and parents lists, selections, the lists
// inside commands and states).
//
// MCObList is the linked list of the model (model/nodelist.h: count, head,
// tail, positions, the virtual node and SetAt hooks) over objects; it owns its
// nodes, never the objects. It archives itself and walks with a class filter.
//
// MCEventList takes a reference on each event it holds (ECBase::Ref) when the
// event enters, and drops it with Unref(1) when the event leaves, which deletes
// the event when that was its last reference. So removing an event from a list
// may delete it: RemoveHead/RemoveTail/RemoveAt return the event as it was and
// the pointer is only safe when the caller holds a reference of its own.
// Its typed accessors (GetNext, GetHead ...) return ECBase*; the list accepts
// only events, and null pointers are refused. Children lists are kept in time
// order by AddEvent(e, SORTED): an event goes after every event of the same time.
//
// Lists take no lock: a list inside the event tree is guarded by the
// performance's lock (model/performance.h) like the rest of the tree.
#pragma once

#include "model/nodelist.h"
#include "platform/core/object.h"

#include <memory>

class CArchive;
class ECBase;
class MCTime;

// The `sorted` argument of AddEvent and AddChild.
enum : int {
    UNSORTED = 0,   // at the tail
    SORTED = 1,     // by time, after every event of the same time
};

class MCObList : public MCNodeList<CObject> {
    DECLARE_SERIAL(MCObList)
public:
    // The block size is accepted for the system's callers and ignored.
    explicit MCObList(int blockSize = 10);

    // The count, then each object by reference; loading appends what it reads.
    void Serialize(CArchive& ar) override;

    // As the walks without a filter; objects not of the filter's class (or
    // derived) are passed over. Null when none is left.
    using MCNodeList::GetNext;
    using MCNodeList::GetPrev;
    CObject* GetNext(POSITION& pos, const CRuntimeClass* filter) const;
    CObject* GetPrev(POSITION& pos, const CRuntimeClass* filter) const;

private:
    // The filtered walk in either direction.
    CObject* Step(POSITION& pos, const CRuntimeClass* filter, bool backwards) const;
};

class MCEventList : public MCObList {
    DECLARE_SERIAL(MCEventList)
public:
    explicit MCEventList(int blockSize = 10);
    ~MCEventList() override;   // drops every reference

    // Storing: the count, then each event by reference. Loading: appends each
    // event read (with no parent link).
    void Serialize(CArchive& ar) override;

    // Stores e (taking a reference on it), then drops the reference on the
    // event it replaces.
    void SetAt(POSITION pos, CObject* event) override;

    // The children form of the archive: as Serialize, but on loading `parent`
    // is appended to each event's parents list (an event met through several
    // parents is read once and linked to each).
    virtual void SerializeFromParent(CArchive& ar, ECBase* parent);
    // Unsorted: at the tail. Sorted: an event without time goes to the head;
    // else after the last event whose time is not after its own. Returns the
    // new position (null for a null event, which is refused).
    virtual POSITION AddEvent(ECBase* event, int sorted);
    // Sorted, from a known place: `after` holds an event no later than this
    // one, and the search goes forward from there to the last event whose
    // time is not after this one's, which in a list in time order is the
    // place AddEvent(event, SORTED) finds. So a run of events added in time
    // order, each after the one before, never walks back over what lies
    // after them. A null `after` (or an event without time): AddEvent.
    POSITION AddEventAfter(ECBase* event, POSITION after);
    // Each event of the other list in order, as AddEvent (a list may add itself).
    virtual void AddEvents(const MCEventList* events, int sorted);
    // Removes the first node holding the event: 1, or 0 when it is not here.
    virtual int RemoveEvent(ECBase* event);
    // The first node holding the event after `after` (from the head when
    // null), as the linked list answers it. A long list asked from its head
    // keeps an index of where its events stand from then on, so that a
    // staff's children (its measures and the ties between them) are not
    // searched from the head for every child that leaves.
    POSITION Find(const CObject* event, POSITION after = nullptr) const;
    // RemoveEvent of each event of the other list.
    virtual void RemoveEvents(const MCEventList* events);

    // From the node after `after` (or the head): the first event with a time
    // later than t. Null if none.
    POSITION FindTime(const MCTime& t, POSITION after = nullptr) const;
    // From the node before `before` (or the tail) backwards: the first event
    // with a time not after t.
    POSITION FindTimeReverse(const MCTime& t, POSITION before = nullptr) const;
    // The first event whose GetClassType is type, forwards or backwards.
    POSITION FindEvent(int type, POSITION after = nullptr) const;
    POSITION FindEventReverse(int type, POSITION before = nullptr) const;
    // -1 for an empty list; the common type; -2 when types are mixed.
    int GetEventType() const;

    // Orders the list by time in place, events without time first (a
    // selection sort, not stable).
    void Sort();
    // Whether Sort would leave the list as it is: every time an ordinary
    // number (no bar/pulse/tick time, no NaN) and each event no earlier than
    // the one before it.
    bool IsSorted() const;
    // Replaces each mirror, at its place, by the event it shows; then, with
    // the argument set, RemoveDuplicates.
    void ReplaceMirrors(int removeDuplicates);
    // Keeps only the last occurrence of each event.
    void RemoveDuplicates();
    // Removes every event that has an ancestor (through any chain of parents)
    // in the list too, leaving the topmost events.
    void CollapseToAncestors();

    // How ReplaceMirrors finds the event a mirror shows (null: none). The
    // mirror class installs it; without one, mirrors stay in place. Returns
    // the resolver installed before.
    using MirrorResolver = ECBase* (*)(ECBase* mirror);
    static MirrorResolver SetMirrorResolver(MirrorResolver resolver);

    // Typed access: every element is an event (defined in model/event.h,
    // which this header includes at its end).
    ECBase* GetHead() const;
    ECBase* GetTail() const;
    ECBase* GetNext(POSITION& pos) const;
    ECBase* GetPrev(POSITION& pos) const;
    ECBase* GetNext(POSITION& pos, const CRuntimeClass* filter) const;
    ECBase* GetPrev(POSITION& pos, const CRuntimeClass* filter) const;
    ECBase* GetAt(POSITION pos) const;
    // May delete the event removed (see above).
    ECBase* RemoveHead();
    ECBase* RemoveTail();
    ECBase* RemoveAt(POSITION pos);

protected:
    CNode* NewNode(CObject* event, CNode* prev, CNode* next) override;   // + Ref
    void FreeNode(CNode* node) override;                                 // + Unref(1)

private:
    // Every object of an event list is an ECBase (NewNode checks in debug builds).
    static ECBase* Event(CObject* object);
    static MirrorResolver s_mirrorResolver;

    // Where each event stands (see Find); kept up by the node hooks and
    // SetAt, dropped by Sort, which moves events between nodes.
    struct Index;
    void IndexNode(CNode* node) const;
    void UnindexNode(CNode* node) const;
    mutable std::unique_ptr<Index> m_pIndex;   // null until a long list is searched
};

// The typed accessors need the complete event class.
#include "model/event.h"
