// The notation's four text fonts, one object each for the whole process: the
// text font, the expression font, the lyric font and the chord-chart font.
//
// Each is built once at load from its preference under "Settings\Font"
// ("face,size[,bold,italic,underline]", size in pixels at 100 %), sized in the
// view's layout units (1440 per inch) as the music font is. The three text
// fonts read the styles: a field of 1 turns a style on and 0 turns it off, so
// an expression font the user set upright stays upright; a style field left
// out keeps the font's default. The chart font (the "Fretmark" symbol face of
// chord charts) reads face and size only. Later changes come from the font
// preference page through MCFont's setters; the preferences are not read again.
//
// Ownership: statics of the plug-in, built at load and reached through their
// getters. User-interface thread only.
#pragma once

#include "interface/controls/mcfont.h"

// What a text font is without a preference.
struct LayoutTextFontDefaults {
    const char* preference;     // the key under "Settings\Font"
    const char* face;
    int size;                   // pixels at 100 %, negative: character height
    uint8_t charSet;
    bool readsStyles;
    bool italic;
};

// Builds `font`'s description from its preference and defaults.
void BuildLayoutTextFont(MCFont& font, const LayoutTextFontDefaults& defaults);

class MCTextFont : public MCFont {
public:
    MCTextFont();
    ~MCTextFont() override;
    static MCTextFont& GetTextFont();
};

class MCExpressionFont : public MCFont {
public:
    MCExpressionFont();
    ~MCExpressionFont() override;
    static MCExpressionFont& GetExpressionFont();
};

class MCLyricFont : public MCFont {
public:
    MCLyricFont();
    ~MCLyricFont() override;
    static MCLyricFont& GetLyricFont();
};

class MCChartFont : public MCFont {
public:
    MCChartFont();
    ~MCChartFont() override;
    static MCChartFont& GetChartFont();
};
