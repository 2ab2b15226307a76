// A fixed-size set of bits, kept in 16-bit words.
//
// Bit i lives in bit i % 16 of word i / 16, so a set of 17 bits has two words
// and bit 16 is bit 0 of the second word. The size is fixed by SetSize; every
// index must lie below it (checked in debug builds; out-of-range reads give 0
// and out-of-range writes change nothing in release builds).
// Plain value type; owned by whoever holds it, used by one thread at a time.
#pragma once

#include <cstdint>
#include <vector>

class MCBitArray {
public:
    MCBitArray() = default;
    MCBitArray(const MCBitArray& other) = default;
    MCBitArray& operator=(const MCBitArray& other) = default;   // copies size and bits
    ~MCBitArray() = default;

    // Drops the old bits; for n above 0 makes (n + 15) / 16 cleared words,
    // for 0 (or less) leaves the set empty.
    void SetSize(int n);
    int GetSize() const { return m_nBits; }
    int GetWordCount() const { return static_cast<int>(m_words.size()); }

    void Set(int i);
    void Clear(int i);
    int Get(int i) const;          // non-zero when bit i is set

    int GetAll() const;            // 1 when any bit is set, else 0
    void ClearAll();

private:
    bool InRange(int i) const;

    std::vector<uint16_t> m_words;   // (size + 15) / 16 words
    int m_nBits = 0;
};
