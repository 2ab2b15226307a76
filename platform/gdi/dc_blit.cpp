// Block transfers: BitBlt, StretchBlt, PatBlt, the inversions, ScrollDC and
// the DIB transfers.
//
// On an image (memory and window DCs) every raster operation is computed on the
// pixels themselves, exactly: the operation's code is the truth table of
// pattern, source and destination bits. Stretching takes the nearest source
// pixel. On a printer or PDF only what paper can show is drawn: copies, and the
// AND / OR mask steps as transparent images.
#include "platform/gdi/dc.h"

#include "platform/gdi/dc_private.h"
#include "platform/gdi/dib.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr QRgb kOpaque = 0xFF000000;

// The ternary operation's truth table (bits 16..23 of the code).
inline BYTE TableOf(DWORD rop) { return static_cast<BYTE>(rop >> 16); }
inline bool UsesPattern(BYTE t) { return ((t >> 4) & 0x0F) != (t & 0x0F); }
inline bool UsesSource(BYTE t) { return ((t >> 2) & 0x33) != (t & 0x33); }

inline QRgb Apply(BYTE table, QRgb p, QRgb s, QRgb d) {
    switch (table) {
    case 0xCC: return s;                      // SRCCOPY
    case 0x88: return s & d;                  // SRCAND
    case 0xEE: return s | d;                  // SRCPAINT
    case 0x66: return (s ^ d) | kOpaque;      // SRCINVERT
    case 0x55: return ~d | kOpaque;           // DSTINVERT
    case 0xF0: return p;                      // PATCOPY
    case 0x5A: return (p ^ d) | kOpaque;      // PATINVERT
    case 0x00: return kOpaque;                // BLACKNESS
    case 0xFF: return 0xFFFFFFFF;             // WHITENESS
    default: break;
    }
    QRgb result = 0;
    for (int i = 0; i < 8; ++i)
        if (table & (1 << i))
            result |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    return result | kOpaque;
}

// How source pixels become destination pixels.
struct SourceMap {
    enum Kind { AsIs, MonoToColor, ColorToMono, Intensity } kind = AsIs;
    QRgb one = 0xFFFFFFFF;    // mono -> colour: what white (1) becomes
    QRgb zero = kOpaque;      // ... and black (0)
    QRgb background = 0;      // colour -> mono: the source's background colour gives white

    QRgb operator()(QRgb s) const {
        switch (kind) {
        case MonoToColor: return (s & 0xFFFFFF) == 0xFFFFFF ? one : zero;
        case ColorToMono: return (s & 0xFFFFFF) == (background & 0xFFFFFF) ? 0xFFFFFFFF : kOpaque;
        case Intensity: return qGray(s) >= 128 ? 0xFFFFFFFF : kOpaque;
        default: return s | kOpaque;
        }
    }
};

QRgb ToRgb(const CDC& dc, COLORREF color) { return CDCAccess::DrawColor(dc, color).rgb(); }

// The selected brush as a tile of pixels aligned to the brush origin.
struct PatternTile {
    QImage tile;              // null for a solid colour
    QRgb solid = kOpaque;
    int orgX = 0;
    int orgY = 0;
    QRgb At(int x, int y) const {
        if (tile.isNull())
            return solid;
        const int w = tile.width();
        const int h = tile.height();
        const int tx = ((x - orgX) % w + w) % w;
        const int ty = ((y - orgY) % h + h) % h;
        return reinterpret_cast<const QRgb*>(tile.constScanLine(ty))[tx];
    }
};

PatternTile MakeTile(const CDC& dc) {
    PatternTile pattern;
    const auto& state = CDCAccess::State(dc);
    pattern.orgX = state.brushOrg.x;
    pattern.orgY = state.brushOrg.y;
    if (state.brushStyle == BS_SOLID) {
        pattern.solid = ToRgb(dc, state.brushColor);
        return pattern;
    }
    if (state.brushStyle == BS_NULL) {
        pattern.solid = ToRgb(dc, dc.GetBkColor());
        return pattern;
    }
    // Hatches and patterns: paint one tile with the brush.
    const QSize size = state.brushPattern ? state.brushPattern->size() : QSize(8, 8);
    pattern.tile = QImage(size, QImage::Format_RGB32);
    pattern.tile.fill(ToRgb(dc, dc.GetBkColor()));
    QPainter painter(&pattern.tile);
    painter.fillRect(pattern.tile.rect(), CDCAccess::MakeBrush(dc));
    return pattern;
}

// Where the transfer may write: the surface and the clipping region.
QRegion Writable(CDC& dc, const QImage& image) {
    const auto& state = CDCAccess::State(dc);
    return state.clipped ? state.clip.intersected(image.rect()) : QRegion(image.rect());
}

// Nearest-pixel source index of destination index `i` of `count`, over a
// source span of `span` (negative: mirrored).
inline int NearestIndex(int i, int count, int span) {
    const int n = std::abs(span);
    int j = static_cast<int>((static_cast<long long>(2 * i + 1) * n) / (2LL * count));
    return span < 0 ? n - 1 - j : j;
}

// The transfer itself, on an image destination: `dest` and the source span
// are device pixels; a negative width or height mirrors.
void Transfer(CDC& dc, QImage& image, QRect dest, bool mirrorX, bool mirrorY, const QImage* source,
              QRect src, const SourceMap& map, DWORD rop) {
    const BYTE table = TableOf(rop);
    const bool pattern = UsesPattern(table);
    const PatternTile tile = pattern ? MakeTile(dc) : PatternTile{};
    const int spanX = mirrorX ? -src.width() : src.width();
    const int spanY = mirrorY ? -src.height() : src.height();
    QImage copy;
    const bool same = source && src.size() == dest.size() && !mirrorX && !mirrorY;
    CDCAccess::MarkDrawn(dc);
    const QRegion writable = Writable(dc, image).intersected(dest);
    if (source && source->constBits() == image.constBits()) {
        if (same && table == 0xCC && map.kind == SourceMap::AsIs && writable.rectCount() == 1) {
            // A scroll: rows moved in place, in the order that reads each before it is overwritten.
            const int dx = src.left() - dest.left();
            const int dy = src.top() - dest.top();
            // Only where the source lies on the image.
            const QRect part = writable.boundingRect().intersected(image.rect().translated(-dx, -dy));
            const size_t bytes = static_cast<size_t>(part.width()) * sizeof(QRgb);
            for (int k = 0; k < part.height(); ++k) {
                const int y = dy >= 0 ? part.top() + k : part.bottom() - k;
                auto* out = reinterpret_cast<QRgb*>(image.scanLine(y)) + part.left();
                const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y + dy)) + part.left() + dx;
                std::memmove(out, in, bytes);
            }
            return;
        }
        // Otherwise a source that is the destination itself is read from a copy.
        copy = source->copy();
        source = &copy;
    }
    for (const QRect& part : writable) {
        for (int y = part.top(); y <= part.bottom(); ++y) {
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
            const QRgb* in = nullptr;
            if (source) {
                const int sy = src.top() + (same ? y - dest.top() : NearestIndex(y - dest.top(), dest.height(), spanY));
                if (sy < 0 || sy >= source->height())
                    continue;
                in = reinterpret_cast<const QRgb*>(source->constScanLine(sy));
            }
            if (table == 0xCC && same && map.kind == SourceMap::AsIs) {
                // The plain copy, a row at a time.
                int from = part.left();
                int to = part.right() + 1;
                const int shift = src.left() - dest.left();
                from = std::max(from, -shift);
                to = std::min(to, source->width() - shift);
                if (to > from)
                    std::memcpy(out + from, in + from + shift, static_cast<size_t>(to - from) * sizeof(QRgb));
                continue;
            }
            for (int x = part.left(); x <= part.right(); ++x) {
                QRgb s = 0;
                if (in) {
                    const int sx = src.left() + (same ? x - dest.left() : NearestIndex(x - dest.left(), dest.width(), spanX));
                    if (sx < 0 || sx >= source->width())
                        continue;
                    s = map(in[sx]);
                }
                out[x] = Apply(table, pattern ? tile.At(x, y) : 0, s, out[x]);
            }
        }
    }
}

// The device rectangle of a logical origin and size; mirror flags for
// negative device extents.
QRect DeviceSpan(const CDC& dc, int x, int y, int width, int height, bool* mirrorX, bool* mirrorY) {
    const QPoint a = CDCAccess::ToDevice(dc, x, y);
    const QPoint b = CDCAccess::ToDevice(dc, x + width, y + height);
    *mirrorX = b.x() < a.x();
    *mirrorY = b.y() < a.y();
    // A negative extent runs back from the pixel at the origin, which it
    // includes: (7, -8) covers pixels 7 down to 0.
    const int left = *mirrorX ? b.x() + 1 : a.x();
    const int top = *mirrorY ? b.y() + 1 : a.y();
    return QRect(left, top, std::abs(b.x() - a.x()), std::abs(b.y() - a.y()));
}

// The source of a transfer brought up to date (a DIB section's bits).
const QImage* SourceImage(CDC& source) {
    CDCAccess::SyncSection(source);
    return source.GetImage();
}

SourceMap MapBetween(const CDC& dest, const CDC* source, bool fromDib) {
    SourceMap map;
    const bool destMono = CDCAccess::IsMonochrome(dest);
    const bool sourceMono = source && CDCAccess::IsMonochrome(*source);
    if (fromDib) {
        map.kind = destMono ? SourceMap::Intensity : SourceMap::AsIs;
    } else if (sourceMono && !destMono) {
        map.kind = SourceMap::MonoToColor;
        map.one = ToRgb(dest, dest.GetBkColor());
        map.zero = ToRgb(dest, dest.GetTextColor());
    } else if (!sourceMono && destMono && source) {
        map.kind = SourceMap::ColorToMono;
        map.background = CDCAccess::DrawColor(*source, source->GetBkColor()).rgb();
    }
    return map;
}

// On a printer or PDF: copies, and the mask steps as transparent images (AND
// keeps the source's dark pixels, OR its light ones).
void PaintTransfer(CDC& dc, const QRect& dest, bool mirrorX, bool mirrorY, const QImage* source, const QRect& src,
                   const SourceMap& map, DWORD rop) {
    QPainter* painter = dc.GetPainter();
    if (!painter)
        return;
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    const BYTE table = TableOf(rop);
    if (!UsesSource(table)) {
        if (table == 0x00 || table == 0xFF || table == 0xF0) {
            const PatternTile tile = MakeTile(dc);
            painter->fillRect(dest, table == 0x00 ? QColor(Qt::black)
                                    : table == 0xFF ? QColor(Qt::white) : QColor::fromRgb(tile.solid));
        }
        return;
    }
    if (!source || (table != 0xCC && table != 0x88 && table != 0xEE))
        return;
    QImage piece = source->copy(src).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < piece.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(piece.scanLine(y));
        for (int x = 0; x < piece.width(); ++x) {
            const QRgb s = map(row[x]);
            const bool white = (s & 0xFFFFFF) == 0xFFFFFF;
            const bool black = (s & 0xFFFFFF) == 0;
            row[x] = (table == 0x88 && white) || (table == 0xEE && black) ? 0 : s;
        }
    }
    piece = piece.mirrored(mirrorX, mirrorY);
    painter->drawImage(QRectF(dest), piece);
}

int DoBlt(CDC& dc, int x, int y, int width, int height, CDC* source, int xSrc, int ySrc, int srcWidth,
          int srcHeight, DWORD rop) {
    const BYTE table = TableOf(rop);
    const bool needSource = UsesSource(table);
    if (needSource && (!source || !source->GetImage()))
        return 0;
    bool mirrorX = false;
    bool mirrorY = false;
    const QRect dest = DeviceSpan(dc, x, y, width, height, &mirrorX, &mirrorY);
    QRect src;
    const QImage* sourceImage = nullptr;
    if (needSource) {
        bool srcMirrorX = false;
        bool srcMirrorY = false;
        src = DeviceSpan(*source, xSrc, ySrc, srcWidth, srcHeight, &srcMirrorX, &srcMirrorY);
        mirrorX = mirrorX != srcMirrorX;
        mirrorY = mirrorY != srcMirrorY;
        sourceImage = SourceImage(*source);
        if (src.isEmpty())
            return 1;
    }
    if (dest.isEmpty())
        return 1;
    const SourceMap map = needSource ? MapBetween(dc, source, false) : SourceMap{};
    if (QImage* image = dc.GetImage())
        Transfer(dc, *image, dest, mirrorX, mirrorY, sourceImage, src, map, rop);
    else
        PaintTransfer(dc, dest, mirrorX, mirrorY, sourceImage, src, map, rop);
    return 1;
}

}  // namespace

int CDC::BitBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc, DWORD rop) {
    // The source covers the same logical size in its own mapping.
    return DoBlt(*this, x, y, width, height, source, xSrc, ySrc, width, height, rop);
}

int CDC::StretchBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc, int srcWidth,
                    int srcHeight, DWORD rop) {
    return DoBlt(*this, x, y, width, height, source, xSrc, ySrc, srcWidth, srcHeight, rop);
}

int CDC::PatBlt(int x, int y, int width, int height, DWORD rop) {
    if (UsesSource(TableOf(rop)))
        return 0;
    return DoBlt(*this, x, y, width, height, nullptr, 0, 0, 0, 0, rop);
}

void CDC::InvertRect(const RECT* rect) {
    if (rect)
        PatBlt(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, DSTINVERT);
}

int CDC::InvertRgn(CRgn* region) {
    if (!region || !region->IsCreated())
        return 0;
    for (const QRect& r : region->GetRegion()) {
        const RECT rect{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
        InvertRect(&rect);
    }
    return 1;
}

void CDC::DrawFocusRect(const RECT* rect) {
    if (!rect || !m_image)
        return;
    // A dotted frame one pixel wide: every other pixel inverted, so a second
    // call removes it.
    const QRect r = CDCAccess::ToDeviceRect(*this, rect->left, rect->top, rect->right, rect->bottom);
    if (r.isEmpty())
        return;
    const QRegion writable = Writable(*this, *m_image);
    CDCAccess::MarkDrawn(*this);
    auto invert = [&](int x, int y) {
        if (((x + y) & 1) == 0 && writable.contains(QPoint(x, y)))
            reinterpret_cast<QRgb*>(m_image->scanLine(y))[x] ^= 0x00FFFFFF;
    };
    for (int x = r.left(); x <= r.right(); ++x) {
        invert(x, r.top());
        if (r.bottom() != r.top())
            invert(x, r.bottom());
    }
    for (int y = r.top() + 1; y < r.bottom(); ++y) {
        invert(r.left(), y);
        if (r.right() != r.left())
            invert(r.right(), y);
    }
}

namespace {

// The frame `size` thick inside `rect` (device units) as a region; empty for
// an empty rectangle.
void DragFrame(const RECT& rect, SIZE size, CRgn& frame) {
    CRect outside = rect;
    outside.NormalizeRect();
    frame.CreateRectRgnIndirect(&outside);
    CRect inside = outside;
    inside.DeflateRect(size.cx, size.cy);
    if (inside.IsRectEmpty())
        return;
    CRgn hole;
    hole.CreateRectRgnIndirect(&inside);
    frame.CombineRgn(&frame, &hole, RGN_DIFF);
}

}  // namespace

void CDC::DrawDragRect(const RECT* rect, SIZE size, const RECT* rectLast, SIZE sizeLast, CBrush* brush,
                       CBrush* brushLast) {
    if (!brush)
        brush = GetHalftoneBrush();
    if (!brushLast)
        brushLast = brush;
    auto invert = [this](CRgn& region, CBrush* with) {
        const int saved = SaveDC();
        SetMapMode(MM_TEXT);
        SetWindowOrg(0, 0);
        SetViewportOrg(0, 0);
        SelectClipRgn(&region, RGN_AND);
        CBrush* previous = SelectObject(with);
        CRect box;
        GetClipBox(&box);
        PatBlt(box.left, box.top, box.Width(), box.Height(), PATINVERT);
        SelectObject(previous);
        RestoreDC(saved);
    };
    CRgn now;
    if (rect)
        DragFrame(*rect, size, now);
    else
        now.CreateRectRgn(0, 0, 0, 0);
    if (rectLast) {
        CRgn last;
        DragFrame(*rectLast, sizeLast, last);
        if (brushLast != brush) {
            invert(last, brushLast);
        } else {
            // What both frames cover is inverted twice: left alone.
            now.CombineRgn(&now, &last, RGN_XOR);
        }
    }
    invert(now, brush);
}

int CDC::ScrollDC(int dx, int dy, const RECT* scrollRect, const RECT* clipRect, CRgn* updateRegion, RECT* updateRect) {
    if (!m_image)
        return 0;
    const int ddx = MulDiv(dx, m_state.viewportExt.cx, m_state.windowExt.cx);
    const int ddy = MulDiv(dy, m_state.viewportExt.cy, m_state.windowExt.cy);
    const QRect surface = m_image->rect();
    const QRect scroll = (scrollRect ? CDCAccess::ToDeviceRect(*this, scrollRect->left, scrollRect->top,
                                                               scrollRect->right, scrollRect->bottom)
                                     : surface).intersected(surface);
    QRect clip = clipRect ? CDCAccess::ToDeviceRect(*this, clipRect->left, clipRect->top, clipRect->right, clipRect->bottom)
                          : surface;
    clip = clip.intersected(surface);
    const QRect from = scroll.intersected(clip);
    const QRect to = from.translated(ddx, ddy).intersected(clip);
    if (!to.isEmpty()) {
        const QRect source = to.translated(-ddx, -ddy);
        Transfer(*this, *m_image, to, false, false, m_image, source, SourceMap{}, SRCCOPY);
    }
    const QRegion uncovered = QRegion(from).subtracted(QRegion(to));
    if (updateRegion) {
        if (updateRegion->IsCreated())
            updateRegion->DeleteObject();
        updateRegion->CreateFromRegion(uncovered);
    }
    if (updateRect) {
        const QRect box = uncovered.boundingRect();
        *updateRect = uncovered.isEmpty() ? RECT{} : RECT{box.left(), box.top(), box.right() + 1, box.bottom() + 1};
    }
    return 1;
}

// ---- DIBs ------------------------------------------------------------------------------------------

int CDC::StretchDIBits(int x, int y, int width, int height, int xSrc, int ySrc, int srcWidth, int srcHeight,
                       const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
    QImage upright;
    if (!DecodeDib(info, bits, usage, m_state.paletteEntries.get(), &upright))
        return 0;
    // A bottom-up DIB counts its source rows from the bottom.
    const int top = info->bmiHeader.biHeight > 0 ? upright.height() - ySrc - srcHeight : ySrc;
    bool mirrorX = false;
    bool mirrorY = false;
    const QRect dest = DeviceSpan(*this, x, y, width, height, &mirrorX, &mirrorY);
    if (srcWidth < 0)
        mirrorX = !mirrorX;
    if (srcHeight < 0)
        mirrorY = !mirrorY;
    const QRect src = QRect(std::min(xSrc, xSrc + srcWidth), std::min(top, top + srcHeight), std::abs(srcWidth),
                            std::abs(srcHeight));
    if (dest.isEmpty() || src.isEmpty())
        return 0;
    const SourceMap map = MapBetween(*this, nullptr, true);
    if (m_image)
        Transfer(*this, *m_image, dest, mirrorX, mirrorY, &upright, src, map, rop);
    else
        PaintTransfer(*this, dest, mirrorX, mirrorY, &upright, src, map, rop);
    return std::abs(srcHeight);
}

int CDC::SetDIBitsToDevice(int x, int y, DWORD width, DWORD height, int xSrc, int ySrc, UINT startScan,
                           UINT scanLines, const void* bits, const BITMAPINFO* info, UINT usage) {
    if (!info || !bits || scanLines == 0 || width > 65535 || height > 65535)
        return 0;
    // The bits hold `scanLines` rows from `startScan`: decode them as a DIB of their own.
    std::vector<BYTE> room(info->bmiHeader.biSize + static_cast<size_t>(DibColorCount(info->bmiHeader)) *
                                                        (usage == DIB_PAL_COLORS ? 2 : 4));
    std::memcpy(room.data(), info, room.size());
    auto* band = reinterpret_cast<BITMAPINFO*>(room.data());
    const bool bottomUp = info->bmiHeader.biHeight > 0;
    const int fullHeight = std::abs(info->bmiHeader.biHeight);
    band->bmiHeader.biHeight = bottomUp ? static_cast<LONG>(scanLines) : -static_cast<LONG>(scanLines);
    QImage rows;
    if (!DecodeDib(band, bits, usage, m_state.paletteEntries.get(), &rows))
        return 0;
    const QPoint origin = CDCAccess::ToDevice(*this, x, y);
    if (!m_image)
        return 0;
    const QRegion writable = Writable(*this, *m_image);
    CDCAccess::MarkDrawn(*this);
    for (int j = 0; j < static_cast<int>(height); ++j) {
        // The source row (from the top of the whole DIB), then its scan line.
        const int row = bottomUp ? fullHeight - ySrc - static_cast<int>(height) + j : ySrc + j;
        const int scan = bottomUp ? fullHeight - 1 - row : row;
        if (scan < static_cast<int>(startScan) || scan >= static_cast<int>(startScan + scanLines))
            continue;
        const int bandRow = bottomUp ? static_cast<int>(startScan + scanLines) - 1 - scan : scan - static_cast<int>(startScan);
        const auto* in = reinterpret_cast<const QRgb*>(rows.constScanLine(bandRow));
        const int dy = origin.y() + j;
        if (dy < 0 || dy >= m_image->height())
            continue;
        auto* out = reinterpret_cast<QRgb*>(m_image->scanLine(dy));
        for (int i = 0; i < static_cast<int>(width); ++i) {
            const int sx = xSrc + i;
            const int dx = origin.x() + i;
            if (sx < 0 || sx >= rows.width() || !writable.contains(QPoint(dx, dy)))
                continue;
            out[dx] = in[sx] | kOpaque;
        }
    }
    return static_cast<int>(scanLines);
}
