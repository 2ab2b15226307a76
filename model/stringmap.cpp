// MCMapStringToPtr: 71 hash chains of short keys.
#include "model/stringmap.h"

#include <cstring>

IMPLEMENT_DYNAMIC(MCMapStringToPtr, CObject)

namespace {
// The value GetStartPosition hands out: before the first entry.
const POSITION BEFORE_START = reinterpret_cast<POSITION>(~uintptr_t{0});
}

MCMapStringToPtr::MCMapStringToPtr(int /*blockSize*/) {}

MCMapStringToPtr::~MCMapStringToPtr() {
    RemoveAll(0);
}

uint32_t MCMapStringToPtr::HashKey(std::string_view key) {
    uint32_t h = 0;
    for (char c : key)
        h = h * 33 + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(c)));
    return h;
}

bool MCMapStringToPtr::Storable(std::string_view key) {
    return key.size() <= MAX_KEY && key.find('\0') == std::string_view::npos;
}

MCMapStringToPtr::CAssoc* MCMapStringToPtr::Find(std::string_view key) const {
    if (!Storable(key))
        return nullptr;
    for (CAssoc* assoc = m_pHashTable[HashKey(key) % BUCKETS]; assoc; assoc = assoc->pNext) {
        if (std::strlen(assoc->key) == key.size() && std::memcmp(assoc->key, key.data(), key.size()) == 0)
            return assoc;
    }
    return nullptr;
}

MCMapStringToPtr::CAssoc* MCMapStringToPtr::NewAssoc(std::string_view key) {
    auto* assoc = new CAssoc;
    std::memcpy(assoc->key, key.data(), key.size());
    assoc->key[key.size()] = '\0';
    assoc->value = nullptr;
    assoc->bucket = static_cast<int>(HashKey(key) % BUCKETS);
    assoc->pNext = m_pHashTable[assoc->bucket];   // the head of its chain
    m_pHashTable[assoc->bucket] = assoc;
    ++m_nCount;
    return assoc;
}

int MCMapStringToPtr::Lookup(std::string_view key, void*& value) const {
    const CAssoc* assoc = Find(key);
    if (!assoc)
        return 0;
    value = assoc->value;
    return 1;
}

int MCMapStringToPtr::SetAt(std::string_view key, void* value) {
    if (!Storable(key))
        return 0;
    CAssoc* assoc = Find(key);
    if (!assoc)
        assoc = NewAssoc(key);
    assoc->value = value;
    return 1;
}

void*& MCMapStringToPtr::operator[](std::string_view key) {
    if (!Storable(key)) {
        m_spare = nullptr;
        return m_spare;
    }
    CAssoc* assoc = Find(key);
    if (!assoc)
        assoc = NewAssoc(key);
    return assoc->value;
}

int MCMapStringToPtr::RemoveKey(std::string_view key, int deleteValue) {
    if (!Storable(key))
        return 0;
    CAssoc** link = &m_pHashTable[HashKey(key) % BUCKETS];
    for (; *link; link = &(*link)->pNext) {
        CAssoc* assoc = *link;
        if (std::strlen(assoc->key) != key.size() || std::memcmp(assoc->key, key.data(), key.size()) != 0)
            continue;
        *link = assoc->pNext;
        --m_nCount;
        if (deleteValue)
            delete static_cast<CObject*>(assoc->value);
        delete assoc;
        return 1;
    }
    return 0;
}

void MCMapStringToPtr::RemoveAll(int deleteValue) {
    for (CAssoc*& head : m_pHashTable) {
        while (CAssoc* assoc = head) {
            head = assoc->pNext;
            if (deleteValue)
                delete static_cast<CObject*>(assoc->value);
            delete assoc;
        }
    }
    m_nCount = 0;
}

POSITION MCMapStringToPtr::GetStartPosition() const {
    return m_nCount == 0 ? nullptr : BEFORE_START;
}

const MCMapStringToPtr::CAssoc* MCMapStringToPtr::FirstFrom(int from) const {
    for (int bucket = from; bucket < BUCKETS; ++bucket) {
        if (m_pHashTable[bucket])
            return m_pHashTable[bucket];
    }
    return nullptr;
}

void MCMapStringToPtr::GetNextAssoc(POSITION& pos, const char*& key, void*& value) const {
    const CAssoc* assoc = pos == BEFORE_START ? FirstFrom(0) : static_cast<const CAssoc*>(pos);
    if (!assoc) {
        pos = nullptr;
        return;
    }
    key = assoc->key;
    value = assoc->value;
    const CAssoc* next = assoc->pNext ? assoc->pNext : FirstFrom(assoc->bucket + 1);
    pos = const_cast<CAssoc*>(next);
}

void MCMapStringToPtr::GetNextAssoc(POSITION& pos, std::string& key, void*& value) const {
    const char* text = nullptr;
    GetNextAssoc(pos, text, value);
    key = text ? text : "";
}
