// The description that travels with copied events: COleInfoItem, one opaque
// block of bytes, and COleDataInfo, the description itself, which the copy
// side fills and the paste and drop side reads back.
//
// COleDataInfo holds
//   the event type     the ET_ type the copied events share (-1 none, -2 mixed);
//   the info items     opaque blocks by int key, owned; a key is stored once
//                      (the first item stored under it stays);
//   the frame          size of the copied selection's frame and the pointer's
//                      offset inside it when the copy was made;
//   the tuplet values  three ints describing a copied tuplet.
//
// Its bytes (Serialize; the second clipboard format), little-endian:
//   LONG   event type
//   count  items: WORD, or WORD 0xFFFF then DWORD from 0xFFFF up
//   per item, in the order of the item table (below): LONG key, LONG size,
//          then size bytes
//   then, only when the frame or the tuplet values differ from their initial
//   ones: DWORD 'F','T','I','1', LONG frame cx, cy, point x, y, LONG tuplet
//   values 1 to 3 (32 bytes).
// The block is written by its own Serialize, never as an archived object, so
// no class header precedes it, and it is the last thing in its stream: a
// reader that knows nothing of the frame and tuplet bytes stops before them,
// and data without them reads with the frame and tuplet values left as they
// were.
//
// The item table's order is part of those bytes, so it is built as the table
// the block always had: 17 buckets, an item's bucket being its key taken as
// unsigned, shifted right by 4 bits, modulo 17; buckets 0 to 16 in turn, and
// within a bucket the most recently stored key first.
//
// Loading trusts nothing: a count or size larger than the bytes left, or a
// negative size, throws CArchiveException(endOfFile) before anything is
// allocated, and the block is left exactly as it was; only a whole read
// changes it. A key read that is present already (stored before, or earlier
// in the same data) has its item replaced in place.
//
// Plain data on one thread at a time.
#pragma once

#include "platform/core/object.h"

#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class CArchive;

// One opaque block: a size in bytes and an owned copy of the bytes. The size
// and the bytes always agree: a size of 0 or less holds no bytes and reads
// back as 0.
class COleInfoItem {
public:
    COleInfoItem() = default;
    // Copies `size` bytes from `data` (nothing for a null `data` or a size of 0
    // or less).
    COleInfoItem(int size, const void* data);
    COleInfoItem(const COleInfoItem& other) = default;   // copies the bytes again
    COleInfoItem& operator=(const COleInfoItem& other) = default;

    int GetInfoSize() const { return static_cast<int>(m_data.size()); }
    // Resizes the bytes: those that fit stay, new ones are zero. A size of 0 or
    // less empties the item.
    void SetInfoSize(int size);
    // The bytes (owned by the item), or null when it holds none.
    const uint8_t* GetInfoData() const { return m_data.empty() ? nullptr : m_data.data(); }
    uint8_t* GetInfoData() { return m_data.empty() ? nullptr : m_data.data(); }

private:
    std::vector<uint8_t> m_data;
};

class COleDataInfo : public CObject {
    DECLARE_SERIAL(COleDataInfo)
public:
    struct FrameSize {
        int cx = 0;
        int cy = 0;
        bool operator==(const FrameSize&) const = default;
    };
    struct FramePoint {
        int x = 0;
        int y = 0;
        bool operator==(const FramePoint&) const = default;
    };

    // Event type -1, no items, frame (0, 0) at (0, 0), tuplet values 0, 0, -1.
    COleDataInfo();
    // Deletes every item.
    ~COleDataInfo() override;
    COleDataInfo(const COleDataInfo&) = delete;
    COleDataInfo& operator=(const COleDataInfo&) = delete;

    // See the top of this file.
    void Serialize(CArchive& ar) override;

    int GetEventType() const { return m_nEventType; }
    void SetEventType(int type) { m_nEventType = type; }

    void GetFrameInfo(FrameSize& size, FramePoint& point) const;
    void SetFrameInfo(const FrameSize& size, const FramePoint& point);
    void GetTupletInfo(int& value1, int& value2, int& value3) const;
    void SetTupletInfo(const int& value1, const int& value2, const int& value3);

    // Stores a new item holding a copy of `size` bytes of `data`: 1; 0 (and
    // nothing stored) when the key is present already.
    int SetInfoItem(int key, const void* data, int size);
    // Stores `item`, which the block owns from now on: 1; 0 when the key is
    // present already, and then the item is deleted, since nobody else holds it.
    int SetInfoItem(int key, std::unique_ptr<COleInfoItem> item);
    // The stored bytes (still the block's) and their size: 1; 0 when the key
    // is absent, leaving both untouched.
    int GetInfoItem(int key, const void*& data, int& size) const;
    // The stored item itself (still the block's): 1; 0 when the key is
    // absent, leaving `item` untouched.
    int GetInfoItem(int key, const COleInfoItem*& item) const;

    int GetItemCount() const;
    // The keys in the item table's order (the order of the bytes).
    std::vector<int> GetKeys() const;
    // Deletes every item.
    void RemoveAllItems();

private:
    static constexpr unsigned kBuckets = 17;
    using Entry = std::pair<int, std::unique_ptr<COleInfoItem>>;
    // Each bucket holds its entries most recent first.
    using Table = std::array<std::vector<Entry>, kBuckets>;

    static unsigned BucketOf(int key) { return (static_cast<unsigned>(key) >> 4) % kBuckets; }
    // The item under `key` in `table`, or null.
    static COleInfoItem* Find(const Table& table, int key);
    // Stores under `key`: a new entry at its bucket's head, or, when the key
    // is present and `replace` is set, the item swapped in place. Answers
    // whether the item was stored.
    static bool Store(Table& table, int key, std::unique_ptr<COleInfoItem>& item, bool replace);
    bool HasFrameOrTuplet() const;
    void Load(CArchive& ar);

    int m_nEventType = -1;
    Table m_items;
    FrameSize m_frameSize;
    FramePoint m_framePoint;
    std::array<int, 3> m_tuplet = {0, 0, -1};
};
