#include "platform/storage/streamfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

namespace {

// How errors name a stream: its place inside the storage's file.
std::string StreamPath(CStorage& storage, const std::string& name) {
    const std::string& file = storage.GetRoot().GetPath();
    return file.empty() ? name : file + "/" + name;
}

bool Fail(CFileException* error, CFileException::Cause cause, int osError, const std::string& where) {
    if (error)
        *error = CFileException(cause, osError, where);
    return false;
}

// Streams are held in memory; a length beyond what memory can index is refused.
constexpr uint64_t kMaxLength = std::numeric_limits<size_t>::max() / 2;

}  // namespace

CStreamFile::CStreamFile() = default;

CStreamFile::~CStreamFile() = default;

bool CStreamFile::OpenStream(CStorage& storage, const std::string& name, unsigned openFlags,
                             CFileException* error) {
    Abort();
    const std::string where = StreamPath(storage, name);
    const bool writing = (openFlags & 0x3) != modeRead;
    if (writing && storage.IsReadOnly())
        return Fail(error, CFileException::accessDenied, EACCES, where);
    CStorage::StreamData data = storage.GetStream(name, false);
    if (!data)
        return Fail(error, CFileException::fileNotFound, ENOENT, where);
    Attach(storage, name, std::move(data), openFlags);
    return true;
}

bool CStreamFile::CreateStream(CStorage& storage, const std::string& name, unsigned openFlags,
                               CFileException* error) {
    Abort();
    const std::string where = StreamPath(storage, name);
    if (storage.IsReadOnly())
        return Fail(error, CFileException::accessDenied, EACCES, where);
    if (!CStorage::IsValidName(name))
        return Fail(error, CFileException::badPath, EINVAL, where);
    CStorage::StreamData data;
    if (openFlags & modeNoTruncate)
        data = storage.GetStream(name, false);
    try {
        if (!data)
            data = storage.GetStream(name, true);
    } catch (const std::bad_alloc&) {
        throw CMemoryException();
    }
    Attach(storage, name, std::move(data), openFlags);
    return true;
}

void CStreamFile::Attach(CStorage& storage, const std::string& name, std::shared_ptr<std::vector<uint8_t>> data,
                         unsigned openFlags) {
    m_data = std::move(data);
    m_position = 0;
    switch (openFlags & 0x3) {
    case modeWrite: m_bCanRead = false, m_bCanWrite = true; break;
    case modeReadWrite: m_bCanRead = true, m_bCanWrite = true; break;
    default: m_bCanRead = true, m_bCanWrite = false; break;
    }
    m_strStreamName = name;
    m_strFileName = storage.GetRoot().GetPath();
}

bool CStreamFile::Open(const std::string& path, unsigned, CFileException* error) {
    return Fail(error, CFileException::generic, 0, path);
}

void CStreamFile::CheckAccess(bool writing) const {
    if (!m_data)
        throw CFileException(CFileException::invalidFile, EBADF, m_strFileName);
    if (writing ? !m_bCanWrite : !m_bCanRead)
        throw CFileException(CFileException::accessDenied, EACCES, m_strFileName);
}

size_t CStreamFile::Read(void* buffer, size_t count) {
    CheckAccess(false);
    const uint64_t length = m_data->size();
    if (m_position >= length || count == 0)
        return 0;
    const size_t available = static_cast<size_t>(std::min<uint64_t>(count, length - m_position));
    std::memcpy(buffer, m_data->data() + m_position, available);
    m_position += available;
    return available;
}

void CStreamFile::Write(const void* buffer, size_t count) {
    CheckAccess(true);
    if (count == 0)
        return;
    if (count > kMaxLength || m_position > kMaxLength - count)
        throw CFileException(CFileException::diskFull, EFBIG, m_strFileName);
    const size_t end = static_cast<size_t>(m_position + count);
    try {
        // The vector grows geometrically, so writing a stream in small pieces
        // costs time in proportion to its length.
        if (end > m_data->size())
            m_data->resize(end);
    } catch (const std::bad_alloc&) {
        throw CMemoryException();
    }
    std::memcpy(m_data->data() + m_position, buffer, count);
    m_position = end;
}

uint64_t CStreamFile::Seek(int64_t offset, SeekPosition from) {
    if (!m_data)
        throw CFileException(CFileException::invalidFile, EBADF, m_strFileName);
    int64_t base = 0;
    if (from == current)
        base = static_cast<int64_t>(m_position);
    else if (from == end)
        base = static_cast<int64_t>(m_data->size());
    if ((offset < 0 && base < -offset) ||
        (offset > 0 && static_cast<uint64_t>(base) + static_cast<uint64_t>(offset) > kMaxLength))
        throw CFileException(CFileException::badSeek, EINVAL, m_strFileName);
    m_position = static_cast<uint64_t>(base + offset);
    return m_position;
}

uint64_t CStreamFile::GetPosition() const {
    if (!m_data)
        throw CFileException(CFileException::invalidFile, EBADF, m_strFileName);
    return m_position;
}

uint64_t CStreamFile::GetLength() const {
    if (!m_data)
        throw CFileException(CFileException::invalidFile, EBADF, m_strFileName);
    return m_data->size();
}

void CStreamFile::SetLength(uint64_t length) {
    CheckAccess(true);
    if (length > kMaxLength)
        throw CFileException(CFileException::diskFull, EFBIG, m_strFileName);
    try {
        m_data->resize(static_cast<size_t>(length));
    } catch (const std::bad_alloc&) {
        throw CMemoryException();
    }
}

void CStreamFile::Flush() {
    if (!m_data)
        throw CFileException(CFileException::invalidFile, EBADF, m_strFileName);
}

void CStreamFile::Close() {
    Abort();
}

void CStreamFile::Abort() {
    m_data.reset();
    m_position = 0;
    m_bCanRead = m_bCanWrite = false;
    m_strStreamName.clear();
    m_strFileName.clear();
}

bool CStreamFile::GetStatus(CFileStatus& status) const {
    if (!m_data)
        return false;
    if (m_strFileName.empty() || !CFile::GetStatus(m_strFileName, status)) {
        status = CFileStatus();
        status.m_ctime = status.m_mtime = status.m_atime = CTime::GetCurrentTime();
        status.m_szFullName = m_strFileName;
    }
    status.m_size = m_data->size();
    return true;
}
