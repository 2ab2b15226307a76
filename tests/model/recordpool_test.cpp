// MCRecordPool: records distinct, aligned and reused once given back; other
// sizes from the general heap; threads making and freeing records together.
#include "model/recordpool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <latch>
#include <set>
#include <thread>
#include <vector>

namespace {

constexpr std::size_t kRecord = 40;

bool Aligned(const void* record) {
    return reinterpret_cast<std::uintptr_t>(record) % __STDCPP_DEFAULT_NEW_ALIGNMENT__ == 0;
}

// More records than a slab holds, each written whole: none overlaps another,
// and given back they are the ones handed out next.
TEST(RecordPool, RecordsAreDistinctAlignedAndReusedOnceGivenBack) {
    MCRecordPool pool(kRecord);
    std::vector<void*> records;
    for (int i = 0; i < 5000; ++i) {
        void* record = pool.Allocate(kRecord);
        ASSERT_TRUE(Aligned(record)) << i;
        std::memset(record, i & 0xFF, kRecord);
        records.push_back(record);
    }
    for (int i = 0; i < 5000; ++i)
        EXPECT_EQ(*static_cast<unsigned char*>(records[static_cast<size_t>(i)]), i & 0xFF) << i;
    EXPECT_EQ(std::set<void*>(records.begin(), records.end()).size(), records.size());

    for (void* record : records)
        pool.Free(record, kRecord);
    std::vector<void*> again;
    for (std::size_t i = 0; i < records.size(); ++i)
        again.push_back(pool.Allocate(kRecord));
    if (MCRecordPool::IsPooling()) {
        EXPECT_EQ(std::set<void*>(again.begin(), again.end()), std::set<void*>(records.begin(), records.end()));
    }
    for (void* record : again)
        pool.Free(record, kRecord);

    // A record of another size (a derived class's) is ordinary storage.
    void* other = pool.Allocate(kRecord * 3);
    std::memset(other, 0, kRecord * 3);
    pool.Free(other, kRecord * 3);
    pool.Free(nullptr, kRecord);
}

// Records are made on one thread and freed on another (a closed document's
// release thread) while both work: no record is handed out twice.
TEST(RecordPool, ThreadsMakeAndFreeRecordsTogether) {
    MCRecordPool pool(kRecord);
    constexpr int kRounds = 1000000;
    std::latch start(2);
    const auto work = [&pool, &start](unsigned char mark, bool& intact) {
        std::vector<unsigned char*> held;
        start.arrive_and_wait();
        for (int i = 0; i < kRounds; ++i) {
            auto* record = static_cast<unsigned char*>(pool.Allocate(kRecord));
            std::memset(record, mark, kRecord);
            held.push_back(record);
            if (held.size() == 2) {
                for (unsigned char* kept : held) {
                    intact = intact && std::all_of(kept, kept + kRecord, [mark](unsigned char b) { return b == mark; });
                    pool.Free(kept, kRecord);
                }
                held.clear();
            }
        }
        for (unsigned char* kept : held)
            pool.Free(kept, kRecord);
    };
    bool firstIntact = true;
    bool secondIntact = true;
    std::thread other(work, 0xA5, std::ref(secondIntact));
    work(0x5A, firstIntact);
    other.join();
    EXPECT_TRUE(firstIntact);
    EXPECT_TRUE(secondIntact);
}

}  // namespace
