#include "interface/document/oledatainfo.h"

#include "platform/core/archive.h"

#include <algorithm>
#include <cstring>

namespace {

// Marks the frame and tuplet bytes after the items: 'F','T','I','1' as read
// little-endian.
constexpr DWORD kFrameTupletTag = 0x31495446u;
// The tag and seven LONGs.
constexpr uint64_t kFrameTupletBytes = 4 + 7 * 4;
// Each item takes its key and its size at least.
constexpr size_t kMinItemBytes = 8;

}  // namespace

// ---- COleInfoItem ---------------------------------------------------------------

COleInfoItem::COleInfoItem(int size, const void* data) {
    if (size <= 0 || data == nullptr)
        return;
    const auto* bytes = static_cast<const uint8_t*>(data);
    m_data.assign(bytes, bytes + size);
}

void COleInfoItem::SetInfoSize(int size) {
    m_data.resize(size > 0 ? static_cast<size_t>(size) : 0);
}

// ---- COleDataInfo ---------------------------------------------------------------

IMPLEMENT_SERIAL(COleDataInfo, CObject, 1)

COleDataInfo::COleDataInfo() = default;

COleDataInfo::~COleDataInfo() = default;

void COleDataInfo::GetFrameInfo(FrameSize& size, FramePoint& point) const {
    size = m_frameSize;
    point = m_framePoint;
}

void COleDataInfo::SetFrameInfo(const FrameSize& size, const FramePoint& point) {
    m_frameSize = size;
    m_framePoint = point;
}

void COleDataInfo::GetTupletInfo(int& value1, int& value2, int& value3) const {
    value1 = m_tuplet[0];
    value2 = m_tuplet[1];
    value3 = m_tuplet[2];
}

void COleDataInfo::SetTupletInfo(const int& value1, const int& value2, const int& value3) {
    m_tuplet = {value1, value2, value3};
}

COleInfoItem* COleDataInfo::Find(const Table& table, int key) {
    for (const Entry& entry : table[BucketOf(key)]) {
        if (entry.first == key)
            return entry.second.get();
    }
    return nullptr;
}

bool COleDataInfo::Store(Table& table, int key, std::unique_ptr<COleInfoItem>& item, bool replace) {
    std::vector<Entry>& bucket = table[BucketOf(key)];
    for (Entry& entry : bucket) {
        if (entry.first != key)
            continue;
        if (!replace)
            return false;
        std::swap(entry.second, item);   // the old item goes with the caller's pointer
        return true;
    }
    bucket.emplace(bucket.begin(), key, std::move(item));
    return true;
}

int COleDataInfo::SetInfoItem(int key, const void* data, int size) {
    if (Find(m_items, key))
        return 0;
    auto item = std::make_unique<COleInfoItem>(size, data);
    return Store(m_items, key, item, false) ? 1 : 0;
}

int COleDataInfo::SetInfoItem(int key, std::unique_ptr<COleInfoItem> item) {
    if (!item)
        item = std::make_unique<COleInfoItem>();
    return Store(m_items, key, item, false) ? 1 : 0;
}

int COleDataInfo::GetInfoItem(int key, const void*& data, int& size) const {
    const COleInfoItem* item = Find(m_items, key);
    if (!item)
        return 0;
    data = item->GetInfoData();
    size = item->GetInfoSize();
    return 1;
}

int COleDataInfo::GetInfoItem(int key, const COleInfoItem*& item) const {
    const COleInfoItem* found = Find(m_items, key);
    if (!found)
        return 0;
    item = found;
    return 1;
}

int COleDataInfo::GetItemCount() const {
    size_t count = 0;
    for (const auto& bucket : m_items)
        count += bucket.size();
    return static_cast<int>(count);
}

std::vector<int> COleDataInfo::GetKeys() const {
    std::vector<int> keys;
    for (const auto& bucket : m_items) {
        for (const Entry& entry : bucket)
            keys.push_back(entry.first);
    }
    return keys;
}

void COleDataInfo::RemoveAllItems() {
    for (auto& bucket : m_items)
        bucket.clear();
}

bool COleDataInfo::HasFrameOrTuplet() const {
    const std::array<int, 3> initialTuplet = {0, 0, -1};
    return !(m_frameSize == FrameSize{}) || !(m_framePoint == FramePoint{}) || m_tuplet != initialTuplet;
}

void COleDataInfo::Serialize(CArchive& ar) {
    if (ar.IsLoading()) {
        Load(ar);
        return;
    }
    ar << static_cast<LONG>(m_nEventType);
    ar.WriteCount(static_cast<uint64_t>(GetItemCount()));
    for (const auto& bucket : m_items) {
        for (const Entry& entry : bucket) {
            const COleInfoItem& item = *entry.second;
            ar << static_cast<LONG>(entry.first) << static_cast<LONG>(item.GetInfoSize());
            if (item.GetInfoSize() > 0)
                ar.Write(item.GetInfoData(), static_cast<size_t>(item.GetInfoSize()));
        }
    }
    if (!HasFrameOrTuplet())
        return;
    ar << kFrameTupletTag;
    ar << static_cast<LONG>(m_frameSize.cx) << static_cast<LONG>(m_frameSize.cy);
    ar << static_cast<LONG>(m_framePoint.x) << static_cast<LONG>(m_framePoint.y);
    for (int value : m_tuplet)
        ar << static_cast<LONG>(value);
}

void COleDataInfo::Load(CArchive& ar) {
    // Everything is read into a table of its own first, so that data that
    // breaks off leaves the block as it was.
    LONG eventType = 0;
    ar >> eventType;
    const DWORD count = ar.ReadCount(kMinItemBytes);
    std::vector<std::pair<int, std::unique_ptr<COleInfoItem>>> read;
    read.reserve(count);
    for (DWORD i = 0; i < count; ++i) {
        LONG key = 0;
        LONG size = 0;
        ar >> key >> size;
        // A negative size is never written; taken for a length it would be
        // huge. Either way the data is damaged.
        if (size < 0)
            throw CArchiveException(CArchiveException::endOfFile);
        ar.CheckRemaining(static_cast<uint64_t>(size));
        auto item = std::make_unique<COleInfoItem>();
        item->SetInfoSize(size);
        if (size > 0)
            ar.ReadExact(item->GetInfoData(), static_cast<size_t>(size));
        read.emplace_back(key, std::move(item));
    }

    bool haveFrameTuplet = false;
    FrameSize frameSize;
    FramePoint framePoint;
    std::array<int, 3> tuplet = {};
    if (ar.GetRemaining() >= kFrameTupletBytes) {
        DWORD tag = 0;
        ar >> tag;
        if (tag == kFrameTupletTag) {
            LONG values[7] = {};
            for (LONG& value : values)
                ar >> value;
            frameSize = {values[0], values[1]};
            framePoint = {values[2], values[3]};
            tuplet = {values[4], values[5], values[6]};
            haveFrameTuplet = true;
        }
    }

    // The data was whole: only now does the block change.
    m_nEventType = eventType;
    for (auto& [key, item] : read)
        Store(m_items, key, item, true);
    if (haveFrameTuplet) {
        m_frameSize = frameSize;
        m_framePoint = framePoint;
        m_tuplet = tuplet;
    }
}
