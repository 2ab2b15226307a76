#include "platform/storage/storagefiles.h"

#include "platform/core/exceptions.h"
#include "platform/core/file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <new>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The largest file the storage layer reads: the reach of the format with its
// common 512-byte sectors. The whole file is held in memory, so this also
// keeps a stray huge plain file from being read in.
constexpr uint64_t kMaxFileSize = 0x7FFFFFFF;

std::mutex& HookLock() {
    static std::mutex lock;
    return lock;
}

StorageFaultHook& Hook() {
    static StorageFaultHook hook;
    return hook;
}

int FaultFor(StorageStep step, const std::string& path) {
    StorageFaultHook hook;
    {
        std::lock_guard guard(HookLock());
        hook = Hook();
    }
    return hook ? hook(step, path) : 0;
}

// Six random letters and digits for a new file's name.
std::string RandomPart() {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 generator(std::random_device{}() ^ static_cast<uint64_t>(::getpid()));
    std::string part(6, '0');
    for (char& c : part)
        c = kChars[generator() % (sizeof kChars - 1)];
    return part;
}

// Creates a new file beside `target` (the same folder, so the rename stays on
// one file system); returns its descriptor and sets `path`. A hidden name,
// since a failed commit can leave it behind only if the process dies. The
// kernel applies the umask to the 0666 mode, as for any new file.
int CreateBeside(const std::string& target, std::string& path) {
    const std::filesystem::path where(target);
    const std::string stem = where.parent_path().string() + "/." + where.filename().string() + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = stem + RandomPart() + ".tmp";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t put = ::write(fd, data, size);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (put == 0) {
            errno = ENOSPC;
            return false;
        }
        data += put;
        size -= static_cast<size_t>(put);
    }
    return true;
}

// Makes a rename in `folder` durable. Best effort: the new file is complete
// and in place already, and some file systems refuse to sync a folder.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

StorageFaultHook SetStorageFaultHook(StorageFaultHook hook) {
    std::lock_guard guard(HookLock());
    StorageFaultHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

SCODE ScodeFromOsError(int osError, bool writing) {
    switch (osError) {
    case 0: return S_OK;
    case ENOENT: return STG_E_FILENOTFOUND;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return STG_E_PATHNOTFOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return STG_E_ACCESSDENIED;
    case EMFILE:
    case ENFILE: return STG_E_TOOMANYOPENFILES;
    case EBUSY:
    case EAGAIN:
    case ETXTBSY: return STG_E_SHAREVIOLATION;
    case ENOLCK:
    case EDEADLK: return STG_E_LOCKVIOLATION;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return STG_E_MEDIUMFULL;
    case ENOMEM: return STG_E_INSUFFICIENTMEMORY;
    case EEXIST: return STG_E_FILEALREADYEXISTS;
    case ESPIPE:
    case EOVERFLOW: return STG_E_SEEKERROR;
    case EINVAL: return STG_E_INVALIDPARAMETER;
    default: return writing ? STG_E_WRITEFAULT : STG_E_READFAULT;
    }
}

namespace storage_files {

void CheckFault(StorageStep step, const std::string& path) {
    if (const int osError = FaultFor(step, path))
        ThrowOsError(osError, path, step != StorageStep::openFile && step != StorageStep::checkFolder);
}

void ThrowOsError(int osError, const std::string& path, bool writing) {
    throw CStorageException(ScodeFromOsError(osError, writing),
                            std::string(std::strerror(osError)) + " (" + path + ")");
}

std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    const auto absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

std::string FolderOf(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? std::string(".") : folder;
}

std::unique_ptr<CFile> OpenShared(const std::string& path, bool readWrite) {
    CheckFault(StorageStep::openFile, path);
    auto file = std::make_unique<CFile>();
    CFileException error;
    const unsigned flags = readWrite ? CFile::modeReadWrite | CFile::shareExclusive
                                     : CFile::modeRead | CFile::shareDenyWrite;
    if (!file->Open(path, flags, &error))
        ThrowOsError(error.m_lOsError ? static_cast<int>(error.m_lOsError) : EIO, path);
    return file;
}

std::unique_ptr<CFile> HoldIfExists(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 && errno == ENOENT)
        return nullptr;
    return OpenShared(path, true);
}

std::vector<uint8_t> ReadWhole(CFile& file) {
    const std::string path = file.GetFilePath();
    try {
        const uint64_t length = file.GetLength();
        if (length > kMaxFileSize)
            throw CStorageException(STG_E_DOCFILETOOLARGE, "the file is too large (" + path + ")");
        std::vector<uint8_t> bytes(static_cast<size_t>(length));
        file.SeekToBegin();
        bytes.resize(file.Read(bytes.data(), bytes.size()));
        return bytes;
    } catch (const CFileException& error) {
        ThrowOsError(error.m_lOsError ? static_cast<int>(error.m_lOsError) : EIO, path);
    } catch (const std::bad_alloc&) {
        throw CStorageException(STG_E_INSUFFICIENTMEMORY, path);
    }
}

void CheckFolderTakesFiles(const std::string& folder) {
    CheckFault(StorageStep::checkFolder, folder);
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        // A folder that is not there is a path not found, not a file.
        ThrowOsError(errno == ENOENT ? ENOTDIR : errno, folder);
    }
    if (!S_ISDIR(info.st_mode))
        ThrowOsError(ENOTDIR, folder);
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        ThrowOsError(errno, folder);
}

void ReplaceFile(const std::string& target, const std::vector<uint8_t>& bytes) {
    // A link is followed, so that the file it points to is replaced and the
    // link stays a link.
    std::string real = target;
    std::error_code linkError;
    if (std::filesystem::is_symlink(target, linkError)) {
        const auto resolved = std::filesystem::weakly_canonical(target, linkError);
        if (!linkError)
            real = resolved.string();
    }

    CheckFault(StorageStep::createTemp, real);
    std::string temp;
    const int fd = CreateBeside(real, temp);
    if (fd < 0) {
        // Not found here means the folder is gone.
        ThrowOsError(errno == ENOENT ? ENOTDIR : errno, real, true);
    }

    int osError = 0;
    std::string failedPath = temp;
    struct stat old {};
    if (::stat(real.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        // The new file takes the old one's place: its permissions and, where
        // allowed, its owner go with it.
        (void)::fchmod(fd, old.st_mode & 07777);
        (void)::fchown(fd, old.st_uid, old.st_gid);
    }
    if ((osError = FaultFor(StorageStep::write, temp)) == 0 && !WriteAll(fd, bytes.data(), bytes.size()))
        osError = errno;
    if (osError == 0 && (osError = FaultFor(StorageStep::flush, temp)) == 0 && ::fsync(fd) != 0)
        osError = errno;
    if (::close(fd) != 0 && osError == 0 && errno != EINTR)
        osError = errno;
    if (osError == 0) {
        failedPath = real;
        if ((osError = FaultFor(StorageStep::rename, real)) == 0 && ::rename(temp.c_str(), real.c_str()) != 0)
            osError = errno;
    }
    if (osError != 0) {
        ::unlink(temp.c_str());
        ThrowOsError(osError, failedPath, true);
    }
    SyncFolder(FolderOf(real));
}

}  // namespace storage_files
