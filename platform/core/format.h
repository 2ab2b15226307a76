// Text formatting: printf-style formats into std::string, and the numbered
// insertion form ("%1", "%2") the system's messages and stored texts use.
//
// Format follows the C library's printf exactly (the compiler checks the
// arguments of a literal format). The string-id forms take their format from the
// string tables (resources.h); such a format is known only at run time, so the
// caller answers for the arguments matching it, as the system always did.
//
// FormatMessage replaces "%1" to "%99" by the arguments, each as often and in
// whatever order the format names it; "%%" is one "%". A "%" followed by anything
// else, or by a number beyond the arguments given, is kept as written, so a
// mistake shows in the text instead of reading foreign memory. Two digits are
// taken when they name an argument that exists, else one: with three arguments
// "%12" is the first argument followed by "2". Arguments are texts (std::string,
// const char*, std::string_view, char) or integers (written in decimal).
//
// Threads: any thread.
#pragma once

#include <concepts>
#include <cstdarg>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* format, va_list args) __attribute__((format(printf, 1, 0)));
// The format is the string `formatId` of the string tables (empty when missing).
std::string Format(unsigned formatId, ...);

// The numbered insertion over texts already made.
std::string FormatMessageArgs(std::string_view format, const std::vector<std::string>& args);

namespace format_detail {

inline std::string ToText(const std::string& text) { return text; }
inline std::string ToText(std::string_view text) { return std::string(text); }
inline std::string ToText(const char* text) { return text ? std::string(text) : std::string(); }
inline std::string ToText(char c) { return std::string(1, c); }
template <std::integral T>
    requires(!std::same_as<T, char> && !std::same_as<T, bool>)
std::string ToText(T value) {
    return std::to_string(value);
}

std::string LoadFormat(unsigned formatId);

}  // namespace format_detail

template <typename... Args>
std::string FormatMessage(std::string_view format, const Args&... args) {
    return FormatMessageArgs(format, {format_detail::ToText(args)...});
}

// The format is the string `formatId` of the string tables.
template <typename... Args>
std::string FormatMessage(unsigned formatId, const Args&... args) {
    return FormatMessageArgs(format_detail::LoadFormat(formatId), {format_detail::ToText(args)...});
}

// A label as it shows: each "&" marks the next character as its mnemonic and
// hides itself ("&&" shows one "&"); a "&" at the end is dropped.
std::string StripMnemonicPrefixes(std::string_view text);
