// Text conversions between the system's UTF-8 strings and the encodings of its
// files: the Windows-1252 single-byte code page of archived strings, and UTF-16
// for the wide strings archives use when a text does not fit that code page.
//
// The single-byte mapping is lossless both ways for all 256 bytes: the five
// bytes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the
// control characters of the same number, so any archived byte string survives
// a load and a save unchanged.
//
// Malformed UTF-8 or UTF-16 (a stray continuation byte, a lone surrogate)
// decodes to U+FFFD, never to an error: these functions read outside data.
// Pure functions, any thread.
#pragma once

#include <string>
#include <string_view>

// Windows-1252 bytes to UTF-8.
std::string Cp1252ToUtf8(std::string_view bytes);

// UTF-8 to Windows-1252 bytes. Returns false (and leaves `bytes` unspecified)
// when some character has no single-byte form.
bool Utf8ToCp1252(std::string_view utf8, std::string& bytes);

// Whether every character of the UTF-8 text has a Windows-1252 byte.
bool FitsCp1252(std::string_view utf8);

// Whether the bytes are well-formed UTF-8: no stray or missing continuation
// byte, overlong form, surrogate or code point beyond U+10FFFF. Plain ASCII is.
bool IsValidUtf8(std::string_view bytes);

// UTF-8 to UTF-16 code units (host order) and back.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// The Windows-1252 byte of a code point, or -1 when there is none.
int CodePointToCp1252(char32_t codePoint);
// The code point of a Windows-1252 byte.
char32_t Cp1252ToCodePoint(unsigned char byte);
