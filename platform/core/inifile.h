// The INI text the profile and the private profile files are made of: sections
// of "key=value" lines, read and written in file order.
//
// Holds one file's sections in memory, in the order of the file; a new section or
// key is appended after the ones already there, so a file the user or an installer
// wrote keeps its layout through our writes. Plain data: no lock, no I/O of its
// own besides Load/Save; CProfile (profile.h) adds the file, the lock and the cache.
//
// The text, line by line:
//   [Section name]      the name is everything between the first "[" and the last "]",
//                       backslashes and blanks included ("Settings\Notation")
//   key=value           the key is the text before the first "=", without the blanks
//                       around it; the value is the rest (see "Values" below)
//   ; comment           kept in place when the file is written again
// Blank lines are dropped (a blank line is written between sections). A line that
// is none of these (no "=", an unterminated "[") is skipped, and so is a key line
// before the first section; a file in another shape therefore reads as what can
// be understood of it and never fails. A UTF-8 byte-order mark is skipped;
// line ends may be LF or CR LF. Sections that appear twice are merged into the
// first. Names of sections and keys match without regard to ASCII case, as they
// always have on the system's home platform; they are stored as first written.
//
// Values. A value is written as it stands unless that would not read back the
// same: a value with a blank (space or tab) at either end, one that starts with a
// double quote, or one holding a control character (line feed, carriage return,
// tab, ...) is written in double quotes, and inside the quotes a backslash is
// written "\\", a quote "\"", line feed, carriage return and tab "\n", "\r", "\t",
// and any other control character "\xHH". Everything else, commas, equals signs,
// backslashes and blanks inside the text, is written raw, so every text reads
// back exactly as it was written. On reading, a value that starts and ends with a
// double quote is unquoted with those escapes (an unknown escape is kept as
// written, so a hand-written "C:\Music" stays intact); any other value is taken
// raw, less the blanks at its ends.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CIniFile {
public:
    // Parses INI text. Never fails: what cannot be understood is skipped.
    void Parse(std::string_view text);
    // The INI text of the whole file, in file order.
    std::string Write() const;

    // Reads the whole file at `path` and parses it (replacing the contents).
    // On failure the document is empty, never a part of the file, and the
    // result is false with errno telling why: ENOENT for a missing file, else
    // the reason it could not be opened or read to its end.
    bool Load(const std::string& path);
    // Writes the file through ReplaceFileContents (filesys.h): a new file
    // beside `path`, flushed to the disk and renamed over it, so a reader sees
    // the old file or the new one, never a part; a link is followed, the old
    // file's permissions and owner are kept. Returns false (and leaves `path`
    // as it was) on failure; errno tells why.
    bool Save(const std::string& path) const;

    void Clear() { m_sections.clear(); }

    // Reading. Lookups are case-insensitive (ASCII); the first key of a name wins.
    bool HasSection(std::string_view section) const;
    bool HasKey(std::string_view section, std::string_view key) const;
    // Fills `value` and returns true when the key exists (its value may be empty).
    bool GetValue(std::string_view section, std::string_view key, std::string& value) const;
    // The names of the sections, in file order.
    std::vector<std::string> GetSectionNames() const;
    // The keys of a section, in file order (empty when the section is absent).
    std::vector<std::string> GetKeys(std::string_view section) const;
    // The keys and values of a section, in file order.
    std::vector<std::pair<std::string, std::string>> GetEntries(std::string_view section) const;

    // Writing. Sets the value of a key, appending the section and the key when
    // they are new. Returns false when the name cannot be stored in INI text:
    // an empty section or key, a control character in either, or a key that holds
    // "=", starts with "[" or ";", or has blanks at its ends.
    bool SetValue(std::string_view section, std::string_view key, std::string_view value);
    // Removes a key or a whole section; true when there was something to remove.
    bool RemoveKey(std::string_view section, std::string_view key);
    bool RemoveSection(std::string_view section);

    static bool IsValidSectionName(std::string_view section);
    static bool IsValidKeyName(std::string_view key);
    // The value as it is written after "key=" (quoted and escaped when needed).
    static std::string EncodeValue(std::string_view value);
    // The value a line's text after "=" stands for.
    static std::string DecodeValue(std::string_view text);

private:
    // One line of a section: a key and its value, or a comment kept verbatim.
    struct Line {
        bool comment = false;
        std::string key;     // the comment's whole text when `comment`
        std::string value;
    };
    struct Section {
        std::string name;    // empty: the lines before the first section header
        std::vector<Line> lines;
    };

    Section* FindSection(std::string_view name);
    const Section* FindSection(std::string_view name) const;
    static const Line* FindLine(const Section& section, std::string_view key);

    std::vector<Section> m_sections;
};

// Points of reading an INI file (Load) where a test can make the read fail.
enum class IniReadStep {
    openFile,   // opening the file
    read,       // each read of the next part of its text
};
// Returns an errno value to fail the step with, or 0 to let it run.
using IniReadFaultHook = std::function<int(IniReadStep step, const std::string& path)>;
// Installs the hook (empty: none); returns the previous one. Tests only.
IniReadFaultHook SetIniReadFaultHook(IniReadFaultHook hook);
