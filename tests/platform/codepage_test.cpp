// platform/core/codepage.cpp: Windows-1252 and UTF-16 conversions.
#include "platform/core/codepage.h"

#include <gtest/gtest.h>

namespace {

TEST(CodepageTest, EverySingleByteRoundTrips) {
    for (int byte = 0; byte < 256; ++byte) {
        const std::string raw(1, static_cast<char>(byte));
        const std::string utf8 = Cp1252ToUtf8(raw);
        std::string back;
        ASSERT_TRUE(Utf8ToCp1252(utf8, back)) << byte;
        EXPECT_EQ(back, raw) << byte;
    }
}

TEST(CodepageTest, BytesMapToTheirCharacters) {
    const struct { unsigned char byte; char32_t codePoint; } cases[] = {
        {0x00, 0x0000}, {0x41, 0x0041}, {0x7F, 0x007F}, {0x80, 0x20AC}, {0x81, 0x0081},
        {0x8A, 0x0160}, {0x8D, 0x008D}, {0x8F, 0x008F}, {0x90, 0x0090}, {0x99, 0x2122},
        {0x9D, 0x009D}, {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xE4, 0x00E4}, {0xFF, 0x00FF},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Cp1252ToCodePoint(c.byte), c.codePoint) << int(c.byte);
        EXPECT_EQ(CodePointToCp1252(c.codePoint), c.byte) << int(c.byte);
    }
    // C1 controls that the code page gives printable characters have no byte.
    EXPECT_EQ(CodePointToCp1252(0x0080), -1);
    EXPECT_EQ(CodePointToCp1252(0x009F), -1);
    EXPECT_EQ(Cp1252ToUtf8("\x80\x93"), "\xE2\x82\xAC\xE2\x80\x9C");
}

TEST(CodepageTest, WhatFitsTheCodePage) {
    const struct { const char* utf8; bool fits; } cases[] = {
        {"", true},
        {"plain ASCII", true},
        {"\xC3\xA9t\xC3\xA9 \xE2\x82\xAC", true},       // été €
        {"\xC2\x81", true},                               // U+0081, kept as byte 0x81
        {"\xC2\x80", false},                              // U+0080
        {"\xCE\xA9", false},                              // Omega
        {"\xF0\x9D\x84\x9E", false},                      // outside the BMP
        {"\xC3", false},                                  // cut short
        {"\xEF\xBF\xBD", false},                          // U+FFFD itself
    };
    for (const auto& c : cases)
        EXPECT_EQ(FitsCp1252(c.utf8), c.fits) << c.utf8;
}

TEST(CodepageTest, WellFormedUtf8) {
    const struct { const char* bytes; bool valid; } cases[] = {
        {"", true},
        {"plain ASCII", true},
        {"take\xC5\x91.wav", true},                        // U+0151
        {"\xF0\x9D\x84\x9E", true},                        // outside the BMP
        {"\xEF\xBF\xBD", true},                              // U+FFFD written as such
        {"take\xE9.wav", false},                            // a Windows-1252 byte
        {"\x80", false},                                     // a stray continuation byte
        {"a\xE2\x82", false},                                // cut short
        {"\xC0\x80", false},                                 // overlong
        {"\xED\xA0\x80", false},                             // encoded surrogate
        {"\xF4\x90\x80\x80", false},                         // beyond U+10FFFF
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.bytes;
}

TEST(CodepageTest, Utf16RoundTripsAndMalformedInputBecomesReplacement) {
    const std::string texts[] = {"", "abc", "\xC3\xA9\xE2\x82\xAC", "\xF0\x9D\x84\x9E x", "\xEF\xBF\xBF"};
    for (const auto& text : texts)
        EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9D\x84\x9E"), (std::u16string{0xD834, 0xDD1E}));

    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', 0xD834}), "a" + replacement);   // lone high surrogate
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDD1E, u'b'}), replacement + "b");   // lone low surrogate
    EXPECT_EQ(Utf8ToUtf16("\xC0\x80"), std::u16string{0xFFFD});                // overlong
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), std::u16string{0xFFFD});             // encoded surrogate
    EXPECT_EQ(Utf8ToUtf16("a\xE2\x82"), (std::u16string{u'a', 0xFFFD}));         // cut short
}

}  // namespace
