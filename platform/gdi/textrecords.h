// The records and flags of text drawing and measuring: text metrics, glyph
// metrics and outlines, DrawText's format, text alignment and background modes.
//
// The measuring records (TEXTMETRIC, GLYPHMETRICS, MAT2, FIXED, POINTFX, the
// outline records, GGO_ and TA_ values, GDI_ERROR) have one definition, the
// font engine's (fontengine.h, glyphoutline.h), which the DC hands through;
// this file adds what only the DC's own calls use.
//
// Plain data. Any thread.
#pragma once

#include "platform/gdi/fontengine.h"
#include "platform/gdi/glyphoutline.h"
#include "platform/ui/geometry.h"

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
