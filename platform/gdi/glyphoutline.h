// Glyph outlines and glyph metrics in the records the system reads.
//
// The system asks a device context for a glyph's metrics (GLYPHMETRICS) and
// for its outline in the native form: a buffer of polygons, each a
// TTPOLYGONHEADER (type TT_POLYGON_TYPE) followed by TTPOLYCURVE records of
// straight lines (TT_PRIM_LINE) and quadratic splines (TT_PRIM_QSPLINE). Points
// are 16.16 fixed-point numbers in device units with y up, relative to the
// glyph's origin on the baseline. Each polygon closes back to its start.
//
// This file holds those records and the two conversions the font engine needs:
// a glyph path (as the toolkit gives it: y down, cubic segments) into the native
// buffer, and the path's measures into GLYPHMETRICS. The toolkit hands
// TrueType quadratics back as exactly elevated cubics; those become a single
// quadratic again, exactly. A genuine cubic (a CFF font's) is split into
// quadratics that stay within kQuadraticTolerance of it.
//
// Pure functions; any thread.
#pragma once

#include "platform/ui/geometry.h"

#include <cstdint>

class QPainterPath;
class QTransform;

using WORD = uint16_t;
using DWORD = uint32_t;

// A 16.16 fixed-point number: value + fract / 65536 (two's complement as a whole).
struct FIXED {
    WORD fract = 0;
    int16_t value = 0;
};
static_assert(sizeof(FIXED) == 4);

struct POINTFX {
    FIXED x;
    FIXED y;
};

// The transformation GetGlyphOutline applies to the glyph (identity:
// eM11 = eM22 = 1, the rest 0).
struct MAT2 {
    FIXED eM11;
    FIXED eM12;
    FIXED eM21;
    FIXED eM22;
};

struct GLYPHMETRICS {
    uint32_t gmBlackBoxX = 0;       // the ink box, in whole device pixels
    uint32_t gmBlackBoxY = 0;
    POINT gmptGlyphOrigin;          // the ink box's upper-left corner from the origin, y up
    int16_t gmCellIncX = 0;         // the advance
    int16_t gmCellIncY = 0;
};

struct TTPOLYGONHEADER {
    DWORD cb = 0;                   // bytes of this polygon, header included
    DWORD dwType = 0;               // TT_POLYGON_TYPE
    POINTFX pfxStart;
};
static_assert(sizeof(TTPOLYGONHEADER) == 16);

struct TTPOLYCURVE {
    WORD wType = 0;                 // TT_PRIM_LINE or TT_PRIM_QSPLINE
    WORD cpfx = 0;                  // points that follow (the record holds the first)
    POINTFX apfx[1];
};
static_assert(sizeof(TTPOLYCURVE) == 12);

enum : unsigned {
    GGO_METRICS = 0,
    GGO_BITMAP = 1,
    GGO_NATIVE = 2,
    GGO_BEZIER = 3,
    GGO_GLYPH_INDEX = 0x80,         // the character is a glyph index
};
enum : DWORD { TT_POLYGON_TYPE = 24 };
enum : WORD { TT_PRIM_LINE = 1, TT_PRIM_QSPLINE = 2, TT_PRIM_CSPLINE = 3 };
inline constexpr DWORD GDI_ERROR = 0xFFFFFFFF;

// The greatest distance, in device pixels, between a cubic segment and the
// quadratics that stand for it.
inline constexpr double kQuadraticTolerance = 0.02;

FIXED DoubleToFixed(double value);
double FixedToDouble(FIXED value);
// The transform of a MAT2 (x' = eM11 x + eM21 y, y' = eM12 x + eM22 y), y up.
QTransform Mat2ToTransform(const MAT2& matrix);

// Writes the native outline of `path` (device units, y down, origin on the
// baseline) into `buffer`. With a null buffer or a zero size, answers the bytes
// it needs and writes nothing; answers GDI_ERROR when `size` is too small.
DWORD WriteNativeOutline(const QPainterPath& path, void* buffer, DWORD size);

// The metrics of a glyph whose outline is `path` (y down, as above) and whose
// advance is `advanceX` (device units, y down). An empty outline has a 1 x 1
// box at the origin, as a space does.
GLYPHMETRICS MeasureGlyphOutline(const QPainterPath& path, double advanceX, double advanceY);
