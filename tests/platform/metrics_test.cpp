// The logical-font record's stored form, and the desktop metrics.
#include "platform/ui/metrics.h"

#include <cstring>
#include <gtest/gtest.h>

TEST(LogFont, TheStoredRecordIsSixtyBytesInTheSystemsLayout) {
    LOGFONT font;
    font.lfHeight = -14;
    font.lfWidth = 0x01020304;
    font.lfEscapement = 900;
    font.lfOrientation = -1;
    font.lfWeight = FW_BOLD;
    font.lfItalic = 1;
    font.lfUnderline = 2;
    font.lfStrikeOut = 3;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_TT_PRECIS;
    font.lfClipPrecision = 5;
    font.lfQuality = 6;
    font.lfPitchAndFamily = 7;
    SetFaceName(font, "Caf\xC3\xA9");   // é is 0xE9 in the stored record

    auto bytes = LogFontToBytes(font);
    const uint8_t head[] = {
        0xF2, 0xFF, 0xFF, 0xFF,  0x04, 0x03, 0x02, 0x01,  0x84, 0x03, 0x00, 0x00,
        0xFF, 0xFF, 0xFF, 0xFF,  0xBC, 0x02, 0x00, 0x00,
        1, 2, 3, 1, 4, 5, 6, 7,
        'C', 'a', 'f', 0xE9, 0,
    };
    for (size_t i = 0; i < sizeof head; ++i)
        EXPECT_EQ(bytes[i], head[i]) << "byte " << i;
    for (size_t i = sizeof head; i < bytes.size(); ++i)
        EXPECT_EQ(bytes[i], 0) << "byte " << i;

    LOGFONT read;
    ASSERT_TRUE(LogFontFromBytes(bytes.data(), bytes.size(), read));
    EXPECT_EQ(LogFontToBytes(read), bytes);
    EXPECT_EQ(GetFaceName(read), "Caf\xC3\xA9");
    EXPECT_FALSE(LogFontFromBytes(bytes.data(), 59, read));
    EXPECT_FALSE(LogFontFromBytes(nullptr, 60, read));
}

TEST(LogFont, FaceNamesAreCutAndTerminated) {
    const struct { const char* face; const char* stored; } cases[] = {
        {"Arial", "Arial"},
        {"A Face Name Longer Than Thirty-One Characters", "A Face Name Longer Than Thirty-"},
        {"\xE6\xA5\xBD\xE8\xAD\x9C", "??"},            // no single-byte form
        {"Emoji \xF0\x9F\x8E\xB5", "Emoji ?"},
        {"", ""},
    };
    for (const auto& c : cases) {
        LOGFONT font;
        std::memset(font.lfFaceName, 'x', sizeof font.lfFaceName);
        SetFaceName(font, c.face);
        EXPECT_EQ(GetFaceName(font), c.stored) << c.face;
        EXPECT_EQ(font.lfFaceName[LF_FACESIZE - 1], '\0');
    }

    // A stored record whose name fills all 32 bytes reads terminated.
    std::array<uint8_t, LOGFONT_RECORD_SIZE> bytes{};
    std::fill(bytes.begin() + 28, bytes.end(), 'N');
    LOGFONT read;
    ASSERT_TRUE(LogFontFromBytes(bytes.data(), bytes.size(), read));
    EXPECT_EQ(GetFaceName(read), std::string(31, 'N'));
}

TEST(DesktopMetrics, HeadlessValuesHangTogether) {
    DesktopRect work = GetWorkArea();
    EXPECT_GT(work.Width(), 0);
    EXPECT_LT(work.Height(), GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(GetSystemMetrics(SM_CXMAXIMIZED), work.Width() + 2 * GetSystemMetrics(SM_CXFRAME));
    EXPECT_EQ(GetSystemMetrics(SM_CYMAXIMIZED), work.Height() + 2 * GetSystemMetrics(SM_CYFRAME));
    for (int index : {SM_CXBORDER, SM_CYBORDER, SM_CXFRAME, SM_CYCAPTION, SM_CXVSCROLL, SM_CYHSCROLL, SM_CXEDGE})
        EXPECT_GT(GetSystemMetrics(index), 0) << index;
    EXPECT_EQ(GetSystemMetrics(9999), 0);
}

TEST(DesktopMetrics, AnInstalledProviderAnswersAndDerivedValuesFollow) {
    struct Small : CDesktopMetrics {
        DesktopRect GetScreen() const override { return {0, 0, 800, 600}; }
        DesktopRect GetWorkArea() const override { return {0, 30, 800, 600}; }
        int GetSystemMetrics(int index) const override {
            return index == SM_CXFRAME ? 6 : CDesktopMetrics::GetSystemMetrics(index);
        }
    } small;
    CDesktopMetrics* previous = SetDesktopMetrics(&small);
    EXPECT_EQ(GetWorkArea().top, 30);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
    EXPECT_EQ(GetSystemMetrics(SM_CXMAXIMIZED), 812);
    SetDesktopMetrics(previous);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
}
