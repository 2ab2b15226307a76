// MCPtrList and MCFuncList: untyped pointer lists and callback records.
#include "model/ptrlists.h"

#include <cassert>
#include <vector>

IMPLEMENT_DYNAMIC(MCPtrList, CObject)
IMPLEMENT_DYNAMIC(MCFuncList, MCPtrList)

MCPtrList::MCPtrList(int /*blockSize*/) {}

MCPtrList::~MCPtrList() {
    RemoveAll();
}

MCPtrList::CNode* MCPtrList::NewNode(void* p, CNode* prev, CNode* next) {
    CNode* node = new CNode;
    node->data = p;
    node->pPrev = prev;
    node->pNext = next;
    ++m_nCount;
    return node;
}

void MCPtrList::FreeNode(CNode* node) {
    delete node;
    if (m_nCount > 0)   // never below 0
        --m_nCount;
}

void* MCPtrList::GetHead() const {
    assert(m_pNodeHead);
    return m_pNodeHead ? m_pNodeHead->data : nullptr;
}

void* MCPtrList::GetTail() const {
    assert(m_pNodeTail);
    return m_pNodeTail ? m_pNodeTail->data : nullptr;
}

void* MCPtrList::GetNext(POSITION& pos) const {
    CNode* node = Node(pos);
    pos = node->pNext;
    return node->data;
}

void* MCPtrList::GetPrev(POSITION& pos) const {
    CNode* node = Node(pos);
    pos = node->pPrev;
    return node->data;
}

void* MCPtrList::GetAt(POSITION pos) const {
    return Node(pos)->data;
}

void MCPtrList::SetAt(POSITION pos, void* p) {
    Node(pos)->data = p;
}

POSITION MCPtrList::AddHead(void* p) {
    CNode* node = NewNode(p, nullptr, m_pNodeHead);
    if (m_pNodeHead)
        m_pNodeHead->pPrev = node;
    else
        m_pNodeTail = node;
    m_pNodeHead = node;
    return node;
}

POSITION MCPtrList::AddTail(void* p) {
    CNode* node = NewNode(p, m_pNodeTail, nullptr);
    if (m_pNodeTail)
        m_pNodeTail->pNext = node;
    else
        m_pNodeHead = node;
    m_pNodeTail = node;
    return node;
}

template <class Visit>
void MCPtrList::ForEach(const MCPtrList* other, bool backwards, Visit visit) {
    std::vector<void*> pointers;
    pointers.reserve(static_cast<size_t>(other->m_nCount));
    for (CNode* node = other->m_pNodeHead; node; node = node->pNext)
        pointers.push_back(node->data);
    if (backwards) {
        for (auto it = pointers.rbegin(); it != pointers.rend(); ++it)
            visit(*it);
    } else {
        for (void* p : pointers)
            visit(p);
    }
}

void MCPtrList::AddHead(const MCPtrList* other) {
    // From the other list's tail, so that its order stays.
    ForEach(other, true, [this](void* p) { AddHead(p); });
}

void MCPtrList::AddTail(const MCPtrList* other) {
    ForEach(other, false, [this](void* p) { AddTail(p); });
}

POSITION MCPtrList::InsertBefore(POSITION pos, void* p) {
    if (!pos)
        return AddHead(p);
    CNode* old = Node(pos);
    CNode* node = NewNode(p, old->pPrev, old);
    if (old->pPrev)
        old->pPrev->pNext = node;
    else
        m_pNodeHead = node;
    old->pPrev = node;
    return node;
}

POSITION MCPtrList::InsertAfter(POSITION pos, void* p) {
    if (!pos)
        return AddTail(p);
    CNode* old = Node(pos);
    CNode* node = NewNode(p, old, old->pNext);
    if (old->pNext)
        old->pNext->pPrev = node;
    else
        m_pNodeTail = node;
    old->pNext = node;
    return node;
}

void MCPtrList::InsertBefore(POSITION pos, const MCPtrList* other) {
    if (!pos)
        return AddHead(other);
    ForEach(other, false, [this, pos](void* p) { InsertBefore(pos, p); });
}

void MCPtrList::InsertAfter(POSITION pos, const MCPtrList* other) {
    if (!pos)
        return AddTail(other);
    ForEach(other, false, [this, &pos](void* p) { pos = InsertAfter(pos, p); });
}

void* MCPtrList::RemoveHead() {
    assert(m_pNodeHead);
    return m_pNodeHead ? RemoveAt(m_pNodeHead) : nullptr;
}

void* MCPtrList::RemoveTail() {
    assert(m_pNodeTail);
    return m_pNodeTail ? RemoveAt(m_pNodeTail) : nullptr;
}

void* MCPtrList::RemoveAt(POSITION pos) {
    CNode* node = Node(pos);
    if (!node)
        return nullptr;
    if (node->pPrev)
        node->pPrev->pNext = node->pNext;
    else
        m_pNodeHead = node->pNext;
    if (node->pNext)
        node->pNext->pPrev = node->pPrev;
    else
        m_pNodeTail = node->pPrev;
    void* p = node->data;
    FreeNode(node);
    return p;
}

void MCPtrList::RemoveAll() {
    CNode* node = m_pNodeHead;
    while (node) {
        CNode* next = node->pNext;
        delete node;
        node = next;
    }
    m_nCount = 0;
    m_pNodeHead = m_pNodeTail = nullptr;
}

POSITION MCPtrList::Find(const void* p, POSITION after) const {
    CNode* node = after ? Node(after)->pNext : m_pNodeHead;
    for (; node; node = node->pNext) {
        if (node->data == p)
            return node;
    }
    return nullptr;
}

POSITION MCPtrList::FindIndex(int i) const {
    assert(i >= 0);
    if (i < 0 || i >= m_nCount)
        return nullptr;
    CNode* node = m_pNodeHead;
    while (i-- > 0)
        node = node->pNext;
    return node;
}

// ---- MCFuncList -------------------------------------------------------------

MCFuncList::~MCFuncList() {
    RemoveCallbacks();
}

POSITION MCFuncList::AddCallback(MCCallback handler, void* user) {
    return AddTail(new MCCallbackRecord{handler, nullptr, nullptr, user});
}

POSITION MCFuncList::InsertCallback(MCCallback handler, void* user, POSITION pos) {
    return InsertBefore(pos, new MCCallbackRecord{handler, nullptr, nullptr, user});
}

void MCFuncList::RemoveCallback(MCCallback handler) {
    for (POSITION pos = GetHeadPosition(); pos;) {
        POSITION here = pos;
        auto* record = static_cast<MCCallbackRecord*>(GetNext(pos));
        if (record->handler == handler) {
            RemoveAt(here);
            delete record;
            return;
        }
    }
}

void MCFuncList::RemoveCallbacks() {
    while (!IsEmpty())
        delete static_cast<MCCallbackRecord*>(RemoveTail());
}

int MCFuncList::CallCallbacks(ECBase* event, int code, void* data) {
    for (POSITION pos = GetHeadPosition(); pos;) {
        auto* record = static_cast<MCCallbackRecord*>(GetNext(pos));
        if (record->handler)
            record->handler(event, code, data, record->user);
    }
    return 0;
}
