// MCMapStringToPtr: a map from short texts to untyped pointers.
//
// 71 buckets (fixed); a key hashes as h = h * 33 + c over its bytes taken as
// signed chars, from 0, in 32-bit unsigned arithmetic, into bucket h % 71. A
// new key goes to the head of its bucket's chain. GetNextAssoc visits buckets 0
// to 70 in order and each chain from its head: that order is what callers that
// search the map for the first match see, so it is kept exactly.
//
// A key is stored inline, at most MAX_KEY (51) bytes. A longer key (or one
// holding a zero byte) cannot be stored: SetAt refuses it with 0, Lookup and
// RemoveKey do not find it, operator[] hands out a spare slot that reaches no
// entry. Keys compare as exact byte strings.
//
// The map owns its nodes, not the values (RemoveKey/RemoveAll delete a value
// as a CObject only when asked). Not locked: its owner decides the thread.
#pragma once

#include "model/ptrlists.h"
#include "platform/core/object.h"

#include <cstdint>
#include <string>
#include <string_view>

class MCMapStringToPtr : public CObject {
    DECLARE_DYNAMIC(MCMapStringToPtr)
public:
    static constexpr int BUCKETS = 71;
    static constexpr size_t MAX_KEY = 51;

    // The block size is accepted for the system's callers and ignored.
    explicit MCMapStringToPtr(int blockSize = 10);
    ~MCMapStringToPtr() override;   // RemoveAll(0)
    MCMapStringToPtr(const MCMapStringToPtr&) = delete;
    MCMapStringToPtr& operator=(const MCMapStringToPtr&) = delete;

    static uint32_t HashKey(std::string_view key);

    int GetCount() const { return m_nCount; }
    int IsEmpty() const { return m_nCount == 0; }

    // 1 and the value, or 0.
    int Lookup(std::string_view key, void*& value) const;
    // Finds or makes the entry and stores the value: 1; 0 for a key that
    // cannot be stored.
    int SetAt(std::string_view key, void* value);
    // The entry's value slot, made (null) when missing.
    void*& operator[](std::string_view key);
    // Unlinks the entry; with deleteValue set, deletes its value as a CObject
    // first. 1 when the key was there.
    int RemoveKey(std::string_view key, int deleteValue = 0);
    // RemoveKey of every entry; the count becomes 0.
    void RemoveAll(int deleteValue = 0);

    // Before the first entry (all bits set) when the map has any, else null.
    POSITION GetStartPosition() const;
    // The entry after pos, in bucket order; pos moves on (null after the last).
    // The key points into the entry.
    void GetNextAssoc(POSITION& pos, const char*& key, void*& value) const;
    void GetNextAssoc(POSITION& pos, std::string& key, void*& value) const;

private:
    struct CAssoc : MCListNode {
        char key[MAX_KEY + 1];   // zero-terminated
        void* value;
        int bucket;
        CAssoc* pNext;
    };
    static bool Storable(std::string_view key);
    CAssoc* Find(std::string_view key) const;
    CAssoc* NewAssoc(std::string_view key);
    // The first entry of bucket `from` or a later one.
    const CAssoc* FirstFrom(int from) const;

    int m_nCount = 0;
    CAssoc* m_pHashTable[BUCKETS] = {};   // owned chains
    void* m_spare = nullptr;              // what operator[] hands out for a key it cannot store
};
