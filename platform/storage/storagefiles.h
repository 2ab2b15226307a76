// The storage layer's work on the disk: opening a file under a sharing rule
// and reading it whole, testing that a folder takes new files, and replacing a
// file safely (a new file beside it, made durable, renamed over it). Every step
// passes the fault hook first (SetStorageFaultHook), so tests can fail any of
// them. Failures throw CStorageException with the result code of the system's
// reason and a detail naming the file. Internal to the platform layer (the
// framework document writes plain files through ReplaceFile too).
//
// Threads: any thread; the fault hook is read under a lock.
#pragma once

#include "platform/storage/storage.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CFile;

namespace storage_files {

// Fails the step with the hook's errno, if the hook asks for one.
void CheckFault(StorageStep step, const std::string& path);

// Throws the storage exception for errno `osError` at `path`.
[[noreturn]] void ThrowOsError(int osError, const std::string& path, bool writing = false);

// The absolute, normalised form of `path` (as given when that fails).
std::string AbsolutePath(const std::string& path);
// The folder of an absolute path.
std::string FolderOf(const std::string& path);

// Opens an existing file: read-write with no other opener, or read-only
// with other readers only.
std::unique_ptr<CFile> OpenShared(const std::string& path, bool readWrite);
// Holds an existing file read-write with no other opener; null when the file
// does not exist.
std::unique_ptr<CFile> HoldIfExists(const std::string& path);

// The whole content of an open file. Files beyond the format's reach are
// refused (STG_E_DOCFILETOOLARGE) before anything is allocated.
std::vector<uint8_t> ReadWhole(CFile& file);

// Throws unless a new file can be made in `folder`: STG_E_PATHNOTFOUND when
// it does not exist, STG_E_ACCESSDENIED when it is read-only.
void CheckFolderTakesFiles(const std::string& folder);

// Replaces the file at `target` (or makes it) with `bytes` through
// ReplaceFileContents (filesys.h): written to a new file in the same folder,
// flushed to the disk and renamed over the target only when complete; a link
// is followed; the new file keeps an old file's permissions and owner. On
// failure the new file is removed and the target is left as it was. The
// fault hook sees each step.
void ReplaceFile(const std::string& target, const std::vector<uint8_t>& bytes);

}  // namespace storage_files
