#include "notation/layout/digits.h"

int ScaleValue(int a, int b, int c) {
    if (b == 0)
        return -1;
    // In 64 bits: the rulers scale x positions by tick spans, whose product
    // can pass 2^31 on wide pages before the division brings it back.
    return static_cast<int>(static_cast<long long>(a) * c / b);
}

int RoundToMultiple(int a, int b) {
    return (a + b / 2) / b * b;
}

int NextPowerOfTwo(int a) {
    int p = 1;
    while (p < a && p < (1 << 30))
        p <<= 1;
    return p;
}

int HighestPowerOfTwo(int a, int b) {
    int p = b != 0 ? b : NextPowerOfTwo(a);
    // Halving stops at 0: a negative a has no power of two below it.
    while (p > a && p > 0)
        p >>= 1;
    return p;
}

int IsPowerOfTwo(int a) {
    if (a <= 0)
        return 0;
    int p = 1;
    while (p < a && p < (1 << 30))
        p <<= 1;
    return p == a ? 1 : 0;
}

unsigned char PlainDigitChar(int digit) {
    return static_cast<unsigned char>('0' + digit);
}

unsigned char MusicDigitGlyph(int digit) {
    static constexpr unsigned char kGlyphs[10] = {
        GLYPH_DIGIT_0, GLYPH_DIGIT_1, GLYPH_DIGIT_2, GLYPH_DIGIT_3, GLYPH_DIGIT_4,
        GLYPH_DIGIT_5, GLYPH_DIGIT_6, GLYPH_DIGIT_7, GLYPH_DIGIT_8, GLYPH_DIGIT_9,
    };
    return digit >= 1 && digit <= 9 ? kGlyphs[digit] : kGlyphs[0];
}

void AppendNumberDigits(int n, std::string& s, DigitMap map) {
    if (n >= 1000)
        return;
    if (n >= 100) {
        s += static_cast<char>(map(n / 100));
        const int rest = n % 100;
        // The tens are written even when they are zero: 105, not 15.
        if (rest < 10)
            s += static_cast<char>(map(0));
        AppendNumberDigits(rest, s, map);
    } else if (n >= 10) {
        s += static_cast<char>(map(n / 10));
        AppendNumberDigits(n % 10, s, map);
    } else {
        s += static_cast<char>(map(n));
    }
}

void NumberToDigits(int n, std::string& s) {
    AppendNumberDigits(n, s, PlainDigitChar);
}

void NumberToMusicDigits(int n, std::string& s) {
    AppendNumberDigits(n, s, MusicDigitGlyph);
}
