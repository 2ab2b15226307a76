// How the layout's fonts read their preferences and size themselves.
//
// The music font and the text fonts of the notation are sized in the view's
// layout units (1440 per inch) from a size in screen pixels at 100 % that the
// font preference page writes: "face,size[,bold,italic,underline]" under
// "Settings\Font". A size becomes whole points first, then layout units, so
// every zoom draws the same font.
//
// The screen resolution comes from the page layout; until it is wired in, the
// fonts read it through a source set here (96 pixels per inch without one).
//
// Threads: the user-interface thread (the source is set once, at start-up).
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The resolution the fonts size themselves by, and who answers it.
using FontResolutionSource = int (*)();
void SetFontResolutionSource(FontResolutionSource source);   // null: 96
int GetFontResolution();

// The preference's comma-separated fields; none for an empty value.
std::vector<std::string> SplitFontPreference(std::string_view value);

// A decimal field as the C library reads one: leading blanks skipped, an
// optional sign, the digits that follow (0 without any).
int ReadFontField(std::string_view field);

// The size field (the second) of a preference's fields: 0 when it is left
// out, `defaultSize` when it lies beyond 500 pixels either way (a damaged
// profile: a font that tall would ask for glyphs of gigabytes).
int ReadFontSize(const std::vector<std::string>& fields, int defaultSize);

// The layout height of a size in pixels at `resolution`: whole points
// (truncating toward zero), then 20 units a point with MulDiv's rounding.
int FontPoints(int size, int resolution);
int FontPointsToHeight(int points);
