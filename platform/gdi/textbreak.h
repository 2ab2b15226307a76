// How DrawText lays text out before drawing it: the characters of a string,
// a run cut to a width with "...", and the lines of a text for a format and a
// width (split at line breaks, and between words with DT_WORDBREAK).
//
// Widths are measured by the caller's function, so a layout can be made in
// logical units (as DrawText's rectangle is given) or in device units.
// Any thread, with a DC the caller owns.
#pragma once

#include "platform/gdi/dc.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The width of a run of text, in the units its caller lays out in.
using MeasureText = std::function<double(std::string_view)>;

// The characters of `text` as the font engine reads them: UTF-8 sequences, or
// single bytes when the text is not UTF-8.
std::vector<std::string_view> SplitCharacters(std::string_view text);

// The longest run of `text`'s leading characters that fits `width` with "..."
// after it, and the "..."; the dots alone when not even one character fits.
std::string CutWithEllipsis(std::string_view text, double width, const MeasureText& measure);

// The lines DrawText shows `text` in with `format` (DT_ values) for a
// rectangle `width` logical units wide, measured with `dc`'s font:
// mnemonic prefixes removed unless DT_NOPREFIX; with DT_SINGLELINE one line,
// line breaks drawn as spaces; else a line for each line feed, carriage
// return or both, and with DT_WORDBREAK each of those broken between words
// so that its lines fit the width. The spaces at a break belong to neither
// line. A word wider than the rectangle stands alone on its line and
// overflows it, unless DT_EDITCONTROL breaks it between characters (as a
// multiline edit control does) or DT_WORD_ELLIPSIS cuts it with "...".
std::vector<std::string> BreakTextLines(const CDC& dc, std::string_view text, int width, UINT format);
