// MusicFontSample: the shared music font set to a sample's height while a
// prototype (a palette button, a tool's picture) is drawn in a rectangle.
//
// The score's logical font, its note metrics and its glyph caches come back
// when the sample ends: measuring at the sample's height must not refill the
// caches the score measures with. The font is selected for FONT_NORMAL for
// the sample's lifetime and deselected at its end. UI thread; a stack object.
#pragma once

#include "notation/layout/musicfont.h"

class CDC;

class MusicFontSample {
public:
    MusicFontSample(CDC* dc, int height, COLORREF color);
    ~MusicFontSample();
    MusicFontSample(const MusicFontSample&) = delete;
    MusicFontSample& operator=(const MusicFontSample&) = delete;

    MCMusicFont& Font() { return m_font; }

private:
    CDC* m_dc;                            // borrowed, never null
    MCMusicFont& m_font;                  // the shared music font
    LOGFONT m_saved;
    MCMusicFont::NoteMetrics m_metrics;
};
