// The notated values of a staff in the short form the end-to-end notation
// tests write their cases in, read from a dump (dump.h, DUMP.md):
//
//     "q e e h | q. e h~ | q h."
//
// Each note is its value (w h q e s t for 1/1 to 1/32; "?" another or an
// unknown one), a "." for each dot and "~" when a tie starts at it; rests
// are left out, and a bar without notes reads "-". Bars are joined by " | ".
#pragma once

#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace notation_test {

// The values of staff `staff` in `dump`, bar by bar.
inline std::string ValuesOf(const std::string& dump, int staff) {
    static const std::regex kLine(R"(^staff (\d+) bar (\d+)(?: voice \d+)?: (.*)$)");
    static const std::regex kNote(R"(note\(at=-?\d+ key=\S+ pitch=\S+ value=(\S+) tie=(\S))");
    static const std::vector<std::pair<std::string, std::string>> kShort = {
        {"1/1", "w"}, {"1/2", "h"}, {"1/4", "q"}, {"1/8", "e"}, {"1/16", "s"}, {"1/32", "t"}};
    std::string text;
    int lastBar = 0;
    bool barHasNotes = true;
    const auto endBar = [&] {
        if (lastBar != 0 && !barHasNotes)
            text += " -";
    };
    std::istringstream lines(dump);
    for (std::string line; std::getline(lines, line);) {
        std::smatch head;
        if (!std::regex_match(line, head, kLine) || std::stoi(head[1]) != staff)
            continue;
        const int bar = std::stoi(head[2]);
        if (bar != lastBar) {
            endBar();
            if (lastBar != 0)
                text += " |";
            lastBar = bar;
            barHasNotes = false;
        }
        const std::string body = head[3];
        for (std::sregex_iterator it(body.begin(), body.end(), kNote), end; it != end; ++it) {
            barHasNotes = true;
            std::string value = (*it)[1];
            const size_t dots = value.find('.');
            const std::string dotted = dots == std::string::npos ? "" : value.substr(dots);
            value = value.substr(0, dots);
            std::string name = "?";
            for (const auto& [full, abbreviation] : kShort)
                if (value == full)
                    name = abbreviation;
            text += " " + name + dotted + ((*it)[2] == "~" ? "~" : "");
        }
    }
    endBar();
    return text.empty() ? text : text.substr(1);
}

}  // namespace notation_test
