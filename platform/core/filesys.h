// File-system helpers: paths as the system spells them, the program's folder,
// temporary files, files replaced whole (safe saves) and fail-safe copies,
// file attributes and wildcard searches.
//
// Paths. The system builds paths with "\" ("%s\PlugIns", "%s\%s.INI"); every
// function here takes "\" as the folder separator too, and the paths it returns
// use "/". A file name holding a real backslash is therefore not reachable
// through these helpers, a price worth the system's code reading as written.
//
// Searches. FindFiles takes "folder/pattern" with "*" and "?" wildcards in the
// last part only. Names match without regard to ASCII case, as they did on the
// system's home file system, so "*.INI" finds "General Midi.ini" and
// "General Midi.INI" alike. A pattern whose extension is ".DLL" (any case)
// stands for this platform's shared libraries and matches names ending in ".so",
// so the system's plug-in scan "%s\*.DLL" finds our plug-ins. "*.*" matches every
// name, dotted or not. "." and ".." are never returned. The results come sorted
// by name (byte order), so a scan visits the same files in the same order on
// every machine, whatever order the directory holds them in.
//
// Threads: any thread. SetProgramFolder is meant for start-up and tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// "\" becomes "/".
std::string NativePath(std::string_view path);
// Joins a folder and a name with one "/" (either part may use "\"). An empty
// folder gives the name alone.
std::string PathJoin(std::string_view folder, std::string_view name);
// The path as it exists on disk: when `path` does not exist as spelled, each
// missing part is looked up in its folder without regard to ASCII case (the
// first match in name order). A path that matches nothing comes back as given
// (with "\" as "/").
std::string ResolvePathCase(std::string_view path);
// A name that stands for a file in a folder it is joined to, and only there:
// not empty, at most 255 bytes, no folder part ("/" or "\\"), no leading dot
// (no "..", nothing hidden), no control character. Names read from a file a
// user may have edited are checked with it before they are joined.
bool IsPlainFileName(std::string_view name);

bool FileExists(std::string_view path);    // a file or folder exists
bool IsDirectory(std::string_view path);

// The running program's own file and folder (from the executable, not the
// working directory). SetProgramFolder replaces the folder for the rest of the
// run (an empty text restores the real one): tests use it to give the program
// a "PlugIns" or "Instruments" folder of their own.
std::string GetProgramPath();
std::string GetProgramFolder();
void SetProgramFolder(std::string_view folder);

// The folder for temporary files ($TMPDIR, else /tmp).
std::string GetTempPath();
// Creates a new, empty file with a unique name made of the prefix, six random
// characters and ".tmp" in `folder` (the temporary folder when empty) and
// returns its path; an empty text when it cannot be created.
std::string GetTempFileName(std::string_view prefix, std::string_view folder = {});

// Creates a new, empty file beside `target` (in its folder, so that a rename
// stays on one file system) and returns its descriptor, open for writing, and
// its path in `path`; -1 with errno on failure. The name is hidden and made from
// the target's: "." name "." six random characters ".tmp", the target's name cut
// short (at a UTF-8 character's start) when the whole would pass the longest
// name the folder takes, so a target of any valid name gets one. The kernel
// applies the umask to the 0666 mode, as for any new file. Unlike the helpers
// above, this and ReplaceFileContents take the path as given ("\" is part of a
// name there): they write files a user named.
int CreateFileBeside(std::string_view target, std::string& path);

// Replaces the file at `target` (or makes it) with `size` bytes at `data`: they
// are written to a new file beside it, made durable and renamed over the target
// only when complete, so a reader sees the old file or the new one, never a
// part, and a failure leaves the target as it was (the new file is removed).
// A link is followed: the file it points to is replaced and the link stays a
// link. The new file takes an old file's permissions and, where allowed, its
// owner and group. The folder is synced after the rename (best effort).
//
// `check`, when given, is asked before each step with the path the step works
// on (the target, links resolved, for creating and renaming; the new file for
// writing and flushing) and fails the step with the errno value it returns:
// the storage layer's fault hooks go through it. Returns false on failure,
// with errno telling why and `failure` (when given) filled.
enum class ReplaceStep { createTemp, write, flush, rename };
using ReplaceStepCheck = std::function<int(ReplaceStep step, const std::string& path)>;
struct ReplaceFailure {
    ReplaceStep step = ReplaceStep::createTemp;
    int osError = 0;
    std::string path;   // the path the failed step worked on
};
bool ReplaceFileContents(std::string_view target, const void* data, size_t size,
                         ReplaceFailure* failure = nullptr, const ReplaceStepCheck& check = {});

// Copies a file. The copy is written beside the target under a temporary name
// (CreateFileBeside) and renamed over it only when complete, so a failed copy
// leaves the target as it was. With `failIfExists` an existing target is an
// error. The copy keeps the source's permissions. Returns false on failure,
// with errno telling why.
bool CopyFile(std::string_view from, std::string_view to, bool failIfExists);

// The attribute byte of a file, as the system's file status carries it.
enum : uint8_t {
    FILE_ATTR_NORMAL = 0x00,
    FILE_ATTR_READONLY = 0x01,    // the owner may not write it
    FILE_ATTR_HIDDEN = 0x02,      // its name starts with "."
    FILE_ATTR_SYSTEM = 0x04,      // never set here
    FILE_ATTR_VOLUME = 0x08,      // never set here
    FILE_ATTR_DIRECTORY = 0x10,
    FILE_ATTR_ARCHIVE = 0x20,     // every regular file: nothing here clears the bit
};
// Fills `attributes` and returns true when the file exists.
bool GetFileAttributes(std::string_view path, uint8_t& attributes);
// Applies the read-only bit (write permission removed for everyone, or given
// back to the owner); the other bits cannot be changed here and are ignored.
bool SetFileAttributes(std::string_view path, uint8_t attributes);

// One file a search found.
struct FileFindData {
    std::string name;        // the name in its folder
    std::string path;        // folder and name
    uint8_t attributes = 0;  // as GetFileAttributes
    int64_t size = 0;        // bytes (0 for a folder)
};
// The files and folders matching "folder/pattern" (see Searches above). An empty
// list when nothing matches or the folder cannot be read.
std::vector<FileFindData> FindFiles(std::string_view pattern);
// Whether a name matches a wildcard pattern under the rules of FindFiles.
bool MatchFileName(std::string_view pattern, std::string_view name);
