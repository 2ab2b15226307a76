// Untyped pointer lists of the data model, and the callback list built on them.
//
// POSITION is the position type of every linked list of the model (MCPtrList
// here, MCObList and MCEventList in model/lists.h): a node pointer, null
// meaning none. A position belongs to the list that handed it out; using it
// with another list, or after its node was removed, is a programming error.
//
// MCPtrList: a doubly linked list of untyped pointers (count, head, tail; each
// node holds its pointer, the previous and the next node). The list owns its
// nodes, never the pointers.
// MCFuncList: a list of callback records (a handler and its user data) that it
// owns; CallCallbacks calls them head to tail.
//
// Neither list locks: whoever owns one decides the thread (the command and
// state managers use theirs on the user-interface thread).
#pragma once

#include "platform/core/object.h"

class ECBase;

// The common base of the model's list nodes; POSITION hides which list made it.
struct MCListNode {};
using POSITION = MCListNode*;

class MCPtrList : public CObject {
    DECLARE_DYNAMIC(MCPtrList)
public:
    // The block size is accepted for the system's callers and ignored: each
    // node is allocated by itself.
    explicit MCPtrList(int blockSize = 10);
    ~MCPtrList() override;
    MCPtrList(const MCPtrList&) = delete;
    MCPtrList& operator=(const MCPtrList&) = delete;

    int GetCount() const { return m_nCount; }
    int IsEmpty() const { return m_nCount == 0; }

    void* GetHead() const;   // the list must not be empty
    void* GetTail() const;
    POSITION GetHeadPosition() const { return m_pNodeHead; }
    POSITION GetTailPosition() const { return m_pNodeTail; }
    // Return the pointer at pos and move pos to the next (previous) node,
    // null after the last (first) one.
    void* GetNext(POSITION& pos) const;
    void* GetPrev(POSITION& pos) const;
    void* GetAt(POSITION pos) const;
    void SetAt(POSITION pos, void* p);

    POSITION AddHead(void* p);
    POSITION AddTail(void* p);
    // The other list's pointers, keeping their order.
    void AddHead(const MCPtrList* other);
    void AddTail(const MCPtrList* other);
    // A null position means the head (InsertBefore) or the tail (InsertAfter).
    POSITION InsertBefore(POSITION pos, void* p);
    POSITION InsertAfter(POSITION pos, void* p);
    void InsertBefore(POSITION pos, const MCPtrList* other);
    void InsertAfter(POSITION pos, const MCPtrList* other);

    // Each returns the pointer removed; the list must not be empty (an empty
    // list answers null).
    void* RemoveHead();
    void* RemoveTail();
    void* RemoveAt(POSITION pos);
    void RemoveAll();

    // The first node holding p after `after` (from the head when null).
    POSITION Find(const void* p, POSITION after = nullptr) const;
    // The node at index i, null when i is not below the count.
    POSITION FindIndex(int i) const;

private:
    struct CNode : MCListNode {
        void* data;
        CNode* pPrev;
        CNode* pNext;
    };
    static CNode* Node(POSITION pos) { return static_cast<CNode*>(pos); }
    CNode* NewNode(void* p, CNode* prev, CNode* next);
    void FreeNode(CNode* node);
    // Pointers of `other` copied out first, so a list may be added to itself.
    template <class Visit>
    static void ForEach(const MCPtrList* other, bool backwards, Visit visit);

    int m_nCount = 0;
    CNode* m_pNodeHead = nullptr;   // owned, with every node after it
    CNode* m_pNodeTail = nullptr;
};

// A callback of the data model: called with (event, code, data, user) and
// answering an int (what the answer means is the caller's).
using MCCallback = int (*)(ECBase* event, int code, void* data, void* user);

// The callback record the list owns. The two reserved words are kept at 0.
struct MCCallbackRecord {
    MCCallback handler;
    void* reserved1;
    void* reserved2;
    void* user;
};

class MCFuncList : public MCPtrList {
    DECLARE_DYNAMIC(MCFuncList)
public:
    explicit MCFuncList(int blockSize = 10) : MCPtrList(blockSize) {}
    ~MCFuncList() override;

    // A new record at the tail.
    POSITION AddCallback(MCCallback handler, void* user);
    // A new record before pos, or at the head when pos is null.
    POSITION InsertCallback(MCCallback handler, void* user, POSITION pos);
    // Removes and frees the first record of this handler, if any.
    void RemoveCallback(MCCallback handler);
    // Frees every record, from the tail.
    void RemoveCallbacks();
    // Calls every handler, head to tail, with (event, code, data, user). The
    // answers are ignored; returns 0. The walk takes the next record before
    // each call, so a handler may remove its own record (but no other).
    int CallCallbacks(ECBase* event, int code, void* data);

    MCCallbackRecord* GetRecord(POSITION pos) const { return static_cast<MCCallbackRecord*>(GetAt(pos)); }
};
