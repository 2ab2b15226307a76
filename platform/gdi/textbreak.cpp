#include "platform/gdi/textbreak.h"

#include "platform/core/format.h"

std::vector<std::string_view> SplitCharacters(std::string_view text) {
    std::vector<std::string_view> characters;
    for (size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        bool valid = length != 0 && at + length <= text.size();
        for (size_t i = 1; valid && i < length; ++i)
            valid = (static_cast<unsigned char>(text[at + i]) & 0xC0) == 0x80;
        if (!valid) {
            characters.clear();
            for (size_t i = 0; i < text.size(); ++i)
                characters.push_back(text.substr(i, 1));
            return characters;
        }
        characters.push_back(text.substr(at, length));
        at += length;
    }
    return characters;
}

std::string CutWithEllipsis(std::string_view text, double width, const MeasureText& measure) {
    std::vector<std::string_view> characters = SplitCharacters(text);
    std::string cut;
    while (!characters.empty()) {
        characters.pop_back();
        cut.clear();
        for (std::string_view c : characters)
            cut += c;
        cut += "...";
        if (measure(cut) <= width)
            break;
    }
    return cut.empty() ? std::string("...") : cut;
}

namespace {

bool IsBreakingSpace(char c) {
    return c == ' ' || c == '\t';
}

// The lines of `word`, a word wider than `width`, broken between characters
// as an edit control breaks it: as many as fit on each line, at least one.
void BreakWord(std::string_view word, double width, const MeasureText& measure, std::vector<std::string>& lines) {
    std::string line;
    for (std::string_view c : SplitCharacters(word)) {
        if (!line.empty() && measure(line + std::string(c)) > width) {
            lines.push_back(std::move(line));
            line.clear();
        }
        line += c;
    }
    lines.push_back(std::move(line));
}

// Breaks one paragraph (text without line breaks) between words so that each
// line fits `width`. The spaces at a break belong to neither line. A word
// wider than the width stands alone on its line and overflows it, unless
// DT_EDITCONTROL breaks it between characters or DT_WORD_ELLIPSIS cuts it.
void BreakParagraph(std::string_view paragraph, double width, UINT format, const MeasureText& measure,
                    std::vector<std::string>& lines) {
    std::string line;
    bool lineHasWord = false;
    size_t at = 0;
    while (at < paragraph.size()) {
        size_t wordStart = at;
        while (wordStart < paragraph.size() && IsBreakingSpace(paragraph[wordStart]))
            ++wordStart;
        size_t wordEnd = wordStart;
        while (wordEnd < paragraph.size() && !IsBreakingSpace(paragraph[wordEnd]))
            ++wordEnd;
        const std::string_view spaces = paragraph.substr(at, wordStart - at);
        const std::string_view word = paragraph.substr(wordStart, wordEnd - wordStart);
        at = wordEnd;
        if (word.empty()) {   // trailing spaces stay with the paragraph's last line
            line += spaces;
            break;
        }
        std::string candidate = line + std::string(spaces) + std::string(word);
        if (lineHasWord && measure(candidate) > width) {
            lines.push_back(std::move(line));
            line.clear();
            lineHasWord = false;
            at = wordStart;   // the word opens the next line, without the spaces before it
            continue;
        }
        line = std::move(candidate);
        if (!lineHasWord && measure(line) > width) {   // the line's only word does not fit
            if (format & DT_EDITCONTROL) {
                BreakWord(line, width, measure, lines);
                line = std::move(lines.back());   // its last piece may take more words
                lines.pop_back();
            } else if (format & DT_WORD_ELLIPSIS) {
                line = CutWithEllipsis(line, width, measure);
            }
        }
        lineHasWord = true;
    }
    lines.push_back(std::move(line));
}

}  // namespace

std::vector<std::string> BreakTextLines(const CDC& dc, std::string_view text, int width, UINT format) {
    const std::string plain = (format & DT_NOPREFIX) ? std::string(text) : StripMnemonicPrefixes(text);
    std::vector<std::string> lines;
    if (format & DT_SINGLELINE) {
        // The whole text on one line: line breaks draw as spaces.
        lines.push_back(plain);
        for (char& c : lines.back())
            if (c == '\r' || c == '\n')
                c = ' ';
        return lines;
    }
    const MeasureText measure = [&dc](std::string_view run) { return dc.GetTextExtent(run).cx; };
    // Paragraphs end at a line feed, a carriage return or both together.
    size_t start = 0;
    for (size_t at = 0; at <= plain.size(); ++at) {
        if (at < plain.size() && plain[at] != '\n' && plain[at] != '\r')
            continue;
        const std::string_view paragraph = std::string_view(plain).substr(start, at - start);
        if (format & DT_WORDBREAK)
            BreakParagraph(paragraph, width, format, measure, lines);
        else
            lines.emplace_back(paragraph);
        if (at + 1 < plain.size() && plain[at] == '\r' && plain[at + 1] == '\n')
            ++at;
        start = at + 1;
    }
    return lines;
}
