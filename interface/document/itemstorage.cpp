// Embedded objects' storages beside "Contents": writing ours, reading ours
// and what is needed to draw those of other programs.
#include "interface/document/itemstorage.h"

#include "model/event.h"
#include "model/frame.h"
#include "model/lists.h"
#include "platform/core/codepage.h"
#include "platform/core/exceptions.h"
#include "platform/storage/storage.h"
#include "platform/storage/streamfile.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <set>

namespace {

constexpr const char* kStoragePrefix = "Embedding ";
constexpr const char* kDataStream = "ObjectData";
constexpr const char* kDescriptionStream = "ObjectDescription";
constexpr uint16_t kDescriptionVersion = 1;
// Streams of an object stored by another program.
const std::string kCompObjStream = "\001CompObj";
const std::string kPresentationPrefix = "\002OlePres";
// The standard clipboard format of a device-independent bitmap.
constexpr uint32_t kFormatDib = 8;

// ---- bytes in and out

// Reads little-endian values and strings off a byte string; any read past
// the end fails, and every later read then fails too.
class CByteReader {
public:
    explicit CByteReader(const std::vector<uint8_t>& bytes) : m_bytes(bytes) {}
    bool Ok() const { return m_ok; }
    size_t Left() const { return m_ok ? m_bytes.size() - m_pos : 0; }
    uint32_t U32() { return static_cast<uint32_t>(Unsigned(4)); }
    uint16_t U16() { return static_cast<uint16_t>(Unsigned(2)); }
    bool Skip(uint64_t count) {
        if (!m_ok || count > Left())
            return m_ok = false;
        m_pos += static_cast<size_t>(count);
        return true;
    }
    // `count` bytes as a string.
    std::string Bytes(uint64_t count) {
        if (!m_ok || count > Left()) {
            m_ok = false;
            return {};
        }
        std::string text(reinterpret_cast<const char*>(m_bytes.data() + m_pos), static_cast<size_t>(count));
        m_pos += static_cast<size_t>(count);
        return text;
    }
    size_t Position() const { return m_pos; }

private:
    uint64_t Unsigned(int size) {
        if (!m_ok || static_cast<size_t>(size) > Left()) {
            m_ok = false;
            return 0;
        }
        uint64_t value = 0;
        for (int i = 0; i < size; ++i)
            value |= static_cast<uint64_t>(m_bytes[m_pos + i]) << (8 * i);
        m_pos += size;
        return value;
    }

    const std::vector<uint8_t>& m_bytes;
    size_t m_pos = 0;
    bool m_ok = true;
};

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutString(std::vector<uint8_t>& out, const std::string& text) {
    PutU32(out, static_cast<uint32_t>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}

// A stream's bytes, or nothing when it cannot be opened.
std::optional<std::vector<uint8_t>> ReadStream(CStorage& storage, const std::string& name) {
    CStorage::ElementType type = CStorage::STGTY_STORAGE;
    if (!storage.HasElement(name, &type) || type != CStorage::STGTY_STREAM)
        return std::nullopt;
    CStreamFile stream;
    CFileException error;
    if (!stream.OpenStream(storage, name, CFile::modeRead, &error))
        return std::nullopt;
    std::vector<uint8_t> bytes(static_cast<size_t>(stream.GetLength()));
    if (stream.Read(bytes.data(), bytes.size()) != bytes.size())
        return std::nullopt;
    return bytes;
}

void WriteStream(CStorage& storage, const std::string& name, const std::vector<uint8_t>& bytes) {
    CStreamFile stream;
    CFileException error;
    if (!stream.CreateStream(storage, name, CFile::modeWrite | CFile::modeCreate, &error))
        throw error;
    stream.Write(bytes.data(), bytes.size());
    stream.Close();
}

// ---- objects of other programs

// The user type of a "\1CompObj" stream: after its 28-byte header, a
// length-prefixed string of the system's code page. Empty when unreadable.
std::string ReadUserType(const std::vector<uint8_t>& bytes) {
    CByteReader in(bytes);
    in.Skip(28);
    const uint32_t length = in.U32();
    std::string text = in.Bytes(length);
    if (!in.Ok())
        return {};
    text.resize(std::strlen(text.c_str()));   // the length counts its NUL
    return Cp1252ToUtf8(text);
}

// The bytes of the colour table and masks between a bitmap header and its
// rows; nothing for a header not understood.
std::optional<uint64_t> ColorTableBytes(CByteReader header, uint32_t headerSize) {
    if (headerSize == 12) {   // the old core header: 3-byte entries
        header.Skip(10);      // size, width, height (2 bytes each), planes
        const uint16_t bits = header.U16();
        if (!header.Ok())
            return std::nullopt;
        return bits <= 8 ? (uint64_t{1} << bits) * 3 : 0;
    }
    if (headerSize < 40)
        return std::nullopt;
    header.Skip(14);   // size, width, height, planes
    const uint16_t bits = header.U16();
    const uint32_t compression = header.U32();
    header.Skip(12);
    const uint32_t colorsUsed = header.U32();
    if (!header.Ok() || bits > 32)
        return std::nullopt;
    uint64_t entries = colorsUsed ? colorsUsed : (bits <= 8 ? uint64_t{1} << bits : 0);
    uint64_t masks = (compression == 3 && headerSize == 40) ? 12 : 0;   // BI_BITFIELDS
    return entries * 4 + masks;
}

// The cached picture of an "\2OlePres..." stream as a BMP file's bytes, when
// it holds a device-independent bitmap; empty otherwise. The stream: the
// format (a marker, then the standard format or a name), the target device
// (its size counts itself), aspect, index, advise flags, a reserved word,
// width, height, the data's size, the data.
std::vector<uint8_t> ReadPresentationBitmap(const std::vector<uint8_t>& bytes) {
    CByteReader in(bytes);
    const uint32_t marker = in.U32();
    if (marker != 0xFFFFFFFFu && marker != 0xFFFFFFFEu)
        return {};   // no format, or a registered one by name: not a bitmap
    const uint32_t format = in.U32();
    const uint32_t deviceSize = in.U32();
    if (!in.Ok() || format != kFormatDib || deviceSize < 4 || !in.Skip(deviceSize - 4))
        return {};
    in.Skip(6 * 4);
    const uint32_t size = in.U32();
    if (!in.Ok() || size > in.Left() || size < 12)
        return {};
    const size_t start = in.Position();
    CByteReader header(bytes);
    header.Skip(start);
    const uint32_t headerSize = CByteReader(header).U32();
    const std::optional<uint64_t> table = ColorTableBytes(header, headerSize);
    if (!table || headerSize + *table > size)
        return {};
    // The file header: "BM", the file's size, two reserved words, the offset
    // of the rows.
    std::vector<uint8_t> file = {'B', 'M'};
    PutU32(file, 14 + size);
    PutU32(file, 0);
    PutU32(file, static_cast<uint32_t>(14 + headerSize + *table));
    file.insert(file.end(), bytes.begin() + start, bytes.begin() + start + size);
    return file;
}

void ReadForeign(CScoreCntrItem& item, CStorage& storage) {
    if (std::optional<std::vector<uint8_t>> compObj = ReadStream(storage, kCompObjStream))
        item.SetForeignClassName(ReadUserType(*compObj));
    for (const CStorage::Element& element : storage.EnumElements()) {
        if (element.type != CStorage::STGTY_STREAM || element.name.rfind(kPresentationPrefix, 0) != 0)
            continue;
        if (std::optional<std::vector<uint8_t>> presentation = ReadStream(storage, element.name)) {
            std::vector<uint8_t> picture = ReadPresentationBitmap(*presentation);
            if (!picture.empty()) {
                item.SetCachedPicture(std::move(picture));
                break;
            }
        }
    }
    // A class name is what marks the item as another program's.
    if (item.GetForeignClassName().empty())
        item.SetForeignClassName("Object");
}

void ClearObject(CScoreCntrItem& item) {
    item.SetData({});
    item.SetMimeType({});
    item.SetFileName({});
    item.SetLinkPath({});
    item.SetForeignClassName({});
    item.SetCachedPicture({});
}

// Whether the item holds an object of ours (anything of ours to write).
bool HoldsOurObject(const CScoreCntrItem& item) {
    return item.GetForeignClassName().empty() &&
           (!item.GetData().empty() || !item.GetMimeType().empty() || item.IsLinked());
}

// The number a storage name gives, or nothing for another name.
std::optional<uint32_t> NumberOfStorage(const std::string& name) {
    const std::string prefix = kStoragePrefix;
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 10 || name.compare(0, prefix.size(), prefix))
        return std::nullopt;
    uint64_t number = 0;
    for (size_t i = prefix.size(); i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9')
            return std::nullopt;
        number = number * 10 + static_cast<uint64_t>(name[i] - '0');
    }
    if (number > UINT32_MAX)
        return std::nullopt;
    return static_cast<uint32_t>(number);
}

}  // namespace

std::string ItemStorageName(uint32_t itemNumber) {
    return kStoragePrefix + std::to_string(itemNumber);
}

std::vector<CScoreCntrItem*> CollectItems(ECBase* performance) {
    std::vector<CScoreCntrItem*> items;
    MCEventList* children = performance ? performance->GetChildren() : nullptr;
    if (!children)
        return items;
    // Frames hang directly under the performance.
    for (POSITION pos = children->GetHeadPosition(); pos;) {
        if (auto* frame = dynamic_cast<ECFrame*>(children->GetNext(pos))) {
            if (CScoreCntrItem* item = frame->GetClientItem())
                items.push_back(item);
        }
    }
    return items;
}

uint32_t NewItemNumber(ECBase* performance, const CStorage* root) {
    uint32_t highest = 0;
    for (const CScoreCntrItem* item : CollectItems(performance))
        highest = std::max(highest, item->GetItemNumber());
    if (root) {
        for (const CStorage::Element& element : root->EnumElements()) {
            if (std::optional<uint32_t> number = NumberOfStorage(element.name))
                highest = std::max(highest, *number);
        }
    }
    // FIXME: a document that used the last number wraps to 0, which no
    // storage of ours is ever named after; four billion objects are not met.
    return highest + 1;
}

void WriteItemStorage(const CScoreCntrItem& item, CStorage& root) {
    if (!HoldsOurObject(item))
        return;
    CStorage* storage = root.CreateStorage(ItemStorageName(item.GetItemNumber()));
    WriteStream(*storage, kDataStream, item.GetData());
    std::vector<uint8_t> description = {static_cast<uint8_t>(kDescriptionVersion & 0xFF),
                                        static_cast<uint8_t>(kDescriptionVersion >> 8)};
    PutString(description, item.GetMimeType());
    PutString(description, item.GetFileName());
    PutString(description, item.GetLinkPath());
    WriteStream(*storage, kDescriptionStream, description);
}

int ReadItemStorage(CScoreCntrItem& item, CStorage& root) {
    ClearObject(item);
    try {
        const std::string name = ItemStorageName(item.GetItemNumber());
        CStorage::ElementType type = CStorage::STGTY_STREAM;
        if (!root.HasElement(name, &type) || type != CStorage::STGTY_STORAGE)
            return 0;
        CStorage& storage = *root.OpenStorage(name);
        if (!storage.HasElement(kDescriptionStream)) {
            ReadForeign(item, storage);
            return 2;
        }
        std::optional<std::vector<uint8_t>> description = ReadStream(storage, kDescriptionStream);
        std::optional<std::vector<uint8_t>> data = ReadStream(storage, kDataStream);
        if (!description || !data)
            return 0;
        CByteReader in(*description);
        const uint16_t version = in.U16();
        std::string mimeType = in.Bytes(in.U32());
        std::string fileName = in.Bytes(in.U32());
        std::string linkPath = in.Bytes(in.U32());
        // A later version may add to the end; what it has first is read.
        if (!in.Ok() || version < kDescriptionVersion || !IsValidUtf8(mimeType) || !IsValidUtf8(fileName) ||
            !IsValidUtf8(linkPath))
            return 0;
        item.SetData(std::move(*data));
        item.SetMimeType(std::move(mimeType));
        item.SetFileName(std::move(fileName));
        item.SetLinkPath(std::move(linkPath));
        return 1;
    } catch (const CException&) {
        ClearObject(item);
        return 0;
    } catch (const std::bad_alloc&) {
        ClearObject(item);
        return 0;
    }
}

void WriteItemStorages(ECBase* performance, CStorage& root) {
    const std::vector<CScoreCntrItem*> items = CollectItems(performance);
    // Objects of other programs keep their storages, so their numbers are
    // taken first.
    std::set<uint32_t> taken;
    for (const CScoreCntrItem* item : items) {
        if (!item->GetForeignClassName().empty())
            taken.insert(item->GetItemNumber());
    }
    for (CScoreCntrItem* item : items) {
        if (HoldsOurObject(*item) && !taken.insert(item->GetItemNumber()).second) {
            item->SetItemNumber(NewItemNumber(performance, &root));
            taken.insert(item->GetItemNumber());
        }
        WriteItemStorage(*item, root);
    }
    // Storages of ours that no item uses any more (their frames were
    // deleted) go; an item brought back holds its object itself. Those of
    // other programs stay: nothing but the storage holds them.
    std::set<uint32_t> used;
    for (const CScoreCntrItem* item : items)
        used.insert(item->GetItemNumber());
    for (const CStorage::Element& element : root.EnumElements()) {
        const std::optional<uint32_t> number = NumberOfStorage(element.name);
        if (!number || used.count(*number) || element.type != CStorage::STGTY_STORAGE)
            continue;
        if (root.OpenStorage(element.name)->HasElement(kDescriptionStream))
            root.DestroyElement(element.name);
    }
}

void ReadItemStorages(ECBase* performance, CStorage& root) {
    for (CScoreCntrItem* item : CollectItems(performance))
        ReadItemStorage(*item, root);
}
