#include "platform/core/inifile.h"

#include "platform/core/faulthook.h"
#include "platform/core/filesys.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsControl(char c) {
    auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = LowerAscii(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool HasControl(std::string_view text) {
    for (char c : text)
        if (IsControl(c))
            return true;
    return false;
}

// Never destroyed: profiles may be read from static destructors.
CFaultHook<IniReadStep>& Faults() {
    static auto* faults = new CFaultHook<IniReadStep>;
    return *faults;
}

int FaultFor(IniReadStep step, const std::string& path) {
    return Faults().FaultFor(step, path);
}

// The whole file into `text`; false with errno when it cannot be opened or a
// read fails before its end.
bool ReadWholeFile(const std::string& path, std::string& text) {
    int osError = FaultFor(IniReadStep::openFile, path);
    const int fd = osError ? -1 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        errno = osError ? osError : errno;
        return false;
    }
    char buffer[16384];
    for (;;) {
        if ((osError = FaultFor(IniReadStep::read, path)) != 0)
            break;
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            osError = errno;
        if (got <= 0)
            break;
        text.append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
    errno = osError;
    return osError == 0;
}

}  // namespace

// ---- text -------------------------------------------------------------------

void CIniFile::Parse(std::string_view text) {
    m_sections.clear();
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);

    Section* current = nullptr;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        // Carriage returns at the ends are line-end debris, whatever the file's history.
        while (!line.empty() && (line.back() == '\r' || IsBlank(line.back())))
            line.remove_suffix(1);
        line = Trim(line);
        if (line.empty())
            continue;

        if (line.front() == '[') {
            size_t close = line.rfind(']');
            if (close == std::string_view::npos)
                continue;   // not a header: skipped
            std::string_view name = Trim(line.substr(1, close - 1));
            current = FindSection(name);
            if (!current) {
                m_sections.push_back(Section{std::string(name), {}});
                current = &m_sections.back();
            }
            continue;
        }
        if (line.front() == ';') {
            if (!current) {
                m_sections.push_back(Section{});
                current = &m_sections.back();
            }
            current->lines.push_back(Line{true, std::string(line), {}});
            continue;
        }
        size_t equals = line.find('=');
        if (equals == std::string_view::npos || !current || current->name.empty())
            continue;   // corrupt line, or a key outside every section
        std::string_view key = Trim(line.substr(0, equals));
        if (key.empty())
            continue;
        current->lines.push_back(
            Line{false, std::string(key), DecodeValue(line.substr(equals + 1))});
    }
}

std::string CIniFile::Write() const {
    std::string text;
    for (const Section& section : m_sections) {
        if (section.lines.empty() && section.name.empty())
            continue;
        if (!text.empty())
            text += '\n';
        if (!section.name.empty())
            text += '[' + section.name + "]\n";
        for (const Line& line : section.lines) {
            if (line.comment)
                text += line.key;
            else
                text += line.key + '=' + EncodeValue(line.value);
            text += '\n';
        }
    }
    return text;
}

std::string CIniFile::EncodeValue(std::string_view value) {
    bool quote = !value.empty() &&
                 (IsBlank(value.front()) || IsBlank(value.back()) || value.front() == '"' ||
                  HasControl(value));
    if (!quote)
        return std::string(value);

    static const char hex[] = "0123456789ABCDEF";
    std::string text = "\"";
    for (char c : value) {
        switch (c) {
        case '\\': text += "\\\\"; break;
        case '"': text += "\\\""; break;
        case '\n': text += "\\n"; break;
        case '\r': text += "\\r"; break;
        case '\t': text += "\\t"; break;
        default:
            if (IsControl(c)) {
                auto u = static_cast<unsigned char>(c);
                text += "\\x";
                text += hex[u >> 4];
                text += hex[u & 0xF];
            } else {
                text += c;
            }
        }
    }
    text += '"';
    return text;
}

std::string CIniFile::DecodeValue(std::string_view text) {
    text = Trim(text);
    if (text.size() < 2 || text.front() != '"' || text.back() != '"')
        return std::string(text);

    text = text.substr(1, text.size() - 2);
    std::string value;
    value.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\\' || i + 1 == text.size()) {
            value += c;
            continue;
        }
        char next = text[i + 1];
        switch (next) {
        case '\\': value += '\\'; ++i; break;
        case '"': value += '"'; ++i; break;
        case 'n': value += '\n'; ++i; break;
        case 'r': value += '\r'; ++i; break;
        case 't': value += '\t'; ++i; break;
        case 'x': {
            int high = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
            int low = i + 3 < text.size() ? HexDigit(text[i + 3]) : -1;
            if (high < 0 || low < 0) {
                value += c;   // not an escape: kept as written
                break;
            }
            value += static_cast<char>(high * 16 + low);
            i += 3;
            break;
        }
        default:
            value += c;       // an unknown escape is kept as written
        }
    }
    return value;
}

// ---- files ------------------------------------------------------------------

IniReadFaultHook SetIniReadFaultHook(IniReadFaultHook hook) {
    return Faults().Set(std::move(hook));
}

bool CIniFile::Load(const std::string& path) {
    m_sections.clear();
    std::string text;
    if (!ReadWholeFile(path, text))
        return false;   // what was read of it is dropped: a part is no file
    Parse(text);
    return true;
}

bool CIniFile::Save(const std::string& path) const {
    const std::string text = Write();
    return ReplaceFileContents(path, text.data(), text.size());
}

// ---- lookups ----------------------------------------------------------------

CIniFile::Section* CIniFile::FindSection(std::string_view name) {
    for (Section& section : m_sections)
        if (EqualNoCase(section.name, name))
            return &section;
    return nullptr;
}

const CIniFile::Section* CIniFile::FindSection(std::string_view name) const {
    return const_cast<CIniFile*>(this)->FindSection(name);
}

const CIniFile::Line* CIniFile::FindLine(const Section& section, std::string_view key) {
    for (const Line& line : section.lines)
        if (!line.comment && EqualNoCase(line.key, key))
            return &line;
    return nullptr;
}

bool CIniFile::HasSection(std::string_view section) const {
    return !section.empty() && FindSection(section) != nullptr;
}

bool CIniFile::HasKey(std::string_view section, std::string_view key) const {
    std::string ignored;
    return GetValue(section, key, ignored);
}

bool CIniFile::GetValue(std::string_view section, std::string_view key, std::string& value) const {
    const Section* found = section.empty() ? nullptr : FindSection(section);
    const Line* line = found ? FindLine(*found, key) : nullptr;
    if (!line)
        return false;
    value = line->value;
    return true;
}

std::vector<std::string> CIniFile::GetSectionNames() const {
    std::vector<std::string> names;
    for (const Section& section : m_sections)
        if (!section.name.empty())
            names.push_back(section.name);
    return names;
}

std::vector<std::string> CIniFile::GetKeys(std::string_view section) const {
    std::vector<std::string> keys;
    for (const auto& entry : GetEntries(section))
        keys.push_back(entry.first);
    return keys;
}

std::vector<std::pair<std::string, std::string>> CIniFile::GetEntries(std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> entries;
    const Section* found = section.empty() ? nullptr : FindSection(section);
    if (found)
        for (const Line& line : found->lines)
            if (!line.comment)
                entries.emplace_back(line.key, line.value);
    return entries;
}

// ---- changes ----------------------------------------------------------------

bool CIniFile::IsValidSectionName(std::string_view section) {
    return !section.empty() && !HasControl(section) && Trim(section).size() == section.size();
}

bool CIniFile::IsValidKeyName(std::string_view key) {
    return !key.empty() && !HasControl(key) && Trim(key).size() == key.size() &&
           key.find('=') == std::string_view::npos && key.front() != '[' && key.front() != ';';
}

bool CIniFile::SetValue(std::string_view section, std::string_view key, std::string_view value) {
    if (!IsValidSectionName(section) || !IsValidKeyName(key))
        return false;
    Section* found = FindSection(section);
    if (!found) {
        m_sections.push_back(Section{std::string(section), {}});
        found = &m_sections.back();
    }
    if (auto* line = const_cast<Line*>(FindLine(*found, key)))
        line->value = value;
    else
        found->lines.push_back(Line{false, std::string(key), std::string(value)});
    return true;
}

bool CIniFile::RemoveKey(std::string_view section, std::string_view key) {
    Section* found = section.empty() ? nullptr : FindSection(section);
    if (!found)
        return false;
    for (auto it = found->lines.begin(); it != found->lines.end(); ++it) {
        if (!it->comment && EqualNoCase(it->key, key)) {
            found->lines.erase(it);
            return true;
        }
    }
    return false;
}

bool CIniFile::RemoveSection(std::string_view section) {
    for (auto it = m_sections.begin(); it != m_sections.end(); ++it) {
        if (!section.empty() && EqualNoCase(it->name, section)) {
            m_sections.erase(it);
            return true;
        }
    }
    return false;
}
