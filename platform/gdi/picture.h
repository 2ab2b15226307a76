// CPicture: a decoded picture to draw scaled into a rectangle: an image file's
// bytes, a device-independent bitmap's bytes, or the desktop's icon for a type
// of file.
//
// Bytes come from documents and files and are trusted in nothing: what no
// reader takes leaves the picture empty, and an empty picture draws nothing.
// Image readers of the toolkit take the common formats (PNG, JPEG, GIF, BMP
// and whatever plug-ins the system has).
//
// Plain value. Thread of the DC it draws on.
#pragma once

#include "platform/ui/geometry.h"

#include <QImage>

#include <cstdint>
#include <string>
#include <vector>

class CDC;

class CPicture {
public:
    // An image file's bytes; false (and empty) when no reader takes them.
    bool LoadImage(const std::vector<uint8_t>& bytes);
    // A bitmap's bytes, packed (header, colours, rows) or as an image file;
    // false (and empty) when they are neither or reach past their end.
    bool LoadBitmap(const std::vector<uint8_t>& bytes);
    // The icon the desktop's theme has for the MIME type (or its generic
    // kind), `size` pixels square; false (and empty) when the theme has none
    // (no theme, as on a headless system).
    bool LoadFileTypeIcon(const std::string& mimeType, int size);
    void Clear() { m_image = QImage(); }

    bool IsEmpty() const { return m_image.isNull(); }
    // Pixels.
    CSize GetSize() const { return CSize(m_image.width(), m_image.height()); }

    // Draws the picture scaled (smoothly) into `bounds`, logical units of
    // `dc`, within its clipping. False when empty or the DC cannot draw.
    bool Draw(CDC* dc, const RECT& bounds) const;

private:
    QImage m_image;
};
