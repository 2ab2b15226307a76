// MCBitArray: bits in 16-bit words.
#include "model/bitarray.h"

#include <algorithm>
#include <cassert>

void MCBitArray::SetSize(int n) {
    m_words.clear();
    m_nBits = 0;
    if (n > 0) {
        m_words.assign(static_cast<size_t>(n / 16 + (n % 16 != 0)), 0);   // (n + 15) / 16 without overflow
        m_nBits = n;
    }
}

bool MCBitArray::InRange(int i) const {
    assert(i >= 0 && i < m_nBits);
    return i >= 0 && i < m_nBits;
}

void MCBitArray::Set(int i) {
    if (InRange(i))
        m_words[i / 16] |= static_cast<uint16_t>(1u << (i % 16));
}

void MCBitArray::Clear(int i) {
    if (InRange(i))
        m_words[i / 16] &= static_cast<uint16_t>(~(1u << (i % 16)));
}

int MCBitArray::Get(int i) const {
    if (!InRange(i))
        return 0;
    return (m_words[i / 16] >> (i % 16)) & 1;
}

int MCBitArray::GetAll() const {
    return std::any_of(m_words.begin(), m_words.end(), [](uint16_t w) { return w != 0; }) ? 1 : 0;
}

void MCBitArray::ClearAll() {
    std::fill(m_words.begin(), m_words.end(), 0);
}
