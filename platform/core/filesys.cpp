#include "platform/core/filesys.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && EqualNoCase(text.substr(text.size() - tail.size()), tail);
}

// The names in a folder, without "." and "..", sorted; empty when unreadable.
std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// Wildcard match without regard to ASCII case; "*" any run, "?" one character.
bool Match(std::string_view pattern, std::string_view name) {
    size_t p = 0, n = 0;
    size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || LowerAscii(pattern[p]) == LowerAscii(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

std::string BaseName(std::string_view path) {
    size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::mutex s_programLock;
std::string s_programFolder;   // set by SetProgramFolder; empty: the executable's

}  // namespace

// ---- paths ------------------------------------------------------------------

std::string NativePath(std::string_view path) {
    std::string native(path);
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
}

std::string PathJoin(std::string_view folder, std::string_view name) {
    std::string joined = NativePath(folder);
    std::string tail = NativePath(name);
    if (joined.empty())
        return tail;
    while (joined.size() > 1 && joined.back() == '/')
        joined.pop_back();
    size_t skip = tail.find_first_not_of('/');
    tail.erase(0, skip == std::string::npos ? tail.size() : skip);
    if (joined.back() != '/')
        joined += '/';
    return joined + tail;
}

std::string ResolvePathCase(std::string_view path) {
    std::string native = NativePath(path);
    if (native.empty() || FileExists(native))
        return native;

    // Walk the parts; keep each that exists, look up the others by case.
    std::string resolved = native.front() == '/' ? "/" : "";
    size_t pos = resolved.size();
    while (pos <= native.size()) {
        size_t end = native.find('/', pos);
        if (end == std::string::npos)
            end = native.size();
        std::string part = native.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty())
            continue;
        std::string candidate = resolved.empty() || resolved.back() == '/' ? resolved + part
                                                                              : resolved + '/' + part;
        if (!FileExists(candidate)) {
            for (const std::string& name : ListFolder(resolved)) {
                if (EqualNoCase(name, part)) {
                    candidate = PathJoin(resolved, name);
                    break;
                }
            }
        }
        resolved = candidate;
    }
    return FileExists(resolved) ? resolved : native;
}

bool FileExists(std::string_view path) {
    struct stat st {};
    return ::stat(NativePath(path).c_str(), &st) == 0;
}

bool IsPlainFileName(std::string_view name) {
    constexpr size_t kLongestFileName = 255;
    if (name.empty() || name.size() > kLongestFileName || name.front() == '.')
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
}

bool IsDirectory(std::string_view path) {
    struct stat st {};
    return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// ---- the program ------------------------------------------------------------

std::string GetProgramPath() {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

std::string GetProgramFolder() {
    {
        std::lock_guard lock(s_programLock);
        if (!s_programFolder.empty())
            return s_programFolder;
    }
    std::string path = GetProgramPath();
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

void SetProgramFolder(std::string_view folder) {
    std::lock_guard lock(s_programLock);
    s_programFolder = NativePath(folder);
}

// ---- temporary files -------------------------------------------------------

std::string GetTempPath() {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = (tmp && *tmp) ? tmp : "/tmp";
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

std::string GetTempFileName(std::string_view prefix, std::string_view folder) {
    if (prefix.find_first_of("/\\") != std::string_view::npos)
        return {};
    std::string path = PathJoin(folder.empty() ? GetTempPath() : NativePath(folder),
                                std::string(prefix) + "XXXXXX.tmp");
    int fd = ::mkstemps(path.data(), 4);
    if (fd < 0)
        return {};
    ::close(fd);
    return path;
}

// ---- files replaced whole ---------------------------------------------------

namespace {

// Six random letters and digits for a new file's name.
std::string RandomPart() {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 generator(std::random_device{}() ^ static_cast<uint64_t>(::getpid()));
    std::string part(6, '0');
    for (char& c : part)
        c = kChars[generator() % (sizeof kChars - 1)];
    return part;
}

// The longest name a file in `folder` may have.
size_t LongestName(const std::string& folder) {
    const long longest = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return longest > 0 ? static_cast<size_t>(longest) : NAME_MAX;
}

// At most the first `limit` bytes of a UTF-8 text, never ending inside a
// character: a name cut in the middle of one is no longer valid UTF-8, which
// file managers and other tools show garbled or refuse.
std::string_view Utf8Prefix(std::string_view text, size_t limit) {
    if (text.size() <= limit)
        return text;
    size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;   // text[cut] continues a character begun before it
    return text.substr(0, cut);
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

int CreateFileBeside(std::string_view targetPath, std::string& path) {
    const std::string target(targetPath);
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string_view name = std::string_view(target).substr(folder.size());

    // "." and "." + six + ".tmp" around the name: twelve bytes more than the
    // target's own name, which may already be as long as names go.
    constexpr size_t kAdded = 12;
    const size_t longest = LongestName(folder.empty() ? std::string(".") : folder);
    const std::string stem =
        folder + "." + std::string(Utf8Prefix(name, longest > kAdded ? longest - kAdded : 0)) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = stem + RandomPart() + ".tmp";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

bool ReplaceFileContents(std::string_view targetPath, const void* data, size_t size, ReplaceFailure* failure,
                         const ReplaceStepCheck& check) {
    // A link is followed, so that the file it points to is replaced and the
    // link stays a link (settings kept in a folder of their own and linked in).
    std::string target(targetPath);
    std::error_code linkError;
    if (std::filesystem::is_symlink(target, linkError)) {
        const auto resolved = std::filesystem::weakly_canonical(target, linkError);
        if (!linkError)
            target = resolved.string();
    }
    const auto faultAt = [&](ReplaceStep step, const std::string& path) { return check ? check(step, path) : 0; };
    const auto fail = [&](ReplaceStep step, int osError, const std::string& path) {
        if (failure)
            *failure = ReplaceFailure{step, osError, path};
        errno = osError;
        return false;
    };

    if (const int osError = faultAt(ReplaceStep::createTemp, target))
        return fail(ReplaceStep::createTemp, osError, target);
    std::string temp;
    const int fd = CreateFileBeside(target, temp);
    if (fd < 0)
        return fail(ReplaceStep::createTemp, errno, target);

    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        // The new file takes the old one's place: its owner and group, where
        // we may give them, and its permissions. The owner goes first, since
        // changing it clears the set-id bits.
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Only a privileged process gives a file away: the file is ours now.
        }
        (void)::fchmod(fd, old.st_mode & 07777);
    }

    ReplaceStep step = ReplaceStep::write;
    int osError = faultAt(step, temp);
    if (osError == 0 && !WriteAll(fd, static_cast<const uint8_t*>(data), size))
        osError = errno;
    if (osError == 0) {
        step = ReplaceStep::flush;
        if ((osError = faultAt(step, temp)) == 0 && ::fsync(fd) != 0)
            osError = errno;
    }
    if (::close(fd) != 0 && osError == 0 && errno != EINTR)
        osError = errno;
    if (osError == 0) {
        step = ReplaceStep::rename;
        if ((osError = faultAt(step, target)) == 0 && ::rename(temp.c_str(), target.c_str()) != 0)
            osError = errno;
    }
    if (osError != 0) {
        ::unlink(temp.c_str());
        return fail(step, osError, step == ReplaceStep::rename ? target : temp);
    }
    const size_t slash = target.rfind('/');
    SyncFolder(slash == std::string::npos ? std::string(".") : target.substr(0, slash == 0 ? 1 : slash));
    return true;
}

// ---- copies -----------------------------------------------------------------

bool CopyFile(std::string_view fromPath, std::string_view toPath, bool failIfExists) {
    std::string from = NativePath(fromPath), to = NativePath(toPath);
    if (failIfExists && FileExists(to)) {
        errno = EEXIST;
        return false;
    }
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat source {};
    if (::fstat(in, &source) != 0 || !S_ISREG(source.st_mode)) {
        int error = S_ISDIR(source.st_mode) ? EISDIR : errno;
        ::close(in);
        errno = error;
        return false;
    }

    std::string temp;
    int out = CreateFileBeside(to, temp);
    if (out < 0) {
        int error = errno;
        ::close(in);
        errno = error;
        return false;
    }

    bool ok = true;
    char buffer[65536];
    while (ok) {
        ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        for (ssize_t done = 0; ok && done < n;) {
            ssize_t w = ::write(out, buffer + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            ok = w > 0;
            done += w > 0 ? w : 0;
        }
    }
    ok = ok && ::fchmod(out, source.st_mode & 07777) == 0 && ::fdatasync(out) == 0;
    int error = errno;
    ::close(in);
    ok = ::close(out) == 0 && ok;

    if (ok) {
        // Without overwriting, link() refuses a target that appeared meanwhile.
        ok = failIfExists ? ::link(temp.c_str(), to.c_str()) == 0 : ::rename(temp.c_str(), to.c_str()) == 0;
        error = errno;
        if (ok && !failIfExists)
            return true;
    }
    ::unlink(temp.c_str());
    if (!ok)
        errno = error;
    return ok;
}

// ---- attributes and searches ------------------------------------------------

bool GetFileAttributes(std::string_view path, uint8_t& attributes) {
    std::string native = NativePath(path);
    struct stat st {};
    if (::stat(native.c_str(), &st) != 0)
        return false;
    while (native.size() > 1 && native.back() == '/')
        native.pop_back();
    std::string name = BaseName(native);
    attributes = FILE_ATTR_NORMAL;
    if (!(st.st_mode & S_IWUSR))
        attributes |= FILE_ATTR_READONLY;
    if (name.size() > 1 && name.front() == '.' && name != "..")
        attributes |= FILE_ATTR_HIDDEN;
    if (S_ISDIR(st.st_mode))
        attributes |= FILE_ATTR_DIRECTORY;
    if (S_ISREG(st.st_mode))
        attributes |= FILE_ATTR_ARCHIVE;
    return true;
}

bool SetFileAttributes(std::string_view path, uint8_t attributes) {
    std::string native = NativePath(path);
    struct stat st {};
    if (::stat(native.c_str(), &st) != 0)
        return false;
    mode_t mode = st.st_mode & 07777;
    mode = (attributes & FILE_ATTR_READONLY) ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
    return ::chmod(native.c_str(), mode) == 0;
}

bool MatchFileName(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*")
        return true;
    if (EndsWithNoCase(pattern, ".dll")) {
        std::string mapped(pattern.substr(0, pattern.size() - 4));
        return Match(mapped + ".so", name);
    }
    return Match(pattern, name);
}

std::vector<FileFindData> FindFiles(std::string_view patternPath) {
    std::string native = NativePath(patternPath);
    size_t slash = native.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : native.substr(0, slash == 0 ? 1 : slash);
    std::string pattern = slash == std::string::npos ? native : native.substr(slash + 1);
    if (!folder.empty())
        folder = ResolvePathCase(folder);

    std::vector<FileFindData> found;
    for (std::string& name : ListFolder(folder)) {
        if (!MatchFileName(pattern, name))
            continue;
        FileFindData data;
        data.path = PathJoin(folder, name);
        struct stat st {};
        if (::stat(data.path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            data.size = st.st_size;
        if (!GetFileAttributes(data.path, data.attributes))
            continue;   // vanished, or a dangling link
        data.name = std::move(name);
        found.push_back(std::move(data));
    }
    return found;
}
