#include "platform/gdi/gdiobj.h"

#include "platform/core/resources.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/dc_private.h"
#include "platform/gdi/dib.h"
#include "platform/ui/syscolor.h"

#include <algorithm>
#include <climits>
#include <cstring>

// ---- base and stock objects ------------------------------------------------------------

int CGdiObject::DeleteObject() {
    if (!m_created || m_stock)
        return 0;
    Release();
    m_created = false;
    return 1;
}

int DeleteObject(HGDIOBJ object) {
    if (!object || object->m_stock)
        return 0;
    const int held = object->DeleteObject();
    if (object->m_ownedByHandle)
        delete object;
    return held;
}

namespace {

struct StockObjects {
    CBrush brushes[6];
    CPen pens[3];
    CPalette palette;
    StockObjects() {
        const COLORREF greys[5] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                                   RGB(64, 64, 64), RGB(0, 0, 0)};
        for (int i = 0; i < 5; ++i)
            brushes[i].CreateSolidBrush(greys[i]);
        LOGBRUSH hollow{BS_NULL, 0, 0};
        brushes[NULL_BRUSH].CreateBrushIndirect(&hollow);
        pens[0].CreatePen(PS_SOLID, 0, RGB(255, 255, 255));
        pens[1].CreatePen(PS_SOLID, 0, RGB(0, 0, 0));
        pens[2].CreatePen(PS_NULL, 0, COLORREF{0});
        // The default palette: the 20 static colours.
        static const BYTE kStatic[20][3] = {
            {0, 0, 0}, {128, 0, 0}, {0, 128, 0}, {128, 128, 0}, {0, 0, 128}, {128, 0, 128},
            {0, 128, 128}, {192, 192, 192}, {192, 220, 192}, {166, 202, 240}, {255, 251, 240},
            {160, 160, 164}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
            {0, 0, 255}, {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
        std::vector<unsigned char> room(sizeof(LOGPALETTE) + 20 * sizeof(PALETTEENTRY));
        auto* logPalette = reinterpret_cast<LOGPALETTE*>(room.data());
        logPalette->palVersion = 0x300;
        logPalette->palNumEntries = 20;
        for (int i = 0; i < 20; ++i)
            logPalette->palPalEntry[i] = {kStatic[i][0], kStatic[i][1], kStatic[i][2], 0};
        palette.CreatePalette(logPalette);
    }
};

}  // namespace

CGdiObject* GetStockObject(int index) {
    static StockObjects* const stock = [] {
        auto* objects = new StockObjects;   // never freed: stock objects outlive every DC
        for (auto& brush : objects->brushes)
            brush.m_stock = true;
        for (auto& pen : objects->pens)
            pen.m_stock = true;
        objects->palette.m_stock = true;
        return objects;
    }();
    if (index >= WHITE_BRUSH && index <= NULL_BRUSH)
        return &stock->brushes[index];
    if (index >= WHITE_PEN && index <= NULL_PEN)
        return &stock->pens[index - WHITE_PEN];
    if (index == DEFAULT_PALETTE)
        return &stock->palette;
    return nullptr;
}

// ---- pens -----------------------------------------------------------------------------------

int CPen::CreatePen(int style, int width, COLORREF color) {
    if (IsCreated())
        return 0;
    m_style = style;
    m_width = std::max(0, width);
    m_color = color;
    SetCreated();
    return 1;
}

int CPen::CreatePen(int style, int width, const LOGBRUSH* brush, int, const DWORD*) {
    if (!brush)
        return 0;
    return CreatePen(brush->lbStyle == BS_NULL ? (style & ~PS_STYLE_MASK) | PS_NULL : style, width, brush->lbColor);
}

int CPen::CreatePenIndirect(const LOGPEN* logPen) {
    if (!logPen)
        return 0;
    return CreatePen(static_cast<int>(logPen->lopnStyle), logPen->lopnWidth.x, logPen->lopnColor);
}

int CPen::GetLogPen(LOGPEN* logPen) const {
    if (!IsCreated() || !logPen)
        return 0;
    logPen->lopnStyle = static_cast<UINT>(m_style);
    logPen->lopnWidth = {m_width, 0};
    logPen->lopnColor = m_color;
    return 1;
}

void CPen::Release() {
    m_style = PS_SOLID;
    m_width = 0;
    m_color = 0;
}

// ---- brushes ----------------------------------------------------------------------------------

int CBrush::CreateSolidBrush(COLORREF color) {
    if (IsCreated())
        return 0;
    m_style = BS_SOLID;
    m_color = color;
    SetCreated();
    return 1;
}

int CBrush::CreateHatchBrush(int hatchStyle, COLORREF color) {
    if (IsCreated() || hatchStyle < HS_HORIZONTAL || hatchStyle > HS_DIAGCROSS)
        return 0;
    m_style = BS_HATCHED;
    m_color = color;
    m_hatch = hatchStyle;
    SetCreated();
    return 1;
}

int CBrush::CreatePatternBrush(CBitmap* pattern) {
    if (IsCreated() || !pattern || !pattern->IsCreated())
        return 0;
    m_style = BS_PATTERN;
    m_pattern = std::make_shared<const QImage>(pattern->GetImage()->copy());
    m_monoPattern = pattern->IsMonochrome();
    SetCreated();
    return 1;
}

int CBrush::CreateBrushIndirect(const LOGBRUSH* logBrush) {
    if (IsCreated() || !logBrush)
        return 0;
    switch (logBrush->lbStyle) {
    case BS_SOLID:
        return CreateSolidBrush(logBrush->lbColor);
    case BS_HATCHED:
        return CreateHatchBrush(static_cast<int>(logBrush->lbHatch), logBrush->lbColor);
    case BS_NULL:
        m_style = BS_NULL;
        SetCreated();
        return 1;
    default:
        return 0;
    }
}

int CBrush::CreateSysColorBrush(int index) { return CreateSolidBrush(GetSysColor(index)); }

int CBrush::GetLogBrush(LOGBRUSH* logBrush) const {
    if (!IsCreated() || !logBrush)
        return 0;
    logBrush->lbStyle = m_style;
    logBrush->lbColor = m_color;
    logBrush->lbHatch = static_cast<std::uintptr_t>(m_hatch);
    return 1;
}

void CBrush::Release() {
    m_style = BS_SOLID;
    m_color = 0;
    m_hatch = 0;
    m_pattern.reset();
    m_monoPattern = false;
}

// ---- bitmaps ------------------------------------------------------------------------------------

namespace {

constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kWhite = 0xFFFFFFFF;

// Bytes in one row of CreateBitmap's form (padded to 2 bytes).
int WordRowBytes(int width, int bits) { return ((width * bits + 15) / 16) * 2; }

}  // namespace

CBitmap::CBitmap() = default;
CBitmap::~CBitmap() = default;

int CBitmap::CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
    const UINT depth = planes * bitsPerPixel;
    if (IsCreated() || width < 1 || height < 1 || width > 32767 || height > 32767 ||
        (depth != 1 && depth != 8 && depth != 24 && depth != 32))
        return 0;
    m_image = std::make_shared<QImage>(width, height, QImage::Format_RGB32);
    if (m_image->isNull()) {
        m_image.reset();
        return 0;
    }
    m_image->fill(kBlack);
    m_bitsPixel = depth == 1 ? 1 : static_cast<int>(depth);
    SetCreated();
    if (bits)
        SetBitmapBits(static_cast<DWORD>(WordRowBytes(width, static_cast<int>(depth)) * height), bits);
    m_bitsPixel = depth == 1 ? 1 : 32;
    return 1;
}

int CBitmap::CreateBitmapIndirect(const BITMAP* bitmap) {
    if (!bitmap)
        return 0;
    return CreateBitmap(bitmap->bmWidth, bitmap->bmHeight, bitmap->bmPlanes, bitmap->bmBitsPixel, bitmap->bmBits);
}

int CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height) {
    if (IsCreated())
        return 0;
    if (width <= 0 || height <= 0)
        return CreateBitmap(1, 1, 1, 1, nullptr);
    const bool mono = dc && CDCAccess::IsMonochrome(*dc);
    return CreateBitmap(width, height, 1, mono ? 1 : 32, nullptr);
}

int CBitmap::LoadBitmap(UINT resourceId) {
    if (IsCreated())
        return 0;
    const ResourceBlock block = FindResource(RT_BITMAP, resourceId);
    if (!block)
        return 0;
    QImage image;
    if (!DecodeBitmapResource(block.data, block.size, &image))
        return 0;
    return CreateFromImage(image);
}

int CBitmap::CreateFromImage(const QImage& image, bool monochrome) {
    if (IsCreated() || image.isNull())
        return 0;
    m_image = std::make_shared<QImage>(image.convertToFormat(QImage::Format_RGB32));
    if (monochrome) {
        for (int y = 0; y < m_image->height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(m_image->scanLine(y));
            for (int x = 0; x < m_image->width(); ++x)
                row[x] = qGray(row[x]) >= 128 ? kWhite : kBlack;
        }
    }
    m_bitsPixel = monochrome ? 1 : 32;
    SetCreated();
    return 1;
}

int CBitmap::GetBitmap(BITMAP* bitmap) const {
    if (!IsCreated() || !bitmap)
        return 0;
    *bitmap = BITMAP{};
    bitmap->bmWidth = m_image->width();
    bitmap->bmHeight = m_image->height();
    bitmap->bmPlanes = 1;
    if (m_dib) {
        bitmap->bmBitsPixel = static_cast<WORD>(m_dib->bitCount);
        bitmap->bmWidthBytes = ((m_image->width() * m_dib->bitCount + 31) / 32) * 4;
        bitmap->bmBits = m_dib->bits.data();
    } else {
        bitmap->bmBitsPixel = static_cast<WORD>(m_bitsPixel);
        bitmap->bmWidthBytes = WordRowBytes(m_image->width(), m_bitsPixel);
    }
    return static_cast<int>(sizeof(BITMAP));
}

DWORD CBitmap::SetBitmapBits(DWORD count, const void* bits) {
    if (!IsCreated() || !bits)
        return 0;
    const int width = m_image->width();
    const int rowBytes = WordRowBytes(width, m_bitsPixel);
    const auto* in = static_cast<const BYTE*>(bits);
    const int rows = std::min(m_image->height(), static_cast<int>(count / static_cast<DWORD>(rowBytes)));
    for (int y = 0; y < rows; ++y) {
        const BYTE* src = in + static_cast<size_t>(y) * rowBytes;
        auto* row = reinterpret_cast<QRgb*>(m_image->scanLine(y));
        for (int x = 0; x < width; ++x) {
            switch (m_bitsPixel) {
            case 1: row[x] = (src[x / 8] & (0x80 >> (x % 8))) ? kWhite : kBlack; break;
            case 8: row[x] = qRgb(src[x], src[x], src[x]); break;
            case 24: row[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]); break;
            default: row[x] = qRgb(src[4 * x + 2], src[4 * x + 1], src[4 * x]); break;
            }
        }
    }
    return static_cast<DWORD>(rows * rowBytes);
}

DWORD CBitmap::GetBitmapBits(DWORD count, void* bits) const {
    if (!IsCreated() || !bits)
        return 0;
    const int width = m_image->width();
    const int rowBytes = WordRowBytes(width, m_bitsPixel);
    auto* out = static_cast<BYTE*>(bits);
    const int rows = std::min(m_image->height(), static_cast<int>(count / static_cast<DWORD>(rowBytes)));
    for (int y = 0; y < rows; ++y) {
        BYTE* dst = out + static_cast<size_t>(y) * rowBytes;
        std::memset(dst, 0, static_cast<size_t>(rowBytes));
        const auto* row = reinterpret_cast<const QRgb*>(m_image->constScanLine(y));
        for (int x = 0; x < width; ++x) {
            if (m_bitsPixel == 1) {
                if ((row[x] & 0xFFFFFF) == 0xFFFFFF)
                    dst[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
            } else {
                dst[4 * x] = static_cast<BYTE>(qBlue(row[x]));
                dst[4 * x + 1] = static_cast<BYTE>(qGreen(row[x]));
                dst[4 * x + 2] = static_cast<BYTE>(qRed(row[x]));
            }
        }
    }
    return static_cast<DWORD>(rows * rowBytes);
}

CSize CBitmap::SetBitmapDimension(int width, int height) {
    const CSize old = m_dimension;
    m_dimension = {width, height};
    return old;
}

CSize CBitmap::GetSize() const {
    return m_image ? CSize(m_image->width(), m_image->height()) : CSize();
}

QImage* CBitmap::GetImage() {
    if (!m_image)
        return nullptr;
    if (m_dib)
        SyncSectionImage(*m_dib, *m_image);
    return m_image.get();
}

std::shared_ptr<QImage> CBitmap::GetSharedImage() {
    GetImage();
    return m_image;
}

void CBitmap::FlushToBits() {
    if (m_dib)
        FlushSectionImage(*m_dib, *m_image);
}

void CBitmap::Release() {
    m_image.reset();
    m_dib.reset();
    m_bitsPixel = 0;
    m_dimension = {};
}

// ---- regions ------------------------------------------------------------------------------------

int CRgn::RegionType(const QRegion& region) {
    if (region.isEmpty())
        return NULLREGION;
    return region.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

int CRgn::CreateFromRegion(const QRegion& region) {
    if (IsCreated())
        return 0;
    m_region = region;
    SetCreated();
    return 1;
}

namespace {

QRect NormalRect(int left, int top, int right, int bottom) {
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    return QRect(left, top, right - left, bottom - top);
}

}  // namespace

int CRgn::CreateRectRgn(int left, int top, int right, int bottom) {
    return CreateFromRegion(QRegion(NormalRect(left, top, right, bottom)));
}

int CRgn::CreateRectRgnIndirect(const RECT* rect) {
    return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : 0;
}

int CRgn::CreateEllipticRgn(int left, int top, int right, int bottom) {
    QPainterPath path;
    path.addEllipse(QRectF(NormalRect(left, top, right, bottom)));
    return CreateFromRegion(PathPixels(path, Qt::OddEvenFill));
}

int CRgn::CreateEllipticRgnIndirect(const RECT* rect) {
    return rect ? CreateEllipticRgn(rect->left, rect->top, rect->right, rect->bottom) : 0;
}

int CRgn::CreatePolygonRgn(const POINT* points, int count, int fillMode) {
    return CreatePolyPolygonRgn(points, &count, 1, fillMode);
}

int CRgn::CreatePolyPolygonRgn(const POINT* points, const int* counts, int polygons, int fillMode) {
    QPainterPath path;
    if (!PolygonsPath(points, counts, polygons, [](POINT p) { return QPointF(p.x, p.y); }, &path))
        return 0;
    return CreateFromRegion(PathPixels(path, fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill));
}

int CRgn::CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight) {
    QPainterPath path;
    path.addRoundedRect(QRectF(NormalRect(left, top, right, bottom)), ellipseWidth / 2.0, ellipseHeight / 2.0);
    return CreateFromRegion(PathPixels(path, Qt::OddEvenFill));
}

int CRgn::CreateFromPath(CDC* dc) {
    QPainterPath path;
    if (IsCreated() || !dc || !dc->TakePath(&path))
        return 0;
    return CreateFromRegion(PathPixels(path, dc->GetPolyFillMode() == WINDING ? Qt::WindingFill : Qt::OddEvenFill));
}

int CRgn::CombineRgn(const CRgn* a, const CRgn* b, int combineMode) {
    if (!IsCreated() || !a || !a->IsCreated())
        return RGN_ERROR;
    if (combineMode == RGN_COPY) {
        m_region = a->m_region;
        return RegionType(m_region);
    }
    if (!b || !b->IsCreated())
        return RGN_ERROR;
    switch (combineMode) {
    case RGN_AND: m_region = a->m_region.intersected(b->m_region); break;
    case RGN_OR: m_region = a->m_region.united(b->m_region); break;
    case RGN_XOR: m_region = a->m_region.xored(b->m_region); break;
    case RGN_DIFF: m_region = a->m_region.subtracted(b->m_region); break;
    default: return RGN_ERROR;
    }
    return RegionType(m_region);
}

int CRgn::CopyRgn(const CRgn* source) { return CombineRgn(source, nullptr, RGN_COPY); }

void CRgn::SetRectRgn(int left, int top, int right, int bottom) {
    if (IsCreated())
        m_region = QRegion(NormalRect(left, top, right, bottom));
}

int CRgn::OffsetRgn(int dx, int dy) {
    if (!IsCreated())
        return RGN_ERROR;
    m_region.translate(dx, dy);
    return RegionType(m_region);
}

int CRgn::EqualRgn(const CRgn* other) const {
    return IsCreated() && other && other->IsCreated() && m_region == other->m_region;
}

int CRgn::PtInRegion(int x, int y) const { return IsCreated() && m_region.contains(QPoint(x, y)); }

int CRgn::RectInRegion(const RECT* rect) const {
    return IsCreated() && rect && m_region.intersects(NormalRect(rect->left, rect->top, rect->right, rect->bottom));
}

int CRgn::GetRgnBox(RECT* rect) const {
    if (!IsCreated() || !rect)
        return RGN_ERROR;
    const QRect box = m_region.boundingRect();
    *rect = box.isEmpty() ? RECT{} : RECT{box.left(), box.top(), box.right() + 1, box.bottom() + 1};
    return RegionType(m_region);
}

// ---- palettes -------------------------------------------------------------------------------------

int CPalette::CreatePalette(const LOGPALETTE* logPalette) {
    if (IsCreated() || !logPalette || logPalette->palNumEntries == 0)
        return 0;
    m_entries.assign(logPalette->palPalEntry, logPalette->palPalEntry + logPalette->palNumEntries);
    SetCreated();
    return 1;
}

int CPalette::CreateHalftonePalette(CDC*) {
    if (IsCreated())
        return 0;
    m_entries.clear();
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                m_entries.push_back({static_cast<BYTE>(r * 51), static_cast<BYTE>(g * 51), static_cast<BYTE>(b * 51), 0});
    while (m_entries.size() < 256) {
        const BYTE grey = static_cast<BYTE>((m_entries.size() - 216) * 255 / 39);
        m_entries.push_back({grey, grey, grey, 0});
    }
    SetCreated();
    return 1;
}

UINT CPalette::GetPaletteEntries(UINT start, UINT count, PALETTEENTRY* entries) const {
    if (!IsCreated() || !entries || start >= m_entries.size())
        return 0;
    const UINT n = std::min<UINT>(count, static_cast<UINT>(m_entries.size()) - start);
    std::copy_n(m_entries.begin() + start, n, entries);
    return n;
}

UINT CPalette::SetPaletteEntries(UINT start, UINT count, const PALETTEENTRY* entries) {
    if (!IsCreated() || !entries || start >= m_entries.size())
        return 0;
    const UINT n = std::min<UINT>(count, static_cast<UINT>(m_entries.size()) - start);
    std::copy_n(entries, n, m_entries.begin() + start);
    return n;
}

void CPalette::AnimatePalette(UINT start, UINT count, const PALETTEENTRY* entries) {
    SetPaletteEntries(start, count, entries);
}

int CPalette::ResizePalette(UINT count) {
    if (!IsCreated() || count == 0 || count > 1024)
        return 0;
    m_entries.resize(count);
    return 1;
}

UINT CPalette::GetNearestPaletteIndex(COLORREF color) const {
    if (!IsCreated() || m_entries.empty())
        return CLR_INVALID;
    UINT best = 0;
    long bestDistance = LONG_MAX;
    for (UINT i = 0; i < m_entries.size(); ++i) {
        const long dr = long(m_entries[i].peRed) - GetRValue(color);
        const long dg = long(m_entries[i].peGreen) - GetGValue(color);
        const long db = long(m_entries[i].peBlue) - GetBValue(color);
        const long distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}
