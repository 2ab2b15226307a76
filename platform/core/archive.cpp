#include "platform/core/archive.h"

#include "platform/core/codepage.h"

#include <algorithm>
#include <new>

namespace {

// Tags of the object format.
constexpr WORD kNullTag = 0x0000;
constexpr WORD kNewClassTag = 0xFFFF;
constexpr WORD kClassTag = 0x8000;          // or-ed into a short class index
constexpr WORD kBigObjectTag = 0x7FFF;      // a DWORD index follows
constexpr DWORD kBigClassTag = 0x80000000;  // or-ed into a long class index
// The largest index handed out, so that an index never reaches the class bit.
constexpr DWORD kMaxMapCount = 0x3FFFFFFE;

// String length prefixes.
constexpr BYTE kLongLength = 0xFF;          // a WORD length follows
constexpr WORD kWideMarker = 0xFFFE;        // after kLongLength: a wide string
constexpr WORD kHugeLength = 0xFFFF;        // after kLongLength: a DWORD length follows

// Objects nested inside objects being loaded. Real documents nest a few dozen
// deep; the bound keeps hostile data from exhausting the stack.
constexpr int kMaxObjectDepth = 4096;

constexpr size_t kMinBufferSize = 64;

}  // namespace

// ---- construction and the buffer --------------------------------------------

CArchive::CArchive(CFile* file, unsigned mode, int bufferSize)
    : m_pFile(file),
      m_nMode(mode),
      m_buffer(std::max(kMinBufferSize, static_cast<size_t>(std::max(bufferSize, 0)))) {
    if (!m_pFile)
        Throw(CArchiveException::generic);
    m_pCur = m_buffer.data();
    m_pMax = IsLoading() ? m_buffer.data() : m_buffer.data() + m_buffer.size();
    if (IsLoading())
        m_loadTable.push_back({nullptr, 0, false});   // index 0: null
}

CArchive::~CArchive() {
    if (!m_pFile)
        return;
    if (m_nMode & bNoFlushOnDelete) {
        Abort();
        return;
    }
    try {
        Close();
    } catch (...) {
        // A destructor cannot report; Close reports to those who call it.
        Abort();
    }
}

void CArchive::CheckUsable() const {
    if (!m_pFile)
        Throw(CArchiveException::generic);
}

void CArchive::Throw(CArchiveException::Cause cause) const {
    throw CArchiveException(cause, m_pFile ? m_pFile->GetFilePath() : std::string());
}

void CArchive::WriteBuffer() {
    CheckUsable();
    const size_t pending = static_cast<size_t>(m_pCur - m_buffer.data());
    m_pCur = m_buffer.data();
    if (pending)
        m_pFile->Write(m_buffer.data(), pending);
}

void CArchive::FillBuffer(size_t needed) {
    CheckUsable();
    // Keep the unread bytes, moved to the front.
    const size_t unread = static_cast<size_t>(m_pMax - m_pCur);
    if (unread && m_pCur != m_buffer.data())
        std::memmove(m_buffer.data(), m_pCur, unread);
    m_pCur = m_buffer.data();
    m_pMax = m_pCur + unread;
    BYTE* const end = m_buffer.data() + m_buffer.size();
    while (static_cast<size_t>(m_pMax - m_pCur) < needed && m_pMax < end) {
        const size_t got = m_pFile->Read(m_pMax, static_cast<size_t>(end - m_pMax));
        if (got == 0)
            break;
        m_pMax += got;
        if (m_bRemainingKnown)
            m_nFileRemaining -= std::min<uint64_t>(m_nFileRemaining, got);
    }
    if (static_cast<size_t>(m_pMax - m_pCur) < needed)
        Throw(CArchiveException::endOfFile);
}

void CArchive::Flush() {
    CheckUsable();
    if (IsStoring()) {
        WriteBuffer();
        return;
    }
    // Give back what was read ahead, so the file stands where the archive does.
    const size_t unread = static_cast<size_t>(m_pMax - m_pCur);
    if (unread)
        m_pFile->Seek(-static_cast<int64_t>(unread), CFile::current);
    m_pCur = m_pMax = m_buffer.data();
    m_bRemainingKnown = false;   // the reader may move the file
}

void CArchive::Close() {
    if (!m_pFile)
        return;
    Flush();
    Abort();
}

void CArchive::Abort() {
    m_pFile = nullptr;
    // Both ends null: every fast path falls into a slow path, which refuses.
    m_pCur = m_pMax = nullptr;
}

void CArchive::SetLoadParams(unsigned growBy) {
    if (IsLoading())
        m_loadTable.reserve(m_loadTable.size() + growBy);
}

void CArchive::SetStoreParams(unsigned hashSize, unsigned) {
    if (IsStoring())
        m_storeMap.reserve(hashSize);
}

// ---- raw bytes ---------------------------------------------------------------

size_t CArchive::Read(void* buffer, size_t count) {
    if (!IsLoading())
        Throw(CArchiveException::writeOnly);
    CheckUsable();
    auto* out = static_cast<BYTE*>(buffer);
    size_t done = 0;
    while (done < count) {
        size_t available = static_cast<size_t>(m_pMax - m_pCur);
        if (available == 0) {
            const size_t left = count - done;
            if (left >= m_buffer.size()) {
                // Large reads go around the buffer.
                const size_t got = m_pFile->Read(out + done, left);
                if (m_bRemainingKnown)
                    m_nFileRemaining -= std::min<uint64_t>(m_nFileRemaining, got);
                done += got;
                break;
            }
            try {
                FillBuffer(1);
            } catch (const CArchiveException&) {
                break;   // the end of data: report what was read
            }
            available = static_cast<size_t>(m_pMax - m_pCur);
        }
        const size_t take = std::min(available, count - done);
        std::memcpy(out + done, m_pCur, take);
        m_pCur += take;
        done += take;
    }
    return done;
}

void CArchive::ReadExact(void* buffer, size_t count) {
    if (Read(buffer, count) != count)
        Throw(CArchiveException::endOfFile);
}

void CArchive::Write(const void* buffer, size_t count) {
    if (!IsStoring())
        Throw(CArchiveException::readOnly);
    CheckUsable();
    if (count == 0)
        return;
    const auto* in = static_cast<const BYTE*>(buffer);
    if (static_cast<size_t>(m_pMax - m_pCur) >= count) {
        std::memcpy(m_pCur, in, count);
        m_pCur += count;
        return;
    }
    WriteBuffer();
    if (count >= m_buffer.size()) {
        m_pFile->Write(in, count);
        return;
    }
    std::memcpy(m_pCur, in, count);
    m_pCur += count;
}

uint64_t CArchive::GetRemaining() {
    if (!IsLoading())
        Throw(CArchiveException::writeOnly);
    CheckUsable();
    if (!m_bRemainingKnown) {
        const uint64_t length = m_pFile->GetLength();
        const uint64_t position = m_pFile->GetPosition();
        m_nFileRemaining = length > position ? length - position : 0;
        m_bRemainingKnown = true;
    }
    return static_cast<uint64_t>(m_pMax - m_pCur) + m_nFileRemaining;
}

void CArchive::CheckRemaining(uint64_t needed) {
    // Within the buffer no file needs asking.
    if (IsLoading() && needed <= static_cast<uint64_t>(m_pMax - m_pCur))
        return;
    if (GetRemaining() < needed)
        Throw(CArchiveException::endOfFile);
}

// ---- counts and strings -----------------------------------------------------

void CArchive::WriteCount(uint64_t count) {
    if (count < 0xFFFF) {
        *this << static_cast<WORD>(count);
        return;
    }
    if (count > 0xFFFFFFFFu)
        Throw(CArchiveException::generic);   // more than the format can count
    *this << static_cast<WORD>(0xFFFF) << static_cast<DWORD>(count);
}

DWORD CArchive::ReadCount(size_t minElementSize) {
    WORD shortCount;
    *this >> shortCount;
    DWORD count = shortCount;
    if (shortCount == 0xFFFF)
        *this >> count;
    if (minElementSize)
        CheckRemaining(static_cast<uint64_t>(count) * minElementSize);
    return count;
}

size_t CArchive::GetReserveCount(DWORD count, size_t memorySize) {
    constexpr uint64_t kMaxReserveBytes = uint64_t{1} << 20;
    const uint64_t bytes = std::min(GetRemaining(), kMaxReserveBytes);
    return static_cast<size_t>(std::min<uint64_t>(count, bytes / std::max<size_t>(memorySize, 1)));
}

void CArchive::WriteStringLength(uint64_t length) {
    if (length < kLongLength) {
        *this << static_cast<BYTE>(length);
    } else if (length < kWideMarker) {
        *this << kLongLength << static_cast<WORD>(length);
    } else if (length <= 0xFFFFFFFFu) {
        *this << kLongLength << kHugeLength << static_cast<DWORD>(length);
    } else {
        Throw(CArchiveException::generic);
    }
}

void CArchive::WriteString(std::string_view text) {
    std::string bytes;
    if (Utf8ToCp1252(text, bytes)) {
        WriteStringLength(bytes.size());
        Write(bytes.data(), bytes.size());
        return;
    }
    const std::u16string units = Utf8ToUtf16(text);
    *this << kLongLength << kWideMarker;
    WriteStringLength(units.size());
    for (char16_t unit : units)
        *this << static_cast<WORD>(unit);
}

uint64_t CArchive::ReadStringLength(bool& wide) {
    wide = false;
    BYTE shortLength;
    *this >> shortLength;
    if (shortLength < kLongLength)
        return shortLength;
    WORD length;
    *this >> length;
    if (length == kWideMarker) {
        // The wide marker is followed by a length of the same shape, in which a
        // WORD of 0xFFFE is a length.
        wide = true;
        *this >> shortLength;
        if (shortLength < kLongLength)
            return shortLength;
        *this >> length;
        if (length < kHugeLength)
            return length;
    } else if (length != kHugeLength) {
        return length;
    }
    DWORD hugeLength;
    *this >> hugeLength;
    return hugeLength;
}

std::string CArchive::ReadString() {
    bool wide = false;
    const uint64_t length = ReadStringLength(wide);
    CheckRemaining(wide ? length * 2 : length);
    if (!wide) {
        std::string bytes(static_cast<size_t>(length), '\0');
        ReadExact(bytes.data(), bytes.size());
        const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        return ascii ? bytes : Cp1252ToUtf8(bytes);
    }
    std::u16string units(static_cast<size_t>(length), u'\0');
    for (char16_t& unit : units) {
        WORD value;
        *this >> value;
        unit = static_cast<char16_t>(value);
    }
    return Utf16ToUtf8(units);
}

// ---- objects ----------------------------------------------------------------

DWORD CArchive::NextIndex() {
    if (m_nMapCount >= kMaxMapCount)
        Throw(CArchiveException::badIndex);
    return m_nMapCount++;
}

void CArchive::WriteReference(DWORD index, bool isClass) {
    if (index < kBigObjectTag) {
        *this << static_cast<WORD>(isClass ? (kClassTag | index) : index);
    } else {
        *this << kBigObjectTag << (isClass ? (kBigClassTag | index) : index);
    }
}

void CArchive::MapObject(const CObject* object) {
    if (IsStoring()) {
        m_storeMap[object] = NextIndex();
    } else {
        m_loadTable.push_back({object, 0, false});
        NextIndex();
    }
}

unsigned CArchive::GetObjectSchema() {
    const unsigned schema = m_nObjectSchema;
    m_nObjectSchema = static_cast<unsigned>(-1);
    return schema;
}

void CArchive::WriteClass(const CRuntimeClass* cls) {
    if (!IsStoring())
        Throw(CArchiveException::readOnly);
    if (!cls || !cls->IsSerializable())
        Throw(CArchiveException::badClass);
    const auto found = m_storeMap.find(cls);
    if (found != m_storeMap.end()) {
        WriteReference(found->second, true);
        return;
    }
    const size_t nameLength = std::strlen(cls->m_lpszClassName);
    if (nameLength > 0xFFFF)
        Throw(CArchiveException::badClass);
    *this << kNewClassTag << static_cast<WORD>(cls->GetSchema()) << static_cast<WORD>(nameLength);
    Write(cls->m_lpszClassName, nameLength);
    m_storeMap[cls] = NextIndex();
}

void CArchive::WriteObject(const CObject* object) {
    if (!IsStoring())
        Throw(CArchiveException::readOnly);
    if (!object) {
        *this << kNullTag;
        return;
    }
    const auto found = m_storeMap.find(object);
    if (found != m_storeMap.end()) {
        WriteReference(found->second, false);
        return;
    }
    WriteClass(object->GetRuntimeClass());
    // Entered before its data, so references to it from inside are back references.
    m_storeMap[object] = NextIndex();
    const_cast<CObject*>(object)->Serialize(*this);
}

const CRuntimeClass* CArchive::ReadClass(const CRuntimeClass* expected, unsigned* schema,
                                         DWORD* objectTag) {
    if (!IsLoading())
        Throw(CArchiveException::writeOnly);
    WORD tag;
    *this >> tag;

    const CRuntimeClass* cls = nullptr;
    unsigned storedSchema = 0;
    if (tag == kNewClassTag) {
        WORD wireSchema, nameLength;
        *this >> wireSchema >> nameLength;
        CheckRemaining(nameLength);
        std::string name(nameLength, '\0');
        ReadExact(name.data(), name.size());
        cls = CRuntimeClass::FromName(name);
        if (!cls || !cls->IsSerializable())
            Throw(CArchiveException::badClass);
        storedSchema = wireSchema;
        if (!cls->IsVersionable() && storedSchema != cls->GetSchema())
            Throw(CArchiveException::badSchema);
        m_loadTable.push_back({cls, storedSchema, true});
        NextIndex();
    } else {
        DWORD fullTag;
        if (tag == kBigObjectTag)
            *this >> fullTag;
        else
            fullTag = (static_cast<DWORD>(tag & kClassTag) << 16) | (tag & ~kClassTag);
        if (!(fullTag & kBigClassTag)) {
            // An object reference where a class was asked for.
            if (!objectTag)
                Throw(CArchiveException::badClass);
            *objectTag = fullTag;
            return nullptr;
        }
        const DWORD index = fullTag & ~kBigClassTag;
        if (index == 0 || index >= m_loadTable.size() || !m_loadTable[index].isClass)
            Throw(CArchiveException::badIndex);
        cls = static_cast<const CRuntimeClass*>(m_loadTable[index].pointer);
        storedSchema = m_loadTable[index].schema;
    }
    if (expected && !cls->IsDerivedFrom(expected))
        Throw(CArchiveException::badClass);
    m_nObjectSchema = storedSchema;
    if (schema)
        *schema = storedSchema;
    return cls;
}

CObject* CArchive::ReadObject(const CRuntimeClass* expected) {
    if (!IsLoading())
        Throw(CArchiveException::writeOnly);
    DWORD objectTag = 0;
    const CRuntimeClass* cls = ReadClass(expected, nullptr, &objectTag);
    if (!cls) {
        if (objectTag == 0)
            return nullptr;
        if (objectTag >= m_loadTable.size() || m_loadTable[objectTag].isClass || m_loadTable[objectTag].unread)
            Throw(CArchiveException::badIndex);
        auto* object = static_cast<CObject*>(const_cast<void*>(m_loadTable[objectTag].pointer));
        if (object && expected && !object->IsKindOf(expected))
            Throw(CArchiveException::badClass);
        return object;
    }
    if (!cls->m_pfnCreateObject)
        Throw(CArchiveException::badClass);
    if (m_nDepth >= kMaxObjectDepth)
        Throw(CArchiveException::generic);
    CObject* object = nullptr;
    try {
        object = cls->CreateObject();
    } catch (const std::bad_alloc&) {
        throw CMemoryException();
    }
    if (!object)
        Throw(CArchiveException::badClass);
    // Entered before its data is read: a reference to it from inside resolves.
    const size_t index = m_loadTable.size();
    m_loadTable.push_back({object, 0, false});
    NextIndex();

    struct DepthGuard {
        int& depth;
        explicit DepthGuard(int& d) : depth(d) { ++depth; }
        ~DepthGuard() { --depth; }
    } guard(m_nDepth);
    try {
        object->Serialize(*this);
    } catch (...) {
        // Nobody has the object yet, and nobody will: it is settled here,
        // and its index leads nowhere from now on.
        m_loadTable[index] = {nullptr, 0, false, true};
        m_nObjectSchema = static_cast<unsigned>(-1);
        object->OnReadFailed();
        throw;
    }
    m_nObjectSchema = static_cast<unsigned>(-1);
    return object;
}
