// CFont: a font object, made from a logical-font record (metrics.h) and holding it.
//
// The system creates its fonts from a description (face, height, weight, italic,
// underline, ...) and later reads that description back (to store it in the
// profile, to make a scaled copy). This object keeps the description it was
// created from; the drawing layer turns it into a real font when it selects the
// font into a device context, so nothing here needs a screen or a font file.
//
// An object holds at most one font: a Create call on an object that holds one
// fails until DeleteObject releases it, as with every drawing object of the
// system.
//
// Threads: an object is used by one thread at a time; objects are independent.
#pragma once

#include "platform/ui/metrics.h"

#include <cstdint>
#include <string_view>

class CFont {
public:
    CFont() = default;
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    // Creates the font from a description; returns non-zero, or 0 when the object
    // already holds a font or `logFont` is null.
    int CreateFontIndirect(const LOGFONT* logFont);

    // Creates the font from the description's fields, in the record's order. The
    // face is UTF-8; it is kept in the record's code page, at most 31 characters.
    int CreateFont(int height, int width, int escapement, int orientation, int weight,
                   uint8_t italic, uint8_t underline, uint8_t strikeOut, uint8_t charSet,
                   uint8_t outPrecision, uint8_t clipPrecision, uint8_t quality,
                   uint8_t pitchAndFamily, std::string_view faceName);

    // Copies the description into `logFont`; returns non-zero, or 0 (leaving it
    // untouched) when the object holds no font or `logFont` is null.
    int GetLogFont(LOGFONT* logFont) const;

    // Whether the object holds a font.
    bool IsCreated() const { return m_created; }

    // Releases the font; the object may be created again. Non-zero when it held one.
    int DeleteObject();

private:
    LOGFONT m_logFont;        // meaningful while m_created
    bool m_created = false;
};
