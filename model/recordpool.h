// MCRecordPool: the storage of one kind of record a document holds by the
// hundred thousand (a note, a note's performer), made and freed one at a time.
//
// Records are cut from slabs of 64 KiB in the order they are asked for, so
// the notes a file read makes one after another lie side by side in memory,
// as the walks over them go; a freed record goes onto the pool's stack of
// free records and is the next one handed out. The stack is an array of
// pointers, not a chain through the freed records themselves: handing out a
// record then never reads memory that went cold when its document was
// closed. The slabs stay with the pool for the process's life: a document
// closed leaves its room to the next one opened. Asking a pool costs a lock
// and a pointer or two, where the general heap searches its bins for every
// record a long read makes.
//
// A class takes its records from a pool through its own operator new and
// delete (DECLARE_POOLED_RECORDS in the class, IMPLEMENT_POOLED_RECORDS in
// its source file), which hand the pool the size asked for: a size other
// than the pool's (a derived class with members of its own) gets ordinary
// storage.
// Under AddressSanitizer or ThreadSanitizer every record is ordinary storage,
// so that their checks see each record on its own.
//
// Threads: any. Each pool has a lock of its own: records are made on the
// user-interface thread and the device thread (recording) and freed on the
// release threads that take closed documents apart. The lock is held for a
// few instructions, so a thread that finds it taken spins (yielding) rather
// than sleeps.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <vector>

class MCRecordPool {
public:
    // Records of `recordSize` bytes.
    explicit MCRecordPool(std::size_t recordSize);
    MCRecordPool(const MCRecordPool&) = delete;
    MCRecordPool& operator=(const MCRecordPool&) = delete;

    // Storage for a record of `size` bytes: from the pool for the pool's
    // size, else ordinary storage. Throws std::bad_alloc as new does.
    void* Allocate(std::size_t size);
    // Gives back what Allocate handed out for the same size.
    void Free(void* record, std::size_t size) noexcept;

    // False under the sanitizers, where every record is ordinary storage.
    static bool IsPooling();

private:
    // The pool's lock, taken for a pointer or two.
    class CSpinLock {
    public:
        void lock() noexcept;
        void unlock() noexcept { m_taken.clear(std::memory_order_release); }

    private:
        std::atomic_flag m_taken;
    };

    bool Pooled(std::size_t size) const;

    // Another slab (the free stack made room for all its records first, so
    // that giving back never allocates).
    void AddSlab();

    const std::size_t m_nRequested;   // the size served from the pool
    const std::size_t m_nSize;        // that size, rounded up to the alignment of new
    CSpinLock m_lock;
    std::vector<void*> m_free;        // records given back, the last on top
    std::byte* m_pNext = nullptr;     // the rest of the newest slab
    std::byte* m_pEnd = nullptr;
    std::vector<std::unique_ptr<std::byte[]>> m_slabs;   // owned
};

// In a class: its operator new and delete take its records from its pool.
#define DECLARE_POOLED_RECORDS()                 \
    static void* operator new(std::size_t size); \
    static void operator delete(void* record, std::size_t size) noexcept;

// In the class's source file. The pool is never destroyed: a record freed
// while static objects go still finds it.
#define IMPLEMENT_POOLED_RECORDS(Class)                                    \
    static MCRecordPool& Class##RecordPool() {                             \
        static MCRecordPool& pool = *new MCRecordPool(sizeof(Class));      \
        return pool;                                                       \
    }                                                                      \
    void* Class::operator new(std::size_t size) {                          \
        return Class##RecordPool().Allocate(size);                         \
    }                                                                      \
    void Class::operator delete(void* record, std::size_t size) noexcept { \
        Class##RecordPool().Free(record, size);                            \
    }
