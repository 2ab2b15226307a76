#include "notation/layout/digits.h"

#include <gtest/gtest.h>

TEST(Digits, IntegerHelpers) {
    const struct { int a, b, c, expected; } scale[] = {
        {5, 0, 7, -1}, {3, 4, 10, 7}, {-3, 4, 10, -7},
        // The product passes 32 bits before the division brings it back.
        {60000, 60000, 50000, 50000},
    };
    for (const auto& c : scale)
        EXPECT_EQ(ScaleValue(c.a, c.b, c.c), c.expected) << c.a << " " << c.b << " " << c.c;

    const struct { int a, b, expected; } round[] = {{95, 64, 64}, {96, 64, 128}, {95, 192, 0}, {0, 64, 0}};
    for (const auto& c : round)
        EXPECT_EQ(RoundToMultiple(c.a, c.b), c.expected) << c.a << " " << c.b;

    const struct { int a, next, highest, isPower; } powers[] = {
        {384, 512, 256, 0}, {7, 8, 4, 0}, {0, 1, 0, 0}, {-5, 1, 0, 0},
        {1, 1, 1, 1}, {2, 2, 2, 1}, {256, 256, 256, 1}, {3, 4, 2, 0},
    };
    for (const auto& c : powers) {
        EXPECT_EQ(NextPowerOfTwo(c.a), c.next) << c.a;
        EXPECT_EQ(HighestPowerOfTwo(c.a, 0), c.highest) << c.a;
        EXPECT_EQ(IsPowerOfTwo(c.a), c.isPower) << c.a;
    }
    // A given start is halved down from, not raised.
    EXPECT_EQ(HighestPowerOfTwo(100, 1024), 64);
    EXPECT_EQ(HighestPowerOfTwo(100, 32), 32);
}

TEST(Digits, NumbersAsCharacters) {
    const struct { int n; std::string plain; std::string music; } cases[] = {
        {5, "5", "\xB0"},
        {12, "12", "\xC1\xAA"},
        {40, "40", "\xA2\xBC"},
        {105, "105", "\xC1\xBC\xB0"},   // the tens' zero is written
        {100, "100", "\xC1\xBC\xBC"},
        {999, "999", "\xBB\xBB\xBB"},
        {1000, "", ""},                 // never drawn: nothing appended
        {0, "0", "\xBC"},
    };
    for (const auto& c : cases) {
        std::string plain = "x", music = "x";
        NumberToDigits(c.n, plain);
        NumberToMusicDigits(c.n, music);
        EXPECT_EQ(plain, "x" + c.plain) << c.n;
        EXPECT_EQ(music, "x" + c.music) << c.n;
    }
    const unsigned char glyphs[] = {188, 193, 170, 163, 162, 176, 164, 166, 165, 187};
    for (int d = 0; d < 10; ++d)
        EXPECT_EQ(MusicDigitGlyph(d), glyphs[d]) << d;
    EXPECT_EQ(MusicDigitGlyph(10), GLYPH_DIGIT_0);
    EXPECT_EQ(MusicDigitGlyph(-1), GLYPH_DIGIT_0);
}
