// MCNodeList: the linked-list algorithms shared by the pointer and object lists.
#include "model/nodelist.h"

#include "model/recordpool.h"

#include <cassert>
#include <new>
#include <vector>

namespace {

// The nodes past each list's first: every event added to a measure or a
// staff takes one for good, and the lists of a command or a search take and
// give back a few each. Both forms of the list have nodes of one size.
// Never destroyed: a list emptied while static objects go still finds it.
MCRecordPool& NodePool(std::size_t size) {
    static MCRecordPool& pool = *new MCRecordPool(size);
    return pool;
}

}  // namespace

template <class E>
MCNodeList<E>::~MCNodeList() {
    RemoveAll();
}

template <class E>
typename MCNodeList<E>::CNode* MCNodeList<E>::NewNode(E* element, CNode* prev, CNode* next) {
    CNode* node = m_bInlineUsed ? new (NodePool(sizeof(CNode)).Allocate(sizeof(CNode))) CNode : &m_inlineNode;
    if (node == &m_inlineNode)
        m_bInlineUsed = true;
    node->data = element;
    node->pPrev = prev;
    node->pNext = next;
    ++m_nCount;
    return node;
}

template <class E>
void MCNodeList<E>::FreeNode(CNode* node) {
    if (node == &m_inlineNode)
        m_bInlineUsed = false;
    else
        NodePool(sizeof(CNode)).Free(node, sizeof(CNode));
    --m_nCount;
    assert(m_nCount >= 0);
}

template <class E>
typename MCNodeList<E>::CNode* MCNodeList<E>::Link(E* element, CNode* prev, CNode* next) {
    CNode* node = NewNode(element, prev, next);
    if (prev)
        prev->pNext = node;
    else
        m_pNodeHead = node;
    if (next)
        next->pPrev = node;
    else
        m_pNodeTail = node;
    return node;
}

template <class E>
void MCNodeList<E>::Unlink(CNode* node) {
    if (node->pPrev)
        node->pPrev->pNext = node->pNext;
    else
        m_pNodeHead = node->pNext;
    if (node->pNext)
        node->pNext->pPrev = node->pPrev;
    else
        m_pNodeTail = node->pPrev;
}

template <class E>
E* MCNodeList<E>::GetHead() const {
    assert(m_pNodeHead);
    return m_pNodeHead ? m_pNodeHead->data : nullptr;
}

template <class E>
E* MCNodeList<E>::GetTail() const {
    assert(m_pNodeTail);
    return m_pNodeTail ? m_pNodeTail->data : nullptr;
}

template <class E>
E* MCNodeList<E>::GetNext(POSITION& pos) const {
    CNode* node = Node(pos);
    pos = node->pNext;
    return node->data;
}

template <class E>
E* MCNodeList<E>::GetPrev(POSITION& pos) const {
    CNode* node = Node(pos);
    pos = node->pPrev;
    return node->data;
}

template <class E>
E* MCNodeList<E>::GetAt(POSITION pos) const {
    return Node(pos)->data;
}

template <class E>
void MCNodeList<E>::SetAt(POSITION pos, E* element) {
    Node(pos)->data = element;
}

template <class E>
POSITION MCNodeList<E>::AddHead(E* element) {
    return Link(element, nullptr, m_pNodeHead);
}

template <class E>
POSITION MCNodeList<E>::AddTail(E* element) {
    return Link(element, m_pNodeTail, nullptr);
}

template <class E>
template <class Visit>
void MCNodeList<E>::ForEachOf(const MCNodeList* other, bool backwards, Visit visit) {
    std::vector<E*> elements;
    elements.reserve(static_cast<size_t>(other->m_nCount));
    for (CNode* node = other->m_pNodeHead; node; node = node->pNext)
        elements.push_back(node->data);
    if (backwards) {
        for (auto it = elements.rbegin(); it != elements.rend(); ++it)
            visit(*it);
    } else {
        for (E* element : elements)
            visit(element);
    }
}

template <class E>
void MCNodeList<E>::AddHead(const MCNodeList* other) {
    // From the other list's tail, so that its order stays.
    ForEachOf(other, true, [this](E* element) { AddHead(element); });
}

template <class E>
void MCNodeList<E>::AddTail(const MCNodeList* other) {
    ForEachOf(other, false, [this](E* element) { AddTail(element); });
}

template <class E>
POSITION MCNodeList<E>::InsertBefore(POSITION pos, E* element) {
    if (!pos)
        return AddHead(element);
    CNode* old = Node(pos);
    return Link(element, old->pPrev, old);
}

template <class E>
POSITION MCNodeList<E>::InsertAfter(POSITION pos, E* element) {
    if (!pos)
        return AddTail(element);
    CNode* old = Node(pos);
    return Link(element, old, old->pNext);
}

template <class E>
void MCNodeList<E>::InsertBefore(POSITION pos, const MCNodeList* other) {
    if (!pos)
        return AddHead(other);
    ForEachOf(other, false, [this, pos](E* element) { InsertBefore(pos, element); });
}

template <class E>
void MCNodeList<E>::InsertAfter(POSITION pos, const MCNodeList* other) {
    if (!pos)
        return AddTail(other);
    ForEachOf(other, false, [this, &pos](E* element) { pos = InsertAfter(pos, element); });
}

template <class E>
E* MCNodeList<E>::RemoveHead() {
    assert(m_pNodeHead);
    return RemoveAt(m_pNodeHead);
}

template <class E>
E* MCNodeList<E>::RemoveTail() {
    assert(m_pNodeTail);
    return RemoveAt(m_pNodeTail);
}

template <class E>
E* MCNodeList<E>::RemoveAt(POSITION pos) {
    CNode* node = Node(pos);
    if (!node)
        return nullptr;
    E* element = node->data;
    Unlink(node);
    FreeNode(node);
    return element;
}

template <class E>
void MCNodeList<E>::RemoveAll() {
    // From the tail, one node at a time: freeing may release an event whose
    // destruction reaches other lists, and this list stays whole meanwhile.
    while (m_pNodeTail) {
        CNode* node = m_pNodeTail;
        Unlink(node);
        FreeNode(node);
    }
}

template <class E>
POSITION MCNodeList<E>::Find(const E* element, POSITION after) const {
    CNode* node = after ? Node(after)->pNext : m_pNodeHead;
    for (; node; node = node->pNext) {
        if (node->data == element)
            return node;
    }
    return nullptr;
}

template <class E>
POSITION MCNodeList<E>::FindIndex(int i) const {
    assert(i >= 0);
    if (i < 0 || i >= m_nCount)
        return nullptr;
    CNode* node = m_pNodeHead;
    while (i-- > 0)
        node = node->pNext;
    return node;
}

template class MCNodeList<void>;
template class MCNodeList<CObject>;
