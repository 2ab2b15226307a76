// What the note-mark and text display tests share: a canvas of ten logical
// units a pixel with y up, the music font at the notehead height of the
// layout's default size, and where a drawing's ink lies in logical units.
#pragma once

#include "notation/display/drawsteps.h"
#include "notation/layout/musicfont.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/display/structure_support.h"

#include <gtest/gtest.h>

namespace marks_test {

// Logical units a pixel.
constexpr int SCALE = 10;
// The layout's notehead height at the default music font size.
constexpr int NOTEHEAD = 120;

// A white `width` x `height` pixel canvas; logical (0, 0) at device
// (originX, originY), SCALE units a pixel, y up.
struct TenthCanvas : MemoryCanvas {
    int originX;
    int originY;
    TenthCanvas(int width, int height, int ox, int oy) : MemoryCanvas(width, height), originX(ox), originY(oy) {
        dc.SetMapMode(MM_ANISOTROPIC);
        dc.SetWindowExt(SCALE, SCALE);
        dc.SetViewportExt(1, -1);
        dc.SetViewportOrg(ox, oy);
    }
    // The device column and row of a logical point.
    int Column(int x) const { return originX + x / SCALE; }
    int Row(int y) const { return originY - y / SCALE; }
    // The ink box of the whole canvas.
    InkBox Ink() { return FindInk(Image(), 0, Image().height()); }
};

// The ink box a glyph's cached box gives when drawn at `at` (its drawing
// point, as the display classes pass it less the ascent): in device pixels.
inline InkBox GlyphBox(const TenthCanvas& canvas, UINT glyph, CPoint at, uint8_t mode = FONT_NORMAL) {
    const MCMusicFont::MusicFontMetrics m = MCMusicFont::GetMusicFont().GetMusicMetrics(glyph, mode);
    InkBox box;
    box.left = canvas.Column(at.x + m.GetLeft());
    box.right = canvas.Column(at.x + m.GetLeft() + static_cast<int>(m.GetWidth()));
    box.top = canvas.Row(at.y + m.GetTop());
    box.bottom = canvas.Row(at.y + m.GetTop() - static_cast<int>(m.GetHeight()));
    return box;
}

// Two ink boxes alike within `slack` pixels on each side (antialiasing and
// rounding to the device grid).
inline void ExpectBoxNear(const InkBox& ink, const InkBox& expected, int slack, const std::string& what) {
    ASSERT_FALSE(ink.Empty()) << what << ": no ink";
    EXPECT_NEAR(ink.left, expected.left, slack) << what;
    EXPECT_NEAR(ink.right, expected.right, slack) << what;
    EXPECT_NEAR(ink.top, expected.top, slack) << what;
    EXPECT_NEAR(ink.bottom, expected.bottom, slack) << what;
}

}  // namespace marks_test
