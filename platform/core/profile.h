// The profile: the application's settings, and the private profile files the
// system reads by path (instrument definitions, "addr.sys").
//
// The application profile stands where the system kept its settings under the
// maker's and the program's name: the INI file
//     $STAFFWRIGHT_CONFIG_DIR/Staffwright.ini             when that variable is set (tests),
//     $XDG_CONFIG_HOME/Norvane/Staffwright.ini            otherwise (~/.config when unset).
// The variable is read at each call, so a test may point the profile elsewhere.
// Sections carry the system's names ("Settings\Notation"), keys keep their blanks,
// values are stored exactly as written (see inifile.h for the text and its escapes);
// sections and keys stay in file order, new ones appended.
//
// Values. Integers are written in decimal; reading takes the leading decimal number
// of the text (optional blanks and sign), 0 when there is none, the caller's default
// when the key is absent. Binary values are written as hexadecimal digit pairs
// ("0A1BFF"); a text that is not whole pairs of hex digits reads as absent.
//
// Files. Each profile file is read when first used and kept in memory; every call
// first checks the file on disk (a stat) and reads it again when another writer
// replaced it, so values written by another process are seen. Each write changes
// the memory copy and writes the whole file to a temporary file renamed over the
// old one (a link to the file stays a link; the file keeps its permissions and
// owner); writing a value the file already holds succeeds without touching it. A missing file reads as empty (every read gives the default); a line
// that cannot be understood is skipped. A file that exists but cannot be read
// (no permission, no file descriptor left, a read error part-way) also gives
// the defaults, but every write to it fails (returns false) and changes
// nothing, until a later call reads it: writing would replace the file with
// only the new key. Two processes writing the same file at the same moment are
// not merged: the later rename wins.
//
// Threads: any thread. Each file has one lock, shared by every CProfile on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CProfileFile;   // one file's memory copy and lock, shared by every CProfile on it

class CProfile {
public:
    // The profile file at `path` ("\" in the path is taken as "/"). When no file
    // exists at the path as spelled, a file whose name differs only in ASCII case
    // is used (the system spells "Instruments\General Midi.INI" as it likes).
    explicit CProfile(const std::string& path);

    // The application's profile, at GetApplicationPath().
    static CProfile Application();
    static std::string GetApplicationPath();

    const std::string& GetPath() const { return m_path; }

    int GetInt(std::string_view section, std::string_view key, int defaultValue) const;
    bool WriteInt(std::string_view section, std::string_view key, int value);

    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view defaultValue = {}) const;
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);

    // Fills `data` and returns true when the key holds a binary value.
    bool GetBinary(std::string_view section, std::string_view key, std::vector<uint8_t>& data) const;
    bool WriteBinary(std::string_view section, std::string_view key, const void* data, size_t size);

    bool HasKey(std::string_view section, std::string_view key) const;
    std::vector<std::string> GetSectionNames() const;
    std::vector<std::string> GetKeys(std::string_view section) const;
    std::vector<std::pair<std::string, std::string>> GetSection(std::string_view section) const;

    // Removes a key or a section and writes the file; true when it was there and
    // the file was written.
    bool DeleteKey(std::string_view section, std::string_view key);
    bool DeleteSection(std::string_view section);

    // Forgets every file kept in memory (tests that swap files under the profile).
    static void FlushCache();

private:
    struct ExactPath {};
    CProfile(const std::string& path, ExactPath);   // the path as given: no case lookup

    std::string m_path;
    std::shared_ptr<CProfileFile> m_file;
};

// ---- the application profile, as the system calls it --------------------------
// Writes return true when the file was written (false while it cannot be read).

int GetProfileInt(std::string_view section, std::string_view key, int defaultValue);
bool WriteProfileInt(std::string_view section, std::string_view key, int value);
std::string GetProfileString(std::string_view section, std::string_view key,
                             std::string_view defaultValue = {});
bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value);
bool GetProfileBinary(std::string_view section, std::string_view key, std::vector<uint8_t>& data);
bool WriteProfileBinary(std::string_view section, std::string_view key, const void* data, size_t size);

// ---- private profile files, by path -------------------------------------------

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& path);
int GetPrivateProfileInt(std::string_view section, std::string_view key, int defaultValue,
                         const std::string& path);
bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& path);
// The file's section names, in file order.
std::vector<std::string> GetPrivateProfileSectionNames(const std::string& path);
// The keys of a section, in file order.
std::vector<std::string> GetPrivateProfileKeys(std::string_view section, const std::string& path);
// The keys and values of a section, in file order.
std::vector<std::pair<std::string, std::string>> GetPrivateProfileSection(std::string_view section,
                                                                          const std::string& path);
