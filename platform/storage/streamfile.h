// CStreamFile: a stream of a storage (storage.h) used as a CFile, so that an
// archive runs over it and a reader may seek, read and ask for the length on
// it directly.
//
// The stream's bytes live in the storage's tree, in memory: writes change the
// tree at once (the root's Commit takes them to the disk), reads and seeks cost
// no more than in a memory file. The file shares the bytes with the tree, so
// it stays usable when its element is replaced or removed, or its root goes;
// its writes then reach nothing that is committed.
//
// Failures throw or report CFileException: fileNotFound when the stream does
// not exist, accessDenied when writing is asked of a read-only storage or of a
// stream opened for reading (and reading of one opened for writing only),
// badPath for a name the format cannot hold.
//
// Threads: as its storage, one thread at a time.
#pragma once

#include "platform/core/file.h"
#include "platform/storage/storage.h"

#include <memory>
#include <string>
#include <vector>

class CStreamFile : public CFile {
public:
    CStreamFile();
    ~CStreamFile() override;

    // Opens the existing stream `name` of `storage`, positioned at its start.
    // `openFlags` gives the access (modeRead, modeWrite, modeReadWrite); the
    // share flags are accepted and have no effect. On failure fills `error`
    // (when given) and returns false.
    bool OpenStream(CStorage& storage, const std::string& name, unsigned openFlags = modeReadWrite | shareExclusive,
                    CFileException* error = nullptr);
    // Creates the stream `name` in `storage`, empty, replacing any element of
    // that name; with modeNoTruncate an existing stream is opened as it is.
    bool CreateStream(CStorage& storage, const std::string& name,
                      unsigned openFlags = modeReadWrite | shareExclusive | modeCreate,
                      CFileException* error = nullptr);

    // The stream's name; empty when closed.
    const std::string& GetStreamName() const { return m_strStreamName; }

    // A stream file opens through its storage, never by path: fails.
    bool Open(const std::string& path, unsigned openFlags, CFileException* error = nullptr) override;
    size_t Read(void* buffer, size_t count) override;
    // Writing past the end makes the stream longer (a gap reads as zeros).
    void Write(const void* buffer, size_t count) override;
    uint64_t Seek(int64_t offset, SeekPosition from) override;
    uint64_t GetPosition() const override;
    uint64_t GetLength() const override;
    void SetLength(uint64_t length) override;
    // The bytes are in the tree already: nothing to do.
    void Flush() override;
    void Close() override;
    void Abort() override;
    bool IsOpen() const override { return m_data != nullptr; }
    // The times and attributes of the storage's file (the current time for a
    // storage not yet committed), the stream's length, the file's path.
    bool GetStatus(CFileStatus& status) const override;

private:
    // Takes the stream; the file path is the root's.
    void Attach(CStorage& storage, const std::string& name, std::shared_ptr<std::vector<uint8_t>> data,
                unsigned openFlags);
    // Throws accessDenied unless the file may be written (or read).
    void CheckAccess(bool writing) const;

    std::shared_ptr<std::vector<uint8_t>> m_data;   // shared with the tree; null when closed
    uint64_t m_position = 0;                        // may lie beyond the end
    bool m_bCanRead = false;
    bool m_bCanWrite = false;
    std::string m_strStreamName;
};
