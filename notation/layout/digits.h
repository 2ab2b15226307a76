// Integer helpers and digit strings shared by the rulers, the display
// elements, automatic notation and pagination.
//
// All arithmetic is on 32-bit signed integers, division truncating toward
// zero, exactly as the layout code has always counted: callers compare
// results with values computed the same way, so nothing here rounds.
//
// Digit strings are written either as ordinary characters or as the small
// digits of the music font (tuplet numbers, endings, measure numbers), one
// 8-bit character per digit. Numbers of 1000 and more are never drawn, so
// they append nothing. Free functions without state: any thread.
#pragma once

#include <string>

// The music font's small digits, by digit.
enum : unsigned char {
    GLYPH_DIGIT_0 = 188,
    GLYPH_DIGIT_1 = 193,
    GLYPH_DIGIT_2 = 170,
    GLYPH_DIGIT_3 = 163,
    GLYPH_DIGIT_4 = 162,
    GLYPH_DIGIT_5 = 176,
    GLYPH_DIGIT_6 = 164,
    GLYPH_DIGIT_7 = 166,
    GLYPH_DIGIT_8 = 165,
    GLYPH_DIGIT_9 = 187,
};

// a x c / b; -1 when b is 0.
int ScaleValue(int a, int b, int c);
// ((a + b / 2) / b) x b: the multiple of b nearest to a (for positive values a
// half rounds up). b must not be 0.
int RoundToMultiple(int a, int b);
// The smallest power of two, starting from 1, not below a (1 for a <= 1).
int NextPowerOfTwo(int a);
// Starting from b, or from NextPowerOfTwo(a) when b is 0, halves while the
// value exceeds a: the largest power of two not above a (0 for a of 0).
int HighestPowerOfTwo(int a, int b);
// 1 when a is 1, 2, 4 ...; 0 otherwise (0 for a <= 0).
int IsPowerOfTwo(int a);

// The character that stands for one digit.
using DigitMap = unsigned char (*)(int digit);
// '0' + digit.
unsigned char PlainDigitChar(int digit);
// The GLYPH_DIGIT_ code of 1-9; any other value gives GLYPH_DIGIT_0.
unsigned char MusicDigitGlyph(int digit);

// Appends the decimal digits of n (0-999) to s through map; nothing for 1000
// or more. A remainder below 10 after the hundreds gets a zero for its tens,
// so 105 gives 1, 0, 5.
void AppendNumberDigits(int n, std::string& s, DigitMap map);
void NumberToDigits(int n, std::string& s);
void NumberToMusicDigits(int n, std::string& s);
