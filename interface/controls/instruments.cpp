#include "interface/controls/instruments.h"

#include "platform/core/filesys.h"
#include "platform/core/profile.h"

#include <cctype>
#include <climits>

std::string MCGetInstrumentFolder() {
    return PathJoin(GetProgramFolder(), "Instruments");
}

std::vector<std::string> MCFindInstrumentFiles() {
    std::vector<std::string> paths;
    for (const FileFindData& found : FindFiles(PathJoin(MCGetInstrumentFolder(), "*.INI")))
        if (!(found.attributes & FILE_ATTR_DIRECTORY))
            paths.push_back(found.path);
    return paths;
}

std::string MCGetInstrumentMapFile(const std::string& map) {
    return ResolvePathCase(PathJoin(MCGetInstrumentFolder(), map + ".INI"));
}

std::vector<std::string> MCSplitInstrumentFields(const std::string& value) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t comma = value.find(',', start);
        fields.push_back(value.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos)
            return fields;
        start = comma + 1;
    }
}

int MCReadInstrumentNumber(const std::string& text) {
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        negative = text[at++] == '-';
    long long number = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at)
        if (number <= INT_MAX)
            number = number * 10 + (text[at] - '0');
    if (negative)
        number = -number;
    return number > INT_MAX ? INT_MAX : number < INT_MIN ? INT_MIN : static_cast<int>(number);
}

namespace {

// Whether a field holds anything but blanks.
bool IsGiven(const std::string& field) {
    return field.find_first_not_of(" \t") != std::string::npos;
}

}  // namespace

MCVoiceLine MCReadVoiceLine(const std::string& key, const std::string& value) {
    const std::vector<std::string> fields = MCSplitInstrumentFields(value);
    MCVoiceLine voice;
    voice.name = fields[0];
    voice.program = MCReadInstrumentNumber(key);
    if (fields.size() > 1 && IsGiven(fields[1]))
        voice.bank = MCReadInstrumentNumber(fields[1]);
    if (fields.size() > 2 && IsGiven(fields[2]))
        voice.program = MCReadInstrumentNumber(fields[2]);
    return voice;
}

std::vector<std::pair<std::string, std::string>> MCReadInstrumentSection(const std::string& section,
                                                                         const std::string& path) {
    return GetPrivateProfileSection(section, path);
}
