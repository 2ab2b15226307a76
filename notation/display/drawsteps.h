// The drawing steps the display objects share.
//
// Positions are logical units of the drawing context; music glyphs are codes
// of the music font's table (one byte each), drawn with the font the caller
// selected. UI thread.
#pragma once

#include "platform/ui/geometry.h"

#include <memory>

class CDC;
class MCFont;
using UINT = unsigned int;

// The point through device units and back: it lands on a whole device pixel
// at every zoom, as the staff lines do.
CPoint SnapToDevice(CDC* dc, CPoint point);

// Draws one glyph with its text origin (top left of the cell) at (x, y), on
// a transparent background. Code 0, and any code past the table's byte,
// draws nothing.
void DrawMusicGlyph(CDC* dc, int x, int y, UINT glyph);

// The text width (advance) of one glyph in the font selected into `dc`:
// how far a following glyph or a repeated glyph steps. 0 for code 0 and any
// code past the table's byte.
int MusicGlyphWidth(CDC* dc, UINT glyph);

// Puts a font's colour back, when the scope ends, as it was when the scope
// began: an element recolours the shared font for itself alone. (A font
// that had no colour keeps the one it was given.)
class FontColorScope {
public:
    explicit FontColorScope(MCFont& font);
    ~FontColorScope();
    FontColorScope(const FontColorScope&) = delete;
    FontColorScope& operator=(const FontColorScope&) = delete;

private:
    MCFont& m_font;
    COLORREF m_color;
    bool m_hadColor;
};

// A device context to measure text on: the caller's, or, without one, a
// memory context of one logical unit a pixel of its own (text extents there
// are the layout's: fonts are realized at their exact size, unhinted).
class MeasuringDC {
public:
    explicit MeasuringDC(CDC* dc);
    ~MeasuringDC();
    MeasuringDC(const MeasuringDC&) = delete;
    MeasuringDC& operator=(const MeasuringDC&) = delete;
    CDC* Get() const { return m_dc; }

private:
    std::unique_ptr<CDC> m_scratch;   // owned, only without a caller's context
    CDC* m_dc;                        // borrowed or m_scratch
};
