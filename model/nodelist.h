// MCNodeList<E>: the doubly linked list that every linked list of the model is
// made of. MCPtrList (model/ptrlists.h) is its form over untyped pointers
// (E = void), MCObList (model/lists.h) its form over objects (E = CObject);
// each algorithm of the two lives here once.
//
// The list holds a count, a head and a tail; each node holds one element
// pointer (E*), the previous and the next node. The list owns its nodes, never
// the elements. Most lists of the event tree hold one element (a parents list)
// or begin with one, so the first node lives inside the list itself and only
// further nodes are allocated, from one pool that every list shares
// (model/recordpool.h): a measure's notes take one each.
//
// POSITION is the position type of every linked list of the model: a node
// pointer, null meaning none. A position belongs to the list that handed it
// out; using it with another list, or after its node was removed, is a
// programming error.
//
// Node creation, node freeing and SetAt are virtual so that a derived list can
// keep its bookkeeping there (the event list takes and drops references). The
// base destructor no longer reaches a derived FreeNode: a derived list that
// extends it must call RemoveAll in its own destructor.
//
// No lock: whoever owns a list decides the thread.
#pragma once

#include "platform/core/object.h"
#include "platform/core/position.h"

// The common base of the model's list nodes; POSITION hides which list made it.
struct MCListNode : AfxPosition {};

template <class E>
class MCNodeList : public CObject {
public:
    ~MCNodeList() override;
    MCNodeList(const MCNodeList&) = delete;
    MCNodeList& operator=(const MCNodeList&) = delete;

    int GetCount() const { return m_nCount; }
    int IsEmpty() const { return m_nCount == 0; }

    E* GetHead() const;   // the list must not be empty (an empty list answers null)
    E* GetTail() const;
    POSITION GetHeadPosition() const { return m_pNodeHead; }
    POSITION GetTailPosition() const { return m_pNodeTail; }
    // Return the element at pos and move pos to the next (previous) node,
    // null after the last (first) one.
    E* GetNext(POSITION& pos) const;
    E* GetPrev(POSITION& pos) const;
    E* GetAt(POSITION pos) const;
    // Replaces the element at pos.
    virtual void SetAt(POSITION pos, E* element);

    POSITION AddHead(E* element);
    POSITION AddTail(E* element);
    // The other list's elements, keeping their order (a list may be added to
    // itself: it doubles once).
    void AddHead(const MCNodeList* other);
    void AddTail(const MCNodeList* other);
    // A null position means AddHead (InsertBefore) or AddTail (InsertAfter).
    POSITION InsertBefore(POSITION pos, E* element);
    POSITION InsertAfter(POSITION pos, E* element);
    void InsertBefore(POSITION pos, const MCNodeList* other);
    void InsertAfter(POSITION pos, const MCNodeList* other);

    // Each returns the element removed; the list must not be empty (an empty
    // list answers null).
    E* RemoveHead();
    E* RemoveTail();
    E* RemoveAt(POSITION pos);
    // Frees every node, from the tail.
    void RemoveAll();

    // The first node holding `element` after `after` (from the head when null).
    POSITION Find(const E* element, POSITION after = nullptr) const;
    // The node at index i (not negative), null when i is not below the count.
    POSITION FindIndex(int i) const;

protected:
    MCNodeList() = default;

    struct CNode : MCListNode {
        E* data;
        CNode* pPrev;
        CNode* pNext;
    };
    static CNode* Node(POSITION pos) { return static_cast<CNode*>(pos); }

    // Makes a node (count + 1) / frees it (count - 1). Derived lists extend
    // both (see above about destructors).
    virtual CNode* NewNode(E* element, CNode* prev, CNode* next);
    virtual void FreeNode(CNode* node);

    // Links a new node for `element` between prev and next (either may be null:
    // the new node becomes the head or the tail).
    CNode* Link(E* element, CNode* prev, CNode* next);
    // Unlinks a node without freeing it.
    void Unlink(CNode* node);

private:
    // Calls visit(element) for each element of `other`, head to tail or tail
    // to head, from a copy taken first: `other` may be this list.
    template <class Visit>
    static void ForEachOf(const MCNodeList* other, bool backwards, Visit visit);

    int m_nCount = 0;
    CNode* m_pNodeHead = nullptr;   // owned, with every node after it
    CNode* m_pNodeTail = nullptr;
    CNode m_inlineNode{};           // the node NewNode hands out first
    bool m_bInlineUsed = false;
};

// The two forms are compiled once, in model/nodelist.cpp.
extern template class MCNodeList<void>;
extern template class MCNodeList<CObject>;
