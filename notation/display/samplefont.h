// MusicFontSample: the shared music font set to a sample's height while a
// prototype (a palette button, a tool's picture) is drawn in a rectangle.
//
// The score's logical font, its colour, its note metrics and its glyph
// caches come back when the sample ends: measuring at the sample's height
// must not refill the caches the score measures with. The font is selected for FONT_NORMAL for
// the sample's lifetime and deselected at its end. UI thread; a stack object.
#pragma once

#include "notation/display/drawsteps.h"
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
    FontColorScope m_color;               // the score's colour, put back last
    LOGFONT m_saved;
    MCMusicFont::NoteMetrics m_metrics;
};

// The font height at which a sample measuring `tall` at font height `height`
// fits in `room` (logical units, both positive) with a little margin; the
// height itself when it fits. The rectangle-to-font ratios of the previews
// were made for a face whose staff is a part of its height: in ours the
// staff fills the em, and a note with its stem is as tall as the font, so
// at those ratios it stands out of its button.
int FitSampleHeight(int height, int tall, int room);
