// CArchive: the byte format of documents and clipboard data. An archive reads
// (loads) or writes (stores) a CFile through a buffer: little-endian scalars,
// counts, strings, raw bytes and objects by reference.
//
// The format, which documents written by earlier versions share:
//   scalars   BYTE/char 1, WORD/short 2, LONG/DWORD/int 4, float 4, double 8 bytes
//   count     WORD; from 0xFFFF up, WORD 0xFFFF then DWORD
//   string    length < 255: BYTE; else BYTE 0xFF + WORD (< 0xFFFE); else BYTE 0xFF,
//             WORD 0xFFFF, DWORD; then Windows-1252 bytes. A text that does not fit
//             Windows-1252 is written wide: BYTE 0xFF, WORD 0xFFFE, the length as
//             above, UTF-16LE units. Both forms load.
//   objects   classes and objects share one index sequence from 1 (0 is null):
//             null                WORD 0
//             object seen before  WORD index, or WORD 0x7FFF + DWORD index
//             new object          its class, then its own bytes (Serialize)
//               class first seen  WORD 0xFFFF, WORD schema, WORD name length, name
//               class seen before WORD 0x8000|index, or WORD 0x7FFF + DWORD 0x80000000|index
//             A new class takes the next index, then its new object takes the next.
//             MapObject takes an index for an object without writing it.
//
// Loading trusts nothing it reads: a count or length larger than the bytes left,
// or a read past the end, throws CArchiveException(endOfFile); an unknown class,
// or an object of another class than the one expected, badClass; a plain class
// stored with another schema, badSchema; an index not yet seen, badIndex. A new
// object is entered at its index before its Serialize runs, so references to it
// from inside its own data resolve.
//
// An object ReadObject made whose own Serialize then throws was never handed to
// a reader: the archive gives it to its OnReadFailed (see CObject), which by
// default deletes it, and a later reference to its index throws badIndex. What
// it read successfully before failing is its own and goes with it.
//
// An archive is used by one thread at a time; it borrows its file.
#pragma once

#include "platform/core/exceptions.h"
#include "platform/core/file.h"
#include "platform/core/object.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

// The fixed widths of archived scalars. LONG is 32 bits here as in the files,
// whatever the width of `long`.
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;

class CArchive {
public:
    enum Mode : unsigned {
        store = 0,
        load = 1,
        bNoFlushOnDelete = 2,   // the destructor neither flushes nor hands back the position
    };

    // An archive over `file` (borrowed, open, positioned where the archive
    // starts). `bufferSize` is the size of the read or write buffer.
    CArchive(CFile* file, unsigned mode, int bufferSize = 4096);
    // Closes (flushing a storing archive, handing a loading archive's position
    // back), swallowing errors, unless created with bNoFlushOnDelete or already
    // closed. Call Close to see write errors.
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsLoading() const { return (m_nMode & load) != 0; }
    bool IsStoring() const { return (m_nMode & load) == 0; }
    CFile* GetFile() const { return m_pFile; }

    // Storing: writes the buffer to the file. Loading: puts the file back at the
    // archive's logical position and empties the buffer, so that a reader may go
    // on on the file itself and then on the archive where the file stands.
    void Flush();
    // Flushes and lets go of the file; the archive cannot be used afterwards.
    void Close();
    // Lets go of the file without writing what is buffered.
    void Abort();

    // Hints for the object tables (expected growth of the load table; the store
    // map's hash size and block size). They change no byte.
    void SetLoadParams(unsigned growBy = 1024);
    void SetStoreParams(unsigned hashSize = 2053, unsigned blockSize = 128);

    // Raw bytes. Read returns how many it got (fewer only at the end of data);
    // ReadExact throws endOfFile instead.
    size_t Read(void* buffer, size_t count);
    void ReadExact(void* buffer, size_t count);
    void Write(const void* buffer, size_t count);

    // Loading: bytes not yet read (buffer and file). Throws endOfFile when fewer
    // than `needed` are left, for readers checking their own sizes.
    uint64_t GetRemaining();
    void CheckRemaining(uint64_t needed);

    // Counts. ReadCount throws endOfFile when the count exceeds the bytes left
    // divided by `minElementSize` (each element takes at least that much); pass 0
    // for a count that does not count stored elements.
    void WriteCount(uint64_t count);
    DWORD ReadCount(size_t minElementSize = 1);
    // Loading: how many of `count` elements of `memorySize` bytes each to
    // reserve room for up front: no more than the bytes left would fill, and
    // no more than a megabyte; beyond that the container grows as elements
    // really arrive. An element may be stored in fewer bytes than it takes in
    // memory (a pointer in a two-byte tag), and a file may hold less than it
    // claims, so the count a damaged file states is no measure of memory.
    size_t GetReserveCount(DWORD count, size_t memorySize);

    // Strings (UTF-8 in memory).
    void WriteString(std::string_view text);
    std::string ReadString();

    // Objects by reference. ReadObject checks the class against `expected` when
    // given (badClass on a mismatch). Both throw badClass for a class that
    // cannot be archived. An object whose own reading fails goes to its
    // OnReadFailed before the exception leaves ReadObject.
    void WriteObject(const CObject* object);
    CObject* ReadObject(const CRuntimeClass* expected);
    void WriteClass(const CRuntimeClass* cls);
    // Reads a class tag. When `objectTag` is given and the tag is an object
    // reference instead, returns null and the reference there.
    const CRuntimeClass* ReadClass(const CRuntimeClass* expected = nullptr, unsigned* schema = nullptr,
                                   DWORD* objectTag = nullptr);
    // Gives `object` the next index without writing or reading it, on both sides
    // alike, so that later references to it are back references.
    void MapObject(const CObject* object);

    // The schema the current object was stored with; answers once, then -1.
    unsigned GetObjectSchema();
    void SetObjectSchema(unsigned schema) { m_nObjectSchema = schema; }

    // Scalars.
    CArchive& operator<<(BYTE v) { return Put(v); }
    CArchive& operator<<(WORD v) { return Put(v); }
    CArchive& operator<<(DWORD v) { return Put(v); }
    CArchive& operator<<(LONG v) { return Put(v); }
    CArchive& operator<<(short v) { return Put(v); }
    CArchive& operator<<(char v) { return Put(v); }
    CArchive& operator<<(signed char v) { return Put(v); }
    CArchive& operator<<(float v) { return Put(v); }
    CArchive& operator<<(double v) { return Put(v); }
    CArchive& operator>>(BYTE& v) { return Get(v); }
    CArchive& operator>>(WORD& v) { return Get(v); }
    CArchive& operator>>(DWORD& v) { return Get(v); }
    CArchive& operator>>(LONG& v) { return Get(v); }
    CArchive& operator>>(short& v) { return Get(v); }
    CArchive& operator>>(char& v) { return Get(v); }
    CArchive& operator>>(signed char& v) { return Get(v); }
    CArchive& operator>>(float& v) { return Get(v); }
    CArchive& operator>>(double& v) { return Get(v); }
    // The files have no bool and no 64-bit integers; `long` is 64 bits here but 32
    // in the files. Say which width is meant (LONG, DWORD, BYTE).
    CArchive& operator<<(bool) = delete;
    CArchive& operator<<(long) = delete;
    CArchive& operator<<(unsigned long) = delete;
    CArchive& operator<<(long long) = delete;
    CArchive& operator<<(unsigned long long) = delete;
    CArchive& operator>>(bool&) = delete;
    CArchive& operator>>(long&) = delete;
    CArchive& operator>>(unsigned long&) = delete;
    CArchive& operator>>(long long&) = delete;
    CArchive& operator>>(unsigned long long&) = delete;

    CArchive& operator<<(std::string_view text) { WriteString(text); return *this; }
    CArchive& operator<<(const std::string& text) { WriteString(text); return *this; }
    CArchive& operator<<(const char* text) { WriteString(text); return *this; }
    CArchive& operator>>(std::string& text) { text = ReadString(); return *this; }

    CArchive& operator<<(const CObject* object) { WriteObject(object); return *this; }
    CArchive& operator>>(CObject*& object) { object = ReadObject(nullptr); return *this; }

    // Arrays of scalars: count, then the elements.
    template <class T>
    void WriteArray(const std::vector<T>& values);
    template <class T>
    void ReadArray(std::vector<T>& values);

    // Arrays and lists of objects: count, then each element by reference.
    template <class Range>
    void WriteObjects(const Range& objects);
    // Appends to `objects`; each element must be a T (or derived) or null.
    template <class T>
    void ReadObjects(std::vector<T*>& objects);

    // The document being loaded or stored, set by whoever builds the archive;
    // objects consult it while they are serialized. Borrowed, may be null.
    CObject* m_pDocument = nullptr;

private:
    template <class T>
    CArchive& Put(T value);
    template <class T>
    CArchive& Get(T& value);

    // Slow paths of the buffer: write it out / refill it with at least `needed` bytes.
    void WriteBuffer();
    void FillBuffer(size_t needed);
    void CheckUsable() const;
    [[noreturn]] void Throw(CArchiveException::Cause cause) const;
    // A length prefix of a string (the narrow form's, also after the wide marker).
    uint64_t ReadStringLength(bool& wide);
    void WriteStringLength(uint64_t length);
    // Writes an index as an object or class reference.
    void WriteReference(DWORD index, bool isClass);
    // The next index, checked against the largest the format can hold.
    DWORD NextIndex();

    // One entry of the load table, indexed as in the file.
    struct LoadEntry {
        const void* pointer;   // CObject* or const CRuntimeClass*
        unsigned schema;       // for a class: the schema stored with it
        bool isClass;
        bool unread = false;   // an object whose reading failed: no reference may reach it
    };

    CFile* m_pFile;            // borrowed; null once closed
    unsigned m_nMode;
    std::vector<BYTE> m_buffer;
    BYTE* m_pCur = nullptr;    // next byte to read or write
    BYTE* m_pMax = nullptr;    // loading: end of valid data; storing: end of buffer
    uint64_t m_nFileRemaining = 0;   // loading: file bytes after the buffer
    bool m_bRemainingKnown = false;

    DWORD m_nMapCount = 1;     // the next index; 0 is null
    std::unordered_map<const void*, DWORD> m_storeMap;   // object or class -> index
    std::vector<LoadEntry> m_loadTable;                  // index -> object or class
    unsigned m_nObjectSchema = static_cast<unsigned>(-1);
    int m_nDepth = 0;          // nesting of ReadObject, bounded against hostile data
};

// ---- inline fast paths ------------------------------------------------------

template <class T>
CArchive& CArchive::Put(T value) {
    static_assert(std::is_arithmetic_v<T>);
    if (!IsStoring())
        Throw(CArchiveException::readOnly);
    if (m_pMax - m_pCur < static_cast<std::ptrdiff_t>(sizeof(T)))
        WriteBuffer();
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(m_pCur, &value, sizeof(T));
    } else {
        BYTE bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        for (size_t i = 0; i < sizeof(T); ++i)
            m_pCur[i] = bytes[sizeof(T) - 1 - i];
    }
    m_pCur += sizeof(T);
    return *this;
}

template <class T>
CArchive& CArchive::Get(T& value) {
    static_assert(std::is_arithmetic_v<T>);
    if (!IsLoading())
        Throw(CArchiveException::writeOnly);
    if (m_pMax - m_pCur < static_cast<std::ptrdiff_t>(sizeof(T)))
        FillBuffer(sizeof(T));
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&value, m_pCur, sizeof(T));
    } else {
        BYTE bytes[sizeof(T)];
        for (size_t i = 0; i < sizeof(T); ++i)
            bytes[i] = m_pCur[sizeof(T) - 1 - i];
        std::memcpy(&value, bytes, sizeof(T));
    }
    m_pCur += sizeof(T);
    return *this;
}

template <class T>
void CArchive::WriteArray(const std::vector<T>& values) {
    WriteCount(values.size());
    for (const T& value : values)
        *this << value;
}

template <class T>
void CArchive::ReadArray(std::vector<T>& values) {
    const DWORD count = ReadCount(sizeof(T));
    values.resize(count);
    for (T& value : values)
        *this >> value;
}

template <class Range>
void CArchive::WriteObjects(const Range& objects) {
    WriteCount(static_cast<uint64_t>(std::size(objects)));
    for (const auto* object : objects)
        WriteObject(object);
}

template <class T>
void CArchive::ReadObjects(std::vector<T*>& objects) {
    // Each element takes at least its two-byte tag.
    const DWORD count = ReadCount(2);
    objects.reserve(objects.size() + GetReserveCount(count, sizeof(T*)));
    for (DWORD i = 0; i < count; ++i)
        objects.push_back(static_cast<T*>(ReadObject(RUNTIME_CLASS(T))));
}
