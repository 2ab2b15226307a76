// MCRecordPool: slabs, the free stack and the way around them for the
// sanitizers (see recordpool.h).
#include "model/recordpool.h"

#include <algorithm>
#include <mutex>
#include <thread>

namespace {

constexpr std::size_t kSlabBytes = 64 * 1024;
constexpr std::size_t kAlignment = __STDCPP_DEFAULT_NEW_ALIGNMENT__;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kPoolsOn = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kPoolsOn = false;
#else
constexpr bool kPoolsOn = true;
#endif
#else
constexpr bool kPoolsOn = true;
#endif

// Every record aligned as new aligns.
std::size_t RecordBytes(std::size_t size) {
    size = std::max<std::size_t>(size, 1);
    return (size + kAlignment - 1) / kAlignment * kAlignment;
}

}  // namespace

void MCRecordPool::CSpinLock::lock() noexcept {
    while (m_taken.test_and_set(std::memory_order_acquire)) {
        while (m_taken.test(std::memory_order_relaxed))
            std::this_thread::yield();
    }
}

MCRecordPool::MCRecordPool(std::size_t recordSize)
    : m_nRequested(recordSize), m_nSize(RecordBytes(recordSize)) {}

bool MCRecordPool::IsPooling() {
    return kPoolsOn;
}

bool MCRecordPool::Pooled(std::size_t size) const {
    return kPoolsOn && size == m_nRequested && m_nSize <= kSlabBytes;
}

void MCRecordPool::AddSlab() {
    // Every record there is can be given back at once: room on the free
    // stack for all of them, before the slab is counted.
    m_free.reserve((m_slabs.size() + 1) * (kSlabBytes / m_nSize));
    m_slabs.push_back(std::make_unique_for_overwrite<std::byte[]>(kSlabBytes));
    m_pNext = m_slabs.back().get();
    m_pEnd = m_pNext + kSlabBytes;
}

void* MCRecordPool::Allocate(std::size_t size) {
    if (!Pooled(size))
        return ::operator new(size);
    std::lock_guard lock(m_lock);
    if (!m_free.empty()) {
        void* record = m_free.back();
        m_free.pop_back();
        return record;
    }
    if (m_pEnd - m_pNext < static_cast<std::ptrdiff_t>(m_nSize))
        AddSlab();
    void* record = m_pNext;
    m_pNext += m_nSize;
    return record;
}

void MCRecordPool::Free(void* record, std::size_t size) noexcept {
    if (!record)
        return;
    if (!Pooled(size)) {
        ::operator delete(record);
        return;
    }
    std::lock_guard lock(m_lock);
    m_free.push_back(record);   // never grows: AddSlab made the room
}
