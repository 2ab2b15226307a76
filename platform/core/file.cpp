#include "platform/core/file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    auto absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

CTime TimeOf(const struct statx_timestamp& stamp) {
    return CTime(static_cast<int64_t>(stamp.tv_sec));
}

// The status of a file by descriptor (`fd` >= 0) or by path.
bool StatusOf(int fd, const std::string& path, CFileStatus& status) {
    struct statx info {};
    const unsigned mask = STATX_BASIC_STATS | STATX_BTIME;
    const int result = fd >= 0 ? statx(fd, "", AT_EMPTY_PATH, mask, &info)
                               : statx(AT_FDCWD, path.c_str(), 0, mask, &info);
    if (result != 0)
        return false;
    status.m_mtime = TimeOf(info.stx_mtime);
    status.m_atime = TimeOf(info.stx_atime);
    status.m_ctime = (info.stx_mask & STATX_BTIME) ? TimeOf(info.stx_btime) : status.m_mtime;
    status.m_size = info.stx_size;
    uint8_t attribute = CFile::normal;
    if (S_ISDIR(info.stx_mode))
        attribute |= CFile::directory;
    if (!(info.stx_mode & S_IWUSR))
        attribute |= CFile::readOnly;
    const std::string name = std::filesystem::path(path).filename().string();
    if (name.size() > 1 && name[0] == '.' && name != "..")
        attribute |= CFile::hidden;
    status.m_attribute = attribute;
    status.m_szFullName = AbsolutePath(path);
    return true;
}

}  // namespace

// ---- CTime ------------------------------------------------------------------

CTime::CTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_isdst = -1;   // let the zone decide
    m_time = static_cast<int64_t>(std::mktime(&fields));
}

CTime CTime::GetCurrentTime() {
    return CTime(static_cast<int64_t>(std::time(nullptr)));
}

std::tm CTime::Local() const {
    const auto seconds = static_cast<std::time_t>(m_time);
    std::tm fields{};
    localtime_r(&seconds, &fields);
    return fields;
}

int CTime::GetYear() const { return Local().tm_year + 1900; }
int CTime::GetMonth() const { return Local().tm_mon + 1; }
int CTime::GetDay() const { return Local().tm_mday; }
int CTime::GetHour() const { return Local().tm_hour; }
int CTime::GetMinute() const { return Local().tm_min; }
int CTime::GetSecond() const { return Local().tm_sec; }
int CTime::GetDayOfWeek() const { return Local().tm_wday + 1; }

namespace {

std::string FormatFields(const char* format, const std::tm& fields) {
    char text[256];
    const size_t length = std::strftime(text, sizeof text, format, &fields);
    return std::string(text, length);
}

}  // namespace

std::string CTime::Format(const char* format) const {
    return FormatFields(format, Local());
}

std::string CTime::FormatGmt(const char* format) const {
    const auto seconds = static_cast<std::time_t>(m_time);
    std::tm fields{};
    gmtime_r(&seconds, &fields);
    return FormatFields(format, fields);
}

// ---- CFile ------------------------------------------------------------------

CFile::CFile() = default;

CFile::CFile(const std::string& path, unsigned openFlags) {
    CFileException error;
    if (!Open(path, openFlags, &error))
        throw error;
}

CFile::~CFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool CFile::Open(const std::string& path, unsigned openFlags, CFileException* error) {
    auto fail = [&](int osError) {
        if (error)
            *error = CFileException(CFileException::OsErrorToCause(osError), osError, path);
        return false;
    };
    if (m_fd >= 0)
        Abort();
    if (path.empty())
        return fail(ENOENT);

    int flags = O_CLOEXEC;
    bool writing = true;
    switch (openFlags & 0x3) {
    case modeRead: flags |= O_RDONLY, writing = false; break;
    case modeWrite: flags |= O_WRONLY; break;
    case modeReadWrite: flags |= O_RDWR; break;
    default: return fail(EINVAL);
    }
    if (openFlags & modeCreate) {
        flags |= O_CREAT;
        if (!(openFlags & modeNoTruncate))
            flags |= O_TRUNC;
    }
    // Truncating before the share lock is taken would destroy a file another
    // opener holds exclusively; truncate after locking instead.
    const bool truncate = (flags & O_TRUNC) != 0;
    flags &= ~O_TRUNC;

    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0)
        return fail(errno);
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        return fail(EISDIR);
    }

    int lock = 0;
    switch (openFlags & 0x70) {
    case shareExclusive: lock = LOCK_EX; break;
    case shareDenyWrite: lock = writing ? LOCK_EX : LOCK_SH; break;
    case shareDenyRead: lock = LOCK_SH; break;
    default: break;
    }
    if (lock && ::flock(fd, lock | LOCK_NB) != 0) {
        const int osError = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        return fail(osError);
    }
    if (truncate && ::ftruncate(fd, 0) != 0) {
        const int osError = errno;
        ::close(fd);
        return fail(osError);
    }
    m_fd = fd;
    m_strFileName = AbsolutePath(path);
    return true;
}

void CFile::CheckOpen() const {
    if (m_fd < 0)
        throw CFileException(CFileException::invalidFile, EBADF, m_strFileName);
}

void CFile::ThrowOsError(int osError) const {
    CFileException::ThrowOsError(osError, m_strFileName);
}

size_t CFile::Read(void* buffer, size_t count) {
    CheckOpen();
    auto* out = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(m_fd, out + done, count - done);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ThrowOsError(errno);
        }
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    return done;
}

void CFile::Write(const void* buffer, size_t count) {
    CheckOpen();
    const auto* in = static_cast<const char*>(buffer);
    size_t done = 0;
    while (done < count) {
        const ssize_t put = ::write(m_fd, in + done, count - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            ThrowOsError(errno);
        }
        if (put == 0)
            ThrowOsError(ENOSPC);
        done += static_cast<size_t>(put);
    }
}

uint64_t CFile::Seek(int64_t offset, SeekPosition from) {
    CheckOpen();
    int whence = SEEK_SET;
    if (from == current)
        whence = SEEK_CUR;
    else if (from == end)
        whence = SEEK_END;
    const off_t position = ::lseek(m_fd, static_cast<off_t>(offset), whence);
    if (position < 0)
        throw CFileException(CFileException::badSeek, errno, m_strFileName);
    return static_cast<uint64_t>(position);
}

uint64_t CFile::GetPosition() const {
    CheckOpen();
    const off_t position = ::lseek(m_fd, 0, SEEK_CUR);
    if (position < 0)
        throw CFileException(CFileException::badSeek, errno, m_strFileName);
    return static_cast<uint64_t>(position);
}

uint64_t CFile::GetLength() const {
    CheckOpen();
    struct stat info {};
    if (::fstat(m_fd, &info) != 0)
        ThrowOsError(errno);
    return static_cast<uint64_t>(info.st_size);
}

void CFile::SetLength(uint64_t length) {
    CheckOpen();
    if (length > static_cast<uint64_t>(std::numeric_limits<off_t>::max()))
        throw CFileException(CFileException::badSeek, EINVAL, m_strFileName);
    if (::ftruncate(m_fd, static_cast<off_t>(length)) != 0)
        ThrowOsError(errno);
}

void CFile::Flush() {
    CheckOpen();
    // A file opened for reading only may refuse; nothing is pending then.
    if (::fsync(m_fd) != 0 && errno != EINVAL && errno != EBADF)
        ThrowOsError(errno);
}

void CFile::Close() {
    if (m_fd < 0)
        return;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR)
        ThrowOsError(errno);
    m_strFileName.clear();
}

void CFile::Abort() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_strFileName.clear();
}

bool CFile::GetStatus(CFileStatus& status) const {
    if (m_fd < 0)
        return false;
    return StatusOf(m_fd, m_strFileName, status);
}

bool CFile::GetStatus(const std::string& path, CFileStatus& status) {
    if (path.empty())
        return false;
    return StatusOf(-1, path, status);
}

std::string CFile::GetFileName() const {
    return std::filesystem::path(GetFilePath()).filename().string();
}

std::string CFile::GetFileTitle() const {
    return std::filesystem::path(GetFilePath()).stem().string();
}

void CFile::Rename(const std::string& oldPath, const std::string& newPath) {
    if (::rename(oldPath.c_str(), newPath.c_str()) != 0)
        CFileException::ThrowOsError(errno, oldPath);
}

void CFile::Remove(const std::string& path) {
    if (::unlink(path.c_str()) != 0)
        CFileException::ThrowOsError(errno, path);
}

// ---- CMemFile ---------------------------------------------------------------

CMemFile::CMemFile(size_t growBytes) : m_growBytes(growBytes ? growBytes : 1024) {}

CMemFile::CMemFile(uint8_t* buffer, size_t size, size_t growBytes) : m_growBytes(growBytes) {
    Attach(buffer, size, growBytes);
}

CMemFile::CMemFile(std::vector<uint8_t> bytes, size_t growBytes)
    : m_owned(std::move(bytes)), m_growBytes(growBytes) {
    m_data = m_owned.data();
    m_capacity = m_length = m_owned.size();
}

CMemFile::~CMemFile() = default;

void CMemFile::Attach(uint8_t* buffer, size_t size, size_t growBytes) {
    m_owned.clear();
    m_owned.shrink_to_fit();
    m_data = buffer;
    m_capacity = m_length = buffer ? size : 0;
    m_position = 0;
    m_growBytes = growBytes;
    m_open = true;
}

std::vector<uint8_t> CMemFile::Detach() {
    std::vector<uint8_t> content;
    if (m_data == m_owned.data() && !m_owned.empty()) {
        m_owned.resize(m_length);
        content = std::move(m_owned);
    } else {
        content.assign(m_data, m_data + m_length);
    }
    m_owned = {};
    m_data = nullptr;
    m_capacity = m_length = m_position = 0;
    return content;
}

bool CMemFile::Open(const std::string& path, unsigned, CFileException* error) {
    // A memory file has no path to open.
    if (error)
        *error = CFileException(CFileException::generic, 0, path);
    return false;
}

size_t CMemFile::Read(void* buffer, size_t count) {
    if (!m_open)
        throw CFileException(CFileException::invalidFile);
    if (m_position >= m_length || count == 0)
        return 0;
    const size_t available = std::min(count, m_length - m_position);
    std::memcpy(buffer, m_data + m_position, available);
    m_position += available;
    return available;
}

void CMemFile::Grow(uint64_t size) {
    if (size <= m_capacity)
        return;
    if (m_growBytes == 0 || size > std::numeric_limits<size_t>::max() / 2)
        throw CMemoryException();
    // Round up to whole grow steps, and at least double, so that a file written
    // in small pieces grows in few steps.
    size_t wanted = static_cast<size_t>((size + m_growBytes - 1) / m_growBytes * m_growBytes);
    wanted = std::max(wanted, m_capacity * 2);
    try {
        if (m_data != m_owned.data() || m_owned.empty()) {
            // Leaving an attached buffer: the content moves to memory of our own.
            std::vector<uint8_t> own(wanted);
            if (m_length)
                std::memcpy(own.data(), m_data, m_length);
            m_owned = std::move(own);
        } else {
            m_owned.resize(wanted);
        }
    } catch (const std::bad_alloc&) {
        throw CMemoryException();
    }
    m_data = m_owned.data();
    m_capacity = m_owned.size();
}

void CMemFile::Write(const void* buffer, size_t count) {
    if (!m_open)
        throw CFileException(CFileException::invalidFile);
    if (count == 0)
        return;
    const uint64_t end = static_cast<uint64_t>(m_position) + count;
    Grow(end);
    if (m_position > m_length)
        std::memset(m_data + m_length, 0, m_position - m_length);   // the gap a seek left
    std::memcpy(m_data + m_position, buffer, count);
    m_position = static_cast<size_t>(end);
    m_length = std::max(m_length, m_position);
}

uint64_t CMemFile::Seek(int64_t offset, SeekPosition from) {
    int64_t base = 0;
    if (from == current)
        base = static_cast<int64_t>(m_position);
    else if (from == end)
        base = static_cast<int64_t>(m_length);
    const int64_t position = base + offset;
    if (position < 0 || (offset > 0 && position < base))
        throw CFileException(CFileException::badSeek, EINVAL);
    m_position = static_cast<size_t>(position);
    return m_position;
}

void CMemFile::SetLength(uint64_t length) {
    Grow(length);
    if (length > m_length)
        std::memset(m_data + m_length, 0, static_cast<size_t>(length) - m_length);
    m_length = static_cast<size_t>(length);
    m_position = std::min(m_position, m_length);
}

void CMemFile::Close() {
    Abort();
}

void CMemFile::Abort() {
    m_owned = {};
    m_data = nullptr;
    m_capacity = m_length = m_position = 0;
    m_open = false;
}

bool CMemFile::GetStatus(CFileStatus& status) const {
    status = CFileStatus{};
    status.m_size = m_length;
    return true;
}
