// A memory DC over a white colour bitmap, and where its ink lies, for the
// drawing tests.
#pragma once

#include "platform/gdi/dc.h"

#include <QImage>

#include <set>
#include <vector>

// A memory DC at 96 pixels per inch with a white `width` x `height` colour
// bitmap selected.
struct MemoryCanvas {
    CDC dc;
    CBitmap bitmap;
    MemoryCanvas(int width, int height) {
        dc.CreateCompatibleDC(nullptr);
        CDC screen;   // a colour bitmap: like the screen, not like the 1 x 1 mono one
        bitmap.CreateCompatibleBitmap(&screen, width, height);
        dc.SelectObject(&bitmap);
        dc.FillSolidRect(0, 0, width, height, RGB(255, 255, 255));
        dc.SetBkColor(RGB(255, 255, 255));
    }
    const QImage& Image() { return *dc.GetImage(); }
    QRgb Pixel(int x, int y) { return Image().pixel(x, y) & 0xFFFFFF; }
    QImage Copy() { return Image().copy(); }
};

// The rows (or columns) holding any pixel that is not white.
inline std::vector<int> InkRows(const QImage& image) {
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) {
                rows.push_back(y);
                break;
            }
    return rows;
}

inline std::vector<int> InkColumns(const QImage& image) {
    std::vector<int> columns;
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) {
                columns.push_back(x);
                break;
            }
    return columns;
}

// first, first + 1, ..., last.
inline std::vector<int> Span(int first, int last) {
    std::vector<int> values;
    for (int v = first; v <= last; ++v)
        values.push_back(v);
    return values;
}
