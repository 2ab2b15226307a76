#include "platform/storage/storagefiles.h"

#include "platform/core/exceptions.h"
#include "platform/core/faulthook.h"
#include "platform/core/file.h"
#include "platform/core/filesys.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The largest file the storage layer reads: the reach of the format with its
// common 512-byte sectors. The whole file is held in memory, so this also
// keeps a stray huge plain file from being read in.
constexpr uint64_t kMaxFileSize = 0x7FFFFFFF;

CFaultHook<StorageStep>& Faults() {
    static CFaultHook<StorageStep> faults;
    return faults;
}

int FaultFor(StorageStep step, const std::string& path) {
    return Faults().FaultFor(step, path);
}

// The storage step a step of replacing a file stands for.
StorageStep StepOf(ReplaceStep step) {
    switch (step) {
    case ReplaceStep::createTemp: return StorageStep::createTemp;
    case ReplaceStep::write: return StorageStep::write;
    case ReplaceStep::flush: return StorageStep::flush;
    case ReplaceStep::rename: break;
    }
    return StorageStep::rename;
}

}  // namespace

StorageFaultHook SetStorageFaultHook(StorageFaultHook hook) {
    return Faults().Set(std::move(hook));
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
    ReplaceFailure failure;
    const auto check = [](ReplaceStep step, const std::string& path) { return FaultFor(StepOf(step), path); };
    if (ReplaceFileContents(target, bytes.data(), bytes.size(), &failure, check))
        return;
    // Not found while making the new file means the folder is gone.
    const bool folderGone = failure.step == ReplaceStep::createTemp && failure.osError == ENOENT;
    ThrowOsError(folderGone ? ENOTDIR : failure.osError, failure.path, true);
}

}  // namespace storage_files
