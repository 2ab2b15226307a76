#include "platform/core/profile.h"

#include "platform/core/filesys.h"
#include "platform/core/inifile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <map>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What identifies one version of a file on disk: a write renames a new file over
// the old one, so the inode changes with every write, ours or another process's.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long seconds = 0, nanoseconds = 0;

    static FileStamp Of(const std::string& path) {
        FileStamp stamp;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0)
            return stamp;
        stamp.exists = true;
        stamp.device = st.st_dev;
        stamp.inode = st.st_ino;
        stamp.size = st.st_size;
        stamp.seconds = static_cast<long>(st.st_mtim.tv_sec);
        stamp.nanoseconds = st.st_mtim.tv_nsec;
        return stamp;
    }
    bool operator==(const FileStamp&) const = default;
};

// The leading decimal number of a text (blanks, optional sign, digits); 0 when
// there is none, clamped to the range of int.
int ParseInt(const std::string& text) {
    const char* p = text.c_str();
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(p, &end, 10);
    if (end == p)
        return 0;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

std::string ToHex(const void* data, size_t size) {
    static const char digits[] = "0123456789ABCDEF";
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::string text;
    text.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0xF];
    }
    return text;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool FromHex(const std::string& text, std::vector<uint8_t>& data) {
    if (text.size() % 2 != 0)
        return false;
    std::vector<uint8_t> bytes(text.size() / 2);
    for (size_t i = 0; i < bytes.size(); ++i) {
        int high = HexValue(text[2 * i]), low = HexValue(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes[i] = static_cast<uint8_t>(high * 16 + low);
    }
    data = std::move(bytes);
    return true;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir)
        return user->pw_dir;
    return "/tmp";
}

}  // namespace

// ---- one file in memory -------------------------------------------------------

class CProfileFile {
public:
    explicit CProfileFile(std::string path, bool createFolder)
        : m_path(std::move(path)), m_createFolder(createFolder) {}

    // Runs `read` on the current contents under the file's lock (empty while
    // the file cannot be read: every key gives its default).
    template <typename F>
    auto Read(F&& read) {
        std::lock_guard lock(m_lock);
        Refresh();
        return read(static_cast<const CIniFile&>(m_ini));
    }

    // Runs `change` (returning whether it changed anything) under the lock and
    // writes the file when it did. True when the change was made and written;
    // false without a change while the file cannot be read.
    template <typename F>
    bool Write(F&& change) {
        std::lock_guard lock(m_lock);
        if (!Refresh())
            return false;
        if (!change(m_ini))
            return false;
        if (m_createFolder) {
            size_t slash = m_path.rfind('/');
            if (slash != std::string::npos && slash > 0)
                CreateFolders(m_path.substr(0, slash));
        }
        if (!m_ini.Save(m_path)) {
            m_stamp = {};
            m_loaded = false;   // the next call reads what the disk really holds
            return false;
        }
        m_stamp = FileStamp::Of(m_path);
        return true;
    }

    void Forget() {
        std::lock_guard lock(m_lock);
        m_loaded = false;
    }

private:
    // Reads the file again when it changed on disk since we last saw it; false
    // when it cannot be read. Only a missing file is an empty profile: one that
    // exists but fails to read (no permission, no descriptor left, an error
    // part-way) stays unread, since writing what we hold would wipe every
    // setting the file keeps. The next call tries again.
    bool Refresh() {
        FileStamp now = FileStamp::Of(m_path);
        if (m_loaded && now == m_stamp)
            return true;
        if (!m_ini.Load(m_path) && errno != ENOENT) {
            m_loaded = false;
            return false;
        }
        m_stamp = now;
        m_loaded = true;
        return true;
    }

    static void CreateFolders(const std::string& folder) {
        for (size_t pos = 1; pos != std::string::npos;) {
            pos = folder.find('/', pos + 1);
            ::mkdir(folder.substr(0, pos).c_str(), 0755);   // existing ones fail harmlessly
        }
    }

    const std::string m_path;
    const bool m_createFolder;
    std::mutex m_lock;
    CIniFile m_ini;           // guarded by m_lock
    FileStamp m_stamp;        // guarded by m_lock
    bool m_loaded = false;    // guarded by m_lock
};

namespace {

// Every file in use, by path: the memory copies and their locks live as long as
// the process, so the instrument definitions are parsed once, not at every key.
std::mutex s_filesLock;
std::map<std::string, std::shared_ptr<CProfileFile>>& Files() {
    static auto* files = new std::map<std::string, std::shared_ptr<CProfileFile>>;
    return *files;   // never destroyed: profiles may be written from static destructors
}

}  // namespace

// ---- CProfile -----------------------------------------------------------------

CProfile::CProfile(const std::string& path) : CProfile(ResolvePathCase(path), ExactPath{}) {}

CProfile::CProfile(const std::string& path, ExactPath) : m_path(NativePath(path)) {
    std::lock_guard lock(s_filesLock);
    auto& file = Files()[m_path];
    if (!file)
        file = std::make_shared<CProfileFile>(m_path, m_path == GetApplicationPath());
    m_file = file;
}

std::string CProfile::GetApplicationPath() {
    if (const char* dir = std::getenv("STAFFWRIGHT_CONFIG_DIR"); dir && *dir)
        return PathJoin(dir, "Staffwright.ini");
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base = (config && *config) ? std::string(config) : PathJoin(HomeFolder(), ".config");
    return PathJoin(PathJoin(base, "Norvane"), "Staffwright.ini");
}

CProfile CProfile::Application() {
    // Our own name for our own file: no case lookup, which would list folders
    // at every call while the file does not exist yet.
    return CProfile(GetApplicationPath(), ExactPath{});
}

void CProfile::FlushCache() {
    std::lock_guard lock(s_filesLock);
    for (auto& [path, file] : Files())
        file->Forget();
}

int CProfile::GetInt(std::string_view section, std::string_view key, int defaultValue) const {
    return m_file->Read([&](const CIniFile& ini) {
        std::string text;
        return ini.GetValue(section, key, text) ? ParseInt(text) : defaultValue;
    });
}

bool CProfile::WriteInt(std::string_view section, std::string_view key, int value) {
    return WriteString(section, key, std::to_string(value));
}

std::string CProfile::GetString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
    return m_file->Read([&](const CIniFile& ini) {
        std::string text;
        return ini.GetValue(section, key, text) ? text : std::string(defaultValue);
    });
}

bool CProfile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    // A value the file already holds is not written again: every write
    // replaces the whole file and waits for the disk.
    bool held = false;
    const bool written = m_file->Write([&](CIniFile& ini) {
        std::string current;
        held = ini.GetValue(section, key, current) && current == value;
        return !held && ini.SetValue(section, key, value);
    });
    return written || held;
}

bool CProfile::GetBinary(std::string_view section, std::string_view key, std::vector<uint8_t>& data) const {
    std::string text;
    bool found = m_file->Read([&](const CIniFile& ini) { return ini.GetValue(section, key, text); });
    return found && FromHex(text, data);
}

bool CProfile::WriteBinary(std::string_view section, std::string_view key, const void* data, size_t size) {
    return WriteString(section, key, ToHex(data, size));
}

bool CProfile::HasKey(std::string_view section, std::string_view key) const {
    return m_file->Read([&](const CIniFile& ini) { return ini.HasKey(section, key); });
}

std::vector<std::string> CProfile::GetSectionNames() const {
    return m_file->Read([](const CIniFile& ini) { return ini.GetSectionNames(); });
}

std::vector<std::string> CProfile::GetKeys(std::string_view section) const {
    return m_file->Read([&](const CIniFile& ini) { return ini.GetKeys(section); });
}

std::vector<std::pair<std::string, std::string>> CProfile::GetSection(std::string_view section) const {
    return m_file->Read([&](const CIniFile& ini) { return ini.GetEntries(section); });
}

bool CProfile::DeleteKey(std::string_view section, std::string_view key) {
    return m_file->Write([&](CIniFile& ini) { return ini.RemoveKey(section, key); });
}

bool CProfile::DeleteSection(std::string_view section) {
    return m_file->Write([&](CIniFile& ini) { return ini.RemoveSection(section); });
}

// ---- free functions ---------------------------------------------------------

int GetProfileInt(std::string_view section, std::string_view key, int defaultValue) {
    return CProfile::Application().GetInt(section, key, defaultValue);
}

bool WriteProfileInt(std::string_view section, std::string_view key, int value) {
    return CProfile::Application().WriteInt(section, key, value);
}

std::string GetProfileString(std::string_view section, std::string_view key, std::string_view defaultValue) {
    return CProfile::Application().GetString(section, key, defaultValue);
}

bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value) {
    return CProfile::Application().WriteString(section, key, value);
}

bool GetProfileBinary(std::string_view section, std::string_view key, std::vector<uint8_t>& data) {
    return CProfile::Application().GetBinary(section, key, data);
}

bool WriteProfileBinary(std::string_view section, std::string_view key, const void* data, size_t size) {
    return CProfile::Application().WriteBinary(section, key, data, size);
}

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& path) {
    return CProfile(path).GetString(section, key, defaultValue);
}

int GetPrivateProfileInt(std::string_view section, std::string_view key, int defaultValue,
                         const std::string& path) {
    return CProfile(path).GetInt(section, key, defaultValue);
}

bool WritePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                               const std::string& path) {
    return CProfile(path).WriteString(section, key, value);
}

std::vector<std::string> GetPrivateProfileSectionNames(const std::string& path) {
    return CProfile(path).GetSectionNames();
}

std::vector<std::string> GetPrivateProfileKeys(std::string_view section, const std::string& path) {
    return CProfile(path).GetKeys(section);
}

std::vector<std::pair<std::string, std::string>> GetPrivateProfileSection(std::string_view section,
                                                                          const std::string& path) {
    return CProfile(path).GetSection(section);
}
