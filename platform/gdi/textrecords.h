// The records and flags of text drawing and measuring: text metrics, glyph
// metrics and outlines, DrawText's format, text alignment and background modes.
//
// Plain data, laid out as the system reads them (a glyph outline is a byte
// stream of TTPOLYGONHEADER and TTPOLYCURVE records in 16.16 fixed point).
// Any thread.
#pragma once

#include "platform/ui/geometry.h"

#include <cstdint>

struct TEXTMETRIC {
    LONG tmHeight = 0;
    LONG tmAscent = 0;
    LONG tmDescent = 0;
    LONG tmInternalLeading = 0;
    LONG tmExternalLeading = 0;
    LONG tmAveCharWidth = 0;
    LONG tmMaxCharWidth = 0;
    LONG tmWeight = 0;
    LONG tmOverhang = 0;
    LONG tmDigitizedAspectX = 0;
    LONG tmDigitizedAspectY = 0;
    BYTE tmFirstChar = 0;
    BYTE tmLastChar = 0;
    BYTE tmDefaultChar = 0;
    BYTE tmBreakChar = 0;
    BYTE tmItalic = 0;
    BYTE tmUnderlined = 0;
    BYTE tmStruckOut = 0;
    BYTE tmPitchAndFamily = 0;
    BYTE tmCharSet = 0;
};

// A 16.16 fixed-point number: `value` the integer part, `fract` the fraction.
struct FIXED {
    std::uint16_t fract = 0;
    std::int16_t value = 0;
};

// A transformation applied to a glyph (GetGlyphOutline); identity is
// {{0, 1}, {0, 0}, {0, 0}, {0, 1}}.
struct MAT2 {
    FIXED eM11;
    FIXED eM12;
    FIXED eM21;
    FIXED eM22;
};

struct POINTFX {
    FIXED x;
    FIXED y;
};

struct GLYPHMETRICS {
    unsigned int gmBlackBoxX = 0;
    unsigned int gmBlackBoxY = 0;
    POINT gmptGlyphOrigin;          // the black box's upper-left corner, y up from the baseline
    std::int16_t gmCellIncX = 0;
    std::int16_t gmCellIncY = 0;
};

// One closed contour: `cb` bytes including this header and its curves.
struct TTPOLYGONHEADER {
    std::uint32_t cb = 0;
    std::uint32_t dwType = 0;       // TT_POLYGON_TYPE
    POINTFX pfxStart;
};

// `cpfx` points of one kind (lines, or quadratic B-spline points) following
// the previous point.
struct TTPOLYCURVE {
    std::uint16_t wType = 0;        // TT_PRIM_LINE, TT_PRIM_QSPLINE
    std::uint16_t cpfx = 0;
    POINTFX apfx[1];
};

enum : unsigned int {
    GGO_METRICS = 0, GGO_BITMAP = 1, GGO_NATIVE = 2, GGO_BEZIER = 3, GGO_GLYPH_INDEX = 0x80,
    TT_POLYGON_TYPE = 24, TT_PRIM_LINE = 1, TT_PRIM_QSPLINE = 2, TT_PRIM_CSPLINE = 3,
};
inline constexpr std::uint32_t GDI_ERROR = 0xFFFFFFFF;

// SetTextAlign.
enum : unsigned int {
    TA_NOUPDATECP = 0, TA_UPDATECP = 1,
    TA_LEFT = 0, TA_RIGHT = 2, TA_CENTER = 6,
    TA_TOP = 0, TA_BOTTOM = 8, TA_BASELINE = 24,
};

// SetBkMode.
enum : int { TRANSPARENT = 1, OPAQUE = 2 };

// ExtTextOut.
enum : unsigned int { ETO_OPAQUE = 0x0002, ETO_CLIPPED = 0x0004, ETO_GLYPH_INDEX = 0x0010 };

// DrawText.
enum : unsigned int {
    DT_TOP = 0x00000000, DT_LEFT = 0x00000000, DT_CENTER = 0x00000001, DT_RIGHT = 0x00000002,
    DT_VCENTER = 0x00000004, DT_BOTTOM = 0x00000008, DT_WORDBREAK = 0x00000010,
    DT_SINGLELINE = 0x00000020, DT_EXPANDTABS = 0x00000040, DT_TABSTOP = 0x00000080,
    DT_NOCLIP = 0x00000100, DT_EXTERNALLEADING = 0x00000200, DT_CALCRECT = 0x00000400,
    DT_NOPREFIX = 0x00000800, DT_INTERNAL = 0x00001000, DT_EDITCONTROL = 0x00002000,
    DT_PATH_ELLIPSIS = 0x00004000, DT_END_ELLIPSIS = 0x00008000, DT_MODIFYSTRING = 0x00010000,
    DT_WORD_ELLIPSIS = 0x00040000,
};
