#include "platform/core/format.h"

#include "platform/core/resources.h"

#include <cstdio>

std::string FormatV(const char* format, va_list args) {
    if (!format)
        return {};
    char small[256];
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (needed < 0)
        return {};   // an encoding error in the arguments: nothing sensible to show
    if (static_cast<size_t>(needed) < sizeof small)
        return std::string(small, static_cast<size_t>(needed));

    std::string text(static_cast<size_t>(needed), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, args);
    return text;
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatV(format, args);
    va_end(args);
    return text;
}

// The format is a string table's text, known only at run time.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
std::string Format(unsigned formatId, ...) {
    std::string format = format_detail::LoadFormat(formatId);
    va_list args;
    va_start(args, formatId);
    std::string text = FormatV(format.c_str(), args);
    va_end(args);
    return text;
}
#pragma GCC diagnostic pop

std::string format_detail::LoadFormat(unsigned formatId) {
    return LoadString(formatId);
}

std::string FormatMessageArgs(std::string_view format, const std::vector<std::string>& args) {
    auto digit = [&](size_t i) { return i < format.size() && format[i] >= '0' && format[i] <= '9'; };

    std::string text;
    text.reserve(format.size());
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%' || i + 1 == format.size()) {
            text += c;
            continue;
        }
        if (format[i + 1] == '%') {
            text += '%';
            ++i;
            continue;
        }
        if (!digit(i + 1) || format[i + 1] == '0') {
            text += c;   // not an insertion: kept as written
            continue;
        }
        size_t number = static_cast<size_t>(format[i + 1] - '0');
        size_t length = 1;
        if (digit(i + 2)) {
            size_t two = number * 10 + static_cast<size_t>(format[i + 2] - '0');
            if (two <= args.size()) {
                number = two;
                length = 2;
            }
        }
        if (number > args.size()) {
            text += c;   // no such argument: kept as written
            continue;
        }
        text += args[number - 1];
        i += length;
    }
    return text;
}

std::string StripMnemonicPrefixes(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '&' && at + 1 < text.size())
            ++at;   // the prefix hides itself; the next character shows, even another "&"
        else if (text[at] == '&')
            continue;
        shown += text[at];
    }
    return shown;
}
