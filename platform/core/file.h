// Byte files: CFile, the stream every archive reads and writes, implemented here
// over an operating-system file; CMemFile, a growable file in memory (clipboard
// data); CFileStatus, the status record of a file; CTime, a time in seconds.
//
// CFile is the stream base as well: its operations are virtual, and other
// streams (the memory file below, a compound-file stream in the storage layer)
// derive from it and replace them all. A file object is used by one thread at a
// time. Failures throw CFileException with the cause, errno and file name;
// reading at the end is not a failure (Read returns fewer bytes, 0 at the end).
#pragma once

#include "platform/core/exceptions.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

// A point in time, whole seconds since 1970-01-01 00:00 UTC. Broken-down fields
// are in local time, as the system shows them.
class CTime {
public:
    CTime() = default;
    explicit CTime(int64_t seconds) : m_time(seconds) {}
    // Local time; month 1..12, day 1..31.
    CTime(int year, int month, int day, int hour, int minute, int second);

    static CTime GetCurrentTime();

    int64_t GetTime() const { return m_time; }
    int GetYear() const;
    int GetMonth() const;       // 1..12
    int GetDay() const;         // 1..31
    int GetHour() const;        // 0..23
    int GetMinute() const;
    int GetSecond() const;
    int GetDayOfWeek() const;   // 1 Sunday .. 7 Saturday

    // strftime-style formatting, in local time or in UTC.
    std::string Format(const char* format) const;
    std::string FormatGmt(const char* format) const;

    auto operator<=>(const CTime&) const = default;

private:
    std::tm Local() const;
    int64_t m_time = 0;
};

// The status of a file, as the system records it.
struct CFileStatus {
    CTime m_ctime;               // creation (birth time where the file system keeps it, else modification)
    CTime m_mtime;               // last modification
    CTime m_atime;               // last access
    uint64_t m_size = 0;         // bytes
    uint8_t m_attribute = 0;     // CFile::Attribute bits
    std::string m_szFullName;    // absolute path
};

class CFile {
public:
    // Open flags, combinable: one access mode, one share mode, and modifiers.
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,   // no other opener that asks for sharing rules
        shareDenyWrite = 0x0020,   // others may read
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,       // create; truncate an existing file unless modeNoTruncate
        modeNoTruncate = 0x2000,
        typeText = 0x4000,         // accepted; files are always binary here
        typeBinary = 0x8000,
    };
    // The attribute byte of CFileStatus.
    enum Attribute : uint8_t {
        normal = 0x00,
        readOnly = 0x01,
        hidden = 0x02,
        system = 0x04,
        volume = 0x08,
        directory = 0x10,
        archive = 0x20,
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    CFile();
    // Opens at once; throws CFileException on failure.
    CFile(const std::string& path, unsigned openFlags);
    virtual ~CFile();   // closes, ignoring errors
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Opens a file; on failure fills `error` (when given) and returns false.
    // Share modes are kept as advisory locks among openers that ask for them:
    // shareExclusive (and a writer denying writes) locks exclusively, a reader
    // denying writes or reads shares; a conflict is a sharingViolation.
    virtual bool Open(const std::string& path, unsigned openFlags, CFileException* error = nullptr);

    // Reads up to `count` bytes; returns how many were read (0 at the end).
    virtual size_t Read(void* buffer, size_t count);
    // Writes all bytes or throws.
    virtual void Write(const void* buffer, size_t count);
    // Moves the position; returns the new position. A position before the start is badSeek.
    virtual uint64_t Seek(int64_t offset, SeekPosition from);
    void SeekToBegin() { Seek(0, begin); }
    uint64_t SeekToEnd() { return Seek(0, end); }
    virtual uint64_t GetPosition() const;
    virtual uint64_t GetLength() const;
    virtual void SetLength(uint64_t length);
    // Makes the written bytes durable.
    virtual void Flush();
    // Closes; throws when the last writes fail.
    virtual void Close();
    // Closes, ignoring every error.
    virtual void Abort();
    virtual bool IsOpen() const { return m_fd >= 0; }

    // The status of this open file.
    virtual bool GetStatus(CFileStatus& status) const;

    virtual std::string GetFilePath() const { return m_strFileName; }
    virtual void SetFilePath(const std::string& path) { m_strFileName = path; }
    // The last component of the path.
    std::string GetFileName() const;
    // The last component without its extension.
    std::string GetFileTitle() const;

    // The status of a file by path; false when it does not exist.
    static bool GetStatus(const std::string& path, CFileStatus& status);
    static void Rename(const std::string& oldPath, const std::string& newPath);
    static void Remove(const std::string& path);

protected:
    // Throws CFileException for errno `osError` with this file's name.
    [[noreturn]] void ThrowOsError(int osError) const;
    // Throws when no file is open.
    void CheckOpen() const;

    std::string m_strFileName;   // absolute path, empty when closed or in memory

private:
    int m_fd = -1;   // owned descriptor, -1 when closed
};

// A file in memory, growing in steps of `growBytes` as it is written. It owns its
// bytes, or works in a caller's buffer attached to it (borrowed; such a file
// grows only when given grow bytes, and then moves to memory of its own).
class CMemFile : public CFile {
public:
    explicit CMemFile(size_t growBytes = 1024);
    // Works in `buffer` (borrowed, `size` bytes long, all of it content).
    CMemFile(uint8_t* buffer, size_t size, size_t growBytes = 0);
    // Owns these bytes as its content.
    explicit CMemFile(std::vector<uint8_t> bytes, size_t growBytes = 1024);
    ~CMemFile() override;

    // Works in `buffer` from now on (content `size` bytes, position 0); any
    // previous content is dropped.
    void Attach(uint8_t* buffer, size_t size, size_t growBytes = 0);
    // Hands out the content and leaves the file empty.
    std::vector<uint8_t> Detach();
    // The content, valid until the next write.
    const uint8_t* GetData() const { return m_data; }

    bool Open(const std::string& path, unsigned openFlags, CFileException* error = nullptr) override;
    size_t Read(void* buffer, size_t count) override;
    void Write(const void* buffer, size_t count) override;
    uint64_t Seek(int64_t offset, SeekPosition from) override;
    uint64_t GetPosition() const override { return m_position; }
    uint64_t GetLength() const override { return m_length; }
    void SetLength(uint64_t length) override;
    void Flush() override {}
    void Close() override;
    void Abort() override;
    bool IsOpen() const override { return m_open; }
    bool GetStatus(CFileStatus& status) const override;

private:
    // Makes room for at least `size` bytes; throws CMemoryException when the
    // file cannot grow.
    void Grow(uint64_t size);

    std::vector<uint8_t> m_owned;   // the bytes when the file owns them
    uint8_t* m_data = nullptr;      // the bytes: m_owned's or the attached buffer
    size_t m_capacity = 0;          // bytes available at m_data
    size_t m_length = 0;            // content
    size_t m_position = 0;          // may lie beyond the content
    size_t m_growBytes;
    bool m_open = true;
};
